#pragma once
// TZCLGroupBox: a container whose frame's top line runs through a caption. The caption can show
// a check mark; checking and unchecking it enables or disables the group's children, or
// collapses the group to its caption.

#include <vector>

#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"

enum TZCLGroupBoxCheckBoxAction : Byte { cbaNone, cbaToggleChildrenEnableState, cbaToggleMinimizeState };
ZCL_ENUM(TZCLGroupBoxCheckBoxAction, cbaNone, cbaToggleChildrenEnableState, cbaToggleMinimizeState);

// The caption's text colours (normal, hover, pressed, disabled) and the check-mark texture.
class TZCLGroupBoxCaptionStyle : public TZCLStyleButton {
  ZCL_CLASS(TZCLGroupBoxCaptionStyle, TZCLStyleButton)
 public:
  using TZCLStyleButton::TZCLStyleButton;

 protected:
  void InitializeResources() override;
  void InitializeTextures() override;
};

// The caption: text with an optional check mark in front, hover and press state, a click.
// FIXME: a stand-in for the shared check-box engine until that is in the library; it keeps the
// few operations the group box needs (auto size, calculate, draw, mouse and keys).
class TZCLGroupBoxCaption : public TObject {
  ZCL_CLASS(TZCLGroupBoxCaption, TObject)
 public:
  explicit TZCLGroupBoxCaption(TZCLCustomControl* AOwner, TZCLStyleButton* AStyle);
  String Caption;
  bool Checked = true;
  bool ShowCheckMark = false;
  bool Enabled = true;
  bool Focused = false;
  TRect GetBounds() const { return FBounds; }
  // Width and height of the check mark and the text at the owner's DPI.
  TSize CalculateAutoSize();
  void Calculate(const TRect& R) { FBounds = R; }
  void Draw(TCanvas* Canvas);
  void MouseDown(TMouseButton Button, const TPoint& P);
  void MouseMove(const TPoint& P);
  void MouseUp(const TPoint& P);
  void MouseLeave();
  void KeyDown(Word Key);
  void KeyUp(Word Key);
  TNotifyEvent OnClick;

 private:
  Integer CheckSize() const;
  void SetHot(bool Hot);
  TZCLCustomControl* FOwner;
  TZCLStyleButton* FStyle;
  TRect FBounds;
  bool FHot = false;
  bool FPressed = false;
};

class TZCLCustomGroupBox : public TZCLContainer, public IZCLCursorProvider {
  ZCL_CLASS(TZCLCustomGroupBox, TZCLContainer)
  RTL_INTERFACES(TZCLContainer, IZCLCursorProvider)
  VCL_MESSAGES()
 public:
  explicit TZCLCustomGroupBox(TComponent* AOwner);
  ~TZCLCustomGroupBox() override;
  void AfterConstruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLCustomGroupBox>& D);
  void AdjustClientRect(TRect& Rect) override;
  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override;

  String GetCaption() const { return FCaption->Caption; }
  void SetCaption(const String& Value);
  TZCLStyleButton* GetStyleCaption() const { return FStyleCaption; }
  void SetStyleCaption(TZCLStyleButton* Value) { FStyleCaption->Assign(Value); }
  TZCLGroupBoxCaption* GetCaptionObject() const { return FCaption; }
  TRect GetCaptionRect() const { return FCaptionRect; }
  TRect GetFrameRect() const { return FFrameRect; }
  TRect GetCaptionBounds() const { return FCaptionBounds; }

  // IZCLCursorProvider
  TCursor GetCursorAt(const TPoint& Point) override;

 protected:
  virtual void Calculate(const TRect& R);
  virtual void CalculateCaption(const TRect& R);
  virtual void CalculateFrame(const TRect& R);
  virtual TZCLStyleButton* CreateStyleCaption() = 0;
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
  void CMEnabledChanged(TMessage& Message);

 private:
  void CaptionClick(TObject* Sender) { CheckBoxClick(); }
  TZCLGroupBoxCaption* FCaption = nullptr;
  TZCLStyleButton* FStyleCaption = nullptr;
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
  TZCLStyleButton* CreateStyleCaption() override;
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

void RegisterGroupBoxClasses();
