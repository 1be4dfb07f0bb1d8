#include "zse/engine/ZSE.Bindings.Providers.h"

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Lists.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Menus.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.MUI.h"
#include "zse/engine/ZSE.Bindings.h"

namespace {
TZCLComponentList* GProviders = nullptr;

}  // namespace

// ---- TZSEBindingProvider ---------------------------------------------------------------------

TZSEBindingProvider::TZSEBindingProvider(TComponent* AOwner) : FOwner(AOwner), FServices(Create<TZCLSortedStrings>()) {
  FServices->SetIgnoreCase(true);
  if (FOwner != nullptr) TZSEBindingProviders::List()->Add(FOwner);
}

TZSEBindingProvider::~TZSEBindingProvider() {
  ClearServices();
  if (FOwner != nullptr && GProviders != nullptr) GProviders->Remove(FOwner);
  FreeAndNil(FClients);
  FreeAndNil(FServices);
}

bool TZSEBindingProvider::RegisterService(const String& Name, TObject* Service) {
  Integer index;
  if (FServices->Find(Name, index)) {
    if (Service != FOwner) Free(Service);
    return false;
  }
  FServices->Add(Name, Service);
  return true;
}

void TZSEBindingProvider::ClearServices() {
  for (Integer i = FServices->GetCount() - 1; i >= 0; --i) {
    TObject* service = FServices->GetObjects(i);
    FServices->SetObjects(i, nullptr);
    if (service != FOwner) Free(service);
  }
  FServices->Clear();
}

String TZSEBindingProvider::GetServiceName(const TObject* Service) const {
  const Integer index = FServices->IndexOfObject(Service);
  return index >= 0 ? FServices->GetStrings(index) : String();
}

Integer TZSEBindingProvider::GetServiceCount() const { return FServices->GetCount(); }

void TZSEBindingProvider::EnumClients(const TZSEBindingClientProc& Proc) {
  if (FClients == nullptr) return;
  ++FWalking;
  try {
    FClients->Enum<IInterface>([&](const IPtr<IInterface>& Client) { Proc(Client); });
  } catch (...) {
    --FWalking;
    FreeClientsIfEmpty();
    throw;
  }
  --FWalking;
  FreeClientsIfEmpty();
}

void TZSEBindingProvider::Changed(const String& ServiceName) {
  if (FClients == nullptr) return;
  // The owner is what clients know the provider by.
  EnumClients<IZSEBindingClient>([&](const IPtr<IZSEBindingClient>& Client) { Client->Changed(FOwner, ServiceName); });
}

void TZSEBindingProvider::ChangedAll() {
  // A snapshot: a client may register services while it is told.
  const std::vector<String> names = FServices->ToArray();
  for (const String& name : names) Changed(name);
}

bool TZSEBindingProvider::HasClients() const { return FClients != nullptr && FClients->Count() > 0; }

void TZSEBindingProvider::EnumServices(TZCLStringList* List) {
  if (List == nullptr) return;
  for (Integer i = 0; i < FServices->GetCount(); ++i) List->Add(FServices->GetStrings(i));
}

bool TZSEBindingProvider::GetService(const String& Name, const TGUID& IID, void** Service) {
  if (Service != nullptr) *Service = nullptr;
  Integer index;
  if (!FServices->Find(Name, index)) return false;
  TObject* service = FServices->GetObjects(index);
  if (Service == nullptr) return Supports(service, IID);
  return Supports(service, IID, Service);
}

void TZSEBindingProvider::AddClient(IZSEBindingClient* Client) {
  if (FClients == nullptr) FClients = Create<TZCLListenerList>();
  FClients->Add(IPtr<IInterface>(Client));
  ClientsChanged();
}

void TZSEBindingProvider::RemoveClient(IZSEBindingClient* Client) {
  if (FClients == nullptr) return;
  FClients->Remove(IPtr<IInterface>(Client));
  FreeClientsIfEmpty();
  ClientsChanged();
}

void TZSEBindingProvider::FreeClientsIfEmpty() {
  // A running walk keeps the list; the walk's end frees it.
  if (FClients != nullptr && FWalking == 0 && FClients->Count() == 0) FreeAndNil(FClients);
}

// ---- TZSEBindingProviders ------------------------------------------------------------------------

TZCLComponentList* TZSEBindingProviders::List() {
  if (GProviders == nullptr) GProviders = Create<TZCLComponentList>(false);
  return GProviders;
}

TComponent* TZSEBindingProviders::Find(StringView Name) {
  if (GProviders == nullptr || Name.empty()) return nullptr;
  for (Integer i = 0; i < GProviders->GetCount(); ++i) {
    TComponent* component = GProviders->GetItems(i);
    if (SameText(component->GetName(), Name)) return component;
  }
  return nullptr;
}

void TZSEBindingProviders::Finalize() { FreeAndNil(GProviders); }

// ---- property-based services ---------------------------------------------------------------------

TZSEBindingProviderCustomPropertyBasedService::TZSEBindingProviderCustomPropertyBasedService(TComponent* AOwner,
                                                                                             const String& PropertyName)
    : FOwner(AOwner), FProp(AOwner ? GetPropInfo(AOwner, PropertyName) : nullptr) {
  if (FProp == nullptr)
    throw EArgumentException(
        Format(u"Cannot register service because of the \"%s\" property was not found", {PropertyName}));
}

Int64 TZSEBindingProviderCustomPropertyBasedService::GetOrdinal() const { return GetOrdProp(FOwner, FProp); }

// ---- TZSEBindingProviderCustomTabControlService --------------------------------------------------

TZSEBindingProviderCustomTabControlService::~TZSEBindingProviderCustomTabControlService() { FreeAndNil(FMenu); }

bool TZSEBindingProviderCustomTabControlService::Show(Integer Kind, const TPoint& Point, const TRect& R,
                                                      TComponent* Element) {
  if (Kind != KindAction) return false;
  if (FMenu == nullptr) FMenu = TZSEPopupMenus::CreateMenu();
  FMenu->GetItems()->Clear();
  if (IPtr<IZSEPopupMenu> menu = QueryIntf<IZSEPopupMenu>(FMenu)) menu->SetHint(GetMenuCaption());
  TObject* active = GetActiveItem();
  EnumItems([&](TObject* Item) {
    auto* item = Create<TMenuItem>(FMenu);
    item->SetCaption(GetItemCaption(Item));
    item->SetTag(reinterpret_cast<NativeInt>(Item));
    item->OnClick = {this, &TZSEBindingProviderCustomTabControlService::MenuItemClick};
    item->SetChecked(Item == active);
    FMenu->GetItems()->Add(item);
  });
  ShowPopupMenu(FMenu, false, Point, R, nullptr, Element);
  return true;
}

void TZSEBindingProviderCustomTabControlService::MenuItemClick(TObject* Sender) {
  if (auto* item = dynamic_cast<TMenuItem*>(Sender)) SetActiveItem(reinterpret_cast<TObject*>(item->GetTag()));
}

// ---- texts ---------------------------------------------------------------------------------------

String LocalizeSkinText(const String& Text) {
  String result = LangExpandLinks(Text, u"SkinCustoms");
  String out;
  out.reserve(result.size());
  for (size_t i = 0; i < result.size(); ++i) {
    if (result[i] == u'\\' && i + 1 < result.size() && result[i + 1] == u'n') {
      out += u"\r\n";
      ++i;
    } else {
      out += result[i];
    }
  }
  return out;
}

String FormatStateSuffix(bool State) { return u" [" + LangGetMsgPart(17, State ? 1 : 0) + u"]"; }

String GetActionText(const String& Key) { return LangGet(u"Actions", Key, u""); }

String GetActionText(const String& Group, const String& Name) { return GetActionText(Group + u"." + Name); }
