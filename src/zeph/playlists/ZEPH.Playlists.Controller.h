#pragma once
// The player's playlists in one object: creating, opening, naming, activating, playing and
// closing them, the default and the playing playlist, the playback queue, the bridge to the
// player and the reactions to renamed files.

#include "rtl/RTL.Delegates.h"
#include "zeph/media/ZBL.FileChangeNotifier.h"
#include "zeph/playlists/ZEPH.Playlists.Queue.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.h"

class TComponent;
class TZCLStringList;

enum TZEPHPlaylistPlaybackMode { ppmJumpToNext, ppmRepeat, ppmStopOnEnd };

// Kinds of a controller change.
constexpr Byte zpccActiveStorage = 0x01;
constexpr Byte zpccQueue = 0x02;
constexpr Byte zpccPlaybackStarted = 0x04;
constexpr Byte zpccPlayingStorage = 0x10;
constexpr Byte zpccShuffle = 0x20;

struct IZEPHPlaylistControllerListener : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylistControllerListener, IInterface, "{A88E4244-0B0B-42CF-8279-D79183F37321}")
  virtual void ControllerChanged(Byte Kinds) = 0;
};

struct IZEPHPlaylistStorageContainerListener : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylistStorageContainerListener, IInterface, "{FF743E68-EE74-4335-9F2B-E99A2610AEA3}")
  virtual void StorageAdded(TZEPHPlaylistStorage* Storage) = 0;
  virtual void StorageChanged(TZEPHPlaylistStorage* Storage, Word Flags, void* Reserved) = 0;
  virtual void StorageMoved(TZEPHPlaylistStorage* Storage, Integer OldIndex, Integer NewIndex) = 0;
  virtual void StorageRemoved(TZEPHPlaylistStorage* Storage) = 0;
};

struct IZEPHPlaylistStorageContainerListener2 : virtual IZEPHPlaylistStorageContainerListener {
  RTL_INTERFACE(IZEPHPlaylistStorageContainerListener2, IZEPHPlaylistStorageContainerListener,
                "{CA9F3563-B8FA-47F9-A0A5-B23AE91CD72A}")
  virtual void FocusActiveStorage(TZEPHPlaylistStorage* Storage) = 0;
};

using TZEPHPlayingEntryRemovingEvent =
    TDelegate<void(TZEPHPlaylistStorage* Storage, bool DeleteFiles, TZEPHPlaylistItem* Entry, bool& Restart)>;
using TZEPHPlaylistPlayEvent = TDelegate<void(TZEPHPlaylistStorage* Storage, Integer Index)>;
using TZEPHPlaylistStorageEvent = TDelegate<void(TZEPHPlaylistStorage* Storage)>;

// Asks the user for a text; False when cancelled. Owner may be nil.
using TZEPHInputQueryProc = bool (*)(TComponent* Owner, const String& Caption, const String& Prompt, String& Value);

class TZEPHPlaylistController : public TZEPHPlaylistStorageManager,
                                public IZEPHPlaylistStorageChangeListener,
                                public IZEPHPlaylistStorageRemoveListener,
                                public IZEPHPlaylistQueueListener,
                                public IZBLFileChangeNotification {
  ZCL_CLASS(TZEPHPlaylistController, TZEPHPlaylistStorageManager)
  RTL_INTERFACES(TZEPHPlaylistStorageManager, IZEPHPlaylistStorageChangeListener, IZEPHPlaylistStorageRemoveListener,
                 IZEPHPlaylistQueueListener, IZBLFileChangeNotification)
 public:
  TZEPHPlaylistController();
  // Frees the playlists without saving them.
  ~TZEPHPlaylistController() override;

  TZEPHPlaylistQueue* GetQueue() const { return FQueue; }
  TZEPHPlaylistStorage* GetPlayingStorage() const { return FPlayingStorage; }
  void SetPlayingStorage(TZEPHPlaylistStorage* Value);
  TZEPHPlaylistItem* GetPlayingEntry() const;
  TZEPHPlaylistPlaybackMode GetPlaybackMode() const { return FPlaybackMode; }
  void SetPlaybackMode(TZEPHPlaylistPlaybackMode Value) { FPlaybackMode = Value; }
  bool GetRepeatSingleFilePlaylists() const { return FRepeatSingleFilePlaylists; }
  void SetRepeatSingleFilePlaylists(bool Value) { FRepeatSingleFilePlaylists = Value; }
  // Without ShufflePerPlaylist the global mode; with it the playing (else active) playlist's.
  bool GetShuffle() const;
  void SetShuffle(bool Value) { FShuffle = Value; }
  bool GetShufflePerPlaylist() const { return FShufflePerPlaylist; }
  void SetShufflePerPlaylist(bool Value) { FShufflePerPlaylist = Value; }
  bool GetSingleMode() const { return FSingleMode; }
  void SetSingleMode(bool Value) { FSingleMode = Value; }

  // In single mode the first playlist is initialised again (an uneditable one raises
  // OnCannotModify and aborts silently).
  virtual TZEPHPlaylistStorage* CreateStorage(const String& FileName, const String& Name, const String& Remark);
  TZEPHPlaylistStorage* NewPlaylist(const String& Name, bool Activate);
  // Asks for the name first (unless Ask is False); False when the user cancelled.
  bool NewPlaylistAsk(TZEPHPlaylistStorage*& Storage, TComponent* Owner, bool Ask = true);
  TZEPHPlaylistStorage* OpenPlaylist(const String& FileName, bool Activate, Integer Index = -1);
  TZEPHPlaylistStorage* OpenPlaylists(const TZCLStringList* Files, bool Activate, Integer Index = -1);
  // Mode 0 decides (deletes the file when the option says so or the playlist is not worth
  // keeping), 1 deletes the file, others keep it.
  void ClosePlaylist(TZEPHPlaylistStorage* Storage, Integer Mode = 0);
  void ClosePlaylists(const std::vector<TZEPHPlaylistStorage*>& List);
  void EnsureDefault();
  // Into Storage, else the active playlist, in the background; False without a target.
  bool AddFiles(const TZCLStringList* Files, bool Play, TZEPHPlaylistStorage* Storage = nullptr,
                Integer InsertIndex = -1, bool Activate = false);
  bool IsValidStorage(TZEPHPlaylistStorage* Storage) const;
  bool IsValidEntry(TZEPHPlaylistItem* Entry) const;
  void FocusEntry(TZEPHPlaylistItem* Entry);
  void FocusPlayingEntry() { FocusEntry(GetPlayingEntry()); }
  // The player started an item.
  void PlaybackStarted(IZEPHPlaybackQueueItemInternal* QueueItem);

  void AddListener(IInterface* Listener);
  void RemoveListener(IInterface* Listener);
  void DoChanged(Byte Kinds);

  // The manager's operations.
  void ActiveStorageChanged() override;
  void PlayingEntryRemoving(bool DeleteFiles, TZEPHPlaylistItem* Entry, bool& Restart) override;
  void PlayRequest(TObject* Object) override;
  void RestartPlayback(TZEPHPlaylistStorage* Storage) override;
  void StorageInitialized(TZEPHPlaylistStorage* Storage) override;
  void StorageMoved(TZEPHPlaylistStorage* Storage, Integer OldIndex, Integer NewIndex) override;
  void QueueEntries(const std::vector<TZEPHPlaylistItem*>& Entries) override;
  void EntryRemoving(TZEPHPlaylistItem* Entry) override;
  void StorageClearing(TZEPHPlaylistStorage* Storage) override;

  // Listening to playlists, the queue and the file-change notifier.
  void Changed(TZEPHPlaylistStorage* Storage, Word Flags, void* Reserved) override;
  void Removing(TZEPHPlaylistStorage* Storage) override;
  void ContentChanged() override { DoChanged(zpccQueue | zpccPlayingStorage); }
  void StateChanged() override { DoChanged(zpccQueue | zpccPlayingStorage); }
  void FileChanging(const String& FileName) override {}
  void FileChanged(const String& FileName, Byte Kind, const String& NewName) override;

  TNotifyEvent OnCannotModify;
  TZEPHPlayingEntryRemovingEvent OnPlayingEntryRemoving;
  TNotifyEvent OnStorageChanged;
  TZEPHPlaylistPlayEvent OnPlay;
  TZEPHPlaylistStorageEvent OnRestartPlayback;
  TNotifyEvent OnChanged;

 private:
  void DoStorageAdded(TZEPHPlaylistStorage* Storage);
  void NotifyChanged();
  template <class F>
  void EnumContainerListeners(F&& Proc);

  TZEPHPlaylistQueue* FQueue;
  TZCLListenerList* FListeners;
  TZEPHPlaylistStorage* FPlayingStorage = nullptr;
  TZEPHPlaylistPlaybackMode FPlaybackMode = ppmJumpToNext;
  bool FRepeatSingleFilePlaylists = false;
  bool FShuffle = false;
  bool FShufflePerPlaylist = false;
  bool FSingleMode = false;
};

// The controller of the process, created on first use.
TZEPHPlaylistController* PlaylistController();
// Null while none was made.
TZEPHPlaylistController* PlaylistControllerIfExists();
// The name prompt of new playlists; nil restores the built-in dialog.
void SetPlaylistInputQuery(TZEPHInputQueryProc Proc);
// The built-in dialog, on the UI class library.
bool PlaylistInputQuery(TComponent* Owner, const String& Caption, const String& Prompt, String& Value);

namespace detail {
void PlaylistControllerFinalization();
}  // namespace detail
