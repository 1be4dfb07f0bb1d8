#pragma once
// Bytes <-> text: the process-wide encoding cache, byte-order-mark detection when a stream is read
// as text, code-page conversions of byte strings, a UTF-8 decoder that reports invalid input, and
// the escaping of line breaks for one-line storage.

#include <atomic>

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Types.h"

class TEncoding;
class TStream;
class TZCLStringList;
template <typename K, typename V>
class TZCLDictionary;
class TZCLCriticalSection;

using TBytes = std::vector<Byte>;

// The code page that conversions use when given a negative code page. 0 stands for the system
// ANSI code page, which on Linux is windows-1252 (see GetACP) until the language file sets this
// from its "ANSICP" key.
extern std::atomic<Integer> zcDefaultCodePage;

using TZCLEnumCodePagesProc = TProc<Integer /*CodePage*/, const String& /*Name*/>;

// Encodings shared by the whole program. Callers never free what these return: the shared
// encodings belong to the run-time library, the others to the cache, until unit finalisation.
class TZCLEncodings {
 public:
  TZCLEncodings() = delete;

  // The ANSI encoding for 0 (not cached); else the cached encoding of the code page, created on
  // first use. Thread-safe: two threads asking for a new code page get the same object. An
  // unknown code page raises EEncodingError.
  static TEncoding* Get(Integer CodePage);
  // The shared UTF-8 encoding for "utf-8" (any case); else Get of the code page the name stands
  // for. An unknown name raises EEncodingError.
  static TEncoding* Get(StringView Name);
  // The ASCII encoding, or the ANSI encoding when that cannot be had.
  static TEncoding* ASCII();
  static TEncoding* Default() { return Get(0); }

  // Reports "Default" (code page 0), then every installed code page by its name in logical order
  // of the names. The list is built on the first call.
  static void EnumCodePages(const TZCLEnumCodePagesProc& Proc);
  // Frees the code-page list; unit finalisation.
  static void FreeCodePages();

  // Unit initialisation and finalisation of the cache and its lock.
  static void Initialize();
  static void Finalize();

 private:
  static const TZCLStringList& CodePages();
  static inline TZCLStringList* FCodePages = nullptr;
  static inline TZCLDictionary<Integer, TEncoding*>* FCache = nullptr;
  static inline TZCLCriticalSection* FCacheLock = nullptr;
};

// ---- streams as text ----------------------------------------------------------------------------

// The length of the byte-order mark at the start of Bytes (0 when none); Encoding becomes the
// encoding it names, else DefaultEncoding (TZCLEncodings::Default() when null).
Integer zcDetectEncoding(const TBytes& Bytes, TEncoding*& Encoding, TEncoding* DefaultEncoding);
// The encoding of the stream's text from its position; the stream is left just after the mark
// (at the old position when anything raises).
TEncoding* zcDetectEncoding(TStream* Stream, TEncoding* DefaultEncoding);
// The rest of the stream as text: the byte-order mark decides, else Encoding, else the ANSI
// encoding. A decoding error falls back to the ANSI encoding; Used stays the detected one.
String zcStreamReadText(TStream* Stream, TEncoding* Encoding, TEncoding*& Used);
String zcStreamReadText(TStream* Stream, TEncoding* Encoding);
// Writes the preamble when asked (UTF-16 LE without an encoding), then the text in Encoding or
// as raw UTF-16 LE units without one.
void zcStreamWriteText(TStream* Stream, StringView Text, TEncoding* Encoding, bool WriteBOM);
bool zcIsUTF16LE(const TEncoding* Encoding);

// ---- code pages and byte strings ------------------------------------------------------------------
// A negative code page means zcDefaultCodePage; an unknown one gives an empty result.

RawByteString zcUnicodeToAnsi(StringView Text);
RawByteString zcUnicodeToAnsiCP(StringView Text, Integer CodePage);
String zcAnsiToUnicode(std::string_view Text);
String zcAnsiToUnicode(std::string_view Text, Integer CodePage);
String zcAnsiToUnicode(const Byte* Bytes, Integer Count, Integer CodePage);
String zcAnsiToUnicodeDefaultCP(std::string_view Text);
// The low byte of each character.
RawByteString zcStringToRawBytes(const Char* Chars, Integer Count);
// Each byte widened to a character; empty for a count of 0 or less.
String zcRawBytesToString(const Byte* Bytes, Integer Count);
// True when any character's code is above 126.
bool zcHasNonASCIIChars(StringView Text);

// ---- UTF-8 and UTF-16 ---------------------------------------------------------------------------

RawByteString zcEncodeUTF8(StringView Text);
// Empty when the bytes are not valid UTF-8.
String zcDecodeUTF8(std::string_view Bytes);
// True when the decoder accepts the bytes and yields at least one character.
bool zcIsValidUTF8(const Byte* Bytes, Integer Count);
// Decodes strict UTF-8 into Dest (zero-filled first over Capacity units), or only counts with Dest
// null. Returns the units written or needed, or -1 for invalid input: stray continuation bytes,
// truncated sequences, overlong forms, encoded surrogates, lead bytes F5 to FF and code points
// above U+10FFFF. Stops before a surrogate pair that does not fit. A null Bytes gives 0.
Integer zcUTF8ToUnicodeBuf(Char* Dest, Integer Capacity, const Byte* Bytes, Integer Count);
// 2 when the unit at P starts a surrogate pair (a high surrogate followed by a low one), else 1.
// P points into NUL-terminated text.
Integer zcCharLength(const Char* P);
// The same for the character at the 1-based Index of Text; 1 outside the text.
Integer zcCharLength(StringView Text, Integer Index);

// ---- line breaks ----------------------------------------------------------------------------------
// The escape is the two characters backslash and "n".

String zcDecodeLineBreaks(StringView Text);
String zcEncodeLineBreaks(StringView Text);
String zcRemoveLineBreaks(StringView Text);
// CR LF pairs first, then lone CR, then lone LF, each by Replacement.
String zcReplaceLineBreaks(StringView Text, StringView Replacement);
