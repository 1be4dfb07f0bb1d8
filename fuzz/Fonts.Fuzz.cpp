// libFuzzer target for font files from outside (fonts embedded in skins): reading the family
// from the name table must never crash, whatever the bytes.

#include <cstddef>
#include <cstdint>

#include "os/OS.Fonts.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  String family = GetFontFileFamily(Data, Size);
  (void)family;
  return 0;
}
