// Loading a skin's schema: 5,000 skin objects with their properties (texts, numbers,
// enumerations, Booleans, a rectangle, a nested object and a reference to another object) read
// from XML text into live objects, references resolved by name, against libxml2 reading the
// same text into a plain tree of elements and attributes. A second skin holds 5,000 bindable
// elements with four binding links each (20,000 links to the services of 100 providers), read
// through the schema, with every link's source resolved and its pin refreshed.
#include <benchmark/benchmark.h>
#include <libxml/parser.h>
#include <libxml/tree.h>

#include <memory>
#include <string>
#include <vector>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.TypInfo.h"
#include "rtl/RTL.Units.h"
#include "support/BenchRatio.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"
#include "zse/engine/ZSE.Bindings.Providers.h"
#include "zse/engine/ZSE.Bindings.h"
#include "zse/engine/ZSE.Engine.Units.h"
#include "zse/engine/ZSE.Schema.h"

enum TBenchAlign : Byte { baNone, baTop, baBottom, baLeft, baRight, baClient };
ZCL_ENUM(TBenchAlign, baNone, baTop, baBottom, baLeft, baRight, baClient);

namespace {

class TBenchStyle : public TPersistent {
  ZCL_CLASS(TBenchStyle, TPersistent)
 public:
  static void DeclareProperties(TClassDeclaration<TBenchStyle>& D) {
    D.Property(u"Color", &TBenchStyle::FColor, &TBenchStyle::FColor).Default(0);
    D.Property(u"Opacity", &TBenchStyle::FOpacity, &TBenchStyle::FOpacity).Default(255);
  }
  Integer FColor = 0;
  Integer FOpacity = 255;
};

class TBenchItem : public TComponent {
  ZCL_CLASS(TBenchItem, TComponent)
 public:
  explicit TBenchItem(TComponent* AOwner) : TComponent(AOwner) {}
  ~TBenchItem() override {
    Free(FMargins);
    Free(FStyle);
  }
  static void DeclareProperties(TClassDeclaration<TBenchItem>& D) {
    D.Property(u"Caption", &TBenchItem::FCaption, &TBenchItem::FCaption);
    D.Property(u"Hint", &TBenchItem::FHint, &TBenchItem::FHint);
    D.Property(u"Left", &TBenchItem::FLeft, &TBenchItem::FLeft).Default(0);
    D.Property(u"Top", &TBenchItem::FTop, &TBenchItem::FTop).Default(0);
    D.Property(u"Width", &TBenchItem::FWidth, &TBenchItem::FWidth).Default(0);
    D.Property(u"Height", &TBenchItem::FHeight, &TBenchItem::FHeight).Default(0);
    D.Property(u"Visible", &TBenchItem::FVisible, &TBenchItem::FVisible).Default(true);
    D.Property(u"Align", &TBenchItem::FAlign, &TBenchItem::FAlign).Default(baNone);
    D.Property(u"Margins", &TBenchItem::FMargins);
    D.Property(u"Style", &TBenchItem::FStyle);
    D.Property(u"Link", &TBenchItem::FLink, &TBenchItem::FLink);
  }
  String FCaption, FHint;
  Integer FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  bool FVisible = true;
  TBenchAlign FAlign = baNone;
  TZCLRect* FMargins = Create<TZCLRect>();
  TBenchStyle* FStyle = Create<TBenchStyle>();
  TComponent* FLink = nullptr;
};

constexpr int ObjectCount = 5000;

const std::string& SkinText() {
  static const std::string text = [] {
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<skin>\n";
    for (int i = 0; i < ObjectCount; ++i) {
      const std::string n = std::to_string(i);
      s += "  <item name=\"item" + n + "\">\n    <properties>\n";
      s += "      <property name=\"Caption\" value=\"Caption of item " + n + "\"/>\n";
      s += "      <property name=\"Hint\" value=\"Press to run action " + n + "\"/>\n";
      s += "      <property name=\"Left\" value=\"" + std::to_string(i % 640) + "\"/>\n";
      s += "      <property name=\"Top\" value=\"" + std::to_string(i % 480) + "\"/>\n";
      s += "      <property name=\"Width\" value=\"" + std::to_string(20 + i % 100) + "\"/>\n";
      s += "      <property name=\"Height\" value=\"" + std::to_string(10 + i % 50) + "\"/>\n";
      s += "      <property name=\"Visible\" value=\"False\"/>\n";
      s += "      <property name=\"Align\" value=\"baClient\"/>\n";
      s += "      <property name=\"Margins\" value=\"1,2,3,4\"/>\n";
      s += "      <property name=\"Style\">\n        <property name=\"Color\" value=\"" + std::to_string(i * 7919) +
           "\"/>\n        <property name=\"Opacity\" value=\"128\"/>\n      </property>\n";
      s += "      <property name=\"Link\" value=\"item" + std::to_string((i + 1) % ObjectCount) + "\"/>\n";
      s += "    </properties>\n  </item>\n";
    }
    return s + "</skin>\n";
  }();
  return text;
}

struct TFreeObject {
  void operator()(TObject* Obj) const { Free(Obj); }
};

// Reads the text, creates one object per element, loads its properties and resolves the
// references by name.
void LoadSchema(TZCLXMLDocument* Document, TComponent* Root) {
  TZSESchema schema;
  TZCLXMLNode* skin = Document->GetNode(0);
  std::vector<TComponent*> byIndex;
  byIndex.reserve(static_cast<size_t>(skin->GetCount()));
  for (Integer i = 0; i < skin->GetCount(); ++i) {
    TZCLXMLNode* node = skin->GetNode(i);
    auto* item = Create<TBenchItem>(Root);
    item->SetName(schema.GetName(node));
    schema.Load(item, node);
    byIndex.push_back(item);
  }
  schema.ResolveReferences([&](const String& Name) -> TComponent* {
    // The skin manager's lookup by name stands here: the benchmark's items are numbered.
    const Integer index = static_cast<Integer>(std::stoi(std::string(Name.begin() + 4, Name.end())));
    return index >= 0 && index < static_cast<Integer>(byIndex.size()) ? byIndex[static_cast<size_t>(index)] : nullptr;
  });
}

void BM_Schema_Load5000(benchmark::State& State) {
  const std::string& text = SkinText();
  for (auto _ : State) {
    // A view on the text, as a resource stream would be.
    std::unique_ptr<TCustomMemoryStream, TFreeObject> stream(
        Create<TCustomMemoryStream>(text.data(), static_cast<NativeInt>(text.size())));
    std::unique_ptr<TZCLXMLDocument, TFreeObject> document(Create<TZCLXMLDocument>());
    document->LoadFromStream(stream.get());
    std::unique_ptr<TComponent, TFreeObject> root(Create<TComponent>(nullptr));
    LoadSchema(document.get(), root.get());
    benchmark::DoNotOptimize(root->GetComponentCount());
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_Schema_Load5000)->Unit(benchmark::kMillisecond);

// The schema's own share: the document is read once, outside the loop.
void BM_Schema_ObjectsOnly5000(benchmark::State& State) {
  const std::string& text = SkinText();
  std::unique_ptr<TCustomMemoryStream, TFreeObject> stream(
      Create<TCustomMemoryStream>(text.data(), static_cast<NativeInt>(text.size())));
  std::unique_ptr<TZCLXMLDocument, TFreeObject> document(Create<TZCLXMLDocument>());
  document->LoadFromStream(stream.get());
  for (auto _ : State) {
    std::unique_ptr<TComponent, TFreeObject> root(Create<TComponent>(nullptr));
    LoadSchema(document.get(), root.get());
    benchmark::DoNotOptimize(root->GetComponentCount());
  }
}
BENCHMARK(BM_Schema_ObjectsOnly5000)->Unit(benchmark::kMillisecond);

// The document tree's share: the text read into the component library's XML tree.
void BM_Schema_DocumentOnly5000(benchmark::State& State) {
  const std::string& text = SkinText();
  for (auto _ : State) {
    std::unique_ptr<TCustomMemoryStream, TFreeObject> stream(
        Create<TCustomMemoryStream>(text.data(), static_cast<NativeInt>(text.size())));
    std::unique_ptr<TZCLXMLDocument, TFreeObject> document(Create<TZCLXMLDocument>());
    document->LoadFromStream(stream.get());
    benchmark::DoNotOptimize(document->GetCount());
  }
}
BENCHMARK(BM_Schema_DocumentOnly5000)->Unit(benchmark::kMillisecond);

// The peer: libxml2 reads the same text into its tree, which is copied into a plain tree of
// elements with their attributes.
struct TPlainNode {
  std::string Name;
  std::vector<std::pair<std::string, std::string>> Attributes;
  std::vector<TPlainNode> Children;
};

void CopyTree(xmlNodePtr Node, TPlainNode& Out) {
  Out.Name = reinterpret_cast<const char*>(Node->name);
  for (xmlAttrPtr a = Node->properties; a; a = a->next) {
    xmlChar* value = xmlNodeGetContent(reinterpret_cast<xmlNodePtr>(a));
    Out.Attributes.emplace_back(reinterpret_cast<const char*>(a->name), reinterpret_cast<const char*>(value));
    xmlFree(value);
  }
  for (xmlNodePtr c = Node->children; c; c = c->next)
    if (c->type == XML_ELEMENT_NODE) CopyTree(c, Out.Children.emplace_back());
}

void BM_Libxml2_PlainTree5000(benchmark::State& State) {
  const std::string& text = SkinText();
  for (auto _ : State) {
    xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "skin.xml", nullptr, XML_PARSE_NOBLANKS);
    TPlainNode root;
    CopyTree(xmlDocGetRootElement(doc), root);
    xmlFreeDoc(doc);
    benchmark::DoNotOptimize(root.Children.size());
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_Libxml2_PlainTree5000)->Unit(benchmark::kMillisecond);

// ---- a skin of bound elements ------------------------------------------------------------------

constexpr int ProviderCount = 100;
constexpr int ServicesPerProvider = 200;
constexpr int PinsPerElement = 4;
const String PinNames[PinsPerElement] = {u"P0", u"P1", u"P2", u"P3"};

class TBenchService : public TZCLUnknownObject, public IZSEBindingServiceDataInteger {
  RTL_INTERFACES(TZCLUnknownObject, IZSEBindingServiceDataInteger)
 public:
  explicit TBenchService(Integer AValue) : FValue(AValue) {}
  Integer GetIntegerValue() override { return FValue; }

 private:
  Integer FValue;
};

class TBenchProvider : public TZCLComponent {
  ZCL_CLASS(TBenchProvider, TZCLComponent)
 public:
  explicit TBenchProvider(TComponent* AOwner) : TZCLComponent(AOwner), FProvider(Create<TZSEBindingProvider>(this)) {
    for (Integer i = 0; i < ServicesPerProvider; ++i)
      FProvider->RegisterService(u"Value" + IntToStr(i), Create<TBenchService>(i));
  }
  ~TBenchProvider() override { FreeAndNil(FProvider); }
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override {
    if (DelegateQuery<IZSEBindingProvider>(FProvider, IID, Obj)) return S_OK;
    return inherited::QueryInterface(IID, Obj);
  }

 private:
  TZSEBindingProvider* FProvider;
};

class TBenchElement : public TZSEComponent {
  ZCL_CLASS(TBenchElement, TZSEComponent)
 public:
  using TZSEComponent::TZSEComponent;
  static void DeclareProperties(TClassDeclaration<TBenchElement>& D) {
    D.Property(u"Caption", &TBenchElement::FCaption, &TBenchElement::FCaption);
    for (Integer i = 0; i < PinsPerElement; ++i)
      D.Property(PinNames[i], i, &TBenchElement::GetValue, &TBenchElement::SetValue);
  }
  Integer GetValue(Integer Index) const { return FValues[Index]; }
  void SetValue(Integer Index, Integer Value) { FValues[Index] = Value; }
  String FCaption;

 protected:
  void RegisterPins() override {
    for (const String& pin : PinNames) PinBindings()->RegisterPinProperty(pin, pin);
  }

 private:
  Integer FValues[PinsPerElement] = {};
};

// Link L of the 20,000 reads service L / 100 % 200 of provider L % 100.
const std::string& BoundSkinText() {
  static const std::string text = [] {
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<skin>\n";
    int link = 0;
    for (int i = 0; i < ObjectCount; ++i) {
      s += "  <item name=\"element" + std::to_string(i) + "\">\n    <properties>\n";
      s += "      <property name=\"Caption\" value=\"Element " + std::to_string(i) + "\"/>\n";
      s += "      <property name=\"Bindings\">\n";
      for (int pin = 0; pin < PinsPerElement; ++pin, ++link)
        s += "        <link Source=\"provider" + std::to_string(link % ProviderCount) + "\" SourcePin=\"Value" +
             std::to_string(link / ProviderCount % ServicesPerProvider) + "\" TargetPin=\"P" + std::to_string(pin) +
             "\"/>\n";
      s += "      </property>\n    </properties>\n  </item>\n";
    }
    return s + "</skin>\n";
  }();
  return text;
}

void LoadBoundSchema(TZCLXMLDocument* Document, TComponent* Root, const std::vector<TBenchProvider*>& Providers) {
  TZSESchema schema;
  TZCLXMLNode* skin = Document->GetNode(0);
  for (Integer i = 0; i < skin->GetCount(); ++i) {
    TZCLXMLNode* node = skin->GetNode(i);
    auto* element = Create<TBenchElement>(Root);
    element->SetName(schema.GetName(node));
    schema.Load(element, node);
  }
  schema.ResolveReferences([&](const String& Name) -> TComponent* {
    // The skin manager's lookup by name stands here: the providers are numbered.
    const Integer index = static_cast<Integer>(std::stoi(std::string(Name.begin() + 8, Name.end())));
    return index >= 0 && index < ProviderCount ? Providers[static_cast<size_t>(index)] : nullptr;
  });
}

void BM_Schema_LoadBindings5000(benchmark::State& State) {
  const std::string& text = BoundSkinText();
  std::unique_ptr<TComponent, TFreeObject> owner(Create<TComponent>(nullptr));
  std::vector<TBenchProvider*> providers;
  for (int i = 0; i < ProviderCount; ++i) {
    providers.push_back(Create<TBenchProvider>(owner.get()));
    providers.back()->SetName(u"provider" + IntToStr(i));
  }
  for (auto _ : State) {
    std::unique_ptr<TCustomMemoryStream, TFreeObject> stream(
        Create<TCustomMemoryStream>(text.data(), static_cast<NativeInt>(text.size())));
    std::unique_ptr<TZCLXMLDocument, TFreeObject> document(Create<TZCLXMLDocument>());
    document->LoadFromStream(stream.get());
    std::unique_ptr<TComponent, TFreeObject> root(Create<TComponent>(nullptr));
    LoadBoundSchema(document.get(), root.get(), providers);
    // The last link reads service 199 of provider 99.
    auto* last = static_cast<TBenchElement*>(root->GetComponent(root->GetComponentCount() - 1));
    if (last->GetValue(PinsPerElement - 1) != ServicesPerProvider - 1) State.SkipWithError("link not resolved");
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_Schema_LoadBindings5000)->Unit(benchmark::kMillisecond);

void BM_Libxml2_PlainTreeBindings5000(benchmark::State& State) {
  const std::string& text = BoundSkinText();
  for (auto _ : State) {
    xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "skin.xml", nullptr, XML_PARSE_NOBLANKS);
    TPlainNode root;
    CopyTree(xmlDocGetRootElement(doc), root);
    xmlFreeDoc(doc);
    benchmark::DoNotOptimize(root.Children.size());
  }
  State.SetBytesProcessed(static_cast<int64_t>(State.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_Libxml2_PlainTreeBindings5000)->Unit(benchmark::kMillisecond);

ZEPHSE_BENCH_RATIO("BM_Schema_LoadBindings5000", "BM_Libxml2_PlainTreeBindings5000", 0);

// Goal: at least half the peer's speed, though the objects are built as well as the tree.
ZEPHSE_BENCH_RATIO("BM_Schema_Load5000", "BM_Libxml2_PlainTree5000", 0.5);

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
  RegisterProperties<TBenchStyle>();
  RegisterProperties<TBenchItem>();
  RegisterProperties<TBenchElement>();
  xmlInitParser();
  const int result = RunBenchmarksWithRatios(argc, argv);
  xmlCleanupParser();
  FinalizeUnits();
  return result;
}
