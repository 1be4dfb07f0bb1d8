#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/OS.Input.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.FormatSettings.h"
#include "vcl/VCL.Clipbrd.h"
#include "vcl/VCL.Forms.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/controls/ZCL.UI.Menus.h"

namespace {

struct TChangeCounter {
  Integer Count = 0;
  void Changed(TObject*) { ++Count; }
};

// A shown form with one focused text edit.
class EditFormTest : public ::testing::Test {
 public:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 300, 200);
    Form->SetBorderStyle(bsNone);
    Edit = Create<TZCLEdit>(Form.get());
    Edit->SetParent(Form.get());
    Edit->SetBounds(10, 10, 200, 21);
    Edit->OnChange = TNotifyEvent(&Changes, &TChangeCounter::Changed);
    Form->Show();
    Edit->SetFocus();
    Headless::RunUntilIdle();
  }
  void TearDown() override {
    Form.reset();
    UIAnimationsEnabled = true;
  }
  void CtrlKey(WORD Key) {
    Headless::KeyDown(VK_CONTROL);
    Headless::KeyPress(Key);
    Headless::KeyUp(VK_CONTROL);
    Headless::RunUntilIdle();
  }
  void Type(StringView Text) {
    Headless::TypeText(Text);
    Headless::RunUntilIdle();
  }
  TZCLInnerEdit* Inner() { return Edit->GetInnerEdit(); }

  TOwned<TForm> Form;
  TZCLEdit* Edit = nullptr;
  TChangeCounter Changes;
};

TEST(EditDeleteWord, DeletesTheWordBeforeOrAfterTheCaret) {
  struct TCase {
    const char16_t* Text;
    Integer Position, Direction;
    const char16_t* Expected;
    Integer Caret;
  } cases[] = {
      {u"abc def", 7, -1, u"abc ", 4},
      {u"abc def ", 8, -1, u"abc ", 4},
      {u"abc def", 0, 1, u"def", 0},
      {u"abc def", 7, 1, u"abc def", 7},
      // At the start going back there is nothing to delete: text and caret stay.
      {u"abc def", 0, -1, u"abc def", 0},
      {u"", 0, -1, u"", 0},
      // The character just before the caret always goes with the word before it.
      {u"a.b", 3, -1, u"", 0},
      {u"one, two", 0, 1, u" two", 0},
  };
  for (const TCase& c : cases) {
    Integer caret = -99;
    EXPECT_EQ(EditDeleteWord(c.Text, c.Position, c.Direction, caret), String(c.Expected))
        << String(c.Text).size() << " at " << c.Position << " dir " << c.Direction;
    EXPECT_EQ(caret, c.Caret);
  }
}

TEST_F(EditFormTest, CtrlBackspaceAndCtrlDeleteRemoveWholeWords) {
  ASSERT_NE(Inner(), nullptr);
  EXPECT_TRUE(Edit->Focused());
  Edit->SetText(u"abc def");
  Inner()->Select(7, 7);
  CtrlKey(VK_BACK);
  EXPECT_EQ(Edit->GetText(), u"abc ");
  EXPECT_EQ(Edit->GetSelStart(), 4);

  Edit->SetText(u"abc def");
  Inner()->Select(0, 0);
  CtrlKey(VK_DELETE);
  EXPECT_EQ(Edit->GetText(), u"def");
  EXPECT_EQ(Edit->GetSelStart(), 0);

  Edit->SetText(u"abc def");
  Inner()->Select(0, 0);
  CtrlKey(VK_BACK);
  EXPECT_EQ(Edit->GetText(), u"abc def");
  EXPECT_EQ(Edit->GetSelStart(), 0);
}

TEST_F(EditFormTest, IntegerMaskDropsKeysThatWouldMakeTheNumberUnreadable) {
  Edit->SetInputMask(eimInteger);
  EXPECT_EQ(Edit->GetText(), u"0");  // an empty text is no integer
  Inner()->SelectAll();
  Type(u"--a1");
  EXPECT_EQ(Edit->GetText(), u"-1");
  Edit->SetText(u"214748364");
  Inner()->Select(9, 9);
  Type(u"8");
  EXPECT_EQ(Edit->GetText(), u"214748364");
  Type(u"7");
  EXPECT_EQ(Edit->GetText(), u"2147483647");
  EXPECT_EQ(Edit->GetValue().AsInteger(), 2147483647);
}

TEST_F(EditFormTest, CtrlASelectsAllOfAReadOnlyText) {
  Edit->SetText(u"abc def");
  Edit->SetReadOnly(true);
  Inner()->Select(2, 2);
  CtrlKey('A');
  EXPECT_EQ(Edit->GetSelStart(), 0);
  EXPECT_EQ(Edit->GetSelLength(), 7);
  EXPECT_EQ(Edit->GetText(), u"abc def");
}

TEST_F(EditFormTest, PastedTextIsNormalisedAsAWhole) {
  Edit->SetInputMask(eimInteger);
  Clipboard()->SetAsText(u"12abc");
  Inner()->Perform(WM_PASTE);
  Headless::RunUntilIdle();
  EXPECT_EQ(Edit->GetText(), u"0");
}

TEST_F(EditFormTest, TabAndClicksReachTheInnerEditAndFireEnterOnce) {
  auto* second = Create<TZCLEdit>(Form.get());
  second->SetParent(Form.get());
  second->SetBounds(10, 60, 200, 21);
  TChangeCounter firstEnters, secondEnters;
  Edit->OnEnter = TNotifyEvent(&firstEnters, &TChangeCounter::Changed);
  second->OnEnter = TNotifyEvent(&secondEnters, &TChangeCounter::Changed);
  Headless::RunUntilIdle();
  ASSERT_TRUE(Inner()->Focused());
  Headless::KeyPress(VK_TAB);
  Headless::RunUntilIdle();
  EXPECT_TRUE(second->GetInnerEdit()->Focused());
  EXPECT_TRUE(second->Focused());
  EXPECT_EQ(secondEnters.Count, 1);
  // The inner edit starts 2 px inside the frame; a click there goes to it.
  Headless::Click(TPoint(100 + 10 + 20, 100 + 10 + 10));
  Headless::RunUntilIdle();
  EXPECT_TRUE(Inner()->Focused());
  EXPECT_EQ(firstEnters.Count, 1);
}

TEST_F(EditFormTest, InplaceEditorWantsSpecialKeysAndAppliesOnExit) {
  TChangeCounter applied;
  TZCLInplaceInfo info;
  info.Parent = Form.get();
  info.Bounds = TRect(10, 100, 150, 118);
  info.TextBounds = TRect(30, 100, 150, 118);
  info.OnApply = TNotifyEvent(&applied, &TChangeCounter::Changed);
  auto* cell = TZCLCustomEdit::CreateInplace<TZCLEdit>(info);
  EXPECT_TRUE(cell->GetInplace());
  EXPECT_FALSE(cell->GetBorders());
  EXPECT_FALSE(cell->GetAutoSize());
  EXPECT_EQ(cell->GetBoundsRect(), TRect(28, 100, 150, 118));
  EXPECT_EQ(cell->GetInnerEdit()->Perform(CM_WANTSPECIALKEY, VK_RETURN, 0), 1);
  cell->SetFocus();
  Headless::RunUntilIdle();
  Edit->SetFocus();
  Headless::RunUntilIdle();
  EXPECT_EQ(applied.Count, 1);
  Free(cell);
}

TEST(TextEdit, TextPassesTheMaskWhenSetFromCode) {
  struct TCase {
    TZCLEditInputMask Mask;
    const char16_t* Text;
    const char16_t* Expected;
  } cases[] = {
      {eimInteger, u"12abc", u"0"},
      {eimInteger, u"0042", u"42"},
      {eimInteger, u"2147483648", u"0"},
      {eimDateAndTime, u"not a date", u"1899.12.30 00:00:00"},
      {eimDateAndTime, u"2024.05.06 07:08:09", u"2024.05.06 07:08:09"},
      {eimText, u"12abc", u"12abc"},
  };
  for (const TCase& c : cases) {
    TOwned<TZCLEdit> edit(Create<TZCLEdit>(static_cast<TComponent*>(nullptr)));
    edit->SetInputMask(c.Mask);
    edit->SetText(c.Text);
    EXPECT_EQ(edit->GetText(), String(c.Expected)) << String(c.Text).size();
  }
  EXPECT_EQ(EditDateTimeEditMask(), u"0000.00.00 00:00:00;1;_");
}

TEST(TextEdit, ChangingTheMaskRevalidatesTheText) {
  const Char saved = FormatSettings.DecimalSeparator;
  FormatSettings.DecimalSeparator = u'.';
  TOwned<TZCLEdit> edit(Create<TZCLEdit>(static_cast<TComponent*>(nullptr)));
  edit->SetText(u"3.7");
  edit->SetInputMask(eimFloat);
  EXPECT_EQ(edit->GetText(), u"3.7");
  edit->SetInputMask(eimInteger);
  EXPECT_EQ(edit->GetText(), u"0");
  FormatSettings.DecimalSeparator = saved;
}

TEST(EditButtons, StandAtTheRightInScaledStripsWithGaps) {
  TOwned<TZCLEdit> edit(Create<TZCLEdit>(static_cast<TComponent*>(nullptr)));
  for (int i = 0; i < 3; ++i) edit->GetButtons()->Add(u"");
  edit->ScaleForPPI(144);
  edit->SetBounds(0, 0, 300, edit->GetHeight());
  ASSERT_EQ(edit->GetCurrentPPI(), 144);
  const Integer right = edit->GetClientRect().Right - 1 - 2;  // frame inset, then the gap
  Integer expectedRight = right;
  for (Integer i = 2; i >= 0; --i) {
    const TRect& b = edit->GetButtons()->GetItem(i)->GetSubClass()->GetBounds();
    EXPECT_EQ(b.Right, expectedRight) << i;
    EXPECT_EQ(b.Width(), 27) << i;
    expectedRight = b.Left - 2;
  }
  // A hidden button takes neither space nor a gap.
  edit->GetButtons()->GetItem(1)->SetVisible(false);
  EXPECT_EQ(edit->GetButtons()->GetItem(0)->GetSubClass()->GetBounds().Right, right - 27 - 2);
  // The text area ends before the first button.
  EXPECT_LE(edit->GetTextRect().Right, edit->GetButtons()->GetItem(0)->GetSubClass()->GetBounds().Left);
}

TEST(EditButtons, ImageHidesTheCaption) {
  TOwned<TZCLEdit> edit(Create<TZCLEdit>(static_cast<TComponent*>(nullptr)));
  TZCLEditButton* b = edit->GetButtons()->Add(u"...");
  EXPECT_EQ(b->GetSubClass()->GetCaption(), u"...");
  b->SetImageIndex(2);
  EXPECT_EQ(b->GetSubClass()->GetCaption(), u"");
  b->SetImageIndex(-1);
  EXPECT_EQ(b->GetSubClass()->GetCaption(), u"...");
}

TEST(TextEdit, AutoHeightIsTheTextHeightPlusInsets) {
  TOwned<TZCLEdit> edit(Create<TZCLEdit>(static_cast<TComponent*>(nullptr)));
  const Integer text = MeasureTextSize(edit->GetFont(), u"Qq").cy;
  edit->SetBounds(0, 0, 100, 50);
  EXPECT_EQ(edit->GetHeight(), text + 4 + 4);
  edit->SetBorders(false);
  edit->SetBounds(0, 0, 100, 50);
  EXPECT_EQ(edit->GetHeight(), text + 4);
}

TEST(TextEdit, PasswordShowsOneXPerCharacter) {
  TOwned<TZCLEdit> edit(Create<TZCLEdit>(static_cast<TComponent*>(nullptr)));
  edit->SetText(u"secret");
  edit->SetPasswordChar(true);
  EXPECT_EQ(edit->GetText(), u"secret");
  EXPECT_EQ(edit->GetInnerEdit()->GetPasswordChar(), u'x');
}

// Each interface answers only for itself: an edit box hosts an inner control but pops nothing up,
// a popup menu the reverse.
TEST(EditInterfaces, InnerControlAndPopupAreToldApart) {
  TOwned<TZCLEdit> edit(Create<TZCLEdit>(static_cast<TComponent*>(nullptr)));
  TOwned<TZCLPopupMenu> menu(Create<TZCLPopupMenu>(static_cast<TComponent*>(nullptr)));
  EXPECT_NE(IIDOf<IZCLInnerControl>(), IIDOf<IZCLPopup>());
  EXPECT_TRUE(Supports<IZCLInnerControl>(static_cast<TObject*>(edit.get())));
  EXPECT_FALSE(Supports<IZCLPopup>(static_cast<TObject*>(edit.get())));
  EXPECT_TRUE(Supports<IZCLPopup>(static_cast<TObject*>(menu.get())));
  EXPECT_FALSE(Supports<IZCLInnerControl>(static_cast<TObject*>(menu.get())));
  IPtr<IZCLInnerControl> inner;
  ASSERT_TRUE(Supports(static_cast<TObject*>(edit.get()), inner));
  EXPECT_EQ(inner->GetInnerControl(), edit->GetInnerEdit());
}

}  // namespace
