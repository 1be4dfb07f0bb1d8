#include "zse/script/ZSE.Script.Statements.h"

#include "zse/script/ZSE.Script.Designators.h"
#include "zse/script/ZSE.Script.Errors.h"
#include "zse/script/ZSE.Script.Expressions.h"

void TzsStatement::Execute() {
  try {
    Run();
  } catch (const EZScriptLimitError& e) {
    if (e.GetPosition().Y == 0 && !FSourcePos.empty()) throw EZScriptLimitError(FSourcePos, e.GetScriptMessage());
    throw;
  } catch (const EZScriptRunTimeError&) {
    throw;
  } catch (const EOSError&) {
    throw;
  } catch (const Exception& e) {
    throw EZScriptRunTimeError(FSourcePos, e.GetMessage());
  }
}

void TzsStatement::Run() { RunList(); }

void TzsStatement::RunList() {
  for (TObject* child : FItems) {
    static_cast<TzsStatement*>(child)->Execute();
    if (Stopped()) return;
  }
}

// --- assignments

TzsAssignmentStmt::~TzsAssignmentStmt() {
  delete FDesignator;
  delete FExpression;
}

void TzsAssignmentStmt::Optimize() {
  FVar = FDesignator;
  if (auto* d = dynamic_cast<TzsVariableDesignator*>(FDesignator)) FVar = d->FRefItem;
  FExpr = FExpression;
  if (auto* e = dynamic_cast<TzsExpression*>(FExpression))
    if (TzsCustomVariable* single = e->SingleItem()) FExpr = single;
  const TClass target = FVar->ClassType();
  FPlainTarget = target == TzsVariable::StaticClass() || target == TzsParamItem::StaticClass();
}

void TzsAssignmentStmt::Run() {
  if (FPlainTarget)
    if (const Variant* value = FExpr->ValueRef()) {
      // An array could hold the target itself: it goes through a copy.
      if (value->IsArray())
        FVar->SetValue(Variant(*value));
      else
        FVar->SetValue(*value);
      return;
    }
  FVar->SetValue(FExpr->GetValue());
}

void TzsAssignOpStmt::Run() {
  const TzsOperatorType op = FOp == u'+' ? opPlus : FOp == u'-' ? opMinus : FOp == u'*' ? opMul : opDivFloat;
  // The result is complete before the write, so both operands may be read in place; the target's
  // value is copied before the operand is evaluated, which may change it.
  Variant vValue, yValue;
  const Variant* vp = FVar->ValueRef();
  if (vp == nullptr) {
    vValue = FVar->GetValue();
    vp = &vValue;
  }
  const Variant* yp = FExpr->ValueRef();
  if (yp == nullptr) {
    if (vp != &vValue) {
      vValue = *vp;
      vp = &vValue;
    }
    yValue = FExpr->GetValue();
    yp = &yValue;
  }
  const Variant& y = *yp;
  if (Variant r; ZsNumericOperation(op, *vp, y, r)) {
    FVar->SetValue(r);
    return;
  }
  Variant v = *vp;
  switch (FOp) {
    case u'+':
      v += y;
      break;
    case u'-':
      v -= y;
      break;
    case u'*':
      v *= y;
      break;
    default:
      v /= y;
  }
  FVar->SetValue(v);
}

// --- calls

TzsCallStmt::~TzsCallStmt() { delete FDesignator; }

void TzsCallStmt::Run() {
  if (FModificator.empty()) {
    FDesignator->FNeedResult = false;
    FDesignator->GetValue();
  } else if (FModificator == u"+") {
    FDesignator->SetValue(FDesignator->GetValue() + Variant(1));
  } else if (FModificator == u"-") {
    FDesignator->SetValue(FDesignator->GetValue() - Variant(1));
  }
}

// --- conditions

TzsIfStmt::TzsIfStmt(TzsScript* AProgram, const String& ASourcePos)
    : TzsStatement(AProgram, ASourcePos), FElseStmt(new TzsStatement(AProgram, ASourcePos)) {}

TzsIfStmt::~TzsIfStmt() {
  delete FCondition;
  delete FElseStmt;
}

void TzsIfStmt::Run() {
  if (FCondition->GetValue().AsBoolean())
    RunList();
  else
    FElseStmt->Execute();
}

TzsCaseSelector::~TzsCaseSelector() { delete FSetExpression; }

bool TzsCaseSelector::Check(const Variant& Value) const { return FSetExpression->Check(Value); }

TzsCaseStmt::TzsCaseStmt(TzsScript* AProgram, const String& ASourcePos)
    : TzsStatement(AProgram, ASourcePos), FElseStmt(new TzsStatement(AProgram, ASourcePos)) {}

TzsCaseStmt::~TzsCaseStmt() {
  delete FCondition;
  delete FElseStmt;
}

void TzsCaseStmt::Run() {
  const Variant value = FCondition->GetValue();
  for (TObject* child : FItems) {
    auto* selector = static_cast<TzsCaseSelector*>(child);
    if (selector->Check(value)) {
      selector->Execute();
      return;
    }
  }
  FElseStmt->Execute();
}

// --- loops

TzsRepeatStmt::~TzsRepeatStmt() { delete FCondition; }

void TzsRepeatStmt::Run() {
  for (;;) {
    TzsRunLimits::Check();
    RunList();
    if (FProgram->FBreakCalled || FProgram->FExitCalled) break;
    FProgram->FContinueCalled = false;
    if (FCondition->GetValue().AsBoolean() != FInverseCondition) break;
  }
  FProgram->FBreakCalled = false;
}

TzsWhileStmt::~TzsWhileStmt() { delete FCondition; }

void TzsWhileStmt::Run() {
  for (;;) {
    TzsRunLimits::Check();
    if (!FCondition->GetValue().AsBoolean()) break;
    RunList();
    if (FProgram->FBreakCalled || FProgram->FExitCalled) break;
    FProgram->FContinueCalled = false;
  }
  FProgram->FBreakCalled = false;
}

TzsForStmt::~TzsForStmt() {
  delete FBeginValue;
  delete FEndValue;
}

void TzsForStmt::Run() {
  const Integer from = FBeginValue->GetValue().AsInteger();
  const Integer to = FEndValue->GetValue().AsInteger();
  // Counted in 64 bits so that a bound at the end of the range cannot wrap.
  const Int64 step = FDown ? -1 : 1;
  if (FDown ? from >= to : to >= from) {
    for (Int64 i = from;; i += step) {
      TzsRunLimits::Check();
      FVariable->FValue = Variant(static_cast<Integer>(i));
      RunList();
      if (FProgram->FBreakCalled || FProgram->FExitCalled) break;
      FProgram->FContinueCalled = false;
      if (i == to) break;
    }
  }
  FProgram->FBreakCalled = false;
}

// --- exceptions

TzsTryStmt::TzsTryStmt(TzsScript* AProgram, const String& ASourcePos)
    : TzsStatement(AProgram, ASourcePos), FExceptStmt(new TzsStatement(AProgram, ASourcePos)) {}

TzsTryStmt::~TzsTryStmt() { delete FExceptStmt; }

void TzsTryStmt::Run() {
  if (FIsExcept) {
    try {
      RunList();
    } catch (const EZScriptLimitError&) {
      throw;
    } catch (const Exception&) {
      FExceptStmt->Execute();
    }
    return;
  }
  // The finally part runs whole whatever flow is pending, which is then resumed.
  auto runFinally = [this] {
    const bool wasBreak = FProgram->FBreakCalled, wasContinue = FProgram->FContinueCalled,
               wasExit = FProgram->FExitCalled;
    FProgram->FBreakCalled = FProgram->FContinueCalled = FProgram->FExitCalled = false;
    FExceptStmt->Execute();
    FProgram->FBreakCalled = FProgram->FBreakCalled || wasBreak;
    FProgram->FContinueCalled = FProgram->FContinueCalled || wasContinue;
    FProgram->FExitCalled = FProgram->FExitCalled || wasExit;
  };
  try {
    RunList();
  } catch (...) {
    runFinally();
    throw;
  }
  runFinally();
}

// --- with

TzsWithStmt::~TzsWithStmt() { delete FDesignator; }

void TzsWithStmt::Run() {
  RunList();
  FVariable->SetValue(FDesignator->GetValue());
}
