#pragma once
// The window layer's private state, shared by OS.Windows.cpp, OS.Input.cpp, OS.Timers.cpp and
// OS.Monitors.cpp. Not for use above the operating-system layer.

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

#include "os/OS.Backend.h"
#include "os/OS.Input.h"
#include "os/OS.Windows.h"

class TSurface;

namespace detail {

struct TWindowClass {
  WNDCLASS Class;
  int WindowCount = 0;
};

struct TWindow {
  HWND Handle = nullptr;
  TWindowClass* Class = nullptr;
  WNDPROC Proc = nullptr;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  String Text;
  LONG_PTR UserData = 0;
  LONG_PTR Id = 0;
  HINSTANCE Instance = nullptr;
  bool MessageOnly = false;
  TWindow* Parent = nullptr;  // child windows only
  TWindow* Owner = nullptr;   // top-level windows only
  std::vector<TWindow*> Children;  // front (top of the z-order) first
  TRect Rect;                // window rectangle in the parent's client (screen) coordinates
  TRect Client;              // client rectangle relative to the window's top-left
  bool Destroying = false;
  bool Created = false;      // WM_CREATE answered
  // Update region kept as its bounding rectangle (client coordinates).
  TRect Update;
  bool UpdateErase = false;
  bool InternalPaint = false;
  bool NcPaint = false;
  TRect RestoreRect;         // rectangle before minimize/maximize
  // Layered windows.
  Byte LayeredAlpha = 255;
  DWORD LayeredFlags = 0;
  COLORREF LayeredKey = 0;
  bool UpdateLayered = false;  // shows pixels given to UpdateLayeredWindow
  HRGN Region = nullptr;
  // WM_SETICON: the caller keeps the icons alive.
  HICON IconBig = nullptr;
  HICON IconSmall = nullptr;
  // Top-level windows: the pixels (window rectangle size) and the native side.
  std::unique_ptr<TSurface> Surface;
  std::unique_ptr<TNativeWindow> Native;
  UINT Dpi = 96;
  // SB_HORZ and SB_VERT.
  struct TScrollState {
    int Min = 0, Max = 0, Pos = 0, TrackPos = 0;
    UINT Page = 0;
    bool Disabled = false;
  } Scroll[2];

  bool IsChild() const { return (Style & WS_CHILD) != 0 && Parent; }
  bool IsVisible() const { return (Style & WS_VISIBLE) != 0; }
  bool IsEnabled() const { return (Style & WS_DISABLED) == 0; }
};

// A SendMessage from another thread waiting for the UI thread.
struct TCrossSend {
  HWND Window = nullptr;
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
  bool Done = false;
  bool Abandoned = false;  // the sender gave up (timeout); skip it
};

enum class TInputKind { MouseMove, MouseButton, MouseWheel, Key, Char };

struct TInputEvent {
  TInputKind Kind = TInputKind::MouseMove;
  TPoint Pt;
  TMouseButton Button = TMouseButton::Left;
  bool Down = false;
  int Delta = 0;
  bool Horizontal = false;
  WORD VirtKey = 0;
  Char Character = 0;
  bool Repeat = false;
  DWORD Time = 0;
  // The state when the event happened: MK_* flags and whether Alt was down.
  WPARAM Keys = 0;
  bool Alt = false;
};

struct THook {
  HHOOK Handle = nullptr;
  int Kind = 0;
  HOOKPROC Proc = nullptr;
};

// All state of the window layer. Window state is touched on the UI thread only; the queue
// lists and the handle map are guarded by Lock, because other threads post and send.
struct TWindowManager {
  std::thread::id UiThread;
  DWORD UiThreadId = 0;

  std::mutex Lock;
  std::condition_variable Wakeup;  // used when no backend is installed
  bool WakePending = false;
  std::unordered_map<uintptr_t, std::unique_ptr<TWindow>> Windows;
  uintptr_t NextHandle = 0x10010;
  std::deque<MSG> Posted;
  std::deque<TCrossSend*> Sent;
  std::condition_variable SendDone;
  bool QuitPosted = false;
  int QuitCode = 0;

  // UI thread only from here on.
  std::deque<TInputEvent> Input;
  std::vector<std::unique_ptr<TWindowClass>> Classes;
  std::vector<TWindow*> TopLevels;  // front first; topmost windows ahead of the others
  std::vector<THook> Hooks;
  uintptr_t NextHook = 1;
  std::unique_ptr<TDisplayBackend> Backend;
  int SendDepth = 0;  // > 0 while delivering a cross-thread send
  MSG Current;        // the message last taken from the queue

  // Input state.
  HWND Capture = nullptr;
  HWND Focus = nullptr;
  HWND Active = nullptr;
  bool AppActive = false;
  TPoint CursorPos;
  HCURSOR Cursor = nullptr;
  int CursorShowCount = 0;
  HWND MouseTrack = nullptr;   // TrackMouseEvent(TME_LEAVE) window
  HWND LastMouseWindow = nullptr;
  Byte KeyState[256] = {};       // as of the last message taken
  Byte AsyncKeyState[256] = {};  // as input arrived
  // Double-click detection.
  HWND LastClickWindow = nullptr;
  UINT LastClickMsg = 0;
  DWORD LastClickTime = 0;
  TPoint LastClickPt;
  bool LastClickWasDouble = false;
};

TWindowManager& WM();
bool HasWindowManager();
TWindow* Find(HWND Window);         // UI thread
TWindow* FindLocked(HWND Window);   // caller holds WM().Lock
bool IsUiThread();

// Window -> screen offsets.
TPoint ClientOrigin(const TWindow* W);  // screen position of the client area's top-left
TPoint WindowOrigin(const TWindow* W);  // screen position of the window's top-left
TWindow* TopLevelOf(TWindow* W);

// Hit-testing: the deepest visible window under a screen point, honouring HTTRANSPARENT; Hit
// receives the hit-test code.
TWindow* HitTest(TPoint ScreenPoint, LRESULT* Hit);

// Posting without the window check (caller made it); thread-safe.
void PostInternal(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
// The same with the point GetMessagePos reports for the message (screen coordinates).
void PostInternalAt(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam, TPoint ScreenPoint);
// Runs hooks of a kind; true when a hook asked to discard the message.
LRESULT CallHooks(int Kind, int Code, WPARAM WParam, LPARAM LParam);

// Input processing (OS.Input.cpp).
// Takes the first input event and turns it into a message; false when the input queue is empty
// or the event produced no message (it is then consumed and the caller asks again).
bool CookInput(const TInputEvent& Event, MSG& Msg);
void InputWindowDestroyed(TWindow* W);
void ActivateWindow(HWND Window, WORD How);
void UpdateKeyStateFromMessage(const MSG& Msg);

void InitializeWindows();
void FinalizeWindows();
void InitializeInput();
void FinalizeInput();

}  // namespace detail
