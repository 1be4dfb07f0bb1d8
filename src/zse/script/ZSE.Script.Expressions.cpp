#include "zse/script/ZSE.Script.Expressions.h"

#include <memory>

#include "zse/script/ZSE.Script.Designators.h"

// --- nodes

TzsExpressionNode::~TzsExpressionNode() {
  delete FLeft;
  delete FRight;
}

void TzsExpressionNode::AddNode(TzsExpressionNode* Node) {
  if (!FLeft)
    FLeft = Node;
  else if (!FRight)
    FRight = Node;
  else
    throw EInvalidOperation(u"Invalid expression");
  Node->FParent = this;
}

void TzsExpressionNode::RemoveNode(TzsExpressionNode* Node) {
  if (FLeft == Node)
    FLeft = nullptr;
  else if (FRight == Node)
    FRight = nullptr;
}

TzsOperandNode::TzsOperandNode(const Variant& AValue) {
  FValue = AValue;
  switch (AValue.VarType()) {
    case varBoolean:
      FTyp = zvtBool;
      break;
    case varSingle:
    case varDouble:
    case varCurrency:
      FTyp = zvtFloat;
      break;
    case varInt64:
      FTyp = zvtInt64;
      break;
    case varOleStr:
    case varString:
    case varUString:
      FTyp = zvtString;
      break;
    default:
      FTyp = zvtInt;
  }
  FIsReadOnly = true;
}

TzsDesignatorNode::TzsDesignatorNode(TzsDesignator* ADesignator) : TzsOperandNode(Null()), FDesignator(ADesignator) {
  FVar = dynamic_cast<TzsVariableDesignator*>(ADesignator) ? ADesignator->FRefItem : ADesignator;
  FTyp = ADesignator->FTyp;
  FTypeName = ADesignator->FTypeName;
}

TzsDesignatorNode::~TzsDesignatorNode() { delete FDesignator; }

TzsSetNode::TzsSetNode(TzsSetExpression* ASet) : TzsOperandNode(Null()), FSetExpression(ASet) { FTyp = zvtVariant; }

TzsSetNode::~TzsSetNode() { delete FSetExpression; }

Variant TzsSetNode::GetValue() { return FSetExpression->GetValue(); }

Integer TzsOperatorNode::Priority() const {
  switch (FOp) {
    case opNone:
      return 7;
    case opLeftBracket:
      return 6;
    case opRightBracket:
      return 5;
    case opGreat:
    case opLess:
    case opLessEq:
    case opGreatEq:
    case opNonEq:
    case opEq:
    case opIn:
    case opIs:
      return 4;
    case opPlus:
    case opMinus:
    case opOr:
    case opXor:
      return 3;
    case opNot:
    case opUnMinus:
      return 1;
    default:
      return 2;
  }
}

namespace {

bool IsSmallInt(const Variant& V) {
  switch (V.VarType()) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varBoolean:
      return true;
    default:
      return false;
  }
}

Variant Shift(const Variant& L, const Variant& R, bool Left) {
  if (L.IsNull() || R.IsNull()) return Null();
  const Integer by = R.AsInteger() & 63;
  if (IsSmallInt(L) && IsSmallInt(R)) {
    const auto v = static_cast<uint32_t>(L.AsInteger());
    const Integer s = by & 31;
    return Variant(static_cast<Integer>(Left ? v << s : v >> s));
  }
  const auto v = static_cast<UInt64>(L.AsInt64());
  return Variant(static_cast<long long>(Left ? v << by : v >> by));
}

bool InArray(const Variant& Value, const Variant& Array) {
  if (!Array.IsArray()) throw EVariantInvalidOpError(u"Invalid variant operation");
  const Integer high = VarArrayHighBound(Array, 1);
  for (Integer i = 0; i <= high; ++i) {
    const Variant& e = Array.GetElement(i);
    if (Value == e) return true;
    if (i + 2 <= high && Array.GetElement(i + 1).IsNull()) {
      if (Value >= e && Value <= Array.GetElement(i + 2)) return true;
      i += 2;
    }
  }
  return false;
}

// The six comparisons over one number type; NaN compares unequal and unordered.
template <class T>
bool ZsCompareNumbers(TzsOperatorType Op, T A, T B, Variant& Result) {
  switch (Op) {
    case opGreat:
      Result = Variant(A > B);
      return true;
    case opLess:
      Result = Variant(A < B);
      return true;
    case opLessEq:
      Result = Variant(A <= B);
      return true;
    case opGreatEq:
      Result = Variant(A >= B);
      return true;
    case opNonEq:
      Result = Variant(!(A == B));
      return true;
    case opEq:
      Result = Variant(A == B);
      return true;
    default:
      return false;
  }
}
}  // namespace

// Integer and Double operands, what loops mostly compute, skip the general variant rules; the
// results are those of the general operators (Integer results that leave 32 bits widen to Int64,
// a mixed pair computes in Double, NaN compares unequal and unordered).
bool ZsNumericOperation(TzsOperatorType Op, const Variant& L, const Variant& R, Variant& Result) {
  const TVarType lt = L.VarType(), rt = R.VarType();
  if (lt == varInteger && rt == varInteger) {
    const Int64 a = L.AsInteger(), b = R.AsInteger();
    if (ZsCompareNumbers(Op, a, b, Result)) return true;
    Int64 v;
    switch (Op) {
      case opPlus:
        v = a + b;
        break;
      case opMinus:
        v = a - b;
        break;
      case opMul:
        v = a * b;
        break;
      default:
        return false;
    }
    Result = v >= INT32_MIN && v <= INT32_MAX ? Variant(static_cast<Integer>(v)) : Variant(static_cast<long long>(v));
    return true;
  }
  if ((lt != varDouble && lt != varInteger) || (rt != varDouble && rt != varInteger)) return false;
  const double a = L.AsDouble(), b = R.AsDouble();
  if (ZsCompareNumbers(Op, a, b, Result)) return true;
  switch (Op) {
    case opPlus:
      Result = Variant(a + b);
      return true;
    case opMinus:
      Result = Variant(a - b);
      return true;
    case opMul:
      Result = Variant(a * b);
      return true;
    default:
      return false;
  }
}

Variant TzsOperatorNode::GetValue() {
  switch (FOp) {
    case opNone:
      return FLeft ? FLeft->GetValue() : Null();
    case opNot:
      return VarNot(FLeft->GetValue());
    case opUnMinus:
      return -FLeft->GetValue();
    case opAnd:
      if (FOptimizeBool) {
        Variant l = FLeft->GetValue();
        return l.AsBoolean() ? FRight->GetValue() : l;
      }
      break;
    case opOr:
      if (FOptimizeBool) {
        Variant l = FLeft->GetValue();
        return l.AsBoolean() ? l : FRight->GetValue();
      }
      break;
    case opIn:
      if (auto* set = dynamic_cast<TzsSetNode*>(FRight)) return Variant(set->FSetExpression->Check(FLeft->GetValue()));
      {
        const Variant l = FLeft->GetValue();
        return Variant(InArray(l, FRight->GetValue()));
      }
    case opIs: {
      TObject* obj = TzsObjectHandles::ObjectOf(FLeft->GetValue());
      if (!obj) return Variant(false);
      auto* node = dynamic_cast<TzsDesignatorNode*>(FRight);
      auto* cls = node && node->FDesignator->Count() > 0
                      ? dynamic_cast<TzsClassVariable*>(node->FDesignator->GetItem(0)->FRef)
                      : nullptr;
      if (!cls) throw EInvalidCast(u"Class type required");
      if (cls->FClassRef) return Variant(obj->InheritsFrom(cls->FClassRef));
      for (TClass c = obj->ClassType(); c; c = c->ClassParent())
        if (cls->FProgram && cls->FProgram->FindClass(c->ClassName()) &&
            cls->FProgram->FindClass(c->ClassName())->InheritsFromClass(cls))
          return Variant(true);
      return Variant(false);
    }
    default:
      break;
  }
  // Operands are read in place where that is a plain read; the left one is copied before the
  // right one is evaluated, which may change it.
  Variant lValue, rValue;
  const Variant* lp = FLeft->ValueRef();
  if (lp == nullptr) {
    lValue = FLeft->GetValue();
    lp = &lValue;
  }
  const Variant* rp = FRight->ValueRef();
  if (rp == nullptr) {
    if (lp != &lValue) {
      lValue = *lp;
      lp = &lValue;
    }
    rValue = FRight->GetValue();
    rp = &rValue;
  }
  const Variant& l = *lp;
  const Variant& r = *rp;
  if (Variant fast; ZsNumericOperation(FOp, l, r, fast)) return fast;
  switch (FOp) {
    case opGreat:
      return Variant(l > r);
    case opLess:
      return Variant(l < r);
    case opLessEq:
      return Variant(l <= r);
    case opGreatEq:
      return Variant(l >= r);
    case opNonEq:
      return Variant(!(l == r));
    case opEq:
      return Variant(l == r);
    case opPlus:
      return l + r;
    case opMinus:
      return l - r;
    case opOr:
      return VarOr(l, r);
    case opXor:
      return VarXor(l, r);
    case opMul:
      return l * r;
    case opDivFloat:
      return l / r;
    case opDivInt:
      return VarIntDiv(l, r);
    case opMod:
      return VarMod(l, r);
    case opAnd:
      return VarAnd(l, r);
    case opShl:
      return Shift(l, r, true);
    case opShr:
      return Shift(l, r, false);
    default:
      throw EInvalidOperation(u"Invalid expression");
  }
}

Variant TStrCatNode::GetValue() {
  const Variant l = FLeft->GetValue();
  const Variant r = FRight->GetValue();
  if (VarIsStr(l)) return Variant(l.AsString() + VarToStr(r));
  return l + r;
}

TzsOperatorNode* TzsOperatorNodeFactory::CreateNode(StringView S) {
  struct TEntry {
    const char16_t* Text;
    TzsOperatorNode* (*Make)();
  };
#define ZS_ENTRY(T, C)                            \
  {                                               \
    T, []() -> TzsOperatorNode* { return new C; } \
  }
  static const TEntry table[] = {
      ZS_ENTRY(u" ", TNoneNode),    ZS_ENTRY(u">", TGreatNode),         ZS_ENTRY(u"<", TLessNode),
      ZS_ENTRY(u"<=", TLessEqNode), ZS_ENTRY(u">=", TGreatEqNode),      ZS_ENTRY(u"<>", TNonEqNode),
      ZS_ENTRY(u"=", TEqNode),      ZS_ENTRY(u"+", TPlusNode),          ZS_ENTRY(u"strcat", TStrCatNode),
      ZS_ENTRY(u"-", TMinusNode),   ZS_ENTRY(u"or", TOrNode),           ZS_ENTRY(u"xor", TXorNode),
      ZS_ENTRY(u"*", TMulNode),     ZS_ENTRY(u"/", TDivFloatNode),      ZS_ENTRY(u"div", TDivIntNode),
      ZS_ENTRY(u"mod", TModNode),   ZS_ENTRY(u"and", TAndNode),         ZS_ENTRY(u"shl", TShlNode),
      ZS_ENTRY(u"shr", TShrNode),   ZS_ENTRY(u"(", TLeftBracketNode),   ZS_ENTRY(u")", TRightBracketNode),
      ZS_ENTRY(u"not", TNotNode),   ZS_ENTRY(u"unminus", TUnMinusNode), ZS_ENTRY(u"in", TInNode),
      ZS_ENTRY(u"is", TIsNode),
  };
#undef ZS_ENTRY
  for (const TEntry& e : table)
    if (S == e.Text) return e.Make();
  return nullptr;
}

// --- TzsExpression

TzsExpression::TzsExpression(TzsScript* AScript)
    : TzsCustomExpression(String(), zvtInt64, String()), FNode(new TNoneNode), FCurNode(FNode), FScript(AScript) {}

TzsExpression::~TzsExpression() { delete FNode; }

void TzsExpression::Insert(TzsExpressionNode* Node) {
  Node->FSourcePos = FSourcePos;
  try {
    FCurNode->AddNode(Node);
  } catch (...) {
    delete Node;
    throw;
  }
  FCurNode = Node;
}

void TzsExpression::AddConst(const Variant& Value) { Insert(new TzsOperandNode(Value)); }

void TzsExpression::AddDesignator(TzsDesignator* Designator) { Insert(new TzsDesignatorNode(Designator)); }

void TzsExpression::AddSet(TzsSetExpression* Set) { Insert(new TzsSetNode(Set)); }

void TzsExpression::AddOperator(StringView Text) {
  if (FFinalized) throw EInvalidOperation(u"Invalid expression");
  if (++FOperators > ZsMaxExpressionOperators) throw EInvalidOperation(u"Expression too complex");
  std::unique_ptr<TzsOperatorNode> node(TzsOperatorNodeFactory::CreateNode(Text));
  if (!node) throw EInvalidOperation(u"Unknown operator '%s'", {Text});
  node->FSourcePos = FSourcePos;
  node->FScript = FScript;
  const TzsOperatorType op = node->FOp;
  if (op == opLeftBracket || op == opNot || op == opUnMinus) {
    Insert(node.release());
    return;
  }
  if (op == opRightBracket) {
    TzsExpressionNode* n = FCurNode;
    while (n && n->Priority() <= 5) n = n->FParent;
    auto* bracket = dynamic_cast<TzsOperatorNode*>(n);
    if (!bracket || bracket->FOp != opLeftBracket) throw EInvalidOperation(u"Unmatched ')'");
    TzsExpressionNode* inner = bracket->FLeft;
    if (!inner) throw EInvalidOperation(u"Expression expected");
    TzsExpressionNode* parent = bracket->FParent;
    bracket->FLeft = nullptr;
    parent->RemoveNode(bracket);
    parent->AddNode(inner);
    delete bracket;
    FCurNode = inner;
    return;
  }
  TzsOperatorNode* raw = node.release();
  if (FCurNode == FNode) {
    FNode->AddNode(raw);
    FCurNode = raw;
    return;
  }
  TzsExpressionNode* candidate;
  TzsExpressionNode* current;
  if (FCurNode->Priority() == 6) {
    candidate = nullptr;
    current = FCurNode;
  } else {
    candidate = FCurNode;
    current = FCurNode->FParent;
  }
  const Integer p = raw->Priority();
  while (current->Priority() <= p) {
    candidate = current;
    current = current->FParent;
  }
  if (candidate) current->RemoveNode(candidate);
  current->AddNode(raw);
  if (candidate) raw->AddNode(candidate);
  FCurNode = raw;
}

namespace {

bool OperatorAllowed(TzsVarType L, TzsOperatorType Op) {
  switch (L) {
    case zvtBool:
      return Op == opNonEq || Op == opEq || Op == opOr || Op == opXor || Op == opAnd || Op == opNot;
    case zvtChar:
    case zvtString:
      return (Op >= opGreat && Op <= opEq) || Op == opPlus || Op == opIn;
    case zvtClass:
    case zvtArray:
      return Op == opNonEq || Op == opEq;
    default:
      return true;
  }
}

bool IsComparison(TzsOperatorType Op) { return (Op >= opGreat && Op <= opEq) || Op == opIn || Op == opIs; }

void TypeNode(TzsExpressionNode* Node, const TzsScript* Script, String& FirstError) {
  if (!Node) return;
  TypeNode(Node->FLeft, Script, FirstError);
  TypeNode(Node->FRight, Script, FirstError);
  auto* op = dynamic_cast<TzsOperatorNode*>(Node);
  if (!op) return;
  TzsTypeRec l{zvtVariant, String()}, r{zvtVariant, String()};
  if (op->FLeft) l = op->FLeft->GetTypeRec();
  if (op->FRight) r = op->FRight->GetTypeRec();
  if (l.Typ == zvtBool && r.Typ == zvtBool) op->FOptimizeBool = true;
  if (!(op->FOp == opIs && l.Typ == zvtClass && r.Typ == zvtClass)) {
    if (!TypesCompatible(l, r, Script) || !OperatorAllowed(l.Typ, op->FOp)) {
      if (FirstError.empty()) FirstError = op->FSourcePos.empty() ? String(u" ") : op->FSourcePos;
      op->FTyp = zvtVariant;
      return;
    }
  }
  TzsVarType t = l.Typ;
  if ((l.Typ == zvtInt && r.Typ == zvtFloat) || (l.Typ == zvtFloat && r.Typ == zvtInt) ||
      (l.Typ == zvtFloat && r.Typ == zvtInt64) || (l.Typ == zvtInt64 && r.Typ == zvtFloat))
    t = zvtFloat;
  if (op->FOp == opDivFloat && (l.Typ == zvtInt || l.Typ == zvtInt64) && (r.Typ == zvtInt || r.Typ == zvtInt64))
    t = zvtFloat;
  if (IsComparison(op->FOp)) t = zvtBool;
  op->FTyp = t;
  op->FTypeName = t == l.Typ ? l.TypeName : String();
}

}  // namespace

String TzsExpression::Finalize() {
  if (!FFinalized) {
    FFinalized = true;
    TzsExpressionNode* tree = FNode->FLeft;
    if (!tree) throw EInvalidOperation(u"Expression expected");
    FNode->FLeft = nullptr;
    delete FNode;
    FNode = tree;
    FNode->FParent = nullptr;
    FCurNode = FNode;
  }
  String error;
  TypeNode(FNode, FScript, error);
  FTyp = FNode->FTyp;
  FTypeName = FNode->FTypeName;
  auto* d = dynamic_cast<TzsDesignatorNode*>(FNode);
  FIsReadOnly = !(d && !d->FDesignator->FIsReadOnly);
  return error;
}

TzsCustomVariable* TzsExpression::SingleItem() const {
  if (auto* d = dynamic_cast<TzsDesignatorNode*>(FNode)) return d->FVar;
  if (auto* o = dynamic_cast<TzsOperandNode*>(FNode)) return o;
  return nullptr;
}

void TzsExpression::SetValue(const Variant& Value) {
  if (FIsReadOnly) return;
  if (auto* d = dynamic_cast<TzsDesignatorNode*>(FNode)) d->FDesignator->SetValue(Value);
}

String TzsExpression::Optimize(TzsDesignator* D) {
  auto* vd = dynamic_cast<TzsVariableDesignator*>(D);
  auto* root = dynamic_cast<TzsOperatorNode*>(FNode);
  if (!vd || !root || dynamic_cast<TStrCatNode*>(root)) return u" ";
  const TzsOperatorType op = root->FOp;
  if (op != opPlus && op != opMinus && op != opMul && op != opDivFloat) return u" ";
  const char16_t* text = op == opPlus ? u"+" : op == opMinus ? u"-" : op == opMul ? u"*" : u"/";
  auto sameVariable = [vd](TzsExpressionNode* n) {
    auto* dn = dynamic_cast<TzsDesignatorNode*>(n);
    return dn && dynamic_cast<TzsVariableDesignator*>(dn->FDesignator) && dn->FDesignator->FRefItem == vd->FRefItem;
  };
  auto keep = [this, root](TzsExpressionNode* kept) {
    root->RemoveNode(kept);
    kept->FParent = nullptr;
    delete root;
    FNode = kept;
    FCurNode = kept;
    FTyp = kept->FTyp;
    FTypeName = kept->FTypeName;
  };
  if (root->FLeft && root->FRight && sameVariable(root->FLeft)) {
    keep(root->FRight);
    return text;
  }
  // x := y + x may run as x += y only where the two operands commute: numbers, never text.
  const TzsVarType t = vd->FRefItem->FTyp;
  const bool numeric = t == zvtInt || t == zvtInt64 || t == zvtFloat;
  if ((op == opPlus || op == opMul) && numeric && root->FLeft && root->FRight && sameVariable(root->FRight)) {
    keep(root->FLeft);
    return text;
  }
  return u" ";
}

// --- sets

bool TzsSetExpression::Check(const Variant& Value) const {
  const Integer n = Count();
  for (Integer i = 0; i < n; ++i) {
    TzsCustomExpression* e = GetItem(i);
    if (!e) continue;
    if (i + 1 < n && !GetItem(i + 1)) {
      if (i + 2 >= n || !GetItem(i + 2)) return false;
      if (Value >= e->GetValue() && Value <= GetItem(i + 2)->GetValue()) return true;
      i += 2;
      continue;
    }
    if (Value == e->GetValue()) return true;
  }
  return false;
}

Variant TzsSetExpression::GetValue() {
  const Integer n = Count();
  Variant a = VarArrayCreate({0, n - 1}, varVariant);
  for (Integer i = 0; i < n; ++i) a.SetElement(i, GetItem(i) ? GetItem(i)->GetValue() : Null());
  return a;
}
