#pragma once
// Small plugin-side objects shared by the player core's tests.

#include <functional>

#include "zeph/core/ZEPH.Core.Interfaces.h"

// A message hook that runs a function.
class TTestHook : public TInterfacedObject, public IZEPHMessageHook {
  ZCL_CLASS(TTestHook, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHMessageHook)
 public:
  using TProcFn = std::function<void(Cardinal, Integer, void*, HRESULT&)>;
  explicit TTestHook(TProcFn AProc) : FProc(std::move(AProc)) {}
  void CoreMessage(Cardinal Message, Integer Param1, void* Param2, HRESULT& Result) override {
    FProc(Message, Param1, Param2, Result);
  }

 private:
  TProcFn FProc;
};

inline IPtr<IZEPHMessageHook> MakeHook(TTestHook::TProcFn Proc) {
  return IPtr<IZEPHMessageHook>(Create<TTestHook>(std::move(Proc)));
}

// Shuts the program's core down and starts it again from Program (a folder with a trailing
// delimiter), as a fresh process would.
void RestartCore(const String& Program);
// A new empty folder under the test's temporary folder, with a trailing delimiter.
String NewTestFolder(const char* Name);
