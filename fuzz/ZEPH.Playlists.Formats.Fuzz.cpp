#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Units.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.ASX.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.M3U.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.PL3.h"
#include "zeph/playlists/ZEPH.Playlists.Formats.XSPF.h"
#include "zeph/playlists/ZEPH.Playlists.Types.h"

// One program per reader: 0 XSPF, 1 M3U, 2 PLS, 3 ASX, 4 WPL, 5 ".zephpl".
#ifndef ZEPHSE_FUZZ_FORMAT
#define ZEPHSE_FUZZ_FORMAT 0
#endif

namespace {
class CountingReceiver : public TZCLUnknownObject, public IZEPHPlaylistItemsReceiver {
  RTL_INTERFACES(TZCLUnknownObject, IZEPHPlaylistItemsReceiver)
 public:
  void AddGroup(const String&, bool) override { ++Groups; }
  void AddItem(const String&, TZEPHPlaylistCustomItem*, Integer) override { ++Items; }
  size_t Groups = 0;
  size_t Items = 0;
};

TZEPHPlaylistFormatCustomTextReader* NewReader(TStream* Stream) {
  switch (ZEPHSE_FUZZ_FORMAT) {
    case 1: return new TZEPHM3UPlaylistReader(Stream);
    case 2: return new TZEPHPLSPlaylistReader(Stream);
    case 3: return new TZEPHASXPlaylistReader(Stream);
    case 4: return new TZEPHWPLPlaylistReader(Stream);
    case 5: return new TZEPHModernPlaylistFormatReader(Stream);
    default: return new TZEPHXSPFReader(Stream);
  }
}
}  // namespace

// Playlist files come from anywhere: any bytes give entries or none, never a fault, and never
// more entries than the file has bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized = (InitializeUnits(RtlUnits()), true);
  (void)initialized;
  TCustomMemoryStream input(Data, static_cast<NativeInt>(Size));
  std::unique_ptr<TZEPHPlaylistFormatCustomTextReader> reader(NewReader(&input));
  TZEPHPlaylistSummary summary;
  reader->Read(&summary, nullptr);
  CountingReceiver receiver;
  reader->Read(&summary, &receiver);
  if (receiver.Groups + receiver.Items > Size + 1) std::abort();
  std::unique_ptr<TZCLIniFileSection> settings(reader->ReadSettings());
  std::vector<Byte> preimage;
  reader->ReadPreimage(preimage);
  return 0;
}
