#pragma once
// The font dialog: name, size, style and colour of a font with a live sample. With an apply
// callback the dialog previews into the caller's font while it is open and Cancel takes it back.
// UI thread.

#include "vcl/VCL.Controls.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.ColorPicker.h"

class TFont;
class TZCLCheckBox;
class TZCLEdit;
class TZCLPanel;
class TZCLStyleHatch;
class TZCLTreeList;
class TZCLFontPickerDialog;

// The sizes the size list offers.
inline constexpr Integer FontPickerSizes[] = {8, 9, 10, 11, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72};

// The dialog's sample: "Sample" in the chosen font, on a background that keeps it readable.
class TZCLFontPickerSample : public TGraphicControl {
  ZCL_CLASS(TZCLFontPickerSample, TGraphicControl)
 public:
  using TGraphicControl::TGraphicControl;

 protected:
  void Paint() override;
};

class TZCLFontPickerDialog : public TZCLCustomInputDialog {
  ZCL_CLASS(TZCLFontPickerDialog, TZCLCustomInputDialog)
 public:
  explicit TZCLFontPickerDialog(TComponent* AOwner);
  ~TZCLFontPickerDialog() override;
  void AfterConstruction() override;

  // True when confirmed; Font is then changed in place. OnApply shows the Apply button.
  static bool Execute(TFont* Font, HWND Owner = nullptr, TZCLDialogApplyProc OnApply = nullptr);

  // Sets the dialog up for Font, which must outlive the dialog (not shown).
  void Prepare(TFont* Font, TZCLDialogApplyProc OnApply);
  // Apply, OK and Enter: the values go into the caller's font.
  void DoApply() override;
  // Gives the caller's font back what it had, once, after an Apply with a callback.
  void DoCancel() override;
  // The dialog's values into Font.
  void WriteTo(TFont* Font);
  void DrawSample(TCanvas* Canvas, const TRect& R);

  TZCLButton* GetColorButton() const { return FColorButton; }
  // The colour chosen, kept in the colour button's Tag.
  TAlphaColor GetFontColor() const;
  void SetFontColor(TAlphaColor Value);
  TZCLTreeList* GetFontList() const { return FFontList; }
  TZCLTreeList* GetSizeList() const { return FSizeList; }
  TZCLEdit* GetFontNameEdit() const { return FFontNameEdit; }
  TZCLEdit* GetFontSizeEdit() const { return FFontSizeEdit; }
  TZCLPanel* GetStylePanel() const { return FStylePanel; }
  // By style: bold, italic, underline, strike-out.
  TZCLCheckBox* GetStyleCheckBox(Integer Index) const { return FStyleBoxes[Index]; }
  TZCLFontPickerSample* GetSample() const { return FSample; }
  TFont* GetSavedFont() const { return FSavedFont; }
  Integer GetSizeSign() const { return FSizeSign; }
  bool GetApplied() const { return FApplied; }

 protected:
  void CreateControls() override;
  void CalculateLayout(TRect& R) override;

 private:
  void Changed(TObject* Sender);
  void ColorButtonClick(TObject* Sender);
  void ListFocusedNodeChanged(TObject* Sender);
  void FontListDrawCell(TObject* Sender, TCanvas* Canvas, struct TZCLTreeListNodeCustomDrawData& Data, bool& Handled);
  void FillFontList();
  void FocusMatchingRows();
  void UpdateColorGlyph();
  TZCLTreeList* NewList();

  TZCLButton* FColorButton = nullptr;
  TZCLTreeList* FFontList = nullptr;
  TZCLTreeList* FSizeList = nullptr;
  TZCLEdit* FFontNameEdit = nullptr;
  TZCLEdit* FFontSizeEdit = nullptr;
  TZCLPanel* FStylePanel = nullptr;
  TZCLCheckBox* FStyleBoxes[4] = {};
  TZCLFontPickerSample* FSample = nullptr;
  TZCLStyleHatch* FStyleHatch = nullptr;  // owned
  TFont* FTarget = nullptr;
  TFont* FSavedFont = nullptr;  // owned
  Integer FSizeSign = 1;
  bool FApplied = false;
  bool FSyncing = false;
  TZCLDialogApplyProc FOnApply;
};

void RegisterFontPickerDialogClasses();
void FinalizeFontPickerDialog();
