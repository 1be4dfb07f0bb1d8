// Canvas and bitmap throughput: shape and text drawing through the canvas's object selection,
// alpha drawing of bitmaps, and the bitmap's BMP and PNG round trips.

#include <benchmark/benchmark.h>

#include <cstring>

#include "os/OS.Units.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.Imaging.h"
#include "vcl/VCL.Units.h"

namespace {

void FillGradient(TBitmap& Bitmap) {
  for (Integer y = 0; y < Bitmap.GetHeight(); ++y) {
    auto* row = static_cast<uint32_t*>(Bitmap.ScanLine(y));
    for (Integer x = 0; x < Bitmap.GetWidth(); ++x) row[x] = (uint32_t(x) << 24) | (uint32_t(y) << 8) | 0x40;
  }
  Bitmap.Modified();
}

void BM_CanvasShapesWithColourChanges(benchmark::State& State) {
  TBitmap bitmap(256, 256);
  TCanvas* canvas = bitmap.GetCanvas();
  Integer i = 0;
  for (auto _ : State) {
    canvas->GetBrush()->SetColor(TColor(i++ & 0xFFFFFF));  // forces a new brush every time
    canvas->FillRect(TRect(0, 0, 128, 128));
    canvas->Rectangle(64, 64, 192, 192);
    canvas->Ellipse(100, 100, 250, 250);
  }
}
BENCHMARK(BM_CanvasShapesWithColourChanges);

void BM_CanvasTextOut(benchmark::State& State) {
  TBitmap bitmap(256, 32);
  TCanvas* canvas = bitmap.GetCanvas();
  canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  for (auto _ : State) canvas->TextOut(0, 0, u"The quick brown fox jumps");
}
BENCHMARK(BM_CanvasTextOut);

void BM_BitmapDrawAlpha(benchmark::State& State) {
  const Integer size = Integer(State.range(0));
  TBitmap source(size, size);
  source.SetAlphaFormat(State.range(1) ? afPremultiplied : afDefined);
  FillGradient(source);
  TBitmap dest(size, size);
  for (auto _ : State) dest.GetCanvas()->Draw(0, 0, &source);
  State.SetItemsProcessed(State.iterations() * size * size);
}
BENCHMARK(BM_BitmapDrawAlpha)->Args({64, 0})->Args({64, 1})->Args({512, 0})->Args({512, 1});

void BM_BmpRoundTrip(benchmark::State& State) {
  TBitmap bitmap(256, 256);
  bitmap.SetAlphaFormat(afDefined);
  FillGradient(bitmap);
  TBitmap loaded;
  for (auto _ : State) {
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    stream.SetPosition(0);
    loaded.LoadFromStream(stream);
  }
}
BENCHMARK(BM_BmpRoundTrip);

void BM_PngRoundTrip(benchmark::State& State) {
  TBitmap bitmap(256, 256);
  bitmap.SetAlphaFormat(afDefined);
  FillGradient(bitmap);
  TPngImage png;
  png.Assign(&bitmap);
  TPngImage loaded;
  for (auto _ : State) {
    TMemoryStream stream;
    png.SaveToStream(stream);
    stream.SetPosition(0);
    loaded.LoadFromStream(stream);
  }
}
BENCHMARK(BM_PngRoundTrip);

}  // namespace

int main(int argc, char** argv) {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InitializeUnits(VclUnits());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
