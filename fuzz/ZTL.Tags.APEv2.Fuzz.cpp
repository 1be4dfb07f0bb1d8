#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zeph/media/ZTL.Tags.APEv2.h"

// The end of a file with an APEv2 tag in any state: the tag found lies inside the file, and saving
// what was read into a copy keeps the bytes in front of the tag and the trailing ID3v1 and
// Lyrics3 blocks, and loads again with the same values and kept items.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  TCustomMemoryStream input(Data, static_cast<NativeInt>(Size));
  TZTLAPEv2Location at;
  TZTLAPEv2Codec::FindFooter(&input, at);
  if (at.TagStart() < 0 || at.TagStart() > static_cast<Int64>(Size)) std::abort();
  TZTLTagAPEv2 tag(&input);
  TMemoryStream copy;
  copy.WriteBuffer(Data, static_cast<Int64>(Size));
  TZTLTagAPEv2::Save(&tag, &copy);
  const auto front = static_cast<size_t>(at.TagStart());
  const auto trail = static_cast<size_t>(at.TrailSize);
  const auto* bytes = static_cast<const Byte*>(copy.GetMemory());
  const auto copySize = static_cast<size_t>(copy.GetSize());
  if (copySize < front + trail || (front > 0 && std::memcmp(bytes, Data, front) != 0) ||
      (trail > 0 && std::memcmp(bytes + copySize - trail, Data + Size - trail, trail) != 0))
    std::abort();
  // The new tag is found where it was written, unless the bytes in front of it now look like a
  // trailing block of their own (a "TAG" that ends up 128 bytes before the end).
  TZTLAPEv2Location again_at;
  TZTLAPEv2Codec::FindFooter(&copy, again_at);
  if (again_at.TrailSize != at.TrailSize) return 0;
  if (again_at.TagStart() != at.TagStart()) std::abort();
  TZTLTagAPEv2 again(&copy);
  if (again.GetRawItems().size() != tag.GetRawItems().size() ||
      again.GetCustomFields()->GetCount() != tag.GetCustomFields()->GetCount())
    std::abort();
  for (Integer i = 0; i < ZBLFileInfoTextCount; ++i)
    if (again.GetValue(i) != tag.GetValue(i)) std::abort();
  return 0;
}
