#include "zse/script/ZSE.Script.Designators.h"

#include <memory>

#include "zse/script/ZSE.Script.Compiler.h"
#include "zse/script/ZSE.Script.Expressions.h"
#include "zse/script/ZSE.Script.XML.h"

TzsDesignator::TzsDesignator(TzsScript* AProgram)
    : TzsCustomVariable(String(), zvtInt64, String()), FMainProg(AProgram), FProgram(AProgram) {}

TzsDesignator::~TzsDesignator() { delete FLateBindingXmlSource; }

void TzsDesignator::Finalize() {
  if (Count() == 0) return;
  TzsCustomVariable* last = GetItem(Count() - 1)->FRef;
  if (!last) return;
  FTyp = last->FTyp;
  FTypeName = last->FTypeName;
  if (FTyp == zvtConstructor) {
    FTyp = zvtClass;
    if (Count() >= 2 && GetItem(Count() - 2)->FRef) FTypeName = GetItem(Count() - 2)->FRef->FTypeName;
  }
  FIsReadOnly = last->FIsReadOnly;
  FKind = dkOther;
  TzsCustomVariable* first = GetItem(0)->FRef;
  if (Count() == 1 && dynamic_cast<TzsVariable*>(first)) {
    FKind = dkVariable;
    FRefItem = first;
  } else if (Count() == 2 && dynamic_cast<TzsStringVariable*>(first) && GetItem(1)->Count() > 0) {
    FKind = dkStringArray;
    FRefItem = first;
    FRef1 = GetItem(1)->GetItem(0);
  } else if (Count() == 2 && dynamic_cast<TzsVariable*>(first) && first->FTyp == zvtArray && first->FRefItem) {
    FKind = dkArray;
    FRefItem = first;
    FRef1 = first->FRefItem;
    FRef2 = GetItem(1);
  }
}

void TzsDesignator::Borrow(TzsDesignator* Other) {
  FItems.swap(Other->FItems);
  FKind = Other->FKind;
  FRef1 = Other->FRef1;
  FRef2 = Other->FRef2;
  FTyp = Other->FTyp;
  FTypeName = Other->FTypeName;
  FIsReadOnly = Other->FIsReadOnly;
  FRefItem = Other->FRefItem;
}

void TzsDesignator::ResolveLateBinding() {
  std::unique_ptr<TzsXMLItem> source(FLateBindingXmlSource);
  FLateBindingXmlSource = nullptr;
  TzsILParser parser(FProgram);
  std::unique_ptr<TzsDesignator> built(parser.DoDesignator(source.get(), FProgram, emNone));
  Borrow(built.get());
}

Variant TzsDesignator::GetValue() {
  if (FLateBindingXmlSource) ResolveLateBinding();
  return Walk(false, Variant());
}

void TzsDesignator::SetValue(const Variant& Value) {
  if (FLateBindingXmlSource) ResolveLateBinding();
  Walk(true, Value);
}

namespace {

// Saves the locals of a routine that is already running and puts them back after the step.
class TzsSavedLocals {
 public:
  explicit TzsSavedLocals(TzsProcVariable* Proc) : FProgram(Proc->FProgram) {
    for (Integer i = 0; i < FProgram->Count(); ++i)
      if (auto* v = dynamic_cast<TzsCustomVariable*>(FProgram->GetItem(i))) {
        if (auto* s = dynamic_cast<TzsStringVariable*>(v))
          FValues.emplace_back(v, Variant(s->FStr));
        else
          FValues.emplace_back(v, v->FValue);
      }
  }
  ~TzsSavedLocals() {
    for (auto& [item, value] : FValues) {
      if (auto* s = dynamic_cast<TzsStringVariable*>(item))
        s->FStr = value.AsString();
      else
        item->FValue = std::move(value);
    }
  }

 private:
  TzsScript* FProgram;
  std::vector<std::pair<TzsCustomVariable*, Variant>> FValues;
};

}  // namespace

Variant TzsDesignator::Walk(bool Write, const Variant& Value) {
  static const Variant null = Null();
  Variant current = null;
  TzsCustomVariable* previous = nullptr;
  const Integer n = Count();
  for (Integer k = 0; k < n; ++k) {
    TzsDesignatorItem* step = GetItem(k);
    TzsCustomVariable* s = step->FRef;
    if (!s) throw Exception(u"Unresolved reference");
    if (!step->FKindsKnown) {
      step->FAsDesignator = dynamic_cast<TzsDesignator*>(s);
      step->FAsProc = dynamic_cast<TzsProcVariable*>(s);
      step->FAsHelper = dynamic_cast<TzsCustomHelper*>(s);
      step->FArgs.clear();
      for (Integer i = 0; i < step->Count(); ++i) {
        TzsCustomExpression* e = step->GetItem(i);
        auto* x = dynamic_cast<TzsExpression*>(e);
        TzsCustomVariable* single = x ? x->SingleItem() : nullptr;
        step->FArgs.push_back(single ? single : e);
      }
      step->FKindsKnown = true;
    }
    if (TzsDesignator* d = step->FAsDesignator) {
      previous = d;
      current = d->GetValue();
      continue;
    }
    std::unique_ptr<TzsSavedLocals> saved;
    TzsProcVariable* proc = step->FAsProc;
    if (proc && proc->FExecuting) saved = std::make_unique<TzsSavedLocals>(proc);
    const Integer params = s->Count();
    if (params > 0) {
      const Integer args = std::min(params, step->Count());
      Variant temp[2];
      std::vector<Variant> more;
      Variant* values = temp;
      if (args > 2) {
        more.resize(static_cast<size_t>(args));
        values = more.data();
      }
      for (Integer i = 0; i < args; ++i) {
        TzsCustomExpression* e = step->GetItem(i);
        if (s->FIsMacro)
          values[i] = Variant(static_cast<TzsExpression*>(e)->FSource);
        else
          values[i] = step->FArgs[static_cast<size_t>(i)]->GetValue();
      }
      for (Integer i = 0; i < args; ++i) s->GetParam(i)->SetValue(values[i]);
    }
    if (TzsCustomHelper* helper = step->FAsHelper) {
      helper->FParentRef = previous;
      // A plain function (no object before it) is what calls mostly are: Null stays Null.
      if (!current.IsNull() || !helper->FParentValue.IsNull()) helper->FParentValue = current;
      helper->FProgram = FProgram;
    }
    previous = s;
    if (Write && k == n - 1) {
      s->SetValue(Value);
    } else {
      s->FNeedResult = k != n - 1 || FNeedResult;
      current = s->GetValue();
    }
    for (Integer i = 0; i < params && i < step->Count(); ++i) {
      TzsParamItem* p = s->GetParam(i);
      if (p->FIsVarParam) step->GetItem(i)->SetValue(p->GetValue());
    }
  }
  if (Write) return Variant();
  return current;
}

Variant TzsStringDesignator::GetValue() {
  const String s = FRefItem->GetValue().AsString();
  const Integer index = FRef1->GetValue().AsInteger();
  if (index < 1 || index > static_cast<Integer>(s.size())) return Variant(String());
  return Variant(String(1, s[static_cast<size_t>(index - 1)]));
}

void TzsStringDesignator::SetValue(const Variant& Value) {
  const Integer index = FRef1->GetValue().AsInteger();
  const String v = Value.AsString();
  auto* var = static_cast<TzsStringVariable*>(FRefItem);
  if (index < 1 || index > static_cast<Integer>(var->FStr.size()) || v.empty()) return;
  var->FStr[static_cast<size_t>(index - 1)] = v[0];
}

void TzsArrayDesignator::PrepareHelper() {
  auto* helper = static_cast<TzsCustomHelper*>(FRef1);
  helper->FParentRef = FRefItem;
  helper->FParentValue = Variant();
  const Integer n = std::min(helper->Count(), FRef2->Count());
  for (Integer i = 0; i < n; ++i) helper->GetParam(i)->FValue = FRef2->GetItem(i)->GetValue();
}

// One index into a variable's own array is read and written in place; other forms go through
// the array helper.
TzsVariable* TzsArrayDesignator::DirectArray() const {
  if (FRef2->Count() != 1 || FRef1->Count() != 1) return nullptr;
  auto* v = static_cast<TzsVariable*>(FRefItem);
  return v->FValue.IsArray() ? v : nullptr;
}

Integer TzsArrayDesignator::DirectIndex() {
  if (FIndexOf != FRef2) {
    TzsCustomExpression* e = FRef2->GetItem(0);
    auto* x = dynamic_cast<TzsExpression*>(e);
    TzsCustomVariable* single = x ? x->SingleItem() : nullptr;
    FIndex = single ? single : e;
    FIndexOf = FRef2;
  }
  return FIndex->GetValue().AsInteger();
}

Variant TzsArrayDesignator::GetValue() {
  if (TzsVariable* v = DirectArray()) return v->FValue.GetElement(DirectIndex());
  PrepareHelper();
  return FRef1->GetValue();
}

const Variant* TzsArrayDesignator::ValueRef() {
  if (TzsVariable* v = DirectArray()) return &v->FValue.GetElement(DirectIndex());
  return nullptr;
}

void TzsArrayDesignator::SetValue(const Variant& Value) {
  if (TzsVariable* v = DirectArray()) {
    v->FValue.SetElement(DirectIndex(), Value);
    return;
  }
  PrepareHelper();
  FRef1->SetValue(Value);
}
