#include "zcl/base/ZCL.Parsers.h"

#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
bool InSet(Char C, const String& Set) { return Set.find(C) != String::npos; }
inline Char AsciiUpper(Char C) { return C >= u'a' && C <= u'z' ? static_cast<Char>(C - 32) : C; }
}  // namespace

bool TZCLParserToken::Compare(StringView Text, bool IgnoreCase) const {
  if (static_cast<size_t>(DataLength) != Text.size()) return false;
  return IgnoreCase ? zcCompareStrings(View(), Text, true) == 0 : View() == Text;
}

bool TZCLParserToken::StartsWith(StringView Text, bool IgnoreCase) const {
  if (static_cast<size_t>(DataLength) < Text.size()) return false;
  const StringView head = View().substr(0, Text.size());
  return IgnoreCase ? zcCompareStrings(head, Text, true) == 0 : head == Text;
}

TZCLParser::TZCLParser(StringView ADelimiters, StringView AQuotes, StringView ASpaces)
    : FDelimiters(ADelimiters), FQuotes(AQuotes), FSpaces(ASpaces) {}

void TZCLParser::Initialize(const String& Text) {
  FScanText = Text;
  FScan = FScanText.data();
  FScanCount = static_cast<Integer>(FScanText.size());
}

void TZCLParser::Initialize(const Char* Data, Integer Count) {
  FScanText.clear();
  FScan = Data;
  FScanCount = Data ? Count : 0;
}

bool TZCLParser::GetToken(TZCLParserToken& Token) {
  bool result;
  do {
    Token.Reset();
    result = ReadToken(FScan, FScanCount, Token);
  } while (result && IsSkippable(Token));
  return result;
}

bool TZCLParser::IsSkippable(const TZCLParserToken& Token) const {
  return (SkipQuotes && Token.TokenType == ttQuoteChar) || (SkipSpaces && Token.TokenType == ttSpace) ||
         (SkipDelimiters && Token.TokenType == ttDelimiter);
}

bool TZCLParser::ReadToken(const Char*& Scan, Integer& Count, TZCLParserToken& Token) {
  if (Count <= 0) return false;
  const Char c = *Scan;
  auto single = [&](Integer Type) {
    Token.Data = Scan;
    Token.DataLength = 1;
    Token.TokenType = Type;
    MoveToNext(Scan, Count);
    return true;
  };
  if (InSet(c, FSpaces)) return single(ttSpace);
  if (InSet(c, FQuotes)) {
    if (!QuotedTextAsSingleToken) return single(ttQuoteChar);
    const Char* start = Scan;
    const Integer startCount = Count;
    MoveToNext(Scan, Count);
    Token.Data = Scan;
    while (Count > 0 && *Scan != c) MoveToNext(Scan, Count);
    if (Count <= 0) {  // no closing quote: the quote is a character of its own
      Scan = start;
      Count = startCount;
      Token.Reset();
      return single(ttQuoteChar);
    }
    Token.DataLength = static_cast<Integer>(Scan - Token.Data);
    Token.TokenType = ttQuotedText;
    MoveToNext(Scan, Count);
    if (!QuotedTextAsSingleTokenUnquote) {
      Token.Data = start;
      Token.DataLength += 2;
    }
    return true;
  }
  if (InSet(c, FDelimiters)) return single(ttDelimiter);
  Token.Data = Scan;
  Token.TokenType = ttText;
  while (Count > 0 && !InSet(*Scan, FDelimiters)) MoveToNext(Scan, Count);
  Token.DataLength = static_cast<Integer>(Scan - Token.Data);
  return Token.DataLength > 0;
}

bool zcParseLine(const Char*& Scan, Integer& Count, TZCLParserToken& Token) {
  Token.Reset();
  Token.Data = Scan;
  while (Count > 0 && *Scan != u'\r' && *Scan != u'\n') ++Scan, --Count;
  Token.DataLength = static_cast<Integer>(Scan - Token.Data);
  if (Count > 0) {
    const bool cr = *Scan == u'\r';
    ++Scan, --Count;
    if (cr && Count > 0 && *Scan == u'\n') ++Scan, --Count;
  }
  return Token.DataLength > 0;
}

bool zcParseUntil(const Char*& Scan, Integer& Count, TZCLParserToken& Token, Char C) {
  Token.Reset();
  Token.Data = Scan;
  while (Count > 0 && *Scan != C) ++Scan, --Count;
  Token.DataLength = static_cast<Integer>(Scan - Token.Data);
  if (Count > 0) ++Scan, --Count;
  return Token.DataLength > 0;
}

String zcExtractTextBetween(StringView Text, StringView BeginMarker, StringView EndMarker, Integer& Start,
                            Integer& End) {
  Start = End = 0;
  const Integer b = zcPos(BeginMarker, Text, true, 1);
  if (b == 0) return String();
  Start = b + static_cast<Integer>(BeginMarker.size());
  const Integer e = EndMarker.empty() ? 0 : zcPos(EndMarker, Text, true, Start);
  End = e > 0 ? e : static_cast<Integer>(Text.size()) + 1;
  return String(Text.substr(static_cast<size_t>(Start - 1), static_cast<size_t>(End - Start)));
}

String zcExtractTextBetween(StringView Text, StringView BeginMarker, StringView EndMarker) {
  Integer start, end;
  return zcExtractTextBetween(Text, BeginMarker, EndMarker, start, end);
}

bool RemoveQuotes(String& Text) {
  if (Text.size() < 2 || Text.front() != Text.back() || (Text.front() != u'"' && Text.front() != u'\''))
    return false;
  Text = Text.substr(1, Text.size() - 2);
  return true;
}

bool SameTokenText(const Char* S1, const Char* S2, Integer L1, Integer L2) {
  if (L1 != L2) return false;
  for (Integer i = 0; i < L1; ++i)
    if (AsciiUpper(S1[i]) != AsciiUpper(S2[i])) return false;
  return true;
}

bool SameTokenText(std::string_view S1, std::string_view S2) {
  if (S1.size() != S2.size()) return false;
  for (size_t i = 0; i < S1.size(); ++i)
    if (AsciiUpper(static_cast<Byte>(S1[i])) != AsciiUpper(static_cast<Byte>(S2[i]))) return false;
  return true;
}

bool TZCLTokenComparer::Equals(StringView A, StringView B) const {
  return SameTokenText(A.data(), B.data(), static_cast<Integer>(A.size()), static_cast<Integer>(B.size()));
}

Cardinal TZCLTokenComparer::GetHashCode(StringView S) const {
  Cardinal h = 0;
  for (Char c : S) {
    h = (h << 4) + AsciiUpper(c);
    const Cardinal g = h & 0xF0000000u;
    if (g) h ^= g >> 24;
    h &= ~g;
  }
  return h;
}
