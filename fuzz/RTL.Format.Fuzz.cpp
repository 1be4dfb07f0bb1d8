#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.FormatSettings.h"
#include "rtl/RTL.Types.h"

// Format with an untrusted format text (a language file, a skin): it either formats or raises
// EConvertError, never anything else.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > 256) return 0;  // bounds the padding that widths may legitimately ask for
  const String fmt = UTF8ToString(std::string_view(reinterpret_cast<const char*>(Data), Size));
  static const TFormatSettings settings = TFormatSettings::Invariant();
  const String name = u"skin";
  try {
    Format(fmt, {42, -7.25, name, Int64(-1), u'x', "utf8", 3, nullptr}, settings);
  } catch (const EConvertError&) {
  }
  return 0;
}
