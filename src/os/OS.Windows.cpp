#include "os/OS.Windows.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "os/OS.Gdi.h"
#include "os/OS.Icons.h"
#include "os/OS.Monitors.h"
#include "os/OS.Regions.h"
#include "os/OS.Surface.h"
#include "os/OS.Timers.h"
#include "os/OS.Windows.Internal.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.SyncObjs.h"
#include "rtl/RTL.Threads.h"

namespace detail {
namespace {
TWindowManager* GManager = nullptr;
// Windows destroyed while a message of theirs may still be on the stack are freed when the
// outermost message loop comes round again.
std::vector<std::unique_ptr<TWindow>> GGraveyard;
int GDispatchDepth = 0;
DWORD GMessageTime = 0;
TPoint GMessagePos;

bool SameText(StringView A, StringView B) {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i) {
    Char a = A[i], b = B[i];
    if (a >= u'a' && a <= u'z') a = Char(a - 32);
    if (b >= u'a' && b <= u'z') b = Char(b - 32);
    if (a != b) return false;
  }
  return true;
}

uintptr_t Key(HWND Window) { return reinterpret_cast<uintptr_t>(Window); }
}  // namespace

TWindowManager& WM() { return *GManager; }
bool HasWindowManager() { return GManager != nullptr; }

bool IsUiThread() { return GManager && std::this_thread::get_id() == GManager->UiThread; }

TWindow* FindLocked(HWND Window) {
  if (!GManager || !Window) return nullptr;
  auto it = GManager->Windows.find(Key(Window));
  return it == GManager->Windows.end() ? nullptr : it->second.get();
}

TWindow* Find(HWND Window) {
  if (!GManager || !Window) return nullptr;
  std::lock_guard<std::mutex> lock(GManager->Lock);
  return FindLocked(Window);
}

TWindow* TopLevelOf(TWindow* W) {
  while (W && W->IsChild()) W = W->Parent;
  return W;
}

TPoint WindowOrigin(const TWindow* W) {
  TPoint p = W->Rect.TopLeft();
  for (const TWindow* parent = W->IsChild() ? W->Parent : nullptr; parent;
       parent = parent->IsChild() ? parent->Parent : nullptr)
    p += parent->Rect.TopLeft() + parent->Client.TopLeft();
  return p;
}

TPoint ClientOrigin(const TWindow* W) { return WindowOrigin(W) + W->Client.TopLeft(); }

namespace {
void Post(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam, const TPoint* ScreenPoint) {
  MSG m;
  m.hwnd = Window;
  m.message = Msg;
  m.wParam = WParam;
  m.lParam = LParam;
  m.time = static_cast<DWORD>(GetClock().NowMs());
  {
    std::lock_guard<std::mutex> lock(GManager->Lock);
    m.pt = ScreenPoint ? *ScreenPoint : GManager->CursorPos;
    GManager->Posted.push_back(m);
  }
  WakeUiThread();
}
}  // namespace

void PostInternal(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) { Post(Window, Msg, WParam, LParam, nullptr); }

void PostInternalAt(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam, TPoint ScreenPoint) {
  Post(Window, Msg, WParam, LParam, &ScreenPoint);
}

LRESULT CallHooks(int Kind, int Code, WPARAM WParam, LPARAM LParam) {
  for (const THook& hook : WM().Hooks)
    if (hook.Kind == Kind) return hook.Proc(Code, WParam, LParam);
  return 0;
}

}  // namespace detail

using namespace detail;

namespace {
void (*GPreviousWake)() = nullptr;
std::atomic<bool> GSynchronizePending{false};

void WakeForSynchronize() {
  GSynchronizePending = true;
  WakeUiThread();
}

void ServeSendsHook() { ServePendingSends(); }
}  // namespace

namespace {

// ---- unit state --------------------------------------------------------------------------

void DeliverAbandonedSends() {
  std::lock_guard<std::mutex> lock(WM().Lock);
  for (TCrossSend* send : WM().Sent) send->Done = true;
  WM().Sent.clear();
  WM().SendDone.notify_all();
}

// ---- procedures --------------------------------------------------------------------------

// Calls the window's procedure; W must not be used after this returns (the call may destroy it).
LRESULT CallProc(TWindow* W, UINT Msg, WPARAM WParam, LPARAM LParam) {
  WNDPROC proc = W->Proc ? W->Proc : DefWindowProc;
  HWND handle = W->Handle;
  ++GDispatchDepth;
  struct TLeave {
    ~TLeave() { --GDispatchDepth; }
  } leave;
  return proc(handle, Msg, WParam, LParam);
}

void CollectGarbage() {
  if (GDispatchDepth == 0 && WM().SendDepth == 0) GGraveyard.clear();
}

// ---- z-order -----------------------------------------------------------------------------

std::vector<TWindow*>& SiblingList(TWindow* W) { return W->IsChild() ? W->Parent->Children : WM().TopLevels; }

bool IsTopmost(const TWindow* W) { return !W->IsChild() && (W->ExStyle & WS_EX_TOPMOST); }

void Unlink(TWindow* W) {
  auto& list = SiblingList(W);
  list.erase(std::remove(list.begin(), list.end(), W), list.end());
}

// Inserts W among its siblings. InsertAfter: HWND_TOP, HWND_BOTTOM or a sibling. Top-level
// windows stay in their band: topmost windows before all others.
void LinkWindow(TWindow* W, HWND InsertAfter) {
  auto& list = SiblingList(W);
  list.erase(std::remove(list.begin(), list.end(), W), list.end());
  const bool topmost = IsTopmost(W);
  auto bandBegin = list.begin();
  auto bandEnd = list.end();
  if (!W->IsChild()) {
    auto firstNormal = std::find_if(list.begin(), list.end(), [](TWindow* x) { return !IsTopmost(x); });
    if (topmost)
      bandEnd = firstNormal;
    else
      bandBegin = firstNormal;
  }
  auto pos = bandBegin;
  if (InsertAfter == HWND_BOTTOM) {
    pos = bandEnd;
  } else if (InsertAfter != HWND_TOP && InsertAfter != HWND_TOPMOST && InsertAfter != HWND_NOTOPMOST) {
    auto it = std::find_if(bandBegin, bandEnd, [&](TWindow* x) { return x->Handle == InsertAfter; });
    if (it != bandEnd) pos = it + 1;
  }
  list.insert(pos, W);
  if (!W->IsChild()) {
    // Owned windows stay above their owner (within the owner's band).
    std::vector<TWindow*> owned;
    for (TWindow* x : list)
      if (x->Owner == W && IsTopmost(x) == topmost) owned.push_back(x);
    if (!owned.empty()) {
      list.erase(std::remove_if(list.begin(), list.end(), [&](TWindow* x) {
                   return std::find(owned.begin(), owned.end(), x) != owned.end();
                 }),
                 list.end());
      list.insert(std::find(list.begin(), list.end(), W), owned.begin(), owned.end());
      for (TWindow* x : owned)
        if (x->Native) x->Native->ZOrderChanged();
    }
  }
  if (W->Native) W->Native->ZOrderChanged();
}

// ---- painting state ----------------------------------------------------------------------

TRect ClientBounds(const TWindow* W) { return TRect(0, 0, W->Client.Width(), W->Client.Height()); }

void UnionUpdate(TWindow* W, const TRect& R, bool Erase) {
  TRect r;
  if (!IntersectRect(r, R, ClientBounds(W))) {
    if (Erase && !W->Update.IsEmpty()) W->UpdateErase = true;
    return;
  }
  if (W->Update.IsEmpty())
    W->Update = r;
  else
    W->Update = TRect(std::min(W->Update.Left, r.Left), std::min(W->Update.Top, r.Top),
                      std::max(W->Update.Right, r.Right), std::max(W->Update.Bottom, r.Bottom));
  if (Erase) W->UpdateErase = true;
  WakeUiThread();
}

// Invalidates R (client coordinates of W) and, unless W clips its children, the parts of its
// visible children that R covers.
void InvalidateTree(TWindow* W, const TRect& R, bool Erase, bool AllChildren) {
  UnionUpdate(W, R, Erase);
  if ((W->Style & WS_CLIPCHILDREN) && !AllChildren) return;
  for (TWindow* child : W->Children) {
    if (!child->IsVisible()) continue;
    TRect inChild = R;
    inChild.Offset(-(child->Rect.Left + child->Client.Left), -(child->Rect.Top + child->Client.Top));
    InvalidateTree(child, inChild, Erase, AllChildren);
  }
}

void InvalidateAll(TWindow* W) { InvalidateTree(W, ClientBounds(W), true, true); }

// The parent's area that a child covered, so that it is painted again once the child moves away.
void InvalidateParentArea(TWindow* W, const TRect& RectInParent) {
  if (!W->IsChild()) return;
  InvalidateTree(W->Parent, RectInParent, true, false);
}

bool NeedsPaint(const TWindow* W) { return !W->Update.IsEmpty() || W->InternalPaint || W->NcPaint; }

bool HasNonClient(const TWindow* W) { return W->Client != TRect(0, 0, W->Rect.Width(), W->Rect.Height()); }

bool IsShowing(const TWindow* W) {
  for (; W; W = W->IsChild() ? W->Parent : nullptr) {
    if (!W->IsVisible() || W->MessageOnly) return false;
    if (!W->IsChild()) return true;
  }
  return false;
}

TWindow* FindPaintTarget(TWindow* W, HWND Filter, bool InFilter) {
  if (!W->IsVisible()) return nullptr;
  InFilter = InFilter || !Filter || W->Handle == Filter;
  if (InFilter && NeedsPaint(W)) return W;
  for (TWindow* child : W->Children)
    if (TWindow* found = FindPaintTarget(child, Filter, InFilter)) return found;
  return nullptr;
}

TWindow* NextPaintWindow(HWND Filter) {
  for (TWindow* top : WM().TopLevels)
    if (TWindow* found = FindPaintTarget(top, Filter, false)) return found;
  return nullptr;
}

// The top-level window's pixels follow its size (window rectangle).
void UpdateSurface(TWindow* W) {
  if (W->IsChild() || W->MessageOnly) return;
  const int width = std::max(0, W->Rect.Width());
  const int height = std::max(0, W->Rect.Height());
  if (W->UpdateLayered) return;  // the pixels come from UpdateLayeredWindow
  if (!W->Surface || W->Surface->GetWidth() != width || W->Surface->GetHeight() != height)
    W->Surface = std::make_unique<TSurface>(width, height);
}

void PresentWindow(TWindow* W, const TRect& Dirty) {
  TWindow* top = TopLevelOf(W);
  if (!top || !top->Native || !top->Surface) return;
  const bool perPixel = top->UpdateLayered && (top->LayeredFlags & ULW_ALPHA);
  top->Native->Present(*top->Surface, Dirty, (top->ExStyle & WS_EX_LAYERED) ? top->LayeredAlpha : 255, perPixel);
}

// ---- queue -------------------------------------------------------------------------------

bool FilterMatches(const MSG& M, HWND Window, UINT First, UINT Last) {
  if (First != 0 || Last != 0) {
    if (M.message < First || M.message > Last) return false;
  }
  if (Window == reinterpret_cast<HWND>(intptr_t(-1))) return M.hwnd == nullptr;
  if (!Window) return true;
  if (M.hwnd == Window) return true;
  // Callers may hold the queue lock: look the window up without taking it again.
  const TWindow* w = FindLocked(M.hwnd);
  for (const TWindow* p = w && w->IsChild() ? w->Parent : nullptr; p; p = p->IsChild() ? p->Parent : nullptr)
    if (p->Handle == Window) return true;
  return false;
}

bool RangeIncludes(UINT First, UINT Last, UINT LowMsg, UINT HighMsg) {
  if (First == 0 && Last == 0) return true;
  return !(HighMsg < First || LowMsg > Last);
}

struct TCookedInput {
  MSG Msg;
  Char Character = 0;
};
std::deque<TCookedInput> GCooked;
// The character of the key message last taken from the queue, for TranslateMessage.
MSG GLastKeyMsg;
Char GLastKeyChar = 0;

bool TakeInput(MSG& Msg, HWND Window, UINT First, UINT Last, bool Remove) {
  const bool wantsInput =
      RangeIncludes(First, Last, WM_KEYFIRST, WM_KEYLAST) || RangeIncludes(First, Last, WM_MOUSEFIRST, WM_MOUSELAST) ||
      RangeIncludes(First, Last, WM_NCMOUSEMOVE, WM_NCMBUTTONDBLCLK);
  if (!wantsInput) return false;
  // Input is cooked (routed, hit-tested, hooked) in arrival order, one event at a time.
  while (GCooked.empty() && !WM().Input.empty()) {
    TInputEvent event = WM().Input.front();
    WM().Input.pop_front();
    TCookedInput cooked;
    if (CookInput(event, cooked.Msg)) {
      cooked.Character = event.Character;
      GCooked.push_back(cooked);
    }
  }
  for (auto it = GCooked.begin(); it != GCooked.end(); ++it) {
    if (!FilterMatches(it->Msg, Window, First, Last)) continue;
    Msg = it->Msg;
    if (Remove) {
      if (Msg.message == WM_KEYDOWN || Msg.message == WM_SYSKEYDOWN) {
        GLastKeyMsg = Msg;
        GLastKeyChar = it->Character;
      }
      GCooked.erase(it);
      UpdateKeyStateFromMessage(Msg);
    }
    return true;
  }
  return false;
}

bool PeekCore(MSG& Msg, HWND Window, UINT First, UINT Last, UINT Flags) {
  TWindowManager& wm = WM();
  const bool remove = (Flags & PM_REMOVE) != 0;
  if (wm.Backend) wm.Backend->PumpEvents();
  ServePendingSends();
  if (GSynchronizePending.exchange(false)) CheckSynchronize();
  {
    std::unique_lock<std::mutex> lock(wm.Lock);
    wm.WakePending = false;
    for (auto it = wm.Posted.begin(); it != wm.Posted.end(); ++it) {
      if (!FilterMatches(*it, Window, First, Last)) continue;
      Msg = *it;
      if (remove) wm.Posted.erase(it);
      return true;
    }
    if (wm.QuitPosted) {
      Msg = MSG();
      Msg.message = WM_QUIT;
      Msg.wParam = static_cast<WPARAM>(wm.QuitCode);
      Msg.time = static_cast<DWORD>(GetClock().NowMs());
      Msg.pt = wm.CursorPos;
      if (remove) wm.QuitPosted = false;
      return true;
    }
  }
  if (TakeInput(Msg, Window, First, Last, remove)) return true;
  if (RangeIncludes(First, Last, WM_PAINT, WM_PAINT) && Window != reinterpret_cast<HWND>(intptr_t(-1))) {
    if (TWindow* w = NextPaintWindow(Window)) {
      Msg = MSG();
      Msg.hwnd = w->Handle;
      Msg.message = WM_PAINT;
      Msg.time = static_cast<DWORD>(GetClock().NowMs());
      Msg.pt = wm.CursorPos;
      return true;
    }
  }
  if (RangeIncludes(First, Last, WM_TIMER, WM_TIMER)) {
    MSG timer;
    if (TakeDueTimer(Window == reinterpret_cast<HWND>(intptr_t(-1)) ? nullptr : Window, false, timer) &&
        FilterMatches(timer, Window, First, Last)) {
      if (remove) TakeDueTimer(Window, true, timer);
      timer.pt = wm.CursorPos;
      Msg = timer;
      return true;
    }
  }
  return false;
}

// True when something is waiting that PeekMessage without filter would return.
bool HasWork() {
  TWindowManager& wm = WM();
  {
    std::lock_guard<std::mutex> lock(wm.Lock);
    if (!wm.Posted.empty() || !wm.Sent.empty() || wm.QuitPosted || wm.WakePending) return true;
  }
  if (GSynchronizePending) return true;
  if (!wm.Input.empty() || !GCooked.empty()) return true;
  if (NextPaintWindow(nullptr)) return true;
  return NextTimerDue() <= GetClock().NowMs();
}

// Waits (UI thread) until something arrives or TimeoutMs (real ms; -1: no limit) passes.
void WaitForWork(Int64 TimeoutMs) {
  TWindowManager& wm = WM();
  const UInt64 due = NextTimerDue();
  if (due != UINT64_MAX && !GetClock().IsManual()) {
    const UInt64 now = GetClock().NowMs();
    const Int64 untilTimer = due > now ? static_cast<Int64>(due - now) : 0;
    if (TimeoutMs < 0 || untilTimer < TimeoutMs) TimeoutMs = untilTimer;
  }
  if (wm.Backend) {
    wm.Backend->Wait(TimeoutMs);
    return;
  }
  std::unique_lock<std::mutex> lock(wm.Lock);
  auto ready = [&] {
    return wm.WakePending || !wm.Posted.empty() || !wm.Sent.empty() || wm.QuitPosted || GSynchronizePending;
  };
  if (TimeoutMs < 0)
    wm.Wakeup.wait(lock, ready);
  else
    wm.Wakeup.wait_for(lock, std::chrono::milliseconds(TimeoutMs), ready);
  wm.WakePending = false;
}

TWindowClass* FindWindowClass(StringView Name) {
  if (!HasWindowManager()) return nullptr;
  for (auto& c : WM().Classes)
    if (SameText(c->Class.lpszClassName, Name)) return c.get();
  return nullptr;
}

// ---- destruction -------------------------------------------------------------------------

void SendDestroy(TWindow* W) {
  HWND handle = W->Handle;
  CallProc(W, WM_DESTROY, 0, 0);
  W = Find(handle);
  if (!W) return;
  std::vector<HWND> children;
  for (TWindow* child : W->Children) children.push_back(child->Handle);
  for (HWND child : children)
    if (TWindow* c = Find(child)) SendDestroy(c);
}

void PurgeQueued(HWND Handle) {
  std::lock_guard<std::mutex> lock(WM().Lock);
  auto& posted = WM().Posted;
  posted.erase(std::remove_if(posted.begin(), posted.end(), [&](const MSG& m) { return m.hwnd == Handle; }),
               posted.end());
}

void FreeWindow(TWindow* W) {
  std::vector<HWND> children;
  for (TWindow* child : W->Children) children.push_back(child->Handle);
  for (HWND child : children)
    if (TWindow* c = Find(child)) FreeWindow(c);
  HWND handle = W->Handle;
  KillWindowTimers(handle);
  CallProc(W, WM_NCDESTROY, 0, 0);
  W = Find(handle);
  if (!W) return;
  InputWindowDestroyed(W);
  if (!W->MessageOnly) Unlink(W);
  for (TWindow* top : WM().TopLevels)
    if (top->Owner == W) top->Owner = nullptr;
  if (W->Class) --W->Class->WindowCount;
  GCooked.erase(std::remove_if(GCooked.begin(), GCooked.end(), [&](const TCookedInput& c) { return c.Msg.hwnd == handle; }),
                GCooked.end());
  std::unique_ptr<TWindow> owned;
  {
    std::lock_guard<std::mutex> lock(WM().Lock);
    auto it = WM().Windows.find(reinterpret_cast<uintptr_t>(handle));
    owned = std::move(it->second);
    WM().Windows.erase(it);
  }
  PurgeQueued(handle);
  owned->Native.reset();
  if (owned->Region) DeleteObject(owned->Region);
  owned->Region = nullptr;
  GGraveyard.push_back(std::move(owned));
}

// ---- geometry helpers ----------------------------------------------------------------------

TRect ParentClientBounds(const TWindow* W) {
  if (W->IsChild()) return ClientBounds(W->Parent);
  TRect r;
  MONITORINFO info;
  if (GetMonitorInfo(MonitorFromRect(W->Rect, MONITOR_DEFAULTTONEAREST), info)) r = info.rcWork;
  return r;
}

void CalcClient(TWindow* W, const TRect& NewRect, const TRect& OldRect, const TRect& OldClient) {
  NCCALCSIZE_PARAMS params;
  params.rgrc[0] = NewRect;
  params.rgrc[1] = OldRect;
  params.rgrc[2] = OldClient;
  HWND handle = W->Handle;
  CallProc(W, WM_NCCALCSIZE, 1, reinterpret_cast<LPARAM>(&params));
  W = Find(handle);
  if (!W) return;
  TRect client = params.rgrc[0];
  client.Offset(-NewRect.Left, -NewRect.Top);
  if (client.Right < client.Left) client.Right = client.Left;
  if (client.Bottom < client.Top) client.Bottom = client.Top;
  W->Client = client;
}

void UpdateDpi(TWindow* W) {
  if (W->IsChild()) {
    W->Dpi = TopLevelOf(W)->Dpi;
  } else {
    W->Dpi = GetDpiForMonitor(MonitorFromRect(W->Rect, MONITOR_DEFAULTTONEAREST));
  }
}

}  // namespace

// ---- unit --------------------------------------------------------------------------------


namespace detail {
void InitializeWindows() {
  GManager = new TWindowManager();
  GManager->UiThread = std::this_thread::get_id();
  GManager->UiThreadId = GetCurrentThreadId();
  InitializeInput();
  // The run-time library's main-thread work wakes the message loop, and its main-thread waits
  // deliver cross-thread sends.
  GPreviousWake = WakeMainThread;
  WakeMainThread = WakeForSynchronize;
  ServeMainThreadWait = ServeSendsHook;
}

void FinalizeWindows() {
  if (!GManager) return;
  if (WakeMainThread == WakeForSynchronize) WakeMainThread = GPreviousWake;
  if (ServeMainThreadWait == ServeSendsHook) ServeMainThreadWait = nullptr;
  // Top-level windows first (their children go with them), then message-only ones.
  while (!GManager->TopLevels.empty()) DestroyWindow(GManager->TopLevels.front()->Handle);
  std::vector<HWND> rest;
  for (auto& [key, w] : GManager->Windows)
    if (!w->IsChild()) rest.push_back(w->Handle);
  for (HWND h : rest) DestroyWindow(h);
  DeliverAbandonedSends();
  FinalizeInput();
  GCooked.clear();
  GGraveyard.clear();
  ResetTimers();
  GManager->Backend.reset();
  delete GManager;
  GManager = nullptr;
}
}  // namespace detail

void InstallDisplayBackend(std::unique_ptr<TDisplayBackend> Backend) {
  TWindowManager& wm = WM();
  for (TWindow* top : wm.TopLevels) top->Native.reset();
  wm.Backend = std::move(Backend);
  if (wm.Backend) {
    SetMonitors(wm.Backend->GetMonitors());
    for (TWindow* top : wm.TopLevels) {
      top->Native = wm.Backend->CreateNativeWindow(top->Handle);
      if (top->Native) {
        top->Native->SetBounds(top->Rect);
        top->Native->SetVisible(top->IsVisible());
        if (top->IconBig) top->Native->SetIcon(top->IconBig);
      }
    }
  }
}

TDisplayBackend* GetDisplayBackend() { return HasWindowManager() ? WM().Backend.get() : nullptr; }

DWORD GetUiThreadId() { return HasWindowManager() ? WM().UiThreadId : 0; }

// ---- classes -----------------------------------------------------------------------------

ATOM RegisterClass(const WNDCLASS& Class) {
  if (Class.lpszClassName.empty() || FindWindowClass(Class.lpszClassName)) return 0;
  auto c = std::make_unique<TWindowClass>();
  c->Class = Class;
  WM().Classes.push_back(std::move(c));
  return static_cast<ATOM>(0xC000 + WM().Classes.size());
}

BOOL UnregisterClass(StringView ClassName, HINSTANCE) {
  TWindowClass* c = FindWindowClass(ClassName);
  if (!c || c->WindowCount > 0) return 0;
  auto& classes = WM().Classes;
  classes.erase(std::find_if(classes.begin(), classes.end(), [&](auto& x) { return x.get() == c; }));
  return 1;
}

BOOL GetClassInfo(HINSTANCE, StringView ClassName, WNDCLASS& Class) {
  TWindowClass* c = FindWindowClass(ClassName);
  if (!c) return 0;
  Class = c->Class;
  return 1;
}

String GetClassName(HWND Window) {
  TWindow* w = Find(Window);
  return w && w->Class ? w->Class->Class.lpszClassName : String();
}

DWORD GetClassStyle(HWND Window) {
  TWindow* w = Find(Window);
  return w && w->Class ? w->Class->Class.style : 0;
}

// ---- creation and destruction --------------------------------------------------------------

HWND CreateWindowEx(DWORD ExStyle, StringView ClassName, StringView WindowName, DWORD Style, int X, int Y, int Width,
                    int Height, HWND Parent, HMENU Menu, HINSTANCE Instance, void* Param) {
  if (!HasWindowManager() || !IsUiThread()) return nullptr;
  TWindowClass* cls = FindWindowClass(ClassName);
  if (!cls) return nullptr;
  const bool messageOnly = Parent == HWND_MESSAGE;
  TWindow* parent = messageOnly ? nullptr : Find(Parent);
  if (Parent && !messageOnly && !parent) return nullptr;
  if ((Style & WS_CHILD) && !parent) return nullptr;

  auto owned = std::make_unique<TWindow>();
  TWindow* w = owned.get();
  w->Class = cls;
  w->Proc = cls->Class.lpfnWndProc;
  w->Style = Style & ~WS_VISIBLE;
  w->ExStyle = ExStyle;
  w->Text = String(WindowName);
  w->Instance = Instance;
  w->MessageOnly = messageOnly;
  if (Style & WS_CHILD) {
    w->Parent = parent;
    w->Id = reinterpret_cast<LONG_PTR>(Menu);
  } else if (parent) {
    w->Owner = TopLevelOf(parent);
  }
  w->Rect = Bounds(X, Y, std::max(0, Width), std::max(0, Height));
  w->Client = TRect(0, 0, w->Rect.Width(), w->Rect.Height());
  {
    std::lock_guard<std::mutex> lock(WM().Lock);
    w->Handle = reinterpret_cast<HWND>(WM().NextHandle);
    WM().NextHandle += 4;
    WM().Windows.emplace(reinterpret_cast<uintptr_t>(w->Handle), std::move(owned));
  }
  ++cls->WindowCount;
  HWND handle = w->Handle;
  if (!messageOnly) {
    if (w->IsChild()) {
      w->Parent->Children.push_back(w);  // new children go to the bottom of their siblings
    } else {
      LinkWindow(w, HWND_TOP);
    }
  }
  UpdateDpi(w);
  if (!w->IsChild() && !messageOnly && WM().Backend) w->Native = WM().Backend->CreateNativeWindow(handle);
  if (w->Native) w->Native->SetBounds(w->Rect);

  CREATESTRUCT cs;
  cs.lpCreateParams = Param;
  cs.hInstance = Instance;
  cs.hMenu = Menu;
  cs.hwndParent = Parent;
  cs.cx = w->Rect.Width();
  cs.cy = w->Rect.Height();
  cs.x = X;
  cs.y = Y;
  cs.style = static_cast<LONG>(Style);
  cs.lpszName = String(WindowName);
  cs.lpszClass = String(ClassName);
  cs.dwExStyle = ExStyle;
  try {
    if (!CallProc(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
      if ((w = Find(handle))) FreeWindow(w);
      return nullptr;
    }
    if (!(w = Find(handle))) return nullptr;
    CalcClient(w, w->Rect, w->Rect, w->Client);
    if (!(w = Find(handle))) return nullptr;
    if (CallProc(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
      DestroyWindow(handle);
      return nullptr;
    }
  } catch (...) {
    DestroyWindow(handle);
    throw;
  }
  if (!(w = Find(handle))) return nullptr;
  w->Created = true;
  UpdateSurface(w);
  const TRect client = w->Client;
  CallProc(w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.Width(), client.Height()));
  if (!(w = Find(handle))) return nullptr;
  CallProc(w, WM_MOVE, 0, MAKELPARAM(w->Rect.Left + client.Left, w->Rect.Top + client.Top));
  if (!(w = Find(handle))) return nullptr;
  if (Style & WS_VISIBLE) ShowWindow(handle, (ExStyle & WS_EX_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  return IsWindow(handle) ? handle : nullptr;
}

BOOL DestroyWindow(HWND Window) {
  if (!IsUiThread()) return 0;
  TWindow* w = Find(Window);
  if (!w || w->Destroying) return 0;
  w->Destroying = true;
  // Owned windows go first.
  std::vector<HWND> owned;
  for (TWindow* top : WM().TopLevels)
    if (top->Owner == w) owned.push_back(top->Handle);
  for (HWND h : owned) DestroyWindow(h);
  if (!(w = Find(Window))) return 1;
  if (w->IsVisible())
    SetWindowPos(Window, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (!(w = Find(Window))) return 1;
  SendDestroy(w);
  if ((w = Find(Window))) FreeWindow(w);
  return 1;
}

BOOL IsWindow(HWND Window) { return Find(Window) != nullptr; }

BOOL IsChild(HWND Parent, HWND Window) {
  TWindow* w = Find(Window);
  if (!w || !Parent) return 0;
  for (TWindow* p = w->IsChild() ? w->Parent : nullptr; p; p = p->IsChild() ? p->Parent : nullptr)
    if (p->Handle == Parent) return 1;
  return 0;
}

HWND GetParent(HWND Window) {
  TWindow* w = Find(Window);
  if (!w) return nullptr;
  if (w->IsChild()) return w->Parent->Handle;
  return w->Owner ? w->Owner->Handle : nullptr;
}

HWND SetParent(HWND Window, HWND NewParent) {
  TWindow* w = Find(Window);
  TWindow* parent = NewParent ? Find(NewParent) : nullptr;
  if (!w || (NewParent && !parent)) return nullptr;
  for (TWindow* p = parent; p; p = p->IsChild() ? p->Parent : nullptr)
    if (p == w) return nullptr;  // would make a cycle
  HWND old = w->IsChild() ? w->Parent->Handle : nullptr;
  const bool visible = w->IsVisible();
  const TRect screenRect = TRect(WindowOrigin(w), w->Rect.Width(), w->Rect.Height());
  if (visible && w->IsChild()) InvalidateParentArea(w, w->Rect);
  if (!w->MessageOnly) Unlink(w);
  if (parent) {
    w->Parent = parent;
    w->Style |= WS_CHILD;
    w->Style &= ~WS_POPUP;
    w->Owner = nullptr;
    w->Native.reset();
    w->Surface.reset();
    parent->Children.insert(parent->Children.begin(), w);
  } else {
    w->Parent = nullptr;
    w->Style &= ~WS_CHILD;
    w->Rect = screenRect;
    LinkWindow(w, HWND_TOP);
    if (WM().Backend) w->Native = WM().Backend->CreateNativeWindow(Window);
    if (w->Native) {
      w->Native->SetBounds(w->Rect);
      w->Native->SetVisible(visible);
      if (w->IconBig) w->Native->SetIcon(w->IconBig);
    }
    UpdateSurface(w);
  }
  w->MessageOnly = false;
  UpdateDpi(w);
  if (visible) InvalidateAll(w);
  return old;
}

HWND GetAncestor(HWND Window, UINT Flags) {
  TWindow* w = Find(Window);
  if (!w) return nullptr;
  switch (Flags) {
    case GA_PARENT:
      return w->IsChild() ? w->Parent->Handle : GetDesktopWindow();
    case GA_ROOT:
      return TopLevelOf(w)->Handle;
    case GA_ROOTOWNER: {
      TWindow* top = TopLevelOf(w);
      while (top->Owner) top = top->Owner;
      return top->Handle;
    }
  }
  return nullptr;
}

HWND GetWindow(HWND Window, UINT Cmd) {
  TWindow* w = Find(Window);
  if (!w) return nullptr;
  if (Cmd == GW_OWNER) return w->Owner ? w->Owner->Handle : nullptr;
  if (Cmd == GW_CHILD) return w->Children.empty() ? nullptr : w->Children.front()->Handle;
  if (Cmd == GW_ENABLEDPOPUP) {
    for (TWindow* top : WM().TopLevels)
      if (top->Owner == w && top->IsVisible() && top->IsEnabled()) return top->Handle;
    return nullptr;
  }
  if (w->MessageOnly) return nullptr;
  auto& list = SiblingList(w);
  auto it = std::find(list.begin(), list.end(), w);
  switch (Cmd) {
    case GW_HWNDFIRST:
      return list.front()->Handle;
    case GW_HWNDLAST:
      return list.back()->Handle;
    case GW_HWNDNEXT:
      return it + 1 != list.end() ? (*(it + 1))->Handle : nullptr;
    case GW_HWNDPREV:
      return it != list.begin() ? (*(it - 1))->Handle : nullptr;
  }
  return nullptr;
}

HWND GetTopWindow(HWND Window) {
  if (!Window) return WM().TopLevels.empty() ? nullptr : WM().TopLevels.front()->Handle;
  return GetWindow(Window, GW_CHILD);
}

HWND GetDesktopWindow() { return reinterpret_cast<HWND>(uintptr_t(0x10010 - 4)); }

BOOL EnumWindows(const WNDENUMPROC& Func) {
  std::vector<HWND> handles;
  for (TWindow* top : WM().TopLevels) handles.push_back(top->Handle);
  for (HWND h : handles)
    if (IsWindow(h) && !Func(h)) return 0;
  return 1;
}

BOOL EnumThreadWindows(DWORD ThreadId, const WNDENUMPROC& Func) {
  if (ThreadId != WM().UiThreadId) return 0;
  return EnumWindows(Func);
}

namespace {
bool EnumChildren(TWindow* W, const WNDENUMPROC& Func) {
  std::vector<HWND> handles;
  for (TWindow* child : W->Children) handles.push_back(child->Handle);
  for (HWND h : handles) {
    TWindow* c = Find(h);
    if (!c) continue;
    if (!Func(h)) return false;
    if ((c = Find(h)) && !EnumChildren(c, Func)) return false;
  }
  return true;
}
}  // namespace

BOOL EnumChildWindows(HWND Parent, const WNDENUMPROC& Func) {
  TWindow* w = Find(Parent);
  if (!w) return 0;
  return EnumChildren(w, Func) ? 1 : 0;
}

HWND FindWindow(StringView ClassName, StringView WindowName) {
  for (TWindow* top : WM().TopLevels) {
    if (!ClassName.empty() && !SameText(top->Class->Class.lpszClassName, ClassName)) continue;
    if (!WindowName.empty() && top->Text != WindowName) continue;
    return top->Handle;
  }
  return nullptr;
}

// ---- window data -------------------------------------------------------------------------

LONG_PTR GetWindowLongPtr(HWND Window, int Index) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  switch (Index) {
    case GWLP_WNDPROC:
      return reinterpret_cast<LONG_PTR>(w->Proc);
    case GWLP_HINSTANCE:
      return reinterpret_cast<LONG_PTR>(w->Instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(w->IsChild() ? w->Parent->Handle : (w->Owner ? w->Owner->Handle : nullptr));
    case GWLP_ID:
      return w->Id;
    case GWL_STYLE:
      return static_cast<LONG_PTR>(w->Style);
    case GWL_EXSTYLE:
      return static_cast<LONG_PTR>(w->ExStyle);
    case GWLP_USERDATA:
      return w->UserData;
  }
  return 0;
}

LONG_PTR SetWindowLongPtr(HWND Window, int Index, LONG_PTR Value) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  LONG_PTR old = GetWindowLongPtr(Window, Index);
  switch (Index) {
    case GWLP_WNDPROC:
      w->Proc = reinterpret_cast<WNDPROC>(Value);
      break;
    case GWLP_HINSTANCE:
      w->Instance = reinterpret_cast<HINSTANCE>(Value);
      break;
    case GWLP_HWNDPARENT:
      if (!w->IsChild()) {
        TWindow* owner = Find(reinterpret_cast<HWND>(Value));
        w->Owner = owner ? TopLevelOf(owner) : nullptr;
      }
      break;
    case GWLP_ID:
      w->Id = Value;
      break;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      const bool ex = Index == GWL_EXSTYLE;
      STYLESTRUCT ss;
      ss.styleOld = static_cast<DWORD>(old);
      ss.styleNew = static_cast<DWORD>(Value);
      if (!ex) ss.styleNew = (ss.styleNew & ~WS_VISIBLE) | (ss.styleOld & WS_VISIBLE);  // ShowWindow's business
      CallProc(w, WM_STYLECHANGING, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&ss));
      if (!(w = Find(Window))) return old;
      const bool wasTopmost = IsTopmost(w);
      (ex ? w->ExStyle : w->Style) = ss.styleNew;
      if (ex && !(w->ExStyle & WS_EX_LAYERED)) {
        w->UpdateLayered = false;
        w->LayeredAlpha = 255;
        UpdateSurface(w);
      }
      if (!w->IsChild() && !w->MessageOnly && wasTopmost != IsTopmost(w)) LinkWindow(w, HWND_TOP);
      CallProc(w, WM_STYLECHANGED, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&ss));
      break;
    }
    case GWLP_USERDATA:
      w->UserData = Value;
      break;
    default:
      return 0;
  }
  return old;
}

BOOL SetWindowText(HWND Window, StringView Text) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  String copy(Text);
  return SendMessage(Window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(copy.c_str())) ? 1 : 0;
}

String GetWindowText(HWND Window) {
  TWindow* w = Find(Window);
  return w ? w->Text : String();
}

DWORD GetWindowThreadProcessId(HWND Window, DWORD* ProcessId) {
  if (ProcessId) *ProcessId = static_cast<DWORD>(::getpid());
  return IsWindow(Window) ? WM().UiThreadId : 0;
}

// ---- messages ----------------------------------------------------------------------------

LRESULT CallWindowProc(WNDPROC Proc, HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (!Proc) return 0;
  return Proc(Window, Msg, WParam, LParam);
}

LRESULT SendMessage(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  uintptr_t result = 0;
  SendMessageTimeout(Window, Msg, WParam, LParam, SMTO_NORMAL, INFINITE, &result);
  return static_cast<LRESULT>(result);
}

LRESULT SendMessageTimeout(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam, UINT, UINT Timeout,
                           uintptr_t* Result) {
  if (Result) *Result = 0;
  if (!HasWindowManager()) return 0;
  if (Window == HWND_BROADCAST) {
    std::vector<HWND> handles;
    EnumWindows([&](HWND h) {
      handles.push_back(h);
      return 1;
    });
    for (HWND h : handles) SendMessageTimeout(h, Msg, WParam, LParam, 0, Timeout, nullptr);
    return 1;
  }
  if (IsUiThread()) {
    TWindow* w = Find(Window);
    if (!w) return 0;
    LRESULT r = CallProc(w, Msg, WParam, LParam);
    if (Result) *Result = static_cast<uintptr_t>(r);
    return 1;
  }
  TWindowManager& wm = WM();
  TCrossSend send;
  send.Window = Window;
  send.Msg = Msg;
  send.WParam = WParam;
  send.LParam = LParam;
  {
    std::lock_guard<std::mutex> lock(wm.Lock);
    if (!FindLocked(Window)) return 0;
    wm.Sent.push_back(&send);
  }
  WakeUiThread();
  std::unique_lock<std::mutex> lock(wm.Lock);
  if (Timeout == INFINITE) {
    wm.SendDone.wait(lock, [&] { return send.Done; });
  } else if (!wm.SendDone.wait_for(lock, std::chrono::milliseconds(Timeout), [&] { return send.Done; })) {
    auto it = std::find(wm.Sent.begin(), wm.Sent.end(), &send);
    if (it != wm.Sent.end()) {
      wm.Sent.erase(it);
      return 0;
    }
    // Being delivered right now: the record lives on this stack, so wait for the end.
    wm.SendDone.wait(lock, [&] { return send.Done; });
  }
  if (Result) *Result = static_cast<uintptr_t>(send.Result);
  return 1;
}

bool ServePendingSends() {
  if (!IsUiThread()) return false;
  TWindowManager& wm = WM();
  bool any = false;
  for (;;) {
    TCrossSend* send;
    {
      std::lock_guard<std::mutex> lock(wm.Lock);
      if (wm.Sent.empty()) break;
      send = wm.Sent.front();
      wm.Sent.pop_front();
    }
    any = true;
    LRESULT result = 0;
    std::exception_ptr error;
    ++wm.SendDepth;
    try {
      if (TWindow* w = Find(send->Window)) result = CallProc(w, send->Msg, send->WParam, send->LParam);
    } catch (...) {
      error = std::current_exception();
    }
    --wm.SendDepth;
    {
      std::lock_guard<std::mutex> lock(wm.Lock);
      send->Result = result;
      send->Done = true;
    }
    wm.SendDone.notify_all();
    // The sender gets 0; the exception goes on through the UI thread's loop.
    if (error) std::rethrow_exception(error);
  }
  return any;
}

BOOL InSendMessage() { return HasWindowManager() && WM().SendDepth > 0; }

BOOL PostMessage(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (!HasWindowManager()) return 0;
  if (Window == HWND_BROADCAST) {
    std::vector<HWND> handles;
    {
      std::lock_guard<std::mutex> lock(WM().Lock);
      for (auto& [key, w] : WM().Windows)
        if (!w->IsChild() && !w->MessageOnly) handles.push_back(w->Handle);
    }
    for (HWND h : handles) PostInternal(h, Msg, WParam, LParam);
    return 1;
  }
  if (Window) {
    std::lock_guard<std::mutex> lock(WM().Lock);
    if (!FindLocked(Window)) return 0;
  }
  PostInternal(Window, Msg, WParam, LParam);
  return 1;
}

BOOL PostThreadMessage(DWORD ThreadId, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (!HasWindowManager() || ThreadId != WM().UiThreadId) return 0;
  PostInternal(nullptr, Msg, WParam, LParam);
  return 1;
}

void PostQuitMessage(int ExitCode) {
  {
    std::lock_guard<std::mutex> lock(WM().Lock);
    WM().QuitPosted = true;
    WM().QuitCode = ExitCode;
  }
  WakeUiThread();
}

BOOL PeekMessage(MSG& Msg, HWND Window, UINT First, UINT Last, UINT RemoveFlags) {
  if (!IsUiThread()) return 0;
  CollectGarbage();
  if (!PeekCore(Msg, Window, First, Last, RemoveFlags)) return 0;
  GMessageTime = Msg.time;
  GMessagePos = Msg.pt;
  CallHooks(WH_GETMESSAGE, HC_ACTION, RemoveFlags & PM_REMOVE, reinterpret_cast<LPARAM>(&Msg));
  return 1;
}

BOOL GetMessage(MSG& Msg, HWND Window, UINT First, UINT Last) {
  if (!IsUiThread()) return -1;
  if (Window && Window != reinterpret_cast<HWND>(intptr_t(-1)) && !IsWindow(Window)) return -1;
  while (!PeekMessage(Msg, Window, First, Last, PM_REMOVE)) WaitForWork(-1);
  return Msg.message == WM_QUIT ? 0 : 1;
}

BOOL WaitMessage() {
  if (!IsUiThread()) return 0;
  TWindowManager& wm = WM();
  for (;;) {
    // A backend's wait ends when a desktop event arrives but leaves it with the backend: turn it
    // into input first, or the loop would wake for it again and again without ever handling it.
    if (wm.Backend) wm.Backend->PumpEvents();
    if (HasWork()) return 1;
    WaitForWork(-1);
    ServePendingSends();
  }
}

DWORD MsgWaitForReady(const std::function<bool()>& Ready, DWORD TimeoutMs, DWORD WakeMask) {
  if (!IsUiThread()) return WAIT_FAILED;
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    ServePendingSends();
    if (Ready && Ready()) return WAIT_OBJECT_0;
    if (WakeMask && (GetQueueStatus(WakeMask) >> 16) != 0) return WAIT_OBJECT_0 + 1;
    Int64 remaining = -1;
    if (TimeoutMs != INFINITE) {
      const auto elapsed =
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
      if (elapsed >= TimeoutMs) return WAIT_TIMEOUT;
      remaining = TimeoutMs - elapsed;
    }
    WaitForWork(remaining);
  }
}

void WakeUiThread() {
  if (!HasWindowManager()) return;
  TWindowManager& wm = WM();
  {
    std::lock_guard<std::mutex> lock(wm.Lock);
    wm.WakePending = true;
  }
  wm.Wakeup.notify_all();
  if (wm.Backend) wm.Backend->Wake();
  // A main thread waiting inside the run-time library must wake too, to serve sends.
  if (GPreviousWake) GPreviousWake();
}

DWORD GetQueueStatus(UINT Flags) {
  TWindowManager& wm = WM();
  DWORD status = 0;
  {
    std::lock_guard<std::mutex> lock(wm.Lock);
    if (!wm.Posted.empty() || wm.QuitPosted) status |= QS_POSTMESSAGE;
    if (!wm.Sent.empty()) status |= QS_SENDMESSAGE;
  }
  for (const TInputEvent& e : wm.Input)
    status |= e.Kind == TInputKind::MouseMove ? QS_MOUSEMOVE
              : (e.Kind == TInputKind::Key || e.Kind == TInputKind::Char) ? QS_KEY
                                                                             : QS_MOUSEBUTTON;
  for (const TCookedInput& c : GCooked)
    status |= c.Msg.message == WM_MOUSEMOVE ? QS_MOUSEMOVE
              : (c.Msg.message >= WM_KEYFIRST && c.Msg.message <= WM_KEYLAST) ? QS_KEY
                                                                               : QS_MOUSEBUTTON;
  if (NextPaintWindow(nullptr)) status |= QS_PAINT;
  if (NextTimerDue() <= GetClock().NowMs()) status |= QS_TIMER;
  status &= Flags;
  return status << 16;
}

DWORD GetMessageTime() { return GMessageTime; }
DWORD GetMessagePos() { return static_cast<DWORD>(MAKELPARAM(GMessagePos.X, GMessagePos.Y)); }

UINT RegisterWindowMessage(StringView Name) {
  static std::mutex lock;
  static std::vector<String> names;
  if (Name.empty()) return 0;
  std::lock_guard<std::mutex> guard(lock);
  for (size_t i = 0; i < names.size(); ++i)
    if (SameText(names[i], Name)) return static_cast<UINT>(WM_REGISTERED_FIRST + i);
  if (names.size() > WM_REGISTERED_LAST - WM_REGISTERED_FIRST) return 0;
  names.emplace_back(Name);
  return static_cast<UINT>(WM_REGISTERED_FIRST + names.size() - 1);
}

BOOL TranslateMessage(const MSG& Msg) {
  if (Msg.message != WM_KEYDOWN && Msg.message != WM_SYSKEYDOWN) return 0;
  if (Msg.hwnd != GLastKeyMsg.hwnd || Msg.wParam != GLastKeyMsg.wParam || Msg.time != GLastKeyMsg.time ||
      GLastKeyChar == 0)
    return 0;
  const Char ch = GLastKeyChar;
  GLastKeyChar = 0;
  PostInternal(Msg.hwnd, Msg.message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, ch, Msg.lParam);
  return 1;
}

LRESULT DispatchMessage(const MSG& Msg) {
  if (Msg.message == WM_TIMER && Msg.lParam) {
    reinterpret_cast<TIMERPROC>(Msg.lParam)(Msg.hwnd, WM_TIMER, Msg.wParam, Msg.time);
    return 0;
  }
  TWindow* w = Find(Msg.hwnd);
  if (!w) return 0;
  if (Msg.message == WM_PAINT) {
    HWND handle = w->Handle;
    LRESULT r = CallProc(w, WM_PAINT, Msg.wParam, Msg.lParam);
    // A window that paints nothing must not be asked forever.
    if ((w = Find(handle))) w->InternalPaint = w->NcPaint = false;
    return r;
  }
  return CallProc(w, Msg.message, Msg.wParam, Msg.lParam);
}

// ---- hooks -------------------------------------------------------------------------------

HHOOK SetWindowsHookEx(int IdHook, HOOKPROC Proc, HINSTANCE, DWORD ThreadId) {
  if (!Proc || !IsUiThread()) return nullptr;
  if (IdHook != WH_GETMESSAGE && IdHook != WH_KEYBOARD && IdHook != WH_MOUSE) return nullptr;
  if (ThreadId != 0 && ThreadId != WM().UiThreadId) return nullptr;
  THook hook;
  hook.Handle = reinterpret_cast<HHOOK>(WM().NextHook++);
  hook.Kind = IdHook;
  hook.Proc = Proc;
  WM().Hooks.insert(WM().Hooks.begin(), hook);  // the newest hook is asked first
  return hook.Handle;
}

BOOL UnhookWindowsHookEx(HHOOK Hook) {
  auto& hooks = WM().Hooks;
  auto it = std::find_if(hooks.begin(), hooks.end(), [&](const THook& h) { return h.Handle == Hook; });
  if (it == hooks.end()) return 0;
  hooks.erase(it);
  return 1;
}

LRESULT CallNextHookEx(HHOOK Hook, int Code, WPARAM WParam, LPARAM LParam) {
  auto& hooks = WM().Hooks;
  auto it = std::find_if(hooks.begin(), hooks.end(), [&](const THook& h) { return h.Handle == Hook; });
  if (it == hooks.end()) return 0;
  const int kind = it->Kind;
  for (++it; it != hooks.end(); ++it)
    if (it->Kind == kind) return it->Proc(Code, WParam, LParam);
  return 0;
}

// ---- geometry ----------------------------------------------------------------------------

BOOL GetWindowRect(HWND Window, TRect& Rect) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  Rect = TRect(WindowOrigin(w), w->Rect.Width(), w->Rect.Height());
  return 1;
}

BOOL GetClientRect(HWND Window, TRect& Rect) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  Rect = ClientBounds(w);
  return 1;
}

BOOL ClientToScreen(HWND Window, TPoint& Point) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  Point += ClientOrigin(w);
  return 1;
}

BOOL ScreenToClient(HWND Window, TPoint& Point) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  Point -= ClientOrigin(w);
  return 1;
}

int MapWindowPoints(HWND From, HWND To, TPoint* Points, UINT Count) {
  TPoint delta;
  if (From) {
    TWindow* w = Find(From);
    if (!w) return 0;
    delta += ClientOrigin(w);
  }
  if (To) {
    TWindow* w = Find(To);
    if (!w) return 0;
    delta -= ClientOrigin(w);
  }
  for (UINT i = 0; i < Count; ++i) Points[i] += delta;
  return static_cast<int>(MAKELPARAM(delta.X, delta.Y));
}

int MapWindowPoints(HWND From, HWND To, TRect& Rect) {
  TPoint p[2] = {Rect.TopLeft(), Rect.BottomRight()};
  int r = MapWindowPoints(From, To, p, 2);
  Rect = TRect(p[0], p[1]);
  return r;
}

BOOL SetWindowPos(HWND Window, HWND InsertAfter, int X, int Y, int Cx, int Cy, UINT Flags) {
  if (!IsUiThread()) return 0;
  TWindow* w = Find(Window);
  if (!w) return 0;
  if (InsertAfter == Window) Flags |= SWP_NOZORDER;
  if (w->MessageOnly) Flags |= SWP_NOZORDER;
  WINDOWPOS wp;
  wp.hwnd = Window;
  wp.hwndInsertAfter = InsertAfter;
  wp.x = (Flags & SWP_NOMOVE) ? w->Rect.Left : X;
  wp.y = (Flags & SWP_NOMOVE) ? w->Rect.Top : Y;
  wp.cx = (Flags & SWP_NOSIZE) ? w->Rect.Width() : std::max(0, Cx);
  wp.cy = (Flags & SWP_NOSIZE) ? w->Rect.Height() : std::max(0, Cy);
  wp.flags = Flags;
  if ((Flags & SWP_SHOWWINDOW) && w->IsVisible()) wp.flags &= ~SWP_SHOWWINDOW;
  if ((Flags & SWP_HIDEWINDOW) && !w->IsVisible()) wp.flags &= ~SWP_HIDEWINDOW;
  if (!(Flags & SWP_NOSENDCHANGING)) {
    CallProc(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (!(w = Find(Window))) return 0;
  }
  const TRect oldRect = w->Rect;
  const TRect oldClient = w->Client;
  const TRect newRect = Bounds(wp.x, wp.y, std::max(0, wp.cx), std::max(0, wp.cy));
  const bool moved = newRect.TopLeft() != oldRect.TopLeft();
  const bool sized = newRect.Size() != oldRect.Size();
  if (!moved) wp.flags |= SWP_NOMOVE;
  if (!sized) wp.flags |= SWP_NOSIZE;
  const bool wasShowing = IsShowing(w);
  if (moved || sized || (wp.flags & SWP_FRAMECHANGED)) {
    CalcClient(w, newRect, oldRect, oldClient);
    if (!(w = Find(Window))) return 0;
  }
  w->Rect = newRect;
  if (wp.flags & SWP_SHOWWINDOW) w->Style |= WS_VISIBLE;
  if (wp.flags & SWP_HIDEWINDOW) w->Style &= ~WS_VISIBLE;
  if (!(wp.flags & SWP_NOZORDER) && !w->MessageOnly) {
    HWND after = wp.hwndInsertAfter;
    if (!w->IsChild()) {
      if (after == HWND_TOPMOST) w->ExStyle |= WS_EX_TOPMOST;
      if (after == HWND_NOTOPMOST) w->ExStyle &= ~WS_EX_TOPMOST;
      // Owned windows stay above their owner: one put behind its owner goes just before it.
    }
    LinkWindow(w, after);
  }
  const UINT oldDpi = w->Dpi;
  if (!w->IsChild() && !w->MessageOnly) {
    UpdateDpi(w);
    UpdateSurface(w);
    if (w->Native) {
      if (moved || sized) w->Native->SetBounds(w->Rect);
      if (wp.flags & (SWP_SHOWWINDOW | SWP_HIDEWINDOW)) w->Native->SetVisible(w->IsVisible());
    }
  }
  // Pixels: what the window covered and what it covers now.
  const bool nowShowing = IsShowing(w);
  if (!(wp.flags & SWP_NOREDRAW)) {
    if (w->IsChild()) {
      if (wasShowing && (moved || sized || !nowShowing || !(wp.flags & SWP_NOZORDER))) InvalidateParentArea(w, oldRect);
    }
    if (nowShowing && (!wasShowing || sized || (moved && w->IsChild()) || (wp.flags & SWP_FRAMECHANGED)))
      InvalidateAll(w);
    if (w->IsChild() && nowShowing && !(wp.flags & SWP_NOZORDER)) InvalidateAll(w);
  }
  if (nowShowing && !(wp.flags & SWP_NOREDRAW) && HasNonClient(w) &&
      (!wasShowing || sized || (wp.flags & SWP_FRAMECHANGED) || (moved && w->IsChild())))
    w->NcPaint = true;
  if (!wasShowing && !nowShowing && !w->IsVisible()) {
    w->Update = TRect();
    w->UpdateErase = false;
  }
  // Activation.
  if (!w->IsChild() && !w->MessageOnly) {
    if ((wp.flags & SWP_HIDEWINDOW) && WM().Active == Window) {
      // The owner, else the next visible top-level window, takes the activation.
      HWND next = nullptr;
      if (w->Owner && w->Owner->IsVisible() && w->Owner->IsEnabled()) next = w->Owner->Handle;
      for (TWindow* top : WM().TopLevels)
        if (!next && top != w && top->IsVisible() && top->IsEnabled() && !(top->ExStyle & WS_EX_NOACTIVATE))
          next = top->Handle;
      ActivateWindow(next, WA_ACTIVE);
    } else if (!(wp.flags & SWP_NOACTIVATE) && w->IsVisible() && !(w->ExStyle & WS_EX_NOACTIVATE) &&
               (!(wp.flags & SWP_NOZORDER) || (wp.flags & SWP_SHOWWINDOW))) {
      ActivateWindow(Window, WA_ACTIVE);
    }
  }
  if (!(w = Find(Window))) return 1;
  wp.x = w->Rect.Left;
  wp.y = w->Rect.Top;
  wp.cx = w->Rect.Width();
  wp.cy = w->Rect.Height();
  CallProc(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  // Moved onto a monitor of another DPI: suggest the rectangle scaled about its top-left.
  if ((w = Find(Window)) && w->Dpi != oldDpi && oldDpi != 0) {
    TRect suggested = w->Rect;
    suggested.SetWidth(static_cast<int>(static_cast<Int64>(w->Rect.Width()) * w->Dpi / oldDpi));
    suggested.SetHeight(static_cast<int>(static_cast<Int64>(w->Rect.Height()) * w->Dpi / oldDpi));
    CallProc(w, WM_DPICHANGED, MAKELPARAM(static_cast<int>(w->Dpi), static_cast<int>(w->Dpi)),
             reinterpret_cast<LPARAM>(&suggested));
  }
  return 1;
}

BOOL MoveWindow(HWND Window, int X, int Y, int Width, int Height, BOOL Repaint) {
  return SetWindowPos(Window, nullptr, X, Y, Width, Height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (Repaint ? 0 : SWP_NOREDRAW));
}

BOOL BringWindowToTop(HWND Window) { return SetWindowPos(Window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE); }

BOOL ShowWindow(HWND Window, int Cmd) {
  if (!IsUiThread()) return 0;
  TWindow* w = Find(Window);
  if (!w) return 0;
  const BOOL wasVisible = w->IsVisible() ? 1 : 0;
  if (Cmd == SW_HIDE) {
    if (!wasVisible) return 0;
    CallProc(w, WM_SHOWWINDOW, 0, 0);
    SetWindowPos(Window, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return wasVisible;
  }
  const bool activate = !(Cmd == SW_SHOWNOACTIVATE || Cmd == SW_SHOWNA || Cmd == SW_SHOWMINNOACTIVE ||
                          Cmd == SW_MINIMIZE) &&
                        !(w->ExStyle & WS_EX_NOACTIVATE);
  UINT flags = SWP_SHOWWINDOW | (activate ? 0 : SWP_NOACTIVATE);
  // Child windows keep their place among their siblings.
  if (w->IsChild()) flags |= SWP_NOZORDER | SWP_NOACTIVATE;
  TRect target = w->Rect;
  const bool minimize = Cmd == SW_SHOWMINIMIZED || Cmd == SW_MINIMIZE || Cmd == SW_SHOWMINNOACTIVE;
  const bool maximize = Cmd == SW_SHOWMAXIMIZED;
  const bool restore = Cmd == SW_RESTORE || Cmd == SW_SHOWNORMAL || Cmd == SW_SHOWDEFAULT;
  WPARAM sizeKind = SIZE_RESTORED;
  bool stateChange = false;
  if (minimize && !(w->Style & WS_MINIMIZE)) {
    if (!(w->Style & WS_MAXIMIZE)) w->RestoreRect = w->Rect;
    w->Style = (w->Style | WS_MINIMIZE) & ~WS_MAXIMIZE;
    sizeKind = SIZE_MINIMIZED;
    stateChange = true;
  } else if (maximize && !(w->Style & WS_MAXIMIZE)) {
    if (!(w->Style & WS_MINIMIZE)) w->RestoreRect = w->Rect;
    w->Style = (w->Style | WS_MAXIMIZE) & ~WS_MINIMIZE;
    target = ParentClientBounds(w);
    sizeKind = SIZE_MAXIMIZED;
    stateChange = true;
  } else if (restore && (w->Style & (WS_MINIMIZE | WS_MAXIMIZE))) {
    w->Style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
    target = w->RestoreRect;
    stateChange = true;
  }
  if (!wasVisible) {
    CallProc(w, WM_SHOWWINDOW, 1, 0);
    if (!(w = Find(Window))) return wasVisible;
  }
  if (stateChange) {
    SetWindowPos(Window, HWND_TOP, target.Left, target.Top, target.Width(), target.Height(),
                 flags | SWP_FRAMECHANGED);
    if ((w = Find(Window)) && sizeKind == SIZE_MINIMIZED) {
      CallProc(w, WM_SIZE, SIZE_MINIMIZED, 0);
      if ((w = Find(Window)) && w->Native) w->Native->SetVisible(false);
    }
  } else {
    SetWindowPos(Window, HWND_TOP, 0, 0, 0, 0, flags | SWP_NOMOVE | SWP_NOSIZE);
  }
  return wasVisible;
}

BOOL IsWindowVisible(HWND Window) {
  TWindow* w = Find(Window);
  return w && IsShowing(w) ? 1 : 0;
}

BOOL IsIconic(HWND Window) {
  TWindow* w = Find(Window);
  return w && (w->Style & WS_MINIMIZE) ? 1 : 0;
}

BOOL IsZoomed(HWND Window) {
  TWindow* w = Find(Window);
  return w && (w->Style & WS_MAXIMIZE) ? 1 : 0;
}

BOOL GetWindowPlacement(HWND Window, WINDOWPLACEMENT& Placement) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  Placement = WINDOWPLACEMENT();
  const bool special = (w->Style & (WS_MINIMIZE | WS_MAXIMIZE)) != 0;
  Placement.rcNormalPosition = special ? w->RestoreRect : w->Rect;
  Placement.showCmd = !w->IsVisible()                ? SW_HIDE
                      : (w->Style & WS_MINIMIZE)     ? SW_SHOWMINIMIZED
                      : (w->Style & WS_MAXIMIZE)     ? SW_SHOWMAXIMIZED
                                                     : SW_SHOWNORMAL;
  return 1;
}

BOOL SetWindowPlacement(HWND Window, const WINDOWPLACEMENT& Placement) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  const TRect& r = Placement.rcNormalPosition;
  if (w->Style & (WS_MINIMIZE | WS_MAXIMIZE)) {
    w->RestoreRect = r;
  } else {
    SetWindowPos(Window, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (Placement.showCmd != SW_HIDE || IsWindowVisible(Window)) ShowWindow(Window, static_cast<int>(Placement.showCmd));
  return 1;
}

int SetWindowRgn(HWND Window, HRGN Region, BOOL Redraw) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  if (w->Region && w->Region != Region) DeleteObject(w->Region);
  w->Region = Region;
  if (w->IsChild() && IsShowing(w)) InvalidateParentArea(w, w->Rect);
  if (Redraw && IsShowing(w)) InvalidateAll(w);
  return 1;
}

int GetWindowRgn(HWND Window, HRGN Region) {
  TWindow* w = Find(Window);
  if (!w || !w->Region || !Region) return ERROR;
  return CombineRgn(Region, w->Region, nullptr, RGN_COPY);
}

UINT GetDpiForWindow(HWND Window) {
  TWindow* w = Find(Window);
  return w ? TopLevelOf(w)->Dpi : 0;
}

// ---- invalidation ------------------------------------------------------------------------

BOOL InvalidateRect(HWND Window, const TRect* Rect, BOOL Erase) {
  TWindow* w = Find(Window);
  if (!w) {
    if (Window) return 0;
    for (TWindow* top : WM().TopLevels) InvalidateAll(top);
    return 1;
  }
  if (!IsShowing(w)) return 1;
  InvalidateTree(w, Rect ? *Rect : ClientBounds(w), Erase != 0, false);
  return 1;
}

BOOL InvalidateRgn(HWND Window, HRGN Region, BOOL Erase) {
  // The update area is kept as a rectangle: the region's bounding box.
  if (!Region) return InvalidateRect(Window, nullptr, Erase);
  TRect box;
  if (GetRgnBox(Region, &box) == ERROR) return 0;
  return InvalidateRect(Window, &box, Erase);
}

BOOL ValidateRect(HWND Window, const TRect* Rect) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  if (!Rect || Rect->Contains(w->Update)) {
    w->Update = TRect();
    w->UpdateErase = false;
    w->InternalPaint = false;
  }
  return 1;
}

BOOL GetUpdateRect(HWND Window, TRect* Rect, BOOL) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  if (Rect) *Rect = w->Update;
  return w->Update.IsEmpty() ? 0 : 1;
}

namespace {
void UpdateTree(HWND Window) {
  TWindow* w = Find(Window);
  if (!w || !IsShowing(w)) return;
  if (NeedsPaint(w)) {
    CallProc(w, WM_PAINT, 0, 0);
    if ((w = Find(Window))) w->InternalPaint = w->NcPaint = false;
  }
  if (!(w = Find(Window))) return;
  std::vector<HWND> children;
  for (TWindow* child : w->Children) children.push_back(child->Handle);
  for (HWND child : children) UpdateTree(child);
}
}  // namespace

BOOL UpdateWindow(HWND Window) {
  if (!Find(Window)) return 0;
  UpdateTree(Window);
  return 1;
}

BOOL RedrawWindow(HWND Window, const TRect* Update, HRGN, UINT Flags) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  const TRect r = Update ? *Update : ClientBounds(w);
  if (Flags & RDW_INVALIDATE) {
    if (Flags & RDW_NOCHILDREN)
      UnionUpdate(w, r, (Flags & RDW_ERASE) != 0);
    else
      InvalidateTree(w, r, (Flags & RDW_ERASE) != 0, (Flags & RDW_ALLCHILDREN) != 0);
    if (Flags & RDW_FRAME) w->NcPaint = true;
  }
  if (Flags & RDW_INTERNALPAINT) w->InternalPaint = true;
  if (Flags & RDW_VALIDATE) ValidateRect(Window, Update);
  if (Flags & (RDW_UPDATENOW | RDW_ERASENOW)) UpdateWindow(Window);
  return 1;
}

int ScrollWindowEx(HWND Window, int Dx, int Dy, const TRect* Scroll, const TRect* Clip, HRGN, TRect* Update,
                   UINT Flags) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  TRect area = Scroll ? *Scroll : ClientBounds(w);
  if (Clip) IntersectRect(area, area, *Clip);
  IntersectRect(area, area, ClientBounds(w));
  // Pixels: the area moves within the top-level surface; what it uncovers needs painting.
  TWindow* top = TopLevelOf(w);
  if (top->Surface && !area.IsEmpty() && (Dx || Dy)) {
    TSurface& s = *top->Surface;
    const TPoint origin = ClientOrigin(w) - WindowOrigin(top);
    TRect src = area;
    src.Offset(origin);
    TRect dst = src;
    dst.Offset(Dx, Dy);
    TRect srcClipped = src;
    IntersectRect(srcClipped, srcClipped, TRect(0, 0, s.GetWidth(), s.GetHeight()));
    TRect dstClipped;
    TRect movedSrc = srcClipped;
    movedSrc.Offset(Dx, Dy);
    TRect areaInSurface = area;
    areaInSurface.Offset(origin);
    if (IntersectRect(dstClipped, movedSrc, areaInSurface)) {
      TSurfaceAccess access(s);
      const int width = dstClipped.Width();
      auto copyRow = [&](int y) {
        std::memmove(s.GetScanLine(y) + dstClipped.Left, s.GetScanLine(y - Dy) + dstClipped.Left - Dx,
                     static_cast<size_t>(width) * 4);
      };
      if (Dy > 0)
        for (int y = dstClipped.Bottom - 1; y >= dstClipped.Top; --y) copyRow(y);
      else
        for (int y = dstClipped.Top; y < dstClipped.Bottom; ++y) copyRow(y);
    }
  }
  // The uncovered strip(s), as one bounding rectangle.
  TRect uncovered;
  if (Dx > 0) uncovered = TRect(area.Left, area.Top, area.Left + Dx, area.Bottom);
  if (Dx < 0) uncovered = TRect(area.Right + Dx, area.Top, area.Right, area.Bottom);
  if (Dy > 0) uncovered = uncovered.IsEmpty() ? TRect(area.Left, area.Top, area.Right, area.Top + Dy) : area;
  if (Dy < 0) uncovered = uncovered.IsEmpty() ? TRect(area.Left, area.Bottom + Dy, area.Right, area.Bottom) : area;
  IntersectRect(uncovered, uncovered, area);
  if (Update) *Update = uncovered;
  if ((Flags & SW_SCROLLCHILDREN) && !Scroll) {
    for (TWindow* child : w->Children) child->Rect.Offset(Dx, Dy);
  }
  if ((Flags & SW_INVALIDATE) && !uncovered.IsEmpty()) InvalidateTree(w, uncovered, (Flags & SW_ERASE) != 0, false);
  PresentWindow(w, TRect(0, 0, top->Rect.Width(), top->Rect.Height()));
  return uncovered.IsEmpty() ? 1 : 2;
}


// ---- layered windows ---------------------------------------------------------------------

BOOL SetLayeredWindowAttributes(HWND Window, COLORREF Key, Byte Alpha, DWORD Flags) {
  TWindow* w = Find(Window);
  if (!w || !(w->ExStyle & WS_EX_LAYERED) || w->IsChild()) return 0;
  w->UpdateLayered = false;
  w->LayeredKey = Key;
  w->LayeredFlags = Flags;
  w->LayeredAlpha = (Flags & LWA_ALPHA) ? Alpha : 255;
  UpdateSurface(w);
  if (IsShowing(w)) InvalidateAll(w);
  PresentWindow(w, TRect(0, 0, w->Rect.Width(), w->Rect.Height()));
  return 1;
}

BOOL GetLayeredWindowAttributes(HWND Window, COLORREF* Key, Byte* Alpha, DWORD* Flags) {
  TWindow* w = Find(Window);
  if (!w || !(w->ExStyle & WS_EX_LAYERED) || w->UpdateLayered) return 0;
  if (Key) *Key = w->LayeredKey;
  if (Alpha) *Alpha = w->LayeredAlpha;
  if (Flags) *Flags = w->LayeredFlags;
  return 1;
}

BOOL UpdateLayeredWindow(HWND Window, const TPoint* Position, const TSize* Size, const TSurface* Source,
                         const TPoint* SourcePoint, COLORREF Key, const BLENDFUNCTION* Blend, DWORD Flags) {
  TWindow* w = Find(Window);
  if (!w || !(w->ExStyle & WS_EX_LAYERED) || w->IsChild()) return 0;
  const TSize size = Size ? *Size : w->Rect.Size();
  const TPoint srcPt = SourcePoint ? *SourcePoint : TPoint();
  if (Source) {
    // The source must cover the window's size from the source point.
    if (srcPt.X < 0 || srcPt.Y < 0 || srcPt.X + size.cx > Source->GetWidth() || srcPt.Y + size.cy > Source->GetHeight())
      return 0;
  }
  if (Position || Size) {
    const TPoint pos = Position ? *Position : w->Rect.TopLeft();
    SetWindowPos(Window, nullptr, pos.X, pos.Y, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    if (!(w = Find(Window))) return 0;
  }
  w->UpdateLayered = true;
  w->LayeredKey = Key;
  w->LayeredFlags = Flags;
  w->LayeredAlpha = Blend ? Blend->SourceConstantAlpha : 255;
  if (Source) {
    auto surface = std::make_unique<TSurface>(size.cx, size.cy);
    TSurface& src = const_cast<TSurface&>(*Source);
    TSurfaceAccess srcAccess(src);
    TSurfaceAccess dstAccess(*surface);
    const bool opaque = (Flags & ULW_OPAQUE) || !(Flags & ULW_ALPHA);
    for (int y = 0; y < size.cy; ++y) {
      const uint32_t* from = src.GetScanLine(srcPt.Y + y) + srcPt.X;
      uint32_t* to = surface->GetScanLine(y);
      for (int x = 0; x < size.cx; ++x) to[x] = opaque ? (from[x] | 0xFF000000u) : from[x];
    }
    w->Surface = std::move(surface);
  } else if (!w->Surface || w->Surface->GetWidth() != size.cx || w->Surface->GetHeight() != size.cy) {
    w->Surface = std::make_unique<TSurface>(size.cx, size.cy);
  }
  w->Update = TRect();
  PresentWindow(w, TRect(0, 0, size.cx, size.cy));
  return 1;
}

const TSurface* GetWindowSurface(HWND Window) {
  TWindow* w = Find(Window);
  if (!w || w->IsChild() || w->MessageOnly) return nullptr;
  return w->Surface.get();
}

// ---- default processing ------------------------------------------------------------------

namespace {
LRESULT DefSetCursor(TWindow* W, WPARAM WParam, LPARAM LParam) {
  const LRESULT hit = static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(LParam)));
  if (W->IsChild()) {
    // The parent may set the cursor for its children.
    if (SendMessage(W->Parent->Handle, WM_SETCURSOR, WParam, LParam)) return 1;
    if (!(W = Find(W->Handle))) return 1;
  }
  switch (hit) {
    case HTCLIENT:
      if (W->Class && W->Class->Class.hCursor) {
        SetCursor(W->Class->Class.hCursor);
        return 1;
      }
      return 0;
    case HTLEFT:
    case HTRIGHT:
      SetCursor(LoadCursor(nullptr, IDC_SIZEWE));
      return 1;
    case HTTOP:
    case HTBOTTOM:
      SetCursor(LoadCursor(nullptr, IDC_SIZENS));
      return 1;
    case HTTOPLEFT:
    case HTBOTTOMRIGHT:
      SetCursor(LoadCursor(nullptr, IDC_SIZENWSE));
      return 1;
    case HTTOPRIGHT:
    case HTBOTTOMLEFT:
      SetCursor(LoadCursor(nullptr, IDC_SIZENESW));
      return 1;
    case HTERROR:
    case HTTRANSPARENT:
      return 0;
    default:
      SetCursor(LoadCursor(nullptr, IDC_ARROW));
      return 0;
  }
}

// Frames of child controls: a border is 1 pixel, a client edge 2, a static edge 1.
int FrameWidth(const TWindow* W) {
  if (!W->IsChild()) return 0;
  int width = 0;
  if (W->Style & WS_BORDER) width += 1;
  if (W->ExStyle & WS_EX_CLIENTEDGE) width += 2;
  if (W->ExStyle & WS_EX_STATICEDGE) width += 1;
  return width;
}

Char GLastSysKeyDown = 0;

// The frame of a child control: a dark line for WS_BORDER, a sunken two-pixel edge for a client
// edge, a one-pixel grey edge for a static edge, outside in.
void PaintDefaultFrame(TWindow* W) {
  HDC dc = GetWindowDC(W->Handle);
  if (!dc) return;
  TRect r(0, 0, W->Rect.Width(), W->Rect.Height());
  auto frame = [&](COLORREF color) {
    HBRUSH brush = CreateSolidBrush(color);
    FrameRect(dc, &r, brush);
    DeleteObject(brush);
    r.Inflate(-1, -1);
  };
  if (W->Style & WS_BORDER) frame(RGB(100, 100, 100));
  if (W->ExStyle & WS_EX_CLIENTEDGE) {
    frame(RGB(160, 160, 160));
    frame(RGB(105, 105, 105));
  }
  if (W->ExStyle & WS_EX_STATICEDGE) frame(RGB(160, 160, 160));
  ReleaseDC(W->Handle, dc);
}

// The move and size loop a press on the caption or a sizing border starts: the window follows
// the mouse until the button goes up (Escape puts it back). Messages other than mouse and key
// input are dispatched meanwhile.
void MoveSizeLoop(HWND Window, LRESULT Hit, TPoint Start) {
  TWindow* w = Find(Window);
  if (!w || (w->Style & (WS_MINIMIZE | WS_MAXIMIZE))) return;
  const TRect startRect = w->Rect;
  SendMessage(Window, WM_ENTERSIZEMOVE, 0, 0);
  SetCapture(Window);
  for (;;) {
    MSG msg;
    const BOOL got = GetMessage(msg, nullptr, 0, 0);
    if (got <= 0) {
      if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    if (GetCapture() != Window || !IsWindow(Window)) {
      TranslateMessage(msg);
      DispatchMessage(msg);
      break;
    }
    const bool mouse = msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST;
    const bool key = msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST;
    if (!mouse && !key) {
      TranslateMessage(msg);
      DispatchMessage(msg);
      continue;
    }
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
      SetWindowPos(Window, nullptr, startRect.Left, startRect.Top, startRect.Width(), startRect.Height(),
                   SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    }
    if (msg.message == WM_LBUTTONUP) break;
    if (msg.message != WM_MOUSEMOVE) continue;
    const int dx = msg.pt.X - Start.X;
    const int dy = msg.pt.Y - Start.Y;
    TRect r = startRect;
    if (Hit == HTCAPTION) {
      r.Offset(dx, dy);
    } else {
      if (Hit == HTLEFT || Hit == HTTOPLEFT || Hit == HTBOTTOMLEFT) r.Left = std::min(r.Left + dx, r.Right);
      if (Hit == HTRIGHT || Hit == HTTOPRIGHT || Hit == HTBOTTOMRIGHT) r.Right = std::max(r.Right + dx, r.Left);
      if (Hit == HTTOP || Hit == HTTOPLEFT || Hit == HTTOPRIGHT) r.Top = std::min(r.Top + dy, r.Bottom);
      if (Hit == HTBOTTOM || Hit == HTBOTTOMLEFT || Hit == HTBOTTOMRIGHT) r.Bottom = std::max(r.Bottom + dy, r.Top);
    }
    SendMessage(Window, Hit == HTCAPTION ? WM_MOVING : WM_SIZING, static_cast<WPARAM>(Hit), reinterpret_cast<LPARAM>(&r));
    SetWindowPos(Window, nullptr, r.Left, r.Top, r.Width(), r.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (GetCapture() == Window) ReleaseCapture();
  if (IsWindow(Window)) SendMessage(Window, WM_EXITSIZEMOVE, 0, 0);
}
}  // namespace

LRESULT DefWindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  switch (Msg) {
    case WM_NCCREATE: {
      if (auto* cs = reinterpret_cast<CREATESTRUCT*>(LParam)) w->Text = cs->lpszName;
      return 1;
    }
    case WM_NCCALCSIZE: {
      if (!LParam) return 0;
      TRect& r = reinterpret_cast<NCCALCSIZE_PARAMS*>(LParam)->rgrc[0];
      const int frame = FrameWidth(w);
      r.Inflate(-frame, -frame);
      if (r.Right < r.Left) r.Right = r.Left;
      if (r.Bottom < r.Top) r.Bottom = r.Top;
      return 0;
    }
    case WM_NCHITTEST: {
      const TPoint p(GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam));
      const TRect window(WindowOrigin(w), w->Rect.Width(), w->Rect.Height());
      if (!window.Contains(p)) return HTNOWHERE;
      const TRect client(ClientOrigin(w), w->Client.Width(), w->Client.Height());
      return client.Contains(p) ? HTCLIENT : HTBORDER;
    }
    case WM_SETCURSOR:
      return DefSetCursor(w, WParam, LParam);
    case WM_SETICON: {
      HICON& slot = WParam == ICON_BIG ? w->IconBig : w->IconSmall;
      HICON old = slot;
      slot = reinterpret_cast<HICON>(LParam);
      if (WParam == ICON_BIG && w->Native) w->Native->SetIcon(slot);
      return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON:
      return reinterpret_cast<LRESULT>(WParam == ICON_BIG ? w->IconBig : w->IconSmall);
    case WM_MOUSEACTIVATE:
      if (w->IsChild()) {
        if (LRESULT r = SendMessage(w->Parent->Handle, WM_MOUSEACTIVATE, WParam, LParam)) return r;
      }
      return MA_ACTIVATE;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_CONTEXTMENU:
      if (w->IsChild()) return SendMessage(w->Parent->Handle, Msg, WParam, LParam);
      return 0;
    case WM_CLOSE:
      DestroyWindow(Window);
      return 0;
    case WM_SYSCOMMAND:
      switch (WParam & 0xFFF0) {
        case SC_CLOSE:
          SendMessage(Window, WM_CLOSE, 0, 0);
          break;
        case SC_MINIMIZE:
          ShowWindow(Window, SW_MINIMIZE);
          break;
        case SC_MAXIMIZE:
          ShowWindow(Window, SW_MAXIMIZE);
          break;
        case SC_RESTORE:
          ShowWindow(Window, SW_RESTORE);
          break;
        default:
          break;  // SC_KEYMENU: no system menu here; SC_MOVE/SC_SIZE: the backend's frame does it
      }
      return 0;
    case WM_SYSKEYDOWN:
      GLastSysKeyDown = static_cast<Char>(WParam);
      if (WParam == VK_F4 && (GetKeyState(VK_MENU) & 0x8000))
        SendMessage(GetAncestor(Window, GA_ROOT), WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SYSKEYUP:
      // Alt or F10 pressed and released alone opens the menu.
      if ((WParam == VK_MENU || WParam == VK_F10) && GLastSysKeyDown == static_cast<Char>(WParam))
        SendMessage(GetAncestor(Window, GA_ROOT), WM_SYSCOMMAND, SC_KEYMENU, 0);
      GLastSysKeyDown = 0;
      return 0;
    case WM_SYSCHAR:
      GLastSysKeyDown = 0;
      if (WParam != VK_RETURN && WParam != VK_ESCAPE)
        SendMessage(GetAncestor(Window, GA_ROOT), WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(WParam));
      return 0;
    case WM_WINDOWPOSCHANGED: {
      auto* wp = reinterpret_cast<WINDOWPOS*>(LParam);
      if (!wp) return 0;
      const TRect client = w->Client;
      if (!(wp->flags & SWP_NOMOVE))
        CallProc(w, WM_MOVE, 0, MAKELPARAM(w->Rect.Left + client.Left, w->Rect.Top + client.Top));
      if (!(wp->flags & SWP_NOSIZE) && (w = Find(Window)))
        CallProc(w, WM_SIZE, (w->Style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED,
                 MAKELPARAM(client.Width(), client.Height()));
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(WParam) != WA_INACTIVE && !(w->Style & WS_MINIMIZE)) {
        HWND focus = GetFocus();
        if (focus != Window && !IsChild(Window, focus)) SetFocus(Window);
      }
      return 0;
    case WM_NCACTIVATE:
      return 1;
    case WM_NCPAINT:
      if (HasNonClient(w)) PaintDefaultFrame(w);
      return 0;
    case WM_ERASEBKGND: {
      HBRUSH brush = w->Class ? w->Class->Class.hbrBackground : nullptr;
      if (!brush || !WParam) return 0;
      const TRect client = ClientBounds(w);
      FillRect(reinterpret_cast<HDC>(WParam), &client, brush);
      return 1;
    }
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(Window, ps);
      EndPaint(Window, ps);
      return 0;
    }
    case WM_PRINT: {
      HDC dc = reinterpret_cast<HDC>(WParam);
      if (LParam & PRF_ERASEBKGND) SendMessage(Window, WM_ERASEBKGND, WParam, 0);
      if (LParam & PRF_CLIENT) SendMessage(Window, WM_PRINTCLIENT, WParam, LParam);
      (void)dc;
      return 0;
    }
    case WM_SETTEXT:
      w->Text = LParam ? String(reinterpret_cast<const Char*>(LParam)) : String();
      if (w->Native) w->Native->SetTitle(w->Text);
      return 1;
    case WM_GETTEXT: {
      if (WParam == 0 || !LParam) return 0;
      const size_t n = std::min<size_t>(w->Text.size(), WParam - 1);
      auto* buffer = reinterpret_cast<Char*>(LParam);
      std::copy_n(w->Text.data(), n, buffer);
      buffer[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(w->Text.size());
    case WM_CANCELMODE:
      if (GetCapture() == Window) ReleaseCapture();
      return 0;
    case WM_NCLBUTTONDOWN:
      if (WParam == static_cast<WPARAM>(HTCAPTION) ||
          (WParam >= static_cast<WPARAM>(HTLEFT) && WParam <= static_cast<WPARAM>(HTBOTTOMRIGHT)))
        MoveSizeLoop(Window, static_cast<LRESULT>(WParam), TPoint(GET_X_LPARAM(LParam), GET_Y_LPARAM(LParam)));
      return 0;
    default:
      return 0;
  }
}

// ---- painting ----------------------------------------------------------------------------

namespace {

// Pixels of windows that have none yet (hidden, message-only, empty): drawing goes nowhere.
TSurface& ScratchSurface() {
  static TSurface surface(1, 1);
  return surface;
}

struct TDCInfo {
  HWND Window = nullptr;
  TRect Dirty;  // top-level window coordinates
};
std::unordered_map<HDC, TDCInfo> GWindowDCs;

TRect ScreenRectOf(const TWindow* W, bool WindowArea) {
  return WindowArea ? TRect(WindowOrigin(W), W->Rect.Width(), W->Rect.Height())
                    : TRect(ClientOrigin(W), W->Client.Width(), W->Client.Height());
}

void CombineRect(HRGN Target, const TRect& R, int Mode) {
  HRGN r = CreateRectRgnIndirect(R);
  CombineRgn(Target, Target, r, Mode);
  DeleteObject(r);
}

// The part of W's client (or whole window) area that it may draw on, in screen coordinates.
HRGN VisibleRegion(const TWindow* W, bool WindowArea, bool ClipChildren) {
  HRGN rgn = CreateRectRgnIndirect(ScreenRectOf(W, WindowArea));
  if (W->Region) {
    HRGN shape = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(shape, W->Region, nullptr, RGN_COPY);
    const TPoint origin = WindowOrigin(W);
    OffsetRgn(shape, origin.X, origin.Y);
    CombineRgn(rgn, rgn, shape, RGN_AND);
    DeleteObject(shape);
  }
  for (const TWindow* child = W; child->IsChild(); child = child->Parent) {
    const TWindow* parent = child->Parent;
    CombineRect(rgn, ScreenRectOf(parent, false), RGN_AND);
    if (child->Style & WS_CLIPSIBLINGS)
      for (const TWindow* sibling : parent->Children) {
        if (sibling == child) break;  // the rest lie below
        if (sibling->IsVisible()) CombineRect(rgn, ScreenRectOf(sibling, true), RGN_DIFF);
      }
  }
  if (ClipChildren)
    for (const TWindow* child : W->Children)
      if (child->IsVisible()) CombineRect(rgn, ScreenRectOf(child, true), RGN_DIFF);
  return rgn;
}

// A DC over the top-level window's pixels with W's origin and visible area; Extra (device
// coordinates) intersects or excludes.
HWND GLockedWindow = nullptr;

bool IsLocked(const TWindow* W) {
  for (; W; W = W->IsChild() ? W->Parent : nullptr)
    if (W->Handle == GLockedWindow) return true;
  return false;
}

HDC MakeWindowDC(TWindow* W, bool WindowArea, HRGN Extra, int ExtraMode, TRect* ClipBox, bool IgnoreLock = false) {
  TWindow* top = TopLevelOf(W);
  const bool drawable =
      top->Surface && IsShowing(W) && !top->UpdateLayered && (IgnoreLock || !GLockedWindow || !IsLocked(W));
  HDC dc = CreateSurfaceDC(drawable ? top->Surface.get() : &ScratchSurface());
  if (!dc) return nullptr;
  const TPoint origin = (WindowArea ? WindowOrigin(W) : ClientOrigin(W)) - WindowOrigin(top);
  HRGN clip = VisibleRegion(W, WindowArea, (W->Style & WS_CLIPCHILDREN) != 0);
  const TPoint screenOrigin = WindowArea ? WindowOrigin(W) : ClientOrigin(W);
  OffsetRgn(clip, -screenOrigin.X, -screenOrigin.Y);
  if (Extra) CombineRgn(clip, clip, Extra, ExtraMode);
  if (!drawable) SetRectRgn(clip, 0, 0, 0, 0);
  SetDCDeviceOrigin(dc, origin.X, origin.Y);
  SetDCSystemClip(dc, clip);
  TRect box;
  GetRgnBox(clip, &box);
  DeleteObject(clip);
  box.Offset(origin);
  GWindowDCs[dc] = TDCInfo{W->Handle, box};
  if (ClipBox) *ClipBox = box;
  return dc;
}

void FinishWindowDC(HDC DC) {
  auto it = GWindowDCs.find(DC);
  if (it == GWindowDCs.end()) return;
  const TDCInfo info = it->second;
  GWindowDCs.erase(it);
  DeleteDC(DC);
  if (TWindow* w = Find(info.Window); w && !info.Dirty.IsEmpty()) PresentWindow(w, info.Dirty);
}

}  // namespace

HDC BeginPaint(HWND Window, PAINTSTRUCT& Paint) {
  Paint = PAINTSTRUCT();
  TWindow* w = Find(Window);
  if (!w) return nullptr;
  if (w->NcPaint) {
    w->NcPaint = false;
    CallProc(w, WM_NCPAINT, 1, 0);
    if (!(w = Find(Window))) return nullptr;
  }
  const TRect update = w->Update;
  const bool erase = w->UpdateErase;
  w->Update = TRect();
  w->UpdateErase = false;
  w->InternalPaint = false;
  HRGN updateRgn = CreateRectRgnIndirect(update);
  HDC dc = MakeWindowDC(w, false, updateRgn, RGN_AND, nullptr);
  DeleteObject(updateRgn);
  Paint.hdc = dc;
  Paint.rcPaint = update;
  Paint.fErase = 0;
  if (erase && dc) {
    if (!CallProc(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0)) Paint.fErase = 1;
  }
  return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT& Paint) {
  if (Paint.hdc) FinishWindowDC(Paint.hdc);
  return 1;
}

HDC GetDC(HWND Window) { return GetDCEx(Window, nullptr, 0); }

HDC GetWindowDC(HWND Window) { return GetDCEx(Window, nullptr, DCX_WINDOW); }

HDC GetDCEx(HWND Window, HRGN Region, DWORD Flags) {
  if (!Window) return CreateSurfaceDC(&ScratchSurface());
  TWindow* w = Find(Window);
  if (!w) return nullptr;
  const int mode = (Flags & DCX_INTERSECTRGN) ? RGN_AND : (Flags & DCX_EXCLUDERGN) ? RGN_DIFF : 0;
  return MakeWindowDC(w, (Flags & DCX_WINDOW) != 0, mode ? Region : nullptr, mode, nullptr,
                      (Flags & DCX_LOCKWINDOWUPDATE) != 0);
}

int ReleaseDC(HWND, HDC DC) {
  if (!DC) return 0;
  if (GWindowDCs.count(DC)) {
    FinishWindowDC(DC);
  } else {
    DeleteDC(DC);
  }
  return 1;
}

BOOL LockWindowUpdate(HWND Window) {
  if (!Window) {
    // What was painted meanwhile went nowhere: the window paints again.
    if (TWindow* w = Find(GLockedWindow); w && IsShowing(w)) InvalidateAll(w);
    GLockedWindow = nullptr;
    return 1;
  }
  if (GLockedWindow || !IsWindow(Window)) return 0;
  GLockedWindow = Window;
  return 1;
}

// ---- batched positioning ------------------------------------------------------------------------

struct TDeferWindowPosBatch {
  std::vector<WINDOWPOS> Moves;
};

HDWP BeginDeferWindowPos(int NumWindows) {
  if (NumWindows < 0) return nullptr;
  auto* batch = new TDeferWindowPosBatch();
  batch->Moves.reserve(static_cast<size_t>(NumWindows));
  return batch;
}

HDWP DeferWindowPos(HDWP Batch, HWND Window, HWND InsertAfter, int X, int Y, int Cx, int Cy, UINT Flags) {
  if (!Batch) return nullptr;
  if (!IsWindow(Window)) {
    delete Batch;
    return nullptr;
  }
  WINDOWPOS move;
  move.hwnd = Window;
  move.hwndInsertAfter = InsertAfter;
  move.x = X;
  move.y = Y;
  move.cx = Cx;
  move.cy = Cy;
  move.flags = Flags;
  Batch->Moves.push_back(move);
  return Batch;
}

BOOL EndDeferWindowPos(HDWP Batch) {
  if (!Batch) return 0;
  const std::vector<WINDOWPOS> moves = std::move(Batch->Moves);
  delete Batch;
  BOOL ok = 1;
  for (const WINDOWPOS& m : moves)
    if (!SetWindowPos(m.hwnd, m.hwndInsertAfter, m.x, m.y, m.cx, m.cy, m.flags)) ok = 0;
  return ok;
}
