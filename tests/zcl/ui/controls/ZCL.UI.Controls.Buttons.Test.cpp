#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/OS.Input.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Menus.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"

namespace {

using namespace testskin;

// A host of a button sub-class that records what the sub-class asks of it.
class TFakeButtonOwner : public TZCLUnknownObject, public IZCLButtonOwner {
  ZCL_CLASS(TFakeButtonOwner, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLButtonOwner)
 public:
  explicit TFakeButtonOwner(TZCLCustomResourceCollection* Skin)
      : Style(Create<TZCLStyleButton>(static_cast<TObject*>(nullptr))), Font(new TFont) {
    Style->SetCollection(Skin);
  }
  ~TFakeButtonOwner() override {
    Free(Style);
    Free(Font);
  }
  Integer GetCurrentDpi() override { return 96; }
  bool IsControlEnabled() override { return true; }
  void InvalidateRect(const TRect&) override { ++Invalidations; }
  void UpdateControl() override {}
  TPoint ControlClientToScreen(const TPoint& P) override { return P; }
  TPoint ControlScreenToClient(const TPoint& P) override { return P; }
  TFont* ButtonOwnerGetFont() override { return Font; }
  TCustomImageList* ButtonOwnerGetImages() override { return nullptr; }
  TZCLStyleButton* ButtonOwnerGetStyle() override { return Style; }
  void ButtonOwnerRecalculate() override { ++Recalculations; }

  TZCLStyleButton* Style;
  TFont* Font;
  Integer Invalidations = 0;
  Integer Recalculations = 0;
};

class ButtonSubClassTest : public ::testing::Test {
 public:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Owner = std::make_unique<TFakeButtonOwner>(Skin.Get());
    Sub = new TZCLButtonSubClass(Owner.get());
    Sub->Calculate(TRect(0, 0, 60, 30));
    Sub->OnClick = TZCLCustomButtonSubClass::TClickEvent(this, &ButtonSubClassTest::Clicked);
  }
  void TearDown() override {
    Free(Sub);
    UIAnimationsEnabled = true;
  }
  void Clicked(TZCLCustomButtonSubClass*) { ++Clicks; }
  void FreeSub(TZCLCustomButtonSubClass*) {
    Free(Sub);
    Sub = nullptr;
  }
  TColor DrawnColor() {
    TZCLBitmap bitmap(60, 30);
    Sub->Draw(bitmap.GetCanvas());
    return bitmap.GetCanvas()->GetPixel(5, 5);
  }

  TTestSkin Skin;
  std::unique_ptr<TFakeButtonOwner> Owner;
  TZCLButtonSubClass* Sub = nullptr;
  Integer Clicks = 0;
};

TEST_F(ButtonSubClassTest, StateRuleChoosesTheFrameOfThePart) {
  struct Case {
    std::vector<TZCLButtonFlag> On;
    std::vector<TZCLButtonFlag> Off;
    Byte Part;
    TZCLButtonState State;
  } cases[] = {
      {{}, {}, 0, bstNormal},
      {{bfHover}, {}, 0, bstHover},
      {{bfFocused}, {}, 1, bstFocused},
      {{bfDefault}, {}, 0, bstFocused},
      {{bfDown}, {}, 0, bstPressed},  // held down without the mouse
      {{bfDown, bfHover, bfFocused}, {}, 2, bstPressed},
      {{bfPressed, bfHover, bfDown, bfFocused, bfDefault}, {bfEnabled}, 0, bstDisabled},
      {{bfHover, bfDown}, {bfEnabled}, 1, bstDisabled},
  };
  for (const Case& c : cases) {
    Sub->Part = c.Part;
    for (auto f : {bfPressed, bfHover, bfFocused, bfDown, bfDefault}) Sub->SetFlag(f, false);
    Sub->SetFlag(bfEnabled, true);
    for (auto f : c.On) Sub->SetFlag(f, true);
    for (auto f : c.Off) Sub->SetFlag(f, false);
    EXPECT_EQ(Sub->GetState(), c.State);
    EXPECT_EQ(DrawnColor(), FrameColor(kButton, c.State + 5 * c.Part)) << int(c.State) << " part " << int(c.Part);
  }
}

TEST_F(ButtonSubClassTest, KeyboardPressReleaseAndCancel) {
  struct Case {
    std::vector<std::pair<bool, Word>> Keys;  // (down, key)
    Integer Clicks;
  } cases[] = {
      {{{true, VK_SPACE}, {false, VK_SPACE}}, 1},
      {{{true, VK_SPACE}, {false, VK_ESCAPE}, {false, VK_SPACE}}, 0},
      {{{false, VK_SPACE}}, 0},
      {{{true, VK_RETURN}, {false, VK_RETURN}}, 0},
  };
  for (const Case& c : cases) {
    Clicks = 0;
    for (auto [down, key] : c.Keys) down ? Sub->KeyDown(key) : Sub->KeyUp(key);
    EXPECT_EQ(Clicks, c.Clicks);
    EXPECT_FALSE(Sub->HasFlag(bfPressed));
  }
}

TEST_F(ButtonSubClassTest, MouseLeavingWhileHeldKeepsPressAndOnlyAReleaseInsideClicks) {
  Sub->MouseMove(TShiftState(), TPoint(10, 10));
  EXPECT_EQ(Sub->GetState(), bstHover);
  Sub->MouseDown(TMouseButton::Left, TPoint(10, 10));
  Sub->MouseMove(TShiftState{ssLeft}, TPoint(100, 10));
  EXPECT_FALSE(Sub->HasFlag(bfHover));
  EXPECT_EQ(Sub->GetState(), bstPressed);
  Sub->MouseUp(TMouseButton::Left, TPoint(100, 10));
  EXPECT_EQ(Clicks, 0);
  Sub->MouseDown(TMouseButton::Right, TPoint(10, 10));
  Sub->MouseUp(TMouseButton::Right, TPoint(10, 10));
  EXPECT_EQ(Clicks, 0);
  Sub->MouseDown(TMouseButton::Left, TPoint(10, 10));
  Sub->MouseUp(TMouseButton::Left, TPoint(12, 12));
  EXPECT_EQ(Clicks, 1);
  // Losing the focus releases a pressed button without a click.
  Sub->SetFlag(bfFocused, true);
  Sub->KeyDown(VK_SPACE);
  Sub->SetFlag(bfFocused, false);
  Sub->KeyUp(VK_SPACE);
  EXPECT_EQ(Clicks, 1);
}

TEST_F(ButtonSubClassTest, ClickHandlerThatFreesTheButtonEndsCleanly) {
  Sub->OnClick = TZCLCustomButtonSubClass::TClickEvent(this, &ButtonSubClassTest::FreeSub);
  Sub->MouseDown(TMouseButton::Left, TPoint(10, 10));
  Sub->MouseUp(TMouseButton::Left, TPoint(10, 10));
  EXPECT_EQ(Sub, nullptr);
}

TEST_F(ButtonSubClassTest, LeavingHoverFadesOtherChangesSwitchAtOnce) {
  UIAnimationsEnabled = true;
  TZCLAnimation* animation = nullptr;
  Sub->SetFlag(bfFocused, true);
  EXPECT_FALSE(AnimationManager()->Find(Sub, animation));
  Sub->SetFlag(bfHover, true);
  EXPECT_FALSE(AnimationManager()->Find(Sub, animation));
  Sub->SetFlag(bfHover, false);  // hover -> focused fades
  EXPECT_TRUE(AnimationManager()->Find(Sub, animation));
  EXPECT_EQ(Sub->GetState(), bstFocused);
}

TEST_F(ButtonSubClassTest, LayoutOfArrowAndSplitParts) {
  Sub->HasArrow = true;
  Sub->Calculate(TRect(0, 0, 100, 25));
  EXPECT_EQ(Sub->GetArrowRect().Right, 100 - 1 - 5);
  EXPECT_EQ(Sub->GetArrowRect().Width(), 7);
  EXPECT_EQ(Sub->GetTextRect().Right, Sub->GetArrowRect().Left - 5 - 1);
  Sub->Part = 2;
  Sub->Calculate(TRect(80, 0, 100, 25));
  EXPECT_EQ(Sub->GetArrowRect(), TRect(81, 1, 99, 24));
  EXPECT_TRUE(Sub->GetTextRect().Width() <= 0);
}

class TFreeOnClick {
 public:
  TZCLSimpleButton* Button = nullptr;
  Integer Clicks = 0;
  void Click(TObject*) { ++Clicks; }
};

TEST(ButtonControl, ClicksModalResultAndDialogKeys) {
  UIAnimationsEnabled = false;
  TOwned<TForm> form(TCustomForm::CreateNew<TForm>(nullptr));
  form->SetBounds(100, 100, 300, 200);
  form->SetBorderStyle(bsNone);
  auto* ok = Create<TZCLSimpleButton>(form.get());
  ok->SetParent(form.get());
  ok->SetBounds(10, 10, 80, 25);
  ok->SetDefault(true);
  ok->SetModalResult(1);
  auto* cancel = Create<TZCLSimpleButton>(form.get());
  cancel->SetParent(form.get());
  cancel->SetBounds(10, 50, 80, 25);
  cancel->SetCancel(true);
  EXPECT_EQ(ok->GetWidth(), 80);
  TFreeOnClick okProbe, cancelProbe;
  ok->OnClick = TNotifyEvent(&okProbe, &TFreeOnClick::Click);
  cancel->OnClick = TNotifyEvent(&cancelProbe, &TFreeOnClick::Click);
  form->Show();
  Headless::RunUntilIdle();

  Headless::Click(TPoint(130, 120));
  Headless::RunUntilIdle();
  EXPECT_EQ(okProbe.Clicks, 1);
  EXPECT_EQ(form->GetModalResult(), 1);

  // The focus is on the Default button: Enter clicks it, Escape the Cancel button.
  Headless::KeyPress(VK_RETURN);
  Headless::RunUntilIdle();
  EXPECT_EQ(okProbe.Clicks, 2);
  Headless::KeyPress(VK_ESCAPE);
  Headless::RunUntilIdle();
  EXPECT_EQ(cancelProbe.Clicks, 1);
  // Another button focused: Enter clicks that one.
  cancel->SetFocus();
  Headless::RunUntilIdle();
  EXPECT_FALSE(ok->GetSubClass()->HasFlag(bfDefault));
  Headless::KeyPress(VK_RETURN);
  Headless::RunUntilIdle();
  EXPECT_EQ(cancelProbe.Clicks, 2);
  EXPECT_EQ(okProbe.Clicks, 2);
  UIAnimationsEnabled = true;
}

TEST(ButtonControl, SplitButtonMainPartRunsTheDefaultItemArrowPartDropsDown) {
  UIAnimationsEnabled = false;
  TTestSkin skin;
  TOwned<TForm> form(TCustomForm::CreateNew<TForm>(nullptr));
  form->SetBounds(100, 100, 300, 200);
  form->SetBorderStyle(bsNone);
  auto* button = Create<TZCLButton>(form.get());
  button->SetResourceCollection(skin.Get());
  button->SetParent(form.get());
  button->SetBounds(0, 0, 100, 25);
  button->SetKind(sbkDropDownButton);
  auto* menu = Create<TPopupMenu>(form.get());
  auto* item = Create<TMenuItem>(menu);
  menu->GetItems()->Add(item);
  TFreeOnClick itemProbe, arrowProbe;
  item->OnClick = TNotifyEvent(&itemProbe, &TFreeOnClick::Click);
  button->SetDropDownMenu(menu);
  form->Show();
  Headless::RunUntilIdle();
  EXPECT_EQ(button->GetArrowSubClass()->GetBounds(), TRect(80, 0, 100, 25));

  Headless::Click(TPoint(140, 110));  // main part, no default item: the menu drops down
  Headless::RunUntilIdle();
  EXPECT_EQ(menu->GetPopupComponent(), button);
  EXPECT_EQ(itemProbe.Clicks, 0);
  item->SetDefault(true);
  Headless::Click(TPoint(140, 110));
  Headless::RunUntilIdle();
  EXPECT_EQ(itemProbe.Clicks, 1);
  button->OnDropDownClick = TNotifyEvent(&arrowProbe, &TFreeOnClick::Click);
  Headless::Click(TPoint(190, 110));  // the arrow part
  Headless::RunUntilIdle();
  EXPECT_EQ(arrowProbe.Clicks, 1);
  EXPECT_EQ(itemProbe.Clicks, 1);
  UIAnimationsEnabled = true;
}

TEST(ButtonControl, FollowsItsActionAndItsImageWhileLinked) {
  UIAnimationsEnabled = false;
  TOwned<TForm> form(TCustomForm::CreateNew<TForm>(nullptr));
  form->SetBounds(100, 100, 300, 200);
  form->SetBorderStyle(bsNone);
  auto* action = Create<TAction>(form.get());
  action->SetCaption(u"&Go");
  action->SetHint(u"Go there");
  action->SetImageIndex(3);
  TFreeOnClick executed;
  action->SetOnExecute(TNotifyEvent(&executed, &TFreeOnClick::Click));
  auto* button = Create<TZCLSimpleButton>(form.get());
  button->SetParent(form.get());
  button->SetBounds(10, 10, 80, 25);
  button->SetAction(action);
  EXPECT_EQ(button->GetCaption(), u"&Go");
  EXPECT_EQ(button->GetHint(), u"Go there");
  EXPECT_EQ(button->GetImageIndex(), 3);
  EXPECT_FALSE(button->IsImageIndexStored());
  form->Show();
  Headless::RunUntilIdle();
  Headless::Click(TPoint(130, 120));
  Headless::RunUntilIdle();
  EXPECT_EQ(executed.Clicks, 1);
  // The image follows the action while the button shows the action's image.
  action->SetImageIndex(4);
  EXPECT_EQ(button->GetImageIndex(), 4);
  button->SetImageIndex(7);
  EXPECT_TRUE(button->IsImageIndexStored());
  action->SetImageIndex(5);
  EXPECT_EQ(button->GetImageIndex(), 7);
  action->SetEnabled(false);
  EXPECT_FALSE(button->GetEnabled());
  Headless::Click(TPoint(130, 120));
  Headless::RunUntilIdle();
  EXPECT_EQ(executed.Clicks, 1);
  UIAnimationsEnabled = true;
}

TEST(ButtonControl, AcceleratorFocusesAndClicksOnlyAButtonThatCanTakeTheFocus) {
  UIAnimationsEnabled = false;
  TOwned<TForm> form(TCustomForm::CreateNew<TForm>(nullptr));
  form->SetBounds(100, 100, 300, 200);
  form->SetBorderStyle(bsNone);
  auto* first = Create<TZCLSimpleButton>(form.get());
  first->SetParent(form.get());
  first->SetBounds(10, 10, 80, 25);
  first->SetCaption(u"First");
  auto* apply = Create<TZCLSimpleButton>(form.get());
  apply->SetParent(form.get());
  apply->SetBounds(10, 50, 80, 25);
  apply->SetCaption(u"&Apply");
  TFreeOnClick firstProbe, applyProbe;
  first->OnClick = TNotifyEvent(&firstProbe, &TFreeOnClick::Click);
  apply->OnClick = TNotifyEvent(&applyProbe, &TFreeOnClick::Click);
  form->Show();
  Headless::RunUntilIdle();
  struct Case {
    bool Enabled;
    Char Key;
    Integer Clicks;
    bool Focused;
  } cases[] = {
      {true, u'x', 0, false},  // no accelerator for x
      {false, u'a', 0, false},
      {true, u'a', 1, true},
      {true, u'A', 2, true},  // either case
  };
  for (const Case& c : cases) {
    apply->SetEnabled(c.Enabled);
    first->SetFocus();
    Headless::RunUntilIdle();
    Headless::KeyPress(WORD(std::toupper(int(c.Key))), c.Key);
    Headless::RunUntilIdle();
    EXPECT_EQ(applyProbe.Clicks, c.Clicks) << char(c.Key) << c.Enabled;
    EXPECT_EQ(apply->Focused(), c.Focused) << char(c.Key) << c.Enabled;
  }
  EXPECT_EQ(firstProbe.Clicks, 0);
  UIAnimationsEnabled = true;
}

}  // namespace
