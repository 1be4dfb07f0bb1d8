#pragma once
// Dragging inside a compound control: one controller per sub-class decides when a press becomes
// a drag, asks the hit object for a drag object, feeds it the pointer movement, shows its drag
// image, auto-scrolls and ends the gesture; a drag object may hand the gesture to a drop source.

#include "zcl/ui/treelist/ZCL.UI.CompoundControl.ViewInfo.h"

class TDragImageList;
class TZCLBitmap;
class TZCLIniFile;
class TZCLTimer;

class TZCLCompoundControlDragObject : public TZCLUnknownObject {
  ZCL_CLASS(TZCLCompoundControlDragObject, TZCLUnknownObject)
 public:
  ~TZCLCompoundControlDragObject() override;

  // |Direction| wheel steps: down for a negative direction, up otherwise.
  virtual void DoAutoScroll(Integer Direction);
  virtual void StartDropSource(TZCLDropSourceActions Actions, IZCLDropSourceOperation* Operation,
                               TObject* SourceObject);
  virtual void DragFinished(bool) {}
  // P in the drag object's coordinates; the deltas may be reduced.
  virtual void DragMove(const TPoint& P, Integer& DeltaX, Integer& DeltaY) = 0;
  virtual bool DragStart() = 0;
  virtual void Draw(TCanvas*) {}
  virtual TPoint TransformPoint(const TPoint& P) { return P; }

  // A bitmap of the view info on the hint style's background.
  void CreateDragImage(TZCLCompoundControlCustomViewInfo* ViewInfo);
  void InitializeAutoScroll(Cardinal Interval = 0);
  void UpdateAutoScroll(Integer Direction);
  // 1 above the area, -1 below it, else 0.
  void UpdateAutoScrollDirection(const TPoint& P, const TRect& Area);
  void UpdateCursor(TCursor Cursor);

  TZCLCompoundControlDragAndDropController* Controller = nullptr;
  TZCLBitmap* GetDragImage() const { return FDragImage; }
  TZCLCompoundControlSubClass* GetSubClass() const;
  TZCLHitTestInfo* GetHitTest() const;
  TPoint GetMouseDownPoint() const;

 protected:
  TZCLBitmap* FDragImage = nullptr;
};

class TZCLCompoundControlDragAndDropController : public TZCLCompoundControlPersistent, public IZCLDropSourceOperation {
  ZCL_CLASS(TZCLCompoundControlDragAndDropController, TZCLCompoundControlPersistent)
  RTL_INTERFACES(TZCLCompoundControlPersistent, IZCLDropSourceOperation)
 public:
  explicit TZCLCompoundControlDragAndDropController(TZCLCompoundControlSubClass* ASubClass);
  ~TZCLCompoundControlDragAndDropController() override;

  virtual void CreateAutoScrollTimer(Cardinal Interval);
  virtual bool DoDropSourceStart(TZCLDropSourceActions& Actions);
  void DropSourceBegin() override;
  void DropSourceDrop(bool& AllowDrop) override;
  void DropSourceEnd(TZCLDropSourceActions Actions, TShiftState Shift) override;
  virtual TObject* CreateDefaultDropTarget() { return nullptr; }
  virtual void Cancel();
  virtual void Draw(TCanvas* Canvas);
  virtual void MouseDown(TShiftState Shift, Integer X, Integer Y);
  virtual void MouseMove(TShiftState Shift, Integer X, Integer Y);
  virtual void MouseUp(TShiftState Shift, Integer X, Integer Y);
  virtual void ProcessChanges(TZCLCompoundControlChanges) {}

  void StartDropSource(TZCLDropSourceActions Actions, IZCLDropSourceOperation* Operation, TObject* SourceObject);
  void UpdateAutoScroll(Integer Direction);
  void UpdateCursor(TCursor Cursor);
  // Replaces the drop target (null asks CreateDefaultDropTarget); the previous one is freed.
  void SetDropTarget(TObject* Target);

  bool GetIsActive() const { return FIsActive; }
  bool IsDropSourceActive() const { return FDropSource != nullptr; }
  TCursor GetCursor() const { return FCursor; }
  TZCLCompoundControlDragObject* GetDragObject() const { return FDragObject; }
  TDragImageList* GetDragWindow() const { return FDragWindow; }
  TZCLIniFile* GetDropSourceConfig() const { return FDropSourceConfig; }
  TObject* GetDropSourceObject() const { return FDropSourceObject; }
  TObject* GetDropTarget() const { return FDropTarget; }
  TZCLTimer* GetAutoScrollTimer() const { return FAutoScrollTimer; }
  const TPoint& GetMouseDownPoint() const { return FMouseDownPoint; }
  const TPoint& GetLastPoint() const { return FLastPoint; }

 protected:
  virtual bool StartDrag();
  void Finish(bool Canceled);

 private:
  void AutoScrollTimer(TObject* Sender);
  TZCLTimer* FAutoScrollTimer = nullptr;
  TCursor FCursor = crDefault;
  TZCLCompoundControlDragObject* FDragObject = nullptr;
  TDragImageList* FDragWindow = nullptr;
  TZCLDropSource* FDropSource = nullptr;
  TZCLIniFile* FDropSourceConfig;
  TObject* FDropSourceObject = nullptr;
  IPtr<IZCLDropSourceOperation> FDropSourceOperation;
  TObject* FDropTarget = nullptr;
  bool FIsActive = false;
  bool FIsDragStartChecked = true;
  TPoint FLastPoint;
  TPoint FMouseDownPoint;
};
