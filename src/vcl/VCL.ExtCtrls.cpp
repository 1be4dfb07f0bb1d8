#include "vcl/VCL.ExtCtrls.h"

#include "os/OS.Messages.h"
#include "os/OS.Timers.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Controls.h"

namespace {
constexpr const Char* GTimerWindowClass = u"ZephseTimerWindow";
constexpr UINT_PTR GTimerId = 1;
}  // namespace

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {}

TTimer::~TTimer() { StopTimer(); }

void TTimer::BeforeDestruction() {
  FEnabled = false;
  StopTimer();
  if (FWindow) {
    SetWindowLongPtr(FWindow, GWLP_USERDATA, 0);
    DestroyWindow(FWindow);
    FWindow = nullptr;
  }
  inherited::BeforeDestruction();
}

LRESULT TTimer::WindowProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_TIMER && WParam == GTimerId) {
    if (auto* timer = reinterpret_cast<TTimer*>(GetWindowLongPtr(Window, GWLP_USERDATA))) {
      // A failing handler is reported like any failing window procedure; the timer goes on.
      try {
        timer->Timer();
      } catch (...) {
        if (!ControlHooks().HandleException) throw;
        ControlHooks().HandleException(timer);
      }
    }
    return 0;
  }
  return DefWindowProc(Window, Msg, WParam, LParam);
}

void TTimer::StopTimer() {
  if (!FRunning) return;
  FRunning = false;
  if (FWindow) KillTimer(FWindow, GTimerId);
}

void TTimer::UpdateTimer() {
  StopTimer();
  const TComponentState state = GetComponentState();
  if (!FEnabled || FInterval == 0 || !OnTimer || state.Contains(csDesigning) || state.Contains(csLoading) ||
      state.Contains(csDestroying))
    return;
  if (!FWindow) {
    WNDCLASS cls;
    if (!GetClassInfo(nullptr, GTimerWindowClass, cls)) {
      cls.lpfnWndProc = &TTimer::WindowProc;
      cls.lpszClassName = GTimerWindowClass;
      RegisterClass(cls);
    }
    FWindow = CreateWindowEx(0, GTimerWindowClass, u"", 0, 0, 0, 0, 0, HWND_MESSAGE);
    if (!FWindow) throw EOutOfResources(u"Not enough timers available");
    SetWindowLongPtr(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  }
  if (!SetTimer(FWindow, GTimerId, FInterval, nullptr)) throw EOutOfResources(u"Not enough timers available");
  FRunning = true;
}

void TTimer::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  UpdateTimer();
}

void TTimer::SetInterval(Cardinal Value) {
  if (FInterval == Value) return;
  FInterval = Value;
  UpdateTimer();
}

void TTimer::SetOnTimer(const TNotifyEvent& Value) {
  OnTimer = Value;
  UpdateTimer();
}

void TTimer::Timer() {
  if (FEnabled && OnTimer) OnTimer(this);
}

void TTimer::Loaded() {
  inherited::Loaded();
  UpdateTimer();
}

void TTimer::DeclareProperties(TClassDeclaration<TTimer>& D) {
  D.Property(u"Enabled", &TTimer::GetEnabled, &TTimer::SetEnabled).Default(true);
  D.Property(u"Interval", &TTimer::GetInterval, &TTimer::SetInterval).Default(1000);
  D.Property(u"OnTimer", &TTimer::GetOnTimer, &TTimer::SetOnTimer);
}

namespace detail {
void ExtCtrlsInit() {
  RegisterProperties<TTimer>();
  RegisterClass(TTimer::StaticClass());
}
}  // namespace detail
