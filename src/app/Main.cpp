// zephse: the skin editor.
#include <cstdio>
#include <exception>

#include "os/OS.System.h"
#include "os/OS.Units.h"
#include "os/backends/OS.Backends.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/base/ZCL.Utils.CommandLine.h"

int main(int argc, char** argv) {
  Exception::SetStackTraceCapture(true);
  InstallCrashHandler();
  try {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    // The component library creates its hidden windows when its units start: a display backend
    // must be there first.
    String backendError;
    if (InstallDisplayBackendForProgram(backendError) == TDisplayBackendKind::None) {
      std::fprintf(stderr, "zephse: %s\n", StringToUTF8(backendError).c_str());
      FinalizeUnits();
      return 1;
    }
    InitializeUnits(VclUnits());
    InitializeUnits(ZclBaseUnits());
    TZCLCommandLineProcessor::SetCommandLine(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zephse: cannot start: %s\n", e.what());
    FinalizeUnits();
    return 1;
  }
  FinalizeUnits();
  return 0;
}
