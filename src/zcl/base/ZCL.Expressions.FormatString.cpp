#include "zcl/base/ZCL.Expressions.FormatString.h"

#include <algorithm>
#include <vector>

#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
using TArgs = TZCLExpressionElements*;
using TContext = TZCLExpressionContext;

Variant Arg(TArgs Args, Integer Index, TContext Context) { return Args->EvaluateItem(Index, Context); }

String Text(TArgs Args, Integer Index, TContext Context) { return VarToStr(Arg(Args, Index, Context)); }

// A non-empty string, or a value of another kind that differs from 0. Empty and Null count as
// not set (the choice here: they hold nothing).
bool IsSet(const Variant& Value) {
  if (VarIsStr(Value)) return !VarToStr(Value).empty();
  if (VarIsClear(Value)) return false;
  return CompareValues(Value, Variant(0)) != vrEqual;
}

// A number (converted to 32 bits), or a text that reads as a decimal 32-bit integer once trimmed.
bool IsInteger(const Variant& Value, Integer& N) {
  if (VarIsNumeric(Value)) {
    N = Value.AsInteger();
    return true;
  }
  if (!VarIsStr(Value)) return false;
  const String s = zcTrim(VarToStr(Value));
  size_t i = !s.empty() && (s[0] == u'-' || s[0] == u'+') ? 1 : 0;
  if (i >= s.size()) return false;
  for (; i < s.size(); ++i)
    if (s[i] < u'0' || s[i] > u'9') return false;
  return TryStrToInt(s, N);
}

Integer IntegerOrZero(const Variant& Value) {
  Integer n;
  return IsInteger(Value, n) ? n : 0;
}

// Position of the first occurrence (0-based), npos when absent or empty.
size_t Find(const String& S, const String& Part) { return Part.empty() ? String::npos : S.find(Part); }

String Replace(const String& S, const String& Old, const String& New) {
  return zcStringReplace(S, Old, New, false, false);
}

void FnCaps(Variant& R, TContext C, TArgs A) { R = zcCapitalizeWords(Text(A, 0, C), false); }
void FnCaps2(Variant& R, TContext C, TArgs A) { R = zcCapitalizeWords(Text(A, 0, C), true); }
// Case mapping follows the user's locale (zcLowerCase / zcUpperCase).
void FnLow(Variant& R, TContext C, TArgs A) { R = zcLowerCase(Text(A, 0, C)); }
void FnUp(Variant& R, TContext C, TArgs A) { R = zcUpperCase(Text(A, 0, C)); }

void FnCase(Variant& R, TContext C, TArgs A) {
  R = String();
  for (Integer i = 0; i < A->GetCount(); ++i) {
    A->EvaluateItem(i, R, C);
    if (IsSet(R)) return;
  }
}

void FnIf(Variant& R, TContext C, TArgs A) { A->EvaluateItem(IsSet(Arg(A, 0, C)) ? 1 : 2, R, C); }

template <bool (*Test)(TVariantRelationship)>
void FnIfCompare(Variant& R, TContext C, TArgs A) {
  const Variant a = Arg(A, 0, C);
  const Variant b = Arg(A, 1, C);
  A->EvaluateItem(Test(CompareValues(a, b)) ? 2 : 3, R, C);
}
bool IsEqual(TVariantRelationship R) { return R == vrEqual; }
bool IsGreater(TVariantRelationship R) { return R == vrGreaterThan; }
bool IsGreaterOrEqual(TVariantRelationship R) { return R == vrGreaterThan || R == vrEqual; }

void FnChar(Variant& R, TContext C, TArgs A) {
  A->EvaluateItem(0, R, C);
  Integer n;
  if (IsInteger(R, n)) R = String(1, static_cast<Char>(n & 0xFFFF));
}

// The picture is read by FormatFloat (its rules for the last shown digit and the exponent forms)
// with the process-wide, user-locale separators.
void FnFormat(Variant& R, TContext C, TArgs A) {
  try {
    const String picture = Text(A, 0, C);
    R = FormatFloat(picture, Arg(A, 1, C).AsDouble());
  } catch (const Exception&) {
    A->EvaluateItem(1, R, C);
  }
}

void FnLength(Variant& R, TContext C, TArgs A) { R = static_cast<Integer>(Text(A, 0, C).size()); }

void FnRemove(Variant& R, TContext C, TArgs A) {
  const Integer n = A->GetCount();
  if (n == 0) {
    R = String();
  } else if (n == 1) {
    A->EvaluateItem(0, R, C);
  } else {
    String s = Text(A, 0, C);
    for (Integer i = 1; i < n; ++i) s = Replace(s, Text(A, i, C), String());
    R = s;
  }
}

void FnReplace(Variant& R, TContext C, TArgs A) {
  const String s = Text(A, 0, C);
  const String old = Text(A, 1, C);
  R = Replace(s, old, Text(A, 2, C));
}

void FnReplaceEx(Variant& R, TContext C, TArgs A) {
  const Integer n = A->GetCount();
  if (n <= 2) {
    FnRemove(R, C, A);
    return;
  }
  String s = Text(A, 0, C);
  for (Integer i = 1; i + 1 < n; i += 2) {
    const String old = Text(A, i, C);
    s = Replace(s, old, Text(A, i + 1, C));
  }
  R = s;
}

void FnStrCopy(Variant& R, TContext C, TArgs A) {
  Integer index, count;
  if (IsInteger(Arg(A, 1, C), index) && IsInteger(Arg(A, 2, C), count)) {
    const String s = Text(A, 0, C);
    const Int64 start = std::max<Int64>(index, 1) - 1;
    const Int64 available = static_cast<Int64>(s.size()) - start;
    R = count <= 0 || available <= 0
            ? String()
            : s.substr(static_cast<size_t>(start), static_cast<size_t>(std::min<Int64>(count, available)));
  } else {
    A->EvaluateItem(0, R, C);
  }
}

void FnStrLeft(Variant& R, TContext C, TArgs A) {
  const String s = Text(A, 0, C);
  const Variant second = Arg(A, 1, C);
  Integer n;
  if (IsInteger(second, n)) {
    R = n <= 0 ? String() : s.substr(0, static_cast<size_t>(n));
    return;
  }
  const size_t p = Find(s, VarToStr(second));
  R = p == String::npos ? s : s.substr(0, p);
}

void FnStrRight(Variant& R, TContext C, TArgs A) {
  const String s = Text(A, 0, C);
  const Variant second = Arg(A, 1, C);
  Integer n;
  if (IsInteger(second, n)) {
    if (n <= 0)
      R = String();
    else
      R = static_cast<size_t>(n) >= s.size() ? s : s.substr(s.size() - static_cast<size_t>(n));
    return;
  }
  const String part = VarToStr(second);
  const size_t p = Find(s, part);
  R = p == String::npos ? s : s.substr(p + part.size());
}

void FnStrPos(Variant& R, TContext C, TArgs A) {
  const String part = Text(A, 0, C);
  const size_t p = Find(Text(A, 1, C), part);
  R = p == String::npos ? 0 : static_cast<Integer>(p) + 1;
}

void FnStrTrim(Variant& R, TContext C, TArgs A) { R = zcTrim(Text(A, 0, C)); }
void FnStrTrimDiacritic(Variant& R, TContext C, TArgs A) { R = zcRemoveAccents(Text(A, 0, C)); }
void FnDetransliterate(Variant& R, TContext C, TArgs A) { R = TZCLTranslit::Decode(Text(A, 0, C)); }
void FnTransliterate(Variant& R, TContext C, TArgs A) { R = TZCLTranslit::Encode(Text(A, 0, C)); }

// 32-bit arithmetic that wraps around instead of overflowing.
void FnDec(Variant& R, TContext C, TArgs A) {
  const Integer a = IntegerOrZero(Arg(A, 0, C));
  R = static_cast<Integer>(static_cast<Cardinal>(a) - static_cast<Cardinal>(IntegerOrZero(Arg(A, 1, C))));
}
void FnInc(Variant& R, TContext C, TArgs A) {
  const Integer a = IntegerOrZero(Arg(A, 0, C));
  R = static_cast<Integer>(static_cast<Cardinal>(a) + static_cast<Cardinal>(IntegerOrZero(Arg(A, 1, C))));
}

Char DelimiterOf(TZCLCustomExpressionFactory* Factory) {
  auto* factory = dynamic_cast<TZCLFormatStringFactory*>(Factory);
  return factory ? factory->GetMacroDelimiter() : u'%';
}

Integer KeyCompare(TZCLExpressionElement* Key, TContext Context1, TContext Context2) {
  Variant a, b;
  Key->Evaluate(a, Context1);
  Key->Evaluate(b, Context2);
  const Integer r = zcLogicalCompare(VarToStr(a), VarToStr(b), true);
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}
}  // namespace

// ---- factory -------------------------------------------------------------------------------------

void TZCLFormatStringFactory::AfterConstruction() {
  inherited::AfterConstruction();
  RegisterFunctions();
}

TZCLExpressionCompiler* TZCLFormatStringFactory::CreateCompiler() {
  String delimiters = DefaultDelimiters();
  delimiters.erase(std::remove(delimiters.begin(), delimiters.end(), u'_'), delimiters.end());
  delimiters += FMacroDelimiter;
  return Create<TZCLFormatStringCompiler>(this, delimiters, DefaultQuotes(), DefaultSpaces());
}

TZCLExpression* TZCLFormatStringFactory::CreateExpression(const String& Text, TZCLExpressionElement* Root) {
  return Create<TZCLFormatString>(this, Root, Text);
}

TZCLExpressionFunctionInfo* TZCLFormatStringFactory::CreateMacroInfo(StringView Name,
                                                                     const TZCLFormatStringMacroProc& MacroProc,
                                                                     Byte Category) {
  return Create<TZCLFormatStringMacroEvalFunction>(Name, MacroProc, Category);
}

void TZCLFormatStringFactory::RegisterFunctions() {
  RegisterFunction(u"Caps", FnCaps, 1, true, 1);
  RegisterFunction(u"Caps2", FnCaps2, 1, true, 1);
  RegisterFunction(u"Low", FnLow, 1, true, 1);
  RegisterFunction(u"Up", FnUp, 1, true, 1);
  RegisterFunction(u"Case", FnCase, -1, true, 2);
  RegisterFunction(u"IF", FnIf, 3, true, 2);
  RegisterFunction(u"IFEqual", FnIfCompare<IsEqual>, 4, true, 2);
  RegisterFunction(u"IFGreater", FnIfCompare<IsGreater>, 4, true, 2);
  RegisterFunction(u"IFGreaterOrEqual", FnIfCompare<IsGreaterOrEqual>, 4, true, 2);
  RegisterFunction(u"Char", FnChar, 1, true, 3);
  RegisterFunction(u"Format", FnFormat, 2, true, 3);
  RegisterFunction(u"Length", FnLength, 1, true, 3);
  RegisterFunction(u"Remove", FnRemove, -1, true, 3);
  RegisterFunction(u"Replace", FnReplace, 3, true, 3);
  RegisterFunction(u"ReplaceEx", FnReplaceEx, -1, true, 3);
  RegisterFunction(u"StrCopy", FnStrCopy, 3, true, 3);
  RegisterFunction(u"StrLeft", FnStrLeft, 2, true, 3);
  RegisterFunction(u"StrPos", FnStrPos, 2, true, 3);
  RegisterFunction(u"StrRight", FnStrRight, 2, true, 3);
  RegisterFunction(u"StrTrim", FnStrTrim, 1, true, 3);
  RegisterFunction(u"StrTrimDiacritic", FnStrTrimDiacritic, 1, true, 3);
  RegisterFunction(u"Detransliterate", FnDetransliterate, 1, true, 3);
  RegisterFunction(u"Transliterate", FnTransliterate, 1, true, 3);
  RegisterFunction(u"Dec", FnDec, 2, true, 0);
  RegisterFunction(u"Inc", FnInc, 2, true, 0);
}

void TZCLFormatStringFactory::RegisterMacro(StringView Name, const TZCLFormatStringMacroProc& MacroProc,
                                            Byte Category) {
  GetFunctions()->Add(CreateMacroInfo(Name, MacroProc, Category));
}

void TZCLFormatStringFactory::EnumMacros(const TZCLFormatStringEnumMacrosProc& Proc) {
  std::vector<TZCLExpressionFunctionInfo*> infos;
  for (TZCLExpressionFunctionInfo* info : *GetFunctions())
    if (info->Category != ExpressionCategoryAlias) infos.push_back(info);
  std::stable_sort(infos.begin(), infos.end(), [](TZCLExpressionFunctionInfo* A, TZCLExpressionFunctionInfo* B) {
    if (A->Category != B->Category) return A->Category < B->Category;
    return zcCompareStrings(A->Name, B->Name, false) < 0;
  });
  for (TZCLExpressionFunctionInfo* info : infos) {
    String text(1, FMacroDelimiter);
    if (info->ArgumentCount != 0) {
      text += info->ToString();
    } else {
      text += info->Name;
      if (FMacroClosingTag) text += FMacroDelimiter;
    }
    Proc(text, info);
  }
}

TZCLFormatString* TZCLFormatStringFactory::CompileTemplate(const String& Text, bool Optimize) {
  return static_cast<TZCLFormatString*>(Compile(Text, Optimize));
}

TZCLFormatStringMacroEvalFunction::TZCLFormatStringMacroEvalFunction(StringView AName,
                                                                     const TZCLFormatStringMacroProc& AMacroProc,
                                                                     Byte ACategory)
    : TZCLExpressionFunctionInfo(AName, nullptr, 0, false, ACategory), MacroProc(AMacroProc) {
  Proc = {this, &TZCLFormatStringMacroEvalFunction::EvaluateMacro};
}

void TZCLFormatStringMacroEvalFunction::EvaluateMacro(Variant& Result, TZCLExpressionContext Context,
                                                      TZCLExpressionElements*) {
  String value;
  MacroProc(value, Context);
  Result = std::move(value);
}

// ---- compiler ------------------------------------------------------------------------------------

TZCLFormatStringCompiler::TZCLFormatStringCompiler(TZCLCustomExpressionFactory* AFactory, StringView ADelimiters,
                                                   StringView AQuotes, StringView ASpaces)
    : TZCLExpressionCompiler(AFactory, ADelimiters, AQuotes, ASpaces),
      FFormatFactory(static_cast<TZCLFormatStringFactory*>(AFactory)) {
  FFunctionElementClass = TZCLFormatStringFunction::StaticClass();
  QuotedTextAsSingleToken = false;
  SkipSpaces = false;
}

bool TZCLFormatStringCompiler::ReadToken(const Char*& Scan, Integer& Count, TZCLParserToken& Token) {
  if (Count <= 0) return false;
  if (!TZCLParser::ReadToken(Scan, Count, Token)) return false;
  const Char delimiter = FFormatFactory->GetMacroDelimiter();
  if (Token.TokenType != ttDelimiter || Token.DataLength != 1 || Token.Data[0] != delimiter) return true;
  const Char* scan = Scan;
  Integer count = Count;
  TZCLParserToken name;
  if (!TZCLParser::ReadToken(scan, count, name)) return true;  // the delimiter ends the text: literal
  Scan = scan;
  Count = count;
  if (name.DataLength == 1 && name.Data[0] == u'!') {
    Token.TokenType = ttReverseMarker;
    return true;
  }
  TZCLExpressionFunctionInfo* info;
  if (!FFunctions->FindByName(name.Data, name.DataLength, info)) Error(u"Syntax Error: Unknown function");
  Token.Tag = reinterpret_cast<NativeUInt>(info);
  Token.Data = name.Data;
  Token.DataLength = name.DataLength;
  Token.TokenType = ttFunction;
  if (FFormatFactory->GetMacroClosingTag()) {
    if (Count <= 0 || (*Scan != u'(' && *Scan != delimiter)) Error(u"Syntax Error: macro closing tag is missing");
    if (*Scan == delimiter) MoveToNext(Scan, Count);
  }
  return true;
}

bool TZCLFormatStringCompiler::ProcessToken() {
  switch (FToken.TokenType) {
    case ttDelimiter:
      PushElement(Create<TZCLExpressionElementConstant>(FToken.ToString()));
      return true;
    case ttReverseMarker:
      FElementStack->Push(Create<TZCLFormatStringReverseMacro>());
      FState = 1;
      return true;
    default:
      return inherited::ProcessToken();
  }
}

TZCLExpressionElement* TZCLFormatStringCompiler::DoCompile() {
  FState = 0;
  try {
    while (GetToken(FToken))
      if (!ProcessToken()) PushElement(Create<TZCLExpressionElementConstant>(FToken.ToString()));
    ApplyPendingOperators();
  } catch (const EZCLExpressionCompiler&) {
    if (FFormatFactory->GetRaiseErrors()) throw;
  }
  const Integer count = FElementStack->GetCount();
  if (count == 0) return nullptr;
  if (count == 1) return FElementStack->Pop();
  auto* concatenation = Create<TZCLFormatStringConcatenateFunction>();
  concatenation->GetElements()->PopFrom(*FElementStack, count);
  return concatenation;
}

// ---- template ------------------------------------------------------------------------------------

TZCLFormatString::TZCLFormatString(TZCLCustomExpressionFactory* AFactory, TZCLExpressionElement* ARoot,
                                   const String& ASource)
    : TZCLExpression(AFactory, ARoot), FSource(ASource) {}

void TZCLFormatString::Evaluate(Variant& Result, TZCLExpressionContext Context) {
  if (FRoot)
    FRoot->Evaluate(Result, Context);
  else
    Result = FSource;
}

String TZCLFormatString::ToString() const { return FRoot ? inherited::ToString() : FSource; }

namespace {
// Visits the keys of a template in order with whether "%!" reverses each; stops when Visit
// answers false. A template that is not a concatenation is one key.
template <class TVisit>
void ForEachSortKey(TZCLExpressionElement* Root, const TVisit& Visit) {
  if (!Root) return;
  auto* concatenation = dynamic_cast<TZCLFormatStringConcatenateFunction*>(Root);
  if (!concatenation) {
    Visit(Root, false);
    return;
  }
  TZCLExpressionElements* parts = concatenation->GetElements();
  bool reverse = false;
  for (Integer i = 0; i < parts->GetCount(); ++i) {
    TZCLExpressionElement* part = parts->GetItems(i);
    if (dynamic_cast<TZCLFormatStringReverseMacro*>(part)) {
      reverse = true;
    } else if (dynamic_cast<TZCLFormatStringFunction*>(part)) {
      if (!Visit(part, reverse)) return;
      reverse = false;
    }
  }
}
}  // namespace

Integer TZCLFormatString::Compare(TZCLExpressionContext Context1, TZCLExpressionContext Context2) {
  Integer result = 0;
  ForEachSortKey(FRoot, [&](TZCLExpressionElement* Key, bool Reverse) {
    const Integer r = KeyCompare(Key, Context1, Context2);
    result = Reverse ? -r : r;
    return r == 0;
  });
  return result;
}

std::vector<String> TZCLFormatString::SortKeys(TZCLExpressionContext Context) {
  std::vector<String> keys;
  ForEachSortKey(FRoot, [&](TZCLExpressionElement* Key, bool) {
    Variant value;
    Key->Evaluate(value, Context);
    keys.push_back(VarToStr(value));
    return true;
  });
  return keys;
}

std::vector<bool> TZCLFormatString::SortKeysReversed() const {
  std::vector<bool> reversed;
  ForEachSortKey(FRoot, [&](TZCLExpressionElement*, bool Reverse) {
    reversed.push_back(Reverse);
    return true;
  });
  return reversed;
}

Integer TZCLFormatString::CompareSortKeys(const std::vector<String>& A, const std::vector<String>& B,
                                          const std::vector<bool>& Reversed) {
  const size_t count = std::min({A.size(), B.size(), Reversed.size()});
  for (size_t i = 0; i < count; ++i) {
    if (A[i] == B[i]) continue;  // most keys of a large list repeat: equal without collation
    const Integer r = zcLogicalCompare(A[i], B[i], true);
    if (r != 0) return (r < 0) != Reversed[i] ? -1 : 1;
  }
  return 0;
}

bool TZCLFormatString::InvertSortOrder() {
  if (!FRoot) return false;
  auto* concatenation = dynamic_cast<TZCLFormatStringConcatenateFunction*>(FRoot);
  if (!concatenation) {
    concatenation = Create<TZCLFormatStringConcatenateFunction>();
    concatenation->GetElements()->Add(Create<TZCLFormatStringReverseMacro>());
    concatenation->GetElements()->Add(FRoot);
    FRoot = concatenation;
    return true;
  }
  TZCLExpressionElements* parts = concatenation->GetElements();
  bool skip = false;
  bool found = false;
  Integer i = 0;
  while (i < parts->GetCount()) {
    TZCLExpressionElement* part = parts->GetItems(i);
    if (dynamic_cast<TZCLFormatStringReverseMacro*>(part)) {
      parts->Delete(i);
      skip = true;
      continue;
    }
    if (dynamic_cast<TZCLFormatStringFunction*>(part)) {
      if (skip)
        skip = false;
      else
        parts->Insert(i++, Create<TZCLFormatStringReverseMacro>());
      found = true;
    }
    ++i;
  }
  return found;
}

// ---- elements ------------------------------------------------------------------------------------

TZCLFormatStringConcatenateFunction::TZCLFormatStringConcatenateFunction()
    : FElements(Create<TZCLExpressionElements>()) {}

TZCLFormatStringConcatenateFunction::~TZCLFormatStringConcatenateFunction() { Free(FElements); }

void TZCLFormatStringConcatenateFunction::Optimize() {
  FElements->Optimize();
  // Only parts that folded into constants are joined: a constant call whose evaluation raised
  // stays a call, for evaluation to report.
  auto folded = [this](Integer Index) {
    return dynamic_cast<TZCLExpressionElementConstant*>(FElements->GetItems(Index));
  };
  for (Integer i = 0; i < FElements->GetCount(); ++i) {
    if (!folded(i)) continue;
    Integer end = i + 1;
    while (end < FElements->GetCount() && folded(end)) ++end;
    if (end - i < 2) continue;
    String text;
    for (Integer k = i; k < end; ++k) text += VarToStr(folded(k)->GetValue());
    FElements->Replace(i, Create<TZCLExpressionElementConstant>(text));
    for (Integer k = end - 1; k > i; --k) FElements->Delete(k);
  }
}

void TZCLFormatStringConcatenateFunction::Evaluate(Variant& Result, TZCLExpressionContext Context) {
  const Integer count = FElements->GetCount();
  if (count == 0) {
    Result = String();
    return;
  }
  if (count == 1) {
    FElements->EvaluateItem(0, Result, Context);
    return;
  }
  String text;
  Variant part;
  for (Integer i = 0; i < count; ++i) {
    FElements->EvaluateItem(i, part, Context);
    text += VarToStr(part);
  }
  Result = std::move(text);
}

void TZCLFormatStringConcatenateFunction::WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory) {
  FElements->WriteText(Builder, Factory, StringView());
}

void TZCLFormatStringFunction::WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory) {
  const Char delimiter = DelimiterOf(Factory);
  Builder.Append(delimiter);
  inherited::WriteText(Builder, Factory);
  auto* factory = dynamic_cast<TZCLFormatStringFactory*>(Factory);
  if (factory && factory->GetMacroClosingTag() && FArguments->GetCount() == 0) Builder.Append(delimiter);
}

void TZCLFormatStringReverseMacro::Evaluate(Variant& Result, TZCLExpressionContext) { Result = String(); }

void TZCLFormatStringReverseMacro::WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory) {
  Builder.Append(DelimiterOf(Factory)).Append(u'!');
}
