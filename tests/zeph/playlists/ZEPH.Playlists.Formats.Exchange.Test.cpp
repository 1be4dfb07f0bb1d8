// M3U, M3U8, PLS, ASX, WPL and ".zephpl" files: real-world variations, exact writer output, round
// trips, and the public playlists loading without a fault.

#include <gtest/gtest.h>

#include <dirent.h>

#include <memory>

#include "PlaylistFixtures.h"
#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.M3U.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.PL3.h"

using namespace playlisttest;

namespace {
struct ExchangeFormats : ::testing::Test {
  void SetUp() override {
    char pattern[] = "/tmp/zeph-exchange-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Folder = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(Folder); }
  std::string Folder;
};

TZEPHPlaylistCustomItem* NewItem(const char16_t* File, const char16_t* Artist, const char16_t* Title,
                                 Cardinal Duration, const char16_t* Link = u"") {
  TZEPHPlaylistCustomItem* item = Create<TZEPHPlaylistCustomItem>();
  item->SetFileName(File);
  item->SetValue(fitArtist, Artist);
  item->SetValue(fitTitle, Title);
  item->SetValue(fitLink, Link);
  TZBLStreamInfo si;
  si.Duration = Duration;
  item->SetStreamInfo(si);
  return item;
}

// Writes three entries through the writer for Name and returns the bytes.
std::string WriteThree(const String& Name, const String& BasePath = String()) {
  TBytesStream out;
  {
    std::unique_ptr<TZEPHPlaylistFormatCustomTextWriter> writer(TZEPHPlaylistFormats::CreateWriter(Name, &out));
    writer->SetBasePath(BasePath);
    TZEPHPlaylistCustomItem* items[] = {
        NewItem(u"/m/a.mp3", u"Art", u"Caf\u00e9", 0, u"http://img/c.jpg?s=1"),
        NewItem(u"/m/sub/b.mp3", u"", u"Only", 999),
        NewItem(u"/m/c d.ogg", u"", u"", 61500, u"http://info/page"),
    };
    for (auto* item : items) {
      writer->WriteItem(item, -1);
      Free(item);
    }
    writer->EndWrite();
  }
  return std::string(reinterpret_cast<const char*>(out.GetBytes().data()), static_cast<size_t>(out.GetSize()));
}
}  // namespace

TEST_F(ExchangeFormats, RealWorldVariationsReadAsOtherPlayersMeantThem) {
  for (const TFixture& f : Fixtures()) {
    SCOPED_TRACE(f.Name);
    const std::string path = Folder + "/" + f.Name;
    WriteFile(path, f.Content);
    std::unique_ptr<TZEPHPlaylistFormatCustomTextReader> reader;
    ASSERT_TRUE(TZEPHPlaylistFormats::CreateReader(UTF8ToString(path), reader));
    IPtr<TRecorder> recorder(Create<TRecorder>());
    TZEPHPlaylistSummary summary;
    reader->Read(&summary, recorder.get());
    std::vector<TEntry> expected = f.Entries;
    for (TEntry& e : expected) e.File = Expand(e.File, Folder);
    // Only the formats with a queue index of their own pass one.
    if (std::string(f.Name).find(".zephpl") == std::string::npos)
      for (TEntry& e : recorder->Entries) e.QueueIndex = -1;
    EXPECT_EQ(recorder->Entries, expected);
    EXPECT_EQ(StringToUTF8(summary.Name), f.SummaryName);

    // A summary-only reading delivers no entries.
    std::unique_ptr<TZEPHPlaylistFormatCustomTextReader> again;
    ASSERT_TRUE(TZEPHPlaylistFormats::CreateReader(UTF8ToString(path), again));
    TZEPHPlaylistSummary only;
    again->Read(&only, nullptr);
  }
}

TEST_F(ExchangeFormats, EntriesWithoutExtendedLinesCarryNoInformation) {
  const std::string path = Folder + "/plain.m3u";
  WriteFile(path, "a.mp3\n#EXTINF:3,T\nb.mp3\n#EXTINF:noduration\nc.mp3\n");
  std::unique_ptr<TZEPHPlaylistFormatCustomTextReader> reader;
  ASSERT_TRUE(TZEPHPlaylistFormats::CreateReader(UTF8ToString(path), reader));
  IPtr<TRecorder> r(Create<TRecorder>());
  reader->Read(nullptr, r.get());
  ASSERT_EQ(r->Entries.size(), 3u);
  EXPECT_EQ(r->WithInfo, (std::vector<bool>{false, true, true}));
  // Without a comma the character after the colon is dropped and the duration stays 0.
  EXPECT_EQ(r->Entries[2].Title, "oduration");
  EXPECT_EQ(r->Entries[2].Duration, 0u);
}

TEST_F(ExchangeFormats, WritersProduceTheExactText) {
  EXPECT_EQ(WriteThree(u"x.m3u"),
            "#EXTM3U\r\n"
            "#EXTINF:-1,Art - Caf\xE9\r\n#EXTALBUMARTURL:http://img/c.jpg?s=1\r\n/m/a.mp3\r\n"
            "#EXTINF:0,Only\r\n/m/sub/b.mp3\r\n"
            "#EXTINF:61,c d\r\n/m/c d.ogg\r\n");
  // UTF-8 without a byte-order mark; names relative to the base folder.
  EXPECT_EQ(WriteThree(u"x.m3u8", u"/m/"),
            "#EXTM3U\r\n"
            "#EXTINF:-1,Art - Caf\xC3\xA9\r\n#EXTALBUMARTURL:http://img/c.jpg?s=1\r\na.mp3\r\n"
            "#EXTINF:0,Only\r\nsub/b.mp3\r\n"
            "#EXTINF:61,c d\r\nc d.ogg\r\n");
  EXPECT_EQ(WriteThree(u"x.pls"),
            "[playlist]\r\n"
            "File1=/m/a.mp3\r\nLength1=0\r\nTitle1=Art - Caf\xE9\r\n"
            "File2=/m/sub/b.mp3\r\nLength2=0\r\nTitle2=Only\r\n"
            "File3=/m/c d.ogg\r\nLength3=61\r\nTitle3=c d\r\n"
            "NumberOfEntries=3\r\nVersion=2\r\n");
}

TEST_F(ExchangeFormats, EveryWriterRoundTripsThroughItsReader) {
  for (const char* ext : {"m3u", "m3u8", "pls"}) {
    SCOPED_TRACE(ext);
    const std::string path = Folder + "/round." + ext;
    WriteFile(path, WriteThree(UTF8ToString(path), UTF8ToString(Folder + "/")));
    IPtr<TRecorder> r(Create<TRecorder>());
    ASSERT_TRUE(TZEPHPlaylistFormats::Read(UTF8ToString(path), r.get()));
    ASSERT_EQ(r->Entries.size(), 3u);
    EXPECT_EQ(r->Entries[0].File, "/m/a.mp3");
    EXPECT_EQ(r->Entries[0].Title, "Art - Caf\xC3\xA9");
    EXPECT_EQ(r->Entries[2].File, "/m/c d.ogg");
    EXPECT_EQ(r->Entries[2].Duration, 61000u);
  }
}

TEST_F(ExchangeFormats, AHugeEntryCountIsCappedAtTheSectionsLines) {
  const std::string path = Folder + "/huge.pls";
  WriteFile(path, "[playlist]\nNumberOfEntries=2000000000\nFile1=a.mp3\nFile2=b.mp3\n");
  IPtr<TRecorder> r(Create<TRecorder>());
  ASSERT_TRUE(TZEPHPlaylistFormats::Read(UTF8ToString(path), r.get()));
  ASSERT_EQ(r->Entries.size(), 3u);
  EXPECT_EQ(r->Entries[1].File, Folder + "/b.mp3");
  EXPECT_EQ(r->Entries[2].File, "");
}

TEST(PublicPlaylists, LoadWithoutAFault) {
  if (!TestDataExists("playlists")) GTEST_SKIP() << "no public playlists in " << TestDataDir();
  size_t read = 0;
  for (const char* sub : {"playlists/totem-pl-parser", "playlists/m3u8"}) {
    const std::string folder = TestDataDir() + "/" + sub;
    for (const auto& file : std::filesystem::directory_iterator(folder)) {
      const String name = UTF8ToString(file.path().string());
      std::unique_ptr<TZEPHPlaylistFormatCustomTextReader> reader;
      if (!TZEPHPlaylistFormats::CreateReader(name, reader)) continue;
      SCOPED_TRACE(file.path().string());
      IPtr<TRecorder> r(Create<TRecorder>());
      TZEPHPlaylistSummary summary;
      reader->Read(&summary, r.get());
      ++read;
    }
  }
  EXPECT_GT(read, 20u);
}
