#pragma once
// Regions: sets of pixels stored as y-x banded rectangles (device coordinates), as the
// platform's GDI keeps them. A region is an HRGN created here and deleted with DeleteObject
// (OS.Gdi.h). Every routine accepts a null or foreign handle and fails by result (ERROR, 0,
// false) instead of crashing.

#include "os/OS.Types.h"
#include "rtl/RTL.Geometry.h"

// Region complexity, as CombineRgn, OffsetRgn, GetRgnBox and the clip routines return it.
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
constexpr int RGN_ERROR = ERROR;

// CombineRgn and ExtSelectClipRgn modes.
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;

// Polygon fill modes.
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

constexpr DWORD RDH_RECTANGLES = 1;

// The rectangle-list layout of regions: a 32-byte header followed by nCount rectangles.
struct RGNDATAHEADER {
  DWORD dwSize;    // 32
  DWORD iType;     // RDH_RECTANGLES
  DWORD nCount;    // rectangles in Buffer
  DWORD nRgnSize;  // bytes of the rectangle buffer (0 allowed)
  TRect rcBound;
};
struct RGNDATA {
  RGNDATAHEADER rdh;
  char Buffer[1];  // nCount TRect values
};
static_assert(sizeof(RGNDATAHEADER) == 32, "RGNDATAHEADER layout");

struct XFORM {
  float eM11, eM12, eM21, eM22, eDx, eDy;
};

HRGN CreateRectRgn(int Left, int Top, int Right, int Bottom);
HRGN CreateRectRgnIndirect(const TRect& R);
// Corner ellipses of EllipseWidth x EllipseHeight.
HRGN CreateRoundRectRgn(int Left, int Top, int Right, int Bottom, int EllipseWidth, int EllipseHeight);
HRGN CreateEllipticRgn(int Left, int Top, int Right, int Bottom);
HRGN CreateEllipticRgnIndirect(const TRect& R);
// A pixel belongs to the region when its centre lies inside the polygon under the fill mode.
HRGN CreatePolygonRgn(const TPoint* Points, int Count, int FillMode);
// From a rectangle list; Transform must be null or the identity/translation (others: null
// result). Count is the byte size of Data. Rectangles are clipped to nothing when malformed.
HRGN ExtCreateRegion(const XFORM* Transform, DWORD Count, const RGNDATA* Data);

// Dest := Src1 op Src2 (Src2 unused for RGN_COPY). Dest may be Src1 or Src2.
int CombineRgn(HRGN Dest, HRGN Src1, HRGN Src2, int Mode);
BOOL SetRectRgn(HRGN Rgn, int Left, int Top, int Right, int Bottom);
int OffsetRgn(HRGN Rgn, int DX, int DY);
BOOL PtInRegion(HRGN Rgn, int X, int Y);
BOOL RectInRegion(HRGN Rgn, const TRect* R);
// Bounding box; (0, 0, 0, 0) and NULLREGION for an empty region.
int GetRgnBox(HRGN Rgn, TRect* R);
BOOL EqualRgn(HRGN A, HRGN B);
// With Data null: the bytes needed (32 + 16 per rectangle). Count too small or a bad handle:
// 0, nothing written. Otherwise fills Data and returns Count.
DWORD GetRegionData(HRGN Rgn, DWORD Count, RGNDATA* Data);

namespace detail {
// The common head of every GDI object, so that one handle space serves them all.
enum class TGdiKind : Byte { Region = 1, Pen, Brush, Font, Bitmap, DC };
struct TGdiObject {
  explicit TGdiObject(TGdiKind Kind) : Kind(Kind) {}
  virtual ~TGdiObject();
  // GetObject: the object's description (BITMAP, LOGPEN, ...); returns bytes written, or the
  // size needed when Buffer is null; 0 when Size is too small or there is no description.
  virtual int Describe(int Size, void* Buffer) const;
  const TGdiKind Kind;
  bool Stock = false;          // never deleted
  int SelectCount = 0;         // device contexts (and their saved states) holding it
  bool DeletePending = false;  // DeleteObject while selected: freed when the last holder lets go
  uint32_t Magic = 0x47444931;
};
// The object behind a handle, or null for null, deleted or unknown handles.
TGdiObject* GdiObjectOf(const void* Handle);
void RegisterGdiObject(TGdiObject* Object);
// Unregisters and frees; false for stock objects and unknown handles. An object still selected
// somewhere is only marked and freed by the last ReleaseSelection.
bool DestroyGdiObject(const void* Handle);
void AddSelection(TGdiObject* Object);
void ReleaseSelection(TGdiObject* Object);

struct TRegionObject;
TRegionObject* RegionOf(HRGN Rgn);
// Region complexity of a pixman region (passed as void* to keep pixman out of headers).
int RegionType(const void* PixmanRegion32);
// The pixman_region32_t inside a region object.
void* PixmanRegionOf(HRGN Rgn);
}  // namespace detail
