#include "zeph/playlists/ZEPH.Playlists.Storage.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.Hashes.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Logger.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "rtl/RTL.Streams.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.Helpers.h"
#include "zeph/playlists/ZEPH.Playlists.Strings.h"

namespace {
std::mt19937& Random() {
  static std::mt19937 generator(static_cast<unsigned>(std::chrono::steady_clock::now().time_since_epoch().count()));
  return generator;
}

String DurationText(Int64 Milliseconds) {
  return TZCLTimeFormat::Format(static_cast<Single>(Milliseconds) / 1000.0f,
                                TimePart(tpHours) | TimePart(tpMinutes) | TimePart(tpSeconds), u":", false);
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Entry

TZEPHPlaylistItem::TZEPHPlaylistItem(TZEPHPlaylistStorage* AStorage) : FStorage(AStorage) {}

TZEPHPlaylistItem::~TZEPHPlaylistItem() {
  if (!FStorage->IsClearing()) {
    TZEPHPlaylistItems* items = FStorage->GetItems();
    const Integer index = items->IndexOf(this);
    if (index >= 0) items->ExtractByIndex(index);
  }
  SetGroup(nullptr);
}

void TZEPHPlaylistItem::SetGroup(TZEPHPlaylistGroup* Value) {
  if (FGroup == Value) return;
  if (FGroup != nullptr) {
    FGroup->FItems->Extract(this);
    FGroup->InvalidateDuration();
  }
  FGroup = Value;
  if (FGroup != nullptr) {
    FGroup->FItems->Add(this);
    FGroup->InvalidateDuration();
  }
}

void TZEPHPlaylistItem::AttachToGroup(TZEPHPlaylistGroup* Value) {
  FGroup = Value;
  FGroup->FItems->Add(this);
  FGroup->InvalidateDuration();
}

Integer TZEPHPlaylistItem::GetIndex() const { return FStorage->GetItems()->IndexOf(const_cast<TZEPHPlaylistItem*>(this)); }

Integer TZEPHPlaylistItem::GetIndexInGroup() const {
  return FGroup != nullptr ? FGroup->GetItems()->IndexOf(const_cast<TZEPHPlaylistItem*>(this)) : GetIndex();
}

String TZEPHPlaylistItem::GetDurationText() const {
  const Cardinal duration = GetStreamInfo().Duration;
  if (duration > 0) return DurationText(duration);
  if (HasItemFlag(zpifIsInternetStream)) return u"Radio";
  return String();
}

const String& TZEPHPlaylistItem::GetDisplayText() {
  if (FDisplayText.empty())
    FDisplayText = TZEPHPlaylistItemFormatStringFactory::Format(FStorage->GetSettings()->GetFormatMainLine(), this,
                                                                zfcfDisplayForms);
  return FDisplayText;
}

String TZEPHPlaylistItem::GetDisplayText2() {
  if (HasItemFlag(zpifFileNotFound)) return u"< not found >";
  if (HasItemFlag(zpifIsInternetStream)) return GetFileName();
  if (FDisplayText2.empty())
    FDisplayText2 = TZEPHPlaylistItemFormatStringFactory::Format(FStorage->GetSettings()->GetFormatSecondLine(), this,
                                                                 zfcfDisplayForms);
  return FDisplayText2;
}

void TZEPHPlaylistItem::ClearDisplayTexts() {
  FDisplayText.clear();
  FDisplayText2.clear();
}

bool TZEPHPlaylistItem::IsFirstInGroup() const { return FGroup != nullptr && FGroup->GetItems()->First() == this; }
bool TZEPHPlaylistItem::IsLastInGroup() const { return FGroup != nullptr && FGroup->GetItems()->Last() == this; }
bool TZEPHPlaylistItem::IsPlaying() const { return FPlaybackQueueIndex == FStorage->GetPlaybackCursor(); }
bool TZEPHPlaylistItem::IsVisible() const { return FGroup == nullptr || FGroup->GetExpanded(); }

bool TZEPHPlaylistItem::NeedsInfo() const {
  if (HasItemFlag(zpifIsInternetStream)) return GetTitle().empty();
  return GetStreamInfo().Duration == 0 || GetStreamInfo().SampleRate == 0;
}

void TZEPHPlaylistItem::ResetInfo() {
  GetStreamInfo().Duration = 0;
  SetFileSize(0);
}

void TZEPHPlaylistItem::SetSelected(bool Value) {
  if (IsSelected() == Value) return;
  SetItemFlag(zpifSelected, Value);
  if (Value && FGroup != nullptr) FGroup->SetExpanded(true);
  Changed(zpcSelection);
}

void TZEPHPlaylistItem::MoveToStorage(TZEPHPlaylistStorage* AStorage) {
  if (AStorage == nullptr || AStorage == FStorage) return;
  SetGroup(nullptr);
  FStorage->GetItems()->Extract(this);
  FStorage = AStorage;
  FStorage->GetItems()->Add(this);
}

void TZEPHPlaylistItem::Changed(Word Flags) {
  // Work on other threads reports through the playlist's scan notifications instead.
  if (!IsMainThread()) return;
  if (Flags & zpcEntryInfo) FStorage->InvalidateGroups();
  FStorage->Changed(Flags);
}

void TZEPHPlaylistItem::DoChanged() {
  ClearDisplayTexts();
  Changed(zpcEntryInfo);
}

void TZEPHPlaylistItem::FileNameChanged() {
  TZEPHPlaylistCustomItem::FileNameChanged();
  // FIXME: schemes served by a registered file system are no internet streams.
  SetItemFlag(zpifIsInternetStream, HasItemFlag(zpifIsURL));
}

void TZEPHPlaylistItem::FlagChanged(Word Flag) {
  if (Flag == zpifPlaybackSwitch)
    Changed(zpcPlaybackSwitch);
  else if (Flag == zpifFileNotFound)
    Changed(zpcFileState);
}

// ---------------------------------------------------------------------------------------------
// Entry lists

void TZEPHPlaylistItems::AddRange(const TZEPHPlaylistItems* List) {
  SetCapacity(GetCount() + List->GetCount());
  for (Integer i = 0; i < List->GetCount(); ++i) Add(List->Get(i));
}

TZEPHPlaylistItem* TZEPHPlaylistItems::GetByPlaybackQueueIndex(Integer Index) const {
  if (Index < 0) return nullptr;
  for (Integer i = 0; i < GetCount(); ++i)
    if (Get(i)->GetPlaybackQueueIndex() == Index) return Get(i);
  return nullptr;
}

TZEPHPlaylistItem* TZEPHPlaylistItems::GetNextInPlaybackQueue(Integer Index) const {
  TZEPHPlaylistItem* best = nullptr;
  for (Integer i = 0; i < GetCount(); ++i) {
    const Integer q = Get(i)->GetPlaybackQueueIndex();
    if (q != -1 && q > Index && (best == nullptr || q < best->GetPlaybackQueueIndex())) best = Get(i);
  }
  return best;
}

Integer TZEPHPlaylistItems::GetMaxPlaybackQueueIndex() const {
  Integer result = -1;
  for (Integer i = 0; i < GetCount(); ++i) result = std::max(result, Get(i)->GetPlaybackQueueIndex());
  return result;
}

bool TZEPHPlaylistItems::HasFullPlaybackQueue() const {
  for (Integer i = 0; i < GetCount(); ++i)
    if (Get(i)->GetPlaybackQueueIndex() == -1) return false;
  return true;
}

bool TZEPHPlaylistItems::IsPlaybackQueueOutOfOrder() const {
  Integer last = -1;
  for (Integer i = 0; i < GetCount(); ++i) {
    const Integer q = Get(i)->GetPlaybackQueueIndex();
    if (q == -1) continue;
    if (q <= last) return true;
    last = q;
  }
  return false;
}

bool TZEPHPlaylistItems::FindByFileName(const String& FileName, Integer From, Integer& Index) const {
  const Cardinal hash = ZEPHPlaylistFileNameHash(FileName);
  for (Integer i = std::max(From, 0); i < GetCount(); ++i) {
    TZEPHPlaylistItem* item = Get(i);
    if (item->GetFileNameHash() == hash && SameText(item->GetFileName(), FileName)) {
      Index = i;
      return true;
    }
  }
  Index = -1;
  return false;
}

void TZEPHPlaylistItems::ClearDisplayTexts() {
  for (Integer i = 0; i < GetCount(); ++i) Get(i)->ClearDisplayTexts();
}

bool TZEPHPlaylistItems::RenumberPlaybackQueue(Integer& Cursor) {
  TZEPHPlaylistItem* current = nullptr;
  if (Cursor >= 0) {
    current = GetByPlaybackQueueIndex(Cursor);
    if (current == nullptr) current = GetNextInPlaybackQueue(Cursor);
  }
  const Integer oldCursor = Cursor;
  bool changed = false;
  Integer i = 0;
  for (Integer k = 0; k < GetCount(); ++k) {
    TZEPHPlaylistItem* item = Get(k);
    if (item == current) {
      const Integer old = item->GetPlaybackQueueIndex();
      Cursor = i;
      if (oldCursor < old) ++i;
    }
    if (item->GetPlaybackQueueIndex() != i) changed = true;
    item->SetPlaybackQueueIndex(i);
    ++i;
  }
  if (current == nullptr && Cursor >= 0) Cursor = i;
  return changed;
}

bool TZEPHPlaylistItems::ShufflePlaybackQueue(Integer& Cursor, bool Reset, bool CurrentFirst) {
  if (GetCount() == 0 || (!Reset && HasFullPlaybackQueue())) return false;
  TZEPHPlaylistItem* current = GetByPlaybackQueueIndex(Cursor);
  if (Reset) Cursor = -1;
  Integer next = Cursor + 1;
  std::vector<std::pair<TZEPHPlaylistItem*, Integer>> pending;  // entry and list position
  for (Integer i = 0; i < GetCount(); ++i) {
    const Integer q = Get(i)->GetPlaybackQueueIndex();
    if (q < 0 || q >= next) pending.emplace_back(Get(i), i);
  }
  Integer lastPosition = -2;
  bool firstPick = true;
  while (!pending.empty()) {
    size_t pick = 0;
    for (int attempt = 1; attempt <= 3; ++attempt) {
      pick = std::uniform_int_distribution<size_t>(0, pending.size() - 1)(Random());
      if (firstPick || attempt == 3 || pending[pick].second != lastPosition + 1) break;
    }
    firstPick = false;
    pending[pick].first->SetPlaybackQueueIndex(next++);
    lastPosition = pending[pick].second;
    pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(pick));
  }
  if (Reset && current != nullptr) {
    if (CurrentFirst) {
      MovePlaybackQueueIndex(-1, current);
      Cursor = 0;
    } else if (current->GetPlaybackQueueIndex() == 0 && GetCount() > 1) {
      MovePlaybackQueueIndex(GetMaxPlaybackQueueIndex(), current);
    }
  }
  return true;
}

void TZEPHPlaylistItems::MovePlaybackQueueIndex(Integer Target, TZEPHPlaylistItem* Entry) {
  const Integer old = Entry->GetPlaybackQueueIndex();
  if (old < Target) {
    for (Integer i = 0; i < GetCount(); ++i) {
      const Integer q = Get(i)->GetPlaybackQueueIndex();
      if (q >= old && q <= Target) Get(i)->SetPlaybackQueueIndex(q - 1);
    }
    Entry->SetPlaybackQueueIndex(Target);
  } else if (Target < old) {
    for (Integer i = 0; i < GetCount(); ++i) {
      const Integer q = Get(i)->GetPlaybackQueueIndex();
      if (q >= Target + 1 && q <= old) Get(i)->SetPlaybackQueueIndex(q + 1);
    }
    Entry->SetPlaybackQueueIndex(Target + 1);
  }
}

// ---------------------------------------------------------------------------------------------
// Groups

TZEPHPlaylistGroup::TZEPHPlaylistGroup(TZEPHPlaylistGroups* AOwner, const String& AName, Cardinal ANameHash)
    : FOwner(AOwner), FName(AName), FNameHash(ANameHash), FItems(new TZEPHPlaylistItems(false)) {}

TZEPHPlaylistGroup::~TZEPHPlaylistGroup() {
  Detach();
  delete FItems;
}

TZEPHPlaylistStorage* TZEPHPlaylistGroup::GetStorage() const { return FOwner->GetStorage(); }
Integer TZEPHPlaylistGroup::GetIndex() const { return FOwner->IndexOf(const_cast<TZEPHPlaylistGroup*>(this)); }

Int64 TZEPHPlaylistGroup::GetDuration() {
  if (FDuration < 0) {
    FDuration = 0;
    for (Integer i = 0; i < FItems->GetCount(); ++i) FDuration += FItems->Get(i)->GetStreamInfo().Duration;
  }
  return FDuration;
}

String TZEPHPlaylistGroup::GetDisplayText() const {
  TZEPHPlaylistItem* first = FItems->First();
  if (first == nullptr) return String();
  return TZEPHPlaylistItemFormatStringFactory::Format(GetStorage()->GetSettings()->GetGroupFormatLine(), first,
                                                      zfcfDisplayForms | zfcfFileDirAsParentDir);
}

String TZEPHPlaylistGroup::ToString() const {
  const Int64 duration = const_cast<TZEPHPlaylistGroup*>(this)->GetDuration();
  return Format(u"%s (%d / %s)", {GetDisplayText(), FItems->GetCount(), duration > 0 ? DurationText(duration) : String()});
}

Integer TZEPHPlaylistGroup::GetSwitchState() const {
  Integer on = 0;
  for (Integer i = 0; i < FItems->GetCount(); ++i)
    if (FItems->Get(i)->GetSwitch()) ++on;
  if (on == 0) return 0;
  return on == FItems->GetCount() ? 1 : 2;
}

void TZEPHPlaylistGroup::ToggleSwitch() { SetSwitch(GetSwitchState() != 1); }

void TZEPHPlaylistGroup::SetSwitch(bool Value) {
  GetStorage()->BeginUpdate();
  for (Integer i = 0; i < FItems->GetCount(); ++i) FItems->Get(i)->SetSwitch(Value);
  GetStorage()->EndUpdate();
}

bool TZEPHPlaylistGroup::AllSelected() const {
  for (Integer i = 0; i < FItems->GetCount(); ++i)
    if (!FItems->Get(i)->IsSelected()) return false;
  return true;
}

void TZEPHPlaylistGroup::SetSelected(bool Value) {
  GetStorage()->BeginUpdate();
  for (Integer i = 0; i < FItems->GetCount(); ++i) FItems->Get(i)->SetSelected(Value);
  GetStorage()->Changed(zpcSelection);
  GetStorage()->EndUpdate();
}

void TZEPHPlaylistGroup::SetExpanded(bool Value) {
  if (FExpanded == Value) return;
  if (!Value && !AllSelected()) {
    // Deselecting must not re-expand the group through the entries' selection rule.
    for (Integer i = 0; i < FItems->GetCount(); ++i) FItems->Get(i)->SetSelected(false);
  }
  FExpanded = Value;
  GetStorage()->InvalidateLayout();
}

void TZEPHPlaylistGroup::Detach() {
  for (Integer i = FItems->GetCount() - 1; i >= 0; --i) FItems->Get(i)->FGroup = nullptr;
  FItems->Clear();
  FDuration = -1;
}

TZEPHPlaylistGroups::~TZEPHPlaylistGroups() { Clear(); }

Cardinal TZEPHPlaylistGroups::HashName(StringView Name) {
  const String upper = UpperCase(Name);
  return TZCLHashBobJenkins::HashLittle(upper.data(), upper.size() * sizeof(Char), 0);
}

TZEPHPlaylistGroup* TZEPHPlaylistGroups::Add(const String& Name, Cardinal NameHash) {
  auto* group = new TZEPHPlaylistGroup(this, Name, NameHash != 0 ? NameHash : HashName(Name));
  TZCLObjectList::Add(group);
  return group;
}

TZEPHPlaylistGroup* TZEPHPlaylistGroups::FindOrAdd(const String& Name) {
  const Cardinal hash = HashName(Name);
  for (Integer i = 0; i < GetCount(); ++i)
    if (Get(i)->GetNameHash() == hash && SameText(Get(i)->GetName(), Name)) return Get(i);
  return Add(Name, hash);
}

void TZEPHPlaylistGroups::InvalidateDurations() {
  for (Integer i = 0; i < GetCount(); ++i) Get(i)->InvalidateDuration();
}

void TZEPHPlaylistGroups::Rebuild() {
  for (Integer i = GetCount() - 1; i >= 0; --i)
    if (Get(i)->GetItems()->GetCount() == 0) Delete(i);
  for (Integer i = 0; i < GetCount(); ++i) Get(i)->OrderIndex = Get(i)->GetItems()->First()->GetIndex();
  std::stable_sort(GetList(), GetList() + GetCount(), [](Pointer a, Pointer b) {
    return static_cast<TZEPHPlaylistGroup*>(a)->OrderIndex < static_cast<TZEPHPlaylistGroup*>(b)->OrderIndex;
  });
}

void TZEPHPlaylistGroups::Clear() {
  for (Integer i = 0; i < GetCount(); ++i) Get(i)->Detach();
  TZCLObjectList::Clear();
  Rebuild();
}

// ---------------------------------------------------------------------------------------------
// Playlist

TZEPHPlaylistStorage::TZEPHPlaylistStorage()
    : FItems(new TZEPHPlaylistItems(true)),
      FGroups(new TZEPHPlaylistGroups(this)),
      FSettings(new TZEPHPlaylistSettings()),
      FListeners(new TZCLListenerList()) {
  FSettings->AddListener(this);
  TGUID guid;
  CreateGUID(guid);
  FID = GUIDToString(guid);
}

TZEPHPlaylistStorage::~TZEPHPlaylistStorage() {
  FSettings->RemoveListener(this);
  FState |= zpsRebuilding | zpsDestroying;
  ClearContent();
  delete FGroups;
  delete FItems;
  delete FListeners;
  delete FSettings;
}

TZEPHPlaylistItem* TZEPHPlaylistStorage::AddEntry(const String& FileName) {
  auto* item = Create<TZEPHPlaylistItem>(this);
  item->SetFileName(FileName);
  FItems->Add(item);
  FState |= zpsNeedsScan;
  Changed(zpcItemList);
  RequestLayout(zpsGroupsInvalid | zpsLayoutInvalid);
  return item;
}

void TZEPHPlaylistStorage::ClearContent() {
  FGroups->Clear();
  FState |= zpsClearing;
  FItems->Clear();
  FState &= ~zpsClearing;
  UpdateAutoName();
}

void TZEPHPlaylistStorage::SetName(const String& Value) {
  const bool asksAuto = Value.empty() || Value == u"<AutoName>";
  if (Value == FName && (!FNameIsAutoSet || asksAuto)) return;
  FNameIsAutoSet = asksAuto;
  if (asksAuto)
    UpdateAutoName();
  else
    StoreName(Value);
}

void TZEPHPlaylistStorage::UpdateAutoName() {
  if (FNameIsAutoSet && FLoaded && !(FState & (zpsDestroying | zpsLoading)))
    StoreName(TZEPHPlaylistStorageAutoNameHelper::GetName(this));
}

void TZEPHPlaylistStorage::StoreName(const String& Value) {
  if (Value == FName) return;
  FName = Value;
  if (StartsStr(u"{AUTO-", FID)) {
    TGUID guid;
    CreateGUID(guid);
    FID = GUIDToString(guid);
  }
  Changed(zpcName);
}

void TZEPHPlaylistStorage::SetID(const String& Value) {
  if (Value.empty() || Value == FID) return;
  FID = Value;
  SetModified(true);
}

void TZEPHPlaylistStorage::SetRemark(const String& Value) {
  if (Value == FRemark) return;
  FRemark = Value;
  Changed(zpcRemark);
}

void TZEPHPlaylistStorage::SetReadOnly(bool Value) {
  if (Value == FReadOnly) return;
  FReadOnly = Value;
  Changed(zpcReadOnly);
}

bool TZEPHPlaylistStorage::IsDefault() const { return SameText(FName, u"Default"); }

void TZEPHPlaylistStorage::SetModified(bool Value) {
  if (Value == FModified) return;
  FModified = Value;
  if (Value) {
    const Word flags = zpcModified;
    FListeners->Enum<IZEPHPlaylistStorageChangeListener>(
        [&](const IPtr<IZEPHPlaylistStorageChangeListener>& L) { L->Changed(this, flags, nullptr); });
  }
}

void TZEPHPlaylistStorage::NotifyUpdateLock() {
  FListeners->Enum<IZEPHPlaylistStorageUpdateLockListener>(
      [&](const IPtr<IZEPHPlaylistStorageUpdateLockListener>& L) { L->UpdateLockChanged(this); });
}

void TZEPHPlaylistStorage::BeginUpdate() {
  if (++FUpdateCount == 1) NotifyUpdateLock();
}

void TZEPHPlaylistStorage::EndUpdate() {
  if (FUpdateCount <= 0) return;
  if (FUpdateCount == 1) {
    ++FUpdateCount;
    do {
      RunLayout(true);
      ProcessChanges();
    } while (FPendingChanges != 0);
    --FUpdateCount;
  }
  if (--FUpdateCount == 0) {
    NotifyUpdateLock();
    // FIXME: the automatic tags scan starts here.
  }
}

void TZEPHPlaylistStorage::Changed(Word Flags) {
  FPendingChanges |= Flags;
  if (FUpdateCount == 0) ProcessChanges();
}

void TZEPHPlaylistStorage::ProcessChanges() {
  while (FPendingChanges != 0) {
    if (!IsMainThread()) throw Exception(ClassName() + u": Synchronization Error");
    if (FPendingChanges & zpcInvalidatesStatistics) FStatisticsValid = false;
    if (FPendingChanges & zpcSetsModified) SetModified(true);
    if (FPendingChanges & zpcContent) {
      FItems->ClearDisplayTexts();
      RenewPlaybackOrder(false, true);
    }
    if (FPendingChanges & zpcInvalidatesDurations) FGroups->InvalidateDurations();
    // Listeners run inside the bracket: what they change is collected for the next round.
    ++FUpdateCount;
    const Word flags = FPendingChanges;
    FPendingChanges = 0;
    FListeners->Enum<IZEPHPlaylistStorageChangeListener>(
        [&](const IPtr<IZEPHPlaylistStorageChangeListener>& L) { L->Changed(this, flags, nullptr); });
    --FUpdateCount;
    // Inside an outer bracket its EndUpdate repeats the round.
    if (FUpdateCount > 0) break;
  }
}

void TZEPHPlaylistStorage::RequestLayout(Word Bits) {
  FState |= Bits & (zpsGroupsInvalid | zpsLayoutInvalid);
  if (FUpdateCount == 0) RunLayout(false);
}

void TZEPHPlaylistStorage::RunLayout(bool Force) {
  if ((FUpdateCount > 0 && !Force) || (FState & (zpsRebuilding | zpsDestroying)) ||
      !(FState & (zpsGroupsInvalid | zpsLayoutInvalid)))
    return;
  FState |= zpsRebuilding;
  // FIXME: the focus is saved and restored around the rebuild once the view's focus exists.
  if (FState & zpsGroupsInvalid) Regroup();
  FState &= ~(zpsGroupsInvalid | zpsLayoutInvalid);
  Changed(zpcContent);
  FState &= ~zpsRebuilding;
}

void TZEPHPlaylistStorage::SettingsChanged(Byte Kinds) {
  if (Kinds & zpskLineFormats) FItems->ClearDisplayTexts();
  if (Kinds & zpskGrouping) FState |= zpsGroupsInvalid;
  RunLayout(false);
  SetModified(true);
}

void TZEPHPlaylistStorage::SetPlaybackCursorAutoBookmark(Integer Value) {
  if (Value == FBookmark) return;
  if (FStatisticsValid && FItems->GetByPlaybackQueueIndex(FPlaybackCursor) != nullptr) {
    const Integer delta = Value - FBookmark;
    FStatistics.Played.Duration += delta;
    FStatistics.Remaining.Duration -= delta;
  }
  FBookmark = Value;
  Changed(zpcPlaybackPosition);
}

const TZEPHPlaylistStatistics& TZEPHPlaylistStorage::GetStatistics() {
  if (FStatisticsValid) return FStatistics;
  FStatistics = TZEPHPlaylistStatistics();
  FStatistics.Total.Count = FItems->GetCount();
  for (Integer i = 0; i < FItems->GetCount(); ++i) {
    TZEPHPlaylistItem* item = FItems->Get(i);
    const Int64 d = item->GetStreamInfo().Duration;
    const Int64 s = item->GetFileSize();
    FStatistics.MaxDuration = std::max(FStatistics.MaxDuration, d);
    FStatistics.Total.Duration += d;
    FStatistics.Total.Size += s;
    if (item->IsSelected()) {
      ++FStatistics.Selected.Count;
      FStatistics.Selected.Duration += d;
      FStatistics.Selected.Size += s;
    }
    const Integer q = item->GetPlaybackQueueIndex();
    if (q < FPlaybackCursor) {
      ++FStatistics.Played.Count;
      FStatistics.Played.Duration += d;
      FStatistics.Played.Size += s;
    } else if (q == FPlaybackCursor) {
      FStatistics.Remaining.Duration += d - FBookmark;
      FStatistics.Played.Duration += FBookmark;
    } else if (item->GetSwitch()) {
      ++FStatistics.Remaining.Count;
      FStatistics.Remaining.Duration += d;
      FStatistics.Remaining.Size += s;
    }
  }
  FStatisticsValid = true;
  return FStatistics;
}

// ---------------------------------------------------------------------------------------------
// File

void TZEPHPlaylistStorage::Init(const String& Name, const String& FileName) {
  FFileName = FileName;
  FLoaded = FileName.empty();
  if (!FLoaded) {
    FFileSummary.Reset();
    std::unique_ptr<TZEPHPlaylistFormatCustomTextReader> reader;
    try {
      if (TZEPHPlaylistFormats::CreateReader(FileName, reader)) reader->Read(&FFileSummary, nullptr);
    } catch (const Exception& E) {
      LogWriteException(String(), u"Playlist", E, u"SummaryRead");
    }
    FShuffled = FFileSummary.Shuffled;
    FReadOnly = FFileSummary.ReadOnly;
    FNameIsAutoSet = FFileSummary.NameIsAutoSet;
    FName = !Name.empty() ? Name : !FFileSummary.Name.empty() ? FFileSummary.Name : zcExtractFileNameWithoutExt(FileName);
    SetID(FFileSummary.ID);
  } else {
    SetName(Name);
  }
  ClearContent();
}

bool TZEPHPlaylistStorage::EnsureLoaded() {
  if (FLoaded) return true;
  if (!Load(FFileName)) return false;
  FModified = false;
  return true;
}

bool TZEPHPlaylistStorage::Load(const String& FileName) {
  BeginUpdate();
  FLoaded = true;
  FState |= zpsLoading;
  ClearContent();
  bool ok = true;
  try {
    std::unique_ptr<TZEPHPlaylistFormatCustomTextReader> reader;
    if (TZEPHPlaylistFormats::CreateReader(FileName, reader)) {
      TZEPHPlaylistSummary summary;
      reader->Read(&summary, this);
      if (summary.NameIsAutoSet)
        SetName(u"<AutoName>");
      else if (!summary.Name.empty())
        SetName(summary.Name);
      SetID(summary.ID);
      SetReadOnly(summary.ReadOnly);
      FPlaybackCursor = summary.PlaybackCursor;
      FBookmark = summary.PlaybackCursorAutoBookmark;
      FUserReordered = summary.UserReordered;
      FSortingTemplate = summary.SortingTemplate;
      std::unique_ptr<TZCLIniFileSection> settings(reader->ReadSettings());
      if (settings != nullptr) {
        FSettings->Load(settings.get());
      } else {
        FSettings->BeginUpdate();
        for (Cardinal flag : {zpsfInheritLineFormats, zpsfInheritGrouping, zpsfInheritViewFlags}) FSettings->SetFlag(flag, true);
        FSettings->EndUpdate();
      }
      FShuffled = FItems->GetCount() < 2 ? summary.Shuffled : FItems->IsPlaybackQueueOutOfOrder();
    }
  } catch (const Exception& E) {
    // A file that cannot be read is not this playlist's content: nothing of it is kept and the
    // playlist stays unloaded, so it is neither saved over nor deleted as empty.
    LogWriteException(String(), u"Playlist", E, u"ContentLoad");
    ClearContent();
    FLoaded = false;
    ok = false;
  }
  FState &= ~zpsLoading;
  FState |= zpsNeedsScan;
  FPendingChanges &= ~zpcModified;
  EndUpdate();
  return ok;
}

void TZEPHPlaylistStorage::AddGroup(const String& Name, bool Expanded) {
  FGroups->FindOrAdd(Name)->SetExpanded(Expanded);
}

void TZEPHPlaylistStorage::AddItem(const String& FileName, TZEPHPlaylistCustomItem* Item, Integer PlaybackQueueIndex) {
  auto* entry = Create<TZEPHPlaylistItem>(this);
  if (Item != nullptr) entry->Assign(Item);
  if (entry->GetFileName() != FileName) entry->SetFileName(FileName);
  entry->SetPlaybackQueueIndex(PlaybackQueueIndex);
  FItems->Add(entry);
  if (FGroups->Last() != nullptr) entry->SetGroup(FGroups->Last());
  Changed(zpcItemList);
}

String TZEPHPlaylistStorage::GetStorageFileName() const {
  return FStoragePath + zcValidateFileName(FName) + u".zephpl4";
}

bool TZEPHPlaylistStorage::IsInStorageFolder() const {
  return !FStoragePath.empty() && StartsText(FStoragePath, FFileName);
}

bool TZEPHPlaylistStorage::IsWorthKeeping() const {
  TZEPHPlaylistCommonSettings* common = PlaylistCommonSettings();
  if (IsDefault() && !common->GetOption(zpoSaveDefaultPlaylist)) return false;
  if (FLoaded && FItems->GetCount() == 0 && !common->GetOption(zpoSaveEmptyPlaylists)) return false;
  return true;
}

void TZEPHPlaylistStorage::GetFileSummary(TZEPHPlaylistSummary& Summary) {
  if (!FLoaded) {
    Summary = FFileSummary;
    return;
  }
  Summary.Reset();
  Summary.ID = FID;
  Summary.Name = FName;
  Summary.NameIsAutoSet = FNameIsAutoSet;
  Summary.PlaybackCursor = FPlaybackCursor;
  Summary.PlaybackCursorAutoBookmark = FBookmark;
  Summary.ReadOnly = FReadOnly;
  const TZEPHPlaylistStatistics& st = GetStatistics();
  Summary.ContentFiles = st.Total.Count;
  Summary.ContentDuration = st.Total.Duration;
  Summary.ContentSize = st.Total.Size;
  Summary.SortingTemplate = FSortingTemplate;
  Summary.UserReordered = CanEdit() && FUserReordered;
  Summary.Shuffled = FShuffled;
}

void TZEPHPlaylistStorage::Save() {
  // Without a storage folder the playlist keeps no file; an unloaded one has nothing new.
  if (!FLoaded || FStoragePath.empty()) return;
  try {
    if (!FFileName.empty()) {
      if (IsInStorageFolder() && !EndsText(u".zephpl4", FFileName)) {
        zcDeleteFile(FFileName);
        FFileName.clear();
      } else if (!IsInStorageFolder()) {
        FFileName.clear();
      }
    }
    if (FFileName.empty()) FFileName = zcGetUniqueFileName(GetStorageFileName());
    if (FModified || !zcFileExists(FFileName)) {
      SaveTo(FFileName, PlaylistCommonSettings()->GetOption(zpoSaveAbsoluteFileNames));
      FModified = false;
    }
  } catch (const Exception& E) {
    LogWriteException(String(), u"Playlist", E, u"ContentSave");
  }
}

void TZEPHPlaylistStorage::SaveTo(const String& FileName, bool AbsoluteFileNames) {
  if (!EnsureLoaded()) return;
  const String temp = zcExtractFilePath(FileName) + u".~" + zcExtractFileName(FileName);
  if (!TZEPHPlaylistFormats::HasWriter(temp)) return;
  {
    TFileStream file(temp, fmCreate);
    std::unique_ptr<TZEPHPlaylistFormatCustomTextWriter> writer(TZEPHPlaylistFormats::CreateWriter(temp, &file));
    if (!AbsoluteFileNames) writer->SetBasePath(zcExtractFilePath(FileName));
    TZEPHPlaylistSummary summary;
    GetFileSummary(summary);
    writer->WriteSummary(summary);
    TZCLIniFileSection settings;
    FSettings->Save(&settings);
    writer->WriteSettings(&settings);
    TZEPHPlaylistGroup* last = nullptr;
    for (Integer i = 0; i < FItems->GetCount(); ++i) {
      TZEPHPlaylistItem* item = FItems->Get(i);
      if (item->GetGroup() != last && item->GetGroup() != nullptr)
        writer->WriteGroup(item->GetGroup()->GetName(), item->GetGroup()->GetExpanded());
      last = item->GetGroup();
      writer->WriteItem(item, item->GetPlaybackQueueIndex());
    }
  }
  if (!zcReplaceFile(temp, FileName)) throw Exception(u"Cannot replace " + FileName);
}

// ---------------------------------------------------------------------------------------------
// Grouping and order of play

void TZEPHPlaylistStorage::Regroup() {
  BeginUpdate();
  if (!FSettings->GetGroupingFlag(zpsfGrouping))
    FGroups->Clear();
  else if (FSettings->GetGroupingFlag(zpsfGroupByName))
    GroupByName();
  else
    GroupConsecutive();
  // FIXME: auto-collapse follows the focused group once focus exists.
  Changed(zpcContent);
  EndUpdate();
}

void TZEPHPlaylistStorage::GroupConsecutive() {
  const String& format = FSettings->GetGroupFormatLine();
  for (Integer i = 0; i < FGroups->GetCount(); ++i) FGroups->Get(i)->GetItems()->Clear();
  TZEPHPlaylistGroup* current = nullptr;
  for (Integer i = 0; i < FItems->GetCount(); ++i) {
    TZEPHPlaylistItem* item = FItems->Get(i);
    const String name = TZEPHPlaylistItemFormatStringFactory::Format(format, item, zfcfDisplayForms | zfcfFileDirAsParentDir);
    if (current == nullptr || !SameText(current->GetName(), name)) {
      current = FGroups->Add(name);
      TZEPHPlaylistGroup* previous = item->GetGroup();
      if (previous != nullptr && previous != current && SameText(previous->GetName(), name))
        current->SetExpandedState(previous->GetExpanded());
    }
    item->AttachToGroup(current);
  }
  FGroups->Rebuild();
}

void TZEPHPlaylistStorage::GroupByName() {
  const String& format = FSettings->GetGroupFormatLine();
  for (Integer i = 0; i < FGroups->GetCount(); ++i) FGroups->Get(i)->Detach();
  for (Integer i = 0; i < FItems->GetCount(); ++i) {
    TZEPHPlaylistItem* item = FItems->Get(i);
    item->SetGroup(FGroups->FindOrAdd(
        TZEPHPlaylistItemFormatStringFactory::Format(format, item, zfcfDisplayForms | zfcfFileDirAsParentDir)));
  }
  FGroups->Rebuild();
  RebuildListFromGroups();
}

void TZEPHPlaylistStorage::RebuildListFromGroups() {
  if (!FSettings->GetGroupingFlag(zpsfGrouping)) return;
  // Rewritten in place: the owning list neither frees nor reports its entries meanwhile.
  Pointer* slots = FItems->GetList();
  Integer k = 0;
  for (Integer g = 0; g < FGroups->GetCount(); ++g) {
    TZEPHPlaylistItems* items = FGroups->Get(g)->GetItems();
    for (Integer i = 0; i < items->GetCount() && k < FItems->GetCount(); ++i) slots[k++] = items->Get(i);
  }
  for (Integer g = 0; g < FGroups->GetCount(); ++g) FGroups->Get(g)->OrderIndex = -1;
}

void TZEPHPlaylistStorage::SetShuffled(bool Value) {
  if (Value == FShuffled) return;
  FShuffled = Value;
  BeginUpdate();
  RenewPlaybackOrder(true, true);
  Changed(zpcPlaybackOrder);
  EndUpdate();
}

void TZEPHPlaylistStorage::RenewPlaybackOrder(bool Reset, bool CurrentFirst) {
  Integer cursor = FPlaybackCursor;
  const bool changed = FShuffled ? FItems->ShufflePlaybackQueue(cursor, Reset, CurrentFirst)
                                 : FItems->RenumberPlaybackQueue(cursor);
  FPlaybackCursor = cursor;
  if (changed) FPendingChanges |= zpcPlaybackOrder;
}
