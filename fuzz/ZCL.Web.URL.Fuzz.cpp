#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "zcl/base/ZCL.Web.Http.h"

// Addresses from outside (playlists, plugins): any text parses into parts that rebuild their part
// of it, header lookups stay inside the text, and percent decoding undoes encoding.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  // Bytes in pairs as UTF-16 code units, so that addresses reach every character.
  String text(Size / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<Char>(Data[2 * i] | (Data[2 * i + 1] << 8));

  const TZCLWebURL url = TZCLWebURL::ParseHttp(text);
  if (url.Port < 1 || url.Port > 65535) std::abort();
  if (!url.Path.empty() && url.Path[0] != u'/') std::abort();
  if (url.Host.find(u'/') != String::npos || url.Host.find(u"\r\n") != String::npos) std::abort();
  if (url.CustomHeaders.size() > text.size()) std::abort();

  String value;
  Integer start = 0, finish = 0;
  if (THttpHeaders::Find(url.CustomHeaders, u"Cookie", value, start, finish) &&
      (start < 1 || finish < start || static_cast<size_t>(finish) > url.CustomHeaders.size() + 1))
    std::abort();
  String headers = url.CustomHeaders;
  while (THttpHeaders::Extract(headers, u"Cookie", value)) {
  }

  // Unpaired surrogates encode as U+FFFD, so only well-formed text must come back unchanged.
  if (UTF8ToString(StringToUTF8(text)) == text && zcURLDecode(zcURLEncode(text)) != text) std::abort();
  (void)zcURLDecode(text);
  return 0;
}
