#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Imaging.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zeph/core/ZEPH.Core.UI.h"

// A plugin's icon data: arbitrary bytes in a plugin stream. The load answers a code and never
// raises; on success the icon has a size.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = [] {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    InstallHeadlessBackend(THeadlessConfig::Single(96));
    InitializeUnits(VclUnits());
    InitializeUnits(ZclBaseUnits());
    InitializeUnits(ZclGraphicsUnits());
    return true;
  }();
  (void)initialized;
  auto* memory = Create<TMemoryStream>();
  if (Size) memory->WriteBuffer(Data, Integer(Size));
  memory->SetPosition(0);
  IPtr<IZEPHStream> stream(Create<TZEPHStreamAdapter>(memory, soOwned));
  auto* icon = Create<TIcon>();
  const HRESULT r = LoadIconFromObject(icon, stream.get());
  if (r == S_OK && (icon->GetEmpty() || icon->GetWidth() <= 0)) std::abort();
  if (r != S_OK && r != E_UNEXPECTED) std::abort();
  Free(icon);
  return 0;
}
