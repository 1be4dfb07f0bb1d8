#include "zeph/playlists/ZEPH.Playlists.Controller.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.SimpleIPC.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/playlists/ZEPH.Playlists.Settings.h"

namespace {

struct ControllerFixture : ::testing::Test {
  void SetUp() override {
    char pattern[] = "/tmp/zeph-controller-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Folder = pattern;
    std::filesystem::create_directories(Folder + "/lists");
    std::filesystem::create_directories(Folder + "/data");
    OldDataHome = getenv("XDG_DATA_HOME") != nullptr ? getenv("XDG_DATA_HOME") : "";
    setenv("XDG_DATA_HOME", (Folder + "/data").c_str(), 1);
    Controller->SetStoragePath(UTF8ToString(Folder + "/lists"));
  }
  void TearDown() override {
    Controller.reset();
    PlaylistCommonSettings()->SetOption(zpoDeleteStorageOnClosing, false);
    if (OldDataHome.empty())
      unsetenv("XDG_DATA_HOME");
    else
      setenv("XDG_DATA_HOME", OldDataHome.c_str(), 1);
    std::filesystem::remove_all(Folder);
  }
  bool InLists(const std::string& Name) const { return std::filesystem::exists(Folder + "/lists/" + Name); }
  bool InTrash(const std::string& Name) const { return std::filesystem::exists(Folder + "/data/Trash/files/" + Name); }
  std::string Folder;
  std::string OldDataHome;
  std::unique_ptr<TZEPHPlaylistController> Controller = std::make_unique<TZEPHPlaylistController>();
};

bool AnswerRock(TComponent*, const String&, const String&, String& Value) {
  Value = u"Rock";
  return true;
}
bool Cancel(TComponent*, const String&, const String&, String&) { return false; }

}  // namespace

TEST_F(ControllerFixture, ClosingKeepsAnActivePlaylistAndADefault) {
  TZEPHPlaylistStorage* a = Controller->NewPlaylist(u"A", true);
  TZEPHPlaylistStorage* b = Controller->NewPlaylist(u"B", false);
  TZEPHPlaylistStorage* c = Controller->NewPlaylist(u"C", false);
  EXPECT_EQ(Controller->GetActiveStorage(), a);
  // The playlist taking the closed one's place becomes active, else the previous one.
  Controller->ClosePlaylist(a);
  EXPECT_EQ(Controller->GetActiveStorage(), b);
  Controller->SetActiveStorage(c);
  Controller->ClosePlaylist(c);
  EXPECT_EQ(Controller->GetActiveStorage(), b);
  Controller->ClosePlaylist(b);
  ASSERT_EQ(Controller->Count(), 1);
  EXPECT_EQ(Controller->GetActiveStorage()->GetName(), u"Default");

  // A read-only playlist refuses to close.
  Controller->GetActiveStorage()->SetReadOnly(true);
  Controller->ClosePlaylist(Controller->GetActiveStorage());
  EXPECT_EQ(Controller->Count(), 1);
}

TEST_F(ControllerFixture, IdentifiersStayUnique) {
  TZEPHPlaylistStorage* a = Controller->NewPlaylist(u"A", false);
  TZEPHPlaylistStorage* b = Controller->NewPlaylist(u"B", false);
  a->SetID(u"{SAME}");
  b->SetID(u"{SAME}");
  EXPECT_EQ(a->GetID(), u"{SAME}");
  EXPECT_NE(b->GetID(), u"{SAME}");
  EXPECT_EQ(Controller->FindStorageByID(u"{SAME}"), a);
  EXPECT_EQ(Controller->FindStorageByID(u""), nullptr);
  EXPECT_EQ(Controller->GetHistoryFolder(), UTF8ToString(Folder + "/lists/Undo/"));
  TZEPHPlaylistController bare;
  EXPECT_THROW(bare.GetHistoryFolder(), EInvalidOperation);
}

TEST_F(ControllerFixture, ClosingSavesTrashesOrDeletesTheFile) {
  TZEPHPlaylistStorage* kept = Controller->NewPlaylist(u"Kept", true);
  kept->AddEntry(u"/m/a.mp3");
  Controller->ClosePlaylist(kept);
  EXPECT_TRUE(InLists("Kept.zephpl4"));

  PlaylistCommonSettings()->SetOption(zpoDeleteStorageOnClosing, true);
  TZEPHPlaylistStorage* reopened = Controller->OpenPlaylist(UTF8ToString(Folder + "/lists/Kept.zephpl4"), true);
  EXPECT_EQ(reopened->GetName(), u"Kept");
  Controller->ClosePlaylist(reopened);
  EXPECT_FALSE(InLists("Kept.zephpl4"));
  EXPECT_TRUE(InTrash("Kept.zephpl4"));

  // An empty playlist is not worth keeping: its file is deleted, not trashed.
  PlaylistCommonSettings()->SetOption(zpoDeleteStorageOnClosing, false);
  TZEPHPlaylistStorage* empty = Controller->NewPlaylist(u"Empty", true);
  empty->AddEntry(u"/m/a.mp3");
  empty->Save();
  ASSERT_TRUE(InLists("Empty.zephpl4"));
  empty->GetItems()->Clear();
  Controller->ClosePlaylist(empty);
  EXPECT_FALSE(InLists("Empty.zephpl4"));
  EXPECT_FALSE(InTrash("Empty.zephpl4"));
}

TEST_F(ControllerFixture, RenamedFilesReachEveryPlaylist) {
  TZEPHPlaylistStorage* a = Controller->NewPlaylist(u"A", false);
  TZEPHPlaylistStorage* b = Controller->NewPlaylist(u"B", false);
  a->AddEntry(u"/m/old.mp3");
  b->AddEntry(u"/m/other.mp3");
  b->AddEntry(u"/M/OLD.mp3");
  TZCLIPCHub::Send(TZCLIPCHub::GetMessageID(u"ZEPH:FileChanged"), u"/m/old.mp3|1|/m/new.mp3");
  EXPECT_EQ(a->GetItems()->Get(0)->GetFileName(), u"/m/new.mp3");
  EXPECT_EQ(b->GetItems()->Get(0)->GetFileName(), u"/m/other.mp3");
  EXPECT_EQ(b->GetItems()->Get(1)->GetFileName(), u"/m/new.mp3");
}

TEST_F(ControllerFixture, NamePromptAndPlaybackStart) {
  TZEPHPlaylistStorage* created = nullptr;
  SetPlaylistInputQuery(Cancel);
  EXPECT_FALSE(Controller->NewPlaylistAsk(created, nullptr));
  EXPECT_EQ(created, nullptr);
  SetPlaylistInputQuery(AnswerRock);
  ASSERT_TRUE(Controller->NewPlaylistAsk(created, nullptr));
  SetPlaylistInputQuery(nullptr);
  EXPECT_EQ(created->GetName(), u"Rock");
  EXPECT_EQ(Controller->GetActiveStorage(), created);

  TZEPHPlaylistStorage* other = Controller->NewPlaylist(u"Other", false);
  TZEPHPlaylistItem* entry = other->AddEntry(u"/m/x.mp3");
  other->AddEntry(u"/m/y.mp3");
  IPtr<IZEPHPlaybackQueueItemInternal> item(Create<TZEPHPlaybackQueueItem>());
  item->SetEntry(entry, other);
  Controller->PlaybackStarted(item.get());
  EXPECT_EQ(Controller->GetPlayingStorage(), other);
  EXPECT_EQ(Controller->GetPlayingEntry(), entry);
  // Started outside the active playlist, the entry takes the focus in its own.
  EXPECT_EQ(other->GetFocusedObject(), entry);

  // Closing the playing playlist forgets it.
  Controller->ClosePlaylist(other, 2);
  EXPECT_EQ(Controller->GetPlayingStorage(), nullptr);
}
