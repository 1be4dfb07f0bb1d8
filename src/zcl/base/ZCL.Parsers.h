#pragma once
// A small configurable tokenizer that cuts text into spaces, delimiters, quote characters,
// quoted texts and plain text runs without copying, and scanning routines around it.

#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Types.h"

enum : Integer { ttSpace = 1, ttDelimiter = 2, ttQuoteChar = 3, ttQuotedText = 4, ttText = 5 };

struct TZCLParserToken {
  NativeUInt Tag = 0;  // free for the deriving parser (operator or function information)
  const Char* Data = nullptr;
  Integer DataLength = 0;
  Integer TokenType = 0;

  void Reset() { *this = TZCLParserToken(); }
  bool Compare(StringView Text, bool IgnoreCase = false) const;
  bool StartsWith(StringView Text, bool IgnoreCase = false) const;
  String ToString() const { return String(Data ? Data : u"", static_cast<size_t>(DataLength)); }
  StringView View() const { return StringView(Data ? Data : u"", static_cast<size_t>(DataLength)); }
};

class TZCLParser : public TObject {
  ZCL_CLASS(TZCLParser, TObject)
 public:
  TZCLParser(StringView ADelimiters, StringView AQuotes, StringView ASpaces);

  // Scans the string; the parser keeps it so the tokens stay valid.
  void Initialize(const String& Text);
  // Scans Count characters at Data; the caller keeps them alive.
  void Initialize(const Char* Data, Integer Count);
  // The next token that IsSkippable does not reject; False at the end.
  bool GetToken(TZCLParserToken& Token);
  // Exactly one token; True when it has characters or is a closed quoted text.
  virtual bool ReadToken(const Char*& Scan, Integer& Count, TZCLParserToken& Token);
  virtual bool IsSkippable(const TZCLParserToken& Token) const;
  static void MoveToNext(const Char*& Scan, Integer& Count) {
    if (Count > 0) ++Scan, --Count;
  }

  bool QuotedTextAsSingleToken = false;
  bool QuotedTextAsSingleTokenUnquote = true;
  bool SkipDelimiters = true;
  bool SkipQuotes = false;
  bool SkipSpaces = true;

 protected:
  String FDelimiters, FQuotes, FSpaces;
  const Char* FScan = nullptr;
  String FScanText;
  Integer FScanCount = 0;
};

// The characters before the next line break (CR LF, CR or LF), which is consumed.
bool zcParseLine(const Char*& Scan, Integer& Count, TZCLParserToken& Token);
// The characters before the next C, which is consumed.
bool zcParseUntil(const Char*& Scan, Integer& Count, TZCLParserToken& Token, Char C);
// The text between the first BeginMarker and the next EndMarker (both ignoring case); without
// an end marker, the rest; empty without a begin marker. Start/End are 1-based, End exclusive.
String zcExtractTextBetween(StringView Text, StringView BeginMarker, StringView EndMarker, Integer& Start,
                            Integer& End);
String zcExtractTextBetween(StringView Text, StringView BeginMarker, StringView EndMarker);
bool RemoveQuotes(String& Text);
// Equal lengths and characters equal after mapping "a".."z" to upper case only.
bool SameTokenText(const Char* S1, const Char* S2, Integer L1, Integer L2);
// The same for byte strings.
bool SameTokenText(std::string_view S1, std::string_view S2);

// Equality and hash of names ignoring ASCII letter case.
struct TZCLTokenComparer {
  bool Equals(StringView A, StringView B) const;
  Cardinal GetHashCode(StringView S) const;
  bool operator()(StringView A, StringView B) const { return Equals(A, B); }
  size_t operator()(StringView S) const { return GetHashCode(S); }
};
