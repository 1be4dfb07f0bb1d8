#pragma once
// The clock of the window layer and window timers.
//
// Everything time-based in the window layer (message times, timers, double-click detection)
// reads one clock. The program uses the monotonic system clock; tests install a TManualClock
// and advance it, so that a timer of 400 ms fires without anyone sleeping.

#include <atomic>

#include "os/OS.Types.h"

class TClock {
 public:
  virtual ~TClock() = default;
  // Milliseconds since an arbitrary start; never goes backwards.
  virtual UInt64 NowMs() = 0;
  // A manual clock moves only when told; the message loop then never waits for it in real time.
  virtual bool IsManual() const { return false; }
};

// A clock that stands still until Advance or SetNow moves it. Thread-safe.
class TManualClock : public TClock {
 public:
  explicit TManualClock(UInt64 StartMs = 1000) : FNow(StartMs) {}
  UInt64 NowMs() override { return FNow.load(); }
  bool IsManual() const override { return true; }
  // Moves the clock forward and wakes the UI thread so that due timers are seen.
  void Advance(UInt64 Ms);
  // Moves the clock to Value; values in the past are ignored (the clock is monotonic).
  void SetNow(UInt64 Value);

 private:
  std::atomic<UInt64> FNow;
};

// The clock in use. SetClock does not take ownership; null restores the system clock.
TClock& GetClock();
void SetClock(TClock* Clock);

UInt64 GetTickCount64();
DWORD GetTickCount();

// Called by DispatchMessage for a WM_TIMER whose timer has a procedure (lParam).
using TIMERPROC = void (*)(HWND Window, UINT Msg, UINT_PTR IdEvent, DWORD Time);

inline constexpr UINT USER_TIMER_MINIMUM = 0x0000000A;
inline constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;

// Starts or restarts timer IdEvent of Window (UI thread). The interval is kept within
// USER_TIMER_MINIMUM and USER_TIMER_MAXIMUM. With a null window the timer belongs to the thread
// and a fresh id is returned (IdEvent is then ignored unless it names an existing thread timer).
// Returns 0 when Window is not a window.
//
// WM_TIMER is the lowest-priority message: it is generated only when no sent, posted, input or
// paint message is waiting. Each timer has at most one WM_TIMER pending; a timer that fell behind
// fires once and then counts its interval again from the moment it fired.
UINT_PTR SetTimer(HWND Window, UINT_PTR IdEvent, UINT Elapse, TIMERPROC TimerFunc);
// Stops the timer; a WM_TIMER it already generated is not delivered any more.
BOOL KillTimer(HWND Window, UINT_PTR IdEvent);

struct MSG;

namespace detail {
// The message loop's view of the timers (UI thread).
// The earliest due time of all timers, or UINT64_MAX.
UInt64 NextTimerDue();
// When a timer matching Window (null: any) is due, fills Msg with its WM_TIMER and, when Remove,
// schedules its next tick. Earlier due times first; equal ones in the order they were set.
bool TakeDueTimer(HWND Window, bool Remove, MSG& Msg);
void KillWindowTimers(HWND Window);
void ResetTimers();
}  // namespace detail
