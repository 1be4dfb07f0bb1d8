// libFuzzer target for the icon container and, through TPicture, the graphic class chosen
// by the data's signature. Every input must load into a consistent graphic or raise
// EInvalidGraphic.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "os/OS.Codecs.h"
#include "os/OS.Units.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.Imaging.h"
#include "vcl/VCL.Units.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = [] {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    InitializeUnits(VclUnits());
    return true;
  }();
  (void)initialized;
  try {
    TCustomMemoryStream stream(Data, NativeInt(Size));
    TIcon icon;
    icon.LoadFromStream(stream);
    if (icon.GetImageCount() < 1 || icon.GetWidth() < 1 || icon.GetWidth() > TIcon::MaxIconDimension) std::abort();
  } catch (const EInvalidGraphic&) {
  }
  try {
    TCustomMemoryStream stream(Data, NativeInt(Size));
    TPicture picture;
    picture.LoadFromStream(stream);
    if (!picture.GetGraphic() || picture.GetWidth() < 0) std::abort();
  } catch (const EInvalidGraphic&) {
  }
  return 0;
}
