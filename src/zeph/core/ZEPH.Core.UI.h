#pragma once
// The plugin GUI object model: plugins never touch a control; they hold counted wrappers that
// stand for one component each (held weakly, owned by its component owner), talk to it in
// 96-DPI units and hear its events through interfaces of their events handler.

#include <initializer_list>
#include <utility>
#include <vector>

#include "vcl/VCL.Controls.h"
#include "zeph/core/ZEPH.Core.Adapters.h"

class TCanvas;
class TIcon;
class TZCLSubControlOptions;

// 13 integers, in this order.
struct TZEPHUIPlacement {
  Integer Alignment;  // 0 none, 1 top, 2 bottom, 3 left, 4 right, 5 client, 6 custom
  TRect AlignmentMargins;
  TRect Anchors;  // each side 0 or 1
  TRect Bounds;
};
static_assert(sizeof(TZEPHUIPlacement) == 13 * sizeof(Integer));

struct TZEPHUIPlacementConstraints {
  Integer MaxHeight;
  Integer MaxWidth;
  Integer MinHeight;
  Integer MinWidth;
};

// Modifier flags of input events.
constexpr Integer ZEPH_UI_MOD_ALT = 1;
constexpr Integer ZEPH_UI_MOD_CTRL = 2;
constexpr Integer ZEPH_UI_MOD_SHIFT = 4;

// Property identifiers every control wrapper answers.
constexpr Integer ZEPH_UI_PROP_ENABLED = 1;
constexpr Integer ZEPH_UI_PROP_HINT = 2;
constexpr Integer ZEPH_UI_PROP_NAME = 3;
constexpr Integer ZEPH_UI_PROP_PARENT = 4;
constexpr Integer ZEPH_UI_PROP_POPUP_MENU = 5;
constexpr Integer ZEPH_UI_PROP_VISIBLE = 6;
constexpr Integer ZEPH_UI_PROP_FOCUSED = 21;
constexpr Integer ZEPH_UI_PROP_TAB_ORDER = 22;

struct IZEPHUIControl : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHUIControl, IZEPHPropertyList, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0100}")
  virtual HRESULT GetPlacement(TZEPHUIPlacement& Placement) = 0;
  virtual HRESULT GetPlacementConstraints(TZEPHUIPlacementConstraints& Constraints) = 0;
  virtual HRESULT SetPlacement(const TZEPHUIPlacement& Placement) = 0;
  virtual HRESULT SetPlacementConstraints(const TZEPHUIPlacementConstraints& Constraints) = 0;
  virtual HRESULT ClientToScreen(TPoint& Point) = 0;
  virtual HRESULT ScreenToClient(TPoint& Point) = 0;
  virtual HRESULT PaintTo(HDC DC, Integer X, Integer Y) = 0;
  virtual HRESULT Invalidate() = 0;
};

struct IZEPHUIWinControl : virtual IZEPHUIControl {
  RTL_INTERFACE(IZEPHUIWinControl, IZEPHUIControl, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0101}")
  virtual HRESULT GetControl(Integer Index, const TGUID& IID, void** Obj) = 0;
  // Not a result code: the count, -1 once the control is gone.
  virtual Integer GetControlCount() = 0;
  // Null off the main thread.
  virtual HWND GetHandle() = 0;
  // -1 when the window exists, else 0.
  virtual Integer HasHandle() = 0;
  virtual HRESULT SetFocus() = 0;
};

struct IZEPHUIDPIAwareness : virtual IInterface {
  RTL_INTERFACE(IZEPHUIDPIAwareness, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0102}")
  virtual Integer GetDPIAware() = 0;
  virtual HRESULT SetDPIAware(Integer Value) = 0;
};

// Internal: how a child wrapper tells its parent's wrapper that it joins or leaves it.
struct IZEPHUIControlContainer : virtual IInterface {
  RTL_INTERFACE(IZEPHUIControlContainer, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0103}")
  virtual void ControlAdding(IZEPHUIControl* Control) = 0;
  virtual void ControlRemoving(IZEPHUIControl* Control) = 0;
};

// ---- events a plugin's handler may implement -------------------------------------------------------

struct IZEPHUIChangeEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUIChangeEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0110}")
  virtual void OnChanged(IInterface* Sender) = 0;
};

struct IZEPHUIBoundsEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUIBoundsEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0111}")
  virtual void OnBoundsChanged(IInterface* Sender) = 0;
};

struct IZEPHUIPopupEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUIPopupEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0112}")
  virtual LongBool OnContextPopup(IInterface* Sender, Integer X, Integer Y) = 0;
};

struct IZEPHUIMouseEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUIMouseEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0113}")
  virtual void OnMouseDoubleClick(IInterface* Sender, Integer Button, Integer X, Integer Y, Integer Modifiers) = 0;
  virtual void OnMouseDown(IInterface* Sender, Integer Button, Integer X, Integer Y, Integer Modifiers) = 0;
  virtual void OnMouseLeave(IInterface* Sender) = 0;
  virtual void OnMouseMove(IInterface* Sender, Integer X, Integer Y, Integer Modifiers) = 0;
  virtual void OnMouseUp(IInterface* Sender, Integer Button, Integer X, Integer Y, Integer Modifiers) = 0;
};

struct IZEPHUIMouseWheelEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUIMouseWheelEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0114}")
  virtual LongBool OnMouseWheel(IInterface* Sender, Integer WheelDelta, Integer X, Integer Y, Integer Modifiers) = 0;
};

struct IZEPHUIKeyboardEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUIKeyboardEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0115}")
  virtual void OnEnter(IInterface* Sender) = 0;
  virtual void OnExit(IInterface* Sender) = 0;
  virtual void OnKeyDown(IInterface* Sender, Word& Key, Integer Modifiers) = 0;
  virtual void OnKeyPress(IInterface* Sender, Char& Key) = 0;
  virtual void OnKeyUp(IInterface* Sender, Word& Key, Integer Modifiers) = 0;
};

struct IZEPHUIDrawEvents : virtual IInterface {
  RTL_INTERFACE(IZEPHUIDrawEvents, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0116}")
  virtual void OnPaint(IInterface* Sender, HDC DC, const TRect& Rect) = 0;
};

// ---- wrappers --------------------------------------------------------------------------------------

// Alt 1, Ctrl 2, Shift 4; nothing else of the shift state.
Integer ShiftStateToModifiers(TShiftState Shift);

class TZEPHUIComponent : public TZEPHMappedObjectAdapter {
  ZCL_CLASS(TZEPHUIComponent, TZEPHMappedObjectAdapter)
 public:
  // The component comes from CreateComponent(Owner) once the object is complete.
  TZEPHUIComponent(IInterface* EventsHandler, TComponent* Owner);
  void AfterConstruction() override;

  IInterface* GetEventsHandler() const { return FEventsHandler.get(); }
  // The wrapper as plugins see it: the sender of its events.
  IInterface* AsSender() { return static_cast<IZEPHPropertyList2*>(this); }
  // A change or click notification of the control.
  void DoChanged(TObject* Sender);
  // DoChanged as the control's notification event.
  TNotifyEvent ChangedEvent() { return TNotifyEvent(this, &TZEPHUIComponent::DoChanged); }

 protected:
  // Wraps an existing component (the adapters map).
  TZEPHUIComponent(TPersistent* AObject, TStreamOwnership AOwnership);
  virtual TComponent* CreateComponent(TComponent* Owner);
  // Runs once the component is linked, before plugins see the wrapper.
  virtual void ComponentCreated() {}
  virtual void UnbindEvents() {}
  // The event interface I of the handler, null when it has none.
  template <InterfaceType I>
  IPtr<I> Events() const {
    void* obj = nullptr;
    if (!FEventsHandler || FEventsHandler->QueryInterface(IIDOf<I>(), &obj) < 0 || !obj) return {};
    return IPtr<I>::Adopt(static_cast<I*>(obj));
  }
  // Runs Body when the access check passes, turning any exception into E_UNEXPECTED.
  template <class F>
  HRESULT Checked(F&& Body) {
    HRESULT r = S_OK;
    if (!CheckAccess(r)) return r;
    try {
      return Body();
    } catch (...) {
      return E_UNEXPECTED;
    }
  }
  // Maps each identifier to the published property of Obj it names (see MapProperty).
  void MapProperties(TObject* Obj, std::initializer_list<std::pair<Integer, const Char*>> Properties) {
    for (const auto& [id, name] : Properties) MapProperty(id, name, Obj);
  }
  // For operations that answer a count: -1 when the access check fails or Body raises.
  template <class F>
  Integer CheckedCount(F&& Body) {
    HRESULT r = S_OK;
    if (!CheckAccess(r)) return -1;
    try {
      return Body();
    } catch (...) {
      return -1;
    }
  }

 private:
  IPtr<IInterface> FEventsHandler;
  TComponent* FCreateOwner = nullptr;
};

class TZEPHUIControl : public TZEPHUIComponent,
                       public virtual IZEPHUIControl,
                       public IZEPHUIDPIAwareness,
                       public IZEPHDPIAware {
  ZCL_CLASS(TZEPHUIControl, TZEPHUIComponent)
  RTL_INTERFACES(TZEPHUIComponent, IZEPHUIControl, IZEPHUIDPIAwareness, IZEPHDPIAware)
 public:
  using TZEPHUIComponent::TZEPHUIComponent;
  void BeforeDestruction() override;

  HRESULT GetPlacement(TZEPHUIPlacement& Placement) override;
  HRESULT GetPlacementConstraints(TZEPHUIPlacementConstraints& Constraints) override;
  HRESULT SetPlacement(const TZEPHUIPlacement& Placement) override;
  HRESULT SetPlacementConstraints(const TZEPHUIPlacementConstraints& Constraints) override;
  HRESULT ClientToScreen(TPoint& Point) override;
  HRESULT ScreenToClient(TPoint& Point) override;
  HRESULT PaintTo(HDC DC, Integer X, Integer Y) override;
  HRESULT Invalidate() override;

  Integer GetDPIAware() override { return FDPIAware ? -1 : 0; }
  HRESULT SetDPIAware(Integer Value) override;
  // 96 while DPI-aware; else the control's DPI, the system's when it has none.
  Integer GetDPI() override;
  HRESULT SetDPI(Integer) override { return E_NOTIMPL; }

  TControl* AsControl() const;
  TWinControl* AsWinControl() const;
  Integer ToControl(Integer Value) { return ScaleValue(Value, true); }
  Integer FromControl(Integer Value) { return ScaleValue(Value, false); }

 protected:
  void ComponentCreated() override;
  virtual void BindEvents();
  void UnbindEvents() override;
  // Drops the component: its events are unbound and the link cleared.
  virtual void Detach();
  virtual HRESULT DoPaintTo(HDC DC, Integer X, Integer Y);
  virtual HRESULT DoSetPlacement(const TZEPHUIPlacement& Placement);
  void DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) override;
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override;
  void DoSetValueAsObject(Integer PropertyID, IInterface* Value, HRESULT& Result) override;
  // The wrapper of the parent asked for the container; null when there is none.
  IPtr<IZEPHUIControlContainer> ParentContainer();
  void SetParentFrom(IInterface* Value);

 private:
  Integer ScaleValue(Integer Value, bool ToControl);
  TRect ScaleRect(const TRect& R, bool ToControl);
  void ContextPopup(TObject* Sender, TPoint MousePos, bool& Handled);
  void MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  void MouseMove(TObject* Sender, TShiftState Shift, Integer X, Integer Y);
  void MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  void MouseLeave(TObject* Sender);
  void MouseWheel(TObject* Sender, TShiftState Shift, Integer WheelDelta, TPoint MousePos, bool& Handled);
  void BoundsChanged(TObject* Sender);

  bool FDPIAware = false;
  TZCLSubControlOptions* FSubControlOptions = nullptr;
};

class TZEPHUIWinControl : public TZEPHUIControl, public virtual IZEPHUIWinControl, public IZEPHUIControlContainer {
  ZCL_CLASS(TZEPHUIWinControl, TZEPHUIControl)
  RTL_INTERFACES(TZEPHUIControl, IZEPHUIWinControl, IZEPHUIControlContainer)
 public:
  using TZEPHUIControl::TZEPHUIControl;

  HRESULT GetControl(Integer Index, const TGUID& IID, void** Obj) override;
  Integer GetControlCount() override;
  HWND GetHandle() override;
  Integer HasHandle() override;
  HRESULT SetFocus() override;
  void ControlAdding(IZEPHUIControl* Control) override;
  void ControlRemoving(IZEPHUIControl* Control) override;

 protected:
  void ComponentCreated() override;
  void BindEvents() override;
  void UnbindEvents() override;
  void Detach() override;
  HRESULT DoPaintTo(HDC DC, Integer X, Integer Y) override;
  void DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) override;

 private:
  void ContextPopup(TObject* Sender, TPoint MousePos, bool& Handled);
  void Enter(TObject* Sender);
  void Exit(TObject* Sender);
  void KeyDown(TObject* Sender, Word& Key, TShiftState Shift);
  void KeyPress(TObject* Sender, Char& Key);
  void KeyUp(TObject* Sender, Word& Key, TShiftState Shift);

  std::vector<IPtr<IZEPHUIControl>> FControls;
};

// ---- the program's look ---------------------------------------------------------------------------

struct IZEPHUIColorSchema : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHUIColorSchema, IZEPHPropertyList, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0105}")
  virtual void ApplyToAlphaColor(Cardinal& Color) = 0;
  virtual void ApplyToColor(Cardinal& Color) = 0;
  virtual void ApplyToPixels(void* Pixels, Integer Count) = 0;
  virtual void ApplyToImage(IInterface* Image) = 0;
};

struct IZEPHUIMode : virtual IZEPHPropertyList {
  RTL_INTERFACE(IZEPHUIMode, IZEPHPropertyList, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0106}")
};

// Read-only identifiers of the UI mode.
constexpr Integer ZEPH_UI_MODE_COLOR_SCHEMA = 1;
constexpr Integer ZEPH_UI_MODE_TARGET_DPI = 2;
constexpr Integer ZEPH_UI_MODE_DARK = 3;

// Recolours plugin colours, pixels and images with the application's colour schema.
class TZEPHUIColorSchema : public TZEPHPropertyList, public virtual IZEPHUIColorSchema {
  ZCL_CLASS(TZEPHUIColorSchema, TZEPHPropertyList)
  RTL_INTERFACES(TZEPHPropertyList, IZEPHUIColorSchema)
 public:
  void ApplyToAlphaColor(Cardinal& Color) override;
  void ApplyToColor(Cardinal& Color) override;
  void ApplyToPixels(void* Pixels, Integer Count) override;
  void ApplyToImage(IInterface* Image) override;
};

class TZEPHUIMode : public TZEPHPropertyList, public virtual IZEPHUIMode {
  ZCL_CLASS(TZEPHUIMode, TZEPHPropertyList)
  RTL_INTERFACES(TZEPHPropertyList, IZEPHUIMode)

 protected:
  void DoGetValueAsInt32(Integer PropertyID, Integer& Value, HRESULT& Result) override;
};

class TZEPHUICustomDraw {
 public:
  TZEPHUICustomDraw() = delete;
  // True when the handler painted (it has IZEPHUIDrawEvents); Rect goes as given.
  static bool Draw(IInterface* Sender, IInterface* EventsHandler, TCanvas* Canvas, const TRect& Rect);
};

// Fills Icon from a plugin object: null gives the application's icon; an image, an image
// container or a stream (an icon, else any decodable picture) gives that picture.
// E_INVALIDARG for other objects, E_UNEXPECTED for data that is no picture.
HRESULT LoadIconFromObject(TIcon* Icon, IInterface* Obj);
