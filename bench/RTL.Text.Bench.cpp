// Text core throughput: Format, float and integer conversion, picture formats, collation.
#include <benchmark/benchmark.h>

#include "rtl/RTL.Format.h"
#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"

namespace {
const TFormatSettings& Settings() {
  static const TFormatSettings s = TFormatSettings::Invariant();
  return s;
}
}  // namespace

static void BM_FormatMixed(benchmark::State& state) {
  const String name = u"Default skin";
  for (auto _ : state)
    benchmark::DoNotOptimize(Format(u"Cannot open file \"%s\" at %d:%d (%.2f%%)", {name, 120, 7, 99.5}, Settings()));
}
BENCHMARK(BM_FormatMixed);

static void BM_FormatInteger(benchmark::State& state) {
  Integer i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(Format(u"%d", {++i}, Settings()));
}
BENCHMARK(BM_FormatInteger);

static void BM_FloatToStr(benchmark::State& state) {
  double x = 0.1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FloatToStr(x, Settings()));
    x += 1.37;
  }
}
BENCHMARK(BM_FloatToStr);

static void BM_FormatFloatPicture(benchmark::State& state) {
  double x = 1234.5678;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatFloat(u"#,##0.00", x, Settings()));
    x += 0.01;
  }
}
BENCHMARK(BM_FormatFloatPicture);

static void BM_StrToFloat(benchmark::State& state) {
  const String text = u"  -12345.678901e-3 ";
  for (auto _ : state) benchmark::DoNotOptimize(StrToFloat(text, Settings()));
}
BENCHMARK(BM_StrToFloat);

static void BM_StrToInt(benchmark::State& state) {
  const String text = u"-2147483647";
  for (auto _ : state) benchmark::DoNotOptimize(StrToInt(text));
}
BENCHMARK(BM_StrToInt);

static void BM_AnsiCompareText(benchmark::State& state) {
  const String a = u"Playlist \u00C9l\u00E9ment 12", b = u"playlist \u00E9l\u00E9ment 13";
  for (auto _ : state) benchmark::DoNotOptimize(AnsiCompareText(a, b));
}
BENCHMARK(BM_AnsiCompareText);

static void BM_StringReplaceIgnoreCase(benchmark::State& state) {
  String text;
  for (int i = 0; i < 200; ++i) text += u"The Skin and the skin of a SKIN. ";
  for (auto _ : state) benchmark::DoNotOptimize(StringReplace(text, u"skin", u"theme", {rfReplaceAll, rfIgnoreCase}));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size() * 2));
}
BENCHMARK(BM_StringReplaceIgnoreCase);

BENCHMARK_MAIN();
