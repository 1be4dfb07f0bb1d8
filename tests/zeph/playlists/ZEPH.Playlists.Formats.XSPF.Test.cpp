#include "zeph/playlists/ZEPH.Playlists.Formats.XSPF.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>

#include "PlaylistFixtures.h"
#include "rtl/RTL.Streams.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.FileFormats.XML.h"

using namespace playlisttest;

namespace {
std::string Bytes(TBytesStream& S) {
  return std::string(reinterpret_cast<const char*>(S.GetBytes().data()), static_cast<size_t>(S.GetSize()));
}

TZEPHPlaylistCustomItem* Entry(const char16_t* File, const char16_t* Title) {
  TZEPHPlaylistCustomItem* item = Create<TZEPHPlaylistCustomItem>();
  item->SetFileName(File);
  item->SetValue(fitTitle, Title);
  return item;
}

const char kPreimage[] = "<preimage class=\"TZEPHPlaylistFoldersPreimage\" autoSyncOnStartup=\"1\"><Path recursive=\"1\">/m</Path></preimage>";

// A playlist with two groups (the second collapsed), a queue index, a picture link with a query,
// another link, a negative bit depth and a preimage, written as the storage writes it.
std::string WriteSample() {
  TBytesStream out;
  TZEPHXSPFWriter writer(&out);
  writer.SetBasePath(u"/m/");
  writer.SetFileName(u"/lists/mix.xspf");
  TZEPHPlaylistSummary summary;
  summary.Name = u"Mix & Match";
  summary.ID = u"{1}";
  writer.WriteSummary(summary);
  TZCLIniFileSection settings;
  settings.Add(u"GroupFormat=%album%");
  settings.Add(u"NoEquals");
  writer.WriteSettings(&settings);

  writer.WriteGroup(u"First", true);
  TZEPHPlaylistCustomItem* a = Entry(u"/m/a.mp3", u"Song A");
  a->SetValue(fitArtist, u"Art");
  a->SetValue(fitLink, u"http://img/c.jpg?size=2");
  a->SetTrackNumber(u"3");
  a->SetValue(fitDate, u"2001");
  TZBLStreamInfo si;
  si.Duration = 1500;
  si.BitDepth = -32;
  si.Channels = 0x1002;
  si.SampleRate = 44100;
  a->SetStreamInfo(si);
  a->SetFileSize(1234);
  a->SetCustomText(u"note");
  a->SetFileFormat(u"MP3");
  writer.WriteItem(a, 2);
  TZEPHPlaylistCustomItem* b = Entry(u"/m/100%AB b.mp3", u"B");
  b->SetItemFlag(zpifPlaybackSwitch, false);
  b->SetValue(fitLink, u"http://info/page");
  writer.WriteItem(b, -1);
  writer.WriteGroup(u"Second", false);
  TZEPHPlaylistCustomItem* c = Entry(u"/other/c.flac", u"");
  writer.WriteItem(c, 0);
  for (auto* item : {a, b, c}) Free(item);
  writer.WritePreimage(std::vector<Byte>(kPreimage, kPreimage + sizeof(kPreimage) - 1));
  writer.EndWrite();
  return Bytes(out);
}
}  // namespace

TEST(XspfFormat, WritesTheExpectedDocument) {
  const std::string expected =
      "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
      "<playlist xmlns=\"http://xspf.org/ns/0/\" xmlns:zeph=\"http://zeph.invalid/playlist/ns/0/\" version=\"1\" "
      "xml:base=\"file:///m/\">\r\n"
      "\t<title>Mix &amp; Match</title>\r\n"
      "\t<identifier>{1}</identifier>\r\n"
      "\t<location>file:///lists/mix.xspf</location>\r\n"
      "\t<extension application=\"http://zeph.invalid/playlist/summary/0\">\r\n"
      "@SUMMARY@"
      "\t</extension>\r\n"
      "\t<extension application=\"http://zeph.invalid/playlist/settings/0\">\r\n"
      "\t\t<zeph:prop name=\"GroupFormat\">%album%</zeph:prop>\r\n"
      "\t\t<zeph:prop name=\"\">NoEquals</zeph:prop>\r\n"
      "\t</extension>\r\n"
      "\t<trackList>\r\n"
      "\t\t<track>\r\n"
      "\t\t\t<location>a.mp3</location>\r\n"
      "\t\t\t<title>Song A</title>\r\n"
      "\t\t\t<creator>Art</creator>\r\n"
      "\t\t\t<trackNum>3</trackNum>\r\n"
      "\t\t\t<duration>1500</duration>\r\n"
      "\t\t\t<image>http://img/c.jpg?size=2</image>\r\n"
      "\t\t\t<meta rel=\"date\">2001</meta>\r\n"
      "\t\t\t<meta rel=\"year\">2001</meta>\r\n"
      "\t\t\t<extension application=\"http://zeph.invalid/playlist/track/0\">\r\n"
      "\t\t\t\t<zeph:chans>2</zeph:chans>\r\n"
      "\t\t\t\t<zeph:samplerate>44100</zeph:samplerate>\r\n"
      "\t\t\t\t<zeph:format>MP3</zeph:format>\r\n"
      "\t\t\t\t<zeph:size>1234</zeph:size>\r\n"
      "\t\t\t\t<zeph:queueIndex>2</zeph:queueIndex>\r\n"
      "\t\t\t\t<zeph:custom>note</zeph:custom>\r\n"
      "\t\t\t</extension>\r\n"
      "\t\t\t<extension application=\"http://zeph.invalid/playlist/group/0\">\r\n"
      "\t\t\t\t<zeph:title>First</zeph:title>\r\n"
      "\t\t\t\t<zeph:state>1</zeph:state>\r\n"
      "\t\t\t</extension>\r\n"
      "\t\t</track>\r\n"
      "\t\t<track>\r\n"
      "\t\t\t<location>100%25AB%20b.mp3</location>\r\n"
      "\t\t\t<title>B</title>\r\n"
      "\t\t\t<info>http://info/page</info>\r\n"
      "\t\t\t<meta rel=\"url\">http://info/page</meta>\r\n"
      "\t\t\t<extension application=\"http://zeph.invalid/playlist/track/0\">\r\n"
      "\t\t\t\t<zeph:state>10</zeph:state>\r\n"
      "\t\t\t\t<zeph:format>MP3</zeph:format>\r\n"
      "\t\t\t</extension>\r\n"
      "\t\t</track>\r\n"
      "\t\t<track>\r\n"
      "\t\t\t<location>../other/c.flac</location>\r\n"
      "\t\t\t<extension application=\"http://zeph.invalid/playlist/track/0\">\r\n"
      "\t\t\t\t<zeph:format>FLAC</zeph:format>\r\n"
      "\t\t\t\t<zeph:queueIndex>0</zeph:queueIndex>\r\n"
      "\t\t\t</extension>\r\n"
      "\t\t\t<extension application=\"http://zeph.invalid/playlist/group/0\">\r\n"
      "\t\t\t\t<zeph:title>Second</zeph:title>\r\n"
      "\t\t\t\t<zeph:state>2</zeph:state>\r\n"
      "\t\t\t</extension>\r\n"
      "\t\t</track>\r\n"
      "\t</trackList>\r\n"
      "\t<extension application=\"http://zeph.invalid/playlist/preimage/0\">\r\n"
      "\t\t<preimage class=\"TZEPHPlaylistFoldersPreimage\" autoSyncOnStartup=\"1\">\r\n"
      "\t\t\t<Path recursive=\"1\">/m</Path>\r\n"
      "\t\t</preimage>\r\n"
      "\t</extension>\r\n"
      "</playlist>";
  TZCLIniFileSection summary;
  TZEPHPlaylistSummary s;
  s.Name = u"Mix & Match";
  s.ID = u"{1}";
  s.Write(&summary);
  std::string props;
  for (Integer i = 0; i < summary.GetCount(); ++i) {
    const std::string line = StringToUTF8(summary.GetStrings(i));
    const size_t eq = line.find('=');
    std::string value = line.substr(eq + 1);
    for (size_t at = value.find('&'); at != std::string::npos; at = value.find('&', at + 1)) value.replace(at, 1, "&amp;");
    props += "\t\t<zeph:prop name=\"" + line.substr(0, eq) + "\">" + value + "</zeph:prop>\r\n";
  }
  std::string text = expected;
  text.replace(text.find("@SUMMARY@"), 9, props);
  EXPECT_EQ(WriteSample(), text);
}

TEST(XspfFormat, ReadsBackEntriesGroupsQueueSummarySettingsAndPreimage) {
  const std::string text = WriteSample();
  TCustomMemoryStream in(text.data(), static_cast<NativeInt>(text.size()));
  TZEPHXSPFReader reader(&in);
  IPtr<TRecorder> r(Create<TRecorder>());
  TZEPHPlaylistSummary summary;
  reader.Read(&summary, r.get());
  EXPECT_EQ(summary.Name, u"Mix & Match");
  EXPECT_EQ(summary.ID, u"{1}");
  ASSERT_EQ(r->Entries.size(), 3u);
  // Relative names resolve against xml:base, the first search path.
  EXPECT_EQ(r->Entries[0], (TEntry{"/m/a.mp3", "Song A", 1500, "", "http://img/c.jpg?size=2", "First", 2}));
  EXPECT_EQ(r->Entries[1], (TEntry{"/m/100%AB b.mp3", "B", 0, "", "http://info/page", "First", -1, false}));
  EXPECT_EQ(r->Entries[2], (TEntry{"/other/c.flac", "", 0, "", "", "Second", 0}));
  EXPECT_EQ(r->Groups, (std::vector<std::pair<std::string, bool>>{{"First", true}, {"Second", false}}));

  std::unique_ptr<TZCLIniFileSection> settings(reader.ReadSettings());
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->GetText(), u"GroupFormat=%album%\r\n=NoEquals\r\n");
  std::vector<Byte> preimage;
  ASSERT_TRUE(reader.ReadPreimage(preimage));
  TZCLXMLDocument read, original;
  TCustomMemoryStream readStream(preimage.data(), static_cast<NativeInt>(preimage.size()));
  read.LoadFromStream(&readStream);
  TCustomMemoryStream originalStream(kPreimage, sizeof(kPreimage) - 1);
  original.LoadFromStream(&originalStream);
  EXPECT_TRUE(read.Equals(&original));
  // Handed over once.
  EXPECT_FALSE(reader.ReadPreimage(preimage));
}

TEST(XspfFormat, ForeignFilesGiveSwitchedOnEntriesWithoutQueueOrGroups) {
  const std::string text =
      "<?xml version=\"1.0\"?><playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\" xml:base=\"file:///base/\">"
      "<title>Foreign</title><trackList>"
      "<track><location>file:///music/Caf%C3%A9%20%231.mp3</location><title>One</title></track>"
      "<track><location>rel/two.ogg</location><meta rel=\"unknown\">x</meta><link rel=\"x\">y</link></track>"
      "<track><title>No location</title></track>"
      "<track><location>http://host/a%20b</location></track>"
      "</trackList><extension application=\"http://other/app\"><x/></extension></playlist>";
  TCustomMemoryStream in(text.data(), static_cast<NativeInt>(text.size()));
  TZEPHXSPFReader reader(&in);
  IPtr<TRecorder> r(Create<TRecorder>());
  TZEPHPlaylistSummary summary;
  reader.Read(&summary, r.get());
  EXPECT_EQ(summary.Name, u"Foreign");
  EXPECT_EQ(r->Entries, (std::vector<TEntry>{{"/music/Caf\xC3\xA9 #1.mp3", "One"},
                                             {"/base/rel/two.ogg"},
                                             {"", "No location"},
                                             {"http://host/a%20b"}}));
  EXPECT_TRUE(r->Groups.empty());
  EXPECT_EQ(std::unique_ptr<TZCLIniFileSection>(reader.ReadSettings()), nullptr);
}

TEST(XspfFormat, LocationsAreUrisThatReadBackUnchanged) {
  struct Case {
    const char16_t* Name;
    bool Relative;
    const char16_t* Uri;
  } cases[] = {
      {u"/a/b.mp3", false, u"file:///a/b.mp3"},
      {u"/a/100%AB.mp3", false, u"file:///a/100%25AB.mp3"},
      {u"/a/x #1?.mp3", false, u"file:///a/x%20%231%3F.mp3"},
      {u"/a/\u00e9\u4e2d.mp3", false, u"file:///a/%C3%A9%E4%B8%AD.mp3"},
      {u"sub/c d.mp3", true, u"sub/c%20d.mp3"},
      {u"http://h/x y", false, u"http://h/x y"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TZEPHXSPFSchema::FileNameToURI(c.Name, c.Relative), c.Uri);
    EXPECT_EQ(TZEPHXSPFSchema::FileNameFromURI(c.Uri), c.Name);
  }
  // Written before locations were encoded: read as they always were.
  EXPECT_EQ(TZEPHXSPFSchema::FileNameFromURI(u"file:///a/plain name.mp3"), u"/a/plain name.mp3");
  EXPECT_EQ(TZEPHXSPFSchema::FileNameFromURI(u"FILE:///a/%E9t%E9.mp3"), u"/a/\u00e9t\u00e9.mp3");
}

TEST(XspfFormat, AMovedPlaylistFindsItsFilesAgain) {
  char pattern[] = "/tmp/zeph-xspf-XXXXXX";
  ASSERT_NE(mkdtemp(pattern), nullptr);
  const std::string folder = pattern;
  WriteFile(folder + "/now/a.mp3", "x");
  WriteFile(folder + "/now/b.mp3", "x");
  const std::string moved =
      "<playlist xmlns=\"http://xspf.org/ns/0/\"><location>file:///was/here/list.xspf</location><trackList>"
      "<track><location>file:///was/here/a.mp3</location></track>"
      "<track><location>file:///was/here/b.mp3</location></track>"
      "<track><location>file:///elsewhere/c.mp3</location></track></trackList></playlist>";
  WriteFile(folder + "/now/list.xspf", moved);
  IPtr<TRecorder> r(Create<TRecorder>());
  ASSERT_TRUE(TZEPHPlaylistFormats::Read(UTF8ToString(folder + "/now/list.xspf"), r.get()));
  ASSERT_EQ(r->Entries.size(), 3u);
  EXPECT_EQ(r->Entries[0].File, folder + "/now/a.mp3");
  EXPECT_EQ(r->Entries[1].File, folder + "/now/b.mp3");
  EXPECT_EQ(r->Entries[2].File, "/elsewhere/c.mp3");

  // When the first checked entry is where it was stored, nothing is relocated.
  WriteFile(folder + "/was/a.mp3", "x");
  std::string stays = moved;
  for (size_t at; (at = stays.find("/was/here/")) != std::string::npos;) stays.replace(at, 10, folder + "/was/");
  WriteFile(folder + "/now/stays.xspf", stays);
  IPtr<TRecorder> s(Create<TRecorder>());
  ASSERT_TRUE(TZEPHPlaylistFormats::Read(UTF8ToString(folder + "/now/stays.xspf"), s.get()));
  ASSERT_EQ(s->Entries.size(), 3u);
  EXPECT_EQ(s->Entries[1].File, folder + "/was/b.mp3");
  std::filesystem::remove_all(folder);
}

TEST(XspfFormat, ErrorsOfStateAndOrder) {
  std::string text = "<playlist/>";
  TCustomMemoryStream in(text.data(), static_cast<NativeInt>(text.size()));
  TZEPHXSPFReader reader(&in);
  std::vector<Byte> preimage;
  try {
    reader.ReadPreimage(preimage);
    FAIL() << "read before loading";
  } catch (const EZEPHXSPFError& E) {
    EXPECT_EQ(E.GetMessage(), u"Content was not loaded");
  }
  EXPECT_THROW(std::unique_ptr<TZCLIniFileSection>(reader.ReadSettings()), EZEPHXSPFError);

  TBytesStream out;
  TZEPHXSPFWriter writer(&out);
  TZEPHPlaylistCustomItem* item = Entry(u"/a.mp3", u"A");
  writer.WriteItem(item, -1);
  writer.WriteSettings(std::unique_ptr<TZCLIniFileSection>(new TZCLIniFileSection()).get());
  try {
    writer.WriteItem(item, -1);
    ADD_FAILURE() << "a track after the track list";
  } catch (const EZEPHXSPFUnexpectedState& E) {
    EXPECT_EQ(E.GetMessage(), u"Unexpected state: 2 (Tracklist is already created)");
  }
  Free(item);

  // A summary-only reading stops at the track list; broken XML keeps what was read before.
  const std::string broken = "<playlist><title>T</title><trackList><track><location>/a</location></track><track>";
  TCustomMemoryStream b(broken.data(), static_cast<NativeInt>(broken.size()));
  TZEPHXSPFReader partial(&b);
  IPtr<TRecorder> r(Create<TRecorder>());
  TZEPHPlaylistSummary summary;
  partial.Read(&summary, r.get());
  EXPECT_EQ(summary.Name, u"T");
  EXPECT_EQ(r->Entries.size(), 1u);
}

namespace {
// One part of a container: only its name and start matter here.
class TTestPart : public TInterfacedObject, public IZEPHVirtualFile {
  RTL_INTERFACES(TInterfacedObject, IZEPHVirtualFile)
 public:
  TTestPart(const String& AName, Double AStart) : Name(AName), Start(AStart) {}
  String GetFileName() override { return Name; }
  bool GetRealFileName(String&) override { return false; }
  Double GetClipStart() override { return Start; }
  Double GetClipFinish() override { return -1; }
  bool GetFormatText(String&) override { return false; }
  HRESULT CreateStream(TStream*&) override { return E_NOTIMPL; }
  HRESULT FillFileInfo(TZBLCustomFileInfo*) override { return E_NOTIMPL; }
  bool Exists() override { return true; }
  HRESULT Synchronize() override { return S_OK; }
  String Name;
  Double Start;
};
}  // namespace

TEST(XspfFormat, AClipStartWithoutFileUriFindsThePartInItsContainer) {
  // A part's name only counts as one when its container exists.
  const std::string dir = (std::filesystem::temp_directory_path() / "zeph-xspf-parts").string();
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/album.cue") << "x";
  const String cue = UTF8ToString(dir + "/album.cue");
  TZEPHVirtualFileList parts;
  for (const auto& [name, start] : std::vector<std::pair<String, Double>>{
           {u"01", 0}, {u"02", 200.5}, {u"03", -1}, {u"04", 400}})
    parts.push_back(IPtr<IZEPHVirtualFile>(Create<TTestPart>(cue + u":" + name, start)));
  GetFileManager()->GetContainerCache()->Add(IPtr<IZEPHFileContainer>(Create<TZEPHFileContainer>(parts)));
  {
    IPtr<IZEPHFileContainer> c;
    ASSERT_TRUE(GetFileManager()->OpenContainer(cue, c, true));
  }
  auto track = [&](const char* Start) {
    return "<track><location>file://" + dir + "/album.cue</location>" +
           "<extension application=\"http://zeph.invalid/playlist/track/0\"><zeph:clipStart>" + Start +
           "</zeph:clipStart></extension></track>";
  };
  // Within a second of a part's start; none near; only parts before the first without a start.
  const std::string text = "<?xml version=\"1.0\"?><playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\" xmlns:zeph=\"http://zeph.invalid/playlist/ns/0/\"><trackList>" +
                           track("201.2") + track("0") + track("100") + track("400") + "</trackList></playlist>";
  TCustomMemoryStream in(text.data(), static_cast<NativeInt>(text.size()));
  TZEPHXSPFReader reader(&in);
  IPtr<TRecorder> r(Create<TRecorder>());
  TZEPHPlaylistSummary summary;
  reader.Read(&summary, r.get());
  GetFileManager()->GetContainerCache()->Remove(cue);
  std::filesystem::remove_all(dir);
  const std::string c = dir + "/album.cue";
  EXPECT_EQ(r->Entries, (std::vector<TEntry>{{c + ":02"}, {c + ":01"}, {c}, {c}}));
}
