#pragma once
// Text routines on String. Positions are 1-based and count UTF-16 code units; 0 means
// "not found". Routines named Ansi... follow the user's locale (ICU); the others are ordinal
// and fold case for ASCII letters only.

#include "rtl/RTL.Set.h"
#include "rtl/RTL.Types.h"

// Searching. Pos gives 0 for an empty SubStr or an Offset outside 1 .. Length(S).
Integer Pos(StringView SubStr, StringView S, Integer Offset = 1);
Integer Pos(Char C, StringView S, Integer Offset = 1);
Integer PosEx(StringView SubStr, StringView S, Integer Offset = 1);
// Position of the last character of S that occurs in Delimiters, 0 when none does.
Integer LastDelimiter(StringView Delimiters, StringView S);

// Copy clamps: an Index below 1 counts as 1, a Count beyond the end stops there, a Count of 0
// or less (or an Index past the end) gives "".
String Copy(StringView S, Integer Index, Integer Count);
String Copy(StringView S, Integer Index);  // to the end
// Delete removes Count characters from Index; an Index outside 1 .. Length(S) or a Count of 0
// or less changes nothing, a Count beyond the end removes the rest.
void Delete(String& S, Integer Index, Integer Count);
// Insert puts Source before position Index; below 1 inserts at the start, past the end appends.
void Insert(StringView Source, String& S, Integer Index);

// Removal of leading / trailing characters up to and including space (all control characters).
String Trim(StringView S);
String TrimLeft(StringView S);
String TrimRight(StringView S);

String StringOfChar(Char C, Integer Count);
String DupeString(StringView S, Integer Count);

// Case. UpperCase/LowerCase map a-z / A-Z only; the Ansi... forms map every letter by the
// user's locale (the result may differ in length, as for "ß" -> "SS").
String UpperCase(StringView S);
String LowerCase(StringView S);
String AnsiUpperCase(StringView S);
String AnsiLowerCase(StringView S);
Char UpCase(Char C);  // ASCII only

// Ordinal comparison by UTF-16 code units: negative, 0 or positive.
Integer CompareStr(StringView S1, StringView S2);
bool SameStr(StringView S1, StringView S2);
// Ordinal comparison with a-z folded to A-Z.
Integer CompareText(StringView S1, StringView S2);
bool SameText(StringView S1, StringView S2);
// A hash that agrees with SameText: ASCII letters without case.
size_t HashText(StringView S);
// Collation of the user's locale: -1, 0 or 1. The Text forms ignore case (and only case).
Integer AnsiCompareStr(StringView S1, StringView S2);
Integer AnsiCompareText(StringView S1, StringView S2);
bool AnsiSameStr(StringView S1, StringView S2);
bool AnsiSameText(StringView S1, StringView S2);

// Prefix, suffix and containment tests. The Text forms ignore case by Unicode simple case
// folding, so positions in the text never shift.
bool StartsStr(StringView SubText, StringView Text);
bool EndsStr(StringView SubText, StringView Text);
bool ContainsStr(StringView Text, StringView SubText);
bool StartsText(StringView SubText, StringView Text);
bool EndsText(StringView SubText, StringView Text);
bool ContainsText(StringView Text, StringView SubText);

enum TReplaceFlag : Byte { rfReplaceAll, rfIgnoreCase };
constexpr Integer EnumHigh(TReplaceFlag) { return rfIgnoreCase; }
using TReplaceFlags = TSet<TReplaceFlag>;

// Replaces the first occurrence of OldPattern, or every one with rfReplaceAll. rfIgnoreCase
// matches by Unicode simple case folding. An empty OldPattern matches nothing.
String StringReplace(StringView S, StringView OldPattern, StringView NewPattern, TReplaceFlags Flags);

// 'text' with every ' doubled.
String QuotedStr(StringView S);
String AnsiQuotedStr(StringView S, Char Quote);
// Reads a quoted text at the start of Src: returns it with doubled quotes undone and moves Src
// past the closing quote (to the end when it is missing). "" when Src does not start with Quote.
String AnsiExtractQuotedStr(StringView& Src, Char Quote);
// The unquoted text of S when S is a quoted text; S itself otherwise.
String AnsiDequotedStr(StringView S, Char Quote);

// Upper-case hexadecimal with at least Digits digits. Negative values print their two's
// complement at the width of the argument type.
String IntToHex(int Value, Integer Digits);
String IntToHex(unsigned Value, Integer Digits);
String IntToHex(long Value, Integer Digits);
String IntToHex(unsigned long Value, Integer Digits);
String IntToHex(long long Value, Integer Digits);
String IntToHex(unsigned long long Value, Integer Digits);

// A letter or "_" followed by letters, digits and "_"; with AllowDots, several such names
// joined by single dots.
bool IsValidIdent(StringView Ident, bool AllowDots = false);

enum class TTextLineBreakStyle { tlbsLF, tlbsCRLF };
// Turns every CR, LF and CR LF into the line break of Style.
String AdjustLineBreaks(StringView S, TTextLineBreakStyle Style = TTextLineBreakStyle::tlbsLF);

// Character classes. CharInSet tests membership in a set of characters; the Is... tests are
// Unicode properties of one code unit (a surrogate is none of them).
bool CharInSet(Char C, StringView Set);
bool IsDigit(Char C);       // decimal digit, any script
bool IsLetter(Char C);
bool IsLetterOrDigit(Char C);
bool IsWhiteSpace(Char C);
bool IsUpper(Char C);
bool IsLower(Char C);
Char ToUpper(Char C);  // simple (one-to-one) mapping
Char ToLower(Char C);
// The strong direction of a code point by its bidirectional class: 1 left-to-right (L, LRE,
// LRO), -1 right-to-left (R, AL, RLE, RLO), 0 for every weak or neutral class.
Integer CharStrongDirection(Cardinal CodePoint);
