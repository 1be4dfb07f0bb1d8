#include "zeph/playlists/ZEPH.Playlists.Storage.Helpers.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <memory>

#include "rtl/RTL.Strings.h"
#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.Threading.Sorting.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Expressions.FormatString.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Timers.h"
#include "zeph/playlists/ZEPH.FilesScanner.Dialog.h"
#include "rtl/RTL.Format.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/media/ZEPH.FileManager.VirtualFiles.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.h"
#include "zeph/playlists/ZEPH.Playlists.Strings.h"

namespace {
std::atomic<TZEPHPlaylistItemFormatStringFactory*> GFactory{nullptr};
constexpr int kPoolSize = 4;
std::atomic<TZEPHPlaylistItemFormatStringContext*> GPool[kPoolSize];
}  // namespace

void TZEPHPlaylistItemFormatStringFactory::RegisterFunctions() {
  TZEPHFileInfoFormatStringFactory::RegisterFunctions();
  RegisterMacro(u"Custom", {this, &TZEPHPlaylistItemFormatStringFactory::MacroCustom}, 0);
  for (const char16_t* name : {u"AlbumGain", u"Catalog", u"Conductor", u"Copyright", u"DiskTotal", u"EncodedBy",
                               u"ISRC", u"Link", u"Lyrics", u"TrackGain", u"TrackTotal"})
    Unregister(name);
}

String TZEPHPlaylistItemFormatStringFactory::GetComment(TZBLFileInfoFormatStringContext* Context) {
  return zcReplaceLineBreaks(TZEPHFileInfoFormatStringFactory::GetComment(Context), u" ");
}

void TZEPHPlaylistItemFormatStringFactory::MacroCustom(String& Value, TZCLExpressionContext Context) {
  auto* context = dynamic_cast<TZEPHPlaylistItemFormatStringContext*>(ContextOf(Context));
  Value = context != nullptr && context->Entry != nullptr ? context->Entry->GetCustomText() : String();
}

TZEPHPlaylistItemFormatStringFactory* TZEPHPlaylistItemFormatStringFactory::Instance() {
  if (TZEPHPlaylistItemFormatStringFactory* factory = GFactory.load(std::memory_order_acquire)) return factory;
  TZCLCustomExpressionFactory::CreateSingleton(GFactory);
  return GFactory.load();
}

void TZEPHPlaylistItemFormatStringFactory::FinalizeInstance() {
  for (auto& slot : GPool) delete slot.exchange(nullptr);
  Free(GFactory.exchange(nullptr));
}

String TZEPHPlaylistItemFormatStringFactory::Format(const String& Template, TZEPHPlaylistItem* Entry,
                                                    Byte ContextFlags) {
  TZEPHPlaylistItemFormatStringContext* context = nullptr;
  for (auto& slot : GPool)
    if ((context = slot.exchange(nullptr)) != nullptr) break;
  if (context == nullptr) context = new TZEPHPlaylistItemFormatStringContext();
  context->Entry = Entry;
  context->Setup(Entry, -1, -1);
  context->Flags = ContextFlags;
  String result;
  try {
    result = VarToStr(Instance()->Evaluate(Template, context));
  } catch (...) {
    delete context;
    throw;
  }
  context->Entry = nullptr;
  for (auto& slot : GPool) {
    TZEPHPlaylistItemFormatStringContext* expected = nullptr;
    if (slot.compare_exchange_strong(expected, context)) return result;
  }
  delete context;
  return result;
}

String TZEPHPlaylistItemFormatStringContext::GetFileFormat() { return Entry != nullptr ? Entry->GetFileFormat() : String(); }
Integer TZEPHPlaylistItemFormatStringContext::GetIndex() { return Entry != nullptr ? Entry->GetIndex() + 1 : 0; }
Integer TZEPHPlaylistItemFormatStringContext::GetTotal() {
  return Entry != nullptr ? Entry->GetStorage()->GetItems()->GetCount() : 0;
}

// ---------------------------------------------------------------------------------------------

String TZEPHPlaylistStorageAutoNameHelper::NameFromPath(const String& Path) {
  String name;
  String container;
  if (TZEPHPlaylistFormats::IsPlaylistFile(Path))
    name = zcExtractFileNameWithoutExt(Path);
  else if (zcIsURL(Path))
    name = u"Radio";
  else if (TZEPHFileURI::ParseContainer(Path, container))
    name = zcExtractFileNameWithoutExt(container);
  else if (!Path.empty() && (Path.back() == u'/' || Path.back() == u'\\')) {
    name = zcExtractFileName(zcExcludeTrailingPathDelimiter(Path));
    if (name.empty()) name = Path;
  } else
    name = zcExtractFileNameWithoutExt(Path);
  return name.empty() ? sPlaylistNewPlaylist : name;
}

String TZEPHPlaylistStorageAutoNameHelper::GetName(TZEPHPlaylistStorage* Storage) {
  TZEPHPlaylistItems* items = Storage->GetItems();
  if (items->GetCount() == 0) return sPlaylistNewPlaylist;
  const Integer fields[3] = {fitAlbum, fitAlbumArtist, fitArtist};
  String candidates[3];
  bool alive[3] = {true, true, true};
  for (int f = 0; f < 3; ++f) candidates[f] = items->Get(0)->GetValue(fields[f]);
  for (Integer i = 1; i < items->GetCount(); ++i)
    for (int f = 0; f < 3; ++f)
      if (alive[f] && !SameText(candidates[f], items->Get(i)->GetValue(fields[f]))) alive[f] = false;
  if (alive[0] || alive[1] || alive[2]) {
    String name = alive[0] && !candidates[0].empty()   ? candidates[0]
                  : alive[2] && !candidates[2].empty() ? candidates[2]
                  : alive[1]                           ? candidates[1]
                                                       : String();
    if (!zcTrim(name).empty()) return name;
  }
  String path;
  if (Storage->GetCommonPath(path) && !path.empty()) return NameFromPath(path);
  return sPlaylistNewPlaylist;
}

// ---------------------------------------------------------------------------------------------
// Tags scan

TZEPHPlaylistStorageTagsScanTask::TZEPHPlaylistStorageTagsScanTask(Integer AMode, TZEPHPlaylistStorage* AStorage)
    : FMode(AMode), FStorage(AStorage), FScratchInfo(Create<TZBLFileInfo>()),
      FMusicLibrary(GetFileManager()->GetMusicLibrary()) {
  TZEPHPlaylistItems* items = FStorage->GetItems();
  FJobs.reserve(static_cast<size_t>(items->GetCount()));
  for (Integer i = 0; i < items->GetCount(); ++i) {
    TZEPHPlaylistItem* item = items->Get(i);
    if (FMode == 1 || item->NeedsInfo()) FJobs.push_back({item, item->GetFileName()});
  }
}

TZEPHPlaylistStorageTagsScanTask::~TZEPHPlaylistStorageTagsScanTask() { Free(FScratchInfo); }

void TZEPHPlaylistStorageTagsScanTask::EntryGone(TZEPHPlaylistItem* Entry) {
  for (TJob& job : FJobs)
    if (job.Entry == Entry) job.Entry = nullptr;
}

void TZEPHPlaylistStorageTagsScanTask::ProgressTick(TObject*) {
  FStorage->ScanProgress(GetIndex() * 100.0 / std::max<Integer>(GetCount(), 1));
}

void TZEPHPlaylistStorageTagsScanTask::Apply(TJob& Job, bool Read, bool CheckExists, bool Exists) {
  TZEPHPlaylistItem* entry = Job.Entry;
  // A renamed entry is another file now; the next scan reads it.
  if (IsCanceled() || entry == nullptr || entry->GetFileName() != Job.FileName) return;
  TZEPHPlaylistStorageScanScope scope(FStorage);
  if (entry->HasItemFlag(zpifFileNotFound)) {
    entry->SetItemFlag(zpifFileNotFound, false);
    FChanged = true;
  }
  if (Read) {
    entry->Assign(FScratchInfo);
    FChanged = true;
  } else if (CheckExists && !Exists) {
    entry->SetItemFlag(zpifFileNotFound, true);
    FChanged = true;
  }
}

void TZEPHPlaylistStorageTagsScanTask::Execute() {
  TZEPHFileManager* manager = GetFileManager();
  TZCLMainThread::RunProc(
      [this] {
        FStorage->ScanStarted(this);
        FProgressTimer = new TZCLTimer(TNotifyEvent(this, &TZEPHPlaylistStorageTagsScanTask::ProgressTick), 500);
      },
      true);
  try {
    for (TJob& job : FJobs) {
      if (IsCanceled()) break;
      FScratchInfo->Clear();
      bool read = false;
      bool checkExists = false;
      bool exists = true;
      if (FMode == 0 && FMusicLibrary != nullptr && FMusicLibrary->FillFileInfo(job.FileName, FScratchInfo)) {
        FScratchInfo->SetFileName(job.FileName);
        read = true;
      } else if (Succeeded(manager->GetFileInfo(job.FileName, FScratchInfo, zfiAll))) {
        if (FMode != 0) manager->UpdateLibraryInfo(FScratchInfo);
        read = true;
      } else if (!manager->IsForeignURL(job.FileName)) {
        checkExists = true;
        exists = manager->FileExists(job.FileName);
      }
      TZCLMainThread::RunProc([&] { Apply(job, read, checkExists, exists); }, true);
      FIndex.fetch_add(1, std::memory_order_relaxed);
    }
  } catch (...) {
    // The end is reported all the same.
  }
  TZCLMainThread::RunProc(
      [this] {
        FreeAndNil(FProgressTimer);
        FStorage->ScanEnded(this, FChanged, IsCanceled());
      },
      true);
}

bool TZEPHPlaylistItemFormatStringFactory::InvertTemplate(String& Template) {
  std::unique_ptr<TZCLFormatString> compiled(Instance()->CompileTemplate(Template, false));
  if (compiled == nullptr || !compiled->InvertSortOrder()) return false;
  Template = Trim(compiled->ToString());
  return true;
}

// ---------------------------------------------------------------------------------------------
// Sorting, filtering and collecting

TZEPHPlaylistStorageSortByTemplateHelper::TZEPHPlaylistStorageSortByTemplateHelper(const String& Template)
    : FTemplate(TZEPHPlaylistItemFormatStringFactory::Instance()->CompileTemplate(Template, true)) {
  for (auto& slot : FPool) slot.store(nullptr);
}

TZEPHPlaylistStorageSortByTemplateHelper::~TZEPHPlaylistStorageSortByTemplateHelper() {
  for (auto& slot : FPool) delete slot.exchange(nullptr);
  Free(FTemplate);
}

TZEPHPlaylistItemFormatStringContext* TZEPHPlaylistStorageSortByTemplateHelper::TakeContext(TZEPHPlaylistItem* Entry) {
  TZEPHPlaylistItemFormatStringContext* context = nullptr;
  for (auto& slot : FPool)
    if ((context = slot.exchange(nullptr)) != nullptr) break;
  if (context == nullptr) context = new TZEPHPlaylistItemFormatStringContext();
  context->Entry = Entry;
  context->Setup(Entry, -1, -1);
  context->Flags = 0;
  return context;
}

void TZEPHPlaylistStorageSortByTemplateHelper::ReturnContext(TZEPHPlaylistItemFormatStringContext* Context) {
  Context->Entry = nullptr;
  for (auto& slot : FPool) {
    TZEPHPlaylistItemFormatStringContext* expected = nullptr;
    if (slot.compare_exchange_strong(expected, Context)) return;
  }
  delete Context;
}

Integer TZEPHPlaylistStorageSortByTemplateHelper::Compare(TZEPHPlaylistItem* A, TZEPHPlaylistItem* B) {
  if (FTemplate == nullptr) return 0;
  TZEPHPlaylistItemFormatStringContext* a = TakeContext(A);
  TZEPHPlaylistItemFormatStringContext* b = TakeContext(B);
  Integer result = 0;
  try {
    result = FTemplate->Compare(a, b);
  } catch (...) {
    ReturnContext(a);
    ReturnContext(b);
    throw;
  }
  ReturnContext(a);
  ReturnContext(b);
  return result;
}

void TZEPHPlaylistStorageSortByTemplateHelper::SortItems(TZEPHPlaylistItems* Items) {
  const Integer count = Items->GetCount();
  if (FTemplate == nullptr || count < 2) return;
  struct Row {
    std::vector<String> Keys;
    Pointer Item;
    Integer Index;
  };
  std::vector<Row> rows(static_cast<size_t>(count));
  auto formatKeys = [&](Integer From, Integer To) {
    TZEPHPlaylistItemFormatStringContext* context = TakeContext(nullptr);
    try {
      for (Integer i = From; i < To; ++i) {
        context->Entry = Items->Get(i);
        context->Setup(Items->Get(i), -1, -1);
        rows[static_cast<size_t>(i)] = {FTemplate->SortKeys(context), Items->Get(i), i};
      }
    } catch (...) {
      ReturnContext(context);
      throw;
    }
    ReturnContext(context);
  };
  // Formatting the keys is most of the work: large lists format them on the pool.
  const Integer parts = count >= 4096 ? std::clamp<Integer>(CPUCount(), 1, PoolSize - 1) : 1;
  if (parts <= 1) {
    formatKeys(0, count);
  } else {
    std::vector<std::exception_ptr> errors(static_cast<size_t>(parts));
    std::vector<TObjHandle> handles;
    for (Integer p = 0; p < parts; ++p)
      handles.push_back(TaskDispatcher()->Run([&, p](const TZCLTaskCancelCallback&) {
        try {
          formatKeys(count * p / parts, count * (p + 1) / parts);
        } catch (...) {
          errors[static_cast<size_t>(p)] = std::current_exception();
        }
      }));
    for (TObjHandle handle : handles) TaskDispatcher()->WaitFor(handle);
    for (const std::exception_ptr& error : errors)
      if (error) std::rethrow_exception(error);
  }
  const std::vector<bool> reversed = FTemplate->SortKeysReversed();
  std::vector<Pointer> order(static_cast<size_t>(count));
  for (Integer i = 0; i < count; ++i) order[static_cast<size_t>(i)] = &rows[static_cast<size_t>(i)];
  TZCLMultithreadedListSorter::Sort(
      order.data(), count,
      [&](Pointer A, Pointer B) -> Integer {
        const Row& a = *static_cast<const Row*>(A);
        const Row& b = *static_cast<const Row*>(B);
        const Integer c = TZCLFormatString::CompareSortKeys(a.Keys, b.Keys, reversed);
        if (c != 0) return c;
        return a.Index < b.Index ? -1 : a.Index > b.Index ? 1 : 0;
      },
      true);
  Pointer* list = Items->GetList();
  for (Integer i = 0; i < count; ++i) list[i] = static_cast<Row*>(order[static_cast<size_t>(i)])->Item;
}

TZEPHPlaylistItemsFilter::TZEPHPlaylistItemsFilter() : FFileNames(new TZCLStringSet(true, 2048)) {}

TZEPHPlaylistItemsFilter::~TZEPHPlaylistItemsFilter() { delete FFileNames; }

void TZEPHPlaylistItemsFilter::AddFiles(const TZCLStringList* Files) {
  for (Integer i = 0; i < Files->GetCount(); ++i) FFileNames->Include(Files->GetStrings(i));
}

bool TZEPHPlaylistItemsFilter::IsSelected(TZEPHPlaylistItem* Entry) { return Entry->IsSelected(); }

bool TZEPHPlaylistItemsFilter::IsNotListed(TZEPHPlaylistItem* Entry) const {
  return !FFileNames->Contains(Entry->GetFileName());
}

TZEPHPlaylistStorageFileAddingHelper::TZEPHPlaylistStorageFileAddingHelper(TZCLStringList* AList) : FList(AList) {
  FList->SetCapacity(std::max<Integer>(FList->GetCapacity(), 10000));
}

void TZEPHPlaylistStorageFileAddingHelper::ReceiveFile(const String& FileName, IZBLFileInfo* Info, bool&) {
  FList->Add(FileName, nullptr, Info);
}

// ---------------------------------------------------------------------------------------------
// Adding in the background

class TZEPHPlaylistStorageAsyncFileAddingTask::TRemoveListener : public TInterfacedObject,
                                                                  public IZEPHPlaylistStorageRemoveListener {
  ZCL_CLASS(TRemoveListener, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHPlaylistStorageRemoveListener)
 public:
  explicit TRemoveListener(TZEPHPlaylistStorageAsyncFileAddingTask* AOwner) : FOwner(AOwner) {}
  void Removing(TZEPHPlaylistStorage* Storage) override { FOwner->StorageRemoving(Storage); }

 private:
  TZEPHPlaylistStorageAsyncFileAddingTask* FOwner;
};

TZEPHPlaylistStorageAsyncFileAddingTask::TZEPHPlaylistStorageAsyncFileAddingTask(
    TZEPHPlaylistStorage* AStorage, const TZCLStringList* Files, Integer AInsertIndex, Integer AFocusIndex,
    TZEPHFileManagerExpandAttributes* Attributes, Byte AFlags)
    : TZEPHFilesScanner(Create<TfrmFilesScannerDialogHelper>(Format(u"%s - %s", {AStorage->GetName(), LangGetMsg(93)})),
                        Files, Attributes),
      FResults(Create<TZCLStringList>()),
      FFocusIndex(AFocusIndex),
      FInsertIndex(AInsertIndex),
      FFlags(AFlags),
      FStorage(AStorage),
      FScratchInfo(Create<TZBLFileInfo>()),
      FListener(static_cast<IZEPHPlaylistStorageRemoveListener*>(Create<TRemoveListener>(this))) {
  FResults->SetCapacity(10000);
  FStorage->GetListeners()->Add(FListener);
}

TZEPHPlaylistStorageAsyncFileAddingTask::~TZEPHPlaylistStorageAsyncFileAddingTask() {
  Free(FScratchInfo);
  Free(FResults);
}

void TZEPHPlaylistStorageAsyncFileAddingTask::StorageRemoving(TZEPHPlaylistStorage* Storage) {
  if (Storage != FStorage) return;
  FStorage = nullptr;
  if (TZCLTaskDispatcher* pool = TaskDispatcherIfExists()) pool->Cancel(GetHandle(), false);
}

void TZEPHPlaylistStorageAsyncFileAddingTask::CollectFiles() {
  FFocusFound = false;
  TZEPHFilesScanner::CollectFiles();
}

void TZEPHPlaylistStorageAsyncFileAddingTask::ProcessFiles() {
  if (!FFocusFound) FFocusIndex = -1;
  FFocusFound = false;
  TZEPHFilesScanner::ProcessFiles();
}

bool TZEPHPlaylistStorageAsyncFileAddingTask::CanAddFile(const String& FileName, IZBLFileInfo* FileInfo) {
  if (!TZEPHFilesScanner::CanAddFile(FileName, FileInfo)) return false;
  if (!FFocusFound && FFocusIndex == GetIndex()) {
    FFocusIndex = GetPhase() == 0 ? GetFiles()->GetCount() : FResults->GetCount();
    FFocusFound = true;
  }
  return true;
}

void TZEPHPlaylistStorageAsyncFileAddingTask::DoFileFound(const String& FileName, IZBLFileInfo* FileInfo) {
  FResults->Add(FileName, nullptr, FileInfo);
}

IPtr<IZBLFileInfo> TZEPHPlaylistStorageAsyncFileAddingTask::GetFileInfo(const String& FileName) {
  FScratchInfo->Clear();
  if (Failed(GetFileManager()->GetFileInfo(FileName, FScratchInfo, zfiCache))) return nullptr;
  auto* copy = Create<TZBLFileInfo>();
  copy->Assign(FScratchInfo);
  return IPtr<IZBLFileInfo>(Create<TZBLFileInfoKeeper>(copy));
}

void TZEPHPlaylistStorageAsyncFileAddingTask::Complete() {
  TZEPHFilesScanner::Complete();
  if (!FFocusFound) FFocusIndex = -1;
  // Whether the playlist still exists is asked on the main thread, where it could be freed.
  TZCLMainThread::RunProc(
      [this] {
        if (FStorage == nullptr) return;
        FStorage->GetListeners()->Remove(FListener);
        if (!IsCanceled()) FStorage->InsertFiles(FResults, FFlags & ~zpafSort, FInsertIndex, FFocusIndex);
      },
      true);
}
