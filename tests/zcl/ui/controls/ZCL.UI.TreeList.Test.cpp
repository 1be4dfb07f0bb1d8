#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Messages.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.h"

namespace {

using namespace testskin;

// Records the keys the editor hands back to the tree list; the tree list's own navigation then
// shows where they landed.
class TKeyedSubClass : public TZCLTreeListSubClass {
  ZCL_CLASS(TKeyedSubClass, TZCLTreeListSubClass)
 public:
  using TZCLTreeListSubClass::TZCLTreeListSubClass;
  std::vector<Word> Keys;

 protected:
  void ProcessKeyDown(Word& Key, TShiftState Shift) override {
    Keys.push_back(Key);
    inherited::ProcessKeyDown(Key, Shift);
  }
};

class TKeyedTreeList : public TZCLTreeList {
  ZCL_CLASS(TKeyedTreeList, TZCLTreeList)
 public:
  using TZCLTreeList::TZCLTreeList;
  TKeyedSubClass* Keyed() const { return static_cast<TKeyedSubClass*>(GetSubClass()); }

 protected:
  TZCLCompoundControlSubClass* CreateSubClass() override { return Create<TKeyedSubClass>(this); }
};

// An editor that keeps the arrow keys, as a multi-line one would.
class TArrowsEdit : public TZCLEdit {
  ZCL_CLASS(TArrowsEdit, TZCLEdit)
  VCL_MESSAGES()
 public:
  using TZCLEdit::TZCLEdit;
  void WMGetDlgCode(TMessage& Message) { Message.Result = DLGC_WANTARROWS; }
};

const TMessageTable& TArrowsEdit::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(), {VCL_MESSAGE(WM_GETDLGCODE, &TArrowsEdit::WMGetDlgCode)});
  return table;
}

class TreeListControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 400, 300);
    Form->SetBorderStyle(bsNone);
    List = Create<TKeyedTreeList>(Form.get());
    List->SetResourceCollection(Skin.Get());
    List->SetParent(Form.get());
    List->SetBounds(0, 0, 300, 200);
    Tree = List->GetSubClass();
    Tree->GetOptionsBehavior()->SetEditing(true);
    Name = List->GetColumns()->Add(u"Name");
    Value = List->GetColumns()->Add(u"Value");
    for (auto values : {std::initializer_list<String>{u"b", u"2"}, {u"a", u"1"}, {u"c", u"3"}})
      List->GetRootNode()->AddChild(values);
    Tree->OnEditing = TZCLTreeListEditingEvent(this, &TreeListControlTest::Editing);
    Tree->OnEdited = TZCLTreeListEditedEvent(this, &TreeListControlTest::Edited);
    Form->Show();
    List->SetFocus();
    Headless::RunUntilIdle();
  }
  void TearDown() override {
    Form.reset();
    UIAnimationsEnabled = true;
  }

  TZCLTreeListNode* Row(Integer Index) { return (*List->GetAbsoluteVisibleNodes())[Index]; }
  TZCLEdit* Editor() { return dynamic_cast<TZCLEdit*>(List->GetEditingController()->GetEdit()); }
  // Opens the editor on a row's value column and types a new text into it.
  void EditRow(Integer Index, StringView Text) {
    List->SetFocusedNode(Row(Index));
    Tree->StartEditing(Row(Index), Value);
    Headless::RunUntilIdle();
    ASSERT_NE(Editor(), nullptr);
    Headless::TypeText(Text);
    Headless::RunUntilIdle();
  }
  void Key(WORD VirtKey) {
    Headless::KeyPress(VirtKey);
    Headless::RunUntilIdle();
  }

 public:
  void Editing(TObject*, Integer AColumnIndex, Integer ARowIndex, String& AValue) {
    Log.push_back(u"editing " + IntToStr(AColumnIndex) + u" " + IntToStr(ARowIndex) + u" " + AValue);
    if (AValue == u"upper") AValue = u"UPPER";
    if (AValue == u"resort") Tree->SortBy(Name, sdDescending, true);
  }
  void Edited(TObject*, Integer AColumnIndex, Integer ARowIndex) {
    Log.push_back(u"edited " + IntToStr(AColumnIndex) + u" " + IntToStr(ARowIndex));
  }
  TComponent* CreateNothing(TObject*, const TZCLInplaceInfo&, bool& AHandled) {
    AHandled = true;
    return nullptr;
  }
  TComponent* CreateArrowsEdit(TObject*, const TZCLInplaceInfo& AParams, bool&) {
    return TZCLCustomEdit::CreateInplace<TArrowsEdit>(AParams);
  }

  std::vector<String> Log;
  TTestSkin Skin;
  TOwned<TForm> Form;
  TKeyedTreeList* List = nullptr;
  TZCLTreeListSubClass* Tree = nullptr;
  TZCLTreeListColumn* Name = nullptr;
  TZCLTreeListColumn* Value = nullptr;
};

TEST_F(TreeListControlTest, EditorSitsOverTheCellWithTheNodeValueAndFocus) {
  List->SetFocusedNode(Row(1));
  Tree->StartEditing(Row(1), Value);
  Headless::RunUntilIdle();
  ASSERT_NE(Editor(), nullptr);
  const TZCLInplaceInfo& params = List->GetEditingController()->GetParams();
  EXPECT_EQ(params.RowIndex, 1);
  EXPECT_EQ(params.ColumnIndex, 1);
  EXPECT_EQ(params.Parent, List);
  TZCLCompoundControlBaseContentCell* cell = nullptr;
  ASSERT_TRUE(Tree->GetContent()->GetCells()->Find(Row(1), cell));
  const TRect row = cell->AbsoluteBounds();
  TZCLTreeListColumnViewInfo* header = Tree->GetContent()->GetColumnBar()->FindColumnViewInfo(Value);
  // One pixel off at the top and bottom, and on the right where a vertical grid line runs.
  const Integer right = header->GetBounds().Right - (Tree->GetContent()->GetNodeViewInfo()->VertGridLine ? 1 : 0);
  EXPECT_EQ(params.Bounds, TRect(header->GetBounds().Left, row.Top + 1, right, row.Bottom - 1));
  EXPECT_GT(params.TextBounds.Left, params.Bounds.Left);
  EXPECT_EQ(Editor()->GetText(), u"1");
  EXPECT_EQ(List->GetFocusedColumn(), Value);
  EXPECT_TRUE(List->Focused());
  EXPECT_TRUE(List->GetEditingController()->IsEditing(Row(1), Value));
  EXPECT_FALSE(List->GetEditingController()->IsEditing(Row(1), Name));
}

TEST_F(TreeListControlTest, EnterStoresThroughOnEditingAndOnEditedEscKeepsTheValue) {
  EditRow(0, u"upper");
  EXPECT_TRUE(List->GetEditingController()->IsModified());
  Key(VK_RETURN);
  EXPECT_EQ(List->GetEditingController()->GetEdit(), nullptr);
  EXPECT_EQ(Row(0)->GetValue(1), u"UPPER");
  EXPECT_EQ(Log, (std::vector<String>{u"editing 1 0 upper", u"edited 1 0"}));
  EXPECT_TRUE(List->Focused());

  Log.clear();
  EditRow(2, u"zzz");
  Key(VK_ESCAPE);
  EXPECT_EQ(List->GetEditingController()->GetEdit(), nullptr);
  EXPECT_EQ(Row(2)->GetValue(1), u"3");
  EXPECT_TRUE(Log.empty());
}

TEST_F(TreeListControlTest, DownStoresAndMovesToTheNextRowUnlessTheEditorWantsArrows) {
  EditRow(0, u"20");
  Key(VK_DOWN);
  EXPECT_EQ(Row(0)->GetValue(1), u"20");
  EXPECT_EQ(List->GetEditingController()->GetEdit(), nullptr);
  EXPECT_EQ(List->Keyed()->Keys, std::vector<Word>{VK_DOWN});
  EXPECT_EQ(List->GetFocusedNode(), Row(1));

  Tree->OnEditCreate = TZCLTreeListEditCreateEvent(this, &TreeListControlTest::CreateArrowsEdit);
  EditRow(1, u"10");
  Key(VK_DOWN);
  EXPECT_NE(List->GetEditingController()->GetEdit(), nullptr);
  EXPECT_EQ(Row(1)->GetValue(1), u"1");
  EXPECT_EQ(List->GetFocusedNode(), Row(1));
}

TEST_F(TreeListControlTest, TreeChangesCloseTheEditorAndLeavingTheTreeStores) {
  // A change of the selection closes without storing...
  EditRow(0, u"x");
  List->SetFocusedNode(Row(2));
  EXPECT_EQ(List->GetEditingController()->GetEdit(), nullptr);
  EXPECT_EQ(List->GetRootNode()->GetChild(0)->GetValue(1), u"2");
  // ...unless the controller applies on changes.
  List->GetEditingController()->ApplyOnChanges = true;
  EditRow(0, u"y");
  List->SetFocusedNode(Row(2));
  EXPECT_EQ(List->GetRootNode()->GetChild(0)->GetValue(1), u"y");
  List->GetEditingController()->ApplyOnChanges = false;

  // Moving the keyboard focus out of the tree list stores.
  auto* other = Create<TZCLEdit>(Form.get());
  other->SetParent(Form.get());
  other->SetBounds(0, 250, 100, 21);
  EditRow(1, u"z");
  other->SetFocus();
  Headless::RunUntilIdle();
  EXPECT_EQ(List->GetEditingController()->GetEdit(), nullptr);
  EXPECT_EQ(List->GetRootNode()->GetChild(1)->GetValue(1), u"z");
  EXPECT_FALSE(List->Focused());
}

TEST_F(TreeListControlTest, EditingTheSortedColumnResortsOthersDoNot) {
  Tree->SortBy(Name, sdAscending, true);
  EXPECT_EQ(Row(0)->GetValue(0), u"a");
  // Another column: the rows stay as they are.
  EditRow(0, u"9");
  Key(VK_RETURN);
  EXPECT_EQ(Row(0)->GetValue(0), u"a");
  EXPECT_EQ(Row(0)->GetValue(1), u"9");
  // The sort column: "a" becomes "d" and moves to the end.
  List->SetFocusedNode(Row(0));
  Tree->StartEditing(Row(0), Name);
  Headless::RunUntilIdle();
  Headless::TypeText(u"d");
  Key(VK_RETURN);
  EXPECT_EQ(Row(0)->GetValue(0), u"b");
  EXPECT_EQ(Row(2)->GetValue(0), u"d");
}

// The rows move under the editor while OnEditing runs: the value still reaches the edited node.
TEST_F(TreeListControlTest, AValueStoredAfterTheRowsMovedGoesToTheEditedNode) {
  TZCLTreeListNode* edited = Row(0);
  EditRow(0, u"resort");
  Key(VK_RETURN);
  EXPECT_EQ(Row(0)->GetValue(0), u"c");
  EXPECT_EQ(Row(0)->GetValue(1), u"3");
  EXPECT_EQ(Row(1), edited);
  EXPECT_EQ(edited->GetValue(1), u"resort");
  EXPECT_EQ(Log.back(), u"edited 1 1");
}

TEST_F(TreeListControlTest, NoEditorForHiddenCellsDisabledEditingOrAHandledNilEditor) {
  TZCLTreeListNode* child = Row(0)->AddChild({u"child", u"c"});
  Row(0)->SetExpanded(false);
  Headless::RunUntilIdle();
  try {
    Tree->StartEditing(child, Value);
    FAIL() << "no exception";
  } catch (const EZCLTreeListException& e) {
    EXPECT_EQ(e.GetMessage(), u"Cannot edit a hidden cell");
  }
  Value->SetVisible(false);
  EXPECT_THROW(Tree->StartEditing(Row(0), Value), EZCLTreeListException);
  EXPECT_FALSE(List->GetEditingController()->IsEditing());
  Value->SetVisible(true);

  Tree->OnEditCreate = TZCLTreeListEditCreateEvent(this, &TreeListControlTest::CreateNothing);
  Tree->StartEditing(Row(0), Value);
  EXPECT_FALSE(List->GetEditingController()->IsEditing());
  Tree->OnEditCreate = nullptr;

  Tree->GetOptionsBehavior()->SetEditing(false);
  Tree->StartEditing(Row(0), Value);
  EXPECT_FALSE(List->GetEditingController()->IsEditing());
}

TEST_F(TreeListControlTest, ControlAnswersDialogCodesAndOpacityFollowsTheBackground) {
  EXPECT_EQ(List->Perform(WM_GETDLGCODE, 0, 0), 0x81);

  EXPECT_TRUE(List->GetControlStyle().Contains(csOpaque));
  TOwned<TZCLStyleTreeList> translucent(Create<TZCLStyleTreeList>(static_cast<TObject*>(nullptr)));
  translucent->Assign(List->GetStyle());
  translucent->GetColor(1)->SetValue(0x80FFFFFF);
  List->SetStyle(translucent.get());
  EXPECT_FALSE(List->GetControlStyle().Contains(csOpaque));
  translucent->GetColor(1)->SetValue(0xFFFFFFFF);
  List->SetStyle(translucent.get());
  EXPECT_TRUE(List->GetControlStyle().Contains(csOpaque));
}

TEST_F(TreeListControlTest, PublishedEventsReachTheEngine) {
  // The older name fills OnEditing and is never written.
  TMethod handler = GetMethodProp(List, u"OnEditing");
  SetMethodProp(List, u"OnEditing", TMethod());
  EXPECT_FALSE(Tree->OnEditing);
  SetMethodProp(List, u"OnEditApply", handler);
  EXPECT_EQ(Tree->OnEditing, TZCLTreeListEditingEvent(this, &TreeListControlTest::Editing));
  EXPECT_FALSE(IsStoredProp(List, u"OnEditApply"));
  EXPECT_TRUE(IsStoredProp(List, u"OnEditing"));

  // The node class handler keeps its check when set as a property.
  struct TClassHandler {
    void Get(TObject*, TClass& AClass) { AClass = TZCLTreeListStringNode::StaticClass(); }
  } classHandler;
  TMethod nodeClass = TZCLTreeListGetNodeClassEvent(&classHandler, &TClassHandler::Get).AsMethod();
  EXPECT_THROW(SetMethodProp(List, u"OnGetNodeClass", nodeClass), EInvalidOperation);
}

TEST(TreeList, ColumnsOptionsAndStylesStreamOutAndBackIn) {
  TOwned<TZCLTreeList> list(Create<TZCLTreeList>(static_cast<TComponent*>(nullptr)));
  list->GetColumns()->Add(u"Name");
  list->GetColumns()->Add(u"Value")->SetWidth(77);
  list->GetOptionsBehavior()->SetEditing(true);
  list->GetOptionsBehavior()->SetEditingStartingMode(esmOnSingleClick);
  list->GetStyle()->GetColor(1)->SetValue(0xFF123456);
  TMemoryStream stream;
  WriteComponent(&stream, list.get());
  stream.SetPosition(0);

  TOwned<TZCLTreeList> back(Create<TZCLTreeList>(static_cast<TComponent*>(nullptr)));
  ReadComponent(&stream, back.get());
  ASSERT_EQ(back->GetColumns()->GetCount(), 2);
  EXPECT_EQ((*back->GetColumns())[0]->GetCaption(), u"Name");
  EXPECT_EQ((*back->GetColumns())[1]->GetWidth(), 77);
  EXPECT_TRUE(back->GetOptionsBehavior()->GetEditing());
  EXPECT_EQ(back->GetOptionsBehavior()->GetEditingStartingMode(), esmOnSingleClick);
  EXPECT_EQ(back->GetStyle()->GetColor(1)->GetValue(), 0xFF123456u);
  EXPECT_TRUE(back->GetTabStop());
  EXPECT_TRUE(back->GetFocusOnClick());
}

TEST_F(TreeListControlTest, ColumnLayoutSurvivesAnIniRoundTrip) {
  Value->SetDrawIndex(0);
  Name->SetWidth(61);
  List->GetColumns()->Add(u"Hidden")->SetVisible(false);
  Tree->SortBy(Value, sdDescending, true);
  TOwned<TZCLIniFile> ini(TZCLIniFile::CreateInMemory());
  Tree->ConfigSave(ini.get(), u"Form", u"List");

  auto* fresh = Create<TZCLTreeList>(Form.get());
  fresh->SetParent(Form.get());
  fresh->GetOptionsCustomizing()->SetColumnOrder(true);
  fresh->GetOptionsCustomizing()->SetColumnVisibility(true);
  for (const char16_t* caption : {u"Name", u"Value", u"Hidden"}) fresh->GetColumns()->Add(caption);
  fresh->GetSubClass()->ConfigLoad(ini.get(), u"Form", u"List");
  TZCLTreeListColumns* columns = fresh->GetColumns();
  EXPECT_EQ(columns->GetDrawingItem(0), (*columns)[1]);
  EXPECT_EQ((*columns)[0]->GetWidth(), 61);
  EXPECT_FALSE((*columns)[2]->GetVisible());
  EXPECT_EQ((*columns)[1]->SortDirection, sdDescending);
}

}  // namespace
