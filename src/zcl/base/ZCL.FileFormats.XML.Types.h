#pragma once
// XML error classes, the character-class table shared by the XML reader and writer, and small
// character routines.

#include <cstdint>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Types.h"

// Every XML parse error. The message carries " Line <n>, position <m>" when LineNumber is not 0.
class EZCLXMLException : public Exception {
 public:
  EZCLXMLException(const String& Msg, Integer ALineNumber = 0, Integer ALinePosition = 0);
  EZCLXMLException(StringView Fmt, TVarRecList Args, Integer ALineNumber, Integer ALinePosition);
  String ClassName() const override { return u"EZCLXMLException"; }
  Integer LineNumber = 0;
  Integer LinePosition = 0;
};
RTL_EXCEPTION(EZCLXMLArgumentOutOfRangeException, EZCLXMLException);
RTL_EXCEPTION(EZCLXMLArgumentNullException, EZCLXMLException);
RTL_EXCEPTION(EZCLXMLArgumentException, EZCLXMLException);
RTL_EXCEPTION(EZCLXMLInvalidSurrogatePairException, EZCLXMLArgumentException);

// Bits of the character-class table.
constexpr uint8_t xccWhitespace = 1;
constexpr uint8_t xccNameStart = 4;
constexpr uint8_t xccNameChar = 8;
constexpr uint8_t xccCharData = 16;
constexpr uint8_t xccText = 64;
constexpr uint8_t xccAttrValue = 128;

// The 65,536-entry class table indexed by UTF-16 code unit (built on first use, read-only after).
const uint8_t* zcXMLCharProperties();
inline bool zcXMLHasClass(Char Ch, uint8_t Class) { return (zcXMLCharProperties()[Ch] & Class) != 0; }

inline bool zcXMLIsHighSurrogate(Char Ch) { return Ch >= 0xD800 && Ch <= 0xDBFF; }
inline bool zcXMLIsLowSurrogate(Char Ch) { return Ch >= 0xDC00 && Ch <= 0xDFFF; }
inline uint32_t zcXMLCombineSurrogates(Char Low, Char High) {
  return ((uint32_t(Low) - 0xDC00) | ((uint32_t(High) - 0xD800) << 10)) + 0x10000;
}

// The two arguments of a character error: the character (or surrogate pair) as text and its code
// as "0x%2X" (blank-padded, upper case).
struct TZCLXMLCharArgs {
  String Text;
  String Code;
};
TZCLXMLCharArgs zcXMLCharExceptionArgs(Char Ch, Char Next);
TZCLXMLCharArgs zcXMLCharExceptionArgs(const Char* Buffer, Integer Length, Integer Index);

// An integer text is True when not 0; other text is True only for "true" in any ASCII case.
bool zcXMLStrToBool(StringView Text);

// The four lowercase hexadecimal digits of a code unit (at least four digits for larger codes).
String zcXMLHex4(uint32_t Code);
