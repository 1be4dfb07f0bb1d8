#include <gtest/gtest.h>

#include <vector>

#include "../UiTestSupport.h"
#include "os/OS.Monitors.h"
#include "os/OS.Tray.h"
#include "os/OS.Windows.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.Imaging.h"
#include "vcl/VCL.Menus.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/ui/controls/ZCL.UI.TrayIcon.h"

namespace {

// Records what the component asks of the notification area.
class TTestTrayIconImpl : public TZCLTrayIconImpl {
  ZCL_CLASS(TTestTrayIconImpl, TZCLTrayIconImpl)
 public:
  using TZCLTrayIconImpl::TZCLTrayIconImpl;
  void ShowBalloon(const String& Title, const String&, TZCLTrayIconBalloonKind) override { Balloons.push_back(Title); }
  void Update(Integer Action) override { Actions.push_back(Action); }
  std::vector<Integer> Actions;
  std::vector<String> Balloons;
};

struct TEvents {
  Integer Clicks = 0, DblClicks = 0, MidClicks = 0, BalloonClicks = 0;
  void Click(TObject*) { ++Clicks; }
  void DblClick(TObject*) { ++DblClicks; }
  void MidClick(TObject*) { ++MidClicks; }
  void BalloonClick(TObject*) { ++BalloonClicks; }
};

class TrayIconTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FPrevious = ZCLTrayIconImplClass;
    ZCLTrayIconImplClass = [](TZCLTrayIcon* Owner) -> TZCLTrayIconImpl* { return new TTestTrayIconImpl(Owner); };
    Icon.reset(Create<TZCLTrayIcon>(static_cast<TComponent*>(nullptr)));
    Icon->OnClick = TNotifyEvent(&Events, &TEvents::Click);
    Icon->OnMidClick = TNotifyEvent(&Events, &TEvents::MidClick);
  }
  void TearDown() override {
    Icon.reset();
    ZCLTrayIconImplClass = FPrevious;
  }
  TTestTrayIconImpl* Impl() const { return static_cast<TTestTrayIconImpl*>(Icon->GetImpl()); }
  void Click(UINT Down, UINT Up) {
    Icon->ProcessMouseMessage(Down);
    Icon->ProcessMouseMessage(Up);
  }
  void LeftClick() { Click(WM_LBUTTONDOWN, WM_LBUTTONUP); }

  TOwned<TZCLTrayIcon> Icon;
  TEvents Events;
  TZCLTrayIconImplFactory FPrevious = nullptr;
};

TEST_F(TrayIconTest, TheIconIsShownWhileEnabledAndVisible) {
  Icon->SetEnabled(true);
  Icon->SetHint(u"hidden: nothing to modify");
  Icon->BalloonHint(u"not shown", u"");
  EXPECT_TRUE(Impl()->Actions.empty());
  Icon->SetIconVisible(true);
  Icon->SetIconVisible(true);
  Icon->SetHint(u"Playing");
  Icon->SetID(u"player");
  Icon->ShellRestarted();
  Icon->BalloonHint(u"Now playing", u"Song");
  Icon->SetEnabled(false);
  Icon->ShellRestarted();
  EXPECT_EQ(Impl()->Actions,
            (std::vector<Integer>{TrayIconAdd, TrayIconModify, TrayIconModify, TrayIconAdd, TrayIconDelete}));
  EXPECT_EQ(Impl()->Balloons, (std::vector<String>{u"Now playing"}));
}

TEST_F(TrayIconTest, ClicksWithAndWithoutADoubleClickHandler) {
  const Integer wait = Integer(GetDoubleClickTime());
  // Without a double-click handler a click is reported at once, on release.
  Icon->ProcessMouseMessage(WM_LBUTTONDOWN);
  EXPECT_EQ(Events.Clicks, 0);
  Icon->ProcessMouseMessage(WM_LBUTTONUP);
  EXPECT_EQ(Events.Clicks, 1);
  // A release whose press was not seen does nothing; the middle button has its own event.
  Icon->ProcessMouseMessage(WM_LBUTTONUP);
  Click(WM_MBUTTONDOWN, WM_MBUTTONUP);
  EXPECT_EQ(Events.Clicks, 1);
  EXPECT_EQ(Events.MidClicks, 1);

  Icon->OnDblClick = TNotifyEvent(&Events, &TEvents::DblClick);
  LeftClick();
  EXPECT_EQ(Events.Clicks, 1) << "a single click waits for the double-click time";
  Headless::Advance(UInt64(wait) + 10);
  EXPECT_EQ(Events.Clicks, 2);
  EXPECT_EQ(Events.DblClicks, 0);
  LeftClick();
  Click(WM_LBUTTONDBLCLK, WM_LBUTTONUP);
  EXPECT_EQ(Events.DblClicks, 1);
  Headless::Advance(UInt64(wait) + 10);
  EXPECT_EQ(Events.Clicks, 2) << "a double click is never a click";
  EXPECT_FALSE(Icon->GetClickTimer()->GetEnabled());
}

TEST_F(TrayIconTest, ARightClickPopsTheMenuUpAtTheCursor) {
  struct TMenuEvents {
    Integer Popups = 0;
    void Popup(TObject*) { ++Popups; }
  } events;
  TOwned<TPopupMenu> menu(Create<TPopupMenu>(static_cast<TComponent*>(nullptr)));
  menu->OnPopup = TNotifyEvent(&events, &TMenuEvents::Popup);
  Icon->SetPopupMenu(menu.get());
  Headless::MouseMove(TPoint(640, 700));
  Icon->ProcessMouseMessage(WM_RBUTTONUP);  // no press seen: no menu
  EXPECT_EQ(events.Popups, 0);
  Click(WM_RBUTTONDOWN, WM_RBUTTONUP);
  EXPECT_EQ(events.Popups, 1);
  EXPECT_EQ(menu->GetPopupPoint(), TPoint(640, 700));
  EXPECT_EQ(menu->GetPopupComponent(), Icon.get());
  EXPECT_FALSE(menu->GetAutoPopup());
  EXPECT_EQ(Events.Clicks, 0);
  // A menu that goes is forgotten: a right click then shows nothing.
  menu.reset();
  EXPECT_EQ(Icon->GetPopupMenu(), nullptr);
  Click(WM_RBUTTONDOWN, WM_RBUTTONUP);
  EXPECT_EQ(events.Popups, 1);
}

TEST_F(TrayIconTest, HoverStartsWithAMoveAndEndsWhenTheCursorLeaves) {
  Integer enters = 0, exits = 0;
  struct TCounter {
    Integer* Value;
    void Inc(TObject*) { ++*Value; }
  } enter{&enters}, exit{&exits};
  Icon->OnMouseEnter = TNotifyEvent(&enter, &TCounter::Inc);
  Icon->OnMouseExit = TNotifyEvent(&exit, &TCounter::Inc);
  Headless::MouseMove(TPoint(1900, 1070));
  Icon->ProcessMouseMessage(WM_MOUSEMOVE);
  EXPECT_EQ(enters, 1);
  Headless::Advance(200);
  EXPECT_EQ(exits, 0) << "the cursor stays where it was";
  Headless::MouseMove(TPoint(10, 10));
  Headless::Advance(200);
  EXPECT_EQ(exits, 1);
  EXPECT_EQ(enters, 1);
}

// The real implementation over the headless notification area.
TEST(TrayIconShell, ShowsClicksAndComesBackAfterAShellRestart) {
  TOwned<TZCLTrayIcon> icon(Create<TZCLTrayIcon>(static_cast<TComponent*>(nullptr)));
  auto* impl = dynamic_cast<TWinTrayIconImpl*>(icon->GetImpl());
  ASSERT_NE(impl, nullptr);
  TEvents events;
  icon->OnClick = TNotifyEvent(&events, &TEvents::Click);
  icon->OnBallonHintClick = TNotifyEvent(&events, &TEvents::BalloonClick);
  TBitmap bitmap;
  bitmap.SetSize(16, 16);
  TIcon picture;
  picture.AddImage(&bitmap);
  icon->SetIcon(&picture);
  icon->SetID(u"player");
  icon->SetHint(u"Save & Exit");
  const size_t before = Headless::TrayIcons().size();
  icon->SetIconVisible(true);
  icon->SetEnabled(true);
  auto find = [] {
    for (const TTrayIconState& s : Headless::TrayIcons())
      if (s.Id == u"{DFF02A91-74F9-4F60-1321-254CA8FF38B6}") return true;
    return false;
  };
  ASSERT_EQ(Headless::TrayIcons().size(), before + 1);
  EXPECT_TRUE(find()) << "the ID's MD5 digest is the icon's identity";
  EXPECT_EQ(Headless::TrayIcons().back().Tip, u"Save & Exit");
  EXPECT_EQ(Headless::TrayIcons().back().Width, 16);

  // Of the moves right after adding (the icon appearing under the cursor) only the first is ignored.
  Integer enters = 0;
  struct TCounter {
    Integer* Value;
    void Inc(TObject*) { ++*Value; }
  } enter{&enters};
  icon->OnMouseEnter = TNotifyEvent(&enter, &TCounter::Inc);
  SendMessage(impl->GetWindow(), TWinTrayIconImpl::CallbackMessage, 0, WM_MOUSEMOVE);
  EXPECT_EQ(enters, 0);
  SendMessage(impl->GetWindow(), TWinTrayIconImpl::CallbackMessage, 0, WM_MOUSEMOVE);
  EXPECT_EQ(enters, 1);

  ASSERT_TRUE(Headless::TrayClick(impl->GetWindow(), 0));
  Headless::RunUntilIdle();
  EXPECT_EQ(events.Clicks, 1);
  icon->BalloonHint(u"Title", u"Text", tibInfo);
  ASSERT_FALSE(Headless::TrayBalloons().empty());
  EXPECT_EQ(Headless::TrayBalloons().back().Kind, NIIF_INFO);
  ASSERT_TRUE(Headless::TrayBalloonClick(impl->GetWindow(), 0));
  Headless::RunUntilIdle();
  EXPECT_EQ(events.BalloonClicks, 1);

  // The shell lost its icons and announces its restart: the shown icon is added again.
  NOTIFYICONDATA lost;
  lost.uFlags = NIF_GUID;
  lost.guidItem = TGUID{0xDFF02A91, 0x74F9, 0x4F60, {0x13, 0x21, 0x25, 0x4C, 0xA8, 0xFF, 0x38, 0xB6}};
  ASSERT_TRUE(Shell_NotifyIcon(NIM_DELETE, &lost));
  EXPECT_FALSE(find());
  SendMessage(impl->GetWindow(), RegisterWindowMessage(u"TaskbarCreated"), 0, 0);
  EXPECT_TRUE(find());
  icon.reset();
  EXPECT_FALSE(find());
}

}  // namespace
