#include "zse/script/ZSE.Script.BuiltIns.h"

#include <cmath>
#include <random>
#include <vector>

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"

TzsRTTIModule* CreateBuiltInFunctions(TzsScript* Script) { return new TzsBuiltInFunctions(Script); }

namespace {

using TArgs = TzsMethodHelper;

Variant Arg(TArgs* C, Integer I) { return C->GetVParam(I); }
String ArgS(TArgs* C, Integer I) { return VarToStr(C->GetVParam(I)); }
double ArgF(TArgs* C, Integer I) { return C->GetVParam(I).AsDouble(); }
Integer ArgI(TArgs* C, Integer I) { return C->GetVParam(I).AsInteger(); }
Variant I64(Int64 V) { return Variant(static_cast<long long>(V)); }

std::mt19937_64& Rng() {
  static std::mt19937_64 rng(5489u);
  return rng;
}

// The edit-mask language: mask characters take the next character of the value, other
// characters are literals ("\" quotes the next one); ";" starts the mask's option fields.
String MaskText(StringView Mask, StringView Value) {
  String mask(Mask);
  const size_t semi = mask.find(u';');
  bool keepLiterals = true;
  Char blank = u' ';
  if (semi != String::npos) {
    const String rest = mask.substr(semi + 1);
    mask.resize(semi);
    if (!rest.empty()) keepLiterals = rest[0] != u'0';
    const size_t semi2 = rest.find(u';');
    if (semi2 != String::npos && semi2 + 1 < rest.size()) blank = rest[semi2 + 1];
  }
  String out;
  size_t v = 0;
  for (size_t i = 0; i < mask.size(); ++i) {
    const Char m = mask[i];
    if (m == u'!' || m == u'>' || m == u'<') continue;
    if (m == u'\\' && i + 1 < mask.size()) {
      out += mask[++i];
      if (keepLiterals && v < Value.size() && Value[v] == mask[i]) ++v;
      continue;
    }
    if (String(u"09#LlAaCc").find(m) != String::npos) {
      out += v < Value.size() ? Value[v++] : blank;
    } else {
      out += m;
      if (keepLiterals && v < Value.size() && Value[v] == m) ++v;
    }
  }
  return out;
}

}  // namespace

String ZsFormatArray(StringView Fmt, const Variant& Args) {
  // Variants carry every kind Format needs; only the element kinds below are passed on.
  std::vector<Variant> values;
  if (Args.IsArray()) {
    const Integer high = VarArrayHighBound(Args, 1);
    for (Integer i = 0; i <= high; ++i) {
      const Variant& e = Args.GetElement(i);
      switch (e.VarType()) {
        case varSmallint:
        case varInteger:
        case varShortInt:
        case varByte:
        case varWord:
        case varLongWord:
        case varSingle:
        case varDouble:
        case varCurrency:
        case varDate:
        case varOleStr:
        case varString:
        case varUString:
        case varBoolean:
        case varVariant:
        case varInt64:
          values.push_back(e);
          break;
        default:
          values.push_back(Variant(0));
      }
    }
  } else if (!VarIsClear(Args)) {
    values.push_back(Args);
  }
  // Format takes its arguments as a list built at the call; the list is spelled out per count.
  const std::vector<TVarRec> r(values.begin(), values.end());
  switch (r.size()) {
    case 0:
      return Format(Fmt, {});
    case 1:
      return Format(Fmt, {r[0]});
    case 2:
      return Format(Fmt, {r[0], r[1]});
    case 3:
      return Format(Fmt, {r[0], r[1], r[2]});
    case 4:
      return Format(Fmt, {r[0], r[1], r[2], r[3]});
    case 5:
      return Format(Fmt, {r[0], r[1], r[2], r[3], r[4]});
    case 6:
      return Format(Fmt, {r[0], r[1], r[2], r[3], r[4], r[5]});
    case 7:
      return Format(Fmt, {r[0], r[1], r[2], r[3], r[4], r[5], r[6]});
    case 8:
      return Format(Fmt, {r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7]});
    case 9:
      return Format(Fmt, {r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8]});
    case 10:
      return Format(Fmt, {r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9]});
    case 11:
      return Format(Fmt, {r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10]});
    case 12:
      return Format(Fmt, {r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10], r[11]});
    case 13:
      return Format(Fmt, {r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10], r[11], r[12]});
    case 14:
      return Format(Fmt, {r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10], r[11], r[12], r[13]});
    case 15:
      return Format(Fmt,
                    {r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10], r[11], r[12], r[13], r[14]});
    case 16:
      return Format(
          Fmt, {r[0], r[1], r[2], r[3], r[4], r[5], r[6], r[7], r[8], r[9], r[10], r[11], r[12], r[13], r[14], r[15]});
    default:
      throw EConvertError(u"Too many format arguments");
  }
}

TzsBuiltInFunctions::TzsBuiltInFunctions(TzsScript* AScript) : TzsRTTIModule(AScript) {
  TzsScript* s = AScript;
  for (const char16_t* n : {u"Byte", u"Word", u"Integer", u"Longint", u"Cardinal", u"TColor"}) s->AddType(n, zvtInt);
  for (const char16_t* n : {u"Int64", u"TAlphaColor"}) s->AddType(n, zvtInt64);
  s->AddType(u"Boolean", zvtBool);
  for (const char16_t* n : {u"Real", u"Single", u"Double", u"Extended", u"Currency", u"TDate", u"TTime", u"TDateTime"})
    s->AddType(n, zvtFloat);
  s->AddType(u"Char", zvtChar);
  s->AddType(u"string", zvtString);
  s->AddType(u"Variant", zvtVariant);
  s->AddType(u"Pointer", zvtVariant);
  s->AddType(u"array", zvtArray);
  s->AddType(u"constructor", zvtConstructor);

  s->AddConst(u"True", u"Boolean", Variant(true));
  s->AddConst(u"False", u"Boolean", Variant(false));
  s->AddConst(u"nil", u"Variant", Variant(static_cast<unsigned char>(0)));
  s->AddConst(u"Null", u"Variant", Null());
  s->Add(u"__StringHelper", new TzsStringHelper);
  s->Add(u"__ArrayHelper", new TzsArrayHelper(u"__ArrayHelper", -1, zvtVariant, String()));
  s->AddVariable(u"ExceptionClassName", u"string", Variant(String()));
  s->AddVariable(u"ExceptionMessage", u"string", Variant(String()));

  auto add = [s](const char16_t* decl, TzsCallMethodEvent fn) { s->AddMethod(decl, std::move(fn)); };
  using O = TObject*;
  // Conversions.
  add(u"function IntToStr(i: Integer): string",
      [](O, TArgs* c) { return Variant(IntToStr(static_cast<long long>(Arg(c, 0).AsInt64()))); });
  add(u"function FloatToStr(e: Extended): string", [](O, TArgs* c) { return Variant(FloatToStr(ArgF(c, 0))); });
  add(u"function DateToStr(e: Extended): string",
      [](O, TArgs* c) { return Variant(DateToStr(TDateTime(ArgF(c, 0)))); });
  add(u"function TimeToStr(e: Extended): string",
      [](O, TArgs* c) { return Variant(TimeToStr(TDateTime(ArgF(c, 0)))); });
  add(u"function DateTimeToStr(e: Extended): string",
      [](O, TArgs* c) { return Variant(DateTimeToStr(TDateTime(ArgF(c, 0)))); });
  add(u"function BoolToStr(B: Boolean): string;",
      [](O, TArgs* c) { return Variant(String(Arg(c, 0).AsBoolean() ? u"-1" : u"0")); });
  add(u"function VarToStr(v: Variant): string", [](O, TArgs* c) { return Variant(VarToStr(Arg(c, 0))); });
  add(u"function StrToInt(s: string): Integer", [](O, TArgs* c) { return Variant(StrToInt(ArgS(c, 0))); });
  add(u"function StrToInt64(s: string): Int64", [](O, TArgs* c) { return I64(StrToInt64(ArgS(c, 0))); });
  add(u"function StrToFloat(s: string): Extended", [](O, TArgs* c) { return Variant(StrToFloat(ArgS(c, 0))); });
  add(u"function StrToDate(s: string): Extended", [](O, TArgs* c) { return Variant(StrToDate(ArgS(c, 0))); });
  add(u"function StrToTime(s: string): Extended", [](O, TArgs* c) { return Variant(StrToTime(ArgS(c, 0))); });
  add(u"function StrToDateTime(s: string): Extended", [](O, TArgs* c) { return Variant(StrToDateTime(ArgS(c, 0))); });
  add(u"function StrToBool(const S: string): Boolean;", [](O, TArgs* c) {
    const String t = Trim(ArgS(c, 0));
    if (SameText(t, u"True")) return Variant(true);
    if (SameText(t, u"False")) return Variant(false);
    Extended f;
    if (TryStrToFloat(t, f)) return Variant(f != 0);
    throw EConvertError(u"'%s' is not a valid boolean value", {t});
  });
  // Formatting.
  add(u"function Format(Fmt: string; Args: array): string",
      [](O, TArgs* c) { return Variant(ZsFormatArray(ArgS(c, 0), Arg(c, 1))); });
  add(u"function FormatFloat(Fmt: string; Value: Extended): string",
      [](O, TArgs* c) { return Variant(FormatFloat(ArgS(c, 0), ArgF(c, 1))); });
  add(u"function FormatDateTime(Fmt: string; DateTime: TDateTime): string",
      [](O, TArgs* c) { return Variant(FormatDateTime(ArgS(c, 0), TDateTime(ArgF(c, 1)))); });
  add(u"function FormatMaskText(EditMask: string; Value: string): string",
      [](O, TArgs* c) { return Variant(MaskText(ArgS(c, 0), ArgS(c, 1))); });
  // Date and time.
  add(u"function EncodeDate(Year, Month, Day: Word): TDateTime", [](O, TArgs* c) {
    return Variant(
        EncodeDate(static_cast<Word>(ArgI(c, 0)), static_cast<Word>(ArgI(c, 1)), static_cast<Word>(ArgI(c, 2))));
  });
  add(u"procedure DecodeDate(Date: TDateTime; var Year, Month, Day: Word)", [](O, TArgs* c) {
    Word y, m, d;
    DecodeDate(TDateTime(ArgF(c, 0)), y, m, d);
    c->SetVParam(1, Variant(static_cast<Integer>(y)));
    c->SetVParam(2, Variant(static_cast<Integer>(m)));
    c->SetVParam(3, Variant(static_cast<Integer>(d)));
    return Null();
  });
  add(u"function EncodeTime(Hour, Min, Sec, MSec: Word): TDateTime", [](O, TArgs* c) {
    return Variant(EncodeTime(static_cast<Word>(ArgI(c, 0)), static_cast<Word>(ArgI(c, 1)),
                              static_cast<Word>(ArgI(c, 2)), static_cast<Word>(ArgI(c, 3))));
  });
  add(u"procedure DecodeTime(Time: TDateTime; var Hour, Min, Sec, MSec: Word)", [](O, TArgs* c) {
    Word h, m, sec, ms;
    DecodeTime(TDateTime(ArgF(c, 0)), h, m, sec, ms);
    c->SetVParam(1, Variant(static_cast<Integer>(h)));
    c->SetVParam(2, Variant(static_cast<Integer>(m)));
    c->SetVParam(3, Variant(static_cast<Integer>(sec)));
    c->SetVParam(4, Variant(static_cast<Integer>(ms)));
    return Null();
  });
  add(u"function Date: TDateTime", [](O, TArgs*) { return Variant(Date()); });
  add(u"function Time: TDateTime", [](O, TArgs*) { return Variant(Time()); });
  add(u"function Now: TDateTime", [](O, TArgs*) { return Variant(Now()); });
  add(u"function DayOfWeek(aDate: TDateTime): Integer",
      [](O, TArgs* c) { return Variant(DayOfWeek(TDateTime(ArgF(c, 0)))); });
  add(u"function IsLeapYear(Year: Word): Boolean",
      [](O, TArgs* c) { return Variant(IsLeapYear(static_cast<Word>(ArgI(c, 0)))); });
  add(u"function DaysInMonth(nYear, nMonth: Integer): Integer",
      [](O, TArgs* c) { return Variant(::DaysInMonth(ArgI(c, 0), ArgI(c, 1))); });
  // Strings.
  add(u"function Length(s: Variant): Integer", [](O, TArgs* c) {
    const Variant v = Arg(c, 0);
    if (v.IsArray()) return Variant(VarArrayHighBound(v, 1) - VarArrayLowBound(v, 1) + 1);
    return Variant(static_cast<Integer>(VarToStr(v).size()));
  });
  add(u"function Copy(s: string; from, count: Integer): string",
      [](O, TArgs* c) { return Variant(Copy(ArgS(c, 0), ArgI(c, 1), ArgI(c, 2))); });
  add(u"function Pos(substr, s: string): Integer", [](O, TArgs* c) { return Variant(Pos(ArgS(c, 0), ArgS(c, 1))); });
  add(u"procedure Delete(var s: string; from, count: Integer)", [](O, TArgs* c) {
    String t = ArgS(c, 0);
    Delete(t, ArgI(c, 1), ArgI(c, 2));
    c->SetVParam(0, Variant(t));
    return Null();
  });
  add(u"procedure Insert(s: string; var s2: string; pos: Integer)", [](O, TArgs* c) {
    String t = ArgS(c, 1);
    Insert(ArgS(c, 0), t, ArgI(c, 2));
    c->SetVParam(1, Variant(t));
    return Null();
  });
  add(u"function Uppercase(s: string): string", [](O, TArgs* c) { return Variant(AnsiUpperCase(ArgS(c, 0))); });
  add(u"function Lowercase(s: string): string", [](O, TArgs* c) { return Variant(AnsiLowerCase(ArgS(c, 0))); });
  add(u"function Trim(s: string): string", [](O, TArgs* c) { return Variant(Trim(ArgS(c, 0))); });
  add(u"function CompareText(s, s1: string): Integer",
      [](O, TArgs* c) { return Variant(AnsiCompareText(ArgS(c, 0), ArgS(c, 1))); });
  add(u"function Chr(i: Integer): Char",
      [](O, TArgs* c) { return Variant(String(1, static_cast<Char>(Arg(c, 0).AsInt64() & 0xFFFF))); });
  add(u"function Ord(ch: Char): Integer", [](O, TArgs* c) {
    const String t = ArgS(c, 0);
    if (t.empty()) throw EConvertError(u"Ord of an empty text");
    return Variant(static_cast<Integer>(t[0]));
  });
  add(u"procedure SetLength(var S: Variant; L: Integer)", [](O, TArgs* c) {
    Variant v = Arg(c, 0);
    const Integer len = std::max(0, ArgI(c, 1));
    if (VarIsStr(v)) {
      String t = v.AsString();
      t.resize(static_cast<size_t>(len), u' ');
      c->SetVParam(0, Variant(t));
    } else {
      VarArrayRedim(v, len - 1);
      c->SetVParam(0, v);
    }
    return Null();
  });
  // Numbers.
  add(u"function Round(e: Extended): Integer", [](O, TArgs* c) { return I64(Round(ArgF(c, 0))); });
  add(u"function Trunc(e: Extended): Integer", [](O, TArgs* c) { return I64(Trunc(ArgF(c, 0))); });
  add(u"function Int(e: Extended): Integer", [](O, TArgs* c) { return Variant(Int(ArgF(c, 0))); });
  add(u"function Frac(X: Extended): Extended", [](O, TArgs* c) { return Variant(Frac(ArgF(c, 0))); });
  add(u"function Sqr(e: Extended): Extended", [](O, TArgs* c) {
    const double e = ArgF(c, 0);
    return Variant(e * e);
  });
  add(u"function Sqrt(e: Extended): Extended", [](O, TArgs* c) { return Variant(std::sqrt(ArgF(c, 0))); });
  add(u"function Abs(e: Extended): Extended", [](O, TArgs* c) { return Variant(std::fabs(ArgF(c, 0))); });
  add(u"function Sin(e: Extended): Extended", [](O, TArgs* c) { return Variant(std::sin(ArgF(c, 0))); });
  add(u"function Cos(e: Extended): Extended", [](O, TArgs* c) { return Variant(std::cos(ArgF(c, 0))); });
  add(u"function ArcTan(X: Extended): Extended", [](O, TArgs* c) { return Variant(std::atan(ArgF(c, 0))); });
  add(u"function Tan(X: Extended): Extended", [](O, TArgs* c) {
    const double x = ArgF(c, 0);
    return Variant(std::sin(x) / std::cos(x));
  });
  add(u"function Exp(X: Extended): Extended", [](O, TArgs* c) { return Variant(std::exp(ArgF(c, 0))); });
  add(u"function Ln(X: Extended): Extended", [](O, TArgs* c) { return Variant(std::log(ArgF(c, 0))); });
  add(u"function Pi: Extended", [](O, TArgs*) { return Variant(3.141592653589793); });
  add(u"procedure Inc(var i: Integer; incr: Integer = 1)", [](O, TArgs* c) {
    c->SetVParam(0, Arg(c, 0) + Arg(c, 1));
    return Null();
  });
  add(u"procedure Dec(var i: Integer; decr: Integer = 1)", [](O, TArgs* c) {
    c->SetVParam(0, Arg(c, 0) - Arg(c, 1));
    return Null();
  });
  add(u"procedure Randomize", [](O, TArgs*) {
    Rng().seed(static_cast<UInt64>(std::random_device{}()));
    return Null();
  });
  add(u"function Random: Extended",
      [](O, TArgs*) { return Variant(std::uniform_real_distribution<double>(0.0, 1.0)(Rng())); });
  // Checks and helpers.
  add(u"function ValidInt(cInt: string): Boolean", [](O, TArgs* c) { return Variant(ValidInt(ArgS(c, 0))); });
  add(u"function ValidFloat(cFlt: string): Boolean", [](O, TArgs* c) { return Variant(ValidFloat(ArgS(c, 0))); });
  add(u"function ValidDate(cDate: string): Boolean", [](O, TArgs* c) {
    const Variant v = Arg(c, 0);
    return Variant(ValidDate(v.VarType() == varDate ? DateToStr(v.AsDate()) : VarToStr(v)));
  });
  add(u"function ExtractFilePath(const FileName: string): string;", [](O, TArgs* c) {
    const String f = ArgS(c, 0);
    const size_t at = f.find_last_of(u"\\:");
    return Variant(at == String::npos ? String() : f.substr(0, at + 1));
  });
  add(u"function VarType(V: Variant): Integer",
      [](O, TArgs* c) { return Variant(static_cast<Integer>(Arg(c, 0).VarType())); });
  add(u"function StringReplace(const Str, OldPattern, NewPattern: string): string;", [](O, TArgs* c) {
    return Variant(StringReplace(ArgS(c, 0), ArgS(c, 1), ArgS(c, 2), TReplaceFlags{rfReplaceAll, rfIgnoreCase}));
  });

  static const std::pair<const char16_t*, Integer> codes[] = {
      {u"varEmpty", 0},    {u"varNull", 1},     {u"varSmallint", 2},    {u"varInteger", 3},  {u"varSingle", 4},
      {u"varDouble", 5},   {u"varCurrency", 6}, {u"varDate", 7},        {u"varOleStr", 8},   {u"varDispatch", 9},
      {u"varError", 10},   {u"varBoolean", 11}, {u"varVariant", 12},    {u"varUnknown", 13}, {u"varShortInt", 16},
      {u"varByte", 17},    {u"varWord", 18},    {u"varLongWord", 19},   {u"varInt64", 20},   {u"varStrArg", 72},
      {u"varString", 256}, {u"varAny", 257},    {u"varTypeMask", 4095}, {u"varArray", 8192}, {u"varByRef", 16384},
  };
  for (const auto& [name, value] : codes) s->AddConst(name, u"Integer", Variant(value));
}
