#include <cstddef>
#include <cstdint>

#include "os/OS.Clipboard.h"

// A file-drop block from another program: any bytes must decode within their bounds.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::vector<String> files = ReadFileDropBlock(Data, Size);
  for (const String& f : files)
    if (f.empty()) __builtin_trap();
  return 0;
}
