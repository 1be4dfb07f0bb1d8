// The SDL backend's per-frame work that does not need a display: collecting dirty rectangles
// and following a per-pixel-alpha window's shape.
#include <benchmark/benchmark.h>

#include <vector>

#include "os/backends/sdl/OS.Sdl.Mapping.h"

using namespace SdlMapping;

// A frame of small invalidations (caret, hover, a list scrolling) spread over the window.
static void BM_DirtyRectsFrame(benchmark::State& State) {
  std::vector<TRect> rects;
  for (int i = 0; i < State.range(0); ++i) rects.push_back(Bounds((i * 97) % 1800, (i * 53) % 1000, 16 + i % 40, 12));
  for (auto _ : State) {
    TDirtyRects dirty;
    for (const TRect& r : rects) dirty.Add(r);
    benchmark::DoNotOptimize(dirty.Rects().data());
  }
  State.SetItemsProcessed(State.iterations() * State.range(0));
}
BENCHMARK(BM_DirtyRectsFrame)->Arg(4)->Arg(32)->Arg(256);

// Re-deriving the shape of a 1920 x 1080 layered window whose pixels did not change (the common
// case: the content moves, the outline stays).
static void BM_AlphaMaskUnchanged(benchmark::State& State) {
  const int w = 1920, h = 1080;
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = (i % w) < w / 2 ? 0xFF808080u : 0x20202020u;
  std::vector<Byte> mask;
  UpdateAlphaMask(mask, pixels.data(), w, h, TRect(0, 0, w, h), 128);
  for (auto _ : State) benchmark::DoNotOptimize(UpdateAlphaMask(mask, pixels.data(), w, h, TRect(0, 0, w, h), 128));
  State.SetBytesProcessed(State.iterations() * static_cast<int64_t>(pixels.size()) * 4);
}
BENCHMARK(BM_AlphaMaskUnchanged);

BENCHMARK_MAIN();
