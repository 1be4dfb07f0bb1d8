// Bindings at skin scale: 20,000 links from 5,000 elements (four integer property pins each) to
// 20,000 named services of 100 providers. Binding makes every link (name lookups, client and
// remove-listener registration, one refresh per link) and frees it again; pushing changes every
// service once, so that each change walks the provider's clients, finds the links of the service,
// reads the value through the link and writes the element's property. The peer is what a user
// would otherwise write: named signals of std::function slots, connected by name and emitted
// with the value.
#include <benchmark/benchmark.h>

#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.TypInfo.h"
#include "rtl/RTL.Units.h"
#include "support/BenchRatio.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"
#include "zse/engine/ZSE.Bindings.Providers.h"
#include "zse/engine/ZSE.Bindings.h"
#include "zse/engine/ZSE.Engine.Units.h"

namespace {

constexpr Integer ProviderCount = 100;
constexpr Integer ServicesPerProvider = 200;
constexpr Integer ElementCount = 5000;
constexpr Integer PinsPerElement = 4;
const String PinNames[PinsPerElement] = {u"P0", u"P1", u"P2", u"P3"};

String ServiceName(Integer Index) { return u"Value" + IntToStr(Index); }

class TBenchService : public TZCLUnknownObject, public IZSEBindingServiceDataInteger {
  RTL_INTERFACES(TZCLUnknownObject, IZSEBindingServiceDataInteger)
 public:
  Integer GetIntegerValue() override { return Value; }
  Integer Value = 0;
};

class TBenchProvider : public TZCLComponent {
  ZCL_CLASS(TBenchProvider, TZCLComponent)
 public:
  explicit TBenchProvider(TComponent* AOwner) : TZCLComponent(AOwner), FProvider(Create<TZSEBindingProvider>(this)) {
    for (Integer i = 0; i < ServicesPerProvider; ++i) {
      auto* service = Create<TBenchService>();
      Services.push_back(service);
      FProvider->RegisterService(ServiceName(i), service);
    }
  }
  ~TBenchProvider() override { FreeAndNil(FProvider); }
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override {
    if (DelegateQuery<IZSEBindingProvider>(FProvider, IID, Obj)) return S_OK;
    return inherited::QueryInterface(IID, Obj);
  }
  TZSEBindingProvider* Provider() const { return FProvider; }
  std::vector<TBenchService*> Services;

 private:
  TZSEBindingProvider* FProvider;
};

class TBenchElement : public TZSEComponent {
  ZCL_CLASS(TBenchElement, TZSEComponent)
 public:
  using TZSEComponent::TZSEComponent;
  static void DeclareProperties(TClassDeclaration<TBenchElement>& D) {
    for (Integer i = 0; i < PinsPerElement; ++i)
      D.Property(PinNames[i], i, &TBenchElement::GetValue, &TBenchElement::SetValue);
  }
  Integer GetValue(Integer Index) const { return FValues[Index]; }
  void SetValue(Integer Index, Integer Value) { FValues[Index] = Value; }

 protected:
  void RegisterPins() override {
    for (const String& pin : PinNames) PinBindings()->RegisterPinProperty(pin, pin);
  }

 private:
  Integer FValues[PinsPerElement] = {};
};

// Link Index of the 20,000: its provider and service.
Integer ProviderOf(Integer Link) { return Link % ProviderCount; }
Integer ServiceOf(Integer Link) { return Link / ProviderCount % ServicesPerProvider; }

struct TZseWorld {
  std::vector<TBenchProvider*> Providers;
  std::vector<TBenchElement*> Elements;

  TZseWorld() {
    for (Integer i = 0; i < ProviderCount; ++i) Providers.push_back(Create<TBenchProvider>(nullptr));
  }
  ~TZseWorld() {
    Unbind();
    for (TBenchProvider* p : Providers) Free(p);
  }
  void Bind() {
    Integer link = 0;
    for (Integer e = 0; e < ElementCount; ++e) {
      auto* element = Create<TBenchElement>(nullptr);
      Elements.push_back(element);
      for (const String& pin : PinNames) {
        element->GetBindings()->AddLink(Providers[size_t(ProviderOf(link))], ServiceName(ServiceOf(link)), pin);
        ++link;
      }
    }
  }
  void Unbind() {
    for (TBenchElement* e : Elements) Free(e);
    Elements.clear();
  }
  void Push(Integer Value) {
    for (TBenchProvider* p : Providers)
      for (Integer s = 0; s < ServicesPerProvider; ++s) {
        p->Services[size_t(s)]->Value = Value;
        p->Provider()->Changed(ServiceName(s));
      }
  }
};

// The peer: named signals of std::function slots.
struct TSignal {
  std::vector<std::pair<Integer, std::function<void(Integer)>>> Slots;
  Integer NextId = 0;
  Integer Connect(std::function<void(Integer)> Slot) {
    Slots.emplace_back(NextId, std::move(Slot));
    return NextId++;
  }
  void Disconnect(Integer Id) {
    for (auto it = Slots.begin(); it != Slots.end(); ++it)
      if (it->first == Id) {
        Slots.erase(it);
        return;
      }
  }
  void Emit(Integer Value) const {
    for (const auto& slot : Slots) slot.second(Value);
  }
};

struct TPeerProvider {
  std::unordered_map<String, TSignal> Signals;
  std::vector<Integer> Values;
};

struct TPeerElement {
  Integer Values[PinsPerElement] = {};
  std::vector<std::pair<TSignal*, Integer>> Connections;
  ~TPeerElement() {
    for (auto& [signal, id] : Connections) signal->Disconnect(id);
  }
};

struct TPeerWorld {
  std::vector<TPeerProvider> Providers{size_t(ProviderCount)};
  std::vector<std::unique_ptr<TPeerElement>> Elements;

  TPeerWorld() {
    for (TPeerProvider& p : Providers) {
      p.Values.resize(size_t(ServicesPerProvider));
      for (Integer s = 0; s < ServicesPerProvider; ++s) p.Signals[ServiceName(s)];
    }
  }
  void Bind() {
    Integer link = 0;
    for (Integer e = 0; e < ElementCount; ++e) {
      auto element = std::make_unique<TPeerElement>();
      for (Integer pin = 0; pin < PinsPerElement; ++pin) {
        TSignal& signal = Providers[size_t(ProviderOf(link))].Signals[ServiceName(ServiceOf(link))];
        Integer* target = &element->Values[pin];
        element->Connections.emplace_back(&signal, signal.Connect([target](Integer V) { *target = V; }));
        ++link;
      }
      Elements.push_back(std::move(element));
    }
  }
  void Unbind() { Elements.clear(); }
  void Push(Integer Value) {
    for (TPeerProvider& p : Providers)
      for (Integer s = 0; s < ServicesPerProvider; ++s) {
        p.Values[size_t(s)] = Value;
        p.Signals[ServiceName(s)].Emit(Value);
      }
  }
};

void BM_Bind_Zse(benchmark::State& State) {
  TZseWorld world;
  for (auto _ : State) {
    world.Bind();
    world.Unbind();
  }
  State.SetItemsProcessed(State.iterations() * ElementCount * PinsPerElement);
}
BENCHMARK(BM_Bind_Zse)->Unit(benchmark::kMillisecond);

void BM_Bind_StdFunctionSignals(benchmark::State& State) {
  TPeerWorld world;
  for (auto _ : State) {
    world.Bind();
    world.Unbind();
  }
  State.SetItemsProcessed(State.iterations() * ElementCount * PinsPerElement);
}
BENCHMARK(BM_Bind_StdFunctionSignals)->Unit(benchmark::kMillisecond);

void BM_Push_Zse(benchmark::State& State) {
  TZseWorld world;
  world.Bind();
  Integer value = 0;
  for (auto _ : State) world.Push(++value);
  if (world.Elements.back()->GetValue(PinsPerElement - 1) != value) State.SkipWithError("value not delivered");
  State.SetItemsProcessed(State.iterations() * ElementCount * PinsPerElement);
}
BENCHMARK(BM_Push_Zse)->Unit(benchmark::kMillisecond);

void BM_Push_StdFunctionSignals(benchmark::State& State) {
  TPeerWorld world;
  world.Bind();
  Integer value = 0;
  for (auto _ : State) world.Push(++value);
  if (world.Elements.back()->Values[PinsPerElement - 1] != value) State.SkipWithError("value not delivered");
  State.SetItemsProcessed(State.iterations() * ElementCount * PinsPerElement);
}
BENCHMARK(BM_Push_StdFunctionSignals)->Unit(benchmark::kMillisecond);

ZEPHSE_BENCH_RATIO("BM_Bind_Zse", "BM_Bind_StdFunctionSignals", 0);
ZEPHSE_BENCH_RATIO("BM_Push_Zse", "BM_Push_StdFunctionSignals", 0);

}  // namespace

int main(int argc, char** argv) {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InstallHeadlessBackend(THeadlessConfig::Single(96));
  InitializeUnits(VclUnits());
  InitializeUnits(ZclBaseUnits());
  InitializeUnits(ZclGraphicsUnits());
  InitializeUnits(ZclUiUnits());
  InitializeUnits(ZclControlsUnits());
  InitializeUnits(ZseEngineUnits());
  RegisterProperties<TBenchElement>();
  const int result = RunBenchmarksWithRatios(argc, argv);
  FinalizeUnits();
  return result;
}
