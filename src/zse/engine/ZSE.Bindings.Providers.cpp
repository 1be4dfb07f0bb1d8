#include "zse/engine/ZSE.Bindings.Providers.h"

#include <algorithm>
#include <iterator>

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
  // A walk in progress (a client destroying the provider while it is told) stops at once.
  for (TWalk* walk = FWalks; walk != nullptr; walk = walk->Outer) walk->ProviderGone = true;
  ClearServices();
  if (FOwner != nullptr && GProviders != nullptr) GProviders->Remove(FOwner);
  delete FClients;
  FClients = nullptr;
  FreeAndNil(FServices);
}

bool TZSEBindingProvider::RegisterService(const String& Name, TObject* Service) {
  Integer index;
  if (FServices->Find(Name, index)) {
    if (Service != FOwner) Free(Service);
    return false;
  }
  FServices->Add(Name, Service);
  ServicesChanged();
  return true;
}

void TZSEBindingProvider::ClearServices() {
  ServicesChanged();
  for (Integer i = FServices->GetCount() - 1; i >= 0; --i) {
    TObject* service = FServices->GetObjects(i);
    FServices->SetObjects(i, nullptr);
    if (service != FOwner) Free(service);
  }
  FServices->Clear();
  ServicesChanged();
}

String TZSEBindingProvider::GetServiceName(const TObject* Service) const {
  const Integer index = FServices->IndexOfObject(Service);
  return index >= 0 ? FServices->GetStrings(index) : String();
}

Integer TZSEBindingProvider::GetServiceCount() const { return FServices->GetCount(); }

template <class F>
bool TZSEBindingProvider::Walk(F&& Proc) {
  if (FClients == nullptr) return true;
  TWalk walk;
  walk.Outer = FWalks;
  FWalks = &walk;
  // Unlinks the walk unless the provider is gone (then its fields must not be touched).
  auto finish = [&] {
    if (walk.ProviderGone) return false;
    FWalks = walk.Outer;
    FreeClientsIfEmpty();
    return true;
  };
  try {
    while (!walk.ProviderGone && FClients != nullptr && walk.Index < FClients->size()) {
      walk.CurrentRemoved = false;
      Proc((*FClients)[walk.Index].Client);
      if (!walk.ProviderGone && !walk.CurrentRemoved) ++walk.Index;
    }
  } catch (...) {
    finish();
    throw;
  }
  return finish();
}

void TZSEBindingProvider::EnumClients(const TZSEBindingClientProc& Proc) {
  Walk([&](IZSEBindingClient* Client) { Proc(IPtr<IInterface>(Client)); });
}

void TZSEBindingProvider::BuildIndex() {
  FIndex.ByService.clear();
  FIndex.Others.clear();
  if (FClients != nullptr) {
    for (size_t i = 0; i < FClients->size(); ++i) {
      const TRegistration& registration = (*FClients)[i];
      if (registration.Reader == nullptr) {
        FIndex.Others.push_back(i);
        continue;
      }
      registration.Reader->EnumReadServices(FOwner, [&](const String& Name) {
        std::vector<size_t>& positions = FIndex.ByService[Name];
        if (positions.empty() || positions.back() != i) positions.push_back(i);
      });
    }
  }
  FIndex.ClientsGeneration = FClientsGeneration;
  FIndex.ReadsGeneration = GReadsGeneration;
  FIndex.Valid = true;
}

void TZSEBindingProvider::Changed(const String& ServiceName) {
  if (FClients == nullptr) return;
  // The owner is what clients know the provider by; the name is copied, as the provider may go.
  TComponent* owner = FOwner;
  const String name = ServiceName;
  // A reader that does not read the service would do nothing when told: only the registrations
  // the index names are visited, in list order. Once a handler changes the client list or what
  // readers read, the positions are stale: the rest of the list is then walked entry by entry.
  if (!IndexCurrent()) BuildIndex();
  const uint64_t clientsGeneration = FClientsGeneration;
  const uint64_t readsGeneration = GReadsGeneration;
  std::vector<size_t> merged;
  const std::vector<size_t>* positions = &FIndex.Others;
  if (auto it = FIndex.ByService.find(StringView(name)); it != FIndex.ByService.end()) {
    if (FIndex.Others.empty()) {
      positions = &it->second;
    } else {
      merged.reserve(it->second.size() + FIndex.Others.size());
      std::merge(it->second.begin(), it->second.end(), FIndex.Others.begin(), FIndex.Others.end(),
                 std::back_inserter(merged));
      positions = &merged;
    }
  }
  if (positions->empty()) return;
  TWalk walk;
  walk.Outer = FWalks;
  FWalks = &walk;
  auto finish = [&] {
    if (walk.ProviderGone) return;
    FWalks = walk.Outer;
    FreeClientsIfEmpty();
  };
  try {
    size_t next = 0;
    bool indexed = true;
    walk.Index = (*positions)[0];
    while (!walk.ProviderGone && FClients != nullptr && walk.Index < FClients->size()) {
      walk.CurrentRemoved = false;
      (*FClients)[walk.Index].Client->Changed(owner, name);
      if (walk.ProviderGone) break;
      if (!walk.CurrentRemoved) ++walk.Index;
      // Nothing rebuilds the index while neither generation moved: positions stays valid.
      if (indexed && FClientsGeneration == clientsGeneration && GReadsGeneration == readsGeneration) {
        walk.Index = ++next < positions->size() ? (*positions)[next] : FClients->size();
      } else {
        indexed = false;
      }
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

void TZSEBindingProvider::ChangedAll() {
  // A snapshot: a client may register services while it is told.
  const std::vector<String> names = FServices->ToArray();
  for (const String& name : names) Changed(name);
}

bool TZSEBindingProvider::HasClients() const { return FClients != nullptr && !FClients->empty(); }

void TZSEBindingProvider::EnumServices(TZCLStringList* List) {
  if (List == nullptr) return;
  for (Integer i = 0; i < FServices->GetCount(); ++i) List->Add(FServices->GetStrings(i));
}

bool TZSEBindingProvider::GetService(const String& Name, const TGUID& IID, void** Service) {
  if (Service != nullptr) *Service = nullptr;
  auto cached = FServiceCache.find(Name);
  if (cached == FServiceCache.end()) {
    Integer index;
    TObject* found = FServices->Find(Name, index) ? FServices->GetObjects(index) : nullptr;
    cached = FServiceCache.emplace(Name, found).first;
  }
  if (cached->second == nullptr) return false;
  TObject* service = cached->second;
  if (Service == nullptr) return Supports(service, IID);
  return Supports(service, IID, Service);
}

void TZSEBindingProvider::AddClient(IZSEBindingClient* Client) {
  if (Client == nullptr) return;
  if (FClients == nullptr) FClients = new std::vector<TRegistration>;
  FClients->push_back({Client, dynamic_cast<const IZSEBindingServiceReader*>(Client)});
  ++FClientsGeneration;
  ClientsChanged();
}

void TZSEBindingProvider::RemoveClient(IZSEBindingClient* Client) {
  if (FClients == nullptr) return;
  for (size_t i = 0; i < FClients->size(); ++i) {
    if ((*FClients)[i].Client != Client) continue;
    // Keep every running walk on the client it stands at.
    for (TWalk* walk = FWalks; walk != nullptr; walk = walk->Outer) {
      if (i < walk->Index)
        --walk->Index;
      else if (i == walk->Index)
        walk->CurrentRemoved = true;
    }
    FClients->erase(FClients->begin() + std::ptrdiff_t(i));
    ++FClientsGeneration;
    break;
  }
  FreeClientsIfEmpty();
  ClientsChanged();
}

void TZSEBindingProvider::FreeClientsIfEmpty() {
  // A running walk keeps the list; the walk's end frees it.
  if (FClients != nullptr && FWalks == nullptr && FClients->empty()) {
    delete FClients;
    FClients = nullptr;
  }
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
