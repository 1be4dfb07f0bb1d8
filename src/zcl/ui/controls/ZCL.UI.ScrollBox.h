#pragma once
// Controls that scroll a content with the library's own bars instead of the platform's: the
// scrolling control (two inner bars along the right and bottom edges, a size grip in the
// corner between them and an optional double frame in the non-client area) and the scroll box,
// which measures its children, shows a bar only when they do not fit, moves them together when
// scrolled and scrolls a newly focused control into view.

#include "zcl/ui/controls/ZCL.UI.Controls.ScrollBar.h"
#include "zcl/ui/controls/ZCL.UI.Edit.h"

// Custom drawing of a control's content; setting AHandled replaces the default drawing.
using TZCLCustomDrawEvent = TDelegate<void(TObject* Sender, TCanvas* ACanvas, const TRect& R, bool& AHandled)>;

// The bars of a scrolling control: always opaque, whatever the texture.
class TZCLInnerScrollBar : public TZCLScrollBar {
  ZCL_CLASS(TZCLInnerScrollBar, TZCLScrollBar)
 public:
  using TZCLScrollBar::TZCLScrollBar;

 protected:
  void UpdateTransparency() override;
};

// Paints the parent's size-grip area; it sizes nothing.
class TZCLSizeGrip : public TZCLCustomControl {
  ZCL_CLASS(TZCLSizeGrip, TZCLCustomControl)
 public:
  using TZCLCustomControl::TZCLCustomControl;

 protected:
  void Paint() override;
};

class TZCLScrollBoxStyle : public TZCLStyleScrollBox {
  ZCL_CLASS(TZCLScrollBoxStyle, TZCLStyleScrollBox)
 public:
  using TZCLStyleScrollBox::TZCLStyleScrollBox;
  static void DeclareProperties(TClassDeclaration<TZCLScrollBoxStyle>& D);
  TZCLResourceColor* GetColorBorder1() { return GetColor(0); }
  TZCLResourceColor* GetColorBorder2() { return GetColor(1); }
  TZCLResourceColor* GetColorContent1() { return GetColor(2); }
  TZCLResourceColor* GetColorContent2() { return GetColor(3); }
  // An outer frame in ColorBorder1 and one pixel inside it one in ColorBorder2.
  virtual void DrawBorder(TCanvas* Canvas, const TRect& R, TZCLBorders Borders);
  void DrawContent(TCanvas* Canvas, const TRect& R);
  bool IsContentTransparent();

 protected:
  void InitializeResources() override;
};

class TZCLCustomScrollingControl : public TZCLCustomInplaceContainer {
  ZCL_CLASS(TZCLCustomScrollingControl, TZCLCustomInplaceContainer)
  VCL_MESSAGES()
 public:
  explicit TZCLCustomScrollingControl(TComponent* AOwner);
  ~TZCLCustomScrollingControl() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  void AdjustClientRect(TRect& Rect) override;
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;
  // Scrolls the content by (dx, dy) within what the bars allow.
  void ScrollBy(Integer DX, Integer DY);

  // bsSingle: the double frame in a 2-pixel non-client margin; bsNone: neither.
  TFormBorderStyle GetBorders() const { return FBorders ? bsSingle : bsNone; }
  void SetBorders(TFormBorderStyle Value);
  TZCLInnerScrollBar* GetHorzScrollBar() const { return FHorzScrollBar; }
  TZCLInnerScrollBar* GetVertScrollBar() const { return FVertScrollBar; }
  TZCLSizeGrip* GetSizeGrip() const { return FSizeGrip; }
  TZCLScrollBoxStyle* GetStyle() const { return FStyle; }
  void SetStyle(TZCLScrollBoxStyle* Value) { FStyle->Assign(Value); }
  bool IsScrollPart(TControl* Control) const;

  TZCLCustomDrawEvent OnCustomDraw;

 protected:
  virtual void AlignScrollBars(const TRect& R);
  virtual TZCLScrollBoxStyle* CreateStyle();
  virtual void Scroll(TObject* Sender, TScrollCode Code, Integer& Position);
  virtual void ScrollContent(Integer, Integer) {}

  void AlignControls(TControl* AControl, TRect& Rect) override;
  void Paint() override;
  void SetTargetDPI(Integer Value) override;
  void UpdateTransparency() override;
  void WMNCCalcSize(TMessage& Message);
  void WMNCPaint(TMessage& Message);
  // Redraws the frame (after a focus or border change).
  void RecalcFrame();

  Integer FScrollLock = 0;

 private:
  bool FBorders = true;
  TZCLInnerScrollBar* FHorzScrollBar = nullptr;
  TZCLInnerScrollBar* FVertScrollBar = nullptr;
  TZCLSizeGrip* FSizeGrip = nullptr;
  TZCLScrollBoxStyle* FStyle = nullptr;
};

class TZCLCustomScrollBox : public TZCLCustomScrollingControl {
  ZCL_CLASS(TZCLCustomScrollBox, TZCLCustomScrollingControl)
  VCL_MESSAGES()
 public:
  using TZCLCustomScrollingControl::TZCLCustomScrollingControl;
  void BeginUpdate() { ++FUpdateCount; }
  void EndUpdate();
  // Scrolls a control inside the box (at any depth) into view; the inner edit of an edit box
  // stands for its edit box.
  void MakeVisible(TControl* Control);
  // R in client coordinates.
  void ScrollToRect(TRect R);
  // The content's extent in content coordinates.
  virtual TSize CalculateContentSize();

 protected:
  void AlignScrollBars(const TRect& R) override;
  void ScrollContent(Integer DX, Integer DY) override;
  bool MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint& MousePos) override;
  void CMFocusChanged(TMessage& Message);

 private:
  void UpdateScrollBar(TZCLInnerScrollBar* Bar, Integer Page, Integer Content);
  Integer FUpdateCount = 0;
  bool FFocusing = false;
};

class TZCLScrollBox : public TZCLCustomScrollBox {
  ZCL_CLASS(TZCLScrollBox, TZCLCustomScrollBox)
 public:
  using TZCLCustomScrollBox::TZCLCustomScrollBox;
  static void DeclareProperties(TClassDeclaration<TZCLScrollBox>& D);
};

void RegisterScrollBoxClasses();
