#pragma once
// A preimage made by a plugin: the program keeps the plugin's settings inside the playlist file,
// forwards its change signals, shows its dialog and gathers the files it lists.

#include "zeph/playlists/ZEPH.Playlists.Interfaces.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.h"

class TZCLStringList;

class TZEPHPlaylistPluginBasedPreimage : public TZEPHPlaylistCustomPreimage, public IZEPHPlaylistPreimageListener {
  ZCL_CLASS(TZEPHPlaylistPluginBasedPreimage, TZEPHPlaylistCustomPreimage)
  RTL_INTERFACES(TZEPHPlaylistCustomPreimage, IZEPHPlaylistPreimageListener)
 public:
  // Raises "Factory with "<ID>" ID was not found" when no factory has the plugin's ID.
  explicit TZEPHPlaylistPluginBasedPreimage(IZEPHPlaylistPreimage* PluginObject);
  ~TZEPHPlaylistPluginBasedPreimage() override;

  bool IsEmpty() override { return FPlugin == nullptr; }
  bool IsAutoSync() override;
  bool HasDialog() override;
  bool ExecuteDialog(void* OwnerWindow) override;
  TZEPHPlaylistCustomPreimageTask* CreateTask() override;
  // The plugin object goes with its factory: the preimage is empty from then on.
  void FactoryRemoved() override;
  // Null once the factory went away.
  IZEPHPlaylistPreimage* GetPlugin() const { return FPlugin.get(); }

  // From any thread of the plugin; carried to the main thread, waiting for it.
  HRESULT ContentChanged() override;
  HRESULT ConfigChanged() override;

 protected:
  void DoAssign(TZEPHPlaylistCustomPreimage* Source) override;
  // The plugin's settings as hexadecimal text; no sorting template is stored.
  void LoadFromNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context) override;
  void SaveToNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context) override;

 private:
  IPtr<IZEPHPlaylistPreimage> FPlugin;
};

// Turns what a plugin hands over into file names: with Flags bit 3 the program's own
// file-information objects (each with a copy of its record), otherwise plugin strings; other
// objects are skipped.
class TZEPHPlaylistStorageAdapterHelper {
 public:
  TZEPHPlaylistStorageAdapterHelper() = delete;
  static void AddItem(TZCLStringList* List, Cardinal Flags, IInterface* Object);
  static void AddList(TZCLStringList* List, Cardinal Flags, IZEPHObjectList* ObjectList);
};
