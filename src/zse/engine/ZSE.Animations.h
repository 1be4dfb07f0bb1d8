#pragma once
// Two-frame animations of skin elements: the picture before and after a change held in render
// buffers and placed at each moment by a frames animator (cross-fade, slides, paper slide), the
// published options of the paper slide, and the entry points elements use while painting.

#include <algorithm>

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

class TZSEBaseForm;
class TZCLTimer;

// Moves a form's opacity towards the transparency setting, and makes it opaque while the
// application is active or the mouse is over the form (as the options say). Options: 1 animate
// the change, 2 opaque while the application is active, 4 opaque while the mouse is inside.
class TZSEFormAlphaBlendAnimation : public TObject {
  ZCL_CLASS(TZSEFormAlphaBlendAnimation, TObject)
 public:
  explicit TZSEFormAlphaBlendAnimation(TZSEBaseForm* AForm);
  ~TZSEFormAlphaBlendAnimation() override;

  // Changes made between BeginUpdate and EndUpdate are recalculated once.
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  Byte GetOptions() const { return FOptions; }
  void SetOptions(Byte Value);
  // Percent of opacity, clamped to 0..100.
  Integer GetValue() const { return FValue; }
  void SetValue(Integer Value);
  void SetApplicationActive(bool Value);
  void SetEnabled(bool Value);
  void MouseEnter();
  void MouseLeave();
  Integer GetDuration() const { return FDuration; }
  void SetDuration(Integer Value) { FDuration = std::max(Value, 0); }
  bool IsRunning() const { return FTimer != nullptr; }
  // One tick: the opacity on the straight line from the start to the target.
  void Step();
  virtual void SetAlphaImmediately(Byte Alpha);

 private:
  void Changed();
  void Recalculate();
  void SetAlpha(Byte Target);
  void StopTimer();
  void TimerTick(TObject* Sender) { Step(); }
  TZSEBaseForm* FForm;
  TZCLTimer* FTimer = nullptr;
  Int64 FStartTime = 0;
  Int64 FEndTime = 0;
  Integer FDuration = 200;
  Integer FUpdateCount = 0;
  Integer FValue = 100;
  Byte FOptions = 0;
  Byte FStartAlpha = 255;
  Byte FTargetAlpha = 255;
  bool FApplicationActive = false;
  bool FEnabled = true;
  bool FMouseInside = false;
  bool FPendingChange = false;
};

// Slides a form's content out of or into an edge as it is shown or hidden. Directions: 0 and 1
// horizontal (0 from the left side), 2 and 3 vertical (2 from the top).
class TZSEFormShowHideAnimation : public TZCLAnimation {
  ZCL_CLASS(TZSEFormShowHideAnimation, TZCLAnimation)
 public:
  // 250 ms, linear; the caller frees it after Run.
  explicit TZSEFormShowHideAnimation(TZSEBaseForm* AForm);
  // Shows or hides the form, sliding unless the window cannot (then at once); a top-level form
  // slides to the end before this returns.
  void Run(bool AShow, Byte ADirection);
  // Percent 0..100 of the slide: the form's slide offset.
  void ApplyProgress(Integer Percent);
  void Animate() override;

 private:
  TZSEBaseForm* FForm;
  Byte FDirection = 0;
  bool FShow = true;
};
