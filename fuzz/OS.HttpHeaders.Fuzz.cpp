#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "os/OS.Http.h"

// Response header lines from a server, split where the input has line feeds (each keeps its
// CR LF, as libcurl hands them over): the status is a three-digit code or 0, the length is -1 or
// not negative, and the raw headers hold only complete lines.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string_view text(reinterpret_cast<const char*>(Data), Size);
  THttpResponseHead head;
  std::string lines;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    end = end == std::string_view::npos ? text.size() : end + 1;
    detail::ReadHeaderLine(text.substr(at, end - at), head, lines);
    at = end;
    if (head.StatusCode < 0 || head.StatusCode > 999) std::abort();
    if (head.ContentLength < -1) std::abort();
    if (!lines.empty() && lines.compare(lines.size() - 2, 2, "\r\n") != 0) std::abort();
  }
  return 0;
}
