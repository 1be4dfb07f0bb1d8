#include <gtest/gtest.h>

#include <cstring>

#include "rtl/RTL.Streams.h"
#include "zeph/media/ZTL.Tags.ID3v1.h"

namespace {

const std::string Audio = std::string(1000, '\xFF');

std::string Block(const char* Title, const char* Comment, int Track, int Genre) {
  std::string b(128, '\0');
  std::memcpy(b.data(), "TAG", 3);
  std::memcpy(b.data() + 3, Title, std::min<size_t>(30, std::strlen(Title)));
  std::memcpy(b.data() + 33, "Artist", 6);
  std::memcpy(b.data() + 63, "Album", 5);
  std::memcpy(b.data() + 93, "1999", 4);
  std::memcpy(b.data() + 97, Comment, std::min<size_t>(30, std::strlen(Comment)));
  if (Track >= 0) {
    b[125] = 0;
    b[126] = static_cast<char>(Track);
  }
  b[127] = static_cast<char>(Genre);
  return b;
}

std::string Lyrics3(const std::string& Fields) {
  std::string body = "LYRICSBEGIN" + Fields;
  char size[8];
  std::snprintf(size, sizeof size, "%06zu", body.size());
  return body + size + "LYRICS200";
}

struct TFile {
  TMemoryStream Stream;
  explicit TFile(const std::string& Bytes) { Stream.WriteBuffer(Bytes.data(), static_cast<Int64>(Bytes.size())); }
  std::string Bytes() {
    std::string s(static_cast<size_t>(Stream.GetSize()), '\0');
    std::memcpy(s.data(), Stream.GetMemory(), s.size());
    return s;
  }
};

}  // namespace

TEST(ID3v1, ReadsVersionsTrackAndGenre) {
  const char* title30 = "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234";
  TFile v11(Audio + Block(title30, "Comment", 7, 17));
  TZTLID3v1Values v;
  ASSERT_TRUE(TZTLID3v1Codec::Read(&v11.Stream, v));
  EXPECT_EQ(v.Size, 128u);
  EXPECT_EQ(v.Title, u"ABCDEFGHIJKLMNOPQRSTUVWXYZ1234");
  EXPECT_EQ(v.Artist, u"Artist");
  EXPECT_EQ(v.Year, u"1999");
  EXPECT_EQ(v.TrackNumber, u"07");
  EXPECT_EQ(v.Comment, u"Comment");
  EXPECT_EQ(v.Genre, u"Rock");

  TFile v10(Audio + Block("T", "A comment of thirty characters", -1, 255));
  ASSERT_TRUE(TZTLID3v1Codec::Read(&v10.Stream, v));
  EXPECT_EQ(v.Comment, u"A comment of thirty characters");
  EXPECT_EQ(v.TrackNumber, u"");
  EXPECT_EQ(v.Genre, u"");

  TFile none(Audio);
  EXPECT_FALSE(TZTLID3v1Codec::Read(&none.Stream, v));
  EXPECT_EQ(v.Size, 0u);
  TFile tiny("TA");
  EXPECT_FALSE(TZTLID3v1Codec::Read(&tiny.Stream, v));
}

TEST(ID3v1, Lyrics3BlockReplacesFieldsAndCounts) {
  const std::string lyrics = Lyrics3(
      "IND00002"
      "10"
      "ETT00010Long Title"
      "LYR00007one\rtwo");
  TFile f(Audio + lyrics + Block("Short", "", -1, 0));
  TZTLID3v1Values v;
  ASSERT_TRUE(TZTLID3v1Codec::Read(&f.Stream, v));
  EXPECT_EQ(v.Size, 128u + lyrics.size());
  EXPECT_EQ(TZTLID3v1Codec::GetTagSize(&f.Stream), static_cast<Int64>(128 + lyrics.size()));
  EXPECT_EQ(v.Title, u"Long Title");
  EXPECT_EQ(v.Lyrics, u"one\r\ntwo");
  EXPECT_EQ(v.Genre, u"Blues");
  // Saving writes a fresh block and drops the Lyrics3 block; the audio stays.
  TZTLID3v1Codec::Write(&f.Stream, v, false);
  const std::string bytes = f.Bytes();
  ASSERT_EQ(bytes.size(), Audio.size() + 128);
  EXPECT_EQ(bytes.substr(0, Audio.size()), Audio);
  EXPECT_EQ(bytes.substr(Audio.size() + 3, 10), "Long Title");
}

TEST(ID3v1, DamagedLyrics3SizeNeverCutsAudio) {
  // A trailer whose size points at no "LYRICSBEGIN", and one larger than the file.
  for (const char* trailer : {"000020LYRICS200", "999999LYRICS200"}) {
    TFile f(Audio + trailer + Block("T", "", -1, 0));
    EXPECT_EQ(TZTLID3v1Codec::GetTagSize(&f.Stream), 128);
    TZTLID3v1Values v;
    ASSERT_TRUE(TZTLID3v1Codec::Read(&f.Stream, v));
    EXPECT_EQ(v.Size, 128u);
    TZTLID3v1Codec::Write(&f.Stream, v, true);
    EXPECT_EQ(f.Bytes(), Audio + trailer);
  }
}

TEST(ID3v1, WritesCutFieldsGenreAndTrack) {
  TFile f(Audio);
  TZTLID3v1Values v;
  v.Title = u"A title that is much longer than thirty bytes";
  v.Genre = u"No Such Genre";
  v.TrackNumber = u" 12 ";
  TZTLID3v1Codec::Write(&f.Stream, v, false);
  std::string bytes = f.Bytes();
  ASSERT_EQ(bytes.size(), Audio.size() + 128);
  const std::string b = bytes.substr(Audio.size());
  EXPECT_EQ(b.substr(3, 30), "A title that is much longer th");
  EXPECT_EQ(static_cast<Byte>(b[127]), 255);
  EXPECT_EQ(b[125], 0);
  EXPECT_EQ(b[126], 12);
  TZTLID3v1Values back;
  ASSERT_TRUE(TZTLID3v1Codec::Read(&f.Stream, back));
  EXPECT_EQ(back.TrackNumber, u"12");
  // An empty tag, or Delete, removes the block and writes nothing.
  TZTLID3v1Codec::Write(&f.Stream, TZTLID3v1Values(), false);
  EXPECT_EQ(f.Bytes(), Audio);
  TZTLID3v1Codec::Write(&f.Stream, v, false);
  TZTLID3v1Codec::Write(&f.Stream, v, true);
  EXPECT_EQ(f.Bytes(), Audio);
}
