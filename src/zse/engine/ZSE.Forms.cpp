#include "zse/engine/ZSE.Forms.h"

#include <algorithm>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.TypInfo.h"
#include "zse/engine/ZSE.Forms.Placement.h"
#include "zse/engine/ZSE.Layout.Calculator.h"
#include "zse/engine/ZSE.Layout.Containers.h"
#include "zse/engine/ZSE.Manager.h"
#include "zse/engine/ZSE.RenderBuffer.h"

// ---- placement objects ---------------------------------------------------------------------------------

void TZSEFormPersistent::Changed() {
  if (FForm) FForm->PlacementObjectChanged(this);
}

void TZSEFormMasterFormPin::DeclareProperties(TClassDeclaration<TZSEFormMasterFormPin>& D) {
  using T = TZSEFormMasterFormPin;
  D.Property(u"Pinned", &T::GetPinned, &T::SetPinned).Default(false);
  D.Property(u"Side", &T::GetSide, &T::SetSide).Default(2);
  D.Property(u"PreventExceedScreenEdges", &T::GetPreventExceedScreenEdges, &T::SetPreventExceedScreenEdges)
      .Default(false);
}

void TZSEFormMasterFormPin::SetPinned(bool Value) {
  if (Value == FPinned) return;
  FPinned = Value;
  Changed();
}

void TZSEFormMasterFormPin::SetSide(Integer Value) {
  Value = std::clamp(Value, 0, 3);
  if (Value == FSide) return;
  FSide = Value;
  Changed();
}

void TZSEFormMasterFormPin::SetMargins(const TRect& Value) {
  if (Value == FMargins) return;
  FMargins = Value;
  Changed();
}

void TZSEFormMasterFormPin::SetPreventExceedScreenEdges(bool Value) {
  if (Value == FPreventExceedScreenEdges) return;
  FPreventExceedScreenEdges = Value;
  Changed();
}

void TZSEFormMasterFormPin::SetDefaultHorzPort(TZSEFormDefaultHorzPort Value) {
  if (Value == FDefaultHorzPort) return;
  FDefaultHorzPort = Value;
  Changed();
}

bool TZSEFormMasterFormPin::IsEffective() const {
  return FPinned && FForm && !FForm->GetDocked() && FForm->GetMasterForm();
}

void TZSEFormToolBar::SetPinMode(Integer Value) {
  if (!IsPinModeSupported(Value) || Value == FPinMode) return;
  FPinMode = Value;
  Changed();
}

namespace {
bool GFormAnimations = true;
bool GToolbarSlide = true;
}  // namespace

bool TZSEFormToolBar::GetSlideEnabled() { return GToolbarSlide; }

void TZSEFormToolBar::SetSlideEnabled(bool Value) { GToolbarSlide = Value; }

bool TZSEFormToolBar::GetSlideDirection(Byte& Direction) const {
  static constexpr Byte away[4] = {1, 0, 3, 2};
  if (!GToolbarSlide || FPinMode != 0 || FEdge < 0 || FEdge > 3) return false;
  Direction = away[FEdge];
  return true;
}

bool TZSEBaseForm::GetAnimationsEnabled() { return GFormAnimations; }

void TZSEBaseForm::SetAnimationsEnabled(bool Value) { GFormAnimations = Value; }

// ---- TZSEBaseForm -------------------------------------------------------------------------------------

TZSEBaseForm::TZSEBaseForm(TComponent* AOwner) : TForm(AOwner) {
  FMasterFormPin = new TZSEFormMasterFormPin(this);
  FToolBar = new TZSEFormToolBar(this);
  FPlaceAnchors = new TZSEFormPlaceAnchors(this);
  FInitialSize = Create<TZCLSize>();
  SkinManager()->RegisterForm(this);
}

TZSEBaseForm::~TZSEBaseForm() {
  TZSEKeyboardSnapHelper::Forget(this);
  if (TZSEManager* manager = TZSEManager::Instance()) manager->UnregisterForm(this);
  Free(FRenderBuffer);
  Free(FZoomBuffer);
  Free(FPlaceAnchors);
  Free(FInitialSize);
  Free(FToolBar);
  Free(FMasterFormPin);
}

void TZSEBaseForm::DeclareProperties(TClassDeclaration<TZSEBaseForm>& D) {
  D.Property(u"Docked", &TZSEBaseForm::GetDocked, &TZSEBaseForm::SetDocked).Default(false);
}

void TZSEBaseForm::SetFormVisible(bool Value) {
  if (Value == FFormVisible || !TZSEDesigner::CanChangeSceneVisibility(this)) return;
  FFormVisible = Value;
  UpdateVisibility();
  VisibilityApplied();
}

bool TZSEBaseForm::ShouldBeVisible() {
  if (FDocked || !FFormVisible) return false;
  if (TZSEDesigner::IsDesigning() || FToolBar->FDocked || !FMasterForm) return true;
  return FMasterForm->GetVisible();
}

void TZSEBaseForm::UpdateVisibility() {
  if (GetComponentState().Contains(csDestroying) || FApplyingVisibility) return;
  const bool show = ShouldBeVisible();
  if (show != GetVisible()) {
    struct TGuard {
      bool& Flag;
      ~TGuard() { Flag = false; }
    } guard{FApplyingVisibility = true};
    SetVisible(show);
  }
  if (Screen)
    for (Integer i = 0; i < Screen->GetFormCount(); ++i)
      if (auto* f = dynamic_cast<TZSEBaseForm*>(Screen->GetForms(i)); f && f->FMasterForm == this)
        f->UpdateVisibility();
}

void TZSEBaseForm::DoClose(TCloseAction& Action) {
  if (FMasterForm) SetFormVisible(false);
  TForm::DoClose(Action);
}

void TZSEBaseForm::SetDocked(bool Value) {
  if (Value == FDocked) return;
  FDocked = Value;
  UpdateVisibility();
  PlacementStateChanged();
}

void TZSEBaseForm::SetLocked(bool Value) {
  if (Value == FLocked) return;
  FLocked = Value;
  PlacementStateChanged();
}

void TZSEBaseForm::SetStayOnTop(bool Value) {
  if (Value == GetStayOnTop()) return;
  SetFormStyle(Value ? fsStayOnTop : fsNormal);
  StayOnTopChanged();
}

void TZSEBaseForm::SetMasterForm(TZSEBaseForm* Value) {
  if (Value == FMasterForm) return;
  // A master that is this form or depends on it would make a cycle.
  for (TZSEBaseForm* m = Value; m; m = m->FMasterForm)
    if (m == this) return;
  if (FMasterForm) FMasterForm->RemoveFreeNotification(this);
  FMasterForm = Value;
  if (FMasterForm) FMasterForm->FreeNotification(this);
  MasterFormPinChanged();
  UpdateVisibility();
}

void TZSEBaseForm::Notification(TComponent* AComponent, TOperation Operation) {
  TForm::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FMasterForm) {
    FMasterForm = nullptr;
    MasterFormPinChanged();
  }
}

TZSEFormPlacementKind TZSEBaseForm::GetPlacementKind() const {
  if (FToolBar->FDocked) return fpkToolBar;
  switch (GetWindowState()) {
    case wsMinimized:
      return fpkMinimized;
    case wsMaximized:
      return fpkMaximized;
    default:
      return fpkNormal;
  }
}

bool TZSEBaseForm::CanMaximize() const {
  TSizeConstraints* c = GetConstraints();
  return FCanMaximize && c->GetMaxWidth() == 0 && c->GetMaxHeight() == 0 && !FToolBar->FDocked &&
         !FMasterFormPin->IsEffective() && !TZSEDesigner::IsDesigning();
}

TRect TZSEBaseForm::GetNormalBounds() const {
  const TZSEFormPlacementKind kind = GetPlacementKind();
  return kind == fpkToolBar || kind == fpkMaximized ? FRestoredBounds : GetBoundsRect();
}

void TZSEBaseForm::SaveRestoredBounds() {
  if (GetPlacementKind() == fpkNormal) FRestoredBounds = GetBoundsRect();
}

void TZSEBaseForm::Maximize() {
  if (!CanMaximize()) return;
  SaveRestoredBounds();
  SetWindowState(wsMaximized);
  // The margins and the content frame follow the state even when the size stays.
  CheckContentRect();
  PlacementStateChanged();
}

void TZSEBaseForm::Restore() { Restore(FRestoredBounds.TopLeft(), nullptr); }

void TZSEBaseForm::Restore(const TPoint& TopLeft, TZSELayoutDockSite* Site) {
  if (GetPlacementKind() == fpkNormal) return;
  FToolBar->FDocked = false;
  if (TZSEManager* manager = TZSEManager::Instance()) manager->UpdateToolbarForms(this);
  UpdateAppBar();
  SetWindowState(wsNormal);
  if (!FRestoredBounds.IsEmpty()) {
    TRect r(TopLeft, FRestoredBounds.Width(), FRestoredBounds.Height());
    if (Site) {
      SetBoundsRect(TRect(GetBoundsRect().TopLeft(), r.Width(), r.Height()));
      Site->Dock(this);
    } else {
      // Back onto the work area of the monitor under its centre, its visible body inside.
      if (TMonitor* monitor = Screen ? Screen->MonitorFromRect(r) : nullptr) {
        const TRect m = GetMagnetMargins();
        TRect area = monitor->GetWorkareaRect();
        area.Inflate(m.Left, m.Top, m.Right, m.Bottom);
        r.Offset(std::max(area.Left, std::min(r.Left, area.Right - r.Width())) - r.Left,
                 std::max(area.Top, std::min(r.Top, area.Bottom - r.Height())) - r.Top);
      }
      SetBoundsRect(r);
    }
  }
  CheckContentRect();
  PlacementStateChanged();
  SetFormVisible(true);
}

void TZSEBaseForm::ValidateState() {
  const TZSEFormPlacementKind kind = GetPlacementKind();
  if ((kind == fpkToolBar && !(FToolBar->GetAllowedEdges() & (1 << FToolBar->FEdge))) ||
      (kind == fpkMaximized && !CanMaximize()))
    Restore();
}

void TZSEBaseForm::ToggleMaximize() {
  if (GetWindowState() == wsMaximized)
    Restore();
  else
    Maximize();
}

void TZSEBaseForm::DockToEdge(Integer Edge, Integer Monitor) {
  if (Edge < 0 || Edge > 3 || !(FToolBar->GetAllowedEdges() & (1 << Edge))) return;
  if (Monitor < 0 && Screen)
    if (TMonitor* m = Screen->MonitorFromRect(GetBoundsRect())) Monitor = m->GetMonitorNum();
  if (FToolBar->FDocked && FToolBar->FEdge == Edge && FToolBar->FMonitor == Monitor) return;
  SaveRestoredBounds();
  FToolBar->FDocked = true;
  FToolBar->FEdge = Edge;
  FToolBar->FMonitor = Monitor;
  // The strip keeps the form's thickness across the edge.
  SetBoundsRect(FToolBar->CalculateRect(TSize(GetWidth(), GetHeight())));
  UpdateAppBar();
  if (TZSEManager* manager = TZSEManager::Instance()) manager->UpdateToolbarForms(this);
  if (GetWindowState() != wsNormal) SetWindowState(wsNormal);
  CheckContentRect();
  PlacementStateChanged();
}

void TZSEBaseForm::Undock() {
  if (FToolBar->FDocked) Restore();
}

void TZSEBaseForm::SetWindowShapeState(Byte Value) {
  if (Value == FWindowShapeState) return;
  FWindowShapeState = Value;
  LayeredApplied();
}

void TZSEBaseForm::SetScaleFactor(Integer Numerator, Integer Denominator) {
  if (Numerator <= 0 || Denominator <= 0) return;
  FScaleNumerator = Numerator;
  FScaleDenominator = Denominator;
  DpiApplied();
}

void TZSEBaseForm::SetCurrentDpi(Integer Value) {
  if (Value <= 0 || Value == FCurrentDpi) return;
  FCurrentDpi = Value;
  DpiApplied();
}

void TZSEBaseForm::PlacementObjectChanged(TZSEFormPersistent* Sender) {
  if (Sender == FMasterFormPin) {
    MasterFormPinChanged();
    return;
  }
  // Another pin mode may take another strip (the monitor's full bounds or its work area).
  if (Sender == FToolBar && FToolBar->FDocked) SetBoundsRect(FToolBar->CalculateRect(TSize(GetWidth(), GetHeight())));
  UpdateAppBar();
  PlacementStateChanged();
}

// ---- TZSEForm -----------------------------------------------------------------------------------------

TZSEForm::TZSEForm(TComponent* AOwner) : TZSEBaseForm(AOwner) {
  // Elements take the presses; the form itself neither captures the mouse nor clicks.
  TControlStyle style = GetControlStyle();
  style.Exclude(csCaptureMouse);
  style.Exclude(csClickEvents);
  SetControlStyle(style);
  SetKeyPreview(true);
  SetShowHint(true);
  SetTabStop(true);
  FDropTarget = new TZCLDropTarget(this);
  FDropTarget->SetTarget(this);
  FDropTarget->OnOver = {this, &TZSEForm::DropOver};
  FDropTarget->OnScroll = {this, &TZSEForm::DropScroll};
  FDropTarget->OnLeave = {this, &TZSEForm::DropLeave};
  FDropTarget->OnEnter = {this, &TZSEForm::DropEnter};
  FDropTarget->OnDrop = {this, &TZSEForm::DropDrop};
  FLayout = Create<TZSELayout>(this);
  FLayout->OnChange = {this, &TZSEForm::LayoutChanged};
}

TZSEForm::~TZSEForm() {
  delete FDragger;
  FDragger = nullptr;
  Free(FLayout);
}

void TZSEForm::BeforeDestruction() {
  FLayout->OnChange = nullptr;
  FDropTarget->SetTarget(nullptr);
  FreeAndNil(FDropTarget);
  TZCLMouseTracker::Forget(this);
  TZSEBaseForm::BeforeDestruction();
}

void TZSEForm::Notification(TComponent* AComponent, TOperation Operation) {
  TZSEBaseForm::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FSavedFocus) FSavedFocus = nullptr;
  if (AComponent == FDropElement) FDropElement = nullptr;
  if (AComponent == FDropTarget) FDropTarget = nullptr;
}

void TZSEForm::FitLayout() { FLayout->BoundsFromSizeLimits(GetContentRect()); }

void TZSEForm::LayoutInvalidate(const TRect& Rect) {
  const TPoint a = ContentToClient(Rect.TopLeft()), b = ContentToClient(Rect.BottomRight());
  // Rounding must not lose the last pixel column or row of a zoomed rectangle.
  InvalidateContent(Rect.IsEmpty() ? Rect : TRect(a.X, a.Y, b.X + GetDisplayScale(), b.Y + GetDisplayScale()));
}

void TZSEForm::PaintLayout(TZSERenderBuffer* Buffer) { FLayout->DrawLayers(Buffer); }

void TZSEForm::LayoutChanged(TZSELayout* Layout, Byte Flags) {
  if (!(Flags & (ZSELayoutChangeSize | ZSELayoutChangeStructure))) return;
  // A reaction may change the layout again; deeper nesting than this does nothing.
  if (FLayoutReactions >= 4) return;
  ++FLayoutReactions;
  SetCalculating(true);
  try {
    FitLayout();
    Notify(ZSEFormNotifyRelayout);
  } catch (...) {
    SetCalculating(false);
    --FLayoutReactions;
    throw;
  }
  SetCalculating(false);
  --FLayoutReactions;
}

void TZSEForm::HandleNotification(Integer Code, NativeInt Argument) {
  TZSEBaseForm::HandleNotification(Code, Argument);
  switch (Code) {
    case ZSEFormNotifyLanguageApplied:
      FLayout->LanguageChanged();
      break;
    case ZSEFormNotifySkinLoaded:
      FLayout->SkinLoaded();
      break;
    case ZSEFormNotifyResetStoredSizes:
      FLayout->ResetStoredSizes();
      break;
    case ZSEFormNotifyBeginUpdate:
      FLayout->BeginUpdate();
      break;
    case ZSEFormNotifyEndUpdate:
      FLayout->EndUpdate();
      break;
    default:
      break;
  }
}

void TZSEForm::DpiApplied() {
  FLayout->SetCurrentDpi(MulDiv(GetCurrentDpi(), GetScaleNumerator(), GetScaleDenominator()));
  FitLayout();
}
