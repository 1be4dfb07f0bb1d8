#pragma once
// Actions and menu items of plugins: the action service that owns every action and menu item a
// plugin creates and finds them again by identifier, the program-side action and menu item, and
// their plugin views. Texts come from the language file's section "Common" (the identifier for
// the caption, identifier + ".g" for the group, + ".h" for the hint) and are read again on every
// language change.

#include "vcl/VCL.ActnList.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.ObjectLinks.h"
#include "zcl/ui/controls/ZCL.UI.Menus.h"
#include "zeph/core/ZEPH.Core.Adapters.h"

class TZCLStringList;
class TZEPHHotkeyItem;
class TZEPHHotkeysManager;

// ---- plugin interfaces ---------------------------------------------------------------------------

struct IZEPHActionEvent : virtual IInterface {
  RTL_INTERFACE(IZEPHActionEvent, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0080}")
  virtual void OnExecute(IInterface* Data) = 0;
};

// Properties: 0 custom object, 1 identifier, 2 caption, 3 group, 4 enabled, 5 default local
// shortcut, 6 and 7 default global shortcuts, 8 the IZEPHActionEvent handler (object access).
struct IZEPHAction : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHAction, IZEPHPropertyList, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0081}")
};

// Properties: 0 custom object, 1 action, 2 identifier, 3 caption, 4 enabled, 5 style (0 plain,
// 1 check, 2 radio), 6 click and 7 show handlers, 10 glyph, 11 parent (object access), 12 visible,
// 13 checked, 14 default item, 15 shortcut.
struct IZEPHMenuItem : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHMenuItem, IZEPHPropertyList, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0082}")
  virtual HRESULT DeleteChildren() = 0;
};

struct IZEPHServiceMenuManager : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceMenuManager, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0083}")
  virtual HRESULT GetBuiltIn(Integer MenuID, IPtr<IZEPHMenuItem>& Item) = 0;
  virtual HRESULT GetByID(IZEPHString* ID, IPtr<IZEPHMenuItem>& Item) = 0;
};

struct IZEPHServiceActionManager : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceActionManager, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0084}")
  virtual HRESULT GetByID(IZEPHString* ID, IPtr<IZEPHAction>& Action) = 0;
  // Modifiers: 1 Ctrl, 2 Alt, 4 Shift, 8 Win; only the key's low 8 bits count.
  virtual Cardinal MakeHotkey(Integer Modifiers, Integer Key) = 0;
};

// The view of an action a plugin created, as the action service drives it.
struct IZEPHActionInternal : virtual IZEPHAction {
  RTL_INTERFACE(IZEPHActionInternal, IZEPHAction, "{18620CB4-6D6F-4B52-8ADC-AC4B7F8E06A5}")
  virtual void LoadHotkeys() = 0;
  virtual void SaveHotkeys() = 0;
  virtual void FreeAction() = 0;
};

// ---- program objects -----------------------------------------------------------------------------

class TZEPHAction : public TAction, public IZCLObjectLinksSupport, public IZCLLocalizableComponent {
  ZCL_CLASS(TZEPHAction, TAction)
  RTL_INTERFACES(TAction, IZCLObjectLinksSupport, IZCLLocalizableComponent)
 public:
  using TAction::TAction;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZEPHAction>& D);
  // Caption, group and hint from "Common"; missing keys keep the texts.
  void Localize(const String& Section, const String& Name) override;
  const String& GetID() const { return FID; }
  void SetID(const String& Value) { FID = Value; }

 private:
  String FID;
};

class TZEPHMenuItem : public TZCLMenuItem, public IZCLObjectLinksSupport, public IZCLLocalizableComponent {
  ZCL_CLASS(TZEPHMenuItem, TZCLMenuItem)
  RTL_INTERFACES(TZCLMenuItem, IZCLObjectLinksSupport, IZCLLocalizableComponent)
 public:
  using TZCLMenuItem::TZCLMenuItem;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZEPHMenuItem>& D);
  // The caption from "Common"; a separator keeps "-".
  void Localize(const String& Section, const String& Name) override;
  const String& GetID() const { return FID; }
  void SetID(const String& Value) { FID = Value; }
  // 2 radio item, 1 check item, else 0; any other value written leaves a plain item.
  Integer GetStyle() const;
  void SetStyle(Integer Value);

 private:
  String FID;
};

// ---- plugin views --------------------------------------------------------------------------------

class TZEPHActionCustomAdapter : public TZEPHMappedObjectAdapter,
                                 public virtual IZEPHAction,
                                 public IZCLLocalizableComponent {
  ZCL_CLASS(TZEPHActionCustomAdapter, TZEPHMappedObjectAdapter)
  RTL_INTERFACES(TZEPHMappedObjectAdapter, IZEPHAction, IZCLLocalizableComponent)
 public:
  TZEPHActionCustomAdapter(TPersistent* AObject, TStreamOwnership AOwnership);
  void BeforeDestruction() override;
  void Localize(const String& Section, const String& Name) override;
  TZEPHAction* GetAction() const;

 protected:
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;
  void MapActionProperties();
  void ExecuteHandler(TObject* Sender);
  IPtr<IZEPHActionEvent> FHandler;
};

// The view of an action a plugin created: makes the action and its hotkey item, frees both.
class TZEPHActionAdapter : public TZEPHActionCustomAdapter, public IZEPHActionInternal {
  ZCL_CLASS(TZEPHActionAdapter, TZEPHActionCustomAdapter)
  RTL_INTERFACES(TZEPHActionCustomAdapter, IZEPHActionInternal)
 public:
  using TCreateSignature = void();
  // Raises "Hotkeys Manager not registered" and "FZEPHActionManager is nil".
  TZEPHActionAdapter();
  void BeforeDestruction() override;
  void LoadHotkeys() override;
  void SaveHotkeys() override;
  void FreeAction() override;
  TZEPHHotkeyItem* GetHotkeyItem() const { return FHotkeyItem; }

 private:
  TZEPHHotkeysManager* FManager = nullptr;  // the one that made the item
  TZEPHHotkeyItem* FHotkeyItem = nullptr;
};

class TZEPHCustomMenuItemAdapter : public TZEPHMappedObjectAdapter, public virtual IZEPHMenuItem, public IZEPHDPIAware {
  ZCL_CLASS(TZEPHCustomMenuItemAdapter, TZEPHMappedObjectAdapter)
  RTL_INTERFACES(TZEPHMappedObjectAdapter, IZEPHMenuItem, IZEPHDPIAware)
 public:
  using TZEPHMappedObjectAdapter::TZEPHMappedObjectAdapter;
  // Unregisters every sub-item that has a plugin view from the menu service, last first.
  HRESULT DeleteChildren() override;
  Integer GetDPI() override;
  HRESULT SetDPI(Integer) override { return E_NOTIMPL; }
  TZEPHMenuItem* GetItem() const;

 protected:
  virtual void DoDeleteChildren();
};

// The view of a menu item a plugin created; owns the item.
class TZEPHMenuItemAdapter : public TZEPHCustomMenuItemAdapter, public IZCLLocalizableComponent {
  ZCL_CLASS(TZEPHMenuItemAdapter, TZEPHCustomMenuItemAdapter)
  RTL_INTERFACES(TZEPHCustomMenuItemAdapter, IZCLLocalizableComponent)
 public:
  using TCreateSignature = void();
  // Raises "FZEPHActionManager is nil".
  TZEPHMenuItemAdapter();
  void BeforeDestruction() override;
  void Localize(const String& Section, const String& Name) override;

 protected:
  // A view of an item made elsewhere: not owned, and not known to the action service.
  explicit TZEPHMenuItemAdapter(TZEPHMenuItem* AItem);
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;

 private:
  void Attach(TZEPHMenuItem* AItem);
  void SetParent(IInterface* Value);
  void SetGlyph(IInterface* Value);
  void ClickHandler(TObject* Sender);
  void ShowHandler(TObject* Sender);
  IPtr<IZEPHActionEvent> FClickHandler;
  IPtr<IZEPHActionEvent> FShowHandler;
  IPtr<IZEPHMenuItem> FParent;
};

// ---- the service ---------------------------------------------------------------------------------

class TZEPHServiceActionManager : public TComponent,
                                  public IZEPHServiceMenuManager,
                                  public IZEPHServiceAttrExtendable,
                                  public IZEPHServiceActionManager,
                                  public IZCLLocalizationListener {
  ZCL_CLASS(TZEPHServiceActionManager, TComponent)
  RTL_INTERFACES(TComponent, IZEPHServiceMenuManager, IZEPHServiceAttrExtendable, IZEPHServiceActionManager,
                 IZCLLocalizationListener)
 public:
  using TCreateSignature = void();
  TZEPHServiceActionManager();
  ~TZEPHServiceActionManager() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  // IZEPHServiceMenuManager
  HRESULT GetBuiltIn(Integer MenuID, IPtr<IZEPHMenuItem>& Item) override;
  HRESULT GetByID(IZEPHString* ID, IPtr<IZEPHMenuItem>& Item) override;
  // IZEPHServiceAttrExtendable
  void RegisterExtension(IInterface* Extension) override;
  void UnregisterExtension(IInterface* Extension) override;
  // IZEPHServiceActionManager
  HRESULT GetByID(IZEPHString* ID, IPtr<IZEPHAction>& Action) override;
  Cardinal MakeHotkey(Integer Modifiers, Integer Key) override;
  // IZCLLocalizationListener
  void LanguageChanged() override;

  // The first owned component whose "ID" is exactly the text, as its plugin view answering IID.
  HRESULT FindByID(IZEPHString* ID, const TGUID& IID, void** Obj);
  // Built-in menus: the object field holds the menu identifier, the interface field the item.
  TZCLStringList* GetBuiltInMenus() const { return FBuiltInMenus; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TZCLStringList* FBuiltInMenus;  // owned
};

// The running service; raises "FZEPHActionManager is nil" while there is none.
TZEPHServiceActionManager* ActionManager();

// Unit start-up: the adapters of actions and menu items and the service's start and stop.
void ActionsInitialize();
void ActionsFinalize();
