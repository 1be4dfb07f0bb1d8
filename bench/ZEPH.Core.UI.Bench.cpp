// A 32 x 32 image of a plugin's image list drawn into a device context through the wrapper's
// Draw (a fresh bitmap, the list's drawing, one blend), against one cairo paint of the same
// pixels onto an image surface.
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <vector>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.ImageList.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zeph/core/ZEPH.Core.UI.Images.h"

namespace {
constexpr Integer KSize = 32;

std::vector<uint32_t> Pixels() {
  std::vector<uint32_t> pixels(KSize * KSize);
  for (Integer i = 0; i < KSize * KSize; ++i)
    pixels[i] = (i % 3 ? 0xFF000000u : 0x80000000u) | (i * 2654435761u & 0x7F7F7F);
  return pixels;
}

void BM_WrapperDraw(benchmark::State& State) {
  IPtr<TZEPHUIImageList> list(
      Create<TZEPHUIImageList>(static_cast<IInterface*>(nullptr), static_cast<TComponent*>(nullptr)));
  list->SetSize(TSize(KSize, KSize));
  auto* bitmap = Create<TBitmap>();
  bitmap->SetPixelFormat(TPixelFormat::pf32bit);
  bitmap->SetSize(KSize, KSize);
  bitmap->GetCanvas()->GetBrush()->SetColor(clTeal);
  bitmap->GetCanvas()->FillRect(TRect(0, 0, KSize, KSize));
  list->AsImageList()->Add(bitmap);
  Free(bitmap);
  TZCLDib target(64, 64);
  HDC dc = target.GetCanvas()->GetHandle();
  IZEPHUIImageList* intf = list.get();
  for (auto _ : State) benchmark::DoNotOptimize(intf->Draw(dc, 0, 16, 16, LongTrue));
}
BENCHMARK(BM_WrapperDraw);

void BM_CairoDraw(benchmark::State& State) {
  std::vector<uint32_t> pixels = Pixels();
  cairo_surface_t* source = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                                CAIRO_FORMAT_ARGB32, KSize, KSize, KSize * 4);
  cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 64, 64);
  for (auto _ : State) {
    cairo_t* cr = cairo_create(target);
    cairo_set_source_surface(cr, source, 16, 16);
    cairo_rectangle(cr, 16, 16, KSize, KSize);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_flush(target);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(target));
  }
  cairo_surface_destroy(target);
  cairo_surface_destroy(source);
}
BENCHMARK(BM_CairoDraw);
}  // namespace

int main(int argc, char** argv) {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InstallHeadlessBackend(THeadlessConfig::Single(96));
  InitializeUnits(VclUnits());
  InitializeUnits(ZclBaseUnits());
  InitializeUnits(ZclGraphicsUnits());
  InitializeUnits(ZclUiUnits());
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  FinalizeUnits();
  return 0;
}
