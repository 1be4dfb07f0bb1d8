#include "os/OS.Timers.h"

#include "support/HeadlessFixture.h"

namespace {

class TimersTest : public THeadlessTest {
 protected:
  // The ids of the WM_TIMER messages h received, in order.
  std::vector<WPARAM> Ticks(HWND h) {
    std::vector<WPARAM> ids;
    for (const auto& m : Find(h, WM_TIMER)) ids.push_back(m.WParam);
    return ids;
  }
};

TEST_F(TimersTest, TimersFireInDueOrderUnderTheVirtualClock) {
  HWND h = Create(Bounds(0, 0, 10, 10));
  SetTimer(h, 1, 300, nullptr);
  SetTimer(h, 2, 100, nullptr);
  SetTimer(h, 3, 100, nullptr);
  Headless::RunUntilIdle();
  EXPECT_TRUE(Ticks(h).empty());
  Headless::Advance(99);
  EXPECT_TRUE(Ticks(h).empty());
  Headless::Advance(201);
  // Due together: in the order they were set (or last fired).
  EXPECT_EQ(Ticks(h), (std::vector<WPARAM>{2, 3, 2, 3, 1, 2, 3}));
  EXPECT_TRUE(KillTimer(h, 2));
  EXPECT_FALSE(KillTimer(h, 2));
  Log.clear();
  Headless::Advance(300);
  EXPECT_EQ(Ticks(h), (std::vector<WPARAM>{3, 3, 1, 3}));
}

TEST_F(TimersTest, RepeatDelayFiresAfter400MsWithoutSleeping) {
  HWND h = Create(Bounds(0, 0, 10, 10));
  SetTimer(h, 7, 400, nullptr);
  Headless::Advance(399);
  EXPECT_TRUE(Ticks(h).empty());
  Headless::Advance(1);
  EXPECT_EQ(Ticks(h), (std::vector<WPARAM>{7}));
  // Setting the timer again restarts its interval.
  Headless::Advance(300);
  SetTimer(h, 7, 400, nullptr);
  Headless::Advance(300);
  EXPECT_EQ(Ticks(h).size(), 1u);
}

TEST_F(TimersTest, TimerThatFellBehindFiresOnceAndTimersComeAfterOtherMessages) {
  HWND h = Create(Bounds(0, 0, 10, 10));
  SetTimer(h, 1, 10, nullptr);
  Headless::Clock()->Advance(1000);
  PostMessage(h, WM_USER, 0, 0);
  Headless::RunUntilIdle();
  EXPECT_EQ(Messages(h, {WM_USER, WM_TIMER}), (std::vector<UINT>{WM_USER, WM_TIMER}));
}

TEST_F(TimersTest, KilledOrDestroyedTimersDoNotFireAndIntervalsAreKeptInRange) {
  HWND h = Create(Bounds(0, 0, 10, 10));
  SetTimer(h, 1, 0, nullptr);  // becomes USER_TIMER_MINIMUM
  SetTimer(h, 2, 50, nullptr);
  Headless::Clock()->Advance(100);
  MSG msg;
  ASSERT_TRUE(PeekMessage(msg, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
  KillTimer(h, msg.wParam == 1 ? 1 : 2);
  DestroyWindow(h);
  EXPECT_FALSE(PeekMessage(msg, nullptr, WM_TIMER, WM_TIMER, PM_NOREMOVE));
  EXPECT_EQ(SetTimer(h, 1, 10, nullptr), 0u);  // not a window any more

  HWND g = Create(Bounds(0, 0, 10, 10));
  SetTimer(g, 1, 0, nullptr);
  Headless::Advance(USER_TIMER_MINIMUM - 1);
  EXPECT_TRUE(Ticks(g).empty());
  Headless::Advance(1);
  EXPECT_EQ(Ticks(g).size(), 1u);
}

TEST_F(TimersTest, ThreadTimersCallTheirProcedure) {
  static std::vector<UINT_PTR> calls;
  calls.clear();
  const UINT_PTR id = SetTimer(nullptr, 0, 50, [](HWND, UINT, UINT_PTR Id, DWORD) { calls.push_back(Id); });
  ASSERT_NE(id, 0u);
  Headless::Advance(100);
  EXPECT_EQ(calls, (std::vector<UINT_PTR>{id, id}));
  KillTimer(nullptr, id);
  Headless::Advance(100);
  EXPECT_EQ(calls.size(), 2u);
}

}  // namespace
