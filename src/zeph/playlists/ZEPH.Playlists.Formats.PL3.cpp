#include "zeph/playlists/ZEPH.Playlists.Formats.PL3.h"

#include "rtl/RTL.Strings.h"
#include "zeph/playlists/ZEPH.Playlists.Types.h"

namespace {
// 0 for anything that is not a number.
Int64 Number(StringView S, bool* Valid = nullptr) {
  Int64 v = 0;
  const bool ok = ZephParseDecimal(S, v, true);
  if (Valid != nullptr) *Valid = ok;
  return ok ? v : 0;
}
}  // namespace

void TZEPHModernPlaylistFormatReader::Read(TZEPHPlaylistSummary* Summary, IZEPHPlaylistItemsReceiver* Receiver) {
  const StringView text(FText);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of(u"\r\n", pos);
    if (end == StringView::npos) end = text.size();
    const StringView line = text.substr(pos, end - pos);
    pos = end + (end + 1 < text.size() && text[end] == u'\r' && text[end + 1] == u'\n' ? 2 : 1);
    if (line.empty()) break;
    const size_t colon = line.find(u':');
    if (colon == 0 || colon == StringView::npos) continue;
    const StringView key = line.substr(0, colon);
    const StringView value = line.substr(colon + 1);
    if (SameText(key, u"#Track")) {
      if (Receiver != nullptr) ReadTrack(value, Receiver);
    } else if (SameText(key, u"#Group")) {
      if (Receiver == nullptr) continue;
      const size_t bar = value.rfind(u'|');
      if (bar == StringView::npos)
        Receiver->AddGroup(String(), Number(value) != 0);
      else
        Receiver->AddGroup(String(value.substr(0, bar)), Number(value.substr(bar + 1)) != 0);
    } else if (Summary != nullptr) {
      if (SameText(key, u"#Name"))
        Summary->Name = String(value);
      else if (SameText(key, u"#Cursor"))
        Summary->PlaybackCursor = static_cast<Integer>(Number(value));
      else if (SameText(key, u"#ReadOnly"))
        Summary->ReadOnly = Number(value) != 0;
      else if (SameText(key, u"#ID"))
        Summary->ID = String(value);
      else if (SameText(key, u"#SortBy"))
        Summary->SortingTemplate = String(value);
    }
  }
}

void TZEPHModernPlaylistFormatReader::ReadTrack(StringView Value, IZEPHPlaylistItemsReceiver* Receiver) {
  TZEPHPlaylistCustomItem* item = nullptr;
  Integer queueIndex = FDelivered;
  try {
    item = Create<TZEPHPlaylistCustomItem>();
    StringView fields[15];
    size_t at = 0;
    for (StringView& field : fields) {
      if (at > Value.size()) break;
      size_t bar = Value.find(u'|', at);
      if (bar == StringView::npos) bar = Value.size();
      field = Value.substr(at, bar - at);
      at = bar + 1;
    }
    TZBLStreamInfo si;
    item->SetItemFlag(zpifPlaybackSwitch, fields[0] != u"0");
    item->SetFileName(ConvertFileName(String(fields[1])));
    const auto text = [&](Integer Index, StringView Field) {
      if (!Field.empty()) item->SetValue(Index, String(Field));
    };
    text(fitArtist, fields[2]);
    text(fitAlbum, fields[3]);
    text(fitGenre, fields[4]);
    text(fitTitle, fields[5]);
    si.Duration = static_cast<Cardinal>(Number(fields[6]));
    item->SetFileSize(Number(fields[7]));
    if (!fields[8].empty()) item->SetTrackNumber(String(fields[8]));
    text(fitDate, fields[9]);
    si.SampleRate = static_cast<Cardinal>(Number(fields[10]));
    si.Bitrate = static_cast<Integer>(Number(fields[11]));
    si.Channels = static_cast<Word>(Number(fields[12]));
    si.StreamSize = item->GetFileSize();
    item->SetStreamInfo(si);
    if (!fields[13].empty()) item->SetDiskNumber(String(fields[13]));
    bool valid = false;
    const Int64 stored = Number(fields[14], &valid);
    if (valid) queueIndex = static_cast<Integer>(stored);
  } catch (const Exception&) {
    // A damaged entry is dropped; the rest of the file is read.
    Free(item);
    return;
  }
  ZephDeliverItem(Receiver, item, queueIndex);
  ++FDelivered;
}

namespace detail {
void PL3FormatInitialization() {
  TZEPHPlaylistFormats::Register(
      u"*.zephpl;", u"ZEPH3 Playlists", String(),
      [](TStream* Stream, const String& FileName) { return new TZEPHModernPlaylistFormatReader(Stream, FileName); },
      nullptr);
}
}  // namespace detail
