#pragma once
// The player's own playlist file: UTF-16LE text in sections SUMMARY, SETTINGS, CONTENT and
// PREIMAGE; one line per group and per entry, 26 fields each ended by "|".

#include <memory>
#include <vector>

#include "zeph/playlists/ZEPH.Playlists.Formats.h"

class TZCLStringSharedTable;

class TZEPHPL4FormatWriter : public TZEPHPlaylistFormatCustomTextWriter {
  ZCL_CLASS(TZEPHPL4FormatWriter, TZEPHPlaylistFormatCustomTextWriter)
 public:
  using TZEPHPlaylistFormatCustomTextWriter::TZEPHPlaylistFormatCustomTextWriter;
  void WriteGroup(const String& Name, bool Expanded) override;
  void WriteItem(TZEPHPlaylistCustomItem* Item, Integer PlaybackQueueIndex) override;
  void WritePreimage(const std::vector<Byte>& Document) override;
  void WriteSettings(TZCLIniFileSection* Section) override;
  void WriteSummary(const TZEPHPlaylistSummary& Summary) override;

 private:
  void StartContent();
  bool FContentStarted = false;
};

class TZEPHPL4FormatReader : public TZEPHPlaylistFormatCustomTextReader {
  ZCL_CLASS(TZEPHPL4FormatReader, TZEPHPlaylistFormatCustomTextReader)
 public:
  explicit TZEPHPL4FormatReader(TStream* Stream, const String& AFileName = String());
  ~TZEPHPL4FormatReader() override;
  void Read(TZEPHPlaylistSummary* Summary, IZEPHPlaylistItemsReceiver* Receiver) override;
  TZCLIniFileSection* ReadSettings() override;
  // The preimage document's bytes; false for a missing or undecodable line.
  bool ReadPreimage(std::vector<Byte>& Document) override;

 private:
  struct TSection {
    String Name;
    size_t Start;  // 0-based, first character of the content
    size_t End;    // past the content
  };
  // False when the file has no section of that name; the first of equal names counts.
  bool FindSection(StringView Name, StringView& Content) const;
  void ReadContent(StringView Content, IZEPHPlaylistItemsReceiver* Receiver);

  std::vector<TSection> FSections;
  std::unique_ptr<TZCLStringSharedTable> FStrings;
};

namespace detail {
void PL4FormatInitialization();
}  // namespace detail
