#pragma once
// Buttons: the button sub-class (state, layout, drawing and input of one button, hosted by any
// control through IZCLButtonOwner), its style, and the button controls built on it.

#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Forms.h"
#include "zcl/graphics/ZCL.Graphics.Render.h"
#include "zcl/ui/ZCL.UI.Animation.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"

class TCustomImageList;
class TChangeLink;
class TPopupMenu;
class TZCLGlyph;

// The state a button-like part is drawn in; also the row of its texture frame.
enum TZCLButtonState : Byte { bstNormal, bstHover, bstPressed, bstDisabled, bstFocused };

enum TZCLButtonFlag : Byte { bfPressed, bfHover, bfEnabled, bfFocused, bfDown, bfDefault };
using TZCLButtonFlags = TSet<TZCLButtonFlag>;

class TZCLStyleButton;

struct IZCLButtonOwner : IZCLControl {
  RTL_INTERFACE(IZCLButtonOwner, IZCLControl, "{8B1E6C20-4F7A-4C31-9E58-0A3D2B6F7101}")
  virtual TFont* ButtonOwnerGetFont() = 0;
  virtual TCustomImageList* ButtonOwnerGetImages() = 0;
  virtual TZCLStyleButton* ButtonOwnerGetStyle() = 0;
  virtual void ButtonOwnerRecalculate() = 0;
};

class TZCLStyleButton : public TZCLStyle {
  ZCL_CLASS(TZCLStyleButton, TZCLStyle)
 public:
  using TZCLStyle::TZCLStyle;
  static void DeclareProperties(TClassDeclaration<TZCLStyleButton>& D);
  TZCLResourceColor* GetColorText() { return GetColor(0); }
  TZCLResourceColor* GetColorTextHover() { return GetColor(1); }
  TZCLResourceColor* GetColorTextPressed() { return GetColor(2); }
  TZCLResourceColor* GetColorTextDisabled() { return GetColor(3); }
  TZCLResourceTexture* GetTexture() { return TZCLStyle::GetTexture(0); }
  // The text colour of a state; the default colour falls back to ColorText.
  TColor GetTextColor(TZCLButtonState State);
  // Frame State + 5 x Part of the texture, fully opaque.
  virtual void Draw(TCanvas* Canvas, const TRect& R, TZCLButtonState State, Integer Part);
  virtual void DrawCheckMark(TCanvas* Canvas, const TRect& R, TZCLButtonState State, TCheckBoxState CheckState);

 protected:
  void InitializeResources() override;
  virtual void InitializeTextures();
};

class TZCLCustomButtonSubClass : public TZCLUnknownObject, public IZCLObjectLinksSupport, public IZCLAnimateControl {
  ZCL_CLASS(TZCLCustomButtonSubClass, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLObjectLinksSupport, IZCLAnimateControl)
 public:
  using TCreateSignature = void(IZCLButtonOwner* AOwner);
  using TClickEvent = TDelegate<void(TZCLCustomButtonSubClass* Sender)>;

  explicit TZCLCustomButtonSubClass(IZCLButtonOwner* AOwner);
  ~TZCLCustomButtonSubClass() override;
  void BeforeDestruction() override;

  virtual void Calculate(const TRect& R);
  void Draw(TCanvas* Canvas);
  void Click();
  void Invalidate();
  void Refresh();
  virtual void KeyDown(Word Key);
  virtual void KeyUp(Word Key);
  void MouseDown(TMouseButton Button, const TPoint& P);
  void MouseMove(TShiftState Shift, const TPoint& P);
  void MouseUp(TMouseButton Button, const TPoint& P);
  bool HasFlag(TZCLButtonFlag Flag) const { return FFlags.Contains(Flag); }
  void SetFlag(TZCLButtonFlag Flag, bool Value);
  void UpdateState();
  virtual bool IsTransparent();

  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  const String& GetCaption() const { return FCaption; }
  void SetCaption(const String& Value);
  const TRect& GetBounds() const { return FBounds; }
  const TRect& GetButtonRect() const { return FButtonRect; }
  const TRect& GetFocusRect() const { return FFocusRect; }
  const TRect& GetTextRect() const { return FTextRect; }
  TZCLButtonFlags GetFlags() const { return FFlags; }
  TZCLButtonState GetState() const { return FState; }
  IZCLButtonOwner* GetOwner() const { return FOwner; }
  Integer Tag = 0;
  TClickEvent OnClick;

  // IZCLAnimateControl
  void Animate() override { Invalidate(); }

 protected:
  virtual TZCLButtonState CalculateState();
  virtual TColor GetTextColor();
  virtual void StateChanged() {}
  virtual bool CanAnimate() { return true; }
  virtual void PrepareCanvas(TCanvas* Canvas);
  virtual void DrawBackground(TCanvas* Canvas, const TRect& R) = 0;
  virtual void DrawContent(TCanvas* Canvas);
  virtual void DrawFocusRect(TCanvas* Canvas);

  TFont* GetFont() { return FOwner->ButtonOwnerGetFont(); }
  Integer GetDPI() { return FOwner->GetCurrentDpi(); }
  TZCLStyleButton* GetStyle() { return FOwner->ButtonOwnerGetStyle(); }
  TSize GetFrameSize();
  Integer S(Integer Value) { return ScaleByDPI(Value, GetDPI()); }

  TRect FBounds;
  TRect FButtonRect;
  TRect FFocusRect;
  TRect FTextRect;
  String FCaption;
  TZCLButtonFlags FFlags{bfEnabled};
  IZCLButtonOwner* FOwner;
  TZCLButtonState FState = bstNormal;
  TAlignment FAlignment = taCenter;

 private:
  void Release(bool AClick);
};

class TZCLButtonSubClass : public TZCLCustomButtonSubClass {
  ZCL_CLASS(TZCLButtonSubClass, TZCLCustomButtonSubClass)
 public:
  using TZCLCustomButtonSubClass::TZCLCustomButtonSubClass;
  void Calculate(const TRect& R) override;

  bool HasArrow = false;
  Integer ImageIndex = -1;
  // 0 whole button, 1 main part of a split button, 2 its arrow part.
  Byte Part = 0;
  const TRect& GetArrowRect() const { return FArrowRect; }
  const TRect& GetImageRect() const { return FImageRect; }

 protected:
  virtual void CalculateArrowRect(TRect& R);
  virtual void CalculateImageRect(TRect& R);
  virtual void CalculateTextRect(const TRect& R);
  virtual TZCLGlyph* GetGlyph();
  virtual TCustomImageList* GetImages() { return FOwner->ButtonOwnerGetImages(); }
  void DrawBackground(TCanvas* Canvas, const TRect& R) override;
  void DrawContent(TCanvas* Canvas) override;

  TRect FArrowRect;
  TRect FImageRect;
};

// A windowed control that hosts one button sub-class.
class TZCLCustomButton : public TZCLCustomControl, public IZCLButtonOwner {
  ZCL_CLASS(TZCLCustomButton, TZCLCustomControl)
  RTL_INTERFACES(TZCLCustomControl, IZCLButtonOwner)
  VCL_MESSAGES()
 public:
  explicit TZCLCustomButton(TComponent* AOwner);
  ~TZCLCustomButton() override;
  void AfterConstruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLCustomButton>& D);

  TAlignment GetAlignment() const { return FSubClass->GetAlignment(); }
  void SetAlignment(TAlignment Value) { FSubClass->SetAlignment(Value); }
  bool GetShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool Value);
  TZCLStyleButton* GetStyle() const { return FStyle; }
  void SetStyle(TZCLStyleButton* Value);
  TZCLCustomButtonSubClass* GetSubClass() const { return FSubClass; }

  // IZCLControl
  Integer GetCurrentDpi() override { return GetCurrentPPI(); }
  bool IsControlEnabled() override { return GetEnabled(); }
  void InvalidateRect(const TRect& Rect) override { TZCLCustomControl::InvalidateRect(Rect); }
  void UpdateControl() override { Update(); }
  TPoint ControlClientToScreen(const TPoint& Point) override { return ClientToScreen(Point); }
  TPoint ControlScreenToClient(const TPoint& Point) override { return ScreenToClient(Point); }
  // IZCLButtonOwner
  TFont* ButtonOwnerGetFont() override { return GetFont(); }
  TCustomImageList* ButtonOwnerGetImages() override { return GetImages(); }
  TZCLStyleButton* ButtonOwnerGetStyle() override { return GetButtonStyle(); }
  void ButtonOwnerRecalculate() override { FullRefresh(); }
  void MouseLeave() override;

 protected:
  virtual void Calculate(const TRect& R);
  virtual TZCLStyleButton* CreateStyle() = 0;
  virtual TZCLCustomButtonSubClass* CreateSubClass() = 0;
  virtual TCustomImageList* GetImages() { return nullptr; }
  virtual TZCLStyleButton* GetButtonStyle() { return FStyle; }
  void SubClassClick(TZCLCustomButtonSubClass* Sender);
  bool DialogChar(TMessage& Message) override;
  void BoundsChanged() override;
  void DoGetHint(const TPoint& Point, String& Hint) override;
  void FocusChanged() override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void Paint() override;
  void ResourceChanged() override;
  void SetTargetDPI(Integer Value) override;
  void UpdateTransparency() override;
  void CMEnabledChanged(TMessage& Message);
  void CMTextChanged(TMessage& Message);
  void CMHintShow(TMessage& Message);

  TZCLStyleButton* FStyle = nullptr;
  TZCLCustomButtonSubClass* FSubClass = nullptr;
  bool FShowCaption = true;
};

class TZCLSimpleButtonActionLink;

class TZCLSimpleButton : public TZCLCustomButton, public IZCLGlyph {
  friend class TZCLSimpleButtonActionLink;
  ZCL_CLASS(TZCLSimpleButton, TZCLCustomButton)
  RTL_INTERFACES(TZCLCustomButton, IZCLGlyph)
  VCL_MESSAGES()
 public:
  explicit TZCLSimpleButton(TComponent* AOwner);
  ~TZCLSimpleButton() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLSimpleButton>& D);
  void Click() override;

  bool GetCancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  bool GetDefault() const { return FDefault; }
  void SetDefault(bool Value);
  bool GetDown() const { return FSubClass->HasFlag(bfDown); }
  void SetDown(bool Value) { FSubClass->SetFlag(bfDown, Value); }
  TZCLGlyph* GetGlyph() override;
  TZCLGlyph* GetGlyphProperty() const { return FGlyph; }
  void SetGlyph(TZCLGlyph* Value);
  bool IsGlyphStored() const;
  Integer GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  bool IsImageIndexStored() const;
  TCustomImageList* GetImagesProperty() const { return FImages; }
  void SetImages(TCustomImageList* Value);
  TModalResult GetModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }

 protected:
  virtual void PerformClick();
  TZCLStyleButton* CreateStyle() override;
  TZCLCustomButtonSubClass* CreateSubClass() override;
  TCustomImageList* GetImages() override { return FImages; }
  void Calculate(const TRect& R) override;
  void ActionChange(TObject* Sender, bool CheckDefaults) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void SetTargetDPI(Integer Value) override;
  void CMDialogKey(TMessage& Message);
  void CMFocusChanged(TMessage& Message);
  void ImagesChanged(TObject* Sender);

  bool FCancel = false;
  bool FDefault = false;
  TZCLGlyph* FGlyph;
  TChangeLink* FImageChangeLink;
  Integer FImageIndex = -1;
  TCustomImageList* FImages = nullptr;
  TModalResult FModalResult = 0;
};

// Also carries the action's image index, as long as the button still shows that image.
class TZCLSimpleButtonActionLink : public TControlActionLink {
  ZCL_CLASS(TZCLSimpleButtonActionLink, TControlActionLink)
 public:
  using TControlActionLink::TControlActionLink;
  bool IsImageIndexLinked() override;
  void SetImageIndex(Integer Value) override;
  void ActionChange(TBasicAction* Action, bool CheckDefaults) override;
};

enum TZCLButtonKind : Byte { sbkNormal, sbkDropDown, sbkDropDownButton };
ZCL_ENUM(TZCLButtonKind, sbkNormal, sbkDropDown, sbkDropDownButton);

// A button with a drop-down menu, optionally split into a main part and an arrow part.
class TZCLButton : public TZCLSimpleButton {
  ZCL_CLASS(TZCLButton, TZCLSimpleButton)
 public:
  explicit TZCLButton(TComponent* AOwner);
  ~TZCLButton() override;
  static void DeclareProperties(TClassDeclaration<TZCLButton>& D);

  TPopupMenu* GetDropDownMenu() const { return FDropDownMenu; }
  void SetDropDownMenu(TPopupMenu* Value);
  TZCLButtonKind GetKind() const { return FKind; }
  void SetKind(TZCLButtonKind Value);
  TZCLButtonSubClass* GetArrowSubClass() const { return FArrowSubClass; }
  TNotifyEvent OnDropDownClick;
  void MouseLeave() override;

 protected:
  void Calculate(const TRect& R) override;
  void PerformClick() override;
  void DropDownClick(TZCLCustomButtonSubClass* Sender);
  void DropDownMenu();
  void KeyUp(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void UpdateTransparency() override;
  void CMEnabledChanged(TMessage& Message);
  VCL_MESSAGES()

 private:
  TZCLButtonSubClass* FArrowSubClass;
  TPopupMenu* FDropDownMenu = nullptr;
  TZCLButtonKind FKind = sbkNormal;
};

void RegisterButtonClasses();
