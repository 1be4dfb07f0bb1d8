#pragma once
// The edit family's base: a skinned container hosting a platform edit (the inner edit) that it
// sizes, colours and routes through itself, with a frame and a row of edit buttons; and the
// input masks that restrict what a text edit may hold.

#include "rtl/RTL.Variant.h"
#include "vcl/VCL.StdCtrls.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"

class TCustomImageList;
class TChangeLink;

// ---- input masks ------------------------------------------------------------------------------

enum TZCLEditInputMask : Byte { eimText, eimInteger, eimFloat, eimDateAndTime };
ZCL_ENUM(TZCLEditInputMask, eimText, eimInteger, eimFloat, eimDateAndTime);

// The fixed date-time form: "yyyy.MM.dd hh:mm:ss", culture independent.
const TFormatSettings& EditDateTimeFormatSettings();
const String& EditDateTimeFormat();
// The platform edit mask of that form: "0000.00.00 00:00:00;1;_".
const String& EditDateTimeEditMask();
// The value a text stands for under a mask; unreadable text gives 0 (the date 0). Never raises.
Variant EditTextToValue(TZCLEditInputMask Mask, const String& Text);
// The text of a value under a mask; a value that does not convert gives the text of 0.
String EditValueToText(TZCLEditInputMask Mask, const Variant& Value);
// Whether the text Candidate may stand while typing under a mask ("-" or "+" alone may).
bool EditCanTypeText(TZCLEditInputMask Mask, const String& Candidate);
// Word-wise deletion from Position (0-based caret) toward Direction (-1 back, +1 forward).
// Returns the new text; Caret gets the new caret.
String EditDeleteWord(const String& Text, Integer Position, Integer Direction, Integer& Caret);

// ---- in-place editing -------------------------------------------------------------------------

// What a host (a tree list, the object inspector) gives the cell editor it creates.
// Bounds and TextBounds are in the host's client coordinates; RowIndex and ColumnIndex name the
// edited cell to the host.
struct TZCLInplaceInfo {
  TWinControl* Parent = nullptr;
  TRect Bounds;
  TRect TextBounds;
  Integer ColumnIndex = 0;
  Integer RowIndex = 0;
  TNotifyEvent OnApply;
  TNotifyEvent OnCancel;
  TKeyEvent OnKeyDown;
};

// A cell editor as its host sees it: the edited value as a string.
struct IZCLInplaceControl : virtual IInterface {
  RTL_INTERFACE(IZCLInplaceControl, IInterface, "{5E0C2B7A-93D1-4F68-A2B4-7C1E6D3F8A40}")
  virtual String InplaceGetValue() = 0;
  virtual bool InplaceIsFocused() = 0;
  virtual void InplaceSetFocus() = 0;
  virtual void InplaceSetValue(const String& Value) = 0;
};

// ---- styles -----------------------------------------------------------------------------------

class TZCLStyleEdit : public TZCLStyle {
  ZCL_CLASS(TZCLStyleEdit, TZCLStyle)
 public:
  using TZCLStyle::TZCLStyle;
  static void DeclareProperties(TClassDeclaration<TZCLStyleEdit>& D);
  TZCLResourceColor* GetColorBorder() { return GetColor(0); }
  TZCLResourceColor* GetColorBorderFocused() { return GetColor(1); }
  TZCLResourceColor* GetColorContent() { return GetColor(2); }
  TZCLResourceColor* GetColorContentDisabled() { return GetColor(3); }
  TZCLResourceColor* GetColorText() { return GetColor(4); }
  TZCLResourceColor* GetColorTextDisabled() { return GetColor(5); }

  TColor GetBorderColor(bool Focused);
  TColor GetContentColor(bool Enabled);
  TColor GetTextColor(bool Enabled);
  void DrawBorder(TCanvas* Canvas, const TRect& R, bool Focused);
  void ApplyColorsToControl(TControl* Control, bool Enabled);

 protected:
  void InitializeResources() override;
};

class TZCLStyleEditButton : public TZCLStyleButton {
  ZCL_CLASS(TZCLStyleEditButton, TZCLStyleButton)
 public:
  using TZCLStyleButton::TZCLStyleButton;

 protected:
  void InitializeResources() override;
  void InitializeTextures() override;
};

// ---- edit buttons -----------------------------------------------------------------------------

struct IZCLButtonEdit : IZCLButtonOwner {
  RTL_INTERFACE(IZCLButtonEdit, IZCLButtonOwner, "{A3F1D5C2-6B84-4E09-9D7A-1C2E3B4F5A61}")
  virtual bool ButtonEditGetEnabled() = 0;
  virtual TWinControl* ButtonEditGetOwner() = 0;
};

// The control that owns the edit button drawn by SubClass; null when it is not an edit's.
TControl* GetEditButtonOwnerControl(TZCLCustomButtonSubClass* SubClass);

class TZCLEditButtonSubClass : public TZCLButtonSubClass {
  ZCL_CLASS(TZCLEditButtonSubClass, TZCLButtonSubClass)
 public:
  using TZCLButtonSubClass::TZCLButtonSubClass;

 protected:
  void StateChanged() override;
};

class TZCLEditButton : public TZCLCollectionItem {
  ZCL_CLASS(TZCLEditButton, TZCLCollectionItem)
 public:
  explicit TZCLEditButton(TCollection* ACollection);
  ~TZCLEditButton() override;
  static void DeclareProperties(TClassDeclaration<TZCLEditButton>& D);
  void Assign(TPersistent* Source) override;

  const String& GetCaption() const { return FCaption; }
  void SetCaption(const String& Value);
  bool GetEnabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  const String& GetHint() const { return FHint; }
  void SetHint(const String& Value) { FHint = Value; }
  Integer GetImageIndex() const { return FSubClass->ImageIndex; }
  void SetImageIndex(Integer Value);
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  Integer GetWidth() const { return FWidth; }
  void SetWidth(Integer Value);
  TZCLEditButtonSubClass* GetSubClass() const { return FSubClass; }

  TNotifyEvent OnClick;

 private:
  void UpdateCaption();
  void SubClassClick(TZCLCustomButtonSubClass* Sender);
  String FCaption;
  bool FEnabled = true;
  String FHint;
  TZCLEditButtonSubClass* FSubClass = nullptr;
  bool FVisible = true;
  Integer FWidth = 18;
};

class TZCLEditButtons : public TCollection {
  ZCL_CLASS(TZCLEditButtons, TCollection)
 public:
  explicit TZCLEditButtons(IZCLButtonEdit* AOwner);

  TZCLEditButton* Add(const String& Caption);
  TZCLEditButton* GetItem(Integer Index) const { return TCollection::GetItem<TZCLEditButton>(Index); }
  IZCLButtonEdit* GetButtonOwner() const { return FOwner; }
  TPersistent* GetOwner() const override;
  // The last button (from the end) whose bounds contain P.
  bool HitTest(const TPoint& P, TZCLEditButton*& Button) const;
  String GetHint(const TPoint& P) const;
  void Draw(TCanvas* Canvas);
  void MouseDown(TMouseButton Button, const TPoint& P);
  void MouseMove(TShiftState Shift, const TPoint& P);
  void MouseUp(TMouseButton Button, const TPoint& P);
  void MouseLeave();

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  IZCLButtonEdit* FOwner;
};

// ---- the container of an inner control --------------------------------------------------------

class TZCLCustomInplaceContainer : public TZCLCustomControl, public IZCLInnerControl {
  ZCL_CLASS(TZCLCustomInplaceContainer, TZCLCustomControl)
  RTL_INTERFACES(TZCLCustomControl, IZCLInnerControl)
  VCL_MESSAGES()
 public:
  using TZCLCustomControl::TZCLCustomControl;
  bool Focused() override;
  void SetFocus() override;
  // Tab stops once: at the inner control, never at the container.
  void GetTabOrderList(std::vector<TWinControl*>& List) override;

  TWinControl* GetInnerControl() override { return FInnerControl; }
  TNotifyEvent OnChange;

 protected:
  virtual void GetInnerControlBounds(TRect& R);
  virtual void UpdateInnerControlBounds();
  virtual void UpdateInnerControl();
  virtual void InnerWndProc(TMessage& Message);
  virtual void SetInnerControlFocus();
  virtual void Changed();
  virtual void DoChange();

  void HookInnerControl(bool Hook);
  void BoundsChanged() override;
  void CreateHandle() override;
  void DoEnter() override;
  void DoExit() override;
  void UpdateState() override;
  void CMEnabledChanged(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  void WMSetFocus(TMessage& Message);

  TWinControl* FInnerControl = nullptr;
  TWndMethod FSavedWindowProc;

 private:
  void InnerMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  void InnerMouseMove(TObject* Sender, TShiftState Shift, Integer X, Integer Y);
  void InnerMouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
};

// ---- the edit box ------------------------------------------------------------------------------

class TZCLCustomEdit : public TZCLCustomInplaceContainer, public IZCLCursorProvider, public IZCLButtonEdit {
  ZCL_CLASS(TZCLCustomEdit, TZCLCustomInplaceContainer)
  RTL_INTERFACES(TZCLCustomInplaceContainer, IZCLCursorProvider, IZCLButtonEdit)
  VCL_MESSAGES()
 public:
  explicit TZCLCustomEdit(TComponent* AOwner);
  // The cell editor a tree list or the object inspector creates.
  template <class T>
  static T* CreateInplace(const TZCLInplaceInfo& Params) {
    FCreatingInplace = true;
    T* result = Create<T>(static_cast<TComponent*>(Params.Parent));
    FCreatingInplace = false;
    result->InitializeInplace(Params);
    return result;
  }
  ~TZCLCustomEdit() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLCustomEdit>& D);

  bool GetBorders() const { return FBorders; }
  void SetBorders(bool Value);
  TZCLEditButtons* GetButtons() const { return FButtons; }
  void SetButtons(TZCLEditButtons* Value) { FButtons->Assign(Value); }
  TCustomImageList* GetButtonsImages() const { return FButtonsImages; }
  void SetButtonsImages(TCustomImageList* Value);
  bool GetInplace() const { return FInplace; }
  TZCLStyleEdit* GetStyle() const { return FStyle; }
  void SetStyle(TZCLStyleEdit* Value) { FStyle->Assign(Value); }
  TZCLStyleButton* GetStyleButton() const { return FStyleButton; }
  void SetStyleButton(TZCLStyleButton* Value) { FStyleButton->Assign(Value); }
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;

  // IZCLControl
  Integer GetCurrentDpi() override { return GetCurrentPPI(); }
  bool IsControlEnabled() override { return GetEnabled(); }
  void InvalidateRect(const TRect& Rect) override { TZCLCustomControl::InvalidateRect(Rect); }
  void UpdateControl() override { Update(); }
  TPoint ControlClientToScreen(const TPoint& Point) override { return ClientToScreen(Point); }
  TPoint ControlScreenToClient(const TPoint& Point) override { return ScreenToClient(Point); }
  // IZCLButtonOwner
  TFont* ButtonOwnerGetFont() override { return GetFont(); }
  TCustomImageList* ButtonOwnerGetImages() override { return FButtonsImages; }
  TZCLStyleButton* ButtonOwnerGetStyle() override { return GetStyleButtonForDraw(); }
  void ButtonOwnerRecalculate() override { FullRefresh(); }
  // IZCLButtonEdit
  bool ButtonEditGetEnabled() override { return GetEnabled(); }
  TWinControl* ButtonEditGetOwner() override { return this; }
  // IZCLCursorProvider
  TCursor GetCursorAt(const TPoint& Point) override;
  // IZCLLocalizableComponent
  void Localize(const String& Section, const String& Name) override;
  void MouseLeave() override;

 protected:
  virtual void AssignTextDrawParams(TCanvas* Canvas);
  virtual TZCLStyleButton* CreateStyleButton();
  virtual bool CanCreateInnerControl();
  virtual TWinControl* CreateInnerControl() { return nullptr; }
  virtual void DestroyInnerControl();
  virtual Integer GetTextHeight();
  virtual void Calculate(const TRect& R);
  virtual void CalculateAutoHeight(Integer& Height);
  virtual void CalculateButtons(TRect& R);
  virtual void CalculateContent(const TRect&) {}
  virtual void DrawContent(TCanvas*) {}
  virtual void DrawBackground(TCanvas* Canvas, const TRect& R);
  virtual TZCLStyleButton* GetStyleButtonForDraw() { return FStyleButton; }

  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override;
  void BoundsChanged() override;
  void FocusChanged() override;
  void GetInnerControlBounds(TRect& R) override;
  void UpdateInnerControl() override;
  void InnerWndProc(TMessage& Message) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void SetTargetDPI(Integer Value) override;
  void DoGetHint(const TPoint& Point, String& Hint) override;
  void CMWantSpecialKey(TMessage& Message);

  bool FBorders = true;
  TZCLEditButtons* FButtons = nullptr;
  TCustomImageList* FButtonsImages = nullptr;
  TChangeLink* FButtonsImagesLink = nullptr;
  bool FInplace = false;
  TZCLStyleEdit* FStyle = nullptr;
  TZCLStyleButton* FStyleButton = nullptr;

 private:
  void InitializeInplace(const TZCLInplaceInfo& Params);
  void ButtonsImagesChanged(TObject* Sender);
  static inline bool FCreatingInplace = false;
};

// ---- the inner edit ---------------------------------------------------------------------------

class TZCLInnerEdit : public TMaskEdit {
  ZCL_CLASS(TZCLInnerEdit, TMaskEdit)
  VCL_MESSAGES()
 public:
  explicit TZCLInnerEdit(TComponent* AOwner);
  TZCLEditInputMask GetInputMask() const { return FInputMask; }
  void SetInputMask(TZCLEditInputMask Value);
  bool GetAutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value) { FAutoSize = Value; }
  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override;
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  // Word-wise deletion around the caret (-1 back, +1 forward).
  void DeleteWord(Integer Position, Integer Direction);

  TNotifyEvent OnPaste;

 protected:
  virtual bool CanType(Char Key);
  virtual void ProcessKeyPress(Char& Key);
  void Change() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  void WndProc(TMessage& Message) override;
  void WMPaste(TMessage& Message);

 private:
  TZCLEditInputMask FInputMask = eimText;
  bool FAutoSize = true;
  bool FDropNextChar = false;
};

void RegisterEditClasses();
