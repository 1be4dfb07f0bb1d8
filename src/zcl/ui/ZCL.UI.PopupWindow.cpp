#include "zcl/ui/ZCL.UI.PopupWindow.h"

#include <algorithm>

#include "os/OS.Input.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.ObjectLinks.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zcl/ui/ZCL.Utils.Desktop.h"

bool SetWindowCornerPreference(HWND, TZCLWindowCornerPreference) {
  // No compositor attribute for window corners here: reported as a failed call.
  return false;
}

TZCLPopupWindow::TZCLPopupWindow(TComponent* AOwner) : TZCLBasicForm(AOwner) {
  SetDoubleBuffered(true);
  SetVisible(false);
  SetBorderStyle(bsNone);
  SetDefaultMonitor(dmDesktop);
  SetPosition(poDesigned);
  SetScaled(false);
  if (auto* owner = dynamic_cast<TWinControl*>(AOwner))
    if (TCustomForm* form = GetParentForm(owner, true); form && form != this) SetPopupParent(form);
}

TZCLPopupWindow::~TZCLPopupWindow() = default;

void TZCLPopupWindow::AfterConstruction() {
  inherited::AfterConstruction();
  ScaleToOwner();
}

void TZCLPopupWindow::BeforeDestruction() {
  TZCLMainThread::RemoveQueuedFor(this);
  TZCLObjectLinks::Release(this);
  inherited::BeforeDestruction();
}

void TZCLPopupWindow::ScaleToOwner() {
  const Integer dpi = GetComponentDPI(GetOwner());
  if (dpi == 0 || dpi == GetCurrentPPI()) return;
  // Scaled is off for the monitor; the owner's DPI is applied explicitly.
  SetScaled(true);
  try {
    ScaleForPPIRect(dpi, nullptr);
  } catch (...) {
    SetScaled(false);
    throw;
  }
  SetScaled(false);
  if (auto* owner = dynamic_cast<TControl*>(GetOwner())) {
    GetFont()->Assign(owner->GetFont());
    if (owner->GetCurrentPPI() != GetCurrentPPI())
      GetFont()->SetHeight(MulDiv(owner->GetFont()->GetHeight(), GetCurrentPPI(), owner->GetCurrentPPI()));
  }
}

void TZCLPopupWindow::DoPopup() {
  if (OnPopup) OnPopup(this);
}

void TZCLPopupWindow::DoPopupClosed() {
  if (OnPopupClosed) OnPopupClosed(this);
}

void TZCLPopupWindow::ClosePopup() {
  if (!GetVisible()) return;
  try {
    SetVisible(false);
    if (FMenuLoopWindow && IsWindow(FMenuLoopWindow)) SendMessage(FMenuLoopWindow, WM_EXITMENULOOP, 0, 0);
    FMenuLoopWindow = nullptr;
  } catch (...) {
    DoPopupClosed();
    throw;
  }
  DoPopupClosed();
}

void TZCLPopupWindow::QueuedClose() { ClosePopup(); }

bool TZCLPopupWindow::IsCursorInside() {
  TPoint p;
  GetCursorPos(p);
  return TRect(0, 0, GetWidth(), GetHeight()).Contains(ScreenToClient(p));
}

void TZCLPopupWindow::Prepare() {
  // Ends any capture or drag that the owner still runs.
  if (GetCapture()) ReleaseCapture();
  ScaleToOwner();
  DoPopup();
  if (GetAutoSize()) HandleNeeded();
  AdjustSize();
}

TRect TZCLPopupWindow::LimitSize(const TRect& Rect) {
  Integer width = Rect.Width(), height = Rect.Height();
  TSizeConstraints* c = GetConstraints();
  height = std::max(height, c->GetMinHeight());
  width = std::max(width, c->GetMinWidth());
  if (GetAutoSize()) {
    height = std::max(height, GetHeight());
    width = std::max(width, GetWidth());
  }
  if (c->GetMaxWidth() > 0) width = std::min(width, c->GetMaxWidth());
  if (c->GetMaxHeight() > 0) height = std::min(height, c->GetMaxHeight());
  return TRect(Rect.Left, Rect.Top, Rect.Left + width, Rect.Top + height);
}

void TZCLPopupWindow::PopupAt(const TRect& Rect) {
  Prepare();
  ShowAt(MoveRectIntoMonitor(LimitSize(Rect)));
}

void TZCLPopupWindow::PopupUnderControl(const TRect& ControlRect, Integer Alignment) {
  Prepare();
  TRect r = LimitSize(TRect(0, 0, ControlRect.Width(), GetHeight()));
  const Integer width = r.Width(), height = r.Height();
  Integer left = ControlRect.Left;
  if (Alignment == 1)
    left = ControlRect.Right - width;
  else if (Alignment == 2)
    left = (ControlRect.Left + ControlRect.Right - width) / 2;
  r = TRect(left, ControlRect.Bottom + 2, left + width, ControlRect.Bottom + 2 + height);
  const TRect area = GetWorkAreaAtPoint(TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
  if (r.Bottom > area.Bottom) {
    // No room below: above the control, shortened to the work area's top.
    r.Offset(0, -(height + ControlRect.Height() + 4));
    if (r.Top < area.Top) r.Top = area.Top;
  }
  if (r.Right > area.Right) r.Offset(area.Right - r.Right, 0);
  if (r.Left < area.Left) r.Offset(area.Left - r.Left, 0);
  ShowAt(r);
}

void TZCLPopupWindow::ShowAt(const TRect& Rect) {
  FShowingPopup = true;
  try {
    SetBoundsRect(Rect);
    if (Screen && Screen->GetActiveForm() && Screen->GetActiveForm() != this &&
        Screen->GetActiveForm()->HandleAllocated()) {
      FMenuLoopWindow = Screen->GetActiveForm()->GetHandle();
      SendMessage(FMenuLoopWindow, WM_ENTERMENULOOP, 0, 0);
    }
    SetVisible(true);
  } catch (...) {
    FShowingPopup = false;
    throw;
  }
  FShowingPopup = false;
}

void TZCLPopupWindow::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.WindowClass.style |= CS_DROPSHADOW | CS_HREDRAW | CS_VREDRAW;
}

void TZCLPopupWindow::WndProc(TMessage& Message) {
  const bool visible = GetVisible();
  switch (Message.Msg) {
    case WM_ACTIVATE:
      if (visible) {
        if (LOWORD(Message.WParam) != WA_INACTIVE) {
          // The window giving the activation keeps its active caption.
          if (HWND other = reinterpret_cast<HWND>(Message.LParam)) SendMessage(other, WM_NCACTIVATE, 1, 0);
        } else if (!GetComponentState().Contains(csDestroying)) {
          // A window going away must leave no queued call behind.
          TZCLMainThread::Queue(TThreadMethod(this, &TZCLPopupWindow::QueuedClose), this);
        }
      }
      break;
    case WM_ACTIVATEAPP:
      if (!FShowingPopup && Message.WParam == 0) ClosePopup();
      break;
    case WM_CONTEXTMENU:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case CM_MOUSEWHEEL:
      Message.Result = 0;
      return;
    case WM_GETDLGCODE:
      Message.Result = 0x87;
      return;
    case WM_KEYDOWN:
    case CM_DIALOGKEY:
    case CM_WANTSPECIALKEY:
      if (Message.WParam == VK_ESCAPE && visible) {
        ClosePopup();
        Message.WParam = 0;
        Message.Result = 1;
        return;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (!IsCursorInside()) {
        ClosePopup();
        return;
      }
      break;
    case CM_CANCELMODE:
      if (visible && !FShowingPopup) {
        auto* from = reinterpret_cast<TControl*>(Message.LParam);
        if (!from || !ContainsControl(from)) ClosePopup();
      }
      break;
    default:
      break;
  }
  inherited::WndProc(Message);
}
