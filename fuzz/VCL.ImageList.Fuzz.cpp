// libFuzzer target for the binary form of image lists. Every input must either load into a list
// whose images all have the list's size, or raise EReadError and leave the list as it was.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.ImgList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = [] {
    InitializeUnits(RtlUnits());
    return true;
  }();
  (void)initialized;
  TImageList* list = Create<TImageList>(nullptr);
  try {
    TCustomMemoryStream stream(Data, NativeInt(Size));
    list->ReadData(stream);
    for (Integer i = 0; i < list->GetCount(); ++i)
      if (list->GetImagePixels(i).size() != size_t(list->GetWidth()) * size_t(list->GetHeight())) std::abort();
  } catch (const EReadError&) {
    if (list->GetCount() != 0 || list->GetWidth() != 16) std::abort();
  }
  Free(list);
  return 0;
}
