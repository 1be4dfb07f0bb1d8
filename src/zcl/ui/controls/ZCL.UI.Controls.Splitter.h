#pragma once
// TZCLSplitter: a thin bar bound to one sibling control; dragging it resizes that control live,
// dragging it to nothing or double-clicking hides the control and the next toggle brings it back
// at its former size. One code path serves both orientations through a small view-info object.

#include "zcl/ui/ZCL.UI.Controls.Base.h"

class TZCLSplitter;

// The horizontal orientation (splitters of left- and right-aligned controls).
class TZCLSplitterViewInfo : public TObject {
  ZCL_CLASS(TZCLSplitterViewInfo, TObject)
 public:
  explicit TZCLSplitterViewInfo(TZCLSplitter* ASplitter);
  virtual Integer GetSize();
  virtual Integer GetParentSize();
  // Clamped by the control's constraints (a 0 limit is no limit).
  virtual void SetSize(Integer Value);
  virtual void UpdatePosition();
  // Applies the mouse movement Delta (screen pixels); Delta becomes the movement applied.
  virtual void Resize(TPoint& Delta);
  void SaveSize() { FSavedSize = GetSize(); }
  void RestoreSize() { SetSize(FSavedSize); }
  TCursor GetCursor() const { return FCursor; }

 protected:
  // The size change for a movement along the axis (negated for right and bottom splitters).
  Integer ResizeBy(Integer Delta);
  virtual bool IsReversed();
  TZCLSplitter* FSplitter;
  TCursor FCursor;
  Integer FSavedSize = 0;
};

// The vertical orientation (every other alignment).
class TZCLSplitterVerticalViewInfo : public TZCLSplitterViewInfo {
  ZCL_CLASS(TZCLSplitterVerticalViewInfo, TZCLSplitterViewInfo)
 public:
  explicit TZCLSplitterVerticalViewInfo(TZCLSplitter* ASplitter);
  Integer GetSize() override;
  Integer GetParentSize() override;
  void SetSize(Integer Value) override;
  void UpdatePosition() override;
  void Resize(TPoint& Delta) override;

 protected:
  bool IsReversed() override;
};

class TZCLSplitter : public TZCLGraphicControl {
  ZCL_CLASS(TZCLSplitter, TZCLGraphicControl)
 public:
  explicit TZCLSplitter(TComponent* AOwner);
  ~TZCLSplitter() override;
  static void DeclareProperties(TClassDeclaration<TZCLSplitter>& D);

  TControl* GetControl() const { return FControl; }
  void SetControl(TControl* Value);
  TAlign GetSplitterAlign() const { return GetAlign(); }
  // With a bound control its alignment wins.
  void SetSplitterAlign(TAlign Value);
  bool GetCanToggle() const { return FCanToggle; }
  void SetCanToggle(bool Value);
  bool IsDragging() const { return FDragging; }
  // Hides a visible control (remembering its size) or shows a hidden one at that size.
  void Toggle();
  TZCLSplitterViewInfo* GetViewInfo() const { return FViewInfo; }

  TNotifyEvent OnPaint;

 protected:
  friend class TZCLSplitterViewInfo;
  friend class TZCLSplitterVerticalViewInfo;
  void DoAdjustSize() override;
  void Paint() override;
  void DblClick() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void UpdateLayout();
  void RecreateViewInfo();
  void ApplyAlign(TAlign Value);

 private:
  TControl* FControl = nullptr;
  TZCLSplitterViewInfo* FViewInfo = nullptr;
  bool FCanToggle = true;
  bool FDragging = false;
  TPoint FDragStart;
};

void RegisterSplitterClasses();
