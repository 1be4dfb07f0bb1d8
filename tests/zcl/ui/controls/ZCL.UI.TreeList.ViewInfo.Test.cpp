#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.ImgList.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/treelist/ZCL.UI.CompoundControl.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.ViewInfo.h"

namespace {

using namespace testskin;

// Records the client rectangles the view layer asks to repaint.
class TRecordingTreeListSubClass : public TZCLTreeListSubClass {
  ZCL_CLASS(TRecordingTreeListSubClass, TZCLTreeListSubClass)
 public:
  using TZCLTreeListSubClass::TZCLTreeListSubClass;
  void InvalidateRect(const TRect& R) override {
    Invalidated.push_back(R);
    inherited::InvalidateRect(R);
  }
  bool WasInvalidated(const TRect& R) const {
    for (const TRect& r : Invalidated)
      if (r == R) return true;
    return false;
  }
  std::vector<TRect> Invalidated;
};

class TTestTreeList : public TZCLCompoundControl {
  ZCL_CLASS(TTestTreeList, TZCLCompoundControl)
 public:
  using TZCLCompoundControl::TZCLCompoundControl;
  TRecordingTreeListSubClass* Tree() const { return static_cast<TRecordingTreeListSubClass*>(GetSubClass()); }
  TZCLTreeListContentViewInfo* Content() const { return Tree()->GetContent(); }

 protected:
  TZCLCompoundControlSubClass* CreateSubClass() override { return Create<TRecordingTreeListSubClass>(this); }
};

class TreeListViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 400, 300);
    Form->SetBorderStyle(bsNone);
    List = Create<TTestTreeList>(Form.get());
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
  Integer TextHeight() { return MeasureFontHeight(List->GetFont()); }

  TTestSkin Skin;
  TOwned<TForm> Form;
  TTestTreeList* List = nullptr;
  TRecordingTreeListSubClass* Tree = nullptr;
};

uint32_t PixelOf(TColor C) { return uint32_t(((C & 0xFF) << 16) | (C & 0xFF00) | ((C >> 16) & 0xFF)); }

TEST_F(TreeListViewTest, RowHeightFollowsFontOffsetsAndGridLines) {
  TZCLTreeListNode* a = Tree->GetRootNode()->AddChild({u"Alpha"});
  Tree->GetRootNode()->AddChild({u"Beta"});
  auto* cells = List->Content()->GetCells();
  ASSERT_EQ(cells->GetCount(), 2);
  struct Case {
    TAlphaColor Grid;
    Integer Extra;
  } cases[] = {{0xFF808080, 1}, {claNone, 0}, {claDefault, 0}};
  for (const Case& c : cases) {
    Tree->GetStyle()->GetColor(4)->SetValue(c.Grid);
    Tree->FullRefresh();
    EXPECT_EQ((*cells)[0]->Height, TextHeight() + 8 + c.Extra) << std::hex << c.Grid;
    EXPECT_EQ((*cells)[1]->Top, (*cells)[0]->Height);
  }
  Tree->GetOptionsView()->GetNodes()->SetHeight(30);
  EXPECT_EQ((*cells)[0]->Height, 30);
  // Hit testing a row past its check box column.
  Tree->UpdateHitTest(150, (*cells)[0]->AbsoluteBounds().Top + 3);
  EXPECT_EQ(Tree->GetHitTest()->HitObject, a);
}

TEST_F(TreeListViewTest, AutoWidthWithoutResizableColumnsKeepsWidths) {
  TZCLTreeListColumns* columns = Tree->GetColumns();
  columns->Add(u"One")->SetCanResize(false);
  columns->Add(u"Two")->SetCanResize(false);
  Tree->GetOptionsView()->GetColumns()->SetAutoWidth(true);
  auto* bar = List->Content()->GetColumnBar();
  ASSERT_EQ(bar->ChildCount(), 2);
  EXPECT_EQ(bar->GetColumnViewInfo(0)->Width, 100);
  EXPECT_EQ(bar->GetColumnViewInfo(1)->Width, 100);
  // With resizable columns the bar is filled and nothing goes below 2 pixels.
  columns->Add(u"Three");
  columns->Add(u"Four");
  const Integer barWidth = bar->GetBounds().Width();
  EXPECT_EQ(bar->GetColumnsWidth(), barWidth);
  List->SetBounds(0, 0, 150, 200);
  EXPECT_EQ(bar->GetColumnViewInfo(2)->Width, 2);
  EXPECT_EQ(bar->GetColumnViewInfo(3)->Width, 2);
  EXPECT_FALSE(bar->GetColumnViewInfo(3)->Borders.Contains(mRight));
  EXPECT_TRUE(bar->GetColumnViewInfo(0)->Borders.Contains(mRight));
}

TEST_F(TreeListViewTest, IndentationAndBestFitWithoutColumns) {
  TZCLTreeListNode* a = Tree->GetRootNode()->AddChild({u"A"});
  TZCLTreeListNode* wide = Tree->GetRootNode()->AddChild({u"A much longer node text"});
  TZCLTreeListContentViewInfo* content = List->Content();
  EXPECT_FALSE(content->GetHasSubLevels());
  EXPECT_EQ(content->GetNodeViewInfo()->FirstCellMargins.Left, 4);
  a->AddChild({u"child"});
  EXPECT_TRUE(content->GetHasSubLevels());
  content->GetNodeViewInfo()->Initialize(a);
  EXPECT_EQ(content->GetNodeViewInfo()->FirstCellMargins.Left, 4 + 9 + 5);
  a->SetExpanded(true);
  ASSERT_EQ(content->GetCells()->GetCount(), 3);
  content->GetNodeViewInfo()->Initialize(a->GetChild(0));
  EXPECT_EQ(content->GetNodeViewInfo()->Level, 1);
  EXPECT_EQ(content->GetNodeViewInfo()->FirstCellMargins.Left, 4 + 14 + 9 + 5);
  // The expand button is hit on the row of a node with children.
  TZCLCompoundControlBaseContentCell* row = (*content->GetCells())[0];
  content->GetNodeViewInfo()->Initialize(a);
  const TRect button = content->GetNodeViewInfo()->ExpandButtonRect;
  Tree->UpdateHitTest(row->AbsoluteBounds().Left + button.Left + 2, row->AbsoluteBounds().Top + button.Top + 2);
  EXPECT_TRUE(Tree->GetHitTest()->GetHitObjectFlag(HitFlagExpandButton));
  Tree->ToggleExpanded(Tree->GetHitTest()->HitObject);
  EXPECT_EQ(content->GetCells()->GetCount(), 2);
  // Best fit without columns: the widest text plus the margins.
  Tree->GetOptionsBehavior()->SetAutoBestFit(true);
  List->SetBounds(0, 0, 60, 200);
  const Integer expected = content->GetNodeViewInfo()->MeasureCellWidth(MeasureCanvas(), wide, 0, nullptr);
  EXPECT_EQ(content->GetContentWidth(), expected);
  EXPECT_GT(content->VisibleScrollBars() & 1, 0);
}

TEST_F(TreeListViewTest, PaintsAlternatingRowsAndTheColumnHeader) {
  Tree->GetColumns()->Add(u"Name");
  for (int i = 0; i < 3; ++i) Tree->GetRootNode()->AddChild({u""});
  Tree->GetStyle()->GetColor(10)->SetValue(0xFF102030);
  Tree->GetStyle()->GetColor(11)->SetValue(0xFF405060);
  Tree->GetStyle()->GetColor(4)->SetValue(claNone);
  Form->Show();
  Headless::RunUntilIdle();
  auto* content = List->Content();
  const HWND window = Form->GetHandle();
  const TRect row0 = (*content->GetCells())[0]->AbsoluteBounds();
  const TRect row1 = (*content->GetCells())[1]->AbsoluteBounds();
  EXPECT_EQ(Headless::WindowPixel(window, TPoint(250, row0.Top + 2)) & 0xFFFFFF, 0x102030u);
  EXPECT_EQ(Headless::WindowPixel(window, TPoint(250, row1.Top + 2)) & 0xFFFFFF, 0x405060u);
  // Rows below the last continue the alternation.
  EXPECT_EQ(Headless::WindowPixel(window, TPoint(250, row1.Top + 2 * row1.Height() + 2)) & 0xFFFFFF, 0x405060u);
  const TRect header = content->GetColumnBar()->GetColumnViewInfo(0)->GetBounds();
  const TColor c = FrameColor(kColumnHeader, 0);
  const uint32_t rgb = uint32_t(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF));
  EXPECT_EQ(Headless::WindowPixel(window, TPoint(header.Left + 50, header.Top + 3)) & 0xFFFFFF, rgb);
}

TEST_F(TreeListViewTest, GroupRowsAndFiltering) {
  TZCLTreeListNode* a = Tree->GetRootNode()->AddChild({u"apple"});
  TZCLTreeListNode* b = Tree->GetRootNode()->AddChild({u"banana"});
  TZCLTreeListNode* c = Tree->GetRootNode()->AddChild({u"cherry"});
  TZCLTreeListGroup* fruit = Tree->GetGroups()->Add(u"Fruit");
  TZCLTreeListGroup* other = Tree->GetGroups()->Add(u"Other");
  a->SetGroup(fruit);
  b->SetGroup(fruit);
  c->SetGroup(other);
  Tree->FullRefresh();
  auto* content = List->Content();
  auto* cells = content->GetCells();
  ASSERT_EQ(cells->GetCount(), 5);  // two headers, three nodes
  EXPECT_EQ((*cells)[0]->GetData(), fruit);
  EXPECT_EQ((*cells)[3]->GetData(), other);
  EXPECT_EQ(content->GetAbsoluteVisibleNodes()->GetCount(), 3);
  // A collapsed group still shows its nodes unless groups may collapse.
  fruit->SetExpanded(false);
  EXPECT_EQ(cells->GetCount(), 5);
  Tree->GetOptionsBehavior()->SetGroupsAllowCollapse(true);
  EXPECT_EQ(cells->GetCount(), 3);
  fruit->SetExpanded(true);
  // Filtering keeps a parent whose child matches.
  b->AddChild({u"berry"});
  b->SetExpanded(true);
  Tree->GetOptionsBehavior()->SetIncSearchMode(ismFilter);
  Tree->GetIncSearch()->SetText(u"err");
  Tree->Changed(ChangeStruct);
  std::vector<TZCLTreeListNode*> shown(content->GetAbsoluteVisibleNodes()->begin(),
                                       content->GetAbsoluteVisibleNodes()->end());
  EXPECT_EQ(shown, (std::vector<TZCLTreeListNode*>{b, b->GetChild(0), c}));
}

TEST_F(TreeListViewTest, ScrollToAndScrollByLines) {
  std::vector<TZCLTreeListNode*> nodes;
  for (int i = 0; i < 40; ++i) nodes.push_back(Tree->GetRootNode()->AddChild({u"row"}));
  auto* content = List->Content();
  const Integer h = (*content->GetCells())[0]->Height;
  EXPECT_EQ(content->CalculateScrollToDelta(nodes[0], 0, nullptr), TPoint(0, 0));
  const TRect area = content->GetViewItemsArea();
  const Integer bottom30 = area.Top + 31 * h;
  EXPECT_EQ(content->CalculateScrollToDelta(nodes[30], 0, nullptr).Y, bottom30 - area.Bottom);
  EXPECT_EQ(content->CalculateScrollToDelta(nodes[30], 1, nullptr).Y, 30 * h);
  // A line down shows the cut last row completely; a line up then shows the first one again.
  const Integer down = content->GetScrollLineDownDelta();
  EXPECT_GT(down, 0);
  EXPECT_LT(down, h);
  content->ScrollByLines(1, false);
  EXPECT_EQ(content->GetViewport().Y, down);
  content->ScrollByLines(1, true);
  EXPECT_EQ(content->GetViewport().Y, 0);
}

TEST_F(TreeListViewTest, SortPositionsShowOnlyWithSeveralSortColumns) {
  Skin.Add(u"TreeList.Textures.ColumnHeaderSortingArrow", 12, 8, 6, 4);
  TZCLTreeListColumn* one = Tree->GetColumns()->Add(u"One");
  TZCLTreeListColumn* two = Tree->GetColumns()->Add(u"Two");
  Tree->FullRefresh();
  auto* bar = List->Content()->GetColumnBar();
  Tree->SortBy(one, sdAscending, true);
  TZCLTreeListColumnViewInfo* first = bar->FindColumnViewInfo(one);
  EXPECT_EQ(first->SortArrowRect.Width(), 8);
  EXPECT_TRUE(first->SortByIndexRect.IsEmpty());
  Tree->SortBy(two, sdDescending, false);
  first = bar->FindColumnViewInfo(one);
  TZCLTreeListColumnViewInfo* second = bar->FindColumnViewInfo(two);
  for (TZCLTreeListColumnViewInfo* info : {first, second}) {
    SCOPED_TRACE(info->VisibleIndex);
    EXPECT_FALSE(info->SortByIndexRect.IsEmpty());
    // The position sits right of the arrow, 4 pixels lower; the caption ends 5 pixels before.
    EXPECT_EQ(info->SortByIndexRect.Left, info->SortArrowRect.Right);
    EXPECT_EQ(info->SortByIndexRect.Top, info->SortArrowRect.Top + 4);
    EXPECT_EQ(info->TextRect.Right, info->SortArrowRect.Left - 5);
  }
  EXPECT_EQ(second->SortByIndex, 1);
}

struct TDrawHandlers {
  void Bar(TObject*, TCanvas* Canvas, const TRect& R, bool& Handled) {
    FillRectColor(Canvas, R, BarColor);
    Handled = true;
  }
  void Cell(TObject*, TCanvas* Canvas, TZCLTreeListNodeCustomDrawData& Data, bool& Handled) {
    if (Data.ValueIndex != 1) return;
    FillRectColor(Canvas, Data.Bounds, CellColor);
    Handled = true;
  }
  void Value(TObject*, TCanvas*, TZCLTreeListNodeCustomDrawData& Data, bool&) { Texts.push_back(Data.Text); }
  void Display(TObject*, TZCLTreeListNode*, Integer, String& Text) { Text = u"<" + Text + u">"; }
  TColor BarColor = TColor(0x00332211), CellColor = TColor(0x00665544);
  std::vector<String> Texts;
};

TEST_F(TreeListViewTest, CustomDrawHandlersReplaceTheDefaultDrawing) {
  Tree->GetColumns()->Add(u"A");
  Tree->GetColumns()->Add(u"B");
  TZCLTreeListNode* node = Tree->GetRootNode()->AddChild({u"x", u"y"});
  auto* content = List->Content();
  const Integer plain = content->GetNodeViewInfo()->MeasureCellWidth(MeasureCanvas(), node, 0, nullptr);
  TDrawHandlers handlers;
  Tree->OnCustomDrawColumnBar = TZCLTreeListCustomDrawEvent(&handlers, &TDrawHandlers::Bar);
  Tree->OnCustomDrawNodeCell = TZCLTreeListCustomDrawNodeCellEvent(&handlers, &TDrawHandlers::Cell);
  Tree->OnCustomDrawNodeCellValue = TZCLTreeListCustomDrawNodeCellEvent(&handlers, &TDrawHandlers::Value);
  Tree->OnGetNodeCellDisplayText = TZCLTreeListGetNodeCellDisplayTextEvent(&handlers, &TDrawHandlers::Display);
  // Measuring sees the display text.
  EXPECT_GT(content->GetNodeViewInfo()->MeasureCellWidth(MeasureCanvas(), node, 0, nullptr), plain);
  Form->Show();
  Headless::RunUntilIdle();
  const HWND window = Form->GetHandle();
  EXPECT_EQ(handlers.Texts, (std::vector<String>{u"<x>"}));
  const TRect header = content->GetColumnBar()->GetColumnViewInfo(0)->GetBounds();
  EXPECT_EQ(Headless::WindowPixel(window, TPoint(header.Left + 50, header.Top + 3)) & 0xFFFFFF,
            PixelOf(handlers.BarColor));
  const TRect row = (*content->GetCells())[0]->AbsoluteBounds();
  const TRect cellB = content->GetColumnBar()->GetColumnViewInfo(1)->GetBounds();
  EXPECT_EQ(Headless::WindowPixel(window, TPoint(cellB.Left + 20, row.Top + 2)) & 0xFFFFFF,
            PixelOf(handlers.CellColor));
}

TEST_F(TreeListViewTest, FocusedCellIsFilledOnlyWhileTheControlHasFocus) {
  Tree->GetColumns()->Add(u"A");
  TZCLTreeListColumn* b = Tree->GetColumns()->Add(u"B");
  TZCLTreeListNode* node = Tree->GetRootNode()->AddChild({u"x", u""});
  Tree->GetStyle()->GetColor(12)->SetValue(TAlphaColor(0xFF12A456));
  Tree->GetOptionsSelection()->SetFocusCell(true);
  Form->Show();
  Tree->SetFocusedNode(node);
  Tree->FocusedColumn = b;
  Headless::RunUntilIdle();
  const HWND window = Form->GetHandle();
  auto* content = List->Content();
  const TRect row = (*content->GetCells())[0]->AbsoluteBounds();
  const TRect cellB = content->GetColumnBar()->GetColumnViewInfo(1)->GetBounds();
  const TPoint inB(cellB.Left + 20, row.Top + 2);
  EXPECT_NE(Headless::WindowPixel(window, inB) & 0xFFFFFF, 0x12A456u);  // not focused yet
  List->SetFocus();
  List->Invalidate();
  Headless::RunUntilIdle();
  ASSERT_TRUE(Tree->IsFocused());
  EXPECT_EQ(Headless::WindowPixel(window, inB) & 0xFFFFFF, 0x12A456u);
  const TRect cellA = content->GetColumnBar()->GetColumnViewInfo(0)->GetBounds();
  EXPECT_NE(Headless::WindowPixel(window, TPoint(cellA.Right - 3, row.Top + 2)) & 0xFFFFFF, 0x12A456u);
}

TEST_F(TreeListViewTest, FindNearestNodeSkipsGroupRows) {
  TZCLTreeListNode* a = Tree->GetRootNode()->AddChild({u"a"});
  TZCLTreeListNode* b = Tree->GetRootNode()->AddChild({u"b"});
  b->SetGroup(Tree->GetGroups()->Add(u"G"));
  Tree->FullRefresh();
  auto* content = List->Content();
  auto* cells = content->GetCells();
  ASSERT_EQ(cells->GetCount(), 3);  // a, the group row, b
  const TRect ra = (*cells)[0]->AbsoluteBounds();
  const TRect group = (*cells)[1]->AbsoluteBounds();
  const TRect rb = (*cells)[2]->AbsoluteBounds();
  struct Case {
    Integer Y, Direction;
    TZCLTreeListNode* Expected;
  } cases[] = {
      {group.Top + 2, -1, a},  // a starts above; the group row is no candidate
      {group.Top + 2, 1, b},   // b ends below
      {ra.Top, -1, a},         // a row starting at the point counts
      {rb.Bottom + 5, 1, nullptr},
      {ra.Top - 1, -1, nullptr},
  };
  for (const Case& c : cases)
    EXPECT_EQ(content->FindNearestNode(TPoint(20, c.Y), c.Direction), c.Expected) << c.Y << " " << c.Direction;
}

TEST_F(TreeListViewTest, SelectionRectAndDropMarkerRepaintOldAndNew) {
  TZCLTreeListNode* a = Tree->GetRootNode()->AddChild({u"a"});
  a->AddChild({u"a1"});
  a->SetExpanded(true);
  TZCLTreeListNode* b = Tree->GetRootNode()->AddChild({u"b"});
  auto* content = List->Content();
  const TPoint origin = content->GetViewItemsOrigin();
  Tree->Invalidated.clear();
  content->SetSelectionRect(TRect(5, 5, 40, 30));
  content->SetSelectionRect(TRect(5, 5, 60, 50));
  EXPECT_TRUE(Tree->WasInvalidated(TRect(5 + origin.X, 5 + origin.Y, 40 + origin.X, 30 + origin.Y)));
  EXPECT_TRUE(Tree->WasInvalidated(TRect(5 + origin.X, 5 + origin.Y, 60 + origin.X, 50 + origin.Y)));
  content->SetSelectionRect(TRect());

  auto* cells = content->GetCells();
  const TRect ra = (*cells)[0]->AbsoluteBounds(), ra1 = (*cells)[1]->AbsoluteBounds(),
              rb = (*cells)[2]->AbsoluteBounds();
  TZCLTreeListDropTargetViewInfo* marker = content->GetDropTargetViewInfo();
  // The lines start at the check box column, left of the image.
  auto* images = Create<TImageList>(Form.get());
  images->SetSize(16, 16);
  Tree->GetOptionsView()->GetNodes()->SetImages(images);
  content->GetNodeViewInfo()->Initialize(a);
  const Integer left = ra.Left + content->GetNodeViewInfo()->ImageRect.Left;
  const Integer indent = content->GetNodeViewInfo()->IndentWidth();
  struct Case {
    TZCLTreeListNode* Target;
    TZCLTreeListDropTargetInsertMode Mode;
    TRect Expected;
  } cases[] = {
      {b, dtimBefore, TRect(left, rb.Top - 1, rb.Right, rb.Top + 2)},
      // After an expanded node the line goes below its last child.
      {a, dtimAfter, TRect(left, ra1.Bottom - 1, ra.Right, ra1.Bottom + 2)},
      {b, dtimInto, TRect(left + 4 * indent, rb.Bottom - 1, rb.Right, rb.Bottom + 2)},
      {b, dtimOver, TRect(left, rb.Top, rb.Right, rb.Bottom)},
  };
  TRect previous;
  for (const Case& c : cases) {
    Tree->Invalidated.clear();
    marker->SetTarget(c.Target, c.Mode);
    EXPECT_EQ(marker->Bounds, c.Expected) << Integer(c.Mode);
    EXPECT_TRUE(Tree->WasInvalidated(c.Expected));
    if (!previous.IsEmpty()) {
      EXPECT_TRUE(Tree->WasInvalidated(previous));
    }
    previous = c.Expected;
  }
  marker->SetTarget(nullptr, dtimAfter);
  EXPECT_TRUE(marker->Bounds.IsEmpty());
}

TEST_F(TreeListViewTest, HoverRepaintsRowsOnlyWithHotTrackOrSubParts) {
  Tree->GetOptionsView()->SetCheckBoxes(true);
  TZCLTreeListNode* a = Tree->GetRootNode()->AddChild({u"a"});
  TZCLTreeListNode* b = Tree->GetRootNode()->AddChild({u"b"});
  auto* cells = List->Content()->GetCells();
  const TRect ra = (*cells)[0]->AbsoluteBounds(), rb = (*cells)[1]->AbsoluteBounds();
  TObject* checkBox = a;  // any non-null sub-part
  struct Case {
    bool HotTrack;
    TZCLTreeListNode* From;
    TObject* FromPart;
    TZCLTreeListNode* To;
    TObject* ToPart;
    bool OldRow, NewRow;
  } cases[] = {
      {false, a, nullptr, b, nullptr, false, false},
      {true, a, nullptr, b, nullptr, true, true},
      {false, a, checkBox, b, nullptr, true, false},
      {false, a, nullptr, a, checkBox, true, true},  // same row, sub-part entered
  };
  for (const Case& c : cases) {
    Tree->GetOptionsBehavior()->SetHotTrack(c.HotTrack);
    Tree->SetHoveredObject(c.From, c.FromPart);
    Tree->Invalidated.clear();
    Tree->SetHoveredObject(c.To, c.ToPart);
    const TRect from = c.From == a ? ra : rb, to = c.To == a ? ra : rb;
    EXPECT_EQ(Tree->WasInvalidated(from), c.OldRow) << c.HotTrack;
    EXPECT_EQ(Tree->WasInvalidated(to), c.NewRow) << c.HotTrack;
    Tree->SetHoveredObject(nullptr, nullptr);
  }
}

}  // namespace
