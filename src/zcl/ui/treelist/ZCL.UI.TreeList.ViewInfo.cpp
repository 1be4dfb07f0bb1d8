#include "zcl/ui/treelist/ZCL.UI.TreeList.ViewInfo.h"

#include "zcl/ui/treelist/ZCL.UI.TreeList.DragAndDrop.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Sorting.h"

#include <algorithm>

#include "rtl/RTL.Numbers.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.UI.ImageList.h"
#include "zcl/ui/controls/ZCL.UI.Menus.h"

namespace {
TRect Deflate(const TRect& R, const TRect& M) {
  return TRect(R.Left + M.Left, R.Top + M.Top, R.Right - M.Right, R.Bottom - M.Bottom);
}
TRect ScaleMargins(const TRect& M, Integer DPI) {
  return TRect(ScaleByDPI(M.Left, DPI), ScaleByDPI(M.Top, DPI), ScaleByDPI(M.Right, DPI), ScaleByDPI(M.Bottom, DPI));
}
TRect CentredVert(Integer Left, const TSize& Size, const TRect& In) {
  const Integer top = In.Top + (In.Height() - Size.cy) / 2;
  return TRect(Left, top, Left + Size.cx, top + Size.cy);
}
}  // namespace

// ---- style ----------------------------------------------------------------------------------

void TZCLStyleTreeList::InitializeResources() {
  struct {
    const char16_t* ID;
    bool Alpha;
  } colours[] = {
      {u"EditBox.Colors.Border", true},          {u"EditBox.Colors.Content", true},
      {u"EditBox.Colors.ContentDisabled", true}, {nullptr, false},
      {u"TreeList.Colors.Grid", true},           {u"TreeList.Colors.IncSearch", false},
      {u"TreeList.Colors.IncSearchText", false}, {u"TreeList.Colors.SelectionRect", true},
      {u"TreeList.Colors.GroupHeader", true},    {u"TreeList.Colors.GroupHeaderBorder", true},
      {u"TreeList.Colors.Row1", true},           {u"TreeList.Colors.Row2", true},
      {u"TreeList.Colors.RowFocused", true},     {u"TreeList.Colors.RowFocusedText", false},
      {u"TreeList.Colors.RowHovered", true},     {u"TreeList.Colors.RowHoveredText", false},
      {u"TreeList.Colors.RowSelected", true},    {u"TreeList.Colors.RowSelectedInactive", true},
      {u"TreeList.Colors.RowSelectedText", false}, {u"TreeList.Colors.RowSelectedTextInactive", false},
      {u"EditBox.Colors.TextDisabled", false},   {u"EditBox.Colors.Text", false},
  };
  for (Integer i = 0; i < Integer(std::size(colours)); ++i) {
    if (colours[i].ID)
      GetColor(i)->InitializeAsRef(colours[i].ID, colours[i].Alpha);
    else
      GetColor(i)->InitializeDefault(u"", TAlphaColor(0x20000000));
  }
  GetTexture(0)->InitializeDefault(u"Buttons.Textures.CheckBox");
  GetTexture(1)->InitializeDefault(u"TreeList.Textures.ColumnHeader");
  GetTexture(2)->InitializeDefault(u"TreeList.Textures.ColumnHeaderSortingArrow");
  GetTexture(3)->InitializeDefault(u"TreeList.Textures.GroupHeaderExpandButton");
  GetTexture(4)->InitializeDefault(u"TreeList.Textures.RowExpandButton");
  GetFont(0)->InitializeDefault(u"TreeList.Fonts.ColumnHeader");
  GetFont(1)->InitializeDefault(u"TreeList.Fonts.GroupHeader");
  GetMargins(0)->InitializeDefault(u"TreeList.Margins.GroupHeaderContentOffsets", TRect(4, 4, 4, 4));
  GetMargins(1)->InitializeDefault(u"TreeList.Margins.RowContentOffsets", TRect(4, 4, 4, 4));
  GetInteger(0)->InitializeDefault(u"TreeList.Margins.RowCornerRadius", 0);
}

void TZCLStyleTreeList::DeclareProperties(TClassDeclaration<TZCLStyleTreeList>& D) {
  const char16_t* colours[] = {u"BorderColor",         u"BackgroundColor",          u"BackgroundColorDisabled",
                               u"FocusRectColor",      u"GridColor",                u"IncSearchColor",
                               u"IncSearchColorText",  u"SelectionRectColor",       u"GroupHeaderColor",
                               u"GroupHeaderColorBorder", u"RowColor1",             u"RowColor2",
                               u"RowColorFocused",     u"RowColorFocusedText",      u"RowColorHovered",
                               u"RowColorHoveredText", u"RowColorSelected",         u"RowColorSelectedInactive",
                               u"RowColorSelectedText", u"RowColorSelectedTextInactive", u"RowColorDisabledText",
                               u"RowColorText"};
  for (Integer i = 0; i < Integer(std::size(colours)); ++i)
    D.Property(colours[i], i, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  const char16_t* textures[] = {u"CheckMark", u"ColumnHeader", u"ColumnHeaderSortingArrow", u"GroupHeaderExpandButton",
                                u"RowExpandButton"};
  for (Integer i = 0; i < Integer(std::size(textures)); ++i)
    D.Property(textures[i], i, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"ColumnHeaderFont", 0, &TZCLStyle::GetFont, &TZCLStyle::SetFont);
  D.Property(u"GroupHeaderFont", 1, &TZCLStyle::GetFont, &TZCLStyle::SetFont);
  D.Property(u"GroupHeaderContentOffsets", 0, &TZCLStyle::GetMargins, &TZCLStyle::SetMargins);
  D.Property(u"RowContentOffsets", 1, &TZCLStyle::GetMargins, &TZCLStyle::SetMargins);
  D.Property(u"RowCornerRadius", 0, &TZCLStyle::GetInteger, &TZCLStyle::SetInteger);
}

void TZCLStyleTreeList::DrawBackground(TCanvas* Canvas, const TRect& R, bool Enabled, TZCLBorders Borders) {
  FillRectAlpha(Canvas, R, GetColor(Enabled ? 1 : 2)->GetValue());
  DrawFrameBordersAlpha(Canvas, R, GetColor(0)->GetValue(), Borders);
}

void TZCLStyleTreeList::DrawCheckBox(TCanvas* Canvas, const TRect& R, TZCLButtonState State, TCheckBoxState CheckState) {
  if (R.IsEmpty()) return;
  GetCheckMark()->Draw(Canvas, R, Integer(State) + Integer(CheckState) * 5);
}

void TZCLStyleTreeList::DrawGridline(TCanvas* Canvas, const TRect& R, TZCLBorder Side) {
  DrawFrameBordersAlpha(Canvas, R, GetColor(4)->GetValue(), TZCLBorders{Side});
}

void TZCLStyleTreeList::DrawGroupExpandButton(TCanvas* Canvas, const TRect& R, bool Expanded) {
  GetGroupHeaderExpandButton()->Draw(Canvas, R, Expanded ? 1 : 0);
}

void TZCLStyleTreeList::DrawGroupHeader(TCanvas* Canvas, const TRect& R, TZCLBorders Borders) {
  FillRectAlpha(Canvas, R, GetColor(8)->GetValue());
  DrawFrameBordersAlpha(Canvas, R, GetColor(9)->GetValue(), Borders);
}

void TZCLStyleTreeList::DrawHeader(TCanvas* Canvas, const TRect& R, TZCLBorders Borders) {
  Byte sides = 0;
  if (Borders.Contains(mLeft)) sides |= 1;
  if (Borders.Contains(mTop)) sides |= 2;
  if (Borders.Contains(mRight)) sides |= 4;
  if (Borders.Contains(mBottom)) sides |= 8;
  GetColumnHeader()->DrawClipped(Canvas, R, 0, sides);
}

void TZCLStyleTreeList::DrawHeaderSortingMark(TCanvas* Canvas, const TRect& R, bool Ascending, bool Enabled) {
  GetColumnHeaderSortingArrow()->Draw(Canvas, R, (Ascending ? 2 : 0) + (Enabled ? 1 : 0));
}

void TZCLStyleTreeList::DrawRowExpandButton(TCanvas* Canvas, const TRect& R, bool Expanded, bool Selected) {
  TZCLResourceTexture* t = GetRowExpandButton();
  t->Draw(Canvas, R, (Expanded ? 1 : 0) + (Selected && t->GetFrameCount() >= 4 ? 2 : 0));
}

TAlphaColor TZCLStyleTreeList::GetRowColor(bool Odd) { return GetColor(Odd ? 11 : 10)->GetValue(); }

TAlphaColor TZCLStyleTreeList::GetRowSelectedColor(bool Focused) {
  if (!Focused && GetColor(17)->GetValue() != claDefault) return GetColor(17)->GetValue();
  return GetColor(16)->GetValue();
}

TColor TZCLStyleTreeList::GetRowSelectedTextColor(bool Focused) {
  if (!Focused && GetColor(19)->GetValue() != claDefault) return GetColor(19)->GetAsColor();
  return GetColor(18)->GetAsColor();
}

TColor TZCLStyleTreeList::GetTextColor(bool Enabled) { return GetColor(Enabled ? 21 : 20)->GetAsColor(); }

bool TZCLStyleTreeList::HasGridLines() {
  const TAlphaColor c = GetColor(4)->GetValue();
  return c != claNone && c != claDefault;
}

// ---- sub-class ------------------------------------------------------------------------------

TZCLTreeListSubClass::TZCLTreeListSubClass(TComponent* AOwner) : TZCLCompoundControlSubClass(AOwner) {
  FOptionsBehavior = Create<TZCLTreeListOptionsBehavior>(static_cast<IZCLTreeListOptionsListener*>(this));
  FOptionsCustomizing = Create<TZCLTreeListOptionsCustomizing>(static_cast<IZCLTreeListOptionsListener*>(this));
  FOptionsSelection = Create<TZCLTreeListOptionsSelection>(static_cast<IZCLTreeListOptionsListener*>(this));
  FOptionsView = Create<TZCLTreeListOptionsView>(static_cast<IZCLTreeListOptionsListener*>(this));
  FStyle = Create<TZCLStyleTreeList>(static_cast<TObject*>(this));
  FStylePopupMenu = Create<TZCLStylePopupMenu>(static_cast<TObject*>(this));
  FIncSearch = new TZCLIncrementalSearch();
  FIncSearch->OnLookup = TZCLIncrementalSearchLookupEvent(this, &TZCLTreeListSubClass::IncSearchLookup);
  FIncSearch->OnChange = TNotifyEvent(this, &TZCLTreeListSubClass::IncSearchChanged);
  FColumns = new TZCLTreeListColumns(this);
  FGroups = new TZCLTreeListGroups(this);
  FRoot = CreateNode();
  FRoot->SetHasChildrenFlag(true);
  FRoot->SetExpanded(true);
}

void TZCLTreeListSubClass::AfterConstruction() {
  InitializeEditing();
  inherited::AfterConstruction();
}

void TZCLTreeListSubClass::BeforeDestruction() {
  FinalizeEditing();
  try {
    Clear();
  } catch (...) {
    // Going away regardless: a handler's error must not stop the teardown.
  }
  inherited::BeforeDestruction();
  // The rows go with the view infos: nothing to take out one by one.
  TZCLTreeListNode* root = FRoot;
  FRoot = nullptr;
  Free(root);
  Free(FGroups);
  FGroups = nullptr;
  Free(FColumns);
  FColumns = nullptr;
}

TZCLTreeListSubClass::~TZCLTreeListSubClass() {
  Free(FSorter);
  delete FIncSearch;
  Free(FStylePopupMenu);
  Free(FStyle);
  Free(FOptionsView);
  Free(FOptionsSelection);
  Free(FOptionsCustomizing);
  Free(FOptionsBehavior);
}

HRESULT TZCLTreeListSubClass::QueryInterface(const TGUID& IID, void** Obj) {
  if (::detail::QueryInterfaceTable<IZCLTreeList, IZCLTreeListOptionsListener>(this, IID, Obj)) return S_OK;
  return inherited::QueryInterface(IID, Obj);
}

TZCLCompoundControlCustomViewInfo* TZCLTreeListSubClass::CreateViewInfo() { return new TZCLTreeListViewInfo(this); }

TZCLTreeListContentViewInfo* TZCLTreeListSubClass::GetContent() const {
  auto* root = static_cast<TZCLTreeListViewInfo*>(GetViewInfo());
  return root ? root->GetContent() : nullptr;
}

TZCLTreeListNodeList* TZCLTreeListSubClass::GetAbsoluteVisibleNodes() { return GetContent()->GetAbsoluteVisibleNodes(); }

void TZCLTreeListSubClass::NodeRemoving(TZCLTreeListNode* Node) {
  if (auto* controller = dynamic_cast<TZCLTreeListDragAndDropController*>(GetDragAndDropController()))
    controller->ObjectRemoving(Node);
  if (FSelection.Remove(Node) >= 0) Changed(0x100);
  if (FocusedObject == Node) {
    // Focus stays near: the next sibling, else the previous one, else the parent.
    TObject* next = nullptr;
    if (!GetComponentState().Contains(csDestroying)) {
      if (!(next = Node->NextSibling()) && !(next = Node->PrevSibling())) next = Node->GetParent();
      if (next == FRoot) next = nullptr;
    }
    FocusedObject = next;
    Changed(0x200);
  }
  if (GetHoveredObject() == Node) SetHoveredObject(nullptr, nullptr);
  if (GetPressedObject() == Node) SetPressedObject(nullptr);
  if (!FRoot || !GetContent()) return;
  // The rows are rebuilt on the structure change; until then the row must not name the node.
  TZCLTreeListNodeList* rows = GetContent()->GetAbsoluteVisibleNodes();
  const Integer index = rows->IndexOf(Node);
  if (index >= 0) rows->Items()[size_t(index)] = nullptr;
  Changed(ChangeStruct);
  if (OnNodeDeleted) OnNodeDeleted(this, Node);
}

void TZCLTreeListSubClass::GroupRemoving(TZCLTreeListGroup* Group) {
  if (auto* controller = dynamic_cast<TZCLTreeListDragAndDropController*>(GetDragAndDropController()))
    controller->ObjectRemoving(Group);
  if (FocusedObject == Group) FocusedObject = nullptr;
  if (GetHoveredObject() == Group) SetHoveredObject(nullptr, nullptr);
  if (GetPressedObject() == Group) SetPressedObject(nullptr);
}

Integer TZCLTreeListSubClass::GetColumnWidth(TZCLTreeListColumn* Column) {
  TZCLTreeListContentViewInfo* content = GetContent();
  TZCLTreeListColumnViewInfo* column = content->GetColumnBar()->FindColumnViewInfo(Column);
  Integer width = column ? column->GetRequiredWidth() : 0;
  for (TZCLTreeListNode* node : *content->GetAbsoluteVisibleNodes())
    if (node) width = std::max(width, content->GetNodeViewInfo()->MeasureCellWidth(MeasureCanvas(), node, Column->GetIndex(), column));
  return UnscaleByDPI(width, GetCurrentDpi());
}

void TZCLTreeListSubClass::Changed(Cardinal Flags) {
  // The search follows the mode option; a filter change rebuilds the rows.
  if ((Flags & 0x4000) && FIncSearch && FOptionsBehavior) {
    FIncSearch->SetMode(FOptionsBehavior->GetIncSearchMode());
    Flags |= ChangeStruct;
  }
  TZCLCompoundControlSubClass::Changed(Flags);
}

void TZCLTreeListSubClass::SetTargetDPI(Integer DPI) {
  inherited::SetTargetDPI(DPI);
  FStyle->SetTargetDPI(DPI);
}

void TZCLTreeListSubClass::HoveredObjectChanged() {
  TObject* now = GetHoveredObject();
  TObject* subPart = GetHoveredObjectSubPart();
  if (TZCLTreeListContentViewInfo* content = GetContent()) {
    const bool hotTrack = FOptionsBehavior->GetHotTrack();
    if (now != FLastHovered) {
      // A hovered sub-part (a check box) changes its look whatever the option says.
      if (hotTrack || FLastHoveredSubPart) content->InvalidateRow(FLastHovered);
      if (hotTrack || subPart) content->InvalidateRow(now);
    } else if (subPart != FLastHoveredSubPart) {
      content->InvalidateRow(now);
    }
  }
  FLastHovered = now;
  FLastHoveredSubPart = subPart;
}

// ---- root -----------------------------------------------------------------------------------

TZCLTreeListViewInfo::TZCLTreeListViewInfo(TZCLCompoundControlSubClass* ASubClass)
    : TZCLTreeListCustomViewInfo(ASubClass), FContent(new TZCLTreeListContentViewInfo(ASubClass)) {}

TZCLTreeListViewInfo::~TZCLTreeListViewInfo() { Free(FContent); }

TRect TZCLTreeListViewInfo::GetContentBounds() {
  const TZCLBorders borders = GetTreeList()->GetOptionsView()->GetBorders();
  TRect r = FBounds;
  if (borders.Contains(mLeft)) r.Left += 2;
  if (borders.Contains(mTop)) r.Top += 2;
  if (borders.Contains(mRight)) r.Right -= 2;
  if (borders.Contains(mBottom)) r.Bottom -= 2;
  return r;
}

void TZCLTreeListViewInfo::DoCalculate(TZCLCompoundControlChanges Changes) { FContent->Calculate(GetContentBounds(), Changes); }

void TZCLTreeListViewInfo::DoDraw(TCanvas* Canvas) {
  GetTreeList()->GetStyle()->DrawBackground(Canvas, FBounds, FSubClass->GetEnabled(),
                                            GetTreeList()->GetOptionsView()->GetBorders());
  FContent->Draw(Canvas);
}

bool TZCLTreeListViewInfo::CalculateHitTest(TZCLHitTestInfo* HitTest) {
  if (!FBounds.Contains(HitTest->HitPoint)) return false;
  if (!FContent->CalculateHitTest(HitTest)) HitTest->HitObject = this;
  return true;
}

// ---- column bar -----------------------------------------------------------------------------

TZCLTreeListColumnViewInfo* TZCLTreeListColumnBarViewInfo::CreateColumnViewInfo(TZCLTreeListColumn* Column) {
  return new TZCLTreeListColumnViewInfo(FSubClass, Column);
}

TZCLTreeListColumnViewInfo* TZCLTreeListColumnBarViewInfo::FindColumnViewInfo(TZCLTreeListColumn* Column) const {
  for (Integer i = 0; i < ChildCount(); ++i)
    if (GetColumnViewInfo(i)->GetColumn() == Column) return GetColumnViewInfo(i);
  return nullptr;
}

void TZCLTreeListColumnBarViewInfo::RecreateSubCells() {
  inherited::RecreateSubCells();
  TZCLTreeListColumns* columns = GetTreeList()->GetColumns();
  for (Integer i = 0; i < columns->GetDrawingOrder().GetCount(); ++i) {
    TZCLTreeListColumn* column = columns->GetDrawingItem(i);
    if (!column->GetVisible()) continue;
    TZCLTreeListColumnViewInfo* info = CreateColumnViewInfo(column);
    info->AbsoluteIndex = column->GetIndex();
    info->VisibleIndex = ChildCount();
    AddCell(info);
  }
}

Integer TZCLTreeListColumnBarViewInfo::MeasureHeight() {
  TZCLStyleTreeList* style = GetTreeList()->GetStyle();
  const TRect offsets = style->GetColumnHeader()->GetContentOffsets();
  return offsets.Top + offsets.Bottom +
         std::max(MeasureFontHeight(style->GetColumnHeaderFont()->GetFont()), style->GetCheckMark()->GetFrameHeight());
}

Integer TZCLTreeListColumnBarViewInfo::GetHeight() {
  const Integer height = GetTreeList()->GetOptionsView()->GetColumns()->GetHeight();
  if (height != 0) return ScaleByDPI(height, FSubClass->GetCurrentDpi());
  if (MeasuredHeight < 0) MeasuredHeight = MeasureHeight();
  return MeasuredHeight;
}

Integer TZCLTreeListColumnBarViewInfo::GetColumnsWidth() {
  Integer width = 0;
  for (Integer i = 0; i < ChildCount(); ++i) width += GetColumnViewInfo(i)->Width;
  return width;
}

void TZCLTreeListColumnBarViewInfo::CalculateAutoWidth(const TRect& R) {
  std::vector<TZCLTreeListColumnViewInfo*> candidates;
  for (Integer i = 0; i < ChildCount(); ++i)
    if (GetColumnViewInfo(i)->GetColumn()->GetCanResize()) candidates.push_back(GetColumnViewInfo(i));
  // Without a resizable column there is nothing to spread (and nothing to divide by).
  if (candidates.empty()) return;
  Integer previous = INT32_MIN;
  for (;;) {
    Integer remaining = R.Width() - GetColumnsWidth();
    if (remaining == previous || remaining == 0) break;
    Integer step = remaining / Integer(candidates.size());
    if (step == 0) step = remaining > 0 ? 1 : -1;
    for (TZCLTreeListColumnViewInfo* info : candidates) {
      if (remaining == 0) break;
      const Integer width = std::max(2, info->Width + step);
      remaining -= width - info->Width;
      info->Width = width;
    }
    previous = remaining;
  }
}

void TZCLTreeListColumnBarViewInfo::CalculateColumns(const TRect& R, TZCLCompoundControlChanges Changes) {
  for (Integer i = 0; i < ChildCount(); ++i) GetColumnViewInfo(i)->Width = GetColumnViewInfo(i)->CalculateWidth();
  if (GetTreeList()->GetOptionsView()->GetColumns()->GetAutoWidth()) CalculateAutoWidth(R);
  Integer left = R.Left;
  for (Integer i = 0; i < ChildCount(); ++i) {
    TZCLTreeListColumnViewInfo* info = GetColumnViewInfo(i);
    info->Calculate(TRect(left, R.Top, left + info->Width, R.Bottom), Changes);
    left += info->Width;
  }
}

void TZCLTreeListColumnBarViewInfo::DoCalculate(TZCLCompoundControlChanges Changes) {
  if (ChildCount() == 0) RecreateSubCells();
  inherited::DoCalculate(Changes);
  CalculateColumns(FBounds, Changes);
}

void TZCLTreeListColumnBarViewInfo::DoDraw(TCanvas* Canvas) {
  TZCLTreeListSubClass* tree = GetTreeList();
  bool handled = false;
  if (tree->OnCustomDrawColumnBar) tree->OnCustomDrawColumnBar(tree, Canvas, FBounds, handled);
  if (handled) return;
  inherited::DoDraw(Canvas);
  TRect rest = FBounds;
  if (ChildCount() > 0) rest.Left = GetColumnViewInfo(ChildCount() - 1)->GetBounds().Right;
  if (rest.Width() > 0) {
    const bool top = GetTreeList()->GetOptionsView()->GetBorders().Contains(mTop);
    GetTreeList()->GetStyle()->DrawHeader(Canvas, rest, top ? TZCLBorders{mBottom} : TZCLBorders{mTop, mBottom});
  }
}

// ---- column ---------------------------------------------------------------------------------

TZCLTreeListColumnViewInfo::TZCLTreeListColumnViewInfo(TZCLCompoundControlSubClass* ASubClass,
                                                       TZCLTreeListColumn* AColumn)
    : TZCLTreeListCustomViewInfo(ASubClass), FColumn(AColumn) {}

Integer TZCLTreeListColumnViewInfo::CalculateWidth() { return ScaleByDPI(FColumn->GetWidth(), FSubClass->GetCurrentDpi()); }

void TZCLTreeListColumnViewInfo::DoCalculate(TZCLCompoundControlChanges Changes) {
  TZCLTreeListOptionsView* view = GetTreeList()->GetOptionsView();
  if (Changes & ChangeStruct) SortByIndexTextSize = TSize(-1, -1);
  if (Changes & (ChangeSize | ChangeStruct)) {
    Borders = TZCLBorders{mRight, mBottom};
    auto* bar = GetTreeList()->GetContent()->GetColumnBar();
    if (view->GetColumns()->GetAutoWidth() && VisibleIndex == bar->ChildCount() - 1) Borders.Exclude(mRight);
    if (!view->GetBorders().Contains(mTop)) Borders.Include(mTop);
  }
  if (Changes & (ChangeLayout | ChangeSize | ChangeStruct)) CalculateLayout(FBounds);
}

void TZCLTreeListColumnViewInfo::CalculateLayout(const TRect& Bounds) {
  TZCLStyleTreeList* style = GetTreeList()->GetStyle();
  TRect r = Deflate(Bounds, style->GetColumnHeader()->GetContentOffsets());
  const Integer dpi = FSubClass->GetCurrentDpi();
  CheckBoxRect = TRect();
  if (VisibleIndex == 0 && GetTreeList()->GetOptionsView()->GetCheckBoxes()) {
    CheckBoxRect = CentredVert(r.Left, style->GetCheckMark()->GetFrameSize(), r);
    r.Left = CheckBoxRect.Right + ScaleByDPI(5, dpi);
  }
  SortByIndex = FColumn->GetSortByIndex();
  SortByIndexRect = TRect();
  // Positions are only worth showing when more than one column sorts.
  if (SortByIndex >= 0 && GetTreeList()->GetSortByList()->GetCount() > 1) {
    if (SortByIndexTextSize.cx < 0) {
      TCanvas* canvas = MeasureCanvas();
      AssignSortIndexFont(canvas);
      SortByIndexTextSize = CanvasTextSize(canvas, IntToStr(SortByIndex + 1));
    }
    SortByIndexRect = TRect(r.Right - SortByIndexTextSize.cx, r.Top, r.Right, r.Top + SortByIndexTextSize.cy);
    r.Right = SortByIndexRect.Left;
  }
  const TSize arrow = SortByIndex >= 0 ? style->GetColumnHeaderSortingArrow()->GetFrameSize() : TSize(0, 0);
  SortArrowRect = CentredVert(r.Right - arrow.cx, arrow, r);
  if (!SortByIndexRect.IsEmpty()) SortByIndexRect.Offset(0, SortArrowRect.Top + 4 - SortByIndexRect.Top);
  r.Right = SortArrowRect.Left - (arrow.cx > 0 ? ScaleByDPI(5, dpi) : 0);
  TextRect = r;
}

void TZCLTreeListColumnViewInfo::AssignSortIndexFont(TCanvas* Canvas) {
  AssignCanvasFont(Canvas, GetTreeList()->GetStyle()->GetColumnHeaderFont()->GetFont());
  Canvas->GetFont()->SetHeight(Canvas->GetFont()->GetHeight() * 2 / 3);
}

void TZCLTreeListColumnViewInfo::DrawSortArrow(TCanvas* Canvas) {
  if (SortByIndex < 0) return;
  GetTreeList()->GetStyle()->DrawHeaderSortingMark(Canvas, SortArrowRect, FColumn->SortDirection != sdDescending,
                                                   FSubClass->GetEnabled());
  if (SortByIndexRect.IsEmpty()) return;
  AssignSortIndexFont(Canvas);
  CanvasTextOut(Canvas, SortByIndexRect.Left, SortByIndexRect.Top, IntToStr(SortByIndex + 1), nullptr);
}

Integer TZCLTreeListColumnViewInfo::GetRequiredWidth() {
  Integer width = FBounds.Width() - TextRect.Width();
  if (FColumn->GetTextVisible())
    width += MeasureTextSize(GetTreeList()->GetStyle()->GetColumnHeaderFont()->GetFont(), FColumn->GetCaption()).cx;
  return width;
}

void TZCLTreeListColumnViewInfo::DoDraw(TCanvas* Canvas) {
  TZCLStyleTreeList* style = GetTreeList()->GetStyle();
  style->DrawHeader(Canvas, FBounds, Borders);
  style->DrawCheckBox(Canvas, CheckBoxRect, FSubClass->CalculateState(this), cbUnchecked);
  if (FColumn->GetTextVisible()) {
    AssignCanvasFont(Canvas, style->GetColumnHeaderFont()->GetFont());
    TextDraw(Canvas, FColumn->GetCaption(), TextRect, FColumn->GetTextAlign(), taVerticalCenter, true);
  }
  DrawSortArrow(Canvas);
}

bool TZCLTreeListColumnViewInfo::CalculateHitTest(TZCLHitTestInfo* HitTest) {
  if (!inherited::CalculateHitTest(HitTest)) return false;
  const TPoint p = HitTest->HitPoint;
  if (CheckBoxRect.Contains(p)) {
    HitTest->Cursor = crHandPoint;
    HitTest->SetHitObjectFlag(HitFlagCheckBox, true);
    return true;
  }
  TZCLTreeListSubClass* tree = GetTreeList();
  const bool autoWidth = tree->GetOptionsView()->GetColumns()->GetAutoWidth();
  if (tree->GetOptionsCustomizing()->GetColumnWidth() && FColumn->GetCanResize() &&
      (!autoWidth || tree->GetContent()->GetColumnBar()->ChildCount() > 1) &&
      p.X >= FBounds.Right - ScaleByDPI(6, FSubClass->GetCurrentDpi())) {
    HitTest->Cursor = crHSplit;
    HitTest->SetHitObjectFlag(3, true);
  }
  return true;
}

// ---- cells ----------------------------------------------------------------------------------

TZCLTreeListContentCellViewInfo::TZCLTreeListContentCellViewInfo(TZCLTreeListContentViewInfo* AOwner)
    : TZCLCompoundControlBaseCheckableContentCellViewInfo(AOwner), FContent(AOwner) {}

TZCLTreeListSubClass* TZCLTreeListContentCellViewInfo::GetTreeList() const { return FContent->GetTreeList(); }

TColor TZCLTreeListContentCellViewInfo::GetFocusRectColor() { return GetTreeList()->GetStyle()->GetColor(3)->GetAsColor(); }

bool TZCLTreeListContentCellViewInfo::IsFocused() { return FData && GetTreeList()->FocusedObject == FData && GetTreeList()->IsFocused(); }

void TZCLTreeListGroupViewInfo::Calculate(Integer AWidth, Integer AHeight) {
  inherited::Calculate(AWidth, AHeight);
  TZCLStyleTreeList* style = GetTreeList()->GetStyle();
  const Integer dpi = GetTreeList()->GetCurrentDpi();
  TextRect = Deflate(GetBounds(), ScaleMargins(style->GetGroupHeaderContentOffsets(), dpi));
  ExpandButtonVisible = GetTreeList()->GetOptionsBehavior()->GetGroupsAllowCollapse();
  ExpandButtonRect = TRect();
  if (ExpandButtonVisible) {
    const TSize size = style->GetGroupHeaderExpandButton()->GetFrameSize();
    ExpandButtonRect = CentredVert(TextRect.Right - size.cx, size, TextRect);
    TextRect.Right = ExpandButtonRect.Left - ScaleByDPI(5, dpi);
  }
  CheckBoxRect = TRect();
  if (GetTreeList()->GetOptionsView()->GetCheckBoxes()) {
    CheckBoxRect = CentredVert(TextRect.Left, style->GetCheckMark()->GetFrameSize(), TextRect);
    TextRect.Left = CheckBoxRect.Right + ScaleByDPI(5, dpi);
  }
  BackgroundRect = GetBounds();
  BackgroundRect.Top -= 1;
}

Integer TZCLTreeListGroupViewInfo::CalculateAutoHeight() {
  TZCLStyleTreeList* style = GetTreeList()->GetStyle();
  const TRect offsets = ScaleMargins(style->GetGroupHeaderContentOffsets(), GetTreeList()->GetCurrentDpi());
  return MeasureFontHeight(style->GetGroupHeaderFont()->GetFont()) + offsets.Top + offsets.Bottom;
}

void TZCLTreeListGroupViewInfo::GetFocusRect(TRect& R) {
  R = GetBounds();
  R.Bottom -= 1;
}

void TZCLTreeListGroupViewInfo::DoDraw(TCanvas* Canvas) {
  auto* group = static_cast<TZCLTreeListGroup*>(FData);
  TZCLStyleTreeList* style = GetTreeList()->GetStyle();
  style->DrawGroupHeader(Canvas, BackgroundRect, TZCLBorders{mTop, mBottom});
  if (group) style->DrawCheckBox(Canvas, CheckBoxRect, GetTreeList()->CalculateState(group), group->GetCheckBoxState());
  if (ExpandButtonVisible && group) style->DrawGroupExpandButton(Canvas, ExpandButtonRect, group->GetExpanded());
  if (group) {
    AssignCanvasFont(Canvas, style->GetGroupHeaderFont()->GetFont());
    TextDraw(Canvas, group->GetCaption(), TextRect, taLeftJustify, taVerticalCenter, true);
  }
}

Integer TZCLTreeListNodeViewInfo::IndentWidth() {
  return GetTreeList()->GetStyle()->GetRowExpandButton()->GetFrameWidth() + ScaleByDPI(5, GetTreeList()->GetCurrentDpi());
}

void TZCLTreeListNodeViewInfo::Calculate(Integer AWidth, Integer AHeight) {
  inherited::Calculate(AWidth, AHeight);
  TZCLTreeListSubClass* tree = GetTreeList();
  TZCLStyleTreeList* style = tree->GetStyle();
  const Integer dpi = tree->GetCurrentDpi();
  const TZCLTreeListGridLines lines = tree->GetOptionsView()->GetNodes()->GetGridLines();
  HorzGridLine = style->HasGridLines() && lines.Contains(tlglHorzontal);
  VertGridLine = style->HasGridLines() && lines.Contains(tlglVertical);
  CellMargins = FirstCellMargins = ScaleMargins(style->GetRowContentOffsets(), dpi);
  const TRect row(0, 0, AWidth, AHeight);
  ExpandButtonRect = TRect();
  if (FContent->GetHasSubLevels()) {
    FirstCellMargins.Left += Level * IndentWidth();
    ExpandButtonRect = CentredVert(FirstCellMargins.Left, style->GetRowExpandButton()->GetFrameSize(), row);
    FirstCellMargins.Left += ExpandButtonRect.Width() + ScaleByDPI(5, dpi);
  }
  CheckBoxRect = TRect();
  if (tree->GetOptionsView()->GetCheckBoxes()) {
    CheckBoxRect = CentredVert(FirstCellMargins.Left, style->GetCheckMark()->GetFrameSize(), row);
    FirstCellMargins.Left += CheckBoxRect.Width() + ScaleByDPI(5, dpi);
  }
  ImageRect = TRect();
  TCustomImageList* images = tree->GetOptionsView()->GetNodes()->GetImages();
  if (images) {
    const TSize size = GetImageListSize(images, dpi);
    switch (tree->GetOptionsView()->GetNodes()->GetImageAlignment()) {
      case taLeftJustify:
        ImageRect = CentredVert(FirstCellMargins.Left, size, row);
        FirstCellMargins.Left += size.cx + ScaleByDPI(5, dpi);
        break;
      case taRightJustify:
        ImageRect = CentredVert(AWidth - FirstCellMargins.Right - size.cx, size, row);
        FirstCellMargins.Right += size.cx + ScaleByDPI(5, dpi);
        break;
      case taCenter:
        ImageRect = CentredVert(FirstCellMargins.Left + (AWidth - FirstCellMargins.Left - FirstCellMargins.Right - size.cx) / 2,
                                size, row);
        break;
    }
  }
}

void TZCLTreeListNodeViewInfo::Initialize(TObject* AData) {
  inherited::Initialize(AData);
  AbsoluteIndex = -1;
  TZCLTreeListNode* node = GetNode();
  ExpandButtonVisible = node && node->HasChildren();
  const Integer level = node ? node->GetLevel() : 0;
  if (level != Level) {
    Level = level;
    Calculate(FWidth, FHeight);
  }
}

void TZCLTreeListNodeViewInfo::Initialize(TObject* AData, Integer AHeight) {
  FHeight = AHeight;
  Initialize(AData);
}

Integer TZCLTreeListNodeViewInfo::CalculateAutoHeight() {
  const TRect offsets = ScaleMargins(GetTreeList()->GetStyle()->GetRowContentOffsets(), GetTreeList()->GetCurrentDpi());
  return MeasureFontHeight(GetTreeList()->GetFont()) + offsets.Top + offsets.Bottom;
}

Integer TZCLTreeListNodeViewInfo::MeasureHeight() { return FContent->GetNodeHeight() + (HorzGridLine ? 1 : 0); }

bool TZCLTreeListNodeViewInfo::IsCheckBoxEnabled() { return GetNode() && GetNode()->GetCheckBoxEnabled(); }

bool TZCLTreeListNodeViewInfo::HasFocusRect() { return IsFocused() && !GetNode()->GetSelected(); }

TRect TZCLTreeListNodeViewInfo::GetCellMargins(TZCLTreeListColumnViewInfo* Column) {
  return !Column || Column->VisibleIndex == 0 ? FirstCellMargins : CellMargins;
}

Integer TZCLTreeListNodeViewInfo::MeasureCellWidth(TCanvas* Canvas, TZCLTreeListNode* Node, Integer ValueIndex,
                                                   TZCLTreeListColumnViewInfo* Column) {
  Initialize(Node);
  AssignCanvasFont(Canvas, GetTreeList()->GetFont());
  String text;
  TFontStyles styles = Canvas->GetFont()->GetStyle();
  TAlignment align;
  GetCellText(Node, ValueIndex, Column, text, styles, align);
  Canvas->GetFont()->SetStyle(styles);
  const TRect margins = GetCellMargins(Column);
  return CanvasTextSize(Canvas, text).cx + margins.Left + margins.Right;
}

void TZCLTreeListNodeViewInfo::GetCellText(TZCLTreeListNode* Node, Integer ValueIndex,
                                           TZCLTreeListColumnViewInfo* Column, String& Text, TFontStyles& Styles,
                                           TAlignment& Align) {
  TZCLTreeListSubClass* tree = GetTreeList();
  TZCLTreeListColumn* column = Column ? Column->GetColumn() : nullptr;
  Text = Node->GetValue(ValueIndex);
  Align = column ? column->GetTextAlign() : taLeftJustify;
  if (tree->OnGetNodeCellDisplayText) tree->OnGetNodeCellDisplayText(tree, Node, ValueIndex, Text);
  if (tree->OnGetNodeCellStyle) tree->OnGetNodeCellStyle(tree, Node, column, Styles, Align);
}

void TZCLTreeListNodeViewInfo::DoDraw(TCanvas* Canvas) {
  TZCLTreeListSubClass* tree = GetTreeList();
  TZCLStyleTreeList* style = tree->GetStyle();
  TZCLTreeListNode* node = GetNode();
  if (AbsoluteIndex < 0) AbsoluteIndex = node ? FContent->GetAbsoluteVisibleNodes()->IndexOf(node) : EmptyRowIndex;
  const TAlphaColor background = tree->GetNodeBackgroundColor(AbsoluteIndex % 2 != 0, node);
  const TRect row = GetBounds();
  FillRectAlpha(Canvas, row, background, ScaleByDPI(style->GetRowCornerRadius(), tree->GetCurrentDpi()));
  TZCLTreeListColumnBarViewInfo* bar = FContent->GetColumnBar();
  if (node && node == tree->GetFocusedNode() && tree->FocusedColumn && tree->IsFocused()) {
    if (TZCLTreeListColumnViewInfo* focused = bar->FindColumnViewInfo(tree->FocusedColumn)) {
      const Integer barLeft = bar->GetBounds().Left;
      FillRectAlpha(Canvas, TRect(focused->GetBounds().Left - barLeft, 0, focused->GetBounds().Right - barLeft, row.Bottom),
                    style->GetColor(12)->GetValue(), 0);
    }
  }
  if (HorzGridLine) style->DrawGridline(Canvas, row, mBottom);
  if (!node) return;
  AssignCanvasFont(Canvas, tree->GetFont());
  Canvas->GetFont()->SetColor(tree->GetNodeTextColor(node));
  bool handled = false;
  if (tree->OnCustomDrawNode) tree->OnCustomDrawNode(tree, Canvas, row, node, handled);
  if (handled) return;
  if (bar->ChildCount() == 0) {
    DoDrawCell(Canvas, row, nullptr, true);
    return;
  }
  const Integer barLeft = bar->GetBounds().Left;
  for (Integer i = 0; i < bar->ChildCount(); ++i) {
    TZCLTreeListColumnViewInfo* column = bar->GetColumnViewInfo(i);
    const TRect cell(column->GetBounds().Left - barLeft, 0, column->GetBounds().Right - barLeft, row.Bottom);
    if (!IsRectVisible(Canvas, cell)) continue;
    DoDrawCell(Canvas, cell, column, i == 0);
    if (VertGridLine && column->Borders.Contains(mRight)) style->DrawGridline(Canvas, cell, mRight);
  }
}

void TZCLTreeListNodeViewInfo::DoDrawCell(TCanvas* Canvas, const TRect& R, TZCLTreeListColumnViewInfo* Column, bool First) {
  TZCLTreeListSubClass* tree = GetTreeList();
  TZCLStyleTreeList* style = tree->GetStyle();
  TZCLTreeListNode* node = GetNode();
  TZCLTreeListNodeCustomDrawData data;
  data.Bounds = R;
  data.Column = Column ? Column->GetColumn() : nullptr;
  data.ColumnViewInfo = Column;
  data.Node = node;
  data.NodeViewInfo = this;
  data.ValueIndex = Column ? Column->AbsoluteIndex : 0;
  bool handled = false;
  if (tree->OnCustomDrawNodeCell) tree->OnCustomDrawNodeCell(tree, Canvas, data, handled);
  if (handled) return;
  if (First) {
    if (ExpandButtonVisible && !ExpandButtonRect.IsEmpty())
      style->DrawRowExpandButton(Canvas, ExpandButtonRect, node->GetExpanded(), node->GetSelected());
    style->DrawCheckBox(Canvas, CheckBoxRect, node->GetCheckBoxEnabled() ? tree->CalculateState(node) : bstDisabled,
                        node->GetCheckState());
    if (!ImageRect.IsEmpty())
      DrawImageListItem(Canvas, ImageRect, tree->GetOptionsView()->GetNodes()->GetImages(), node->GetImageIndex());
  }
  data.Bounds = Deflate(R, GetCellMargins(Column));
  // Styles of one cell do not leak into the next.
  const TFontStyles saved = Canvas->GetFont()->GetStyle();
  TFontStyles styles = saved;
  GetCellText(node, data.ValueIndex, Column, data.Text, styles, data.TextAlign);
  Canvas->GetFont()->SetStyle(styles);
  DoDrawCellValue(Canvas, data);
  Canvas->GetFont()->SetStyle(saved);
}

void TZCLTreeListNodeViewInfo::DoDrawCellValue(TCanvas* Canvas, TZCLTreeListNodeCustomDrawData& Data) {
  TZCLTreeListSubClass* tree = GetTreeList();
  bool handled = false;
  if (tree->OnCustomDrawNodeCellValue) tree->OnCustomDrawNodeCellValue(tree, Canvas, Data, handled);
  if (handled) return;
  TZCLStyleTreeList* style = tree->GetStyle();
  Integer from = 0, to = 0;
  if (tree->FocusedObject == Data.Node && Data.ValueIndex == std::max(0, tree->GetIncSearchValueIndex()) &&
      tree->GetIncSearch()->GetHighlightBounds(Data.Text, from, to))
    TextDrawHighlighted(Canvas, Data.Text, Data.Bounds, Data.TextAlign, taVerticalCenter, true, from, to,
                        style->GetColor(5)->GetAsColor(), style->GetColor(6)->GetAsColor());
  else
    TextDraw(Canvas, Data.Text, Data.Bounds, Data.TextAlign, taVerticalCenter, true);
}

void TZCLTreeListNodeViewInfo::DoCalculateHitTest(const TPoint& P, const TRect& Bounds, TZCLHitTestInfo* HitTest) {
  TZCLTreeListColumnBarViewInfo* bar = FContent->GetColumnBar();
  TZCLTreeListColumnViewInfo* column = nullptr;
  TRect cell = GetBounds();
  for (Integer i = 0; i < bar->ChildCount(); ++i) {
    TZCLTreeListColumnViewInfo* c = bar->GetColumnViewInfo(i);
    const Integer left = c->GetBounds().Left - bar->GetBounds().Left;
    if (P.X >= left && P.X < left + c->Width) {
      column = c;
      cell = TRect(left, 0, left + c->Width, FHeight);
      break;
    }
  }
  if (column) HitTest->SetHitObjectData(u"ColumnViewInfo", column);
  const bool first = !column || column->VisibleIndex == 0;
  TZCLTreeListNode* node = GetNode();
  const Integer valueIndex = column ? column->AbsoluteIndex : 0;
  if (node && cell.Width() < MeasureCellWidth(MeasureCanvas(), node, valueIndex, column)) {
    HitTest->HintData.Text = node->GetValue(valueIndex);
    TRect screen = Deflate(cell, GetCellMargins(column));
    screen.Offset(Bounds.Left, Bounds.Top);
    HitTest->HintData.ScreenBounds = GetTreeList()->ClientToScreenRect(screen);
  }
  const TRect text = Deflate(cell, GetCellMargins(column));
  if (text.Contains(P)) {
    HitTest->SetHitObjectFlag(7, true);
  } else if (first && ImageRect.Contains(P)) {
    HitTest->SetHitObjectFlag(6, true);
  } else if (first) {
    inherited::DoCalculateHitTest(P, Bounds, HitTest);
  }
}

// ---- content --------------------------------------------------------------------------------

TZCLTreeListContentViewInfo::TZCLTreeListContentViewInfo(TZCLCompoundControlSubClass* ASubClass)
    : TZCLCompoundControlScrollContainerViewInfo(ASubClass),
      FColumnBar(new TZCLTreeListColumnBarViewInfo(ASubClass)),
      FCells(this),
      FGroupViewInfo(new TZCLTreeListGroupViewInfo(this)),
      FNodeViewInfo(new TZCLTreeListNodeViewInfo(this)),
      FDropTargetViewInfo(new TZCLTreeListDropTargetViewInfo(this)) {}

void TZCLTreeListContentViewInfo::SetNodeViewInfo(TZCLTreeListNodeViewInfo* Value) {
  if (!Value || Value == FNodeViewInfo) return;
  Free(FNodeViewInfo);
  FNodeViewInfo = Value;
}

TZCLTreeListContentViewInfo::~TZCLTreeListContentViewInfo() {
  Free(FDropTargetViewInfo);
  FCells.Clear();
  Free(FNodeViewInfo);
  Free(FGroupViewInfo);
  Free(FColumnBar);
}

Integer TZCLTreeListContentViewInfo::GetColumnBarHeight() {
  return GetTreeList()->GetOptionsView()->GetColumns()->GetVisible() ? FColumnBar->GetHeight() : 0;
}

Integer TZCLTreeListContentViewInfo::GetGroupHeight() {
  const Integer height = GetTreeList()->GetOptionsView()->GetGroupHeight();
  if (height != 0) return ScaleByDPI(height, FSubClass->GetCurrentDpi());
  if (FGroupHeightCache < 0) FGroupHeightCache = FGroupViewInfo->CalculateAutoHeight();
  return FGroupHeightCache;
}

Integer TZCLTreeListContentViewInfo::GetNodeHeight() {
  const Integer height = GetTreeList()->GetOptionsView()->GetNodes()->GetHeight();
  if (height != 0) return ScaleByDPI(height, FSubClass->GetCurrentDpi());
  if (FNodeHeightCache < 0) FNodeHeightCache = FNodeViewInfo->CalculateAutoHeight();
  return FNodeHeightCache;
}

TRect TZCLTreeListContentViewInfo::GetColumnBarBounds() {
  TRect r = FClientBounds;
  r.Bottom = r.Top + GetColumnBarHeight();
  if (!GetTreeList()->GetOptionsView()->GetColumns()->GetAutoWidth()) {
    r.Left -= FViewport.X;
    r.Right = std::max(r.Left + FContentWidth, FClientBounds.Right);
  }
  return r;
}

void TZCLTreeListContentViewInfo::RecreateSubCells() {
  inherited::RecreateSubCells();
  FCells.Clear();
  FAbsoluteVisibleNodes.Clear();
  FCells.SetCapacity(10240);
  FAbsoluteVisibleNodes.SetCapacity(10240);
  FCurrentGroup = nullptr;
  PopulateViewItems(GetTreeList()->GetRootNode());
  FHasSubLevels = false;
  if (TZCLTreeListNodeList* top = GetTreeList()->GetRootNode()->GetChildrenList())
    for (TZCLTreeListNode* node : *top)
      if (node->HasChildren()) {
        FHasSubLevels = true;
        break;
      }
}

void TZCLTreeListContentViewInfo::PopulateViewItems(TZCLTreeListNode* Parent) {
  TZCLTreeListNodeList* children = Parent->GetChildrenList();
  if (!children) return;
  TZCLTreeListSubClass* tree = GetTreeList();
  TZCLIncrementalSearch* search = tree->GetIncSearch();
  const bool filtering = tree->GetOptionsBehavior()->GetIncSearchMode() == ismFilter && search->Active();
  const Integer column = std::max(0, tree->GetIncSearchValueIndex());
  std::function<bool(TZCLTreeListNode*)> passes = [&](TZCLTreeListNode* node) {
    if (search->Contains(node->GetValue(column))) return true;
    if (TZCLTreeListNodeList* list = node->GetChildrenList())
      for (TZCLTreeListNode* child : *list)
        if (passes(child)) return true;
    return false;
  };
  const bool allowCollapse = tree->GetOptionsBehavior()->GetGroupsAllowCollapse();
  for (TZCLTreeListNode* child : *children) {
    if (filtering && !passes(child)) continue;
    if (child->GetGroup() != FCurrentGroup && Parent == tree->GetRootNode()) {
      FCurrentGroup = child->GetGroup();
      if (FCurrentGroup) FCells.Add(FCurrentGroup, FGroupViewInfo);
    }
    if (!child->GetGroup() || child->GetGroup()->GetExpanded() || !allowCollapse) {
      FAbsoluteVisibleNodes.Add(child);
      FCells.Add(child, FNodeViewInfo);
      if (child->GetExpanded()) PopulateViewItems(child);
    }
  }
}

void TZCLTreeListContentViewInfo::MeasureCells() {
  // The stock node rows are all of one height: measured once, not once per row.
  const Integer nodeHeight =
      FNodeViewInfo->ClassType() == TZCLTreeListNodeViewInfo::StaticClass() ? FNodeViewInfo->MeasureHeight() : -1;
  Integer top = 0;
  for (Integer i = 0; i < FCells.GetCount(); ++i) {
    TZCLCompoundControlBaseContentCell* cell = FCells[i];
    cell->Top = top;
    if (cell->GetViewInfo() == FGroupViewInfo)
      cell->Height = GetGroupHeight();
    else if (nodeHeight >= 0 && cell->GetViewInfo() == FNodeViewInfo)
      cell->Height = nodeHeight;
    else
      cell->Height = cell->MeasureHeight();
    top += cell->Height;
  }
}

void TZCLTreeListContentViewInfo::CalculateSubCells(TZCLCompoundControlChanges Changes) {
  inherited::CalculateSubCells(Changes);
  FColumnBar->Calculate(GetColumnBarBounds(), Changes | ChangeSize);
  FViewItemsArea = FClientBounds;
  FViewItemsArea.Top += GetColumnBarHeight();
}

void TZCLTreeListContentViewInfo::CalculateContentLayout() {
  TZCLTreeListSubClass* tree = GetTreeList();
  Integer width;
  if (FColumnBar->ChildCount() == 0 && tree->GetOptionsBehavior()->GetAutoBestFit()) {
    width = 0;
    for (TZCLTreeListNode* node : FAbsoluteVisibleNodes)
      width = std::max(width, FNodeViewInfo->MeasureCellWidth(MeasureCanvas(), node, 0, nullptr));
  } else {
    width = FColumnBar->GetColumnsWidth();
  }
  FContentWidth = std::max(FViewItemsArea.Width(), width);
  FNodeViewInfo->Initialize(nullptr);
  FNodeViewInfo->Calculate(FContentWidth, GetNodeHeight());
  FGroupViewInfo->Calculate(FContentWidth, GetGroupHeight());
  if (MeasureLockCount == 0) MeasureCells();
  const Integer contentHeight =
      FCells.GetCount() ? FCells[FCells.GetCount() - 1]->Top + FCells[FCells.GetCount() - 1]->Height : 0;
  // The column bar is part of the scrolled height, so the viewport's limits match the rows' area.
  FContentSize = TSize(width > FViewItemsArea.Width() ? width : 0, contentHeight + GetColumnBarHeight());
  FColumnBar->Calculate(GetColumnBarBounds(), ChangeSize);
  FCells.UpdateVisibleBounds();
  FDropTargetViewInfo->Calculate();
}

void TZCLTreeListContentViewInfo::DoCalculate(TZCLCompoundControlChanges Changes) {
  if (Changes & ChangeSize) FGroupHeightCache = FNodeHeightCache = FColumnBar->MeasuredHeight = -1;
  inherited::DoCalculate(Changes);
  if (Changes & ChangeLayout) FCells.UpdateVisibleBounds();
}

bool TZCLTreeListContentViewInfo::GetScrollParams(TScrollBarKind Kind, TZCLCompoundControlScrollInfo& Info) {
  const bool result = inherited::GetScrollParams(Kind, Info);
  if (Kind == sbVertical) Info.LineSize = GetNodeHeight();
  return result;
}

void TZCLTreeListContentViewInfo::UpdateScrollBars() {
  inherited::UpdateScrollBars();
  FColumnBar->Calculate(GetColumnBarBounds(), ChangeLayout);
  FCells.UpdateVisibleBounds();
}

bool TZCLTreeListContentViewInfo::CalculateHitTest(TZCLHitTestInfo* HitTest) { return inherited::CalculateHitTest(HitTest); }

void TZCLTreeListContentViewInfo::DoCalculateHitTest(TZCLHitTestInfo* HitTest) {
  inherited::DoCalculateHitTest(HitTest);
  if (GetColumnBarHeight() > 0 && FColumnBar->CalculateHitTest(HitTest)) return;
  if (FViewItemsArea.Contains(HitTest->HitPoint)) FCells.CalculateHitTest(HitTest);
}

void TZCLTreeListContentViewInfo::DrawContent(TCanvas* Canvas) {
  if (GetColumnBarHeight() > 0) FColumnBar->Draw(Canvas);
  HRGN saved = nullptr;
  if (!ClipRegionPush(Canvas->GetHandle(), FViewItemsArea, saved)) return;
  FCells.Draw(Canvas);
  DrawEmptyRows(Canvas);
  DrawSelectionRect(Canvas);
  FDropTargetViewInfo->Draw(Canvas);
  ClipRegionPop(Canvas->GetHandle(), saved);
}

TRect TZCLTreeListContentViewInfo::ContentToClient(const TRect& R) const {
  TRect result = R;
  const TPoint origin = const_cast<TZCLTreeListContentViewInfo*>(this)->GetViewItemsOrigin();
  result.Offset(origin.X, origin.Y);
  return result;
}

void TZCLTreeListContentViewInfo::DrawSelectionRect(TCanvas* Canvas) {
  ::DrawSelectionRect(Canvas, ContentToClient(FSelectionRect), GetTreeList()->GetStyle()->GetColor(7)->GetValue());
}

void TZCLTreeListContentViewInfo::SetSelectionRect(const TRect& R) {
  if (R == FSelectionRect) return;
  if (!FSelectionRect.IsEmpty()) FSubClass->InvalidateRect(ContentToClient(FSelectionRect));
  FSelectionRect = R;
  if (!FSelectionRect.IsEmpty()) FSubClass->InvalidateRect(ContentToClient(FSelectionRect));
}

void TZCLTreeListContentViewInfo::InvalidateRow(TObject* Object) {
  TZCLCompoundControlBaseContentCell* cell = nullptr;
  if (Object && FCells.Find(Object, cell)) FSubClass->InvalidateRect(cell->AbsoluteBounds());
}

TZCLTreeListNode* TZCLTreeListContentViewInfo::FindNearestNode(const TPoint& P, Integer Direction) {
  TZCLTreeListNode* result = nullptr;
  Integer best = INT32_MAX;
  for (Integer i = 0; i < FCells.GetCount(); ++i) {
    TZCLCompoundControlBaseContentCell* cell = FCells[i];
    if (cell->GetViewInfo() != FNodeViewInfo || !cell->GetData()) continue;
    const TRect row = cell->AbsoluteBounds();
    const Integer distance = Direction < 0 ? P.Y - row.Top : row.Bottom - P.Y;
    if (distance >= 0 && distance < best) {
      best = distance;
      result = static_cast<TZCLTreeListNode*>(cell->GetData());
    }
  }
  return result;
}

// ---- drop-target marker ---------------------------------------------------------------------

Integer TZCLTreeListDropTargetViewInfo::GetThickness() { return ScaleByDPI(3, FOwner->GetTreeList()->GetCurrentDpi()); }

void TZCLTreeListDropTargetViewInfo::SetTarget(TObject* Target, TZCLTreeListDropTargetInsertMode Mode) {
  if (Target == FTarget && Mode == InsertMode) return;
  if (!Bounds.IsEmpty()) FOwner->GetTreeList()->InvalidateRect(Bounds);
  FTarget = Target;
  InsertMode = Mode;
  Calculate();
  if (!Bounds.IsEmpty()) FOwner->GetTreeList()->InvalidateRect(Bounds);
}

void TZCLTreeListDropTargetViewInfo::Calculate() {
  Bounds = TRect();
  TZCLCompoundControlContentCellList* cells = FOwner->GetCells();
  TZCLCompoundControlBaseContentCell* own = nullptr;
  if (!FTarget || !cells->Find(FTarget, own)) return;
  // After an expanded group or node the line goes below its last row: the rows of a group run
  // to the next group row, the rows of a node's subtree while the level is deeper.
  TZCLCompoundControlBaseContentCell* last = own;
  if (InsertMode == dtimAfter) {
    Integer index = 0;
    while (index < cells->GetCount() && (*cells)[index] != own) ++index;
    const bool group = own->GetViewInfo() == FOwner->GetGroupViewInfo();
    const Integer level = group ? -1 : static_cast<TZCLTreeListNode*>(FTarget)->GetLevel();
    for (Integer i = index + 1; i < cells->GetCount(); ++i) {
      TZCLCompoundControlBaseContentCell* next = (*cells)[i];
      if (next->GetViewInfo() != FOwner->GetNodeViewInfo() || !next->GetData()) break;
      if (!group && static_cast<TZCLTreeListNode*>(next->GetData())->GetLevel() <= level) break;
      last = next;
    }
  }
  const TRect ownRow = own->AbsoluteBounds();
  TRect r(ownRow.Left, last->AbsoluteBounds().Top, ownRow.Right, last->AbsoluteBounds().Bottom);
  if (own->GetViewInfo() == FOwner->GetNodeViewInfo()) {
    TZCLTreeListNodeViewInfo* node = FOwner->GetNodeViewInfo();
    node->Initialize(FTarget, own->Height);
    // Where the check box sits, or would sit: past the indentation and the expand button.
    const Integer dpi = FOwner->GetTreeList()->GetCurrentDpi();
    Integer column = ScaleByDPI(FOwner->GetTreeList()->GetStyle()->GetRowContentOffsets().Left, dpi);
    if (!node->CheckBoxRect.IsEmpty())
      column = node->CheckBoxRect.Left;
    else if (!node->ExpandButtonRect.IsEmpty())
      column = node->ExpandButtonRect.Right + ScaleByDPI(5, dpi);
    r.Left += column;
  }
  SetBounds(r);
}

void TZCLTreeListDropTargetViewInfo::SetBounds(const TRect& R) {
  const Integer thickness = GetThickness();
  const auto line = [&](Integer Left, Integer Y) {
    return TRect(Left, Y - thickness / 2, R.Right, Y - thickness / 2 + thickness);
  };
  switch (InsertMode) {
    case dtimBefore:
      Bounds = line(R.Left, R.Top);
      break;
    case dtimAfter:
      Bounds = line(R.Left, R.Bottom);
      break;
    case dtimInto:
      Bounds = line(R.Left + 4 * FOwner->GetNodeViewInfo()->IndentWidth(), R.Bottom);
      break;
    case dtimOver:
      Bounds = R;
      break;
  }
}

void TZCLTreeListDropTargetViewInfo::Draw(TCanvas* Canvas) {
  if (Bounds.IsEmpty()) return;
  const TColor color = FOwner->GetTreeList()->GetStyle()->GetColor(21)->GetAsColor();
  if (InsertMode == dtimOver)
    DrawFrame(Canvas, Bounds, color, GetThickness());
  else
    FillRectColor(Canvas, Bounds, color);
}

void TZCLTreeListContentViewInfo::DrawEmptyRows(TCanvas* Canvas) {
  const TPoint origin = GetViewItemsOrigin();
  Integer top = FCells.GetCount() ? FCells[FCells.GetCount() - 1]->AbsoluteBounds().Bottom : origin.Y;
  Integer index = FAbsoluteVisibleNodes.GetCount();
  const Integer height = GetNodeHeight() + (FNodeViewInfo->HorzGridLine ? 1 : 0);
  if (height <= 0) return;
  for (; top < FViewItemsArea.Bottom; top += height, ++index) {
    const TRect row(origin.X, top, origin.X + FContentWidth, top + height);
    if (!IsRectVisible(Canvas, row)) continue;
    // Empty rows continue the even and odd colours of the rows above.
    FNodeViewInfo->EmptyRowIndex = index;
    FNodeViewInfo->Draw(Canvas, nullptr, row);
  }
}

Integer TZCLTreeListContentViewInfo::GetScrollLineDownDelta() {
  TZCLCompoundControlBaseContentCell* cell = nullptr;
  if (!FCells.GetCell(FCells.LastVisible, cell)) return 0;
  const Integer below = cell->AbsoluteBounds().Bottom - FViewItemsArea.Bottom;
  if (below > 0) return below;
  // Flush with the bottom: the next line is the whole row after it.
  return FCells.GetCell(FCells.LastVisible + 1, cell) ? cell->Height : 0;
}

Integer TZCLTreeListContentViewInfo::GetScrollLineUpDelta() {
  TZCLCompoundControlBaseContentCell* cell = nullptr;
  if (!FCells.GetCell(FCells.FirstVisible, cell)) return 0;
  const Integer above = FViewItemsArea.Top - cell->AbsoluteBounds().Top;
  if (above > 0) return above;
  return FCells.GetCell(FCells.FirstVisible - 1, cell) ? cell->Height : 0;
}

void TZCLTreeListContentViewInfo::ScrollByLines(Integer Count, bool Up) {
  for (Integer i = 0; i < Count; ++i) {
    SetViewportY(Up ? FViewport.Y - GetScrollLineUpDelta() : FViewport.Y + GetScrollLineDownDelta());
    FCells.UpdateVisibleBounds();
  }
}

namespace {
// The scroll that brings [Start, End) into [ViewStart, ViewEnd).
Integer ScrollDeltaOf(Integer Start, Integer End, Integer ViewStart, Integer ViewEnd, Integer Mode) {
  if (Mode == 1) return Start - ViewStart;
  if (Mode == 2) {
    if (End - Start < ViewEnd - ViewStart) return (Start + End) / 2 - (ViewStart + ViewEnd) / 2;
    return Start - ViewStart;
  }
  if (Start < ViewStart) return Start - ViewStart;
  if (End <= ViewEnd) return 0;
  return std::min(End - ViewEnd, Start - ViewStart);
}
}  // namespace

TPoint TZCLTreeListContentViewInfo::CalculateScrollToDelta(TObject* Object, Integer Mode, TZCLTreeListColumn* Column) {
  TZCLCompoundControlBaseContentCell* cell = nullptr;
  if (!FCells.Find(Object, cell)) return TPoint(0, 0);
  const TRect row = cell->AbsoluteBounds();
  TPoint result(0, ScrollDeltaOf(row.Top, row.Bottom, FViewItemsArea.Top, FViewItemsArea.Bottom, Mode));
  if (TZCLTreeListColumnViewInfo* column = Column ? FColumnBar->FindColumnViewInfo(Column) : nullptr)
    result.X = ScrollDeltaOf(column->GetBounds().Left, column->GetBounds().Right, FViewItemsArea.Left,
                             FViewItemsArea.Right, 0);
  return result;
}

void RegisterTreeListViewInfoClasses() { RegisterProperties<TZCLStyleTreeList>(); }
