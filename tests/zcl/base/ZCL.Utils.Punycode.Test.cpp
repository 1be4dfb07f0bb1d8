#include <gtest/gtest.h>

#include <cctype>
#include <vector>

#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
String FromCodePoints(const std::vector<char32_t>& Points) {
  String s;
  for (char32_t c : Points) {
    if (c > 0xFFFF) {
      s += static_cast<Char>(0xD800 + ((c - 0x10000) >> 10));
      s += static_cast<Char>(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      s += static_cast<Char>(c);
    }
  }
  return s;
}

Integer EncodeTo(const String& Label, std::string& Out) {
  Integer length = 0;
  const Integer code = TZCLPunycode::Encode(Label.data(), static_cast<Integer>(Label.size()), length, nullptr);
  if (code != TZCLPunycode::Success) return code;
  Out.assign(static_cast<size_t>(length), '\0');
  return TZCLPunycode::Encode(Label.data(), static_cast<Integer>(Label.size()), length, Out.data());
}

Integer DecodeTo(const std::string& Text, String& Out) {
  Integer length = 0;
  const Integer code = TZCLPunycode::Decode(Text.data(), static_cast<Integer>(Text.size()), length, nullptr);
  if (code != TZCLPunycode::Success) return code;
  Out.assign(static_cast<size_t>(length), u'\0');
  return TZCLPunycode::Decode(Text.data(), static_cast<Integer>(Text.size()), length, Out.data());
}

// The samples print upper-case digits where the optional mixed-case annotation flags a letter;
// our encoder writes digits in lower case.
std::string LowerDigits(std::string S) {
  const size_t delimiter = S.rfind('-');
  for (size_t j = delimiter == std::string::npos ? 0 : delimiter + 1; j < S.size(); ++j)
    S[j] = static_cast<char>(std::tolower(static_cast<unsigned char>(S[j])));
  return S;
}

struct Sample {
  const char* Name;
  std::vector<char32_t> Points;
  std::string Ascii;
};

const std::vector<Sample>& RfcSamples() {
  static const std::vector<Sample> samples = {
      {"A Arabic",
       {0x0644, 0x064A, 0x0647, 0x0645, 0x0627, 0x0628, 0x062A, 0x0643, 0x0644, 0x0645, 0x0648, 0x0634, 0x0639, 0x0631,
        0x0628, 0x064A, 0x061F},
       "egbpdaj6bu4bxfgehfvwxn"},
      {"B Chinese simplified",
       {0x4ED6, 0x4EEC, 0x4E3A, 0x4EC0, 0x4E48, 0x4E0D, 0x8BF4, 0x4E2D, 0x6587},
       "ihqwcrb4cv8a8dqg056pqjye"},
      {"C Chinese traditional",
       {0x4ED6, 0x5011, 0x7232, 0x4EC0, 0x9EBD, 0x4E0D, 0x8AAA, 0x4E2D, 0x6587},
       "ihqwctvzc91f659drss3x8bo0yb"},
      {"D Czech",
       {0x0050, 0x0072, 0x006F, 0x010D, 0x0070, 0x0072, 0x006F, 0x0073, 0x0074, 0x011B, 0x006E,
        0x0065, 0x006D, 0x006C, 0x0075, 0x0076, 0x00ED, 0x010D, 0x0065, 0x0073, 0x006B, 0x0079},
       "Proprostnemluvesky-uyb24dma41a"},
      {"E Hebrew",
       {0x05DC, 0x05DE, 0x05D4, 0x05D4, 0x05DD, 0x05E4, 0x05E9, 0x05D5, 0x05D8, 0x05DC, 0x05D0,
        0x05DE, 0x05D3, 0x05D1, 0x05E8, 0x05D9, 0x05DD, 0x05E2, 0x05D1, 0x05E8, 0x05D9, 0x05EA},
       "4dbcagdahymbxekheh6e0a7fei0b"},
      {"F Hindi",
       {0x092F, 0x0939, 0x0932, 0x094B, 0x0917, 0x0939, 0x093F, 0x0928, 0x094D, 0x0926,
        0x0940, 0x0915, 0x094D, 0x092F, 0x094B, 0x0902, 0x0928, 0x0939, 0x0940, 0x0902,
        0x092C, 0x094B, 0x0932, 0x0938, 0x0915, 0x0924, 0x0947, 0x0939, 0x0948, 0x0902},
       "i1baa7eci9glrd9b2ae1bj0hfcgg6iyaf8o0a1dig0cd"},
      {"G Japanese",
       {0x306A, 0x305C, 0x307F, 0x3093, 0x306A, 0x65E5, 0x672C, 0x8A9E, 0x3092, 0x8A71, 0x3057, 0x3066, 0x304F, 0x308C,
        0x306A, 0x3044, 0x306E, 0x304B},
       "n8jok5ay5dzabd5bym9f0cm5685rrjetr6pdxa"},
      {"H Korean",
       {0xC138, 0xACC4, 0xC758, 0xBAA8, 0xB4E0, 0xC0AC, 0xB78C, 0xB4E4, 0xC774, 0xD55C, 0xAD6D, 0xC5B4,
        0xB97C, 0xC774, 0xD574, 0xD55C, 0xB2E4, 0xBA74, 0xC5BC, 0xB9C8, 0xB098, 0xC88B, 0xC744, 0xAE4C},
       "989aomsvi5e83db1d2a355cv1e0vak1dwrv93d5xbh15a0dt30a5jpsd879ccm6fea98c"},
      {"I Russian",
       {0x043F, 0x043E, 0x0447, 0x0435, 0x043C, 0x0443, 0x0436, 0x0435, 0x043E, 0x043D, 0x0438, 0x043D, 0x0435, 0x0433,
        0x043E, 0x0432, 0x043E, 0x0440, 0x044F, 0x0442, 0x043F, 0x043E, 0x0440, 0x0443, 0x0441, 0x0441, 0x043A, 0x0438},
       "b1abfaaepdrnnbgefbaDotcwatmq2g4l"},
      {"J Spanish",
       {0x0050, 0x006F, 0x0072, 0x0071, 0x0075, 0x00E9, 0x006E, 0x006F, 0x0070, 0x0075, 0x0065, 0x0064, 0x0065, 0x006E,
        0x0073, 0x0069, 0x006D, 0x0070, 0x006C, 0x0065, 0x006D, 0x0065, 0x006E, 0x0074, 0x0065, 0x0068, 0x0061, 0x0062,
        0x006C, 0x0061, 0x0072, 0x0065, 0x006E, 0x0045, 0x0073, 0x0070, 0x0061, 0x00F1, 0x006F, 0x006C},
       "PorqunopuedensimplementehablarenEspaol-fmd56a"},
      {"K Vietnamese",
       {0x0054, 0x1EA1, 0x0069, 0x0073, 0x0061, 0x006F, 0x0068, 0x1ECD, 0x006B, 0x0068, 0x00F4,
        0x006E, 0x0067, 0x0074, 0x0068, 0x1EC3, 0x0063, 0x0068, 0x1EC9, 0x006E, 0x00F3, 0x0069,
        0x0074, 0x0069, 0x1EBF, 0x006E, 0x0067, 0x0056, 0x0069, 0x1EC7, 0x0074},
       "TisaohkhngthchnitingVit-kjcr8268qyxafd2f1b9g"},
      {"L", {0x0033, 0x5E74, 0x0042, 0x7D44, 0x91D1, 0x516B, 0x5148, 0x751F}, "3B-ww4c5e180e575a65lsy2b"},
      {"M",
       {0x5B89, 0x5BA4, 0x5948, 0x7F8E, 0x6075, 0x002D, 0x0077, 0x0069, 0x0074, 0x0068, 0x002D, 0x0053,
        0x0055, 0x0050, 0x0045, 0x0052, 0x002D, 0x004D, 0x004F, 0x004E, 0x004B, 0x0045, 0x0059, 0x0053},
       "-with-SUPER-MONKEYS-pc58ag80a8qai00g7n9n"},
      {"N",
       {0x0048, 0x0065, 0x006C, 0x006C, 0x006F, 0x002D, 0x0041, 0x006E, 0x006F, 0x0074, 0x0068, 0x0065, 0x0072,
        0x002D, 0x0057, 0x0061, 0x0079, 0x002D, 0x305D, 0x308C, 0x305E, 0x308C, 0x306E, 0x5834, 0x6240},
       "Hello-Another-Way--fc4qua05auwb3674vfr0b"},
      {"O", {0x3072, 0x3068, 0x3064, 0x5C4B, 0x6839, 0x306E, 0x4E0B, 0x0032}, "2-u9tlzr9756bt3uc0v"},
      {"P",
       {0x004D, 0x0061, 0x006A, 0x0069, 0x3067, 0x004B, 0x006F, 0x0069, 0x3059, 0x308B, 0x0035, 0x79D2, 0x524D},
       "MajiKoi5-783gue6qz075azm5e"},
      {"Q", {0x30D1, 0x30D5, 0x30A3, 0x30FC, 0x0064, 0x0065, 0x30EB, 0x30F3, 0x30D0}, "de-jg4avhby1noc0d"},
      {"R", {0x305D, 0x306E, 0x30B9, 0x30D4, 0x30FC, 0x30C9, 0x3067}, "d9juau41awczczp"},
      {"S", {0x002D, 0x003E, 0x0020, 0x0024, 0x0031, 0x002E, 0x0030, 0x0030, 0x0020, 0x003C, 0x002D}, "-> $1.00 <--"},
  };
  return samples;
}
}  // namespace

TEST(Punycode, RfcSamplesEncodeAndDecode) {
  for (const Sample& s : RfcSamples()) {
    SCOPED_TRACE(s.Name);
    const String label = FromCodePoints(s.Points);
    std::string encoded;
    ASSERT_EQ(EncodeTo(label, encoded), TZCLPunycode::Success);
    EXPECT_EQ(encoded, LowerDigits(s.Ascii));
    String decoded;
    ASSERT_EQ(DecodeTo(s.Ascii, decoded), TZCLPunycode::Success);
    EXPECT_TRUE(decoded == label);
  }
}

TEST(Punycode, CodePointsBeyondTheBasicPlaneRoundTrip) {
  // A surrogate pair is one code point, not two 16-bit values.
  const String label = FromCodePoints({0x1F578, u'a', 0x10FFFF, 0x10000});
  std::string encoded;
  ASSERT_EQ(EncodeTo(label, encoded), TZCLPunycode::Success);
  String decoded;
  ASSERT_EQ(DecodeTo(encoded, decoded), TZCLPunycode::Success);
  EXPECT_TRUE(decoded == label);
  EXPECT_EQ(TZCLPunycode::DecodeDomain("xn--" + encoded + ".b"), label + u".b");
}

TEST(Punycode, BadInputAndOverflowFailCleanly) {
  Integer length = 5;
  EXPECT_EQ(TZCLPunycode::Encode(u"", 0, length, nullptr), TZCLPunycode::BadInput);
  EXPECT_EQ(TZCLPunycode::Decode("", 0, length, nullptr), TZCLPunycode::BadInput);
  EXPECT_EQ(length, 5);

  struct Case {
    std::string Text;
    Integer Code;
  };
  const Case cases[] = {
      {"bcher-kv", TZCLPunycode::BadInput},       // the number stops in the middle
      {"bcher-k!a", TZCLPunycode::BadInput},      // not a digit
      {"b\xc3\xbc-kva", TZCLPunycode::BadInput},  // basic part beyond ASCII
      {"99999999999", TZCLPunycode::Overflow},    // past 32 bits
      {"a-9999999a", TZCLPunycode::BadInput},     // beyond U+10FFFF
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Text);
    String out;
    EXPECT_EQ(DecodeTo(c.Text, out), c.Code);
  }
  // A lone surrogate is no code point.
  const Char lone[] = {u'a', 0xD800, u'b'};
  EXPECT_EQ(TZCLPunycode::Encode(lone, 3, length, nullptr), TZCLPunycode::BadInput);
}

TEST(Punycode, OutputCapacity) {
  const String label = u"b\u00FCcher";
  char buffer[16] = {};
  Integer length = 9;
  ASSERT_EQ(TZCLPunycode::Encode(label.data(), 6, length, buffer), TZCLPunycode::Success);
  EXPECT_EQ(std::string(buffer, 9), "bcher-kva");
  for (Integer capacity : {0, 5, 8}) {
    length = capacity;
    EXPECT_EQ(TZCLPunycode::Encode(label.data(), 6, length, buffer), TZCLPunycode::BigOutput) << capacity;
  }
  Char wide[8] = {};
  length = 5;
  EXPECT_EQ(TZCLPunycode::Decode("bcher-kva", 9, length, wide), TZCLPunycode::BigOutput);
  length = 6;
  ASSERT_EQ(TZCLPunycode::Decode("bcher-kva", 9, length, wide), TZCLPunycode::Success);
  EXPECT_EQ(length, 6);
  EXPECT_TRUE(String(wide, 6) == label);
}

TEST(Punycode, Domains) {
  EXPECT_EQ(TZCLPunycode::EncodeDomain(u"b\u00FCcher.b"), "xn--bcher-kva.b");
  EXPECT_EQ(TZCLPunycode::EncodeDomain(u""), "");
  EXPECT_EQ(TZCLPunycode::EncodeDomain(u"a..b"), "a..b");
  EXPECT_TRUE(TZCLPunycode::DecodeDomain("xn--bcher-kva.b") == u"b\u00FCcher.b");
  EXPECT_TRUE(TZCLPunycode::DecodeDomain("XN--bcher-kva.b") == u"XN--bcher-kva.b");
  EXPECT_TRUE(TZCLPunycode::DecodeDomain("a..xn--bcher-kva") == u"a..b\u00FCcher");
  // A label that does not decode is shown without its prefix.
  EXPECT_TRUE(TZCLPunycode::DecodeDomain("xn--bcher-k!a.b") == u"bcher-k!a.b");
  // The basic part ends at the last "-".
  String decoded;
  ASSERT_EQ(DecodeTo("a-b-kva", decoded), TZCLPunycode::Success);
  ASSERT_EQ(decoded.size(), 4u);
  String basic;
  for (Char c : decoded)
    if (c < 0x80) basic += c;
  EXPECT_EQ(basic, u"a-b");
}

TEST(Punycode, LabelsBeyondAsciiAlwaysEncode) {
  // Their encodings are as long as the label plus one, which must not pass for "nothing to encode".
  for (const String& label : {String(u"\u0080x"), String(u"\u0080")}) {
    std::string ascii;
    ASSERT_TRUE(TZCLPunycode::EncodeLabel(label, ascii));
    EXPECT_TRUE(TZCLPunycode::DecodeDomain("xn--" + ascii) == label);
    EXPECT_EQ(TZCLPunycode::EncodeDomain(label), "xn--" + ascii);
  }
  std::string ascii = "keep";
  EXPECT_FALSE(TZCLPunycode::EncodeLabel(u"plain-label", ascii));
  EXPECT_EQ(ascii, "keep");
  // A label that cannot be encoded stays as it is, as bytes.
  const Char lone[] = {u'a', 0xDC00};
  EXPECT_FALSE(TZCLPunycode::EncodeLabel(StringView(lone, 2), ascii));
  EXPECT_FALSE(TZCLPunycode::EncodeDomain(StringView(lone, 2)).empty());
}

TEST(Translit, EncodeAndDecode) {
  struct Case {
    String Cyrillic;
    String Latin;
  };
  const Case both[] = {
      {u"Щука", u"Schuka"}, {u"ёж", u"yozh"},  {u"Жук", u"Zhuk"},
      {u"Ёлка", u"Yolka"},  {u"йод", u"i'od"}, {u"Цирк 5", u"Tsirk 5"},
  };
  for (const Case& c : both) {
    EXPECT_TRUE(TZCLTranslit::Encode(c.Cyrillic) == c.Latin) << StringToUTF8(c.Cyrillic);
    EXPECT_TRUE(TZCLTranslit::Decode(c.Latin) == c.Cyrillic) << StringToUTF8(c.Latin);
  }
  EXPECT_TRUE(TZCLTranslit::Encode(u"abc") == u"abc");
  // Letters sharing a Latin form read back as the first of the table.
  EXPECT_TRUE(TZCLTranslit::Encode(u"эхо съел") == u"eho s'el");
  EXPECT_TRUE(TZCLTranslit::Decode(u"eho s'el") == u"ехо сьел");
  EXPECT_TRUE(TZCLTranslit::Decode(u"SCH") == u"Щ");
}
