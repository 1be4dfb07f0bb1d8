#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Types.h"

// Any bytes decode to well-formed UTF-16, which encodes back to the same text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  String text = UTF8ToString(std::string_view(reinterpret_cast<const char*>(Data), Size));
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) std::abort();
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      std::abort();
    }
  }
  if (UTF8ToString(StringToUTF8(text)) != text) std::abort();
  return 0;
}
