#include <benchmark/benchmark.h>

#include "rtl/RTL.Encoding.h"
#include "zcl/base/ZCL.Utils.Encodings.h"

// The library's strict UTF-8 decoder beside the run-time library's converter, on mixed text.
namespace {
std::string SampleUTF8() {
  String text;
  while (text.size() < 64 * 1024) text += u"Track 01 - Caf\u00E9 \u041C\u0443\u0437\u044B\u043A\u0430 \xD83C\xDFB5\r\n";
  return zcEncodeUTF8(text);
}

void BM_zcDecodeUTF8(benchmark::State& State) {
  const std::string bytes = SampleUTF8();
  for (auto _ : State) benchmark::DoNotOptimize(zcDecodeUTF8(bytes));
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_zcDecodeUTF8);

void BM_EncodingGetString(benchmark::State& State) {
  const std::string bytes = SampleUTF8();
  for (auto _ : State)
    benchmark::DoNotOptimize(TEncoding::GetUTF8()->GetString(reinterpret_cast<const Byte*>(bytes.data()),
                                                             static_cast<Integer>(bytes.size())));
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(bytes.size()));
}
BENCHMARK(BM_EncodingGetString);

void BM_zcEncodeUTF8(benchmark::State& State) {
  const String text = zcDecodeUTF8(SampleUTF8());
  for (auto _ : State) benchmark::DoNotOptimize(zcEncodeUTF8(text));
  State.SetItemsProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_zcEncodeUTF8);
}  // namespace

BENCHMARK_MAIN();
