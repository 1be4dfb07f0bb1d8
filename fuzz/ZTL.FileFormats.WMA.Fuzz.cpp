#include "ZTL.Containers.Fuzz.h"
#include "zeph/media/ZTL.FileFormats.WMA.h"

// ASF Header Objects in any state.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  fuzzsupport::RoundTrip<TZTLTagsContainerWMA>(Data, Size);
  return 0;
}
