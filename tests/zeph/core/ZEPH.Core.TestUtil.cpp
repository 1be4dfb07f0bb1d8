#include "zeph/core/ZEPH.Core.TestUtil.h"

#include <filesystem>

#include "os/OS.Windows.h"
#include "support/TestSupport.h"
#include "zeph/core/ZEPH.Core.Config.h"
#include "zeph/core/ZEPH.Core.Images.h"
#include "zeph/core/ZEPH.Core.Objects.h"

void RestartCore(const String& Program) {
  CoreFinalize();
  // A restart or reset asked the (absent) main window to close through a quit message.
  MSG msg;
  while (PeekMessage(msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
  detail::CoreSetProgramFolder(Program);
  RegisterCoreObjectFactories();
  RegisterImageFactories();
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
