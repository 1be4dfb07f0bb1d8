#include "zse/engine/ZSE.Forms.Input.h"

#include <algorithm>
#include <cstdlib>

#include "rtl/RTL.Numbers.h"
#include "zse/engine/ZSE.Forms.h"

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
  const TRect m = GetMagnetRectOffsets();
  TZSESizingBorder b;
  b.Client = GetClientRect();
  b.MagnetMargins = TRect(MulDiv(m.Left, dpi, 96), MulDiv(m.Top, dpi, 96), MulDiv(m.Right, dpi, 96), MulDiv(m.Bottom, dpi, 96));
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
