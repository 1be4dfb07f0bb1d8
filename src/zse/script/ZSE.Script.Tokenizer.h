#pragma once
// The character-level scanner of the script engine: one reader per token kind, a current
// position the caller moves back itself, and line:column texts for positions. It has no grammar
// of its own; the grammar-driven parser configures it and calls the readers.

#include <bitset>
#include <set>
#include <vector>

#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Objects.h"

class TzsParser : public TObject {
  ZCL_CLASS(TzsParser, TObject)
 public:
  TzsParser();

  // Empties the keywords and restores the defaults (case sensitivity, the second line-comment
  // mark and the line table switch stay).
  void Clear();

  const String& GetText() const { return FSource; }
  void SetText(const String& Value);
  // 1-based index into the text.
  Integer GetPosition() const { return FPosition; }
  void SetPosition(Integer Value) {
    FPosition = Value;
    FLastPosition = Value;
  }
  Integer GetSize() const { return FSize; }

  bool GetCaseSensitive() const { return FCaseSensitive; }
  void SetCaseSensitive(bool Value) { FCaseSensitive = Value; }
  void SetCommentBlock1(const String& Value);
  void SetCommentBlock2(const String& Value);
  void SetCommentLine1(const String& Value) { FCommentLine1 = Value; }
  void SetCommentLine2(const String& Value) { FCommentLine2 = Value; }
  void SetHexSequence(const String& Value) { FHexSequence = Value; }
  void SetStringQuotes(const String& Value) { FStringQuotes = Value; }
  void SetSkipChar(const String& Value) { FSkipChar = Value; }
  void SetSkipEOL(bool Value) { FSkipEOL = Value; }
  void SetSkipSpace(bool Value) { FSkipSpace = Value; }
  void SetSpecStrChar(bool Value) { FSpecStrChar = Value; }
  // The identifier characters become the low 8 bits of the characters of Value.
  void ConstructCharset(StringView Value);
  void AddKeyword(const String& Word);

  void SkipSpaces();
  bool GetEOL();
  String GetWord();
  String GetIdent();
  bool IsKeyWord(StringView Word) const;
  String GetChar();
  // Hexadecimal numbers come back with "$" as their prefix.
  String GetNumber();
  // The literal's value between single quotes, or "" when there is none.
  String GetString();
  // From just after an opening bracket up to (not including) its closing bracket.
  String GetFRString();
  String GetXYPosition() const { return PositionToXY(FPosition); }
  String PositionToXY(Integer Position) const;
  Integer GetPlainPosition(TPoint Point) const;
  static TPoint SourcePosToPoint(StringView Pos);

 private:
  Char Ch(Integer P) const { return P >= 1 && P <= FSize ? FSource[static_cast<size_t>(P - 1)] : Char(0); }
  bool IsBlank(Char C) const { return C <= 32 && (FSkipEOL || C != 13); }
  bool IsIdent(Char C) const { return C > 126 || (C < 256 && FIdentifierCharset[C]); }
  bool Matches(Integer P, StringView Mark) const;
  bool ReadInteger(Int64* Value);
  bool ReadReal();
  bool ReadQuoted(String& Out);
  bool ReadCharCode(String& Out);

  bool FCaseSensitive = false;
  String FCommentBlock11, FCommentBlock12, FCommentBlock21, FCommentBlock22;
  String FCommentLine1, FCommentLine2;
  String FHexSequence;
  std::bitset<256> FIdentifierCharset;
  std::set<String> FKeywords;       // as given
  std::set<String> FKeywordsUpper;  // upper case, for the case-insensitive test
  Integer FLastPosition = 1;
  Integer FPosition = 1;
  Integer FSize = 0;
  String FSkipChar;
  bool FSkipEOL = true;
  bool FSkipSpace = true;
  String FStringQuotes;
  String FSource;
  std::vector<Integer> FYList{0};
  bool FSpecStrChar = false;
};
