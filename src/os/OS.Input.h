#pragma once
// Keyboard and mouse: virtual keys and key state, mouse capture, cursor position and shape,
// mouse-leave tracking, focus, activation and enabling. UI thread unless said otherwise.

#include "os/OS.Messages.h"

// Virtual-key codes.
inline constexpr WORD VK_LBUTTON = 0x01;
inline constexpr WORD VK_RBUTTON = 0x02;
inline constexpr WORD VK_CANCEL = 0x03;
inline constexpr WORD VK_MBUTTON = 0x04;
inline constexpr WORD VK_XBUTTON1 = 0x05;
inline constexpr WORD VK_XBUTTON2 = 0x06;
inline constexpr WORD VK_BACK = 0x08;
inline constexpr WORD VK_TAB = 0x09;
inline constexpr WORD VK_CLEAR = 0x0C;
inline constexpr WORD VK_RETURN = 0x0D;
inline constexpr WORD VK_SHIFT = 0x10;
inline constexpr WORD VK_CONTROL = 0x11;
inline constexpr WORD VK_MENU = 0x12;
inline constexpr WORD VK_PAUSE = 0x13;
inline constexpr WORD VK_CAPITAL = 0x14;
inline constexpr WORD VK_ESCAPE = 0x1B;
inline constexpr WORD VK_SPACE = 0x20;
inline constexpr WORD VK_PRIOR = 0x21;
inline constexpr WORD VK_NEXT = 0x22;
inline constexpr WORD VK_END = 0x23;
inline constexpr WORD VK_HOME = 0x24;
inline constexpr WORD VK_LEFT = 0x25;
inline constexpr WORD VK_UP = 0x26;
inline constexpr WORD VK_RIGHT = 0x27;
inline constexpr WORD VK_DOWN = 0x28;
inline constexpr WORD VK_SNAPSHOT = 0x2C;
inline constexpr WORD VK_INSERT = 0x2D;
inline constexpr WORD VK_DELETE = 0x2E;
inline constexpr WORD VK_HELP = 0x2F;
// '0'..'9' are 0x30..0x39 and 'A'..'Z' 0x41..0x5A.
inline constexpr WORD VK_LWIN = 0x5B;
inline constexpr WORD VK_RWIN = 0x5C;
inline constexpr WORD VK_APPS = 0x5D;
inline constexpr WORD VK_NUMPAD0 = 0x60;
inline constexpr WORD VK_NUMPAD9 = 0x69;
inline constexpr WORD VK_MULTIPLY = 0x6A;
inline constexpr WORD VK_ADD = 0x6B;
inline constexpr WORD VK_SEPARATOR = 0x6C;
inline constexpr WORD VK_SUBTRACT = 0x6D;
inline constexpr WORD VK_DECIMAL = 0x6E;
inline constexpr WORD VK_DIVIDE = 0x6F;
inline constexpr WORD VK_F1 = 0x70;
inline constexpr WORD VK_F2 = 0x71;
inline constexpr WORD VK_F3 = 0x72;
inline constexpr WORD VK_F4 = 0x73;
inline constexpr WORD VK_F5 = 0x74;
inline constexpr WORD VK_F6 = 0x75;
inline constexpr WORD VK_F7 = 0x76;
inline constexpr WORD VK_F8 = 0x77;
inline constexpr WORD VK_F9 = 0x78;
inline constexpr WORD VK_F10 = 0x79;
inline constexpr WORD VK_F11 = 0x7A;
inline constexpr WORD VK_F12 = 0x7B;
inline constexpr WORD VK_F24 = 0x87;
inline constexpr WORD VK_NUMLOCK = 0x90;
inline constexpr WORD VK_SCROLL = 0x91;
inline constexpr WORD VK_LSHIFT = 0xA0;
inline constexpr WORD VK_RSHIFT = 0xA1;
inline constexpr WORD VK_LCONTROL = 0xA2;
inline constexpr WORD VK_RCONTROL = 0xA3;
inline constexpr WORD VK_LMENU = 0xA4;
inline constexpr WORD VK_RMENU = 0xA5;
inline constexpr WORD VK_OEM_1 = 0xBA;
inline constexpr WORD VK_OEM_PLUS = 0xBB;
inline constexpr WORD VK_OEM_COMMA = 0xBC;
inline constexpr WORD VK_OEM_MINUS = 0xBD;
inline constexpr WORD VK_OEM_PERIOD = 0xBE;
inline constexpr WORD VK_OEM_2 = 0xBF;
inline constexpr WORD VK_OEM_3 = 0xC0;
inline constexpr WORD VK_OEM_4 = 0xDB;
inline constexpr WORD VK_OEM_5 = 0xDC;
inline constexpr WORD VK_OEM_6 = 0xDD;
inline constexpr WORD VK_OEM_7 = 0xDE;

// Key state. The high bit (as a negative SHORT) means down; bit 0 of GetKeyState is the toggle.
// GetKeyState is the state as of the last message taken from the queue; GetAsyncKeyState the
// state of the input as it happened. Mouse buttons are keys VK_LBUTTON, VK_RBUTTON, VK_MBUTTON.
int16_t GetKeyState(int VirtKey);
int16_t GetAsyncKeyState(int VirtKey);
BOOL GetKeyboardState(Byte* KeyState256);
// The MK_* flags of the current key and button state.
WPARAM GetMouseKeyFlags();

// Capture: every mouse message goes to the capture window. Setting or releasing it sends
// WM_CAPTURECHANGED (lParam: the new capture window) to the window that loses it.
HWND SetCapture(HWND Window);
BOOL ReleaseCapture();
HWND GetCapture();

// Cursor position in screen coordinates. SetCursorPos moves it as the user would: the window
// under the cursor receives a WM_MOUSEMOVE.
BOOL GetCursorPos(TPoint& Point);
BOOL SetCursorPos(int X, int Y);
// The visible, enabled window at a screen point, asking WM_NCHITTEST: a window answering
// HTTRANSPARENT passes the point to the windows below it.
HWND WindowFromPoint(TPoint Point);
// The child of Parent (client coordinates) under the point; Parent itself when no child is.
HWND ChildWindowFromPoint(HWND Parent, TPoint Point);

// Mouse-leave tracking: WM_MOUSELEAVE is posted once when the cursor leaves the window's client area.
inline constexpr DWORD TME_HOVER = 0x00000001;
inline constexpr DWORD TME_LEAVE = 0x00000002;
inline constexpr DWORD TME_NONCLIENT = 0x00000010;
inline constexpr DWORD TME_QUERY = 0x40000000;
inline constexpr DWORD TME_CANCEL = 0x80000000;
struct TRACKMOUSEEVENT {
  DWORD dwFlags = 0;
  HWND hwndTrack = nullptr;
  DWORD dwHoverTime = 0;
};
BOOL TrackMouseEvent(TRACKMOUSEEVENT& Event);

// Cursors. The standard cursors are IDC_* resource ids given as LoadCursor(nullptr, IDC_x).
inline constexpr uintptr_t IDC_ARROW = 32512;
inline constexpr uintptr_t IDC_IBEAM = 32513;
inline constexpr uintptr_t IDC_WAIT = 32514;
inline constexpr uintptr_t IDC_CROSS = 32515;
inline constexpr uintptr_t IDC_UPARROW = 32516;
inline constexpr uintptr_t IDC_SIZENWSE = 32642;
inline constexpr uintptr_t IDC_SIZENESW = 32643;
inline constexpr uintptr_t IDC_SIZEWE = 32644;
inline constexpr uintptr_t IDC_SIZENS = 32645;
inline constexpr uintptr_t IDC_SIZEALL = 32646;
inline constexpr uintptr_t IDC_NO = 32648;
inline constexpr uintptr_t IDC_HAND = 32649;
inline constexpr uintptr_t IDC_APPSTARTING = 32650;
inline constexpr uintptr_t IDC_HELP = 32651;
// A standard cursor; null for an unknown id.
HCURSOR LoadCursor(HINSTANCE Instance, uintptr_t CursorId);
// A cursor made from a premultiplied 32-bit image (Width x Height pixels, top-down) with its hot
// spot; the pixels are copied. Destroyed with DestroyCursor.
HCURSOR CreateCursorFromPixels(const uint32_t* Pixels, int Width, int Height, int HotX, int HotY);
BOOL DestroyCursor(HCURSOR Cursor);
// A cursor of the program's resources: the PNG image Name of type "CURSOR", its hot spot at the
// top-left pixel; null when there is no such resource or it is no image. Destroyed with
// DestroyCursor.
HCURSOR LoadCursorFromResource(StringView Name);
// The standard id of a cursor from LoadCursor, 0 for a created one.
uintptr_t GetCursorId(HCURSOR Cursor);
// The pixels of a created cursor (for backends that show it); false for a standard cursor.
struct TCursorImage {
  const uint32_t* Pixels = nullptr;  // premultiplied, Width x Height, top-down
  int Width = 0;
  int Height = 0;
  int HotX = 0;
  int HotY = 0;
};
bool GetCursorImage(HCURSOR Cursor, TCursorImage& Image);
HCURSOR SetCursor(HCURSOR Cursor);  // the previous cursor
HCURSOR GetCursor();
int ShowCursor(BOOL Show);

// Focus and activation. SetFocus activates the window's top-level window first (unless it is a
// no-activate window) and sends WM_KILLFOCUS / WM_SETFOCUS. Activation sends WM_NCACTIVATE and
// WM_ACTIVATE to the windows losing and gaining it, and WM_ACTIVATEAPP when the application's
// activity changes. WS_EX_NOACTIVATE windows and windows answering WM_MOUSEACTIVATE with
// MA_NOACTIVATE are not activated by clicks.
HWND SetFocus(HWND Window);
HWND GetFocus();
HWND SetActiveWindow(HWND Window);
HWND GetActiveWindow();
BOOL SetForegroundWindow(HWND Window);
HWND GetForegroundWindow();
// Disabled windows receive no mouse or keyboard input. Sends WM_ENABLE when the state changes;
// returns whether the window was disabled before.
BOOL EnableWindow(HWND Window, BOOL Enable);
BOOL IsWindowEnabled(HWND Window);
// Cancels modes (capture, menus): sends WM_CANCELMODE to the window.
void CancelMode(HWND Window);

// Input arriving from the display backend (UI thread): what the user did, at screen coordinates.
// The message loop turns each event into messages when it takes it from the input queue.
enum class TMouseButton { Left, Right, Middle, X1, X2 };
void InputMouseMove(TPoint ScreenPoint);
void InputMouseButton(TMouseButton Button, bool Down, TPoint ScreenPoint);
// Delta in wheel units (WHEEL_DELTA per notch); positive is away from the user / to the right.
void InputMouseWheel(int Delta, bool Horizontal, TPoint ScreenPoint);
// Char is the character the key gives with the current modifiers (0: none); Repeat for
// auto-repeated presses. Left or Right pressed while a Windows key is down snaps the active
// top-level window (normal state, not a tool window) to that half of its monitor's work area
// instead of reaching the window; the keyboard hooks see it first.
void InputKey(WORD VirtKey, bool Down, Char Character = 0, bool Repeat = false);
// Text from an input method, delivered as WM_CHAR to the focus window.
void InputText(StringView Text);
// The application lost or regained the activation of the display (another program took it).
void InputAppActivation(bool Active);
