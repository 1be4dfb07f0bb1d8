#include "os/OS.Timers.h"

#include <algorithm>
#include <chrono>
#include <mutex>
#include <vector>

#include "os/OS.Messages.h"
#include "os/OS.Windows.h"

namespace {

class TSystemClock : public TClock {
 public:
  UInt64 NowMs() override {
    using namespace std::chrono;
    return static_cast<UInt64>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  }
};

TSystemClock GSystemClock;
std::atomic<TClock*> GClock{nullptr};

struct TTimer {
  HWND Window = nullptr;
  UINT_PTR Id = 0;
  UINT Interval = 0;
  TIMERPROC Proc = nullptr;
  UInt64 Due = 0;
  UInt64 Sequence = 0;  // orders timers that fall due together
};

// UI thread only; the lock keeps a stray call from another thread from corrupting the list.
std::mutex GLock;
std::vector<TTimer> GTimers;
UInt64 GSequence = 0;
UINT_PTR GNextThreadTimerId = 1;

}  // namespace

void TManualClock::Advance(UInt64 Ms) {
  FNow += Ms;
  WakeUiThread();
}

void TManualClock::SetNow(UInt64 Value) {
  UInt64 now = FNow.load();
  while (Value > now && !FNow.compare_exchange_weak(now, Value)) {
  }
  WakeUiThread();
}

TClock& GetClock() {
  TClock* clock = GClock.load();
  return clock ? *clock : GSystemClock;
}

void SetClock(TClock* Clock) {
  GClock.store(Clock);
  WakeUiThread();
}

UInt64 GetTickCount64() { return GetClock().NowMs(); }
DWORD GetTickCount() { return static_cast<DWORD>(GetClock().NowMs()); }

UINT_PTR SetTimer(HWND Window, UINT_PTR IdEvent, UINT Elapse, TIMERPROC TimerFunc) {
  if (Window && !IsWindow(Window)) return 0;
  const UINT interval = std::clamp(Elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  std::lock_guard<std::mutex> lock(GLock);
  if (!Window) {
    auto known = std::find_if(GTimers.begin(), GTimers.end(),
                              [&](const TTimer& t) { return !t.Window && IdEvent != 0 && t.Id == IdEvent; });
    if (known == GTimers.end()) IdEvent = GNextThreadTimerId++;
  }
  auto it = std::find_if(GTimers.begin(), GTimers.end(),
                         [&](const TTimer& t) { return t.Window == Window && t.Id == IdEvent; });
  if (it == GTimers.end()) it = GTimers.insert(GTimers.end(), TTimer());
  it->Window = Window;
  it->Id = IdEvent;
  it->Interval = interval;
  it->Proc = TimerFunc;
  it->Due = GetClock().NowMs() + interval;
  it->Sequence = ++GSequence;
  return Window ? (IdEvent ? IdEvent : 1) : IdEvent;
}

BOOL KillTimer(HWND Window, UINT_PTR IdEvent) {
  std::lock_guard<std::mutex> lock(GLock);
  auto it = std::find_if(GTimers.begin(), GTimers.end(),
                         [&](const TTimer& t) { return t.Window == Window && t.Id == IdEvent; });
  if (it == GTimers.end()) return 0;
  GTimers.erase(it);
  return 1;
}

namespace detail {

UInt64 NextTimerDue() {
  std::lock_guard<std::mutex> lock(GLock);
  UInt64 due = UINT64_MAX;
  for (const TTimer& t : GTimers) due = std::min(due, t.Due);
  return due;
}

bool TakeDueTimer(HWND Window, bool Remove, MSG& Msg) {
  std::lock_guard<std::mutex> lock(GLock);
  const UInt64 now = GetClock().NowMs();
  TTimer* best = nullptr;
  for (TTimer& t : GTimers) {
    if (t.Due > now) continue;
    if (Window && t.Window != Window) continue;
    if (!best || t.Due < best->Due || (t.Due == best->Due && t.Sequence < best->Sequence)) best = &t;
  }
  if (!best) return false;
  Msg = MSG();
  Msg.hwnd = best->Window;
  Msg.message = WM_TIMER;
  Msg.wParam = best->Id;
  Msg.lParam = reinterpret_cast<LPARAM>(best->Proc);
  Msg.time = static_cast<DWORD>(now);
  if (Remove) {
    best->Due = now + best->Interval;
    best->Sequence = ++GSequence;
  }
  return true;
}

void KillWindowTimers(HWND Window) {
  std::lock_guard<std::mutex> lock(GLock);
  GTimers.erase(std::remove_if(GTimers.begin(), GTimers.end(), [&](const TTimer& t) { return t.Window == Window; }),
                GTimers.end());
}

void ResetTimers() {
  std::lock_guard<std::mutex> lock(GLock);
  GTimers.clear();
}

}  // namespace detail
