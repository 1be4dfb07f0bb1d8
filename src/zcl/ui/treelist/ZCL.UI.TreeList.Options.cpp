#include "zcl/ui/treelist/ZCL.UI.TreeList.Options.h"

#include "vcl/VCL.ImgList.h"

// ---- base -----------------------------------------------------------------------------------

void TZCLTreeListCustomOptions::DoChanged(TZCLPersistentChanges Changes) {
  Cardinal flags = 0;
  if (Changes & KindStruct) flags |= ChangeStruct;
  if (Changes & KindSize) flags |= ChangeSize;
  if (Changes & KindContent) flags |= ChangeContent;
  if (flags && FListener) FListener->Changed(flags);
}

TZCLTreeListCustomOptionsImage::TZCLTreeListCustomOptionsImage(IZCLTreeListOptionsListener* AListener)
    : TZCLTreeListCustomOptions(AListener), FChangeLink(new TChangeLink) {
  FChangeLink->OnChange = TNotifyEvent(this, &TZCLTreeListCustomOptionsImage::ImagesChanged);
}

TZCLTreeListCustomOptionsImage::~TZCLTreeListCustomOptionsImage() { Free(FChangeLink); }

void TZCLTreeListCustomOptionsImage::BeforeDestruction() {
  SetImages(nullptr);
  inherited::BeforeDestruction();
}

void TZCLTreeListCustomOptionsImage::DeclareProperties(TClassDeclaration<TZCLTreeListCustomOptionsImage>& D) {
  D.Property(u"Images", &TZCLTreeListCustomOptionsImage::GetImages, &TZCLTreeListCustomOptionsImage::SetImages);
}

void TZCLTreeListCustomOptionsImage::SetImages(TCustomImageList* Value) {
  if (FImages == Value) return;
  if (FImages) {
    FImages->UnRegisterChanges(FChangeLink);
    TZCLObjectLinks::UnregisterRemoveListener(IPtr<IZCLObjectRemoveNotify>(this), FImages);
  }
  FImages = Value;
  if (FImages) {
    FImages->RegisterChanges(FChangeLink);
    TZCLObjectLinks::RegisterRemoveListener(FImages, IPtr<IZCLObjectRemoveNotify>(this));
  }
  Changed(KindSize | KindContent);
}

void TZCLTreeListCustomOptionsImage::OnRemove(TObject* Object) {
  if (Object != FImages) return;
  FImages->UnRegisterChanges(FChangeLink);
  FImages = nullptr;
  Changed(KindSize | KindContent);
}

void TZCLTreeListCustomOptionsImage::DoAssign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TZCLTreeListCustomOptionsImage*>(Source)) SetImages(source->FImages);
}

// ---- behaviour ------------------------------------------------------------------------------

void TZCLTreeListOptionsBehavior::SetDirect(bool& Field, bool Value, Cardinal Flags) {
  if (Field == Value) return;
  Field = Value;
  if (FListener) FListener->Changed(Flags);
}

void TZCLTreeListOptionsBehavior::SetGroupsAllowCollapse(bool Value) {
  if (FGroupsAllowCollapse == Value) return;
  FGroupsAllowCollapse = Value;
  if (FListener) FListener->FullRefresh();
}

void TZCLTreeListOptionsBehavior::SetIncSearchColumnIndex(Integer Value) {
  Value = Value < -1 ? -1 : Value;
  if (FIncSearchColumnIndex == Value) return;
  FIncSearchColumnIndex = Value;
  if (FListener) FListener->Changed(0x4000);
}

void TZCLTreeListOptionsBehavior::SetIncSearchMode(TZCLIncrementalSearchMode Value) {
  if (FIncSearchMode == Value) return;
  FIncSearchMode = Value;
  if (FListener) FListener->Changed(0x4000);
}

void TZCLTreeListOptionsBehavior::SetSortingMode(TZCLTreeListSortingMode Value) {
  if (FSortingMode == Value) return;
  FSortingMode = Value;
  if (FListener) FListener->Changed(0x20000);
}

void TZCLTreeListOptionsBehavior::DoAssign(TPersistent* Source) {
  auto* s = dynamic_cast<TZCLTreeListOptionsBehavior*>(Source);
  if (!s) return inherited::DoAssign(Source);
  FAllowDefocus = s->FAllowDefocus;
  SetAutoBestFit(s->FAutoBestFit);
  SetAutoCheckParents(s->FAutoCheckParents);
  SetAutoCheckChildren(s->FAutoCheckChildren);
  FCellHints = s->FCellHints;
  FDeleting = s->FDeleting;
  FDragSorting = s->FDragSorting;
  FDragSortingAllowChangeLevel = s->FDragSortingAllowChangeLevel;
  FDropSource = s->FDropSource;
  SetDropTarget(s->FDropTarget);
  FDropTargetAllowCreateLevel = s->FDropTargetAllowCreateLevel;
  FEditing = s->FEditing;
  FEditingStartingMode = s->FEditingStartingMode;
  SetGroups(s->FGroups);
  SetGroupsAllowCollapse(s->FGroupsAllowCollapse);
  SetGroupsFocus(s->FGroupsFocus);
  SetGroupsFocusOnClick(s->FGroupsFocusOnClick);
  SetHotTrack(s->FHotTrack);
  SetIncSearchColumnIndex(s->FIncSearchColumnIndex);
  SetIncSearchMode(s->FIncSearchMode);
  FMouseWheelScrollLines = s->FMouseWheelScrollLines;
  SetSortingMode(s->FSortingMode);
  FSortingUseMultithreading = s->FSortingUseMultithreading;
}

void TZCLTreeListOptionsBehavior::DeclareProperties(TClassDeclaration<TZCLTreeListOptionsBehavior>& D) {
  using C = TZCLTreeListOptionsBehavior;
  D.Property(u"AllowDefocus", &C::GetAllowDefocus, &C::SetAllowDefocus).Default(true);
  D.Property(u"AutoBestFit", &C::GetAutoBestFit, &C::SetAutoBestFit).Default(false);
  D.Property(u"AutoCheckChildren", &C::GetAutoCheckChildren, &C::SetAutoCheckChildren).Default(false);
  D.Property(u"AutoCheckParents", &C::GetAutoCheckParents, &C::SetAutoCheckParents).Default(false);
  D.Property(u"CellHints", &C::GetCellHints, &C::SetCellHints).Default(true);
  D.Property(u"Deleting", &C::GetDeleting, &C::SetDeleting).Default(false);
  D.Property(u"DragSorting", &C::GetDragSorting, &C::SetDragSorting).Default(false);
  D.Property(u"DragSortingAllowChangeLevel", &C::GetDragSortingAllowChangeLevel, &C::SetDragSortingAllowChangeLevel)
      .Default(false);
  D.Property(u"DropSource", &C::GetDropSource, &C::SetDropSource).Default(false);
  D.Property(u"DropTarget", &C::GetDropTarget, &C::SetDropTarget).Default(false);
  D.Property(u"DropTargetAllowCreateLevel", &C::GetDropTargetAllowCreateLevel, &C::SetDropTargetAllowCreateLevel)
      .Default(false);
  D.Property(u"Editing", &C::GetEditing, &C::SetEditing).Default(false);
  D.Property(u"EditingStartingMode", &C::GetEditingStartingMode, &C::SetEditingStartingMode).Default(esmOnDoubleClick);
  D.Property(u"Groups", &C::GetGroups, &C::SetGroups).Default(false);
  D.Property(u"GroupsAllowCollapse", &C::GetGroupsAllowCollapse, &C::SetGroupsAllowCollapse).Default(false);
  D.Property(u"GroupsFocus", &C::GetGroupsFocus, &C::SetGroupsFocus).Default(true);
  D.Property(u"GroupsFocusOnClick", &C::GetGroupsFocusOnClick, &C::SetGroupsFocusOnClick).Default(false);
  D.Property(u"HotTrack", &C::GetHotTrack, &C::SetHotTrack).Default(false);
  D.Property(u"IncSearchColumnIndex", &C::GetIncSearchColumnIndex, &C::SetIncSearchColumnIndex).Default(-1);
  D.Property(u"IncSearchMode", &C::GetIncSearchMode, &C::SetIncSearchMode).Default(ismSearch);
  D.Property(u"MouseWheelScrollLines", &C::GetMouseWheelScrollLines, &C::SetMouseWheelScrollLines).Default(0);
  D.Property(u"SortingMode", &C::GetSortingMode, &C::SetSortingMode).Default(tlsmMulti);
  D.Property(u"SortingUseMultithreading", &C::GetSortingUseMultithreading, &C::SetSortingUseMultithreading)
      .Default(true);
}

// ---- customizing and selection --------------------------------------------------------------

void TZCLTreeListOptionsCustomizing::DoAssign(TPersistent* Source) {
  auto* s = dynamic_cast<TZCLTreeListOptionsCustomizing*>(Source);
  if (!s) return inherited::DoAssign(Source);
  FColumnOrder = s->FColumnOrder;
  FColumnVisibility = s->FColumnVisibility;
  FColumnWidth = s->FColumnWidth;
}

void TZCLTreeListOptionsCustomizing::DeclareProperties(TClassDeclaration<TZCLTreeListOptionsCustomizing>& D) {
  using C = TZCLTreeListOptionsCustomizing;
  D.Property(u"ColumnOrder", &C::GetColumnOrder, &C::SetColumnOrder).Default(false);
  D.Property(u"ColumnVisibility", &C::GetColumnVisibility, &C::SetColumnVisibility).Default(false);
  D.Property(u"ColumnWidth", &C::GetColumnWidth, &C::SetColumnWidth).Default(true);
}

void TZCLTreeListOptionsSelection::SetMultiSelect(bool Value) {
  if (FMultiSelect == Value) return;
  FMultiSelect = Value;
  if (FListener) FListener->SelectNone();
}

void TZCLTreeListOptionsSelection::DoAssign(TPersistent* Source) {
  auto* s = dynamic_cast<TZCLTreeListOptionsSelection*>(Source);
  if (!s) return inherited::DoAssign(Source);
  SetFocusCell(s->FFocusCell);
  SetMultiSelect(s->FMultiSelect);
}

void TZCLTreeListOptionsSelection::DeclareProperties(TClassDeclaration<TZCLTreeListOptionsSelection>& D) {
  using C = TZCLTreeListOptionsSelection;
  D.Property(u"FocusCell", &C::GetFocusCell, &C::SetFocusCell).Default(false);
  D.Property(u"MultiSelect", &C::GetMultiSelect, &C::SetMultiSelect).Default(false);
}

// ---- view -----------------------------------------------------------------------------------

void TZCLTreeListOptionsViewColumns::DoAssign(TPersistent* Source) {
  auto* s = dynamic_cast<TZCLTreeListOptionsViewColumns*>(Source);
  if (!s) return inherited::DoAssign(Source);
  inherited::DoAssign(Source);
  SetAutoWidth(s->FAutoWidth);
  SetIntegerField(FHeight, s->FHeight, KindSize);
  SetVisible(s->FVisible);
}

void TZCLTreeListOptionsViewColumns::DeclareProperties(TClassDeclaration<TZCLTreeListOptionsViewColumns>& D) {
  using C = TZCLTreeListOptionsViewColumns;
  D.Property(u"AutoWidth", &C::GetAutoWidth, &C::SetAutoWidth).Default(false);
  D.Property(u"Height", &C::GetHeight, &C::SetHeight).Default(0);
  D.Property(u"Visible", &C::GetVisible, &C::SetVisible).Default(true);
}

void TZCLTreeListOptionsViewNodes::SetGridLines(TZCLTreeListGridLines Value) {
  if (FGridLines == Value) return;
  FGridLines = Value;
  Changed(KindSize);
}

void TZCLTreeListOptionsViewNodes::SetImageAlignment(TAlignment Value) {
  if (FImageAlignment == Value) return;
  FImageAlignment = Value;
  Changed(KindSize);
}

void TZCLTreeListOptionsViewNodes::DoAssign(TPersistent* Source) {
  auto* s = dynamic_cast<TZCLTreeListOptionsViewNodes*>(Source);
  if (!s) return inherited::DoAssign(Source);
  inherited::DoAssign(Source);
  SetImageAlignment(s->FImageAlignment);
  SetGridLines(s->FGridLines);
  SetHeight(s->FHeight);
}

void TZCLTreeListOptionsViewNodes::DeclareProperties(TClassDeclaration<TZCLTreeListOptionsViewNodes>& D) {
  using C = TZCLTreeListOptionsViewNodes;
  D.Property(u"GridLines", &C::GetGridLines, &C::SetGridLines).Default(TZCLTreeListGridLines{tlglVertical, tlglHorzontal});
  D.Property(u"Height", &C::GetHeight, &C::SetHeight).Default(0);
  D.Property(u"ImageAlignment", &C::GetImageAlignment, &C::SetImageAlignment).Default(taLeftJustify);
}

TZCLTreeListOptionsView::TZCLTreeListOptionsView(IZCLTreeListOptionsListener* AListener)
    : TZCLTreeListCustomOptions(AListener),
      FColumns(TZCLTreeListOptionsView::CreateColumns()),
      FNodes(TZCLTreeListOptionsView::CreateNodes()) {}

TZCLTreeListOptionsView::~TZCLTreeListOptionsView() {
  Free(FColumns);
  Free(FNodes);
}

TZCLTreeListOptionsViewColumns* TZCLTreeListOptionsView::CreateColumns() {
  return Create<TZCLTreeListOptionsViewColumns>(FListener);
}

TZCLTreeListOptionsViewNodes* TZCLTreeListOptionsView::CreateNodes() {
  return Create<TZCLTreeListOptionsViewNodes>(FListener);
}

void TZCLTreeListOptionsView::SetBorders(TZCLBorders Value) {
  if (FBorders == Value) return;
  FBorders = Value;
  Changed(KindSize);
}

void TZCLTreeListOptionsView::DoAssign(TPersistent* Source) {
  auto* s = dynamic_cast<TZCLTreeListOptionsView*>(Source);
  if (!s) return inherited::DoAssign(Source);
  SetBorders(s->FBorders);
  SetColumns(s->FColumns);
  SetNodes(s->FNodes);
  FGroupHeight = s->FGroupHeight;
  SetCheckBoxes(s->FCheckBoxes);
}

void TZCLTreeListOptionsView::DeclareProperties(TClassDeclaration<TZCLTreeListOptionsView>& D) {
  using C = TZCLTreeListOptionsView;
  D.Property(u"Borders", &C::GetBorders, &C::SetBorders).Default(TZCLBorders{mLeft, mTop, mRight, mBottom});
  D.Property(u"CheckBoxes", &C::GetCheckBoxes, &C::SetCheckBoxes).Default(false);
  D.Property(u"Columns", &C::GetColumns, &C::SetColumns);
  D.Property(u"GroupHeight", &C::GetGroupHeight, &C::SetGroupHeight).Default(0);
  D.Property(u"Nodes", &C::GetNodes, &C::SetNodes);
}

void RegisterTreeListOptionsClasses() {
  RegisterProperties<TZCLTreeListCustomOptionsImage>();
  RegisterProperties<TZCLTreeListOptionsBehavior>();
  RegisterProperties<TZCLTreeListOptionsCustomizing>();
  RegisterProperties<TZCLTreeListOptionsSelection>();
  RegisterProperties<TZCLTreeListOptionsViewColumns>();
  RegisterProperties<TZCLTreeListOptionsViewNodes>();
  RegisterProperties<TZCLTreeListOptionsView>();
}
