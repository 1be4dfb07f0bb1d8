#include "os/OS.Input.h"

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <unordered_map>

#include "os/OS.Codecs.h"
#include "os/OS.Monitors.h"
#include "os/OS.Regions.h"
#include "os/OS.Surface.h"
#include "os/OS.Timers.h"
#include "os/OS.Windows.Internal.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.EmbeddedResources.h"

using namespace detail;

namespace {

struct TCursorData {
  std::vector<uint32_t> Pixels;
  int Width = 0;
  int Height = 0;
  int HotX = 0;
  int HotY = 0;
};
std::unordered_map<HCURSOR, std::unique_ptr<TCursorData>> GCreatedCursors;

constexpr uintptr_t StandardCursors[] = {IDC_ARROW,    IDC_IBEAM,    IDC_WAIT,        IDC_CROSS,  IDC_UPARROW,
                                         IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZEWE,      IDC_SIZENS, IDC_SIZEALL,
                                         IDC_NO,       IDC_HAND,     IDC_APPSTARTING, IDC_HELP};

bool IsDown(const Byte* State, int Vk) { return (State[Vk & 0xFF] & 0x80) != 0; }

void SetDown(Byte* State, int Vk, bool Down) {
  Byte& b = State[Vk & 0xFF];
  if (Down) {
    if (!(b & 0x80)) b ^= 0x01;  // toggles on each press
    b |= 0x80;
  } else {
    b &= ~0x80;
  }
}

// Left/right variants keep the generic key in step.
void SetKeyDown(Byte* State, WORD Vk, bool Down) {
  SetDown(State, Vk, Down);
  auto both = [&](WORD generic, WORD left, WORD right) {
    if (Vk == left || Vk == right)
      SetDown(State, generic, IsDown(State, left) || IsDown(State, right));
    else if (Vk == generic)
      SetDown(State, left, Down);
  };
  both(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
  both(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
  both(VK_MENU, VK_LMENU, VK_RMENU);
}

WPARAM KeyFlags(const Byte* State) {
  WPARAM flags = 0;
  if (IsDown(State, VK_LBUTTON)) flags |= MK_LBUTTON;
  if (IsDown(State, VK_RBUTTON)) flags |= MK_RBUTTON;
  if (IsDown(State, VK_MBUTTON)) flags |= MK_MBUTTON;
  if (IsDown(State, VK_XBUTTON1)) flags |= MK_XBUTTON1;
  if (IsDown(State, VK_XBUTTON2)) flags |= MK_XBUTTON2;
  if (IsDown(State, VK_SHIFT)) flags |= MK_SHIFT;
  if (IsDown(State, VK_CONTROL)) flags |= MK_CONTROL;
  return flags;
}

WORD ButtonKey(TMouseButton B) {
  switch (B) {
    case TMouseButton::Left:
      return VK_LBUTTON;
    case TMouseButton::Right:
      return VK_RBUTTON;
    case TMouseButton::Middle:
      return VK_MBUTTON;
    case TMouseButton::X1:
      return VK_XBUTTON1;
    case TMouseButton::X2:
      return VK_XBUTTON2;
  }
  return VK_LBUTTON;
}

// Client-area messages of a button: down, up, double click.
void ButtonMessages(TMouseButton B, UINT& Down, UINT& Up, UINT& Dbl) {
  switch (B) {
    case TMouseButton::Left:
      Down = WM_LBUTTONDOWN, Up = WM_LBUTTONUP, Dbl = WM_LBUTTONDBLCLK;
      break;
    case TMouseButton::Right:
      Down = WM_RBUTTONDOWN, Up = WM_RBUTTONUP, Dbl = WM_RBUTTONDBLCLK;
      break;
    case TMouseButton::Middle:
      Down = WM_MBUTTONDOWN, Up = WM_MBUTTONUP, Dbl = WM_MBUTTONDBLCLK;
      break;
    default:
      Down = WM_XBUTTONDOWN, Up = WM_XBUTTONUP, Dbl = WM_XBUTTONDBLCLK;
      break;
  }
}

TWindow* HitChild(TWindow* W, TPoint Pt, LRESULT* Hit) {
  // A shaped window is hit only inside its shape.
  if (W->Region) {
    const TPoint local = Pt - WindowOrigin(W);
    if (!PtInRegion(W->Region, local.X, local.Y)) return nullptr;
  }
  const TRect client(ClientOrigin(W), W->Client.Width(), W->Client.Height());
  if (client.Contains(Pt)) {
    for (TWindow* child : W->Children) {
      if (!child->IsVisible() || !child->IsEnabled()) continue;  // disabled children let the parent have it
      const TRect r(WindowOrigin(child), child->Rect.Width(), child->Rect.Height());
      if (!r.Contains(Pt)) continue;
      if (TWindow* found = HitChild(child, Pt, Hit)) return found;
    }
  }
  HWND handle = W->Handle;
  const LRESULT code = SendMessage(handle, WM_NCHITTEST, 0, MAKELPARAM(Pt.X, Pt.Y));
  if (code == HTTRANSPARENT || !Find(handle)) return nullptr;
  if (Hit) *Hit = code;
  return W;
}

TWindow* CaptureWindow() { return WM().Capture ? Find(WM().Capture) : nullptr; }

bool IsInputEnabled(TWindow* W) {
  for (TWindow* w = W; w; w = w->IsChild() ? w->Parent : nullptr)
    if (!w->IsEnabled()) return false;
  return true;
}

LPARAM PointParam(TPoint P) { return MAKELPARAM(P.X, P.Y); }

void CheckMouseLeave(TPoint Pt) {
  TWindowManager& wm = WM();
  if (!wm.MouseTrack) return;
  TWindow* tracked = Find(wm.MouseTrack);
  if (!tracked) {
    wm.MouseTrack = nullptr;
    return;
  }
  LRESULT hit = HTNOWHERE;
  TWindow* under = HitTest(Pt, &hit);
  if (under != tracked || hit != HTCLIENT) {
    HWND leaving = wm.MouseTrack;
    wm.MouseTrack = nullptr;
    PostInternal(leaving, WM_MOUSELEAVE, 0, 0);
  }
}

bool CookMouse(const TInputEvent& E, MSG& Msg) {
  TWindowManager& wm = WM();
  if (E.Kind == TInputKind::MouseMove || E.Kind == TInputKind::MouseButton) CheckMouseLeave(E.Pt);
  LRESULT hit = HTCLIENT;
  TWindow* target = CaptureWindow();
  const bool captured = target != nullptr;
  if (!target) target = HitTest(E.Pt, &hit);
  if (!target) return false;
  HWND handle = target->Handle;
  wm.LastMouseWindow = handle;
  if (!IsInputEnabled(target)) return false;

  UINT msg = WM_MOUSEMOVE;
  WPARAM extra = 0;
  bool down = false;
  if (E.Kind == TInputKind::MouseButton) {
    UINT downMsg, upMsg, dblMsg;
    ButtonMessages(E.Button, downMsg, upMsg, dblMsg);
    if (E.Button == TMouseButton::X1) extra = 1;
    if (E.Button == TMouseButton::X2) extra = 2;
    down = E.Down;
    msg = down ? downMsg : upMsg;
    if (down) {
      const int cx = GetSystemMetrics(SM_CXDOUBLECLK) / 2;
      const int cy = GetSystemMetrics(SM_CYDOUBLECLK) / 2;
      const bool isDouble = !wm.LastClickWasDouble && wm.LastClickWindow == handle && wm.LastClickMsg == downMsg &&
                            E.Time - wm.LastClickTime <= GetDoubleClickTime() &&
                            std::abs(E.Pt.X - wm.LastClickPt.X) <= cx && std::abs(E.Pt.Y - wm.LastClickPt.Y) <= cy;
      wm.LastClickWindow = handle;
      wm.LastClickMsg = downMsg;
      wm.LastClickTime = E.Time;
      wm.LastClickPt = E.Pt;
      wm.LastClickWasDouble = isDouble;
      // Only classes that ask for double clicks get them; the others see a second press.
      if (isDouble && (hit != HTCLIENT || (target->Class && (target->Class->Class.style & CS_DBLCLKS)))) msg = dblMsg;
    }
  } else if (E.Kind == TInputKind::MouseWheel) {
    msg = E.Horizontal ? WM_MOUSEHWHEEL : WM_MOUSEWHEEL;
  }

  if (!captured && E.Kind != TInputKind::MouseWheel) {
    SendMessage(handle, WM_SETCURSOR, reinterpret_cast<WPARAM>(handle), MAKELPARAM(static_cast<int>(hit), msg));
    if (!(target = Find(handle))) return false;
  }
  if (down && !captured) {
    TWindow* top = TopLevelOf(target);
    if (top->Handle != wm.Active) {
      const LRESULT r = SendMessage(handle, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top->Handle),
                                    MAKELPARAM(static_cast<int>(hit), msg));
      if ((r == MA_ACTIVATE || r == MA_ACTIVATEANDEAT) && !(top->ExStyle & WS_EX_NOACTIVATE))
        ActivateWindow(top->Handle, WA_CLICKACTIVE);
      if (r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT) return false;
      if (!(target = Find(handle))) return false;
    }
  }

  const bool client = hit == HTCLIENT || captured;
  Msg = MSG();
  Msg.hwnd = handle;
  Msg.time = E.Time;
  Msg.pt = E.Pt;
  const WPARAM keys = E.Keys;
  if (E.Kind == TInputKind::MouseWheel) {
    Msg.message = msg;
    Msg.wParam = (keys & 0xFFFF) | (static_cast<WPARAM>(static_cast<uint16_t>(E.Delta)) << 16);
    Msg.lParam = PointParam(E.Pt);
  } else if (client) {
    Msg.message = msg;
    Msg.wParam = keys | (extra << 16);
    TPoint local = E.Pt - ClientOrigin(target);
    Msg.lParam = PointParam(local);
  } else {
    Msg.message = msg - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
    Msg.wParam = static_cast<WPARAM>(hit);
    Msg.lParam = PointParam(E.Pt);
  }
  MOUSEHOOKSTRUCT info;
  info.pt = E.Pt;
  info.hwnd = handle;
  info.wHitTestCode = static_cast<UINT>(hit);
  if (CallHooks(WH_MOUSE, HC_ACTION, Msg.message, reinterpret_cast<LPARAM>(&info))) return false;
  return true;
}

// The desktop's keyboard snapping: the active top-level window in its normal state takes the
// left or right half of its monitor's work area, asked for through SetWindowPos so that the
// window may adjust the rectangle. False when there is no such window.
bool SnapToHalf(HWND Window, bool Left) {
  TWindow* w = Find(Window);
  if (!w || w->IsChild() || !w->IsVisible() || (w->Style & (WS_MINIMIZE | WS_MAXIMIZE)) ||
      (w->ExStyle & WS_EX_TOOLWINDOW))
    return false;
  MONITORINFO info;
  if (!GetMonitorInfo(MonitorFromRect(w->Rect, MONITOR_DEFAULTTONEAREST), info)) return false;
  const TRect& work = info.rcWork;
  const int half = work.Width() / 2;
  const int x = Left ? work.Left : work.Right - half;
  SetWindowPos(Window, nullptr, x, work.Top, half, work.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

bool CookKey(const TInputEvent& E, MSG& Msg) {
  TWindowManager& wm = WM();
  HWND target = wm.Focus ? wm.Focus : wm.Active;
  TWindow* w = Find(target);
  if (!w || !IsInputEnabled(w)) return false;
  if (E.Kind == TInputKind::Char) {
    Msg = MSG();
    Msg.hwnd = target;
    Msg.message = WM_CHAR;
    Msg.wParam = E.Character;
    Msg.lParam = 1;
    Msg.time = E.Time;
    Msg.pt = wm.CursorPos;
    return true;
  }
  const bool alt = E.Alt;
  const bool ctrl = (E.Keys & MK_CONTROL) != 0;
  // Alt without Ctrl (Ctrl+Alt is AltGr), F10, and keys with no focus window are system keys.
  const bool sys = (alt && !ctrl) || E.VirtKey == VK_F10 || !wm.Focus;
  LPARAM lParam = 1;
  if (alt) lParam |= LPARAM(1) << 29;
  if (E.Repeat || !E.Down) lParam |= LPARAM(1) << 30;
  if (!E.Down) lParam |= LPARAM(1) << 31;
  Msg = MSG();
  Msg.hwnd = target;
  Msg.message = E.Down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
  Msg.wParam = E.VirtKey;
  Msg.lParam = lParam & 0xFFFFFFFF;
  Msg.time = E.Time;
  Msg.pt = wm.CursorPos;
  if (CallHooks(WH_KEYBOARD, HC_ACTION, E.VirtKey, Msg.lParam)) return false;
  if (E.Down && (E.VirtKey == VK_LEFT || E.VirtKey == VK_RIGHT) &&
      (IsDown(wm.KeyState, VK_LWIN) || IsDown(wm.KeyState, VK_RWIN)))
    return !SnapToHalf(wm.Active, E.VirtKey == VK_LEFT);
  return true;
}

void QueueInput(TInputEvent E) {
  TWindowManager& wm = WM();
  E.Time = static_cast<DWORD>(GetClock().NowMs());
  E.Keys = KeyFlags(wm.AsyncKeyState);
  E.Alt = IsDown(wm.AsyncKeyState, VK_MENU);
  // Consecutive moves collapse into the last one.
  if (E.Kind == TInputKind::MouseMove && !wm.Input.empty() && wm.Input.back().Kind == TInputKind::MouseMove)
    wm.Input.back() = E;
  else
    wm.Input.push_back(E);
  WakeUiThread();
}

}  // namespace

namespace detail {

TWindow* HitTest(TPoint Pt, LRESULT* Hit) {
  std::vector<HWND> tops;
  for (TWindow* top : WM().TopLevels) tops.push_back(top->Handle);
  for (HWND h : tops) {
    TWindow* top = Find(h);
    if (!top || !top->IsVisible() || (top->Style & WS_MINIMIZE)) continue;
    // Layered windows with WS_EX_TRANSPARENT let every click through.
    if ((top->ExStyle & (WS_EX_LAYERED | WS_EX_TRANSPARENT)) == (WS_EX_LAYERED | WS_EX_TRANSPARENT)) continue;
    if (!top->Rect.Contains(Pt)) continue;
    // Per-pixel layered windows are hit where they are not fully transparent.
    if (top->UpdateLayered && (top->LayeredFlags & ULW_ALPHA) && top->Surface) {
      TSurfaceAccess access(*top->Surface);
      if ((top->Surface->GetPixel(Pt.X - top->Rect.Left, Pt.Y - top->Rect.Top) >> 24) == 0) continue;
    }
    if (TWindow* found = HitChild(top, Pt, Hit)) return found;
  }
  return nullptr;
}

bool CookInput(const TInputEvent& Event, MSG& Msg) {
  if (Event.Kind == TInputKind::Key || Event.Kind == TInputKind::Char) return CookKey(Event, Msg);
  return CookMouse(Event, Msg);
}

void UpdateKeyStateFromMessage(const MSG& Msg) {
  TWindowManager& wm = WM();
  if (Msg.message >= WM_KEYFIRST && Msg.message <= WM_KEYLAST) {
    if (Msg.message == WM_KEYDOWN || Msg.message == WM_SYSKEYDOWN)
      SetKeyDown(wm.KeyState, static_cast<WORD>(Msg.wParam), true);
    else if (Msg.message == WM_KEYUP || Msg.message == WM_SYSKEYUP)
      SetKeyDown(wm.KeyState, static_cast<WORD>(Msg.wParam), false);
  } else if ((Msg.message >= WM_MOUSEFIRST && Msg.message <= WM_MOUSELAST) && Msg.message != WM_MOUSEWHEEL &&
             Msg.message != WM_MOUSEHWHEEL) {
    const WPARAM k = Msg.wParam;
    SetDown(wm.KeyState, VK_LBUTTON, (k & MK_LBUTTON) != 0);
    SetDown(wm.KeyState, VK_RBUTTON, (k & MK_RBUTTON) != 0);
    SetDown(wm.KeyState, VK_MBUTTON, (k & MK_MBUTTON) != 0);
  }
}

void ActivateWindow(HWND Window, WORD How) {
  TWindowManager& wm = WM();
  TWindow* w = Window ? Find(Window) : nullptr;
  if (w) w = TopLevelOf(w);
  if (w && w->MessageOnly) return;
  HWND handle = w ? w->Handle : nullptr;
  if (handle == wm.Active) return;
  HWND old = wm.Active;
  if (TWindow* o = Find(old)) {
    const WPARAM minimized = (o->Style & WS_MINIMIZE) ? 1 : 0;
    SendMessage(old, WM_NCACTIVATE, 0, 0);
    SendMessage(old, WM_ACTIVATE, WA_INACTIVE | (minimized << 16), reinterpret_cast<LPARAM>(handle));
  }
  if (wm.Active != old) return;  // a handler activated something else meanwhile
  wm.Active = handle;
  const bool appActive = handle != nullptr;
  if (appActive != wm.AppActive) {
    wm.AppActive = appActive;
    std::vector<HWND> tops;
    for (TWindow* top : wm.TopLevels) tops.push_back(top->Handle);
    for (HWND h : tops) SendMessage(h, WM_ACTIVATEAPP, appActive ? 1 : 0, static_cast<LPARAM>(wm.UiThreadId));
  }
  if (!handle) {
    if (wm.Focus) SetFocus(nullptr);
    return;
  }
  if (!(w = Find(handle))) return;
  SetWindowPos(handle, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  // Focus left in the window that lost the activation goes.
  if (wm.Focus && !IsChild(handle, wm.Focus) && wm.Focus != handle) SetFocus(nullptr);
  if (!(w = Find(handle))) return;
  const WPARAM minimized = (w->Style & WS_MINIMIZE) ? 1 : 0;
  SendMessage(handle, WM_NCACTIVATE, 1, 0);
  SendMessage(handle, WM_ACTIVATE, How | (minimized << 16), reinterpret_cast<LPARAM>(old));
}

void InputWindowDestroyed(TWindow* W) {
  TWindowManager& wm = WM();
  HWND h = W->Handle;
  if (wm.Capture == h) wm.Capture = nullptr;
  if (wm.Focus == h) wm.Focus = nullptr;
  if (wm.Active == h) wm.Active = nullptr;
  if (wm.MouseTrack == h) wm.MouseTrack = nullptr;
  if (wm.LastMouseWindow == h) wm.LastMouseWindow = nullptr;
  if (wm.LastClickWindow == h) wm.LastClickWindow = nullptr;
}

void InitializeInput() {
  TWindowManager& wm = WM();
  wm.Cursor = LoadCursor(nullptr, IDC_ARROW);
}

void FinalizeInput() { GCreatedCursors.clear(); }

}  // namespace detail

// ---- key state ---------------------------------------------------------------------------

int16_t GetKeyState(int VirtKey) {
  if (!HasWindowManager()) return 0;
  const Byte b = WM().KeyState[VirtKey & 0xFF];
  return static_cast<int16_t>(((b & 0x80) ? 0x8000 : 0) | (b & 0x01));
}

int16_t GetAsyncKeyState(int VirtKey) {
  if (!HasWindowManager()) return 0;
  return (WM().AsyncKeyState[VirtKey & 0xFF] & 0x80) ? static_cast<int16_t>(0x8000) : 0;
}

BOOL GetKeyboardState(Byte* KeyState256) {
  if (!HasWindowManager() || !KeyState256) return 0;
  std::copy_n(WM().KeyState, 256, KeyState256);
  return 1;
}

WPARAM GetMouseKeyFlags() { return HasWindowManager() ? KeyFlags(WM().KeyState) : 0; }

// ---- capture -----------------------------------------------------------------------------

HWND SetCapture(HWND Window) {
  TWindowManager& wm = WM();
  HWND old = wm.Capture;
  if (Window && !Find(Window)) return old;
  if (old == Window) return old;
  wm.Capture = Window;
  if (old && IsWindow(old)) SendMessage(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(Window));
  return old;
}

BOOL ReleaseCapture() {
  TWindowManager& wm = WM();
  HWND old = wm.Capture;
  if (!old) return 1;
  wm.Capture = nullptr;
  if (IsWindow(old)) SendMessage(old, WM_CAPTURECHANGED, 0, 0);
  return 1;
}

HWND GetCapture() { return HasWindowManager() ? WM().Capture : nullptr; }

void CancelMode(HWND Window) { SendMessage(Window, WM_CANCELMODE, 0, 0); }

// ---- cursor position and hit-testing -------------------------------------------------------

BOOL GetCursorPos(TPoint& Point) {
  if (!HasWindowManager()) return 0;
  Point = WM().CursorPos;
  return 1;
}

BOOL SetCursorPos(int X, int Y) {
  if (!HasWindowManager()) return 0;
  InputMouseMove(TPoint(X, Y));
  if (WM().Backend) WM().Backend->CursorMoved(TPoint(X, Y));
  return 1;
}

HWND WindowFromPoint(TPoint Point) {
  TWindow* w = HitTest(Point, nullptr);
  return w ? w->Handle : nullptr;
}

HWND ChildWindowFromPoint(HWND Parent, TPoint Point) {
  TWindow* w = Find(Parent);
  if (!w || !TRect(0, 0, w->Client.Width(), w->Client.Height()).Contains(Point)) return nullptr;
  for (TWindow* child : w->Children) {
    TRect r = child->Rect;
    if (child->IsVisible() && r.Contains(Point)) return child->Handle;
  }
  return Parent;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT& Event) {
  TWindowManager& wm = WM();
  if (Event.dwFlags & TME_QUERY) {
    Event = TRACKMOUSEEVENT();
    if (wm.MouseTrack) {
      Event.dwFlags = TME_LEAVE;
      Event.hwndTrack = wm.MouseTrack;
    }
    return 1;
  }
  if (!(Event.dwFlags & TME_LEAVE)) return 1;
  if (Event.dwFlags & TME_CANCEL) {
    if (wm.MouseTrack == Event.hwndTrack) wm.MouseTrack = nullptr;
    return 1;
  }
  if (!Find(Event.hwndTrack)) return 0;
  wm.MouseTrack = Event.hwndTrack;
  // Already outside: the leave comes at once.
  CheckMouseLeave(wm.CursorPos);
  return 1;
}

// ---- cursors -----------------------------------------------------------------------------

HCURSOR LoadCursor(HINSTANCE, uintptr_t CursorId) {
  for (uintptr_t id : StandardCursors)
    if (id == CursorId) return reinterpret_cast<HCURSOR>(id);
  return nullptr;
}

HCURSOR CreateCursorFromPixels(const uint32_t* Pixels, int Width, int Height, int HotX, int HotY) {
  if (!Pixels || Width <= 0 || Height <= 0 || Width > 256 || Height > 256) return nullptr;
  auto data = std::make_unique<TCursorData>();
  data->Pixels.assign(Pixels, Pixels + static_cast<size_t>(Width) * Height);
  data->Width = Width;
  data->Height = Height;
  data->HotX = std::clamp(HotX, 0, Width - 1);
  data->HotY = std::clamp(HotY, 0, Height - 1);
  HCURSOR handle = reinterpret_cast<HCURSOR>(data.get());
  GCreatedCursors.emplace(handle, std::move(data));
  return handle;
}

HCURSOR LoadCursorFromResource(StringView Name) {
  const TEmbeddedResource* resource = FindEmbeddedResource(Name, u"CURSOR");
  if (!resource) return nullptr;
  try {
    TDecodedImage image = DecodePng(std::span<const Byte>(resource->Data, resource->Size));
    PremultiplyPixels(image.Pixels.data(), image.Pixels.size());
    return CreateCursorFromPixels(image.Pixels.data(), image.Width, image.Height, 0, 0);
  } catch (const EInvalidGraphic&) {
    return nullptr;
  }
}

BOOL DestroyCursor(HCURSOR Cursor) {
  auto it = GCreatedCursors.find(Cursor);
  if (it == GCreatedCursors.end()) return 0;
  if (HasWindowManager() && WM().Cursor == Cursor) WM().Cursor = LoadCursor(nullptr, IDC_ARROW);
  GCreatedCursors.erase(it);
  return 1;
}

uintptr_t GetCursorId(HCURSOR Cursor) {
  const uintptr_t value = reinterpret_cast<uintptr_t>(Cursor);
  return value < 0x10000 ? value : 0;
}

bool GetCursorImage(HCURSOR Cursor, TCursorImage& Image) {
  auto it = GCreatedCursors.find(Cursor);
  if (it == GCreatedCursors.end()) return false;
  const TCursorData& d = *it->second;
  Image.Pixels = d.Pixels.data();
  Image.Width = d.Width;
  Image.Height = d.Height;
  Image.HotX = d.HotX;
  Image.HotY = d.HotY;
  return true;
}

HCURSOR SetCursor(HCURSOR Cursor) {
  TWindowManager& wm = WM();
  HCURSOR old = wm.Cursor;
  wm.Cursor = Cursor;
  if (old != Cursor && wm.LastMouseWindow)
    if (TWindow* w = Find(wm.LastMouseWindow))
      if (TWindow* top = TopLevelOf(w); top->Native) top->Native->SetCursor(Cursor);
  return old;
}

HCURSOR GetCursor() { return HasWindowManager() ? WM().Cursor : nullptr; }

int ShowCursor(BOOL Show) {
  TWindowManager& wm = WM();
  wm.CursorShowCount += Show ? 1 : -1;
  return wm.CursorShowCount;
}

// ---- focus and activation ------------------------------------------------------------------

HWND SetFocus(HWND Window) {
  TWindowManager& wm = WM();
  HWND old = wm.Focus;
  if (!Window) {
    if (old) {
      wm.Focus = nullptr;
      if (IsWindow(old)) SendMessage(old, WM_KILLFOCUS, 0, 0);
    }
    return old;
  }
  TWindow* w = Find(Window);
  if (!w || w->MessageOnly) return nullptr;
  TWindow* top = TopLevelOf(w);
  if (top->Handle != wm.Active && !(top->ExStyle & WS_EX_NOACTIVATE)) ActivateWindow(top->Handle, WA_ACTIVE);
  if (!IsWindow(Window)) return nullptr;
  old = wm.Focus;
  if (old == Window) return old;
  wm.Focus = Window;
  if (old && IsWindow(old)) SendMessage(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(Window), 0);
  if (wm.Focus == Window && IsWindow(Window)) SendMessage(Window, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
  return old;
}

HWND GetFocus() { return HasWindowManager() ? WM().Focus : nullptr; }

HWND SetActiveWindow(HWND Window) {
  HWND old = WM().Active;
  if (Window && !IsWindow(Window)) return nullptr;
  ActivateWindow(Window, WA_ACTIVE);
  return old;
}

HWND GetActiveWindow() { return HasWindowManager() ? WM().Active : nullptr; }

BOOL SetForegroundWindow(HWND Window) {
  if (!IsWindow(Window)) return 0;
  ActivateWindow(Window, WA_ACTIVE);
  return 1;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

BOOL EnableWindow(HWND Window, BOOL Enable) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  const BOOL wasDisabled = w->IsEnabled() ? 0 : 1;
  if ((Enable != 0) == (wasDisabled == 0)) return wasDisabled;
  if (!Enable) {
    // A disabled window keeps neither the focus nor the capture.
    TWindowManager& wm = WM();
    if (wm.Focus == Window || IsChild(Window, wm.Focus)) SetFocus(nullptr);
    // Modes the window runs (capture, menus, drags) end first; by default that releases the capture.
    SendMessage(Window, WM_CANCELMODE, 0, 0);
    if (!(w = Find(Window))) return wasDisabled;
    w->Style |= WS_DISABLED;
  } else {
    w->Style &= ~WS_DISABLED;
  }
  SendMessage(Window, WM_ENABLE, Enable ? 1 : 0, 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND Window) {
  TWindow* w = Find(Window);
  return w && w->IsEnabled() ? 1 : 0;
}

// ---- input from the backend ----------------------------------------------------------------

void InputMouseMove(TPoint ScreenPoint) {
  TInputEvent e;
  e.Kind = TInputKind::MouseMove;
  e.Pt = ScreenPoint;
  {
    std::lock_guard<std::mutex> lock(WM().Lock);  // posts from other threads read it
    WM().CursorPos = ScreenPoint;
  }
  QueueInput(e);
}

void InputMouseButton(TMouseButton Button, bool Down, TPoint ScreenPoint) {
  TWindowManager& wm = WM();
  if (ScreenPoint != wm.CursorPos) InputMouseMove(ScreenPoint);
  SetDown(wm.AsyncKeyState, ButtonKey(Button), Down);
  TInputEvent e;
  e.Kind = TInputKind::MouseButton;
  e.Pt = ScreenPoint;
  e.Button = Button;
  e.Down = Down;
  QueueInput(e);
}

void InputMouseWheel(int Delta, bool Horizontal, TPoint ScreenPoint) {
  TWindowManager& wm = WM();
  if (ScreenPoint != wm.CursorPos) InputMouseMove(ScreenPoint);
  TInputEvent e;
  e.Kind = TInputKind::MouseWheel;
  e.Pt = ScreenPoint;
  e.Delta = std::clamp(Delta, -32768, 32767);
  e.Horizontal = Horizontal;
  QueueInput(e);
}

void InputKey(WORD VirtKey, bool Down, Char Character, bool Repeat) {
  TWindowManager& wm = WM();
  const bool wasDown = IsDown(wm.AsyncKeyState, VirtKey);
  SetKeyDown(wm.AsyncKeyState, VirtKey, Down);
  TInputEvent e;
  e.Kind = TInputKind::Key;
  e.VirtKey = VirtKey;
  e.Down = Down;
  e.Character = Down ? Character : 0;
  e.Repeat = Repeat || (Down && wasDown);
  QueueInput(e);
}

void InputText(StringView Text) {
  for (Char c : Text) {
    TInputEvent e;
    e.Kind = TInputKind::Char;
    e.Character = c;
    QueueInput(e);
  }
}

void InputAppActivation(bool Active) {
  TWindowManager& wm = WM();
  if (!Active) {
    // Another program took over: modes that hold the mouse end.
    if (wm.Capture) ReleaseCapture();
    ActivateWindow(nullptr, WA_INACTIVE);
    return;
  }
  for (TWindow* top : wm.TopLevels)
    if (top->IsVisible() && top->IsEnabled() && !(top->ExStyle & WS_EX_NOACTIVATE)) {
      ActivateWindow(top->Handle, WA_ACTIVE);
      return;
    }
}
