#include <gtest/gtest.h>

#include <fstream>

#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zeph/media/ZTL.FileFormats.M4A.h"
#include "zeph/media/ZTL.FileFormats.MP4.TestFiles.h"
#include "zeph/media/ZTL.Genres.h"

using namespace mp4test;

namespace {

struct TFile {
  std::string Path = TempDir() + "/m4a-test.m4a";
  explicit TFile(const std::string& Bytes) { std::ofstream(Path, std::ios::binary | std::ios::trunc) << Bytes; }
  std::string Bytes() const {
    std::ifstream in(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::unique_ptr<TZTLTagsContainerM4A> Load() {
    return std::unique_ptr<TZTLTagsContainerM4A>(static_cast<TZTLTagsContainerM4A*>(
        TZTLTagsContainer::Create(TZTLTagsContainerM4A::StaticClass(), UTF8ToString(Path), nullptr)));
  }
};

std::string Xtra(unsigned char Rating) {
  const std::string value = BE(1, 4) + BE(14, 4) + BE(19, 2) + static_cast<char>(Rating) + std::string(7, '\0');
  const std::string name = "WM/SharedUserRating";
  return Atom("Xtra", BE(8 + name.size() + value.size(), 4) + BE(name.size(), 4) + name + value);
}

std::string ArtOf(const TZTLTag* Tag) {
  const IPtr<IZCLDataContainer>& art = Tag->GetAlbumArt();
  return art ? std::string(static_cast<const char*>(art->GetData()), static_cast<size_t>(art->GetDataSize())) : "";
}

// The two chunk offsets of the audio track and the media data they should point at.
void ExpectChunksPointAtMedia(const std::string& Bytes) {
  const size_t stco = Bytes.find("stco");
  ASSERT_NE(stco, std::string::npos);
  auto be32 = [&](size_t At) {
    return static_cast<size_t>(static_cast<Byte>(Bytes[At])) << 24 | static_cast<size_t>(static_cast<Byte>(Bytes[At + 1])) << 16 |
           static_cast<size_t>(static_cast<Byte>(Bytes[At + 2])) << 8 | static_cast<Byte>(Bytes[At + 3]);
  };
  const size_t media = Bytes.find(MediaData);
  ASSERT_NE(media, std::string::npos);
  EXPECT_EQ(be32(stco + 12), media);
  EXPECT_EQ(be32(stco + 16), media + 200);
}

const std::string Items =
    Text("\xA9nam", "Title") + Atom("\xA9" "ART", Data(1, "A") + Data(1, "B")) + Text("\xA9" "ART", "C") +
    Atom("trkn", Data(0, std::string("\0\0\0\x05\0\x0C\0\0", 8))) + Atom("disk", Data(0, std::string("\0\0\0\x02\0\0", 6))) +
    Atom("gnre", Data(0, std::string("\0\x01", 2))) + Custom("ISRC", "US-ABC") + Custom("unknown", "kept") +
    Atom("covr", Data(13, "\xFF\xD8\xFF front") + Data(13, "\xFF\xD8\xFF back")) + Atom("abcd", Data(1, "other"));

}  // namespace

TEST(M4AContainer, ReadsItemsAndStreamProperties) {
  TFile file(File(Ilst(Items, Xtra(50))));
  auto m4a = file.Load();
  ASSERT_TRUE(m4a->GetLoaded());
  const TZTLTagM4A* tag = m4a->GetTag();
  EXPECT_EQ(tag->GetTitle(), u"Title");
  EXPECT_EQ(tag->GetArtist(), u"A;B;C");
  EXPECT_EQ(tag->GetTrack(), u"5/12");
  EXPECT_EQ(tag->GetValue(fitDisk), u"2");
  EXPECT_EQ(tag->GetValue(fitGenre), GetGenreName(0));
  EXPECT_EQ(tag->GetValue(fitISRC), u"US-ABC");
  EXPECT_EQ(tag->GetRating(), 3);
  EXPECT_EQ(ArtOf(tag), "\xFF\xD8\xFF front");
  EXPECT_GT(tag->GetSize(), 0u);
  const TZBLStreamInfo& info = m4a->GetStreamInfo();
  EXPECT_EQ(info.Codec, u"MPEG-4 Audio (AAC LC SBR)");
  EXPECT_EQ(info.SampleRate, 44100u);  // SBR doubles the core rate
  EXPECT_EQ(info.Duration, 10000u);
  EXPECT_EQ(info.Bitrate, 128);
  EXPECT_EQ(info.Channels, 2);
  EXPECT_EQ(info.StreamSize, static_cast<Int64>(8 + MediaData.size()));
}

TEST(M4AContainer, ValueForms) {
  const struct {
    std::string Item;
    TZBLFileInfoText Field;
    const char16_t* Expected;
  } cases[] = {
      {Atom("trkn", Data(0, std::string("\0\0\0\x05\0\0\0\0", 8))), fitTrack, u"5"},
      {Atom("trkn", Data(0, std::string("\0\0\0", 3))), fitTrack, u""},
      {Atom("gnre", Data(0, std::string("\0\0", 2))), fitGenre, u""},
      {Atom("gnre", Data(0, std::string("\0\x95", 2))), fitGenre, u""},
      {Atom("tmpo", Data(21, std::string("\0\x78", 2))), fitTitle, u""},
  };
  for (const auto& c : cases) {
    TFile file(File(Ilst(c.Item)));
    auto m4a = file.Load();
    ASSERT_TRUE(m4a->GetLoaded());
    EXPECT_EQ(m4a->GetTag()->GetValue(c.Field), c.Expected) << c.Item.substr(4, 4);
  }
  TFile bpm(File(Ilst(Atom("tmpo", Data(21, std::string("\0\x78", 2))))));
  EXPECT_EQ(bpm.Load()->GetTag()->GetBPM(), 120);
}

TEST(M4AContainer, OtherFilesAreNotRead) {
  const std::string cases[] = {
      File(Ilst(Items), "qt  "),
      File(Ilst(Items)).substr(0, 60),
      Atom("ftyp", "M4A " + BE(0, 4)) + Atom("moov", Atom("mvhd", "")),  // no audio track
      "",
  };
  for (const std::string& bytes : cases) {
    TFile file(bytes);
    EXPECT_FALSE(file.Load()->GetLoaded()) << bytes.size();
  }
}

TEST(M4AContainer, SaveGrowsTheRegionAndShiftsChunkOffsets) {
  TFile file(File(Ilst(Items)));
  auto m4a = file.Load();
  ASSERT_TRUE(m4a->GetLoaded());
  TZTLTagM4A* tag = m4a->GetTag();
  tag->SetTitle(String(300, u't'));
  tag->SetArtist(u"X; Y");
  tag->SetRating(3);
  tag->SetValue(fitTrack, u"7/9");
  m4a->GetChapters()->Add(u"One", 0);
  m4a->GetChapters()->Add(u"Two", 4.5);
  m4a->Save();

  const std::string bytes = file.Bytes();
  ExpectChunksPointAtMedia(bytes);
  EXPECT_EQ(bytes.substr(bytes.size() - MediaData.size()), MediaData);
  EXPECT_NE(bytes.find("other"), std::string::npos);        // untouched items stay
  EXPECT_NE(bytes.find("\xFF\xD8\xFF back"), std::string::npos);  // and so do other pictures
  EXPECT_NE(bytes.find(std::string("Rating") + BE(18, 4) + "data" + BE(1, 4) + BE(0, 4) + "60"), std::string::npos);

  auto again = file.Load();
  ASSERT_TRUE(again->GetLoaded());
  EXPECT_EQ(again->GetTag()->GetTitle(), String(300, u't'));
  EXPECT_EQ(again->GetTag()->GetArtist(), u"X;Y");
  EXPECT_EQ(again->GetTag()->GetTrack(), u"7/9");
  EXPECT_EQ(again->GetTag()->GetRating(), 3);
  EXPECT_EQ(again->GetTag()->GetValue(fitISRC), u"US-ABC");
  EXPECT_EQ(ArtOf(again->GetTag()), "\xFF\xD8\xFF front");
  ASSERT_EQ(again->GetChapters()->GetCount(), 2);
  EXPECT_EQ(again->GetChapters()->GetItem(1)->Title, u"Two");
  EXPECT_DOUBLE_EQ(again->GetChapters()->GetItem(1)->Start, 4.5);
  EXPECT_DOUBLE_EQ(again->GetChapters()->GetItem(1)->Finish, 10);
  const size_t xtra = bytes.find("WM/SharedUserRating");
  ASSERT_NE(xtra, std::string::npos);
  EXPECT_EQ(static_cast<Byte>(bytes[xtra + 19 + 10]), 50);

  // A smaller tag leaves free space behind and moves nothing.
  again->GetTag()->SetTitle(u"t");
  again->Save();
  const std::string smaller = file.Bytes();
  EXPECT_EQ(smaller.size(), bytes.size());
  ExpectChunksPointAtMedia(smaller);
  auto third = file.Load();
  EXPECT_EQ(third->GetTag()->GetTitle(), u"t");
}

TEST(M4AContainer, DeleteTagOnSaveAndClearedRating) {
  TFile file(File(Ilst(Items, Xtra(50) + Atom("chpl", std::string("\x01\0\0\0\0\0\0\0\0", 9)))));
  auto m4a = file.Load();
  m4a->GetTag()->SetRating(0);
  m4a->Save();
  std::string bytes = file.Bytes();
  EXPECT_EQ(bytes.find("WM/SharedUserRating"), std::string::npos);
  EXPECT_EQ(bytes.find("Xtra"), std::string::npos);
  EXPECT_EQ(bytes.find("chpl"), std::string::npos);
  ExpectChunksPointAtMedia(bytes);

  m4a = file.Load();
  m4a->GetTag()->SetDeleteTagOnSave(true);
  m4a->Save();
  const size_t before = bytes.size();
  bytes = file.Bytes();
  EXPECT_EQ(bytes.find("ilst"), std::string::npos);
  // The region keeps its size, padded with free space.
  EXPECT_EQ(bytes.size(), before);
  EXPECT_NE(bytes.find("free"), std::string::npos);
  ExpectChunksPointAtMedia(bytes);
  EXPECT_TRUE(file.Load()->GetTag()->IsEmpty());
}

TEST(M4AContainer, ChapterTrackIsReadAndReplacedByChpl) {
  // A text track of two samples ("Intro", "Main") at media offsets found after assembling.
  auto build = [](unsigned Base) {
    const std::string tables = Atom("stsc", BE(0, 4) + BE(1, 4) + BE(1, 4) + BE(1, 4) + BE(1, 4)) +
                               Atom("stsz", BE(0, 4) + BE(0, 4) + BE(2, 4) + BE(7, 4) + BE(6, 4)) +
                               Atom("stts", BE(0, 4) + BE(2, 4) + BE(1, 4) + BE(3000, 4) + BE(1, 4) + BE(7000, 4));
    const std::string text = Trak(2, "text", 1000, 10000, Atom("text", std::string(6, '\0') + BE(1, 2)),
                                  {Base, Base + 7}, "", tables);
    return text;
  };
  const std::string samples = BE(5, 2) + "Intro" + BE(4, 2) + "Main";
  std::string probe = File("", "M4A ", build(0));
  const unsigned base = static_cast<unsigned>(probe.size()) + 8;
  std::string bytes = File("", "M4A ", build(base));
  // The audio track refers to the text track as its chapters.
  const size_t tkhd = bytes.find("tkhd");
  bytes.insert(tkhd - 4 + 92, Atom("tref", Atom("chap", BE(2, 4))));
  // Sizes of "trak" and "moov" grew by the inserted 20 bytes; offsets moved by 20.
  auto addBE = [&](size_t At, unsigned Delta) {
    unsigned v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<Byte>(bytes[At + i]);
    const std::string b = BE(v + Delta, 4);
    bytes.replace(At, 4, b);
  };
  addBE(bytes.find("moov") - 4, 20);
  addBE(tkhd - 8 - 4, 20);
  for (size_t at = 0; (at = bytes.find("stco", at)) != std::string::npos; at += 4)
    for (size_t k = 0; k < 2; ++k) addBE(at + 12 + 4 * k, 20);
  bytes += Atom("free", samples);
  TFile file(bytes);
  auto m4a = file.Load();
  ASSERT_TRUE(m4a->GetLoaded());
  ASSERT_EQ(m4a->GetChapters()->GetCount(), 2);
  EXPECT_EQ(m4a->GetChapters()->GetItem(0)->Title, u"Intro");
  EXPECT_DOUBLE_EQ(m4a->GetChapters()->GetItem(1)->Start, 3);
  EXPECT_DOUBLE_EQ(m4a->GetChapters()->GetItem(1)->Finish, 10);

  m4a->Save();
  const std::string saved = file.Bytes();
  EXPECT_EQ(saved.find("text"), std::string::npos);
  EXPECT_EQ(saved.find("chap"), std::string::npos);
  auto again = file.Load();
  ASSERT_EQ(again->GetChapters()->GetCount(), 2);
  EXPECT_EQ(again->GetChapters()->GetItem(1)->Title, u"Main");
  ExpectChunksPointAtMedia(saved);
}
