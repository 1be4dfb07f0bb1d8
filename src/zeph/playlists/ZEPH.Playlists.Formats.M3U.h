#pragma once
// The exchange formats of other players: M3U (system code page), M3U8 (UTF-8) and PLS. They carry
// file names with a title and a duration (M3U also an album-art link and a group); everything else
// of a playlist is lost when it is written in them.

#include "zeph/playlists/ZEPH.Playlists.Formats.h"

class TZEPHM3UPlaylistReader : public TZEPHPlaylistFormatCustomTextReader {
  ZCL_CLASS(TZEPHM3UPlaylistReader, TZEPHPlaylistFormatCustomTextReader)
 public:
  // Without a byte-order mark the text is taken as UTF-8, and as the system's code page when
  // that does not decode.
  explicit TZEPHM3UPlaylistReader(TStream* Stream, const String& AFileName = String());
  // Reads only for a receiver: these files hold no summary.
  void Read(TZEPHPlaylistSummary* Summary, IZEPHPlaylistItemsReceiver* Receiver) override;
};

class TZEPHM3UPlaylistWriter : public TZEPHPlaylistFormatCustomTextWriter {
  ZCL_CLASS(TZEPHM3UPlaylistWriter, TZEPHPlaylistFormatCustomTextWriter)
 public:
  explicit TZEPHM3UPlaylistWriter(TStream* Stream);
  void WriteItem(TZEPHPlaylistCustomItem* Item, Integer PlaybackQueueIndex) override;

 protected:
  TZEPHM3UPlaylistWriter(TStream* Stream, TEncoding* Encoding);
};

// UTF-8 without a byte-order mark.
class TZEPHM3U8PlaylistWriter : public TZEPHM3UPlaylistWriter {
  ZCL_CLASS(TZEPHM3U8PlaylistWriter, TZEPHM3UPlaylistWriter)
 public:
  explicit TZEPHM3U8PlaylistWriter(TStream* Stream);
};

class TZEPHPLSPlaylistReader : public TZEPHPlaylistFormatCustomTextReader {
  ZCL_CLASS(TZEPHPLSPlaylistReader, TZEPHPlaylistFormatCustomTextReader)
 public:
  using TZEPHPlaylistFormatCustomTextReader::TZEPHPlaylistFormatCustomTextReader;
  void Read(TZEPHPlaylistSummary* Summary, IZEPHPlaylistItemsReceiver* Receiver) override;
};

// The closing lines follow the entries when the writer is freed.
class TZEPHPLSPlaylistWriter : public TZEPHPlaylistFormatCustomTextWriter {
  ZCL_CLASS(TZEPHPLSPlaylistWriter, TZEPHPlaylistFormatCustomTextWriter)
 public:
  explicit TZEPHPLSPlaylistWriter(TStream* Stream);
  ~TZEPHPLSPlaylistWriter() override;
  void WriteItem(TZEPHPlaylistCustomItem* Item, Integer PlaybackQueueIndex) override;
  void EndWrite() override;

 private:
  Integer FCount = 0;
  bool FEnded = false;
};

// The title both writers give an entry: "Artist - Title", Title, or the bare file name.
String ZephPlaylistExchangeTitle(TZEPHPlaylistCustomItem* Item);

namespace detail {
void M3UFormatsInitialization();
}  // namespace detail
