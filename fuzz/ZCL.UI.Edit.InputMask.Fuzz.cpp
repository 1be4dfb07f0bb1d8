// libFuzzer target for the input masks of text edits: any text, typed, pasted or set from code,
// gives a value or the mask's default without raising; the text of that value reads back as
// itself; and word-wise deletion keeps the caret inside the text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.Units.h"
#include "zcl/ui/controls/ZCL.UI.Edit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = [] {
    InitializeUnits(RtlUnits());
    return true;
  }();
  (void)initialized;
  if (Size == 0) return 0;
  const auto mask = static_cast<TZCLEditInputMask>(Data[0] % 4);
  const String text = UTF8ToString(std::string_view(reinterpret_cast<const char*>(Data + 1), Size - 1));
  String normal;
  try {
    normal = EditValueToText(mask, EditTextToValue(mask, text));
    // Normalised text is a fixed point.
    if (EditValueToText(mask, EditTextToValue(mask, normal)) != normal) std::abort();
    if (mask == eimInteger) {
      Integer v = 0;
      if (!TryStrToInt(normal, v)) std::abort();
    }
    if (mask == eimDateAndTime && normal.size() != EditDateTimeFormat().size()) std::abort();
    EditCanTypeText(mask, text);
  } catch (...) {
    std::abort();
  }
  for (Integer direction : {-1, 1}) {
    const Integer position = Integer(Data[0]) % (Integer(text.size()) + 1);
    Integer caret = -1;
    const String rest = EditDeleteWord(text, position, direction, caret);
    if (caret < 0 || caret > Integer(rest.size()) || rest.size() > text.size()) std::abort();
  }
  return 0;
}
