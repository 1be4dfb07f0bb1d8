#include "vcl/VCL.StdCtrls.h"

#include <algorithm>

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {}

void TCustomEdit::SetSelStart(Integer Value) {
  const auto length = static_cast<Integer>(GetText().size());
  FSelStart = std::clamp(Value, 0, length);
  FSelLength = std::min(FSelLength, length - FSelStart);
}

void TCustomEdit::SetSelLength(Integer Value) {
  const auto length = static_cast<Integer>(GetText().size());
  FSelLength = std::clamp(Value, 0, length - FSelStart);
}

String TCustomEdit::GetSelText() const {
  return GetText().substr(static_cast<size_t>(FSelStart), static_cast<size_t>(FSelLength));
}

void TCustomEdit::SetSelText(const String& Value) {
  String text = GetText();
  text.replace(static_cast<size_t>(FSelStart), static_cast<size_t>(FSelLength), Value);
  const Integer caret = FSelStart + static_cast<Integer>(Value.size());
  SetText(text);
  FSelStart = caret;
  FSelLength = 0;
}

void TCustomEdit::SetTextValue(const String& Value) {
  TWinControl::SetTextValue(Value);
  // A new text keeps the selection only where it still fits.
  const auto length = static_cast<Integer>(Value.size());
  FSelStart = std::min(FSelStart, length);
  FSelLength = std::min(FSelLength, length - FSelStart);
}
