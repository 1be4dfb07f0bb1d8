#include "zcl/ui/controls/ZCL.UI.ColorPicker.h"

#include <algorithm>
#include <cmath>

#include "os/OS.Gdi.h"
#include "os/OS.Text.h"
#include "rtl/RTL.Numbers.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.Render.Cairo.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

using H = TAlphaColorHelper;

// ---- the colour model ---------------------------------------------------------------------------

void TZCLColorPickerColorInfo::Changed() {
  if (OnChange) OnChange(this);
}

void TZCLColorPickerColorInfo::SetAlpha(Byte Value) {
  if (FAlpha == Value) return;
  FAlpha = Value;
  Changed();
}

void TZCLColorPickerColorInfo::SetHue(Single Value) {
  if (FHue == Value) return;
  FHue = Value;
  Changed();
}

void TZCLColorPickerColorInfo::SetLightness(Single Value) {
  if (FLightness == Value) return;
  FLightness = Value;
  Changed();
}

void TZCLColorPickerColorInfo::SetSaturation(Single Value) {
  if (FSaturation == Value) return;
  FSaturation = Value;
  Changed();
}

TColor TZCLColorPickerColorInfo::GetColor() const { return TZCLColors::HSLToColor(FHue, FSaturation, FLightness); }

TAlphaColor TZCLColorPickerColorInfo::GetAlphaColor() const { return H::FromColor(GetColor(), FAlpha); }

Byte TZCLColorPickerColorInfo::GetRed() const { return Byte(TColorRef(GetColor())); }
Byte TZCLColorPickerColorInfo::GetGreen() const { return Byte(TColorRef(GetColor()) >> 8); }
Byte TZCLColorPickerColorInfo::GetBlue() const { return Byte(TColorRef(GetColor()) >> 16); }

void TZCLColorPickerColorInfo::SetRed(Byte Value) { SetAlphaColor(H::FromARGB(FAlpha, Value, GetGreen(), GetBlue())); }
void TZCLColorPickerColorInfo::SetGreen(Byte Value) { SetAlphaColor(H::FromARGB(FAlpha, GetRed(), Value, GetBlue())); }
void TZCLColorPickerColorInfo::SetBlue(Byte Value) { SetAlphaColor(H::FromARGB(FAlpha, GetRed(), GetGreen(), Value)); }

void TZCLColorPickerColorInfo::SetAlphaColor(TAlphaColor Value) {
  if (Value == GetAlphaColor()) return;
  FAlpha = H::GetComponent(Value, 3);
  if (H::IsValid(Value)) {
    TZCLColors::RGBToHSL(H::GetComponent(Value, 2), H::GetComponent(Value, 1), H::GetComponent(Value, 0), FHue,
                         FSaturation, FLightness);
  } else {
    FHue = FSaturation = FLightness = 0;
  }
  Changed();
}

// ---- options ------------------------------------------------------------------------------------

void TZCLColorPickerOptions::DeclareProperties(TClassDeclaration<TZCLColorPickerOptions>& D) {
  D.Property(u"AllowEditAlpha", &TZCLColorPickerOptions::GetAllowEditAlpha, &TZCLColorPickerOptions::SetAllowEditAlpha)
      .Default(true);
}

void TZCLColorPickerOptions::DoAssign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TZCLColorPickerOptions*>(Source))
    SetAllowEditAlpha(source->FAllowEditAlpha);
  else
    inherited::DoAssign(Source);
}

void TZCLColorPickerOptions::DoChanged(TZCLPersistentChanges) {
  if (FOwner) FOwner->OptionsChanged();
}

// ---- cells --------------------------------------------------------------------------------------

namespace {

class TModifierCellDragObject : public TZCLCompoundControlDragObject {
  ZCL_CLASS(TModifierCellDragObject, TZCLCompoundControlDragObject)
 public:
  explicit TModifierCellDragObject(TZCLColorPickerColorModifierCell* ACell) : FCell(ACell) {}
  bool DragStart() override { return true; }
  void DragMove(const TPoint& P, Integer&, Integer&) override { FCell->ApplyPoint(P.X, P.Y); }

 private:
  TZCLColorPickerColorModifierCell* FCell;
};

const char16_t* const SpinCaptions[7] = {u"A:", u"R:", u"G:", u"B:", u"H:", u"S:", u"L:"};

// A further indent follows the A, B and L edits.
bool GroupEnds(Integer Kind) { return Kind == 0 || Kind == 3 || Kind == 6; }


}  // namespace

TZCLColorPickerSubClass* TZCLColorPickerColorModifierCell::PickerSubClass() const {
  return static_cast<TZCLColorPickerSubClass*>(FSubClass);
}
TZCLColorPickerColorInfo* TZCLColorPickerColorModifierCell::ColorInfo() const {
  return PickerSubClass()->GetColorInfo();
}
Integer TZCLColorPickerColorModifierCell::S(Integer Value) const {
  return ScaleByDPI(Value, PickerSubClass()->GetTargetDPI());
}

bool TZCLColorPickerColorModifierCell::IsActive() { return FSubClass->GetPressedObject() == this; }

TZCLCompoundControlDragObject* TZCLColorPickerColorModifierCell::CreateDragObject(TZCLHitTestInfo*) {
  return new TModifierCellDragObject(this);
}

void TZCLColorPickerColorModifierCell::DoCalculate(TZCLCompoundControlChanges Changes) {
  inherited::DoCalculate(Changes);
  if ((Changes & ChangeColor) && !IsActive()) {
    FLocked = true;
    try {
      UpdateValue();
    } catch (...) {
      FLocked = false;
      throw;
    }
    FLocked = false;
  }
}

TZCLColorPickerVisualColorModifierCell::~TZCLColorPickerVisualColorModifierCell() { FreeCache(); }

void TZCLColorPickerVisualColorModifierCell::FreeCache() {
  Free(FCache);
  FCache = nullptr;
}

TRect TZCLColorPickerVisualColorModifierCell::GetContentRect() {
  TRect r = FBounds;
  r.Inflate(-TZCLColorPickerSubClass::BorderWidth, -TZCLColorPickerSubClass::BorderWidth);
  return r;
}

TRect TZCLColorPickerVisualColorModifierCell::GetFrameRect() {
  TRect r = GetContentRect();
  r.Inflate(TZCLColorPickerSubClass::BorderWidth, TZCLColorPickerSubClass::BorderWidth);
  return r;
}

TPoint TZCLColorPickerVisualColorModifierCell::ClampToContent(Integer X, Integer Y) {
  const TRect c = GetContentRect();
  return TPoint(std::clamp(X - c.Left, 0, std::max(c.Width(), 0)), std::clamp(Y - c.Top, 0, std::max(c.Height(), 0)));
}

void TZCLColorPickerVisualColorModifierCell::UpdateValue() {
  const TPoint p = GetCursorPosition();
  FCursor = p;
  FreeCache();
  Invalidate();
}

void TZCLColorPickerVisualColorModifierCell::DoCalculate(TZCLCompoundControlChanges Changes) {
  inherited::DoCalculate(Changes);
  const TRect c = GetContentRect();
  if (!FCache || (Changes & ChangeStruct) || FCache->GetWidth() != c.Width() || FCache->GetHeight() != c.Height()) {
    FreeCache();
    UpdateValue();
  }
}

void TZCLColorPickerVisualColorModifierCell::DrawContent(TCanvas* Canvas) {
  const TRect c = GetContentRect();
  if (!FCache) {
    FCache = new TZCLBitmap(c.Width(), c.Height());
    DrawCache(FCache->GetCanvas(), c.Width(), c.Height());
  }
  BitBlt(Canvas->GetHandle(), c.Left, c.Top, c.Width(), c.Height(), FCache->GetCanvas()->GetHandle(), 0, 0, SRCCOPY);
}

void TZCLColorPickerVisualColorModifierCell::DoDraw(TCanvas* Canvas) {
  const TRect frame = GetFrameRect();
  if (!frame.IsEmpty()) PickerSubClass()->DrawBorder(Canvas, frame);
  const TRect c = GetContentRect();
  if (c.Width() <= 0 || c.Height() <= 0) return;
  const int saved = SaveDC(Canvas->GetHandle());
  IntersectClipRect(Canvas->GetHandle(), FBounds.Left, FBounds.Top, FBounds.Right, FBounds.Bottom);
  DrawContent(Canvas);
  RestoreDC(Canvas->GetHandle(), saved);
}

// Gamut: hue across, saturation up.
void TZCLColorPickerGamutCell::ApplyPoint(Integer X, Integer Y) {
  const TRect c = GetContentRect();
  if (c.Width() <= 0 || c.Height() <= 0) return;
  const TPoint p = ClampToContent(X, Y);
  ColorInfo()->SetHue(Single(p.X) / Single(c.Width()));
  ColorInfo()->SetSaturation(1 - Single(p.Y) / Single(c.Height()));
  if (FCursor != p) {
    FCursor = p;
    Invalidate();
  }
}

TSize TZCLColorPickerGamutCell::MeasureSize() { return TSize(S(200), S(200)); }

TPoint TZCLColorPickerGamutCell::GetCursorPosition() {
  const TRect c = GetContentRect();
  return TPoint(Integer(std::nearbyint(c.Width() * ColorInfo()->GetHue())),
                Integer(std::nearbyint(c.Height() * (1 - ColorInfo()->GetSaturation()))));
}

void TZCLColorPickerGamutCell::DrawContent(TCanvas* Canvas) {
  inherited::DrawContent(Canvas);
  DrawMarker(Canvas);
}

void TZCLColorPickerGamutCell::DrawCache(TCanvas* Canvas, Integer Width, Integer Height) {
  // One vertical gradient per pixel column, not a pixel at a time, in one paint of the render.
  TZCLCairoPaintCanvas* render = SharedPaintRender();
  render->BeginPaint(Canvas);
  for (Integer i = 0; i < Width; ++i) {
    const Single hue = Single(i) / Single(Width);
    render->FillRectangleByGradient(TRect(i, 0, i + 1, Height), H::FromColor(TZCLColors::HSLToColor(hue, 1, 0.5f)),
                                    H::FromColor(TZCLColors::HSLToColor(hue, 0, 0.5f)), true);
  }
  render->EndPaint();
}

void TZCLColorPickerGamutCell::DrawMarker(TCanvas* Canvas) {
  const TRect c = GetContentRect();
  const TPoint p(c.Left + FCursor.X, c.Top + FCursor.Y);
  const TRect box(p.X - 9, p.Y - 9, p.X + 10, p.Y + 10);
  const TColor color = GetMarkerColor();
  FillRectColor(Canvas, TRect(box.Left, p.Y - 1, box.Left + 5, p.Y + 2), color);
  FillRectColor(Canvas, TRect(box.Right - 5, p.Y - 1, box.Right, p.Y + 2), color);
  FillRectColor(Canvas, TRect(p.X - 1, box.Top, p.X + 2, box.Top + 5), color);
  FillRectColor(Canvas, TRect(p.X - 1, box.Bottom - 5, p.X + 2, box.Bottom), color);
}

TSize TZCLColorPickerSliderCell::MeasureSize() { return TSize(S(20), S(20)); }

TRect TZCLColorPickerSliderCell::GetArrowRect() {
  return TRect(FBounds.Right - 5, FBounds.Top + FCursor.Y, FBounds.Right, FBounds.Top + FCursor.Y + 9);
}

TRect TZCLColorPickerSliderCell::GetContentRect() {
  TRect r = inherited::GetContentRect();
  r.Top += 3;
  r.Bottom -= 3;
  r.Right = FBounds.Right - 5 - 4;
  return r;
}

void TZCLColorPickerSliderCell::DrawContent(TCanvas* Canvas) {
  inherited::DrawContent(Canvas);
  DrawMarker(Canvas);
}

void TZCLColorPickerSliderCell::DrawMarker(TCanvas* Canvas) {
  const TRect a = GetArrowRect();
  const TColor color = PickerSubClass()->GetStyle()->GetColorText()->GetAsColor();
  for (Integer i = 0; i < 5; ++i) {
    const Integer h = 9 - 2 * i, top = a.Top + (9 - h) / 2;
    FillRectColor(Canvas, TRect(a.Right - 1 - i, top, a.Right - i, top + h), color);
  }
}

void TZCLColorPickerLightnessSliderCell::ApplyPoint(Integer X, Integer Y) {
  const TRect c = GetContentRect();
  if (c.Height() <= 0) return;
  const TPoint p = ClampToContent(X, Y);
  ColorInfo()->SetLightness(1 - Single(p.Y) / Single(c.Height()));
  if (FCursor != TPoint(0, p.Y)) {
    FCursor = TPoint(0, p.Y);
    Invalidate();
  }
}

TPoint TZCLColorPickerLightnessSliderCell::GetCursorPosition() {
  return TPoint(0, Integer(std::nearbyint((1 - ColorInfo()->GetLightness()) * GetContentRect().Height())));
}

void TZCLColorPickerLightnessSliderCell::DrawCache(TCanvas* Canvas, Integer Width, Integer Height) {
  const Integer mid = Height / 2;
  const TColor hue = TZCLColors::HSLToColor(ColorInfo()->GetHue(), ColorInfo()->GetSaturation(), 0.5f);
  FillGradient(Canvas, TRect(0, 0, Width, mid), clWhite, hue, true);
  FillGradient(Canvas, TRect(0, mid, Width, Height), hue, clBlack, true);
}

void TZCLColorPickerAlphaSliderCell::ApplyPoint(Integer X, Integer Y) {
  const TRect c = GetContentRect();
  if (c.Height() <= 0) return;
  const TPoint p = ClampToContent(X, Y);
  ColorInfo()->SetAlpha(Byte(std::nearbyint(p.Y * 255.0 / c.Height())));
  if (FCursor != TPoint(0, p.Y)) {
    FCursor = TPoint(0, p.Y);
    Invalidate();
  }
}

TPoint TZCLColorPickerAlphaSliderCell::GetCursorPosition() {
  return TPoint(0, MulDiv(GetContentRect().Height(), ColorInfo()->GetAlpha(), 255));
}

void TZCLColorPickerAlphaSliderCell::DrawCache(TCanvas* Canvas, Integer Width, Integer Height) {
  PickerSubClass()->GetStyleHatch()->Draw(Canvas, TRect(0, 0, Width, Height), 2);
  FillGradientAlpha(Canvas, TRect(0, 0, Width, Height), 0, H::FromColor(ColorInfo()->GetColor(), 255), true);
}

TSize TZCLColorPickerPreviewCell::MeasureSize() { return TSize(S(48), S(48)); }

void TZCLColorPickerPreviewCell::DoDraw(TCanvas* Canvas) {
  PickerSubClass()->DrawBorder(Canvas, FBounds);
  TRect r = FBounds;
  r.Inflate(-2, -2);
  PickerSubClass()->GetStyleHatch()->Draw(Canvas, r, 2);
  FillRectAlpha(Canvas, r, ColorInfo()->GetAlphaColor());
}

// The cell, not a component owner, frees its edit: cells come and go with AllowEditAlpha.
TZCLColorPickerCustomEditCell::~TZCLColorPickerCustomEditCell() { Free(FEdit); }

void TZCLColorPickerCustomEditCell::Initialize() {
  FEdit = CreateEditControl();
  TWinControl* host = FSubClass->GetContainer()->ContainerGetControl();
  FEdit->SetAlign(alCustom);
  FEdit->SetParent(host);
  if (host->GetComponentState().Contains(csDesigning)) FEdit->SetDesigning(true);
  FLocked = true;
  UpdateValue();
  FLocked = false;
}

bool TZCLColorPickerCustomEditCell::IsActive() {
  return inherited::IsActive() || (FEdit && FEdit->Focused());
}

TSize TZCLColorPickerCustomEditCell::MeasureSize() {
  TFont* font = FSubClass->GetContainer()->ContainerGetFont();
  return TSize(MeasureTextSize(font, GetCaption()).cx + S(6) + GetEditWidth(), FEdit ? FEdit->GetHeight() : 0);
}

void TZCLColorPickerCustomEditCell::DoCalculate(TZCLCompoundControlChanges Changes) {
  inherited::DoCalculate(Changes);
  if (FEdit && (Changes & (ChangeSize | ChangeStruct)))
    FEdit->SetBounds(FBounds.Right - GetEditWidth(), FBounds.Top, GetEditWidth(), FBounds.Height());
}

void TZCLColorPickerCustomEditCell::DoDraw(TCanvas* Canvas) {
  TZCLStyleContent* style = PickerSubClass()->GetStyle();
  Canvas->GetFont()->Assign(FSubClass->GetContainer()->ContainerGetFont());
  Canvas->GetFont()->SetColor((FSubClass->GetEnabled() ? style->GetColorText() : style->GetColorTextDisabled())->GetAsColor());
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  TRect r = FBounds;
  CanvasDrawText(Canvas, r, GetCaption(), DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

String TZCLColorPickerSpinEditCell::GetCaption() { return SpinCaptions[FKind]; }

Integer TZCLColorPickerSpinEditCell::GetValue() {
  TZCLColorPickerColorInfo* c = ColorInfo();
  switch (FKind) {
    case 0: return c->GetAlpha();
    case 1: return c->GetRed();
    case 2: return c->GetGreen();
    case 3: return c->GetBlue();
    case 4: return Integer(std::nearbyint(c->GetHue() * 255));
    case 5: return Integer(std::nearbyint(c->GetSaturation() * 255));
    default: return Integer(std::nearbyint(c->GetLightness() * 255));
  }
}

void TZCLColorPickerSpinEditCell::SetValue(Integer Value) {
  TZCLColorPickerColorInfo* c = ColorInfo();
  const Byte b = Byte(std::clamp(Value, 0, 255));
  switch (FKind) {
    case 0: c->SetAlpha(b); break;
    case 1: c->SetRed(b); break;
    case 2: c->SetGreen(b); break;
    case 3: c->SetBlue(b); break;
    case 4: c->SetHue(b / 255.0f); break;
    case 5: c->SetSaturation(b / 255.0f); break;
    default: c->SetLightness(b / 255.0f); break;
  }
}

TZCLCustomEdit* TZCLColorPickerSpinEditCell::CreateEditControl() {
  auto* edit = Create<TZCLSpinEdit>(static_cast<TComponent*>(nullptr));
  TZCLColorPickerSubClass* sub = PickerSubClass();
  edit->SetResourceCollection(sub->GetCollection());
  edit->SetStyle(sub->GetStyleEdit());
  edit->SetStyleButton(sub->GetStyleEditButton());
  edit->GetOptionsValue()->SetMinValue(0);
  edit->GetOptionsValue()->SetMaxValue(255);
  edit->OnChange = TNotifyEvent(this, &TZCLColorPickerSpinEditCell::EditChanged);
  return edit;
}

Integer TZCLColorPickerSpinEditCell::GetEditWidth() {
  return PickerSubClass()->GetHexCharWidth() * 3 + 2 * PickerSubClass()->GetStyleEditButton()->GetTexture()->GetFrameWidth() + 8;
}

void TZCLColorPickerSpinEditCell::UpdateValue() {
  if (!FEdit) return;
  GetSpinEdit()->SetValue(GetValue());
  if (FEdit->HandleAllocated()) FEdit->Repaint();
}

void TZCLColorPickerSpinEditCell::EditChanged(TObject*) {
  if (!FLocked) SetValue(GetSpinEdit()->GetValue().AsInteger());
}

Char ColorPickerFilterCodeKey(Char Key) {
  if (Key < 32 || (Key >= u'0' && Key <= u'9') || (Key >= u'A' && Key <= u'F') || (Key >= u'a' && Key <= u'f'))
    return Key;
  return 0;
}

TZCLCustomEdit* TZCLColorPickerHexCodeEditCell::CreateEditControl() {
  auto* edit = Create<TZCLEdit>(static_cast<TComponent*>(nullptr));
  TZCLColorPickerSubClass* sub = PickerSubClass();
  edit->SetResourceCollection(sub->GetCollection());
  edit->SetStyle(sub->GetStyleEdit());
  edit->SetMaxLength(sub->GetOptions()->GetAllowEditAlpha() ? 8 : 6);
  edit->OnChange = TNotifyEvent(this, &TZCLColorPickerHexCodeEditCell::EditChanged);
  edit->OnKeyPress = TKeyPressEvent(this, &TZCLColorPickerHexCodeEditCell::EditKeyPress);
  return edit;
}

Integer TZCLColorPickerHexCodeEditCell::GetEditWidth() {
  return PickerSubClass()->GetHexCharWidth() * 8 + 12;
}

void TZCLColorPickerHexCodeEditCell::UpdateValue() {
  if (!FEdit) return;
  TZCLColorPickerColorInfo* c = ColorInfo();
  if (PickerSubClass()->GetOptions()->GetAllowEditAlpha())
    GetCodeEdit()->SetText(H::ToString(c->GetAlphaColor()));
  else
    GetCodeEdit()->SetText(ColorToString(c->GetColor()));
  if (FEdit->HandleAllocated()) FEdit->Repaint();
}

void TZCLColorPickerHexCodeEditCell::EditChanged(TObject*) {
  if (!FLocked) ColorInfo()->SetAlphaColor(H::FromString(GetCodeEdit()->GetText()));
}

void TZCLColorPickerHexCodeEditCell::EditKeyPress(TObject*, Char& Key) { Key = ColorPickerFilterCodeKey(Key); }

// ---- view info ----------------------------------------------------------------------------------

TSize TZCLColorPickerViewInfo::MeasureColumn() {
  Integer cx = 0, cy = 0;
  auto add = [&](TZCLColorPickerColorModifierCell* cell, bool groupEnd) {
    if (!cell) return;
    const TSize s = cell->MeasureSize();
    cx = std::max(cx, s.cx);
    cy += s.cy + FIndent + (groupEnd ? FIndent : 0);
  };
  for (Integer k = 0; k < 7; ++k) add(FSpinCells[k], GroupEnds(k));
  add(FHexCode, false);
  cy += cx + FIndent;  // the preview: a square as wide as the column
  if (cy > 0) cy += FIndent;
  return TSize(cx, cy);
}

void TZCLColorPickerViewInfo::MeasureSize(Integer& Width, Integer& Height) {
  if (FRecreating) return;
  FIndent = ScaleByDPI(6, static_cast<TZCLColorPickerSubClass*>(FSubClass)->GetTargetDPI());
  Integer w = 0, h = 0;
  auto add = [&](TSize s) {
    if (s.cx <= 0 || s.cy <= 0) return;
    w += s.cx + FIndent;
    h = std::max(h, s.cy);
  };
  if (FLightnessSlider) add(FLightnessSlider->MeasureSize());
  if (FAlphaSlider) add(FAlphaSlider->MeasureSize());
  add(MeasureColumn());
  if (FGamut) {
    const Integer side = std::max(FGamut->MeasureSize().cy, h);
    add(TSize(side, side));
  }
  Width = w + 2 * FIndent;
  Height = h + 2 * FIndent;
}

void TZCLColorPickerViewInfo::DoCalculate(TZCLCompoundControlChanges Changes) {
  FIndent = ScaleByDPI(6, static_cast<TZCLColorPickerSubClass*>(FSubClass)->GetTargetDPI());
  inherited::DoCalculate(Changes);
}

void TZCLColorPickerViewInfo::RecreateSubCells() {
  FRecreating = true;
  try {
    inherited::RecreateSubCells();
    std::fill(std::begin(FSpinCells), std::end(FSpinCells), nullptr);
    FAlphaSlider = nullptr;
    const bool alpha = static_cast<TZCLColorPickerSubClass*>(FSubClass)->GetOptions()->GetAllowEditAlpha();
    FPreview = new TZCLColorPickerPreviewCell(FSubClass);
    AddCell(FPreview);
    FGamut = new TZCLColorPickerGamutCell(FSubClass);
    AddCell(FGamut);
    FLightnessSlider = new TZCLColorPickerLightnessSliderCell(FSubClass);
    AddCell(FLightnessSlider);
    if (alpha) {
      FAlphaSlider = new TZCLColorPickerAlphaSliderCell(FSubClass);
      AddCell(FAlphaSlider);
    }
    for (Integer k = alpha ? 0 : 1; k < 7; ++k) {
      FSpinCells[k] = new TZCLColorPickerSpinEditCell(FSubClass, k);
      AddCell(FSpinCells[k]);
      FSpinCells[k]->Initialize();
    }
    FHexCode = new TZCLColorPickerHexCodeEditCell(FSubClass);
    AddCell(FHexCode);
    FHexCode->Initialize();
  } catch (...) {
    FRecreating = false;
    throw;
  }
  FRecreating = false;
}

void TZCLColorPickerViewInfo::CalculateSubCells(TZCLCompoundControlChanges Changes) {
  if (!FPreview) return;  // no cells until the first structure change
  TRect r = FBounds;
  r.Inflate(-FIndent, -FIndent);
  const Integer columnWidth = MeasureColumn().cx;
  TRect column(r.Right - columnWidth, r.Top, r.Right, r.Bottom);
  FPreview->Calculate(TRect(column.Left, column.Top, column.Right, column.Top + columnWidth), Changes);
  column.Top += columnWidth + FIndent;
  auto place = [&](TZCLColorPickerColorModifierCell* cell, bool groupEnd) {
    const Integer h = cell->MeasureSize().cy;
    cell->Calculate(TRect(column.Left, column.Top, column.Right, column.Top + h), Changes);
    column.Top += h + FIndent + (groupEnd ? FIndent : 0);
  };
  for (Integer k = 0; k < 7; ++k)
    if (FSpinCells[k]) place(FSpinCells[k], GroupEnds(k));
  place(FHexCode, false);
  r.Right = column.Left - FIndent;
  r.Inflate(0, 3);
  for (TZCLColorPickerSliderCell* slider : {static_cast<TZCLColorPickerSliderCell*>(FAlphaSlider),
                                            static_cast<TZCLColorPickerSliderCell*>(FLightnessSlider)}) {
    if (!slider) continue;
    const Integer w = slider->MeasureSize().cx;
    slider->Calculate(TRect(r.Right - w, r.Top, r.Right, r.Bottom), Changes);
    r.Right -= w + FIndent;
  }
  r.Inflate(0, -3);
  FGamut->Calculate(r, Changes);
}

// ---- sub-class ----------------------------------------------------------------------------------

TZCLColorPickerSubClass::TZCLColorPickerSubClass(TComponent* AOwner) : TZCLCompoundControlSubClass(AOwner) {
  FColorInfo = new TZCLColorPickerColorInfo;
  FColorInfo->OnChange = TNotifyEvent(this, &TZCLColorPickerSubClass::ColorInfoChanged);
  FOptions = new TZCLColorPickerOptions(this);
  FStyle = Create<TZCLStyleContent>(static_cast<TObject*>(this));
  FStyleEdit = Create<TZCLStyleEdit>(static_cast<TObject*>(this));
  FStyleEditButton = Create<TZCLStyleSpinButton>(static_cast<TObject*>(this));
  FStyleHatch = Create<TZCLStyleHatch>(static_cast<TObject*>(this));
}

TZCLColorPickerSubClass::~TZCLColorPickerSubClass() {
  // The cells own edit controls of the host; they go before the styles they use.
  Free(FViewInfo);
  FViewInfo = nullptr;
  Free(FStyleHatch);
  Free(FStyleEditButton);
  Free(FStyleEdit);
  Free(FStyle);
  Free(FOptions);
  Free(FColorInfo);
}

TZCLCompoundControlCustomViewInfo* TZCLColorPickerSubClass::CreateViewInfo() { return new TZCLColorPickerViewInfo(this); }

void TZCLColorPickerSubClass::ColorInfoChanged(TObject*) {
  Changed(ChangeColor);
  if (!IsUpdateLocked()) RepaintNow();
  if (OnColorChanged) OnColorChanged(FColorInfo);
}

Integer TZCLColorPickerSubClass::GetHexCharWidth() {
  if (FHexCharWidth == 0) {
    TFont* font = GetContainer()->ContainerGetFont();
    for (Char c : StringView(u"0123456789ABCDEFabcdef"))
      FHexCharWidth = std::max(FHexCharWidth, MeasureTextSize(font, String(1, c)).cx);
  }
  return FHexCharWidth;
}

void TZCLColorPickerSubClass::ProcessChanges(TZCLCompoundControlChanges Flags) {
  if (Flags & ChangeStruct) FHexCharWidth = 0;  // the font or the DPI may have changed
  inherited::ProcessChanges(Flags);
}

void TZCLColorPickerSubClass::ProcessMouseDown(TMouseButton Button, TShiftState Shift) {
  inherited::ProcessMouseDown(Button, Shift);
  if (auto* cell = dynamic_cast<TZCLColorPickerColorModifierCell*>(GetHitTest()->HitObject))
    cell->ApplyPoint(GetHitTest()->HitPoint.X, GetHitTest()->HitPoint.Y);
}

void TZCLColorPickerSubClass::OptionsChanged() {
  FullRefresh();
  if (TWinControl* host = GetContainer()->ContainerGetControl()) {
    host->Realign();
    host->AdjustSize();
  }
}

void TZCLColorPickerSubClass::SetTargetDPI(Integer DPI) {
  FTargetDPI = DPI;
  FHexCharWidth = 0;
  for (TZCLStyle* s : std::initializer_list<TZCLStyle*>{FStyle, FStyleEdit, FStyleEditButton, FStyleHatch})
    s->SetTargetDPI(DPI);
  inherited::SetTargetDPI(DPI);
}

bool TZCLColorPickerSubClass::CalculateAutoSize(Integer& Width, Integer& Height) {
  if (auto* vi = GetPickerViewInfo()) vi->MeasureSize(Width, Height);
  return true;
}

void TZCLColorPickerSubClass::DrawBorder(TCanvas* Canvas, const TRect& R) {
  DrawDoubleFrame(Canvas, R, FStyle->GetColorBorder1()->GetAsColor(), FStyle->GetColorBorder2()->GetAsColor(),
                  {mLeft, mTop, mRight, mBottom});
}

// ---- the control --------------------------------------------------------------------------------

TZCLCustomColorPicker::TZCLCustomColorPicker(TComponent* AOwner) : TZCLCompoundControl(AOwner) {
  SetFocusOnClick(true);
  SetAutoSize(true);
}

TZCLCompoundControlSubClass* TZCLCustomColorPicker::CreateSubClass() {
  return Create<TZCLColorPickerSubClass>(static_cast<TComponent*>(this));
}

TAlphaColor TZCLCustomColorPicker::GetColor() const {
  const TAlphaColor c = GetPickerSubClass()->GetColorInfo()->GetAlphaColor();
  if (!GetOptions()->GetAllowEditAlpha() && c != claNone) return H::ToARGB(c) | 0xFF000000u;
  return c;
}

void TZCLCustomColorPicker::SetBorders(TZCLBorders Value) {
  if (FBorders == Value) return;
  FBorders = Value;
  SetBounds(GetLeft(), GetTop(), GetWidth(), GetHeight());
  AdjustSize();
  Realign();
  Invalidate();
}

TRect TZCLCustomColorPicker::GetContentOffset() {
  const Integer d = ScaleByDPI(2, GetCurrentPPI());
  return TRect(FBorders.Contains(mLeft) ? d : 0, FBorders.Contains(mTop) ? d : 0, FBorders.Contains(mRight) ? d : 0,
               FBorders.Contains(mBottom) ? d : 0);
}

void TZCLCustomColorPicker::Paint() {
  GetStyle()->Draw(GetCanvas(), GetClientRect(), GetTransparent(), FBorders);
  FSubClass->Draw(GetCanvas());
}

void TZCLColorPicker::DeclareProperties(TClassDeclaration<TZCLColorPicker>& D) {
  using C = TZCLColorPicker;
  D.Property(u"AutoSize", &C::GetAutoSize, &C::SetAutoSize).Default(true);
  D.Property(u"Borders", &C::GetBorders, &C::SetBorders);
  D.Property(u"Options", &C::GetOptions, &C::SetOptions);
  D.Property(u"ResourceCollection", &C::GetResourceCollection, &C::SetResourceCollection);
  D.Property(u"Style", &C::GetStyle, &C::SetStyle);
  D.Property(u"StyleEdit", &C::GetStyleEdit, &C::SetStyleEdit);
  D.Property(u"StyleEditButton", &C::GetStyleEditButton, &C::SetStyleEditButton);
  D.Property(u"StyleHatch", &C::GetStyleHatch, &C::SetStyleHatch);
  D.Property(u"Transparent", &C::GetTransparent, &C::SetTransparent).Default(false);
}

void RegisterColorPickerClasses() {
  RegisterProperties<TZCLColorPickerOptions>();
  RegisterProperties<TZCLColorPicker>();
  RegisterClasses({TZCLColorPicker::StaticClass()});
}
