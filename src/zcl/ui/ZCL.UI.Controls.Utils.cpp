#include "zcl/ui/ZCL.UI.Controls.Utils.h"

#include "os/OS.Gdi.h"

bool SafeSetFocus(TWinControl* Control) {
  try {
    if (!Control || !Control->CanFocus()) return false;
    Control->SetFocus();
    return true;
  } catch (...) {
    return false;
  }
}

namespace {
// The control whose background is being painted: a parent that paints its windowless children
// would otherwise paint the control again, which would ask for its background again.
TControl* GBackgroundOf = nullptr;

void PaintInto(TWinControl* Control, HDC DC) {
  TControlState state = Control->GetControlState();
  const bool hadCopy = state.Contains(csPaintCopy);
  state.Include(csPaintCopy);
  Control->SetControlState(state);
  try {
    Control->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), reinterpret_cast<LPARAM>(DC));
    Control->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
  } catch (...) {
  }
  if (!hadCopy) {
    state = Control->GetControlState();
    state.Exclude(csPaintCopy);
    Control->SetControlState(state);
  }
}
}  // namespace

void DrawParentBackground(TControl* Control, HDC DC, const TRect& Rect) {
  if (!Control || !DC || GBackgroundOf == Control) return;
  TWinControl* parent = Control->GetParent();
  if (!parent)
    if (auto* windowed = dynamic_cast<TWinControl*>(Control); windowed && windowed->GetParentWindow())
      parent = FindControl(windowed->GetParentWindow());
  if (!parent) return;
  TControl* outer = GBackgroundOf;
  GBackgroundOf = Control;
  const int saved = SaveDC(DC);
  IntersectClipRect(DC, Rect.Left, Rect.Top, Rect.Right, Rect.Bottom);
  TRect inParent = Rect;
  const bool placed = Control->GetParent() == parent;
  const TPoint offset = placed ? TPoint(Control->GetLeft(), Control->GetTop()) : TPoint(0, 0);
  inParent.Offset(offset.X, offset.Y);
  OffsetWindowOrgEx(DC, offset.X, offset.Y, nullptr);
  if (parent->HandleAllocated() && IsWindowVisible(parent->GetHandle())) PaintInto(parent, DC);
  if (placed) {
    for (TControl* sibling : parent->GetControls()) {
      if (sibling == Control) break;
      auto* windowed = dynamic_cast<TWinControl*>(sibling);
      if (!windowed || !windowed->GetVisible() || !windowed->GetBoundsRect().IntersectsWith(inParent)) continue;
      const TRect clip = windowed->GetBoundsRect();
      if (!RectVisible(DC, &clip)) continue;
      // The window origin already stands at the parent's client origin.
      windowed->PaintTo(DC, sibling->GetLeft(), sibling->GetTop());
    }
  }
  RestoreDC(DC, saved);
  GBackgroundOf = outer;
}
