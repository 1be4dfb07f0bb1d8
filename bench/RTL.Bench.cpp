// Run-time library benchmarks: UTF-8 <-> UTF-16 conversion against ICU's own converters.
#include <benchmark/benchmark.h>
#include <unicode/ustring.h>

#include <string>

#include "rtl/RTL.Types.h"

namespace {
std::string SampleUtf8() {
  std::string s;
  while (s.size() < (1 << 20)) s += "Skin \xC3\xA9l\xC3\xA9ment \xE2\x82\xAC 42 \xF0\x9F\x8E\xB5 playlist; ";
  return s;
}
}  // namespace

static void BM_UTF8ToString(benchmark::State& state) {
  std::string text = SampleUtf8();
  for (auto _ : state) benchmark::DoNotOptimize(UTF8ToString(text));
  state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}
BENCHMARK(BM_UTF8ToString);

static void BM_IcuStrFromUTF8(benchmark::State& state) {
  std::string text = SampleUtf8();
  std::u16string out(text.size(), u'\0');
  for (auto _ : state) {
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), int32_t(out.size()), &length, text.data(),
                         int32_t(text.size()), 0xFFFD, nullptr, &status);
    benchmark::DoNotOptimize(length);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * text.size());
}
BENCHMARK(BM_IcuStrFromUTF8);

static void BM_StringToUTF8(benchmark::State& state) {
  String text = UTF8ToString(SampleUtf8());
  for (auto _ : state) benchmark::DoNotOptimize(StringToUTF8(text));
  state.SetBytesProcessed(int64_t(state.iterations()) * text.size() * 2);
}
BENCHMARK(BM_StringToUTF8);

BENCHMARK_MAIN();
