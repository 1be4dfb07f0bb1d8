#pragma once
// Small providers, services and a bindable element for the binding tests and benchmarks.

#include <vector>

#include "rtl/RTL.TypInfo.h"
#include "zse/engine/ZSE.Bindings.Providers.h"
#include "zse/engine/ZSE.Bindings.h"

// A component that offers services through its provider.
class TTestProvider : public TZCLComponent {
  ZCL_CLASS(TTestProvider, TZCLComponent)
 public:
  explicit TTestProvider(TComponent* AOwner = nullptr, const String& AName = u"") : TZCLComponent(AOwner) {
    FProvider = Create<TZSEBindingProvider>(this);
    if (!AName.empty()) SetName(AName);
  }
  ~TTestProvider() override { FreeAndNil(FProvider); }
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override {
    if (DelegateQuery<IZSEBindingProvider>(FProvider, IID, Obj)) return S_OK;
    return inherited::QueryInterface(IID, Obj);
  }
  TZSEBindingProvider* Provider() const { return FProvider; }

 private:
  TZSEBindingProvider* FProvider;
};

class TTextService : public TZCLUnknownObject, public IZSEBindingServiceDataText {
  RTL_INTERFACES(TZCLUnknownObject, IZSEBindingServiceDataText)
 public:
  explicit TTextService(const String& AValue) : Value(AValue) {}
  String GetTextValue() override { return Value; }
  String Value;
};

class TIntegerService : public TZCLUnknownObject, public IZSEBindingServiceDataInteger {
  RTL_INTERFACES(TZCLUnknownObject, IZSEBindingServiceDataInteger)
 public:
  explicit TIntegerService(Integer AValue) : Value(AValue) {}
  Integer GetIntegerValue() override { return Value; }
  Integer Value;
};

// Answers text and integer at once.
class TTextIntegerService : public TZCLUnknownObject,
                            public IZSEBindingServiceDataText,
                            public IZSEBindingServiceDataInteger {
  RTL_INTERFACES(TZCLUnknownObject, IZSEBindingServiceDataText, IZSEBindingServiceDataInteger)
 public:
  String GetTextValue() override { return u"seven"; }
  Integer GetIntegerValue() override { return 7; }
};

class TSliderService : public TZCLUnknownObject, public IZSEBindingServiceActionSlider {
  RTL_INTERFACES(TZCLUnknownObject, IZSEBindingServiceActionSlider)
 public:
  String GetValueText(Single) override { return u""; }
  bool GetImmediateChanging() override { return true; }
  Single GetPosition() override { return Position; }
  bool GetDefaultPosition(Single&) override { return false; }
  Single GetStep() override { return 5; }
  void SetPosition(Single Value) override { Position = Value; }
  Single Position = 50;
};

class TScrollService : public TZCLUnknownObject, public IZSEBindingServiceActionScroll {
  RTL_INTERFACES(TZCLUnknownObject, IZSEBindingServiceActionScroll)
 public:
  void GetScrollInfo(Integer& Max, Integer& Min, Integer& Page, Integer& Step, Integer& Pos) override {
    Max = 10, Min = 0, Page = 1, Step = 2, Pos = Position;
  }
  void SetPosition(Integer& Value) override {
    Value = Value < 0 ? 0 : (Value > 10 ? 10 : Value);
    Position = Value;
  }
  Integer Position = 4;
};

// An action that is also a slider and an accessibility source.
class TActionService : public TZCLUnknownObject,
                       public IZSEBindingServiceAction,
                       public IZSEBindingServiceAccessibility,
                       public IZSEBindingServiceActionSlider {
  RTL_INTERFACES(TZCLUnknownObject, IZSEBindingServiceAction, IZSEBindingServiceAccessibility,
                 IZSEBindingServiceActionSlider)
 public:
  void Execute() override { ++Executed; }
  bool GetAccessible() override { return Accessible; }
  String GetValueText(Single) override { return u""; }
  bool GetImmediateChanging() override { return false; }
  Single GetPosition() override { return 0; }
  bool GetDefaultPosition(Single&) override { return false; }
  Single GetStep() override { return 1; }
  void SetPosition(Single) override { ++Moved; }
  Integer Executed = 0;
  Integer Moved = 0;
  bool Accessible = true;
};

// A bindable element with a handler pin, property pins and an action pin.
class TTestElement : public TZSEComponent {
  ZCL_CLASS(TTestElement, TZSEComponent)
 public:
  using TZSEComponent::TZSEComponent;
  static void DeclareProperties(TClassDeclaration<TTestElement>& D) {
    D.Property(u"Position", &TTestElement::FPosition, &TTestElement::FPosition);
    D.Property(u"Checked", &TTestElement::FChecked, &TTestElement::FChecked);
    D.Property(u"Level", &TTestElement::FLevel, &TTestElement::FLevel);
    D.Property(u"Caption", &TTestElement::FCaption, &TTestElement::FCaption);
  }
  TZSEBindings* Pins() const { return PinBindings(); }

  Integer FPosition = -1;
  bool FChecked = false;
  double FLevel = 0;
  String FCaption;
  Integer DisplayChanges = 0;

 protected:
  void RegisterPins() override {
    inherited::RegisterPins();
    Pins()->RegisterPinHandler(u"DisplayValue", [this] { ++DisplayChanges; });
    Pins()->RegisterPinProperty(u"Position", u"Position");
    Pins()->RegisterPinProperty(u"Checked", u"Checked");
    Pins()->RegisterPinProperty(u"Level", u"Level");
    Pins()->RegisterPin(u"Action", pfAction);
  }
};

inline void RegisterBindingTestClasses() { RegisterProperties<TTestElement>(); }
