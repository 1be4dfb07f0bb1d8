#pragma once
// Reader of the playlist text format of the player's previous generation (".zephpl"): lines of
// "key:value", summary keys, groups and "|"-separated entries. It is read, never written.

#include "zeph/playlists/ZEPH.Playlists.Formats.h"

class TZEPHModernPlaylistFormatReader : public TZEPHPlaylistFormatCustomTextReader {
  ZCL_CLASS(TZEPHModernPlaylistFormatReader, TZEPHPlaylistFormatCustomTextReader)
 public:
  using TZEPHPlaylistFormatCustomTextReader::TZEPHPlaylistFormatCustomTextReader;
  // The first empty line ends the file. An entry that fails to read is dropped; entries without a
  // stored queue index get the number of entries delivered before them.
  void Read(TZEPHPlaylistSummary* Summary, IZEPHPlaylistItemsReceiver* Receiver) override;

 private:
  void ReadTrack(StringView Value, IZEPHPlaylistItemsReceiver* Receiver);
  Integer FDelivered = 0;
};

namespace detail {
void PL3FormatInitialization();
}  // namespace detail
