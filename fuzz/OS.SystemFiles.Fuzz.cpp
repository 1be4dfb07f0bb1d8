#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "os/OS.System.h"

// os-release and meminfo as the system gives them, or damaged: the first byte picks the file.
// A name read is never empty; a memory size read is whole kilobytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 1) return 0;
  std::istringstream in(std::string(reinterpret_cast<const char*>(Data + 1), Size - 1));
  if (Data[0] & 1) {
    UInt64 bytes = 1;
    if (detail::ReadMemAvailable(in, bytes) && bytes % 1024 != 0) std::abort();
  } else {
    (void)detail::ReadOSName(in);
  }
  return 0;
}
