#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.ZLib.h"

// Any bytes: the one-shot inflater and the decompression stream either both give the same bytes
// or both raise EZDecompressionError; nothing else escapes, nothing hangs.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TBytes oneShot;
  bool oneShotFailed = false;
  try {
    oneShot = ZDecompress(Data, Size);
  } catch (const EZDecompressionError&) {
    oneShotFailed = true;
  }

  TBytes streamed;
  bool streamFailed = false;
  TCustomMemoryStream source(Data, static_cast<NativeInt>(Size));
  TZDecompressionStream reader(&source);
  try {
    Byte buffer[4096];
    while (Integer n = reader.Read(buffer, sizeof(buffer))) streamed.insert(streamed.end(), buffer, buffer + n);
  } catch (const EZDecompressionError&) {
    streamFailed = true;
  }
  if (oneShotFailed != streamFailed) std::abort();
  if (!oneShotFailed && oneShot != streamed) std::abort();
  if (!oneShotFailed && ZDecompress(ZCompress(oneShot, zcFastest)) != oneShot) std::abort();
  return 0;
}
