// zephse: the skin editor.
#include <cstdio>
#include <exception>

#include "os/OS.Units.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"

int main(int argc, char** argv) {
  Exception::SetStackTraceCapture(true);
  try {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    InitializeUnits(VclUnits());
    InitializeUnits(ZclBaseUnits());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zephse: cannot start: %s\n", e.what());
    FinalizeUnits();
    return 1;
  }
  FinalizeUnits();
  return 0;
}
