// libFuzzer target for every image decoder reached through the image-format repository: the
// format found by the leading bytes, then each registered format's size probe and loader on
// the same bytes. Every input either decodes into a consistent picture or raises an Exception.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "os/OS.Units.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Images.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"

namespace {
void Check(const TZCLImage& Image) {
  if (Image.GetPixels().size() != size_t(Image.GetWidth()) * size_t(Image.GetHeight())) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = [] {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    InitializeUnits(VclUnits());
    InitializeUnits(ZclBaseUnits());
    InitializeUnits(ZclGraphicsUnits());
    return true;
  }();
  (void)initialized;
  try {
    TCustomMemoryStream stream(Data, NativeInt(Size));
    TZCLImage image;
    image.LoadFromStream(stream);
    Check(image);
  } catch (const Exception&) {
  }
  for (TZCLImageFormatClass format : TZCLImageFormatRepository::GetFormats()) {
    TCustomMemoryStream stream(Data, NativeInt(Size));
    TSize size;
    if (format->GetSize(stream, size) && (size.cx <= 0 || size.cy <= 0)) std::abort();
    try {
      stream.SetPosition(0);
      TZCLImage image;
      format->Load(stream, image);
      Check(image);
    } catch (const Exception&) {
    }
  }
  return 0;
}
