#pragma once
// The single-line edit box: its text with a selection that typed or inserted text replaces.
// Drawing and keyboard input come with the styled edits of the controls above this layer.

#include "vcl/VCL.Controls.h"

class TCustomEdit : public TWinControl {
  ZCL_CLASS(TCustomEdit, TWinControl)
 public:
  explicit TCustomEdit(TComponent* AOwner);

  // In UTF-16 code units, clamped to the text.
  Integer GetSelStart() const { return FSelStart; }
  void SetSelStart(Integer Value);
  Integer GetSelLength() const { return FSelLength; }
  void SetSelLength(Integer Value);
  String GetSelText() const;
  // Replaces the selection; the caret ends after the new text with nothing selected.
  void SetSelText(const String& Value);

 protected:
  void SetTextValue(const String& Value) override;

 private:
  Integer FSelStart = 0;
  Integer FSelLength = 0;
};

class TEdit : public TCustomEdit {
  ZCL_CLASS(TEdit, TCustomEdit)
 public:
  using TCustomEdit::TCustomEdit;
};
