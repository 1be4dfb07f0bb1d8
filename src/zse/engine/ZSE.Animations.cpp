#include "zse/engine/ZSE.Animations.h"

#include <algorithm>
#include <cmath>

#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.Colors.h"
#include "os/OS.Timers.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"
#include "zse/engine/ZSE.Forms.h"
#include "zse/engine/ZSE.RenderBuffer.h"

// ---- TZSEAnimation --------------------------------------------------------------------------------------

TZSEAnimation::TZSEAnimation(IZCLAnimateControl* ASource, TZCLFramesAnimator* AAnimator, Integer ADuration,
                             TZCLAnimationTransitionMode Mode)
    : TZCLFrameBasedAnimation(ASource, static_cast<Cardinal>(ADuration < 0 ? ZCLDefaultAnimationDuration : ADuration),
                              AAnimator, Mode) {
  FFrame1 = TZSERenderBuffer::New(0, 0);
  FFrame2 = TZSERenderBuffer::New(0, 0);
}

TZSEAnimation::~TZSEAnimation() {
  Free(FWork);
  Free(FFrame2);
  Free(FFrame1);
}

void TZSEAnimation::Initialize() {
  inherited::Initialize();
  if (GetAnimator()->NeedSwapFrames()) std::swap(FFrame1, FFrame2);
}

bool TZSEAnimation::CanAnimate() {
  if (FFrame1->Empty() || FFrame2->Empty()) return false;
  if (dynamic_cast<TZCLAnimatorCrossFade*>(GetAnimator())) return FFrame1->Size() == FFrame2->Size();
  return true;
}

void TZSEAnimation::DrawAt(TZSERenderBuffer* Renderer, const TRect& Rect, Single Progress) {
  if (dynamic_cast<TZCLAnimatorCrossFade*>(GetAnimator())) {
    if (FFrame1->Empty() || FFrame1->Size() != FFrame2->Size()) return;
    if (!FWork) FWork = TZSERenderBuffer::New(0, 0);
    FWork->Resize(FFrame1->GetWidth(), FFrame1->GetHeight());
    FFrame1->BeginAccess();
    FFrame2->BeginAccess();
    FWork->BeginAccess();
    const TZCLByteTable& m = TZCLColors::PremultiplyTable();
    const Integer a = static_cast<Integer>(std::lround(std::clamp(Progress, 0.0f, 1.0f) * 255));
    const Byte* first = reinterpret_cast<const Byte*>(FFrame1->GetColors());
    const Byte* second = reinterpret_cast<const Byte*>(FFrame2->GetColors());
    Byte* out = reinterpret_cast<Byte*>(FWork->GetColors());
    const Integer bytes = FFrame1->GetColorCount() * 4;
    // Both weights add up to 255, so the sum never exceeds a byte.
    for (Integer i = 0; i < bytes; ++i) out[i] = static_cast<Byte>(m[first[i]][255 - a] + m[second[i]][a]);
    FWork->EndAccess();
    Renderer->DrawDib(Rect, FWork, 255, TZCLBlendMode{});
    return;
  }
  TZSERenderBufferClipState clip{};
  if (!Renderer->ClipPush(Rect, clip)) return;
  try {
    TRect r1, r2;
    Byte a1 = 0, a2 = 0;
    GetAnimator()->Calculate(Progress, FFrame1->Size(), Rect, r1, r2, a1, a2);
    Renderer->DrawDib(r1, FFrame1, a1, TZCLBlendMode{});
    Renderer->DrawDib(r2, FFrame2, a2, TZCLBlendMode{});
  } catch (...) {
    Renderer->ClipPop(clip);
    throw;
  }
  Renderer->ClipPop(clip);
}

// ---- TZSEPaperSlideAnimationOptions ---------------------------------------------------------------------

void TZSEPaperSlideAnimationOptions::DeclareProperties(TClassDeclaration<TZSEPaperSlideAnimationOptions>& D) {
  using T = TZSEPaperSlideAnimationOptions;
  D.Property(u"Direction", &T::GetDirection, &T::SetDirection).Default(samLeftToRight);
  D.Property(u"BackgroundOffsetInPercents", &T::GetBackgroundOffsetInPercents, &T::SetBackgroundOffsetInPercents)
      .Default(0);
  D.Property(u"BackgroundOpacity", &T::GetBackgroundOpacity, &T::SetBackgroundOpacity).Default(255);
  D.Property(u"ForegroundOpacity", &T::GetForegroundOpacity, &T::SetForegroundOpacity).Default(255);
}

void TZSEPaperSlideAnimationOptions::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TZSEPaperSlideAnimationOptions*>(Source);
  if (!s) return;
  FDirection = s->FDirection;
  FBackgroundOffsetInPercents = s->FBackgroundOffsetInPercents;
  FBackgroundOpacity = s->FBackgroundOpacity;
  FForegroundOpacity = s->FForegroundOpacity;
}

void TZSEPaperSlideAnimationOptions::SetBackgroundOffsetInPercents(Integer Value) {
  FBackgroundOffsetInPercents = std::clamp(Value, -200, 200);
}

void TZSEPaperSlideAnimationOptions::SetBackgroundOpacity(Integer Value) { FBackgroundOpacity = std::clamp(Value, 0, 255); }

void TZSEPaperSlideAnimationOptions::SetForegroundOpacity(Integer Value) { FForegroundOpacity = std::clamp(Value, 0, 255); }

TZCLFramesAnimator* TZSEPaperSlideAnimationOptions::CreateAnimator(bool Reversed) const {
  const Single background = FBackgroundOpacity / 255.0f, foreground = FForegroundOpacity / 255.0f;
  const Single offset = FBackgroundOffsetInPercents / 100.0f;
  switch (FDirection) {
    case samLeftToRight:
      return new TZCLAnimatorPaperSlideLeftToRight(Reversed, background, foreground, offset);
    case samRightToLeft:
      return new TZCLAnimatorPaperSlideRightToLeft(Reversed, background, foreground, offset);
    case samTopToBottom:
      return new TZCLAnimatorPaperSlideTopToBottom(Reversed, background, foreground, offset);
    default:
      return new TZCLAnimatorPaperSlideBottomToTop(Reversed, background, foreground, offset);
  }
}

// ---- TZSEAnimations -------------------------------------------------------------------------------------

bool TZSEAnimations::Find(IZCLAnimateControl* Element, TZSEAnimation*& Animation) {
  TZCLAnimation* found = nullptr;
  Animation = nullptr;
  if (!AnimationManager()->Find(Element, found)) return false;
  Animation = dynamic_cast<TZSEAnimation*>(found);
  return Animation != nullptr;
}

bool TZSEAnimations::Draw(IZCLAnimateControl* Element, TZSERenderBuffer* Renderer, const TRect& Rect) {
  TZSEAnimation* animation = nullptr;
  if (!Find(Element, animation)) return false;
  animation->Draw(Renderer, Rect);
  return true;
}

void TZSEAnimations::Stop(TObject* Element) { AnimationManager()->RemoveOwner(Element); }

void ZSEAnimationsInitialize() {
  RegisterProperties<TZSEPaperSlideAnimationOptions>();
  RegisterClass(TZSEPaperSlideAnimationOptions::StaticClass());
}

// ---- TZSEFormAlphaBlendAnimation ------------------------------------------------------------------------

namespace {
Int64 NowMs() { return static_cast<Int64>(GetClock().NowMs()); }
}  // namespace

TZSEFormAlphaBlendAnimation::TZSEFormAlphaBlendAnimation(TZSEBaseForm* AForm) : FForm(AForm) {
  FApplicationActive = Application && Application->GetActive();
}

TZSEFormAlphaBlendAnimation::~TZSEFormAlphaBlendAnimation() { StopTimer(); }

void TZSEFormAlphaBlendAnimation::EndUpdate() {
  if (--FUpdateCount > 0) return;
  FUpdateCount = 0;
  if (FPendingChange) Recalculate();
}

void TZSEFormAlphaBlendAnimation::Changed() {
  if (FUpdateCount > 0)
    FPendingChange = true;
  else
    Recalculate();
}

void TZSEFormAlphaBlendAnimation::SetOptions(Byte Value) {
  if (Value == FOptions) return;
  FOptions = Value;
  Changed();
}

void TZSEFormAlphaBlendAnimation::SetValue(Integer Value) {
  Value = std::clamp(Value, 0, 100);
  if (Value == FValue) return;
  FValue = Value;
  Changed();
}

void TZSEFormAlphaBlendAnimation::SetApplicationActive(bool Value) {
  if (Value == FApplicationActive) return;
  FApplicationActive = Value;
  Changed();
}

void TZSEFormAlphaBlendAnimation::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  Changed();
}

void TZSEFormAlphaBlendAnimation::MouseEnter() {
  if (FMouseInside) return;
  FMouseInside = true;
  Changed();
}

void TZSEFormAlphaBlendAnimation::MouseLeave() {
  if (!FMouseInside) return;
  FMouseInside = false;
  Changed();
}

void TZSEFormAlphaBlendAnimation::Recalculate() {
  FPendingChange = false;
  const bool opaque = ((FOptions & 2) && FApplicationActive) || ((FOptions & 4) && FMouseInside) || !FEnabled;
  SetAlpha(opaque ? 255 : PercentToAlpha(FValue));
}

void TZSEFormAlphaBlendAnimation::SetAlpha(Byte Target) {
  StopTimer();
  const Byte current = FForm ? FForm->GetAlphaValue() : FTargetAlpha;
  if (Target == current) return;
  FStartAlpha = current;
  FTargetAlpha = Target;
  FStartTime = NowMs();
  FEndTime = FStartTime + FDuration;
  if ((FOptions & 1) && FDuration != 0)
    FTimer = new TZCLTimer(TNotifyEvent(this, &TZSEFormAlphaBlendAnimation::TimerTick), 1);
  else
    SetAlphaImmediately(Target);
}

void TZSEFormAlphaBlendAnimation::Step() {
  const Int64 now = NowMs();
  if (now >= FEndTime) {
    SetAlphaImmediately(FTargetAlpha);
    return;
  }
  const double t = static_cast<double>(now - FStartTime) / static_cast<double>(FEndTime - FStartTime);
  const Byte alpha = static_cast<Byte>(std::trunc(FStartAlpha * (1 - t) + FTargetAlpha * t));
  if (FForm) FForm->SetAlphaValue(alpha);
}

void TZSEFormAlphaBlendAnimation::SetAlphaImmediately(Byte Alpha) {
  StopTimer();
  FTargetAlpha = Alpha;
  if (FForm) FForm->SetAlphaValue(Alpha);
}

void TZSEFormAlphaBlendAnimation::StopTimer() {
  if (!FTimer) return;
  TZCLTimer* timer = FTimer;
  FTimer = nullptr;
  Free(timer);
}

// ---- TZSEFormShowHideAnimation --------------------------------------------------------------------------

TZSEFormShowHideAnimation::TZSEFormShowHideAnimation(TZSEBaseForm* AForm)
    : TZCLAnimation(nullptr, 250, ateLinear), FForm(AForm) {
  SetFreeOnTerminate(false);
}

void TZSEFormShowHideAnimation::Run(bool AShow, Byte ADirection) {
  FShow = AShow;
  FDirection = ADirection;
  if (!FForm->UseLayeredWindow() && !FForm->GetParent()) {
    // Region-shaped windows show and hide at once.
    FForm->SetSlideOffset(TPoint());
    FForm->SetVisible(AShow);
    if (AShow) FForm->UpdateContent(true);
    return;
  }
  ApplyProgress(0);
  if (AShow) {
    FForm->UpdateContent(true);
    FForm->SetVisible(true);
  }
  if (GetDuration() != 0 && !FForm->GetParent()) RunImmediate();
  ApplyProgress(100);
  if (!AShow) FForm->SetVisible(false);
  FForm->SetSlideOffset(TPoint());
}

void TZSEFormShowHideAnimation::ApplyProgress(Integer Percent) {
  const Integer size = FDirection <= 1 ? FForm->GetWidth() : FForm->GetHeight();
  const float sign = FDirection == 0 || FDirection == 2 ? 1.0f : -1.0f;
  const float part = FShow ? 1.0f - Percent / 100.0f : Percent / 100.0f;
  const Integer offset = static_cast<Integer>(sign * static_cast<float>(size) * part);
  FForm->SetSlideOffset(FDirection <= 1 ? TPoint(offset, 0) : TPoint(0, offset));
}

void TZSEFormShowHideAnimation::Animate() { ApplyProgress(static_cast<Integer>(std::lround(GetProgress() * 100))); }
