#include "zcl/graphics/ZCL.Graphics.Font.h"

#include <algorithm>
#include <cmath>

#include "zcl/graphics/ZCL.Graphics.Blend.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"

// ---- TZCLFontShadow ------------------------------------------------------------------------------

TZCLFontShadow::TZCLFontShadow(TNotifyEvent AOnChange) { OnChange = AOnChange; }

void TZCLFontShadow::DeclareProperties(TClassDeclaration<TZCLFontShadow>& D) {
  D.Property(u"Blur", &TZCLFontShadow::GetBlur, &TZCLFontShadow::SetBlur).Default(0);
  D.Property(u"Color", &TZCLFontShadow::GetColor, &TZCLFontShadow::SetColor).Default(TAlphaColor(0));
  D.Property(u"Size", &TZCLFontShadow::GetSize, &TZCLFontShadow::SetSize).Default(1);
}

void TZCLFontShadow::Assign(TPersistent* Source) {
  auto* other = dynamic_cast<TZCLFontShadow*>(Source);
  if (other == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  SetColor(other->GetColor());
  SetDirection(other->GetDirection());
  SetSize(other->GetSize());
  SetBlur(other->GetBlur());
}

bool TZCLFontShadow::Equals(const TObject* Obj) const {
  auto* other = dynamic_cast<const TZCLFontShadow*>(Obj);
  return other != nullptr && other->ClassType() == ClassType() && other->GetBlur() == GetBlur() &&
         other->GetColor() == GetColor() && other->GetSize() == GetSize() && other->GetDirection() == GetDirection();
}

void TZCLFontShadow::Changed() {
  if (OnChange) OnChange(this);
}

void TZCLFontShadow::SetBlur(Integer Value) {
  Value = std::clamp(Value, 0, 50);
  if (Value == FBlur) return;
  FBlur = Value;
  FBlurRadius = (Value + 9) / 10;
  Changed();
}

void TZCLFontShadow::SetColor(TAlphaColor Value) {
  if (Value == FColor) return;
  FColor = Value;
  Changed();
}

void TZCLFontShadow::SetDirection(TZCLMarginPart Value) {
  if (Value == FDirection) return;
  FDirection = Value;
  Changed();
}

void TZCLFontShadow::SetSize(Integer Value) {
  Value = std::clamp(Value, 1, 3);
  if (Value == FSize) return;
  FSize = Value;
  Changed();
}

void TZCLFontShadow::Reset() {
  FColor = 0;
  FDirection = mzRightBottom;
  FBlur = 0;
  FBlurRadius = 0;
  FSize = 1;
  Changed();
}

bool TZCLFontShadow::IsVisible() const {
  const TAlphaColor color = GetColor();
  return GetSize() > 0 && color != claNone && color != claDefault;
}

TPoint TZCLFontShadow::GetOffset() const {
  switch (GetDirection()) {
    case mzLeftTop:
      return TPoint(-1, -1);
    case mzLeft:
      return TPoint(-1, 0);
    case mzLeftBottom:
      return TPoint(-1, 1);
    case mzTop:
      return TPoint(0, -1);
    case mzBottom:
      return TPoint(0, 1);
    case mzRight:
      return TPoint(1, 0);
    case mzRightTop:
      return TPoint(1, -1);
    case mzRightBottom:
      return TPoint(1, 1);
    default:
      return TPoint(0, 0);
  }
}

TRect TZCLFontShadow::GetShadowMargins() const {
  if (!IsVisible()) return TRect();
  const Integer radius = GetBlurRadius();
  Integer extent = GetSize() + radius;
  if (radius > 0) extent += GetSize();
  const TPoint offset = GetOffset();
  const bool glow = offset.X == 0 && offset.Y == 0;
  return TRect(glow || offset.X < 0 ? extent : radius, glow || offset.Y < 0 ? extent : radius,
               glow || offset.X > 0 ? extent : radius, glow || offset.Y > 0 ? extent : radius);
}

TSize TZCLFontShadow::ExpandByShadow(const TSize& Size) const {
  if (Size.cx <= 0 || Size.cy <= 0) return Size;
  const TRect m = GetShadowMargins();
  return TSize(Size.cx + m.Left + m.Right, Size.cy + m.Top + m.Bottom);
}

namespace {
TZCLBlurFilter* GBlurFilter = nullptr;
TZCLDib* GScratch = nullptr;

const Byte* GammaTable() {
  static const auto table = [] {
    std::array<Byte, 256> t{};
    for (Integer i = 0; i < 256; ++i) t[size_t(i)] = Byte(std::floor(255.0 * std::pow(i / 255.0, 10.0 / 7.0)));
    return t;
  }();
  return table.data();
}
}  // namespace

void TZCLFontShadow::BlurImage(TZCLDib* Dib) const {
  if (GetBlur() < 1) return;
  if (GBlurFilter == nullptr) GBlurFilter = new TZCLBlurFilter();
  GBlurFilter->SetRadius(Integer(std::nearbyint(GetBlur() / 10.0)));
  GBlurFilter->Apply(Dib);
}

// ---- TZCLFont -------------------------------------------------------------------------------------

TZCLFont::TZCLFont() : FShadow(new TZCLFontShadow()) { FShadow->OnChange = {this, &TZCLFont::ShadowChanged}; }

TZCLFont::~TZCLFont() { delete FShadow; }

void TZCLFont::DeclareProperties(TClassDeclaration<TZCLFont>& D) {
  D.Property(u"ColorAlpha", &TZCLFont::GetColorAlpha, &TZCLFont::SetColorAlpha).Default(Byte(255));
  D.Property(u"Shadow", &TZCLFont::GetShadow, &TZCLFont::SetShadow);
}

void TZCLFont::Assign(TPersistent* Source) {
  TFont::Assign(Source);
  if (auto* other = dynamic_cast<TZCLFont*>(Source)) {
    SetColorAlpha(other->GetColorAlpha());
    FShadow->Assign(other->GetShadow());
  }
}

void TZCLFont::SetColorAlpha(Byte Value) {
  if (Value == FColorAlpha) return;
  FColorAlpha = Value;
  Changed();
}

void TZCLFont::SetAlphaColor(TAlphaColor Value) {
  SetColor(TAlphaColorHelper::ToColor(Value));
  SetColorAlpha(Byte(Value >> 24));
}

bool FontsLookAlike(const TFont* A, const TFont* B) {
  return A->GetHeight() == B->GetHeight() && A->GetStyle() == B->GetStyle() && A->GetName() == B->GetName() &&
         A->GetCharset() == B->GetCharset() && A->GetPitch() == B->GetPitch() && A->GetQuality() == B->GetQuality() &&
         A->GetOrientation() == B->GetOrientation();
}

TZCLFontShadow* VisibleShadowOf(TFont* Font) {
  auto* font = dynamic_cast<TZCLFont*>(Font);
  return font != nullptr && font->GetShadow()->IsVisible() ? font->GetShadow() : nullptr;
}

TRect FontShadowMargins(TFont* Font) {
  auto* font = dynamic_cast<TZCLFont*>(Font);
  return font != nullptr ? font->GetShadow()->GetShadowMargins() : TRect();
}

// ---- 32-bit text ------------------------------------------------------------------------------------

void ColorizeTextImage(TZCLDib* Dib, TZCLPixel32 Color) {
  const Byte* g = GammaTable();
  const TZCLByteTable& pm = TZCLColors::PremultiplyTable();
  Dib->BeginAccess();
  TZCLPixel32* p = Dib->GetColors();
  for (Integer i = 0, n = Dib->GetColorCount(); i < n; ++i, ++p) {
    if (p->R == 0 && p->G == 0 && p->B == 0) {
      p->A = 0;
      continue;
    }
    const Byte a = Byte((Cardinal(Color.A) * (77u * g[p->R] + 151u * g[p->G] + 28u * g[p->B] + 128u)) >> 16);
    p->B = pm[Color.B][a];
    p->G = pm[Color.G][a];
    p->R = pm[Color.R][a];
    p->A = a;
  }
  Dib->EndAccess();
}

namespace {

bool HasVisibleText(TFont* Font) {
  auto* font = dynamic_cast<TZCLFont*>(Font);
  const bool text = Font->GetColor() != clNone && (font == nullptr || font->GetColorAlpha() != 0);
  return text || VisibleShadowOf(Font) != nullptr;
}

}  // namespace

void DrawText32Core(const Char* Text, Integer Count, Integer Width, Integer Height, TFont* Font, const TPoint& Origin,
                    Integer RepeatOffset, const TZCLText32Output& Output) {
  if (Width <= 0 || Height <= 0) return;
  if (GScratch == nullptr) GScratch = new TZCLDib();
  TZCLDib* dib = GScratch;
  dib->Resize(Width, Height);
  TCanvas* canvas = dib->GetCanvas();
  // Reassigning an equal font would still make a new handle.
  if (!FontsLookAlike(canvas->GetFont(), Font)) AssignCanvasFont(canvas, Font);
  canvas->GetFont()->SetColor(clWhite);
  canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  const String text(Text, size_t(std::max(Count, 0)));
  auto drawAt = [&](Integer X, Integer Y) {
    canvas->TextOut(X, Y, text);
    if (RepeatOffset > 0) canvas->TextOut(X + RepeatOffset, Y, text);
  };
  if (TZCLFontShadow* shadow = VisibleShadowOf(Font)) {
    dib->Reset();
    const Integer size = shadow->GetSize();
    const TPoint step = shadow->GetOffset();
    if (step.X == 0 && step.Y == 0) {
      for (Integer i = -size; i <= size; ++i)
        for (Integer j = -size; j <= size; ++j)
          if (i != j) drawAt(Origin.X + i, Origin.Y + j);
    } else {
      for (Integer k = 1; k <= size; ++k) drawAt(Origin.X + k * step.X, Origin.Y + k * step.Y);
    }
    shadow->BlurImage(dib);
    ColorizeTextImage(dib, TAlphaColorHelper::ToPixel(TAlphaColorHelper::ToARGB(shadow->GetColor())));
    Output(dib);
  }
  auto* font32 = dynamic_cast<TZCLFont*>(Font);
  const Byte alpha = font32 != nullptr ? font32->GetColorAlpha() : 255;
  if (alpha == 0 || Font->GetColor() == clNone) return;
  const TColor color = Font->GetColor() == clDefault ? clBlack : Font->GetColor();
  TZCLPixel32 quad = TAlphaColorHelper::ToPixel(TAlphaColorHelper::FromColor(color, 255));
  quad.A = alpha;
  dib->Reset();
  drawAt(Origin.X, Origin.Y);
  ColorizeTextImage(dib, quad);
  Output(dib);
}

void DrawText32(TCanvas* Canvas, const TRect& R, const String& Text, TFont* Font, TAlignment HorzAlignment,
                TVerticalAlignment VertAlignment, bool EndEllipsis) {
  if (Text.empty() || R.IsEmpty() || !HasVisibleText(Font) || !IsRectVisible(Canvas, R)) return;
  TCanvas* measure = MeasureCanvas();
  AssignCanvasFont(measure, Font);
  const TRect m = FontShadowMargins(Font);
  String text = Text;
  TSize size = CanvasTextSize(measure, text);
  if (EndEllipsis) TextShortenEnd(measure, text, size, R.Width() - m.Left - m.Right);
  size.cx += m.Left + m.Right;
  size.cy += m.Top + m.Bottom;
  const TPoint at = RectAlignedOrigin(R, size, HorzAlignment, VertAlignment, false);
  DrawText32Core(text.data(), Integer(text.size()), size.cx, size.cy, Font, TPoint(m.Left, m.Top), 0,
                 [&](TZCLDib* Image) { Image->DrawBlendAt(Canvas, at, 255); });
}

void DrawText32Duplicated(TCanvas* Canvas, const TRect& R, const String& Text, const TPoint& Offset,
                          Integer RepeatOffset, TFont* Font) {
  if (Text.empty() || R.IsEmpty() || !HasVisibleText(Font) || !IsRectVisible(Canvas, R)) return;
  const TRect m = FontShadowMargins(Font);
  DrawText32Core(Text.data(), Integer(Text.size()), R.Width(), R.Height(), Font,
                 TPoint(Offset.X + m.Left, Offset.Y + m.Top), RepeatOffset,
                 [&](TZCLDib* Image) { Image->DrawBlendAt(Canvas, R.TopLeft(), 255); });
}

void FinalizeText32() {
  FreeAndNil(GScratch);
  FreeAndNil(GBlurFilter);
}
