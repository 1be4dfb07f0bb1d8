#include "zeph/playlists/ZEPH.Playlists.Preimages.Folders.h"

#include <memory>

#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.FileSystem.Watcher.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Folders.Dialog.h"

namespace {
// Gathers the folders' files; the settings are copied at creation on the main thread.
class TZEPHPlaylistFoldersPreimageTask : public TZEPHPlaylistCustomPreimageTask {
 public:
  explicit TZEPHPlaylistFoldersPreimageTask(TZEPHPlaylistFoldersPreimage* APreimage)
      : TZEPHPlaylistCustomPreimageTask(APreimage),
        FIgnoredExts(APreimage->GetIgnoredExts()),
        FSortChildren(APreimage->GetSortingTemplate().empty()),
        FPaths(Create<TZCLSearchPaths>()) {
    FPaths->Assign(APreimage->GetPaths());
  }
  ~TZEPHPlaylistFoldersPreimageTask() override { Free(FPaths); }

 protected:
  void Gather() override;

 private:
  class TReceiver : public TInterfacedObject, public IZEPHFileManagerFilesReceiver {
    RTL_INTERFACES(TInterfacedObject, IZEPHFileManagerFilesReceiver)
   public:
    explicit TReceiver(TZEPHPlaylistFoldersPreimageTask* AOwner) : FOwner(AOwner) {}
    void ReceiveFile(const String& FileName, IZBLFileInfo* Info, bool& Stop) override {
      FOwner->ReceiveFile(FileName, Info, Stop);
    }

   private:
    TZEPHPlaylistFoldersPreimageTask* FOwner;
  };
  void ReceiveFile(const String& FileName, IZBLFileInfo* Info, bool& Stop);
  String FIgnoredExts;
  bool FSortChildren;
  TZCLSearchPaths* FPaths;
};

void TZEPHPlaylistFoldersPreimageTask::Gather() {
  TZEPHFileManager* manager = GetFileManager();
  std::unique_ptr<TZEPHFileManagerExpandAttributes> attributes(Create<TZEPHFileManagerExpandAttributes>());
  attributes->Add(String(zfeaSortChildren), FSortChildren);
  attributes->AddSearchPaths(FPaths, true, manager->GetKnownFormats()->GetExtList(zfkmAudio));
  std::unique_ptr<TZCLStringList> folders(FPaths->CreatePathList());
  IPtr<IZEPHFileManagerFilesReceiver> receiver(Create<TReceiver>(this));
  bool stop = false;
  manager->ExpandList(folders.get(), receiver.get(), attributes.get(), stop);
}

void TZEPHPlaylistFoldersPreimageTask::ReceiveFile(const String& FileName, IZBLFileInfo* Info, bool& Stop) {
  Stop = IsCanceled();
  if (!FIgnoredExts.empty()) {
    const String ext = zcExtractFileExt(FileName);
    if (!ext.empty() && zcIsFileExtInList(FIgnoredExts, ext)) return;
  }
  IPtr<IZBLFileInfo> info(Info);
  if (info == nullptr) {
    auto* record = Create<TZBLFileInfo>();
    IPtr<IZBLFileInfo> holder(Create<TZBLFileInfoKeeper>(record));
    if (Succeeded(GetFileManager()->GetFileInfo(FileName, record, zfiCache))) info = holder;
  }
  FFiles->Add(FileName, nullptr, info.get());
}
}  // namespace

TZEPHPlaylistFoldersPreimage::TZEPHPlaylistFoldersPreimage(TZEPHPlaylistPreimageFactory* AFactory)
    : TZEPHPlaylistCustomAutoSyncPreimage(AFactory),
      FPaths(new TZCLSearchPaths(TZCLSearchPaths::TChangeEvent(this, &TZEPHPlaylistFoldersPreimage::PathsChanged))) {}

TZEPHPlaylistFoldersPreimage::~TZEPHPlaylistFoldersPreimage() {
  CancelSync();
  FPaths->OnChange = {};
  Free(FPaths);
}

void TZEPHPlaylistFoldersPreimage::PathsChanged(TZCLSearchPaths*) { StorageChanged(); }

bool TZEPHPlaylistFoldersPreimage::IsEmpty() { return FPaths->GetCount() == 0; }

TZEPHPlaylistCustomPreimageTask* TZEPHPlaylistFoldersPreimage::CreateTask() {
  return new TZEPHPlaylistFoldersPreimageTask(this);
}

void TZEPHPlaylistFoldersPreimage::SetIgnoredExts(const String& Value) {
  if (Value == FIgnoredExts) return;
  FIgnoredExts = Value;
  StorageChanged();
}

IPtr<IZCLFileSystemWatcherTask> TZEPHPlaylistFoldersPreimage::CreateWatcher() {
  return TZCLFileSystemWatcher::AddTask(
      FPaths, TZCLFileSystemWatcherEvent(static_cast<TZEPHPlaylistCustomAutoSyncPreimage*>(this),
                                         &TZEPHPlaylistFoldersPreimage::WatcherChanged),
      zcfwContent | zcfwNames);
}

void TZEPHPlaylistFoldersPreimage::AssignSource(TZEPHPlaylistCustomPreimage* Source) {
  auto* source = dynamic_cast<TZEPHPlaylistFoldersPreimage*>(Source);
  if (source == nullptr) return;
  FPaths->Assign(source->FPaths);
  SetIgnoredExts(source->FIgnoredExts);
}

void TZEPHPlaylistFoldersPreimage::LoadSourceFromNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context) {
  TZCLXMLNode* paths = Node->FindNode(u"paths");
  if (paths == nullptr) return;
  TZCLXMLAttributes* attributes = paths->GetAttributes();
  FIgnoredExts = attributes->GetValueDef(u"ignoredExts", String());
  FAutoSyncOnChanges = attributes->GetValueAsBoolean(u"autoSyncOnChanges", false);
  FAutoSyncOnStartup = attributes->GetValueAsBoolean(u"autoSyncOnStartup", false);
  FPaths->BeginUpdate();
  FPaths->Clear();
  for (Integer i = 0; i < paths->GetCount(); ++i) {
    TZCLXMLNode* path = paths->GetNode(i);
    const String folder = Context != nullptr ? Context->ConvertFileName(path->GetNodeValue()) : path->GetNodeValue();
    if (!folder.empty()) FPaths->Add(folder, path->GetAttributes()->GetValueAsBoolean(u"recursive", false));
  }
  FPaths->EndUpdate();
}

void TZEPHPlaylistFoldersPreimage::SaveToNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context) {
  TZEPHPlaylistCustomAutoSyncPreimage::SaveToNode(Node, Context);
  TZCLXMLNode* paths = Node->Add(u"paths");
  paths->GetAttributes()->AddString(u"ignoredExts", FIgnoredExts);
  paths->GetAttributes()->AddString(u"autoSyncOnChanges", FAutoSyncOnChanges ? u"1" : u"0");
  paths->GetAttributes()->AddString(u"autoSyncOnStartup", FAutoSyncOnStartup ? u"1" : u"0");
  for (Integer i = 0; i < FPaths->GetCount(); ++i) {
    TZCLXMLNode* path = paths->Add(u"path");
    path->SetNodeValue(Context != nullptr ? Context->ConvertFileName(FPaths->GetPath(i)) : FPaths->GetPath(i));
    path->GetAttributes()->AddString(u"recursive", FPaths->GetRecursive(i) ? u"1" : u"0");
  }
}

String TZEPHPlaylistFoldersPreimageFactory::GetName() { return LangGetMsgPart(143, 2); }

void detail::PlaylistPreimagesFoldersInitialization() {
  TZEPHPlaylistPreimageRepository::Register(new TZEPHPlaylistFoldersPreimageFactory());
}

bool TZEPHPlaylistFoldersPreimage::ExecuteDialog(void* OwnerWindow) {
  TZEPHPlaylistFoldersPreimageDialog* dialog = TCustomForm::CreateNew<TZEPHPlaylistFoldersPreimageDialog>(nullptr);
  try {
    dialog->LoadFrom(this);
    if (dialog->ShowModal() != mrOk) {
      Free(dialog);
      return false;
    }
    dialog->SaveTo(this);
    StorageChanged();
  } catch (...) {
    Free(dialog);
    throw;
  }
  Free(dialog);
  return true;
}
