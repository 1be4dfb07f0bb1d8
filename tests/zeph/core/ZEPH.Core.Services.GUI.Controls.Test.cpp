#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <thread>

#include "rtl/RTL.EmbeddedResources.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/ui/ZCL.UI.ImageList.h"
#include "zcl/ui/ZCL.UI.Resources.h"
#include "zcl/ui/ZCL.UI.Style.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Slider.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Splitter.h"
#include "zcl/ui/controls/ZCL.UI.Labels.h"
#include "zeph/core/ZEPH.Core.DialogsData.h"
#include "zeph/core/ZEPH.Core.Services.GUI.Controls.h"
#include "zeph/core/ZEPH.Core.UI.Images.h"

namespace {
struct TFree {
  void operator()(TObject* Obj) const { Free(Obj); }
};

class TChangeEvents : public TInterfacedObject, public IZEPHUIChangeEvents, public IZEPHUIDrawEvents {
  ZCL_CLASS(TChangeEvents, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHUIChangeEvents, IZEPHUIDrawEvents)
 public:
  Integer Changes = 0;
  Integer Paints = 0;
  void OnChanged(IInterface*) override { ++Changes; }
  void OnPaint(IInterface*, HDC DC, const TRect& Rect) override {
    ++Paints;
    auto* canvas = Create<TCanvas>();
    canvas->SetHandle(DC);
    canvas->GetBrush()->SetColor(clRed);
    canvas->FillRect(Rect);
    canvas->SetHandle(nullptr);
    Free(canvas);
  }
};

class PluginControlsTest : public ::testing::Test {
 public:
  void SetUp() override {
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 400, 300);
    Form->SetBorderStyle(bsNone);
    Form->Show();
    Events = IPtr<TChangeEvents>(Create<TChangeEvents>());
  }
  void TearDown() override {
    detail::SetShellLauncher(nullptr);
    Form.reset();
  }

  // A wrapper whose control sits on the form.
  template <class W>
  IPtr<W> New() {
    auto wrapper = IPtr<W>(Create<W>(static_cast<IInterface*>(static_cast<IZEPHUIChangeEvents*>(Events.get())),
                                     static_cast<TComponent*>(Form.get())));
    wrapper->AsControl()->SetParent(Form.get());
    wrapper->AsControl()->SetBounds(0, 0, 120, 40);
    return wrapper;
  }

  std::unique_ptr<TForm, TFree> Form;
  IPtr<TChangeEvents> Events;
};

template <InterfaceType I>
bool HasIntf(IInterface* Obj) {
  void* p = nullptr;
  if (Obj->QueryInterface(IIDOf<I>(), &p) < 0 || !p) return false;
  static_cast<I*>(p)->_Release();
  return true;
}

struct TMemberCase {
  const char* Name;
  std::function<IPtr<TZEPHUIControl>(PluginControlsTest&)> Make;
  std::function<bool(IInterface*)> HasInterface;
  Integer PropertyID;
  Integer Written;
  Integer Read;
};
template <class W, InterfaceType I>
TMemberCase Case(const char* Name, Integer PropertyID, Integer Written, Integer Read) {
  return {Name,
          [](PluginControlsTest& T) { return IPtr<TZEPHUIControl>(T.New<W>().get()); },
          [](IInterface* Obj) { return HasIntf<I>(Obj); },
          PropertyID,
          Written,
          Read};
}
}  // namespace

TEST_F(PluginControlsTest, EveryMemberMapsItsIdentifiersAndAnswersHandleErrorsOnceFreed) {
  const TMemberCase cases[] = {
      Case<TZEPHUIButtonControl, IZEPHUIButton>("button default", ZEPH_UI_BUTTON_PROP_DEFAULT, 1, 1),
      Case<TZEPHUIButtonControl, IZEPHUIButton>("button font style", ZEPH_UI_BUTTON_PROP_FONT_STYLE, 5, 5),
      Case<TZEPHUIButtonControl, IZEPHUIButton>("button kind", ZEPH_UI_BUTTON_PROP_KIND, 2, 2),
      Case<TZEPHUIBBCControl, IZEPHUIBBCBox>("formatted label padding", ZEPH_UI_BBC_PROP_PADDING, 7, 7),
      Case<TZEPHUIBevelControl, IZEPHUIBevel>("bevel borders", ZEPH_UI_BEVEL_PROP_BORDERS, 5, 5),
      Case<TZEPHUIBrandBox, IZEPHUIBrandBox>("brand box enabled", ZEPH_UI_PROP_ENABLED, 0, 0),
      Case<TZEPHUICategoryControl, IZEPHUICategory>("category auto size", ZEPH_UI_CATEGORY_PROP_AUTO_SIZE, 1, 1),
      Case<TZEPHUICheckBoxControl, IZEPHUICheckBox>("check box state", ZEPH_UI_CHECKBOX_PROP_STATE, 2, 2),
      Case<TZEPHUIRadioBoxControl, IZEPHUIRadioBox>("radio box state", ZEPH_UI_CHECKBOX_PROP_STATE, 1, 1),
      Case<TZEPHUIGroupBoxControl, IZEPHUIGroupBox>("group box mode 5", ZEPH_UI_GROUPBOX_PROP_CHECKBOX_MODE, 5, 1),
      Case<TZEPHUIGroupBoxControl, IZEPHUIGroupBox>("group box mode 3", ZEPH_UI_GROUPBOX_PROP_CHECKBOX_MODE, 3, 3),
      Case<TZEPHUIPanelControl, IZEPHUIPanel>("panel padding", ZEPH_UI_PANEL_PROP_PADDING, 4, 4),
      Case<TZEPHUILabelControl, IZEPHUILabel>("label font style", ZEPH_UI_LABEL_PROP_FONT_STYLE, 9, 9),
      Case<TZEPHUILabelControl, IZEPHUILabel>("label vertical alignment", ZEPH_UI_LABEL_PROP_ALIGNMENT_VERT, 1, 1),
      Case<TZEPHUIValidationLabelControl, IZEPHUIValidationLabel>("validation icon", ZEPH_UI_VALIDATION_LABEL_PROP_ICON,
                                                                  2, 2),
      Case<TZEPHUIProgressBarControl, IZEPHUIProgressBar>("progress max", ZEPH_UI_PROGRESS_PROP_MAX, 50, 50),
      Case<TZEPHUIScrollBoxControl, IZEPHUIScrollBox>("scroll box borders", ZEPH_UI_SCROLLBOX_PROP_BORDERS, 0, 0),
      Case<TZEPHUISliderControl, IZEPHUISlider>("slider horizontal", ZEPH_UI_SLIDER_PROP_HORIZONTAL, 1, 1),
      Case<TZEPHUISliderControl, IZEPHUISlider>("slider max", ZEPH_UI_SLIDER_PROP_MAX, 200, 200),
      Case<TZEPHUISpinEdit, IZEPHUISpinEdit>("spin value type", ZEPH_UI_SPINEDIT_PROP_VALUE_TYPE, 1, 1),
      Case<TZEPHUISplitterControl, IZEPHUISplitter>("splitter can toggle", ZEPH_UI_SPLITTER_PROP_CAN_TOGGLE, 0, 0),
      Case<TZEPHUITimeEdit, IZEPHUITimeEdit>("time edit visible", ZEPH_UI_PROP_VISIBLE, 0, 0),
  };
  for (const TMemberCase& c : cases) {
    SCOPED_TRACE(c.Name);
    IPtr<TZEPHUIControl> wrapper = c.Make(*this);
    EXPECT_TRUE(c.HasInterface(static_cast<IZEPHUIControl*>(wrapper.get())));
    ASSERT_EQ(wrapper->SetValueAsInt32(c.PropertyID, c.Written), S_OK);
    Integer value = -100;
    ASSERT_EQ(wrapper->GetValueAsInt32(c.PropertyID, value), S_OK);
    EXPECT_EQ(value, c.Read);

    Free(wrapper->AsControl());
    EXPECT_EQ(wrapper->GetValueAsInt32(c.PropertyID, value), E_HANDLE);
    EXPECT_EQ(wrapper->Invalidate(), E_HANDLE);
    if (auto* windowed = dynamic_cast<TZEPHUIWinControl*>(wrapper.get())) EXPECT_EQ(windowed->GetControlCount(), -1);
  }
}

TEST_F(PluginControlsTest, ComputedIdentifiersReachTheComponent) {
  auto slider = New<TZEPHUISliderControl>();
  auto* zslider = static_cast<TZCLSlider*>(slider->AsControl());
  EXPECT_TRUE(zslider->GetAutoSize());
  ASSERT_EQ(slider->SetValueAsInt32(ZEPH_UI_SLIDER_PROP_HORIZONTAL, 1), S_OK);
  EXPECT_EQ(zslider->GetOrientation(), oHorizontal);
  ASSERT_EQ(slider->SetValueAsInt32(ZEPH_UI_SLIDER_PROP_HORIZONTAL, 0), S_OK);
  EXPECT_EQ(zslider->GetOrientation(), oVertical);

  auto group = New<TZEPHUIGroupBoxControl>();
  auto* box = static_cast<TZEPHContainer*>(group->AsControl());
  ASSERT_EQ(group->SetValueAsInt32(ZEPH_UI_GROUPBOX_PROP_CHECKBOX_MODE, 2), S_OK);
  EXPECT_TRUE(box->GetCheckBox()->GetVisible());
  EXPECT_EQ(box->GetCheckBox()->GetAction(), cbaToggleChildrenEnableState);
  ASSERT_EQ(group->SetValueAsInt32(ZEPH_UI_GROUPBOX_PROP_CHECKBOX_MODE, 0), S_OK);
  EXPECT_FALSE(box->GetCheckBox()->GetVisible());
  Integer mode = -1;
  group->GetValueAsInt32(ZEPH_UI_GROUPBOX_PROP_CHECKBOX_MODE, mode);
  EXPECT_EQ(mode, 0);

  auto button = New<TZEPHUIButtonControl>();
  ASSERT_EQ(button->SetValueAsInt32(ZEPH_UI_BUTTON_PROP_FOCUSABLE, 0), S_OK);
  EXPECT_FALSE(button->AsWinControl()->GetTabStop());
  EXPECT_EQ(button->AsControl()->GetFont()->GetStyle(), TFontStyles{});
  button->SetValueAsInt32(ZEPH_UI_BUTTON_PROP_FONT_STYLE, 1 | 8);
  EXPECT_EQ(button->AsControl()->GetFont()->GetStyle(), (TFontStyles{fsBold, fsStrikeOut}));

  auto panel = New<TZEPHUIPanelControl>();
  EXPECT_EQ(static_cast<TZEPHContainer*>(panel->AsControl())->GetPadding()->GetAll(), 0);
}

TEST_F(PluginControlsTest, LabelTextColourTakesAValueOrAColourName) {
  auto label = New<TZEPHUILabelControl>();
  TZCLResourceColor* color = static_cast<TZCLLabel*>(label->AsControl())->GetStyle()->GetColor(4);
  ASSERT_EQ(label->SetValueAsInt32(ZEPH_UI_LABEL_PROP_TEXT_COLOR, Integer(0xFF102030u)), S_OK);
  EXPECT_EQ(color->GetValue(), 0xFF102030u);
  const String before = color->GetID();
  ASSERT_EQ(label->SetValueAsObject(ZEPH_UI_LABEL_PROP_TEXT_COLOR, MakePluginString(u"Common.Colors.Border1").get()),
            S_OK);
  EXPECT_EQ(color->GetID(), u"Common.Colors.Border1");
  EXPECT_NE(color->GetID(), before);

  auto bbc = New<TZEPHUIBBCControl>();
  ASSERT_EQ(bbc->SetValueAsObject(ZEPH_UI_BBC_PROP_TEXT_COLOR, MakePluginString(u"Labels.Colors.Background").get()),
            S_OK);
  Integer unmapped = 0;
  EXPECT_EQ(bbc->GetValueAsInt32(99, unmapped), E_INVALIDARG);
}

TEST_F(PluginControlsTest, LabelClickOpensTrimmedURLsOnlyAndAlwaysReportsTheChange) {
  struct TCase {
    const char16_t* URL;
    bool Opens;
  };
  const TCase cases[] = {{u"_", false}, {u" \t ", false}, {u"", false}, {u" _ ", false}, {u" example.org\n", true}};
  std::vector<String> opened;
  detail::SetShellLauncher([&](const String& FileName, const String&) {
    opened.push_back(FileName);
    return true;
  });
  auto label = New<TZEPHUILabelControl>();
  auto* control = static_cast<TZCLLabel*>(label->AsControl());
  for (const TCase& c : cases) {
    SCOPED_TRACE(StringToUTF8(c.URL));
    opened.clear();
    const Integer changes = Events->Changes;
    ASSERT_EQ(label->SetValueAsObject(ZEPH_UI_LABEL_PROP_URL, MakePluginString(c.URL).get()), S_OK);
    control->OnClick(control);
    EXPECT_EQ(Events->Changes, changes + 1);
    EXPECT_EQ(!opened.empty(), c.Opens);
    if (c.Opens) EXPECT_NE(opened[0].find(u"example.org"), String::npos);
  }
}

TEST_F(PluginControlsTest, ChangesOfTheComponentsReachThePluginUntilTheWrapperGoes) {
  auto check = New<TZEPHUICheckBoxControl>();
  auto group = New<TZEPHUIGroupBoxControl>();
  auto slider = New<TZEPHUISliderControl>();
  TControl* checkControl = check->AsControl();
  checkControl->OnClick(checkControl);
  EXPECT_EQ(Events->Changes, 1);
  group->SetValueAsInt32(ZEPH_UI_GROUPBOX_PROP_CHECKBOX_MODE, 1);
  const Integer before = Events->Changes;
  group->SetValueAsInt32(ZEPH_UI_GROUPBOX_PROP_CHECKED, 0);
  EXPECT_EQ(Events->Changes, before + 1);
  auto* zslider = static_cast<TZCLSlider*>(slider->AsControl());
  zslider->OnChange(zslider);
  EXPECT_EQ(Events->Changes, before + 2);

  check = nullptr;
  EXPECT_FALSE(checkControl->OnClick);
}

TEST_F(PluginControlsTest, PanelAndSliderLetThePluginPaint) {
  auto panel = New<TZEPHUIPanelControl>();
  panel->AsControl()->SetBounds(0, 0, 10, 8);
  TZCLDib dib(30, 30);
  dib.Reset();
  ASSERT_EQ(panel->PaintTo(dib.GetCanvas()->GetHandle(), 4, 6), S_OK);
  EXPECT_GE(Events->Paints, 1);
  dib.BeginAccess();
  const uint32_t* p = reinterpret_cast<uint32_t*>(dib.GetColors());
  EXPECT_EQ(p[dib.CoordToIndex(4, 6)] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(p[dib.CoordToIndex(13, 13)] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(p[dib.CoordToIndex(14, 14)], 0u);
  dib.EndAccess();

  auto slider = New<TZEPHUISliderControl>();
  auto* zslider = static_cast<TZCLSlider*>(slider->AsControl());
  bool handled = false;
  zslider->OnDrawBackground(zslider, dib.GetCanvas(), TRect(0, 0, 5, 5), handled);
  EXPECT_TRUE(handled);
}

TEST_F(PluginControlsTest, OperationsAnswerCodesAndNeverRaise) {
  auto button = New<TZEPHUIButtonControl>();
  EXPECT_EQ(button->DropDown(), E_FAIL);
  auto scroll = New<TZEPHUIScrollBoxControl>();
  HRESULT dropped = S_OK, shown = S_OK;
  std::thread worker([&] {
    dropped = button->DropDown();
    shown = scroll->MakeVisible(nullptr);
  });
  worker.join();
  EXPECT_EQ(dropped, E_ACCESSDENIED);
  EXPECT_EQ(shown, E_ACCESSDENIED);
  void* obj = nullptr;
  EXPECT_EQ(button->GetValueAsObject(ZEPH_UI_BUTTON_PROP_DROPDOWN_MENU, IIDOf<IInterface>(), &obj), E_INVALIDARG);

  auto splitter = New<TZEPHUISplitterControl>();
  obj = reinterpret_cast<void*>(1);
  EXPECT_EQ(splitter->GetValueAsObject(ZEPH_UI_SPLITTER_PROP_CONTROL, IIDOf<IInterface>(), &obj), E_INVALIDARG);
  EXPECT_EQ(obj, nullptr);
  auto list = IPtr<TZEPHUIImageList>(
      Create<TZEPHUIImageList>(static_cast<IInterface*>(nullptr), static_cast<TComponent*>(nullptr)));
  IInterface* listIntf = static_cast<IZEPHUIImageList*>(list.get());
  EXPECT_EQ(splitter->SetValueAsObject(ZEPH_UI_SPLITTER_PROP_CONTROL, listIntf), E_UNEXPECTED);
  auto panel = New<TZEPHUIPanelControl>();
  IInterface* panelIntf = static_cast<IZEPHUIPanel*>(panel.get());
  ASSERT_EQ(splitter->SetValueAsObject(ZEPH_UI_SPLITTER_PROP_CONTROL, panelIntf), S_OK);
  EXPECT_EQ(static_cast<TZCLSplitter*>(splitter->AsControl())->GetControl(), panel->AsControl());
  ASSERT_EQ(splitter->GetValueAsObject(ZEPH_UI_SPLITTER_PROP_CONTROL, IIDOf<IZEPHUIPanel>(), &obj), S_OK);
  EXPECT_EQ(obj, static_cast<IZEPHUIPanel*>(panel.get()));
  static_cast<IZEPHUIPanel*>(obj)->_Release();

  EXPECT_EQ(scroll->MakeVisible(nullptr), S_OK);
  EXPECT_EQ(scroll->MakeVisible(listIntf), E_UNEXPECTED);

  // A wrapped image list comes back as the program's image lists do.
  EXPECT_EQ(button->SetValueAsObject(ZEPH_UI_BUTTON_PROP_IMAGES, listIntf), S_OK);
  ASSERT_EQ(button->GetValueAsObject(ZEPH_UI_BUTTON_PROP_IMAGES, IIDOf<IZEPHUIImageList>(), &obj), S_OK);
  EXPECT_EQ(obj, static_cast<IZEPHUIImageList*>(list.get()));
  static_cast<IZEPHUIImageList*>(obj)->_Release();
}

TEST_F(PluginControlsTest, ScrollBoxBringsAControlInsideIntoView) {
  auto scroll = New<TZEPHUIScrollBoxControl>();
  scroll->AsControl()->SetBounds(0, 0, 100, 60);
  auto panel = New<TZEPHUIPanelControl>();
  ASSERT_EQ(panel->SetValueAsObject(ZEPH_UI_PROP_PARENT, static_cast<IZEPHUIScrollBox*>(scroll.get())), S_OK);
  panel->AsControl()->SetBounds(0, 300, 50, 20);
  ASSERT_EQ(scroll->MakeVisible(static_cast<IZEPHUIPanel*>(panel.get())), S_OK);
  EXPECT_GE(panel->AsControl()->GetTop(), 0);
  EXPECT_LE(panel->AsControl()->GetTop() + 20, 60);
}

TEST_F(PluginControlsTest, ButtonsShowTheSharedSmallImagesUntilThePluginGivesItsOwn) {
  if (!FindEmbeddedResource(u"TdmDialogsData", u"RCDATA"))
    GTEST_SKIP() << "the stored form of the dialogs data module is not embedded";
  std::unique_ptr<TdmDialogsData, TFree> module(Create<TdmDialogsData>(static_cast<TComponent*>(nullptr)));
  auto button = New<TZEPHUIButtonControl>();
  auto* zbutton = static_cast<TZCLButton*>(button->AsControl());
  ASSERT_NE(zbutton->GetImagesProperty(), nullptr);
  EXPECT_EQ(zbutton->GetImagesProperty(), module->GetSmallImages(zbutton));

  auto list = IPtr<TZEPHUIImageList>(
      Create<TZEPHUIImageList>(static_cast<IInterface*>(nullptr), static_cast<TComponent*>(nullptr)));
  ASSERT_EQ(button->SetValueAsObject(ZEPH_UI_BUTTON_PROP_IMAGES, static_cast<IZEPHUIImageList*>(list.get())), S_OK);
  EXPECT_EQ(zbutton->GetImagesProperty(), static_cast<TCustomImageList*>(list->AsImageList()));
}
