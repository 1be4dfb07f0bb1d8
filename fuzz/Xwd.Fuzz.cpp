#include <cstddef>
#include <cstdint>

#include "support/Xvfb.h"

// A screenshot dump: any bytes must be read within their bounds, and an accepted image holds
// exactly its pixels.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TXwdImage image;
  if (ParseXwd(Data, Size, image) &&
      image.Pixels.size() != static_cast<size_t>(image.Width) * static_cast<size_t>(image.Height))
    __builtin_trap();
  return 0;
}
