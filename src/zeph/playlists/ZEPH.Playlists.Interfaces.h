#pragma once
// Plugin-facing interfaces of the playlists: what a plugin implements to give a playlist a
// preimage of its own making.

#include "zeph/core/ZEPH.Core.Interfaces.h"

struct IZEPHPlaylistPreimageListener : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylistPreimageListener, IInterface, "{4C1E7A90-2B6D-4F38-9E05-7A3D1C8B6F21}")
  // The source's content changed.
  virtual HRESULT ContentChanged() = 0;
  // The preimage's settings changed.
  virtual HRESULT ConfigChanged() = 0;
};

// Properties: 1 string, the ID of the factory the plugin registered; 2 Int32, non-zero when the
// preimage synchronises by itself; 3 Int32, non-zero when it has a settings dialog; 4 string, the
// sorting template applied after a synchronisation.
struct IZEPHPlaylistPreimage : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHPlaylistPreimage, IZEPHPropertyList, "{4C1E7A90-2B6D-4F38-9E05-7A3D1C8B6F22}")
  // The plugin releases what it holds.
  virtual HRESULT Done() = 0;
  virtual HRESULT Attach(IZEPHPlaylistPreimageListener* Listener) = 0;
  virtual HRESULT LoadConfig(IZEPHStream* Stream) = 0;
  virtual HRESULT SaveConfig(IZEPHStream* Stream) = 0;
  virtual HRESULT ShowDialog(void* OwnerWindow) = 0;
};

// Flag bits of ListFiles.
constexpr Cardinal zppfNoExtensionCheck = 0x01;
constexpr Cardinal zppfNoContainerSplit = 0x02;
// The list holds file-information objects; otherwise plugin strings (files or folders).
constexpr Cardinal zppfFileInfos = 0x08;

// Optional on a plugin preimage: the files it gathers when the playlist synchronises.
struct IZEPHPlaylistPreimageFilesSource : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylistPreimageFilesSource, IInterface, "{4C1E7A90-2B6D-4F38-9E05-7A3D1C8B6F23}")
  // Called on a pool thread; the plugin polls Owner->IsCanceled while it lists.
  virtual HRESULT ListFiles(IZEPHTaskOwner* Owner, Cardinal& Flags, IPtr<IZEPHObjectList>& List) = 0;
};

// ---- what plugins see of playlists ----------------------------------------------------------

struct IZEPHPlaylist;
struct IZEPHPlaylistGroup;

struct IZEPHPlaylistItem : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHPlaylistItem, IZEPHPropertyList, "{4C1E7A90-2B6D-4F38-9E05-7A3D1C8B6F30}")
  // Reads the file's information again; E_FAIL leaves the entry as it was.
  virtual HRESULT ReloadInfo() = 0;
};

class TZEPHPlaylistItem;
struct IZEPHPlaylistItemInternal : virtual IZEPHPlaylistItem {
  RTL_INTERFACE(IZEPHPlaylistItemInternal, IZEPHPlaylistItem, "{5AE0169F-0729-4922-8BCD-062574E17AD5}")
  virtual TZEPHPlaylistItem* GetItemObject() = 0;
};

// The item the player starts: a property list with no methods of its own.
struct IZEPHPlaybackQueueItem : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHPlaybackQueueItem, IZEPHPropertyList, "{4C1E7A90-2B6D-4F38-9E05-7A3D1C8B6F37}")
};

struct IZEPHPlaylistGroup : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHPlaylistGroup, IZEPHPropertyList, "{4C1E7A90-2B6D-4F38-9E05-7A3D1C8B6F31}")
  virtual HRESULT GetItem(Integer Index, const TGUID& IID, void** Obj) = 0;
  // 0 when the call is refused.
  virtual Integer GetItemCount() = 0;
};

struct IZEPHPlaylistPreimageFolders : virtual IZEPHPlaylistPreimage {
  RTL_INTERFACE(IZEPHPlaylistPreimageFolders, IZEPHPlaylistPreimage, "{4C1E7A90-2B6D-4F38-9E05-7A3D1C8B6F32}")
  virtual HRESULT AddFolder(IZEPHString* Path, Integer Recursive) = 0;
  virtual HRESULT DeleteFolder(Integer Index) = 0;
  virtual HRESULT DeleteAllFolders() = 0;
  virtual HRESULT GetFolder(Integer Index, IPtr<IZEPHString>& Path, Integer& Recursive) = 0;
  // -1 when the call is refused.
  virtual Integer GetFolderCount() = 0;
};

// Booleans reach listeners as -1 or 0.
struct IZEPHPlaylistListener : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylistListener, IInterface, "{4C1E7A90-2B6D-4F38-9E05-7A3D1C8B6F33}")
  virtual void Activated(IZEPHPlaylist* Playlist) = 0;
  virtual void Changed(IZEPHPlaylist* Playlist, Cardinal Flags) = 0;
  virtual void Removed(IZEPHPlaylist* Playlist) = 0;
};

struct IZEPHPlaylistListener2 : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylistListener2, IInterface, "{4C1E7A90-2B6D-4F38-9E05-7A3D1C8B6F34}")
  virtual void ScanningBegin(IZEPHPlaylist* Playlist) = 0;
  virtual void ScanningProgress(IZEPHPlaylist* Playlist, Double Progress) = 0;
  virtual void ScanningEnd(IZEPHPlaylist* Playlist, LongBool HasChanges, LongBool Canceled) = 0;
};

using TZEPHPlaylistFilterProc = Integer (*)(IZEPHPlaylistItem* Item, void* UserData);
using TZEPHPlaylistCompareProc = Integer (*)(IZEPHPlaylistItem* A, IZEPHPlaylistItem* B, void* UserData);

struct IZEPHPlaylist : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylist, IInterface, "{4C1E7A90-2B6D-4F38-9E05-7A3D1C8B6F35}")
  virtual HRESULT AddObject(IInterface* Object, Cardinal Flags, Integer InsertIndex) = 0;
  virtual HRESULT AddObjects(IZEPHObjectList* Objects, Cardinal Flags, Integer InsertIndex) = 0;
  virtual HRESULT DeleteItem(IZEPHPlaylistItem* Item) = 0;
  virtual HRESULT DeleteAt(Integer Index) = 0;
  virtual HRESULT DeleteWhere(Integer Flags, TZEPHPlaylistFilterProc Filter, void* UserData) = 0;
  virtual HRESULT Clear() = 0;
  virtual HRESULT SortBy(Integer Mode) = 0;
  virtual HRESULT SortByTemplate(IZEPHString* Template) = 0;
  virtual HRESULT SortWith(TZEPHPlaylistCompareProc Compare, void* UserData) = 0;
  // The playlist's edit bracket (named apart from the property list's update bracket, which the
  // same object carries).
  virtual HRESULT BeginEdit() = 0;
  virtual HRESULT EndEdit() = 0;
  virtual HRESULT Close(Integer Flags) = 0;
  virtual HRESULT ListFileNames(Integer Flags, IPtr<IZEPHObjectList>& List) = 0;
  virtual HRESULT MergeGroup(IZEPHPlaylistGroup* Group) = 0;
  virtual HRESULT Resynchronize() = 0;
  virtual HRESULT RescanInfo(Integer Flags) = 0;
  virtual HRESULT GetItem(Integer Index, const TGUID& IID, void** Obj) = 0;
  virtual Integer GetItemCount() = 0;
  virtual HRESULT GetGroup(Integer Index, const TGUID& IID, void** Obj) = 0;
  virtual Integer GetGroupCount() = 0;
  virtual HRESULT AddListener(IZEPHPlaylistListener* Listener) = 0;
  virtual HRESULT RemoveListener(IZEPHPlaylistListener* Listener) = 0;
};

struct IZEPHPlaylistProperties : virtual IZEPHPropertyList2 {
  RTL_INTERFACE(IZEPHPlaylistProperties, IZEPHPropertyList2, "{4C1E7A90-2B6D-4F38-9E05-7A3D1C8B6F36}")
  // E_FAIL for a name never stored.
  virtual HRESULT GetCustomValue(IZEPHString* Name, IPtr<IZEPHString>& Value) = 0;
  // Changes or (Value null) deletes an existing value; a new name changes nothing.
  virtual HRESULT SetCustomValue(IZEPHString* Name, IZEPHString* Value) = 0;
};
