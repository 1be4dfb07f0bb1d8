#pragma once
// Check boxes and radio boxes: button controls whose sub-class draws a check mark beside a
// caption that may wrap or be followed by an etched line; a box may carry a control glued to
// one side that is enabled only while the box is checked. Radio boxes uncheck their siblings of
// the same group. The sub-class also serves the group box caption.

#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Edit.h"
#include "zcl/ui/controls/ZCL.UI.Labels.h"

class TZCLStyleCheckBox : public TZCLStyleButton {
  ZCL_CLASS(TZCLStyleCheckBox, TZCLStyleButton)
 public:
  using TZCLStyleButton::TZCLStyleButton;
  static void DeclareProperties(TClassDeclaration<TZCLStyleCheckBox>& D);
  TZCLResourceColor* GetColorLine1() { return GetColor(10); }
  TZCLResourceColor* GetColorLine2() { return GetColor(11); }

 protected:
  void InitializeResources() override;
  void InitializeTextures() override;
};

class TZCLStyleRadioBox : public TZCLStyleCheckBox {
  ZCL_CLASS(TZCLStyleRadioBox, TZCLStyleCheckBox)
 public:
  using TZCLStyleCheckBox::TZCLStyleCheckBox;

 protected:
  void InitializeTextures() override;
};

class TZCLCheckBoxSubClass : public TZCLCustomButtonSubClass {
  ZCL_CLASS(TZCLCheckBoxSubClass, TZCLCustomButtonSubClass)
 public:
  explicit TZCLCheckBoxSubClass(IZCLButtonOwner* AOwner);
  void Calculate(const TRect& R) override;
  bool IsTransparent() override { return true; }
  // Width or height negative: that dimension is asked for.
  virtual void CalculateAutoSize(Integer& Width, Integer& Height);

  TCheckBoxState GetCheckState() const { return FCheckState; }
  void SetCheckState(TCheckBoxState Value);
  bool GetShowCheckMark() const { return FShowCheckMark; }
  void SetShowCheckMark(bool Value);
  bool GetShowLine() const { return FShowLine; }
  void SetShowLine(bool Value);
  bool GetWordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  const TRect& GetLineRect() const { return FLineRect; }
  TSize GetTextSize() const { return FTextSize; }

 protected:
  virtual void CalculateCheckMarkRect(TRect& R);
  virtual void CalculateLineRect(const TRect& R);
  virtual void CalculateTextRect(const TRect& R);
  virtual void MeasureText(const TRect& R, TSize& Size);
  void DrawBackground(TCanvas* Canvas, const TRect& R) override;
  void DrawContent(TCanvas* Canvas) override;

  TCheckBoxState FCheckState = cbUnchecked;
  TRect FLineRect;
  bool FShowCheckMark = true;
  bool FShowLine = false;
  TSize FTextSize;
  bool FWordWrap = false;
};

class TZCLCheckBoxSubControlOptions : public TZCLSubControlOptions {
  ZCL_CLASS(TZCLCheckBoxSubControlOptions, TZCLSubControlOptions)
 public:
  using TZCLSubControlOptions::TZCLSubControlOptions;
  bool GetEnabled() const { return FEnabled; }
  // Applied as the glued control's Enabled.
  void SetEnabled(bool Value);
  void Align(TRect& OwnerRect) override;

 protected:
  void GluedWindowProc(TMessage& Message) override;

 private:
  bool FEnabled = true;
  bool FApplying = false;
};

class TZCLCheckBoxActionLink;

class TZCLCustomCheckBox : public TZCLCustomButton {
  friend class TZCLCheckBoxActionLink;
  ZCL_CLASS(TZCLCustomCheckBox, TZCLCustomButton)
  VCL_MESSAGES()
 public:
  explicit TZCLCustomCheckBox(TComponent* AOwner);
  ~TZCLCustomCheckBox() override;
  void AfterConstruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLCustomCheckBox>& D);
  void Click() override;
  void Loaded() override;

  bool GetAllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
  bool GetChecked() const { return GetState() == cbChecked; }
  void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
  TCheckBoxState GetState() const;
  virtual void SetState(TCheckBoxState Value);
  Integer GetGroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(Integer Value) { FGroupIndex = Value; }
  bool GetShowCheckMark() const;
  void SetShowCheckMark(bool Value);
  bool GetShowLine() const;
  void SetShowLine(bool Value);
  bool GetWordWrap() const;
  void SetWordWrap(bool Value);
  TZCLStyleCheckBox* GetCheckBoxStyle() const { return static_cast<TZCLStyleCheckBox*>(FStyle); }
  void SetCheckBoxStyle(TZCLStyleCheckBox* Value) { FStyle->Assign(Value); }
  TZCLCheckBoxSubControlOptions* GetSubControl() const { return FSubControl; }
  void SetSubControl(TZCLCheckBoxSubControlOptions* Value) { FSubControl->Assign(Value); }
  TZCLCheckBoxSubClass* GetCheckBoxSubClass() const { return static_cast<TZCLCheckBoxSubClass*>(FSubClass); }
  bool IsCursorStored() const;
  // Re-applies the glued control's enabled rule.
  void UpdateSubControlEnabled();

 protected:
  virtual TZCLCheckBoxSubControlOptions* CreateSubControlOptions();
  virtual void Toggle();
  TZCLStyleButton* CreateStyle() override;
  TZCLCustomButtonSubClass* CreateSubClass() override;
  void Calculate(const TRect& R) override;
  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override;
  void ActionChange(TObject* Sender, bool CheckDefaults) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void CMEnabledChanged(TMessage& Message);
  void CMTextChanged(TMessage& Message);
  void CMVisibleChanged(TMessage& Message);
  void WMNCHitTest(TMessage& Message);
  void WMMove(TMessage& Message);
  virtual bool IsHit(const TPoint& P);

  bool FAllowGrayed = false;
  TZCLCheckBoxSubControlOptions* FSubControl = nullptr;
  Integer FGroupIndex = 0;
};

class TZCLCheckBox : public TZCLCustomCheckBox {
  ZCL_CLASS(TZCLCheckBox, TZCLCustomCheckBox)
 public:
  using TZCLCustomCheckBox::TZCLCustomCheckBox;
  static void DeclareProperties(TClassDeclaration<TZCLCheckBox>& D);
};

class TZCLRadioBox : public TZCLCustomCheckBox {
  ZCL_CLASS(TZCLRadioBox, TZCLCustomCheckBox)
 public:
  using TZCLCustomCheckBox::TZCLCustomCheckBox;
  static void DeclareProperties(TClassDeclaration<TZCLRadioBox>& D);
  void SetState(TCheckBoxState Value) override;

 protected:
  TZCLStyleButton* CreateStyle() override;
  void Toggle() override;
};

// The check box an editor places inside a cell.
class TZCLInplaceCheckBox : public TZCLCustomCheckBox, public IZCLInplaceControl {
  ZCL_CLASS(TZCLInplaceCheckBox, TZCLCustomCheckBox)
  RTL_INTERFACES(TZCLCustomCheckBox, IZCLInplaceControl)
 public:
  explicit TZCLInplaceCheckBox(const TZCLInplaceInfo& Info) : TZCLCustomCheckBox(nullptr), FInfo(Info) {}
  void AfterConstruction() override;
  // IZCLInplaceControl
  String InplaceGetValue() override;
  bool InplaceIsFocused() override { return Focused(); }
  void InplaceSetFocus() override { SafeSetFocus(this); }
  void InplaceSetValue(const String& Value) override;

 protected:
  bool IsHit(const TPoint&) override { return true; }

 private:
  TZCLInplaceInfo FInfo;
};

// Links Checked both ways with a TCustomAction.
class TZCLCheckBoxActionLink : public TControlActionLink {
  ZCL_CLASS(TZCLCheckBoxActionLink, TControlActionLink)
 public:
  using TControlActionLink::TControlActionLink;
  bool IsCheckedLinked() override;
  void SetChecked(bool Value) override;
  void ActionChange(TBasicAction* Action, bool CheckDefaults) override;
};

void RegisterCheckBoxClasses();
