#pragma once
// Popup menus plugins create: the wrapper owns its menu; the items it makes are plugin menu items
// that live as long as their item and can hold items of their own.

#include "zcl/ui/controls/ZCL.UI.Menus.h"
#include "zeph/core/ZEPH.Core.Actions.h"
#include "zeph/core/ZEPH.Core.UI.h"

struct IZEPHUIMenuItem : virtual IZEPHMenuItem {
  RTL_INTERFACE(IZEPHUIMenuItem, IZEPHMenuItem, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0180}")
  virtual HRESULT Add(IZEPHString* ID, IPtr<IZEPHUIMenuItem>& Item) = 0;
  virtual HRESULT Delete(Integer Index) = 0;
  virtual HRESULT Get(Integer Index, const TGUID& IID, void** Item) = 0;
  // Not a result code: the count, -1 once the item is gone.
  virtual Integer GetCount() = 0;
};

struct IZEPHUIPopupMenu : virtual IInterface {
  RTL_INTERFACE(IZEPHUIPopupMenu, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0181}")
  virtual HRESULT Add(IZEPHString* ID, IPtr<IZEPHUIMenuItem>& Item) = 0;
  virtual HRESULT Delete(Integer Index) = 0;
  virtual HRESULT Clear() = 0;
  virtual HRESULT Get(Integer Index, const TGUID& IID, void** Item) = 0;
  // Not a result code: the count, -1 once the menu is gone.
  virtual Integer GetCount() = 0;
  // Screen pixels.
  virtual HRESULT Popup(TPoint ScreenPoint) = 0;
  virtual HRESULT PopupAtRect(const TRect& ScreenRect) = 0;
};

// The class of the menus plugins own, so that the adapters map hands out their wrappers.
class TZEPHUIPopupMenuImpl : public TZCLPopupMenu {
  ZCL_CLASS(TZEPHUIPopupMenuImpl, TZCLPopupMenu)
 public:
  using TZCLPopupMenu::TZCLPopupMenu;
};

// A plugin's view of an item made under a popup menu or another such item. The item's owner is
// its parent; the view is kept alive by the item and answers E_HANDLE once the item is gone.
class TZEPHUIMenuItemAdapter : public TZEPHMenuItemAdapter, public virtual IZEPHUIMenuItem {
  ZCL_CLASS(TZEPHUIMenuItemAdapter, TZEPHMenuItemAdapter)
  RTL_INTERFACES(TZEPHMenuItemAdapter, IZEPHUIMenuItem)
 public:
  // Makes an item at the end of Parent's children (localized from ID when given) and its view.
  static IPtr<IZEPHUIMenuItem> CreateItem(TMenuItem* Parent, IZEPHString* ID);
  // Only through CreateItem.
  explicit TZEPHUIMenuItemAdapter(TZEPHMenuItem* AItem) : TZEPHMenuItemAdapter(AItem) {}

  HRESULT Add(IZEPHString* ID, IPtr<IZEPHUIMenuItem>& Item) override;
  HRESULT Delete(Integer Index) override;
  HRESULT Get(Integer Index, const TGUID& IID, void** Item) override;
  Integer GetCount() override;

 protected:
  // Frees the sub-items themselves, without the menu service.
  void DoDeleteChildren() override;
};

class TZEPHUIPopupMenu : public TZEPHUIComponent, public virtual IZEPHUIPopupMenu {
  ZCL_CLASS(TZEPHUIPopupMenu, TZEPHUIComponent)
  RTL_INTERFACES(TZEPHUIComponent, IZEPHUIPopupMenu)
 public:
  using TZEPHUIComponent::TZEPHUIComponent;
  // Stands for a menu made elsewhere, which it does not free (the adapters map).
  TZEPHUIPopupMenu(TPersistent* AObject, TStreamOwnership AOwnership) : TZEPHUIComponent(AObject, AOwnership) {}
  void BeforeDestruction() override;

  HRESULT Add(IZEPHString* ID, IPtr<IZEPHUIMenuItem>& Item) override;
  HRESULT Delete(Integer Index) override;
  HRESULT Clear() override;
  HRESULT Get(Integer Index, const TGUID& IID, void** Item) override;
  Integer GetCount() override;
  HRESULT Popup(TPoint ScreenPoint) override;
  HRESULT PopupAtRect(const TRect& ScreenRect) override;
  TZCLPopupMenu* AsPopupMenu() const { return static_cast<TZCLPopupMenu*>(FObject); }

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void UnbindEvents() override;

 private:
  void MenuPopup(TObject* Sender);
  bool FOwnsMenu = false;
};

// Unit start-up: the wrapper of the plugins' menus with the adapters map.
void UIMenusInitialize();
void UIMenusFinalize();
