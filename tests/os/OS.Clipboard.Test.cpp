#include "os/OS.Clipboard.h"

#include <gtest/gtest.h>

#include <cstring>

#include "support/TestSupport.h"

namespace {

HGLOBAL Bytes(const std::string& s) {
  HGLOBAL h = GlobalAlloc(GHND, s.size());
  std::memcpy(GlobalLock(h), s.data(), s.size());
  GlobalUnlock(h);
  return h;
}

std::string Read(HGLOBAL h) {
  std::string s(static_cast<const char*>(GlobalLock(h)), GlobalSize(h));
  GlobalUnlock(h);
  return s;
}

// Leaves the process clipboard empty and closed for the next test.
struct ClipboardTest : ::testing::Test {
  void TearDown() override {
    SetClipboardBridge(nullptr);
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
  }
};

TEST_F(ClipboardTest, SeveralFormatsAtOnce) {
  UINT object = RegisterClipboardFormat(u"ZEPHSE-OBJECT");
  UINT config = RegisterClipboardFormat(u"text/zeph-config");
  EXPECT_GE(object, 0xC000u);
  EXPECT_EQ(RegisterClipboardFormat(u"zephse-object"), object);
  EXPECT_NE(config, object);
  EXPECT_EQ(GetClipboardFormatName(config), u"text/zeph-config");

  HGLOBAL refused = Bytes("x");
  EXPECT_EQ(SetClipboardData(object, refused), nullptr);  // not open: the block stays the caller's
  EXPECT_EQ(GlobalFree(refused), nullptr);
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(OpenClipboard(nullptr));  // one opener at a time
  DWORD before = GetClipboardSequenceNumber();
  ASSERT_TRUE(EmptyClipboard());
  ASSERT_NE(SetClipboardData(object, Bytes("<object/>")), nullptr);
  ASSERT_NE(SetClipboardData(config, Bytes("[Main]")), nullptr);
  ASSERT_NE(SetClipboardData(config, Bytes("[Main]\r\nA=1")), nullptr);  // replaces and frees the first
  CloseClipboard();
  EXPECT_GT(GetClipboardSequenceNumber(), before);

  EXPECT_TRUE(IsClipboardFormatAvailable(object));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT));
  EXPECT_EQ(CountClipboardFormats(), 2);
  EXPECT_EQ(GetClipboardData(object), nullptr);  // closed
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_EQ(Read(GetClipboardData(object)), "<object/>");
  EXPECT_EQ(Read(GetClipboardData(config)), "[Main]\r\nA=1");
  EXPECT_EQ(EnumClipboardFormats(0), object);
  EXPECT_EQ(EnumClipboardFormats(object), config);
  EXPECT_EQ(EnumClipboardFormats(config), 0u);
  CloseClipboard();
}

TEST_F(ClipboardTest, DesktopBridgeExchangesText) {
  String desktop = u"from the desktop";
  int published = 0;
  TClipboardBridge bridge;
  bridge.GetText = [&](String& text) {
    text = desktop;
    return true;
  };
  bridge.SetText = [&](const String& text) {
    desktop = text;
    ++published;
  };
  SetClipboardBridge(&bridge);
  ASSERT_TRUE(OpenClipboard(nullptr));
  HGLOBAL text = GetClipboardData(CF_UNICODETEXT);
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(String(static_cast<const Char*>(GlobalLock(text))), u"from the desktop");
  GlobalUnlock(text);
  EmptyClipboard();
  String mine = u"copied here";
  HGLOBAL block = GlobalAlloc(GHND, (mine.size() + 1) * 2);
  std::memcpy(GlobalLock(block), mine.c_str(), (mine.size() + 1) * 2);
  GlobalUnlock(block);
  SetClipboardData(CF_UNICODETEXT, block);
  SetClipboardData(RegisterClipboardFormat(u"ZEPHSE-OBJECT"), Bytes("<o/>"));
  CloseClipboard();
  EXPECT_EQ(desktop, u"copied here");
  EXPECT_EQ(published, 1);
  // Our own text coming back from the desktop keeps the other formats.
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_TRUE(IsClipboardFormatAvailable(RegisterClipboardFormat(u"ZEPHSE-OBJECT")));
  CloseClipboard();
  desktop = u"newer on the desktop";
  ASSERT_TRUE(OpenClipboard(nullptr));
  EXPECT_FALSE(IsClipboardFormatAvailable(RegisterClipboardFormat(u"ZEPHSE-OBJECT")));
  CloseClipboard();
}

TEST(FileDropBlock, RoundTripAndBoundedDecoding) {
  // "a" and "bc": 20 header bytes, then a\0 b c \0 \0 in UTF-16: 32 bytes in all.
  HGLOBAL block = CreateFileDropBlock({u"a", u"bc"});
  EXPECT_EQ(GlobalSize(block), 32u);
  const auto* p = static_cast<const Byte*>(GlobalLock(block));
  EXPECT_EQ(p[0], 20);
  EXPECT_EQ(p[16], 1);
  GlobalUnlock(block);
  EXPECT_EQ(ReadFileDropBlock(block), (std::vector<String>{u"a", u"bc"}));
  GlobalFree(block);

  const Byte truncated[] = {20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 'a', 0, 0, 0, 'b'};
  EXPECT_EQ(ReadFileDropBlock(truncated, sizeof truncated), (std::vector<String>{u"a"}));
  const Byte leadingNul[] = {20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 'a', 0, 0, 0};
  EXPECT_TRUE(ReadFileDropBlock(leadingNul, sizeof leadingNul).empty());
  const Byte badOffset[] = {0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 'a', 0};
  EXPECT_TRUE(ReadFileDropBlock(badOffset, sizeof badOffset).empty());
  EXPECT_TRUE(ReadFileDropBlock(nullptr, 0).empty());
}

TEST(GlobalMemory, BlocksAreZeroedAndSized) {
  HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, 16);
  ASSERT_NE(h, nullptr);
  EXPECT_EQ(GlobalSize(h), 16u);
  auto* p = static_cast<Byte*>(GlobalLock(h));
  for (int i = 0; i < 16; ++i) EXPECT_EQ(p[i], 0);
  EXPECT_FALSE(GlobalUnlock(h));  // last lock released
  EXPECT_EQ(GlobalFree(h), nullptr);
  // A freed handle fails by result; nothing of the freed block is read.
  EXPECT_EQ(GlobalLock(h), nullptr);
  EXPECT_EQ(GlobalSize(h), 0u);
  EXPECT_FALSE(GlobalUnlock(h));
  EXPECT_EQ(GlobalFree(h), h);
  EXPECT_EQ(GlobalLock(nullptr), nullptr);
  EXPECT_EQ(GlobalSize(nullptr), 0u);
  HGLOBAL empty = GlobalAlloc(GHND, 0);
  EXPECT_NE(GlobalLock(empty), nullptr);
  GlobalUnlock(empty);
  GlobalFree(empty);
}

}  // namespace
