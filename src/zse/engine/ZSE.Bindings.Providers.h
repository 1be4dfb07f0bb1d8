#pragma once
// Binding providers: the object through which a component offers named services to bindings,
// with its clients (the bindings that read it) and their change notification; the registry of
// every live provider's component, through which links find a provider by name; the ready-made
// service bases; and the small texts services show in hints.

#include <functional>
#include <unordered_map>
#include <vector>

#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Classes.h"
#include "zse/engine/ZSE.Bindings.Interfaces.h"

class TPropInfo;
class TPopupMenu;
class TZCLComponentList;
class TZCLSortedStrings;

class TZSEBindingProvider : public TZCLUnknownObject, public IZSEBindingProvider {
  ZCL_CLASS(TZSEBindingProvider, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZSEBindingProvider)
 public:
  using TCreateSignature = void(TComponent* AOwner);

  // Enters Owner in the provider registry; the provider answers for Owner.
  explicit TZSEBindingProvider(TComponent* AOwner);
  ~TZSEBindingProvider() override;

  TComponent* GetOwner() const { return FOwner; }

  // The provider owns Service (unless it is the owner component). A name taken already (ignoring
  // case) keeps the first service; the refused object is freed then. False when refused.
  bool RegisterService(const String& Name, TObject* Service);
  // Frees every service object except the owner component, last first.
  void ClearServices();
  // The name the object is registered under (first match), or empty.
  String GetServiceName(const TObject* Service) const;
  Integer GetServiceCount() const;

  // Tells each registered client (once per registration, in registration order) that the
  // service changed. A client that leaves during the walk is not called afterwards.
  void Changed(const String& ServiceName);
  void Changed(const TObject* Service) { Changed(GetServiceName(Service)); }
  void ChangedAll();
  bool HasClients() const;
  // What some service reader reads has changed: every provider's index of readers is stale.
  static void ReadsChanged() { ++GReadsGeneration; }

  // Calls Proc for every client that answers I.
  template <InterfaceType I, class F>
  void EnumClients(F&& Proc) {
    EnumClients([&](const IPtr<IInterface>& Client) {
      IPtr<I> intf;
      if (Supports(Client, intf)) Proc(intf);
    });
  }

  // IZSEBindingProvider
  void EnumClients(const TZSEBindingClientProc& Proc) override;
  void EnumServices(TZCLStringList* List) override;
  bool GetService(const String& Name, const TGUID& IID, void** Service) override;
  void AddClient(IZSEBindingClient* Client) override;
  void RemoveClient(IZSEBindingClient* Client) override;

 protected:
  // After every AddClient and RemoveClient.
  virtual void ClientsChanged() {}

 private:
  // One running walk over the clients: RemoveClient keeps it on the client it stands at, and the
  // provider's destruction stops it.
  struct TWalk {
    size_t Index = 0;
    bool CurrentRemoved = false;
    bool ProviderGone = false;
    TWalk* Outer = nullptr;
  };
  // Calls Proc for each client; false when the provider was destroyed meanwhile.
  template <class F>
  bool Walk(F&& Proc);
  void FreeClientsIfEmpty();
  void ServicesChanged() { FServiceCache.clear(); }

  struct TRegistration {
    IZSEBindingClient* Client;
    const IZSEBindingServiceReader* Reader;  // the client as service reader, or null
  };
  struct THashText {
    using is_transparent = void;
    size_t operator()(StringView S) const { return HashText(S); }
  };
  struct TSameText {
    using is_transparent = void;
    bool operator()(StringView A, StringView B) const { return SameText(A, B); }
  };
  // The registrations (positions in the client list, ascending) to tell of a change: the
  // readers by the services they read (compared as clients compare them), and every other
  // client. Valid while neither the client list nor what readers read has changed.
  struct TReaderIndex {
    std::unordered_map<String, std::vector<size_t>, THashText, TSameText> ByService;
    std::vector<size_t> Others;
    uint64_t ClientsGeneration = 0;
    uint64_t ReadsGeneration = 0;
    bool Valid = false;
  };
  bool IndexCurrent() const {
    return FIndex.Valid && FIndex.ClientsGeneration == FClientsGeneration && FIndex.ReadsGeneration == GReadsGeneration;
  }
  void BuildIndex();

  static inline uint64_t GReadsGeneration = 0;

  // Exists while clients are registered (or a walk runs). Clients are not counted: each lets go
  // of the provider (RemoveClient) before it is destroyed.
  std::vector<TRegistration>* FClients = nullptr;
  uint64_t FClientsGeneration = 0;
  TReaderIndex FIndex;
  TWalk* FWalks = nullptr;
  TComponent* FOwner;
  TZCLSortedStrings* FServices;
  // Service lookups by the exact spelling asked (null when none): the table's own lookup
  // collates, which is slow. Cleared whenever the table changes.
  mutable std::unordered_map<String, TObject*> FServiceCache;
};

// Answers IZSEBindingProvider through a provider object that the deriving component owns and
// hands over with SetDelegateProvider in its constructor.
class TZSEBindingProviderDelegate : public IZSEBindingProvider {
 public:
  TZSEBindingProvider* GetProvider() const { return FDelegateProvider; }
  void EnumClients(const TZSEBindingClientProc& Proc) override { FDelegateProvider->EnumClients(Proc); }
  void EnumServices(TZCLStringList* List) override { FDelegateProvider->EnumServices(List); }
  bool GetService(const String& Name, const TGUID& IID, void** Service) override {
    return FDelegateProvider->GetService(Name, IID, Service);
  }
  void AddClient(IZSEBindingClient* Client) override { FDelegateProvider->AddClient(Client); }
  void RemoveClient(IZSEBindingClient* Client) override { FDelegateProvider->RemoveClient(Client); }

 protected:
  void SetDelegateProvider(TZSEBindingProvider* Provider) { FDelegateProvider = Provider; }

 private:
  TZSEBindingProvider* FDelegateProvider = nullptr;
};

// The registry of the components of all live providers, in creation order.
class TZSEBindingProviders {
 public:
  TZSEBindingProviders() = delete;
  // Created on first use; freed at finalization.
  static TZCLComponentList* List();
  // The first registered component of that name (equal lengths, ignoring case); null when none.
  static TComponent* Find(StringView Name);
  static void Finalize();
};

// The base of service objects; Owner is the object the service works for (not owned).
class TZSEBindingProviderCustomService : public TZCLUnknownObject {
  ZCL_CLASS(TZSEBindingProviderCustomService, TZCLUnknownObject)
 public:
  explicit TZSEBindingProviderCustomService(TObject* AOwner) : FOwner(AOwner) {}
  TObject* GetOwner() const { return FOwner; }

 protected:
  TObject* FOwner;
};

// A service that reads a published property of its owner component.
class TZSEBindingProviderCustomPropertyBasedService : public TZCLUnknownObject {
  ZCL_CLASS(TZSEBindingProviderCustomPropertyBasedService, TZCLUnknownObject)
 public:
  // EArgumentException "Cannot register service because of the "%s" property was not found".
  TZSEBindingProviderCustomPropertyBasedService(TComponent* AOwner, const String& PropertyName);

 protected:
  Int64 GetOrdinal() const;
  TComponent* FOwner;
  const TPropInfo* FProp;
};

class TZSEBindingProviderBooleanPropertyBasedService : public TZSEBindingProviderCustomPropertyBasedService,
                                                       public IZSEBindingServiceDataBoolean {
  ZCL_CLASS(TZSEBindingProviderBooleanPropertyBasedService, TZSEBindingProviderCustomPropertyBasedService)
  RTL_INTERFACES(TZSEBindingProviderCustomPropertyBasedService, IZSEBindingServiceDataBoolean)
 public:
  using TZSEBindingProviderCustomPropertyBasedService::TZSEBindingProviderCustomPropertyBasedService;
  bool GetBooleanValue() override { return GetOrdinal() != 0; }
};

class TZSEBindingProviderIntegerPropertyBasedService : public TZSEBindingProviderCustomPropertyBasedService,
                                                       public IZSEBindingServiceDataInteger {
  ZCL_CLASS(TZSEBindingProviderIntegerPropertyBasedService, TZSEBindingProviderCustomPropertyBasedService)
  RTL_INTERFACES(TZSEBindingProviderCustomPropertyBasedService, IZSEBindingServiceDataInteger)
 public:
  using TZSEBindingProviderCustomPropertyBasedService::TZSEBindingProviderCustomPropertyBasedService;
  Integer GetIntegerValue() override { return static_cast<Integer>(GetOrdinal()); }
};

// The base of services that present a list of items to tab controls and page selectors, with a
// popup list of the items as the menu of the element's action.
class TZSEBindingProviderCustomTabControlService : public TZSEBindingProviderCustomService,
                                                   public IZSEBindingServiceTabControl,
                                                   public IZSEBindingServiceMenu {
  ZCL_CLASS(TZSEBindingProviderCustomTabControlService, TZSEBindingProviderCustomService)
  RTL_INTERFACES(TZSEBindingProviderCustomService, IZSEBindingServiceTabControl, IZSEBindingServiceMenu)
 public:
  using TZSEBindingProviderCustomService::TZSEBindingProviderCustomService;
  ~TZSEBindingProviderCustomTabControlService() override;

  // Becomes the popup menu's hint.
  virtual String GetMenuCaption() { return u""; }
  bool IsActiveItemClickClosing() override { return false; }
  bool CanDropOnItem(TObject*) override { return false; }
  bool CanMoveItems() override { return false; }
  TObject* GetPlayingItem() override { return nullptr; }
  void MoveItem(TObject*, Integer) override {}
  String GetItemHint(TObject*) override { return u""; }
  void CloseItem(TObject*) override {}
  void NewItem() override {}
  void DropFilesOnItem(TObject*, const std::vector<String>&) override {}
  void DropFilesAsNewItem(Integer, const std::vector<String>&, const String&) override {}

  // Only the menu of the element's action (kind 0).
  bool CanShow(Integer Kind) override { return Kind == KindAction; }
  bool Show(Integer Kind, const TPoint& Point, const TRect& R, TComponent* Element) override;

  // The menu once shown (null before).
  TPopupMenu* GetMenu() const { return FMenu; }

 private:
  void MenuItemClick(TObject* Sender);
  TPopupMenu* FMenu = nullptr;  // owned
};

// Expands language-file references (default section "SkinCustoms"), then "\n" escapes.
String LocalizeSkinText(const String& Text);
// " [" + part 0 (False) or 1 (True) of message 17 + "]".
String FormatStateSuffix(bool State);
// The key's text in the language section "Actions"; empty when missing.
String GetActionText(const String& Key);
String GetActionText(const String& Group, const String& Name);
