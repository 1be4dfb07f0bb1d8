// libFuzzer target for the skin-image reader ("ZCLIMG32" chunks, the older records and plain
// pictures) and, with DEPS zcl_ui, the NEXT-separated image sets. Every input either loads into
// a consistent image that saves and reads back, or raises an Exception; nothing else.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "os/OS.Units.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#ifdef ZEPHSE_FUZZ_IMAGE_SET
#include "zcl/ui/ZCL.UI.SkinImageSet.h"
#endif

namespace {
void Exercise(TZCLSkinImage& Image) {
  try {
    Image.CheckUnpacked();
  } catch (const Exception&) {
  }
  Image.CheckFramesInfo();
  if (Image.GetFrameCount() < 1) std::abort();
  TZCLPixel32 pixel{};
  Image.GetPixel(0, 0, pixel);
  TBytesStream out;
  Image.SaveToStream(out);
  out.SetPosition(0);
  TZCLSkinImage back;
  back.LoadFromStream(out);
  if (back.GetWidth() != Image.GetWidth() || back.GetHeight() != Image.GetHeight()) std::abort();
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
#ifdef ZEPHSE_FUZZ_IMAGE_SET
  try {
    TCustomMemoryStream stream(Data, NativeInt(Size));
    TZCLSkinImageSet set;
    set.LoadFromStream(stream);
    if (set.GetCount() < 1) std::abort();
    for (Integer i = 0; i < set.GetCount(); ++i) {
      const Integer dpi = set.GetItem(i)->GetDPI();
      if (dpi < ZCLSkinImageSetMinDPI || dpi > ZCLSkinImageSetMaxDPI) std::abort();
      Exercise(*set.GetItem(i));
    }
  } catch (const Exception&) {
  }
#else
  try {
    TCustomMemoryStream stream(Data, NativeInt(Size));
    TZCLSkinImage image;
    image.LoadFromStream(stream);
    Exercise(image);
  } catch (const Exception&) {
  }
#endif
  return 0;
}
