#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zeph/media/ZTL.Tags.ID3v2.h"

// A file that starts with whatever a tag writer left there: the tag loads or fails with a stream
// error; saved into a copy it replaces the old tag, keeps the bytes after it, and loads again
// with the same values.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  TCustomMemoryStream input(Data, static_cast<NativeInt>(Size));
  TZTLTagID3v2 tag;
  try {
    TZTLTagID3v2::Load(&tag, &input);
  } catch (const EReadError&) {
    return 0;
  }
  TMemoryStream copy;
  copy.WriteBuffer(Data, static_cast<Int64>(Size));
  const Int64 oldSize = std::min<Int64>(TZTLID3v2Codec::GetTagSize(&copy, 0), static_cast<Int64>(Size));
  TZTLTagID3v2::Save(&tag, &copy);
  const Int64 newSize = TZTLID3v2Codec::GetTagSize(&copy, 0);
  const size_t audio = Size - static_cast<size_t>(oldSize);
  if (static_cast<size_t>(copy.GetSize()) != static_cast<size_t>(newSize) + audio ||
      (audio > 0 && std::memcmp(static_cast<const Byte*>(copy.GetMemory()) + newSize, Data + oldSize, audio) != 0))
    std::abort();
  TZTLTagID3v2 again;
  TZTLTagID3v2::Load(&again, &copy);
  for (Integer i = 0; i < ZBLFileInfoTextCount; ++i)
    if (i != fitLyricist && again.GetValue(i).empty() != tag.GetValue(i).empty()) std::abort();
  if (again.GetRating() != tag.GetRating() || again.GetChapters()->GetCount() > 255) std::abort();
  return 0;
}
