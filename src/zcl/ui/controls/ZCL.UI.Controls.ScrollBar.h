#pragma once
// The scroll bar: a sub-class that keeps the range, lays out the arrows, thumb and tracks,
// repeats held presses, drags the thumb and draws through an appearance; the scroll-box style
// that is the appearance of the library's own bars; and the scroll bar control.

#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"

class TZCLTimer;

enum TZCLScrollBarPart : Byte { spNone, spButtonBack, spButtonForward, spThumb, spTrackBack, spTrackForward };

struct IZCLScrollBar : IZCLControl {
  RTL_INTERFACE(IZCLScrollBar, IZCLControl, "{8B1E6C20-4F7A-4C31-9E58-0A3D2B6F7102}")
  virtual bool ScrollBarAllowAnimation() = 0;
  virtual void ScrollBarScroll(TScrollCode Code, Integer& Position) = 0;
};

struct IZCLScrollBarAppearance : virtual IInterface {
  RTL_INTERFACE(IZCLScrollBarAppearance, IInterface, "{8B1E6C20-4F7A-4C31-9E58-0A3D2B6F7103}")
  virtual Integer GetForwardButtonSize(TScrollBarKind Kind) = 0;
  virtual Integer GetBackButtonSize(TScrollBarKind Kind) = 0;
  virtual Integer GetBarThickness(TScrollBarKind Kind) = 0;
  virtual TRect GetThumbOutsets() = 0;
  virtual Integer GetThumbSize(TScrollBarKind Kind) = 0;
  virtual bool IsThumbResizable(TScrollBarKind Kind) = 0;
  virtual void DrawBackground(TCanvas* Canvas, const TRect& R, TScrollBarKind Kind) = 0;
  virtual void DrawPart(TCanvas* Canvas, const TRect& R, TZCLScrollBarPart Part, TZCLButtonState State,
                        TScrollBarKind Kind) = 0;
};

class TZCLStyleScrollBox : public TZCLStyle, public IZCLScrollBarAppearance {
  ZCL_CLASS(TZCLStyleScrollBox, TZCLStyle)
  RTL_INTERFACES(TZCLStyle, IZCLScrollBarAppearance)
 public:
  using TZCLStyle::TZCLStyle;
  static void DeclareProperties(TClassDeclaration<TZCLStyleScrollBox>& D);
  TZCLResourceTexture* GetTextureBackground(TScrollBarKind Kind) { return GetTexture(Kind == sbHorizontal ? 0 : 1); }
  TZCLResourceTexture* GetTextureButtons(TScrollBarKind Kind) { return GetTexture(Kind == sbHorizontal ? 2 : 3); }
  TZCLResourceTexture* GetTextureThumb(TScrollBarKind Kind) { return GetTexture(Kind == sbHorizontal ? 4 : 5); }
  TZCLResourceTexture* GetTextureSizeGripArea() { return GetTexture(6); }

  Integer GetForwardButtonSize(TScrollBarKind Kind) override;
  Integer GetBackButtonSize(TScrollBarKind Kind) override { return GetForwardButtonSize(Kind); }
  Integer GetBarThickness(TScrollBarKind Kind) override;
  TRect GetThumbOutsets() override { return TRect(); }
  Integer GetThumbSize(TScrollBarKind Kind) override;
  bool IsThumbResizable(TScrollBarKind Kind) override;
  void DrawBackground(TCanvas* Canvas, const TRect& R, TScrollBarKind Kind) override;
  void DrawPart(TCanvas* Canvas, const TRect& R, TZCLScrollBarPart Part, TZCLButtonState State,
                TScrollBarKind Kind) override;

 protected:
  void InitializeResources() override;
};

class TZCLScrollBarSubClass;

class TZCLScrollBarViewInfoItem : public TZCLUnknownObject, public IZCLAnimateControl {
  ZCL_CLASS(TZCLScrollBarViewInfoItem, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLAnimateControl)
 public:
  TZCLScrollBarViewInfoItem(TZCLScrollBarSubClass* ASubClass, TZCLScrollBarPart APart);
  void BeforeDestruction() override;
  void Animate() override;
  void UpdateState();
  void Draw(TCanvas* Canvas);
  TRect Bounds;
  TZCLScrollBarPart GetPart() const { return FPart; }
  TZCLButtonState GetState() const { return FState; }

 private:
  void DrawInState(TCanvas* Canvas, const TRect& R);
  TZCLScrollBarSubClass* FSubClass;
  TZCLScrollBarPart FPart;
  TZCLButtonState FState = bstNormal;
};

class TZCLScrollBarSubClass : public TZCLUnknownObject {
  ZCL_CLASS(TZCLScrollBarSubClass, TZCLUnknownObject)
 public:
  TZCLScrollBarSubClass(IZCLScrollBar* AOwner, IZCLScrollBarAppearance* AAppearance, TScrollBarKind AKind);
  ~TZCLScrollBarSubClass() override;

  void Calculate(const TRect& R);
  void Draw(TCanvas* Canvas);
  TZCLScrollBarPart HitTest(const TPoint& P);
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y);
  void MouseMove(Integer X, Integer Y);
  void MouseUp(TMouseButton Button, Integer X, Integer Y);
  void MouseEnter() { Invalidate(false); }
  void MouseLeave();
  void Scroll(TScrollCode Code);
  bool SetScrollParams(Integer AMin, Integer AMax, Integer APosition, Integer APage, bool Redraw = true);
  // The host's bounds with the bar's thickness from the appearance.
  TRect AdjustBounds(const TRect& R);
  void EndPress();
  void Invalidate(bool UpdateNow);

  const TRect& GetBounds() const { return FBounds; }
  TZCLScrollBarViewInfoItem* GetButtonBack() const { return FButtonBack; }
  TZCLScrollBarViewInfoItem* GetButtonForward() const { return FButtonForward; }
  TZCLScrollBarViewInfoItem* GetThumb() const { return FThumb; }
  TRect GetTrackBack() const;
  TRect GetTrackForward() const;
  TZCLScrollBarPart GetHotPart() const { return FHotPart; }
  TZCLScrollBarPart GetPressedPart() const { return FPressedPart; }
  TScrollBarKind GetKind() const { return FKind; }
  void SetKind(TScrollBarKind Value);
  Integer GetMax() const { return FMax; }
  Integer GetMin() const { return FMin; }
  Integer GetPage() const { return FPage; }
  Integer GetPosition() const { return FPosition; }
  Word GetSmallChange() const { return FSmallChange; }
  void SetSmallChange(Word Value) { FSmallChange = Value < 1 ? 1 : Value; }
  IZCLScrollBar* GetOwner() const { return FOwner; }
  IZCLScrollBarAppearance* GetAppearance() const { return FAppearance; }
  void SetAppearance(IZCLScrollBarAppearance* Value) { FAppearance = Value; }
  TZCLTimer* GetTimer() const { return FTimer; }

 private:
  void CalculateThumb();
  Integer ClampPosition(Integer Value) const;
  void DragThumbTo(Integer X, Integer Y);
  Integer PositionFromThumb() const;
  void TimerTick(TObject* Sender);
  void UpdateItemStates();
  // Along the bar: the start and end coordinates of a rectangle.
  Integer Start(const TRect& R) const { return FKind == sbHorizontal ? R.Left : R.Top; }
  Integer End(const TRect& R) const { return FKind == sbHorizontal ? R.Right : R.Bottom; }
  static TScrollCode PartCode(TZCLScrollBarPart Part);

  TRect FBounds;
  TZCLScrollBarViewInfoItem* FButtonForward;
  TZCLScrollBarViewInfoItem* FButtonBack;
  TZCLScrollBarViewInfoItem* FThumb;
  TZCLScrollBarPart FHotPart = spNone;
  TZCLScrollBarPart FPressedPart = spNone;
  TScrollBarKind FKind;
  IZCLScrollBar* FOwner;
  TPoint FDownPoint;
  TPoint FThumbDownPos;
  Integer FMax = 100;
  Integer FMin = 0;
  Integer FPage = 0;
  Integer FPosition = 0;
  Word FSmallChange = 1;
  IZCLScrollBarAppearance* FAppearance;
  Integer FMinThumbSize = 0;
  TZCLTimer* FTimer;
};

using TScrollEvent = TDelegate<void(TObject* Sender, TScrollCode ScrollCode, Integer& ScrollPos)>;

class TZCLScrollBar : public TZCLCustomControl, public IZCLScrollBar {
  ZCL_CLASS(TZCLScrollBar, TZCLCustomControl)
  RTL_INTERFACES(TZCLCustomControl, IZCLScrollBar)
  VCL_MESSAGES()
 public:
  explicit TZCLScrollBar(TComponent* AOwner);
  TZCLScrollBar(TComponent* AOwner, TScrollBarKind AKind, TZCLStyleScrollBox* AStyle, bool AOwnsStyle);
  ~TZCLScrollBar() override;
  static void DeclareProperties(TClassDeclaration<TZCLScrollBar>& D);

  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  TScrollBarKind GetKind() const { return FSubClass->GetKind(); }
  void SetKind(TScrollBarKind Value);
  Word GetSmallChange() const { return FSubClass->GetSmallChange(); }
  void SetSmallChange(Word Value) { FSubClass->SetSmallChange(Value); }
  TZCLStyleScrollBox* GetStyle() const { return FStyle; }
  void SetStyle(TZCLStyleScrollBox* Value) { FStyle->Assign(Value); }
  Integer GetPosition() const { return FSubClass->GetPosition(); }
  void SetPosition(Integer Value);
  Integer GetMax() const { return FSubClass->GetMax(); }
  Integer GetMin() const { return FSubClass->GetMin(); }
  Integer GetPage() const { return FSubClass->GetPage(); }
  bool SetScrollParams(Integer AMin, Integer AMax, Integer APosition, Integer APage, bool Redraw = true);
  TZCLScrollBarSubClass* GetSubClass() const { return FSubClass; }
  TScrollEvent OnScroll;

  // IZCLControl
  Integer GetCurrentDpi() override { return GetCurrentPPI(); }
  bool IsControlEnabled() override { return GetEnabled(); }
  void InvalidateRect(const TRect& Rect) override { TZCLCustomControl::InvalidateRect(Rect); }
  void UpdateControl() override { Update(); }
  TPoint ControlClientToScreen(const TPoint& Point) override { return ClientToScreen(Point); }
  TPoint ControlScreenToClient(const TPoint& Point) override { return ScreenToClient(Point); }
  // IZCLScrollBar
  bool ScrollBarAllowAnimation() override { return UIAnimationsEnabled; }
  void ScrollBarScroll(TScrollCode Code, Integer& Position) override { Scroll(Code, Position); }
  void MouseEnter() override;
  void MouseLeave() override;

 protected:
  virtual void Scroll(TScrollCode Code, Integer& Position);
  void Initialize();
  void BoundsChanged() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  bool MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint& MousePos) override;
  void Paint() override;
  void SetTargetDPI(Integer Value) override;
  void UpdateTransparency() override;
  void CMCancelMode(TMessage& Message);
  void CMEnabledChanged(TMessage& Message);
  void CMVisibleChanged(TMessage& Message);
  void CNScroll(TMessage& Message);

 private:
  TZCLStyleScrollBox* FStyle = nullptr;
  bool FOwnsStyle = true;
  TZCLScrollBarSubClass* FSubClass = nullptr;
};

void RegisterScrollBarClasses();
