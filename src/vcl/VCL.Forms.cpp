#include "vcl/VCL.Forms.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "os/OS.Fonts.h"
#include "os/OS.Gdi.h"
#include "os/OS.Monitors.h"
#include "os/OS.Text.h"
#include "os/OS.Timers.h"
#include "rtl/RTL.EmbeddedResources.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.StringList.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.TypInfo.h"
#include "os/OS.Icons.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Imaging.h"
#include "vcl/VCL.Menus.h"

TApplication* Application = nullptr;
TScreen* Screen = nullptr;
TClass HintWindowClass = nullptr;

namespace {

// Set by CreateNew until the next form or data module constructor takes it.
bool GCreateNew = false;

constexpr UINT_PTR HintTimerId = 1;
constexpr UINT_PTR IdleTimerId = 2;
constexpr const Char* AppWindowClass = u"TApplication";

bool IsKeyDown(int Key) { return GetKeyState(Key) < 0; }

// Reads the component resource named after Instance's class, when one is embedded.
void ReadClassResource(TComponent* Instance) {
  const String name = Instance->ClassName();
  if (!FindEmbeddedResource(name, u"RCDATA")) return;
  ReadComponentRes(name, Instance);
}

TRect MonitorWorkArea(HMONITOR Monitor) {
  MONITORINFO info;
  if (!GetMonitorInfo(Monitor, info)) return TRect();
  return info.rcWork;
}

// The control, or the first parent, whose hint is on.
TControl* GetHintControl(TControl* Control) {
  while (Control && !Control->GetShowHint()) Control = Control->GetParent();
  if (Control && Control->GetComponentState().Contains(csDesigning)) return nullptr;
  return Control;
}

// The hint of the control or of the first parent that has one.
String GetHintText(TControl* Control) {
  for (; Control; Control = Control->GetParent())
    if (!Control->GetHint().empty()) return Control->GetHint();
  return String();
}

}  // namespace

// Top-level windows of the program disabled for a modal form (re-enabled in reverse).
std::vector<HWND> DisableTaskWindows(HWND Except) {
  std::vector<HWND> disabled;
  EnumThreadWindows(GetUiThreadId(), [&](HWND w) {
    if (w != Except && IsWindowVisible(w) && IsWindowEnabled(w)) disabled.push_back(w);
    return 1;
  });
  for (HWND w : disabled) EnableWindow(w, 0);
  return disabled;
}

void EnableTaskWindows(const std::vector<HWND>& Windows) {
  for (auto it = Windows.rbegin(); it != Windows.rend(); ++it)
    if (IsWindow(*it)) EnableWindow(*it, 1);
}

namespace {

// Runs a creation or destruction event; what it raises goes to the application. Without an
// application a creation error propagates (nobody could show it) and a destruction error is
// dropped (the object is going regardless).
void RunLifeEvent(const TNotifyEvent& Event, TObject* Sender, bool Creating) {
  if (!Event) return;
  try {
    Event(Sender);
  } catch (...) {
    if (Application)
      Application->HandleException(Sender);
    else if (Creating)
      throw;
  }
}

}  // namespace

TCustomForm* GetParentForm(TControl* Control, bool TopForm) {
  if (!Control) return nullptr;
  while ((TopForm || !dynamic_cast<TCustomForm*>(Control)) && Control->GetParent()) Control = Control->GetParent();
  return dynamic_cast<TCustomForm*>(Control);
}

TCustomForm* ValidParentForm(TControl* Control, bool TopForm) {
  TCustomForm* form = GetParentForm(Control, TopForm);
  if (!form) throw EInvalidOperation(u"Control '%s' has no parent form", {Control ? Control->GetName() : String()});
  return form;
}

// ---- TCustomForm ------------------------------------------------------------------------------

void TCustomForm::BeginCreateNew() { GCreateNew = true; }

TCustomForm::TCustomForm(TComponent* AOwner) : TScrollingWinControl(AOwner) {
  FCreatedNew = GCreateNew;
  GCreateNew = false;
  FFormState.Include(fsCreating);
  FVisible = false;
  FControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  FColor = clBtnFace;
  SetParentFont(false);
  SetParentColor(false);
  SetBounds(0, 0, 320, 240);
  FIcon = new TIcon;
  FIcon->OnChange = TNotifyEvent(this, &TCustomForm::IconChanged);
  if (Screen) Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
  if (Screen) Screen->RemoveForm(this);
  if (HandleAllocated()) SendMessage(FHandle, WM_SETICON, ICON_BIG, 0);  // the icon goes first
  delete FIcon;
}

void TCustomForm::SetIcon(TIcon* Value) { FIcon->Assign(Value); }

void TCustomForm::UpdateIcon() {
  if (!HandleAllocated() || FParent) return;
  TIcon* icon = !FIcon->GetEmpty() ? FIcon : Application ? Application->FIcon : nullptr;
  HICON handle = icon && !icon->GetEmpty() ? icon->GetHandle() : nullptr;
  SendMessage(FHandle, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(handle));
}

void TCustomForm::AfterConstruction() {
  inherited::AfterConstruction();
  try {
    if (!FCreatedNew) ReadClassResource(this);
  } catch (...) {
    FFormState.Exclude(fsCreating);
    throw;
  }
  FFormState.Exclude(fsCreating);
  DoCreate();
}

void TCustomForm::BeforeDestruction() {
  if (Screen) Screen->RemoveForm(this);
  if (Application && Application->FMainForm == this) Application->FMainForm = nullptr;
  if (FFormState.Contains(fsModal) && FModalResult == mrNone) FModalResult = mrCancel;
  DoDestroy();
  inherited::BeforeDestruction();
}

void TCustomForm::DoCreate() { RunLifeEvent(OnCreate, this, true); }

void TCustomForm::DoDestroy() { RunLifeEvent(OnDestroy, this, false); }

void TCustomForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

void TCustomForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

const TMessageTable& TCustomForm::MessageTable() {
  static const TMessageTable table(
      &inherited::MessageTable(),
      {VCL_MESSAGE(WM_ACTIVATE, &TCustomForm::WMActivate), VCL_MESSAGE(WM_ACTIVATEAPP, &TCustomForm::WMActivateApp),
       VCL_MESSAGE(WM_CLOSE, &TCustomForm::WMClose), VCL_MESSAGE(WM_SIZE, &TCustomForm::WMSize),
       VCL_MESSAGE(WM_SYSCOMMAND, &TCustomForm::WMSysCommand), VCL_MESSAGE(WM_DPICHANGED, &TCustomForm::WMDpiChanged),
       VCL_MESSAGE(WM_GETMINMAXINFO, &TCustomForm::WMGetMinMaxInfo), VCL_MESSAGE(CM_ACTIVATE, &TCustomForm::CMActivate),
       VCL_MESSAGE(CM_DEACTIVATE, &TCustomForm::CMDeactivate), VCL_MESSAGE(CM_DIALOGKEY, &TCustomForm::CMDialogKey),
       VCL_MESSAGE(CM_SHOWINGCHANGED, &TCustomForm::CMShowingChanged), VCL_MESSAGE(CM_RELEASE, &TCustomForm::CMRelease),
       VCL_MESSAGE(CM_ACTIONUPDATE, &TCustomForm::CMActionUpdate)});
  return table;
}

// Window.

HWND TCustomForm::GetOwnerWindow() {
  TCustomForm* owner = nullptr;
  switch (FPopupMode) {
    case pmExplicit:
      owner = FPopupParent;
      break;
    case pmAuto:
      owner = Screen ? Screen->GetActiveForm() : nullptr;
      if (!owner && Application) owner = Application->GetMainForm();
      break;
    case pmNone:
      break;
  }
  if (owner == this || !owner) return nullptr;
  return owner->GetHandle();
}

void TCustomForm::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  if (FParent || GetParentWindow()) return;
  DWORD style = Params.Style & ~(WS_CHILD | WS_POPUP | WS_GROUP | WS_TABSTOP);
  DWORD exStyle = Params.ExStyle;
  switch (FBorderStyle) {
    case bsNone:
      style |= WS_POPUP;
      break;
    case bsSingle:
    case bsToolWindow:
      style |= WS_CAPTION | WS_BORDER;
      break;
    case bsSizeable:
    case bsSizeToolWin:
      style |= WS_CAPTION | WS_THICKFRAME;
      break;
    case bsDialog:
      style |= WS_POPUP | WS_CAPTION;
      exStyle |= WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE;
      break;
  }
  if (FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin) exStyle |= WS_EX_TOOLWINDOW;
  if (FBorderStyle != bsNone) {
    if (FBorderIcons.Contains(biSystemMenu)) style |= WS_SYSMENU;
    if (FBorderStyle != bsDialog && FBorderStyle != bsToolWindow && FBorderStyle != bsSizeToolWin) {
      if (FBorderIcons.Contains(biMinimize)) style |= WS_MINIMIZEBOX;
      if (FBorderIcons.Contains(biMaximize)) style |= WS_MAXIMIZEBOX;
    }
  }
  if (FFormStyle == fsStayOnTop) exStyle |= WS_EX_TOPMOST;
  if (FAlphaBlend) exStyle |= WS_EX_LAYERED;
  if (Application && Application->GetMainFormOnTaskBar() && Application->GetMainForm() == this)
    exStyle |= WS_EX_APPWINDOW;
  Params.Style = style;
  Params.ExStyle = exStyle;
  Params.WndParent = GetOwnerWindow();
}

void TCustomForm::CreateWnd() {
  inherited::CreateWnd();
  UpdateLayered();
  UpdateIcon();
}

void TCustomForm::UpdateLayered() {
  if (!HandleAllocated() || FParent) return;
  const LONG exStyle = GetWindowLong(FHandle, GWL_EXSTYLE);
  if (FAlphaBlend) {
    if (!(exStyle & WS_EX_LAYERED)) SetWindowLong(FHandle, GWL_EXSTYLE, exStyle | LONG(WS_EX_LAYERED));
    SetLayeredWindowAttributes(FHandle, 0, FAlphaBlendValue, LWA_ALPHA);
  } else if (exStyle & WS_EX_LAYERED) {
    SetWindowLong(FHandle, GWL_EXSTYLE, exStyle & ~LONG(WS_EX_LAYERED));
  }
}

// Properties.

void TCustomForm::SetBorderStyle(TFormBorderStyle Value) {
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  RecreateWnd();
}

void TCustomForm::SetBorderIcons(TBorderIcons Value) {
  if (FBorderIcons == Value) return;
  FBorderIcons = Value;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle Value) {
  if (FFormStyle == Value) return;
  FFormStyle = Value;
  if (HandleAllocated() && !FParent)
    SetWindowPos(FHandle, Value == fsStayOnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TCustomForm::SetWindowState(TWindowState Value) {
  if (FWindowState == Value) return;
  FWindowState = Value;
  if (HandleAllocated() && FShowing && !FParent) {
    static const int commands[] = {SW_SHOWNORMAL, SW_SHOWMINIMIZED, SW_SHOWMAXIMIZED};
    ShowWindow(FHandle, commands[Value]);
  }
}

void TCustomForm::SetPopupMode(TPopupMode Value) {
  if (FPopupMode == Value) return;
  FPopupMode = Value;
  if (Value != pmExplicit && FPopupParent) {
    FPopupParent->RemoveFreeNotification(this);
    FPopupParent = nullptr;
  }
  if (HandleAllocated() && !FParent) SetWindowLongPtr(FHandle, GWLP_HWNDPARENT, LONG_PTR(GetOwnerWindow()));
}

void TCustomForm::SetPopupParent(TCustomForm* Value) {
  if (Value == this) Value = nullptr;
  if (FPopupParent == Value) return;
  if (FPopupParent) FPopupParent->RemoveFreeNotification(this);
  FPopupParent = Value;
  if (Value) {
    Value->FreeNotification(this);
    FPopupMode = pmExplicit;
  } else if (FPopupMode == pmExplicit) {
    FPopupMode = pmNone;
  }
  if (HandleAllocated() && !FParent) SetWindowLongPtr(FHandle, GWLP_HWNDPARENT, LONG_PTR(GetOwnerWindow()));
}

void TCustomForm::SetAlphaBlend(bool Value) {
  if (FAlphaBlend == Value) return;
  FAlphaBlend = Value;
  UpdateLayered();
}

void TCustomForm::SetAlphaBlendValue(Byte Value) {
  if (FAlphaBlendValue == Value) return;
  FAlphaBlendValue = Value;
  UpdateLayered();
}

void TCustomForm::SetMenu(TMainMenu* Value) {
  if (FMenu == Value) return;
  if (FMenu) FMenu->RemoveFreeNotification(this);
  FMenu = Value;
  if (FMenu) FMenu->FreeNotification(this);
}

void TCustomForm::SetPixelsPerInch(Integer Value) {
  if (Value < 1) return;
  FPixelsPerInch = Value;
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FMenu) FMenu = nullptr;
  if (AComponent == FPopupParent) {
    FPopupParent = nullptr;
    if (FPopupMode == pmExplicit) FPopupMode = pmNone;
  }
  if (AComponent == FActiveControl) FActiveControl = nullptr;
}

TMonitor* TCustomForm::GetMonitor() {
  if (!Screen) return nullptr;
  if (HandleAllocated() && !FParent) return Screen->MonitorFromWindow(FHandle);
  return Screen->MonitorFromRect(GetBoundsRect());
}

void TCustomForm::MakeFullyVisible(TMonitor* AMonitor) {
  if (!AMonitor) AMonitor = GetMonitor();
  if (!AMonitor || FParent) return;
  const TRect area = AMonitor->GetWorkareaRect();
  Integer left = FLeft;
  Integer top = FTop;
  if (left + FWidth > area.Right) left = area.Right - FWidth;
  if (top + FHeight > area.Bottom) top = area.Bottom - FHeight;
  left = std::max(left, area.Left);
  top = std::max(top, area.Top);
  if (left != FLeft || top != FTop) SetBounds(left, top, FWidth, FHeight);
}

// Showing and closing.

void TCustomForm::VisibleChanging() {
  if (FFormState.Contains(fsShowing)) throw EInvalidOperation(u"Cannot change Visible in OnShow or OnHide");
  inherited::VisibleChanging();
}

void TCustomForm::Show() {
  SetVisible(true);
  BringToFront();
  if (HandleAllocated() && !FParent && !GetShowWithoutActivation()) SetActiveWindow(FHandle);
}

void TCustomForm::ApplyPosition() {
  if (FParent || FPositioned) return;
  FPositioned = true;
  if (FPosition == poDesigned || !Screen) return;
  TMonitor* monitor = nullptr;
  TCustomForm* center = nullptr;
  switch (FPosition) {
    case poMainFormCenter:
      center = Application ? Application->GetMainForm() : nullptr;
      break;
    case poOwnerFormCenter:
      center = dynamic_cast<TCustomForm*>(GetOwner());
      if (!center) center = FPopupParent;
      if (!center && Application) center = Application->GetMainForm();
      break;
    default:
      break;
  }
  if (center == this || (center && !center->HandleAllocated())) center = nullptr;
  switch (FDefaultMonitor) {
    case dmPrimary:
      monitor = Screen->GetPrimaryMonitor();
      break;
    case dmMainForm:
      if (Application && Application->GetMainForm() && Application->GetMainForm() != this)
        monitor = Application->GetMainForm()->GetMonitor();
      break;
    case dmActiveForm:
      if (Screen->GetActiveForm() && Screen->GetActiveForm() != this) monitor = Screen->GetActiveForm()->GetMonitor();
      break;
    case dmDesktop:
      break;
  }
  if (!monitor) monitor = center ? center->GetMonitor() : Screen->GetPrimaryMonitor();
  if (!monitor) return;
  const TRect area = monitor->GetWorkareaRect();
  Integer left = FLeft;
  Integer top = FTop;
  if (FPosition == poDefault) {
    // Cascade from the work area's corner, one step per form already on the screen.
    const Integer step = ScaleValue(24) * (Screen->GetFormCount() % 8);
    left = area.Left + step;
    top = area.Top + step;
  } else if (center) {
    const TRect r = center->GetBoundsRect();
    left = r.Left + (r.Width() - FWidth) / 2;
    top = r.Top + (r.Height() - FHeight) / 2;
  } else {
    left = area.Left + (area.Width() - FWidth) / 2;
    top = area.Top + (area.Height() - FHeight) / 2;
  }
  SetBounds(left, top, FWidth, FHeight);
  MakeFullyVisible(Screen->MonitorFromRect(GetBoundsRect()));
}

void TCustomForm::CMShowingChanged(TMessage& Message) {
  if (FParent) {
    InheritedMessage(inherited::MessageTable(), Message);
    return;
  }
  if (FFormState.Contains(fsShowing)) throw EInvalidOperation(u"Cannot change Visible in OnShow or OnHide");
  FFormState.Include(fsShowing);
  try {
    if (FShowing) {
      try {
        DoShow();
      } catch (...) {
        if (!Application) throw;
        Application->HandleException(this);
      }
      if (!FPositioned && FScaled) {
        const Integer dpi = static_cast<Integer>(GetDpiForWindow(GetHandle()));
        if (dpi >= 96 && dpi != FCurrentPPI) ScaleForPPIRect(dpi, nullptr);
      }
      ApplyPosition();
      int command = SW_SHOWNORMAL;
      if (FWindowState == wsMaximized)
        command = SW_SHOWMAXIMIZED;
      else if (FWindowState == wsMinimized)
        command = SW_SHOWMINIMIZED;
      else if (GetShowWithoutActivation())
        command = SW_SHOWNOACTIVATE;
      ShowWindow(GetHandle(), command);
      if (FFormStyle == fsStayOnTop)
        SetWindowPos(FHandle, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    } else {
      try {
        DoHide();
      } catch (...) {
        if (!Application) throw;
        Application->HandleException(this);
      }
      if (HandleAllocated()) {
        const bool wasActive = GetActiveWindow() == FHandle;
        ShowWindow(FHandle, SW_HIDE);
        // The activation goes to the next form that can take it.
        if (wasActive && Screen) {
          for (TCustomForm* form : Screen->FForms)
            if (form != this && form->HandleAllocated() && IsWindowVisible(form->FHandle) &&
                IsWindowEnabled(form->FHandle)) {
              SetActiveWindow(form->FHandle);
              break;
            }
        }
      }
      if (Screen && Screen->FActiveForm == this && GetActiveWindow() != FHandle) Screen->SetActiveForm(nullptr);
    }
  } catch (...) {
    FFormState.Exclude(fsShowing);
    throw;
  }
  FFormState.Exclude(fsShowing);
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::Close() {
  if (FFormState.Contains(fsModal)) {
    FModalResult = mrCancel;
    return;
  }
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application && Application->GetMainForm() == this) {
    Application->Terminate();
    return;
  }
  switch (action) {
    case caHide:
      Hide();
      break;
    case caMinimize:
      SetWindowState(wsMinimized);
      break;
    case caFree:
      Release();
      break;
    case caNone:
      break;
  }
}

void TCustomForm::CloseModal() {
  TCloseAction action = caNone;
  try {
    if (CloseQuery()) {
      action = caHide;
      DoClose(action);
    }
  } catch (...) {
    FModalResult = mrNone;
    if (!Application) throw;
    Application->HandleException(this);
    return;
  }
  switch (action) {
    case caNone:
      FModalResult = mrNone;
      break;
    case caFree:
      Release();
      break;
    default:
      break;
  }
}

void TCustomForm::Release() {
  if (FReleased) return;
  FReleased = true;
  // A window that cannot be made (the form is being destroyed) needs no release.
  if (GetComponentState().Contains(csDestroying)) return;
  PostMessage(GetHandle(), CM_RELEASE, 0, 0);
}

void TCustomForm::CMRelease(TMessage& /*Message*/) {
  // Still inside a modal loop of its own: free it once the loop has returned.
  if (FFormState.Contains(fsModal)) {
    FReleasePending = true;
    if (FModalResult == mrNone) FModalResult = mrCancel;
    return;
  }
  Free(this);
}

namespace {
// Tells whether a component still exists (it may be freed by its owner inside a modal loop).
class TExistenceGuard : public TComponent {
 public:
  TExistenceGuard() : TComponent(nullptr) {}
  void Watch(TComponent* Component) {
    FWatched = Component;
    Component->FreeNotification(this);
  }
  bool Exists() const { return FWatched != nullptr; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FWatched) FWatched = nullptr;
  }

 private:
  using inherited = TComponent;
  TComponent* FWatched = nullptr;
};
}  // namespace

TModalResult TCustomForm::ShowModal() {
  if (FVisible || !GetEnabled() || FFormState.Contains(fsModal) || FParent)
    throw EInvalidOperation(u"Cannot make a visible window modal");
  if (!Application) throw EInvalidOperation(u"No application object");
  if (HWND capture = GetCapture()) {
    SendMessage(capture, WM_CANCELMODE, 0, 0);
    ReleaseCapture();
  }
  Application->CancelHint();
  const HWND activeWindow = GetActiveWindow();
  auto* guard = Create<TExistenceGuard>();
  guard->Watch(this);
  std::vector<HWND> disabled;
  TModalResult result = mrCancel;
  // Runs however the loop ends; the form may be gone by then.
  auto finish = [&] {
    if (guard->Exists()) {
      FFormState.Exclude(fsModal);
      if (Screen && Screen->GetFocusedForm() == this) {
        Screen->SetFocusedForm(nullptr);
        Perform(CM_DEACTIVATE);
      }
      if (FVisible) Hide();
      if (FReleasePending) {
        FReleasePending = false;
        PostMessage(GetHandle(), CM_RELEASE, 0, 0);
      }
    }
    EnableTaskWindows(disabled);
    Free(guard);
    if (activeWindow && IsWindow(activeWindow) && IsWindowVisible(activeWindow)) SetActiveWindow(activeWindow);
    Application->ModalFinished();
  };
  Application->ModalStarted();
  FFormState.Include(fsModal);
  try {
    disabled = DisableTaskWindows(GetHandle());
    FModalResult = mrNone;
    Show();
    while (guard->Exists()) {
      try {
        Application->HandleMessage();
      } catch (...) {
        Application->HandleException(Application);
      }
      if (!guard->Exists()) break;
      if (Application->GetTerminated())
        FModalResult = mrCancel;
      else if (FModalResult != mrNone)
        CloseModal();
      if (FModalResult != mrNone) {
        result = FModalResult;
        break;
      }
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
  return result;
}

void TCustomForm::WMClose(TMessage& /*Message*/) { Close(); }

// Activation and focus.

void TCustomForm::WMActivate(TMessage& Message) {
  if (FParent) {
    InheritedMessage(inherited::MessageTable(), Message);
    return;
  }
  SetActive(LOWORD(Message.WParam) != WA_INACTIVE);
}

void TCustomForm::WMActivateApp(TMessage& Message) {
  // Every top-level form hears it; the application reports the change once.
  if (Application) Application->SetActive(Message.WParam != 0);
  InheritedMessage(inherited::MessageTable(), Message);
}

void TCustomForm::SetActive(bool Value) {
  FActive = Value;
  if (!Value) return;
  if (Screen) {
    Screen->BringFormToFront(this);
    Screen->SetActiveForm(this);
  }
  // A control focused before the form showed, else the first in tab order.
  if (!FActiveControl && GetFocusedControl() != this) FActiveControl = GetFocusedControl();
  if (!FActiveControl && !GetComponentState().Contains(csDesigning))
    FActiveControl = FindNextControl(nullptr, true, true, false);
  SetWindowFocus();
}

void TCustomForm::SetWindowFocus() {
  if (!HandleAllocated()) return;
  TWinControl* target = this;
  if (FActiveControl && FActiveControl != this && FActiveControl->CanFocus()) target = FActiveControl;
  ::SetFocus(target->GetHandle());
  // The window layer gave the focus; make sure the form records it even when the focus
  // window already had it.
  if (GetFocus() == target->GetHandle() && Screen && Screen->GetFocusedForm() != this) {
    TCustomForm* old = Screen->GetFocusedForm();
    Screen->SetFocusedForm(this);
    if (old) old->Perform(CM_DEACTIVATE);
    Perform(CM_ACTIVATE);
  }
}

bool TCustomForm::SetFocusedControl(TWinControl* Control) {
  if (!inherited::SetFocusedControl(Control)) return false;
  if (Control && Control != this) FActiveControl = Control;
  if (Screen) {
    Screen->SetActiveControl(Control);
    Screen->BringFormToFront(this);
    if (Screen->GetFocusedForm() != this) {
      TCustomForm* old = Screen->GetFocusedForm();
      Screen->SetFocusedForm(this);
      if (old) old->Perform(CM_DEACTIVATE);
      Perform(CM_ACTIVATE);
    }
  }
  return true;
}

void TCustomForm::SetActiveControl(TWinControl* Control) {
  if (FActiveControl == Control) return;
  // Visible and enabled up to the form: a form not shown yet takes its active control now.
  bool focusable = Control && Control != this && GetParentForm(Control, false) == this;
  for (TControl* c = Control; focusable && c != this; c = c->GetParent())
    focusable = c->GetVisible() && c->GetEnabled();
  if (Control && !focusable) throw EInvalidOperation(u"Cannot focus a disabled or invisible window");
  FActiveControl = Control;
  if (Control) Control->FreeNotification(this);
  if (FActive && Control) SetWindowFocus();
}

void TCustomForm::FocusControl(TWinControl* Control) {
  const bool wasActive = FActive;
  SetActiveControl(Control);
  if (!wasActive) SetFocus();
}

void TCustomForm::SetFocus() {
  if (!CanFocus()) throw EInvalidOperation(u"Cannot focus a disabled or invisible window");
  if (FParent) {
    inherited::SetFocus();
    return;
  }
  if (!HandleAllocated() || !FShowing) return;
  if (GetActiveWindow() != FHandle)
    SetActiveWindow(FHandle);
  else
    SetWindowFocus();
}

void TCustomForm::CMActivate(TMessage& /*Message*/) {
  if (!GetComponentState().Contains(csReading)) Activate();
  FFormState.Include(fsActivated);
}

void TCustomForm::CMDeactivate(TMessage& /*Message*/) {
  if (!GetComponentState().Contains(csReading)) Deactivate();
}

// Keyboard.

bool TCustomForm::IsShortCut(TMessage& Message) {
  bool handled = false;
  if (OnShortCut) OnShortCut(Message, handled);
  if (handled) return true;
  const Word key = static_cast<Word>(Message.WParam);
  if (FMenu && FMenu->IsShortCut(key, Message.LParam)) return true;
  const TShortCut shortCut = KeyMessageToShortCut(key, Message.LParam);
  for (Integer i = 0; i < GetComponentCount(); ++i)
    if (auto* list = dynamic_cast<TCustomActionList*>(GetComponent(i)); list && list->IsShortCut(shortCut)) return true;
  return false;
}

void TCustomForm::CMDialogKey(TMessage& Message) {
  if (!IsKeyDown(VK_MENU)) {
    switch (Message.WParam) {
      case VK_TAB:
        if (!IsKeyDown(VK_CONTROL)) {
          SelectNext(FActiveControl, !IsKeyDown(VK_SHIFT), true);
          Message.Result = 1;
          return;
        }
        break;
      case VK_LEFT:
      case VK_RIGHT:
      case VK_UP:
      case VK_DOWN:
        if (FActiveControl && FActiveControl->GetParent()) {
          FActiveControl->GetParent()->SelectNext(FActiveControl,
                                                  Message.WParam == VK_RIGHT || Message.WParam == VK_DOWN, false);
          Message.Result = 1;
          return;
        }
        break;
      default:
        break;
    }
  }
  InheritedMessage(inherited::MessageTable(), Message);
}

void TCustomForm::WMSysCommand(TMessage& Message) {
  // Alt and a character: the main menu's top item that has it as its accelerator.
  if ((Message.WParam & 0xFFF0) == SC_KEYMENU && Message.LParam && FMenu) {
    TMenuItem* items = FMenu->GetItems();
    for (Integer i = 0; i < items->GetCount(); ++i) {
      TMenuItem* item = items->GetItem(i);
      if (item->GetVisible() && item->GetEnabled() && IsAccel(static_cast<Char>(Message.LParam), item->GetCaption())) {
        item->Click();
        Message.Result = 0;
        return;
      }
    }
  }
  if ((Message.WParam & 0xFFF0) == SC_MINIMIZE) FWindowState = wsMinimized;
  InheritedMessage(inherited::MessageTable(), Message);
}

void TCustomForm::WMSize(TMessage& Message) {
  if (!FParent && HandleAllocated()) {
    if (IsIconic(FHandle))
      FWindowState = wsMinimized;
    else if (IsZoomed(FHandle))
      FWindowState = wsMaximized;
    else if (Message.WParam == SIZE_RESTORED && IsWindowVisible(FHandle))
      FWindowState = wsNormal;
  }
  InheritedMessage(inherited::MessageTable(), Message);
}

void TCustomForm::WMGetMinMaxInfo(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  auto* info = reinterpret_cast<MINMAXINFO*>(Message.LParam);
  TSizeConstraints* c = GetConstraints();
  if (!info || !c) return;
  if (c->GetMinWidth() > 0) info->ptMinTrackSize.X = c->GetMinWidth();
  if (c->GetMinHeight() > 0) info->ptMinTrackSize.Y = c->GetMinHeight();
  if (c->GetMaxWidth() > 0) info->ptMaxTrackSize.X = c->GetMaxWidth();
  if (c->GetMaxHeight() > 0) info->ptMaxTrackSize.Y = c->GetMaxHeight();
}

// Scaling.

void TCustomForm::WMDpiChanged(TMessage& Message) {
  Message.Result = 0;
  const Integer dpi = LOWORD(Message.WParam);
  if (dpi == 0 || !FScaled || FScalingForm || GetComponentState().Contains(csLoading) ||
      GetComponentState().Contains(csDesigning) || dpi == FCurrentPPI)
    return;
  const Integer old = FCurrentPPI;
  if (OnBeforeMonitorDpiChanged) OnBeforeMonitorDpiChanged(this, old, dpi);
  ScaleForPPIRect(dpi, reinterpret_cast<const TRect*>(Message.LParam));
  if (OnAfterMonitorDpiChanged) OnAfterMonitorDpiChanged(this, old, dpi);
}

void TCustomForm::ScaleForPPI(Integer NewPPI) { ScaleForPPIRect(NewPPI, nullptr); }

void TCustomForm::ScaleControl(Integer M, Integer D) {
  if (FParent) {
    inherited::ScaleControl(M, D);
    return;
  }
  // A top-level form keeps its place and changes its size by its client area.
  const TRect client = GetClientRect();
  const Integer width = FWidth + MulDiv(client.Width(), M, D) - client.Width();
  const Integer height = FHeight + MulDiv(client.Height(), M, D) - client.Height();
  SetBounds(FLeft, FTop, width, height);
}

void TCustomForm::ScaleForPPIRect(Integer NewPPI, const TRect* SuggestedRect) {
  if (FScalingForm || NewPPI < 96 || NewPPI == FCurrentPPI) return;
  FScalingForm = true;
  DisableAlign();
  try {
    const Integer oldPPI = FCurrentPPI;
    ChangeScale(NewPPI, oldPPI, true);
    FPixelsPerInch = NewPPI;
    if (SuggestedRect && !FParent && FWindowState != wsMaximized) SetBoundsRect(*SuggestedRect);
  } catch (...) {
    FScalingForm = false;
    EnableAlign();
    throw;
  }
  FScalingForm = false;
  EnableAlign();
  Realign();
  if (HandleAllocated()) RedrawWindow(FHandle, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// Actions.

void TCustomForm::CMActionUpdate(TMessage& /*Message*/) { UpdateActions(); }

void TCustomForm::UpdateActions() {
  if (GetComponentState().Contains(csDesigning) || !FShowing) return;
  struct TWalk {
    static void Clients(TWinControl* Parent) {
      for (TControl* c : std::vector<TControl*>(Parent->GetControls())) {
        if (!c->GetVisible()) continue;
        c->InitiateAction();
        if (auto* w = dynamic_cast<TWinControl*>(c)) Clients(w);
      }
    }
  };
  InitiateAction();
  if (FMenu) {
    TMenuItem* items = FMenu->GetItems();
    for (Integer i = 0; i < items->GetCount(); ++i)
      if (items->GetItem(i)->GetVisible()) items->GetItem(i)->InitiateAction();
  }
  TWalk::Clients(this);
}

void TCustomForm::DeclareProperties(TClassDeclaration<TCustomForm>& D) {
  D.Property(u"BorderStyle", &TCustomForm::GetBorderStyle, &TCustomForm::SetBorderStyle).Default(bsSizeable);
  D.Property(u"BorderIcons", &TCustomForm::GetBorderIcons, &TCustomForm::SetBorderIcons)
      .Default(TBorderIcons{biSystemMenu, biMinimize, biMaximize});
  D.Property(u"FormStyle", &TCustomForm::GetFormStyle, &TCustomForm::SetFormStyle).Default(fsNormal);
  D.Property(u"Position", &TCustomForm::GetPosition, &TCustomForm::SetPosition).Default(poDesigned);
  D.Property(u"WindowState", &TCustomForm::GetWindowState, &TCustomForm::SetWindowState).Default(wsNormal);
  D.Property(u"DefaultMonitor", &TCustomForm::GetDefaultMonitor, &TCustomForm::SetDefaultMonitor).Default(dmActiveForm);
  D.Property(u"PopupMode", &TCustomForm::GetPopupMode, &TCustomForm::SetPopupMode).Default(pmNone);
  D.Property(u"KeyPreview", &TCustomForm::GetKeyPreview, &TCustomForm::SetKeyPreview).Default(false);
  D.Property(u"AlphaBlend", &TCustomForm::GetAlphaBlend, &TCustomForm::SetAlphaBlend).Default(false);
  D.Property(u"AlphaBlendValue", &TCustomForm::GetAlphaBlendValue, &TCustomForm::SetAlphaBlendValue).Default(255);
  D.Property(u"PixelsPerInch", &TCustomForm::GetPixelsPerInch, &TCustomForm::SetPixelsPerInch).NoDefault();
  D.Property(u"Scaled", &TCustomForm::GetScaled, &TCustomForm::SetScaled).Default(true);
  D.Event(u"OnCreate", &TCustomForm::OnCreate);
  D.Event(u"OnDestroy", &TCustomForm::OnDestroy);
  D.Event(u"OnShow", &TCustomForm::OnShow);
  D.Event(u"OnHide", &TCustomForm::OnHide);
  D.Event(u"OnActivate", &TCustomForm::OnActivate);
  D.Event(u"OnDeactivate", &TCustomForm::OnDeactivate);
  D.Event(u"OnClose", &TCustomForm::OnClose);
  D.Event(u"OnCloseQuery", &TCustomForm::OnCloseQuery);
}

void TForm::DeclareProperties(TClassDeclaration<TForm>& D) {
  for (const Char* name : {u"Caption", u"Color", u"Font", u"OnClick", u"OnDblClick", u"OnMouseDown", u"OnMouseMove",
                           u"OnMouseUp", u"OnResize", u"OnKeyDown", u"OnKeyPress", u"OnKeyUp"})
    D.Publish(name);
}

// ---- TFrame, TDataModule ----------------------------------------------------------------------

TCustomFrame::TCustomFrame(TComponent* AOwner) : TScrollingWinControl(AOwner) {
  FControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  SetBounds(0, 0, 320, 240);
}

void TCustomFrame::AfterConstruction() {
  inherited::AfterConstruction();
  ReadClassResource(this);
}

TDataModule::TDataModule(TComponent* AOwner) : TComponent(AOwner) {
  FCreatedNew = GCreateNew;
  GCreateNew = false;
  if (Screen) Screen->FDataModules.push_back(this);
}

TDataModule::~TDataModule() {
  if (Screen) {
    auto& list = Screen->FDataModules;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
  }
}

void TDataModule::AfterConstruction() {
  inherited::AfterConstruction();
  if (!FCreatedNew) ReadClassResource(this);
  RunLifeEvent(OnCreate, this, true);
}

void TDataModule::BeforeDestruction() {
  RunLifeEvent(OnDestroy, this, false);
  inherited::BeforeDestruction();
}

void TDataModule::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (Integer i = 0; i < GetComponentCount(); ++i) {
    TComponent* component = GetComponent(i);
    if (!component->HasParent()) Proc(component);
  }
}

void TDataModule::DeclareProperties(TClassDeclaration<TDataModule>& D) {
  D.Event(u"OnCreate", &TDataModule::OnCreate);
  D.Event(u"OnDestroy", &TDataModule::OnDestroy);
}

// ---- THintWindow ------------------------------------------------------------------------------

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  FVisible = false;
  FColor = clInfoBk;
  FControlStyle.Include(csOpaque);
  SetParentFont(false);
  SetParentColor(false);
  if (Screen) GetFont()->Assign(Screen->GetHintFont());
}

const TMessageTable& THintWindow::MessageTable() {
  static const TMessageTable table(
      &inherited::MessageTable(),
      {VCL_MESSAGE(WM_NCHITTEST, &THintWindow::WMNCHitTest), VCL_MESSAGE(WM_NCPAINT, &THintWindow::WMNCPaint),
       VCL_MESSAGE(WM_NCCALCSIZE, &THintWindow::WMNCCalcSize),
       VCL_MESSAGE(CM_TEXTCHANGED, &THintWindow::CMTextChanged)});
  return table;
}

void THintWindow::CreateParams(TCreateParams& Params) {
  inherited::CreateParams(Params);
  Params.Style = WS_POPUP | WS_BORDER;
  Params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  Params.WindowClass.style |= CS_SAVEBITS;
  if (auto* owner = dynamic_cast<TWinControl*>(GetOwner()); owner && owner->HandleAllocated())
    Params.WndParent = owner->GetHandle();
  else
    Params.WndParent = nullptr;
}

void THintWindow::WMNCHitTest(TMessage& Message) { Message.Result = HTTRANSPARENT; }

void THintWindow::CMTextChanged(TMessage& /*Message*/) { Invalidate(); }

void THintWindow::WMNCCalcSize(TMessage& Message) {
  InheritedMessage(inherited::MessageTable(), Message);
  if (!Message.LParam || !HandleAllocated() || !(GetWindowLong(FHandle, GWL_STYLE) & LONG(WS_BORDER))) return;
  TRect& r = reinterpret_cast<NCCALCSIZE_PARAMS*>(Message.LParam)->rgrc[0];
  if (r.Width() >= 2 && r.Height() >= 2) r.Inflate(-1, -1);
}

void THintWindow::WMNCPaint(TMessage& /*Message*/) {
  if (!HandleAllocated()) return;
  HDC dc = GetWindowDC(FHandle);
  if (!dc) return;
  try {
    NCPaint(dc);
  } catch (...) {
    ReleaseDC(FHandle, dc);
    throw;
  }
  ReleaseDC(FHandle, dc);
}

void THintWindow::NCPaint(HDC DC) {
  TRect r;
  GetWindowRect(FHandle, r);
  r.Offset(-r.Left, -r.Top);
  HBRUSH brush = CreateSolidBrush(ColorToRGB(clWindowFrame));
  FrameRect(DC, &r, brush);
  DeleteObject(brush);
}

void THintWindow::Paint() {
  TCanvas* canvas = GetCanvas();
  TRect r = GetClientRect();
  canvas->GetBrush()->SetColor(GetColor());
  canvas->FillRect(r);
  canvas->GetFont()->Assign(GetFont());
  TRect text = r;
  text.Inflate(-ScaleValue(2), -ScaleValue(2));
  HDC dc = canvas->GetHandle();
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(GetFont()->GetColor()));
  String caption = GetCaption();
  DrawText(dc, caption, &text, DT_LEFT | DT_NOPREFIX | DT_WORDBREAK);
}

TRect THintWindow::CalcHintRect(Integer MaxWidth, const String& AHint, void* /*AData*/) {
  TRect r(0, 0, std::max(MaxWidth, 1), 0);
  HDC dc = GetDC(nullptr);
  if (dc) {
    HGDIOBJ old = SelectObject(dc, ToGdiObject(GetFont()->GetHandle()));
    DrawText(dc, AHint, &r, DT_CALCRECT | DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
  }
  // Room for the text's margin (as Paint leaves it) and the one-pixel frame.
  r.Right += 2 * ScaleValue(2) + 2;
  r.Bottom += 2 * ScaleValue(2) + 2;
  return r;
}

void THintWindow::ActivateHint(TRect Rect, const String& AHint) { ActivateHintData(Rect, AHint, nullptr); }

void THintWindow::ActivateHintData(TRect Rect, const String& AHint, void* /*AData*/) {
  if (AHint == GetCaption() && FShowing && Rect == GetBoundsRect()) return;
  SetCaption(AHint);
  // Kept inside the monitor the hint starts on.
  if (Screen) {
    if (TMonitor* monitor = Screen->MonitorFromPoint(Rect.TopLeft())) {
      const TRect area = monitor->GetBoundsRect();
      const Integer width = Rect.Width();
      const Integer height = Rect.Height();
      Rect.Left = std::max(std::min(Rect.Left, area.Right - width), area.Left);
      if (Rect.Top + height > area.Bottom) Rect.Top = area.Bottom - height;
      Rect.Top = std::max(Rect.Top, area.Top);
      Rect.Right = Rect.Left + width;
      Rect.Bottom = Rect.Top + height;
    }
  }
  SetBoundsRect(Rect);
  HandleNeeded();
  SetVisible(true);
  SetWindowPos(GetHandle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  Invalidate();
  Update();
}

void THintWindow::ReleaseHandle() { SetVisible(false); }

// ---- TMonitor, TScreen ------------------------------------------------------------------------

TRect TMonitor::GetBoundsRect() const {
  MONITORINFO info;
  return GetMonitorInfo(FHandle, info) ? info.rcMonitor : TRect();
}

TRect TMonitor::GetWorkareaRect() const { return MonitorWorkArea(FHandle); }

bool TMonitor::GetPrimary() const {
  MONITORINFO info;
  return GetMonitorInfo(FHandle, info) && (info.dwFlags & MONITORINFOF_PRIMARY);
}

Integer TMonitor::GetPixelsPerInch() const { return static_cast<Integer>(GetDpiForMonitor(FHandle)); }

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {
  FHintFont = new TFont;
  FMenuFont = new TFont;
  FMenuFont->SetSize(9);
}

TScreen::~TScreen() {
  for (TMonitor* m : FMonitors) Free(m);
  for (auto& [index, handle] : FCursors)
    if (index > 0 && handle) DestroyCursor(handle);
  Free(FFonts);
  delete FHintFont;
  delete FMenuFont;
}

TCustomForm* TScreen::GetForms(Integer Index) const {
  if (Index < 0 || Index >= GetFormCount()) throw EListError(u"List index out of bounds (%d)", {Index});
  return FForms[static_cast<size_t>(Index)];
}

TDataModule* TScreen::GetDataModules(Integer Index) const {
  if (Index < 0 || Index >= GetDataModuleCount()) throw EListError(u"List index out of bounds (%d)", {Index});
  return FDataModules[static_cast<size_t>(Index)];
}

void TScreen::AddForm(TCustomForm* Form) {
  if (std::find(FForms.begin(), FForms.end(), Form) == FForms.end()) FForms.push_back(Form);
}

void TScreen::RemoveForm(TCustomForm* Form) {
  FForms.erase(std::remove(FForms.begin(), FForms.end(), Form), FForms.end());
  if (FFocusedForm == Form) FFocusedForm = nullptr;
  if (FActiveForm == Form) SetActiveForm(nullptr);
  if (FActiveControl && GetParentForm(FActiveControl, true) == Form) SetActiveControl(nullptr);
}

void TScreen::BringFormToFront(TCustomForm* Form) {
  auto it = std::find(FForms.begin(), FForms.end(), Form);
  if (it == FForms.end() || it == FForms.begin()) return;
  FForms.erase(it);
  FForms.insert(FForms.begin(), Form);
}

void TScreen::SetActiveForm(TCustomForm* Form) {
  if (FActiveForm == Form) return;
  FActiveForm = Form;
  if (OnActiveFormChange) OnActiveFormChange(this);
}

void TScreen::SetActiveControl(TWinControl* Control) {
  if (FActiveControl == Control) return;
  FActiveControl = Control;
  if (OnActiveControlChange) OnActiveControlChange(this);
}

void TScreen::SetFocusedForm(TCustomForm* Form) { FFocusedForm = Form; }

void TScreen::ControlDestroying(TControl* Control) {
  if (Control == FActiveControl) SetActiveControl(nullptr);
  for (TCustomForm* form : FForms)
    if (form->FActiveControl == Control) form->FActiveControl = nullptr;
}

void TScreen::SetCursor(TCursor Value) {
  if (FCursor == Value) return;
  FCursor = Value;
  TPoint p;
  GetCursorPos(p);
  if (Value == crDefault) {
    // Let the window under the cursor choose again.
    if (HWND window = WindowFromPoint(p))
      SendMessage(window, WM_SETCURSOR, reinterpret_cast<WPARAM>(window), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  } else {
    ::SetCursor(GetCursors(Value));
  }
}

HCURSOR TScreen::GetCursors(TCursor Index) const {
  for (const auto& [index, handle] : FCursors)
    if (index == Index) return handle;
  if (Index == crNone) return nullptr;  // no cursor shown
  if (HCURSOR standard = StandardCursorHandle(Index)) return standard;
  return StandardCursorHandle(crDefault);
}

void TScreen::SetCursors(TCursor Index, HCURSOR Handle) {
  auto it = std::find_if(FCursors.begin(), FCursors.end(), [&](const auto& e) { return e.first == Index; });
  if (it != FCursors.end()) {
    if (it->second == Handle) return;
    if (Index > 0 && it->second) DestroyCursor(it->second);
    FCursors.erase(it);
  }
  if (Handle) FCursors.emplace_back(Index, Handle);
}

void TScreen::UpdateMonitors() {
  std::vector<HMONITOR> handles;
  EnumDisplayMonitors([&](HMONITOR m, const TRect&) {
    handles.push_back(m);
    return 1;
  });
  bool same = handles.size() == FMonitors.size();
  for (size_t i = 0; same && i < handles.size(); ++i) same = FMonitors[i]->GetHandle() == handles[i];
  if (same) return;
  for (TMonitor* m : FMonitors) Free(m);
  FMonitors.clear();
  for (size_t i = 0; i < handles.size(); ++i) FMonitors.push_back(new TMonitor(handles[i], static_cast<Integer>(i)));
}

Integer TScreen::GetMonitorCount() {
  UpdateMonitors();
  return static_cast<Integer>(FMonitors.size());
}

TMonitor* TScreen::GetMonitors(Integer Index) {
  UpdateMonitors();
  if (Index < 0 || Index >= static_cast<Integer>(FMonitors.size()))
    throw EListError(u"List index out of bounds (%d)", {Index});
  return FMonitors[static_cast<size_t>(Index)];
}

TMonitor* TScreen::GetPrimaryMonitor() {
  UpdateMonitors();
  for (TMonitor* m : FMonitors)
    if (m->GetPrimary()) return m;
  return FMonitors.empty() ? nullptr : FMonitors.front();
}

namespace {
DWORD MonitorFlags(TMonitorDefaultTo Default) {
  switch (Default) {
    case mdNull:
      return MONITOR_DEFAULTTONULL;
    case mdPrimary:
      return MONITOR_DEFAULTTOPRIMARY;
    case mdNearest:
      break;
  }
  return MONITOR_DEFAULTTONEAREST;
}
}  // namespace

TMonitor* TScreen::MonitorFromPoint(TPoint Point, TMonitorDefaultTo Default) {
  const HMONITOR handle = ::MonitorFromPoint(Point, MonitorFlags(Default));
  UpdateMonitors();
  for (TMonitor* m : FMonitors)
    if (m->GetHandle() == handle) return m;
  return nullptr;
}

TMonitor* TScreen::MonitorFromRect(const TRect& Rect, TMonitorDefaultTo Default) {
  const HMONITOR handle = ::MonitorFromRect(Rect, MonitorFlags(Default));
  UpdateMonitors();
  for (TMonitor* m : FMonitors)
    if (m->GetHandle() == handle) return m;
  return nullptr;
}

TMonitor* TScreen::MonitorFromWindow(HWND Window, TMonitorDefaultTo Default) {
  const HMONITOR handle = ::MonitorFromWindow(Window, MonitorFlags(Default));
  UpdateMonitors();
  for (TMonitor* m : FMonitors)
    if (m->GetHandle() == handle) return m;
  return nullptr;
}

Integer TScreen::GetWidth() { return GetSystemMetrics(SM_CXSCREEN); }
Integer TScreen::GetHeight() { return GetSystemMetrics(SM_CYSCREEN); }

TRect TScreen::GetWorkAreaRect() {
  TMonitor* primary = GetPrimaryMonitor();
  return primary ? primary->GetWorkareaRect() : TRect(0, 0, GetWidth(), GetHeight());
}

TRect TScreen::GetDesktopRect() {
  return TRect(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
               GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
               GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN));
}

Integer TScreen::GetPixelsPerInch() const { return static_cast<Integer>(GetDpiForSystem()); }

void TScreen::SetHintFont(TFont* Value) { FHintFont->Assign(Value); }
void TScreen::SetMenuFont(TFont* Value) { FMenuFont->Assign(Value); }

TStrings* TScreen::GetFonts() {
  if (!FFonts) {
    FFonts = new TStringList;
    for (const String& family : GetFontFamilies()) FFonts->Add(family);
  }
  return FFonts;
}

void TScreen::ResetFonts() { FreeAndNil(FFonts); }

// ---- TApplication -----------------------------------------------------------------------------

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() {
  if (FHandle) {
    HWND handle = FHandle;
    FHandle = nullptr;
    if (IsWindow(handle)) DestroyWindow(handle);
  }
  if (FIcon) {
    TIcon* icon = FIcon;
    FIcon = nullptr;
    delete icon;
    if (Screen)  // forms outliving the application stop showing its icon
      for (Integer i = 0; i < Screen->GetFormCount(); ++i) Screen->GetForms(i)->UpdateIcon();
  }
}

TIcon* TApplication::GetIcon() {
  if (!FIcon) {
    FIcon = new TIcon;
    FIcon->OnChange = TNotifyEvent(this, &TApplication::IconChanged);
  }
  return FIcon;
}

void TApplication::SetIcon(TIcon* Value) { GetIcon()->Assign(Value); }

void TApplication::IconChanged(TObject*) {
  if (Screen)
    for (Integer i = 0; i < Screen->GetFormCount(); ++i) Screen->GetForms(i)->UpdateIcon();
}

void TApplication::BeforeDestruction() {
  CancelHint();
  if (FHandle && IsWindow(FHandle)) {
    KillTimer(FHandle, HintTimerId);
    KillTimer(FHandle, IdleTimerId);
  }
  FreeAndNil(FHintWindow);
  inherited::BeforeDestruction();
}

void TApplication::Initialize() {}

TComponent* TApplication::CreateForm(TClass InstanceClass) {
  TComponent* instance = InstanceClass->Create<TComponent>(this);
  if (auto* form = dynamic_cast<TCustomForm*>(instance); form && !FMainForm) FMainForm = form;
  return instance;
}

HWND TApplication::GetHandle() {
  if (FHandle && IsWindow(FHandle)) return FHandle;
  WNDCLASS existing;
  if (!GetClassInfo(nullptr, AppWindowClass, existing)) {
    WNDCLASS cls;
    cls.lpfnWndProc = &TApplication::AppWndProc;
    cls.lpszClassName = AppWindowClass;
    RegisterClass(cls);
  }
  FHandle = CreateWindowEx(0, AppWindowClass, FTitle, WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE);
  return FHandle;
}

LRESULT TApplication::AppWndProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Application && Application->FHandle == Window && Msg == WM_TIMER) {
    try {
      Application->WndProc(Msg, WParam, LParam);
    } catch (...) {
      Application->HandleException(Application);
    }
    return 0;
  }
  return DefWindowProc(Window, Msg, WParam, LParam);
}

void TApplication::SetActive(bool Value) {
  if (!Value) CancelHint();
  if (FActive == Value) return;
  FActive = Value;
  if (Value) {
    if (OnActivate) OnActivate(this);
  } else if (OnDeactivate) {
    OnDeactivate(this);
  }
}

void TApplication::WndProc(UINT /*Msg*/, WPARAM WParam, LPARAM /*LParam*/) {
  if (WParam == HintTimerId) {
    StopHintTimer();
    if (FHintTimerShows) {
      TPoint p;
      GetCursorPos(p);
      ActivateHint(p);
    } else {
      HideHint();
    }
  } else if (WParam == IdleTimerId) {
    KillTimer(FHandle, IdleTimerId);
    FIdleTimerRunning = false;
    DoActionIdle();
  }
}

void TApplication::Run() {
  if (FMainForm && FShowMainForm) FMainForm->SetVisible(true);
  while (!FTerminated) {
    try {
      HandleMessage();
    } catch (...) {
      HandleException(this);
    }
  }
}

void TApplication::Terminate() { PostQuitMessage(0); }

bool TApplication::ProcessMessage(MSG& Msg) {
  if (!PeekMessage(Msg, nullptr, 0, 0, PM_REMOVE)) return false;
  if (Msg.message == WM_QUIT) {
    FTerminated = true;
    return true;
  }
  bool handled = false;
  if (OnMessage) OnMessage(Msg, handled);
  if (!handled && !IsHintMsg(Msg)) {
    TranslateMessage(Msg);
    DispatchMessage(Msg);
  }
  return true;
}

void TApplication::ProcessMessages() {
  MSG msg;
  while (ProcessMessage(msg)) {
  }
}

void TApplication::HandleMessage() {
  MSG msg;
  if (!ProcessMessage(msg)) Idle(msg);
}

void TApplication::DoMouseIdle() {
  TPoint p;
  GetCursorPos(p);
  TControl* control = FindDragTarget(p, true);
  if (TControl* capture = GetCaptureControl()) control = capture;
  SetHint(GetLongHint(GetHintText(control)));
}

void TApplication::Idle(const MSG& /*Msg*/) {
  DoMouseIdle();
  bool done = true;
  try {
    if (OnIdle) OnIdle(this, done);
    if (done) {
      if (FActionUpdateDelay <= 0)
        DoActionIdle();
      else if (!FIdleTimerRunning && SetTimer(GetHandle(), IdleTimerId, UINT(FActionUpdateDelay), nullptr))
        FIdleTimerRunning = true;
    }
  } catch (...) {
    HandleException(this);
  }
  // Under a manual clock (tests) nothing arrives while the loop waits: return instead.
  if (done && !GetClock().IsManual()) WaitMessage();
}

void TApplication::DoActionIdle() {
  if (!Screen) return;
  for (TCustomForm* form : std::vector<TCustomForm*>(Screen->FForms)) {
    if (std::find(Screen->FForms.begin(), Screen->FForms.end(), form) == Screen->FForms.end()) continue;
    if (form->HandleAllocated() && IsWindowVisible(form->FHandle) && IsWindowEnabled(form->FHandle))
      form->Perform(CM_ACTIONUPDATE);
  }
}

void TApplication::HandleException(TObject* Sender) {
  if (HWND capture = GetCapture()) SendMessage(capture, WM_CANCELMODE, 0, 0);
  std::exception_ptr current = std::current_exception();
  if (!current) return;
  try {
    std::rethrow_exception(current);
  } catch (EAbort&) {
  } catch (Exception& e) {
    if (OnException)
      OnException(Sender, &e);
    else
      ShowException(&e);
  } catch (std::exception& e) {
    Exception wrapped(UTF8ToString(e.what()));
    if (OnException)
      OnException(Sender, &wrapped);
    else
      ShowException(&wrapped);
  } catch (...) {
    Exception unknown(u"Unknown exception");
    if (OnException)
      OnException(Sender, &unknown);
    else
      ShowException(&unknown);
  }
}

void TApplication::ShowException(Exception* E) {
  if (!E) return;
  String text = E->GetMessage();
  if (!text.empty() && text.back() > u'.') text += u'.';
  std::fprintf(stderr, "%s: %s\n", StringToUTF8(FTitle.empty() ? String(u"Error") : FTitle).c_str(),
               StringToUTF8(text).c_str());
}

Integer TApplication::MessageBox(const String& Text, const String& Caption, Cardinal Flags) {
  const String caption = Caption.empty() ? FTitle : Caption;
  Integer result = 0;
  if (OnMessageBox) {
    OnMessageBox(Text, caption, Flags, result);
    return result;
  }
  std::fprintf(stderr, "%s: %s\n", StringToUTF8(caption).c_str(), StringToUTF8(Text).c_str());
  return result;
}

void TApplication::ModalStarted() {
  ++FModalLevel;
  if (OnModalBegin) OnModalBegin(this);
}

void TApplication::ModalFinished() {
  if (FModalLevel > 0) --FModalLevel;
  if (OnModalEnd) OnModalEnd(this);
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FMainForm) FMainForm = nullptr;
  if (AComponent == FHintWindow) FHintWindow = nullptr;
}

// Hints.

void TApplication::SetHint(const String& Value) {
  if (FHint == Value) return;
  FHint = Value;
  if (OnHint) OnHint(this);
}

void TApplication::SetShowHint(bool Value) {
  if (FShowHint == Value) return;
  FShowHint = Value;
  if (!Value) {
    CancelHint();
    FreeAndNil(FHintWindow);
  }
}

void TApplication::StartHintTimer(Integer Value, bool Show) {
  StopHintTimer();
  FHintTimerShows = Show;
  if (SetTimer(GetHandle(), HintTimerId, UINT(std::max(Value, 1)), nullptr)) FHintTimerRunning = true;
}

void TApplication::StopHintTimer() {
  if (!FHintTimerRunning) return;
  FHintTimerRunning = false;
  if (FHandle) KillTimer(FHandle, HintTimerId);
}

void TApplication::HintMouseMessage(TControl* Control, TMessage& Message) {
  if (!Control) return;
  const TPoint screenPoint =
      Control->ClientToScreen(TPoint(GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)));
  TControl* newHintControl = GetHintControl(FindDragTarget(screenPoint, true));
  if (!newHintControl || !FShowHint || FHintHidePause <= 0) {
    CancelHint();
    return;
  }
  const TPoint clientPoint = newHintControl->ScreenToClient(screenPoint);
  if (newHintControl == FHintControl && FHintCursorRect.Contains(clientPoint)) return;
  const bool wasActive = FHintActive;
  Integer pause = wasActive ? FHintShortPause : FHintPause;
  newHintControl->Perform(CM_HINTSHOWPAUSE, wasActive ? 1 : 0, reinterpret_cast<LPARAM>(&pause));
  FHintControl = newHintControl;
  FHintCursorRect = newHintControl->GetClientRect();
  if (!wasActive && FHintWindow) FHintWindow->ReleaseHandle();
  if (pause >= 0) StartHintTimer(pause, true);
}

void TApplication::ActivateHint(TPoint CursorPos) {
  FHintActive = false;
  if (!FShowHint || !FHintControl) return;
  THintInfo info;
  info.HintControl = FHintControl;
  info.HintWindowClass = HintWindowClass ? HintWindowClass : THintWindow::StaticClass();
  info.HintPos = CursorPos + TPoint(0, GetSystemMetrics(SM_CYCURSOR) * 2 / 3);
  info.HintMaxWidth = Screen ? Screen->GetWidth() : 1920;
  info.HintColor = FHintColor;
  info.CursorRect = FHintControl->GetClientRect();
  info.CursorPos = FHintControl->ScreenToClient(CursorPos);
  info.HideTimeout = FHintHidePause;
  info.HintStr = GetShortHint(GetHintText(FHintControl));
  bool canShow = FHintControl->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) == 0;
  if (canShow && OnShowHint) OnShowHint(info.HintStr, canShow, info);
  FHintCursorRect = info.CursorRect;
  if (!canShow || info.HintStr.empty()) {
    HideHint();
    return;
  }
  FHintActive = true;
  if (FHintWindow && FHintWindow->ClassType() != info.HintWindowClass) FreeAndNil(FHintWindow);
  if (!FHintWindow) {
    TClass cls = info.HintWindowClass;
    if (!cls->InheritsFrom(THintWindow::StaticClass())) cls = THintWindow::StaticClass();
    FHintWindow = cls->Create<THintWindow>(this);
  }
  FHintWindow->SetColor(info.HintColor);
  TRect r = FHintWindow->CalcHintRect(info.HintMaxWidth, info.HintStr, info.HintData);
  r.Offset(info.HintPos.X, info.HintPos.Y);
  FHintWindow->ActivateHintData(r, info.HintStr, info.HintData);
  if (info.ReshowTimeout > 0)
    StartHintTimer(info.ReshowTimeout, true);
  else
    StartHintTimer(info.HideTimeout > 0 ? info.HideTimeout : FHintHidePause, false);
}

void TApplication::HideHint() {
  StopHintTimer();
  if (FHintWindow) FHintWindow->ReleaseHandle();
}

void TApplication::CancelHint() {
  if (FHintControl) {
    HideHint();
    FHintControl = nullptr;
    FHintActive = false;
  }
  StopHintTimer();
}

bool TApplication::IsHintMsg(MSG& Msg) {
  if (!FHintWindow || !FHintWindow->GetShowing()) return false;
  switch (Msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_ACTIVATE:
    case WM_MOUSEWHEEL:
      CancelHint();
      break;
    default:
      break;
  }
  return false;
}

void TApplication::ControlDestroying(TControl* Control) {
  if (Control == FHintControl) CancelHint();
}

// ---- unit -------------------------------------------------------------------------------------

namespace detail {

void FormsInit() {
  RegisterProperties<TCustomForm>();
  RegisterProperties<TForm>();
  RegisterProperties<TDataModule>();
  RegisterClasses({TForm::StaticClass(), TFrame::StaticClass(), TDataModule::StaticClass()});
  HintWindowClass = THintWindow::StaticClass();
  Screen = Create<TScreen>(nullptr);
  Application = Create<TApplication>(nullptr);
  // References into other modules ("dmData.ilSmall") resolve through the screen's roots.
  SetFindGlobalComponent([](StringView Name) -> TComponent* {
    if (!Screen) return nullptr;
    for (Integer i = 0; i < Screen->GetDataModuleCount(); ++i)
      if (SameText(Screen->GetDataModules(i)->GetName(), Name)) return Screen->GetDataModules(i);
    for (Integer i = 0; i < Screen->GetFormCount(); ++i)
      if (SameText(Screen->GetForms(i)->GetName(), Name)) return Screen->GetForms(i);
    return nullptr;
  });
  TControlHooks& hooks = ControlHooks();
  hooks.CursorHandle = [](TCursor Cursor) -> HCURSOR {
    return Screen ? Screen->GetCursors(Cursor) : StandardCursorHandle(Cursor);
  };
  hooks.ScreenCursor = []() -> TCursor { return Screen ? Screen->GetCursor() : crDefault; };
  hooks.ControlDestroying = [](TControl* Control) {
    if (Application) Application->ControlDestroying(Control);
    if (Screen) Screen->ControlDestroying(Control);
  };
  hooks.HintMouseMessage = [](TControl* Control, TMessage& Message) {
    if (Application) Application->HintMouseMessage(Control, Message);
  };
  hooks.HandleException = [](TObject* Sender) {
    if (Application) Application->HandleException(Sender);
  };
}

void FormsFin() {
  SetFindGlobalComponent(nullptr);
  TControlHooks& hooks = ControlHooks();
  hooks.CursorHandle = nullptr;
  hooks.ScreenCursor = nullptr;
  hooks.HintMouseMessage = nullptr;
  hooks.HandleException = nullptr;
  // Forms the application owns go with it; the screen outlives them.
  TApplication* app = Application;
  Application = nullptr;
  Free(app);
  hooks.ControlDestroying = nullptr;
  TScreen* screen = Screen;
  Screen = nullptr;
  Free(screen);
  HintWindowClass = nullptr;
}

}  // namespace detail
