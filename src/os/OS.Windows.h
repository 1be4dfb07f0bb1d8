#pragma once
// Windows and messages: window classes, window handles and procedures, the message queue of the
// UI thread (send, post, peek, get, dispatch), hooks, geometry, showing, z-order, invalidation
// and painting, layered windows.
//
// One UI thread (the thread that initialized the unit) owns every window; window functions are
// called on it unless a comment says otherwise. SendMessage from another thread blocks until the
// UI thread delivers the message, inside its message loop or inside any UI-thread wait.
// Handles are never reused, so a stale handle never reaches a newer window.
//
// Coordinates: a window rectangle is kept in its parent's client coordinates (screen
// coordinates for a top-level window); client coordinates start at the client area's top-left.

#include <functional>

#include "os/OS.Messages.h"

class TSurface;
struct BLENDFUNCTION;  // OS.Gdi.h

// Window styles.
inline constexpr DWORD WS_OVERLAPPED = 0x00000000;
inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_CHILD = 0x40000000;
inline constexpr DWORD WS_MINIMIZE = 0x20000000;
inline constexpr DWORD WS_VISIBLE = 0x10000000;
inline constexpr DWORD WS_DISABLED = 0x08000000;
inline constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
inline constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
inline constexpr DWORD WS_MAXIMIZE = 0x01000000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr DWORD WS_BORDER = 0x00800000;
inline constexpr DWORD WS_DLGFRAME = 0x00400000;
inline constexpr DWORD WS_VSCROLL = 0x00200000;
inline constexpr DWORD WS_HSCROLL = 0x00100000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_THICKFRAME = 0x00040000;
inline constexpr DWORD WS_GROUP = 0x00020000;
inline constexpr DWORD WS_TABSTOP = 0x00010000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
inline constexpr DWORD WS_OVERLAPPEDWINDOW =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

// Extended window styles.
inline constexpr DWORD WS_EX_DLGMODALFRAME = 0x00000001;
inline constexpr DWORD WS_EX_TOPMOST = 0x00000008;
inline constexpr DWORD WS_EX_ACCEPTFILES = 0x00000010;
inline constexpr DWORD WS_EX_TRANSPARENT = 0x00000020;
inline constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;
inline constexpr DWORD WS_EX_WINDOWEDGE = 0x00000100;
inline constexpr DWORD WS_EX_CLIENTEDGE = 0x00000200;
inline constexpr DWORD WS_EX_CONTROLPARENT = 0x00010000;
inline constexpr DWORD WS_EX_STATICEDGE = 0x00020000;
inline constexpr DWORD WS_EX_APPWINDOW = 0x00040000;
inline constexpr DWORD WS_EX_LAYERED = 0x00080000;
inline constexpr DWORD WS_EX_NOACTIVATE = 0x08000000;

// Class styles.
inline constexpr UINT CS_VREDRAW = 0x0001;
inline constexpr UINT CS_HREDRAW = 0x0002;
inline constexpr UINT CS_DBLCLKS = 0x0008;
inline constexpr UINT CS_OWNDC = 0x0020;
inline constexpr UINT CS_SAVEBITS = 0x0800;
inline constexpr UINT CS_DROPSHADOW = 0x00020000;

// Special insert-after and parent handles.
inline const HWND HWND_TOP = reinterpret_cast<HWND>(intptr_t(0));
inline const HWND HWND_BOTTOM = reinterpret_cast<HWND>(intptr_t(1));
inline const HWND HWND_TOPMOST = reinterpret_cast<HWND>(intptr_t(-1));
inline const HWND HWND_NOTOPMOST = reinterpret_cast<HWND>(intptr_t(-2));
inline const HWND HWND_MESSAGE = reinterpret_cast<HWND>(intptr_t(-3));
inline const HWND HWND_BROADCAST = reinterpret_cast<HWND>(intptr_t(0xFFFF));

// SetWindowPos flags.
inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT SWP_NOREDRAW = 0x0008;
inline constexpr UINT SWP_NOACTIVATE = 0x0010;
inline constexpr UINT SWP_FRAMECHANGED = 0x0020;
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;
inline constexpr UINT SWP_HIDEWINDOW = 0x0080;
inline constexpr UINT SWP_NOCOPYBITS = 0x0100;
inline constexpr UINT SWP_NOOWNERZORDER = 0x0200;
inline constexpr UINT SWP_NOSENDCHANGING = 0x0400;
inline constexpr UINT SWP_DEFERERASE = 0x2000;
inline constexpr UINT SWP_ASYNCWINDOWPOS = 0x4000;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_NORMAL = 1;
inline constexpr int SW_SHOWMINIMIZED = 2;
inline constexpr int SW_SHOWMAXIMIZED = 3;
inline constexpr int SW_MAXIMIZE = 3;
inline constexpr int SW_SHOWNOACTIVATE = 4;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_SHOWMINNOACTIVE = 7;
inline constexpr int SW_SHOWNA = 8;
inline constexpr int SW_RESTORE = 9;
inline constexpr int SW_SHOWDEFAULT = 10;

// GetWindowLongPtr / SetWindowLongPtr indexes.
inline constexpr int GWLP_WNDPROC = -4;
inline constexpr int GWLP_HINSTANCE = -6;
inline constexpr int GWLP_HWNDPARENT = -8;
inline constexpr int GWLP_ID = -12;
inline constexpr int GWL_STYLE = -16;
inline constexpr int GWL_EXSTYLE = -20;
inline constexpr int GWLP_USERDATA = -21;

// GetWindow relations.
inline constexpr UINT GW_HWNDFIRST = 0;
inline constexpr UINT GW_HWNDLAST = 1;
inline constexpr UINT GW_HWNDNEXT = 2;
inline constexpr UINT GW_HWNDPREV = 3;
inline constexpr UINT GW_OWNER = 4;
inline constexpr UINT GW_CHILD = 5;
inline constexpr UINT GW_ENABLEDPOPUP = 6;

// GetAncestor.
inline constexpr UINT GA_PARENT = 1;
inline constexpr UINT GA_ROOT = 2;
inline constexpr UINT GA_ROOTOWNER = 3;

// RedrawWindow flags.
inline constexpr UINT RDW_INVALIDATE = 0x0001;
inline constexpr UINT RDW_INTERNALPAINT = 0x0002;
inline constexpr UINT RDW_ERASE = 0x0004;
inline constexpr UINT RDW_VALIDATE = 0x0008;
inline constexpr UINT RDW_NOINTERNALPAINT = 0x0010;
inline constexpr UINT RDW_NOERASE = 0x0020;
inline constexpr UINT RDW_NOCHILDREN = 0x0040;
inline constexpr UINT RDW_ALLCHILDREN = 0x0080;
inline constexpr UINT RDW_UPDATENOW = 0x0100;
inline constexpr UINT RDW_ERASENOW = 0x0200;
inline constexpr UINT RDW_FRAME = 0x0400;
inline constexpr UINT RDW_NOFRAME = 0x0800;

// ScrollWindowEx flags.
inline constexpr UINT SW_SCROLLCHILDREN = 0x0001;
inline constexpr UINT SW_INVALIDATE = 0x0002;
inline constexpr UINT SW_ERASE = 0x0004;

// Layered windows.
inline constexpr DWORD ULW_COLORKEY = 0x00000001;
inline constexpr DWORD ULW_ALPHA = 0x00000002;
inline constexpr DWORD ULW_OPAQUE = 0x00000004;
inline constexpr DWORD LWA_COLORKEY = 0x00000001;
inline constexpr DWORD LWA_ALPHA = 0x00000002;

// Window-placement flags and the show command's reading of it.
inline constexpr UINT WPF_RESTORETOMAXIMIZED = 0x0002;

// SendMessageTimeout flags.
inline constexpr UINT SMTO_NORMAL = 0x0000;
inline constexpr UINT SMTO_BLOCK = 0x0001;
inline constexpr UINT SMTO_ABORTIFHUNG = 0x0002;

// Wait results of MsgWaitForMultipleObjects.
inline constexpr DWORD WAIT_OBJECT_0 = 0x00000000;
inline constexpr DWORD WAIT_TIMEOUT = 0x00000102;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

struct WNDCLASS {
  UINT style = 0;
  WNDPROC lpfnWndProc = nullptr;
  HINSTANCE hInstance = nullptr;
  HICON hIcon = nullptr;
  HCURSOR hCursor = nullptr;  // null: the window sets the cursor itself on WM_SETCURSOR
  HBRUSH hbrBackground = nullptr;
  String lpszClassName;
};

struct PAINTSTRUCT {
  HDC hdc = nullptr;
  BOOL fErase = 0;  // TRUE when WM_ERASEBKGND was not answered (the background still needs erasing)
  TRect rcPaint;    // client coordinates
};

struct WINDOWPLACEMENT {
  UINT flags = 0;
  UINT showCmd = SW_SHOWNORMAL;
  TPoint ptMinPosition;
  TPoint ptMaxPosition;
  TRect rcNormalPosition;  // the restored window rectangle (parent's client / screen coordinates)
};

// Window classes. Names compare ignoring ASCII case. Registering a name twice fails (0).
ATOM RegisterClass(const WNDCLASS& Class);
// Fails while a window of the class exists.
BOOL UnregisterClass(StringView ClassName, HINSTANCE Instance = nullptr);
BOOL GetClassInfo(HINSTANCE Instance, StringView ClassName, WNDCLASS& Class);
String GetClassName(HWND Window);
// The class style (CS_*).
DWORD GetClassStyle(HWND Window);

// Creates a window; Parent is the parent of a WS_CHILD window, the owner of another one, or
// HWND_MESSAGE for a message-only window (never visible, never enumerated). Sends WM_NCCREATE,
// WM_NCCALCSIZE, WM_CREATE (lParam: CREATESTRUCT*), WM_SIZE and WM_MOVE, and shows the window
// when WS_VISIBLE is given. Returns null when the class is unknown, the parent is not a window
// or WM_NCCREATE/WM_CREATE refuse (FALSE / -1).
HWND CreateWindowEx(DWORD ExStyle, StringView ClassName, StringView WindowName, DWORD Style, int X, int Y,
                    int Width, int Height, HWND Parent, HMENU Menu = nullptr, HINSTANCE Instance = nullptr,
                    void* Param = nullptr);
// Destroys owned windows first, then hides the window, sends WM_DESTROY (the window before its
// children) and WM_NCDESTROY (children before the window). Messages still queued for it are dropped.
BOOL DestroyWindow(HWND Window);
// Thread-safe.
BOOL IsWindow(HWND Window);
BOOL IsChild(HWND Parent, HWND Window);
// The parent of a child window, the owner of a top-level one.
HWND GetParent(HWND Window);
// Changes the parent of a child window (NewParent null: top-level). Returns the old parent.
HWND SetParent(HWND Window, HWND NewParent);
HWND GetAncestor(HWND Window, UINT Flags);
HWND GetWindow(HWND Window, UINT Cmd);
HWND GetTopWindow(HWND Window);
HWND GetDesktopWindow();
// Top-level windows of the UI thread, front to back; the callback returns FALSE to stop.
using WNDENUMPROC = std::function<BOOL(HWND)>;
BOOL EnumWindows(const WNDENUMPROC& Func);
BOOL EnumThreadWindows(DWORD ThreadId, const WNDENUMPROC& Func);
// Every descendant, parents before their children, each level front to back.
BOOL EnumChildWindows(HWND Parent, const WNDENUMPROC& Func);
HWND FindWindow(StringView ClassName, StringView WindowName);

LONG_PTR GetWindowLongPtr(HWND Window, int Index);
// GWLP_WNDPROC replaces the window procedure (subclassing) and returns the previous one, which
// the new procedure passes messages on to with CallWindowProc. GWL_STYLE/GWL_EXSTYLE send
// WM_STYLECHANGING/WM_STYLECHANGED.
LONG_PTR SetWindowLongPtr(HWND Window, int Index, LONG_PTR Value);
inline LONG GetWindowLong(HWND Window, int Index) { return static_cast<LONG>(GetWindowLongPtr(Window, Index)); }
inline LONG SetWindowLong(HWND Window, int Index, LONG Value) {
  return static_cast<LONG>(SetWindowLongPtr(Window, Index, Value));
}
BOOL SetWindowText(HWND Window, StringView Text);
String GetWindowText(HWND Window);
// Thread ids are those of GetCurrentThreadId (RTL.Threads.h).
DWORD GetWindowThreadProcessId(HWND Window, DWORD* ProcessId = nullptr);
// The UI thread's id.
DWORD GetUiThreadId();

// Messages.
LRESULT CallWindowProc(WNDPROC Proc, HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
LRESULT DefWindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
// Any thread. On the UI thread the procedure is called at once; from another thread the call
// waits until the UI thread delivers it. 0 when the window does not exist or is destroyed first.
LRESULT SendMessage(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
// Like SendMessage; from another thread gives up after Timeout ms (FALSE; the message is then
// not delivered any more). Result may be null.
LRESULT SendMessageTimeout(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam, UINT Flags, UINT Timeout,
                           uintptr_t* Result);
// Any thread. HWND_BROADCAST posts to every top-level window. FALSE when Window is not a window.
BOOL PostMessage(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
// Any thread; the message (hwnd null) goes to the queue of the UI thread.
BOOL PostThreadMessage(DWORD ThreadId, UINT Msg, WPARAM WParam, LPARAM LParam);
// Ends the loop: GetMessage returns FALSE once the queue has no posted messages left.
void PostQuitMessage(int ExitCode);
// Window null: any message of the thread; Window -1 (as HWND): thread messages only. First/Last 0
// and 0: every message. Serves pending cross-thread sends first. Order: sent, posted, input,
// WM_PAINT, WM_TIMER. WM_PAINT is never removed: it comes until the window is validated.
BOOL PeekMessage(MSG& Msg, HWND Window, UINT First, UINT Last, UINT RemoveFlags);
// Waits for a message; FALSE for WM_QUIT, -1 for an invalid window filter.
BOOL GetMessage(MSG& Msg, HWND Window, UINT First, UINT Last);
// Waits until something arrives in the queue (serving cross-thread sends meanwhile).
BOOL WaitMessage();
// WM_KEYDOWN/WM_SYSKEYDOWN of a key that gives a character posts WM_CHAR/WM_SYSCHAR.
BOOL TranslateMessage(const MSG& Msg);
LRESULT DispatchMessage(const MSG& Msg);
// TimeoutMs: INFINITE (RTL.SyncObjs.h) waits without limit.
// Returns WAIT_OBJECT_0 when Ready() answers true (polled each time the thread is woken),
// WAIT_OBJECT_0 + 1 when queue input of WakeMask is available, WAIT_TIMEOUT otherwise.
// Cross-thread sends are delivered while waiting. Whoever makes Ready() true calls
// WakeUiThread(). Ready may be empty (then only input or the timeout end the wait).
DWORD MsgWaitForReady(const std::function<bool()>& Ready, DWORD TimeoutMs, DWORD WakeMask);
// Any thread: wakes the UI thread's wait.
void WakeUiThread();
// Delivers the pending cross-thread sends (UI thread); true when it delivered any.
bool ServePendingSends();
// The queue status (QS_*) of what is waiting, like GetQueueStatus's high word.
DWORD GetQueueStatus(UINT Flags);
DWORD GetMessageTime();
DWORD GetMessagePos();
// True when the message being handled was sent from another thread.
BOOL InSendMessage();
// Message numbers by name (ignoring case), from 0xC000 up; the same name gives the same number.
UINT RegisterWindowMessage(StringView Name);

// Hooks (UI thread only).
inline constexpr int WH_GETMESSAGE = 3;
inline constexpr int WH_CALLWNDPROC = 4;
inline constexpr int WH_KEYBOARD = 2;
inline constexpr int WH_MOUSE = 7;
inline constexpr int HC_ACTION = 0;
inline constexpr int HC_NOREMOVE = 3;
// Keyboard hook: wParam virtual key, lParam the key message's lParam. Mouse hook: wParam the mouse
// message, lParam MOUSEHOOKSTRUCT*. Get-message hook: wParam PM_REMOVE/PM_NOREMOVE, lParam MSG*
// (may be changed). A keyboard or mouse hook returning non-zero discards the message.
using HOOKPROC = LRESULT (*)(int Code, WPARAM WParam, LPARAM LParam);
struct MOUSEHOOKSTRUCT {
  TPoint pt;
  HWND hwnd = nullptr;
  UINT wHitTestCode = 0;
  uintptr_t dwExtraInfo = 0;
};
HHOOK SetWindowsHookEx(int IdHook, HOOKPROC Proc, HINSTANCE Module, DWORD ThreadId);
BOOL UnhookWindowsHookEx(HHOOK Hook);
LRESULT CallNextHookEx(HHOOK Hook, int Code, WPARAM WParam, LPARAM LParam);

// Geometry.
BOOL GetWindowRect(HWND Window, TRect& Rect);     // screen coordinates
BOOL GetClientRect(HWND Window, TRect& Rect);     // (0, 0, width, height) of the client area
BOOL ClientToScreen(HWND Window, TPoint& Point);
BOOL ScreenToClient(HWND Window, TPoint& Point);
// Maps points from From's client coordinates to To's (null: the screen).
int MapWindowPoints(HWND From, HWND To, TPoint* Points, UINT Count);
int MapWindowPoints(HWND From, HWND To, TRect& Rect);
// X, Y in the parent's client coordinates. Sends WM_WINDOWPOSCHANGING, WM_NCCALCSIZE,
// WM_WINDOWPOSCHANGED, WM_MOVE and WM_SIZE as they apply. HWND_TOPMOST/HWND_NOTOPMOST move a
// top-level window in or out of the topmost band.
BOOL SetWindowPos(HWND Window, HWND InsertAfter, int X, int Y, int Cx, int Cy, UINT Flags);
BOOL MoveWindow(HWND Window, int X, int Y, int Width, int Height, BOOL Repaint);
// Moves many windows in one batch: the positions are collected and applied together by
// EndDeferWindowPos (each as SetWindowPos would). DeferWindowPos returns the batch, or null (and
// frees the batch) for a window that does not exist.
struct TDeferWindowPosBatch;
using HDWP = TDeferWindowPosBatch*;
HDWP BeginDeferWindowPos(int NumWindows);
HDWP DeferWindowPos(HDWP Batch, HWND Window, HWND InsertAfter, int X, int Y, int Cx, int Cy, UINT Flags);
// Applies and frees the batch; FALSE when any move failed or the batch is null.
BOOL EndDeferWindowPos(HDWP Batch);
BOOL BringWindowToTop(HWND Window);
BOOL ShowWindow(HWND Window, int Cmd);  // the previous visibility
BOOL IsWindowVisible(HWND Window);      // the window and every ancestor are visible
BOOL IsIconic(HWND Window);
BOOL IsZoomed(HWND Window);
BOOL GetWindowPlacement(HWND Window, WINDOWPLACEMENT& Placement);
BOOL SetWindowPlacement(HWND Window, const WINDOWPLACEMENT& Placement);
// The window's shape in window coordinates; the window takes ownership of the region (null
// removes the shape). Hit-testing and painting follow it.
int SetWindowRgn(HWND Window, HRGN Region, BOOL Redraw);
// Copies the window's shape into Region (which the caller made and keeps); the region's
// complexity, or ERROR when the window has no shape.
int GetWindowRgn(HWND Window, HRGN Region);
// The window's DPI (its monitor's for a top-level window; the top-level window's for a child).
UINT GetDpiForWindow(HWND Window);

// Invalidation and painting. Rectangles in client coordinates; null: the whole client area.
BOOL InvalidateRect(HWND Window, const TRect* Rect, BOOL Erase);
BOOL InvalidateRgn(HWND Window, HRGN Region, BOOL Erase);
BOOL ValidateRect(HWND Window, const TRect* Rect);
BOOL GetUpdateRect(HWND Window, TRect* Rect, BOOL Erase);
BOOL RedrawWindow(HWND Window, const TRect* Update, HRGN Region, UINT Flags);
// Sends WM_PAINT at once when the window has an update region (and to its children).
BOOL UpdateWindow(HWND Window);
// Scrolls the client area's pixels by (Dx, Dy) within Scroll (null: the client area) and clip;
// the uncovered part is invalidated when SW_INVALIDATE is given and returned in Update.
int ScrollWindowEx(HWND Window, int Dx, int Dy, const TRect* Scroll, const TRect* Clip, HRGN UpdateRgn,
                   TRect* Update, UINT Flags);
// While a window is locked (one at a time), drawing on it and its children goes nowhere except
// through GetDCEx with DCX_LOCKWINDOWUPDATE; unlocking (null) repaints it.
BOOL LockWindowUpdate(HWND Window);

// Painting. Every window draws into its top-level window's pixels: a window DC has its origin
// at the window's client (GetWindowDC: window) top-left and is clipped to the part of the
// window that is visible within its ancestors (siblings above it excluded with
// WS_CLIPSIBLINGS, children with WS_CLIPCHILDREN).
// BeginPaint clips further to the update region, validates it, sends WM_NCPAINT when the frame
// needs it and WM_ERASEBKGND when the invalidation asked for erasing. EndPaint (and ReleaseDC)
// hand the changed pixels to the display.
inline constexpr DWORD DCX_WINDOW = 0x00000001;
inline constexpr DWORD DCX_CACHE = 0x00000002;
inline constexpr DWORD DCX_CLIPCHILDREN = 0x00000008;
inline constexpr DWORD DCX_CLIPSIBLINGS = 0x00000010;
inline constexpr DWORD DCX_PARENTCLIP = 0x00000020;
inline constexpr DWORD DCX_EXCLUDERGN = 0x00000040;
inline constexpr DWORD DCX_INTERSECTRGN = 0x00000080;
inline constexpr DWORD DCX_LOCKWINDOWUPDATE = 0x00000400;
HDC BeginPaint(HWND Window, PAINTSTRUCT& Paint);
BOOL EndPaint(HWND Window, const PAINTSTRUCT& Paint);
// Window null: a DC over a 1 x 1 scratch surface at the system DPI (for measuring).
HDC GetDC(HWND Window);
HDC GetWindowDC(HWND Window);
// Flags: DCX_WINDOW; DCX_INTERSECTRGN/DCX_EXCLUDERGN with Region (client or window coordinates).
HDC GetDCEx(HWND Window, HRGN Region, DWORD Flags);
int ReleaseDC(HWND Window, HDC DC);

// Layered windows. A WS_EX_LAYERED top-level window shows either what it paints, blended with a
// constant alpha (SetLayeredWindowAttributes), or the premultiplied 32-bit pixels handed to
// UpdateLayeredWindow, blended per pixel and with the blend function's constant alpha.
BOOL SetLayeredWindowAttributes(HWND Window, COLORREF Key, Byte Alpha, DWORD Flags);
BOOL GetLayeredWindowAttributes(HWND Window, COLORREF* Key, Byte* Alpha, DWORD* Flags);
// Position and Size may be null (unchanged). Source is the surface to show (copied);
// SourcePoint its top-left to use. Pixels are premultiplied BGRA.
BOOL UpdateLayeredWindow(HWND Window, const TPoint* Position, const TSize* Size, const TSurface* Source,
                         const TPoint* SourcePoint, COLORREF Key, const BLENDFUNCTION* Blend, DWORD Flags);

// The pixels of a top-level window as shown (its own surface, children drawn in; for a
// UpdateLayeredWindow window the pixels it was given). Null for a child or hidden window.
const TSurface* GetWindowSurface(HWND Window);
