#include "zcl/base/ZCL.Utils.Encodings.h"

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/base/ZCL.Utils.Stream.h"

std::atomic<Integer> zcDefaultCodePage{0};

namespace {
Integer ResolveCodePage(Integer CodePage) { return CodePage < 0 ? zcDefaultCodePage.load() : CodePage; }

bool IsLineBreak(Char C) { return C == u'\r' || C == u'\n'; }
}  // namespace

// ---- TZCLEncodings ------------------------------------------------------------------------------

void TZCLEncodings::Initialize() {
  if (FCache != nullptr) return;
  FCacheLock = new TZCLCriticalSection(nullptr, u"Encodings");
  FCache = new TZCLDictionary<Integer, TEncoding*>();
}

// The cache frees its encodings itself: FreeEncoding leaves alone any shared encoding that the
// run-time library might hand out for an alias code page.
void TZCLEncodings::Finalize() {
  FreeCodePages();
  delete FCacheLock;
  FCacheLock = nullptr;
  if (FCache != nullptr) {
    for (const auto& pair : *FCache) TEncoding::FreeEncoding(pair.Value);
    delete FCache;
    FCache = nullptr;
  }
}

TEncoding* TZCLEncodings::Get(Integer CodePage) {
  if (CodePage == 0) return TEncoding::GetANSI();
  if (FCache == nullptr) throw EInvalidOperation(u"Encodings are not initialized");
  TZCLLockGuard guard(*FCacheLock);
  TEncoding* result = nullptr;
  if (FCache->TryGetValue(CodePage, result)) return result;
  result = TEncoding::GetEncoding(CodePage);
  FCache->Add(CodePage, result);
  return result;
}

TEncoding* TZCLEncodings::Get(StringView Name) {
  auto isUtf8 = [&] {
    constexpr StringView utf8 = u"utf-8";
    if (Name.size() != utf8.size()) return false;
    for (size_t i = 0; i < utf8.size(); ++i) {
      Char c = Name[i];
      if (c >= u'A' && c <= u'Z') c = static_cast<Char>(c + 32);
      if (c != utf8[i]) return false;
    }
    return true;
  };
  if (isUtf8()) return TEncoding::GetUTF8();
  TEncoding* temporary = TEncoding::GetEncoding(Name);
  Integer codePage = temporary->GetCodePage();
  TEncoding::FreeEncoding(temporary);
  return Get(codePage);
}

TEncoding* TZCLEncodings::ASCII() {
  try {
    return TEncoding::GetASCII();
  } catch (const Exception&) {
    return TEncoding::GetANSI();
  }
}

// ---- streams as text ----------------------------------------------------------------------------

Integer zcDetectEncoding(const TBytes& Bytes, TEncoding*& Encoding, TEncoding* DefaultEncoding) {
  Encoding = nullptr;
  return TEncoding::GetBufferEncoding(Bytes, Encoding,
                                      DefaultEncoding != nullptr ? DefaultEncoding : TZCLEncodings::Default());
}

TEncoding* zcDetectEncoding(TStream* Stream, TEncoding* DefaultEncoding) {
  const Int64 start = Stream->GetPosition();
  try {
    TBytes head(3);
    head.resize(static_cast<size_t>(std::max(0, Stream->Read(head.data(), 3))));
    TEncoding* result = nullptr;
    Integer markLength = zcDetectEncoding(head, result, DefaultEncoding);
    Stream->SetPosition(start + markLength);
    return result;
  } catch (...) {
    Stream->SetPosition(start);
    throw;
  }
}

String zcStreamReadText(TStream* Stream, TEncoding* Encoding, TEncoding*& Used) {
  Used = zcDetectEncoding(Stream, Encoding);
  const Int64 count = Stream->GetSize() - Stream->GetPosition();
  if (count <= 0) return String();
  if (count > INT32_MAX) throw EReadError(u"Stream too large to read as text");
  if (zcIsUTF16LE(Used)) {
    TBytes bytes(static_cast<size_t>(count));
    Stream->ReadBuffer(bytes.data(), count);
    String result(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < result.size(); ++i) result[i] = static_cast<Char>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return result;
  }
  TBytes bytes(static_cast<size_t>(count));
  Stream->ReadBuffer(bytes.data(), count);
  try {
    return Used->GetString(bytes);
  } catch (const EEncodingError&) {
    return TZCLEncodings::Default()->GetString(bytes);
  }
}

String zcStreamReadText(TStream* Stream, TEncoding* Encoding) {
  TEncoding* used = nullptr;
  return zcStreamReadText(Stream, Encoding, used);
}

void zcStreamWriteText(TStream* Stream, StringView Text, TEncoding* Encoding, bool WriteBOM) {
  if (WriteBOM) {
    TBytes preamble = (Encoding != nullptr ? Encoding : TEncoding::GetUnicode())->GetPreamble();
    if (!preamble.empty()) Stream->WriteBuffer(preamble.data(), static_cast<Integer>(preamble.size()));
  }
  StreamWriteString(Stream, Text, Encoding);
}

// Any UTF-16 LE encoding object qualifies, not only the shared one: its bytes are read the same.
bool zcIsUTF16LE(const TEncoding* Encoding) { return Encoding != nullptr && Encoding->GetCodePage() == CP_UTF16LE; }

// ---- code pages and byte strings ------------------------------------------------------------------

RawByteString zcUnicodeToAnsi(StringView Text) { return zcUnicodeToAnsiCP(Text, CP_ACP); }

RawByteString zcUnicodeToAnsiCP(StringView Text, Integer CodePage) {
  if (Text.empty()) return RawByteString();
  const Integer codePage = ResolveCodePage(CodePage);
  const auto length = static_cast<Integer>(Text.size());
  Integer size = WideCharToMultiByte(codePage, 0, Text.data(), length, nullptr, 0);
  if (size <= 0) return RawByteString();
  RawByteString result(static_cast<size_t>(size), '\0');
  size = WideCharToMultiByte(codePage, 0, Text.data(), length, result.data(), size);
  result.resize(static_cast<size_t>(std::max(0, size)));
  return result;
}

String zcAnsiToUnicode(std::string_view Text) { return zcAnsiToUnicode(Text, CP_ACP); }

String zcAnsiToUnicode(std::string_view Text, Integer CodePage) {
  return zcAnsiToUnicode(reinterpret_cast<const Byte*>(Text.data()), static_cast<Integer>(Text.size()), CodePage);
}

String zcAnsiToUnicode(const Byte* Bytes, Integer Count, Integer CodePage) {
  if (Bytes == nullptr || Count <= 0) return String();
  const Integer codePage = ResolveCodePage(CodePage);
  const auto* chars = reinterpret_cast<const char*>(Bytes);
  Integer size = MultiByteToWideChar(codePage, 0, chars, Count, nullptr, 0);
  if (size <= 0) return String();
  String result(static_cast<size_t>(size), u'\0');
  size = MultiByteToWideChar(codePage, 0, chars, Count, result.data(), size);
  result.resize(static_cast<size_t>(std::max(0, size)));
  return result;
}

String zcAnsiToUnicodeDefaultCP(std::string_view Text) { return zcAnsiToUnicode(Text, zcDefaultCodePage.load()); }

RawByteString zcStringToRawBytes(const Char* Chars, Integer Count) {
  if (Chars == nullptr || Count <= 0) return RawByteString();
  RawByteString result(static_cast<size_t>(Count), '\0');
  for (Integer i = 0; i < Count; ++i) result[static_cast<size_t>(i)] = static_cast<char>(Chars[i] & 0xFF);
  return result;
}

String zcRawBytesToString(const Byte* Bytes, Integer Count) {
  if (Bytes == nullptr || Count <= 0) return String();
  return String(Bytes, Bytes + Count);
}

bool zcHasNonASCIIChars(StringView Text) {
  for (Char c : Text)
    if (c > 126) return true;
  return false;
}

// ---- UTF-8 and UTF-16 ---------------------------------------------------------------------------

RawByteString zcEncodeUTF8(StringView Text) {
  if (Text.empty()) return RawByteString();
  RawByteString result(Text.size() * 3, '\0');
  Integer size = WideCharToMultiByte(CP_UTF8, 0, Text.data(), static_cast<Integer>(Text.size()), result.data(),
                                     static_cast<Integer>(result.size()));
  result.resize(static_cast<size_t>(std::max(0, size)));
  return result;
}

String zcDecodeUTF8(std::string_view Bytes) {
  if (Bytes.empty()) return String();
  String result(Bytes.size(), u'\0');
  Integer count = zcUTF8ToUnicodeBuf(result.data(), static_cast<Integer>(result.size()),
                                     reinterpret_cast<const Byte*>(Bytes.data()), static_cast<Integer>(Bytes.size()));
  if (count <= 0) return String();
  result.resize(static_cast<size_t>(count));
  return result;
}

bool zcIsValidUTF8(const Byte* Bytes, Integer Count) { return zcUTF8ToUnicodeBuf(nullptr, 0, Bytes, Count) > 0; }

Integer zcUTF8ToUnicodeBuf(Char* Dest, Integer Capacity, const Byte* Bytes, Integer Count) {
  if (Bytes == nullptr) return 0;
  if (Dest != nullptr && Capacity > 0) std::fill(Dest, Dest + Capacity, u'\0');
  Integer produced = 0;
  Integer i = 0;
  while (i < Count && (Dest == nullptr || produced < Capacity)) {
    const Byte b = Bytes[i++];
    uint32_t codePoint;
    if (b < 0x80) {
      codePoint = b;
    } else {
      Integer trail;
      uint32_t minimum;
      // C0 and C1 can only start overlong forms, F5 and above only code points past U+10FFFF.
      if (b >= 0xC2 && b <= 0xDF) {
        trail = 1, codePoint = b & 0x1F, minimum = 0x80;
      } else if (b >= 0xE0 && b <= 0xEF) {
        trail = 2, codePoint = b & 0x0F, minimum = 0x800;
      } else if (b >= 0xF0 && b <= 0xF4) {
        trail = 3, codePoint = b & 0x07, minimum = 0x10000;
      } else {
        return -1;
      }
      if (Count - i < trail) return -1;
      for (Integer t = 0; t < trail; ++t) {
        const Byte c = Bytes[i++];
        if ((c & 0xC0) != 0x80) return -1;
        codePoint = (codePoint << 6) | (c & 0x3F);
      }
      // Overlong forms, encoded surrogates and code points past the Unicode range would decode
      // to other text than they claim or to broken UTF-16.
      if (codePoint < minimum || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) return -1;
    }
    if (codePoint <= 0xFFFF) {
      if (Dest != nullptr) Dest[produced] = static_cast<Char>(codePoint);
      ++produced;
    } else {
      if (Dest != nullptr && Capacity - produced < 2) break;
      if (Dest != nullptr) {
        const uint32_t v = codePoint - 0x10000;
        Dest[produced] = static_cast<Char>(0xD800 + (v >> 10));
        Dest[produced + 1] = static_cast<Char>(0xDC00 + (v & 0x3FF));
      }
      produced += 2;
    }
  }
  return produced;
}

Integer zcCharLength(const Char* P) {
  return P[0] >= 0xD800 && P[0] <= 0xDBFF && P[1] >= 0xDC00 && P[1] <= 0xDFFF ? 2 : 1;
}

Integer zcCharLength(StringView Text, Integer Index) {
  if (Index < 1 || static_cast<size_t>(Index) > Text.size()) return 1;
  const size_t i = static_cast<size_t>(Index) - 1;
  return Text[i] >= 0xD800 && Text[i] <= 0xDBFF && i + 1 < Text.size() && Text[i + 1] >= 0xDC00 && Text[i + 1] <= 0xDFFF
             ? 2
             : 1;
}

// ---- line breaks ----------------------------------------------------------------------------------

String zcDecodeLineBreaks(StringView Text) {
  String result;
  result.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == u'\\' && i + 1 < Text.size() && Text[i + 1] == u'n') {
      result += u"\r\n";
      ++i;
    } else {
      result += Text[i];
    }
  }
  return result;
}

String zcEncodeLineBreaks(StringView Text) { return zcReplaceLineBreaks(Text, u"\\n"); }

String zcRemoveLineBreaks(StringView Text) { return zcReplaceLineBreaks(Text, u""); }

// One pass, so that a replacement holding CR or LF is not replaced again.
String zcReplaceLineBreaks(StringView Text, StringView Replacement) {
  String result;
  result.reserve(Text.size());
  for (size_t i = 0; i < Text.size(); ++i) {
    if (!IsLineBreak(Text[i])) {
      result += Text[i];
      continue;
    }
    if (Text[i] == u'\r' && i + 1 < Text.size() && Text[i + 1] == u'\n') ++i;
    result += Replacement;
  }
  return result;
}
