#include "zse/engine/ZSE.Forms.Input.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zse/engine/ZSE.Forms.Utils.h"
#include "zse/engine/ZSE.Forms.h"
#include "zse/engine/ZSE.Layout.Containers.h"
#include "zse/engine/ZSE.Manager.h"

Byte ZSEGetSizingCode(const TZSESizingBorder& B, const TPoint& P) {
  TRect r = B.Client;
  if (B.TakeMargins)
    r = TRect(r.Left + B.MagnetMargins.Left, r.Top + B.MagnetMargins.Top, r.Right - B.MagnetMargins.Right,
              r.Bottom - B.MagnetMargins.Bottom);
  if (!r.Contains(P)) return 0;
  const TRect inner(r.Left + B.Width, r.Top + B.Width, r.Right - B.Width, r.Bottom - B.Width);
  if (inner.Contains(P)) return 0;
  Byte code = 0;
  const bool toolbar = B.ToolbarEdge >= 0;
  if (B.Horizontal) {
    if (toolbar) {
      if (P.X <= inner.Left && B.ToolbarEdge == 1) code = 2;
      if (P.X >= inner.Right && B.ToolbarEdge == 0) code = 3;
    } else {
      if (P.X <= inner.Left) code = 2;
      if (P.X >= inner.Right) code = 3;
    }
  }
  if (B.Vertical) {
    if (toolbar) {
      if (P.Y <= inner.Top && B.ToolbarEdge == 3) code = 4;
      if (P.Y >= inner.Bottom && B.ToolbarEdge == 2) code = 1;
    } else {
      if (P.Y >= inner.Bottom) code = code == 3 ? 8 : (code == 2 ? 7 : 1);
      if (P.Y <= inner.Top) code = (code == 3 || code == 8) ? 6 : ((code == 2 || code == 7) ? 5 : 4);
    }
  }
  return code;
}

TCursor ZSESizingCursor(Byte Code) {
  switch (Code) {
    case 1:
    case 4:
      return crSizeNS;
    case 2:
    case 3:
      return crSizeWE;
    case 5:
    case 8:
      return crSizeNWSE;
    case 6:
    case 7:
      return crSizeNESW;
    default:
      return crDefault;
  }
}

void TZSEWheelAccumulator::Feed(const void* Element, Integer Delta, const std::function<void(bool Up)>& Notch) {
  if (Element != FElement) {
    FRemainder = 0;
    FElement = Element;
  }
  FRemainder += Delta;
  while (std::abs(FRemainder) >= 120) {
    const bool up = FRemainder >= 0;
    Notch(up);
    FRemainder = up ? FRemainder - 120 : FRemainder + 120;
  }
}

TZSEResizeTracker::TZSEResizeTracker(const TRect& Bounds, Byte Code, const TRect& MagnetMargins, TSize MinSize,
                                     TSize MaxSize, Integer SnapDistance)
    : FRect(Bounds), FMargins(MagnetMargins), FMin(MinSize), FMax(MaxSize), FSnapDistance(SnapDistance), FCode(Code) {}

Integer TZSEResizeTracker::ClampWidth(Integer D) const {
  const Integer w = FRect.Width();
  D = std::max(D, FMin.cx - w);
  if (FMax.cx > 0) D = std::min(D, FMax.cx - w);
  return D;
}

Integer TZSEResizeTracker::ClampHeight(Integer D) const {
  const Integer h = FRect.Height();
  D = std::max(D, FMin.cy - h);
  if (FMax.cy > 0) D = std::min(D, FMax.cy - h);
  return D;
}

Integer TZSEResizeTracker::Snap(Integer D, Integer Edge, Integer Offset, const std::vector<Integer>& Lines) const {
  for (Integer v : Lines)
    if (std::abs(Edge + D + Offset - v) < FSnapDistance) return v - Edge - Offset;
  return D;
}

TPoint TZSEResizeTracker::Move(TPoint Delta) {
  Integer dx = Delta.X, dy = Delta.Y;
  const Byte c = FCode;
  const bool bottom = c == 1 || c == 7 || c == 8, right = c == 3 || c == 6 || c == 8;
  const bool top = c == 4 || c == 5 || c == 6, left = c == 2 || c == 5 || c == 7;
  if (bottom) dy = Snap(ClampHeight(dy), FRect.Bottom, -FMargins.Bottom, HorizontalLines);
  if (right) dx = Snap(ClampWidth(dx), FRect.Right, -FMargins.Right, VerticalLines);
  if (top) dy = Snap(-ClampHeight(-dy), FRect.Top, FMargins.Top, HorizontalLines);
  if (left) dx = Snap(-ClampWidth(-dx), FRect.Left, FMargins.Left, VerticalLines);
  if (!left && !right) dx = 0;
  if (!top && !bottom) dy = 0;
  if (right) FRect.Right += dx;
  if (bottom) FRect.Bottom += dy;
  if (left) FRect.Left += dx;
  if (top) FRect.Top += dy;
  return TPoint(dx, dy);
}

// ---- the skin form's sizing border ----------------------------------------------------------------------

bool TZSEForm::CanDrag() const {
  return !GetLocked() && !GetMasterFormPin()->IsEffective() && !TZSEDesigner::IsDesigning();
}

bool TZSEForm::CanSizeHorizontally() const {
  const TSizeConstraints* c = GetConstraints();
  return !(c->GetMaxWidth() != 0 && c->GetMinWidth() >= c->GetMaxWidth());
}

bool TZSEForm::CanSizeVertically() const {
  const TSizeConstraints* c = GetConstraints();
  return !(c->GetMaxHeight() != 0 && c->GetMinHeight() >= c->GetMaxHeight());
}

Byte TZSEForm::GetSizingCode(const TPoint& P) {
  if (!CanDrag()) return 0;
  const Integer dpi = GetCurrentDpi();
  TZSESizingBorder b;
  b.Client = GetClientRect();
  b.MagnetMargins = GetMagnetMargins();
  b.TakeMargins = FSizingTakeMagnetOffsets;
  b.Width = MulDiv(FSizingHitTestAreaWidth, dpi, 96);
  // A docked form sizes with its host.
  const TZSEForm* sizing = this;
  if (GetDocked())
    if (auto* host = dynamic_cast<const TZSEForm*>(GetParent())) sizing = host;
  b.Horizontal = sizing->CanSizeHorizontally();
  b.Vertical = sizing->CanSizeVertically();
  b.ToolbarEdge = GetToolBar()->GetDocked() ? GetToolBar()->GetEdge() : -1;
  return ZSEGetSizingCode(b, P);
}

// ---- user moves and resizes -----------------------------------------------------------------------------

bool EngineSnapEnabled = true;

namespace {

constexpr Integer SnapDistance = 7;

Integer DpiOf(TZSEBaseForm* Form) { return Form->GetCurrentDpi() > 0 ? Form->GetCurrentDpi() : 96; }

TRect ScaledMargins(TZSEBaseForm* Form) { return Form->GetMagnetMargins(); }

}  // namespace

// ---- dock-site targeting ----------------------------------------------------------------------------------

TZSEFormDockTargeting::~TZSEFormDockTargeting() {
  try {
    SetTargetForm(nullptr);
  } catch (...) {
    // A drag that ends must not throw from its cleanup.
  }
}

void TZSEFormDockTargeting::Highlight(bool On) {
  if (On) {
    FSaved.clear();
    for (TZSELayoutDockSite* site : FSites)
      if (auto* holder = dynamic_cast<TZSEBaseForm*>(site->GetForm()))
        FSaved.emplace_back(holder, holder->GetBoundsRect());
    for (TZSELayoutDockSite* site : FSites) site->SetHighlighted(true);
  } else {
    for (TZSELayoutDockSite* site : FSites) site->SetHighlighted(false);
    // Showing and hiding the sites may have re-fitted their forms.
    for (const auto& [holder, bounds] : FSaved) holder->SetBoundsRect(bounds);
    FSaved.clear();
  }
}

void TZSEFormDockTargeting::SetTargetForm(TZSEBaseForm* Value) {
  if (Value == FTarget) return;
  if (FTarget) {
    Highlight(false);
    FTarget = nullptr;
    FSite = nullptr;
    FSites.clear();
  }
  if (!Value) return;
  FTarget = Value;
  if (TZSEManager* manager = TZSEManager::Instance()) manager->CollectDockSites(FForm, Value, FSites);
  Highlight(true);
}

void TZSEFormDockTargeting::Update(const TPoint& CursorScreen) {
  TZSEBaseForm* target = nullptr;
  if (TZSEManager* manager = TZSEManager::Instance())
    for (Integer i = 0; i < manager->GetFormCount() && !target; ++i) {
      TZSEBaseForm* f = manager->GetForm(i);
      if (f != FForm && !f->GetDocked() && f->GetVisible() && f->GetBoundsRect().Contains(CursorScreen)) target = f;
    }
  // Near the current target it stays: the pointer may cross the holder's transparent margin.
  if (!target && FTarget) {
    TRect near = FTarget->GetBoundsRect();
    const Integer d = MulDiv(100, GetSystemDPI(), 96);
    near.Inflate(d, d);
    if (near.Contains(CursorScreen)) target = FTarget;
  }
  SetTargetForm(target);
  FSite = nullptr;
  for (TZSELayoutDockSite* site : FSites)
    if (site->GetScreenBounds().Contains(CursorScreen)) {
      FSite = site;
      break;
    }
  if (!FSite && FSites.size() == 1) FSite = FSites.front();
}

// ---- movers -------------------------------------------------------------------------------------------------

TZSEFormDragger::TZSEFormDragger(TZSEBaseForm* AForm, const TPoint& PressPoint) : TZSEFormCustomDragger(AForm) {
  FGrabX = AForm->GetWidth() > 0 ? static_cast<float>(PressPoint.X) / AForm->GetWidth() : 0;
  FGrabY = AForm->GetHeight() > 0 ? static_cast<float>(PressPoint.Y) / AForm->GetHeight() : 0;
  FLastPoint = AForm->ClientToScreen(PressPoint);
  // A toolbar, minimized or maximized form first takes its normal size under the pointer, held at
  // the same relative point.
  if (AForm->GetPlacementKind() != fpkNormal) {
    const TRect normal = AForm->GetRestoredBounds();
    const TPoint grab(MulDiv(PressPoint.X, normal.Width(), std::max(1, AForm->GetWidth())),
                      MulDiv(PressPoint.Y, normal.Height(), std::max(1, AForm->GetHeight())));
    AForm->Restore(TPoint(FLastPoint.X - grab.X, FLastPoint.Y - grab.Y), nullptr);
  }
  FCursorPoint = FLastPoint;
  FGlued = new TZSEGluedForms();
  if (Application && Application->GetMainForm() == AForm) FGlued->Collect(AForm);
}

TZSEFormDragger::~TZSEFormDragger() { delete FGlued; }

void TZSEFormDragger::Move(const TPoint& CursorScreen) {
  FCursorPoint = CursorScreen;
  FTargeting.Update(CursorScreen);
  TPoint delta(CursorScreen.X - FLastPoint.X, CursorScreen.Y - FLastPoint.Y);
  if (EngineSnapEnabled) FGlued->SnapGroup(FForm, delta);
  FGlued->MoveGroup(FForm, delta);
  // The next delta is measured from where the grab point now is.
  FLastPoint = TPoint(FForm->GetLeft() + static_cast<Integer>(std::lround(FGrabX * FForm->GetWidth())),
                      FForm->GetTop() + static_cast<Integer>(std::lround(FGrabY * FForm->GetHeight())));
}

namespace {

// Docks Form at the toolbar edge under the cursor when one is allowed there.
bool DockAtToolbarEdge(TZSEBaseForm* Form, const TPoint& Cursor) {
  TZSEScreenEdgePlacement place;
  if (!TZSEToolbarHelper::GetEdgeAtPoint(Cursor, MulDiv(10, DpiOf(Form), 96), place) ||
      !(Form->GetToolBar()->GetAllowedEdges() & (1 << place.Edge)))
    return false;
  Form->DockToEdge(place.Edge, place.MonitorIndex);
  return true;
}

}  // namespace

void TZSEFormDragger::Finish() {
  if (DockAtToolbarEdge(FForm, FCursorPoint)) return;
  if (TZSELayoutDockSite* site = FTargeting.GetDockSite()) site->Dock(FForm);
}

TZSEFormDraggerDocked::TZSEFormDraggerDocked(TZSEBaseForm* AForm, const TPoint& PressPoint)
    : TZSEFormCustomDragger(AForm), FGrab(PressPoint) {
  FCursorPoint = AForm->ClientToScreen(PressPoint);
}

void TZSEFormDraggerDocked::Move(const TPoint& CursorScreen) {
  FCursorPoint = CursorScreen;
  FTargeting.Update(CursorScreen);
}

void TZSEFormDraggerDocked::Finish() {
  TZSELayoutDockSite* target = FTargeting.GetDockSite();
  TZSELayoutDockSite* own = nullptr;
  if (TZSEManager* manager = TZSEManager::Instance())
    for (TZSELayoutDockSite* site : manager->GetDockSites())
      if (site->GetDockedForm() == FForm) own = site;
  if (target && target == own) return;
  const TSize size(FForm->GetWidth(), FForm->GetHeight());
  if (target) {
    target->Dock(FForm);
    return;
  }
  if (own) own->Undock();
  FForm->SetBoundsRect(TRect(TPoint(FCursorPoint.X - FGrab.X, FCursorPoint.Y - FGrab.Y), size.cx, size.cy));
  DockAtToolbarEdge(FForm, FCursorPoint);
}

TZSEFormResizer::TZSEFormResizer(TZSEBaseForm* AForm, const TPoint& PressScreen, Byte Code)
    : FForm(AForm), FLastPoint(PressScreen), FCode(Code) {
  const TSizeConstraints* c = AForm->GetConstraints();
  FTracker = new TZSEResizeTracker(AForm->GetBoundsRect(), Code, ScaledMargins(AForm), TSize(c->GetMinWidth(), c->GetMinHeight()),
                                   TSize(c->GetMaxWidth(), c->GetMaxHeight()), MulDiv(SnapDistance, DpiOf(AForm), 96));
  if (!EngineSnapEnabled) return;
  // The work area at the press point, then the visible bodies of the other free forms.
  if (Screen)
    if (TMonitor* m = Screen->MonitorFromPoint(PressScreen)) {
      const TRect area = m->GetWorkareaRect();
      FTracker->HorizontalLines = {area.Top, area.Bottom};
      FTracker->VerticalLines = {area.Left, area.Right};
    }
  for (Integer i = 0; Screen && i < Screen->GetFormCount(); ++i) {
    auto* f = dynamic_cast<TZSEBaseForm*>(Screen->GetForms(i));
    if (!f || f == AForm || !f->GetVisible() || f->GetDocked()) continue;
    const TRect body = GetMagnetRect(f);
    FTracker->HorizontalLines.insert(FTracker->HorizontalLines.end(), {body.Top, body.Bottom});
    FTracker->VerticalLines.insert(FTracker->VerticalLines.end(), {body.Left, body.Right});
  }
}

TZSEFormResizer::~TZSEFormResizer() { delete FTracker; }

void TZSEFormResizer::Move(const TPoint& CursorScreen) {
  const TPoint applied = FTracker->Move(TPoint(CursorScreen.X - FLastPoint.X, CursorScreen.Y - FLastPoint.Y));
  // What was clamped or snapped away is measured again at the next move.
  FLastPoint = TPoint(FLastPoint.X + applied.X, FLastPoint.Y + applied.Y);
}

void TZSEFormResizer::Finish() { FForm->SetBoundsRect(FTracker->GetRect()); }
