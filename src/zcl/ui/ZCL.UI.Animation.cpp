#include "zcl/ui/ZCL.UI.Animation.h"

#include <algorithm>
#include <cmath>

#include "os/OS.Timers.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"

namespace {

TZCLAnimationManager* GManager = nullptr;

Int64 NowTicks() { return static_cast<Int64>(GetClock().NowMs()); }

// Trunc of a value in 0..255 to a byte; Round is to nearest with halves to even.
Byte TruncAlpha(Double Value) { return static_cast<Byte>(std::clamp(std::trunc(Value), 0.0, 255.0)); }
Byte RoundAlpha(Double Value) { return static_cast<Byte>(std::clamp(std::nearbyint(Value), 0.0, 255.0)); }
Integer RoundInt(Double Value) { return static_cast<Integer>(std::nearbyint(Value)); }

}  // namespace

Double AnimationEase(TZCLAnimationTransitionMode Mode, Double X) {
  switch (Mode) {
    case ateAccelerateDecelerate:
      return 1 - std::pow(X - 1, 6);
    case ateTanh:
      return (std::tanh(6 * X - 3) + std::tanh(3.0)) / (2 * std::tanh(3.0));
    default:
      return X;
  }
}

// ---- TZCLAnimation ----------------------------------------------------------------------------

TZCLAnimation::TZCLAnimation(IZCLAnimateControl* AOwner, Cardinal ADuration, TZCLAnimationTransitionMode Mode)
    : FOwner(AOwner), FDuration(ADuration), FTransition(Mode) {}

TZCLAnimation::~TZCLAnimation() {
  if (GManager) GManager->Remove(this);
}

void TZCLAnimation::Run() {
  if (CanAnimate()) {
    Initialize();
    AnimationManager()->Add(this);
  } else {
    Terminate();
  }
}

void TZCLAnimation::RunImmediate() {
  if (CanAnimate()) {
    Initialize();
    // The thread is busy for the whole duration; a manual clock stands for time passing.
    auto* manual = GetClock().IsManual() ? dynamic_cast<TManualClock*>(&GetClock()) : nullptr;
    while (!FFinished) {
      Update();
      if (manual && !FFinished) manual->Advance(1);
    }
  }
  Terminate();
}

void TZCLAnimation::Terminate() {
  if (FTerminated) return;
  FTerminated = true;
  SetFinished(true);
  if (FFreeOnTerminate) delete this;
}

void TZCLAnimation::SetFinished(bool Value) {
  if (FFinished == Value) return;
  FCurrentTime = FFinishTime;
  FFinished = Value;
  if (!Value) {
    FCurrentTime = 0;
    Initialize();
  }
  Update();
}

void TZCLAnimation::Update() {
  FCurrentTime = std::min(NowTicks(), FFinishTime);
  FFinished = FFinished || FCurrentTime >= FFinishTime;
  if (FFinished)
    FProgress = 1.0f;
  else
    FProgress = static_cast<Single>(AnimationEase(
        FTransition, static_cast<Double>(FCurrentTime - FStartTime) / static_cast<Double>(FFinishTime - FStartTime)));
  Animate();
}

void TZCLAnimation::Initialize() {
  const Int64 now = NowTicks();
  if (FCurrentTime != 0 && !FFinished) {
    // Restarted while running: keep the part already played.
    const Int64 elapsed = FCurrentTime - FStartTime;
    FStartTime = now - elapsed;
    FCurrentTime = now;
  } else {
    FStartTime = now;
  }
  FFinishTime = FStartTime + static_cast<Int64>(FDuration);
  FTerminated = false;
  FFinished = false;
}

bool TZCLAnimation::IsCompatible(TZCLAnimation* Other) { return Other->FOwner != FOwner; }

void TZCLAnimation::Animate() {
  if (FOwner) FOwner->Animate();
}

void TZCLAnimation::Draw(TCanvas*, const TRect&) {}

// ---- frames animators -------------------------------------------------------------------------

void TZCLAnimatorCrossFade::Calculate(Single Progress, const TSize&, const TRect& Rect, TRect& Rect1, TRect& Rect2,
                                      Byte& Alpha1, Byte& Alpha2) {
  Rect1 = Rect;
  Rect2 = Rect;
  const Double p = Progress;
  Alpha1 = TruncAlpha((1 - std::max(2 * p - 1, 0.0)) * 255);
  Alpha2 = TruncAlpha(std::min(2 * p, 1.0) * 255);
}

void TZCLAnimatorFadeIn::Calculate(Single Progress, const TSize&, const TRect& Rect, TRect& Rect1, TRect& Rect2,
                                   Byte& Alpha1, Byte& Alpha2) {
  Rect1 = Rect;
  Rect2 = Rect;
  Alpha1 = 255;
  Alpha2 = TruncAlpha(static_cast<Double>(Progress) * 255);
}

void TZCLAnimatorFadeOut::Calculate(Single Progress, const TSize&, const TRect& Rect, TRect& Rect1, TRect& Rect2,
                                    Byte& Alpha1, Byte& Alpha2) {
  Rect1 = Rect;
  Rect2 = Rect;
  Alpha1 = 255;
  Alpha2 = TruncAlpha((1 - static_cast<Double>(Progress)) * 255);
}

namespace {
void Slide(const TRect& Rect, Integer B, Integer Extent, bool Horizontal, bool OldFirst, TRect& Rect1, TRect& Rect2) {
  // OldFirst: frame 1 moves by B and frame 2 by B - Extent; else the other way round.
  const Integer d1 = OldFirst ? B : B - Extent;
  const Integer d2 = OldFirst ? B - Extent : B;
  Rect1 = Rect;
  Rect2 = Rect;
  if (Horizontal) {
    Rect1.Offset(d1, 0);
    Rect2.Offset(d2, 0);
  } else {
    Rect1.Offset(0, d1);
    Rect2.Offset(0, d2);
  }
}
}  // namespace

void TZCLAnimatorSlideLeftToRight::Calculate(Single Progress, const TSize& FrameSize, const TRect& Rect, TRect& Rect1,
                                             TRect& Rect2, Byte& Alpha1, Byte& Alpha2) {
  Slide(Rect, RoundInt(Progress * FrameSize.cx), Rect.Width(), true, true, Rect1, Rect2);
  Alpha1 = Alpha2 = 255;
}

void TZCLAnimatorSlideRightToLeft::Calculate(Single Progress, const TSize& FrameSize, const TRect& Rect, TRect& Rect1,
                                             TRect& Rect2, Byte& Alpha1, Byte& Alpha2) {
  Slide(Rect, RoundInt((1 - Progress) * FrameSize.cx), Rect.Width(), true, false, Rect1, Rect2);
  Alpha1 = Alpha2 = 255;
}

void TZCLAnimatorSlideTopToBottom::Calculate(Single Progress, const TSize& FrameSize, const TRect& Rect, TRect& Rect1,
                                             TRect& Rect2, Byte& Alpha1, Byte& Alpha2) {
  Slide(Rect, RoundInt(Progress * FrameSize.cy), Rect.Height(), false, true, Rect1, Rect2);
  Alpha1 = Alpha2 = 255;
}

void TZCLAnimatorSlideBottomToTop::Calculate(Single Progress, const TSize& FrameSize, const TRect& Rect, TRect& Rect1,
                                             TRect& Rect2, Byte& Alpha1, Byte& Alpha2) {
  Slide(Rect, RoundInt((1 - Progress) * FrameSize.cy), Rect.Height(), false, false, Rect1, Rect2);
  Alpha1 = Alpha2 = 255;
}

TZCLAnimatorPaperSlideTopToBottom::TZCLAnimatorPaperSlideTopToBottom(bool ABackward, Single AIncomingStartAlpha,
                                                                     Single AOutgoingEndAlpha, Single AOffset)
    : FOffset(AOffset),
      FIncomingStartAlpha(AIncomingStartAlpha),
      FIncomingAlphaAnimated(std::fabs(AIncomingStartAlpha - 1.0f) > 1e-5f),
      FBackward(ABackward),
      FOutgoingEndAlpha(AOutgoingEndAlpha),
      FOutgoingAlphaAnimated(std::fabs(AOutgoingEndAlpha - 1.0f) > 1e-5f) {}

void TZCLAnimatorPaperSlideTopToBottom::AfterConstruction() {
  inherited::AfterConstruction();
  FDirection = GetDirection();  // virtual: the descendant's direction is known only now
}

void TZCLAnimatorPaperSlideTopToBottom::Calculate(Single Progress, const TSize& FrameSize, const TRect& Rect,
                                                  TRect& Rect1, TRect& Rect2, Byte& Alpha1, Byte& Alpha2) {
  if (FDirection == TPoint(0, 0)) FDirection = GetDirection();
  const Double a = FBackward ? 1 - static_cast<Double>(Progress) : static_cast<Double>(Progress);
  Alpha1 = FIncomingAlphaAnimated ? RoundAlpha((a + FIncomingStartAlpha * (1 - a)) * 255) : 255;
  Alpha2 = FOutgoingAlphaAnimated ? RoundAlpha(((1 - a) + FOutgoingEndAlpha * a) * 255) : 255;
  const Single k = static_cast<Single>(FOffset * (1 - a));
  Rect1 = Rect;
  Rect1.Offset(FDirection.X * RoundInt(k * FrameSize.cx), FDirection.Y * RoundInt(k * FrameSize.cy));
  Rect2 = Rect;
  Rect2.Offset(FDirection.X * RoundInt(a * FrameSize.cx), FDirection.Y * RoundInt(a * FrameSize.cy));
}

// ---- frame-based and bitmap animations --------------------------------------------------------

TZCLFrameBasedAnimation::TZCLFrameBasedAnimation(IZCLAnimateControl* AOwner, Cardinal ADuration,
                                                 TZCLFramesAnimator* AAnimator, TZCLAnimationTransitionMode Mode)
    : TZCLAnimation(AOwner, ADuration, Mode), FAnimator(AAnimator) {}

TZCLFrameBasedAnimation::~TZCLFrameBasedAnimation() { Free(FAnimator); }

TZCLBitmapAnimation::TZCLBitmapAnimation(IZCLAnimateControl* AOwner, const TRect& Rect, TZCLFramesAnimator* AAnimator,
                                         Integer ADuration, TZCLAnimationTransitionMode Mode)
    : TZCLFrameBasedAnimation(AOwner, static_cast<Cardinal>(ADuration < 0 ? ZCLDefaultAnimationDuration : ADuration),
                              AAnimator, Mode),
      FFrame1(TZCLDib::CreateFromRect(Rect)),
      FFrame2(TZCLDib::CreateFromRect(Rect)) {}

TZCLBitmapAnimation::~TZCLBitmapAnimation() {
  Free(FFrame1);
  Free(FFrame2);
}

TZCLDib* TZCLBitmapAnimation::StartFrame() {
  FFrame1->Reset();
  return FFrame1;
}

TZCLDib* TZCLBitmapAnimation::EndFrame() {
  FFrame2->Reset();
  return FFrame2;
}

namespace {
void PaintFrame(TZCLDib* Frame, const TZCLBitmapAnimation::TPainter& Painter) {
  if (!Frame || Frame->Empty()) return;
  Frame->Reset();
  if (Painter) Painter(Frame->GetCanvas(), Frame->ClientRect());
}
}  // namespace

void TZCLBitmapAnimation::DrawStartFrame(const TPainter& Painter) { PaintFrame(FFrame1, Painter); }
void TZCLBitmapAnimation::DrawEndFrame(const TPainter& Painter) { PaintFrame(FFrame2, Painter); }

void TZCLBitmapAnimation::Initialize() {
  if (GetAnimator()->NeedSwapFrames()) std::swap(FFrame1, FFrame2);
  inherited::Initialize();
}

bool TZCLBitmapAnimation::CanAnimate() { return !FFrame1->Empty() && !FFrame2->Empty(); }

void TZCLBitmapAnimation::Draw(TCanvas* Canvas, const TRect& Rect) {
  HRGN saved = nullptr;
  if (!ClipRegionPush(Canvas->GetHandle(), Rect, saved)) return;
  TRect rect1, rect2;
  Byte alpha1 = 0, alpha2 = 0;
  GetAnimator()->Calculate(GetProgress(), FFrame1->Size(), Rect, rect1, rect2, alpha1, alpha2);
  FFrame1->DrawBlend(Canvas, rect1, alpha1, false);
  FFrame2->DrawBlend(Canvas, rect2, alpha2, false);
  ClipRegionPop(Canvas->GetHandle(), saved);
}

// ---- manager ----------------------------------------------------------------------------------

TZCLAnimationManager::TZCLAnimationManager() { SetInterval(1); }

void TZCLAnimationManager::DoAdding(TZCLAnimation* const& Item) {
  // The owner's running animation gives way to the new one.
  for (Integer i = GetCount() - 1; i >= 0; --i) {
    if (i >= GetCount()) continue;
    TZCLAnimation* animation = GetItem(i);
    if (animation->IsCompatible(Item)) continue;
    Remove(animation);
    animation->Terminate();
  }
}

void TZCLAnimationManager::DoTimerItem(TZCLAnimation* const& Item) {
  TZCLAnimation* animation = Item;
  animation->Update();
  if (animation->GetFinished()) {
    Remove(animation);
    animation->Terminate();
  }
}

bool TZCLAnimationManager::Find(IZCLAnimateControl* Owner, TZCLAnimation*& Animation, void* Data) {
  for (Integer i = GetCount() - 1; i >= 0; --i) {
    TZCLAnimation* animation = GetItem(i);
    if (animation->GetOwner() == Owner && animation->GetData() == Data) {
      Animation = animation;
      return true;
    }
  }
  Animation = nullptr;
  return false;
}

bool TZCLAnimationManager::Draw(IZCLAnimateControl* Owner, TCanvas* Canvas, const TRect& Rect, void* Data) {
  TZCLAnimation* animation = nullptr;
  if (!Owner || !Find(Owner, animation, Data)) return false;
  animation->Draw(Canvas, Rect);
  return true;
}

void TZCLAnimationManager::RemoveOwner(TObject* Object) {
  IPtr<IZCLAnimateControl> owner;
  if (!Object || !Supports(Object, owner)) return;
  TZCLAnimation* animation = nullptr;
  while (Find(owner.get(), animation, nullptr)) {
    // Taken out first, so that an animation that does not free itself is not found again.
    Remove(animation);
    animation->Terminate();
  }
}

void TZCLAnimationManager::Finalize() {
  TZCLAnimationManager* manager = GManager;
  if (!manager) return;
  GManager = nullptr;
  // Animations still running belong to nobody any more; their owners are gone.
  for (Integer i = manager->GetCount() - 1; i >= 0; --i) {
    TZCLAnimation* animation = manager->GetItem(i);
    if (animation->GetFreeOnTerminate()) delete animation;
  }
  Free(manager);
}

TZCLAnimationManager* AnimationManager() {
  if (!GManager) GManager = new TZCLAnimationManager();
  return GManager;
}

void RemoveAnimations(TObject* Object) {
  if (GManager) GManager->RemoveOwner(Object);
}

bool UIAnimationsEnabled = true;
