#pragma once
// What every part of the skin engine shares: the engine's general exception, the compatibility
// modes of skins, the hint record, size limits, side sets, the two global hooks (the editor's
// design desktop and its error collector) and the interfaces through which forms, elements and
// the design desktop talk to each other. The player runs with both hooks empty.

#include "rtl/RTL.Classes.h"
#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Set.h"
#include "vcl/VCL.Controls.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"

class TComponent;
class TControl;
class TWinControl;
class TZCLIniFile;
struct TMessage;

// The engine's general error; also the base of the skin container's errors.
RTL_EXCEPTION(EZSEException, Exception);

enum TZSECompatibilityMode : Byte { cmvUndefined, cmv300, cmv350, cmv400, cmv450, cmv500 };
ZCL_ENUM(TZSECompatibilityMode, cmvUndefined, cmv300, cmv350, cmv400, cmv450, cmv500);

constexpr TZSECompatibilityMode cmvLowest = cmv300;
constexpr TZSECompatibilityMode cmvLatest = cmv500;

// The engine version of a mode: 0, 300, 350, 400, 450, 500.
Integer CompatibilityModeToVersion(TZSECompatibilityMode Mode);
// "v3.50"; "v0.00" for cmvUndefined.
String CompatibilityModeToString(TZSECompatibilityMode Mode);
bool CompatibilityModeIsOutdated(TZSECompatibilityMode Mode);
// The latest mode not above Version; below 300 gives cmv300.
TZSECompatibilityMode CompatibilityModeFromVersion(Integer Version);

enum TZSEContentSize : Byte { csWidth, csHeight };
ZCL_ENUM(TZSEContentSize, csWidth, csHeight);
using TZSEContentSizes = TSet<TZSEContentSize>;

// csWidth when the widths differ, csHeight when the heights do.
TZSEContentSizes ContentSizesChanged(const TRect& Old, const TRect& New);

// What a skin element shows as its hint.
struct TZSEHintData {
  String Text;               // empty: no hint
  String HoldActionText;     // the action run on hold or long click
  String ContextActionText;  // the context-menu action; sliders put a second value text here
  bool FollowCursor = false;
  TComponent* Owner = nullptr;  // the element that supplied the hint

  bool IsEmpty() const { return Text.empty(); }
  bool HasActions() const { return !HoldActionText.empty() || !ContextActionText.empty(); }
  void Reset();
  const String& GetText() const { return Text; }
};

// 0 means no limit.
struct TZSESizeLimits {
  Integer MinWidth = 0;
  Integer MinHeight = 0;
  Integer MaxWidth = 0;
  Integer MaxHeight = 0;
};

void ClearSizeLimits(TZSESizeLimits& Limits);
// Negative becomes 0, then the maximum, then the minimum applies: a minimum above the maximum wins.
Integer ClampWidth(const TZSESizeLimits& Limits, Integer Width);
Integer ClampHeight(const TZSESizeLimits& Limits, Integer Height);
// False for a fixed size (a maximum that the minimum reaches).
bool CanResizeWidth(const TZSESizeLimits& Limits);
bool CanResizeHeight(const TZSESizeLimits& Limits);

// Side sets as rectangles of 0 and 1, as placements store them.
TRect SidesToRect(TZCLBorders Sides);
TZCLBorders RectToSides(const TRect& Rect);

// ---- interfaces ------------------------------------------------------------------------------
// Operations beyond those named here come with the classes that implement them.

struct IZSEForm : virtual IInterface {
  RTL_INTERFACE(IZSEForm, IInterface, "{623B7AE6-C6DB-49A3-967D-AD43A6A0A679}")
};

struct IZSERenderer : virtual IInterface {
  RTL_INTERFACE(IZSERenderer, IInterface, "{6A3AF447-E8F1-4DA9-BCB2-A2C98C85E60F}")
  // Invalidates Rect of Control on the surface that draws it; UpdateNow repaints at once.
  virtual void Invalidate(TControl* Control, const TRect& Rect, bool UpdateNow) = 0;
};

struct IZSECoordsConverter : virtual IInterface {
  RTL_INTERFACE(IZSECoordsConverter, IInterface, "{47A9074F-A7EC-4CC4-B997-D24C7E9385CC}")
  // Between the element's local coordinates and the screen.
  virtual TPoint LocalToScreen(const TPoint& P) = 0;
  virtual TPoint ScreenToLocal(const TPoint& P) = 0;
};

// An object that keeps settings in the skin's settings file.
struct IZSEConfigurableObject : virtual IInterface {
  RTL_INTERFACE(IZSEConfigurableObject, IInterface, "{0E1F7B7A-2B0B-4F9E-8F43-7A3C5D1E2B10}")
  virtual void ConfigLoad(TZCLIniFile* Ini) = 0;
  virtual void ConfigSave(TZCLIniFile* Ini) = 0;
};

// Collects the problems found while a skin loads (the editor's error list).
struct IZSEErrorHandler : virtual IInterface {
  RTL_INTERFACE(IZSEErrorHandler, IInterface, "{9C3E2F60-5B1D-4B8C-A1E4-3D7F6A2B9C11}")
  virtual void InvalidExpression(const String& Text, const String& Message) = 0;
  virtual void ReferenceNotFound(TObject* Object, const String& PropertyName, const String& ObjectName) = 0;
};

// What a skin element (layout item or skin control) takes of a form's input. Points are the
// element's local coordinates unless said otherwise; mouse buttons are numbered 0 left, 1 right,
// 2 middle, 3 and 4 the extra buttons.
struct IZSEHandlerFocus : virtual IInterface {
  RTL_INTERFACE(IZSEHandlerFocus, IInterface, "{B7D2A1E0-4C3F-4E5A-9B6D-1F2E3A4B5C12}")
  virtual void FocusChanged(bool Focused) = 0;
};
struct IZSEHandlerContextMenu : virtual IInterface {
  RTL_INTERFACE(IZSEHandlerContextMenu, IInterface, "{C8E3B2F1-5D4A-4F6B-8C7E-2A3B4C5D6E13}")
  virtual bool HasContextMenu(Integer Button) = 0;
  virtual void ShowContextMenu(Integer Button, const TPoint& ScreenPoint) = 0;
};
struct IZSEHandlerGestures : virtual IInterface {
  RTL_INTERFACE(IZSEHandlerGestures, IInterface, "{D9F4C3A2-6E5B-4A7C-9D8F-3B4C5D6E7F14}")
  // Location in content units of the form.
  virtual void Gesture(const TGestureEventInfo& Info) = 0;
  // Gesture kinds and options as bit sets; 0 kinds: none wanted.
  virtual void GetGestures(Integer& Gestures, Integer& Options) = 0;
};
struct IZSEHandlerCopyToClipboard : virtual IInterface {
  RTL_INTERFACE(IZSEHandlerCopyToClipboard, IInterface, "{EA05D4B3-7F6C-4B8D-8E9A-4C5D6E7F8015}")
};
struct IZSEHandlerHint : virtual IInterface {
  RTL_INTERFACE(IZSEHandlerHint, IInterface, "{FB16E5C4-807D-4C9E-9FAB-5D6E7F809116}")
  virtual void GetHint(const TPoint& P, TZSEHintData& Data) = 0;
};
struct IZSEHandlerKeyboard : virtual IInterface {
  RTL_INTERFACE(IZSEHandlerKeyboard, IInterface, "{0C27F6D5-918E-4DAF-80BC-6E7F8091A217}")
  virtual void KeyChar(Char& Key) = 0;
  virtual void KeyDown(Word& Key, TShiftState Shift) = 0;
  // Handled: the key reaches the element as an ordinary key instead of a shortcut.
  virtual void KeyDownPreview(Word Key, TShiftState Shift, bool& Handled) = 0;
  virtual void KeyUp(Word& Key, TShiftState Shift) = 0;
};
// Mouse hit-test codes with a meaning for the form: the element drags by itself, or the form is
// moved from there unless the element takes a plain click.
constexpr Integer ZSEMouseHitDragsItself = 2;
constexpr Integer ZSEMouseHitMovesForm = 3;
struct IZSEHandlerMouse : IZSECoordsConverter {
  RTL_INTERFACE(IZSEHandlerMouse, IZSECoordsConverter, "{1D3807E6-A29F-4EB0-91CD-7F8091A2B318}")
  // Bit n: button n is taken.
  virtual Byte GetAcceptedButtons() = 0;
  virtual Integer MouseHitTest(const TPoint& P) = 0;
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, const TPoint& P) = 0;
  virtual void MouseMove(TShiftState Shift, const TPoint& P) = 0;
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, const TPoint& P) = 0;
};
struct IZSEHandlerMouseHover : virtual IInterface {
  RTL_INTERFACE(IZSEHandlerMouseHover, IInterface, "{2E4918F7-B3A0-4FC1-A2DE-8091A2B3C419}")
  virtual void MouseHover(bool Entered) = 0;
};
struct IZSEHandlerMouseWheel : virtual IInterface {
  RTL_INTERFACE(IZSEHandlerMouseWheel, IInterface, "{3F5A2908-C4B1-40D2-B3EF-91A2B3C4D51A}")
  virtual void MouseWheel(TShiftState Shift, bool Up) = 0;
};
// Marks elements with a special right-click action.
struct IZSEHandlerSpecialActionOnRMC : virtual IInterface {
  RTL_INTERFACE(IZSEHandlerSpecialActionOnRMC, IInterface, "{406B3A19-D5C2-41E3-84F0-A2B3C4D5E61B}")
};

// The editor's design surface.
struct IZSEDesignDesktop : IZSERenderer {
  RTL_INTERFACE(IZSEDesignDesktop, IZSERenderer, "{517C4B2A-E6D3-42F4-9501-B3C4D5E6F71C}")
  virtual bool CanChangeSceneVisibility(TComponent* Scene) = 0;
  // The control that hosts skin forms in design mode.
  virtual TWinControl* GetFormsParent() = 0;
  virtual void FormLayoutChanged(TComponent* Form) = 0;
  // The DPI at which forms are shown on the surface.
  virtual Integer GetDesignDpi() = 0;
};

// Lets the design surface take a skin form's window messages.
struct IZSEDesignDesktopHook : virtual IInterface {
  RTL_INTERFACE(IZSEDesignDesktopHook, IInterface, "{628D5C3B-F7E4-4305-A612-C4D5E6F7081D}")
  // True when the surface handled the message and the form must not.
  virtual bool HookMessage(TMessage& Message, TComponent* Form) = 0;
};

// Changes the engine reports to the design surface.
struct IZSEDesignDesktopNotifications : virtual IInterface {
  RTL_INTERFACE(IZSEDesignDesktopNotifications, IInterface, "{739E6D4C-08F5-4416-B723-D5E6F708191E}")
  virtual void BoundsChanged(TObject* Item) = 0;
  virtual void DockSiteChanged(TObject* DockSite) = 0;
  virtual void NameChanged(TComponent* Component) = 0;
  virtual void StructureChanged(TObject* Item) = 0;
  virtual void ItemChanged(TComponent* Component) = 0;
};

// Drag and drop onto an element; points are local, Target is the form's drop target.
struct IZSEDropTarget : IZSECoordsConverter {
  RTL_INTERFACE(IZSEDropTarget, IZSECoordsConverter, "{84AF7E5D-1906-4527-8834-E6F708192A1F}")
  virtual void DragDrop(TObject* Target, const TPoint& P) = 0;
  virtual void DragEnter(TObject* Target) = 0;
  virtual void DragLeave(TObject* Target) = 0;
  virtual void DragOver(TObject* Target, TShiftState Shift, const TPoint& P, bool& Accept) = 0;
};
struct IZSEDropTarget2 : IZSEDropTarget {
  RTL_INTERFACE(IZSEDropTarget2, IZSEDropTarget, "{95B08F6E-2A17-4638-9945-F708192A3B20}")
  virtual bool AcceptsDrop() = 0;
};

// ---- global hooks ----------------------------------------------------------------------------

// The editor's design desktop; null (the player) unless the editor put the engine in design mode.
IZSEDesignDesktop* ZSEGetDesignDesktop();
void ZSESetDesignDesktop(const IPtr<IZSEDesignDesktop>& Value);
// The editor's error collector around loading and validation; null otherwise.
IZSEErrorHandler* ZSEGetErrorHandler();
void ZSESetErrorHandler(const IPtr<IZSEErrorHandler>& Value);

// The engine's view of the design desktop: every operation takes its default without one.
class TZSEDesigner {
 public:
  TZSEDesigner() = delete;

  static bool IsDesigning() { return ZSEGetDesignDesktop() != nullptr; }
  // True without desktop.
  static bool CanChangeSceneVisibility(TComponent* Scene);
  // Null without desktop.
  static TWinControl* GetFormsParent();
  static void FormLayoutChanged(TComponent* Form);
  // 96 without desktop.
  static Integer GetDesignDpi();
  static void BoundsChanged(TObject* Item);
  static void DockSiteChanged(TObject* DockSite);
  static void NameChanged(TComponent* Component);
  static void StructureChanged(TObject* Item);
  static void ItemChanged(TComponent* Component);
  // False unless the desktop's hook handled the message.
  static bool HookMessage(TMessage& Message, TComponent* Form);
};

// Unit finalization: drops both hooks.
void ZSETypesFinalize();
