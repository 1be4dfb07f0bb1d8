#include "zcl/ui/controls/ZCL.UI.Controls.Splitter.h"

#include "os/OS.Input.h"
#include "zcl/ui/ZCL.Utils.Desktop.h"

// ---- orientation ------------------------------------------------------------------------------

TZCLSplitterViewInfo::TZCLSplitterViewInfo(TZCLSplitter* ASplitter) : FSplitter(ASplitter), FCursor(crHSplit) {}

Integer TZCLSplitterViewInfo::GetSize() { return FSplitter->GetControl()->GetWidth(); }

Integer TZCLSplitterViewInfo::GetParentSize() {
  TWinControl* parent = FSplitter->GetControl()->GetParent();
  return parent ? parent->GetWidth() : 0;
}

void TZCLSplitterViewInfo::SetSize(Integer Value) {
  TSizeConstraints* c = FSplitter->GetControl()->GetConstraints();
  if (c->GetMaxWidth() > 0) Value = std::min(Value, c->GetMaxWidth());
  if (c->GetMinWidth() > 0) Value = std::max(Value, c->GetMinWidth());
  FSplitter->GetControl()->SetWidth(Value);
}

void TZCLSplitterViewInfo::UpdatePosition() {
  TControl* c = FSplitter->GetControl();
  const Integer left = c->GetAlign() == alRight ? c->GetLeft() - FSplitter->GetWidth() : c->GetLeft() + c->GetWidth();
  FSplitter->SetBounds(left, FSplitter->GetTop(), FSplitter->GetWidth(), FSplitter->GetHeight());
}

bool TZCLSplitterViewInfo::IsReversed() { return FSplitter->GetControl()->GetAlign() == alRight; }

Integer TZCLSplitterViewInfo::ResizeBy(Integer Delta) {
  TControl* c = FSplitter->GetControl();
  const bool reversed = IsReversed();
  const Integer s = c->GetVisible() ? GetSize() : 0;
  Integer n = s + (reversed ? -Delta : Delta);
  if (n < 1) n = 0;
  if ((n > 0) != c->GetVisible() && FSplitter->GetCanToggle()) FSplitter->Toggle();
  if (c->GetVisible()) SetSize(n);
  const Integer applied = c->GetVisible() ? GetSize() - s : -s;
  return reversed ? -applied : applied;
}

void TZCLSplitterViewInfo::Resize(TPoint& Delta) { Delta = TPoint(ResizeBy(Delta.X), 0); }

TZCLSplitterVerticalViewInfo::TZCLSplitterVerticalViewInfo(TZCLSplitter* ASplitter) : TZCLSplitterViewInfo(ASplitter) {
  FCursor = crVSplit;
}

Integer TZCLSplitterVerticalViewInfo::GetSize() { return FSplitter->GetControl()->GetHeight(); }

Integer TZCLSplitterVerticalViewInfo::GetParentSize() {
  TWinControl* parent = FSplitter->GetControl()->GetParent();
  return parent ? parent->GetHeight() : 0;
}

void TZCLSplitterVerticalViewInfo::SetSize(Integer Value) {
  TSizeConstraints* c = FSplitter->GetControl()->GetConstraints();
  if (c->GetMaxHeight() > 0) Value = std::min(Value, c->GetMaxHeight());
  if (c->GetMinHeight() > 0) Value = std::max(Value, c->GetMinHeight());
  FSplitter->GetControl()->SetHeight(Value);
}

void TZCLSplitterVerticalViewInfo::UpdatePosition() {
  TControl* c = FSplitter->GetControl();
  const Integer top = c->GetAlign() == alBottom ? c->GetTop() - FSplitter->GetHeight() : c->GetTop() + c->GetHeight();
  FSplitter->SetBounds(FSplitter->GetLeft(), top, FSplitter->GetWidth(), FSplitter->GetHeight());
}

bool TZCLSplitterVerticalViewInfo::IsReversed() { return FSplitter->GetControl()->GetAlign() == alBottom; }

void TZCLSplitterVerticalViewInfo::Resize(TPoint& Delta) { Delta = TPoint(0, ResizeBy(Delta.Y)); }

// ---- splitter ---------------------------------------------------------------------------------

TZCLSplitter::TZCLSplitter(TComponent* AOwner) : TZCLGraphicControl(AOwner) {
  TControlStyle style = GetControlStyle();
  style.Include(csCaptureMouse);
  style.Include(csClickEvents);
  style.Include(csDoubleClicks);
  style.Exclude(csOpaque);
  SetControlStyle(style);
  SetBounds(GetLeft(), GetTop(), 5, 5);
  SetAlign(alLeft);
  RecreateViewInfo();
}

TZCLSplitter::~TZCLSplitter() {
  Free(FViewInfo);
  FViewInfo = nullptr;
}

void TZCLSplitter::DeclareProperties(TClassDeclaration<TZCLSplitter>& D) {
  D.Property(u"Align", &TZCLSplitter::GetSplitterAlign, &TZCLSplitter::SetSplitterAlign).Default(alLeft);
  D.Property(u"CanToggle", &TZCLSplitter::GetCanToggle, &TZCLSplitter::SetCanToggle).Default(true);
  D.Property(u"Control", &TZCLSplitter::GetControl, &TZCLSplitter::SetControl);
  D.Event(u"OnPaint", &TZCLSplitter::OnPaint);
}

void TZCLSplitter::RecreateViewInfo() {
  Free(FViewInfo);
  const TAlign a = GetAlign();
  FViewInfo = a == alLeft || a == alRight ? new TZCLSplitterViewInfo(this) : new TZCLSplitterVerticalViewInfo(this);
  SetCursor(FViewInfo->GetCursor());
}

void TZCLSplitter::ApplyAlign(TAlign Value) {
  const bool wasHorizontal = !dynamic_cast<TZCLSplitterVerticalViewInfo*>(FViewInfo);
  const bool horizontal = Value == alLeft || Value == alRight;
  // The thickness goes across the new orientation.
  const Integer thickness = wasHorizontal ? GetWidth() : GetHeight();
  SetAlign(Value);
  if (horizontal != wasHorizontal) {
    if (horizontal)
      SetBounds(GetLeft(), GetTop(), thickness, GetHeight());
    else
      SetBounds(GetLeft(), GetTop(), GetWidth(), thickness);
  }
  RecreateViewInfo();
}

void TZCLSplitter::SetControl(TControl* Value) {
  if (Value == FControl) return;
  if (FControl) FControl->RemoveFreeNotification(this);
  FControl = Value;
  if (FControl) FControl->FreeNotification(this);
  UpdateLayout();
}

void TZCLSplitter::SetSplitterAlign(TAlign Value) {
  if (FControl) Value = FControl->GetAlign();
  if (Value == GetAlign()) return;
  ApplyAlign(Value);
  UpdateLayout();
}

void TZCLSplitter::SetCanToggle(bool Value) {
  if (Value == FCanToggle) return;
  FCanToggle = Value;
  if (!Value && FControl && !FControl->GetVisible()) Toggle();
  UpdateLayout();
}

void TZCLSplitter::Toggle() {
  if (!FControl) return;
  if (FControl->GetVisible()) {
    FViewInfo->SaveSize();
    FControl->SetVisible(false);
  } else {
    FViewInfo->RestoreSize();
    FControl->SetVisible(true);
  }
  AdjustSize();
}

void TZCLSplitter::UpdateLayout() {
  if (FControl) {
    if (FControl->GetAlign() != GetAlign()) ApplyAlign(FControl->GetAlign());
    SetCursor(FViewInfo->GetCursor());
    AdjustSize();
  }
  Invalidate();
}

void TZCLSplitter::DoAdjustSize() {
  if (FControl && FControl->GetVisible() && FViewInfo)
    FViewInfo->UpdatePosition();
  else
    inherited::DoAdjustSize();
}

void TZCLSplitter::Paint() {
  if (OnPaint) OnPaint(this);
}

void TZCLSplitter::DblClick() {
  inherited::DblClick();
  if (!FCanToggle || !FControl) return;
  const TPoint before = ClientToScreen(TPoint(0, 0));
  const TPoint cursor = GetMouseCursorPos();
  Toggle();
  // The splitter moved with the control: the cursor keeps its place relative to it.
  const TPoint after = ClientToScreen(TPoint(0, 0));
  SetCursorPos(cursor.X + after.X - before.X, cursor.Y + after.Y - before.Y);
}

void TZCLSplitter::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (!FControl || Button != TMouseButton::Left || Shift.Contains(ssDouble)) return;
  FDragging = true;
  if (FControl->GetVisible()) FViewInfo->SaveSize();
  FDragStart = GetMouseCursorPos();
}

void TZCLSplitter::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  if (!FDragging || !FControl) return;
  const TPoint cursor = GetMouseCursorPos();
  TPoint delta(cursor.X - FDragStart.X, cursor.Y - FDragStart.Y);
  FViewInfo->Resize(delta);
  // Only as far as the control could change: the edge waits until the mouse comes back.
  FDragStart = TPoint(FDragStart.X + delta.X, FDragStart.Y + delta.Y);
  AdjustSize();
  if (GetParent()) GetParent()->Update();
}

void TZCLSplitter::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  FDragging = false;
  inherited::MouseUp(Button, Shift, X, Y);
}

void TZCLSplitter::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FControl) FControl = nullptr;
}

void RegisterSplitterClasses() {
  RegisterProperties<TZCLSplitter>();
  RegisterClasses({TZCLSplitter::StaticClass()});
}
