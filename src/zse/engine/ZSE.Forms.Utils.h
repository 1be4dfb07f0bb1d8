#pragma once
// Window magnets (skin windows snap to each other and to the screen edges while dragged) and the
// geometry of windows docked to a screen edge. All coordinates are screen pixels; distances are
// designed at 96 DPI and scaled to the DPI of the moving window.

#include "rtl/RTL.Geometry.h"

// Where a window sits relative to another: 1 left of it, 2 above, 3 right, 4 below; 0 apart.
class TZSEMagnet {
 public:
  TZSEMagnet() = delete;
  // Moves MovingRect onto the side of FixedRect it touches (within 7 px at 96 DPI, the ranges
  // overlapping within 1 px), aligning starts or ends that lie that close too.
  static Byte Check(TRect& MovingRect, const TRect& FixedRect, Integer DPI);
  // The same for a rectangle of SizeRect's size at TopLeft; the snapped corner is written back.
  static Byte SnapPoint(TPoint& TopLeft, const TRect& SizeRect, const TRect& FixedRect, Integer DPI);
  // Snaps to the bounds and work area of every monitor.
  static void SnapToScreen(TPoint& TopLeft, const TRect& SizeRect, Integer DPI);
};

// A window's place at a screen edge.
struct TZSEScreenEdgePlacement {
  Integer Value = -1;
  Integer MonitorIndex = 0;
  Byte Edge = 0;  // 0 left, 1 right, 2 top, 3 bottom
};

class TZSEToolbarHelper {
 public:
  TZSEToolbarHelper() = delete;
  // The strip along the placement's edge: of the monitor's bounds for Mode 1, else of its work
  // area enlarged by Offsets (an unknown monitor index means the primary monitor).
  static TRect GetEdgeRect(const TZSEScreenEdgePlacement& Placement, const TRect& Offsets, Byte Mode, TSize Size);
  // The float arrow at the edge one arrow length past Point, or before it near the edge's end.
  static TRect GetFloatArrowRect(TPoint Point, const TZSEScreenEdgePlacement& Placement, TSize Size);
  // False when Point lies inside the work area deflated by Distance; otherwise the edge it is at.
  static bool GetEdgeAtPoint(TPoint Point, Integer Distance, TZSEScreenEdgePlacement& Placement);
};
