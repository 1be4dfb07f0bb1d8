#include "zse/script/ZSE.Script.Tokenizer.h"

#include <algorithm>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"

namespace {

bool IsPunct(Char C) {
  return (C >= 33 && C <= 47) || (C >= 58 && C <= 64) || (C >= 91 && C <= 96) || (C >= 123 && C <= 126);
}
bool IsDecimal(Char C) { return C >= u'0' && C <= u'9'; }
Integer HexValue(Char C) {
  if (C >= u'0' && C <= u'9') return C - u'0';
  if (C >= u'A' && C <= u'F') return C - u'A' + 10;
  if (C >= u'a' && C <= u'f') return C - u'a' + 10;
  return -1;
}

// Opening and closing mark of a comment pair written as "open,close" (commas or blanks).
void SplitPair(const String& Value, String& Open, String& Close) {
  Open.clear();
  Close.clear();
  String* target = &Open;
  bool inPart = false;
  for (Char c : Value) {
    if (c == u',' || c <= 32) {
      if (inPart) {
        if (target == &Close) return;
        target = &Close;
        inPart = false;
      } else if (c == u',') {
        if (target == &Close) return;
        target = &Close;
      }
      continue;
    }
    *target += c;
    inPart = true;
  }
}

}  // namespace

TzsParser::TzsParser() { Clear(); }

void TzsParser::Clear() {
  FKeywords.clear();
  FKeywordsUpper.clear();
  SetCommentBlock1(u"{,}");
  SetCommentBlock2(u"(*,*)");
  FCommentLine1 = u"//";
  FHexSequence = u"$";
  ConstructCharset(u"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ_abcdefghijklmnopqrstuvwxyz");
  FLastPosition = 1;
  FPosition = 1;
  FSkipChar.clear();
  FSkipEOL = true;
  FSkipSpace = true;
  FStringQuotes = u"'";
  FSpecStrChar = false;
}

void TzsParser::SetText(const String& Value) {
  FSource = Value;
  FSize = static_cast<Integer>(Value.size());
  FPosition = 1;
  FLastPosition = 1;
  FYList.assign(1, 0);
  for (Integer i = 0; i < FSize; ++i)
    if (Value[static_cast<size_t>(i)] == u'\n') FYList.push_back(i + 1);
}

void TzsParser::SetCommentBlock1(const String& Value) { SplitPair(Value, FCommentBlock11, FCommentBlock12); }
void TzsParser::SetCommentBlock2(const String& Value) { SplitPair(Value, FCommentBlock21, FCommentBlock22); }

void TzsParser::ConstructCharset(StringView Value) {
  FIdentifierCharset.reset();
  for (Char c : Value) FIdentifierCharset.set(c & 0xFF);
}

void TzsParser::AddKeyword(const String& Word) {
  FKeywords.insert(Word);
  FKeywordsUpper.insert(UpperCase(Word));
}

bool TzsParser::Matches(Integer P, StringView Mark) const {
  if (Mark.empty() || P < 1 || P + static_cast<Integer>(Mark.size()) - 1 > FSize) return false;
  return StringView(FSource).substr(static_cast<size_t>(P - 1), Mark.size()) == Mark;
}

void TzsParser::SkipSpaces() {
  for (;;) {
    while (FPosition <= FSize && IsBlank(Ch(FPosition))) ++FPosition;
    if (FPosition <= FSize && !FSkipChar.empty() && Ch(FPosition) == FSkipChar[0]) {
      // A continuation character: skip it with the blanks and the line end after it.
      ++FPosition;
      while (FPosition <= FSize && IsBlank(Ch(FPosition))) ++FPosition;
      while (FPosition <= FSize && (Ch(FPosition) == 10 || Ch(FPosition) == 13)) ++FPosition;
      continue;
    }
    if (FPosition < FSize) {
      if (Matches(FPosition, FCommentLine1) || Matches(FPosition, FCommentLine2)) {
        const bool afterText = FPosition > 1 && Ch(FPosition - 1) != u'\n' && !FSkipEOL;
        while (FPosition <= FSize && Ch(FPosition) != u'\n' && !(afterText && Ch(FPosition) == u'\r')) ++FPosition;
        continue;
      }
      const String* endMark = nullptr;
      if (!FCommentBlock11.empty() && Matches(FPosition, FCommentBlock11))
        endMark = &FCommentBlock12;
      else if (!FCommentBlock21.empty() && Matches(FPosition, FCommentBlock21))
        endMark = &FCommentBlock22;
      if (endMark) {
        const Integer len = static_cast<Integer>(endMark->size());
        FPosition += len;
        while (FPosition <= FSize && !Matches(FPosition, *endMark)) ++FPosition;
        FPosition = std::min(FPosition + len, FSize + 1);
        continue;
      }
    }
    FLastPosition = FPosition;
    return;
  }
}

bool TzsParser::GetEOL() {
  SkipSpaces();
  if (Ch(FPosition) != 10 && Ch(FPosition) != 13) return false;
  while (FPosition <= FSize && (Ch(FPosition) == 10 || Ch(FPosition) == 13)) ++FPosition;
  return true;
}

String TzsParser::GetWord() {
  if (FSkipSpace) SkipSpaces();
  const Char c = Ch(FPosition);
  if (FPosition > FSize || IsDecimal(c) || !IsIdent(c)) return String();
  while (FPosition <= FSize && IsIdent(Ch(FPosition))) ++FPosition;
  const Integer from = std::clamp(FLastPosition, 1, FPosition);
  return FSource.substr(static_cast<size_t>(from - 1), static_cast<size_t>(FPosition - from));
}

String TzsParser::GetIdent() {
  String w = GetWord();
  if (!w.empty() && IsKeyWord(w)) return String();
  return w;
}

bool TzsParser::IsKeyWord(StringView Word) const {
  if (FCaseSensitive) return FKeywords.count(String(Word)) != 0;
  return FKeywordsUpper.count(UpperCase(Word)) != 0;
}

String TzsParser::GetChar() {
  const Char c = Ch(FPosition);
  if (FPosition > FSize || !IsPunct(c)) return String();
  ++FPosition;
  return String(1, c);
}

bool TzsParser::ReadInteger(Int64* Value) {
  const Integer start = FPosition;
  UInt64 v = 0;
  Integer digits = 0;
  if (FHexSequence.empty() || Matches(FPosition, FHexSequence)) {
    FPosition += static_cast<Integer>(FHexSequence.size());
    while (FPosition <= FSize && HexValue(Ch(FPosition)) >= 0) {
      v = v * 16 + static_cast<UInt64>(HexValue(Ch(FPosition)));
      ++FPosition;
      ++digits;
    }
  } else {
    while (FPosition <= FSize && IsDecimal(Ch(FPosition))) {
      v = v * 10 + static_cast<UInt64>(Ch(FPosition) - u'0');
      ++FPosition;
      ++digits;
    }
  }
  if (digits == 0) {
    FPosition = start;
    return false;
  }
  if (Value) *Value = static_cast<Int64>(v);
  return true;
}

bool TzsParser::ReadReal() {
  const Integer start = FPosition;
  if (!ReadInteger(nullptr)) return false;
  if (Ch(FPosition) == u'.' && FPosition <= FSize) {
    ++FPosition;
    if (!IsDecimal(Ch(FPosition)) || FPosition > FSize) {
      FPosition = start;
      return false;
    }
    while (FPosition <= FSize && IsDecimal(Ch(FPosition))) ++FPosition;
  }
  const Char e = Ch(FPosition);
  if (FPosition <= FSize && (e == u'E' || e == u'e')) {
    Integer p = FPosition + 1;
    if (Ch(p) == u'+' || Ch(p) == u'-') ++p;
    if (p <= FSize && IsDecimal(Ch(p))) {
      while (p <= FSize && IsDecimal(Ch(p))) ++p;
      FPosition = p;
    }
  }
  return true;
}

String TzsParser::GetNumber() {
  if (FSkipSpace) SkipSpaces();
  const Integer start = FPosition;
  if (!ReadReal()) {
    FPosition = start;
    if (!ReadInteger(nullptr)) {
      FPosition = start;
      return String();
    }
  }
  const Integer from = std::clamp(FLastPosition, 1, FPosition);
  String r = FSource.substr(static_cast<size_t>(from - 1), static_cast<size_t>(FPosition - from));
  if (!FHexSequence.empty() && FHexSequence != u"$")
    r = StringReplace(r, FHexSequence, u"$", TReplaceFlags{rfReplaceAll});
  return r;
}

bool TzsParser::ReadQuoted(String& Out) {
  const Char quote = FStringQuotes.empty() ? Char(0) : FStringQuotes[0];
  if (FPosition > FSize || Ch(FPosition) != quote) return false;
  const Integer start = FPosition;
  String piece;
  for (;;) {
    ++FPosition;
    if (FPosition > FSize) break;
    Char c = Ch(FPosition);
    if (FSpecStrChar && c == u'\\') {
      ++FPosition;
      if (FPosition > FSize) break;
      const Char sel = ToLower(Ch(FPosition));
      if (sel == u'n') {
        piece += u'\n';
      } else if (sel == u'r') {
        piece += u'\r';
      } else if (sel == u'x') {
        UInt64 v = 0;
        Integer digits = 0;
        while (FPosition + 1 <= FSize && HexValue(Ch(FPosition + 1)) >= 0) {
          ++FPosition;
          v = v * 16 + static_cast<UInt64>(HexValue(Ch(FPosition)));
          ++digits;
        }
        if (digits) piece += static_cast<Char>(v & 0xFFFF);
      } else {
        piece += Ch(FPosition);
      }
      continue;
    }
    if (c == quote) {
      if (!FSpecStrChar && Ch(FPosition + 1) == quote && FPosition + 1 <= FSize) {
        piece += quote;
        ++FPosition;
        continue;
      }
      ++FPosition;
      Out += piece;
      return true;
    }
    if (c <= 8 || (c >= 10 && c <= 31)) break;
    piece += c;
  }
  FPosition = start;
  return false;
}

bool TzsParser::ReadCharCode(String& Out) {
  if (FPosition > FSize || Ch(FPosition) != u'#') return false;
  const Integer start = FPosition;
  ++FPosition;
  Int64 v = 0;
  if (!ReadInteger(&v)) {
    FPosition = start;
    return false;
  }
  Out += static_cast<Char>(v & 0xFFFF);
  return true;
}

String TzsParser::GetString() {
  if (FSkipSpace) SkipSpaces();
  String value;
  bool any = false;
  while (ReadQuoted(value) || ReadCharCode(value)) any = true;
  if (!any) return String();
  return u"'" + value + u"'";
}

String TzsParser::GetFRString() {
  const Integer start = FPosition;
  Integer depth = 1;
  bool inDouble = false, inSingle = false;
  while (FPosition <= FSize) {
    const Char c = Ch(FPosition);
    if (!inDouble && !inSingle) {
      if (c == u'<' || c == u'[') ++depth;
      if (c == u'>' || c == u']') --depth;
      if (depth == 0) break;
    }
    if (c == u'"' && !inSingle) inDouble = !inDouble;
    if (c == u'\'' && !inDouble) inSingle = !inSingle;
    ++FPosition;
  }
  return FSource.substr(static_cast<size_t>(start - 1), static_cast<size_t>(FPosition - start));
}

String TzsParser::PositionToXY(Integer Position) const {
  // Line feeds strictly before the position, plus one.
  const auto it = std::lower_bound(FYList.begin() + 1, FYList.end(), Position);
  const Integer line = static_cast<Integer>(it - FYList.begin());
  const Integer column = std::max(1, Position - FYList[static_cast<size_t>(line - 1)]);
  return IntToStr(line) + u":" + IntToStr(column);
}

Integer TzsParser::GetPlainPosition(TPoint Point) const {
  const Integer index = Point.Y - 1;
  if (index < 0 || index >= static_cast<Integer>(FYList.size())) return -1;
  return FYList[static_cast<size_t>(index)] + Point.X;
}

TPoint TzsParser::SourcePosToPoint(StringView Pos) {
  const size_t colon = Pos.find(u':');
  if (Pos.empty() || colon == StringView::npos) return TPoint(0, 0);
  Integer y = 0, x = 0;
  if (!TryStrToInt(Pos.substr(0, colon), y) || !TryStrToInt(Pos.substr(colon + 1), x)) return TPoint(0, 0);
  return TPoint(x, y);
}
