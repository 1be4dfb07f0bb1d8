#include "zcl/base/ZCL.FileFormats.XML.Types.h"

#include <cstring>

#include "rtl/RTL.Strings.h"

namespace {

String LineSuffix(const String& Msg, Integer Line, Integer Pos) {
  if (Line == 0) return Msg;
  return Format(u"%s Line %d, position %d", {Msg, Line, Pos});
}

String BuildMessage(const String& Msg, Integer Line, Integer Pos) {
  if (Msg.empty()) return LineSuffix(u"An XML error has occurred.", Line, Pos);
  if (Line > 0 || Pos > 0) return LineSuffix(Msg, Line, Pos);
  return Msg;
}

struct TRange {
  uint32_t First, Last;
};

// Name characters: the NameStartChar / NameChar productions restricted to the basic plane, with
// the colon handled by the parsers themselves.
constexpr TRange NameStartRanges[] = {
    {'A', 'Z'},       {'_', '_'},       {'a', 'z'},       {0xC0, 0xD6},     {0xD8, 0xF6},
    {0xF8, 0x2FF},    {0x370, 0x37D},   {0x37F, 0x1FFF},  {0x200C, 0x200D}, {0x2070, 0x218F},
    {0x2C00, 0x2FEF}, {0x3001, 0xD7FF}, {0xF900, 0xFDCF}, {0xFDF0, 0xFFFD},
};
constexpr TRange NameExtraRanges[] = {
    {'-', '-'}, {'.', '.'}, {'0', '9'}, {0xB7, 0xB7}, {0x300, 0x36F}, {0x203F, 0x2040},
};

void SetRanges(uint8_t* Table, const TRange* Ranges, size_t Count, uint8_t Bits) {
  for (size_t i = 0; i < Count; ++i)
    for (uint32_t c = Ranges[i].First; c <= Ranges[i].Last; ++c) Table[c] |= Bits;
}

struct TCharTable {
  uint8_t Bits[65536];
  TCharTable() {
    std::memset(Bits, 0, sizeof(Bits));
    const TRange ws[] = {{9, 10}, {13, 13}, {32, 32}};
    SetRanges(Bits, ws, 3, xccWhitespace);
    SetRanges(Bits, NameStartRanges, std::size(NameStartRanges), xccNameStart | xccNameChar);
    SetRanges(Bits, NameExtraRanges, std::size(NameExtraRanges), xccNameChar);
    const TRange charData[] = {{9, 10}, {13, 13}, {0x20, 0xD7FF}, {0xE000, 0xFFFD}};
    SetRanges(Bits, charData, 4, xccCharData);
    const TRange text[] = {{0x20, 0x25}, {0x27, 0x3B}, {0x3D, 0x5C}, {0x5E, 0xD7FF}, {0xE000, 0xFFFD}};
    SetRanges(Bits, text, 5, xccText);
    const TRange attr[] = {{0x20, 0x21}, {0x23, 0x25}, {0x28, 0x3B}, {0x3D, 0x3D}, {0x3F, 0xD7FF}, {0xE000, 0xFFFD}};
    SetRanges(Bits, attr, 6, xccAttrValue);
  }
};

String Code2(uint32_t Code) {
  String hex = IntToHex(static_cast<long long>(Code), 1);
  if (hex.size() < 2) hex.insert(0, 2 - hex.size(), u' ');
  return u"0x" + hex;
}

}  // namespace

EZCLXMLException::EZCLXMLException(const String& Msg, Integer ALineNumber, Integer ALinePosition)
    : Exception(BuildMessage(Msg, ALineNumber, ALinePosition)) {
  if (Msg.empty() || ALineNumber > 0 || ALinePosition > 0) {
    LineNumber = ALineNumber;
    LinePosition = ALinePosition;
  }
}

EZCLXMLException::EZCLXMLException(StringView Fmt, TVarRecList Args, Integer ALineNumber, Integer ALinePosition)
    : Exception(LineSuffix(Format(Fmt, Args), ALineNumber, ALinePosition)),
      LineNumber(ALineNumber),
      LinePosition(ALinePosition) {}

const uint8_t* zcXMLCharProperties() {
  static const TCharTable table;
  return table.Bits;
}

TZCLXMLCharArgs zcXMLCharExceptionArgs(Char Ch, Char Next) {
  if (zcXMLIsHighSurrogate(Ch) && Next != 0)
    return {String{Ch, Next}, Code2(zcXMLCombineSurrogates(Next, Ch))};
  return {Ch == 0 ? String(u".") : String(1, Ch), Code2(Ch)};
}

TZCLXMLCharArgs zcXMLCharExceptionArgs(const Char* Buffer, Integer Length, Integer Index) {
  if (Index < 0 || Index >= Length) throw EZCLXMLArgumentOutOfRangeException(u"index");
  return zcXMLCharExceptionArgs(Buffer[Index], Index + 1 < Length ? Buffer[Index + 1] : Char(0));
}

bool zcXMLStrToBool(StringView Text) {
  size_t i = 0;
  if (!Text.empty() && (Text[0] == u'-' || Text[0] == u'+')) i = 1;
  bool digits = i < Text.size();
  bool nonZero = false;
  for (size_t k = i; k < Text.size(); ++k) {
    if (Text[k] < u'0' || Text[k] > u'9') {
      digits = false;
      break;
    }
    if (Text[k] != u'0') nonZero = true;
  }
  if (digits) return nonZero;
  return SameText(Text, u"true");
}

String zcXMLHex4(uint32_t Code) {
  String hex = LowerCase(IntToHex(static_cast<long long>(Code), 4));
  return hex;
}
