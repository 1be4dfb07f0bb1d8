#pragma once
// Drop-down edits: an edit with an arrow button and the life of a popup window opened under
// it (the combo boxes fill it with a list); the drop-down button, which drops any control of
// the form; and the search box, which reports a change only after typing has paused.

#include "zcl/base/ZCL.Timers.h"
#include "zcl/ui/ZCL.UI.PopupWindow.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/controls/ZCL.UI.Insight.h"

class TZCLCustomDropDownEditButtonSubClass : public TZCLButtonSubClass {
  ZCL_CLASS(TZCLCustomDropDownEditButtonSubClass, TZCLButtonSubClass)
 public:
  using TZCLButtonSubClass::TZCLButtonSubClass;

 protected:
  void DrawBackground(TCanvas* Canvas, const TRect& R) override;
};

class TZCLDropDownButtonSubClass : public TZCLCustomDropDownEditButtonSubClass {
  ZCL_CLASS(TZCLDropDownButtonSubClass, TZCLCustomDropDownEditButtonSubClass)
 public:
  using TZCLCustomDropDownEditButtonSubClass::TZCLCustomDropDownEditButtonSubClass;

 protected:
  void DrawBackground(TCanvas* Canvas, const TRect& R) override;
};

class TZCLCustomDropDownEdit : public TZCLCustomTextEdit {
  ZCL_CLASS(TZCLCustomDropDownEdit, TZCLCustomTextEdit)
  VCL_MESSAGES()
 public:
  explicit TZCLCustomDropDownEdit(TComponent* AOwner);
  ~TZCLCustomDropDownEdit() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLCustomDropDownEdit>& D);
  bool Focused() override;

  bool GetDroppedDown() const { return FDropDown != nullptr; }
  void SetDroppedDown(bool Value);
  TAlignment GetDropDownAlignment() const { return FDropDownAlignment; }
  void SetDropDownAlignment(TAlignment Value) { FDropDownAlignment = Value; }
  TZCLButtonSubClass* GetButtonSubClass() const { return FButtonSubClass; }
  TZCLPopupWindow* GetDropDown() const { return FDropDown; }
  TCursor GetCursorAt(const TPoint& Point) override;
  void MouseLeave() override;

  TNotifyEvent OnDropDown;

 protected:
  virtual bool IsDropDownArea(Integer X, Integer Y);
  virtual TZCLButtonSubClass* CreateDropDownButton();
  virtual TZCLPopupWindow* CreateDropDownWindow();
  virtual void FreeDropDownWindow();
  virtual void ShowDropDownWindow();
  virtual void DoDropDown();

  bool CanCreateInnerControl() override { return false; }
  void CalculateButtons(TRect& R) override;
  void DrawContent(TCanvas* Canvas) override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void CMEnabledChanged(TMessage& Message);
  void DropDownClosed(TObject* Sender);
  void QueuedFreeDropDown();
  void ArrowClick(TZCLCustomButtonSubClass* Sender);

  TZCLButtonSubClass* FButtonSubClass = nullptr;
  DWORD FClosedTick = 0;
  bool FClosedOnce = false;
  TZCLPopupWindow* FDropDown = nullptr;
  TAlignment FDropDownAlignment = taLeftJustify;
};

class TZCLCustomDropDown : public TZCLCustomDropDownEdit, public IZCLGlyph {
  ZCL_CLASS(TZCLCustomDropDown, TZCLCustomDropDownEdit)
  RTL_INTERFACES(TZCLCustomDropDownEdit, IZCLGlyph)
  VCL_MESSAGES()
 public:
  explicit TZCLCustomDropDown(TComponent* AOwner);
  ~TZCLCustomDropDown() override;
  static void DeclareProperties(TClassDeclaration<TZCLCustomDropDown>& D);

  String GetButtonCaption() const { return FButtonSubClass->GetCaption(); }
  void SetButtonCaption(const String& Value) { FButtonSubClass->SetCaption(Value); }
  TZCLGlyph* GetGlyphProperty() const { return FGlyph; }
  void SetGlyph(TZCLGlyph* Value);
  bool IsGlyphStored() const;
  Integer GetImageIndex() const { return FButtonSubClass->ImageIndex; }
  void SetImageIndex(Integer Value);
  // IZCLGlyph
  TZCLGlyph* GetGlyph() override;

 protected:
  TZCLStyleButton* CreateStyleButton() override;
  TZCLButtonSubClass* CreateDropDownButton() override;
  void Calculate(const TRect& R) override;
  void Paint() override;
  void FocusChanged() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  void UpdateTransparency() override;
  void CMDialogKey(TMessage& Message);
  bool DialogChar(TMessage& Message) override;
  void PressButton();

  TZCLGlyph* FGlyph;
};

class TZCLDropDown : public TZCLCustomDropDown {
  ZCL_CLASS(TZCLDropDown, TZCLCustomDropDown)
 public:
  using TZCLCustomDropDown::TZCLCustomDropDown;
  static void DeclareProperties(TClassDeclaration<TZCLDropDown>& D);
  TControl* GetControl() const { return FControl; }
  // EInvalidArgument "The %s cannot be used as child" for the drop-down or a control holding it.
  void SetControl(TControl* Value);

 protected:
  TZCLPopupWindow* CreateDropDownWindow() override;
  void FreeDropDownWindow() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  TControl* FControl = nullptr;
};

// The search looks inside the dropped control, never at the button itself.
class TZCLDropDownUIInsightAdapter : public TZCLUIInsightAdapterWinControl {
  ZCL_CLASS(TZCLDropDownUIInsightAdapter, TZCLUIInsightAdapterWinControl)
 public:
  void EnumChildren(TObject* Object, TZCLUIInsightSearchQueueBuilder* Builder) const override;
  bool MakeVisible(TObject* Object) const override;
};

class TZCLSearchEditStyleButton : public TZCLStyleEditButton {
  ZCL_CLASS(TZCLSearchEditStyleButton, TZCLStyleEditButton)
 public:
  using TZCLStyleEditButton::TZCLStyleEditButton;

 protected:
  void InitializeTextures() override;
};

class TZCLSearchEdit : public TZCLCustomTextEdit {
  ZCL_CLASS(TZCLSearchEdit, TZCLCustomTextEdit)
  VCL_MESSAGES()
 public:
  explicit TZCLSearchEdit(TComponent* AOwner);
  ~TZCLSearchEdit() override;
  static void DeclareProperties(TClassDeclaration<TZCLSearchEdit>& D);

  Integer GetChangeDelay() const { return Integer(FDelayTimer->GetInterval()); }
  // Kept within 0..5000 ms (0 waits 1 ms).
  void SetChangeDelay(Integer Value);
  TWinControl* GetFocusControl() const { return FFocusControl; }
  void SetFocusControl(TWinControl* Value);
  bool IsChangePending() const { return FDelayTimer->GetEnabled(); }
  // Empties the text and reports the change at once.
  void Clear();

 protected:
  TZCLStyleButton* CreateStyleButton() override;
  void Changed() override;
  void DoChange() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool CanFocusFocusControl();
  void FocusFocusControl();
  void CMWantSpecialKey(TMessage& Message);

 private:
  void DelayTimerTick(TObject* Sender);
  void ClearClick(TObject* Sender);
  TWinControl* FFocusControl = nullptr;
  TZCLTimer* FDelayTimer;
};

void RegisterDropDownEditClasses();
