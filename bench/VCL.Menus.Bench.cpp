// Shortcut text both ways (action lists read secondary shortcuts on every key they test) and the
// drawing of image-list images as menus draw them.

#include <benchmark/benchmark.h>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.ImgList.h"
#include "vcl/VCL.Menus.h"
#include "vcl/VCL.Units.h"

namespace {

void Setup() {
  static const bool done = [] {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    InitializeUnits(VclUnits());
    InstallHeadlessBackend(THeadlessConfig::Single(96));
    return true;
  }();
  (void)done;
}

void BM_ShortCutToText(benchmark::State& State) {
  Setup();
  for (auto _ : State) benchmark::DoNotOptimize(ShortCutToText(TShortCut(scShift | scCtrl | VK_F9)));
}
BENCHMARK(BM_ShortCutToText);

void BM_TextToShortCut(benchmark::State& State) {
  Setup();
  for (auto _ : State) benchmark::DoNotOptimize(TextToShortCut(u"Shift+Ctrl+Num +"));
}
BENCHMARK(BM_TextToShortCut);

// 16 x 16 images with alpha onto a 32-bit bitmap, enabled and greyed.
void BM_ImageListDraw(benchmark::State& State) {
  Setup();
  TImageList list(nullptr, 16, 16);
  TBitmap strip(64, 16);
  strip.SetAlphaFormat(afDefined);
  for (Integer y = 0; y < 16; ++y) {
    auto* row = static_cast<uint32_t*>(strip.ScanLine(y));
    for (Integer x = 0; x < 64; ++x) row[x] = (uint32_t(x * 4) << 24) | 0x00336699u;
  }
  strip.Modified();
  list.Add(&strip);
  TBitmap target(256, 256);
  const bool enabled = State.range(0) != 0;
  Integer i = 0;
  for (auto _ : State) {
    list.Draw(target.GetCanvas(), (i * 16) % 240, (i * 7) % 240, i % 4, enabled);
    ++i;
  }
}
BENCHMARK(BM_ImageListDraw)->Arg(1)->Arg(0);

}  // namespace
BENCHMARK_MAIN();
