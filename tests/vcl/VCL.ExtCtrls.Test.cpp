#include <gtest/gtest.h>

#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.ExtCtrls.h"

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
