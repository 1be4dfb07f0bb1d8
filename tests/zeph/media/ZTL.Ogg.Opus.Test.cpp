#include <gtest/gtest.h>

#include <fstream>

#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zeph/media/ZTL.Ogg.Opus.h"

namespace {

void LE32(std::string& s, Cardinal v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A page with a fresh checksum; the body is one packet part (Ends closes it).
std::string Page(Cardinal Serial, Cardinal Sequence, Byte Type, Int64 Granule, const std::string& Body,
                 bool Ends = true) {
  std::string h = "OggS";
  h += '\0';
  h += static_cast<char>(Type);
  for (int i = 0; i < 8; ++i) h += static_cast<char>(static_cast<UInt64>(Granule) >> (8 * i));
  LE32(h, Serial);
  LE32(h, Sequence);
  LE32(h, 0);
  std::string lacing(Body.size() / 255, '\xFF');
  if (Ends || Body.size() % 255) lacing += static_cast<char>(Body.size() % 255);
  h += static_cast<char>(lacing.size());
  TMemoryStream m;
  const std::string raw = h + lacing + Body;
  m.WriteBuffer(raw.data(), static_cast<Int64>(raw.size()));
  m.SetPosition(0);
  TZBLOggPage page;
  page.ReadPageHeader(&m);
  page.ReadBody(&m);
  std::unique_ptr<TMemoryStream> built = page.BuildPage();
  return std::string(static_cast<const char*>(built->GetMemory()), static_cast<size_t>(built->GetSize()));
}

std::string Head(SmallInt Gain, Word PreSkip = 0) {
  std::string p = "OpusHead";
  p += '\x01';
  p += '\x02';
  p += static_cast<char>(PreSkip & 0xFF);
  p += static_cast<char>(PreSkip >> 8);
  LE32(p, 44100);
  p += static_cast<char>(Gain & 0xFF);
  p += static_cast<char>(static_cast<Word>(Gain) >> 8);
  p += '\0';
  return p;
}

std::string Tags(const std::vector<std::string>& Comments) {
  std::string p = "OpusTags";
  LE32(p, 7);
  p += "encoder";
  LE32(p, static_cast<Cardinal>(Comments.size()));
  for (const std::string& c : Comments) {
    LE32(p, static_cast<Cardinal>(c.size()));
    p += c;
  }
  return p;
}

constexpr Cardinal Serial = 0x1234;

std::string OpusFile(SmallInt Gain, const std::vector<std::string>& Comments, Word PreSkip = 0) {
  return Page(Serial, 0, OggPageFirst, 0, Head(Gain, PreSkip)) + Page(Serial, 1, 0, 0, Tags(Comments)) +
         Page(Serial, 2, 0, 240000, std::string(300, 'a')) +
         Page(Serial, 3, OggPageLast, 480000 + PreSkip, std::string(200, 'b'));
}

struct TFile {
  std::string Path = TempDir() + "/opus-test.opus";
  explicit TFile(const std::string& Bytes) { std::ofstream(Path, std::ios::binary | std::ios::trunc) << Bytes; }
  std::string Bytes() const {
    std::ifstream in(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::unique_ptr<TZTLTagsContainerOpus> Load() {
    return std::unique_ptr<TZTLTagsContainerOpus>(static_cast<TZTLTagsContainerOpus*>(
        TZTLTagsContainer::Create(TZTLTagsContainerOpus::StaticClass(), UTF8ToString(Path), nullptr)));
  }
};

AnsiString Custom(const TZBLFileInfo* Info, std::string_view Name) {
  TZBLFileInfoCustomField* f = nullptr;
  return Info->GetCustomFields()->Find(Name, f) ? f->Value : AnsiString("<none>");
}

}  // namespace

TEST(OpusContainer, StreamPropertiesAndComments) {
  for (Word preSkip : {0, 312}) {
    TFile file(OpusFile(0, {"TITLE=Song", "ARTIST=A", "ARTIST=B"}, preSkip));
    auto opus = file.Load();
    ASSERT_TRUE(opus->GetLoaded());
    const TZBLStreamInfo& info = opus->GetStreamInfo();
    EXPECT_EQ(info.SampleRate, 48000u);
    EXPECT_EQ(info.Channels, 2);
    EXPECT_EQ(info.Duration, 10000u) << "pre-skip " << preSkip;
    EXPECT_EQ(opus->GetTag()->GetTitle(), u"Song");
    EXPECT_EQ(opus->GetTag()->GetArtist(), u"A;B");
    EXPECT_EQ(opus->GetTag()->GetVendor(), "encoder");
  }
}

TEST(OpusContainer, GainsRead) {
  const struct {
    SmallInt HeaderGain;
    std::vector<std::string> Comments;
    const char16_t* Album;
    const char16_t* Track;
  } cases[] = {
      {256, {}, u"6.00 dB", u""},
      {0, {"R128_TRACK_GAIN=-512"}, u"", u"3.00 dB"},
      {256, {"R128_TRACK_GAIN=-512"}, u"6.00 dB", u"4.00 dB"},
      // R128 values win over the ReplayGain texts.
      {0, {"R128_ALBUM_GAIN=0", "replaygain_album_gain=-3.50 dB", "replaygain_track_gain=-1.00 dB"}, u"5.00 dB",
       u"-1.00 dB"},
  };
  for (const auto& c : cases) {
    TFile file(OpusFile(c.HeaderGain, c.Comments));
    auto opus = file.Load();
    ASSERT_TRUE(opus->GetLoaded());
    EXPECT_EQ(opus->GetTag()->GetValue(fitAlbumGain), c.Album) << c.HeaderGain;
    EXPECT_EQ(opus->GetTag()->GetValue(fitTrackGain), c.Track) << c.HeaderGain;
  }
}

TEST(OpusContainer, SaveMovesTheOutputGainIntoR128Comments) {
  TFile file(OpusFile(256, {"replaygain_album_gain=-3.50 dB"}));
  auto opus = file.Load();
  ASSERT_TRUE(opus->GetLoaded());
  opus->GetTag()->SetTitle(u"A much longer title than before, so that the comment page grows");
  opus->Save();

  const std::string bytes = file.Bytes();
  TMemoryStream m;
  m.WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  m.SetPosition(0);
  TZBLOggPage head;
  ASSERT_TRUE(head.ReadPageHeader(&m));
  head.ReadBody(&m);
  EXPECT_EQ(head.GetData()[16], 0);
  EXPECT_EQ(head.GetData()[17], 0);
  // The patched page carries a checksum of its new bytes.
  std::unique_ptr<TMemoryStream> rebuilt = head.BuildPage();
  EXPECT_EQ(std::string(static_cast<const char*>(rebuilt->GetMemory()), static_cast<size_t>(rebuilt->GetSize())),
            bytes.substr(0, static_cast<size_t>(rebuilt->GetSize())));

  auto again = file.Load();
  ASSERT_TRUE(again->GetLoaded());
  EXPECT_EQ(Custom(again->GetTag(), "R128_ALBUM_GAIN"), "256");
  EXPECT_EQ(again->GetTag()->GetValue(fitAlbumGain), u"6.00 dB");
  EXPECT_EQ(Custom(again->GetTag(), "replaygain_album_gain"), "-3.50 dB");
  EXPECT_EQ(again->GetTag()->GetTitle(), u"A much longer title than before, so that the comment page grows");
  EXPECT_EQ(again->GetStreamInfo().Duration, 10000u);
  EXPECT_EQ(bytes.substr(bytes.size() - 200), std::string(200, 'b'));
}

TEST(OpusContainer, UnchangedGainLeavesTheHeaderPage) {
  const std::string original = OpusFile(0, {"TITLE=x"});
  TFile file(original);
  auto opus = file.Load();
  opus->GetTag()->SetTitle(u"y");
  opus->Save();
  const std::string headPage = Page(Serial, 0, OggPageFirst, 0, Head(0));
  EXPECT_EQ(file.Bytes().substr(0, headPage.size()), headPage);
}

TEST(OpusContainer, GainConversions) {
  EXPECT_EQ(TZTLOpusTrack::DecibelsToR128(-200), -32768);
  EXPECT_EQ(TZTLOpusTrack::DecibelsToR128(500), 32767);
  EXPECT_EQ(TZTLOpusTrack::DecibelsToR128(6), 256);
  EXPECT_FLOAT_EQ(TZTLOpusTrack::R128ToDecibels(-512), 3);

  TZTLTagOpus tag;
  tag.SetAlbumGainAsSingle(-200);
  tag.GetCustomFields()->Add("R128_ALBUM_GAIN", "1");
  tag.GetCustomFields()->Add("r128_album_gain", "2");
  TZTLOpusTrack track;
  track.StoreGainsAsR128(&tag);
  EXPECT_EQ(tag.GetCustomFields()->GetCount(), 1);
  EXPECT_EQ(Custom(&tag, "R128_ALBUM_GAIN"), "-32768");
}

TEST(OpusContainer, OtherStreamsAreNotOpus) {
  const std::string cases[] = {
      "",
      Page(Serial, 0, 0, 0, Head(0)),                       // no first-page flag
      Page(Serial, 0, OggPageFirst, 0, "OpusHead"),         // header cut short
      Page(Serial, 0, OggPageFirst, 0, "\x01vorbis" + std::string(30, '\0')),
  };
  for (const std::string& bytes : cases) {
    TFile file(bytes);
    EXPECT_FALSE(file.Load()->GetLoaded()) << bytes.size();
  }
}
