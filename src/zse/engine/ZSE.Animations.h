#pragma once
// Two-frame animations of skin elements: the picture before and after a change held in render
// buffers and placed at each moment by a frames animator (cross-fade, slides, paper slide), the
// published options of the paper slide, and the entry points elements use while painting.

#include "rtl/RTL.TypInfo.h"
#include "zcl/ui/ZCL.UI.Animation.h"

class TZSERenderBuffer;

class TZSEAnimation : public TZCLFrameBasedAnimation {
  ZCL_CLASS(TZSEAnimation, TZCLFrameBasedAnimation)
 public:
  // A negative duration means the default animation time. The animator is owned.
  TZSEAnimation(IZCLAnimateControl* ASource, TZCLFramesAnimator* AAnimator, Integer ADuration,
                TZCLAnimationTransitionMode Mode);
  ~TZSEAnimation() override;

  // The owner draws the picture before the change into the first and after it into the second.
  TZSERenderBuffer* GetFrame1() const { return FFrame1; }
  TZSERenderBuffer* GetFrame2() const { return FFrame2; }

  // Paper slides start with the frames exchanged.
  void Initialize() override;
  // Both frames have pixels; a cross-fade also needs equal sizes.
  bool CanAnimate() override;
  void Draw(TZSERenderBuffer* Renderer, const TRect& Rect) { DrawAt(Renderer, Rect, GetProgress()); }
  void DrawAt(TZSERenderBuffer* Renderer, const TRect& Rect, Single Progress);

 private:
  TZSERenderBuffer* FFrame1;
  TZSERenderBuffer* FFrame2;
  TZSERenderBuffer* FWork = nullptr;
};

enum TZSEBitmapSlideAnimationMode : Byte { samLeftToRight, samRightToLeft, samTopToBottom, samBottomToTop };
ZCL_ENUM(TZSEBitmapSlideAnimationMode, samLeftToRight, samRightToLeft, samTopToBottom, samBottomToTop);

class TZSEPaperSlideAnimationOptions : public TPersistent {
  ZCL_CLASS(TZSEPaperSlideAnimationOptions, TPersistent)
 public:
  TZSEPaperSlideAnimationOptions() = default;
  static void DeclareProperties(TClassDeclaration<TZSEPaperSlideAnimationOptions>& D);
  void Assign(TPersistent* Source) override;

  TZSEBitmapSlideAnimationMode GetDirection() const { return FDirection; }
  void SetDirection(TZSEBitmapSlideAnimationMode Value) { FDirection = Value; }
  // -200..200, clamped.
  Integer GetBackgroundOffsetInPercents() const { return FBackgroundOffsetInPercents; }
  void SetBackgroundOffsetInPercents(Integer Value);
  // 0..255, clamped.
  Integer GetBackgroundOpacity() const { return FBackgroundOpacity; }
  void SetBackgroundOpacity(Integer Value);
  Integer GetForegroundOpacity() const { return FForegroundOpacity; }
  void SetForegroundOpacity(Integer Value);

  // The caller owns the animator.
  TZCLFramesAnimator* CreateAnimator(bool Reversed) const;

 private:
  TZSEBitmapSlideAnimationMode FDirection = samLeftToRight;
  Integer FBackgroundOffsetInPercents = 0;
  Integer FBackgroundOpacity = 255;
  Integer FForegroundOpacity = 255;
};

class TZSEAnimations {
 public:
  TZSEAnimations() = delete;
  static bool Find(IZCLAnimateControl* Element, TZSEAnimation*& Animation);
  // False (the element paints itself) when it has no running animation of this kind.
  static bool Draw(IZCLAnimateControl* Element, TZSERenderBuffer* Renderer, const TRect& Rect);
  static void Stop(TObject* Element);
};

void ZSEAnimationsInitialize();
