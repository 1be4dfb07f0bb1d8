#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zeph/media/ZTL.Tags.ID3v1.h"

// The end of a file with an ID3v1 block and a Lyrics3 v2 block in any state: the size found stays
// inside the file, and saving what was read into a copy keeps every byte in front of the blocks
// and appends one block that reads back unless the values were empty.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  TCustomMemoryStream input(Data, static_cast<NativeInt>(Size));
  const Int64 tagSize = TZTLID3v1Codec::GetTagSize(&input);
  TZTLTagID3v1 tag(&input);
  if (tagSize < 0 || tagSize > static_cast<Int64>(Size) || tag.GetSize() != tagSize) std::abort();
  TMemoryStream copy;
  copy.WriteBuffer(Data, static_cast<Int64>(Size));
  TZTLTagID3v1::Save(&tag, &copy);
  const size_t audio = Size - static_cast<size_t>(tagSize);
  const size_t expected = audio + (tag.IsEmpty() ? 0 : 128);
  if (static_cast<size_t>(copy.GetSize()) != expected || (audio > 0 && std::memcmp(copy.GetMemory(), Data, audio) != 0))
    std::abort();
  TZTLTagID3v1 again(&copy);
  if (!tag.IsEmpty() && (again.GetSize() < 128 || again.IsEmpty())) std::abort();
  return 0;
}
