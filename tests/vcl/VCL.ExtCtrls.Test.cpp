#include <gtest/gtest.h>

#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.ExtCtrls.h"
#include "vcl/VCL.Forms.h"

namespace {

TEST(TimerTest, FiresEveryIntervalOfTheVirtualClock) {
  struct TSink {
    int Ticks = 0;
    void Tick(TObject*) { ++Ticks; }
  } sink;
  auto* timer = Create<TTimer>(nullptr);
  timer->SetInterval(100);
  timer->SetOnTimer({&sink, &TSink::Tick});
  Headless::Advance(99);
  EXPECT_EQ(sink.Ticks, 0);
  Headless::Advance(251);
  EXPECT_EQ(sink.Ticks, 3);
  timer->SetEnabled(false);
  Headless::Advance(500);
  EXPECT_EQ(sink.Ticks, 3);
  // Re-enabling counts the interval again from now.
  timer->SetInterval(50);
  timer->SetEnabled(true);
  Headless::Advance(120);
  EXPECT_EQ(sink.Ticks, 5);
  Free(timer);
  Headless::Advance(200);
  EXPECT_EQ(sink.Ticks, 5);
}

}  // namespace

namespace {

// A failing handler reaches the application's exception handling; the timer keeps running.
TEST(TimerTest, FailingHandlersAreReportedAndTheTimerGoesOn) {
  struct TSink {
    int Ticks = 0;
    std::vector<String> Reported;
    void Tick(TObject*) {
      ++Ticks;
      throw EInvalidOperation(u"tick failed");
    }
    void Report(TObject*, Exception* E) { Reported.push_back(E->GetMessage()); }
  } sink;
  Application->OnException = {&sink, &TSink::Report};
  auto* timer = Create<TTimer>(nullptr);
  timer->SetInterval(10);
  timer->SetOnTimer({&sink, &TSink::Tick});
  Headless::Advance(25);
  Free(timer);
  Application->OnException = nullptr;
  EXPECT_EQ(sink.Ticks, 2);
  EXPECT_EQ(sink.Reported, (std::vector<String>{u"tick failed", u"tick failed"}));
}

}  // namespace
