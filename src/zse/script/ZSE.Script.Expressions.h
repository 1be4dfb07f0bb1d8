#pragma once
// Expressions: a tree of nodes built one operand or operator at a time, in source order, by
// operator priority; Finalize types every node, reports the first incompatible operation and
// enables short-circuit and/or. Set constructors are TzsSetExpression, used by "in" and by case
// selectors. Also the operator table that maps an operator's text to its node class.

#include "zse/script/ZSE.Script.Program.h"

class TzsDesignator;
class TzsSetExpression;

enum TzsOperatorType : Byte {
  opNone,
  opGreat,
  opLess,
  opLessEq,
  opGreatEq,
  opNonEq,
  opEq,
  opPlus,
  opMinus,
  opOr,
  opXor,
  opMul,
  opDivFloat,
  opDivInt,
  opMod,
  opAnd,
  opShl,
  opShr,
  opLeftBracket,
  opRightBracket,
  opNot,
  opUnMinus,
  opIn,
  opIs
};

class TzsExpressionNode : public TzsCustomVariable {
  ZCL_CLASS(TzsExpressionNode, TzsCustomVariable)
 public:
  TzsExpressionNode() : TzsCustomVariable(String(), zvtVariant, String()) {}
  ~TzsExpressionNode() override;
  // A lower number binds tighter.
  virtual Integer Priority() const = 0;
  void AddNode(TzsExpressionNode* Node);
  void RemoveNode(TzsExpressionNode* Node);

  TzsExpressionNode* FLeft = nullptr;
  TzsExpressionNode* FRight = nullptr;
  TzsExpressionNode* FParent = nullptr;
};

// A constant.
class TzsOperandNode : public TzsExpressionNode {
  ZCL_CLASS(TzsOperandNode, TzsExpressionNode)
 public:
  explicit TzsOperandNode(const Variant& AValue);
  Integer Priority() const override { return 0; }
  const Variant* ValueRef() override { return &FValue; }
};

class TzsDesignatorNode : public TzsOperandNode {
  ZCL_CLASS(TzsDesignatorNode, TzsOperandNode)
 public:
  explicit TzsDesignatorNode(TzsDesignator* ADesignator);
  ~TzsDesignatorNode() override;
  Variant GetValue() override { return FVar->GetValue(); }
  const Variant* ValueRef() override { return FVar->ValueRef(); }
  TzsDesignator* FDesignator;
  TzsCustomVariable* FVar;
};

class TzsSetNode : public TzsOperandNode {
  ZCL_CLASS(TzsSetNode, TzsOperandNode)
 public:
  explicit TzsSetNode(TzsSetExpression* ASet);
  ~TzsSetNode() override;
  Variant GetValue() override;
  const Variant* ValueRef() override { return nullptr; }
  TzsSetExpression* FSetExpression;
};

class TzsOperatorNode : public TzsExpressionNode {
  ZCL_CLASS(TzsOperatorNode, TzsExpressionNode)
 public:
  explicit TzsOperatorNode(TzsOperatorType AOp) : FOp(AOp) {}
  Integer Priority() const override;
  Variant GetValue() override;
  bool FOptimizeBool = false;
  TzsOperatorType FOp;
  TzsScript* FScript = nullptr;  // for the class test of "is"
};

#define ZS_OPERATOR_NODE(Name, Op)      \
  class Name : public TzsOperatorNode { \
    ZCL_CLASS(Name, TzsOperatorNode)    \
   public:                              \
    Name() : TzsOperatorNode(Op) {}     \
  };
ZS_OPERATOR_NODE(TNoneNode, opNone)
ZS_OPERATOR_NODE(TGreatNode, opGreat)
ZS_OPERATOR_NODE(TLessNode, opLess)
ZS_OPERATOR_NODE(TLessEqNode, opLessEq)
ZS_OPERATOR_NODE(TGreatEqNode, opGreatEq)
ZS_OPERATOR_NODE(TNonEqNode, opNonEq)
ZS_OPERATOR_NODE(TEqNode, opEq)
ZS_OPERATOR_NODE(TPlusNode, opPlus)
ZS_OPERATOR_NODE(TMinusNode, opMinus)
ZS_OPERATOR_NODE(TOrNode, opOr)
ZS_OPERATOR_NODE(TXorNode, opXor)
ZS_OPERATOR_NODE(TMulNode, opMul)
ZS_OPERATOR_NODE(TDivFloatNode, opDivFloat)
ZS_OPERATOR_NODE(TDivIntNode, opDivInt)
ZS_OPERATOR_NODE(TModNode, opMod)
ZS_OPERATOR_NODE(TAndNode, opAnd)
ZS_OPERATOR_NODE(TShlNode, opShl)
ZS_OPERATOR_NODE(TShrNode, opShr)
ZS_OPERATOR_NODE(TLeftBracketNode, opLeftBracket)
ZS_OPERATOR_NODE(TRightBracketNode, opRightBracket)
ZS_OPERATOR_NODE(TNotNode, opNot)
ZS_OPERATOR_NODE(TUnMinusNode, opUnMinus)
ZS_OPERATOR_NODE(TInNode, opIn)
ZS_OPERATOR_NODE(TIsNode, opIs)
#undef ZS_OPERATOR_NODE

// "+" that concatenates as text when its left value is a string.
class TStrCatNode : public TzsOperatorNode {
  ZCL_CLASS(TStrCatNode, TzsOperatorNode)
 public:
  TStrCatNode() : TzsOperatorNode(opPlus) {}
  Variant GetValue() override;
};

// Op of two Integer or Double operands into Result, as the general operators compute it; false
// for other operands and operators (the caller then uses the general ones).
bool ZsNumericOperation(TzsOperatorType Op, const Variant& L, const Variant& R, Variant& Result);

class TzsOperatorNodeFactory {
 public:
  TzsOperatorNodeFactory() = delete;
  // A new node for the operator's exact text, or null.
  static TzsOperatorNode* CreateNode(StringView S);
};

// Operators one expression may hold: bounds the depth of the tree and so of its evaluation.
constexpr Integer ZsMaxExpressionOperators = 2000;

class TzsExpression : public TzsCustomExpression {
  ZCL_CLASS(TzsExpression, TzsCustomExpression)
 public:
  explicit TzsExpression(TzsScript* AScript);
  ~TzsExpression() override;

  void AddConst(const Variant& Value);
  void AddDesignator(TzsDesignator* Designator);
  void AddSet(TzsSetExpression* Set);
  // Raises for an operator text the table does not know and for an unmatched ")".
  void AddOperator(StringView Text);
  // The position of the first incompatible operation, or "".
  String Finalize();
  // A lone designator (or its variable) or constant, or null.
  TzsCustomVariable* SingleItem() const;
  // For D := expression: " " for no change, or the operator of a compound assignment to which
  // the expression has been reduced.
  String Optimize(TzsDesignator* D);
  Variant GetValue() override { return FNode->GetValue(); }
  const Variant* ValueRef() override { return FNode->ValueRef(); }
  void SetValue(const Variant& Value) override;
  TzsExpressionNode* GetRoot() const { return FNode; }

  TzsExpressionNode* FNode;
  TzsExpressionNode* FCurNode;
  TzsScript* FScript;
  String FSource;

 private:
  void Insert(TzsExpressionNode* Node);
  Integer FOperators = 0;
  bool FFinalized = false;
};

// Its items are expressions; a null entry marks a range between its neighbours.
class TzsSetExpression : public TzsCustomVariable {
  ZCL_CLASS(TzsSetExpression, TzsCustomVariable)
 public:
  TzsSetExpression() : TzsCustomVariable(String(), zvtVariant, String()) {}
  TzsCustomExpression* GetItem(Integer Index) const { return static_cast<TzsCustomExpression*>(GetItemObject(Index)); }
  bool Check(const Variant& Value) const;
  // The entries' values as a variant array, Null for the range markers.
  Variant GetValue() override;
};
