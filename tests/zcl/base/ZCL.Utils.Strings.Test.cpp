#include "zcl/base/ZCL.Utils.Strings.h"

#include <gtest/gtest.h>

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Base.TestUtil.h"

namespace {
std::string U8(const String& S) { return StringToUTF8(S); }
}  // namespace

TEST(StringBuilder, AppendsGrowAndRangeErrors) {
  TZCLStringBuilder* b = Create<TZCLStringBuilder>(2);
  b->Append(u"ab").Append(u'c').Append(42).Append(u"abcdef", 2, -1).AppendFormat(u"<%d>", {7});
  EXPECT_EQ(U8(b->ToString()), "abc42cdef<7>");
  EXPECT_GE(b->GetCapacity(), b->GetLength());
  EXPECT_EQ(U8(b->ToString(3, 2)), "42");
  b->SetLength(0);
  b->Append(-7).Append(u' ').Append(MaxInt).Append(u' ').Append(-MaxInt - 1).Append(0);
  EXPECT_EQ(U8(b->ToString()), "-7 2147483647 -21474836480");
  EXPECT_EQ(RaisedMessage<ERangeError>([&] { b->Append(u"abc", 5, 3); }), "List index out of bounds (5)");
  EXPECT_EQ(RaisedMessage<ERangeError>([&] { b->Append(u"abc", 1, 3); }), "List index out of bounds (3)");
  EXPECT_EQ(RaisedMessage<ERangeError>([&] { b->Insert(-1, u"x"); }), "Parameter Index cannot be a negative value");
  EXPECT_EQ(RaisedMessage<ERangeError>([&] { b->SetLength(-1); }), "Parameter Value cannot be a negative value");
  EXPECT_EQ(RaisedMessage<ERangeError>([&] { b->ToString(0, -1); }), "Parameter ACount cannot be a negative value");
  EXPECT_EQ(RaisedMessage<ERangeError>([&] { b->Insert(99, u"x"); }), "List index out of bounds (99)");
  EXPECT_EQ(RaisedMessage<ERangeError>([&] { b->SetCapacity(1); }), "List capacity out of bounds (1)");
  Free(b);
}

TEST(StringBuilder, InsertIntoFullBuilderAndTrim) {
  TZCLStringBuilder* b = Create<TZCLStringBuilder>(3);
  b->Append(u"abc");
  b->Insert(0, u"-").Insert(4, u"!").Insert(2, u"..");
  EXPECT_EQ(U8(b->ToString()), "-a..bc!");
  b->SetLength(0);
  b->Append(u" \t  ");
  EXPECT_EQ(b->ToTrimmedString(), u"");
  b->Append(u"x y\r\n");
  EXPECT_EQ(b->ToTrimmedString(), u"x y");
  Free(b);
}

TEST(StringBuilder, PoolKeepsNewestFourAndDropsHuge) {
  TZCLStringBuilder::ClearPool();
  TZCLStringBuilder* b[5];
  for (auto*& x : b) x = Create<TZCLStringBuilder>(8);
  for (auto* x : b) TZCLStringBuilder::Release(x);  // the fifth release drops b[0]
  for (int i = 4; i >= 1; --i) {
    TZCLStringBuilder* got = TZCLStringBuilder::Get(5);
    EXPECT_EQ(got, b[i]);
    EXPECT_EQ(got->GetLength(), 0);
    EXPECT_EQ(got->GetCapacity(), 5);
    b[i] = got;
  }
  for (int i = 1; i <= 4; ++i) Free(b[i]);
  TZCLStringBuilder* huge = Create<TZCLStringBuilder>(1 << 20);
  TZCLStringBuilder::Release(huge);  // freed, not pooled
  TZCLStringBuilder* fresh = TZCLStringBuilder::Get(4);
  EXPECT_LT(fresh->GetCapacity(), 1 << 20);
  TZCLStringBuilder::Release(fresh);
  TZCLStringBuilder::ClearPool();
}

TEST(StringRoutines, Explode) {
  struct {
    const char16_t* text;
    std::vector<std::string> parts;
  } cases[] = {{u"a,b", {"a", "b"}}, {u"a,", {"a", ""}}, {u",a", {"", "a"}}, {u"a,,b", {"a", "", "b"}},
               {u"a;b,c", {"a", "b", "c"}}};
  for (const auto& c : cases) {
    std::vector<String> parts;
    EXPECT_EQ(zcExplodeString(c.text, u",;", parts), static_cast<Integer>(c.parts.size()));
    std::vector<std::string> got;
    for (auto& p : parts) got.push_back(U8(p));
    EXPECT_EQ(got, c.parts) << U8(c.text);
  }
  std::vector<String> parts;
  EXPECT_EQ(zcExplodeString(u"", u",", parts), 0);
  ASSERT_EQ(parts.size(), 1u);
  int seen = 0;
  EXPECT_EQ(zcExplodeString(u"a,b,c", u",", [&](const Char*, const Char*, bool& goOn) { goOn = ++seen < 2; }), 2);
  Integer ints[3] = {-1, -1, -1};
  EXPECT_EQ(zcExplodeStringAsIntegerArray(u"10, 20,30,40", u',', ints, 3), 3);
  EXPECT_EQ(ints[0], 10);
  EXPECT_EQ(ints[1], 0);
  EXPECT_EQ(ints[2], 30);
}

TEST(StringRoutines, LogicalCompare) {
  struct {
    const char16_t *a, *b;
    Integer expected;
  } cases[] = {{u"file2", u"file10", -1},
               {u"a01", u"a1", 0},
               {u"", u"a", -1},
               {u"a", u"", 1},
               {u"abc", u"ABD", -1},
               {u"x\uFF11\uFF12", u"x9", 1},
               // Digit runs beyond 64 bits compare by value, not by a wrapped difference.
               {u"n99999999999999999999", u"n100000000000000000000", -1},
               {u"n18446744073709551617", u"n1", 1},
               {u"n9223372036854775807", u"n9223372036854775808", -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(zcLogicalCompare(c.a, c.b, true), c.expected) << U8(c.a) << " vs " << U8(c.b);
    EXPECT_EQ(zcLogicalCompare(c.b, c.a, true), -c.expected) << U8(c.b) << " vs " << U8(c.a);
  }
}

TEST(StringRoutines, PosWholeWordsAndReplace) {
  EXPECT_EQ(zcPos(u"cat", u"a cat.", false, true, 1), 3);
  EXPECT_EQ(zcPos(u"cat", u"concat", false, true, 1), 0);
  EXPECT_EQ(zcPos(u"cat", u"cats", false, true, 1), 0);
  EXPECT_EQ(zcPos(u"cat", u"cat", false, true, 1), 1);
  EXPECT_EQ(zcPos(u"cat", u"cats cat", false, true, 1), 6);
  EXPECT_EQ(zcPos(u"CAT", u"a cat", true, 1), 3);
  // Positions are those of the text itself, whatever case mapping does to its length.
  EXPECT_EQ(zcPos(u"x", u"\u00dfx", true, 1), 2);
  EXPECT_EQ(zcPos(u"X", u"stra\u00dfe x", true, true, 1), 8);
  EXPECT_EQ(zcPos(u"a", u"aba", false, 2), 3);
  EXPECT_EQ(zcStringReplace(u"aaa", u"a", u"b"), u"bbb");
  EXPECT_EQ(zcStringReplace(u"Abc abc", u"ABC", u"x", true), u"x x");
  EXPECT_EQ(zcStringReplace(u"\u00df ab", u"AB", u"x", true), u"\u00df x");
  EXPECT_EQ(zcStringReplace(u"abc", u"", u"x"), u"abc");
  EXPECT_EQ(zcStringReplace(u"cat concat cat", u"cat", u"dog", false, true), u"dog concat dog");
  EXPECT_EQ(zcStringReplace(u"xay", u"a", u"aa"), u"xaay");
}

TEST(StringRoutines, EditingAndCase) {
  EXPECT_EQ(zcTrim(String(u" \t\0x y\r\n\0", 9)), u"x y");
  EXPECT_EQ(zcTrim(u" \t "), u"");
  EXPECT_EQ(zcRemoveAccents(u"\u00CBl\u00EFse \u00D1 \u0159"), u"Elise \u00D1 r");
  EXPECT_EQ(zcCapitalizeWords(u"hello world-wide"), u"Hello World-Wide");
  EXPECT_EQ(zcCapitalizeWords(u"o'neil rock-n-roll"), u"O'neil Rock-N-Roll");
  EXPECT_EQ(zcUpperCaseFirstLetter(u"12 ABC"), u"12 Abc");
  EXPECT_EQ(zcDupeString(u"ab", 3), u"ababab");
  EXPECT_EQ(zcDupeString(u"ab", 0), u"");
  EXPECT_EQ(zcRemoveChar(u"a-b-c", u'-'), u"abc");
  EXPECT_EQ(zcReplaceChars(u"a-b_c", u"-_", u' '), u"a b c");
  EXPECT_TRUE(zcBeginsWith(u"Hello", u"he", true));
  EXPECT_FALSE(zcBeginsWith(u"He", u"Hello"));
  EXPECT_TRUE(zcEndsWith(u"Hello", u"LO", true));
  EXPECT_TRUE(zcSameTextOneOf(u"b", {u"A", u"B"}));
  EXPECT_EQ(zcMakeString(u"abc", 0), u"");
}

TEST(StringRoutines, TextFormsOfValues) {
  const TRect r = zcStringToRect(u"1,2,3");
  EXPECT_EQ(zcRectToString(r), u"1,2,3,0");
  EXPECT_EQ(zcRectToString(zcStringToRect(u"")), u"0,0,0,0");
  EXPECT_EQ(zcPointToString(zcStringToPoint(u"-4,x")), u"-4,0");
  String name;
  Integer color, height, style;
  zcStringToFont(u"Segoe UI,255,-12,3,extra", name, color, height, style);
  EXPECT_EQ(name, u"Segoe UI");
  EXPECT_EQ(color, 255);
  EXPECT_EQ(height, -12);
  EXPECT_EQ(style, zcFontStyleItalic | zcFontStyleBold);
  EXPECT_EQ(zcFontToString(name, color, height, style), u"Segoe UI,255,-12,3");
  zcStringToFont(u"Arial", name, color, height, style);
  EXPECT_EQ(name, u"Arial");
  EXPECT_EQ(color, 0);
}

TEST(StringRoutines, StrPLCopyAlwaysTerminates) {
  Char buf[4];
  zcStrPLCopy(buf, u"abcdef", 4);
  EXPECT_EQ(String(buf, 4), String(u"abc\0", 4));
  zcStrPLCopy(buf, u"a", 4);
  EXPECT_EQ(String(buf, 4), String(u"a\0\0\0", 4));
}

TEST(StringRoutines, NumbersAndSizes) {
  struct {
    const char16_t* text;
    bool ok;
    Int64 value;
  } cases[] = {{u"-123", true, -123}, {u"\uFF11\uFF12", true, 12}, {u"", false, 0},
               {u"-", false, 0},      {u"+1", false, 0},           {u" 1", false, 0}};
  for (const auto& c : cases) {
    Int64 v = 0;
    const StringView s(c.text);
    EXPECT_EQ(zcTryStrToInt64(s.data(), static_cast<Integer>(s.size()), v), c.ok) << U8(c.text);
    if (c.ok) {
      EXPECT_EQ(v, c.value);
    }
  }
  EXPECT_EQ(zcFormatSize(0), u"0 B");
  EXPECT_EQ(zcFormatSize(1023), u"1023 B");
  EXPECT_EQ(zcFormatSize(1024), u"1" + String(1, FormatSettings.DecimalSeparator) + u"00 KB");
  EXPECT_EQ(zcFormatSize(-2048), u"-2" + String(1, FormatSettings.DecimalSeparator) + u"00 KB");
  EXPECT_EQ(zcFormatSize(Int64(2) << 30, false), u"2048" + String(1, FormatSettings.DecimalSeparator) + u"00 MB");
  EXPECT_EQ(zcIntToTwoDigits(7), u"07");
  EXPECT_EQ(zcFormatFloat(u"0.0", 1.25, true), u"+1.3");
}

TEST(StringRoutines, FindBytes) {
  const char buf[] = "xxabcabd";
  Integer pos = -1;
  EXPECT_TRUE(zcFindAnsiString("abd", buf, 8, 0, pos));
  EXPECT_EQ(pos, 5);
  EXPECT_FALSE(zcFindAnsiString("abd", buf, 7, 0, pos));  // would run past the length
  EXPECT_FALSE(zcFindAnsiString("", buf, 8, 0, pos));
  EXPECT_TRUE(zcFindAnsiString("ab", buf, 8, 3, pos));
  EXPECT_EQ(pos, 5);
  const String wide = u"hello";
  EXPECT_TRUE(zcFindString(u"ll", wide.data(), 10, 0, pos));
  EXPECT_EQ(pos, 4);
}

TEST(Hexcode, EncodeDecode) {
  const Byte bytes[] = {0x00, 0xAB, 0xFF};
  EXPECT_EQ(TZCLHexcode::Encode(bytes, 3), u"00abff");
  EXPECT_EQ(TZCLHexcode::DecodeByte(u'A', u'f'), 175);
  EXPECT_EQ(TZCLHexcode::DecodeByte(u'g', u'0'), 0);
  Char word[4];
  EXPECT_EQ(TZCLHexcode::EncodeWord(0x12ab, word), word + 4);
  EXPECT_EQ(String(word, 4), u"12ab");
  TMemoryStream s;
  s.WriteBuffer("\x01\x02\x03\x04", 4);
  s.SetPosition(1);
  EXPECT_TRUE(TZCLHexcode::Decode(u"AbCd", &s));
  EXPECT_EQ(s.GetPosition(), 3);
  EXPECT_EQ(TZCLHexcode::EncodeStream(&s), u"01abcd04");
  // A failed decode leaves the stream as it was.
  for (StringView bad : {StringView(u"00zz"), StringView(u"abc"), StringView(u"")}) {
    s.SetPosition(1);
    EXPECT_FALSE(TZCLHexcode::Decode(bad, &s));
    EXPECT_EQ(s.GetPosition(), 1);
    EXPECT_EQ(TZCLHexcode::EncodeStream(&s), u"01abcd04");
  }
}

TEST(Mimecode, Rfc4648Vectors) {
  const char* vectors[][2] = {{"", ""},           {"f", "Zg=="},         {"fo", "Zm8="},
                              {"foo", "Zm9v"},     {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
                              {"foobar", "Zm9vYmFy"}, {"M", "TQ=="},      {"Man", "TWFu"}};
  for (auto& v : vectors) {
    const std::string plain = v[0];
    EXPECT_EQ(TZCLMimecode::EncodeToString(plain.data(), static_cast<Integer>(plain.size())), v[1]);
    TMemoryStream out;
    ASSERT_TRUE(TZCLMimecode::Decode(v[1], &out)) << v[1];
    EXPECT_EQ(out.GetPosition(), 0);
    EXPECT_EQ(std::string(static_cast<const char*>(out.GetMemory()), static_cast<size_t>(out.GetSize())), plain);
  }
  TMemoryStream* enc = TZCLMimecode::Encode("Ma", 2);
  EXPECT_EQ(std::string(static_cast<const char*>(enc->GetMemory()), static_cast<size_t>(enc->GetSize())), "TWE=");
  EXPECT_EQ(enc->GetPosition(), 0);
  Free(enc);
}

TEST(Mimecode, RejectsMalformedText) {
  for (const char* bad : {"Zg=", "Z", "Zm9", "Z=g=", "=Zg=", "Zg==Zg==", "Zm9v!A==", "Zg===", "===="}) {
    TMemoryStream out;
    out.WriteBuffer("junk", 4);
    EXPECT_FALSE(TZCLMimecode::Decode(bad, &out)) << bad;
    EXPECT_EQ(out.GetSize(), 0) << bad;
  }
}

TEST(TimeFormat, FormatRoundsUpToSmallestPart) {
  const TZCLTimeParts hms = TimePart(tpHours) | TimePart(tpMinutes) | TimePart(tpSeconds);
  EXPECT_EQ(TZCLTimeFormat::Format(3725.4f, hms, u":", false), u"01:02:06");
  EXPECT_EQ(TZCLTimeFormat::Format(3725.4f, hms | TimePart(tpMilliseconds), u":", false), u"01:02:05.400");
  EXPECT_EQ(TZCLTimeFormat::Format(65, hms, true), u"1:05");
  EXPECT_EQ(TZCLTimeFormat::Format(-65, hms, false), u"-00:01:05");
  EXPECT_EQ(TZCLTimeFormat::Format(61, TimePart(tpMinutes), false), u"02");
  EXPECT_EQ(TZCLTimeFormat::FormatWithPattern(3725, u"HMS;:;Z"), u"1:02:05");
  EXPECT_EQ(TZCLTimeFormat::FormatWithPattern(3725, u"HMS;-"), u"01-02-05");
  EXPECT_EQ(TZCLTimeFormat::FormatWithPattern(3725, u"hms"), u"");
}

TEST(TimeFormat, Parse) {
  struct {
    const char16_t* text;
    bool ok;
    double seconds;
    size_t stop;
  } cases[] = {{u"3:25", true, 205, 4},          {u"01:02:03.250]", true, 3723.25, 12},
               {u"0:01.5 x", true, 1.5, 6},      {u"0:00.34", true, 0.34, 7},
               {u"1:2", false, 0, 0},            {u"12:34x", false, 0, 0},
               {u"1:23:4", false, 0, 0},         {u"1:23.", false, 0, 0},
               {u"x1:23", false, 0, 0}};
  for (const auto& c : cases) {
    const Char* p = c.text;
    double seconds = -1;
    EXPECT_EQ(TZCLTimeFormat::Parse(p, seconds), c.ok) << U8(c.text);
    if (c.ok) {
      EXPECT_NEAR(seconds, c.seconds, 1e-9) << U8(c.text);
      EXPECT_EQ(static_cast<size_t>(p - c.text), c.stop) << U8(c.text);
    } else {
      EXPECT_EQ(p, c.text);
    }
  }
}

TEST(SearchString, AllWordsEachStretchOnce) {
  const struct {
    const char16_t* mask;
    const char16_t* text;
    bool match;
  } cases[] = {{u"rock roll", u"Roll the rock", true},
               {u"rock roll", u"rock only", false},
               {u"Rock-n-Roll", u"rocknroll band", true},
               {u"\"rock roll\"", u"roll rock", false},
               {u"\"rock roll\"", u"Rock Roll!", true},
               {u"a a", u"a", false},
               {u"a a", u"a ba", true},
               {u"rock", u"ROCKET", true},
               {u"\u00E9l\u00E8ve", u"ELEVE", true},
               {u"", u"anything", true}};
  for (const auto& c : cases) {
    TZCLSearchString* s = Create<TZCLSearchString>(c.mask, true);
    EXPECT_EQ(s->Compare(c.text), c.match) << U8(c.mask) << " / " << U8(c.text);
    Free(s);
  }
  TZCLSearchString* s = Create<TZCLSearchString>(u"rock roll", true);
  s->BeginCompare();
  s->CompareCore(u"rock");
  s->CompareCore(u"and roll");
  EXPECT_TRUE(s->EndCompare());
  EXPECT_FALSE(s->IsNumeric());
  s->SetValue(u"42");
  EXPECT_TRUE(s->IsNumeric());
  Free(s);
}

TEST(AppVersion, TextForms) {
  EXPECT_EQ(TZCLAppVersion::Create(5400, 0, u"", 0).ToString(), u"5.40");
  EXPECT_EQ(TZCLAppVersion::Create(5400, 0, u"", 0).ToDisplayString(), u"v5.40");
  EXPECT_EQ(TZCLAppVersion::Create(5400, 1430, u"", 0).ToString(), u"5.40.1430");
  EXPECT_EQ(TZCLAppVersion::Create(5419, 7, u"beta", 0).ToString(), u"5.41.7 beta");
  EXPECT_EQ(TZCLAppVersion::Create(5400, 0, u"", EncodeDate(2024, 3, 9).Value).ToDisplayString(),
            u"v5.40 (09.03.2024)");
}

TEST(StringRoutines, ExtractBetween) {
  struct {
    const char16_t *Text, *Start, *End, *Expected;
  } cases[] = {
      {u"TITLE \"Song\" rest", u"title \"", u"\"", u"Song"},  // start marker ignores case
      {u"<a>one<a>two</a>", u"<a>", u"</a>", u"one<a>two"},   // first start, next end
      {u"key=value", u"KEY=", u";", u"value"},                // no end marker: to the end
      {u"no marker here", u"[", u"]", u""},
      {u"x[]y", u"[", u"]", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(zcExtractBetween(c.Text, c.Start, c.End), c.Expected) << "case " << (&c - cases);
}

TEST(ReadLineAndToken, SplitRunsAtEveryTerminator) {
  const String text = u"a\r\nbc\rd\n\nlast";
  const Char* cur = text.data();
  Integer left = static_cast<Integer>(text.size());
  StringView line;
  std::vector<std::pair<std::string, bool>> got;
  while (left > 0) {
    const bool ok = zcReadLine(cur, left, line);
    got.emplace_back(U8(String(line)), ok);
  }
  const std::vector<std::pair<std::string, bool>> want = {
      {"a", true}, {"bc", true}, {"d", true}, {"", false}, {"last", true}};
  EXPECT_EQ(got, want);
  EXPECT_FALSE(zcReadLine(cur, left, line));
  EXPECT_EQ(left, 0);

  const String fields = u"x||yz";
  cur = fields.data();
  left = static_cast<Integer>(fields.size());
  StringView part;
  EXPECT_TRUE(zcReadToken(cur, left, part, u'|'));
  EXPECT_EQ(U8(String(part)), "x");
  EXPECT_FALSE(zcReadToken(cur, left, part, u'|'));
  EXPECT_TRUE(zcReadToken(cur, left, part, u'|'));
  EXPECT_EQ(U8(String(part)), "yz");
  EXPECT_EQ(left, 0);
  EXPECT_FALSE(zcReadToken(cur, left, part, u'|'));
}
