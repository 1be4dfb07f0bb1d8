#include <gtest/gtest.h>

#include "os/backends/headless/OS.Headless.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/ui/ZCL.UI.Animation.h"

namespace {

class TAnimOwner : public TZCLUnknownObject, public IZCLAnimateControl {
  ZCL_CLASS(TAnimOwner, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLAnimateControl)
 public:
  Integer Repaints = 0;
  Single LastProgress = -1;
  TZCLAnimation* Watched = nullptr;
  void Animate() override {
    ++Repaints;
    if (Watched) LastProgress = Watched->GetProgress();
  }
};

// Counts its own destruction.
class TCountedAnimation : public TZCLAnimation {
 public:
  TCountedAnimation(IZCLAnimateControl* Owner, Cardinal Duration, Integer* Freed,
                    TZCLAnimationTransitionMode Mode = ateLinear)
      : TZCLAnimation(Owner, Duration, Mode), FFreed(Freed) {}
  ~TCountedAnimation() override {
    if (FFreed) ++*FFreed;
  }

 private:
  Integer* FFreed;
};

TEST(Animation, Easing) {
  struct TCase {
    TZCLAnimationTransitionMode Mode;
    Double X, Expected;
  } cases[] = {
      {ateLinear, 0.5, 0.5},
      {ateAccelerateDecelerate, 0.5, 0.984375},
      {ateTanh, 0.5, 0.5},
      {ateTanh, 0, 0},
      {ateTanh, 1, 1},
      {ateAccelerateDecelerate, 0, 0},
      {ateAccelerateDecelerate, 1, 1},
  };
  for (const auto& c : cases) EXPECT_NEAR(AnimationEase(c.Mode, c.X), c.Expected, 1e-9) << int(c.Mode) << " " << c.X;
}

TEST(Animation, RunsOnTheManagerTimerUntilFinished) {
  TAnimOwner owner;
  Integer freed = 0;
  auto* animation = new TCountedAnimation(&owner, 100, &freed);
  owner.Watched = animation;
  animation->Run();
  EXPECT_EQ(AnimationManager()->GetCount(), 1);
  EXPECT_TRUE(AnimationManager()->GetEnabled());
  Headless::Advance(50);
  EXPECT_GT(owner.Repaints, 0);
  EXPECT_NEAR(owner.LastProgress, 0.5, 0.02);
  Headless::Advance(60);
  EXPECT_EQ(freed, 1);
  EXPECT_EQ(AnimationManager()->GetCount(), 0);
  EXPECT_FALSE(AnimationManager()->GetEnabled());
}

TEST(Animation, NewAnimationOfTheSameOwnerReplacesTheRunningOne) {
  TAnimOwner a, b;
  Integer freed = 0;
  auto* first = new TCountedAnimation(&a, 1000, &freed);
  auto* other = new TCountedAnimation(&b, 1000, &freed);
  first->Run();
  other->Run();
  auto* second = new TCountedAnimation(&a, 1000, &freed);
  second->Run();
  EXPECT_EQ(freed, 1);  // the first one, terminated and freed
  TZCLAnimation* found = nullptr;
  ASSERT_TRUE(AnimationManager()->Find(&a, found));
  EXPECT_EQ(found, second);
  ASSERT_TRUE(AnimationManager()->Find(&b, found));
  EXPECT_EQ(found, other);
  AnimationManager()->RemoveOwner(&a);
  AnimationManager()->RemoveOwner(&b);
  EXPECT_EQ(freed, 3);
  EXPECT_EQ(AnimationManager()->GetCount(), 0);
}

TEST(Animation, RemoveOwnerEndsAnAnimationThatDoesNotFreeItself) {
  TAnimOwner owner;
  auto* animation = new TZCLAnimation(&owner, 1000, ateLinear);
  animation->SetFreeOnTerminate(false);
  animation->Run();
  AnimationManager()->RemoveOwner(&owner);  // must not loop on the kept animation
  EXPECT_TRUE(animation->GetTerminated());
  EXPECT_EQ(animation->GetProgress(), 1.0f);
  EXPECT_EQ(AnimationManager()->GetCount(), 0);
  delete animation;
}

TEST(Animation, RestartKeepsElapsedTimeAndRunImmediateEnds) {
  TAnimOwner owner;
  TZCLAnimation animation(&owner, 100, ateLinear);
  animation.SetFreeOnTerminate(false);
  animation.Initialize();
  Headless::Clock()->Advance(40);
  animation.Update();
  animation.Initialize();  // restart while running
  animation.Update();
  EXPECT_NEAR(animation.GetProgress(), 0.4, 1e-6);

  const Integer before = owner.Repaints;
  animation.RunImmediate();
  EXPECT_TRUE(animation.GetFinished());
  EXPECT_TRUE(animation.GetTerminated());
  EXPECT_GT(owner.Repaints, before);
}

TEST(Animation, FramesAnimators) {
  const TRect rect(10, 20, 110, 70);
  const TSize size(100, 50);
  TRect r1, r2;
  Byte a1 = 0, a2 = 0;
  TZCLAnimatorCrossFade cross;
  cross.Calculate(0.25f, size, rect, r1, r2, a1, a2);
  EXPECT_EQ(a1, 255);
  EXPECT_EQ(a2, 127);
  cross.Calculate(0.75f, size, rect, r1, r2, a1, a2);
  EXPECT_EQ(a1, 127);
  EXPECT_EQ(a2, 255);

  TZCLAnimatorFadeOut fadeOut;
  EXPECT_TRUE(fadeOut.NeedSwapFrames());
  fadeOut.Calculate(0.25f, size, rect, r1, r2, a1, a2);
  EXPECT_EQ(a2, 191);

  TZCLAnimatorSlideLeftToRight ltr;
  ltr.Calculate(0.25f, size, rect, r1, r2, a1, a2);
  EXPECT_EQ(r1, TRect(35, 20, 135, 70));
  EXPECT_EQ(r2, TRect(-65, 20, 35, 70));
  TZCLAnimatorSlideBottomToTop btt;
  btt.Calculate(0.25f, size, rect, r1, r2, a1, a2);  // b = Round(0.75 * 50) = 38 (half to even)
  EXPECT_EQ(r1, TRect(10, 8, 110, 58));
  EXPECT_EQ(r2, TRect(10, 58, 110, 108));

  auto* paper = Create<TZCLAnimatorPaperSlideLeftToRight>(false, 0.5f, 1.0f, 0.25f);
  paper->Calculate(0.5f, size, rect, r1, r2, a1, a2);
  EXPECT_EQ(a1, 191);                     // Round((0.5 + 0.5 * 0.5) * 255)
  EXPECT_EQ(a2, 255);                     // outgoing alpha 1: not animated
  EXPECT_EQ(r1, TRect(22, 20, 122, 70));  // Round(0.125 * 100) = 12, halves to even
  EXPECT_EQ(r2, TRect(60, 20, 160, 70));
  Free(paper);
}

TEST(Animation, BitmapAnimation) {
  TAnimOwner owner;
  // Empty frames: terminated at once, the owner repainted with progress 1.
  Integer repaints = owner.Repaints;
  auto* empty = new TZCLBitmapAnimation(&owner, TRect(0, 0, 0, 0), new TZCLAnimatorCrossFade());
  empty->Run();
  EXPECT_GT(owner.Repaints, repaints);
  EXPECT_EQ(AnimationManager()->GetCount(), 0);

  auto* animation = new TZCLBitmapAnimation(&owner, TRect(0, 0, 4, 4), new TZCLAnimatorFadeIn(), -1);
  EXPECT_EQ(animation->GetDuration(), 200u);
  animation->DrawStartFrame([](TCanvas* Canvas, const TRect& R) {
    Canvas->GetBrush()->SetColor(clRed);
    Canvas->FillRect(R);
  });
  animation->DrawEndFrame([](TCanvas* Canvas, const TRect& R) {
    Canvas->GetBrush()->SetColor(clBlue);
    Canvas->FillRect(R);
  });
  animation->Run();
  Headless::Advance(100);

  TZCLDib target(4, 4);
  target.Reset();
  EXPECT_FALSE(AnimationManager()->Draw(nullptr, target.GetCanvas(), target.ClientRect()));
  TAnimOwner stranger;
  EXPECT_FALSE(AnimationManager()->Draw(&stranger, target.GetCanvas(), target.ClientRect()));
  ASSERT_TRUE(AnimationManager()->Draw(&owner, target.GetCanvas(), target.ClientRect()));
  target.BeginAccess();
  const TZCLPixel32 p = target.GetColors()[0];
  target.EndAccess();
  // Blue over red at about half opacity.
  EXPECT_GT(p.B, 90);
  EXPECT_GT(p.R, 90);
  EXPECT_EQ(p.A, 255);
  Headless::Advance(150);
  EXPECT_EQ(AnimationManager()->GetCount(), 0);
}

}  // namespace
