#include "zeph/core/ZEPH.Core.Services.GUI.Controls.h"

#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/ui/ZCL.UI.ImageList.h"
#include "zcl/ui/ZCL.UI.Resources.h"
#include "zcl/ui/ZCL.UI.Style.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Slider.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Splitter.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Spin.h"
#include "zcl/ui/controls/ZCL.UI.FormattedLabel.h"
#include "zcl/ui/controls/ZCL.UI.Labels.h"
#include "zcl/ui/controls/ZCL.UI.ScrollBox.h"
#include "zeph/core/ZEPH.Core.Background.h"
#include "zeph/core/ZEPH.Core.DialogsData.h"
#include "zeph/core/ZEPH.Core.UI.Images.h"

namespace {
// The colour resource of a style that holds the text colour.
constexpr Integer TextColorIndex = 4;

// A plugin string written to a text colour names a colour of the resource collection.
bool SetColorID(TZCLResourceColor* Color, IInterface* Value) {
  String id;
  if (!Color || !TryPluginStringToStr(Value, id)) return false;
  Color->SetID(id);
  return true;
}

String TrimControlChars(const String& S) {
  size_t first = 0, last = S.size();
  while (first < last && S[first] < 33) ++first;
  while (last > first && S[last - 1] < 33) --last;
  return S.substr(first, last - first);
}

// Paints the plugin's part of a control over its whole extent.
void CustomDrawWhole(TZEPHUIComponent* Wrapper, TCanvas* Canvas, TControl* Control) {
  if (!Canvas || !Control) return;
  TZEPHUICustomDraw::Draw(Wrapper->AsSender(), Wrapper->GetEventsHandler(), Canvas,
                          TRect(0, 0, Control->GetWidth(), Control->GetHeight()));
}

// The font's style set as plugin bits (the first element is bit 0); 0 without a control.
Integer FontStyleBits(TControl* Control) {
  if (!Control) return 0;
  const TFontStyles style = Control->GetFont()->GetStyle();
  Integer bits = 0;
  for (TFontStyle s : {fsBold, fsItalic, fsUnderline, fsStrikeOut})
    if (style.Contains(s)) bits |= 1 << Integer(s);
  return bits;
}

void SetFontStyleBits(TControl* Control, Integer Bits) {
  if (!Control) return;
  TFontStyles style;
  for (TFontStyle s : {fsBold, fsItalic, fsUnderline, fsStrikeOut})
    if (Bits & (1 << Integer(s))) style.Include(s);
  Control->GetFont()->SetStyle(style);
}

class TButtonAccess : public TZCLButton {
 public:
  using TZCLButton::DropDownMenu;
};
}  // namespace

// ---- components -----------------------------------------------------------------------------------

TZEPHContainer::TZEPHContainer(TComponent* AOwner) : TZCLGroupBox(AOwner) {}

TZEPHContainer::TZEPHContainer(TComponent* AOwner, bool NoPadding) : TZCLGroupBox(AOwner), FNoPadding(NoPadding) {}

void TZEPHContainer::AfterConstruction() {
  TZCLGroupBox::AfterConstruction();
  // The paddings exist once the control is complete.
  if (FNoPadding) GetPadding()->SetAll(0);
}

void TZEPHContainer::Paint() {
  TZCLGroupBox::Paint();
  if (OnPaint) OnPaint(this);
}

void TMyRadioBox::DeclareProperties(TClassDeclaration<TMyRadioBox>& D) {
  D.Property(u"State", &TZCLCustomCheckBox::GetState, &TZCLCustomCheckBox::SetState).Default(cbUnchecked);
}

// ---- button ---------------------------------------------------------------------------------------

void TZEPHUIButtonControl::DeclareProperties(TClassDeclaration<TZEPHUIButtonControl>& D) {
  D.Property(u"Focusable", &TZEPHUIButtonControl::GetFocusable, &TZEPHUIButtonControl::SetFocusable);
  D.Property(u"FontStyle", &TZEPHUIButtonControl::GetFontStyle, &TZEPHUIButtonControl::SetFontStyle);
}

Integer TZEPHUIButtonControl::GetFontStyle() const { return FontStyleBits(AsControl()); }
void TZEPHUIButtonControl::SetFontStyle(Integer Value) { SetFontStyleBits(AsControl(), Value); }

TComponent* TZEPHUIButtonControl::CreateComponent(TComponent* Owner) { return Create<TZCLButton>(Owner); }

void TZEPHUIButtonControl::ComponentCreated() {
  TZEPHUIWinControl::ComponentCreated();
  auto* button = static_cast<TZCLButton*>(FObject);
  MapProperty(ZEPH_UI_BUTTON_PROP_CAPTION, u"Caption", button);
  MapProperty(ZEPH_UI_BUTTON_PROP_FOCUSABLE, u"Focusable", this);
  MapProperties(button, {{ZEPH_UI_BUTTON_PROP_DEFAULT, u"Default"},
                         {ZEPH_UI_BUTTON_PROP_DROPDOWN_MENU, u"DropDownMenu"},
                         {ZEPH_UI_BUTTON_PROP_IMAGE_INDEX, u"ImageIndex"},
                         {ZEPH_UI_BUTTON_PROP_IMAGES, u"Images"},
                         {ZEPH_UI_BUTTON_PROP_MODAL_RESULT, u"ModalResult"},
                         {ZEPH_UI_BUTTON_PROP_KIND, u"Kind"}});
  // The font publishes nothing: its style goes through the wrapper.
  MapProperty(ZEPH_UI_BUTTON_PROP_FONT_STYLE, u"FontStyle", this);
}

void TZEPHUIButtonControl::BindEvents() {
  TZEPHUIWinControl::BindEvents();
  auto* button = static_cast<TZCLButton*>(FObject);
  if (TdmDialogsData* data = dmDialogsData()) button->SetImages(data->GetSmallImages(button));
  button->OnClick = ChangedEvent();
}

void TZEPHUIButtonControl::UnbindEvents() {
  TZEPHUIWinControl::UnbindEvents();
  if (auto* button = dynamic_cast<TZCLButton*>(FObject)) button->OnClick = nullptr;
}

bool TZEPHUIButtonControl::GetFocusable() const {
  auto* button = dynamic_cast<TZCLButton*>(FObject);
  return button && button->GetFocusOnClick();
}

void TZEPHUIButtonControl::SetFocusable(bool Value) {
  auto* button = dynamic_cast<TZCLButton*>(FObject);
  if (!button) return;
  button->SetFocusOnClick(Value);
  button->SetTabStop(Value);
}

HRESULT TZEPHUIButtonControl::DropDown() {
  return Checked([&] {
    auto* button = static_cast<TZCLButton*>(FObject);
    if (!button->GetDropDownMenu()) return E_FAIL;
    static_cast<TButtonAccess*>(button)->DropDownMenu();
    return S_OK;
  });
}

// ---- formatted label ------------------------------------------------------------------------------

TComponent* TZEPHUIBBCControl::CreateComponent(TComponent* Owner) { return Create<TZCLFormattedLabel>(Owner); }

TZCLResourceColor* TZEPHUIBBCControl::TextColor() const {
  auto* label = dynamic_cast<TZCLFormattedLabel*>(FObject);
  return label && label->GetStyle() ? label->GetStyle()->GetColor(TextColorIndex) : nullptr;
}

void TZEPHUIBBCControl::ComponentCreated() {
  TZEPHUIWinControl::ComponentCreated();
  auto* label = static_cast<TZCLFormattedLabel*>(FObject);
  MapProperties(label, {{ZEPH_UI_BBC_PROP_BORDERS, u"Borders"},
                        {ZEPH_UI_BBC_PROP_CAPTION, u"Caption"},
                        {ZEPH_UI_BBC_PROP_TRANSPARENT, u"Transparent"},
                        {ZEPH_UI_BBC_PROP_WORD_WRAP, u"WordWrap"},
                        {ZEPH_UI_BBC_PROP_AUTO_SCROLL, u"AutoScroll"},
                        {ZEPH_UI_BBC_PROP_ALIGNMENT, u"Alignment"}});
  MapProperty(ZEPH_UI_BBC_PROP_TEXT_COLOR, u"Value", TextColor());
  MapProperty(ZEPH_UI_BBC_PROP_PADDING, u"All", label->GetPadding());
}

void TZEPHUIBBCControl::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  if (PropertyID == ZEPH_UI_BBC_PROP_TEXT_COLOR && SetColorID(TextColor(), Value)) return;
  TZEPHUIWinControl::DoSetValueAsObject(PropertyID, Value, Result);
}

// ---- bevel, brand box, category --------------------------------------------------------------------

TComponent* TZEPHUIBevelControl::CreateComponent(TComponent* Owner) { return Create<TZCLBevel>(Owner); }

void TZEPHUIBevelControl::ComponentCreated() {
  TZEPHUIControl::ComponentCreated();
  MapProperty(ZEPH_UI_BEVEL_PROP_BORDERS, u"Borders", static_cast<TZCLBevel*>(FObject)->GetStyle());
}

TComponent* TZEPHUIBrandBox::CreateComponent(TComponent* Owner) { return Create<TZEPHBackground>(Owner); }

void TZEPHUIBrandBox::ComponentCreated() {
  TZEPHUIWinControl::ComponentCreated();
  MapProperty(ZEPH_UI_BRANDBOX_PROP_CAPTION, u"Caption", FObject);
}

TComponent* TZEPHUICategoryControl::CreateComponent(TComponent* Owner) { return Create<TZEPHCategory>(Owner); }

void TZEPHUICategoryControl::ComponentCreated() {
  TZEPHUIWinControl::ComponentCreated();
  MapProperties(FObject, {{ZEPH_UI_CATEGORY_PROP_AUTO_SIZE, u"AutoSize"}, {ZEPH_UI_CATEGORY_PROP_CAPTION, u"Caption"}});
}

// ---- check box and radio box ----------------------------------------------------------------------

TComponent* TZEPHUICheckBoxControl::CreateComponent(TComponent* Owner) { return Create<TZCLCheckBox>(Owner); }

void TZEPHUICheckBoxControl::ComponentCreated() {
  TZEPHUIWinControl::ComponentCreated();
  MapProperties(FObject, {{ZEPH_UI_CHECKBOX_PROP_AUTO_SIZE, u"AutoSize"},
                          {ZEPH_UI_CHECKBOX_PROP_CAPTION, u"Caption"},
                          {ZEPH_UI_CHECKBOX_PROP_STATE, u"State"},
                          {ZEPH_UI_CHECKBOX_PROP_WORD_WRAP, u"WordWrap"}});
}

void TZEPHUICheckBoxControl::BindEvents() {
  TZEPHUIWinControl::BindEvents();
  AsControl()->OnClick = ChangedEvent();
}

void TZEPHUICheckBoxControl::UnbindEvents() {
  TZEPHUIWinControl::UnbindEvents();
  if (TControl* control = AsControl()) control->OnClick = nullptr;
}

TComponent* TZEPHUIRadioBoxControl::CreateComponent(TComponent* Owner) { return Create<TMyRadioBox>(Owner); }

// ---- group box and panel --------------------------------------------------------------------------

void TZEPHUIGroupBoxControl::DeclareProperties(TClassDeclaration<TZEPHUIGroupBoxControl>& D) {
  D.Property(u"CheckBoxMode", &TZEPHUIGroupBoxControl::GetCheckBoxMode, &TZEPHUIGroupBoxControl::SetCheckBoxMode);
}

TComponent* TZEPHUIGroupBoxControl::CreateComponent(TComponent* Owner) { return Create<TZEPHContainer>(Owner); }

TZEPHContainer* TZEPHUIGroupBoxControl::AsContainer() const { return dynamic_cast<TZEPHContainer*>(FObject); }

void TZEPHUIGroupBoxControl::ComponentCreated() {
  TZEPHUIWinControl::ComponentCreated();
  TZEPHContainer* box = AsContainer();
  MapProperties(box, {{ZEPH_UI_GROUPBOX_PROP_AUTO_SIZE, u"AutoSize"},
                      {ZEPH_UI_GROUPBOX_PROP_BORDERS, u"Borders"},
                      {ZEPH_UI_GROUPBOX_PROP_TRANSPARENT, u"Transparent"}});
  MapProperty(ZEPH_UI_GROUPBOX_PROP_CHECKBOX_MODE, u"CheckBoxMode", this);
  MapProperty(ZEPH_UI_GROUPBOX_PROP_CHECKED, u"Checked", box->GetCheckBox());
  MapProperty(ZEPH_UI_GROUPBOX_PROP_CAPTION, u"Caption", box);
}

void TZEPHUIGroupBoxControl::BindEvents() {
  TZEPHUIWinControl::BindEvents();
  AsContainer()->OnCheckBoxStateChanged = ChangedEvent();
}

void TZEPHUIGroupBoxControl::UnbindEvents() {
  TZEPHUIWinControl::UnbindEvents();
  if (TZEPHContainer* box = AsContainer()) box->OnCheckBoxStateChanged = nullptr;
}

Integer TZEPHUIGroupBoxControl::GetCheckBoxMode() const {
  TZEPHContainer* box = AsContainer();
  if (!box || !box->GetCheckBox()->GetVisible()) return 0;
  return Integer(box->GetCheckBox()->GetAction()) + 1;
}

void TZEPHUIGroupBoxControl::SetCheckBoxMode(Integer Value) {
  TZEPHContainer* box = AsContainer();
  if (!box) return;
  TZCLGroupBoxCheckBox* check = box->GetCheckBox();
  check->SetAction(Value == 2 ? cbaToggleChildrenEnableState : Value == 3 ? cbaToggleMinimizeState : cbaNone);
  check->SetVisible(Value != 0);
}

TComponent* TZEPHUIPanelControl::CreateComponent(TComponent* Owner) { return Create<TZEPHContainer>(Owner, true); }

void TZEPHUIPanelControl::ComponentCreated() {
  TZEPHUIWinControl::ComponentCreated();
  auto* box = static_cast<TZEPHContainer*>(FObject);
  MapProperties(box, {{ZEPH_UI_PANEL_PROP_AUTO_SIZE, u"AutoSize"},
                      {ZEPH_UI_PANEL_PROP_BORDERS, u"Borders"},
                      {ZEPH_UI_PANEL_PROP_TRANSPARENT, u"Transparent"}});
  MapProperty(ZEPH_UI_PANEL_PROP_PADDING, u"All", box->GetPadding());
}

void TZEPHUIPanelControl::BindEvents() {
  TZEPHUIWinControl::BindEvents();
  static_cast<TZEPHContainer*>(FObject)->OnPaint = TNotifyEvent(this, &TZEPHUIPanelControl::ContainerPaint);
}

void TZEPHUIPanelControl::UnbindEvents() {
  TZEPHUIWinControl::UnbindEvents();
  if (auto* box = dynamic_cast<TZEPHContainer*>(FObject)) box->OnPaint = nullptr;
}

void TZEPHUIPanelControl::ContainerPaint(TObject*) {
  auto* box = static_cast<TZEPHContainer*>(FObject);
  CustomDrawWhole(this, box->GetCanvas(), box);
}

// ---- labels ---------------------------------------------------------------------------------------

void TZEPHUILabelControl::DeclareProperties(TClassDeclaration<TZEPHUILabelControl>& D) {
  D.Property(u"FontStyle", &TZEPHUILabelControl::GetFontStyle, &TZEPHUILabelControl::SetFontStyle);
}

Integer TZEPHUILabelControl::GetFontStyle() const { return FontStyleBits(AsControl()); }
void TZEPHUILabelControl::SetFontStyle(Integer Value) { SetFontStyleBits(AsControl(), Value); }

TComponent* TZEPHUILabelControl::CreateComponent(TComponent* Owner) { return Create<TZCLLabel>(Owner); }

TZCLResourceColor* TZEPHUILabelControl::TextColor() const {
  auto* label = dynamic_cast<TZCLLabel*>(FObject);
  return label && label->GetStyle() ? label->GetStyle()->GetColor(TextColorIndex) : nullptr;
}

void TZEPHUILabelControl::ComponentCreated() {
  TZEPHUIControl::ComponentCreated();
  auto* label = static_cast<TZCLLabel*>(FObject);
  MapProperty(ZEPH_UI_LABEL_PROP_AUTO_SIZE, u"AutoSize", label);
  MapProperty(ZEPH_UI_LABEL_PROP_SHOW_LINE, u"ShowLine", label->GetStyle());
  MapProperties(label, {{ZEPH_UI_LABEL_PROP_CAPTION, u"Caption"},
                        {ZEPH_UI_LABEL_PROP_ALIGNMENT, u"Alignment"},
                        {ZEPH_UI_LABEL_PROP_ALIGNMENT_VERT, u"AlignmentVert"}});
  MapProperty(ZEPH_UI_LABEL_PROP_TEXT_COLOR, u"Value", TextColor());
  MapProperty(ZEPH_UI_LABEL_PROP_FONT_STYLE, u"FontStyle", this);
  MapProperties(label, {{ZEPH_UI_LABEL_PROP_TRANSPARENT, u"Transparent"}, {ZEPH_UI_LABEL_PROP_URL, u"URL"}});
  MapProperty(ZEPH_UI_LABEL_PROP_WORD_WRAP, u"WordWrap", label->GetStyle());
}

void TZEPHUILabelControl::BindEvents() {
  TZEPHUIControl::BindEvents();
  AsControl()->OnClick = TNotifyEvent(this, &TZEPHUILabelControl::LabelClick);
}

void TZEPHUILabelControl::UnbindEvents() {
  TZEPHUIControl::UnbindEvents();
  if (TControl* control = AsControl()) control->OnClick = nullptr;
}

void TZEPHUILabelControl::LabelClick(TObject* Sender) {
  const String url = TrimControlChars(static_cast<TZCLLabel*>(FObject)->GetURL());
  // "_" marks a label that only looks like a link: the plugin handles the click.
  if (!url.empty() && url != u"_") ShellOpenURL(url);
  DoChanged(Sender);
}

void TZEPHUILabelControl::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  if (PropertyID == ZEPH_UI_LABEL_PROP_TEXT_COLOR && SetColorID(TextColor(), Value)) return;
  TZEPHUIControl::DoSetValueAsObject(PropertyID, Value, Result);
}

TComponent* TZEPHUIValidationLabelControl::CreateComponent(TComponent* Owner) {
  return Create<TZCLValidationLabel>(Owner);
}

void TZEPHUIValidationLabelControl::ComponentCreated() {
  TZEPHUILabelControl::ComponentCreated();
  MapProperty(ZEPH_UI_VALIDATION_LABEL_PROP_ICON, u"Icon", FObject);
}

// ---- progress bar and scroll box ------------------------------------------------------------------

TComponent* TZEPHUIProgressBarControl::CreateComponent(TComponent* Owner) { return Create<TZCLProgressBar>(Owner); }

void TZEPHUIProgressBarControl::ComponentCreated() {
  TZEPHUIControl::ComponentCreated();
  MapProperties(FObject, {{ZEPH_UI_PROGRESS_PROP_WAITING_MODE, u"WaitingMode"},
                          {ZEPH_UI_PROGRESS_PROP_MAX, u"Max"},
                          {ZEPH_UI_PROGRESS_PROP_MIN, u"Min"},
                          {ZEPH_UI_PROGRESS_PROP_PROGRESS, u"Progress"}});
}

TComponent* TZEPHUIScrollBoxControl::CreateComponent(TComponent* Owner) { return Create<TZCLScrollBox>(Owner); }

void TZEPHUIScrollBoxControl::ComponentCreated() {
  TZEPHUIWinControl::ComponentCreated();
  MapProperty(ZEPH_UI_SCROLLBOX_PROP_BORDERS, u"Borders", FObject);
}

HRESULT TZEPHUIScrollBoxControl::MakeVisible(IInterface* Control) {
  return Checked([&] {
    auto* control = static_cast<TControl*>(AdapterGetObjectChecked(Control, TControl::StaticClass()));
    if (control) static_cast<TZCLScrollBox*>(FObject)->MakeVisible(control);
    return S_OK;
  });
}

// ---- slider ---------------------------------------------------------------------------------------

void TZEPHUISliderControl::DeclareProperties(TClassDeclaration<TZEPHUISliderControl>& D) {
  D.Property(u"Horizontal", &TZEPHUISliderControl::GetHorizontal, &TZEPHUISliderControl::SetHorizontal);
}

TComponent* TZEPHUISliderControl::CreateComponent(TComponent* Owner) {
  auto* slider = Create<TZCLSlider>(Owner);
  slider->SetAutoSize(true);
  return slider;
}

void TZEPHUISliderControl::ComponentCreated() {
  TZEPHUIWinControl::ComponentCreated();
  auto* slider = static_cast<TZCLSlider*>(FObject);
  MapProperty(ZEPH_UI_SLIDER_PROP_HORIZONTAL, u"Horizontal", this);
  MapProperty(ZEPH_UI_SLIDER_PROP_MARK_VISIBLE, u"MarkVisible", slider->GetOptions());
  MapProperty(ZEPH_UI_SLIDER_PROP_PAGE, u"Page", slider->GetOptionsValue());
  MapProperties(slider,
                {{ZEPH_UI_SLIDER_PROP_TRANSPARENT, u"Transparent"}, {ZEPH_UI_SLIDER_PROP_POSITION, u"Position"}});
  MapProperties(slider->GetOptionsValue(), {{ZEPH_UI_SLIDER_PROP_DEFAULT, u"Default"},
                                            {ZEPH_UI_SLIDER_PROP_MAX, u"Max"},
                                            {ZEPH_UI_SLIDER_PROP_MIN, u"Min"}});
}

void TZEPHUISliderControl::BindEvents() {
  TZEPHUIWinControl::BindEvents();
  auto* slider = static_cast<TZCLSlider*>(FObject);
  slider->OnChange = ChangedEvent();
  slider->OnDrawBackground = TZCLCustomDrawEvent(this, &TZEPHUISliderControl::DrawBackground);
}

void TZEPHUISliderControl::UnbindEvents() {
  TZEPHUIWinControl::UnbindEvents();
  if (auto* slider = dynamic_cast<TZCLSlider*>(FObject)) {
    slider->OnChange = nullptr;
    slider->OnDrawBackground = nullptr;
  }
}

void TZEPHUISliderControl::DrawBackground(TObject*, TCanvas* Canvas, const TRect& R, bool& Handled) {
  // A plugin that paints the background replaces the slider's own.
  Handled = TZEPHUICustomDraw::Draw(AsSender(), GetEventsHandler(), Canvas, R);
}

bool TZEPHUISliderControl::GetHorizontal() const {
  auto* slider = dynamic_cast<TZCLSlider*>(FObject);
  return slider && slider->GetOrientation() == oHorizontal;
}

void TZEPHUISliderControl::SetHorizontal(bool Value) {
  if (auto* slider = dynamic_cast<TZCLSlider*>(FObject)) slider->SetOrientation(Value ? oHorizontal : oVertical);
}

// ---- spin edit and time edit ----------------------------------------------------------------------

TComponent* TZEPHUISpinEdit::CreateComponent(TComponent* Owner) { return Create<TZCLSpinEdit>(Owner); }

void TZEPHUISpinEdit::ComponentCreated() {
  TZEPHUIWinControl::ComponentCreated();
  auto* edit = static_cast<TZCLSpinEdit*>(FObject);
  TZCLSpinEditOptionsValue* options = edit->GetOptionsValue();
  MapProperties(options, {{ZEPH_UI_SPINEDIT_PROP_DISPLAY_FORMAT, u"DisplayFormat"},
                          {ZEPH_UI_SPINEDIT_PROP_INC_COUNT, u"IncCount"},
                          {ZEPH_UI_SPINEDIT_PROP_MAX_VALUE, u"MaxValue"},
                          {ZEPH_UI_SPINEDIT_PROP_MIN_VALUE, u"MinValue"}});
  MapProperty(ZEPH_UI_SPINEDIT_PROP_VALUE, u"Value", edit);
  MapProperty(ZEPH_UI_SPINEDIT_PROP_VALUE_TYPE, u"ValueType", options);
}

void TZEPHUISpinEdit::BindEvents() {
  TZEPHUIWinControl::BindEvents();
  static_cast<TZCLSpinEdit*>(FObject)->OnChange = ChangedEvent();
}

void TZEPHUISpinEdit::UnbindEvents() {
  TZEPHUIWinControl::UnbindEvents();
  if (auto* edit = dynamic_cast<TZCLSpinEdit*>(FObject)) edit->OnChange = nullptr;
}

TComponent* TZEPHUITimeEdit::CreateComponent(TComponent* Owner) { return Create<TZCLTimeEdit>(Owner); }

void TZEPHUITimeEdit::ComponentCreated() {
  TZEPHUIWinControl::ComponentCreated();
  MapProperty(ZEPH_UI_TIMEEDIT_PROP_TIME, u"Time", FObject);
}

void TZEPHUITimeEdit::BindEvents() {
  TZEPHUIWinControl::BindEvents();
  static_cast<TZCLTimeEdit*>(FObject)->OnChange = ChangedEvent();
}

void TZEPHUITimeEdit::UnbindEvents() {
  TZEPHUIWinControl::UnbindEvents();
  if (auto* edit = dynamic_cast<TZCLTimeEdit*>(FObject)) edit->OnChange = nullptr;
}

// ---- splitter -------------------------------------------------------------------------------------

TComponent* TZEPHUISplitterControl::CreateComponent(TComponent* Owner) { return Create<TZCLSplitter>(Owner); }

void TZEPHUISplitterControl::ComponentCreated() {
  TZEPHUIControl::ComponentCreated();
  MapProperty(ZEPH_UI_SPLITTER_PROP_CAN_TOGGLE, u"CanToggle", FObject);
}

void TZEPHUISplitterControl::BindEvents() {
  TZEPHUIControl::BindEvents();
  static_cast<TZCLSplitter*>(FObject)->OnPaint = TNotifyEvent(this, &TZEPHUISplitterControl::SplitterPaint);
}

void TZEPHUISplitterControl::UnbindEvents() {
  TZEPHUIControl::UnbindEvents();
  if (auto* splitter = dynamic_cast<TZCLSplitter*>(FObject)) splitter->OnPaint = nullptr;
}

void TZEPHUISplitterControl::SplitterPaint(TObject*) {
  auto* splitter = static_cast<TZCLSplitter*>(FObject);
  CustomDrawWhole(this, splitter->GetCanvas(), splitter);
}

IPtr<IInterface> TZEPHUISplitterControl::DoGetValueAsObject(Integer PropertyID) {
  if (PropertyID == ZEPH_UI_SPLITTER_PROP_CONTROL) return FResizeControl;
  return TZEPHUIControl::DoGetValueAsObject(PropertyID);
}

void TZEPHUISplitterControl::DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) {
  if (PropertyID != ZEPH_UI_SPLITTER_PROP_CONTROL) {
    TZEPHUIControl::DoSetValueAsObject(PropertyID, Value, Result);
    return;
  }
  auto* control = static_cast<TControl*>(AdapterGetObjectChecked(Value, TControl::StaticClass()));
  static_cast<TZCLSplitter*>(FObject)->SetControl(control);
  FResizeControl = IPtr<IInterface>(Value);
}

// ---- unit -----------------------------------------------------------------------------------------

void GUIControlsInitialize() {
  RegisterProperties<TMyRadioBox>();
  RegisterProperties<TZEPHUIButtonControl>();
  RegisterProperties<TZEPHUIGroupBoxControl>();
  RegisterProperties<TZEPHUILabelControl>();
  RegisterProperties<TZEPHUISliderControl>();
  TZEPHCoreAdaptersMap::Register(TZCLImageList::StaticClass(), [](TObject* AObject, TStreamOwnership AOwnership) {
    auto* adapter = Create<TZEPHUIImageListAdapter>(static_cast<TPersistent*>(AObject), AOwnership);
    return IPtr<IInterface>(static_cast<IZEPHPropertyList2*>(adapter));
  });
}

void GUIControlsFinalize() { TZEPHCoreAdaptersMap::Unregister(TZCLImageList::StaticClass()); }
