#include "zse/engine/ZSE.Forms.h"

#include <algorithm>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.TypInfo.h"
#include "zse/engine/ZSE.Layout.Calculator.h"
#include "zse/engine/ZSE.Manager.h"

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

bool TZSEFormMasterFormPin::IsEffective() const {
  return FPinned && FForm && !FForm->GetDocked() && FForm->GetMasterForm();
}

void TZSEFormToolBar::SetPinMode(Integer Value) {
  if (!IsPinModeSupported(Value) || Value == FPinMode) return;
  FPinMode = Value;
  Changed();
}

// ---- TZSEBaseForm -------------------------------------------------------------------------------------

TZSEBaseForm::TZSEBaseForm(TComponent* AOwner) : TForm(AOwner) {
  FMasterFormPin = new TZSEFormMasterFormPin(this);
  FToolBar = new TZSEFormToolBar(this);
  SkinManager()->RegisterForm(this);
}

TZSEBaseForm::~TZSEBaseForm() {
  if (TZSEManager* manager = TZSEManager::Instance()) manager->UnregisterForm(this);
  Free(FToolBar);
  Free(FMasterFormPin);
}

void TZSEBaseForm::DeclareProperties(TClassDeclaration<TZSEBaseForm>& D) {
  D.Property(u"Docked", &TZSEBaseForm::GetDocked, &TZSEBaseForm::SetDocked).Default(false);
}

void TZSEBaseForm::SetFormVisible(bool Value) {
  if (Value == GetVisible() || !TZSEDesigner::CanChangeSceneVisibility(this)) return;
  SetVisible(Value);
  VisibilityApplied();
}

void TZSEBaseForm::SetDocked(bool Value) {
  if (Value == FDocked) return;
  FDocked = Value;
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
  if (Value == FMasterForm || Value == this) return;
  if (FMasterForm) FMasterForm->RemoveFreeNotification(this);
  FMasterForm = Value;
  if (FMasterForm) FMasterForm->FreeNotification(this);
  MasterFormPinChanged();
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

void TZSEBaseForm::ToggleMaximize() {
  if (!FCanMaximize) return;
  SetWindowState(GetWindowState() == wsMaximized ? wsNormal : wsMaximized);
  PlacementStateChanged();
}

void TZSEBaseForm::DockToEdge(Integer Edge) {
  if (Edge < 0 || Edge > 3 || !(FToolBar->FAllowedEdges & (1 << Edge))) return;
  if (FToolBar->FDocked && FToolBar->FEdge == Edge) return;
  FToolBar->FDocked = true;
  FToolBar->FEdge = Edge;
  PlacementStateChanged();
}

void TZSEBaseForm::Undock() {
  if (!FToolBar->FDocked) return;
  FToolBar->FDocked = false;
  PlacementStateChanged();
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
  if (Sender == FMasterFormPin)
    MasterFormPinChanged();
  else
    PlacementStateChanged();
}

// ---- TZSEForm -----------------------------------------------------------------------------------------

TZSEForm::TZSEForm(TComponent* AOwner) : TZSEBaseForm(AOwner) {
  FLayout = Create<TZSELayout>(this);
  FLayout->OnChange = {this, &TZSEForm::LayoutChanged};
}

TZSEForm::~TZSEForm() { Free(FLayout); }

void TZSEForm::BeforeDestruction() {
  FLayout->OnChange = nullptr;
  TZSEBaseForm::BeforeDestruction();
}

void TZSEForm::FitLayout() { FLayout->BoundsFromSizeLimits(GetClientRect()); }

void TZSEForm::LayoutInvalidate(const TRect& Rect) {
  if (HandleAllocated()) Invalidate();
}

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
