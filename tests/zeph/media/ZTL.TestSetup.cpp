#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"

// Weak: the media library's own test setup, when the program has one, takes its place.
__attribute__((weak)) void ZephseTestSetup() {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InstallHeadlessBackend(THeadlessConfig::Single(96));
  InitializeUnits(VclUnits());
  InitializeUnits(ZclBaseUnits());
}
