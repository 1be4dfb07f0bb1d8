#include "zeph/playlists/ZEPH.Playlists.Settings.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zeph/playlists/ZEPH.Playlists.Strings.h"
#include "zeph/playlists/ZEPH.Playlists.Tools.h"

namespace {

class KindsRecorder : public TZCLUnknownObject, public IZEPHPlaylistSettingsListener {
  RTL_INTERFACES(TZCLUnknownObject, IZEPHPlaylistSettingsListener)
 public:
  void SettingsChanged(Byte Kinds) override { Calls.push_back(Kinds); }
  std::vector<Byte> Calls;
};

// A playlist's settings with a recorder attached; restores the common settings afterwards.
struct SettingsFixture : ::testing::Test {
  void SetUp() override {
    Common = PlaylistCommonSettings();
    Common->Assign(Defaults.get());
    Own = std::make_unique<TZEPHPlaylistSettings>();
    Own->AddListener(&Recorder);
  }
  void TearDown() override {
    Own->RemoveListener(&Recorder);
    Own.reset();
    Common->Assign(Defaults.get());
    for (Integer i = 0; i < zpoCount; ++i) Common->SetOption(i, TZEPHPlaylistCommonSettings::OptionDefaults[i]);
  }
  std::unique_ptr<TZEPHPlaylistSettings> Defaults = std::make_unique<TZEPHPlaylistSettings>();
  TZEPHPlaylistCommonSettings* Common = nullptr;
  std::unique_ptr<TZEPHPlaylistSettings> Own;
  KindsRecorder Recorder;
};

}  // namespace

TEST_F(SettingsFixture, EmptySectionGivesDefaultsAndReportsNothingUnchanged) {
  Own->SetFormatMainLine(u"%Title");
  Recorder.Calls.clear();
  TZCLIniFileSection section;
  Own->Load(&section);
  EXPECT_EQ(Own->GetFlags(), zpsfDefault);
  EXPECT_EQ(Own->GetFormatMainLine(), TZEPHPlaylistSettings::DefaultFormatMainLine);
  EXPECT_EQ(Own->GetGroupFormatLine(), u"%FileDir");
  EXPECT_EQ(Recorder.Calls, std::vector<Byte>{zpskLineFormats});
}

TEST_F(SettingsFixture, InheritanceFollowsEachFlag) {
  Own->SetFormatMainLine(u"%Title");
  Own->SetGroupFormatLine(u"%Album");
  // Inherited: the common templates show.
  EXPECT_EQ(Own->GetFormatMainLine(), TZEPHPlaylistSettings::DefaultFormatMainLine);
  Recorder.Calls.clear();
  Own->SetFlag(zpsfInheritLineFormats, false);
  EXPECT_EQ(Own->GetFormatMainLine(), u"%Title");
  EXPECT_EQ(Recorder.Calls, std::vector<Byte>{zpskLineFormats});

  // A common group-template change reaches the playlist only while it inherits grouping.
  Recorder.Calls.clear();
  Common->SetGroupFormatLine(u"%Genre");
  EXPECT_EQ(Recorder.Calls, std::vector<Byte>{zpskGrouping});
  EXPECT_EQ(Own->GetGroupFormatLine(), u"%Genre");
  Own->SetFlag(zpsfInheritGrouping, false);
  Recorder.Calls.clear();
  Common->SetGroupFormatLine(u"%Year");
  Common->SetFormatMainLine(u"%Artist");
  EXPECT_TRUE(Recorder.Calls.empty());
  EXPECT_EQ(Own->GetGroupFormatLine(), u"%Album");
  // Common options always pass.
  Common->SetOption(zpoAllowUndo, false);
  EXPECT_EQ(Recorder.Calls, std::vector<Byte>{zpskCommonOption});

  // Grouping flags come from the common object while 0x80 is set.
  Own->SetFlag(zpsfInheritGrouping, true);
  Common->SetFlag(zpsfGroupByName, false);
  Own->SetFlag(zpsfGroupByName, true);
  EXPECT_FALSE(Own->GetGroupingFlag(zpsfGroupByName));
}

TEST_F(SettingsFixture, BracketCollectsKindsOnce) {
  Own->BeginUpdate();
  Own->SetFlag(0x0004, false);
  Own->SetFlag(zpsfGroupByName, true);
  Own->SetFormatSecondLine(u"x");
  Own->SetFormatSecondLine(u"x");
  EXPECT_TRUE(Recorder.Calls.empty());
  Own->EndUpdate();
  EXPECT_EQ(Recorder.Calls, std::vector<Byte>{zpskView | zpskGrouping | zpskLineFormats});
}

TEST_F(SettingsFixture, SaveWritesInheritedTemplatesAndCommonDefaultsWriteNoOptions) {
  TZCLIniFileSection own;
  Common->SetFormatMainLine(u"%Common");
  Own->Save(&own);
  EXPECT_EQ(own.ReadString(u"FormatMainLine", u""), u"%Common");
  EXPECT_EQ(own.ReadInteger(u"Flags", 0), 0x7FF);

  TZCLIniFileSection common;
  common.WriteInteger(u"AllowUndo", 0);
  Common->Save(&common);
  for (const char16_t* key : TZEPHPlaylistCommonSettings::OptionKeys) EXPECT_LT(common.IndexOfName(key), 0);
  EXPECT_LT(common.IndexOfName(u"ScrollSpeedFast"), 0);

  Common->SetOption(zpoDeleteStorageOnClosing, true);
  Common->SetOption(zpoAllowUndo, false);
  Common->Save(&common);
  EXPECT_EQ(common.ReadInteger(u"DeleteStorageOnClosing", -1), 1);
  EXPECT_EQ(common.ReadInteger(u"AllowUndo", -1), 0);

  TZCLIniFileSection back;
  back.WriteInteger(u"DeleteStorageOnClosing", 1);
  back.WriteInteger(u"ScrollSpeedFast", 7);
  Common->SetOption(zpoDeleteStorageOnClosing, false);
  Common->SetOption(zpoAllowUndo, true);
  Common->Load(&back);
  EXPECT_TRUE(Common->GetOption(zpoDeleteStorageOnClosing));
  EXPECT_EQ(TZEPHPlaylistScrollSpeeds::Fast, 7);
  Common->Load(&own);  // back to the default speeds
  EXPECT_EQ(TZEPHPlaylistScrollSpeeds::Fast, 2);
}

TEST(PlaylistTexts, TextsAndPresets) {
  EXPECT_EQ(sPlaylistNewPlaylist, u"New Playlist");
  EXPECT_EQ(GetArrowText(), u"\u2192");
  ASSERT_EQ(PlaylistGroupingPresets().Templates.size(), 7u);
  EXPECT_EQ(PlaylistGroupingPresets().Templates[6], u"%Artist - %Album");
  ASSERT_EQ(PlaylistSortingPresets().Templates.size(), 5u);
  EXPECT_EQ(PlaylistSortingPresets().Templates[2], u"%!%Mark");
}
