// The object inspector over an object with 200 published properties: populating it, and a
// search text typed key by key. No peer library does this; the baseline is a plain loop that
// does the least any inspector must: read every property as text into name/value rows sorted by
// name, and keep the rows whose name or value contains the typed text regardless of case.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cwctype>
#include <string>
#include <utility>
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
#include "zcl/ui/ZCL.Utils.RTTI.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"
#include "zcl/ui/inspector/ZCL.UI.Controls.ObjectInspector.h"

namespace {

constexpr Integer PropertyCount = 200;
const char16_t* const Typed[] = {u"p", u"pr", u"pro", u"prop", u"prop1", u"prop19", u"prop199"};

class TWide : public TComponent {
  ZCL_CLASS(TWide, TComponent)
 public:
  using TComponent::TComponent;
  static void DeclareProperties(TClassDeclaration<TWide>& D) {
    for (Integer i = 0; i < PropertyCount; ++i)
      D.Property(u"Prop" + IntToStr(i), i, &TWide::GetValue, &TWide::SetValue);
  }
  Integer GetValue(Integer Index) const { return FValues[size_t(Index)]; }
  void SetValue(Integer Index, Integer Value) { FValues[size_t(Index)] = Value; }

 private:
  std::array<Integer, PropertyCount> FValues{};
};

struct TFixture {
  TForm* Form;
  TWide* Object;
  TZCLObjectInspector* Inspector;
  TFixture() : Form(TCustomForm::CreateNew<TForm>(nullptr)) {
    RegisterProperties<TWide>();
    Form->SetBounds(100, 100, 400, 600);
    Object = Create<TWide>(Form);
    for (Integer i = 0; i < PropertyCount; ++i) Object->SetValue(i, i * 7);
    Inspector = Create<TZCLObjectInspector>(Form);
    Inspector->SetParent(Form);
    Inspector->SetAlign(alClient);
    Form->Show();
    Headless::RunUntilIdle();
  }
  ~TFixture() { Free(Form); }
};

void BM_InspectorPopulate(benchmark::State& State) {
  TFixture f;
  for (auto _ : State) {
    f.Inspector->SetInspectedObject(f.Object);
    benchmark::DoNotOptimize(f.Inspector->GetSubClass()->GetRootNode()->GetChildrenCount());
    f.Inspector->SetInspectedObject(nullptr);
  }
  State.SetItemsProcessed(State.iterations() * PropertyCount);
}
BENCHMARK(BM_InspectorPopulate)->Unit(benchmark::kMillisecond);

using TRows = std::vector<std::pair<std::u16string, std::u16string>>;

TRows ReadRows(TWide* Object) {
  TRows rows;
  for (PPropInfo p : GetPropList(Object)) rows.emplace_back(p->Name, TRTTI::GetPropValueAsString(Object, p));
  std::sort(rows.begin(), rows.end());
  return rows;
}

void BM_PlainReadRows(benchmark::State& State) {
  TFixture f;
  for (auto _ : State) benchmark::DoNotOptimize(ReadRows(f.Object).data());
  State.SetItemsProcessed(State.iterations() * PropertyCount);
}
BENCHMARK(BM_PlainReadRows)->Unit(benchmark::kMillisecond);

void BM_InspectorSearchTyped(benchmark::State& State) {
  TFixture f;
  f.Inspector->SetSearchBox(true);
  f.Inspector->SetInspectedObject(f.Object);
  for (auto _ : State) {
    for (const char16_t* text : Typed) f.Inspector->SetSearchText(text);
    f.Inspector->SetSearchText(String());
  }
  State.SetItemsProcessed(State.iterations() * PropertyCount * Integer(std::size(Typed) + 1));
}
BENCHMARK(BM_InspectorSearchTyped)->Unit(benchmark::kMillisecond);

std::u16string Upper(const std::u16string& S) {
  std::u16string result = S;
  for (char16_t& c : result) c = char16_t(std::towupper(wint_t(c)));
  return result;
}

void BM_PlainSearchTyped(benchmark::State& State) {
  TFixture f;
  for (auto _ : State) {
    for (const char16_t* text : Typed) {
      const std::u16string needle = Upper(text);
      TRows shown;
      for (auto& row : ReadRows(f.Object))
        if (Upper(row.first).find(needle) != std::u16string::npos || Upper(row.second).find(needle) != std::u16string::npos)
          shown.push_back(row);
      benchmark::DoNotOptimize(shown.data());
    }
    benchmark::DoNotOptimize(ReadRows(f.Object).data());
  }
  State.SetItemsProcessed(State.iterations() * PropertyCount * Integer(std::size(Typed) + 1));
}
BENCHMARK(BM_PlainSearchTyped)->Unit(benchmark::kMillisecond);

ZEPHSE_BENCH_RATIO("BM_InspectorPopulate", "BM_PlainReadRows", 0.0);
ZEPHSE_BENCH_RATIO("BM_InspectorSearchTyped", "BM_PlainSearchTyped", 0.0);

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
