// main() of the benchmarks of the component library: its units start as in the program, on the
// headless backend with the system clock (the library's timers and main-thread calls then run).
#include <benchmark/benchmark.h>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"

int main(int argc, char** argv) {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  THeadlessConfig config;
  config.ManualClock = false;
  InstallHeadlessBackend(config);
  InitializeUnits(ZclBaseUnits());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  FinalizeUnits();
  return 0;
}
