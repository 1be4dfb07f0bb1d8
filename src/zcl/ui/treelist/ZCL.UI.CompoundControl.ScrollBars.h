#pragma once
// Scrolling inside compound controls: scroll bars that are view infos (arrows and a thumb drawn
// with the scroll-box style), and the scroll container that owns two of them, keeps the
// viewport and lays out its content in the area the bars leave.

#include "zcl/ui/controls/ZCL.UI.Controls.ScrollBar.h"
#include "zcl/ui/treelist/ZCL.UI.CompoundControl.DragAndDrop.h"

struct TZCLCompoundControlScrollInfo {
  Integer Min = 0;
  Integer Max = 0;
  Integer LineSize = 0;
  Integer Page = 0;
  Integer Position = 0;
};

class TZCLCompoundControlScrollBarViewInfo;

class TZCLCompoundControlScrollBarPartViewInfo : public TZCLCompoundControlCustomViewInfo,
                                                 public IZCLHotTrackObject,
                                                 public IZCLPressableObject,
                                                 public IZCLAnimateControl {
  ZCL_CLASS(TZCLCompoundControlScrollBarPartViewInfo, TZCLCompoundControlCustomViewInfo)
  RTL_INTERFACES(TZCLCompoundControlCustomViewInfo, IZCLHotTrackObject, IZCLPressableObject, IZCLAnimateControl)
 public:
  TZCLCompoundControlScrollBarPartViewInfo(TZCLCompoundControlScrollBarViewInfo* AOwner, TZCLScrollBarPart APart);
  void BeforeDestruction() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, TZCLHitTestInfo* HitTest) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, TZCLHitTestInfo* HitTest) override;
  void UpdateHotTrack(Integer) override { UpdateState(); }
  void Animate() override { Invalidate(); }
  void UpdateState();
  void SetState(TZCLButtonState Value);
  TZCLButtonState GetState() const { return FState; }
  TZCLScrollBarPart GetPart() const { return FPart; }
  TZCLCompoundControlScrollBarViewInfo* GetOwner() const { return FOwner; }

 protected:
  void DoCalculateHitTest(TZCLHitTestInfo* HitTest) override;
  void DoDraw(TCanvas* Canvas) override;
  void DrawInState(TCanvas* Canvas, const TRect& R);

  TZCLCompoundControlScrollBarViewInfo* FOwner;
  TZCLScrollBarPart FPart;
  TZCLButtonState FState = bstNormal;
};

class TZCLCompoundControlScrollBarButtonViewInfo : public TZCLCompoundControlScrollBarPartViewInfo {
  ZCL_CLASS(TZCLCompoundControlScrollBarButtonViewInfo, TZCLCompoundControlScrollBarPartViewInfo)
 public:
  using TZCLCompoundControlScrollBarPartViewInfo::TZCLCompoundControlScrollBarPartViewInfo;
  ~TZCLCompoundControlScrollBarButtonViewInfo() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, TZCLHitTestInfo* HitTest) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, TZCLHitTestInfo* HitTest) override;
  TZCLTimer* GetRepeatTimer() const { return FRepeatTimer; }

 private:
  void Step();
  void RepeatTimer(TObject* Sender);
  void FreeTimer();
  TZCLTimer* FRepeatTimer = nullptr;
};

class TZCLCompoundControlScrollBarThumbnailViewInfo : public TZCLCompoundControlScrollBarPartViewInfo,
                                                      public IZCLDraggableObject {
  ZCL_CLASS(TZCLCompoundControlScrollBarThumbnailViewInfo, TZCLCompoundControlScrollBarPartViewInfo)
  RTL_INTERFACES(TZCLCompoundControlScrollBarPartViewInfo, IZCLDraggableObject)
 public:
  using TZCLCompoundControlScrollBarPartViewInfo::TZCLCompoundControlScrollBarPartViewInfo;
  TZCLCompoundControlDragObject* CreateDragObject(TZCLHitTestInfo* HitTest) override;
};

class TZCLCompoundControlScrollBarThumbnailDragObject : public TZCLCompoundControlDragObject {
  ZCL_CLASS(TZCLCompoundControlScrollBarThumbnailDragObject, TZCLCompoundControlDragObject)
 public:
  explicit TZCLCompoundControlScrollBarThumbnailDragObject(TZCLCompoundControlScrollBarThumbnailViewInfo* AThumb)
      : FThumb(AThumb) {}
  bool DragStart() override;
  void DragMove(const TPoint& P, Integer& DeltaX, Integer& DeltaY) override;
  void DragFinished(bool Canceled) override;

 private:
  TZCLCompoundControlScrollBarThumbnailViewInfo* FThumb;
  TRect FSavedBounds;
  Integer FSavedPosition = 0;
};

using TZCLCompoundControlScrollEvent = TDelegate<void(TObject* Sender, Integer Position)>;

class TZCLCompoundControlScrollBarViewInfo : public TZCLCompoundControlContainerViewInfo, public IZCLPressableObject {
  ZCL_CLASS(TZCLCompoundControlScrollBarViewInfo, TZCLCompoundControlContainerViewInfo)
  RTL_INTERFACES(TZCLCompoundControlContainerViewInfo, IZCLPressableObject)
 public:
  TZCLCompoundControlScrollBarViewInfo(TZCLCompoundControlSubClass* ASubClass, TScrollBarKind AKind);
  ~TZCLCompoundControlScrollBarViewInfo() override;
  virtual bool IsThumbResizable();
  // The thickness: 0 while hidden.
  Integer GetSize();
  void SetParams(const TZCLCompoundControlScrollInfo& Info);
  void Scroll(Integer Position);
  // Moves the thumb's centre to P (one immediate drag).
  void ThumbDragTo(const TPoint& P);
  Integer CalculateScrollDelta(const TPoint& P);
  void MouseDown(TMouseButton Button, TShiftState Shift, TZCLHitTestInfo* HitTest) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, TZCLHitTestInfo* HitTest) override;

  TScrollBarKind GetKind() const { return FKind; }
  const TZCLCompoundControlScrollInfo& GetScrollInfo() const { return FScrollInfo; }
  Integer GetThumbSize() const { return FThumbSize; }
  const TRect& GetThumbMargins() const { return FThumbMargins; }
  const TRect& GetTrackArea() const { return FTrackArea; }
  bool GetVisible() const { return FVisible; }
  TZCLTimer* GetRepeatTimer() const { return FRepeatTimer; }
  TZCLCompoundControlScrollBarPartViewInfo* GetButtonForward() const;
  TZCLCompoundControlScrollBarPartViewInfo* GetButtonBack() const;
  TZCLCompoundControlScrollBarThumbnailViewInfo* GetThumb() const;
  TZCLStyleScrollBox* GetStyle() const { return FSubClass->GetStyleScrollBox(); }
  TZCLCompoundControlScrollEvent OnScroll;

 protected:
  void DoCalculate(TZCLCompoundControlChanges Changes) override;
  void DoCalculateHitTest(TZCLHitTestInfo* HitTest) override;
  void DoDraw(TCanvas* Canvas) override;
  void RecreateSubCells() override;

 private:
  void RepeatStep(TObject* Sender);
  void FreeRepeatTimer();
  TScrollBarKind FKind;
  TZCLCompoundControlScrollInfo FScrollInfo;
  Integer FThumbSize = 1;
  TRect FThumbMargins;
  TRect FTrackArea;
  bool FVisible = false;
  TZCLTimer* FRepeatTimer = nullptr;
};

class TZCLCompoundControlScrollContainerViewInfo : public TZCLCompoundControlContainerViewInfo {
  ZCL_CLASS(TZCLCompoundControlScrollContainerViewInfo, TZCLCompoundControlContainerViewInfo)
 public:
  explicit TZCLCompoundControlScrollContainerViewInfo(TZCLCompoundControlSubClass* ASubClass);
  ~TZCLCompoundControlScrollContainerViewInfo() override;

  void Calculate(const TRect& R, TZCLCompoundControlChanges Changes) override;
  bool CalculateHitTest(TZCLHitTestInfo* HitTest) override;
  const TPoint& GetViewport() const { return FViewport; }
  void SetViewport(const TPoint& P);
  void SetViewportX(Integer Value);
  void SetViewportY(Integer Value);
  void ScrollHorizontally(TScrollCode Code);
  void ScrollVertically(TScrollCode Code);
  void ScrollByMouseWheel(TMouseWheelDirection Direction, TShiftState Shift);
  Integer GetScrollPosition(TScrollBarKind Kind, TScrollCode Code);
  // 1: horizontal bar shown, 2: vertical bar shown.
  Byte VisibleScrollBars() const;

  TZCLCompoundControlScrollBarViewInfo* GetHorzScrollBar() const { return FHorzScrollBar; }
  TZCLCompoundControlScrollBarViewInfo* GetVertScrollBar() const { return FVertScrollBar; }
  const TRect& GetClientBounds() const { return FClientBounds; }
  const TSize& GetContentSize() const { return FContentSize; }
  const TRect& GetSizeGripArea() const { return FSizeGripArea; }

 protected:
  virtual TZCLCompoundControlScrollBarViewInfo* CreateScrollBar(TScrollBarKind Kind);
  virtual bool GetScrollParams(TScrollBarKind Kind, TZCLCompoundControlScrollInfo& Info);
  virtual void CalculateContentLayout() = 0;
  virtual void UpdateScrollBar(TZCLCompoundControlScrollBarViewInfo* ScrollBar);
  virtual void ViewportChanged(Integer DeltaX, Integer DeltaY);
  virtual void UpdateScrollBars();
  void CalculateSubCells(TZCLCompoundControlChanges Changes) override;
  void CalculateScrollBars(TRect& R);
  void DoDraw(TCanvas* Canvas) override;

  TRect FClientBounds;
  TSize FContentSize;
  TRect FSizeGripArea;
  TPoint FViewport;

 private:
  void HorzScroll(TObject*, Integer Position) { SetViewportX(Position); }
  void VertScroll(TObject*, Integer Position) { SetViewportY(Position); }
  TZCLCompoundControlScrollBarViewInfo* FHorzScrollBar = nullptr;
  TZCLCompoundControlScrollBarViewInfo* FVertScrollBar = nullptr;
  Integer FRelayoutDepth = 0;
};
