#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Units.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/media/ZEPH.FileManager.Services.FileURI.h"
#include "zeph/media/ZEPH.FileManager.VirtualFiles.h"

// Names from playlists and plugins, and the file-URI service: any text splits consistently (a virtual name builds back
// to itself) and every edit through the parts answers without raising. The first byte lets the "zip" scheme be
// registered and picks the edit flags.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  if (Size == 0) return 0;
  const uint8_t mode = Data[0];
  String name;
  for (size_t i = 1; i + 1 < Size; i += 2) name += static_cast<Char>(Data[i] | (Data[i + 1] << 8));
  TZEPHFileURI::SetSchemeRegisteredProc((mode & 1) ? [](const String& S) { return S == u"zip"; }
                                                   : static_cast<TZEPHSchemeRegisteredProc>(nullptr));
  String container, part, result;
  if (TZEPHFileURI::Parse(name, container, part)) {
    if (part.empty() || part.find(u':') != String::npos) std::abort();
    try {
      if (TZEPHFileURI::Build(container, part) != name) std::abort();
    } catch (const Exception&) {
      std::abort();
    }
  } else if (!container.empty() || !part.empty() || TZEPHFileURI::ExtractContainer(name) != name) {
    std::abort();
  }
  const Integer flags = (mode >> 1) & 3;
  (void)TZEPHFileURI::ChangeFileExt(name, u".flac", flags, result);
  (void)TZEPHFileURI::ExtractFileExt(name, flags, result);
  (void)TZEPHFileURI::ExtractFileName(name, result);
  (void)TZEPHFileURI::ExtractFileParentDirName(name, result);
  (void)TZEPHFileURI::ExtractFileParentName(name, result);
  (void)TZEPHFileURI::ExtractFilePath(name, result);

  // The plugins' service over the same text: result codes only, and a plain name parses to itself.
  static TZEPHServiceFileURI* service = Create<TZEPHServiceFileURI>();
  IPtr<IZEPHString> text(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(name)));
  IPtr<IZEPHString> first, second;
  if (service->Parse(text.get(), first, second) != S_OK) std::abort();
  if (!second && first.get() != text.get()) std::abort();
  if (second && service->Build(first.get(), second.get(), first) != S_OK) std::abort();
  IPtr<IZEPHString> edited = text;
  (void)service->ChangeFileExt(edited, text.get(), flags);
  (void)service->ExtractFileParentName(text.get(), first);
  (void)service->GetScheme(text.get(), first);
  return 0;
}
