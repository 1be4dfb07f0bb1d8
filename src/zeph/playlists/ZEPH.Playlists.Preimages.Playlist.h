#pragma once
// The playlist-based preimage: a playlist mirroring another playlist, a file on disk (which can be
// watched) or an internet address.

#include "zeph/playlists/ZEPH.Playlists.Preimages.h"

class TZEPHPlaylistBasedPreimage : public TZEPHPlaylistCustomAutoSyncPreimage {
  ZCL_CLASS(TZEPHPlaylistBasedPreimage, TZEPHPlaylistCustomAutoSyncPreimage)
 public:
  explicit TZEPHPlaylistBasedPreimage(TZEPHPlaylistPreimageFactory* AFactory);
  ~TZEPHPlaylistBasedPreimage() override;
  bool IsEmpty() override { return FURI.empty(); }
  // The source's order wins over the user's.
  bool OverridesUserOrder() override { return true; }
  bool HasDialog() override { return true; }
  // Confirmed changes only; Cancel leaves every setting as it was.
  bool ExecuteDialog(void* OwnerWindow) override;
  TZEPHPlaylistCustomPreimageTask* CreateTask() override;
  // A file name or an address; assigned as it is (the watcher follows at the next StorageChanged).
  const String& GetURI() const { return FURI; }
  void SetURI(const String& Value) { FURI = Value; }

 protected:
  // None for an address: only files are watched.
  IPtr<IZCLFileSystemWatcherTask> CreateWatcher() override;
  void AssignSource(TZEPHPlaylistCustomPreimage* Source) override;
  void LoadSourceFromNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context) override;
  void SaveToNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context) override;

 private:
  String FURI;
};

class TZEPHPlaylistBasedPreimageFactory : public TZEPHPlaylistPreimageFactory {
  ZCL_CLASS(TZEPHPlaylistBasedPreimageFactory, TZEPHPlaylistPreimageFactory)
 public:
  TZEPHPlaylistCustomPreimage* CreatePreimage() override;
  String GetID() override { return u"TZEPHPlaylistBasedPreimage"; }
  String GetName() override;
};

namespace detail {
void PlaylistPreimagesPlaylistInitialization();
}  // namespace detail
