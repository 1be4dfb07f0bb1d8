#include "zcl/ui/treelist/ZCL.UI.TreeList.DragAndDrop.h"

#include <algorithm>

#include "rtl/RTL.Numbers.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Locks.h"

namespace {

using TLockedUpdate = TZCLTreeListLockedUpdate;
using TLongOperation = TZCLTreeListLongOperation;

constexpr Integer HitFlagResizeZone = 3;

Integer Scaled(TZCLCompoundControlSubClass* SubClass, Integer Value) {
  return ScaleByDPI(Value, SubClass->GetCurrentDpi());
}

TZCLTreeListGroup* TopLevelGroup(TZCLTreeListNode* Node) {
  TZCLTreeListNode* top = Node ? Node->TopLevelNode() : nullptr;
  return top ? top->GetGroup() : nullptr;
}

TRect RowBounds(TZCLTreeListContentViewInfo* Content, TObject* Object) {
  TZCLCompoundControlBaseContentCell* cell = nullptr;
  return Content->GetCells()->Find(Object, cell) ? cell->AbsoluteBounds() : TRect();
}

}  // namespace

// ---- sub-class factories and events ---------------------------------------------------------

TZCLCompoundControlHintController* TZCLTreeListSubClass::CreateHintController() {
  return new TZCLTreeListHintController(this);
}

TZCLHitTestInfo* TZCLTreeListSubClass::CreateHitTest() { return new TZCLTreeListHitTest(this); }

TZCLCompoundControlDragAndDropController* TZCLTreeListSubClass::CreateDragAndDropController() {
  return new TZCLTreeListDragAndDropController(this);
}

void TZCLTreeListSubClass::DoDragSorting() {
  if (OnDragSorting) OnDragSorting(this);
}

bool TZCLTreeListSubClass::DoDragSortingNodeDrop(TZCLTreeListNode* Node, TZCLTreeListDropTargetInsertMode Mode) {
  bool handled = false;
  if (OnDragSortingNodeDrop) OnDragSortingNodeDrop(this, Node, Mode, handled);
  return handled;
}

bool TZCLTreeListSubClass::DoDragSortingNodeOver(TZCLTreeListNode* Node, TZCLTreeListDropTargetInsertMode Mode) {
  bool allowed = true;
  if (OnDragSortingNodeOver) OnDragSortingNodeOver(this, Node, Mode, allowed);
  return allowed;
}

void TZCLTreeListSubClass::DoDrop(TZCLDropTarget* Data, TZCLDropAction Action, TZCLTreeListNode* Target,
                                  TZCLTreeListDropTargetInsertMode Mode) {
  if (OnDrop) OnDrop(this, Data, Action, Target, Mode);
}

void TZCLTreeListSubClass::DoDropOver(TZCLDropTarget* Data, TZCLDropAction& Action, TObject*& Target,
                                      TZCLTreeListDropTargetInsertMode& Mode, bool& Allow) {
  if (OnDropOver) OnDropOver(this, Data, Action, Target, Mode, Allow);
}

// ---- hints and hit test ---------------------------------------------------------------------

bool TZCLTreeListHintController::CanShowHint(TObject* HintObject, const TZCLHintData& HintData) {
  if (dynamic_cast<TZCLTreeListNode*>(HintObject) && !FTreeList->GetOptionsBehavior()->GetCellHints()) return false;
  return inherited::CanShowHint(HintObject, HintData);
}

TZCLCompoundControlDragObject* TZCLTreeListHitTest::CreateDragObject() {
  if (auto* header = dynamic_cast<TZCLTreeListColumnViewInfo*>(HitObject)) {
    if (GetHitObjectFlag(HitFlagResizeZone)) return new TZCLTreeListColumnDragResizeObject(header);
    return new TZCLTreeListColumnDragMoveObject(header);
  }
  if (auto* group = dynamic_cast<TZCLTreeListGroup*>(HitObject)) return new TZCLTreeListGroupDragObject(group);
  if (auto* node = dynamic_cast<TZCLTreeListNode*>(HitObject)) return new TZCLTreeListNodeDragObject(node);
  TZCLTreeListContentViewInfo* content = FSubClass->GetContent();
  if (content && HitObject == content && content->GetCells()->GetCount() > 0)
    return new TZCLTreeListSelectionRectDragObject(nullptr);
  return inherited::CreateDragObject();
}

// ---- controller -----------------------------------------------------------------------------

TObject* TZCLTreeListDragAndDropController::CreateDefaultDropTarget() {
  TZCLTreeListSubClass* tree = GetTreeList();
  if (!tree->GetOptionsBehavior() || !tree->GetOptionsBehavior()->GetDropTarget()) return nullptr;
  auto* target = new TZCLTreeListDropTarget(tree);
  target->SetTarget(tree->GetContainer()->ContainerGetControl());
  return target;
}

void TZCLTreeListDragAndDropController::ProcessChanges(TZCLCompoundControlChanges Flags) {
  inherited::ProcessChanges(Flags);
  if ((Flags & 0x8000) && !GetIsActive()) SetDropTarget(nullptr);
}

bool TZCLTreeListDragAndDropController::SetDropTargetObject(TObject* Target, TZCLTreeListDropTargetInsertMode Mode) {
  if (Target == DropTargetObject && Mode == DropTargetMode) return false;
  DropTargetObject = Target;
  DropTargetMode = Mode;
  if (TZCLTreeListContentViewInfo* content = GetTreeList()->GetContent())
    content->GetDropTargetViewInfo()->SetTarget(Target, Mode);
  return true;
}

void TZCLTreeListDragAndDropController::ObjectRemoving(TObject* Object) {
  if (!IsDropping && GetIsActive()) Cancel();
  if (DropTargetObject == Object) SetDropTargetObject(nullptr, DropTargetMode);
}

// ---- drop target ----------------------------------------------------------------------------

TZCLTreeListDropTarget::TZCLTreeListDropTarget(TZCLTreeListSubClass* ASubClass)
    : TZCLDropTarget(nullptr), FSubClass(ASubClass) {}

TZCLTreeListDropTarget::~TZCLTreeListDropTarget() { Free(FExpandTimer); }

TZCLTreeListDragAndDropController* TZCLTreeListDropTarget::GetController() const {
  return static_cast<TZCLTreeListDragAndDropController*>(FSubClass->GetDragAndDropController());
}

TRect TZCLTreeListDropTarget::GetTargetClientRect() { return FSubClass->GetContent()->GetViewItemsArea(); }

TPoint TZCLTreeListDropTarget::ScreenToClient(TPoint P) { return FSubClass->ScreenToClient(P); }

void TZCLTreeListDropTarget::DoScroll(Integer Lines, TMouseWheelDirection Direction, TPoint) {
  FSubClass->ScrollByLines(Lines, Direction == mwdUp);
}

void TZCLTreeListDropTarget::DoEnter() {
  if (!FExpandTimer)
    FExpandTimer = new TZCLTimer(TNotifyEvent(this, &TZCLTreeListDropTarget::ExpandTimerFired), 1000, false);
  inherited::DoEnter();
}

void TZCLTreeListDropTarget::DoLeave() {
  Free(FExpandTimer);
  FExpandTimer = nullptr;
  GetController()->SetDropTargetObject(nullptr, dtimAfter);
  inherited::DoLeave();
}

void TZCLTreeListDropTarget::ExpandTimerFired(TObject*) {
  FExpandTimer->SetEnabled(false);
  IPtr<IZCLExpandableObject> expandable;
  TObject* target = GetController()->DropTargetObject;
  if (target && Supports(target, expandable) && expandable->CanToggle()) expandable->SetExpanded(true);
}

void TZCLTreeListDropTarget::DoOver(TShiftState, TPoint P, String&, bool& Allow, TZCLDropAction& Action) {
  TZCLTreeListDragAndDropController* controller = GetController();
  const bool internal = controller->GetIsActive();
  if (internal && !FSubClass->GetOptionsBehavior()->GetDragSorting()) {
    Allow = false;
    return;
  }
  const TPoint client = ScreenToClient(P);
  CheckAutoScroll(client);
  TObject* target = nullptr;
  TZCLTreeListDropTargetInsertMode mode = dtimInto;
  FSubClass->UpdateHitTest(client);
  Allow = CalcDropTarget(target, mode);
  if (!internal) FSubClass->DoDropOver(this, Action, target, mode, Allow);
  if (controller->SetDropTargetObject(Allow ? target : nullptr, mode) && FExpandTimer) FExpandTimer->Restart();
  if (FExpandTimer) FExpandTimer->SetEnabled(Allow && target);
}

void TZCLTreeListDropTarget::DoDrop(TShiftState Shift, TPoint P, TZCLDropAction Action) {
  TZCLTreeListDragAndDropController* controller = GetController();
  controller->IsDropping = true;
  try {
    DoDropData(Action);
    inherited::DoDrop(Shift, P, Action);
  } catch (...) {
    controller->IsDropping = false;
    throw;
  }
  controller->IsDropping = false;
}

bool TZCLTreeListDropTarget::CanCreateLevel() {
  return FSubClass->GetOptionsBehavior()->GetDropTargetAllowCreateLevel();
}

bool TZCLTreeListDropTarget::CalcDropTarget(TObject*& Target, TZCLTreeListDropTargetInsertMode& Mode) {
  TZCLHitTestInfo* hitTest = FSubClass->GetHitTest();
  if (auto* node = dynamic_cast<TZCLTreeListNode*>(hitTest->HitObject)) {
    Target = node;
    Mode = CalcInsertMode(node);
    return true;
  }
  if (hitTest->HitObject && hitTest->HitObject == FSubClass->GetContent()) {
    Target = nullptr;
    Mode = dtimAfter;
    return true;
  }
  return false;
}

TZCLTreeListDropTargetInsertMode TZCLTreeListDropTarget::CalcInsertMode(TZCLTreeListNode* Node) {
  TZCLTreeListContentViewInfo* content = FSubClass->GetContent();
  const TRect row = RowBounds(content, Node);
  if (row.IsEmpty()) return dtimAfter;
  const TPoint p = FSubClass->GetHitTest()->HitPoint;
  if (CanCreateLevel()) {
    TZCLTreeListNodeViewInfo* viewInfo = content->GetNodeViewInfo();
    viewInfo->Initialize(Node, row.Height());
    viewInfo->Calculate(row.Width(), row.Height());
    if (p.X > row.Left + 3 * row.Height() + viewInfo->FirstCellMargins.Left) return dtimInto;
  }
  return p.Y > (row.Top + row.Bottom) / 2 ? dtimAfter : dtimBefore;
}

void TZCLTreeListDropTarget::DoDropData(TZCLDropAction Action) {
  TZCLTreeListDragAndDropController* controller = GetController();
  FSubClass->DoDrop(this, Action, dynamic_cast<TZCLTreeListNode*>(controller->DropTargetObject),
                    controller->DropTargetMode);
}

void TZCLTreeListCustomDragSortingDropTarget::DoDropData(TZCLDropAction) {
  TLongOperation operation(FSubClass);
  TLockedUpdate update(FSubClass);
  DoDropItems();
  FSubClass->DoDragSorting();
}

// ---- node drag sorting ----------------------------------------------------------------------

TZCLTreeListNodeDragSortingDropTarget::TZCLTreeListNodeDragSortingDropTarget(TZCLTreeListSubClass* ASubClass)
    : TZCLTreeListCustomDragSortingDropTarget(ASubClass) {
  for (Integer i = 0; i < ASubClass->GetSelectedCount(); ++i) DraggedNodes.Add(ASubClass->GetSelected(i));
  TZCLTreeListNode* first = DraggedNodes.First();
  if (!first) return;
  DraggedParent = first->GetParent();
  DraggedGroup = TopLevelGroup(first);
  const bool anyLevel = CanCreateLevel();
  for (TZCLTreeListNode* node : DraggedNodes)
    if (TopLevelGroup(node) != DraggedGroup || (!anyLevel && node->GetParent() != DraggedParent)) {
      // A selection over several groups (or levels) has no place it could go as a whole.
      DraggedNodes.Clear();
      DraggedGroup = nullptr;
      DraggedParent = nullptr;
      return;
    }
}

bool TZCLTreeListNodeDragSortingDropTarget::CanCreateLevel() {
  return FSubClass->GetOptionsBehavior()->GetDragSortingAllowChangeLevel();
}

bool TZCLTreeListNodeDragSortingDropTarget::CalcDropTarget(TObject*& Target, TZCLTreeListDropTargetInsertMode& Mode) {
  if (DraggedNodes.GetCount() == 0) return false;
  TObject* hit = FSubClass->GetHitTest()->HitObject;
  TZCLTreeListNode* target = nullptr;
  bool allowed = false;
  if (auto* node = dynamic_cast<TZCLTreeListNode*>(hit)) {
    allowed = TopLevelGroup(node) == DraggedGroup && !DraggedNodes.IsChild(node) &&
              (CanCreateLevel() || node->GetParent() == DraggedParent);
    if (allowed) {
      target = node;
      Mode = CalcInsertMode(node);
    }
  } else if (auto* group = dynamic_cast<TZCLTreeListGroup*>(hit)) {
    allowed = group == DraggedGroup && group->GetLinks()->First();
    if (allowed) {
      target = group->GetLinks()->First();
      Mode = dtimBefore;
    }
  }
  if (!allowed) return false;
  // Drops that would leave everything where it is.
  if (DraggedNodes.Contains(target)) return false;
  if (Mode == dtimBefore && target->PrevSibling() && DraggedNodes.Contains(target->PrevSibling())) return false;
  if (Mode == dtimAfter && target->NextSibling() && DraggedNodes.Contains(target->NextSibling())) return false;
  Target = target;
  return FSubClass->DoDragSortingNodeOver(target, Mode);
}

void TZCLTreeListNodeDragSortingDropTarget::DoDropItems() {
  auto* target = dynamic_cast<TZCLTreeListNode*>(GetController()->DropTargetObject);
  const TZCLTreeListDropTargetInsertMode mode = GetController()->DropTargetMode;
  if (target && DraggedNodes.GetCount() > 0 && !FSubClass->DoDragSortingNodeDrop(target, mode)) {
    TZCLTreeListNode* parent = mode == dtimInto ? target : target->GetParent();
    Integer index = mode == dtimInto ? parent->GetChildrenCount() : target->GetIndex() + (mode == dtimAfter ? 1 : 0);
    // The slot counts among the nodes that stay: the dragged ones before it do not shift it.
    Integer slot = 0;
    for (Integer i = 0; i < index && i < parent->GetChildrenCount(); ++i)
      if (!DraggedNodes.Contains(parent->GetChild(i))) ++slot;
    for (TZCLTreeListNode* node : DraggedNodes) {
      node->SetParent(parent);
      node->SetIndex(parent->GetChildrenCount() - 1);
    }
    for (Integer k = 0; k < DraggedNodes.GetCount(); ++k) DraggedNodes[k]->SetIndex(slot + k);
    parent->SetExpanded(true);
  }
  FSubClass->Changed(0x2000);
}

// ---- group drag sorting ---------------------------------------------------------------------

TZCLTreeListGroupDragSortingDropTarget::TZCLTreeListGroupDragSortingDropTarget(TZCLTreeListSubClass* ASubClass)
    : TZCLTreeListCustomDragSortingDropTarget(ASubClass) {
  auto* pressed = dynamic_cast<TZCLTreeListGroup*>(ASubClass->GetHitTest()->HitObject);
  if (!pressed) return;
  TZCLTreeListGroups* groups = ASubClass->GetGroups();
  if (pressed->GetSelected()) {
    for (Integer i = 0; i < groups->GetCount(); ++i)
      if ((*groups)[i]->GetSelected()) DraggedGroups.push_back((*groups)[i]);
  } else {
    DraggedGroups.push_back(pressed);
  }
}

bool TZCLTreeListGroupDragSortingDropTarget::CalcDropTarget(TObject*& Target, TZCLTreeListDropTargetInsertMode& Mode) {
  TObject* hit = FSubClass->GetHitTest()->HitObject;
  auto* group = dynamic_cast<TZCLTreeListGroup*>(hit);
  const bool onHeader = group != nullptr;
  if (!group) group = TopLevelGroup(dynamic_cast<TZCLTreeListNode*>(hit));
  auto dragged = [&](TZCLTreeListGroup* G) {
    return G && std::find(DraggedGroups.begin(), DraggedGroups.end(), G) != DraggedGroups.end();
  };
  if (!group || dragged(group) || RowBounds(FSubClass->GetContent(), group).IsEmpty()) return false;
  TObject* target = group;
  Mode = dtimBefore;
  if (!onHeader) {
    if (TZCLTreeListGroup* next = group->NextSibling()) {
      target = next;
    } else {
      target = group->GetLinks()->Last();
      Mode = dtimAfter;
    }
  }
  if (auto* targetGroup = dynamic_cast<TZCLTreeListGroup*>(target))
    if (dragged(targetGroup->PrevSibling())) return false;
  Target = target;
  return target != nullptr;
}

void TZCLTreeListGroupDragSortingDropTarget::DoDropItems() {
  if (DraggedGroups.empty()) return;
  TObject* target = GetController()->DropTargetObject;
  auto* group = dynamic_cast<TZCLTreeListGroup*>(target);
  if (!group) group = TopLevelGroup(dynamic_cast<TZCLTreeListNode*>(target));
  if (!group) return;
  const Integer index = group->GetIndex() + (GetController()->DropTargetMode == dtimAfter ? 1 : 0);
  FSubClass->GetGroups()->Move(index, DraggedGroups);
}

// ---- sorting drag objects -------------------------------------------------------------------

TZCLTreeListCustomDragSortingObject::~TZCLTreeListCustomDragSortingObject() { Free(DropTarget); }

TZCLTreeListDropTarget* TZCLTreeListCustomDragSortingObject::CreateDropTarget() {
  return new TZCLTreeListNodeDragSortingDropTarget(GetTreeList());
}

bool TZCLTreeListCustomDragSortingObject::DragStart() {
  TZCLTreeListSubClass* tree = GetTreeList();
  TZCLTreeListOptionsBehavior* options = tree->GetOptionsBehavior();
  if (options->GetDropSource()) {
    StartDropSource(TZCLDropSourceActions{dsaCopy}, this, this);
    return true;
  }
  if (!options->GetDragSorting()) return false;
  DropTarget = CreateDropTarget();
  DropTarget->DoEnter();
  return true;
}

void TZCLTreeListCustomDragSortingObject::DropSourceBegin() {
  if (GetTreeList()->GetOptionsBehavior()->GetDragSorting()) {
    TZCLTreeListDropTarget* target = CreateDropTarget();
    target->SetTarget(GetTreeList()->GetContainer()->ContainerGetControl());
    Controller->SetDropTarget(target);
  }
}

void TZCLTreeListCustomDragSortingObject::DropSourceEnd(TZCLDropSourceActions, TShiftState) {
  Controller->SetDropTarget(nullptr);
}

void TZCLTreeListCustomDragSortingObject::DragMove(const TPoint& P, Integer&, Integer&) {
  if (!DropTarget) return;
  DropAllowed = true;
  String hint;
  TZCLDropAction action = daMove;
  DropTarget->DoOver(TShiftState(), GetSubClass()->ClientToScreen(P), hint, DropAllowed, action);
  UpdateCursor(DropAllowed ? crDrag : crNoDrop);
}

void TZCLTreeListCustomDragSortingObject::DragFinished(bool Canceled) {
  if (!DropTarget) return;
  if (!Canceled && DropAllowed) {
    try {
      DropTarget->DoDrop(TShiftState(), GetSubClass()->ClientToScreen(Controller->GetLastPoint()), daMove);
    } catch (...) {
      // The drag ends normally whatever a handler of the drop raised.
    }
  }
  DropTarget->DoLeave();
  Free(DropTarget);
  DropTarget = nullptr;
}

TZCLTreeListDropTarget* TZCLTreeListGroupDragObject::CreateDropTarget() {
  return new TZCLTreeListGroupDragSortingDropTarget(GetTreeList());
}

void TZCLTreeListGroupDragObject::SelectGroup() {
  if (!Group->GetSelected()) GetTreeList()->SetFocusedObject(Group, true, false);
}

void TZCLTreeListGroupDragObject::StartDropSource(TZCLDropSourceActions Actions, IZCLDropSourceOperation* Operation,
                                                  TObject* SourceObject) {
  SelectGroup();
  inherited::StartDropSource(Actions, Operation, SourceObject);
}

// ---- rubber band ----------------------------------------------------------------------------

bool TZCLTreeListSelectionRectDragObject::CanStartSelectionRect() {
  return GetTreeList()->GetOptionsSelection()->GetMultiSelect();
}

bool TZCLTreeListNodeDragObject::CanStartSelectionRect() {
  if (!inherited::CanStartSelectionRect()) return false;
  TZCLHitTestInfo* hitTest = GetHitTest();
  auto* column = dynamic_cast<TZCLTreeListColumnViewInfo*>(hitTest->GetHitObjectData(u"ColumnViewInfo"));
  if (!column) return GetTreeList()->GetColumns()->GetCount() > 0;
  const TRect cell = column->GetBounds();
  return hitTest->HitPoint.X > cell.Left + cell.Width() * 3 / 4;
}

bool TZCLTreeListSelectionRectDragObject::DragStart() {
  if (!CanStartSelectionRect()) return GetTreeList()->HasSelection() && inherited::DragStart();
  TZCLTreeListContentViewInfo* content = GetTreeList()->GetContent();
  const TPoint origin = content->GetViewItemsOrigin();
  StartPoint = TPoint(GetMouseDownPoint().X - origin.X, GetMouseDownPoint().Y - origin.Y);
  LastNode = StartNode;
  InitializeAutoScroll();
  RubberBand = true;
  return true;
}

void TZCLTreeListSelectionRectDragObject::DragMove(const TPoint& P, Integer& DeltaX, Integer& DeltaY) {
  if (!RubberBand) {
    inherited::DragMove(P, DeltaX, DeltaY);
    return;
  }
  TZCLTreeListSubClass* tree = GetTreeList();
  TZCLTreeListContentViewInfo* content = tree->GetContent();
  UpdateAutoScrollDirection(P, content->GetViewItemsArea());
  const TPoint origin = content->GetViewItemsOrigin();
  const TPoint current(P.X - origin.X, P.Y - origin.Y);
  content->SetSelectionRect(TRect(std::min(StartPoint.X, current.X), std::min(StartPoint.Y, current.Y),
                                  std::max(StartPoint.X, current.X), std::max(StartPoint.Y, current.Y)));
  const Integer direction = current.Y >= StartPoint.Y ? 1 : -1;
  const TPoint start(StartPoint.X + origin.X, StartPoint.Y + origin.Y);
  NearestNode = content->FindNearestNode(start, direction);
  auto* hit = dynamic_cast<TZCLTreeListNode*>(GetHitTest()->HitObject);
  if (!hit) {
    // Beside the rows: the row at the same height under the start, else the last row passed.
    tree->UpdateHitTest(TPoint(start.X, P.Y));
    hit = dynamic_cast<TZCLTreeListNode*>(GetHitTest()->HitObject);
    tree->UpdateHitTest(P);
    if (!hit) hit = content->FindNearestNode(P, -direction);
  }
  if (hit == LastNode) return;
  LastNode = hit;
  TZCLTreeListNode* from = StartNode ? StartNode : NearestNode;
  if (from && hit)
    tree->SelectRange(from, hit, hit, false, true, 1);
  else
    tree->SelectNone();
}

void TZCLTreeListSelectionRectDragObject::DragFinished(bool Canceled) {
  if (!RubberBand) {
    inherited::DragFinished(Canceled);
    return;
  }
  GetTreeList()->GetContent()->SetSelectionRect(TRect());
}

// ---- headers --------------------------------------------------------------------------------

bool TZCLTreeListColumnDragMoveObject::DragStart() {
  if (!GetTreeList()->GetOptionsCustomizing()->GetColumnOrder()) return false;
  CreateDragImage(ColumnViewInfo);
  InitializeAutoScroll(10);
  return true;
}

void TZCLTreeListColumnDragMoveObject::DoAutoScroll(Integer Direction) {
  TZCLTreeListSubClass* tree = GetTreeList();
  tree->ScrollBy(Direction * Scaled(tree, 10), 0);
  tree->UpdateHitTest(Controller->GetLastPoint());
  UpdateInsertMark();
}

void TZCLTreeListColumnDragMoveObject::DragMove(const TPoint& P, Integer&, Integer&) {
  TZCLTreeListSubClass* tree = GetTreeList();
  TRect bar = tree->GetContent()->GetColumnBarBounds();
  bar.Left = std::max(bar.Left, tree->GetBounds().Left);
  bar.Right = std::min(bar.Right, tree->GetBounds().Right);
  const Integer zone = Scaled(tree, 50);
  UpdateAutoScroll(P.X < bar.Left + zone ? -1 : P.X > bar.Right - zone ? 1 : 0);
  UpdateInsertMark();
}

void TZCLTreeListColumnDragMoveObject::UpdateInsertMark() {
  TZCLTreeListSubClass* tree = GetTreeList();
  auto* target = dynamic_cast<TZCLTreeListColumnViewInfo*>(GetHitTest()->HitObject);
  FTarget = target ? target->GetColumn() : nullptr;
  TRect mark;
  if (target) {
    const TRect r = target->GetBounds();
    const Integer x = Column->GetDrawIndex() >= FTarget->GetDrawIndex() ? r.Left : r.Right - 1;
    mark = TRect(x, r.Top, x + 1, r.Bottom);
    UpdateCursor(crDefault);
  } else {
    UpdateCursor(tree->GetOptionsCustomizing()->GetColumnVisibility() ? TCursor(crDragRemove) : crDefault);
  }
  SetInsertMarkRect(mark);
}

void TZCLTreeListColumnDragMoveObject::SetInsertMarkRect(const TRect& R) {
  if (R == InsertMarkRect) return;
  InsertMarkRect = R;
  TZCLTreeListSubClass* tree = GetTreeList();
  tree->InvalidateRect(tree->GetContent()->GetColumnBarBounds());
  tree->RepaintNow();
}

void TZCLTreeListColumnDragMoveObject::Draw(TCanvas* Canvas) {
  if (InsertMarkRect.IsEmpty()) return;
  const TColor color = Canvas->GetFont()->GetColor();
  FillRectAlpha(Canvas, InsertMarkRect, TAlphaColorHelper::FromColor(color));
  const Integer dpi = GetSubClass()->GetCurrentDpi() * 3 / 2;
  const TSize down = ArrowSize(3, dpi), up = ArrowSize(2, dpi);
  const Integer x = InsertMarkRect.Left;
  DrawArrow(Canvas, TRect(x - down.cx / 2, InsertMarkRect.Top, x - down.cx / 2 + down.cx, InsertMarkRect.Top + down.cy),
            color, 3, dpi);
  DrawArrow(Canvas, TRect(x - up.cx / 2, InsertMarkRect.Bottom - up.cy, x - up.cx / 2 + up.cx, InsertMarkRect.Bottom),
            color, 2, dpi);
}

void TZCLTreeListColumnDragMoveObject::DragFinished(bool Canceled) {
  if (!Canceled) {
    if (FTarget)
      Column->SetDrawIndex(FTarget->GetDrawIndex());
    else if (GetTreeList()->GetOptionsCustomizing()->GetColumnVisibility())
      Column->SetVisible(false);
  }
  SetInsertMarkRect(TRect());
}

bool TZCLTreeListColumnDragResizeObject::DragStart() { return Column->GetCanResize(); }

void TZCLTreeListColumnDragResizeObject::DragMove(const TPoint&, Integer& DeltaX, Integer& DeltaY) {
  TZCLTreeListSubClass* tree = GetTreeList();
  TZCLTreeListContentViewInfo* content = tree->GetContent();
  const Integer dpi = tree->GetCurrentDpi();
  DeltaY = 0;
  ++content->MeasureLockCount;
  struct TUnlock {
    TZCLTreeListContentViewInfo* Content;
    ~TUnlock() { --Content->MeasureLockCount; }
  } unlock{content};
  auto resize = [&](TZCLTreeListColumn* C, Integer Delta) {
    const Integer old = ScaleByDPI(C->GetWidth(), dpi);
    C->SetWidth(UnscaleByDPI(old + Delta, dpi));
    return ScaleByDPI(C->GetWidth(), dpi) - old;
  };
  if (!tree->GetOptionsView()->GetColumns()->GetAutoWidth()) {
    DeltaX = resize(Column, DeltaX);
    return;
  }
  // Auto width: the edge between this column and the next one moves; their sum stays.
  TZCLTreeListColumnList& order = tree->GetColumns()->GetDrawingOrder();
  TZCLTreeListColumn* next = nullptr;
  for (Integer i = order.IndexOf(Column) + 1; i > 0 && i < order.GetCount() && !next; ++i)
    if (order[i]->GetVisible()) next = order[i];
  if (!next) {
    DeltaX = 0;
    return;
  }
  TLockedUpdate update(tree);
  TZCLTreeListColumnBarViewInfo* bar = content->GetColumnBar();
  for (Integer i = 0; i < bar->ChildCount(); ++i) {
    TZCLTreeListColumnViewInfo* header = bar->GetColumnViewInfo(i);
    header->GetColumn()->SetWidth(UnscaleByDPI(header->Width, dpi));
  }
  if (DeltaX > 0) {
    DeltaX = -resize(next, -DeltaX);
    resize(Column, DeltaX);
  } else {
    DeltaX = resize(Column, DeltaX);
    resize(next, -DeltaX);
  }
}
