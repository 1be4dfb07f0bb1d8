#pragma once
// The drag of a dock panel: drop zones over the dock site and over the dock control under the
// mouse, a translucent preview of the landing place, and on release either docking into the
// chosen zone (which reshapes the tree of groups) or a floating tool window of its own.

#include <vector>

#include "vcl/VCL.Forms.h"
#include "zcl/ui/docking/ZCL.UI.Controls.Docking.h"

class TZCLSkinImage;

// A zone window: a small click-through picture of an arrow (frame 0 normal, 1 highlighted).
class TZCLDockZone : public TCustomForm {
  ZCL_CLASS(TZCLDockZone, TCustomForm)
 public:
  TZCLDockZone(TZCLDockControl* AOwner, Integer ASide);
  ~TZCLDockZone() override;
  TZCLDockControl* GetDockOwner() const { return FDockOwner; }
  Integer GetSide() const { return FSide; }
  bool GetHighlighted() const { return FHighlighted; }
  void SetHighlighted(bool Value);
  void SetZoneEnabled(bool Value);
  // The zone's size: its image frame at the owner's DPI plus 5 (scaled) on every side.
  TSize GetZoneSize();

  virtual TRect CalculateBounds() = 0;
  virtual bool CanDock(TZCLDockControl*) { return false; }
  // The preview rectangle (screen).
  virtual void CalculateSelection(TZCLDockControl* Control, TRect& R) = 0;
  virtual void Dock(TZCLDockControl* Control) = 0;

 protected:
  void CreateParams(TCreateParams& Params) override;
  void PaintWindow(HDC DC) override;
  // The bitmap resource of the image by side (-1: the centre).
  static const char16_t* ImageName(Integer Side);
  TZCLDockControl* FDockOwner;
  Integer FSide;
  bool FHighlighted = false;
  TZCLSkinImage* FImage = nullptr;
};

// An edge of the site under the mouse.
class TZCLDockZoneSide : public TZCLDockZone {
  ZCL_CLASS(TZCLDockZoneSide, TZCLDockZone)
 public:
  using TZCLDockZone::TZCLDockZone;
  TRect CalculateBounds() override;
  bool CanDock(TZCLDockControl*) override { return true; }
  void CalculateSelection(TZCLDockControl* Control, TRect& R) override;
  void Dock(TZCLDockControl* Control) override;
};

// The centre of the dock control under the mouse.
class TZCLDockZoneClient : public TZCLDockZone {
  ZCL_CLASS(TZCLDockZoneClient, TZCLDockZone)
 public:
  explicit TZCLDockZoneClient(TZCLDockControl* AOwner) : TZCLDockZone(AOwner, -1) {}
  TRect CalculateBounds() override;
  bool CanDock(TZCLDockControl* Control) override;
  void CalculateSelection(TZCLDockControl* Control, TRect& R) override;
  void Dock(TZCLDockControl* Control) override;
};

// A side next to a centre zone.
class TZCLDockZoneClientSide : public TZCLDockZoneSide {
  ZCL_CLASS(TZCLDockZoneClientSide, TZCLDockZoneSide)
 public:
  TZCLDockZoneClientSide(TZCLDockControl* AOwner, Integer ASide, TZCLDockZoneClient* ACentre)
      : TZCLDockZoneSide(AOwner, ASide), FCentre(ACentre) {}
  TRect CalculateBounds() override;
  bool CanDock(TZCLDockControl* Control) override;
  void Dock(TZCLDockControl* Control) override;

 private:
  TZCLDockZoneClient* FCentre;
};

// The preview: translucent, click-through, shown without activation.
class TZCLDragSelection : public TCustomForm {
  ZCL_CLASS(TZCLDragSelection, TCustomForm)
 public:
  explicit TZCLDragSelection(TComponent* AOwner);

 protected:
  void CreateParams(TCreateParams& Params) override;
  void PaintWindow(HDC DC) override;
};

class TZCLDockEngine : public TObject {
  ZCL_CLASS(TZCLDockEngine, TObject)
 public:
  explicit TZCLDockEngine(TZCLDockControl* AControl);
  ~TZCLDockEngine() override;
  void DragMove(const TPoint& ScreenPoint);
  void Drop();
  void Float();

  TZCLDockControl* GetControl() const { return FControl; }
  const std::vector<TZCLDockZone*>& GetZones() const { return FZones; }
  TZCLDockZone* GetHotZone() const { return FHotZone; }
  TZCLDockSite* GetSiteTarget() const { return FSiteTarget; }
  TZCLDockControl* GetControlTarget() const { return FControlTarget; }
  TZCLDragSelection* GetSelection() const { return FSelection; }
  TRect GetSelectionRect() const { return FSelectionRect; }

 private:
  void FreeZonesOf(TZCLDockControl* Owner);
  bool SetTarget(TZCLDockControl*& Stored, TZCLDockControl* Target);
  std::vector<TZCLDockZone*> FZones;  // owned
  TZCLDragSelection* FSelection = nullptr;
  TZCLDockSite* FSiteTarget = nullptr;
  TZCLDockControl* FControlTarget = nullptr;
  TZCLDockZone* FHotZone = nullptr;
  TZCLDockControl* FControl;
  TPoint FStartCursor;
  TRect FFrameMargins;
  TRect FSelectionRect;
};

// A floating tool window holding a group of its own.
class TZCLFloatDockForm : public TCustomForm {
  ZCL_CLASS(TZCLFloatDockForm, TCustomForm)
  VCL_MESSAGES()
 public:
  explicit TZCLFloatDockForm(TZCLDockSite* ASite);
  ~TZCLFloatDockForm() override;
  void BeforeDestruction() override;
  TZCLDockGroup* GetGroup() const { return FGroup; }
  TZCLDockSite* GetSite() const { return FSite; }
  void LayoutLoad(TZCLXMLNode* Node);
  void LayoutSave(TZCLXMLNode* Node);
  // Outer against client rectangle; zero without a window.
  TRect GetFrameMargins();

 protected:
  friend class TZCLDockSite;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void DoClose(TCloseAction& Action) override;
  void CreateWnd() override;
  void CMDockingPack(TMessage& Message);
  void CMDockingTextChanged(TMessage& Message);
  void CMDockingVisibility(TMessage& Message);
  void CMControlListChange(TMessage& Message);
  void WMNCLButtonDown(TMessage& Message);
  void WMEnterSizeMove(TMessage& Message);
  void WMExitSizeMove(TMessage& Message);

 private:
  TZCLDockSite* FSite;
  TZCLDockGroup* FGroup = nullptr;
  bool FReleasing = false;
};

// The frame margins of the floating window a control sits on directly; zero otherwise.
TRect DockFrameMargins(TControl* Control);
