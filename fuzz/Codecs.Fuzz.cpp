// libFuzzer target for the image decoders. ZEPHSE_FUZZ_FORMAT selects one decoder per
// target (see fuzz/CMakeLists.txt); 0 lets the header detection choose.
// Every input must either decode to a consistent image or raise EInvalidGraphic.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "os/OS.Codecs.h"

#ifndef ZEPHSE_FUZZ_FORMAT
#define ZEPHSE_FUZZ_FORMAT 0
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  std::span<const Byte> input(Data, Size);
  try {
    TDecodedImage image;
    switch (ZEPHSE_FUZZ_FORMAT) {
      case 1:
        image = DecodePng(input);
        break;
      case 2:
        image = DecodeBmp(input);
        break;
      case 3:
        image = DecodeGif(input);
        break;
      case 4:
        image = DecodeJpeg(input);
        break;
      case 5:
        image = DecodeWebP(input);
        break;
      default:
        image = DecodeImage(input);
        break;
    }
    if (image.Width <= 0 || image.Height <= 0 || image.Pixels.size() != size_t(image.Width) * size_t(image.Height))
      std::abort();
    // Touch every pixel so that uninitialised memory shows under MSan.
    uint32_t sum = 0;
    for (uint32_t p : image.Pixels) sum ^= p;
    volatile uint32_t sink = sum;
    (void)sink;
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
