#include <gtest/gtest.h>

#include "ComboBoxTestSupport.h"
#include "ControlsTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.ImgList.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.Check.h"

namespace {

using namespace comboprobe;

struct TCounter {
  Integer Count = 0;
  void Event(TObject*) { ++Count; }
};

class CheckComboTest : public ::testing::Test {
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
    auto* box = Create<T>(Form.get());
    box->SetParent(Form.get());
    box->SetBounds(10, 10, 200, 21);
    return box;
  }
  TOwned<TForm> Form;
};

TEST_F(CheckComboTest, TextListsTheCheckedItemsInOrder) {
  auto* box = Add<TZCLCheckComboBox>();
  TCounter changes;
  box->OnChange = TNotifyEvent(&changes, &TCounter::Event);
  box->GetItems()->Add(u"A");
  box->GetItems()->Add(u"B", true);
  box->GetItems()->Add(u"C", true);
  EXPECT_EQ(box->GetText(), u"B;C;");
  struct Case {
    const char16_t* Set;
    const char16_t* Read;
    bool A, B, C;
  } cases[] = {
      {u"C;X;A", u"A;C;", true, false, true},
      {u"", u"", false, false, false},
      {u"B;;B;b", u"B;", false, true, false},
      {u"A;B;C;", u"A;B;C;", true, true, true},
  };
  for (const Case& c : cases) {
    box->SetText(c.Set);
    EXPECT_EQ(box->GetText(), String(c.Read));
    EXPECT_EQ(box->GetItems()->GetItem(0)->GetChecked(), c.A);
    EXPECT_EQ(box->GetItems()->GetItem(1)->GetChecked(), c.B);
    EXPECT_EQ(box->GetItems()->GetItem(2)->GetChecked(), c.C);
  }
  box->GetItems()->SetAllChecked(cbUnchecked);
  box->GetItems()->GetItem(1)->SetChecked(true);
  box->GetItems()->GetItem(2)->SetChecked(true);
  box->SetSeparator(u',');
  EXPECT_EQ(box->GetText(), u"B,C,");
  EXPECT_TRUE(box->IsSeparatorStored());
  box->GetItems()->SetAllChecked(cbGrayed);
  EXPECT_EQ(box->GetText(), u"B,C,");
  EXPECT_GT(changes.Count, 0);
}

TEST_F(CheckComboTest, ClickingARowTogglesItAndKeepsTheListOpen) {
  auto* box = Add<TZCLCheckComboBox>();
  box->GetItems()->Add(u"A");
  box->GetItems()->Add(u"B");
  TCounter changes;
  box->OnChange = TNotifyEvent(&changes, &TCounter::Event);
  Form->Show();
  Headless::RunUntilIdle();
  box->SetDroppedDown(true);
  Headless::RunUntilIdle();
  auto* window = dynamic_cast<TZCLCustomComboBoxDropDown*>(box->GetDropDown());
  ASSERT_NE(window, nullptr);
  TZCLTreeList* list = window->GetList();
  EXPECT_TRUE(list->GetOptionsView()->GetCheckBoxes());
  const TRect row = RowRect(list, 1);
  const TPoint p = list->ClientToScreen(TPoint(row.Right - 10, row.Top + 3));
  Headless::Click(p);
  Headless::RunUntilIdle();
  EXPECT_EQ(box->GetText(), u"B;");
  EXPECT_EQ(changes.Count, 1);
  EXPECT_TRUE(box->GetDroppedDown());
  Headless::Click(p);
  Headless::RunUntilIdle();
  EXPECT_EQ(box->GetText(), u"");
  EXPECT_EQ(changes.Count, 2);
  box->SetDroppedDown(false);
}

// The header bar tops the check list only when there is more than one item to check; the popup
// grows by its height and a click on it toggles nothing.
TEST_F(CheckComboTest, HeaderBarOnlyAboveSeveralItems) {
  Form->Show();
  for (const Integer count : {1, 2}) {
    auto* box = Add<TZCLCheckComboBox>();
    for (Integer i = 0; i < count; ++i) box->GetItems()->Add(u"Item");
    box->SetDroppedDown(true);
    Headless::RunUntilIdle();
    auto* window = dynamic_cast<TZCLCustomComboBoxDropDown*>(box->GetDropDown());
    ASSERT_NE(window, nullptr);
    TZCLTreeList* list = window->GetList();
    EXPECT_EQ(list->GetOptionsView()->GetColumns()->GetVisible(), count > 1);
    const Integer header = Content(list)->GetColumnBarHeight();
    EXPECT_EQ(header > 0, count > 1);
    const Integer border = RowRect(list, 0).Top - header;
    EXPECT_GT(border, 0);
    EXPECT_EQ(window->CalculateHeight(), count * RowHeight(list) + 2 * border + header);
    EXPECT_EQ(RowRect(list, count - 1).Bottom, list->GetClientHeight() - border);
    if (count > 1) {
      Headless::Click(list->ClientToScreen(TPoint(list->GetClientWidth() / 2, border + header / 2)));
      Headless::RunUntilIdle();
      EXPECT_EQ(box->GetText(), u"");
    }
    box->SetDroppedDown(false);
    Headless::RunUntilIdle();
  }
}

TEST_F(CheckComboTest, ImageComboBoxKeepsRoomForItsImageAndAValidIndex) {
  auto* box = Add<TZCLImageComboBox>();
  box->GetItems()->Add(u"Red", 0);
  box->GetItems()->Add(u"Green", 1);
  box->GetItems()->Add(u"Blue", 2);
  const Integer plain = box->GetContentRect().Left;
  EXPECT_TRUE(box->GetImageRect().IsEmpty());
  auto* images = Create<TImageList>(Form.get());
  images->SetSize(16, 16);
  box->SetImages(images);
  EXPECT_EQ(box->GetContentRect().Left, plain + 18);
  EXPECT_EQ(box->GetImageRect().Left, plain);
  EXPECT_EQ(box->GetImageRect().Width(), 16);

  TCounter changes, selects;
  box->OnChange = TNotifyEvent(&changes, &TCounter::Event);
  box->OnSelect = TNotifyEvent(&selects, &TCounter::Event);
  box->SetItemIndex(2);
  EXPECT_EQ(box->GetText(), u"Blue");
  EXPECT_EQ(selects.Count, 1);
  changes.Count = 0;
  box->GetItems()->Delete(2);
  EXPECT_EQ(box->GetItemIndex(), 1);
  EXPECT_EQ(box->GetText(), u"Green");
  EXPECT_GE(changes.Count, 1);
  Form->Show();
  box->SetDroppedDown(true);
  Headless::RunUntilIdle();
  auto* window = dynamic_cast<TZCLCustomComboBoxDropDown*>(box->GetDropDown());
  ASSERT_NE(window, nullptr);
  TZCLTreeList* list = window->GetList();
  EXPECT_EQ(list->GetOptionsView()->GetNodes()->GetImages(), images);
  ASSERT_EQ(list->GetRootNode()->GetChildrenCount(), 2);
  EXPECT_EQ(list->GetRootNode()->GetChild(1)->GetImageIndex(), 1);
  EXPECT_EQ(FocusedItem(list), 1);
  box->SetDroppedDown(false);
  Headless::RunUntilIdle();
  Free(images);
  EXPECT_EQ(box->GetImages(), nullptr);
  EXPECT_EQ(box->GetContentRect().Left, plain);
}

TEST_F(CheckComboTest, DialogSearchOffersTheItemTexts) {
  auto* check = Add<TZCLCheckComboBox>();
  check->GetItems()->Add(u"One");
  auto* image = Add<TZCLImageComboBox>();
  image->GetItems()->Add(u"Two");
  TZCLUIInsightCandidates candidates;
  TZCLUIInsightSearchQueueBuilder builder(&candidates);
  builder.Add(check);
  builder.Add(image);
  std::vector<String> texts;
  for (Integer i = 0; i < candidates.GetCount(); ++i) texts.push_back(candidates[i]->Text);
  EXPECT_EQ(texts, (std::vector<String>{u"One", u"Two"}));
}

}  // namespace
