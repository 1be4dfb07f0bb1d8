// Property access by name, creation through class records, and owner trees.

#include <benchmark/benchmark.h>

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.TypInfo.h"
#include "rtl/RTL.Units.h"
#include "rtl/RTL.Variant.h"

namespace {
enum TBenchAlign : Byte { baNone, baTop, baBottom, baLeft, baRight, baClient };
ZCL_ENUM(TBenchAlign, baNone, baTop, baBottom, baLeft, baRight, baClient);

class TBenchControl : public TComponent {
  ZCL_CLASS(TBenchControl, TComponent)
 public:
  using TComponent::TComponent;
  static void DeclareProperties(TClassDeclaration<TBenchControl>& D) {
    D.Property(u"Left", &TBenchControl::GetLeft, &TBenchControl::SetLeft).Default(0);
    D.Property(u"Top", &TBenchControl::FTop, &TBenchControl::FTop).Default(0);
    D.Property(u"Width", &TBenchControl::FWidth, &TBenchControl::FWidth);
    D.Property(u"Height", &TBenchControl::FHeight, &TBenchControl::FHeight);
    D.Property(u"Caption", &TBenchControl::GetCaption, &TBenchControl::SetCaption);
    D.Property(u"Align", &TBenchControl::FAlign, &TBenchControl::FAlign).Default(baNone);
    D.Property(u"Opacity", &TBenchControl::FOpacity, &TBenchControl::FOpacity);
    D.Property(u"Visible", &TBenchControl::FVisible, &TBenchControl::FVisible).Default(true);
  }
  Integer GetLeft() const { return FLeft; }
  void SetLeft(Integer Value) {
    if (FLeft == Value) return;
    FLeft = Value;
  }
  String GetCaption() const { return FCaption; }
  void SetCaption(const String& Value) { FCaption = Value; }

 private:
  Integer FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  String FCaption;
  TBenchAlign FAlign = baNone;
  Double FOpacity = 1;
  bool FVisible = true;
};

void BM_GetOrdPropByName(benchmark::State& State) {
  TBenchControl* c = Create<TBenchControl>(nullptr);
  c->SetLeft(12);
  for (auto _ : State) benchmark::DoNotOptimize(GetOrdProp(c, u"Left"));
  Free(c);
}
BENCHMARK(BM_GetOrdPropByName);

void BM_SetOrdPropByName(benchmark::State& State) {
  TBenchControl* c = Create<TBenchControl>(nullptr);
  Integer i = 0;
  for (auto _ : State) SetOrdProp(c, u"Left", ++i & 0xFFFF);
  Free(c);
}
BENCHMARK(BM_SetOrdPropByName);

void BM_SetOrdPropByInfo(benchmark::State& State) {
  TBenchControl* c = Create<TBenchControl>(nullptr);
  PPropInfo left = GetPropInfo(c, u"Left");
  Integer i = 0;
  for (auto _ : State) SetOrdProp(c, left, ++i & 0xFFFF);
  Free(c);
}
BENCHMARK(BM_SetOrdPropByInfo);

void BM_StrPropByName(benchmark::State& State) {
  TBenchControl* c = Create<TBenchControl>(nullptr);
  const String text = u"A caption long enough to leave the small-string buffer";
  for (auto _ : State) {
    SetStrProp(c, u"Caption", text);
    benchmark::DoNotOptimize(GetStrProp(c, u"Caption"));
  }
  Free(c);
}
BENCHMARK(BM_StrPropByName);

void BM_EnumPropByNameAsText(benchmark::State& State) {
  TBenchControl* c = Create<TBenchControl>(nullptr);
  for (auto _ : State) {
    SetEnumProp(c, u"Align", u"baClient");
    benchmark::DoNotOptimize(GetEnumProp(c, u"Align"));
  }
  Free(c);
}
BENCHMARK(BM_EnumPropByNameAsText);

void BM_PropValueVariantByName(benchmark::State& State) {
  TBenchControl* c = Create<TBenchControl>(nullptr);
  const Variant value(0.5);
  for (auto _ : State) {
    SetPropValue(c, u"Opacity", value);
    benchmark::DoNotOptimize(GetPropValue(c, u"Opacity"));
  }
  Free(c);
}
BENCHMARK(BM_PropValueVariantByName);

// Every stored property of a component that differs from its default, as a writer would walk it.
void BM_WalkStoredProperties(benchmark::State& State) {
  TBenchControl* c = Create<TBenchControl>(nullptr);
  c->SetCaption(u"Walk");
  for (auto _ : State) {
    Integer written = 0;
    for (PPropInfo p : GetPropList(c))
      if (IsStoredProp(c, p) && !IsDefaultPropertyValue(c, p)) ++written;
    benchmark::DoNotOptimize(written);
  }
  Free(c);
}
BENCHMARK(BM_WalkStoredProperties);

// A tree of N components created by class name and freed by its root.
void BM_ComponentTreeCreateAndFree(benchmark::State& State) {
  const Integer count = static_cast<Integer>(State.range(0));
  TClass cls = FindClass(u"TBenchControl");
  for (auto _ : State) {
    TComponent* root = Create<TComponent>(nullptr);
    TComponent* group = nullptr;
    for (Integer i = 0; i < count; ++i) {
      // Groups of 100 keep the owner's notification broadcast at its usual size.
      if (i % 100 == 0) group = cls->Create<TComponent>(root);
      cls->Create<TComponent>(group);
    }
    Free(root);
  }
  State.SetItemsProcessed(State.iterations() * count);
}
BENCHMARK(BM_ComponentTreeCreateAndFree)->Arg(10000);
}  // namespace

int main(int argc, char** argv) {
  InitializeUnits(RtlUnits());
  RegisterProperties<TBenchControl>();
  RegisterClass(TBenchControl::StaticClass());
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  FinalizeUnits();
  return 0;
}
