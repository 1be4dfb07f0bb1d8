#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Folders.h"

// A playlist file's preimage comes from anywhere: the repository builds a preimage from any XML
// bytes or refuses them, and a preimage it built saves and loads back equal.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()),
                                   TZEPHPlaylistPreimageRepository::Register(new TZEPHPlaylistFoldersPreimageFactory()),
                                   true);
  (void)initialized;
  IPtr<IZEPHPlaylistFilerContext> context(Create<TZEPHPlaylistPreimageEmptyContext>());
  std::unique_ptr<TZEPHPlaylistCustomPreimage> preimage;
  try {
    preimage.reset(TZEPHPlaylistPreimageRepository::CreatePreimage(nullptr, std::vector<Byte>(Data, Data + Size),
                                                                    context.get()));
  } catch (const Exception&) {
    return 0;
  }
  if (preimage == nullptr) return 0;
  std::unique_ptr<TZEPHPlaylistCustomPreimage> copy(preimage->Clone());
  TBytesStream saved;
  try {
    preimage->SaveToStream(&saved);
  } catch (const Exception&) {
    return 0;  // names the XML writer refuses
  }
  saved.SetPosition(0);
  copy->LoadFromStream(&saved);
  if (!preimage->Equals(copy.get())) std::abort();
  return 0;
}
