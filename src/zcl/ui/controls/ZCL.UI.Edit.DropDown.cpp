#include "zcl/ui/controls/ZCL.UI.Edit.DropDown.h"

#include <algorithm>

#include "os/OS.Timers.h"
#include "vcl/VCL.ImgList.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Messages.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"

namespace {
// A closed drop-down does not open again sooner: the click that closed it must not reopen it.
constexpr DWORD ReopenDelay = 200;
}  // namespace

// ---- button sub-classes ---------------------------------------------------------------------

void TZCLCustomDropDownEditButtonSubClass::DrawBackground(TCanvas* Canvas, const TRect& R) {
  GetStyle()->GetTexture()->Draw(Canvas, R, FState + 5, true, 255);
}

void TZCLDropDownButtonSubClass::DrawBackground(TCanvas* Canvas, const TRect& R) {
  GetStyle()->Draw(Canvas, R, FState, 0);
}

// ---- drop-down edit -------------------------------------------------------------------------

const TMessageTable& TZCLCustomDropDownEdit::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_ENABLEDCHANGED, &TZCLCustomDropDownEdit::CMEnabledChanged)});
  return table;
}

TZCLCustomDropDownEdit::TZCLCustomDropDownEdit(TComponent* AOwner) : TZCLCustomTextEdit(AOwner) {
  SetBounds(GetLeft(), GetTop(), 320, 240);
  SetDoubleBuffered(true);
  SetFocusOnClick(true);
}

TZCLCustomDropDownEdit::~TZCLCustomDropDownEdit() {
  Free(FButtonSubClass);
  FButtonSubClass = nullptr;
}

void TZCLCustomDropDownEdit::AfterConstruction() {
  FButtonSubClass = CreateDropDownButton();
  FButtonSubClass->OnClick = TZCLCustomButtonSubClass::TClickEvent(this, &TZCLCustomDropDownEdit::ArrowClick);
  inherited::AfterConstruction();
}

void TZCLCustomDropDownEdit::BeforeDestruction() {
  FreeDropDownWindow();
  TZCLMainThread::RemoveQueuedFor(this);
  inherited::BeforeDestruction();
}

void TZCLCustomDropDownEdit::DeclareProperties(TClassDeclaration<TZCLCustomDropDownEdit>& D) {
  D.Property(u"DoubleBuffered", &TWinControl::GetDoubleBuffered, &TWinControl::SetDoubleBuffered).Default(true);
  D.Property(u"FocusOnClick", &TZCLCustomControl::GetFocusOnClick, &TZCLCustomControl::SetFocusOnClick).Default(true);
  D.Event(u"OnDropDown", &TZCLCustomDropDownEdit::OnDropDown);
}

void TZCLCustomDropDownEdit::ArrowClick(TZCLCustomButtonSubClass*) { SetDroppedDown(true); }

bool TZCLCustomDropDownEdit::IsDropDownArea(Integer X, Integer Y) { return GetContentRect().Contains(TPoint(X, Y)); }

TZCLButtonSubClass* TZCLCustomDropDownEdit::CreateDropDownButton() {
  auto* button = new TZCLCustomDropDownEditButtonSubClass(this);
  button->HasArrow = true;
  button->Part = 2;
  return button;
}

TZCLPopupWindow* TZCLCustomDropDownEdit::CreateDropDownWindow() {
  return TCustomForm::CreateNew<TZCLPopupWindow>(this);
}

void TZCLCustomDropDownEdit::FreeDropDownWindow() {
  if (!FDropDown) return;
  TZCLPopupWindow* window = FDropDown;
  FDropDown = nullptr;
  window->OnPopupClosed = TNotifyEvent();
  Free(window);
  if (!GetComponentState().Contains(csDestroying)) {
    BoundsChanged();
    Invalidate();
  }
}

void TZCLCustomDropDownEdit::ShowDropDownWindow() {
  const TRect client = GetClientRect();
  const TPoint origin = ClientToScreen(client.TopLeft());
  FDropDown->PopupUnderControl(TRect(origin.X, origin.Y, origin.X + client.Width(), origin.Y + client.Height()),
                               FDropDownAlignment == taRightJustify ? 1 : FDropDownAlignment == taCenter ? 2 : 0);
}

void TZCLCustomDropDownEdit::DoDropDown() {
  if (OnDropDown) OnDropDown(this);
}

void TZCLCustomDropDownEdit::SetDroppedDown(bool Value) {
  if (Value == GetDroppedDown()) return;
  if (!Value || FDropDown || !GetEnabled()) {
    FreeDropDownWindow();
    return;
  }
  DoDropDown();
  if (!GetEnabled()) return;
  // Unsigned difference: safe across the wrap of the tick count.
  if (FClosedOnce && DWORD(GetTickCount() - FClosedTick) < ReopenDelay) return;
  FDropDown = CreateDropDownWindow();
  if (!FDropDown) return;
  FDropDown->OnPopupClosed = TNotifyEvent(this, &TZCLCustomDropDownEdit::DropDownClosed);
  ShowDropDownWindow();
  BoundsChanged();
  Invalidate();
}

void TZCLCustomDropDownEdit::DropDownClosed(TObject*) {
  FClosedTick = GetTickCount();
  FClosedOnce = true;
  TZCLMainThread::Queue(TThreadMethod(this, &TZCLCustomDropDownEdit::QueuedFreeDropDown), this);
}

void TZCLCustomDropDownEdit::QueuedFreeDropDown() { FreeDropDownWindow(); }

void TZCLCustomDropDownEdit::CalculateButtons(TRect& R) {
  inherited::CalculateButtons(R);
  if (!FButtonSubClass) return;
  TRect b = R;
  const Integer g = ScaleByDPI(1, GetCurrentPPI());
  b.Inflate(-g, -g);
  FButtonSubClass->SetFlag(bfEnabled, GetEnabled());
  FButtonSubClass->SetFlag(bfDown, GetDroppedDown());
  const TRect arrow(std::max(b.Left, b.Right - b.Height()), b.Top, b.Right, b.Bottom);
  FButtonSubClass->Calculate(arrow);
  R.Right = arrow.Left;
}

void TZCLCustomDropDownEdit::DrawContent(TCanvas* Canvas) {
  AssignCanvasFont(Canvas, GetFont());
  Canvas->GetFont()->SetColor(FStyle->GetTextColor(GetEnabled()));
  inherited::DrawContent(Canvas);
}

void TZCLCustomDropDownEdit::Paint() {
  inherited::Paint();
  if (FButtonSubClass) FButtonSubClass->Draw(GetCanvas());
}

bool TZCLCustomDropDownEdit::Focused() {
  if (inherited::Focused()) return true;
  if (!FDropDown) return false;
  TWinControl* active = FindControl(GetFocus());
  return active && IsChildOrSelf(active, FDropDown);
}

TCursor TZCLCustomDropDownEdit::GetCursorAt(const TPoint& Point) {
  if (FButtonSubClass && FButtonSubClass->GetBounds().Contains(Point)) return crHandPoint;
  return inherited::GetCursorAt(Point);
}

void TZCLCustomDropDownEdit::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  FButtonSubClass->MouseDown(Button, TPoint(X, Y));
  if (Button == TMouseButton::Left && IsDropDownArea(X, Y)) {
    SetDroppedDown(true);
    if (GetDroppedDown()) return;
  }
  inherited::MouseDown(Button, Shift, X, Y);
}

void TZCLCustomDropDownEdit::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  // The click may free the control.
  TZCLCustomDropDownEdit* self = nullptr;
  TZCLObjectLinks::RegisterWeakReference(this, self);
  FButtonSubClass->MouseUp(Button, TPoint(X, Y));
  if (!self) return;
  TZCLObjectLinks::UnregisterWeakReference(self);
  inherited::MouseUp(Button, Shift, X, Y);
}

void TZCLCustomDropDownEdit::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  FButtonSubClass->MouseMove(Shift, TPoint(X, Y));
}

void TZCLCustomDropDownEdit::MouseLeave() {
  inherited::MouseLeave();
  if (FButtonSubClass) FButtonSubClass->MouseMove(TShiftState(), TPoint(-1, -1));
}

void TZCLCustomDropDownEdit::CMEnabledChanged(TMessage& Message) {
  FreeDropDownWindow();
  InheritedMessage(inherited::MessageTable(), Message);
}

// ---- drop-down button -----------------------------------------------------------------------

const TMessageTable& TZCLCustomDropDown::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_DIALOGKEY, &TZCLCustomDropDown::CMDialogKey)});
  return table;
}

TZCLCustomDropDown::TZCLCustomDropDown(TComponent* AOwner)
    : TZCLCustomDropDownEdit(AOwner), FGlyph(Create<TZCLGlyph>(static_cast<TObject*>(this))) {
  SetAutoSize(false);
  SetBounds(GetLeft(), GetTop(), 25, 25);
  SetCursor(crHandPoint);
}

TZCLCustomDropDown::~TZCLCustomDropDown() { Free(FGlyph); }

void TZCLCustomDropDown::DeclareProperties(TClassDeclaration<TZCLCustomDropDown>& D) {
  D.Property(u"Caption", &TZCLCustomDropDown::GetButtonCaption, &TZCLCustomDropDown::SetButtonCaption);
  D.Property(u"Cursor", &TControl::GetCursor, &TControl::SetCursor).Type(TypeInfoTCursor()).Default(crHandPoint);
  D.Property(u"Glyph", &TZCLCustomDropDown::GetGlyphProperty, &TZCLCustomDropDown::SetGlyph)
      .Stored(&TZCLCustomDropDown::IsGlyphStored);
  D.Property(u"ImageIndex", &TZCLCustomDropDown::GetImageIndex, &TZCLCustomDropDown::SetImageIndex).Default(-1);
  D.Property(u"Images", &TZCLCustomEdit::GetButtonsImages, &TZCLCustomEdit::SetButtonsImages);
  D.Property(u"ResourceCollection", &TZCLCustomControl::GetResourceCollection,
             &TZCLCustomControl::SetResourceCollection);
  D.Property(u"Style", &TZCLCustomEdit::GetStyleButton, &TZCLCustomEdit::SetStyleButton);
}

TZCLStyleButton* TZCLCustomDropDown::CreateStyleButton() {
  return Create<TZCLStyleButton>(static_cast<TObject*>(this));
}

TZCLButtonSubClass* TZCLCustomDropDown::CreateDropDownButton() {
  auto* button = new TZCLDropDownButtonSubClass(this);
  button->HasArrow = true;
  return button;
}

void TZCLCustomDropDown::SetGlyph(TZCLGlyph* Value) { FGlyph->Assign(Value); }

bool TZCLCustomDropDown::IsGlyphStored() const { return !FGlyph->IsEmpty(); }

TZCLGlyph* TZCLCustomDropDown::GetGlyph() { return FGlyph && !FGlyph->IsEmpty() ? FGlyph : nullptr; }

void TZCLCustomDropDown::SetImageIndex(Integer Value) {
  if (FButtonSubClass->ImageIndex == Value) return;
  FButtonSubClass->ImageIndex = Value;
  FullRefresh();
}

void TZCLCustomDropDown::Calculate(const TRect& R) {
  if (!FButtonSubClass) return;
  FButtonSubClass->SetFlag(bfEnabled, GetEnabled());
  FButtonSubClass->SetFlag(bfDown, GetDroppedDown());
  FButtonSubClass->Calculate(R);
}

void TZCLCustomDropDown::Paint() {
  AssignTextDrawParams(GetCanvas());
  if (FButtonSubClass) FButtonSubClass->Draw(GetCanvas());
}

void TZCLCustomDropDown::FocusChanged() {
  inherited::FocusChanged();
  if (FButtonSubClass) FButtonSubClass->SetFlag(bfFocused, Focused());
}

void TZCLCustomDropDown::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  FButtonSubClass->KeyDown(Key);
}

void TZCLCustomDropDown::KeyUp(Word& Key, TShiftState Shift) {
  FButtonSubClass->KeyUp(Key);
  inherited::KeyUp(Key, Shift);
}

void TZCLCustomDropDown::UpdateTransparency() {
  TZCLSkinImage* image = FStyleButton ? FStyleButton->GetTexture()->GetCurrentImage() : nullptr;
  SetTransparent(image && image->HasAlpha());
  inherited::UpdateTransparency();
}

void TZCLCustomDropDown::PressButton() {
  if (!Focused()) SetFocus();
  FButtonSubClass->Click();
}

void TZCLCustomDropDown::CMDialogKey(TMessage& Message) {
  if (static_cast<Word>(Message.WParam) == VK_RETURN && Focused()) {
    PressButton();
    Message.Result = 1;
    return;
  }
  InheritedMessage(inherited::MessageTable(), Message);
}

bool TZCLCustomDropDown::DialogChar(TMessage& Message) {
  if (IsAccel(static_cast<Char>(Message.WParam), GetButtonCaption()) && CanFocus()) {
    PressButton();
    return true;
  }
  return inherited::DialogChar(Message);
}

// ---- drop-down of a control -----------------------------------------------------------------

void TZCLDropDown::DeclareProperties(TClassDeclaration<TZCLDropDown>& D) {
  D.Property(u"Control", &TZCLDropDown::GetControl, &TZCLDropDown::SetControl);
  D.Property(u"DropDownAlignment", &TZCLCustomDropDownEdit::GetDropDownAlignment,
             &TZCLCustomDropDownEdit::SetDropDownAlignment)
      .Default(taLeftJustify);
}

void TZCLDropDown::SetControl(TControl* Value) {
  if (FControl == Value) return;
  if (Value && IsChildOrSelf(this, Value))
    throw EInvalidArgument(u"The %s cannot be used as child", {Value->GetName()});
  if (FControl) FControl->RemoveFreeNotification(this);
  FControl = Value;
  if (FControl) FControl->FreeNotification(this);
}

void TZCLDropDown::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FControl) FControl = nullptr;
}

TZCLPopupWindow* TZCLDropDown::CreateDropDownWindow() {
  if (GetComponentState().Contains(csDesigning) || !FControl) return nullptr;
  auto* window = TCustomForm::CreateNew<TZCLPopupWindow>(this);
  window->SetAutoSize(true);
  FControl->SetParent(window);
  FControl->SetVisible(true);
  return window;
}

void TZCLDropDown::FreeDropDownWindow() {
  if (FDropDown && FControl && !GetComponentState().Contains(csDestroying) &&
      !GetComponentState().Contains(csDesigning)) {
    FControl->SetAlign(alNone);
    FControl->SetParent(this);
    FControl->SetVisible(false);
  }
  inherited::FreeDropDownWindow();
}

void TZCLDropDownUIInsightAdapter::EnumChildren(TObject* Object, TZCLUIInsightSearchQueueBuilder* Builder) const {
  auto* dropDown = dynamic_cast<TZCLDropDown*>(Object);
  if (dropDown && dropDown->GetControl()) Builder->AddChildren(dropDown->GetControl());
}

bool TZCLDropDownUIInsightAdapter::MakeVisible(TObject*) const { return false; }

// ---- search box -----------------------------------------------------------------------------

void TZCLSearchEditStyleButton::InitializeTextures() { GetTexture()->InitializeDefault(u"EditBox.Textures.Cancel"); }

const TMessageTable& TZCLSearchEdit::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_WANTSPECIALKEY, &TZCLSearchEdit::CMWantSpecialKey)});
  return table;
}

TZCLSearchEdit::TZCLSearchEdit(TComponent* AOwner)
    : TZCLCustomTextEdit(AOwner),
      FDelayTimer(new TZCLTimer(TNotifyEvent(this, &TZCLSearchEdit::DelayTimerTick), 750, false)) {
  TZCLEditButton* clear = GetButtons()->Add(String());
  clear->SetVisible(false);
  clear->OnClick = TNotifyEvent(this, &TZCLSearchEdit::ClearClick);
}

TZCLSearchEdit::~TZCLSearchEdit() { Free(FDelayTimer); }

void TZCLSearchEdit::DeclareProperties(TClassDeclaration<TZCLSearchEdit>& D) {
  D.Property(u"Borders", &TZCLCustomEdit::GetBorders, &TZCLCustomEdit::SetBorders).Default(true);
  D.Property(u"ChangeDelay", &TZCLSearchEdit::GetChangeDelay, &TZCLSearchEdit::SetChangeDelay).Default(750);
  D.Property(u"FocusControl", &TZCLSearchEdit::GetFocusControl, &TZCLSearchEdit::SetFocusControl);
  D.Property(u"MaxLength", &TZCLCustomTextEdit::GetMaxLength, &TZCLCustomTextEdit::SetMaxLength).Default(0);
  D.Property(u"ResourceCollection", &TZCLCustomControl::GetResourceCollection,
             &TZCLCustomControl::SetResourceCollection);
  D.Property(u"Style", &TZCLCustomEdit::GetStyle, &TZCLCustomEdit::SetStyle);
  D.Property(u"StyleButton", &TZCLCustomEdit::GetStyleButton, &TZCLCustomEdit::SetStyleButton);
  D.Property(u"Text", &TZCLCustomTextEdit::GetText, &TZCLCustomTextEdit::SetText);
  D.Property(u"TextHint", &TZCLCustomTextEdit::GetTextHint, &TZCLCustomTextEdit::SetTextHint);
  D.Event(u"OnChange", &TZCLSearchEdit::OnChange);
}

TZCLStyleButton* TZCLSearchEdit::CreateStyleButton() {
  return Create<TZCLSearchEditStyleButton>(static_cast<TObject*>(this));
}

void TZCLSearchEdit::SetChangeDelay(Integer Value) {
  FDelayTimer->SetInterval(Cardinal(std::clamp(Value, 0, 5000)));
}

void TZCLSearchEdit::SetFocusControl(TWinControl* Value) {
  if (FFocusControl == Value) return;
  if (FFocusControl) FFocusControl->RemoveFreeNotification(this);
  FFocusControl = Value;
  if (FFocusControl) FFocusControl->FreeNotification(this);
}

void TZCLSearchEdit::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FFocusControl) FFocusControl = nullptr;
}

void TZCLSearchEdit::Clear() {
  if (GetText().empty()) return;
  SetText(String());
  DoChange();
}

void TZCLSearchEdit::ClearClick(TObject*) { Clear(); }

void TZCLSearchEdit::Changed() {
  if (GetButtons()->GetCount() > 0) GetButtons()->GetItem(0)->SetVisible(!GetText().empty());
  if (!GetComponentState().Contains(csLoading)) {
    FDelayTimer->SetEnabled(false);
    FDelayTimer->SetEnabled(true);
  }
  Invalidate();
}

void TZCLSearchEdit::DoChange() {
  FDelayTimer->SetEnabled(false);
  inherited::DoChange();
}

void TZCLSearchEdit::DelayTimerTick(TObject*) { DoChange(); }

bool TZCLSearchEdit::CanFocusFocusControl() { return Focused() && FFocusControl && FFocusControl->CanFocus(); }

void TZCLSearchEdit::FocusFocusControl() {
  if (!CanFocusFocusControl()) return;
  IPtr<IZCLFocusableControl2> focusable;
  if (Supports(static_cast<TObject*>(FFocusControl), focusable))
    focusable->FocusFirstItem();
  else
    FFocusControl->SetFocus();
}

void TZCLSearchEdit::KeyDown(Word& Key, TShiftState Shift) {
  switch (Key) {
    case VK_RETURN:
      if (IsChangePending())
        DoChange();
      else if (CanFocusFocusControl())
        FocusFocusControl();
      else
        inherited::KeyDown(Key, Shift);
      Key = 0;
      break;
    case VK_ESCAPE:
      if (!GetText().empty())
        Clear();
      else if (CanFocusFocusControl())
        FFocusControl->SetFocus();
      else
        inherited::KeyDown(Key, Shift);
      Key = 0;
      break;
    case VK_DOWN:
      FocusFocusControl();
      inherited::KeyDown(Key, Shift);
      break;
    default: inherited::KeyDown(Key, Shift); break;
  }
}

void TZCLSearchEdit::CMWantSpecialKey(TMessage& Message) {
  if (static_cast<Word>(Message.WParam) == VK_ESCAPE && (!GetText().empty() || CanFocusFocusControl())) {
    Message.Result = 1;
    return;
  }
  InheritedMessage(inherited::MessageTable(), Message);
}

void RegisterDropDownEditClasses() {
  RegisterProperties<TZCLCustomDropDownEdit>();
  RegisterProperties<TZCLCustomDropDown>();
  RegisterProperties<TZCLDropDown>();
  RegisterProperties<TZCLSearchEdit>();
  RegisterProperties<TZCLSearchEditStyleButton>();
  RegisterClasses({TZCLDropDown::StaticClass(), TZCLSearchEdit::StaticClass(), TZCLSearchEditStyleButton::StaticClass()});
  TZCLUIInsight::Register<TZCLDropDownUIInsightAdapter>(TZCLDropDown::StaticClass());
}
