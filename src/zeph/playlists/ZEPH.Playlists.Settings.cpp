#include "zeph/playlists/ZEPH.Playlists.Settings.h"

#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zeph/media/ZBL.RecentList.h"

namespace {
TZEPHPlaylistCommonSettings* GCommonSettings = nullptr;
TZBLRecentList* GSearchHistory = nullptr;

// The change kind that a flag belongs to.
Byte KindOfFlag(Cardinal Flag) {
  constexpr Cardinal kGrouping = zpsfGrouping | zpsfInheritGrouping | zpsfGroupByName | zpsfAutoCollapseGroups;
  if (Flag & kGrouping) return zpskGrouping;
  if (Flag & zpsfInheritLineFormats) return zpskLineFormats;
  return zpskView;
}
}  // namespace

const String TZEPHPlaylistSettings::DefaultFormatMainLine = u"%IF(%Artist,%Artist - %Title,%Title)";
const String TZEPHPlaylistSettings::DefaultFormatSecondLine = u"%FileFormat :: %SampleRate, %BitRate, %FileSize";
const String TZEPHPlaylistSettings::DefaultGroupFormatLine = u"%FileDir";

Integer TZEPHPlaylistScrollSpeeds::Normal = 1;
Integer TZEPHPlaylistScrollSpeeds::Fast = 2;
Integer TZEPHPlaylistScrollSpeeds::VeryFast = 4;

TZEPHPlaylistSettings::TZEPHPlaylistSettings()
    : FFormatMainLine(DefaultFormatMainLine),
      FFormatSecondLine(DefaultFormatSecondLine),
      FGroupFormatLine(DefaultGroupFormatLine),
      FListeners(new TZCLListenerList()) {
  // The common object is created through its own constructor, which sets FIsCommon afterwards;
  // while GCommonSettings is not yet assigned nothing is registered.
  if (GCommonSettings != nullptr) GCommonSettings->AddListener(this);
}

TZEPHPlaylistSettings::~TZEPHPlaylistSettings() {
  if (!FIsCommon && GCommonSettings != nullptr) GCommonSettings->RemoveListener(this);
  delete FListeners;
}

TZEPHPlaylistSettings* TZEPHPlaylistSettings::GetParent() const {
  return FIsCommon ? nullptr : GCommonSettings;
}

void TZEPHPlaylistSettings::NotifyChanged() {
  if (FUpdateCount != 0 || FPendingKinds == 0) return;
  const Byte kinds = FPendingKinds;
  FPendingKinds = 0;
  FListeners->Enum<IZEPHPlaylistSettingsListener>(
      [&](const IPtr<IZEPHPlaylistSettingsListener>& L) { L->SettingsChanged(kinds); });
}

void TZEPHPlaylistSettings::AddKinds(Byte Kinds) {
  FPendingKinds |= Kinds;
  NotifyChanged();
}

void TZEPHPlaylistSettings::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) NotifyChanged();
}

void TZEPHPlaylistSettings::SetPendingKinds(Byte Kinds) {
  FPendingKinds = Kinds;
  NotifyChanged();
}

void TZEPHPlaylistSettings::AddListener(IZEPHPlaylistSettingsListener* Listener) {
  FListeners->Add(IPtr<IInterface>(static_cast<IInterface*>(Listener)));
}

void TZEPHPlaylistSettings::RemoveListener(IZEPHPlaylistSettingsListener* Listener) {
  FListeners->Remove(IPtr<IInterface>(static_cast<IInterface*>(Listener)));
}

void TZEPHPlaylistSettings::Assign(TZEPHPlaylistSettings* Source) {
  FFlags = Source->FFlags;
  FFormatMainLine = Source->FFormatMainLine;
  FFormatSecondLine = Source->FFormatSecondLine;
  FGroupFormatLine = Source->FGroupFormatLine;
  AddKinds(zpskView | zpskGrouping | zpskLineFormats);
}

void TZEPHPlaylistSettings::Load(TZCLIniFileSection* Section) {
  BeginUpdate();
  FFlags = static_cast<Cardinal>(Section->ReadInteger(u"Flags", zpsfDefault));
  SetFormatMainLine(Section->ReadString(u"FormatMainLine", DefaultFormatMainLine));
  SetGroupFormatLine(Section->ReadString(u"GroupFormatLine", DefaultGroupFormatLine));
  SetFormatSecondLine(Section->ReadString(u"FormatSecondLine", DefaultFormatSecondLine));
  EndUpdate();
}

void TZEPHPlaylistSettings::Save(TZCLIniFileSection* Section) {
  Section->WriteInteger(u"Flags", static_cast<Integer>(FFlags));
  Section->WriteString(u"FormatMainLine", GetFormatMainLine());
  Section->WriteString(u"FormatSecondLine", GetFormatSecondLine());
  Section->WriteString(u"GroupFormatLine", GetGroupFormatLine());
}

bool TZEPHPlaylistSettings::GetGroupingFlag(Cardinal Flag) const {
  TZEPHPlaylistSettings* parent = GetParent();
  if (parent != nullptr && HasFlag(zpsfInheritGrouping)) return parent->GetGroupingFlag(Flag);
  return HasFlag(Flag);
}

bool TZEPHPlaylistSettings::GetViewFlag(Cardinal Flag) const {
  TZEPHPlaylistSettings* parent = GetParent();
  if (parent != nullptr && HasFlag(zpsfInheritViewFlags)) return parent->HasFlag(Flag);
  return HasFlag(Flag);
}

void TZEPHPlaylistSettings::SetFlag(Cardinal Flag, bool Value) {
  if (HasFlag(Flag) == Value) return;
  FFlags = Value ? (FFlags | Flag) : (FFlags & ~Flag);
  AddKinds(KindOfFlag(Flag));
}

const String& TZEPHPlaylistSettings::GetFormatMainLine() const {
  TZEPHPlaylistSettings* parent = GetParent();
  return parent != nullptr && HasFlag(zpsfInheritLineFormats) ? parent->FFormatMainLine : FFormatMainLine;
}

const String& TZEPHPlaylistSettings::GetFormatSecondLine() const {
  TZEPHPlaylistSettings* parent = GetParent();
  return parent != nullptr && HasFlag(zpsfInheritLineFormats) ? parent->FFormatSecondLine : FFormatSecondLine;
}

const String& TZEPHPlaylistSettings::GetGroupFormatLine() const {
  TZEPHPlaylistSettings* parent = GetParent();
  return parent != nullptr && HasFlag(zpsfInheritGrouping) ? parent->FGroupFormatLine : FGroupFormatLine;
}

void TZEPHPlaylistSettings::SetFormatMainLine(const String& Value) {
  if (FFormatMainLine == Value) return;
  FFormatMainLine = Value;
  AddKinds(zpskLineFormats);
}

void TZEPHPlaylistSettings::SetFormatSecondLine(const String& Value) {
  if (FFormatSecondLine == Value) return;
  FFormatSecondLine = Value;
  AddKinds(zpskLineFormats);
}

void TZEPHPlaylistSettings::SetGroupFormatLine(const String& Value) {
  if (FGroupFormatLine == Value) return;
  FGroupFormatLine = Value;
  AddKinds(zpskGrouping);
}

void TZEPHPlaylistSettings::SettingsChanged(Byte Kinds) {
  if (!HasFlag(zpsfInheritViewFlags)) Kinds &= ~zpskView;
  if (!HasFlag(zpsfInheritLineFormats)) Kinds &= ~zpskLineFormats;
  if (!HasFlag(zpsfInheritGrouping)) Kinds &= ~zpskGrouping;
  if (Kinds != 0) AddKinds(Kinds);
}

// ---------------------------------------------------------------------------------------------

const char16_t* const TZEPHPlaylistCommonSettings::OptionKeys[zpoCount] = {
    u"AllowUndo",          u"AutoScanPlaylists",        u"AutoSortAddingFiles",        u"AutoSortPlaylists",
    u"DeleteStorageOnClosing", u"SaveAbsoluteFileNames", u"SaveDefaultPlaylist",      u"SaveEmptyPlaylists",
    u"AllowIncrementalSearch", u"ShowInfoAboutSelectedFiles", u"ShowRemainingDuration"};

const bool TZEPHPlaylistCommonSettings::OptionDefaults[zpoCount] = {true,  true,  true, true, false, true,
                                                                    true,  false, true, true, false};

TZEPHPlaylistCommonSettings::TZEPHPlaylistCommonSettings() {
  FIsCommon = true;
  for (Integer i = 0; i < zpoCount; ++i) FOptions[i] = OptionDefaults[i];
}

void TZEPHPlaylistCommonSettings::Load(TZCLIniFileSection* Section) {
  BeginUpdate();
  TZEPHPlaylistSettings::Load(Section);
  for (Integer i = 0; i < zpoCount; ++i)
    SetOption(i, Section->ReadInteger(OptionKeys[i], OptionDefaults[i] ? 1 : 0) != 0);
  TZEPHPlaylistScrollSpeeds::Normal = Section->ReadInteger(u"ScrollSpeedNormal", 1);
  TZEPHPlaylistScrollSpeeds::Fast = Section->ReadInteger(u"ScrollSpeedFast", 2);
  TZEPHPlaylistScrollSpeeds::VeryFast = Section->ReadInteger(u"ScrollSpeedVeryFast", 4);
  EndUpdate();
}

void TZEPHPlaylistCommonSettings::Save(TZCLIniFileSection* Section) {
  TZEPHPlaylistSettings::Save(Section);
  const auto option = [&](Integer Index) {
    if (FOptions[Index] == OptionDefaults[Index])
      Section->DeleteKey(OptionKeys[Index]);
    else
      Section->WriteInteger(OptionKeys[Index], FOptions[Index] ? 1 : 0);
  };
  const auto speed = [&](const char16_t* Key, Integer Value, Integer Default) {
    if (Value == Default)
      Section->DeleteKey(Key);
    else
      Section->WriteInteger(Key, Value);
  };
  for (Integer i : {zpoAllowUndo, zpoAutoScanPlaylists, zpoAutoSortPlaylists, zpoAutoSortAddingFiles,
                    zpoDeleteStorageOnClosing, zpoSaveAbsoluteFileNames, zpoSaveDefaultPlaylist,
                    zpoSaveEmptyPlaylists, zpoShowRemainingDuration})
    option(i);
  speed(u"ScrollSpeedFast", TZEPHPlaylistScrollSpeeds::Fast, 2);
  speed(u"ScrollSpeedNormal", TZEPHPlaylistScrollSpeeds::Normal, 1);
  speed(u"ScrollSpeedVeryFast", TZEPHPlaylistScrollSpeeds::VeryFast, 4);
  option(zpoAllowIncrementalSearch);
  option(zpoShowInfoAboutSelectedFiles);
}

bool TZEPHPlaylistCommonSettings::GetOption(Integer Index) const {
  return Index >= 0 && Index < zpoCount && FOptions[Index];
}

void TZEPHPlaylistCommonSettings::SetOption(Integer Index, bool Value) {
  if (Index < 0 || Index >= zpoCount || FOptions[Index] == Value) return;
  FOptions[Index] = Value;
  AddKinds(zpskCommonOption);
}

TZEPHPlaylistCommonSettings* PlaylistCommonSettings() {
  if (GCommonSettings == nullptr) GCommonSettings = new TZEPHPlaylistCommonSettings();
  return GCommonSettings;
}

TZBLRecentList* PlaylistSearchHistory() { return GSearchHistory; }

namespace detail {
void PlaylistSettingsInitialization() {
  if (GSearchHistory == nullptr) GSearchHistory = new TZBLRecentList(10);
}

void PlaylistSettingsFinalization() {
  delete GSearchHistory;
  GSearchHistory = nullptr;
  delete GCommonSettings;
  GCommonSettings = nullptr;
}
}  // namespace detail
