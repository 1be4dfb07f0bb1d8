// libFuzzer target for reading resource collections (the default UI skins and collections on
// forms) from component streams, binary or text: every input either loads into a collection
// whose every item resolves and reads without fault, or raises an Exception.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "os/OS.Units.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"
#include "zcl/ui/ZCL.UI.Units.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = [] {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    InitializeUnits(VclUnits());
    InitializeUnits(ZclBaseUnits());
    InitializeUnits(ZclGraphicsUnits());
    InitializeUnits(ZclUiUnits());
    return true;
  }();
  (void)initialized;
  TZCLResourceCollection* collection = Create<TZCLResourceCollection>(static_cast<TComponent*>(nullptr));
  try {
    TCustomMemoryStream stream(Data, NativeInt(Size));
    collection->LoadFromStream(&stream);
  } catch (const Exception&) {
  }
  collection->EnumResources([](TZCLResource* Resource) {
    Resource->RefreshReference();
    (void)Resource->ToString();
  });
  Free(collection);
  return 0;
}
