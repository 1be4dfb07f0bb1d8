#include "zcl/base/ZCL.Utils.Strings.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <limits>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.DateTime.h"
#include "zcl/base/ZCL.Threading.h"

// ---------------------------------------------------------------------------------------------
// String builder

namespace {
constexpr Integer MaxPooledCapacity = 1 << 20;
std::atomic<TZCLStringBuilder*> GBuilderPool[4];

[[noreturn]] void RaiseNegative(const char16_t* Name) {
  throw ERangeError(u"Parameter %s cannot be a negative value", {String(Name)});
}
[[noreturn]] void RaiseIndex(Integer Index) { throw ERangeError(u"List index out of bounds (%d)", {Index}); }
}  // namespace

TZCLStringBuilder::TZCLStringBuilder(Integer ACapacity) { SetCapacity(std::max<Integer>(ACapacity, 0)); }

TZCLStringBuilder* TZCLStringBuilder::Get(Integer ACapacity) {
  for (auto& slot : GBuilderPool) {
    if (TZCLStringBuilder* builder = slot.exchange(nullptr)) {
      builder->FLength = 0;
      builder->SetCapacity(std::max<Integer>(ACapacity, 0));
      return builder;
    }
  }
  return Create<TZCLStringBuilder>(ACapacity);
}

void TZCLStringBuilder::Release(TZCLStringBuilder* Builder) {
  if (!Builder) return;
  TZCLStringBuilder* inHand = Builder;
  if (inHand->FCapacity < MaxPooledCapacity) {
    for (auto& slot : GBuilderPool) {
      inHand = slot.exchange(inHand);
      if (!inHand) break;
    }
  }
  Free(inHand);
}

void TZCLStringBuilder::ClearPool() {
  for (auto& slot : GBuilderPool) Free(slot.exchange(nullptr));
}

void TZCLStringBuilder::Grow(Integer Needed) {
  if (Needed <= FCapacity) return;
  Int64 next = static_cast<Int64>(FCapacity) * 3 / 2;
  if (next < Needed) next = static_cast<Int64>(Needed) * 2;
  if (next > MaxInt) next = Needed;
  SetCapacity(static_cast<Integer>(next));
}

TZCLStringBuilder& TZCLStringBuilder::Append(const Char* Data, Integer Count) {
  if (Count <= 0) return *this;
  if (Count > MaxInt - FLength) throw EOutOfMemory(u"Out of memory");
  Grow(FLength + Count);
  std::memcpy(FItems.get() + FLength, Data, static_cast<size_t>(Count) * sizeof(Char));
  FLength += Count;
  return *this;
}

TZCLStringBuilder& TZCLStringBuilder::Append(Char C) {
  if (FLength == FCapacity) Grow(FLength + 1);
  FItems[FLength++] = C;
  return *this;
}

TZCLStringBuilder& TZCLStringBuilder::Append(StringView S, Integer Start, Integer Count) {
  const Integer len = static_cast<Integer>(S.size());
  if (Start < 0 || (Start >= len && !(Start == len && Count <= 0))) RaiseIndex(Start);
  if (Count < 0) Count = len - Start;
  if (static_cast<Int64>(Start) + Count > len) RaiseIndex(static_cast<Integer>(static_cast<Int64>(Start) + Count - 1));
  return Append(S.data() + Start, Count);
}

TZCLStringBuilder& TZCLStringBuilder::Append(Integer Value) {
  // Digits written backwards into a local buffer: no temporary string per number.
  Char digits[12];
  Char* p = digits + 12;
  uint32_t magnitude = Value < 0 ? 0u - static_cast<uint32_t>(Value) : static_cast<uint32_t>(Value);
  do {
    *--p = static_cast<Char>(u'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude);
  if (Value < 0) *--p = u'-';
  return Append(p, static_cast<Integer>(digits + 12 - p));
}

TZCLStringBuilder& TZCLStringBuilder::AppendFormat(StringView Fmt, TVarRecList Args) {
  return Append(StringView(::Format(Fmt, Args)));
}

TZCLStringBuilder& TZCLStringBuilder::Insert(Integer Index, StringView S) {
  if (Index < 0) RaiseNegative(u"Index");
  if (Index > FLength) RaiseIndex(Index);
  const Integer count = static_cast<Integer>(S.size());
  if (count == 0) return *this;
  if (count > MaxInt - FLength) throw EOutOfMemory(u"Out of memory");
  Grow(FLength + count);
  std::memmove(FItems.get() + Index + count, FItems.get() + Index,
               static_cast<size_t>(FLength - Index) * sizeof(Char));
  std::memcpy(FItems.get() + Index, S.data(), static_cast<size_t>(count) * sizeof(Char));
  FLength += count;
  return *this;
}

void TZCLStringBuilder::SetCapacity(Integer Value) {
  if (Value < FLength) throw ERangeError(u"List capacity out of bounds (%d)", {Value});
  if (Value == FCapacity) return;
  // New storage is left uninitialised: only the characters in use are copied or ever read.
  std::unique_ptr<Char[]> items = Value > 0 ? std::make_unique_for_overwrite<Char[]>(static_cast<size_t>(Value)) : nullptr;
  if (FLength > 0) std::memcpy(items.get(), FItems.get(), static_cast<size_t>(FLength) * sizeof(Char));
  FItems = std::move(items);
  FCapacity = Value;
}

void TZCLStringBuilder::SetLength(Integer Value) {
  if (Value < 0) RaiseNegative(u"Value");
  Grow(Value);
  // Characters that come into use read as NUL, not as an earlier content.
  if (Value > FLength) std::fill(FItems.get() + FLength, FItems.get() + Value, Char(0));
  FLength = Value;
}

String TZCLStringBuilder::ToString(Integer Start, Integer ACount) const {
  if (ACount < 0) RaiseNegative(u"ACount");
  if (Start < 0 || Start > FLength) RaiseIndex(Start);
  if (static_cast<Int64>(Start) + ACount > FLength)
    RaiseIndex(static_cast<Integer>(static_cast<Int64>(Start) + ACount - 1));
  return String(FItems.get() + Start, static_cast<size_t>(ACount));
}

String TZCLStringBuilder::ToTrimmedString() const {
  Integer first = 0, last = FLength;
  while (first < last && FItems[first] < 33) ++first;
  while (last > first && FItems[last - 1] < 33) --last;
  return String(FItems.get() + first, static_cast<size_t>(last - first));
}

// ---------------------------------------------------------------------------------------------
// String routines

String zcSizeUnitBytes = u"B", zcSizeUnitKB = u"KB", zcSizeUnitMB = u"MB", zcSizeUnitGB = u"GB";

namespace {
bool InSet(Char C, StringView Set) { return Set.find(C) != StringView::npos; }

Integer DigitValue(Char C) { return C <= u'9' ? C - u'0' : C - 0xFF10; }
}  // namespace

Integer zcExplodeString(const Char* Data, Integer Count, StringView Delimiters, const TZCLExplodeProc& Proc) {
  if (Count <= 0) return 0;
  Integer parts = 0;
  const Char* partStart = Data;
  const Char* end = Data + Count;
  const bool single = Delimiters.size() == 1;
  bool goOn = true;
  for (const Char* p = Data; p <= end && goOn; ++p) {
    if (p == end || (single ? *p == Delimiters[0] : InSet(*p, Delimiters))) {
      Proc(partStart, p, goOn);
      ++parts;
      partStart = p + 1;
    }
  }
  return parts;
}

Integer zcExplodeString(StringView S, StringView Delimiters, const TZCLExplodeProc& Proc) {
  return zcExplodeString(S.data(), static_cast<Integer>(S.size()), Delimiters, Proc);
}

Integer zcExplodeString(StringView S, StringView Delimiters, std::vector<String>& Parts) {
  Parts.assign(static_cast<size_t>(zcCountChars(S, Delimiters)) + 1, String());
  size_t index = 0;
  return zcExplodeString(S, Delimiters, [&](const Char* b, const Char* e, bool& goOn) {
    Parts[index++].assign(b, e);
    goOn = index < Parts.size();
  });
}

Integer zcExplodeString(const char* Data, Integer Count, std::string_view Delimiters,
                        const TZCLExplodeAnsiProc& Proc) {
  if (Count <= 0) return 0;
  Integer parts = 0;
  const char* partStart = Data;
  const char* end = Data + Count;
  bool goOn = true;
  for (const char* p = Data; p <= end && goOn; ++p) {
    if (p == end || Delimiters.find(*p) != std::string_view::npos) {
      Proc(partStart, p, goOn);
      ++parts;
      partStart = p + 1;
    }
  }
  return parts;
}

Integer zcExplodeStringAsIntegerArray(StringView S, Char Delimiter, Integer* Buffer, Integer Count) {
  if (!Buffer || Count <= 0) return 0;
  Integer stored = 0;
  zcExplodeString(S, StringView(&Delimiter, 1), [&](const Char* b, const Char* e, bool& goOn) {
    Buffer[stored++] = static_cast<Integer>(zcStrToInt64Def(b, static_cast<Integer>(e - b), 0));
    goOn = stored < Count;
  });
  return stored;
}

Integer zcCountChars(StringView S, StringView CharSet) {
  Integer n = 0;
  for (Char c : S)
    if (InSet(c, CharSet)) ++n;
  return n;
}

namespace {
// Up to Count integers of a comma-separated text; 0 where missing or not a number.
void ReadIntegers(StringView S, Integer* Values, Integer Count) {
  std::fill(Values, Values + Count, 0);
  if (!S.empty()) zcExplodeStringAsIntegerArray(S, u',', Values, Count);
}
}  // namespace

String zcPointToString(const TPoint& P) { return Format(u"%d,%d", {P.X, P.Y}); }

String zcRectToString(const TRect& R) { return Format(u"%d,%d,%d,%d", {R.Left, R.Top, R.Right, R.Bottom}); }

TPoint zcStringToPoint(StringView S) {
  Integer v[2];
  ReadIntegers(S, v, 2);
  TPoint p;
  p.X = v[0];
  p.Y = v[1];
  return p;
}

TRect zcStringToRect(StringView S) {
  Integer v[4];
  ReadIntegers(S, v, 4);
  TRect r;
  r.Left = v[0];
  r.Top = v[1];
  r.Right = v[2];
  r.Bottom = v[3];
  return r;
}

String zcFontToString(StringView Name, Integer Color, Integer Height, Integer StyleCode) {
  return Format(u"%s,%d,%d,%d", {String(Name), Color, Height, StyleCode});
}

void zcStringToFont(StringView S, String& Name, Integer& Color, Integer& Height, Integer& StyleCode) {
  std::vector<StringView> parts;
  size_t start = 0;
  for (int i = 0; i < 4 && start <= S.size(); ++i) {
    const size_t comma = S.find(u',', start);
    const size_t end = comma == StringView::npos ? S.size() : comma;
    parts.push_back(S.substr(start, end - start));
    start = end + 1;
  }
  auto number = [&](size_t i) {
    return i < parts.size() ? static_cast<Integer>(zcStrToInt64Def(parts[i].data(), static_cast<Integer>(parts[i].size()), 0))
                            : 0;
  };
  Name = parts.empty() ? String() : String(parts[0]);
  Color = number(1);
  Height = number(2);
  StyleCode = number(3);
}

String zcFormatFloat(StringView Fmt, Double Value) {
  static const TFormatSettings invariant = TFormatSettings::Invariant();
  return FormatFloat(Fmt, Value, invariant);
}

String zcFormatFloat(StringView Fmt, Double Value, bool ShowPlusSign) {
  String s = zcFormatFloat(Fmt, Value);
  return ShowPlusSign && Value >= 0 ? u"+" + s : s;
}

String zcFormatSize(Int64 Size, bool AllowGigabytes) {
  if (Size < 0) {
    // The magnitude of the most negative value does not fit; it is far beyond any real size.
    const UInt64 magnitude = 0 - static_cast<UInt64>(Size);
    return u"-" + zcFormatSize(static_cast<Int64>(std::min<UInt64>(magnitude, MaxInt64)), AllowGigabytes);
  }
  if (Size < 1024) return IntToStr(static_cast<long long>(Size)) + u" " + zcSizeUnitBytes;
  if (Size <= 1048575) return FormatFloat(u"0.00", Size / 1024.0) + u" " + zcSizeUnitKB;
  if (AllowGigabytes && Size > 1073741823) return FormatFloat(u"0.00", Size / 1073741824.0) + u" " + zcSizeUnitGB;
  return FormatFloat(u"0.00", Size / 1048576.0) + u" " + zcSizeUnitMB;
}

String zcIntToTwoDigits(Integer Value) {
  if (Value >= 0 && Value <= 9) return String{u'0', static_cast<Char>(u'0' + Value)};
  return IntToStr(Value);
}

const Char* zcFindChar(const Char* Data, Integer Count, Char C) {
  for (Integer i = 0; i < Count; ++i)
    if (Data[i] == C) return Data + i;
  return nullptr;
}

const char* zcFindAnsiChar(const char* Data, Integer Count, char C) {
  if (Count <= 0) return nullptr;
  return static_cast<const char*>(std::memchr(Data, C, static_cast<size_t>(Count)));
}

Integer zcCharPos(Char C, StringView S) {
  const size_t p = S.find(C);
  return p == StringView::npos ? 0 : static_cast<Integer>(p) + 1;
}

bool zcContainsChar(Char C, StringView S) { return S.find(C) != StringView::npos; }

namespace {
constexpr Char WordDelimiters[] = u"%=:+-\\/*;,|(){}<>[].@#$^&?!\"' \r\n\t\0\u00AB\u00BB\u201C\u201D_";
const StringView WordDelimiterSet(WordDelimiters, sizeof(WordDelimiters) / sizeof(Char) - 1);

// Upper case one code unit for one code unit: searches report positions in the original text,
// which full case mapping ("ß" to "SS") would shift.
String UpperPerUnit(StringView V) {
  String u(V);
  for (Char& c : u) c = ToUpper(c);
  return u;
}

Integer PlainPos(StringView Sub, StringView S, Integer Offset) {
  if (Sub.empty() || Offset < 1 || static_cast<size_t>(Offset) > S.size()) return 0;
  const size_t p = S.find(Sub, static_cast<size_t>(Offset - 1));
  return p == StringView::npos ? 0 : static_cast<Integer>(p) + 1;
}
}  // namespace

bool zcIsWordDelimiter(Char C) { return InSet(C, WordDelimiterSet); }

String zcExtractBetween(StringView S, StringView StartMarker, StringView EndMarker) {
  const Integer start = zcPos(StartMarker, S, true);
  if (start == 0) return String();
  const Integer from = start + static_cast<Integer>(StartMarker.size());
  const Integer stop = EndMarker.empty() ? 0 : zcPos(EndMarker, S, false, from);
  const size_t count = stop == 0 ? StringView::npos : static_cast<size_t>(stop - from);
  return String(S.substr(static_cast<size_t>(from - 1), count));
}

Integer zcPos(StringView SubStr, StringView S, bool IgnoreCase, Integer Offset) {
  return zcPos(SubStr, S, IgnoreCase, false, Offset);
}

Integer zcPos(StringView SubStr, StringView S, bool IgnoreCase, bool WholeWords, Integer Offset) {
  String subU, textU;
  StringView sub = SubStr, text = S;
  if (IgnoreCase) {
    subU = UpperPerUnit(SubStr);
    textU = UpperPerUnit(S);
    sub = subU;
    text = textU;
  }
  if (!WholeWords) return PlainPos(sub, text, Offset);
  const Integer len = static_cast<Integer>(S.size());
  const Integer n = static_cast<Integer>(sub.size());
  for (;;) {
    const Integer p = PlainPos(sub, text, Offset);
    if (p == 0) return 0;
    Offset = p + n;
    if (p != 1 && !zcIsWordDelimiter(S[p - 2])) continue;
    if (p + n > len || zcIsWordDelimiter(S[p + n - 1])) return p;
  }
}

bool zcContains(StringView SubStr, StringView S, bool IgnoreCase) { return zcPos(SubStr, S, IgnoreCase, 1) > 0; }

bool zcFindBytes(const void* Pattern, const void* Buffer, Integer PatternLength, Integer BufferLength,
                 Integer StartOffset, Integer& Position) {
  if (PatternLength <= 0 || StartOffset < 0) return false;
  const Byte* pat = static_cast<const Byte*>(Pattern);
  const Byte* buf = static_cast<const Byte*>(Buffer);
  const Byte first = pat[0], last = pat[PatternLength - 1];
  for (Int64 i = StartOffset; i + PatternLength <= BufferLength; ++i) {
    if (buf[i] != first || buf[i + PatternLength - 1] != last) continue;
    if (std::memcmp(buf + i, pat, static_cast<size_t>(PatternLength)) == 0) {
      Position = static_cast<Integer>(i);
      return true;
    }
  }
  return false;
}

bool zcFindAnsiString(std::string_view Pattern, const void* Buffer, Integer BufferLength, Integer StartOffset,
                      Integer& Position) {
  return zcFindBytes(Pattern.data(), Buffer, static_cast<Integer>(Pattern.size()), BufferLength, StartOffset,
                     Position);
}

bool zcFindString(StringView Pattern, const void* Buffer, Integer BufferLength, Integer StartOffset,
                  Integer& Position) {
  return zcFindBytes(Pattern.data(), Buffer, static_cast<Integer>(Pattern.size() * 2), BufferLength, StartOffset,
                     Position);
}

Integer zcCompareStringsBuf(const Char* S1, const Char* S2, Integer L1, Integer L2, bool IgnoreCase) {
  const StringView a(S1, static_cast<size_t>(std::max(L1, 0))), b(S2, static_cast<size_t>(std::max(L2, 0)));
  const Integer r = IgnoreCase ? AnsiCompareText(a, b) : AnsiCompareStr(a, b);
  return (r > 0) - (r < 0);
}

Integer zcCompareStrings(StringView S1, StringView S2, bool IgnoreCase) {
  return zcCompareStringsBuf(S1.data(), S2.data(), static_cast<Integer>(S1.size()), static_cast<Integer>(S2.size()),
                             IgnoreCase);
}

bool zcSameText(StringView S1, StringView S2) { return S1.size() == S2.size() && zcCompareStrings(S1, S2, true) == 0; }

bool zcSameTextOneOf(StringView S, std::initializer_list<StringView> Values) {
  return std::any_of(Values.begin(), Values.end(), [&](StringView v) { return zcSameText(S, v); });
}

bool zcBeginsWith(StringView S, StringView Prefix, bool IgnoreCase) {
  return S.size() >= Prefix.size() && zcCompareStrings(S.substr(0, Prefix.size()), Prefix, IgnoreCase) == 0;
}

bool zcEndsWith(StringView S, StringView Suffix, bool IgnoreCase) {
  return S.size() >= Suffix.size() && zcCompareStrings(S.substr(S.size() - Suffix.size()), Suffix, IgnoreCase) == 0;
}

Integer zcLogicalCompare(StringView S1, StringView S2, bool IgnoreCase) {
  return zcLogicalCompareBuf(S1.data(), S2.data(), static_cast<Integer>(S1.size()), static_cast<Integer>(S2.size()),
                             IgnoreCase);
}

namespace {
// Compares two digit runs by value, whatever their length: leading zeros set aside, the longer
// run is larger, else the first differing digit decides.
Integer CompareDigitRuns(const Char* A, Integer LA, const Char* B, Integer LB) {
  while (LA > 0 && DigitValue(*A) == 0) ++A, --LA;
  while (LB > 0 && DigitValue(*B) == 0) ++B, --LB;
  if (LA != LB) return LA < LB ? -1 : 1;
  for (Integer i = 0; i < LA; ++i) {
    const Integer da = DigitValue(A[i]), db = DigitValue(B[i]);
    if (da != db) return da < db ? -1 : 1;
  }
  return 0;
}
}  // namespace

namespace {
inline bool IsDigitChar(Char C) { return (C >= u'0' && C <= u'9') || (C >= 0xFF10 && C <= 0xFF19); }
}  // namespace

Integer zcLogicalCompareBuf(const Char* S1, const Char* S2, Integer L1, Integer L2, bool IgnoreCase) {
  while (L1 > 0) {
    if (L2 <= 0) return 1;
    const bool d1 = IsDigitChar(*S1), d2 = IsDigitChar(*S2);
    Integer r, n1 = 1, n2 = 1;
    if (d1 && d2) {
      while (n1 < L1 && IsDigitChar(S1[n1])) ++n1;
      while (n2 < L2 && IsDigitChar(S2[n2])) ++n2;
      r = CompareDigitRuns(S1, n1, S2, n2);
    } else if (d1 || d2) {
      r = zcCompareStringsBuf(S1, S2, 1, 1, IgnoreCase);
    } else {
      while (n1 < L1 && !IsDigitChar(S1[n1])) ++n1;
      while (n2 < L2 && !IsDigitChar(S2[n2])) ++n2;
      // The same text compares equal under any collation: no need to ask it.
      r = n1 == n2 && std::equal(S1, S1 + n1, S2) ? 0 : zcCompareStringsBuf(S1, S2, n1, n2, IgnoreCase);
    }
    if (r != 0) return r;
    S1 += n1, L1 -= n1;
    S2 += n2, L2 -= n2;
  }
  return L2 > 0 ? -1 : 0;
}

String zcUpperCase(StringView S) { return AnsiUpperCase(S); }
String zcLowerCase(StringView S) { return AnsiLowerCase(S); }
Char zcCharUpper(Char C) { return ToUpper(C); }
Char zcCharLower(Char C) { return ToLower(C); }

String zcCapitalizeWords(StringView S, bool KeepOtherLetters) {
  String result = KeepOtherLetters ? String(S) : zcLowerCase(S);
  bool wordStart = true;
  for (Char& c : result) {
    if (wordStart) c = zcCharUpper(c);
    wordStart = c != u'\'' && zcIsWordDelimiter(c);
  }
  return result;
}

String zcUpperCaseFirstLetter(StringView S) {
  String result = zcLowerCase(S);
  for (Char& c : result) {
    const Char u = zcCharUpper(c);
    if (u != c) {
      c = u;
      break;
    }
  }
  return result;
}

String zcTrim(const String& S) {
  size_t first = 0, last = S.size();
  while (first < last && S[first] < 33) ++first;
  while (last > first && S[last - 1] < 33) --last;
  if (first == 0 && last == S.size()) return S;
  return S.substr(first, last - first);
}

String zcStringReplace(const String& S, StringView OldPattern, StringView NewPattern, bool IgnoreCase,
                       bool WholeWords) {
  if (OldPattern.empty() || S.empty()) return S;
  String result;
  Integer index = 1;
  bool matched = false;
  const Integer len = static_cast<Integer>(S.size());
  // Upper-cased copies are made once, not per search.
  const String textU = IgnoreCase ? UpperPerUnit(S) : String();
  const String oldU = IgnoreCase ? UpperPerUnit(OldPattern) : String();
  while (index <= len) {
    Integer p;
    if (!WholeWords) {
      p = IgnoreCase ? PlainPos(oldU, textU, index) : PlainPos(OldPattern, S, index);
    } else {
      p = zcPos(OldPattern, S, IgnoreCase, true, index);
    }
    if (p == 0) break;
    matched = true;
    result.append(S, static_cast<size_t>(index - 1), static_cast<size_t>(p - index));
    result.append(NewPattern);
    index = p + static_cast<Integer>(OldPattern.size());
  }
  if (!matched) return S;
  if (index <= len) result.append(S, static_cast<size_t>(index - 1));
  return result;
}

String zcRemoveChar(const String& S, Char C) {
  if (S.find(C) == String::npos) return S;
  String result;
  result.reserve(S.size());
  for (Char c : S)
    if (c != C) result += c;
  return result;
}

String zcReplaceChar(const String& S, Char From, Char To) {
  if (From == To || S.find(From) == String::npos) return S;
  String result = S;
  std::replace(result.begin(), result.end(), From, To);
  return result;
}

String zcReplaceChars(const String& S, StringView CharSet, Char To) {
  String result = S;
  for (Char& c : result)
    if (InSet(c, CharSet)) c = To;
  return result;
}

namespace {
Char PlainLetter(Char c) {
  if (c < 192) return c;
  if (c <= 198) return u'A';
  if (c >= 200 && c <= 203) return u'E';
  if (c >= 204 && c <= 207) return u'I';
  if (c >= 210 && c <= 214) return u'O';
  if (c >= 217 && c <= 220) return u'U';
  if (c >= 224 && c <= 230) return u'a';
  if (c >= 232 && c <= 235) return u'e';
  if (c >= 236 && c <= 239) return u'i';
  if (c >= 242 && c <= 246) return u'o';
  if (c >= 249 && c <= 252) return u'u';
  switch (c) {
    case 269: return u'c';
    case 345: return u'r';
    case 382: return u'z';
    case 1025: return 1045;
    case 1105: return 1077;
    default: return c;
  }
}
}  // namespace

String zcRemoveAccents(StringView S) {
  TZCLPooledBuilder b(static_cast<Integer>(S.size()));
  for (Char c : S) b->Append(PlainLetter(c));
  return b->ToString();
}

String zcDupeString(StringView S, Integer Count) {
  if (Count <= 0 || S.empty()) return String();
  const Int64 total = static_cast<Int64>(Count) * static_cast<Int64>(S.size());
  if (total > MaxInt) throw EOutOfMemory(u"Out of memory");
  TZCLPooledBuilder b(static_cast<Integer>(total));
  for (Integer i = 0; i < Count; ++i) b->Append(S);
  return b->ToString();
}

void zcStrPLCopy(Char* Buffer, StringView S, Integer BufferLength) {
  if (!Buffer || BufferLength <= 0) return;
  std::fill(Buffer, Buffer + BufferLength, Char(0));
  const size_t n = std::min(S.size(), static_cast<size_t>(BufferLength - 1));
  std::copy_n(S.data(), n, Buffer);
}

String zcMakeString(const Char* Data, Integer Count) { return Count <= 0 ? String() : String(Data, Count); }

String zcMakeString(const Char* First, const Char* PastEnd) {
  return PastEnd > First ? String(First, PastEnd) : String();
}

AnsiString zcMakeString(const char* First, const char* PastEnd) {
  return PastEnd > First ? AnsiString(First, PastEnd) : AnsiString();
}

bool zcReadLine(const Char*& Cursor, Integer& Remaining, StringView& Line) {
  const Char* start = Cursor;
  Integer n = 0;
  while (n < Remaining && start[n] != u'\r' && start[n] != u'\n') ++n;
  Line = StringView(start, static_cast<size_t>(n));
  Integer used = n;
  if (used < Remaining) {
    ++used;
    if (start[n] == u'\r' && used < Remaining && start[n + 1] == u'\n') ++used;
  }
  Cursor += used;
  Remaining -= used;
  return n > 0;
}

bool zcReadToken(const Char*& Cursor, Integer& Remaining, StringView& Part, Char Delimiter) {
  const Char* start = Cursor;
  Integer n = 0;
  while (n < Remaining && start[n] != Delimiter) ++n;
  Part = StringView(start, static_cast<size_t>(n));
  const Integer used = n < Remaining ? n + 1 : n;
  Cursor += used;
  Remaining -= used;
  return n > 0;
}

bool zcIsDigit(Char C) { return IsDigitChar(C); }

bool zcTryStrToInt64(const Char* Data, Integer Count, Int64& Value) {
  if (!Data || Count <= 0) return false;
  Integer i = 0;
  const bool negative = Data[0] == u'-';
  if (negative) i = 1;
  if (i >= Count) return false;
  UInt64 v = 0;  // wraps like the 64-bit accumulation it stands for, without undefined overflow
  for (; i < Count; ++i) {
    if (!zcIsDigit(Data[i])) return false;
    v = v * 10 + static_cast<UInt64>(DigitValue(Data[i]));
  }
  Value = static_cast<Int64>(negative ? 0 - v : v);
  return true;
}

Int64 zcStrToInt64Def(const Char* Data, Integer Count, Int64 Default) {
  Int64 v;
  return zcTryStrToInt64(Data, Count, v) ? v : Default;
}

Integer zcStrToIntDef(std::string_view S, Integer Default) { return StrToIntDef(UTF8ToString(S), Default); }

// ---------------------------------------------------------------------------------------------
// Hexadecimal

namespace {
constexpr char HexDigits[] = "0123456789abcdef";
String* GHexTable = nullptr;  // "00".."ff" run together, two characters an entry

const Char* HexTable() {
  if (!GHexTable) TZCLHexcode::InitializeTable();
  return GHexTable->data();
}
}  // namespace

void TZCLHexcode::InitializeTable() {
  if (GHexTable) return;
  auto* table = new String(512, u'0');
  for (int i = 0; i < 256; ++i) {
    (*table)[2 * i] = static_cast<Char>(HexDigits[i >> 4]);
    (*table)[2 * i + 1] = static_cast<Char>(HexDigits[i & 15]);
  }
  GHexTable = table;
}

void TZCLHexcode::FinalizeTable() {
  delete GHexTable;
  GHexTable = nullptr;
}

String TZCLHexcode::Encode(const void* Buffer, Integer Count) {
  if (Count <= 0) return String();
  const Char* table = HexTable();
  String result(static_cast<size_t>(Count) * 2, u'0');
  const Byte* p = static_cast<const Byte*>(Buffer);
  for (Integer i = 0; i < Count; ++i) {
    result[2 * i] = table[2 * p[i]];
    result[2 * i + 1] = table[2 * p[i] + 1];
  }
  return result;
}

String TZCLHexcode::EncodeStream(TStream* Stream) {
  const Int64 size = Stream->GetSize();
  TBytes bytes(static_cast<size_t>(size));
  Stream->SetPosition(0);
  if (size > 0) Stream->ReadBuffer(bytes.data(), size);
  return Encode(bytes.data(), static_cast<Integer>(size));
}

Char* TZCLHexcode::EncodeWord(Word Value, Char* Buffer) {
  const Char* table = HexTable();
  const Byte hi = static_cast<Byte>(Value >> 8), lo = static_cast<Byte>(Value);
  Buffer[0] = table[2 * hi];
  Buffer[1] = table[2 * hi + 1];
  Buffer[2] = table[2 * lo];
  Buffer[3] = table[2 * lo + 1];
  return Buffer + 4;
}

bool TZCLHexcode::DecodeNibble(Char C, Byte& Value) {
  if (C >= u'0' && C <= u'9') Value = static_cast<Byte>(C - u'0');
  else if (C >= u'a' && C <= u'f') Value = static_cast<Byte>(C - u'a' + 10);
  else if (C >= u'A' && C <= u'F') Value = static_cast<Byte>(C - u'A' + 10);
  else return false;
  return true;
}

bool TZCLHexcode::DecodeByte(Char C1, Char C2, Byte& Value) {
  Byte hi, lo;
  if (!DecodeNibble(C1, hi) || !DecodeNibble(C2, lo)) return false;
  Value = static_cast<Byte>(hi << 4 | lo);
  return true;
}

Byte TZCLHexcode::DecodeByte(Char C1, Char C2) {
  Byte v;
  return DecodeByte(C1, C2, v) ? v : 0;
}

bool TZCLHexcode::Decode(StringView Text, TStream* Stream) {
  if (!Stream || Text.empty() || Text.size() % 2 != 0) return false;
  // Decoded in full before the stream is touched, so a bad digit changes nothing.
  TBytes bytes(Text.size() / 2);
  for (size_t i = 0; i < bytes.size(); ++i)
    if (!DecodeByte(Text[2 * i], Text[2 * i + 1], bytes[i])) return false;
  Stream->WriteBuffer(bytes.data(), static_cast<Int64>(bytes.size()));
  return true;
}

// ---------------------------------------------------------------------------------------------
// Base64

namespace {
constexpr char MimeAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

const Byte* MimeDecodeTable() {
  static const auto table = [] {
    std::array<Byte, 256> t;
    t.fill(255);
    for (int i = 0; i < 64; ++i) t[static_cast<Byte>(MimeAlphabet[i])] = static_cast<Byte>(i);
    t['='] = 0;
    return t;
  }();
  return table.data();
}
}  // namespace

AnsiString TZCLMimecode::EncodeToString(const void* Buffer, Integer Count) {
  AnsiString out;
  if (Count <= 0) return out;
  out.reserve(static_cast<size_t>((static_cast<Int64>(Count) + 2) / 3 * 4));
  const Byte* p = static_cast<const Byte*>(Buffer);
  Integer i = 0;
  for (; i + 3 <= Count; i += 3) {
    const uint32_t v = uint32_t(p[i]) << 16 | uint32_t(p[i + 1]) << 8 | p[i + 2];
    out += MimeAlphabet[v >> 18];
    out += MimeAlphabet[(v >> 12) & 63];
    out += MimeAlphabet[(v >> 6) & 63];
    out += MimeAlphabet[v & 63];
  }
  if (Count - i == 1) {
    const uint32_t v = uint32_t(p[i]) << 16;
    out += MimeAlphabet[v >> 18];
    out += MimeAlphabet[(v >> 12) & 63];
    out += "==";
  } else if (Count - i == 2) {
    const uint32_t v = uint32_t(p[i]) << 16 | uint32_t(p[i + 1]) << 8;
    out += MimeAlphabet[v >> 18];
    out += MimeAlphabet[(v >> 12) & 63];
    out += MimeAlphabet[(v >> 6) & 63];
    out += '=';
  }
  return out;
}

Integer TZCLMimecode::EncodeBuffer(const void* Buffer, Integer Count, TStream* Stream) {
  const AnsiString text = EncodeToString(Buffer, Count);
  if (!text.empty()) Stream->WriteBuffer(text.data(), static_cast<Int64>(text.size()));
  return static_cast<Integer>(text.size());
}

TMemoryStream* TZCLMimecode::Encode(const void* Buffer, Integer Count) {
  TMemoryStream* stream = Create<TMemoryStream>();
  try {
    EncodeBuffer(Buffer, Count, stream);
    stream->SetPosition(0);
  } catch (...) {
    Free(stream);
    throw;
  }
  return stream;
}

Integer TZCLMimecode::DecodeBuffer(const void* Text, Integer Count, TStream* Stream) {
  if (Count <= 0) return 0;
  const Byte* t = static_cast<const Byte*>(Text);
  const Byte* table = MimeDecodeTable();
  // Whole groups only: a final group would otherwise read beyond the text.
  if (Count % 4 != 0) return -1;
  Integer fill = 0;
  if (t[Count - 1] == '=') fill = t[Count - 2] == '=' ? 2 : 1;
  for (Integer i = 0; i < Count; ++i) {
    if (table[t[i]] == 255) return -1;
    if (t[i] == '=' && i < Count - fill) return -1;
  }
  TBytes out;
  out.reserve(static_cast<size_t>(Count / 4 * 3));
  for (Integer i = 0; i < Count; i += 4) {
    const uint32_t v = uint32_t(table[t[i]]) << 18 | uint32_t(table[t[i + 1]]) << 12 |
                       uint32_t(table[t[i + 2]]) << 6 | table[t[i + 3]];
    const Integer n = i + 4 < Count ? 3 : 3 - fill;
    const Byte bytes[3] = {static_cast<Byte>(v >> 16), static_cast<Byte>(v >> 8), static_cast<Byte>(v)};
    out.insert(out.end(), bytes, bytes + n);
  }
  if (!out.empty()) Stream->WriteBuffer(out.data(), static_cast<Int64>(out.size()));
  return static_cast<Integer>(out.size());
}

bool TZCLMimecode::Decode(std::string_view Text, TStream* Stream) {
  Stream->SetSize(0);
  const Integer n = DecodeBuffer(Text.data(), static_cast<Integer>(Text.size()), Stream);
  Stream->SetSize(std::max(n, 0));
  Stream->SetPosition(0);
  return n >= 0;
}

// ---------------------------------------------------------------------------------------------
// Durations

namespace {
constexpr Single TimeUnits[] = {1, 1, 60, 3600, 86400};
}

String TZCLTimeFormat::Format(Single Seconds, TZCLTimeParts Parts, StringView Separator, bool SuppressZeros) {
  const bool negative = Seconds < 0;
  Single s = std::fabs(Seconds);
  for (int i = 0; i <= 3; ++i) {
    if (Parts & (1u << i)) break;
    s = std::ceil(s / TimeUnits[i + 1]) * TimeUnits[i + 1];
  }
  TZCLPooledBuilder b(16);
  for (int i = 4; i >= 1; --i) {
    if (!(Parts & (1u << i))) continue;
    const Integer n = static_cast<Integer>(std::trunc(s / TimeUnits[i]));
    s -= static_cast<Single>(n) * TimeUnits[i];
    const bool leading = SuppressZeros && b->GetLength() == 0;
    if (leading && n == 0 && i >= tpHours) continue;
    if (b->GetLength() > 0) b->Append(Separator);
    if (n > 9 || leading) b->Append(n);
    else b->Append(u'0').Append(static_cast<Char>(u'0' + std::max(n, 0)));
  }
  if (Parts & TimePart(tpMilliseconds)) {
    if (b->GetLength() > 0) b->Append(u'.');
    b->Append(StringView(zcFormatFloat(u"000", std::max<Double>(0, static_cast<Double>(s) * 1000))));
  }
  if (negative && b->GetLength() > 0) b->Insert(0, u"-");
  return b->ToString();
}

String TZCLTimeFormat::Format(Single Seconds, TZCLTimeParts Parts, bool SuppressZeros) {
  return Format(Seconds, Parts, u":", SuppressZeros);
}

String TZCLTimeFormat::FormatWithPattern(Single Seconds, StringView Pattern) {
  std::vector<String> fields;
  zcExplodeString(Pattern, u";", fields);
  TZCLTimeParts parts = 0;
  constexpr StringView letters = u"ZSMHD";
  for (Char c : fields[0]) {
    const size_t bit = letters.find(c);
    if (bit != StringView::npos) parts |= static_cast<TZCLTimeParts>(1u << bit);
  }
  const String separator = fields.size() > 1 ? fields[1] : String(u":");
  const bool suppress = fields.size() > 2 && fields[2].find(u'Z') != String::npos;
  return Format(Seconds, parts, separator, suppress);
}

bool TZCLTimeFormat::Parse(const Char*& P, Double& Seconds) {
  const Char* p = P;
  auto digit = [](Char c) { return c >= u'0' && c <= u'9'; };
  if (!digit(*p)) return false;
  Double value = *p++ - u'0';
  if (digit(*p)) value = value * 10 + (*p++ - u'0');
  for (int group = 0; group < 2; ++group) {
    if (*p != u':') {
      if (group == 0) return false;
      break;
    }
    if (!digit(p[1]) || !digit(p[2])) return false;
    value = value * 60 + (p[1] - u'0') * 10 + (p[2] - u'0');
    p += 3;
  }
  if (*p == u'.') {
    ++p;
    if (!digit(*p)) return false;
    // Fraction digits are a decimal fraction of a second: ".5" is 500 ms.
    Double fraction = 0, scale = 1;
    for (; digit(*p); ++p) {
      if (scale < 1e15) fraction = fraction * 10 + (*p - u'0'), scale *= 10;
    }
    value += fraction / scale;
  }
  if (!(*p <= 32 || *p == u')' || *p == u']')) return false;
  P = p;
  Seconds = value;
  return true;
}

// ---------------------------------------------------------------------------------------------
// Search masks

TZCLSearchString::TZCLSearchString() : FLock(Create<TZCLCriticalSection>()) {}

TZCLSearchString::TZCLSearchString(StringView Mask, bool AIgnoreCase) : TZCLSearchString() {
  IgnoreCase = AIgnoreCase;
  SetValue(Mask);
}

TZCLSearchString::~TZCLSearchString() { Free(FLock); }

String TZCLSearchString::PrepareText(StringView Text) const {
  String s = RemoveAccents ? zcRemoveAccents(Text) : String(Text);
  if (IgnoreCase) s = zcUpperCase(s);
  if (IgnorePunctuation) {
    String out;
    out.reserve(s.size());
    for (Char c : s) {
      if (c == u'-' || c == u'.' || c == u'\'') continue;
      if (c == u'_') out += u' ';
      else if (c == u'&') out += u" & ";
      else out += c;
    }
    s = std::move(out);
  }
  return s;
}

void TZCLSearchString::SetValue(StringView Mask) {
  FLock->Enter();
  try {
    FValue = Mask;
    FIsEmpty = Mask.empty();
    FWords.clear();
    if (!FIsEmpty) {
      const Char q = Mask.front();
      if (Mask.size() >= 2 && (q == u'"' || q == u'\'') && Mask.back() == q) {
        FWords.push_back(PrepareText(Mask.substr(1, Mask.size() - 2)));
      } else {
        zcExplodeString(PrepareText(Mask), StringView(&Separator, 1), FWords);
      }
    }
    FFound.assign(FWords.size(), false);
  } catch (...) {
    FLock->Leave();
    throw;
  }
  FLock->Leave();
}

void TZCLSearchString::BeginCompare() {
  FLock->Enter();
  FFound.assign(FWords.size(), false);
}

void TZCLSearchString::CompareCore(StringView Text) {
  String copy = PrepareText(Text);
  for (size_t i = 0; i < FWords.size(); ++i) {
    if (FFound[i]) continue;
    const String& word = FWords[i];
    if (word.empty()) {
      FFound[i] = true;
      continue;
    }
    const size_t p = copy.find(word);
    if (p != String::npos) {
      std::fill_n(copy.begin() + static_cast<std::ptrdiff_t>(p), word.size(), Char(0));
      FFound[i] = true;
    }
  }
}

bool TZCLSearchString::EndCompare() {
  const bool result = std::all_of(FFound.begin(), FFound.end(), [](bool f) { return f; });
  FLock->Leave();
  return result;
}

bool TZCLSearchString::Compare(StringView Text) {
  BeginCompare();
  try {
    CompareCore(Text);
  } catch (...) {
    EndCompare();
    throw;
  }
  return EndCompare();
}

bool TZCLSearchString::IsNumeric() const {
  Integer v;
  return TryStrToInt(FValue, v);
}

// ---------------------------------------------------------------------------------------------
// Application version

TZCLAppVersion TZCLAppVersion::Create(Integer Version, Integer ABuildNumber, StringView ADescription,
                                      Double ABuildDate) {
  TZCLAppVersion v;
  v.MajorVersion = static_cast<Word>(Version / 1000);
  v.MinorVersion = static_cast<Byte>((Version % 1000) / 100);
  v.ReleaseVersion = static_cast<Byte>((Version % 100) / 10);
  v.BuildNumber = ABuildNumber;
  v.Description = ADescription;
  v.BuildDate = ABuildDate == -1 ? Now().Value : ABuildDate;
  return v;
}

String TZCLAppVersion::ToString() const {
  String s = IntToStr(static_cast<int>(MajorVersion)) + u"." + IntToStr(static_cast<int>(MinorVersion)) +
             IntToStr(static_cast<int>(ReleaseVersion));
  if (BuildNumber > 0) s += u"." + IntToStr(BuildNumber);
  if (!Description.empty()) s += u" " + Description;
  return s;
}

String TZCLAppVersion::ToDisplayString() const {
  String s = u"v" + ToString();
  if (BuildDate > 0) s += u" " + FormatBuildDate(BuildDate);
  return s;
}

String TZCLAppVersion::FormatBuildDate(Double Date) { return FormatDateTime(u"(dd.MM.yyyy)", TDateTime(Date)); }

// ---------------------------------------------------------------------------------------------
// Punycode

namespace {
namespace puny {
// RFC 3492 parameters; the arithmetic runs on 32-bit unsigned values with overflow checks.
constexpr uint32_t Base = 36, TMin = 1, TMax = 26, Skew = 38, Damp = 700, InitialBias = 72, InitialN = 128;
constexpr uint32_t MaxValue = std::numeric_limits<uint32_t>::max();
constexpr uint32_t MaxCodePoint = 0x10FFFF;

uint32_t Adapt(uint32_t Delta, uint32_t Count, bool FirstTime) {
  Delta = FirstTime ? Delta / Damp : Delta / 2;
  Delta += Delta / Count;
  uint32_t k = 0;
  while (Delta > ((Base - TMin) * TMax) / 2) {
    Delta /= Base - TMin;
    k += Base;
  }
  return k + (Base - TMin + 1) * Delta / (Delta + Skew);
}

uint32_t Threshold(uint32_t K, uint32_t Bias) { return K <= Bias ? TMin : K >= Bias + TMax ? TMax : K - Bias; }

char EncodeDigit(uint32_t D) { return static_cast<char>(D < 26 ? 'a' + D : '0' + (D - 26)); }

// Base for a character that is not a digit.
uint32_t DecodeDigit(char C) {
  if (C >= 'a' && C <= 'z') return static_cast<uint32_t>(C - 'a');
  if (C >= 'A' && C <= 'Z') return static_cast<uint32_t>(C - 'A');
  if (C >= '0' && C <= '9') return static_cast<uint32_t>(C - '0') + 26;
  return Base;
}

bool IsHighSurrogate(uint32_t C) { return C >= 0xD800 && C <= 0xDBFF; }
bool IsLowSurrogate(uint32_t C) { return C >= 0xDC00 && C <= 0xDFFF; }

String Widen(std::string_view Bytes) {
  if (Bytes.empty()) return String();
  const auto count = static_cast<Integer>(Bytes.size());
  const Integer size = MultiByteToWideChar(CP_ACP, 0, Bytes.data(), count, nullptr, 0);
  if (size <= 0) return UTF8ToString(Bytes);
  String result(static_cast<size_t>(size), u'\0');
  MultiByteToWideChar(CP_ACP, 0, Bytes.data(), count, result.data(), size);
  return result;
}

// A label the ANSI code page cannot hold goes as UTF-8 rather than losing characters.
AnsiString Narrow(StringView Text) {
  if (Text.empty()) return AnsiString();
  const auto count = static_cast<Integer>(Text.size());
  const Integer size = WideCharToMultiByte(CP_ACP, 0, Text.data(), count, nullptr, 0);
  if (size <= 0) return StringToUTF8(String(Text));
  AnsiString result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, Text.data(), count, result.data(), size);
  if (Widen(result) != Text) return StringToUTF8(String(Text));
  return result;
}
}  // namespace puny
}  // namespace

Integer TZCLPunycode::Encode(const Char* Input, Integer Count, Integer& OutputLength, char* Output) {
  using namespace puny;
  if (!Input || Count <= 0) return BadInput;
  std::vector<uint32_t> points;
  points.reserve(static_cast<size_t>(Count));
  for (Integer j = 0; j < Count; ++j) {
    const uint32_t c = Input[j];
    if (IsHighSurrogate(c) && j + 1 < Count && IsLowSurrogate(Input[j + 1])) {
      points.push_back(0x10000 + ((c - 0xD800) << 10) + (Input[++j] - 0xDC00u));
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      return BadInput;
    } else {
      points.push_back(c);
    }
  }
  const uint64_t capacity = Output ? static_cast<uint64_t>(std::max<Integer>(OutputLength, 0)) : UINT64_MAX / 2;
  uint64_t out = 0;
  auto put = [&](char C) {
    if (out >= capacity) return false;
    if (Output) Output[out] = C;
    ++out;
    return true;
  };

  for (uint32_t c : points) {
    if (c >= 0x80) continue;
    if (capacity - out < 2) return BigOutput;
    put(static_cast<char>(c));
  }
  const auto total = static_cast<uint32_t>(points.size());
  const auto b = static_cast<uint32_t>(out);
  uint32_t h = b;
  if (b > 0) put('-');

  uint32_t n = InitialN, delta = 0, bias = InitialBias;
  while (h < total) {
    uint32_t m = MaxValue;
    for (uint32_t c : points)
      if (c >= n && c < m) m = c;
    if (m - n > (MaxValue - delta) / (h + 1)) return Overflow;
    delta += (m - n) * (h + 1);
    n = m;
    for (uint32_t c : points) {
      if (c < n && ++delta == 0) return Overflow;
      if (c != n) continue;
      uint32_t q = delta;
      for (uint32_t k = Base;; k += Base) {
        const uint32_t t = Threshold(k, bias);
        if (q < t) break;
        if (!put(EncodeDigit(t + (q - t) % (Base - t)))) return BigOutput;
        q = (q - t) / (Base - t);
      }
      if (!put(EncodeDigit(q))) return BigOutput;
      bias = Adapt(delta, h + 1, h == b);
      delta = 0;
      ++h;
    }
    ++delta;
    ++n;
  }
  OutputLength = static_cast<Integer>(out);
  return Success;
}

Integer TZCLPunycode::Decode(const char* Input, Integer Count, Integer& OutputLength, Char* Output) {
  using namespace puny;
  if (!Input || Count <= 0) return BadInput;
  const auto size = static_cast<size_t>(Count);
  const std::string_view text(Input, size);
  const size_t delimiter = text.rfind('-');
  const size_t basicCount = delimiter == std::string_view::npos ? 0 : delimiter;
  const uint64_t capacity = Output ? static_cast<uint64_t>(std::max<Integer>(OutputLength, 0)) : UINT64_MAX;
  if (basicCount > capacity) return BigOutput;

  std::vector<uint32_t> points;
  points.reserve(size);
  for (size_t j = 0; j < basicCount; ++j) {
    const auto c = static_cast<unsigned char>(text[j]);
    if (c >= 0x80) return BadInput;
    points.push_back(c);
  }
  uint64_t units = basicCount;

  uint32_t n = InitialN, i = 0, bias = InitialBias;
  for (size_t in = delimiter == std::string_view::npos ? 0 : delimiter + 1; in < size;) {
    const uint32_t oldi = i;
    uint32_t w = 1;
    for (uint32_t k = Base;; k += Base) {
      if (in >= size) return BadInput;
      const uint32_t digit = DecodeDigit(text[in++]);
      if (digit >= Base) return BadInput;
      if (digit > (MaxValue - i) / w) return Overflow;
      i += digit * w;
      const uint32_t t = Threshold(k, bias);
      if (digit < t) break;
      if (w > MaxValue / (Base - t)) return Overflow;
      w *= Base - t;
    }
    const auto count = static_cast<uint32_t>(points.size() + 1);
    bias = Adapt(i - oldi, count, oldi == 0);
    if (i / count > MaxValue - n) return Overflow;
    n += i / count;
    i %= count;
    // Only real code points make text; a surrogate would come out as broken UTF-16.
    if (n > MaxCodePoint || (n >= 0xD800 && n <= 0xDFFF)) return BadInput;
    units += n > 0xFFFF ? 2 : 1;
    if (units > capacity) return BigOutput;
    points.insert(points.begin() + i, n);
    ++i;
  }

  if (Output) {
    Char* p = Output;
    for (uint32_t c : points) {
      if (c > 0xFFFF) {
        *p++ = static_cast<Char>(0xD800 + ((c - 0x10000) >> 10));
        *p++ = static_cast<Char>(0xDC00 + ((c - 0x10000) & 0x3FF));
      } else {
        *p++ = static_cast<Char>(c);
      }
    }
  }
  OutputLength = static_cast<Integer>(units);
  return Success;
}

bool TZCLPunycode::EncodeLabel(StringView Label, AnsiString& Output) {
  // Only labels beyond ASCII need it; the encoded length alone cannot tell ("\u0080x" gives "x-a").
  if (std::none_of(Label.begin(), Label.end(), [](Char c) { return c >= 0x80; })) return false;
  const auto count = static_cast<Integer>(Label.size());
  Integer length = 0;
  if (Encode(Label.data(), count, length, nullptr) != Success) return false;
  AnsiString result(static_cast<size_t>(length), '\0');
  if (Encode(Label.data(), count, length, result.data()) != Success) return false;
  result.resize(static_cast<size_t>(length));
  Output = std::move(result);
  return true;
}

String TZCLPunycode::DecodeLabel(std::string_view Text) {
  const auto count = static_cast<Integer>(Text.size());
  Integer length = 0;
  // Any text that decodes to something is taken, even when as long as its encoding ("a" is U+0080).
  if (Decode(Text.data(), count, length, nullptr) == Success && length > 0) {
    String result(static_cast<size_t>(length), u'\0');
    if (Decode(Text.data(), count, length, result.data()) == Success) {
      result.resize(static_cast<size_t>(length));
      return result;
    }
  }
  return puny::Widen(Text);
}

AnsiString TZCLPunycode::EncodeDomain(StringView Domain) {
  AnsiString result;
  bool first = true;
  zcExplodeString(Domain.data(), static_cast<Integer>(Domain.size()), u".", [&](const Char* b, const Char* e, bool&) {
    if (!first) result += '.';
    first = false;
    const StringView label(b, static_cast<size_t>(e - b));
    AnsiString encoded;
    if (EncodeLabel(label, encoded))
      result.append("xn--").append(encoded);
    else
      result += puny::Narrow(label);
  });
  return result;
}

String TZCLPunycode::DecodeDomain(std::string_view Domain) {
  String result;
  bool first = true;
  zcExplodeString(Domain.data(), static_cast<Integer>(Domain.size()), ".", [&](const char* b, const char* e, bool&) {
    if (!first) result += u'.';
    first = false;
    const std::string_view label(b, static_cast<size_t>(e - b));
    if (label.starts_with("xn--"))
      result += DecodeLabel(label.substr(4));
    else
      result += puny::Widen(label);
  });
  return result;
}

// ---------------------------------------------------------------------------------------------
// Transliteration

namespace {
namespace translit {
constexpr StringView Alphabet = u"абвгдеёжзийклмнопрстуфхцчшщьыъэюя";
constexpr std::array<std::u16string_view, 33> Latin = {
    u"a", u"b", u"v", u"g", u"d", u"e", u"yo", u"zh", u"z",  u"i",   u"i'", u"k", u"l", u"m", u"n",  u"o", u"p",
    u"r", u"s", u"t", u"u", u"f", u"h", u"ts", u"ch", u"sh", u"sch", u"'",  u"y", u"'", u"e", u"yu", u"ya"};

Char LowerChar(Char C) {
  const String s = AnsiLowerCase(StringView(&C, 1));
  return s.size() == 1 ? s[0] : C;
}
Char UpperChar(Char C) {
  const String s = AnsiUpperCase(StringView(&C, 1));
  return s.size() == 1 ? s[0] : C;
}
Char AsciiLower(Char C) { return C >= u'A' && C <= u'Z' ? static_cast<Char>(C + 32) : C; }

// Index of the first Latin form equal to Text ignoring case, or -1.
int FindLatin(StringView Text) {
  for (size_t j = 0; j < Latin.size(); ++j) {
    const auto form = Latin[j];
    if (form.size() != Text.size()) continue;
    bool same = true;
    for (size_t c = 0; c < form.size() && same; ++c) same = AsciiLower(Text[c]) == form[c];
    if (same) return static_cast<int>(j);
  }
  return -1;
}
}  // namespace translit
}  // namespace

String TZCLTranslit::Encode(StringView Text) {
  using namespace translit;
  String result;
  result.reserve(Text.size() * 2);
  for (Char c : Text) {
    const Char lower = LowerChar(c);
    const size_t index = Alphabet.find(lower);
    if (index == StringView::npos) {
      result += c;
      continue;
    }
    const auto form = Latin[index];
    result += lower != c ? static_cast<Char>(form[0] >= u'a' && form[0] <= u'z' ? form[0] - 32 : form[0]) : form[0];
    result.append(form.substr(1));
  }
  return result;
}

String TZCLTranslit::Decode(StringView Text) {
  using namespace translit;
  String result;
  result.reserve(Text.size());
  for (size_t p = 0; p < Text.size();) {
    int index = -1;
    size_t used = 1;
    for (size_t len = 3; len >= 1 && index < 0; --len) {
      if (Text.size() - p < len) continue;
      index = FindLatin(Text.substr(p, len));
      used = len;
    }
    if (index < 0) {
      result += Text[p++];
      continue;
    }
    const Char letter = Alphabet[static_cast<size_t>(index)];
    result += LowerChar(Text[p]) != Text[p] ? UpperChar(letter) : letter;
    p += used;
  }
  return result;
}
