#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/ui/treelist/ZCL.UI.CompoundControl.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Sorting.h"

namespace {

using namespace testskin;

class TEngineTreeList : public TZCLCompoundControl {
  ZCL_CLASS(TEngineTreeList, TZCLCompoundControl)
 public:
  using TZCLCompoundControl::TZCLCompoundControl;
  TZCLTreeListSubClass* Tree() const { return static_cast<TZCLTreeListSubClass*>(GetSubClass()); }

 protected:
  TZCLCompoundControlSubClass* CreateSubClass() override { return Create<TZCLTreeListSubClass>(this); }
};

class TreeListEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 400, 300);
    List = Create<TEngineTreeList>(Form.get());
    List->SetResourceCollection(Skin.Get());
    List->SetParent(Form.get());
    List->SetBounds(0, 0, 300, 200);
    Tree = List->Tree();
    Tree->GetStyle()->SetCollection(Skin.Get());
    Tree->GetStyleScrollBox()->SetCollection(Skin.Get());
  }
  void TearDown() override { Form.reset(); }

  void AddRows(std::initializer_list<std::initializer_list<String>> Rows) {
    for (auto values : Rows) Tree->GetRootNode()->AddChild(values);
  }
  std::vector<String> Column(Integer Index) {
    std::vector<String> result;
    for (Integer i = 0; i < Tree->GetRootNode()->GetChildrenCount(); ++i)
      result.push_back(Tree->GetRootNode()->GetChild(i)->GetValue(Index));
    return result;
  }

 public:
  void SortReset(TObject*) { ++Resets; }
  void NodeDeleted(TObject*, TZCLTreeListNode* Node) { Deleted.push_back(Node); }
  void GetNodeClass(TObject*, TClass& AClass) {
    ++ClassRequests;
    AClass = TZCLTreeListStringNode::StaticClass();
  }

  Integer Resets = 0, ClassRequests = 0;
  std::vector<TZCLTreeListNode*> Deleted;
  TTestSkin Skin;
  TOwned<TForm> Form;
  TEngineTreeList* List = nullptr;
  TZCLTreeListSubClass* Tree = nullptr;
};

// Rows equal by the sort column keep their previous order on every pass.
TEST_F(TreeListEngineTest, HeaderClicksCycleAscendingDescendingThenUnsorted) {
  TZCLTreeListColumn* name = Tree->GetColumns()->Add(u"Name");
  Tree->GetColumns()->Add(u"Id");
  AddRows({{u"b", u"1"}, {u"c", u"2"}, {u"a", u"3"}, {u"b", u"4"}});
  Tree->OnSortReset = TNotifyEvent(this, &TreeListEngineTest::SortReset);

  Tree->ProcessColumnClick(TMouseButton::Left, TShiftState(), name);
  EXPECT_EQ(name->SortDirection, sdAscending);
  EXPECT_EQ(Column(1), (std::vector<String>{u"3", u"1", u"4", u"2"}));
  Tree->ProcessColumnClick(TMouseButton::Left, TShiftState(), name);
  EXPECT_EQ(name->SortDirection, sdDescending);
  EXPECT_EQ(Column(1), (std::vector<String>{u"2", u"1", u"4", u"3"}));
  EXPECT_EQ(Resets, 0);
  Tree->ProcessColumnClick(TMouseButton::Left, TShiftState(), name);
  EXPECT_EQ(name->SortDirection, sdDefault);
  EXPECT_EQ(Tree->GetSortByList()->GetCount(), 0);
  EXPECT_EQ(Resets, 1);
  EXPECT_EQ(Column(1), (std::vector<String>{u"2", u"1", u"4", u"3"}));
}

TEST_F(TreeListEngineTest, SingleModeDropsFirstColumnMultiModeKeepsIt) {
  TZCLTreeListColumn* a = Tree->GetColumns()->Add(u"A");
  TZCLTreeListColumn* b = Tree->GetColumns()->Add(u"B");
  AddRows({{u"x", u"2"}, {u"y", u"1"}});
  Tree->SortBy(a, sdAscending, false);
  Tree->ProcessColumnClick(TMouseButton::Left, TShiftState{ssCtrl}, b);
  EXPECT_EQ(Tree->GetSortByList()->GetCount(), 2);
  Tree->GetOptionsBehavior()->SetSortingMode(tlsmSingle);
  Tree->SortBy(a, sdAscending, false);
  Tree->SortBy(b, sdAscending, false);
  ASSERT_EQ(Tree->GetSortByList()->GetCount(), 1);
  EXPECT_EQ(a->SortDirection, sdDefault);
  EXPECT_EQ(Column(0), (std::vector<String>{u"y", u"x"}));
}

TEST_F(TreeListEngineTest, CompareModesOrderValues) {
  struct Case {
    TZCLTreeListCompareMode Mode;
    String First, Second;
  } cases[] = {
      {tlcmSmart, u"a2", u"a10"},
      {tlcmString, u"a10", u"a2"},
      {tlcmInteger, u"9", u"10"},
      // Far apart with opposite signs: a difference would overflow and flip the order.
      {tlcmInteger, u"-2147483648", u"2147483647"},
  };
  TZCLTreeListColumn* column = Tree->GetColumns()->Add(u"Value");
  Integer row = 0;
  for (const Case& c : cases) {
    ++row;
    Tree->Clear();
    AddRows({{c.Second}, {c.First}});
    column->SetCompareMode(c.Mode);
    Tree->SortBy(column, sdAscending, true);
    EXPECT_EQ(Column(0), (std::vector<String>{c.First, c.Second})) << "case " << row;
    Tree->SortBy(column, sdDescending, true);
    EXPECT_EQ(Column(0), (std::vector<String>{c.Second, c.First})) << "case " << row;
  }
}

TEST_F(TreeListEngineTest, GroupingByTwoColumnsJoinsCaptionsInFirstNodeOrder) {
  TZCLTreeListColumn* a = Tree->GetColumns()->Add(u"A");
  TZCLTreeListColumn* b = Tree->GetColumns()->Add(u"B");
  Tree->GetOptionsBehavior()->SetGroups(true);
  AddRows({{u"x", u"z", u"1"}, {u"x", u"y", u"2"}, {u"x", u"z", u"3"}});
  Tree->GroupBy(a, true);
  Tree->GroupBy(b, false);
  ASSERT_EQ(Tree->GetGroups()->GetCount(), 2);
  EXPECT_EQ((*Tree->GetGroups())[0]->GetCaption(), u"x / z");
  EXPECT_EQ((*Tree->GetGroups())[1]->GetCaption(), u"x / y");
  // No sort columns: groups follow their first nodes, the nodes keep their order within.
  EXPECT_EQ(Column(2), (std::vector<String>{u"1", u"3", u"2"}));
  Tree->ResetGrouping();
  EXPECT_EQ(Tree->GetGroups()->GetCount(), 0);
}

TEST_F(TreeListEngineTest, NodeClassHandlerCannotChangeOnceNodesExist) {
  Tree->SetOnGetNodeClass(TZCLTreeListGetNodeClassEvent(this, &TreeListEngineTest::GetNodeClass));
  AddRows({{u"a"}});
  EXPECT_EQ(ClassRequests, 1);
  try {
    Tree->SetOnGetNodeClass(TZCLTreeListGetNodeClassEvent());
    FAIL() << "no error";
  } catch (const EInvalidOperation& E) {
    EXPECT_EQ(E.GetMessage(), u"Cannot change class of nodes if nodes are already created");
  }
  Tree->Clear();
  EXPECT_NO_THROW(Tree->SetOnGetNodeClass(TZCLTreeListGetNodeClassEvent()));
}

// A selected grandchild under an unselected child of a selected node is freed once, with its
// ancestor.
TEST_F(TreeListEngineTest, DeleteSelectedFreesEachNodeOnce) {
  Tree->GetOptionsSelection()->SetMultiSelect(true);
  TZCLTreeListNode* top = Tree->GetRootNode()->AddChild({u"top"});
  TZCLTreeListNode* middle = top->AddChild({u"middle"});
  TZCLTreeListNode* leaf = middle->AddChild({u"leaf"});
  TZCLTreeListNode* other = Tree->GetRootNode()->AddChild({u"other"});
  Tree->GetRootNode()->AddChild({u"kept"});
  // The leaf first: deleting from the last selected frees the top (and the leaf) before it.
  leaf->SetSelected(true);
  top->SetSelected(true);
  other->SetSelected(true);
  Tree->OnNodeDeleted = TZCLTreeListNodeEvent(this, &TreeListEngineTest::NodeDeleted);
  Tree->DeleteSelected();
  EXPECT_EQ(Tree->GetSelectedCount(), 0);
  EXPECT_EQ(Column(0), std::vector<String>{u"kept"});
  EXPECT_EQ(Deleted.size(), 4u);
}

TEST_F(TreeListEngineTest, DeletedFocusedNodePassesFocusOn) {
  AddRows({{u"a"}, {u"b"}, {u"c"}});
  TZCLTreeListNode* root = Tree->GetRootNode();
  Tree->SetFocusedNode(root->GetChild(1));
  Free(root->GetChild(1));
  EXPECT_EQ(Tree->FocusedObject, root->GetChild(1));  // next sibling "c"
  Free(root->GetChild(1));
  EXPECT_EQ(Tree->FocusedObject, root->GetChild(0));  // previous sibling "a"
  TZCLTreeListNode* child = root->GetChild(0)->AddChild({u"child"});
  Tree->SetFocusedNode(child);
  Free(child);
  EXPECT_EQ(Tree->FocusedObject, root->GetChild(0));  // parent
}

TEST_F(TreeListEngineTest, SingleSelectKeepsOneNodeAndPathsFindNodes) {
  AddRows({{u"a"}, {u"b"}});
  TZCLTreeListNode* b = Tree->GetRootNode()->GetChild(1);
  TZCLTreeListNode* deep = b->AddChild({u"Deep"});
  Tree->GetRootNode()->GetChild(0)->SetSelected(true);
  b->SetSelected(true);
  ASSERT_EQ(Tree->GetSelectedCount(), 1);
  EXPECT_EQ(Tree->GetSelected(0), b);
  EXPECT_EQ(Tree->GetPath(deep), u"b\\Deep\\");
  EXPECT_EQ(Tree->FindByPath(u"B/deep", true, true), deep);
  EXPECT_EQ(Tree->FindByPath(u"b\\Deep\\none", false, true), nullptr);
  EXPECT_EQ(Tree->FindByPath(u"b\\Deep\\none", false, false), deep);
}

TEST_F(TreeListEngineTest, LayoutLoadedWithSortingDisabledKeepsWidthsButNoSorting) {
  TZCLTreeListColumn* a = Tree->GetColumns()->Add(u"A");
  Tree->GetColumns()->Add(u"B")->SetWidth(33);
  Tree->SortBy(a, sdDescending, true);
  TOwned<TZCLIniFile> ini(TZCLIniFile::CreateInMemory());
  Tree->ConfigSave(ini.get(), u"Form", u"List");
  EXPECT_TRUE(ini->ExistsKey(u"Form", u"List.ColumnsData"));

  for (TZCLTreeListSortingMode mode : {tlsmMulti, tlsmDisabled}) {
    TOwned<TForm> form(TCustomForm::CreateNew<TForm>(nullptr));
    auto* list = Create<TEngineTreeList>(form.get());
    list->SetParent(form.get());
    TZCLTreeListSubClass* tree = list->Tree();
    tree->GetOptionsBehavior()->SetSortingMode(mode);
    tree->GetColumns()->Add(u"A");
    tree->GetColumns()->Add(u"B");
    tree->ConfigLoad(ini.get(), u"Form", u"List");
    EXPECT_EQ((*tree->GetColumns())[1]->GetWidth(), 33);
    EXPECT_EQ(tree->GetSortByList()->GetCount(), mode == tlsmMulti ? 1 : 0);
    EXPECT_EQ((*tree->GetColumns())[0]->SortDirection, mode == tlsmMulti ? sdDescending : sdDefault);
  }
}

}  // namespace
