// Presenting a full-HD skin form frame: the form repaints its whole buffer (a cleared area and
// one fill, the least a layout draws) and hands it to its layered window, which copies it.
// The floor beside it is the plain copy of the same 1920 x 1080 premultiplied frame into a
// window-sized surface, the work no presentation can avoid.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "support/BenchRatio.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zse/engine/ZSE.Engine.Units.h"
#include "zse/engine/ZSE.Forms.h"
#include "zse/engine/ZSE.RenderBuffer.h"

namespace {

constexpr Integer W = 1920, H = 1080;

class TBenchForm : public TZSEForm {
  ZCL_CLASS(TBenchForm, TZSEForm)
 public:
  using TZSEForm::TZSEForm;

 protected:
  void PaintLayout(TZSERenderBuffer* Buffer) override { Buffer->FillRect(TRect(0, 0, W / 2, H), 0xFF204060); }
};

void BM_PresentFrame_Zse(benchmark::State& State) {
  auto* form = TCustomForm::CreateNew<TBenchForm>(nullptr);
  form->SetBounds(0, 0, W, H);
  form->SetVisible(true);
  form->UpdateContent(true);
  for (auto _ : State) {
    form->UpdateContent(true);
    benchmark::DoNotOptimize(form->GetPresented());
  }
  State.SetBytesProcessed(State.iterations() * W * H * 4);
  Free(form);
}
BENCHMARK(BM_PresentFrame_Zse)->Unit(benchmark::kMicrosecond);

void BM_PresentFrame_Copy(benchmark::State& State) {
  std::vector<uint32_t> frame(static_cast<size_t>(W) * H, 0x80204060u), window(frame.size());
  for (auto _ : State) {
    std::memcpy(window.data(), frame.data(), frame.size() * 4);
    benchmark::DoNotOptimize(window.data());
    benchmark::ClobberMemory();
  }
  State.SetBytesProcessed(State.iterations() * W * H * 4);
}
BENCHMARK(BM_PresentFrame_Copy)->Unit(benchmark::kMicrosecond);

ZEPHSE_BENCH_RATIO("BM_PresentFrame_Zse", "BM_PresentFrame_Copy", 0);

}  // namespace

int main(int argc, char** argv) {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InstallHeadlessBackend(THeadlessConfig::Single(96));
  InitializeUnits(VclUnits());
  InitializeUnits(ZclBaseUnits());
  InitializeUnits(ZclGraphicsUnits());
  InitializeUnits(ZclUiUnits());
  InitializeUnits(ZseEngineUnits());
  const int result = RunBenchmarksWithRatios(argc, argv);
  FinalizeUnits();
  return result;
}
