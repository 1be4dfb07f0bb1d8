// Containers and comparers: list growth and sorting, default comparers and hashes.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "rtl/RTL.Generics.h"
#include "rtl/RTL.Lists.h"

namespace {
Integer CompareAddresses(Pointer Item1, Pointer Item2) {
  return CompareValue(reinterpret_cast<uintptr_t>(Item1), reinterpret_cast<uintptr_t>(Item2));
}

std::vector<String> SampleWords(size_t Count) {
  std::mt19937 random(1);
  std::vector<String> words(Count);
  for (auto& word : words)
    for (int i = 0, n = 4 + random() % 12; i < n; ++i) word.push_back(static_cast<Char>(u'a' + random() % 26));
  return words;
}
}  // namespace

static void BM_ListAdd(benchmark::State& state) {
  for (auto _ : state) {
    TList list;
    for (intptr_t i = 1; i <= state.range(0); ++i) list.Add(reinterpret_cast<Pointer>(i));
    benchmark::DoNotOptimize(list.GetList());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListAdd)->Arg(100000);

static void BM_ListSort(benchmark::State& state) {
  std::mt19937_64 random(2);
  TList source;
  for (int i = 0; i < state.range(0); ++i) source.Add(reinterpret_cast<Pointer>(random() | 1));
  TList list;
  for (auto _ : state) {
    state.PauseTiming();
    list.Assign(&source);
    state.ResumeTiming();
    list.Sort(CompareAddresses);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ListSort)->Arg(100000);

static void BM_DefaultStringCompare(benchmark::State& state) {
  const auto words = SampleWords(4096);
  auto comparer = TComparer<String>::Default();
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(comparer->Compare(words[i & 4095], words[(i + 1) & 4095]));
    ++i;
  }
}
BENCHMARK(BM_DefaultStringCompare);

static void BM_DefaultStringHash(benchmark::State& state) {
  const auto words = SampleWords(4096);
  auto comparer = TEqualityComparer<String>::Default();
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(comparer->GetHashCode(words[i++ & 4095]));
}
BENCHMARK(BM_DefaultStringHash);

static void BM_InterfaceReferenceCopy(benchmark::State& state) {
  IPtr<IComparer<Integer>> comparer =
      TComparer<Integer>::Construct([](const Integer& L, const Integer& R) { return CompareValue(L, R); });
  for (auto _ : state) {
    IPtr<IComparer<Integer>> copy = comparer;
    benchmark::DoNotOptimize(copy.get());
  }
}
BENCHMARK(BM_InterfaceReferenceCopy);
BENCHMARK_MAIN();
