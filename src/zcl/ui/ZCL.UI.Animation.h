#pragma once
// Short time-based animations of control states. An animation measures eased progress from 0
// to 1 over its duration and asks its owner to repaint; the owner's paint code asks the manager
// to draw the animation in place of its normal picture. One manager (a timer over a list) drives
// every running animation; an owner has at most one running at a time.
//
// Time is read from the window layer's clock in milliseconds, so that the animations follow the
// same clock as the timer that drives them. UI thread only.

#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Interfaces.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Timers.h"

class TCanvas;
class TZCLDib;

// The owner of an animation: repaints itself when the animation's picture changed.
struct IZCLAnimateControl : virtual IInterface {
  RTL_INTERFACE(IZCLAnimateControl, IInterface, "{49F437A3-B40C-4463-81E3-9F4462D956FD}")
  virtual void Animate() = 0;
};

enum TZCLAnimationTransitionMode : Byte { ateLinear, ateAccelerateDecelerate, ateTanh };
ZCL_ENUM(TZCLAnimationTransitionMode, ateLinear, ateAccelerateDecelerate, ateTanh);

// The easing of a transition mode at X in 0..1.
Double AnimationEase(TZCLAnimationTransitionMode Mode, Double X);

// Default duration of bitmap animations, in milliseconds.
constexpr Integer ZCLDefaultAnimationDuration = 200;

class TZCLAnimation : public TZCLUnknownObject {
  ZCL_CLASS(TZCLAnimation, TZCLUnknownObject)
 public:
  // Owner may be null; it is not referenced (owners remove their animations before they go).
  TZCLAnimation(IZCLAnimateControl* AOwner, Cardinal ADuration, TZCLAnimationTransitionMode Mode);
  ~TZCLAnimation() override;

  // Initializes and hands the animation to the manager; one that cannot animate terminates.
  void Run();
  // Runs to the end on the calling thread, the owner repainting on every update.
  void RunImmediate();
  // Progress 1, the owner repaints, and the animation frees itself when FreeOnTerminate.
  void Terminate();
  void SetFinished(bool Value);
  void Update();

  virtual void Initialize();
  // False for an animation of the same owner (it replaces this one).
  virtual bool IsCompatible(TZCLAnimation* Other);
  virtual bool CanAnimate() { return true; }
  virtual void Animate();
  virtual void Draw(TCanvas* Canvas, const TRect& Rect);

  IZCLAnimateControl* GetOwner() const { return FOwner; }
  void* GetData() const { return FData; }
  void SetData(void* Value) { FData = Value; }
  Cardinal GetDuration() const { return FDuration; }
  bool GetFinished() const { return FFinished; }
  bool GetTerminated() const { return FTerminated; }
  bool GetFreeOnTerminate() const { return FFreeOnTerminate; }
  void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
  Single GetProgress() const { return FProgress; }

 private:
  IZCLAnimateControl* FOwner;
  Int64 FCurrentTime = 0;
  bool FFinished = false;
  Int64 FFinishTime = 0;
  bool FFreeOnTerminate = true;
  Single FProgress = 0;
  Int64 FStartTime = 0;
  void* FData = nullptr;
  bool FTerminated = false;
  Cardinal FDuration;
  TZCLAnimationTransitionMode FTransition;
};

// Where each of two frames goes and how opaque it is at a progress value.
class TZCLFramesAnimator : public TObject {
  ZCL_CLASS(TZCLFramesAnimator, TObject)
 public:
  virtual void Calculate(Single Progress, const TSize& FrameSize, const TRect& Rect, TRect& Rect1, TRect& Rect2,
                         Byte& Alpha1, Byte& Alpha2) = 0;
  // The frames are drawn in the other order (frame 1 is the end picture).
  virtual bool NeedSwapFrames() { return false; }
};

class TZCLAnimatorCrossFade : public TZCLFramesAnimator {
  ZCL_CLASS(TZCLAnimatorCrossFade, TZCLFramesAnimator)
 public:
  void Calculate(Single Progress, const TSize& FrameSize, const TRect& Rect, TRect& Rect1, TRect& Rect2, Byte& Alpha1,
                 Byte& Alpha2) override;
};

class TZCLAnimatorFadeIn : public TZCLFramesAnimator {
  ZCL_CLASS(TZCLAnimatorFadeIn, TZCLFramesAnimator)
 public:
  void Calculate(Single Progress, const TSize& FrameSize, const TRect& Rect, TRect& Rect1, TRect& Rect2, Byte& Alpha1,
                 Byte& Alpha2) override;
};

class TZCLAnimatorFadeOut : public TZCLAnimatorFadeIn {
  ZCL_CLASS(TZCLAnimatorFadeOut, TZCLAnimatorFadeIn)
 public:
  void Calculate(Single Progress, const TSize& FrameSize, const TRect& Rect, TRect& Rect1, TRect& Rect2, Byte& Alpha1,
                 Byte& Alpha2) override;
  bool NeedSwapFrames() override { return true; }
};

class TZCLAnimatorSlideLeftToRight : public TZCLFramesAnimator {
  ZCL_CLASS(TZCLAnimatorSlideLeftToRight, TZCLFramesAnimator)
 public:
  void Calculate(Single Progress, const TSize& FrameSize, const TRect& Rect, TRect& Rect1, TRect& Rect2, Byte& Alpha1,
                 Byte& Alpha2) override;
};

class TZCLAnimatorSlideRightToLeft : public TZCLFramesAnimator {
  ZCL_CLASS(TZCLAnimatorSlideRightToLeft, TZCLFramesAnimator)
 public:
  void Calculate(Single Progress, const TSize& FrameSize, const TRect& Rect, TRect& Rect1, TRect& Rect2, Byte& Alpha1,
                 Byte& Alpha2) override;
};

class TZCLAnimatorSlideTopToBottom : public TZCLFramesAnimator {
  ZCL_CLASS(TZCLAnimatorSlideTopToBottom, TZCLFramesAnimator)
 public:
  void Calculate(Single Progress, const TSize& FrameSize, const TRect& Rect, TRect& Rect1, TRect& Rect2, Byte& Alpha1,
                 Byte& Alpha2) override;
};

class TZCLAnimatorSlideBottomToTop : public TZCLFramesAnimator {
  ZCL_CLASS(TZCLAnimatorSlideBottomToTop, TZCLFramesAnimator)
 public:
  void Calculate(Single Progress, const TSize& FrameSize, const TRect& Rect, TRect& Rect1, TRect& Rect2, Byte& Alpha1,
                 Byte& Alpha2) override;
};

// The old picture slides out in the direction while the new one beneath moves in from Offset
// times the frame size, each fading between opaque and its given alpha.
class TZCLAnimatorPaperSlideTopToBottom : public TZCLFramesAnimator {
  ZCL_CLASS(TZCLAnimatorPaperSlideTopToBottom, TZCLFramesAnimator)
 public:
  TZCLAnimatorPaperSlideTopToBottom(bool ABackward, Single AIncomingStartAlpha, Single AOutgoingEndAlpha,
                                    Single AOffset);
  void AfterConstruction() override;
  void Calculate(Single Progress, const TSize& FrameSize, const TRect& Rect, TRect& Rect1, TRect& Rect2, Byte& Alpha1,
                 Byte& Alpha2) override;
  bool NeedSwapFrames() override { return true; }
  virtual TPoint GetDirection() { return TPoint(0, 1); }

 private:
  Single FOffset;
  Single FIncomingStartAlpha;
  bool FIncomingAlphaAnimated;
  bool FBackward;
  Single FOutgoingEndAlpha;
  bool FOutgoingAlphaAnimated;
  TPoint FDirection;
};

class TZCLAnimatorPaperSlideBottomToTop : public TZCLAnimatorPaperSlideTopToBottom {
  ZCL_CLASS(TZCLAnimatorPaperSlideBottomToTop, TZCLAnimatorPaperSlideTopToBottom)
 public:
  using TZCLAnimatorPaperSlideTopToBottom::TZCLAnimatorPaperSlideTopToBottom;
  TPoint GetDirection() override { return TPoint(0, -1); }
};

class TZCLAnimatorPaperSlideLeftToRight : public TZCLAnimatorPaperSlideTopToBottom {
  ZCL_CLASS(TZCLAnimatorPaperSlideLeftToRight, TZCLAnimatorPaperSlideTopToBottom)
 public:
  using TZCLAnimatorPaperSlideTopToBottom::TZCLAnimatorPaperSlideTopToBottom;
  TPoint GetDirection() override { return TPoint(1, 0); }
};

class TZCLAnimatorPaperSlideRightToLeft : public TZCLAnimatorPaperSlideTopToBottom {
  ZCL_CLASS(TZCLAnimatorPaperSlideRightToLeft, TZCLAnimatorPaperSlideTopToBottom)
 public:
  using TZCLAnimatorPaperSlideTopToBottom::TZCLAnimatorPaperSlideTopToBottom;
  TPoint GetDirection() override { return TPoint(-1, 0); }
};

// An animation whose pictures are placed by a frames animator (owned).
class TZCLFrameBasedAnimation : public TZCLAnimation {
  ZCL_CLASS(TZCLFrameBasedAnimation, TZCLAnimation)
 public:
  TZCLFrameBasedAnimation(IZCLAnimateControl* AOwner, Cardinal ADuration, TZCLFramesAnimator* AAnimator,
                          TZCLAnimationTransitionMode Mode);
  ~TZCLFrameBasedAnimation() override;
  TZCLFramesAnimator* GetAnimator() const { return FAnimator; }

 private:
  TZCLFramesAnimator* FAnimator;
};

// Two pictures of the owner (before and after), painted once when the animation starts and
// blended on every frame.
class TZCLBitmapAnimation : public TZCLFrameBasedAnimation {
  ZCL_CLASS(TZCLBitmapAnimation, TZCLFrameBasedAnimation)
 public:
  using TPainter = TDelegate<void(TCanvas* Canvas, const TRect& Rect)>;
  // A negative duration means the default duration.
  TZCLBitmapAnimation(IZCLAnimateControl* AOwner, const TRect& Rect, TZCLFramesAnimator* AAnimator,
                      Integer ADuration = -1, TZCLAnimationTransitionMode Mode = ateLinear);
  ~TZCLBitmapAnimation() override;

  // The pictures, cleared to transparent when fetched.
  TZCLDib* StartFrame();
  TZCLDib* EndFrame();
  void DrawStartFrame(const TPainter& Painter);
  void DrawEndFrame(const TPainter& Painter);

  void Initialize() override;
  bool CanAnimate() override;
  void Draw(TCanvas* Canvas, const TRect& Rect) override;

 private:
  TZCLDib* FFrame1;
  TZCLDib* FFrame2;
};

class TZCLAnimationManager : public TZCLTimerListOf<TZCLAnimation*> {
 public:
  TZCLAnimationManager();
  // The latest animation of Owner with Data; false when none.
  bool Find(IZCLAnimateControl* Owner, TZCLAnimation*& Animation, void* Data = nullptr);
  // Draws Owner's animation; false (nothing drawn) when it has none.
  bool Draw(IZCLAnimateControl* Owner, TCanvas* Canvas, const TRect& Rect, void* Data = nullptr);
  // Terminates every animation of Object (when it is an animation owner).
  void RemoveOwner(TObject* Object);

  // Unit hooks.
  static void Initialize() {}
  static void Finalize();

 protected:
  void DoAdding(TZCLAnimation* const& Item) override;
  void DoTimerItem(TZCLAnimation* const& Item) override;
};

// The program-wide switch of UI animations (fades of hovered parts and the like); on at start.
extern bool UIAnimationsEnabled;

// The process's manager, made on first use.
TZCLAnimationManager* AnimationManager();
// Terminates Object's animations; makes no manager when there is none.
void RemoveAnimations(TObject* Object);
