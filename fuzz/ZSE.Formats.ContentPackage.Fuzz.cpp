// libFuzzer target for the reader of the converters' default content packages (a zlib stream of
// named, typed files): every input is read whole or raises an exception of the run-time library.

#include <cstddef>
#include <cstdint>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zse/engine/ZSE.Engine.Units.h"
#include "zse/formats/ZSE.Formats.Converters.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = [] {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    InstallHeadlessBackend(THeadlessConfig::Single(96));
    InitializeUnits(VclUnits());
    InitializeUnits(ZclBaseUnits());
    InitializeUnits(ZclGraphicsUnits());
    InitializeUnits(ZclUiUnits());
    InitializeUnits(ZseEngineUnits());
    return true;
  }();
  (void)initialized;
  TCustomMemoryStream stream(Data, NativeInt(Size));
  auto* skin = Create<TZSESkin>();
  try {
    TZSESkinConverter450::ReadResourcePackage(&stream, skin->GetFiles());
  } catch (const Exception&) {
  }
  Free(skin);
  return 0;
}
