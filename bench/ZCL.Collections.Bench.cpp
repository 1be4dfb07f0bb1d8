// The component library's generic dictionary side by side with std::unordered_map: filling and
// looking up 1,000,000 integer and string keys (the same keys, the same lookup order).
#include <benchmark/benchmark.h>

#include <random>
#include <unordered_map>
#include <vector>

#include "zcl/base/ZCL.Classes.Collections.h"

namespace {
constexpr int KeyCount = 1000000;

const std::vector<Integer>& IntegerKeys() {
  static const std::vector<Integer> keys = [] {
    std::mt19937 random(1);
    std::vector<Integer> result(KeyCount);
    for (int i = 0; i < KeyCount; ++i) result[static_cast<size_t>(i)] = static_cast<Integer>(random());
    return result;
  }();
  return keys;
}

const std::vector<String>& StringKeys() {
  static const std::vector<String> keys = [] {
    std::mt19937 random(2);
    std::vector<String> result(KeyCount);
    for (int i = 0; i < KeyCount; ++i) {
      String& key = result[static_cast<size_t>(i)];
      key = u"key_";
      for (int n = 0; n < 12; ++n) key.push_back(static_cast<Char>(u'a' + random() % 26));
    }
    return result;
  }();
  return keys;
}

struct TStringHash {
  size_t operator()(const String& S) const { return std::hash<std::u16string>()(S); }
};

template <class K>
void FillZcl(benchmark::State& state, const std::vector<K>& keys) {
  for (auto _ : state) {
    auto* dict = Create<TZCLDictionary<K, Integer>>();
    for (int i = 0; i < KeyCount; ++i) dict->AddOrSetValue(keys[static_cast<size_t>(i)], i);
    benchmark::DoNotOptimize(dict->GetCount());
    Free(dict);
  }
  state.SetItemsProcessed(state.iterations() * KeyCount);
}

template <class K, class H = std::hash<K>>
void FillStd(benchmark::State& state, const std::vector<K>& keys) {
  for (auto _ : state) {
    std::unordered_map<K, Integer, H> map;
    for (int i = 0; i < KeyCount; ++i) map[keys[static_cast<size_t>(i)]] = i;
    benchmark::DoNotOptimize(map.size());
  }
  state.SetItemsProcessed(state.iterations() * KeyCount);
}

template <class K>
void LookupZcl(benchmark::State& state, const std::vector<K>& keys) {
  auto* dict = Create<TZCLDictionary<K, Integer>>();
  for (int i = 0; i < KeyCount; ++i) dict->AddOrSetValue(keys[static_cast<size_t>(i)], i);
  for (auto _ : state) {
    Int64 sum = 0;
    Integer value = 0;
    for (const K& key : keys)
      if (dict->TryGetValue(key, value)) sum += value;
    benchmark::DoNotOptimize(sum);
  }
  Free(dict);
  state.SetItemsProcessed(state.iterations() * KeyCount);
}

template <class K, class H = std::hash<K>>
void LookupStd(benchmark::State& state, const std::vector<K>& keys) {
  std::unordered_map<K, Integer, H> map;
  for (int i = 0; i < KeyCount; ++i) map[keys[static_cast<size_t>(i)]] = i;
  for (auto _ : state) {
    Int64 sum = 0;
    for (const K& key : keys) {
      auto it = map.find(key);
      if (it != map.end()) sum += it->second;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * KeyCount);
}
}  // namespace

static void BM_DictionaryFillInteger(benchmark::State& state) { FillZcl(state, IntegerKeys()); }
static void BM_UnorderedMapFillInteger(benchmark::State& state) { FillStd(state, IntegerKeys()); }
static void BM_DictionaryLookupInteger(benchmark::State& state) { LookupZcl(state, IntegerKeys()); }
static void BM_UnorderedMapLookupInteger(benchmark::State& state) { LookupStd(state, IntegerKeys()); }
static void BM_DictionaryFillString(benchmark::State& state) { FillZcl(state, StringKeys()); }
static void BM_UnorderedMapFillString(benchmark::State& state) { FillStd<String, TStringHash>(state, StringKeys()); }
static void BM_DictionaryLookupString(benchmark::State& state) { LookupZcl(state, StringKeys()); }
static void BM_UnorderedMapLookupString(benchmark::State& state) {
  LookupStd<String, TStringHash>(state, StringKeys());
}

BENCHMARK(BM_DictionaryFillInteger)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnorderedMapFillInteger)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DictionaryLookupInteger)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnorderedMapLookupInteger)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DictionaryFillString)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnorderedMapFillString)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DictionaryLookupString)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnorderedMapLookupString)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
