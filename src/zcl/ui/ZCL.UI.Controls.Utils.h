#pragma once
// Plain routines the controls of the library share: keyboard and mouse state, drag detection,
// focus, coordinate mapping, page navigation, scrolling an item into view, painting what lies
// behind a transparent control, creating controls in code, and three-state conversions; the
// sub-control options that glue a second control to one side of its owner; and a batch that
// moves many controls at once.

#include <unordered_map>
#include <vector>

#include "os/OS.Types.h"
#include "rtl/RTL.Geometry.h"
#include "vcl/VCL.Controls.h"
#include "zcl/base/ZCL.Utils.Common.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/ui/ZCL.UI.Resources.h"

enum TCheckBoxState : Byte { cbUnchecked, cbChecked, cbGrayed };
ZCL_ENUM(TCheckBoxState, cbUnchecked, cbChecked, cbGrayed);

// A compound control that hands the focus to an inner control.
struct IZCLInnerControl : virtual IInterface {
  RTL_INTERFACE(IZCLInnerControl, IInterface, "{AFA0E5B1-7238-404F-9D78-573277EAAA82}")
  virtual TWinControl* GetInnerControl() = 0;
};

TShiftState GetShiftStateFromKeyboard();
bool IsAltPressed();
bool IsCtrlPressed();
WPARAM ShiftStateToKeys(TShiftState Shift);
// MulDiv(240, Percent, 100) + 15 as a byte.
Byte PercentToAlpha(Integer Percent);
// F4 without modifiers, or Alt+Down.
bool IsDropDownKey(Word Key, TShiftState Shift);
// Actual has every state of Required and no Shift, Alt or Ctrl beyond it (mouse buttons may be extra).
bool ShiftStateMatches(TShiftState Required, TShiftState Actual);
// The system's drag threshold at DPI.
Integer GetDragThreshold(Integer DPI);
bool IsDragThresholdExceeded(Integer DX, Integer DY, Integer DPI);
bool PointDistance(const TPoint& P1, const TPoint& P2, Integer DPI);
// Captures the mouse and waits: true once it leaves the threshold square around (X, Y) (client
// coordinates), false on a click, a wheel, a lost capture or a vanished window.
bool CheckStartDrag(TWinControl* Control, Integer X, Integer Y);
Integer GetRectWidthWithIndent(const TRect& Rect, Integer DPI);
// Candidate is Control or one of its parents.
bool IsChildOrSelf(TControl* Control, TControl* Candidate);
bool FocusWindow(HWND Window);
HWND GetFocusedWindow();
// Gives the control the focus when it can take it; never raises (false on any failure).
bool SafeSetFocus(TWinControl* Control);
TPoint MapPointBetweenControls(TWinControl* From, TWinControl* To, const TPoint& Point);
TRect MapRectBetweenControls(TWinControl* From, TWinControl* To, const TRect& Rect);
int CanvasSaveDC(TCanvas* Canvas);
void CanvasRestoreDC(TCanvas* Canvas, int Saved);
void InvalidateWindowRect(TWinControl* Control, const TRect& Rect, bool Erase);
// Creates a control of ControlClass owned by Parent, placed and aligned (anchors only at alNone).
TControl* CreateControl(TClass ControlClass, TWinControl* Parent, const TRect& Bounds, TAlign Align = alNone,
                        TAnchors Anchors = TAnchors{akLeft, akTop});
template <class T>
T* CreateControl(T*& Result, TWinControl* Parent, const TRect& Bounds, TAlign Align = alNone,
                 TAnchors Anchors = TAnchors{akLeft, akTop}) {
  Result = static_cast<T*>(CreateControl(T::StaticClass(), Parent, Bounds, Align, Anchors));
  return Result;
}
// The item to go to for a page step (the caller clamps).
Integer CalcPageTarget(Integer Current, Integer FirstVisible, Integer LastVisible, bool Forward);
// Offsets that bring ItemRect into ViewRect: Mode 0 make visible, 1 to the start, 2 centred.
TPoint CalcScrollDelta(const TRect& ItemRect, const TRect& ViewRect, Integer Mode);
TCheckBoxState BooleanToCheckState(TZCLBoolean Value);
TZCLBoolean CheckStateToBoolean(TCheckBoxState Value);
TCheckBoxState CheckStateFromFlags(bool Checked, bool Mixed);
// Calls an assigned custom-draw event; its Handled answer (false when none is assigned).
template <class E, class... A>
bool CallCustomDrawEvent(const E& Event, A&&... Args) {
  if (!Event) return false;
  bool handled = false;
  Event(std::forward<A>(Args)..., handled);
  return handled;
}
// Paints what lies behind Control into DC within Rect (Control's client coordinates): its
// parent, then the windowed siblings below it in z-order.
void DrawParentBackground(TControl* Control, HDC DC, const TRect& Rect);

// ---- sub-control options ----------------------------------------------------------------------

// A second control glued to one side of its owner and laid out with it. The owner calls Align
// while it computes its own bounds and AddToOwnerSize for its auto-size.
class TZCLSubControlOptions : public TPersistent {
  ZCL_CLASS(TZCLSubControlOptions, TPersistent)
 public:
  explicit TZCLSubControlOptions(TControl* AOwner);
  ~TZCLSubControlOptions() override;
  static void DeclareProperties(TClassDeclaration<TZCLSubControlOptions>& D);
  void Assign(TPersistent* Source) override;
  TPersistent* GetOwner() const override { return FOwner; }

  TControl* GetControl() const { return FControl; }
  // EInvalidArgument "The control cannot be set as sub-control" for the owner, one of its
  // parents or a control that cannot sit beside it (the old control stays detached then).
  void SetControl(TControl* Value);
  TZCLBorder GetPosition() const { return FPosition; }
  void SetPosition(TZCLBorder Value);
  TZCLBoolean GetAlign() const { return FAlign; }
  void SetAlign(TZCLBoolean Value);

  // Places the glued control beside OwnerRect (parent coordinates) and shrinks OwnerRect by it.
  virtual void Align(TRect& OwnerRect);
  virtual void AlignChanged();
  virtual void UpdateVisibility();
  Integer GetIndent() const;
  void AddToOwnerSize(Integer& Width, Integer& Height);
  void SubtractFromOwnerSize(Integer& Width, Integer& Height);
  void FocusControl();
  // Drops a control whose parent is not the owner's; true when a control is attached.
  bool Validate();
  // Called by the owner when a component it watches goes.
  void Notification(TComponent* AComponent, TOperation Operation);

 protected:
  virtual void GluedWindowProc(TMessage& Message);

 private:
  void Detach();
  void QueueAlignChanged();
  void QueuedAlignChanged();
  TControl* FOwner;
  TControl* FControl = nullptr;
  TZCLBorder FPosition = mRight;
  TZCLBoolean FAlign = TZCLBoolean::Default;
  TWndMethod FPreviousWindowProc;
  TSize FLastAutoSize{-1, -1};
  bool FPlacing = false;
  TComponent* FWatcher = nullptr;
};

// The control's published "SubControl" options, when it has them.
TZCLSubControlOptions* GetSubControlOptions(TControl* Control);

// Moves many controls at once: windows in one deferred batch, the others by their bounds.
class TZCLDeferPlacementUpdate : public TObject {
  ZCL_CLASS(TZCLDeferPlacementUpdate, TObject)
 public:
  // A later entry of the same control replaces the earlier one.
  void Add(TControl* Control, const TRect& Bounds);
  void Apply();
  // The entry of the control, else its current bounds.
  TRect GetBounds(TControl* Control) const;
  Integer GetCount() const { return static_cast<Integer>(FOrder.size()); }

 private:
  std::unordered_map<TControl*, TRect> FEntries;
  std::vector<TControl*> FOrder;
};

void RegisterControlUtilsClasses();
