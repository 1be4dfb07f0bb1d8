// Skin forms on a private Xvfb server with the SDL backend. Without a server (or without SDL)
// the units still start on the headless backend and every test skips with the reason.
#include <string>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "os/backends/sdl/OS.Sdl.h"
#include "rtl/RTL.Units.h"
#include "support/TestSupport.h"
#include "support/Xvfb.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zse/engine/ZSE.Engine.Units.h"
#include "zse/engine/x11/ZSE.X11.TestSupport.h"

TXvfb& ZseX11Server() {
  // Outlives the units (finalized at the end of main), so SDL leaves the server before it ends.
  static TXvfb server;
  return server;
}

std::string& ZseX11SkipReason() {
  static std::string reason;
  return reason;
}

void ZephseTestSetup() {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  bool sdl = false;
  if (::testing::GTEST_FLAG(list_tests)) {
    ZseX11SkipReason() = "listing only";
  } else {
    std::string error;
    if (!ZseX11Server().Start(error)) {
      ZseX11SkipReason() = "Xvfb cannot start: " + error;
    } else {
      ZseX11Server().Export();
      String sdlError;
      sdl = InstallSdlBackend(&sdlError);
      if (!sdl) ZseX11SkipReason() = "SDL cannot open the Xvfb display: " + StringToUTF8(sdlError);
    }
  }
  if (!sdl) InstallHeadlessBackend(THeadlessConfig::Single(96));
  InitializeUnits(VclUnits());
  InitializeUnits(ZclBaseUnits());
  InitializeUnits(ZclGraphicsUnits());
  InitializeUnits(ZclUiUnits());
  InitializeUnits(ZseEngineUnits());
}
