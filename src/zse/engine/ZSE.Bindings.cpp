#include "zse/engine/ZSE.Bindings.h"

#include <cmath>
#include <memory>
#include <unordered_map>
#include <vector>

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Lists.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Controls.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Menus.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.ObjectLinks.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zse/engine/ZSE.Bindings.Providers.h"
#include "zse/engine/ZSE.Types.h"

namespace {
const String PinAction = u"Action";
const String PinActionOnHold = u"ActionOnHold";
const String PinContextMenu = u"ContextMenu";
const String PinAccessibility = u"Accessibility";
const String PinHandler = u"Handler";
const String LegacyPin = u"!";

TClass GMenuClass = nullptr;

// Link values as text; values without a text form give an empty one.
String VariantToText(const Variant& V) {
  if (V.VarType() == varNull || V.IsEmpty()) return String();
  try {
    return V.AsString();
  } catch (const EVariantError&) {
    return String();
  }
}

Integer RoundToInteger(double Value) {
  if (std::isnan(Value)) return 0;
  const double r = std::nearbyint(Value);  // the default rounding mode: halves to even
  if (r >= 2147483647.0) return INT32_MAX;
  if (r <= -2147483648.0) return INT32_MIN;
  return static_cast<Integer>(r);
}

// Runs Work inside one update of Bindings; the update ends also when Work fails.
template <class F>
void WithinUpdate(TZSECustomBindings* Bindings, F&& Work) {
  Bindings->BeginUpdate();
  try {
    Work();
  } catch (...) {
    Bindings->EndUpdate();
    throw;
  }
  Bindings->EndUpdate();
}
}  // namespace

Integer BindingVariantToInteger(const Variant& V) {
  switch (V.VarType()) {
    case varSingle:
    case varDouble:
    case varCurrency:
      return RoundToInteger(V.AsDouble());
    case varBoolean:
      return V.AsBoolean() ? 1 : 0;
    case varUString:
    case varString:
    case varOleStr: {
      const String text = V.AsString();
      Integer value;
      return TryStrToInt(text, value) ? value : static_cast<Integer>(text.size());
    }
    default:
      try {
        return V.AsInteger();
      } catch (const EVariantError&) {
        return 0;
      }
  }
}

String ApplyTextTemplate(StringView Template, StringView Value) {
  String result;
  result.reserve(Template.size() + Value.size());
  size_t i = 0;
  while (i < Template.size()) {
    if (Template[i] == u'%' && i + 1 < Template.size() && Template[i + 1] == u'v') {
      result += Value;
      i += 2;
    } else {
      result += Template[i++];
    }
  }
  return result;
}

bool IsPlainTextTemplate(StringView Text) {
  if (Text.empty()) return false;
  for (size_t i = 0; i + 1 < Text.size(); ++i) {
    if (Text[i] != u'%') continue;
    const Char c = Text[i + 1];
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) return false;
  }
  return true;
}

// ---- TZSEBindingLink -----------------------------------------------------------------------------

TZSEBindingLink::TZSEBindingLink(TZSECustomBindings* ABindings) : FOwner(ABindings) {}

TZSEBindingLink::~TZSEBindingLink() {
  UnregisterFromSource();
  SetCompiledExpression(nullptr);
}

void TZSEBindingLink::BeforeDestruction() {
  inherited::BeforeDestruction();
  // The list that owned the link reports its removal; the link itself only lets go.
  UnregisterFromSource();
  SetCompiledExpression(nullptr);
}

void TZSEBindingLink::DeclareProperties(TClassDeclaration<TZSEBindingLink>& D) {
  D.Property(u"Expression", &TZSEBindingLink::GetExpression, &TZSEBindingLink::SetExpression);
  D.Property(u"Source", &TZSEBindingLink::GetSource, &TZSEBindingLink::SetSource);
  D.Property(u"SourcePin", &TZSEBindingLink::GetSourcePin, &TZSEBindingLink::SetSourcePin);
  D.Property(u"TargetPin", &TZSEBindingLink::GetTargetPin, &TZSEBindingLink::SetTargetPin);
  D.Property(u"TextFormat", &TZSEBindingLink::GetTextFormat, &TZSEBindingLink::SetTextFormat);
}

void TZSEBindingLink::Assign(TPersistent* Source) {
  auto* link = dynamic_cast<TZSEBindingLink*>(Source);
  if (link == nullptr || link == this) return;
  auto assign = [&] {
    SetExpression(link->FExpression);
    SetSource(link->FSource);
    SetSourcePin(link->FSourcePin);
    SetTargetPin(link->FTargetPin);
    SetTextFormat(link->FTextFormat);
  };
  if (FOwner != nullptr)
    FOwner->EditLinks(assign);
  else
    assign();
}

String TZSEBindingLink::ToString() const {
  if (FSource == nullptr) return String();
  String result;
  if (TComponent* element = FOwner ? FOwner->GetOwnerComponent() : nullptr)
    if (!element->GetName().empty()) result += element->GetName() + u".";
  result += FTargetPin + u" <-> " + FSource->GetName() + u"." + FSourcePin + u"\r\n";
  if (!FExpression.empty()) result += u"      Expression: " + FExpression + u"\r\n";
  if (!FTextFormat.empty()) result += u"      Format Line: " + FTextFormat + u"\r\n";
  return result;
}

void TZSEBindingLink::Changed() {
  if (FOwner != nullptr) FOwner->LinkChanged();
}

void TZSEBindingLink::SetExpression(const String& Value) {
  if (FExpression == Value) return;
  FExpression = Value;
  SetCompiledExpression(Value.empty() ? nullptr : TZSEBindingLinkExpressionFactory::CompileExpression(Value));
  Changed();
}

void TZSEBindingLink::SetCompiledExpression(TZSEBindingLinkExpression* Value) {
  if (FListening) {
    TZSEExpressionGlobalVariables::RemoveListener(this);
    FListening = false;
  }
  TZSEBindingLinkExpression* old = std::exchange(FCompiled, Value);
  if (old != Value) Free(old);
  if (FCompiled != nullptr && FCompiled->UsesGlobalVariables()) {
    TZSEExpressionGlobalVariables::AddListener(this);
    FListening = true;
  }
}

void TZSEBindingLink::SetSourcePin(const String& Value) {
  if (FSourcePin == Value) return;
  FSourcePin = Value;
  TZSEBindingProvider::ReadsChanged();
  if (FSource != nullptr) Changed();
}

void TZSEBindingLink::SetTargetPin(const String& Value) {
  if (FTargetPin == Value) return;
  FTargetPin = Value;
  if (FSource != nullptr) Changed();
}

void TZSEBindingLink::SetTextFormat(const String& Value) {
  if (FTextFormat == Value) return;
  FTextFormat = Value;
  if (FSource != nullptr) Changed();
}

void TZSEBindingLink::UnregisterFromSource() {
  TComponent* source = std::exchange(FSource, nullptr);
  IInterface* sourceInterface = std::exchange(FSourceInterface, nullptr);
  if (source == nullptr) return;
  TZSEBindingProvider::ReadsChanged();
  IPtr<IZSEBindingProvider> provider;
  if (FOwner != nullptr && Supports(sourceInterface, provider)) provider->RemoveClient(FOwner);
  TZCLObjectLinks::UnregisterRemoveListener(this, source);
}

void TZSEBindingLink::RegisterWithSource() {
  TZSEBindingProvider::ReadsChanged();
  TZCLObjectLinks::RegisterRemoveListener(FSource, this);
  IPtr<IZSEBindingProvider> provider;
  if (FOwner != nullptr && Supports(FSourceInterface, provider)) provider->AddClient(FOwner);
}

void TZSEBindingLink::SetSource(TComponent* Value) {
  if (FSource == Value) return;
  UnregisterFromSource();
  if (Value != nullptr) {
    FSource = Value;
    FSourceInterface = detail::InterfaceOf(Value);
    try {
      RegisterWithSource();
    } catch (...) {
      UnregisterFromSource();
      throw;
    }
  }
  Changed();
}

void TZSEBindingLink::OnRemove(TObject* Object) {
  if (Object != nullptr && Object == FSource) SetSource(nullptr);
}

void TZSEBindingLink::GlobalVariableChanged(const String& Name) {
  if (FCompiled != nullptr && FCompiled->UsesGlobalVariable(Name)) Changed();
}

bool TZSEBindingLink::GetService(const String& DefaultName, const TGUID& IID, void** Service) const {
  if (Service != nullptr) *Service = nullptr;
  IPtr<IZSEBindingProvider> provider;
  if (FSource == nullptr || !Supports(FSourceInterface, provider)) return false;
  return provider->GetService(FSourcePin.empty() ? DefaultName : FSourcePin, IID, Service);
}

Variant TZSEBindingLink::Evaluate(const Variant& Value, const Variant* Current) const {
  if (FCompiled == nullptr) return Value;
  return FCompiled->Evaluate(Value, Current != nullptr ? *Current : Variant(0));
}

Variant TZSEBindingLink::EvaluateAction(const Variant& Value, const Variant& Delta) const {
  if (FCompiled != nullptr) return Evaluate(Value, &Delta);
  try {
    return Value + Delta;
  } catch (const EVariantError&) {
    return Value;
  }
}

bool TZSEBindingLink::ReadBoolean(const String& PinName, const Variant* Current, Variant& Result) const {
  bool value;
  IPtr<IZSEBindingServiceDataBoolean> data;
  IPtr<IZSEBindingServiceAccessibility> accessibility;
  if (GetService(PinName, data))
    value = data->GetBooleanValue();
  else if (GetService(PinName, accessibility))
    value = accessibility->GetAccessible();
  else
    return false;
  Result = Evaluate(Variant(value ? 1 : 0), Current);
  return true;
}

bool TZSEBindingLink::ReadInteger(const String& PinName, const Variant* Current, Variant& Result) const {
  IPtr<IZSEBindingServiceDataInteger> data;
  if (!GetService(PinName, data)) return false;
  Result = Evaluate(Variant(data->GetIntegerValue()), Current);
  return true;
}

bool TZSEBindingLink::ReadText(const String& PinName, const String* Format, Variant& Result) const {
  const String& format = Format != nullptr && !Format->empty() ? *Format : FTextFormat;
  IPtr<IZSEBindingServiceDataTextEx> textEx;
  if (GetService(PinName, textEx)) {
    Result = Evaluate(Variant(textEx->GetValue(format)));
    return true;
  }
  IPtr<IZSEBindingServiceDataText> text;
  if (!GetService(PinName, text)) return false;
  const String value = VariantToText(Evaluate(Variant(text->GetTextValue())));
  Result = format.empty() ? Variant(value) : Variant(ApplyTextTemplate(format, value));
  return true;
}

bool TZSEBindingLink::GetDataAsBoolean(const String& PinName, bool& Value) const {
  Variant result;
  if (!ReadBoolean(PinName, nullptr, result) && !ReadInteger(PinName, nullptr, result) &&
      !ReadText(PinName, nullptr, result))
    return false;
  Value = BindingVariantToInteger(result) != 0;
  return true;
}

bool TZSEBindingLink::GetDataAsInteger(const String& PinName, Integer& Value) const {
  Variant result;
  if (!ReadInteger(PinName, nullptr, result) && !ReadBoolean(PinName, nullptr, result) &&
      !ReadText(PinName, nullptr, result))
    return false;
  Value = BindingVariantToInteger(result);
  return true;
}

bool TZSEBindingLink::GetDataAsInteger(const String& PinName, Integer Current, Integer& Value) const {
  const Variant current(Current);
  Variant result;
  if (!ReadInteger(PinName, &current, result) && !ReadBoolean(PinName, &current, result) &&
      !ReadText(PinName, nullptr, result))
    return false;
  Value = BindingVariantToInteger(result);
  return true;
}

bool TZSEBindingLink::GetDataAsText(const String& PinName, const String& Format, String& Value) const {
  Variant result;
  if (ReadText(PinName, &Format, result)) {
    Value = VariantToText(result);
    return true;
  }
  if (!ReadInteger(PinName, nullptr, result) && !ReadBoolean(PinName, nullptr, result)) return false;
  // A number takes only the caller's template: the link's own applies to text services.
  const String text = VariantToText(result);
  Value = Format.empty() ? text : ApplyTextTemplate(Format, text);
  return true;
}

// ---- TZSECustomBindings --------------------------------------------------------------------------

TZSECustomBindings::TZSECustomBindings(TComponent* AOwner) : FOwner(AOwner) {}

TZSECustomBindings::TAliveScope::TAliveScope(TZSECustomBindings* ABindings)
    : FBindings(ABindings), FOuter(ABindings->FScopes) {
  ABindings->FScopes = this;
}

TZSECustomBindings::TAliveScope::~TAliveScope() {
  if (!FDestroyed) FBindings->FScopes = FOuter;
}

void TZSECustomBindings::MarkDestroyed() {
  for (TAliveScope* scope = FScopes; scope != nullptr; scope = scope->FOuter) scope->FDestroyed = true;
  FScopes = nullptr;
}

TZSECustomBindings::~TZSECustomBindings() {
  MarkDestroyed();
  if (FLinks != nullptr) {
    FLinks->OnChanged = nullptr;
    FreeAndNil(FLinks);
  }
}

void TZSECustomBindings::BeforeDestruction() {
  inherited::BeforeDestruction();
  MarkDestroyed();
  // No refresh from now on.
  ++FUpdateCount;
  BeforeRefresh();
  if (FLinks != nullptr) {
    FLinks->OnChanged = nullptr;
    FreeAndNil(FLinks);
  }
}

HRESULT TZSECustomBindings::QueryInterface(const TGUID& IID, void** Obj) {
  if (InterfaceTableQuery<IZSEBindingClient, IZCLUpdateLock, IZSESchemaCustomStoring>(this, IID, Obj)) return S_OK;
  if (inherited::QueryInterface(IID, Obj) == S_OK) return S_OK;
  if (FOwner != nullptr) return FOwner->QueryInterface(IID, Obj);
  return E_NOINTERFACE;
}

Integer TZSECustomBindings::GetCount() const { return FLinks != nullptr ? FLinks->GetCount() : 0; }

TZSEBindingLink* TZSECustomBindings::GetLink(Integer Index) const {
  return static_cast<TZSEBindingLink*>(FLinks->GetItems(Index));
}

void TZSECustomBindings::AppendLink(TZSEBindingLink* Link) {
  if (FLinks == nullptr) {
    FLinks = Create<TZCLObjectList>(true);
    FLinks->OnChanged = {this, &TZSECustomBindings::LinksChanged};
  }
  FLinks->Add(Link);
}

TZSEBindingLink* TZSECustomBindings::NewLink() {
  auto* link = Create<TZSEBindingLink>(this);
  try {
    AppendLink(link);
  } catch (...) {
    if (FLinks == nullptr || FLinks->IndexOf(link) < 0) Free(link);
    throw;
  }
  return link;
}

TZSEBindingLink* TZSECustomBindings::AddLink(TComponent* Source, const String& SourcePin, const String& TargetPin) {
  // One refresh for the whole link.
  TZSEBindingLink* link = nullptr;
  bool expands = false;
  EditLinks([&] {
    link = NewLink();
    link->SetSourcePin(SourcePin);
    link->SetTargetPin(TargetPin);
    link->SetSource(Source);
    // A lone legacy link is replaced by the links it expands into once the edit ends.
    expands = GetCount() == 1 && TZSEBindingLegacyHelper::IsLegacyLink(link) && Supports<IZSEBindingProvider>(Source);
  });
  return expands ? nullptr : link;
}

TZSEBindingLink* TZSECustomBindings::AddLink(const String& ProviderName, const String& SourcePin,
                                             const String& TargetPin) {
  return AddLink(TZSEBindingProviders::Find(ProviderName), SourcePin, TargetPin);
}

bool TZSECustomBindings::RemoveLink(TZSEBindingLink* Link) {
  if (FLinks == nullptr || Link == nullptr) return false;
  const Integer index = FLinks->IndexOf(Link);
  return index >= 0 && DeleteLink(index);
}

bool TZSECustomBindings::DeleteLink(Integer Index) {
  if (Index < 0 || Index >= GetCount()) return false;
  WithinUpdate(this, [&] {
    FLinks->Delete(Index);
    if (FLinks->GetCount() == 0) {
      FLinks->OnChanged = nullptr;
      FreeAndNil(FLinks);
    }
  });
  return true;
}

void TZSECustomBindings::ClearLinks() {
  if (FLinks == nullptr) return;
  WithinUpdate(this, [&] {
    FLinks->Clear();
    FLinks->OnChanged = nullptr;
    FreeAndNil(FLinks);
  });
}

bool TZSECustomBindings::FindLink(const String& PinName, TZSEBindingLink*& Link) const {
  for (Integer i = 0, n = GetCount(); i < n; ++i) {
    TZSEBindingLink* link = GetLink(i);
    // The exact spelling is the common case and spares the case-blind comparison.
    if (link->FTargetPin == PinName || SameText(link->FTargetPin, PinName)) {
      Link = link;
      return true;
    }
  }
  Link = nullptr;
  return false;
}

void TZSECustomBindings::BeginUpdate() { ++FUpdateCount; }

void TZSECustomBindings::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) FullRefresh();
}

void TZSECustomBindings::LinksChanged(TObject*) {
  TZSEBindingProvider::ReadsChanged();
  LinkChanged();
}

void TZSECustomBindings::LinkChanged() {
  WithinUpdate(this, [&] {
    if (FExpandLock == 0) TZSEBindingLegacyHelper::Expand(this);
  });
}

void TZSECustomBindings::EditLinks(const std::function<void()>& Work) {
  WithinUpdate(this, [&] {
    ++FExpandLock;
    try {
      Work();
    } catch (...) {
      --FExpandLock;
      throw;
    }
    --FExpandLock;
    LinkChanged();
  });
}

bool TZSECustomBindings::OwnerDestroying() const {
  return FOwner != nullptr && FOwner->GetComponentState().Contains(csDestroying);
}

void TZSECustomBindings::FullRefresh() {
  if (FRefreshing) return;
  TAliveScope scope(this);
  FRefreshing = true;
  try {
    BeforeRefresh();
    if (!OwnerDestroying()) {
      // Handlers may register pins: visit a snapshot.
      std::vector<String> pins;
      pins.reserve(8);
      EnumPins([&](const String& Name, Integer Flags) {
        if ((Flags & pfEvent) == 0) pins.push_back(Name);
      });
      for (const String& pin : pins) {
        PinChanged(pin);
        if (!scope.Alive()) return;
      }
    }
  } catch (...) {
    if (!scope.Alive()) throw;
    try {
      AfterRefresh();
    } catch (...) {
    }
    FRefreshing = false;
    throw;
  }
  try {
    AfterRefresh();
  } catch (...) {
    if (scope.Alive()) FRefreshing = false;
    throw;
  }
  if (scope.Alive()) FRefreshing = false;
}

void TZSECustomBindings::EnumPins(const TZSEBindingPinProc&) const {}

void TZSECustomBindings::PinChanged(const String&) {}

void TZSECustomBindings::Changed(TComponent* Provider, const String& ServiceName) {
  // Handlers may change the links, or free the bindings: both are checked after every call.
  TAliveScope scope(this);
  for (Integer i = 0; FLinks != nullptr && i < FLinks->GetCount(); ++i) {
    auto* link = static_cast<TZSEBindingLink*>(FLinks->GetList()[i]);
    if (link->FSource == Provider && !link->FSourcePin.empty() &&
        (link->FSourcePin == ServiceName || SameText(link->FSourcePin, ServiceName))) {
      const String pin = link->FTargetPin;
      PinChanged(pin);
      if (!scope.Alive()) return;
    }
  }
}

void TZSECustomBindings::EnumReadServices(TComponent* Provider,
                                          const std::function<void(const String&)>& Proc) const {
  for (Integer i = 0, n = GetCount(); i < n; ++i) {
    const TZSEBindingLink* link = GetLink(i);
    if (link->FSource == Provider && !link->FSourcePin.empty()) Proc(link->FSourcePin);
  }
}

bool TZSECustomBindings::GetDataAsBoolean(const String& PinName, bool& Value) const {
  TZSEBindingLink* link;
  return FindLink(PinName, link) && link->GetDataAsBoolean(PinName, Value);
}

bool TZSECustomBindings::GetDataAsBooleanDef(const String& PinName, bool Default) const {
  bool value;
  return GetDataAsBoolean(PinName, value) ? value : Default;
}

bool TZSECustomBindings::GetDataAsInteger(const String& PinName, Integer& Value) const {
  TZSEBindingLink* link;
  return FindLink(PinName, link) && link->GetDataAsInteger(PinName, Value);
}

Integer TZSECustomBindings::GetDataAsIntegerDef(const String& PinName, Integer Default) const {
  Integer value;
  return GetDataAsInteger(PinName, value) ? value : Default;
}

bool TZSECustomBindings::GetDataAsText(const String& PinName, String& Value) const {
  return GetDataAsText(PinName, String(), Value);
}

bool TZSECustomBindings::GetDataAsText(const String& PinName, const String& Format, String& Value) const {
  TZSEBindingLink* link;
  return FindLink(PinName, link) && link->GetDataAsText(PinName, Format, Value);
}

String TZSECustomBindings::GetDataAsText(const String& PinName, const String& Format) const {
  String value;
  return GetDataAsText(PinName, Format, value) ? value : String();
}

bool TZSECustomBindings::GetService(const String& PinName, const TGUID& IID, void** Service,
                                    TZSEBindingLink** Link) const {
  TZSEBindingLink* link;
  const bool found = FindLink(PinName, link);
  if (Link != nullptr) *Link = link;
  if (!found) {
    if (Service != nullptr) *Service = nullptr;
    return false;
  }
  return link->GetService(PinName, IID, Service);
}

bool TZSECustomBindings::GetActionService(const String& PinName, TZSEBindingLink*& Link, IPtr<IInterface>& Service) {
  Service = nullptr;
  if (!FindLink(PinName, Link)) return false;
  IPtr<IZSEBindingServiceAction> action;
  IPtr<IZSEBindingServiceActionScroll> scroll;
  IPtr<IZSEBindingServiceActionSlider> slider;
  if (Link->GetService(PinName, action))
    Service = action;
  else if (Link->GetService(PinName, scroll))
    Service = scroll;
  else if (Link->GetService(PinName, slider))
    Service = slider;
  return Service != nullptr;
}

IPtr<IInterface> TZSECustomBindings::GetActionService(const String& PinName) {
  TZSEBindingLink* link;
  IPtr<IInterface> service;
  GetActionService(PinName, link, service);
  return service;
}

bool TZSECustomBindings::HasActionService(const String& PinName) { return GetActionService(PinName) != nullptr; }

bool TZSECustomBindings::HasAction() { return HasActionService(PinAction) || HasActionService(PinActionOnHold); }

bool TZSECustomBindings::GetAccessibility(bool& Value) {
  TZSEBindingLink* link;
  if (FindLink(PinAccessibility, link) && link->GetDataAsBoolean(PinAccessibility, Value)) return true;
  IPtr<IZSEBindingServiceAccessibility> accessibility;
  if (Supports(GetActionService(PinAction), accessibility)) {
    Value = accessibility->GetAccessible();
    return true;
  }
  return false;
}

bool TZSECustomBindings::GetMenuService(IPtr<IZSEBindingServiceMenu>& Menu) {
  return GetService(PinContextMenu, Menu) || GetService(PinAction, Menu);
}

bool TZSECustomBindings::ExecuteAction(const String& PinName) {
  TZSEBindingLink* link;
  IPtr<IInterface> service;
  if (!GetActionService(PinName, link, service)) return false;
  IPtr<IZSEBindingServiceAction> action;
  IPtr<IZSEBindingServiceActionSlider> slider;
  IPtr<IZSEBindingServiceActionScroll> scroll;
  if (Supports(service, action)) {
    action->Execute();
  } else if (Supports(service, slider)) {
    const Variant result =
        link->EvaluateAction(Variant(double(slider->GetPosition())), Variant(double(slider->GetStep())));
    try {
      slider->SetPosition(static_cast<Single>(result.AsDouble()));
    } catch (const EVariantError&) {
      // An expression that gives no number leaves the slider where it is.
    }
  } else if (Supports(service, scroll)) {
    Integer max = 0, min = 0, page = 0, step = 0, position = 0;
    scroll->GetScrollInfo(max, min, page, step, position);
    const Variant result = link->EvaluateAction(Variant(position), Variant(step));
    try {
      Integer value = RoundToInteger(result.AsDouble());
      scroll->SetPosition(value);
    } catch (const EVariantError&) {
    }
  }
  return true;
}

bool TZSECustomBindings::IsPinOverridden(const String& PinName) const {
  TZSEBindingLink* link;
  if (!FindLink(PinName, link)) return false;
  return UpperCase(link->FExpression).find(u"CURRENTVALUE") == String::npos;
}

void TZSECustomBindings::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TZSECustomBindings*>(Source);
  if (source == nullptr || source == this) return;
  WithinUpdate(this, [&] {
    ClearLinks();
    for (Integer i = 0; i < source->GetCount(); ++i) NewLink()->Assign(source->GetLink(i));
  });
}

String TZSECustomBindings::ToString() const {
  String result;
  for (Integer i = 0; i < GetCount(); ++i) result += GetLink(i)->ToString() + u"\r\n";
  return result;
}

void TZSECustomBindings::SaveLinksToXML(TZCLXMLNode* Node) const {
  if (Node == nullptr) return;
  Node->Clear();
  for (Integer i = 0; i < GetCount(); ++i) {
    const TZSEBindingLink* link = GetLink(i);
    if (link->FSource == nullptr) continue;
    TZCLXMLNode* element = Node->Add(u"link");
    TZCLXMLAttributes* attributes = element->GetAttributes();
    attributes->AddString(u"Source", link->FSource->GetName());
    if (!link->FSourcePin.empty()) attributes->AddString(u"SourcePin", link->FSourcePin);
    if (!link->FTargetPin.empty()) attributes->AddString(u"TargetPin", link->FTargetPin);
    if (!link->FExpression.empty()) attributes->AddString(u"Expression", link->FExpression);
    if (!link->FTextFormat.empty()) attributes->AddString(u"TextFormat", link->FTextFormat);
  }
}

void TZSECustomBindings::LoadLinksFromXML(TZCLXMLNode* Node, const TZSEBindingSourceResolver& Resolve) {
  if (Node == nullptr) return;
  EditLinks([&] {
    ClearLinks();
    for (Integer i = 0; i < Node->GetCount(); ++i) {
      TZCLXMLNode* element = Node->GetNode(i);
      TZSEBindingLink* link = NewLink();
      const TZCLXMLAttributes* attributes = element->GetAttributes();
      String source;
      // Without a source the link stays empty and is not written back.
      if (!attributes->TryGetValue(u"Source", source)) continue;
      if (Resolve)
        Resolve(link, source);
      else
        link->SetSource(TZSEBindingProviders::Find(source));
      link->SetExpression(attributes->GetValue(u"Expression"));
      link->SetSourcePin(attributes->GetValue(u"SourcePin"));
      link->SetTargetPin(attributes->GetValue(u"TargetPin"));
      link->SetTextFormat(attributes->GetValue(u"TextFormat"));
      TZSEBindingLegacyHelper::PrepareLink(link);
    }
  });
}

void TZSECustomBindings::Load(TZCLXMLNode* Node, TZSESchema* Schema) {
  if (Schema == nullptr) {
    LoadLinksFromXML(Node);
    return;
  }
  // The schema sets each Source once every object of the skin exists.
  LoadLinksFromXML(Node, [Schema](TZSEBindingLink* Link, const String& SourceName) {
    Schema->AddReference(Link, u"Source", SourceName);
  });
}

void TZSECustomBindings::Save(TZCLXMLNode* Node, TZSESchema* Schema) {
  SaveLinksToXML(Node);
  if (Schema == nullptr || !Schema->GetStoreAll()) return;
  for (Integer i = 0; i < GetCount(); ++i) {
    TZSEBindingLink* link = GetLink(i);
    if (link->GetSource() != nullptr) Schema->AddReference(link, u"Source", link->GetSource()->GetName());
  }
}

// ---- TZSEBindings --------------------------------------------------------------------------------

// Shared records: a notification keeps the record it runs even when a handler replaces or
// unregisters the pin, without copying its handlers.
class TZSEBindings::TPins : public std::unordered_map<String, std::shared_ptr<const TZSEBindings::TPinInfo>> {};

TZSEBindings::~TZSEBindings() { delete FPins; }

void TZSEBindings::StorePin(const String& Name, TPinInfo&& Info) {
  if (FPins == nullptr) FPins = new TPins;
  (*FPins)[Name] = std::make_shared<const TPinInfo>(std::move(Info));
}

void TZSEBindings::RegisterPin(const String& Name, Integer Flags) {
  TPinInfo info;
  info.Flags = Flags;
  StorePin(Name, std::move(info));
}

void TZSEBindings::RegisterPinHandler(const String& Name, const TZSEBindingPinHandler& Handler, Integer Flags) {
  TPinInfo info;
  info.Flags = Flags;
  info.OnChanged = Handler;
  StorePin(Name, std::move(info));
}

void TZSEBindings::RegisterPinSourceHandler(const String& Name, const TZSEBindingPinSourceHandler& Handler,
                                            Integer Flags) {
  TPinInfo info;
  info.Flags = Flags;
  info.OnSourceChanged = Handler;
  StorePin(Name, std::move(info));
}

void TZSEBindings::RegisterPinProperty(const String& Name, const String& PropertyName, Integer Flags) {
  TComponent* owner = GetOwnerComponent();
  const TPropInfo* prop = owner != nullptr ? GetPropInfo(owner, PropertyName) : nullptr;
  if (prop == nullptr) throw ENotSupportedException(Format(u"The %s was not found in Owner class", {PropertyName}));
  TPinInfo info;
  info.Flags = Flags;
  info.PropInfo = prop;
  const TTypeKind kind = prop->PropType->Kind;
  if (prop->PropType == TypeInfo<bool>()) {
    info.OnSetProperty = [this, Name](const TPropInfo* Prop, TZSEBindingLink* Link) {
      bool value;
      if (Link->GetDataAsBoolean(Name, value)) SetOrdProp(GetOwnerComponent(), Prop, value ? 1 : 0);
    };
  } else if (kind != tkInteger && kind != tkInt64 && kind != tkFloat) {
    throw ENotSupportedException(Format(u"Handler for the %s was not registered", {PropertyName}));
  } else if (kind != tkFloat && (Flags & pfCurrentValue) != 0) {
    info.OnSetProperty = [this, Name](const TPropInfo* Prop, TZSEBindingLink* Link) {
      TComponent* component = GetOwnerComponent();
      const Integer current = IsRefreshing() ? 0 : static_cast<Integer>(GetOrdProp(component, Prop));
      Integer value;
      if (Link->GetDataAsInteger(Name, current, value)) SetOrdProp(component, Prop, value);
    };
  } else {
    info.OnSetProperty = [this, Name, kind](const TPropInfo* Prop, TZSEBindingLink* Link) {
      Integer value;
      if (!Link->GetDataAsInteger(Name, value)) return;
      if (kind == tkFloat)
        SetFloatProp(GetOwnerComponent(), Prop, value);
      else
        SetOrdProp(GetOwnerComponent(), Prop, value);
    };
  }
  StorePin(Name, std::move(info));
}

void TZSEBindings::UnregisterPin(const String& Name) {
  if (FPins != nullptr) FPins->erase(Name);
}

bool TZSEBindings::FindPin(const String& Name, TPinInfo& Info) const {
  if (FPins == nullptr) return false;
  const auto it = FPins->find(Name);
  if (it == FPins->end()) return false;
  Info = *it->second;
  return true;
}

void TZSEBindings::EnumPins(const TZSEBindingPinProc& Proc) const {
  if (FPins == nullptr) return;
  for (const auto& [name, info] : *FPins) Proc(name, info->Flags);
}

void TZSEBindings::PinChanged(const String& PinName) {
  if (FPins == nullptr) return;
  const auto it = FPins->find(PinName);
  if (it == FPins->end()) return;
  // Held: a handler may register or unregister pins.
  const std::shared_ptr<const TPinInfo> held = it->second;
  const TPinInfo& info = *held;
  TAliveScope scope(this);
  TZSEBindingLink* link;
  if (FindLink(PinName, link)) {
    if (info.OnSetProperty) info.OnSetProperty(info.PropInfo, link);
    if (!scope.Alive()) return;
    // The property's setter may have changed the links.
    if (info.OnSourceChanged && FindLink(PinName, link)) info.OnSourceChanged(link->GetSource());
    if (!scope.Alive()) return;
  }
  if (info.OnChanged) info.OnChanged();
}

// ---- legacy links --------------------------------------------------------------------------------

void TZSEBindingLegacyHelper::PrepareLink(TZSEBindingLink* Link) {
  if (Link == nullptr || !Link->GetSourcePin().empty() || !Link->GetTargetPin().empty()) return;
  Link->SetSourcePin(LegacyPin);
  Link->SetTargetPin(LegacyPin);
}

bool TZSEBindingLegacyHelper::IsLegacyLink(const TZSEBindingLink* Link) {
  return Link != nullptr && Link->GetSource() != nullptr && Link->GetSourcePin() == LegacyPin &&
         Link->GetTargetPin() == LegacyPin;
}

void TZSEBindingLegacyHelper::Expand(TZSECustomBindings* Bindings) {
  if (Bindings == nullptr || Bindings->GetCount() != 1) return;
  TZSEBindingLink* link = Bindings->GetLink(0);
  if (!IsLegacyLink(link)) return;
  TComponent* source = link->GetSource();
  IPtr<IZSEBindingProvider> provider;
  if (!Supports(source, provider)) return;
  TZCLStringList services;
  provider->EnumServices(&services);
  TZCLStringList pins;
  pins.SetIgnoreCase(true);
  Bindings->EnumPins([&](const String& Name, Integer) { pins.Add(Name); });
  WithinUpdate(Bindings, [&] {
    Bindings->ClearLinks();
    for (Integer i = 0; i < services.GetCount(); ++i) {
      const String name = services.GetStrings(i);
      // A pin named like the legacy mark would make a legacy link again.
      if (name != LegacyPin && pins.IndexOf(name) >= 0) Bindings->AddLink(source, name, name);
    }
  });
}

// ---- bindable components -------------------------------------------------------------------------

TZSEBindingClient::TZSEBindingClient(TComponent* AOwner)
    : TZCLComponent(AOwner), FAnnotations(Create<TZSEAnnotations>()) {}

TZSEBindingClient::~TZSEBindingClient() {
  FreeAndNil(FAnnotations);
  FreeAndNil(FBindings);
}

HRESULT TZSEBindingClient::QueryInterface(const TGUID& IID, void** Obj) {
  if (DelegateQuery<IZSEAnnotations>(FAnnotations, IID, Obj)) return S_OK;
  return inherited::QueryInterface(IID, Obj);
}

void TZSEBindingClient::AfterConstruction() {
  FBindings = CreateBindings();
  inherited::AfterConstruction();
  RegisterPins();
}

void TZSEBindingClient::BeforeDestruction() {
  inherited::BeforeDestruction();
  FreeAndNil(FAnnotations);
  FreeAndNil(FBindings);
}

void TZSEBindingClient::DeclareProperties(TClassDeclaration<TZSEBindingClient>& D) {
  D.Property(u"Bindings", &TZSEBindingClient::GetBindings);
}

TZSECustomBindings* TZSEBindingClient::CreateBindings() { return Create<TZSEBindings>(this); }

TZSEBindings* TZSEBindingClient::PinBindings() const { return dynamic_cast<TZSEBindings*>(FBindings); }

void TZSEComponent::SetName(const TComponentName& NewName) {
  inherited::SetName(NewName);
  TZSEDesigner::NameChanged(this);
}

void TZSEEventHandler::RegisterPins() {
  inherited::RegisterPins();
  if (TZSEBindings* bindings = PinBindings())
    bindings->RegisterPinSourceHandler(
        PinHandler, [this](TComponent* Source) { ExecuteHandler(this, Source); }, pfEvent);
}

void TZSEMouseEventArguments::DeclareProperties(TClassDeclaration<TZSEMouseEventArguments>& D) {
  D.Property(u"Button", &TZSEMouseEventArguments::FButton, &TZSEMouseEventArguments::FButton);
  D.Property(u"X", &TZSEMouseEventArguments::FX, &TZSEMouseEventArguments::FX);
  D.Property(u"Y", &TZSEMouseEventArguments::FY, &TZSEMouseEventArguments::FY);
}

void ExecuteHandler(TZSEEventHandler* Handler, TObject* Sender) {
  if (Handler != nullptr) Handler->Execute(Sender, nullptr);
}

void ExecuteHandlerWithMouse(TZSEEventHandler* Handler, TObject* Sender, Integer Button, const TPoint& P) {
  if (Handler == nullptr) return;
  auto* arguments = Create<TZSEMouseEventArguments>(Button, P);
  try {
    Handler->Execute(Sender, arguments);
  } catch (...) {
    Free(arguments);
    throw;
  }
  Free(arguments);
}

bool TryGetBindings(TObject* Object, TZSEBindings*& Bindings) {
  Bindings = nullptr;
  if (Object == nullptr) return false;
  const TPropInfo* prop = GetPropInfo(Object, u"Bindings");
  if (prop == nullptr || prop->PropType->Kind != tkClass) return false;
  Bindings = dynamic_cast<TZSEBindings*>(GetObjectProp(Object, prop));
  return Bindings != nullptr;
}

// ---- popup menus ---------------------------------------------------------------------------------

TClass TZSEPopupMenus::GetMenuClass() { return GMenuClass ? GMenuClass : TPopupMenu::StaticClass(); }

void TZSEPopupMenus::SetMenuClass(TClass Value) {
  if (Value != nullptr && !Value->InheritsFrom(TPopupMenu::StaticClass()))
    throw EInvalidCast(u"Invalid class typecast");
  GMenuClass = Value;
}

TPopupMenu* TZSEPopupMenus::CreateMenu() {
  return static_cast<TPopupMenu*>(GetMenuClass()->Create<TComponent>(static_cast<TComponent*>(nullptr)));
}

void ShowPopupMenu(TPopupMenu* Menu, bool AtPoint, const TPoint& P, const TRect& R, TComponent* PopupComponent,
                   TComponent* Element) {
  if (Menu == nullptr) return;
  IPtr<IZSEPopupMenu> menu = QueryIntf<IZSEPopupMenu>(Menu);
  const bool autoScale = menu ? menu->GetAutoScale() : false;
  try {
    TComponent* object = Element;
    while (object != nullptr && dynamic_cast<TControl*>(object) == nullptr) object = object->GetParentComponent();
    TCustomForm* form = object != nullptr ? GetParentForm(static_cast<TControl*>(object), true) : nullptr;
    IPtr<IZCLCurrentDpi> dpi;
    if (menu && form != nullptr && Supports(form, dpi)) {
      menu->SetAutoScale(false);
      menu->SetCurrentDpi(dpi->GetCurrentDpi());
    }
    Menu->SetPopupComponent(PopupComponent);
    const TRect target = AtPoint ? TRect(P, P) : R;
    if (menu)
      menu->PopupAt(target);
    else
      Menu->Popup(target.Left, AtPoint ? target.Top : target.Bottom);
  } catch (...) {
    if (menu) menu->SetAutoScale(autoScale);
    throw;
  }
  if (menu) menu->SetAutoScale(autoScale);
}

// ---- unit ----------------------------------------------------------------------------------------

void BindingsInitialization() {
  RegisterProperties<TZSEBindingLink>();
  RegisterProperties<TZSEBindingClient>();
  RegisterProperties<TZSEMouseEventArguments>();
}

void BindingsFinalization() {
  GMenuClass = nullptr;
  TZSEBindingProviders::Finalize();
}
