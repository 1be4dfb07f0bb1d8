#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/OS.ScrollBars.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.ExtCtrls.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/controls/ZCL.UI.Memo.h"

namespace {

using namespace testskin;

String NumberedLines(Integer Count) {
  String text;
  for (Integer i = 0; i < Count; ++i) text += u"line " + IntToStr(i) + u"\r\n";
  return text;
}

// A shown borderless form at (100, 100) with a memo of 200 x 100 showing its vertical bar.
class MemoTest : public ::testing::Test {
 public:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 400, 300);
    Form->SetBorderStyle(bsNone);
    Memo = Create<TZCLMemo>(Form.get());
    Memo->SetResourceCollection(Skin.Get());
    Memo->SetParent(Form.get());
    Memo->SetBounds(0, 0, 200, 100);
    Memo->SetScrollBars(ssVertical);
    Memo->OnChange = TNotifyEvent(this, &MemoTest::Changed);
    Form->Show();
    Headless::RunUntilIdle();
  }
  void TearDown() override {
    Form.reset();
    UIAnimationsEnabled = true;
  }
  void Changed(TObject*) { ++Changes; }
  TZCLInnerMemo* Inner() { return Memo->GetInnerMemo(); }
  Integer InnerScrollPos() { return GetScrollPos(Inner()->GetHandle(), SB_VERT); }

  TTestSkin Skin;
  TOwned<TForm> Form;
  TZCLMemo* Memo = nullptr;
  Integer Changes = 0;
};

TEST_F(MemoTest, InnerMemoKeepsLinesCaretAndTheFrameStaysOutside) {
  Memo->GetLines()->Add(u"first");
  Memo->GetLines()->Add(u"second");
  EXPECT_EQ(Memo->GetLines()->GetCount(), 2);
  EXPECT_EQ(Memo->GetText(), u"first\r\nsecond\r\n");
  EXPECT_EQ(Memo->GetLines()->GetStrings(1), u"second");
  EXPECT_GE(Changes, 1);
  Memo->SetCaretPos(TPoint(3, 1));
  EXPECT_EQ(Memo->GetCaretPos(), TPoint(3, 1));
  EXPECT_EQ(Inner()->GetSelStart(), 10);
  // The inner memo fills the client area inside the 2-pixel frame, left of the vertical bar.
  EXPECT_EQ(Memo->GetClientWidth(), 196);
  EXPECT_TRUE(Memo->GetVertScrollBar()->GetVisible());
  EXPECT_FALSE(Memo->GetHorzScrollBar()->GetVisible());
  EXPECT_EQ(Inner()->GetBoundsRect(), TRect(0, 0, 196 - Memo->GetVertScrollBar()->GetWidth(), 96));
  // Typing a line break splits the line; ReadOnly stops typing.
  Memo->SetFocus();
  Headless::RunUntilIdle();
  Headless::KeyPress(VK_RETURN, u'\r');
  Headless::RunUntilIdle();
  EXPECT_EQ(Memo->GetLines()->GetStrings(1), u"sec");
  EXPECT_EQ(Memo->GetLines()->GetStrings(2), u"ond");
  Memo->SetReadOnly(true);
  Headless::TypeText(u"x");
  Headless::RunUntilIdle();
  EXPECT_EQ(Memo->GetLines()->GetCount(), 3);
}

TEST_F(MemoTest, BarIsDisabledWhileTheTextFitsAndFollowsKeys) {
  Memo->SetText(u"one\r\ntwo");
  EXPECT_FALSE(Memo->GetVertScrollBar()->GetEnabled());
  Memo->SetText(NumberedLines(40));
  TZCLInnerScrollBar* bar = Memo->GetVertScrollBar();
  EXPECT_TRUE(bar->GetEnabled());
  const Integer visible = Inner()->GetVisibleLines();
  EXPECT_EQ(bar->GetMax(), 40);  // 41 lines with the empty one after the last break
  EXPECT_EQ(bar->GetPage(), visible);
  EXPECT_EQ(bar->GetPosition(), 0);
  // Moving the caret past the bottom scrolls the memo; the bar follows.
  Memo->SetFocus();
  Headless::RunUntilIdle();
  for (Integer i = 0; i < visible + 2; ++i) Headless::KeyPress(VK_DOWN);
  Headless::RunUntilIdle();
  EXPECT_EQ(Inner()->GetTopLine(), 3);
  EXPECT_EQ(bar->GetPosition(), 3);
  Headless::KeyDown(VK_CONTROL);
  Headless::KeyPress(VK_END);
  Headless::KeyUp(VK_CONTROL);
  Headless::RunUntilIdle();
  EXPECT_EQ(bar->GetPosition(), 41 - visible);
  EXPECT_EQ(InnerScrollPos(), 41 - visible);
}

TEST_F(MemoTest, DraggedBarDrivesTheMemoAndALineStepIsOneLine) {
  Memo->SetText(NumberedLines(40));
  TZCLInnerScrollBar* bar = Memo->GetVertScrollBar();
  ASSERT_GE(bar->GetSmallChange(), 2);
  // A line step: one text line, whatever the bar's small change.
  bar->GetSubClass()->Scroll(scLineDown);
  EXPECT_EQ(Inner()->GetTopLine(), 1);
  EXPECT_EQ(bar->GetPosition(), 1);
  // Dragging tracks continuously, then the bar takes the memo's real position.
  Integer position = 20;
  Memo->GetVertScrollBar()->OnScroll(bar, scTrack, position);
  EXPECT_EQ(Inner()->GetTopLine(), 20);
  position = 500;
  Memo->GetVertScrollBar()->OnScroll(bar, scPosition, position);
  EXPECT_EQ(position, 41 - Inner()->GetVisibleLines());
  EXPECT_EQ(Inner()->GetTopLine(), position);
  EXPECT_EQ(bar->GetPosition(), position);

  // With the mouse: the thumb dragged up to the top scrolls the memo back with it.
  const TRect thumb = bar->GetSubClass()->GetThumb()->Bounds;
  const TPoint grab = bar->ClientToScreen(TPoint(thumb.Left + thumb.Width() / 2, thumb.Top + thumb.Height() / 2));
  Headless::MouseMove(grab);
  Headless::MouseDown(grab);
  Headless::MouseMove(TPoint(grab.X, grab.Y - 60));
  Headless::RunUntilIdle();
  EXPECT_EQ(Inner()->GetTopLine(), 0);
  Headless::MouseUp(TPoint(grab.X, grab.Y - 60));
  Headless::RunUntilIdle();
  EXPECT_EQ(bar->GetPosition(), 0);
  EXPECT_EQ(InnerScrollPos(), 0);
}

TEST_F(MemoTest, SetTextLimitedFallsBackToTheFirst20000Characters) {
  Memo->SetMaxLength(25000);
  const String text(30000, u'a');
  EXPECT_THROW(Memo->GetLines()->SetText(text), EOutOfResources);
  EXPECT_NO_THROW(Memo->SetTextLimited(text));
  EXPECT_EQ(Memo->GetText().size(), 20000u);
  Memo->SetTextLimited(u"short");
  EXPECT_EQ(Memo->GetText(), u"short");
}

TEST_F(MemoTest, FrameShowsTheFocusedBorderColour) {
  auto rgb = [](TColor C) { return uint32_t(((C & 0xFF) << 16) | (C & 0xFF00) | ((C >> 16) & 0xFF)); };
  const uint32_t normal = rgb(Memo->GetStyle()->GetBorderColor(false));
  const uint32_t focused = rgb(Memo->GetStyle()->GetBorderColor(true));
  ASSERT_NE(normal, focused);
  auto* other = Create<TEdit>(Form.get());
  other->SetParent(Form.get());
  other->SetBounds(250, 10, 100, 21);
  Memo->SetFocus();
  Headless::RunUntilIdle();
  EXPECT_TRUE(Inner()->Focused());
  EXPECT_EQ(Headless::WindowPixel(Form->GetHandle(), TPoint(0, 50)) & 0xFFFFFF, focused);
  other->SetFocus();
  Headless::RunUntilIdle();
  EXPECT_EQ(Headless::WindowPixel(Form->GetHandle(), TPoint(0, 50)) & 0xFFFFFF, normal);
}

TEST_F(MemoTest, ScrollBarsFollowTheStyle) {
  Memo->SetScrollBars(ssBoth);
  EXPECT_TRUE(Memo->GetHorzScrollBar()->GetVisible());
  EXPECT_TRUE(Memo->GetSizeGrip()->GetVisible());
  Memo->SetText(String(300, u'w'));
  EXPECT_TRUE(Memo->GetHorzScrollBar()->GetEnabled());
  Memo->SetScrollBars(ssNone);
  EXPECT_FALSE(Memo->GetHorzScrollBar()->GetVisible());
  EXPECT_FALSE(Memo->GetVertScrollBar()->GetVisible());
  EXPECT_EQ(Inner()->GetWidth(), 196);
}

}  // namespace
