// Tags written by another tag writer (mutagen) into small MP3s made at test time (sox, lame): our
// readers find the values, and files we save read back equal there with the audio unchanged.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zeph/media/ZTL.Tags.APEv2.h"
#include "zeph/media/ZTL.Tags.ID3v1.h"
#include "zeph/media/ZTL.Tags.ID3v2.h"
#include "zeph/media/ZTL.Tags.TestFiles.h"

using namespace std::string_literals;

using namespace tagtest;

namespace {

class RealFiles : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Folder = TempDir() + "/realtags";
    Made = MakeTestFiles(Folder, Python);
  }
  void SetUp() override {
    if (!Made) GTEST_SKIP() << "sox, lame or python3-mutagen is absent (scripts/setup.sh installs them)";
  }
  static std::map<std::string, std::string> ReadBack(const std::string& Name, const std::string& Kind) {
    std::map<std::string, std::string> values;
    std::istringstream lines(
        RunCommand(Python + " '" + Folder + "/tool.py' read '" + Folder + "/" + Name + "' " + Kind));
    for (std::string line; std::getline(lines, line);) {
      const size_t eq = line.find('=');
      if (eq != std::string::npos) values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
  }
  static std::string Path(const std::string& Name) { return Folder + "/" + Name; }
  static inline std::string Folder;
  static inline std::string Python;
  static inline bool Made = false;
};

struct TBytesFile {
  TMemoryStream Stream;
  explicit TBytesFile(const std::string& Bytes) { Stream.WriteBuffer(Bytes.data(), static_cast<Int64>(Bytes.size())); }
  std::string Bytes() {
    return std::string(static_cast<const char*>(Stream.GetMemory()), static_cast<size_t>(Stream.GetSize()));
  }
};

std::map<std::string, std::vector<std::string>> ByID(const TZTLID3v2Frames& Frames) {
  std::map<std::string, std::vector<std::string>> m;
  for (const auto& f : Frames) m[f.ID].emplace_back(f.Data);
  return m;
}

// Rebuilds a tag from every frame read and saves it over the old one.
void Resave(TStream* Stream, const TZTLID3v2Frames& Frames) {
  RawByteString body, tag;
  for (const auto& f : Frames) TZTLID3v2Codec::WriteFrame(body, f.ID, f.Data);
  TZTLID3v2Codec::Build(body, tag, TZTLID3v2Codec::GetTagSize(Stream, 0), true);
  TZTLID3v2Codec::Replace(Stream, tag);
}

}  // namespace

TEST_F(RealFiles, ID3v23FramesReadAndSaveBack) {
  const std::string original = ReadFileBytes(Path("v23.mp3"));
  TBytesFile f(original);
  TZTLID3v2Frames frames;
  Byte major = 0;
  const Cardinal size = TZTLID3v2Codec::Read(&f.Stream, 0, frames, major);
  ASSERT_GT(size, 10u);
  EXPECT_EQ(major, 3);
  auto m = ByID(frames);
  EXPECT_EQ(TID3v2Encoding::Decode(m["TIT2"].at(0)), u"Title ü");
  EXPECT_EQ(TID3v2Encoding::Decode(m["TPE1"].at(0)), u"Artist A/Artist B");
  EXPECT_EQ(TID3v2Encoding::Decode(m["TDRC"].at(0)), u"2001");
  EXPECT_EQ(TZTLID3v2Codec::DecodeGenre(m["TCON"].at(0)), u"Rock");
  EXPECT_EQ(TZTLID3v2Codec::DecodeComment(m["COMM"].at(0)), u"A comment");
  EXPECT_EQ(TZTLID3v2Codec::DecodeRating(m["POPM"].at(0)), 4);
  TZTLID3v2Picture picture;
  ASSERT_TRUE(TZTLID3v2Codec::DecodePicture("APIC", m["APIC"].at(0), major, picture));
  EXPECT_EQ(picture.PictureType, 3);
  EXPECT_EQ(picture.Data.size(), 4u + 1024);
  ASSERT_EQ(m["CHAP"].size(), 2u);
  TZTLID3v2Chapter chapter;
  ASSERT_TRUE(TZTLID3v2Codec::DecodeChapter(m["CHAP"][0], major, chapter));
  EXPECT_EQ(chapter.Title, u"Main");
  EXPECT_DOUBLE_EQ(chapter.Start, 0.1);

  const std::map<std::string, std::string> before = ReadBack("v23.mp3", "id3");
  Resave(&f.Stream, frames);
  const std::string saved = f.Bytes();
  WriteFileBytes(Path("v23-saved.mp3"), saved);
  EXPECT_EQ(saved.substr(TZTLID3v2Codec::GetTagSize(&f.Stream, 0)), original.substr(size));  // the audio
  EXPECT_EQ(ReadBack("v23-saved.mp3", "id3"), before);
}

TEST_F(RealFiles, ID3v24FramesBecomeValidForVersion3) {
  TBytesFile f(ReadFileBytes(Path("v24.mp3")));
  TZTLID3v2Frames frames;
  Byte major = 0;
  ASSERT_GT(TZTLID3v2Codec::Read(&f.Stream, 0, frames, major), 10u);
  EXPECT_EQ(major, 4);
  auto m = ByID(frames);
  EXPECT_EQ(TID3v2Encoding::Decode(m["TPE1"].at(0)), String(u"Artist A\0Artist B", 17));
  EXPECT_EQ(TID3v2Encoding::Decode(m["TALB"].at(0)), u"Альбом");
  Resave(&f.Stream, frames);
  WriteFileBytes(Path("v24-saved.mp3"), f.Bytes());
  auto back = ReadBack("v24-saved.mp3", "id3");
  EXPECT_EQ(back["TIT2"], "Title \xC3\xBC");
  EXPECT_EQ(back["TPE1"], "Artist A;Artist B");
  EXPECT_EQ(back["TALB"], "\xD0\x90\xD0\xBB\xD1\x8C\xD0\xB1\xD0\xBE\xD0\xBC");
}

TEST_F(RealFiles, ID3v1AndAPEv2) {
  TBytesFile v1(ReadFileBytes(Path("v1.mp3")));
  TZTLID3v1Values values;
  ASSERT_TRUE(TZTLID3v1Codec::Read(&v1.Stream, values));
  EXPECT_EQ(values.Title, u"V1 Title");
  EXPECT_EQ(values.TrackNumber, u"07");
  EXPECT_EQ(values.Genre, u"Rock");
  values.Title = u"Saved";
  TZTLID3v1Codec::Write(&v1.Stream, values, false);
  WriteFileBytes(Path("v1-saved.mp3"), v1.Bytes());
  auto back = ReadBack("v1-saved.mp3", "id3");
  EXPECT_EQ(back["TIT2"], "Saved");
  EXPECT_EQ(back["TRCK"], "7");
  EXPECT_EQ(back["TCON"], "Rock");

  const std::string original = ReadFileBytes(Path("ape.mp3"));
  TBytesFile ape(original);
  std::vector<TZTLAPEv2Item> items;
  ASSERT_GT(TZTLAPEv2Codec::Read(&ape.Stream, items), 32u);
  ASSERT_EQ(items.size(), 3u);
  TZTLAPEv2Location at;
  ASSERT_TRUE(TZTLAPEv2Codec::FindFooter(&ape.Stream, at));
  EXPECT_EQ(at.HeaderSize, 32);  // mutagen writes a header
  const std::map<std::string, std::string> before = ReadBack("ape.mp3", "ape");
  TZTLAPEv2Codec::Write(&ape.Stream, items, false);
  const std::string saved = ape.Bytes();
  WriteFileBytes(Path("ape-saved.mp3"), saved);
  EXPECT_EQ(saved.substr(0, static_cast<size_t>(at.TagStart())),
            original.substr(0, static_cast<size_t>(at.TagStart())));
  EXPECT_EQ(ReadBack("ape-saved.mp3", "ape"), before);
  EXPECT_EQ(before.at("artist"), "a\0b"s);
}
