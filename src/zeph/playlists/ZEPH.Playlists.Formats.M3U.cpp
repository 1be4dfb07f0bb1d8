#include "zeph/playlists/ZEPH.Playlists.Formats.M3U.h"

#include <algorithm>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/playlists/ZEPH.Playlists.Types.h"

namespace {
// Lists written on other systems use "\" between folders.
String LocalName(StringView Name) {
  String r(Name);
  if (r.find(u'\\') != String::npos && !zcIsURL(r)) std::replace(r.begin(), r.end(), u'\\', u'/');
  return r;
}

Cardinal SecondsToDuration(Int64 Seconds) {
  if (Seconds <= 0) return 0;
  return static_cast<Cardinal>(std::min<Int64>(Seconds * 1000, 0xFFFFFFFFLL));
}

// The text between Key followed by a double quote and the next double quote; Key is found
// ignoring case.
String QuotedAttribute(StringView Text, StringView Key) {
  const String lower = LowerCase(Text);
  const String needle = LowerCase(Key) + u"\"";
  const size_t at = lower.find(needle);
  if (at == String::npos) return String();
  const size_t start = at + needle.size();
  const size_t end = Text.find(u'"', start);
  return String(Text.substr(start, end == StringView::npos ? StringView::npos : end - start));
}

void AddEntry(IZEPHPlaylistItemsReceiver* Receiver, const String& FileName, const String& Title, Cardinal Duration,
              const String& Album, const String& Link) {
  TZEPHPlaylistCustomItem* item = Create<TZEPHPlaylistCustomItem>();
  try {
    item->SetFileName(FileName);
    if (!Album.empty()) item->SetValue(fitAlbum, Album);
    if (!Title.empty()) item->SetValue(fitTitle, Title);
    if (!Link.empty()) item->SetValue(fitLink, Link);
    TZBLStreamInfo si;
    si.Duration = Duration;
    item->SetStreamInfo(si);
  } catch (...) {
    Free(item);
    throw;
  }
  ZephDeliverItem(Receiver, item, -1);
}
}  // namespace

String ZephPlaylistExchangeTitle(TZEPHPlaylistCustomItem* Item) { return TZBLFileInfoUtils::FormatDisplayText(Item); }

// ---------------------------------------------------------------------------------------------

TZEPHM3UPlaylistReader::TZEPHM3UPlaylistReader(TStream* Stream, const String& AFileName)
    : TZEPHPlaylistFormatCustomTextReader(Stream, AFileName, nullptr, true) {
  TBytes bytes;
  bytes.swap(FBytes);
  TEncoding* encoding = nullptr;
  const Integer mark = zcDetectEncoding(bytes, encoding, TEncoding::GetUTF8());
  // Without a mark: UTF-8 when the bytes are UTF-8, else the system's code page.
  if (mark == 0 && !zcIsValidUTF8(bytes.data(), static_cast<Integer>(bytes.size())))
    encoding = TZCLEncodings::Default();
  FText = encoding->GetString(bytes, mark, static_cast<Integer>(bytes.size()) - mark);
}

void TZEPHM3UPlaylistReader::Read(TZEPHPlaylistSummary*, IZEPHPlaylistItemsReceiver* Receiver) {
  if (Receiver == nullptr) return;
  static constexpr StringView kInfo = u"#EXTINF:";
  static constexpr StringView kGroup = u"#EXTGRP:";
  static constexpr StringView kArt = u"#EXTALBUMARTURL:";
  Int64 duration = 0;
  String title, link, group;
  bool pending = false;
  const StringView text(FText);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of(u"\r\n", pos);
    if (end == StringView::npos) end = text.size();
    StringView line = text.substr(pos, end - pos);
    pos = end + 1;
    while (!line.empty() && (line[0] == u' ' || line[0] == u'\t' || line[0] == 0)) line.remove_prefix(1);
    if (line.empty()) continue;
    if (line[0] == u'#') {
      if (line.substr(0, kInfo.size()) == kInfo) {
        const size_t comma = line.find(u',');
        if (comma != StringView::npos) {
          title = String(line.substr(comma + 1));
          size_t run = kInfo.size();
          while (run < line.size() && (line[run] == u'+' || line[run] == u'-' || (line[run] >= u'0' && line[run] <= u'9')))
            ++run;
          if (!ZephParseDecimal(line.substr(kInfo.size(), run - kInfo.size()), duration)) duration = 0;
          if (run + 1 < comma) {
            const StringView attributes = line.substr(run + 1, comma - run - 1);
            link = QuotedAttribute(attributes, u"logo=");
            group = QuotedAttribute(attributes, u"group-title=");
          }
        } else {
          // The character after the colon is dropped.
          title = line.size() > kInfo.size() + 1 ? String(line.substr(kInfo.size() + 1)) : String();
        }
        pending = true;
      } else if (line.substr(0, kGroup.size()) == kGroup) {
        group = String(line.substr(kGroup.size()));
        pending = true;
      } else if (line.substr(0, kArt.size()) == kArt) {
        link = String(line.substr(kArt.size()));
        pending = true;
      }
      continue;
    }
    const String name = ConvertFileName(LocalName(line));
    if (pending) {
      AddEntry(Receiver, name, title, SecondsToDuration(duration), group, link);
      duration = 0;
      title.clear();
      link.clear();
      pending = false;
    } else {
      Receiver->AddItem(name, nullptr, -1);
    }
  }
}

TZEPHM3UPlaylistWriter::TZEPHM3UPlaylistWriter(TStream* Stream)
    : TZEPHM3UPlaylistWriter(Stream, TZCLEncodings::Default()) {}

TZEPHM3UPlaylistWriter::TZEPHM3UPlaylistWriter(TStream* Stream, TEncoding* Encoding)
    : TZEPHPlaylistFormatCustomTextWriter(Stream, Encoding) {
  WriteText(u"#EXTM3U", true);
}

void TZEPHM3UPlaylistWriter::WriteItem(TZEPHPlaylistCustomItem* Item, Integer) {
  const Cardinal duration = Item->GetStreamInfo().Duration;
  WriteText(u"#EXTINF:" + (duration == 0 ? String(u"-1") : IntToStr(duration / 1000)) + u"," +
                ZephPlaylistExchangeTitle(Item),
            true);
  const String& link = Item->GetValue(fitLink);
  if (!link.empty() && IsImageFileName(link)) WriteText(u"#EXTALBUMARTURL:" + link, true);
  WriteText(ConvertFileName(Item->GetFileName()), true);
}

TZEPHM3U8PlaylistWriter::TZEPHM3U8PlaylistWriter(TStream* Stream)
    : TZEPHM3UPlaylistWriter(Stream, TEncoding::GetUTF8()) {}

// ---------------------------------------------------------------------------------------------

void TZEPHPLSPlaylistReader::Read(TZEPHPlaylistSummary*, IZEPHPlaylistItemsReceiver* Receiver) {
  if (Receiver == nullptr) return;
  // The "playlist" section read by the INI rules (keys without case, the first of equal keys
  // counts, every section of that name adds to it), with the numbered keys indexed as they come
  // so that lists of many entries stay linear.
  struct TKey {
    Int64 Index;
    int Kind;  // 0 File, 1 Title, 2 Length
    StringView Value;
  };
  std::vector<TKey> keys;
  StringView countText;
  bool hasCount = false;
  Int64 lines = 0;
  Int64 highestFile = 0;
  bool inSection = false;
  const StringView text(FText);
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find_first_of(u"\r\n", pos);
    if (end == StringView::npos) end = text.size();
    const StringView line = text.substr(pos, end - pos);
    pos = end + 1;
    if (line.empty()) continue;
    if (line[0] == u'[') {
      inSection = line.size() >= 2 && SameText(line.substr(1, line.size() - 2), u"playlist");
      continue;
    }
    if (!inSection) continue;
    ++lines;
    const size_t eq = line.find(u'=');
    if (eq == StringView::npos) continue;
    const StringView key = line.substr(0, eq), value = line.substr(eq + 1);
    if (SameText(key, u"NumberOfEntries")) {
      if (!hasCount) countText = value;
      hasCount = true;
      continue;
    }
    for (const auto& [name, kind] : {std::pair<StringView, int>{u"file", 0}, {u"title", 1}, {u"length", 2}})
      if (key.size() > name.size() && SameText(key.substr(0, name.size()), name)) {
        Int64 n = 0;
        if (ZephParseDecimal(key.substr(name.size()), n) && n >= 1) {
          keys.push_back({n, kind, value});
          if (kind == 0) highestFile = std::max(highestFile, n);
        }
        break;
      }
  }
  Int64 count = 0;
  // Lists without a usable count are common: their highest "File" number stands in.
  if (!hasCount || !TryStrToInt64(countText, count)) count = highestFile;
  // A count larger than the section could hold would only allocate empty entries.
  count = std::clamp<Int64>(count, 0, lines);
  struct TValues {
    StringView Field[3];
    bool Has[3] = {false, false, false};
  };
  std::vector<TValues> values(static_cast<size_t>(count));
  for (const TKey& k : keys)
    if (k.Index <= count) {
      TValues& v = values[static_cast<size_t>(k.Index - 1)];
      if (!v.Has[k.Kind]) {
        v.Field[k.Kind] = k.Value;
        v.Has[k.Kind] = true;
      }
    }
  for (const TValues& v : values) {
    Int64 seconds = 0;
    if (!TryStrToInt64(v.Field[2], seconds)) seconds = 0;
    AddEntry(Receiver, ConvertFileName(LocalName(v.Field[0])), String(v.Field[1]), SecondsToDuration(seconds),
             String(), String());
  }
}

TZEPHPLSPlaylistWriter::TZEPHPLSPlaylistWriter(TStream* Stream)
    : TZEPHPlaylistFormatCustomTextWriter(Stream, TZCLEncodings::Default()) {
  WriteText(u"[playlist]", true);
}

TZEPHPLSPlaylistWriter::~TZEPHPLSPlaylistWriter() {
  try {
    EndWrite();
  } catch (...) {
    // Destructors do not raise; callers that care call EndWrite themselves.
  }
}

void TZEPHPLSPlaylistWriter::EndWrite() {
  if (FEnded) return;
  FEnded = true;
  WriteText(u"NumberOfEntries=" + IntToStr(FCount), true);
  WriteText(u"Version=2", true);
}

void TZEPHPLSPlaylistWriter::WriteItem(TZEPHPlaylistCustomItem* Item, Integer) {
  const String n = IntToStr(++FCount);
  WriteText(u"File" + n + u"=" + ConvertFileName(Item->GetFileName()), true);
  WriteText(u"Length" + n + u"=" + IntToStr(Item->GetStreamInfo().Duration / 1000), true);
  WriteText(u"Title" + n + u"=" + ZephPlaylistExchangeTitle(Item), true);
}

namespace detail {
void M3UFormatsInitialization() {
  TZEPHPlaylistFormats::Register(
      u"*.m3u;", u"M3U Playlists", u"#EXTM3U",
      [](TStream* Stream, const String& FileName) { return new TZEPHM3UPlaylistReader(Stream, FileName); },
      [](TStream* Stream) { return new TZEPHM3UPlaylistWriter(Stream); });
  TZEPHPlaylistFormats::Register(
      u"*.m3u8;", u"M3U Playlists (Unicode)", u"#EXTM3U",
      [](TStream* Stream, const String& FileName) { return new TZEPHM3UPlaylistReader(Stream, FileName); },
      [](TStream* Stream) { return new TZEPHM3U8PlaylistWriter(Stream); });
  TZEPHPlaylistFormats::Register(
      u"*.pls;", u"Winamp Playlists", u"[playlist]",
      [](TStream* Stream, const String& FileName) { return new TZEPHPLSPlaylistReader(Stream, FileName); },
      [](TStream* Stream) { return new TZEPHPLSPlaylistWriter(Stream); });
}
}  // namespace detail
