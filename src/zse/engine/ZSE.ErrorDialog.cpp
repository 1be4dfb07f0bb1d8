#include "zse/engine/ZSE.ErrorDialog.h"

#include <algorithm>

#include "os/OS.Dialogs.h"
#include "os/OS.Input.h"
#include "os/OS.System.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.h"

namespace {

TCustomForm* FormOf(TControl* Control) {
  for (TControl* c = Control; c; c = c->GetParent())
    if (auto* form = dynamic_cast<TCustomForm*>(c)) return form;
  return nullptr;
}

}  // namespace

// ---- glyph -------------------------------------------------------------------------------------

void TZEPHErrorGlyph::Paint() {
  TCanvas* canvas = GetCanvas();
  const TRect r = GetClientRect();
  canvas->GetBrush()->SetColor(static_cast<TColor>(0x2020D0));
  canvas->GetPen()->SetColor(static_cast<TColor>(0x1010A0));
  canvas->Ellipse(r);
  canvas->GetPen()->SetColor(static_cast<TColor>(0xFFFFFF));
  canvas->GetPen()->SetWidth(3);
  const Integer inset = r.Width() * 3 / 10;
  canvas->MoveTo(r.Left + inset, r.Top + inset);
  canvas->LineTo(r.Right - inset, r.Bottom - inset);
  canvas->MoveTo(r.Right - inset, r.Top + inset);
  canvas->LineTo(r.Left + inset, r.Bottom - inset);
}

// ---- report ------------------------------------------------------------------------------------

TZEPHErrorReport::TZEPHErrorReport(TComponent* AOwner) : TCustomControl(AOwner) { SetTabStop(true); }

void TZEPHErrorReport::SetText(const String& Value) {
  FText = Value;
  FLines.clear();
  size_t start = 0;
  for (;;) {
    const size_t end = FText.find(u'\n', start);
    String line = FText.substr(start, end == String::npos ? String::npos : end - start);
    if (!line.empty() && line.back() == u'\r') line.pop_back();
    FLines.push_back(line);
    if (end == String::npos) break;
    start = end + 1;
  }
  FTopLine = 0;
  Invalidate();
}

Integer TZEPHErrorReport::LineHeight() { return std::max(1, GetCanvas()->TextHeight(u"Wy")); }

Integer TZEPHErrorReport::GetVisibleLineCount() { return std::max(1, GetClientHeight() / LineHeight()); }

void TZEPHErrorReport::SetTopLine(Integer Value) {
  Value = std::clamp(Value, 0, std::max(0, GetLineCount() - GetVisibleLineCount()));
  if (Value == FTopLine) return;
  FTopLine = Value;
  Invalidate();
}

void TZEPHErrorReport::Paint() {
  TCanvas* canvas = GetCanvas();
  canvas->GetBrush()->SetColor(GetColor());
  canvas->FillRect(GetClientRect());
  const Integer height = LineHeight();
  for (Integer i = FTopLine, y = 0; i < GetLineCount() && y < GetClientHeight(); ++i, y += height)
    canvas->TextOut(0, y, FLines[static_cast<size_t>(i)]);
}

void TZEPHErrorReport::KeyDown(Word& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  switch (Key) {
    case VK_RETURN:
    case VK_ESCAPE:
      if (TCustomForm* form = FormOf(this)) {
        if (form->GetFormState().Contains(fsModal))
          form->SetModalResult(mrOk);
        else
          form->Close();
      }
      Key = 0;
      break;
    case VK_UP:
      SetTopLine(FTopLine - 1);
      break;
    case VK_DOWN:
      SetTopLine(FTopLine + 1);
      break;
    case VK_PRIOR:
      SetTopLine(FTopLine - GetVisibleLineCount());
      break;
    case VK_NEXT:
      SetTopLine(FTopLine + GetVisibleLineCount());
      break;
    case VK_HOME:
      SetTopLine(0);
      break;
    case VK_END:
      SetTopLine(GetLineCount());
      break;
    default:
      break;
  }
}

bool TZEPHErrorReport::DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos) {
  if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  SetTopLine(FTopLine - WheelDelta / 120 * 3);
  return true;
}

// ---- button ------------------------------------------------------------------------------------

TZEPHErrorButton::TZEPHErrorButton(TComponent* AOwner) : TCustomControl(AOwner) { SetTabStop(true); }

void TZEPHErrorButton::SetCaptionText(const String& Value) {
  FCaption = Value;
  Invalidate();
}

void TZEPHErrorButton::Click() {
  TCustomControl::Click();
  if (TCustomForm* form = FormOf(this)) form->SetModalResult(mrOk);
}

void TZEPHErrorButton::Paint() {
  TCanvas* canvas = GetCanvas();
  const TRect r = GetClientRect();
  canvas->GetBrush()->SetColor(static_cast<TColor>(0xE1E1E1));
  canvas->GetPen()->SetColor(static_cast<TColor>(0xADADAD));
  canvas->Rectangle(r);
  const TSize size = canvas->TextExtent(FCaption);
  canvas->TextOut(r.Left + (r.Width() - size.cx) / 2, r.Top + (r.Height() - size.cy) / 2, FCaption);
}

void TZEPHErrorButton::KeyDown(Word& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == VK_SPACE || Key == VK_RETURN) {
    Click();
    Key = 0;
  }
}

// ---- dialog ------------------------------------------------------------------------------------

TZEPHErrorDialog::TZEPHErrorDialog(TComponent* AOwner) : TZCLForm(AOwner) {
  SetCaption(u"Error");
  SetBorderIcons({biSystemMenu});
  SetPosition(poMainFormCenter);
  SetDoubleBuffered(true);
  SetClientSize(TPoint(480, 142));
  GetConstraints()->SetMinHeight(180);
  GetConstraints()->SetMinWidth(300);

  FIcon = Create<TZEPHErrorGlyph>(this);
  FIcon->SetBounds(8, 8, 32, 32);
  FIcon->SetParent(this);

  FReport = Create<TZEPHErrorReport>(this);
  FReport->SetName(u"seReport");
  FReport->SetAlignWithMargins(true);
  FReport->GetMargins()->SetBounds(44, 8, 8, 40);
  FReport->SetAlign(alClient);
  FReport->SetParent(this);
  FReport->SetTabOrder(0);

  FOkButton = Create<TZEPHErrorButton>(this);
  FOkButton->SetName(u"btnOk");
  FOkButton->SetBounds(191, GetClientHeight() - 33, 98, 25);
  FOkButton->SetAnchors({akBottom});
  // The stored caption gives way to the common dialogs' OK text of the current language.
  const String& ok = TZCLDialogsStrs::ButtonCaptions[dbOK];
  FOkButton->SetCaptionText(ok.empty() ? String(u"Ok") : ok);
  FOkButton->SetParent(this);
  FOkButton->SetTabOrder(1);
}

void TZEPHErrorDialog::ApplyColors() {
  TZCLForm::ApplyColors();
  // The report reads as part of the dialog: drawn on the dialog's own background.
  FReport->SetColor(GetColor());
}

void TZEPHErrorDialog::DoShow() {
  TZCLForm::DoShow();
  MessageBeep(0x30);
}

void ShowErrorDialogEx(const String& Text, const String& Caption, TComponent* Owner) {
  auto* dialog = TCustomForm::CreateNew<TZEPHErrorDialog>(Owner);
  try {
    dialog->SetCaption(Caption);
    dialog->GetReport()->SetText(Text);
    dialog->ShowModal();
  } catch (...) {
    Free(dialog);
    throw;
  }
  Free(dialog);
}

void ShowErrorDialog(const String& Text, TComponent* Owner) {
  TCustomForm* main = Application ? Application->GetMainForm() : nullptr;
  ShowErrorDialogEx(Text, main ? main->GetCaption() : String(), Owner);
}
