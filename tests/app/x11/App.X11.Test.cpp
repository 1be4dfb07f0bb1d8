// zephse on a private Xvfb server with the SDL backend: its main window appears on the screen
// and a close request from the X side (what a window manager sends for the close button) ends
// the program cleanly. Skips when the server cannot start.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "app/ZephseProcess.h"
#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Units.h"
#include "support/TestSupport.h"
#include "support/Xvfb.h"

// Sends the X window Window the close request of the window-manager protocol (WM_DELETE_WINDOW);
// kept apart from GoogleTest, whose names Xlib's macros break.
bool RequestClose(const std::string& Display, unsigned long Window);

namespace {

TXvfb& Server() {
  static TXvfb server;
  return server;
}
std::string GSkipReason;

// Polls an outside process's state (nothing here to wait on) until Done or TimeoutMs passed.
bool PollUntil(const std::function<bool()>& Done, int TimeoutMs = 20000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
  while (!Done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(25));
  }
  return true;
}

long ShellValue(const std::string& Shell, const std::string& Name) {
  const size_t at = Shell.find(Name + "=");
  return at == std::string::npos ? -1 : std::stol(Shell.substr(at + Name.size() + 1));
}

}  // namespace

void ZephseTestSetup() {
  InitializeUnits(RtlUnits());
  if (::testing::GTEST_FLAG(list_tests)) return;  // test discovery needs no server
  std::string error;
  if (!Server().Start(error)) GSkipReason = "Xvfb cannot start: " + error;
}

TEST(ZephseX11, MainWindowShowsAndClosesCleanly) {
  if (!GSkipReason.empty()) {
    GTEST_SKIP() << GSkipReason << " (scripts/setup.sh --x11)";
  }
  const std::string display = Server().Display();
  TZephseProcess zephse;
  ASSERT_TRUE(zephse.Start({}, {"DISPLAY=" + display, "ZEPHSE_BACKEND=sdl"}, {"WAYLAND_DISPLAY"}));

  std::string id;
  const bool found = PollUntil([&] {
    std::string out;
    if (RunX11Tool(display, {"xdotool", "search", "--name", "^ZEPHSE$"}, &out) != 0) return false;
    id = out.substr(0, out.find('\n'));
    return !id.empty();
  });
  if (!found) {
    const int status = zephse.Wait(0);
    FAIL() << "no window named ZEPHSE on " << display << "; zephse ended with " << status << ": " << zephse.Stderr;
  }

  std::string geometry;
  ASSERT_EQ(RunX11Tool(display, {"xdotool", "getwindowgeometry", "--shell", id}, &geometry), 0);
  const long x = ShellValue(geometry, "X"), y = ShellValue(geometry, "Y");
  const long width = ShellValue(geometry, "WIDTH"), height = ShellValue(geometry, "HEIGHT");
  ASSERT_GT(width, 100) << geometry;
  ASSERT_GT(height, 100) << geometry;

  // The empty form fills its window with its colour; the root window around it stays black.
  const TColorRef face = static_cast<TColorRef>(ColorToRGB(clBtnFace));
  const uint32_t faceRgb = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
  const int cx = static_cast<int>(x + width / 2), cy = static_cast<int>(y + height / 2);
  const int right = static_cast<int>(x + width - 2), bottom = static_cast<int>(y + height - 2);
  TXwdImage image;
  std::string error;
  const bool painted = PollUntil([&] {
    error.clear();
    return CaptureScreen(display, image, error) && image.Pixel(cx, cy) == faceRgb &&
           image.Pixel(static_cast<int>(x + 1), static_cast<int>(y + 1)) == faceRgb &&
           image.Pixel(right, bottom) == faceRgb;
  });
  ASSERT_TRUE(error.empty()) << error;
  EXPECT_TRUE(painted) << std::hex << "centre 0x" << image.Pixel(cx, cy) << ", expected 0x" << faceRgb;
  if (x > 0) {
    EXPECT_EQ(image.Pixel(static_cast<int>(x - 1), cy), 0u);
  }

  ASSERT_TRUE(RequestClose(display, std::stoul(id)));
  EXPECT_EQ(zephse.Wait(), 0) << zephse.Stderr;
}
