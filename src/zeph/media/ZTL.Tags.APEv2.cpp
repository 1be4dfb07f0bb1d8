#include "zeph/media/ZTL.Tags.APEv2.h"

#include <cstring>

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/graphics/ZCL.Graphics.Images.h"
#include "zeph/media/ZTL.Tags.ID3v1.h"
#include "zeph/media/ZTL.Tags.h"

namespace {

constexpr Integer FooterSize = 32;

Cardinal LE32(const Byte* P) {
  return static_cast<Cardinal>(P[0]) | static_cast<Cardinal>(P[1]) << 8 | static_cast<Cardinal>(P[2]) << 16 |
         static_cast<Cardinal>(P[3]) << 24;
}

void PutLE32(std::string& Out, Cardinal V) {
  for (int i = 0; i < 4; ++i) Out += static_cast<char>((V >> (8 * i)) & 0xFF);
}

TZTLAPEv2Footer ParseFooter(const Byte* B) {
  TZTLAPEv2Footer f;
  std::memcpy(f.Preamble, B, 8);
  f.Version = LE32(B + 8);
  f.TagSize = LE32(B + 12);
  f.ItemCount = LE32(B + 16);
  f.Flags = LE32(B + 20);
  std::memcpy(f.Reserved, B + 24, 8);
  return f;
}

}  // namespace

bool TZTLAPEv2Codec::FindFooter(TStream* Stream, TZTLAPEv2Location& Location) {
  Location = TZTLAPEv2Location();
  Location.StreamSize = Stream->GetSize();
  Location.TrailSize = TZTLID3v1Codec::GetTagSize(Stream);
  const Int64 front = Location.StreamSize - Location.TrailSize;
  // Up to 32 bytes leave room for no more than an empty tag; exactly 32 may be that tag's footer,
  // which a save must find again or every save would add a footer.
  Byte b[FooterSize];
  bool valid = false;
  TZTLAPEv2Footer footer;
  if (front >= FooterSize) {
    Stream->SetPosition(front - FooterSize);
    if (Stream->Read(b, FooterSize) == FooterSize && std::memcmp(b, "APETAGEX", 8) == 0) {
      footer = ParseFooter(b);
      valid = footer.TagSize >= FooterSize && footer.TagSize <= front;
    }
  }
  if (!valid) {
    Location.Found = front <= FooterSize;
    return Location.Found;
  }
  Location.Footer = footer;
  Location.Found = true;
  // A header goes with the tag when it stands where the footer says.
  const Int64 headerAt = front - footer.TagSize - FooterSize;
  if ((footer.Flags & APEv2FlagHasHeader) && headerAt >= 0) {
    Byte h[FooterSize];
    Stream->SetPosition(headerAt);
    if (Stream->Read(h, FooterSize) == FooterSize && std::memcmp(h, "APETAGEX", 8) == 0)
      Location.HeaderSize = FooterSize;
  }
  return true;
}

Cardinal TZTLAPEv2Codec::Read(TStream* Stream, std::vector<TZTLAPEv2Item>& Items) {
  Items.clear();
  TZTLAPEv2Location at;
  if (!FindFooter(Stream, at) || at.Footer.TagSize == 0) return 0;
  const Int64 start = at.StreamSize - at.TrailSize - at.Footer.TagSize;
  const Int64 end = at.StreamSize - at.TrailSize - FooterSize;
  std::string area(static_cast<size_t>(end - start), '\0');
  Stream->SetPosition(start);
  if (Stream->Read(area.data(), static_cast<Integer>(area.size())) != static_cast<Integer>(area.size()))
    return at.Footer.TagSize;
  const Byte* p = reinterpret_cast<const Byte*>(area.data());
  size_t pos = 0;
  for (Cardinal i = 0; i < at.Footer.ItemCount; ++i) {
    if (area.size() - pos < 9) break;
    const Cardinal size = LE32(p + pos);
    const Cardinal flags = LE32(p + pos + 4);
    const size_t keyStart = pos + 8;
    const size_t keyEnd = area.find('\0', keyStart);
    if (keyEnd == std::string::npos) break;
    const size_t valueStart = keyEnd + 1;
    if (size > area.size() - valueStart) break;  // the value runs past the tag: damaged
    TZTLAPEv2Item item;
    item.Key = area.substr(keyStart, keyEnd - keyStart);
    item.Flags = flags;
    item.Value = area.substr(valueStart, size);
    Items.push_back(std::move(item));
    pos = valueStart + size;
  }
  return at.Footer.TagSize;
}

void TZTLAPEv2Codec::Write(TStream* Stream, const std::vector<TZTLAPEv2Item>& Items, bool Delete) {
  TZTLAPEv2Location at;
  FindFooter(Stream, at);
  if (at.Footer.TagSize == 0 && Delete) return;
  std::string trail(static_cast<size_t>(at.TrailSize), '\0');
  if (at.TrailSize > 0) {
    Stream->SetPosition(at.StreamSize - at.TrailSize);
    Stream->ReadBuffer(trail.data(), at.TrailSize);
  }
  Stream->SetSize(at.TagStart());
  std::string out;
  if (!Delete) {
    for (const TZTLAPEv2Item& item : Items) {
      PutLE32(out, static_cast<Cardinal>(item.Value.size()));
      PutLE32(out, item.Flags);
      out += item.Key;
      out += '\0';
      out += item.Value;
    }
    const Cardinal tagSize = static_cast<Cardinal>(out.size()) + FooterSize;
    out += "APETAGEX";
    PutLE32(out, 2000);
    PutLE32(out, tagSize);
    PutLE32(out, static_cast<Cardinal>(Items.size()));
    PutLE32(out, at.Footer.Flags & ~(APEv2FlagHasHeader | APEv2FlagIsHeader));
    out.append(reinterpret_cast<const char*>(at.Footer.Reserved), 8);
  }
  out += trail;
  Stream->Seek(0, soEnd);
  if (!out.empty()) Stream->WriteBuffer(out.data(), static_cast<Int64>(out.size()));
}

// ---- TZTLTagAPEv2 ----------------------------------------------------------------------------------

namespace {

constexpr Cardinal MaxTextItem = 65535;
constexpr std::string_view CoverKey = "Cover Art (Front)";


class TZTLTagAPEv2FieldMap : public TZTLTagFieldMap {
 public:
  using TZTLTagFieldMap::TZTLTagFieldMap;
  void Populate() override {
    TZTLTagFieldMap::Populate();
    Add("ALBUM", u"Album", true);
    Add("ALBUM ARTIST", u"AlbumArtist", true);
    Add("ARTIST", u"Artist", true);
    Add("BPM", u"BPM", false);
    Add("COMMENT", u"Comment", false);
    Add("COMPILATION", u"PartOfCompilation", false);
    Add("COMPOSER", u"Composer", true);
    Add("CONDUCTOR", u"Conductor", false);
    Add("COPYRIGHT", u"Copyright", true);
    Add("YEAR", u"Date", false);
    Add("DISC", u"Disk", false);
    Add("DiscNumber", u"Disk", false);
    Add("ENCODEDBY", u"EncodedBy", true);
    Add("GENRE", u"Genre", true);
    Add("INITIALKEY", u"Key", false);
    Add("LYRICS", u"Lyrics", false);
    Add("LYRICIST", u"Lyricist", true);
    Add("MOOD", u"Mood", true);
    Add("Publisher", u"Publisher", true);
    Add("RATING", u"Rating", false);
    Add("TITLE", u"Title", false);
    Add("TRACK", u"Track", false);
    Add("LABELNO", u"Catalog", false);
    Add("ISRC", u"ISRC", false);
    Add("URL", u"Link", true);
  }
};

const TZTLTagFieldMap* APEv2FieldMap() {
  static const std::unique_ptr<TZTLTagAPEv2FieldMap> map = [] {
    RegisterTagProperties();
    return TZTLTagFieldMap::CreatePopulated<TZTLTagAPEv2FieldMap>(TZTLTag::StaticClass());
  }();
  return map.get();
}

class TZTLTagAPEv2Filer : public TZTLTagMappedFiler {
 public:
  TZTLTagAPEv2Filer(TZTLTag* Tag, TStream* Stream) : TZTLTagMappedFiler(Tag, Stream, APEv2FieldMap()) {}
  String NormalizeMultiValue(const String& Text, const TZTLTagFieldMapItem&) override {
    return zcReplaceChar(Text, u'\0', u';');
  }
  String JoinMultiValue(const String& Text, const TZTLTagFieldMapItem&) override {
    return zcReplaceChar(Text, u';', u'\0');
  }
};

}  // namespace

TZTLTagAPEv2::TZTLTagAPEv2(TStream* Stream) : TZTLTagAPEv2() { Load(this, Stream); }

void TZTLTagAPEv2::ClearTags() {
  inherited::ClearTags();
  FRawItems.clear();
}

void TZTLTagAPEv2::DoAssign(const TZBLCustomFileInfo* Source) {
  inherited::DoAssign(Source);
  if (const auto* ape = dynamic_cast<const TZTLTagAPEv2*>(Source)) FRawItems = ape->FRawItems;
}

void TZTLTagAPEv2::Load(TZTLTag* Tag, TStream* Stream) {
  auto* ape = dynamic_cast<TZTLTagAPEv2*>(Tag);
  std::vector<TZTLAPEv2Item> items;
  Tag->BeginUpdate();
  Tag->SetSize(TZTLAPEv2Codec::Read(Stream, items));
  TZTLTagAPEv2Filer filer(Tag, Stream);
  for (TZTLAPEv2Item& item : items) {
    if (item.IsBinary() && TagsSameName(item.Key, CoverKey) && !Tag->GetAlbumArt()) {
      const size_t nul = item.Value.find('\0');
      const size_t start = nul == std::string::npos ? item.Value.size() : nul + 1;
      if (start < item.Value.size()) {
        IPtr<IZCLDataContainer> art(Create<TZCLDataContainer>());
        art->GetStream()->WriteBuffer(item.Value.data() + start, static_cast<Int64>(item.Value.size() - start));
        Tag->SetAlbumArt(art);
      }
    } else if (!item.IsBinary() && item.Value.size() < MaxTextItem) {
      filer.ReadField(item.Key, item.Value);
    } else if (ape) {
      ape->FRawItems.push_back(std::move(item));
    }
  }
  Tag->EndUpdate();
}

void TZTLTagAPEv2::Save(TZTLTag* Tag, TStream* Stream) {
  std::vector<TZTLAPEv2Item> items;
  if (!Tag->GetDeleteTagOnSave()) {
    TZTLTagAPEv2Filer filer(Tag, Stream);
    filer.EnumValues(
        [&items](const AnsiString& Name, const RawByteString& Value) {
          items.push_back({Name, 0, Value});
        },
        false);
    if (const auto* ape = dynamic_cast<const TZTLTagAPEv2*>(Tag))
      items.insert(items.end(), ape->FRawItems.begin(), ape->FRawItems.end());
    if (const IPtr<IZCLDataContainer>& art = Tag->GetAlbumArt(); art && art->GetDataSize() > 0) {
      const auto* data = static_cast<const Byte*>(art->GetData());
      TZCLImageFormatClass format = TZCLImageFormatRepository::FindByHeader(data, art->GetDataSize());
      TZTLAPEv2Item cover{AnsiString(CoverKey), APEv2ItemBinary, AnsiString(CoverKey)};
      if (format) cover.Value += zcUnicodeToAnsi(format->Extension());
      cover.Value += '\0';
      cover.Value.append(reinterpret_cast<const char*>(data), static_cast<size_t>(art->GetDataSize()));
      items.push_back(std::move(cover));
    }
  }
  TZTLAPEv2Codec::Write(Stream, items, Tag->GetDeleteTagOnSave());
}
