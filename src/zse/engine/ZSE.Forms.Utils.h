#pragma once
// Window magnets (skin windows snap to each other and to the screen edges while dragged) and the
// geometry of windows docked to a screen edge. All coordinates are screen pixels; distances are
// designed at 96 DPI and scaled to the DPI of the moving window.

#include <functional>
#include <vector>

#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Interfaces.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/ZCL.UI.Forms.h"

class TComponent;
class TCustomForm;
class TZCLDropTarget;
class TZCLSkinImageSetItem;
class TZCLTimer;

// Where a window sits relative to another: 1 left of it, 2 above, 3 right, 4 below; 0 apart.
class TZSEMagnet {
 public:
  TZSEMagnet() = delete;
  // Moves MovingRect onto the side of FixedRect it touches (within 7 px at 96 DPI, the ranges
  // overlapping within 1 px), aligning starts or ends that lie that close too.
  static Byte Check(TRect& MovingRect, const TRect& FixedRect, Integer DPI);
  // The same for a rectangle of SizeRect's size at TopLeft; the snapped corner is written back.
  static Byte SnapPoint(TPoint& TopLeft, const TRect& SizeRect, const TRect& FixedRect, Integer DPI);
  // Snaps to the bounds and work area of every monitor.
  static void SnapToScreen(TPoint& TopLeft, const TRect& SizeRect, Integer DPI);
};

// A window's place at a screen edge.
struct TZSEScreenEdgePlacement {
  Integer Value = -1;
  Integer MonitorIndex = 0;
  Byte Edge = 0;  // 0 left, 1 right, 2 top, 3 bottom
};

class TZSEToolbarHelper {
 public:
  TZSEToolbarHelper() = delete;
  // The strip along the placement's edge: of the monitor's bounds for Mode 1, else of its work
  // area enlarged by Offsets (an unknown monitor index means the primary monitor).
  static TRect GetEdgeRect(const TZSEScreenEdgePlacement& Placement, const TRect& Offsets, Byte Mode, TSize Size);
  // The float arrow at the edge one arrow length past Point, or before it near the edge's end.
  static TRect GetFloatArrowRect(TPoint Point, const TZSEScreenEdgePlacement& Placement, TSize Size);
  // False when Point lies inside the work area deflated by Distance; otherwise the edge it is at.
  static bool GetEdgeAtPoint(TPoint Point, Integer Distance, TZSEScreenEdgePlacement& Placement);
};

// What a skin form tells the glue and the magnets; forms without it use their bounds and take
// part while shown.
struct IZSEMagnetForm : virtual IInterface {
  RTL_INTERFACE(IZSEMagnetForm, IInterface, "{6C0E2B7D-3A51-4F8E-9B2C-5D7A1E4F8C30}")
  // The transparent margins around the visible window (scaled).
  virtual TRect GetMagnetRectOffsets() = 0;
  // Shown, in normal placement, and allowed.
  virtual bool TakesPartInMagnets() = 0;
  // Hosted in a dock site: never moved by the glue.
  virtual bool IsDocked() = 0;
  // Brackets bounds changes made for the glue.
  virtual void BeginPlacementUpdate() = 0;
  virtual void EndPlacementUpdate() = 0;
};

// The bounds deflated by the form's magnet offsets.
TRect GetMagnetRect(TCustomForm* Form);

// One window glued to another.
class TZSEGluedForm {
 public:
  TZSEGluedForm(Byte ASide, TCustomForm* AForm, TCustomForm* ATarget);
  // Back onto its side of the target, at the recorded ratio along it.
  void RestorePosition();
  // Records the sizes again when either changed; True then.
  bool UpdateSizes();
  // Both forms found again by name; False when either is missing.
  bool Resolve(const std::function<TComponent*(const String& Name)>& Resolver);

  TCustomForm* GetForm() const { return FForm; }
  TCustomForm* GetTarget() const { return FTarget; }
  Byte GetSide() const { return FSide; }
  float GetRatio() const { return FRatio; }

 private:
  TCustomForm* FForm;
  TCustomForm* FTarget;
  String FTargetName;
  TSize FTargetSize;
  String FFormName;
  TSize FFormSize;
  Byte FSide;
  float FRatio = 0;
};

// The windows glued, directly or through each other, to one window.
class TZSEGluedForms {
 public:
  // The skin's forms, in order (the skin manager's list; tests stand in); the screen's forms
  // when unset.
  static std::function<std::vector<TCustomForm*>()> FormList;

  TZSEGluedForms() = default;
  TZSEGluedForms(const TZSEGluedForms&) = delete;
  ~TZSEGluedForms() { Clear(); }
  void Clear();
  void Rebuild(TCustomForm* Form);
  void Collect(TCustomForm* Form);
  bool Contains(TCustomForm* Form) const;
  void RestorePositions();
  bool UpdateSizes();
  void Validate(const std::function<TComponent*(const String& Name)>& Resolver);
  // Magnet snapping of a move by Delta of Form, then of every glued form on the same delta.
  void SnapDelta(TCustomForm* Form, TPoint& Delta);
  void SnapGroup(TCustomForm* Form, TPoint& Delta);
  // Moves Form and its glued forms at once.
  void MoveGroup(TCustomForm* Form, TPoint Delta);
  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  TZSEGluedForm* GetItems(Integer Index) const { return FItems[static_cast<size_t>(Index)]; }

 private:
  std::vector<TZSEGluedForm*> FItems;  // owned
};

// ---- screen-edge toolbars ------------------------------------------------------------------------

// What a skin form tells the toolbar menu about docking at screen edges; a form without it
// offers only the stay-on-top item (from its FormStyle) and the placement lock.
struct IZSEToolbarForm : virtual IInterface {
  RTL_INTERFACE(IZSEToolbarForm, IInterface, "{9A4E2C71-5B38-4D06-8F1E-3C7B6A2D9E54}")
  // Bit i: the form may dock at edge i (0 left, 1 right, 2 top, 3 bottom).
  virtual Byte GetToolbarEdges() = 0;
  // Bit m: the toolbar supports pin mode m (0 auto-hide, 1 fixed, 2 float).
  virtual Byte GetToolbarPinModes() = 0;
  virtual Byte GetToolbarPinMode() = 0;
  virtual void SetToolbarPinMode(Byte Mode) = 0;
  // Docked as a toolbar; Edge is then set.
  virtual bool IsDockedAsToolbar(Byte& Edge) = 0;
  virtual void DockAsToolbar(const TZSEScreenEdgePlacement& Placement) = 0;
  virtual void Undock() = 0;
  virtual bool CanMaximize() = 0;
  virtual bool IsMaximized() = 0;
  virtual void SetMaximized(bool Value) = 0;
  virtual bool IsNormalPlacement() = 0;
  virtual bool AllowsExtraMenuItems() = 0;
  virtual bool GetStayOnTop() = 0;
  virtual void SetStayOnTop(bool Value) = 0;
  virtual bool GetPlacementLocked() = 0;
  virtual void SetPlacementLocked(bool Value) = 0;
};

class TZSEPopupMenu;

// The shared menu of a skin form's screen-edge placement, built again for each form.
TZSEPopupMenu* ToolbarPopup(TCustomForm* Form);
// The form the shared menu was last built for.
TCustomForm* ToolbarPopupForm();

// ---- drag image ----------------------------------------------------------------------------------

// Where a window will land while it is moved (translucent) or sized (a hollow frame): a topmost
// tool window that never activates and lets the mouse through.
class TZSEDragImage : public TForm {
  ZCL_CLASS(TZSEDragImage, TForm)
  VCL_MESSAGES()
 public:
  explicit TZSEDragImage(TComponent* AOwner);
  static TZSEDragImage* CreateImage(bool Translucent, TCustomForm* OwnerForm);
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  void ShowImage();
  void HideImage();
  bool GetTranslucent() const { return FTranslucent; }
  // The frame's width at the image's DPI.
  Integer GetScaledFrameWidth() const;
  static constexpr TColor Color = TColor(0x008F2929);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;

 private:
  void UpdateRegion();
  void WMPaint(TMessage& Message);
  void WMEraseBkgnd(TMessage& Message);
  void WMNCHitTest(TMessage& Message);
  void WMMouseActivate(TMessage& Message);

  Integer FFrameWidth = 4;
  bool FTranslucent = false;
  bool FNeedRegion = true;
  TCustomForm* FOwnerForm = nullptr;
};

// ---- float arrow ---------------------------------------------------------------------------------

// What a hidden skin form tells the arrow that stands for it; a form without it sits at the left
// edge of its monitor and is brought back by restoring and showing it.
struct IZSEFloatArrowForm : virtual IInterface {
  RTL_INTERFACE(IZSEFloatArrowForm, IInterface, "{3F7D1A92-6C4E-4B85-A0D3-8E2F5B9C7A16}")
  virtual TZSEScreenEdgePlacement GetScreenEdgePlacement() = 0;
  // Restores a minimized form, shows an auto-hidden edge toolbar and brings it to the foreground.
  virtual void BringBack() = 0;
  virtual void MiddleClick() = 0;
};

// The arrow at a screen edge that brings a hidden form back: at once on a click or when a file is
// dragged onto it, else once the pointer has rested at the edge for a second.
class TZSECustomFloatArrow : public TZCLBasicForm {
  ZCL_CLASS(TZSECustomFloatArrow, TZCLBasicForm)
  VCL_MESSAGES()
 public:
  explicit TZSECustomFloatArrow(TComponent* AOwner);
  void BeforeDestruction() override;

  // The skin forms' switches: arrows also while a full-screen window is in front; the arrow
  // shows at once instead of bringing the form back after the rest.
  static bool ShowOverFullScreen;
  static bool ShowAtOnce;
  // How long the pointer rests at the edge before the form comes back.
  static constexpr DWORD BringBackDelay = 1000;

  using TZCLBasicForm::Show;
  // Stands for AForm beside the pointer at AForm's screen edge, sized from the image for AForm's
  // DPI; nothing while a full-screen window is in front, unless that is allowed.
  void Show(TCustomForm* AForm);
  virtual void HideArrow() = 0;
  virtual void ShowArrow() = 0;
  // Forgets the target and hides the arrow.
  virtual void Release();
  // 0 for the left and top edges (and without a target), 1 for the right and bottom ones.
  Integer GetArrowFrameIndex();

  TCustomForm* GetTarget() const { return FTarget; }
  TZCLSkinImageSetItem* GetImage() const { return FImage; }
  TZCLTimer* GetTimer() const { return FTimer; }
  TZCLDropTarget* GetDropTarget() const { return FDropTarget; }

 protected:
  void Click() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void TimerTick(TObject* Sender);
  void WMMButtonDown(TMessage& Message);
  DWORD FStartTick = 0;

 private:
  void SetTarget(TCustomForm* Value);
  void DropEnter(TObject* Sender);

  TZCLDropTarget* FDropTarget;
  TCustomForm* FTarget = nullptr;
  TZCLSkinImageSetItem* FImage;
  TZCLTimer* FTimer;
};

// The arrow as a window: topmost, never activated, painting the image's frame for the edge.
class TZSEFloatArrowImpl : public TZSECustomFloatArrow {
  ZCL_CLASS(TZSEFloatArrowImpl, TZSECustomFloatArrow)
  VCL_MESSAGES()
 public:
  using TZSECustomFloatArrow::TZSECustomFloatArrow;
  void HideArrow() override;
  void ShowArrow() override;

 protected:
  void CreateParams(TCreateParams& Params) override;

 private:
  void WMPaint(TMessage& Message);
  void WMEraseBkgnd(TMessage& Message);
  void WMMouseActivate(TMessage& Message);
};

void FinalizeFormUtils();
