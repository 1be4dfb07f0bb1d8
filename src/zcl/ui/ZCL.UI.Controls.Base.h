#pragma once
// The base classes of the library's controls: TZCLGraphicControl (drawn on its parent) and
// TZCLCustomControl (a window of its own, through TCustomScalableControl), and TZCLContainer with
// a background style and border lines. They settle for every control: margins and padding kept
// at 96 DPI and scaled to the current DPI; alignment ordered by AlignOrder; a resource
// collection overriding the default UI skin; transparency; hover tracking by polling; DPI
// changes bracketed so that anchors and auto-size survive them; and one set of virtual
// operations that descendants fill in.
//
// A DPI change reaches every control of a form inside one bracket: WM_ZCL_SCALECHANGING before
// and WM_ZCL_SCALECHANGED after (they nest); re-alignment, auto-size and resource refreshes wait
// for the bracket to close. UI thread only.

#include "rtl/RTL.Interfaces.h"
#include "vcl/VCL.Controls.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/ui/ZCL.UI.Style.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

class TZCLCustomResourceCollection;

// The scale-change bracket.
inline constexpr UINT WM_ZCL_SCALECHANGING = 0xBF00;
inline constexpr UINT WM_ZCL_SCALECHANGED = 0xBF01;

// ---- interfaces -------------------------------------------------------------------------------

struct IZCLControl : IZCLCurrentDpi {
  RTL_INTERFACE(IZCLControl, IZCLCurrentDpi, "{2C6F0B7E-1A49-4D3E-8F52-93B1E4A7C601}")
  virtual bool IsControlEnabled() = 0;
  virtual void InvalidateRect(const TRect& Rect) = 0;
  virtual void UpdateControl() = 0;
  virtual TPoint ControlClientToScreen(const TPoint& Point) = 0;
  virtual TPoint ControlScreenToClient(const TPoint& Point) = 0;
};

// Polled by the mouse tracker while the mouse is over the object.
struct IZCLMouseTracking : virtual IInterface {
  RTL_INTERFACE(IZCLMouseTracking, IInterface, "{2C6F0B7E-1A49-4D3E-8F52-93B1E4A7C602}")
  virtual bool IsMouseAtControl() = 0;
  virtual void MouseEnter() = 0;
  virtual void MouseLeave() = 0;
};

// A control whose cursor depends on the point (client coordinates).
struct IZCLCursorProvider : virtual IInterface {
  RTL_INTERFACE(IZCLCursorProvider, IInterface, "{2C6F0B7E-1A49-4D3E-8F52-93B1E4A7C603}")
  virtual TCursor GetCursorAt(const TPoint& Point) = 0;
};

struct IZCLFocusableControl : virtual IInterface {
  RTL_INTERFACE(IZCLFocusableControl, IInterface, "{2C6F0B7E-1A49-4D3E-8F52-93B1E4A7C604}")
  virtual bool CanFocus() = 0;
  virtual void SetFocus() = 0;
};

// A control that takes the focus on its first item when another control hands it over (a tree
// list focuses its first visible node).
struct IZCLFocusableControl2 : virtual IInterface {
  RTL_INTERFACE(IZCLFocusableControl2, IInterface, "{2C6F0B7E-1A49-4D3E-8F52-93B1E4A7C60A}")
  virtual void FocusFirstItem() = 0;
};

// Something that pops up under a rectangle of the screen (a menu, a drop-down window).
struct IZCLPopup : virtual IInterface {
  RTL_INTERFACE(IZCLPopup, IInterface, "{2C6F0B7E-1A49-4D3E-8F52-93B1E4A7C605}")
  virtual void PopupAt(const TRect& ScreenRect) = 0;
};

// ---- padding and margins ----------------------------------------------------------------------

// Four sides in 96-DPI pixels, scaled (by truncation) to the DPI they are used at.
class TZCLPadding : public TPersistent {
  ZCL_CLASS(TZCLPadding, TPersistent)
 public:
  explicit TZCLPadding(Integer ADefaultValue = 0);
  static void DeclareProperties(TClassDeclaration<TZCLPadding>& D);
  void Assign(TPersistent* Source) override;

  Integer GetLeft() const { return FSides.Left; }
  void SetLeft(Integer Value) { SetSide(FSides.Left, Value); }
  Integer GetTop() const { return FSides.Top; }
  void SetTop(Integer Value) { SetSide(FSides.Top, Value); }
  Integer GetRight() const { return FSides.Right; }
  void SetRight(Integer Value) { SetSide(FSides.Right, Value); }
  Integer GetBottom() const { return FSides.Bottom; }
  void SetBottom(Integer Value) { SetSide(FSides.Bottom, Value); }
  // The common value when all four are equal, else 0.
  Integer GetAll() const;
  void SetAll(Integer Value);
  bool GetScalable() const { return FScalable; }
  void SetScalable(bool Value);
  Integer GetDefaultValue() const { return FDefaultValue; }
  // The sides as a rectangle (Left, Top, Right, Bottom), unscaled.
  TRect GetRect() const { return FSides; }
  // The sides at DPI: Trunc(side * DPI / 96) with a single-precision factor when scalable.
  TRect GetScaledRect(Integer DPI) const;

  // Stored rules for the form stream.
  bool IsAllStored() const;
  bool IsSideStored(Integer Side) const;
  bool IsLeftStored() const { return IsSideStored(0); }
  bool IsTopStored() const { return IsSideStored(1); }
  bool IsRightStored() const { return IsSideStored(2); }
  bool IsBottomStored() const { return IsSideStored(3); }
  bool IsStored() const;

  TNotifyEvent OnChange;

 private:
  void SetSide(Integer& Field, Integer Value);
  void Change();
  TRect FSides;
  bool FScalable = true;
  Integer FDefaultValue;
};

class TZCLMargins : public TZCLPadding {
  ZCL_CLASS(TZCLMargins, TZCLPadding)
 public:
  explicit TZCLMargins(Integer ADefaultValue = 3) : TZCLPadding(ADefaultValue) {}
};

// ---- styles -----------------------------------------------------------------------------------

class TZCLStyleBackground : public TZCLStyle {
  ZCL_CLASS(TZCLStyleBackground, TZCLStyle)
 public:
  using TZCLStyle::TZCLStyle;
  static void DeclareProperties(TClassDeclaration<TZCLStyleBackground>& D);
  TZCLResourceColor* GetColorBorder1() { return GetColor(0); }
  TZCLResourceColor* GetColorBorder2() { return GetColor(1); }
  TZCLResourceColor* GetColorContent1() { return GetColor(2); }
  TZCLResourceColor* GetColorContent2() { return GetColor(3); }
  // A vertical gradient (unless Transparent), then a double frame on the Borders sides.
  void Draw(TCanvas* Canvas, const TRect& Rect, bool Transparent, TZCLBorders Borders);
  // Either content colour is a real colour with alpha below 255.
  bool IsTranslucent();

 protected:
  void InitializeResources() override;
};

class TZCLStyleContent : public TZCLStyleBackground {
  ZCL_CLASS(TZCLStyleContent, TZCLStyleBackground)
 public:
  using TZCLStyleBackground::TZCLStyleBackground;
  static void DeclareProperties(TClassDeclaration<TZCLStyleContent>& D);
  TZCLResourceColor* GetColorText() { return GetColor(4); }
  TZCLResourceColor* GetColorTextDisabled() { return GetColor(5); }

 protected:
  void InitializeResources() override;
};

class TZCLStyleHatch : public TZCLStyle {
  ZCL_CLASS(TZCLStyleHatch, TZCLStyle)
 public:
  using TZCLStyle::TZCLStyle;
  static void DeclareProperties(TClassDeclaration<TZCLStyleHatch>& D);
  TZCLResourceColor* GetColorBorder() { return GetColor(0); }
  TZCLResourceColor* GetColorContent1() { return GetColor(1); }
  TZCLResourceColor* GetColorContent2() { return GetColor(2); }
  // A checkerboard of the two content colours in cells aligned to the origin, then a frame.
  void DrawHatch(TCanvas* Canvas, const TRect& Rect, TZCLBorders Borders, Integer CellSize);
  void Draw(TCanvas* Canvas, const TRect& Rect, Integer CellSize) { DrawHatch(Canvas, Rect, {}, CellSize); }

 protected:
  void InitializeResources() override;
};

// ---- shared services --------------------------------------------------------------------------

// Polls the hovered controls every 50 ms while any is hovered; adding one calls its MouseEnter,
// one that answers IsMouseAtControl false is dropped and gets MouseLeave.
class TZCLMouseTracker : public TZCLTimerListOf<IZCLMouseTracking*> {
 public:
  TZCLMouseTracker();
  static TZCLMouseTracker* Instance();
  // Removes the object without calling MouseLeave (it is going away); nothing when no tracker exists.
  static void Forget(IZCLMouseTracking* Object);
  static void Finalize();

 protected:
  void DoAdding(IZCLMouseTracking* const& Item) override;
  void DoTimerItem(IZCLMouseTracking* const& Item) override;
};

// Popup menu loops running (the menus keep the count); hints and the stay-on-top check keep still
// meanwhile.
class TZCLMenuLoop {
 public:
  static void Enter() { ++FCount; }
  static void Leave() {
    if (FCount > 0) --FCount;
  }
  static bool IsActive() { return FCount > 0; }

 private:
  static inline Integer FCount = 0;
};

// Lines scrolled per wheel notch: plain, with Alt, with Ctrl; 0 or less means the system's.
class TZCLMouseWheel {
 public:
  static Integer GetScrollLines(TShiftState Shift);
  static inline Integer LinesDefault = 1;
  static inline Integer LinesAlt = 2;
  static inline Integer LinesCtrl = 4;
};

// Lays out Parent's aligned children (Rect: the adjusted client rectangle) ordered by Align,
// then AlignOrder, then position toward their edge.
void ZCLOrderedAlign(TWinControl* Parent, TRect& Rect);
// The AlignOrder of a control through its published property; 0 when it has none.
Integer GetControlAlignOrder(TControl* Control);
// The cursor a control shows at a client point (IZCLCursorProvider, else its Cursor).
TCursor GetControlCursorAt(TControl* Control, const TPoint& Point);
// The shared WM_SETCURSOR answer of controls and forms; false leaves the message to the platform.
bool HandleSetCursor(TWinControl* Control, TMessage& Message);

// The hint window class that replaces the platform's plain one when a control shows a hint
// (set by the hint unit).
extern TClass ZCLHintWindowClass;

// Option objects of controls: setters that report a change kind when the value differs.
class TZCLCustomOptionsPersistent : public TZCLLockablePersistent {
  ZCL_CLASS(TZCLCustomOptionsPersistent, TZCLLockablePersistent)
 public:
  using TZCLLockablePersistent::TZCLLockablePersistent;

 protected:
  void SetBooleanField(bool& Field, bool Value, TZCLPersistentChanges Change);
  void SetIntegerField(Integer& Field, Integer Value, TZCLPersistentChanges Change);
  // Any difference counts, NaN on either side included.
  void SetSingleField(Single& Field, Single Value, TZCLPersistentChanges Change);
  void DoChanged(TZCLPersistentChanges) override {}
};

using TZCLGetHintEvent = TDelegate<void(TObject* Sender, Integer X, Integer Y, String& Hint)>;
// A handler that sets AHandled replaces the default drawing of R.
using TZCLCustomDrawEvent = TDelegate<void(TObject* Sender, TCanvas* ACanvas, const TRect& R, bool& AHandled)>;
using TZCLAlignControlsEvent = TDelegate<void(TObject* Sender, TRect& Rect)>;

// ---- graphic control --------------------------------------------------------------------------

class TZCLGraphicControl : public TGraphicControl,
                           public IZCLControl,
                           public IZCLMouseTracking,
                           public IZCLColorSchema,
                           public IZCLResourceCollection,
                           public IZCLResourceChangeListener,
                           public IZCLObjectLinksSupport {
  ZCL_CLASS(TZCLGraphicControl, TGraphicControl)
  RTL_INTERFACES(TGraphicControl, IZCLControl, IZCLMouseTracking, IZCLColorSchema, IZCLResourceCollection,
                 IZCLResourceChangeListener, IZCLObjectLinksSupport)
  VCL_MESSAGES()
 public:
  explicit TZCLGraphicControl(TComponent* AOwner);
  ~TZCLGraphicControl() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLGraphicControl>& D);

  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  void AdjustSize() override;
  void Loaded() override;

  Integer GetAlignOrder() const { return FAlignOrder; }
  void SetAlignOrder(Integer Value);
  TZCLMargins* GetMargins() const { return FMargins; }
  void SetMargins(TZCLMargins* Value) { FMargins->Assign(Value); }
  bool IsMarginsStored() const { return FMargins->IsStored(); }
  TZCLCustomResourceCollection* GetResourceCollection() const { return FResourceCollection; }
  void SetResourceCollection(TZCLCustomResourceCollection* Value);
  bool GetMouseInControl() const { return FMouseInControl; }

  // IZCLControl
  Integer GetCurrentDpi() override { return GetCurrentPPI(); }
  bool IsControlEnabled() override { return GetEnabled(); }
  void InvalidateRect(const TRect& Rect) override;
  void UpdateControl() override { Update(); }
  TPoint ControlClientToScreen(const TPoint& Point) override { return ClientToScreen(Point); }
  TPoint ControlScreenToClient(const TPoint& Point) override { return ScreenToClient(Point); }
  // IZCLMouseTracking
  bool IsMouseAtControl() override;
  void MouseEnter() override;
  void MouseLeave() override;
  // IZCLColorSchema
  void ApplyColorSchema(const TZCLColorSchema& Schema) override;
  // IZCLResourceCollection
  TZCLCustomResourceCollection* GetCollection() override { return FResourceCollection; }
  // IZCLResourceChangeListener
  void ResourceChanged(TObject* Sender, TZCLResource* Resource) override;

  TNotifyEvent OnBoundsChanged;
  TZCLGetHintEvent OnGetHint;

 protected:
  virtual void BoundsChanged();
  virtual void DoGetHint(const TPoint& Point, String& Hint);
  virtual void SetTargetDPI(Integer) {}
  virtual void UpdateState() {}
  virtual void ResourceChanged();
  virtual void ResourceCollectionChanged();
  void Resize() override;
  void ChangeScale(Integer M, Integer D, bool IsDpiChange = false) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Pushes Margins at the current DPI into the platform's margins.
  void UpdateMargins();

  void WMMouseMove(TMessage& Message);
  void CMHintShow(TMessage& Message);
  void CMTextChanged(TMessage& Message);
  void CMFontChanged(TMessage& Message);

 private:
  void MarginsChanged(TObject* Sender);
  Integer FAlignOrder = 0;
  TZCLMargins* FMargins;
  TZCLCustomResourceCollection* FResourceCollection = nullptr;
  bool FMouseInControl = false;
};

// ---- windowed controls ------------------------------------------------------------------------

// A custom control that reports its DPI and brackets its own scaling.
class TCustomScalableControl : public TCustomControl, public IZCLCurrentDpi {
  ZCL_CLASS(TCustomScalableControl, TCustomControl)
  RTL_INTERFACES(TCustomControl, IZCLCurrentDpi)
 public:
  using TCustomControl::TCustomControl;
  Integer GetCurrentDpi() override { return GetCurrentPPI(); }
  void ScaleForPPI(Integer NewPPI) override;
};

class TZCLCustomControl : public TCustomScalableControl,
                          public IZCLControl,
                          public IZCLMouseTracking,
                          public IZCLColorSchema,
                          public IZCLResourceCollection,
                          public IZCLResourceChangeListener,
                          public IZCLObjectLinksSupport,
                          public IZCLLocalizableComponent,
                          public IZCLFocusableControl {
  ZCL_CLASS(TZCLCustomControl, TCustomScalableControl)
  RTL_INTERFACES(TCustomScalableControl, IZCLControl, IZCLMouseTracking, IZCLColorSchema, IZCLResourceCollection,
                 IZCLResourceChangeListener, IZCLObjectLinksSupport, IZCLLocalizableComponent, IZCLFocusableControl)
  VCL_MESSAGES()
 public:
  explicit TZCLCustomControl(TComponent* AOwner);
  ~TZCLCustomControl() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLCustomControl>& D);

  void AdjustSize() override;
  void AdjustClientRect(TRect& Rect) override;
  TRect GetClientRect() const override;
  void Invalidate() override;
  void Loaded() override;

  Integer GetAlignOrder() const { return FAlignOrder; }
  void SetAlignOrder(Integer Value);
  TZCLMargins* GetMargins() const { return FMargins; }
  void SetMargins(TZCLMargins* Value) { FMargins->Assign(Value); }
  bool IsMarginsStored() const { return FMargins->IsStored(); }
  TZCLPadding* GetPadding() const { return FPadding; }
  void SetPadding(TZCLPadding* Value) { FPadding->Assign(Value); }
  TZCLCustomResourceCollection* GetResourceCollection() const { return FResourceCollection; }
  void SetResourceCollection(TZCLCustomResourceCollection* Value);
  bool GetTransparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  bool GetFocusOnClick() const { return FFocusOnClick; }
  void SetFocusOnClick(bool Value) { FFocusOnClick = Value; }
  bool GetMouseInControl() const { return FMouseInControl; }
  // A DPI change is in progress (inside the bracket, or the platform is scaling).
  bool IsScaleChanging() const { return FScaleChangeCount > 0 || IsScaling(); }
  // Layout, size, state and repaint again (not while loading or destroying).
  void FullRefresh();
  // Shows the cursor again for the current mouse position.
  void UpdateCursor();

  // IZCLControl
  Integer GetCurrentDpi() override { return GetCurrentPPI(); }
  bool IsControlEnabled() override { return GetEnabled(); }
  void InvalidateRect(const TRect& Rect) override;
  void UpdateControl() override { Update(); }
  TPoint ControlClientToScreen(const TPoint& Point) override { return ClientToScreen(Point); }
  TPoint ControlScreenToClient(const TPoint& Point) override { return ScreenToClient(Point); }
  // IZCLMouseTracking
  bool IsMouseAtControl() override;
  void MouseEnter() override;
  void MouseLeave() override;
  // IZCLColorSchema
  void ApplyColorSchema(const TZCLColorSchema& Schema) override;
  // IZCLResourceCollection
  TZCLCustomResourceCollection* GetCollection() override { return FResourceCollection; }
  // IZCLResourceChangeListener
  void ResourceChanged(TObject* Sender, TZCLResource* Resource) override;
  // IZCLLocalizableComponent
  void Localize(const String&, const String&) override {}
  // IZCLFocusableControl
  bool CanFocus() override { return TCustomScalableControl::CanFocus(); }
  void SetFocus() override { TCustomScalableControl::SetFocus(); }

  TNotifyEvent OnBoundsChanged;
  TZCLGetHintEvent OnGetHint;

 protected:
  virtual void BoundsChanged();
  virtual TZCLPadding* CreatePadding();
  virtual bool DialogChar(TMessage&) { return false; }
  // Space the control keeps for itself inside its client area (borders).
  virtual TRect GetContentOffset() { return TRect(0, 0, 0, 0); }
  virtual void UpdateState() {}
  virtual void DoGetHint(const TPoint& Point, String& Hint);
  virtual void DoLoaded() {}
  virtual void FocusChanged() {}
  virtual void SetFocusOnClickNow();
  virtual void SetTargetDPI(Integer) {}
  virtual void UpdateTransparency();
  virtual bool MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint& MousePos);
  virtual void ResourceChanged();
  virtual void ResourceCollectionChanged();

  void AlignControls(TControl* AControl, TRect& Rect) override;
  void ChangeScale(Integer M, Integer D, bool IsDpiChange = false) override;
  void Paint() override;
  void PaintWindow(HDC DC) override;
  void Resize() override;
  void WndProc(TMessage& Message) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void UpdateMargins();

  void WMEraseBkgnd(TMessage& Message);
  void WMSize(TMessage& Message);
  void WMSetFocus(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  void WMMouseMove(TMessage& Message);
  void WMMouseHWheel(TMessage& Message);
  void CMHintShow(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMDialogChar(TMessage& Message);
  void CMScaleChanging(TMessage& Message);
  void CMScaleChanged(TMessage& Message);

 private:
  void MarginsChanged(TObject* Sender);
  void PaddingChanged(TObject* Sender);
  Integer FAlignOrder = 0;
  TZCLMargins* FMargins;
  TZCLPadding* FPadding = nullptr;
  TZCLCustomResourceCollection* FResourceCollection = nullptr;
  bool FTransparent = false;
  bool FFocusOnClick = false;
  bool FMouseInControl = false;
  Integer FScaleChangeCount = 0;
  bool FSavedAutoSize = false;
};

// A windowed control with a background style and border lines.
class TZCLContainer : public TZCLCustomControl {
  ZCL_CLASS(TZCLContainer, TZCLCustomControl)
  VCL_MESSAGES()
 public:
  explicit TZCLContainer(TComponent* AOwner);
  ~TZCLContainer() override;
  void AfterConstruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLContainer>& D);

  TZCLStyleBackground* GetStyle() const { return FStyle; }
  void SetStyle(TZCLStyleBackground* Value) { FStyle->Assign(Value); }
  TZCLBorders GetBorders() const { return FBorders; }
  void SetBorders(TZCLBorders Value);
  void SetAutoSize(bool Value) override;

  TZCLAlignControlsEvent OnAlignControls;

 protected:
  virtual TZCLStyleBackground* CreateStyle();
  TRect GetContentOffset() override;
  void SetTargetDPI(Integer DPI) override;
  void UpdateTransparency() override;
  void Paint() override;
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void CMShowingChanged(TMessage& Message);

 private:
  TZCLStyleBackground* FStyle = nullptr;
  TZCLBorders FBorders{mLeft, mTop, mRight, mBottom};
};

void RegisterBaseControlClasses();
