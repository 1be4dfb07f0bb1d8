#pragma once
// The skin form base: a top-level window of a skin with its placement state (docked in a dock
// site, placement lock, stay on top, pinned to a master form, docked to a screen edge as a
// toolbar, minimized or maximized), the hooks its descendants override when that state changes,
// the notification codes of the skin manager, and the form's layout tree. The form paints into
// its render buffer and shows it in a layered window, or in a window shaped from its alpha.
//
// FIXME: the zoom buffer (render and display scales), the desktop-toolbar registration, the
// keyboard snap hook and the routing of pointer and keyboard input to skin elements are still
// to come.

#include "rtl/RTL.Geometry.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Classes.h"
#include "zse/engine/ZSE.Layout.h"
#include "zse/engine/ZSE.Types.h"

class TZCLDib;
class TZCLIniFile;
class TZCLIniFileSection;
class TZSEBaseForm;
class TZSEFormPlaceAnchors;
class TZSERenderBuffer;

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
  // Four bits, one per edge.
  Byte GetAllowedEdges() const { return FAllowedEdges; }
  void SetAllowedEdges(Byte Value) { FAllowedEdges = Value & 15; }
  // The engine's form-toolbar switch (on by default; off while a skin loads).
  static bool GetSlideEnabled();
  static void SetSlideEnabled(bool Value);
  // A toolbar hidden at its edge slides away from it (0..3 as for show and hide animations);
  // false while the switch is off or in any other pin mode.
  bool GetSlideDirection(Byte& Direction) const;

 private:
  friend class TZSEBaseForm;
  Byte FAllowedEdges = 15;
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
  void ToggleMaximize();
  // Enters toolbar mode at an allowed edge; the normal bounds are kept for the way back.
  void DockToEdge(Integer Edge);
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
  TRect GetMagnetRectOffsets() const { return FMagnetRectOffsets; }
  void SetMagnetRectOffsets(const TRect& Value) { FMagnetRectOffsets = Value; }

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
  void CreateParams(TCreateParams& Params) override;
  void WndProc(TMessage& Message) override;

  // 6: a skin unloads (nothing is presented and the buffer lets its memory go until 7);
  // 7: the load ended (painted in full and presented once).
  virtual void HandleNotification(Integer Code, NativeInt Argument);
  virtual void LayeredApplied() {}
  virtual void MasterFormPinChanged() {}
  virtual void PlacementStateChanged() {}
  virtual void VisibilityApplied() {}
  virtual void StayOnTopChanged() {}
  virtual void ColorsApplied() {}
  virtual void DpiApplied() {}
  // A placement object (the master-form pin, the toolbar) changed.
  virtual void PlacementObjectChanged(TZSEFormPersistent* Sender);
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TZSEFormPersistent;
  TZSEBaseForm* FMasterForm = nullptr;
  TZSEFormMasterFormPin* FMasterFormPin;
  TZSEFormToolBar* FToolBar;
  TZSEFormPlaceAnchors* FPlaceAnchors;
  void SaveRestoredBounds();
  TRect FMagnetRectOffsets;
  TRect FRestoredBounds;
  Integer FCurrentDpi = 96;
  Integer FScaleNumerator = 1;
  Integer FScaleDenominator = 1;
  Byte FWindowShapeState = 0;
  TZSERenderBuffer* FRenderBuffer = nullptr;
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
};

// A skin form with its layout tree.
class TZSEForm : public TZSEBaseForm, public IZSELayoutHost {
  ZCL_CLASS(TZSEForm, TZSEBaseForm)
  RTL_INTERFACES(TZSEBaseForm, IZSELayoutHost)
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

  void LayoutInvalidate(const TRect& Rect) override;
  void PaintLayout(TZSERenderBuffer* Buffer) override;
  bool LayoutIsVisible() override { return GetVisible(); }
  TPoint LayoutClientToScreen(const TPoint& P) override { return ClientToScreen(P); }
  TPoint LayoutScreenToClient(const TPoint& P) override { return ScreenToClient(P); }

 protected:
  void HandleNotification(Integer Code, NativeInt Argument) override;
  void DpiApplied() override;

 private:
  void LayoutChanged(TZSELayout* Layout, Byte Flags);
  TZSELayout* FLayout;
  Integer FLayoutReactions = 0;
  Integer FSizingHitTestAreaWidth = 5;
  bool FSizingTakeMagnetOffsets = true;
};
