#include "ZTL.Containers.Fuzz.h"
#include "zeph/media/ZTL.Ogg.Opus.h"

// Ogg pages carrying Opus headers in any state.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  fuzzsupport::RoundTrip<TZTLTagsContainerOpus>(Data, Size);
  return 0;
}
