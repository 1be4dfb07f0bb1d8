#include "zcl/ui/controls/ZCL.UI.TrayIcon.h"

#include <array>
#include <cstring>

#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "os/OS.Timers.h"
#include "os/OS.Tray.h"
#include "os/OS.Windows.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Imaging.h"
#include "vcl/VCL.Menus.h"
#include "zcl/base/ZCL.Hashes.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

namespace {

UINT GTaskbarCreated = 0;

TZCLTrayIconImpl* CreateShellImpl(TZCLTrayIcon* Owner) { return new TWinTrayIconImpl(Owner); }

// Moves within this time after adding the icon come from the icon appearing under the cursor.
constexpr UInt64 HoverGraceMs = 2000;

}  // namespace

TZCLTrayIconImplFactory ZCLTrayIconImplClass = &CreateShellImpl;

// ---- shell implementation -------------------------------------------------------------------------

struct TWinTrayIconImpl::TData {
  NOTIFYICONDATA Record;
};

TWinTrayIconImpl::TWinTrayIconImpl(TZCLTrayIcon* AOwner) : TZCLTrayIconImpl(AOwner) {
  // Not message-only: the shell's restart notice is broadcast to top-level windows.
  FWindow = AllocateMessageWindow(TZCLWndMethod(this, &TWinTrayIconImpl::WndProc), u"TZCLTrayIcon", false);
}

TWinTrayIconImpl::~TWinTrayIconImpl() { DestroyMessageWindow(FWindow); }

void TWinTrayIconImpl::Fill(TData& Data) {
  NOTIFYICONDATA& d = Data.Record;
  d = NOTIFYICONDATA();
  d.hWnd = FWindow;
  d.hIcon = FOwner->GetIcon()->GetHandle();
  d.uCallbackMessage = CallbackMessage;
  d.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  const String& id = FOwner->GetID();
  if (!id.empty()) {
    // The same ID is the same icon across runs: its identity is the MD5 digest of its UTF-8 text.
    const std::string utf8 = StringToUTF8(id);
    TZCLHashState state;
    TZCLHashMD5::Initialize(state);
    TZCLHashMD5::Update(state, utf8.data(), Integer(utf8.size()));
    std::array<Byte, 16> digest;
    TZCLHashMD5::Finalize(state, digest);
    d.guidItem.D1 =
        Cardinal(digest[0]) | Cardinal(digest[1]) << 8 | Cardinal(digest[2]) << 16 | Cardinal(digest[3]) << 24;
    d.guidItem.D2 = Word(digest[4] | digest[5] << 8);
    d.guidItem.D3 = Word(digest[6] | digest[7] << 8);
    std::memcpy(d.guidItem.D4, digest.data() + 8, 8);
    d.uFlags |= NIF_GUID;
  }
  d.szTip = FOwner->GetHint().substr(0, MaxTrayTip);
}

void TWinTrayIconImpl::Update(Integer Action) {
  TData data;
  Fill(data);
  if (Action == TrayIconAdd) FOwner->FAddedTick = GetTickCount64();
  Shell_NotifyIcon(DWORD(Action), &data.Record);
}

void TWinTrayIconImpl::ShowBalloon(const String& Title, const String& Text, TZCLTrayIconBalloonKind Kind) {
  TData data;
  Fill(data);
  data.Record.uFlags |= NIF_INFO;
  data.Record.szInfo = Text.substr(0, MaxBalloonText);
  data.Record.szInfoTitle = Title.substr(0, MaxBalloonTitle);
  static constexpr DWORD Flags[] = {NIIF_NONE, NIIF_INFO, NIIF_WARNING, NIIF_ERROR};
  data.Record.dwInfoFlags = Flags[Kind];
  Shell_NotifyIcon(NIM_MODIFY, &data.Record);
}

void TWinTrayIconImpl::WndProc(TMessage& Message) {
  try {
    if (GTaskbarCreated && Message.Msg == GTaskbarCreated)
      FOwner->ShellRestarted();
    else if (Message.Msg == CallbackMessage)
      FOwner->ProcessMouseMessage(UINT(Message.LParam & 0xFFFF));
  } catch (...) {
    if (Application) Application->HandleException(FOwner);
  }
  zcWndDefaultProc(FWindow, Message);
}

// ---- component ------------------------------------------------------------------------------------

TZCLTrayIcon::TZCLTrayIcon(TComponent* AOwner) : TZCLComponent(AOwner) {
  FIcon = new TIcon();
  FIcon->OnChange = TNotifyEvent(this, &TZCLTrayIcon::IconChanged);
  FClickTimer = new TZCLTimer(TNotifyEvent(this, &TZCLTrayIcon::ClickTimerHandler), GetDoubleClickTime(), false);
  if (!(AOwner && AOwner->GetComponentState().Contains(csDesigning))) FImpl = ZCLTrayIconImplClass(this);
}

void TZCLTrayIcon::BeforeDestruction() {
  SetEnabled(false);
  FClickTimer->SetEnabled(false);
  TZCLMouseTracker::Forget(this);
  delete FImpl;
  FImpl = nullptr;
  inherited::BeforeDestruction();
}

TZCLTrayIcon::~TZCLTrayIcon() {
  delete FImpl;
  Free(FClickTimer);
  delete FIcon;
}

void TZCLTrayIcon::DeclareProperties(TClassDeclaration<TZCLTrayIcon>& D) {
  D.Property(u"Enabled", &TZCLTrayIcon::GetEnabled, &TZCLTrayIcon::SetEnabled).Default(false);
  D.Property(u"Hint", &TZCLTrayIcon::GetHint, &TZCLTrayIcon::SetHint);
  D.Property(u"Icon", &TZCLTrayIcon::GetIcon, &TZCLTrayIcon::SetIcon);
  D.Property(u"IconVisible", &TZCLTrayIcon::GetIconVisible, &TZCLTrayIcon::SetIconVisible).Default(false);
  D.Property(u"ID", &TZCLTrayIcon::GetID, &TZCLTrayIcon::SetID);
  D.Property(u"PopupMenu", &TZCLTrayIcon::GetPopupMenu, &TZCLTrayIcon::SetPopupMenu);
  D.Event(u"OnBallonHintClick", &TZCLTrayIcon::OnBallonHintClick);
  D.Event(u"OnClick", &TZCLTrayIcon::OnClick);
  D.Event(u"OnDblClick", &TZCLTrayIcon::OnDblClick);
  D.Event(u"OnMidClick", &TZCLTrayIcon::OnMidClick);
  D.Event(u"OnMouseEnter", &TZCLTrayIcon::OnMouseEnter);
  D.Event(u"OnMouseExit", &TZCLTrayIcon::OnMouseExit);
}

void TZCLTrayIcon::UpdateVisibility() {
  const bool shown = FEnabled && FIconVisible;
  if (shown == FShown) return;
  FShown = shown;
  if (FImpl) FImpl->Update(shown ? TrayIconAdd : TrayIconDelete);
}

void TZCLTrayIcon::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  UpdateVisibility();
}

void TZCLTrayIcon::SetIconVisible(bool Value) {
  if (Value == FIconVisible) return;
  FIconVisible = Value;
  UpdateVisibility();
}

void TZCLTrayIcon::SetHint(const String& Value) {
  if (Value == FHint) return;
  FHint = Value;
  if (FShown && FImpl) FImpl->Update(TrayIconModify);
}

void TZCLTrayIcon::SetID(const String& Value) {
  if (Value == FID) return;
  FID = Value;
  if (FShown && FImpl) FImpl->Update(TrayIconModify);
}

void TZCLTrayIcon::SetIcon(TIcon* Value) { FIcon->Assign(Value); }

void TZCLTrayIcon::IconChanged(TObject*) {
  if (FShown && FImpl) FImpl->Update(TrayIconModify);
}

void TZCLTrayIcon::SetPopupMenu(TPopupMenu* Value) {
  if (Value == FPopupMenu) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = Value;
  if (FPopupMenu) FPopupMenu->FreeNotification(this);
}

void TZCLTrayIcon::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TZCLTrayIcon::BalloonHint(const String& Title, const String& Text, TZCLTrayIconBalloonKind Kind) {
  if (FShown && FImpl) FImpl->ShowBalloon(Title, Text, Kind);
}

void TZCLTrayIcon::ShellRestarted() {
  if (FShown && FImpl) FImpl->Update(TrayIconAdd);
}

void TZCLTrayIcon::Click() {
  if (OnClick) OnClick(this);
}

void TZCLTrayIcon::DblClick() {
  if (FAllowDoubleClick && OnDblClick) OnDblClick(this);
}

void TZCLTrayIcon::MidClick() {
  if (OnMidClick) OnMidClick(this);
}

void TZCLTrayIcon::ProcessMouseMessage(UINT Message) {
  switch (Message) {
    case WM_MOUSEMOVE:
      if (FAddedTick == 0 || GetTickCount64() - FAddedTick >= HoverGraceMs) {
        GetCursorPos(FLastMousePos);
        TZCLMouseTracker::Instance()->Add(this);
      } else {
        FAddedTick = 0;
      }
      break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      FPressedButtons |= LeftButton;
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      FPressedButtons |= RightButton;
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      FPressedButtons |= MiddleButton;
      break;
    case WM_LBUTTONUP:
      ButtonUp(LeftButton);
      break;
    case WM_RBUTTONUP:
      ButtonUp(RightButton);
      break;
    case WM_MBUTTONUP:
      ButtonUp(MiddleButton);
      break;
    case NIN_BALLOONUSERCLICK:
      if (OnBallonHintClick) OnBallonHintClick(this);
      break;
  }
}

void TZCLTrayIcon::ButtonUp(Byte Button) {
  // A release whose press was not seen (the icon appeared under a held button) is no click.
  if (!(FPressedButtons & Button)) return;
  FPressedButtons &= Byte(~Button);
  if (Button == RightButton) {
    TPoint p;
    if (FPopupMenu && GetCursorPos(p)) {
      if (Application) SetForegroundWindow(Application->GetHandle());
      FPopupMenu->SetAutoPopup(false);
      FPopupMenu->SetPopupComponent(this);
      FPopupMenu->Popup(p.X, p.Y);
    }
  } else if (Button == MiddleButton) {
    MidClick();
  } else if (OnDblClick && FAllowDoubleClick) {
    // A single click waits for the double-click time, so a double click never counts as one.
    if (!FClickTimer->GetEnabled()) {
      FClickTimer->SetTag(0);
      FClickTimer->SetEnabled(true);
    }
    FClickTimer->SetTag(FClickTimer->GetTag() + 1);
    if (FClickTimer->GetTag() > 1) ClickTimerHandler(FClickTimer);
  } else {
    Click();
  }
}

void TZCLTrayIcon::ClickTimerHandler(TObject*) {
  FClickTimer->SetEnabled(false);
  const NativeInt count = FClickTimer->GetTag();
  FClickTimer->SetTag(0);
  if (count == 1)
    Click();
  else if (count >= 2)
    DblClick();
}

bool TZCLTrayIcon::IsMouseAtControl() {
  TPoint p;
  return GetCursorPos(p) && p == FLastMousePos;
}

void TZCLTrayIcon::MouseEnter() {
  if (OnMouseEnter) OnMouseEnter(this);
}

void TZCLTrayIcon::MouseLeave() {
  if (OnMouseExit) OnMouseExit(this);
}

Integer TZCLTrayIcon::GetCurrentDpi() { return GetSystemDPI(); }

void RegisterTrayIconClasses() {
  GTaskbarCreated = RegisterWindowMessage(u"TaskbarCreated");
  RegisterProperties<TZCLTrayIcon>();
  RegisterClasses({TZCLTrayIcon::StaticClass()});
}
