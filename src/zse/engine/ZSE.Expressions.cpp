#include "zse/engine/ZSE.Expressions.h"

#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Parsers.h"
#include "zse/engine/ZSE.Types.h"

namespace {
TZCLDictionary<String, Variant>* GVariables = nullptr;
TZCLListenerList* GListeners = nullptr;
TZSEBindingLinkExpressionFactory* GLinkFactory = nullptr;

void EvaluateGlobalVariable(TZSEExpressionGlobalVariableInfo* Info, Variant& Result, TZCLExpressionContext,
                            TZCLExpressionElements*) {
  Result = TZSEExpressionGlobalVariables::GetValue(Info->Name);
}

TZSEBindingLinkExpressionContext* LinkContext(TZCLExpressionContext Context) {
  return static_cast<TZSEBindingLinkExpressionContext*>(Context);
}

void FnValue(Variant& Result, TZCLExpressionContext Context, TZCLExpressionElements*) {
  Result = Context ? LinkContext(Context)->Value : Variant();
}

void FnCurrentValue(Variant& Result, TZCLExpressionContext Context, TZCLExpressionElements*) {
  Result = Context ? LinkContext(Context)->CurrentValue : Variant();
}

// Any variable when Name is null.
bool UsesVariable(const TZCLExpressionElement* Element, const StringView* Name) {
  auto* call = dynamic_cast<const TZCLExpressionElementFunction*>(Element);
  if (!call) return false;
  if (auto* info = dynamic_cast<const TZSEExpressionGlobalVariableInfo*>(call->GetInfo()))
    return !Name || SameTokenText(info->Name.data(), Name->data(), static_cast<Integer>(info->Name.size()),
                                  static_cast<Integer>(Name->size()));
  const TZCLExpressionElements* args = call->GetArguments();
  for (Integer i = 0; i < args->GetCount(); ++i)
    if (UsesVariable(args->GetItems(i), Name)) return true;
  return false;
}
}  // namespace

// ---- global variables --------------------------------------------------------------------------

void TZSEExpressionGlobalVariables::Initialize() {
  if (!GVariables) GVariables = new TZCLDictionary<String, Variant>();
}

void TZSEExpressionGlobalVariables::Finalize() {
  delete GVariables;
  GVariables = nullptr;
  FreeAndNil(GListeners);
}

void TZSEExpressionGlobalVariables::SetValue(const String& Name, const Variant& Value) {
  Initialize();
  GVariables->AddOrSetValue(Name, Value);
  NotifyDefined(Name);
}

Variant TZSEExpressionGlobalVariables::GetValue(const String& Name) {
  Variant result;
  if (!GVariables || !GVariables->TryGetValue(Name, result))
    throw EZCLExpression(u"The %s global variable was not defined", {Name});
  return result;
}

bool TZSEExpressionGlobalVariables::Exists(const String& Name) { return GVariables && GVariables->ContainsKey(Name); }

void TZSEExpressionGlobalVariables::Clear() {
  if (GVariables) GVariables->Clear();
}

void TZSEExpressionGlobalVariables::Enum(const std::function<void(const String&, const Variant&)>& Proc) {
  if (GVariables) GVariables->Enum(Proc);
}

void TZSEExpressionGlobalVariables::AddListener(IZSEExpressionGlobalVariablesListener* Listener) {
  if (!GListeners) GListeners = Create<TZCLListenerList>();
  GListeners->Add(IPtr<IInterface>(Listener));
}

void TZSEExpressionGlobalVariables::RemoveListener(IZSEExpressionGlobalVariablesListener* Listener) {
  if (GListeners) GListeners->Remove(IPtr<IInterface>(Listener));
}

void TZSEExpressionGlobalVariables::NotifyDefined(const String& Name) {
  if (!GListeners) return;
  GListeners->Enum<IZSEExpressionGlobalVariablesListener>(
      [&](const IPtr<IZSEExpressionGlobalVariablesListener>& Listener) { Listener->GlobalVariableChanged(Name); });
}

TZSEExpressionGlobalVariableInfo::TZSEExpressionGlobalVariableInfo(StringView AName)
    : TZCLExpressionFunctionInfo(AName, TZCLExpressionFunctionProc(this, &EvaluateGlobalVariable), 0, false,
                                 VariableCategory) {}

// ---- math factory ------------------------------------------------------------------------------

void TZSEMathExpressionFactory::AfterConstruction() {
  inherited::AfterConstruction();
  RegisterFunctions();
  TZSEExpressionGlobalVariables::AddListener(this);
  TZSEExpressionGlobalVariables::Enum([this](const String& Name, const Variant&) { RegisterGlobalVariable(Name); });
}

void TZSEMathExpressionFactory::BeforeDestruction() {
  TZSEExpressionGlobalVariables::RemoveListener(this);
  inherited::BeforeDestruction();
}

void TZSEMathExpressionFactory::RegisterGlobalVariable(const String& Name) {
  if (GetFunctions()->Find(Name, 0)) return;
  GetFunctions()->Add(Create<TZSEExpressionGlobalVariableInfo>(Name));
}

void TZSEMathExpressionFactory::GlobalVariableChanged(const String& Name) { RegisterGlobalVariable(Name); }

// ---- binding-link expressions ------------------------------------------------------------------

void TZSEBindingLinkExpressionFactory::RegisterFunctions() {
  inherited::RegisterFunctions();
  RegisterFunctionWithoutArgs(u"Value", FnValue);
  RegisterFunctionWithoutArgs(u"CurrentValue", FnCurrentValue);
  // The same slot, under the name that action expressions use.
  RegisterFunctionWithoutArgs(u"ScrollDelta", FnCurrentValue);
}

TZCLExpression* TZSEBindingLinkExpressionFactory::CreateExpression(const String&, TZCLExpressionElement* Root) {
  return Create<TZSEBindingLinkExpression>(this, Root);
}

TZSEBindingLinkExpressionFactory* TZSEBindingLinkExpressionFactory::Instance() {
  if (!GLinkFactory) Initialize();
  return GLinkFactory;
}

void TZSEBindingLinkExpressionFactory::Initialize() {
  if (!GLinkFactory) GLinkFactory = Create<TZSEBindingLinkExpressionFactory>();
}

void TZSEBindingLinkExpressionFactory::Finalize() { FreeAndNil(GLinkFactory); }

TZSEBindingLinkExpression* TZSEBindingLinkExpressionFactory::CompileExpression(const String& Text) {
  try {
    return static_cast<TZSEBindingLinkExpression*>(Instance()->Compile(Text, true));
  } catch (const Exception& E) {
    if (IZSEErrorHandler* handler = ZSEGetErrorHandler()) handler->InvalidExpression(Text, E.GetMessage());
    return nullptr;
  }
}

Variant TZSEBindingLinkExpression::Evaluate(const Variant& Value, const Variant& CurrentValue) {
  if (!GetRoot()) return Value;
  TZSEBindingLinkExpressionContext context{Value, CurrentValue};
  try {
    Variant result;
    TZCLExpression::Evaluate(result, &context);
    return result;
  } catch (const std::exception&) {
    return Value;
  }
}

bool TZSEBindingLinkExpression::UsesGlobalVariables() const { return UsesVariable(GetRoot(), nullptr); }

bool TZSEBindingLinkExpression::UsesGlobalVariable(StringView Name) const { return UsesVariable(GetRoot(), &Name); }
