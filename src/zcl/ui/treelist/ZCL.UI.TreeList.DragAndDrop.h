#pragma once
// Dragging with the mouse in a tree list: moving and resizing headers, the rubber band, sorting
// rows and groups by dragging them, and drops from outside with a marker where they land.

#include "zcl/ui/ZCL.UI.DragDrop.Target.h"
#include "zcl/ui/treelist/ZCL.UI.CompoundControl.DragAndDrop.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.ViewInfo.h"

class TZCLTimer;

// Cell hints only with the option; header hints always.
class TZCLTreeListHintController : public TZCLCompoundControlHintController {
  ZCL_CLASS(TZCLTreeListHintController, TZCLCompoundControlHintController)
 public:
  explicit TZCLTreeListHintController(TZCLTreeListSubClass* ASubClass)
      : TZCLCompoundControlHintController(ASubClass), FTreeList(ASubClass) {}

 protected:
  bool CanShowHint(TObject* HintObject, const TZCLHintData& HintData) override;

 private:
  TZCLTreeListSubClass* FTreeList;
};

class TZCLTreeListHitTest : public TZCLHitTestInfo {
  ZCL_CLASS(TZCLTreeListHitTest, TZCLHitTestInfo)
 public:
  explicit TZCLTreeListHitTest(TZCLTreeListSubClass* ASubClass) : FSubClass(ASubClass) {}
  // A header: resize or move; a group row, a node row; empty content: the rubber band.
  TZCLCompoundControlDragObject* CreateDragObject() override;

 private:
  TZCLTreeListSubClass* FSubClass;
};

class TZCLTreeListDragAndDropController : public TZCLCompoundControlDragAndDropController {
  ZCL_CLASS(TZCLTreeListDragAndDropController, TZCLCompoundControlDragAndDropController)
 public:
  using TZCLCompoundControlDragAndDropController::TZCLCompoundControlDragAndDropController;
  TObject* CreateDefaultDropTarget() override;
  void ProcessChanges(TZCLCompoundControlChanges Flags) override;
  // A new target or mode moves the marker; true when something changed.
  bool SetDropTargetObject(TObject* Target, TZCLTreeListDropTargetInsertMode Mode);
  // A node or group that goes away ends a drag (unless it is being dropped) and stops being the target.
  void ObjectRemoving(TObject* Object);
  TZCLTreeListSubClass* GetTreeList() const { return static_cast<TZCLTreeListSubClass*>(FSubClass); }

  TObject* DropTargetObject = nullptr;
  TZCLTreeListDropTargetInsertMode DropTargetMode = dtimAfter;
  bool IsDropping = false;
};

// Takes drops over the rows; made by the controller for outside drags, and by the sorting drag
// objects for drags inside the list.
class TZCLTreeListDropTarget : public TZCLDropTarget {
  ZCL_CLASS(TZCLTreeListDropTarget, TZCLDropTarget)
 public:
  explicit TZCLTreeListDropTarget(TZCLTreeListSubClass* ASubClass);
  ~TZCLTreeListDropTarget() override;
  void DoDrop(TShiftState Shift, TPoint P, TZCLDropAction Action) override;
  void DoEnter() override;
  void DoLeave() override;
  void DoOver(TShiftState Shift, TPoint P, String& Hint, bool& Allow, TZCLDropAction& Action) override;

  virtual bool CalcDropTarget(TObject*& Target, TZCLTreeListDropTargetInsertMode& Mode);
  virtual bool CanCreateLevel();
  virtual void DoDropData(TZCLDropAction Action);
  // Before or after by the row's halves; into when levels may be made and the pointer is well
  // right of the row's text start.
  TZCLTreeListDropTargetInsertMode CalcInsertMode(TZCLTreeListNode* Node);
  TZCLTimer* GetExpandTimer() const { return FExpandTimer; }
  TZCLTreeListSubClass* GetSubClass() const { return FSubClass; }
  TZCLTreeListDragAndDropController* GetController() const;

 protected:
  TRect GetTargetClientRect() override;
  TPoint ScreenToClient(TPoint P) override;
  void DoScroll(Integer Lines, TMouseWheelDirection Direction, TPoint P) override;
  void ExpandTimerFired(TObject* Sender);

  TZCLTreeListSubClass* FSubClass;
  TZCLTimer* FExpandTimer = nullptr;
};

class TZCLTreeListCustomDragSortingDropTarget : public TZCLTreeListDropTarget {
  ZCL_CLASS(TZCLTreeListCustomDragSortingDropTarget, TZCLTreeListDropTarget)
 public:
  using TZCLTreeListDropTarget::TZCLTreeListDropTarget;
  void DoDropData(TZCLDropAction Action) override;

 protected:
  virtual void DoDropItems() = 0;
};

class TZCLTreeListNodeDragSortingDropTarget : public TZCLTreeListCustomDragSortingDropTarget {
  ZCL_CLASS(TZCLTreeListNodeDragSortingDropTarget, TZCLTreeListCustomDragSortingDropTarget)
 public:
  explicit TZCLTreeListNodeDragSortingDropTarget(TZCLTreeListSubClass* ASubClass);
  bool CalcDropTarget(TObject*& Target, TZCLTreeListDropTargetInsertMode& Mode) override;
  bool CanCreateLevel() override;
  TZCLTreeListNodeList DraggedNodes;
  TZCLTreeListGroup* DraggedGroup = nullptr;
  TZCLTreeListNode* DraggedParent = nullptr;

 protected:
  void DoDropItems() override;
};

class TZCLTreeListGroupDragSortingDropTarget : public TZCLTreeListCustomDragSortingDropTarget {
  ZCL_CLASS(TZCLTreeListGroupDragSortingDropTarget, TZCLTreeListCustomDragSortingDropTarget)
 public:
  // Takes the group under the mouse-down point, with the other selected groups when it is selected.
  explicit TZCLTreeListGroupDragSortingDropTarget(TZCLTreeListSubClass* ASubClass);
  bool CalcDropTarget(TObject*& Target, TZCLTreeListDropTargetInsertMode& Mode) override;
  std::vector<TZCLTreeListGroup*> DraggedGroups;

 protected:
  void DoDropItems() override;
};

// A drag of the selection: an OLE drag with DropSource, else sorting inside the list.
class TZCLTreeListCustomDragSortingObject : public TZCLCompoundControlDragObject, public IZCLDropSourceOperation {
  ZCL_CLASS(TZCLTreeListCustomDragSortingObject, TZCLCompoundControlDragObject)
  RTL_INTERFACES(TZCLCompoundControlDragObject, IZCLDropSourceOperation)
 public:
  ~TZCLTreeListCustomDragSortingObject() override;
  void DragFinished(bool Canceled) override;
  void DragMove(const TPoint& P, Integer& DeltaX, Integer& DeltaY) override;
  bool DragStart() override;
  // IZCLDropSourceOperation
  void DropSourceBegin() override;
  void DropSourceDrop(bool&) override {}
  void DropSourceEnd(TZCLDropSourceActions Actions, TShiftState Shift) override;

  TZCLTreeListDropTarget* DropTarget = nullptr;
  bool DropAllowed = false;
  TZCLTreeListSubClass* GetTreeList() const { return static_cast<TZCLTreeListSubClass*>(GetSubClass()); }

 protected:
  virtual TZCLTreeListDropTarget* CreateDropTarget();
};

class TZCLTreeListGroupDragObject : public TZCLTreeListCustomDragSortingObject {
  ZCL_CLASS(TZCLTreeListGroupDragObject, TZCLTreeListCustomDragSortingObject)
 public:
  explicit TZCLTreeListGroupDragObject(TZCLTreeListGroup* AGroup) : Group(AGroup) {}
  void StartDropSource(TZCLDropSourceActions Actions, IZCLDropSourceOperation* Operation,
                       TObject* SourceObject) override;
  void SelectGroup();
  TZCLTreeListGroup* Group;

 protected:
  TZCLTreeListDropTarget* CreateDropTarget() override;
};

class TZCLTreeListSelectionRectDragObject : public TZCLTreeListCustomDragSortingObject {
  ZCL_CLASS(TZCLTreeListSelectionRectDragObject, TZCLTreeListCustomDragSortingObject)
 public:
  explicit TZCLTreeListSelectionRectDragObject(TZCLTreeListNode* AStartNode) : StartNode(AStartNode) {}
  void DragFinished(bool Canceled) override;
  void DragMove(const TPoint& P, Integer& DeltaX, Integer& DeltaY) override;
  bool DragStart() override;
  virtual bool CanStartSelectionRect();

  TZCLTreeListNode* StartNode;
  TPoint StartPoint;  // content coordinates
  TZCLTreeListNode* LastNode = nullptr;
  TZCLTreeListNode* NearestNode = nullptr;
  bool RubberBand = false;
};

class TZCLTreeListNodeDragObject : public TZCLTreeListSelectionRectDragObject {
  ZCL_CLASS(TZCLTreeListNodeDragObject, TZCLTreeListSelectionRectDragObject)
 public:
  using TZCLTreeListSelectionRectDragObject::TZCLTreeListSelectionRectDragObject;
  // Only from the right quarter of a cell: the rest of a row drags the selection.
  bool CanStartSelectionRect() override;
};

class TZCLTreeListColumnCustomDragObject : public TZCLCompoundControlDragObject {
  ZCL_CLASS(TZCLTreeListColumnCustomDragObject, TZCLCompoundControlDragObject)
 public:
  explicit TZCLTreeListColumnCustomDragObject(TZCLTreeListColumnViewInfo* AColumnViewInfo)
      : Column(AColumnViewInfo->GetColumn()), ColumnViewInfo(AColumnViewInfo) {}
  TZCLTreeListSubClass* GetTreeList() const { return static_cast<TZCLTreeListSubClass*>(GetSubClass()); }
  TZCLTreeListColumn* Column;
  TZCLTreeListColumnViewInfo* ColumnViewInfo;
};

class TZCLTreeListColumnDragMoveObject : public TZCLTreeListColumnCustomDragObject {
  ZCL_CLASS(TZCLTreeListColumnDragMoveObject, TZCLTreeListColumnCustomDragObject)
 public:
  using TZCLTreeListColumnCustomDragObject::TZCLTreeListColumnCustomDragObject;
  void DoAutoScroll(Integer Direction) override;
  void DragFinished(bool Canceled) override;
  void DragMove(const TPoint& P, Integer& DeltaX, Integer& DeltaY) override;
  bool DragStart() override;
  void Draw(TCanvas* Canvas) override;
  TRect InsertMarkRect;

 private:
  void UpdateInsertMark();
  void SetInsertMarkRect(const TRect& R);
  // The header under the pointer; columns outlive the view infos a recalculation rebuilds.
  TZCLTreeListColumn* FTarget = nullptr;
};

class TZCLTreeListColumnDragResizeObject : public TZCLTreeListColumnCustomDragObject {
  ZCL_CLASS(TZCLTreeListColumnDragResizeObject, TZCLTreeListColumnCustomDragObject)
 public:
  using TZCLTreeListColumnCustomDragObject::TZCLTreeListColumnCustomDragObject;
  void DragMove(const TPoint& P, Integer& DeltaX, Integer& DeltaY) override;
  bool DragStart() override;
};
