#include "zcl/ui/dialogs/ZCL.Web.Auth.h"

#include <cstring>
#include <memory>
#include <system_error>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Types.h"

namespace {

constexpr Integer ReceiveLimit = 4096;
constexpr std::string_view ResponseHead = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n";

// Raised on the listener thread when binding or listening fails; it ends the thread.
[[noreturn]] void RaiseSocketError(int Error) {
  throw EOSError(UTF8ToString(std::system_category().message(Error)), Error);
}

}  // namespace

String HtmlEscape(const String& Text) {
  String result;
  result.reserve(Text.size());
  for (const Char c : Text) {
    switch (c) {
      case u'&':
        result += u"&amp;";
        break;
      case u'<':
        result += u"&lt;";
        break;
      case u'>':
        result += u"&gt;";
        break;
      case u'"':
        result += u"&quot;";
        break;
      case u'\'':
        result += u"&#39;";
        break;
      default:
        result += c;
    }
  }
  return result;
}

TAuthServer::TAuthServer(Word APort, TAuthRequestHandler AHandler, const String& ARedirectURL)
    : TThread(true), FHandler(AHandler), FRedirectURL(ARedirectURL), FPort(APort) {
  if (!FSocket.Open()) throw EInvalidOperation(u"Unable to create socket");
  Start();
  FReady.WaitFor();
}

// Freeing runs BeforeDestruction first, which terminates (closing the socket) and joins.
TAuthServer::~TAuthServer() { FSocket.Close(); }

String TAuthServer::RequestLine(std::string_view Data) {
  const String text = UTF8ToString(Data);
  const size_t end = text.find(u" HTTP/");
  return end == String::npos ? String() : text.substr(0, end);
}

String TAuthServer::BuildPage(const String& RedirectURL, const String& ErrorMessage) {
  String page = u"<html>";
  if (!RedirectURL.empty())
    page += u"<head><meta http-equiv=\"refresh\" content=\"3;url=" + HtmlEscape(RedirectURL) + u"\"></head>";
  page += u"<body>";
  if (!ErrorMessage.empty()) page += u"<font color=\"red\">" + HtmlEscape(ErrorMessage) + u"</font><br/><br/>";
  page += u"Please return to the app</body></html>";
  return page;
}

std::string TAuthServer::Answer(std::string_view Data, const TAuthRequestHandler& Handler, const String& RedirectURL) {
  String error;
  try {
    if (Handler) Handler(RequestLine(Data));
  } catch (const Exception& e) {
    error = e.GetMessage();
  }
  std::string result(ResponseHead);
  result += StringToUTF8(BuildPage(RedirectURL, error));
  return result;
}

void TAuthServer::Execute() {
  try {
    // Loopback only: no other host may answer in the user's name.
    if (!FSocket.Bind(u"127.0.0.1", FPort) || !FSocket.Listen(1)) RaiseSocketError(FSocket.GetLastError());
    FListening = true;
  } catch (...) {
    FReady.SetEvent();
    throw;
  }
  FReady.SetEvent();
  char buffer[ReceiveLimit];
  while (!GetTerminated() && !FSocket.GetClosed()) {
    std::unique_ptr<TTcpConnection> connection(FSocket.Accept());
    if (!connection) continue;
    const Integer received = connection->Receive(buffer, ReceiveLimit);
    if (received <= 0) continue;
    const std::string answer = Respond(std::string_view(buffer, size_t(received)));
    connection->Send(answer.data(), Integer(answer.size()));
  }
}
