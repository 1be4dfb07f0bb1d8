#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.PL4.h"
#include "zeph/playlists/ZEPH.Playlists.Types.h"

namespace {
class CountingReceiver : public TZCLUnknownObject, public IZEPHPlaylistItemsReceiver {
  RTL_INTERFACES(TZCLUnknownObject, IZEPHPlaylistItemsReceiver)
 public:
  void AddGroup(const String&, bool) override { ++Groups; }
  void AddItem(const String& FileName, TZEPHPlaylistCustomItem* Item, Integer) override {
    if (Item == nullptr || Item->GetFileName() != FileName) std::abort();
    ++Items;
  }
  int Groups = 0;
  int Items = 0;
};
}  // namespace

// Playlist files come from anywhere: the summary alone and the whole file read without raising,
// whatever the bytes, and a file never yields more entries than it has lines.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  TCustomMemoryStream input(Data, static_cast<NativeInt>(Size));
  TZEPHPL4FormatReader reader(&input);
  TZEPHPlaylistSummary summary;
  reader.Read(&summary, nullptr);
  CountingReceiver receiver;
  reader.Read(nullptr, &receiver);
  reader.Read(&summary, &receiver);
  if (static_cast<size_t>(receiver.Groups + receiver.Items) > 2 * (reader.GetText().size() + 1)) std::abort();
  std::unique_ptr<TZCLIniFileSection> settings(reader.ReadSettings());
  std::vector<Byte> preimage;
  if (reader.ReadPreimage(preimage) && preimage.size() * 2 > reader.GetText().size()) std::abort();
  return 0;
}
