#include <cstddef>
#include <cstdint>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zse/engine/ZSE.Bindings.Providers.h"
#include "zse/engine/ZSE.Bindings.h"
#include "zse/engine/ZSE.Engine.Units.h"

// The stored form of an element's links: the first root element of the document holds "link"
// elements (any source name, pins, expression and template), read into the bindings of an
// element whose pins and provider cover every kind of read. Every pin is then read, every
// action run and every service reported changed; the links written back read in again to the
// same links. Nothing may raise.
namespace {

class TFuzzService : public TZCLUnknownObject,
                     public IZSEBindingServiceDataText,
                     public IZSEBindingServiceDataInteger,
                     public IZSEBindingServiceActionSlider,
                     public IZSEBindingServiceActionScroll {
  RTL_INTERFACES(TZCLUnknownObject, IZSEBindingServiceDataText, IZSEBindingServiceDataInteger,
                 IZSEBindingServiceActionSlider, IZSEBindingServiceActionScroll)
 public:
  String GetTextValue() override { return u"12"; }
  Integer GetIntegerValue() override { return -7; }
  String GetValueText(Single) override { return u""; }
  bool GetImmediateChanging() override { return true; }
  Single GetPosition() override { return FPosition; }
  bool GetDefaultPosition(Single&) override { return false; }
  Single GetStep() override { return 2.5f; }
  void SetPosition(Single Value) override { FPosition = Value; }
  void GetScrollInfo(Integer& Max, Integer& Min, Integer& Page, Integer& Step, Integer& Position) override {
    Max = 100, Min = 0, Page = 1, Step = 1, Position = 3;
  }
  void SetPosition(Integer& Position) override { Position = Position < 0 ? 0 : (Position > 100 ? 100 : Position); }

 private:
  Single FPosition = 0;
};

class TFuzzProvider : public TZCLComponent {
  ZCL_CLASS(TFuzzProvider, TZCLComponent)
 public:
  explicit TFuzzProvider(TComponent* AOwner) : TZCLComponent(AOwner), FProvider(Create<TZSEBindingProvider>(this)) {
    SetName(u"prvFuzz");
    for (const char16_t* name : {u"Value", u"Action", u"Text", u"!"})
      FProvider->RegisterService(name, Create<TFuzzService>());
  }
  ~TFuzzProvider() override { FreeAndNil(FProvider); }
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override {
    if (DelegateQuery<IZSEBindingProvider>(FProvider, IID, Obj)) return S_OK;
    return inherited::QueryInterface(IID, Obj);
  }
  TZSEBindingProvider* Provider() const { return FProvider; }

 private:
  TZSEBindingProvider* FProvider;
};

class TFuzzElement : public TZSEComponent {
  ZCL_CLASS(TFuzzElement, TZSEComponent)
 public:
  using TZSEComponent::TZSEComponent;

 protected:
  void RegisterPins() override {
    PinBindings()->RegisterPin(u"Value");
    PinBindings()->RegisterPin(u"Action", pfAction);
    PinBindings()->RegisterPinHandler(u"Text", [] {});
  }
};

void Exercise(TZSECustomBindings* Bindings, TFuzzProvider* Provider) {
  for (const char16_t* pin : {u"Value", u"Action", u"Text", u"Accessibility", u"!"}) {
    bool b;
    Integer i;
    String t;
    Bindings->GetDataAsBoolean(pin, b);
    Bindings->GetDataAsInteger(pin, i);
    Bindings->GetDataAsText(pin, t);
    Bindings->GetDataAsText(pin, u"[%v]", t);
    Bindings->ExecuteAction(pin);
    Bindings->IsPinOverridden(pin);
  }
  bool accessible;
  Bindings->GetAccessibility(accessible);
  if (Provider != nullptr) Provider->Provider()->ChangedAll();
  Bindings->FullRefresh();
  (void)Bindings->ToString();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = [] {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    InstallHeadlessBackend(THeadlessConfig::Single(96));
    InitializeUnits(VclUnits());
    InitializeUnits(ZclBaseUnits());
    InitializeUnits(ZclGraphicsUnits());
    InitializeUnits(ZclUiUnits());
    InitializeUnits(ZseEngineUnits());
    return true;
  }();
  (void)initialized;

  TZCLXMLDocument document;
  TBytesStream stream(TBytes(Data, Data + Size));
  try {
    document.LoadFromStream(&stream);
  } catch (const Exception&) {
    // A damaged binary document: whatever was read is used.
  }
  if (document.GetCount() == 0) return 0;
  TZCLXMLNode* node = document.GetNode(0);

  auto* provider = Create<TFuzzProvider>(nullptr);
  auto* element = Create<TFuzzElement>(nullptr);
  TZSECustomBindings* bindings = element->GetBindings();
  bindings->LoadLinksFromXML(node);
  Exercise(bindings, provider);

  TZCLXMLNode saved;
  bindings->SaveLinksToXML(&saved);
  auto* copy = Create<TFuzzElement>(nullptr);
  copy->GetBindings()->LoadLinksFromXML(&saved);
  Integer sourced = 0;
  for (Integer i = 0; i < bindings->GetCount(); ++i)
    if (bindings->GetLink(i)->GetSource() != nullptr) ++sourced;
  // A lone legacy link written back expands when read again.
  const bool loneLegacy = saved.GetCount() == 1 && saved.GetNode(0)->GetAttributes()->GetValue(u"SourcePin") == u"!" &&
                          saved.GetNode(0)->GetAttributes()->GetValue(u"TargetPin") == u"!";
  if (!loneLegacy && copy->GetBindings()->GetCount() != sourced) __builtin_trap();
  for (Integer i = 0; i < copy->GetBindings()->GetCount(); ++i) {
    const TZSEBindingLink* a = copy->GetBindings()->GetLink(i);
    if (a->GetSource() != provider) __builtin_trap();
  }
  Free(copy);
  // The provider goes first: the links must let go of it.
  Free(provider);
  Exercise(bindings, nullptr);
  Free(element);
  return 0;
}
