#include "zcl/ui/treelist/ZCL.UI.CompoundControl.ViewInfo.h"

#include <algorithm>

#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"

namespace {
// Pushes a clip rectangle and pops it when leaving the scope; Visible is false when nothing of
// the rectangle can be drawn (then nothing was pushed).
struct TClipScope {
  HDC DC;
  HRGN Saved = nullptr;
  bool Visible;
  TClipScope(TCanvas* Canvas, const TRect& R) : DC(Canvas->GetHandle()) { Visible = ClipRegionPush(DC, R, Saved); }
  ~TClipScope() {
    if (Visible) ClipRegionPop(DC, Saved);
  }
};
}  // namespace

// ---- view infos -----------------------------------------------------------------------------

void TZCLCompoundControlCustomViewInfo::Calculate(const TRect& R, TZCLCompoundControlChanges Changes) {
  FBounds = R;
  DoCalculate(Changes);
}

bool TZCLCompoundControlCustomViewInfo::CalculateHitTest(TZCLHitTestInfo* HitTest) {
  if (!FBounds.Contains(HitTest->HitPoint)) return false;
  DoCalculateHitTest(HitTest);
  return true;
}

void TZCLCompoundControlCustomViewInfo::Draw(TCanvas* Canvas) {
  if (IsRectVisible(Canvas, FBounds)) DoDraw(Canvas);
}

void TZCLCompoundControlCustomViewInfo::DrawTo(TCanvas* Canvas, Integer X, Integer Y) {
  const int saved = CanvasSaveDC(Canvas);
  try {
    MoveWindowOrg(Canvas->GetHandle(), TPoint(X - FBounds.Left, Y - FBounds.Top));
    Draw(Canvas);
  } catch (...) {
    CanvasRestoreDC(Canvas, saved);
    throw;
  }
  CanvasRestoreDC(Canvas, saved);
}

void TZCLCompoundControlCustomViewInfo::Invalidate() { FSubClass->InvalidateRect(FBounds); }

TZCLCompoundControlContainerViewInfo::~TZCLCompoundControlContainerViewInfo() {
  for (auto* child : FChildren) Free(child);
}

Integer TZCLCompoundControlContainerViewInfo::AddCell(TZCLCompoundControlCustomViewInfo* ViewInfo) {
  FChildren.push_back(ViewInfo);
  return ChildCount() - 1;
}

void TZCLCompoundControlContainerViewInfo::RecreateSubCells() {
  auto children = std::move(FChildren);
  FChildren.clear();
  for (auto* child : children) Free(child);
}

void TZCLCompoundControlContainerViewInfo::DoCalculate(TZCLCompoundControlChanges Changes) {
  inherited::DoCalculate(Changes);
  if (Changes & ChangeStruct) RecreateSubCells();
  CalculateSubCells(Changes);
}

void TZCLCompoundControlContainerViewInfo::DoCalculateHitTest(TZCLHitTestInfo* HitTest) {
  inherited::DoCalculateHitTest(HitTest);
  // Children drawn later win.
  for (auto it = FChildren.rbegin(); it != FChildren.rend(); ++it)
    if ((*it)->CalculateHitTest(HitTest)) break;
}

void TZCLCompoundControlContainerViewInfo::DrawContent(TCanvas* Canvas) {
  for (auto* child : FChildren) child->Draw(Canvas);
}

void TZCLCompoundControlContainerViewInfo::DoDraw(TCanvas* Canvas) {
  TClipScope clip(Canvas, FBounds);
  if (clip.Visible) DrawContent(Canvas);
}

// ---- cell view infos ------------------------------------------------------------------------

void TZCLCompoundControlBaseContentCellViewInfo::Calculate(Integer AWidth, Integer AHeight) {
  FWidth = AWidth;
  FHeight = AHeight;
}

void TZCLCompoundControlBaseContentCellViewInfo::Initialize(TObject* AData, Integer AHeight) {
  FHeight = AHeight;
  Initialize(AData);
}

void TZCLCompoundControlBaseContentCellViewInfo::CalculateHitTest(TObject* AData, const TRect& Bounds,
                                                                   TZCLHitTestInfo* HitTest) {
  Initialize(AData, Bounds.Height());
  HitTest->HitObject = AData;
  HitTest->SetHitObjectData(u"ViewInfo", this);
  DoCalculateHitTest(TPoint(HitTest->HitPoint.X - Bounds.Left, HitTest->HitPoint.Y - Bounds.Top), Bounds, HitTest);
}

void TZCLCompoundControlBaseContentCellViewInfo::Draw(TCanvas* Canvas, TObject* AData, const TRect& Bounds) {
  const TPoint saved = MoveWindowOrg(Canvas->GetHandle(), Bounds.TopLeft());
  try {
    Initialize(AData, Bounds.Height());
    DoDraw(Canvas);
    if (HasFocusRect()) {
      TRect r;
      GetFocusRect(r);
      DrawDottedFrame(Canvas, r, GetFocusRectColor());
    }
  } catch (...) {
    RestoreWindowOrg(Canvas->GetHandle(), saved);
    throw;
  }
  RestoreWindowOrg(Canvas->GetHandle(), saved);
}

void TZCLCompoundControlBaseCheckableContentCellViewInfo::DoCalculateHitTest(const TPoint& P, const TRect&,
                                                                              TZCLHitTestInfo* HitTest) {
  if (CheckBoxRect.Contains(P) && IsCheckBoxEnabled()) {
    HitTest->Cursor = crHandPoint;
    HitTest->SetHitObjectFlag(HitFlagCheckBox, true);
    // Any non-null object marks the check-box sub part; one shared object keeps it comparable.
    static TObject checkBoxSubPart;
    HitTest->SetHitObjectData(u"SubPart", &checkBoxSubPart);
  } else if (ExpandButtonVisible && ExpandButtonRect.Contains(P)) {
    HitTest->Cursor = crHandPoint;
    HitTest->SetHitObjectFlag(HitFlagExpandButton, true);
  }
}

// ---- cells ----------------------------------------------------------------------------------

TRect TZCLCompoundControlBaseContentCell::GetBounds() const {
  return TRect(0, Top, FViewInfo->GetOwner()->GetContentWidth(), Top + Height);
}

TRect TZCLCompoundControlBaseContentCell::AbsoluteBounds() const {
  TRect r = GetBounds();
  const TPoint origin = FViewInfo->GetOwner()->GetViewItemsOrigin();
  r.Offset(origin.X, origin.Y);
  return r;
}

void TZCLCompoundControlBaseContentCell::CalculateHitTest(TZCLHitTestInfo* HitTest) {
  FViewInfo->CalculateHitTest(FData, AbsoluteBounds(), HitTest);
}

void TZCLCompoundControlBaseContentCell::Draw(TCanvas* Canvas) { FViewInfo->Draw(Canvas, FData, AbsoluteBounds()); }

Integer TZCLCompoundControlBaseContentCell::MeasureHeight() {
  FViewInfo->Initialize(FData);
  return FViewInfo->MeasureHeight();
}

// ---- cell list ------------------------------------------------------------------------------

TZCLCompoundControlContentCellList::TZCLCompoundControlContentCellList(IZCLCompoundControlSubClassContent* AOwner,
                                                                       TCellFactory AFactory)
    : FOwner(AOwner), FFactory(AFactory) {}

TZCLCompoundControlContentCellList::~TZCLCompoundControlContentCellList() {
  for (auto* cell : FItems) Free(cell);
  for (auto* cell : FSpare) Free(cell);
}

TZCLCompoundControlBaseContentCell* TZCLCompoundControlContentCellList::Add(
    TObject* Data, TZCLCompoundControlBaseContentCellViewInfo* ViewInfo) {
  TZCLCompoundControlBaseContentCell* cell;
  if (!FFactory && !FSpare.empty()) {
    cell = FSpare.back();
    FSpare.pop_back();
    cell->FData = Data;
    cell->FViewInfo = ViewInfo;
    cell->Top = cell->Height = 0;
  } else {
    cell = FFactory ? FFactory(Data, ViewInfo) : new TZCLCompoundControlBaseContentCell(Data, ViewInfo);
  }
  FItems.push_back(cell);
  return cell;
}

void TZCLCompoundControlContentCellList::Clear() {
  auto items = std::move(FItems);
  FItems.clear();
  if (FFactory) {
    for (auto* cell : items) Free(cell);
  } else {
    // Kept for the next build; reversed so that it takes them in their old order.
    FSpare.insert(FSpare.end(), items.rbegin(), items.rend());
  }
  UpdateVisibleBounds();
}

bool TZCLCompoundControlContentCellList::CalculateHitTest(TZCLHitTestInfo* HitTest) {
  for (Integer i = FirstVisible; i <= LastVisible && i < GetCount(); ++i) {
    TZCLCompoundControlBaseContentCell* cell = FItems[size_t(i)];
    if (cell->AbsoluteBounds().Contains(HitTest->HitPoint)) {
      cell->CalculateHitTest(HitTest);
      return true;
    }
  }
  return false;
}

void TZCLCompoundControlContentCellList::Draw(TCanvas* Canvas) {
  TClipScope clip(Canvas, GetClipRect());
  if (!clip.Visible) return;
  for (Integer i = FirstVisible; i <= LastVisible && i < GetCount(); ++i) FItems[size_t(i)]->Draw(Canvas);
}

bool TZCLCompoundControlContentCellList::Find(TObject* Data, TZCLCompoundControlBaseContentCell*& Cell) const {
  if (!Data) return false;
  for (auto* cell : FItems)
    if (cell->GetData() == Data) {
      Cell = cell;
      return true;
    }
  return false;
}

bool TZCLCompoundControlContentCellList::FindFirstVisible(Integer StartIndex, Integer Direction, TClass DataClass,
                                                          TZCLCompoundControlBaseContentCell*& Cell) const {
  for (Integer i = StartIndex; i != -1 && i >= FirstVisible && i <= LastVisible && i < GetCount(); i += Direction) {
    TObject* data = FItems[size_t(i)]->GetData();
    if (data && data->InheritsFrom(DataClass)) {
      Cell = FItems[size_t(i)];
      return true;
    }
  }
  return false;
}

bool TZCLCompoundControlContentCellList::GetCell(Integer Index, TZCLCompoundControlBaseContentCell*& Cell) const {
  if (Index < 0 || Index >= GetCount()) return false;
  Cell = FItems[size_t(Index)];
  return true;
}

Integer TZCLCompoundControlContentCellList::GetContentSize() const {
  if (FItems.empty()) return 0;
  return FItems.back()->AbsoluteBounds().Bottom - FItems.front()->AbsoluteBounds().Top;
}

void TZCLCompoundControlContentCellList::UpdateVisibleBounds() {
  TRect window = FOwner->GetViewItemsArea();
  window.Offset(0, -FOwner->GetViewItemsOrigin().Y);
  // The cells are stacked top to bottom, so both ends are found by bisection: scrolling a long
  // list costs no more than a short one.
  const Integer count = GetCount();
  const auto first = std::partition_point(FItems.begin(), FItems.end(), [&](const TZCLCompoundControlBaseContentCell* C) {
    return C->Top + C->Height <= window.Top;
  });
  FirstVisible = Integer(first - FItems.begin());
  const auto last = std::partition_point(first, FItems.end(), [&](const TZCLCompoundControlBaseContentCell* C) {
    return C->Top < window.Bottom;
  });
  LastVisible = last > first ? Integer(last - FItems.begin()) - 1 : count - 1;
}
