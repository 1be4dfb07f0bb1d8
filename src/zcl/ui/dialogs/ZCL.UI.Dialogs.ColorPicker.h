#pragma once
// The colour dialog: a colour picker with the office palette under it. With an apply callback
// the dialog previews into the caller's variable while it is open and Cancel takes it back.
// UI thread.

#include <functional>

#include "zcl/base/ZCL.Colors.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.h"

class TZCLColorPalette;
class TZCLColorPicker;
class TZCLPanel;

// Called after the dialog wrote its value into the caller's variable or font (Apply, OK, and a
// Cancel that undoes an earlier Apply).
using TZCLDialogApplyProc = std::function<void()>;

class TZCLColorPickerDialog : public TZCLCustomInputDialog {
  ZCL_CLASS(TZCLColorPickerDialog, TZCLCustomInputDialog)
 public:
  using TZCLCustomInputDialog::TZCLCustomInputDialog;
  void AfterConstruction() override;

  // True when confirmed; Color then holds the result. Without AllowEditAlpha the result is
  // opaque. An empty Caption gives "Color". OnApply shows the Apply button.
  static bool Execute(TAlphaColor& Color, bool AllowEditAlpha, HWND Owner = nullptr, const String& Caption = String(),
                      TZCLDialogApplyProc OnApply = nullptr);
  static bool Execute(TAlphaColor& Color, HWND Owner = nullptr, const String& Caption = String());
  // The edited colour, or Color itself when the dialog was cancelled.
  static TAlphaColor Select(TAlphaColor Color, HWND Owner = nullptr, const String& Caption = String());

  // Sets the dialog up for the caller's variable Color, which must outlive the dialog (not shown).
  void Prepare(TAlphaColor& Color, bool AllowEditAlpha, const String& Caption, TZCLDialogApplyProc OnApply);
  // Apply, OK and Enter: the picker's colour goes to the caller.
  void DoApply() override;
  // Undoes an applied preview; does nothing more once the caller's colour is the saved one.
  void DoCancel() override;

  TZCLColorPalette* GetPalette() const { return FPalette; }
  TZCLPanel* GetPanel() const { return FPanel; }
  TZCLColorPicker* GetPicker() const { return FPicker; }
  TAlphaColor GetSavedColor() const { return FSavedColor; }

 protected:
  void CreateControls() override;
  void CalculateLayout(TRect& R) override;

 private:
  void PaletteColorChanged(TObject* Sender);
  void PickerColorChanged(TObject* Sender);
  TZCLColorPalette* FPalette = nullptr;
  TZCLPanel* FPanel = nullptr;
  TZCLColorPicker* FPicker = nullptr;
  TAlphaColor* FTarget = nullptr;
  TAlphaColor FSavedColor = 0;
  TZCLDialogApplyProc FOnApply;
};

void RegisterColorPickerDialogClasses();
void FinalizeColorPickerDialog();
