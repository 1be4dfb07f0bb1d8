// libFuzzer target for the image data that image lists read from forms: compressed ("LICZ"),
// plain, or foreign. Every input loads into a list whose images all have the list's size, or
// raises EInvalidGraphic for the foreign form; damaged data never escapes as another error.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "os/OS.Codecs.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zcl/ui/ZCL.UI.ImageList.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = [] {
    InitializeUnits(RtlUnits());
    return true;
  }();
  (void)initialized;
  TZCLImageList* list = Create<TZCLImageList>(nullptr);
  try {
    TCustomMemoryStream stream(Data, NativeInt(Size));
    list->ReadData(stream);
    if (stream.GetPosition() > stream.GetSize()) std::abort();
    for (Integer i = 0; i < list->GetCount(); ++i)
      if (list->GetImagePixels(i).size() != size_t(list->GetWidth()) * size_t(list->GetHeight())) std::abort();
  } catch (const EInvalidGraphic&) {
  }
  Free(list);
  return 0;
}
