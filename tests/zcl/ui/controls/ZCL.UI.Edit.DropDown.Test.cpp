#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/controls/ZCL.UI.Edit.DropDown.h"
#include "zcl/ui/controls/ZCL.UI.Labels.h"

namespace {

using namespace testskin;

class TTestDropDownEdit : public TZCLCustomDropDownEdit {
  ZCL_CLASS(TTestDropDownEdit, TZCLCustomDropDownEdit)
 public:
  using TZCLCustomDropDownEdit::TZCLCustomDropDownEdit;
  Integer DropDowns = 0;

 protected:
  void DoDropDown() override {
    ++DropDowns;
    inherited::DoDropDown();
  }
};

struct TCounter {
  Integer Count = 0;
  void Event(TObject*) { ++Count; }
};

class DropDownTest : public ::testing::Test {
 public:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 400, 300);
    Form->SetBorderStyle(bsNone);
  }
  void TearDown() override {
    Form.reset();
    Headless::RunUntilIdle();
    UIAnimationsEnabled = true;
  }
  template <class T>
  T* Add() {
    auto* control = Create<T>(Form.get());
    control->SetParent(Form.get());
    return control;
  }
  void Show() {
    Form->Show();
    Headless::RunUntilIdle();
  }
  TOwned<TForm> Form;
};

TEST_F(DropDownTest, ArrowIsASquareLeftOfTheEditButtons) {
  auto* edit = Add<TTestDropDownEdit>();
  edit->SetAutoSize(false);
  edit->SetBounds(10, 10, 200, 21);
  edit->GetButtons()->Add(u"a");
  edit->GetButtons()->Add(u"b");
  const TRect arrow = edit->GetButtonSubClass()->GetBounds();
  const TRect first = edit->GetButtons()->GetItem(0)->GetSubClass()->GetBounds();
  EXPECT_EQ(arrow.Width(), 17);
  EXPECT_EQ(arrow.Height(), 17);
  EXPECT_EQ(arrow.Right, first.Left - 1);
  EXPECT_LE(edit->GetContentRect().Right, arrow.Left);
}

TEST_F(DropDownTest, ClosingRefusesReopeningFor200Ms) {
  auto* edit = Add<TTestDropDownEdit>();
  edit->SetAutoSize(false);
  edit->SetBounds(10, 10, 200, 21);
  Show();
  edit->SetDroppedDown(true);
  ASSERT_TRUE(edit->GetDroppedDown());
  EXPECT_TRUE(edit->GetButtonSubClass()->HasFlag(bfDown));
  edit->GetDropDown()->ClosePopup();
  Headless::RunUntilIdle();
  EXPECT_FALSE(edit->GetDroppedDown());
  edit->SetDroppedDown(true);  // the click that closed it
  EXPECT_FALSE(edit->GetDroppedDown());
  Headless::Advance(200);
  edit->SetDroppedDown(true);
  EXPECT_TRUE(edit->GetDroppedDown());
  EXPECT_EQ(edit->DropDowns, 3);  // asked every time, opened twice
  // Disabling closes at once.
  edit->SetEnabled(false);
  EXPECT_FALSE(edit->GetDroppedDown());
  edit->SetDroppedDown(true);
  EXPECT_FALSE(edit->GetDroppedDown());
}

TEST_F(DropDownTest, ClickOnTheArrowOfAnOpenListClosesItWithoutReopening) {
  auto* edit = Add<TTestDropDownEdit>();
  edit->SetAutoSize(false);
  edit->SetBounds(10, 10, 200, 21);
  Show();
  const TRect arrow = edit->GetButtonSubClass()->GetBounds();
  const TPoint p = edit->ClientToScreen(TPoint(arrow.Left + 5, arrow.Top + 5));
  Headless::Click(p);
  Headless::RunUntilIdle();
  ASSERT_TRUE(edit->GetDroppedDown());
  Headless::Click(p);
  Headless::RunUntilIdle();
  EXPECT_FALSE(edit->GetDroppedDown());
  Headless::Advance(250);
  Headless::Click(p);
  Headless::RunUntilIdle();
  EXPECT_TRUE(edit->GetDroppedDown());
  edit->SetDroppedDown(false);
}

TEST_F(DropDownTest, DropDownLendsItsControlToThePopupAndTakesItBack) {
  auto* dropDown = Add<TZCLDropDown>();
  dropDown->SetName(u"Drop");
  Show();
  dropDown->SetDroppedDown(true);
  EXPECT_FALSE(dropDown->GetDroppedDown());  // no control

  EXPECT_THROW(dropDown->SetControl(dropDown), EInvalidArgument);
  EXPECT_THROW(dropDown->SetControl(Form.get()), EInvalidArgument);
  auto* content = Create<TZCLContainer>(Form.get());
  content->SetParent(Form.get());
  content->SetBounds(0, 0, 120, 90);
  content->SetAlign(alClient);
  dropDown->SetControl(content);
  dropDown->SetDroppedDown(true);
  ASSERT_TRUE(dropDown->GetDroppedDown());
  EXPECT_EQ(content->GetParent(), dropDown->GetDropDown());
  EXPECT_TRUE(content->GetVisible());
  dropDown->SetDroppedDown(false);
  EXPECT_EQ(content->GetParent(), dropDown);
  EXPECT_FALSE(content->GetVisible());
  EXPECT_EQ(content->GetAlign(), alNone);
  Free(content);
  EXPECT_EQ(dropDown->GetControl(), nullptr);
}

TEST_F(DropDownTest, SearchBoxWaitsForTypingToPause) {
  auto* search = Add<TZCLSearchEdit>();
  search->SetBounds(10, 10, 200, 21);
  TCounter changes;
  search->OnChange = TNotifyEvent(&changes, &TCounter::Event);
  Show();
  search->SetFocus();
  Headless::RunUntilIdle();
  Headless::TypeText(u"abc");
  Headless::RunUntilIdle();
  EXPECT_EQ(search->GetText(), u"abc");
  EXPECT_TRUE(search->GetButtons()->GetItem(0)->GetVisible());
  Headless::Advance(749);
  EXPECT_EQ(changes.Count, 0);
  Headless::Advance(1);
  EXPECT_EQ(changes.Count, 1);
  Headless::Advance(2000);
  EXPECT_EQ(changes.Count, 1);

  Headless::TypeText(u"d");
  Headless::KeyPress(VK_RETURN);
  Headless::RunUntilIdle();
  EXPECT_EQ(changes.Count, 2);
  Headless::KeyPress(VK_ESCAPE);
  Headless::RunUntilIdle();
  EXPECT_EQ(search->GetText(), u"");
  EXPECT_FALSE(search->GetButtons()->GetItem(0)->GetVisible());
  EXPECT_EQ(changes.Count, 3);
  Headless::Advance(2000);
  EXPECT_EQ(changes.Count, 3);
}

TEST_F(DropDownTest, SearchBoxHandsTheFocusOnAndClampsItsDelay) {
  auto* search = Add<TZCLSearchEdit>();
  search->SetBounds(10, 10, 200, 21);
  auto* list = Add<TZCLEdit>();
  list->SetBounds(10, 50, 200, 21);
  search->SetFocusControl(list);
  Show();
  search->SetFocus();
  Headless::RunUntilIdle();
  EXPECT_EQ(search->Perform(CM_WANTSPECIALKEY, VK_ESCAPE), 1);
  Headless::KeyPress(VK_ESCAPE);
  Headless::RunUntilIdle();
  EXPECT_TRUE(list->Focused());

  struct Case {
    Integer Set, Stored;
  } cases[] = {{10000, 5000}, {0, 1}, {-5, 1}, {300, 300}};
  for (const Case& c : cases) {
    search->SetChangeDelay(c.Set);
    EXPECT_EQ(search->GetChangeDelay(), c.Stored) << c.Set;
  }
}

}  // namespace

namespace {

TEST_F(DropDownTest, DialogSearchLooksInsideTheDroppedControl) {
  auto* dropDown = Add<TZCLDropDown>();
  auto* content = Create<TZCLContainer>(Form.get());
  content->SetParent(dropDown);
  auto* inner = Create<TZCLLabel>(Form.get());
  inner->SetParent(content);
  inner->SetCaption(u"Inside");
  dropDown->SetControl(content);
  TZCLUIInsightCandidates candidates;
  TZCLUIInsightSearchQueueBuilder builder(&candidates);
  builder.Add(dropDown);
  ASSERT_EQ(candidates.GetCount(), 1);
  EXPECT_EQ(candidates[0]->Text, u"Inside");
  EXPECT_EQ(candidates[0]->Controls, (std::vector<TObject*>{dropDown, inner}));
  const TZCLUIInsightAdapter* adapter;
  ASSERT_TRUE(TZCLUIInsight::GetAdapter(dropDown, adapter));
  EXPECT_FALSE(adapter->MakeVisible(dropDown));
}

}  // namespace
