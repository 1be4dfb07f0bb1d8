#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "zse/engine/ZSE.Expressions.h"
#include "zse/engine/ZSE.Types.h"

namespace {

class TErrorCollector : public TInterfacedObject, public IZSEErrorHandler {
  RTL_INTERFACES(TInterfacedObject, IZSEErrorHandler)
  void InvalidExpression(const String& Text, const String& Message) override { Errors.push_back(Text); }
  void ReferenceNotFound(TObject*, const String&, const String& ObjectName) override { Errors.push_back(ObjectName); }
  std::vector<String> Errors;
};

struct TVariablesScope {
  ~TVariablesScope() { TZSEExpressionGlobalVariables::Clear(); }
};

std::unique_ptr<TZSEBindingLinkExpression, void (*)(TObject*)> CompileLink(const String& Text) {
  return {TZSEBindingLinkExpressionFactory::CompileExpression(Text), &Free};
}

TEST(EngineExpressions, LinkEvaluation) {
  auto twice = CompileLink(u"Value * 2");
  ASSERT_TRUE(twice);
  EXPECT_EQ(twice->Evaluate(3, 0).AsInteger(), 6);
  // A failing evaluation passes the value through.
  auto failing = CompileLink(u"Value / 0");
  ASSERT_TRUE(failing);
  EXPECT_EQ(failing->Evaluate(3, 0).AsInteger(), 3);
  // "ScrollDelta" and "CurrentValue" read the same slot.
  auto same = CompileLink(u"ScrollDelta - CurrentValue + Value");
  EXPECT_EQ(same->Evaluate(1, 7).AsInteger(), 1);
  // Without a compiled tree the value passes unchanged.
  TZSEBindingLinkExpression empty(TZSEBindingLinkExpressionFactory::Instance(), nullptr);
  EXPECT_EQ(empty.Evaluate(u"x", 0).AsString(), u"x");
}

TEST(EngineExpressions, InvalidTextReportsOnce) {
  IPtr<TErrorCollector> collector(Create<TErrorCollector>());
  ZSESetErrorHandler(IPtr<IZSEErrorHandler>(collector.get()));
  EXPECT_FALSE(CompileLink(u"Value * (2"));
  ZSESetErrorHandler(nullptr);
  ASSERT_EQ(collector->Errors.size(), 1u);
  EXPECT_EQ(collector->Errors[0], u"Value * (2");
  // Without a handler the failure is silent too.
  EXPECT_FALSE(CompileLink(u"1 +"));
}

TEST(EngineExpressions, GlobalVariables) {
  TVariablesScope scope;
  // Defined after the shared factory exists: later compilations see it.
  TZSEExpressionGlobalVariables::SetValue(u"Gain", 5);
  auto uses = CompileLink(u"Value + Gain");
  ASSERT_TRUE(uses);
  EXPECT_EQ(uses->Evaluate(1, 0).AsInteger(), 6);
  EXPECT_TRUE(uses->UsesGlobalVariables());
  EXPECT_TRUE(uses->UsesGlobalVariable(u"gain"));
  EXPECT_FALSE(uses->UsesGlobalVariable(u"Other"));
  // The registry itself is exact about case.
  EXPECT_THROW(TZSEExpressionGlobalVariables::GetValue(u"gain"), EZCLExpression);
  // A changed value is read at evaluation time.
  TZSEExpressionGlobalVariables::SetValue(u"Gain", 10);
  EXPECT_EQ(uses->Evaluate(1, 0).AsInteger(), 11);

  auto plain = CompileLink(u"Value + 1");
  EXPECT_FALSE(plain->UsesGlobalVariables());

  // A variable named like a built-in function without arguments stays the built-in.
  TZSEExpressionGlobalVariables::SetValue(u"Value", 100);
  auto builtin = CompileLink(u"Value");
  EXPECT_EQ(builtin->Evaluate(4, 0).AsInteger(), 4);
  EXPECT_FALSE(builtin->UsesGlobalVariables());

  // A missing variable during evaluation: the link passes the value through.
  TZSEExpressionGlobalVariables::Clear();
  EXPECT_EQ(uses->Evaluate(1, 0).AsInteger(), 1);
  EXPECT_THROW(TZSEExpressionGlobalVariables::GetValue(u"Gain"), EZCLExpression);
}

class TListener : public TInterfacedObject, public IZSEExpressionGlobalVariablesListener {
  RTL_INTERFACES(TInterfacedObject, IZSEExpressionGlobalVariablesListener)
  void GlobalVariableChanged(const String& Name) override {
    Names.push_back(Name);
    if (RemoveSelf) TZSEExpressionGlobalVariables::RemoveListener(this);
  }
  std::vector<String> Names;
  bool RemoveSelf = false;
};

TEST(EngineExpressions, ListenersAndMathFactory) {
  TVariablesScope scope;
  TZSEExpressionGlobalVariables::SetValue(u"Early", 2);
  auto* factory = Create<TZSEMathExpressionFactory>();
  IPtr<TListener> first(Create<TListener>()), second(Create<TListener>());
  first->RemoveSelf = true;
  TZSEExpressionGlobalVariables::AddListener(first.get());
  TZSEExpressionGlobalVariables::AddListener(second.get());
  TZSEExpressionGlobalVariables::SetValue(u"Late", 3);
  // The first one left during the call; the second was still told.
  EXPECT_EQ(first->Names, std::vector<String>{u"Late"});
  EXPECT_EQ(second->Names, std::vector<String>{u"Late"});
  // Variables defined before and after the factory was made are callable.
  EXPECT_EQ(factory->Evaluate(u"Early * Late").AsInteger(), 6);
  TZSEExpressionGlobalVariables::RemoveListener(second.get());
  Free(factory);
  // The freed factory is no longer a listener.
  TZSEExpressionGlobalVariables::SetValue(u"After", 1);
}

}  // namespace
