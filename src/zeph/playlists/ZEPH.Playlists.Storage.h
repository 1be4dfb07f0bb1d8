#pragma once
// A playlist as it lives in memory: its entries, the groups it divides them into, its settings,
// its order of play and the change flags it collects inside its update bracket.

#include <functional>
#include <vector>

#include "zcl/base/ZCL.ObjectLinks.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/playlists/ZEPH.Playlists.Interfaces.h"
#include "zeph/playlists/ZBL.History.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.h"
#include "zeph/playlists/ZEPH.Playlists.Settings.h"
#include "zeph/playlists/ZEPH.Playlists.Types.h"

class TZEPHPlaylistGroup;
class TZEPHPlaylistGroups;
class TZEPHPlaylistStorage;
class TZEPHPlaylistStorageManager;
class TZEPHPlaylistStorageAbstractPreimage;
class TZEPHPlaylistStorageTagsScanTask;
class TZEPHPlaylistStorageHistory;
class TZCLStringList;
class TZEPHFileManagerExpandAttributes;
struct IZBLFileInfo;
struct IZEPHPlaybackQueueItemInternal;

// Change flags of a playlist.
constexpr Word zpcName = 0x0001;
constexpr Word zpcSelection = 0x0002;
constexpr Word zpcPlaybackCursor = 0x0004;
constexpr Word zpcContent = 0x0008;
constexpr Word zpcEntryInfo = 0x0010;
constexpr Word zpcReadOnly = 0x0020;
constexpr Word zpcPlaybackSwitch = 0x0040;
constexpr Word zpcFileState = 0x0080;
constexpr Word zpcFocus = 0x0100;
constexpr Word zpcItemList = 0x0200;
constexpr Word zpcPreimage = 0x0400;
constexpr Word zpcModified = 0x0800;
constexpr Word zpcMakeVisible = 0x1000;
constexpr Word zpcPlaybackOrder = 0x2000;
constexpr Word zpcPlaybackPosition = 0x4000;
constexpr Word zpcRemark = 0x8000;
constexpr Word zpcInvalidatesStatistics = 0x0256;
constexpr Word zpcSetsModified = 0x647D;
constexpr Word zpcInvalidatesDurations = 0x0210;

// One entry of one playlist.
// Entries, groups and playlists support weak links, so plugin adapters learn when they go.
class TZEPHPlaylistItem : public TZEPHPlaylistCustomItem, public IZCLObjectLinksSupport {
  ZCL_CLASS(TZEPHPlaylistItem, TZEPHPlaylistCustomItem)
  RTL_INTERFACES(TZEPHPlaylistCustomItem, IZCLObjectLinksSupport)
 public:
  explicit TZEPHPlaylistItem(TZEPHPlaylistStorage* AStorage);
  ~TZEPHPlaylistItem() override;

  TZEPHPlaylistStorage* GetStorage() const { return FStorage; }
  TZEPHPlaylistGroup* GetGroup() const { return FGroup; }
  void SetGroup(TZEPHPlaylistGroup* Value);
  // Points at the group and joins its list without leaving the old one's (whose list the caller
  // has emptied).
  void AttachToGroup(TZEPHPlaylistGroup* Value);
  Integer GetIndex() const;
  Integer GetIndexInGroup() const;

  Integer GetPlaybackQueueIndex() const { return FPlaybackQueueIndex; }
  void SetPlaybackQueueIndex(Integer Value) { FPlaybackQueueIndex = Value; }
  Integer SortIndex = 0;

  // "h:mm:ss", "Radio" for an internet stream without duration, else empty.
  String GetDurationText() const;
  // The first line from the playlist's main-line template, formatted once.
  const String& GetDisplayText();
  // "< not found >" for a missing file, the name of an internet stream, else the second-line
  // template's text, formatted once.
  String GetDisplayText2();
  void ClearDisplayTexts();

  bool IsFirstInGroup() const;
  bool IsLastInGroup() const;
  bool IsPlaying() const;
  bool IsVisible() const;
  bool NeedsInfo() const;
  void ResetInfo();
  bool IsSelected() const { return HasItemFlag(zpifSelected); }
  void SetSelected(bool Value);
  bool GetSwitch() const { return HasItemFlag(zpifPlaybackSwitch); }
  void SetSwitch(bool Value) { SetItemFlag(zpifPlaybackSwitch, Value); }
  void ToggleSwitch() { SetSwitch(!GetSwitch()); }
  void MoveToStorage(TZEPHPlaylistStorage* AStorage);
  // Deselects the rest of the playlist, focuses and selects this entry.
  void Focus(bool MakeVisible);
  void MoveTo(Integer Index);
  // The file's mark byte, cached; 0 when the file manager keeps no marks.
  Byte GetMark();
  // Stored by the file manager (main thread only); the cached byte is not touched.
  HRESULT SetMark(Byte Value);
  // Reports change flags to the playlist; only on the main thread.
  void Changed(Word Flags);

 protected:
  void DoChanged() override;
  void FileNameChanged() override;
  void FlagChanged(Word Flag) override;

 private:
  friend class TZEPHPlaylistGroup;
  TZEPHPlaylistStorage* FStorage;
  TZEPHPlaylistGroup* FGroup = nullptr;
  String FDisplayText;
  String FDisplayText2;
  Integer FPlaybackQueueIndex = -1;
  Byte FMark = 0;
};

class TZEPHPlaylistItems : public TZEPHPlaylistCustomItemList {
  ZCL_CLASS(TZEPHPlaylistItems, TZEPHPlaylistCustomItemList)
 public:
  explicit TZEPHPlaylistItems(bool AOwnObjects = false) : TZEPHPlaylistCustomItemList(AOwnObjects) {}
  TZEPHPlaylistItem* Get(Integer Index) const { return static_cast<TZEPHPlaylistItem*>(GetItems(Index)); }
  TZEPHPlaylistItem* First() const { return GetCount() > 0 ? Get(0) : nullptr; }
  TZEPHPlaylistItem* Last() const { return GetCount() > 0 ? Get(GetCount() - 1) : nullptr; }
  void AddRange(const TZEPHPlaylistItems* List);

  TZEPHPlaylistItem* GetByPlaybackQueueIndex(Integer Index) const;
  TZEPHPlaylistItem* GetNextInPlaybackQueue(Integer Index) const;
  Integer GetMaxPlaybackQueueIndex() const;
  bool HasFullPlaybackQueue() const;
  bool IsPlaybackQueueOutOfOrder() const;
  bool FindByFileName(const String& FileName, Integer From, Integer& Index) const;
  void ClearDisplayTexts();
  // The order of play follows the list order; Cursor keeps pointing at the played entry.
  bool RenumberPlaybackQueue(Integer& Cursor);
  // A random order of play; neighbours of the list rarely play one after the other.
  bool ShufflePlaybackQueue(Integer& Cursor, bool Reset, bool CurrentFirst);
  void MovePlaybackQueueIndex(Integer Target, TZEPHPlaylistItem* Entry);
};

class TZEPHPlaylistGroup : public TZCLUnknownObject, public IZCLObjectLinksSupport {
  ZCL_CLASS(TZEPHPlaylistGroup, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLObjectLinksSupport)
 public:
  TZEPHPlaylistGroup(TZEPHPlaylistGroups* AOwner, const String& AName, Cardinal ANameHash);
  ~TZEPHPlaylistGroup() override;

  const String& GetName() const { return FName; }
  Cardinal GetNameHash() const { return FNameHash; }
  TZEPHPlaylistItems* GetItems() const { return FItems; }
  TZEPHPlaylistStorage* GetStorage() const;
  Integer GetIndex() const;
  Int64 GetDuration();
  void InvalidateDuration() { FDuration = -1; }
  // "<line> (<count> / <duration>)".
  String ToString() const override;
  // 0 none switched on (also for an empty group), 1 all, 2 mixed.
  Integer GetSwitchState() const;
  void ToggleSwitch();
  void SetSwitch(bool Value);
  bool AllSelected() const;
  void SetSelected(bool Value);
  // The group template formatted for the first entry.
  String GetDisplayText() const;
  bool GetExpanded() const { return FExpanded; }
  // Takes over a state without the selection rule or a layout request.
  void SetExpandedState(bool Value) { FExpanded = Value; }
  void SetExpanded(bool Value);
  void Detach();

  Integer OrderIndex = -1;

 private:
  friend class TZEPHPlaylistItem;
  TZEPHPlaylistGroups* FOwner;
  String FName;
  Cardinal FNameHash;
  TZEPHPlaylistItems* FItems;
  bool FExpanded = true;
  Int64 FDuration = -1;
};

class TZEPHPlaylistGroups : public TZCLObjectList {
  ZCL_CLASS(TZEPHPlaylistGroups, TZCLObjectList)
 public:
  explicit TZEPHPlaylistGroups(TZEPHPlaylistStorage* AStorage) : TZCLObjectList(true), FStorage(AStorage) {}
  ~TZEPHPlaylistGroups() override;
  static Cardinal HashName(StringView Name);
  TZEPHPlaylistStorage* GetStorage() const { return FStorage; }
  TZEPHPlaylistGroup* Get(Integer Index) const { return static_cast<TZEPHPlaylistGroup*>(GetItems(Index)); }
  TZEPHPlaylistGroup* Add(const String& Name, Cardinal NameHash = 0);
  TZEPHPlaylistGroup* FindOrAdd(const String& Name);
  TZEPHPlaylistGroup* Last() const { return GetCount() > 0 ? Get(GetCount() - 1) : nullptr; }
  void InvalidateDurations();
  // Frees empty groups and orders the rest by the position of their first entries.
  void Rebuild();
  void Clear();

 private:
  TZEPHPlaylistStorage* FStorage;
};

struct IZEPHPlaylistStorageActivateListener : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylistStorageActivateListener, IInterface, "{B96215CA-0B5F-4BE3-B1EF-E9A3487B1400}")
  virtual void Activated(TZEPHPlaylistStorage* Storage) = 0;
};

struct IZEPHPlaylistStorageChangeListener : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylistStorageChangeListener, IInterface, "{B96215CA-0B5F-4BE3-B1EF-E9A3487B1401}")
  virtual void Changed(TZEPHPlaylistStorage* Storage, Word Flags, void* Reserved) = 0;
};

struct IZEPHPlaylistStorageRemoveListener : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylistStorageRemoveListener, IInterface, "{B96215CA-0B5F-4BE3-B1EF-E9A3487B1402}")
  virtual void Removing(TZEPHPlaylistStorage* Storage) = 0;
};

struct IZEPHPlaylistStorageScanningListener : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylistStorageScanningListener, IInterface, "{B96215CA-0B5F-4BE3-B1EF-E9A3487B1403}")
  virtual void ScanningBegins(TZEPHPlaylistStorage* Storage) = 0;
  virtual void ScanningProgress(TZEPHPlaylistStorage* Storage) = 0;
  virtual void ScanningEnd(TZEPHPlaylistStorage* Storage, bool HasChanges, bool Canceled) = 0;
};

struct IZEPHPlaylistStorageUpdateLockListener : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylistStorageUpdateLockListener, IInterface, "{B96215CA-0B5F-4BE3-B1EF-E9A3487B1404}")
  virtual void UpdateLockChanged(TZEPHPlaylistStorage* Storage) = 0;
};

struct TZEPHPlaylistStatisticsPart {
  Integer Count = 0;
  Int64 Duration = 0;  // milliseconds
  Int64 Size = 0;
};

struct TZEPHPlaylistStatistics {
  TZEPHPlaylistStatisticsPart Total;
  TZEPHPlaylistStatisticsPart Selected;
  TZEPHPlaylistStatisticsPart Played;
  TZEPHPlaylistStatisticsPart Remaining;
  Int64 MaxDuration = 0;
};

// Flags of an item handed to the player.
constexpr Cardinal zpqiFromQueue = 0x0001;

// One item handed to the player: the entry to play, where it came from, flags and a start offset.
struct IZEPHPlaybackQueueItemInternal : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaybackQueueItemInternal, IInterface, "{5AE0169F-0729-4922-8BCD-062574E17AB4}")
  virtual bool IsSource(TObject* Source) = 0;
  virtual bool HasFlags(Cardinal Flags) = 0;
  virtual TZEPHPlaylistItem* GetEntry() = 0;
  // E_NOTIMPL when no offset was given.
  virtual HRESULT GetOffset(Single& Seconds) = 0;
  virtual void SetFlags(Cardinal Flags, bool Value) = 0;
  virtual void SetEntry(TZEPHPlaylistItem* Entry, TObject* Source) = 0;
  virtual void SetOffset(Single Seconds, HRESULT Result) = 0;
  virtual void ClearSource() = 0;
};

// The item the player side hands over when it starts playing: the entry is held through its
// plugin adapter, so a freed entry reads as none. Plugins see it as a property list: 1 the entry
// (IZEPHPlaylistItem), 2 the start offset in seconds (-1 without one).
class TZEPHPlaybackQueueItem : public TZEPHSimpleObjectAdapter,
                               public IZEPHPlaybackQueueItemInternal,
                               public IZEPHPlaybackQueueItem {
  ZCL_CLASS(TZEPHPlaybackQueueItem, TZEPHSimpleObjectAdapter)
  RTL_INTERFACES(TZEPHSimpleObjectAdapter, IZEPHPlaybackQueueItemInternal, IZEPHPlaybackQueueItem)
 public:
  TZEPHPlaybackQueueItem() { SetOffset(-1, S_OK); }
  bool IsSource(TObject* Source) override { return Source != nullptr && Source == FSource; }
  bool HasFlags(Cardinal Flags) override { return (FFlags & Flags) == Flags; }
  TZEPHPlaylistItem* GetEntry() override;
  HRESULT GetOffset(Single& Seconds) override;
  void SetFlags(Cardinal Flags, bool Value) override { FFlags = Value ? FFlags | Flags : FFlags & ~Flags; }
  void SetEntry(TZEPHPlaylistItem* Entry, TObject* Source) override;
  void SetOffset(Single Seconds, HRESULT Result) override;
  void ClearSource() override { FSource = nullptr; }

 protected:
  // The main thread only.
  bool CheckAccess(HRESULT& Result) override;
  void DoGetValueAsFloat(Integer PropertyID, Double& Value, HRESULT& Result) override;
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoSetValueAsFloat(Integer PropertyID, Double Value, HRESULT& Result) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;

 private:
  IPtr<IZEPHPlaylistItemInternal> FItem;
  TObject* FSource = nullptr;
  Cardinal FFlags = 0;
  Single FOffset = 0;
  HRESULT FOffsetResult = E_NOTIMPL;
};

// The source that fills a playlist and keeps it in step.
class TZEPHPlaylistStorageAbstractPreimage : public TZCLUnknownPersistent {
  ZCL_CLASS(TZEPHPlaylistStorageAbstractPreimage, TZCLUnknownPersistent)
 public:
  TZEPHPlaylistStorage* GetStorage() const { return FStorage; }
  void SetStorage(TZEPHPlaylistStorage* Value);
  // The very same class with the same source definition.
  bool Equals(TZEPHPlaylistStorageAbstractPreimage* Other);
  virtual bool IsEqual(TZEPHPlaylistStorageAbstractPreimage* Other) = 0;
  // On resynchronisation the source's order replaces one the user made.
  virtual bool OverridesUserOrder() { return false; }
  virtual void StorageChanged() {}
  // Runs a synchronisation that is due (the playlist was activated or loaded).
  virtual void CheckPendingSync() = 0;
  // Watches its source; such a playlist cannot be edited.
  virtual bool IsAutoSync() = 0;
  virtual bool IsEmpty() = 0;
  virtual bool IsBusy() = 0;
  virtual void Synchronize() = 0;

 protected:
  TZEPHPlaylistStorage* FStorage = nullptr;
};

// What a structure change saves to keep the view's place.
struct TZEPHPlaylistFocusInfo {
  TZEPHPlaylistGroup* Group = nullptr;
  TZEPHPlaylistItem* Entry = nullptr;
  TZEPHPlaylistItem* Anchor = nullptr;
  Integer AnchorIndex = -1;
  bool Selected = false;
  Integer Count = 0;
};

// State bits of a playlist.
constexpr Word zpsManagerDestroying = 0x0001;
constexpr Word zpsScanning = 0x0008;
constexpr Word zpsRebuilding = 0x0002;
constexpr Word zpsDestroying = 0x0004;
constexpr Word zpsGroupsInvalid = 0x0010;
constexpr Word zpsLayoutInvalid = 0x0020;
constexpr Word zpsNeedsScan = 0x0040;
constexpr Word zpsLoading = 0x0080;
constexpr Word zpsClearing = 0x0100;

// Flags of adding files.
constexpr Byte zpafPlay = 0x01;
constexpr Byte zpafSort = 0x02;
constexpr Byte zpafRecursive = 0x04;
constexpr Byte zpafFocus = 0x08;
constexpr Byte zpafSynchronous = 0x10;
constexpr Byte zpafQueue = 0x20;
constexpr Byte zpafSkipPresent = 0x40;

// Filter flags of GetFileList.
constexpr Byte zpflExisting = 0x01;
constexpr Byte zpflWithInfo = 0x02;
constexpr Byte zpflSelected = 0x04;
constexpr Byte zpflVisible = 0x08;
constexpr Byte zpflRealFiles = 0x10;
constexpr Byte zpflNoURLs = 0x20;

// Asks the user to confirm deleting files and deletes them; the files remover by default.
struct IZEPHPlaylistFilesDeleter {
  virtual ~IZEPHPlaylistFilesDeleter() = default;
  virtual bool Confirm(const TZCLStringList* Files) = 0;
  virtual void Delete(const TZCLStringList* Files) = 0;
};

class TZEPHPlaylistStorage : public TZCLUnknownObject,
                             public IZEPHPlaylistSettingsListener,
                             public IZEPHPlaylistItemsReceiver,
                             public IZCLObjectLinksSupport {
  ZCL_CLASS(TZEPHPlaylistStorage, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZEPHPlaylistSettingsListener, IZEPHPlaylistItemsReceiver, IZCLObjectLinksSupport)
 public:
  // Without a manager the playlist keeps its own storage folder (tests, readers of previews).
  explicit TZEPHPlaylistStorage(TZEPHPlaylistStorageManager* AManager = nullptr);
  ~TZEPHPlaylistStorage() override;

  TZEPHPlaylistStorageManager* GetManager() const { return FManager; }
  Integer GetIndex() const;
  void SetIndex(Integer Value);
  bool IsActive() const;
  Word GetState() const { return FState; }
  void SetStateBits(Word Bits, bool Value) { FState = Value ? FState | Bits : FState & ~Bits; }

  TZEPHPlaylistItems* GetItems() const { return FItems; }
  TZEPHPlaylistGroups* GetGroups() const { return FGroups; }
  TZEPHPlaylistSettings* GetSettings() const { return FSettings; }
  TZCLListenerList* GetListeners() const { return FListeners; }
  Integer GetPlaybackCursor() const { return FPlaybackCursor; }
  // A negative value means none; a new cursor starts at the entry's beginning.
  void SetPlaybackCursor(Integer Value);
  void SetPlaybackCursorEntry(TZEPHPlaylistItem* Entry);
  void SetPlaybackCursorIndex(Integer Index);
  TZEPHPlaylistItem* GetPlaybackCursorItem() const { return FItems->GetByPlaybackQueueIndex(FPlaybackCursor); }
  Integer GetPlaybackCursorIndex() const;
  // Only for the playing entry; clamped to its duration.
  void SetBookmark(TZEPHPlaylistItem* Entry, Integer Position);
  Integer GetPlaybackTempo() const { return FLoaded ? FPlaybackTempo : FFileSummary.PlaybackTempo; }
  void SetPlaybackTempo(Integer Value) { FPlaybackTempo = Value; }
  // The player started an item (the controller calls this).
  void PlaybackStarted(IZEPHPlaybackQueueItemInternal* QueueItem);
  // The playing entry goes away; the manager may ask for a restart.
  void PlayingEntryRemoving(bool DeleteFiles, bool& Restart);
  // Position: the entries not after Entry in the order of play.
  bool GetPlayPosition(TZEPHPlaylistItem* Entry, Integer& Position, Integer& Count);
  Integer GetPlaybackCursorAutoBookmark() const { return FBookmark; }
  // Adjusts valid statistics in place rather than invalidating them.
  void SetPlaybackCursorAutoBookmark(Integer Value);
  bool IsClearing() const { return (FState & zpsClearing) != 0; }
  // The entry being freed after it left the list.
  bool IsUnlisted(const TZEPHPlaylistItem* Entry) const { return Entry == FUnlistedEntry; }

  const String& GetName() const { return FName; }
  bool GetNameIsAutoSet() const { return FNameIsAutoSet; }
  void SetName(const String& Value);
  const String& GetID() const { return FID; }
  void SetID(const String& Value);
  const String& GetRemark() const { return FRemark; }
  void SetRemark(const String& Value);
  bool GetReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  bool IsDefault() const;
  bool CanEdit() const;
  bool CanDelete(bool DeleteFiles) const { return DeleteFiles ? !FReadOnly : CanEdit(); }

  TZEPHPlaylistItem* AddEntry(const String& FileName);
  // Moves an entry to a list position (clamped); nothing when the playlist cannot be edited.
  void MoveEntry(TZEPHPlaylistItem* Entry, Integer Index);
  // Entries whose file was renamed take the new name (Hash: of the old name).
  void RenameFileInEntries(const String& OldName, Cardinal Hash, const String& NewName);

  // Editing. Every operation runs inside BeginEdit/EndEdit, which open and close an undo
  // action (with a snapshot of the playlist file) and keep the focus when given a record.
  TZEPHPlaylistStorageHistory* GetHistory() const { return FHistory; }
  void BeginEdit(TZEPHPlaylistFocusInfo* Focus = nullptr);
  void EndEdit(TZEPHPlaylistFocusInfo* Focus = nullptr);
  void MarkUserReordered();
  // Flags: zpaf*. Folders, playlists and containers expand (in the background without
  // zpafSynchronous); False when the playlist cannot be edited.
  bool AddFiles(const TZCLStringList* Files, Byte Flags, Integer InsertIndex = -1, Integer FocusIndex = 0);
  bool AddFilesEx(const TZCLStringList* Files, Byte Flags, TZEPHFileManagerExpandAttributes* Attributes,
                  Integer InsertIndex, Integer FocusIndex);
  // Files: names with their IZBLFileInfo in the interface slot. The entry FocusCountdown files on
  // takes the focus.
  bool InsertFiles(const TZCLStringList* Files, Byte Flags, Integer InsertIndex, Integer FocusCountdown);
  // Index -1 or -3 appends, -2 picks a random place, others are clamped.
  TZEPHPlaylistItem* InsertEntry(const String& FileName, IZBLFileInfo* Info, Integer Index);
  // Confirm: 1 asks, 0 does not, -1 takes the manager's ConfirmDeletion.
  void DeleteEntries(const std::vector<TZEPHPlaylistItem*>& Entries, bool DeleteFiles, Integer Confirm = -1,
                     const TZCLStringList* FileList = nullptr);
  void DeleteByFilter(const std::function<bool(TZEPHPlaylistItem*)>& Filter, bool DeleteFiles, Integer Confirm = -1);
  void DeleteEntry(TZEPHPlaylistItem* Entry, bool DeleteFiles);
  void DeleteSelected(bool DeleteFiles);
  void Clear();
  // Index counts positions of the list before the move.
  void MoveEntries(Integer Index, const std::vector<TZEPHPlaylistItem*>& Entries);
  using TCompare = std::function<Integer(TZEPHPlaylistItem* A, TZEPHPlaylistItem* B)>;
  virtual void Sort(const TCompare& Compare);
  void SortByTemplate(const String& Template);
  void SortByArtist() { SortByTemplate(u"%Artist"); }
  void SortByDuration() { SortByTemplate(u"%Duration"); }
  void SortByPath() { SortByTemplate(u"%FileDir %DiskNumber %TrackNumber %FileName"); }
  void InvertSorting();
  void Resort();
  void AutoSort();
  // Stable: equal keys keep their order.
  void DoSort(const TCompare& Compare, bool Reverse, bool Multithreaded);
  void Reorder(const std::function<void()>& Procedure);
  // 0 the entries; with grouping 1 the groups, 2 inside every group, 3 both.
  void Shuffle(Integer Mode);
  // Refills the playlist from a source's file list (names with IZBLFileInfo in the interface slot).
  void SyncFromList(const TZCLStringList* Files, const String& Template);
  // Flags: zpfl*. With a nil List, True at the first accepted entry.
  bool GetFileList(Byte FilterFlags, TZCLStringList* List);
  void GetSelectedEntries(TZEPHPlaylistItems* List) const;
  void RescanSelected();
  // The first folder of a folders preimage, else empty.
  String GetPreimageFolder();
  // Binds the playlist to a folder (with its subfolders) through a folders preimage; empty detaches.
  void SetPreimageFolder(const String& Path);
  // The remover of files; tests and hosts may replace it (not owned).
  static void SetFilesDeleter(IZEPHPlaylistFilesDeleter* Deleter);
  // Removes all entries and groups at once.
  void ClearContent();

  void BeginUpdate();
  void EndUpdate();
  void Changed(Word Flags);
  Word GetPendingChanges() const { return FPendingChanges; }
  bool IsModified() const { return FModified; }
  // Becoming modified is told to the change listeners at once.
  void SetModified(bool Value);
  const TZEPHPlaylistStatistics& GetStatistics();
  bool StatisticsValid() const { return FStatisticsValid; }
  bool GetCommonPath(String& Path) const { return FItems->GetCommonPath(Path, false); }
  // Recomputes an automatic name from the content.
  void UpdateAutoName();

  // Rebuilds the groups from the group template: runs of equal names, or with flag
  // zpsfGroupByName one group per name with the entries gathered; nothing while grouping is off.
  void Regroup();
  bool GetShuffled() const { return FShuffled; }
  void SetShuffled(bool Value);
  // A new order of play: random when shuffled, else the list order.
  void RenewPlaybackOrder(bool Reset, bool CurrentFirst);

  // Bits zpsGroupsInvalid and/or zpsLayoutInvalid; outside the bracket the rebuild runs at once.
  void RequestLayout(Word Bits);
  void InvalidateGroups() { RequestLayout(zpsGroupsInvalid); }
  bool GroupsValid() const { return (FState & zpsGroupsInvalid) == 0; }
  void InvalidateLayout() { RequestLayout(zpsLayoutInvalid); }

  void SettingsChanged(Byte Kinds) override;

  // Focus and selection.
  TObject* GetFocusedObject() const { return FFocusedObject; }
  // Accepts nil, an entry of this playlist or one of its groups.
  void SetFocusedObject(TObject* Value);
  TZEPHPlaylistGroup* GetFocusedGroup() const { return FFocusedGroup; }
  void SetFocusedGroup(TZEPHPlaylistGroup* Value) { FFocusedGroup = Value; }
  TZEPHPlaylistItem* GetFocusedEntry() const;
  void DeselectAll();
  TZEPHPlaylistFocusInfo GetFocusInfo() const;
  // Save begins a bracket that Restore ends.
  TZEPHPlaylistFocusInfo SaveFocus();
  void RestoreFocus(const TZEPHPlaylistFocusInfo& Info);
  // Groups.
  void ExpandGroup(TZEPHPlaylistGroup* Group, bool Value);
  void ExpandAllGroups(bool Value);
  // With auto-collapse only the focused group (else the playing one) stays expanded.
  void AutoCollapse();
  // Nil gathers every group by name; a group takes the entries of the groups named alike.
  void MergeGroups(TZEPHPlaylistGroup* Group);

  // Preimage (owned).
  TZEPHPlaylistStorageAbstractPreimage* GetPreimage();
  void SetPreimage(TZEPHPlaylistStorageAbstractPreimage* Value);
  bool HasPreimage() const;
  void SynchronizePreimage();
  void ActivatePreimage();

  // Tags scan. Mode 0: entries that need information, preferring the music library; 1: every
  // entry from its file; 2: entries that need information, from their files.
  void StartTagsScan(Integer Mode);
  void CancelTagsScan();
  bool IsScanning() const { return FTagsScanTask != nullptr; }
  Double GetScanningProgress() const { return FScanningProgress; }
  // The scan's reports, on the main thread.
  void ScanStarted(TZEPHPlaylistStorageTagsScanTask* Task);
  void ScanProgress(Double Percent);
  void ScanEnded(TZEPHPlaylistStorageTagsScanTask* Task, bool HasChanges, bool Canceled);
  // Called by an entry that is being freed.
  void EntryDestroying(TZEPHPlaylistItem* Entry);
  // While the scan's results are taken, entries report nothing: the end of the scan reports once.
  bool IsTakingScanResults() const { return FTakingScanResults > 0; }
  void BeginTakingScanResults() { ++FTakingScanResults; }
  void EndTakingScanResults() { --FTakingScanResults; }
  // Changes the playlist makes itself (loading, adding, sorting) keep the sorting template.
  void BeginInternalChange() { ++FInternalChanges; }
  void EndInternalChange() { --FInternalChanges; }
  const String& GetSortingTemplate() const { return FSortingTemplate; }
  void SetSortingTemplate(const String& Value) { FSortingTemplate = Value; }
  bool GetUserReordered() const { return FUserReordered; }
  void SetUserReordered(bool Value) { FUserReordered = Value; }
  std::vector<String>& GetCustomValues() { return FCustomValues; }

  // The folder that keeps playlist files, with its trailing delimiter; empty keeps no files.
  // The manager's folder when there is a manager.
  String GetStoragePath() const;
  void SetStoragePath(const String& Value) { FStoragePath = Value; }
  const String& GetFileName() const { return FFileName; }
  bool IsLoaded() const { return FLoaded; }
  // With a file only the summary is read; the entries follow on first need.
  void Init(const String& Name, const String& FileName, const String& Remark = String());
  // False while the file cannot be read: the playlist stays unloaded and its file untouched, and
  // the next access tries again.
  bool EnsureLoaded();
  bool Load(const String& FileName);
  // Writes the file when needed; errors are logged, never raised.
  void Save();
  void SaveTo(const String& FileName, bool AbsoluteFileNames);
  String GetStorageFileName() const;
  // The file follows a new name when it lies in the storage folder; else the next save writes anew.
  void RenameFile();
  // Saves a playlist worth keeping and trashes its file, else deletes the file; forgets the name.
  void DeleteFile();
  bool IsInStorageFolder() const;
  bool IsWorthKeeping() const;
  void GetFileSummary(TZEPHPlaylistSummary& Summary);

  void AddGroup(const String& Name, bool Expanded) override;
  void AddItem(const String& FileName, TZEPHPlaylistCustomItem* Item, Integer PlaybackQueueIndex) override;

 private:
  friend class TZEPHPlaylistGroup;
  void ProcessChanges();
  void RunLayout(bool Force);
  void StoreName(const String& Value);
  void NotifyUpdateLock();
  void GroupConsecutive();
  void GroupByName();
  void RebuildListFromGroups();

  void UpdateEntryFromFile(TZEPHPlaylistItem* Entry, const TZCLStringList* Files, Integer Index);
  static void ShuffleList(Pointer* Data, Integer Count);

  TZEPHPlaylistStorageManager* FManager;
  TZEPHPlaylistStorageHistory* FHistory = nullptr;
  TZEPHPlaylistItems* FItems;
  TZEPHPlaylistGroups* FGroups;
  TZEPHPlaylistSettings* FSettings;
  TZCLListenerList* FListeners;
  String FName;
  String FID;
  String FRemark;
  TZEPHPlaylistStatistics FStatistics;
  TZEPHPlaylistSummary FFileSummary;
  String FStoragePath;
  String FFileName;
  String FSortingTemplate;
  bool FLoaded = true;
  bool FShuffled = false;
  bool FUserReordered = false;
  Integer FPlaybackCursor = -1;
  Integer FBookmark = 0;
  Integer FUpdateCount = 0;
  Word FPendingChanges = 0;
  Word FState = 0;
  TZEPHPlaylistItem* FUnlistedEntry = nullptr;
  bool FNameIsAutoSet = true;
  bool FReadOnly = false;
  bool FModified = false;
  bool FStatisticsValid = false;
  Integer FPlaybackTempo = 0;
  Integer FInternalChanges = 0;
  std::vector<String> FCustomValues;
  TObject* FFocusedObject = nullptr;
  TZEPHPlaylistGroup* FFocusedGroup = nullptr;
  TZEPHPlaylistStorageAbstractPreimage* FPreimage = nullptr;
  TZEPHPlaylistStorageTagsScanTask* FTagsScanTask = nullptr;
  UInt64 FTagsScanHandle = 0;
  Double FScanningProgress = 0;
  Integer FTakingScanResults = 0;
};

class TZEPHPlaylistStorageScanScope {
 public:
  explicit TZEPHPlaylistStorageScanScope(TZEPHPlaylistStorage* AStorage) : FStorage(AStorage) {
    FStorage->BeginTakingScanResults();
  }
  ~TZEPHPlaylistStorageScanScope() { FStorage->EndTakingScanResults(); }
  TZEPHPlaylistStorageScanScope(const TZEPHPlaylistStorageScanScope&) = delete;
  TZEPHPlaylistStorageScanScope& operator=(const TZEPHPlaylistStorageScanScope&) = delete;

 private:
  TZEPHPlaylistStorage* FStorage;
};

// The playlists of a manager; owns them.
class TZEPHPlaylistStorages : public TZCLObjectList {
  ZCL_CLASS(TZEPHPlaylistStorages, TZCLObjectList)
 public:
  TZEPHPlaylistStorages() : TZCLObjectList(true) {}
  TZEPHPlaylistStorage* Get(Integer Index) const { return static_cast<TZEPHPlaylistStorage*>(GetItems(Index)); }
  TZEPHPlaylistStorage* First() const { return GetCount() > 0 ? Get(0) : nullptr; }
  TZEPHPlaylistStorage* Last() const { return GetCount() > 0 ? Get(GetCount() - 1) : nullptr; }
};

// Keeps the playlists, their folder, their identifiers and the active one.
class TZEPHPlaylistStorageManager : public TZCLUnknownObject {
  ZCL_CLASS(TZEPHPlaylistStorageManager, TZCLUnknownObject)
 public:
  TZEPHPlaylistStorageManager();
  ~TZEPHPlaylistStorageManager() override;

  Integer Count() const { return FStorages->GetCount(); }
  TZEPHPlaylistStorage* Storages(Integer Index) const { return FStorages->Get(Index); }
  TZEPHPlaylistStorages* GetStorages() const { return FStorages; }
  TZEPHPlaylistStorage* FindStorage(const std::function<bool(TZEPHPlaylistStorage*)>& Predicate) const;
  // Case-sensitive; an empty ID finds nothing.
  TZEPHPlaylistStorage* FindStorageByID(const String& ID) const;
  // ID itself while no playlist has it, else fresh GUID texts.
  String MakeUniqueID(const String& ID) const;
  // "<StoragePath>/Undo/"; raises when no storage path was set.
  String GetHistoryFolder() const;
  TZEPHPlaylistStorage* GetActiveStorage() const { return FActiveStorage; }
  void SetActiveStorage(TZEPHPlaylistStorage* Value);
  bool GetConfirmDeletion() const { return FConfirmDeletion; }
  void SetConfirmDeletion(bool Value) { FConfirmDeletion = Value; }
  const String& GetStoragePath() const { return FStoragePath; }
  void SetStoragePath(const String& Value) { FStoragePath = Value; }
  bool IsDestroying() const { return FDestroying; }

  virtual void ActiveStorageChanged();
  virtual void PlayingEntryRemoving(bool DeleteFiles, TZEPHPlaylistItem* Entry, bool& Restart) = 0;
  // A playlist or an entry.
  virtual void PlayRequest(TObject* Object) = 0;
  virtual void RestartPlayback(TZEPHPlaylistStorage* Storage) = 0;
  virtual void StorageInitialized(TZEPHPlaylistStorage* Storage) = 0;
  virtual void StorageMoved(TZEPHPlaylistStorage* Storage, Integer OldIndex, Integer NewIndex) = 0;
  virtual void QueueEntries(const std::vector<TZEPHPlaylistItem*>& Entries) = 0;
  virtual void EntryRemoving(TZEPHPlaylistItem* Entry) = 0;
  virtual void StorageClearing(TZEPHPlaylistStorage* Storage) = 0;

 protected:
  friend class TZEPHPlaylistStorage;
  TZEPHPlaylistStorages* FStorages;
  TZEPHPlaylistStorage* FActiveStorage = nullptr;
  String FStoragePath;
  bool FConfirmDeletion = true;
  bool FDestroying = false;
};

// The undo history of one playlist: at most five snapshot actions.
class TZEPHPlaylistStorageHistory : public TZBLCustomHistoryManager {
  ZCL_CLASS(TZEPHPlaylistStorageHistory, TZBLCustomHistoryManager)
 public:
  explicit TZEPHPlaylistStorageHistory(TZEPHPlaylistStorage* AStorage);
  TZEPHPlaylistStorage* GetStorage() const { return FStorage; }
  // With undo allowed, opens an action that takes a snapshot first; else a bracket without one.
  void BeginSnapshotAction();
  // Clears the history once undo is no longer allowed.
  void CheckAllowed();

 private:
  TZEPHPlaylistStorage* FStorage;
};

// One snapshot: a copy of the playlist file in the undo folder. Undo and redo both swap the
// playlist with its snapshot.
class TZEPHPlaylistStorageHistoryCommand : public TZBLHistoryCustomCommand {
  ZCL_CLASS(TZEPHPlaylistStorageHistoryCommand, TZBLHistoryCustomCommand)
 public:
  explicit TZEPHPlaylistStorageHistoryCommand(TZEPHPlaylistStorage* AStorage) : FStorage(AStorage) {}
  ~TZEPHPlaylistStorageHistoryCommand() override;
  const String& GetSnapshotFileName() const { return FSnapshotFileName; }
  void Execute() override;
  void Redo() override { Undo(); }
  // A failed load takes the playlist back to the state just saved and keeps the old snapshot.
  void Undo() override;

 private:
  TZEPHPlaylistStorage* FStorage;
  String FSnapshotFileName;
};
