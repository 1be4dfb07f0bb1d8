// Graphics benchmarks: PNG decoding against libpng's simplified API, text layout and drawing
// of 1,000 lines, and alpha blending of a full-HD surface against pixman's own composite.

#include <benchmark/benchmark.h>
#include <pixman.h>
#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "os/OS.Codecs.h"
#include "os/OS.Gdi.h"
#include "os/OS.Surface.h"
#include "os/OS.Text.h"

namespace {

constexpr int Width = 1920, Height = 1080;

// A photo-like picture: gradients with noise, so that compression does real work.
std::vector<uint32_t> MakePicture() {
  std::vector<uint32_t> p(size_t(Width) * Height);
  std::mt19937 random(42);
  for (int y = 0; y < Height; ++y)
    for (int x = 0; x < Width; ++x) {
      uint32_t n = random() & 0x0F;
      uint32_t r = (x * 255 / Width + n) & 0xFF, g = (y * 255 / Height + n) & 0xFF, b = ((x + y) / 12 + n) & 0xFF;
      p[size_t(y) * Width + x] = 0xFF000000u | (r << 16) | (g << 8) | b;
    }
  return p;
}

// With ZEPHSE_BENCH_PNG set, the file is also written there, so that OS.Graphics.Pillow.py can
// time another decoder on the same bytes.
const std::vector<Byte>& PngFile() {
  static const std::vector<Byte> file = [] {
    std::vector<uint32_t> picture = MakePicture();
    std::vector<Byte> png = EncodePng(picture.data(), Width, Height, false);
    if (const char* path = std::getenv("ZEPHSE_BENCH_PNG"))
      if (FILE* out = std::fopen(path, "wb")) {
        std::fwrite(png.data(), 1, png.size(), out);
        std::fclose(out);
      }
    return png;
  }();
  return file;
}

void BM_PngDecode(benchmark::State& State) {
  const std::vector<Byte>& file = PngFile();
  for (auto _ : State) {
    TDecodedImage image = DecodePng(file);
    benchmark::DoNotOptimize(image.Pixels.data());
  }
  State.SetBytesProcessed(int64_t(State.iterations()) * Width * Height * 4);
}
BENCHMARK(BM_PngDecode)->Unit(benchmark::kMillisecond);

void BM_PngDecodeLibpngSimplified(benchmark::State& State) {
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
BENCHMARK(BM_PngDecodeLibpngSimplified)->Unit(benchmark::kMillisecond);

// 1,000 lines of UI text, each word-broken into a 300-pixel column.
struct TTextBench {
  TSurface Surface{320, 200};
  HDC DC = CreateSurfaceDC(&Surface);
  HFONT Font;
  std::vector<String> Lines;
  TTextBench() {
    LOGFONTW lf = MakeLogFont(u"Segoe UI", -12);
    Font = CreateFontIndirectW(&lf);
    SelectObject(DC, Font);
    SetBkMode(DC, TRANSPARENT);
    for (int i = 0; i < 1000; ++i)
      Lines.push_back(u"Track " + AsciiToString(std::to_string(i)) +
                      u": The quick brown fox jumps over the lazy dog, again and again");
  }
  ~TTextBench() {
    DeleteDC(DC);
    DeleteObject(Font);
  }
};

void BM_TextLayout1000Lines(benchmark::State& State) {
  TTextBench bench;
  for (auto _ : State)
    for (const String& line : bench.Lines) {
      TRect r(0, 0, 300, 200);
      benchmark::DoNotOptimize(DrawText(bench.DC, line, &r, DT_CALCRECT | DT_WORDBREAK));
    }
  State.SetItemsProcessed(int64_t(State.iterations()) * 1000);
}
BENCHMARK(BM_TextLayout1000Lines)->Unit(benchmark::kMillisecond);

void BM_TextDraw1000Lines(benchmark::State& State) {
  TTextBench bench;
  for (auto _ : State)
    for (const String& line : bench.Lines) {
      TRect r(0, 0, 300, 200);
      benchmark::DoNotOptimize(DrawText(bench.DC, line, &r, DT_WORDBREAK | DT_END_ELLIPSIS));
    }
  State.SetItemsProcessed(int64_t(State.iterations()) * 1000);
}
BENCHMARK(BM_TextDraw1000Lines)->Unit(benchmark::kMillisecond);

// Per-pixel alpha source over an opaque destination, full HD.
struct TBlendBench {
  TSurface Source{Width, Height}, Dest{Width, Height};
  HDC SourceDC = CreateSurfaceDC(&Source), DestDC = CreateSurfaceDC(&Dest);
  TBlendBench() {
    std::vector<uint32_t> picture = MakePicture();
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = (picture[i] & 0x00FFFFFFu) | (uint32_t(i * 7 % 256) << 24);
    PremultiplyPixels(picture.data(), picture.size());
    std::memcpy(Source.GetBits(), picture.data(), picture.size() * 4);
    std::fill(Dest.GetBits(), Dest.GetBits() + picture.size(), 0xFF336699u);
    Source.EndAccess();
    Dest.EndAccess();
  }
  ~TBlendBench() {
    DeleteDC(SourceDC);
    DeleteDC(DestDC);
  }
};

void BM_AlphaBlend(benchmark::State& State) {
  TBlendBench bench;
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, Byte(State.range(0)), AC_SRC_ALPHA};
  for (auto _ : State) AlphaBlend(bench.DestDC, 0, 0, Width, Height, bench.SourceDC, 0, 0, Width, Height, blend);
  State.SetBytesProcessed(int64_t(State.iterations()) * Width * Height * 4);
}
BENCHMARK(BM_AlphaBlend)->Arg(255)->Arg(128)->Unit(benchmark::kMillisecond);

void BM_AlphaBlendPixmanComposite(benchmark::State& State) {
  TBlendBench bench;
  pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, Width, Height, bench.Source.GetBits(), Width * 4);
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, Width, Height, bench.Dest.GetBits(), Width * 4);
  pixman_color_t constant{0, 0, 0, uint16_t(State.range(0) * 257)};
  pixman_image_t* mask = State.range(0) == 255 ? nullptr : pixman_image_create_solid_fill(&constant);
  for (auto _ : State) pixman_image_composite32(PIXMAN_OP_OVER, src, mask, dst, 0, 0, 0, 0, 0, 0, Width, Height);
  if (mask) pixman_image_unref(mask);
  pixman_image_unref(src);
  pixman_image_unref(dst);
  State.SetBytesProcessed(int64_t(State.iterations()) * Width * Height * 4);
}
BENCHMARK(BM_AlphaBlendPixmanComposite)->Arg(255)->Arg(128)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
