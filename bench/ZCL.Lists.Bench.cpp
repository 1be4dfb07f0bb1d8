// Interning 1,000,000 texts (100,000 distinct) in the shared string table against a
// std::unordered_set of strings, and freeing 1,000,000 objects of a fast object list on one thread
// against several.
#include <benchmark/benchmark.h>

#include <string>
#include <unordered_set>
#include <vector>

#include "zcl/base/ZCL.Classes.Collections.h"

namespace {
constexpr int TextCount = 1000000;
constexpr int DistinctCount = 100000;
constexpr int ObjectCount = 1000000;

const std::vector<String>& Texts() {
  static const std::vector<String> texts = [] {
    std::vector<String> result;
    result.reserve(TextCount);
    for (int i = 0; i < TextCount; ++i)
      result.push_back(UTF8ToString("Artist name " + std::to_string((static_cast<int64_t>(i) * 7919) % DistinctCount)));
    return result;
  }();
  return texts;
}

void BM_SharedTableShare(benchmark::State& state) {
  const auto& texts = Texts();
  for (auto _ : state) {
    auto* table = Create<TZCLStringSharedTable>();
    for (const String& text : texts) benchmark::DoNotOptimize(&table->Share(text));
    Free(table);
  }
  state.SetItemsProcessed(state.iterations() * TextCount);
}
BENCHMARK(BM_SharedTableShare)->Unit(benchmark::kMillisecond);

void BM_StdUnorderedSetIntern(benchmark::State& state) {
  const auto& texts = Texts();
  for (auto _ : state) {
    std::unordered_set<String> set;
    for (const String& text : texts) benchmark::DoNotOptimize(&*set.insert(text).first);
  }
  state.SetItemsProcessed(state.iterations() * TextCount);
}
BENCHMARK(BM_StdUnorderedSetIntern)->Unit(benchmark::kMillisecond);

class TRow : public TObject {
 public:
  String Text = u"a row text long enough to live on the heap";
};

void BM_FastObjectListClear(benchmark::State& state) {
  const bool threaded = state.range(0) != 0;
  auto* list = Create<TZCLFastObjectList>();
  for (auto _ : state) {
    state.PauseTiming();
    for (int i = 0; i < ObjectCount; ++i) list->Add(new TRow);
    state.ResumeTiming();
    if (threaded)
      list->ClearMultithreaded(true);
    else
      list->Clear(true);
  }
  Free(list);
  state.SetItemsProcessed(state.iterations() * ObjectCount);
}
BENCHMARK(BM_FastObjectListClear)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
