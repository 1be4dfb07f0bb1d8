#pragma once
// Timers whose events run on the main thread: window timers of one hidden window, and a thread
// with a fine clock for sub-second timers that ask for high resolution.

#include <vector>

#include "os/OS.Types.h"
#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Delegates.h"

class TZCLTimer : public TComponent {
  ZCL_CLASS(TZCLTimer, TComponent)
 public:
  // Interval 1000, Enabled; registers nothing until OnTimer is set.
  explicit TZCLTimer(TComponent* AOwner);
  TZCLTimer(TNotifyEvent AOnTimer, Cardinal AInterval, bool AEnabled = true, bool AHighResolution = false);
  void BeforeDestruction() override;

  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool GetHighResolution() const { return FHighResolution; }
  void SetHighResolution(bool Value);
  Cardinal GetInterval() const { return FInterval; }
  // Values below 2 become 1.
  void SetInterval(Cardinal Value);
  TNotifyEvent GetOnTimer() const { return FOnTimer; }
  void SetOnTimer(TNotifyEvent Value);
  // Starts the interval again (optionally with a new one).
  void Restart();
  void Restart(Cardinal AInterval);
  // Whether the manager holds the timer.
  bool IsRegistered() const;

  virtual bool CanStart() const;
  virtual void DoTimer();

 protected:
  void UpdateTimer();

 private:
  friend class TZCLTimerManager;
  friend class TZCLTimerDueAccess;
  bool FEnabled = false;
  bool FHighResolution = false;
  Cardinal FInterval = 0;
  TNotifyEvent FOnTimer;
  // Performance-counter ticks; written by the high-resolution thread only.
  Int64 FNextDueTick = 0;
};

class TZCLTimerManager {
 public:
  static void Register(TZCLTimer* Timer);
  static void Unregister(TZCLTimer* Timer);
  static bool IsRegistered(const TZCLTimer* Timer);
  // The window timer's interval: Interval / 10 rounded half to even, at least 1, times 10.
  static Cardinal WindowTimerInterval(Cardinal Interval);
  static HWND GetWindow();

  static void Initialize();
  static void Finalize();
};

// The fine clock: nanosecond ticks of the monotonic clock.
Int64 GetHighResolutionTicks();
Int64 TicksToMilliseconds(Int64 Ticks);
Int64 MillisecondsToTicks(Int64 Milliseconds);

// A timer that serves a list of items: every tick calls DoTimerItem for each item, the most
// recently added first. It is enabled while the list holds items.
template <class T>
class TZCLTimerListOf : public TZCLTimer {
 public:
  TZCLTimerListOf() : TZCLTimer(nullptr) {}
  ~TZCLTimerListOf() override { FItems.clear(); }

  // An item already in the list changes nothing and calls no hook.
  void Add(const T& Item) {
    if (IndexOf(Item) >= 0) return;
    DoAdding(Item);
    FItems.push_back(Item);
    UpdateEnabled();
  }
  // An item not in the list changes nothing and calls no hook.
  void Remove(const T& Item) {
    const Integer index = IndexOf(Item);
    if (index < 0) return;
    DoRemoving(Item);
    FItems.erase(FItems.begin() + index);
    UpdateEnabled();
  }
  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  const T& GetItem(Integer Index) const { return FItems.at(static_cast<size_t>(Index)); }
  Integer IndexOf(const T& Item) const {
    for (size_t i = 0; i < FItems.size(); ++i)
      if (FItems[i] == Item) return static_cast<Integer>(i);
    return -1;
  }

  bool CanStart() const override { return GetEnabled() && GetInterval() != 0; }
  // Items added during a pass wait for the next tick; an item may remove itself during its call.
  void DoTimer() override {
    for (Integer i = GetCount() - 1; i >= 0; --i) {
      if (i >= GetCount()) continue;
      T item = FItems[static_cast<size_t>(i)];  // kept alive through its own call
      DoTimerItem(item);
    }
  }

 protected:
  virtual void DoAdding(const T&) {}
  virtual void DoRemoving(const T&) {}
  virtual void DoTimerItem(const T& Item) = 0;
  void UpdateEnabled() { SetEnabled(!FItems.empty()); }

 private:
  std::vector<T> FItems;
};
