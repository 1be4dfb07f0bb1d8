#include <gtest/gtest.h>

#include <memory>

#include "zse/engine/ZSE.Animations.h"
#include "zse/engine/ZSE.RenderBuffer.h"

namespace {

void Fill(TZSERenderBuffer* B, Integer W, Integer H, TZCLPixel32 P) {
  B->Resize(W, H);
  B->BeginAccess();
  std::fill(B->GetColors(), B->GetColors() + B->GetColorCount(), P);
  B->EndAccess();
}

TZCLPixel32 At(TZCLDib* D, Integer X, Integer Y) {
  D->BeginAccess();
  return D->GetColors()[D->CoordToIndex(X, Y)];
}

bool Same(TZCLPixel32 A, TZCLPixel32 B) { return A.R == B.R && A.G == B.G && A.B == B.B && A.A == B.A; }

TEST(ZseAnimation, CrossFadeEndsReproduceTheFramesExactly) {
  TZSEAnimation animation(nullptr, new TZCLAnimatorCrossFade(), 100, ateLinear);
  const TZCLPixel32 first{10, 200, 30, 255}, second{0, 64, 128, 128};
  Fill(animation.GetFrame1(), 4, 3, first);
  Fill(animation.GetFrame2(), 4, 3, second);
  EXPECT_TRUE(animation.CanAnimate());
  std::unique_ptr<TZSERenderBuffer, void (*)(TZSERenderBuffer*)> target(TZSERenderBuffer::New(4, 3),
                                                                         [](TZSERenderBuffer* b) { Free(b); });
  for (auto [progress, expected] : {std::pair{0.0f, first}, std::pair{1.0f, second}}) {
    Fill(target.get(), 4, 3, {0, 0, 0, 0});
    animation.DrawAt(target.get(), TRect(0, 0, 4, 3), progress);
    EXPECT_TRUE(Same(At(target.get(), 0, 0), expected)) << progress;
    EXPECT_TRUE(Same(At(target.get(), 3, 2), expected)) << progress;
  }
  // Halfway: each byte is the sum of both halves.
  Fill(target.get(), 4, 3, {0, 0, 0, 0});
  animation.DrawAt(target.get(), TRect(0, 0, 4, 3), 0.5f);
  const TZCLPixel32 mid = At(target.get(), 1, 1);
  EXPECT_NEAR(mid.G, (200 + 64) / 2, 1);
  EXPECT_NEAR(mid.A, (255 + 128) / 2, 1);

  // Frames of different sizes cannot cross-fade; other animators only need pixels.
  Fill(animation.GetFrame2(), 5, 3, second);
  EXPECT_FALSE(animation.CanAnimate());
  TZSEAnimation slide(nullptr, new TZCLAnimatorSlideLeftToRight(), 100, ateLinear);
  Fill(slide.GetFrame1(), 4, 3, first);
  Fill(slide.GetFrame2(), 5, 3, second);
  EXPECT_TRUE(slide.CanAnimate());
  Fill(slide.GetFrame2(), 0, 0, second);
  EXPECT_FALSE(slide.CanAnimate());
}

TEST(ZseAnimation, PaperSlideStartsWithItsFramesExchanged) {
  TZSEPaperSlideAnimationOptions options;
  TZSEAnimation animation(nullptr, options.CreateAnimator(false), 100, ateLinear);
  TZSERenderBuffer* before = animation.GetFrame1();
  Fill(animation.GetFrame1(), 2, 2, {});
  Fill(animation.GetFrame2(), 2, 2, {});
  animation.Initialize();
  EXPECT_EQ(animation.GetFrame2(), before);
}

TEST(ZsePaperSlideOptions, ValuesAreClampedAndAssigned) {
  TZSEPaperSlideAnimationOptions o;
  struct TCase {
    void (TZSEPaperSlideAnimationOptions::*Set)(Integer);
    Integer (TZSEPaperSlideAnimationOptions::*Get)() const;
    Integer In, Out;
  };
  using T = TZSEPaperSlideAnimationOptions;
  const TCase cases[] = {
      {&T::SetBackgroundOffsetInPercents, &T::GetBackgroundOffsetInPercents, 250, 200},
      {&T::SetBackgroundOffsetInPercents, &T::GetBackgroundOffsetInPercents, -300, -200},
      {&T::SetBackgroundOpacity, &T::GetBackgroundOpacity, -1, 0},
      {&T::SetForegroundOpacity, &T::GetForegroundOpacity, 300, 255},
  };
  for (const TCase& c : cases) {
    (o.*c.Set)(c.In);
    EXPECT_EQ((o.*c.Get)(), c.Out) << c.In;
  }
  o.SetDirection(samBottomToTop);
  TZSEPaperSlideAnimationOptions copy;
  copy.Assign(&o);
  EXPECT_EQ(copy.GetDirection(), samBottomToTop);
  EXPECT_EQ(copy.GetForegroundOpacity(), 255);
  std::unique_ptr<TZCLFramesAnimator> animator(copy.CreateAnimator(true));
  EXPECT_NE(dynamic_cast<TZCLAnimatorPaperSlideBottomToTop*>(animator.get()), nullptr);
}

}  // namespace

#include "os/OS.Timers.h"
#include "zse/engine/ZSE.Forms.h"

namespace {

struct AlphaBlendFixture : ::testing::Test {
  TManualClock Clock{5000};
  TZSEForm* Form = nullptr;
  void SetUp() override {
    SetClock(&Clock);
    Form = TCustomForm::CreateNew<TZSEForm>(nullptr);
  }
  void TearDown() override {
    Free(Form);
    SetClock(nullptr);
  }
};

TEST_F(AlphaBlendFixture, OpacityMovesLinearlyAndRestartsFromWhereItIs) {
  TZSEFormAlphaBlendAnimation blend(Form);
  blend.SetValue(100);
  EXPECT_FALSE(blend.IsRunning());  // already opaque
  EXPECT_EQ(Form->GetAlphaValue(), 255);

  blend.SetOptions(1);
  blend.SetValue(50);  // 135
  EXPECT_TRUE(blend.IsRunning());
  Clock.Advance(100);
  blend.Step();
  EXPECT_EQ(Form->GetAlphaValue(), 195);  // halfway from 255 to 135
  // A new target while running starts again from the current value.
  blend.SetValue(150);  // clamped to 100: back to opaque
  EXPECT_EQ(blend.GetValue(), 100);
  Clock.Advance(100);
  blend.Step();
  EXPECT_EQ(Form->GetAlphaValue(), 225);
  Clock.Advance(150);
  blend.Step();
  EXPECT_EQ(Form->GetAlphaValue(), 255);
  EXPECT_FALSE(blend.IsRunning());
}

TEST_F(AlphaBlendFixture, OpaqueWhileTheApplicationIsActive) {
  TZSEFormAlphaBlendAnimation blend(Form);
  blend.BeginUpdate();
  blend.SetOptions(2);
  blend.SetValue(50);
  blend.SetApplicationActive(true);
  blend.EndUpdate();
  EXPECT_EQ(Form->GetAlphaValue(), 255);
  blend.SetApplicationActive(false);
  EXPECT_EQ(Form->GetAlphaValue(), 135);
  blend.SetApplicationActive(true);
  EXPECT_EQ(Form->GetAlphaValue(), 255);
  blend.SetOptions(4);
  blend.MouseEnter();
  EXPECT_EQ(Form->GetAlphaValue(), 255);
  blend.MouseLeave();
  EXPECT_EQ(Form->GetAlphaValue(), 135);
}

}  // namespace

namespace {

TEST_F(AlphaBlendFixture, ShowAndHideSlideTheContent) {
  Form->SetBounds(0, 0, 200, 100);
  TZSEFormShowHideAnimation slide(Form);
  struct TCase {
    bool Show;
    Byte Direction;
    Integer Percent;
    TPoint Offset;
  };
  const TCase cases[] = {{true, 0, 0, {200, 0}},   {true, 0, 50, {100, 0}},  {true, 1, 25, {-150, 0}},
                         {false, 2, 40, {0, 40}},  {false, 3, 100, {0, -100}}, {true, 3, 100, {0, 0}}};
  for (const TCase& c : cases) {
    // Run with the show flag and direction, then probe one step.
    slide.Run(c.Show, c.Direction);
    EXPECT_EQ(Form->GetVisible(), c.Show);
    EXPECT_EQ(Form->GetSlideOffset(), TPoint());  // back to rest after the run
    slide.ApplyProgress(c.Percent);
    EXPECT_EQ(Form->GetSlideOffset(), c.Offset) << c.Show << " " << int(c.Direction) << " " << c.Percent;
  }
}

}  // namespace
