#include "zcl/graphics/ZCL.Graphics.Canvas.h"

#include <atomic>
#include <cstring>

#include "os/OS.Fonts.h"
#include "os/OS.Gdi.h"
#include "os/OS.Regions.h"
#include "os/OS.Text.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Numbers.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.Render.Cairo.h"

namespace {
// The canvas's DC with its font, brush and pen selected.
HDC PreparedDC(TCanvas* Canvas) {
  Canvas->TextExtent(String());
  return Canvas->GetHandle();
}

TCanvas* GScreenCanvas = nullptr;
TCanvas* GMeasureCanvas = nullptr;
}  // namespace

// ---- shared canvases --------------------------------------------------------------------------

TZCLScreenCanvas::~TZCLScreenCanvas() { FreeHandle(); }

void TZCLScreenCanvas::FreeHandle() {
  if (!HandleAllocated() || GetLockCount() > 0) return;
  HDC dc = GetHandle();
  DeselectHandles();
  SetHandle(nullptr);
  ReleaseDC(nullptr, dc);
}

void TZCLScreenCanvas::CreateHandle() { SetHandle(GetDCEx(nullptr, nullptr, DCX_CACHE | DCX_LOCKWINDOWUPDATE)); }

TZCLMeasureCanvas::~TZCLMeasureCanvas() { FreeHandle(); }

void TZCLMeasureCanvas::FreeHandle() {
  if (HandleAllocated()) {
    DeselectHandles();
    SetHandle(nullptr);
  }
  if (FBitmap != nullptr) {
    FBitmap->GetCanvas()->Unlock();
    delete FBitmap;
    FBitmap = nullptr;
  }
}

void TZCLMeasureCanvas::CreateHandle() {
  if (FBitmap == nullptr) {
    FBitmap = new TZCLBitmap(1, 1, TPixelFormat::pf32bit, false);
    FBitmap->GetCanvas()->Lock();
  }
  SetHandle(FBitmap->GetCanvas()->GetHandle());
}

TCanvas* ScreenCanvas() {
  if (GScreenCanvas == nullptr) GScreenCanvas = new TZCLScreenCanvas();
  return GScreenCanvas;
}

TCanvas* MeasureCanvas() {
  if (GMeasureCanvas == nullptr) GMeasureCanvas = new TZCLMeasureCanvas();
  return GMeasureCanvas;
}

// ---- regions ----------------------------------------------------------------------------------

TZCLRegion::TZCLRegion() : FHandle(CreateRectRgn(0, 0, 0, 0)) {}
TZCLRegion::TZCLRegion(const TRect& R) : FHandle(CreateRectRgnIndirect(R)) {}
TZCLRegion::~TZCLRegion() { DeleteObject(FHandle); }

TRect TZCLRegion::GetBounds() const {
  TRect r;
  GetRgnBox(FHandle, &r);
  return r;
}

bool TZCLRegion::IsEmpty() const {
  TRect r;
  return GetRgnBox(FHandle, &r) == NULLREGION;
}

void TZCLRegion::CombineRect(const TRect& R, TZCLRegionOperation Operation) {
  if (Operation == roCopy) {
    SetRectRgn(FHandle, R.Left, R.Top, R.Right, R.Bottom);
    return;
  }
  static const int kModes[] = {RGN_OR, RGN_AND, RGN_XOR, RGN_DIFF};
  CombineRegionWithRect(FHandle, R, kModes[Operation]);
}

void TZCLRegion::Reset() { SetRectRgn(FHandle, 0, 0, 0, 0); }

TZCLRegionData::TZCLRegionData(Integer ACount) { SetCount(ACount); }
TZCLRegionData::~TZCLRegionData() { delete[] FData; }

void TZCLRegionData::SetCount(Integer Value) {
  Value = std::max(Value, 0);
  if (Value == FCount && FData != nullptr) return;
  delete[] FData;
  FCount = Value;
  FData = new Byte[size_t(GetDataSize())]();
  auto* header = reinterpret_cast<RGNDATAHEADER*>(FData);
  header->dwSize = 32;
  header->iType = RDH_RECTANGLES;
  header->nCount = DWORD(FCount);
  header->nRgnSize = 0;
}

TRect* TZCLRegionData::GetRects() const { return reinterpret_cast<TRect*>(FData + 32); }

HRGN TZCLRegionData::CreateRegion(const TRect& Bounds) const {
  reinterpret_cast<RGNDATAHEADER*>(FData)->rcBound = Bounds;
  if (FCount == 0) return CreateRectRgn(0, 0, 0, 0);
  return ExtCreateRegion(nullptr, DWORD(GetDataSize()), reinterpret_cast<const RGNDATA*>(FData));
}

namespace {
std::atomic<HRGN> GRegionPool[8];
}

HRGN TZCLRegionManager::Get() {
  for (auto& slot : GRegionPool)
    if (HRGN region = slot.exchange(nullptr)) return region;
  return CreateRectRgn(0, 0, 0, 0);
}

void TZCLRegionManager::Release(HRGN& Region) {
  HRGN carried = Region;
  Region = nullptr;
  for (auto& slot : GRegionPool) {
    if (carried == nullptr) return;
    carried = slot.exchange(carried);
  }
  if (carried != nullptr) DeleteObject(carried);
}

void TZCLRegionManager::Finalize() {
  for (auto& slot : GRegionPool)
    if (HRGN region = slot.exchange(nullptr)) DeleteObject(region);
  delete GScreenCanvas;
  GScreenCanvas = nullptr;
  delete GMeasureCanvas;
  GMeasureCanvas = nullptr;
}

// ---- clipping ---------------------------------------------------------------------------------

HRGN ClipRegionSave(HDC DC) {
  HRGN region = TZCLRegionManager::Get();
  if (GetClipRgn(DC, region) != 1) TZCLRegionManager::Release(region);
  return region;
}

void ClipRegionPop(HDC DC, HRGN Region) {
  SelectClipRgn(DC, Region);
  if (Region != nullptr) TZCLRegionManager::Release(Region);
}

bool ClipRegionPush(HDC DC, const TRect& R, HRGN& Saved) {
  Saved = nullptr;
  if (!IsRectVisible(DC, R)) return false;
  Saved = ClipRegionSave(DC);
  if (IntersectClipRect(DC, R.Left, R.Top, R.Right, R.Bottom) == NULLREGION) {
    ClipRegionPop(DC, Saved);
    Saved = nullptr;
    return false;
  }
  return true;
}

void ClipRegionExclude(HDC DC, const TRect& R) { ExcludeClipRect(DC, R.Left, R.Top, R.Right, R.Bottom); }

bool ClipRegionIntersect(HDC DC, const TRect& R) {
  return IntersectClipRect(DC, R.Left, R.Top, R.Right, R.Bottom) != NULLREGION;
}

bool IsRectVisible(HDC DC, const TRect& R) { return !R.IsEmpty() && RectVisible(DC, &R) != 0; }
bool IsRectVisible(TCanvas* Canvas, const TRect& R) { return !R.IsEmpty() && IsRectVisible(Canvas->GetHandle(), R); }

HRGN CopyRegion(HRGN Region) {
  HRGN result = CreateRectRgn(0, 0, 0, 0);
  CombineRgn(result, Region, nullptr, RGN_COPY);
  return result;
}

void CombineRegion(HRGN Target, HRGN Source, int Mode) { CombineRgn(Target, Target, Source, Mode); }

void CombineRegionWithRect(HRGN Target, const TRect& R, int Mode) {
  HRGN rect = CreateRectRgnIndirect(R);
  CombineRgn(Target, Target, rect, Mode);
  DeleteObject(rect);
}

void SetWindowRegion(HWND Window, HRGN Region, bool Redraw) { SetWindowRgn(Window, Region, Redraw); }

TPoint MoveWindowOrg(HDC DC, const TPoint& P) {
  TPoint origin;
  GetWindowOrgEx(DC, &origin);
  SetWindowOrgEx(DC, origin.X - P.X, origin.Y - P.Y, nullptr);
  return origin;
}

void RestoreWindowOrg(HDC DC, const TPoint& P) { SetWindowOrgEx(DC, P.X, P.Y, nullptr); }

void OffsetRegionByWindowOrg(HDC DC, HRGN Region) {
  TPoint origin;
  GetWindowOrgEx(DC, &origin);
  OffsetRgn(Region, -origin.X, -origin.Y);
}

// ---- text -------------------------------------------------------------------------------------

namespace {
// Italic fonts overhang their advance: measurements grow by half an average character.
Integer ItalicOverhang(TCanvas* Canvas) {
  if (!Canvas->GetFont()->GetStyle().Contains(fsItalic)) return 0;
  TEXTMETRICW tm{};
  GetTextMetricsW(PreparedDC(Canvas), &tm);
  return static_cast<Integer>(tm.tmAveCharWidth / 2);
}
}  // namespace

TSize CanvasTextSizeLen(TCanvas* Canvas, const String& Text, Integer Length) {
  if (Text.empty() || Length <= 0) return TSize();
  TSize size;
  GetTextExtentPoint32W(PreparedDC(Canvas), Text.data(), std::min<Integer>(Length, Integer(Text.size())), &size);
  size.cx += ItalicOverhang(Canvas);
  return size;
}

TSize CanvasTextSize(TCanvas* Canvas, const String& Text) {
  return CanvasTextSizeLen(Canvas, Text, Integer(Text.size()));
}

Integer CanvasTextHeight(TCanvas* Canvas) { return CanvasTextSize(Canvas, u"Qq").cy; }

TSize MeasureTextSize(TFont* Font, const String& Text) {
  AssignCanvasFont(MeasureCanvas(), Font);
  return CanvasTextSize(MeasureCanvas(), Text);
}

Integer MeasureFontHeight(TFont* Font) {
  AssignCanvasFont(MeasureCanvas(), Font);
  return CanvasTextHeight(MeasureCanvas());
}

TSize MeasureWrappedText(TCanvas* Canvas, const String& Text, Integer Width) {
  TRect r(0, 0, Width <= 0 ? 65535 : Width, 2);
  ::DrawText(PreparedDC(Canvas), Text, &r, DT_CALCRECT | DT_WORDBREAK);
  return r.Size();
}

void CanvasDrawText(TCanvas* Canvas, TRect& R, const String& Text, UINT Format) {
  ::DrawText(PreparedDC(Canvas), Text, &R, Format);
  if (Format & DT_CALCRECT) R.Right += ItalicOverhang(Canvas);
}

void CanvasTextOut(TCanvas* Canvas, Integer X, Integer Y, const String& Text, const TRect* Clip) {
  HDC dc = PreparedDC(Canvas);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  ExtTextOut(dc, X, Y, Clip != nullptr ? ETO_CLIPPED : 0, Clip, Text, nullptr);
  SetBkMode(dc, oldMode);
}

TPoint RectAlignedOrigin(const TRect& R, const TSize& Size, TAlignment Horizontal, TVerticalAlignment Vertical,
                         bool KeepInside) {
  TPoint p;
  switch (Vertical) {
    case taAlignTop:
      p.Y = R.Top;
      break;
    case taAlignBottom:
      p.Y = R.Bottom - Size.cy;
      break;
    default:
      p.Y = (R.Bottom + R.Top - Size.cy) / 2;
      break;
  }
  switch (Horizontal) {
    case taLeftJustify:
      p.X = R.Left;
      break;
    case taRightJustify:
      p.X = R.Right - Size.cx;
      break;
    default:
      p.X = (R.Right + R.Left - Size.cx) / 2;
      break;
  }
  if (KeepInside) {
    p.X = std::max(p.X, R.Left);
    p.Y = std::max(p.Y, R.Top);
  }
  return p;
}

Integer TextShortenEnd(TCanvas* Canvas, String& Text, TSize& Size, Integer MaxWidth) {
  if (Text.empty() || MaxWidth >= Size.cx) return Integer(Text.size());
  static const String kEllipsis = u"\u2026";
  const Integer available = std::max(0, MaxWidth - CanvasTextSize(Canvas, kEllipsis).cx);
  int fit = 0;
  TSize ignored;
  GetTextExtentExPointW(PreparedDC(Canvas), Text.data(), int(Text.size()), available, &fit, nullptr, &ignored);
  fit = std::clamp(fit, 0, int(Text.size()));
  // Never keep the first half of a surrogate pair without its second.
  if (fit > 0 && fit < int(Text.size()) && Text[fit - 1] >= 0xD800 && Text[fit - 1] <= 0xDBFF) --fit;
  Text = Text.substr(0, size_t(fit)) + kEllipsis;
  Size = CanvasTextSize(Canvas, Text);
  return fit;
}

void ShortenPathText(TCanvas* Canvas, Integer MaxWidth, String& Path) {
  const size_t first = Path.find(u'\\');
  if (first == String::npos) return;
  const String head = Path.substr(0, first + 1);
  String tail = Path.substr(first + 1);
  bool shortened = false;
  while (CanvasTextSize(Canvas, Path).cx > MaxWidth) {
    const size_t next = tail.find(u'\\');
    if (next == String::npos) break;
    tail = tail.substr(next + 1);
    shortened = true;
    Path = head + u"...\\" + tail;
  }
  (void)shortened;
}

void TextDraw(TCanvas* Canvas, const String& Text, const TRect& R, TAlignment Horizontal, TVerticalAlignment Vertical,
              bool EndEllipsis, bool KeepTopLeftInside, bool WordWrap) {
  if (Text.empty() || !IsRectVisible(Canvas, R)) return;
  const int oldMode = SetBkMode(PreparedDC(Canvas), TRANSPARENT);
  if (Text.find(u'\r') != String::npos || WordWrap) {
    UINT format = 0;
    if (Horizontal == taRightJustify) format |= DT_RIGHT;
    if (Horizontal == taCenter) format |= DT_CENTER;
    if (Vertical == taAlignBottom) format |= DT_BOTTOM;
    if (Vertical == taVerticalCenter) format |= DT_VCENTER;
    if (EndEllipsis) format |= DT_END_ELLIPSIS;
    if (WordWrap) format |= DT_WORDBREAK;
    TRect r = R;
    CanvasDrawText(Canvas, r, Text, format);
  } else if (Horizontal != taLeftJustify || Vertical != taAlignTop || EndEllipsis) {
    String text = Text;
    TSize size = CanvasTextSize(Canvas, text);
    if (EndEllipsis) TextShortenEnd(Canvas, text, size, R.Width());
    const TPoint origin = RectAlignedOrigin(R, size, Horizontal, Vertical, KeepTopLeftInside);
    CanvasTextOut(Canvas, origin.X, origin.Y, text, &R);
  } else {
    CanvasTextOut(Canvas, R.Left, R.Top, Text, &R);
  }
  SetBkMode(Canvas->GetHandle(), oldMode);
}

void TextDrawHighlighted(TCanvas* Canvas, const String& Text, const TRect& R, TAlignment Horizontal,
                         TVerticalAlignment Vertical, bool EndEllipsis, Integer From, Integer To, TColor FillColor,
                         TColor TextColor) {
  if (From >= To) {
    TextDraw(Canvas, Text, R, Horizontal, Vertical, EndEllipsis, false, false);
    return;
  }
  String text = Text;
  TSize size = CanvasTextSize(Canvas, text);
  if (EndEllipsis) To = std::min(To, TextShortenEnd(Canvas, text, size, R.Width()));
  const TPoint origin = RectAlignedOrigin(R, size, Horizontal, Vertical, true);
  const TRect highlight(origin.X + CanvasTextSizeLen(Canvas, text, From).cx, R.Top,
                        origin.X + CanvasTextSizeLen(Canvas, text, To).cx, R.Bottom);
  HDC dc = PreparedDC(Canvas);
  HRGN saved = ClipRegionSave(dc);
  ClipRegionExclude(dc, highlight);
  CanvasTextOut(Canvas, origin.X, origin.Y, text, &R);
  ClipRegionPop(dc, saved);
  if (ClipRegionPush(dc, highlight, saved)) {
    FillRectColor(Canvas, highlight, FillColor);
    const TColor oldColor = Canvas->GetFont()->GetColor();
    Canvas->GetFont()->SetColor(TextColor);
    CanvasTextOut(Canvas, origin.X, origin.Y, text, &R);
    Canvas->GetFont()->SetColor(oldColor);
    ClipRegionPop(dc, saved);
  }
}

void TextDrawVertical(TCanvas* Canvas, const String& Text, const TRect& R, TAlignment Horizontal,
                      TVerticalAlignment Vertical, bool EndEllipsis) {
  TFont* font = Canvas->GetFont();
  font->SetOrientation(900);
  String text = Text;
  TSize size = CanvasTextSize(Canvas, text);
  if (EndEllipsis) TextShortenEnd(Canvas, text, size, R.Height());
  const TSize turned(size.cy, size.cx);
  static const TAlignment kAcross[] = {taLeftJustify, taRightJustify, taCenter};             // by Vertical
  static const TVerticalAlignment kAlong[] = {taAlignBottom, taAlignTop, taVerticalCenter};  // by Horizontal
  const TPoint origin = RectAlignedOrigin(R, turned, kAcross[Vertical], kAlong[Horizontal], false);
  CanvasTextOut(Canvas, origin.X, origin.Y + size.cx, text, nullptr);
  font->SetOrientation(0);
}

// ---- fonts ------------------------------------------------------------------------------------

void AssignCanvasFont(TCanvas* Canvas, TFont* Font) {
  Canvas->GetFont()->Assign(Font);
  Canvas->GetFont()->SetHeight(Font->GetHeight());
}

TColor ColorOrDefault(TColor Color, TColor Fallback) { return Color == clDefault ? Fallback : Color; }

TFont* FontClone(TFont* Font) {
  auto* clone = Font->ClassType()->Create<TFont>();
  clone->SetPixelsPerInch(Font->GetPixelsPerInch());
  clone->Assign(Font);
  return clone;
}

void FontResolveHeight(TFont* Font) {
  if (Font->GetHeight() != 0) return;
  LOGFONTW lf{};
  if (GetObject(Font->GetHandle(), sizeof lf, &lf) > 0) Font->SetHeight(static_cast<Integer>(lf.lfHeight));
}

// ---- fills and frames -------------------------------------------------------------------------

void FillRectColor(TCanvas* Canvas, const TRect& R, TColor Color) {
  if (Color == clNone) return;
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsSolid);
  Canvas->GetBrush()->SetColor(Color);
  Canvas->FillRect(R);
}

void FillRectBlack(HDC DC, const TRect& R) {
  ::FillRect(DC, &R, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void FillRectAlpha(TCanvas* Canvas, const TRect& R, TAlphaColor Color, Integer Radius) {
  if (!TAlphaColorHelper::IsValid(Color)) return;
  TZCLCairoPaintCanvas* render = SharedPaintRender();
  render->BeginPaint(Canvas);
  try {
    if (Radius < 1) {
      render->FillRectangle(R, Color);
    } else {
      TZCL2DRenderPath* path = render->CreatePath();
      path->AddRoundRect(R, float(Radius), float(Radius));
      render->SetGeometrySmoothing(2);
      render->SetPixelOffset(1);
      render->FillPath(path, Color);
      render->SetGeometrySmoothing(0);
      render->SetPixelOffset(0);
      delete path;
    }
  } catch (...) {
    render->EndPaint();
    throw;
  }
  render->EndPaint();
}

void FillGradient(TCanvas* Canvas, const TRect& R, TColor Color1, TColor Color2, bool Vertical) {
  if (Color1 == clNone) {
    FillRectColor(Canvas, R, Color2);
  } else if (Color2 == clNone || Color1 == Color2) {
    FillRectColor(Canvas, R, Color1);
  } else {
    FillGradientAlpha(Canvas, R, TAlphaColorHelper::FromColor(Color1), TAlphaColorHelper::FromColor(Color2), Vertical);
  }
}

void FillGradientAlpha(TCanvas* Canvas, const TRect& R, TAlphaColor Color1, TAlphaColor Color2, bool Vertical) {
  if (Color1 == Color2 || !TAlphaColorHelper::IsValid(Color1)) {
    FillRectAlpha(Canvas, R, Color2);
  } else if (!TAlphaColorHelper::IsValid(Color2)) {
    FillRectAlpha(Canvas, R, Color1);
  } else {
    TZCLCairoPaintCanvas* render = SharedPaintRender();
    render->BeginPaint(Canvas);
    render->FillRectangleByGradient(R, Color1, Color2, Vertical);
    render->EndPaint();
  }
}

namespace {
template <class TFill>
void FrameBorders(TCanvas* Canvas, const TRect& R, TZCLBorders Borders, Integer Thickness, TFill FillProc) {
  HDC dc = Canvas->GetHandle();
  HRGN saved = ClipRegionSave(dc);
  TRect inner = R;
  RectDeflateByBorders(inner, Thickness, Borders);
  ClipRegionExclude(dc, inner);
  FillProc();
  ClipRegionPop(dc, saved);
}
}  // namespace

void DrawFrameBorders(TCanvas* Canvas, const TRect& R, TColor Color, TZCLBorders Borders, Integer Thickness) {
  if (Color == clNone) return;
  FrameBorders(Canvas, R, Borders, Thickness, [&] { FillRectColor(Canvas, R, Color); });
}

void DrawFrameBordersAlpha(TCanvas* Canvas, const TRect& R, TAlphaColor Color, TZCLBorders Borders, Integer Thickness) {
  if (!TAlphaColorHelper::IsValid(Color)) return;
  FrameBorders(Canvas, R, Borders, Thickness, [&] { FillRectAlpha(Canvas, R, Color); });
}

void DrawFrame(TCanvas* Canvas, const TRect& R, TColor Color, Integer Thickness) {
  DrawFrameBorders(Canvas, R, Color, TZCLBorders{mLeft, mTop, mRight, mBottom}, Thickness);
}

void DrawFrameAlpha(TCanvas* Canvas, const TRect& R, TAlphaColor Color, Integer Thickness) {
  DrawFrameBordersAlpha(Canvas, R, Color, TZCLBorders{mLeft, mTop, mRight, mBottom}, Thickness);
}

void DrawDoubleFrame(TCanvas* Canvas, const TRect& R, TColor Outer, TColor Inner, TZCLBorders Borders) {
  DrawFrameBorders(Canvas, R, Outer, Borders, 1);
  TRect inner = R;
  RectDeflateByBorders(inner, 1, Borders);
  DrawFrameBorders(Canvas, inner, Inner, Borders, 1);
}

void DrawDoubleFrameAlpha(TCanvas* Canvas, const TRect& R, TAlphaColor Outer, TAlphaColor Inner, TZCLBorders Borders) {
  DrawFrameBordersAlpha(Canvas, R, Outer, Borders, 1);
  TRect inner = R;
  RectDeflateByBorders(inner, 1, Borders);
  DrawFrameBordersAlpha(Canvas, inner, Inner, Borders, 1);
}

void DrawDownTriangle(HDC DC, const TRect& R, TColor Color, const TSize& Size) {
  const Integer x = (R.Left + R.Right - Size.cx) / 2, y = (R.Top + R.Bottom - Size.cy) / 2;
  const TPoint points[3] = {{x, y}, {x + Size.cx, y}, {x + Size.cx / 2, y + Size.cy + 1}};
  HRGN region = CreatePolygonRgn(points, 3, WINDING);
  HBRUSH brush = CreateSolidBrush(TColorRef(ColorToRGB(Color)));
  FillRgn(DC, region, brush);
  DeleteObject(brush);
  DeleteObject(region);
}

void UpdateLayeredWindowAlpha(HWND Window, HDC SourceDC, const TRect& R, Byte Alpha) {
  const LONG exStyle = GetWindowLong(Window, GWL_EXSTYLE);
  if ((exStyle & LONG(WS_EX_LAYERED)) == 0) SetWindowLong(Window, GWL_EXSTYLE, exStyle | LONG(WS_EX_LAYERED));
  const TPoint position = R.TopLeft(), source(0, 0);
  const TSize size = R.Size();
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, Alpha, AC_SRC_ALPHA};
  UpdateLayeredWindow(Window, &position, &size, GetDCSurface(SourceDC), &source, 0, &blend, ULW_ALPHA);
}

void DrawSelectionRect(TCanvas* Canvas, const TRect& R, TAlphaColor Color) {
  if (R.IsEmpty()) return;
  FillRectAlpha(Canvas, R, (Color & 0x00FFFFFF) | (TAlphaColor(100) << 24));
  DrawFrame(Canvas, R, TAlphaColorHelper::ToColor(Color | 0xFF000000), 1);
}

void DrawDottedFrame(TCanvas* Canvas, const TRect& R, TColor Color) {
  if (Color == clDefault) Color = Canvas->GetFont()->GetColor();
  if (Color == clDefault) Color = clWindowText;
  if (Color == clNone) return;
  TZCLCairoPaintCanvas* render = SharedPaintRender();
  render->BeginPaint(Canvas);
  render->DrawRectangle(R, TAlphaColorHelper::FromColor(Color), 1, ssDot);
  render->EndPaint();
}

TZCLBitmap* CreateCheckerboardBitmap(Integer CellSize, TColor Color1, TColor Color2) {
  auto* bitmap = new TZCLBitmap(2 * CellSize, 2 * CellSize, TPixelFormat::pf24bit, false);
  TCanvas* c = bitmap->GetCanvas();
  FillRectColor(c, TRect(0, 0, CellSize, CellSize), Color2);
  FillRectColor(c, TRect(CellSize, CellSize, 2 * CellSize, 2 * CellSize), Color2);
  FillRectColor(c, TRect(CellSize, 0, 2 * CellSize, CellSize), Color1);
  FillRectColor(c, TRect(0, CellSize, CellSize, 2 * CellSize), Color1);
  return bitmap;
}

void DrawCheckerboard(HDC DC, const TRect& R, TColor Color1, TColor Color2, Integer CellSize) {
  if (R.IsEmpty() || CellSize <= 0) return;
  // Cells start at the rectangle's top-left corner.
  const TColorRef c1 = TColorRef(ColorToRGB(Color1)), c2 = TColorRef(ColorToRGB(Color2));
  HBRUSH b1 = CreateSolidBrush(c1), b2 = CreateSolidBrush(c2);
  for (Integer y = R.Top, row = 0; y < R.Bottom; y += CellSize, ++row)
    for (Integer x = R.Left, col = 0; x < R.Right; x += CellSize, ++col) {
      const TRect cell(x, y, std::min(x + CellSize, R.Right), std::min(y + CellSize, R.Bottom));
      ::FillRect(DC, &cell, (row + col) % 2 == 0 ? b2 : b1);
    }
  DeleteObject(b1);
  DeleteObject(b2);
}

void DrawCheckerboardDefault(HDC DC, const TRect& R) { DrawCheckerboard(DC, R, 0xFFFFFF, 0xBFBFBF, 8); }

void DrawColorPreview(TCanvas* Canvas, const TRect& R, TAlphaColor Color) {
  DrawColorPreviewEx(Canvas, R, Color, 0x808080, 0xFFFFFF, 0xBFBFBF);
}

void DrawColorPreviewEx(TCanvas* Canvas, const TRect& R, TAlphaColor Color, TColor Frame1, TColor Frame2,
                        TColor Checker2) {
  DrawFrame(Canvas, R, Frame1, 1);
  TRect inner = R;
  inner.Inflate(-1, -1);
  DrawFrame(Canvas, inner, Frame2, 1);
  inner.Inflate(-1, -1);
  if (Color == claDefault) {
    Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
    const TColor oldColor = Canvas->GetFont()->GetColor();
    Canvas->GetFont()->SetColor(Frame1);
    FillRectColor(Canvas, inner, Frame2);
    TextDraw(Canvas, u"?", inner, taCenter, taVerticalCenter);
    Canvas->GetFont()->SetColor(oldColor);
  } else {
    DrawCheckerboard(Canvas->GetHandle(), inner, Frame2, Checker2, 4);
    FillRectAlpha(Canvas, inner, Color);
  }
  ClipRegionExclude(Canvas->GetHandle(), R);
}

TSize ArrowSize(Integer Direction, Integer Dpi) {
  const Integer s = MulDiv(2, Dpi, 96);
  return Direction <= 1 ? TSize(s + 1, 2 * s + 1) : TSize(2 * s + 1, s + 1);
}

void DrawArrow(TCanvas* Canvas, const TRect& R, TColor Color, Integer Direction, Integer Dpi) {
  if (Direction < 0 || Direction > 3) return;
  const Integer s = MulDiv(2, Dpi, 96);
  TRect box = R;
  RectCenter(box, ArrowSize(Direction, Dpi));
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsSolid);
  Canvas->GetBrush()->SetColor(Color);
  for (Integer i = 0; i <= s; ++i) {
    TRect stroke;
    switch (Direction) {
      case 0:
        stroke = TRect(box.Left + i, box.Top + s - i, box.Left + i + 1, box.Top + s + i + 1);
        break;
      case 1:
        stroke = TRect(box.Right - 1 - i, box.Top + s - i, box.Right - i, box.Top + s + i + 1);
        break;
      case 2:
        stroke = TRect(box.Left + s - i, box.Top + i, box.Left + s + i + 1, box.Top + i + 1);
        break;
      default:
        stroke = TRect(box.Left + s - i, box.Bottom - 1 - i, box.Left + s + i + 1, box.Bottom - i);
        break;
    }
    Canvas->FillRect(stroke);
  }
}

void StretchBltRect(HDC DestDC, HDC SourceDC, const TRect& Dest, const TRect& Source) {
  StretchBlt(DestDC, Dest.Left, Dest.Top, Dest.Width(), Dest.Height(), SourceDC, Source.Left, Source.Top,
             Source.Width(), Source.Height(), SRCCOPY);
}

void TileBitBlt(HDC DestDC, HDC SourceDC, const TRect& Dest, const TRect& Source) {
  if (Dest.IsEmpty() || Source.IsEmpty()) return;
  HRGN saved;
  if (!ClipRegionPush(DestDC, Dest, saved)) return;
  const Integer sw = Source.Width(), sh = Source.Height();
  const Integer cols = DivCeil(Dest.Width(), sw), rows = DivCeil(Dest.Height(), sh);
  for (Integer row = 0; row < rows; ++row)
    for (Integer col = 0; col < cols; ++col)
      BitBlt(DestDC, Dest.Left + col * sw, Dest.Top + row * sh, sw, sh, SourceDC, Source.Left, Source.Top, SRCCOPY);
  ClipRegionPop(DestDC, saved);
}
