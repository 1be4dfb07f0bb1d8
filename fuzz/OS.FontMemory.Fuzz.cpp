#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "os/OS.Fonts.h"
#include "os/OS.Units.h"
#include "rtl/RTL.Units.h"

// Font files embedded in skins, added from memory: any bytes are added or refused, a refused
// font gives no handle, and an added one is removed again.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = [] {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    return true;
  }();
  (void)initialized;
  DWORD count = 12345;
  HANDLE handle = AddFontMemResourceEx(Data, DWORD(Size), nullptr, &count);
  if (!handle) return 0;
  if (count == 0) std::abort();
  if (!RemoveFontMemResourceEx(handle)) std::abort();
  return 0;
}
