#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.Helpers.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.h"

namespace {

struct GroupedPlaylist : ::testing::Test {
  // Albums A, B, A grouped consecutively: three groups.
  void SetUp() override {
    PlaylistCommonSettings()->SetOption(zpoAllowUndo, false);
    TZEPHPlaylistSettings* settings = Playlist->GetSettings();
    settings->SetFlag(zpsfInheritGrouping, false);
    settings->SetGroupFormatLine(u"%Album");
    settings->SetFlag(zpsfGrouping, true);
    Playlist->BeginUpdate();
    for (const char16_t* album : {u"A", u"B", u"B", u"A"})
      Playlist->AddEntry(String(u"/m/") + album + IntToStr(Items()->GetCount()) + u".mp3")->SetAlbum(album);
    Playlist->EndUpdate();
  }
  void TearDown() override { PlaylistCommonSettings()->SetOption(zpoAllowUndo, true); }
  TZEPHPlaylistItems* Items() const { return Playlist->GetItems(); }
  TZEPHPlaylistGroups* Groups() const { return Playlist->GetGroups(); }
  String Albums() const {
    String r;
    for (Integer i = 0; i < Items()->GetCount(); ++i) r += Items()->Get(i)->GetAlbum();
    return r;
  }
  std::unique_ptr<TZEPHPlaylistStorage> Playlist = std::make_unique<TZEPHPlaylistStorage>();
};

}  // namespace

TEST_F(GroupedPlaylist, FocusSelectsOnlyTheEntryAndSurvivesACollapse) {
  ASSERT_EQ(Groups()->GetCount(), 3);
  Items()->Get(0)->SetSelected(true);
  TZEPHPlaylistItem* target = Items()->Get(2);
  target->Focus(true);
  EXPECT_EQ(Playlist->GetFocusedObject(), target);
  EXPECT_EQ(Playlist->GetFocusedGroup(), target->GetGroup());
  EXPECT_FALSE(Items()->Get(0)->IsSelected());
  EXPECT_TRUE(target->IsSelected());

  // Collapsing hands the focus to the group; a regroup keeps it there.
  target->GetGroup()->SetExpanded(false);
  EXPECT_EQ(Playlist->GetFocusedObject(), target->GetGroup());
  Playlist->InvalidateGroups();
  EXPECT_EQ(Playlist->GetFocusedObject(), target->GetGroup());
  EXPECT_FALSE(target->GetGroup()->GetExpanded());

  // Objects of other playlists are refused; freeing the focused entry clears the focus.
  TZEPHPlaylistStorage other;
  TZEPHPlaylistItem* foreign = other.AddEntry(u"/x.mp3");
  Playlist->SetFocusedObject(foreign);
  EXPECT_EQ(Playlist->GetFocusedObject(), target->GetGroup());
  Playlist->SetFocusedObject(Items()->Get(0));
  Items()->Delete(0);
  EXPECT_EQ(Playlist->GetFocusedObject(), nullptr);
}

TEST_F(GroupedPlaylist, AutoCollapseFollowsTheFocusOrThePlayingEntry) {
  Playlist->GetSettings()->SetFlag(zpsfAutoCollapseGroups, true);
  // No focus and nothing playing: every group collapses.
  Playlist->AutoCollapse();
  for (Integer g = 0; g < Groups()->GetCount(); ++g) EXPECT_FALSE(Groups()->Get(g)->GetExpanded()) << g;

  Playlist->SetPlaybackCursorEntry(Items()->Get(3));
  EXPECT_TRUE(Groups()->Get(2)->GetExpanded());
  EXPECT_FALSE(Groups()->Get(0)->GetExpanded());

  Items()->Get(1)->Focus(false);
  EXPECT_TRUE(Groups()->Get(1)->GetExpanded());
  EXPECT_FALSE(Groups()->Get(2)->GetExpanded());
}

TEST_F(GroupedPlaylist, MergeGroupsGathersNamesakes) {
  ASSERT_EQ(Albums(), u"ABBA");
  Playlist->MergeGroups(Groups()->Get(0));
  EXPECT_EQ(Groups()->GetCount(), 2);
  EXPECT_EQ(Albums(), u"AABB");
  EXPECT_EQ(Groups()->Get(0)->GetItems()->GetCount(), 2);
  // A read-only playlist stays as it is.
  Playlist->SetReadOnly(true);
  Playlist->MergeGroups(nullptr);
  EXPECT_EQ(Albums(), u"AABB");
}

TEST_F(GroupedPlaylist, CursorBookmarkAndMoves) {
  for (Integer i = 0; i < Items()->GetCount(); ++i) Items()->Get(i)->GetStreamInfo().Duration = 10000;
  TZEPHPlaylistItem* second = Items()->Get(1);
  Playlist->SetPlaybackCursorEntry(second);
  EXPECT_EQ(Playlist->GetPlaybackCursorIndex(), 1);
  Playlist->SetBookmark(second, 25000);
  EXPECT_EQ(Playlist->GetPlaybackCursorAutoBookmark(), 10000);
  Playlist->SetBookmark(Items()->Get(0), 500);  // not playing
  EXPECT_EQ(Playlist->GetPlaybackCursorAutoBookmark(), 10000);
  Playlist->SetPlaybackCursorIndex(2);
  EXPECT_EQ(Playlist->GetPlaybackCursorAutoBookmark(), 0);
  Playlist->SetPlaybackCursor(-7);
  EXPECT_EQ(Playlist->GetPlaybackCursor(), -1);

  Playlist->GetSettings()->SetFlag(zpsfGrouping, false);
  second->MoveTo(3);
  EXPECT_EQ(Items()->Get(3), second);
  EXPECT_EQ(second->GetPlaybackQueueIndex(), 3);
  Integer position = 0, count = 0;
  EXPECT_TRUE(Playlist->GetPlayPosition(second, position, count));
  EXPECT_EQ(position, 4);
  EXPECT_EQ(count, 4);
}

TEST_F(GroupedPlaylist, StartingAChosenEntryInAShuffledPlaylistPlaysItNext) {
  Playlist->SetShuffled(true);
  TZEPHPlaylistItem* current = Items()->GetByPlaybackQueueIndex(0);
  Playlist->SetPlaybackCursorEntry(current);
  TZEPHPlaylistItem* chosen = Items()->GetByPlaybackQueueIndex(3);
  IPtr<IZEPHPlaybackQueueItemInternal> item(Create<TZEPHPlaybackQueueItem>());
  item->SetEntry(chosen, nullptr);
  item->SetOffset(2.5f, S_OK);
  chosen->GetStreamInfo().Duration = 10000;
  Playlist->PlaybackStarted(item.get());
  EXPECT_EQ(chosen->GetPlaybackQueueIndex(), 1);
  EXPECT_EQ(current->GetPlaybackQueueIndex(), 0);
  EXPECT_TRUE(chosen->IsPlaying());
  EXPECT_EQ(Playlist->GetPlaybackCursorAutoBookmark(), 2500);
}

TEST(PlaylistInvertTemplate, TogglesReverseMarkers) {
  struct Case {
    String In;
    bool Ok;
    String Out;
  } cases[] = {
      {u"%!%Artist - %Title", true, u"%Artist - %!%Title"},
      {u"%Album", true, u"%!%Album"},
      {u"plain text", false, u"plain text"},
  };
  for (const Case& c : cases) {
    String t = c.In;
    EXPECT_EQ(TZEPHPlaylistItemFormatStringFactory::InvertTemplate(t), c.Ok) << StringToUTF8(c.In);
    EXPECT_EQ(t, c.Out) << StringToUTF8(c.In);
  }
}
