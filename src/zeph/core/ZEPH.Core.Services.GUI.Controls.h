#pragma once
// The control wrappers plugins build their forms from: one wrapper class per kind of control,
// each creating its component, mapping the plugin's property identifiers onto the component's
// published properties and passing the component's events on to the plugin's events handler.
// No member lets an exception reach the plugin: errors answer E_UNEXPECTED, counts -1.

#include "zcl/ui/controls/ZCL.UI.CheckBoxes.h"
#include "zcl/ui/controls/ZCL.UI.Controls.GroupBox.h"
#include "zcl/ui/controls/ZCL.UI.Panels.h"
#include "zeph/core/ZEPH.Core.UI.h"

class TZCLResourceColor;

// ---- plugin interfaces ----------------------------------------------------------------------------

struct IZEPHUIButton : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUIButton, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0130}")
  // Opens the drop-down menu below the button; E_FAIL without one.
  virtual HRESULT DropDown() = 0;
};

struct IZEPHUIBBCBox : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUIBBCBox, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0131}")
};

struct IZEPHUIBevel : virtual IZEPHUIControl {
  RTL_INTERFACE(IZEPHUIBevel, IZEPHUIControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0132}")
};

struct IZEPHUIBrandBox : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUIBrandBox, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0133}")
};

struct IZEPHUICategory : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUICategory, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0134}")
};

struct IZEPHUICheckBox : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUICheckBox, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0135}")
};

struct IZEPHUIRadioBox : virtual IZEPHUICheckBox {
  RTL_INTERFACE(IZEPHUIRadioBox, IZEPHUICheckBox, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0136}")
};

struct IZEPHUIGroupBox : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUIGroupBox, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0137}")
};

struct IZEPHUIPanel : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUIPanel, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0138}")
};

struct IZEPHUILabel : virtual IZEPHUIControl {
  RTL_INTERFACE(IZEPHUILabel, IZEPHUIControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0139}")
};

struct IZEPHUIValidationLabel : virtual IZEPHUILabel {
  RTL_INTERFACE(IZEPHUIValidationLabel, IZEPHUILabel, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D013A}")
};

struct IZEPHUIProgressBar : virtual IZEPHUIControl {
  RTL_INTERFACE(IZEPHUIProgressBar, IZEPHUIControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D013B}")
};

struct IZEPHUIScrollBox : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUIScrollBox, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D013C}")
  // Scrolls a control inside the box into view; null scrolls nothing.
  virtual HRESULT MakeVisible(IInterface* Control) = 0;
};

struct IZEPHUISlider : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUISlider, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D013D}")
};

struct IZEPHUISpinEdit : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUISpinEdit, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D013E}")
};

struct IZEPHUISplitter : virtual IZEPHUIControl {
  RTL_INTERFACE(IZEPHUISplitter, IZEPHUIControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D013F}")
};

struct IZEPHUITimeEdit : virtual IZEPHUIWinControl {
  RTL_INTERFACE(IZEPHUITimeEdit, IZEPHUIWinControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0140}")
};

// ---- property identifiers -------------------------------------------------------------------------

constexpr Integer ZEPH_UI_BUTTON_PROP_CAPTION = 31;
constexpr Integer ZEPH_UI_BUTTON_PROP_FOCUSABLE = 32;
constexpr Integer ZEPH_UI_BUTTON_PROP_DEFAULT = 33;
constexpr Integer ZEPH_UI_BUTTON_PROP_DROPDOWN_MENU = 34;
constexpr Integer ZEPH_UI_BUTTON_PROP_IMAGE_INDEX = 35;
constexpr Integer ZEPH_UI_BUTTON_PROP_IMAGES = 36;
constexpr Integer ZEPH_UI_BUTTON_PROP_MODAL_RESULT = 37;
constexpr Integer ZEPH_UI_BUTTON_PROP_KIND = 38;
constexpr Integer ZEPH_UI_BUTTON_PROP_FONT_STYLE = 39;

constexpr Integer ZEPH_UI_BBC_PROP_BORDERS = 31;
constexpr Integer ZEPH_UI_BBC_PROP_CAPTION = 32;
constexpr Integer ZEPH_UI_BBC_PROP_TRANSPARENT = 33;
constexpr Integer ZEPH_UI_BBC_PROP_WORD_WRAP = 34;
constexpr Integer ZEPH_UI_BBC_PROP_AUTO_SCROLL = 35;
constexpr Integer ZEPH_UI_BBC_PROP_ALIGNMENT = 36;
constexpr Integer ZEPH_UI_BBC_PROP_TEXT_COLOR = 37;
constexpr Integer ZEPH_UI_BBC_PROP_PADDING = 38;

constexpr Integer ZEPH_UI_BEVEL_PROP_BORDERS = 21;

constexpr Integer ZEPH_UI_BRANDBOX_PROP_CAPTION = 31;

constexpr Integer ZEPH_UI_CATEGORY_PROP_AUTO_SIZE = 31;
constexpr Integer ZEPH_UI_CATEGORY_PROP_CAPTION = 32;

constexpr Integer ZEPH_UI_CHECKBOX_PROP_AUTO_SIZE = 31;
constexpr Integer ZEPH_UI_CHECKBOX_PROP_CAPTION = 32;
constexpr Integer ZEPH_UI_CHECKBOX_PROP_STATE = 33;
constexpr Integer ZEPH_UI_CHECKBOX_PROP_WORD_WRAP = 34;

constexpr Integer ZEPH_UI_GROUPBOX_PROP_AUTO_SIZE = 31;
constexpr Integer ZEPH_UI_GROUPBOX_PROP_BORDERS = 32;
constexpr Integer ZEPH_UI_GROUPBOX_PROP_TRANSPARENT = 33;
constexpr Integer ZEPH_UI_GROUPBOX_PROP_CHECKBOX_MODE = 34;
constexpr Integer ZEPH_UI_GROUPBOX_PROP_CHECKED = 35;
constexpr Integer ZEPH_UI_GROUPBOX_PROP_CAPTION = 36;

constexpr Integer ZEPH_UI_PANEL_PROP_AUTO_SIZE = 31;
constexpr Integer ZEPH_UI_PANEL_PROP_BORDERS = 32;
constexpr Integer ZEPH_UI_PANEL_PROP_TRANSPARENT = 33;
constexpr Integer ZEPH_UI_PANEL_PROP_PADDING = 34;

constexpr Integer ZEPH_UI_LABEL_PROP_AUTO_SIZE = 21;
constexpr Integer ZEPH_UI_LABEL_PROP_SHOW_LINE = 22;
constexpr Integer ZEPH_UI_LABEL_PROP_CAPTION = 23;
constexpr Integer ZEPH_UI_LABEL_PROP_ALIGNMENT = 24;
constexpr Integer ZEPH_UI_LABEL_PROP_ALIGNMENT_VERT = 25;
constexpr Integer ZEPH_UI_LABEL_PROP_TEXT_COLOR = 26;
constexpr Integer ZEPH_UI_LABEL_PROP_FONT_STYLE = 27;
constexpr Integer ZEPH_UI_LABEL_PROP_TRANSPARENT = 28;
constexpr Integer ZEPH_UI_LABEL_PROP_URL = 29;
constexpr Integer ZEPH_UI_LABEL_PROP_WORD_WRAP = 30;
constexpr Integer ZEPH_UI_VALIDATION_LABEL_PROP_ICON = 41;

constexpr Integer ZEPH_UI_PROGRESS_PROP_WAITING_MODE = 31;
constexpr Integer ZEPH_UI_PROGRESS_PROP_MAX = 32;
constexpr Integer ZEPH_UI_PROGRESS_PROP_MIN = 33;
constexpr Integer ZEPH_UI_PROGRESS_PROP_PROGRESS = 34;

constexpr Integer ZEPH_UI_SCROLLBOX_PROP_BORDERS = 31;

constexpr Integer ZEPH_UI_SLIDER_PROP_HORIZONTAL = 31;
constexpr Integer ZEPH_UI_SLIDER_PROP_MARK_VISIBLE = 32;
constexpr Integer ZEPH_UI_SLIDER_PROP_PAGE = 33;
constexpr Integer ZEPH_UI_SLIDER_PROP_TRANSPARENT = 34;
constexpr Integer ZEPH_UI_SLIDER_PROP_POSITION = 35;
constexpr Integer ZEPH_UI_SLIDER_PROP_DEFAULT = 36;
constexpr Integer ZEPH_UI_SLIDER_PROP_MAX = 37;
constexpr Integer ZEPH_UI_SLIDER_PROP_MIN = 38;

constexpr Integer ZEPH_UI_SPINEDIT_PROP_DISPLAY_FORMAT = 31;
constexpr Integer ZEPH_UI_SPINEDIT_PROP_INC_COUNT = 32;
constexpr Integer ZEPH_UI_SPINEDIT_PROP_MAX_VALUE = 33;
constexpr Integer ZEPH_UI_SPINEDIT_PROP_MIN_VALUE = 34;
constexpr Integer ZEPH_UI_SPINEDIT_PROP_VALUE = 35;
constexpr Integer ZEPH_UI_SPINEDIT_PROP_VALUE_TYPE = 36;

constexpr Integer ZEPH_UI_SPLITTER_PROP_CAN_TOGGLE = 31;
constexpr Integer ZEPH_UI_SPLITTER_PROP_CONTROL = 32;

constexpr Integer ZEPH_UI_TIMEEDIT_PROP_TIME = 31;

// ---- components of the wrappers -------------------------------------------------------------------

// A group box that lets its owner paint over it.
class TZEPHContainer : public TZCLGroupBox {
  ZCL_CLASS(TZEPHContainer, TZCLGroupBox)
 public:
  explicit TZEPHContainer(TComponent* AOwner);
  // With all four paddings 0 (the panel).
  TZEPHContainer(TComponent* AOwner, bool NoPadding);
  void AfterConstruction() override;
  // After the group box painted itself.
  TNotifyEvent OnPaint;

 protected:
  void Paint() override;

 private:
  bool FNoPadding = false;
};

class TZEPHCategory : public TZCLCategory {
  ZCL_CLASS(TZEPHCategory, TZCLCategory)
 public:
  using TZCLCategory::TZCLCategory;
};

// Publishes the check state, so that the plugin reads and writes it like a check box's.
class TMyRadioBox : public TZCLRadioBox {
  ZCL_CLASS(TMyRadioBox, TZCLRadioBox)
 public:
  using TZCLRadioBox::TZCLRadioBox;
  static void DeclareProperties(TClassDeclaration<TMyRadioBox>& D);
};

// ---- wrappers -------------------------------------------------------------------------------------

class TZEPHUIButtonControl : public TZEPHUIWinControl, public virtual IZEPHUIButton {
  ZCL_CLASS(TZEPHUIButtonControl, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUIButton)
 public:
  using TZEPHUIWinControl::TZEPHUIWinControl;
  static void DeclareProperties(TClassDeclaration<TZEPHUIButtonControl>& D);
  HRESULT DropDown() override;
  // The button's FocusOnClick; writing sets its tab stop alike.
  bool GetFocusable() const;
  void SetFocusable(bool Value);
  // The font's style as bits: bold 1, italic 2, underline 4, strike-out 8.
  Integer GetFontStyle() const;
  void SetFontStyle(Integer Value);

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void BindEvents() override;
  void UnbindEvents() override;
};

class TZEPHUIBBCControl : public TZEPHUIWinControl, public virtual IZEPHUIBBCBox {
  ZCL_CLASS(TZEPHUIBBCControl, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUIBBCBox)
 public:
  using TZEPHUIWinControl::TZEPHUIWinControl;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;

 private:
  TZCLResourceColor* TextColor() const;
};

class TZEPHUIBevelControl : public TZEPHUIControl, public virtual IZEPHUIBevel {
  ZCL_CLASS(TZEPHUIBevelControl, TZEPHUIControl)
  RTL_INTERFACES(TZEPHUIControl, IZEPHUIBevel)
 public:
  using TZEPHUIControl::TZEPHUIControl;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
};

class TZEPHUIBrandBox : public TZEPHUIWinControl, public virtual IZEPHUIBrandBox {
  ZCL_CLASS(TZEPHUIBrandBox, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUIBrandBox)
 public:
  using TZEPHUIWinControl::TZEPHUIWinControl;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
};

class TZEPHUICategoryControl : public TZEPHUIWinControl, public virtual IZEPHUICategory {
  ZCL_CLASS(TZEPHUICategoryControl, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUICategory)
 public:
  using TZEPHUIWinControl::TZEPHUIWinControl;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
};

class TZEPHUICheckBoxControl : public TZEPHUIWinControl, public virtual IZEPHUICheckBox {
  ZCL_CLASS(TZEPHUICheckBoxControl, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUICheckBox)
 public:
  using TZEPHUIWinControl::TZEPHUIWinControl;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void BindEvents() override;
  void UnbindEvents() override;
};

class TZEPHUIRadioBoxControl : public TZEPHUICheckBoxControl, public virtual IZEPHUIRadioBox {
  ZCL_CLASS(TZEPHUIRadioBoxControl, TZEPHUICheckBoxControl)
  RTL_INTERFACES(TZEPHUICheckBoxControl, IZEPHUIRadioBox)
 public:
  using TZEPHUICheckBoxControl::TZEPHUICheckBoxControl;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
};

class TZEPHUIGroupBoxControl : public TZEPHUIWinControl, public virtual IZEPHUIGroupBox {
  ZCL_CLASS(TZEPHUIGroupBoxControl, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUIGroupBox)
 public:
  using TZEPHUIWinControl::TZEPHUIWinControl;
  static void DeclareProperties(TClassDeclaration<TZEPHUIGroupBoxControl>& D);
  // 0 check box hidden; else 1 none, 2 toggles the children's enabled state, 3 minimizes.
  Integer GetCheckBoxMode() const;
  void SetCheckBoxMode(Integer Value);

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void BindEvents() override;
  void UnbindEvents() override;
  TZEPHContainer* AsContainer() const;
};

class TZEPHUIPanelControl : public TZEPHUIWinControl, public virtual IZEPHUIPanel {
  ZCL_CLASS(TZEPHUIPanelControl, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUIPanel)
 public:
  using TZEPHUIWinControl::TZEPHUIWinControl;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void BindEvents() override;
  void UnbindEvents() override;

 private:
  void ContainerPaint(TObject* Sender);
};

class TZEPHUILabelControl : public TZEPHUIControl, public virtual IZEPHUILabel {
  ZCL_CLASS(TZEPHUILabelControl, TZEPHUIControl)
  RTL_INTERFACES(TZEPHUIControl, IZEPHUILabel)
 public:
  using TZEPHUIControl::TZEPHUIControl;
  static void DeclareProperties(TClassDeclaration<TZEPHUILabelControl>& D);
  // As the button's.
  Integer GetFontStyle() const;
  void SetFontStyle(Integer Value);

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void BindEvents() override;
  void UnbindEvents() override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;

 private:
  void LabelClick(TObject* Sender);
  TZCLResourceColor* TextColor() const;
};

class TZEPHUIValidationLabelControl : public TZEPHUILabelControl, public virtual IZEPHUIValidationLabel {
  ZCL_CLASS(TZEPHUIValidationLabelControl, TZEPHUILabelControl)
  RTL_INTERFACES(TZEPHUILabelControl, IZEPHUIValidationLabel)
 public:
  using TZEPHUILabelControl::TZEPHUILabelControl;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
};

class TZEPHUIProgressBarControl : public TZEPHUIControl, public virtual IZEPHUIProgressBar {
  ZCL_CLASS(TZEPHUIProgressBarControl, TZEPHUIControl)
  RTL_INTERFACES(TZEPHUIControl, IZEPHUIProgressBar)
 public:
  using TZEPHUIControl::TZEPHUIControl;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
};

class TZEPHUIScrollBoxControl : public TZEPHUIWinControl, public virtual IZEPHUIScrollBox {
  ZCL_CLASS(TZEPHUIScrollBoxControl, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUIScrollBox)
 public:
  using TZEPHUIWinControl::TZEPHUIWinControl;
  HRESULT MakeVisible(IInterface* Control) override;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
};

class TZEPHUISliderControl : public TZEPHUIWinControl, public virtual IZEPHUISlider {
  ZCL_CLASS(TZEPHUISliderControl, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUISlider)
 public:
  using TZEPHUIWinControl::TZEPHUIWinControl;
  static void DeclareProperties(TClassDeclaration<TZEPHUISliderControl>& D);
  bool GetHorizontal() const;
  void SetHorizontal(bool Value);

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void BindEvents() override;
  void UnbindEvents() override;

 private:
  void DrawBackground(TObject* Sender, TCanvas* Canvas, const TRect& R, bool& Handled);
};

class TZEPHUISpinEdit : public TZEPHUIWinControl, public virtual IZEPHUISpinEdit {
  ZCL_CLASS(TZEPHUISpinEdit, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUISpinEdit)
 public:
  using TZEPHUIWinControl::TZEPHUIWinControl;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void BindEvents() override;
  void UnbindEvents() override;
};

class TZEPHUISplitterControl : public TZEPHUIControl, public virtual IZEPHUISplitter {
  ZCL_CLASS(TZEPHUISplitterControl, TZEPHUIControl)
  RTL_INTERFACES(TZEPHUIControl, IZEPHUISplitter)
 public:
  using TZEPHUIControl::TZEPHUIControl;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void BindEvents() override;
  void UnbindEvents() override;
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;

 private:
  void SplitterPaint(TObject* Sender);
  // The resized control's interface as the plugin gave it.
  IPtr<IInterface> FResizeControl;
};

class TZEPHUITimeEdit : public TZEPHUIWinControl, public virtual IZEPHUITimeEdit {
  ZCL_CLASS(TZEPHUITimeEdit, TZEPHUIWinControl)
  RTL_INTERFACES(TZEPHUIWinControl, IZEPHUITimeEdit)
 public:
  using TZEPHUIWinControl::TZEPHUIWinControl;

 protected:
  TComponent* CreateComponent(TComponent* Owner) override;
  void ComponentCreated() override;
  void BindEvents() override;
  void UnbindEvents() override;
};

// Unit start-up: the wrappers' published properties and the adapters of program components that
// plugins may be handed (image lists).
void GUIControlsInitialize();
void GUIControlsFinalize();
