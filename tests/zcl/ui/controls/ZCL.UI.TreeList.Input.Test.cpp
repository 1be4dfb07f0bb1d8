#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/OS.Input.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Menus.h"
#include "zcl/ui/controls/ZCL.UI.Menus.h"
#include "zcl/ui/treelist/ZCL.UI.CompoundControl.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.DragAndDrop.h"

namespace {

using namespace testskin;

// Records the editing requests the input layer makes.
class TInputTreeListSubClass : public TZCLTreeListSubClass {
  ZCL_CLASS(TInputTreeListSubClass, TZCLTreeListSubClass)
 public:
  using TZCLTreeListSubClass::TZCLTreeListSubClass;
  bool RequestEditing(TZCLTreeListNode* Node, TZCLTreeListColumn* Column) override {
    EditRequests.push_back({Node, Column});
    EditorOpen = OpenEditorOnRequest;
    return EditorOpen;
  }
  bool HasOpenEditor(TZCLTreeListNode*) override { return EditorOpen; }
  bool IsFocused() override { return Focused; }
  using TZCLTreeListSubClass::ProcessMouseWheel;
  std::vector<std::pair<TZCLTreeListNode*, TZCLTreeListColumn*>> EditRequests;
  bool EditorOpen = false, OpenEditorOnRequest = false, Focused = true;
};

class TInputTreeList : public TZCLCompoundControl {
  ZCL_CLASS(TInputTreeList, TZCLCompoundControl)
 public:
  using TZCLCompoundControl::TZCLCompoundControl;
  TInputTreeListSubClass* Tree() const { return static_cast<TInputTreeListSubClass*>(GetSubClass()); }

 protected:
  TZCLCompoundControlSubClass* CreateSubClass() override { return Create<TInputTreeListSubClass>(this); }
};

class TreeListInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 400, 300);
    Form->SetBorderStyle(bsNone);
    List = Create<TInputTreeList>(Form.get());
    List->SetResourceCollection(Skin.Get());
    List->SetParent(Form.get());
    List->SetBounds(0, 0, 300, 200);
    Tree = List->Tree();
    Tree->GetStyle()->SetCollection(Skin.Get());
    Tree->GetStyleScrollBox()->SetCollection(Skin.Get());
  }
  void TearDown() override {
    Form.reset();
    UIAnimationsEnabled = true;
  }

  std::vector<TZCLTreeListNode*> AddRows(Integer Count, TZCLTreeListNode* Parent = nullptr) {
    std::vector<TZCLTreeListNode*> rows;
    if (!Parent) Parent = Tree->GetRootNode();
    for (Integer i = 0; i < Count; ++i) rows.push_back(Parent->AddChild({u"row" + IntToStr(i)}));
    return rows;
  }
  TRect Row(TObject* Object) {
    TZCLCompoundControlBaseContentCell* cell = nullptr;
    EXPECT_TRUE(Tree->GetContent()->GetCells()->Find(Object, cell));
    return cell ? cell->AbsoluteBounds() : TRect();
  }
  // A point in the row's text, away from buttons.
  TPoint At(TObject* Object) {
    const TRect r = Row(Object);
    return TPoint(r.Right - 20, (r.Top + r.Bottom) / 2);
  }
  // The point of the row where the hit test reports the flag.
  TPoint FindFlag(TObject* Object, Integer Flag) {
    const TRect r = Row(Object);
    for (Integer x = r.Left; x < r.Right; ++x) {
      Tree->UpdateHitTest(x, (r.Top + r.Bottom) / 2);
      if (Tree->GetHitTest()->HitObject == Object && Tree->GetHitTest()->GetHitObjectFlag(Flag))
        return TPoint(x, (r.Top + r.Bottom) / 2);
    }
    ADD_FAILURE() << "no hit flag " << Flag;
    return TPoint();
  }
  // Rows 0 and 1 in group "One", 2 and 3 in "Two".
  std::pair<TZCLTreeListGroup*, TZCLTreeListGroup*> TwoGroups(const std::vector<TZCLTreeListNode*>& Rows) {
    TZCLTreeListGroup* one = Tree->GetGroups()->Add(u"One");
    TZCLTreeListGroup* two = Tree->GetGroups()->Add(u"Two");
    for (size_t i = 0; i < 4; ++i) Rows[i]->SetGroup(i < 2 ? one : two);
    Tree->FullRefresh();
    return {one, two};
  }
  void Click(TObject* Object, TShiftState Shift = TShiftState(), TMouseButton Button = TMouseButton::Left) {
    ClickAt(At(Object), Shift, Button);
  }
  void ClickAt(TPoint P, TShiftState Shift = TShiftState(), TMouseButton Button = TMouseButton::Left) {
    Tree->MouseDown(Button, Shift, P.X, P.Y);
    Tree->MouseUp(Button, Shift, P.X, P.Y);
  }
  void DoubleClick(TObject* Object) {
    const TPoint p = At(Object);
    Tree->MouseDown(TMouseButton::Left, TShiftState{ssDouble}, p.X, p.Y);
    Tree->MouseUp(TMouseButton::Left, TShiftState(), p.X, p.Y);
  }
  void Key(Word K, TShiftState Shift = TShiftState()) {
    Word key = K;
    Tree->KeyDown(key, Shift);
  }
  std::vector<TZCLTreeListNode*> Selection() {
    std::vector<TZCLTreeListNode*> result;
    for (Integer i = 0; i < Tree->GetSelectedCount(); ++i) result.push_back(Tree->GetSelected(i));
    std::sort(result.begin(), result.end(), [](TZCLTreeListNode* a, TZCLTreeListNode* b) {
      return a->AbsoluteVisibleIndex() < b->AbsoluteVisibleIndex();
    });
    return result;
  }
  void ShowForm() {
    Form->Show();
    Headless::RunUntilIdle();
  }

 public:
  void DblClicked(TObject*, TZCLTreeListNode* Node) { DblClickedNodes.push_back(Node); }
  void Background(TObject*, TZCLTreeListNode* Node, TAlphaColor& Color) {
    if (Node && Node->GetValue(0) == u"row1") Color = 0xFF123456;
  }
  void NodeGroup(TObject*, TZCLTreeListNode* Node, String& Group) { Group = Node->GetValue(1); }
  void NodeOver(TObject*, TZCLTreeListNode*, TZCLTreeListDropTargetInsertMode, bool& Allowed) { Allowed = AllowOver; }
  void Dropped(TObject*, TZCLDropTarget*, TZCLDropAction, TZCLTreeListNode* Target,
               TZCLTreeListDropTargetInsertMode Mode) {
    Drops.push_back({Target, Mode});
  }

  std::vector<TZCLTreeListNode*> DblClickedNodes;
  std::vector<std::pair<TZCLTreeListNode*, TZCLTreeListDropTargetInsertMode>> Drops;
  bool AllowOver = true;
  TTestSkin Skin;
  TOwned<TForm> Form;
  TInputTreeList* List = nullptr;
  TInputTreeListSubClass* Tree = nullptr;
};

// ---- keyboard ---------------------------------------------------------------------------------

TEST_F(TreeListInputTest, NavigationKeysMoveFocusAndPageByTheVisibleRows) {
  auto rows = AddRows(40);
  auto* cells = Tree->GetContent()->GetCells();
  const Integer lastVisible = cells->LastVisible, page = cells->LastVisible - cells->FirstVisible;
  ASSERT_GT(page, 2);
  // With nothing focused only PageDown and End move on from the first row.
  Key(VK_UP);
  EXPECT_EQ(Tree->FocusedObject, rows[0]);
  Tree->SetFocusedNode(nullptr);
  Key(VK_END);
  EXPECT_EQ(Tree->FocusedObject, rows[39]);
  struct Step {
    Word Key;
    Integer From, To;
  } steps[] = {{VK_DOWN, 0, 1}, {VK_UP, 1, 0}, {VK_UP, 0, 0}, {VK_HOME, 7, 0}, {VK_END, 3, 39}, {VK_DOWN, 39, 39}};
  for (const Step& s : steps) {
    Tree->SetFocusedNode(rows[size_t(s.From)]);
    Key(s.Key);
    EXPECT_EQ(Tree->FocusedObject, rows[size_t(s.To)]) << "key " << s.Key << " from " << s.From;
    EXPECT_EQ(Tree->GetSelectedCount(), 1);
  }
  // PageDown goes to the last visible row first, and a page further from there.
  Tree->SetFocusedNode(rows[0]);
  Key(VK_NEXT);
  EXPECT_EQ(Tree->FocusedObject, rows[size_t(lastVisible)]);
  Key(VK_NEXT);
  EXPECT_GE(rows[0]->GetParent()->GetChildrenList()->IndexOf(Tree->GetFocusedNode()), lastVisible + page - 1);
  Tree->SetFocusedNode(rows[38]);
  Key(VK_NEXT);
  EXPECT_EQ(Tree->FocusedObject, rows[39]);
  const Integer firstVisible = cells->FirstVisible;
  ASSERT_GT(firstVisible, 0);
  Key(VK_PRIOR);
  EXPECT_EQ(Tree->FocusedObject, rows[size_t(firstVisible)]);
}

TEST_F(TreeListInputTest, ShiftAndCtrlRangesNeedAnAnchor) {
  auto rows = AddRows(6);
  Tree->GetOptionsSelection()->SetMultiSelect(true);
  Tree->SetFocusedNode(rows[1]);
  // Ctrl with an arrow and no anchor does nothing.
  Key(VK_DOWN, TShiftState{ssCtrl});
  EXPECT_EQ(Tree->FocusedObject, rows[1]);
  Key(VK_SHIFT, TShiftState{ssShift});
  Key(VK_DOWN, TShiftState{ssShift});
  Key(VK_DOWN, TShiftState{ssShift});
  EXPECT_EQ(Selection(), (std::vector<TZCLTreeListNode*>{rows[1], rows[2], rows[3]}));
  EXPECT_EQ(Tree->FocusedObject, rows[3]);
  Key(VK_UP, TShiftState{ssShift});
  EXPECT_EQ(Selection(), (std::vector<TZCLTreeListNode*>{rows[1], rows[2]}));
  Word shift = VK_SHIFT;
  Tree->KeyUp(shift, TShiftState());
  EXPECT_EQ(Tree->SelectionAnchor, nullptr);
  // Without MultiSelect Shift moves like a plain arrow.
  Tree->GetOptionsSelection()->SetMultiSelect(false);
  Tree->SetFocusedNode(rows[2]);
  Key(VK_SHIFT, TShiftState{ssShift});
  Key(VK_DOWN, TShiftState{ssShift});
  EXPECT_EQ(Selection(), (std::vector<TZCLTreeListNode*>{rows[3]}));
}

TEST_F(TreeListInputTest, LeftAndRightWalkTheTreeAndTheCells) {
  auto top = AddRows(2);
  auto children = AddRows(2, top[0]);
  top[0]->SetExpanded(true);
  Tree->SetFocusedNode(top[0]);
  Key(VK_RIGHT);  // expanded: to the first child
  EXPECT_EQ(Tree->FocusedObject, children[0]);
  Key(VK_LEFT);  // a leaf: to its parent
  EXPECT_EQ(Tree->FocusedObject, top[0]);
  Key(VK_LEFT);  // expanded: collapses
  EXPECT_FALSE(top[0]->GetExpanded());
  Key(VK_RIGHT);
  EXPECT_TRUE(top[0]->GetExpanded());
  EXPECT_EQ(Tree->FocusedObject, top[0]);
  // A focused child hidden by collapsing hands the focus to its parent.
  Tree->SetFocusedNode(children[1]);
  top[0]->SetExpanded(false);
  EXPECT_EQ(Tree->FocusedObject, top[0]);

  // With cell focus the arrows walk the visible columns in display order first.
  auto* a = Tree->GetColumns()->Add(u"A");
  auto* b = Tree->GetColumns()->Add(u"B");
  auto* c = Tree->GetColumns()->Add(u"C");
  b->SetVisible(false);
  c->SetDrawIndex(0);  // order: C, A, (B)
  Tree->GetOptionsSelection()->SetFocusCell(true);
  Tree->SetFocusedNode(top[1]);
  Key(VK_RIGHT);  // none focused: A counts as current
  EXPECT_EQ(Tree->FocusedColumn, nullptr);
  Tree->SetFocusedColumn(c);
  Key(VK_RIGHT);
  EXPECT_EQ(Tree->FocusedColumn, a);
  Key(VK_LEFT);
  EXPECT_EQ(Tree->FocusedColumn, c);
  Tree->SetFocusedColumn(b);  // hidden: not focusable
  EXPECT_EQ(Tree->FocusedColumn, nullptr);
}

TEST_F(TreeListInputTest, SpaceChecksTheFocusedAndSelectedNodesUnlessSearching) {
  auto rows = AddRows(4);
  Tree->GetOptionsSelection()->SetMultiSelect(true);
  Tree->GetOptionsBehavior()->SetIncSearchColumnIndex(0);
  Tree->SetFocusedNode(rows[0]);
  rows[2]->SetSelected(true);
  Key(VK_SPACE);
  EXPECT_TRUE(rows[0]->GetChecked());
  EXPECT_TRUE(rows[2]->GetChecked());
  EXPECT_FALSE(rows[1]->GetChecked());
  // While a search is typed Space belongs to it.
  Char r = u'r';
  Tree->KeyPress(r);
  ASSERT_TRUE(Tree->GetIncSearch()->Active());
  Key(VK_SPACE);
  EXPECT_TRUE(rows[0]->GetChecked());
  EXPECT_TRUE(Tree->WantSpecialKey(VK_ESCAPE, TShiftState()));
  Key(VK_ESCAPE);
  EXPECT_FALSE(Tree->GetIncSearch()->Active());
  EXPECT_FALSE(Tree->WantSpecialKey(VK_ESCAPE, TShiftState()));
}

TEST_F(TreeListInputTest, KeyCommandsTable) {
  auto rows = AddRows(4);
  Tree->GetOptionsSelection()->SetMultiSelect(true);
  Tree->SetFocusedNode(rows[1]);
  Key('A', TShiftState{ssCtrl, ssShift});  // not Ctrl+A
  EXPECT_EQ(Tree->GetSelectedCount(), 1);
  Key('A', TShiftState{ssCtrl});
  EXPECT_EQ(Tree->GetSelectedCount(), 4);
  rows[0]->SetSelected(false);
  Key(VK_MULTIPLY);
  EXPECT_EQ(Selection(), (std::vector<TZCLTreeListNode*>{rows[0]}));
  Key(VK_DELETE);  // deleting is off
  EXPECT_EQ(Tree->GetRootNode()->GetChildrenCount(), 4);
  Tree->GetOptionsBehavior()->SetDeleting(true);
  Key(VK_DELETE);
  EXPECT_EQ(Tree->GetRootNode()->GetChildrenCount(), 3);
  // Enter asks for an editor on the focused cell only with Editing on.
  Tree->SetFocusedNode(rows[2]);
  Key(VK_RETURN);
  EXPECT_TRUE(Tree->EditRequests.empty());
  Tree->GetOptionsBehavior()->SetEditing(true);
  Key(VK_RETURN);
  ASSERT_EQ(Tree->EditRequests.size(), 1u);
  EXPECT_EQ(Tree->EditRequests[0].first, rows[2]);
}

TEST_F(TreeListInputTest, TypeAheadFocusesMatchesAndRefusesTextWithoutOne) {
  Tree->GetRootNode()->AddChild({u"apple"});
  TZCLTreeListNode* banana = Tree->GetRootNode()->AddChild({u"banana"});
  TZCLTreeListNode* blueberry = Tree->GetRootNode()->AddChild({u"blueberry"});
  Tree->GetOptionsBehavior()->SetIncSearchColumnIndex(0);
  auto type = [&](Char C) { Tree->KeyPress(C); };
  type(u'b');
  EXPECT_EQ(Tree->FocusedObject, banana);
  type(u'l');
  EXPECT_EQ(Tree->FocusedObject, blueberry);
  type(u'x');  // nothing starts with "blx"
  EXPECT_EQ(Tree->GetIncSearch()->GetText(), u"bl");
  Key(VK_BACK);
  EXPECT_EQ(Tree->GetIncSearch()->GetText(), u"b");
  // Moving the focus by other means ends the search.
  Key(VK_UP);
  EXPECT_FALSE(Tree->GetIncSearch()->Active());
  // The option names a display position among the visible columns.
  Tree->GetColumns()->Add(u"Name");
  Tree->GetColumns()->Add(u"Hidden")->SetVisible(false);
  Tree->GetColumns()->Add(u"Kind")->SetDrawIndex(0);
  EXPECT_EQ(Tree->GetIncSearchValueIndex(), 2);
  Tree->GetOptionsBehavior()->SetIncSearchColumnIndex(1);
  EXPECT_EQ(Tree->GetIncSearchValueIndex(), 0);
  Tree->GetOptionsBehavior()->SetIncSearchColumnIndex(5);
  EXPECT_EQ(Tree->GetIncSearchValueIndex(), 0);
  Tree->GetOptionsBehavior()->SetIncSearchColumnIndex(0);
  Tree->GetColumns()->Clear();
  // In filter mode the rows shrink to the matches as the user types.
  Tree->GetOptionsBehavior()->SetIncSearchMode(ismFilter);
  type(u'n');
  type(u'a');
  EXPECT_EQ(Tree->GetAbsoluteVisibleNodes()->GetCount(), 1);
  EXPECT_EQ(Tree->FocusedObject, banana);
}

// ---- mouse ------------------------------------------------------------------------------------

TEST_F(TreeListInputTest, ClicksSelectWithCtrlAndShiftInMultiSelect) {
  auto rows = AddRows(6);
  Tree->GetOptionsSelection()->SetMultiSelect(true);
  Click(rows[1]);
  EXPECT_EQ(Selection(), (std::vector<TZCLTreeListNode*>{rows[1]}));
  Click(rows[3], TShiftState{ssCtrl});  // adds
  EXPECT_EQ(Selection(), (std::vector<TZCLTreeListNode*>{rows[1], rows[3]}));
  Click(rows[1], TShiftState{ssCtrl});  // a selected one: deselected but focused
  EXPECT_EQ(Selection(), (std::vector<TZCLTreeListNode*>{rows[3]}));
  EXPECT_EQ(Tree->FocusedObject, rows[1]);
  // Shift+click without an anchor (Shift was never pressed over the control) does nothing.
  Click(rows[5], TShiftState{ssShift});
  EXPECT_EQ(Selection(), (std::vector<TZCLTreeListNode*>{rows[3]}));
  Tree->SelectionAnchor = rows[2];
  Click(rows[4], TShiftState{ssShift});
  EXPECT_EQ(Selection(), (std::vector<TZCLTreeListNode*>{rows[2], rows[3], rows[4]}));
  // Right-clicking a selected row keeps the selection; an unselected one is selected alone.
  Click(rows[3], TShiftState(), TMouseButton::Right);
  EXPECT_EQ(Selection().size(), 3u);
  Click(rows[0], TShiftState(), TMouseButton::Right);
  EXPECT_EQ(Selection(), (std::vector<TZCLTreeListNode*>{rows[0]}));
}

TEST_F(TreeListInputTest, PressOnASelectedRowReducesTheSelectionOnRelease) {
  auto rows = AddRows(4);
  Tree->GetOptionsSelection()->SetMultiSelect(true);
  Tree->SelectAll();
  const TPoint p = At(rows[2]);
  Tree->MouseDown(TMouseButton::Left, TShiftState{ssLeft}, p.X, p.Y);
  EXPECT_EQ(Tree->GetSelectedCount(), 4);
  Tree->MouseUp(TMouseButton::Left, TShiftState(), p.X, p.Y);
  EXPECT_EQ(Selection(), (std::vector<TZCLTreeListNode*>{rows[2]}));
  // A single click starts editing only in that mode.
  EXPECT_TRUE(Tree->EditRequests.empty());
  Tree->GetOptionsBehavior()->SetEditingStartingMode(esmOnSingleClick);
  Click(rows[1]);
  ASSERT_EQ(Tree->EditRequests.size(), 1u);
  EXPECT_EQ(Tree->EditRequests[0].first, rows[1]);
  // A press on empty content drops everything when focus may go.
  Tree->MouseDown(TMouseButton::Left, TShiftState{ssLeft}, 150, 190);
  EXPECT_EQ(Tree->GetSelectedCount(), 0);
  EXPECT_EQ(Tree->FocusedObject, nullptr);
}

TEST_F(TreeListInputTest, DoubleClickTogglesWithoutHandlerOrEditor) {
  auto rows = AddRows(2);
  AddRows(1, rows[0]);
  DoubleClick(rows[0]);
  EXPECT_TRUE(rows[0]->GetExpanded());
  Tree->OnNodeDblClicked = TZCLTreeListNodeEvent(this, &TreeListInputTest::DblClicked);
  DoubleClick(rows[0]);
  EXPECT_TRUE(rows[0]->GetExpanded());
  EXPECT_EQ(DblClickedNodes, (std::vector<TZCLTreeListNode*>{rows[0]}));
  // An editor opened by the double click takes it.
  EXPECT_EQ(Tree->EditRequests.size(), 2u);
  Tree->OpenEditorOnRequest = true;
  DoubleClick(rows[1]);
  EXPECT_EQ(Tree->EditRequests.back().first, rows[1]);
  EXPECT_EQ(DblClickedNodes.size(), 1u);
}

TEST_F(TreeListInputTest, AltClickOnExpandButtonWorksOnAllSiblings) {
  auto rows = AddRows(3);
  std::vector<TZCLTreeListNode*> grand;
  for (TZCLTreeListNode* row : rows) grand.push_back(AddRows(1, AddRows(1, row)[0])[0]->GetParent());
  for (TZCLTreeListNode* row : rows) row->SetExpanded(true);
  grand[2]->SetExpanded(true);
  ClickAt(FindFlag(rows[0], HitFlagExpandButton), TShiftState{ssAlt});
  for (Integer i = 0; i < 3; ++i) EXPECT_FALSE(rows[size_t(i)]->GetExpanded()) << i;
  EXPECT_FALSE(grand[2]->GetExpanded());  // collapsing is recursive
  ClickAt(FindFlag(rows[1], HitFlagExpandButton), TShiftState{ssAlt});
  for (Integer i = 0; i < 3; ++i) EXPECT_TRUE(rows[size_t(i)]->GetExpanded()) << i;
  EXPECT_FALSE(grand[2]->GetExpanded());  // expanding is not
}

TEST_F(TreeListInputTest, GroupsTakeFocusByOptionAndHomeSkipsAnExpandedGroup) {
  auto rows = AddRows(4);
  auto [g1, g2] = TwoGroups(rows);
  Tree->SetFocusedNode(rows[3]);
  Key(VK_HOME);
  EXPECT_EQ(Tree->FocusedObject, rows[0]);
  Key(VK_DOWN);
  Key(VK_DOWN);
  EXPECT_EQ(Tree->FocusedObject, g2);
  Tree->GetOptionsBehavior()->SetGroupsFocus(false);
  Tree->SetFocusedNode(rows[1]);
  Key(VK_DOWN);
  EXPECT_EQ(Tree->FocusedObject, rows[2]);
  // A click on an expanded group focuses its first node but selects the whole group.
  Tree->GetOptionsSelection()->SetMultiSelect(true);
  Click(g1);
  EXPECT_EQ(Tree->FocusedObject, rows[0]);
  EXPECT_EQ(Selection(), (std::vector<TZCLTreeListNode*>{rows[0], rows[1]}));
  // A range over a group row in the middle does not take the group's rows twice.
  Tree->SelectRange(rows[1], rows[2], rows[2], false, true, 1);
  EXPECT_EQ(Selection(), (std::vector<TZCLTreeListNode*>{rows[1], rows[2]}));
}

TEST_F(TreeListInputTest, FirstKeyIntoAnUnfocusedListSkipsGroupsThatMayNotTakeFocus) {
  auto rows = AddRows(4);
  auto [g1, g2] = TwoGroups(rows);
  for (const bool groupsFocus : {true, false}) {
    Tree->GetOptionsBehavior()->SetGroupsFocus(groupsFocus);
    Tree->SetFocusedObject(nullptr, true, false);
    ASSERT_EQ(Tree->FocusedObject, nullptr);
    Key(VK_DOWN);
    EXPECT_EQ(Tree->FocusedObject, groupsFocus ? static_cast<TObject*>(g1) : rows[0]) << groupsFocus;
  }
}

TEST_F(TreeListInputTest, WheelAndPanScroll) {
  AddRows(40);
  const Integer rowHeight = (*Tree->GetContent()->GetCells())[0]->Height;
  Tree->GetOptionsBehavior()->SetMouseWheelScrollLines(3);
  // The first line shows the cut last row completely, each further line one more row.
  const Integer cut = Tree->GetContent()->GetScrollLineDownDelta();
  Tree->ProcessMouseWheel(mwdDown, TShiftState());
  EXPECT_EQ(Tree->GetViewport().Y, cut + 2 * rowHeight);
  Tree->ProcessMouseWheel(mwdUp, TShiftState());
  EXPECT_EQ(Tree->GetViewport().Y, 0);
  // The scroll bars' messages reach the rows.
  List->Perform(WM_VSCROLL, SB_LINEDOWN, 0);
  EXPECT_GT(Tree->GetViewport().Y, 0);
  Tree->SetViewportY(0);
  TGestureEventInfo pan;
  pan.GestureID = igiPan;
  pan.Location = TPoint(50, 100);
  pan.Flags = TInteractiveGestureFlags{gfBegin};
  bool handled = false;
  List->Perform(CM_GESTURE, 0, reinterpret_cast<LPARAM>(&pan));
  pan.Flags = TInteractiveGestureFlags();
  pan.Location = TPoint(50, 70);
  Tree->ProcessGesture(pan, handled);
  EXPECT_TRUE(handled);
  EXPECT_EQ(Tree->GetViewport().Y, 30);
}

TEST_F(TreeListInputTest, ColumnsMenuListsColumnsAndSwitchesVisibility) {
  Tree->GetColumns()->Add(u"Name");
  TZCLTreeListColumn* size = Tree->GetColumns()->Add(u"Size");
  size->SetVisible(false);
  TZCLPopupMenu* menu = Tree->GetColumnsPopupMenu();
  TMenuItem* items = menu->GetItems();
  ASSERT_EQ(items->GetCount(), 2);
  EXPECT_EQ(items->GetItem(1)->GetCaption(), u"Size");
  EXPECT_TRUE(items->GetItem(0)->GetChecked());
  EXPECT_FALSE(items->GetItem(1)->GetChecked());
  items->GetItem(1)->Click();
  EXPECT_TRUE(size->GetVisible());
  EXPECT_EQ(Tree->GetColumnsPopupMenu()->GetItems()->GetCount(), 2);  // rebuilt, not appended
  // The menu is drawn with the list's popup-menu style, taken afresh at every opening.
  Tree->GetStylePopupMenu()->GetCornerRadius()->SetValue(7);
  EXPECT_EQ(Tree->GetColumnsPopupMenu()->GetStyle()->GetCornerRadius()->GetValue(), 7);
}

TEST_F(TreeListInputTest, CellHintsFollowTheOption) {
  Tree->GetColumns()->Add(u"Name")->SetWidth(40);
  TZCLTreeListNode* node = Tree->GetRootNode()->AddChild({u"a text far too long for its narrow cell"});
  ShowForm();  // hints show only over the active form
  auto* hints = Tree->GetHintController();
  const bool showHint = Application->GetShowHint();
  Application->SetShowHint(true);
  auto hintAt = [&](TPoint P) {
    hints->Cancel();
    Tree->UpdateHitTest(P);
    hints->Update(Tree->GetHitTest());
    return hints->GetHintObject();
  };
  const TPoint inCell(Row(node).Left + 20, At(node).Y);
  Tree->UpdateHitTest(inCell);
  ASSERT_FALSE(Tree->GetHitTest()->HintData.Text.empty());
  EXPECT_EQ(hintAt(inCell), node);
  Tree->GetOptionsBehavior()->SetCellHints(false);
  EXPECT_EQ(hintAt(inCell), nullptr);
  Application->SetShowHint(showHint);
}

// ---- colours ----------------------------------------------------------------------------------

TEST_F(TreeListInputTest, RowColoursFollowSelectionFocusAndHover) {
  auto rows = AddRows(3);
  TZCLStyleTreeList* style = Tree->GetStyle();
  const TAlphaColor even = 0xFF101010, odd = 0xFF202020, focused = 0xFF303030, selected = 0xFF404040,
                    inactive = 0xFF505050, hovered = 0xFF606060;
  style->GetColor(10)->SetValue(even);
  style->GetColor(11)->SetValue(odd);
  style->GetColor(12)->SetValue(focused);
  style->GetColor(16)->SetValue(selected);
  style->GetColor(17)->SetValue(inactive);
  style->GetColor(14)->SetValue(hovered);
  Tree->GetOptionsSelection()->SetMultiSelect(true);
  Tree->SetFocusedNode(rows[0]);
  rows[1]->SetSelected(true);
  EXPECT_EQ(Tree->GetNodeBackgroundColor(false, rows[0]), focused);
  EXPECT_EQ(Tree->GetNodeBackgroundColor(true, rows[1]), selected);
  EXPECT_EQ(Tree->GetNodeBackgroundColor(false, rows[2]), even);
  EXPECT_EQ(Tree->GetNodeBackgroundColor(true, rows[2]), odd);
  Tree->Focused = false;
  EXPECT_EQ(Tree->GetNodeBackgroundColor(false, rows[0]), inactive);
  Tree->SetHoveredObject(rows[2], nullptr);
  EXPECT_EQ(Tree->GetNodeBackgroundColor(false, rows[2]), even);
  Tree->GetOptionsBehavior()->SetHotTrack(true);
  EXPECT_EQ(Tree->GetNodeBackgroundColor(false, rows[2]), hovered);
  // The handler has the last word.
  Tree->OnGetNodeBackground = TZCLTreeListGetNodeBackgroundEvent(this, &TreeListInputTest::Background);
  EXPECT_EQ(Tree->GetNodeBackgroundColor(true, rows[1]), 0xFF123456u);

  style->GetColor(21)->SetValue(0xFF000001);  // text
  style->GetColor(18)->SetValue(0xFF000002);  // selected text
  style->GetColor(13)->SetValue(0xFF000003);  // focused text
  Tree->Focused = true;
  EXPECT_EQ(Tree->GetNodeTextColor(rows[2]), TAlphaColorHelper::ToColor(0xFF000001));
  EXPECT_EQ(Tree->GetNodeTextColor(rows[1]), TAlphaColorHelper::ToColor(0xFF000002));
  EXPECT_EQ(Tree->GetNodeTextColor(rows[0]), TAlphaColorHelper::ToColor(0xFF000003));
}

// ---- dragging --------------------------------------------------------------------------------

class TreeListDragTest : public TreeListInputTest {
 protected:
  void SetUp() override {
    TreeListInputTest::SetUp();
    ShowForm();
  }
  // Presses, crosses the drag threshold (which starts the drag), then moves to each point.
  void Press(TPoint From, TShiftState Shift = TShiftState()) {
    Shift.Include(ssLeft);
    Tree->MouseDown(TMouseButton::Left, Shift, From.X, From.Y);
    Tree->MouseMove(Shift, From.X, From.Y + 6);
  }
  void MoveTo(TPoint P) { Tree->MouseMove(TShiftState{ssLeft}, P.X, P.Y); }
  void Release(TPoint P) { Tree->MouseUp(TMouseButton::Left, TShiftState(), P.X, P.Y); }
  void Drag(TPoint From, TPoint To) {
    Press(From);
    MoveTo(To);
    Release(To);
  }
  TPoint Upper(TObject* Object) { return TPoint(At(Object).X, Row(Object).Top + 2); }
  TPoint Lower(TObject* Object) { return TPoint(At(Object).X, Row(Object).Bottom - 2); }
  TPoint LeftPart(TObject* Object) { return TPoint(Row(Object).Left + 30, At(Object).Y); }
  std::vector<String> Order(TZCLTreeListNode* Parent = nullptr) {
    if (!Parent) Parent = Tree->GetRootNode();
    std::vector<String> result;
    for (Integer i = 0; i < Parent->GetChildrenCount(); ++i) result.push_back(Parent->GetChild(i)->GetValue(0));
    return result;
  }
  TZCLTreeListDragAndDropController* Controller() {
    return static_cast<TZCLTreeListDragAndDropController*>(Tree->GetDragAndDropController());
  }
  TZCLTreeListColumnViewInfo* Header(Integer Index) {
    return Tree->GetContent()->GetColumnBar()->GetColumnViewInfo(Index);
  }
};

TEST_F(TreeListDragTest, DraggingARowReordersItsSiblingsAndRefusesNoOps) {
  auto rows = AddRows(5);
  Tree->GetOptionsBehavior()->SetDragSorting(true);
  Tree->SetFocusedNode(rows[1]);
  // Before the row that follows it directly, or after the one before it: nothing would move.
  Press(At(rows[1]));
  ASSERT_TRUE(Controller()->GetIsActive());
  MoveTo(Upper(rows[2]));
  EXPECT_EQ(Controller()->DropTargetObject, nullptr);
  EXPECT_EQ(Controller()->GetCursor(), crNoDrop);
  MoveTo(Lower(rows[0]));
  EXPECT_EQ(Controller()->DropTargetObject, nullptr);
  MoveTo(Lower(rows[3]));
  EXPECT_EQ(Controller()->DropTargetObject, rows[3]);
  EXPECT_EQ(Controller()->DropTargetMode, dtimAfter);
  EXPECT_EQ(Tree->GetContent()->GetDropTargetViewInfo()->GetTarget(), rows[3]);
  Release(Lower(rows[3]));
  EXPECT_EQ(Order(), (std::vector<String>{u"row0", u"row2", u"row3", u"row1", u"row4"}));
  EXPECT_EQ(Tree->GetContent()->GetDropTargetViewInfo()->GetTarget(), nullptr);
  EXPECT_FALSE(Controller()->GetIsActive());

  // OnDragSortingNodeOver has the last word.
  AllowOver = false;
  Tree->OnDragSortingNodeOver = TZCLTreeListDragSortingNodeOverEvent(this, &TreeListInputTest::NodeOver);
  Drag(At(rows[1]), Upper(rows[0]));
  EXPECT_EQ(Order(), (std::vector<String>{u"row0", u"row2", u"row3", u"row1", u"row4"}));
  AllowOver = true;
  Drag(At(rows[1]), Upper(rows[0]));
  EXPECT_EQ(Order(), (std::vector<String>{u"row1", u"row0", u"row2", u"row3", u"row4"}));
}

TEST_F(TreeListDragTest, ChangingLevelDropsIntoANodeFarRightOfItsText) {
  auto rows = AddRows(3);
  auto children = AddRows(1, rows[2]);
  Tree->GetOptionsBehavior()->SetDragSorting(true);
  Tree->SetFocusedNode(rows[0]);
  // Levels stay: far right of a row is still before or after it.
  Press(At(rows[0]));
  MoveTo(Lower(rows[1]));
  EXPECT_EQ(Controller()->DropTargetMode, dtimAfter);
  Key(VK_ESCAPE);
  EXPECT_FALSE(Controller()->GetIsActive());
  Release(Lower(rows[1]));
  EXPECT_EQ(Order(), (std::vector<String>{u"row0", u"row1", u"row2"}));

  Tree->GetOptionsBehavior()->SetDragSortingAllowChangeLevel(true);
  Press(At(rows[0]));
  MoveTo(At(rows[2]));
  EXPECT_EQ(Controller()->DropTargetObject, rows[2]);
  EXPECT_EQ(Controller()->DropTargetMode, dtimInto);
  // Resting over a collapsed row for the expand delay opens it.
  auto* drag = dynamic_cast<TZCLTreeListCustomDragSortingObject*>(Controller()->GetDragObject());
  ASSERT_TRUE(drag && drag->DropTarget && drag->DropTarget->GetExpandTimer());
  EXPECT_TRUE(drag->DropTarget->GetExpandTimer()->GetEnabled());
  drag->DropTarget->GetExpandTimer()->DoTimer();
  EXPECT_TRUE(rows[2]->GetExpanded());
  MoveTo(At(rows[2]));
  Release(At(rows[2]));
  EXPECT_EQ(Order(), (std::vector<String>{u"row1", u"row2"}));
  EXPECT_EQ(Order(rows[2]), (std::vector<String>{u"row0", u"row0"}));
  EXPECT_EQ(rows[0]->GetParent(), rows[2]);
  EXPECT_EQ(children[0]->GetIndex(), 0);
}

TEST_F(TreeListDragTest, ASelectionOverTwoGroupsCannotBeSorted) {
  auto rows = AddRows(4);
  auto [g1, g2] = TwoGroups(rows);
  Tree->GetOptionsSelection()->SetMultiSelect(true);
  rows[0]->SetSelected(true);
  rows[2]->SetSelected(true);
  auto* spread = new TZCLTreeListNodeDragSortingDropTarget(Tree);
  EXPECT_EQ(spread->DraggedNodes.GetCount(), 0);
  Free(spread);
  rows[2]->SetSelected(false);
  TOwned<TZCLTreeListNodeDragSortingDropTarget> owned(new TZCLTreeListNodeDragSortingDropTarget(Tree));
  TZCLTreeListNodeDragSortingDropTarget& single = *owned;
  EXPECT_EQ(single.DraggedGroup, g1);
  Tree->UpdateHitTest(Lower(rows[3]));
  TObject* target = nullptr;
  TZCLTreeListDropTargetInsertMode mode = dtimInto;
  EXPECT_FALSE(single.CalcDropTarget(target, mode));  // another group
  Tree->UpdateHitTest(Lower(rows[1]));
  EXPECT_TRUE(single.CalcDropTarget(target, mode));
  EXPECT_EQ(target, rows[1]);
}

TEST_F(TreeListDragTest, GroupsReorderByDraggingTheirHeaders) {
  const char16_t* of[] = {u"One", u"One", u"Two", u"Two", u"Three"};
  std::vector<TZCLTreeListNode*> rows;
  for (const char16_t* group : of) rows.push_back(Tree->GetRootNode()->AddChild({u"row", group}));
  Tree->OnGetNodeGroup = TZCLTreeListGetNodeGroupEvent(this, &TreeListInputTest::NodeGroup);
  Tree->GetOptionsBehavior()->SetGroups(true);
  TZCLTreeListGroups* groups = Tree->GetGroups();
  ASSERT_EQ(groups->GetCount(), 3);
  TZCLTreeListGroup *one = (*groups)[0], *two = (*groups)[1], *three = (*groups)[2];
  Tree->GetOptionsBehavior()->SetDragSorting(true);
  auto names = [&] {
    std::vector<String> result;
    for (Integer i = 0; i < groups->GetCount(); ++i) result.push_back((*groups)[i]->GetCaption());
    return result;
  };
  Drag(At(one), At(two));  // right behind itself: nothing to do
  EXPECT_EQ(names(), (std::vector<String>{u"One", u"Two", u"Three"}));
  Drag(At(three), At(one));
  EXPECT_EQ(names(), (std::vector<String>{u"Three", u"One", u"Two"}));
  EXPECT_EQ(Tree->GetRootNode()->GetChild(0), rows[4]);  // the rows follow their groups
  // Over the rows of the last group: after its last row.
  Drag(At(one), At(rows[3]));
  EXPECT_EQ(names(), (std::vector<String>{u"Three", u"Two", u"One"}));
}

TEST_F(TreeListDragTest, OutsideDropsReportTargetAndMode) {
  auto rows = AddRows(3);
  Tree->OnDrop = TZCLTreeListDropEvent(this, &TreeListInputTest::Dropped);
  TOwned<TZCLTreeListDropTarget> owned(new TZCLTreeListDropTarget(Tree));
  TZCLTreeListDropTarget& target = *owned;
  target.DoEnter();
  bool allow = false;
  String hint;
  TZCLDropAction action = daCopy;
  target.DoOver(TShiftState(), Tree->ClientToScreen(Upper(rows[1])), hint, allow, action);
  EXPECT_TRUE(allow);
  EXPECT_EQ(Controller()->DropTargetMode, dtimBefore);
  target.DoDrop(TShiftState(), Tree->ClientToScreen(Upper(rows[1])), action);
  target.DoOver(TShiftState(), Tree->ClientToScreen(TPoint(100, 190)), hint, allow, action);
  EXPECT_TRUE(allow);  // empty space: after the last row
  target.DoDrop(TShiftState(), Tree->ClientToScreen(TPoint(100, 190)), action);
  target.DoLeave();
  ASSERT_EQ(Drops.size(), 2u);
  EXPECT_EQ(Drops[0], std::make_pair(rows[1], dtimBefore));
  EXPECT_EQ(Drops[1], std::make_pair(static_cast<TZCLTreeListNode*>(nullptr), dtimAfter));
  EXPECT_EQ(Controller()->DropTargetObject, nullptr);
  // Switching the option registers a default target.
  EXPECT_EQ(Controller()->GetDropTarget(), nullptr);
  Tree->GetOptionsBehavior()->SetDropTarget(true);
  EXPECT_NE(dynamic_cast<TZCLTreeListDropTarget*>(Controller()->GetDropTarget()), nullptr);
  Tree->GetOptionsBehavior()->SetDropTarget(false);
  EXPECT_EQ(Controller()->GetDropTarget(), nullptr);
}

TEST_F(TreeListDragTest, RubberBandFromTheRightQuarterElseTheSelectionMoves) {
  auto rows = AddRows(5);
  Tree->GetColumns()->Add(u"Name")->SetWidth(200);
  Tree->GetOptionsSelection()->SetMultiSelect(true);
  Tree->GetOptionsBehavior()->SetDragSorting(true);
  const TPoint rightQuarter(180, At(rows[1]).Y);
  Press(rightQuarter);
  MoveTo(TPoint(195, At(rows[3]).Y));
  EXPECT_FALSE(Tree->GetContent()->GetSelectionRect().IsEmpty());
  Release(TPoint(195, At(rows[3]).Y));
  EXPECT_EQ(Selection(), (std::vector<TZCLTreeListNode*>{rows[1], rows[2], rows[3]}));
  EXPECT_TRUE(Tree->GetContent()->GetSelectionRect().IsEmpty());
  // From the left of a selected row the whole selection is dragged.
  Drag(LeftPart(rows[2]), Lower(rows[4]));
  EXPECT_EQ(Order(), (std::vector<String>{u"row0", u"row4", u"row1", u"row2", u"row3"}));
}

// While an outside drag of the selection runs, the list also takes its own drop for sorting.
TEST_F(TreeListDragTest, DropSourceOperationSetsUpSortingForItsDuration) {
  auto rows = AddRows(3);
  Tree->SetFocusedNode(rows[0]);
  Tree->GetOptionsBehavior()->SetDragSorting(true);
  Tree->UpdateHitTest(At(rows[0]));
  TOwned<TZCLTreeListNodeDragObject> drag(new TZCLTreeListNodeDragObject(rows[0]));
  drag->Controller = Controller();
  drag->DropSourceBegin();
  auto* target = dynamic_cast<TZCLTreeListNodeDragSortingDropTarget*>(Controller()->GetDropTarget());
  ASSERT_NE(target, nullptr);
  EXPECT_EQ(target->DraggedNodes.GetCount(), 1);
  drag->DropSourceEnd(TZCLDropSourceActions(), TShiftState());
  EXPECT_EQ(Controller()->GetDropTarget(), nullptr);  // the default: none without the DropTarget option
}

TEST_F(TreeListDragTest, HeadersMoveAndHideByDragging) {
  TZCLTreeListColumn* a = Tree->GetColumns()->Add(u"A");
  TZCLTreeListColumn* b = Tree->GetColumns()->Add(u"B");
  TZCLTreeListColumn* c = Tree->GetColumns()->Add(u"C");
  for (TZCLTreeListColumn* column : {a, b, c}) column->SetWidth(80);
  AddRows(2);
  auto mid = [&](Integer I) {
    const TRect r = Header(I)->GetBounds();
    return TPoint(r.Left + 20, (r.Top + r.Bottom) / 2);
  };
  Drag(mid(0), mid(2));  // ColumnOrder off: no drag
  EXPECT_EQ(a->GetDrawIndex(), 0);
  Tree->GetOptionsCustomizing()->SetColumnOrder(true);
  Drag(mid(0), mid(2));
  EXPECT_EQ(a->GetDrawIndex(), 2);
  EXPECT_EQ(b->GetDrawIndex(), 0);
  // Away from the bar a header is hidden only when the user may hide columns.
  const TPoint below(60, 150);
  Drag(mid(0), below);
  EXPECT_TRUE(b->GetVisible());
  Tree->GetOptionsCustomizing()->SetColumnVisibility(true);
  Press(mid(0));
  MoveTo(below);
  EXPECT_EQ(Controller()->GetCursor(), TCursor(crDragRemove));
  Release(below);
  EXPECT_FALSE(b->GetVisible());
}

TEST_F(TreeListDragTest, ResizingInAutoWidthMovesOnlyTheSharedEdge) {
  TZCLTreeListColumn* a = Tree->GetColumns()->Add(u"A");
  TZCLTreeListColumn* b = Tree->GetColumns()->Add(u"B");
  Tree->GetColumns()->Add(u"C");
  Tree->GetOptionsView()->GetColumns()->SetAutoWidth(true);
  Tree->FullRefresh();
  Integer total = 0;
  for (Integer i = 0; i < 3; ++i) total += Header(i)->Width;
  const Integer aWidth = Header(0)->Width, bWidth = Header(1)->Width;
  const TRect edge = Header(0)->GetBounds();
  const TPoint grip(edge.Right - 2, (edge.Top + edge.Bottom) / 2);
  Tree->UpdateHitTest(grip);
  ASSERT_TRUE(Tree->GetHitTest()->GetHitObjectFlag(3));
  Press(grip);
  MoveTo(TPoint(grip.X + 30, grip.Y + 6));
  Release(TPoint(grip.X + 30, grip.Y + 6));
  EXPECT_EQ(a->GetWidth(), aWidth + 30);
  EXPECT_EQ(b->GetWidth(), bWidth - 30);
  Integer after = 0;
  for (Integer i = 0; i < 3; ++i) after += Tree->GetColumns()->GetDrawingItem(i)->GetWidth();
  EXPECT_EQ(after, total);
}

}  // namespace
