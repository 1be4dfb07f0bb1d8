#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Types.h"

// GUID text from files and settings: any input either parses to a GUID that prints back to the
// same text (ignoring the case of the hex digits) or is rejected; it never reads past the text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const String text = UTF8ToString(std::string_view(reinterpret_cast<const char*>(Data), Size));
  TGUID guid;
  if (!TryStringToGUID(text, guid)) {
    if (!guid.IsEmpty()) std::abort();
    return 0;
  }
  const String printed = GUIDToString(guid);
  if (printed.size() != text.size()) std::abort();
  for (size_t i = 0; i < text.size(); ++i) {
    Char c = text[i];
    if (c >= u'a' && c <= u'f') c = static_cast<Char>(c - u'a' + u'A');
    if (c != printed[i]) std::abort();
  }
  if (StringToGUID(printed) != guid) std::abort();
  return 0;
}
