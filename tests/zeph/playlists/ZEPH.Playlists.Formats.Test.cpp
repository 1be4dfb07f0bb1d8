#include "zeph/playlists/ZEPH.Playlists.Formats.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.PL4.h"
#include "zeph/playlists/ZEPH.Playlists.Types.h"
#include "zeph/media/ZBL.FileInfo.h"

namespace {

class Collector : public TInterfacedObject, public IZEPHFileManagerFilesReceiver {
  RTL_INTERFACES(TInterfacedObject, IZEPHFileManagerFilesReceiver)
 public:
  void ReceiveFile(const String& FileName, IZBLFileInfo* Info, bool&) override {
    Files.push_back(FileName);
    Titles.push_back(Info != nullptr ? Info->GetFileInfo()->GetTitle() : u"-");
  }
  std::vector<String> Files;
  std::vector<String> Titles;
};

struct TempFolder : ::testing::Test {
  void SetUp() override {
    char pattern[] = "/tmp/zeph-formats-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Folder = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(Folder); }
  String Path(const std::string& Name) const { return UTF8ToString(Folder + "/" + Name); }
  void Write(const std::string& Name, const std::string& Text = "x") const {
    std::filesystem::create_directories(std::filesystem::path(Folder + "/" + Name).parent_path());
    std::ofstream(Folder + "/" + Name, std::ios::binary) << Text;
  }
  std::string Folder;
};

}  // namespace

TEST(PlaylistRelativeNames, MadeRelativeToTheBaseFolder) {
  struct Case {
    const char16_t* Base;
    const char16_t* Name;
    const char16_t* Stored;
  } cases[] = {
      {u"/Music/Lists", u"/Music/Lists/a.mp3", u"a.mp3"},
      {u"/Music/Lists/", u"/Music/Rock/b.mp3", u"../Rock/b.mp3"},
      {u"/music/lists", u"/MUSIC/Lists/sub/c.mp3", u"sub/c.mp3"},
      {u"/A/B", u"/X/y.mp3", u"../../X/y.mp3"},
      // More than two levels below the shared root: kept from the root on.
      {u"/A/B/C/D", u"/X/y.mp3", u"/X/y.mp3"},
      {u"", u"/X/y.mp3", u"/X/y.mp3"},
      {u"/Music", u"http://host/s.mp3", u"http://host/s.mp3"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TZEPHPlaylistFormatCustomTextWriter::MakeRelative(c.Name, c.Base), c.Stored) << StringToUTF8(c.Name);
}

TEST_F(TempFolder, StoredNamesResolveAgainstTheFirstSearchPathThatHasThem) {
  Write("other/found.mp3");
  TBytesStream empty;
  TZEPHPL4FormatReader reader(&empty, Path("lists/l.zephpl4"));
  ASSERT_EQ(reader.GetSearchPaths(), std::vector<String>{Path("lists/")});
  reader.AddSearchPath(Path("other/"));
  // The folder where the first relative name exists becomes the base for all of them.
  EXPECT_EQ(reader.ConvertFileName(u"found.mp3"), Path("other/found.mp3"));
  EXPECT_EQ(reader.ConvertFileName(u"missing.mp3"), Path("other/missing.mp3"));
  EXPECT_EQ(reader.ConvertFileName(u"../lists/x.mp3"), Path("lists/x.mp3"));
  EXPECT_EQ(reader.ConvertFileName(u"http://h/a.mp3"), u"http://h/a.mp3");

  // Read from a stream there is no search path: relative names stay relative.
  TBytesStream stream;
  TZEPHPL4FormatReader bare(&stream);
  EXPECT_EQ(bare.ConvertFileName(u"a.mp3"), u"a.mp3");

  EXPECT_TRUE(TZEPHPlaylistFormats::IsPlaylistFiles({u"/a.zephpl4", u"/B.ZEPHPL4"}));
  EXPECT_FALSE(TZEPHPlaylistFormats::IsPlaylistFiles({u"/a.zephpl4", u"/b.mp3"}));
  EXPECT_FALSE(TZEPHPlaylistFormats::IsPlaylistFiles({}));
}

TEST_F(TempFolder, AddedPlaylistsExpandIntoTheirEntries) {
  Write("music/a.mp3");
  Write("music/b.mp3");
  std::filesystem::create_directories(Folder + "/lists");
  {
    TFileStream file(Path("lists/outer.zephpl4"), fmCreate);
    TZEPHPL4FormatWriter writer(&file);
    writer.SetBasePath(Path("lists/"));
    TZEPHPlaylistSummary summary;
    writer.WriteSummary(summary);
    auto* item = Create<TZEPHPlaylistCustomItem>();
    item->SetFileName(Path("music/a.mp3"));
    item->SetTitle(u"A");
    writer.WriteItem(item, 0);
    item->SetFileName(Path("music/b.mp3"));
    item->SetTitle(u"B");
    writer.WriteItem(item, 1);
    Free(item);
  }
  auto collector = IPtr<Collector>(Create<Collector>());
  auto* names = Create<TZCLStringList>();
  names->Add(Path("lists/outer.zephpl4"));
  // The test program registers no audio formats: every file the expansion reaches is taken.
  auto* attributes = Create<TZEPHFileManagerExpandAttributes>();
  attributes->Add(String(zfeaCheckExt), false);
  GetFileManager()->ExpandList(names, collector.get(), attributes);
  Free(attributes);
  Free(names);
  EXPECT_EQ(collector->Files, (std::vector<String>{Path("music/a.mp3"), Path("music/b.mp3")}));
  EXPECT_EQ(collector->Titles, (std::vector<String>{u"A", u"B"}));

  TZEPHPlaylistSummary summary;
  EXPECT_TRUE(TZEPHPlaylistFormats::ReadSummary(Path("lists/outer.zephpl4"), summary));
  EXPECT_FALSE(TZEPHPlaylistFormats::ReadSummary(Path("lists/outer.txt"), summary));
}
