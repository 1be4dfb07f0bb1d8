#include "zcl/base/ZCL.Timers.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>

#include "os/OS.Messages.h"
#include "os/OS.Timers.h"
#include "os/OS.Windows.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/base/ZCL.Utils.Messaging.h"

// ---- fine clock ------------------------------------------------------------------------------------

Int64 GetHighResolutionTicks() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

namespace {
constexpr Int64 TickFrequency = 1000000000;
}

Int64 TicksToMilliseconds(Int64 Ticks) { return Ticks / (TickFrequency / 1000); }
Int64 MillisecondsToTicks(Int64 Milliseconds) { return Milliseconds * (TickFrequency / 1000); }

// ---- manager ---------------------------------------------------------------------------------------

namespace {

class THighResolutionThread;

struct TManagerState {
  std::recursive_mutex Lock;
  HWND Window = nullptr;
  THighResolutionThread* Thread = nullptr;
  std::mutex HighResolutionLock;
  std::vector<TZCLTimer*> HighResolution;
  std::vector<TZCLTimer*> Registered;
};

TManagerState* GManager = nullptr;

bool Contains(const std::vector<TZCLTimer*>& List, const TZCLTimer* Timer) {
  return std::find(List.begin(), List.end(), Timer) != List.end();
}

bool EraseFrom(std::vector<TZCLTimer*>& List, const TZCLTimer* Timer) {
  auto it = std::find(List.begin(), List.end(), Timer);
  if (it == List.end()) return false;
  List.erase(it);
  return true;
}

// Collects due high-resolution timers and hands them to the main thread with a synchronous send.
class THighResolutionThread : public TZCLPauseableThread {
 public:
  THighResolutionThread() : TZCLPauseableThread(false) {}

 protected:
  void Execute() override {
    std::vector<TZCLTimer*> due;
    while (!GetTerminated()) {
      due.clear();
      Int64 now = GetHighResolutionTicks();
      Int64 next = now + MillisecondsToTicks(1000);
      {
        std::lock_guard guard(GManager->HighResolutionLock);
        for (TZCLTimer* timer : GManager->HighResolution) {
          if (now >= TimerDue(timer)) {
            TimerDue(timer) = now + MillisecondsToTicks(timer->GetInterval());
            due.push_back(timer);
          }
          next = std::min(next, TimerDue(timer));
        }
      }
      if (!due.empty()) {
        SendMessage(GManager->Window, WM_USER, 0, reinterpret_cast<LPARAM>(&due));
        now = GetHighResolutionTicks();
      }
      const Int64 sleepMs = std::clamp<Int64>(TicksToMilliseconds(std::max<Int64>(next - now, 0)), 1, 1000);
      FWake.WaitForNoSynchronize(static_cast<Cardinal>(sleepMs));
      if (!WaitForUnpause()) break;
    }
  }

 public:
  // Ends the sleep early (termination).
  TZCLEvent FWake{false, false};
  static Int64& TimerDue(TZCLTimer* Timer);
};

void UpdateHighResolutionThread() {
  bool any;
  {
    std::lock_guard guard(GManager->HighResolutionLock);
    any = !GManager->HighResolution.empty();
  }
  if (any) {
    if (!GManager->Thread) GManager->Thread = Create<THighResolutionThread>();
    GManager->Thread->SetPaused(false);
  } else if (GManager->Thread) {
    GManager->Thread->SetPaused(true);
  }
}

void DispatchTimer(TZCLTimer* Timer) {
  if (!GManager || !Contains(GManager->Registered, Timer)) return;
  try {
    Timer->DoTimer();
  } catch (...) {
    QueuedCallExceptionHandler(std::current_exception());
  }
}

void ManagerWndProc(TMessage& Message) {
  if (Message.Msg == WM_TIMER) {
    DispatchTimer(reinterpret_cast<TZCLTimer*>(Message.WParam));
  } else if (Message.Msg == WM_USER) {
    for (TZCLTimer* timer : *reinterpret_cast<std::vector<TZCLTimer*>*>(Message.LParam)) DispatchTimer(timer);
  } else if (GManager) {
    zcWndDefaultProc(GManager->Window, Message);
  }
}

}  // namespace

class TZCLTimerDueAccess {
 public:
  static Int64& Due(TZCLTimer* Timer) { return Timer->FNextDueTick; }
};

Int64& THighResolutionThread::TimerDue(TZCLTimer* Timer) { return TZCLTimerDueAccess::Due(Timer); }

void TZCLTimerManager::Initialize() {
  if (GManager) return;
  GManager = new TManagerState();
  GManager->Window = zcWndCreate(TZCLWndMethod(&ManagerWndProc), u"TZCLTimerManager");
}

void TZCLTimerManager::Finalize() {
  if (!GManager) return;
  zcWndFree(GManager->Window);
  GManager->Window = nullptr;
  if (GManager->Thread) {
    GManager->Thread->Terminate();
    GManager->Thread->FWake.Signal();
    Free(GManager->Thread);
  }
  delete GManager;
  GManager = nullptr;
}

HWND TZCLTimerManager::GetWindow() { return GManager ? GManager->Window : nullptr; }

Cardinal TZCLTimerManager::WindowTimerInterval(Cardinal Interval) {
  const double tens = std::nearbyint(Interval / 10.0);  // default rounding: half to even
  return static_cast<Cardinal>(std::max(tens, 1.0)) * 10;
}

void TZCLTimerManager::Register(TZCLTimer* Timer) {
  if (!GManager || !Timer) return;
  std::lock_guard guard(GManager->Lock);
  if (Contains(GManager->Registered, Timer)) return;
  GManager->Registered.push_back(Timer);
  if (Timer->GetHighResolution() && Timer->GetInterval() < 1000) {
    {
      std::lock_guard hrGuard(GManager->HighResolutionLock);
      GManager->HighResolution.push_back(Timer);
    }
    UpdateHighResolutionThread();
    if (GManager->Thread) GManager->Thread->FWake.Signal();
  } else {
    SetTimer(GManager->Window, reinterpret_cast<UINT_PTR>(Timer), WindowTimerInterval(Timer->GetInterval()), nullptr);
  }
}

void TZCLTimerManager::Unregister(TZCLTimer* Timer) {
  if (!GManager || !Timer) return;
  std::lock_guard guard(GManager->Lock);
  if (EraseFrom(GManager->Registered, Timer)) KillTimer(GManager->Window, reinterpret_cast<UINT_PTR>(Timer));
  bool wasHighResolution;
  {
    std::lock_guard hrGuard(GManager->HighResolutionLock);
    wasHighResolution = EraseFrom(GManager->HighResolution, Timer);
  }
  if (wasHighResolution) UpdateHighResolutionThread();
}

bool TZCLTimerManager::IsRegistered(const TZCLTimer* Timer) {
  if (!GManager) return false;
  std::lock_guard guard(GManager->Lock);
  return Contains(GManager->Registered, Timer);
}

// ---- timer -----------------------------------------------------------------------------------------

TZCLTimer::TZCLTimer(TComponent* AOwner) : TComponent(AOwner), FEnabled(true), FInterval(1000) {}

TZCLTimer::TZCLTimer(TNotifyEvent AOnTimer, Cardinal AInterval, bool AEnabled, bool AHighResolution)
    : TZCLTimer(nullptr) {
  SetHighResolution(AHighResolution);
  SetInterval(AInterval);
  SetEnabled(AEnabled);
  SetOnTimer(AOnTimer);
}

void TZCLTimer::BeforeDestruction() {
  TComponent::BeforeDestruction();
  SetEnabled(false);
  TZCLTimerManager::Unregister(this);
}

void TZCLTimer::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  UpdateTimer();
}

void TZCLTimer::SetHighResolution(bool Value) {
  if (FHighResolution == Value) return;
  FHighResolution = Value;
  UpdateTimer();
}

void TZCLTimer::SetInterval(Cardinal Value) {
  if (Value < 2) Value = 1;
  if (FInterval == Value) return;
  FInterval = Value;
  UpdateTimer();
}

void TZCLTimer::SetOnTimer(TNotifyEvent Value) {
  FOnTimer = Value;
  UpdateTimer();
}

void TZCLTimer::Restart() {
  SetEnabled(false);
  SetEnabled(true);
}

void TZCLTimer::Restart(Cardinal AInterval) {
  SetEnabled(false);
  SetInterval(AInterval);
  SetEnabled(true);
}

bool TZCLTimer::IsRegistered() const { return TZCLTimerManager::IsRegistered(this); }

bool TZCLTimer::CanStart() const { return FInterval != 0 && FEnabled && FOnTimer.Assigned(); }

void TZCLTimer::DoTimer() {
  if (FOnTimer.Assigned()) FOnTimer(this);
}

void TZCLTimer::UpdateTimer() {
  TZCLTimerManager::Unregister(this);
  if (CanStart()) TZCLTimerManager::Register(this);
}
