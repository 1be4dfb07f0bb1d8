#include <cstddef>
#include <cstdint>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streaming.Text.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"

// Component streams naming the real UI classes (forms, controls, menus, actions, image lists,
// timers), as stored forms hold them. The first byte says whether the rest is the text form or
// the binary one. Any stream builds its components or raises a library exception, and whatever
// was built is freed without leaks.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = [] {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    InstallHeadlessBackend(THeadlessConfig::Single(96));
    InitializeUnits(VclUnits());
    return true;
  }();
  (void)initialized;
  if (Size < 1) return 0;
  TBytesStream binary(TBytes(Data + 1, Data + Size));
  try {
    if (Data[0] & 1) {
      TBytesStream text(TBytes(Data + 1, Data + Size));
      binary.SetSize(0);
      ObjectTextToBinary(&text, &binary);
      binary.SetPosition(0);
    }
    Free(ReadComponent(&binary, nullptr));
  } catch (const Exception&) {
    // A damaged stream or an unknown class is a clean error.
  }
  return 0;
}
