#pragma once
// Where a skin form goes when it is not simply where the user left it: place anchors that keep a
// form at the screen edges it was near (also after the work area or the monitor set changed),
// the geometry of a form pinned beside its master form, the strip of a form docked to a screen
// edge as a toolbar, and the stored position of a form read back at another DPI.
// All rectangles are screen pixels unless said otherwise.

#include <vector>

#include "os/OS.Monitors.h"
#include "zse/engine/ZSE.Forms.h"

class TZCLIniFileSection;

// The size limits of a form, in pixels; 0 is no limit.
using TZSEFormSizeLimits = TZSESizeLimits;

// Anchored sides: bit 0 left, bit 1 top, bit 2 right, bit 3 bottom.
constexpr Byte ZSEAnchorLeft = 1;
constexpr Byte ZSEAnchorTop = 2;
constexpr Byte ZSEAnchorRight = 4;
constexpr Byte ZSEAnchorBottom = 8;

class TZSEFormPlaceAnchors : public TZSEFormPersistent {
  ZCL_CLASS(TZSEFormPlaceAnchors, TZSEFormPersistent)
 public:
  using TZSEFormPersistent::TZSEFormPersistent;

  // The sides of the work area (of the monitor under the body's centre) that the body Bounds
  // less Margins comes within 20 pixels of or goes beyond, with its distances from them.
  void Capture(const TRect& Bounds, const TRect& Margins, const std::vector<TMonitorDesc>& Monitors);
  // Bounds placed again by the anchors on the current work areas, limited by Limits and fitted
  // onto the work area under the result's centre.
  TRect Apply(const TRect& Bounds, const TRect& Margins, const TZSEFormSizeLimits& Limits,
              const std::vector<TMonitorDesc>& Monitors);
  void LoadSettings(TZCLIniFileSection* Section, const std::vector<TMonitorDesc>& Monitors);
  void SaveSettings(TZCLIniFileSection* Section) const;

  Byte GetMagnets() const { return FMagnets; }
  TRect GetOffsets() const { return FOffsets; }
  Integer GetScreenIndex() const { return FScreenIndex; }
  TSize GetScreenSize() const { return FScreenSize; }

 private:
  Byte FMagnets = 0;
  TRect FOffsets;
  Integer FScreenIndex = -1;
  TSize FScreenSize;
};

// A form pinned beside its master. Sides: 0 left, 1 top, 2 right, 3 bottom.
struct TZSEPinGeometry {
  TRect Master;            // the master's rectangle
  TRect MasterMargins;     // its magnet margins (subtracted from Margins when it is maximized)
  bool MasterMaximized = false;
  TRect Margins;           // the pin's margins, already at the form's DPI
  TRect FormMargins;       // the form's magnet margins
  TZSEFormSizeLimits Limits;
  Integer Width = 0;       // the form's current size, kept along axes it does not stretch on
  Integer Height = 0;
  bool Stretch = true;     // the skin's compatibility allows stretching (3.50 and later)
  TPoint SlideOffset;
  // Outside the designer: the monitor of the form intersected with the union of all work areas.
  TRect Available;
  bool PreventExceedScreenEdges = false;
};

// The rectangle at a side, and the side actually used once screen edges are considered.
TRect ZSEPinBoundsAtSide(const TZSEPinGeometry& G, Integer Side);
TRect ZSEPinCalculateBounds(const TZSEPinGeometry& G, Integer Side, Integer* CurrentSide = nullptr);

// The toolbar strip at Edge (0 left, 1 right, 2 top, 3 bottom) of Area, Size wide or high: at
// least 20 pixels and at least the form's minimum.
TRect ZSEToolbarCalculateRect(const TRect& Area, Byte Edge, TSize Size, const TZSEFormSizeLimits& Limits);

// A position stored at StoredDpi brought to CurrentDpi: size scaled, top-left kept. A missing or
// meaningless stored DPI (0 or less) counts as the current one.
TRect ZSEStoredPositionToDpi(const TRect& Stored, Integer StoredDpi, Integer CurrentDpi);
