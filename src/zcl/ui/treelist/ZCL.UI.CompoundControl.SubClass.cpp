#include "zcl/ui/treelist/ZCL.UI.CompoundControl.SubClass.h"

#include <algorithm>

#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"
#include "zcl/ui/ZCL.Utils.Desktop.h"
#include "zcl/ui/controls/ZCL.UI.Controls.ScrollBar.h"
#include "zcl/ui/treelist/ZCL.UI.CompoundControl.DragAndDrop.h"

// ---- hit test -------------------------------------------------------------------------------

void TZCLHitTestInfo::Reset() {
  Cursor = crDefault;
  FData.clear();
  FFlags.clear();
  HintData = InitHintInfo();
  HitObject = nullptr;
}

TZCLCompoundControlDragObject* TZCLHitTestInfo::CreateDragObject() {
  IPtr<IZCLDraggableObject> draggable;
  if (HitObject && Supports(HitObject, draggable)) {
    if (TZCLCompoundControlDragObject* result = draggable->CreateDragObject(this)) return result;
  }
  TObject* viewInfo = GetHitObjectData(u"ViewInfo");
  if (viewInfo && Supports(viewInfo, draggable)) return draggable->CreateDragObject(this);
  return nullptr;
}

bool TZCLHitTestInfo::GetHitObjectFlag(Integer Flag) const {
  return std::find(FFlags.begin(), FFlags.end(), Flag) != FFlags.end();
}

void TZCLHitTestInfo::SetHitObjectFlag(Integer Flag, bool On) {
  FFlags.erase(std::remove(FFlags.begin(), FFlags.end(), Flag), FFlags.end());
  if (On) FFlags.push_back(Flag);
}

TObject* TZCLHitTestInfo::GetHitObjectData(const String& Key) const {
  auto it = FData.find(zcLowerCase(Key));
  return it == FData.end() ? nullptr : it->second;
}

void TZCLHitTestInfo::SetHitObjectData(const String& Key, TObject* Object) { FData[zcLowerCase(Key)] = Object; }

// ---- hint controller ------------------------------------------------------------------------

TZCLCompoundControlHintController::TZCLCompoundControlHintController(TZCLCompoundControlSubClass* ASubClass)
    : TZCLHintController(nullptr), FSubClass(ASubClass) {}

void TZCLCompoundControlHintController::Update(TZCLHitTestInfo* HitTest) {
  inherited::Update(HitTest->HitObject, FSubClass->ClientToScreen(HitTest->HitPoint), HitTest->HintData);
}

TZCLHintWindow* TZCLCompoundControlHintController::CreateHintWindow(TObject* HintObject, const TZCLHintData& HintData) {
  TZCLHintWindow* window = inherited::CreateHintWindow(HintObject, HintData);
  if (window) {
    window->SetFont(FSubClass->GetFont());
    window->AssignStyle(FSubClass->GetStyleHint());
  }
  return window;
}

TControl* TZCLCompoundControlHintController::GetOwnerControl(TObject*, const TZCLHintData&) {
  return FSubClass->GetContainer()->ContainerGetControl();
}

// ---- sub-class ------------------------------------------------------------------------------

// Marks the input being processed for the duration of one entry.
struct TZCLCompoundControlSubClass::TActionScope {
  TZCLCompoundControlSubClass* Owner;
  TActionScope(TZCLCompoundControlSubClass* AOwner, Byte Action) : Owner(AOwner) { Owner->FCurrentAction = Action; }
  ~TActionScope() { Owner->FCurrentAction = 0; }
};

namespace {
IZCLCompoundControlSubClassContainer* ContainerOf(TComponent* AOwner) {
  IZCLCompoundControlSubClassContainer* result = nullptr;
  if (AOwner) AOwner->QueryInterface(IZCLCompoundControlSubClassContainer::IID, reinterpret_cast<void**>(&result));
  if (!result) throw Exception(u"IZCLCompoundControlSubClassContainer is not supported by specified owner");
  // The host owns the sub-class: no counted reference is kept.
  result->_Release();
  return result;
}
}  // namespace

TZCLCompoundControlSubClass::TZCLCompoundControlSubClass(TComponent* AOwner)
    : TComponent((ContainerOf(AOwner), AOwner)) {
  FContainer = ContainerOf(AOwner);
  BeginUpdate();
}

void TZCLCompoundControlSubClass::AfterConstruction() {
  inherited::AfterConstruction();
  FEnabled = true;
  FViewInfo = CreateViewInfo();
  FHitTest = CreateHitTest();
  FDragAndDropController = CreateDragAndDropController();
  FHintController = CreateHintController();
  FStyleHint = Create<TZCLStyleHint>(static_cast<TObject*>(this));
  FStyleScrollBox = CreateStyleScrollBox();
  EndUpdate();
}

TZCLCompoundControlSubClass::~TZCLCompoundControlSubClass() {
  Free(FDragAndDropController);
  Free(FHintController);
  Free(FHitTest);
  Free(FStyleHint);
  Free(FStyleScrollBox);
  Free(FViewInfo);
}

void TZCLCompoundControlSubClass::BeforeDestruction() {
  if (FCurrentAction == 1) throw EInvalidOperation(ClassName() + u" cannot be destroyed inside mouse action");
  OnUpdateState = nullptr;
  FDestroying = true;
  inherited::BeforeDestruction();
}

HRESULT TZCLCompoundControlSubClass::QueryInterface(const TGUID& IID, void** Obj) {
  if (::detail::QueryInterfaceTable<IZCLCurrentDpi, IZCLResourceCollection, IZCLResourceChangeListener>(this, IID, Obj))
    return S_OK;
  if (inherited::QueryInterface(IID, Obj) == S_OK) return S_OK;
  if (GetOwner()) return GetOwner()->QueryInterface(IID, Obj);
  return E_NOINTERFACE;
}

TZCLCompoundControlDragAndDropController* TZCLCompoundControlSubClass::CreateDragAndDropController() {
  return new TZCLCompoundControlDragAndDropController(this);
}

TZCLCompoundControlHintController* TZCLCompoundControlSubClass::CreateHintController() {
  return new TZCLCompoundControlHintController(this);
}

TZCLHitTestInfo* TZCLCompoundControlSubClass::CreateHitTest() { return new TZCLHitTestInfo(); }

TZCLStyleScrollBox* TZCLCompoundControlSubClass::CreateStyleScrollBox() {
  return Create<TZCLStyleScrollBox>(static_cast<TObject*>(this));
}

Integer TZCLCompoundControlSubClass::GetCurrentDpi() { return FStyleScrollBox ? FStyleScrollBox->GetTargetDPI() : 96; }

TZCLCustomResourceCollection* TZCLCompoundControlSubClass::GetCollection() {
  IPtr<IZCLResourceCollection> collection;
  if (Supports(static_cast<IInterface*>(FContainer), collection)) return collection->GetCollection();
  return nullptr;
}

void TZCLCompoundControlSubClass::SetStyleHint(TZCLStyleHint* Value) { FStyleHint->Assign(Value); }

void TZCLCompoundControlSubClass::SetStyleScrollBox(TZCLStyleScrollBox* Value) { FStyleScrollBox->Assign(Value); }

void TZCLCompoundControlSubClass::SetTargetDPI(Integer DPI) {
  FStyleScrollBox->SetTargetDPI(DPI);
  FStyleHint->SetTargetDPI(DPI);
}

void TZCLCompoundControlSubClass::BeginUpdate() {
  if (++FLockCount == 1 && OnUpdateState) OnUpdateState(this);
}

void TZCLCompoundControlSubClass::EndUpdate() {
  if (--FLockCount != 0) return;
  Changed(FPendingChanges);
  if (OnUpdateState) OnUpdateState(this);
}

void TZCLCompoundControlSubClass::Changed(TZCLCompoundControlChanges Flags) {
  if (FDestroying) return;
  FPendingChanges |= Flags;
  if (IsUpdateLocked() || FPendingChanges == 0) return;
  // The pass holds the lock silently: OnUpdateState only reports the caller's own locks.
  TZCLCompoundControlChanges taken = 0;
  bool sizeOrStruct = false;
  while (FPendingChanges != 0) {
    ++FLockCount;
    try {
      taken = FPendingChanges;
      FPendingChanges = 0;
      sizeOrStruct = sizeOrStruct || (taken & (ChangeSize | ChangeStruct)) != 0;
      ProcessChanges(taken);
    } catch (...) {
      --FLockCount;
      throw;
    }
    --FLockCount;
  }
  if (sizeOrStruct && OnCalculated) {
    TComponent* host = GetOwner();
    const TComponentState state = host ? host->GetComponentState() : TComponentState();
    if (!state.Contains(csLoading) && !state.Contains(csReading)) OnCalculated(this);
  }
}

void TZCLCompoundControlSubClass::ProcessChanges(TZCLCompoundControlChanges Flags) {
  if (Flags & ChangeStruct) {
    FPressedObject = nullptr;
    FHoveredObject = nullptr;
  }
  if (Flags & ~ChangeContent) {
    FDragAndDropController->ProcessChanges(Flags);
    if (FViewInfo) FViewInfo->Calculate(FBounds, Flags);
    UpdateHitTestAtCursor();
  }
  if (Flags) Invalidate();
}

void TZCLCompoundControlSubClass::RecreateViewInfo() {
  Free(FViewInfo);
  FViewInfo = nullptr;
  FViewInfo = CreateViewInfo();
  FullRefresh();
}

void TZCLCompoundControlSubClass::BeginLongOperation() {
  if (++FLongOperationCount == 1) UpdateCursor();
}

void TZCLCompoundControlSubClass::EndLongOperation() {
  if (--FLongOperationCount == 0) UpdateCursor();
}

void TZCLCompoundControlSubClass::SetBounds(const TRect& R) {
  if (R == FBounds) return;
  FBounds = R;
  BoundsChanged();
}

void TZCLCompoundControlSubClass::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  Changed(ChangeContent);
}

void TZCLCompoundControlSubClass::Draw(TCanvas* Canvas) {
  // Painting takes care of a content change.
  FPendingChanges &= ~ChangeContent;
  if (FPendingChanges) Changed(0);
  if (FPendingChanges) return;
  if (FViewInfo) FViewInfo->Draw(Canvas);
  FDragAndDropController->Draw(Canvas);
}

void TZCLCompoundControlSubClass::RepaintNow() {
  if (!IsUpdateLocked()) FContainer->UpdateControl();
}

void TZCLCompoundControlSubClass::InvalidateRect(const TRect& R) { FContainer->InvalidateRect(R); }

bool TZCLCompoundControlSubClass::IsFocused() { return FContainer->ContainerFocused(); }

TRect TZCLCompoundControlSubClass::ClientToScreenRect(const TRect& R) {
  const TPoint a = ClientToScreen(R.TopLeft());
  const TPoint b = ClientToScreen(R.BottomRight());
  return TRect(a.X, a.Y, b.X, b.Y);
}

void TZCLCompoundControlSubClass::UpdateHitTest(const TPoint& P) {
  FHitTest->Reset();
  FHitTest->HitPoint = P;
  if (FViewInfo) FViewInfo->CalculateHitTest(FHitTest);
}

void TZCLCompoundControlSubClass::UpdateHitTestAtCursor() { UpdateHitTest(ScreenToClient(GetMouseCursorPos())); }

TCursor TZCLCompoundControlSubClass::GetCursor(const TPoint& P) {
  if (FLongOperationCount > 0) return crHourGlass;
  if (FDragAndDropController->GetIsActive()) return FDragAndDropController->GetCursor();
  if (FEnabled && !IsUpdateLocked()) {
    UpdateHitTest(P);
    DoGetCursor(FHitTest);
    return FHitTest->Cursor;
  }
  return crDefault;
}

void TZCLCompoundControlSubClass::DoGetCursor(TZCLHitTestInfo* HitTest) {
  if (OnGetCursor) OnGetCursor(this, HitTest);
}

bool TZCLCompoundControlSubClass::DoDropSourceStart(TZCLDropSourceActions& AllowedActions) {
  bool handled = false;
  if (OnDropSourceStart) OnDropSourceStart(this, handled, AllowedActions);
  return handled;
}

void TZCLCompoundControlSubClass::DoDropSourceFinish(bool Canceled, TShiftState Shift) {
  if (OnDropSourceFinish) OnDropSourceFinish(this, Canceled, Shift);
}

void TZCLCompoundControlSubClass::DoDropSourceData(TZCLDropSource* Source) {
  if (OnDropSourceData) OnDropSourceData(this, Source);
}

// Mouse.

void TZCLCompoundControlSubClass::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (!FEnabled) return;
  TActionScope scope(this, 1);
  FMouseDownConsumed = false;
  FDragAndDropController->Cancel();
  FHintController->Cancel();
  UpdateHitTest(X, Y);
  FPressedObject = FHitTest->HitObject;
  if (Shift.Contains(ssDouble)) {
    Shift.Exclude(ssDouble);
    ProcessMouseDblClick(Button, Shift);
    FMouseDownConsumed = true;
  } else {
    SetMouseCapture(true);
    ProcessMouseDown(Button, Shift);
  }
}

void TZCLCompoundControlSubClass::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  if (!FEnabled || IsUpdateLocked()) return;
  TActionScope scope(this, 1);
  UpdateHitTest(X, Y);
  FDragAndDropController->MouseMove(Shift, X, Y);
  if (FDragAndDropController->GetIsActive()) {
    FMouseDownConsumed = true;
  } else {
    ProcessMouseMove(Shift, X, Y);
    if (!GetMouseCapture()) FHintController->Update(FHitTest);
  }
}

void TZCLCompoundControlSubClass::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (!FEnabled) return;
  TActionScope scope(this, 1);
  UpdateHitTest(X, Y);
  FMouseDownConsumed = FMouseDownConsumed || FDragAndDropController->GetIsActive();
  FDragAndDropController->MouseUp(Shift, X, Y);
  if (!FMouseDownConsumed && FPressedObject == FHitTest->HitObject) ProcessMouseClick(Button, Shift);
  ProcessMouseUp(Button, Shift);
  SetMouseCapture(false);
  FPressedObject = nullptr;
}

void TZCLCompoundControlSubClass::MouseLeave() {
  if (!FEnabled || IsUpdateLocked()) return;
  TActionScope scope(this, 1);
  FHitTest->Reset();
  FHintController->Cancel();
  SetHoveredObject(nullptr, nullptr);
  ProcessMouseLeave();
}

void TZCLCompoundControlSubClass::MouseWheel(TMouseWheelDirection Direction, TShiftState Shift) {
  if (IsUpdateLocked()) return;
  {
    TActionScope scope(this, 1);
    BeginUpdate();
    try {
      ProcessMouseWheel(Direction, Shift);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
  }
  SimulateMouseMove();
}

void TZCLCompoundControlSubClass::SimulateMouseMove() {
  const TPoint p = ScreenToClient(GetMouseCursorPos());
  MouseMove(GetShiftStateFromKeyboard(), p.X, p.Y);
}

void TZCLCompoundControlSubClass::ContextPopup(const TPoint& P, bool& Handled) {
  if (!FEnabled) return;
  UpdateHitTest(P);
  if (FHitTest->GetHitObjectFlag(HitFlagScrollBar)) {
    Handled = true;
    return;
  }
  SetMouseCapture(false);
  FPressedObject = nullptr;
  ProcessContextPopup(Handled);
}

// Keyboard.

void TZCLCompoundControlSubClass::KeyDown(Word& Key, TShiftState Shift) {
  if (!FEnabled) return;
  TActionScope scope(this, 3);
  if (Key == VK_ESCAPE && FDragAndDropController->GetIsActive()) FDragAndDropController->Cancel();
  ProcessKeyDown(Key, Shift);
}

void TZCLCompoundControlSubClass::KeyPress(Char& Key) {
  if (!FEnabled) return;
  TActionScope scope(this, 3);
  ProcessKeyPress(Key);
}

void TZCLCompoundControlSubClass::KeyUp(Word& Key, TShiftState Shift) {
  if (!FEnabled) return;
  TActionScope scope(this, 3);
  ProcessKeyUp(Key, Shift);
}

// Base handlers.

void TZCLCompoundControlSubClass::ProcessMouseClick(TMouseButton Button, TShiftState) {
  if (Button != TMouseButton::Left) return;
  if (FHitTest->GetHitObjectFlag(HitFlagCheckBox)) {
    ToggleChecked(FHitTest->HitObject);
  } else if (FHitTest->GetHitObjectFlag(HitFlagExpandButton)) {
    ToggleExpanded(FHitTest->HitObject);
  } else {
    IPtr<IZCLClickableObject> clickable;
    if (FHitTest->HitObject && Supports(FHitTest->HitObject, clickable)) clickable->Click(FHitTest);
  }
}

void TZCLCompoundControlSubClass::ProcessMouseDblClick(TMouseButton Button, TShiftState Shift) {
  IPtr<IZCLPressableObject> pressable;
  if (FPressedObject && Supports(FPressedObject, pressable)) {
    pressable->MouseDown(Button, Shift, FHitTest);
    pressable->MouseUp(Button, Shift, FHitTest);
  }
  if (Button != TMouseButton::Left) return;
  if (FHitTest->GetHitObjectFlag(HitFlagExpandButton)) ToggleExpanded(FHitTest->HitObject);
  if (FHitTest->GetHitObjectFlag(HitFlagCheckBox)) ToggleChecked(FHitTest->HitObject);
}

void TZCLCompoundControlSubClass::ProcessMouseDown(TMouseButton Button, TShiftState Shift) {
  IPtr<IZCLPressableObject> pressable;
  if (FPressedObject && Supports(FPressedObject, pressable)) pressable->MouseDown(Button, Shift, FHitTest);
  if (Button == TMouseButton::Left)
    FDragAndDropController->MouseDown(Shift, FHitTest->HitPoint.X, FHitTest->HitPoint.Y);
}

void TZCLCompoundControlSubClass::ProcessMouseUp(TMouseButton Button, TShiftState Shift) {
  IPtr<IZCLPressableObject> pressable;
  if (FPressedObject && Supports(FPressedObject, pressable)) {
    FPressedObject = nullptr;
    pressable->MouseUp(Button, Shift, FHitTest);
  }
}

void TZCLCompoundControlSubClass::ProcessMouseMove(TShiftState, Integer, Integer) {
  if (!FDragAndDropController->GetIsActive())
    SetHoveredObject(FHitTest->HitObject, FHitTest->GetHitObjectData(u"SubPart"));
}

void TZCLCompoundControlSubClass::ToggleChecked(TObject* Object) {
  BeginUpdate();
  try {
    IPtr<IZCLCheckableObject> checkable;
    if (Object && Supports(Object, checkable) && checkable->CanCheck()) checkable->SetChecked(!checkable->GetChecked());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLCompoundControlSubClass::ToggleExpanded(TObject* Object) {
  BeginUpdate();
  try {
    IPtr<IZCLExpandableObject> expandable;
    if (Object && Supports(Object, expandable)) expandable->SetExpanded(!expandable->GetExpanded());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZCLCompoundControlSubClass::SetHoveredObject(TObject* Object, TObject* SubPart) {
  IPtr<IZCLHotTrackObject> hot;
  if (Object != FHoveredObject) {
    TObject* previous = FHoveredObject;
    FHoveredObject = Object;
    FHoveredObjectSubPart = SubPart;
    if (previous && Supports(previous, hot)) hot->UpdateHotTrack(1);
    if (Object && Supports(Object, hot)) hot->UpdateHotTrack(0);
    HoveredObjectChanged();
  } else if (SubPart != FHoveredObjectSubPart) {
    FHoveredObjectSubPart = SubPart;
    if (Object && Supports(Object, hot)) hot->UpdateHotTrack(2);
    HoveredObjectChanged();
  }
}

TZCLButtonState TZCLCompoundControlSubClass::CalculateState(TObject* Object, TObject* SubPart) {
  if (!FEnabled) return bstDisabled;
  if (SubPart && SubPart != FHoveredObjectSubPart) return bstNormal;
  if (Object == FPressedObject) return bstPressed;
  if (Object == FHoveredObject) return bstHover;
  return bstNormal;
}
