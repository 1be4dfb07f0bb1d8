#include "os/OS.Monitors.h"
#include "os/OS.Windows.h"
#include "support/HeadlessFixture.h"

namespace {

class GeometryTest : public THeadlessTest {
 protected:
  std::vector<HWND> ZOrder(std::initializer_list<HWND> Of) {
    std::vector<HWND> order;
    EnumWindows([&](HWND h) {
      if (std::find(Of.begin(), Of.end(), h) != Of.end()) order.push_back(h);
      return 1;
    });
    return order;
  }
};

TEST_F(GeometryTest, SetWindowPosAsksFirstThenReportsMoveAndSize) {
  HWND h = Create(Bounds(10, 10, 100, 50), WS_POPUP | WS_VISIBLE, 0, nullptr,
                  [](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
                    if (m == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(l)->cx = 80;  // a width limit
                    return std::nullopt;
                  });
  Log.clear();
  SetWindowPos(h, nullptr, 20, 30, 200, 60, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(Messages(h, {WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}),
            (std::vector<UINT>{WM_WINDOWPOSCHANGING, WM_NCCALCSIZE, WM_WINDOWPOSCHANGED, WM_MOVE, WM_SIZE}));
  TRect r;
  GetWindowRect(h, r);
  EXPECT_EQ(r, Bounds(20, 30, 80, 60));
  auto size = Find(h, WM_SIZE);
  EXPECT_EQ(LOWORD(static_cast<uintptr_t>(size[0].LParam)), 80);
  EXPECT_EQ(HIWORD(static_cast<uintptr_t>(size[0].LParam)), 60);
  Log.clear();
  SetWindowPos(h, nullptr, 20, 30, 80, 60, SWP_NOZORDER | SWP_NOACTIVATE);  // nothing changes
  EXPECT_TRUE(Messages(h, {WM_MOVE, WM_SIZE}).empty());
}

TEST_F(GeometryTest, TopmostWindowsStayAboveTheOthers) {
  HWND a = Create(Bounds(0, 0, 10, 10), WS_POPUP | WS_VISIBLE);
  HWND b = Create(Bounds(0, 0, 10, 10), WS_POPUP | WS_VISIBLE);
  HWND t = Create(Bounds(0, 0, 10, 10), WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST);
  EXPECT_EQ(ZOrder({a, b, t}), (std::vector<HWND>{t, b, a}));
  BringWindowToTop(a);
  EXPECT_EQ(ZOrder({a, b, t}), (std::vector<HWND>{t, a, b}));
  SetWindowPos(b, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(ZOrder({a, b, t}), (std::vector<HWND>{b, t, a}));
  EXPECT_TRUE(GetWindowLong(b, GWL_EXSTYLE) & WS_EX_TOPMOST);
  SetWindowPos(b, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(ZOrder({a, b, t}), (std::vector<HWND>{t, b, a}));
  SetWindowPos(b, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(ZOrder({a, b, t}), (std::vector<HWND>{t, a, b}));
  // Insert after a sibling.
  SetWindowPos(b, t, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  EXPECT_EQ(ZOrder({a, b, t}), (std::vector<HWND>{t, b, a}));
}

TEST_F(GeometryTest, OwnedWindowsStayAboveTheirOwnerAndShownChildrenKeepTheirPlace) {
  HWND owner = Create(Bounds(0, 0, 100, 100));
  HWND owned = Create(Bounds(0, 0, 10, 10), WS_POPUP | WS_VISIBLE, 0, owner);
  HWND other = Create(Bounds(0, 0, 10, 10));
  EXPECT_EQ(ZOrder({owner, owned, other}), (std::vector<HWND>{other, owned, owner}));
  SetActiveWindow(owner);
  EXPECT_EQ(ZOrder({owner, owned, other}), (std::vector<HWND>{owned, owner, other}));

  HWND first = Create(Bounds(0, 0, 10, 10), WS_CHILD, 0, other);
  HWND second = Create(Bounds(0, 0, 10, 10), WS_CHILD | WS_VISIBLE, 0, other);
  ShowWindow(first, SW_SHOW);
  EXPECT_EQ(GetWindow(other, GW_CHILD), first);
  EXPECT_EQ(GetWindow(first, GW_HWNDNEXT), second);
  EXPECT_EQ(GetActiveWindow(), owner);
}

TEST_F(GeometryTest, ShowStatesAndPlacement) {
  HWND h = Create(Bounds(100, 100, 300, 200), WS_POPUP);
  EXPECT_FALSE(IsWindowVisible(h));
  ShowWindow(h, SW_SHOWNOACTIVATE);
  EXPECT_TRUE(IsWindowVisible(h));
  EXPECT_NE(GetActiveWindow(), h);
  Log.clear();
  ShowWindow(h, SW_SHOWMAXIMIZED);
  EXPECT_TRUE(IsZoomed(h));
  TRect r;
  GetWindowRect(h, r);
  EXPECT_EQ(r, TRect(0, 0, 1920, 1040));  // the work area
  EXPECT_EQ(Find(h, WM_SIZE).back().WParam, SIZE_MAXIMIZED);
  WINDOWPLACEMENT wp;
  ASSERT_TRUE(GetWindowPlacement(h, wp));
  EXPECT_EQ(wp.showCmd, UINT(SW_SHOWMAXIMIZED));
  EXPECT_EQ(wp.rcNormalPosition, Bounds(100, 100, 300, 200));
  ShowWindow(h, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(h));
  EXPECT_FALSE(IsZoomed(h));
  ShowWindow(h, SW_RESTORE);
  GetWindowRect(h, r);
  EXPECT_EQ(r, Bounds(100, 100, 300, 200));
  wp.showCmd = SW_SHOWNORMAL;
  wp.rcNormalPosition = Bounds(50, 60, 70, 80);
  SetWindowPlacement(h, wp);
  GetWindowRect(h, r);
  EXPECT_EQ(r, Bounds(50, 60, 70, 80));
  EXPECT_FALSE(ShowWindow(h, SW_HIDE) == 0);  // it was visible
  EXPECT_FALSE(IsWindowVisible(h));
}

TEST_F(GeometryTest, CoordinatesMapThroughParentsAndFrames) {
  HWND parent = Create(Bounds(100, 50, 300, 200));
  HWND framed = Create(Bounds(10, 20, 100, 50), WS_CHILD | WS_VISIBLE | WS_BORDER, WS_EX_CLIENTEDGE, parent);
  TRect client;
  GetClientRect(framed, client);
  EXPECT_EQ(client, TRect(0, 0, 94, 44));  // 1 border + 2 client edge on each side
  TPoint p(0, 0);
  ClientToScreen(framed, p);
  EXPECT_EQ(p, TPoint(113, 73));
  ScreenToClient(parent, p);
  EXPECT_EQ(p, TPoint(13, 23));
  TRect r(0, 0, 5, 5);
  MapWindowPoints(framed, nullptr, r);
  EXPECT_EQ(r, TRect(113, 73, 118, 78));
  GetWindowRect(framed, r);
  EXPECT_EQ(r, Bounds(110, 70, 100, 50));
  // The frame answers the hit test as a border, the inside as client.
  EXPECT_EQ(SendMessage(framed, WM_NCHITTEST, 0, MAKELPARAM(110, 70)), HTBORDER);
  EXPECT_EQ(SendMessage(framed, WM_NCHITTEST, 0, MAKELPARAM(113, 73)), HTCLIENT);
}

TEST_F(GeometryTest, CaptionDragMovesTheWindowInsideSizeMoveBrackets) {
  HWND h = Create(Bounds(100, 100, 200, 100), WS_POPUP | WS_VISIBLE, 0, nullptr,
                  [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
                    if (m == WM_NCHITTEST) return HTCAPTION;
                    return std::nullopt;
                  });
  Headless::MouseDown(TPoint(110, 110));
  Headless::MouseMove(TPoint(150, 140));
  Headless::MouseMove(TPoint(160, 150));
  Headless::MouseUp(TPoint(160, 150));
  Headless::RunUntilIdle();
  TRect r;
  GetWindowRect(h, r);
  EXPECT_EQ(r, Bounds(150, 140, 200, 100));
  EXPECT_EQ(Messages(h, {WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}), (std::vector<UINT>{WM_ENTERSIZEMOVE, WM_EXITSIZEMOVE}));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(GeometryTest, MonitorsAndDpiChanges) {
  SetMonitors(THeadlessConfig::Dual(96, 144).Monitors);
  HWND h = Create(Bounds(100, 100, 200, 100));
  EXPECT_EQ(GetDpiForWindow(h), 96u);
  HMONITOR right = MonitorFromPoint(TPoint(2000, 10), MONITOR_DEFAULTTONULL);
  ASSERT_NE(right, nullptr);
  EXPECT_EQ(MonitorFromPoint(TPoint(5000, 10), MONITOR_DEFAULTTONULL), nullptr);
  EXPECT_EQ(MonitorFromPoint(TPoint(5000, 10), MONITOR_DEFAULTTONEAREST), right);
  EXPECT_EQ(MonitorFromRect(Bounds(1900, 0, 100, 10), MONITOR_DEFAULTTONULL), right);  // the larger share
  MONITORINFO info;
  ASSERT_TRUE(GetMonitorInfo(right, info));
  EXPECT_EQ(info.rcWork, TRect(1920, 0, 3840, 1040));
  EXPECT_EQ(info.dwFlags, 0u);
  EXPECT_EQ(GetSystemMetrics(SM_CMONITORS), 2);
  EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 3840);
  EXPECT_EQ(GetSystemMetricsForDpi(SM_CXVSCROLL, 144), 26);

  TRect suggested;
  SetHandler(h, [&](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m == WM_DPICHANGED) suggested = *reinterpret_cast<const TRect*>(l);
    return std::nullopt;
  });
  Log.clear();
  SetWindowPos(h, nullptr, 2000, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(GetDpiForWindow(h), 144u);
  auto changed = Find(h, WM_DPICHANGED);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(LOWORD(changed[0].WParam), 144);
  EXPECT_EQ(suggested, Bounds(2000, 100, 300, 150));  // scaled by 1.5 about the top-left
  Log.clear();
  SetMonitors(THeadlessConfig::Dual(96, 96).Monitors);
  EXPECT_EQ(Find(h, WM_DPICHANGED).size(), 1u);
  EXPECT_EQ(Find(h, WM_DISPLAYCHANGE).size(), 1u);
  SetMonitors(THeadlessConfig::Single(96).Monitors);
}

TEST_F(GeometryTest, SystemMetricsAndParametersTheControlsRead) {
  UINT delay = 0, lines = 0;
  BOOL shadow = 0;
  EXPECT_TRUE(SystemParametersInfo(SPI_GETMENUSHOWDELAY, 0, &delay, 0));
  EXPECT_TRUE(SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0));
  EXPECT_TRUE(SystemParametersInfo(SPI_GETDROPSHADOW, 0, &shadow, 0));
  EXPECT_EQ(delay, 400u);
  EXPECT_EQ(lines, 3u);
  EXPECT_TRUE(shadow);
  EXPECT_FALSE(SystemParametersInfo(0x9999, 0, &delay, 0));
  EXPECT_EQ(GetSystemMetrics(SM_CXDRAG), 4);
  EXPECT_EQ(GetSystemMetrics(SM_CXCURSOR), 32);
  EXPECT_EQ(GetDoubleClickTime(), 500u);
  EXPECT_GT(GetCaretBlinkTime(), 0u);
}

}  // namespace

namespace {

TEST_F(GeometryTest, TaskBarIsTheStripOutsideThePrimaryWorkArea) {
  SetMonitors(THeadlessConfig::Single(96).Monitors);
  APPBARDATA data;
  ASSERT_TRUE(SHAppBarMessage(ABM_GETTASKBARPOS, data));
  EXPECT_EQ(data.rc, TRect(0, 1040, 1920, 1080));
  EXPECT_EQ(data.uEdge, ABE_BOTTOM);
  EXPECT_EQ(SHAppBarMessage(ABM_GETSTATE, data) & ABS_AUTOHIDE, 0u);

  TTaskBarDesc left{TRect(0, 0, 60, 1080), ABE_LEFT, true};
  SetTaskBar(&left);
  ASSERT_TRUE(SHAppBarMessage(ABM_GETTASKBARPOS, data));
  EXPECT_EQ(data.uEdge, ABE_LEFT);
  EXPECT_NE(SHAppBarMessage(ABM_GETSTATE, data) & ABS_AUTOHIDE, 0u);
  SetTaskBar(nullptr);

  std::vector<TMonitorDesc> full = THeadlessConfig::Single(96).Monitors;
  full[0].WorkArea = full[0].Bounds;
  SetMonitors(full);
  EXPECT_FALSE(SHAppBarMessage(ABM_GETTASKBARPOS, data));
  EXPECT_EQ(SHAppBarMessage(ABM_GETSTATE, data), 0u);
  SetMonitors(THeadlessConfig::Single(96).Monitors);
}

}  // namespace

namespace {

TEST_F(GeometryTest, DeferredPositionsApplyTogether) {
  HWND a = Create(Bounds(0, 0, 50, 50));
  HWND b = Create(Bounds(60, 0, 50, 50));
  HDWP batch = BeginDeferWindowPos(2);
  batch = DeferWindowPos(batch, a, nullptr, 10, 20, 30, 40, SWP_NOZORDER | SWP_NOACTIVATE);
  batch = DeferWindowPos(batch, b, nullptr, 100, 20, 30, 40, SWP_NOZORDER | SWP_NOACTIVATE);
  ASSERT_NE(batch, nullptr);
  TRect r;
  GetWindowRect(a, r);
  EXPECT_EQ(r, Bounds(0, 0, 50, 50));  // nothing moves before the end
  EXPECT_TRUE(EndDeferWindowPos(batch));
  GetWindowRect(a, r);
  EXPECT_EQ(r, Bounds(10, 20, 30, 40));
  GetWindowRect(b, r);
  EXPECT_EQ(r, Bounds(100, 20, 30, 40));
  EXPECT_EQ(DeferWindowPos(BeginDeferWindowPos(1), reinterpret_cast<HWND>(intptr_t(0x7777)), nullptr, 0, 0, 1, 1, 0),
            nullptr);
  EXPECT_FALSE(EndDeferWindowPos(nullptr));
}

}  // namespace
