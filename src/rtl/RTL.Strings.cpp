#include "rtl/RTL.Strings.h"

#include <unicode/coll.h>
#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

namespace {

String ToString(const icu::UnicodeString& Text) {
  return String(reinterpret_cast<const Char*>(Text.getBuffer()), static_cast<size_t>(Text.length()));
}

icu::UnicodeString ToUnicode(StringView S) {
  return icu::UnicodeString(false, reinterpret_cast<const UChar*>(S.data()), static_cast<int32_t>(S.size()));
}

// The locale for case mapping and collation. The C / POSIX locale collates ASCII in code
// order, which would make letters of different case unequal at any strength: the root
// collation stands in for it.
icu::Locale UserLocale() {
  const icu::Locale& loc = icu::Locale::getDefault();
  if (std::string(loc.getBaseName()) == "en_US_POSIX") return icu::Locale::getRoot();
  return loc;
}

// One collator per thread and strength: ICU collators are cheap to clone, costly to create.
icu::Collator* UserCollator(bool IgnoreCase) {
  thread_local std::unique_ptr<icu::Collator> collators[2];
  std::unique_ptr<icu::Collator>& slot = collators[IgnoreCase ? 1 : 0];
  if (!slot) {
    UErrorCode status = U_ZERO_ERROR;
    slot.reset(icu::Collator::createInstance(UserLocale(), status));
    if (U_FAILURE(status) || !slot) {
      status = U_ZERO_ERROR;
      slot.reset(icu::Collator::createInstance(icu::Locale::getRoot(), status));
    }
    if (slot) slot->setStrength(IgnoreCase ? icu::Collator::SECONDARY : icu::Collator::TERTIARY);
  }
  return slot.get();
}

Integer CollatorCompare(StringView S1, StringView S2, bool IgnoreCase) {
  icu::Collator* collator = UserCollator(IgnoreCase);
  if (!collator) return CompareStr(S1, S2) < 0 ? -1 : CompareStr(S1, S2) > 0 ? 1 : 0;
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult r =
      collator->compare(reinterpret_cast<const UChar*>(S1.data()), static_cast<int32_t>(S1.size()),
                        reinterpret_cast<const UChar*>(S2.data()), static_cast<int32_t>(S2.size()), status);
  return r == UCOL_LESS ? -1 : r == UCOL_GREATER ? 1 : 0;
}

// Simple case folding code unit by code unit; surrogates stay as they are, so the folded
// text has the same length and positions as the original.
Char FoldChar(Char C) {
  if (C < 0x80) return C >= u'A' && C <= u'Z' ? static_cast<Char>(C + 32) : C;
  return U16_IS_SURROGATE(C) ? C : static_cast<Char>(u_foldCase(C, U_FOLD_CASE_DEFAULT));
}

String Fold(StringView S) {
  String out(S);
  for (Char& c : out) c = FoldChar(c);
  return out;
}

// Fold(A) == Fold(B) for texts of one length, without building either.
bool FoldedEqual(StringView A, StringView B) {
  for (size_t i = 0; i < A.size(); ++i)
    if (A[i] != B[i] && FoldChar(A[i]) != FoldChar(B[i])) return false;
  return true;
}

Char AsciiUpper(Char C) { return C >= u'a' && C <= u'z' ? static_cast<Char>(C - 32) : C; }
Char AsciiLower(Char C) { return C >= u'A' && C <= u'Z' ? static_cast<Char>(C + 32) : C; }

bool IsIdentStart(Char C) { return C == u'_' || IsLetter(C); }
bool IsIdentPart(Char C) { return C == u'_' || IsLetter(C) || IsDigit(C); }

}  // namespace

Integer Pos(StringView SubStr, StringView S, Integer Offset) {
  if (SubStr.empty() || Offset < 1 || static_cast<size_t>(Offset) > S.size()) return 0;
  const size_t at = S.find(SubStr, static_cast<size_t>(Offset - 1));
  return at == StringView::npos ? 0 : static_cast<Integer>(at + 1);
}

Integer Pos(Char C, StringView S, Integer Offset) { return Pos(StringView(&C, 1), S, Offset); }

Integer PosEx(StringView SubStr, StringView S, Integer Offset) { return Pos(SubStr, S, Offset); }

Integer LastDelimiter(StringView Delimiters, StringView S) {
  const size_t at = S.find_last_of(Delimiters);
  return at == StringView::npos ? 0 : static_cast<Integer>(at + 1);
}

String Copy(StringView S, Integer Index, Integer Count) {
  if (Index < 1) Index = 1;
  if (Count <= 0 || static_cast<size_t>(Index) > S.size()) return String();
  return String(S.substr(static_cast<size_t>(Index - 1), static_cast<size_t>(Count)));
}

String Copy(StringView S, Integer Index) { return Copy(S, Index, MaxInt); }

void Delete(String& S, Integer Index, Integer Count) {
  if (Index < 1 || static_cast<size_t>(Index) > S.size() || Count <= 0) return;
  S.erase(static_cast<size_t>(Index - 1), static_cast<size_t>(Count));
}

void Insert(StringView Source, String& S, Integer Index) {
  size_t at = Index < 1 ? 0 : static_cast<size_t>(Index - 1);
  if (at > S.size()) at = S.size();
  S.insert(at, Source);
}

String Trim(StringView S) {
  size_t first = 0, last = S.size();
  while (first < last && S[first] <= u' ') ++first;
  while (last > first && S[last - 1] <= u' ') --last;
  return String(S.substr(first, last - first));
}

String TrimLeft(StringView S) {
  size_t first = 0;
  while (first < S.size() && S[first] <= u' ') ++first;
  return String(S.substr(first));
}

String TrimRight(StringView S) {
  size_t last = S.size();
  while (last > 0 && S[last - 1] <= u' ') --last;
  return String(S.substr(0, last));
}

String StringOfChar(Char C, Integer Count) { return Count > 0 ? String(static_cast<size_t>(Count), C) : String(); }

String DupeString(StringView S, Integer Count) {
  String out;
  if (Count <= 0 || S.empty()) return out;
  out.reserve(S.size() * static_cast<size_t>(Count));
  for (Integer i = 0; i < Count; ++i) out += S;
  return out;
}

String UpperCase(StringView S) {
  String out(S);
  for (Char& c : out) c = AsciiUpper(c);
  return out;
}

String LowerCase(StringView S) {
  String out(S);
  for (Char& c : out) c = AsciiLower(c);
  return out;
}

// Plain ASCII text maps case letter by letter in every locale but Turkish and Azeri (dotted and
// dotless i); there the full mapping, costly next to the text, gives nothing more.
namespace {
bool MapsAsAscii(StringView S) {
  for (Char c : S)
    if (c >= 0x80) return false;
  const char* language = icu::Locale::getDefault().getLanguage();
  return std::strcmp(language, "tr") != 0 && std::strcmp(language, "az") != 0;
}
}  // namespace

String AnsiUpperCase(StringView S) {
  if (MapsAsAscii(S)) {
    String out(S);
    for (Char& c : out) c = AsciiUpper(c);
    return out;
  }
  icu::UnicodeString text(ToUnicode(S));  // read-only alias; toUpper copies on write
  return ToString(text.toUpper(UserLocale()));
}

String AnsiLowerCase(StringView S) {
  if (MapsAsAscii(S)) {
    String out(S);
    for (Char& c : out) c = AsciiLower(c);
    return out;
  }
  icu::UnicodeString text(ToUnicode(S));
  return ToString(text.toLower(UserLocale()));
}

Char UpCase(Char C) { return AsciiUpper(C); }

Integer CompareStr(StringView S1, StringView S2) {
  const size_t n = std::min(S1.size(), S2.size());
  for (size_t i = 0; i < n; ++i)
    if (S1[i] != S2[i]) return static_cast<Integer>(S1[i]) - static_cast<Integer>(S2[i]);
  return S1.size() < S2.size() ? -1 : S1.size() > S2.size() ? 1 : 0;
}

bool SameStr(StringView S1, StringView S2) { return S1 == S2; }

Integer CompareText(StringView S1, StringView S2) {
  const size_t n = std::min(S1.size(), S2.size());
  for (size_t i = 0; i < n; ++i) {
    const Char a = AsciiUpper(S1[i]), b = AsciiUpper(S2[i]);
    if (a != b) return static_cast<Integer>(a) - static_cast<Integer>(b);
  }
  return S1.size() < S2.size() ? -1 : S1.size() > S2.size() ? 1 : 0;
}

bool SameText(StringView S1, StringView S2) { return S1.size() == S2.size() && CompareText(S1, S2) == 0; }

size_t HashText(StringView S) {
  size_t h = 14695981039346656037ull;  // FNV-1a
  for (Char c : S) h = (h ^ AsciiUpper(c)) * 1099511628211ull;
  return h;
}

Integer AnsiCompareStr(StringView S1, StringView S2) { return CollatorCompare(S1, S2, false); }
Integer AnsiCompareText(StringView S1, StringView S2) { return CollatorCompare(S1, S2, true); }
bool AnsiSameStr(StringView S1, StringView S2) { return AnsiCompareStr(S1, S2) == 0; }
bool AnsiSameText(StringView S1, StringView S2) { return AnsiCompareText(S1, S2) == 0; }

bool StartsStr(StringView SubText, StringView Text) { return Text.starts_with(SubText); }
bool EndsStr(StringView SubText, StringView Text) { return Text.ends_with(SubText); }
bool ContainsStr(StringView Text, StringView SubText) { return Text.find(SubText) != StringView::npos; }

bool StartsText(StringView SubText, StringView Text) {
  return SubText.size() <= Text.size() && FoldedEqual(Text.substr(0, SubText.size()), SubText);
}

bool EndsText(StringView SubText, StringView Text) {
  return SubText.size() <= Text.size() && FoldedEqual(Text.substr(Text.size() - SubText.size()), SubText);
}

bool ContainsText(StringView Text, StringView SubText) { return Fold(Text).find(Fold(SubText)) != String::npos; }

String StringReplace(StringView S, StringView OldPattern, StringView NewPattern, TReplaceFlags Flags) {
  if (OldPattern.empty()) return String(S);
  const bool ignoreCase = Flags.Contains(rfIgnoreCase);
  const String foldedText = ignoreCase ? Fold(S) : String();
  const String foldedPattern = ignoreCase ? Fold(OldPattern) : String();
  const StringView text = ignoreCase ? StringView(foldedText) : S;
  const StringView pattern = ignoreCase ? StringView(foldedPattern) : OldPattern;
  String out;
  size_t from = 0;
  for (;;) {
    const size_t at = text.find(pattern, from);
    if (at == StringView::npos) break;
    out.append(S.substr(from, at - from));
    out.append(NewPattern);
    from = at + pattern.size();
    if (!Flags.Contains(rfReplaceAll)) break;
  }
  out.append(S.substr(from));
  return out;
}

String QuotedStr(StringView S) { return AnsiQuotedStr(S, u'\''); }

String AnsiQuotedStr(StringView S, Char Quote) {
  String out;
  out.reserve(S.size() + 2);
  out += Quote;
  for (Char c : S) {
    out += c;
    if (c == Quote) out += Quote;
  }
  out += Quote;
  return out;
}

String AnsiExtractQuotedStr(StringView& Src, Char Quote) {
  String out;
  if (Src.empty() || Src[0] != Quote) return out;
  size_t i = 1;
  while (i < Src.size()) {
    if (Src[i] == Quote) {
      if (i + 1 < Src.size() && Src[i + 1] == Quote) {
        out += Quote;
        i += 2;
        continue;
      }
      ++i;  // the closing quote
      Src.remove_prefix(i);
      return out;
    }
    out += Src[i++];
  }
  Src.remove_prefix(Src.size());
  return out;
}

String AnsiDequotedStr(StringView S, Char Quote) {
  StringView rest = S;
  String inner = AnsiExtractQuotedStr(rest, Quote);
  // Only a text that is one complete quoted string loses its quotes.
  if (S.size() >= 2 && S.front() == Quote && S.back() == Quote && rest.empty()) return inner;
  return String(S);
}

namespace {
String Hex(UInt64 Value, Integer Digits) {
  static constexpr char16_t digits[] = u"0123456789ABCDEF";
  Char buf[16];
  int n = 0;
  do {
    buf[n++] = digits[Value & 15];
    Value >>= 4;
  } while (Value != 0);
  String out;
  if (Digits > n) out.assign(static_cast<size_t>(std::min(Digits, 64) - n), u'0');
  while (n > 0) out += buf[--n];
  return out;
}
}  // namespace

String IntToHex(int Value, Integer Digits) { return Hex(static_cast<Cardinal>(Value), Digits); }
String IntToHex(unsigned Value, Integer Digits) { return Hex(Value, Digits); }
String IntToHex(long Value, Integer Digits) { return Hex(static_cast<UInt64>(Value), Digits); }
String IntToHex(unsigned long Value, Integer Digits) { return Hex(Value, Digits); }
String IntToHex(long long Value, Integer Digits) { return Hex(static_cast<UInt64>(Value), Digits); }
String IntToHex(unsigned long long Value, Integer Digits) { return Hex(Value, Digits); }

bool IsValidIdent(StringView Ident, bool AllowDots) {
  if (Ident.empty()) return false;
  bool atStart = true;
  for (Char c : Ident) {
    if (atStart) {
      if (!IsIdentStart(c)) return false;
      atStart = false;
    } else if (c == u'.' && AllowDots) {
      atStart = true;
    } else if (!IsIdentPart(c)) {
      return false;
    }
  }
  return !atStart;
}

String AdjustLineBreaks(StringView S, TTextLineBreakStyle Style) {
  String out;
  out.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i) {
    const Char c = S[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < S.size() && S[i + 1] == u'\n') ++i;
      if (Style == TTextLineBreakStyle::tlbsCRLF) out += u'\r';
      out += u'\n';
    } else {
      out += c;
    }
  }
  return out;
}

bool CharInSet(Char C, StringView Set) { return Set.find(C) != StringView::npos; }
bool IsDigit(Char C) { return C < 0x80 ? (C >= u'0' && C <= u'9') : u_isdigit(C) != 0; }
bool IsLetter(Char C) {
  if (C < 0x80) return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z');
  return !U16_IS_SURROGATE(C) && u_isalpha(C);
}
bool IsLetterOrDigit(Char C) { return IsLetter(C) || IsDigit(C); }
bool IsWhiteSpace(Char C) { return u_isUWhiteSpace(C) != 0; }
bool IsUpper(Char C) { return u_isupper(C) != 0; }
bool IsLower(Char C) { return u_islower(C) != 0; }
Char ToUpper(Char C) {
  if (C < 0x80) return AsciiUpper(C);
  return U16_IS_SURROGATE(C) ? C : static_cast<Char>(u_toupper(C));
}
Char ToLower(Char C) {
  if (C < 0x80) return AsciiLower(C);  // what the case tables say, without the call
  return U16_IS_SURROGATE(C) ? C : static_cast<Char>(u_tolower(C));
}

Integer CharStrongDirection(Cardinal CodePoint) {
  switch (u_charDirection(static_cast<UChar32>(CodePoint))) {
    case U_LEFT_TO_RIGHT:
    case U_LEFT_TO_RIGHT_EMBEDDING:
    case U_LEFT_TO_RIGHT_OVERRIDE:
      return 1;
    case U_RIGHT_TO_LEFT:
    case U_RIGHT_TO_LEFT_ARABIC:
    case U_RIGHT_TO_LEFT_EMBEDDING:
    case U_RIGHT_TO_LEFT_OVERRIDE:
      return -1;
    default:
      return 0;
  }
}
