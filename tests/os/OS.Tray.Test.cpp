#include "os/OS.Tray.h"

#include "os/OS.Icons.h"
#include "os/backends/headless/OS.Headless.h"
#include "support/HeadlessFixture.h"

namespace {

constexpr UINT WM_TRAY = 0x800;

class TrayTest : public THeadlessTest {
 protected:
  void TearDown() override {
    for (const TTrayIconState& icon : Headless::TrayIcons()) {
      NOTIFYICONDATA d;
      d.hWnd = icon.Window;
      d.uID = icon.ID;
      Shell_NotifyIcon(NIM_DELETE, &d);
    }
    THeadlessTest::TearDown();
  }

  NOTIFYICONDATA Data(HWND Window, UINT ID) {
    NOTIFYICONDATA d;
    d.hWnd = Window;
    d.uID = ID;
    d.uFlags = NIF_MESSAGE | NIF_TIP;
    d.uCallbackMessage = WM_TRAY;
    return d;
  }

  // The callback messages the window got, as (WParam, LParam, message point).
  std::vector<std::tuple<WPARAM, LPARAM, TPoint>> Events(HWND Window) {
    std::vector<std::tuple<WPARAM, LPARAM, TPoint>> events;
    Handlers[Window] = [&events](HWND, UINT Msg, WPARAM W, LPARAM L) -> std::optional<LRESULT> {
      if (Msg == WM_TRAY) {
        const DWORD pos = GetMessagePos();
        events.emplace_back(W, L, TPoint(GET_X_LPARAM(LPARAM(pos)), GET_Y_LPARAM(LPARAM(pos))));
      }
      return std::nullopt;
    };
    Headless::RunUntilIdle();
    Handlers.erase(Window);
    return events;
  }
};

TEST_F(TrayTest, IconsShowTheirTipPixelsAndVisibility) {
  HWND window = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  const uint32_t pixels[4] = {0xFF0000FFu, 0, 0, 0x80000080u};
  HICON icon = CreateIconFromPixels(pixels, 2, 2);
  NOTIFYICONDATA d = Data(window, 7);
  d.uFlags |= NIF_ICON;
  d.hIcon = icon;
  d.szTip = String(200, u'x');
  ASSERT_TRUE(Shell_NotifyIcon(NIM_ADD, &d));
  DestroyIcon(icon);  // the tray keeps its own pixels
  EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, &d));  // already there

  auto shown = Headless::TrayIcons();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].Window, window);
  EXPECT_EQ(shown[0].ID, 7u);
  EXPECT_EQ(shown[0].Id, u"7");
  EXPECT_EQ(shown[0].Tip.size(), MaxTrayTip);
  EXPECT_EQ(shown[0].Pixels, std::vector<uint32_t>(pixels, pixels + 4));
  EXPECT_TRUE(shown[0].Visible);

  NOTIFYICONDATA hide = Data(window, 7);
  hide.uFlags = NIF_STATE;
  hide.dwState = hide.dwStateMask = NIS_HIDDEN;
  ASSERT_TRUE(Shell_NotifyIcon(NIM_MODIFY, &hide));
  shown = Headless::TrayIcons();
  EXPECT_FALSE(shown[0].Visible);
  EXPECT_EQ(shown[0].Tip.size(), MaxTrayTip);  // what the call did not name stays

  NOTIFYICONDATA other = Data(window, 8);
  EXPECT_FALSE(Shell_NotifyIcon(NIM_MODIFY, &other));
  EXPECT_FALSE(Shell_NotifyIcon(NIM_DELETE, &other));
  NOTIFYICONDATA dead = Data(reinterpret_cast<HWND>(0x1234), 1);
  EXPECT_FALSE(Shell_NotifyIcon(NIM_ADD, &dead));  // an icon needs a live window

  NOTIFYICONDATA byGuid = Data(nullptr, 0);  // a GUID names the icon, whatever the window
  byGuid.uFlags |= NIF_GUID;
  byGuid.guidItem = TGUID{0x12345678, 0x9ABC, 0xDEF0, {1, 2, 3, 4, 5, 6, 7, 8}};
  ASSERT_TRUE(Shell_NotifyIcon(NIM_ADD, &byGuid));
  EXPECT_EQ(Headless::TrayIcons().back().Id, u"{12345678-9ABC-DEF0-0102-030405060708}");
  EXPECT_TRUE(Shell_NotifyIcon(NIM_DELETE, &byGuid));

  ASSERT_TRUE(Shell_NotifyIcon(NIM_DELETE, &d));
  EXPECT_TRUE(Headless::TrayIcons().empty());
}

TEST_F(TrayTest, BalloonsAreCutAndShowOnlyFromVisibleIcons) {
  HWND window = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  NOTIFYICONDATA d = Data(window, 1);
  ASSERT_TRUE(Shell_NotifyIcon(NIM_ADD, &d));
  const size_t before = Headless::TrayBalloons().size();
  NOTIFYICONDATA balloon = Data(window, 1);
  balloon.uFlags = NIF_INFO;
  balloon.szInfoTitle = String(100, u't');
  balloon.szInfo = String(300, u'b');
  balloon.dwInfoFlags = NIIF_ERROR;
  ASSERT_TRUE(Shell_NotifyIcon(NIM_MODIFY, &balloon));
  auto balloons = Headless::TrayBalloons();
  ASSERT_EQ(balloons.size(), before + 1);
  EXPECT_EQ(balloons.back().Title.size(), MaxBalloonTitle);
  EXPECT_EQ(balloons.back().Text.size(), MaxBalloonText);
  EXPECT_EQ(balloons.back().Kind, NIIF_ERROR);

  NOTIFYICONDATA hide = Data(window, 1);
  hide.uFlags = NIF_STATE | NIF_INFO;
  hide.dwState = hide.dwStateMask = NIS_HIDDEN;
  ASSERT_TRUE(Shell_NotifyIcon(NIM_MODIFY, &hide));
  EXPECT_EQ(Headless::TrayBalloons().size(), before + 1);  // hidden: no balloon
}

TEST_F(TrayTest, ClicksMenuRequestsAndBalloonClicksArePostedToTheWindow) {
  HWND window = Create(Bounds(0, 0, 10, 10), WS_POPUP);
  NOTIFYICONDATA d = Data(window, 3);
  ASSERT_TRUE(Shell_NotifyIcon(NIM_ADD, &d));
  const TPoint at(1800, 1060);

  ASSERT_TRUE(Headless::TrayClick(window, 3, at));
  using E = std::tuple<WPARAM, LPARAM, TPoint>;
  EXPECT_EQ(Events(window), (std::vector<E>{{3, WM_LBUTTONDOWN, at}, {3, WM_LBUTTONUP, at}}));
  ASSERT_TRUE(Headless::TrayMenu(window, 3, at));
  EXPECT_EQ(Events(window), (std::vector<E>{{3, WM_RBUTTONDOWN, at}, {3, WM_RBUTTONUP, at}, {3, WM_CONTEXTMENU, at}}));

  EXPECT_FALSE(Headless::TrayBalloonClick(window, 3));  // no balloon yet
  NOTIFYICONDATA balloon = Data(window, 3);
  balloon.uFlags = NIF_INFO;
  balloon.szInfo = u"done";
  ASSERT_TRUE(Shell_NotifyIcon(NIM_MODIFY, &balloon));
  ASSERT_TRUE(Headless::TrayBalloonClick(window, 3));
  auto events = Events(window);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(std::get<1>(events[0]), LPARAM(NIN_BALLOONUSERCLICK));

  EXPECT_FALSE(Headless::TrayClick(window, 4));  // no such icon
  ASSERT_TRUE(Shell_NotifyIcon(NIM_DELETE, &d));
  EXPECT_FALSE(Headless::TrayClick(window, 3));
}

}  // namespace
