#include <benchmark/benchmark.h>

#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
const String KDomain = u"www.\u043F\u043E\u0447\u0435\u043C\u0443\u0436\u0435\u043E\u043D\u0438.b\u00FCcher.example";
const String KRussian = u"Съешь же ещё этих мягких французских булок, да выпей чаю";

void BM_PunycodeEncodeDomain(benchmark::State& State) {
  for (auto _ : State) benchmark::DoNotOptimize(TZCLPunycode::EncodeDomain(KDomain));
}
BENCHMARK(BM_PunycodeEncodeDomain);

void BM_PunycodeDecodeDomain(benchmark::State& State) {
  const AnsiString ascii = TZCLPunycode::EncodeDomain(KDomain);
  for (auto _ : State) benchmark::DoNotOptimize(TZCLPunycode::DecodeDomain(ascii));
}
BENCHMARK(BM_PunycodeDecodeDomain);

void BM_TranslitEncode(benchmark::State& State) {
  for (auto _ : State) benchmark::DoNotOptimize(TZCLTranslit::Encode(KRussian));
}
BENCHMARK(BM_TranslitEncode);

void BM_TranslitDecode(benchmark::State& State) {
  const String latin = TZCLTranslit::Encode(KRussian);
  for (auto _ : State) benchmark::DoNotOptimize(TZCLTranslit::Decode(latin));
}
BENCHMARK(BM_TranslitDecode);
}  // namespace

BENCHMARK_MAIN();
