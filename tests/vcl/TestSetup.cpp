#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Units.h"

// One 1920 x 1080 monitor at 96 DPI and a manual clock: tests advance time themselves.
void ZephseTestSetup() {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InitializeUnits(VclUnits());
  InstallHeadlessBackend(THeadlessConfig::Single(96));
}
