#pragma once
// A tiny HTTP listener for sign-in through the user's browser: the service sends the browser
// back to a local address, the listener hands the request line to its handler (on the listener's
// own thread) and answers the browser with a short page. It listens on the loopback address only.

#include <string>
#include <string_view>

#include "os/OS.Sockets.h"
#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.SyncObjs.h"
#include "rtl/RTL.Threads.h"

// Runs on the listener thread.
using TAuthRequestHandler = TDelegate<void(const String& Request)>;

class TAuthServer : public TThread {
  ZCL_CLASS(TAuthServer, TThread)
 public:
  // Creates the socket (EInvalidOperation "Unable to create socket" when refused) and starts the
  // thread; returns once the thread has bound and is listening, or has failed to.
  TAuthServer(Word APort, TAuthRequestHandler AHandler, const String& ARedirectURL);
  // Closes the socket, which ends a waiting accept or read, then waits for the thread.
  ~TAuthServer() override;

  // The request line of raw request bytes: the UTF-8 text before the first " HTTP/"; empty
  // when there is none.
  static String RequestLine(std::string_view Data);
  // The answer page; the error message (may be empty) is shown in red, HTML-escaped.
  static String BuildPage(const String& RedirectURL, const String& ErrorMessage);
  // Everything sent back for the received bytes: calls Handler with the request line (an
  // Exception it raises goes into the page) and answers status 200 with the page.
  static std::string Answer(std::string_view Data, const TAuthRequestHandler& Handler, const String& RedirectURL);
  std::string Respond(std::string_view Data) { return Answer(Data, FHandler, FRedirectURL); }

  bool GetListening() const { return FListening; }
  // The port bound (0 before listening or after a failure).
  Word GetBoundPort() const { return FListening ? FSocket.GetPort() : 0; }
  String GetBoundAddress() const { return FListening ? FSocket.GetAddress() : String(); }
  Word GetPort() const { return FPort; }
  const String& GetRedirectURL() const { return FRedirectURL; }

 protected:
  void Execute() override;
  void TerminatedSet() override { FSocket.Close(); }

 private:
  TAuthRequestHandler FHandler;
  String FRedirectURL;
  Word FPort;
  TTcpListener FSocket;
  TEvent FReady{true, false};
  bool FListening = false;
};

// Text for an HTML element's content or attribute value.
String HtmlEscape(const String& Text);
