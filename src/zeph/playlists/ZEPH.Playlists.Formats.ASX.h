#pragma once
// Readers of the two XML playlist formats of another media player: ASX (with its WAX and ASF
// names) and WPL. They deliver file names only, and the playlist's title as the summary's name.

#include "zeph/playlists/ZEPH.Playlists.Formats.h"

class TZEPHASXPlaylistReader : public TZEPHPlaylistFormatCustomTextReader {
  ZCL_CLASS(TZEPHASXPlaylistReader, TZEPHPlaylistFormatCustomTextReader)
 public:
  explicit TZEPHASXPlaylistReader(TStream* Stream, const String& AFileName = String());
  // Nothing without a receiver, nor when the head of the file holds no "<asx" (any case).
  void Read(TZEPHPlaylistSummary* Summary, IZEPHPlaylistItemsReceiver* Receiver) override;
};

class TZEPHWPLPlaylistReader : public TZEPHPlaylistFormatCustomTextReader {
  ZCL_CLASS(TZEPHWPLPlaylistReader, TZEPHPlaylistFormatCustomTextReader)
 public:
  explicit TZEPHWPLPlaylistReader(TStream* Stream, const String& AFileName = String());
  // The "src" of every "media" element of smil/body/seq, as stored.
  void Read(TZEPHPlaylistSummary* Summary, IZEPHPlaylistItemsReceiver* Receiver) override;
};

namespace detail {
void ASXFormatsInitialization();
}  // namespace detail
