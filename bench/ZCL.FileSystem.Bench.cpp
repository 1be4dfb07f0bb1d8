// File-system helpers: extension arithmetic and filtering as run once per enumerated file, and
// the enumeration of a folder of 2,000 files with an extension filter.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "zcl/base/ZCL.Utils.FileSystem.h"

namespace {

const String kFilter = u"*.mp3;*.ogg;*.flac;*.wav;*.m4a;*.opus;*.wma;*.ape;";

void BM_ExtractFileExt(benchmark::State& State) {
  const String path = u"/home/user/Music/Some Artist/Some Album (2019)/07 - A Track Name.flac";
  for (auto _ : State) benchmark::DoNotOptimize(zcExtractFileExt(path));
}
BENCHMARK(BM_ExtractFileExt);

void BM_IsFileExtInList(benchmark::State& State) {
  const String ext = u".OPUS";
  for (auto _ : State) benchmark::DoNotOptimize(zcIsFileExtInList(kFilter, ext));
}
BENCHMARK(BM_IsFileExtInList);

void BM_EnumFilesFiltered(benchmark::State& State) {
  char pattern[] = "/tmp/zcl-fs-bench-XXXXXX";
  const char* root = mkdtemp(pattern);
  if (!root) {
    State.SkipWithError("no temporary folder");
    return;
  }
  const String dir = UTF8ToString(root) + u"/";
  static const char16_t* exts[] = {u".mp3", u".txt", u".ogg", u".jpg"};
  for (int i = 0; i < 2000; ++i) {
    const String name = dir + u"f" + UTF8ToString(std::to_string(i)) + exts[i % 4];
    const Integer h = zcFileOpen(name, fmCreate, 0);
    if (h >= 0) ::close(h);
  }
  for (auto _ : State) {
    size_t count = 0;
    zcEnumFiles(
        dir, kFilter, zcfkFiles, [&](TZCLFindFileInfo*) { ++count; }, false);
    benchmark::DoNotOptimize(count);
  }
  zcEnumFiles(
      dir, String(), zcfkFiles, [](TZCLFindFileInfo* Info) { zcDeleteFile(Info->GetFullFileName()); }, false);
  ::rmdir(root);
}
BENCHMARK(BM_EnumFilesFiltered)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
