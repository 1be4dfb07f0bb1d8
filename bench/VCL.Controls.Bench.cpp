// Control benchmarks: a full alignment pass over many aligned and anchored children as their
// parent resizes, and message dispatch through the handler tables of a derived control class.

#include <benchmark/benchmark.h>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Controls.h"
#include "vcl/VCL.Units.h"

namespace {

class TBenchControl : public TGraphicControl {
  ZCL_CLASS(TBenchControl, TGraphicControl)
 public:
  using TGraphicControl::TGraphicControl;
};

void BM_RealignChildren(benchmark::State& State) {
  const int count = static_cast<int>(State.range(0));
  TWinControl* parent = Create<TWinControl>(nullptr);
  parent->SetBounds(0, 0, 800, 600);
  parent->DisableAlign();
  for (int i = 0; i < count; ++i) {
    auto* aligned = Create<TBenchControl>(nullptr);
    aligned->SetBounds(0, i, 10, 1);
    aligned->SetAlign(i % 2 ? alTop : alLeft);
    aligned->SetAlignWithMargins(true);
    aligned->SetParent(parent);
    auto* anchored = Create<TBenchControl>(nullptr);
    anchored->SetBounds(i % 700, i % 500, 20, 20);
    anchored->SetParent(parent);
    anchored->SetAnchors({akRight, akBottom});
  }
  parent->EnableAlign();
  int step = 0;
  for (auto _ : State) {
    parent->SetBounds(0, 0, 800 + (step & 1) * 100, 600 + (step & 1) * 50);
    ++step;
  }
  State.SetItemsProcessed(State.iterations() * count * 2);
  Free(parent);
}
BENCHMARK(BM_RealignChildren)->Arg(10)->Arg(100)->Arg(1000);

// CM_HITTEST is handled two classes up; CM_TEXTCHANGED one; an unknown number by none.
void BM_PerformDispatch(benchmark::State& State) {
  TBenchControl* control = Create<TBenchControl>(nullptr);
  const UINT messages[] = {CM_HITTEST, CM_TEXTCHANGED, WM_USER + 7};
  const UINT msg = messages[State.range(0)];
  LRESULT sum = 0;
  for (auto _ : State) sum += control->Perform(msg, 0, 0);
  benchmark::DoNotOptimize(sum);
  Free(control);
}
BENCHMARK(BM_PerformDispatch)->DenseRange(0, 2);

}  // namespace

int main(int argc, char** argv) {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InitializeUnits(VclUnits());
  InstallHeadlessBackend(THeadlessConfig::Single(96));
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
