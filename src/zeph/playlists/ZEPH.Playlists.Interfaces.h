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
