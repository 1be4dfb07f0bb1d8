#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.h"
#include "zeph/media/ZEPH.Media.Units.h"

// Any player template (from skins, playlists and plugins) compiles without raising and evaluates
// against the preview record, a plain record or a container part's name, or raises a plain
// exception. The first byte picks the context, its flags and the reading of the rest.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = [] {
    InitializeUnits(RtlUnits());
    InitializeUnits(OsUnits());
    InstallHeadlessBackend(THeadlessConfig::Single(96));
    InitializeUnits(VclUnits());
    InitializeUnits(ZclBaseUnits());
    InitializeUnits(ZephMediaUnits());
    return true;
  }();
  (void)initialized;
  static TZBLFileInfo* record = [] {
    TZBLFileInfo* info = Create<TZBLFileInfo>();
    info->SetFileName(u"http://radio.example.com/live.mp3");
    info->SetArtist(u"The Band");
    return info;
  }();
  if (Size == 0) return 0;
  const uint8_t mode = Data[0];
  String text;
  if (mode & 1) {
    for (size_t i = 1; i + 1 < Size; i += 2) text += static_cast<Char>(Data[i] | (Data[i + 1] << 8));
  } else {
    for (size_t i = 1; i < Size; ++i) text += static_cast<Char>(Data[i]);
  }
  TZEPHFileInfoFormatStringFactory* factory = TZEPHFileInfoFormatStringFactory::Instance();
  TZCLFormatString* format = nullptr;
  try {
    format = factory->CompileTemplate(text, (mode & 2) != 0);
  } catch (...) {
    std::abort();
  }
  try {
    if (mode & 4) {
      TZEPHFileInfoFormatStringPreviewContext context;
      (void)format->Evaluate(&context);
    } else {
      TZEPHFileInfoFormatStringContext context;
      context.Setup(record, mode >> 4, 12);
      context.Flags = static_cast<Byte>((mode >> 3) & 1 ? zfcfDisplayForms | zfcfFileDirAsParentDir : 0);
      (void)format->Evaluate(&context);
    }
  } catch (const Exception&) {
  }
  Free(format);
  return 0;
}
