#include "rtl/RTL.Encoding.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ucnv_err.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>

#include "rtl/RTL.Exceptions.h"

namespace {

// ---------------------------------------------------------------------------------------------
// The code pages this system knows: Windows number, ICU converter, name.

struct TCodePageEntry {
  Integer CodePage;
  const char* Converter;
  const char16_t* Name;
};

const TCodePageEntry GCodePages[] = {
    {437, "cp437", u"OEM United States"},
    {737, "cp737", u"OEM Greek"},
    {775, "cp775", u"OEM Baltic"},
    {850, "cp850", u"OEM Multilingual Latin 1"},
    {852, "cp852", u"OEM Latin 2"},
    {855, "cp855", u"OEM Cyrillic"},
    {857, "cp857", u"OEM Turkish"},
    {858, "cp858", u"OEM Multilingual Latin 1 + Euro"},
    {860, "cp860", u"OEM Portuguese"},
    {861, "cp861", u"OEM Icelandic"},
    {862, "cp862", u"OEM Hebrew"},
    {863, "cp863", u"OEM French Canadian"},
    {864, "cp864", u"OEM Arabic"},
    {865, "cp865", u"OEM Nordic"},
    {866, "cp866", u"OEM Russian"},
    {869, "cp869", u"OEM Modern Greek"},
    {874, "windows-874", u"Thai - Windows"},
    {932, "windows-932", u"Japanese - Shift-JIS"},
    {936, "windows-936", u"Chinese Simplified - GBK"},
    {949, "windows-949", u"Korean - Unified Hangul"},
    {950, "windows-950", u"Chinese Traditional - Big5"},
    {1200, "UTF-16LE", u"Unicode - UTF-16 LE"},
    {1201, "UTF-16BE", u"Unicode - UTF-16 BE"},
    {1250, "windows-1250", u"Central European - Windows"},
    {1251, "windows-1251", u"Cyrillic - Windows"},
    {1252, "windows-1252", u"Western European - Windows"},
    {1253, "windows-1253", u"Greek - Windows"},
    {1254, "windows-1254", u"Turkish - Windows"},
    {1255, "windows-1255", u"Hebrew - Windows"},
    {1256, "windows-1256", u"Arabic - Windows"},
    {1257, "windows-1257", u"Baltic - Windows"},
    {1258, "windows-1258", u"Vietnamese - Windows"},
    {10000, "macintosh", u"Western European - Mac"},
    {10007, "x-mac-cyrillic", u"Cyrillic - Mac"},
    {10029, "x-mac-centraleurroman", u"Central European - Mac"},
    {12000, "UTF-32LE", u"Unicode - UTF-32 LE"},
    {12001, "UTF-32BE", u"Unicode - UTF-32 BE"},
    {20127, "US-ASCII", u"US-ASCII"},
    {20866, "KOI8-R", u"Cyrillic - KOI8-R"},
    {21866, "KOI8-U", u"Cyrillic - KOI8-U"},
    {28591, "ISO-8859-1", u"ISO 8859-1 Latin 1"},
    {28592, "ISO-8859-2", u"ISO 8859-2 Central European"},
    {28593, "ISO-8859-3", u"ISO 8859-3 Latin 3"},
    {28594, "ISO-8859-4", u"ISO 8859-4 Baltic"},
    {28595, "ISO-8859-5", u"ISO 8859-5 Cyrillic"},
    {28596, "ISO-8859-6", u"ISO 8859-6 Arabic"},
    {28597, "ISO-8859-7", u"ISO 8859-7 Greek"},
    {28598, "ISO-8859-8", u"ISO 8859-8 Hebrew"},
    {28599, "ISO-8859-9", u"ISO 8859-9 Turkish"},
    {28603, "ISO-8859-13", u"ISO 8859-13 Estonian"},
    {28605, "ISO-8859-15", u"ISO 8859-15 Latin 9"},
    {50220, "ISO-2022-JP", u"Japanese - ISO-2022-JP"},
    {51932, "EUC-JP", u"Japanese - EUC"},
    {51949, "EUC-KR", u"Korean - EUC"},
    {54936, "GB18030", u"Chinese Simplified - GB18030"},
    {65000, "UTF-7", u"Unicode - UTF-7"},
    {65001, "UTF-8", u"Unicode - UTF-8"},
};

const TCodePageEntry* FindCodePage(Integer CodePage) {
  for (const auto& entry : GCodePages)
    if (entry.CodePage == CodePage) return &entry;
  return nullptr;
}

// Names that Windows resolves differently from ICU's aliases.
struct TNameAlias {
  const char* Name;
  Integer CodePage;
};
const TNameAlias GNameAliases[] = {
    {"utf-8", CP_UTF8},      {"utf8", CP_UTF8},        {"utf-16", CP_UTF16LE},      {"utf-16le", CP_UTF16LE},
    {"unicode", CP_UTF16LE}, {"utf-16be", CP_UTF16BE}, {"unicodefffe", CP_UTF16BE}, {"utf-32", 12000},
    {"gb2312", 936},         {"ks_c_5601-1987", 949},  {"ascii", CP_ASCII},         {"us-ascii", CP_ASCII},
};

bool SameAsciiText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x += 32;
    if (y >= 'A' && y <= 'Z') y += 32;
    if (x != y) return false;
  }
  return true;
}

// ---------------------------------------------------------------------------------------------
// ICU converters are not thread-safe; each thread keeps its own, one per converter name.

struct TConverterCache {
  std::map<std::string, UConverter*> Map;
  ~TConverterCache() {
    for (auto& item : Map) ucnv_close(item.second);
  }
};

UConverter* AcquireConverter(const std::string& Name) {
  thread_local TConverterCache cache;
  auto it = cache.Map.find(Name);
  if (it != cache.Map.end()) {
    ucnv_reset(it->second);
    return it->second;
  }
  UErrorCode status = U_ZERO_ERROR;
  UConverter* conv = ucnv_open(Name.c_str(), &status);
  if (U_FAILURE(status) || !conv) throw EEncodingError(u"Invalid code page");
  cache.Map.emplace(Name, conv);
  return conv;
}

// The ICU name of the converter behind a converter alias; empty when ICU does not know it.
std::string CanonicalConverterName(const char* Alias) {
  UErrorCode status = U_ZERO_ERROR;
  UConverter* conv = ucnv_open(Alias, &status);
  if (U_FAILURE(status) || !conv) return {};
  std::string name = ucnv_getName(conv, &status);
  ucnv_close(conv);
  return U_SUCCESS(status) ? name : std::string();
}

// The installed code pages: the entries whose converter ICU has. Built once, immutable.
struct TInstalledCodePage {
  const TCodePageEntry* Entry;
  std::string Canonical;
  Integer MaxCharSize;
};

const std::vector<TInstalledCodePage>& InstalledCodePages() {
  static const std::vector<TInstalledCodePage> list = [] {
    std::vector<TInstalledCodePage> result;
    for (const auto& entry : GCodePages) {
      UErrorCode status = U_ZERO_ERROR;
      UConverter* conv = ucnv_open(entry.Converter, &status);
      if (U_FAILURE(status) || !conv) continue;
      const char* name = ucnv_getName(conv, &status);
      result.push_back({&entry, name ? name : "", ucnv_getMaxCharSize(conv)});
      ucnv_close(conv);
    }
    return result;
  }();
  return list;
}

const TInstalledCodePage* FindInstalled(Integer CodePage) {
  for (const auto& item : InstalledCodePages())
    if (item.Entry->CodePage == CodePage) return &item;
  return nullptr;
}

Integer ResolveCodePageAlias(Integer CodePage) {
  switch (CodePage) {
    case CP_ACP:
    case CP_THREAD_ACP:
      return GetACP();
    case CP_OEMCP:
      return GetOEMCP();
    case CP_MACCP:
      return 10000;
    default:
      return CodePage;
  }
}

void CheckCount(Integer Count) {
  if (Count < 0) throw EEncodingError(u"Invalid count (%d)", {Count});
}

Integer CheckedSize(Int64 Size) {
  if (Size > MaxInt) throw EEncodingError(u"Invalid count (%d)", {Size});
  return static_cast<Integer>(Size);
}

void CheckRoom(Integer Needed, Integer Room) {
  if (Needed > Room) throw EEncodingError(u"Invalid destination array");
}

bool IsHigh(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Replaces unpaired surrogates in place by U+FFFD; false when there was one.
bool RepairSurrogates(Char* Chars, Integer Count) {
  bool clean = true;
  for (Integer i = 0; i < Count; ++i) {
    if (IsHigh(Chars[i]) && i + 1 < Count && IsLow(Chars[i + 1])) {
      ++i;
    } else if (IsHigh(Chars[i]) || IsLow(Chars[i])) {
      Chars[i] = 0xFFFD;
      clean = false;
    }
  }
  return clean;
}

// ---------------------------------------------------------------------------------------------
// UTF-8, with the same rules as UTF8ToString: a maximal invalid prefix becomes one U+FFFD.
// Sink(cp) receives each code point (U+FFFD for an invalid sequence) and whether it was valid.


template <class TSink>
void DecodeUtf8(const Byte* p, const Byte* end, TSink&& Sink) {
  while (p < end) {
    if (*p < 0x80) {
      Sink(char32_t(*p++), true);
      continue;
    }
    char32_t cp = 0;
    if (DecodeUtf8Sequence(p, end, cp))
      Sink(cp, true);
    else
      Sink(char32_t(0xFFFD), false);
  }
}

// One pass into Out, which has room for as many units as there are bytes (UTF-8 never needs
// more). Returns the units written, or -1 at the first invalid sequence when Strict.
Integer DecodeUtf8Fast(const Byte* p, const Byte* end, Char* Out, bool Strict) {
  Char* const start = Out;
  while (p < end) {
    // Runs of ASCII eight bytes at a time.
    while (end - p >= 8) {
      uint64_t word;
      std::memcpy(&word, p, 8);
      if (word & 0x8080808080808080ull) break;
      for (int i = 0; i < 8; ++i) Out[i] = p[i];
      Out += 8;
      p += 8;
    }
    if (p >= end) break;
    if (*p < 0x80) {
      *Out++ = *p++;
      continue;
    }
    char32_t cp = 0;
    if (!DecodeUtf8Sequence(p, end, cp)) {
      if (Strict) return -1;
      *Out++ = 0xFFFD;
    } else if (cp >= 0x10000) {
      cp -= 0x10000;
      *Out++ = Char(0xD800 + (cp >> 10));
      *Out++ = Char(0xDC00 + (cp & 0x3FF));
    } else {
      *Out++ = Char(cp);
    }
  }
  return static_cast<Integer>(Out - start);
}

// Text to code points: an unpaired surrogate is U+FFFD and reported invalid.
template <class TSink>
void DecodeUtf16(const Char* p, const Char* end, TSink&& Sink) {
  while (p < end) {
    char32_t c = *p++;
    if (IsHigh(c) && p < end && IsLow(*p)) {
      Sink(0x10000 + ((c - 0xD800) << 10) + (char32_t(*p++) - 0xDC00), true);
    } else if (IsHigh(c) || IsLow(c)) {
      Sink(char32_t(0xFFFD), false);
    } else {
      Sink(c, true);
    }
  }
}

Integer Utf8Length(char32_t cp) { return cp < 0x80 ? 1 : cp < 0x800 ? 2 : cp < 0x10000 ? 3 : 4; }

// ---------------------------------------------------------------------------------------------
// Process-wide state: the ANSI code page and its encodings (one per code page ever selected,
// kept until finalization so that pointers handed out stay valid).

std::atomic<Integer> GAnsiCodePage{1252};
std::atomic<TEncoding*> GAnsiCurrent{nullptr};  // the encoding of GAnsiCodePage, once made
std::mutex GAnsiLock;
std::map<Integer, TEncoding*>& AnsiEncodings() {
  static std::map<Integer, TEncoding*> map;
  return map;
}

}  // namespace

// =============================================================================================
// TEncoding

void TEncoding::RaiseNoMapping() {
  throw EEncodingError(u"No mapping for the Unicode character exists in the target multi-byte code page.");
}

TEncoding* TEncoding::GetUTF8() {
  static TUTF8Encoding encoding;
  return &encoding;
}

TEncoding* TEncoding::GetUnicode() {
  static TUnicodeEncoding encoding;
  return &encoding;
}

TEncoding* TEncoding::GetBigEndianUnicode() {
  static TBigEndianUnicodeEncoding encoding;
  return &encoding;
}

TEncoding* TEncoding::GetASCII() {
  static TMBCSEncoding encoding(CP_ASCII);
  return &encoding;
}

TEncoding* TEncoding::GetANSI() {
  const Integer codePage = GAnsiCodePage.load();
  TEncoding* current = GAnsiCurrent.load();
  if (current && current->GetCodePage() == codePage) return current;
  std::lock_guard<std::mutex> guard(GAnsiLock);
  auto& map = AnsiEncodings();
  auto it = map.find(codePage);
  TEncoding* encoding = it != map.end() ? it->second : map.emplace(codePage, GetEncoding(codePage)).first->second;
  GAnsiCurrent.store(encoding);
  return encoding;
}

TEncoding* TEncoding::GetEncoding(Integer CodePage, bool Strict) {
  CodePage = ResolveCodePageAlias(CodePage);
  const Cardinal decodeFlags = Strict ? MB_ERR_INVALID_CHARS : 0;
  const Cardinal encodeFlags = Strict ? WC_ERR_INVALID_CHARS : 0;
  switch (CodePage) {
    case CP_UTF8:
      return new TUTF8Encoding(decodeFlags, encodeFlags);
    case CP_UTF16LE:
      return new TUnicodeEncoding(decodeFlags, encodeFlags);
    case CP_UTF16BE:
      return new TBigEndianUnicodeEncoding(decodeFlags, encodeFlags);
    default:
      return new TMBCSEncoding(CodePage, decodeFlags, encodeFlags);
  }
}

TEncoding* TEncoding::GetEncoding(StringView EncodingName, bool Strict) {
  const std::string name = StringToUTF8(EncodingName);
  for (const auto& alias : GNameAliases)
    if (SameAsciiText(name, alias.Name)) return GetEncoding(alias.CodePage, Strict);
  // "windows-1251", "cp866", "iso-8859-5", "shift_jis"...: whatever ICU resolves to the
  // converter of a known code page.
  const std::string canonical = name.empty() ? std::string() : CanonicalConverterName(name.c_str());
  if (!canonical.empty())
    for (const auto& item : InstalledCodePages())
      if (item.Canonical == canonical) return GetEncoding(item.Entry->CodePage, Strict);
  throw EEncodingError(u"Invalid encoding name \"%s\"", {EncodingName});
}

bool TEncoding::IsStandardEncoding(const TEncoding* AEncoding) {
  if (!AEncoding) return false;
  if (AEncoding == GetUTF8() || AEncoding == GetUnicode() || AEncoding == GetBigEndianUnicode() ||
      AEncoding == GetASCII())
    return true;
  std::lock_guard<std::mutex> guard(GAnsiLock);
  for (const auto& item : AnsiEncodings())
    if (item.second == AEncoding) return true;
  return false;
}

void TEncoding::FreeEncoding(TEncoding* AEncoding) {
  if (AEncoding && !IsStandardEncoding(AEncoding)) Free(AEncoding);
}

Integer TEncoding::GetBufferEncoding(const TBytes& Buffer, TEncoding*& AEncoding, TEncoding* ADefaultEncoding) {
  return GetBufferEncoding(Buffer.data(), static_cast<Integer>(Buffer.size()), AEncoding, ADefaultEncoding);
}

Integer TEncoding::GetBufferEncoding(const Byte* Buffer, Integer Count, TEncoding*& AEncoding,
                                     TEncoding* ADefaultEncoding) {
  auto startsWith = [&](const TBytes& Preamble) {
    return !Preamble.empty() && Count >= static_cast<Integer>(Preamble.size()) &&
           std::equal(Preamble.begin(), Preamble.end(), Buffer);
  };
  if (AEncoding) {
    const TBytes preamble = AEncoding->GetPreamble();
    return startsWith(preamble) ? static_cast<Integer>(preamble.size()) : 0;
  }
  for (TEncoding* candidate : {GetUTF8(), GetUnicode(), GetBigEndianUnicode()}) {
    const TBytes preamble = candidate->GetPreamble();
    if (startsWith(preamble)) {
      AEncoding = candidate;
      return static_cast<Integer>(preamble.size());
    }
  }
  AEncoding = ADefaultEncoding ? ADefaultEncoding : GetDefault();
  return 0;
}

TBytes TEncoding::Convert(const TEncoding* Source, const TEncoding* Destination, const TBytes& Bytes) {
  return Convert(Source, Destination, Bytes, 0, static_cast<Integer>(Bytes.size()));
}

TBytes TEncoding::Convert(const TEncoding* Source, const TEncoding* Destination, const TBytes& Bytes,
                          Integer StartIndex, Integer Count) {
  if (!Source || !Destination) throw EArgumentNilException(u"Encoding is nil");
  return Destination->GetBytes(Source->GetString(Bytes, StartIndex, Count));
}

TBytes TEncoding::GetBytes(StringView S) const {
  const Integer length = CheckedSize(static_cast<Int64>(S.size()));
  TBytes result(static_cast<size_t>(GetByteCount(S.data(), length)));
  const Integer written = GetBytes(S.data(), length, result.data(), static_cast<Integer>(result.size()));
  result.resize(static_cast<size_t>(written));
  return result;
}

Integer TEncoding::GetBytes(StringView S, Integer CharIndex, Integer CharCount, TBytes& Bytes,
                            Integer ByteIndex) const {
  if (CharIndex < 0 || static_cast<size_t>(CharIndex) > S.size())
    throw EEncodingError(u"Character index out of bounds (%d)", {CharIndex});
  if (CharCount < 0 || static_cast<size_t>(CharIndex) + static_cast<size_t>(CharCount) > S.size())
    throw EEncodingError(u"Invalid count (%d)", {CharCount});
  if (ByteIndex < 0 || static_cast<size_t>(ByteIndex) > Bytes.size())
    throw EEncodingError(u"Invalid destination index (%d)", {ByteIndex});
  return GetBytes(S.data() + CharIndex, CharCount, Bytes.data() + ByteIndex,
                  static_cast<Integer>(Bytes.size()) - ByteIndex);
}

Integer TEncoding::GetByteCount(StringView S) const {
  return GetByteCount(S.data(), CheckedSize(static_cast<Int64>(S.size())));
}

String TEncoding::GetString(const TBytes& Bytes) const {
  return GetString(Bytes.data(), CheckedSize(static_cast<Int64>(Bytes.size())));
}

String TEncoding::GetString(const TBytes& Bytes, Integer ByteIndex, Integer ByteCount) const {
  if (ByteIndex < 0 || static_cast<size_t>(ByteIndex) > Bytes.size())
    throw EEncodingError(u"Start index out of bounds (%d)", {ByteIndex});
  if (ByteCount < 0 || static_cast<size_t>(ByteIndex) + static_cast<size_t>(ByteCount) > Bytes.size())
    throw EEncodingError(u"Invalid count (%d)", {ByteCount});
  return GetString(Bytes.data() + ByteIndex, ByteCount);
}

String TEncoding::GetString(const Byte* Bytes, Integer ByteCount) const {
  CheckCount(ByteCount);
  if (ByteCount == 0) return String();
  return DecodeString(Bytes, ByteCount);
}

String TEncoding::DecodeString(const Byte* Bytes, Integer ByteCount) const {
  String result(static_cast<size_t>(GetCharCount(Bytes, ByteCount)), Char(0));
  const Integer written = GetChars(Bytes, ByteCount, result.data(), static_cast<Integer>(result.size()));
  result.resize(static_cast<size_t>(written));
  return result;
}

Integer TEncoding::GetCharCount(const TBytes& Bytes) const {
  return GetCharCount(Bytes.data(), CheckedSize(static_cast<Int64>(Bytes.size())));
}

String TEncoding::GetEncodingName() const {
  TCodePageInfo info;
  if (GetCodePageInfo(FCodePage, info)) return info.CodePageName;
  return Format(u"%d", {FCodePage});
}

// =============================================================================================
// TMBCSEncoding

namespace {
Integer MaxCharSizeOf(Integer CodePage) {
  const TInstalledCodePage* installed = FindInstalled(CodePage);
  if (!installed) throw EEncodingError(u"Invalid code page");
  return installed->MaxCharSize;
}
}  // namespace

TMBCSEncoding::TMBCSEncoding(Integer CodePage, Cardinal MBToWCharFlags, Cardinal WCharToMBFlags)
    : TEncoding(ResolveCodePageAlias(CodePage), (MBToWCharFlags & MB_ERR_INVALID_CHARS) != 0,
                MaxCharSizeOf(ResolveCodePageAlias(CodePage)) == 1),
      FStrictDecode((MBToWCharFlags & MB_ERR_INVALID_CHARS) != 0),
      FStrictEncode((WCharToMBFlags & WC_ERR_INVALID_CHARS) != 0),
      FMaxCharSize(MaxCharSizeOf(GetCodePage())),
      FConverterName(FindCodePage(GetCodePage())->Converter) {}

namespace {
// Invalid and unassigned byte sequences become U+FFFD (ICU's own substitute is U+001A in many
// code pages).
void ToUnicodeReplacement(const void*, UConverterToUnicodeArgs* Args, const char*, int32_t,
                          UConverterCallbackReason Reason, UErrorCode* Error) {
  if (Reason > UCNV_IRREGULAR) return;
  *Error = U_ZERO_ERROR;
  const UChar replacement = 0xFFFD;
  ucnv_cbToUWriteUChars(Args, &replacement, 1, 0, Error);
}

// Decodes with ICU; with Chars null only counts. Returns -1 on invalid input when Strict.
Integer IcuToUnicode(const std::string& Converter, bool Strict, const Byte* Bytes, Integer ByteCount, Char* Chars,
                     Integer CharCount) {
  if (ByteCount == 0) return 0;
  UConverter* conv = AcquireConverter(Converter);
  UErrorCode status = U_ZERO_ERROR;
  if (Strict)
    ucnv_setToUCallBack(conv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  else
    ucnv_setToUCallBack(conv, ToUnicodeReplacement, nullptr, nullptr, nullptr, &status);
  status = U_ZERO_ERROR;
  const int32_t length = ucnv_toUChars(conv, reinterpret_cast<UChar*>(Chars), Chars ? CharCount : 0,
                                       reinterpret_cast<const char*>(Bytes), ByteCount, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR && !Chars) return length;
  if (status == U_BUFFER_OVERFLOW_ERROR) throw EEncodingError(u"Invalid destination array");
  if (U_FAILURE(status)) return -1;
  return length;
}

Integer IcuFromUnicode(const std::string& Converter, bool Strict, const Char* Chars, Integer CharCount, Byte* Bytes,
                       Integer ByteCount) {
  if (CharCount == 0) return 0;
  UConverter* conv = AcquireConverter(Converter);
  UErrorCode status = U_ZERO_ERROR;
  if (Strict) {
    ucnv_setFromUCallBack(conv, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
  } else {
    ucnv_setFromUCallBack(conv, UCNV_FROM_U_CALLBACK_SUBSTITUTE, nullptr, nullptr, nullptr, &status);
    // "?" as Windows substitutes; converters that cannot take a one-byte substitute (UTF-32)
    // keep their own.
    UErrorCode subStatus = U_ZERO_ERROR;
    ucnv_setSubstChars(conv, "?", 1, &subStatus);
  }
  status = U_ZERO_ERROR;
  const int32_t length = ucnv_fromUChars(conv, reinterpret_cast<char*>(Bytes), Bytes ? ByteCount : 0,
                                         reinterpret_cast<const UChar*>(Chars), CharCount, &status);
  if (status == U_BUFFER_OVERFLOW_ERROR && !Bytes) return length;
  if (status == U_BUFFER_OVERFLOW_ERROR) throw EEncodingError(u"Invalid destination array");
  if (U_FAILURE(status)) return -1;
  return length;
}
}  // namespace

Integer TMBCSEncoding::GetByteCount(const Char* Chars, Integer CharCount) const {
  CheckCount(CharCount);
  const Integer result = IcuFromUnicode(FConverterName, FStrictEncode, Chars, CharCount, nullptr, 0);
  if (result < 0) RaiseNoMapping();
  return result;
}

Integer TMBCSEncoding::GetBytes(const Char* Chars, Integer CharCount, Byte* Bytes, Integer ByteCount) const {
  CheckCount(CharCount);
  CheckCount(ByteCount);
  if (CharCount > 0 && ByteCount == 0) CheckRoom(GetByteCount(Chars, CharCount), 0);
  const Integer result = IcuFromUnicode(FConverterName, FStrictEncode, Chars, CharCount, Bytes, ByteCount);
  if (result < 0) RaiseNoMapping();
  return result;
}

Integer TMBCSEncoding::GetCharCount(const Byte* Bytes, Integer ByteCount) const {
  CheckCount(ByteCount);
  const Integer result = IcuToUnicode(FConverterName, FStrictDecode, Bytes, ByteCount, nullptr, 0);
  if (result < 0) RaiseNoMapping();
  return result;
}

Integer TMBCSEncoding::GetChars(const Byte* Bytes, Integer ByteCount, Char* Chars, Integer CharCount) const {
  CheckCount(ByteCount);
  CheckCount(CharCount);
  if (ByteCount > 0 && CharCount == 0) CheckRoom(GetCharCount(Bytes, ByteCount), 0);
  const Integer result = IcuToUnicode(FConverterName, FStrictDecode, Bytes, ByteCount, Chars, CharCount);
  if (result < 0) RaiseNoMapping();
  // Some converters (UTF-7, UTF-32) can carry unpaired surrogates through.
  if (!RepairSurrogates(Chars, result) && FStrictDecode) RaiseNoMapping();
  return result;
}

String TMBCSEncoding::DecodeString(const Byte* Bytes, Integer ByteCount) const {
  // One conversion into room for the usual worst case (a unit a byte); the sizing pass only for
  // code pages that need more.
  String result(static_cast<size_t>(GetMaxCharCount(ByteCount)), Char(0));
  Integer written;
  try {
    written = IcuToUnicode(FConverterName, FStrictDecode, Bytes, ByteCount, result.data(),
                           static_cast<Integer>(result.size()));
  } catch (const EEncodingError&) {
    return TEncoding::DecodeString(Bytes, ByteCount);
  }
  if (written < 0) RaiseNoMapping();
  if (!RepairSurrogates(result.data(), written) && FStrictDecode) RaiseNoMapping();
  result.resize(static_cast<size_t>(written));
  return result;
}

bool TMBCSEncoding::IsValid(const Byte* Bytes, Integer ByteCount) const {
  CheckCount(ByteCount);
  const Integer count = IcuToUnicode(FConverterName, true, Bytes, ByteCount, nullptr, 0);
  if (count <= 0) return count == 0;
  std::u16string chars(static_cast<size_t>(count), u'\0');
  IcuToUnicode(FConverterName, true, Bytes, ByteCount, chars.data(), count);
  return RepairSurrogates(chars.data(), count);
}

Integer TMBCSEncoding::GetMaxByteCount(Integer CharCount) const {
  CheckCount(CharCount);
  return CheckedSize((Int64(CharCount) + 1) * FMaxCharSize);
}

Integer TMBCSEncoding::GetMaxCharCount(Integer ByteCount) const {
  CheckCount(ByteCount);
  return CheckedSize(Int64(ByteCount) + 1);
}

TBytes TMBCSEncoding::GetPreamble() const {
  switch (GetCodePage()) {
    case 12000:
      return {0xFF, 0xFE, 0x00, 0x00};
    case 12001:
      return {0x00, 0x00, 0xFE, 0xFF};
    default:
      return {};
  }
}

// =============================================================================================
// TUTF8Encoding

TUTF8Encoding::TUTF8Encoding(Cardinal MBToWCharFlags, Cardinal WCharToMBFlags)
    : TEncoding(CP_UTF8, ((MBToWCharFlags & MB_ERR_INVALID_CHARS) | (WCharToMBFlags & WC_ERR_INVALID_CHARS)) != 0,
                false) {}

Integer TUTF8Encoding::GetByteCount(const Char* Chars, Integer CharCount) const {
  CheckCount(CharCount);
  Int64 count = 0;
  DecodeUtf16(Chars, Chars + CharCount, [&](char32_t cp, bool valid) {
    if (!valid && GetStrict()) RaiseNoMapping();
    count += Utf8Length(cp);
  });
  return CheckedSize(count);
}

Integer TUTF8Encoding::GetBytes(const Char* Chars, Integer CharCount, Byte* Bytes, Integer ByteCount) const {
  CheckCount(CharCount);
  CheckCount(ByteCount);
  Integer at = 0;
  DecodeUtf16(Chars, Chars + CharCount, [&](char32_t cp, bool valid) {
    if (!valid && GetStrict()) RaiseNoMapping();
    const Integer length = Utf8Length(cp);
    CheckRoom(at + length, ByteCount);
    Byte* out = Bytes + at;
    switch (length) {
      case 1:
        out[0] = Byte(cp);
        break;
      case 2:
        out[0] = Byte(0xC0 | (cp >> 6));
        out[1] = Byte(0x80 | (cp & 0x3F));
        break;
      case 3:
        out[0] = Byte(0xE0 | (cp >> 12));
        out[1] = Byte(0x80 | ((cp >> 6) & 0x3F));
        out[2] = Byte(0x80 | (cp & 0x3F));
        break;
      default:
        out[0] = Byte(0xF0 | (cp >> 18));
        out[1] = Byte(0x80 | ((cp >> 12) & 0x3F));
        out[2] = Byte(0x80 | ((cp >> 6) & 0x3F));
        out[3] = Byte(0x80 | (cp & 0x3F));
    }
    at += length;
  });
  return at;
}

Integer TUTF8Encoding::GetCharCount(const Byte* Bytes, Integer ByteCount) const {
  CheckCount(ByteCount);
  Integer count = 0;
  DecodeUtf8(Bytes, Bytes + ByteCount, [&](char32_t cp, bool valid) {
    if (!valid && GetStrict()) RaiseNoMapping();
    count += cp >= 0x10000 ? 2 : 1;
  });
  return count;
}

String TUTF8Encoding::DecodeString(const Byte* Bytes, Integer ByteCount) const {
  String result(static_cast<size_t>(ByteCount), Char(0));
  const Integer written = DecodeUtf8Fast(Bytes, Bytes + ByteCount, result.data(), GetStrict());
  if (written < 0) RaiseNoMapping();
  result.resize(static_cast<size_t>(written));
  return result;
}

Integer TUTF8Encoding::GetChars(const Byte* Bytes, Integer ByteCount, Char* Chars, Integer CharCount) const {
  CheckCount(ByteCount);
  CheckCount(CharCount);
  if (CharCount >= ByteCount) {
    const Integer written = DecodeUtf8Fast(Bytes, Bytes + ByteCount, Chars, GetStrict());
    if (written < 0) RaiseNoMapping();
    return written;
  }
  Integer at = 0;
  DecodeUtf8(Bytes, Bytes + ByteCount, [&](char32_t cp, bool valid) {
    if (!valid && GetStrict()) RaiseNoMapping();
    if (cp >= 0x10000) {
      CheckRoom(at + 2, CharCount);
      cp -= 0x10000;
      Chars[at++] = Char(0xD800 + (cp >> 10));
      Chars[at++] = Char(0xDC00 + (cp & 0x3FF));
    } else {
      CheckRoom(at + 1, CharCount);
      Chars[at++] = Char(cp);
    }
  });
  return at;
}

bool TUTF8Encoding::IsValid(const Byte* Bytes, Integer ByteCount) const {
  CheckCount(ByteCount);
  bool valid = true;
  DecodeUtf8(Bytes, Bytes + ByteCount, [&](char32_t, bool ok) { valid = valid && ok; });
  return valid;
}

Integer TUTF8Encoding::GetMaxByteCount(Integer CharCount) const {
  CheckCount(CharCount);
  return CheckedSize((Int64(CharCount) + 1) * 3);
}

Integer TUTF8Encoding::GetMaxCharCount(Integer ByteCount) const {
  CheckCount(ByteCount);
  return CheckedSize(Int64(ByteCount) + 1);
}

TBytes TUTF8Encoding::GetPreamble() const { return {0xEF, 0xBB, 0xBF}; }

// =============================================================================================
// TUnicodeEncoding

TUnicodeEncoding::TUnicodeEncoding(Cardinal MBToWCharFlags, Cardinal WCharToMBFlags)
    : TUnicodeEncoding(CP_UTF16LE, MBToWCharFlags, WCharToMBFlags) {}

TUnicodeEncoding::TUnicodeEncoding(Integer CodePage, Cardinal MBToWCharFlags, Cardinal WCharToMBFlags)
    : TEncoding(CodePage, ((MBToWCharFlags & MB_ERR_INVALID_CHARS) | (WCharToMBFlags & WC_ERR_INVALID_CHARS)) != 0,
                false) {}

Integer TUnicodeEncoding::GetByteCount(const Char* Chars, Integer CharCount) const {
  CheckCount(CharCount);
  if (GetStrict())
    DecodeUtf16(Chars, Chars + CharCount, [](char32_t, bool valid) {
      if (!valid) RaiseNoMapping();
    });
  return CheckedSize(Int64(CharCount) * 2);
}

Integer TUnicodeEncoding::GetBytes(const Char* Chars, Integer CharCount, Byte* Bytes, Integer ByteCount) const {
  CheckCount(CharCount);
  CheckCount(ByteCount);
  CheckRoom(CheckedSize(Int64(CharCount) * 2), ByteCount);
  const bool bigEndian = BigEndian();
  for (Integer i = 0; i < CharCount; ++i) {
    Char c = Chars[i];
    if (IsHigh(c) && i + 1 < CharCount && IsLow(Chars[i + 1])) {
      // A pair: both halves as they are.
    } else if (IsLow(c) && i > 0 && IsHigh(Chars[i - 1])) {
      // The second half of a pair.
    } else if (IsHigh(c) || IsLow(c)) {
      if (GetStrict()) RaiseNoMapping();
      c = 0xFFFD;
    }
    Bytes[2 * i + (bigEndian ? 1 : 0)] = Byte(c & 0xFF);
    Bytes[2 * i + (bigEndian ? 0 : 1)] = Byte(c >> 8);
  }
  return CharCount * 2;
}

namespace {
// The number of units to decode: whole units, without a trailing high surrogate.
Integer Utf16UnitsToDecode(const Byte* Bytes, Integer ByteCount, bool BigEndian) {
  Integer units = ByteCount / 2;
  if (units > 0) {
    const Byte* last = Bytes + 2 * (units - 1);
    const char32_t unit = BigEndian ? (char32_t(last[0]) << 8 | last[1]) : (char32_t(last[1]) << 8 | last[0]);
    if (IsHigh(unit)) --units;
  }
  return units;
}
}  // namespace

Integer TUnicodeEncoding::GetCharCount(const Byte* Bytes, Integer ByteCount) const {
  CheckCount(ByteCount);
  const Integer units = Utf16UnitsToDecode(Bytes, ByteCount, BigEndian());
  if (GetStrict() && !IsValid(Bytes, units * 2)) RaiseNoMapping();
  return units;
}

Integer TUnicodeEncoding::GetChars(const Byte* Bytes, Integer ByteCount, Char* Chars, Integer CharCount) const {
  CheckCount(ByteCount);
  CheckCount(CharCount);
  const bool bigEndian = BigEndian();
  const Integer units = Utf16UnitsToDecode(Bytes, ByteCount, bigEndian);
  CheckRoom(units, CharCount);
  for (Integer i = 0; i < units; ++i) {
    const Byte* p = Bytes + 2 * i;
    Chars[i] = bigEndian ? Char(p[0] << 8 | p[1]) : Char(p[1] << 8 | p[0]);
  }
  if (!RepairSurrogates(Chars, units) && GetStrict()) RaiseNoMapping();
  return units;
}

bool TUnicodeEncoding::IsValid(const Byte* Bytes, Integer ByteCount) const {
  CheckCount(ByteCount);
  if (ByteCount % 2 != 0) return false;
  const bool bigEndian = BigEndian();
  const Integer units = ByteCount / 2;
  auto unitAt = [&](Integer i) {
    const Byte* p = Bytes + 2 * i;
    return bigEndian ? (char32_t(p[0]) << 8 | p[1]) : (char32_t(p[1]) << 8 | p[0]);
  };
  for (Integer i = 0; i < units; ++i) {
    const char32_t c = unitAt(i);
    if (IsHigh(c) && i + 1 < units && IsLow(unitAt(i + 1)))
      ++i;
    else if (IsHigh(c) || IsLow(c))
      return false;
  }
  return true;
}

Integer TUnicodeEncoding::GetMaxByteCount(Integer CharCount) const {
  CheckCount(CharCount);
  return CheckedSize((Int64(CharCount) + 1) * 2);
}

Integer TUnicodeEncoding::GetMaxCharCount(Integer ByteCount) const {
  CheckCount(ByteCount);
  return ByteCount / 2 + (ByteCount & 1) + 1;
}

TBytes TUnicodeEncoding::GetPreamble() const { return {0xFF, 0xFE}; }

TBigEndianUnicodeEncoding::TBigEndianUnicodeEncoding(Cardinal MBToWCharFlags, Cardinal WCharToMBFlags)
    : TUnicodeEncoding(CP_UTF16BE, MBToWCharFlags, WCharToMBFlags) {}

TBytes TBigEndianUnicodeEncoding::GetPreamble() const { return {0xFE, 0xFF}; }

// =============================================================================================
// Code pages

Integer GetACP() { return GAnsiCodePage.load(); }

void SetACP(Integer CodePage) {
  if (CodePage == CP_UTF16LE || CodePage == CP_UTF16BE || !FindInstalled(CodePage))
    throw EEncodingError(u"Invalid code page");
  GAnsiCodePage.store(CodePage);
}

Integer GetOEMCP() { return 437; }

std::vector<Integer> GetInstalledCodePages() {
  std::vector<Integer> result;
  for (const auto& item : InstalledCodePages()) result.push_back(item.Entry->CodePage);
  return result;
}

bool GetCodePageInfo(Integer CodePage, TCodePageInfo& Info) {
  const TInstalledCodePage* installed = FindInstalled(ResolveCodePageAlias(CodePage));
  if (!installed) return false;
  Info.CodePage = installed->Entry->CodePage;
  Info.MaxCharSize = installed->MaxCharSize;
  Info.CodePageName = Format(u"%d (%s)", {Info.CodePage, installed->Entry->Name});
  return true;
}

namespace {
// The encoding for a converter call; null (errno EINVAL) for an unknown code page.
std::unique_ptr<TEncoding> ConverterEncoding(Integer CodePage, bool Strict) {
  try {
    return std::unique_ptr<TEncoding>(TEncoding::GetEncoding(CodePage, Strict));
  } catch (const EEncodingError&) {
    errno = EINVAL;
    return nullptr;
  }
}
}  // namespace

Integer MultiByteToWideChar(Integer CodePage, Cardinal Flags, const char* MultiByteStr, Integer MultiByteCount,
                            Char* WideCharStr, Integer WideCharCount) {
  if (!MultiByteStr || MultiByteCount == 0 || MultiByteCount < -1 || WideCharCount < 0 ||
      (WideCharCount > 0 && !WideCharStr)) {
    errno = EINVAL;
    return 0;
  }
  if (MultiByteCount == -1) MultiByteCount = CheckedSize(Int64(std::strlen(MultiByteStr)) + 1);
  auto encoding = ConverterEncoding(CodePage, (Flags & MB_ERR_INVALID_CHARS) != 0);
  if (!encoding) return 0;
  const auto* bytes = reinterpret_cast<const Byte*>(MultiByteStr);
  try {
    const Integer needed = encoding->GetCharCount(bytes, MultiByteCount);
    if (WideCharCount == 0) return needed;
    if (needed > WideCharCount) {
      errno = ENOBUFS;
      return 0;
    }
    return encoding->GetChars(bytes, MultiByteCount, WideCharStr, WideCharCount);
  } catch (const EEncodingError&) {
    errno = EILSEQ;
    return 0;
  }
}

Integer WideCharToMultiByte(Integer CodePage, Cardinal Flags, const Char* WideCharStr, Integer WideCharCount,
                            char* MultiByteStr, Integer MultiByteCount, const char* /*DefaultChar*/,
                            bool* UsedDefaultChar) {
  if (!WideCharStr || WideCharCount == 0 || WideCharCount < -1 || MultiByteCount < 0 ||
      (MultiByteCount > 0 && !MultiByteStr)) {
    errno = EINVAL;
    return 0;
  }
  if (UsedDefaultChar) *UsedDefaultChar = false;
  if (WideCharCount == -1) WideCharCount = CheckedSize(Int64(std::char_traits<Char>::length(WideCharStr)) + 1);
  auto encoding = ConverterEncoding(CodePage, (Flags & WC_ERR_INVALID_CHARS) != 0);
  if (!encoding) return 0;
  auto* bytes = reinterpret_cast<Byte*>(MultiByteStr);
  try {
    const Integer needed = encoding->GetByteCount(WideCharStr, WideCharCount);
    if (MultiByteCount == 0) return needed;
    if (needed > MultiByteCount) {
      errno = ENOBUFS;
      return 0;
    }
    return encoding->GetBytes(WideCharStr, WideCharCount, bytes, MultiByteCount);
  } catch (const EEncodingError&) {
    errno = EILSEQ;
    return 0;
  }
}

void detail::EncodingFinalization() {
  std::lock_guard<std::mutex> guard(GAnsiLock);
  GAnsiCurrent.store(nullptr);
  for (auto& item : AnsiEncodings()) Free(item.second);
  AnsiEncodings().clear();
}
