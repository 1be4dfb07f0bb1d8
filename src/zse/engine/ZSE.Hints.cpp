#include "zse/engine/ZSE.Hints.h"

#include <algorithm>

#include "rtl/RTL.TypInfo.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.TextLayout.h"
#include "zse/engine/ZSE.Bindings.Providers.h"
#include "zse/engine/ZSE.Resources.h"
#include "zse/engine/ZSE.Types.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zse/engine/ZSE.Skins.Theme.h"

void TZSEStyleHint::DeclareProperties(TClassDeclaration<TZSEStyleHint>& D) {
  D.Property(u"ColorTextHyperlink", 4, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
}

void TZSEStyleHint::InitializeResources() {
  inherited::InitializeResources();
  GetColor(4)->InitializeDefault(u"Hint.Colors.TextHyperlink", TAlphaColor(0));
}

void TZSEHintWindow::AfterConstruction() {
  inherited::AfterConstruction();
  if (TZSESkinTheme* theme = TZSESkinTheme::GetCurrent())
    GetStyle()->SetCollection(theme->GetStyleHint()->GetPrivateCollection());
}

void RegisterHintStyleClasses() { RegisterProperties<TZSEStyleHint>(); }

TZSEAdvancedHintWindow::TZSEAdvancedHintWindow(TComponent* AOwner)
    : TZSEHintWindow(AOwner),
      FGlyphTexture(Create<TZSETexture>(static_cast<TObject*>(nullptr))),
      FLine1(new TZCLTextLayout(GetFont())),
      FLine2(new TZCLTextLayout(GetFont())) {
  FGlyphTexture->GetImageSet()->LoadFromResource(nullptr, u"ZSEHINTGLYPHS", u"RCDATA");
  FLine1->SetOptions(GetLayout()->GetOptions());
  FLine2->SetOptions(GetLayout()->GetOptions());
}

TZSEAdvancedHintWindow::~TZSEAdvancedHintWindow() {
  Free(FLine1);
  Free(FLine2);
  Free(FGlyphTexture);
}

void TZSEAdvancedHintWindow::SetTargetDPI(Integer DPI) {
  inherited::SetTargetDPI(DPI);
  if (DPI <= 0) return;
  FGlyphTexture->SetTargetDPI(DPI);
  FLine1->Refresh();
  FLine2->Refresh();
}

void TZSEAdvancedHintWindow::SetHintText(const String& Text, void* Data) {
  inherited::SetHintText(Text, Data);
  const auto* data = static_cast<const TZSEHintData*>(Data);
  FLine1->SetText(data ? LocalizeSkinText(data->HoldActionText) : String());
  FLine2->SetText(data ? LocalizeSkinText(data->ContextActionText) : String());
  FHasExtraLines = !FLine1->GetText().empty() || !FLine2->GetText().empty();
}

// The glyph's width at the texture's target DPI.
Integer TZSEAdvancedHintWindow::GlyphWidth() const {
  FGlyphTexture->GetImage(FGlyphTexture->GetTargetDPI(), TZCLBoolean::Default);
  return FGlyphTexture->GetFrameWidth();
}

TRect TZSEAdvancedHintWindow::CalcHintRect(Integer MaxWidth, const String& AHint, void* AData) {
  TZCLMeasureCanvas canvas;
  canvas.GetFont()->Assign(GetFont());
  const TRect bounds(0, 0, MaxWidth, 2);
  GetLayout()->SetBounds(bounds);
  FLine1->SetBounds(bounds);
  FLine2->SetBounds(bounds);
  SetHintText(AHint, AData);
  GetLayout()->Calculate(&canvas);
  TSize size = GetLayout()->MeasureSize();
  const Integer dpi = GetCurrentPPI();
  for (TZCLTextLayout* line : {FLine1, FLine2}) {
    if (line->GetText().empty()) continue;
    line->Calculate(&canvas);
    const TSize extra = line->MeasureSize();
    size.cx = std::max(size.cx, extra.cx);
    size.cy += extra.cy + ScaleByDPI(2, dpi);
  }
  if (FHasExtraLines) size.cx += GlyphWidth() + ScaleByDPI(5, dpi);
  return TRect(0, 0, size.cx + 2 * ScaleByDPI(8, dpi), size.cy + 2 * ScaleByDPI(5, dpi) - 4);
}

void TZSEAdvancedHintWindow::Paint() {
  TCanvas* canvas = GetCanvas();
  const TRect client = GetClientRect();
  GetStyle()->Draw(canvas, client);
  canvas->GetFont()->Assign(GetFont());
  canvas->GetFont()->SetColor(GetStyle()->GetColorText()->GetAsColor());
  const Integer dpi = GetCurrentPPI();
  TRect r = client;
  r.Inflate(-ScaleByDPI(8, dpi), -ScaleByDPI(5, dpi));
  DrawLine(GetLayout(), 0, r);
  DrawLine(FLine1, 1, r);
  DrawLine(FLine2, 2, r);
}

void TZSEAdvancedHintWindow::DrawLine(TZCLTextLayout* Layout, Integer GlyphIndex, TRect& R) {
  if (Layout->GetText().empty()) return;
  TCanvas* canvas = GetCanvas();
  const Integer dpi = GetCurrentPPI();
  TRect t = R;
  if (FHasExtraLines) t.Left += GlyphWidth() + ScaleByDPI(5, dpi);
  Layout->SetBounds(t);
  Layout->Calculate(canvas);
  Layout->Draw(canvas);
  t.Bottom = t.Top + Layout->MeasureSize().cy;
  if (FHasExtraLines) {
    const TSize glyph = FGlyphTexture->GetFrameSize();
    if (glyph.cx > 0 && glyph.cy > 0) {
      TZCLDib dib(glyph.cx, glyph.cy);
      dib.Reset();
      {
        TZCLDibCanvas dibCanvas(&dib);
        FGlyphTexture->Draw(&dibCanvas, TRect(0, 0, glyph.cx, glyph.cy), GlyphIndex, true, 255);
      }
      dib.Fill(GetStyle()->GetColorText()->GetAsColor());
      const Integer rows = std::max<Integer>(1, Layout->RowCount());
      Integer y = t.Top + (t.Height() / rows - glyph.cy) / 2;
      if ((t.Height() % 2) != (glyph.cy % 2)) ++y;
      dib.DrawBlendAt(canvas, TPoint(R.Left, y), 255);
    }
  }
  R.Top = t.Bottom + ScaleByDPI(2, dpi);
}
