#include <gtest/gtest.h>

#include <cstring>

#include "rtl/RTL.Streams.h"
#include "zeph/media/ZTL.Tags.ID3v2.h"

using namespace std::string_literals;

namespace {

std::string LE16(StringView S) {
  std::string out;
  for (Char c : S) out += static_cast<char>(c & 0xFF), out += static_cast<char>(c >> 8);
  return out;
}

std::string BE16(StringView S) {
  std::string out;
  for (Char c : S) out += static_cast<char>(c >> 8), out += static_cast<char>(c & 0xFF);
  return out;
}

std::string Size4(Cardinal V, bool Syncsafe) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i)
    s[i] = static_cast<char>(Syncsafe ? (V >> (21 - 7 * i)) & 0x7F : (V >> (24 - 8 * i)) & 0xFF);
  return s;
}

std::string Frame(int Major, const std::string& ID, const std::string& Data, Byte Format = 0) {
  if (Major == 2) {
    const auto n = static_cast<Cardinal>(Data.size());
    return ID + static_cast<char>(n >> 16) + static_cast<char>(n >> 8) + static_cast<char>(n) + Data;
  }
  return ID + Size4(static_cast<Cardinal>(Data.size()), Major == 4) + '\0' + static_cast<char>(Format) + Data;
}

std::string Tag(int Major, const std::string& Frames, Byte Flags = 0, size_t Padding = 0) {
  return std::string("ID3") + static_cast<char>(Major) + '\0' + static_cast<char>(Flags) +
         Size4(static_cast<Cardinal>(Frames.size() + Padding), true) + Frames + std::string(Padding, '\0');
}

const std::string Audio = "\xFF\xFB\x90\x00" + std::string(2000, '\x55');

struct TFile {
  TMemoryStream Stream;
  explicit TFile(const std::string& Bytes) { Stream.WriteBuffer(Bytes.data(), static_cast<Int64>(Bytes.size())); }
  std::string Bytes() {
    std::string s(static_cast<size_t>(Stream.GetSize()), '\0');
    std::memcpy(s.data(), Stream.GetMemory(), s.size());
    return s;
  }
};

TZTLID3v2Frames ReadFrames(const std::string& Bytes, Cardinal* Size = nullptr) {
  TFile f(Bytes);
  TZTLID3v2Frames frames;
  Byte major = 0;
  Cardinal size = TZTLID3v2Codec::Read(&f.Stream, 0, frames, major);
  if (Size) *Size = size;
  return frames;
}

}  // namespace

TEST(ID3v2Encoding, DecodesEveryEncodingAndMarkPlacement) {
  struct {
    std::string Data;
    String Expected;
  } cases[] = {
      {"\x01\xFF\xFE" + LE16(u"Héllo"), u"Héllo"},
      {"\x01\xFE\xFF" + BE16(u"Привет"), u"Привет"},
      {std::string("\x00"
                   "Caf\xE9",
                   5),
       u"Café"},  // Latin-1: not UTF-8, the code page decides
      {std::string("\x00"
                   "abc  ",
                   6),
       u"abc"},
      {"\x03"
       "Caf\xC3\xA9",
       u"Café"},
      {"\x03\xEF\xBB\xBF"
       "bom",
       u"bom"},
      {"\x02" + BE16(u"Ωmega") + std::string("\0\0junk", 6), u"Ωmega"},
      {"\x01" + LE16(u"no mark"), u"no mark"},
      {"\x01\xFF\xFE" + LE16(u"desc") + std::string("\0\0", 2) + "\xFF\xFE" + LE16(u"value"),
       String(u"desc\0value", 10)},
      {"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(TID3v2Encoding::Decode(c.Data), c.Expected) << "case " << (&c - cases);
  EXPECT_EQ(TID3v2Encoding::Encode(u"A", 3), std::string("\x01\xFF\xFE"
                                                         "A\0",
                                                         5));
  EXPECT_EQ(TID3v2Encoding::Encode(u"A", 0), std::string("A\0", 2));
  EXPECT_EQ(TID3v2Encoding::DecodeAndCut("\x01\xFF\xFE" + LE16(u" a") + "\0\0\x01\0x\0"s), u"a");
}

TEST(ID3v2, ReadsFramesOfEachVersion) {
  TZTLID3v2Frames v2 = ReadFrames(Tag(2, Frame(2, "TT2", "\x00T2"s) + Frame(2, "TP1", "\x00P1"s)) + Audio);
  ASSERT_EQ(v2.size(), 2u);
  EXPECT_EQ(v2[0].ID, "TT2");
  EXPECT_EQ(v2[1].Data, std::string("\0P1", 3));

  Cardinal size = 0;
  TZTLID3v2Frames v3 =
      ReadFrames(Tag(3, Frame(3, "TIT2", "\x00Title"s) + Frame(3, "XXXX", "stop"s), 0, 100) + Audio, &size);
  EXPECT_EQ(size, 10u + 16 + 14 + 100);
  ASSERT_EQ(v3.size(), 1u);  // an unknown identifier ends the walk

  // Version 4: UTF-8 text becomes UTF-16 for a version-3 tag, values kept apart.
  TZTLID3v2Frames v4 = ReadFrames(Tag(4, Frame(4, "TPE1",
                                               std::string("\x03"
                                                           "Zoë\0B",
                                                           7))) +
                                  Audio);
  ASSERT_EQ(v4.size(), 1u);
  EXPECT_EQ(v4[0].Data, "\x01\xFF\xFE" + LE16(u"Zoë") + std::string("\0\0", 2) + "\xFF\xFE" + LE16(u"B"));
  EXPECT_EQ(TID3v2Encoding::Decode(v4[0].Data), String(u"Zoë\0B", 5));
  // Not a tag: other versions, a header cut short.
  EXPECT_TRUE(ReadFrames(Tag(5, Frame(3, "TIT2", "\x00T"s))).empty());
  // A tag cut short by the end of the file is read as far as it goes.
  EXPECT_EQ(ReadFrames(Tag(3, Frame(3, "TIT2", "\x00T"s), 0, 200)).size(), 1u);
  EXPECT_TRUE(ReadFrames("ID").empty());
}

TEST(ID3v2, HonoursFrameFormatFlags) {
  const std::string v3 = Tag(3, Frame(3, "TALB", "\x00zip"s, 0x80) +
                                    Frame(3, "TPE1",
                                          "\x00"
                                          "enc"s,
                                          0x40) +
                                    Frame(3, "TIT2", "\x07\x00Grouped"s, 0x20));
  TZTLID3v2Frames frames = ReadFrames(v3);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].Data, std::string("\x00Grouped", 8));
  const std::string v4 =
      Tag(4, Frame(4, "TALB", "\x00zip"s, 0x08) +
                 Frame(4, "TPE1",
                       "\x00"
                       "enc"s,
                       0x04) +
                 Frame(4, "TIT2", "\x07" + Size4(5, true) + std::string("\x00Ti\xFF\x00t", 6), 0x40 | 0x01 | 0x02));
  frames = ReadFrames(v4);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].Data, std::string("\x00Ti\xFFt", 5));
}

TEST(ID3v2, ExtendedHeaderUnsyncAndSizeRepair) {
  // Extended header of version 3: its size field does not count itself.
  std::string ext = Size4(10, false) + std::string(10, '\0');
  EXPECT_EQ(ReadFrames(Tag(3, ext + Frame(3, "TIT2", "\x00T"s), 0x40)).size(), 1u);
  // Version 4 counts it, syncsafe.
  ext = Size4(6, true) + std::string("\x01\x00", 2);
  EXPECT_EQ(ReadFrames(Tag(4, ext + Frame(4, "TIT2", "\x00T"s), 0x40)).size(), 1u);
  // A whole unsynchronised version-3 tag: FF 00 pairs inside the header and the data.
  std::string frames = Frame(3, "TIT2",
                             "\x00\xFF\xE0"
                             "A"s);
  frames.insert(frames.size() - 2, std::string(1, '\0'));  // FF gets its 00 in the stored form
  TZTLID3v2Frames read = ReadFrames(Tag(3, frames, 0x80));
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].Data,
            "\x00\xFF\xE0"
            "A"s);
  // A declared size that ends inside the data is stretched to the next header; one past the area
  // takes the rest.
  std::string bad = Frame(3, "TIT2", "\x00Title"s);
  bad[7] = 3;
  read = ReadFrames(Tag(3, bad +
                               Frame(3, "TPE1",
                                     "\x00"
                                     "Artist"s) +
                               std::string(30, '\0')));
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].Data, std::string("\x00Title", 6));
  EXPECT_EQ(read[1].Data, std::string("\x00"
                                      "Artist",
                                      7));
  bad[7] = 100;
  read = ReadFrames(Tag(3, bad));
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].Data, std::string("\x00Title", 6));
}

TEST(ID3v2, FieldDecoders) {
  EXPECT_EQ(TZTLID3v2Codec::DecodeGenre("\x00(17)"s), u"Rock");
  EXPECT_EQ(TZTLID3v2Codec::DecodeGenre("\x00(17)Indie Rock"s), u"Indie Rock");
  EXPECT_EQ(TZTLID3v2Codec::DecodeGenre("\x00Rock (live)"s), u"Rock (live)");
  EXPECT_EQ(TZTLID3v2Codec::DecodeGenre("\x00(999)"s), u"");
  struct {
    Byte Value;
    Integer Rating;
  } ratings[] = {{0, 0}, {1, 1}, {63, 2}, {128, 3}, {196, 4}, {255, 5}};
  for (const auto& r : ratings)
    EXPECT_EQ(TZTLID3v2Codec::DecodeRating(std::string("a@b\0", 4) + static_cast<char>(r.Value)), r.Rating);
  EXPECT_EQ(TZTLID3v2Codec::DecodeRating("no zero"), 0);
  EXPECT_EQ(TZTLID3v2Codec::DecodeComment("\x01"
                                          "eng\xFF\xFE" +
                                          LE16(u"d") + std::string("\0\0", 2) + "\xFF\xFE" + LE16(u"text")),
            String(u"d\0text", 6));
  EXPECT_EQ(TZTLID3v2Codec::DecodeComment("\x01"
                                          "en"),
            u"");
  EXPECT_EQ(TZTLID3v2Codec::DecodeOwner(std::string("WM/Mood\0", 8) + LE16(u"Calm")), String(u"WM/Mood\0Calm", 12));
  EXPECT_EQ(TZTLID3v2Codec::DecodeLink("\x00\x00xn--bcher-kva.example"s), u"bücher.example");
}

TEST(ID3v2, PicturesAndChapters) {
  TZTLID3v2Picture pic;
  const std::string jpeg =
      "\xFF\xD8\xFF\xE0"
      "jpegdata";
  // The picture is a view into the frame's data, which must outlive it.
  const std::string apic = std::string("\x00image/jpeg\x00\x03\x00", 14) + jpeg;
  ASSERT_TRUE(TZTLID3v2Codec::DecodePicture("APIC", apic, 3, pic));
  EXPECT_EQ(pic.PictureType, 3);
  EXPECT_EQ(pic.Data, jpeg);
  const std::string v22 = std::string("\x00JPG\x04\x00", 6) + jpeg;
  ASSERT_TRUE(TZTLID3v2Codec::DecodePicture("PIC", v22, 2, pic));
  EXPECT_EQ(pic.PictureType, 4);
  EXPECT_EQ(pic.Data, jpeg);
  EXPECT_FALSE(TZTLID3v2Codec::DecodePicture("APIC", std::string("\x00image/jpeg", 11), 3, pic));
  EXPECT_FALSE(TZTLID3v2Codec::DecodePicture("APIC", "", 3, pic));

  std::vector<TZTLID3v2Chapter> chapters(300);
  for (size_t i = 0; i < chapters.size(); ++i) chapters[i] = {u"C" + String(1, u'0' + i % 10), i * 1.5, i * 1.5 + 1};
  std::string frames;
  TZTLID3v2Codec::WriteChapters(frames, chapters);
  TZTLID3v2Frames read = ReadFrames(Tag(3, frames));
  ASSERT_EQ(read.size(), 256u);  // the table and 255 chapters
  EXPECT_EQ(read[0].ID, "CTOC");
  EXPECT_EQ(static_cast<Byte>(read[0].Data[13]), 255);
  TZTLID3v2Chapter c;
  ASSERT_TRUE(TZTLID3v2Codec::DecodeChapter(read[3].Data, 3, c));
  EXPECT_EQ(c.Title, u"C2");
  EXPECT_DOUBLE_EQ(c.Start, 3.0);
  EXPECT_DOUBLE_EQ(c.Finish, 4.0);
  EXPECT_FALSE(TZTLID3v2Codec::DecodeChapter(std::string("Ch1\0\0\0", 6), 3, c));
  // Without a title frame the element identifier names the chapter.
  ASSERT_TRUE(TZTLID3v2Codec::DecodeChapter(std::string("Ch9\0", 4) + std::string(16, '\0'), 3, c));
  EXPECT_EQ(c.Title, u"Ch9");
}

TEST(ID3v2, BuildPadsAndReusesTheExistingSize) {
  struct {
    size_t Content;
    Int64 Existing;
    size_t Expected;
  } cases[] = {{300, 0, 4096}, {5000, 10000, 10000}, {5000, 200000, 5010}, {300, 200000, 4096}, {8000, 5000, 8010}};
  for (const auto& c : cases) {
    std::string frames;
    TZTLID3v2Codec::WriteFrame(frames, "PRIV", std::string(c.Content - 10, 'x'));
    std::string tag;
    TZTLID3v2Codec::Build(frames, tag, c.Existing, true);
    EXPECT_EQ(tag.size(), c.Expected) << "case " << (&c - cases);
    TFile f(tag);
    EXPECT_EQ(TZTLID3v2Codec::GetTagSize(&f.Stream, 0), static_cast<Int64>(tag.size()));
  }
  std::string frames;
  TZTLID3v2Codec::WriteFrame(frames, "TIT2", "");
  TZTLID3v2Codec::WriteFrame(frames, "TOOLONG", "x");
  EXPECT_EQ(frames, "");
}

TEST(ID3v2, ReplaceMovesAudioOnlyWhenTheSizeChanges) {
  TFile f(Tag(3, Frame(3, "TIT2", "\x00T"s), 0, 10000 - 10 - 12) + Audio);
  std::string frames;
  TZTLID3v2Codec::WriteFrame(frames, "TIT2", "\x00New"s);
  std::string tag;
  TZTLID3v2Codec::Build(frames, tag, TZTLID3v2Codec::GetTagSize(&f.Stream, 0), true);
  TZTLID3v2Codec::Replace(&f.Stream, tag);
  EXPECT_EQ(f.Bytes(), tag + Audio);
  EXPECT_EQ(tag.size(), 10000u);
  // A version-4 footer goes with the old tag.
  std::string v4 = Tag(4, Frame(4, "TIT2", "\x00T"s), 0x10);
  v4 += "3DI" + v4.substr(3, 7);
  TFile g(v4 + Audio);
  TZTLID3v2Codec::Replace(&g.Stream, "");
  EXPECT_EQ(g.Bytes(), Audio);
}
