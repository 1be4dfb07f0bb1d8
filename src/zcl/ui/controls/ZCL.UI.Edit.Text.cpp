#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"

#include "os/OS.Text.h"
#include "vcl/VCL.ImgList.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"

void TZCLCustomTextEdit::DeclareProperties(TClassDeclaration<TZCLCustomTextEdit>&) {}

void TZCLEdit::DeclareProperties(TClassDeclaration<TZCLEdit>& D) {
  D.Property(u"Borders", &TZCLEdit::GetBorders, &TZCLEdit::SetBorders).Default(true);
  D.Property(u"Buttons", &TZCLEdit::GetButtons, &TZCLEdit::SetButtons);
  D.Property(u"ButtonsImages", &TZCLEdit::GetButtonsImages, &TZCLEdit::SetButtonsImages);
  D.Property(u"InputMask", &TZCLEdit::GetInputMask, &TZCLEdit::SetInputMask).Default(eimText);
  D.Property(u"MaxLength", &TZCLEdit::GetMaxLength, &TZCLEdit::SetMaxLength).Default(0);
  D.Property(u"PasswordChar", &TZCLEdit::GetPasswordChar, &TZCLEdit::SetPasswordChar).Default(false);
  D.Property(u"ReadOnly", &TZCLEdit::GetReadOnly, &TZCLEdit::SetReadOnly).Default(false);
  D.Property(u"ResourceCollection", &TZCLEdit::GetResourceCollection, &TZCLEdit::SetResourceCollection);
  D.Property(u"Style", &TZCLEdit::GetStyle, &TZCLEdit::SetStyle);
  D.Property(u"StyleButton", &TZCLEdit::GetStyleButton, &TZCLEdit::SetStyleButton);
  D.Property(u"Text", &TZCLEdit::GetText, &TZCLEdit::SetText);
  D.Property(u"TextHint", &TZCLEdit::GetTextHint, &TZCLEdit::SetTextHint);
  D.Event(u"OnChange", &TZCLEdit::OnChange);
}

void TZCLCustomTextEdit::Loaded() {
  inherited::Loaded();
  if (!FText.empty()) Changed();
}

void TZCLCustomTextEdit::Localize(const String& Section, const String& Name) {
  inherited::Localize(Section, Name);
  SetTextHint(LangGet(Section, Name + u".th", FTextHint));
}

void TZCLCustomTextEdit::SetInputMask(TZCLEditInputMask Value) {
  if (FInputMask == Value) return;
  FInputMask = Value;
  ++FUpdateLock;
  try {
    if (FInnerControl) UpdateInnerControl();
    ValidateText();
  } catch (...) {
    --FUpdateLock;
    throw;
  }
  --FUpdateLock;
}

void TZCLCustomTextEdit::SetMaxLength(Integer Value) {
  if (FMaxLength == Value) return;
  FMaxLength = Value;
  if (FInnerControl) UpdateInnerControl();
}

void TZCLCustomTextEdit::SetPasswordChar(bool Value) {
  if (FPasswordChar == Value) return;
  FPasswordChar = Value;
  if (FInnerControl) UpdateInnerControl();
}

void TZCLCustomTextEdit::SetReadOnly(bool Value) {
  if (FReadOnly == Value) return;
  FReadOnly = Value;
  if (FInnerControl) UpdateInnerControl();
}

void TZCLCustomTextEdit::SetTextHint(const String& Value) {
  if (FTextHint == Value) return;
  FTextHint = Value;
  if (FInnerControl) UpdateInnerControl();
  Invalidate();
}

void TZCLCustomTextEdit::SetText(const String& Value) {
  if (Value == FText) return;
  const String s = ValueToText(TextToValue(Value));
  if (s == FText) return;
  SetTextCore(s);
  if (FInnerControl) UpdateInnerControl();
  Changed();
}

void TZCLCustomTextEdit::ValidateText(TObject*) { SetText(ValueToText(TextToValue(FText))); }

void TZCLCustomTextEdit::SelectAll() {
  if (auto* e = GetInnerEdit()) e->SelectAll();
}
Integer TZCLCustomTextEdit::GetSelStart() const { return FInnerControl ? GetInnerEdit()->GetSelStart() : 0; }
void TZCLCustomTextEdit::SetSelStart(Integer Value) {
  if (auto* e = GetInnerEdit()) e->SetSelStart(Value);
}
Integer TZCLCustomTextEdit::GetSelLength() const { return FInnerControl ? GetInnerEdit()->GetSelLength() : 0; }
void TZCLCustomTextEdit::SetSelLength(Integer Value) {
  if (auto* e = GetInnerEdit()) e->SetSelLength(Value);
}
void TZCLCustomTextEdit::SetSelText(const String& Value) {
  if (auto* e = GetInnerEdit()) e->SetSelText(Value);
  SetText(FText);
}

void TZCLCustomTextEdit::InplaceSetFocus() {
  SetFocus();
  SelectAll();
}

String TZCLCustomTextEdit::GetDisplayText(const String& Text) {
  return FPasswordChar ? String(Text.size(), u'x') : Text;
}

bool TZCLCustomTextEdit::DoCustomDraw(TCanvas* Canvas) {
  bool handled = false;
  if (OnCustomDraw) OnCustomDraw(this, Canvas, FTextRect, handled);
  return handled;
}

void TZCLCustomTextEdit::DrawText(TCanvas* Canvas) {
  AssignTextDrawParams(Canvas);
  TRect r = FContentRect;
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  if (Focused() || !FText.empty()) {
    CanvasDrawText(Canvas, r, GetDisplayText(FText), DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  } else {
    Canvas->GetFont()->SetColor(FStyle->GetColorTextDisabled()->GetAsColor());
    CanvasDrawText(Canvas, r, FTextHint, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
}

void TZCLCustomTextEdit::Paint() {
  inherited::Paint();
  if (!FInnerControl && !DoCustomDraw(GetCanvas())) DrawText(GetCanvas());
}

void TZCLCustomTextEdit::UpdateInnerControl() {
  ++FUpdateLock;
  try {
    inherited::UpdateInnerControl();
    if (auto* e = GetInnerEdit()) {
      e->SetPasswordChar(FPasswordChar ? u'x' : Char(0));
      e->SetInputMask(FInputMask);
      e->SetMaxLength(FMaxLength);
      e->SetReadOnly(FReadOnly);
      if (e->GetText() != FText) e->SetText(FText);
      e->SetTextHint(FTextHint);
    }
  } catch (...) {
    --FUpdateLock;
    throw;
  }
  --FUpdateLock;
}

void TZCLCustomTextEdit::SetInnerControlFocus() {
  auto* e = GetInnerEdit();
  if (!e) return;
  const Integer start = e->GetSelStart(), length = e->GetSelLength();
  SafeSetFocus(e);
  if (length > 0) e->Select(start, start + length);
  Invalidate();
}

TWinControl* TZCLCustomTextEdit::CreateInnerControl() {
  auto* e = Create<TZCLInnerEdit>(static_cast<TComponent*>(this));
  e->OnChange = TNotifyEvent(this, &TZCLCustomTextEdit::InnerEditChange);
  e->OnPaste = TNotifyEvent(this, &TZCLCustomTextEdit::ValidateText);
  return e;
}

void TZCLCustomTextEdit::InnerEditChange(TObject*) {
  if (FUpdateLock > 0) return;
  SetTextCore(GetInnerEdit()->GetText());
  if (FInnerControl) UpdateInnerControl();
  Changed();
}

void TZCLCustomTextEdit::CalculateContent(const TRect& R) {
  FTextRect = R;
  FContentRect = R;
  const Integer d = ScaleByDPI(2, GetCurrentPPI());
  FContentRect.Inflate(-d, -d);
}

void RegisterTextEditClasses() {
  RegisterProperties<TZCLCustomTextEdit>();
  RegisterProperties<TZCLEdit>();
  RegisterClasses({TZCLEdit::StaticClass()});
}
