#include "zcl/ui/treelist/ZCL.UI.CompoundControl.h"

#include "os/OS.Input.h"
#include "vcl/VCL.Messages.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/ui/treelist/ZCL.UI.CompoundControl.DragAndDrop.h"

const TMessageTable& TZCLCompoundControl::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_CANCELMODE, &TZCLCompoundControl::CMCancelMode),
                                    VCL_MESSAGE(CM_ENABLEDCHANGED, &TZCLCompoundControl::CMEnabledChanged),
                                    VCL_MESSAGE(CM_FONTCHANGED, &TZCLCompoundControl::CMFontChanged),
                                    VCL_MESSAGE(CM_WANTSPECIALKEY, &TZCLCompoundControl::CMWantSpecialKey),
                                    VCL_MESSAGE(WM_HSCROLL, &TZCLCompoundControl::WMHScroll),
                                    VCL_MESSAGE(WM_VSCROLL, &TZCLCompoundControl::WMVScroll)});
  return table;
}

TZCLCompoundControl::TZCLCompoundControl(TComponent* AOwner) : TZCLCustomControl(AOwner) {
  SetDoubleBuffered(true);
  SetBounds(GetLeft(), GetTop(), 320, 240);
}

void TZCLCompoundControl::AfterConstruction() {
  FSubClass = CreateSubClass();
  inherited::AfterConstruction();
  FullRefresh();
}

TZCLCompoundControl::~TZCLCompoundControl() = default;

void TZCLCompoundControl::BeforeDestruction() {
  // The sub-class goes first, before the owned components are dismantled.
  TZCLCompoundControlSubClass* subClass = FSubClass;
  FSubClass = nullptr;
  Free(subClass);
  inherited::BeforeDestruction();
}

void TZCLCompoundControl::Loaded() {
  inherited::Loaded();
  FullRefresh();
}

TPoint TZCLCompoundControl::ControlClientToScreen(const TPoint& Point) {
  return HandleAllocated() ? ClientToScreen(Point) : Point;
}

TPoint TZCLCompoundControl::ControlScreenToClient(const TPoint& Point) {
  return HandleAllocated() ? ScreenToClient(Point) : Point;
}

bool TZCLCompoundControl::ContainerFocused() {
  if (!HandleAllocated()) return false;
  HWND focus = ::GetFocus();
  return focus && (focus == GetHandle() || ::IsChild(GetHandle(), focus));
}

void TZCLCompoundControl::ContainerSetMouseCapture(bool Value) {
  if (!HandleAllocated()) return;
  if (Value)
    ::SetCapture(GetHandle());
  else if (::GetCapture() == GetHandle())
    ::ReleaseCapture();
}

bool TZCLCompoundControl::CanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  if (!GetAutoSize() || !FSubClass || FSubClass->IsUpdateLocked()) return false;
  if (!FSubClass->CalculateAutoSize(NewWidth, NewHeight)) return false;
  TRect frame;
  AdjustClientRect(frame);
  NewWidth -= frame.Width();
  NewHeight -= frame.Height();
  return true;
}

void TZCLCompoundControl::Paint() {
  if (FSubClass) FSubClass->Draw(GetCanvas());
}

void TZCLCompoundControl::BoundsChanged() {
  inherited::BoundsChanged();
  if (!FSubClass) return;
  TRect r = GetClientRect();
  AdjustClientRect(r);
  FSubClass->SetBounds(r);
}

void TZCLCompoundControl::UpdateState() {
  if (FSubClass) FSubClass->FullRefresh();
}

void TZCLCompoundControl::FocusChanged() {
  inherited::FocusChanged();
  if (FSubClass) FSubClass->FocusChanged();
}

void TZCLCompoundControl::SetTargetDPI(Integer Value) {
  if (!FSubClass) {
    inherited::SetTargetDPI(Value);
    return;
  }
  FSubClass->BeginUpdate();
  try {
    inherited::SetTargetDPI(Value);
    FSubClass->SetTargetDPI(Value);
    FSubClass->FullRefresh();
  } catch (...) {
    FSubClass->EndUpdate();
    throw;
  }
  FSubClass->EndUpdate();
}

void TZCLCompoundControl::MouseLeave() {
  if (FSubClass) FSubClass->MouseLeave();
  inherited::MouseLeave();
}

bool TZCLCompoundControl::MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint& MousePos) {
  if (!inherited::MouseWheel(Direction, Shift, MousePos) && FSubClass) FSubClass->MouseWheel(Direction, Shift);
  return true;
}

void TZCLCompoundControl::ResourceChanged() {
  if (GetComponentState().Contains(csDestroying)) return;
  if (FSubClass) {
    FSubClass->BeginUpdate();
    try {
      FSubClass->ResourceChanged();
    } catch (...) {
      FSubClass->EndUpdate();
      throw;
    }
    FSubClass->EndUpdate();
  }
  inherited::ResourceChanged();
}

void TZCLCompoundControl::Localize(const String& Section, const String& Name) {
  inherited::Localize(Section, Name);
  if (FSubClass) FSubClass->Localize(LangSubSection(Section, Name));
}

void TZCLCompoundControl::DoContextPopup(TPoint MousePos, bool& Handled) {
  if (FSubClass) FSubClass->ContextPopup(MousePos, Handled);
  if (!Handled) inherited::DoContextPopup(MousePos, Handled);
}

void TZCLCompoundControl::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (FSubClass) FSubClass->KeyDown(Key, Shift);
}

void TZCLCompoundControl::KeyPress(Char& Key) {
  inherited::KeyPress(Key);
  if (FSubClass) FSubClass->KeyPress(Key);
}

void TZCLCompoundControl::KeyUp(Word& Key, TShiftState Shift) {
  inherited::KeyUp(Key, Shift);
  if (FSubClass) FSubClass->KeyUp(Key, Shift);
}

void TZCLCompoundControl::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (FSubClass) FSubClass->MouseDown(Button, Shift, X, Y);
  inherited::MouseDown(Button, Shift, X, Y);
}

void TZCLCompoundControl::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  if (FSubClass) FSubClass->MouseMove(Shift, X, Y);
  inherited::MouseMove(Shift, X, Y);
}

void TZCLCompoundControl::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (FSubClass) FSubClass->MouseUp(Button, Shift, X, Y);
  inherited::MouseUp(Button, Shift, X, Y);
}

void TZCLCompoundControl::CMCancelMode(TMessage& Message) {
  if (FSubClass && !FSubClass->GetDragAndDropController()->IsDropSourceActive())
    FSubClass->GetDragAndDropController()->Cancel();
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLCompoundControl::CMEnabledChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (FSubClass) FSubClass->SetEnabled(GetEnabled());
}

void TZCLCompoundControl::CMFontChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  ResourceChanged();
}

void TZCLCompoundControl::DoGesture(const TGestureEventInfo& EventInfo, bool& Handled) {
  inherited::DoGesture(EventInfo, Handled);
  if (!Handled && FSubClass && FSubClass->GetEnabled()) FSubClass->ProcessGesture(EventInfo, Handled);
}

void TZCLCompoundControl::CMWantSpecialKey(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (Message.Result == 0 && FSubClass)
    Message.Result = FSubClass->WantSpecialKey(static_cast<Word>(Message.WParam), KeyDataToShiftState(Message.LParam));
}

void TZCLCompoundControl::WMHScroll(TMessage& Message) {
  if (FSubClass) FSubClass->ScrollHorizontally(static_cast<TScrollCode>(Message.WParam & 0xFFFF));
  Message.Result = 1;
}

void TZCLCompoundControl::WMVScroll(TMessage& Message) {
  if (FSubClass) FSubClass->ScrollVertically(static_cast<TScrollCode>(Message.WParam & 0xFFFF));
  Message.Result = 1;
}
