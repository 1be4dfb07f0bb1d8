// Graphics benchmarks side by side with what a user would pick instead: a nine-part skin image
// drawn at 1920 x 1080 against a plain cairo composite of the same nine parts, and PNG decoding
// through the image-format repository against libpng's simplified API.

#include <benchmark/benchmark.h>
#include <cairo.h>
#include <png.h>

#include <cstring>
#include <random>
#include <vector>

#include "os/OS.Codecs.h"
#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.Images.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"

namespace {

constexpr int Width = 1920, Height = 1080;
constexpr int Source = 64, Margin = 12;

// A 64 x 64 frame with soft edges: alpha varies, so every part is blended.
std::vector<TZCLPixel32> MakeFrame() {
  std::vector<TZCLPixel32> pixels(Source * Source);
  for (int y = 0; y < Source; ++y)
    for (int x = 0; x < Source; ++x) {
      const int edge = std::min({x, y, Source - 1 - x, Source - 1 - y});
      const Byte a = Byte(std::min(255, 96 + edge * 12));
      TZCLPixel32 p{Byte(x * 4), Byte(y * 4), Byte(128), a};
      TZCLColors::Premultiply(p);
      pixels[size_t(y) * Source + x] = p;
    }
  return pixels;
}

void BM_SkinImageNinePart1920x1080(benchmark::State& State) {
  const std::vector<TZCLPixel32> pixels = MakeFrame();
  TZCLSkinImage image;
  image.LoadFromBits(pixels.data(), Source, Source);
  image.SetAlphaFormat(true);
  image.SetMargins({Margin, Margin, Margin, Margin});
  TZCLDib target(Width, Height);
  for (auto _ : State) {
    image.Draw(target.GetCanvas(), target.ClientRect(), 0);
    target.BeginAccess();
    benchmark::DoNotOptimize(target.GetColors());
  }
  State.SetItemsProcessed(int64_t(State.iterations()) * Width * Height);
}
BENCHMARK(BM_SkinImageNinePart1920x1080)->Unit(benchmark::kMillisecond);

// The same nine parts composited with cairo directly: each part scaled from its source rectangle.
void BM_CairoNinePart1920x1080(benchmark::State& State) {
  std::vector<TZCLPixel32> pixels = MakeFrame();
  cairo_surface_t* source = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels.data()),
                                                                CAIRO_FORMAT_ARGB32, Source, Source, Source * 4);
  cairo_surface_t* target = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, Width, Height);
  const int sx[4] = {0, Margin, Source - Margin, Source};
  const int dx[4] = {0, Margin, Width - Margin, Width};
  const int dy[4] = {0, Margin, Height - Margin, Height};
  for (auto _ : State) {
    cairo_t* cr = cairo_create(target);
    for (int row = 0; row < 3; ++row)
      for (int col = 0; col < 3; ++col) {
        const double sw = sx[col + 1] - sx[col], sh = sx[row + 1] - sx[row];
        const double w = dx[col + 1] - dx[col], h = dy[row + 1] - dy[row];
        cairo_save(cr);
        cairo_rectangle(cr, dx[col], dy[row], w, h);
        cairo_clip(cr);
        cairo_translate(cr, dx[col], dy[row]);
        cairo_scale(cr, w / sw, h / sh);
        cairo_set_source_surface(cr, source, -sx[col], -sx[row]);
        cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_NEAREST);
        cairo_paint(cr);
        cairo_restore(cr);
      }
    cairo_destroy(cr);
    cairo_surface_flush(target);
    benchmark::DoNotOptimize(cairo_image_surface_get_data(target));
  }
  cairo_surface_destroy(target);
  cairo_surface_destroy(source);
  State.SetItemsProcessed(int64_t(State.iterations()) * Width * Height);
}
BENCHMARK(BM_CairoNinePart1920x1080)->Unit(benchmark::kMillisecond);

// A photo-like 1920 x 1080 PNG: gradients with noise.
const std::vector<Byte>& PngFile() {
  static const std::vector<Byte> file = [] {
    std::vector<uint32_t> p(size_t(Width) * Height);
    std::mt19937 random(42);
    for (int y = 0; y < Height; ++y)
      for (int x = 0; x < Width; ++x) {
        const uint32_t n = random() & 0x0F;
        const uint32_t r = (x * 255 / Width + n) & 0xFF, g = (y * 255 / Height + n) & 0xFF,
                       b = ((x + y) / 12 + n) & 0xFF;
        p[size_t(y) * Width + x] = 0xFF000000u | (r << 16) | (g << 8) | b;
      }
    return EncodePng(p.data(), Width, Height, false);
  }();
  return file;
}

void BM_PngDecodeRepository(benchmark::State& State) {
  const std::vector<Byte>& file = PngFile();
  for (auto _ : State) {
    TCustomMemoryStream stream(file.data(), NativeInt(file.size()));
    TZCLImage image;
    image.LoadFromStream(stream);
    benchmark::DoNotOptimize(image.GetPixels().data());
  }
  State.SetBytesProcessed(int64_t(State.iterations()) * Width * Height * 4);
}
BENCHMARK(BM_PngDecodeRepository)->Unit(benchmark::kMillisecond);

void BM_PngDecodeLibpng(benchmark::State& State) {
  const std::vector<Byte>& file = PngFile();
  std::vector<uint32_t> pixels(size_t(Width) * Height);
  for (auto _ : State) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    png_image_begin_read_from_memory(&image, file.data(), file.size());
    image.format = PNG_FORMAT_BGRA;
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    benchmark::DoNotOptimize(pixels.data());
  }
  State.SetBytesProcessed(int64_t(State.iterations()) * Width * Height * 4);
}
BENCHMARK(BM_PngDecodeLibpng)->Unit(benchmark::kMillisecond);

}  // namespace

