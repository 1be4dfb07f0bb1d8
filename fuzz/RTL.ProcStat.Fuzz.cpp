#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "rtl/RTL.Threads.h"

// The processor-time line of /proc/stat: any text either parses or is refused, never more.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TSystemTimes times;
  detail::ParseProcStat(std::string_view(reinterpret_cast<const char*>(Data), Size), times);
  return 0;
}
