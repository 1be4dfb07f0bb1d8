#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <random>
#include <thread>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Exceptions.h"

namespace {
struct TEncodingDeleter {
  void operator()(TEncoding* E) const { TEncoding::FreeEncoding(E); }
};
using TEncodingPtr = std::unique_ptr<TEncoding, TEncodingDeleter>;

TEncodingPtr Encoding(Integer CodePage, bool Strict = false) {
  return TEncodingPtr(TEncoding::GetEncoding(CodePage, Strict));
}

TBytes Bytes(std::string_view Text) { return TBytes(Text.begin(), Text.end()); }

// True when every surrogate in the text belongs to a pair.
bool WellFormed(const String& Text) {
  for (size_t i = 0; i < Text.size(); ++i) {
    const Char c = Text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= Text.size() || Text[i + 1] < 0xDC00 || Text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}
}  // namespace

// Every code page the system's language files and formats name round-trips text of its own
// script, with the byte-order mark of the Unicode encodings.
TEST(Encoding, CodePagesRoundTripTheirScripts) {
  const String unicodeSample = u"Ünïcödé \U0001F600 日本 Ωμέγα";
  struct TCase {
    Integer CodePage;
    String Text;
    TBytes Preamble;
  } cases[] = {
      {874, u"ภาษาไทย", {}},
      {866, u"Привет, мир", {}},
      {932, u"日本語のテキスト", {}},
      {936, u"简体中文", {}},
      {949, u"한국어 텍스트", {}},
      {950, u"繁體中文", {}},
      {1250, u"Žluťoučký kůň", {}},
      {1251, u"Привет, мир", {}},
      {1252, u"Café crème € …", {}},
      {1253, u"Ελληνικά", {}},
      {1254, u"Türkçe ğış", {}},
      {1255, u"שלום", {}},
      {1256, u"مرحبا", {}},
      {1257, u"Ąžuolas ėę", {}},
      {1258, u"Đ đ ư ơ ₫", {}},
      {20866, u"Привет", {}},
      {28591, u"Café", {}},
      {28592, u"Łódź", {}},
      {28595, u"Привет", {}},
      {28597, u"Ελληνικά", {}},
      {28605, u"€ Œuvre", {}},
      {54936, unicodeSample, {}},
      {65001, unicodeSample, {0xEF, 0xBB, 0xBF}},
      {1200, unicodeSample, {0xFF, 0xFE}},
      {1201, unicodeSample, {0xFE, 0xFF}},
      {12000, unicodeSample, {0xFF, 0xFE, 0x00, 0x00}},
      {12001, unicodeSample, {0x00, 0x00, 0xFE, 0xFF}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.CodePage);
    auto encoding = Encoding(c.CodePage, true);
    EXPECT_EQ(encoding->GetCodePage(), c.CodePage);
    EXPECT_EQ(encoding->GetPreamble(), c.Preamble);
    const TBytes bytes = encoding->GetBytes(c.Text);
    EXPECT_EQ(encoding->GetByteCount(c.Text), static_cast<Integer>(bytes.size()));
    EXPECT_LE(static_cast<Integer>(bytes.size()), encoding->GetMaxByteCount(static_cast<Integer>(c.Text.size())));
    EXPECT_EQ(encoding->GetCharCount(bytes), static_cast<Integer>(c.Text.size()));
    EXPECT_LE(static_cast<Integer>(c.Text.size()), encoding->GetMaxCharCount(static_cast<Integer>(bytes.size())));
    EXPECT_EQ(encoding->GetString(bytes), c.Text);

    // With its mark in front, the buffer names its encoding (the three marks that are detected)
    // or at least confirms the encoding it was read with.
    TBytes marked = c.Preamble;
    marked.insert(marked.end(), bytes.begin(), bytes.end());
    TEncoding* detected = encoding.get();
    EXPECT_EQ(TEncoding::GetBufferEncoding(marked, detected), static_cast<Integer>(c.Preamble.size()));
    if (c.CodePage == 65001 || c.CodePage == 1200 || c.CodePage == 1201) {
      detected = nullptr;
      EXPECT_EQ(TEncoding::GetBufferEncoding(marked, detected), static_cast<Integer>(c.Preamble.size()));
      ASSERT_NE(detected, nullptr);
      EXPECT_EQ(detected->GetCodePage(), c.CodePage);
    }
  }
}

TEST(Encoding, EveryInstalledCodePageHasANameAndRoundTripsPlainText) {
  const auto codePages = GetInstalledCodePages();
  ASSERT_GE(codePages.size(), 40u);
  for (Integer codePage : codePages) {
    SCOPED_TRACE(codePage);
    TCodePageInfo info;
    ASSERT_TRUE(GetCodePageInfo(codePage, info));
    EXPECT_EQ(info.CodePageName.rfind(Format(u"%d (", {codePage}), 0), 0u);
    auto encoding = Encoding(codePage, true);
    EXPECT_EQ(encoding->GetString(encoding->GetBytes(u"Plain text 123")), u"Plain text 123");
    EXPECT_EQ(encoding->GetEncodingName(), info.CodePageName);
  }
  TCodePageInfo info;
  EXPECT_TRUE(GetCodePageInfo(1252, info));
  EXPECT_EQ(info.CodePageName, u"1252 (Western European - Windows)");
  EXPECT_FALSE(GetCodePageInfo(12345, info));
  EXPECT_THROW(Encoding(12345), EEncodingError);
}

TEST(Encoding, SharedEncodings) {
  EXPECT_EQ(TEncoding::GetUTF8()->GetCodePage(), CP_UTF8);
  EXPECT_EQ(TEncoding::GetUnicode()->GetCodePage(), CP_UTF16LE);
  EXPECT_EQ(TEncoding::GetBigEndianUnicode()->GetCodePage(), CP_UTF16BE);
  EXPECT_EQ(TEncoding::GetASCII()->GetCodePage(), CP_ASCII);
  EXPECT_EQ(GetACP(), 1252);
  EXPECT_EQ(TEncoding::GetANSI()->GetCodePage(), 1252);
  EXPECT_EQ(TEncoding::GetDefault(), TEncoding::GetANSI());
  EXPECT_TRUE(TEncoding::GetANSI()->IsSingleByte());
  EXPECT_FALSE(TEncoding::GetUTF8()->IsSingleByte());
  EXPECT_TRUE(TEncoding::IsStandardEncoding(TEncoding::GetUTF8()));
  TEncoding::FreeEncoding(TEncoding::GetUTF8());  // left alone
  EXPECT_EQ(TEncoding::GetUTF8()->GetString(Bytes("ok")), u"ok");

  // The ANSI code page can be changed by a later unit; the encodings handed out stay valid.
  TEncoding* western = TEncoding::GetANSI();
  SetACP(1251);
  EXPECT_EQ(TEncoding::GetANSI()->GetCodePage(), 1251);
  EXPECT_EQ(Encoding(CP_ACP)->GetCodePage(), 1251);
  EXPECT_EQ(western->GetString(TBytes{0xE9}), u"é");
  SetACP(1252);
  EXPECT_EQ(TEncoding::GetANSI(), western);
  EXPECT_THROW(SetACP(1200), EEncodingError);
  EXPECT_THROW(SetACP(4242), EEncodingError);
}

TEST(Encoding, GetEncodingByName) {
  const struct {
    const char16_t* Name;
    Integer CodePage;
  } cases[] = {
      {u"utf-8", 65001},       {u"UTF-8", 65001},   {u"utf-16", 1200},  {u"UTF-16BE", 1201},    {u"windows-1251", 1251},
      {u"Windows-1252", 1252}, {u"shift_jis", 932}, {u"koi8-r", 20866}, {u"iso-8859-2", 28592}, {u"us-ascii", 20127},
      {u"cp866", 866},         {u"gb2312", 936},    {u"big5", 950},     {u"gb18030", 54936},    {u"ISO-8859-15", 28605},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(StringToUTF8(c.Name));
    TEncodingPtr encoding(TEncoding::GetEncoding(StringView(c.Name)));
    EXPECT_EQ(encoding->GetCodePage(), c.CodePage);
  }
  EXPECT_THROW(TEncoding::GetEncoding(StringView(u"no-such-charset")), EEncodingError);
  EXPECT_THROW(TEncoding::GetEncoding(StringView(u"")), EEncodingError);
}

// Malformed UTF-8 decodes to U+FFFD, never to a lone surrogate; strict decoding refuses it.
TEST(Encoding, MalformedUtf8) {
  const struct {
    const char* Bytes;
    String Text;
  } cases[] = {
      {"\xED\xA0\x80", u"\uFFFD"},                    // an encoded surrogate
      {"\xED\xA0\x80\xED\xB0\x80", u"\uFFFD\uFFFD"},  // an encoded surrogate pair
      {"\xC0\xAF", u"\uFFFD\uFFFD"},                  // overlong
      {"\xF4\x90\x80\x80", u"\uFFFD"},                // above U+10FFFF
      {"a\xF0\x9F\x98", u"a\uFFFD"},                  // truncated at the end
      {"\x80x", u"\uFFFDx"},                          // lone continuation byte
      {"\xFF\xFE", u"\uFFFD\uFFFD"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},  // valid, for contrast
  };
  TEncoding* utf8 = TEncoding::GetUTF8();
  auto strict = Encoding(CP_UTF8, true);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Bytes);
    const TBytes bytes = Bytes(c.Bytes);
    EXPECT_EQ(utf8->GetString(bytes), c.Text);
    EXPECT_EQ(utf8->GetCharCount(bytes), static_cast<Integer>(c.Text.size()));
    const bool valid = c.Text.find(u'\uFFFD') == String::npos;
    EXPECT_EQ(utf8->IsValid(bytes.data(), static_cast<Integer>(bytes.size())), valid);
    if (valid)
      EXPECT_EQ(strict->GetString(bytes), c.Text);
    else
      EXPECT_THROW(strict->GetString(bytes), EEncodingError);
  }
}

// Random bytes in every code page: well-formed UTF-16 out, counts that match the conversion,
// and the UTF-8 decoder agrees with the core UTF8ToString.
TEST(Encoding, AnyBytesDecodeToWellFormedText) {
  std::mt19937 random(20261210);
  std::vector<TEncodingPtr> encodings;
  for (Integer codePage : GetInstalledCodePages()) encodings.push_back(Encoding(codePage));
  for (int round = 0; round < 200; ++round) {
    TBytes bytes(random() % 24);
    for (auto& b : bytes) b = static_cast<Byte>(random() % 4 == 0 ? 0x80 | random() : random());
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_EQ(TEncoding::GetUTF8()->GetString(bytes), UTF8ToString(text));
    for (const auto& encoding : encodings) {
      const String decoded = encoding->GetString(bytes);
      ASSERT_TRUE(WellFormed(decoded)) << encoding->GetCodePage();
      ASSERT_EQ(encoding->GetCharCount(bytes), static_cast<Integer>(decoded.size())) << encoding->GetCodePage();
    }
  }
}

TEST(Encoding, Utf16Decoding) {
  TEncoding* le = TEncoding::GetUnicode();
  TEncoding* be = TEncoding::GetBigEndianUnicode();
  EXPECT_EQ(le->GetString(TBytes{0x41, 0x00, 0x42, 0x00}), u"AB");
  EXPECT_EQ(be->GetString(TBytes{0x00, 0x41, 0x00, 0x42}), u"AB");
  // A lone low surrogate, and a high surrogate followed by a letter.
  EXPECT_EQ(le->GetString(TBytes{0x00, 0xDC, 0x41, 0x00}), u"\uFFFDA");
  EXPECT_EQ(le->GetString(TBytes{0x00, 0xD8, 0x41, 0x00}), u"\uFFFDA");
  EXPECT_THROW(Encoding(1200, true)->GetString(TBytes{0x00, 0xDC, 0x41, 0x00}), EEncodingError);
  // An odd byte or a high surrogate at the very end is an incomplete character: a chunked
  // reader carries it over, so a pair split between two chunks decodes whole.
  const TBytes smiley = le->GetBytes(u"a\U0001F600");
  ASSERT_EQ(smiley.size(), 6u);
  EXPECT_EQ(le->GetCharCount(smiley.data(), 5), 1);
  EXPECT_EQ(le->GetCharCount(smiley.data(), 4), 1);
  EXPECT_EQ(le->GetString(smiley.data(), 4) + le->GetString(smiley.data() + 2, 4), u"a\U0001F600");
  // Encoding: lone surrogates become U+FFFD, or raise in strict mode.
  EXPECT_EQ(le->GetBytes(String(1, Char(0xD800))), (TBytes{0xFD, 0xFF}));
  EXPECT_THROW(Encoding(1201, true)->GetBytes(String(1, Char(0xD800))), EEncodingError);
}

TEST(Encoding, UnmappableTextAndInvalidBytesInCodePages) {
  auto western = Encoding(1252);
  EXPECT_EQ(western->GetBytes(u"a€Жb"), Bytes("a\x80?b"));
  EXPECT_THROW(Encoding(1252, true)->GetBytes(u"Ж"), EEncodingError);
  EXPECT_EQ(TEncoding::GetASCII()->GetBytes(u"é"), Bytes("?"));

  // Shift-JIS: 0x82 needs a trail byte; 0x82 0x20 is no character.
  auto japanese = Encoding(932);
  const String decoded = japanese->GetString(Bytes("A\x82 B"));
  EXPECT_TRUE(WellFormed(decoded));
  EXPECT_NE(decoded.find(u'\uFFFD'), String::npos);
  EXPECT_FALSE(japanese->IsValid(reinterpret_cast<const Byte*>("A\x82 B"), 4));
  EXPECT_TRUE(japanese->IsValid(reinterpret_cast<const Byte*>("A\x82\xA0"), 3));
  EXPECT_THROW(Encoding(932, true)->GetString(Bytes("A\x82 B")), EEncodingError);
}

TEST(Encoding, ConvertAndIndexedForms) {
  const TBytes latin = TEncoding::Convert(TEncoding::GetUTF8(), Encoding(28591).get(), Bytes("Caf\xC3\xA9"));
  EXPECT_EQ(latin, Bytes("Caf\xE9"));
  EXPECT_EQ(TEncoding::GetUTF8()->GetString(Bytes("xxCafe"), 2, 4), u"Cafe");
  EXPECT_THROW(TEncoding::GetUTF8()->GetString(Bytes("abc"), 2, 2), EEncodingError);
  TBytes target(5, '.');
  EXPECT_EQ(TEncoding::GetUTF8()->GetBytes(u"abcd", 1, 2, target, 3), 2);
  EXPECT_EQ(target, Bytes("...bc"));
  EXPECT_THROW(TEncoding::GetUTF8()->GetBytes(u"abcd", 0, 3, target, 3), EEncodingError);
}

TEST(Encoding, WindowsStyleConverters) {
  // Size first, then convert; -1 counts the terminating NUL.
  const char* utf8 = "Gr\xC3\xBC\xC3\x9F";
  const Integer needed = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  ASSERT_EQ(needed, 5);
  String wide(static_cast<size_t>(needed), u'\0');
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), needed), 5);
  EXPECT_EQ(wide, String(u"Grüß\0", 5));

  const Integer bytesNeeded = WideCharToMultiByte(1252, 0, u"Grüß", 4, nullptr, 0);
  ASSERT_EQ(bytesNeeded, 4);
  std::string narrow(4, '\0');
  EXPECT_EQ(WideCharToMultiByte(1252, 0, u"Grüß", 4, narrow.data(), 4), 4);
  EXPECT_EQ(narrow, "Gr\xFC\xDF");
  EXPECT_EQ(WideCharToMultiByte(CP_ACP, 0, u"Grüß", 4, narrow.data(), 4), 4);

  // Failures: 0 with errno.
  Char small[2];
  errno = 0;
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "abc", 3, small, 2), 0);
  EXPECT_EQ(errno, ENOBUFS);
  errno = 0;
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xFF", 2, nullptr, 0), 0);
  EXPECT_EQ(errno, EILSEQ);
  EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, "a\xFF", 2, nullptr, 0), 2);
  errno = 0;
  EXPECT_EQ(WideCharToMultiByte(1252, WC_ERR_INVALID_CHARS, u"Ж", 1, nullptr, 0), 0);
  EXPECT_EQ(errno, EILSEQ);
  errno = 0;
  EXPECT_EQ(MultiByteToWideChar(4242, 0, "a", 1, nullptr, 0), 0);
  EXPECT_EQ(errno, EINVAL);
}

// Encoding objects are shared between threads; ICU converters are not, so each thread must get
// its own.
TEST(Encoding, SharedAcrossThreads) {
  auto japanese = Encoding(932);
  const String text = u"日本語のテキスト ABC";
  const TBytes bytes = japanese->GetBytes(text);
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 300; ++i) {
        if (japanese->GetString(bytes) != text || japanese->GetBytes(text) != bytes) ++mismatches;
        if (TEncoding::GetANSI()->GetCodePage() != 1252) ++mismatches;
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(mismatches.load(), 0);
}
