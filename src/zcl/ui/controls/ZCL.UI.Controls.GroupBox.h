#pragma once
// TZCLGroupBox: a container whose frame's top line runs through a caption. The caption can show
// a check mark; checking and unchecking it enables or disables the group's children, or
// collapses the group to its caption.

#include <vector>

#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/controls/ZCL.UI.CheckBoxes.h"
#include "zcl/ui/controls/ZCL.UI.Insight.h"

enum TZCLGroupBoxCheckBoxAction : Byte { cbaNone, cbaToggleChildrenEnableState, cbaToggleMinimizeState };
ZCL_ENUM(TZCLGroupBoxCheckBoxAction, cbaNone, cbaToggleChildrenEnableState, cbaToggleMinimizeState);

// The caption's text colours (normal, hover, pressed, disabled) over the check-box texture.
class TZCLGroupBoxCaptionStyle : public TZCLStyleCheckBox {
  ZCL_CLASS(TZCLGroupBoxCaptionStyle, TZCLStyleCheckBox)
 public:
  using TZCLStyleCheckBox::TZCLStyleCheckBox;

 protected:
  void InitializeResources() override;
};

class TZCLCustomGroupBox : public TZCLContainer, public IZCLCursorProvider, public IZCLButtonOwner {
  ZCL_CLASS(TZCLCustomGroupBox, TZCLContainer)
  RTL_INTERFACES(TZCLContainer, IZCLCursorProvider, IZCLButtonOwner)
  VCL_MESSAGES()
 public:
  explicit TZCLCustomGroupBox(TComponent* AOwner);
  ~TZCLCustomGroupBox() override;
  void AfterConstruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLCustomGroupBox>& D);
  void AdjustClientRect(TRect& Rect) override;
  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override;

  String GetCaption() const { return FCaption->GetCaption(); }
  void SetCaption(const String& Value);
  TZCLStyleCheckBox* GetStyleCaption() const { return FStyleCaption; }
  void SetStyleCaption(TZCLStyleCheckBox* Value) { FStyleCaption->Assign(Value); }
  TZCLCheckBoxSubClass* GetCaptionSubClass() const { return FCaption; }
  TRect GetCaptionRect() const { return FCaptionRect; }
  TRect GetFrameRect() const { return FFrameRect; }
  TRect GetCaptionBounds() const { return FCaptionBounds; }

  // IZCLControl
  Integer GetCurrentDpi() override { return GetCurrentPPI(); }
  bool IsControlEnabled() override { return GetEnabled(); }
  void InvalidateRect(const TRect& Rect) override { TZCLCustomControl::InvalidateRect(Rect); }
  void UpdateControl() override { Update(); }
  TPoint ControlClientToScreen(const TPoint& Point) override { return ClientToScreen(Point); }
  TPoint ControlScreenToClient(const TPoint& Point) override { return ScreenToClient(Point); }
  // IZCLButtonOwner
  TFont* ButtonOwnerGetFont() override { return GetFont(); }
  TCustomImageList* ButtonOwnerGetImages() override { return nullptr; }
  TZCLStyleButton* ButtonOwnerGetStyle() override { return FStyleCaption; }
  void ButtonOwnerRecalculate() override;
  // IZCLCursorProvider
  TCursor GetCursorAt(const TPoint& Point) override;

 protected:
  virtual void Calculate(const TRect& R);
  virtual void CalculateCaption(const TRect& R);
  virtual void CalculateFrame(const TRect& R);
  virtual TZCLStyleCheckBox* CreateStyleCaption() = 0;
  virtual void CheckBoxClick() {}
  virtual void DrawCaption(TCanvas* Canvas, const TRect& R);
  virtual void DrawContent(TCanvas*, const TRect&) {}

  void BoundsChanged() override;
  TZCLPadding* CreatePadding() override { return new TZCLPadding(5); }
  TRect GetContentOffset() override;
  void SetTargetDPI(Integer DPI) override;
  void FocusChanged() override;
  void Paint() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseLeave() override;
  void ResourceChanged() override;
  void CMEnabledChanged(TMessage& Message);

 private:
  void CaptionClick(TZCLCustomButtonSubClass*) { CheckBoxClick(); }
  TZCLCheckBoxSubClass* FCaption = nullptr;
  TZCLStyleCheckBox* FStyleCaption = nullptr;
  TRect FCaptionRect;
  TRect FCaptionBounds;
  TRect FFrameRect;
};

class TZCLGroupBox;

class TZCLGroupBoxCheckBox : public TPersistent {
  ZCL_CLASS(TZCLGroupBoxCheckBox, TPersistent)
 public:
  explicit TZCLGroupBoxCheckBox(TZCLGroupBox* AGroupBox = nullptr) : FGroupBox(AGroupBox) {}
  static void DeclareProperties(TClassDeclaration<TZCLGroupBoxCheckBox>& D);
  void Assign(TPersistent* Source) override;
  TZCLGroupBoxCheckBoxAction GetAction() const { return FAction; }
  void SetAction(TZCLGroupBoxCheckBoxAction Value);
  bool GetChecked() const;
  void SetChecked(bool Value);
  bool GetVisible() const;
  void SetVisible(bool Value);

 private:
  TZCLGroupBox* FGroupBox;
  TZCLGroupBoxCheckBoxAction FAction = cbaNone;
};

class TZCLGroupBox : public TZCLCustomGroupBox {
  ZCL_CLASS(TZCLGroupBox, TZCLCustomGroupBox)
 public:
  explicit TZCLGroupBox(TComponent* AOwner);
  ~TZCLGroupBox() override;
  static void DeclareProperties(TClassDeclaration<TZCLGroupBox>& D);
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  void AdjustClientRect(TRect& Rect) override;

  TZCLGroupBoxCheckBox* GetCheckBox() const { return FCheckBox; }
  void SetCheckBox(TZCLGroupBoxCheckBox* Value) { FCheckBox->Assign(Value); }
  bool GetMinimized() const { return FMinimized; }
  Integer GetRestoreHeight() const { return FRestoreHeight; }
  // Older forms: "CheckBoxMode" (an identifier) and "CheckBoxState" (a Boolean), read only.
  void ReadCheckBoxMode(const String& Identifier);
  void ReadCheckBoxState(bool Value) { FCheckBox->SetChecked(Value); }

  TNotifyEvent OnCheckBoxStateChanged;

 protected:
  friend class TZCLGroupBoxCheckBox;
  TZCLStyleCheckBox* CreateStyleCaption() override;
  void CheckBoxClick() override;
  void DefineProperties(TFiler* Filer) override;
  void Apply();
  void DisableChildren();
  void RestoreChildren();
  void SetMinimized(bool Value);
  Integer MinimizedHeight() const { return GetCaptionRect().Bottom + 2; }

 private:
  TZCLGroupBoxCheckBox* FCheckBox = nullptr;
  std::vector<TControl*>* FDisabledControls = nullptr;
  bool FMinimized = false;
  Integer FRestoreHeight = 0;
};

// Searches inside the group like any windowed control, but does not open a collapsed group: a
// hit inside it highlights the group itself.
class TZCLGroupBoxUIInsightAdapter : public TZCLUIInsightAdapterWinControl {
  ZCL_CLASS(TZCLGroupBoxUIInsightAdapter, TZCLUIInsightAdapterWinControl)
 public:
  bool MakeVisible(TObject* Object) const override;
};

void RegisterGroupBoxClasses();
