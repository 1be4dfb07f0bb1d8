#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "rtl/RTL.Units.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Clipboard.h"

// File lists and text blocks from other programs: decoding stays inside the block, a list is
// either absent or holds only non-empty names that fit in it.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  std::unique_ptr<TZCLStringList> files(TZCLGlobalMemory::DecodeFiles(Data, Size));
  if (files) {
    if (files->GetCount() == 0) std::abort();
    for (Integer i = 0; i < files->GetCount(); ++i)
      if (files->GetStrings(i).empty() || files->GetStrings(i).size() > Size) std::abort();
  }
  TZCLGlobalMemory::DecodeText(Data, Size, true);
  TZCLGlobalMemory::DecodeText(Data, Size, false);
  return 0;
}
