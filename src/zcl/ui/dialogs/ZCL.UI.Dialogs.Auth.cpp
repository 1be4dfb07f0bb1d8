#include "zcl/ui/dialogs/ZCL.UI.Dialogs.Auth.h"

#include "os/OS.Gdi.h"
#include "os/OS.Text.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"

const String ZCLAuthDialogCaption = u"Authorization Master";
const String ZCLAuthDialogMessage =
    u"Waiting for authorization...\r\nPlease complete authorization request in your browser.\r\n\r\n"
    u"To cancel the operation just close the window.";
const String ZCLAuthLoopbackAddress = u"http://127.0.0.1:8090/";
String ZCLAuthRedirectURL;

Word PortOfAddress(const String& Address) {
  size_t host = Address.find(u"//");
  host = host == String::npos ? 0 : host + 2;
  const size_t end = Address.find(u'/', host);
  const String authority = Address.substr(host, end == String::npos ? String::npos : end - host);
  const size_t colon = authority.rfind(u':');
  if (colon == String::npos) return 80;
  Integer port = 0;
  for (size_t i = colon + 1; i < authority.size(); ++i) {
    if (authority[i] < u'0' || authority[i] > u'9') return 80;
    port = port * 10 + (authority[i] - u'0');
    if (port > 65535) return 80;
  }
  return Word(port);
}

TZCLAuthDialog::TZCLAuthDialog(TComponent* AOwner) : TZCLForm(AOwner) {}

void TZCLAuthDialog::Initialize() {
  SetBorderStyle(bsDialog);
  SetPosition(poMainFormCenter);
  SetClientWidth(ScaleByDPI(512, GetCurrentPPI()));
  SetClientHeight(ScaleByDPI(160, GetCurrentPPI()));
  FURLEdit = Create<TZCLEdit>(this);
  FURLEdit->SetAlign(alBottom);
  FURLEdit->SetAlignWithMargins(true);
  FURLEdit->GetMargins()->SetAll(12);
  FURLEdit->SetReadOnly(true);
  FURLEdit->SetVisible(false);
  FURLEdit->SetParent(this);
  FServer = new TAuthServer(PortOfAddress(ZCLAuthLoopbackAddress),
                            TAuthRequestHandler(this, &TZCLAuthDialog::HandleRequest), ZCLAuthRedirectURL);
}

void TZCLAuthDialog::BeforeDestruction() {
  // The listener stops first, so that it cannot queue anything after the queue was cleared.
  Free(FServer);
  FServer = nullptr;
  TZCLMainThread::RemoveQueuedFor(this);
  inherited::BeforeDestruction();
}

bool TZCLAuthDialog::Execute(HWND OwnerWindow, TZCLAuthRequestHandler Handler, TZCLAuthGetURL GetURL,
                             const String& Caption, const String& Message) {
  TZCLAuthDialog* dialog = CreateDialog<TZCLAuthDialog>(OwnerWindow);
  bool result = false;
  try {
    dialog->FHandler = std::move(Handler);
    dialog->FGetURL = std::move(GetURL);
    dialog->Initialize();
    dialog->SetCaption(Caption.empty() ? ZCLAuthDialogCaption : ZCLAuthDialogCaption + u" - " + Caption);
    dialog->FMessage = Message.empty() ? ZCLAuthDialogMessage : Message;
    result = dialog->ShowModal() == mrOk;
  } catch (...) {
    Free(dialog);
    throw;
  }
  Free(dialog);
  return result;
}

void TZCLAuthDialog::DoShow() {
  inherited::DoShow();
  TZCLMainThread::Queue(TThreadMethod(this, &TZCLAuthDialog::OpenURL), this);
}

void TZCLAuthDialog::OpenURL() {
  Update();
  const String url = FGetURL ? FGetURL() : String();
  FURLEdit->SetText(url);
  ShellOpenURL(url);
}

void TZCLAuthDialog::HandleRequest(const String& Request) {
  if (FAccepted.load(std::memory_order_acquire)) return;
  if (FHandler) FHandler(Request);
  // The modal result belongs to the UI thread: it is set there, which also wakes the loop.
  if (!FAccepted.exchange(true, std::memory_order_acq_rel))
    TZCLMainThread::Queue(TThreadMethod(this, &TZCLAuthDialog::Accepted), this);
}

void TZCLAuthDialog::Accepted() { SetModalResult(mrOk); }

void TZCLAuthDialog::DblClick() {
  inherited::DblClick();
  FURLEdit->SetVisible(true);
}

void TZCLAuthDialog::PaintWindow(HDC DC) {
  inherited::PaintWindow(DC);
  const HFONT oldFont = SelectObject(DC, GetFont()->GetHandle());
  SetTextColor(DC, ColorToRGB(GetStyle()->GetColorText()->GetAsColor()));
  const int oldMode = SetBkMode(DC, TRANSPARENT);
  TRect area = GetClientRect();
  const Integer margin = ScaleByDPI(12, GetCurrentPPI());
  area.Inflate(-margin, -margin);
  if (FURLEdit && FURLEdit->GetVisible()) area.Bottom = FURLEdit->GetTop() - margin;
  // Word-wrapped text centred vertically: measured first, then drawn at its place.
  TRect measured = area;
  DrawText(DC, FMessage, &measured, DT_LEFT | DT_WORDBREAK | DT_CALCRECT);
  TRect r = area;
  r.Top = area.Top + (area.Height() - measured.Height()) / 2;
  DrawText(DC, FMessage, &r, DT_LEFT | DT_WORDBREAK);
  SetBkMode(DC, oldMode);
  SelectObject(DC, oldFont);
}
