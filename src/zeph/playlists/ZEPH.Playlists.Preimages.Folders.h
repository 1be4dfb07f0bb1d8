#pragma once
// The folders preimage: a playlist filled with the media files of chosen folders, each with or
// without its subfolders, leaving out excluded extensions; it may watch the folders.

#include "zeph/playlists/ZEPH.Playlists.Preimages.h"

class TZCLSearchPaths;

class TZEPHPlaylistFoldersPreimage : public TZEPHPlaylistCustomAutoSyncPreimage {
  ZCL_CLASS(TZEPHPlaylistFoldersPreimage, TZEPHPlaylistCustomAutoSyncPreimage)
 public:
  explicit TZEPHPlaylistFoldersPreimage(TZEPHPlaylistPreimageFactory* AFactory);
  ~TZEPHPlaylistFoldersPreimage() override;
  bool IsEmpty() override;
  bool HasDialog() override { return true; }
  // Confirmed changes only; Cancel leaves every setting as it was.
  bool ExecuteDialog(void* OwnerWindow) override;
  TZEPHPlaylistCustomPreimageTask* CreateTask() override;
  TZCLSearchPaths* GetPaths() const { return FPaths; }
  const String& GetIgnoredExts() const { return FIgnoredExts; }
  void SetIgnoredExts(const String& Value);

 protected:
  IPtr<IZCLFileSystemWatcherTask> CreateWatcher() override;
  void AssignSource(TZEPHPlaylistCustomPreimage* Source) override;
  void LoadSourceFromNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context) override;
  void SaveToNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context) override;

 private:
  void PathsChanged(TZCLSearchPaths* Sender);
  String FIgnoredExts;
  TZCLSearchPaths* FPaths;
};

class TZEPHPlaylistFoldersPreimageFactory : public TZEPHPlaylistPreimageFactory {
  ZCL_CLASS(TZEPHPlaylistFoldersPreimageFactory, TZEPHPlaylistPreimageFactory)
 public:
  TZEPHPlaylistCustomPreimage* CreatePreimage() override { return new TZEPHPlaylistFoldersPreimage(this); }
  String GetID() override { return u"TZEPHPlaylistFoldersPreimage"; }
  String GetName() override;
};

namespace detail {
void PlaylistPreimagesFoldersInitialization();
}  // namespace detail
