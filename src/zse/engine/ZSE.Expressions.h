#pragma once
// The skin's global variables with their change notification, the math dialect that knows every
// global variable as a function without arguments, and the dialect of binding-link expressions,
// which adds "Value", "CurrentValue" and "ScrollDelta" for the values a link evaluates with.

#include <functional>

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Variant.h"
#include "zcl/base/ZCL.Expressions.Math.h"

// Told after a global variable was defined or changed.
struct IZSEExpressionGlobalVariablesListener : virtual IInterface {
  RTL_INTERFACE(IZSEExpressionGlobalVariablesListener, IInterface, "{A6C19A7F-3B28-4749-AA56-0819283A4C21}")
  virtual void GlobalVariableChanged(const String& Name) = 0;
};

// The registry of global variables (class operations only). Names are exact: case matters.
class TZSEExpressionGlobalVariables {
 public:
  TZSEExpressionGlobalVariables() = delete;

  // Adds or replaces, then tells the listeners.
  static void SetValue(const String& Name, const Variant& Value);
  // EZCLExpression "The %s global variable was not defined" for a missing name.
  static Variant GetValue(const String& Name);
  static bool Exists(const String& Name);
  // Removes every variable without telling anyone (a skin is unloaded).
  static void Clear();
  static void Enum(const std::function<void(const String& Name, const Variant& Value)>& Proc);
  static void AddListener(IZSEExpressionGlobalVariablesListener* Listener);
  static void RemoveListener(IZSEExpressionGlobalVariablesListener* Listener);
  static void NotifyDefined(const String& Name);

  // Unit hooks.
  static void Initialize();
  static void Finalize();
};

// A global variable as an expression function: no arguments, never folded, evaluated to the
// variable's current value.
class TZSEExpressionGlobalVariableInfo : public TZCLExpressionFunctionInfo {
  ZCL_CLASS(TZSEExpressionGlobalVariableInfo, TZCLExpressionFunctionInfo)
 public:
  static constexpr Byte VariableCategory = 255;
  explicit TZSEExpressionGlobalVariableInfo(StringView AName);
};

// The math functions and operators, plus one function per global variable.
class TZSEMathExpressionFactory : public TZCLMathExpressionFactory, public IZSEExpressionGlobalVariablesListener {
  ZCL_CLASS(TZSEMathExpressionFactory, TZCLMathExpressionFactory)
  RTL_INTERFACES(TZCLMathExpressionFactory, IZSEExpressionGlobalVariablesListener)
  Integer _AddRef() override { return -1; }
  Integer _Release() override { return -1; }

  void AfterConstruction() override;
  void BeforeDestruction() override;
  // Nothing when a function of that name without arguments exists (a built-in one wins).
  void RegisterGlobalVariable(const String& Name);
  void GlobalVariableChanged(const String& Name) override;

 protected:
  // The dialect's own functions, registered after the math set-up and before the variables.
  virtual void RegisterFunctions() {}
};

// What a link expression evaluates with.
struct TZSEBindingLinkExpressionContext {
  Variant Value;         // the value arriving through the link
  Variant CurrentValue;  // the target's current value, or the scroll delta of a scroll action
};

class TZSEBindingLinkExpression;

class TZSEBindingLinkExpressionFactory : public TZSEMathExpressionFactory {
  ZCL_CLASS(TZSEBindingLinkExpressionFactory, TZSEMathExpressionFactory)
 public:
  TZCLExpression* CreateExpression(const String& Text, TZCLExpressionElement* Root) override;

  // Compiled with folding by the shared factory; a text that does not compile goes to the error
  // handler (when one is set) and gives null. The caller owns the result.
  static TZSEBindingLinkExpression* CompileExpression(const String& Text);
  // The shared factory; exists between the unit's initialization and finalization.
  static TZSEBindingLinkExpressionFactory* Instance();

  static void Initialize();
  static void Finalize();

 protected:
  void RegisterFunctions() override;
};

class TZSEBindingLinkExpression : public TZCLExpression {
  ZCL_CLASS(TZSEBindingLinkExpression, TZCLExpression)
 public:
  using TZCLExpression::TZCLExpression;

  // Never raises: without a tree, or when evaluation fails, the result is Value unchanged.
  Variant Evaluate(const Variant& Value, const Variant& CurrentValue);
  bool UsesGlobalVariables() const;
  // Ignoring the case of ASCII letters.
  bool UsesGlobalVariable(StringView Name) const;
};
