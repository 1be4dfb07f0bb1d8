#include "zeph/playlists/ZEPH.Playlists.Formats.PL4.h"

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/playlists/ZEPH.Playlists.Types.h"

namespace {
constexpr StringView kOpen = u"#-----";
constexpr StringView kClose = u"-----#";

String Escape(StringView Text) {
  String r(Text);
  for (Char& c : r)
    if (c == u'\r' || c == u'\n' || c == u'|') c = u'_';
  return r;
}

String NumberPart(const String& Text) {
  const size_t slash = Text.find(u'/');
  return slash == String::npos ? Text : Text.substr(0, slash);
}

void WriteSection(TZEPHPlaylistFormatCustomTextWriter* W, StringView Name, TZCLIniFileSection* Section) {
  W->WriteText(String(kOpen) + String(Name) + String(kClose), true);
  for (Integer i = 0; i < Section->GetCount(); ++i) W->WriteText(Section->GetStrings(i), true);
  W->WriteText(u"", true);
}

// Indices of the record's texts in field order 2 to 11 and 21, 22, 24.
constexpr Integer kFirstTexts[] = {fitTitle, fitArtist, fitAlbum, fitAlbumArtist, fitGenre, fitDate};
}  // namespace

// ---------------------------------------------------------------------------------------------

void TZEPHPL4FormatWriter::StartContent() {
  if (FContentStarted) return;
  FContentStarted = true;
  WriteText(u"#-----CONTENT-----#", true);
}

void TZEPHPL4FormatWriter::WriteGroup(const String& Name, bool Expanded) {
  StartContent();
  WriteText((Expanded ? u"-" : u"+") + Escape(Name), true);
}

void TZEPHPL4FormatWriter::WriteItem(TZEPHPlaylistCustomItem* Item, Integer PlaybackQueueIndex) {
  StartContent();
  const TZBLStreamInfo& si = Item->GetStreamInfo();
  String line;
  line.reserve(256);
  const auto text = [&](StringView S) {
    line += Escape(S);
    line += u'|';
  };
  const auto number = [&](Int64 V) {
    line += IntToStr(V);
    line += u'|';
  };
  text(ConvertFileName(Item->GetFileName()));
  for (Integer index : kFirstTexts) text(Item->GetValue(index));
  text(NumberPart(Item->GetValue(fitTrack)));
  text(NumberPart(Item->GetValue(fitDisk)));
  text(Item->GetValue(fitComposer));
  text(Item->GetValue(fitPublisher));
  number(static_cast<Cardinal>(si.Bitrate));
  number(static_cast<Word>(si.Channels));
  number(static_cast<Cardinal>(si.SampleRate));
  number(static_cast<Cardinal>(si.Duration));
  number(Item->GetFileSize());
  number(Item->GetBPM());
  number(Item->HasItemFlag(zpifPlaybackSwitch) ? 1 : 0);
  number(PlaybackQueueIndex);
  text(Item->GetCustomText());
  text(Item->GetValue(fitLyricist));
  text(Item->GetValue(fitMood));
  number(static_cast<SmallInt>(si.BitDepth));
  text(Item->GetValue(fitLink));
  text(Item->GetFileFormat());
  text(zcEncodeLineBreaks(Item->GetValue(fitComment)));
  WriteText(line, true);
}

void TZEPHPL4FormatWriter::WritePreimage(const std::vector<Byte>& Document) {
  WriteText(u"#-----PREIMAGE-----#", true);
  WriteText(ZephBytesToHex(Document.data(), Document.size()), true);
}

void TZEPHPL4FormatWriter::WriteSettings(TZCLIniFileSection* Section) { WriteSection(this, u"SETTINGS", Section); }

void TZEPHPL4FormatWriter::WriteSummary(const TZEPHPlaylistSummary& Summary) {
  TZCLIniFileSection section;
  Summary.Write(&section);
  WriteSection(this, u"SUMMARY", &section);
}

// ---------------------------------------------------------------------------------------------

TZEPHPL4FormatReader::TZEPHPL4FormatReader(TStream* Stream, const String& AFileName)
    : TZEPHPlaylistFormatCustomTextReader(Stream, AFileName), FStrings(std::make_unique<TZCLStringSharedTable>()) {
  // A header counts only as a whole line, so "#-----" inside a title, path or name never cuts
  // the content.
  const Char* base = FText.data();
  const Char* cursor = base;
  Integer left = static_cast<Integer>(FText.size());
  while (left > 0) {
    const size_t lineStart = static_cast<size_t>(cursor - base);
    StringView line;
    zcReadLine(cursor, left, line);
    if (line.size() >= kOpen.size() + kClose.size() && line.substr(0, kOpen.size()) == kOpen &&
        line.substr(line.size() - kClose.size()) == kClose) {
      if (!FSections.empty()) FSections.back().End = lineStart;
      const StringView name = line.substr(kOpen.size(), line.size() - kOpen.size() - kClose.size());
      FSections.push_back({String(name), static_cast<size_t>(cursor - base), FText.size()});
    }
  }
}

TZEPHPL4FormatReader::~TZEPHPL4FormatReader() = default;

bool TZEPHPL4FormatReader::FindSection(StringView Name, StringView& Content) const {
  for (const TSection& s : FSections)
    if (s.Name == Name) {
      Content = StringView(FText).substr(s.Start, s.End - s.Start);
      return true;
    }
  return false;
}

void TZEPHPL4FormatReader::Read(TZEPHPlaylistSummary* Summary, IZEPHPlaylistItemsReceiver* Receiver) {
  StringView content;
  if (Summary != nullptr && FindSection(u"SUMMARY", content)) {
    TZCLIniFileSection section;
    section.SetText(String(content));
    Summary->Read(&section);
  }
  if (Receiver != nullptr && FindSection(u"CONTENT", content)) ReadContent(content, Receiver);
}

void TZEPHPL4FormatReader::ReadContent(StringView Content, IZEPHPlaylistItemsReceiver* Receiver) {
  const Char* cursor = Content.data();
  Integer left = static_cast<Integer>(Content.size());
  StringView line;
  while (zcReadLine(cursor, left, line)) {
    if ((line[0] == u'+' || line[0] == u'-') && line.find(u'|') == StringView::npos) {
      Receiver->AddGroup(FStrings->Share(line.substr(1)), line[0] == u'-');
      continue;
    }
    TZEPHPlaylistCustomItem* item = Create<TZEPHPlaylistCustomItem>();
    Integer queueIndex = -1;
    const Char* fc = line.data();
    Integer fl = static_cast<Integer>(line.size());
    TZBLStreamInfo si;
    item->BeginUpdate();
    for (int field = 1; field <= 26 && fl > 0; ++field) {
      StringView part;
      zcReadToken(fc, fl, part, u'|');
      Int64 n = 0;
      const bool isNumber = zcTryStrToInt64(part.data(), static_cast<Integer>(part.size()), n);
      const auto setText = [&](Integer Index) {
        if (!part.empty()) item->SetValue(Index, FStrings->Share(part));
      };
      switch (field) {
        case 1: item->SetFileName(ConvertFileName(FStrings->Share(part))); break;
        case 2: case 3: case 4: case 5: case 6: case 7: setText(kFirstTexts[field - 2]); break;
        case 8: if (!part.empty()) item->SetTrackNumber(String(part)); break;
        case 9: if (!part.empty()) item->SetDiskNumber(String(part)); break;
        case 10: setText(fitComposer); break;
        case 11: setText(fitPublisher); break;
        case 12: if (isNumber) si.Bitrate = static_cast<decltype(si.Bitrate)>(n); break;
        case 13: if (isNumber) si.Channels = static_cast<decltype(si.Channels)>(static_cast<Word>(n)); break;
        case 14: if (isNumber) si.SampleRate = static_cast<decltype(si.SampleRate)>(n); break;
        case 15: if (isNumber) si.Duration = static_cast<decltype(si.Duration)>(n); break;
        case 16: if (isNumber) item->SetFileSize(n); break;
        case 17: if (isNumber) item->SetBPM(static_cast<SmallInt>(n) < 0 ? 0 : static_cast<SmallInt>(n)); break;
        case 18: if (isNumber) item->SetItemFlag(zpifPlaybackSwitch, n != 0); break;
        case 19: if (isNumber) queueIndex = static_cast<Integer>(n); break;
        case 20: item->SetCustomText(FStrings->Share(part)); break;
        case 21: setText(fitLyricist); break;
        case 22: setText(fitMood); break;
        case 23: if (isNumber) si.BitDepth = static_cast<decltype(si.BitDepth)>(n); break;
        case 24: setText(fitLink); break;
        case 25: item->SetFileFormat(FStrings->Share(part)); break;
        case 26: if (!part.empty()) item->SetValue(fitComment, zcDecodeLineBreaks(part)); break;
      }
    }
    item->SetStreamInfo(si);
    item->EndUpdate();
    ZephDeliverItem(Receiver, item, queueIndex);
  }
}

TZCLIniFileSection* TZEPHPL4FormatReader::ReadSettings() {
  StringView content;
  if (!FindSection(u"SETTINGS", content)) return nullptr;
  auto* section = new TZCLIniFileSection();
  section->SetText(String(content));
  return section;
}

bool TZEPHPL4FormatReader::ReadPreimage(std::vector<Byte>& Document) {
  Document.clear();
  StringView content;
  if (!FindSection(u"PREIMAGE", content)) return false;
  while (!content.empty() && content.back() < 33) content.remove_suffix(1);
  return !content.empty() && ZephHexToBytes(content, Document);
}

namespace detail {
void PL4FormatInitialization() {
  TZEPHPlaylistFormats::Register(
      u"*.zephpl4;", u"ZEPH4 Playlist", u"#-----",
      [](TStream* Stream, const String& FileName) { return new TZEPHPL4FormatReader(Stream, FileName); },
      [](TStream* Stream) { return new TZEPHPL4FormatWriter(Stream); });
}
}  // namespace detail
