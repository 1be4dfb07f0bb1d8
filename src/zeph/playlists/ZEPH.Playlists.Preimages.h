#pragma once
// Preimages: where a playlist's content comes from. A preimage gathers its source's files on a
// pool task and the playlist refills itself from that list; auto-synchronising kinds watch their
// source. Kinds register factories with the repository, which recreates a preimage from the
// "preimage" element stored in a playlist file.

#include <vector>

#include "zcl/base/ZCL.Threading.Pool.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.h"

class TZCLXMLNode;
class TZCLXMLDocument;
struct IZCLFileSystemWatcherTask;
class TZEPHPlaylistPreimageFactory;
class TZEPHPlaylistCustomPreimage;

class TZEPHPlaylistCustomPreimageTask : public TZCLTask {
  ZCL_CLASS(TZEPHPlaylistCustomPreimageTask, TZCLTask)
 public:
  explicit TZEPHPlaylistCustomPreimageTask(TZEPHPlaylistCustomPreimage* APreimage);
  ~TZEPHPlaylistCustomPreimageTask() override;
  // Hands the gathered files to the preimage on the main thread; a failed gathering hands none.
  void Complete() override;
  TZCLStringList* GetFiles() const { return FFiles; }
  // Set by the pool's worker when Execute raised.
  bool Failed = false;

 protected:
  // Kinds fill Files; an exception marks the gathering as failed.
  virtual void Gather() = 0;
  void Execute() override;
  TZCLStringList* FFiles;
  TZEPHPlaylistCustomPreimage* FPreimage;
};

// Supports weak links, so plugin adapters learn when it goes.
class TZEPHPlaylistCustomPreimage : public TZEPHPlaylistStorageAbstractPreimage, public IZCLObjectLinksSupport {
  ZCL_CLASS(TZEPHPlaylistCustomPreimage, TZEPHPlaylistStorageAbstractPreimage)
  RTL_INTERFACES(TZEPHPlaylistStorageAbstractPreimage, IZCLObjectLinksSupport)
 public:
  explicit TZEPHPlaylistCustomPreimage(TZEPHPlaylistPreimageFactory* AFactory);
  ~TZEPHPlaylistCustomPreimage() override;

  bool IsEqual(TZEPHPlaylistStorageAbstractPreimage* Other) override;
  void StorageChanged() override;
  void CheckPendingSync() override;
  bool IsAutoSync() override { return false; }
  bool IsBusy() override { return FTaskHandle != 0; }
  void Synchronize() override;

  virtual TZEPHPlaylistCustomPreimageTask* CreateTask() = 0;
  virtual void FactoryRemoved() { FFactory = nullptr; }
  virtual bool ExecuteDialog(void* OwnerWindow) { return false; }
  virtual bool HasDialog() { return false; }

  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  // Loads from Node's child "preimage" when its class is this kind's.
  void LoadFromXML(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context);
  void SaveToXML(TZCLXMLNode* Document, IZEPHPlaylistFilerContext* Context);
  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream);
  void Assign(TZEPHPlaylistCustomPreimage* Source);
  // Nil without a factory. The caller owns the copy.
  TZEPHPlaylistCustomPreimage* Clone();
  String GetID() const;
  TZEPHPlaylistPreimageFactory* GetFactory() const { return FFactory; }
  void Invalidate();
  void CancelSync();
  // On the main thread at the end of a run; Failed keeps the playlist as it is.
  void SyncCompleted(TZCLStringList* Files, bool Canceled, bool Failed);

  const String& GetSortingTemplate() const { return FSortingTemplate; }
  void SetSortingTemplate(const String& Value) { FSortingTemplate = Value; }
  bool IsSyncPending() const { return FSyncPending; }
  Integer GetUpdateCount() const { return FUpdateCount; }

 protected:
  virtual void DoAssign(TZEPHPlaylistCustomPreimage* Source);
  virtual void LoadFromNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context);
  virtual void SaveToNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context);

  String FSortingTemplate;
  TZEPHPlaylistPreimageFactory* FFactory;
  TObjHandle FTaskHandle = 0;
  Integer FUpdateCount = 0;
  bool FSyncPending = false;
};

class TZEPHPlaylistCustomAutoSyncPreimage : public TZEPHPlaylistCustomPreimage {
  ZCL_CLASS(TZEPHPlaylistCustomAutoSyncPreimage, TZEPHPlaylistCustomPreimage)
 public:
  using TZEPHPlaylistCustomPreimage::TZEPHPlaylistCustomPreimage;
  ~TZEPHPlaylistCustomAutoSyncPreimage() override;
  bool IsAutoSync() override { return FWatcher != nullptr; }
  void StorageChanged() override;
  bool GetAutoSyncOnChanges() const { return FAutoSyncOnChanges; }
  void SetAutoSyncOnChanges(bool Value);
  bool GetAutoSyncOnStartup() const { return FAutoSyncOnStartup; }
  void SetAutoSyncOnStartup(bool Value) { FAutoSyncOnStartup = Value; }

 protected:
  virtual IPtr<IZCLFileSystemWatcherTask> CreateWatcher() = 0;
  virtual void AssignSource(TZEPHPlaylistCustomPreimage* Source) = 0;
  virtual void LoadSourceFromNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context) = 0;
  void DoAssign(TZEPHPlaylistCustomPreimage* Source) override;
  void LoadFromNode(TZCLXMLNode* Node, IZEPHPlaylistFilerContext* Context) override;
  void WatcherChanged(IZCLFileSystemWatcherTask* Task);

  bool FAutoSyncOnChanges = false;
  bool FAutoSyncOnStartup = false;
  IPtr<IZCLFileSystemWatcherTask> FWatcher;
};

class TZEPHPlaylistPreimageFactory : public TZCLUnknownObject {
  ZCL_CLASS(TZEPHPlaylistPreimageFactory, TZCLUnknownObject)
 public:
  // Tells every preimage it made that it is gone.
  ~TZEPHPlaylistPreimageFactory() override;
  virtual TZEPHPlaylistCustomPreimage* CreatePreimage() = 0;
  virtual String GetID() = 0;
  virtual String GetName() = 0;
  void PreimageCreated(TZEPHPlaylistCustomPreimage* Preimage) { FPreimages.push_back(Preimage); }
  void PreimageDestroyed(TZEPHPlaylistCustomPreimage* Preimage);

 private:
  std::vector<TZEPHPlaylistCustomPreimage*> FPreimages;
};

class TZEPHPlaylistPreimageRepository {
 public:
  TZEPHPlaylistPreimageRepository() = delete;
  // Takes the factory.
  static void Register(TZEPHPlaylistPreimageFactory* Factory);
  static void Unregister(TZEPHPlaylistPreimageFactory*& Factory);
  static bool FindFactory(const String& ID, TZEPHPlaylistPreimageFactory*& Factory);
  static Integer Count();
  static TZEPHPlaylistPreimageFactory* GetFactory(Integer Index);
  // Nil, without an error, when Node has no "preimage" child or no factory knows its class.
  static TZEPHPlaylistCustomPreimage* CreatePreimage(TZEPHPlaylistStorage* Storage, TZCLXMLNode* Node,
                                                     IZEPHPlaylistFilerContext* Context);
  // The same from the XML bytes a playlist file holds.
  static TZEPHPlaylistCustomPreimage* CreatePreimage(TZEPHPlaylistStorage* Storage, const std::vector<Byte>& Document,
                                                     IZEPHPlaylistFilerContext* Context);
  static void Finalize();
};

// Leaves names as they are: a preimage stored outside a playlist file.
class TZEPHPlaylistPreimageEmptyContext : public TInterfacedObject, public IZEPHPlaylistFilerContext {
  ZCL_CLASS(TZEPHPlaylistPreimageEmptyContext, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHPlaylistFilerContext)
 public:
  String ConvertFileName(const String& Name) override { return Name; }
};
