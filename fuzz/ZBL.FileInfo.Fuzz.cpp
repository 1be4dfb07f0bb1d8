#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zeph/media/ZBL.FileInfo.h"

// The stream form of file information from a playlist or cache file: a record either reads or
// raises a read error without allocating beyond the data; what reads writes back stably.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  TCustomMemoryStream input(Data, static_cast<NativeInt>(Size));
  TZBLFileInfo* info = Create<TZBLFileInfo>();
  try {
    info->LoadFromStream(&input);
  } catch (const EReadError&) {
    Free(info);
    return 0;
  }
  if (input.GetPosition() > input.GetSize()) std::abort();
  TBytesStream first, second;
  info->SaveToStream(&first);
  first.SetPosition(0);
  TZBLFileInfo* copy = Create<TZBLFileInfo>();
  copy->LoadFromStream(&first);
  copy->SaveToStream(&second);
  if (first.GetBytes() != second.GetBytes()) std::abort();
  Free(copy);
  Free(info);
  return 0;
}
