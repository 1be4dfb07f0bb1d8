#pragma once
// Window messages: the numbers of the messages the system sends and handles, and the records
// that carry them. The numbers are the platform's own, so that code written against them (and
// stored values such as WM_USER-based private messages) reads the same here.

#include "os/OS.Types.h"
#include "rtl/RTL.Geometry.h"

// A window procedure. Called on the window's thread (the UI thread) only.
using WNDPROC = LRESULT (*)(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);

// A queued message as GetMessage/PeekMessage return it. Time is the clock's tick (ms) when the
// message was posted or the input happened; Pt the cursor position (screen) at that moment.
struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  DWORD time = 0;
  TPoint pt;
};

// The message record the UI class library dispatches to handlers.
struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_MOVE = 0x0003;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_ACTIVATE = 0x0006;
inline constexpr UINT WM_SETFOCUS = 0x0007;
inline constexpr UINT WM_KILLFOCUS = 0x0008;
inline constexpr UINT WM_ENABLE = 0x000A;
inline constexpr UINT WM_SETREDRAW = 0x000B;
inline constexpr UINT WM_SETTEXT = 0x000C;
inline constexpr UINT WM_GETTEXT = 0x000D;
inline constexpr UINT WM_GETTEXTLENGTH = 0x000E;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_ERASEBKGND = 0x0014;
inline constexpr UINT WM_SYSCOLORCHANGE = 0x0015;
inline constexpr UINT WM_SHOWWINDOW = 0x0018;
inline constexpr UINT WM_SETTINGCHANGE = 0x001A;
inline constexpr UINT WM_ACTIVATEAPP = 0x001C;
inline constexpr UINT WM_CANCELMODE = 0x001F;
inline constexpr UINT WM_SETCURSOR = 0x0020;
inline constexpr UINT WM_MOUSEACTIVATE = 0x0021;
inline constexpr UINT WM_GETMINMAXINFO = 0x0024;
inline constexpr UINT WM_NEXTDLGCTL = 0x0028;
inline constexpr UINT WM_SETFONT = 0x0030;
inline constexpr UINT WM_GETFONT = 0x0031;
inline constexpr UINT WM_WINDOWPOSCHANGING = 0x0046;
inline constexpr UINT WM_WINDOWPOSCHANGED = 0x0047;
inline constexpr UINT WM_NOTIFY = 0x004E;
inline constexpr UINT WM_CONTEXTMENU = 0x007B;
inline constexpr UINT WM_STYLECHANGING = 0x007C;
inline constexpr UINT WM_STYLECHANGED = 0x007D;
inline constexpr UINT WM_DISPLAYCHANGE = 0x007E;
inline constexpr UINT WM_GETICON = 0x007F;
inline constexpr UINT WM_SETICON = 0x0080;
inline constexpr UINT WM_NCCREATE = 0x0081;
inline constexpr UINT WM_NCDESTROY = 0x0082;
inline constexpr UINT WM_NCCALCSIZE = 0x0083;
inline constexpr UINT WM_NCHITTEST = 0x0084;
inline constexpr UINT WM_NCPAINT = 0x0085;
inline constexpr UINT WM_NCACTIVATE = 0x0086;
inline constexpr UINT WM_GETDLGCODE = 0x0087;
inline constexpr UINT WM_SYNCPAINT = 0x0088;
inline constexpr UINT WM_NCMOUSEMOVE = 0x00A0;
inline constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr UINT WM_NCLBUTTONUP = 0x00A2;
inline constexpr UINT WM_NCLBUTTONDBLCLK = 0x00A3;
inline constexpr UINT WM_NCRBUTTONDOWN = 0x00A4;
inline constexpr UINT WM_NCRBUTTONUP = 0x00A5;
inline constexpr UINT WM_NCRBUTTONDBLCLK = 0x00A6;
inline constexpr UINT WM_NCMBUTTONDOWN = 0x00A7;
inline constexpr UINT WM_NCMBUTTONUP = 0x00A8;
inline constexpr UINT WM_NCMBUTTONDBLCLK = 0x00A9;

inline constexpr UINT WM_KEYFIRST = 0x0100;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_DEADCHAR = 0x0103;
inline constexpr UINT WM_SYSKEYDOWN = 0x0104;
inline constexpr UINT WM_SYSKEYUP = 0x0105;
inline constexpr UINT WM_SYSCHAR = 0x0106;
inline constexpr UINT WM_SYSDEADCHAR = 0x0107;
inline constexpr UINT WM_UNICHAR = 0x0109;
inline constexpr UINT WM_KEYLAST = 0x0109;

inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_HSCROLL = 0x0114;
inline constexpr UINT WM_VSCROLL = 0x0115;
// Scroll requests of WM_HSCROLL and WM_VSCROLL (low word of wParam).
inline constexpr WPARAM SB_LINEUP = 0;
inline constexpr WPARAM SB_LINEDOWN = 1;
inline constexpr UINT WM_INITMENU = 0x0116;
inline constexpr UINT WM_INITMENUPOPUP = 0x0117;
inline constexpr UINT WM_GESTURE = 0x0119;
inline constexpr UINT WM_GESTURENOTIFY = 0x011A;
inline constexpr UINT WM_MENUSELECT = 0x011F;
inline constexpr UINT WM_ENTERIDLE = 0x0121;
inline constexpr UINT WM_CHANGEUISTATE = 0x0127;
inline constexpr UINT WM_UPDATEUISTATE = 0x0128;
inline constexpr UINT WM_QUERYUISTATE = 0x0129;
inline constexpr UINT WM_CTLCOLORSTATIC = 0x0138;

inline constexpr UINT WM_MOUSEFIRST = 0x0200;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_LBUTTONDBLCLK = 0x0203;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_RBUTTONDBLCLK = 0x0206;
inline constexpr UINT WM_MBUTTONDOWN = 0x0207;
inline constexpr UINT WM_MBUTTONUP = 0x0208;
inline constexpr UINT WM_MBUTTONDBLCLK = 0x0209;
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;
inline constexpr UINT WM_XBUTTONDOWN = 0x020B;
inline constexpr UINT WM_XBUTTONUP = 0x020C;
inline constexpr UINT WM_XBUTTONDBLCLK = 0x020D;
inline constexpr UINT WM_MOUSEHWHEEL = 0x020E;
inline constexpr UINT WM_MOUSELAST = 0x020E;

inline constexpr UINT WM_PARENTNOTIFY = 0x0210;
inline constexpr UINT WM_ENTERMENULOOP = 0x0211;
inline constexpr UINT WM_EXITMENULOOP = 0x0212;
inline constexpr UINT WM_SIZING = 0x0214;
inline constexpr UINT WM_CAPTURECHANGED = 0x0215;
inline constexpr UINT WM_MOVING = 0x0216;
inline constexpr UINT WM_ENTERSIZEMOVE = 0x0231;
inline constexpr UINT WM_EXITSIZEMOVE = 0x0232;
inline constexpr UINT WM_DROPFILES = 0x0233;
inline constexpr UINT WM_MOUSEHOVER = 0x02A1;
inline constexpr UINT WM_NCMOUSELEAVE = 0x02A2;
inline constexpr UINT WM_MOUSELEAVE = 0x02A3;
inline constexpr UINT WM_DPICHANGED = 0x02E0;
inline constexpr UINT WM_CUT = 0x0300;
inline constexpr UINT WM_COPY = 0x0301;
inline constexpr UINT WM_PASTE = 0x0302;
inline constexpr UINT WM_CLEAR = 0x0303;
inline constexpr UINT WM_UNDO = 0x0304;
inline constexpr UINT WM_PRINT = 0x0317;
inline constexpr UINT WM_PRINTCLIENT = 0x0318;
inline constexpr UINT WM_APPCOMMAND = 0x0319;
inline constexpr UINT WM_THEMECHANGED = 0x031A;
inline constexpr UINT WM_DWMCOMPOSITIONCHANGED = 0x031E;
inline constexpr UINT WM_DWMSENDICONICTHUMBNAIL = 0x0323;
inline constexpr UINT WM_DWMSENDICONICLIVEPREVIEWBITMAP = 0x0326;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_APP = 0x8000;
// Numbers RegisterWindowMessage hands out lie in this range.
inline constexpr UINT WM_REGISTERED_FIRST = 0xC000;
inline constexpr UINT WM_REGISTERED_LAST = 0xFFFF;

// WM_ACTIVATE low word.
inline constexpr WORD WA_INACTIVE = 0;
inline constexpr WORD WA_ACTIVE = 1;
inline constexpr WORD WA_CLICKACTIVE = 2;

// WM_SIZE wParam.
inline constexpr WPARAM SIZE_RESTORED = 0;
inline constexpr WPARAM SIZE_MINIMIZED = 1;
inline constexpr WPARAM SIZE_MAXIMIZED = 2;

// WM_SYSCOMMAND wParam (the low four bits are the system's own and are masked off).
inline constexpr WPARAM SC_SIZE = 0xF000;
inline constexpr WPARAM SC_MOVE = 0xF010;
inline constexpr WPARAM SC_MINIMIZE = 0xF020;
inline constexpr WPARAM SC_MAXIMIZE = 0xF030;
inline constexpr WPARAM SC_CLOSE = 0xF060;
inline constexpr WPARAM SC_KEYMENU = 0xF100;
inline constexpr WPARAM SC_RESTORE = 0xF120;

// WM_NCHITTEST results.
inline constexpr LRESULT HTERROR = -2;
inline constexpr LRESULT HTTRANSPARENT = -1;
inline constexpr LRESULT HTNOWHERE = 0;
inline constexpr LRESULT HTCLIENT = 1;
inline constexpr LRESULT HTCAPTION = 2;
inline constexpr LRESULT HTSYSMENU = 3;
inline constexpr LRESULT HTMINBUTTON = 8;
inline constexpr LRESULT HTMAXBUTTON = 9;
inline constexpr LRESULT HTLEFT = 10;
inline constexpr LRESULT HTRIGHT = 11;
inline constexpr LRESULT HTTOP = 12;
inline constexpr LRESULT HTTOPLEFT = 13;
inline constexpr LRESULT HTTOPRIGHT = 14;
inline constexpr LRESULT HTBOTTOM = 15;
inline constexpr LRESULT HTBOTTOMLEFT = 16;
inline constexpr LRESULT HTBOTTOMRIGHT = 17;
inline constexpr LRESULT HTBORDER = 18;
inline constexpr LRESULT HTCLOSE = 20;

// WM_MOUSEACTIVATE results.
inline constexpr LRESULT MA_ACTIVATE = 1;
inline constexpr LRESULT MA_ACTIVATEANDEAT = 2;
inline constexpr LRESULT MA_NOACTIVATE = 3;
inline constexpr LRESULT MA_NOACTIVATEANDEAT = 4;

// Mouse message wParam key flags.
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_SHIFT = 0x0004;
inline constexpr WPARAM MK_CONTROL = 0x0008;
inline constexpr WPARAM MK_MBUTTON = 0x0010;
inline constexpr WPARAM MK_XBUTTON1 = 0x0020;
inline constexpr WPARAM MK_XBUTTON2 = 0x0040;

// One notch of the wheel; WM_MOUSEWHEEL carries the signed delta in the high word of wParam.
inline constexpr int WHEEL_DELTA = 120;
inline constexpr int16_t GET_WHEEL_DELTA_WPARAM(WPARAM W) { return static_cast<int16_t>(HIWORD(W)); }
inline constexpr WORD GET_KEYSTATE_WPARAM(WPARAM W) { return LOWORD(W); }

// PeekMessage flags.
inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr UINT PM_REMOVE = 0x0001;
inline constexpr UINT PM_NOYIELD = 0x0002;

// Queue status bits (wake masks of MsgWaitForMultipleObjects).
inline constexpr UINT QS_KEY = 0x0001;
inline constexpr UINT QS_MOUSEMOVE = 0x0002;
inline constexpr UINT QS_MOUSEBUTTON = 0x0004;
inline constexpr UINT QS_POSTMESSAGE = 0x0008;
inline constexpr UINT QS_TIMER = 0x0010;
inline constexpr UINT QS_PAINT = 0x0020;
inline constexpr UINT QS_SENDMESSAGE = 0x0040;
inline constexpr UINT QS_HOTKEY = 0x0080;
inline constexpr UINT QS_MOUSE = QS_MOUSEMOVE | QS_MOUSEBUTTON;
inline constexpr UINT QS_INPUT = QS_MOUSE | QS_KEY;
inline constexpr UINT QS_ALLEVENTS = QS_INPUT | QS_POSTMESSAGE | QS_TIMER | QS_PAINT | QS_HOTKEY;
inline constexpr UINT QS_ALLINPUT = QS_ALLEVENTS | QS_SENDMESSAGE;

// WM_PRINT / WM_PRINTCLIENT flags.
inline constexpr LPARAM PRF_CHECKVISIBLE = 0x0001;
inline constexpr LPARAM PRF_NONCLIENT = 0x0002;
inline constexpr LPARAM PRF_CLIENT = 0x0004;
inline constexpr LPARAM PRF_ERASEBKGND = 0x0008;
inline constexpr LPARAM PRF_CHILDREN = 0x0010;
inline constexpr LPARAM PRF_OWNED = 0x0020;

// WM_SHOWWINDOW lParam (why the window is shown or hidden; 0 for ShowWindow).
inline constexpr LPARAM SW_PARENTCLOSING = 1;
inline constexpr LPARAM SW_PARENTOPENING = 3;

// WM_NCCALCSIZE with wParam TRUE: rgrc[0] is the new window rectangle in the parent's client
// coordinates and is answered with the new client rectangle in the same coordinates.
struct NCCALCSIZE_PARAMS {
  TRect rgrc[3];
  struct WINDOWPOS* lppos = nullptr;
};

// WM_WINDOWPOSCHANGING/CHANGED. X and Y are in the parent's client coordinates (screen for a
// top-level window).
struct WINDOWPOS {
  HWND hwnd = nullptr;
  HWND hwndInsertAfter = nullptr;
  int x = 0;
  int y = 0;
  int cx = 0;
  int cy = 0;
  UINT flags = 0;
};

// WM_NCCREATE/WM_CREATE lParam.
struct CREATESTRUCT {
  void* lpCreateParams = nullptr;
  HINSTANCE hInstance = nullptr;
  HMENU hMenu = nullptr;
  HWND hwndParent = nullptr;
  int cy = 0;
  int cx = 0;
  int y = 0;
  int x = 0;
  LONG style = 0;
  String lpszName;
  String lpszClass;
  DWORD dwExStyle = 0;
};

// WM_GETMINMAXINFO lParam.
struct MINMAXINFO {
  TPoint ptReserved;
  TPoint ptMaxSize;
  TPoint ptMaxPosition;
  TPoint ptMinTrackSize;
  TPoint ptMaxTrackSize;
};

// WM_STYLECHANGING/CHANGED lParam.
struct STYLESTRUCT {
  DWORD styleOld = 0;
  DWORD styleNew = 0;
};
