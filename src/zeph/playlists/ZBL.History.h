#pragma once
// A bounded undo history: commands grouped into actions, a list of actions to undo and one to
// redo; a command recorded within a second of the last action may merge into it.

#include "zcl/base/ZCL.Classes.Collections.h"

class TZBLHistoryCustomCommand : public TObject {
  ZCL_CLASS(TZBLHistoryCustomCommand, TObject)
 public:
  String Caption;
  virtual NativeInt GetSize() { return sizeof(*this); }
  // Performs the command when it is first recorded.
  virtual void Execute() { Redo(); }
  // Whether the newer Command was absorbed into this one (it is then never executed).
  virtual bool TryMerge(TZBLHistoryCustomCommand* Command) { return false; }
  virtual void Redo() = 0;
  virtual void Undo() = 0;
};

class TZBLHistoryAction : public TObject {
  ZCL_CLASS(TZBLHistoryAction, TObject)
 public:
  TZBLHistoryAction();
  ~TZBLHistoryAction() override;
  Cardinal Time;
  String Caption;
  TZCLObjectList* GetCommands() const { return FCommands; }
  TZBLHistoryCustomCommand* Commands(Integer Index) const {
    return static_cast<TZBLHistoryCustomCommand*>(FCommands->GetItems(Index));
  }
  // The last command absorbs Command (taking its caption; Command is freed) or not.
  bool TryMerge(TZBLHistoryCustomCommand* Command);
  // From the last command to the first.
  void Undo();
  void Redo();

 private:
  TZCLObjectList* FCommands;
};

class TZBLCustomHistoryManager : public TObject {
  ZCL_CLASS(TZBLCustomHistoryManager, TObject)
 public:
  explicit TZBLCustomHistoryManager(Integer AMaxActions);
  ~TZBLCustomHistoryManager() override;

  // At the outermost level Action (may be nil: nothing is collected) becomes the current one;
  // deeper levels free the given action.
  void BeginUpdate(TZBLHistoryAction* Action);
  // The outermost end files the action, or undoes its commands when cancelled or empty.
  void EndUpdate(bool Cancel);
  // Takes ownership; a command that raises in Execute is freed and the error passes on.
  void AddCommand(TZBLHistoryCustomCommand* Command);
  void Clear();
  // Moves the last action between the lists, undoing or redoing its commands; False when none.
  bool Undo();
  bool Redo();

  Integer GetUpdateCount() const { return FUpdateCount; }
  Integer GetMaxActions() const { return FMaxActions; }
  TZBLHistoryAction* GetCurrentAction() const { return FCurrentAction; }
  bool GetSuspended() const { return FSuspended; }
  void SetSuspended(bool Value) { FSuspended = Value; }
  TZCLObjectList* GetUndoList() const { return FUndoList; }
  TZCLObjectList* GetRedoList() const { return FRedoList; }

  // Milliseconds; tests replace it to step time.
  static Cardinal (*TickCount)();

 protected:
  virtual void EndChange() {}
  virtual void BeginChange() {}
  virtual void Changed() {}

 private:
  Integer FUpdateCount = 0;
  Integer FMaxActions;
  TZBLHistoryAction* FCurrentAction = nullptr;
  bool FSuspended = false;
  TZCLObjectList* FRedoList;
  TZCLObjectList* FUndoList;
};
