#include "zeph/playlists/ZEPH.Playlists.Storage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <thread>
#include <vector>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Hashes.h"

namespace {

class ChangeRecorder : public TZCLUnknownObject, public IZEPHPlaylistStorageChangeListener {
  RTL_INTERFACES(TZCLUnknownObject, IZEPHPlaylistStorageChangeListener)
 public:
  void Changed(TZEPHPlaylistStorage*, Word Flags, void*) override { Calls.push_back(Flags); }
  std::vector<Word> Calls;
};

struct PlaylistFixture : ::testing::Test {
  PlaylistFixture() { Playlist->GetListeners()->Add(IPtr<IInterface>(static_cast<IInterface*>(&Recorder))); }
  ~PlaylistFixture() override { Playlist->GetListeners()->Remove(IPtr<IInterface>(static_cast<IInterface*>(&Recorder))); }
  ChangeRecorder Recorder;
  std::unique_ptr<TZEPHPlaylistStorage> Playlist = std::make_unique<TZEPHPlaylistStorage>();
  TZEPHPlaylistItems* Items() const { return Playlist->GetItems(); }
  void AddMany(int Count) {
    for (int i = 0; i < Count; ++i) Playlist->AddEntry(u"/music/" + IntToStr(i) + u".mp3");
  }
  std::vector<Integer> QueueIndices() const {
    std::vector<Integer> r;
    for (Integer i = 0; i < Items()->GetCount(); ++i) r.push_back(Items()->Get(i)->GetPlaybackQueueIndex());
    return r;
  }
};

}  // namespace

TEST(PlaylistEntryHash, LowerCasedUtf16LeLookup3) {
  const char16_t expected[] = u"/a/\u00c4b.mp3";
  String lower = expected;
  for (Char& c : lower) c = ToLower(c);
  std::vector<Byte> bytes;
  for (Char c : lower) {
    bytes.push_back(static_cast<Byte>(c & 0xFF));
    bytes.push_back(static_cast<Byte>(c >> 8));
  }
  EXPECT_EQ(ZEPHPlaylistFileNameHash(u"/A/\u00c4B.MP3"), TZCLHashBobJenkins::HashLittle(bytes.data(), bytes.size(), 0));
  EXPECT_EQ(ZEPHPlaylistFileNameHash(u"/A/X.MP3"), ZEPHPlaylistFileNameHash(u"/a/x.mp3"));
  EXPECT_NE(ZEPHPlaylistFileNameHash(u"/a/x.mp3"), ZEPHPlaylistFileNameHash(u"/a/y.mp3"));
}

TEST_F(PlaylistFixture, NewEntryStateAndTexts) {
  TZEPHPlaylistItem* fresh = Create<TZEPHPlaylistItem>(Playlist.get());
  EXPECT_TRUE(fresh->GetSwitch());
  EXPECT_EQ(fresh->GetPlaybackQueueIndex(), -1);
  Free(fresh);
  TZEPHPlaylistItem* item = Playlist->AddEntry(u"/music/a.mp3");
  // Inserting renews the order of play.
  EXPECT_EQ(item->GetPlaybackQueueIndex(), 0);
  EXPECT_FALSE(item->HasItemFlag(zpifIsURL));
  EXPECT_EQ(item->GetDurationText(), u"");
  item->GetStreamInfo().Duration = 3723000;
  EXPECT_EQ(item->GetDurationText(), u"01:02:03");
  item->SetItemFlag(zpifFileNotFound, true);
  EXPECT_EQ(item->GetDisplayText2(), u"< not found >");

  const Cardinal hash = item->GetFileNameHash();
  item->SetFileName(u"http://radio.example/stream");
  EXPECT_TRUE(item->HasItemFlag(zpifIsURL));
  EXPECT_TRUE(item->HasItemFlag(zpifIsInternetStream));
  EXPECT_NE(item->GetFileNameHash(), hash);
  item->SetItemFlag(zpifFileNotFound, false);
  item->GetStreamInfo().Duration = 0;
  EXPECT_EQ(item->GetDurationText(), u"Radio");
  EXPECT_EQ(item->GetDisplayText2(), u"http://radio.example/stream");
  EXPECT_TRUE(item->NeedsInfo());

  Integer index = -1;
  Playlist->AddEntry(u"/music/B.mp3");
  EXPECT_TRUE(Items()->FindByFileName(u"/MUSIC/b.MP3", 0, index));
  EXPECT_EQ(index, 1);
  EXPECT_FALSE(Items()->FindByFileName(u"/music/b.mp3", 2, index));
}

TEST_F(PlaylistFixture, ChangesCollectInOneNotification) {
  AddMany(3);
  Playlist->SetModified(false);
  Recorder.Calls.clear();
  Playlist->BeginUpdate();
  Items()->Get(0)->ToggleSwitch();
  Items()->Get(1)->SetSelected(true);
  Items()->Get(2)->SetTitle(u"x");
  Playlist->Changed(zpcFocus);
  Playlist->SetRemark(u"r");
  EXPECT_TRUE(Recorder.Calls.empty());
  Playlist->EndUpdate();
  // Becoming modified is told at once, then the collected set once (the entry-info change also
  // rebuilt the layout).
  const std::vector<Word> expected = {
      zpcModified, zpcPlaybackSwitch | zpcSelection | zpcEntryInfo | zpcFocus | zpcRemark | zpcContent};
  EXPECT_EQ(Recorder.Calls, expected);
  EXPECT_TRUE(Playlist->IsModified());

  Playlist->GetStatistics();
  Playlist->SetModified(false);
  Recorder.Calls.clear();
  Items()->Get(1)->SetSelected(false);
  EXPECT_EQ(Recorder.Calls, std::vector<Word>{zpcSelection});
  EXPECT_FALSE(Playlist->IsModified());
  EXPECT_FALSE(Playlist->StatisticsValid());

  // Entries changed on another thread report nothing; the playlist itself refuses.
  Recorder.Calls.clear();
  std::string message;
  std::thread([&] {
    Items()->Get(1)->SetTitle(u"y");
    try {
      Playlist->Changed(zpcName);
    } catch (const Exception& E) {
      message = StringToUTF8(E.GetMessage());
    }
  }).join();
  EXPECT_TRUE(Recorder.Calls.empty());
  EXPECT_EQ(message, "TZEPHPlaylistStorage: Synchronization Error");
}

TEST_F(PlaylistFixture, NamesIdsAndStatistics) {
  Playlist->SetName(u"Rock");
  EXPECT_FALSE(Playlist->GetNameIsAutoSet());
  Playlist->SetName(u"<AutoName>");
  EXPECT_TRUE(Playlist->GetNameIsAutoSet());
  EXPECT_EQ(Playlist->GetName(), u"New Playlist");
  Playlist->SetName(u"New Playlist");
  EXPECT_FALSE(Playlist->GetNameIsAutoSet());
  Playlist->SetID(u"{AUTO-1}");
  Playlist->SetName(u"default");
  EXPECT_TRUE(Playlist->IsDefault());
  EXPECT_FALSE(StartsStr(u"{AUTO-", Playlist->GetID()));

  AddMany(4);
  const Cardinal durations[] = {10000, 20000, 30000, 40000};
  for (Integer i = 0; i < 4; ++i) {
    Items()->Get(i)->GetStreamInfo().Duration = durations[i];
    Items()->Get(i)->SetPlaybackQueueIndex(i);
  }
  Items()->Get(3)->SetSwitch(false);
  Playlist->SetPlaybackCursor(1);
  Playlist->SetPlaybackCursorAutoBookmark(5000);
  Playlist->Changed(zpcPlaybackCursor);
  TZEPHPlaylistStatistics st = Playlist->GetStatistics();
  EXPECT_EQ(st.Total.Count, 4);
  EXPECT_EQ(st.Total.Duration, 100000);
  EXPECT_EQ(st.Played.Count, 1);
  EXPECT_EQ(st.Played.Duration, 15000);
  EXPECT_EQ(st.Remaining.Count, 1);
  EXPECT_EQ(st.Remaining.Duration, 15000 + 30000);
  EXPECT_EQ(st.MaxDuration, 40000);
  Playlist->SetPlaybackCursorAutoBookmark(8000);
  st = Playlist->GetStatistics();
  EXPECT_EQ(st.Played.Duration, 18000);
  EXPECT_EQ(st.Remaining.Duration, 42000);
}

TEST_F(PlaylistFixture, PlaybackQueueOrders) {
  AddMany(5);
  EXPECT_EQ(Items()->GetByPlaybackQueueIndex(-1), nullptr);
  EXPECT_TRUE(Items()->HasFullPlaybackQueue());
  const Integer gaps[] = {0, 4, -1, 7, 2};
  for (Integer i = 0; i < 5; ++i) Items()->Get(i)->SetPlaybackQueueIndex(gaps[i]);
  EXPECT_EQ(Items()->GetNextInPlaybackQueue(2), Items()->Get(1));
  EXPECT_EQ(Items()->GetNextInPlaybackQueue(4), Items()->Get(3));
  EXPECT_EQ(Items()->GetMaxPlaybackQueueIndex(), 7);
  EXPECT_TRUE(Items()->IsPlaybackQueueOutOfOrder());

  // The cursor on an entry that is only the next one: renumbering leaves room before it.
  Integer cursor = 3;
  EXPECT_TRUE(Items()->RenumberPlaybackQueue(cursor));
  EXPECT_EQ(QueueIndices(), (std::vector<Integer>{0, 2, 3, 4, 5}));
  EXPECT_EQ(cursor, 1);
  cursor = 2;
  EXPECT_TRUE(Items()->RenumberPlaybackQueue(cursor));
  EXPECT_EQ(QueueIndices(), (std::vector<Integer>{0, 1, 2, 3, 4}));
  EXPECT_EQ(cursor, 1);
  EXPECT_FALSE(Items()->RenumberPlaybackQueue(cursor));

  for (int round = 0; round < 20; ++round) {
    cursor = 3;
    TZEPHPlaylistItem* current = Items()->GetByPlaybackQueueIndex(3);
    EXPECT_TRUE(Items()->ShufflePlaybackQueue(cursor, true, true));
    EXPECT_EQ(cursor, 0);
    EXPECT_EQ(current->GetPlaybackQueueIndex(), 0);
    std::vector<Integer> q = QueueIndices();
    std::sort(q.begin(), q.end());
    EXPECT_EQ(q, (std::vector<Integer>{0, 1, 2, 3, 4}));
  }
  cursor = 0;
  EXPECT_FALSE(Items()->ShufflePlaybackQueue(cursor, false, false));

  // Moving to the cursor makes the entry play next.
  for (Integer i = 0; i < 5; ++i) Items()->Get(i)->SetPlaybackQueueIndex(i);
  Items()->MovePlaybackQueueIndex(1, Items()->Get(4));
  EXPECT_EQ(QueueIndices(), (std::vector<Integer>{0, 1, 3, 4, 2}));
  Items()->MovePlaybackQueueIndex(-1, Items()->Get(2));
  EXPECT_EQ(QueueIndices(), (std::vector<Integer>{1, 2, 0, 4, 3}));
}

TEST_F(PlaylistFixture, GroupsSwitchSelectAndRebuild) {
  AddMany(4);
  TZEPHPlaylistGroups* groups = Playlist->GetGroups();
  TZEPHPlaylistGroup* b = groups->FindOrAdd(u"B");
  TZEPHPlaylistGroup* a = groups->FindOrAdd(u"A");
  EXPECT_EQ(groups->FindOrAdd(u"a"), a);
  groups->Add(u"empty");
  Items()->Get(0)->SetGroup(a);
  Items()->Get(1)->SetGroup(a);
  Items()->Get(2)->SetGroup(b);
  Items()->Get(3)->SetGroup(b);
  groups->Rebuild();
  ASSERT_EQ(groups->GetCount(), 2);
  EXPECT_EQ(groups->Get(0), a);
  EXPECT_TRUE(Items()->Get(1)->IsLastInGroup());
  EXPECT_EQ(Items()->Get(3)->GetIndexInGroup(), 1);

  EXPECT_EQ(a->GetSwitchState(), 1);
  a->ToggleSwitch();
  EXPECT_EQ(a->GetSwitchState(), 0);
  Items()->Get(0)->SetSwitch(true);
  EXPECT_EQ(a->GetSwitchState(), 2);
  a->ToggleSwitch();
  EXPECT_EQ(a->GetSwitchState(), 1);

  // Collapsing keeps a full selection and drops a partial one.
  a->SetSelected(true);
  a->SetExpanded(false);
  EXPECT_TRUE(a->AllSelected());
  EXPECT_FALSE(Items()->Get(0)->IsVisible());
  Items()->Get(2)->SetSelected(true);
  b->SetExpanded(false);
  EXPECT_FALSE(Items()->Get(2)->IsSelected());
  // Selecting an entry opens its group.
  Items()->Get(3)->SetSelected(true);
  EXPECT_TRUE(b->GetExpanded());

  Items()->Get(0)->GetStreamInfo().Duration = 60000;
  Items()->Get(1)->GetStreamInfo().Duration = 30000;
  a->InvalidateDuration();
  EXPECT_EQ(a->GetDuration(), 90000);
  EXPECT_EQ(a->ToString(), a->GetDisplayText() + u" (2 / 00:01:30)");

  // Deleting an entry takes it out of its group.
  Items()->Delete(0);
  EXPECT_EQ(a->GetItems()->GetCount(), 1);
}

TEST(PlaylistCommonPath, SharedFolderOfEntries) {
  struct Case {
    std::vector<String> Names;
    bool SkipURLs;
    bool Ok;
    String Path;
  };
  const Case cases[] = {
      {{u"/m/a/1.mp3", u"/m/b/2.mp3"}, false, true, u"/m/"},
      // Names already under the common folder (in any case) keep it; a later one above shortens it.
      {{u"/m/a/1.mp3", u"/M/A/b/2.mp3", u"/m/a/3.mp3", u"/m/c.mp3"}, false, true, u"/m/"},
      {{u"/m/a/1.mp3", u"/m/a/b/2.mp3", u"/m/a/3.mp3"}, false, true, u"/m/a/"},
      {{u"C:\\A\\1.mp3", u"D:\\2.mp3"}, false, false, u""},
      {{u"http://x.org/s", u"/m/a/1.mp3"}, true, true, u"/m/a/"},
      {{u"http://x.org/s"}, true, true, u""},
      {{}, false, false, u""},
  };
  for (const Case& c : cases) {
    TZEPHPlaylistCustomItemList list(true);
    for (const String& name : c.Names) {
      auto* item = Create<TZEPHPlaylistCustomItem>();
      item->SetFileName(name);
      list.Add(item);
    }
    String path = u"junk";
    EXPECT_EQ(list.GetCommonPath(path, c.SkipURLs), c.Ok);
    EXPECT_EQ(path, c.Path);
  }
}

TEST_F(PlaylistFixture, GroupsFormConsecutivelyOrByName) {
  TZEPHPlaylistSettings* settings = Playlist->GetSettings();
  settings->SetFlag(zpsfInheritGrouping, false);
  settings->SetGroupFormatLine(u"%Album");
  settings->SetFlag(zpsfGrouping, true);
  Playlist->BeginUpdate();
  for (const char16_t* album : {u"A", u"B", u"A"}) Playlist->AddEntry(String(u"/m/") + album + u".mp3")->SetAlbum(album);
  Playlist->EndUpdate();
  ASSERT_EQ(Playlist->GetGroups()->GetCount(), 3);
  Playlist->GetGroups()->Get(0)->SetExpanded(false);
  const auto albums = [&] {
    String r;
    for (Integer i = 0; i < Items()->GetCount(); ++i) r += Items()->Get(i)->GetAlbum();
    return r;
  };
  TZEPHPlaylistItem* last = Items()->Get(2);
  settings->SetFlag(zpsfGroupByName, true);
  ASSERT_EQ(Playlist->GetGroups()->GetCount(), 2);
  EXPECT_EQ(albums(), u"AAB");
  EXPECT_EQ(Items()->Get(1), last);
  EXPECT_EQ(Playlist->GetGroups()->Get(0)->GetItems()->GetCount(), 2);
  // The order of play follows the new list order.
  EXPECT_EQ(last->GetPlaybackQueueIndex(), 1);
  settings->SetFlag(zpsfGrouping, false);
  EXPECT_EQ(Playlist->GetGroups()->GetCount(), 0);
  EXPECT_EQ(last->GetGroup(), nullptr);
}

TEST_F(PlaylistFixture, ShufflingKeepsTheCurrentEntryFirst) {
  AddMany(30);
  Playlist->SetPlaybackCursor(7);
  TZEPHPlaylistItem* current = Items()->GetByPlaybackQueueIndex(7);
  Playlist->SetShuffled(true);
  EXPECT_EQ(Playlist->GetPlaybackCursor(), 0);
  EXPECT_EQ(current->GetPlaybackQueueIndex(), 0);
  std::vector<Integer> q = QueueIndices();
  std::sort(q.begin(), q.end());
  for (Integer i = 0; i < 30; ++i) EXPECT_EQ(q[static_cast<size_t>(i)], i);
}
