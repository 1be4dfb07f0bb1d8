#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zeph/playlists/ZEPH.Playlists.Settings.h"

// Settings sections come from playlist files and the host's settings file: any text loads into a
// playlist's and the common settings without raising, and what is saved loads back the same.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  TCustomMemoryStream input(Data, static_cast<NativeInt>(Size));
  TZCLIniFile* ini = TZCLIniFile::CreateInMemory();
  ini->LoadFromStream(&input);
  TZEPHPlaylistCommonSettings common;
  TZEPHPlaylistSettings own;
  for (Integer i = 0; i < ini->GetSectionCount(); ++i) {
    TZCLIniFileSection* section = ini->GetSectionByIndex(i);
    own.Load(section);
    common.Load(section);
    TZCLIniFileSection saved;
    own.Save(&saved);
    TZEPHPlaylistSettings back;
    back.Load(&saved);
    if (back.GetFlags() != own.GetFlags() || back.GetFormatMainLine() != own.GetFormatMainLine() ||
        back.GetGroupFormatLine() != own.GetGroupFormatLine())
      std::abort();
  }
  Free(ini);
  return 0;
}
