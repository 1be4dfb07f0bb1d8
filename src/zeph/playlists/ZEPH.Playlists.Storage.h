#pragma once
// A playlist as it lives in memory: its entries, the groups it divides them into, its settings,
// its order of play and the change flags it collects inside its update bracket.

#include "zeph/playlists/ZEPH.Playlists.Formats.h"
#include "zeph/playlists/ZEPH.Playlists.Settings.h"
#include "zeph/playlists/ZEPH.Playlists.Types.h"

class TZEPHPlaylistGroup;
class TZEPHPlaylistGroups;
class TZEPHPlaylistStorage;

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
class TZEPHPlaylistItem : public TZEPHPlaylistCustomItem {
  ZCL_CLASS(TZEPHPlaylistItem, TZEPHPlaylistCustomItem)
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

class TZEPHPlaylistGroup : public TZCLUnknownObject {
  ZCL_CLASS(TZEPHPlaylistGroup, TZCLUnknownObject)
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

struct IZEPHPlaylistStorageChangeListener : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylistStorageChangeListener, IInterface, "{B96215CA-0B5F-4BE3-B1EF-E9A3487B1401}")
  virtual void Changed(TZEPHPlaylistStorage* Storage, Word Flags, void* Reserved) = 0;
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

// State bits of a playlist.
constexpr Word zpsRebuilding = 0x0002;
constexpr Word zpsDestroying = 0x0004;
constexpr Word zpsGroupsInvalid = 0x0010;
constexpr Word zpsLayoutInvalid = 0x0020;
constexpr Word zpsNeedsScan = 0x0040;
constexpr Word zpsLoading = 0x0080;
constexpr Word zpsClearing = 0x0100;

// FIXME: loading, saving, the file, the manager, history, preimage and tags scan join here.
class TZEPHPlaylistStorage : public TZCLUnknownObject,
                             public IZEPHPlaylistSettingsListener,
                             public IZEPHPlaylistItemsReceiver {
  ZCL_CLASS(TZEPHPlaylistStorage, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZEPHPlaylistSettingsListener, IZEPHPlaylistItemsReceiver)
 public:
  TZEPHPlaylistStorage();
  ~TZEPHPlaylistStorage() override;

  TZEPHPlaylistItems* GetItems() const { return FItems; }
  TZEPHPlaylistGroups* GetGroups() const { return FGroups; }
  TZEPHPlaylistSettings* GetSettings() const { return FSettings; }
  TZCLListenerList* GetListeners() const { return FListeners; }
  Integer GetPlaybackCursor() const { return FPlaybackCursor; }
  void SetPlaybackCursor(Integer Value) { FPlaybackCursor = Value; }
  Integer GetPlaybackCursorAutoBookmark() const { return FBookmark; }
  // Adjusts valid statistics in place rather than invalidating them.
  void SetPlaybackCursorAutoBookmark(Integer Value);
  bool IsClearing() const { return (FState & zpsClearing) != 0; }

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
  bool CanEdit() const { return !FReadOnly; }
  bool CanDelete(bool DeleteFiles) const { return DeleteFiles ? !FReadOnly : CanEdit(); }

  TZEPHPlaylistItem* AddEntry(const String& FileName);
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

  // The folder that keeps playlist files, with its trailing delimiter; empty keeps no files.
  // FIXME: asked of the manager once it exists.
  const String& GetStoragePath() const { return FStoragePath; }
  void SetStoragePath(const String& Value) { FStoragePath = Value; }
  const String& GetFileName() const { return FFileName; }
  bool IsLoaded() const { return FLoaded; }
  // With a file only the summary is read; the entries follow on first need.
  void Init(const String& Name, const String& FileName);
  // False while the file cannot be read: the playlist stays unloaded and its file untouched, and
  // the next access tries again.
  bool EnsureLoaded();
  bool Load(const String& FileName);
  // Writes the file when needed; errors are logged, never raised.
  void Save();
  void SaveTo(const String& FileName, bool AbsoluteFileNames);
  String GetStorageFileName() const;
  bool IsInStorageFolder() const;
  bool IsWorthKeeping() const;
  void GetFileSummary(TZEPHPlaylistSummary& Summary);

  void AddGroup(const String& Name, bool Expanded) override;
  void AddItem(const String& FileName, TZEPHPlaylistCustomItem* Item, Integer PlaybackQueueIndex) override;

 private:
  void ProcessChanges();
  void RunLayout(bool Force);
  void StoreName(const String& Value);
  void NotifyUpdateLock();
  void GroupConsecutive();
  void GroupByName();
  void RebuildListFromGroups();

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
  bool FNameIsAutoSet = true;
  bool FReadOnly = false;
  bool FModified = false;
  bool FStatisticsValid = false;
};
