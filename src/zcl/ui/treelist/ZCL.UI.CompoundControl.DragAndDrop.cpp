#include "zcl/ui/treelist/ZCL.UI.CompoundControl.DragAndDrop.h"

#include <cstdlib>

#include "os/OS.Input.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.ImgList.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"
#include "zcl/ui/ZCL.Utils.Desktop.h"

// ---- drag object ----------------------------------------------------------------------------

TZCLCompoundControlDragObject::~TZCLCompoundControlDragObject() { Free(FDragImage); }

TZCLCompoundControlSubClass* TZCLCompoundControlDragObject::GetSubClass() const { return Controller->GetSubClass(); }

TZCLHitTestInfo* TZCLCompoundControlDragObject::GetHitTest() const { return GetSubClass()->GetHitTest(); }

TPoint TZCLCompoundControlDragObject::GetMouseDownPoint() const { return Controller->GetMouseDownPoint(); }

void TZCLCompoundControlDragObject::DoAutoScroll(Integer Direction) {
  for (Integer i = std::abs(Direction); i > 0; --i)
    GetSubClass()->MouseWheel(Direction < 0 ? mwdDown : mwdUp, TShiftState());
}

void TZCLCompoundControlDragObject::StartDropSource(TZCLDropSourceActions Actions, IZCLDropSourceOperation* Operation,
                                                    TObject* SourceObject) {
  Controller->StartDropSource(Actions, Operation, SourceObject);
}

void TZCLCompoundControlDragObject::CreateDragImage(TZCLCompoundControlCustomViewInfo* ViewInfo) {
  Free(FDragImage);
  const TRect bounds = ViewInfo->GetBounds();
  FDragImage = new TZCLBitmap(bounds.Width(), bounds.Height());
  GetSubClass()->GetStyleHint()->Draw(FDragImage->GetCanvas(), TRect(0, 0, bounds.Width(), bounds.Height()));
  ViewInfo->DrawTo(FDragImage->GetCanvas(), 0, 0);
}

void TZCLCompoundControlDragObject::InitializeAutoScroll(Cardinal Interval) { Controller->CreateAutoScrollTimer(Interval); }

void TZCLCompoundControlDragObject::UpdateAutoScroll(Integer Direction) { Controller->UpdateAutoScroll(Direction); }

void TZCLCompoundControlDragObject::UpdateAutoScrollDirection(const TPoint& P, const TRect& Area) {
  UpdateAutoScroll(P.Y < Area.Top ? 1 : P.Y > Area.Bottom ? -1 : 0);
}

void TZCLCompoundControlDragObject::UpdateCursor(TCursor Cursor) { Controller->UpdateCursor(Cursor); }

// ---- controller -----------------------------------------------------------------------------

TZCLCompoundControlDragAndDropController::TZCLCompoundControlDragAndDropController(TZCLCompoundControlSubClass* ASubClass)
    : TZCLCompoundControlPersistent(ASubClass), FDropSourceConfig(TZCLIniFile::CreateInMemory()) {}

TZCLCompoundControlDragAndDropController::~TZCLCompoundControlDragAndDropController() {
  Cancel();
  Free(FAutoScrollTimer);
  Free(FDropTarget);
  Free(FDropSourceConfig);
}

void TZCLCompoundControlDragAndDropController::CreateAutoScrollTimer(Cardinal Interval) {
  if (FAutoScrollTimer) return;
  FAutoScrollTimer = new TZCLTimer(TNotifyEvent(this, &TZCLCompoundControlDragAndDropController::AutoScrollTimer),
                                   Interval == 0 ? 300 : Interval, false);
  FAutoScrollTimer->SetTag(0);
}

void TZCLCompoundControlDragAndDropController::UpdateAutoScroll(Integer Direction) {
  if (!FAutoScrollTimer) return;
  FAutoScrollTimer->SetTag(Direction);
  FAutoScrollTimer->SetEnabled(Direction != 0);
}

void TZCLCompoundControlDragAndDropController::AutoScrollTimer(TObject*) {
  if (FDragObject && FAutoScrollTimer->GetTag() != 0)
    FDragObject->DoAutoScroll(static_cast<Integer>(FAutoScrollTimer->GetTag()));
}

void TZCLCompoundControlDragAndDropController::UpdateCursor(TCursor Cursor) {
  if (Cursor == FCursor) return;
  FCursor = Cursor;
  if (FDragWindow)
    FDragWindow->SetDragCursor(static_cast<SmallInt>(Cursor));
  else
    FSubClass->UpdateCursor();
}

void TZCLCompoundControlDragAndDropController::SetDropTarget(TObject* Target) {
  TObject* previous = FDropTarget;
  FDropTarget = Target ? Target : CreateDefaultDropTarget();
  if (previous != FDropTarget) Free(previous);
}

void TZCLCompoundControlDragAndDropController::MouseDown(TShiftState, Integer X, Integer Y) {
  FIsDragStartChecked = false;
  FMouseDownPoint = FLastPoint = TPoint(X, Y);
}

void TZCLCompoundControlDragAndDropController::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  if (!FIsActive) {
    const bool onlyLeft = Shift.Contains(ssLeft) && !Shift.Contains(ssRight) && !Shift.Contains(ssMiddle);
    if (!FSubClass->GetMouseCapture() || FIsDragStartChecked || !onlyLeft) return;
    if (!IsDragThresholdExceeded(X - FMouseDownPoint.X, Y - FMouseDownPoint.Y, FSubClass->GetCurrentDpi())) return;
    FIsDragStartChecked = true;
    FSubClass->UpdateHitTest(FLastPoint);
    if (FSubClass->GetHitTest()->HitObject == FSubClass->GetPressedObject() && StartDrag()) {
      FIsActive = true;
      FSubClass->ResetHoveredObject();
      FLastPoint = FDragObject->TransformPoint(FLastPoint);
      UpdateCursor(FSubClass->GetHitTest()->Cursor);
    } else {
      Cancel();
    }
    return;
  }
  if (FDropSource) return;
  const TPoint p = FDragObject->TransformPoint(TPoint(X, Y));
  Integer dx = p.X - FLastPoint.X, dy = p.Y - FLastPoint.Y;
  FDragObject->DragMove(p, dx, dy);
  FLastPoint.X += dx;
  FLastPoint.Y += dy;
  if (FDragWindow) {
    const TPoint screen = GetMouseCursorPos();
    FDragWindow->DragMove(screen.X, screen.Y);
  }
}

bool TZCLCompoundControlDragAndDropController::StartDrag() {
  FDragObject = FSubClass->GetHitTest()->CreateDragObject();
  if (!FDragObject) return false;
  FDragObject->Controller = this;
  if (!FDragObject->DragStart()) {
    Free(FDragObject);
    FDragObject = nullptr;
    return false;
  }
  if (TZCLBitmap* image = FDragObject->GetDragImage()) {
    FDragWindow = new TDragImageList(nullptr, image->GetWidth(), image->GetHeight());
    FDragWindow->Add(image);
    FDragWindow->SetDragCursor(static_cast<SmallInt>(FSubClass->GetHitTest()->Cursor));
    const TPoint screen = GetMouseCursorPos();
    if (FDragWindow->SetDragImage(0, 0, 0) && FDragWindow->BeginDrag(nullptr, screen.X, screen.Y))
      FDragWindow->ShowDragImage();
  }
  return true;
}

void TZCLCompoundControlDragAndDropController::Finish(bool Canceled) {
  if (!FIsActive) return;
  FIsActive = false;
  Free(FAutoScrollTimer);
  FAutoScrollTimer = nullptr;
  TZCLCompoundControlDragObject* dragObject = FDragObject;
  TDragImageList* dragWindow = FDragWindow;
  FDragWindow = nullptr;
  try {
    dragObject->DragFinished(Canceled);
  } catch (...) {
    if (dragWindow) dragWindow->EndDrag();
    Free(dragWindow);
    FDragObject = nullptr;
    Free(dragObject);
    FCursor = crDefault;
    throw;
  }
  if (dragWindow) dragWindow->EndDrag();
  Free(dragWindow);
  FDragObject = nullptr;
  Free(dragObject);
  UpdateCursor(crDefault);
}

void TZCLCompoundControlDragAndDropController::MouseUp(TShiftState, Integer, Integer) {
  if (!FDropSource) Finish(false);
}

void TZCLCompoundControlDragAndDropController::Cancel() {
  if (!FIsActive) return;
  if (FDropSource) {
    FDropSource->ReleaseOperation();
    DropSourceEnd(TZCLDropSourceActions(), TShiftState());
  } else {
    Finish(true);
  }
}

void TZCLCompoundControlDragAndDropController::Draw(TCanvas* Canvas) {
  if (FDragObject) FDragObject->Draw(Canvas);
}

bool TZCLCompoundControlDragAndDropController::DoDropSourceStart(TZCLDropSourceActions& Actions) {
  return FSubClass->DoDropSourceStart(Actions);
}

void TZCLCompoundControlDragAndDropController::StartDropSource(TZCLDropSourceActions Actions,
                                                               IZCLDropSourceOperation* Operation,
                                                               TObject* SourceObject) {
  FDropSourceConfig->Clear();
  if (DoDropSourceStart(Actions) || Actions.Empty()) return;
  FDropSourceObject = SourceObject;
  FDropSourceOperation = Operation;
  FDropSource = CreateDropSource(this, FSubClass->GetContainer()->ContainerGetControl());
  FDropSource->SetAllowedActions(Actions);
  if (!FDropSourceConfig->IsEmpty())
    FDropSource->GetDataProviders().Add(new TZCLDragDropDataProviderConfig(FDropSourceConfig));
  FSubClass->DoDropSourceData(FDropSource);
  FDropSource->ExecuteInThread();
}

void TZCLCompoundControlDragAndDropController::DropSourceBegin() {
  FSubClass->UpdateHitTest(FLastPoint);
  if (FDropSourceOperation) FDropSourceOperation->DropSourceBegin();
}

void TZCLCompoundControlDragAndDropController::DropSourceDrop(bool& AllowDrop) {
  if (FDropSourceOperation) FDropSourceOperation->DropSourceDrop(AllowDrop);
}

void TZCLCompoundControlDragAndDropController::DropSourceEnd(TZCLDropSourceActions Actions, TShiftState Shift) {
  IPtr<IZCLDropSourceOperation> operation = std::move(FDropSourceOperation);
  FDropSourceOperation = nullptr;
  if (operation) operation->DropSourceEnd(Actions, Shift);
  FDropSourceObject = nullptr;
  // The source frees itself later, through the main-thread queue: it must not call back into a
  // controller that may be gone by then.
  if (FDropSource) FDropSource->ReleaseOperation();
  FDropSource = nullptr;
  const bool canceled = Actions.Empty();
  Finish(canceled);
  FSubClass->DoDropSourceFinish(canceled, Shift);
}
