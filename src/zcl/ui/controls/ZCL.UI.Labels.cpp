#include "zcl/ui/controls/ZCL.UI.Labels.h"

#include <algorithm>
#include <cstdlib>

#include "os/OS.Text.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Messages.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"

namespace {
constexpr TZCLPersistentChanges LabelStyleChange = 1;
}

// ---- styles ---------------------------------------------------------------------------------

void TZCLStyleLabel::DeclareProperties(TClassDeclaration<TZCLStyleLabel>& D) {
  D.Property(u"ColorContent", 0, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorLine1", 1, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorLine2", 2, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorShadow", 3, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorText", 4, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorTextDisabled", 5, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorTextHyperlink", 6, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"Effect", &TZCLStyleLabel::GetEffect, &TZCLStyleLabel::SetEffect).Default(sleNone);
  D.Property(u"EffectSize", &TZCLStyleLabel::GetEffectSize, &TZCLStyleLabel::SetEffectSize).Default(1);
  D.Property(u"ShowLine", &TZCLStyleLabel::GetShowLine, &TZCLStyleLabel::SetShowLine).Default(false);
  D.Property(u"WordWrap", &TZCLStyleLabel::GetWordWrap, &TZCLStyleLabel::SetWordWrap).Default(false);
}

void TZCLStyleLabel::InitializeResources() {
  GetColor(0)->InitializeAsRef(u"Labels.Colors.Background", true);
  GetColor(1)->InitializeAsRef(u"Labels.Colors.Line1", true);
  GetColor(2)->InitializeAsRef(u"Labels.Colors.Line2", true);
  GetColor(3)->InitializeAsRef(u"Labels.Colors.TextShadow", false);
  GetColor(4)->InitializeAsRef(u"Labels.Colors.Text", false);
  GetColor(5)->InitializeAsRef(u"Labels.Colors.TextDisabled", false);
  GetColor(6)->InitializeAsRef(u"Labels.Colors.TextHyperlink", false);
}

void TZCLStyleLabel::DoAssign(TPersistent* Source) {
  inherited::DoAssign(Source);
  if (auto* source = dynamic_cast<TZCLStyleLabel*>(Source)) {
    SetEffect(source->FEffect);
    SetEffectSize(source->FEffectSize);
    SetWordWrap(source->FWordWrap);
    SetShowLine(source->FShowLine);
  }
}

void TZCLStyleLabel::SetEffect(TZCLLabelEffect Value) {
  if (FEffect == Value) return;
  FEffect = Value;
  Changed(LabelStyleChange);
}

void TZCLStyleLabel::SetEffectSize(Integer Value) {
  Value = std::clamp(Value, -10, 10);
  if (FEffectSize == Value) return;
  FEffectSize = Value;
  Changed(LabelStyleChange);
}

void TZCLStyleLabel::SetShowLine(bool Value) {
  if (FShowLine == Value) return;
  FShowLine = Value;
  if (Value) FWordWrap = false;
  Changed(LabelStyleChange);
}

void TZCLStyleLabel::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  if (Value) FShowLine = false;
  Changed(LabelStyleChange);
}

void TZCLStyleValidationLabel::DeclareProperties(TClassDeclaration<TZCLStyleValidationLabel>& D) {
  D.Property(u"Icons", 0, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
}

void TZCLStyleValidationLabel::InitializeResources() {
  inherited::InitializeResources();
  GetTexture(0)->InitializeDefault(u"Labels.Textures.Icons");
}

// ---- etched line ----------------------------------------------------------------------------

TRect CalculateEtchedLineRect(const TRect& R) {
  TRect r = R;
  if (r.Height() % 2 != 0) r.Bottom += 1;
  const Integer top = r.Top + (r.Height() - 2) / 2;
  return TRect(r.Left, top, r.Right, top + 2);
}

void DrawEtchedLine(TCanvas* Canvas, const TRect& LineRect, const TRect& TextRect, TZCLResourceColor* Color1,
                    TZCLResourceColor* Color2) {
  if (LineRect.IsEmpty()) return;
  HDC dc = Canvas->GetHandle();
  HRGN saved = ClipRegionSave(dc);
  try {
    if (!TextRect.IsEmpty()) ClipRegionExclude(dc, TRect(TextRect.Left - 4, TextRect.Top, TextRect.Right + 4, TextRect.Bottom));
    FillRectAlpha(Canvas, TRect(LineRect.Left, LineRect.Top, LineRect.Right, LineRect.Top + 1), Color1->GetValue());
    FillRectAlpha(Canvas, TRect(LineRect.Left, LineRect.Top + 1, LineRect.Right, LineRect.Top + 2), Color2->GetValue());
  } catch (...) {
    ClipRegionPop(dc, saved);
    throw;
  }
  ClipRegionPop(dc, saved);
}

// ---- label ----------------------------------------------------------------------------------

const TMessageTable& TZCLLabel::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_TEXTCHANGED, &TZCLLabel::CMTextChanged),
                                    VCL_MESSAGE(CM_FONTCHANGED, &TZCLLabel::CMFontChanged),
                                    VCL_MESSAGE(CM_VISIBLECHANGED, &TZCLLabel::CMVisibleChanged)});
  return table;
}

TZCLLabel::TZCLLabel(TComponent* AOwner) : TZCLGraphicControl(AOwner) { SetBounds(GetLeft(), GetTop(), 75, 15); }

TZCLLabel::~TZCLLabel() {
  Free(FSubControl);
  FSubControl = nullptr;
  Free(FStyle);
  FStyle = nullptr;
}

void TZCLLabel::AfterConstruction() {
  FStyle = CreateStyle();
  FSubControl = CreateSubControlOptions();
  inherited::AfterConstruction();
  BoundsChanged();
}

void TZCLLabel::DeclareProperties(TClassDeclaration<TZCLLabel>& D) {
  D.Property(u"Alignment", &TZCLLabel::GetAlignment, &TZCLLabel::SetAlignment).Default(taLeftJustify);
  D.Property(u"AlignmentVert", &TZCLLabel::GetAlignmentVert, &TZCLLabel::SetAlignmentVert).Default(taVerticalCenter);
  D.Property(u"AutoSize", &TControl::GetAutoSize, &TControl::SetAutoSize).Default(false);
  D.Property(u"Caption", &TControl::GetCaption, &TControl::SetCaption);
  D.Property(u"Cursor", &TControl::GetCursor, &TControl::SetCursor)
      .Type(TypeInfoTCursor())
      .Stored(&TZCLLabel::IsCursorStored);
  D.Property(u"Font", &TControl::GetFont, &TControl::SetFont);
  D.Property(u"ParentFont", &TControl::GetParentFont, &TControl::SetParentFont);
  D.Property(u"ResourceCollection", &TZCLGraphicControl::GetResourceCollection,
             &TZCLGraphicControl::SetResourceCollection);
  D.Property(u"Style", &TZCLLabel::GetStyle, &TZCLLabel::SetStyle);
  D.Property(u"SubControl", &TZCLLabel::GetSubControl, &TZCLLabel::SetSubControl);
  D.Property(u"Transparent", &TZCLLabel::GetTransparent, &TZCLLabel::SetTransparent).Default(true);
  D.Property(u"URL", &TZCLLabel::GetURL, &TZCLLabel::SetURL);
  D.Event(u"OnClick", &TControl::OnClick);
  D.Event(u"OnDblClick", &TControl::OnDblClick);
  D.Event(u"OnMouseDown", &TControl::OnMouseDown);
  D.Event(u"OnMouseMove", &TControl::OnMouseMove);
  D.Event(u"OnMouseUp", &TControl::OnMouseUp);
}

TZCLStyleLabel* TZCLLabel::CreateStyle() { return Create<TZCLStyleLabel>(static_cast<TObject*>(this)); }

TZCLLabelSubControlOptions* TZCLLabel::CreateSubControlOptions() { return new TZCLLabelSubControlOptions(this); }

bool TZCLLabel::IsCursorStored() const { return GetCursor() != ImpliedCursor(); }

void TZCLLabel::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  BoundsChanged();
  Invalidate();
}

void TZCLLabel::SetAlignmentVert(TVerticalAlignment Value) {
  if (FAlignmentVert == Value) return;
  FAlignmentVert = Value;
  BoundsChanged();
  Invalidate();
}

void TZCLLabel::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  TControlStyle style = GetControlStyle();
  if (IsOpaque())
    style.Include(csOpaque);
  else
    style.Exclude(csOpaque);
  SetControlStyle(style);
  Invalidate();
}

bool TZCLLabel::IsOpaque() { return !FTransparent && FStyle && (FStyle->GetColorContent()->GetValue() >> 24) == 255; }

void TZCLLabel::SetURL(const String& Value) {
  if (FURL == Value) return;
  // A cursor set on purpose stays.
  const bool implied = GetCursor() == ImpliedCursor();
  FURL = Value;
  if (implied) SetCursor(ImpliedCursor());
  BoundsChanged();
  Invalidate();
}

TSize TZCLLabel::MeasureSize(Integer Width) {
  TCanvas* canvas = MeasureCanvas();
  AssignCanvasFont(canvas, GetFont());
  const String caption = GetCaption();
  TSize size;
  if (FStyle->GetWordWrap()) {
    size = MeasureWrappedText(canvas, caption, Width);
  } else {
    TRect r(0, 0, 65535, 2);
    CanvasDrawText(canvas, r, caption, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    size = r.Size();
  }
  if (FStyle->GetEffect() != sleNone) {
    const Integer grow = 2 * std::abs(FStyle->GetEffectSize());
    size.cx += grow;
    size.cy += grow;
  }
  return size;
}

void TZCLLabel::Calculate(const TRect& R) {
  const TSize size = MeasureSize(R.Width());
  TRect text = R;
  switch (FAlignmentVert) {
    case taAlignTop: text.Bottom = text.Top + size.cy; break;
    case taAlignBottom: text.Top = text.Bottom - size.cy; break;
    default:
      text.Top = R.Top + (R.Height() - size.cy) / 2;
      text.Bottom = text.Top + size.cy;
      break;
  }
  switch (FAlignment) {
    case taLeftJustify: text.Right = text.Left + size.cx; break;
    case taRightJustify: text.Left = text.Right - size.cx; break;
    default:
      text.Left = R.Left + (R.Width() - size.cx) / 2;
      text.Right = text.Left + size.cx;
      break;
  }
  FTextRect = TRect(std::max(text.Left, R.Left), std::max(text.Top, R.Top), std::min(text.Right, R.Right),
                    std::min(text.Bottom, R.Bottom));
  if (FTextRect.Right < FTextRect.Left) FTextRect.Right = FTextRect.Left;
  if (FTextRect.Bottom < FTextRect.Top) FTextRect.Bottom = FTextRect.Top;
  FLineRect = CalculateEtchedLineRect(FTextRect);
  FLineRect.Left = R.Left;
  FLineRect.Right = R.Right;
}

void TZCLLabel::BoundsChanged() {
  inherited::BoundsChanged();
  if (!FStyle || !FSubControl) return;
  TRect r = GetClientRect();
  FSubControl->Align(r);
  Calculate(r);
}

bool TZCLLabel::CanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  if (GetComponentState().Contains(csReading) || !FStyle) return true;
  FSubControl->SubtractFromOwnerSize(NewWidth, NewHeight);
  if (FStyle->GetShowLine()) {
    NewHeight = MeasureSize(NewWidth).cy;
  } else {
    const TSize size = MeasureSize(FStyle->GetWordWrap() ? NewWidth : 0);
    NewWidth = size.cx;
    NewHeight = size.cy;
  }
  FSubControl->AddToOwnerSize(NewWidth, NewHeight);
  return true;
}

void TZCLLabel::DrawBackground(TCanvas* Canvas) {
  if (!FTransparent) FillRectAlpha(Canvas, GetClientRect(), FStyle->GetColorContent()->GetValue());
}

void TZCLLabel::DrawLine(TCanvas* Canvas) {
  DrawEtchedLine(Canvas, FLineRect, FTextRect, FStyle->GetColorLine1(), FStyle->GetColorLine2());
}

void TZCLLabel::DrawText(TCanvas* Canvas, const TRect& R, TColor Color) {
  if (Color == clNone) return;
  AssignCanvasFont(Canvas, GetFont());
  Canvas->GetFont()->SetColor(Color);
  if (!FURL.empty()) {
    TFontStyles style = Canvas->GetFont()->GetStyle();
    style.Include(fsUnderline);
    Canvas->GetFont()->SetStyle(style);
  }
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  TRect r = R;
  if (FStyle->GetWordWrap())
    CanvasDrawText(Canvas, r, GetCaption(), DT_WORDBREAK | DT_LEFT | DT_TOP | DT_NOPREFIX);
  else
    CanvasDrawText(Canvas, r, GetCaption(), DT_SINGLELINE | DT_LEFT | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

void TZCLLabel::DrawEffects(TCanvas* Canvas, TRect& R) {
  const Integer size = FStyle->GetEffectSize();
  if (size == 0) return;
  const TColor shadow = FStyle->GetColorShadow()->GetAsColor();
  const Integer n = std::abs(size);
  switch (FStyle->GetEffect()) {
    case sleContour: {
      R.Inflate(-n, -n);
      for (Integer i = 1; i <= n; ++i)
        for (const TPoint& d : {TPoint(i, i), TPoint(i, -i), TPoint(-i, i), TPoint(-i, -i)}) {
          TRect r = R;
          r.Offset(d.X, d.Y);
          DrawText(Canvas, r, shadow);
        }
      break;
    }
    case sleShadow: {
      if (size > 0) {
        R.Right -= n;
        R.Bottom -= n;
      } else {
        R.Left += n;
        R.Top += n;
      }
      TRect r = R;
      r.Offset(size, size);
      DrawText(Canvas, r, shadow);
      break;
    }
    default: break;
  }
}

TColor TZCLLabel::GetTextColor() {
  const TColor font = GetFont()->GetColor();
  if (font != clWindowText && font != clDefault) return font;
  if (!FURL.empty() && GetMouseInControl() && !GetComponentState().Contains(csDesigning))
    return FStyle->GetColorTextHyperlink()->GetAsColor();
  return GetEnabled() ? FStyle->GetColorText()->GetAsColor() : FStyle->GetColorTextDisabled()->GetAsColor();
}

void TZCLLabel::Paint() {
  inherited::Paint();
  TCanvas* canvas = GetCanvas();
  DrawBackground(canvas);
  TRect r = FTextRect;
  DrawEffects(canvas, r);
  DrawText(canvas, r, GetTextColor());
  if (FStyle->GetShowLine()) DrawLine(canvas);
}

void TZCLLabel::Click() {
  if (!GetAction() && !OnClick) {
    if (!FURL.empty()) {
      OpenURL();
      return;
    }
    if (auto* windowed = dynamic_cast<TWinControl*>(FSubControl->GetControl()); windowed && windowed->CanFocus()) {
      windowed->SetFocus();
      return;
    }
  }
  inherited::Click();
}

void TZCLLabel::OpenURL() { ShellExecute(FURL); }

bool TZCLLabel::HitTest(TPoint P) {
  if (!FURL.empty()) return FTextRect.Contains(P);
  return inherited::HitTest(P);
}

void TZCLLabel::MouseEnter() {
  inherited::MouseEnter();
  if (!FURL.empty()) Invalidate();
}

void TZCLLabel::MouseLeave() {
  inherited::MouseLeave();
  if (!FURL.empty()) Invalidate();
}

void TZCLLabel::Loaded() {
  inherited::Loaded();
  Perform(CM_TEXTCHANGED);
}

void TZCLLabel::CMFontChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  Perform(CM_TEXTCHANGED);
}

void TZCLLabel::CMTextChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (GetAutoSize())
    AdjustSize();
  BoundsChanged();
  Invalidate();
}

void TZCLLabel::CMVisibleChanged(TMessage& Message) {
  if (FSubControl) FSubControl->UpdateVisibility();
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLLabel::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (FSubControl) FSubControl->Notification(AComponent, Operation);
}

void TZCLLabel::ResourceChanged() {
  if (GetComponentState().Contains(csDestroying)) return;
  BoundsChanged();
  inherited::ResourceChanged();
}

void TZCLLabel::SetTargetDPI(Integer Value) {
  inherited::SetTargetDPI(Value);
  if (FStyle) FStyle->SetTargetDPI(Value);
}

// ---- validation label -----------------------------------------------------------------------

TZCLValidationLabel::TZCLValidationLabel(TComponent* AOwner) : TZCLLabel(AOwner) { SetAutoSize(true); }

void TZCLValidationLabel::DeclareProperties(TClassDeclaration<TZCLValidationLabel>& D) {
  D.Property(u"AutoSize", &TControl::GetAutoSize, &TControl::SetAutoSize).Default(true);
  D.Property(u"Icon", &TZCLValidationLabel::GetIcon, &TZCLValidationLabel::SetIcon).Default(vliWarning);
  D.Property(u"Style", &TZCLValidationLabel::GetValidationStyle, &TZCLValidationLabel::SetValidationStyle);
}

TZCLStyleLabel* TZCLValidationLabel::CreateStyle() {
  return Create<TZCLStyleValidationLabel>(static_cast<TObject*>(this));
}

void TZCLValidationLabel::SetIcon(TZCLValidationLabelIcon Value) {
  if (FIcon == Value) return;
  FIcon = Value;
  Invalidate();
}

Integer TZCLValidationLabel::GetIconAreaWidth() { return GetValidationStyle()->GetIcons()->GetFrameWidth() + S(5); }

void TZCLValidationLabel::Calculate(const TRect& R) {
  TRect r = R;
  r.Left += GetIconAreaWidth();
  inherited::Calculate(r);
}

void TZCLValidationLabel::DrawBackground(TCanvas* Canvas) {
  inherited::DrawBackground(Canvas);
  TZCLResourceTexture* icons = GetValidationStyle()->GetIcons();
  const TSize size = icons->GetFrameSize();
  const TRect client = GetClientRect();
  const Integer top = client.Top + (client.Height() - size.cy) / 2;
  icons->Draw(Canvas, TRect(client.Left, top, client.Left + size.cx, top + size.cy), FIcon, true, 255);
}

TSize TZCLValidationLabel::MeasureSize(Integer Width) {
  const Integer area = GetIconAreaWidth();
  if (Width > 0) Width = std::max(Width - area, 1);
  TSize size = inherited::MeasureSize(Width);
  size.cx += area;
  size.cy = std::max(size.cy, GetValidationStyle()->GetIcons()->GetFrameHeight());
  return size;
}

void RegisterLabelClasses() {
  RegisterProperties<TZCLStyleLabel>();
  RegisterProperties<TZCLStyleValidationLabel>();
  RegisterProperties<TZCLLabel>();
  RegisterProperties<TZCLValidationLabel>();
  RegisterClasses({TZCLStyleLabel::StaticClass(), TZCLStyleValidationLabel::StaticClass(), TZCLLabel::StaticClass(),
                   TZCLValidationLabel::StaticClass()});
}
