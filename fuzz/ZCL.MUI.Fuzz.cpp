#include <cstddef>
#include <cstdint>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Imaging.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.MUI.h"

// Language files from outside: any bytes load as the current language (or raise a clean error),
// and every text, link, part, default link and header of the result can be read.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = [] {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    InstallHeadlessBackend(THeadlessConfig::Single(96));
    InitializeUnits(VclUnits());
    InitializeUnits(ZclBaseUnits());
    SetLangsFolder(u"/nonexistent/zephse-fuzz-langs/");
    return true;
  }();
  (void)initialized;
  try {
    TMemoryStream input;
    if (Size > 0) input.WriteBuffer(Data, static_cast<Integer>(Size));
    input.SetPosition(0);
    TZCLLocalization* lang = LangFile();
    lang->LoadFromStream(&input);

    input.SetPosition(0);
    TZCLIniFile* defaults = TZCLIniFile::CreateInMemory();
    defaults->LoadFromStream(&input);
    lang->MergeDefaults(defaults);
    Free(defaults);

    for (Integer s = 0; s < lang->GetSectionCount(); ++s) {
      const String section = lang->GetSectionName(s);
      TZCLStringList keys;
      lang->ReadKeys(section, &keys);
      for (Integer k = 0; k < keys.GetCount(); ++k) {
        const String value = LangGet(section, keys.GetStrings(k), u"");
        LangExpandLinks(value, section);
        LangExtractPart(value, k % 4);
      }
    }
    TZCLLocalizationInfo info;
    TIcon icon;
    LangGetInfo(lang, info, &icon);
    lang->Clear();
  } catch (const Exception&) {
    LangFile()->Clear();
  }
  return 0;
}
