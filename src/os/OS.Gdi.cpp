#include "os/OS.Gdi.h"

#include <cairo.h>
#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <vector>

#include "os/OS.Fonts.h"
#include "os/OS.Surface.h"

using detail::TGdiKind;
using detail::TGdiObject;

namespace {

// --- Objects -----------------------------------------------------------------------------------

constexpr uint32_t OpaquePixel(COLORREF Color) {
  return 0xFF000000u | (uint32_t(GetRValue(Color)) << 16) | (uint32_t(GetGValue(Color)) << 8) | GetBValue(Color);
}

struct TBrushObject : TGdiObject {
  TBrushObject() : TGdiObject(TGdiKind::Brush) {}
  UINT Style = BS_SOLID;
  COLORREF Color = 0;
  bool ZeroFill = false;  // the stock black brush: all bytes 0
  bool DCBrush = false;   // DC_BRUSH: the DC's brush colour
  std::vector<uint32_t> Pattern;
  int PatternWidth = 0, PatternHeight = 0;
  int Describe(int Size, void* Buffer) const override {
    if (!Buffer) return sizeof(LOGBRUSH);
    if (Size < int(sizeof(LOGBRUSH))) return 0;
    LOGBRUSH lb{Style, Color, 0};
    std::memcpy(Buffer, &lb, sizeof lb);
    return sizeof lb;
  }
};

struct TPenObject : TGdiObject {
  TPenObject() : TGdiObject(TGdiKind::Pen) {}
  UINT Style = PS_SOLID;
  int Width = 1;
  COLORREF Color = 0;
  bool DCPen = false;
  int Describe(int Size, void* Buffer) const override {
    if (!Buffer) return sizeof(LOGPEN);
    if (Size < int(sizeof(LOGPEN))) return 0;
    LOGPEN lp{Style, TPoint(Width, 0), Color};
    std::memcpy(Buffer, &lp, sizeof lp);
    return sizeof lp;
  }
};

struct TBitmapObject : TGdiObject {
  TBitmapObject() : TGdiObject(TGdiKind::Bitmap) {}
  ~TBitmapObject() override {
    if (OwnsSurface) delete Surface;
  }
  TSurface* Surface = nullptr;
  bool OwnsSurface = true;
  int Describe(int Size, void* Buffer) const override {
    if (!Buffer) return sizeof(BITMAP);
    if (Size < int(sizeof(BITMAP))) return 0;
    BITMAP bm{0, Surface->GetWidth(), Surface->GetHeight(), Surface->GetStride(), 1, 32, Surface->GetBits()};
    std::memcpy(Buffer, &bm, sizeof bm);
    return sizeof bm;
  }
};

template <class T>
T* NewObject() {
  T* object = new T;
  detail::RegisterGdiObject(object);
  return object;
}

template <class T, TGdiKind Kind>
T* ObjectAs(const void* Handle) {
  TGdiObject* object = detail::GdiObjectOf(Handle);
  return object && object->Kind == Kind ? static_cast<T*>(object) : nullptr;
}
TBrushObject* BrushOf(const void* H) { return ObjectAs<TBrushObject, TGdiKind::Brush>(H); }
TBitmapObject* BitmapOf(const void* H) { return ObjectAs<TBitmapObject, TGdiKind::Bitmap>(H); }

struct TStockObjects {
  TGdiObject* Objects[20] = {};
  TBitmapObject* DefaultBitmap = nullptr;
};

TStockObjects& Stock() {
  // Built once and never changed: immutable after construction.
  static TStockObjects* stock = [] {
    auto* s = new TStockObjects;
    auto brush = [](COLORREF c, UINT style = BS_SOLID) {
      auto* b = NewObject<TBrushObject>();
      b->Color = c;
      b->Style = style;
      b->Stock = true;
      return b;
    };
    auto pen = [](COLORREF c, UINT style = PS_SOLID) {
      auto* p = NewObject<TPenObject>();
      p->Color = c;
      p->Style = style;
      p->Stock = true;
      return p;
    };
    s->Objects[WHITE_BRUSH] = brush(RGB(255, 255, 255));
    s->Objects[LTGRAY_BRUSH] = brush(RGB(192, 192, 192));
    s->Objects[GRAY_BRUSH] = brush(RGB(128, 128, 128));
    s->Objects[DKGRAY_BRUSH] = brush(RGB(64, 64, 64));
    auto* black = brush(0);
    black->ZeroFill = true;
    s->Objects[BLACK_BRUSH] = black;
    s->Objects[NULL_BRUSH] = brush(0, BS_NULL);
    s->Objects[WHITE_PEN] = pen(RGB(255, 255, 255));
    s->Objects[BLACK_PEN] = pen(0);
    s->Objects[NULL_PEN] = pen(0, PS_NULL);
    auto* dcBrush = brush(RGB(255, 255, 255));
    dcBrush->DCBrush = true;
    s->Objects[DC_BRUSH] = dcBrush;
    auto* dcPen = pen(0);
    dcPen->DCPen = true;
    s->Objects[DC_PEN] = dcPen;
    s->DefaultBitmap = NewObject<TBitmapObject>();
    s->DefaultBitmap->Surface = new TSurface(1, 1);
    s->DefaultBitmap->Stock = true;
    return s;
  }();
  return *stock;
}

// --- Device contexts ---------------------------------------------------------------------------

struct TDCState {
  TGdiObject* Pen = nullptr;
  TGdiObject* Brush = nullptr;
  TGdiObject* Font = nullptr;
  TGdiObject* Bitmap = nullptr;
  COLORREF TextColor = 0;
  COLORREF BkColor = RGB(255, 255, 255);
  int BkMode = OPAQUE;
  TPoint WindowOrg, ViewportOrg, BrushOrg, Position;
  int StretchMode = BLACKONWHITE;
  int PolyFillMode = ALTERNATE;
  UINT TextAlign = 0;
  COLORREF DCBrushColor = RGB(255, 255, 255);
  COLORREF DCPenColor = 0;
  pixman_region32_t* Clip = nullptr;  // device coordinates; null: none
};

pixman_region32_t* CopyRegion(const pixman_region32_t* Source) {
  if (!Source) return nullptr;
  auto* r = new pixman_region32_t;
  pixman_region32_init(r);
  pixman_region32_copy(r, const_cast<pixman_region32_t*>(Source));
  return r;
}
void FreeRegion(pixman_region32_t*& R) {
  if (R) {
    pixman_region32_fini(R);
    delete R;
    R = nullptr;
  }
}

void HoldState(TDCState& S) {
  detail::AddSelection(S.Pen);
  detail::AddSelection(S.Brush);
  detail::AddSelection(S.Font);
  detail::AddSelection(S.Bitmap);
}
void DropState(TDCState& S) {
  detail::ReleaseSelection(S.Pen);
  detail::ReleaseSelection(S.Brush);
  detail::ReleaseSelection(S.Font);
  detail::ReleaseSelection(S.Bitmap);
  FreeRegion(S.Clip);
}

struct TDCObject : TGdiObject {
  TDCObject() : TGdiObject(TGdiKind::DC) {}
  ~TDCObject() override {
    DropState(State);
    for (auto& s : Saved) DropState(s);
    FreeRegion(SystemClip);
  }
  TSurface* Surface = nullptr;  // fixed surface of a surface DC; memory DCs use the bitmap's
  bool Memory = false;
  TPoint DeviceOrigin;
  pixman_region32_t* SystemClip = nullptr;  // device coordinates
  TDCState State;
  std::vector<TDCState> Saved;

  TSurface* Target() const {
    if (Memory) {
      auto* bitmap = static_cast<TBitmapObject*>(State.Bitmap);
      return bitmap ? bitmap->Surface : nullptr;
    }
    return Surface;
  }
  TPoint Offset() const {
    return TPoint(DeviceOrigin.X - State.WindowOrg.X + State.ViewportOrg.X,
                  DeviceOrigin.Y - State.WindowOrg.Y + State.ViewportOrg.Y);
  }
  // What the DC may draw on, in device coordinates, without the application clip.
  void DeviceArea(pixman_region32_t* Out) const {
    TSurface* s = Target();
    pixman_region32_init_rect(Out, -DeviceOrigin.X, -DeviceOrigin.Y, s ? s->GetWidth() : 0, s ? s->GetHeight() : 0);
    if (SystemClip) pixman_region32_intersect(Out, Out, SystemClip);
  }
  // The effective clip in device coordinates.
  void DeviceClip(pixman_region32_t* Out) const {
    DeviceArea(Out);
    if (State.Clip) pixman_region32_intersect(Out, Out, State.Clip);
  }
};

TDCObject* DCOf(HDC DC) { return ObjectAs<TDCObject, TGdiKind::DC>(DC); }

void Select(TGdiObject*& Slot, TGdiObject* Object) {
  detail::AddSelection(Object);
  TGdiObject* old = Slot;
  Slot = Object;
  detail::ReleaseSelection(old);
}

void InitState(TDCObject* dc) {
  Select(dc->State.Pen, Stock().Objects[BLACK_PEN]);
  Select(dc->State.Brush, Stock().Objects[WHITE_BRUSH]);
  Select(dc->State.Font, detail::GdiObjectOf(GetStockObject(SYSTEM_FONT)));
  if (dc->Memory) Select(dc->State.Bitmap, Stock().DefaultBitmap);
}

// --- Painting ----------------------------------------------------------------------------------

// One drawing call: the target surface, the effective clip in surface coordinates and the
// logical-to-surface offset. Flushes cairo before and marks the surface dirty after.
class TPaint {
 public:
  explicit TPaint(HDC DC) : FDC(DCOf(DC)) {
    pixman_region32_init(&Clip);
    if (!FDC) return;
    Surface = FDC->Target();
    if (!Surface || Surface->IsEmpty()) return;
    FDC->DeviceClip(&Clip);
    pixman_region32_translate(&Clip, FDC->DeviceOrigin.X, FDC->DeviceOrigin.Y);
    Offset = FDC->Offset();
    Surface->BeginAccess();
    FActive = true;
  }
  ~TPaint() {
    if (FActive) Surface->EndAccess();
    pixman_region32_fini(&Clip);
  }
  TPaint(const TPaint&) = delete;
  TPaint& operator=(const TPaint&) = delete;

  bool Ok() const { return FActive; }
  bool ValidDC() const { return FDC != nullptr; }
  TDCObject* DC() const { return FDC; }

  // Calls F(x1, y1, x2, y2) for each clip box inside the surface rectangle.
  template <class F>
  void ForEachBox(const TRect& R, F&& Fn) const {
    if (!FActive || R.Right <= R.Left || R.Bottom <= R.Top) return;
    int n = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(const_cast<pixman_region32_t*>(&Clip), &n);
    for (int i = 0; i < n; ++i) {
      int x1 = std::max(boxes[i].x1, R.Left), y1 = std::max(boxes[i].y1, R.Top);
      int x2 = std::min(boxes[i].x2, R.Right), y2 = std::min(boxes[i].y2, R.Bottom);
      if (x2 > x1 && y2 > y1) Fn(x1, y1, x2, y2);
    }
  }
  // Calls F(x1, y1, x2, y2) for each box of (Region in surface coordinates) ∩ clip.
  template <class F>
  void ForEachRegionBox(pixman_region32_t* Region, F&& Fn) const {
    if (!FActive) return;
    pixman_region32_t r;
    pixman_region32_init(&r);
    pixman_region32_intersect(&r, Region, const_cast<pixman_region32_t*>(&Clip));
    int n = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(&r, &n);
    for (int i = 0; i < n; ++i) Fn(boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2);
    pixman_region32_fini(&r);
  }
  bool Visible(int X, int Y) const {
    return FActive && pixman_region32_contains_point(const_cast<pixman_region32_t*>(&Clip), X, Y, nullptr);
  }
  uint32_t* Pixel(int X, int Y) const { return Surface->GetScanLine(Y) + X; }

  TSurface* Surface = nullptr;
  pixman_region32_t Clip;
  TPoint Offset;

 private:
  TDCObject* FDC;
  bool FActive = false;
};

// A brush resolved for one call: a constant pixel or a pattern anchored at the brush origin.
struct TBrushFill {
  bool Empty = true;
  uint32_t Solid = 0;
  const TBrushObject* Pattern = nullptr;
  int OrgX = 0, OrgY = 0;  // surface coordinates of the pattern's (0, 0)
  uint32_t At(int X, int Y) const {
    if (!Pattern) return Solid;
    int px = (X - OrgX) % Pattern->PatternWidth, py = (Y - OrgY) % Pattern->PatternHeight;
    if (px < 0) px += Pattern->PatternWidth;
    if (py < 0) py += Pattern->PatternHeight;
    return Pattern->Pattern[size_t(py) * Pattern->PatternWidth + px];
  }
};

TBrushFill ResolveBrush(const TPaint& P, const TBrushObject* Brush) {
  TBrushFill f;
  if (!Brush || Brush->Style == BS_NULL) return f;
  f.Empty = false;
  if (Brush->Style == BS_PATTERN && Brush->PatternWidth > 0 && Brush->PatternHeight > 0) {
    f.Pattern = Brush;
    f.OrgX = P.DC()->DeviceOrigin.X + P.DC()->State.BrushOrg.X;
    f.OrgY = P.DC()->DeviceOrigin.Y + P.DC()->State.BrushOrg.Y;
  } else if (Brush->ZeroFill) {
    f.Solid = 0;
  } else {
    f.Solid = OpaquePixel(Brush->DCBrush ? P.DC()->State.DCBrushColor : Brush->Color);
  }
  return f;
}

void FillBoxes(const TPaint& P, const TRect& SurfaceRect, const TBrushFill& F) {
  if (F.Empty) return;
  P.ForEachBox(SurfaceRect, [&](int x1, int y1, int x2, int y2) {
    for (int y = y1; y < y2; ++y) {
      uint32_t* row = P.Pixel(0, y);
      if (!F.Pattern)
        std::fill(row + x1, row + x2, F.Solid);
      else
        for (int x = x1; x < x2; ++x) row[x] = F.At(x, y);
    }
  });
}

void FillRegion(const TPaint& P, pixman_region32_t* SurfaceRegion, const TBrushFill& F) {
  if (F.Empty) return;
  P.ForEachRegionBox(SurfaceRegion, [&](int x1, int y1, int x2, int y2) {
    for (int y = y1; y < y2; ++y) {
      uint32_t* row = P.Pixel(0, y);
      for (int x = x1; x < x2; ++x) row[x] = F.Pattern ? F.At(x, y) : F.Solid;
    }
  });
}

TRect ToSurface(const TPaint& P, int L, int T, int R, int B) {
  return TRect(std::min(L, R) + P.Offset.X, std::min(T, B) + P.Offset.Y, std::max(L, R) + P.Offset.X,
               std::max(T, B) + P.Offset.Y);
}

bool RopUsesSource(uint8_t Code) { return (((Code >> 2) ^ Code) & 0x33) != 0; }
bool RopUsesPattern(uint8_t Code) { return (((Code >> 4) ^ Code) & 0x0F) != 0; }
bool RopUsesDest(uint8_t Code) { return (((Code >> 1) ^ Code) & 0x55) != 0; }

// The ternary raster operation of P(attern), S(ource) and D(estination), bitwise on the colour
// bytes. Alpha is not a colour: an operation that reads the destination keeps its alpha (so
// inverting an opaque surface leaves it opaque), one that reads the source takes the source's,
// and pattern-only operations apply to the pattern's alpha (BLACKNESS gives all zeros).
uint32_t Rop3(uint8_t Code, uint32_t P, uint32_t S, uint32_t D) {
  uint32_t result = 0;
  for (int i = 0; i < 8; ++i) {
    if (!(Code & (1u << i))) continue;
    uint32_t m = ((i & 4) ? P : ~P) & ((i & 2) ? S : ~S) & ((i & 1) ? D : ~D);
    result |= m;
  }
  const uint32_t alpha = RopUsesDest(Code) ? D : RopUsesSource(Code) ? S : result;
  return (result & 0x00FFFFFFu) | (alpha & 0xFF000000u);
}

// Pen pixels for one-pixel lines: solid or the platform's cosmetic dash patterns.
struct TPenDraw {
  bool Empty = true;
  uint32_t Pixel = 0;
  int Width = 1;
  const bool* Dashes = nullptr;
  int DashLength = 0;
  int Step = 0;
  bool On() {
    if (!Dashes) return true;
    bool on = Dashes[Step % DashLength];
    ++Step;
    return on;
  }
};

const bool* DashPattern(UINT Style, int& Length) {
  static const bool dash[] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0};
  static const bool dot[] = {1, 1, 1, 0, 0, 0};
  static const bool dashDot[] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 0, 0, 0, 0};
  static const bool dashDotDot[] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 1, 0, 0, 0, 1, 1, 1, 0, 0, 0};
  switch (Style) {
    case PS_DASH:
      Length = int(sizeof dash);
      return dash;
    case PS_DOT:
      Length = int(sizeof dot);
      return dot;
    case PS_DASHDOT:
      Length = int(sizeof dashDot);
      return dashDot;
    case PS_DASHDOTDOT:
      Length = int(sizeof dashDotDot);
      return dashDotDot;
    default:
      Length = 0;
      return nullptr;
  }
}

TPenDraw ResolvePen(const TPaint& P) {
  TPenDraw d;
  auto* pen = static_cast<TPenObject*>(P.DC()->State.Pen);
  if (!pen || pen->Style == PS_NULL) return d;
  d.Empty = false;
  d.Pixel = OpaquePixel(pen->DCPen ? P.DC()->State.DCPenColor : pen->Color);
  d.Width = std::max(1, pen->Width);
  if (d.Width == 1) d.Dashes = DashPattern(pen->Style, d.DashLength);
  return d;
}

// Bresenham from (X0, Y0) up to, not including, (X1, Y1), surface coordinates.
void DrawLinePixels(const TPaint& P, TPenDraw& Pen, int X0, int Y0, int X1, int Y1) {
  if (Pen.Empty) return;
  if (Pen.Width > 1) {
    // Wide pens: a stroke with round ends, aliased like the platform's.
    cairo_t* cr = cairo_create(P.Surface->GetCairoSurface());
    int n = 0;
    const pixman_box32_t* boxes = pixman_region32_rectangles(const_cast<pixman_region32_t*>(&P.Clip), &n);
    for (int i = 0; i < n; ++i)
      cairo_rectangle(cr, boxes[i].x1, boxes[i].y1, boxes[i].x2 - boxes[i].x1, boxes[i].y2 - boxes[i].y1);
    cairo_clip(cr);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);
    cairo_set_line_width(cr, Pen.Width);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_source_rgba(cr, ((Pen.Pixel >> 16) & 0xFF) / 255.0, ((Pen.Pixel >> 8) & 0xFF) / 255.0,
                          (Pen.Pixel & 0xFF) / 255.0, 1.0);
    cairo_move_to(cr, X0 + 0.5, Y0 + 0.5);
    cairo_line_to(cr, X1 + 0.5, Y1 + 0.5);
    cairo_stroke(cr);
    cairo_destroy(cr);
    P.Surface->BeginAccess();
    return;
  }
  int dx = std::abs(X1 - X0), dy = -std::abs(Y1 - Y0);
  int sx = X0 < X1 ? 1 : -1, sy = Y0 < Y1 ? 1 : -1;
  int err = dx + dy;
  int x = X0, y = Y0;
  while (!(x == X1 && y == Y1)) {
    if (Pen.On() && P.Visible(x, y)) *P.Pixel(x, y) = Pen.Pixel;
    int e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

pixman_region32_t* RegionPtr(HRGN R) { return static_cast<pixman_region32_t*>(detail::PixmanRegionOf(R)); }

// Region of a shape in surface coordinates, made by a region constructor in logical ones.
struct TShapeRegion {
  HRGN Handle = nullptr;
  TShapeRegion(HRGN H, const TPoint& Offset) : Handle(H) {
    if (Handle) OffsetRgn(Handle, Offset.X, Offset.Y);
  }
  ~TShapeRegion() {
    if (Handle) detail::DestroyGdiObject(Handle);
  }
  pixman_region32_t* Get() const { return RegionPtr(Handle); }
};

// Fills the shape with the brush and its outline (shape minus the shape shrunk by the pen
// width) with the pen.
void PaintShape(const TPaint& P, pixman_region32_t* Outer, pixman_region32_t* Inner) {
  TBrushFill brush = ResolveBrush(P, static_cast<TBrushObject*>(P.DC()->State.Brush));
  TPenDraw pen = ResolvePen(P);
  if (pen.Empty || !Inner) {
    FillRegion(P, Outer, brush);
    return;
  }
  FillRegion(P, Inner, brush);
  pixman_region32_t ring;
  pixman_region32_init(&ring);
  pixman_region32_subtract(&ring, Outer, Inner);
  TBrushFill penFill;
  penFill.Empty = false;
  penFill.Solid = pen.Pixel;
  FillRegion(P, &ring, penFill);
  pixman_region32_fini(&ring);
}

int PenWidthOf(const TPaint& P) {
  auto* pen = static_cast<TPenObject*>(P.DC()->State.Pen);
  if (!pen || pen->Style == PS_NULL) return 0;
  return std::max(1, pen->Width);
}

// Source pixels of a blit, sampled from a DC (or none for pattern-only operations).
struct TSourceView {
  const uint32_t* Bits = nullptr;
  int Width = 0, Height = 0;
  std::vector<uint32_t> Copy;  // when the source overlaps the destination surface
};

}  // namespace

// --- Objects -------------------------------------------------------------------------------------

HGDIOBJ GetStockObject(int Index) {
  switch (Index) {
    case OEM_FIXED_FONT:
    case ANSI_FIXED_FONT:
    case ANSI_VAR_FONT:
    case SYSTEM_FONT:
    case DEFAULT_GUI_FONT:
      return reinterpret_cast<HGDIOBJ>(detail::StockFont(Index));
    default:
      break;
  }
  if (Index < 0 || Index >= 20) return nullptr;
  return reinterpret_cast<HGDIOBJ>(Stock().Objects[Index]);
}

HGDIOBJ SelectObject(HDC DC, HGDIOBJ Object) {
  auto* dc = DCOf(DC);
  TGdiObject* object = detail::GdiObjectOf(Object);
  if (!dc || !object || object->DeletePending) return nullptr;
  TGdiObject** slot = nullptr;
  switch (object->Kind) {
    case TGdiKind::Pen:
      slot = &dc->State.Pen;
      break;
    case TGdiKind::Brush:
      slot = &dc->State.Brush;
      break;
    case TGdiKind::Font:
      slot = &dc->State.Font;
      break;
    case TGdiKind::Bitmap:
      if (!dc->Memory) return nullptr;
      slot = &dc->State.Bitmap;
      break;
    case TGdiKind::Region:
      return reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(SelectClipRgn(DC, reinterpret_cast<HRGN>(Object))));
    default:
      return nullptr;
  }
  TGdiObject* old = *slot;
  // The old object may be freed by the release if a delete is pending; its handle value is
  // still what the caller gets back, as the platform does.
  HGDIOBJ result = reinterpret_cast<HGDIOBJ>(old);
  Select(*slot, object);
  return result;
}

HGDIOBJ GetCurrentObject(HDC DC, UINT Kind) {
  auto* dc = DCOf(DC);
  if (!dc) return nullptr;
  switch (Kind) {
    case OBJ_PEN:
      return reinterpret_cast<HGDIOBJ>(dc->State.Pen);
    case OBJ_BRUSH:
      return reinterpret_cast<HGDIOBJ>(dc->State.Brush);
    case OBJ_FONT:
      return reinterpret_cast<HGDIOBJ>(dc->State.Font);
    case OBJ_BITMAP:
      return reinterpret_cast<HGDIOBJ>(dc->State.Bitmap);
    default:
      return nullptr;
  }
}

BOOL DeleteObject(HGDIOBJ Object) {
  TGdiObject* object = detail::GdiObjectOf(Object);
  if (!object || object->Kind == TGdiKind::DC) return 0;
  return detail::DestroyGdiObject(Object) ? 1 : 0;
}

int GetObject(HGDIOBJ Object, int Size, void* Buffer) {
  TGdiObject* object = detail::GdiObjectOf(Object);
  if (!object) return 0;
  return object->Describe(Size, Buffer);
}

DWORD GetObjectType(HGDIOBJ Object) {
  TGdiObject* object = detail::GdiObjectOf(Object);
  if (!object) return 0;
  switch (object->Kind) {
    case TGdiKind::Pen:
      return OBJ_PEN;
    case TGdiKind::Brush:
      return OBJ_BRUSH;
    case TGdiKind::Font:
      return OBJ_FONT;
    case TGdiKind::Bitmap:
      return OBJ_BITMAP;
    case TGdiKind::Region:
      return OBJ_REGION;
    case TGdiKind::DC:
      return static_cast<TDCObject*>(object)->Memory ? OBJ_MEMDC : OBJ_DC;
  }
  return 0;
}

HBRUSH CreateSolidBrush(COLORREF Color) {
  auto* b = NewObject<TBrushObject>();
  b->Color = Color & 0xFFFFFF;
  return reinterpret_cast<HBRUSH>(static_cast<TGdiObject*>(b));
}

HBRUSH CreatePatternBrush(HBITMAP Bitmap) {
  TBitmapObject* bitmap = BitmapOf(Bitmap);
  if (!bitmap || bitmap->Surface->IsEmpty()) return nullptr;
  auto* b = NewObject<TBrushObject>();
  b->Style = BS_PATTERN;
  TSurface* s = bitmap->Surface;
  s->BeginAccess();
  b->PatternWidth = s->GetWidth();
  b->PatternHeight = s->GetHeight();
  b->Pattern.assign(s->GetBits(), s->GetBits() + size_t(s->GetWidth()) * s->GetHeight());
  return reinterpret_cast<HBRUSH>(static_cast<TGdiObject*>(b));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* Brush) {
  if (!Brush) return nullptr;
  if (Brush->lbStyle == BS_NULL) {
    auto* b = NewObject<TBrushObject>();
    b->Style = BS_NULL;
    return reinterpret_cast<HBRUSH>(static_cast<TGdiObject*>(b));
  }
  if (Brush->lbStyle == BS_PATTERN) return CreatePatternBrush(reinterpret_cast<HBITMAP>(Brush->lbHatch));
  // Hatches are drawn solid: nothing in the system uses them.
  return CreateSolidBrush(Brush->lbColor);
}

HPEN CreatePen(int Style, int Width, COLORREF Color) {
  if (Style < PS_SOLID || Style > PS_INSIDEFRAME) return nullptr;
  auto* p = NewObject<TPenObject>();
  p->Style = UINT(Style);
  p->Width = std::max(0, Width);
  p->Color = Color & 0xFFFFFF;
  return reinterpret_cast<HPEN>(static_cast<TGdiObject*>(p));
}

HPEN CreatePenIndirect(const LOGPEN* Pen) {
  return Pen ? CreatePen(int(Pen->lopnStyle), Pen->lopnWidth.X, Pen->lopnColor) : nullptr;
}

namespace {
HBITMAP WrapSurface(TSurface* Surface, bool Owns) {
  auto* b = NewObject<TBitmapObject>();
  b->Surface = Surface;
  b->OwnsSurface = Owns;
  return reinterpret_cast<HBITMAP>(static_cast<TGdiObject*>(b));
}
HBITMAP NewBitmap(int Width, int Height) {
  if (Width < 0 || Height < 0 || Width > TSurface::MaxSurfaceDimension || Height > TSurface::MaxSurfaceDimension)
    return nullptr;
  try {
    return WrapSurface(new TSurface(Width, Height), true);
  } catch (...) {
    return nullptr;
  }
}
}  // namespace

HBITMAP CreateCompatibleBitmap(HDC, int Width, int Height) { return NewBitmap(Width, Height); }

HBITMAP CreateBitmap(int Width, int Height, UINT Planes, UINT BitCount, const void* Bits) {
  if (Planes != 1 || BitCount != 32) return nullptr;
  HBITMAP result = NewBitmap(Width, Height);
  if (result && Bits) {
    TSurface* s = BitmapOf(result)->Surface;
    if (!s->IsEmpty()) std::memcpy(s->GetBits(), Bits, size_t(Width) * Height * 4);
    s->EndAccess();
  }
  return result;
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* Info, UINT, void** Bits, HANDLE, DWORD) {
  if (Bits) *Bits = nullptr;
  if (!Info) return nullptr;
  const BITMAPINFOHEADER& h = Info->bmiHeader;
  if (h.biBitCount != 32 || (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) || h.biHeight > 0 ||
      h.biWidth <= 0 || h.biHeight == 0)
    return nullptr;
  HBITMAP result = NewBitmap(h.biWidth, -h.biHeight);
  if (result && Bits) *Bits = BitmapOf(result)->Surface->GetBits();
  return result;
}

HBITMAP CreateBitmapOnSurface(TSurface* Surface) { return Surface ? WrapSurface(Surface, false) : nullptr; }

TSurface* GetBitmapSurface(HBITMAP Bitmap) {
  TBitmapObject* b = BitmapOf(Bitmap);
  return b ? b->Surface : nullptr;
}

namespace {
// Copies Lines rows between a surface and 32-bit memory rows described by Info.
int CopyDIBRows(TSurface* S, UINT StartScan, UINT Lines, void* Bits, const BITMAPINFO* Info, bool ToMemory) {
  const BITMAPINFOHEADER& h = Info->bmiHeader;
  if (h.biBitCount != 32 || h.biWidth != S->GetWidth() || std::abs(h.biHeight) != S->GetHeight()) return 0;
  const bool bottomUp = h.biHeight > 0;
  const int height = S->GetHeight();
  if (StartScan >= UINT(height)) return 0;
  Lines = std::min<UINT>(Lines, UINT(height) - StartScan);
  S->BeginAccess();
  for (UINT i = 0; i < Lines; ++i) {
    // Scan lines count from the bottom for bottom-up memory, from the top otherwise.
    const int memRow = int(StartScan + i);
    const int surfRow = bottomUp ? height - 1 - memRow : memRow;
    auto* mem = static_cast<unsigned char*>(Bits) + size_t(i) * S->GetStride();
    if (ToMemory)
      std::memcpy(mem, S->GetScanLine(surfRow), S->GetStride());
    else
      std::memcpy(S->GetScanLine(surfRow), mem, S->GetStride());
  }
  S->EndAccess();
  return int(Lines);
}
}  // namespace

int GetDIBits(HDC, HBITMAP Bitmap, UINT StartScan, UINT Lines, void* Bits, BITMAPINFO* Info, UINT) {
  TBitmapObject* b = BitmapOf(Bitmap);
  if (!b || !Info) return 0;
  if (!Bits) {
    BITMAPINFOHEADER& h = Info->bmiHeader;
    h.biWidth = b->Surface->GetWidth();
    h.biHeight = b->Surface->GetHeight();
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    h.biSizeImage = DWORD(b->Surface->GetStride() * b->Surface->GetHeight());
    return 1;
  }
  return CopyDIBRows(b->Surface, StartScan, Lines, Bits, Info, true);
}

int SetDIBits(HDC, HBITMAP Bitmap, UINT StartScan, UINT Lines, const void* Bits, const BITMAPINFO* Info, UINT) {
  TBitmapObject* b = BitmapOf(Bitmap);
  if (!b || !Info || !Bits) return 0;
  return CopyDIBRows(b->Surface, StartScan, Lines, const_cast<void*>(Bits), Info, false);
}

BOOL GdiFlush() { return 1; }

// --- Device contexts ---------------------------------------------------------------------------

HDC CreateSurfaceDC(TSurface* Surface) {
  auto* dc = NewObject<TDCObject>();
  dc->Surface = Surface;
  InitState(dc);
  return reinterpret_cast<HDC>(static_cast<TGdiObject*>(dc));
}

HDC CreateCompatibleDC(HDC) {
  auto* dc = NewObject<TDCObject>();
  dc->Memory = true;
  InitState(dc);
  return reinterpret_cast<HDC>(static_cast<TGdiObject*>(dc));
}

BOOL DeleteDC(HDC DC) { return DCOf(DC) && detail::DestroyGdiObject(DC) ? 1 : 0; }

void SetDCDeviceOrigin(HDC DC, int X, int Y) {
  if (auto* dc = DCOf(DC)) dc->DeviceOrigin = TPoint(X, Y);
}

TPoint GetDCDeviceOrigin(HDC DC) {
  auto* dc = DCOf(DC);
  return dc ? dc->DeviceOrigin : TPoint();
}

void SetDCSystemClip(HDC DC, HRGN Region) {
  auto* dc = DCOf(DC);
  if (!dc) return;
  FreeRegion(dc->SystemClip);
  dc->SystemClip = CopyRegion(RegionPtr(Region));
}

TSurface* GetDCSurface(HDC DC) {
  auto* dc = DCOf(DC);
  return dc ? dc->Target() : nullptr;
}

int GetDeviceCaps(HDC DC, int Index) {
  auto* dc = DCOf(DC);
  if (!dc) return 0;
  TSurface* s = dc->Target();
  switch (Index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
      return 96;
    case BITSPIXEL:
      return 32;
    case PLANES:
      return 1;
    case HORZRES:
      return s ? s->GetWidth() : 0;
    case VERTRES:
      return s ? s->GetHeight() : 0;
    default:
      return 0;
  }
}

int SaveDC(HDC DC) {
  auto* dc = DCOf(DC);
  if (!dc) return 0;
  TDCState copy = dc->State;
  copy.Clip = CopyRegion(dc->State.Clip);
  HoldState(copy);
  dc->Saved.push_back(copy);
  return int(dc->Saved.size());
}

BOOL RestoreDC(HDC DC, int SavedDC) {
  auto* dc = DCOf(DC);
  if (!dc) return 0;
  int level = SavedDC < 0 ? int(dc->Saved.size()) + 1 + SavedDC : SavedDC;
  if (level < 1 || level > int(dc->Saved.size())) return 0;
  while (int(dc->Saved.size()) > level) {
    DropState(dc->Saved.back());
    dc->Saved.pop_back();
  }
  DropState(dc->State);
  dc->State = dc->Saved.back();  // takes over the held selections and the clip
  dc->Saved.pop_back();
  return 1;
}

namespace {
BOOL SetPoint(HDC DC, TPoint TDCState::*Field, int X, int Y, TPoint* Previous, bool Relative) {
  auto* dc = DCOf(DC);
  if (!dc) return 0;
  TPoint& p = dc->State.*Field;
  if (Previous) *Previous = p;
  p = Relative ? TPoint(p.X + X, p.Y + Y) : TPoint(X, Y);
  return 1;
}
BOOL GetPoint(HDC DC, TPoint TDCState::*Field, TPoint* Out) {
  auto* dc = DCOf(DC);
  if (!dc || !Out) return 0;
  *Out = dc->State.*Field;
  return 1;
}
template <class T>
T SetField(HDC DC, T TDCState::*Field, T Value, T Fail) {
  auto* dc = DCOf(DC);
  if (!dc) return Fail;
  T old = dc->State.*Field;
  dc->State.*Field = Value;
  return old;
}
template <class T>
T GetField(HDC DC, T TDCState::*Field, T Fail) {
  auto* dc = DCOf(DC);
  return dc ? dc->State.*Field : Fail;
}
}  // namespace

BOOL SetWindowOrgEx(HDC DC, int X, int Y, TPoint* Previous) {
  return SetPoint(DC, &TDCState::WindowOrg, X, Y, Previous, false);
}
BOOL GetWindowOrgEx(HDC DC, TPoint* Origin) { return GetPoint(DC, &TDCState::WindowOrg, Origin); }
BOOL SetViewportOrgEx(HDC DC, int X, int Y, TPoint* Previous) {
  return SetPoint(DC, &TDCState::ViewportOrg, X, Y, Previous, false);
}
BOOL GetViewportOrgEx(HDC DC, TPoint* Origin) { return GetPoint(DC, &TDCState::ViewportOrg, Origin); }
BOOL OffsetViewportOrgEx(HDC DC, int DX, int DY, TPoint* Previous) {
  return SetPoint(DC, &TDCState::ViewportOrg, DX, DY, Previous, true);
}
BOOL OffsetWindowOrgEx(HDC DC, int DX, int DY, TPoint* Previous) {
  return SetPoint(DC, &TDCState::WindowOrg, DX, DY, Previous, true);
}
BOOL SetBrushOrgEx(HDC DC, int X, int Y, TPoint* Previous) {
  return SetPoint(DC, &TDCState::BrushOrg, X, Y, Previous, false);
}
BOOL GetBrushOrgEx(HDC DC, TPoint* Origin) { return GetPoint(DC, &TDCState::BrushOrg, Origin); }

BOOL LPtoDP(HDC DC, TPoint* Points, int Count) {
  auto* dc = DCOf(DC);
  if (!dc || (!Points && Count > 0)) return 0;
  for (int i = 0; i < Count; ++i) {
    Points[i].X += dc->State.ViewportOrg.X - dc->State.WindowOrg.X;
    Points[i].Y += dc->State.ViewportOrg.Y - dc->State.WindowOrg.Y;
  }
  return 1;
}

BOOL DPtoLP(HDC DC, TPoint* Points, int Count) {
  auto* dc = DCOf(DC);
  if (!dc || (!Points && Count > 0)) return 0;
  for (int i = 0; i < Count; ++i) {
    Points[i].X -= dc->State.ViewportOrg.X - dc->State.WindowOrg.X;
    Points[i].Y -= dc->State.ViewportOrg.Y - dc->State.WindowOrg.Y;
  }
  return 1;
}

COLORREF SetTextColor(HDC DC, COLORREF Color) { return SetField(DC, &TDCState::TextColor, Color, CLR_INVALID); }
COLORREF GetTextColor(HDC DC) { return GetField(DC, &TDCState::TextColor, CLR_INVALID); }
COLORREF SetBkColor(HDC DC, COLORREF Color) { return SetField(DC, &TDCState::BkColor, Color, CLR_INVALID); }
COLORREF GetBkColor(HDC DC) { return GetField(DC, &TDCState::BkColor, CLR_INVALID); }
int SetBkMode(HDC DC, int Mode) {
  if (Mode != TRANSPARENT && Mode != OPAQUE) return 0;
  return SetField(DC, &TDCState::BkMode, Mode, 0);
}
int GetBkMode(HDC DC) { return GetField(DC, &TDCState::BkMode, 0); }
int SetStretchBltMode(HDC DC, int Mode) {
  if (Mode < BLACKONWHITE || Mode > HALFTONE) return 0;
  return SetField(DC, &TDCState::StretchMode, Mode, 0);
}
int GetStretchBltMode(HDC DC) { return GetField(DC, &TDCState::StretchMode, 0); }
int SetPolyFillMode(HDC DC, int Mode) {
  if (Mode != ALTERNATE && Mode != WINDING) return 0;
  return SetField(DC, &TDCState::PolyFillMode, Mode, 0);
}
int GetPolyFillMode(HDC DC) { return GetField(DC, &TDCState::PolyFillMode, 0); }
COLORREF SetDCBrushColor(HDC DC, COLORREF Color) { return SetField(DC, &TDCState::DCBrushColor, Color, CLR_INVALID); }
COLORREF SetDCPenColor(HDC DC, COLORREF Color) { return SetField(DC, &TDCState::DCPenColor, Color, CLR_INVALID); }

UINT SetTextAlign(HDC DC, UINT Align) { return SetField(DC, &TDCState::TextAlign, Align, UINT(0xFFFFFFFF)); }
UINT GetTextAlign(HDC DC) { return GetField(DC, &TDCState::TextAlign, UINT(0xFFFFFFFF)); }

// --- Clipping ------------------------------------------------------------------------------------

namespace {
int EffectiveClipType(TDCObject* dc) {
  pixman_region32_t r;
  dc->DeviceClip(&r);
  int type = detail::RegionType(&r);
  pixman_region32_fini(&r);
  return type;
}
// The application clip to combine with: the clip itself or, without one, the device area.
pixman_region32_t* ClipForCombine(TDCObject* dc) {
  if (!dc->State.Clip) {
    dc->State.Clip = new pixman_region32_t;
    dc->DeviceArea(dc->State.Clip);
  }
  return dc->State.Clip;
}
TRect LogicalToDevice(TDCObject* dc, int L, int T, int R, int B) {
  int dx = dc->State.ViewportOrg.X - dc->State.WindowOrg.X, dy = dc->State.ViewportOrg.Y - dc->State.WindowOrg.Y;
  return TRect(std::min(L, R) + dx, std::min(T, B) + dy, std::max(L, R) + dx, std::max(T, B) + dy);
}
}  // namespace

int SelectClipRgn(HDC DC, HRGN Region) {
  auto* dc = DCOf(DC);
  if (!dc) return ERROR;
  pixman_region32_t* source = RegionPtr(Region);
  if (Region && !source) return ERROR;
  FreeRegion(dc->State.Clip);
  dc->State.Clip = CopyRegion(source);
  return EffectiveClipType(dc);
}

int ExtSelectClipRgn(HDC DC, HRGN Region, int Mode) {
  auto* dc = DCOf(DC);
  if (!dc) return ERROR;
  if (Mode == RGN_COPY) return SelectClipRgn(DC, Region);
  pixman_region32_t* source = RegionPtr(Region);
  if (!source) return ERROR;
  if (Mode < RGN_AND || Mode > RGN_DIFF) return ERROR;
  pixman_region32_t* clip = ClipForCombine(dc);
  switch (Mode) {
    case RGN_AND:
      pixman_region32_intersect(clip, clip, source);
      break;
    case RGN_OR:
      pixman_region32_union(clip, clip, source);
      break;
    case RGN_DIFF:
      pixman_region32_subtract(clip, clip, source);
      break;
    case RGN_XOR: {
      pixman_region32_t a, b;
      pixman_region32_init(&a);
      pixman_region32_init(&b);
      pixman_region32_subtract(&a, clip, source);
      pixman_region32_subtract(&b, source, clip);
      pixman_region32_union(clip, &a, &b);
      pixman_region32_fini(&a);
      pixman_region32_fini(&b);
      break;
    }
  }
  return EffectiveClipType(dc);
}

int GetClipRgn(HDC DC, HRGN Region) {
  auto* dc = DCOf(DC);
  pixman_region32_t* target = RegionPtr(Region);
  if (!dc || !target) return -1;
  if (!dc->State.Clip) return 0;
  pixman_region32_copy(target, dc->State.Clip);
  return 1;
}

int IntersectClipRect(HDC DC, int Left, int Top, int Right, int Bottom) {
  auto* dc = DCOf(DC);
  if (!dc) return ERROR;
  TRect r = LogicalToDevice(dc, Left, Top, Right, Bottom);
  pixman_region32_t* clip = ClipForCombine(dc);
  pixman_region32_intersect_rect(clip, clip, r.Left, r.Top, unsigned(r.Right - r.Left), unsigned(r.Bottom - r.Top));
  return EffectiveClipType(dc);
}

int ExcludeClipRect(HDC DC, int Left, int Top, int Right, int Bottom) {
  auto* dc = DCOf(DC);
  if (!dc) return ERROR;
  TRect r = LogicalToDevice(dc, Left, Top, Right, Bottom);
  pixman_region32_t* clip = ClipForCombine(dc);
  if (r.Right > r.Left && r.Bottom > r.Top) {
    pixman_region32_t ex;
    pixman_region32_init_rect(&ex, r.Left, r.Top, unsigned(r.Right - r.Left), unsigned(r.Bottom - r.Top));
    pixman_region32_subtract(clip, clip, &ex);
    pixman_region32_fini(&ex);
  }
  return EffectiveClipType(dc);
}

int OffsetClipRgn(HDC DC, int DX, int DY) {
  auto* dc = DCOf(DC);
  if (!dc) return ERROR;
  if (dc->State.Clip) pixman_region32_translate(dc->State.Clip, DX, DY);
  return EffectiveClipType(dc);
}

int GetClipBox(HDC DC, TRect* R) {
  auto* dc = DCOf(DC);
  if (!dc || !R) return ERROR;
  pixman_region32_t r;
  dc->DeviceClip(&r);
  int type = detail::RegionType(&r);
  if (type == NULLREGION) {
    *R = TRect();
  } else {
    const pixman_box32_t* e = pixman_region32_extents(&r);
    int dx = dc->State.WindowOrg.X - dc->State.ViewportOrg.X, dy = dc->State.WindowOrg.Y - dc->State.ViewportOrg.Y;
    *R = TRect(e->x1 + dx, e->y1 + dy, e->x2 + dx, e->y2 + dy);
  }
  pixman_region32_fini(&r);
  return type;
}

BOOL RectVisible(HDC DC, const TRect* R) {
  auto* dc = DCOf(DC);
  if (!dc || !R) return 0;
  TRect d = LogicalToDevice(dc, R->Left, R->Top, R->Right, R->Bottom);
  if (d.Right <= d.Left || d.Bottom <= d.Top) return 0;
  pixman_region32_t r;
  dc->DeviceClip(&r);
  pixman_box32_t box{d.Left, d.Top, d.Right, d.Bottom};
  bool visible = pixman_region32_contains_rectangle(&r, &box) != PIXMAN_REGION_OUT;
  pixman_region32_fini(&r);
  return visible ? 1 : 0;
}

BOOL PtVisible(HDC DC, int X, int Y) {
  auto* dc = DCOf(DC);
  if (!dc) return 0;
  TRect d = LogicalToDevice(dc, X, Y, X, Y);
  pixman_region32_t r;
  dc->DeviceClip(&r);
  bool visible = pixman_region32_contains_point(&r, d.Left, d.Top, nullptr);
  pixman_region32_fini(&r);
  return visible ? 1 : 0;
}

// --- Drawing -------------------------------------------------------------------------------------

int FillRect(HDC DC, const TRect* R, HBRUSH Brush) {
  TPaint p(DC);
  if (!p.ValidDC() || !R) return 0;
  TBrushObject* brush = BrushOf(Brush);
  if (!brush) {
    // A system colour index + 1 given as the brush, as the platform allows.
    auto index = reinterpret_cast<intptr_t>(Brush);
    if (index <= 0 || index > SysColorCount) return 0;
    TBrushFill f;
    f.Empty = false;
    f.Solid = OpaquePixel(GetSysColorValue(int(index - 1)));
    FillBoxes(p, TRect(R->Left + p.Offset.X, R->Top + p.Offset.Y, R->Right + p.Offset.X, R->Bottom + p.Offset.Y), f);
    return 1;
  }
  if (!p.Ok()) return 1;
  // The platform fills nothing for inverted rectangles.
  FillBoxes(p, TRect(R->Left + p.Offset.X, R->Top + p.Offset.Y, R->Right + p.Offset.X, R->Bottom + p.Offset.Y),
            ResolveBrush(p, brush));
  return 1;
}

int FrameRect(HDC DC, const TRect* R, HBRUSH Brush) {
  TPaint p(DC);
  TBrushObject* brush = BrushOf(Brush);
  if (!p.ValidDC() || !R || !brush) return 0;
  if (R->Right <= R->Left || R->Bottom <= R->Top) return 1;
  TBrushFill f = ResolveBrush(p, brush);
  TRect s(R->Left + p.Offset.X, R->Top + p.Offset.Y, R->Right + p.Offset.X, R->Bottom + p.Offset.Y);
  FillBoxes(p, TRect(s.Left, s.Top, s.Right, s.Top + 1), f);
  FillBoxes(p, TRect(s.Left, s.Bottom - 1, s.Right, s.Bottom), f);
  FillBoxes(p, TRect(s.Left, s.Top + 1, s.Left + 1, s.Bottom - 1), f);
  FillBoxes(p, TRect(s.Right - 1, s.Top + 1, s.Right, s.Bottom - 1), f);
  return 1;
}

BOOL InvertRect(HDC DC, const TRect* R) {
  TPaint p(DC);
  if (!p.ValidDC() || !R) return 0;
  p.ForEachBox(ToSurface(p, R->Left, R->Top, R->Right, R->Bottom), [&](int x1, int y1, int x2, int y2) {
    for (int y = y1; y < y2; ++y)
      for (int x = x1; x < x2; ++x) *p.Pixel(x, y) ^= 0x00FFFFFFu;
  });
  return 1;
}

BOOL DrawFocusRect(HDC DC, const TRect* R) {
  TPaint p(DC);
  if (!p.ValidDC() || !R) return 0;
  TRect s = ToSurface(p, R->Left, R->Top, R->Right, R->Bottom);
  if (s.Right <= s.Left || s.Bottom <= s.Top) return 1;
  // Every other pixel of the one-pixel frame is inverted; drawing it twice removes it.
  auto invert = [&](int x, int y) {
    if (((x + y) & 1) == 0 && p.Visible(x, y)) *p.Pixel(x, y) ^= 0x00FFFFFFu;
  };
  for (int x = s.Left; x < s.Right; ++x) {
    invert(x, s.Top);
    if (s.Bottom - 1 > s.Top) invert(x, s.Bottom - 1);
  }
  for (int y = s.Top + 1; y < s.Bottom - 1; ++y) {
    invert(s.Left, y);
    if (s.Right - 1 > s.Left) invert(s.Right - 1, y);
  }
  return 1;
}

BOOL FillRgn(HDC DC, HRGN Region, HBRUSH Brush) {
  TPaint p(DC);
  pixman_region32_t* region = RegionPtr(Region);
  TBrushObject* brush = BrushOf(Brush);
  if (!p.ValidDC() || !region || !brush) return 0;
  pixman_region32_t r;
  pixman_region32_init(&r);
  pixman_region32_copy(&r, region);
  pixman_region32_translate(&r, p.Offset.X, p.Offset.Y);
  FillRegion(p, &r, ResolveBrush(p, brush));
  pixman_region32_fini(&r);
  return 1;
}

BOOL FrameRgn(HDC DC, HRGN Region, HBRUSH Brush, int Width, int Height) {
  TPaint p(DC);
  pixman_region32_t* region = RegionPtr(Region);
  TBrushObject* brush = BrushOf(Brush);
  if (!p.ValidDC() || !region || !brush) return 0;
  pixman_region32_t inner, shifted, frame;
  pixman_region32_init(&inner);
  pixman_region32_init(&shifted);
  pixman_region32_init(&frame);
  pixman_region32_copy(&inner, region);
  const int moves[4][2] = {{Width, 0}, {-Width, 0}, {0, Height}, {0, -Height}};
  for (auto& m : moves) {
    pixman_region32_copy(&shifted, region);
    pixman_region32_translate(&shifted, m[0], m[1]);
    pixman_region32_intersect(&inner, &inner, &shifted);
  }
  pixman_region32_subtract(&frame, region, &inner);
  pixman_region32_translate(&frame, p.Offset.X, p.Offset.Y);
  FillRegion(p, &frame, ResolveBrush(p, brush));
  pixman_region32_fini(&inner);
  pixman_region32_fini(&shifted);
  pixman_region32_fini(&frame);
  return 1;
}

BOOL PaintRgn(HDC DC, HRGN Region) {
  auto* dc = DCOf(DC);
  if (!dc) return 0;
  return FillRgn(DC, Region, reinterpret_cast<HBRUSH>(dc->State.Brush));
}

BOOL PatBlt(HDC DC, int X, int Y, int Width, int Height, DWORD Rop) {
  TPaint p(DC);
  if (!p.ValidDC()) return 0;
  const uint8_t code = uint8_t(Rop >> 16);
  if (RopUsesSource(code)) return 0;
  TRect s = ToSurface(p, X, Y, X + Width, Y + Height);
  TBrushFill brush = ResolveBrush(p, static_cast<TBrushObject*>(p.DC()->State.Brush));
  if (code == 0xF0) {  // PATCOPY
    FillBoxes(p, s, brush);
    return 1;
  }
  p.ForEachBox(s, [&](int x1, int y1, int x2, int y2) {
    for (int y = y1; y < y2; ++y)
      for (int x = x1; x < x2; ++x) {
        uint32_t* d = p.Pixel(x, y);
        *d = Rop3(code, brush.Empty ? 0 : brush.At(x, y), 0, *d);
      }
  });
  return 1;
}

BOOL Rectangle(HDC DC, int Left, int Top, int Right, int Bottom) {
  TPaint p(DC);
  if (!p.ValidDC()) return 0;
  TRect s = ToSurface(p, Left, Top, Right, Bottom);
  const int w = PenWidthOf(p);
  if (w == 0) {
    // Without a pen the platform fills one pixel less to the right and bottom.
    s.Right -= 1;
    s.Bottom -= 1;
  }
  if (s.Right <= s.Left || s.Bottom <= s.Top) return 1;
  pixman_region32_t outer, inner;
  pixman_region32_init_rect(&outer, s.Left, s.Top, unsigned(s.Right - s.Left), unsigned(s.Bottom - s.Top));
  if (s.Right - s.Left > 2 * w && s.Bottom - s.Top > 2 * w)
    pixman_region32_init_rect(&inner, s.Left + w, s.Top + w, unsigned(s.Right - s.Left - 2 * w),
                              unsigned(s.Bottom - s.Top - 2 * w));
  else
    pixman_region32_init(&inner);
  PaintShape(p, &outer, w ? &inner : nullptr);
  pixman_region32_fini(&outer);
  pixman_region32_fini(&inner);
  return 1;
}

namespace {
template <class MakeRgn>
BOOL PaintRoundShape(HDC DC, int Left, int Top, int Right, int Bottom, MakeRgn Make) {
  TPaint p(DC);
  if (!p.ValidDC()) return 0;
  TRect s = ToSurface(p, Left, Top, Right, Bottom);
  if (s.Right <= s.Left || s.Bottom <= s.Top) return 1;
  const int w = PenWidthOf(p);
  TShapeRegion outer(Make(s, 0), TPoint());
  if (w == 0) {
    PaintShape(p, outer.Get(), nullptr);
    return 1;
  }
  TShapeRegion inner(Make(s, w), TPoint());
  PaintShape(p, outer.Get(), inner.Get());
  return 1;
}
}  // namespace

BOOL RoundRect(HDC DC, int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight) {
  return PaintRoundShape(DC, Left, Top, Right, Bottom, [&](const TRect& s, int w) {
    return CreateRoundRectRgn(s.Left + w, s.Top + w, s.Right - w, s.Bottom - w, std::max(0, EllipseWidth - 2 * w),
                              std::max(0, EllipseHeight - 2 * w));
  });
}

BOOL Ellipse(HDC DC, int Left, int Top, int Right, int Bottom) {
  return PaintRoundShape(DC, Left, Top, Right, Bottom, [](const TRect& s, int w) {
    if (s.Right - s.Left <= 2 * w || s.Bottom - s.Top <= 2 * w) return CreateRectRgn(0, 0, 0, 0);
    return CreateEllipticRgn(s.Left + w, s.Top + w, s.Right - w, s.Bottom - w);
  });
}

BOOL Polygon(HDC DC, const TPoint* Points, int Count) {
  TPaint p(DC);
  if (!p.ValidDC() || !Points || Count < 2) return 0;
  std::vector<TPoint> pts(Points, Points + Count);
  for (auto& pt : pts) {
    pt.X += p.Offset.X;
    pt.Y += p.Offset.Y;
  }
  TShapeRegion shape(CreatePolygonRgn(pts.data(), Count, p.DC()->State.PolyFillMode), TPoint());
  FillRegion(p, shape.Get(), ResolveBrush(p, static_cast<TBrushObject*>(p.DC()->State.Brush)));
  TPenDraw pen = ResolvePen(p);
  for (int i = 0; i < Count; ++i) {
    const TPoint& a = pts[i];
    const TPoint& b = pts[(i + 1) % Count];
    DrawLinePixels(p, pen, a.X, a.Y, b.X, b.Y);
  }
  return 1;
}

BOOL Polyline(HDC DC, const TPoint* Points, int Count) {
  TPaint p(DC);
  if (!p.ValidDC() || !Points || Count < 2) return 0;
  TPenDraw pen = ResolvePen(p);
  for (int i = 0; i + 1 < Count; ++i)
    DrawLinePixels(p, pen, Points[i].X + p.Offset.X, Points[i].Y + p.Offset.Y, Points[i + 1].X + p.Offset.X,
                   Points[i + 1].Y + p.Offset.Y);
  return 1;
}

BOOL MoveToEx(HDC DC, int X, int Y, TPoint* Previous) {
  return SetPoint(DC, &TDCState::Position, X, Y, Previous, false);
}
BOOL GetCurrentPositionEx(HDC DC, TPoint* Position) { return GetPoint(DC, &TDCState::Position, Position); }

BOOL LineTo(HDC DC, int X, int Y) {
  TPaint p(DC);
  if (!p.ValidDC()) return 0;
  TPoint from = p.DC()->State.Position;
  TPenDraw pen = ResolvePen(p);
  if (p.Ok()) DrawLinePixels(p, pen, from.X + p.Offset.X, from.Y + p.Offset.Y, X + p.Offset.X, Y + p.Offset.Y);
  p.DC()->State.Position = TPoint(X, Y);
  return 1;
}

COLORREF SetPixel(HDC DC, int X, int Y, COLORREF Color) {
  TPaint p(DC);
  const int sx = X + p.Offset.X, sy = Y + p.Offset.Y;
  if (!p.Visible(sx, sy)) return CLR_INVALID;
  *p.Pixel(sx, sy) = OpaquePixel(Color);
  return Color & 0xFFFFFF;
}

COLORREF GetPixel(HDC DC, int X, int Y) {
  TPaint p(DC);
  const int sx = X + p.Offset.X, sy = Y + p.Offset.Y;
  if (!p.Visible(sx, sy)) return CLR_INVALID;
  uint32_t px = *p.Pixel(sx, sy);
  uint32_t a = px >> 24;
  uint32_t r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
  if (a != 0 && a != 255) {
    r = std::min<uint32_t>(255, (r * 255 + a / 2) / a);
    g = std::min<uint32_t>(255, (g * 255 + a / 2) / a);
    b = std::min<uint32_t>(255, (b * 255 + a / 2) / a);
  }
  return RGB(Byte(r), Byte(g), Byte(b));
}

// --- Blitting ------------------------------------------------------------------------------------

namespace {
// Source pixel rows for a blit: from the source surface, copied when it is the destination
// surface (overlapping copies must read the old pixels).
struct TSourcePixels {
  const uint32_t* Bits = nullptr;
  int Stride = 0;  // pixels
  int Width = 0, Height = 0;
  int OriginX = 0, OriginY = 0;  // surface coordinates of the requested source (0, 0)
  std::vector<uint32_t> Copy;
  bool Inside(int X, int Y) const { return X >= 0 && Y >= 0 && X < Width && Y < Height; }
  uint32_t At(int X, int Y) const { return Bits[size_t(Y) * Stride + X]; }
};

bool GetSource(HDC Source, int SrcX, int SrcY, TSurface* DestSurface, TSourcePixels& Out) {
  TDCObject* dc = DCOf(Source);
  if (!dc) return false;
  TSurface* s = dc->Target();
  if (!s) return false;
  s->BeginAccess();
  TPoint off = dc->Offset();
  Out.OriginX = SrcX + off.X;
  Out.OriginY = SrcY + off.Y;
  Out.Width = s->GetWidth();
  Out.Height = s->GetHeight();
  Out.Stride = s->GetWidth();
  if (s == DestSurface && !s->IsEmpty()) {
    Out.Copy.assign(s->GetBits(), s->GetBits() + size_t(s->GetWidth()) * s->GetHeight());
    Out.Bits = Out.Copy.data();
  } else {
    Out.Bits = s->GetBits();
  }
  return true;
}
}  // namespace

BOOL BitBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Source, int SrcX, int SrcY, DWORD Rop) {
  TPaint p(Dest);
  if (!p.ValidDC()) return 0;
  const uint8_t code = uint8_t(Rop >> 16);
  if (!RopUsesSource(code)) return PatBlt(Dest, X, Y, Width, Height, Rop);
  TSourcePixels src;
  if (!GetSource(Source, SrcX, SrcY, p.Surface, src)) return 0;
  if (!p.Ok()) return 1;
  TRect s = ToSurface(p, X, Y, X + Width, Y + Height);
  const int dx = src.OriginX - (X + p.Offset.X), dy = src.OriginY - (Y + p.Offset.Y);
  // Only destination pixels with a source pixel behind them change.
  s = IntersectRect(s, TRect(-dx, -dy, src.Width - dx, src.Height - dy));
  TBrushFill brush;
  if (RopUsesPattern(code)) brush = ResolveBrush(p, static_cast<TBrushObject*>(p.DC()->State.Brush));
  p.ForEachBox(s, [&](int x1, int y1, int x2, int y2) {
    for (int y = y1; y < y2; ++y) {
      uint32_t* d = p.Pixel(0, y);
      const uint32_t* sr = src.Bits + size_t(y + dy) * src.Stride + dx;
      if (code == 0xCC)
        std::memcpy(d + x1, sr + x1, size_t(x2 - x1) * 4);
      else
        for (int x = x1; x < x2; ++x) d[x] = Rop3(code, brush.Empty ? 0 : brush.At(x, y), sr[x], d[x]);
    }
  });
  return 1;
}

namespace {
// Samples the source rectangle into a Width x Height buffer: nearest pixel, or a filtered
// scale for HALFTONE. Negative sizes mirror.
bool SampleSource(const TSourcePixels& Src, int SrcX, int SrcY, int SrcW, int SrcH, int W, int H, bool Filter,
                  std::vector<uint32_t>& Out) {
  const int aw = std::abs(W), ah = std::abs(H), sw = std::abs(SrcW), sh = std::abs(SrcH);
  if (aw == 0 || ah == 0 || sw == 0 || sh == 0) return false;
  const bool mirrorX = (W < 0) != (SrcW < 0), mirrorY = (H < 0) != (SrcH < 0);
  const int left = SrcW < 0 ? SrcX + SrcW : SrcX, top = SrcH < 0 ? SrcY + SrcH : SrcY;
  Out.assign(size_t(aw) * ah, 0);
  if (Filter) {
    // Copy the source area (clamped to the surface) and scale it with cairo's good filter.
    std::vector<uint32_t> area(size_t(sw) * sh, 0);
    for (int y = 0; y < sh; ++y)
      for (int x = 0; x < sw; ++x) {
        int px = Src.OriginX - SrcX + left + x, py = Src.OriginY - SrcY + top + y;
        if (Src.Inside(px, py)) area[size_t(y) * sw + x] = Src.At(px, py);
      }
    cairo_surface_t* from = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(area.data()),
                                                                CAIRO_FORMAT_ARGB32, sw, sh, sw * 4);
    cairo_surface_t* to = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(Out.data()),
                                                              CAIRO_FORMAT_ARGB32, aw, ah, aw * 4);
    cairo_t* cr = cairo_create(to);
    cairo_scale(cr, double(aw) / sw, double(ah) / sh);
    cairo_set_source_surface(cr, from, 0, 0);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_surface_finish(to);
    cairo_surface_destroy(to);
    cairo_surface_destroy(from);
    if (mirrorX || mirrorY) {
      std::vector<uint32_t> m(Out.size());
      for (int y = 0; y < ah; ++y)
        for (int x = 0; x < aw; ++x)
          m[size_t(y) * aw + x] = Out[size_t(mirrorY ? ah - 1 - y : y) * aw + (mirrorX ? aw - 1 - x : x)];
      Out.swap(m);
    }
    return true;
  }
  for (int y = 0; y < ah; ++y) {
    int ty = mirrorY ? ah - 1 - y : y;
    int py = Src.OriginY - SrcY + top + int((int64_t(ty) * 2 + 1) * sh / (2 * int64_t(ah)));
    for (int x = 0; x < aw; ++x) {
      int tx = mirrorX ? aw - 1 - x : x;
      int px = Src.OriginX - SrcX + left + int((int64_t(tx) * 2 + 1) * sw / (2 * int64_t(aw)));
      Out[size_t(y) * aw + x] = Src.Inside(px, py) ? Src.At(px, py) : 0;
    }
  }
  return true;
}

// A memory DC over a temporary buffer, for reusing BitBlt on sampled pixels.
struct TTempSource {
  TSurface Surface;
  HDC DC;
  TTempSource(std::vector<uint32_t>& Bits, int W, int H) : Surface(Bits.data(), W, H), DC(CreateSurfaceDC(&Surface)) {}
  ~TTempSource() { DeleteDC(DC); }
};
}  // namespace

BOOL StretchBlt(HDC Dest, int X, int Y, int Width, int Height, HDC Source, int SrcX, int SrcY, int SrcWidth,
                int SrcHeight, DWORD Rop) {
  auto* dc = DCOf(Dest);
  if (!dc) return 0;
  const uint8_t code = uint8_t(Rop >> 16);
  if (!RopUsesSource(code)) return PatBlt(Dest, X, Y, Width, Height, Rop);
  if (Width == SrcWidth && Height == SrcHeight && Width > 0 && Height > 0)
    return BitBlt(Dest, X, Y, Width, Height, Source, SrcX, SrcY, Rop);
  TSourcePixels src;
  if (!GetSource(Source, SrcX, SrcY, dc->Target(), src)) return 0;
  std::vector<uint32_t> sampled;
  if (!SampleSource(src, SrcX, SrcY, SrcWidth, SrcHeight, Width, Height, dc->State.StretchMode == HALFTONE, sampled))
    return 1;
  const int aw = std::abs(Width), ah = std::abs(Height);
  TTempSource temp(sampled, aw, ah);
  return BitBlt(Dest, Width < 0 ? X + Width : X, Height < 0 ? Y + Height : Y, aw, ah, temp.DC, 0, 0, Rop);
}

int StretchDIBits(HDC DC, int XDest, int YDest, int DestWidth, int DestHeight, int XSrc, int YSrc, int SrcWidth,
                  int SrcHeight, const void* Bits, const BITMAPINFO* Info, UINT, DWORD Rop) {
  if (!DCOf(DC) || !Bits || !Info) return 0;
  const BITMAPINFOHEADER& h = Info->bmiHeader;
  if (h.biBitCount != 32 || (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) || h.biWidth <= 0 ||
      h.biHeight == 0 || h.biWidth > TSurface::MaxSurfaceDimension ||
      std::abs(h.biHeight) > TSurface::MaxSurfaceDimension)
    return 0;
  const int width = h.biWidth, height = std::abs(h.biHeight);
  std::vector<uint32_t> rows(static_cast<const uint32_t*>(Bits),
                             static_cast<const uint32_t*>(Bits) + size_t(width) * height);
  if (h.biHeight > 0) {
    for (int y = 0; y < height / 2; ++y)
      std::swap_ranges(rows.begin() + ptrdiff_t(y) * width, rows.begin() + ptrdiff_t(y + 1) * width,
                       rows.begin() + ptrdiff_t(height - 1 - y) * width);
    YSrc = height - YSrc - SrcHeight;
  }
  TTempSource source(rows, width, height);
  return StretchBlt(DC, XDest, YDest, DestWidth, DestHeight, source.DC, XSrc, YSrc, SrcWidth, SrcHeight, Rop)
             ? SrcHeight
             : 0;
}

BOOL AlphaBlend(HDC Dest, int X, int Y, int Width, int Height, HDC Source, int SrcX, int SrcY, int SrcWidth,
                int SrcHeight, BLENDFUNCTION Blend) {
  TPaint p(Dest);
  if (!p.ValidDC() || Blend.BlendOp != AC_SRC_OVER) return 0;
  if (Width < 0 || Height < 0 || SrcWidth < 0 || SrcHeight < 0) return 0;
  TSourcePixels src;
  if (!GetSource(Source, SrcX, SrcY, p.Surface, src)) return 0;
  // The source rectangle must lie inside the source surface.
  if (src.OriginX < 0 || src.OriginY < 0 || src.OriginX + SrcWidth > src.Width || src.OriginY + SrcHeight > src.Height)
    return 0;
  if (Width == 0 || Height == 0 || SrcWidth == 0 || SrcHeight == 0 || !p.Ok()) return 1;
  std::vector<uint32_t> sampled;
  const uint32_t* bits;
  int stride, ox, oy;
  if (Width != SrcWidth || Height != SrcHeight) {
    SampleSource(src, SrcX, SrcY, SrcWidth, SrcHeight, Width, Height, false, sampled);
    bits = sampled.data();
    stride = Width;
    ox = oy = 0;
  } else {
    bits = src.Bits;
    stride = src.Stride;
    ox = src.OriginX;
    oy = src.OriginY;
  }
  // pixman's OVER with a constant mask is exactly the arithmetic above (rounded division by
  // 255, saturating add), and it is vectorised.
  const uint32_t ca = Blend.SourceConstantAlpha;
  const bool perPixel = (Blend.AlphaFormat & AC_SRC_ALPHA) != 0;
  TRect s = ToSurface(p, X, Y, X + Width, Y + Height);
  const int sourceHeight = sampled.empty() ? src.Height : Height;
  pixman_image_t* source = pixman_image_create_bits(perPixel ? PIXMAN_a8r8g8b8 : PIXMAN_x8r8g8b8, stride, sourceHeight,
                                                    const_cast<uint32_t*>(bits), stride * 4);
  pixman_image_t* dest = pixman_image_create_bits(PIXMAN_a8r8g8b8, p.Surface->GetWidth(), p.Surface->GetHeight(),
                                                  p.Surface->GetBits(), p.Surface->GetStride());
  pixman_color_t constant{0, 0, 0, uint16_t(ca * 257)};
  pixman_image_t* mask = ca == 255 ? nullptr : pixman_image_create_solid_fill(&constant);
  pixman_image_set_clip_region32(dest, &p.Clip);
  pixman_image_composite32(PIXMAN_OP_OVER, source, mask, dest, ox, oy, 0, 0, s.Left, s.Top, Width, Height);
  if (mask) pixman_image_unref(mask);
  pixman_image_unref(source);
  pixman_image_unref(dest);
  return 1;
}

BOOL GradientFill(HDC DC, const TRIVERTEX* Vertices, ULONG Count, const void* Mesh, ULONG MeshCount, DWORD Mode) {
  TPaint p(DC);
  if (!p.ValidDC() || !Vertices || !Mesh) return 0;
  if (Mode != GRADIENT_FILL_RECT_H && Mode != GRADIENT_FILL_RECT_V) return 0;
  const auto* rects = static_cast<const GRADIENT_RECT*>(Mesh);
  for (ULONG i = 0; i < MeshCount; ++i) {
    if (rects[i].UpperLeft >= Count || rects[i].LowerRight >= Count) return 0;
    TRIVERTEX a = Vertices[rects[i].UpperLeft], b = Vertices[rects[i].LowerRight];
    if (a.x > b.x) std::swap(a.x, b.x);
    if (a.y > b.y) std::swap(a.y, b.y);
    TRect s = ToSurface(p, a.x, a.y, b.x, b.y);
    const bool horizontal = Mode == GRADIENT_FILL_RECT_H;
    const int span = horizontal ? s.Right - s.Left : s.Bottom - s.Top;
    if (span <= 0) continue;
    auto colorAt = [&](int pos) {
      auto mix = [&](COLOR16 c0, COLOR16 c1) {
        int64_t v = c0 + (int64_t(c1) - c0) * pos / span;
        return uint32_t(v >> 8) & 0xFF;
      };
      return (mix(a.Alpha, b.Alpha) << 24) | (mix(a.Red, b.Red) << 16) | (mix(a.Green, b.Green) << 8) |
             mix(a.Blue, b.Blue);
    };
    p.ForEachBox(s, [&](int x1, int y1, int x2, int y2) {
      for (int y = y1; y < y2; ++y) {
        uint32_t* row = p.Pixel(0, y);
        if (horizontal)
          for (int x = x1; x < x2; ++x) row[x] = colorAt(x - s.Left);
        else
          std::fill(row + x1, row + x2, colorAt(y - s.Top));
      }
    });
  }
  return 1;
}

// --- Helpers for the text unit -------------------------------------------------------------------

namespace detail {

cairo_t* BeginCairo(HDC DC) {
  TDCObject* dc = DCOf(DC);
  if (!dc) return nullptr;
  TSurface* s = dc->Target();
  if (!s || s->IsEmpty()) return nullptr;
  pixman_region32_t clip;
  dc->DeviceClip(&clip);
  pixman_region32_translate(&clip, dc->DeviceOrigin.X, dc->DeviceOrigin.Y);
  int n = 0;
  const pixman_box32_t* boxes = pixman_region32_rectangles(&clip, &n);
  if (n == 0) {
    pixman_region32_fini(&clip);
    return nullptr;
  }
  cairo_t* cr = cairo_create(s->GetCairoSurface());
  for (int i = 0; i < n; ++i)
    cairo_rectangle(cr, boxes[i].x1, boxes[i].y1, boxes[i].x2 - boxes[i].x1, boxes[i].y2 - boxes[i].y1);
  cairo_clip(cr);
  pixman_region32_fini(&clip);
  TPoint off = dc->Offset();
  cairo_translate(cr, off.X, off.Y);
  return cr;
}

void EndCairo(HDC, cairo_t* Cairo) {
  if (Cairo) cairo_destroy(Cairo);
}

TPoint LogicalToSurfaceOffset(HDC DC) {
  TDCObject* dc = DCOf(DC);
  return dc ? dc->Offset() : TPoint();
}

HFONT CurrentFont(HDC DC) {
  TDCObject* dc = DCOf(DC);
  return dc ? reinterpret_cast<HFONT>(dc->State.Font) : nullptr;
}

void FillSurfaceRect(HDC DC, const TRect& SurfaceRect, COLORREF Color) {
  TPaint p(DC);
  TBrushFill f;
  f.Empty = false;
  f.Solid = OpaquePixel(Color);
  FillBoxes(p, SurfaceRect, f);
}

TRect SurfaceClipBox(HDC DC) {
  TDCObject* dc = DCOf(DC);
  if (!dc || !dc->Target()) return TRect();
  pixman_region32_t clip;
  dc->DeviceClip(&clip);
  TRect result;
  if (pixman_region32_not_empty(&clip)) {
    const pixman_box32_t* e = pixman_region32_extents(&clip);
    result = TRect(e->x1 + dc->DeviceOrigin.X, e->y1 + dc->DeviceOrigin.Y, e->x2 + dc->DeviceOrigin.X,
                   e->y2 + dc->DeviceOrigin.Y);
  }
  pixman_region32_fini(&clip);
  return result;
}

}  // namespace detail
