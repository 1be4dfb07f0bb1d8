#include <gtest/gtest.h>

#include <vector>

#include "ComboBoxTestSupport.h"
#include "ControlsTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.h"

namespace {

using namespace testskin;
using namespace comboprobe;

struct TProbe {
  Integer Selects = 0;
  std::vector<TObject*> Deleted;
  void Select(TObject*) { ++Selects; }
  void Delete(TObject*, TObject* Object) { Deleted.push_back(Object); }
};

class ComboBoxTest : public ::testing::Test {
 public:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 400, 300);
    Form->SetBorderStyle(bsNone);
    Box = Create<TZCLComboBox>(Form.get());
    Box->SetParent(Form.get());
    Box->SetBounds(10, 10, 200, 21);
    Box->OnSelect = TNotifyEvent(&Probe, &TProbe::Select);
    Box->OnDeleteItemObject = TZCLComboBoxDeleteItemObjectEvent(&Probe, &TProbe::Delete);
  }
  void TearDown() override {
    if (Box) Box->SetDroppedDown(false);
    Form.reset();
    Headless::RunUntilIdle();
    UIAnimationsEnabled = true;
  }
  void Show() {
    Form->Show();
    Headless::RunUntilIdle();
  }
  TZCLCustomComboBoxDropDown* Open() {
    Box->SetDroppedDown(true);
    Headless::RunUntilIdle();
    return dynamic_cast<TZCLCustomComboBoxDropDown*>(Box->GetDropDown());
  }
  TOwned<TForm> Form;
  TZCLComboBox* Box = nullptr;
  TProbe Probe;
};

TEST_F(ComboBoxTest, ListIsExactlyAsHighAsItsRows) {
  struct Case {
    Integer Set, Stored;
  } sizes[] = {{0, 1}, {30, 25}, {8, 8}};
  for (const Case& c : sizes) {
    Box->SetDropDownListSize(c.Set);
    EXPECT_EQ(Box->GetDropDownListSize(), c.Stored);
  }
  Show();
  auto* window = Open();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->CalculateHeight(), 2);
  EXPECT_EQ(window->GetClientHeight(), 2);
  Box->SetDroppedDown(false);
  Box->GetItems()->Add(u"One");
  Box->GetItems()->Add(u"Two");
  Box->GetItems()->Add(u"Three");
  Headless::Advance(250);
  window = Open();
  ASSERT_NE(window, nullptr);
  const Integer row = RowHeight(window->GetList());
  // The list's border, as far above the first row as below the last.
  const Integer border = RowRect(window->GetList(), 0).Top;
  EXPECT_GT(border, 0);
  EXPECT_EQ(window->GetClientHeight(), 3 * row + 2 * border);
  EXPECT_EQ(RowRect(window->GetList(), 2).Bottom, window->GetList()->GetClientHeight() - border);
  EXPECT_EQ(window->GetWidth(), Box->GetWidth());
  for (Integer i = 0; i < 20; ++i) Box->GetItems()->Add(u"More");
  Box->SetDroppedDown(false);
  Headless::Advance(250);
  window = Open();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(window->GetClientHeight(), 8 * row + 2 * border);
}

TEST_F(ComboBoxTest, TypingCompletesCaseSensitivelyButNeverOnBackspace) {
  Box->GetItems()->Add(u"Apple");
  Box->GetItems()->Add(u"Banana");
  Show();
  Box->SetFocus();
  Headless::RunUntilIdle();
  TZCLInnerEdit* inner = Box->GetInnerEdit();
  ASSERT_NE(inner, nullptr);
  Headless::KeyPress('A', u'A');
  Headless::RunUntilIdle();
  EXPECT_EQ(Box->GetText(), u"Apple");
  EXPECT_EQ(Box->GetItemIndex(), 0);
  EXPECT_EQ(inner->GetSelStart(), 1);
  EXPECT_EQ(inner->GetSelLength(), 4);
  Headless::KeyPress(VK_BACK);  // removes the completed part only
  Headless::RunUntilIdle();
  EXPECT_EQ(Box->GetText(), u"A");
  Headless::KeyPress(VK_BACK);
  Headless::KeyPress('A', u'a');
  Headless::RunUntilIdle();
  EXPECT_EQ(Box->GetText(), u"a");
  EXPECT_EQ(Box->GetItemIndex(), -1);
  EXPECT_EQ(Probe.Selects, 0);
}

TEST_F(ComboBoxTest, WheelAndArrowsMoveTheSelection) {
  Box->GetItems()->Add(u"One");
  Box->GetItems()->Add(u"Two");
  Show();
  const TPoint centre = Box->ClientToScreen(TPoint(50, 10));
  for (int notches : {1, -1}) {
    Box->SetItemIndex(-1);
    Headless::Wheel(centre, notches);
    Headless::RunUntilIdle();
    EXPECT_EQ(Box->GetItemIndex(), 0) << notches;
  }
  Headless::Wheel(centre, -1);
  Headless::RunUntilIdle();
  EXPECT_EQ(Box->GetItemIndex(), 1);
  EXPECT_EQ(Box->GetText(), u"Two");
  Box->SetFocus();
  Headless::RunUntilIdle();
  Word key = VK_DOWN;
  Box->Perform(CM_WANTSPECIALKEY, VK_DOWN);
  EXPECT_EQ(Box->Perform(CM_WANTSPECIALKEY, VK_DOWN), 1);
  Headless::KeyPress(key);
  Headless::RunUntilIdle();
  EXPECT_EQ(Box->GetItemIndex(), 1);
  Headless::KeyPress(VK_UP);
  Headless::RunUntilIdle();
  EXPECT_EQ(Box->GetItemIndex(), 0);
  EXPECT_GE(Probe.Selects, 3);
}

TEST_F(ComboBoxTest, PickListKeepsTextToItems) {
  Box->GetItems()->Add(u"One");
  Box->GetItems()->Add(u"Two");
  Box->SetMode(cbmList);
  EXPECT_EQ(Box->GetInnerEdit(), nullptr);
  Box->SetText(u"Three");
  EXPECT_EQ(Box->GetText(), u"");
  EXPECT_EQ(Box->GetItemIndex(), -1);
  Box->SetText(u"Two");
  EXPECT_EQ(Box->GetItemIndex(), 1);
  EXPECT_EQ(Probe.Selects, 0);
  Box->SetItemIndex(0);
  EXPECT_EQ(Box->GetText(), u"One");
  EXPECT_EQ(Probe.Selects, 1);
  // Renaming the selected item inside an update keeps the index and follows the text.
  Box->GetItems()->BeginUpdate();
  Box->GetItems()->SetStrings(0, u"Uno");
  Box->SetItemIndex(0);
  Box->GetItems()->EndUpdate();
  EXPECT_EQ(Box->GetText(), u"Uno");
  EXPECT_EQ(Probe.Selects, 1);
}

TEST_F(ComboBoxTest, ClearingItemsReportsTheirObjectsLastFirst) {
  TObject a, b;
  Box->AddItem(u"A", &a);
  Box->AddItem(u"None", nullptr);
  Box->AddItem(u"B", &b);
  Box->SetItemIndex(2);
  EXPECT_EQ(Box->GetSelectedObject(), &b);
  EXPECT_EQ(Box->IndexOfObject(&a), 0);
  Box->GetItems()->Clear();
  EXPECT_EQ(Probe.Deleted, (std::vector<TObject*>{&b, &a}));
  EXPECT_EQ(Box->GetItemIndex(), -1);
  EXPECT_EQ(Box->GetSelectedObject(), nullptr);
}

class TStreamedComboBox : public TZCLComboBox {
  ZCL_CLASS(TStreamedComboBox, TZCLComboBox)
 public:
  using TZCLComboBox::TZCLComboBox;
  void StartLoading() { Loading(); }
};

TEST_F(ComboBoxTest, IndexReadWhileLoadingIsAppliedAfterwards) {
  auto* box = Create<TStreamedComboBox>(Form.get());
  box->SetParent(Form.get());
  box->OnSelect = TNotifyEvent(&Probe, &TProbe::Select);
  box->StartLoading();
  box->SetItemIndex(2);
  box->GetItems()->Add(u"A");
  box->GetItems()->Add(u"B");
  box->GetItems()->Add(u"C");
  EXPECT_EQ(Probe.Selects, 0);
  box->Loaded();
  EXPECT_EQ(box->GetItemIndex(), 2);
  EXPECT_EQ(box->GetText(), u"C");
  EXPECT_EQ(Probe.Selects, 1);
}

TEST_F(ComboBoxTest, ClickingARowSelectsAndClosesAndTheFilterNarrowsTheRows) {
  for (const char16_t* s : {u"Apple", u"Banana", u"Cherry"}) Box->GetItems()->Add(s);
  Show();
  auto* window = Open();
  ASSERT_NE(window, nullptr);
  TZCLTreeList* list = window->GetList();
  const TRect row = RowRect(list, 1);
  Headless::Click(list->ClientToScreen(TPoint(row.Left + 5, row.Top + 3)));
  Headless::RunUntilIdle();
  EXPECT_EQ(Box->GetItemIndex(), 1);
  EXPECT_EQ(Box->GetText(), u"Banana");
  EXPECT_FALSE(Box->GetDroppedDown());

  Headless::Advance(250);
  window = Open();
  list = window->GetList();
  EXPECT_EQ(FocusedItem(list), 1);
  list->GetSubClass()->GetIncSearch()->SetText(u"err");
  EXPECT_EQ(RowCount(list), 1);
  EXPECT_EQ(FocusedItem(list), 2);
}

// Group rows come from the item's group name, never take the focus and vanish with their items
// under the filter; the list handed to the preparer is the one that opens.
TEST_F(ComboBoxTest, OpenListGroupsItemsAndIsHandedToThePreparer) {
  struct TNames {
    TZCLComboBox* Box = nullptr;
    TZCLTreeList* Prepared = nullptr;
    void Group(TObject*, Integer Index, String& Text) { Text = Box->GetItems()->GetStrings(Index).substr(0, 1); }
    void Prepare(TObject*, TZCLTreeList* List) { Prepared = List; }
  } names;
  names.Box = Box;
  for (const char16_t* s : {u"Apple", u"Avocado", u"Banana"}) Box->GetItems()->Add(s);
  Box->SetMode(cbmList);
  Box->OnGetDisplayItemGroupName = TZCLComboBoxGetDisplayTextEvent(&names, &TNames::Group);
  Box->OnPrepareDropDownList = TZCLComboBoxPrepareDropDownListEvent(&names, &TNames::Prepare);
  Show();
  Box->SetFocus();
  Headless::RunUntilIdle();
  Headless::KeyPress(VK_F4);
  Headless::RunUntilIdle();
  auto* window = dynamic_cast<TZCLCustomComboBoxDropDown*>(Box->GetDropDown());
  ASSERT_NE(window, nullptr);
  TZCLTreeList* list = window->GetList();
  EXPECT_EQ(names.Prepared, list);
  EXPECT_EQ(list->GetGroupCount(), 2);
  EXPECT_EQ(RowCount(list), 5);
  EXPECT_EQ(window->GetClientHeight(), 5 * RowHeight(list) + 2 * RowRect(list, 0).Top);
  for (Integer expected : {0, 1, 2}) {
    Headless::KeyPress(VK_DOWN);
    Headless::RunUntilIdle();
    EXPECT_EQ(FocusedItem(list), expected);
  }
  list->GetSubClass()->GetIncSearch()->SetText(u"nan");
  EXPECT_EQ(RowCount(list), 2);
  EXPECT_EQ(FocusedItem(list), 2);
}

TEST_F(ComboBoxTest, CellEditorIsAPickListWhoseChoiceAppliesTheCell) {
  struct TApply {
    Integer Count = 0;
    void Apply(TObject*) { ++Count; }
  } apply;
  TZCLInplaceInfo info;
  info.Parent = Form.get();
  info.Bounds = TRect(0, 100, 150, 120);
  info.TextBounds = TRect(4, 100, 150, 120);
  info.OnApply = TNotifyEvent(&apply, &TApply::Apply);
  TZCLComboBox* cell = TZCLComboBox::CreateInplaceComboBox(info);
  EXPECT_EQ(cell->GetMode(), cbmList);
  cell->GetItems()->Add(u"x");
  cell->SetItemIndex(0);
  EXPECT_EQ(apply.Count, 1);
}

TEST_F(ComboBoxTest, DialogSearchFindsItemsAndTheTextOnlyWithoutSelection) {
  Box->GetItems()->Add(u"Red");
  Box->GetItems()->Add(u"Green");
  Box->SetText(u"Typed");
  TZCLUIInsightCandidates candidates;
  TZCLUIInsightSearchQueueBuilder builder(&candidates);
  builder.Add(Box);
  std::vector<String> texts;
  for (Integer i = 0; i < candidates.GetCount(); ++i) texts.push_back(candidates[i]->Text);
  EXPECT_EQ(texts, (std::vector<String>{u"Typed", u"Red", u"Green"}));
  Box->SetItemIndex(0);
  candidates.Clear();
  builder.Add(Box);
  EXPECT_EQ(candidates.GetCount(), 2);
}

}  // namespace

namespace {

TEST_F(ComboBoxTest, KeysGoToTheOpenListAndEnterApplies) {
  for (const char16_t* s : {u"Apple", u"Banana", u"Cherry"}) Box->GetItems()->Add(s);
  Box->SetMode(cbmList);
  Show();
  Box->SetFocus();
  Headless::RunUntilIdle();
  Headless::KeyPress(VK_F4);
  Headless::RunUntilIdle();
  ASSERT_TRUE(Box->GetDroppedDown());
  TZCLTreeList* list = static_cast<TZCLCustomComboBoxDropDown*>(Box->GetDropDown())->GetList();
  EXPECT_TRUE(list->Focused());
  Headless::KeyPress(VK_DOWN);
  Headless::KeyPress(VK_DOWN);
  Headless::RunUntilIdle();
  EXPECT_EQ(FocusedItem(list), 1);
  Headless::KeyPress(VK_RETURN);
  Headless::RunUntilIdle();
  EXPECT_FALSE(Box->GetDroppedDown());
  EXPECT_EQ(Box->GetItemIndex(), 1);
}

}  // namespace

namespace {

TEST_F(ComboBoxTest, LocalizingKeepsTheSelectedIndex) {
  Box->GetItems()->Add(u"One");
  Box->GetItems()->Add(u"Two");
  Box->SetItemIndex(1);
  const Integer selects = Probe.Selects;
  LangFile()->WriteString(u"ComboTest.Box", u"i[1]", u"Zwei");
  Box->Localize(u"ComboTest", u"Box");
  LangFile()->DeleteSection(u"ComboTest.Box");
  EXPECT_EQ(Box->GetItems()->GetStrings(1), u"Zwei");
  EXPECT_EQ(Box->GetItemIndex(), 1);
  EXPECT_EQ(Box->GetText(), u"Zwei");
  EXPECT_EQ(Probe.Selects, selects);
}

}  // namespace
