#include "zeph/core/ZEPH.Core.UI.Menus.h"

#include "vcl/VCL.Menus.h"

namespace {
HRESULT GetChild(TMenuItem* Parent, Integer Index, const TGUID& IID, void** Item) {
  return TZEPHCoreAdaptersMap::QueryAdapter(Parent->GetItem(Index), IID, Item);
}
}  // namespace

// ---- items ----------------------------------------------------------------------------------------

IPtr<IZEPHUIMenuItem> TZEPHUIMenuItemAdapter::CreateItem(TMenuItem* Parent, IZEPHString* ID) {
  auto* item = new TZEPHMenuItem(Parent);
  if (ID) {
    item->SetID(PluginStringToStr(ID));
    item->Localize(String(), String());
  }
  Parent->Add(item);
  IPtr<IZEPHUIMenuItem> result(Create<TZEPHUIMenuItemAdapter>(item));
  // The item holds its view: the map finds this one again, and it lives while the item does.
  TZCLObjectLinks::RegisterExtension(item, IPtr<IInterface>(result));
  return result;
}

HRESULT TZEPHUIMenuItemAdapter::Add(IZEPHString* ID, IPtr<IZEPHUIMenuItem>& Item) {
  Item = nullptr;
  HRESULT r = CheckState();
  if (r < 0) return r;
  try {
    Item = CreateItem(GetItem(), ID);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHUIMenuItemAdapter::Delete(Integer Index) {
  HRESULT r = CheckState();
  if (r < 0) return r;
  try {
    GetItem()->Delete(Index);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHUIMenuItemAdapter::Get(Integer Index, const TGUID& IID, void** Item) {
  if (Item) *Item = nullptr;
  HRESULT r = CheckState();
  if (r < 0) return r;
  try {
    return GetChild(GetItem(), Index, IID, Item);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

Integer TZEPHUIMenuItemAdapter::GetCount() { return CheckState() < 0 ? -1 : GetItem()->GetCount(); }

void TZEPHUIMenuItemAdapter::DoDeleteChildren() { GetItem()->Clear(); }

// ---- popup menu -----------------------------------------------------------------------------------

TComponent* TZEPHUIPopupMenu::CreateComponent(TComponent* Owner) {
  auto* menu = Create<TZEPHUIPopupMenuImpl>(Owner);
  menu->OnPopup = TNotifyEvent(this, &TZEPHUIPopupMenu::MenuPopup);
  FOwnsMenu = true;
  return menu;
}

void TZEPHUIPopupMenu::UnbindEvents() {
  if (TZCLPopupMenu* menu = AsPopupMenu())
    if (menu->OnPopup == TNotifyEvent(this, &TZEPHUIPopupMenu::MenuPopup)) menu->OnPopup = nullptr;
}

void TZEPHUIPopupMenu::BeforeDestruction() {
  UnbindEvents();
  if (TObject* menu = FObject; menu && FOwnsMenu) {
    SetObject(nullptr);
    Free(menu);
  }
  TZEPHUIComponent::BeforeDestruction();
}

void TZEPHUIPopupMenu::MenuPopup(TObject*) {
  auto events = Events<IZEPHUIPopupEvents>();
  if (!events || !AsPopupMenu()) return;
  // Screen pixels, as the menu has them: no conversion to 96-DPI units.
  const TPoint p = AsPopupMenu()->GetPopupPoint();
  events->OnContextPopup(AsSender(), p.X, p.Y);
}

HRESULT TZEPHUIPopupMenu::Add(IZEPHString* ID, IPtr<IZEPHUIMenuItem>& Item) {
  Item = nullptr;
  return Checked([&] {
    Item = TZEPHUIMenuItemAdapter::CreateItem(AsPopupMenu()->GetItems(), ID);
    return S_OK;
  });
}

HRESULT TZEPHUIPopupMenu::Delete(Integer Index) {
  return Checked([&] {
    AsPopupMenu()->GetItems()->Delete(Index);
    return S_OK;
  });
}

HRESULT TZEPHUIPopupMenu::Clear() {
  return Checked([&] {
    AsPopupMenu()->GetItems()->Clear();
    return S_OK;
  });
}

HRESULT TZEPHUIPopupMenu::Get(Integer Index, const TGUID& IID, void** Item) {
  if (Item) *Item = nullptr;
  return Checked([&] { return GetChild(AsPopupMenu()->GetItems(), Index, IID, Item); });
}

Integer TZEPHUIPopupMenu::GetCount() { return CheckState() < 0 ? -1 : AsPopupMenu()->GetItems()->GetCount(); }

HRESULT TZEPHUIPopupMenu::Popup(TPoint ScreenPoint) { return PopupAtRect(TRect(ScreenPoint, ScreenPoint)); }

HRESULT TZEPHUIPopupMenu::PopupAtRect(const TRect& ScreenRect) {
  return Checked([&] {
    AsPopupMenu()->PopupAt(ScreenRect);
    return S_OK;
  });
}

// ---- unit -----------------------------------------------------------------------------------------

void UIMenusInitialize() {
  TZEPHCoreAdaptersMap::Register(TZEPHUIPopupMenuImpl::StaticClass(), [](TObject* AObject, TStreamOwnership) {
    auto* adapter = Create<TZEPHUIPopupMenu>(static_cast<TPersistent*>(AObject), soReference);
    return IPtr<IInterface>(static_cast<IZEPHPropertyList2*>(adapter));
  });
}

void UIMenusFinalize() { TZEPHCoreAdaptersMap::Unregister(TZEPHUIPopupMenuImpl::StaticClass()); }
