#include <gtest/gtest.h>

#include <thread>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Utils.Encodings.h"

namespace {
TBytes Bytes(TMemoryStream& S) {
  const Byte* p = static_cast<const Byte*>(S.GetMemory());
  return TBytes(p, p + S.GetSize());
}

void Load(TMemoryStream& S, const TBytes& Data) {
  S.WriteBuffer(Data.data(), static_cast<Integer>(Data.size()));
  S.SetPosition(0);
}

std::string Raw(std::initializer_list<int> Values) {
  std::string s;
  for (int v : Values) s += static_cast<char>(v);
  return s;
}
}  // namespace

TEST(ZCLEncodings, CodePageCacheSharesObjectsAndAnsiIsNotCached) {
  EXPECT_EQ(TZCLEncodings::Get(0), TEncoding::GetANSI());
  EXPECT_EQ(TZCLEncodings::Default(), TEncoding::GetANSI());
  TEncoding* cp1251 = TZCLEncodings::Get(1251);
  EXPECT_EQ(cp1251->GetCodePage(), 1251);
  EXPECT_EQ(TZCLEncodings::Get(1251), cp1251);
  EXPECT_EQ(TZCLEncodings::Get(u"windows-1251"), cp1251);
  EXPECT_EQ(TZCLEncodings::Get(u"UTF-8"), TEncoding::GetUTF8());
  EXPECT_EQ(TZCLEncodings::ASCII(), TEncoding::GetASCII());
  EXPECT_THROW(TZCLEncodings::Get(u"no-such-encoding"), EEncodingError);
  EXPECT_THROW(TZCLEncodings::Get(987654), EEncodingError);
}

TEST(ZCLEncodings, ConcurrentFirstUseYieldsOneObject) {
  std::vector<TEncoding*> seen(8, nullptr);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i) threads.emplace_back([&seen, i] { seen[i] = TZCLEncodings::Get(1253); });
  for (auto& t : threads) t.join();
  for (TEncoding* e : seen) EXPECT_EQ(e, seen[0]);
}

TEST(ZCLEncodings, StreamReadTextDetectsMarkOrFallsBack) {
  struct Case {
    TBytes Data;
    TEncoding* Given;
    String Text;
    TEncoding* Used;
  };
  const Case cases[] = {
      {{0xEF, 0xBB, 0xBF, 0x41}, nullptr, u"A", TEncoding::GetUTF8()},
      {{0xFF, 0xFE, 0x41, 0x00, 0x42, 0x00, 0x43}, nullptr, u"AB", TEncoding::GetUnicode()},  // odd byte dropped
      {{0xFE, 0xFF, 0x00, 0x41}, nullptr, u"A", TEncoding::GetBigEndianUnicode()},
      {{0xE9, 0x41}, nullptr, u"\u00E9A", TEncoding::GetANSI()},
      {{0xC3, 0xA9}, TEncoding::GetUTF8(), u"\u00E9", TEncoding::GetUTF8()},
      {{}, nullptr, u"", TEncoding::GetANSI()},
  };
  for (const Case& c : cases) {
    TMemoryStream s;
    Load(s, c.Data);
    TEncoding* used = nullptr;
    EXPECT_EQ(zcStreamReadText(&s, c.Given, used), c.Text);
    EXPECT_EQ(used, c.Used);
  }
}

TEST(ZCLEncodings, DetectLeavesStreamAfterMarkAndReadAtEndIsEmpty) {
  TMemoryStream s;
  Load(s, {0xEF, 0xBB, 0xBF, 0x41});
  EXPECT_EQ(zcDetectEncoding(&s, nullptr), TEncoding::GetUTF8());
  EXPECT_EQ(s.GetPosition(), 3);
  s.SetPosition(s.GetSize());
  EXPECT_EQ(zcStreamReadText(&s, nullptr), u"");

  TEncoding* e = nullptr;
  EXPECT_EQ(zcDetectEncoding(TBytes{0x41, 0x42}, e, TEncoding::GetUTF8()), 0);
  EXPECT_EQ(e, TEncoding::GetUTF8());
  EXPECT_EQ(zcDetectEncoding(TBytes{0xFF, 0xFE}, e, nullptr), 2);
  EXPECT_TRUE(zcIsUTF16LE(e));
}

TEST(ZCLEncodings, StrictDecodingErrorFallsBackToAnsiKeepingReportedEncoding) {
  TEncoding* strict = TEncoding::GetEncoding(CP_UTF8, true);
  TMemoryStream s;
  Load(s, {0x41, 0xE9});
  TEncoding* used = nullptr;
  EXPECT_EQ(zcStreamReadText(&s, strict, used), u"A\u00E9");
  EXPECT_EQ(used, strict);
  TEncoding::FreeEncoding(strict);
}

TEST(ZCLEncodings, StreamWriteTextWritesPreambles) {
  struct Case {
    TEncoding* Encoding;
    bool Bom;
    TBytes Expected;
  };
  const Case cases[] = {
      {nullptr, true, {0xFF, 0xFE, 0xE9, 0x00, 0x0D, 0x00, 0x0A, 0x00}},
      {nullptr, false, {0xE9, 0x00, 0x0D, 0x00, 0x0A, 0x00}},
      {TEncoding::GetUTF8(), true, {0xEF, 0xBB, 0xBF, 0xC3, 0xA9, 0x0D, 0x0A}},
      {TEncoding::GetANSI(), true, {0xE9, 0x0D, 0x0A}},
  };
  for (const Case& c : cases) {
    TMemoryStream s;
    zcStreamWriteText(&s, u"\u00E9\r\n", c.Encoding, c.Bom);
    EXPECT_EQ(Bytes(s), c.Expected);
    s.SetPosition(0);
    if (c.Bom) {
      EXPECT_EQ(zcStreamReadText(&s, nullptr), u"\u00E9\r\n");
    }
  }
}

TEST(ZCLEncodings, CodePageConversionsFollowDefaultCodePage) {
  EXPECT_EQ(zcUnicodeToAnsi(u"\u00E9"), Raw({0xE9}));
  EXPECT_EQ(zcAnsiToUnicode(Raw({0xE9})), u"\u00E9");
  EXPECT_EQ(zcUnicodeToAnsiCP(u"\u0416", 1251), Raw({0xC6}));
  EXPECT_EQ(zcAnsiToUnicode(Raw({0xC6}), 1251), u"\u0416");
  EXPECT_EQ(zcAnsiToUnicode(nullptr, 5, 1251), u"");
  EXPECT_EQ(zcUnicodeToAnsiCP(u"x", 987654), "");

  zcDefaultCodePage = 1251;
  EXPECT_EQ(zcUnicodeToAnsiCP(u"\u0416", -1), Raw({0xC6}));
  EXPECT_EQ(zcAnsiToUnicodeDefaultCP(Raw({0xC6})), u"\u0416");
  EXPECT_EQ(zcAnsiToUnicode(Raw({0xC6}), -1), u"\u0416");
  zcDefaultCodePage = 0;
  EXPECT_EQ(zcAnsiToUnicodeDefaultCP(Raw({0xE9})), u"\u00E9");
}

TEST(ZCLEncodings, RawBytesAndNonAscii) {
  const Char chars[] = {0x41, 0x1E9, 0xFF};
  EXPECT_EQ(zcStringToRawBytes(chars, 3), Raw({0x41, 0xE9, 0xFF}));
  const Byte bytes[] = {0x41, 0xE9};
  EXPECT_EQ(zcRawBytesToString(bytes, 2), u"A\u00E9");
  EXPECT_EQ(zcRawBytesToString(bytes, 0), u"");
  EXPECT_EQ(zcRawBytesToString(bytes, -1), u"");
  EXPECT_FALSE(zcHasNonASCIIChars(u"abc~"));
  EXPECT_TRUE(zcHasNonASCIIChars(u"ab\u007F"));
}

TEST(ZCLEncodings, DecodeUTF8AcceptsValidAndRejectsMalformed) {
  struct Case {
    std::string Bytes;
    String Text;  // empty: rejected
  };
  const Case cases[] = {
      {Raw({0xC3, 0xA9}), u"\u00E9"},
      {Raw({0xF0, 0x9F, 0x98, 0x80}), u"\xD83D\xDE00"},
      {Raw({0xF4, 0x8F, 0xBF, 0xBF}), u"\xDBFF\xDFFF"},  // U+10FFFF
      {"abc", u"abc"},
      {Raw({0xC3}), u""},
      {Raw({0x80}), u""},
      {Raw({0xE2, 0x28, 0xA1}), u""},              // bad continuation
      {Raw({0xF4, 0x90, 0x80, 0x80}), u""},        // U+110000
      {Raw({0xF5, 0x80, 0x80, 0x80}), u""},        // lead byte past the range
      {Raw({0xF8, 0x88, 0x80, 0x80, 0x80}), u""},  // five-byte form
      {Raw({0xFF}), u""},
      {Raw({0xED, 0xA0, 0x80}), u""},  // encoded surrogate
      {Raw({0xC0, 0xAF}), u""},        // overlong "/"
      {Raw({0xE0, 0x80, 0xAF}), u""},  // overlong "/"
  };
  for (const Case& c : cases) {
    const String& expected = c.Text;
    EXPECT_EQ(zcDecodeUTF8(c.Bytes), expected) << testing::PrintToString(c.Bytes);
    EXPECT_EQ(zcIsValidUTF8(reinterpret_cast<const Byte*>(c.Bytes.data()), static_cast<Integer>(c.Bytes.size())),
              !expected.empty());
  }
  EXPECT_EQ(zcDecodeUTF8(""), u"");
  EXPECT_FALSE(zcIsValidUTF8(nullptr, 3));
  EXPECT_EQ(zcEncodeUTF8(u"\u00E9\xD83D\xDE00"), Raw({0xC3, 0xA9, 0xF0, 0x9F, 0x98, 0x80}));
  EXPECT_EQ(zcEncodeUTF8(u""), "");
}

TEST(ZCLEncodings, UTF8ToUnicodeBufCountsFillsAndStopsBeforeSplitPair) {
  const std::string s = Raw({0x41, 0xF0, 0x9F, 0x98, 0x80, 0x42});
  const auto* p = reinterpret_cast<const Byte*>(s.data());
  EXPECT_EQ(zcUTF8ToUnicodeBuf(nullptr, 0, p, 6), 4);
  Char buf[4] = {1, 1, 1, 1};
  EXPECT_EQ(zcUTF8ToUnicodeBuf(buf, 2, p, 6), 1);  // the pair does not fit behind "A"
  EXPECT_EQ(buf[0], u'A');
  EXPECT_EQ(buf[1], 0);
  EXPECT_EQ(buf[2], 1);  // beyond the capacity nothing is touched
  EXPECT_EQ(zcUTF8ToUnicodeBuf(buf, 4, p, 6), 4);
  EXPECT_EQ(String(buf, 4),
            u"A\xD83D\xDE00"
            u"B");
  EXPECT_EQ(zcUTF8ToUnicodeBuf(buf, 4, nullptr, 6), 0);
}

TEST(ZCLEncodings, CharLength) {
  const String text = u"a\xD83D\xDE00\xD800";
  EXPECT_EQ(zcCharLength(text.c_str()), 1);
  EXPECT_EQ(zcCharLength(text.c_str() + 1), 2);
  EXPECT_EQ(zcCharLength(text.c_str() + 3), 1);  // unpaired at the end
  EXPECT_EQ(zcCharLength(text, 2), 2);
  EXPECT_EQ(zcCharLength(text, 3), 1);
  EXPECT_EQ(zcCharLength(text, 4), 1);
  EXPECT_EQ(zcCharLength(text, 0), 1);
  EXPECT_EQ(zcCharLength(text, 9), 1);
}

TEST(ZCLEncodings, LineBreaks) {
  const String mixed = u"a\r\nb\rc\nd";
  EXPECT_EQ(zcEncodeLineBreaks(mixed), u"a\\nb\\nc\\nd");
  EXPECT_EQ(zcDecodeLineBreaks(u"a\\nb\\nc\\nd"), u"a\r\nb\r\nc\r\nd");
  EXPECT_EQ(zcDecodeLineBreaks(u"end\\"), u"end\\");
  EXPECT_EQ(zcRemoveLineBreaks(mixed), u"abcd");
  EXPECT_EQ(zcReplaceLineBreaks(u"\n\r\r\n", u" "), u"   ");
  // A replacement holding a line break is not replaced again.
  EXPECT_EQ(zcReplaceLineBreaks(u"a\rb", u"\r\n"), u"a\r\nb");
}
