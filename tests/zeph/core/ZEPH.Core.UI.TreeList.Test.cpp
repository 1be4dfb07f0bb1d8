#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "support/TestSupport.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.InplaceEdit.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.UI.TreeList.h"

namespace {
struct TFree {
  void operator()(TObject* Obj) const { Free(Obj); }
};

// A plugin's handler of every tree-list event: records them and answers as told.
class TTreeEvents : public TInterfacedObject,
                    public IZEPHUITreeListEvents,
                    public IZEPHUITreeListDragSortingEvents,
                    public IZEPHUITreeListInplaceEditingEvents {
  ZCL_CLASS(TTreeEvents, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHUITreeListEvents, IZEPHUITreeListDragSortingEvents,
                 IZEPHUITreeListInplaceEditingEvents)
 public:
  std::vector<Integer> DropModes;
  Integer RefuseDropMode = -1;
  LongBool EditAllow = LongTrue;
  String EditReplacement;
  Integer Sorted = 0, EditCreates = 0;

  void OnColumnClick(IZEPHUITreeList*, Integer) override {}
  void OnFocusedColumnChanged(IZEPHUITreeList*) override {}
  void OnFocusedNodeChanged(IZEPHUITreeList*) override {}
  void OnNodeChecked(IZEPHUITreeList*, IZEPHUITreeListNode*) override {}
  void OnNodeDblClicked(IZEPHUITreeList*, IZEPHUITreeListNode*) override {}
  void OnSelectionChanged(IZEPHUITreeList*) override {}
  void OnSorted(IZEPHUITreeList*) override { ++Sorted; }
  void OnCalculated(IZEPHUITreeList*) override {}
  void OnDragSorting(IZEPHUITreeList*) override {}
  void OnDragSortingNodeOver(IZEPHUITreeList*, IZEPHUITreeListNode*, Integer Mode, LongBool& Allow) override {
    DropModes.push_back(Mode);
    if (Mode == RefuseDropMode) Allow = LongFalse;
  }
  void OnEditCreate(IZEPHUITreeList*, IZEPHUITreeListNode*, Integer, LongBool& Allow) override {
    ++EditCreates;
    Allow = EditAllow;
  }
  void OnEditApply(IZEPHUITreeList*, IZEPHUITreeListNode*, Integer, IPtr<IZEPHString>& Value) override {
    if (!EditReplacement.empty()) Value = MakePluginString(EditReplacement);
  }
};

template <InterfaceType I>
IPtr<I> Adopt(void* Obj) {
  return IPtr<I>::Adopt(static_cast<I*>(Obj));
}

class PluginTreeListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(0, 0, 400, 300);
    Form->Show();
    Events = IPtr<TTreeEvents>(Create<TTreeEvents>());
    List = NewList(Form.get());
  }
  IPtr<TZEPHUITreeList> NewList(TForm* Owner) {
    IPtr<TZEPHUITreeList> list(Create<TZEPHUITreeList>(static_cast<IInterface*>(Events.get()), Owner));
    list->AsControl()->SetParent(Owner);
    list->AsControl()->SetBounds(0, 0, 300, 200);
    return list;
  }
  IPtr<IZEPHUITreeListNode> Root(TZEPHUITreeList* List) {
    void* obj = nullptr;
    EXPECT_EQ(List->GetRootNode(IIDOf<IZEPHUITreeListNode>(), &obj), S_OK);
    return Adopt<IZEPHUITreeListNode>(obj);
  }
  IPtr<IZEPHUITreeListNode> AddNode(IZEPHUITreeListNode* Parent, const String& Text) {
    IPtr<IZEPHUITreeListNode> node;
    EXPECT_EQ(Parent->Add(node), S_OK);
    EXPECT_EQ(node->SetValue(0, MakePluginString(Text).get()), S_OK);
    return node;
  }
  IPtr<IZEPHUITreeListColumn> AddColumn(TZEPHUITreeList* List) {
    void* obj = nullptr;
    EXPECT_EQ(List->AddColumn(IIDOf<IZEPHUITreeListColumn>(), &obj), S_OK);
    return Adopt<IZEPHUITreeListColumn>(obj);
  }
  IPtr<IZEPHUITreeListNode> Focused() {
    void* obj = nullptr;
    List->GetFocused(IIDOf<IZEPHUITreeListNode>(), &obj);
    return Adopt<IZEPHUITreeListNode>(obj);
  }
  static String Text(const IPtr<IZEPHString>& S) { return PluginStringToStr(S.get()); }

  std::unique_ptr<TForm, TFree> Form;
  IPtr<TTreeEvents> Events;
  IPtr<TZEPHUITreeList> List;
};
}  // namespace

TEST_F(PluginTreeListTest, PathsNameEveryLevelAndFindNodesByEitherDelimiter) {
  auto a = AddNode(Root(List.get()).get(), u"A");
  auto b = AddNode(a.get(), u"B");
  AddNode(Root(List.get()).get(), u"AB");
  IPtr<IZEPHString> path;
  ASSERT_EQ(List->GetPath(b.get(), path), S_OK);
  EXPECT_EQ(Text(path), u"A\\B\\");
  ASSERT_EQ(List->GetPath(Root(List.get()).get(), path), S_OK);
  EXPECT_EQ(Text(path), u"");

  const struct {
    const char16_t* Path;
    IZEPHUITreeListNode* Expected;
  } cases[] = {
      {u"A\\B\\", b.get()}, {u"A\\B", b.get()}, {u"a/b", b.get()}, {u"A\\X\\", a.get()}, {u"Q", nullptr},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(List->SetPath(MakePluginString(c.Path).get()), S_OK);
    EXPECT_EQ(Focused().get(), c.Expected) << StringToUTF8(c.Path);
  }
}

TEST_F(PluginTreeListTest, SortByStepsThroughTheDirections) {
  auto column = AddColumn(List.get());
  auto second = AddColumn(List.get());
  TZCLTreeListSubClass* sub = List->GetSubClass();
  auto* col = sub->GetColumns()->operator[](0);
  const struct {
    Integer Direction;
    TZCLSortDirection Expected;
    bool Listed;
  } steps[] = {{0, sdAscending, true},
               {0, sdDescending, true},
               {0, sdDefault, false},
               {2, sdDescending, true},
               {7, sdAscending, true}};
  for (const auto& s : steps) {
    ASSERT_EQ(List->SortBy(column.get(), s.Direction, LongFalse), S_OK);
    EXPECT_EQ(col->SortDirection, s.Expected) << s.Direction;
    EXPECT_EQ(sub->GetSortByList()->Contains(col), s.Listed) << s.Direction;
  }

  // Single mode replaces the earlier column even without ResetPrevious; multi mode keeps it.
  ASSERT_EQ(List->SetValueAsInt32(60, tlsmSingle), S_OK);
  ASSERT_EQ(List->SortBy(second.get(), 1, LongFalse), S_OK);
  EXPECT_EQ(sub->GetSortByList()->GetCount(), 1);
  ASSERT_EQ(List->SetValueAsInt32(60, tlsmMulti), S_OK);
  ASSERT_EQ(List->SortBy(second.get(), 1, LongFalse), S_OK);
  ASSERT_EQ(List->SortBy(column.get(), 1, LongFalse), S_OK);
  EXPECT_EQ(sub->GetSortByList()->GetCount(), 2);
  ASSERT_EQ(List->SortBy(column.get(), 1, LongTrue), S_OK);
  EXPECT_EQ(sub->GetSortByList()->GetCount(), 1);

  auto other = NewList(Form.get());
  auto foreign = AddColumn(other.get());
  EXPECT_EQ(List->SortBy(foreign.get(), 1, LongFalse), E_UNEXPECTED);
}

TEST_F(PluginTreeListTest, ColumnLayoutGoesUnderTheKeyThePathNames) {
  auto* ini = Create<TZCLIniFile>();
  IPtr<IZEPHConfig> config(static_cast<IZEPHConfig*>(Create<TZEPHConfigAdapter>(ini, soOwned)));
  AddColumn(List.get());
  const struct {
    const char16_t* Path;
    const char16_t* Section;
    const char16_t* Key;
  } cases[] = {
      {u"Grid", u"Grid", u".ColumnsData"},
      {u"Pane\\List", u"Pane", u"List.ColumnsData"},
      {u"Empty\\", nullptr, nullptr},
      {u"", nullptr, nullptr},
  };
  for (const auto& c : cases) {
    ini->Clear();
    ASSERT_EQ(List->ConfigSave(config.get(), MakePluginString(c.Path).get()), S_OK);
    ASSERT_EQ(List->ConfigLoad(config.get(), MakePluginString(c.Path).get()), S_OK);
    if (c.Section)
      EXPECT_TRUE(ini->ExistsKey(c.Section, c.Key)) << StringToUTF8(c.Path);
    else
      EXPECT_TRUE(ini->IsEmpty()) << StringToUTF8(c.Path);
  }
  EXPECT_EQ(List->ConfigSave(MakePluginString(u"x").get(), MakePluginString(u"Grid").get()), E_UNEXPECTED);
  EXPECT_EQ(List->ConfigLoad(nullptr, MakePluginString(u"Grid").get()), E_UNEXPECTED);
}

TEST_F(PluginTreeListTest, NodeIdentifiersReadAndWriteTheNode) {
  auto root = Root(List.get());
  auto a = AddNode(root.get(), u"a");
  auto b = AddNode(root.get(), u"b");
  auto child = AddNode(a.get(), u"c");
  const struct {
    IZEPHUITreeListNode* Node;
    Integer Id, Write, Read;
  } cases[] = {
      {b.get(), ZEPH_UI_TREENODE_PROP_ENABLED, 0, 0},  {b.get(), ZEPH_UI_TREENODE_PROP_CHECKED, 5, 1},
      {a.get(), ZEPH_UI_TREENODE_PROP_EXPANDED, 1, 1}, {b.get(), ZEPH_UI_TREENODE_PROP_IMAGE_INDEX, 3, 3},
      {b.get(), ZEPH_UI_TREENODE_PROP_INDEX, 0, 0},    {b.get(), ZEPH_UI_TREENODE_PROP_SELECTED, 1, 1},
      {b.get(), ZEPH_UI_TREENODE_PROP_DATA, -1, -1},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(c.Node->SetValueAsInt32(c.Id, c.Write), S_OK) << c.Id;
    Integer value = -7;
    ASSERT_EQ(c.Node->GetValueAsInt32(c.Id, value), S_OK) << c.Id;
    EXPECT_EQ(value, c.Read) << c.Id;
  }
  Integer value = 0;
  EXPECT_EQ(a->GetValueAsInt32(ZEPH_UI_TREENODE_PROP_INDEX, value), S_OK);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(child->GetValueAsInt32(ZEPH_UI_TREENODE_PROP_LEVEL, value), S_OK);
  EXPECT_EQ(value, 1);
  ASSERT_EQ(child->SetValueAsInt32(ZEPH_UI_TREENODE_PROP_CHECKED, 1), S_OK);
  EXPECT_EQ(a->GetValueAsInt32(ZEPH_UI_TREENODE_PROP_CHILDREN_CHECKED, value), S_OK);
  EXPECT_EQ(value, 1);

  // The data value is 64 bits wide: written -1 in 32 bits, it is -1 in 64.
  Int64 wide = 0;
  ASSERT_EQ(b->GetValueAsInt64(ZEPH_UI_TREENODE_PROP_DATA, wide), S_OK);
  EXPECT_EQ(wide, -1);
  ASSERT_EQ(b->SetValueAsInt64(ZEPH_UI_TREENODE_PROP_DATA, (Int64(5) << 32) | 9), S_OK);
  ASSERT_EQ(b->GetValueAsInt32(ZEPH_UI_TREENODE_PROP_DATA, value), S_OK);
  EXPECT_EQ(value, 9);

  for (Integer id :
       {ZEPH_UI_TREENODE_PROP_ROW, ZEPH_UI_TREENODE_PROP_CHILDREN_CHECKED, ZEPH_UI_TREENODE_PROP_LEVEL, 42})
    EXPECT_EQ(b->SetValueAsInt32(id, 1), E_INVALIDARG) << id;
  Double f = 0;
  EXPECT_EQ(b->GetValueAsFloat(ZEPH_UI_TREENODE_PROP_CHECKED, f), E_INVALIDARG);
  EXPECT_EQ(b->SetValueAsInt32(ZEPH_UI_TREENODE_PROP_INDEX, 5), E_UNEXPECTED);
}

TEST_F(PluginTreeListTest, NodesWalkTheTreeAndComeBackAsTheSameWrapper) {
  auto root = Root(List.get());
  auto a = AddNode(root.get(), u"a");
  auto b = AddNode(root.get(), u"b");
  AddNode(a.get(), u"hidden");
  ASSERT_EQ(b->SetValueAsInt64(ZEPH_UI_TREENODE_PROP_DATA, Int64(1) << 40), S_OK);

  const struct {
    IZEPHUITreeListNode* From;
    Integer Index;
    IZEPHUITreeListNode* Expected;
  } walks[] = {{a.get(), -1, root.get()}, {a.get(), -2, b.get()},   {b.get(), -3, a.get()},
               {root.get(), 1, b.get()},  {root.get(), 2, nullptr}, {b.get(), -2, nullptr}};
  for (const auto& w : walks) {
    void* obj = nullptr;
    const HRESULT r = w.From->Get(w.Index, IIDOf<IZEPHUITreeListNode>(), &obj);
    auto node = Adopt<IZEPHUITreeListNode>(obj);
    EXPECT_EQ(node.get(), w.Expected) << w.Index;
    EXPECT_EQ(r, w.Expected ? S_OK : E_NOINTERFACE) << w.Index;
  }

  void* obj = nullptr;
  ASSERT_EQ(root->FindByData(Int64(1) << 40, LongFalse, IIDOf<IZEPHUITreeListNode>(), &obj), S_OK);
  EXPECT_EQ(Adopt<IZEPHUITreeListNode>(obj).get(), b.get());
  EXPECT_EQ(root->FindByData(3, LongTrue, IIDOf<IZEPHUITreeListNode>(), &obj), E_FAIL);
  EXPECT_EQ(root->FindByValue(0, MakePluginString(u"hidden").get(), LongFalse, IIDOf<IZEPHUITreeListNode>(), &obj),
            E_FAIL);
  ASSERT_EQ(root->FindByValue(0, MakePluginString(u"hidden").get(), LongTrue, IIDOf<IZEPHUITreeListNode>(), &obj),
            S_OK);
  Adopt<IZEPHUITreeListNode>(obj);

  // Values grow up to the index; the children of a collapsed node have no row.
  ASSERT_EQ(b->SetValue(3, MakePluginString(u"d").get()), S_OK);
  IPtr<IZEPHString> text;
  ASSERT_EQ(b->GetValue(2, text), S_OK);
  EXPECT_EQ(Text(text), u"");
  ASSERT_EQ(b->GetValue(3, text), S_OK);
  EXPECT_EQ(Text(text), u"d");
  EXPECT_EQ(List->GetAbsoluteVisibleNodeCount(), 2);
  ASSERT_EQ(a->SetValueAsInt32(ZEPH_UI_TREENODE_PROP_EXPANDED, 1), S_OK);
  EXPECT_EQ(List->GetAbsoluteVisibleNodeCount(), 3);
  Integer row = -1;
  ASSERT_EQ(b->GetValueAsInt32(ZEPH_UI_TREENODE_PROP_ROW, row), S_OK);
  EXPECT_EQ(row, 2);
}

// Delete frees only what belongs to this list: the list itself, another list's nodes and the root
// stay, and their wrappers keep working.
TEST_F(PluginTreeListTest, DeleteFreesOnlyItsOwnItems) {
  auto root = Root(List.get());
  auto a = AddNode(root.get(), u"a");
  auto child = AddNode(a.get(), u"child");
  auto column = AddColumn(List.get());
  auto other = NewList(Form.get());
  auto foreign = AddNode(Root(other.get()).get(), u"foreign");
  auto text = MakePluginString(u"x");

  const struct {
    IInterface* Object;
    HRESULT Expected;
  } refused[] = {{static_cast<IZEPHUITreeList*>(List.get()), E_UNEXPECTED},
                 {static_cast<IZEPHUITreeList*>(other.get()), E_UNEXPECTED},
                 {foreign.get(), E_UNEXPECTED},
                 {root.get(), E_UNEXPECTED},
                 {text.get(), E_UNEXPECTED},
                 {nullptr, E_UNEXPECTED}};
  for (const auto& r : refused) EXPECT_EQ(List->Delete(r.Object), r.Expected);
  EXPECT_EQ(List->GetColumnCount(), 1);
  EXPECT_EQ(root->GetCount(), 1);
  EXPECT_EQ(Root(other.get())->GetCount(), 1);

  ASSERT_EQ(List->Delete(a.get()), S_OK);
  EXPECT_EQ(root->GetCount(), 0);
  Integer value = 0;
  EXPECT_EQ(child->GetValueAsInt32(ZEPH_UI_TREENODE_PROP_LEVEL, value), E_HANDLE);
  EXPECT_EQ(child->GetCount(), -1);
  ASSERT_EQ(List->Delete(column.get()), S_OK);
  EXPECT_EQ(List->GetColumnCount(), 0);
  EXPECT_EQ(column->SetValueAsInt32(9, 50), E_HANDLE);
}

// The list keeps pointers to the items it is handed (focus, grouping, editing): one of another list
// would outlive that list here, so it is refused.
TEST_F(PluginTreeListTest, ItemsOfAnotherListAreRefused) {
  auto mine = AddNode(Root(List.get()).get(), u"mine");
  ASSERT_EQ(List->SetFocused(mine.get()), S_OK);
  ASSERT_EQ(List->SetValueAsInt32(ZEPH_UI_TREELIST_PROP_FOCUS_CELL, 1), S_OK);
  auto other = NewList(Form.get());
  auto node = AddNode(Root(other.get()).get(), u"theirs");
  auto column = AddColumn(other.get());

  const struct {
    const char* Name;
    std::function<HRESULT()> Call;
    HRESULT Expected;
  } cases[] = {
      {"SetFocused node", [&] { return List->SetFocused(node.get()); }, S_OK},
      {"SetFocused column", [&] { return List->SetFocused(column.get()); }, S_OK},
      {"GroupBy", [&] { return List->GroupBy(column.get(), LongTrue); }, E_UNEXPECTED},
      {"StartEditing", [&] { return List->StartEditing(column.get()); }, E_UNEXPECTED},
      {"MakeVisible", [&] { return List->MakeVisible(node.get()); }, E_UNEXPECTED},
      {"SortBy", [&] { return List->SortBy(column.get(), 1, LongTrue); }, E_UNEXPECTED},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Call(), c.Expected) << c.Name;
  EXPECT_EQ(Focused().get(), mine.get());
  EXPECT_EQ(List->GetSubClass()->FocusedColumn, nullptr);
  EXPECT_EQ(List->GetSubClass()->GetGroupByList()->GetCount(), 0);
  other = nullptr;
}

TEST_F(PluginTreeListTest, GroupsPublishTheirStateAndCanBeDeleted) {
  auto column = AddColumn(List.get());
  auto root = Root(List.get());
  for (const char16_t* text : {u"x", u"y", u"x"}) AddNode(root.get(), text);
  ASSERT_EQ(List->SetValueAsInt32(ZEPH_UI_TREELIST_PROP_GROUPS, 1), S_OK);
  ASSERT_EQ(List->GroupBy(column.get(), LongTrue), S_OK);
  ASSERT_EQ(List->GetGroupCount(), 2);
  void* obj = nullptr;
  ASSERT_EQ(List->GetGroup(0, IIDOf<IZEPHUITreeListGroup>(), &obj), S_OK);
  auto group = Adopt<IZEPHUITreeListGroup>(obj);
  EXPECT_EQ(group->GetNodeCount(), 2);
  ASSERT_EQ(group->GetValueAsObject(1, IIDOf<IZEPHString>(), &obj), S_OK);
  EXPECT_EQ(PluginStringToStr(Adopt<IZEPHString>(obj).get()), u"x");
  EXPECT_EQ(group->SetValueAsInt32(4, 1), E_UNEXPECTED);
  EXPECT_EQ(List->GetGroup(5, IIDOf<IZEPHUITreeListGroup>(), &obj), E_UNEXPECTED);

  ASSERT_EQ(List->Delete(group.get()), S_OK);
  EXPECT_EQ(List->GetGroupCount(), 1);
  EXPECT_EQ(group->GetNodeCount(), -1);
  EXPECT_EQ(root->GetCount(), 3);
}

TEST_F(PluginTreeListTest, DragModesReachThePluginAndItsAnswerComesBack) {
  auto node = AddNode(Root(List.get()).get(), u"a");
  Events->RefuseDropMode = ZEPH_UI_TREELIST_DROP_BEFORE;
  TZCLTreeListSubClass* sub = List->GetSubClass();
  auto* target = sub->GetRootNode()->GetChild(0);
  const struct {
    TZCLTreeListDropTargetInsertMode Mode;
    Integer Seen;
    bool Allowed;
  } cases[] = {{dtimAfter, 0, true}, {dtimBefore, 1, false}, {dtimInto, 2, true}, {dtimOver, 2, true}};
  for (const auto& c : cases) {
    Events->DropModes.clear();
    EXPECT_EQ(sub->DoDragSortingNodeOver(target, c.Mode), c.Allowed) << c.Seen;
    EXPECT_EQ(Events->DropModes, std::vector<Integer>{c.Seen});
  }
  sub->DoDragSorting();
  EXPECT_EQ(Events->Sorted, 1);
}

TEST_F(PluginTreeListTest, PluginDecidesWhetherAndWhatItEdits) {
  auto column = AddColumn(List.get());
  auto node = AddNode(Root(List.get()).get(), u"old");
  ASSERT_EQ(List->SetValueAsInt32(ZEPH_UI_TREELIST_PROP_EDITING, 1), S_OK);
  ASSERT_EQ(List->SetFocused(node.get()), S_OK);
  Integer col = -1, row = -1;

  Events->EditAllow = LongFalse;
  ASSERT_EQ(List->StartEditing(column.get()), S_OK);
  EXPECT_EQ(Events->EditCreates, 1);
  EXPECT_EQ(List->GetEditingCell(col, row), E_FAIL);

  Events->EditAllow = LongTrue;
  Events->EditReplacement = u"mine";
  ASSERT_EQ(List->StartEditing(column.get()), S_OK);
  ASSERT_EQ(List->GetEditingCell(col, row), S_OK);
  EXPECT_EQ(col, 0);
  EXPECT_EQ(row, 0);
  List->GetSubClass()->GetEditingController()->ApplyIfEditing();
  IPtr<IZEPHString> text;
  ASSERT_EQ(node->GetValue(0, text), S_OK);
  EXPECT_EQ(Text(text), u"mine");
  EXPECT_EQ(List->GetEditingCell(col, row), E_FAIL);
}

TEST_F(PluginTreeListTest, SelectionAndFocusAnswerForWhatIsThere) {
  auto column = AddColumn(List.get());
  auto root = Root(List.get());
  auto a = AddNode(root.get(), u"a");
  void* obj = nullptr;
  EXPECT_EQ(List->GetSelected(0, IIDOf<IZEPHUITreeListNode>(), &obj), E_INVALIDARG);
  ASSERT_EQ(List->SelectAll(), S_OK);
  EXPECT_EQ(List->GetSelectedCount(), 1);
  ASSERT_EQ(List->GetSelected(0, IIDOf<IZEPHUITreeListNode>(), &obj), S_OK);
  EXPECT_EQ(Adopt<IZEPHUITreeListNode>(obj).get(), a.get());
  EXPECT_EQ(List->GetSelected(1, IIDOf<IZEPHUITreeListNode>(), &obj), E_INVALIDARG);

  // A column is focused only while cells take the focus.
  ASSERT_EQ(List->SetFocused(column.get()), S_OK);
  EXPECT_EQ(List->GetFocused(IIDOf<IZEPHUITreeListColumn>(), &obj), E_NOINTERFACE);
  ASSERT_EQ(List->SetValueAsInt32(ZEPH_UI_TREELIST_PROP_FOCUS_CELL, 1), S_OK);
  ASSERT_EQ(List->SetFocused(column.get()), S_OK);
  ASSERT_EQ(List->GetFocused(IIDOf<IZEPHUITreeListColumn>(), &obj), S_OK);
  EXPECT_EQ(Adopt<IZEPHUITreeListColumn>(obj).get(), column.get());

  ASSERT_EQ(List->SelectNone(), S_OK);
  EXPECT_EQ(List->GetSelectedCount(), 0);
  EXPECT_FALSE(Focused());
  ASSERT_EQ(List->Clear(), S_OK);
  EXPECT_EQ(root->GetCount(), 0);
  EXPECT_EQ(a->GetCount(), -1);
}

TEST_F(PluginTreeListTest, ListFreedByItsFormAnswersHandleErrors) {
  auto node = AddNode(Root(List.get()).get(), u"a");
  Form.reset();
  void* obj = nullptr;
  EXPECT_EQ(List->GetColumnCount(), -1);
  EXPECT_EQ(List->GetSelectedCount(), -1);
  EXPECT_EQ(List->Clear(), E_HANDLE);
  EXPECT_EQ(List->GetRootNode(IIDOf<IZEPHUITreeListNode>(), &obj), E_HANDLE);
  EXPECT_EQ(node->GetCount(), -1);
}

TEST_F(PluginTreeListTest, ReleasedWrapperLeavesNoHandlerBehind) {
  TZCLTreeList* list = List->AsTreeList();
  TZCLTreeListSubClass* sub = List->GetSubClass();
  List = nullptr;
  EXPECT_FALSE(sub->OnSorted);
  EXPECT_FALSE(sub->OnEditCreate);
  EXPECT_FALSE(sub->OnDragSortingNodeOver);
  EXPECT_FALSE(list->OnKeyDown);
  // The list goes on working without the plugin.
  list->GetRootNode()->AddChild({u"a"});
  EXPECT_EQ(sub->GetAbsoluteVisibleNodes()->GetCount(), 1);
}

// Every identifier finds its published property (a misspelt name would leave it unmapped).
TEST_F(PluginTreeListTest, IdentifiersMapOntoTheOptionsAndItems) {
  for (Integer id = 31; id <= 60; ++id) EXPECT_EQ(List->IsMapped(id), id < 47 || id > 49) << id;
  auto column = AddColumn(List.get());
  auto* columnWrapper = dynamic_cast<TZEPHUITreeListColumn*>(column.get());
  ASSERT_TRUE(columnWrapper);
  for (Integer id = 1; id <= 9; ++id) EXPECT_TRUE(columnWrapper->IsMapped(id)) << id;

  const struct {
    IZEPHPropertyList* List;
    Integer Id, Write, Read;
  } cases[] = {
      {List.get(), 38, 5, 5}, {List.get(), 50, 2, 2},      {List.get(), ZEPH_UI_TREELIST_PROP_MULTI_SELECT, 7, 1},
      {List.get(), 56, 3, 3}, {column.get(), 9, 120, 120}, {column.get(), 8, 0, 0},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(c.List->SetValueAsInt32(c.Id, c.Write), S_OK) << c.Id;
    Integer value = -1;
    ASSERT_EQ(c.List->GetValueAsInt32(c.Id, value), S_OK) << c.Id;
    EXPECT_EQ(value, c.Read) << c.Id;
  }
  Integer value = 0;
  EXPECT_EQ(List->GetValueAsInt32(47, value), E_INVALIDARG);
}

namespace {
// Paints nodes itself and turns every background it is asked about into green.
class TDrawEvents : public TInterfacedObject, public IZEPHUITreeListCustomDrawEvents {
  ZCL_CLASS(TDrawEvents, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHUITreeListCustomDrawEvents)
 public:
  Cardinal SeenColor = 0;
  IZEPHUITreeListColumn* SeenColumn = nullptr;
  void OnCustomDrawNode(IZEPHUITreeList*, HDC, const TRect&, IZEPHUITreeListNode*, LongBool& Handled) override {
    Handled = LongTrue;
  }
  void OnCustomDrawNodeCell(IZEPHUITreeList*, HDC, const TRect&, IZEPHUITreeListNode*, IZEPHUITreeListColumn* Column,
                            LongBool&) override {
    SeenColumn = Column;
  }
  void OnGetNodeBackground(IZEPHUITreeList*, IZEPHUITreeListNode*, Cardinal& Color) override {
    SeenColor = Color;
    Color = 0x00FF00;
  }
};
}  // namespace

TEST_F(PluginTreeListTest, DrawingEventsCrossAsPlainColoursAndFlags) {
  IPtr<TDrawEvents> draw(Create<TDrawEvents>());
  IPtr<TZEPHUITreeList> list(Create<TZEPHUITreeList>(static_cast<IInterface*>(draw.get()), Form.get()));
  auto column = AddColumn(list.get());
  AddNode(Root(list.get()).get(), u"a");
  TZCLTreeListSubClass* sub = list->GetSubClass();
  TZCLTreeListNode* node = sub->GetRootNode()->GetChild(0);

  TAlphaColor color = 0x80102030;  // red 0x10, green 0x20, blue 0x30 at half alpha
  sub->OnGetNodeBackground(sub, node, color);
  EXPECT_EQ(draw->SeenColor, 0x302010u);
  EXPECT_EQ(color, 0xFF00FF00u);

  TZCLDib dib(10, 10);
  TCanvas* canvas = dib.GetCanvas();
  bool handled = false;
  sub->OnCustomDrawNode(sub, canvas, TRect(0, 0, 10, 10), node, handled);
  EXPECT_TRUE(handled);
  TZCLTreeListNodeCustomDrawData data;
  data.Node = node;
  data.Column = sub->GetColumns()->operator[](0);
  handled = true;
  sub->OnCustomDrawNodeCell(sub, canvas, data, handled);
  EXPECT_FALSE(handled);
  EXPECT_EQ(draw->SeenColumn, column.get());
}
