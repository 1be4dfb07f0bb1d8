// Component library text benchmarks, each beside its reference: the string builder against
// std::u16string appends, CRC-32 over 10 MB against zlib's crc32 (another bit order, same work),
// MD5 over 10 MB against OpenSSL's, and the tokenizer over a 10 MB text.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <string>
#include <vector>

#ifdef ZEPHSE_HAVE_OPENSSL
#include <openssl/evp.h>
#endif

#include "support/BenchRatio.h"
#include "zcl/base/ZCL.Hashes.h"
#include "zcl/base/ZCL.Parsers.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace {
const std::vector<Byte>& Data() {
  static const std::vector<Byte> data = [] {
    std::vector<Byte> d(10 << 20);
    uint32_t x = 12345;
    for (auto& b : d) b = static_cast<Byte>((x = x * 1103515245 + 12345) >> 24);
    return d;
  }();
  return data;
}

void BM_Builder_Append(benchmark::State& State) {
  for (auto _ : State) {
    TZCLPooledBuilder b(16);
    for (int i = 0; i < 1000; ++i) b->Append(u"element ").Append(i).Append(u'\n');
    benchmark::DoNotOptimize(b->ToString());
  }
}
BENCHMARK(BM_Builder_Append);

// The same with the expected size asked of the pool, as the library's routines do.
void BM_Builder_AppendSized(benchmark::State& State) {
  for (auto _ : State) {
    TZCLPooledBuilder b(16384);
    for (int i = 0; i < 1000; ++i) b->Append(u"element ").Append(i).Append(u'\n');
    benchmark::DoNotOptimize(b->ToString());
  }
}
BENCHMARK(BM_Builder_AppendSized);

String IntToStrForBench(int Value) {
  const std::string s = std::to_string(Value);
  return String(s.begin(), s.end());
}

void BM_U16String_Append(benchmark::State& State) {
  for (auto _ : State) {
    String s;
    for (int i = 0; i < 1000; ++i) {
      s += u"element ";
      s += IntToStrForBench(i);
      s += u'\n';
    }
    benchmark::DoNotOptimize(s);
  }
}
BENCHMARK(BM_U16String_Append);
ZEPHSE_BENCH_RATIO("BM_Builder_AppendSized", "BM_U16String_Append", 0);

void BM_Crc32_Zcl(benchmark::State& State) {
  for (auto _ : State)
    benchmark::DoNotOptimize(TZCLHashCRC32::Calculate(Data().data(), static_cast<Integer>(Data().size())));
  State.SetBytesProcessed(State.iterations() * static_cast<int64_t>(Data().size()));
}
BENCHMARK(BM_Crc32_Zcl);

void BM_Crc32_Zlib(benchmark::State& State) {
  for (auto _ : State) benchmark::DoNotOptimize(crc32(0, Data().data(), static_cast<uInt>(Data().size())));
  State.SetBytesProcessed(State.iterations() * static_cast<int64_t>(Data().size()));
}
BENCHMARK(BM_Crc32_Zlib);
ZEPHSE_BENCH_RATIO("BM_Crc32_Zcl", "BM_Crc32_Zlib", 1.0);

void BM_Md5_Zcl(benchmark::State& State) {
  for (auto _ : State)
    benchmark::DoNotOptimize(TZCLHashMD5::Calculate(Data().data(), static_cast<Integer>(Data().size())));
  State.SetBytesProcessed(State.iterations() * static_cast<int64_t>(Data().size()));
}
BENCHMARK(BM_Md5_Zcl);

#ifdef ZEPHSE_HAVE_OPENSSL
void BM_Md5_OpenSSL(benchmark::State& State) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  for (auto _ : State) {
    EVP_Digest(Data().data(), Data().size(), digest, &length, EVP_md5(), nullptr);
    benchmark::DoNotOptimize(digest);
  }
  State.SetBytesProcessed(State.iterations() * static_cast<int64_t>(Data().size()));
}
BENCHMARK(BM_Md5_OpenSSL);
ZEPHSE_BENCH_RATIO("BM_Md5_Zcl", "BM_Md5_OpenSSL", 1.0);
#endif

void BM_Tokenizer_10MB(benchmark::State& State) {
  static const String text = [] {
    String t;
    while (t.size() < 5 * 1024 * 1024) t += u"width = (left + 12) * scale - 'quoted text', next;\r\n";
    return t;  // 5 M characters = 10 MB of UTF-16
  }();
  TZCLParser parser(u"+-*/=(),; \r\n", u"'", u" \r\n\t");
  parser.QuotedTextAsSingleToken = true;
  for (auto _ : State) {
    parser.Initialize(text.data(), static_cast<Integer>(text.size()));
    TZCLParserToken token;
    int64_t tokens = 0;
    while (parser.GetToken(token)) ++tokens;
    benchmark::DoNotOptimize(tokens);
  }
  State.SetBytesProcessed(State.iterations() * static_cast<int64_t>(text.size() * 2));
}
BENCHMARK(BM_Tokenizer_10MB);
}  // namespace

int main(int argc, char** argv) { return RunBenchmarksWithRatios(argc, argv); }
