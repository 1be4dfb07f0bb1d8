#include "zeph/playlists/ZBL.History.h"

#include "rtl/RTL.Threads.h"

namespace {
Cardinal SystemTickCount() { return TThread::GetTickCount(); }

TZBLHistoryAction* LastAction(TZCLObjectList* List) {
  return List->GetCount() > 0 ? static_cast<TZBLHistoryAction*>(List->GetItems(List->GetCount() - 1)) : nullptr;
}
}  // namespace

Cardinal (*TZBLCustomHistoryManager::TickCount)() = SystemTickCount;

TZBLHistoryAction::TZBLHistoryAction() : Time(TZBLCustomHistoryManager::TickCount()), FCommands(new TZCLObjectList(true)) {}

TZBLHistoryAction::~TZBLHistoryAction() { delete FCommands; }

bool TZBLHistoryAction::TryMerge(TZBLHistoryCustomCommand* Command) {
  if (FCommands->GetCount() == 0) return false;
  TZBLHistoryCustomCommand* last = Commands(FCommands->GetCount() - 1);
  if (!last->TryMerge(Command)) return false;
  last->Caption = Command->Caption;
  delete Command;
  return true;
}

void TZBLHistoryAction::Undo() {
  for (Integer i = FCommands->GetCount() - 1; i >= 0; --i) Commands(i)->Undo();
}

void TZBLHistoryAction::Redo() {
  for (Integer i = 0; i < FCommands->GetCount(); ++i) Commands(i)->Redo();
}

TZBLCustomHistoryManager::TZBLCustomHistoryManager(Integer AMaxActions)
    : FMaxActions(AMaxActions), FRedoList(new TZCLObjectList(true)), FUndoList(new TZCLObjectList(true)) {}

TZBLCustomHistoryManager::~TZBLCustomHistoryManager() {
  delete FCurrentAction;
  delete FRedoList;
  delete FUndoList;
}

void TZBLCustomHistoryManager::BeginUpdate(TZBLHistoryAction* Action) {
  if (++FUpdateCount == 1)
    FCurrentAction = Action;
  else
    delete Action;
}

void TZBLCustomHistoryManager::EndUpdate(bool Cancel) {
  if (FUpdateCount <= 0) return;
  if (--FUpdateCount != 0 || FCurrentAction == nullptr) return;
  TZBLHistoryAction* action = FCurrentAction;
  FCurrentAction = nullptr;
  if (Cancel || action->GetCommands()->GetCount() == 0) {
    try {
      action->Undo();
    } catch (...) {
      delete action;
      throw;
    }
    delete action;
    return;
  }
  FRedoList->Clear();
  FUndoList->Add(action);
  while (FUndoList->GetCount() > FMaxActions) FUndoList->Delete(0);
  Changed();
}

void TZBLCustomHistoryManager::AddCommand(TZBLHistoryCustomCommand* Command) {
  if (Command == nullptr) return;
  if (FSuspended) {
    delete Command;
    return;
  }
  if (FCurrentAction != nullptr) {
    BeginChange();
    if (FCurrentAction->Caption.empty()) FCurrentAction->Caption = Command->Caption;
    try {
      if (!FCurrentAction->TryMerge(Command)) {
        try {
          Command->Execute();
        } catch (...) {
          delete Command;
          throw;
        }
        FCurrentAction->GetCommands()->Add(Command);
      }
    } catch (...) {
      EndChange();
      throw;
    }
    EndChange();
    return;
  }
  if (FUpdateCount > 0) {
    // A bracket without an action collects nothing.
    delete Command;
    return;
  }
  if (TZBLHistoryAction* last = LastAction(FUndoList)) {
    const Cardinal now = TickCount();
    if (static_cast<Cardinal>(now - last->Time) < 1000) {
      BeginChange();
      const bool merged = last->TryMerge(Command);
      if (merged) last->Time = now;
      EndChange();
      if (merged) return;
    }
  }
  BeginUpdate(new TZBLHistoryAction());
  try {
    AddCommand(Command);
  } catch (...) {
    EndUpdate(false);
    throw;
  }
  EndUpdate(false);
}

void TZBLCustomHistoryManager::Clear() {
  FRedoList->Clear();
  FUndoList->Clear();
  Changed();
}

bool TZBLCustomHistoryManager::Undo() {
  TZBLHistoryAction* action = LastAction(FUndoList);
  if (action == nullptr) return false;
  FSuspended = true;
  try {
    action->Undo();
  } catch (...) {
    FSuspended = false;
    throw;
  }
  FSuspended = false;
  FUndoList->Extract(action);
  FRedoList->Add(action);
  Changed();
  return true;
}

bool TZBLCustomHistoryManager::Redo() {
  TZBLHistoryAction* action = LastAction(FRedoList);
  if (action == nullptr) return false;
  FSuspended = true;
  try {
    action->Redo();
  } catch (...) {
    FSuspended = false;
    throw;
  }
  FSuspended = false;
  FRedoList->Extract(action);
  FUndoList->Add(action);
  Changed();
  return true;
}
