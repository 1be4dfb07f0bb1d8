// The tree list's row layer over 100,000 rows scrolled to the bottom: finding the visible rows,
// hit testing, painting one screen, and the pass after a structure change (rows rebuilt and
// measured). No peer library is named for this: the times are absolute.
#include <benchmark/benchmark.h>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"
#include "zcl/ui/treelist/ZCL.UI.CompoundControl.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.ViewInfo.h"
#include "support/ZclControlsBench.h"

namespace {

class TBenchTreeList : public TZCLCompoundControl {
  ZCL_CLASS(TBenchTreeList, TZCLCompoundControl)
 public:
  using TZCLCompoundControl::TZCLCompoundControl;
  TZCLTreeListSubClass* Tree() const { return static_cast<TZCLTreeListSubClass*>(GetSubClass()); }

 protected:
  TZCLCompoundControlSubClass* CreateSubClass() override { return Create<TZCLTreeListSubClass>(this); }
};

constexpr Integer RowCount = 100000;

struct TFixture {
  TBenchTreeList* List;
  TZCLBitmap Screen{400, 600};
  TFixture() : List(Create<TBenchTreeList>(static_cast<TComponent*>(nullptr))) {
    List->SetBounds(0, 0, 400, 600);
    TZCLTreeListSubClass* tree = List->Tree();
    tree->BeginUpdate();
    tree->GetColumns()->Add(u"Name");
    tree->GetColumns()->Add(u"Value");
    for (Integer i = 0; i < RowCount; ++i)
      tree->GetRootNode()->AddChild({u"Row " + IntToStr(i), IntToStr(i * 7)});
    tree->EndUpdate();
    tree->GetContent()->SetViewportY(1 << 30);
  }
  ~TFixture() { Free(List); }
};

TFixture& Fixture() {
  static TFixture fixture;
  return fixture;
}

void BM_UpdateVisibleBounds(benchmark::State& State) {
  auto* cells = Fixture().List->Tree()->GetContent()->GetCells();
  for (auto _ : State) {
    cells->UpdateVisibleBounds();
    benchmark::DoNotOptimize(cells->FirstVisible);
  }
}
BENCHMARK(BM_UpdateVisibleBounds)->Unit(benchmark::kMicrosecond);

void BM_HitTest(benchmark::State& State) {
  TZCLTreeListSubClass* tree = Fixture().List->Tree();
  Integer y = 40;
  for (auto _ : State) {
    tree->UpdateHitTest(150, y);
    y = y >= 580 ? 40 : y + 7;
    benchmark::DoNotOptimize(tree->GetHitTest()->HitObject);
  }
}
BENCHMARK(BM_HitTest)->Unit(benchmark::kMicrosecond);

void BM_PaintOneScreen(benchmark::State& State) {
  TFixture& f = Fixture();
  for (auto _ : State) f.List->Tree()->Draw(f.Screen.GetCanvas());
}
BENCHMARK(BM_PaintOneScreen)->Unit(benchmark::kMillisecond);

void BM_ProcessChangesAfterStructureChange(benchmark::State& State) {
  TZCLTreeListSubClass* tree = Fixture().List->Tree();
  for (auto _ : State) tree->Changed(ChangeStruct);
}
BENCHMARK(BM_ProcessChangesAfterStructureChange)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  THeadlessConfig config;
  config.ManualClock = false;
  InitializeControlsUnits(config);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  FinalizeUnits();
  return 0;
}
