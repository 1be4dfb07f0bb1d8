#include "zcl/base/ZCL.Expressions.h"

#include <algorithm>
#include <new>

#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Utils.Common.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
// Frees the object on every path unless released.
template <class T>
class TFreeGuard {
 public:
  explicit TFreeGuard(T* AObject) : FObject(AObject) {}
  ~TFreeGuard() { Free(FObject); }
  TFreeGuard(const TFreeGuard&) = delete;
  TFreeGuard& operator=(const TFreeGuard&) = delete;
  T* Release() { return std::exchange(FObject, nullptr); }
  T* operator->() const { return FObject; }

 private:
  T* FObject;
};

TZCLExpressionFunctionInfo* TagInfo(const TZCLParserToken& Token) {
  return reinterpret_cast<TZCLExpressionFunctionInfo*>(Token.Tag);
}

TZCLExpressionElement* MakeConstant(const Variant& Value) { return Create<TZCLExpressionElementConstant>(Value); }
}  // namespace

// ---- infos ---------------------------------------------------------------------------------------

TZCLExpressionFunctionInfo::TZCLExpressionFunctionInfo(StringView AName, const TZCLExpressionFunctionProc& AProc,
                                                       Integer AArgumentCount, bool AFoldable, Byte ACategory)
    : Category(ACategory), Foldable(AFoldable), Name(AName), ArgumentCount(AArgumentCount), Proc(AProc) {}

String TZCLExpressionFunctionInfo::ToString() const {
  if (ArgumentCount == 0) return Name;
  String result = Name + u"(";
  if (ArgumentCount < 0) {
    result += u"..";
  } else {
    for (Integer i = 0; i < ArgumentCount; ++i) {
      if (i > 0) result += u',';
      result += static_cast<Char>(u'A' + i % 26);
    }
  }
  return result + u")";
}

TZCLExpressionOperatorInfo::TZCLExpressionOperatorInfo(StringView AName, const TZCLExpressionFunctionProc& AProc,
                                                       Integer AArgumentCount, Integer APriority)
    : TZCLExpressionFunctionInfo(AName, AProc, AArgumentCount, true, 0),
      RightAssociative(AArgumentCount == 1),
      Priority(APriority) {}

String TZCLExpressionOperatorInfo::ToString() const {
  if (ArgumentCount == 1) return Name + u"A";
  return u"A " + Name + u" B";
}

bool TZCLExpressionFunctionInfoList::Find(const Char* Name, Integer NameLength, Integer ArgumentCount,
                                          TZCLExpressionFunctionInfo*& Info) {
  for (TZCLExpressionFunctionInfo* item : *this) {
    if (item->ArgumentCount == ArgumentCount &&
        SameTokenText(item->Name.data(), Name, static_cast<Integer>(item->Name.size()), NameLength)) {
      Info = item;
      return true;
    }
  }
  Info = nullptr;
  return false;
}

bool TZCLExpressionFunctionInfoList::FindByName(const Char* Name, Integer NameLength,
                                                TZCLExpressionFunctionInfo*& Info) {
  for (TZCLExpressionFunctionInfo* item : *this) {
    if (SameTokenText(item->Name.data(), Name, static_cast<Integer>(item->Name.size()), NameLength)) {
      Info = item;
      return true;
    }
  }
  Info = nullptr;
  return false;
}

TZCLExpressionFunctionInfo* TZCLExpressionFunctionInfoList::Find(StringView Name, Integer ArgumentCount) {
  TZCLExpressionFunctionInfo* info;
  Find(Name.data(), static_cast<Integer>(Name.size()), ArgumentCount, info);
  return info;
}

TZCLExpressionFunctionInfo* TZCLExpressionFunctionInfoList::FindByName(StringView Name) {
  TZCLExpressionFunctionInfo* info;
  FindByName(Name.data(), static_cast<Integer>(Name.size()), info);
  return info;
}

// ---- elements ------------------------------------------------------------------------------------

void TZCLExpressionElementConstant::Evaluate(Variant& Result, TZCLExpressionContext) { Result = FValue; }

void TZCLExpressionElementConstant::WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory*) {
  Builder.Append(StringView(VarToStr(FValue)));
}

TZCLExpressionElements::~TZCLExpressionElements() {
  for (TZCLExpressionElement* element : FList) Free(element);
}

void TZCLExpressionElements::Add(TZCLExpressionElement* Element) { FList.push_back(Element); }

void TZCLExpressionElements::Insert(Integer Index, TZCLExpressionElement* Element) {
  if (Index < 0 || static_cast<size_t>(Index) > FList.size()) RaiseIndexError(Index);
  FList.insert(FList.begin() + Index, Element);
}

void TZCLExpressionElements::Delete(Integer Index) {
  TZCLExpressionElement* element = GetItems(Index);
  FList.erase(FList.begin() + Index);
  Free(element);
}

void TZCLExpressionElements::Replace(Integer Index, TZCLExpressionElement* Element) {
  TZCLExpressionElement* old = GetItems(Index);
  FList[static_cast<size_t>(Index)] = Element;
  Free(old);
}

bool TZCLExpressionElements::IsConstant() const {
  return std::all_of(FList.begin(), FList.end(), [](const TZCLExpressionElement* E) { return E->IsConstant(); });
}

void TZCLExpressionElements::Optimize() {
  for (TZCLExpressionElement*& element : FList) FoldConstant(element);
}

void TZCLExpressionElements::WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory,
                                       StringView Separator) {
  for (size_t i = 0; i < FList.size(); ++i) {
    if (i > 0) Builder.Append(Separator);
    FList[i]->WriteText(Builder, Factory);
  }
}

Integer TZCLExpressionElements::GetDepth() const {
  Integer depth = 0;
  for (const TZCLExpressionElement* element : FList) depth = std::max(depth, element->GetDepth());
  return depth;
}

void TZCLExpressionElements::RaiseIndexError(Integer Index) {
  throw EListError(u"List index out of bounds (%d)", {Index});
}

TZCLExpressionElementFunction::TZCLExpressionElementFunction(TZCLExpressionFunctionInfo* AInfo) : FInfo(AInfo) {
  if (!AInfo) throw EZCLExpressionCompiler(u"Info cannot be nil");
  FArguments = Create<TZCLExpressionElements>();
}

TZCLExpressionElementFunction::~TZCLExpressionElementFunction() { Free(FArguments); }

void TZCLExpressionElementFunction::Optimize() { FArguments->Optimize(); }

bool TZCLExpressionElementFunction::IsConstant() const { return FInfo->Foldable && FArguments->IsConstant(); }

void TZCLExpressionElementFunction::WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory) {
  Builder.Append(StringView(FInfo->Name));
  if (FArguments->GetCount() > 0) {
    Builder.Append(u'(');
    FArguments->WriteText(Builder, Factory, u",");
    Builder.Append(u')');
  }
}

Integer TZCLExpressionElementFunction::GetDepth() const { return 1 + FArguments->GetDepth(); }

void TZCLExpressionElementOperator::WriteText(TZCLStringBuilder& Builder, TZCLCustomExpressionFactory* Factory) {
  auto operand = [&](Integer Index) {
    TZCLExpressionElement* element = FArguments->GetItems(Index);
    const bool bracket = dynamic_cast<TZCLExpressionElementOperator*>(element) != nullptr;
    if (bracket) Builder.Append(u'(');
    element->WriteText(Builder, Factory);
    if (bracket) Builder.Append(u')');
  };
  if (FArguments->GetCount() == 2) {
    operand(0);
    Builder.Append(u' ').Append(StringView(FInfo->Name)).Append(u' ');
    operand(1);
  } else {
    Builder.Append(StringView(FInfo->Name));
    for (Integer i = 0; i < FArguments->GetCount(); ++i) {
      Builder.Append(u' ');
      operand(i);
    }
  }
}

void FoldConstant(TZCLExpressionElement*& Element) {
  Element->Optimize();
  if (!Element->IsConstant() || dynamic_cast<TZCLExpressionElementConstant*>(Element)) return;
  Variant value;
  try {
    Element->Evaluate(value, nullptr);
  } catch (const Exception&) {
    return;  // left for evaluation to report
  }
  TZCLExpressionElement* constant = MakeConstant(value);
  Free(std::exchange(Element, constant));
}

namespace {
template <class T>
TVariantRelationship RelateNumbers(T A, T B) {
  if (A == B) return vrEqual;
  if (A < B) return vrLessThan;
  if (A > B) return vrGreaterThan;
  return vrNotEqual;  // NaN
}
}  // namespace

TVariantRelationship CompareValues(const Variant& A, const Variant& B) {
  // Double and Integer compare by value, as VarCompareValue does, without its general rules.
  const TVarType ta = A.VarType(), tb = B.VarType();
  if ((ta == varDouble || ta == varInteger) && (tb == varDouble || tb == varInteger)) {
    if (ta == varInteger && tb == varInteger) return RelateNumbers(A.AsInteger(), B.AsInteger());
    return RelateNumbers(A.AsDouble(), B.AsDouble());
  }
  if (VarIsStr(A) || VarIsStr(B)) {
    const Integer r = zcLogicalCompare(VarToStr(A), VarToStr(B), false);
    return r < 0 ? vrLessThan : (r > 0 ? vrGreaterThan : vrEqual);
  }
  try {
    return VarCompareValue(A, B);
  } catch (const Exception&) {
    return vrNotEqual;
  }
}

// ---- expression ----------------------------------------------------------------------------------

namespace {
enum : Byte {
  skConstant,  // pushes the constant element's value
  skReal,      // pushes the constant element's Double
  skInteger,   // pushes the constant element's Integer
  skCall,      // pushes what the function element's procedure gives on its argument elements
  skElement,   // pushes what the element gives
  skValue,     // replaces the top Count values by the value procedure's result
  skFirst      // the first value procedure: may decide and skip to the step at Count
};
// The values a flat form may keep at once; deeper trees are walked.
constexpr Integer KFlatStackSize = 16;
}  // namespace

TZCLExpression::TZCLExpression(TZCLCustomExpressionFactory* AFactory, TZCLExpressionElement* ARoot)
    : FFactory(AFactory), FRoot(ARoot) {
  if (FRoot && !AddSteps(FRoot, 0)) {
    FSteps.clear();
    FStackSize = 0;
  }
  // A single step gains nothing over the element itself.
  if (FSteps.size() == 1 && FSteps[0].Kind == skElement) FSteps.clear();
}

TZCLExpression::~TZCLExpression() { Free(FRoot); }

bool TZCLExpression::AddSteps(TZCLExpressionElement* Element, Integer Depth) {
  if (Depth >= KFlatStackSize) return false;
  FStackSize = std::max(FStackSize, Depth + 1);
  // Only the engine's own element classes: a descendant may evaluate otherwise.
  const TClass cls = Element->ClassType();
  if (cls == TZCLExpressionElementConstant::StaticClass()) {
    // Numbers are pushed without the general copy of a variant.
    const TVarType type = static_cast<TZCLExpressionElementConstant*>(Element)->GetValue().VarType();
    FSteps.push_back({type == varDouble ? skReal : type == varInteger ? skInteger : skConstant, 0, Element, nullptr});
    return true;
  }
  if (cls != TZCLExpressionElementFunction::StaticClass() && cls != TZCLExpressionElementOperator::StaticClass()) {
    FSteps.push_back({skElement, 0, Element, nullptr});
    return true;
  }
  auto* function = static_cast<TZCLExpressionElementFunction*>(Element);
  TZCLExpressionFunctionInfo* info = function->GetInfo();
  TZCLExpressionElements* arguments = function->GetArguments();
  const Integer count = arguments->GetCount();
  if (!info->ValueProc || count != info->ArgumentCount || count == 0) {
    FSteps.push_back({skCall, 0, Element, info});
    return true;
  }
  size_t first = 0;
  for (Integer i = 0; i < count; ++i) {
    if (!AddSteps(arguments->GetItems(i), Depth + i)) return false;
    if (i == 0 && count > 1 && info->FirstValueProc) {
      first = FSteps.size();
      FSteps.push_back({skFirst, 0, Element, info});
    }
  }
  FSteps.push_back({skValue, count, Element, info});
  if (first) FSteps[first].Count = static_cast<Integer>(FSteps.size());
  return true;
}

void TZCLExpression::RunSteps(Variant& Result, TZCLExpressionContext Context) const {
  // The stack lives in this call: an expression may be evaluated by several threads at once.
  // Each level holds an Integer or Double as a scalar, anything else boxed in its variant.
  TZCLExpressionScalar scalars[KFlatStackSize];
  bool boxed[KFlatStackSize];
  // The boxes are made as they are first needed: numbers alone need none.
  alignas(Variant) unsigned char raw[KFlatStackSize * sizeof(Variant)];
  struct TBoxes {
    Variant* Items;
    Integer Made = 0;
    explicit TBoxes(Variant* AItems) : Items(AItems) {}
    ~TBoxes() {
      for (Integer i = 0; i < Made; ++i) Items[i].~Variant();
    }
    Variant& operator[](Integer I) {
      while (Made <= I) new (Items + Made++) Variant();
      return Items[I];
    }
  } boxes(reinterpret_cast<Variant*>(raw));
  // What a procedure gives, before it is known whether it is a number.
  Variant given;
  auto box = [&](Integer I) {
    if (boxed[I]) return;
    if (scalars[I].Type == varDouble)
      boxes[I] = scalars[I].D;
    else
      boxes[I] = static_cast<Integer>(scalars[I].I);
    boxed[I] = true;
  };
  // Takes Value as level I: a number as a scalar, anything else moved into its box.
  auto take = [&](Integer I, Variant& Value) {
    const TVarType type = Value.VarType();
    if (type == varDouble) {
      scalars[I].Type = varDouble;
      scalars[I].D = Value.AsDouble();
      boxed[I] = false;
    } else if (type == varInteger) {
      scalars[I].Type = varInteger;
      scalars[I].I = Value.AsInteger();
      boxed[I] = false;
    } else {
      if (&Value != &boxes[I]) boxes[I] = std::move(Value);
      boxed[I] = true;
    }
  };
  Integer top = 0;
  const TStep* const steps = FSteps.data();
  const TStep* const end = steps + FSteps.size();
  for (const TStep* step = steps; step < end; ++step) {
    switch (step->Kind) {
      case skReal:
        scalars[top].Type = varDouble;
        scalars[top].D = static_cast<TZCLExpressionElementConstant*>(step->Element)->GetValue().AsDouble();
        boxed[top++] = false;
        break;
      case skInteger:
        scalars[top].Type = varInteger;
        scalars[top].I = static_cast<TZCLExpressionElementConstant*>(step->Element)->GetValue().AsInteger();
        boxed[top++] = false;
        break;
      case skConstant:
        boxes[top] = static_cast<TZCLExpressionElementConstant*>(step->Element)->GetValue();
        boxed[top++] = true;
        break;
      case skCall:
        step->Info->Proc(given, Context, static_cast<TZCLExpressionElementFunction*>(step->Element)->GetArguments());
        take(top++, given);
        break;
      case skElement:
        step->Element->Evaluate(given, Context);
        take(top++, given);
        break;
      case skValue: {
        const Integer base = top - step->Count;
        top = base + 1;
        if (step->Info->ScalarProc) {
          bool plain = true;
          for (Integer i = base; i < base + step->Count; ++i) plain = plain && !boxed[i];
          if (plain && step->Info->ScalarProc(scalars + base)) break;
        }
        for (Integer i = base; i < base + step->Count; ++i) box(i);
        step->Info->ValueProc(&boxes[base]);
        take(base, boxes[base]);
        break;
      }
      default: {  // skFirst
        const Integer i = top - 1;
        if (!boxed[i] && step->Info->FirstScalarProc) {
          const int decided = step->Info->FirstScalarProc(scalars[i]);
          if (decided == 1) step = steps + step->Count - 1;
          if (decided >= 0) break;
        }
        box(i);
        const bool decided = step->Info->FirstValueProc(boxes[i]);
        take(i, boxes[i]);
        if (decided) step = steps + step->Count - 1;
        break;
      }
    }
  }
  if (boxed[0])
    Result = std::move(boxes[0]);
  else if (scalars[0].Type == varDouble)
    Result = scalars[0].D;
  else
    Result = static_cast<Integer>(scalars[0].I);
}

void TZCLExpression::Evaluate(Variant& Result, TZCLExpressionContext Context) {
  if (!FRoot) throw EZCLExpression(u"Expression was not compiled");
  if (FSteps.empty())
    FRoot->Evaluate(Result, Context);
  else
    RunSteps(Result, Context);
}

Variant TZCLExpression::Evaluate(TZCLExpressionContext Context) {
  Variant result;
  Evaluate(result, Context);
  return result;
}

String TZCLExpression::ToString() const {
  if (!FRoot) return String();
  TZCLPooledBuilder builder(256);
  FRoot->WriteText(*builder, FFactory);
  return builder->ToString();
}

// ---- factory -------------------------------------------------------------------------------------

const String& TZCLCustomExpressionFactory::DefaultDelimiters() {
  static const String delimiters =
      String(u"%=:+-\\/*;,|(){}<>[].@#$^&?!\"' \r\n\t") + Char(0) + u"\u00AB\u00BB\u201C\u201D_";
  return delimiters;
}

const String& TZCLCustomExpressionFactory::DefaultQuotes() {
  static const String quotes = u"\"'";
  return quotes;
}

const String& TZCLCustomExpressionFactory::DefaultSpaces() {
  static const String spaces = String(u" \r\n\t") + Char(0);
  return spaces;
}

TZCLCustomExpressionFactory::~TZCLCustomExpressionFactory() {
  FreeAndNil(FCache);
  FreeAndNil(FOperators);
  FreeAndNil(FFunctions);
}

void TZCLCustomExpressionFactory::AfterConstruction() {
  inherited::AfterConstruction();
  FFunctions = CreateFunctionList();
  FOperators = CreateFunctionList();
}

TZCLExpressionCompiler* TZCLCustomExpressionFactory::CreateCompiler() {
  return Create<TZCLExpressionCompiler>(this, DefaultDelimiters(), DefaultQuotes(), DefaultSpaces());
}

TZCLExpression* TZCLCustomExpressionFactory::CreateExpression(const String&, TZCLExpressionElement* Root) {
  return Create<TZCLExpression>(this, Root);
}

TZCLExpressionFunctionInfoList* TZCLCustomExpressionFactory::CreateFunctionList() {
  return Create<TZCLExpressionFunctionInfoList>();
}

void TZCLCustomExpressionFactory::RegisterFunction(StringView Name, const TZCLExpressionFunctionProc& Proc,
                                                   Integer ArgumentCount, bool Foldable, Byte Category) {
  if (FFunctions->Find(Name, ArgumentCount))
    throw EZCLExpression(u"The \"%s\" function with %d arguments already registered", {Name, ArgumentCount});
  FFunctions->Add(Create<TZCLExpressionFunctionInfo>(Name, Proc, ArgumentCount, Foldable, Category));
}

void TZCLCustomExpressionFactory::RegisterFunctionWithoutArgs(StringView Name, const TZCLExpressionFunctionProc& Proc,
                                                              Byte Category) {
  RegisterFunction(Name, Proc, 0, false, Category);
}

void TZCLCustomExpressionFactory::RegisterAlias(StringView AliasName, StringView FunctionName) {
  TZCLExpressionFunctionInfo* info = FFunctions->FindByName(FunctionName);
  if (!info) throw EZCLExpression(u"The \"%s\" function was not found", {FunctionName});
  RegisterFunction(AliasName, info->Proc, info->ArgumentCount, info->Foldable, ExpressionCategoryAlias);
  TZCLExpressionFunctionInfo* alias = FFunctions->GetItem(FFunctions->GetCount() - 1);
  alias->ValueProc = info->ValueProc;
  alias->FirstValueProc = info->FirstValueProc;
  alias->ScalarProc = info->ScalarProc;
  alias->FirstScalarProc = info->FirstScalarProc;
}

void TZCLCustomExpressionFactory::Unregister(StringView Name) {
  TZCLExpressionFunctionInfo* info = FFunctions->FindByName(Name);
  if (!info) return;
  // Cached expressions may call the info that goes: they are dropped with it.
  if (FCache) {
    const Integer size = FCache->GetCapacity();
    FreeAndNil(FCache);
    FCache = Create<TZCLExpressionCache>(this, size);
  }
  FFunctions->Remove(info);
}

void TZCLCustomExpressionFactory::RegisterOperator(StringView Name, const TZCLExpressionFunctionProc& Proc,
                                                   Integer ArgumentCount, Integer Priority) {
  if (ArgumentCount != 1 && ArgumentCount != 2) throw EZCLExpression(u"Operator must have 1 or 2 arguments");
  if (FOperators->Find(Name, ArgumentCount))
    throw EZCLExpression(u"The \"%s\" function with %d arguments already registered", {Name, ArgumentCount});
  FOperators->Add(Create<TZCLExpressionOperatorInfo>(Name, Proc, ArgumentCount, Priority));
}

void TZCLCustomExpressionFactory::SetValueProcs(StringView Name, Integer ArgumentCount,
                                                TZCLExpressionValueProc ValueProc,
                                                TZCLExpressionFirstValueProc FirstValueProc,
                                                TZCLExpressionScalarProc ScalarProc,
                                                TZCLExpressionFirstScalarProc FirstScalarProc) {
  TZCLExpressionFunctionInfo* info = FOperators->Find(Name, ArgumentCount);
  if (!info) info = FFunctions->Find(Name, ArgumentCount);
  if (!info || ArgumentCount < 0)
    throw EZCLExpression(u"The \"%s\" function with %d arguments was not found", {Name, ArgumentCount});
  info->ValueProc = ValueProc;
  info->FirstValueProc = FirstValueProc;
  info->ScalarProc = ScalarProc;
  info->FirstScalarProc = FirstScalarProc;
}

TZCLExpression* TZCLCustomExpressionFactory::Compile(const String& Text, bool Optimize) {
  TFreeGuard<TZCLExpressionCompiler> compiler(CreateCompiler());
  compiler->Initialize(Text);
  TZCLExpressionElement* root = compiler->Compile();
  if (Optimize && root) {
    try {
      FoldConstant(root);
    } catch (...) {
      Free(root);
      throw;
    }
  }
  return CreateExpression(Text, root);
}

void TZCLCustomExpressionFactory::Evaluate(const String& Text, TZCLExpressionContext Context, Variant& Result) {
  if (FCache) {
    TZCLExpression* expression = nullptr;
    if (!FCache->TryGetValue(Text, expression)) {
      expression = Compile(Text, true);
      FCache->Add(Text, expression);
    }
    expression->Evaluate(Result, Context);
    return;
  }
  TFreeGuard<TZCLExpression> expression(Compile(Text, false));
  expression->Evaluate(Result, Context);
}

Variant TZCLCustomExpressionFactory::Evaluate(const String& Text, TZCLExpressionContext Context) {
  Variant result;
  Evaluate(Text, Context, result);
  return result;
}

Integer TZCLCustomExpressionFactory::GetCacheSize() const { return FCache ? FCache->GetCapacity() : 0; }

void TZCLCustomExpressionFactory::SetCacheSize(Integer Value) {
  if (Value == GetCacheSize()) return;
  FreeAndNil(FCache);
  if (Value > 0) FCache = Create<TZCLExpressionCache>(this, Value);
}

String TZCLCustomExpressionFactory::ToString() const { throw Exception(u"Unsupported!"); }

// ---- compiler ------------------------------------------------------------------------------------

TZCLExpressionCompiler::TZCLExpressionCompiler(TZCLCustomExpressionFactory* AFactory, StringView ADelimiters,
                                               StringView AQuotes, StringView ASpaces)
    : TZCLParser(ADelimiters, AQuotes, ASpaces),
      FFactory(AFactory),
      FFunctions(AFactory->GetFunctions()),
      FOperators(AFactory->GetOperators()),
      FFunctionElementClass(TZCLExpressionElementFunction::StaticClass()),
      FOperatorElementClass(TZCLExpressionElementOperator::StaticClass()) {
  QuotedTextAsSingleToken = true;
  QuotedTextAsSingleTokenUnquote = true;
  SkipDelimiters = false;
  SkipSpaces = true;
}

TZCLExpressionCompiler::~TZCLExpressionCompiler() {
  FreeAndNil(FElementStack);
  FreeAndNil(FOperatorStack);
}

TZCLExpressionElement* TZCLExpressionCompiler::Compile() {
  FElementStack = Create<TZCLExpressionFastStack<TZCLExpressionElement>>(true);
  FOperatorStack = Create<TZCLExpressionFastStack<TZCLExpressionOperatorInfo>>(false);
  TZCLExpressionElement* root;
  try {
    root = DoCompile();
  } catch (...) {
    FreeAndNil(FElementStack);
    FreeAndNil(FOperatorStack);
    throw;
  }
  FreeAndNil(FElementStack);
  FreeAndNil(FOperatorStack);
  return root;
}

TZCLExpressionElement* TZCLExpressionCompiler::DoCompile() {
  FState = 0;
  while (GetToken(FToken))
    if (!ProcessToken()) Error(u"Syntax Error: unexpected token");
  ApplyPendingOperators();
  return PopRoot();
}

TZCLExpressionElement* TZCLExpressionCompiler::PopRoot() {
  if (FElementStack->GetCount() != 1) Error(u"Syntax Error: expression is invalid");
  return FElementStack->Pop();
}

void TZCLExpressionCompiler::ApplyPendingOperators() {
  while (FOperatorStack->GetCount() > 0) ApplyOperator(FOperatorStack->Pop());
}

bool TZCLExpressionCompiler::ProcessToken() {
  switch (FToken.TokenType) {
    case ttDelimiter:
      return ProcessBracket();
    case ttQuotedText:
      PushElement(MakeConstant(FToken.ToString()));
      return true;
    case ttFunction:
      return ProcessFunction();
    case ttOperator:
      return ProcessOperator();
    case ttRealNumber: {
      Extended value;
      if (!TryStrToFloat(FToken.View(), value, InvariantFormatSettings())) return false;
      PushElement(MakeConstant(static_cast<Double>(value)));
      return true;
    }
    case ttIntegerNumber: {
      Integer value;
      if (!TryStrToInt(FToken.View(), value)) return false;
      PushElement(MakeConstant(value));
      return true;
    }
    default:
      return false;
  }
}

bool TZCLExpressionCompiler::ProcessBracket() {
  if (FToken.DataLength != 1) return false;
  if (FToken.Data[0] == u'(') {
    FOperatorStack->Push(nullptr);
    return true;
  }
  if (FToken.Data[0] != u')') return false;
  for (;;) {
    // A closing bracket without an opening one is a syntax error like any other, not a fault
    // of the stack.
    if (FOperatorStack->GetCount() == 0) Error(u"Syntax Error: unequal brackets");
    TZCLExpressionOperatorInfo* q = FOperatorStack->Pop();
    if (!q) return true;
    ApplyOperator(q);
  }
}

bool TZCLExpressionCompiler::ProcessOperator() {
  auto* p = dynamic_cast<TZCLExpressionOperatorInfo*>(TagInfo(FToken));
  if (!p) return false;
  // A prefix operator stands where an operand is expected, so every pending operator still
  // waits for its right operand: none may be applied before it ("2 * -3" is 2 * (-3)).
  if (p->ArgumentCount != 1) {
    while (FOperatorStack->GetCount() > 0) {
      TZCLExpressionOperatorInfo* q = FOperatorStack->Peek();
      if (!q) break;
      const bool apply = p->RightAssociative ? p->Priority < q->Priority : p->Priority <= q->Priority;
      if (!apply) break;
      FOperatorStack->Pop();
      ApplyOperator(q);
    }
  }
  FOperatorStack->Push(p);
  FState = 2;
  return true;
}

void TZCLExpressionCompiler::ApplyOperator(TZCLExpressionOperatorInfo* Q) {
  if (!Q) Error(u"Syntax Error: unequal brackets");
  TFreeGuard<TZCLExpressionElementFunction> element(FOperatorElementClass->Create<TZCLExpressionElementFunction>(Q));
  if (!element->GetArguments()->PopFrom(*FElementStack, Q->ArgumentCount))
    ErrorFmt(u"Syntax Error: function \"%s\" has too small arguments", {Q->Name});
  if (element->GetDepth() > ExpressionMaxDepth) Error(u"Syntax Error: expression is too complex");
  FElementStack->Push(element.Release());
}

void TZCLExpressionCompiler::PushElement(TZCLExpressionElement* Element) {
  if (Element->GetDepth() > ExpressionMaxDepth) {
    Free(Element);
    Error(u"Syntax Error: expression is too complex");
  }
  FElementStack->Push(Element);
  FState = 1;
}

bool TZCLExpressionCompiler::ProcessFunction() {
  TZCLExpressionFunctionInfo* f = TagInfo(FToken);
  if (!f) return false;
  TFreeGuard<TZCLExpressionElementFunction> element(FFunctionElementClass->Create<TZCLExpressionElementFunction>(f));
  if (FScanCount > 0 && *FScan == u'(') ParseArguments(element.operator->());
  const Integer n = element->GetArguments()->GetCount();
  TZCLExpressionFunctionInfo* overload;
  if (f->ArgumentCount != -1 && f->ArgumentCount != n &&
      FFunctions->Find(f->Name.data(), static_cast<Integer>(f->Name.size()), n, overload))
    element->SetInfo(overload);
  const Integer wanted = element->GetInfo()->ArgumentCount;
  if (wanted != -1 && n < wanted)
    ErrorFmt(u"Syntax Error: function \"%s\" has too small arguments", {element->GetInfo()->Name});
  if (wanted != -1 && n > wanted)
    ErrorFmt(u"Syntax Error: function \"%s\" has too many arguments", {element->GetInfo()->Name});
  PushElement(element.Release());
  return true;
}

void TZCLExpressionCompiler::ParseArguments(TZCLExpressionElementFunction* Element) {
  if (FNestingLevel >= ExpressionMaxDepth) Error(u"Syntax Error: expression is too complex");
  MoveToNext(FScan, FScanCount);
  Integer depth = 0;
  const Char* start = FScan;
  bool taken = false;
  TZCLParserToken token;
  while (GetToken(token)) {
    if (token.TokenType != ttDelimiter || token.DataLength != 1) continue;
    const Char c = token.Data[0];
    if (c == u'(') {
      ++depth;
    } else if (c == u',' && depth == 0) {
      Element->GetArguments()->Add(CompileArgument(start, static_cast<Integer>(token.Data - start)));
      start = token.Data + 1;
      taken = true;
    } else if (c == u')') {
      if (depth > 0) {
        --depth;
        continue;
      }
      if (token.Data > start || taken)
        Element->GetArguments()->Add(CompileArgument(start, static_cast<Integer>(token.Data - start)));
      return;
    }
  }
  Error(u"Syntax Error: unequal brackets");
}

TZCLExpressionElement* TZCLExpressionCompiler::CompileArgument(const Char* Data, Integer Count) {
  if (Count <= 0) return MakeConstant(String());
  TFreeGuard<TZCLExpressionCompiler> compiler(FFactory->CreateCompiler());
  compiler->FNestingLevel = FNestingLevel + 1;
  compiler->Initialize(Data, Count);
  TZCLExpressionElement* root = compiler->Compile();
  return root ? root : MakeConstant(String());
}

void TZCLExpressionCompiler::Error(const String& Message) const {
  if (FScanCount > 0) {
    const String scan(FScan, static_cast<size_t>(std::min<Integer>(16, FScanCount)));
    throw EZCLExpressionCompiler(Message + Format(u"(Token: \"%s\", Scan Cursor: \"%s\")", {FToken.ToString(), scan}));
  }
  throw EZCLExpressionCompiler(Message);
}

void TZCLExpressionCompiler::ErrorFmt(StringView Message, TVarRecList Args) const { Error(Format(Message, Args)); }
