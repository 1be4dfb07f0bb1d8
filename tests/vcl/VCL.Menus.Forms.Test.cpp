#include <gtest/gtest.h>

#include "support/HeadlessFixture.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Menus.h"

namespace {

// A focusable windowed control.
class TMenuBox : public TCustomControl {
  ZCL_CLASS(TMenuBox, TCustomControl)
 public:
  explicit TMenuBox(TComponent* AOwner) : TCustomControl(AOwner) { SetTabStop(true); }
};

struct TCounter {
  Integer Count = 0;
  void Count1(TObject*) { ++Count; }
};

class MenuFormsTest : public THeadlessTest {
 protected:
  void SetUp() override {
    THeadlessTest::SetUp();
    FForm = TCustomForm::CreateNew<TForm>(nullptr);
    FForm->SetBorderStyle(bsNone);
    FForm->SetBoundsRect(TRect(100, 100, 400, 300));
    FBox = ::Create<TMenuBox>(FForm);
    FBox->SetBoundsRect(TRect(10, 10, 110, 40));
    FBox->SetParent(FForm);
  }
  void TearDown() override {
    Free(FForm);
    Application->OnIdle = nullptr;
    Application->SetActionUpdateDelay(0);
    THeadlessTest::TearDown();
  }
  void ShowWithFocusOnTheBox() {
    FForm->Show();
    Headless::RunUntilIdle();
    FBox->SetFocus();
    Headless::RunUntilIdle();
    ASSERT_TRUE(FBox->Focused());
  }
  static void PressCtrl(Char Key) {
    Headless::KeyDown(VK_CONTROL);
    Headless::KeyPress(Key);
    Headless::KeyUp(VK_CONTROL);
    Headless::RunUntilIdle();
  }

  TForm* FForm = nullptr;
  TMenuBox* FBox = nullptr;
};

TEST_F(MenuFormsTest, ThePopupMenuOfTheFocusedControlTakesShortCutsAndContextRequests) {
  auto* popup = ::Create<TPopupMenu>(FForm);
  auto* item = ::Create<TMenuItem>(FForm);
  item->SetShortCut(TextToShortCut(u"Ctrl+P"));
  TCounter clicks, popups;
  item->OnClick = {&clicks, &TCounter::Count1};
  popup->GetItems()->Add(item);
  popup->OnPopup = {&popups, &TCounter::Count1};
  FBox->SetPopupMenu(popup);
  ShowWithFocusOnTheBox();

  PressCtrl(u'P');
  EXPECT_EQ(clicks.Count, 1);
  FBox->Perform(WM_CONTEXTMENU, WPARAM(FBox->GetHandle()), MAKELPARAM(150, 130));
  EXPECT_EQ(popups.Count, 1);
  EXPECT_EQ(popup->GetPopupComponent(), FBox);
  EXPECT_EQ(popup->GetPopupPoint(), TPoint(150, 130));
  popup->SetAutoPopup(false);
  FBox->Perform(WM_CONTEXTMENU, WPARAM(FBox->GetHandle()), MAKELPARAM(150, 130));
  EXPECT_EQ(popups.Count, 1);
}

TEST_F(MenuFormsTest, MainMenuActionsRunByShortCutAndFollowTheIdleUpdate) {
  auto* menu = ::Create<TMainMenu>(FForm);
  auto* list = ::Create<TActionList>(FForm);
  auto* action = ::Create<TAction>(FForm);
  action->SetActionList(list);
  action->SetCaption(u"&Build");
  action->SetShortCut(TextToShortCut(u"Ctrl+B"));
  TCounter runs;
  action->SetOnExecute({&runs, &TCounter::Count1});
  struct TGate {
    bool Open = true;
    void Update(TObject* Sender) { static_cast<TAction*>(Sender)->SetEnabled(Open); }
  } gate;
  action->OnUpdate = {&gate, &TGate::Update};
  auto* item = ::Create<TMenuItem>(FForm);
  item->SetAction(action);
  menu->GetItems()->Add(item);
  FForm->SetMenu(menu);
  // A control whose action no menu item shows follows the idle update too.
  auto* controlOnly = ::Create<TAction>(FForm);
  controlOnly->SetActionList(list);
  controlOnly->OnUpdate = {&gate, &TGate::Update};
  auto* linked = ::Create<TMenuBox>(FForm);
  linked->SetBoundsRect(TRect(10, 50, 110, 80));
  linked->SetParent(FForm);
  linked->SetAction(controlOnly);
  ShowWithFocusOnTheBox();

  PressCtrl(u'B');
  EXPECT_EQ(runs.Count, 1);
  // An action of the form's list that no menu shows runs by its shortcut as well.
  auto* listOnly = ::Create<TAction>(FForm);
  listOnly->SetActionList(list);
  listOnly->SetShortCut(TextToShortCut(u"Ctrl+L"));
  listOnly->SetOnExecute({&runs, &TCounter::Count1});
  PressCtrl(u'L');
  EXPECT_EQ(runs.Count, 2);
  // The idle update asks the action, which disables the item; its shortcut then does nothing.
  gate.Open = false;
  Application->SetActionUpdateDelay(0);
  // The idle step waits for a message afterwards: it gets one.
  Application->OnIdle = TIdleEvent(
      FForm, +[](TForm* Form, TObject*, bool&) { PostMessage(Form->GetHandle(), WM_NULL, 0, 0); });
  Application->HandleMessage();
  Application->OnIdle = nullptr;
  Headless::RunUntilIdle();
  EXPECT_FALSE(item->GetEnabled());
  EXPECT_FALSE(linked->GetEnabled());
  PressCtrl(u'B');
  EXPECT_EQ(runs.Count, 2);
}

}  // namespace
