#include <gtest/gtest.h>

#include <cstring>

#include "rtl/RTL.Streams.h"
#include "zeph/media/ZTL.Tags.APEv2.h"

namespace {

const std::string Audio = std::string(500, '\xAA');

void LE32(std::string& s, Cardinal v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Item(const std::string& Key, const std::string& Value, Cardinal Flags = 0, Cardinal Size = ~0u) {
  std::string s;
  LE32(s, Size == ~0u ? static_cast<Cardinal>(Value.size()) : Size);
  LE32(s, Flags);
  return s + Key + '\0' + Value;
}

std::string Frame(const char* Kind, const std::string& Items, Cardinal Count, Cardinal Flags, Cardinal Size) {
  std::string s = Kind;
  LE32(s, 2000);
  LE32(s, Size);
  LE32(s, Count);
  LE32(s, Flags);
  s += std::string(8, '\0');
  (void)Items;
  return s;
}

std::string Tag(const std::string& Items, Cardinal Count, bool Header = false) {
  const Cardinal size = static_cast<Cardinal>(Items.size() + 32);
  const Cardinal flags = Header ? APEv2FlagHasHeader : 0;
  std::string out = Header ? Frame("APETAGEX", "", Count, flags | APEv2FlagIsHeader, size) : "";
  return out + Items + Frame("APETAGEX", "", Count, flags, size);
}

std::string ID3v1() {
  std::string b(128, '\0');
  std::memcpy(b.data(), "TAGTitle", 8);
  return b;
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

TEST(APEv2, ReadsItemsInFrontOfID3v1) {
  const std::string items = Item("Artist", std::string("a\0b", 3)) + Item("Big", std::string(70000, 'x')) +
                            Item("Cover Art (Front)", std::string("c.jpg\0JPEG", 10), APEv2ItemBinary) +
                            Item("Title", "T");
  TFile f(Audio + Tag(items, 4) + ID3v1());
  std::vector<TZTLAPEv2Item> read;
  EXPECT_EQ(TZTLAPEv2Codec::Read(&f.Stream, read), items.size() + 32);
  ASSERT_EQ(read.size(), 4u);
  EXPECT_EQ(read[0].Key, "Artist");
  EXPECT_EQ(read[0].Value, std::string("a\0b", 3));
  EXPECT_EQ(read[1].Value.size(), 70000u);
  EXPECT_TRUE(read[2].IsBinary());
  EXPECT_EQ(read[3].Value, "T");
}

TEST(APEv2, DamagedFootersAndItemsAreNoTag) {
  struct {
    std::string Bytes;
    size_t Items;
  } cases[] = {
      {Audio + Frame("APETAGEX", "", 0, 0, 8), 0},                   // tag size below 32
      {Audio + Frame("APETAGEX", "", 1, 0, 100000), 0},              // larger than the file
      {Audio + Tag(Item("A", "1") + Item("B", "2", 0, 999), 2), 1},  // second value runs past the tag
      {Audio + Tag(Item("A", "1"), 1000), 1},                        // count beyond the items
  };
  for (auto& c : cases) {
    TFile f(c.Bytes);
    std::vector<TZTLAPEv2Item> read;
    TZTLAPEv2Codec::Read(&f.Stream, read);
    EXPECT_EQ(read.size(), c.Items) << "case " << (&c - cases);
    // A save appends and never cuts into bytes that were no valid tag.
    TZTLAPEv2Codec::Write(&f.Stream, {}, true);
    const std::string after = f.Bytes();
    if (c.Items == 0) EXPECT_EQ(after, c.Bytes) << "case " << (&c - cases);
  }
}

TEST(APEv2, WritesFooterAndKeepsTrailingBlocks) {
  const std::string trail =
      "LYRICSBEGIN"
      "000011LYRICS200" +
      ID3v1();
  TFile f(Audio + Tag(Item("Old", "x"), 1, true) + trail);
  TZTLAPEv2Codec::Write(&f.Stream, {{"Title", 0, "New"}}, false);
  std::string bytes = f.Bytes();
  const std::string expected = Audio + Item("Title", "New");
  ASSERT_EQ(bytes.size(), expected.size() + 32 + trail.size());
  EXPECT_EQ(bytes.substr(0, expected.size()), expected);  // the old header went with the old tag
  EXPECT_EQ(bytes.substr(bytes.size() - trail.size()), trail);
  Cardinal flags;
  std::memcpy(&flags, bytes.data() + expected.size() + 20, 4);
  EXPECT_EQ(flags & APEv2FlagHasHeader, 0u);
  std::vector<TZTLAPEv2Item> read;
  TZTLAPEv2Codec::Read(&f.Stream, read);
  ASSERT_EQ(read.size(), 1u);
  EXPECT_EQ(read[0].Value, "New");
  // An empty save is a footer alone; Delete removes the tag and keeps the trail.
  TZTLAPEv2Codec::Write(&f.Stream, {}, false);
  EXPECT_EQ(f.Bytes().size(), Audio.size() + 32 + trail.size());
  TZTLAPEv2Codec::Write(&f.Stream, {}, true);
  EXPECT_EQ(f.Bytes(), Audio + trail);
  // A stream of at most 32 bytes has an empty tag; writing appends one.
  TFile small("abc");
  EXPECT_EQ(TZTLAPEv2Codec::Read(&small.Stream, read), 0u);
  TZTLAPEv2Codec::Write(&small.Stream, {}, false);
  EXPECT_EQ(small.Bytes().size(), 35u);
  // A file that is only a footer keeps one footer however often it is saved.
  TFile empty("");
  TZTLAPEv2Codec::Write(&empty.Stream, {}, false);
  TZTLAPEv2Codec::Write(&empty.Stream, {}, false);
  EXPECT_EQ(empty.Bytes().size(), 32u);
}
