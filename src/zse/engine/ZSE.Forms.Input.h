#pragma once
// The pointer geometry of skin forms: which sizing border a point is on, the cursor of each
// border, how wheel deltas become whole notches per element, and the rectangle a resize forms
// (clamped by the size limits and snapped to lines of other forms and the work area).

#include <functional>
#include <utility>
#include <vector>

#include "rtl/RTL.Geometry.h"
#include "vcl/VCL.Controls.h"

// Sizing codes: 0 none, 1 bottom, 2 left, 3 right, 4 top, 5 top-left, 6 top-right,
// 7 bottom-left, 8 bottom-right.
struct TZSESizingBorder {
  TRect Client;         // the form's client rectangle
  TRect MagnetMargins;  // deflate Client by these first when TakeMargins
  bool TakeMargins = true;
  Integer Width = 5;       // the border, already at the form's DPI
  bool Horizontal = true;  // sizing directions allowed
  bool Vertical = true;
  Integer ToolbarEdge = -1;  // 0 left, 1 right, 2 top, 3 bottom; -1 not a toolbar
};

Byte ZSEGetSizingCode(const TZSESizingBorder& B, const TPoint& P);
TCursor ZSESizingCursor(Byte Code);

// Wheel deltas of one element collected into notches of 120; another element starts afresh.
class TZSEWheelAccumulator {
 public:
  // Notch gets true for up (the remainder is not negative), false for down, once per notch.
  void Feed(const void* Element, Integer Delta, const std::function<void(bool Up)>& Notch);
  Integer GetRemainder() const { return FRemainder; }

 private:
  const void* FElement = nullptr;
  Integer FRemainder = 0;
};

// One resize at a time: the rectangle being formed from the target's bounds, moved by the
// pointer and kept within the limits, its visible edges snapping to the given lines.
class TZSEResizeTracker {
 public:
  TZSEResizeTracker(const TRect& Bounds, Byte Code, const TRect& MagnetMargins, TSize MinSize, TSize MaxSize,
                    Integer SnapDistance);
  // Horizontal lines (y values) and vertical lines (x values) to snap to; empty when snapping is off.
  std::vector<Integer> HorizontalLines;
  std::vector<Integer> VerticalLines;
  // Moves the edges of the code by the pointer's movement; answers the part applied, which is
  // what the last pointer position moves by.
  TPoint Move(TPoint Delta);
  const TRect& GetRect() const { return FRect; }

 private:
  Integer ClampWidth(Integer D) const;
  Integer ClampHeight(Integer D) const;
  Integer Snap(Integer D, Integer Edge, Integer Offset, const std::vector<Integer>& Lines) const;
  TRect FRect;
  TRect FMargins;
  TSize FMin;
  TSize FMax;
  Integer FSnapDistance;
  Byte FCode;
};

class TZSEBaseForm;
class TCustomForm;
class TZSELayoutDockSite;

// The engine's snap switch: moving and sizing snap only while it is on.
extern bool EngineSnapEnabled;

// A user move or resize under way, fed with the pointer in screen coordinates; freed without
// Finish it is cancelled.
class TZSECustomFormDragger {
 public:
  virtual ~TZSECustomFormDragger() = default;
  virtual TCursor GetCursor() const = 0;
  virtual void Move(const TPoint& CursorScreen) = 0;
  virtual void Finish() = 0;
};

// Dock-site targeting shared by the movers: while the pointer is over another free skin form,
// the dock sites of that form that accept the dragged form are highlighted (the holder keeps its
// bounds), and the one under the pointer is the drop target.
class TZSEFormDockTargeting {
 public:
  explicit TZSEFormDockTargeting(TZSEBaseForm* AForm) : FForm(AForm) {}
  ~TZSEFormDockTargeting();
  void Update(const TPoint& CursorScreen);
  TZSEBaseForm* GetTargetForm() const { return FTarget; }
  TZSELayoutDockSite* GetDockSite() const { return FSite; }
  const std::vector<TZSELayoutDockSite*>& GetDockSites() const { return FSites; }

 private:
  void SetTargetForm(TZSEBaseForm* Value);
  void Highlight(bool On);
  TZSEBaseForm* FForm;
  TZSEBaseForm* FTarget = nullptr;
  TZSELayoutDockSite* FSite = nullptr;
  std::vector<TZSELayoutDockSite*> FSites;
  std::vector<std::pair<TZSEBaseForm*, TRect>> FSaved;
};

// What both movers share: the moving cursor and the dock-site targeting.
class TZSEFormCustomDragger : public TZSECustomFormDragger {
 public:
  explicit TZSEFormCustomDragger(TZSEBaseForm* AForm) : FForm(AForm), FTargeting(AForm) {}
  TCursor GetCursor() const override { return crSizeAll; }
  const TZSEFormDockTargeting& GetTargeting() const { return FTargeting; }

 protected:
  TZSEBaseForm* FForm;
  TZSEFormDockTargeting FTargeting;
  TPoint FCursorPoint;
};

// A user move of a free form: the form and the forms glued to it follow the pointer, snapping
// to other forms and the screen; dropped at a screen edge it becomes a toolbar there, dropped on
// a highlighted dock site it docks there.
class TZSEFormDragger : public TZSEFormCustomDragger {
 public:
  // PressPoint in the form's client coordinates.
  TZSEFormDragger(TZSEBaseForm* AForm, const TPoint& PressPoint);
  ~TZSEFormDragger() override;
  void Move(const TPoint& CursorScreen) override;
  void Finish() override;

 private:
  class TZSEGluedForms* FGlued;
  float FGrabX = 0;
  float FGrabY = 0;
  TPoint FLastPoint;
};

// A docked form dragged out of its dock site: the form stays docked while the pointer moves;
// dropped on another dock site it docks there, elsewhere it leaves its site as a free form under
// the pointer (at a screen edge as a toolbar).
class TZSEFormDraggerDocked : public TZSEFormCustomDragger {
 public:
  // PressPoint in the docked form's client coordinates.
  TZSEFormDraggerDocked(TZSEBaseForm* AForm, const TPoint& PressPoint);
  void Move(const TPoint& CursorScreen) override;
  void Finish() override;

 private:
  TPoint FGrab;
};

// A user resize: only the preview rectangle moves while sizing; the bounds change at Finish, and
// a resizer freed without Finish leaves them as they were.
class TZSEFormResizer : public TZSECustomFormDragger {
 public:
  TZSEFormResizer(TZSEBaseForm* AForm, const TPoint& PressScreen, Byte Code);
  ~TZSEFormResizer() override;
  TCursor GetCursor() const override { return ZSESizingCursor(FCode); }
  void Move(const TPoint& CursorScreen) override;
  void Finish() override;
  // The window rectangle being formed.
  TRect GetRect() const { return FTracker->GetRect(); }

 private:
  TZSEBaseForm* FForm;
  TZSEResizeTracker* FTracker;
  TPoint FLastPoint;
  Byte FCode;
};
