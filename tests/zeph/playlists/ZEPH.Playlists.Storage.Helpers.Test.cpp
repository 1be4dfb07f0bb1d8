#include "zeph/playlists/ZEPH.Playlists.Storage.Helpers.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "zeph/playlists/ZEPH.Playlists.Storage.h"

namespace {
struct Entry {
  const char16_t* FileName;
  const char16_t* Album;
  const char16_t* Artist;
};
}  // namespace

TEST(PlaylistAutoName, AlbumThenArtistThenFolder) {
  struct Case {
    std::vector<Entry> Entries;
    String Name;
  };
  const Case cases[] = {
      {{}, u"New Playlist"},
      {{{u"/m/a/1.mp3", u"Blue", u"X"}, {u"/m/b/2.mp3", u"blue", u"Y"}}, u"Blue"},
      {{{u"/m/a/1.mp3", u"One", u"Band"}, {u"/m/b/2.mp3", u"Two", u"Band"}}, u"Band"},
      {{{u"/m/Live/1.mp3", u"One", u"X"}, {u"/m/Live/2.mp3", u"Two", u"Y"}}, u"Live"},
      {{{u"http://radio/s", u"", u"A"}, {u"/m/x.mp3", u"", u"B"}}, u"New Playlist"},
  };
  for (const Case& c : cases) {
    TZEPHPlaylistStorage playlist;
    for (const Entry& e : c.Entries) {
      TZEPHPlaylistItem* item = playlist.AddEntry(e.FileName);
      item->SetAlbum(e.Album);
      item->SetArtist(e.Artist);
    }
    EXPECT_EQ(TZEPHPlaylistStorageAutoNameHelper::GetName(&playlist), c.Name);
    playlist.SetName(u"<AutoName>");
    EXPECT_EQ(playlist.GetName(), c.Name);
  }
}

TEST(PlaylistEntryTemplates, EntryValuesAndRemovedMacros) {
  TZEPHPlaylistStorage playlist;
  TZEPHPlaylistItem* item = playlist.AddEntry(u"/m/a.mp3");
  item->SetArtist(u"Art");
  item->SetTitle(u"Song");
  item->SetCustomText(u"note");
  item->SetValue(fitLink, u"http://link");
  item->SetValue(fitComment, u"one\r\ntwo");
  const auto format = [&](const char16_t* Template) {
    return TZEPHPlaylistItemFormatStringFactory::Format(Template, item, zfcfDisplayForms);
  };
  EXPECT_EQ(format(u"%Custom"), u"note");
  EXPECT_EQ(format(u"%Link").find(u"http"), String::npos);  // the value of a removed macro never shows
  EXPECT_EQ(format(u"%Comment"), u"one two");
  EXPECT_EQ(format(u"%Index/%Total"), u"01/01");
  EXPECT_EQ(item->GetDisplayText(), u"Art - Song");
  // A template change clears the cached lines.
  playlist.GetSettings()->SetFlag(zpsfInheritLineFormats, false);
  playlist.GetSettings()->SetFormatMainLine(u"%Title!");
  EXPECT_EQ(item->GetDisplayText(), u"Song!");
  item->SetItemFlag(zpifFileNotFound, true);
  EXPECT_EQ(item->GetDisplayText2(), u"< not found >");
}
