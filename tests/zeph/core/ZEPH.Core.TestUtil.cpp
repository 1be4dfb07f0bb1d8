#include "zeph/core/ZEPH.Core.TestUtil.h"

#include <filesystem>

#include "os/OS.Windows.h"
#include "support/TestSupport.h"
#include "zeph/core/ZEPH.Core.Actions.h"
#include "zeph/core/ZEPH.Core.Config.h"
#include "zeph/core/ZEPH.Core.Images.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.h"

void RestartCore(const String& Program) {
  CoreFinalize();
  // A restart or reset asked the (absent) main window to close through a quit message.
  MSG msg;
  while (PeekMessage(msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  detail::CoreSetProgramFolder(Program);
  RegisterCoreObjectFactories();
  RegisterImageFactories();
  ActionsInitialize();
  CoreInitialize();
}

String NewTestFolder(const char* Name) {
  static int counter = 0;
  const std::filesystem::path dir =
      std::filesystem::path(TempDir()) / (std::string(Name) + "-" + std::to_string(++counter));
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return UTF8ToString(dir.string()) + u"/";
}

void TRecordingRegistrar::Register(Integer ID, Byte Key, THotkeyModifiers Modifiers) {
  std::string mods;
  const char* names[] = {"Win", "Alt", "Ctrl", "Shift"};
  for (Integer i = 0; i < 4; ++i)
    if (Modifiers.Contains(static_cast<THotkeyModifier>(i))) mods += std::string(mods.empty() ? "" : "+") + names[i];
  Log.push_back("+" + std::to_string(ID) + " " + std::to_string(Key) + " " + mods);
}

TTestHotkeys::TTestHotkeys() : FProvider(Create<TTestHotkeysProvider>()) {
  TZEPHCore::Instance()->RegisterService(static_cast<IZEPHHotkeysManagerProvider*>(FProvider.get()));
}

TTestHotkeys::~TTestHotkeys() {
  TZEPHCore::Instance()->UnregisterService(static_cast<IZEPHHotkeysManagerProvider*>(FProvider.get()));
}
