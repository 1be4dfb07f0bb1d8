#pragma once
// Text utilities of the component library: the pooled string builder, the zc* string routines,
// hexadecimal and Base64 codes and the duration formats.

#include <functional>
#include <memory>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Types.h"

class TStream;
class TZCLCriticalSection;

// ---------------------------------------------------------------------------------------------
// String builder

// A growable character buffer; positions are 0-based. Routines that build text take one from
// the pool with Get and hand it back with Release on every path.
class TZCLStringBuilder : public TObject {
  ZCL_CLASS(TZCLStringBuilder, TObject)
 public:
  explicit TZCLStringBuilder(Integer ACapacity = 16);

  // A pooled builder (Length 0, exactly ACapacity) or a new one.
  static TZCLStringBuilder* Get(Integer ACapacity);
  // Back to the pool (newest in slot 0, the oldest dropped); builders of 1,048,576 characters
  // or more are freed.
  static void Release(TZCLStringBuilder* Builder);
  // Frees the pooled builders (unit finalization).
  static void ClearPool();

  TZCLStringBuilder& Append(const Char* Data, Integer Count);
  TZCLStringBuilder& Append(StringView S) { return Append(S.data(), static_cast<Integer>(S.size())); }
  TZCLStringBuilder& Append(const Char* S) { return Append(StringView(S)); }
  TZCLStringBuilder& Append(Char C);
  // Count characters from the 0-based Start; a negative Count means "to the end".
  TZCLStringBuilder& Append(StringView S, Integer Start, Integer Count);
  TZCLStringBuilder& Append(Integer Value);
  TZCLStringBuilder& AppendFormat(StringView Fmt, TVarRecList Args);
  TZCLStringBuilder& Insert(Integer Index, StringView S);

  Integer GetCapacity() const { return FCapacity; }
  void SetCapacity(Integer Value);
  Integer GetLength() const { return FLength; }
  void SetLength(Integer Value);
  const Char* GetData() const { return FItems.get(); }

  String ToString() const override { return String(FItems.get(), static_cast<size_t>(FLength)); }
  String ToString(Integer Start, Integer ACount) const;
  String ToTrimmedString() const;

 private:
  void Grow(Integer Needed);
  Integer FCapacity = 0;
  std::unique_ptr<Char[]> FItems;  // Capacity characters; only the first Length are defined
  Integer FLength = 0;
};

// Takes a pooled builder for the lifetime of the guard.
class TZCLPooledBuilder {
 public:
  explicit TZCLPooledBuilder(Integer ACapacity) : FBuilder(TZCLStringBuilder::Get(ACapacity)) {}
  ~TZCLPooledBuilder() { TZCLStringBuilder::Release(FBuilder); }
  TZCLPooledBuilder(const TZCLPooledBuilder&) = delete;
  TZCLPooledBuilder& operator=(const TZCLPooledBuilder&) = delete;
  TZCLStringBuilder* operator->() const { return FBuilder; }
  TZCLStringBuilder& operator*() const { return *FBuilder; }

 private:
  TZCLStringBuilder* FBuilder;
};

// ---------------------------------------------------------------------------------------------
// String routines. Positions are 1-based, 0 is "not found".

// Called for each part [PartStart, PartEnd); clear Continue to stop.
using TZCLExplodeProc = std::function<void(const Char* PartStart, const Char* PartEnd, bool& Continue)>;
using TZCLExplodeAnsiProc = std::function<void(const char* PartStart, const char* PartEnd, bool& Continue)>;

Integer zcExplodeString(const Char* Data, Integer Count, StringView Delimiters, const TZCLExplodeProc& Proc);
Integer zcExplodeString(StringView S, StringView Delimiters, const TZCLExplodeProc& Proc);
Integer zcExplodeString(StringView S, StringView Delimiters, std::vector<String>& Parts);
Integer zcExplodeString(const char* Data, Integer Count, std::string_view Delimiters, const TZCLExplodeAnsiProc& Proc);
Integer zcExplodeStringAsIntegerArray(StringView S, Char Delimiter, Integer* Buffer, Integer Count);
Integer zcCountChars(StringView S, StringView CharSet);

// Font style code of the text form: 1 italic, 2 bold, 4 underline, 8 strike-out.
constexpr Integer zcFontStyleItalic = 1, zcFontStyleBold = 2, zcFontStyleUnderline = 4, zcFontStyleStrikeOut = 8;
String zcPointToString(const TPoint& P);
String zcRectToString(const TRect& R);
// Up to 2 / 4 comma-separated integers; zeros where missing.
TPoint zcStringToPoint(StringView S);
TRect zcStringToRect(StringView S);
String zcFontToString(StringView Name, Integer Color, Integer Height, Integer StyleCode);
// Name, colour, height and style code of "<name>,<colour>,<height>,<style>".
void zcStringToFont(StringView S, String& Name, Integer& Color, Integer& Height, Integer& StyleCode);

String zcFormatFloat(StringView Fmt, Double Value);
String zcFormatFloat(StringView Fmt, Double Value, bool ShowPlusSign);
// Size with a unit word: "512 B", "1.00 KB", "2048.00 MB" (without gigabytes).
String zcFormatSize(Int64 Size, bool AllowGigabytes = true);
String zcIntToTwoDigits(Integer Value);
extern String zcSizeUnitBytes, zcSizeUnitKB, zcSizeUnitMB, zcSizeUnitGB;

const Char* zcFindChar(const Char* Data, Integer Count, Char C);
const char* zcFindAnsiChar(const char* Data, Integer Count, char C);
Integer zcCharPos(Char C, StringView S);
bool zcContainsChar(Char C, StringView S);
Integer zcPos(StringView SubStr, StringView S, bool IgnoreCase = false, Integer Offset = 1);
Integer zcPos(StringView SubStr, StringView S, bool IgnoreCase, bool WholeWords, Integer Offset);
bool zcContains(StringView SubStr, StringView S, bool IgnoreCase = false);
// The text after the first StartMarker (found ignoring case) up to the next EndMarker, or to the
// end when none follows; empty when StartMarker is absent.
String zcExtractBetween(StringView S, StringView StartMarker, StringView EndMarker);
bool zcFindBytes(const void* Pattern, const void* Buffer, Integer PatternLength, Integer BufferLength,
                 Integer StartOffset, Integer& Position);
bool zcFindAnsiString(std::string_view Pattern, const void* Buffer, Integer BufferLength, Integer StartOffset,
                      Integer& Position);
bool zcFindString(StringView Pattern, const void* Buffer, Integer BufferLength, Integer StartOffset,
                  Integer& Position);

// -1, 0 or 1 by the locale comparison.
Integer zcCompareStringsBuf(const Char* S1, const Char* S2, Integer L1, Integer L2, bool IgnoreCase);
Integer zcCompareStrings(StringView S1, StringView S2, bool IgnoreCase = false);
bool zcSameText(StringView S1, StringView S2);
bool zcSameTextOneOf(StringView S, std::initializer_list<StringView> Values);
bool zcBeginsWith(StringView S, StringView Prefix, bool IgnoreCase = false);
bool zcEndsWith(StringView S, StringView Suffix, bool IgnoreCase = false);
// Orders runs of digits by their value: "file2" < "file10", "a01" == "a1". Digit runs of any
// length compare exactly.
Integer zcLogicalCompare(StringView S1, StringView S2, bool IgnoreCase = true);
Integer zcLogicalCompareBuf(const Char* S1, const Char* S2, Integer L1, Integer L2, bool IgnoreCase);

String zcUpperCase(StringView S);
String zcLowerCase(StringView S);
Char zcCharUpper(Char C);
Char zcCharLower(Char C);
String zcCapitalizeWords(StringView S, bool KeepOtherLetters = false);
String zcUpperCaseFirstLetter(StringView S);
bool zcIsWordDelimiter(Char C);

// Without leading and trailing characters below code 33.
String zcTrim(const String& S);
String zcStringReplace(const String& S, StringView OldPattern, StringView NewPattern, bool IgnoreCase = false,
                       bool WholeWords = false);
String zcRemoveChar(const String& S, Char C);
String zcReplaceChar(const String& S, Char From, Char To);
String zcReplaceChars(const String& S, StringView CharSet, Char To);
String zcRemoveAccents(StringView S);
String zcDupeString(StringView S, Integer Count);
// Fills all BufferLength characters with NUL and copies at most BufferLength - 1 characters, so
// the buffer always ends in a terminator.
void zcStrPLCopy(Char* Buffer, StringView S, Integer BufferLength);
String zcMakeString(const Char* Data, Integer Count);
String zcMakeString(const Char* First, const Char* PastEnd);
AnsiString zcMakeString(const char* First, const char* PastEnd);
inline const String& zcIfThen(bool Condition, const String& S1, const String& S2) { return Condition ? S1 : S2; }

bool zcIsDigit(Char C);
bool zcTryStrToInt64(const Char* Data, Integer Count, Int64& Value);
Int64 zcStrToInt64Def(const Char* Data, Integer Count, Int64 Default);
Integer zcStrToIntDef(std::string_view S, Integer Default);

// Takes the next line of a character run; CR LF, a lone CR or a lone LF ends it and is consumed.
// False when the line taken is empty (also at the end of the run).
bool zcReadLine(const Char*& Cursor, Integer& Remaining, StringView& Line);
// Takes the characters up to Delimiter (consumed) or to the end; False when the part is empty.
bool zcReadToken(const Char*& Cursor, Integer& Remaining, StringView& Part, Char Delimiter);

// ---------------------------------------------------------------------------------------------
// Codes

class TZCLHexcode : public TObject {
  ZCL_CLASS(TZCLHexcode, TObject)
 public:
  static String Encode(const void* Buffer, Integer Count);
  // The whole stream from position 0.
  static String EncodeStream(TStream* Stream);
  // Four digits, high byte first; returns the position after them.
  static Char* EncodeWord(Word Value, Char* Buffer);
  // Writes the decoded bytes at the stream's position. On a bad digit (or odd length) returns
  // False and leaves the stream's size, bytes and position as they were.
  static bool Decode(StringView Text, TStream* Stream);
  static bool DecodeByte(Char C1, Char C2, Byte& Value);
  static Byte DecodeByte(Char C1, Char C2);
  static bool DecodeNibble(Char C, Byte& Value);
  // The "00".."ff" table (unit initialization; built on first use otherwise).
  static void InitializeTable();
  static void FinalizeTable();
};

class TMemoryStream;

// Base64 with the RFC 4648 alphabet and "=" padding.
class TZCLMimecode : public TObject {
  ZCL_CLASS(TZCLMimecode, TObject)
 public:
  // A new memory stream with the Base64 text, positioned at 0.
  static TMemoryStream* Encode(const void* Buffer, Integer Count);
  static Integer EncodeBuffer(const void* Buffer, Integer Count, TStream* Stream);
  static AnsiString EncodeToString(const void* Buffer, Integer Count);
  // The stream then holds exactly the decoded bytes, positioned at 0; False (stream emptied)
  // for text that is not Base64.
  static bool Decode(std::string_view Text, TStream* Stream);
  // Bytes written at the stream's position, or -1 when the text is not Base64: a byte outside
  // the alphabet, "=" anywhere but the last two places, or a length that is not a multiple of 4.
  static Integer DecodeBuffer(const void* Text, Integer Count, TStream* Stream);
};

// Time parts: bits of TZCLTimeParts.
enum TZCLTimePart : Byte { tpMilliseconds, tpSeconds, tpMinutes, tpHours, tpDays };
using TZCLTimeParts = Byte;
constexpr TZCLTimeParts TimePart(TZCLTimePart P) { return static_cast<TZCLTimeParts>(1u << P); }

class TZCLTimeFormat : public TObject {
  ZCL_CLASS(TZCLTimeFormat, TObject)
 public:
  static String Format(Single Seconds, TZCLTimeParts Parts, StringView Separator, bool SuppressZeros);
  static String Format(Single Seconds, TZCLTimeParts Parts, bool SuppressZeros = false);
  // Pattern "<parts>;<separator>;<Z to suppress zeros>", for example "HMS;:;Z".
  static String FormatWithPattern(Single Seconds, StringView Pattern);
  // "M:SS", "MM:SS", "H:MM:SS", "HH:MM:SS" with an optional fraction ".5" (0.5 s); must end at
  // a space, control character, ")" or "]". Advances P on success only.
  static bool Parse(const Char*& P, Double& Seconds);
};

// Tests whether texts hold all words of a search mask (search boxes, playlist filters). A quoted
// mask is one phrase; each stretch of text satisfies at most one word.
class TZCLSearchString : public TObject {
  ZCL_CLASS(TZCLSearchString, TObject)
 public:
  TZCLSearchString();
  TZCLSearchString(StringView Mask, bool AIgnoreCase);
  ~TZCLSearchString() override;

  void SetValue(StringView Mask);
  const String& GetValue() const { return FValue; }
  bool GetIsEmpty() const { return FIsEmpty; }
  bool Compare(StringView Text);
  // Several texts may be offered between BeginCompare and EndCompare; EndCompare is True when
  // every word was found and releases the lock.
  void BeginCompare();
  void CompareCore(StringView Text);
  bool EndCompare();
  bool IsNumeric() const;
  String PrepareText(StringView Text) const;
  const std::vector<String>& GetWords() const { return FWords; }

  bool IgnoreCase = true;
  bool RemoveAccents = true;
  bool IgnorePunctuation = true;
  Char Separator = u' ';

 private:
  TZCLCriticalSection* FLock;
  bool FIsEmpty = true;
  std::vector<String> FWords;
  std::vector<bool> FFound;
  String FValue;
};

// The program's version number with its text forms.
struct TZCLAppVersion {
  Double BuildDate = 0;  // days; 0 or less: none
  Integer BuildNumber = 0;
  String Description;
  Word MajorVersion = 0;
  Byte MinorVersion = 0;
  Byte ReleaseVersion = 0;

  // Version 5400 is 5.40 (the last digit is not used); a build date of -1 means now.
  static TZCLAppVersion Create(Integer Version, Integer ABuildNumber, StringView ADescription, Double ABuildDate);
  String ToString() const;
  String ToDisplayString() const;
  static String FormatBuildDate(Double Date);
};

// ---------------------------------------------------------------------------------------------
// Punycode and transliteration

// Internationalised domain names: "xn--" labels in the Bootstring encoding of RFC 3492 and back.
// The core routines work on real code points (surrogate pairs joined, 32-bit arithmetic), so
// labels outside the Basic Multilingual Plane convert too.
class TZCLPunycode : public TObject {
  ZCL_CLASS(TZCLPunycode, TObject)
 public:
  // Result codes of Encode and Decode.
  static constexpr Integer Success = 0;
  static constexpr Integer BadInput = 1;  // empty, not a digit, a lone surrogate or no code point
  static constexpr Integer BigOutput = 2;
  static constexpr Integer Overflow = 3;

  // OutputLength is the capacity of Output on input and the bytes written (or needed, with a
  // null Output) on return. The encoder needs one byte to spare after the basic characters.
  static Integer Encode(const Char* Input, Integer Count, Integer& OutputLength, char* Output);
  // The same convention in UTF-16 units.
  static Integer Decode(const char* Input, Integer Count, Integer& OutputLength, Char* Output);

  // True and the encoding when the label holds characters beyond ASCII and encodes.
  static bool EncodeLabel(StringView Label, AnsiString& Output);
  // The decoded text after "xn--", or the text itself widened when it does not decode.
  static String DecodeLabel(std::string_view Text);
  // Labels are split at "."; labels that are not encoded go as bytes of the ANSI code page.
  static AnsiString EncodeDomain(StringView Domain);
  // Labels starting with "xn--" (exact case) are decoded, the others widened.
  static String DecodeDomain(std::string_view Domain);
};

// Russian Cyrillic letters written in Latin letters and back ("Щука" and "Schuka").
class TZCLTranslit : public TObject {
  ZCL_CLASS(TZCLTranslit, TObject)
 public:
  static String Encode(StringView Text);
  // Longest Latin form first (three, two, one characters); the first row of the table wins, so
  // "e" reads back as "е" and the apostrophe as "ь".
  static String Decode(StringView Text);
};
