#pragma once
// Controls: TControl (windowless, painted on its parent and hit-tested by it), TWinControl (a
// window with children, focus and tab order), TGraphicControl and TCustomControl (a canvas and
// Paint), TScrollingWinControl; margins, padding and size constraints; message dispatch through
// a handler table per class; alignment, anchors, auto-size and scaling; painting of windowless
// children by their parent; mouse, keyboard and focus at the control level; hint information.
//
// Coordinates: Left/Top/BoundsRect are in the parent's client coordinates; a control without a
// parent keeps them in screen coordinates (a top-level window). Client coordinates of a
// windowless control start at its own top-left.
//
// UI thread only. Messages reach a control through Perform (or its window procedure), run
// through WindowProc (WndProc by default) and Dispatch, which calls the handler the control's
// class (or the nearest ancestor class) registered for the number, else DefaultHandler.
//
// Keys: WM_KEYDOWN, WM_SYSKEYDOWN, WM_CHAR and WM_SYSCHAR reaching a control's window are first
// offered to the control as CN_KEYDOWN, CN_SYSKEYDOWN, CN_CHAR and CN_SYSCHAR: menu keys
// (IsShortCut of the root control, the popup menu), CM_CHILDKEY up the parents, then Tab, the
// arrows, Enter and Escape as CM_DIALOGKEY to the root control unless the control claims them
// (CM_WANTSPECIALKEY or WM_GETDLGCODE), and characters as CM_DIALOGCHAR (accelerators) unless
// the control wants characters. What is left reaches KeyDown/KeyPress (after the root's
// KeyPreview). The message loop therefore sends no CN_* messages itself.

#include <vector>

#include "os/OS.Input.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Set.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.Messages.h"

class TControl;
class TWinControl;
// Written by the forms unit (VCL.Forms): the form, and the form a control sits on.
class TCustomForm;
TCustomForm* GetParentForm(TControl* Control, bool TopForm = true);
// Written by the action and menu units.
class TBasicAction;
class TPopupMenu;

// ---- enumerations and small types -------------------------------------------------------------

enum TAlign : Byte { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
ZCL_ENUM(TAlign, alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom);
using TAlignSet = TSet<TAlign>;

enum TAnchorKind : Byte { akLeft, akTop, akRight, akBottom };
ZCL_ENUM(TAnchorKind, akLeft, akTop, akRight, akBottom);
using TAnchors = TSet<TAnchorKind>;
inline constexpr TAnchors AnchorAlign[] = {
    {akLeft, akTop},                     // alNone
    {akLeft, akTop, akRight},            // alTop
    {akLeft, akRight, akBottom},         // alBottom
    {akLeft, akTop, akBottom},           // alLeft
    {akRight, akTop, akBottom},          // alRight
    {akLeft, akTop, akRight, akBottom},  // alClient
    {akLeft, akTop},                     // alCustom
};

enum TShiftStateItem : Byte { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble, ssTouch, ssPen, ssCommand };
ZCL_ENUM(TShiftStateItem, ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble, ssTouch, ssPen, ssCommand);
using TShiftState = TSet<TShiftStateItem>;

// The mouse buttons are the window layer's TMouseButton; these read as the platform's names.
inline constexpr TMouseButton mbLeft = TMouseButton::Left;
inline constexpr TMouseButton mbRight = TMouseButton::Right;
inline constexpr TMouseButton mbMiddle = TMouseButton::Middle;

enum TMouseWheelDirection : Byte { mwdUp, mwdDown };

// Scroll bars: the request a scroll event carries, and the bar's direction.
enum TScrollCode : Byte { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
enum TScrollBarKind : Byte { sbHorizontal, sbVertical };
ZCL_ENUM(TScrollBarKind, sbHorizontal, sbVertical);

enum TControlStyleItem : Byte {
  csAcceptsControls,
  csCaptureMouse,
  csDesignInteractive,
  csClickEvents,
  csFramed,
  csSetCaption,
  csOpaque,
  csDoubleClicks,
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,
  csNoStdEvents,
  csDisplayDragImage,
  csReflector,
  csActionClient,
  csMenuEvents,
  csNeedsBorderPaint,
  csParentBackground,
  csPannable,
  csAlignWithMargins,
  csGestures,
  csPaintBlackOpaqueOnGlass,
  csOverrideStylePaint
};
ZCL_ENUM(TControlStyleItem, csAcceptsControls, csCaptureMouse, csDesignInteractive, csClickEvents, csFramed,
         csSetCaption, csOpaque, csDoubleClicks, csFixedWidth, csFixedHeight, csNoDesignVisible, csReplicatable,
         csNoStdEvents, csDisplayDragImage, csReflector, csActionClient, csMenuEvents, csNeedsBorderPaint,
         csParentBackground, csPannable, csAlignWithMargins, csGestures, csPaintBlackOpaqueOnGlass,
         csOverrideStylePaint);
using TControlStyle = TSet<TControlStyleItem>;

enum TControlStateItem : Byte {
  csLButtonDown,
  csClicked,
  csPalette,
  csReadingState,
  csAlignmentNeeded,
  csFocusing,
  csCreating,
  csPaintCopy,
  csCustomPaint,
  csDestroyingHandle,
  csDocking,
  csDesignerHide,
  csPanning,
  csRecreating,
  csAligning,
  csGlassPaint,
  csPrintClient
};
ZCL_ENUM(TControlStateItem, csLButtonDown, csClicked, csPalette, csReadingState, csAlignmentNeeded, csFocusing,
         csCreating, csPaintCopy, csCustomPaint, csDestroyingHandle, csDocking, csDesignerHide, csPanning, csRecreating,
         csAligning, csGlassPaint, csPrintClient);
using TControlState = TSet<TControlStateItem>;

// Cursor numbers: 0 is "whatever the parent or the screen says"; the standard cursors are
// negative; applications register positive ones with the screen.
using TCursor = SmallInt;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crNone = -1;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crCross = -3;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crSizeNESW = -6;
inline constexpr TCursor crSizeNS = -7;
inline constexpr TCursor crSizeNWSE = -8;
inline constexpr TCursor crSizeWE = -9;
inline constexpr TCursor crUpArrow = -10;
inline constexpr TCursor crHourGlass = -11;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crNoDrop = -13;
inline constexpr TCursor crHSplit = -14;
inline constexpr TCursor crVSplit = -15;
inline constexpr TCursor crMultiDrag = -16;
inline constexpr TCursor crSQLWait = -17;
inline constexpr TCursor crNo = -18;
inline constexpr TCursor crAppStart = -19;
inline constexpr TCursor crHelp = -20;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crSizeAll = -22;

// The system cursor shown for a standard cursor number (crDefault is the arrow); null for crNone
// and for numbers that name no standard cursor.
HCURSOR StandardCursorHandle(TCursor Cursor);

// ---- events -----------------------------------------------------------------------------------

using TMouseEvent = TDelegate<void(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y)>;
using TMouseMoveEvent = TDelegate<void(TObject* Sender, TShiftState Shift, Integer X, Integer Y)>;
using TKeyEvent = TDelegate<void(TObject* Sender, Word& Key, TShiftState Shift)>;
using TKeyPressEvent = TDelegate<void(TObject* Sender, Char& Key)>;
// WheelDelta in WHEEL_DELTA units, MousePos in screen coordinates; set Handled to stop.
using TMouseWheelEvent =
    TDelegate<void(TObject* Sender, TShiftState Shift, Integer WheelDelta, TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = TDelegate<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
using TCanResizeEvent = TDelegate<void(TObject* Sender, Integer& NewWidth, Integer& NewHeight, bool& Resize)>;
using TConstrainedResizeEvent =
    TDelegate<void(TObject* Sender, Integer& MinWidth, Integer& MinHeight, Integer& MaxWidth, Integer& MaxHeight)>;
using TContextPopupEvent = TDelegate<void(TObject* Sender, TPoint MousePos, bool& Handled)>;
// A replaceable window procedure (TControl::WindowProc).
using TWndMethod = TDelegate<void(TMessage& Message)>;

// The key state of a mouse or key message as a shift state: MK_* flags and the Alt key.
TShiftState KeysToShiftState(WPARAM Keys);
// The shift state from the modifier keys' state (Shift, Ctrl, Alt).
TShiftState KeyboardStateToShiftState();
// A key message's lParam says whether Alt was down (bit 29).
TShiftState KeyDataToShiftState(LPARAM KeyData);
// The text before the first "|" of a hint, and the text after it (the whole hint without one).
String GetShortHint(const String& Hint);
String GetLongHint(const String& Hint);
// True when Text holds "&" + Key as its accelerator (case ignored; "&&" is a literal "&").
bool IsAccel(Char Key, const String& Text);

// ---- message handler tables -------------------------------------------------------------------

// A handler: the control and the message (its Result is the answer).
using TMessageHandler = void (*)(TObject* Self, TMessage& Message);

// The message handlers one class declares, with a link to its parent class's table. Dispatch
// asks the most derived table first and walks up to the root.
class TMessageTable {
 public:
  struct TEntry {
    UINT Msg;
    TMessageHandler Handler;
  };
  TMessageTable(const TMessageTable* Parent, std::initializer_list<TEntry> Entries);
  const TMessageTable* GetParent() const { return FParent; }
  // The handler of the nearest table (this one, then its ancestors) that has one; null if none.
  TMessageHandler Find(UINT Msg) const;

 private:
  const TMessageTable* FParent;
  std::vector<TEntry> FEntries;  // sorted by Msg
};

namespace detail {
template <class T>
struct TMemberClass;
template <class C>
struct TMemberClass<void (C::*)(TMessage&)> {
  using Type = C;
};
template <auto Method>
void MessageThunk(TObject* Self, TMessage& Message) {
  using C = typename TMemberClass<decltype(Method)>::Type;
  (static_cast<C*>(Self)->*Method)(Message);
}
}  // namespace detail

// An entry of a handler table: VCL_MESSAGE(WM_PAINT, &TWinControl::WMPaint).
#define VCL_MESSAGE(Msg, Method) \
  TMessageTable::TEntry { (Msg), &::detail::MessageThunk<Method> }

// Declares a class's handler table; the .cpp defines MessageTable() with the class's entries:
//   const TMessageTable& TMyControl::MessageTable() {
//     static const TMessageTable table(&inherited::MessageTable(), {VCL_MESSAGE(...), ...});
//     return table;
//   }
// A handler passes a message on to its ancestors' handling with
// InheritedMessage(inherited::MessageTable(), Message).
#define VCL_MESSAGES()                                                               \
 public:                                                                             \
  static const TMessageTable& MessageTable();                                        \
  const TMessageTable& ClassMessageTable() const override { return MessageTable(); } \
                                                                                     \
 private:

// ---- gestures -----------------------------------------------------------------------------------

// Interactive gestures by their platform identifiers.
inline constexpr Integer igiZoom = 259;
inline constexpr Integer igiPan = 260;
inline constexpr Integer igiRotate = 261;
inline constexpr Integer igiTwoFingerTap = 262;
inline constexpr Integer igiPressAndTap = 263;

enum TInteractiveGestureFlag : Byte { gfBegin, gfInertia, gfEnd };
using TInteractiveGestureFlags = TSet<TInteractiveGestureFlag>;

// CM_GESTURE's LParam. Location is in screen coordinates; Distance is the zoom distance, Angle the
// rotation (radians), InertiaVector the pan's speed while Flags has gfInertia.
struct TGestureEventInfo {
  Integer GestureID = 0;
  TPoint Location;
  TInteractiveGestureFlags Flags;
  Integer Distance = 0;
  double Angle = 0;
  TPoint InertiaVector;
  TPoint TapLocation;
};

using TGestureEvent = TDelegate<void(TObject* Sender, const TGestureEventInfo& EventInfo, bool& Handled)>;

// ---- hint information -------------------------------------------------------------------------

// CM_HINTSHOW's LParam: what the application is about to show; a control may change any of it
// and answer non-zero to show no hint at all.
struct THintInfo {
  TControl* HintControl = nullptr;
  TClass HintWindowClass = nullptr;  // the hint window class to use (a THintWindow descendant)
  TPoint HintPos;                    // screen coordinates of the hint window's top-left
  Integer HintMaxWidth = 0;
  TColor HintColor = clInfoBk;
  TRect CursorRect;           // client coordinates of HintControl: leaving it hides the hint
  TPoint CursorPos;           // client coordinates of HintControl
  Integer ReshowTimeout = 0;  // ms; non-zero: ask again after that time
  Integer HideTimeout = 0;    // ms; 0: the application's HintHidePause
  String HintStr;
  void* HintData = nullptr;
};

// ---- margins, padding and constraints ---------------------------------------------------------

// Four spacings around (margins) or inside (padding) a control, in pixels of the control's
// current PPI.
class TMargins : public TPersistent {
  ZCL_CLASS(TMargins, TPersistent)
 public:
  explicit TMargins(TControl* Control = nullptr) : FControl(Control) {}
  void Assign(TPersistent* Source) override;
  static void DeclareProperties(TClassDeclaration<TMargins>& D);

  TControl* GetControl() const { return FControl; }
  Integer GetLeft() const { return FLeft; }
  void SetLeft(Integer Value) { SetMargin(FLeft, Value); }
  Integer GetTop() const { return FTop; }
  void SetTop(Integer Value) { SetMargin(FTop, Value); }
  Integer GetRight() const { return FRight; }
  void SetRight(Integer Value) { SetMargin(FRight, Value); }
  Integer GetBottom() const { return FBottom; }
  void SetBottom(Integer Value) { SetMargin(FBottom, Value); }
  void SetBounds(Integer ALeft, Integer ATop, Integer ARight, Integer ABottom);
  // The default of every side (3 for margins, 0 for padding).
  virtual Integer DefaultValue() const { return 3; }
  bool IsDefault() const;

  // Places the control in the rectangle (parent client coordinates): inside its margins when it
  // aligns with margins, else in the whole rectangle. Aligning marks the move as alignment.
  void SetControlBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight, bool Aligning = false);
  void SetControlBounds(const TRect& R, bool Aligning = false);
  // The control's bounds grown by its margins (when it aligns with them).
  TRect ExplicitBounds(const TRect& R) const;
  // Multiplies every side by M / D (rounded).
  void Scale(Integer M, Integer D);

  TNotifyEvent OnChange;

 protected:
  void InitDefaults();
  virtual void Change();

 private:
  void SetMargin(Integer& Field, Integer Value);
  TControl* FControl;
  Integer FLeft = 0;
  Integer FTop = 0;
  Integer FRight = 0;
  Integer FBottom = 0;
  bool FDefaultsSet = false;
  friend class TControl;
  friend class TWinControl;
};

class TPadding : public TMargins {
  ZCL_CLASS(TPadding, TMargins)
 public:
  using TMargins::TMargins;
  Integer DefaultValue() const override { return 0; }
};

// Minimum and maximum size of a control; 0 means no limit.
class TSizeConstraints : public TPersistent {
  ZCL_CLASS(TSizeConstraints, TPersistent)
 public:
  explicit TSizeConstraints(TControl* Control = nullptr) : FControl(Control) {}
  void Assign(TPersistent* Source) override;
  static void DeclareProperties(TClassDeclaration<TSizeConstraints>& D);

  TControl* GetControl() const { return FControl; }
  Integer GetMinWidth() const { return FMinWidth; }
  void SetMinWidth(Integer Value);
  Integer GetMinHeight() const { return FMinHeight; }
  void SetMinHeight(Integer Value);
  // Setting a maximum below the minimum lowers the minimum; setting a minimum above the
  // maximum raises the maximum.
  Integer GetMaxWidth() const { return FMaxWidth; }
  void SetMaxWidth(Integer Value);
  Integer GetMaxHeight() const { return FMaxHeight; }
  void SetMaxHeight(Integer Value);
  // Applies the limits to a size.
  void Constrain(Integer& Width, Integer& Height) const;
  void Scale(Integer M, Integer D);

  TNotifyEvent OnChange;

 protected:
  virtual void Change();

 private:
  TControl* FControl;
  Integer FMinWidth = 0;
  Integer FMinHeight = 0;
  Integer FMaxWidth = 0;
  Integer FMaxHeight = 0;
};

// A canvas on a control's device context, made when first drawn on and released after each
// Paint (a windowless control draws on its parent's window, offset and clipped to itself).
class TControlCanvas : public TCanvas {
  ZCL_CLASS(TControlCanvas, TCanvas)
 public:
  TControlCanvas() = default;
  ~TControlCanvas() override;
  TControl* GetControl() const { return FControl; }
  void SetControl(TControl* Value);
  // Releases a device context the canvas made itself (one given through SetHandle is only
  // detached).
  void FreeHandle();

 protected:
  void CreateHandle() override;

 private:
  TControl* FControl = nullptr;
  HDC FDeviceContext = nullptr;
  HWND FWindowHandle = nullptr;
};

// Menus are passed as the TComponent they are (TPopupMenu is incomplete here).
// Services a higher unit provides to the controls (the forms, action and menu units set them
// from their unit initialisation). Unset members fall back to the behaviour noted.
struct TControlHooks {
  // The screen's cursor table (default: the window layer's standard cursors, null for others).
  HCURSOR (*CursorHandle)(TCursor Cursor) = nullptr;
  // The screen's Cursor, which overrides every control's while not crDefault (default crDefault).
  TCursor (*ScreenCursor)() = nullptr;
  // Whether the popup menu takes the key message as its shortcut (default: no).
  bool (*PopupMenuIsShortCut)(TComponent* Menu, TMessage& Message) = nullptr;
  // Shows a control's popup menu at a screen point; false when it has none to show.
  bool (*PopupMenuPopup)(TControl* Control, TComponent* Menu, TPoint ScreenPoint) = nullptr;
  // The action link: made for a control when its Action is set (null Action frees it), asked to
  // run the action on Click, to change the hint text and to update; ActionOfLink reads it back.
  TObject* (*CreateActionLink)(TControl* Control, TBasicAction* Action) = nullptr;
  TBasicAction* (*ActionOfLink)(TObject* Link) = nullptr;
  bool (*ExecuteActionLink)(TObject* Link, TControl* Control) = nullptr;
  bool (*ActionLinkShowHint)(TObject* Link, String& HintStr) = nullptr;
  bool (*UpdateActionLink)(TObject* Link) = nullptr;
  // Told before a control is destroyed, so that application-wide references to it go.
  void (*ControlDestroying)(TControl* Control) = nullptr;
  // Every mouse message a control handles (the application's hint machinery watches them).
  void (*HintMouseMessage)(TControl* Control, TMessage& Message) = nullptr;
  // An exception escaped a window procedure (default: its message goes to stderr).
  void (*HandleException)(TObject* Sender) = nullptr;
};
TControlHooks& ControlHooks();

// ---- TControl ---------------------------------------------------------------------------------

class TControl : public TComponent {
  ZCL_CLASS(TControl, TComponent)
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TControl>& D);

  // Messages.
  static const TMessageTable& MessageTable();
  virtual const TMessageTable& ClassMessageTable() const { return MessageTable(); }
  // Runs the message through WindowProc at once and returns its Result.
  LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
  // Calls the handler of the message's number, from the most derived class up; DefaultHandler
  // when no class has one.
  virtual void Dispatch(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);
  // The handling a handler inherits: dispatch from an ancestor's table (or DefaultHandler).
  void InheritedMessage(const TMessageTable& From, TMessage& Message);
  // The procedure every message runs through; WndProc unless replaced (subclassing at the
  // control level: keep the old value and call it from the new one).
  TWndMethod WindowProc;

  // Parent and place.
  TWinControl* GetParent() const { return FParent; }
  // The new parent validates the control (ValidateInsert) and takes it; a parent inside this
  // control raises EInvalidOperation. A control joining a parent at another PPI is scaled to it.
  virtual void SetParent(TWinControl* AParent);
  TComponent* GetParentComponent() const override;
  bool HasParent() const override { return true; }
  void SetParentComponent(TComponent* Value) override;
  Integer GetLeft() const { return FLeft; }
  void SetLeft(Integer Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  Integer GetTop() const { return FTop; }
  void SetTop(Integer Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  Integer GetWidth() const { return FWidth; }
  void SetWidth(Integer Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  Integer GetHeight() const { return FHeight; }
  void SetHeight(Integer Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  TRect GetBoundsRect() const { return TRect(FLeft, FTop, FLeft + FWidth, FTop + FHeight); }
  void SetBoundsRect(const TRect& R) { SetBounds(R.Left, R.Top, R.Width(), R.Height()); }
  // Moves and sizes the control: the size goes through auto-size, CanResize and the
  // constraints; the parent re-aligns; anchors are recorded anew unless the move is an
  // alignment or the anchor-move flag is set.
  virtual void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight);
  // (0, 0, ClientWidth, ClientHeight).
  virtual TRect GetClientRect() const;
  Integer GetClientWidth() const { return GetClientRect().Width(); }
  void SetClientWidth(Integer Value) { SetClientSize(TPoint(Value, GetClientHeight())); }
  Integer GetClientHeight() const { return GetClientRect().Height(); }
  void SetClientHeight(Integer Value) { SetClientSize(TPoint(GetClientWidth(), Value)); }
  // The screen position of the client area's top-left.
  virtual TPoint GetClientOrigin() const;
  TPoint ClientToScreen(TPoint Point) const;
  TPoint ScreenToClient(TPoint Point) const;
  TRect ClientToScreen(const TRect& R) const;
  TRect ScreenToClient(const TRect& R) const;
  // From this control's client coordinates to AParent's (default: the parent's).
  TPoint ClientToParent(TPoint Point, TWinControl* AParent = nullptr) const;
  TPoint ParentToClient(TPoint Point, TWinControl* AParent = nullptr) const;

  // Visibility and state.
  bool GetVisible() const { return FVisible; }
  void SetVisible(bool Value);
  void Show();
  void Hide() { SetVisible(false); }
  // Visible with every parent up to a top-level window that is showing.
  bool IsVisibleOnScreen() const;
  virtual bool GetEnabled() const { return FEnabled; }
  virtual void SetEnabled(bool Value);
  TControlStyle GetControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle Value) { FControlStyle = Value; }
  TControlState GetControlState() const { return FControlState; }
  void SetControlState(TControlState Value) { FControlState = Value; }

  // Text, hint, font, colour, cursor.
  String GetText() const { return GetTextValue(); }
  void SetText(const String& Value);
  String GetCaption() const { return GetTextValue(); }
  void SetCaption(const String& Value) { SetText(Value); }
  String GetHint() const { return FHint; }
  void SetHint(const String& Value) { FHint = Value; }
  bool GetShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  bool GetParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool Value);
  TFont* GetFont() const { return FFont; }
  void SetFont(TFont* Value);
  bool GetParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  TColor GetColor() const { return FColor; }
  void SetColor(TColor Value);
  bool GetParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TCursor GetCursor() const { return FCursor; }
  void SetCursor(TCursor Value);

  // Popup menu and action (objects of the menu and action units; not owned).
  template <class M = TPopupMenu>
  M* GetPopupMenu() const {
    return static_cast<M*>(FPopupMenu);
  }
  template <class M>
  void SetPopupMenu(M* Value) {
    SetPopupMenuComponent(Value);
  }
  TComponent* GetPopupMenuComponent() const { return FPopupMenu; }
  void SetPopupMenuComponent(TComponent* Value);
  // The action (through its link, see TControlHooks); null without one.
  TBasicAction* GetAction() const;
  virtual void SetAction(TBasicAction* Value);
  // The link object the action unit made (owned by the control).
  TObject* GetActionLink() const { return FActionLink; }
  // Lets the action update the control (called before the control is shown or used).
  virtual void InitiateAction();

  // Layout.
  TAlign GetAlign() const { return FAlign; }
  void SetAlign(TAlign Value);
  bool GetAlignWithMargins() const { return FAlignWithMargins; }
  void SetAlignWithMargins(bool Value);
  TMargins* GetMargins() const { return FMargins; }
  void SetMargins(TMargins* Value) { FMargins->Assign(Value); }
  TAnchors GetAnchors() const { return FAnchors; }
  void SetAnchors(TAnchors Value);
  TSizeConstraints* GetConstraints() const { return FConstraints; }
  void SetConstraints(TSizeConstraints* Value) { FConstraints->Assign(Value); }
  bool GetAutoSize() const { return FAutoSize; }
  virtual void SetAutoSize(bool Value);
  // While set, moves do not record the control's anchor reference (used around scaling).
  bool GetAnchorMove() const { return FAnchorMove; }
  void SetAnchorMove(bool Value) { FAnchorMove = Value; }
  // Records the current bounds and the parent's client size as the reference anchors keep.
  void UpdateAnchorRules();
  // Resizes to the content when AutoSize is on (SetBounds with the current bounds).
  virtual void AdjustSize();
  // Whether the control can take the size it answers (NewWidth/NewHeight in, adjusted out).
  virtual bool CanAutoSize(Integer& NewWidth, Integer& NewHeight);
  // The bounds the control had before alignment moved it (what it goes back to at alNone).
  TRect GetExplicitBounds() const {
    return TRect(FExplicitLeft, FExplicitTop, FExplicitLeft + FExplicitWidth, FExplicitTop + FExplicitHeight);
  }
  void BringToFront() { SetZOrder(true); }
  void SendToBack() { SetZOrder(false); }
  virtual void SetZOrder(bool TopMost);

  // Scaling. CurrentPPI is the resolution the control's sizes are at (96 until scaled).
  Integer GetCurrentPPI() const { return FCurrentPPI; }
  // Scales the control (and children) from CurrentPPI to NewPPI.
  virtual void ScaleForPPI(Integer NewPPI);
  // A 96-DPI value at the control's current PPI (rounded).
  Integer ScaleValue(Integer Value) const;
  TSize ScaleValue(TSize Value) const { return TSize(ScaleValue(Value.cx), ScaleValue(Value.cy)); }
  TRect ScaleValue(const TRect& Value) const;
  // True while ChangeScale runs on this control.
  bool IsScaling() const { return FScaling; }

  // Painting.
  virtual void Invalidate();
  // Invalidates R (client coordinates; null: all) where the control is drawn.
  virtual void InvalidateControlRect(const TRect* R, bool Erase = true);
  // Paints what is invalid now.
  virtual void Update();
  // Invalidate and Update.
  virtual void Repaint();
  void Refresh() { Repaint(); }
  // The device context the control draws on (its window's, or its parent's moved to its
  // top-left); WindowHandle receives the window; release with ReleaseDC(WindowHandle, DC).
  virtual HDC GetDeviceContext(HWND& WindowHandle);

  // Mouse and keyboard.
  // Fires OnClick (or runs the action when OnClick is not assigned).
  virtual void Click();
  // Whether the control hits at P (client coordinates); CM_HITTEST answers it.
  virtual bool HitTest(TPoint P);
  bool MouseInClient() const { return FMouseInClient; }
  // The wheel: DoMouseWheel fires OnMouseWheel, then DoMouseWheelDown/Up per direction.
  virtual bool DoMouseWheel(TShiftState Shift, Integer WheelDelta, TPoint MousePos);

  void Loaded() override;
  // A caption that still shows the old name follows the new one.
  void SetName(const TComponentName& NewName) override;

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TGestureEvent OnGesture;
  TMouseEvent OnMouseDown;
  TMouseMoveEvent OnMouseMove;
  TMouseEvent OnMouseUp;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelDown;
  TMouseWheelUpDownEvent OnMouseWheelUp;
  TNotifyEvent OnResize;
  TCanResizeEvent OnCanResize;
  TConstrainedResizeEvent OnConstrainedResize;
  TContextPopupEvent OnContextPopup;

 protected:
  friend class TWinControl;
  friend class TMargins;
  friend class TSizeConstraints;
  friend class TControlCanvas;

  virtual void WndProc(TMessage& Message);
  // Runs the handler of Message from Table (or DefaultHandler).
  void DispatchFrom(const TMessageTable* Table, TMessage& Message);

  // Bounds.
  // The actual move; no checks. Subclasses with a window move it.
  virtual void UpdateBoundsRect(const TRect& R);
  virtual bool CanResize(Integer& NewWidth, Integer& NewHeight);
  virtual void ConstrainedResize(Integer& MinWidth, Integer& MinHeight, Integer& MaxWidth, Integer& MaxHeight);
  virtual void Resize();
  virtual void RequestAlign();
  // The control's auto-size step inside SetBounds.
  virtual void DoAdjustSize();
  void SetClientSize(TPoint Value);
  bool DoCanAutoSize(Integer& NewWidth, Integer& NewHeight);
  bool DoCanResize(Integer& NewWidth, Integer& NewHeight);
  void DoConstrainedResize(Integer& NewWidth, Integer& NewHeight);
  virtual void ConstraintsChanged(TObject* Sender);
  virtual void MarginsChanged(TObject* Sender);
  // Whether the control takes part in its parent's alignment as an aligned control.
  bool IsAligned() const { return FAlign != alNone || !(FAnchors == TAnchors{akLeft, akTop}); }

  // Scaling: multiplies bounds, margins, constraints and the font by M / D.
  virtual void ChangeScale(Integer M, Integer D, bool IsDpiChange = false);
  virtual void ScaleControl(Integer M, Integer D);
  virtual void ScaleConstraints(Integer M, Integer D);
  virtual void ScaleMargins(Integer M, Integer D);
  virtual void ScaleFont(Integer M, Integer D);

  // Text storage (windowed controls also keep the window's text).
  virtual String GetTextValue() const { return FText; }
  virtual void SetTextValue(const String& Value);
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void SetChildOrder(TComponent* Child, Integer Order) override;

  // Events.
  virtual void DblClick();
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  virtual void MouseMove(TShiftState Shift, Integer X, Integer Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
  virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
  virtual void DoContextPopup(TPoint MousePos, bool& Handled);
  // A gesture over the control: OnGesture; one left unhandled goes on to the parent.
  virtual void DoGesture(const TGestureEventInfo& EventInfo, bool& Handled);
  virtual void ActionChange(TObject* Sender, bool CheckDefaults);
  virtual void VisibleChanging() {}
  virtual void Changed();
  void FontChanged(TObject* Sender);
  // Whether the mouse is over the control (from CM_MOUSEENTER and CM_MOUSELEAVE).
  void SetMouseInClient(bool Value) { FMouseInClient = Value; }

  // Handlers (each takes the message and sets Result).
  void WMLButtonDown(TMessage& Message);
  void WMLButtonDblClk(TMessage& Message);
  void WMLButtonUp(TMessage& Message);
  void WMRButtonDown(TMessage& Message);
  void WMRButtonDblClk(TMessage& Message);
  void WMRButtonUp(TMessage& Message);
  void WMMButtonDown(TMessage& Message);
  void WMMButtonDblClk(TMessage& Message);
  void WMMButtonUp(TMessage& Message);
  void WMMouseMove(TMessage& Message);
  void WMMouseWheel(TMessage& Message);
  void WMCancelMode(TMessage& Message);
  void WMContextMenu(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMVisibleChanged(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  void CMColorChanged(TMessage& Message);
  void CMParentFontChanged(TMessage& Message);
  void CMParentColorChanged(TMessage& Message);
  void CMParentShowHintChanged(TMessage& Message);
  void CMTextChanged(TMessage& Message);
  void CMHitTest(TMessage& Message);
  void CMMouseEnter(TMessage& Message);
  void CMMouseLeave(TMessage& Message);
  void CMMouseWheel(TMessage& Message);
  void CMHintShow(TMessage& Message);
  void CMDesignHitTest(TMessage& Message);
  void CMGesture(TMessage& Message);

  TWinControl* FParent = nullptr;
  Integer FLeft = 0;
  Integer FTop = 0;
  Integer FWidth = 0;
  Integer FHeight = 0;
  TControlStyle FControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  TControlState FControlState;
  bool FVisible = true;
  bool FEnabled = true;
  TFont* FFont = nullptr;
  TColor FColor = clWindow;
  TCursor FCursor = crDefault;
  Integer FCurrentPPI = 96;
  bool FScaling = false;

 private:
  void SetMouseCapture(bool Value);
  bool GetMouseCapture() const;
  void DoMouseDown(TMessage& Message, TMouseButton Button, TShiftState Shift);
  void DoMouseUp(TMessage& Message, TMouseButton Button);
  void CheckNewSize(Integer& NewWidth, Integer& NewHeight);
  bool CheckDefaults() const;
  void UpdateExplicitBounds();

  String FText;
  String FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  bool FParentFont = true;
  bool FParentColor = true;
  bool FMouseInClient = false;
  bool FAutoSize = false;
  bool FAnchorMove = false;
  bool FAlignWithMargins = false;
  TAlign FAlign = alNone;
  TAnchors FAnchors{akLeft, akTop};
  // Anchor reference: the bounds and the parent's client size when they were last recorded.
  TPoint FAnchorOrigin;
  TPoint FOriginalParentSize;
  TRect FAnchorRules;
  Integer FExplicitLeft = 0;
  Integer FExplicitTop = 0;
  Integer FExplicitWidth = 0;
  Integer FExplicitHeight = 0;
  TMargins* FMargins = nullptr;
  TSizeConstraints* FConstraints = nullptr;
  TComponent* FPopupMenu = nullptr;
  TObject* FActionLink = nullptr;
  Integer FWheelAccumulator = 0;
  // Set while the parent's font or colour is copied in (the Parent* flags stay on).
  bool FTakingParentValues = false;
};

// ---- TWinControl ------------------------------------------------------------------------------

// What CreateParams fills in for the window a TWinControl makes.
struct TCreateParams {
  String Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  Integer X = 0;
  Integer Y = 0;
  Integer Width = 0;
  Integer Height = 0;
  HWND WndParent = nullptr;
  void* Param = nullptr;
  WNDCLASS WindowClass;
  String WinClassName;
};

class TWinControl : public TControl {
  ZCL_CLASS(TWinControl, TControl)
  VCL_MESSAGES()
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TWinControl>& D);
  // A windowed control placed in a foreign window (no parent control).
  static TWinControl* CreateParented(TClass ControlClass, HWND ParentWindow);

  // The window, made on first use.
  HWND GetHandle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded();
  // Destroys the window (and the children's); it is made again when next needed.
  void DestroyHandle();
  // Destroys and makes the window again (keeping the text, bounds and children).
  void RecreateWnd();
  // A foreign window this control is a child of (when it has no parent control).
  HWND GetParentWindow() const { return FParentWindow; }
  void SetParentWindow(HWND Value);

  // Children (windowless and windowed, in z-order: back to front).
  Integer GetControlCount() const { return static_cast<Integer>(FControls.size()); }
  TControl* GetControl(Integer Index) const { return FControls.at(static_cast<size_t>(Index)); }
  const std::vector<TControl*>& GetControls() const { return FControls; }
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  bool ContainsControl(TControl* Control) const;
  // The frontmost visible child at Pos (client coordinates).
  TControl* ControlAtPos(TPoint Pos, bool AllowDisabled, bool AllowWinControls = false, bool AllLevels = false);
  TControl* FindChildControl(const String& ControlName);
  void Broadcast(TMessage& Message);
  void NotifyControls(UINT Msg);

  // Showing: visible with every parent, and the window is shown.
  bool GetShowing() const { return FShowing; }
  virtual void UpdateShowing();

  // Alignment.
  void DisableAlign();
  // Re-aligns when the last DisableAlign is undone and alignment was asked for meanwhile.
  void EnableAlign();
  bool AlignDisabled() const { return FAlignLevel != 0; }
  void Realign();
  void ReAlign() { Realign(); }
  TPadding* GetPadding() const { return FPadding; }
  void SetPadding(TPadding* Value) { FPadding->Assign(Value); }
  // Applies AlignControls now (unless disabled).
  void AlignNow() { AlignControlsNow(nullptr); }
  // The client rectangle that alignment fills (the client area less padding).
  virtual void AdjustClientRect(TRect& Rect);
  bool GetAligning() const { return FControlState.Contains(csAligning); }

  // Focus and tab order.
  virtual bool CanFocus();
  virtual bool Focused();
  virtual void SetFocus();
  // The child (at any depth) that follows CurControl in tab order, or null.
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent);
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
  // The focusable descendants in tab order (depth first).
  virtual void GetTabOrderList(std::vector<TWinControl*>& List);
  Integer GetTabOrder() const;
  void SetTabOrder(Integer Value);
  bool GetTabStop() const { return FTabStop; }
  void SetTabStop(bool Value);
  // The root's record of the focused control (a form keeps it as ActiveControl): sends CM_EXIT
  // and CM_ENTER along the parent chains and CM_FOCUSCHANGED. False when refused.
  virtual bool SetFocusedControl(TWinControl* Control);
  // The focused descendant that the root recorded (null when none).
  TWinControl* GetFocusedControl() const { return FFocusedControl; }

  // Key pipeline hooks: a form answers its shortcuts (actions, menus) and its KeyPreview.
  virtual bool IsShortCut(TMessage& Message);
  virtual bool GetKeyPreview() const { return false; }

  // Painting.
  void PaintTo(HDC DC, Integer X, Integer Y);
  void PaintTo(TCanvas* Canvas, Integer X, Integer Y);
  bool GetDoubleBuffered() const { return FDoubleBuffered; }
  void SetDoubleBuffered(bool Value);
  bool GetParentDoubleBuffered() const { return FParentDoubleBuffered; }
  void SetParentDoubleBuffered(bool Value);
  void Invalidate() override;
  void InvalidateControlRect(const TRect* R, bool Erase = true) override;
  void Update() override;
  void Repaint() override;
  HDC GetDeviceContext(HWND& WindowHandle) override;

  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  TRect GetClientRect() const override;
  TPoint GetClientOrigin() const override;
  void SetParent(TWinControl* AParent) override;
  void SetZOrder(bool TopMost) override;
  void ScaleForPPI(Integer NewPPI) override;
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override;

  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TKeyEvent OnKeyDown;
  TKeyPressEvent OnKeyPress;
  TKeyEvent OnKeyUp;

 protected:
  friend class TControl;
  friend class TControlCanvas;

  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  // The window: parameters, creation and destruction.
  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& Params);
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  virtual void CreateHandle();
  // Runs once the window exists (children's windows made, alignment done).
  virtual void InitializeWindow() {}

  // Alignment: positions the aligned and anchored children inside Rect (client coordinates,
  // already adjusted). Control is the child that asked (null: a full pass).
  virtual void AlignControls(TControl* AControl, TRect& Rect);
  // Places one child by its Align value within Rect (shrinking Rect) or, for alNone, by its
  // anchors against ParentSize (the client size anchors were recorded against).
  void ArrangeControl(TControl* AControl, TPoint ParentSize, TAlign AAlign, TRect& Rect);
  // After each alignment pass.
  virtual void ControlsAligned() {}
  virtual void AlignControl(TControl* AControl);
  void AlignControlsNow(TControl* AControl);
  void DoAlignChildren(TControl* AControl, TRect& Rect);
  // The client size to anchor against.
  TPoint GetAnchorParentSize() const;

  // Children notify: CM_CONTROLLISTCHANGE (WParam the child, LParam inserted) and CM_CONTROLCHANGE.
  void SetChildOrder(TComponent* Child, Integer Order) override;

  // Painting.
  virtual void PaintWindow(HDC DC);
  // BeginPaint, PaintWindow and the windowless children, EndPaint (or into WParam's DC).
  void PaintHandler(TMessage& Message);
  // Paints the windowless children (from First on, null: all) into DC, each clipped to itself.
  void PaintControls(HDC DC, TControl* First);

  // Scaling: the control's own, then its children's.
  void ChangeScale(Integer M, Integer D, bool IsDpiChange = false) override;
  virtual void ScaleControls(Integer M, Integer D);

  void UpdateBoundsRect(const TRect& R) override;
  void SetTextValue(const String& Value) override;
  void Resize() override;
  void RequestAlign() override;

  // Keys.
  virtual void KeyDown(Word& Key, TShiftState Shift);
  virtual void KeyUp(Word& Key, TShiftState Shift);
  virtual void KeyPress(Char& Key);
  // True when the key was eaten (by the form's KeyPreview or the control's handler).
  virtual bool DoKeyDown(TMessage& Message);
  virtual bool DoKeyUp(TMessage& Message);
  virtual bool DoKeyPress(TMessage& Message);
  // The shared steps of the three: the form's preview (through Stage on it), then Handle, which
  // gives the control's handler the key in Message.WParam and stores back what it left.
  bool DoKey(TMessage& Message, bool (TWinControl::*Stage)(TMessage&),
             void (*Handle)(TWinControl* Control, TMessage& Message));
  // The menu-key stage of the pipeline: the popup menu's and the form's shortcuts.
  virtual bool IsMenuKey(TMessage& Message);
  virtual void DoEnter();
  virtual void DoExit();

  // Handlers.
  void WMPaint(TMessage& Message);
  void WMPrintClient(TMessage& Message);
  void WMEraseBkgnd(TMessage& Message);
  void WMSize(TMessage& Message);
  void WMMove(TMessage& Message);
  void WMSetFocus(TMessage& Message);
  void WMKillFocus(TMessage& Message);
  void WMSetCursor(TMessage& Message);
  void WMKeyDown(TMessage& Message);
  void WMKeyUp(TMessage& Message);
  void WMChar(TMessage& Message);
  void WMSysKeyDown(TMessage& Message);
  void WMSysKeyUp(TMessage& Message);
  void WMSysChar(TMessage& Message);
  void WMGetDlgCode(TMessage& Message);
  void WMMouseLeave(TMessage& Message);
  void WMNCDestroy(TMessage& Message);
  // Hands a message from a child window (named by LParam) back to that child as Notification;
  // without such a child, the default handling.
  void ReflectToChild(TMessage& Message, UINT Notification);
  void WMCommand(TMessage& Message);
  void WMHScroll(TMessage& Message);
  void WMVScroll(TMessage& Message);
  void CNKeyDown(TMessage& Message);
  void CNKeyUp(TMessage& Message);
  void CNChar(TMessage& Message);
  void CNSysKeyDown(TMessage& Message);
  void CNSysChar(TMessage& Message);
  void CMChildKey(TMessage& Message);
  void CMDialogKey(TMessage& Message);
  void CMDialogChar(TMessage& Message);
  void CMEnter(TMessage& Message);
  void CMExit(TMessage& Message);
  void CMFocusChanged(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMVisibleChanged(TMessage& Message);
  void CMShowingChanged(TMessage& Message);
  void CMShowHintChanged(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  void CMColorChanged(TMessage& Message);
  void CMCursorChanged(TMessage& Message);
  void CMTextChanged(TMessage& Message);
  void CMRecreateWnd(TMessage& Message);
  void CMInvalidate(TMessage& Message);
  void CMControlListChange(TMessage& Message);
  void CMControlChange(TMessage& Message);
  void CMCancelMode(TMessage& Message);

  HWND FHandle = nullptr;
  bool FShowing = false;

 private:
  static LRESULT ControlWndProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam);
  void Insert(TControl* AControl);
  void Remove(TControl* AControl);
  void UpdateControlState();
  void UpdateTabOrder(Integer Value);
  void SetZOrderPosition(TControl* AControl, Integer Position);
  void PaintDoubleBuffered(TMessage& Message);
  void MouseHoverUpdate(TPoint ClientPoint);
  TWinControl* FindTopParent();
  void PaddingChanged(TObject* Sender);
  void UpdateShowingFromParent(bool ParentShowing);
  // Drops the root's record of the focused control when it lies inside this control (Removing:
  // this control is leaving its parent).
  void RemoveFocus(bool Removing);

  std::vector<TControl*> FControls;
  std::vector<TWinControl*> FTabList;
  TWinControl* FFocusedControl = nullptr;
  HWND FParentWindow = nullptr;
  TPadding* FPadding = nullptr;
  Integer FAlignLevel = 0;
  bool FTabStop = false;
  bool FDoubleBuffered = false;
  bool FParentDoubleBuffered = true;
  bool FInDestroyHandle = false;
  WNDPROC FDefWndProc = nullptr;
  // Set while the control moves its own window (WM_SIZE/WM_MOVE then only echo it).
  bool FSettingBounds = false;
  // Set while children scale for a DPI change (ScaleControls passes it on).
  bool FDpiScaling = false;
};

// A control without a window: its parent paints it (through Paint) and hit-tests it.
class TGraphicControl : public TControl {
  ZCL_CLASS(TGraphicControl, TControl)
  VCL_MESSAGES()
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  // Valid inside Paint (and for drawing outside it through the parent's window).
  TCanvas* GetCanvas() const { return FCanvas; }

 protected:
  virtual void Paint() {}
  void WMPaint(TMessage& Message);

 private:
  TControlCanvas* FCanvas = nullptr;
};

// A windowed control that paints itself on its canvas in Paint.
class TCustomControl : public TWinControl {
  ZCL_CLASS(TCustomControl, TWinControl)
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas* GetCanvas() const { return FCanvas; }

 protected:
  virtual void Paint() {}
  void PaintWindow(HDC DC) override;

 private:
  TControlCanvas* FCanvas = nullptr;
};

// A windowed control whose content can be scrolled: ScrollBy moves the children (keeping their
// anchors to the new place) and repaints.
class TScrollingWinControl : public TWinControl {
  ZCL_CLASS(TScrollingWinControl, TWinControl)
 public:
  explicit TScrollingWinControl(TComponent* AOwner);
  void ScrollBy(Integer DeltaX, Integer DeltaY);
  // Scrolls so that the child's bounds (with its margins) lie inside the client area.
  void ScrollInView(TControl* AControl);
};

// The control under the mouse (the one that last got CM_MOUSEENTER), the capture control.
TControl* GetMouseControl();
// Delivers a gesture to the control as the display backend would (CM_GESTURE); true when some
// control on the way up handled it.
bool SendGesture(TControl* Control, const TGestureEventInfo& EventInfo);

TControl* GetCaptureControl();
// Gives Control the mouse capture (its window's, or its parent's for a windowless control);
// null releases it.
void SetCaptureControl(TControl* Control);
// The control at a screen point: the deepest windowless or windowed control there.
TControl* FindDragTarget(TPoint Pos, bool AllowDisabled);
// The control whose window is Window; null when none.
TWinControl* FindControl(HWND Window);

namespace detail {
void ControlsInit();
void ControlsFin();
}  // namespace detail
