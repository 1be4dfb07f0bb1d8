#include "zeph/playlists/ZEPH.Playlists.Service.Adapters.h"

#include <memory>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/media/ZEPH.FileManager.Services.Adapters.h"
#include "zeph/playlists/ZEPH.Playlists.Controller.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Folders.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Playlist.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Plugins.h"
#include "zeph/playlists/ZEPH.Playlists.Settings.h"

namespace {
IPtr<IInterface> PluginString(const String& Text) { return IPtr<IZEPHString>(Create<TZEPHStringAdapter>(Text)); }

// The text of a plugin string; False for anything else.
bool StringOf(IInterface* Value, String& Text) {
  IPtr<IZEPHString> s;
  if (!Supports(Value, s)) return false;
  Text = PluginStringText(s.get());
  return true;
}

template <class I>
HRESULT QueryOf(const IPtr<I>& Adapter, const TGUID& IID, void** Obj) {
  if (Adapter == nullptr) return E_NOINTERFACE;
  return Adapter->QueryInterface(IID, Obj);
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Entries

HRESULT TZEPHPlaylistItemAdapter::ReloadInfo() {
  HRESULT r = S_OK;
  if (!CheckAccess(r)) return r;
  TZEPHPlaylistItem* entry = GetItemObject();
  std::unique_ptr<TZBLCustomFileInfo, TZEPHFreeObject> record(Create<TZBLCustomFileInfo>());
  if (!Succeeded(GetFileManager()->GetFileInfo(entry->GetFileName(), record.get(), 31))) return E_FAIL;
  entry->Assign(record.get());
  GetFileManager()->UpdateLibraryInfo(record.get());
  return S_OK;
}

void TZEPHPlaylistItemAdapter::DoGetValueAsFloat(Integer PropertyID, Double& Value, HRESULT& Result) {
  if (PropertyID == 6)
    Value = (GetItemObject()->GetMark() & 0x3F) / 10.0;
  else
    Result = E_INVALIDARG;
}

void TZEPHPlaylistItemAdapter::DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) {
  TZEPHPlaylistItem* entry = GetItemObject();
  switch (PropertyID) {
    case 5: Value = entry->GetIndex(); break;
    case 7: Value = entry->GetSwitch() ? 1 : 0; break;
    case 9: Value = entry->IsSelected() ? 1 : 0; break;
    case 10: Value = entry->GetPlaybackQueueIndex(); break;
    default: Result = E_INVALIDARG;
  }
}

IPtr<IInterface> TZEPHPlaylistItemAdapter::DoGetValueAsObject(Integer PropertyID) {
  TZEPHPlaylistItem* entry = GetItemObject();
  switch (PropertyID) {
    case 0: return PluginString(entry->GetCustomText());
    case 1: return PluginString(entry->GetDisplayText());
    case 2:
      return IPtr<IZEPHFileInfo>(Create<TZEPHFileInfoAdapter>(entry, false, nullptr, entry->GetIndex() + 1,
                                                               entry->GetStorage()->GetItems()->GetCount()));
    case 3: return PluginString(entry->GetFileName());
    case 4: return TZEPHPlaylistAdapters::GetGroupAdapter(entry->GetGroup());
    case 8: return TZEPHPlaylistAdapters::GetPlaylistAdapter(entry->GetStorage());
    default: return nullptr;
  }
}

void TZEPHPlaylistItemAdapter::DoSetValueAsFloat(Integer PropertyID, Double Value, HRESULT& Result) {
  if (PropertyID == 6)
    Result = GetItemObject()->SetMark(FileMarkFromFloat(static_cast<Single>(Value), false));
  else
    Result = E_INVALIDARG;
}

void TZEPHPlaylistItemAdapter::DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) {
  TZEPHPlaylistItem* entry = GetItemObject();
  switch (PropertyID) {
    case 5: entry->MoveTo(Value); break;
    // SetItemFlag reports the change only when the bit differs.
    case 7: entry->SetSwitch(Value != 0); break;
    case 9: entry->SetSelected(Value != 0); break;
    default: Result = E_INVALIDARG;
  }
}

void TZEPHPlaylistItemAdapter::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  TZEPHPlaylistItem* entry = GetItemObject();
  String text;
  switch (PropertyID) {
    case 0:
      if (StringOf(Value, text))
        entry->SetCustomText(text);
      else
        Result = E_INVALIDARG;
      break;
    case 3:
      if (StringOf(Value, text))
        entry->SetFileName(text);
      else
        Result = E_INVALIDARG;
      break;
    case 8: {
      TObject* storage = nullptr;
      Result = AdapterGetObject(Value, TZEPHPlaylistStorage::StaticClass(), storage, false);
      if (Succeeded(Result)) entry->MoveToStorage(static_cast<TZEPHPlaylistStorage*>(storage));
      break;
    }
    default: Result = E_INVALIDARG;
  }
}

// ---------------------------------------------------------------------------------------------
// Groups

HRESULT TZEPHPlaylistGroupAdapter::GetItem(Integer Index, const TGUID& IID, void** Obj) {
  HRESULT r = S_OK;
  if (!CheckAccess(r)) return r;
  TZEPHPlaylistItems* items = static_cast<TZEPHPlaylistGroup*>(FObject)->GetItems();
  if (Index < 0 || Index >= items->GetCount()) return E_INVALIDARG;
  return QueryOf(TZEPHPlaylistAdapters::GetItemAdapter(items->Get(Index)), IID, Obj);
}

Integer TZEPHPlaylistGroupAdapter::GetItemCount() {
  HRESULT r = S_OK;
  return CheckAccess(r) ? static_cast<TZEPHPlaylistGroup*>(FObject)->GetItems()->GetCount() : 0;
}

void TZEPHPlaylistGroupAdapter::DoGetValueAsFloat(Integer PropertyID, Double& Value, HRESULT& Result) {
  if (PropertyID == 3)
    Value = static_cast<TZEPHPlaylistGroup*>(FObject)->GetDuration() / 1000.0;
  else
    Result = E_INVALIDARG;
}

void TZEPHPlaylistGroupAdapter::DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) {
  auto* group = static_cast<TZEPHPlaylistGroup*>(FObject);
  switch (PropertyID) {
    case 2: Value = group->GetExpanded() ? 1 : 0; break;
    case 4: Value = group->GetIndex(); break;
    case 5: Value = group->AllSelected() ? 1 : 0; break;
    default: Result = E_INVALIDARG;
  }
}

IPtr<IInterface> TZEPHPlaylistGroupAdapter::DoGetValueAsObject(Integer PropertyID) {
  return PropertyID == 1 ? PluginString(static_cast<TZEPHPlaylistGroup*>(FObject)->GetName()) : nullptr;
}

void TZEPHPlaylistGroupAdapter::DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) {
  auto* group = static_cast<TZEPHPlaylistGroup*>(FObject);
  if (PropertyID == 2)
    group->SetExpanded(Value != 0);
  else if (PropertyID == 5)
    group->SetSelected(Value != 0);
  else
    Result = E_INVALIDARG;
}

// ---------------------------------------------------------------------------------------------
// Preimages

TZEPHPlaylistCustomPreimage* TZEPHPlaylistPreimageAdapter::GetPreimage() const {
  return static_cast<TZEPHPlaylistCustomPreimage*>(FObject);
}

HRESULT TZEPHPlaylistPreimageAdapter::LoadConfig(IZEPHStream* Stream) {
  HRESULT r = S_OK;
  if (!CheckAccess(r)) return r;
  TZEPHStreamWrapper stream(Stream);
  GetPreimage()->LoadFromStream(&stream);
  return S_OK;
}

HRESULT TZEPHPlaylistPreimageAdapter::SaveConfig(IZEPHStream* Stream) {
  HRESULT r = S_OK;
  if (!CheckAccess(r)) return r;
  TZEPHStreamWrapper stream(Stream);
  GetPreimage()->SaveToStream(&stream);
  return r;
}

HRESULT TZEPHPlaylistPreimageAdapter::ShowDialog(void* OwnerWindow) {
  HRESULT r = S_OK;
  if (!CheckAccess(r)) return r;
  return GetPreimage()->ExecuteDialog(OwnerWindow) ? S_OK : E_FAIL;
}

void TZEPHPlaylistPreimageAdapter::DoBeginUpdate() { GetPreimage()->BeginUpdate(); }
void TZEPHPlaylistPreimageAdapter::DoEndUpdate() { GetPreimage()->EndUpdate(); }

HRESULT TZEPHPlaylistPreimageAdapter::DoReset() {
  GetPreimage()->SetSortingTemplate(String());
  return S_OK;
}

void TZEPHPlaylistPreimageAdapter::DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) {
  if (PropertyID == 2)
    Value = GetPreimage()->IsAutoSync() ? 1 : 0;
  else if (PropertyID == 3)
    Value = 1;
  else
    TZEPHCustomObjectAdapter::DoGetValueAsInt32(PropertyID, Value, Result);
}

IPtr<IInterface> TZEPHPlaylistPreimageAdapter::DoGetValueAsObject(Integer PropertyID) {
  if (PropertyID == 1) return PluginString(GetPreimage()->GetID());
  if (PropertyID == 4) return PluginString(GetPreimage()->GetSortingTemplate());
  return TZEPHCustomObjectAdapter::DoGetValueAsObject(PropertyID);
}

void TZEPHPlaylistPreimageAdapter::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  String text;
  if (PropertyID != 4) return TZEPHCustomObjectAdapter::DoSetValueAsObject(PropertyID, Value, Result);
  if (StringOf(Value, text))
    GetPreimage()->SetSortingTemplate(text);
  else
    Result = E_INVALIDARG;
}

namespace {
TZEPHPlaylistFoldersPreimage* FoldersOf(TZEPHPlaylistPreimageAdapter* A) {
  return static_cast<TZEPHPlaylistFoldersPreimage*>(A->GetPreimage());
}
}  // namespace

HRESULT TZEPHPlaylistPreimageFoldersAdapter::AddFolder(IZEPHString* Path, Integer Recursive) {
  HRESULT r = S_OK;
  if (!CheckAccess(r)) return r;
  FoldersOf(this)->GetPaths()->Add(PluginStringText(Path), Recursive != 0);
  return S_OK;
}

HRESULT TZEPHPlaylistPreimageFoldersAdapter::DeleteFolder(Integer Index) {
  HRESULT r = S_OK;
  if (!CheckAccess(r)) return r;
  try {
    if (Index < 0 || Index >= FoldersOf(this)->GetPaths()->GetCount()) throw EListError(u"List index out of bounds");
    FoldersOf(this)->GetPaths()->Delete(Index);
  } catch (...) {
    return E_UNEXPECTED;
  }
  return S_OK;
}

HRESULT TZEPHPlaylistPreimageFoldersAdapter::DeleteAllFolders() {
  HRESULT r = S_OK;
  if (!CheckAccess(r)) return r;
  FoldersOf(this)->GetPaths()->Clear();
  return S_OK;
}

HRESULT TZEPHPlaylistPreimageFoldersAdapter::GetFolder(Integer Index, IPtr<IZEPHString>& Path, Integer& Recursive) {
  Path = nullptr;
  HRESULT r = S_OK;
  if (!CheckAccess(r)) return r;
  TZCLSearchPaths* paths = FoldersOf(this)->GetPaths();
  if (Index < 0 || Index >= paths->GetCount()) return E_UNEXPECTED;
  Path = IPtr<IZEPHString>(Create<TZEPHStringAdapter>(paths->GetPath(Index)));
  Recursive = paths->GetRecursive(Index) ? -1 : 0;
  return S_OK;
}

Integer TZEPHPlaylistPreimageFoldersAdapter::GetFolderCount() {
  HRESULT r = S_OK;
  return CheckAccess(r) ? FoldersOf(this)->GetPaths()->GetCount() : -1;
}

HRESULT TZEPHPlaylistPreimageFoldersAdapter::DoReset() {
  TZEPHPlaylistFoldersPreimage* preimage = FoldersOf(this);
  preimage->GetPaths()->Clear();
  preimage->SetAutoSyncOnChanges(false);
  preimage->SetAutoSyncOnStartup(false);
  return TZEPHPlaylistPreimageAdapter::DoReset();
}

namespace {
void GetAutoSyncValue(TZEPHPlaylistCustomAutoSyncPreimage* P, Integer PropertyID, Integer& Value, bool& Done) {
  Done = PropertyID == 2 || PropertyID == 5;
  if (PropertyID == 2) Value = P->GetAutoSyncOnChanges() ? 1 : 0;
  if (PropertyID == 5) Value = P->GetAutoSyncOnStartup() ? 1 : 0;
}
void SetAutoSyncValue(TZEPHPlaylistCustomAutoSyncPreimage* P, Integer PropertyID, Integer Value, bool& Done) {
  Done = PropertyID == 2 || PropertyID == 5;
  if (PropertyID == 2) P->SetAutoSyncOnChanges(Value != 0);
  if (PropertyID == 5) P->SetAutoSyncOnStartup(Value != 0);
}
}  // namespace

void TZEPHPlaylistPreimageFoldersAdapter::DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) {
  bool done = false;
  GetAutoSyncValue(FoldersOf(this), PropertyID, Value, done);
  if (!done) TZEPHPlaylistPreimageAdapter::DoGetValueAsInt32(PropertyID, Value, Result);
}

void TZEPHPlaylistPreimageFoldersAdapter::DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) {
  bool done = false;
  SetAutoSyncValue(FoldersOf(this), PropertyID, Value, done);
  if (!done) TZEPHPlaylistPreimageAdapter::DoSetValueAsInt32(PropertyID, Value, Result);
}

namespace {
TZEPHPlaylistBasedPreimage* BasedOf(TZEPHPlaylistPreimageAdapter* A) {
  return static_cast<TZEPHPlaylistBasedPreimage*>(A->GetPreimage());
}
}  // namespace

HRESULT TZEPHPlaylistBasedPreimageAdapter::DoReset() {
  BasedOf(this)->SetURI(String());
  BasedOf(this)->SetAutoSyncOnStartup(false);
  return TZEPHPlaylistPreimageAdapter::DoReset();
}

void TZEPHPlaylistBasedPreimageAdapter::DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) {
  bool done = false;
  GetAutoSyncValue(BasedOf(this), PropertyID, Value, done);
  if (!done) TZEPHPlaylistPreimageAdapter::DoGetValueAsInt32(PropertyID, Value, Result);
}

void TZEPHPlaylistBasedPreimageAdapter::DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) {
  bool done = false;
  SetAutoSyncValue(BasedOf(this), PropertyID, Value, done);
  if (!done) TZEPHPlaylistPreimageAdapter::DoSetValueAsInt32(PropertyID, Value, Result);
}

IPtr<IInterface> TZEPHPlaylistBasedPreimageAdapter::DoGetValueAsObject(Integer PropertyID) {
  if (PropertyID == 100) return PluginString(BasedOf(this)->GetURI());
  return TZEPHPlaylistPreimageAdapter::DoGetValueAsObject(PropertyID);
}

void TZEPHPlaylistBasedPreimageAdapter::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  String text;
  if (PropertyID != 100) return TZEPHPlaylistPreimageAdapter::DoSetValueAsObject(PropertyID, Value, Result);
  if (StringOf(Value, text))
    BasedOf(this)->SetURI(text);
  else
    Result = E_INVALIDARG;
}

// ---------------------------------------------------------------------------------------------
// Playlists

namespace {
// Storage flag bit i reaches plugins as kPluginFlags[i].
constexpr Cardinal kPluginFlags[16] = {1,   2,   4,    32,   64,   8,    256,   2048,
                                       16,  128, 520,  1024, 4096, 8192, 16384, 32768};
}  // namespace

TZEPHPlaylistStorageAdapter::TZEPHPlaylistStorageAdapter(TObject* AObject, TStreamOwnership AOwnership)
    : TZEPHCustomObjectAdapter(AObject, AOwnership), FListeners(Create<TZCLListenerList>()) {}

TZEPHPlaylistStorageAdapter::~TZEPHPlaylistStorageAdapter() { Free(FListeners); }

Cardinal TZEPHPlaylistStorageAdapter::MapChangeFlags(Word Flags) {
  Cardinal r = 0;
  for (int i = 0; i < 16; ++i)
    if (Flags & (1u << i)) r |= kPluginFlags[i];
  return r;
}

bool TZEPHPlaylistStorageAdapter::CheckAccess(HRESULT& Result) {
  if (!TZEPHCustomObjectAdapter::CheckAccess(Result)) return false;
  GetStorage()->EnsureLoaded();
  return true;
}

template <class F>
HRESULT TZEPHPlaylistStorageAdapter::Guard(F&& Body) {
  HRESULT r = S_OK;
  if (!CheckAccess(r)) return r;
  try {
    return Body(GetStorage());
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHPlaylistStorageAdapter::Add(TZCLStringList* Files, Cardinal Flags, Integer InsertIndex) {
  if (Files->GetCount() == 0) return E_INVALIDARG;
  TZEPHFileManager* manager = GetFileManager();
  std::unique_ptr<TZEPHFileManagerExpandAttributes, TZEPHFreeObject> attributes(
      Create<TZEPHFileManagerExpandAttributes>());
  attributes->Add(String(zfeaRecursive), true);
  attributes->Add(String(zfeaSortChildren), true);
  attributes->Add(String(zfeaCheckExt), (Flags & 0x01) == 0);
  attributes->Add(String(zfeaExpandContainers), (Flags & 0x02) == 0);
  attributes->Add(String(zfeaScanForExts), manager->GetKnownFormats()->GetExtList(zfkmAudio));
  return GetStorage()->AddFilesEx(Files, (Flags & 0x04) ? 0x10 : 0, attributes.get(), InsertIndex, 0) ? S_OK : E_FAIL;
}

HRESULT TZEPHPlaylistStorageAdapter::AddObject(IInterface* Object, Cardinal Flags, Integer InsertIndex) {
  return Guard([&](TZEPHPlaylistStorage*) {
    std::unique_ptr<TZCLStringList, TZEPHFreeObject> files(Create<TZCLStringList>());
    TZEPHPlaylistStorageAdapterHelper::AddItem(files.get(), Flags, Object);
    return Add(files.get(), Flags, InsertIndex);
  });
}

HRESULT TZEPHPlaylistStorageAdapter::AddObjects(IZEPHObjectList* Objects, Cardinal Flags, Integer InsertIndex) {
  return Guard([&](TZEPHPlaylistStorage*) {
    std::unique_ptr<TZCLStringList, TZEPHFreeObject> files(Create<TZCLStringList>());
    TZEPHPlaylistStorageAdapterHelper::AddList(files.get(), Flags, Objects);
    return Add(files.get(), Flags, InsertIndex);
  });
}

HRESULT TZEPHPlaylistStorageAdapter::DeleteItem(IZEPHPlaylistItem* Item) {
  return Guard([&](TZEPHPlaylistStorage* S) {
    TObject* entry = nullptr;
    const HRESULT r = AdapterGetObject(Item, TZEPHPlaylistItem::StaticClass(), entry, false);
    if (!Succeeded(r)) return r;
    if (static_cast<TZEPHPlaylistItem*>(entry)->GetStorage() != S) return E_INVALIDARG;
    S->DeleteEntry(static_cast<TZEPHPlaylistItem*>(entry), false);
    return S_OK;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::DeleteAt(Integer Index) {
  return Guard([&](TZEPHPlaylistStorage* S) {
    if (Index < 0 || Index >= S->GetItems()->GetCount()) return E_INVALIDARG;
    S->DeleteEntry(S->GetItems()->Get(Index), false);
    return S_OK;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::DeleteWhere(Integer Flags, TZEPHPlaylistFilterProc Filter, void* UserData) {
  return Guard([&](TZEPHPlaylistStorage* S) {
    if (Filter == nullptr) return E_INVALIDARG;
    if (Flags == -1) Flags = 1;
    S->DeleteByFilter(
        [&](TZEPHPlaylistItem* E) {
          const IPtr<IZEPHPlaylistItem> item = TZEPHPlaylistAdapters::GetItemAdapter(E);
          return Filter(item.get(), UserData) != 0;
        },
        (Flags & 1) != 0, (Flags & 2) != 0 ? 1 : 0);
    return S_OK;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::Clear() {
  return Guard([&](TZEPHPlaylistStorage* S) {
    S->Clear();
    return S_OK;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::SortBy(Integer Mode) {
  return Guard([&](TZEPHPlaylistStorage* S) {
    switch (Mode) {
      case 1: case 4: S->SortByArtist(); break;
      case 2: S->SortByPath(); break;
      case 3: S->SortByDuration(); break;
      case 5: S->InvertSorting(); break;
      case 6: case 7: case 8: case 9: S->Shuffle(Mode - 6); break;
      default: return E_INVALIDARG;
    }
    return S_OK;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::SortByTemplate(IZEPHString* Template) {
  return Guard([&](TZEPHPlaylistStorage* S) {
    if (Template == nullptr) return E_INVALIDARG;
    S->SortByTemplate(PluginStringText(Template));
    return S_OK;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::SortWith(TZEPHPlaylistCompareProc Compare, void* UserData) {
  return Guard([&](TZEPHPlaylistStorage* S) {
    if (Compare == nullptr) return E_INVALIDARG;
    S->Sort([&](TZEPHPlaylistItem* A, TZEPHPlaylistItem* B) {
      const IPtr<IZEPHPlaylistItem> a = TZEPHPlaylistAdapters::GetItemAdapter(A);
      const IPtr<IZEPHPlaylistItem> b = TZEPHPlaylistAdapters::GetItemAdapter(B);
      return Compare(a.get(), b.get(), UserData);
    });
    return S_OK;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::BeginEdit() {
  return Guard([&](TZEPHPlaylistStorage* S) {
    S->BeginEdit();
    return S_OK;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::EndEdit() {
  return Guard([&](TZEPHPlaylistStorage* S) {
    S->EndEdit();
    return S_OK;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::Close(Integer Flags) {
  return Guard([&](TZEPHPlaylistStorage* S) {
    auto* controller = dynamic_cast<TZEPHPlaylistController*>(S->GetManager());
    if (controller == nullptr) return E_FAIL;
    controller->ClosePlaylist(S, Flags == 1 ? 1 : Flags == 2 ? 2 : 0);
    return S_OK;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::ListFileNames(Integer Flags, IPtr<IZEPHObjectList>& List) {
  List = nullptr;
  return Guard([&](TZEPHPlaylistStorage* S) {
    std::unique_ptr<TZCLStringList, TZEPHFreeObject> names(Create<TZCLStringList>());
    const Byte filter = static_cast<Byte>(((Flags & 1) ? 0x04 : 0) | ((Flags & 2) ? 0x08 : 0) | ((Flags & 4) ? 0x10 : 0));
    S->GetFileList(filter, names.get());
    IPtr<TZEPHObjectListAdapter> list(Create<TZEPHObjectListAdapter>(names->GetCount()));
    for (Integer i = 0; i < names->GetCount(); ++i) list->Add(PluginString(names->GetStrings(i)).get());
    List = list;
    return S_OK;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::MergeGroup(IZEPHPlaylistGroup* Group) {
  return Guard([&](TZEPHPlaylistStorage* S) {
    TObject* group = nullptr;
    const HRESULT r = AdapterGetObject(Group, TZEPHPlaylistGroup::StaticClass(), group, true);
    if (!Succeeded(r)) return r;
    S->MergeGroups(static_cast<TZEPHPlaylistGroup*>(group));
    return S_OK;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::Resynchronize() {
  return Guard([&](TZEPHPlaylistStorage* S) {
    S->SynchronizePreimage();
    return S_OK;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::RescanInfo(Integer Flags) {
  return Guard([&](TZEPHPlaylistStorage* S) {
    if (Flags == -1) Flags = 1;
    if (Flags & 2)
      S->RescanSelected();
    else
      S->StartTagsScan(Flags & 1);
    return S_OK;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::GetItem(Integer Index, const TGUID& IID, void** Obj) {
  return Guard([&](TZEPHPlaylistStorage* S) {
    if (Index < 0 || Index >= S->GetItems()->GetCount()) return E_INVALIDARG;
    return QueryOf(TZEPHPlaylistAdapters::GetItemAdapter(S->GetItems()->Get(Index)), IID, Obj);
  });
}

Integer TZEPHPlaylistStorageAdapter::GetItemCount() {
  HRESULT r = S_OK;
  return CheckAccess(r) ? GetStorage()->GetItems()->GetCount() : 0;
}

HRESULT TZEPHPlaylistStorageAdapter::GetGroup(Integer Index, const TGUID& IID, void** Obj) {
  return Guard([&](TZEPHPlaylistStorage* S) {
    if (Index < 0 || Index >= S->GetGroups()->GetCount()) return E_INVALIDARG;
    return QueryOf(TZEPHPlaylistAdapters::GetGroupAdapter(S->GetGroups()->Get(Index)), IID, Obj);
  });
}

Integer TZEPHPlaylistStorageAdapter::GetGroupCount() {
  HRESULT r = S_OK;
  return CheckAccess(r) ? GetStorage()->GetGroups()->GetCount() : 0;
}

HRESULT TZEPHPlaylistStorageAdapter::AddListener(IZEPHPlaylistListener* Listener) {
  return Guard([&](TZEPHPlaylistStorage* S) {
    if (FListeners->Count() == 0)
      S->GetListeners()->Add(IPtr<IInterface>(static_cast<IZEPHPlaylistStorageChangeListener*>(this)));
    FListeners->Add(IPtr<IInterface>(Listener));
    return S_OK;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::RemoveListener(IZEPHPlaylistListener* Listener) {
  return Guard([&](TZEPHPlaylistStorage* S) {
    FListeners->Remove(IPtr<IInterface>(Listener));
    if (FListeners->Count() == 0)
      S->GetListeners()->Remove(IPtr<IInterface>(static_cast<IZEPHPlaylistStorageChangeListener*>(this)));
    return S_OK;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::GetCustomValue(IZEPHString* Name, IPtr<IZEPHString>& Value) {
  Value = nullptr;
  return Guard([&](TZEPHPlaylistStorage* S) {
    const String prefix = PluginStringText(Name) + u"=";
    const std::vector<String>& values = S->GetCustomValues();
    for (auto it = values.rbegin(); it != values.rend(); ++it)
      if (StartsText(prefix, *it)) {
        Value = IPtr<IZEPHString>(Create<TZEPHStringAdapter>(zcDecodeLineBreaks(it->substr(prefix.size()))));
        return S_OK;
      }
    return E_FAIL;
  });
}

HRESULT TZEPHPlaylistStorageAdapter::SetCustomValue(IZEPHString* Name, IZEPHString* Value) {
  return Guard([&](TZEPHPlaylistStorage* S) {
    const String prefix = PluginStringText(Name) + u"=";
    std::vector<String>& values = S->GetCustomValues();
    for (auto it = values.rbegin(); it != values.rend(); ++it)
      if (StartsText(prefix, *it)) {
        if (Value != nullptr)
          *it = prefix + zcEncodeLineBreaks(PluginStringText(Value));
        else
          values.erase(std::next(it).base());
        S->SetModified(true);
        break;
      }
    return S_OK;
  });
}

namespace {
template <class I, class F>
void Notify(TZCLListenerList* Listeners, F&& Call) {
  Listeners->Enum<I>([&](const IPtr<I>& L) { Call(L.get()); });
}
}  // namespace

void TZEPHPlaylistStorageAdapter::Activated(TZEPHPlaylistStorage* Storage) {
  if (Storage != GetStorage()) return;
  Notify<IZEPHPlaylistListener>(FListeners, [&](IZEPHPlaylistListener* L) { L->Activated(this); });
}

void TZEPHPlaylistStorageAdapter::Changed(TZEPHPlaylistStorage* Storage, Word Flags, void*) {
  if (Storage != GetStorage()) return;
  const Cardinal flags = MapChangeFlags(Flags);
  if (flags == 0) return;
  Notify<IZEPHPlaylistListener>(FListeners, [&](IZEPHPlaylistListener* L) { L->Changed(this, flags); });
}

void TZEPHPlaylistStorageAdapter::Removing(TZEPHPlaylistStorage* Storage) {
  if (Storage != GetStorage()) return;
  Notify<IZEPHPlaylistListener>(FListeners, [&](IZEPHPlaylistListener* L) { L->Removed(this); });
}

void TZEPHPlaylistStorageAdapter::ScanningBegins(TZEPHPlaylistStorage* Storage) {
  if (Storage != GetStorage()) return;
  Notify<IZEPHPlaylistListener2>(FListeners, [&](IZEPHPlaylistListener2* L) { L->ScanningBegin(this); });
}

void TZEPHPlaylistStorageAdapter::ScanningProgress(TZEPHPlaylistStorage* Storage) {
  if (Storage != GetStorage()) return;
  const Double progress = Storage->GetScanningProgress();
  Notify<IZEPHPlaylistListener2>(FListeners, [&](IZEPHPlaylistListener2* L) { L->ScanningProgress(this, progress); });
}

void TZEPHPlaylistStorageAdapter::ScanningEnd(TZEPHPlaylistStorage* Storage, bool HasChanges, bool Canceled) {
  if (Storage != GetStorage()) return;
  Notify<IZEPHPlaylistListener2>(FListeners, [&](IZEPHPlaylistListener2* L) {
    L->ScanningEnd(this, HasChanges ? -1 : 0, Canceled ? -1 : 0);
  });
}

void TZEPHPlaylistStorageAdapter::DoGetValueAsFloat(Integer PropertyID, Double& Value, HRESULT& Result) {
  TZEPHPlaylistStorage* s = GetStorage();
  if (PropertyID == 54) {
    TZEPHPlaylistSummary summary;
    s->GetFileSummary(summary);
    Value = summary.ContentDuration / 1000.0;
  } else if (PropertyID == 55) {
    Value = s->GetStatistics().Remaining.Duration / 1000.0;
  } else {
    Result = E_INVALIDARG;
  }
}

void TZEPHPlaylistStorageAdapter::DoGetValueAsInt64(Integer PropertyID, Int64& Value, HRESULT& Result) {
  if (PropertyID == 53) {
    TZEPHPlaylistSummary summary;
    GetStorage()->GetFileSummary(summary);
    Value = summary.ContentSize;
  } else {
    Result = E_INVALIDARG;
  }
}

namespace {
struct TFlagProperty {
  Integer ID;
  Cardinal Flag;
  // 0 grouping flag, 1 view flag, 2 own flag inverted
  int Kind;
};
constexpr TFlagProperty kFlagProperties[] = {
    {10, 0x2, 0},  {11, 0x80, 2},  {13, 0x800, 0}, {20, 0x40, 2}, {30, 0x100, 2}, {31, 0x4, 1},
    {32, 0x200, 1}, {33, 0x400, 1}, {34, 0x8, 1},  {35, 0x1, 1},  {36, 0x20, 1},  {37, 0x10, 1},
};
}  // namespace

void TZEPHPlaylistStorageAdapter::DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) {
  TZEPHPlaylistStorage* s = GetStorage();
  TZEPHPlaylistSettings* settings = s->GetSettings();
  for (const TFlagProperty& p : kFlagProperties)
    if (p.ID == PropertyID) {
      const bool on = p.Kind == 0   ? settings->GetGroupingFlag(p.Flag)
                      : p.Kind == 1 ? settings->GetViewFlag(p.Flag)
                                    : !settings->HasFlag(p.Flag);
      Value = on ? 1 : 0;
      return;
    }
  switch (PropertyID) {
    case 2: Value = s->CanEdit() ? 0 : 1; break;
    case 50: {
      TZEPHPlaylistItem* focused = s->GetFocusedEntry();
      Value = focused != nullptr ? focused->GetIndex() : -1;
      break;
    }
    case 51: Value = s->GetPlaybackCursor(); break;
    case 52: Value = s->GetPlaybackCursorIndex(); break;
    default: Result = E_INVALIDARG;
  }
}

void TZEPHPlaylistStorageAdapter::DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) {
  TZEPHPlaylistStorage* s = GetStorage();
  for (const TFlagProperty& p : kFlagProperties)
    if (p.ID == PropertyID) {
      s->GetSettings()->SetFlag(p.Flag, p.Kind == 2 ? Value == 0 : Value != 0);
      return;
    }
  switch (PropertyID) {
    case 2: s->SetReadOnly(Value != 0); break;
    case 50:
      if (Value >= 0 && Value < s->GetItems()->GetCount())
        s->SetFocusedObject(s->GetItems()->Get(Value));
      else
        Result = E_INVALIDARG;
      break;
    case 51: s->SetPlaybackCursor(Value); break;
    case 52: s->SetPlaybackCursorIndex(Value); break;
    default: Result = E_INVALIDARG;
  }
}

IPtr<IInterface> TZEPHPlaylistStorageAdapter::DoGetValueAsObject(Integer PropertyID) {
  TZEPHPlaylistStorage* s = GetStorage();
  switch (PropertyID) {
    case 1: return PluginString(s->GetName());
    case 3: {
      const TZEPHPlaylistFocusInfo focus = s->GetFocusInfo();
      if (focus.Group != nullptr) return TZEPHPlaylistAdapters::GetGroupAdapter(focus.Group);
      return TZEPHPlaylistAdapters::GetItemAdapter(focus.Entry);
    }
    case 4: return PluginString(s->GetID());
    case 5: return PluginString(s->GetRemark());
    case 12: return PluginString(s->GetSettings()->GetGroupFormatLine());
    case 21: return PluginString(s->GetSettings()->GetFormatMainLine());
    case 22: return PluginString(s->GetSettings()->GetFormatSecondLine());
    case 60: return TZEPHPlaylistAdapters::GetPreimageAdapter(s->GetPreimage());
    default: return TZEPHCustomObjectAdapter::DoGetValueAsObject(PropertyID);
  }
}

void TZEPHPlaylistStorageAdapter::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  TZEPHPlaylistStorage* s = GetStorage();
  String text;
  const auto setText = [&](auto&& Setter) {
    if (StringOf(Value, text))
      Setter(text);
    else
      Result = E_INVALIDARG;
  };
  switch (PropertyID) {
    case 1: setText([&](const String& T) { s->SetName(T); }); break;
    case 5: setText([&](const String& T) { s->SetRemark(T); }); break;
    case 12: setText([&](const String& T) { s->GetSettings()->SetGroupFormatLine(T); }); break;
    case 21: setText([&](const String& T) { s->GetSettings()->SetFormatMainLine(T); }); break;
    case 22: setText([&](const String& T) { s->GetSettings()->SetFormatSecondLine(T); }); break;
    case 3: {
      TObject* object = nullptr;
      Result = AdapterGetObject(Value, TObject::StaticClass(), object, false);
      if (!Succeeded(Result)) break;
      if (dynamic_cast<TZEPHPlaylistItem*>(object) != nullptr || dynamic_cast<TZEPHPlaylistGroup*>(object) != nullptr)
        s->SetFocusedObject(object);
      else
        Result = E_INVALIDARG;
      break;
    }
    case 60: {
      IPtr<IZEPHPlaylistPreimage> preimage;
      IPtr<IZEPHCoreClassAdapter> own;
      if (Value == nullptr) {
        s->SetPreimage(nullptr);
      } else if (Supports(Value, preimage) && Supports(Value, own)) {
        TObject* object = nullptr;
        Result = AdapterGetObject(Value, TZEPHPlaylistCustomPreimage::StaticClass(), object, false);
        if (Succeeded(Result)) {
          TZEPHPlaylistCustomPreimage* copy = static_cast<TZEPHPlaylistCustomPreimage*>(object)->Clone();
          if (copy != nullptr) s->SetPreimage(copy);
        } else if (Result == E_INVALIDARG) {
          Result = E_UNEXPECTED;
        }
      } else if (preimage != nullptr) {
        // An unknown factory raises in the wrapper: the property list answers E_UNEXPECTED.
        s->SetPreimage(new TZEPHPlaylistPluginBasedPreimage(preimage.get()));
      } else if (StringOf(Value, text)) {
        s->SetPreimageFolder(text);
      } else {
        Result = E_INVALIDARG;
      }
      break;
    }
    default: Result = E_INVALIDARG;
  }
}

// ---------------------------------------------------------------------------------------------

IPtr<IZEPHPlaylistGroup> TZEPHPlaylistAdapters::GetGroupAdapter(TZEPHPlaylistGroup* Group) {
  void* obj = nullptr;
  if (Group == nullptr || !Succeeded(TZEPHCoreAdaptersMap::QueryAdapter(Group, IZEPHPlaylistGroup::IID, &obj)))
    return nullptr;
  return IPtr<IZEPHPlaylistGroup>::Adopt(static_cast<IZEPHPlaylistGroup*>(obj));
}

IPtr<IZEPHPlaylistItem> TZEPHPlaylistAdapters::GetItemAdapter(TZEPHPlaylistItem* Entry) {
  void* obj = nullptr;
  if (Entry == nullptr || !Succeeded(TZEPHCoreAdaptersMap::QueryAdapter(Entry, IZEPHPlaylistItem::IID, &obj)))
    return nullptr;
  return IPtr<IZEPHPlaylistItem>::Adopt(static_cast<IZEPHPlaylistItem*>(obj));
}

IPtr<IZEPHPlaylistPreimage> TZEPHPlaylistAdapters::GetPreimageAdapter(TZEPHPlaylistStorageAbstractPreimage* Preimage) {
  if (Preimage == nullptr) return nullptr;
  if (auto* plugin = dynamic_cast<TZEPHPlaylistPluginBasedPreimage*>(Preimage)) return plugin->GetPlugin();
  IPtr<IInterface> adapter;
  TZEPHCoreAdaptersMap::GetAdapter(adapter, Preimage, soReference);
  IPtr<IZEPHPlaylistPreimage> r;
  Supports(adapter, r);
  return r;
}

IPtr<IZEPHPlaylist> TZEPHPlaylistAdapters::GetPlaylistAdapter(TZEPHPlaylistStorage* Storage) {
  void* obj = nullptr;
  if (Storage == nullptr || !Succeeded(TZEPHCoreAdaptersMap::QueryAdapter(Storage, IZEPHPlaylist::IID, &obj)))
    return nullptr;
  return IPtr<IZEPHPlaylist>::Adopt(static_cast<IZEPHPlaylist*>(obj));
}

namespace {
template <class A>
TZEPHCoreAdapterCreateProc Creator() {
  return [](TObject* Object, TStreamOwnership Ownership) -> IPtr<IInterface> {
    return IPtr<IZEPHPropertyList>(Create<A>(Object, Ownership));
  };
}
}  // namespace

void detail::PlaylistAdaptersInitialization() {
  TZEPHCoreAdaptersMap::Register(TZEPHPlaylistGroup::StaticClass(), Creator<TZEPHPlaylistGroupAdapter>());
  TZEPHCoreAdaptersMap::Register(TZEPHPlaylistItem::StaticClass(), Creator<TZEPHPlaylistItemAdapter>());
  TZEPHCoreAdaptersMap::Register(TZEPHPlaylistStorage::StaticClass(), Creator<TZEPHPlaylistStorageAdapter>());
  TZEPHCoreAdaptersMap::Register(TZEPHPlaylistFoldersPreimage::StaticClass(),
                                 Creator<TZEPHPlaylistPreimageFoldersAdapter>());
  TZEPHCoreAdaptersMap::Register(TZEPHPlaylistBasedPreimage::StaticClass(),
                                 Creator<TZEPHPlaylistBasedPreimageAdapter>());
}
