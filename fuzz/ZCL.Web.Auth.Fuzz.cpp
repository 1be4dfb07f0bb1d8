#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "rtl/RTL.Exceptions.h"
#include "zcl/ui/dialogs/ZCL.Web.Auth.h"

namespace {

// Raises the request line back, so that whatever a browser sends lands in the error text.
struct TEcho {
  void Handle(const String& Request) {
    if (!Request.empty()) throw Exception(Request);
  }
};

}  // namespace

// Any bytes a local client sends: the answer is status 200 with the page, the request line
// holds no " HTTP/", and the echoed error text carries no markup of its own.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string_view bytes(reinterpret_cast<const char*>(Data), Size);
  const String line = TAuthServer::RequestLine(bytes);
  if (line.find(u" HTTP/") != String::npos) std::abort();
  TEcho echo;
  const std::string answer = TAuthServer::Answer(bytes, TAuthRequestHandler(&echo, &TEcho::Handle), u"");
  const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\n\r\n<html><body>";
  const std::string tail = "Please return to the app</body></html>";
  if (answer.compare(0, head.size(), head) != 0) std::abort();
  if (answer.size() < head.size() + tail.size() || answer.compare(answer.size() - tail.size(), tail.size(), tail) != 0)
    std::abort();
  const std::string middle = answer.substr(head.size(), answer.size() - head.size() - tail.size());
  if (line.empty() != middle.empty()) std::abort();
  if (!middle.empty()) {
    const std::string open = "<font color=\"red\">", close = "</font><br/><br/>";
    if (middle.compare(0, open.size(), open) != 0) std::abort();
    if (middle.compare(middle.size() - close.size(), close.size(), close) != 0) std::abort();
    const std::string message = middle.substr(open.size(), middle.size() - open.size() - close.size());
    if (message.find_first_of("<>\"") != std::string::npos) std::abort();
  }
  return 0;
}
