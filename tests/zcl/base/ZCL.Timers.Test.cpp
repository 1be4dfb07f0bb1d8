#include "zcl/base/ZCL.Timers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "os/backends/headless/OS.Headless.h"
#include "zcl/base/ZCL.Threading.h"

namespace {
struct Ticks {
  int Count = 0;
  std::atomic<bool> OnMain{true};
  TZCLEvent Fired{true, false};
  void OnTimer(TObject*) {
    ++Count;
    if (!IsMainThread()) OnMain = false;
    Fired.Signal();
  }
  TNotifyEvent Event() { return TNotifyEvent(this, &Ticks::OnTimer); }
};
}  // namespace

TEST(ZclTimers, WindowTimerIntervalsRoundToTensHalfToEven) {
  const std::pair<Cardinal, Cardinal> cases[] = {{1, 10}, {14, 10}, {15, 20}, {25, 20}, {35, 40}, {1000, 1000}};
  for (auto [interval, expected] : cases) EXPECT_EQ(TZCLTimerManager::WindowTimerInterval(interval), expected);
}

TEST(ZclTimers, WindowTimerTicksOnTheClockAndStopsWhenDisabled) {
  Ticks ticks;
  auto* timer = Create<TZCLTimer>(nullptr);
  EXPECT_FALSE(timer->IsRegistered());  // no event yet
  timer->SetInterval(0);
  EXPECT_EQ(timer->GetInterval(), 1u);
  timer->SetOnTimer(ticks.Event());
  EXPECT_TRUE(timer->IsRegistered());
  Headless::Advance(100);
  EXPECT_EQ(ticks.Count, 10);  // interval 1 ticks every 10 ms

  timer->SetEnabled(false);
  Headless::Advance(100);
  EXPECT_EQ(ticks.Count, 10);
  timer->Restart(50);
  Headless::Advance(100);
  EXPECT_EQ(ticks.Count, 12);
  timer->SetOnTimer({});
  EXPECT_FALSE(timer->IsRegistered());
  Free(timer);
}

TEST(ZclTimers, DestroyedTimerWithAPendingTickDoesNotFire) {
  Ticks ticks;
  auto* timer = Create<TZCLTimer>(ticks.Event(), 20u);
  Headless::Clock()->Advance(20);  // due, not yet dispatched
  Free(timer);
  Headless::RunUntilIdle();
  EXPECT_EQ(ticks.Count, 0);
}

TEST(ZclTimers, HighResolutionTimersRunOnTheMainThread) {
  Ticks fast, slow, coarse;
  auto* a = Create<TZCLTimer>(fast.Event(), 16u, true, true);
  auto* b = Create<TZCLTimer>(slow.Event(), 40u, true, true);
  auto* c = Create<TZCLTimer>(coarse.Event(), 1000u, true, true);  // 1000 ms and more: a window timer
  EXPECT_TRUE(fast.Fired.WaitFor(10000));
  EXPECT_TRUE(slow.Fired.WaitFor(10000));
  EXPECT_TRUE(fast.OnMain);
  EXPECT_TRUE(slow.OnMain);
  EXPECT_EQ(coarse.Count, 0);
  Free(a);
  Free(b);
  Free(c);
}

namespace {
struct TItemTimer : TZCLTimerListOf<int> {
  std::vector<int> Served;
  int Hooks = 0;
  int RemoveSelf = -1;

 protected:
  void DoAdding(const int&) override { ++Hooks; }
  void DoRemoving(const int&) override { ++Hooks; }
  void DoTimerItem(const int& Item) override {
    Served.push_back(Item);
    if (Item == RemoveSelf) Remove(Item);
  }
};
}  // namespace

TEST(ZclTimers, ListTimerServesNewestFirstAndFollowsItsList) {
  auto* timer = Create<TItemTimer>();
  timer->SetInterval(50);
  timer->Add(1);
  timer->Add(2);
  timer->Add(3);
  timer->Add(2);
  timer->Remove(7);
  EXPECT_EQ(timer->Hooks, 3);
  timer->RemoveSelf = 2;
  timer->DoTimer();
  EXPECT_EQ(timer->Served, (std::vector<int>{3, 2, 1}));
  EXPECT_EQ(timer->GetCount(), 2);

  timer->Remove(1);
  timer->Remove(3);
  EXPECT_FALSE(timer->IsRegistered());
  timer->Add(4);
  EXPECT_TRUE(timer->IsRegistered());
  timer->Served.clear();
  Headless::Advance(50);
  EXPECT_EQ(timer->Served, (std::vector<int>{4}));
  Free(timer);
}
