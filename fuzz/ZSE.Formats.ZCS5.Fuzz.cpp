// libFuzzer target for the current skin package reader: every input either loads (and each entry
// inflates or fails with the codec's error) or raises an exception of the run-time library.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zse/engine/ZSE.Engine.Units.h"
#include "zse/formats/ZSE.Formats.Units.h"
#include "zse/formats/ZSE.Formats.ZCS5.h"
#include "zse/script/ZSE.Script.Units.h"

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
    InitializeUnits(ZseScriptUnits());
    InitializeUnits(ZseFormatsUnits());
    return true;
  }();
  (void)initialized;
  TCustomMemoryStream stream(Data, NativeInt(Size));
  auto* skin = Create<TZSESkin>();
  try {
    TZSESkinManager::LoadFromStream(&stream, skin);
  } catch (const Exception&) {
  }
  TZSESkinFiles* files = skin->GetFiles();
  for (Integer i = 0; i < files->GetCount(); ++i) {
    IZCLStreamContainer* data = files->GetItem(i)->GetData().get();
    try {
      TStream* unpacked = data->LockStream();
      if (unpacked->GetSize() > data->GetSize()) std::abort();
      data->UnlockStream();
    } catch (const Exception&) {
    }
  }
  auto* details = Create<TZSESkinDetails>();
  try {
    stream.SetPosition(0);
    TZSESkinManager::Load(&stream, nullptr, details);
  } catch (const Exception&) {
  }
  Free(details);
  Free(skin);
  return 0;
}
