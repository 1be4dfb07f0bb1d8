#include "zeph/playlists/ZEPH.Playlists.Formats.h"

#include <cmath>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.Encodings.h"

void TZEPHPlaylistSummary::Read(TZCLIniFileSection* Section) {
  ContentFiles = Section->ReadInteger(u"ContentFiles", 0);
  ContentDuration = Section->ReadInt64(u"ContentDuration", 0);
  ContentSize = Section->ReadInt64(u"ContentSize", 0);
  ID = Section->ReadString(u"ID", String());
  Name = Section->ReadString(u"Name", String());
  NameIsAutoSet = Section->ReadBool(u"NameIsAutoSet", false);
  PlaybackCursor = Section->ReadInteger(u"PlaybackCursor", -1);
  const Double seconds = Section->ReadFloat(u"PlaybackCursorAutoBookmark", 0);
  // Out-of-range values from a damaged file read as no bookmark.
  PlaybackCursorAutoBookmark = std::isfinite(seconds) && std::fabs(seconds) < 2.0e6
                                   ? static_cast<Integer>(std::lround(seconds * 1000))
                                   : 0;
  PlaybackTempo = Section->ReadInteger(u"PlaybackTempo", 0);
  Preimage = Section->ReadBool(u"Preimage", false);
  PreimageAutoSync = Section->ReadBool(u"PreimageAutoSync", false);
  ReadOnly = Section->ReadBool(u"ReadOnly", false);
  Shuffled = Section->ReadBool(u"Shuffled", false);
  SortingTemplate = Section->ReadString(u"SortingTemplate", String());
  UserReordered = Section->ReadBool(u"UserReordered", SortingTemplate.empty());
  Custom.clear();
  for (Integer i = 0; i < Section->GetCount(); ++i) {
    const String line = Section->GetStrings(i);
    if (StartsStr(u"Custom", line)) Custom.push_back(line.substr(6));
  }
}

void TZEPHPlaylistSummary::Write(TZCLIniFileSection* Section) const {
  Section->WriteString(u"ID", ID);
  Section->WriteString(u"Name", Name);
  Section->WriteBool(u"NameIsAutoSet", NameIsAutoSet);
  if (ContentDuration != 0) Section->WriteInt64(u"ContentDuration", ContentDuration);
  if (ContentFiles != 0) Section->WriteInteger(u"ContentFiles", ContentFiles);
  if (ContentSize != 0) Section->WriteInt64(u"ContentSize", ContentSize);
  Section->WriteInteger(u"PlaybackCursor", PlaybackCursor);
  Section->WriteFloat(u"PlaybackCursorAutoBookmark", PlaybackCursorAutoBookmark / 1000.0);
  if (PlaybackTempo != 0) Section->WriteInteger(u"PlaybackTempo", PlaybackTempo);
  if (ReadOnly) Section->WriteBool(u"ReadOnly", true);
  if (Preimage) Section->WriteBool(u"Preimage", true);
  if (PreimageAutoSync) Section->WriteBool(u"PreimageAutoSync", true);
  if (!SortingTemplate.empty()) Section->WriteString(u"SortingTemplate", SortingTemplate);
  Section->WriteBool(u"Shuffled", Shuffled);
  Section->WriteBool(u"UserReordered", UserReordered && SortingTemplate.empty());
  for (const String& value : Custom) Section->Add(u"Custom" + value);
}

TZEPHPlaylistFormatCustomTextReader::TZEPHPlaylistFormatCustomTextReader(TStream* Stream)
    : FText(zcStreamReadText(Stream, nullptr)) {}

TZEPHPlaylistFormatCustomTextWriter::TZEPHPlaylistFormatCustomTextWriter(TStream* Stream) : FStream(Stream) {
  static const Byte kMark[2] = {0xFF, 0xFE};
  if (FStream != nullptr) FStream->WriteBuffer(kMark, 2);
}

void TZEPHPlaylistFormatCustomTextWriter::WriteText(StringView Text, bool NewLine) {
  if (FStream == nullptr) return;
  // Raw UTF-16LE: the code units as they are on a little-endian host.
  std::vector<Byte> bytes;
  bytes.reserve(Text.size() * 2 + 4);
  for (Char c : Text) {
    bytes.push_back(static_cast<Byte>(c & 0xFF));
    bytes.push_back(static_cast<Byte>(c >> 8));
  }
  if (NewLine) bytes.insert(bytes.end(), {u'\r', 0, u'\n', 0});
  if (!bytes.empty()) FStream->WriteBuffer(bytes.data(), static_cast<NativeInt>(bytes.size()));
}
