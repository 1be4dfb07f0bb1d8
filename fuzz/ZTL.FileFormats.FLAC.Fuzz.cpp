#include "ZTL.Containers.Fuzz.h"
#include "zeph/media/ZTL.FileFormats.FLAC.h"

// FLAC metadata blocks in any state.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  fuzzsupport::RoundTrip<TZTLTagsContainerFLAC>(Data, Size);
  return 0;
}
