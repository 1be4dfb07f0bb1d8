#include "zcl/ui/controls/ZCL.UI.Controls.ScrollBar.h"

#include <algorithm>

#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Messages.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zcl/ui/ZCL.Utils.Desktop.h"

// ---- style ----------------------------------------------------------------------------------

void TZCLStyleScrollBox::DeclareProperties(TClassDeclaration<TZCLStyleScrollBox>& D) {
  D.Property(u"TextureBackgroundHorz", 0, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"TextureBackgroundVert", 1, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"TextureButtonsHorz", 2, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"TextureButtonsVert", 3, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"TextureThumbHorz", 4, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"TextureThumbVert", 5, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"TextureSizeGripArea", 6, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
}

void TZCLStyleScrollBox::InitializeResources() {
  GetTexture(0)->InitializeDefault(u"ScrollBox.Textures.Horz.Background");
  GetTexture(1)->InitializeDefault(u"ScrollBox.Textures.Vert.Background");
  GetTexture(2)->InitializeDefault(u"ScrollBox.Textures.Horz.Buttons");
  GetTexture(3)->InitializeDefault(u"ScrollBox.Textures.Vert.Buttons");
  GetTexture(4)->InitializeDefault(u"ScrollBox.Textures.Horz.Thumb");
  GetTexture(5)->InitializeDefault(u"ScrollBox.Textures.Vert.Thumb");
  GetTexture(6)->InitializeDefault(u"ScrollBox.Textures.SizeGrip");
}

Integer TZCLStyleScrollBox::GetForwardButtonSize(TScrollBarKind Kind) {
  TZCLResourceTexture* t = GetTextureButtons(Kind);
  return Kind == sbHorizontal ? t->GetFrameWidth() : t->GetFrameHeight();
}

Integer TZCLStyleScrollBox::GetBarThickness(TScrollBarKind Kind) {
  TZCLResourceTexture* t = GetTextureBackground(Kind);
  return Kind == sbHorizontal ? t->GetFrameHeight() : t->GetFrameWidth();
}

Integer TZCLStyleScrollBox::GetThumbSize(TScrollBarKind Kind) {
  TZCLResourceTexture* t = GetTextureThumb(Kind);
  return Kind == sbHorizontal ? t->GetFrameWidth() : t->GetFrameHeight();
}

bool TZCLStyleScrollBox::IsThumbResizable(TScrollBarKind Kind) {
  TZCLSkinImage* image = GetTextureThumb(Kind)->GetCurrentImage();
  return !(image && image->GetSizingMode() == ismTiledAreas && image->GetTiledAreas().IsEmpty());
}

void TZCLStyleScrollBox::DrawBackground(TCanvas* Canvas, const TRect& R, TScrollBarKind Kind) {
  GetTextureBackground(Kind)->Draw(Canvas, R, 0);
}

void TZCLStyleScrollBox::DrawPart(TCanvas* Canvas, const TRect& R, TZCLScrollBarPart Part, TZCLButtonState State,
                                  TScrollBarKind Kind) {
  switch (Part) {
    case spButtonBack: GetTextureButtons(Kind)->Draw(Canvas, R, State); break;
    case spButtonForward: GetTextureButtons(Kind)->Draw(Canvas, R, State + 4); break;
    case spThumb: GetTextureThumb(Kind)->Draw(Canvas, R, State); break;
    default: break;
  }
}

// ---- items ----------------------------------------------------------------------------------

TZCLScrollBarViewInfoItem::TZCLScrollBarViewInfoItem(TZCLScrollBarSubClass* ASubClass, TZCLScrollBarPart APart)
    : FSubClass(ASubClass), FPart(APart) {}

void TZCLScrollBarViewInfoItem::BeforeDestruction() {
  RemoveAnimations(this);
  inherited::BeforeDestruction();
}

void TZCLScrollBarViewInfoItem::Animate() { FSubClass->GetOwner()->InvalidateRect(Bounds); }

void TZCLScrollBarViewInfoItem::DrawInState(TCanvas* Canvas, const TRect& R) {
  FSubClass->GetAppearance()->DrawPart(Canvas, R, FPart, FState, FSubClass->GetKind());
}

void TZCLScrollBarViewInfoItem::UpdateState() {
  TZCLButtonState state = bstNormal;
  if (!FSubClass->GetOwner()->IsControlEnabled())
    state = bstDisabled;
  else if (FSubClass->GetPressedPart() == FPart)
    state = bstPressed;
  else if (FSubClass->GetHotPart() == FPart)
    state = bstHover;
  if (state == FState) return;
  if (FState == bstHover && state == bstNormal && !Bounds.IsEmpty() && FSubClass->GetOwner()->ScrollBarAllowAnimation()) {
    auto* animation = new TZCLBitmapAnimation(this, Bounds, new TZCLAnimatorFadeOut());
    animation->DrawStartFrame(TZCLBitmapAnimation::TPainter(this, &TZCLScrollBarViewInfoItem::DrawInState));
    FState = state;
    animation->DrawEndFrame(TZCLBitmapAnimation::TPainter(this, &TZCLScrollBarViewInfoItem::DrawInState));
    animation->Run();
  }
  FState = state;
  FSubClass->GetOwner()->InvalidateRect(Bounds);
}

void TZCLScrollBarViewInfoItem::Draw(TCanvas* Canvas) {
  if (Bounds.IsEmpty()) return;
  if (!AnimationManager()->Draw(this, Canvas, Bounds)) DrawInState(Canvas, Bounds);
}

// ---- sub-class ------------------------------------------------------------------------------

TZCLScrollBarSubClass::TZCLScrollBarSubClass(IZCLScrollBar* AOwner, IZCLScrollBarAppearance* AAppearance,
                                             TScrollBarKind AKind)
    : FButtonForward(new TZCLScrollBarViewInfoItem(this, spButtonForward)),
      FButtonBack(new TZCLScrollBarViewInfoItem(this, spButtonBack)),
      FThumb(new TZCLScrollBarViewInfoItem(this, spThumb)),
      FKind(AKind),
      FOwner(AOwner),
      FAppearance(AAppearance),
      FTimer(new TZCLTimer(TNotifyEvent(this, &TZCLScrollBarSubClass::TimerTick), 400, false)) {}

TZCLScrollBarSubClass::~TZCLScrollBarSubClass() {
  Free(FTimer);
  Free(FThumb);
  Free(FButtonBack);
  Free(FButtonForward);
}

TScrollCode TZCLScrollBarSubClass::PartCode(TZCLScrollBarPart Part) {
  switch (Part) {
    case spButtonBack: return scLineUp;
    case spButtonForward: return scLineDown;
    case spTrackBack: return scPageUp;
    case spTrackForward: return scPageDown;
    default: return scTrack;
  }
}

void TZCLScrollBarSubClass::SetKind(TScrollBarKind Value) {
  if (FKind == Value) return;
  FKind = Value;
  Calculate(FBounds);
}

TRect TZCLScrollBarSubClass::AdjustBounds(const TRect& R) {
  TRect result = R;
  const Integer thickness = FAppearance->GetBarThickness(FKind);
  if (FKind == sbHorizontal)
    result.Bottom = result.Top + thickness;
  else
    result.Right = result.Left + thickness;
  return result;
}

void TZCLScrollBarSubClass::Calculate(const TRect& R) {
  FBounds = R;
  FMinThumbSize = FAppearance->GetThumbSize(FKind);
  const Integer forward = FAppearance->GetForwardButtonSize(FKind);
  const Integer back = FAppearance->GetBackButtonSize(FKind);
  FButtonForward->Bounds = R;
  FButtonBack->Bounds = R;
  if (FKind == sbHorizontal) {
    FButtonForward->Bounds.Left = R.Right - forward;
    FButtonBack->Bounds.Right = R.Left + back;
  } else {
    FButtonForward->Bounds.Top = R.Bottom - forward;
    FButtonBack->Bounds.Bottom = R.Top + back;
  }
  CalculateThumb();
  UpdateItemStates();
}

void TZCLScrollBarSubClass::CalculateThumb() {
  FThumb->Bounds = TRect();
  if (!FOwner->IsControlEnabled()) return;
  const Integer trackStart = End(FButtonBack->Bounds);
  const Integer track = Start(FButtonForward->Bounds) - trackStart;
  Integer size, offset;
  if (FPage != 0) {
    size = std::min(MulDiv(FPage, track, FMax - FMin + 1), track);
    if (track < FMinThumbSize || FMax == FMin) return;
    size = std::max(size, FMinThumbSize);
    const Integer range = FMax - FMin - FPage + 1;
    offset = MulDiv(track - size, std::min(FPosition - FMin, range), range);
  } else {
    size = FAppearance->GetThumbSize(FKind);
    if (track < size) return;
    offset = track - size <= 0 || FMax == FMin ? 0 : MulDiv(track - size, FPosition - FMin, FMax - FMin);
  }
  // Without a page the position may reach Max + 1: the thumb still stays on the track.
  offset = std::clamp(offset, 0, std::max(0, track - size));
  if (FKind == sbHorizontal)
    FThumb->Bounds = TRect(trackStart + offset, FBounds.Top, trackStart + offset + size, FBounds.Bottom);
  else
    FThumb->Bounds = TRect(FBounds.Left, trackStart + offset, FBounds.Right, trackStart + offset + size);
}

void TZCLScrollBarSubClass::UpdateItemStates() {
  FButtonBack->UpdateState();
  FButtonForward->UpdateState();
  FThumb->UpdateState();
}

TRect TZCLScrollBarSubClass::GetTrackBack() const {
  if (FThumb->Bounds.IsEmpty()) return TRect();
  TRect r = FBounds;
  if (FKind == sbHorizontal) {
    r.Left = FButtonBack->Bounds.Right;
    r.Right = FThumb->Bounds.Left;
  } else {
    r.Top = FButtonBack->Bounds.Bottom;
    r.Bottom = FThumb->Bounds.Top;
  }
  return r;
}

TRect TZCLScrollBarSubClass::GetTrackForward() const {
  if (FThumb->Bounds.IsEmpty()) return TRect();
  TRect r = FBounds;
  if (FKind == sbHorizontal) {
    r.Left = FThumb->Bounds.Right;
    r.Right = FButtonForward->Bounds.Left;
  } else {
    r.Top = FThumb->Bounds.Bottom;
    r.Bottom = FButtonForward->Bounds.Top;
  }
  return r;
}

TZCLScrollBarPart TZCLScrollBarSubClass::HitTest(const TPoint& P) {
  TRect thumb = FThumb->Bounds;
  if (!thumb.IsEmpty()) {
    const TRect outsets = FAppearance->GetThumbOutsets();
    thumb = TRect(thumb.Left - outsets.Left, thumb.Top - outsets.Top, thumb.Right + outsets.Right,
                  thumb.Bottom + outsets.Bottom);
    if (thumb.Contains(P)) return spThumb;
  }
  if (FButtonBack->Bounds.Contains(P)) return spButtonBack;
  if (FButtonForward->Bounds.Contains(P)) return spButtonForward;
  if (GetTrackBack().Contains(P)) return spTrackBack;
  if (GetTrackForward().Contains(P)) return spTrackForward;
  return spNone;
}

Integer TZCLScrollBarSubClass::ClampPosition(Integer Value) const {
  return std::max(FMin, std::min(Value, FMax - FPage + 1));
}

Integer TZCLScrollBarSubClass::PositionFromThumb() const {
  const Integer trackStart = End(FButtonBack->Bounds);
  const Integer divisor = Start(FButtonForward->Bounds) - trackStart - (End(FThumb->Bounds) - Start(FThumb->Bounds));
  return FMin + MulDiv(FMax - FMin + (FPage > 0 ? 1 - FPage : 0), Start(FThumb->Bounds) - trackStart, divisor);
}

void TZCLScrollBarSubClass::Scroll(TScrollCode Code) {
  Integer position = FPosition;
  switch (Code) {
    case scLineUp: position -= FSmallChange; break;
    case scLineDown: position += FSmallChange; break;
    case scPageUp: position -= std::max<Integer>(FPage, FSmallChange); break;
    case scPageDown: position += std::max<Integer>(FPage, FSmallChange); break;
    case scTop: position = FMin; break;
    case scBottom: position = FMax; break;
    default: break;
  }
  position = ClampPosition(position);
  FOwner->ScrollBarScroll(Code, position);
  position = ClampPosition(position);
  if (position != FPosition) SetScrollParams(FMin, FMax, position, FPage, true);
}

bool TZCLScrollBarSubClass::SetScrollParams(Integer AMin, Integer AMax, Integer APosition, Integer APage,
                                            bool Redraw) {
  if (!FAppearance->IsThumbResizable(FKind)) {
    if (APage >= 2) AMax -= APage;
    APage = 0;
  }
  AMax = std::max(AMax, AMin);
  APage = std::min(APage, AMax - AMin);
  APosition = std::max(APosition, AMin);
  APosition = std::min(APosition, AMax - APage + 1);
  const bool rangeChanged = AMin != FMin || AMax != FMax || APage != FPage;
  const bool positionChanged = APosition != FPosition;
  FPosition = APosition;
  FPage = APage;
  FMin = AMin;
  FMax = AMax;
  if (!(FPressedPart == spThumb && !rangeChanged)) Calculate(FBounds);
  if (Redraw && (rangeChanged || positionChanged)) Invalidate(FPressedPart == spThumb);
  return positionChanged;
}

void TZCLScrollBarSubClass::Invalidate(bool UpdateNow) {
  FOwner->InvalidateRect(FBounds);
  if (UpdateNow) FOwner->UpdateControl();
}

void TZCLScrollBarSubClass::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  if (Button != TMouseButton::Left && Button != TMouseButton::Middle) return;
  const TPoint p(X, Y);
  TZCLScrollBarPart part = HitTest(p);
  if (part == spNone) return;
  if (part == spThumb) {
    FDownPoint = p;
    FThumbDownPos = FThumb->Bounds.TopLeft();
    Scroll(scTrack);
  } else if (Button == TMouseButton::Middle || Shift.Contains(ssShift)) {
    // The thumb jumps so that its centre follows the mouse.
    FThumbDownPos = FThumb->Bounds.TopLeft();
    FDownPoint = FThumb->Bounds.CenterPoint();
    Scroll(scTrack);
    FPressedPart = spThumb;
    DragThumbTo(X, Y);
    part = spThumb;
  } else {
    Scroll(PartCode(part));
    FTimer->SetInterval(400);
    FTimer->SetEnabled(true);
  }
  FHotPart = part;
  FPressedPart = part;
  UpdateItemStates();
  Invalidate(true);
}

void TZCLScrollBarSubClass::TimerTick(TObject*) {
  if (FPressedPart == spNone || FPressedPart == spThumb) {
    EndPress();
    return;
  }
  FTimer->SetInterval(60);
  const TPoint p = FOwner->ControlScreenToClient(GetMouseCursorPos());
  const bool over = HitTest(p) == FPressedPart;
  FTimer->SetEnabled(over);
  if (over) Scroll(PartCode(FPressedPart));
}

void TZCLScrollBarSubClass::MouseMove(Integer X, Integer Y) {
  if (FPressedPart == spThumb) {
    DragThumbTo(X, Y);
    return;
  }
  const TZCLScrollBarPart part = HitTest(TPoint(X, Y));
  if (FPressedPart != spNone) FTimer->SetEnabled(part == FPressedPart);
  if (part != FHotPart) {
    FHotPart = part;
    UpdateItemStates();
  }
}

void TZCLScrollBarSubClass::DragThumbTo(Integer X, Integer Y) {
  const TPoint p(X, Y);
  TRect far = FBounds;
  far.Inflate(120, 120);
  const Integer length = End(FThumb->Bounds) - Start(FThumb->Bounds);
  TPoint topLeft = FThumbDownPos;
  if (far.Contains(p)) {
    const Integer low = End(FButtonBack->Bounds);
    const Integer high = Start(FButtonForward->Bounds) - length;
    if (FKind == sbHorizontal)
      topLeft.X = std::max(low, std::min(FThumbDownPos.X + X - FDownPoint.X, high));
    else
      topLeft.Y = std::max(low, std::min(FThumbDownPos.Y + Y - FDownPoint.Y, high));
  }
  const TSize size(FThumb->Bounds.Width(), FThumb->Bounds.Height());
  FThumb->Bounds = TRect(topLeft.X, topLeft.Y, topLeft.X + size.cx, topLeft.Y + size.cy);
  const Integer position = PositionFromThumb();
  if (position != FPosition) {
    FPosition = position;
    Scroll(scTrack);
  }
  Invalidate(false);
}

void TZCLScrollBarSubClass::MouseUp(TMouseButton, Integer X, Integer Y) {
  EndPress();
  const TZCLScrollBarPart part = HitTest(TPoint(X, Y));
  if (part != FHotPart) {
    FHotPart = part;
    UpdateItemStates();
  }
}

void TZCLScrollBarSubClass::MouseLeave() {
  if (FPressedPart == spThumb) return;
  FHotPart = spNone;
  UpdateItemStates();
}

void TZCLScrollBarSubClass::EndPress() {
  if (FPressedPart == spNone) return;
  FTimer->SetEnabled(false);
  if (FPressedPart == spThumb) {
    FPosition = ClampPosition(PositionFromThumb());
    Scroll(scPosition);
  }
  FHotPart = spNone;
  FPressedPart = spNone;
  Scroll(scEndScroll);
  Calculate(FBounds);
  Invalidate(false);
}

void TZCLScrollBarSubClass::Draw(TCanvas* Canvas) {
  FAppearance->DrawBackground(Canvas, FBounds, FKind);
  FButtonBack->Draw(Canvas);
  FButtonForward->Draw(Canvas);
  FThumb->Draw(Canvas);
}

// ---- control --------------------------------------------------------------------------------

const TMessageTable& TZCLScrollBar::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_CANCELMODE, &TZCLScrollBar::CMCancelMode),
                                    VCL_MESSAGE(CM_ENABLEDCHANGED, &TZCLScrollBar::CMEnabledChanged),
                                    VCL_MESSAGE(CM_VISIBLECHANGED, &TZCLScrollBar::CMVisibleChanged),
                                    VCL_MESSAGE(CN_HSCROLL, &TZCLScrollBar::CNScroll),
                                    VCL_MESSAGE(CN_VSCROLL, &TZCLScrollBar::CNScroll)});
  return table;
}

TZCLScrollBar::TZCLScrollBar(TComponent* AOwner) : TZCLCustomControl(AOwner) {
  FStyle = Create<TZCLStyleScrollBox>(static_cast<TObject*>(this));
  FSubClass = new TZCLScrollBarSubClass(this, FStyle, sbHorizontal);
  Initialize();
}

TZCLScrollBar::TZCLScrollBar(TComponent* AOwner, TScrollBarKind AKind, TZCLStyleScrollBox* AStyle, bool AOwnsStyle)
    : TZCLCustomControl(AOwner), FStyle(AStyle), FOwnsStyle(AOwnsStyle) {
  FSubClass = new TZCLScrollBarSubClass(this, FStyle, AKind);
  Initialize();
}

void TZCLScrollBar::Initialize() {
  TControlStyle style = GetControlStyle();
  style.Include(csCaptureMouse);
  style.Include(csOpaque);
  SetControlStyle(style);
  SetFocusOnClick(false);
  SetDoubleBuffered(true);
  SetBounds(GetLeft(), GetTop(), 200, 20);
}

TZCLScrollBar::~TZCLScrollBar() {
  Free(FSubClass);
  FSubClass = nullptr;
  if (FOwnsStyle) Free(FStyle);
  FStyle = nullptr;
}

void TZCLScrollBar::DeclareProperties(TClassDeclaration<TZCLScrollBar>& D) {
  D.Property(u"Kind", &TZCLScrollBar::GetKind, &TZCLScrollBar::SetKind).Default(sbHorizontal);
  D.Property(u"SmallChange", &TZCLScrollBar::GetSmallChange, &TZCLScrollBar::SetSmallChange).Default(1);
  D.Property(u"Style", &TZCLScrollBar::GetStyle, &TZCLScrollBar::SetStyle);
  D.Event(u"OnScroll", &TZCLScrollBar::OnScroll);
}

void TZCLScrollBar::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  if (FSubClass && !GetComponentState().Contains(csLoading)) {
    const TRect r = FSubClass->AdjustBounds(TRect(ALeft, ATop, ALeft + AWidth, ATop + AHeight));
    AWidth = r.Width();
    AHeight = r.Height();
  }
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TZCLScrollBar::BoundsChanged() {
  inherited::BoundsChanged();
  if (FSubClass) FSubClass->Calculate(GetClientRect());
}

void TZCLScrollBar::SetKind(TScrollBarKind Value) {
  if (FSubClass->GetKind() == Value) return;
  FSubClass->SetKind(Value);
  UpdateTransparency();
  SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
  Invalidate();
}

void TZCLScrollBar::SetPosition(Integer Value) {
  SetScrollParams(FSubClass->GetMin(), FSubClass->GetMax(), Value, FSubClass->GetPage(), true);
}

bool TZCLScrollBar::SetScrollParams(Integer AMin, Integer AMax, Integer APosition, Integer APage, bool Redraw) {
  return FSubClass->SetScrollParams(AMin, AMax, APosition, APage, Redraw);
}

void TZCLScrollBar::Scroll(TScrollCode Code, Integer& Position) {
  if (OnScroll) OnScroll(this, Code, Position);
}

void TZCLScrollBar::Paint() {
  if (FSubClass) FSubClass->Draw(GetCanvas());
}

void TZCLScrollBar::SetTargetDPI(Integer Value) {
  inherited::SetTargetDPI(Value);
  if (FStyle) FStyle->SetTargetDPI(Value);
}

void TZCLScrollBar::UpdateTransparency() {
  TZCLSkinImage* image = FSubClass ? FStyle->GetTextureBackground(FSubClass->GetKind())->GetCurrentImage() : nullptr;
  SetTransparent(image && image->HasAlpha());
  inherited::UpdateTransparency();
}

void TZCLScrollBar::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  FSubClass->MouseDown(Button, Shift, X, Y);
}

void TZCLScrollBar::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  FSubClass->MouseMove(X, Y);
}

void TZCLScrollBar::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  FSubClass->MouseUp(Button, X, Y);
}

void TZCLScrollBar::MouseEnter() {
  inherited::MouseEnter();
  FSubClass->MouseEnter();
}

void TZCLScrollBar::MouseLeave() {
  FSubClass->MouseLeave();
  inherited::MouseLeave();
}

bool TZCLScrollBar::MouseWheel(TMouseWheelDirection Direction, TShiftState, const TPoint&) {
  if (!GetEnabled()) return false;
  FSubClass->Scroll(Direction == mwdDown ? scLineDown : scLineUp);
  return true;
}

void TZCLScrollBar::CMCancelMode(TMessage& Message) {
  FSubClass->EndPress();
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLScrollBar::CMEnabledChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  FSubClass->EndPress();
  FSubClass->Calculate(GetClientRect());
  Invalidate();
}

void TZCLScrollBar::CMVisibleChanged(TMessage& Message) {
  FSubClass->EndPress();
  InheritedMessage(inherited::MessageTable(), Message);
}

void TZCLScrollBar::CNScroll(TMessage& Message) { FSubClass->Scroll(static_cast<TScrollCode>(Message.WParam & 0xFFFF)); }

void RegisterScrollBarClasses() {
  RegisterProperties<TZCLStyleScrollBox>();
  RegisterProperties<TZCLScrollBar>();
  RegisterClasses({TZCLStyleScrollBox::StaticClass(), TZCLScrollBar::StaticClass()});
}
