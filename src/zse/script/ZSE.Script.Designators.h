#pragma once
// Designators: the compiled form of a name chain (a variable, an object's property, a chain with
// indexes and calls, one character of a string) that can be read, written or called. Each step
// refers to an item resolved at build time and holds its argument expressions; at run time the
// chain is walked left to right, each step receiving the value and the item of the one before.

#include <vector>

#include "zse/script/ZSE.Script.Program.h"

class TzsXMLItem;
class TzsDesignator;

enum TzsDesignatorKind : Byte { dkOther, dkVariable, dkStringArray, dkArray };

// One step; its items are the argument expressions.
class TzsDesignatorItem : public TzsItemList {
  ZCL_CLASS(TzsDesignatorItem, TzsItemList)
 public:
  TzsCustomExpression* GetItem(Integer Index) const { return static_cast<TzsCustomExpression*>(GetItemObject(Index)); }
  bool FFlag = false;
  TzsCustomVariable* FRef = nullptr;  // not owned
  String FSourcePos;
  // FRef's kind, found on the first walk.
  bool FKindsKnown = false;
  TzsDesignator* FAsDesignator = nullptr;
  TzsProcVariable* FAsProc = nullptr;
  TzsCustomHelper* FAsHelper = nullptr;
  // Per argument, the lone variable or constant it reduces to (read directly), else itself.
  std::vector<TzsCustomVariable*> FArgs;
};

// Its items are the steps.
class TzsDesignator : public TzsCustomVariable {
  ZCL_CLASS(TzsDesignator, TzsCustomVariable)
 public:
  explicit TzsDesignator(TzsScript* AProgram);
  ~TzsDesignator() override;
  TzsDesignatorItem* GetItem(Integer Index) const { return static_cast<TzsDesignatorItem*>(GetItemObject(Index)); }
  TzsDesignatorKind GetKind() const { return FKind; }
  // Type, read-only flag and shortcut kind from the steps.
  void Finalize();
  // Takes over Other's chain (the two exchange their step lists).
  void Borrow(TzsDesignator* Other);
  Variant GetValue() override;
  void SetValue(const Variant& Value) override;

  TzsDesignatorKind FKind = dkOther;
  TzsScript* FMainProg;
  TzsScript* FProgram;
  TzsCustomVariable* FRef1 = nullptr;
  TzsDesignatorItem* FRef2 = nullptr;
  TzsXMLItem* FLateBindingXmlSource = nullptr;  // owned

 protected:
  void ResolveLateBinding();
  Variant Walk(bool Write, const Variant& Value);
};

class TzsVariableDesignator : public TzsDesignator {
  ZCL_CLASS(TzsVariableDesignator, TzsDesignator)
 public:
  using TzsDesignator::TzsDesignator;
  Variant GetValue() override { return FRefItem->GetValue(); }
  const Variant* ValueRef() override { return FRefItem->ValueRef(); }
  void SetValue(const Variant& Value) override { FRefItem->SetValue(Value); }
};

class TzsStringDesignator : public TzsDesignator {
  ZCL_CLASS(TzsStringDesignator, TzsDesignator)
 public:
  using TzsDesignator::TzsDesignator;
  Variant GetValue() override;
  void SetValue(const Variant& Value) override;
};

class TzsArrayDesignator : public TzsDesignator {
  ZCL_CLASS(TzsArrayDesignator, TzsDesignator)
 public:
  using TzsDesignator::TzsDesignator;
  Variant GetValue() override;
  // The element in place for the direct form.
  const Variant* ValueRef() override;
  void SetValue(const Variant& Value) override;

 private:
  void PrepareHelper();
  TzsVariable* DirectArray() const;
  // The index of the direct form, read through what its expression reduces to.
  Integer DirectIndex();
  TzsCustomVariable* FIndex = nullptr;
  TzsDesignatorItem* FIndexOf = nullptr;
};
