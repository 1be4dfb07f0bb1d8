// Value types on hot paths: variant arithmetic and comparison (expression evaluation and
// bindings run them per frame), date decoding and formatting (log lines, lists of files).
#include <benchmark/benchmark.h>

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Variant.h"

static void BM_VariantIntegerSum(benchmark::State& state) {
  for (auto _ : state) {
    Variant sum = 0;
    for (int i = 0; i < 100; ++i) sum += i;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_VariantIntegerSum);

static void BM_VariantMixedArithmetic(benchmark::State& state) {
  const Variant a = 3, b = 2.5, s = u"7";
  for (auto _ : state) benchmark::DoNotOptimize((a * b + s) / a);
}
BENCHMARK(BM_VariantMixedArithmetic);

static void BM_VariantStringConcat(benchmark::State& state) {
  const Variant a = u"Track ", b = u"title";
  for (auto _ : state) benchmark::DoNotOptimize(a + b);
}
BENCHMARK(BM_VariantStringConcat);

static void BM_VariantCompare(benchmark::State& state) {
  const Variant a = 3, b = 2.5, s = u"abc", t = u"abd";
  for (auto _ : state) {
    benchmark::DoNotOptimize(a < b);
    benchmark::DoNotOptimize(s < t);
  }
}
BENCHMARK(BM_VariantCompare);

static void BM_DecodeDateTime(benchmark::State& state) {
  double v = 45000.123;
  for (auto _ : state) {
    Word y, m, d, h, n, s, ms;
    DecodeDateTime(v, y, m, d, h, n, s, ms);
    benchmark::DoNotOptimize(y + m + d + h + n + s + ms);
    v += 0.37;
  }
}
BENCHMARK(BM_DecodeDateTime);

static void BM_FormatDateTimeLogStamp(benchmark::State& state) {
  const TFormatSettings settings = TFormatSettings::Invariant();
  const TDateTime v = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);
  for (auto _ : state) benchmark::DoNotOptimize(FormatDateTime(u"yyyy.MM.dd hh:mm:ss.zzz", v, settings));
}
BENCHMARK(BM_FormatDateTimeLogStamp);

static void BM_IntersectRect(benchmark::State& state) {
  TRect a = Rect(0, 0, 100, 100), b = Rect(50, 50, 150, 150);
  for (auto _ : state) {
    TRect r;
    benchmark::DoNotOptimize(IntersectRect(r, a, b));
    benchmark::DoNotOptimize(r);
    b.Offset(1, 0);
    if (b.Left > 200) b.Offset(-200, 0);
  }
}
BENCHMARK(BM_IntersectRect);
BENCHMARK_MAIN();
