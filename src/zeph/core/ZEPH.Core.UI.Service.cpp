#include "zeph/core/ZEPH.Core.UI.Service.h"

#include "rtl/RTL.Exceptions.h"
#include "zeph/core/ZEPH.Core.Services.GUI.Controls.h"
#include "zeph/core/ZEPH.Core.Services.GUI.Dialogs.h"
#include "zeph/core/ZEPH.Core.UI.Edits.h"
#include "zeph/core/ZEPH.Core.UI.Forms.h"
#include "zeph/core/ZEPH.Core.UI.Images.h"
#include "zeph/core/ZEPH.Core.UI.Menus.h"
#include "zeph/core/ZEPH.Core.UI.Pages.h"
#include "zeph/core/ZEPH.Core.UI.Tray.h"
#include "zeph/core/ZEPH.Core.UI.TreeList.h"

namespace {
template <class T>
TZEPHUIControl* MakeControl(IInterface* EventsHandler, TComponent* Owner) {
  return Create<T>(EventsHandler, Owner);
}

template <class T>
TZEPHUIComponent* MakeComponent(IInterface* EventsHandler, TComponent* Owner) {
  return Create<T>(EventsHandler, Owner);
}

template <class I>
IPtr<IInterface> Shared(I* Obj) {
  return IPtr<IInterface>(static_cast<IInterface*>(Obj));
}
}  // namespace

TZEPHCoreServiceUI::TZEPHCoreServiceUI() : FDefaultOwner(Create<TComponent>(static_cast<TComponent*>(nullptr))) {
  FExtraInterfaces = {
      Shared<IZEPHUIAuthDialog>(Create<TZEPHUIAuthDialog>()),
      Shared<IZEPHUIFileDialogs>(Create<TZEPHUIFileDialogs>()),
      Shared<IZEPHUIMessageDialog>(Create<TZEPHUIMessageBox>()),
      Shared<IZEPHUIInputDialog>(Create<TZEPHUIInputDialog>()),
      Shared<IZEPHUIColorSchema>(Create<TZEPHUIColorSchema>()),
      Shared<IZEPHUIMode>(Create<TZEPHUIMode>()),
  };
  FControlClasses = {
      {IIDOf<IZEPHUIBBCBox>(), MakeControl<TZEPHUIBBCControl>},
      {IIDOf<IZEPHUIBevel>(), MakeControl<TZEPHUIBevelControl>},
      {IIDOf<IZEPHUIBrandBox>(), MakeControl<TZEPHUIBrandBox>},
      {IIDOf<IZEPHUIButton>(), MakeControl<TZEPHUIButtonControl>},
      {IIDOf<IZEPHUICategory>(), MakeControl<TZEPHUICategoryControl>},
      {IIDOf<IZEPHUICheckBox>(), MakeControl<TZEPHUICheckBoxControl>},
      {IIDOf<IZEPHUICheckComboBox>(), MakeControl<TZEPHUICheckComboBoxControl>},
      {IIDOf<IZEPHUIComboBox>(), MakeControl<TZEPHUIComboBoxControl>},
      {IIDOf<IZEPHUIEdit>(), MakeControl<TZEPHUIEditControl>},
      {IIDOf<IZEPHUIGroupBox>(), MakeControl<TZEPHUIGroupBoxControl>},
      {IIDOf<IZEPHUIImage>(), MakeControl<TZEPHUIImageControl>},
      {IIDOf<IZEPHUIImageComboBox>(), MakeControl<TZEPHUIImageComboBoxControl>},
      {IIDOf<IZEPHUILabel>(), MakeControl<TZEPHUILabelControl>},
      {IIDOf<IZEPHUIMemo>(), MakeControl<TZEPHUIMemoControl>},
      {IIDOf<IZEPHUIPageControl>(), MakeControl<TZEPHUIPageControl>},
      {IIDOf<IZEPHUIPaintBox>(), MakeControl<TZEPHUIPaintBoxControl>},
      {IIDOf<IZEPHUIPanel>(), MakeControl<TZEPHUIPanelControl>},
      {IIDOf<IZEPHUIProgressBar>(), MakeControl<TZEPHUIProgressBarControl>},
      {IIDOf<IZEPHUIRadioBox>(), MakeControl<TZEPHUIRadioBoxControl>},
      {IIDOf<IZEPHUIScrollBox>(), MakeControl<TZEPHUIScrollBoxControl>},
      {IIDOf<IZEPHUISlider>(), MakeControl<TZEPHUISliderControl>},
      {IIDOf<IZEPHUISpinEdit>(), MakeControl<TZEPHUISpinEdit>},
      {IIDOf<IZEPHUISplitter>(), MakeControl<TZEPHUISplitterControl>},
      {IIDOf<IZEPHUITabControl>(), MakeControl<TZEPHUITabControl>},
      {IIDOf<IZEPHUITimeEdit>(), MakeControl<TZEPHUITimeEdit>},
      {IIDOf<IZEPHUITreeList>(), MakeControl<TZEPHUITreeList>},
      {IIDOf<IZEPHUIValidationLabel>(), MakeControl<TZEPHUIValidationLabelControl>},
  };
  FComponentClasses = {
      {IIDOf<IZEPHUIImageList>(), MakeComponent<TZEPHUIImageList>},
      {IIDOf<IZEPHUIImageList2>(), MakeComponent<TZEPHUIImageList>},
      {IIDOf<IZEPHUIPopupMenu>(), MakeComponent<TZEPHUIPopupMenu>},
      {IIDOf<IZEPHUITrayIcon>(), MakeComponent<TZEPHUITrayIcon>},
  };
}

TZEPHCoreServiceUI::~TZEPHCoreServiceUI() {
  Free(FDefaultOwner);
  FExtraInterfaces.clear();
}

HRESULT TZEPHCoreServiceUI::QueryInterface(const TGUID& IID, void** Obj) {
  if (InterfaceTableQuery<IZEPHServiceUI>(this, IID, Obj)) return S_OK;
  if (TZCLInterfacedObject::QueryInterface(IID, Obj) == S_OK) return S_OK;
  for (const auto& extra : FExtraInterfaces)
    if (extra->QueryInterface(IID, Obj) == S_OK) return S_OK;
  if (Obj) *Obj = nullptr;
  return E_NOINTERFACE;
}

TComponent* TZEPHCoreServiceUI::OwnerComponent(IInterface* Owner) const {
  if (!Owner) return FDefaultOwner;
  auto* owner = static_cast<TComponent*>(AdapterGetObjectChecked(Owner, TComponent::StaticClass()));
  // An adapter standing for nothing is no owner either.
  if (!owner) throw EInvalidCast(TComponent::StaticClass()->ClassName());
  return owner;
}

HRESULT TZEPHCoreServiceUI::CreateControl(IInterface* Owner, IInterface* Parent, IZEPHString* Name,
                                          IInterface* EventsHandler, const TGUID& IID, void** Obj) {
  if (Obj) *Obj = nullptr;
  if (!IsMainThread()) return E_ACCESSDENIED;
  try {
    auto it = FControlClasses.find(IID);
    if (it == FControlClasses.end()) return E_INVALIDARG;
    IPtr<IZEPHUIControl> control(it->second(EventsHandler, OwnerComponent(Owner)));
    if (Parent) {
      TZEPHUIPlacement placement{};
      control->GetPlacement(placement);
      placement.Alignment = 1;
      control->SetPlacement(placement);
      control->SetValueAsObject(ZEPH_UI_PROP_PARENT, Parent);
    }
    if (Name) control->SetValueAsObject(ZEPH_UI_PROP_NAME, Name);
    if (control->QueryInterface(IID, Obj) != S_OK) throw Exception(u"GUI: unexpected cast error");
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCoreServiceUI::CreateForm(HWND OwnerWindow, Integer Flags, IZEPHString* Name, IInterface* EventsHandler,
                                       IPtr<IZEPHUIForm>& Form) {
  Form = nullptr;
  if (!IsMainThread()) return E_ACCESSDENIED;
  try {
    Form = IPtr<IZEPHUIForm>(Create<TZEPHUIFormControl>(Name, EventsHandler, OwnerWindow, Flags));
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCoreServiceUI::CreateObject(IInterface* Owner, IInterface* EventsHandler, const TGUID& IID, void** Obj) {
  if (Obj) *Obj = nullptr;
  try {
    if (IID == IIDOf<IZEPHUIProgressDialog>()) {
      IPtr<IZEPHUIProgressDialog> dialog(Create<TZEPHUIProgressDialog>(EventsHandler));
      return dialog->QueryInterface(IID, Obj);
    }
    if (!IsMainThread()) return E_ACCESSDENIED;
    auto it = FComponentClasses.find(IID);
    if (it == FComponentClasses.end()) return E_INVALIDARG;
    // Only a form wrapper keeps what it owns; anything else is refused before
    // anything is made.
    TZEPHUIFormControl* formWrapper = nullptr;
    if (Owner) {
      IPtr<IZEPHUIForm> form;
      formWrapper = Supports(Owner, form) ? dynamic_cast<TZEPHUIFormControl*>(form.get()) : nullptr;
      if (!formWrapper) return E_UNEXPECTED;
    }
    IPtr<IZEPHPropertyList2> wrapper(it->second(EventsHandler, OwnerComponent(Owner)));
    const HRESULT r = wrapper->QueryInterface(IID, Obj);
    if (r == S_OK && formWrapper) formWrapper->AddComponent(wrapper.get());
    return r;
  } catch (...) {
    return E_UNEXPECTED;
  }
}
