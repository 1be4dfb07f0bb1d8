#pragma once
// The modal window that shows a long error text (a message with its stack trace, the problems a
// validation found): an error glyph, a read-only report that scrolls, and an OK button.

#include <vector>

#include "vcl/VCL.Controls.h"
#include "zcl/ui/ZCL.UI.Forms.h"

// The error glyph: a red disc with a white cross.
class TZEPHErrorGlyph : public TGraphicControl {
  ZCL_CLASS(TZEPHErrorGlyph, TGraphicControl)
 public:
  using TGraphicControl::TGraphicControl;

 protected:
  void Paint() override;
};

// Read-only lines that scroll vertically; Enter and Escape close the form it is on.
class TZEPHErrorReport : public TCustomControl {
  ZCL_CLASS(TZEPHErrorReport, TCustomControl)
 public:
  explicit TZEPHErrorReport(TComponent* AOwner);
  // Kept unchanged; shown split at its line breaks.
  const String& GetText() const { return FText; }
  void SetText(const String& Value);
  Integer GetLineCount() const { return static_cast<Integer>(FLines.size()); }
  Integer GetTopLine() const { return FTopLine; }
  void SetTopLine(Integer Value);
  Integer GetVisibleLineCount();

 protected:
  void Paint() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos) override;

 private:
  Integer LineHeight();
  String FText;
  std::vector<String> FLines;
  Integer FTopLine = 0;
};

// A push button with a caption: click, Space or Enter gives its form the modal result.
class TZEPHErrorButton : public TCustomControl {
  ZCL_CLASS(TZEPHErrorButton, TCustomControl)
 public:
  explicit TZEPHErrorButton(TComponent* AOwner);
  const String& GetCaptionText() const { return FCaption; }
  void SetCaptionText(const String& Value);
  void Click() override;

 protected:
  void Paint() override;
  void KeyDown(Word& Key, TShiftState Shift) override;

 private:
  String FCaption;
};

class TZEPHErrorDialog : public TZCLForm {
  ZCL_CLASS(TZEPHErrorDialog, TZCLForm)
 public:
  explicit TZEPHErrorDialog(TComponent* AOwner);
  TZEPHErrorGlyph* GetIcon() const { return FIcon; }
  TZEPHErrorReport* GetReport() const { return FReport; }
  TZEPHErrorButton* GetOkButton() const { return FOkButton; }
  // Escape closes the dialog also when it is not modal.
  bool CanCloseByEscape() override { return true; }
  void ApplyColors() override;

 protected:
  // The warning sound plays as the dialog shows.
  void DoShow() override;

 private:
  TZEPHErrorGlyph* FIcon;
  TZEPHErrorReport* FReport;
  TZEPHErrorButton* FOkButton;
};

// Shows the text modally in a new dialog owned by Owner, with that caption.
void ShowErrorDialogEx(const String& Text, const String& Caption, TComponent* Owner);
// With the caption of the application's main form.
void ShowErrorDialog(const String& Text, TComponent* Owner);
