#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"

#include "os/OS.Text.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.ImgList.h"
#include "vcl/VCL.Menus.h"
#include "vcl/VCL.Messages.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.UI.ImageList.h"

// ---- style ----------------------------------------------------------------------------------

void TZCLStyleButton::DeclareProperties(TClassDeclaration<TZCLStyleButton>& D) {
  D.Property(u"ColorText", 0, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorTextHover", 1, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorTextPressed", 2, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorTextDisabled", 3, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"Texture", 0, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
}

void TZCLStyleButton::InitializeResources() {
  GetColor(0)->InitializeAsRef(u"Buttons.Colors.Text", false);
  GetColor(1)->InitializeAsRef(u"Buttons.Colors.TextHover", false);
  GetColor(2)->InitializeAsRef(u"Buttons.Colors.TextPressed", false);
  GetColor(3)->InitializeAsRef(u"Buttons.Colors.TextDisabled", false);
  InitializeTextures();
}

void TZCLStyleButton::InitializeTextures() { GetTexture()->InitializeDefault(u"Buttons.Textures.Button"); }

TColor TZCLStyleButton::GetTextColor(TZCLButtonState State) {
  TColor result;
  switch (State) {
    case bstHover: result = GetColorTextHover()->GetAsColor(); break;
    case bstPressed: result = GetColorTextPressed()->GetAsColor(); break;
    case bstDisabled: result = GetColorTextDisabled()->GetAsColor(); break;
    default: result = GetColorText()->GetAsColor(); break;
  }
  if (result == clDefault) result = GetColorText()->GetAsColor();
  return result;
}

void TZCLStyleButton::Draw(TCanvas* Canvas, const TRect& R, TZCLButtonState State, Integer Part) {
  GetTexture()->Draw(Canvas, R, State + 5 * Part, true, 255);
}

void TZCLStyleButton::DrawCheckMark(TCanvas* Canvas, const TRect& R, TZCLButtonState State,
                                    TCheckBoxState CheckState) {
  GetTexture()->Draw(Canvas, R, State + 5 * Integer(CheckState), true, 255);
}

// ---- sub-class ------------------------------------------------------------------------------

TZCLCustomButtonSubClass::TZCLCustomButtonSubClass(IZCLButtonOwner* AOwner) : FOwner(AOwner) {}

TZCLCustomButtonSubClass::~TZCLCustomButtonSubClass() = default;

void TZCLCustomButtonSubClass::BeforeDestruction() {
  RemoveAnimations(this);
  TZCLObjectLinks::Release(this);
  inherited::BeforeDestruction();
}

void TZCLCustomButtonSubClass::Calculate(const TRect& R) {
  FBounds = R;
  FButtonRect = R;
}

TZCLButtonState TZCLCustomButtonSubClass::CalculateState() {
  if (!HasFlag(bfEnabled)) return bstDisabled;
  if (HasFlag(bfPressed) || HasFlag(bfDown)) return bstPressed;
  if (HasFlag(bfHover)) return bstHover;
  if (HasFlag(bfFocused) || HasFlag(bfDefault)) return bstFocused;
  return bstNormal;
}

TColor TZCLCustomButtonSubClass::GetTextColor() { return GetStyle()->GetTextColor(FState); }

bool TZCLCustomButtonSubClass::IsTransparent() {
  TZCLSkinImage* image = GetStyle()->GetTexture()->GetCurrentImage();
  return image && image->HasAlpha();
}

TSize TZCLCustomButtonSubClass::GetFrameSize() { return GetStyle()->GetTexture()->GetFrameSize(); }

void TZCLCustomButtonSubClass::PrepareCanvas(TCanvas* Canvas) {
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsSolid);
  Canvas->GetFont()->SetColor(GetTextColor());
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
}

void TZCLCustomButtonSubClass::DrawContent(TCanvas* Canvas) {
  if (FCaption.empty()) return;
  PrepareCanvas(Canvas);
  UINT flags = DT_END_ELLIPSIS | DT_SINGLELINE | DT_VCENTER;
  flags |= FAlignment == taLeftJustify ? DT_LEFT : FAlignment == taRightJustify ? DT_RIGHT : DT_CENTER;
  TRect r = FTextRect;
  CanvasDrawText(Canvas, r, FCaption, flags);
}

void TZCLCustomButtonSubClass::DrawFocusRect(TCanvas* Canvas) { DrawDottedFrame(Canvas, FFocusRect, GetTextColor()); }

void TZCLCustomButtonSubClass::Draw(TCanvas* Canvas) {
  HRGN saved = nullptr;
  if (!ClipRegionPush(Canvas->GetHandle(), FBounds, saved)) return;
  try {
    AssignCanvasFont(Canvas, GetFont());
    if (!AnimationManager()->Draw(this, Canvas, FButtonRect)) DrawBackground(Canvas, FButtonRect);
    if (HasFlag(bfFocused)) DrawFocusRect(Canvas);
    DrawContent(Canvas);
  } catch (...) {
    ClipRegionPop(Canvas->GetHandle(), saved);
    throw;
  }
  ClipRegionPop(Canvas->GetHandle(), saved);
}

void TZCLCustomButtonSubClass::Click() {
  if (OnClick) OnClick(this);
}

void TZCLCustomButtonSubClass::Invalidate() { FOwner->InvalidateRect(FBounds); }

void TZCLCustomButtonSubClass::Refresh() {
  FOwner->ButtonOwnerRecalculate();
  Invalidate();
}

void TZCLCustomButtonSubClass::SetAlignment(TAlignment Value) {
  FAlignment = Value;
  Refresh();
}

void TZCLCustomButtonSubClass::SetCaption(const String& Value) {
  if (Value == FCaption) return;
  FCaption = Value;
  Refresh();
}

void TZCLCustomButtonSubClass::SetFlag(TZCLButtonFlag Flag, bool Value) {
  if (HasFlag(Flag) == Value) return;
  if (Value)
    FFlags.Include(Flag);
  else
    FFlags.Exclude(Flag);
  // Losing the focus releases a pressed button without a click.
  if (Flag == bfFocused && !Value) FFlags.Exclude(bfPressed);
  UpdateState();
}

void TZCLCustomButtonSubClass::UpdateState() {
  const TZCLButtonState state = CalculateState();
  if (state == FState) return;
  if (CanAnimate() && UIAnimationsEnabled && !FButtonRect.IsEmpty() && FState == bstHover &&
      (state == bstNormal || state == bstFocused)) {
    auto* animation = new TZCLBitmapAnimation(this, FButtonRect, new TZCLAnimatorFadeOut());
    animation->DrawStartFrame(TZCLBitmapAnimation::TPainter(this, &TZCLCustomButtonSubClass::DrawBackground));
    FState = state;
    animation->DrawEndFrame(TZCLBitmapAnimation::TPainter(this, &TZCLCustomButtonSubClass::DrawBackground));
    animation->Run();
  }
  FState = state;
  StateChanged();
  Invalidate();
}

void TZCLCustomButtonSubClass::KeyDown(Word Key) {
  if (Key == VK_SPACE) SetFlag(bfPressed, true);
}

void TZCLCustomButtonSubClass::KeyUp(Word Key) {
  if (Key == VK_ESCAPE)
    SetFlag(bfPressed, false);
  else if (Key == VK_SPACE)
    Release(true);
}

void TZCLCustomButtonSubClass::MouseDown(TMouseButton Button, const TPoint& P) {
  SetFlag(bfPressed, HasFlag(bfEnabled) && FBounds.Contains(P) && Button == TMouseButton::Left);
}

void TZCLCustomButtonSubClass::MouseMove(TShiftState Shift, const TPoint& P) {
  SetFlag(bfHover, HasFlag(bfEnabled) && FBounds.Contains(P) && !Shift.Contains(ssLeft));
}

void TZCLCustomButtonSubClass::MouseUp(TMouseButton Button, const TPoint& P) {
  Release(Button == TMouseButton::Left && FBounds.Contains(P));
}

void TZCLCustomButtonSubClass::Release(bool AClick) {
  if (!HasFlag(bfPressed)) return;
  // The click handler may free the button (and this sub-class with it).
  TZCLCustomButtonSubClass* self = nullptr;
  TZCLObjectLinks::RegisterWeakReference(this, self);
  try {
    if (AClick) Click();
  } catch (...) {
    if (self) TZCLObjectLinks::UnregisterWeakReference(self);
    throw;
  }
  if (!self) return;
  TZCLObjectLinks::UnregisterWeakReference(self);
  SetFlag(bfPressed, false);
}

// ---- button sub-class -----------------------------------------------------------------------

void TZCLButtonSubClass::Calculate(const TRect& R) {
  FBounds = R;
  FButtonRect = R;
  TRect content = R;
  const TRect offsets = GetStyle()->GetTexture()->GetContentOffsets();
  content.Left += offsets.Left;
  content.Top += offsets.Top;
  content.Right -= offsets.Right;
  content.Bottom -= offsets.Bottom;
  FFocusRect = content;
  content.Inflate(-1, -1);
  FArrowRect = TRect();
  FImageRect = TRect();
  CalculateArrowRect(content);
  CalculateImageRect(content);
  CalculateTextRect(content);
}

void TZCLButtonSubClass::CalculateArrowRect(TRect& R) {
  if (!HasArrow) return;
  FArrowRect = R;
  if (Part != 2) {
    FArrowRect.Right -= S(5);
    FArrowRect.Left = FArrowRect.Right - S(7);
  }
  R.Right = FArrowRect.Left - S(5);
  if (Part == 2) R.Right = R.Left;
}

TZCLGlyph* TZCLButtonSubClass::GetGlyph() {
  IPtr<IZCLGlyph> glyph;
  if (Supports(static_cast<IInterface*>(FOwner), glyph)) return glyph->GetGlyph();
  return nullptr;
}

void TZCLButtonSubClass::CalculateImageRect(TRect& R) {
  if (Part == 2) return;
  TZCLGlyph* glyph = GetGlyph();
  TCustomImageList* images = GetImages();
  const bool hasGlyph = glyph && !glyph->IsEmpty();
  if (!hasGlyph && !(images && ImageIndex >= 0)) return;
  const TSize size = hasGlyph ? glyph->GetFrameSize() : GetImageListSize(images, GetDPI());
  if (!FCaption.empty()) {
    FImageRect = TRect(R.Left, R.Top, R.Left + size.cx, R.Top + size.cy);
    FImageRect.Offset(0, (R.Height() - size.cy) / 2);
  } else {
    FImageRect = TRect(R.Left, R.Top, R.Left + size.cx, R.Top + size.cy);
    FImageRect.Offset((R.Width() - size.cx) / 2, (R.Height() - size.cy) / 2);
  }
  R.Left = FImageRect.Right + S(5);
}

void TZCLButtonSubClass::CalculateTextRect(const TRect& R) {
  FTextRect = R;
  FTextRect.Left += S(1);
  FTextRect.Right -= S(1);
}

void TZCLButtonSubClass::DrawBackground(TCanvas* Canvas, const TRect& R) { GetStyle()->Draw(Canvas, R, FState, Part); }

void TZCLButtonSubClass::DrawContent(TCanvas* Canvas) {
  inherited::DrawContent(Canvas);
  if (HasArrow) {
    const Integer w = S(7), h = S(3);
    const TPoint origin(FArrowRect.Left + (FArrowRect.Width() - w) / 2, FArrowRect.Top + (FArrowRect.Height() - h) / 2);
    const TColor colour = GetTextColor();
    Canvas->GetBrush()->SetStyle(TBrushStyle::bsSolid);
    Canvas->GetBrush()->SetColor(colour);
    Canvas->GetPen()->SetColor(colour);
    Canvas->Polygon({origin, TPoint(origin.X + w - 1, origin.Y), TPoint(origin.X + (w - 1) / 2, origin.Y + h)});
  }
  if (!FImageRect.IsEmpty()) {
    const bool enabled = FState != bstDisabled;
    TZCLGlyph* glyph = GetGlyph();
    if (glyph && !glyph->IsEmpty())
      glyph->Draw(Canvas, FImageRect, glyph->GetFrameIndex(), enabled, 255);
    else
      DrawImageListItem(Canvas, FImageRect, GetImages(), ImageIndex, enabled);
  }
}

// ---- custom button --------------------------------------------------------------------------

const TMessageTable& TZCLCustomButton::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_ENABLEDCHANGED, &TZCLCustomButton::CMEnabledChanged),
                                    VCL_MESSAGE(CM_TEXTCHANGED, &TZCLCustomButton::CMTextChanged),
                                    VCL_MESSAGE(CM_HINTSHOW, &TZCLCustomButton::CMHintShow)});
  return table;
}

TZCLCustomButton::TZCLCustomButton(TComponent* AOwner) : TZCLCustomControl(AOwner) {
  SetCursor(crHandPoint);
  SetFocusOnClick(true);
  SetDoubleBuffered(true);
  SetTabStop(true);
  // The sub-class makes the clicks; quick second clicks arrive as single clicks.
  TControlStyle style = GetControlStyle();
  style.Exclude(csClickEvents);
  style.Exclude(csDoubleClicks);
  SetControlStyle(style);
  SetBounds(GetLeft(), GetTop(), 120, 25);
}

void TZCLCustomButton::AfterConstruction() {
  FStyle = CreateStyle();
  FSubClass = CreateSubClass();
  FSubClass->OnClick = TZCLCustomButtonSubClass::TClickEvent(this, &TZCLCustomButton::SubClassClick);
  inherited::AfterConstruction();
  Calculate(GetClientRect());
}

TZCLCustomButton::~TZCLCustomButton() {
  Free(FSubClass);
  FSubClass = nullptr;
  Free(FStyle);
  FStyle = nullptr;
}

void TZCLCustomButton::DeclareProperties(TClassDeclaration<TZCLCustomButton>& D) {
  D.Property(u"Alignment", &TZCLCustomButton::GetAlignment, &TZCLCustomButton::SetAlignment).Default(taCenter);
  D.Property(u"ShowCaption", &TZCLCustomButton::GetShowCaption, &TZCLCustomButton::SetShowCaption).Default(true);
  D.Property(u"Style", &TZCLCustomButton::GetStyle, &TZCLCustomButton::SetStyle);
}

void TZCLCustomButton::SubClassClick(TZCLCustomButtonSubClass*) { Click(); }

void TZCLCustomButton::SetShowCaption(bool Value) {
  if (FShowCaption == Value) return;
  FShowCaption = Value;
  if (FSubClass) FSubClass->SetCaption(FShowCaption ? GetCaption() : String());
}

void TZCLCustomButton::SetStyle(TZCLStyleButton* Value) { FStyle->Assign(Value); }

void TZCLCustomButton::Calculate(const TRect& R) {
  if (FSubClass) FSubClass->Calculate(R);
}

void TZCLCustomButton::BoundsChanged() {
  inherited::BoundsChanged();
  if (FSubClass) Calculate(GetClientRect());
}

void TZCLCustomButton::Paint() {
  if (FSubClass) FSubClass->Draw(GetCanvas());
}

void TZCLCustomButton::SetTargetDPI(Integer Value) {
  inherited::SetTargetDPI(Value);
  if (FStyle) FStyle->SetTargetDPI(Value);
}

void TZCLCustomButton::ResourceChanged() {
  inherited::ResourceChanged();
  FullRefresh();
}

void TZCLCustomButton::UpdateTransparency() {
  SetTransparent(FSubClass && FSubClass->IsTransparent());
  inherited::UpdateTransparency();
}

void TZCLCustomButton::FocusChanged() {
  inherited::FocusChanged();
  if (!GetComponentState().Contains(csDesigning) && FSubClass) FSubClass->SetFlag(bfFocused, Focused());
  Invalidate();
}

void TZCLCustomButton::CMEnabledChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (FSubClass) FSubClass->SetFlag(bfEnabled, GetEnabled());
}

void TZCLCustomButton::CMTextChanged(TMessage& Message) {
  if (FSubClass) FSubClass->SetCaption(FShowCaption ? GetCaption() : String());
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLCustomButton::CMHintShow(TMessage& Message) {
  // No hint while the button is held down.
  if (FSubClass && FSubClass->HasFlag(bfPressed)) {
    Message.Result = 1;
    return;
  }
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLCustomButton::DoGetHint(const TPoint& Point, String& Hint) {
  if (!FShowCaption && Hint.empty()) Hint = GetCaption();
  inherited::DoGetHint(Point, Hint);
}

bool TZCLCustomButton::DialogChar(TMessage& Message) {
  if (IsAccel(static_cast<Char>(Message.WParam), GetCaption()) && CanFocus()) {
    SetFocus();
    Click();
    return true;
  }
  return false;
}

void TZCLCustomButton::MouseLeave() {
  inherited::MouseLeave();
  if (!FSubClass) return;
  FSubClass->MouseMove(TShiftState(), TPoint(-1, -1));
  FSubClass->Invalidate();
}

void TZCLCustomButton::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (FSubClass) FSubClass->KeyDown(Key);
}

void TZCLCustomButton::KeyUp(Word& Key, TShiftState Shift) {
  inherited::KeyUp(Key, Shift);
  if (FSubClass) FSubClass->KeyUp(Key);
}

void TZCLCustomButton::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (FSubClass) FSubClass->MouseDown(Button, TPoint(X, Y));
}

void TZCLCustomButton::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  if (FSubClass) FSubClass->MouseMove(Shift, TPoint(X, Y));
}

void TZCLCustomButton::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  if (FSubClass) FSubClass->MouseUp(Button, TPoint(X, Y));
}

// ---- simple button --------------------------------------------------------------------------

const TMessageTable& TZCLSimpleButton::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_DIALOGKEY, &TZCLSimpleButton::CMDialogKey),
                                    VCL_MESSAGE(CM_FOCUSCHANGED, &TZCLSimpleButton::CMFocusChanged)});
  return table;
}

TZCLSimpleButton::TZCLSimpleButton(TComponent* AOwner)
    : TZCLCustomButton(AOwner), FGlyph(Create<TZCLGlyph>(static_cast<TObject*>(this))), FImageChangeLink(new TChangeLink) {
  FImageChangeLink->OnChange = TNotifyEvent(this, &TZCLSimpleButton::ImagesChanged);
}

TZCLSimpleButton::~TZCLSimpleButton() {
  Free(FImageChangeLink);
  Free(FGlyph);
}

void TZCLSimpleButton::BeforeDestruction() {
  SetImages(nullptr);
  inherited::BeforeDestruction();
}

void TZCLSimpleButton::DeclareProperties(TClassDeclaration<TZCLSimpleButton>& D) {
  D.Property(u"Cancel", &TZCLSimpleButton::GetCancel, &TZCLSimpleButton::SetCancel).Default(false);
  D.Property(u"Default", &TZCLSimpleButton::GetDefault, &TZCLSimpleButton::SetDefault).Default(false);
  D.Property(u"Down", &TZCLSimpleButton::GetDown, &TZCLSimpleButton::SetDown).Default(false);
  D.Property(u"Glyph", &TZCLSimpleButton::GetGlyphProperty, &TZCLSimpleButton::SetGlyph)
      .Stored(&TZCLSimpleButton::IsGlyphStored);
  D.Property(u"ImageIndex", &TZCLSimpleButton::GetImageIndex, &TZCLSimpleButton::SetImageIndex)
      .Stored(&TZCLSimpleButton::IsImageIndexStored);
  D.Property(u"Images", &TZCLSimpleButton::GetImagesProperty, &TZCLSimpleButton::SetImages);
  D.Property(u"ModalResult", &TZCLSimpleButton::GetModalResult, &TZCLSimpleButton::SetModalResult).Default(0);
}

TZCLStyleButton* TZCLSimpleButton::CreateStyle() { return Create<TZCLStyleButton>(static_cast<TObject*>(this)); }

TZCLCustomButtonSubClass* TZCLSimpleButton::CreateSubClass() { return new TZCLButtonSubClass(this); }

TZCLGlyph* TZCLSimpleButton::GetGlyph() { return FGlyph && !FGlyph->IsEmpty() ? FGlyph : nullptr; }

void TZCLSimpleButton::SetGlyph(TZCLGlyph* Value) { FGlyph->Assign(Value); }

bool TZCLSimpleButton::IsGlyphStored() const { return !FGlyph->IsEmpty(); }

bool TZCLSimpleButton::IsImageIndexStored() const {
  auto* action = dynamic_cast<TCustomAction*>(GetAction());
  if (action) return action->GetImageIndex() != FImageIndex;
  return FImageIndex != -1;
}

void TZCLSimpleButton::SetImageIndex(Integer Value) {
  if (FImageIndex == Value) return;
  FImageIndex = Value;
  if (FImages) FullRefresh();
}

void TZCLSimpleButton::SetImages(TCustomImageList* Value) {
  if (FImages == Value) return;
  if (FImages) {
    FImages->UnRegisterChanges(FImageChangeLink);
    FImages->RemoveFreeNotification(this);
  }
  FImages = Value;
  if (FImages) {
    FImages->RegisterChanges(FImageChangeLink);
    FImages->FreeNotification(this);
  }
  FullRefresh();
}

void TZCLSimpleButton::ImagesChanged(TObject*) { FullRefresh(); }

void TZCLSimpleButton::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) SetImages(nullptr);
}

void TZCLSimpleButton::SetTargetDPI(Integer Value) {
  inherited::SetTargetDPI(Value);
  FGlyph->SetTargetDPI(Value);
}

void TZCLSimpleButton::Calculate(const TRect& R) {
  if (auto* sub = dynamic_cast<TZCLButtonSubClass*>(FSubClass)) sub->ImageIndex = FImageIndex;
  inherited::Calculate(R);
}

void TZCLSimpleButton::SetDefault(bool Value) {
  if (FDefault == Value) return;
  FDefault = Value;
  if (!HandleAllocated()) return;
  if (TCustomForm* form = GetParentForm(this))
    form->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(form->GetActiveControl()));
}

void TZCLSimpleButton::PerformClick() { TControl::Click(); }

void TZCLSimpleButton::Click() {
  if (!GetEnabled()) return;
  PerformClick();
  if (FModalResult != 0)
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
}

void TZCLSimpleButton::CMDialogKey(TMessage& Message) {
  const TShiftState shift = KeyDataToShiftState(Message.LParam);
  const bool plain = !shift.Contains(ssShift) && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt);
  const Word key = static_cast<Word>(Message.WParam);
  if (plain && CanFocus() &&
      ((key == VK_RETURN && (FSubClass->HasFlag(bfFocused) || FSubClass->HasFlag(bfDefault))) ||
       (key == VK_ESCAPE && FCancel))) {
    Click();
    Message.Result = 1;
    return;
  }
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLSimpleButton::CMFocusChanged(TMessage& Message) {
  auto* focused = reinterpret_cast<TWinControl*>(Message.LParam);
  if (dynamic_cast<TZCLSimpleButton*>(focused))
    FSubClass->SetFlag(bfDefault, FDefault && focused == this);
  else
    FSubClass->SetFlag(bfDefault, FDefault);
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLSimpleButton::ActionChange(TObject* Sender, bool CheckDefaults) {
  inherited::ActionChange(Sender, CheckDefaults);
  if (auto* action = dynamic_cast<TCustomAction*>(Sender))
    if (!CheckDefaults || FImageIndex == -1) SetImageIndex(action->GetImageIndex());
}

bool TZCLSimpleButtonActionLink::IsImageIndexLinked() {
  auto* button = dynamic_cast<TZCLSimpleButton*>(FClient);
  return inherited::IsImageIndexLinked() && button && button->GetImageIndex() == CustomAction()->GetImageIndex();
}

void TZCLSimpleButtonActionLink::SetImageIndex(Integer Value) {
  if (IsImageIndexLinked()) static_cast<TZCLSimpleButton*>(FClient)->SetImageIndex(Value);
}

void TZCLSimpleButtonActionLink::ActionChange(TBasicAction* Action, bool CheckDefaults) {
  inherited::ActionChange(Action, CheckDefaults);
  if (auto* button = dynamic_cast<TZCLSimpleButton*>(FClient)) button->ActionChange(Action, CheckDefaults);
}

// ---- button ---------------------------------------------------------------------------------

const TMessageTable& TZCLButton::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_ENABLEDCHANGED, &TZCLButton::CMEnabledChanged)});
  return table;
}

TZCLButton::TZCLButton(TComponent* AOwner) : TZCLSimpleButton(AOwner), FArrowSubClass(new TZCLButtonSubClass(this)) {
  FArrowSubClass->Part = 2;
  FArrowSubClass->HasArrow = true;
  FArrowSubClass->OnClick = TZCLCustomButtonSubClass::TClickEvent(this, &TZCLButton::DropDownClick);
}

TZCLButton::~TZCLButton() { Free(FArrowSubClass); }

void TZCLButton::DeclareProperties(TClassDeclaration<TZCLButton>& D) {
  D.Property(u"DropDownMenu", &TZCLButton::GetDropDownMenu, &TZCLButton::SetDropDownMenu);
  D.Property(u"Kind", &TZCLButton::GetKind, &TZCLButton::SetKind).Default(sbkNormal);
  D.Event(u"OnDropDownClick", &TZCLButton::OnDropDownClick);
}

void TZCLButton::SetDropDownMenu(TPopupMenu* Value) {
  if (FDropDownMenu == Value) return;
  if (FDropDownMenu) FDropDownMenu->RemoveFreeNotification(this);
  FDropDownMenu = Value;
  if (FDropDownMenu) FDropDownMenu->FreeNotification(this);
}

void TZCLButton::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDropDownMenu) FDropDownMenu = nullptr;
}

void TZCLButton::SetKind(TZCLButtonKind Value) {
  if (FKind == Value) return;
  FKind = Value;
  UpdateTransparency();
  FullRefresh();
}

void TZCLButton::Calculate(const TRect& R) {
  TRect rest = R;
  const Integer arrowWidth = FKind == sbkDropDownButton ? FStyle->GetTexture()->GetFrameWidth() : 0;
  TRect arrow(rest.Right - arrowWidth, rest.Top, rest.Right, rest.Bottom);
  rest.Right = arrow.Left;
  if (FArrowSubClass) {
    FArrowSubClass->HasArrow = true;
    FArrowSubClass->Calculate(arrow);
  }
  if (auto* sub = dynamic_cast<TZCLButtonSubClass*>(FSubClass)) {
    sub->ImageIndex = FImageIndex;
    sub->HasArrow = FKind == sbkDropDown;
    sub->Part = FKind == sbkDropDownButton ? 1 : 0;
    sub->Calculate(rest);
  }
}

void TZCLButton::Paint() {
  inherited::Paint();
  if (FArrowSubClass && FKind == sbkDropDownButton) FArrowSubClass->Draw(GetCanvas());
}

void TZCLButton::UpdateTransparency() {
  bool transparent = FSubClass && FSubClass->IsTransparent();
  if (FKind == sbkDropDownButton && FArrowSubClass) transparent = transparent || FArrowSubClass->IsTransparent();
  SetTransparent(transparent);
  TZCLCustomControl::UpdateTransparency();
}

void TZCLButton::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (FKind == sbkDropDownButton) FArrowSubClass->MouseDown(Button, TPoint(X, Y));
}

void TZCLButton::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  if (FKind == sbkDropDownButton) FArrowSubClass->MouseMove(Shift, TPoint(X, Y));
  inherited::MouseMove(Shift, X, Y);
}

void TZCLButton::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  // The arrow part's click may free the button.
  TZCLButton* self = nullptr;
  TZCLObjectLinks::RegisterWeakReference(this, self);
  if (FKind == sbkDropDownButton) FArrowSubClass->MouseUp(Button, TPoint(X, Y));
  if (!self) return;
  TZCLObjectLinks::UnregisterWeakReference(self);
  inherited::MouseUp(Button, Shift, X, Y);
}

void TZCLButton::MouseLeave() {
  FArrowSubClass->MouseMove(TShiftState(), TPoint(-1, -1));
  inherited::MouseLeave();
}

void TZCLButton::CMEnabledChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  FArrowSubClass->SetFlag(bfEnabled, GetEnabled());
}

void TZCLButton::KeyUp(Word& Key, TShiftState Shift) {
  inherited::KeyUp(Key, Shift);
  if (FKind == sbkDropDownButton && IsDropDownKey(Key, Shift)) {
    FArrowSubClass->KeyDown(VK_SPACE);
    FArrowSubClass->KeyUp(VK_SPACE);
  }
}

void TZCLButton::PerformClick() {
  if (OnClick || GetAction() || FModalResult != 0 || !FDropDownMenu) {
    inherited::PerformClick();
    return;
  }
  if (FKind == sbkDropDownButton) {
    for (Integer i = 0; i < FDropDownMenu->GetItems()->GetCount(); ++i) {
      TMenuItem* item = FDropDownMenu->GetItems()->GetItem(i);
      if (item->GetDefault()) {
        item->Click();
        return;
      }
    }
  }
  DropDownMenu();
}

void TZCLButton::DropDownClick(TZCLCustomButtonSubClass*) {
  if (OnDropDownClick)
    OnDropDownClick(this);
  else
    DropDownMenu();
}

void TZCLButton::DropDownMenu() {
  if (!FDropDownMenu) return;
  FDropDownMenu->SetPopupComponent(this);
  const TPoint origin = ClientToScreen(TPoint(0, 0));
  IPtr<IZCLPopup> popup;
  if (Supports(static_cast<TObject*>(FDropDownMenu), popup))
    popup->PopupAt(TRect(origin.X, origin.Y, origin.X + GetWidth(), origin.Y + GetHeight()));
  else
    FDropDownMenu->Popup(origin.X, origin.Y + GetHeight() + 1);
}

void RegisterButtonClasses() {
  RegisterProperties<TZCLStyleButton>();
  RegisterProperties<TZCLCustomButton>();
  RegisterProperties<TZCLSimpleButton>();
  RegisterProperties<TZCLButton>();
  RegisterClasses({TZCLStyleButton::StaticClass(), TZCLSimpleButton::StaticClass(), TZCLButton::StaticClass()});
  RegisterActionLinkClass(TZCLSimpleButton::StaticClass(), TZCLSimpleButtonActionLink::StaticClass());
}
