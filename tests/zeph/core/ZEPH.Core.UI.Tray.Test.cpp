#include <gtest/gtest.h>

#include <memory>

#include "os/OS.Tray.h"
#include "os/backends/headless/OS.Headless.h"
#include "zcl/ui/controls/ZCL.UI.TrayIcon.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.UI.Menus.h"
#include "zeph/core/ZEPH.Core.UI.TestEvents.h"
#include "zeph/core/ZEPH.Core.UI.Tray.h"

namespace {
struct TFree {
  void operator()(TObject* Obj) const { Free(Obj); }
};

class PluginTrayTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Owner.reset(Create<TComponent>(static_cast<TComponent*>(nullptr)));
    Events = NewTestUIEvents();
    Tray = IPtr<TZEPHUITrayIcon>(Create<TZEPHUITrayIcon>(Events->AsHandler(), Owner.get()));
    Impl = dynamic_cast<TWinTrayIconImpl*>(Tray->AsTrayIcon()->GetImpl());
  }
  void TearDown() override {
    Tray = nullptr;
    Owner.reset();
  }

  std::unique_ptr<TComponent, TFree> Owner;
  IPtr<TTestUIEvents> Events;
  IPtr<TZEPHUITrayIcon> Tray;
  TWinTrayIconImpl* Impl = nullptr;
};
}  // namespace

TEST_F(PluginTrayTest, TheIconIsShownAtOnceAndGoesWithTheWrapper) {
  ASSERT_NE(Impl, nullptr);
  EXPECT_TRUE(Tray->AsTrayIcon()->GetShown());
  ASSERT_EQ(Tray->SetValueAsObject(ZEPH_UI_TRAY_PROP_HINT, MakePluginString(u"Player").get()), S_OK);
  EXPECT_EQ(Headless::TrayIcons().back().Tip, u"Player");
  const size_t count = Headless::TrayIcons().size();
  Tray = nullptr;
  EXPECT_EQ(Owner->GetComponentCount(), 0);
  EXPECT_EQ(Headless::TrayIcons().size(), count - 1);
}

TEST_F(PluginTrayTest, BalloonKindsAndTextLimits) {
  struct TCase {
    Integer Flags;
    DWORD Kind;
  };
  for (const TCase& c : {TCase{3, NIIF_ERROR}, TCase{1, NIIF_ERROR}, TCase{2, NIIF_WARNING}, TCase{0, NIIF_INFO},
                         TCase{4, NIIF_INFO}, TCase{8, NIIF_INFO}}) {
    ASSERT_EQ(Tray->ShowBalloonHint(MakePluginString(u"T").get(), MakePluginString(u"x").get(), c.Flags, nullptr),
              S_OK);
    EXPECT_EQ(Headless::TrayBalloons().back().Kind, c.Kind) << c.Flags;
  }
  const String title(100, u't'), text(300, u'x');
  ASSERT_EQ(Tray->ShowBalloonHint(MakePluginString(title).get(), MakePluginString(text).get(), 0, nullptr), S_OK);
  EXPECT_EQ(Headless::TrayBalloons().back().Title.size(), 63u);
  EXPECT_EQ(Headless::TrayBalloons().back().Text.size(), 255u);
}

TEST_F(PluginTrayTest, IconAndBalloonClicksGoToTheirOwnHandlers) {
  ASSERT_NE(Impl, nullptr);
  auto balloon = NewTestUIEvents();
  ASSERT_EQ(Tray->ShowBalloonHint(nullptr, MakePluginString(u"news").get(), 0, balloon->AsHandler()), S_OK);
  ASSERT_TRUE(Headless::TrayBalloonClick(Impl->GetWindow(), 0));
  Headless::RunUntilIdle();
  EXPECT_EQ(balloon->Changes(), 1);
  EXPECT_EQ(Events->Changes(), 0);

  ASSERT_TRUE(Headless::TrayClick(Impl->GetWindow(), 0));
  Headless::RunUntilIdle();
  ASSERT_EQ(Events->Changes(), 1);
  EXPECT_EQ(Events->Senders[0], Tray->AsSender());

  // A later balloon without a handler: its click reports to nobody.
  ASSERT_EQ(Tray->ShowBalloonHint(nullptr, MakePluginString(u"more").get(), 0, nullptr), S_OK);
  ASSERT_TRUE(Headless::TrayBalloonClick(Impl->GetWindow(), 0));
  Headless::RunUntilIdle();
  EXPECT_EQ(balloon->Changes(), 1);
  EXPECT_EQ(Events->Changes(), 1);
}

TEST_F(PluginTrayTest, MenuAndIconIdentifiers) {
  IPtr<TZEPHUIPopupMenu> menu(Create<TZEPHUIPopupMenu>(nullptr, Owner.get()));
  ASSERT_EQ(Tray->SetValueAsObject(ZEPH_UI_TRAY_PROP_POPUP_MENU, static_cast<IZEPHUIPopupMenu*>(menu.get())), S_OK);
  EXPECT_EQ(Tray->AsTrayIcon()->GetPopupMenu(), menu->AsPopupMenu());
  void* obj = nullptr;
  ASSERT_EQ(Tray->GetValueAsObject(ZEPH_UI_TRAY_PROP_POPUP_MENU, IIDOf<IZEPHUIPopupMenu>(), &obj), S_OK);
  IPtr<IZEPHUIPopupMenu> back = IPtr<IZEPHUIPopupMenu>::Adopt(static_cast<IZEPHUIPopupMenu*>(obj));
  EXPECT_EQ(back.get(), static_cast<IZEPHUIPopupMenu*>(menu.get()));

  // Something that is not a menu changes nothing; an empty one removes the menu.
  IPtr<IZEPHObjectList> list(Create<TZEPHObjectListAdapter>());
  EXPECT_EQ(Tray->SetValueAsObject(ZEPH_UI_TRAY_PROP_POPUP_MENU, Tray->AsSender()), E_UNEXPECTED);
  EXPECT_EQ(Tray->AsTrayIcon()->GetPopupMenu(), menu->AsPopupMenu());
  ASSERT_EQ(Tray->SetValueAsObject(ZEPH_UI_TRAY_PROP_POPUP_MENU, nullptr), S_OK);
  EXPECT_EQ(Tray->GetValueAsObject(ZEPH_UI_TRAY_PROP_POPUP_MENU, IIDOf<IInterface>(), &obj), E_INVALIDARG);
  EXPECT_EQ(obj, nullptr);

  // The icon is write-only and takes pictures only.
  EXPECT_EQ(Tray->GetValueAsObject(ZEPH_UI_TRAY_PROP_ICON, IIDOf<IInterface>(), &obj), E_INVALIDARG);
  EXPECT_EQ(Tray->SetValueAsObject(ZEPH_UI_TRAY_PROP_ICON, list.get()), E_INVALIDARG);
  EXPECT_EQ(Tray->SetValueAsObject(ZEPH_UI_TRAY_PROP_ICON, nullptr), S_OK);
}
