// libFuzzer target for shortcut texts (stored forms and settings hold them). Any text gives a
// shortcut or 0; a shortcut's own text reads back as the same shortcut.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "rtl/RTL.Types.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Menus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = [] {
    InitializeUnits(RtlUnits());
    return true;
  }();
  (void)initialized;
  String text(Size / sizeof(Char), u'\0');
  std::memcpy(text.data(), Data, text.size() * sizeof(Char));
  const TShortCut shortCut = TextToShortCut(text);
  if (shortCut != 0 && TextToShortCut(ShortCutToText(shortCut)) != shortCut) std::abort();
  (void)StripHotkey(text);
  (void)GetHotkey(text);
  return 0;
}
