#include "zcl/base/ZCL.ObjectLinks.h"
#include "zeph/playlists/ZEPH.Playlists.Service.Adapters.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.Hashes.h"
#include "zcl/base/ZCL.Threading.Pool.h"
#include "zcl/base/ZCL.Threading.Sorting.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.Exceptions.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.VirtualFiles.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Logger.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "rtl/RTL.Streams.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/playlists/ZEPH.FilesRemover.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Folders.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
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
  TZCLObjectLinks::Release(this);
  FStorage->EntryDestroying(this);
  if (!FStorage->IsClearing()) {
    if (FStorage->GetManager() != nullptr) FStorage->GetManager()->EntryRemoving(this);
    if (!FStorage->IsUnlisted(this)) {
      TZEPHPlaylistItems* items = FStorage->GetItems();
      const Integer index = items->IndexOf(this);
      if (index >= 0) items->ExtractByIndex(index);
    }
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

void TZEPHPlaylistItem::Focus(bool MakeVisible) {
  FStorage->BeginUpdate();
  FStorage->DeselectAll();
  FStorage->SetFocusedObject(this);
  FStorage->SetFocusedGroup(FGroup);
  FStorage->AutoCollapse();
  FStorage->Changed(zpcFocus | (MakeVisible ? zpcMakeVisible : 0));
  SetSelected(true);
  FStorage->EndUpdate();
}

void TZEPHPlaylistItem::MoveTo(Integer Index) { FStorage->MoveEntry(this, Index); }

Byte TZEPHPlaylistItem::GetMark() {
  TZEPHFileManager* manager = GetFileManager();
  if (manager->GetMusicLibrary() == nullptr) return 0;
  if (FMark == 0) {
    TZEPHFileMark mark = 0;
    FMark = manager->TryGetFileMark(GetFileName(), mark) && mark != 0 ? mark : FileMarkFromInt(0);
  }
  return FMark;
}

HRESULT TZEPHPlaylistItem::SetMark(Byte Value) { return GetFileManager()->SetFileMark(GetFileName(), Value); }

void TZEPHPlaylistItem::Changed(Word Flags) {
  // Work on other threads, and the scan's results, report through the end of the scan instead.
  if (!IsMainThread() || FStorage->IsTakingScanResults()) return;
  if (Flags & zpcEntryInfo) FStorage->InvalidateGroups();
  FStorage->Changed(Flags);
}

void TZEPHPlaylistItem::DoChanged() {
  ClearDisplayTexts();
  Changed(zpcEntryInfo);
}

void TZEPHPlaylistItem::FileNameChanged() {
  TZEPHPlaylistCustomItem::FileNameChanged();
  FMark = 0;
  SetItemFlag(zpifIsInternetStream, HasItemFlag(zpifIsURL) && GetFileManager()->IsForeignURL(GetFileName()));
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
  TZCLObjectLinks::Release(this);
  TZEPHPlaylistStorage* storage = FOwner->GetStorage();
  if (storage->FFocusedGroup == this) storage->FFocusedGroup = nullptr;
  if (storage->FFocusedObject == this) storage->FFocusedObject = nullptr;
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

TZEPHPlaylistStorage::TZEPHPlaylistStorage(TZEPHPlaylistStorageManager* AManager)
    : FManager(AManager),
      FItems(new TZEPHPlaylistItems(true)),
      FGroups(new TZEPHPlaylistGroups(this)),
      FSettings(new TZEPHPlaylistSettings()),
      FListeners(new TZCLListenerList()) {
  FHistory = new TZEPHPlaylistStorageHistory(this);
  FSettings->AddListener(this);
  TGUID guid;
  CreateGUID(guid);
  FID = FManager != nullptr ? FManager->MakeUniqueID(GUIDToString(guid)) : GUIDToString(guid);
}

TZEPHPlaylistStorage::~TZEPHPlaylistStorage() {
  TZCLObjectLinks::Release(this);
  FSettings->RemoveListener(this);
  FState |= zpsRebuilding | zpsDestroying;
  CancelTagsScan();
  FListeners->Enum<IZEPHPlaylistStorageRemoveListener>(
      [&](const IPtr<IZEPHPlaylistStorageRemoveListener>& L) { L->Removing(this); });
  FFocusedGroup = nullptr;
  FFocusedObject = nullptr;
  ClearContent();
  delete FHistory;
  FHistory = nullptr;
  if (FPreimage != nullptr) {
    FPreimage->SetStorage(nullptr);
    delete FPreimage;
    FPreimage = nullptr;
  }
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
  if (FInternalChanges == 0) FSortingTemplate.clear();
  RequestLayout(zpsGroupsInvalid | zpsLayoutInvalid);
  return item;
}

void TZEPHPlaylistStorage::RenameFileInEntries(const String& OldName, Cardinal Hash, const String& NewName) {
  if (!FLoaded) return;
  BeginUpdate();
  for (Integer i = 0; i < FItems->GetCount(); ++i) {
    TZEPHPlaylistItem* item = FItems->Get(i);
    if (item->GetFileNameHash() == Hash && SameText(item->GetFileName(), OldName)) {
      item->SetFileName(NewName);
      item->Changed(zpcEntryInfo);
    }
  }
  EndUpdate();
}

void TZEPHPlaylistStorage::ClearContent() {
  const bool keepFocus = (FState & zpsDestroying) == 0;
  TZEPHPlaylistFocusInfo focus;
  if (keepFocus) focus = SaveFocus();
  CancelTagsScan();
  FState |= zpsClearing;
  if (FManager != nullptr) {
    if (GetPlaybackCursorItem() != nullptr) {
      bool restart = false;
      FManager->PlayingEntryRemoving(false, GetPlaybackCursorItem(), restart);
    }
    FManager->StorageClearing(this);
  }
  FFocusedObject = nullptr;
  FGroups->Clear();
  FItems->Clear();
  FUserReordered = false;
  FState &= ~zpsClearing;
  UpdateAutoName();
  if (keepFocus) RestoreFocus(focus);
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
    FID = FManager != nullptr ? FManager->MakeUniqueID(GUIDToString(guid)) : GUIDToString(guid);
  }
  if (FLoaded && !(FState & zpsLoading)) {
    SetModified(true);
    RenameFile();
  }
  Changed(zpcName);
}

void TZEPHPlaylistStorage::SetID(const String& Value) {
  if (Value.empty() || Value == FID) return;
  FID = FManager != nullptr ? FManager->MakeUniqueID(Value) : Value;
  SetModified(true);
}

void TZEPHPlaylistStorage::SetRemark(const String& Value) {
  if (Value == FRemark) return;
  FRemark = Value;
  Changed(zpcRemark);
}

void TZEPHPlaylistStorage::SetReadOnly(bool Value) {
  if (Value == FReadOnly) return;
  if (!(FState & zpsLoading)) EnsureLoaded();
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
    // While a scan runs the mark stays: entries added meanwhile are scanned when it ends.
    if ((FState & zpsNeedsScan) && FTagsScanTask == nullptr) {
      if (PlaylistCommonSettings()->GetOption(zpoAutoScanPlaylists)) StartTagsScan(0);
      FState &= ~zpsNeedsScan;
    }
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
    if (FPendingChanges & zpcPlaybackCursor) AutoCollapse();
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
  const TZEPHPlaylistFocusInfo focus = SaveFocus();
  if (FState & zpsGroupsInvalid) Regroup();
  FState &= ~(zpsGroupsInvalid | zpsLayoutInvalid);
  Changed(zpcContent);
  RestoreFocus(focus);
  FState &= ~zpsRebuilding;
}

void TZEPHPlaylistStorage::SettingsChanged(Byte Kinds) {
  if ((Kinds & zpskCommonOption) && FHistory != nullptr) FHistory->CheckAllowed();
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

void TZEPHPlaylistStorage::Init(const String& Name, const String& FileName, const String& Remark) {
  FRemark = Remark;
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
    FCustomValues = FFileSummary.Custom;
    SetID(FFileSummary.ID);
  } else {
    TGUID guid;
    CreateGUID(guid);
    SetID(GUIDToString(guid));
    SetName(Name);
    if (FManager != nullptr) FManager->StorageInitialized(this);
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
      ++FInternalChanges;
      try {
        reader->Read(&summary, this);
      } catch (...) {
        --FInternalChanges;
        throw;
      }
      --FInternalChanges;
      if (summary.NameIsAutoSet)
        SetName(u"<AutoName>");
      else if (!summary.Name.empty())
        SetName(summary.Name);
      SetID(summary.ID);
      SetReadOnly(summary.ReadOnly);
      FPlaybackCursor = summary.PlaybackCursor;
      FBookmark = summary.PlaybackCursorAutoBookmark;
      FPlaybackTempo = summary.PlaybackTempo;
      FCustomValues = FFileSummary.Custom;
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
      std::vector<Byte> preimage;
      if (reader->ReadPreimage(preimage))
        SetPreimage(TZEPHPlaylistPreimageRepository::CreatePreimage(this, preimage, reader.get()));
      else
        SetPreimage(nullptr);
      FShuffled = FItems->GetCount() < 2 ? summary.Shuffled : FItems->IsPlaybackQueueOutOfOrder();
    }
    if (FManager != nullptr) FManager->StorageInitialized(this);
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
  if (ok) ActivatePreimage();
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
  FState |= zpsNeedsScan;
  Changed(zpcItemList);
  if (FInternalChanges == 0) FSortingTemplate.clear();
}

String TZEPHPlaylistStorage::GetStoragePath() const {
  if (FManager == nullptr || FManager->GetStoragePath().empty()) return FStoragePath;
  return zcIncludeTrailingPathDelimiter(FManager->GetStoragePath());
}

String TZEPHPlaylistStorage::GetStorageFileName() const {
  return GetStoragePath() + zcValidateFileName(FName) + u".zephpl4";
}

bool TZEPHPlaylistStorage::IsInStorageFolder() const {
  const String path = GetStoragePath();
  return !path.empty() && StartsText(path, FFileName);
}

void TZEPHPlaylistStorage::RenameFile() {
  if (GetStoragePath().empty()) return;
  String newName = GetStorageFileName();
  if (SameText(FFileName, newName)) return;
  if (IsInStorageFolder() && zcFileExists(FFileName)) {
    newName = zcGetUniqueFileName(newName);
    if (zcMoveFile(FFileName, newName)) FFileName = newName;
  } else {
    FFileName.clear();
  }
}

void TZEPHPlaylistStorage::DeleteFile() {
  const bool keep = IsWorthKeeping();
  if (FLoaded && keep) Save();
  if (!FFileName.empty() && IsInStorageFolder()) {
    if (keep)
      TZCLRecycleBin::Delete(FFileName);
    else
      zcDeleteFile(FFileName);
  }
  FFileName.clear();
}

bool TZEPHPlaylistStorage::IsWorthKeeping() const {
  TZEPHPlaylistCommonSettings* common = PlaylistCommonSettings();
  if (IsDefault() && !common->GetOption(zpoSaveDefaultPlaylist)) return false;
  if (FLoaded && FItems->GetCount() == 0 && FPreimage == nullptr && !common->GetOption(zpoSaveEmptyPlaylists))
    return false;
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
  Summary.PlaybackTempo = FPlaybackTempo;
  Summary.ReadOnly = FReadOnly;
  Summary.Preimage = FPreimage != nullptr;
  Summary.PreimageAutoSync = FPreimage != nullptr && FPreimage->IsAutoSync();
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
  if (!FLoaded || GetStoragePath().empty()) return;
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
    writer->SetFileName(FileName);
    TZEPHPlaylistSummary summary;
    GetFileSummary(summary);
    summary.Custom = FCustomValues;
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
    if (auto* preimage = dynamic_cast<TZEPHPlaylistCustomPreimage*>(FPreimage)) {
      TZCLXMLDocument document;
      preimage->SaveToXML(&document, writer.get());
      TBytesStream bytes;
      document.SaveToStreamDefault(&bytes);
      const TBytes& data = bytes.GetBytes();
      writer->WritePreimage(std::vector<Byte>(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(bytes.GetSize())));
    }
    writer->EndWrite();
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
  AutoCollapse();
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

void TZEPHPlaylistStorage::SetPlaybackCursor(Integer Value) {
  if (Value < 0) Value = -1;
  if (Value == FPlaybackCursor) return;
  FPlaybackCursor = Value;
  FBookmark = 0;
  Changed(zpcPlaybackCursor | zpcPlaybackPosition);
}

void TZEPHPlaylistStorage::SetPlaybackCursorEntry(TZEPHPlaylistItem* Entry) {
  SetPlaybackCursor(Entry != nullptr ? Entry->GetPlaybackQueueIndex() : -1);
}

void TZEPHPlaylistStorage::SetPlaybackCursorIndex(Integer Index) {
  SetPlaybackCursorEntry(Index >= 0 && Index < FItems->GetCount() ? FItems->Get(Index) : nullptr);
}

Integer TZEPHPlaylistStorage::GetPlaybackCursorIndex() const {
  TZEPHPlaylistItem* item = GetPlaybackCursorItem();
  return item != nullptr ? item->GetIndex() : -1;
}

void TZEPHPlaylistStorage::SetBookmark(TZEPHPlaylistItem* Entry, Integer Position) {
  if (Entry == nullptr || Entry->GetStorage() != this || !Entry->IsPlaying()) return;
  const Integer duration = static_cast<Integer>(std::min<Cardinal>(Entry->GetStreamInfo().Duration, 0x7FFFFFFF));
  SetPlaybackCursorAutoBookmark(std::clamp(Position, 0, duration));
}

void TZEPHPlaylistStorage::PlaybackStarted(IZEPHPlaybackQueueItemInternal* QueueItem) {
  TZEPHPlaylistItem* entry = QueueItem != nullptr ? QueueItem->GetEntry() : nullptr;
  if (entry == nullptr || entry->GetStorage() != this) return;
  if (!QueueItem->IsSource(this) && FShuffled) {
    if (entry != GetPlaybackCursorItem() && FItems->GetNextInPlaybackQueue(FPlaybackCursor) == nullptr) {
      SetPlaybackCursor(-1);
      RenewPlaybackOrder(true, true);
    }
    FItems->MovePlaybackQueueIndex(FPlaybackCursor, entry);
    Changed(zpcPlaybackOrder);
  }
  Single offset = 0;
  if (Succeeded(QueueItem->GetOffset(offset))) {
    BeginUpdate();
    SetPlaybackCursor(entry->GetPlaybackQueueIndex());
    SetBookmark(entry, static_cast<Integer>(std::lround(offset * 1000.0)));
    EndUpdate();
  } else {
    SetPlaybackCursor(entry->GetPlaybackQueueIndex());
  }
}

void TZEPHPlaylistStorage::PlayingEntryRemoving(bool DeleteFiles, bool& Restart) {
  Restart = false;
  TZEPHPlaylistItem* item = GetPlaybackCursorItem();
  if (item != nullptr && FManager != nullptr) FManager->PlayingEntryRemoving(DeleteFiles, item, Restart);
}

bool TZEPHPlaylistStorage::GetPlayPosition(TZEPHPlaylistItem* Entry, Integer& Position, Integer& Count) {
  Position = 0;
  Count = 0;
  if (!FLoaded || Entry == nullptr || Entry->GetStorage() != this || FItems->IndexOf(Entry) < 0) return false;
  Count = FItems->GetCount();
  for (Integer i = 0; i < Count; ++i)
    if (FItems->Get(i)->GetPlaybackQueueIndex() <= Entry->GetPlaybackQueueIndex()) ++Position;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Focus and selection

TZEPHPlaylistItem* TZEPHPlaylistStorage::GetFocusedEntry() const {
  return dynamic_cast<TZEPHPlaylistItem*>(FFocusedObject);
}

void TZEPHPlaylistStorage::SetFocusedObject(TObject* Value) {
  if (Value == FFocusedObject) return;
  if (auto* entry = dynamic_cast<TZEPHPlaylistItem*>(Value)) {
    if (entry->GetStorage() != this) return;
  } else if (auto* group = dynamic_cast<TZEPHPlaylistGroup*>(Value)) {
    if (FGroups->IndexOf(group) < 0) return;
  } else if (Value != nullptr) {
    return;
  }
  FFocusedObject = Value;
  Changed(zpcFocus);
}

void TZEPHPlaylistStorage::DeselectAll() {
  BeginUpdate();
  for (Integer i = 0; i < FItems->GetCount(); ++i) FItems->Get(i)->SetSelected(false);
  EndUpdate();
}

TZEPHPlaylistFocusInfo TZEPHPlaylistStorage::GetFocusInfo() const {
  TZEPHPlaylistFocusInfo info;
  info.Group = dynamic_cast<TZEPHPlaylistGroup*>(FFocusedObject);
  info.Entry = GetFocusedEntry();
  info.Anchor = info.Entry != nullptr ? info.Entry : info.Group != nullptr ? info.Group->GetItems()->First() : nullptr;
  info.AnchorIndex = info.Anchor != nullptr ? FItems->IndexOf(info.Anchor) : -1;
  info.Selected = info.Entry != nullptr ? info.Entry->IsSelected() : info.Group != nullptr && info.Group->AllSelected();
  info.Count = FItems->GetCount();
  return info;
}

TZEPHPlaylistFocusInfo TZEPHPlaylistStorage::SaveFocus() {
  BeginUpdate();
  return GetFocusInfo();
}

void TZEPHPlaylistStorage::RestoreFocus(const TZEPHPlaylistFocusInfo& Info) {
  TObject* target = nullptr;
  if (Info.Group != nullptr && FGroups->IndexOf(Info.Group) >= 0 && Info.Group->GetItems()->GetCount() > 0) {
    target = Info.Group;
  } else {
    TZEPHPlaylistItem* entry = nullptr;
    if (Info.Anchor != nullptr && FItems->IndexOf(Info.Anchor) >= 0)
      entry = Info.Anchor;
    else if (Info.AnchorIndex >= 0 && Info.AnchorIndex < FItems->GetCount())
      entry = FItems->Get(Info.AnchorIndex);
    else if (FItems->GetCount() > 0 && Info.AnchorIndex >= 0)
      entry = FItems->Last();
    target = entry;
    if (entry != nullptr && entry->GetGroup() != nullptr && !entry->GetGroup()->GetExpanded()) target = entry->GetGroup();
  }
  SetFocusedObject(target);
  if (Info.Selected)
    if (auto* entry = dynamic_cast<TZEPHPlaylistItem*>(target)) entry->SetSelected(true);
  EndUpdate();
}

// ---------------------------------------------------------------------------------------------
// Group operations

void TZEPHPlaylistStorage::AutoCollapse() {
  if (!FSettings->GetGroupingFlag(zpsfAutoCollapseGroups)) return;
  BeginUpdate();
  TZEPHPlaylistGroup* target = FFocusedGroup;
  if (target == nullptr) {
    TZEPHPlaylistItem* playing = GetPlaybackCursorItem();
    target = playing != nullptr ? playing->GetGroup() : nullptr;
  }
  for (Integer i = 0; i < FGroups->GetCount(); ++i) FGroups->Get(i)->SetExpanded(FGroups->Get(i) == target);
  EndUpdate();
}

void TZEPHPlaylistStorage::ExpandGroup(TZEPHPlaylistGroup* Group, bool Value) {
  if (Group == nullptr) return;
  BeginUpdate();
  if (Value)
    FFocusedGroup = Group;
  else if (FFocusedGroup == Group)
    FFocusedGroup = nullptr;
  Group->SetExpanded(Value);
  if (Value) AutoCollapse();
  EndUpdate();
}

void TZEPHPlaylistStorage::ExpandAllGroups(bool Value) {
  BeginUpdate();
  EnsureLoaded();
  FFocusedGroup = nullptr;
  for (Integer i = 0; i < FGroups->GetCount(); ++i) FGroups->Get(i)->SetExpanded(Value);
  if (Value) AutoCollapse();
  EndUpdate();
}

void TZEPHPlaylistStorage::MergeGroups(TZEPHPlaylistGroup* Group) {
  if (!CanEdit() || (Group != nullptr && FGroups->IndexOf(Group) < 0)) return;
  BeginUpdate();
  if (Group != nullptr) {
    bool moved = false;
    for (Integer g = 0; g < FGroups->GetCount(); ++g) {
      TZEPHPlaylistGroup* other = FGroups->Get(g);
      if (other == Group || !SameText(other->GetName(), Group->GetName())) continue;
      TZEPHPlaylistItems* items = other->GetItems();
      for (Integer i = items->GetCount() - 1; i >= 0; --i) {
        items->Get(i)->SetGroup(Group);
        moved = true;
      }
    }
    if (moved) {
      FGroups->Rebuild();
      RebuildListFromGroups();
      FUserReordered = true;
      Changed(zpcItemList | zpcContent);
    }
  } else {
    GroupByName();
    Changed(zpcItemList | zpcContent);
  }
  AutoCollapse();
  EndUpdate();
}

// ---------------------------------------------------------------------------------------------
// Identity, permissions, preimage

Integer TZEPHPlaylistStorage::GetIndex() const {
  return FManager != nullptr ? FManager->GetStorages()->IndexOf(const_cast<TZEPHPlaylistStorage*>(this)) : -1;
}

void TZEPHPlaylistStorage::SetIndex(Integer Value) {
  if (FManager == nullptr) return;
  const Integer old = GetIndex();
  if (Value < 0 || Value >= FManager->Count() || Value == old) return;
  FManager->GetStorages()->Move(old, Value);
  FManager->StorageMoved(this, old, Value);
}

bool TZEPHPlaylistStorage::IsActive() const { return FManager != nullptr && FManager->GetActiveStorage() == this; }

bool TZEPHPlaylistStorage::CanEdit() const {
  if (FReadOnly) return false;
  if (FLoaded) return FPreimage == nullptr || !FPreimage->IsAutoSync();
  return !FFileSummary.PreimageAutoSync;
}

TZEPHPlaylistStorageAbstractPreimage* TZEPHPlaylistStorage::GetPreimage() {
  if (FPreimage == nullptr && !FLoaded && FFileSummary.Preimage) EnsureLoaded();
  return FPreimage;
}

void TZEPHPlaylistStorage::SetPreimage(TZEPHPlaylistStorageAbstractPreimage* Value) {
  if (Value == FPreimage) return;
  const bool loading = (FState & zpsLoading) != 0;
  if (loading)
    BeginUpdate();
  else
    BeginEdit();
  if (FPreimage != nullptr) {
    FPreimage->SetStorage(nullptr);
    delete FPreimage;
  }
  FPreimage = Value;
  if (FPreimage != nullptr) FPreimage->SetStorage(this);
  Changed(zpcPreimage);
  if (!loading) SynchronizePreimage();
  if (loading)
    EndUpdate();
  else
    EndEdit();
}

bool TZEPHPlaylistStorage::HasPreimage() const { return FLoaded ? FPreimage != nullptr : FFileSummary.Preimage; }

void TZEPHPlaylistStorage::SynchronizePreimage() {
  if (FReadOnly || !HasPreimage()) return;
  if (!EnsureLoaded() || FPreimage == nullptr) return;
  FPreimage->Synchronize();
}

void TZEPHPlaylistStorage::ActivatePreimage() {
  if (FPreimage != nullptr) FPreimage->CheckPendingSync();
}

void TZEPHPlaylistStorageAbstractPreimage::SetStorage(TZEPHPlaylistStorage* Value) {
  if (Value == FStorage) return;
  FStorage = Value;
  StorageChanged();
}

bool TZEPHPlaylistStorageAbstractPreimage::Equals(TZEPHPlaylistStorageAbstractPreimage* Other) {
  return Other != nullptr && Other->ClassType() == ClassType() && IsEqual(Other);
}

// ---------------------------------------------------------------------------------------------
// Items handed to the player

HRESULT TZEPHPlaybackQueueItem::GetOffset(Single& Seconds) {
  Seconds = FOffset;
  return FOffsetResult;
}

TZEPHPlaylistItem* TZEPHPlaybackQueueItem::GetEntry() { return FItem != nullptr ? FItem->GetItemObject() : nullptr; }

void TZEPHPlaybackQueueItem::SetEntry(TZEPHPlaylistItem* Entry, TObject* Source) {
  IPtr<IZEPHPlaylistItemInternal> item;
  Supports(TZEPHPlaylistAdapters::GetItemAdapter(Entry), item);
  FItem = item;
  FSource = Source;
}

bool TZEPHPlaybackQueueItem::CheckAccess(HRESULT& Result) {
  Result = IsMainThread() ? S_OK : E_ACCESSDENIED;
  return Result == S_OK;
}

void TZEPHPlaybackQueueItem::DoGetValueAsFloat(Integer PropertyID, Double& Value, HRESULT& Result) {
  if (PropertyID == 2)
    Value = Succeeded(FOffsetResult) ? FOffset : -1;
  else
    TZEPHSimpleObjectAdapter::DoGetValueAsFloat(PropertyID, Value, Result);
}

IPtr<IInterface> TZEPHPlaybackQueueItem::DoGetValueAsObject(Integer PropertyID) {
  if (PropertyID == 1) return IPtr<IZEPHPlaylistItem>(FItem);
  return TZEPHSimpleObjectAdapter::DoGetValueAsObject(PropertyID);
}

void TZEPHPlaybackQueueItem::DoSetValueAsFloat(Integer PropertyID, Double Value, HRESULT& Result) {
  if (PropertyID == 2)
    SetOffset(static_cast<Single>(Value), S_OK);
  else
    TZEPHSimpleObjectAdapter::DoSetValueAsFloat(PropertyID, Value, Result);
}

void TZEPHPlaybackQueueItem::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  if (PropertyID != 1) return TZEPHSimpleObjectAdapter::DoSetValueAsObject(PropertyID, Value, Result);
  IPtr<IZEPHPlaylistItemInternal> item;
  if (Value == nullptr)
    FItem = nullptr;
  else if (Supports(Value, item))
    FItem = item;
  else
    Result = E_NOINTERFACE;
}

void TZEPHPlaybackQueueItem::SetOffset(Single Seconds, HRESULT Result) {
  FOffset = Seconds;
  FOffsetResult = Seconds < 0 ? E_NOTIMPL : Result;
}

// ---------------------------------------------------------------------------------------------
// Manager

TZEPHPlaylistStorageManager::TZEPHPlaylistStorageManager() : FStorages(new TZEPHPlaylistStorages()) {}

TZEPHPlaylistStorageManager::~TZEPHPlaylistStorageManager() { delete FStorages; }

TZEPHPlaylistStorage* TZEPHPlaylistStorageManager::FindStorage(
    const std::function<bool(TZEPHPlaylistStorage*)>& Predicate) const {
  for (Integer i = 0; i < FStorages->GetCount(); ++i)
    if (Predicate(FStorages->Get(i))) return FStorages->Get(i);
  return nullptr;
}

TZEPHPlaylistStorage* TZEPHPlaylistStorageManager::FindStorageByID(const String& ID) const {
  if (ID.empty()) return nullptr;
  return FindStorage([&](TZEPHPlaylistStorage* S) { return S->GetID() == ID; });
}

String TZEPHPlaylistStorageManager::MakeUniqueID(const String& ID) const {
  String result = ID;
  while (result.empty() || FindStorageByID(result) != nullptr) {
    TGUID guid;
    CreateGUID(guid);
    result = GUIDToString(guid);
  }
  return result;
}

String TZEPHPlaylistStorageManager::GetHistoryFolder() const {
  if (FStoragePath.empty()) throw EInvalidOperation(u"StoragePath was not set");
  return zcIncludeTrailingPathDelimiter(FStoragePath) + u"Undo/";
}

void TZEPHPlaylistStorageManager::SetActiveStorage(TZEPHPlaylistStorage* Value) {
  if (Value == FActiveStorage) return;
  FActiveStorage = Value;
  if (FActiveStorage != nullptr) FActiveStorage->ActivatePreimage();
  ActiveStorageChanged();
}

void TZEPHPlaylistStorageManager::ActiveStorageChanged() {
  if (FActiveStorage == nullptr) return;
  TZEPHPlaylistStorage* storage = FActiveStorage;
  storage->GetListeners()->Enum<IZEPHPlaylistStorageActivateListener>(
      [&](const IPtr<IZEPHPlaylistStorageActivateListener>& L) { L->Activated(storage); });
}

// ---------------------------------------------------------------------------------------------
// Tags scan

void TZEPHPlaylistStorage::StartTagsScan(Integer Mode) {
  if ((FState & zpsDestroying) || FUpdateCount > 0 || (FTagsScanTask != nullptr && Mode == 0) ||
      FItems->GetCount() == 0 || (FPreimage != nullptr && FPreimage->IsBusy()))
    return;
  BeginUpdate();
  CancelTagsScan();
  FState &= ~zpsNeedsScan;
  if (Mode != 0) GetFileManager()->GetContainerCache()->Clear();
  FTagsScanTask = new TZEPHPlaylistStorageTagsScanTask(Mode, this);
  FTagsScanHandle = TaskDispatcher()->Run(FTagsScanTask);
  EndUpdate();
}

void TZEPHPlaylistStorage::CancelTagsScan() {
  if (FTagsScanTask == nullptr) return;
  FState |= zpsNeedsScan;
  // The wait serves the scan's main-thread calls; a queued task ends without running.
  TaskDispatcher()->Cancel(FTagsScanHandle, true);
  FTagsScanTask = nullptr;
  FTagsScanHandle = 0;
}

void TZEPHPlaylistStorage::EntryDestroying(TZEPHPlaylistItem* Entry) {
  if (FFocusedObject == Entry) FFocusedObject = nullptr;
  if (FTagsScanTask != nullptr) FTagsScanTask->EntryGone(Entry);
}

void TZEPHPlaylistStorage::ScanStarted(TZEPHPlaylistStorageTagsScanTask*) {
  FState |= zpsScanning;
  FScanningProgress = 0;
  if (FState & zpsDestroying) return;
  FListeners->Enum<IZEPHPlaylistStorageScanningListener>(
      [&](const IPtr<IZEPHPlaylistStorageScanningListener>& L) { L->ScanningBegins(this); });
}

void TZEPHPlaylistStorage::ScanProgress(Double Percent) {
  FScanningProgress = Percent;
  if (FState & zpsDestroying) return;
  FListeners->Enum<IZEPHPlaylistStorageScanningListener>(
      [&](const IPtr<IZEPHPlaylistStorageScanningListener>& L) { L->ScanningProgress(this); });
}

void TZEPHPlaylistStorage::ScanEnded(TZEPHPlaylistStorageTagsScanTask* Task, bool HasChanges, bool Canceled) {
  if (FTagsScanTask == Task) {
    FTagsScanTask = nullptr;
    FTagsScanHandle = 0;
  }
  FState &= ~zpsScanning;
  if (FState & zpsDestroying) return;
  // The bracket's end also starts the scan of entries added meanwhile.
  BeginUpdate();
  if (HasChanges) {
    UpdateAutoName();
    Changed(zpcItemList | zpcEntryInfo | zpcFileState);
    InvalidateGroups();
    try {
      AutoSort();
    } catch (const Exception& E) {
      // The scan's results stay; a sort that cannot take its undo snapshot waits for the next edit.
      LogWriteException(String(), u"Playlist", E, u"AutoSort");
    }
  }
  EndUpdate();
  FListeners->Enum<IZEPHPlaylistStorageScanningListener>(
      [&](const IPtr<IZEPHPlaylistStorageScanningListener>& L) { L->ScanningEnd(this, HasChanges, Canceled); });
}

// ---------------------------------------------------------------------------------------------
// Editing

namespace {
// The files remover: a confirmation, then a background task that moves the files to the trash.
struct TRemoverDeleter : IZEPHPlaylistFilesDeleter {
  bool Confirm(const TZCLStringList* Files) override { return TZEPHFilesRemoverTool::Confirm(Files); }
  void Delete(const TZCLStringList* Files) override { TZEPHFilesRemoverTool::Delete(Files); }
};
TRemoverDeleter GRemoverDeleter;
IZEPHPlaylistFilesDeleter* GFilesDeleter = nullptr;

IZEPHPlaylistFilesDeleter* FilesDeleter() { return GFilesDeleter != nullptr ? GFilesDeleter : &GRemoverDeleter; }
}  // namespace

void TZEPHPlaylistStorage::SetFilesDeleter(IZEPHPlaylistFilesDeleter* Deleter) { GFilesDeleter = Deleter; }

void TZEPHPlaylistStorage::BeginEdit(TZEPHPlaylistFocusInfo* Focus) {
  FHistory->BeginSnapshotAction();
  BeginUpdate();
  CancelTagsScan();
  EnsureLoaded();
  if (Focus != nullptr) *Focus = SaveFocus();
}

void TZEPHPlaylistStorage::EndEdit(TZEPHPlaylistFocusInfo* Focus) {
  EndUpdate();
  if (Focus != nullptr) RestoreFocus(*Focus);
  FHistory->EndUpdate(false);
}

void TZEPHPlaylistStorage::MarkUserReordered() {
  if (FInternalChanges > 0) return;
  FSortingTemplate.clear();
  FUserReordered = true;
}

bool TZEPHPlaylistStorage::AddFiles(const TZCLStringList* Files, Byte Flags, Integer InsertIndex, Integer FocusIndex) {
  auto* attributes = Create<TZEPHFileManagerExpandAttributes>();
  attributes->Add(String(zfeaScanForExts), GetFileManager()->GetKnownFormats()->GetExtList(zfkmAudio));
  attributes->Add(String(zfeaSortChildren), (Flags & zpafSort) != 0);
  attributes->Add(String(zfeaRecursive), (Flags & zpafRecursive) != 0);
  bool result = false;
  try {
    result = AddFilesEx(Files, Flags, attributes, InsertIndex, FocusIndex);
  } catch (...) {
    Free(attributes);
    throw;
  }
  Free(attributes);
  return result;
}

bool TZEPHPlaylistStorage::AddFilesEx(const TZCLStringList* Files, Byte Flags,
                                      TZEPHFileManagerExpandAttributes* Attributes, Integer InsertIndex,
                                      Integer FocusIndex) {
  if (!CanEdit()) return false;
  if (Files == nullptr || Files->GetCount() == 0) return true;
  FocusIndex = std::clamp(FocusIndex, 0, Files->GetCount() - 1);
  std::unique_ptr<TZCLStringList> names(Create<TZCLStringList>());
  names->Assign(const_cast<TZCLStringList*>(Files));
  if (Flags & zpafSort) {
    const String focusName = names->GetStrings(FocusIndex);
    names->SortLogical();
    FocusIndex = std::max<Integer>(names->IndexOf(focusName), 0);
  }
  if (Flags & zpafSynchronous) {
    std::unique_ptr<TZCLStringList> expanded(Create<TZCLStringList>());
    const String focusName = names->GetStrings(FocusIndex);
    {
      IPtr<IZEPHFileManagerFilesReceiver> helper(Create<TZEPHPlaylistStorageFileAddingHelper>(expanded.get()));
      GetFileManager()->ExpandList(names.get(), helper.get(), Attributes);
    }
    FocusIndex = std::max<Integer>(expanded->IndexOf(focusName), 0);
    InsertFiles(expanded.get(), Flags, InsertIndex, FocusIndex);
    return true;
  }
  TaskDispatcher()->Run(new TZEPHPlaylistStorageAsyncFileAddingTask(this, names.get(), InsertIndex, FocusIndex,
                                                                     Attributes, Flags));
  return true;
}

bool TZEPHPlaylistStorage::InsertFiles(const TZCLStringList* Files, Byte Flags, Integer InsertIndex,
                                       Integer FocusCountdown) {
  if (!CanEdit() || Files == nullptr || Files->GetCount() == 0) return false;
  std::unique_ptr<TZCLStringList> sorted;
  if ((Flags & zpafSort) && !PlaylistCommonSettings()->GetOption(zpoAutoSortPlaylists)) {
    sorted.reset(Create<TZCLStringList>());
    sorted->Assign(const_cast<TZCLStringList*>(Files));
    sorted->SortLogical();
    Files = sorted.get();
  }
  BeginEdit();
  TZEPHPlaylistItem* focusEntry = nullptr;
  const Integer countBefore = FItems->GetCount();
  try {
    if (InsertIndex != -1) MarkUserReordered();
    std::vector<TZEPHPlaylistItem*> queued;
    ++FInternalChanges;
    const TZEPHPlaylistFocusInfo focus = SaveFocus();
    FItems->SetCapacity(FItems->GetCount() + Files->GetCount());
    for (Integer i = 0; i < Files->GetCount(); ++i) {
      const String& name = Files->GetStrings(i);
      TZEPHPlaylistItem* entry = nullptr;
      Integer found = -1;
      if ((Flags & zpafSkipPresent) && FItems->FindByFileName(name, 0, found))
        entry = FItems->Get(found);
      else
        entry = InsertEntry(name, dynamic_cast<IZBLFileInfo*>(Files->GetInterfaces(i)), InsertIndex);
      if (Flags & zpafQueue) queued.push_back(entry);
      if (FocusCountdown == 0) focusEntry = entry;
      if (InsertIndex >= 0) ++InsertIndex;
      --FocusCountdown;
    }
    if ((Flags & zpafQueue) && FManager != nullptr) FManager->QueueEntries(queued);
    UpdateAutoName();
    FState |= zpsNeedsScan;
    RestoreFocus(focus);
    --FInternalChanges;
    if ((Flags & zpafFocus) && focusEntry != nullptr) focusEntry->Focus(true);
    AutoSort();
  } catch (...) {
    if (FInternalChanges > 0) --FInternalChanges;
    EndEdit();
    throw;
  }
  EndEdit();
  if ((Flags & zpafPlay) && FManager != nullptr) {
    if (((Flags & zpafFocus) || countBefore > 0) && focusEntry != nullptr)
      FManager->PlayRequest(focusEntry);
    else
      FManager->PlayRequest(this);
  }
  return true;
}

TZEPHPlaylistItem* TZEPHPlaylistStorage::InsertEntry(const String& FileName, IZBLFileInfo* Info, Integer Index) {
  auto* entry = Create<TZEPHPlaylistItem>(this);
  if (Info != nullptr && Info->GetFileInfo() != nullptr) entry->Assign(Info->GetFileInfo());
  if (Index != -1) MarkUserReordered();
  entry->SetFileName(FileName);
  const Integer count = FItems->GetCount();
  Integer position;
  if (Index == -1 || Index == -3)
    position = count;
  else if (Index == -2)
    position = count == 0 ? 0 : std::uniform_int_distribution<Integer>(0, count - 1)(Random());
  else
    position = std::clamp(Index, 0, count);
  FItems->Insert(position, entry);
  FState |= zpsNeedsScan;
  Changed(zpcItemList);
  if (FInternalChanges == 0) FSortingTemplate.clear();
  RequestLayout(zpsGroupsInvalid | zpsLayoutInvalid);
  return entry;
}

void TZEPHPlaylistStorage::DeleteEntries(const std::vector<TZEPHPlaylistItem*>& Entries, bool DeleteFiles,
                                         Integer Confirm, const TZCLStringList* FileList) {
  if (!CanDelete(DeleteFiles) || Entries.empty()) return;
  std::unique_ptr<TZCLStringList> ownList;
  if (FileList == nullptr) {
    ownList.reset(Create<TZCLStringList>());
    for (TZEPHPlaylistItem* entry : Entries) ownList->Add(entry->GetFileName());
    FileList = ownList.get();
  }
  const bool confirm = Confirm < 0 ? (FManager == nullptr || FManager->GetConfirmDeletion()) : Confirm > 0;
  if (DeleteFiles && confirm && !FilesDeleter()->Confirm(FileList)) return;
  std::vector<std::pair<Integer, TZEPHPlaylistItem*>> doomed;
  if (Entries.size() < 16) {
    for (TZEPHPlaylistItem* entry : Entries) {
      const Integer index = FItems->IndexOf(entry);
      if (index >= 0) doomed.emplace_back(index, entry);
    }
  } else {
    // One pass over the list instead of a search per entry.
    std::unordered_set<TZEPHPlaylistItem*> wanted(Entries.begin(), Entries.end());
    for (Integer i = 0; i < FItems->GetCount() && doomed.size() < wanted.size(); ++i)
      if (wanted.count(FItems->Get(i)) != 0) doomed.emplace_back(i, FItems->Get(i));
  }
  std::sort(doomed.begin(), doomed.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
  ++FInternalChanges;
  TZEPHPlaylistFocusInfo focus;
  bool restart = false;
  BeginEdit(&focus);
  try {
    TZEPHPlaylistItem* playing = GetPlaybackCursorItem();
    if (playing != nullptr && FManager != nullptr &&
        std::find(Entries.begin(), Entries.end(), playing) != Entries.end())
      FManager->PlayingEntryRemoving(DeleteFiles, playing, restart);
    for (const auto& [index, entry] : doomed) {
      if (FItems->GetItems(index) != entry) continue;
      // The entry's destructor drops it from the playback queue; out of the list already, it
      // need not look for itself there (a search each would make large deletions quadratic).
      FItems->ExtractByIndex(index);
      FUnlistedEntry = entry;
      Free(entry);
      FUnlistedEntry = nullptr;
      if (index < focus.AnchorIndex) --focus.AnchorIndex;
    }
    Changed(zpcItemList);
    RequestLayout(zpsGroupsInvalid | zpsLayoutInvalid);
    if (DeleteFiles) FilesDeleter()->Delete(FileList);
  } catch (...) {
    EndEdit(&focus);
    --FInternalChanges;
    throw;
  }
  EndEdit(&focus);
  --FInternalChanges;
  if (restart && FItems->GetCount() > 0 && FManager != nullptr) FManager->RestartPlayback(this);
  UpdateAutoName();
}

void TZEPHPlaylistStorage::DeleteByFilter(const std::function<bool(TZEPHPlaylistItem*)>& Filter, bool DeleteFiles,
                                          Integer Confirm) {
  if (!CanDelete(DeleteFiles) || !EnsureLoaded()) return;
  std::vector<TZEPHPlaylistItem*> accepted;
  for (Integer i = 0; i < FItems->GetCount(); ++i)
    if (Filter(FItems->Get(i))) accepted.push_back(FItems->Get(i));
  DeleteEntries(accepted, DeleteFiles, Confirm);
}

void TZEPHPlaylistStorage::DeleteEntry(TZEPHPlaylistItem* Entry, bool DeleteFiles) {
  if (!CanDelete(DeleteFiles) || Entry == nullptr || Entry->GetStorage() != this) return;
  DeleteEntries({Entry}, DeleteFiles, -1);
}

void TZEPHPlaylistStorage::DeleteSelected(bool DeleteFiles) {
  DeleteByFilter(TZEPHPlaylistItemsFilter::IsSelected, DeleteFiles, -1);
}

void TZEPHPlaylistStorage::Clear() {
  if (!CanEdit()) return;
  TZEPHPlaylistFocusInfo focus;
  BeginEdit(&focus);
  ClearContent();
  Changed(zpcItemList);
  RequestLayout(zpsGroupsInvalid | zpsLayoutInvalid);
  EndEdit(&focus);
}

void TZEPHPlaylistStorage::MoveEntry(TZEPHPlaylistItem* Entry, Integer Index) {
  if (!CanEdit() || Entry == nullptr || Entry->GetStorage() != this) return;
  const Integer from = Entry->GetIndex();
  if (from < 0) return;
  Index = std::clamp(Index, 0, FItems->GetCount() - 1);
  if (from == Index) return;
  TZEPHPlaylistFocusInfo focus;
  BeginEdit(&focus);
  FItems->Move(from, Index);
  Changed(zpcItemList);
  if (FInternalChanges == 0) FSortingTemplate.clear();
  RequestLayout(zpsGroupsInvalid | zpsLayoutInvalid);
  EndEdit(&focus);
}

void TZEPHPlaylistStorage::MoveEntries(Integer Index, const std::vector<TZEPHPlaylistItem*>& Entries) {
  if (!CanEdit() || Index < 0 || Index > FItems->GetCount()) return;
  TZEPHPlaylistFocusInfo focus;
  BeginEdit(&focus);
  MarkUserReordered();
  std::vector<Pointer> slots(FItems->GetList(), FItems->GetList() + FItems->GetCount());
  std::vector<Pointer> moving;
  for (TZEPHPlaylistItem* entry : Entries) {
    const Integer at = FItems->IndexOf(entry);
    if (at < 0 || slots[static_cast<size_t>(at)] == nullptr) continue;
    slots[static_cast<size_t>(at)] = nullptr;
    moving.push_back(entry);
  }
  slots.insert(slots.begin() + Index, moving.begin(), moving.end());
  slots.erase(std::remove(slots.begin(), slots.end(), nullptr), slots.end());
  std::copy(slots.begin(), slots.end(), FItems->GetList());
  Changed(zpcItemList | zpcContent);
  if (FInternalChanges == 0) FSortingTemplate.clear();
  RequestLayout(zpsGroupsInvalid | zpsLayoutInvalid);
  EndEdit(&focus);
}

void TZEPHPlaylistStorage::Sort(const TCompare& Compare) {
  if (CanEdit()) DoSort(Compare, false, false);
}

void TZEPHPlaylistStorage::SortByTemplate(const String& Template) {
  if (FReadOnly) return;
  TZEPHPlaylistFocusInfo focus;
  BeginEdit(&focus);
  if (auto* preimage = dynamic_cast<TZEPHPlaylistCustomPreimage*>(FPreimage)) preimage->SetSortingTemplate(Template);
  FSortingTemplate = Template;
  Resort();
  EndEdit(&focus);
}

void TZEPHPlaylistStorage::InvertSorting() {
  String inverted = FSortingTemplate;
  if (!inverted.empty() && TZEPHPlaylistItemFormatStringFactory::InvertTemplate(inverted))
    SortByTemplate(inverted);
  else if (CanEdit())
    DoSort(nullptr, true, true);
}

void TZEPHPlaylistStorage::Resort() {
  if (FSortingTemplate.empty()) return;
  ++FInternalChanges;
  try {
    TZEPHPlaylistStorageSortByTemplateHelper helper(FSortingTemplate);
    Reorder([&] { helper.SortItems(FItems); });
  } catch (...) {
    --FInternalChanges;
    throw;
  }
  --FInternalChanges;
  FUserReordered = false;
}

void TZEPHPlaylistStorage::AutoSort() {
  if (FPreimage != nullptr || PlaylistCommonSettings()->GetOption(zpoAutoSortPlaylists)) Resort();
}

void TZEPHPlaylistStorage::DoSort(const TCompare& Compare, bool Reverse, bool Multithreaded) {
  Reorder([&] {
    for (Integer i = 0; i < FItems->GetCount(); ++i) FItems->Get(i)->SortIndex = i;
    TZCLMultithreadedListSorter::Sort(
        FItems->GetList(), FItems->GetCount(),
        [&](Pointer A, Pointer B) -> Integer {
          auto* a = static_cast<TZEPHPlaylistItem*>(A);
          auto* b = static_cast<TZEPHPlaylistItem*>(B);
          Integer c = Compare ? Compare(a, b) : 0;
          if (c == 0) c = a->SortIndex < b->SortIndex ? -1 : a->SortIndex > b->SortIndex ? 1 : 0;
          return Reverse ? -c : c;
        },
        Multithreaded);
  });
}

void TZEPHPlaylistStorage::Reorder(const std::function<void()>& Procedure) {
  TZEPHPlaylistFocusInfo focus;
  BeginEdit(&focus);
  try {
    MarkUserReordered();
    Procedure();
    Changed(zpcItemList);
    if (FInternalChanges == 0) FSortingTemplate.clear();
    RequestLayout(zpsGroupsInvalid | zpsLayoutInvalid);
  } catch (...) {
    EndEdit(&focus);
    throw;
  }
  EndEdit(&focus);
}

void TZEPHPlaylistStorage::ShuffleList(Pointer* Data, Integer Count) {
  for (Integer i = 0; i + 1 < Count; ++i)
    std::swap(Data[i], Data[std::uniform_int_distribution<Integer>(i, Count - 1)(Random())]);
}

void TZEPHPlaylistStorage::Shuffle(Integer Mode) {
  if (!CanEdit()) return;
  const bool grouping = FSettings->GetGroupingFlag(zpsfGrouping);
  if (!grouping && Mode != 0) return;
  Reorder([&] {
    if (Mode == 0) {
      ShuffleList(FItems->GetList(), FItems->GetCount());
      return;
    }
    RunLayout(true);
    if (Mode & 1) ShuffleList(FGroups->GetList(), FGroups->GetCount());
    if (Mode & 2)
      for (Integer g = 0; g < FGroups->GetCount(); ++g) {
        TZEPHPlaylistItems* items = FGroups->Get(g)->GetItems();
        ShuffleList(items->GetList(), items->GetCount());
      }
    RebuildListFromGroups();
  });
}

namespace {
// Entries by file name (compared as SameText does), for merging a file list in linear time.
class TZEPHPlaylistFileNameIndex {
 public:
  explicit TZEPHPlaylistFileNameIndex(TZEPHPlaylistItems* AItems) : FItems(AItems) {
    FBuckets.reserve(static_cast<size_t>(FItems->GetCount()));
    for (Integer i = 0; i < FItems->GetCount(); ++i) FBuckets[FItems->Get(i)->GetFileNameHash()].push_back(i);
  }
  // The first entry of that name; with Take it is not found again.
  Integer Find(const String& Name, bool Take) {
    auto bucket = FBuckets.find(ZEPHPlaylistFileNameHash(Name));
    if (bucket == FBuckets.end()) return -1;
    std::vector<Integer>& indexes = bucket->second;
    for (auto it = indexes.begin(); it != indexes.end(); ++it) {
      if (!SameText(FItems->Get(*it)->GetFileName(), Name)) continue;
      const Integer index = *it;
      if (Take) indexes.erase(it);
      return index;
    }
    return -1;
  }
  void Add(Integer Index) { FBuckets[FItems->Get(Index)->GetFileNameHash()].push_back(Index); }

 private:
  TZEPHPlaylistItems* FItems;
  std::unordered_map<Cardinal, std::vector<Integer>> FBuckets;
};
}  // namespace

void TZEPHPlaylistStorage::UpdateEntryFromFile(TZEPHPlaylistItem* Entry, const TZCLStringList* Files, Integer Index) {
  auto* info = dynamic_cast<IZBLFileInfo*>(Files->GetInterfaces(Index));
  if (info != nullptr && info->GetFileInfo() != nullptr) {
    Entry->Assign(info->GetFileInfo());
    Entry->SetFileName(Files->GetStrings(Index));
  } else if (GetFileManager()->GetFileSize(Entry->GetFileName()) != Entry->GetFileSize()) {
    Entry->ResetInfo();
  }
}

void TZEPHPlaylistStorage::SyncFromList(const TZCLStringList* Files, const String& Template) {
  if (FReadOnly || Files == nullptr) return;
  TZEPHPlaylistFocusInfo focus;
  ++FInternalChanges;
  try {
    BeginEdit(&focus);
    try {
      const bool userOrder = Template.empty() && CanEdit() && FUserReordered;
      if (userOrder && !(FPreimage != nullptr && FPreimage->OverridesUserOrder())) {
        TZEPHPlaylistItemsFilter filter;
        filter.AddFiles(Files);
        std::vector<TZEPHPlaylistItem*> gone;
        for (Integer i = 0; i < FItems->GetCount(); ++i)
          if (filter.IsNotListed(FItems->Get(i))) gone.push_back(FItems->Get(i));
        DeleteEntries(gone, false, 0);
        // Each name updates the first entry of that name; new entries go last.
        TZEPHPlaylistFileNameIndex index(FItems);
        for (Integer i = 0; i < Files->GetCount(); ++i) {
          const String& name = Files->GetStrings(i);
          const Integer found = index.Find(name, false);
          if (found >= 0) {
            UpdateEntryFromFile(FItems->Get(found), Files, i);
          } else {
            InsertEntry(name, dynamic_cast<IZBLFileInfo*>(Files->GetInterfaces(i)), -1);
            index.Add(FItems->GetCount() - 1);
          }
        }
      } else {
        FUserReordered = false;
        // The list takes the order of Files: each name takes the first entry of that name not
        // yet taken, in the current order; names without one get new entries; entries left over
        // keep their order behind and are deleted.
        TZEPHPlaylistFileNameIndex index(FItems);
        const Integer oldCount = FItems->GetCount();
        std::vector<TZEPHPlaylistItem*> order;
        order.reserve(static_cast<size_t>(std::max(oldCount, Files->GetCount())));
        std::vector<bool> taken(static_cast<size_t>(oldCount), false);
        std::vector<std::pair<TZEPHPlaylistItem*, Integer>> updates;
        for (Integer i = 0; i < Files->GetCount(); ++i) {
          const String& name = Files->GetStrings(i);
          const Integer found = index.Find(name, true);
          if (found >= 0) {
            taken[static_cast<size_t>(found)] = true;
            order.push_back(FItems->Get(found));
            updates.emplace_back(FItems->Get(found), i);
          } else {
            auto* entry = Create<TZEPHPlaylistItem>(this);
            auto* info = dynamic_cast<IZBLFileInfo*>(Files->GetInterfaces(i));
            if (info != nullptr && info->GetFileInfo() != nullptr) entry->Assign(info->GetFileInfo());
            entry->SetFileName(name);
            order.push_back(entry);
            FState |= zpsNeedsScan;
          }
        }
        std::vector<TZEPHPlaylistItem*> extra;
        for (Integer i = 0; i < oldCount; ++i)
          if (!taken[static_cast<size_t>(i)]) extra.push_back(FItems->Get(i));
        order.insert(order.end(), extra.begin(), extra.end());
        FItems->SetCount(static_cast<Integer>(order.size()));
        std::copy(order.begin(), order.end(), FItems->GetList());
        for (const auto& [entry, file] : updates) UpdateEntryFromFile(entry, Files, file);
        if (!extra.empty()) DeleteEntries(extra, false, -1);
        FUserReordered = false;
      }
      Changed(zpcItemList);
      RequestLayout(zpsGroupsInvalid | zpsLayoutInvalid);
      FSortingTemplate = Template;
      Resort();
      UpdateAutoName();
    } catch (...) {
      EndEdit(&focus);
      throw;
    }
    EndEdit(&focus);
  } catch (...) {
    --FInternalChanges;
    StartTagsScan(0);
    throw;
  }
  --FInternalChanges;
  StartTagsScan(0);
}

bool TZEPHPlaylistStorage::GetFileList(Byte FilterFlags, TZCLStringList* List) {
  if (!EnsureLoaded()) return false;
  TZEPHFileManager* manager = GetFileManager();
  for (Integer i = 0; i < FItems->GetCount(); ++i) {
    TZEPHPlaylistItem* entry = FItems->Get(i);
    String name = entry->GetFileName();
    if ((FilterFlags & zpflNoURLs) && entry->HasItemFlag(zpifIsURL)) continue;
    if ((FilterFlags & zpflSelected) && !entry->IsSelected()) continue;
    if ((FilterFlags & zpflVisible) && !entry->IsVisible()) continue;
    if ((FilterFlags & zpflRealFiles) && TZEPHFileURI::IsVirtual(name)) {
      name = manager->GetRealFileName(name);
      if (List != nullptr && List->IndexOf(name) >= 0) continue;
    }
    if ((FilterFlags & zpflExisting) && !manager->FileExists(name)) continue;
    if (List == nullptr) return true;
    IPtr<IZBLFileInfo> info;
    if (FilterFlags & zpflWithInfo) {
      auto* copy = Create<TZBLFileInfo>();
      copy->Assign(entry);
      info = IPtr<IZBLFileInfo>(Create<TZBLFileInfoKeeper>(copy));
    }
    List->Add(name, nullptr, info.get());
  }
  return List != nullptr && List->GetCount() > 0;
}

void TZEPHPlaylistStorage::GetSelectedEntries(TZEPHPlaylistItems* List) const {
  Integer selected = 0;
  for (Integer i = 0; i < FItems->GetCount(); ++i)
    if (FItems->Get(i)->IsSelected()) ++selected;
  List->SetCapacity(List->GetCount() + selected);
  for (Integer i = 0; i < FItems->GetCount(); ++i)
    if (FItems->Get(i)->IsSelected()) List->Add(FItems->Get(i));
}

void TZEPHPlaylistStorage::RescanSelected() {
  BeginUpdate();
  for (Integer i = 0; i < FItems->GetCount(); ++i)
    if (FItems->Get(i)->IsSelected()) FItems->Get(i)->ResetInfo();
  EndUpdate();
  StartTagsScan(2);
}

String TZEPHPlaylistStorage::GetPreimageFolder() {
  auto* folders = dynamic_cast<TZEPHPlaylistFoldersPreimage*>(GetPreimage());
  return folders != nullptr && folders->GetPaths()->GetCount() > 0 ? folders->GetPaths()->GetPath(0) : String();
}

void TZEPHPlaylistStorage::SetPreimageFolder(const String& Path) {
  if (Path == GetPreimageFolder()) return;
  if (Path.empty()) {
    SetPreimage(nullptr);
    return;
  }
  TZEPHPlaylistPreimageFactory* factory = nullptr;
  if (!TZEPHPlaylistPreimageRepository::FindFactory(u"TZEPHPlaylistFoldersPreimage", factory)) return;
  auto* preimage = static_cast<TZEPHPlaylistFoldersPreimage*>(factory->CreatePreimage());
  preimage->GetPaths()->Add(Path, true);
  SetPreimage(preimage);
}

// ---------------------------------------------------------------------------------------------
// Undo history

TZEPHPlaylistStorageHistory::TZEPHPlaylistStorageHistory(TZEPHPlaylistStorage* AStorage)
    : TZBLCustomHistoryManager(5), FStorage(AStorage) {}

void TZEPHPlaylistStorageHistory::BeginSnapshotAction() {
  if (!PlaylistCommonSettings()->GetOption(zpoAllowUndo) || GetSuspended()) {
    BeginUpdate(nullptr);
    return;
  }
  BeginUpdate(new TZBLHistoryAction());
  TZBLHistoryAction* action = GetCurrentAction();
  if (action == nullptr || action->GetCommands()->GetCount() > 0) return;
  try {
    AddCommand(new TZEPHPlaylistStorageHistoryCommand(FStorage));
  } catch (...) {
    // The bracket is closed so that later changes are recorded normally.
    EndUpdate(false);
    throw;
  }
}

void TZEPHPlaylistStorageHistory::CheckAllowed() {
  if (!PlaylistCommonSettings()->GetOption(zpoAllowUndo)) Clear();
}

TZEPHPlaylistStorageHistoryCommand::~TZEPHPlaylistStorageHistoryCommand() {
  if (!FSnapshotFileName.empty()) zcDeleteFile(FSnapshotFileName);
}

void TZEPHPlaylistStorageHistoryCommand::Execute() {
  FStorage->Save();
  String folder;
  if (FStorage->GetManager() != nullptr) {
    folder = FStorage->GetManager()->GetHistoryFolder();
  } else {
    if (FStorage->GetStoragePath().empty()) throw EInvalidOperation(u"StoragePath was not set");
    folder = zcIncludeTrailingPathDelimiter(FStorage->GetStoragePath()) + u"Undo/";
  }
  const String snapshot = zcGetUniqueFileName(folder + zcExtractFileNameWithoutExt(FStorage->GetFileName()) + u" - " +
                                              FormatDateTime(u"yyyy.mm.dd hh.nn.ss.zzz", Now()) + u".zephpl4");
  if (!zcDirectoryExists(folder) && !zcMakePath(folder))
    throw EFOpenError(Format(u"History: cannot create \"%s\"", {snapshot}));
  if (!zcCopyFile(FStorage->GetFileName(), snapshot, false))
    throw EFOpenError(Format(u"History: cannot backup \"%s\" (%s)", {FStorage->GetFileName(), snapshot}));
  FSnapshotFileName = snapshot;
}

void TZEPHPlaylistStorageHistoryCommand::Undo() {
  const String old = FSnapshotFileName;
  Execute();
  if (!FStorage->Load(old)) {
    // Back to the state just saved; the command keeps its old snapshot and the caller learns why.
    const String taken = FSnapshotFileName;
    FStorage->Load(taken);
    FSnapshotFileName = old;
    zcDeleteFile(taken);
    throw EFOpenError(Format(u"History: cannot restore \"%s\"", {old}));
  }
  FStorage->UpdateAutoName();
  FStorage->SetModified(true);
  zcDeleteFile(old);
}
