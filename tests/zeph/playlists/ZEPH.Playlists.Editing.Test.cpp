#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/playlists/ZEPH.Playlists.Controller.h"
#include "zeph/playlists/ZEPH.Playlists.Settings.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.h"

namespace {

struct Editing : ::testing::Test {
  void SetUp() override {
    PlaylistCommonSettings()->SetOption(zpoAllowUndo, false);
    PlaylistCommonSettings()->SetOption(zpoAutoScanPlaylists, false);
  }
  void TearDown() override {
    PlaylistCommonSettings()->SetOption(zpoAutoScanPlaylists, true);
    PlaylistCommonSettings()->SetOption(zpoAllowUndo, true);
  }
  TZEPHPlaylistItems* Items() const { return Playlist->GetItems(); }
  std::unique_ptr<TZCLStringList> Names(std::initializer_list<const char16_t*> List) {
    std::unique_ptr<TZCLStringList> names(Create<TZCLStringList>());
    for (const char16_t* n : List) names->Add(n);
    return names;
  }
  String Titles() const {
    String r;
    for (Integer i = 0; i < Items()->GetCount(); ++i) r += Items()->Get(i)->GetTitle() + u" ";
    return r;
  }
  String Files() const {
    String r;
    for (Integer i = 0; i < Items()->GetCount(); ++i) r += zcExtractFileName(Items()->Get(i)->GetFileName()) + u" ";
    return r;
  }
  void AddTitled(std::initializer_list<const char16_t*> List) {
    Playlist->BeginUpdate();
    for (const char16_t* t : List) Playlist->AddEntry(String(u"/m/") + t + u".mp3")->SetTitle(t);
    Playlist->EndUpdate();
  }
  std::unique_ptr<TZEPHPlaylistStorage> Playlist = std::make_unique<TZEPHPlaylistStorage>();
};

}  // namespace

TEST_F(Editing, InsertingAtPositionsAndSkippingPresentFiles) {
  AddTitled({u"a", u"b", u"c"});
  EXPECT_TRUE(Playlist->InsertFiles(Names({u"/m/x.mp3", u"/m/y.mp3", u"/m/z.mp3"}).get(), 0, 2, 0));
  EXPECT_EQ(Files(), u"a.mp3 b.mp3 x.mp3 y.mp3 z.mp3 c.mp3 ");
  EXPECT_TRUE(Playlist->GetUserReordered());

  // Present files add nothing and their entry takes the focus.
  Playlist->InsertFiles(Names({u"/m/new.mp3", u"/M/B.mp3"}).get(), zpafSkipPresent | zpafFocus, -1, 1);
  EXPECT_EQ(Items()->GetCount(), 7);
  EXPECT_EQ(Playlist->GetFocusedObject(), Items()->Get(1));

  TZEPHPlaylistStorage empty;
  EXPECT_EQ(empty.InsertEntry(u"/r.mp3", nullptr, -2)->GetIndex(), 0);

  // Read-only playlists and empty lists accept nothing.
  Playlist->SetReadOnly(true);
  EXPECT_FALSE(Playlist->InsertFiles(Names({u"/m/q.mp3"}).get(), 0, -1, 0));
  EXPECT_FALSE(Playlist->AddFiles(Names({u"/m/q.mp3"}).get(), zpafSynchronous));
  EXPECT_EQ(Items()->GetCount(), 7);
}

TEST_F(Editing, SortingIsStableTemplatesNumberAwareAndInvertible) {
  AddTitled({u"a10", u"b", u"a2", u"b", u"a1"});
  for (Integer i = 0; i < Items()->GetCount(); ++i) Items()->Get(i)->SetArtist(i % 2 ? u"Y" : u"X");
  TZEPHPlaylistItem* firstB = Items()->Get(1);
  Playlist->SortByTemplate(u"%Title");
  EXPECT_EQ(Titles(), u"a1 a2 a10 b b ");
  EXPECT_EQ(Items()->Get(3), firstB);
  EXPECT_FALSE(Playlist->GetUserReordered());
  // The first key decides; the reverse-marked second sorts descending.
  Playlist->SortByTemplate(u"%Artist %!%Title");
  EXPECT_EQ(Titles(), u"a10 a2 a1 b b ");
  Playlist->InvertSorting();
  EXPECT_EQ(Playlist->GetSortingTemplate(), u"%!%Artist %Title");
  EXPECT_EQ(Titles(), u"b b a1 a2 a10 ");

  // Without a template inverting reverses the list exactly.
  Playlist->MoveEntry(Items()->Get(0), 4);
  EXPECT_EQ(Playlist->GetSortingTemplate(), u"");
  const String before = Files();
  std::vector<TZEPHPlaylistItem*> order;
  for (Integer i = 0; i < Items()->GetCount(); ++i) order.push_back(Items()->Get(i));
  Playlist->InvertSorting();
  for (Integer i = 0; i < Items()->GetCount(); ++i) EXPECT_EQ(Items()->Get(i), order[order.size() - 1 - i]);
}

TEST_F(Editing, MovingAndShuffling) {
  AddTitled({u"a", u"b", u"c", u"d", u"e"});
  Playlist->MoveEntries(1, {Items()->Get(3), Items()->Get(4)});
  EXPECT_EQ(Titles(), u"a d e b c ");
  Playlist->Shuffle(1);  // groups, without grouping: nothing
  EXPECT_EQ(Titles(), u"a d e b c ");
  Playlist->Shuffle(0);
  std::vector<String> titles;
  for (Integer i = 0; i < Items()->GetCount(); ++i) titles.push_back(Items()->Get(i)->GetTitle());
  std::sort(titles.begin(), titles.end());
  EXPECT_EQ(titles, (std::vector<String>{u"a", u"b", u"c", u"d", u"e"}));
}

TEST_F(Editing, SyncFromListKeepsInformationAndDropsTheRest) {
  AddTitled({u"a", u"b", u"c"});
  for (Integer i = 0; i < 3; ++i) Items()->Get(i)->GetStreamInfo().Duration = 1000 * (i + 1);
  Playlist->SyncFromList(Names({u"/m/c.mp3", u"/m/a.mp3", u"/m/n.mp3"}).get(), String());
  EXPECT_EQ(Files(), u"c.mp3 a.mp3 n.mp3 ");
  EXPECT_EQ(Titles(), u"c a  ");
  EXPECT_EQ(Items()->Get(0)->GetStreamInfo().Duration, 3000u);

  // A playlist the user reordered keeps its order and only loses what is gone.
  Playlist->MoveEntry(Items()->Get(2), 0);
  Playlist->MarkUserReordered();
  Playlist->SyncFromList(Names({u"/m/a.mp3", u"/m/n.mp3", u"/m/z.mp3"}).get(), String());
  EXPECT_EQ(Files(), u"n.mp3 a.mp3 z.mp3 ");
}

TEST_F(Editing, SyncFromListMatchesRepeatedNamesInOrder) {
  // Names compare ignoring case; each listed name takes the next entry of that name.
  AddTitled({u"a", u"b", u"A", u"c"});
  Playlist->SyncFromList(Names({u"/m/a.mp3", u"/m/c.mp3", u"/m/a.mp3", u"/m/a.mp3", u"/m/b.mp3"}).get(), String());
  EXPECT_EQ(Titles(), u"a c A  b ");
  EXPECT_EQ(Files(), u"a.mp3 c.mp3 A.mp3 a.mp3 b.mp3 ");

  // In the user's order every listed name updates the first entry of that name.
  Playlist->MarkUserReordered();
  Playlist->SyncFromList(Names({u"/m/c.mp3", u"/m/A.mp3", u"/m/a.mp3", u"/m/n.mp3", u"/m/N.mp3"}).get(), String());
  EXPECT_EQ(Files(), u"a.mp3 c.mp3 A.mp3 a.mp3 n.mp3 ");
}

TEST_F(Editing, DeletingThePlayingEntryAsksForARestart) {
  struct Host {
    int Restarts = 0;
    void Removing(TZEPHPlaylistStorage*, bool, TZEPHPlaylistItem*, bool& Restart) { Restart = true; }
    void Restart(TZEPHPlaylistStorage*) { ++Restarts; }
  } host;
  TZEPHPlaylistController controller;
  controller.OnPlayingEntryRemoving = TZEPHPlayingEntryRemovingEvent(&host, &Host::Removing);
  controller.OnRestartPlayback = TZEPHPlaylistStorageEvent(&host, &Host::Restart);
  TZEPHPlaylistStorage* playlist = controller.NewPlaylist(u"P", true);
  for (const char16_t* n : {u"/m/a.mp3", u"/m/b.mp3", u"/m/c.mp3", u"/m/d.mp3"}) playlist->AddEntry(n);
  TZEPHPlaylistItem* focused = playlist->GetItems()->Get(3);
  focused->Focus(false);
  playlist->SetPlaybackCursorEntry(playlist->GetItems()->Get(1));
  playlist->DeleteEntries({playlist->GetItems()->Get(0), playlist->GetItems()->Get(1)}, false);
  EXPECT_EQ(host.Restarts, 1);
  EXPECT_EQ(playlist->GetItems()->GetCount(), 2);
  EXPECT_EQ(playlist->GetFocusedObject(), focused);
  playlist->DeselectAll();
  playlist->GetItems()->Get(0)->SetSelected(true);
  playlist->DeleteSelected(false);
  EXPECT_EQ(playlist->GetItems()->GetCount(), 1);
}

namespace {

struct Snapshots : ::testing::Test {
  void SetUp() override {
    char pattern[] = "/tmp/zeph-undo-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Folder = pattern;
    Controller.SetStoragePath(UTF8ToString(Folder));
    PlaylistCommonSettings()->SetOption(zpoAllowUndo, true);
    PlaylistCommonSettings()->SetOption(zpoAutoScanPlaylists, false);
    Playlist = Controller.NewPlaylist(u"Mix", true);
  }
  void TearDown() override {
    PlaylistCommonSettings()->SetOption(zpoAllowUndo, true);
    PlaylistCommonSettings()->SetOption(zpoAutoScanPlaylists, true);
    std::filesystem::remove_all(Folder);
  }
  std::vector<std::string> UndoFiles() const {
    std::vector<std::string> r;
    if (!std::filesystem::exists(Folder + "/Undo")) return r;
    for (const auto& e : std::filesystem::directory_iterator(Folder + "/Undo")) r.push_back(e.path().filename());
    std::sort(r.begin(), r.end());
    return r;
  }
  std::string Folder;
  TZEPHPlaylistController Controller;
  TZEPHPlaylistStorage* Playlist = nullptr;
};

}  // namespace

TEST_F(Snapshots, SixEditsKeepFiveSnapshotsAndUndoSwaps) {
  for (int i = 0; i < 6; ++i) {
    auto names = std::unique_ptr<TZCLStringList>(Create<TZCLStringList>());
    names->Add(u"/m/" + IntToStr(i) + u".mp3");
    Playlist->InsertFiles(names.get(), 0, -1, 0);
  }
  const std::vector<std::string> files = UndoFiles();
  ASSERT_EQ(files.size(), 5u);
  // "<name> - yyyy.mm.dd hh.mm.ss.zzz.zephpl4", distinct even within one millisecond.
  for (const std::string& f : files) {
    EXPECT_EQ(f.rfind("Mix - ", 0), 0u) << f;
    EXPECT_EQ(f.substr(f.size() - 8), ".zephpl4") << f;
  }
  EXPECT_EQ(Playlist->GetHistory()->GetUndoList()->GetCount(), 5);

  EXPECT_TRUE(Playlist->GetHistory()->Undo());
  EXPECT_EQ(Playlist->GetItems()->GetCount(), 5);
  EXPECT_TRUE(Playlist->GetHistory()->Redo());
  EXPECT_EQ(Playlist->GetItems()->GetCount(), 6);
  EXPECT_EQ(UndoFiles().size(), 5u);

  // Switching undo off drops the history with its files.
  PlaylistCommonSettings()->SetOption(zpoAllowUndo, false);
  EXPECT_EQ(Playlist->GetHistory()->GetUndoList()->GetCount(), 0);
  EXPECT_TRUE(UndoFiles().empty());
}

TEST_F(Snapshots, WithoutUndoNoFolderAppears) {
  PlaylistCommonSettings()->SetOption(zpoAllowUndo, false);
  auto names = std::unique_ptr<TZCLStringList>(Create<TZCLStringList>());
  names->Add(u"/m/a.mp3");
  Playlist->InsertFiles(names.get(), 0, -1, 0);
  EXPECT_FALSE(std::filesystem::exists(Folder + "/Undo"));
}

TEST_F(Snapshots, AFailedRestoreKeepsThePlaylistAndItsSnapshot) {
  auto names = std::unique_ptr<TZCLStringList>(Create<TZCLStringList>());
  names->Add(u"/m/a.mp3");
  Playlist->InsertFiles(names.get(), 0, -1, 0);
  names->Clear();
  names->Add(u"/m/b.mp3");
  Playlist->InsertFiles(names.get(), 0, -1, 0);
  ASSERT_EQ(UndoFiles().size(), 2u);
  // The newest snapshot becomes unreadable.
  auto* action = static_cast<TZBLHistoryAction*>(Playlist->GetHistory()->GetUndoList()->GetItems(1));
  auto* command = static_cast<TZEPHPlaylistStorageHistoryCommand*>(action->Commands(0));
  const std::string snapshot = StringToUTF8(command->GetSnapshotFileName());
  std::filesystem::remove(snapshot);
  std::filesystem::create_directory(snapshot);
  EXPECT_THROW(Playlist->GetHistory()->Undo(), Exception);
  EXPECT_EQ(Playlist->GetItems()->GetCount(), 2);
  EXPECT_TRUE(Playlist->IsLoaded());
  EXPECT_EQ(StringToUTF8(command->GetSnapshotFileName()), snapshot);
  EXPECT_TRUE(std::filesystem::exists(snapshot));
  std::filesystem::remove(snapshot);
}
