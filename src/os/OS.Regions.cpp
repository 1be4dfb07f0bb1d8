#include "os/OS.Regions.h"

#include <pixman.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <unordered_set>
#include <vector>

namespace detail {

TGdiObject::~TGdiObject() { Magic = 0; }

int TGdiObject::Describe(int, void*) const { return 0; }

namespace {
struct TGdiRegistry {
  std::mutex Lock;
  std::unordered_set<const void*> Objects;
};
TGdiRegistry& Registry() {
  static TGdiRegistry* registry = new TGdiRegistry;  // lives to process end: handles may outlive units
  return *registry;
}
}  // namespace

TGdiObject* GdiObjectOf(const void* Handle) {
  if (!Handle) return nullptr;
  TGdiRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  if (!registry.Objects.count(Handle)) return nullptr;
  return static_cast<TGdiObject*>(const_cast<void*>(Handle));
}

void RegisterGdiObject(TGdiObject* Object) {
  TGdiRegistry& registry = Registry();
  std::lock_guard<std::mutex> guard(registry.Lock);
  registry.Objects.insert(Object);
}

bool DestroyGdiObject(const void* Handle) {
  TGdiObject* object = GdiObjectOf(Handle);
  if (!object || object->Stock) return false;
  if (object->SelectCount > 0) {
    object->DeletePending = true;
    return true;
  }
  {
    TGdiRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.Lock);
    registry.Objects.erase(Handle);
  }
  delete object;
  return true;
}

void AddSelection(TGdiObject* Object) {
  if (Object) ++Object->SelectCount;
}

void ReleaseSelection(TGdiObject* Object) {
  if (!Object) return;
  if (--Object->SelectCount <= 0) {
    Object->SelectCount = 0;
    if (Object->DeletePending) DestroyGdiObject(Object);
  }
}

struct TRegionObject : TGdiObject {
  TRegionObject() : TGdiObject(TGdiKind::Region) { pixman_region32_init(&Region); }
  ~TRegionObject() override { pixman_region32_fini(&Region); }
  pixman_region32_t Region;
};

TRegionObject* RegionOf(HRGN Rgn) {
  TGdiObject* object = GdiObjectOf(Rgn);
  return object && object->Kind == TGdiKind::Region ? static_cast<TRegionObject*>(object) : nullptr;
}

int RegionType(const void* PixmanRegion32) {
  int count =
      pixman_region32_n_rects(const_cast<pixman_region32_t*>(static_cast<const pixman_region32_t*>(PixmanRegion32)));
  return count == 0 ? NULLREGION : count == 1 ? SIMPLEREGION : COMPLEXREGION;
}

void* PixmanRegionOf(HRGN Rgn) {
  TRegionObject* region = RegionOf(Rgn);
  return region ? &region->Region : nullptr;
}

}  // namespace detail

using detail::TRegionObject;

namespace {

HRGN NewRegion() {
  auto* region = new TRegionObject;
  detail::RegisterGdiObject(region);
  return reinterpret_cast<HRGN>(static_cast<detail::TGdiObject*>(region));
}

TRect Normalized(int Left, int Top, int Right, int Bottom) {
  return {std::min(Left, Right), std::min(Top, Bottom), std::max(Left, Right), std::max(Top, Bottom)};
}

void SetRect(pixman_region32_t& Region, const TRect& R) {
  pixman_region32_fini(&Region);
  if (R.Right > R.Left && R.Bottom > R.Top)
    pixman_region32_init_rect(&Region, R.Left, R.Top, static_cast<unsigned>(R.Right - R.Left),
                              static_cast<unsigned>(R.Bottom - R.Top));
  else
    pixman_region32_init(&Region);
}

// Builds a region from horizontal spans [x1, x2) per row.
struct TSpanBuilder {
  std::vector<pixman_box32_t> Boxes;
  void Add(int Y, int X1, int X2) {
    if (X2 > X1) Boxes.push_back({X1, Y, X2, Y + 1});
  }
  HRGN Make() {
    HRGN result = NewRegion();
    pixman_region32_t* region = static_cast<pixman_region32_t*>(detail::PixmanRegionOf(result));
    pixman_region32_fini(region);
    // Boxes of one row may overlap (winding fill): union them row by row via init_rects,
    // which accepts arbitrary boxes and normalises them.
    if (!pixman_region32_init_rects(region, Boxes.data(), static_cast<int>(Boxes.size()))) pixman_region32_init(region);
    return result;
  }
};

// Pixel rows of an ellipse-cornered rectangle: for each row the inset where the corner
// ellipse (radii Rx, Ry) cuts the row at its centre.
HRGN MakeRounded(TRect R, double Rx, double Ry) {
  TSpanBuilder spans;
  const double height = R.Bottom - R.Top;
  for (int y = R.Top; y < R.Bottom; ++y) {
    double yc = y + 0.5 - R.Top;
    double dy = 0;
    if (yc < Ry)
      dy = Ry - yc;
    else if (yc > height - Ry)
      dy = yc - (height - Ry);
    double inset = 0;
    if (dy > 0 && Ry > 0) {
      double t = dy / Ry;
      inset = Rx - Rx * std::sqrt(std::max(0.0, 1.0 - t * t));
    }
    int x1 = R.Left + static_cast<int>(std::lround(inset));
    int x2 = R.Right - static_cast<int>(std::lround(inset));
    spans.Add(y, x1, x2);
  }
  return spans.Make();
}

}  // namespace

HRGN CreateRectRgn(int Left, int Top, int Right, int Bottom) {
  HRGN result = NewRegion();
  SetRect(*static_cast<pixman_region32_t*>(detail::PixmanRegionOf(result)), Normalized(Left, Top, Right, Bottom));
  return result;
}

HRGN CreateRectRgnIndirect(const TRect& R) { return CreateRectRgn(R.Left, R.Top, R.Right, R.Bottom); }

HRGN CreateRoundRectRgn(int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight) {
  TRect r = Normalized(Left, Top, Right, Bottom);
  double rx = std::min(std::abs(EllipseWidth), r.Right - r.Left) / 2.0;
  double ry = std::min(std::abs(EllipseHeight), r.Bottom - r.Top) / 2.0;
  return MakeRounded(r, rx, ry);
}

HRGN CreateEllipticRgn(int Left, int Top, int Right, int Bottom) {
  TRect r = Normalized(Left, Top, Right, Bottom);
  return MakeRounded(r, (r.Right - r.Left) / 2.0, (r.Bottom - r.Top) / 2.0);
}

HRGN CreateEllipticRgnIndirect(const TRect& R) { return CreateEllipticRgn(R.Left, R.Top, R.Right, R.Bottom); }

HRGN CreatePolygonRgn(const TPoint* Points, int Count, int FillMode) {
  if (!Points || Count < 3 || (FillMode != ALTERNATE && FillMode != WINDING)) return CreateRectRgn(0, 0, 0, 0);
  int minY = Points[0].Y, maxY = Points[0].Y;
  for (int i = 1; i < Count; ++i) {
    minY = std::min(minY, Points[i].Y);
    maxY = std::max(maxY, Points[i].Y);
  }
  TSpanBuilder spans;
  struct TCross {
    double X;
    int Dir;
  };
  std::vector<TCross> crossings;
  for (int y = minY; y < maxY; ++y) {
    const double yc = y + 0.5;
    crossings.clear();
    for (int i = 0; i < Count; ++i) {
      const TPoint& a = Points[i];
      const TPoint& b = Points[(i + 1) % Count];
      if (a.Y == b.Y) continue;
      const bool down = b.Y > a.Y;
      const double y0 = down ? a.Y : b.Y, y1 = down ? b.Y : a.Y;
      if (yc < y0 || yc >= y1) continue;
      const double x = a.X + (yc - a.Y) * double(b.X - a.X) / double(b.Y - a.Y);
      crossings.push_back({x, down ? 1 : -1});
    }
    std::sort(crossings.begin(), crossings.end(), [](const TCross& l, const TCross& r) { return l.X < r.X; });
    int winding = 0;
    for (size_t i = 0; i + 1 < crossings.size() || (i < crossings.size() && FillMode == WINDING); ++i) {
      bool inside;
      if (FillMode == ALTERNATE) {
        inside = (i % 2) == 0;
      } else {
        winding += crossings[i].Dir;
        inside = winding != 0;
      }
      if (inside && i + 1 < crossings.size()) {
        // Pixel x is inside when its centre x + 0.5 lies in [xa, xb).
        int x1 = static_cast<int>(std::ceil(crossings[i].X - 0.5));
        int x2 = static_cast<int>(std::ceil(crossings[i + 1].X - 0.5));
        spans.Add(y, x1, x2);
      }
    }
  }
  return spans.Make();
}

HRGN ExtCreateRegion(const XFORM* Transform, DWORD Count, const RGNDATA* Data) {
  if (!Data || Count < sizeof(RGNDATAHEADER)) return nullptr;
  if (Data->rdh.iType != RDH_RECTANGLES || Data->rdh.dwSize < sizeof(RGNDATAHEADER)) return nullptr;
  double dx = 0, dy = 0;
  if (Transform) {
    if (Transform->eM11 != 1 || Transform->eM12 != 0 || Transform->eM21 != 0 || Transform->eM22 != 1) return nullptr;
    dx = Transform->eDx;
    dy = Transform->eDy;
  }
  // Never read past the caller's buffer, whatever nCount claims.
  const size_t available = (Count - Data->rdh.dwSize) / sizeof(TRect);
  const size_t n = std::min<size_t>(Data->rdh.nCount, available);
  const auto* base = reinterpret_cast<const unsigned char*>(Data) + Data->rdh.dwSize;
  std::vector<pixman_box32_t> boxes;
  boxes.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    TRect r;
    std::memcpy(&r, base + i * sizeof(TRect), sizeof(TRect));
    r = Normalized(r.Left, r.Top, r.Right, r.Bottom);
    if (r.Right > r.Left && r.Bottom > r.Top)
      boxes.push_back({r.Left + int(dx), r.Top + int(dy), r.Right + int(dx), r.Bottom + int(dy)});
  }
  HRGN result = NewRegion();
  auto* region = static_cast<pixman_region32_t*>(detail::PixmanRegionOf(result));
  pixman_region32_fini(region);
  if (!pixman_region32_init_rects(region, boxes.data(), static_cast<int>(boxes.size()))) pixman_region32_init(region);
  return result;
}

int CombineRgn(HRGN Dest, HRGN Src1, HRGN Src2, int Mode) {
  auto* dest = static_cast<pixman_region32_t*>(detail::PixmanRegionOf(Dest));
  auto* a = static_cast<pixman_region32_t*>(detail::PixmanRegionOf(Src1));
  auto* b = static_cast<pixman_region32_t*>(detail::PixmanRegionOf(Src2));
  if (!dest || !a) return ERROR;
  if (Mode != RGN_COPY && !b) return ERROR;
  bool ok = true;
  switch (Mode) {
    case RGN_COPY:
      ok = pixman_region32_copy(dest, a);
      break;
    case RGN_AND:
      ok = pixman_region32_intersect(dest, a, b);
      break;
    case RGN_OR:
      ok = pixman_region32_union(dest, a, b);
      break;
    case RGN_DIFF:
      ok = pixman_region32_subtract(dest, a, b);
      break;
    case RGN_XOR: {
      pixman_region32_t ab, ba;
      pixman_region32_init(&ab);
      pixman_region32_init(&ba);
      ok = pixman_region32_subtract(&ab, a, b) && pixman_region32_subtract(&ba, b, a) &&
           pixman_region32_union(dest, &ab, &ba);
      pixman_region32_fini(&ab);
      pixman_region32_fini(&ba);
      break;
    }
    default:
      return ERROR;
  }
  return ok ? detail::RegionType(dest) : ERROR;
}

BOOL SetRectRgn(HRGN Rgn, int Left, int Top, int Right, int Bottom) {
  auto* region = static_cast<pixman_region32_t*>(detail::PixmanRegionOf(Rgn));
  if (!region) return 0;
  SetRect(*region, Normalized(Left, Top, Right, Bottom));
  return 1;
}

int OffsetRgn(HRGN Rgn, int DX, int DY) {
  auto* region = static_cast<pixman_region32_t*>(detail::PixmanRegionOf(Rgn));
  if (!region) return ERROR;
  pixman_region32_translate(region, DX, DY);
  return detail::RegionType(region);
}

BOOL PtInRegion(HRGN Rgn, int X, int Y) {
  auto* region = static_cast<pixman_region32_t*>(detail::PixmanRegionOf(Rgn));
  return region && pixman_region32_contains_point(region, X, Y, nullptr) ? 1 : 0;
}

BOOL RectInRegion(HRGN Rgn, const TRect* R) {
  auto* region = static_cast<pixman_region32_t*>(detail::PixmanRegionOf(Rgn));
  if (!region || !R) return 0;
  TRect r = Normalized(R->Left, R->Top, R->Right, R->Bottom);
  if (r.Right <= r.Left || r.Bottom <= r.Top) return 0;
  pixman_box32_t box{r.Left, r.Top, r.Right, r.Bottom};
  return pixman_region32_contains_rectangle(region, &box) != PIXMAN_REGION_OUT ? 1 : 0;
}

int GetRgnBox(HRGN Rgn, TRect* R) {
  auto* region = static_cast<pixman_region32_t*>(detail::PixmanRegionOf(Rgn));
  if (!region || !R) return ERROR;
  if (!pixman_region32_not_empty(region)) {
    *R = TRect();
    return NULLREGION;
  }
  const pixman_box32_t* e = pixman_region32_extents(region);
  *R = TRect(e->x1, e->y1, e->x2, e->y2);
  return detail::RegionType(region);
}

BOOL EqualRgn(HRGN A, HRGN B) {
  auto* a = static_cast<pixman_region32_t*>(detail::PixmanRegionOf(A));
  auto* b = static_cast<pixman_region32_t*>(detail::PixmanRegionOf(B));
  if (!a || !b) return ERROR;
  return pixman_region32_equal(a, b) ? 1 : 0;
}

DWORD GetRegionData(HRGN Rgn, DWORD Count, RGNDATA* Data) {
  auto* region = static_cast<pixman_region32_t*>(detail::PixmanRegionOf(Rgn));
  if (!region) return 0;
  int n = 0;
  const pixman_box32_t* boxes = pixman_region32_rectangles(region, &n);
  const DWORD needed = static_cast<DWORD>(sizeof(RGNDATAHEADER) + n * sizeof(TRect));
  if (!Data) return needed;
  if (Count < needed) return 0;
  Data->rdh.dwSize = sizeof(RGNDATAHEADER);
  Data->rdh.iType = RDH_RECTANGLES;
  Data->rdh.nCount = static_cast<DWORD>(n);
  Data->rdh.nRgnSize = static_cast<DWORD>(n * sizeof(TRect));
  GetRgnBox(Rgn, &Data->rdh.rcBound);
  auto* out = reinterpret_cast<unsigned char*>(Data) + sizeof(RGNDATAHEADER);
  for (int i = 0; i < n; ++i) {
    TRect r(boxes[i].x1, boxes[i].y1, boxes[i].x2, boxes[i].y2);
    std::memcpy(out + i * sizeof(TRect), &r, sizeof(TRect));
  }
  return Count;
}
