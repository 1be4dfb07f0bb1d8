#include "os/OS.Units.h"
#include "rtl/RTL.Units.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"

void ZephseTestSetup() {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InitializeUnits(VclUnits());
  InitializeUnits(ZclBaseUnits());
}
