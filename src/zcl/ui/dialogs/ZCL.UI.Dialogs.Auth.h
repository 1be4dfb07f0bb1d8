#pragma once
// The wait dialog of a sign-in through the user's browser: it opens the service's address in the
// browser, shows a waiting message and runs the local listener until the browser comes back.

#include <atomic>
#include <functional>

#include "zcl/ui/ZCL.UI.Forms.h"
#include "zcl/ui/dialogs/ZCL.Web.Auth.h"

class TZCLEdit;

// Called on the listener thread with the request line; raising an Exception shows its message in
// the browser and keeps the dialog waiting.
using TZCLAuthRequestHandler = std::function<void(const String& Request)>;
// Called on the UI thread: the address to open in the browser.
using TZCLAuthGetURL = std::function<String()>;

extern const String ZCLAuthDialogCaption;
extern const String ZCLAuthDialogMessage;
// The address the browser is sent back to; its port is the listener's.
extern const String ZCLAuthLoopbackAddress;
// Given to every listener: where the browser goes after the answer page (empty: nowhere).
extern String ZCLAuthRedirectURL;

class TZCLAuthDialog : public TZCLForm {
  ZCL_CLASS(TZCLAuthDialog, TZCLForm)
 public:
  explicit TZCLAuthDialog(TComponent* AOwner);
  void BeforeDestruction() override;
  // True when the handler accepted a request, False when the user closed the window.
  static bool Execute(HWND OwnerWindow, TZCLAuthRequestHandler Handler, TZCLAuthGetURL GetURL,
                      const String& Caption = String(), const String& Message = String());

  const String& GetMessage() const { return FMessage; }
  TZCLEdit* GetURLEdit() const { return FURLEdit; }
  TAuthServer* GetServer() const { return FServer; }

 protected:
  void DoShow() override;
  void DblClick() override;
  void PaintWindow(HDC DC) override;

 private:
  void Initialize();
  void OpenURL();
  // The listener thread's handler.
  void HandleRequest(const String& Request);
  void Accepted();

  String FMessage;
  TZCLAuthRequestHandler FHandler;
  TZCLAuthGetURL FGetURL;
  TAuthServer* FServer = nullptr;
  TZCLEdit* FURLEdit = nullptr;
  // Set by the first request the handler accepts; later requests only get the page.
  std::atomic<bool> FAccepted{false};
};

// The listener's port in an address such as "http://127.0.0.1:8090/" (80 without one).
Word PortOfAddress(const String& Address);
