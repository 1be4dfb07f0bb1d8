#pragma once
// The executable part of a compiled script: a tree of statements. Control flow (break, continue,
// exit) travels through flags of the program, not through exceptions; any other error raised
// while a statement runs becomes a run-time error carrying the innermost statement's position.

#include "zse/script/ZSE.Script.Program.h"

class TzsDesignator;
class TzsSetExpression;

// A plain list: runs its children in order. The base of every statement.
class TzsStatement : public TzsItemList {
  ZCL_CLASS(TzsStatement, TzsItemList)
 public:
  TzsStatement(TzsScript* AProgram, const String& ASourcePos) : FProgram(AProgram), FSourcePos(ASourcePos) {}
  // Run, with errors turned into run-time errors at this statement's position.
  void Execute();
  virtual void Run();
  TzsStatement* GetChild(Integer Index) const { return static_cast<TzsStatement*>(GetItemObject(Index)); }

  TzsScript* FProgram;
  String FSourcePos;
  // The assignment of a declared variable's initial value.
  bool FInitializer = false;

 protected:
  // The plain-list action.
  void RunList();
  bool Stopped() const { return FProgram->FBreakCalled || FProgram->FContinueCalled || FProgram->FExitCalled; }
};

class TzsAssignmentStmt : public TzsStatement {
  ZCL_CLASS(TzsAssignmentStmt, TzsStatement)
 public:
  using TzsStatement::TzsStatement;
  ~TzsAssignmentStmt() override;
  void Run() override;
  // Picks the operands actually used: the variable instead of its designator, the single item
  // instead of the expression.
  void Optimize();

  TzsDesignator* FDesignator = nullptr;
  TzsCustomExpression* FExpression = nullptr;
  TzsCustomVariable* FVar = nullptr;
  TzsCustomVariable* FExpr = nullptr;
  // FVar is a plain variable: writing it evaluates nothing, so the value may be passed in place.
  bool FPlainTarget = false;
};

// x += y and its twins.
class TzsAssignOpStmt : public TzsAssignmentStmt {
  ZCL_CLASS(TzsAssignOpStmt, TzsAssignmentStmt)
 public:
  TzsAssignOpStmt(TzsScript* AProgram, const String& ASourcePos, Char AOp)
      : TzsAssignmentStmt(AProgram, ASourcePos), FOp(AOp) {}
  void Run() override;
  Char FOp;  // '+', '-', '*' or '/'
};

class TzsCallStmt : public TzsStatement {
  ZCL_CLASS(TzsCallStmt, TzsStatement)
 public:
  using TzsStatement::TzsStatement;
  ~TzsCallStmt() override;
  void Run() override;
  TzsDesignator* FDesignator = nullptr;
  String FModificator;
};

class TzsIfStmt : public TzsStatement {
  ZCL_CLASS(TzsIfStmt, TzsStatement)
 public:
  TzsIfStmt(TzsScript* AProgram, const String& ASourcePos);
  ~TzsIfStmt() override;
  void Run() override;
  TzsCustomExpression* FCondition = nullptr;
  TzsStatement* FElseStmt;
};

class TzsCaseSelector : public TzsStatement {
  ZCL_CLASS(TzsCaseSelector, TzsStatement)
 public:
  using TzsStatement::TzsStatement;
  ~TzsCaseSelector() override;
  bool Check(const Variant& Value) const;
  TzsSetExpression* FSetExpression = nullptr;
};

class TzsCaseStmt : public TzsStatement {
  ZCL_CLASS(TzsCaseStmt, TzsStatement)
 public:
  TzsCaseStmt(TzsScript* AProgram, const String& ASourcePos);
  ~TzsCaseStmt() override;
  void Run() override;
  TzsCustomExpression* FCondition = nullptr;
  TzsStatement* FElseStmt;
};

class TzsRepeatStmt : public TzsStatement {
  ZCL_CLASS(TzsRepeatStmt, TzsStatement)
 public:
  using TzsStatement::TzsStatement;
  ~TzsRepeatStmt() override;
  void Run() override;
  TzsCustomExpression* FCondition = nullptr;
  bool FInverseCondition = false;
};

class TzsWhileStmt : public TzsStatement {
  ZCL_CLASS(TzsWhileStmt, TzsStatement)
 public:
  using TzsStatement::TzsStatement;
  ~TzsWhileStmt() override;
  void Run() override;
  TzsCustomExpression* FCondition = nullptr;
};

class TzsForStmt : public TzsStatement {
  ZCL_CLASS(TzsForStmt, TzsStatement)
 public:
  using TzsStatement::TzsStatement;
  ~TzsForStmt() override;
  void Run() override;
  TzsCustomExpression* FBeginValue = nullptr;
  TzsCustomExpression* FEndValue = nullptr;
  bool FDown = false;
  TzsCustomVariable* FVariable = nullptr;  // not owned
};

class TzsTryStmt : public TzsStatement {
  ZCL_CLASS(TzsTryStmt, TzsStatement)
 public:
  TzsTryStmt(TzsScript* AProgram, const String& ASourcePos);
  ~TzsTryStmt() override;
  void Run() override;
  TzsStatement* FExceptStmt;
  bool FIsExcept = false;
};

class TzsBreakStmt : public TzsStatement {
  ZCL_CLASS(TzsBreakStmt, TzsStatement)
 public:
  using TzsStatement::TzsStatement;
  void Run() override { FProgram->FBreakCalled = true; }
};

class TzsContinueStmt : public TzsStatement {
  ZCL_CLASS(TzsContinueStmt, TzsStatement)
 public:
  using TzsStatement::TzsStatement;
  void Run() override { FProgram->FContinueCalled = true; }
};

class TzsExitStmt : public TzsStatement {
  ZCL_CLASS(TzsExitStmt, TzsStatement)
 public:
  using TzsStatement::TzsStatement;
  void Run() override { FProgram->FExitCalled = true; }
};

class TzsWithStmt : public TzsStatement {
  ZCL_CLASS(TzsWithStmt, TzsStatement)
 public:
  using TzsStatement::TzsStatement;
  ~TzsWithStmt() override;
  void Run() override;
  TzsDesignator* FDesignator = nullptr;
  TzsCustomVariable* FVariable = nullptr;  // not owned
};
