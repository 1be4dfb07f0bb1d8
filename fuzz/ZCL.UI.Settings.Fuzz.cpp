// libFuzzer target for loading the shared appearance settings from a configuration file: every
// input loads into settings within their ranges, and saving then loading them again gives the
// same settings.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "os/OS.Units.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Application.h"
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
  std::unique_ptr<TZCLIniFile> ini(TZCLIniFile::CreateInMemory());
  try {
    TCustomMemoryStream stream(Data, NativeInt(Size));
    ini->LoadFromStream(&stream);
  } catch (const Exception&) {
    return 0;
  }
  const String section = u"Main";
  TZCLApplication::LoadSettings(ini.get(), section);
  const Integer dpi = TZCLApplication::GetTargetDPI();
  const TZCLBoolean dark = TZCLApplication::GetDarkMode();
  const TZCLColorSchema schema = TZCLApplication::GetColorSchema();
  const Integer pause = TZCLApplication::GetHideHintPause();
  if (dpi != 0 && (dpi < 96 || dpi > 480)) std::abort();
  if (static_cast<Integer>(dark) > 2) std::abort();

  std::unique_ptr<TZCLIniFile> saved(TZCLIniFile::CreateInMemory());
  TZCLApplication::SaveSettings(saved.get(), section);
  TZCLApplication::LoadSettings(saved.get(), section);
  if (TZCLApplication::GetTargetDPI() != dpi || TZCLApplication::GetDarkMode() != dark ||
      !(TZCLApplication::GetColorSchema() == schema) || TZCLApplication::GetHideHintPause() != pause)
    std::abort();
  return 0;
}
