#include "zcl/graphics/ZCL.Graphics.Render.Cairo.h"

#include <cairo.h>

#include <cmath>
#include <cstring>

#include "os/OS.Gdi.h"
#include "os/OS.Regions.h"
#include "os/OS.Text.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Threading.h"

// ---- drawing-resource caches ------------------------------------------------------------------

namespace {
// A pen: width and dash pattern (in multiples of the width).
struct TCairoPen {
  double Width;
  std::vector<double> Dashes;
};

class TResourcesCache : public TObject {
  ZCL_CLASS(TResourcesCache, TObject)
 public:
  TResourcesCache() {
    Brushes.OnRemove = {this, &TResourcesCache::BrushRemoved};
    Pens.OnRemove = {this, &TResourcesCache::PenRemoved};
  }
  void BrushRemoved(TObject*, void* const& Pattern) { cairo_pattern_destroy(static_cast<cairo_pattern_t*>(Pattern)); }
  void PenRemoved(TObject*, TCairoPen* const& Pen) { delete Pen; }
  TZCLValueCacheManager<TAlphaColor, void*> Brushes{256};  // cairo patterns
  TZCLValueCacheManager<UInt64, TCairoPen*> Pens{64};
};

TResourcesCache* GCache = nullptr;

TResourcesCache& Cache() {
  if (GCache == nullptr) GCache = new TResourcesCache();
  return *GCache;
}

cairo_pattern_t* GetSolidBrush(TAlphaColor Color) {
  void* cached = nullptr;
  if (Cache().Brushes.TryGetValue(Color, cached)) return static_cast<cairo_pattern_t*>(cached);
  cairo_pattern_t* pattern = cairo_pattern_create_rgba(((Color >> 16) & 0xFF) / 255.0, ((Color >> 8) & 0xFF) / 255.0,
                                                       (Color & 0xFF) / 255.0, (Color >> 24) / 255.0);
  Cache().Brushes.Add(Color, pattern);
  return pattern;
}

const TCairoPen* GetPen(TAlphaColor Color, float Width, TZCL2DRenderStrokeStyle Style) {
  UInt64 widthBits;
  std::memcpy(&widthBits, &Width, 4);
  widthBits &= 0xFFFFFFFFu;
  // Colour is applied separately; the key holds what the pen record depends on.
  const UInt64 key = (widthBits << 8) | Style;
  (void)Color;
  TCairoPen* pen = nullptr;
  if (Cache().Pens.TryGetValue(key, pen)) return pen;
  pen = new TCairoPen{Width, {}};
  switch (Style) {
    case ssDash:
      pen->Dashes = {3, 1};
      break;
    case ssDot:
      pen->Dashes = {1, 1};
      break;
    case ssDashDot:
      pen->Dashes = {3, 1, 1, 1};
      break;
    case ssDashDotDot:
      pen->Dashes = {3, 1, 1, 1, 1, 1};
      break;
    default:
      break;
  }
  for (double& d : pen->Dashes) d *= Width;
  Cache().Pens.Add(key, pen);
  return pen;
}

bool ValidColor(TAlphaColor Color) { return TAlphaColorHelper::IsValid(Color); }
}  // namespace

void TZCLCairoRender::FinalizeCaches() {
  delete GCache;
  GCache = nullptr;
}

// ---- images and paths -------------------------------------------------------------------------

TZCLCairoRenderImage::~TZCLCairoRenderImage() {
  if (Surface != nullptr) cairo_surface_destroy(Surface);
}

void TZCLCairoRenderPath::AddArc(float CX, float CY, float RX, float RY, float StartAngle, float SweepAngle) {
  FItems.push_back({opArc, CX, CY, RX, RY, StartAngle, SweepAngle});
  FNewFigure = false;
}

void TZCLCairoRenderPath::AddLine(float X1, float Y1, float X2, float Y2) {
  FItems.push_back({FNewFigure ? opMove : opLine, X1, Y1, 0, 0, 0, 0});
  FItems.push_back({opLine, X2, Y2, 0, 0, 0, 0});
  FNewFigure = false;
}

void TZCLCairoRenderPath::FigureClose() {
  FItems.push_back({opClose, 0, 0, 0, 0, 0, 0});
  FNewFigure = true;
}

void TZCLCairoRenderPath::FigureStart() { FNewFigure = true; }

void TZCLCairoRenderPath::Apply(cairo_t* Cairo) const {
  constexpr double kRad = M_PI / 180.0;
  for (const TItem& item : FItems) {
    switch (item.Op) {
      case opMove:
        cairo_move_to(Cairo, item.A, item.B);
        break;
      case opLine:
        cairo_line_to(Cairo, item.A, item.B);
        break;
      case opClose:
        cairo_close_path(Cairo);
        break;
      case opArc: {
        if (item.C <= 0 || item.D <= 0) break;
        cairo_save(Cairo);
        cairo_translate(Cairo, item.A, item.B);
        cairo_scale(Cairo, item.C, item.D);
        const double start = item.E * kRad, end = (item.E + item.F) * kRad;
        if (item.F >= 0)
          cairo_arc(Cairo, 0, 0, 1, start, end);
        else
          cairo_arc_negative(Cairo, 0, 0, 1, start, end);
        cairo_restore(Cairo);
        break;
      }
    }
  }
}

// ---- TZCLCairoRender --------------------------------------------------------------------------

TZCLCairoRender::~TZCLCairoRender() = default;

void TZCLCairoRender::BeginPaint(HDC DC, const TRect&, const TRect&) {
  if (FDC != nullptr) throw EInvalidGraphicOperation(u"Render is already in paint stage");
  if (DC == nullptr) throw EInvalidArgument(u"TZCLCairoRender.BeginPaint(0)");
  FDC = DC;
}

void TZCLCairoRender::EndPaint() { FDC = nullptr; }

cairo_t* TZCLCairoRender::Begin(TContextKind Kind) {
  if (FDC == nullptr) return nullptr;
  cairo_t* cr = detail::BeginCairo(FDC);
  if (cr == nullptr) return nullptr;
  cairo_matrix_t m;
  cairo_matrix_init(&m, FMatrix[0], FMatrix[1], FMatrix[2], FMatrix[3], FMatrix[4], FMatrix[5]);
  cairo_transform(cr, &m);
  cairo_translate(cr, -FOrigin.X, -FOrigin.Y);
  if (Kind == ckStroke && FPixelOffset != 1) cairo_translate(cr, 0.5, 0.5);
  cairo_set_antialias(cr, FSmoothing == 2 ? CAIRO_ANTIALIAS_GOOD : CAIRO_ANTIALIAS_NONE);
  return cr;
}

void TZCLCairoRender::End(cairo_t* Cairo) {
  if (Cairo != nullptr) detail::EndCairo(FDC, Cairo);
}

void TZCLCairoRender::Stroke(cairo_t* Cairo, TAlphaColor Color, float Width, TZCL2DRenderStrokeStyle Style) {
  const TCairoPen* pen = GetPen(Color, Width, Style);
  cairo_set_source(Cairo, GetSolidBrush(Color));
  cairo_set_line_width(Cairo, pen->Width);
  cairo_set_dash(Cairo, pen->Dashes.data(), static_cast<int>(pen->Dashes.size()), 0);
  cairo_stroke(Cairo);
}

void TZCLCairoRender::Fill(cairo_t* Cairo, TAlphaColor Color) {
  cairo_set_source(Cairo, GetSolidBrush(Color));
  cairo_fill(Cairo);
}

void TZCLCairoRender::PolygonPath(cairo_t* Cairo, const TPoint* Points, Integer Count, bool Close) {
  for (Integer i = 0; i < Count; ++i) {
    if (i == 0)
      cairo_move_to(Cairo, Points[i].X, Points[i].Y);
    else
      cairo_line_to(Cairo, Points[i].X, Points[i].Y);
  }
  if (Close) cairo_close_path(Cairo);
}

bool TZCLCairoRender::IsVisible(const TRect& R) {
  if (FDC == nullptr || R.IsEmpty()) return false;
  TRect r = R;
  r.Offset(-FOrigin.X, -FOrigin.Y);
  return RectVisible(FDC, &r) != 0;
}

bool TZCLCairoRender::IntersectClip(const TRect& R, void*& Saved) {
  Saved = nullptr;
  if (!IsVisible(R)) return false;
  HRGN saved = CreateRectRgn(0, 0, 0, 0);
  if (GetClipRgn(FDC, saved) != 1) {
    DeleteObject(saved);
    saved = nullptr;
  }
  TRect r = R;
  r.Offset(-FOrigin.X, -FOrigin.Y);
  IntersectClipRect(FDC, r.Left, r.Top, r.Right, r.Bottom);
  // A box that marks "no clip before" apart from "nothing saved".
  Saved = new HRGN(saved);
  return true;
}

void TZCLCairoRender::RestoreClip(void* Saved) {
  auto* saved = static_cast<HRGN*>(Saved);
  if (saved == nullptr) return;
  if (FDC != nullptr) SelectClipRgn(FDC, *saved);
  if (*saved != nullptr) DeleteObject(*saved);
  delete saved;
}

void TZCLCairoRender::DrawCurve(TAlphaColor Color, const TPoint* Points, Integer HighIndex, float Tension,
                                float Width) {
  const Integer count = HighIndex + 1;
  if (count < 2 || Width <= 0) return;
  cairo_t* cr = Begin(ckStroke);
  if (cr == nullptr) return;
  // Cardinal spline: Bezier control points at a third of the tangent scaled by the tension.
  cairo_move_to(cr, Points[0].X, Points[0].Y);
  for (Integer i = 0; i + 1 < count; ++i) {
    const TPoint p0 = Points[i > 0 ? i - 1 : 0], p1 = Points[i], p2 = Points[i + 1],
                 p3 = Points[i + 2 < count ? i + 2 : count - 1];
    const double t = Tension / 3.0;
    cairo_curve_to(cr, p1.X + t * (p2.X - p0.X), p1.Y + t * (p2.Y - p0.Y), p2.X - t * (p3.X - p1.X),
                   p2.Y - t * (p3.Y - p1.Y), p2.X, p2.Y);
  }
  Stroke(cr, Color, Width, ssSolid);
  End(cr);
}

void TZCLCairoRender::FillCurve(TAlphaColor Color, const TPoint* Points, Integer HighIndex, float Tension) {
  const Integer count = HighIndex + 1;
  if (count < 2) return;
  cairo_t* cr = Begin(ckFill);
  if (cr == nullptr) return;
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
  cairo_move_to(cr, Points[0].X, Points[0].Y);
  for (Integer i = 0; i < count; ++i) {
    auto at = [&](Integer k) { return Points[((k % count) + count) % count]; };
    const TPoint p0 = at(i - 1), p1 = at(i), p2 = at(i + 1), p3 = at(i + 2);
    const double t = Tension / 3.0;
    cairo_curve_to(cr, p1.X + t * (p2.X - p0.X), p1.Y + t * (p2.Y - p0.Y), p2.X - t * (p3.X - p1.X),
                   p2.Y - t * (p3.Y - p1.Y), p2.X, p2.Y);
  }
  cairo_close_path(cr);
  Fill(cr, Color);
  End(cr);
}

void TZCLCairoRender::DrawEllipse(float X1, float Y1, float X2, float Y2, TAlphaColor Color, float Width,
                                  TZCL2DRenderStrokeStyle Style) {
  if (!ValidColor(Color) || Width <= 0 || X2 <= X1 || Y2 <= Y1) return;
  cairo_t* cr = Begin(ckStroke);
  if (cr == nullptr) return;
  cairo_save(cr);
  cairo_translate(cr, (X1 + X2) / 2.0, (Y1 + Y2) / 2.0);
  cairo_scale(cr, (X2 - X1) / 2.0, (Y2 - Y1) / 2.0);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr);
  Stroke(cr, Color, Width, Style);
  End(cr);
}

void TZCLCairoRender::FillEllipse(float X1, float Y1, float X2, float Y2, TAlphaColor Color) {
  if (!ValidColor(Color) || X2 <= X1 || Y2 <= Y1) return;
  cairo_t* cr = Begin(ckFill);
  if (cr == nullptr) return;
  cairo_translate(cr, (X1 + X2) / 2.0, (Y1 + Y2) / 2.0);
  cairo_scale(cr, (X2 - X1) / 2.0, (Y2 - Y1) / 2.0);
  cairo_arc(cr, 0, 0, 1, 0, 2 * M_PI);
  Fill(cr, Color);
  End(cr);
}

void TZCLCairoRender::DrawLine(float X1, float Y1, float X2, float Y2, TAlphaColor Color, float Width,
                               TZCL2DRenderStrokeStyle Style) {
  if (!ValidColor(Color) || Width <= 0) return;
  cairo_t* cr = Begin(ckStroke);
  if (cr == nullptr) return;
  cairo_move_to(cr, X1, Y1);
  cairo_line_to(cr, X2, Y2);
  Stroke(cr, Color, Width, Style);
  End(cr);
}

void TZCLCairoRender::DrawLines(const TPoint* Points, Integer Count, TAlphaColor Color, float Width,
                                TZCL2DRenderStrokeStyle Style) {
  if (!ValidColor(Color) || Width <= 0 || Count <= 0) return;
  cairo_t* cr = Begin(ckStroke);
  if (cr == nullptr) return;
  PolygonPath(cr, Points, Count, false);
  Stroke(cr, Color, Width, Style);
  End(cr);
}

TZCL2DRenderImage* TZCLCairoRender::CreateImage(const TZCLPixel32* Bits, Integer Width, Integer Height,
                                                TZCL2DRenderAlphaFormat Format, TZCL2DRenderSourceUsage Usage) {
  if (Bits == nullptr || Width <= 0 || Height <= 0) return nullptr;
  auto* image = new TZCLCairoRenderImage(this);
  image->Width = Width;
  image->Height = Height;
  const size_t count = size_t(Width) * Height;
  TZCLPixel32* pixels = const_cast<TZCLPixel32*>(Bits);
  // cairo wants premultiplied pixels: straight ones are converted in a private copy.
  if (Usage == suCopy || Format == afDefined2D) {
    auto* copy = new TZCLPixel32[count];
    std::memcpy(copy, Bits, count * 4);
    if (Format == afDefined2D) TZCLColors::Premultiply(copy, count);
    if (Usage == suOwn) delete[] pixels;
    pixels = copy;
    image->OwnedBits = copy;
  } else if (Usage == suOwn) {
    image->OwnedBits = pixels;
  }
  image->Surface = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(pixels),
                                                       Format == afIgnored2D ? CAIRO_FORMAT_RGB24 : CAIRO_FORMAT_ARGB32,
                                                       Width, Height, Width * 4);
  return image;
}

void TZCLCairoRender::PaintImage(TZCL2DRenderImage* Image, const TRect& Dest, const TRect& Source, Byte Alpha,
                                 TAlphaColor Tint) {
  auto* image = dynamic_cast<TZCLCairoRenderImage*>(Image);
  if (image == nullptr || !TZCL2DRenderResource::IsValidFor(image, this)) return;
  if (Dest.IsEmpty() || Source.IsEmpty() || !IsVisible(Dest)) return;
  cairo_t* cr = Begin(ckImage);
  if (cr == nullptr) return;
  cairo_surface_mark_dirty(image->Surface);
  cairo_rectangle(cr, Dest.Left, Dest.Top, Dest.Width(), Dest.Height());
  cairo_clip(cr);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(image->Surface);
  cairo_matrix_t m;
  cairo_matrix_init_translate(&m, Source.Left, Source.Top);
  cairo_matrix_scale(&m, double(Source.Width()) / Dest.Width(), double(Source.Height()) / Dest.Height());
  cairo_matrix_translate(&m, -Dest.Left, -Dest.Top);
  cairo_pattern_set_matrix(pattern, &m);
  cairo_pattern_set_filter(pattern, FImageSmoothing == 2           ? CAIRO_FILTER_GOOD
                                    : RectEqualSizes(Dest, Source) ? CAIRO_FILTER_NEAREST
                                                                   : CAIRO_FILTER_BILINEAR);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
  if (TAlphaColorHelper::IsValid(Tint)) {
    // Every pixel in the tint colour, keeping its alpha scaled by the attributes' alpha.
    cairo_set_source_rgba(cr, ((Tint >> 16) & 0xFF) / 255.0, ((Tint >> 8) & 0xFF) / 255.0, (Tint & 0xFF) / 255.0,
                          Alpha / 255.0);
    cairo_mask(cr, pattern);
  } else {
    cairo_set_source(cr, pattern);
    if (Alpha == 255)
      cairo_paint(cr);
    else
      cairo_paint_with_alpha(cr, Alpha / 255.0);
  }
  cairo_pattern_destroy(pattern);
  End(cr);
}

void TZCLCairoRender::DrawImage(TZCL2DRenderImage* Image, const TRect& Dest, const TRect& Source, Byte Alpha) {
  PaintImage(Image, Dest, Source, Alpha, claNone);
}

void TZCLCairoRender::DrawImageWithAttributes(TZCL2DRenderImage* Image, const TRect& Dest, const TRect& Source,
                                              TZCL2DRenderImageAttributes* Attributes) {
  if (TZCL2DRenderResource::IsValidFor(Attributes, this))
    PaintImage(Image, Dest, Source, Attributes->GetAlpha(), Attributes->GetTintColor());
  else
    PaintImage(Image, Dest, Source, 255, claNone);
}

void TZCLCairoRender::DrawRectangle(float X1, float Y1, float X2, float Y2, TAlphaColor Color, float Width,
                                    TZCL2DRenderStrokeStyle Style) {
  X2 -= FPixelSize;
  Y2 -= FPixelSize;
  if (!ValidColor(Color) || Width <= 0 || X2 <= X1 || Y2 <= Y1) return;
  cairo_t* cr = Begin(ckStroke);
  if (cr == nullptr) return;
  cairo_rectangle(cr, X1, Y1, X2 - X1, Y2 - Y1);
  Stroke(cr, Color, Width, Style);
  End(cr);
}

void TZCLCairoRender::FillRectangleByCheckerboard(const TRect& R, TAlphaColor Color1, TAlphaColor Color2,
                                                  Integer CellSize) {
  if (R.IsEmpty() || CellSize <= 0) return;
  cairo_t* cr = Begin(ckFill);
  if (cr == nullptr) return;
  cairo_surface_t* tile = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 2 * CellSize, 2 * CellSize);
  cairo_t* tc = cairo_create(tile);
  cairo_set_source(tc, GetSolidBrush(Color2));
  cairo_rectangle(tc, 0, 0, CellSize, CellSize);
  cairo_rectangle(tc, CellSize, CellSize, CellSize, CellSize);
  cairo_fill(tc);
  cairo_set_source(tc, GetSolidBrush(Color1));
  cairo_rectangle(tc, CellSize, 0, CellSize, CellSize);
  cairo_rectangle(tc, 0, CellSize, CellSize, CellSize);
  cairo_fill(tc);
  cairo_destroy(tc);
  cairo_pattern_t* pattern = cairo_pattern_create_for_surface(tile);
  cairo_pattern_set_extend(pattern, CAIRO_EXTEND_REPEAT);
  cairo_set_source(cr, pattern);
  cairo_rectangle(cr, R.Left, R.Top, R.Width(), R.Height());
  cairo_fill(cr);
  cairo_pattern_destroy(pattern);
  cairo_surface_destroy(tile);
  End(cr);
}

void TZCLCairoRender::FillRectangle(float X1, float Y1, float X2, float Y2, TAlphaColor Color) {
  if (!ValidColor(Color) || X2 <= X1 || Y2 <= Y1) return;
  cairo_t* cr = Begin(ckFill);
  if (cr == nullptr) return;
  cairo_rectangle(cr, X1, Y1, X2 - X1, Y2 - Y1);
  Fill(cr, Color);
  End(cr);
}

void TZCLCairoRender::FillRectangleByGradient(const TRect& R, TAlphaColor Color1, TAlphaColor Color2, bool Vertical) {
  if (R.IsEmpty()) return;
  cairo_t* cr = Begin(ckFill);
  if (cr == nullptr) return;
  cairo_pattern_t* pattern = Vertical ? cairo_pattern_create_linear(0, R.Top, 0, R.Bottom)
                                      : cairo_pattern_create_linear(R.Left, 0, R.Right, 0);
  auto stop = [pattern](double Offset, TAlphaColor C) {
    C = TAlphaColorHelper::ToARGB(C);
    cairo_pattern_add_color_stop_rgba(pattern, Offset, ((C >> 16) & 0xFF) / 255.0, ((C >> 8) & 0xFF) / 255.0,
                                      (C & 0xFF) / 255.0, (C >> 24) / 255.0);
  };
  stop(0, Color1);
  stop(1, Color2);
  cairo_set_source(cr, pattern);
  cairo_rectangle(cr, R.Left, R.Top, R.Width(), R.Height());
  cairo_fill(cr);
  cairo_pattern_destroy(pattern);
  End(cr);
}

namespace {
UINT TextFormat(TAlignment Horizontal, TVerticalAlignment Vertical, bool WordWrap) {
  UINT format = DT_NOPREFIX;
  if (Horizontal == taRightJustify) format |= DT_RIGHT;
  if (Horizontal == taCenter) format |= DT_CENTER;
  if (Vertical == taAlignBottom) format |= DT_BOTTOM | (WordWrap ? 0 : DT_SINGLELINE);
  if (Vertical == taVerticalCenter) format |= DT_VCENTER | (WordWrap ? 0 : DT_SINGLELINE);
  if (WordWrap) format |= DT_WORDBREAK;
  return format;
}
}  // namespace

void TZCLCairoRender::MeasureText(const String& Text, TFont* Font, TRect& R, bool WordWrap) {
  HDC dc = FDC != nullptr ? FDC : CreateCompatibleDC(nullptr);
  HGDIOBJ old = Font != nullptr ? SelectObject(dc, ToGdiObject(Font->GetHandle())) : nullptr;
  TRect r = R;
  ::DrawText(dc, Text, &r, DT_CALCRECT | DT_NOPREFIX | (WordWrap ? DT_WORDBREAK : DT_SINGLELINE));
  if (old != nullptr) SelectObject(dc, old);
  if (dc != FDC) DeleteDC(dc);
  R = r;
}

void TZCLCairoRender::DrawText(const String& Text, const TRect& R, TAlphaColor Color, TFont* Font,
                               TAlignment Horizontal, TVerticalAlignment Vertical, bool WordWrap) {
  if (!ValidColor(Color) || R.IsEmpty() || Text.empty() || FDC == nullptr) return;
  // FIXME: text goes through the device context, so a partial colour alpha is not applied.
  TRect r = R;
  r.Offset(-FOrigin.X, -FOrigin.Y);
  HGDIOBJ old = Font != nullptr ? SelectObject(FDC, ToGdiObject(Font->GetHandle())) : nullptr;
  const COLORREF oldColor = SetTextColor(FDC, TAlphaColorHelper::ToColor(Color));
  const int oldMode = SetBkMode(FDC, TRANSPARENT);
  ::DrawText(FDC, Text, &r, TextFormat(Horizontal, Vertical, WordWrap));
  SetBkMode(FDC, oldMode);
  SetTextColor(FDC, oldColor);
  if (old != nullptr) SelectObject(FDC, old);
}

void TZCLCairoRender::DrawPath(TZCL2DRenderPath* Path, TAlphaColor Color, float Width, TZCL2DRenderStrokeStyle Style) {
  auto* path = dynamic_cast<TZCLCairoRenderPath*>(Path);
  if (path == nullptr || !ValidColor(Color) || Width <= 0) return;
  cairo_t* cr = Begin(ckStroke);
  if (cr == nullptr) return;
  path->Apply(cr);
  Stroke(cr, Color, Width, Style);
  End(cr);
}

void TZCLCairoRender::FillPath(TZCL2DRenderPath* Path, TAlphaColor Color) {
  auto* path = dynamic_cast<TZCLCairoRenderPath*>(Path);
  if (path == nullptr || !ValidColor(Color)) return;
  cairo_t* cr = Begin(ckFill);
  if (cr == nullptr) return;
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  path->Apply(cr);
  Fill(cr, Color);
  End(cr);
}

void TZCLCairoRender::DrawPolygon(const TPoint* Points, Integer HighIndex, TAlphaColor Color, float Width,
                                  TZCL2DRenderStrokeStyle Style) {
  if (!ValidColor(Color) || Width <= 0 || HighIndex < 1) return;
  cairo_t* cr = Begin(ckStroke);
  if (cr == nullptr) return;
  PolygonPath(cr, Points, HighIndex + 1, true);
  Stroke(cr, Color, Width, Style);
  End(cr);
}

void TZCLCairoRender::FillPolygon(const TPoint* Points, Integer HighIndex, TAlphaColor Color) {
  if (!ValidColor(Color) || HighIndex < 1) return;
  cairo_t* cr = Begin(ckFill);
  if (cr == nullptr) return;
  cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
  PolygonPath(cr, Points, HighIndex + 1, true);
  Fill(cr, Color);
  End(cr);
}

void TZCLCairoRender::SaveWorldTransform(TZCL2DRenderTransformState& State) {
  std::memcpy(State.M, FMatrix, sizeof FMatrix);
}

void TZCLCairoRender::RestoreWorldTransform(const TZCL2DRenderTransformState& State) {
  std::memcpy(FMatrix, State.M, sizeof FMatrix);
  UpdatePixelSize();
}

void TZCLCairoRender::ModifyWorldTransform(const TXForm& T) {
  // The new transform applies first: M := T x M.
  cairo_matrix_t m, t, r;
  cairo_matrix_init(&m, FMatrix[0], FMatrix[1], FMatrix[2], FMatrix[3], FMatrix[4], FMatrix[5]);
  cairo_matrix_init(&t, T.eM11, T.eM12, T.eM21, T.eM22, T.eDx, T.eDy);
  cairo_matrix_multiply(&r, &t, &m);
  const double values[6] = {r.xx, r.yx, r.xy, r.yy, r.x0, r.y0};
  std::memcpy(FMatrix, values, sizeof FMatrix);
  UpdatePixelSize();
}

void TZCLCairoRender::SetWorldTransform(const TXForm& T) {
  const double values[6] = {T.eM11, T.eM12, T.eM21, T.eM22, T.eDx, T.eDy};
  std::memcpy(FMatrix, values, sizeof FMatrix);
  UpdatePixelSize();
}

void TZCLCairoRender::TransformPoints(TPoint* Points, Integer Count) {
  for (Integer i = 0; i < Count; ++i) {
    const double x = Points[i].X, y = Points[i].Y;
    Points[i].X = static_cast<Integer>(std::lround(FMatrix[0] * x + FMatrix[2] * y + FMatrix[4]));
    Points[i].Y = static_cast<Integer>(std::lround(FMatrix[1] * x + FMatrix[3] * y + FMatrix[5]));
  }
}

void TZCLCairoRender::UpdatePixelSize() {
  // The length of one device pixel in world units, from the images of (0, 0) and (1, 1).
  const double dx = FMatrix[0] + FMatrix[2], dy = FMatrix[1] + FMatrix[3];
  const double d = std::sqrt(dx * dx + dy * dy);
  FPixelSize = d == 0 ? 1.0f : static_cast<float>(std::sqrt(2.0) / d);
}

void TZCLCairoRender::ExecuteGdi(const std::function<void(HDC)>& Proc) {
  if (FDC != nullptr) Proc(FDC);
}

// ---- TZCLCairoPaintCanvas ---------------------------------------------------------------------

void TZCLCairoPaintCanvas::BeginPaint(HDC DC) {
  if (DC == nullptr) throw EInvalidArgument(u"TZCLCairoPaintCanvas.BeginPaint(0)");
  GetLock()->Enter();
  FStack.push_back({FDC, FOrigin});
  FDC = DC;
}

void TZCLCairoPaintCanvas::BeginPaint(HDC DC, const TRect&, const TRect&) { BeginPaint(DC); }

void TZCLCairoPaintCanvas::EndPaint() {
  if (FStack.empty()) return;
  FDC = FStack.back().DC;
  FStack.pop_back();
  GetLock()->Leave();
}

namespace {
TZCLCairoPaintCanvas* GSharedPaintRender = nullptr;
}

TZCLCairoPaintCanvas* SharedPaintRender() {
  if (GSharedPaintRender == nullptr) GSharedPaintRender = new TZCLCairoPaintCanvas();
  return GSharedPaintRender;
}

void FinalizeSharedPaintRender() {
  delete GSharedPaintRender;
  GSharedPaintRender = nullptr;
  TZCLCairoRender::FinalizeCaches();
}
