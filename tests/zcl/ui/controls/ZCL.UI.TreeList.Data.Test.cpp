#include <gtest/gtest.h>

#include "../UiTestSupport.h"
#include "TreeListTestSupport.h"
#include "rtl/RTL.Streams.h"
#include "vcl/VCL.ImgList.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Options.h"

namespace {

TEST(TreeListNodes, ShapeIndexValuesAndErrors) {
  TFakeTreeList tree;
  TZCLTreeListNode* a = tree.Root->AddChild({u"Alpha", u"1"});
  TZCLTreeListNode* b = tree.Root->AddChild({u"Beta"});
  TZCLTreeListNode* c = tree.Root->AddChild();
  TZCLTreeListNode* a1 = a->AddChild({u"Child"});
  EXPECT_EQ(a1->GetLevel(), 1);
  EXPECT_EQ(a->GetLevel(), 0);
  EXPECT_EQ(a1->TopLevelNode(), a);
  EXPECT_EQ(b->NextSibling(), c);
  EXPECT_EQ(a->PrevSibling(), nullptr);
  try {
    a->SetIndex(3);
    FAIL();
  } catch (const EZCLTreeListException& e) {
    EXPECT_EQ(e.GetMessage(), u"Index out of range (3).  Must be >= 0 and < 3");
  }
  a->SetIndex(2);  // ChildrenCount - 1: last
  EXPECT_EQ(tree.Root->GetChild(2), a);
  try {
    a->SetParent(a1);
    FAIL();
  } catch (const EZCLTreeListException& e) {
    EXPECT_EQ(e.GetMessage(), u"Invalid Parent");
  }
  EXPECT_EQ(a1->GetParent(), a);
  EXPECT_EQ(tree.Root->FindNode(u"child", 0, true), a1);
  EXPECT_EQ(tree.Root->FindNode(u"child", 0, false), nullptr);
  // Values: padded with empty ones; an equal value reports nothing.
  tree.ValueChanges.clear();
  c->SetValue(5, u"x");
  EXPECT_EQ(c->GetValuesCount(), 6);
  EXPECT_EQ(c->GetValue(4), u"");
  c->SetValue(5, u"x");
  EXPECT_EQ(tree.ValueChanges, std::vector<Integer>{5});
  EXPECT_EQ(b->AddValues({}), -1);
  EXPECT_EQ(b->AddValues({u"p", u"q"}), 2);
  // Deep copy.
  TZCLTreeListNode* copy = tree.Root->AddChild();
  copy->Assign(a);
  EXPECT_EQ(copy->GetValue(0), u"Alpha");
  ASSERT_EQ(copy->GetChildrenCount(), 1);
  EXPECT_EQ(copy->GetChild(0)->GetValue(0), u"Child");
  // Freeing a node directly detaches it.
  Free(b);
  EXPECT_EQ(tree.Root->GetChildrenCount(), 3);
}

TEST(TreeListNodes, ChildrenOnDemandAreAskedForOnce) {
  TFakeTreeList tree;
  TZCLTreeListNode* lazy = tree.Root->AddChild();
  TZCLTreeListNode* empty = tree.Root->AddChild();
  lazy->SetHasChildrenFlag(true);
  empty->SetHasChildrenFlag(true);
  tree.OnGetNodeChildren = [&](TZCLTreeListNode* n) {
    EXPECT_GT(tree.Locks, 0);
    if (n == lazy) n->AddChild({u"loaded"});
  };
  EXPECT_TRUE(lazy->HasChildren());
  EXPECT_EQ(tree.ChildrenRequests, 0);
  EXPECT_EQ(lazy->GetChildrenCount(), 1);
  EXPECT_EQ(lazy->GetChildrenCount(), 1);
  EXPECT_EQ(tree.ChildrenRequests, 1);
  EXPECT_EQ(tree.LongOperations, 1);
  empty->SetExpanded(true);
  EXPECT_EQ(tree.ChildrenRequests, 2);
  EXPECT_FALSE(empty->HasChildren());
}

TEST(TreeListNodes, CheckStatesPropagate) {
  TFakeTreeList tree;
  tree.AutoCheckParents = true;
  tree.AutoCheckChildren = true;
  TZCLTreeListNode* parent = tree.Root->AddChild();
  TZCLTreeListNode* x = parent->AddChild();
  TZCLTreeListNode* y = parent->AddChild();
  TZCLTreeListNode* y1 = y->AddChild();
  x->SetChecked(true);
  EXPECT_EQ(parent->GetCheckState(), cbGrayed);
  tree.CheckedEvents.clear();
  parent->SetChecked(true);
  EXPECT_EQ(tree.CheckedEvents.size(), 3u);  // y, y1 and the parent; x already was
  EXPECT_TRUE(y1->GetChecked());
  EXPECT_EQ(parent->GetCheckState(), cbChecked);
  tree.CheckedEvents.clear();
  tree.Reports.clear();
  parent->SetChecked(true);
  EXPECT_TRUE(tree.CheckedEvents.empty());
  EXPECT_TRUE(tree.Reports.empty());
  // A child attached later takes its new parent's mark.
  TZCLTreeListNode* late = tree.Root->AddChild();
  late->SetParent(parent);
  EXPECT_TRUE(late->GetChecked());
  // Disabled check boxes are skipped by the list.
  x->SetCheckBoxEnabled(false);
  parent->SetChildrenCheckState(cbUnchecked);
  EXPECT_TRUE(x->GetChecked());
  EXPECT_FALSE(y->GetChecked());
}

TEST(TreeListNodes, ExpandSelectAndStructureReports) {
  TFakeTreeList tree;
  TZCLTreeListNode* a = tree.Root->AddChild();
  TZCLTreeListNode* a1 = a->AddChild();
  a1->AddChild();
  tree.Reports.clear();
  a1->SetExpanded(true);  // a is collapsed: no row changes
  EXPECT_TRUE(tree.Reports.empty());
  a->SetExpanded(true);
  EXPECT_EQ(tree.Reports, std::vector<Cardinal>{ChangeStruct});
  tree.AllowSelect = false;
  a->SetSelected(true);
  EXPECT_FALSE(a->GetSelected());
  tree.Reports.clear();
  tree.Root->AddChild();
  EXPECT_EQ(tree.Reports, std::vector<Cardinal>{ChangeStruct | TreeListChangeSort | TreeListChangeGroup});
}

TEST(TreeListColumns, DisplayOrderWidthAndStoring) {
  TFakeTreeList tree;
  TZCLTreeListColumns columns(&tree);
  TZCLTreeListColumn* a = columns.Add(u"A");
  TZCLTreeListColumn* b = columns.Add(u"B");
  TZCLTreeListColumn* c = columns.Add(u"C");
  EXPECT_EQ(c->GetDrawIndex(), 2);
  c->SetDrawIndex(-5);
  EXPECT_EQ(columns.GetDrawingItem(0), c);
  c->SetDrawIndex(999);
  EXPECT_EQ(columns.GetDrawingItem(2), c);
  EXPECT_EQ(a->NextSibling(), b);
  a->SetWidth(1);
  EXPECT_EQ(a->GetWidth(), 2);
  a->SetWidth(100);
  EXPECT_FALSE(a->IsWidthStored());
  a->SetWidth(120);
  EXPECT_TRUE(a->IsWidthStored());
  a->SetAutoBestFit(true);
  EXPECT_FALSE(a->GetCanResize());
  EXPECT_FALSE(a->IsWidthStored());
  columns.ApplyBestFit(true);
  EXPECT_EQ(a->GetWidth(), 80);
  EXPECT_EQ(columns.FindByCaption(u"b"), b);
  // Hiding a sorted column asks for a re-sort.
  tree.SortBy.Add(b);
  tree.Reports.clear();
  b->SetVisible(false);
  ASSERT_FALSE(tree.Reports.empty());
  EXPECT_TRUE(tree.Reports.back() & TreeListChangeSort);
  // A removed column leaves the sort list.
  Free(b);
  EXPECT_EQ(tree.SortBy.GetCount(), 0);
  EXPECT_EQ(columns.GetDrawingOrder().GetCount(), 2);
}

TEST(TreeListColumns, ColumnsDataLayout) {
  TFakeTreeList tree;
  TZCLTreeListColumns columns(&tree);
  TZCLTreeListColumn* first = columns.Add(u"First");
  TZCLTreeListColumn* second = columns.Add(u"Second");
  second->SetVisible(false);
  second->SetWidth(50);
  second->SetDrawIndex(1);
  first->SortDirection = sdAscending;
  tree.SortBy.Add(first);
  TMemoryStream stream;
  columns.SaveToStream(&stream);
  const Byte expected[] = {0x00, 0x00, 0x00, 0x00, 0x01, 0x64, 0x00, 0x01, 0xFF, 0xFF, 0xFF, 0x00, 0x32, 0x00};
  ASSERT_EQ(stream.GetSize(), Int64(sizeof expected));
  EXPECT_EQ(std::memcmp(stream.GetMemory(), expected, sizeof expected), 0);

  // Through the configuration and back into four columns: the fourth keeps its settings.
  TOwned<TZCLIniFile> ini(TZCLIniFile::CreateInMemory());
  TZCLTreeListColumns three(&tree);
  for (auto caption : {u"x", u"y", u"z"}) three.Add(caption);
  three[0]->SetDrawIndex(2);
  three[1]->SetWidth(33);
  tree.SortBy.Clear();
  three.ConfigSave(ini.get(), u"Form", u"List.ColumnsData");
  TFakeTreeList other;
  TZCLTreeListColumns four(&other);
  for (auto caption : {u"x", u"y", u"z", u"w"}) four.Add(caption);
  four[3]->SetWidth(77);
  four[3]->SetVisible(false);
  four.ConfigLoad(ini.get(), u"Form", u"List.ColumnsData");
  EXPECT_EQ(four[0]->GetDrawIndex(), 2);
  EXPECT_EQ(four[1]->GetWidth(), 33);
  EXPECT_EQ(four[3]->GetWidth(), 77);
  EXPECT_FALSE(four[3]->GetVisible());
  EXPECT_EQ(other.Reports.back() & TreeListChangeSort, TreeListChangeSort);

  // Without the customizing options no order or visibility changes; a cut record is ignored.
  TFakeTreeList fixed;
  fixed.ColumnOrder = fixed.ColumnVisibility = false;
  TZCLTreeListColumns two(&fixed);
  two.Add(u"a");
  two.Add(u"b");
  stream.SetPosition(0);
  TMemoryStream cut;
  cut.WriteBuffer(stream.GetMemory(), 10);
  cut.SetPosition(0);
  two.LoadFromStream(&cut);
  EXPECT_TRUE(two[1]->GetVisible());
  EXPECT_EQ(two[1]->GetWidth(), 100);
  EXPECT_EQ(two[0]->GetDrawIndex(), 0);
  ASSERT_EQ(fixed.SortBy.GetCount(), 1);
  EXPECT_EQ(two[0]->SortDirection, sdAscending);
}

TEST(TreeListGroups, LookupMoveOrderAndSelection) {
  TFakeTreeList tree;
  TZCLTreeListGroups groups(&tree);
  TZCLTreeListGroup* g1 = groups.Add(u"Music");
  TZCLTreeListGroup* g2 = groups.Add(u"music");
  EXPECT_NE(g1, g2);
  EXPECT_EQ(groups.Add(u"Music"), g1);
  TZCLTreeListGroup* g3 = groups.Add(u"Video");
  TZCLTreeListGroups others(&tree);
  TZCLTreeListGroup* foreign = others.Add(u"X");
  try {
    groups.Move(0, {g3, foreign});
    FAIL();
  } catch (const EInvalidArgument& e) {
    EXPECT_EQ(e.GetMessage(), u"The group has different owner");
  }
  EXPECT_EQ(groups.IndexOf(g3), 2);
  groups.Move(0, {g3});
  EXPECT_EQ(groups[0], g3);
  EXPECT_EQ(groups[1], g1);

  TZCLTreeListNode* n1 = tree.Root->AddChild();
  TZCLTreeListNode* n2 = tree.Root->AddChild();
  TZCLTreeListNode* n2a = n2->AddChild();
  n1->SetGroup(g2);
  n2->SetGroup(g1);
  groups.SortByNodeOrder();  // by first node; the empty one last
  EXPECT_EQ(groups[0], g2);
  EXPECT_EQ(groups[1], g1);
  EXPECT_EQ(groups[2], g3);
  n2->SetSelected(true);
  n2->SetExpanded(true);
  EXPECT_FALSE(g1->GetSelected());  // an expanded node's unselected child
  g1->SetSelected(true);
  EXPECT_TRUE(n2a->GetSelected());
  EXPECT_TRUE(g1->GetSelected());
  groups.RemoveEmpty();
  EXPECT_EQ(groups.GetCount(), 2);
  EXPECT_EQ(n2->GetLinkParent(), g1);
}

struct TListener : TZCLUnknownObject, IZCLTreeListOptionsListener {
  RTL_INTERFACES(TZCLUnknownObject, IZCLTreeListOptionsListener)
  void BeginUpdate() override {}
  void EndUpdate() override {}
  void Changed(Cardinal Flags) override { Reports.push_back(Flags); }
  void FullRefresh() override { ++Refreshes; }
  void ReloadData() override {}
  void SelectNone() override { ++SelectNones; }
  std::vector<Cardinal> Reports;
  Integer Refreshes = 0, SelectNones = 0;
};

TEST(TreeListOptions, ClampingAndReportedChanges) {
  TListener listener;
  TOwned<TZCLTreeListOptionsView> view(Create<TZCLTreeListOptionsView>(&listener));
  TOwned<TZCLTreeListOptionsBehavior> behavior(Create<TZCLTreeListOptionsBehavior>(&listener));
  TOwned<TZCLTreeListOptionsSelection> selection(Create<TZCLTreeListOptionsSelection>(&listener));
  EXPECT_EQ(view->GetColumns()->GetHeight(), 0);
  view->GetColumns()->SetHeight(0);
  EXPECT_EQ(view->GetColumns()->GetHeight(), 5);
  view->GetNodes()->SetHeight(-3);
  EXPECT_EQ(view->GetNodes()->GetHeight(), 0);
  behavior->SetIncSearchColumnIndex(-7);
  EXPECT_EQ(behavior->GetIncSearchColumnIndex(), -1);
  selection->SetMultiSelect(true);
  selection->SetMultiSelect(false);
  EXPECT_EQ(listener.SelectNones, 2);
  listener.Reports.clear();
  view->BeginUpdate();
  view->SetBorders(TZCLBorders{mLeft});
  view->SetCheckBoxes(true);
  view->EndUpdate();
  EXPECT_EQ(listener.Reports, std::vector<Cardinal>{ChangeSize});
  listener.Reports.clear();
  behavior->SetEditing(true);
  behavior->SetSortingMode(tlsmSingle);
  behavior->SetGroupsAllowCollapse(true);
  EXPECT_EQ(listener.Reports, std::vector<Cardinal>{0x20000});
  EXPECT_EQ(listener.Refreshes, 1);
  // Freeing the node images clears them and refreshes.
  auto* images = new TImageList(nullptr);
  view->GetNodes()->SetImages(images);
  listener.Reports.clear();
  Free(images);
  EXPECT_EQ(view->GetNodes()->GetImages(), nullptr);
  EXPECT_EQ(listener.Reports, std::vector<Cardinal>{ChangeSize | ChangeContent});
  // Assign copies.
  TOwned<TZCLTreeListOptionsView> copy(Create<TZCLTreeListOptionsView>(&listener));
  copy->Assign(view.get());
  EXPECT_EQ(copy->GetBorders(), TZCLBorders{mLeft});
  EXPECT_EQ(copy->GetColumns()->GetHeight(), 5);
}

}  // namespace
