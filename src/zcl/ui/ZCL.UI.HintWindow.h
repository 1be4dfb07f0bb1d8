#pragma once
// Hints: TZCLHintWindow draws formatted text (the layout's bracket tags) with the hint style and
// places itself next to a rectangle inside the monitor; TZCLHintController shows hints for parts
// of a control with the program's timing (delay, hide pause) and hides them at once when the
// owning form stops being active. UI thread only.

#include "vcl/VCL.Forms.h"
#include "zcl/ui/ZCL.UI.Style.h"

class TZCLTextLayout;
class TZCLTimer;

class TZCLStyleHint : public TZCLStyle {
  ZCL_CLASS(TZCLStyleHint, TZCLStyle)
 public:
  using TZCLStyle::TZCLStyle;
  static void DeclareProperties(TClassDeclaration<TZCLStyleHint>& D);
  TZCLResourceColor* GetColorBorder() { return GetColor(0); }
  TZCLResourceColor* GetColorContent1() { return GetColor(1); }
  TZCLResourceColor* GetColorContent2() { return GetColor(2); }
  TZCLResourceColor* GetColorText() { return GetColor(3); }
  // Square corners: the program takes the newest system's look.
  Integer GetRadius() const { return FRadius; }
  void SetRadius(Integer Value) { FRadius = Value; }
  // Null when the corners are square; the caller owns the region.
  HRGN CreateRegion(const TRect& Rect) const;
  void Draw(TCanvas* Canvas, const TRect& Rect);

 protected:
  void InitializeResources() override;

 private:
  Integer FRadius = 0;
};

// What a hint is shown with; compared as a whole.
struct TZCLHintData {
  Byte AlignHorz = 0;  // 0 left, 1 centre, 2 right
  Byte AlignVert = 1;  // 0 above, 1 centre, 2 below
  Integer Delay = 0;   // ms before showing
  TRect ScreenBounds;  // what the hint belongs to; empty: at the cursor
  String Font;         // "name, colour, height, style"; empty: the default hint font
  String Text;         // formatted text
  friend bool operator==(const TZCLHintData&, const TZCLHintData&) = default;
};
// The defaults, with the application's hint pause as delay.
TZCLHintData InitHintInfo();

class TZCLHintWindow : public THintWindow {
  ZCL_CLASS(TZCLHintWindow, THintWindow)
  VCL_MESSAGES()
 public:
  explicit TZCLHintWindow(TComponent* AOwner);
  ~TZCLHintWindow() override;
  void AfterConstruction() override;

  TRect CalcHintRect(Integer MaxWidth, const String& AHint, void* AData) override;
  void ActivateHint(TRect Rect, const String& AHint) override;
  void ActivateHintData(TRect Rect, const String& AHint, void* AData) override;

  virtual void SetTargetDPI(Integer DPI);
  virtual void SetHintText(const String& Text, void* Data);
  // A font in text form, or the screen's hint font at the window's DPI.
  void UpdateFont(const String& FontText);
  // Next to Rect (screen): aligned left/centre/right and above/centre/below it.
  void ShowHintAt(const String& Text, const TRect& Rect, Byte AlignHorz, Byte AlignVert);
  void ShowAtPoint(const String& Text, const TPoint& Point);
  void ShowForControl(const String& Text, TControl* Control, Byte AlignHorz, Byte AlignVert);
  void HideHint();
  void AssignStyle(TZCLStyle* Style);

  TZCLStyleHint* GetStyle() const { return FStyle; }
  TZCLTextLayout* GetLayout() const { return FLayout; }
  // Off by default: hints let mouse input through to what lies below.
  bool GetAcceptsMouse() const { return FAcceptsMouse; }
  void SetAcceptsMouse(bool Value) { FAcceptsMouse = Value; }

 protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void NCPaint(HDC) override {}

  void CMTextChanged(TMessage& Message);
  void WMNCHitTest(TMessage& Message);
  void WMMouseWheel(TMessage& Message);
  void WMSize(TMessage& Message);

 private:
  Integer MaxHintWidth() const;
  TZCLStyleHint* FStyle;
  TZCLTextLayout* FLayout;
  bool FAcceptsMouse = false;
};

// Shows hints for parts of a control: waits the delay, shows, hides after the hide pause.
class TZCLHintController : public TComponent {
  ZCL_CLASS(TZCLHintController, TComponent)
 public:
  explicit TZCLHintController(TComponent* AOwner);
  ~TZCLHintController() override;
  void BeforeDestruction() override;

  // A new object, point or data restarts the wait.
  void Update(TObject* HintObject, const TPoint& CursorPoint, const TZCLHintData& HintData);
  void Cancel();
  void Hide();

  TZCLHintWindow* GetHintWindow() const { return FHintWindow; }
  TObject* GetHintObject() const { return FHintObject; }
  bool IsShown() const { return FShown; }

 protected:
  virtual bool CanShowHint(TObject* HintObject, const TZCLHintData& HintData);
  virtual TZCLHintWindow* CreateHintWindow(TObject* HintObject, const TZCLHintData& HintData);
  // The control that shows the hints (none here).
  virtual TControl* GetOwnerControl(TObject*, const TZCLHintData&) { return nullptr; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void MainTimer(TObject* Sender);
  void WatchdogTimer(TObject* Sender);
  bool OwnerFormLostActivation();
  TObject* FHintObject = nullptr;
  TZCLHintData FHintData;
  TPoint FCursorPoint{-1, -1};
  bool FShown = false;
  TZCLHintWindow* FHintWindow = nullptr;
  TZCLTimer* FTimer;
  TZCLTimer* FWatchdog = nullptr;
};

void RegisterHintClasses();
