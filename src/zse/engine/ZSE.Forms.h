#pragma once
// The skin form base: a top-level window of a skin with its placement state (docked in a dock
// site, placement lock, stay on top, pinned to a master form, docked to a screen edge as a
// toolbar, minimized or maximized), the hooks its descendants override when that state changes,
// the notification codes of the skin manager, and the form's layout tree. The form paints into
// its render buffer and shows it in a layered window, or in a window shaped from its alpha.
//
// A keyboard hook turns the desktop's keyboard snapping of the active form into docking it at a
// screen edge.

#include <vector>

#include "os/OS.Windows.h"
#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/ZCL.UI.DragDrop.Target.h"
#include "zse/engine/ZSE.Forms.Input.h"
#include "zse/engine/ZSE.Layout.h"
#include "zse/engine/ZSE.Types.h"

class TZCLDib;
class TZCLIniFile;
class TZCLIniFileSection;
class TZSEBaseForm;
class TZSEFormPlaceAnchors;
class TZSERenderBuffer;
class TZSECustomFormDragger;
class TZSELayoutDockSite;
class TMenuItem;

// The shape of a top-level skin window without layered windows: one rectangle per run of pixels
// whose alpha is at least Threshold, row by row; (0, 0, 1, 1) when no pixel qualifies or there is
// no image. The caller deletes the region.
HRGN ZSECreateRegionFromAlpha(const TZCLDib* Image, Byte Threshold = 128);

// Form notification codes of the skin manager.
constexpr Integer ZSEFormNotifyLanguageApplied = 2;
constexpr Integer ZSEFormNotifyRelayout = 3;
constexpr Integer ZSEFormNotifyShowEligible = 4;
constexpr Integer ZSEFormNotifyLayoutReset = 5;
constexpr Integer ZSEFormNotifySkinUnloading = 6;
constexpr Integer ZSEFormNotifySkinLoaded = 7;
constexpr Integer ZSEFormNotifyResetStoredSizes = 10;
constexpr Integer ZSEFormNotifyBeginUpdate = 11;
constexpr Integer ZSEFormNotifyEndUpdate = 12;

// Placement kinds of a skin form.
enum TZSEFormPlacementKind : Byte { fpkNormal, fpkToolBar, fpkMinimized, fpkMaximized };

// A persistent that belongs to a form and reports its changes to it.
class TZSEFormPersistent : public TZCLUnknownPersistent {
  ZCL_CLASS(TZSEFormPersistent, TZCLUnknownPersistent)
 public:
  explicit TZSEFormPersistent(TZSEBaseForm* AForm) : FForm(AForm) {}
  TZSEBaseForm* GetForm() const { return FForm; }

 protected:
  void Changed();
  TZSEBaseForm* FForm;
};

enum TZSEFormDefaultHorzPort : Byte { dhpUndefined, dhpRight, dhpLeft };

// Keeps a form beside its master form. Sides: 0 left of the master, 1 above, 2 right, 3 below.
class TZSEFormMasterFormPin : public TZSEFormPersistent {
  ZCL_CLASS(TZSEFormMasterFormPin, TZSEFormPersistent)
 public:
  using TZSEFormPersistent::TZSEFormPersistent;
  static void DeclareProperties(TClassDeclaration<TZSEFormMasterFormPin>& D);

  bool GetPinned() const { return FPinned; }
  void SetPinned(bool Value);
  Integer GetSide() const { return FSide; }
  // Kept within 0..3.
  void SetSide(Integer Value);
  // The side the form sits on: a horizontal side follows the default port when one is set.
  Integer GetActualSide() const {
    if ((FSide == 0 || FSide == 2) && FDefaultHorzPort != dhpUndefined) return FDefaultHorzPort == dhpRight ? 2 : 0;
    return FSide;
  }
  TRect GetMargins() const { return FMargins; }
  void SetMargins(const TRect& Value);
  bool GetPreventExceedScreenEdges() const { return FPreventExceedScreenEdges; }
  void SetPreventExceedScreenEdges(bool Value);
  // The user's choice of side for a horizontal pin; undefined keeps the skin's side.
  TZSEFormDefaultHorzPort GetDefaultHorzPort() const { return FDefaultHorzPort; }
  void SetDefaultHorzPort(TZSEFormDefaultHorzPort Value);
  // Pinned, not docked, and the master form exists.
  bool IsEffective() const;

 private:
  TRect FMargins;
  Integer FSide = 2;
  TZSEFormDefaultHorzPort FDefaultHorzPort = dhpUndefined;
  bool FPinned = false;
  bool FPreventExceedScreenEdges = false;
};

// The form docked to a screen edge as a toolbar. Edges: 0 left, 1 right, 2 top, 3 bottom.
// Pin modes: 0 auto-hide, 1 fixed, 2 float.
class TZSEFormToolBar : public TZSEFormPersistent {
  ZCL_CLASS(TZSEFormToolBar, TZSEFormPersistent)
 public:
  using TZSEFormPersistent::TZSEFormPersistent;

  bool GetDocked() const { return FDocked; }
  Integer GetEdge() const { return FEdge; }
  Integer GetPinMode() const { return FPinMode; }
  bool IsPinModeSupported(Integer Mode) const { return Mode >= 0 && Mode <= 2; }
  void SetPinMode(Integer Value);
  // Four bits, one per edge: those the skin allows that the form can take now. None while the
  // form is pinned to its master or inside the designer; left and right only without a maximum
  // height (the strip is as high as the screen), top and bottom only without a maximum width.
  Byte GetAllowedEdges() const;
  void SetAllowedEdges(Byte Value) { FAllowedEdges = Value & 15; }
  // The engine's form-toolbar switch (on by default; off while a skin loads).
  static bool GetSlideEnabled();
  static void SetSlideEnabled(bool Value);
  // The monitor index captured when the form became a toolbar (-1 none), and the monitor that
  // stands for it now: that index when such a monitor exists, else the primary monitor's.
  Integer GetMonitor() const { return FMonitor; }
  Integer GetResolvedMonitor() const;
  // The strip the toolbar takes at its edge: the monitor's full bounds in the fixed pin mode,
  // else its work area widened by the form's magnet margins; at least 20 pixels thick.
  TRect CalculateRect(TSize Size) const;
  // A toolbar hidden at its edge slides away from it (0..3 as for show and hide animations);
  // false while the switch is off or in any other pin mode.
  bool GetSlideDirection(Byte& Direction) const;

 private:
  friend class TZSEBaseForm;
  Byte FAllowedEdges = 15;
  Integer FMonitor = -1;
  bool FDocked = false;
  Integer FEdge = 2;
  Integer FPinMode = 1;
};

class TZSEBaseForm : public TForm, public IZSEForm {
  ZCL_CLASS(TZSEBaseForm, TForm)
  RTL_INTERFACES(TForm, IZSEForm)
 public:
  explicit TZSEBaseForm(TComponent* AOwner);
  ~TZSEBaseForm() override;
  static void DeclareProperties(TClassDeclaration<TZSEBaseForm>& D);

  // Visibility as skins change it: the design desktop may refuse. This is the wanted
  // visibility; the window shows only while ShouldBeVisible answers true.
  bool GetFormVisible() const { return FFormVisible; }
  void SetFormVisible(bool Value);
  // The visibility a skin-manager form takes when its settings store none; true for any other form.
  bool GetInitialVisible() const;
  void SetInitialVisible(bool Value) { FInitialVisible = Value; }
  // Not while docked (the host draws the form) nor unwanted; a form with a master shows only
  // while its master's window does (outside the designer and toolbar mode).
  virtual bool ShouldBeVisible();
  // Shows or hides the window as ShouldBeVisible says, then the attached forms follow.
  void UpdateVisibility();
  bool GetDocked() const { return FDocked; }
  void SetDocked(bool Value);
  bool GetLocked() const { return FLocked; }
  void SetLocked(bool Value);
  bool GetStayOnTop() const { return GetFormStyle() == fsStayOnTop; }
  void SetStayOnTop(bool Value);
  TZSEBaseForm* GetMasterForm() const { return FMasterForm; }
  void SetMasterForm(TZSEBaseForm* Value);
  TZSEFormMasterFormPin* GetMasterFormPin() const { return FMasterFormPin; }
  TZSEFormToolBar* GetToolBar() const { return FToolBar; }
  TZSEFormPlacementKind GetPlacementKind() const;
  bool GetCanMaximize() const { return FCanMaximize; }
  void SetCanMaximize(bool Value) { FCanMaximize = Value; }
  // Allowed, both sizing directions free of maximum constraints, not a toolbar, not pinned.
  bool CanMaximize() const;
  // The normal bounds, kept while the form is a toolbar, minimized or maximized.
  TRect GetRestoredBounds() const { return FRestoredBounds; }
  // The normal bounds whatever the state: what "Position" stores.
  TRect GetNormalBounds() const;
  void Maximize();
  // Back to the normal state at the restored bounds, then shown; nothing in the normal state.
  void Restore();
  // The same with the restored size at TopLeft, fitted onto that monitor's work area, or docked
  // into Site when one is given.
  void Restore(const TPoint& TopLeft, TZSELayoutDockSite* Site);
  // A visible top-level toolbar in the fixed pin mode holds its strip as an application bar, so
  // that other windows keep clear of it; the strip the shell granted (empty when none).
  void UpdateAppBar();
  bool GetAppBarRegistered() const { return FAppBarRegistered; }
  TRect GetAppBarRect() const { return FAppBarRect; }
  // Set while a Windows key is held over this form (the active one): the desktop's keyboard
  // snapping may move it then, and a move onto the left or right part of a work area, full
  // height, docks it there as a floating toolbar. Anchors are not captured meanwhile.
  bool GetSystemMove() const { return FSystemMove; }
  // Clears the flag; a toolbar then takes its strip.
  void EndSystemMove();
  // Leaves a state the form no longer allows: toolbar mode at an edge that is not allowed, or
  // maximized when it may not maximize (after a skin loaded).
  void ValidateState();
  void ToggleMaximize();
  // Enters toolbar mode at an allowed edge of a monitor (-1: the one under the form) and takes the
  // strip there; the normal bounds are kept for the way back.
  void DockToEdge(Integer Edge, Integer Monitor = -1);
  // Leaves toolbar mode (Restore).
  void Undock();
  // Bit 0 a window region is applied, bit 1 the window is layered.
  Byte GetWindowShapeState() const { return FWindowShapeState; }
  void SetWindowShapeState(Byte Value);
  Integer GetScaleNumerator() const { return FScaleNumerator; }
  Integer GetScaleDenominator() const { return FScaleDenominator; }
  void SetScaleFactor(Integer Numerator, Integer Denominator);
  // The DPI of the window's monitor (the design DPI in design mode).
  Integer GetCurrentDpi() const { return FCurrentDpi; }
  void SetCurrentDpi(Integer Value);
  // The size at 96 DPI that a form takes when no position is stored.
  TZCLSize* GetInitialSize() const { return FInitialSize; }
  void SetInitialSize(TZCLSize* Value) { FInitialSize->Assign(Value); }
  // InitialSize at the form's DPI (at least the minimum constraints) with its body centred in Area.
  TRect CalculateInitialBounds(const TRect& Area) const;
  // The transparent margins at 96 DPI between the content's edges and the skin's body; negative
  // sides become 0.
  TRect GetMagnetRectOffsets() const { return FMagnetRectOffsets; }
  void SetMagnetRectOffsets(const TRect& Value);
  // MagnetRectOffsets at the form's DPI: where the body lies inside the content rectangle.
  TRect GetBodyOffsets() const;
  // The window's margins around its visible body at the form's DPI. In the normal state these are
  // the body offsets. A toolbar hides its border and margins beyond the screen edge and on both
  // sides along it, so that only the side facing away keeps a margin; a maximized form adds the
  // border to every side.
  TRect GetMagnetMargins() const;
  // The width at 96 DPI of the border the skin draws round its body, hidden at the screen edges
  // of a toolbar or a maximized form; below 1 it is 0.
  Integer GetBorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(Integer Value);
  // The height at 96 DPI of the band at the top of the content whose double-click maximizes and
  // restores the form (0: none).
  Integer GetCaptionAreaHeight() const { return FCaptionAreaHeight; }
  void SetCaptionAreaHeight(Integer Value) { FCaptionAreaHeight = Value; }

  // The skin manager's notification (the form message 0x1401 with a code).
  void Notify(Integer Code, NativeInt Argument = 0) { HandleNotification(Code, Argument); }
  // The form's section of the skin's settings file (named by the form's name).
  virtual void LoadSettings(TZCLIniFile* Ini);
  virtual void SaveSettings(TZCLIniFile* Ini);
  virtual void LoadSettingsSection(TZCLIniFileSection* Section);
  virtual void SaveSettingsSection(TZCLIniFileSection* Section);
  TZSEFormPlaceAnchors* GetPlaceAnchors() const { return FPlaceAnchors; }
  // The anchors take the current bounds / the bounds follow the anchors on the current screens.
  void CaptureAnchors();
  void ApplyPlaceAnchors();

  // ---- the image and the window
  // Top-level forms are layered windows with per-pixel alpha while this is on (the skin
  // manager's switch, on by default); otherwise their window is shaped from the image's alpha.
  static bool GetUseLayeredWindows();
  static void SetUseLayeredWindows(bool Value);
  // The switch, for a form without a parent window.
  virtual bool UseLayeredWindow();
  // The engine's skin-form animation switch (on by default; off while a skin loads).
  static bool GetAnimationsEnabled();
  static void SetAnimationsEnabled(bool Value);
  virtual bool IsAnimationEnabled() { return GetAnimationsEnabled(); }
  Byte GetAlphaValue() const { return FAlphaValue; }
  // The opacity of the next presentation; attached forms follow.
  void SetAlphaValue(Byte Value);
  // Content offset of a running show or hide slide, in window pixels.
  TPoint GetSlideOffset() const { return FSlideOffset; }
  void SetSlideOffset(const TPoint& Value);
  TZSERenderBuffer* GetRenderBuffer() const { return FRenderBuffer; }
  // The zoom: the content is rendered at RenderScale / DisplayScale of the window's size and shown
  // stretched to it through the zoom buffer, which exists only while the two scales differ.
  Integer GetDisplayScale() const { return FDisplayScale; }
  Integer GetRenderScale() const { return FRenderScale; }
  // Scales below 1 are refused.
  void SetZoom(Integer DisplayScale, Integer RenderScale);
  TZSERenderBuffer* GetZoomBuffer() const { return FZoomBuffer; }
  // What the window shows: the zoom buffer while there is one, else the render buffer.
  TZSERenderBuffer* GetShownBuffer() const { return FZoomBuffer ? FZoomBuffer : FRenderBuffer; }
  // Window pixels to content units and back.
  TPoint ClientToContent(const TPoint& P) const {
    return TPoint(MulDiv(P.X, FRenderScale, FDisplayScale), MulDiv(P.Y, FRenderScale, FDisplayScale));
  }
  TPoint ContentToClient(const TPoint& P) const {
    return TPoint(MulDiv(P.X, FDisplayScale, FRenderScale), MulDiv(P.Y, FDisplayScale, FRenderScale));
  }
  // The content area: the client rectangle in content units, widened by the content frame.
  TRect GetContentRect() const;
  // How far the content reaches beyond each side of the window: while maximized the transparent
  // margins lie outside it (the body fills the window) less the sizing frame that the window
  // system puts outside the monitor; a toolbar pushes its content beyond the screen edge and the
  // two sides along it, and pulls the side facing away in by as much as the edge side went out;
  // empty in the normal state.
  TRect GetContentFrame() const;
  // The sizing frame of a maximized window that lies beyond its monitor's work area (0 without a
  // window or where the window system keeps maximized windows on the work area).
  Integer GetMaximizedFrame() const { return FMaximizedFrame; }
  virtual void UpdateMaximizedFrame();
  bool GetPresented() const { return FPresented; }
  // Between the notifications 6 and 7 of a skin load.
  bool GetLoading() const { return FLoading; }
  // Invalidations inside a BeginPaint/EndPaint bracket are painted and presented once, at the
  // outermost EndPaint.
  void BeginPaint() { ++FPaintLock; }
  void EndPaint();
  // Marks R (client pixels) for repainting into the buffer; the whole client area when empty.
  void InvalidateContent(const TRect& R = TRect());
  // Paints the invalid part of the buffer (all of it when Full) and, for a layered window,
  // presents it at the outermost EndPaint.
  void UpdateContent(bool Full);
  // The buffer onto DC at (0, 0) for a window that is not layered.
  void PaintToDC(HDC DC);
  // Layered style or alpha region, after the image changed size or the switch changed.
  virtual void UpdateWindowShape(TZCLDib* Image);
  virtual void PresentLayered(TZCLDib* Image);

 protected:
  // Draws the form's content into the buffer (client pixels; cleared beforehand).
  virtual void PaintLayout(TZSERenderBuffer* Buffer) {}
  virtual bool CanPaint();
  // A form with a master form is hidden for good (its wanted visibility), so that it does not
  // come back with its master.
  void DoClose(TCloseAction& Action) override;
  void CreateParams(TCreateParams& Params) override;
  void WndProc(TMessage& Message) override;

  // 6: a skin unloads (nothing is presented and the buffer lets its memory go until 7);
  // 7: the load ended (painted in full and presented once).
  virtual void HandleNotification(Integer Code, NativeInt Argument);
  void HandleLoadNotification(Integer Code);
  virtual void LayeredApplied() {}
  virtual void MasterFormPinChanged() {}
  virtual void PlacementStateChanged() {}
  virtual void VisibilityApplied() {}
  virtual void StayOnTopChanged() {}
  virtual void ColorsApplied() {}
  virtual void DpiApplied() {}
  // The content rectangle changed (size, state or frame): the content is laid out again.
  virtual void ContentRectChanged() {}
  // Stores a measured frame; the content follows when it changed.
  void SetMaximizedFrame(Integer Value);
  void CheckContentRect();
  // A placement object (the master-form pin, the toolbar) changed.
  virtual void PlacementObjectChanged(TZSEFormPersistent* Sender);
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TZSEFormPersistent;
  friend class TZSEKeyboardSnapHelper;
  void SystemMoveChanging(WINDOWPOS& Pos);
  TZSEBaseForm* FMasterForm = nullptr;
  TZSEFormMasterFormPin* FMasterFormPin;
  TZSEFormToolBar* FToolBar;
  TZSEFormPlaceAnchors* FPlaceAnchors;
  TZCLSize* FInitialSize;
  TRect FAppBarRect;
  bool FAppBarRegistered = false;
  bool FAppBarPositioning = false;
  void SaveRestoredBounds();
  // The margins and the content frame of the current state.
  void CalculateMargins(TRect& Margins, TRect& Frame) const;
  TRect FMagnetRectOffsets;
  TRect FRestoredBounds;
  Integer FBorderWidth = 0;
  Integer FCaptionAreaHeight = 0;
  Integer FCurrentDpi = 96;
  Integer FScaleNumerator = 1;
  Integer FScaleDenominator = 1;
  Byte FWindowShapeState = 0;
  TZSERenderBuffer* FRenderBuffer = nullptr;
  TZSERenderBuffer* FZoomBuffer = nullptr;
  Integer FDisplayScale = 1;
  Integer FRenderScale = 1;
  TRect FInvalid;
  TPoint FSlideOffset;
  Integer FPaintLock = 0;
  Byte FAlphaValue = 255;
  bool FPresented = false;
  bool FFormVisible = false;
  bool FInitialVisible = true;
  bool FLoading = false;
  bool FApplyingVisibility = false;
  bool FCanMaximize = true;
  bool FDocked = false;
  bool FLocked = false;
  bool FSystemMove = false;
  Integer FMaximizedFrame = 0;
  TRect FLastContentRect;
};

// Watches the left Windows key with a keyboard hook of the UI thread: pressed while a skin form is
// the active window, that form's system move begins (the work areas of all monitors are taken
// then); released, it ends. Auto-repeats of the held key change nothing.
class TZSEKeyboardSnapHelper {
 public:
  static void Initialize();
  static void Finalize();
  // The form whose system move runs; none while the key is up.
  static TZSEBaseForm* GetForm() { return FForm; }
  // The edge (0 left, 1 right) and monitor index of the first work area whose top and bottom
  // Rect shares and whose left (else right) side it starts (else ends) at; false for none.
  static bool Match(const TRect& Rect, Integer& Edge, Integer& Monitor);
  // A form going away is forgotten.
  static void Forget(TZSEBaseForm* Form);

 private:
  static LRESULT HookProc(int Code, WPARAM WParam, LPARAM LParam);
  static inline TZSEBaseForm* FForm = nullptr;
  static inline HHOOK FHook = nullptr;
  static inline std::vector<TRect> FWorkAreas;
};

// Input state that is unique across all skin forms: the element with the keyboard focus, the one
// under the mouse, the one holding the mouse capture (and its top-level form), the one receiving
// touch gestures and the one whose context menu is open. Freed elements drop out.
class TZSEGlobalStateController : public TComponent {
  ZCL_CLASS(TZSEGlobalStateController, TComponent)
 public:
  using TComponent::TComponent;
  ~TZSEGlobalStateController() override;
  // Created on first use, freed at unit finalization.
  static TZSEGlobalStateController* Instance();
  // The controller when it exists, without making one.
  static TZSEGlobalStateController* Existing();
  static void Finalize();

  // Visible and enabled up its parents.
  static bool IsAvailable(TZSECustomVisualItem* Element);
  // Available and taking the focus.
  static bool CanFocus(TZSECustomVisualItem* Element);
  // The context-menu element, else the captured one, else the hovered one.
  TZSECustomVisualItem* GetActiveElement() const;
  TZSECustomVisualItem* GetFocusedElement() const { return FFocusedElement; }
  TZSECustomVisualItem* GetHoveredElement() const { return FHoveredElement; }
  TZSECustomVisualItem* GetCapturedElement() const { return FCapturedElement; }
  TCustomForm* GetCaptureForm() const { return FCaptureForm; }
  TZSECustomVisualItem* GetGestureElement() const { return FGestureElement; }
  TZSECustomVisualItem* GetContextMenuElement() const { return FContextMenuElement; }
  void SetContextMenuElement(TZSECustomVisualItem* Value);
  // An element that cannot take the focus leaves none focused.
  void SetFocusedElement(TZSECustomVisualItem* Element);
  // Ignored while an element holds the capture or a context menu is shown; the elements between
  // the old and the new one and their common parent hear that the mouse left or entered.
  void SetHoveredElement(TZSECustomVisualItem* Element);
  // While an element holds the capture no other element becomes hovered.
  void UpdateHover(TZSECustomVisualItem* Element);
  void SetCapturedElement(TZSECustomVisualItem* Element);
  void SetGestureElement(TZSECustomVisualItem* Element);
  // Drops the elements that became unavailable.
  void Reapply();
  // The focused element's shortcut pre-check; true when it takes the key as an ordinary key.
  bool ProcessShortCut(Word Key, TShiftState Shift);

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void Hold(TComponent* Value);
  void Release(TComponent* Value);
  TZSECustomVisualItem* FContextMenuElement = nullptr;
  TZSECustomVisualItem* FFocusedElement = nullptr;
  TZSECustomVisualItem* FHoveredElement = nullptr;
  TZSECustomVisualItem* FCapturedElement = nullptr;
  TCustomForm* FCaptureForm = nullptr;
  TZSECustomVisualItem* FGestureElement = nullptr;
};

TZSEGlobalStateController* GlobalStateController();

// A skin form with its layout tree. It routes pointer, keyboard, wheel, hint, gesture, context-menu
// and drop input to the skin element under the pointer or with the focus, and starts a user move
// or resize of the form on a press that no element takes.
class TZSEForm : public TZSEBaseForm, public IZSELayoutHost, public IZCLMouseTracking, public IZCLCursorProvider {
  ZCL_CLASS(TZSEForm, TZSEBaseForm)
  RTL_INTERFACES(TZSEBaseForm, IZSELayoutHost, IZCLMouseTracking, IZCLCursorProvider)
 public:
  explicit TZSEForm(TComponent* AOwner);
  ~TZSEForm() override;
  void BeforeDestruction() override;

  TZSELayout* GetLayout() const { return FLayout; }
  // Lays the tree out in the client area, within its size limits.
  void FitLayout();

  // The sizing border: its width at 96 DPI (negative values become 0; 5 by default) and whether
  // it lies inside the magnet margins (true by default).
  Integer GetSizingHitTestAreaWidth() const { return FSizingHitTestAreaWidth; }
  void SetSizingHitTestAreaWidth(Integer Value) { FSizingHitTestAreaWidth = Value < 0 ? 0 : Value; }
  bool GetSizingHitTestAreaTakeMagnetOffsetsIntoAccount() const { return FSizingTakeMagnetOffsets; }
  void SetSizingHitTestAreaTakeMagnetOffsetsIntoAccount(bool Value) { FSizingTakeMagnetOffsets = Value; }
  // Neither locked nor pinned nor inside the designer.
  bool CanDrag() const;
  // 0 none, 1 bottom, 2 left, 3 right, 4 top, 5 top-left, 6 top-right, 7 bottom-left,
  // 8 bottom-right for a client point; no element is hit on the border.
  Byte GetSizingCode(const TPoint& P);
  // Horizontal sizing unless MaxWidth is set and MinWidth reaches it; vertical likewise.
  bool CanSizeHorizontally() const;
  bool CanSizeVertically() const;

  // ---- input routing
  // Purposes of a hit test.
  static constexpr Integer HitPointer = 0;
  static constexpr Integer HitDoubleClick = 1;
  static constexpr Integer HitHint = 2;
  static constexpr Integer HitHintSecond = 3;
  // The element at a client point; none on the sizing border. Content gets the point in the
  // layout's units.
  TZSECustomVisualItem* HitTest(const TPoint& P, Integer Purpose, TPoint* Content = nullptr);
  // A user move or resize is under way.
  bool IsDragging() const { return FDragger != nullptr; }
  TZSECustomFormDragger* GetDragger() const { return FDragger; }
  // A resizer on the sizing border, a mover elsewhere on the body; none when moving is not
  // allowed or the point is outside the body.
  TZSECustomFormDragger* CreateDragger(const TPoint& P);
  // The deepest skin form docked in this one at a client point; Local gets the point in it.
  TZSEForm* FindDockedFormAt(const TPoint& P, TPoint* Local = nullptr);
  // ScreenPoint (-1, -1) is the keyboard's menu key: next to the element.
  void ShowElementMenu(TPoint ScreenPoint, Integer Button, TZSECustomVisualItem* Element);
  // Fills Data for a client point from Element; true when it gave a text.
  bool QueryHint(const TPoint& P, TZSECustomVisualItem* Element, TZSEHintData& Data);
  const TZSEHintData& GetHintData() const { return FHintData; }
  TZSECustomVisualItem* GetDropElement() const { return FDropElement; }
  void SetDropElement(TZSECustomVisualItem* Element);
  // Wheel delta waiting for a whole notch.
  Integer GetWheelRemainder() const { return FWheel.GetRemainder(); }
  // The drop target of the form's window.
  TObject* GetDropTarget() const;
  // The engine's rich-hint switch (on by default): hints with action lines use the advanced window.
  static bool GetRichHints();
  static void SetRichHints(bool Value);
  // Tab and Shift+Tab move the focus through the visible, enabled elements that take it.
  bool DialogKey(Word Key, TShiftState Shift);

  // IZCLMouseTracking
  bool IsMouseAtControl() override { return IsMouseInside(); }
  void MouseEnter() override {}
  void MouseLeave() override;
  bool IsMouseInside();
  // IZCLCursorProvider
  TCursor GetCursorAt(const TPoint& P) override;

  void LayoutInvalidate(const TRect& Rect) override;
  void PaintLayout(TZSERenderBuffer* Buffer) override;
  bool LayoutIsVisible() override { return GetVisible(); }
  TPoint LayoutClientToScreen(const TPoint& P) override { return ClientToScreen(ContentToClient(P)); }
  TPoint LayoutScreenToClient(const TPoint& P) override { return ClientToContent(ScreenToClient(P)); }

 protected:
  void HandleNotification(Integer Code, NativeInt Argument) override;
  void DpiApplied() override;
  void ContentRectChanged() override { FitLayout(); }
  void WndProc(TMessage& Message) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void KeyUp(Word& Key, TShiftState Shift) override;
  void KeyPress(Char& Key) override;
  bool IsShortCut(TMessage& Message) override;
  void DoContextPopup(TPoint MousePos, bool& Handled) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // Lets a derived form add entries to the shared form menu before it shows.
  virtual void PopulateContextMenu(TMenuItem* Items) {}
  // After a user move or resize ended with the left button.
  virtual void DragFinished() {}
  // The middle button pressed where no element takes it: passed on to the master form, else to
  // the application's main form when that is another skin form.
  virtual void MiddleButtonPressed();
  // A modal wait after a press at P: true once the pointer leaves the drag threshold's square,
  // false at any button or wheel message.
  virtual bool DetectDrag(const TPoint& P);

 private:
  void LayoutChanged(TZSELayout* Layout, Byte Flags);
  void ElementPress(TZSECustomVisualItem* Target, TMouseButton Button, TShiftState Shift, const TPoint& Local);
  void StartDrag(const TPoint& P);
  void CancelMode();
  void MouseWheelMessage(TMessage& Message);
  void HintShow(TMessage& Message);
  void SaveFocus();
  void RestoreFocus();
  void GestureNotify(TMessage& Message);
  void GestureMessage(TMessage& Message);
  void DropOver(TZCLDropTarget* Sender, TShiftState Shift, TPoint P, String& Hint, bool& Allow, TZCLDropAction& Action);
  void DropEnter(TObject* Sender);
  void DropLeave(TObject* Sender);
  void DropDrop(TZCLDropTarget* Sender, TShiftState Shift, TPoint P, TZCLDropAction Action);
  void DropScroll(TObject* Sender, TPoint P, Integer Lines, TMouseWheelDirection Direction, bool& Handled);
  TZSELayout* FLayout;
  TZSECustomFormDragger* FDragger = nullptr;
  TZCLDropTarget* FDropTarget = nullptr;
  TZSECustomVisualItem* FDropElement = nullptr;
  TZSECustomVisualItem* FSavedFocus = nullptr;
  TZSEHintData FHintData;
  TPoint FLastHintPos{-1, -1};
  TZSEWheelAccumulator FWheel;
  Integer FLayoutReactions = 0;
  Integer FSizingHitTestAreaWidth = 5;
  bool FSizingTakeMagnetOffsets = true;
  bool FLeftDown = false;
  bool FForwardingMiddle = false;
  bool FDetectingDrag = false;
  bool FCancelling = false;
};
