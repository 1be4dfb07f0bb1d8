#include "os/OS.Input.h"

#include "os/OS.Timers.h"
#include "support/HeadlessFixture.h"

namespace {

class InputTest : public THeadlessTest {};

std::optional<LRESULT> Answer(UINT Wanted, LRESULT Result, UINT Msg) {
  if (Msg == Wanted) return Result;
  return std::nullopt;
}

TEST_F(InputTest, MouseMessagesCarryClientCoordinatesAndButtonFlags) {
  HWND parent = Create(Bounds(100, 100, 300, 200));
  HWND child = Create(Bounds(10, 20, 100, 50), WS_CHILD | WS_VISIBLE, 0, parent);
  Headless::RunUntilIdle();
  Log.clear();
  Headless::MouseDown(TPoint(115, 125));
  Headless::MouseMove(TPoint(120, 130));
  Headless::RunUntilIdle();
  auto down = Find(child, WM_LBUTTONDOWN);
  ASSERT_EQ(down.size(), 1u);
  EXPECT_EQ(GET_X_LPARAM(down[0].LParam), 5);
  EXPECT_EQ(GET_Y_LPARAM(down[0].LParam), 5);
  EXPECT_EQ(down[0].WParam & MK_LBUTTON, MK_LBUTTON);
  auto move = Find(child, WM_MOUSEMOVE);
  ASSERT_FALSE(move.empty());
  EXPECT_EQ(GET_X_LPARAM(move.back().LParam), 10);
  EXPECT_TRUE(GetKeyState(VK_LBUTTON) < 0);
  Headless::MouseUp(TPoint(120, 130));
  Headless::RunUntilIdle();
  EXPECT_FALSE(GetKeyState(VK_LBUTTON) < 0);
  // WM_SETCURSOR came first with HTCLIENT and the message number.
  auto setCursor = Find(child, WM_SETCURSOR);
  ASSERT_FALSE(setCursor.empty());
  EXPECT_EQ(LOWORD(static_cast<uintptr_t>(setCursor[0].LParam)), HTCLIENT);
}

TEST_F(InputTest, CaptureRoutesMouseMessagesAndAnnouncesItsLoss) {
  HWND a = Create(Bounds(0, 0, 100, 100));
  HWND b = Create(Bounds(200, 0, 100, 100));
  Headless::RunUntilIdle();
  SetCapture(a);
  EXPECT_EQ(GetCapture(), a);
  Log.clear();
  Headless::MouseMove(TPoint(250, 10));
  Headless::Click(TPoint(250, 10));
  Headless::RunUntilIdle();
  EXPECT_EQ(Messages(b, {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP}).size(), 0u);
  EXPECT_EQ(Messages(a, {WM_LBUTTONDOWN, WM_LBUTTONUP}), (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
  EXPECT_EQ(GET_X_LPARAM(Find(a, WM_LBUTTONDOWN)[0].LParam), 250);  // client coordinates of the capture window

  SetCapture(b);
  auto changed = Find(a, WM_CAPTURECHANGED);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].LParam, reinterpret_cast<LPARAM>(b));
  ReleaseCapture();
  changed = Find(b, WM_CAPTURECHANGED);
  ASSERT_EQ(changed.size(), 1u);
  EXPECT_EQ(changed[0].LParam, 0);
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(InputTest, HitTestTransparentPassesTheClickBelow) {
  HWND below = Create(Bounds(0, 0, 200, 200));
  HWND above = Create(Bounds(50, 50, 100, 100), WS_POPUP | WS_VISIBLE, 0, nullptr,
                      [](HWND, UINT m, WPARAM, LPARAM) { return Answer(WM_NCHITTEST, HTTRANSPARENT, m); });
  HWND child = Create(Bounds(0, 0, 50, 50), WS_CHILD | WS_VISIBLE, 0, below,
                      [](HWND, UINT m, WPARAM, LPARAM) { return Answer(WM_NCHITTEST, HTTRANSPARENT, m); });
  Headless::RunUntilIdle();
  EXPECT_EQ(WindowFromPoint(TPoint(60, 60)), below);
  EXPECT_EQ(WindowFromPoint(TPoint(10, 10)), below);  // the transparent child gives it to its parent
  Log.clear();
  Headless::Click(TPoint(60, 60));
  Headless::Click(TPoint(10, 10));
  Headless::RunUntilIdle();
  EXPECT_EQ(Find(below, WM_LBUTTONDOWN).size(), 2u);
  EXPECT_TRUE(Find(above, WM_LBUTTONDOWN).empty());
  EXPECT_TRUE(Find(child, WM_LBUTTONDOWN).empty());
}

TEST_F(InputTest, ClickThroughLayeredTransparentWindowsAndDisabledWindows) {
  HWND below = Create(Bounds(0, 0, 200, 200));
  Create(Bounds(0, 0, 100, 100), WS_POPUP | WS_VISIBLE, WS_EX_LAYERED | WS_EX_TRANSPARENT);
  HWND disabledChild = Create(Bounds(150, 150, 40, 40), WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, below);
  Headless::RunUntilIdle();
  EXPECT_EQ(WindowFromPoint(TPoint(10, 10)), below);
  Log.clear();
  Headless::Click(TPoint(160, 160));
  Headless::RunUntilIdle();
  EXPECT_TRUE(Find(disabledChild, WM_LBUTTONDOWN).empty());
  EXPECT_EQ(Find(below, WM_LBUTTONDOWN).size(), 1u);
  // A disabled top-level window gets no input at all.
  EnableWindow(below, 0);
  Log.clear();
  Headless::Click(TPoint(20, 20));
  Headless::KeyPress('A');
  Headless::RunUntilIdle();
  EXPECT_TRUE(Messages(below, {WM_LBUTTONDOWN, WM_KEYDOWN, WM_CHAR}).empty());
}

TEST_F(InputTest, NoActivatePopupTakesNeitherActivationNorFocus) {
  struct TCase {
    const char* Name;
    DWORD ExStyle;
    bool AnswerNoActivate;
  };
  for (const TCase& c : {TCase{"WS_EX_NOACTIVATE", WS_EX_NOACTIVATE | WS_EX_TOPMOST, false},
                         TCase{"MA_NOACTIVATE", WS_EX_TOPMOST, true}}) {
    SCOPED_TRACE(c.Name);
    HWND main = Create(Bounds(0, 0, 400, 300));
    SetFocus(main);
    ASSERT_EQ(GetActiveWindow(), main);
    ASSERT_EQ(GetFocus(), main);
    HWND popup = Create(Bounds(50, 50, 100, 100), WS_POPUP, c.ExStyle, main,
                        [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
                          if (c.AnswerNoActivate) return Answer(WM_MOUSEACTIVATE, MA_NOACTIVATE, m);
                          return std::nullopt;
                        });
    ShowWindow(popup, SW_SHOWNOACTIVATE);
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_EQ(GetTopWindow(nullptr), popup);
    Log.clear();
    Headless::Click(TPoint(60, 60));
    Headless::RunUntilIdle();
    EXPECT_EQ(Find(popup, WM_LBUTTONDOWN).size(), 1u);
    EXPECT_EQ(GetActiveWindow(), main);
    EXPECT_EQ(GetFocus(), main);
    EXPECT_TRUE(Messages(nullptr, {WM_KILLFOCUS, WM_SETFOCUS, WM_ACTIVATE, WM_NCACTIVATE}).empty());
    DestroyWindow(main);  // and the owned popup
    EXPECT_FALSE(IsWindow(popup));
  }
}

TEST_F(InputTest, ClickActivatesAnInactiveWindowAndFocusFollows) {
  HWND a = Create(Bounds(0, 0, 100, 100));
  HWND b = Create(Bounds(200, 0, 100, 100));
  SetActiveWindow(b);
  ASSERT_EQ(GetActiveWindow(), b);
  Log.clear();
  Headless::Click(TPoint(10, 10));
  Headless::RunUntilIdle();
  EXPECT_EQ(GetActiveWindow(), a);
  EXPECT_EQ(GetFocus(), a);
  auto activate = Find(a, WM_ACTIVATE);
  ASSERT_EQ(activate.size(), 1u);
  EXPECT_EQ(LOWORD(activate[0].WParam), WA_CLICKACTIVE);
  EXPECT_EQ(activate[0].LParam, reinterpret_cast<LPARAM>(b));
  EXPECT_EQ(Find(b, WM_KILLFOCUS).size(), 1u);
  // Activation order: the old window hears first.
  EXPECT_EQ(Messages(nullptr, {WM_ACTIVATE}), (std::vector<UINT>{WM_ACTIVATE, WM_ACTIVATE}));
  EXPECT_EQ(Find(nullptr, WM_ACTIVATE)[0].Window, b);
}

TEST_F(InputTest, DoubleClicksOnlyForClassesThatAskAndWithinTimeAndDistance) {
  constexpr UINT D = WM_LBUTTONDOWN, DD = WM_LBUTTONDBLCLK;
  struct TCase {
    const char* Name;
    const Char* Class;
    UInt64 Pause;  // before the second click
    int Shift;     // of the second and third click
    std::vector<UINT> Expected;
  };
  // Three clicks: a double click is never followed by another one.
  for (const TCase& c : {TCase{"double-click class", DblClkClass, 0, 0, {D, DD, D}},
                         TCase{"plain class", PlainClass, 0, 0, {D, D, D}},
                         TCase{"too slow", DblClkClass, 501, 0, {D, D, DD}},
                         TCase{"just in time", DblClkClass, 500, 0, {D, DD, D}},
                         TCase{"too far", DblClkClass, 0, 3, {D, D, DD}},
                         TCase{"close enough", DblClkClass, 0, 2, {D, DD, D}}}) {
    SCOPED_TRACE(c.Name);
    HWND h = Create(Bounds(500, 500, 100, 100), WS_POPUP | WS_VISIBLE, 0, nullptr, nullptr, c.Class);
    Headless::Click(TPoint(510, 510));
    Headless::RunUntilIdle();
    Headless::Clock()->Advance(c.Pause);
    Headless::Click(TPoint(510 + c.Shift, 510));
    Headless::Click(TPoint(510 + c.Shift, 510));
    Headless::RunUntilIdle();
    EXPECT_EQ(Messages(h, {D, DD}), c.Expected);
    DestroyWindow(h);
    Log.clear();
    Headless::Clock()->Advance(1000);
  }
}

TEST_F(InputTest, WheelCarriesNotchesAndScreenPoint) {
  HWND h = Create(Bounds(100, 100, 100, 100));
  Headless::Wheel(TPoint(150, 160), -2);
  Headless::Wheel(TPoint(150, 160), 1, true);
  Headless::RunUntilIdle();
  auto v = Find(h, WM_MOUSEWHEEL);
  auto hz = Find(h, WM_MOUSEHWHEEL);
  ASSERT_EQ(v.size(), 1u);
  ASSERT_EQ(hz.size(), 1u);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(v[0].WParam), -240);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(hz[0].WParam), 120);
  EXPECT_EQ(GET_X_LPARAM(v[0].LParam), 150);
  EXPECT_EQ(GET_Y_LPARAM(v[0].LParam), 160);
}

TEST_F(InputTest, KeysGoToTheFocusWindowAndTranslateToCharacters) {
  HWND h = Create(Bounds(0, 0, 100, 100));
  HWND edit = Create(Bounds(0, 0, 50, 20), WS_CHILD | WS_VISIBLE, 0, h);
  SetFocus(edit);
  Log.clear();
  Headless::KeyDown(VK_SHIFT);
  Headless::KeyPress('A');
  Headless::KeyUp(VK_SHIFT);
  Headless::KeyPress('B');
  Headless::KeyDown(VK_MENU);
  Headless::KeyPress('F');
  Headless::KeyUp(VK_MENU);
  Headless::RunUntilIdle();
  std::u16string chars;
  for (const auto& m : Find(edit, WM_CHAR)) chars += static_cast<Char>(m.WParam);
  EXPECT_EQ(chars, u"Ab");
  auto sysKeys = Find(edit, WM_SYSKEYDOWN);
  ASSERT_EQ(sysKeys.size(), 2u);  // Alt itself and Alt+F
  EXPECT_EQ(sysKeys[1].WParam, WPARAM('F'));
  EXPECT_EQ(Find(edit, WM_SYSCHAR).size(), 1u);
  // Alt+F asks the top-level window for its menu with the character.
  auto keyMenu = Find(h, WM_SYSCOMMAND);
  ASSERT_EQ(keyMenu.size(), 1u);
  EXPECT_EQ(keyMenu[0].WParam & 0xFFF0, SC_KEYMENU);
  EXPECT_EQ(keyMenu[0].LParam, LPARAM(u'f'));
  EXPECT_FALSE(GetKeyState(VK_MENU) < 0);
}

TEST_F(InputTest, KeyboardAndMouseHooksMayDiscardInput) {
  static int keys, mice;
  keys = mice = 0;
  HHOOK kh = SetWindowsHookEx(
      WH_KEYBOARD, [](int, WPARAM vk, LPARAM) -> LRESULT { return ++keys, vk == VK_ESCAPE ? 1 : 0; }, nullptr,
      GetUiThreadId());
  HHOOK mh = SetWindowsHookEx(
      WH_MOUSE, [](int, WPARAM msg, LPARAM) -> LRESULT { return ++mice, msg == WM_RBUTTONDOWN ? 1 : 0; }, nullptr,
      GetUiThreadId());
  HWND h = Create(Bounds(0, 0, 100, 100));
  SetFocus(h);
  Log.clear();
  Headless::KeyPress(VK_ESCAPE);
  Headless::KeyPress(VK_RETURN);
  Headless::Click(TPoint(5, 5), TMouseButton::Right);
  Headless::RunUntilIdle();
  UnhookWindowsHookEx(kh);
  UnhookWindowsHookEx(mh);
  EXPECT_EQ(keys, 4);
  EXPECT_GE(mice, 2);
  EXPECT_EQ(Messages(h, {WM_KEYDOWN}), (std::vector<UINT>{WM_KEYDOWN}));
  EXPECT_EQ(Find(h, WM_KEYDOWN)[0].WParam, WPARAM(VK_RETURN));
  EXPECT_TRUE(Find(h, WM_RBUTTONDOWN).empty());
  EXPECT_EQ(Find(h, WM_RBUTTONUP).size(), 1u);
}

TEST_F(InputTest, MouseLeaveIsPostedOnceWhenTheCursorLeaves) {
  HWND a = Create(Bounds(0, 0, 100, 100));
  HWND b = Create(Bounds(100, 0, 100, 100));
  Headless::MouseMove(TPoint(50, 50));
  Headless::RunUntilIdle();
  TRACKMOUSEEVENT tme;
  tme.dwFlags = TME_LEAVE;
  tme.hwndTrack = a;
  ASSERT_TRUE(TrackMouseEvent(tme));
  Headless::MouseMove(TPoint(60, 50));
  Headless::RunUntilIdle();
  EXPECT_TRUE(Find(a, WM_MOUSELEAVE).empty());
  Headless::MouseMove(TPoint(150, 50));
  Headless::MouseMove(TPoint(10, 50));
  Headless::RunUntilIdle();
  Headless::MouseMove(TPoint(150, 50));
  Headless::RunUntilIdle();
  EXPECT_EQ(Find(a, WM_MOUSELEAVE).size(), 1u);
  EXPECT_TRUE(Find(b, WM_MOUSELEAVE).empty());
  // Tracking a window the cursor is not over gives the leave at once.
  tme.hwndTrack = a;
  TrackMouseEvent(tme);
  Headless::RunUntilIdle();
  EXPECT_EQ(Find(a, WM_MOUSELEAVE).size(), 2u);
}

TEST_F(InputTest, SetCursorPosMovesTheMouseAndTheClassCursorIsSet) {
  WNDCLASS c;
  c.lpfnWndProc = RecordingProc;
  c.hCursor = LoadCursor(nullptr, IDC_HAND);
  c.lpszClassName = u"ZTestHandCursor";
  RegisterClass(c);
  HWND h = Create(Bounds(300, 300, 50, 50), WS_POPUP | WS_VISIBLE, 0, nullptr, nullptr, u"ZTestHandCursor");
  SetCursorPos(310, 320);
  Headless::RunUntilIdle();
  TPoint p;
  GetCursorPos(p);
  EXPECT_EQ(p, TPoint(310, 320));
  EXPECT_EQ(Find(h, WM_MOUSEMOVE).size(), 1u);
  EXPECT_EQ(GetCursorId(GetCursor()), IDC_HAND);
  EXPECT_EQ(LoadCursor(nullptr, 12345), nullptr);

  const uint32_t pixels[4] = {0xFF000000u, 0, 0, 0xFFFFFFFFu};
  HCURSOR made = CreateCursorFromPixels(pixels, 2, 2, 5, 1);  // the hot spot is kept inside
  TCursorImage image;
  ASSERT_TRUE(GetCursorImage(made, image));
  EXPECT_EQ(image.HotX, 1);
  EXPECT_EQ(image.Pixels[3], 0xFFFFFFFFu);
  EXPECT_EQ(GetCursorId(made), 0u);
  EXPECT_FALSE(GetCursorImage(LoadCursor(nullptr, IDC_ARROW), image));
  SetCursor(made);
  EXPECT_TRUE(DestroyCursor(made));
  EXPECT_EQ(GetCursorId(GetCursor()), IDC_ARROW);  // a destroyed cursor is not left in use
  EXPECT_FALSE(DestroyCursor(made));
}

TEST_F(InputTest, FocusMovesWithKillBeforeSetAndDisablingCancelsModes) {
  HWND form = Create(Bounds(0, 0, 200, 200));
  HWND first = Create(Bounds(0, 0, 50, 20), WS_CHILD | WS_VISIBLE, 0, form);
  HWND second = Create(Bounds(0, 30, 50, 20), WS_CHILD | WS_VISIBLE, 0, form);
  EXPECT_EQ(SetFocus(first), form);  // the shown form had taken the focus itself
  Log.clear();
  EXPECT_EQ(SetFocus(second), first);
  ASSERT_EQ(Messages(nullptr, {WM_KILLFOCUS, WM_SETFOCUS}), (std::vector<UINT>{WM_KILLFOCUS, WM_SETFOCUS}));
  EXPECT_EQ(Find(first, WM_KILLFOCUS)[0].WParam, reinterpret_cast<WPARAM>(second));
  EXPECT_EQ(Find(second, WM_SETFOCUS)[0].WParam, reinterpret_cast<WPARAM>(first));

  SetCapture(second);
  Log.clear();
  EXPECT_EQ(EnableWindow(second, 0), 0);  // it was enabled
  EXPECT_EQ(Messages(second, {WM_KILLFOCUS, WM_CANCELMODE, WM_CAPTURECHANGED, WM_ENABLE}),
            (std::vector<UINT>{WM_KILLFOCUS, WM_CANCELMODE, WM_CAPTURECHANGED, WM_ENABLE}));
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_FALSE(IsWindowEnabled(second));
  EXPECT_EQ(EnableWindow(second, 1), 1);
}

TEST_F(InputTest, DestroyingTheActiveWindowActivatesItsOwner) {
  HWND owner = Create(Bounds(0, 0, 300, 300));
  HWND dialog = Create(Bounds(50, 50, 100, 100), WS_POPUP | WS_VISIBLE, 0, owner);
  EXPECT_EQ(GetActiveWindow(), dialog);
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), owner);
  DestroyWindow(dialog);
  EXPECT_EQ(GetActiveWindow(), owner);
  InputAppActivation(false);
  EXPECT_EQ(GetActiveWindow(), nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_FALSE(Find(owner, WM_ACTIVATEAPP).empty());
}

}  // namespace
