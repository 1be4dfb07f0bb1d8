#pragma once
// Text encodings: bytes <-> UTF-16 text in UTF-8, UTF-16 (both byte orders) and the legacy
// code pages, the latter through ICU converters under their Windows code page numbers.
//
//   TBytes bytes = TEncoding::GetUTF8()->GetBytes(u"text");
//   String text = TEncoding::GetANSI()->GetString(bytes);
//   TEncoding* cp1251 = TEncoding::GetEncoding(1251);   // owned by the caller: Free(cp1251)
//
// The shared encodings (GetUTF8, GetUnicode, GetBigEndianUnicode, GetASCII, GetANSI, GetDefault)
// belong to the library and are never freed by callers (TEncoding::FreeEncoding skips them).
// Encoding objects are immutable and may be used from any thread.
//
// Decoding never yields broken UTF-16: malformed input decodes to U+FFFD, or raises
// EEncodingError in strict mode. Encoding text that the code page cannot represent gives "?"
// (U+FFFD for the Unicode encodings), or raises in strict mode.

#include <vector>

#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Types.h"

using TBytes = std::vector<Byte>;

// Code page numbers with a meaning of their own, and the flags of the converters below.
constexpr Integer CP_ACP = 0;         // the ANSI code page (GetACP)
constexpr Integer CP_OEMCP = 1;       // the OEM code page (437)
constexpr Integer CP_MACCP = 2;       // Mac Roman (10000)
constexpr Integer CP_THREAD_ACP = 3;  // the ANSI code page
constexpr Integer CP_UTF16LE = 1200;
constexpr Integer CP_UTF16BE = 1201;
constexpr Integer CP_ASCII = 20127;
constexpr Integer CP_UTF7 = 65000;
constexpr Integer CP_UTF8 = 65001;
constexpr Cardinal MB_PRECOMPOSED = 0x01;
constexpr Cardinal MB_ERR_INVALID_CHARS = 0x08;  // decoding fails on invalid input
constexpr Cardinal WC_ERR_INVALID_CHARS = 0x80;  // encoding fails on unmappable text

class TEncoding : public TObject {
  ZCL_CLASS(TEncoding, TObject)
 public:
  // The shared encodings.
  static TEncoding* GetUTF8();
  static TEncoding* GetUnicode();  // UTF-16 little-endian
  static TEncoding* GetBigEndianUnicode();
  static TEncoding* GetASCII();
  static TEncoding* GetANSI();  // the ANSI code page (GetACP)
  static TEncoding* GetDefault() { return GetANSI(); }

  // A new encoding for a code page number (CP_ACP and the other aliases included) or a name
  // ("utf-8", "windows-1251", "iso-8859-2", "shift_jis", "koi8-r", ...); the caller owns it.
  // Strict encodings raise EEncodingError on invalid or unmappable input in both directions.
  // An unknown code page or name raises EEncodingError.
  static TEncoding* GetEncoding(Integer CodePage, bool Strict = false);
  static TEncoding* GetEncoding(StringView EncodingName, bool Strict = false);
  static bool IsStandardEncoding(const TEncoding* AEncoding);
  // Frees an encoding obtained from GetEncoding; shared encodings and null are left alone.
  static void FreeEncoding(TEncoding* AEncoding);

  // Detects the encoding of a buffer from its byte-order mark and returns the mark's length.
  // With AEncoding null on entry: the UTF-8, UTF-16 LE or UTF-16 BE mark selects the shared
  // encoding; without a mark AEncoding becomes ADefaultEncoding (GetDefault() when null) and
  // the result is 0. With AEncoding given: the length of its preamble when the buffer starts
  // with it, else 0.
  static Integer GetBufferEncoding(const TBytes& Buffer, TEncoding*& AEncoding, TEncoding* ADefaultEncoding = nullptr);
  static Integer GetBufferEncoding(const Byte* Buffer, Integer Count, TEncoding*& AEncoding,
                                   TEncoding* ADefaultEncoding = nullptr);

  // Re-encodes bytes from one encoding into another.
  static TBytes Convert(const TEncoding* Source, const TEncoding* Destination, const TBytes& Bytes);
  static TBytes Convert(const TEncoding* Source, const TEncoding* Destination, const TBytes& Bytes, Integer StartIndex,
                        Integer Count);

  // Text -> bytes (no preamble).
  TBytes GetBytes(StringView S) const;
  // Encodes CharCount characters of S from CharIndex into Bytes at ByteIndex; Bytes must have
  // room. Returns the number of bytes written.
  Integer GetBytes(StringView S, Integer CharIndex, Integer CharCount, TBytes& Bytes, Integer ByteIndex) const;
  Integer GetByteCount(StringView S) const;

  // Bytes -> text.
  String GetString(const TBytes& Bytes) const;
  String GetString(const TBytes& Bytes, Integer ByteIndex, Integer ByteCount) const;
  String GetString(const Byte* Bytes, Integer ByteCount) const;
  Integer GetCharCount(const TBytes& Bytes) const;

  // The raw conversions on buffers. The counting forms give the exact size the converting forms
  // write. The converting forms need a destination of at least that size and return the number
  // of units written; a destination that is too small raises EEncodingError.
  virtual Integer GetByteCount(const Char* Chars, Integer CharCount) const = 0;
  virtual Integer GetBytes(const Char* Chars, Integer CharCount, Byte* Bytes, Integer ByteCount) const = 0;
  virtual Integer GetCharCount(const Byte* Bytes, Integer ByteCount) const = 0;
  virtual Integer GetChars(const Byte* Bytes, Integer ByteCount, Char* Chars, Integer CharCount) const = 0;
  // True when the bytes decode without a single invalid or unmappable sequence (the strict
  // test, whatever the encoding's own mode).
  virtual bool IsValid(const Byte* Bytes, Integer ByteCount) const = 0;

  // Upper bounds for buffer sizing.
  virtual Integer GetMaxByteCount(Integer CharCount) const = 0;
  virtual Integer GetMaxCharCount(Integer ByteCount) const = 0;
  // The byte-order mark written before text in this encoding; empty for code pages.
  virtual TBytes GetPreamble() const = 0;

  Integer GetCodePage() const { return FCodePage; }
  // A readable name with the number, as the code-page list shows it ("65001 (UTF-8)").
  String GetEncodingName() const;
  bool IsSingleByte() const { return FIsSingleByte; }
  bool GetStrict() const { return FStrict; }

 protected:
  TEncoding(Integer CodePage, bool Strict, bool IsSingleByte)
      : FCodePage(CodePage), FStrict(Strict), FIsSingleByte(IsSingleByte) {}
  // Raises EEncodingError for invalid or unmappable input.
  [[noreturn]] static void RaiseNoMapping();
  // The whole of a non-empty byte run as text; by default sized with GetCharCount first.
  virtual String DecodeString(const Byte* Bytes, Integer ByteCount) const;

 private:
  Integer FCodePage;
  bool FStrict;
  bool FIsSingleByte;
};

// A code page converted by ICU. MBToWCharFlags with MB_ERR_INVALID_CHARS makes decoding strict,
// WCharToMBFlags with WC_ERR_INVALID_CHARS makes encoding strict.
class TMBCSEncoding : public TEncoding {
  ZCL_CLASS(TMBCSEncoding, TEncoding)
 public:
  explicit TMBCSEncoding(Integer CodePage, Cardinal MBToWCharFlags = 0, Cardinal WCharToMBFlags = 0);

  using TEncoding::GetByteCount;
  using TEncoding::GetBytes;
  using TEncoding::GetCharCount;
  Integer GetByteCount(const Char* Chars, Integer CharCount) const override;
  Integer GetBytes(const Char* Chars, Integer CharCount, Byte* Bytes, Integer ByteCount) const override;
  Integer GetCharCount(const Byte* Bytes, Integer ByteCount) const override;
  Integer GetChars(const Byte* Bytes, Integer ByteCount, Char* Chars, Integer CharCount) const override;
  bool IsValid(const Byte* Bytes, Integer ByteCount) const override;
  Integer GetMaxByteCount(Integer CharCount) const override;
  Integer GetMaxCharCount(Integer ByteCount) const override;
  TBytes GetPreamble() const override;

 protected:
  String DecodeString(const Byte* Bytes, Integer ByteCount) const override;

 private:
  bool FStrictDecode;
  bool FStrictEncode;
  Integer FMaxCharSize;
  std::string FConverterName;  // the ICU converter
};

class TUTF8Encoding : public TEncoding {
  ZCL_CLASS(TUTF8Encoding, TEncoding)
 public:
  explicit TUTF8Encoding(Cardinal MBToWCharFlags = 0, Cardinal WCharToMBFlags = 0);

  using TEncoding::GetByteCount;
  using TEncoding::GetBytes;
  using TEncoding::GetCharCount;
  Integer GetByteCount(const Char* Chars, Integer CharCount) const override;
  Integer GetBytes(const Char* Chars, Integer CharCount, Byte* Bytes, Integer ByteCount) const override;
  Integer GetCharCount(const Byte* Bytes, Integer ByteCount) const override;
  Integer GetChars(const Byte* Bytes, Integer ByteCount, Char* Chars, Integer CharCount) const override;
  bool IsValid(const Byte* Bytes, Integer ByteCount) const override;
  Integer GetMaxByteCount(Integer CharCount) const override;
  Integer GetMaxCharCount(Integer ByteCount) const override;
  TBytes GetPreamble() const override;

 protected:
  String DecodeString(const Byte* Bytes, Integer ByteCount) const override;
};

// UTF-16 little-endian. Unpaired surrogates in the bytes decode to U+FFFD (strict: raise);
// a trailing odd byte or a trailing high surrogate is left undecoded (see TEncoding).
class TUnicodeEncoding : public TEncoding {
  ZCL_CLASS(TUnicodeEncoding, TEncoding)
 public:
  explicit TUnicodeEncoding(Cardinal MBToWCharFlags = 0, Cardinal WCharToMBFlags = 0);

  using TEncoding::GetByteCount;
  using TEncoding::GetBytes;
  using TEncoding::GetCharCount;
  Integer GetByteCount(const Char* Chars, Integer CharCount) const override;
  Integer GetBytes(const Char* Chars, Integer CharCount, Byte* Bytes, Integer ByteCount) const override;
  Integer GetCharCount(const Byte* Bytes, Integer ByteCount) const override;
  Integer GetChars(const Byte* Bytes, Integer ByteCount, Char* Chars, Integer CharCount) const override;
  bool IsValid(const Byte* Bytes, Integer ByteCount) const override;
  Integer GetMaxByteCount(Integer CharCount) const override;
  Integer GetMaxCharCount(Integer ByteCount) const override;
  TBytes GetPreamble() const override;

 protected:
  TUnicodeEncoding(Integer CodePage, Cardinal MBToWCharFlags, Cardinal WCharToMBFlags);
  bool BigEndian() const { return GetCodePage() == CP_UTF16BE; }
};

class TBigEndianUnicodeEncoding : public TUnicodeEncoding {
  ZCL_CLASS(TBigEndianUnicodeEncoding, TUnicodeEncoding)
 public:
  explicit TBigEndianUnicodeEncoding(Cardinal MBToWCharFlags = 0, Cardinal WCharToMBFlags = 0);
  TBytes GetPreamble() const override;
};

// The ANSI code page. Linux has none: windows-1252 until a later unit (the locale or the
// language file) sets another with SetACP. GetANSI() follows the change.
Integer GetACP();
void SetACP(Integer CodePage);
Integer GetOEMCP();

// Size-then-convert, as the Windows converters: with a destination size of 0 the result is the
// size needed, else the number of units written. A source count of -1 means up to and including
// the terminating NUL (which is then counted). The result is 0 on failure with errno set: EINVAL
// (unknown code page, bad arguments), EILSEQ (invalid input with the *_ERR_INVALID_CHARS flag),
// ENOBUFS (destination too small).
Integer MultiByteToWideChar(Integer CodePage, Cardinal Flags, const char* MultiByteStr, Integer MultiByteCount,
                            Char* WideCharStr, Integer WideCharCount);
// DefaultChar and UsedDefaultChar are accepted and not supported (null, as for UTF-8).
Integer WideCharToMultiByte(Integer CodePage, Cardinal Flags, const Char* WideCharStr, Integer WideCharCount,
                            char* MultiByteStr, Integer MultiByteCount, const char* DefaultChar = nullptr,
                            bool* UsedDefaultChar = nullptr);

// The code pages this system converts, ascending by number, and their names.
struct TCodePageInfo {
  Integer CodePage = 0;
  Integer MaxCharSize = 1;  // bytes
  String CodePageName;      // "1252 (Western European - Windows)"
};
std::vector<Integer> GetInstalledCodePages();
// False for a code page that is not installed.
bool GetCodePageInfo(Integer CodePage, TCodePageInfo& Info);

namespace detail {
void EncodingFinalization();
}  // namespace detail
