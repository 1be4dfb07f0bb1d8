// The window side of the skin form base: the render buffer that the form paints into, how it
// reaches the screen (a layered window with per-pixel alpha, or a window shaped by a region built
// from the image's alpha) and the window messages a skin window answers itself.
#include <algorithm>
#include <vector>

#include "os/OS.Gdi.h"
#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "os/OS.Regions.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Threads.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zse/engine/ZSE.Forms.h"
#include "zse/engine/ZSE.Manager.h"
#include "zse/engine/ZSE.RenderBuffer.h"

namespace {
// Larger windows are cut to this in each dimension, and so is the buffer.
constexpr Integer MaxWindowSize = 8200;
}  // namespace

HRGN ZSECreateRegionFromAlpha(const TZCLDib* Image, Byte Threshold) {
  std::vector<TRect> runs;
  if (Image && !Image->Empty()) {
    Image->BeginAccess();
    const Integer w = Image->GetWidth(), h = Image->GetHeight();
    const TZCLPixel32* row = Image->GetColors();
    for (Integer y = 0; y < h; ++y, row += w) {
      Integer start = -1;
      for (Integer x = 0; x < w; ++x) {
        const bool inside = row[x].A >= Threshold;
        if (inside && start < 0) start = x;
        if (!inside && start >= 0) {
          runs.emplace_back(start, y, x, y + 1);
          start = -1;
        }
      }
      if (start >= 0) runs.emplace_back(start, y, w, y + 1);
    }
  }
  if (runs.empty()) return CreateRectRgn(0, 0, 1, 1);
  // One region from all runs at once: the same set as OR-ing them one by one, without the
  // quadratic cost of growing a region a rectangle at a time.
  TZCLRegionData data(static_cast<Integer>(runs.size()));
  std::copy(runs.begin(), runs.end(), data.GetRects());
  TRect bounds = runs.front();
  for (const TRect& r : runs) bounds = TRect(std::min(bounds.Left, r.Left), bounds.Top, std::max(bounds.Right, r.Right), r.Bottom);
  return data.CreateRegion(bounds);
}

// The switch lives in the skin manager, which holds the engine-wide settings.
bool TZSEBaseForm::GetUseLayeredWindows() { return SkinManager()->GetUseLayeredWindows(); }

void TZSEBaseForm::SetUseLayeredWindows(bool Value) { SkinManager()->SetUseLayeredWindows(Value); }

bool TZSEBaseForm::UseLayeredWindow() { return GetUseLayeredWindows() && !GetParent() && !GetParentWindow(); }

void TZSEBaseForm::SetAlphaValue(Byte Value) {
  if (Value == FAlphaValue) return;
  FAlphaValue = Value;
  if (Screen)
    for (Integer i = 0; i < Screen->GetFormCount(); ++i)
      if (auto* f = dynamic_cast<TZSEBaseForm*>(Screen->GetForms(i)); f && f->FMasterForm == this) f->SetAlphaValue(Value);
  FPresented = false;
  InvalidateContent();
}

void TZSEBaseForm::SetSlideOffset(const TPoint& Value) {
  if (Value == FSlideOffset) return;
  FSlideOffset = Value;
  UpdateContent(true);
}

bool TZSEBaseForm::CanPaint() { return !FLoading && !GetComponentState().Contains(csDestroying); }

void TZSEBaseForm::UpdateAppBar() {
  if (FAppBarPositioning) return;
  const bool wanted = FToolBar->GetDocked() && FToolBar->GetPinMode() == 1 && HandleAllocated() && GetVisible() &&
                      !GetParent() && !FLoading && !GetComponentState().Contains(csDestroying);
  if (!HandleAllocated()) {
    FAppBarRegistered = false;
    return;
  }
  APPBARDATA data;
  data.hWnd = GetHandle();
  if (wanted != FAppBarRegistered) {
    FAppBarRect = TRect();
    if (wanted) {
      FAppBarRegistered = SHAppBarMessage(ABM_NEW, data) != 0;
    } else {
      SHAppBarMessage(ABM_REMOVE, data);
      FAppBarRegistered = false;
    }
  }
  if (!FAppBarRegistered) return;
  // Toolbar edges are left, right, top, bottom; the shell numbers them left, top, right, bottom.
  static constexpr UINT ShellEdge[4] = {ABE_LEFT, ABE_RIGHT, ABE_TOP, ABE_BOTTOM};
  const TRect m = GetMagnetMargins();
  TRect bar = FToolBar->CalculateRect(TSize(GetWidth(), GetHeight()));
  bar.Inflate(-m.Left, -m.Top, -m.Right, -m.Bottom);
  data.uEdge = ShellEdge[std::clamp(FToolBar->GetEdge(), 0, 3)];
  data.rc = bar;
  SHAppBarMessage(ABM_SETPOS, data);
  FAppBarRect = data.rc;
  FAppBarPositioning = true;
  try {
    TRect r = FAppBarRect;
    r.Inflate(m.Left, m.Top, m.Right, m.Bottom);
    SetBoundsRect(r);
  } catch (...) {
    FAppBarPositioning = false;
    throw;
  }
  FAppBarPositioning = false;
}

// ---- keyboard snapping

void TZSEKeyboardSnapHelper::Initialize() {
  if (!FHook) FHook = SetWindowsHookEx(WH_KEYBOARD, HookProc, nullptr, static_cast<DWORD>(GetCurrentThreadId()));
}

void TZSEKeyboardSnapHelper::Finalize() {
  if (FHook) UnhookWindowsHookEx(FHook);
  FHook = nullptr;
  FForm = nullptr;
  FWorkAreas.clear();
}

LRESULT TZSEKeyboardSnapHelper::HookProc(int Code, WPARAM WParam, LPARAM LParam) {
  if (Code == HC_ACTION && WParam == VK_LWIN) {
    if (LParam & (LPARAM(1) << 31)) {
      if (TZSEBaseForm* form = FForm) {
        FForm = nullptr;
        form->EndSystemMove();
      }
    } else if (!(LParam & (LPARAM(1) << 30)) && !FForm) {
      // A repeat of the held key keeps the move going: only a fresh press begins one.
      TWinControl* control = FindControl(GetActiveWindow());
      if (auto* form = dynamic_cast<TZSEBaseForm*>(control ? GetParentForm(control, true) : nullptr)) {
        FWorkAreas.clear();
        if (Screen)
          for (Integer i = 0; i < Screen->GetMonitorCount(); ++i)
            FWorkAreas.push_back(Screen->GetMonitors(i)->GetWorkareaRect());
        FForm = form;
        form->FSystemMove = true;
      }
    }
  }
  return CallNextHookEx(FHook, Code, WParam, LParam);
}

bool TZSEKeyboardSnapHelper::Match(const TRect& Rect, Integer& Edge, Integer& Monitor) {
  for (size_t i = 0; i < FWorkAreas.size(); ++i) {
    const TRect& area = FWorkAreas[i];
    if (area.Top != Rect.Top || area.Bottom != Rect.Bottom) continue;
    if (area.Left == Rect.Left || area.Right == Rect.Right) {
      Edge = area.Left == Rect.Left ? 0 : 1;
      Monitor = static_cast<Integer>(i);
      return true;
    }
  }
  return false;
}

void TZSEKeyboardSnapHelper::Forget(TZSEBaseForm* Form) {
  if (FForm == Form) FForm = nullptr;
}

void TZSEBaseForm::EndSystemMove() {
  if (!FSystemMove) return;
  FSystemMove = false;
  if (FToolBar->FDocked) {
    SetBoundsRect(FToolBar->CalculateRect(TSize(GetWidth(), GetHeight())));
    UpdateAppBar();
  }
}

void TZSEBaseForm::SystemMoveChanging(WINDOWPOS& Pos) {
  if ((Pos.flags & SWP_NOMOVE) && (Pos.flags & SWP_NOSIZE)) return;
  if (GetPlacementKind() != fpkNormal || FDocked || GetParent()) return;
  const TRect r(Pos.flags & SWP_NOMOVE ? GetLeft() : Pos.x, Pos.flags & SWP_NOMOVE ? GetTop() : Pos.y,
                (Pos.flags & SWP_NOMOVE ? GetLeft() : Pos.x) + (Pos.flags & SWP_NOSIZE ? GetWidth() : Pos.cx),
                (Pos.flags & SWP_NOMOVE ? GetTop() : Pos.y) + (Pos.flags & SWP_NOSIZE ? GetHeight() : Pos.cy));
  Integer edge = 0, monitor = -1;
  if (!TZSEKeyboardSnapHelper::Match(r, edge, monitor) || !(FToolBar->GetAllowedEdges() & (1 << edge))) return;
  // Floating at the edge; set first so that the strip is never held as an application bar.
  FToolBar->SetPinMode(2);
  DockToEdge(edge, monitor);
  if (!FToolBar->FDocked) return;
  // The strip replaces the rectangle the desktop asked for.
  Pos.x = GetLeft();
  Pos.y = GetTop();
  Pos.cx = GetWidth();
  Pos.cy = GetHeight();
  Pos.flags &= ~(SWP_NOMOVE | SWP_NOSIZE);
}

void TZSEBaseForm::HandleNotification(Integer Code, NativeInt Argument) {
  if (Code == ZSEFormNotifyLayoutReset) ValidateState();
  // A loading skin holds no strip; the loaded one takes it again.
  if (Code == ZSEFormNotifySkinUnloading || Code == ZSEFormNotifySkinLoaded) {
    HandleLoadNotification(Code);
    UpdateAppBar();
  }
}

void TZSEBaseForm::HandleLoadNotification(Integer Code) {
  if (Code == ZSEFormNotifySkinUnloading && !FLoading) {
    FLoading = true;
    BeginPaint();
    if (FRenderBuffer) FRenderBuffer->Resize(0, 0);
  } else if (Code == ZSEFormNotifySkinLoaded && FLoading) {
    FLoading = false;
    FPresented = false;
    UpdateContent(true);
    EndPaint();
  }
}

void TZSEBaseForm::InvalidateContent(const TRect& R) {
  const TRect client = GetClientRect();
  const TRect r = R.IsEmpty() ? client : R;
  FInvalid = FInvalid.IsEmpty() ? r : UnionRect(FInvalid, r);
  if (FPaintLock == 0 && HandleAllocated()) ::InvalidateRect(GetHandle(), &r, 0);
}

TRect TZSEBaseForm::GetContentRect() const {
  const TRect client = GetClientRect();
  const TRect f = GetContentFrame();
  return TRect(-f.Left, -f.Top, MulDiv(client.Width(), FRenderScale, FDisplayScale) + f.Right,
               MulDiv(client.Height(), FRenderScale, FDisplayScale) + f.Bottom);
}

TRect TZSEBaseForm::GetContentFrame() const {
  TRect margins, frame;
  CalculateMargins(margins, frame);
  return frame;
}

TRect TZSEBaseForm::GetMagnetMargins() const {
  TRect margins, frame;
  CalculateMargins(margins, frame);
  return margins;
}

TRect TZSEBaseForm::GetBodyOffsets() const {
  const Integer dpi = FCurrentDpi > 0 ? FCurrentDpi : 96;
  const TRect o = FMagnetRectOffsets;
  return TRect(MulDiv(o.Left, dpi, 96), MulDiv(o.Top, dpi, 96), MulDiv(o.Right, dpi, 96), MulDiv(o.Bottom, dpi, 96));
}

void TZSEBaseForm::CalculateMargins(TRect& Margins, TRect& Frame) const {
  const Integer dpi = FCurrentDpi > 0 ? FCurrentDpi : 96;
  const Integer b = MulDiv(FBorderWidth, dpi, 96);
  Margins = GetBodyOffsets();
  Frame = TRect();
  switch (GetPlacementKind()) {
    case fpkToolBar: {
      // Edges: 0 left, 1 right, 2 top, 3 bottom. The border goes beyond every side but the one
      // facing away from the edge.
      const Integer edge = std::clamp(FToolBar->FEdge, 0, 3);
      if (edge != 1) Margins.Left += b;
      if (edge != 0) Margins.Right += b;
      if (edge != 3) Margins.Top += b;
      if (edge != 2) Margins.Bottom += b;
      // The content moves out across the edge as a whole: the side facing away comes in by as
      // much, so the content keeps its size across the edge.
      Frame = Margins;
      switch (edge) {
        case 0:
          Frame.Right = -Frame.Left;
          break;
        case 1:
          Frame.Left = -Frame.Right;
          break;
        case 2:
          Frame.Bottom = -Frame.Top;
          break;
        default:
          Frame.Top = -Frame.Bottom;
          break;
      }
      Margins = TRect(Margins.Left - Frame.Left, Margins.Top - Frame.Top, Margins.Right - Frame.Right,
                      Margins.Bottom - Frame.Bottom);
      break;
    }
    case fpkMaximized: {
      Margins = TRect(Margins.Left + b, Margins.Top + b, Margins.Right + b, Margins.Bottom + b);
      // A zoomed form rounds its last pixel outwards on every side.
      const Integer f =
          -FMaximizedFrame + (FDisplayScale != FRenderScale ? MulDiv(1, FDisplayScale, FRenderScale) - 1 : 0);
      Frame = TRect(f + Margins.Left, f + Margins.Top, f + Margins.Right, f + Margins.Bottom);
      break;
    }
    default:
      break;
  }
}

void TZSEBaseForm::SetMagnetRectOffsets(const TRect& Value) {
  const TRect v(std::max(0, Value.Left), std::max(0, Value.Top), std::max(0, Value.Right), std::max(0, Value.Bottom));
  if (v == FMagnetRectOffsets) return;
  FMagnetRectOffsets = v;
  CheckContentRect();
}

void TZSEBaseForm::SetBorderWidth(Integer Value) {
  Value = std::max(0, Value);
  if (Value == FBorderWidth) return;
  FBorderWidth = Value;
  CheckContentRect();
}

void TZSEBaseForm::UpdateMaximizedFrame() {
  if (!HandleAllocated()) {
    SetMaximizedFrame(0);
    return;
  }
  if (!IsZoomed(GetHandle())) return;
  // Measured on a maximized window: what of it lies beyond the work area.
  TRect r;
  MONITORINFO info;
  if (!GetWindowRect(GetHandle(), r) || !GetMonitorInfo(MonitorFromRect(r, MONITOR_DEFAULTTONEAREST), info)) return;
  SetMaximizedFrame(std::max(0, info.rcWork.Left - r.Left));
}

void TZSEBaseForm::SetMaximizedFrame(Integer Value) {
  if (Value == FMaximizedFrame) return;
  FMaximizedFrame = Value;
  CheckContentRect();
}

void TZSEBaseForm::CheckContentRect() {
  const TRect r = GetContentRect();
  if (r == FLastContentRect) return;
  FLastContentRect = r;
  ContentRectChanged();
}

void TZSEBaseForm::SetZoom(Integer DisplayScale, Integer RenderScale) {
  if (DisplayScale < 1 || RenderScale < 1) return;
  if (DisplayScale == FDisplayScale && RenderScale == FRenderScale) return;
  FDisplayScale = DisplayScale;
  FRenderScale = RenderScale;
  // The zoom buffer holds memory only while it is needed.
  if (FDisplayScale == FRenderScale) {
    Free(FZoomBuffer);
    FZoomBuffer = nullptr;
  } else if (!FZoomBuffer) {
    FZoomBuffer = TZSERenderBuffer::New(0, 0);
  }
  FPresented = false;
  DpiApplied();
  UpdateContent(true);
}

void TZSEBaseForm::UpdateContent(bool Full) {
  if (!CanPaint()) return;
  BeginPaint();
  try {
    TRect client = GetClientRect();
    client.Right = client.Left + std::min(client.Width(), MaxWindowSize);
    client.Bottom = client.Top + std::min(client.Height(), MaxWindowSize);
    if (FZoomBuffer && (FZoomBuffer->GetWidth() != client.Width() || FZoomBuffer->GetHeight() != client.Height())) {
      FZoomBuffer->Resize(client.Width(), client.Height());
      FPresented = false;
      Full = true;
    }
    const TRect render(0, 0, MulDiv(client.Width(), FRenderScale, FDisplayScale),
                       MulDiv(client.Height(), FRenderScale, FDisplayScale));
    if (!FRenderBuffer) FRenderBuffer = TZSERenderBuffer::New(0, 0);
    if (FRenderBuffer->GetWidth() != render.Width() || FRenderBuffer->GetHeight() != render.Height()) {
      FRenderBuffer->Resize(render.Width(), render.Height());
      Full = true;
    }
    // Invalid areas are kept in window pixels; a zoomed form is drawn whole.
    if (Full || FZoomBuffer) FInvalid = client;
    TRect area = IntersectRect(FInvalid, client);
    FInvalid = TRect();
    if (FZoomBuffer) area = render;
    if (!area.IsEmpty() && !FRenderBuffer->Empty()) {
      TZSERenderBufferClipState clip{};
      if (FRenderBuffer->ClipPush(area, clip)) {
        FRenderBuffer->ResetRect(area);
        const TPoint slide = FZoomBuffer ? TPoint() : FSlideOffset;
        const TPoint origin = FRenderBuffer->MoveOrigin(slide.X, slide.Y);
        try {
          PaintLayout(FRenderBuffer);
        } catch (...) {
          FRenderBuffer->RestoreOrigin(origin);
          FRenderBuffer->ClipPop(clip);
          throw;
        }
        FRenderBuffer->RestoreOrigin(origin);
        FRenderBuffer->ClipPop(clip);
      }
      FPresented = false;
      if (FZoomBuffer && !FZoomBuffer->Empty()) {
        FZoomBuffer->ResetRect(TRect(0, 0, FZoomBuffer->GetWidth(), FZoomBuffer->GetHeight()));
        TRect dest = client;
        dest.Offset(FSlideOffset.X, FSlideOffset.Y);
        FZoomBuffer->StretchBuffer(FRenderBuffer, render, dest, true);
      }
      if (area == (FZoomBuffer ? render : client)) UpdateWindowShape(GetShownBuffer());
    }
  } catch (...) {
    EndPaint();
    throw;
  }
  EndPaint();
}

void TZSEBaseForm::EndPaint() {
  if (--FPaintLock > 0) return;
  FPaintLock = 0;
  if (!FInvalid.IsEmpty()) {
    if (HandleAllocated()) ::InvalidateRect(GetHandle(), &FInvalid, 0);
    return;
  }
  TZSERenderBuffer* shown = GetShownBuffer();
  if (!FPresented && shown && !shown->Empty() && UseLayeredWindow() && HandleAllocated() && !IsIconic(GetHandle())) {
    PresentLayered(shown);
    FPresented = true;
  }
}

void TZSEBaseForm::PaintToDC(HDC DC) {
  UpdateContent(false);
  TZSERenderBuffer* shown = GetShownBuffer();
  if (!shown || shown->Empty()) return;
  shown->BeginAccess();
  BitBlt(DC, 0, 0, shown->GetWidth(), shown->GetHeight(), shown->GetDC(), 0, 0, SRCCOPY);
  FPresented = true;
}

void TZSEBaseForm::UpdateWindowShape(TZCLDib* Image) {
  if (!HandleAllocated()) return;
  const HWND h = GetHandle();
  const bool layered = UseLayeredWindow();
  const LONG exStyle = GetWindowLong(h, GWL_EXSTYLE);
  if (((exStyle & LONG(WS_EX_LAYERED)) != 0) != layered)
    SetWindowLong(h, GWL_EXSTYLE, layered ? (exStyle | LONG(WS_EX_LAYERED)) : (exStyle & ~LONG(WS_EX_LAYERED)));
  Byte state = layered ? 2 : 0;
  if (layered || GetParent() || GetParentWindow()) {
    if (FWindowShapeState & 1) SetWindowRgn(h, nullptr, 1);
  } else {
    SetWindowRgn(h, ZSECreateRegionFromAlpha(Image), 1);
    RedrawWindow(h, nullptr, nullptr, RDW_ALLCHILDREN | RDW_INVALIDATE);
    state |= 1;
  }
  SetWindowShapeState(state);
}

void TZSEBaseForm::PresentLayered(TZCLDib* Image) {
  if (!HandleAllocated() || !Image) return;
  TRect r;
  GetWindowRect(GetHandle(), r);
  Image->BeginAccess();
  UpdateLayeredWindowAlpha(GetHandle(), Image->GetDC(), TRect(r.TopLeft(), Image->GetWidth(), Image->GetHeight()),
                           FAlphaValue);
}

void TZSEBaseForm::CreateParams(TCreateParams& Params) {
  TForm::CreateParams(Params);
  Params.Style &= ~(WS_CLIPCHILDREN | WS_THICKFRAME);
  if (GetParent() || Params.WndParent) {
    Params.Style &= ~WS_CAPTION;
  } else {
    Params.Style = (Params.Style & ~WS_CAPTION) | WS_POPUP;
    if (UseLayeredWindow()) Params.ExStyle |= WS_EX_LAYERED;
  }
}

void TZSEBaseForm::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND:
      Message.Result = 1;
      return;
    case WM_NCHITTEST:
      // The form decides itself where it is moved or sized.
      Message.Result = HTCLIENT;
      return;
    case WM_PAINT:
    case WM_PRINTCLIENT:
      if (Message.WParam) {
        if (!GetDocked()) PaintToDC(reinterpret_cast<HDC>(Message.WParam));
      } else {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(GetHandle(), ps);
        try {
          if (UseLayeredWindow())
            UpdateContent(false);
          else
            PaintToDC(dc);
        } catch (...) {
          ::EndPaint(GetHandle(), ps);
          throw;
        }
        ::EndPaint(GetHandle(), ps);
      }
      Message.Result = 0;
      return;
    case WM_WINDOWPOSCHANGING:
      if (FSystemMove && Message.LParam) SystemMoveChanging(*reinterpret_cast<WINDOWPOS*>(Message.LParam));
      break;
    case WM_SYSCOMMAND:
      if ((Message.WParam & 0xFFF0) == SC_MAXIMIZE) {
        if (GetWindowState() != wsMaximized) ToggleMaximize();
        Message.Result = 0;
        return;
      }
      break;
    default:
      break;
  }
  if (Message.Msg == WM_ACTIVATEAPP)
    if (TZSEManager* manager = TZSEManager::Instance()) manager->ApplicationActivated(Message.WParam != 0);
  if (Message.Msg == WM_DESTROY && FAppBarRegistered) {
    APPBARDATA data;
    data.hWnd = GetHandle();
    SHAppBarMessage(ABM_REMOVE, data);
    FAppBarRegistered = false;
  }
  TForm::WndProc(Message);
  if (Message.Msg == WM_SIZE) {
    if (UseLayeredWindow()) UpdateWindowShape(nullptr);
    UpdateMaximizedFrame();
    CheckContentRect();
  }
  if (Message.Msg == CM_VISIBLECHANGED) UpdateAppBar();
  // Forms attached to this one show and hide with its window.
  if (Message.Msg == CM_VISIBLECHANGED && Screen)
    for (Integer i = 0; i < Screen->GetFormCount(); ++i)
      if (auto* f = dynamic_cast<TZSEBaseForm*>(Screen->GetForms(i)); f && f->GetMasterForm() == this) f->UpdateVisibility();
}
