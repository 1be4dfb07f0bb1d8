// The SDL backend on a real X server: a private Xvfb started for this program. Windows made
// through the window layer appear on its screen (read back with xwd), and input made with
// xdotool comes back as messages. Every test skips when the server or SDL cannot start.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "os/OS.Backend.h"
#include "os/OS.Gdi.h"
#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "os/OS.Regions.h"
#include "os/OS.Surface.h"
#include "os/OS.Units.h"
#include "os/OS.Windows.h"
#include "os/backends/sdl/OS.Sdl.h"
#include "rtl/RTL.Units.h"
#include "support/TestSupport.h"
#include "support/Xvfb.h"

namespace {

// Outlives the units (finalized at the end of main), so SDL leaves the server before it ends.
TXvfb& Server() {
  static TXvfb server;
  return server;
}
std::string GSkipReason;

struct TRecorded {
  HWND Window;
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
};
std::vector<TRecorded> GLog;

constexpr const Char* TestClass = u"ZSdlTestWindow";

// Paints the client area with the COLORREF kept in GWLP_USERDATA.
LRESULT TestProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  GLog.push_back({Window, Msg, WParam, LParam});
  if (Msg == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(Window, ps);
    TRect client;
    GetClientRect(Window, client);
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(GetWindowLongPtr(Window, GWLP_USERDATA)));
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    EndPaint(Window, ps);
    return 0;
  }
  return DefWindowProc(Window, Msg, WParam, LParam);
}

}  // namespace

void ZephseTestSetup() {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  if (::testing::GTEST_FLAG(list_tests)) return;  // test discovery needs no server
  std::string error;
  if (!Server().Start(error)) {
    GSkipReason = "Xvfb cannot start: " + error;
    return;
  }
  Server().Export();
  String sdlError;
  if (!InstallSdlBackend(&sdlError)) GSkipReason = "SDL cannot open the Xvfb display: " + StringToUTF8(sdlError);
}

class SdlX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GSkipReason.empty()) GTEST_SKIP() << GSkipReason;
    WNDCLASS c;
    if (!GetClassInfo(nullptr, TestClass, c)) {
      c.lpfnWndProc = TestProc;
      c.lpszClassName = TestClass;
      RegisterClass(c);
    }
    GLog.clear();
  }
  void TearDown() override {
    for (HWND h : FCreated)
      if (IsWindow(h)) DestroyWindow(h);
    Settle();
    GLog.clear();
  }

  HWND Create(const TRect& Bounds, COLORREF Color, DWORD ExStyle = 0) {
    HWND h = CreateWindowEx(ExStyle, TestClass, u"sdl test", WS_POPUP, Bounds.Left, Bounds.Top, Bounds.Width(),
                            Bounds.Height(), nullptr);
    EXPECT_NE(h, nullptr);
    if (!h) return nullptr;
    SetWindowLongPtr(h, GWLP_USERDATA, static_cast<LONG_PTR>(Color));
    ShowWindow(h, SW_SHOWNOACTIVATE);
    FCreated.push_back(h);
    return h;
  }

  // Dispatches everything waiting and lets the backend push the pixels out.
  static void Settle() {
    for (int round = 0; round < 3; ++round) {
      MSG msg;
      while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(msg);
        DispatchMessage(msg);
      }
      GetDisplayBackend()->Wait(0);
    }
  }

  // Runs the loop until Done answers true or the deadline passes (the X server answers in its
  // own time; nothing here measures speed).
  static bool PumpUntil(const std::function<bool()>& Done, int TimeoutMs = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
      Settle();
      if (Done()) return true;
      if (std::chrono::steady_clock::now() >= deadline) return false;
      MsgWaitForReady(Done, 20, QS_ALLINPUT);
    }
  }

  // Waits until every probe shows its colour (0xRRGGBB) on the screen; the last screenshot's
  // pixels go to the failure message.
  static void ExpectScreen(const std::vector<std::pair<TPoint, uint32_t>>& Probes) {
    TXwdImage image;
    std::string error;
    const bool ok = PumpUntil([&] {
      error.clear();
      if (!CaptureScreen(Server().Display(), image, error)) return false;
      for (const auto& [point, colour] : Probes)
        if (image.Pixel(point.X, point.Y) != colour) return false;
      return true;
    });
    ASSERT_TRUE(error.empty()) << error;
    if (ok) return;
    for (const auto& [point, colour] : Probes)
      EXPECT_EQ(image.Pixel(point.X, point.Y), colour) << "at " << point.X << "," << point.Y;
  }

  // The X window the server finds at a screen point (moves the pointer there).
  static std::string XWindowAt(TPoint Point) {
    std::string out;
    RunX11Tool(Server().Display(),
               {"xdotool", "mousemove", std::to_string(Point.X), std::to_string(Point.Y), "getmouselocation", "--shell"},
               &out);
    const size_t at = out.find("WINDOW=");
    return at == std::string::npos ? std::string() : out.substr(at + 7, out.find('\n', at) - at - 7);
  }

  static bool Received(HWND Window, UINT Msg, TRecorded* Found = nullptr) {
    for (const TRecorded& r : GLog)
      if (r.Window == Window && r.Msg == Msg) {
        if (Found) *Found = r;
        return true;
      }
    return false;
  }

  std::vector<HWND> FCreated;
};

TEST_F(SdlX11, MonitorsComeFromTheServer) {
  const std::vector<TMonitorDesc> monitors = GetMonitors();
  ASSERT_EQ(monitors.size(), 1u);
  EXPECT_EQ(monitors[0].Bounds, TRect(0, 0, 1024, 768));
  EXPECT_TRUE(monitors[0].Primary);
  EXPECT_GE(monitors[0].Dpi, 96u);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
}

TEST_F(SdlX11, PaintedWindowAppearsWhereItIs) {
  HWND h = Create(Bounds(100, 80, 200, 120), RGB(255, 0, 0));
  ASSERT_TRUE(h);
  ExpectScreen({{{100, 80}, 0xFF0000}, {{299, 199}, 0xFF0000}, {{99, 80}, 0x000000}, {{300, 199}, 0x000000}});

  // Moved and repainted in another colour: the screen follows.
  SetWindowLongPtr(h, GWLP_USERDATA, static_cast<LONG_PTR>(RGB(0, 0, 255)));
  SetWindowPos(h, nullptr, 400, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(h, nullptr, 0);
  ExpectScreen({{{400, 300}, 0x0000FF}, {{599, 419}, 0x0000FF}, {{150, 100}, 0x000000}});

  // Resized: the larger window shows whole.
  SetWindowPos(h, nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ExpectScreen({{{400, 300}, 0x0000FF}, {{699, 499}, 0x0000FF}, {{700, 500}, 0x000000}});

  ShowWindow(h, SW_HIDE);
  ExpectScreen({{{450, 350}, 0x000000}});
}

TEST_F(SdlX11, ClickComesBackAsButtonMessages) {
  HWND h = Create(Bounds(100, 80, 200, 120), RGB(0, 255, 0));
  ASSERT_TRUE(h);
  ExpectScreen({{{150, 100}, 0x00FF00}});
  ASSERT_EQ(RunX11Tool(Server().Display(), {"xdotool", "mousemove", "160", "110", "click", "1"}), 0)
      << "xdotool is not installed (scripts/setup.sh --x11)";
  TRecorded down{};
  ASSERT_TRUE(PumpUntil([&] { return Received(h, WM_LBUTTONUP); }));
  ASSERT_TRUE(Received(h, WM_LBUTTONDOWN, &down));
  EXPECT_EQ(GET_X_LPARAM(down.LParam), 60);
  EXPECT_EQ(GET_Y_LPARAM(down.LParam), 30);
  TPoint cursor;
  GetCursorPos(cursor);
  EXPECT_EQ(cursor, TPoint(160, 110));
}

// What a shape cuts away is no longer the window's: the (black) root shows there, and the X
// server finds no window of ours at that point.
TEST_F(SdlX11, RegionShapesTheWindow) {
  HWND h = Create(Bounds(100, 80, 200, 120), RGB(255, 255, 0));
  ASSERT_TRUE(h);
  ExpectScreen({{{250, 100}, 0xFFFF00}});
  SetWindowRgn(h, CreateRectRgn(0, 0, 100, 120), 1);
  ExpectScreen({{{150, 100}, 0xFFFF00}, {{250, 100}, 0x000000}});
  EXPECT_FALSE(XWindowAt(TPoint(250, 100)).empty());
  EXPECT_NE(XWindowAt(TPoint(250, 100)), XWindowAt(TPoint(150, 100)));

  // Resized, the shaped window stays in place and keeps its shape; without the region it shows whole.
  SetWindowPos(h, nullptr, 0, 0, 300, 150, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  ExpectScreen({{{100, 80}, 0xFFFF00}, {{199, 199}, 0xFFFF00}, {{199, 229}, 0x000000}, {{350, 100}, 0x000000}});
  SetWindowRgn(h, nullptr, 1);
  ExpectScreen({{{399, 229}, 0xFFFF00}, {{250, 100}, 0xFFFF00}});
}

TEST_F(SdlX11, PerPixelAlphaShapesTheWindow) {
  HWND h = Create(Bounds(100, 80, 100, 100), RGB(0, 0, 0), WS_EX_LAYERED);
  ASSERT_TRUE(h);
  // Left half opaque white, right half faint white (below the shape's alpha cutoff).
  TSurface pixels(100, 100);
  pixels.BeginAccess();
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) pixels.GetScanLine(y)[x] = x < 50 ? 0xFFFFFFFFu : 0x40404040u;
  pixels.EndAccess();
  const TPoint position(100, 80), source(0, 0);
  const TSize size{100, 100};
  const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
  ASSERT_TRUE(UpdateLayeredWindow(h, &position, &size, &pixels, &source, 0, &blend, ULW_ALPHA));
  ExpectScreen({{{120, 120}, 0xFFFFFF}, {{170, 120}, 0x000000}});
  EXPECT_NE(XWindowAt(TPoint(170, 120)), XWindowAt(TPoint(120, 120)));
}

TEST_F(SdlX11, KeysComeBackAsKeyAndCharacterMessages) {
  HWND h = Create(Bounds(100, 80, 200, 120), RGB(0, 255, 255));
  ASSERT_TRUE(h);
  SetActiveWindow(h);
  SetFocus(h);
  ExpectScreen({{{150, 100}, 0x00FFFF}});
  std::string id;
  ASSERT_EQ(RunX11Tool(Server().Display(), {"xdotool", "search", "--name", "sdl test"}, &id), 0);
  id = id.substr(0, id.find('\n'));
  ASSERT_EQ(RunX11Tool(Server().Display(), {"xdotool", "windowfocus", "--sync", id, "key", "a", "Return"}), 0);
  ASSERT_TRUE(PumpUntil([&] {
    for (const TRecorded& r : GLog)
      if (r.Window == h && r.Msg == WM_CHAR && r.WParam == u'\r') return true;
    return false;
  }));
  std::vector<std::pair<UINT, WPARAM>> keys;
  for (const TRecorded& r : GLog)
    if (r.Window == h && (r.Msg == WM_KEYDOWN || r.Msg == WM_CHAR || r.Msg == WM_KEYUP)) keys.emplace_back(r.Msg, r.WParam);
  const std::vector<std::pair<UINT, WPARAM>> expected{{WM_KEYDOWN, 'A'}, {WM_CHAR, u'a'},       {WM_KEYUP, 'A'},
                                                      {WM_KEYDOWN, VK_RETURN}, {WM_CHAR, u'\r'}, {WM_KEYUP, VK_RETURN}};
  EXPECT_EQ(keys, expected);
}
