// Stream and encoding benchmarks: memory-stream writes, and UTF-8 -> UTF-16 through TEncoding
// beside ICU's own u_strFromUTF8 on the same text.
#include <benchmark/benchmark.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <string>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Streams.h"

namespace {
TBytes SampleUtf8() {
  std::string s;
  while (s.size() < (1 << 20)) s += "Skin \xC3\xA9l\xC3\xA9ment \xE2\x82\xAC 42 \xF0\x9F\x8E\xB5 playlist; ";
  return TBytes(s.begin(), s.end());
}

TBytes SampleWestern() {
  std::string s;
  while (s.size() < (1 << 20)) s += "Caf\xE9 cr\xE8me \x80 42 playlist; ";
  return TBytes(s.begin(), s.end());
}
}  // namespace

// Writes of Range(0) bytes until the stream holds 4 MiB: growth and copying.
static void BM_MemoryStreamWrite(benchmark::State& state) {
  const auto chunk = static_cast<Integer>(state.range(0));
  const std::string data(static_cast<size_t>(chunk), 'x');
  constexpr Int64 Total = 4 << 20;
  for (auto _ : state) {
    TMemoryStream stream;
    for (Int64 written = 0; written < Total; written += chunk) stream.WriteBuffer(data.data(), chunk);
    benchmark::DoNotOptimize(stream.GetMemory());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * Total);
}
BENCHMARK(BM_MemoryStreamWrite)->Arg(4)->Arg(64)->Arg(4096);

static void BM_EncodingUTF8GetString(benchmark::State& state) {
  const TBytes text = SampleUtf8();
  TEncoding* utf8 = TEncoding::GetUTF8();
  for (auto _ : state) benchmark::DoNotOptimize(utf8->GetString(text));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_EncodingUTF8GetString);

// ICU sized and converted the same way: preflight, then convert into a fresh string.
static void BM_IcuStrFromUTF8Sized(benchmark::State& state) {
  const TBytes text = SampleUtf8();
  const auto* bytes = reinterpret_cast<const char*>(text.data());
  for (auto _ : state) {
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(nullptr, 0, &length, bytes, int32_t(text.size()), 0xFFFD, nullptr, &status);
    std::u16string out(static_cast<size_t>(length), u'\0');
    status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(out.data()), length, &length, bytes, int32_t(text.size()), 0xFFFD,
                         nullptr, &status);
    benchmark::DoNotOptimize(out);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_IcuStrFromUTF8Sized);

static void BM_EncodingCodePageGetString(benchmark::State& state) {
  const TBytes text = SampleWestern();
  TEncoding* western = TEncoding::GetANSI();
  for (auto _ : state) benchmark::DoNotOptimize(western->GetString(text));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_EncodingCodePageGetString);

BENCHMARK_MAIN();
