// Threads and string lists: sorting 100,000 strings, a Synchronize round trip, the work-item pool.
#include <benchmark/benchmark.h>

#include <atomic>
#include <random>
#include <thread>

#include "rtl/RTL.StringList.h"
#include "rtl/RTL.Threads.h"
#include "rtl/RTL.Units.h"

namespace {
// Words of 3..12 letters, mixed case, with repeats, as item lists and name lists have.
std::vector<String> SampleStrings(size_t Count) {
  std::mt19937 random(20261211);
  std::uniform_int_distribution<int> length(3, 12), letter(0, 51);
  std::vector<String> result;
  result.reserve(Count);
  for (size_t i = 0; i < Count; ++i) {
    String s;
    const int n = length(random);
    for (int k = 0; k < n; ++k) {
      const int l = letter(random);
      s += static_cast<Char>(l < 26 ? u'a' + l : u'A' + l - 26);
    }
    result.push_back(std::move(s));
  }
  return result;
}

void FillList(TStringList& List, const std::vector<String>& Items) {
  List.BeginUpdate();
  List.Clear();
  for (const String& s : Items) List.Add(s);
  List.EndUpdate();
}
}  // namespace

// Arg 1: the locale's collation (the default); 0: ordinal order.
static void BM_StringListSort100k(benchmark::State& state) {
  const std::vector<String> items = SampleStrings(100000);
  TStringList list;
  list.SetUseLocale(state.range(0) != 0);
  for (auto _ : state) {
    state.PauseTiming();
    FillList(list, items);
    state.ResumeTiming();
    list.Sort();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(items.size()));
}
BENCHMARK(BM_StringListSort100k)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// Building a sorted list by adding one string at a time (binary search and insert).
static void BM_StringListSortedAdd(benchmark::State& state) {
  const std::vector<String> items = SampleStrings(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    TStringList list(dupAccept, true, false);
    list.SetUseLocale(false);
    for (const String& s : items) list.Add(s);
    benchmark::DoNotOptimize(list.GetCount());
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_StringListSortedAdd)->Arg(10000)->Unit(benchmark::kMillisecond);

// A worker's Synchronize served by the main thread waiting in WaitForMainThreadServing.
static void BM_SynchronizeRoundTrip(benchmark::State& state) {
  constexpr int Calls = 1000;
  for (auto _ : state) {
    TEvent done;
    std::thread worker([&] {
      for (int i = 0; i < Calls; ++i) TThread::Synchronize(nullptr, [] {});
      done.SetEvent();
    });
    WaitForMainThreadServing({&done}, false, INFINITE);
    worker.join();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * Calls);
}
BENCHMARK(BM_SynchronizeRoundTrip)->Unit(benchmark::kMillisecond);

static void BM_QueueWorkItem(benchmark::State& state) {
  constexpr int Items = 10000;
  for (auto _ : state) {
    std::atomic<int> left{Items};
    TEvent done;
    for (int i = 0; i < Items; ++i)
      QueueWorkItem([&] {
        if (--left == 0) done.SetEvent();
      });
    done.WaitFor(INFINITE);
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * Items);
}
BENCHMARK(BM_QueueWorkItem)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
  InitializeUnits(RtlUnits());
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  FinalizeUnits();
  return 0;
}
