#pragma once
// Display settings of playlists: three entry templates and the display flags of one playlist,
// and the common settings that playlists inherit from, with the options that govern them all.

#include "rtl/RTL.Interfaces.h"
#include "zcl/base/ZCL.Classes.h"

class TZCLIniFileSection;
class TZCLListenerList;
class TZBLRecentList;

// Flags of a playlist's settings.
constexpr Cardinal zpsfGrouping = 0x0002;
constexpr Cardinal zpsfInheritLineFormats = 0x0040;
constexpr Cardinal zpsfInheritGrouping = 0x0080;
constexpr Cardinal zpsfInheritViewFlags = 0x0100;
constexpr Cardinal zpsfGroupByName = 0x0800;
constexpr Cardinal zpsfAutoCollapseGroups = 0x1000;
constexpr Cardinal zpsfDefault = 0x7FF;

// What a settings listener is told.
constexpr Byte zpskView = 0x01;
constexpr Byte zpskGrouping = 0x02;
constexpr Byte zpskLineFormats = 0x04;
constexpr Byte zpskCommonOption = 0x10;

// Options of the common settings, by index.
enum TZEPHPlaylistOption : Integer {
  zpoAllowUndo,
  zpoAutoScanPlaylists,
  zpoAutoSortAddingFiles,
  zpoAutoSortPlaylists,
  zpoDeleteStorageOnClosing,
  zpoSaveAbsoluteFileNames,
  zpoSaveDefaultPlaylist,
  zpoSaveEmptyPlaylists,
  zpoAllowIncrementalSearch,
  zpoShowInfoAboutSelectedFiles,
  zpoShowRemainingDuration,
  zpoCount
};

struct IZEPHPlaylistSettingsListener : virtual IInterface {
  RTL_INTERFACE(IZEPHPlaylistSettingsListener, IInterface, "{42599DB4-26E5-4953-8290-1D238268E3A7}")
  virtual void SettingsChanged(Byte Kinds) = 0;
};

class TZEPHPlaylistSettings : public TZCLUnknownObject, public IZEPHPlaylistSettingsListener {
  ZCL_CLASS(TZEPHPlaylistSettings, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZEPHPlaylistSettingsListener)
 public:
  TZEPHPlaylistSettings();
  ~TZEPHPlaylistSettings() override;

  static const String DefaultFormatMainLine;
  static const String DefaultFormatSecondLine;
  static const String DefaultGroupFormatLine;

  virtual void Assign(TZEPHPlaylistSettings* Source);
  virtual void Load(TZCLIniFileSection* Section);
  virtual void Save(TZCLIniFileSection* Section);

  void AddListener(IZEPHPlaylistSettingsListener* Listener);
  void RemoveListener(IZEPHPlaylistSettingsListener* Listener);
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  void SetPendingKinds(Byte Kinds);

  Cardinal GetFlags() const { return FFlags; }
  bool HasFlag(Cardinal Flag) const { return (FFlags & Flag) != 0; }
  bool GetGroupingFlag(Cardinal Flag) const;
  bool GetViewFlag(Cardinal Flag) const;
  void SetFlag(Cardinal Flag, bool Value);

  const String& GetFormatMainLine() const;
  const String& GetFormatSecondLine() const;
  const String& GetGroupFormatLine() const;
  void SetFormatMainLine(const String& Value);
  void SetFormatSecondLine(const String& Value);
  void SetGroupFormatLine(const String& Value);

  // Passes on what this object inherits from the common settings.
  void SettingsChanged(Byte Kinds) override;

 protected:
  virtual void NotifyChanged();
  void AddKinds(Byte Kinds);
  // The common settings, when this object follows them.
  TZEPHPlaylistSettings* GetParent() const;

  Cardinal FFlags = zpsfDefault;
  String FFormatMainLine;
  String FFormatSecondLine;
  String FGroupFormatLine;
  TZCLListenerList* FListeners;
  Integer FUpdateCount = 0;
  Byte FPendingKinds = 0;
  bool FIsCommon = false;
};

class TZEPHPlaylistCommonSettings : public TZEPHPlaylistSettings {
  ZCL_CLASS(TZEPHPlaylistCommonSettings, TZEPHPlaylistSettings)
 public:
  TZEPHPlaylistCommonSettings();

  static const char16_t* const OptionKeys[zpoCount];
  static const bool OptionDefaults[zpoCount];

  void Load(TZCLIniFileSection* Section) override;
  void Save(TZCLIniFileSection* Section) override;

  bool GetOption(Integer Index) const;
  void SetOption(Integer Index, bool Value);

 private:
  bool FOptions[zpoCount];
};

// Lines per mouse-wheel notch of the playlist views: without modifier, with Alt, with Ctrl.
// FIXME: these belong to the control library's mouse-wheel class once it exists.
struct TZEPHPlaylistScrollSpeeds {
  static Integer Normal;
  static Integer Fast;
  static Integer VeryFast;
};

// The common settings, created on first use.
TZEPHPlaylistCommonSettings* PlaylistCommonSettings();
// The search history of the quick search (10 texts).
TZBLRecentList* PlaylistSearchHistory();

namespace detail {
void PlaylistSettingsInitialization();
void PlaylistSettingsFinalization();
}  // namespace detail
