#pragma once
// Small plugin-side objects shared by the player core's tests.

#include <functional>
#include <string>
#include <vector>

#include "zeph/core/ZEPH.Core.Hotkeys.h"
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

// ---- a hotkeys manager for tests ------------------------------------------------------------------

// Records what it is asked as "+id key mods" and "-id" lines.
class TRecordingRegistrar : public TZEPHHotkeyRegistrar {
 public:
  void Register(Integer ID, Byte Key, THotkeyModifiers Modifiers) override;
  void Unregister(Integer ID) override { Log.push_back("-" + std::to_string(ID)); }
  bool GetSuspended() override { return Suspended; }
  std::vector<std::string> Log;
  bool Suspended = false;
};

// Answers the core's question for the hotkeys manager while registered as a service.
class TTestHotkeysProvider : public TInterfacedObject, public IZEPHHotkeysManagerProvider {
  ZCL_CLASS(TTestHotkeysProvider, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHHotkeysManagerProvider)
 public:
  TZEPHHotkeysManager* GetHotkeysManager() override { return &Manager; }
  TRecordingRegistrar Registrar;
  TZEPHHotkeysManager Manager{&Registrar};
};

// Registers a provider with the core for its lifetime.
class TTestHotkeys {
 public:
  TTestHotkeys();
  ~TTestHotkeys();
  TTestHotkeysProvider* operator->() const { return FProvider.get(); }

 private:
  IPtr<TTestHotkeysProvider> FProvider;
};
