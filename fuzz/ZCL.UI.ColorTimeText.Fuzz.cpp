#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Spin.h"

// Typed or pasted colour codes and time texts: any text reads as a colour whose text form reads
// back to the same colour, and any time text normalises to a valid hh:mm:ss that parses back to
// the same fields.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const String input = UTF8ToString(std::string_view(reinterpret_cast<const char*>(Data), Size));

  const TAlphaColor color = TAlphaColorHelper::FromString(input);
  const String code = TAlphaColorHelper::ToString(color);
  if (TAlphaColorHelper::IsValid(color) && (code.size() != 8 || TAlphaColorHelper::FromString(code) != color))
    std::abort();

  const TZCLTimeFields parsed = ParseTimeText(input);
  const TZCLTimeFields time = NormalizeTime(parsed.Hours, parsed.Minutes, parsed.Seconds);
  if (time.Hours < 0 || time.Hours > 23 || time.Minutes < 0 || time.Minutes > 59 || time.Seconds < 0 ||
      time.Seconds > 59)
    std::abort();
  const String text = FormatTimeText(time);
  if (text.size() != 8 || ParseTimeText(text) != time) std::abort();
  return 0;
}
