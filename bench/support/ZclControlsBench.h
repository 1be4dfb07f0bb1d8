#pragma once
// The start-up shared by the benchmarks of the controls: the units up to the controls, with the
// headless backend installed from Config where the window layer needs it.
#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"

inline void InitializeControlsUnits(const THeadlessConfig& Config) {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InstallHeadlessBackend(Config);
  InitializeUnits(VclUnits());
  InitializeUnits(ZclBaseUnits());
  InitializeUnits(ZclGraphicsUnits());
  InitializeUnits(ZclUiUnits());
  InitializeUnits(ZclControlsUnits());
}
