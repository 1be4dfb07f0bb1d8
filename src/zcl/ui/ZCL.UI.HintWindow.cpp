#include "zcl/ui/ZCL.UI.HintWindow.h"

#include <algorithm>

#include "os/OS.Input.h"
#include "os/OS.Regions.h"
#include "os/OS.Windows.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.TextLayout.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zcl/ui/ZCL.Utils.Desktop.h"

// ---- TZCLStyleHint ----------------------------------------------------------------------------

void TZCLStyleHint::DeclareProperties(TClassDeclaration<TZCLStyleHint>& D) {
  D.Property(u"ColorBorder", 0, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorContent1", 1, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorContent2", 2, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorText", 3, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
}

void TZCLStyleHint::InitializeResources() {
  GetColor(0)->InitializeAsRef(u"Hint.Colors.Border", false);
  GetColor(1)->InitializeAsRef(u"Hint.Colors.Background1", false);
  GetColor(2)->InitializeAsRef(u"Hint.Colors.Background2", false);
  GetColor(3)->InitializeAsRef(u"Hint.Colors.Text", false);
}

HRGN TZCLStyleHint::CreateRegion(const TRect& Rect) const {
  if (FRadius <= 0) return nullptr;
  return CreateRoundRectRgn(Rect.Left + 1, Rect.Top + 1, Rect.Right, Rect.Bottom, FRadius, FRadius);
}

void TZCLStyleHint::Draw(TCanvas* Canvas, const TRect& Rect) {
  FillGradientAlpha(Canvas, Rect, GetColorContent1()->GetValue(), GetColorContent2()->GetValue(), true);
  const TColor border = GetColorBorder()->GetAsColor();
  if (FRadius <= 0) {
    DrawFrame(Canvas, Rect, border);
    return;
  }
  Canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  Canvas->GetPen()->SetColor(border);
  Canvas->RoundRect(Rect.Left + 1, Rect.Top + 1, Rect.Right - 1, Rect.Bottom - 1, 2 * FRadius, 2 * FRadius);
  Canvas->RoundRect(Rect.Left + 1, Rect.Top + 1, Rect.Right - 1, Rect.Bottom - 1, FRadius, FRadius);
}

TZCLHintData InitHintInfo() {
  TZCLHintData data;
  data.Delay = Application ? Application->GetHintPause() : 500;
  return data;
}

// ---- TZCLHintWindow ---------------------------------------------------------------------------

TZCLHintWindow::TZCLHintWindow(TComponent* AOwner)
    : THintWindow(AOwner),
      FStyle(Create<TZCLStyleHint>(static_cast<TObject*>(this))),
      FLayout(new TZCLTextLayout(GetFont())) {
  FLayout->SetOptions(tloNoHeightLimit | tloWordWrap);
  SetDoubleBuffered(true);
}

TZCLHintWindow::~TZCLHintWindow() {
  Free(FLayout);
  Free(FStyle);
}

const TMessageTable& TZCLHintWindow::MessageTable() {
  static const TMessageTable table(
      &inherited::MessageTable(),
      {VCL_MESSAGE(CM_TEXTCHANGED, &TZCLHintWindow::CMTextChanged),
       VCL_MESSAGE(WM_NCHITTEST, &TZCLHintWindow::WMNCHitTest),
       VCL_MESSAGE(WM_MOUSEWHEEL, &TZCLHintWindow::WMMouseWheel), VCL_MESSAGE(WM_SIZE, &TZCLHintWindow::WMSize)});
  return table;
}

void TZCLHintWindow::AfterConstruction() {
  inherited::AfterConstruction();
  SetTargetDPI(Screen ? Screen->GetPixelsPerInch() : GetSystemDPI());
  UpdateFont(u"");
}

void TZCLHintWindow::SetTargetDPI(Integer DPI) {
  if (DPI <= 0 || DPI == GetCurrentPPI()) return;
  ChangeScale(DPI, GetCurrentPPI(), true);
  FLayout->Refresh();
  FStyle->SetTargetDPI(DPI);
}

void TZCLHintWindow::SetHintText(const String& Text, void*) {
  FLayout->SetText(Text, TZCLTextFormatSettings::Formatted());
}

void TZCLHintWindow::UpdateFont(const String& FontText) {
  TFont* font = GetFont();
  if (!FontText.empty()) {
    String name;
    Integer color = 0, height = 0, style = 0;
    zcStringToFont(FontText, name, color, height, style);
    if (!name.empty()) font->SetName(name);
    font->SetColor(static_cast<TColor>(color));
    if (height != 0) font->SetHeight(height);
    TFontStyles styles;
    for (Integer bit = 0; bit < 4; ++bit)
      if (style & (1 << bit)) styles.Include(static_cast<TFontStyle>(bit));
    font->SetStyle(styles);
  } else if (Screen && Screen->GetHintFont()) {
    font->Assign(Screen->GetHintFont());
    const Integer system = GetSystemDPI();
    if (system != GetCurrentPPI())
      font->SetHeight(ScaleByDPI(UnscaleByDPI(font->GetHeight(), system), GetCurrentPPI()));
  }
  FLayout->Refresh();
}

Integer TZCLHintWindow::MaxHintWidth() const { return (Screen ? Screen->GetWidth() : 1920) / 3; }

TRect TZCLHintWindow::CalcHintRect(Integer MaxWidth, const String& AHint, void* AData) {
  TZCLMeasureCanvas canvas;
  canvas.GetFont()->Assign(GetFont());
  FLayout->SetBounds(TRect(0, 0, MaxWidth, 2));
  SetHintText(AHint, AData);
  FLayout->Calculate(&canvas);
  const TSize size = FLayout->MeasureSize();
  const Integer dpi = GetCurrentPPI();
  return TRect(0, 0, size.cx + 2 * ScaleByDPI(8, dpi), size.cy + 2 * ScaleByDPI(5, dpi) - 4);
}

void TZCLHintWindow::ActivateHint(TRect Rect, const String& AHint) { ActivateHintData(Rect, AHint, nullptr); }

void TZCLHintWindow::ActivateHintData(TRect Rect, const String& AHint, void* AData) {
  // The same text again: nothing to redo (no flicker on repeated calls).
  if (AHint == GetCaption() && HandleAllocated() && IsWindowVisible(GetHandle())) return;
  TMonitor* monitor = MonitorFromPointSafe(Rect.TopLeft());
  if (monitor && monitor->GetPixelsPerInch() != GetCurrentPPI()) {
    SetTargetDPI(monitor->GetPixelsPerInch());
    const TRect size = CalcHintRect(MaxHintWidth(), AHint, AData);
    Rect = TRect(Rect.Left, Rect.Top, Rect.Left + size.Width(), Rect.Top + size.Height());
  }
  SetCaption(AHint);
  SetHintText(AHint, AData);
  Rect.Bottom += 4;
  const Integer width = Rect.Width(), height = Rect.Height();
  Integer x = Rect.Left, y = Rect.Top;
  if (monitor) {
    const TRect area = monitor->GetBoundsRect();
    x = std::max(std::min(x, area.Right - width), area.Left);
    if (y + height > area.Bottom) {
      // Below the monitor's bottom: above the cursor instead.
      const TPoint cursor = GetMouseCursorPos();
      y = cursor.Y - GetCursorSize().cy / 2 - height;
    }
    y = std::max(y, area.Top);
  }
  SetBounds(x, y, width, height);
  HandleNeeded();
  SetVisible(true);
  SetWindowPos(GetHandle(), HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  Invalidate();
  Update();
}

void TZCLHintWindow::ShowHintAt(const String& Text, const TRect& Rect, Byte AlignHorz, Byte AlignVert) {
  SetTargetDPI(GetMonitorDPIAtPoint(Rect.TopLeft()));
  const Integer dpi = GetCurrentPPI();
  Integer x = Rect.Left - ScaleByDPI(8, dpi);
  Integer y = Rect.Top - ScaleByDPI(5, dpi);
  const TRect size = CalcHintRect(MaxHintWidth(), Text, nullptr);
  const Integer width = size.Width(), height = size.Height();
  if (AlignHorz == 1)
    x = (Rect.Left + Rect.Right - width) / 2;
  else if (AlignHorz == 2)
    x = Rect.Right - width;
  if (AlignVert == 0)
    y = Rect.Top - height - ScaleByDPI(6, dpi) - 4;
  else if (AlignVert == 1)
    y = (Rect.Top + Rect.Bottom - height - 4) / 2;
  else if (AlignVert == 2)
    y = Rect.Bottom + ScaleByDPI(6, dpi);
  ActivateHint(TRect(x, y, x + width, y + height), Text);
}

void TZCLHintWindow::ShowAtPoint(const String& Text, const TPoint& Point) {
  TRect r = CalcHintRect(MaxHintWidth(), Text, nullptr);
  r.Offset(Point.X, Point.Y);
  ActivateHint(r, Text);
}

void TZCLHintWindow::ShowForControl(const String& Text, TControl* Control, Byte AlignHorz, Byte AlignVert) {
  if (!Control) return;
  ShowHintAt(Text, Control->ClientToScreen(Control->GetClientRect()), AlignHorz, AlignVert);
}

void TZCLHintWindow::HideHint() {
  if (!HandleAllocated()) return;
  SetWindowPos(GetHandle(), nullptr, 0, 0, 0, 0,
               SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_HIDEWINDOW | SWP_NOACTIVATE);
  SetVisible(false);
}

void TZCLHintWindow::AssignStyle(TZCLStyle* Style) {
  if (Style) FStyle->Assign(Style);
}

void TZCLHintWindow::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style = WS_POPUP;
  if (auto* owner = dynamic_cast<TWinControl*>(GetOwner())) Params.WndParent = owner->GetHandle();
}

void TZCLHintWindow::Paint() {
  TCanvas* canvas = GetCanvas();
  const TRect client = GetClientRect();
  FStyle->Draw(canvas, client);
  canvas->GetFont()->Assign(GetFont());
  canvas->GetFont()->SetColor(FStyle->GetColorText()->GetAsColor());
  TRect inner = client;
  const Integer dpi = GetCurrentPPI();
  inner.Inflate(-ScaleByDPI(8, dpi), -ScaleByDPI(5, dpi));
  FLayout->SetBounds(inner);
  FLayout->Draw(canvas);
}

void TZCLHintWindow::CMTextChanged(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  SetHintText(GetCaption(), nullptr);
}

void TZCLHintWindow::WMNCHitTest(TMessage& Message) { Message.Result = FAcceptsMouse ? HTCLIENT : HTTRANSPARENT; }

void TZCLHintWindow::WMMouseWheel(TMessage& Message) {
  HideHint();
  Message.Result = 0;
}

void TZCLHintWindow::WMSize(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (HandleAllocated()) SetWindowRgn(GetHandle(), FStyle->CreateRegion(TRect(0, 0, GetWidth(), GetHeight())), 1);
}

// ---- TZCLHintController -----------------------------------------------------------------------

TZCLHintController::TZCLHintController(TComponent* AOwner)
    : TComponent(AOwner), FTimer(new TZCLTimer(TNotifyEvent(this, &TZCLHintController::MainTimer), 1000, false)) {}

TZCLHintController::~TZCLHintController() {
  Free(FWatchdog);
  Free(FTimer);
}

void TZCLHintController::BeforeDestruction() {
  Cancel();
  inherited::BeforeDestruction();
}

void TZCLHintController::Update(TObject* HintObject, const TPoint& CursorPoint, const TZCLHintData& HintData) {
  if (HintObject != FHintObject || !(HintData == FHintData) || CursorPoint != FCursorPoint) {
    Cancel();
    if (CanShowHint(HintObject, HintData)) {
      FHintObject = HintObject;
      FHintData = HintData;
      FShown = false;
      FTimer->SetInterval(static_cast<Cardinal>(std::max(HintData.Delay, 1)));
      FTimer->SetEnabled(true);
      FTimer->Restart();
    }
  }
  FCursorPoint = CursorPoint;
  FHintData = HintData;
}

void TZCLHintController::Cancel() {
  Hide();
  FHintObject = nullptr;
}

void TZCLHintController::Hide() {
  FTimer->SetEnabled(false);
  FShown = false;
  // Kept, only stopped: Hide may run inside the watchdog's own tick.
  if (FWatchdog) FWatchdog->SetEnabled(false);
  TZCLHintWindow* window = FHintWindow;
  FHintWindow = nullptr;
  if (window) {
    window->RemoveFreeNotification(this);
    Free(window);
  }
}

bool TZCLHintController::CanShowHint(TObject* HintObject, const TZCLHintData& HintData) {
  if (!Application || !Application->GetShowHint() || !HintObject || HintData.Text.empty()) return false;
  TControl* owner = GetOwnerControl(HintObject, HintData);
  TCustomForm* form = owner ? GetParentForm(owner, true) : nullptr;
  if (!form || TZCLMenuLoop::IsActive()) return false;
  return form->GetActive() || form->GetParentWindow() != nullptr;
}

TZCLHintWindow* TZCLHintController::CreateHintWindow(TObject* HintObject, const TZCLHintData& HintData) {
  return Create<TZCLHintWindow>(static_cast<TComponent*>(GetOwnerControl(HintObject, HintData)));
}

void TZCLHintController::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FHintWindow) {
    // Freed from outside: forget it and stop.
    FHintWindow = nullptr;
    Hide();
  }
}

void TZCLHintController::MainTimer(TObject*) {
  if (FShown) {
    Hide();
    return;
  }
  if (!FHintWindow) {
    FHintWindow = CreateHintWindow(FHintObject, FHintData);
    FHintWindow->FreeNotification(this);
  }
  if (FHintData.ScreenBounds.IsEmpty()) {
    FHintWindow->UpdateFont(u"");
    FHintWindow->ShowAtPoint(FHintData.Text, TPoint(FCursorPoint.X, FCursorPoint.Y + GetCursorSize().cy));
  } else {
    FHintWindow->UpdateFont(FHintData.Font);
    FHintWindow->ShowHintAt(FHintData.Text, FHintData.ScreenBounds, FHintData.AlignHorz, FHintData.AlignVert);
  }
  if (!FWatchdog) FWatchdog = new TZCLTimer(TNotifyEvent(this, &TZCLHintController::WatchdogTimer), 10, false);
  FWatchdog->SetEnabled(true);
  const Integer hidePause = Application ? Application->GetHintHidePause() : 10000;
  FTimer->SetInterval(static_cast<Cardinal>(std::max(hidePause, 1)));
  FTimer->Restart();
  FShown = true;
}

bool TZCLHintController::OwnerFormLostActivation() {
  TControl* owner = GetOwnerControl(FHintObject, FHintData);
  TCustomForm* form = owner ? GetParentForm(owner, true) : nullptr;
  return form && !form->GetActive() && !form->GetParentWindow();
}

void TZCLHintController::WatchdogTimer(TObject*) {
  if (!FHintWindow) return;
  const bool hidden = !FHintWindow->HandleAllocated() || !IsWindowVisible(FHintWindow->GetHandle());
  if (OwnerFormLostActivation() || hidden) Hide();
}

void RegisterHintClasses() {
  RegisterProperties<TZCLStyleHint>();
  ZCLHintWindowClass = TZCLHintWindow::StaticClass();
}
