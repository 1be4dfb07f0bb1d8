// Playlists read side by side with the peer playlist parser: the real-world fixtures, our own
// writers' output and the public playlists give the same files and titles where both define them.

#include <gtest/gtest.h>
#include <totem-pl-parser.h>

#include <algorithm>
#include <map>
#include <memory>

#include "../PlaylistFixtures.h"
#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.XSPF.h"

using namespace playlisttest;

namespace {
struct TPeerEntry {
  std::string File, Title;
};

void OnEntry(TotemPlParser*, const char* Uri, GHashTable* Metadata, gpointer Data) {
  auto* list = static_cast<std::vector<TPeerEntry>*>(Data);
  TPeerEntry e;
  if (gchar* path = g_filename_from_uri(Uri, nullptr, nullptr)) {
    e.File = path;
    g_free(path);
  } else {
    e.File = Uri;
  }
  if (const char* title = static_cast<const char*>(g_hash_table_lookup(Metadata, TOTEM_PL_PARSER_FIELD_TITLE)))
    e.Title = title;
  list->push_back(e);
}

// The peer's entries; false when it does not take the file for a playlist.
bool PeerRead(const std::string& Path, std::vector<TPeerEntry>& Entries) {
  TotemPlParser* parser = totem_pl_parser_new();
  g_object_set(parser, "recurse", FALSE, "disable-unsafe", TRUE, nullptr);
  g_signal_connect(parser, "entry-parsed", G_CALLBACK(OnEntry), &Entries);
  gchar* uri = g_filename_to_uri(Path.c_str(), nullptr, nullptr);
  const TotemPlParserResult result = totem_pl_parser_parse(parser, uri, FALSE);
  g_free(uri);
  g_object_unref(parser);
  return result == TOTEM_PL_PARSER_RESULT_SUCCESS;
}

std::vector<TEntry> OurRead(const std::string& Path) {
  IPtr<TRecorder> r(Create<TRecorder>());
  std::unique_ptr<TZEPHPlaylistFormatCustomTextReader> reader;
  if (!TZEPHPlaylistFormats::CreateReader(UTF8ToString(Path), reader)) return {};
  TZEPHPlaylistSummary summary;
  reader->Read(&summary, r.get());
  return r->Entries;
}

// Files the two read differently by design, with the reason.
const std::map<std::string, const char*>& KnownDifferences() {
  static const std::map<std::string, const char*> known = {
      {"bom.m3u", "the peer reads a UTF-8 byte-order mark as part of the first line, an entry of its own"},
      {"caps.asx", "the peer takes only the first REF of an ENTRY (the others as fallbacks); we take each"},
      {"pukas.wax", "the peer takes only the first REF of an ENTRY (the others as fallbacks); we take each"},
      {"list.wpl", "the peer also takes \"Media\" elements; we take \"media\" only"},
      {"xml-base.xspf", "the peer applies xml:base of every element; we apply the playlist's only"},
  };
  return known;
}

// Entries the peer drops (no file name) are left out of ours too; names must then agree one by
// one, titles where both have one.
void ExpectAgreement(const std::string& Path) {
  SCOPED_TRACE(Path);
  if (KnownDifferences().count(std::filesystem::path(Path).filename().string()) != 0) return;
  std::vector<TPeerEntry> peer;
  if (!PeerRead(Path, peer)) return;
  std::vector<TEntry> ours = OurRead(Path);
  // What is not a playlist the peer hands back as one media file.
  if (ours.empty() && peer.size() == 1 && peer[0].File == Path) return;
  std::erase_if(ours, [](const TEntry& E) { return E.File.empty(); });
  // Names written on other systems: we turn "\" into "/", the peer keeps it.
  for (TPeerEntry& e : peer)
    if (e.File.find("://") == std::string::npos) std::replace(e.File.begin(), e.File.end(), '\\', '/');
  std::string lists;
  for (const TEntry& e : ours) lists += "\n  ours: " + e.File + " | " + e.Title;
  for (const TPeerEntry& e : peer) lists += "\n  peer: " + e.File + " | " + e.Title;
  ASSERT_EQ(ours.size(), peer.size()) << lists;
  for (size_t i = 0; i < ours.size(); ++i) {
    EXPECT_EQ(ours[i].File, peer[i].File) << i;
    if (!ours[i].Title.empty() && !peer[i].Title.empty()) EXPECT_EQ(ours[i].Title, peer[i].Title) << i;
  }
}

struct PeerReading : ::testing::Test {
  void SetUp() override {
    char pattern[] = "/tmp/zeph-peer-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Folder = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(Folder); }
  std::string Folder;
};
}  // namespace

TEST_F(PeerReading, RealWorldFixturesAgree) {
  for (const TFixture& f : Fixtures()) {
    const std::string path = Folder + "/" + f.Name;
    WriteFile(path, f.Content);
    ExpectAgreement(path);
  }
}

TEST_F(PeerReading, OurOwnOutputReadsTheSame) {
  const std::vector<std::pair<String, String>> entries = {
      {u"/m/a.mp3", u"Song A"}, {u"/m/100%AB b.mp3", u"B \u00e9"}, {u"http://host/stream", u"Radio"}};
  for (const char* ext : {"m3u", "m3u8", "pls", "xspf"}) {
    const std::string path = Folder + "/own." + ext;
    TBytesStream out;
    {
      std::unique_ptr<TZEPHPlaylistFormatCustomTextWriter> writer(
          TZEPHPlaylistFormats::CreateWriter(UTF8ToString(path), &out));
      for (const auto& [file, title] : entries) {
        TZEPHPlaylistCustomItem* item = Create<TZEPHPlaylistCustomItem>();
        item->SetFileName(file);
        item->SetValue(fitTitle, title);
        writer->WriteItem(item, -1);
        Free(item);
      }
      writer->EndWrite();
    }
    out.SaveToFile(UTF8ToString(path));
    std::vector<TPeerEntry> peer;
    ASSERT_TRUE(PeerRead(path, peer)) << ext;
    ASSERT_EQ(peer.size(), entries.size()) << ext;
    for (size_t i = 0; i < entries.size(); ++i) {
      EXPECT_EQ(peer[i].File, StringToUTF8(entries[i].first)) << ext;
      // The ANSI-coded M3U and PLS hold what the code page can.
      if (std::string(ext) != "m3u" && std::string(ext) != "pls")
        EXPECT_EQ(peer[i].Title, StringToUTF8(entries[i].second)) << ext;
    }
    ExpectAgreement(path);
  }
}

TEST(PeerPublicPlaylists, AgreeForOurFormats) {
  if (!TestDataExists("playlists")) GTEST_SKIP() << "no public playlists in " << TestDataDir();
  for (const char* sub : {"playlists/totem-pl-parser", "playlists/m3u8"})
    for (const auto& file : std::filesystem::directory_iterator(TestDataDir() + "/" + sub))
      if (TZEPHPlaylistFormats::IsPlaylistFile(UTF8ToString(file.path().string())))
        ExpectAgreement(file.path().string());
}
