#include <gtest/gtest.h>

#include <functional>
#include <thread>

#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zeph/core/ZEPH.Core.Services.GUI.Controls.h"
#include "zeph/core/ZEPH.Core.Services.GUI.Dialogs.h"
#include "zeph/core/ZEPH.Core.UI.Edits.h"
#include "zeph/core/ZEPH.Core.UI.Forms.h"
#include "zeph/core/ZEPH.Core.UI.Images.h"
#include "zeph/core/ZEPH.Core.UI.Menus.h"
#include "zeph/core/ZEPH.Core.UI.Pages.h"
#include "zeph/core/ZEPH.Core.UI.Service.h"
#include "zeph/core/ZEPH.Core.UI.TestEvents.h"
#include "zeph/core/ZEPH.Core.UI.Tray.h"
#include "zeph/core/ZEPH.Core.UI.TreeList.h"

namespace {
// What a created object is: its wrapper's class; and how to let go of the typed
// reference.
struct TCase {
  TGUID IID;
  const char16_t* ClassName;
  void (*Release)(void*);
};
template <class I>
TCase Case(const char16_t* ClassName) {
  return {IIDOf<I>(), ClassName, [](void* P) { static_cast<I*>(P)->_Release(); }};
}

String WrapperClassOf(TComponent* Component) {
  auto adapter = TZCLObjectLinks::GetExtension<IZEPHCoreClassAdapter>(Component);
  auto* object = adapter ? dynamic_cast<TObject*>(adapter.get()) : nullptr;
  return object ? object->ClassName() : String(u"<none>");
}

class UIServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CoreGetService(Service));
    Events = NewTestUIEvents();
  }
  IPtr<IZEPHUIForm> NewForm() {
    IPtr<IZEPHUIForm> form;
    EXPECT_EQ(Service->CreateForm(nullptr, 0, nullptr, Events->AsHandler(), form), S_OK);
    return form;
  }
  template <class I>
  IPtr<I> NewControl(IInterface* Owner, IInterface* Parent, IInterface* Handler = nullptr) {
    void* obj = nullptr;
    EXPECT_EQ(Service->CreateControl(Owner, Parent, nullptr, Handler, IIDOf<I>(), &obj), S_OK);
    return IPtr<I>::Adopt(static_cast<I*>(obj));
  }

  IPtr<IZEPHServiceUI> Service;
  IPtr<TTestUIEvents> Events;
};
}  // namespace

TEST_F(UIServiceTest, EveryControlIdentifierCreatesItsWrapper) {
  const TCase cases[] = {
      Case<IZEPHUIBBCBox>(u"TZEPHUIBBCControl"),
      Case<IZEPHUIBevel>(u"TZEPHUIBevelControl"),
      Case<IZEPHUIBrandBox>(u"TZEPHUIBrandBox"),
      Case<IZEPHUIButton>(u"TZEPHUIButtonControl"),
      Case<IZEPHUICategory>(u"TZEPHUICategoryControl"),
      Case<IZEPHUICheckBox>(u"TZEPHUICheckBoxControl"),
      Case<IZEPHUICheckComboBox>(u"TZEPHUICheckComboBoxControl"),
      Case<IZEPHUIComboBox>(u"TZEPHUIComboBoxControl"),
      Case<IZEPHUIEdit>(u"TZEPHUIEditControl"),
      Case<IZEPHUIGroupBox>(u"TZEPHUIGroupBoxControl"),
      Case<IZEPHUIImage>(u"TZEPHUIImageControl"),
      Case<IZEPHUIImageComboBox>(u"TZEPHUIImageComboBoxControl"),
      Case<IZEPHUILabel>(u"TZEPHUILabelControl"),
      Case<IZEPHUIMemo>(u"TZEPHUIMemoControl"),
      Case<IZEPHUIPageControl>(u"TZEPHUIPageControl"),
      Case<IZEPHUIPaintBox>(u"TZEPHUIPaintBoxControl"),
      Case<IZEPHUIPanel>(u"TZEPHUIPanelControl"),
      Case<IZEPHUIProgressBar>(u"TZEPHUIProgressBarControl"),
      Case<IZEPHUIRadioBox>(u"TZEPHUIRadioBoxControl"),
      Case<IZEPHUIScrollBox>(u"TZEPHUIScrollBoxControl"),
      Case<IZEPHUISlider>(u"TZEPHUISliderControl"),
      Case<IZEPHUISpinEdit>(u"TZEPHUISpinEdit"),
      Case<IZEPHUISplitter>(u"TZEPHUISplitterControl"),
      Case<IZEPHUITabControl>(u"TZEPHUITabControl"),
      Case<IZEPHUITimeEdit>(u"TZEPHUITimeEdit"),
      Case<IZEPHUITreeList>(u"TZEPHUITreeList"),
      Case<IZEPHUIValidationLabel>(u"TZEPHUIValidationLabelControl"),
  };
  auto* service = dynamic_cast<TZEPHCoreServiceUI*>(Service.get());
  ASSERT_NE(service, nullptr);
  EXPECT_EQ(service->GetControlClassCount(), std::size(cases));
  TComponent* owner = service->GetDefaultOwner();
  for (const TCase& c : cases) {
    void* obj = nullptr;
    ASSERT_EQ(Service->CreateControl(nullptr, nullptr, nullptr, nullptr, c.IID, &obj), S_OK)
        << StringToUTF8(c.ClassName);
    ASSERT_NE(obj, nullptr);
    EXPECT_EQ(WrapperClassOf(owner->GetComponent(owner->GetComponentCount() - 1)), c.ClassName);
    c.Release(obj);
  }
  // Base interfaces create nothing.
  void* obj = nullptr;
  EXPECT_EQ(Service->CreateControl(nullptr, nullptr, nullptr, nullptr, IIDOf<IZEPHUIControl>(), &obj), E_INVALIDARG);
  EXPECT_EQ(Service->CreateControl(nullptr, nullptr, nullptr, nullptr, IIDOf<IZEPHUIBaseEdit>(), &obj), E_INVALIDARG);
  EXPECT_EQ(obj, nullptr);
}

TEST_F(UIServiceTest, ObjectsByIdentifierAndOwner) {
  const TCase cases[] = {
      Case<IZEPHUIImageList>(u"TZEPHUIImageList"),
      Case<IZEPHUIImageList2>(u"TZEPHUIImageList"),
      Case<IZEPHUIPopupMenu>(u"TZEPHUIPopupMenu"),
      Case<IZEPHUITrayIcon>(u"TZEPHUITrayIcon"),
  };
  auto form = NewForm();
  auto* formWrapper = dynamic_cast<TZEPHUIFormControl*>(form.get());
  TComponent* component = formWrapper->AsForm();
  for (const TCase& c : cases) {
    void* obj = nullptr;
    ASSERT_EQ(Service->CreateObject(form.get(), nullptr, c.IID, &obj), S_OK) << StringToUTF8(c.ClassName);
    EXPECT_EQ(WrapperClassOf(component->GetComponent(component->GetComponentCount() - 1)), c.ClassName);
    c.Release(obj);
  }
  // The form wrapper keeps them: the menu is still there after the plugin let
  // go.
  EXPECT_EQ(component->GetComponentCount(), 4);

  // An owner that is not a form wrapper is refused; nothing comes back.
  auto edit = NewControl<IZEPHUIEdit>(form.get(), form.get());
  void* obj = nullptr;
  EXPECT_EQ(Service->CreateObject(edit.get(), nullptr, IIDOf<IZEPHUIPopupMenu>(), &obj), E_UNEXPECTED);
  EXPECT_EQ(obj, nullptr);
  EXPECT_EQ(Service->CreateObject(nullptr, nullptr, IIDOf<IZEPHUIEdit>(), &obj), E_INVALIDARG);
  form->Release(0);
}

TEST_F(UIServiceTest, AWorkerIsRefusedExceptForTheProgressDialog) {
  HRESULT control = S_OK, menu = S_OK, form = S_OK, progress = E_FAIL;
  std::thread([&] {
    void* obj = nullptr;
    control = Service->CreateControl(nullptr, nullptr, nullptr, nullptr, IIDOf<IZEPHUIEdit>(), &obj);
    menu = Service->CreateObject(nullptr, nullptr, IIDOf<IZEPHUIPopupMenu>(), &obj);
    IPtr<IZEPHUIForm> f;
    form = Service->CreateForm(nullptr, 0, nullptr, nullptr, f);
    progress = Service->CreateObject(nullptr, nullptr, IIDOf<IZEPHUIProgressDialog>(), &obj);
    if (obj) static_cast<IZEPHUIProgressDialog*>(obj)->_Release();
  }).join();
  EXPECT_EQ(control, E_ACCESSDENIED);
  EXPECT_EQ(menu, E_ACCESSDENIED);
  EXPECT_EQ(form, E_ACCESSDENIED);
  EXPECT_EQ(progress, S_OK);
}

TEST_F(UIServiceTest, SharedDialogsComeFromTheServicesQuery) {
  IPtr<IZEPHUIFileDialogs> first, second;
  ASSERT_TRUE(Supports(Service.get(), first));
  ASSERT_TRUE(Supports(Service.get(), second));
  EXPECT_EQ(first.get(), second.get());
  IPtr<IZEPHUIMode> mode;
  IPtr<IZEPHUIBrowseFolderDialog> folder;
  EXPECT_TRUE(Supports(Service.get(), mode));
  EXPECT_TRUE(Supports(Service.get(), folder));
}

TEST_F(UIServiceTest, AServiceBuiltFormReportsClicksAndTyping) {
  auto form = NewForm();
  auto* host = dynamic_cast<TZEPHUIFormControl*>(form.get())->AsForm();
  host->SetBounds(100, 100, 300, 200);
  auto button = NewControl<IZEPHUIButton>(form.get(), form.get(), Events->AsHandler());
  auto edit = NewControl<IZEPHUIEdit>(form.get(), form.get(), Events->AsHandler());
  ASSERT_EQ(form->GetControlCount(), 2) << "placed controls join the parent's child list";
  TZEPHUIPlacement placement{};
  ASSERT_EQ(button->GetPlacement(placement), S_OK);
  EXPECT_EQ(placement.Alignment, 1) << "a control placed by the service starts top-aligned";

  host->Show();
  Headless::RunUntilIdle();
  TControl* buttonControl = dynamic_cast<TZEPHUIControl*>(button.get())->AsControl();
  Headless::Click(buttonControl->ClientToScreen(TPoint(5, 5)));
  Headless::RunUntilIdle();
  ASSERT_EQ(Events->Changes(), 1);
  EXPECT_EQ(Events->Senders[0], dynamic_cast<TZEPHUIComponent*>(button.get())->AsSender());

  ASSERT_EQ(edit->SetFocus(), S_OK);
  Headless::TypeText(u"ab");
  Headless::RunUntilIdle();
  EXPECT_GE(Events->Changes(), 3);
  EXPECT_EQ(Events->Senders.back(), dynamic_cast<TZEPHUIComponent*>(edit.get())->AsSender());
  form->Release(0);
  Headless::RunUntilIdle();
}

TEST_F(UIServiceTest, AServiceMadeMenuIsAControlsContextMenuAndAButtonsDropDown) {
  auto form = NewForm();
  void* obj = nullptr;
  ASSERT_EQ(Service->CreateObject(form.get(), nullptr, IIDOf<IZEPHUIPopupMenu>(), &obj), S_OK);
  auto menu = IPtr<IZEPHUIPopupMenu>::Adopt(static_cast<IZEPHUIPopupMenu*>(obj));
  auto edit = NewControl<IZEPHUIEdit>(form.get(), form.get());
  auto button = NewControl<IZEPHUIButton>(form.get(), form.get());
  struct TCase {
    IZEPHPropertyList* Control;
    Integer ID;
  };
  for (const TCase& c : {TCase{edit.get(), ZEPH_UI_PROP_POPUP_MENU}, TCase{button.get(), 34}}) {
    ASSERT_EQ(c.Control->SetValueAsObject(c.ID, menu.get()), S_OK) << c.ID;
    ASSERT_EQ(c.Control->GetValueAsObject(c.ID, IIDOf<IZEPHUIPopupMenu>(), &obj), S_OK) << c.ID;
    auto back = IPtr<IZEPHUIPopupMenu>::Adopt(static_cast<IZEPHUIPopupMenu*>(obj));
    EXPECT_EQ(back.get(), menu.get()) << "the menu's own wrapper comes back";
  }
  form->Release(0);
}
