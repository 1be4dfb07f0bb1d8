#include "zeph/playlists/ZEPH.Playlists.Formats.PL4.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zeph/playlists/ZEPH.Playlists.Settings.h"
#include "zeph/playlists/ZEPH.Playlists.Types.h"

namespace {

// Every receiver call as one text line.
class CallRecorder : public TZCLUnknownObject, public IZEPHPlaylistItemsReceiver {
  RTL_INTERFACES(TZCLUnknownObject, IZEPHPlaylistItemsReceiver)
 public:
  void AddGroup(const String& Name, bool Expanded) override {
    Calls.push_back("group " + StringToUTF8(Name) + (Expanded ? " open" : " closed"));
  }
  void AddItem(const String& FileName, TZEPHPlaylistCustomItem* Item, Integer Queue) override {
    Calls.push_back("item " + StringToUTF8(FileName) + " q" + std::to_string(Queue) + " t=" +
                    StringToUTF8(Item->GetTitle()) + " n=" + StringToUTF8(Item->GetValue(fitTrack)) +
                    " c=" + StringToUTF8(Item->GetValue(fitComment)) + " d=" +
                    std::to_string(Item->GetStreamInfo().Duration) + " s=" +
                    std::to_string(Item->HasItemFlag(zpifPlaybackSwitch)) + " f=" +
                    StringToUTF8(Item->GetFileFormat()) + " x=" + StringToUTF8(Item->GetCustomText()));
  }
  std::vector<std::string> Calls;
};

TZEPHPlaylistCustomItem* MakeItem(const String& Name, const String& Title, Cardinal Duration) {
  TZEPHPlaylistCustomItem* item = Create<TZEPHPlaylistCustomItem>();
  item->SetFileName(Name);
  item->SetTitle(Title);
  item->GetStreamInfo().Duration = Duration;
  item->SetFileFormat(u"MP3");
  return item;
}

String Utf16(const TBytes& Bytes) {
  String s;
  for (size_t i = 2; i + 1 < Bytes.size(); i += 2) s += static_cast<Char>(Bytes[i] | (Bytes[i + 1] << 8));
  return s;
}

std::unique_ptr<TZEPHPL4FormatReader> ReaderOf(const String& Text) {
  auto* stream = new TBytesStream();
  static const Byte mark[2] = {0xFF, 0xFE};
  stream->WriteBuffer(mark, 2);
  for (Char c : Text) {
    const Byte b[2] = {static_cast<Byte>(c & 0xFF), static_cast<Byte>(c >> 8)};
    stream->WriteBuffer(b, 2);
  }
  stream->SetPosition(0);
  auto reader = std::make_unique<TZEPHPL4FormatReader>(stream);
  delete stream;
  return reader;
}

std::vector<std::string> ReadCalls(const String& Text) {
  CallRecorder recorder;
  ReaderOf(Text)->Read(nullptr, &recorder);
  return recorder.Calls;
}

}  // namespace

TEST(PlaylistFileV4, GoldenFileWritesByteForByteAndReadsBack) {
  TBytesStream stream;
  {
    TZEPHPL4FormatWriter writer(&stream);
    TZEPHPlaylistSummary summary;
    summary.ID = u"{ID}";
    summary.Name = u"Mix";
    summary.ContentFiles = 3;
    summary.PlaybackCursor = 1;
    summary.PlaybackCursorAutoBookmark = 1500;
    summary.UserReordered = true;
    summary.Custom = {u"=k=v"};
    writer.WriteSummary(summary);
    TZCLIniFileSection settings;
    settings.WriteInteger(u"Flags", 2047);
    writer.WriteSettings(&settings);
    writer.WriteGroup(u"Rock", true);
    std::unique_ptr<TZEPHPlaylistCustomItem, void (*)(TZEPHPlaylistCustomItem*)> a(
        MakeItem(u"/m/a.mp3", u"A|B", 61000), [](TZEPHPlaylistCustomItem* p) { Free(p); });
    a->SetValue(fitTrack, u"3/12");
    a->SetValue(fitComment, u"one\r\ntwo");
    writer.WriteItem(a.get(), 1);
    writer.WriteGroup(u"Jazz", false);
    std::unique_ptr<TZEPHPlaylistCustomItem, void (*)(TZEPHPlaylistCustomItem*)> b(
        MakeItem(u"/m/b.mp3", u"Bee", 0), [](TZEPHPlaylistCustomItem* p) { Free(p); });
    b->SetItemFlag(zpifPlaybackSwitch, false);
    b->SetCustomText(u"note");
    writer.WriteItem(b.get(), 0);
    writer.WritePreimage({0x3C, 0xAB, 0x3E});
  }
  const TBytes bytes = stream.GetBytes();
  ASSERT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xFE);
  const String expected =
      u"#-----SUMMARY-----#\r\nID={ID}\r\nName=Mix\r\nNameIsAutoSet=0\r\nContentFiles=3\r\nPlaybackCursor=1\r\n"
      u"PlaybackCursorAutoBookmark=1.5\r\nShuffled=0\r\nUserReordered=1\r\nCustom=k=v\r\n\r\n"
      u"#-----SETTINGS-----#\r\nFlags=2047\r\n\r\n"
      u"#-----CONTENT-----#\r\n"
      u"-Rock\r\n"
      u"/m/a.mp3|A_B||||||3||||0|0|0|61000|0|0|1|1||||0||MP3|one\\ntwo|\r\n"
      u"+Jazz\r\n"
      u"/m/b.mp3|Bee||||||||||0|0|0|0|0|0|0|0|note|||0||MP3||\r\n"
      u"#-----PREIMAGE-----#\r\n3cab3e\r\n";
  EXPECT_EQ(StringToUTF8(Utf16(bytes)), StringToUTF8(expected));

  stream.SetPosition(0);
  TZEPHPL4FormatReader reader(&stream);
  CallRecorder recorder;
  TZEPHPlaylistSummary summary;
  reader.Read(&summary, &recorder);
  const std::vector<std::string> calls = {
      "group Rock open", "item /m/a.mp3 q1 t=A_B n=3 c=one\r\ntwo d=61000 s=1 f=MP3 x=", "group Jazz closed",
      "item /m/b.mp3 q0 t=Bee n= c= d=0 s=0 f=MP3 x=note"};
  EXPECT_EQ(recorder.Calls, calls);
  EXPECT_EQ(summary.Name, u"Mix");
  EXPECT_EQ(summary.PlaybackCursorAutoBookmark, 1500);
  EXPECT_EQ(summary.Custom, std::vector<String>{u"=k=v"});
  std::unique_ptr<TZCLIniFileSection> settings(reader.ReadSettings());
  ASSERT_NE(settings, nullptr);
  EXPECT_EQ(settings->ReadInteger(u"Flags", 0), 2047);
  std::vector<Byte> preimage;
  EXPECT_TRUE(reader.ReadPreimage(preimage));
  EXPECT_EQ(preimage, (std::vector<Byte>{0x3C, 0xAB, 0x3E}));
}

TEST(PlaylistFileV4, ReaderEdgeCases) {
  struct Case {
    const char* What;
    String Text;
    std::vector<std::string> Calls;
  };
  const Case cases[] = {
      {"no content section", u"#-----SUMMARY-----#\r\nName=x\r\n\r\n", {}},
      {"short line takes defaults", u"#-----CONTENT-----#\r\n/a.mp3|T\r\n",
       {"item /a.mp3 q-1 t=T n= c= d=0 s=1 f=MP3 x="}},
      {"empty line ends the content", u"#-----CONTENT-----#\r\n/a|\r\n\r\n/b|\r\n",
       {"item /a q-1 t= n= c= d=0 s=1 f= x="}},
      {"bad numbers take defaults", u"#-----CONTENT-----#\n+x|||||||||||||1.5|||z|\n",
       {"item +x q-1 t= n= c= d=0 s=1 f= x="}},
      {"group names and a lone LF", u"#-----CONTENT-----#\n-+odd\n+-x\n",
       {"group +odd open", "group -x closed"}},
      {"a header inside a title does not cut", u"#-----CONTENT-----#\r\n/a|#-----PREIMAGE-----#|\r\n/b|\r\n",
       {"item /a q-1 t=#-----PREIMAGE-----# n= c= d=0 s=1 f= x=", "item /b q-1 t= n= c= d=0 s=1 f= x="}},
      {"first of two equal sections", u"#-----CONTENT-----#\r\n/a|\r\n#-----CONTENT-----#\r\n/b|\r\n",
       {"item /a q-1 t= n= c= d=0 s=1 f= x="}},
      {"comment with a literal backslash-n", u"#-----CONTENT-----#\r\n/a|||||||||||||||||||||||||a\\nb|\r\n",
       {"item /a q-1 t= n= c=a\r\nb d=0 s=1 f= x="}},
  };
  for (const Case& c : cases) EXPECT_EQ(ReadCalls(c.Text), c.Calls) << c.What;

  std::vector<Byte> preimage;
  EXPECT_FALSE(ReaderOf(u"#-----PREIMAGE-----#\r\nabc\r\n")->ReadPreimage(preimage));
  EXPECT_FALSE(ReaderOf(u"#-----PREIMAGE-----#\r\nzz\r\n")->ReadPreimage(preimage));
  EXPECT_TRUE(ReaderOf(u"#-----PREIMAGE-----#\r\nAbCd\r\n")->ReadPreimage(preimage));
  EXPECT_EQ(ReaderOf(u"")->ReadSettings(), nullptr);

  // Missing summary keys read as their defaults.
  TZEPHPlaylistSummary summary;
  summary.Name = u"stale";
  ReaderOf(u"#-----SUMMARY-----#\r\nSortingTemplate=%Title\r\n")->Read(&summary, nullptr);
  EXPECT_EQ(summary.Name, u"");
  EXPECT_EQ(summary.PlaybackCursor, -1);
  EXPECT_FALSE(summary.UserReordered);
}

TEST(PlaylistFormats, RegistryPicksByNameAndContent) {
  EXPECT_TRUE(TZEPHPlaylistFormats::IsPlaylist(u"/lists/A.ZEPHPL4"));
  EXPECT_FALSE(TZEPHPlaylistFormats::IsPlaylist(u"http://host/a.zephpl4"));
  EXPECT_FALSE(TZEPHPlaylistFormats::IsPlaylist(u"/lists/a.txt"));
  EXPECT_TRUE(TZEPHPlaylistFormats::HasWriter(u"x.zephpl4"));
  EXPECT_FALSE(TZEPHPlaylistFormats::HasWriter(u"x.zephpl"));

  const auto byContent = [](const std::string& Head) {
    TBytesStream stream(TBytes(Head.begin(), Head.end()));
    std::unique_ptr<TZEPHPlaylistFormatCustomTextReader> reader;
    const bool found = TZEPHPlaylistFormats::CreateReaderByContent(&stream, reader);
    return found;
  };
  EXPECT_TRUE(byContent("#-----CONTENT-----#\r\n/a|\r\n"));
  EXPECT_FALSE(byContent(std::string(256, ' ') + "#-----CONTENT-----#\r\n"));
  EXPECT_FALSE(byContent("plain text"));
}

TEST(PlaylistFormats, StoredNamesRelativeToTheFileFolder) {
  TBytesStream stream;
  TZEPHPL4FormatWriter writer(&stream);
  writer.SetBasePath(u"/music/lists/");
  EXPECT_EQ(writer.ConvertFileName(u"/music/lists/a.mp3"), u"a.mp3");
  EXPECT_EQ(writer.ConvertFileName(u"/music/rock/b.mp3"), u"../rock/b.mp3");
  EXPECT_EQ(writer.ConvertFileName(u"http://x/y"), u"http://x/y");

  auto* text = new TBytesStream();
  auto reader = std::make_unique<TZEPHPL4FormatReader>(text, u"/music/lists/l.zephpl4");
  delete text;
  EXPECT_EQ(reader->ConvertFileName(u"a.mp3"), u"/music/lists/a.mp3");
  EXPECT_EQ(reader->ConvertFileName(u"../rock/b.mp3"), u"/music/rock/b.mp3");
  EXPECT_EQ(reader->ConvertFileName(u"/abs.mp3"), u"/abs.mp3");
}
