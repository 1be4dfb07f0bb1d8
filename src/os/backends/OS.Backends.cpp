#include "os/backends/OS.Backends.h"

#include <cstdlib>
#include <cstring>

#include "os/backends/dbus/OS.DBusFileChooser.h"
#include "os/backends/dbus/OS.DBusTray.h"
#include "os/backends/headless/OS.Headless.h"
#include "os/backends/sdl/OS.Sdl.h"

namespace {

bool NonEmpty(const char* Value) { return Value && *Value; }

}  // namespace

TDisplayBackendKind ChooseDisplayBackend(const char* BackendVariable, bool HaveDisplay, String& Error) {
  Error.clear();
  if (NonEmpty(BackendVariable)) {
    if (std::strcmp(BackendVariable, "headless") == 0) return TDisplayBackendKind::Headless;
    if (std::strcmp(BackendVariable, "sdl") == 0) return TDisplayBackendKind::Sdl;
    Error = u"unknown ZEPHSE_BACKEND value \"" + UTF8ToString(BackendVariable) + u"\" (use headless or sdl)";
    return TDisplayBackendKind::None;
  }
  if (HaveDisplay) return TDisplayBackendKind::Sdl;
  Error = u"no display available (DISPLAY/WAYLAND_DISPLAY not set); set ZEPHSE_BACKEND=headless to run without one";
  return TDisplayBackendKind::None;
}

TDisplayBackendKind InstallDisplayBackendForProgram(String& Error) {
  const bool haveDisplay = NonEmpty(std::getenv("DISPLAY")) || NonEmpty(std::getenv("WAYLAND_DISPLAY"));
  const TDisplayBackendKind kind = ChooseDisplayBackend(std::getenv("ZEPHSE_BACKEND"), haveDisplay, Error);
  switch (kind) {
    case TDisplayBackendKind::Headless: {
      THeadlessConfig config = THeadlessConfig::Single(USER_DEFAULT_SCREEN_DPI);
      config.ManualClock = false;  // nobody advances a manual clock in the program: timers must run
      InstallHeadlessBackend(config);
      return kind;
    }
    case TDisplayBackendKind::Sdl: {
      String reason;
      if (InstallSdlBackend(&reason)) {
        InstallTrayHost(CreateDBusTrayHost());  // none without a session bus: icons then show nowhere
        InstallFileChooserHost(CreateDBusFileChooserHost());  // without a portal our own dialog opens
        return kind;
      }
      const char* display = std::getenv("DISPLAY");
      if (!NonEmpty(display)) display = std::getenv("WAYLAND_DISPLAY");
      Error = u"cannot open the display " + UTF8ToString(NonEmpty(display) ? display : "") + u" (" + reason +
              u"); set ZEPHSE_BACKEND=headless to run without one";
      return TDisplayBackendKind::None;
    }
    case TDisplayBackendKind::None:
      break;
  }
  return TDisplayBackendKind::None;
}
