#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "rtl/RTL.Streams.h"
#include "zeph/media/ZTL.Tags.ID3v1.h"

// The end of a file with an ID3v1 block and a Lyrics3 v2 block in any state: the sizes found
// stay inside the file, and saving what was read into a copy keeps every byte in front of the
// blocks and appends a block that reads back when the values were not empty.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  TCustomMemoryStream input(Data, static_cast<NativeInt>(Size));
  const Int64 tagSize = TZTLID3v1Codec::GetTagSize(&input);
  TZTLID3v1Values values;
  TZTLID3v1Codec::Read(&input, values);
  if (tagSize < 0 || tagSize > static_cast<Int64>(Size) || values.Size != tagSize) std::abort();
  TMemoryStream copy;
  copy.WriteBuffer(Data, static_cast<Int64>(Size));
  TZTLID3v1Codec::Write(&copy, values, false);
  const size_t audio = Size - static_cast<size_t>(tagSize);
  const size_t expected = audio + (values.IsEmpty() ? 0 : 128);
  if (static_cast<size_t>(copy.GetSize()) != expected || (audio > 0 && std::memcmp(copy.GetMemory(), Data, audio) != 0))
    std::abort();
  TZTLID3v1Values again;
  TZTLID3v1Codec::Read(&copy, again);
  if (!values.IsEmpty() && (again.Size < 128 || again.IsEmpty())) std::abort();
  return 0;
}
