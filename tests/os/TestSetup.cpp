#include "os/OS.Units.h"
#include "rtl/RTL.Units.h"
#include "support/TestSupport.h"

void ZephseTestSetup() {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
}
