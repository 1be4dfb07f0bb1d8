#include <cstddef>
#include <cstdint>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zse/engine/ZSE.Engine.Units.h"
#include "zse/engine/ZSE.Schema.h"
#include "zse/engine/ZSE.Skins.Theme.h"

// A skin document: the manifest and the theme load from it (or fail with an exception), the
// manifest answers the scaling for any DPI with a positive ratio, and what loaded saves and
// loads back the same. The same bytes as a configuration file feed the custom settings.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized =
      (InitializeUnits(RtlUnits()), InitializeUnits(OsUnits()), InstallHeadlessBackend(THeadlessConfig::Single(96)),
       InitializeUnits(VclUnits()), InitializeUnits(ZclBaseUnits()), InitializeUnits(ZclGraphicsUnits()),
       InitializeUnits(ZclUiUnits()), InitializeUnits(ZseEngineUnits()), true);
  (void)initialized;
  TBytesStream input(TBytes(Data, Data + Size));
  TZCLXMLDocument* doc = Create<TZCLXMLDocument>();
  TZSESkinTheme* theme = Create<TZSESkinTheme>(static_cast<TComponent*>(nullptr));
  try {
    doc->LoadFromStream(&input);
    TZSESkinManifest manifest;
    manifest.LoadFromXML(doc->FindNode(u"skin"));
    for (Integer dpi : {72, 96, 120, 144, 192, 250, 480, 600}) {
      Integer skin = 0, num = 0, den = 0;
      manifest.GetScaling(dpi, skin, num, den);
      if (skin <= 0 || num <= 0 || den <= 0) __builtin_trap();
    }
    TZCLXMLNode out;
    manifest.SaveToXML(&out);
    TZSESkinManifest back;
    back.LoadFromXML(&out);
    if (back.GetSupportedScaleFactors() != manifest.GetSupportedScaleFactors() ||
        back.GetCompatibilityMode() != manifest.GetCompatibilityMode() || back.GetID() != manifest.GetID())
      __builtin_trap();
    TZSESchema schema;
    theme->LoadFromXML(&schema, doc);
    TZCLXMLDocument saved;
    theme->SaveToXML(&schema, &saved);
  } catch (const Exception&) {
  }
  try {
    TBytesStream text(TBytes(Data, Data + Size));
    TZCLIniFile* ini = TZCLIniFile::CreateInMemory();
    ini->LoadFromStream(&text);
    TZSECustomSettings settings;
    settings.ConfigLoad(ini);
    settings.ConfigSave(ini);
    Free(ini);
  } catch (const Exception&) {
  }
  Free(theme);
  Free(doc);
  return 0;
}
