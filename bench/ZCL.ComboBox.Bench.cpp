// Opening a combo box of 10,000 items and filtering its open list key by key, side by side with
// a plain standard-library loop doing the same work on the same strings: copying the items into
// rows, and keeping the rows that contain the typed text regardless of case.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cwctype>
#include <string>
#include <vector>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Units.h"
#include "support/BenchRatio.h"
#include "support/ZclControlsBench.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"

namespace {

constexpr Integer ItemCount = 10000;
const char16_t* const Typed[] = {u"i", u"it", u"ite", u"item", u"item ", u"item 9", u"item 99"};

String ItemText(Integer I) { return u"Item " + IntToStr(I) + u" of the list"; }

struct TFixture {
  TForm* Form;
  TZCLComboBox* Box;
  TFixture() : Form(TCustomForm::CreateNew<TForm>(nullptr)) {
    Form->SetBounds(100, 100, 400, 300);
    Box = Create<TZCLComboBox>(Form);
    Box->SetParent(Form);
    Box->SetBounds(10, 10, 200, 21);
    Box->SetMode(cbmList);
    Box->GetItems()->BeginUpdate();
    for (Integer i = 0; i < ItemCount; ++i) Box->GetItems()->Add(ItemText(i));
    Box->GetItems()->EndUpdate();
    Form->Show();
    Headless::RunUntilIdle();
  }
  ~TFixture() { Free(Form); }
};

void BM_ComboBoxOpen(benchmark::State& State) {
  TFixture f;
  for (auto _ : State) {
    f.Box->SetDroppedDown(true);
    benchmark::DoNotOptimize(f.Box->GetDropDown());
    f.Box->SetDroppedDown(false);
  }
  State.SetItemsProcessed(State.iterations() * ItemCount);
}
BENCHMARK(BM_ComboBoxOpen)->Unit(benchmark::kMillisecond);

void BM_StdCopyRows(benchmark::State& State) {
  std::vector<std::u16string> items;
  for (Integer i = 0; i < ItemCount; ++i) items.push_back(ItemText(i));
  for (auto _ : State) {
    std::vector<std::pair<std::u16string, int>> rows;
    for (size_t i = 0; i < items.size(); ++i) rows.emplace_back(items[i], int(i));
    benchmark::DoNotOptimize(rows.data());
  }
  State.SetItemsProcessed(State.iterations() * ItemCount);
}
BENCHMARK(BM_StdCopyRows)->Unit(benchmark::kMillisecond);

void BM_ComboBoxFilter(benchmark::State& State) {
  TFixture f;
  f.Box->SetDroppedDown(true);
  auto* window = static_cast<TZCLCustomComboBoxDropDown*>(f.Box->GetDropDown());
  TZCLIncrementalSearch* search = window->GetList()->GetSubClass()->GetIncSearch();
  for (auto _ : State) {
    for (const char16_t* text : Typed) search->SetText(text);
    search->SetText(String());
  }
  f.Box->SetDroppedDown(false);
  State.SetItemsProcessed(State.iterations() * ItemCount * Integer(std::size(Typed) + 1));
}
BENCHMARK(BM_ComboBoxFilter)->Unit(benchmark::kMillisecond);

std::u16string Upper(const std::u16string& S) {
  std::u16string result = S;
  for (char16_t& c : result) c = char16_t(std::towupper(wint_t(c)));
  return result;
}

void BM_StdFilter(benchmark::State& State) {
  std::vector<std::u16string> items;
  for (Integer i = 0; i < ItemCount; ++i) items.push_back(ItemText(i));
  for (auto _ : State) {
    for (const char16_t* text : Typed) {
      const std::u16string needle = Upper(text);
      std::vector<int> shown;
      for (size_t i = 0; i < items.size(); ++i)
        if (Upper(items[i]).find(needle) != std::u16string::npos) shown.push_back(int(i));
      benchmark::DoNotOptimize(shown.data());
    }
    std::vector<int> all(items.size());
    for (size_t i = 0; i < items.size(); ++i) all[i] = int(i);
    benchmark::DoNotOptimize(all.data());
  }
  State.SetItemsProcessed(State.iterations() * ItemCount * Integer(std::size(Typed) + 1));
}
BENCHMARK(BM_StdFilter)->Unit(benchmark::kMillisecond);

ZEPHSE_BENCH_RATIO("BM_ComboBoxOpen", "BM_StdCopyRows", 0.0);
ZEPHSE_BENCH_RATIO("BM_ComboBoxFilter", "BM_StdFilter", 0.0);

}  // namespace

int main(int argc, char** argv) {
  THeadlessConfig config;
  config.ManualClock = false;
  InitializeControlsUnits(config);
  benchmark::Initialize(&argc, argv);
  RunSpecifiedBenchmarksWithRatios();
  benchmark::Shutdown();
  FinalizeUnits();
  return 0;
}
