#include "zcl/ui/dialogs/ZCL.UI.Dialogs.ColorPicker.h"

#include <algorithm>

#include "zcl/ui/controls/ZCL.UI.ColorPalette.h"
#include "zcl/ui/controls/ZCL.UI.ColorPicker.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Panels.h"
#include "zcl/ui/inspector/ZCL.UI.Controls.ObjectInspector.PropertyEditors.h"

namespace {
constexpr Integer PanelPadding = 2;
// Not scaled: the palette lines up with the picker's gamut, whose frame is not scaled either.
constexpr Integer PaletteIndent = 8;
}  // namespace

void TZCLColorPickerDialog::AfterConstruction() {
  inherited::AfterConstruction();
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetBorderStyle(bsDialog);
  SetDoubleBuffered(true);
}

void TZCLColorPickerDialog::CreateControls() {
  FPanel = Create<TZCLPanel>(static_cast<TComponent*>(this));
  FPanel->SetBorders({});
  FPanel->GetPadding()->SetAll(PanelPadding);
  FPanel->SetParent(this);

  FPicker = Create<TZCLColorPicker>(static_cast<TComponent*>(this));
  FPicker->SetBorders({});
  FPicker->SetParent(FPanel);
  FPicker->SetOnColorChanged(TNotifyEvent(this, &TZCLColorPickerDialog::PickerColorChanged));

  FPalette = Create<TZCLColorPalette>(static_cast<TComponent*>(this));
  FPalette->SetFocusOnClick(true);
  TZCLColorPaletteOptionsView* view = FPalette->GetOptionsView();
  view->SetStyle(cpsOffice);
  view->SetCellSize(24);
  view->SetCellSpacing(2);
  view->SetStyleOfficeTintCount(4);
  FPalette->SetParent(FPanel);
  FPalette->OnColorChanged = TNotifyEvent(this, &TZCLColorPickerDialog::PaletteColorChanged);

  inherited::CreateControls();
}

void TZCLColorPickerDialog::Prepare(TAlphaColor& Color, bool AllowEditAlpha, const String& Caption,
                                    TZCLDialogApplyProc OnApply) {
  FTarget = &Color;
  FSavedColor = Color;
  FOnApply = std::move(OnApply);
  SetCaption(Caption.empty() ? String(u"Color") : Caption);
  CreateControls();
  FButtonApply->SetVisible(bool(FOnApply));
  FPalette->GetItems()->Populate(cpsOffice);
  FPicker->GetOptions()->SetAllowEditAlpha(AllowEditAlpha);
  FPicker->SetColor(Color);
  SetActiveControl(FPicker);
  SetModified(false);
}

void TZCLColorPickerDialog::PaletteColorChanged(TObject*) {
  DoModified();
  FPicker->SetColor(FPalette->GetColor());
}

void TZCLColorPickerDialog::PickerColorChanged(TObject*) {
  DoModified();
  // The palette stays quiet when the colour is its own, which ends the exchange.
  FPalette->SetColor(FPicker->GetColor());
}

void TZCLColorPickerDialog::CalculateLayout(TRect& R) {
  const Integer pad = Scaled(PanelPadding), margin = Scaled(3);
  const Integer pickerW = FPicker->GetWidth(), pickerH = FPicker->GetHeight();
  FPicker->SetBounds(pad, pad, pickerW, pickerH);
  FPalette->SetBounds(pad + PaletteIndent, pad + pickerH + margin, FPalette->GetWidth(), FPalette->GetHeight());
  const Integer inner = std::max(pickerW, PaletteIndent + FPalette->GetWidth() + margin);
  FPanel->SetBounds(R.Left, R.Top, inner + 2 * pad, FPalette->GetBoundsRect().Bottom + margin + pad);
  R.Top = FPanel->GetBoundsRect().Bottom + Scaled(8);
  R.Right = FPanel->GetBoundsRect().Right;
  inherited::CalculateLayout(R);
}

void TZCLColorPickerDialog::DoApply() {
  if (FTarget) *FTarget = FPicker->GetColor();
  inherited::DoApply();
  if (FOnApply) FOnApply();
}

void TZCLColorPickerDialog::DoCancel() {
  if (!FOnApply || !FTarget || *FTarget == FSavedColor) return;
  *FTarget = FSavedColor;
  FOnApply();
}

bool TZCLColorPickerDialog::Execute(TAlphaColor& Color, bool AllowEditAlpha, HWND Owner, const String& Caption,
                                    TZCLDialogApplyProc OnApply) {
  auto* dialog = CreateDialog<TZCLColorPickerDialog>(Owner);
  bool confirmed = false;
  try {
    dialog->Prepare(Color, AllowEditAlpha, Caption, std::move(OnApply));
    confirmed = dialog->ShowModal() == mrOk;
    // Escape and closing the window end the loop without the Cancel button.
    if (!confirmed) dialog->DoCancel();
  } catch (...) {
    Free(dialog);
    throw;
  }
  Free(dialog);
  return confirmed;
}

bool TZCLColorPickerDialog::Execute(TAlphaColor& Color, HWND Owner, const String& Caption) {
  return Execute(Color, true, Owner, Caption, nullptr);
}

TAlphaColor TZCLColorPickerDialog::Select(TAlphaColor Color, HWND Owner, const String& Caption) {
  TAlphaColor result = Color;
  return Execute(result, Owner, Caption) ? result : Color;
}

void RegisterColorPickerDialogClasses() {
  RegisterClass(TZCLColorPickerDialog::StaticClass());
  // The inspector's colour editors open this dialog unless someone installed another.
  if (!TZCLPropertyEditorDialogs::ColorPicker)
    TZCLPropertyEditorDialogs::ColorPicker = [](TAlphaColor& Color, bool HasAlpha) {
      return TZCLColorPickerDialog::Execute(Color, HasAlpha);
    };
}

void FinalizeColorPickerDialog() { TZCLPropertyEditorDialogs::ColorPicker = nullptr; }
