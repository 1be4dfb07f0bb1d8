#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/ZCL.Utils.Desktop.h"

namespace {

// Two monitors for the test, one again afterwards.
class DesktopTest : public ::testing::Test {
 protected:
  void SetUp() override { SetMonitors(THeadlessConfig::Dual(96, 144).Monitors); }
  void TearDown() override {
    SetTaskBar(nullptr);
    SetMonitors(THeadlessConfig::Single(96).Monitors);
  }
};

TEST_F(DesktopTest, MonitorsAlwaysAnswer) {
  const TRect primary(0, 0, 1920, 1080), second(1920, 0, 3840, 1080);
  EXPECT_EQ(GetPrimaryMonitorBounds(), primary);
  EXPECT_EQ(GetMonitorBoundsAtPoint(TPoint(5000, 10)), second);  // nearest
  EXPECT_EQ(GetMonitorBoundsByIndex(1), second);
  EXPECT_EQ(GetMonitorBoundsByIndex(-1), primary);
  EXPECT_EQ(GetMonitorBoundsByIndex(2), primary);
  EXPECT_EQ(MonitorFromRectSafe(TRect(1800, 0, 2100, 10))->GetBoundsRect(), second);  // by the centre
  EXPECT_EQ(GetWorkAreaAtPoint(TPoint(2000, 5)), TRect(1920, 0, 3840, 1040));
}

TEST_F(DesktopTest, MoveRectIntoMonitor) {
  EXPECT_EQ(MoveRectIntoMonitor(TRect(-100, 10, 200, 110)), TRect(0, 10, 300, 110));
  EXPECT_EQ(MoveRectIntoMonitor(TRect(1800, 1000, 1900, 1100)), TRect(1800, 980, 1900, 1080));
  // Wider than the monitor: ends at the monitor's right edge.
  EXPECT_EQ(MoveRectIntoMonitor(TRect(-50, 0, 2050, 100)), TRect(-180, 0, 1920, 100));
}

TEST_F(DesktopTest, TaskBarAndFreeArea) {
  const TZCLTaskBarInfo info = GetTaskBarInfo();
  EXPECT_EQ(info.Bounds, TRect(0, 1040, 1920, 1080));
  EXPECT_EQ(info.Edge, 3u);
  EXPECT_FALSE(info.AutoHide);
  EXPECT_EQ(GetMonitorFreeArea(TPoint(10, 10)), TRect(0, 0, 1920, 1040));
  // The task bar lies on the other monitor.
  EXPECT_EQ(GetMonitorFreeArea(TPoint(2000, 10)), TRect(1920, 0, 3840, 1080));

  TTaskBarDesc left{TRect(0, 0, 60, 1080), ABE_LEFT, false};
  SetTaskBar(&left);
  EXPECT_EQ(GetMonitorFreeArea(TPoint(10, 10)), TRect(60, 0, 1920, 1080));
  left.AutoHide = true;
  SetTaskBar(&left);
  EXPECT_TRUE(GetTaskBarInfo().AutoHide);
  EXPECT_EQ(GetMonitorFreeArea(TPoint(10, 10)), TRect(0, 0, 1920, 1080));
}

TEST_F(DesktopTest, FullScreenForegroundWindow) {
  TOwned<TForm> form(TCustomForm::CreateNew<TForm>(nullptr));
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 1920, 1040);  // maximized-like: the task bar keeps its strip
  form->Show();
  SetForegroundWindow(form->GetHandle());
  Headless::RunUntilIdle();
  EXPECT_FALSE(IsFullScreenAppActive());
  form->SetBounds(0, 0, 1920, 1080);
  EXPECT_TRUE(IsFullScreenAppActive());
  EXPECT_TRUE(IsFullScreenAppActive(GetPrimaryMonitor()));
  EXPECT_FALSE(IsFullScreenAppActive(MonitorFromIndexSafe(1)));
  EXPECT_FALSE(IsDesktopWindow(form->GetHandle()));
}

TEST_F(DesktopTest, Cursor) {
  Headless::MouseMove(TPoint(300, 200));
  Headless::RunUntilIdle();
  EXPECT_EQ(GetMouseCursorPos(), TPoint(300, 200));
  EXPECT_GT(GetCursorSize().cx, 0);
}

}  // namespace
