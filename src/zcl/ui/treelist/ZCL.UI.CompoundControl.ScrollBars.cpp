#include "zcl/ui/treelist/ZCL.UI.CompoundControl.ScrollBars.h"

#include <algorithm>

#include "rtl/RTL.Numbers.h"
#include "os/OS.Input.h"
#include "zcl/base/ZCL.Timers.h"

namespace {
Integer Sign(Integer Value) { return Value > 0 ? 1 : Value < 0 ? -1 : 0; }
// A held mouse button, as the keyboard state reports it.
bool IsLeftButtonDown() { return GetAsyncKeyState(VK_LBUTTON) < 0; }
}  // namespace

// ---- parts ----------------------------------------------------------------------------------

TZCLCompoundControlScrollBarPartViewInfo::TZCLCompoundControlScrollBarPartViewInfo(
    TZCLCompoundControlScrollBarViewInfo* AOwner, TZCLScrollBarPart APart)
    : TZCLCompoundControlCustomViewInfo(AOwner->GetSubClass()), FOwner(AOwner), FPart(APart) {}

void TZCLCompoundControlScrollBarPartViewInfo::BeforeDestruction() {
  RemoveAnimations(this);
  inherited::BeforeDestruction();
}

void TZCLCompoundControlScrollBarPartViewInfo::MouseDown(TMouseButton, TShiftState, TZCLHitTestInfo*) { UpdateState(); }

void TZCLCompoundControlScrollBarPartViewInfo::MouseUp(TMouseButton, TShiftState, TZCLHitTestInfo*) { UpdateState(); }

void TZCLCompoundControlScrollBarPartViewInfo::UpdateState() {
  if (FSubClass->GetPressedObject() == this)
    SetState(bstPressed);
  else if (FSubClass->GetHoveredObject() == this)
    SetState(bstHover);
  else
    SetState(bstNormal);
}

void TZCLCompoundControlScrollBarPartViewInfo::DrawInState(TCanvas* Canvas, const TRect& R) {
  const TZCLButtonState state = FSubClass->GetEnabled() ? FState : bstDisabled;
  FOwner->GetStyle()->DrawPart(Canvas, R, FPart, state, FOwner->GetKind());
}

void TZCLCompoundControlScrollBarPartViewInfo::SetState(TZCLButtonState Value) {
  if (FState == Value) return;
  RemoveAnimations(this);
  if (UIAnimationsEnabled && FState == bstHover && Value == bstNormal && !FBounds.IsEmpty()) {
    auto* animation = new TZCLBitmapAnimation(this, FBounds, new TZCLAnimatorFadeOut());
    animation->DrawStartFrame(TZCLBitmapAnimation::TPainter(this, &TZCLCompoundControlScrollBarPartViewInfo::DrawInState));
    FState = Value;
    animation->DrawEndFrame(TZCLBitmapAnimation::TPainter(this, &TZCLCompoundControlScrollBarPartViewInfo::DrawInState));
    animation->Run();
  }
  FState = Value;
  Invalidate();
}

void TZCLCompoundControlScrollBarPartViewInfo::DoCalculateHitTest(TZCLHitTestInfo* HitTest) {
  inherited::DoCalculateHitTest(HitTest);
  HitTest->SetHitObjectFlag(HitFlagScrollBar, true);
}

void TZCLCompoundControlScrollBarPartViewInfo::DoDraw(TCanvas* Canvas) {
  if (!AnimationManager()->Draw(this, Canvas, FBounds)) DrawInState(Canvas, FBounds);
}

TZCLCompoundControlScrollBarButtonViewInfo::~TZCLCompoundControlScrollBarButtonViewInfo() { FreeTimer(); }

void TZCLCompoundControlScrollBarButtonViewInfo::FreeTimer() {
  Free(FRepeatTimer);
  FRepeatTimer = nullptr;
}

void TZCLCompoundControlScrollBarButtonViewInfo::Step() {
  const auto& info = FOwner->GetScrollInfo();
  FOwner->Scroll(FPart == spButtonBack ? info.Position - info.LineSize : info.Position + info.LineSize);
}

void TZCLCompoundControlScrollBarButtonViewInfo::MouseDown(TMouseButton Button, TShiftState Shift,
                                                           TZCLHitTestInfo* HitTest) {
  if (Button == TMouseButton::Left) {
    FreeTimer();
    Step();
    FRepeatTimer = new TZCLTimer(TNotifyEvent(this, &TZCLCompoundControlScrollBarButtonViewInfo::RepeatTimer), 400);
  }
  inherited::MouseDown(Button, Shift, HitTest);
}

void TZCLCompoundControlScrollBarButtonViewInfo::MouseUp(TMouseButton Button, TShiftState Shift,
                                                         TZCLHitTestInfo* HitTest) {
  FreeTimer();
  inherited::MouseUp(Button, Shift, HitTest);
}

void TZCLCompoundControlScrollBarButtonViewInfo::RepeatTimer(TObject*) {
  FRepeatTimer->SetInterval(60);
  Step();
}

TZCLCompoundControlDragObject* TZCLCompoundControlScrollBarThumbnailViewInfo::CreateDragObject(TZCLHitTestInfo*) {
  return new TZCLCompoundControlScrollBarThumbnailDragObject(this);
}

// ---- thumb drag -----------------------------------------------------------------------------

bool TZCLCompoundControlScrollBarThumbnailDragObject::DragStart() {
  FSavedBounds = FThumb->GetBounds();
  FSavedPosition = FThumb->GetOwner()->GetScrollInfo().Position;
  return true;
}

void TZCLCompoundControlScrollBarThumbnailDragObject::DragMove(const TPoint& P, Integer& DeltaX, Integer& DeltaY) {
  TZCLCompoundControlScrollBarViewInfo* bar = FThumb->GetOwner();
  const TRect margins = bar->GetThumbMargins();
  const TRect b = FThumb->GetBounds();
  TRect c(b.Left + margins.Left, b.Top + margins.Top, b.Right - margins.Right, b.Bottom - margins.Bottom);
  const TRect track = bar->GetTrackArea();
  const auto& info = bar->GetScrollInfo();
  const Integer range = info.Max - info.Min + 1;
  const bool horizontal = bar->GetKind() == sbHorizontal;
  if (horizontal) {
    DeltaX = std::max(track.Left - c.Left, std::min(DeltaX, track.Right - c.Left));
    DeltaY = 0;
  } else {
    DeltaY = std::max(track.Top - c.Top, std::min(DeltaY, track.Bottom - c.Top));
    DeltaX = 0;
  }
  TRect far = bar->GetBounds();
  far.Inflate(120, 120);
  if (far.Contains(P)) {
    c.Offset(DeltaX, DeltaY);
    const Integer position =
        horizontal ? info.Min + MulDiv(range - info.Page, c.Left - track.Left, track.Width())
                   : info.Min + MulDiv(range - info.Page, c.Top - track.Top, track.Height());
    bar->Scroll(position);
    FThumb->Calculate(TRect(c.Left - margins.Left, c.Top - margins.Top, c.Right + margins.Right, c.Bottom + margins.Bottom),
                      ChangeSize);
  } else {
    // The pointer went far away: back to where the drag started.
    DeltaX = FSavedBounds.Left - b.Left;
    DeltaY = FSavedBounds.Top - b.Top;
    bar->Scroll(FSavedPosition);
    FThumb->Calculate(FSavedBounds, ChangeSize);
  }
  bar->Invalidate();
}

void TZCLCompoundControlScrollBarThumbnailDragObject::DragFinished(bool Canceled) {
  if (Canceled) FThumb->GetOwner()->Scroll(FSavedPosition);
  FThumb->UpdateState();
}

// ---- scroll bar -----------------------------------------------------------------------------

TZCLCompoundControlScrollBarViewInfo::TZCLCompoundControlScrollBarViewInfo(TZCLCompoundControlSubClass* ASubClass,
                                                                           TScrollBarKind AKind)
    : TZCLCompoundControlContainerViewInfo(ASubClass), FKind(AKind) {}

TZCLCompoundControlScrollBarViewInfo::~TZCLCompoundControlScrollBarViewInfo() { FreeRepeatTimer(); }

void TZCLCompoundControlScrollBarViewInfo::FreeRepeatTimer() {
  Free(FRepeatTimer);
  FRepeatTimer = nullptr;
}

TZCLCompoundControlScrollBarPartViewInfo* TZCLCompoundControlScrollBarViewInfo::GetButtonForward() const {
  return ChildCount() > 0 ? static_cast<TZCLCompoundControlScrollBarPartViewInfo*>(GetChild(0)) : nullptr;
}

TZCLCompoundControlScrollBarPartViewInfo* TZCLCompoundControlScrollBarViewInfo::GetButtonBack() const {
  return ChildCount() > 1 ? static_cast<TZCLCompoundControlScrollBarPartViewInfo*>(GetChild(1)) : nullptr;
}

TZCLCompoundControlScrollBarThumbnailViewInfo* TZCLCompoundControlScrollBarViewInfo::GetThumb() const {
  return ChildCount() > 2 ? static_cast<TZCLCompoundControlScrollBarThumbnailViewInfo*>(GetChild(2)) : nullptr;
}

bool TZCLCompoundControlScrollBarViewInfo::IsThumbResizable() { return GetStyle()->IsThumbResizable(FKind); }

Integer TZCLCompoundControlScrollBarViewInfo::GetSize() {
  if (!FVisible) return 0;
  TZCLResourceTexture* t = GetStyle()->GetTextureBackground(FKind);
  return FKind == sbVertical ? t->GetFrameWidth() : t->GetFrameHeight();
}

void TZCLCompoundControlScrollBarViewInfo::SetParams(const TZCLCompoundControlScrollInfo& Info) {
  FScrollInfo = Info;
  if (!IsThumbResizable()) {
    FScrollInfo.Max -= FScrollInfo.Page;
    FScrollInfo.Page = 0;
  }
  FVisible = FScrollInfo.Page + 1 < FScrollInfo.Max - FScrollInfo.Min + 1;
  Calculate(FBounds, ChangeSize);
}

void TZCLCompoundControlScrollBarViewInfo::Scroll(Integer Position) {
  if (OnScroll) OnScroll(this, Position);
}

void TZCLCompoundControlScrollBarViewInfo::RecreateSubCells() {
  inherited::RecreateSubCells();
  AddCell(new TZCLCompoundControlScrollBarButtonViewInfo(this, spButtonForward));
  AddCell(new TZCLCompoundControlScrollBarButtonViewInfo(this, spButtonBack));
  AddCell(new TZCLCompoundControlScrollBarThumbnailViewInfo(this, spThumb));
}

void TZCLCompoundControlScrollBarViewInfo::DoCalculate(TZCLCompoundControlChanges Changes) {
  inherited::DoCalculate(Changes);
  if (ChildCount() == 0) RecreateSubCells();
  if (!FVisible || !(Changes & (ChangeSize | ChangeStruct)) || ChildCount() != 3) return;
  TZCLStyleScrollBox* style = GetStyle();
  TZCLResourceTexture* thumbTexture = style->GetTextureThumb(FKind);
  const TRect offsets = thumbTexture->GetContentOffsets();
  const bool vertical = FKind == sbVertical;
  FThumbMargins = vertical ? TRect(0, offsets.Top, 0, offsets.Bottom) : TRect(offsets.Left, 0, offsets.Right, 0);
  TRect r = FBounds;
  TZCLResourceTexture* buttons = style->GetTextureButtons(FKind);
  const Integer b = vertical ? buttons->GetFrameHeight() : buttons->GetFrameWidth();
  if (vertical) {
    GetButtonForward()->Calculate(TRect(r.Left, r.Bottom - b, r.Right, r.Bottom), ChangeSize);
    r.Bottom -= b;
    GetButtonBack()->Calculate(TRect(r.Left, r.Top, r.Right, r.Top + b), ChangeSize);
    r.Top += b;
  } else {
    GetButtonForward()->Calculate(TRect(r.Right - b, r.Top, r.Right, r.Bottom), ChangeSize);
    r.Right -= b;
    GetButtonBack()->Calculate(TRect(r.Left, r.Top, r.Left + b, r.Bottom), ChangeSize);
    r.Left += b;
  }
  const Integer track = vertical ? r.Height() : r.Width();
  const Integer range = FScrollInfo.Max - FScrollInfo.Min + 1;
  FThumbSize = std::max(1, MulDiv(track, FScrollInfo.Page, range));
  const Integer frame = vertical ? thumbTexture->GetFrameHeight() - FThumbMargins.Top - FThumbMargins.Bottom
                                 : thumbTexture->GetFrameWidth() - FThumbMargins.Left - FThumbMargins.Right;
  const Integer length = std::max(FThumbSize, std::min(track, frame));
  if (vertical)
    r.Bottom -= length;
  else
    r.Right -= length;
  FTrackArea = r;
  const Integer span = range - FScrollInfo.Page;
  const Integer offset =
      span > 0 ? MulDiv(vertical ? FTrackArea.Height() : FTrackArea.Width(),
                        std::min(FScrollInfo.Position - FScrollInfo.Min, span), span)
               : 0;
  TRect t = vertical ? TRect(r.Left, r.Top + offset, r.Right, r.Top + offset + length)
                     : TRect(r.Left + offset, r.Top, r.Left + offset + length, r.Bottom);
  t = TRect(t.Left - FThumbMargins.Left, t.Top - FThumbMargins.Top, t.Right + FThumbMargins.Right,
            t.Bottom + FThumbMargins.Bottom);
  GetThumb()->Calculate(t, ChangeSize);
}

void TZCLCompoundControlScrollBarViewInfo::DoCalculateHitTest(TZCLHitTestInfo* HitTest) {
  inherited::DoCalculateHitTest(HitTest);
  HitTest->SetHitObjectFlag(HitFlagScrollBar, true);
}

void TZCLCompoundControlScrollBarViewInfo::DoDraw(TCanvas* Canvas) {
  GetStyle()->DrawBackground(Canvas, FBounds, FKind);
  inherited::DoDraw(Canvas);
}

Integer TZCLCompoundControlScrollBarViewInfo::CalculateScrollDelta(const TPoint& P) {
  const TPoint centre = GetThumb()->GetBounds().CenterPoint();
  const Integer d = FKind == sbVertical ? P.Y - centre.Y : P.X - centre.X;
  return Sign(d) * std::min(std::abs(d), FThumbSize);
}

void TZCLCompoundControlScrollBarViewInfo::ThumbDragTo(const TPoint& P) {
  TZCLCompoundControlScrollBarThumbnailViewInfo* thumb = GetThumb();
  if (!thumb) return;
  const TPoint centre = thumb->GetBounds().CenterPoint();
  if (P == centre) return;
  TZCLCompoundControlScrollBarThumbnailDragObject drag(thumb);
  drag.DragStart();
  Integer dx = P.X - centre.X, dy = P.Y - centre.Y;
  drag.DragMove(P, dx, dy);
  drag.DragFinished(false);
}

void TZCLCompoundControlScrollBarViewInfo::MouseDown(TMouseButton Button, TShiftState Shift, TZCLHitTestInfo* HitTest) {
  if ((Button == TMouseButton::Left && Shift.Contains(ssShift)) || Button == TMouseButton::Middle) {
    ThumbDragTo(HitTest->HitPoint);
    return;
  }
  if (Button != TMouseButton::Left) return;
  FreeRepeatTimer();
  const Integer delta = CalculateScrollDelta(HitTest->HitPoint);
  if (delta == 0) return;
  FRepeatTimer = new TZCLTimer(TNotifyEvent(this, &TZCLCompoundControlScrollBarViewInfo::RepeatStep), 60, false);
  FRepeatTimer->SetTag(delta);
  RepeatStep(nullptr);
  if (FRepeatTimer) FRepeatTimer->SetEnabled(true);
}

void TZCLCompoundControlScrollBarViewInfo::MouseUp(TMouseButton, TShiftState, TZCLHitTestInfo*) { FreeRepeatTimer(); }

void TZCLCompoundControlScrollBarViewInfo::RepeatStep(TObject* Sender) {
  if (Sender && !IsLeftButtonDown()) {
    FreeRepeatTimer();
    return;
  }
  if (Sender) FSubClass->UpdateHitTestAtCursor();
  TZCLHitTestInfo* hit = FSubClass->GetHitTest();
  if (hit->HitObject != this) return;
  const Integer delta = CalculateScrollDelta(hit->HitPoint);
  if (Sign(delta) != Sign(static_cast<Integer>(FRepeatTimer->GetTag()))) return;
  TPoint target = GetThumb()->GetBounds().CenterPoint();
  if (FKind == sbVertical)
    target.Y += delta;
  else
    target.X += delta;
  ThumbDragTo(target);
}

// ---- scroll container -----------------------------------------------------------------------

TZCLCompoundControlScrollContainerViewInfo::TZCLCompoundControlScrollContainerViewInfo(
    TZCLCompoundControlSubClass* ASubClass)
    : TZCLCompoundControlContainerViewInfo(ASubClass) {
  FHorzScrollBar = CreateScrollBar(sbHorizontal);
  FHorzScrollBar->OnScroll = TZCLCompoundControlScrollEvent(this, &TZCLCompoundControlScrollContainerViewInfo::HorzScroll);
  FVertScrollBar = CreateScrollBar(sbVertical);
  FVertScrollBar->OnScroll = TZCLCompoundControlScrollEvent(this, &TZCLCompoundControlScrollContainerViewInfo::VertScroll);
}

TZCLCompoundControlScrollContainerViewInfo::~TZCLCompoundControlScrollContainerViewInfo() {
  Free(FHorzScrollBar);
  Free(FVertScrollBar);
}

TZCLCompoundControlScrollBarViewInfo* TZCLCompoundControlScrollContainerViewInfo::CreateScrollBar(TScrollBarKind Kind) {
  return new TZCLCompoundControlScrollBarViewInfo(FSubClass, Kind);
}

void TZCLCompoundControlScrollContainerViewInfo::Calculate(const TRect& R, TZCLCompoundControlChanges Changes) {
  inherited::Calculate(R, Changes);
  if (Changes & (ChangeSize | ChangeStruct)) CalculateContentLayout();
  if (Changes & (ChangeLayout | ChangeSize | ChangeStruct)) UpdateScrollBars();
}

void TZCLCompoundControlScrollContainerViewInfo::CalculateSubCells(TZCLCompoundControlChanges Changes) {
  inherited::CalculateSubCells(Changes);
  FClientBounds = FBounds;
  CalculateScrollBars(FClientBounds);
}

void TZCLCompoundControlScrollContainerViewInfo::CalculateScrollBars(TRect& R) {
  const Integer h = FHorzScrollBar->GetSize();
  const Integer v = FVertScrollBar->GetSize();
  FHorzScrollBar->Calculate(TRect(R.Left, R.Bottom - h, R.Right - v, R.Bottom), ChangeSize);
  FVertScrollBar->Calculate(TRect(R.Right - v, R.Top, R.Right, R.Bottom - h), ChangeSize);
  FSizeGripArea = TRect(R.Right - v, R.Bottom - h, R.Right, R.Bottom);
  R.Bottom -= h;
  R.Right -= v;
}

bool TZCLCompoundControlScrollContainerViewInfo::GetScrollParams(TScrollBarKind Kind, TZCLCompoundControlScrollInfo& Info) {
  Info = TZCLCompoundControlScrollInfo();
  Info.LineSize = 5;
  if (Kind == sbHorizontal) {
    Info.Page = FClientBounds.Width();
    Info.Max = FContentSize.cx - 1;
    Info.Position = FViewport.X;
  } else {
    Info.Page = FClientBounds.Height();
    Info.Max = FContentSize.cy - 1;
    Info.Position = FViewport.Y;
  }
  return Info.Max >= Info.Page && Info.Max > Info.Min;
}

void TZCLCompoundControlScrollContainerViewInfo::UpdateScrollBar(TZCLCompoundControlScrollBarViewInfo* ScrollBar) {
  TZCLCompoundControlScrollInfo info;
  if (!GetScrollParams(ScrollBar->GetKind(), info)) info = TZCLCompoundControlScrollInfo();
  ScrollBar->SetParams(info);
}

Byte TZCLCompoundControlScrollContainerViewInfo::VisibleScrollBars() const {
  return Byte((FHorzScrollBar->GetVisible() ? 1 : 0) | (FVertScrollBar->GetVisible() ? 2 : 0));
}

void TZCLCompoundControlScrollContainerViewInfo::UpdateScrollBars() {
  const Byte visible = VisibleScrollBars();
  UpdateScrollBar(FHorzScrollBar);
  UpdateScrollBar(FVertScrollBar);
  SetViewportX(FViewport.X);
  SetViewportY(FViewport.Y);
  // A bar that came or went changes the client area; two passes settle any layout.
  if (VisibleScrollBars() != visible && FRelayoutDepth < 2) {
    ++FRelayoutDepth;
    try {
      Calculate(FBounds, ChangeSize);
    } catch (...) {
      --FRelayoutDepth;
      throw;
    }
    --FRelayoutDepth;
  }
}

void TZCLCompoundControlScrollContainerViewInfo::SetViewport(const TPoint& P) {
  SetViewportX(P.X);
  SetViewportY(P.Y);
}

void TZCLCompoundControlScrollContainerViewInfo::SetViewportX(Integer Value) {
  Value = std::max(0, std::min(Value, FContentSize.cx - FClientBounds.Width()));
  if (Value == FViewport.X) return;
  const Integer old = FViewport.X;
  FViewport.X = Value;
  ViewportChanged(old - Value, 0);
}

void TZCLCompoundControlScrollContainerViewInfo::SetViewportY(Integer Value) {
  Value = std::max(0, std::min(Value, FContentSize.cy - FClientBounds.Height()));
  if (Value == FViewport.Y) return;
  const Integer old = FViewport.Y;
  FViewport.Y = Value;
  ViewportChanged(0, old - Value);
}

void TZCLCompoundControlScrollContainerViewInfo::ViewportChanged(Integer, Integer) {
  FSubClass->Changed(ChangeLayout);
  if (!FSubClass->IsUpdateLocked()) FSubClass->RepaintNow();
}

Integer TZCLCompoundControlScrollContainerViewInfo::GetScrollPosition(TScrollBarKind Kind, TScrollCode Code) {
  TZCLCompoundControlScrollInfo info;
  if (!GetScrollParams(Kind, info)) return 0;
  switch (Code) {
    case scLineUp: return info.Position - info.LineSize;
    case scLineDown: return info.Position + info.LineSize;
    case scPageUp: return info.Position - info.Page;
    case scPageDown: return info.Position + info.Page;
    case scTop: return info.Min;
    case scBottom: return info.Max;
    default: return 0;
  }
}

void TZCLCompoundControlScrollContainerViewInfo::ScrollHorizontally(TScrollCode Code) {
  SetViewportX(GetScrollPosition(sbHorizontal, Code));
}

void TZCLCompoundControlScrollContainerViewInfo::ScrollVertically(TScrollCode Code) {
  SetViewportY(GetScrollPosition(sbVertical, Code));
}

void TZCLCompoundControlScrollContainerViewInfo::ScrollByMouseWheel(TMouseWheelDirection Direction, TShiftState Shift) {
  const TScrollCode code = Direction == mwdDown ? scLineDown : scLineUp;
  for (Integer i = TZCLMouseWheel::GetScrollLines(Shift); i > 0; --i) {
    if (Shift.Contains(ssShift))
      ScrollHorizontally(code);
    else
      ScrollVertically(code);
  }
}

bool TZCLCompoundControlScrollContainerViewInfo::CalculateHitTest(TZCLHitTestInfo* HitTest) {
  if (FHorzScrollBar->GetVisible() && FHorzScrollBar->CalculateHitTest(HitTest)) return true;
  if (FVertScrollBar->GetVisible() && FVertScrollBar->CalculateHitTest(HitTest)) return true;
  return inherited::CalculateHitTest(HitTest);
}

void TZCLCompoundControlScrollContainerViewInfo::DoDraw(TCanvas* Canvas) {
  inherited::DoDraw(Canvas);
  if (!FSizeGripArea.IsEmpty()) FSubClass->GetStyleScrollBox()->GetTextureSizeGripArea()->Draw(Canvas, FSizeGripArea, 0);
  if (FHorzScrollBar->GetVisible()) FHorzScrollBar->Draw(Canvas);
  if (FVertScrollBar->GetVisible()) FVertScrollBar->Draw(Canvas);
}
