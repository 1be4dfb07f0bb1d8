#pragma once
// The windowed host of a compound-control sub-class: it makes the sub-class, gives it the client
// rectangle and forwards painting, input, focus, DPI, resource and language changes to it.

#include "zcl/ui/treelist/ZCL.UI.CompoundControl.SubClass.h"

class TZCLCompoundControl : public TZCLCustomControl, public IZCLCompoundControlSubClassContainer, public IZCLCursorProvider {
  ZCL_CLASS(TZCLCompoundControl, TZCLCustomControl)
  RTL_INTERFACES(TZCLCustomControl, IZCLCompoundControlSubClassContainer, IZCLCursorProvider)
  VCL_MESSAGES()
 public:
  explicit TZCLCompoundControl(TComponent* AOwner);
  ~TZCLCompoundControl() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  void Loaded() override;

  void BeginUpdate() { FSubClass->BeginUpdate(); }
  void EndUpdate() { FSubClass->EndUpdate(); }
  void BeginLongOperation() { FSubClass->BeginLongOperation(); }
  void EndLongOperation() { FSubClass->EndLongOperation(); }
  bool IsUpdateLocked() const { return FSubClass->IsUpdateLocked(); }
  void UpdateHitTest(Integer X, Integer Y) { FSubClass->UpdateHitTest(X, Y); }
  TZCLCompoundControlSubClass* GetSubClass() const { return FSubClass; }
  TZCLStyleHint* GetStyleHint() const { return FSubClass->GetStyleHint(); }
  void SetStyleHint(TZCLStyleHint* Value) { FSubClass->SetStyleHint(Value); }
  TZCLStyleScrollBox* GetStyleScrollBox() const { return FSubClass->GetStyleScrollBox(); }
  void SetStyleScrollBox(TZCLStyleScrollBox* Value) { FSubClass->SetStyleScrollBox(Value); }

  // IZCLControl
  Integer GetCurrentDpi() override { return GetCurrentPPI(); }
  bool IsControlEnabled() override { return GetEnabled(); }
  void InvalidateRect(const TRect& Rect) override { TZCLCustomControl::InvalidateRect(Rect); }
  void UpdateControl() override { Update(); }
  TPoint ControlClientToScreen(const TPoint& Point) override;
  TPoint ControlScreenToClient(const TPoint& Point) override;
  // IZCLCompoundControlSubClassContainer
  bool ContainerCanFocus() override { return CanFocus(); }
  TWinControl* ContainerGetControl() override { return this; }
  bool ContainerFocused() override;
  TFont* ContainerGetFont() override { return GetFont(); }
  bool ContainerGetMouseCapture() override { return HandleAllocated() && ::GetCapture() == GetHandle(); }
  void ContainerSetFocus() override { SetFocus(); }
  void ContainerSetMouseCapture(bool Value) override;
  void ContainerUpdateCursor() override { UpdateCursor(); }
  // IZCLCursorProvider
  TCursor GetCursorAt(const TPoint& Point) override { return GetCursor(Point); }
  void MouseLeave() override;

 protected:
  virtual TZCLCompoundControlSubClass* CreateSubClass() = 0;
  virtual TCursor GetCursor(const TPoint& P) { return FSubClass ? FSubClass->GetCursor(P) : crDefault; }
  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override;
  void Paint() override;
  void BoundsChanged() override;
  void UpdateState() override;
  void FocusChanged() override;
  void SetTargetDPI(Integer Value) override;
  bool MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint& MousePos) override;
  void ResourceChanged() override;
  void Localize(const String& Section, const String& Name) override;
  void DoContextPopup(TPoint MousePos, bool& Handled) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void DoGesture(const TGestureEventInfo& EventInfo, bool& Handled) override;
  void CMCancelMode(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  void CMWantSpecialKey(TMessage& Message);
  void WMHScroll(TMessage& Message);
  void WMVScroll(TMessage& Message);

  TZCLCompoundControlSubClass* FSubClass = nullptr;
};
