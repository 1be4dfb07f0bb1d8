#pragma once
// What plugins see of playlists: adapters of playlists, entries, groups and preimages over the
// program's objects, found through the core's adapter map.

#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/playlists/ZEPH.Playlists.Interfaces.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.h"

class TZCLListenerList;
class TZEPHPlaylistCustomPreimage;

class TZEPHPlaylistItemAdapter : public TZEPHCustomObjectAdapter, public IZEPHPlaylistItemInternal {
  ZCL_CLASS(TZEPHPlaylistItemAdapter, TZEPHCustomObjectAdapter)
  RTL_INTERFACES(TZEPHCustomObjectAdapter, IZEPHPlaylistItemInternal)
 public:
  using TZEPHCustomObjectAdapter::TZEPHCustomObjectAdapter;
  HRESULT ReloadInfo() override;
  TZEPHPlaylistItem* GetItemObject() override { return static_cast<TZEPHPlaylistItem*>(FObject); }

 protected:
  void DoGetValueAsFloat(Integer PropertyID, Double& Value, HRESULT& Result) override;
  void DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) override;
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoSetValueAsFloat(Integer PropertyID, Double Value, HRESULT& Result) override;
  void DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;
};

class TZEPHPlaylistGroupAdapter : public TZEPHCustomObjectAdapter, public IZEPHPlaylistGroup {
  ZCL_CLASS(TZEPHPlaylistGroupAdapter, TZEPHCustomObjectAdapter)
  RTL_INTERFACES(TZEPHCustomObjectAdapter, IZEPHPlaylistGroup)
 public:
  using TZEPHCustomObjectAdapter::TZEPHCustomObjectAdapter;
  HRESULT GetItem(Integer Index, const TGUID& IID, void** Obj) override;
  Integer GetItemCount() override;

 protected:
  void DoGetValueAsFloat(Integer PropertyID, Double& Value, HRESULT& Result) override;
  void DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) override;
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) override;
};

// The program's preimages seen by a plugin: they report no changes to plugin listeners.
class TZEPHPlaylistPreimageAdapter : public TZEPHCustomObjectAdapter, public virtual IZEPHPlaylistPreimage {
  ZCL_CLASS(TZEPHPlaylistPreimageAdapter, TZEPHCustomObjectAdapter)
  RTL_INTERFACES(TZEPHCustomObjectAdapter, IZEPHPlaylistPreimage)
 public:
  using TZEPHCustomObjectAdapter::TZEPHCustomObjectAdapter;
  TZEPHPlaylistCustomPreimage* GetPreimage() const;
  HRESULT Done() override { return S_OK; }
  HRESULT Attach(IZEPHPlaylistPreimageListener*) override { return S_OK; }
  HRESULT LoadConfig(IZEPHStream* Stream) override;
  HRESULT SaveConfig(IZEPHStream* Stream) override;
  HRESULT ShowDialog(void* OwnerWindow) override;

 protected:
  void DoBeginUpdate() override;
  void DoEndUpdate() override;
  HRESULT DoReset() override;
  void DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) override;
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;
};

class TZEPHPlaylistPreimageFoldersAdapter : public TZEPHPlaylistPreimageAdapter, public IZEPHPlaylistPreimageFolders {
  ZCL_CLASS(TZEPHPlaylistPreimageFoldersAdapter, TZEPHPlaylistPreimageAdapter)
  RTL_INTERFACES(TZEPHPlaylistPreimageAdapter, IZEPHPlaylistPreimageFolders)
 public:
  using TZEPHPlaylistPreimageAdapter::TZEPHPlaylistPreimageAdapter;
  HRESULT AddFolder(IZEPHString* Path, Integer Recursive) override;
  HRESULT DeleteFolder(Integer Index) override;
  HRESULT DeleteAllFolders() override;
  HRESULT GetFolder(Integer Index, IPtr<IZEPHString>& Path, Integer& Recursive) override;
  Integer GetFolderCount() override;

 protected:
  HRESULT DoReset() override;
  void DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) override;
  void DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) override;
};

class TZEPHPlaylistBasedPreimageAdapter : public TZEPHPlaylistPreimageAdapter {
  ZCL_CLASS(TZEPHPlaylistBasedPreimageAdapter, TZEPHPlaylistPreimageAdapter)
 public:
  using TZEPHPlaylistPreimageAdapter::TZEPHPlaylistPreimageAdapter;

 protected:
  // Keeps AutoSyncOnChanges as it is.
  HRESULT DoReset() override;
  void DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) override;
  void DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) override;
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;
};

class TZEPHPlaylistStorageAdapter : public TZEPHCustomObjectAdapter,
                                    public IZEPHPlaylist,
                                    public IZEPHPlaylistProperties,
                                    public IZEPHPlaylistStorageActivateListener,
                                    public IZEPHPlaylistStorageChangeListener,
                                    public IZEPHPlaylistStorageRemoveListener,
                                    public IZEPHPlaylistStorageScanningListener {
  ZCL_CLASS(TZEPHPlaylistStorageAdapter, TZEPHCustomObjectAdapter)
  RTL_INTERFACES(TZEPHCustomObjectAdapter, IZEPHPlaylist, IZEPHPlaylistProperties,
                 IZEPHPlaylistStorageActivateListener, IZEPHPlaylistStorageChangeListener,
                 IZEPHPlaylistStorageRemoveListener, IZEPHPlaylistStorageScanningListener)
 public:
  explicit TZEPHPlaylistStorageAdapter(TObject* AObject = nullptr, TStreamOwnership AOwnership = soReference);
  ~TZEPHPlaylistStorageAdapter() override;
  TZEPHPlaylistStorage* GetStorage() const { return static_cast<TZEPHPlaylistStorage*>(FObject); }
  // The plugin flags of the storage's change flags; 0 sends nothing.
  static Cardinal MapChangeFlags(Word Flags);

  HRESULT AddObject(IInterface* Object, Cardinal Flags, Integer InsertIndex) override;
  HRESULT AddObjects(IZEPHObjectList* Objects, Cardinal Flags, Integer InsertIndex) override;
  HRESULT DeleteItem(IZEPHPlaylistItem* Item) override;
  HRESULT DeleteAt(Integer Index) override;
  HRESULT DeleteWhere(Integer Flags, TZEPHPlaylistFilterProc Filter, void* UserData) override;
  HRESULT Clear() override;
  HRESULT SortBy(Integer Mode) override;
  HRESULT SortByTemplate(IZEPHString* Template) override;
  HRESULT SortWith(TZEPHPlaylistCompareProc Compare, void* UserData) override;
  HRESULT BeginEdit() override;
  HRESULT EndEdit() override;
  HRESULT Close(Integer Flags) override;
  HRESULT ListFileNames(Integer Flags, IPtr<IZEPHObjectList>& List) override;
  HRESULT MergeGroup(IZEPHPlaylistGroup* Group) override;
  HRESULT Resynchronize() override;
  HRESULT RescanInfo(Integer Flags) override;
  HRESULT GetItem(Integer Index, const TGUID& IID, void** Obj) override;
  Integer GetItemCount() override;
  HRESULT GetGroup(Integer Index, const TGUID& IID, void** Obj) override;
  Integer GetGroupCount() override;
  HRESULT AddListener(IZEPHPlaylistListener* Listener) override;
  HRESULT RemoveListener(IZEPHPlaylistListener* Listener) override;
  // The property list's, reached through either base.
  HRESULT GetValueAsVariant(Integer PropertyID, Variant& Value) override {
    return TZEPHCustomObjectAdapter::GetValueAsVariant(PropertyID, Value);
  }
  HRESULT SetValueAsVariant(Integer PropertyID, const Variant& Value) override {
    return TZEPHCustomObjectAdapter::SetValueAsVariant(PropertyID, Value);
  }
  HRESULT GetCustomValue(IZEPHString* Name, IPtr<IZEPHString>& Value) override;
  HRESULT SetCustomValue(IZEPHString* Name, IZEPHString* Value) override;

  void Activated(TZEPHPlaylistStorage* Storage) override;
  void Changed(TZEPHPlaylistStorage* Storage, Word Flags, void* Reserved) override;
  void Removing(TZEPHPlaylistStorage* Storage) override;
  void ScanningBegins(TZEPHPlaylistStorage* Storage) override;
  void ScanningProgress(TZEPHPlaylistStorage* Storage) override;
  void ScanningEnd(TZEPHPlaylistStorage* Storage, bool HasChanges, bool Canceled) override;

 protected:
  // The base's check, then the playlist is loaded.
  bool CheckAccess(HRESULT& Result) override;
  void DoGetValueAsFloat(Integer PropertyID, Double& Value, HRESULT& Result) override;
  void DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) override;
  void DoGetValueAsInt64(Integer PropertyID, Int64& Value, HRESULT& Result) override;
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoSetValueAsInt32(Integer PropertyID, Integer Value, HRESULT& Result) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;

 private:
  template <class F>
  HRESULT Guard(F&& Body);
  HRESULT Add(TZCLStringList* Files, Cardinal Flags, Integer InsertIndex);
  TZCLListenerList* FListeners;
};

// The adapters of program objects, as plugins are given them.
class TZEPHPlaylistAdapters {
 public:
  TZEPHPlaylistAdapters() = delete;
  static IPtr<IZEPHPlaylistGroup> GetGroupAdapter(TZEPHPlaylistGroup* Group);
  static IPtr<IZEPHPlaylistItem> GetItemAdapter(TZEPHPlaylistItem* Entry);
  // A plugin-based preimage answers its plugin's own object.
  static IPtr<IZEPHPlaylistPreimage> GetPreimageAdapter(TZEPHPlaylistStorageAbstractPreimage* Preimage);
  static IPtr<IZEPHPlaylist> GetPlaylistAdapter(TZEPHPlaylistStorage* Storage);
};

namespace detail {
void PlaylistAdaptersInitialization();
}  // namespace detail
