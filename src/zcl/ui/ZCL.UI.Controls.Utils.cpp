#include "zcl/ui/ZCL.UI.Controls.Utils.h"

#include <algorithm>
#include <cstdlib>

#include "os/OS.Gdi.h"
#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

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

// ---- keyboard and mouse -----------------------------------------------------------------------

namespace {
bool Pressed(int Key) { return GetKeyState(Key) < 0; }
}  // namespace

TShiftState GetShiftStateFromKeyboard() {
  TShiftState shift;
  if (Pressed(VK_SHIFT)) shift.Include(ssShift);
  if (Pressed(VK_CONTROL)) shift.Include(ssCtrl);
  if (Pressed(VK_MENU)) shift.Include(ssAlt);
  if (Pressed(VK_LBUTTON)) shift.Include(ssLeft);
  if (Pressed(VK_MBUTTON)) shift.Include(ssMiddle);
  if (Pressed(VK_RBUTTON)) shift.Include(ssRight);
  return shift;
}

bool IsAltPressed() { return Pressed(VK_MENU); }
bool IsCtrlPressed() { return Pressed(VK_CONTROL); }

WPARAM ShiftStateToKeys(TShiftState Shift) {
  WPARAM keys = 0;
  if (Shift.Contains(ssShift)) keys |= MK_SHIFT;
  if (Shift.Contains(ssCtrl)) keys |= MK_CONTROL;
  if (Shift.Contains(ssLeft)) keys |= MK_LBUTTON;
  if (Shift.Contains(ssRight)) keys |= MK_RBUTTON;
  if (Shift.Contains(ssMiddle)) keys |= MK_MBUTTON;
  return keys;
}

Byte PercentToAlpha(Integer Percent) { return static_cast<Byte>(MulDiv(240, Percent, 100) + 15); }

bool IsDropDownKey(Word Key, TShiftState Shift) {
  const bool shift = Shift.Contains(ssShift), alt = Shift.Contains(ssAlt), ctrl = Shift.Contains(ssCtrl);
  if (Key == VK_F4) return !shift && !alt && !ctrl;
  if (Key == VK_DOWN) return alt && !shift && !ctrl;
  return false;
}

bool ShiftStateMatches(TShiftState Required, TShiftState Actual) {
  for (TShiftStateItem item : {ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble})
    if (Required.Contains(item) && !Actual.Contains(item)) return false;
  for (TShiftStateItem item : {ssShift, ssAlt, ssCtrl})
    if (Actual.Contains(item) && !Required.Contains(item)) return false;
  return true;
}

Integer GetDragThreshold(Integer DPI) {
  const Integer threshold = GetSystemMetricsForDpi(SM_CXDRAG, USER_DEFAULT_SCREEN_DPI);
  return ScaleByDPI(threshold > 0 ? threshold : 5, DPI > 0 ? DPI : GetSystemDPI());
}

bool IsDragThresholdExceeded(Integer DX, Integer DY, Integer DPI) {
  return std::max(std::abs(DX), std::abs(DY)) >= GetDragThreshold(DPI);
}

bool PointDistance(const TPoint& P1, const TPoint& P2, Integer DPI) {
  return IsDragThresholdExceeded(P2.X - P1.X, P2.Y - P1.Y, DPI);
}

bool CheckStartDrag(TWinControl* Control, Integer X, Integer Y) {
  if (!Control) return false;
  Integer dpi = GetComponentDPI(Control);
  if (dpi == 0) dpi = GetSystemDPI();
  const Integer threshold = GetDragThreshold(dpi);
  const TRect square = Control->ClientToScreen(TRect(X - threshold, Y - threshold, X + threshold, Y + threshold));
  HWND window = Control->GetHandle();
  SetCapture(window);
  MSG msg;
  while (IsWindow(window) && GetCapture() == window) {
    if (!PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
      WaitMessage();
      continue;
    }
    switch (msg.message) {
      case WM_MOUSEMOVE: {
        TPoint p(static_cast<int16_t>(LOWORD(msg.lParam)), static_cast<int16_t>(HIWORD(msg.lParam)));
        ClientToScreen(msg.hwnd, p);
        if (!square.Contains(p)) {
          ReleaseCapture();
          return true;
        }
        break;
      }
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
      case WM_MOUSEWHEEL:
      case WM_MOUSEHWHEEL:
        ReleaseCapture();
        return false;
      case WM_QUIT:
        PostQuitMessage(static_cast<int>(msg.wParam));
        return false;
      default:
        TranslateMessage(msg);
        DispatchMessage(msg);
        break;
    }
  }
  return false;
}

Integer GetRectWidthWithIndent(const TRect& Rect, Integer DPI) {
  const Integer width = Rect.Width();
  return width <= 0 ? width : width + ScaleByDPI(5, DPI);
}

bool IsChildOrSelf(TControl* Control, TControl* Candidate) {
  for (TControl* c = Control; c; c = c->GetParent())
    if (c == Candidate) return true;
  return false;
}

// ---- focus and windows ------------------------------------------------------------------------

bool FocusWindow(HWND Window) {
  if (!Window || !IsWindow(Window)) return false;
  DWORD process = 0, own = 0;
  GetWindowThreadProcessId(Window, &process);
  GetWindowThreadProcessId(GetDesktopWindow(), &own);
  if (FindControl(Window) || process == own || process == 0)
    SetFocus(Window);
  else
    SetForegroundWindow(Window);
  return true;
}

HWND GetFocusedWindow() {
  HWND window = GetFocus();
  if (!window) window = GetForegroundWindow();
  IPtr<IZCLInnerControl> inner;
  if (TWinControl* control = window ? FindControl(window) : nullptr; control && Supports(control, inner))
    if (TWinControl* target = inner->GetInnerControl(); target && target->HandleAllocated()) return target->GetHandle();
  return window;
}

TPoint MapPointBetweenControls(TWinControl* From, TWinControl* To, const TPoint& Point) {
  TPoint p = Point;
  MapWindowPoints(From ? From->GetHandle() : nullptr, To ? To->GetHandle() : nullptr, &p, 1);
  return p;
}

TRect MapRectBetweenControls(TWinControl* From, TWinControl* To, const TRect& Rect) {
  TRect r = Rect;
  MapWindowPoints(From ? From->GetHandle() : nullptr, To ? To->GetHandle() : nullptr, r);
  return r;
}

int CanvasSaveDC(TCanvas* Canvas) { return SaveDC(Canvas->GetHandle()); }

void CanvasRestoreDC(TCanvas* Canvas, int Saved) { RestoreDC(Canvas->GetHandle(), Saved); }

void InvalidateWindowRect(TWinControl* Control, const TRect& Rect, bool Erase) {
  if (Control && Control->HandleAllocated()) InvalidateRect(Control->GetHandle(), &Rect, Erase ? 1 : 0);
}

TControl* CreateControl(TClass ControlClass, TWinControl* Parent, const TRect& Bounds, TAlign Align, TAnchors Anchors) {
  auto* control = ControlClass->Create<TControl>(static_cast<TComponent*>(Parent));
  control->SetParent(Parent);
  control->SetBoundsRect(Bounds);
  control->SetAlign(Align);
  if (Align == alNone) control->SetAnchors(Anchors);
  return control;
}

// ---- navigation -------------------------------------------------------------------------------

Integer CalcPageTarget(Integer Current, Integer FirstVisible, Integer LastVisible, bool Forward) {
  if (FirstVisible < 0 || LastVisible < 0) return Current;
  const Integer page = LastVisible - FirstVisible;
  if (Forward) return Current != LastVisible ? LastVisible : Current + page;
  return Current != FirstVisible ? FirstVisible : Current - page;
}

namespace {
Integer ScrollAxis(Integer A, Integer B, Integer C, Integer D, Integer Mode) {
  switch (Mode) {
    case 1:
      return A - C;
    case 2:
      return B - A < D - C ? (A + B) / 2 - (C + D) / 2 : A - C;
    default:
      if (A < C) return A - C;
      if (B <= D) return 0;
      return std::min(B - D, A - C);
  }
}
}  // namespace

TPoint CalcScrollDelta(const TRect& ItemRect, const TRect& ViewRect, Integer Mode) {
  return TPoint(ScrollAxis(ItemRect.Left, ItemRect.Right, ViewRect.Left, ViewRect.Right, Mode),
                ScrollAxis(ItemRect.Top, ItemRect.Bottom, ViewRect.Top, ViewRect.Bottom, Mode));
}

TCheckBoxState BooleanToCheckState(TZCLBoolean Value) {
  switch (Value) {
    case TZCLBoolean::False:
      return cbUnchecked;
    case TZCLBoolean::True:
      return cbChecked;
    default:
      return cbGrayed;
  }
}

TZCLBoolean CheckStateToBoolean(TCheckBoxState Value) {
  switch (Value) {
    case cbUnchecked:
      return TZCLBoolean::False;
    case cbChecked:
      return TZCLBoolean::True;
    default:
      return TZCLBoolean::Default;
  }
}

TCheckBoxState CheckStateFromFlags(bool Checked, bool Mixed) {
  if (Checked && Mixed) return cbGrayed;
  return Checked ? cbChecked : cbUnchecked;
}

// ---- sub-control options ----------------------------------------------------------------------

namespace {
// Reaches the protected steps of a control's own layout.
class TControlAccess : public TControl {
 public:
  static void CallResize(TControl* C) { (C->*&TControlAccess::Resize)(); }
};

const String SubControlError = u"The control cannot be set as sub-control";
}  // namespace

TZCLSubControlOptions::TZCLSubControlOptions(TControl* AOwner) : FOwner(AOwner) {}

TZCLSubControlOptions::~TZCLSubControlOptions() {
  TZCLMainThread::RemoveQueuedFor(this);
  Detach();
  Free(FWatcher);
}

void TZCLSubControlOptions::DeclareProperties(TClassDeclaration<TZCLSubControlOptions>& D) {
  D.Property(u"Control", &TZCLSubControlOptions::GetControl, &TZCLSubControlOptions::SetControl);
  D.Property(u"Position", &TZCLSubControlOptions::GetPosition, &TZCLSubControlOptions::SetPosition).Default(mRight);
  D.Property(u"Align", &TZCLSubControlOptions::GetAlign, &TZCLSubControlOptions::SetAlign)
      .Default(TZCLBoolean::Default);
}

void TZCLSubControlOptions::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TZCLSubControlOptions*>(Source)) {
    SetControl(source->FControl);
    SetPosition(source->FPosition);
    SetAlign(source->FAlign);
    return;
  }
  inherited::Assign(Source);
}

void TZCLSubControlOptions::Detach() {
  TControl* old = FControl;
  if (!old) return;
  FControl = nullptr;
  if (FWatcher) old->RemoveFreeNotification(FWatcher);
  old->WindowProc = FPreviousWindowProc;
  FPreviousWindowProc = nullptr;
  FLastAutoSize = TSize(-1, -1);
}

void TZCLSubControlOptions::SetControl(TControl* Value) {
  if (Value == FControl) return;
  if (Value && IsChildOrSelf(FOwner, Value)) throw EInvalidArgument(SubControlError);
  Detach();
  if (Value) {
    FControl = Value;
    FPreviousWindowProc = Value->WindowProc;
    if (Value->GetParent() != FOwner->GetParent()) Value->SetParent(FOwner->GetParent());
    if (!Validate()) {
      FControl = nullptr;
      FPreviousWindowProc = nullptr;
      throw EInvalidArgument(SubControlError);
    }
    Value->WindowProc = TWndMethod(this, &TZCLSubControlOptions::GluedWindowProc);
    if (!FWatcher) {
      auto* watcher = Create<TZCLComponentFreeNotifier>(static_cast<TComponent*>(nullptr));
      watcher->OnFreeNotification = TZCLFreeNotificationEvent(
          this, +[](TZCLSubControlOptions* Self, TObject*, TComponent* Component) {
            Self->Notification(Component, opRemove);
          });
      FWatcher = watcher;
    }
    Value->FreeNotification(FWatcher);
    Value->BringToFront();
    UpdateVisibility();
  }
  AlignChanged();
}

void TZCLSubControlOptions::SetPosition(TZCLBorder Value) {
  if (FPosition == Value) return;
  FPosition = Value;
  if (FControl) AlignChanged();
}

void TZCLSubControlOptions::SetAlign(TZCLBoolean Value) {
  if (FAlign == Value) return;
  FAlign = Value;
  if (FControl) AlignChanged();
}

bool TZCLSubControlOptions::Validate() {
  if (!FControl) return false;
  if (FControl->GetParent() != FOwner->GetParent()) {
    Detach();
    return false;
  }
  if (FControl->GetAlign() != alNone) FControl->SetAlign(alNone);
  FControl->SetAlignWithMargins(false);
  return true;
}

Integer TZCLSubControlOptions::GetIndent() const {
  Integer dpi = GetComponentDPI(FOwner);
  if (dpi == 0) dpi = GetSystemDPI();
  return ScaleByDPI(FPosition == mLeft || FPosition == mRight ? 5 : 2, dpi);
}

void TZCLSubControlOptions::AlignChanged() {
  if (FOwner->GetComponentState().Contains(csDestroying)) return;
  FOwner->AdjustSize();
  TControlAccess::CallResize(FOwner);
  FOwner->Invalidate();
}

void TZCLSubControlOptions::QueuedAlignChanged() { AlignChanged(); }

void TZCLSubControlOptions::QueueAlignChanged() {
  TZCLMainThread::Queue(TThreadMethod(this, &TZCLSubControlOptions::QueuedAlignChanged), this);
}

void TZCLSubControlOptions::GluedWindowProc(TMessage& Message) {
  if (Message.Msg == WM_WINDOWPOSCHANGED && !FPlacing) {
    const auto* pos = reinterpret_cast<const WINDOWPOS*>(Message.LParam);
    if (!pos || (pos->flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) QueueAlignChanged();
  }
  if (FPreviousWindowProc) FPreviousWindowProc(Message);
}

void TZCLSubControlOptions::Align(TRect& OwnerRect) {
  if (!Validate()) return;
  TRect owner = OwnerRect;
  owner.Offset(FOwner->GetLeft(), FOwner->GetTop());
  const bool fill = FAlign == TZCLBoolean::True;
  const Integer indent = GetIndent();
  const Integer w = FControl->GetWidth(), h = FControl->GetHeight();
  TRect glued;
  switch (FPosition) {
    case mLeft:
      glued = TRect(owner.Left, owner.Top, owner.Left + w, owner.Bottom);
      if (!fill) RectCenterVert(glued, h);
      OwnerRect.Left += indent + w;
      break;
    case mTop:
      glued = TRect(owner.Left, owner.Top, fill ? owner.Right : owner.Left + w, owner.Top + h);
      OwnerRect.Top += indent + h;
      break;
    case mRight:
      glued = RectSplit(owner, 1, w);
      if (!fill) RectCenterVert(glued, h);
      OwnerRect.Right -= indent + w;
      break;
    case mBottom:
      glued = RectSplit(owner, 3, h);
      if (!fill) glued.Right = glued.Left + w;
      OwnerRect.Bottom -= indent + h;
      break;
  }
  if (FControl->GetAutoSize()) {
    Integer nw = glued.Width(), nh = glued.Height();
    if (FControl->CanAutoSize(nw, nh) && TSize(nw, nh) != FLastAutoSize) {
      FLastAutoSize = TSize(nw, nh);
      glued.Right = glued.Left + nw;
      glued.Bottom = glued.Top + nh;
      QueueAlignChanged();
    }
  }
  FPlacing = true;
  TControlState state = FControl->GetControlState();
  const bool wasAligning = state.Contains(csAligning);
  state.Include(csAligning);
  FControl->SetControlState(state);
  try {
    FControl->SetBoundsRect(glued);
  } catch (...) {
    FPlacing = false;
    throw;
  }
  if (!wasAligning) {
    state = FControl->GetControlState();
    state.Exclude(csAligning);
    FControl->SetControlState(state);
  }
  FPlacing = false;
}

void TZCLSubControlOptions::UpdateVisibility() {
  if (FControl) FControl->SetVisible(FOwner->GetVisible());
}

void TZCLSubControlOptions::AddToOwnerSize(Integer& Width, Integer& Height) {
  if (!Validate()) return;
  const Integer indent = GetIndent();
  if (FPosition == mLeft || FPosition == mRight) {
    Height = std::max(Height, FControl->GetHeight());
    Width += indent + FControl->GetWidth();
  } else {
    Width = std::max(Width, FControl->GetWidth());
    Height += indent + FControl->GetHeight();
  }
}

void TZCLSubControlOptions::SubtractFromOwnerSize(Integer& Width, Integer& Height) {
  if (!Validate()) return;
  const Integer indent = GetIndent();
  if (FPosition == mLeft || FPosition == mRight)
    Width -= indent + FControl->GetWidth();
  else
    Height -= indent + FControl->GetHeight();
}

void TZCLSubControlOptions::FocusControl() {
  if (auto* windowed = dynamic_cast<TWinControl*>(FControl); windowed && windowed->CanFocus()) windowed->SetFocus();
}

void TZCLSubControlOptions::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent == FControl) {
    FControl = nullptr;  // going away: its window procedure goes with it
    FPreviousWindowProc = nullptr;
    FLastAutoSize = TSize(-1, -1);
    AlignChanged();
  }
}

TZCLSubControlOptions* GetSubControlOptions(TControl* Control) {
  if (!Control) return nullptr;
  PPropInfo info = GetPropInfo(Control, u"SubControl");
  if (!info || !info->PropType || info->PropType->Kind != tkClass) return nullptr;
  return dynamic_cast<TZCLSubControlOptions*>(GetObjectProp(Control, info));
}

// ---- deferred placement -----------------------------------------------------------------------

void TZCLDeferPlacementUpdate::Add(TControl* Control, const TRect& Bounds) {
  if (!Control) return;
  if (FEntries.find(Control) == FEntries.end()) FOrder.push_back(Control);
  FEntries[Control] = Bounds;
}

TRect TZCLDeferPlacementUpdate::GetBounds(TControl* Control) const {
  auto it = FEntries.find(Control);
  return it != FEntries.end() ? it->second : (Control ? Control->GetBoundsRect() : TRect());
}

void TZCLDeferPlacementUpdate::Apply() {
  if (FOrder.empty()) return;
  std::vector<TWinControl*> windows;
  std::vector<TControl*> others;
  for (TControl* c : FOrder) {
    if (c->GetBoundsRect() == FEntries[c]) continue;
    auto* windowed = dynamic_cast<TWinControl*>(c);
    if (windowed && windowed->HandleAllocated())
      windows.push_back(windowed);
    else
      others.push_back(c);
  }
  if (!windows.empty()) {
    HDWP batch = BeginDeferWindowPos(static_cast<int>(windows.size()));
    try {
      for (TWinControl* w : windows) {
        const TRect& r = FEntries[w];
        if (batch)
          batch = DeferWindowPos(batch, w->GetHandle(), nullptr, r.Left, r.Top, r.Width(), r.Height(),
                                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
      }
    } catch (...) {
      EndDeferWindowPos(batch);
      throw;
    }
    EndDeferWindowPos(batch);
  }
  for (TControl* c : others) c->SetBoundsRect(FEntries[c]);
}

void RegisterControlUtilsClasses() { RegisterProperties<TZCLSubControlOptions>(); }
