#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "os/OS.Clipboard.h"
#include "os/OS.DragDrop.h"
#include "rtl/RTL.Encoding.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Clipboard.h"

namespace {

std::vector<String> Names(TZCLStringList* List) {
  std::unique_ptr<TZCLStringList> owned(List);
  return owned ? owned->ToArray() : std::vector<String>{};
}

std::vector<Byte> BlockBytes(HGLOBAL Block) {
  const auto* data = static_cast<const Byte*>(GlobalLock(Block));
  std::vector<Byte> bytes(data, data + GlobalSize(Block));
  GlobalUnlock(Block);
  return bytes;
}

// A DROPFILES header followed by Tail.
std::vector<Byte> DropBlock(uint32_t Offset, bool Wide, const std::vector<Byte>& Tail) {
  std::vector<Byte> block(20 + Tail.size(), 0);
  std::memcpy(block.data(), &Offset, 4);
  block[16] = Wide ? 1 : 0;
  std::copy(Tail.begin(), Tail.end(), block.begin() + 20);
  return block;
}

std::vector<Byte> Utf16(const String& Text) {
  std::vector<Byte> bytes(Text.size() * 2);
  std::memcpy(bytes.data(), Text.data(), bytes.size());
  return bytes;
}

TEST(ZclGlobalMemory, FileListBlockHasTheLayoutAndRoundTrips) {
  TZCLStringList files;
  files.AddStrings({u"a", u"bc"});
  HGLOBAL block = TZCLGlobalMemory::EncodeFiles(&files);
  ASSERT_NE(block, nullptr);
  // 20 header bytes, then a NUL b c NUL NUL as UTF-16: 20 + 2 * 6.
  const std::vector<Byte> bytes = BlockBytes(block);
  ASSERT_EQ(bytes.size(), 32u);
  const std::vector<Byte> expected = {20,   0,    0,    0,    0,   0, 0, 0, 0,   0, 0,   0, 0, 0, 0, 0,
                                      0xFF, 0xFF, 0xFF, 0xFF, 'a', 0, 0, 0, 'b', 0, 'c', 0, 0, 0, 0, 0};
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(Names(TZCLGlobalMemory::DecodeFiles(block)), (std::vector<String>{u"a", u"bc"}));
  GlobalFree(block);

  // U+4E00 has a low byte of 0 and must not end the list.
  TZCLStringList wide;
  wide.AddStrings({u"\u4E00\u4E00.txt", u"/tmp/x"});
  block = TZCLGlobalMemory::EncodeFiles(&wide);
  EXPECT_EQ(Names(TZCLGlobalMemory::DecodeFiles(block)), wide.ToArray());
  GlobalFree(block);

  TZCLStringList empty;
  block = TZCLGlobalMemory::EncodeFiles(&empty);
  EXPECT_EQ(GlobalSize(block), 22u);
  EXPECT_EQ(TZCLGlobalMemory::DecodeFiles(block), nullptr);
  GlobalFree(block);
}

TEST(ZclGlobalMemory, DamagedFileListsDecodeWithinTheBlock) {
  struct TCase {
    const char* What;
    std::vector<Byte> Block;
    std::vector<String> Expected;
  };
  const std::vector<Byte> ab = Utf16(String(u"ab\0c\0\0", 6));
  std::vector<Byte> unterminated = Utf16(String(u"ab\0cd", 5));
  const TCase cases[] = {
      {"shorter than the header", std::vector<Byte>(19, 0), {}},
      {"list starts with a zero character", DropBlock(20, true, {0, 0, 'x', 0, 0, 0}), {}},
      {"offset past the end", DropBlock(4000, true, ab), {}},
      {"offset at the end", DropBlock(32, true, ab), {}},
      {"offset inside the header", DropBlock(18, true, {}), {}},
      {"last name cut off", DropBlock(20, true, unterminated), {u"ab"}},
      {"odd size", DropBlock(20, true, {'a', 0, 0, 0, 'b'}), {u"a"}},
      {"odd offset", DropBlock(21, true, {0, 'a', 0, 0, 0, 0, 0}), {u"a"}},
      {"ANSI cut off", DropBlock(20, false, {'x', 0, 'y', 'z'}), {u"x"}},
      {"ANSI", DropBlock(20, false, {'x', 0, 'y', 'z', 0, 0}), {u"x", u"yz"}},
  };
  for (const TCase& c : cases) {
    // A heap copy of exactly the block's size, so a read past it is caught by the sanitizers.
    std::unique_ptr<Byte[]> copy(new Byte[c.Block.size()]);
    std::memcpy(copy.get(), c.Block.data(), c.Block.size());
    EXPECT_EQ(Names(TZCLGlobalMemory::DecodeFiles(copy.get(), c.Block.size())), c.Expected) << c.What;
    HGLOBAL block = TZCLGlobalMemory::Alloc(c.Block.data(), c.Block.size());
    EXPECT_EQ(Names(TZCLGlobalMemory::DecodeFiles(block)), c.Expected) << c.What;
    GlobalFree(block);
  }
  EXPECT_EQ(TZCLGlobalMemory::DecodeFiles(nullptr), nullptr);
}

TEST(ZclGlobalMemory, AnsiNamesInADoubleByteCodePageDecodeWhole) {
  const Integer previous = GetACP();
  SetACP(932);
  // Two kanji in Shift-JIS, whose second bytes are ordinary ASCII-range bytes.
  const std::vector<Byte> block = DropBlock(20, false, {0x93, 0xFA, 0x96, 0x7B, 0, 0x83, 0x5C, 0, 0});
  const std::vector<String> names = Names(TZCLGlobalMemory::DecodeFiles(block.data(), block.size()));
  SetACP(previous);
  EXPECT_EQ(names, (std::vector<String>{u"\u65E5\u672C", u"\u30BD"}));
}

TEST(ZclGlobalMemory, TextBlocksStopAtTheFirstZeroOrTheEnd) {
  const String text = u"h\u00e9llo";
  HGLOBAL block = TZCLGlobalMemory::Alloc(text.data(), text.size() * 2);  // no terminator
  EXPECT_EQ(TZCLGlobalMemory::DecodeText(block, true), text);
  GlobalFree(block);
  const char ansi[] = "caf\xE9\0rest";
  block = TZCLGlobalMemory::Alloc(ansi, sizeof ansi);
  EXPECT_EQ(TZCLGlobalMemory::DecodeText(block, false), u"caf\u00e9");
  GlobalFree(block);
  EXPECT_EQ(TZCLGlobalMemory::Alloc("x", 0), nullptr);
  EXPECT_EQ(TZCLGlobalMemory::DecodeText(nullptr, true), u"");
}

TEST(ZclGlobalMemory, StreamReadsTheBlockAndWritesNothing) {
  const Byte data[] = {1, 2, 3, 4};
  HGLOBAL block = TZCLGlobalMemory::Alloc(data, sizeof data);
  {
    TZCLGlobalMemoryStream stream(block);
    EXPECT_EQ(stream.GetSize(), 4);
    stream.Seek(2, TSeekOrigin::soBeginning);
    Byte read[4] = {};
    EXPECT_EQ(stream.Read(read, 4), 2);
    EXPECT_EQ(read[0], 3);
    stream.Seek(0, TSeekOrigin::soBeginning);
    const Byte other[] = {9, 9};
    EXPECT_EQ(stream.Write(other, 2), 0);
  }
  EXPECT_EQ(BlockBytes(block), (std::vector<Byte>{1, 2, 3, 4}));
  EXPECT_NE(GlobalLock(block), nullptr);  // unlocked, not freed
  GlobalUnlock(block);
  GlobalFree(block);
  TZCLGlobalMemoryStream none(nullptr);
  EXPECT_EQ(none.GetSize(), 0);
}

TEST(ZclGlobalMemory, MediaCarryBlocksAndReadByFormat) {
  const FORMATETC format = MakeFormatEtc(CF_HDROP);
  EXPECT_EQ(format.cfFormat, CF_HDROP);
  EXPECT_EQ(format.ptd, nullptr);
  EXPECT_EQ(format.dwAspect, 1u);
  EXPECT_EQ(format.lindex, -1);
  EXPECT_EQ(format.tymed, 1u);

  TZCLStringList files;
  files.AddStrings({u"a", u"bc"});
  STGMEDIUM medium;
  medium.tymed = TYMED_HGLOBAL;
  medium.hGlobal = TZCLGlobalMemory::EncodeFiles(&files);
  EXPECT_EQ(StgMediumToText(medium, CF_HDROP), u"a\r\nbc\r\n");
  TZCLStringList* decoded = nullptr;
  EXPECT_TRUE(StgMediumToFiles(medium, decoded));
  EXPECT_EQ(Names(decoded), files.ToArray());
  ReleaseStgMedium(medium);

  const String text = u"t\u00e9xt";
  ASSERT_TRUE(MakeStgMedium(text.c_str(), (text.size() + 1) * 2, medium));
  EXPECT_EQ(StgMediumToText(medium, CF_UNICODETEXT), text);
  TStream* stream = nullptr;
  ASSERT_TRUE(StgMediumToStream(medium, stream));
  EXPECT_EQ(stream->GetSize(), Int64((text.size() + 1) * 2));
  Free(stream);
  ReleaseStgMedium(medium);
  ASSERT_TRUE(MakeStgMedium("abc", 4, medium));
  EXPECT_EQ(StgMediumToText(medium, CF_TEXT), u"abc");
  EXPECT_EQ(StgMediumToText(medium, 0xC123), u"abc");
  EXPECT_EQ(StgMediumToText(medium, CF_HDROP), u"");
  medium.tymed = TYMED_ISTREAM;
  EXPECT_FALSE(StgMediumToFiles(medium, decoded));
  EXPECT_FALSE(StgMediumToStream(medium, stream));
  medium.tymed = TYMED_HGLOBAL;
  ReleaseStgMedium(medium);
  EXPECT_FALSE(MakeStgMedium("abc", 0, medium));
}

TEST(ZclGlobalMemory, ClipboardFormatsRoundTrip) {
  EXPECT_EQ(CF_ZEPH_CONFIG(), CF_ZEPH_CONFIG());
  EXPECT_GE(CF_ZEPH_CONFIG(), 0xC000u);
  EXPECT_NE(CF_ZEPH_CONFIG(), CF_ZEPH_URI_LIST());
  EXPECT_EQ(GetClipboardFormatName(CF_ZEPH_URI_LIST()), u"text/zeph-uri-list");
  EXPECT_EQ(GetClipboardFormatName(CF_SHELLIDLIST()), u"Shell IDList Array");

  TZCLStringList files;
  files.AddStrings({u"/music/one.mp3", u"/music/\u4E00.ogg"});
  ClipboardSetFiles(&files);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(Names(TZCLGlobalMemory::DecodeFiles(GetClipboardData(CF_HDROP))), files.ToArray());
  CloseClipboard();

  TMemoryStream config;
  const char text[] = "<config/>";
  config.Write(text, sizeof text - 1);
  ClipboardSetStream(CF_ZEPH_CONFIG(), &config);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL block = GetClipboardData(CF_ZEPH_CONFIG());
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(TZCLGlobalMemory::DecodeText(block, false), u"<config/>");
  EmptyClipboard();
  CloseClipboard();
}

}  // namespace
