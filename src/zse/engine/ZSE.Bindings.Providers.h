#pragma once
// Binding providers: the object through which a component offers named services to bindings,
// with its clients (the bindings that read it) and their change notification; the registry of
// every live provider's component, through which links find a provider by name; the ready-made
// service bases; and the small texts services show in hints.

#include "zcl/base/ZCL.Classes.h"
#include "zse/engine/ZSE.Bindings.Interfaces.h"

class TPropInfo;
class TPopupMenu;
class TZCLComponentList;
class TZCLListenerList;
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
  void FreeClientsIfEmpty();

  TZCLListenerList* FClients = nullptr;  // exists while clients are registered (or a walk runs)
  Integer FWalking = 0;
  TComponent* FOwner;
  TZCLSortedStrings* FServices;
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
