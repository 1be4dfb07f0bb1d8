// Formatted text against Pango, and the stack blur against pixman's separable convolution with
// the same triangular kernel. The layouts lay out 10,000 lines at a width of 800 pixels with word
// wrap and paint the first 1000 pixels of height; Pango gets the same text without its tags.
#include <benchmark/benchmark.h>
#include <pango/pangocairo.h>
#include <pixman.h>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Blend.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.TextLayout.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"

namespace {

constexpr int LineCount = 10000;
constexpr int Width = 800, PaintHeight = 1000;

String TaggedText(int Lines = LineCount) {
  String text;
  for (int i = 0; i < Lines; ++i)
    text += u"Line " + IntToStr(i) +
            u": the [B]quick[/B] brown [COLOR=red]fox[/COLOR] jumps over the [I]lazy[/I] dog and "
            u"[URL=http://example.org]visits[/URL] a[U]nother[/U] page\n";
  return text;
}

String PlainText(int Lines = LineCount) {
  String text;
  for (int i = 0; i < Lines; ++i)
    text += u"Line " + IntToStr(i) + u": the quick brown fox jumps over the lazy dog and visits another page\n";
  return text;
}

void BM_TextLayout_TaggedLayoutAndPaint(benchmark::State& State) {
  TFont font;
  font.SetName(u"DejaVu Sans");
  font.SetHeight(-13);
  font.SetColor(clBlack);
  TZCLDib dib(Width, PaintHeight);
  const String text = TaggedText(int(State.range(0)));
  for (auto _ : State) {
    TZCLTextLayout layout(&font);
    layout.SetText(text);
    layout.SetBounds(TRect(0, 0, Width, PaintHeight));
    layout.SetOptions(tloWordWrap | tloNoHeightLimit | tloNoClip);
    dib.Reset();
    layout.Draw(dib.GetCanvas());
    benchmark::DoNotOptimize(layout.RowCount());
  }
}
BENCHMARK(BM_TextLayout_TaggedLayoutAndPaint)->Arg(LineCount)->Unit(benchmark::kMillisecond);

void BM_Pango_PlainLayoutAndPaint(benchmark::State& State) {
  const std::string text = StringToUTF8(PlainText(int(State.range(0))));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, Width, PaintHeight);
  cairo_t* cr = cairo_create(surface);
  PangoFontDescription* description = pango_font_description_from_string("DejaVu Sans");
  pango_font_description_set_absolute_size(description, 13 * PANGO_SCALE);
  for (auto _ : State) {
    PangoLayout* layout = pango_cairo_create_layout(cr);
    pango_layout_set_font_description(layout, description);
    pango_layout_set_width(layout, Width * PANGO_SCALE);
    pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
    pango_layout_set_text(layout, text.data(), int(text.size()));
    int w = 0, h = 0;
    pango_layout_get_pixel_size(layout, &w, &h);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_move_to(cr, 0, 0);
    pango_cairo_show_layout(cr, layout);
    benchmark::DoNotOptimize(h);
    g_object_unref(layout);
  }
  pango_font_description_free(description);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}
BENCHMARK(BM_Pango_PlainLayoutAndPaint)->Arg(LineCount)->Unit(benchmark::kMillisecond);

void FillPattern(TZCLPixel32* Pixels, int Count) {
  for (int i = 0; i < Count; ++i) {
    const Byte a = Byte((i * 7) % 256);
    Pixels[i] = {Byte(a / 2), Byte(a / 3), a, a};
  }
}

void BM_StackBlur_1920x1080(benchmark::State& State) {
  const int radius = int(State.range(0));
  TZCLDib dib(1920, 1080);
  TZCLBlurFilter filter;
  filter.SetRadius(radius);
  for (auto _ : State) {
    State.PauseTiming();
    dib.BeginAccess();
    FillPattern(dib.GetColors(), dib.GetColorCount());
    State.ResumeTiming();
    filter.Apply(&dib);
  }
}
BENCHMARK(BM_StackBlur_1920x1080)->Arg(2)->Arg(10)->Unit(benchmark::kMillisecond);

void BM_Pixman_SeparableConvolution_1920x1080(benchmark::State& State) {
  const int radius = int(State.range(0));
  std::vector<uint32_t> source(1920 * 1080), dest(1920 * 1080);
  FillPattern(reinterpret_cast<TZCLPixel32*>(source.data()), int(source.size()));
  pixman_image_t* src = pixman_image_create_bits(PIXMAN_a8r8g8b8, 1920, 1080, source.data(), 1920 * 4);
  pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, 1920, 1080, dest.data(), 1920 * 4);
  // The stack blur's kernel: weights r + 1 - |i|, divided by (r + 1)^2, in both directions.
  const int width = 2 * radius + 1;
  std::vector<pixman_fixed_t> params(size_t(4 + 2 * width));
  params[0] = params[1] = pixman_int_to_fixed(width);
  params[2] = params[3] = pixman_int_to_fixed(0);
  for (int i = 0; i < width; ++i) {
    const double w = double(radius + 1 - std::abs(i - radius)) / double((radius + 1) * (radius + 1));
    params[size_t(4 + i)] = params[size_t(4 + width + i)] = pixman_double_to_fixed(w);
  }
  pixman_image_set_filter(src, PIXMAN_FILTER_SEPARABLE_CONVOLUTION, params.data(), int(params.size()));
  pixman_image_set_repeat(src, PIXMAN_REPEAT_PAD);
  for (auto _ : State) {
    pixman_image_composite32(PIXMAN_OP_SRC, src, nullptr, dst, 0, 0, 0, 0, 0, 0, 1920, 1080);
    benchmark::DoNotOptimize(dest.data());
  }
  pixman_image_unref(src);
  pixman_image_unref(dst);
}
BENCHMARK(BM_Pixman_SeparableConvolution_1920x1080)->Arg(2)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace

