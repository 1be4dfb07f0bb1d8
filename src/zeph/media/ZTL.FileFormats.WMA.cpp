#include "zeph/media/ZTL.FileFormats.WMA.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Stream.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/graphics/ZCL.Graphics.Images.h"
#include "zeph/media/ZTL.FileFormats.M4A.h"
#include "zeph/media/ZTL.Genres.h"
#include "zeph/media/ZTL.Tags.ID3v2.h"

namespace {

using TGuid = std::string_view;
const TGuid GuidHeader("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
const TGuid GuidFileProperties("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", 16);
const TGuid GuidStreamProperties("\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65", 16);
const TGuid GuidContentDescription("\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
const TGuid GuidExtendedContent("\x40\xA4\xD0\xD2\x07\xE3\xD2\x11\x97\xF0\x00\xA0\xC9\x5E\xA8\x50", 16);
const TGuid GuidHeaderExtension("\xB5\x03\xBF\x5F\x2E\xA9\xCF\x11\x8E\xE3\x00\xC0\x0C\x20\x53\x65", 16);
const TGuid GuidMetadataLibrary("\x94\x1C\x23\x44\x98\x94\xD1\x49\xA1\x41\x1D\x13\x4E\x45\x70\x54", 16);
const TGuid GuidHeaderExtensionReserved("\x11\xD2\xD3\xAB\xBA\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65", 16);
const TGuid GuidPadding("\x74\xD4\x06\x18\xDF\xCA\x09\x45\xA4\xBA\x9A\xAB\xCB\x96\xAA\xE8", 16);
const TGuid GuidAudioMedia("\x40\x9E\x69\xF8\x4D\x5B\xCF\x11\xA8\xFD\x00\x80\x5F\x5C\x44\x2B", 16);
constexpr size_t HeadSize = 30;
constexpr size_t ObjectHeadSize = 24;

RTL_EXCEPTION(EAsfShort, Exception);

// Little-endian reads within a byte range; a read past its end raises EAsfShort.
struct TCursor {
  std::string_view B;
  size_t At = 0;
  void Need(size_t N) const {
    if (N > B.size() - std::min(At, B.size())) throw EAsfShort(u"short");
  }
  UInt64 Number(size_t N) {
    Need(N);
    UInt64 v = 0;
    for (size_t i = 0; i < N; ++i) v |= static_cast<UInt64>(static_cast<Byte>(B[At + i])) << (8 * i);
    At += N;
    return v;
  }
  Word U16() { return static_cast<Word>(Number(2)); }
  Cardinal U32() { return static_cast<Cardinal>(Number(4)); }
  UInt64 U64() { return Number(8); }
  std::string_view Bytes(size_t N) {
    Need(N);
    std::string_view v = B.substr(At, N);
    At += N;
    return v;
  }
  void Skip(size_t N) { Bytes(N); }
};

void Put(RawByteString& Out, UInt64 V, size_t N) {
  for (size_t i = 0; i < N; ++i) Out += static_cast<char>(V >> (8 * i));
}

void PatchLE(RawByteString& Out, size_t At, UInt64 V, size_t N) {
  for (size_t i = 0; i < N; ++i) Out[At + i] = static_cast<char>(V >> (8 * i));
}

String Utf16(std::string_view B) {
  String text(B.size() / 2, u'\0');
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<Char>(static_cast<Byte>(B[2 * i]) | static_cast<Byte>(B[2 * i + 1]) << 8);
  size_t from = 0, to = text.size();
  while (from < to && text[from] < 33) ++from;
  while (to > from && text[to - 1] < 33) --to;
  return text.substr(from, to - from);
}

// Text cut to at most MaxChars code units without splitting a surrogate pair.
String CutText(const String& Text, size_t MaxChars) {
  if (Text.size() <= MaxChars) return Text;
  size_t n = MaxChars;
  if (n > 0 && Text[n - 1] >= 0xD800 && Text[n - 1] <= 0xDBFF) --n;
  return Text.substr(0, n);
}

// A text as written with a 16-bit byte length: UTF-16 and a zero word; nothing for empty text.
RawByteString TextBytes(const String& Text) {
  RawByteString out;
  if (Text.empty()) return out;
  const String t = CutText(Text, 0xFFFF / 2 - 1);
  for (Char c : t) Put(out, c, 2);
  Put(out, 0, 2);
  return out;
}

RawByteString MimeOf(const IPtr<IZCLDataContainer>& Art) {
  String mime;
  const auto* data = static_cast<const Byte*>(Art->GetData());
  if (TZCLImageFormatClass format = TZCLImageFormatRepository::FindByHeader(data, Art->GetDataSize()))
    mime = TZCLImageFormatRepository::GetMimeType(format);
  if (zcSameText(mime, u"image/jpg")) mime = u"image/jpeg";
  RawByteString out;
  for (Char c : mime) Put(out, c, 2);
  return out;
}

// The picture value: type 3, the data length, the MIME type, an empty description, the data.
RawByteString PictureValue(const IPtr<IZCLDataContainer>& Art) {
  RawByteString out;
  out += '\x03';
  Put(out, static_cast<Cardinal>(Art->GetDataSize()), 4);
  out += MimeOf(Art);
  Put(out, 0, 2);
  Put(out, 0, 2);
  out.append(static_cast<const char*>(Art->GetData()), static_cast<size_t>(Art->GetDataSize()));
  return out;
}


String GetGenreID(const TObject* Tag, const TZTLTagFieldMapItem&) {
  Integer index = 0;
  if (!TryGetGenreIndex(static_cast<const TZTLTag*>(Tag)->GetValue(fitGenre), index)) return String();
  return u"(" + IntToStr(index) + u")";
}

void SetGenreID(TObject* Tag, const TZTLTagFieldMapItem&, const String& Text) {
  if (Text.size() < 2) return;
  Integer number = 0;
  if (TryStrToInt(Text.substr(1, Text.size() - 2), number))
    static_cast<TZTLTag*>(Tag)->SetValue(fitGenre, GetGenreName(number));
}

}  // namespace

// ---- field map -------------------------------------------------------------------------------------

void TZTLTagWMAFieldMap::Populate() {
  TZTLTagFieldMap::Populate();
  static const struct {
    const char* Name;
    const char16_t* Property;
  } items[] = {
      {"WM/AlbumArtist", u"AlbumArtist"}, {"WM/AlbumTitle", u"Album"},
      {"WM/Author", u"Artist"},           {"WM/BeatsPerMinute", u"BPM"},
      {"WM/CatalogNumber", u"Catalog"},   {"WM/PartOfACompilation", u"PartOfCompilation"},
      {"WM/Composer", u"Composer"},       {"WM/Conductor", u"Conductor"},
      {"WM/Copyright", u"Copyright"},     {"WM/Description", u"Comment"},
      {"WM/EncodedBy", u"EncodedBy"},     {"WM/Genre", u"Genre"},
  };
  for (const auto& i : items) Add(i.Name, i.Property, false);
  AddEx("WM/GenreID", u"Genre", false, GetGenreID, SetGenreID);
  static const struct {
    const char* Name;
    const char16_t* Property;
  } more[] = {
      {"WM/ISRC", u"ISRC"},       {"WM/InitialKey", u"Key"},      {"WM/Writer", u"Lyricist"},
      {"WM/Lyrics", u"Lyrics"},   {"WM/Mood", u"Mood"},           {"WM/PartOfSet", u"Disk"},
      {"WM/Publisher", u"Publisher"}, {"WM/Title", u"Title"},     {"WM/Track", u"Track"},
      {"WM/TrackNumber", u"Track"},   {"WM/URL", u"Link"},        {"WM/Year", u"Date"},
  };
  for (const auto& i : more) Add(i.Name, i.Property, false);
}

const TZTLTagFieldMap* TZTLTagWMAFieldMap::Instance() {
  static const std::unique_ptr<TZTLTagWMAFieldMap> map = [] {
    RegisterTagProperties();
    return TZTLTagFieldMap::CreatePopulated<TZTLTagWMAFieldMap>(TZTLTag::StaticClass());
  }();
  return map.get();
}

// ---- reader ----------------------------------------------------------------------------------------

class TZTLTagWMAReader : public TZTLTagMappedFiler {
 public:
  TZTLTagWMAReader(TZTLTagsContainerWMA* Container, TStream* Stream, std::string_view Header)
      : TZTLTagMappedFiler(Container->FTag, Stream, TZTLTagWMAFieldMap::Instance()), FContainer(Container),
        FHeader(Header) {}

  void Execute() {
    SetTagSize(static_cast<Cardinal>(FHeader.size()));
    TCursor head{FHeader, 24};
    const Cardinal count = head.U32();
    try {
      ReadObjects(HeadSize, FHeader.size(), count);
    } catch (const EAsfShort&) {
      // A damaged object ends the reading; what was read stays.
    }
  }

 private:
  // Objects from Start up to End (at most Count of them); one whose size is too small or runs
  // past End ends the walk.
  void ReadObjects(size_t Start, size_t End, Cardinal Count) {
    size_t at = Start;
    for (Cardinal i = 0; i < Count && End - at >= ObjectHeadSize; ++i) {
      TCursor c{FHeader.substr(0, End), at};
      const TGuid guid = c.Bytes(16);
      const UInt64 size = c.U64();
      if (size < ObjectHeadSize || size > End - at) break;
      TCursor body{FHeader.substr(0, at + size), at + ObjectHeadSize};
      try {
        if (guid == GuidFileProperties)
          ReadFileProperties(body);
        else if (guid == GuidStreamProperties)
          ReadStreamProperties(body);
        else if (guid == GuidContentDescription)
          ReadContentDescription(body);
        else if (guid == GuidExtendedContent)
          ReadExtendedContent(body);
        else if (guid == GuidHeaderExtension)
          ReadHeaderExtension(body, at + size);
        else if (guid == GuidMetadataLibrary)
          ReadMetadataLibrary(body);
      } catch (const EAsfShort&) {
        // The object is cut short; the next one is read.
      }
      at += size;
    }
  }

  void ReadFileProperties(TCursor& C) {
    C.Skip(16);
    C.U64();
    C.Skip(16);
    const UInt64 play = C.U64();
    C.Skip(8);
    const UInt64 preroll = C.U64();
    const UInt64 ms = play / 10000 > preroll ? play / 10000 - preroll : 0;
    FContainer->FStreamInfo.Duration = static_cast<Cardinal>(std::min<UInt64>(ms, 0xFFFFFFFFull));
    C.Skip(12);
    FContainer->FMaxBitrate = C.U32();
  }

  void ReadStreamProperties(TCursor& C) {
    // Only audio streams describe the sound; a video stream has no wave format.
    if (C.Bytes(16) != GuidAudioMedia) return;
    C.Skip(56 - 16);
    TZBLStreamInfo& info = FContainer->FStreamInfo;
    info.StreamSize = FStream->GetSize() - static_cast<Int64>(FHeader.size());
    info.Channels = TZBLStreamInfoUtils::MakeChannels(C.U16());
    info.SampleRate = C.U32();
    FContainer->FAvgBytesPerSec = C.U32();
    C.Skip(2);
    TZBLStreamInfoUtils::SetBitDepth(info, C.U16(), false);
  }

  void ReadContentDescription(TCursor& C) {
    Word lengths[5];
    for (Word& l : lengths) l = C.U16();
    const TZBLFileInfoText fields[4] = {fitTitle, fitArtist, fitCopyright, fitComment};
    for (Integer i = 0; i < 4; ++i) {
      const std::string_view text = C.Bytes(lengths[i]);
      if (lengths[i] > 0) FTag->SetValue(fields[i], Utf16(text));
    }
  }

  void ReadExtendedContent(TCursor& C) {
    const Word count = C.U16();
    for (Word i = 0; i < count; ++i) {
      const size_t start = C.At;
      const String name = Utf16(C.Bytes(C.U16()));
      const Word type = C.U16();
      const std::string_view value = C.Bytes(C.U16());
      const std::string_view raw = C.B.substr(start, C.At - start);
      switch (type) {
        case 0:
          SetAttribute(name, Utf16(value), true, raw);
          break;
        case 1:
          ReadBinary(name, value, raw);
          break;
        case 3:
        case 4:
        case 5:
          // Numbers of 1, 2, 4 or 8 bytes; one of another size is kept as it is.
          if (value.size() == 1 || value.size() == 2 || value.size() == 4 || value.size() == 8) {
            TCursor v{value, 0};
            const Int64 number =
                value.size() == 4 ? static_cast<Integer>(v.U32()) : static_cast<Int64>(v.Number(value.size()));
            SetAttribute(name, IntToStr(number), false, raw);
          } else {
            FContainer->FKeptAttributes.emplace_back(raw);
          }
          break;
        default:
          FContainer->FKeptAttributes.emplace_back(raw);
          break;
      }
    }
  }

  void SetAttribute(const String& Name, const String& Text, bool IsText, std::string_view Raw) {
    const RawByteString ansi = zcUnicodeToAnsi(Name);
    if (const TZTLTagFieldMapItem* item = FFieldMap->FindName(ansi)) {
      ApplyValue(*item, Text);
    } else if (TagsSameName(ansi, "WM/SharedUserRating")) {
      FTag->SetRating(static_cast<SmallInt>(WMRatingToRating(StrToIntDef(Text, 0))));
    } else if (TagsSameName(ansi, "WMFSDKVERSION")) {
      FContainer->FSDKVersion = Text;
      FContainer->FKeptAttributes.emplace_back(Raw);
    } else if (IsText) {
      FTag->GetCustomFields()->Add(ansi, StringToUTF8(Text));
    } else {
      FContainer->FKeptAttributes.emplace_back(Raw);
    }
  }

  void ReadBinary(const String& Name, std::string_view Value, std::string_view Raw) {
    if (zcSameText(Name, u"WM/Picture")) {
      if (!ReadPicture(Value, false)) FContainer->FKeptAttributes.emplace_back(Raw);
    } else if (zcSameText(Name, u"ID3") && !Value.empty()) {
      std::unique_ptr<TCustomMemoryStream> stream(StreamCreateOnMemory(Value.data(), static_cast<NativeInt>(Value.size())));
      TZTLTagID3v2 id3;
      TZTLTagID3v2::Load(&id3, stream.get(), 0);
      // Its values now live in the tag and are written as attributes; kept as well, the old tag
      // would win over an edited value on the next read.
      FTag->Merge(&id3, true);
    } else {
      FContainer->FKeptAttributes.emplace_back(Raw);
    }
  }

  // True when the picture became the album art.
  bool ReadPicture(std::string_view Value, bool Long) {
    if (FTag->GetAlbumArt()) return false;
    TCursor c{Value, 0};
    try {
      c.Skip(1);
      Cardinal length = Long ? c.U32() : c.U16();
      if (!Long) c.Skip(2);
      if (Value.size() < 5 || length > Value.size() - 5 || length == 0) return false;
      c.Skip(Value.size() - length - 5);
      const std::string_view data = c.Bytes(length);
      IPtr<IZCLDataContainer> art(Create<TZCLDataContainer>());
      art->SetDataSize(static_cast<Integer>(length));
      std::memcpy(art->GetData(), data.data(), length);
      FTag->SetAlbumArt(art);
      return true;
    } catch (const EAsfShort&) {
      return false;
    }
  }

  void ReadHeaderExtension(TCursor& C, size_t End) {
    C.Skip(16 + 2);
    const Cardinal size = C.U32();
    const size_t end = std::min<size_t>(End, C.At + size);
    ReadObjects(C.At, end, 0xFFFFFFFF);
  }

  void ReadMetadataLibrary(TCursor& C) {
    const Word count = C.U16();
    for (Word i = 0; i < count; ++i) {
      const size_t start = C.At;
      C.Skip(4);
      const Word nameLength = C.U16();
      const Word type = C.U16();
      const Cardinal dataLength = C.U32();
      const String name = Utf16(C.Bytes(nameLength));
      const std::string_view data = C.Bytes(dataLength);
      const bool taken = type == 1 && zcSameText(name, u"WM/Picture") && ReadPicture(data, true);
      if (!taken) FContainer->FKeptLibraryRecords.emplace_back(C.B.substr(start, C.At - start));
    }
  }

  TZTLTagsContainerWMA* FContainer;
  std::string_view FHeader;
};

// ---- writer ----------------------------------------------------------------------------------------

class TZTLTagWMAWriter : public TZTLTagMappedFiler {
 public:
  TZTLTagWMAWriter(TZTLTagsContainerWMA* Container, TStream* Stream, std::string_view Header)
      : TZTLTagMappedFiler(Container->FTag, Stream, TZTLTagWMAFieldMap::Instance()), FContainer(Container),
        FHeader(Header) {}

  void Execute() {
    RawByteString out(FHeader.substr(0, HeadSize));
    TCursor head{FHeader, 24};
    const Cardinal objects = head.U32();
    // The count written is that of the objects written, whatever the old head claimed.
    Cardinal count = 0;
    size_t at = HeadSize;
    for (Cardinal i = 0; i < objects && FHeader.size() - at >= ObjectHeadSize; ++i) {
      TCursor c{FHeader, at};
      const TGuid guid = c.Bytes(16);
      const UInt64 size = c.U64();
      if (size < ObjectHeadSize || size > FHeader.size() - at) break;
      if (guid != GuidContentDescription && guid != GuidExtendedContent) {
        out.append(FHeader.substr(at, size));
        ++count;
      }
      at += size;
    }
    const bool deleting = FTag->GetDeleteTagOnSave();
    if (!deleting) {
      out += ContentDescription();
      out += ExtendedContent();
      count += 2;
    }
    RewriteHeaderExtension(out, count, deleting);
    PatchLE(out, 16, out.size(), 8);
    PatchLE(out, 24, count, 4);
    TMemoryStream region;
    region.WriteBuffer(out.data(), static_cast<Int64>(out.size()));
    region.SetPosition(0);
    StreamReplaceRange(FStream, &region, 0, static_cast<Int64>(FHeader.size()), FContainer->OnProgress, FTag);
  }

 private:
  RawByteString ContentDescription() {
    RawByteString texts[5] = {TextBytes(FTag->GetTitle()), TextBytes(FTag->GetArtist()),
                              TextBytes(FTag->GetValue(fitCopyright)), TextBytes(FTag->GetValue(fitComment)),
                              TextBytes(FTag->GetRating() >= 1 ? IntToStr(FTag->GetRating()) : String())};
    RawByteString out(GuidContentDescription);
    size_t total = 34;
    for (const RawByteString& t : texts) total += t.size();
    Put(out, total, 8);
    for (const RawByteString& t : texts) Put(out, t.size(), 2);
    for (const RawByteString& t : texts) out += t;
    return out;
  }

  void Attribute(RawByteString& Out, Word& Count, const String& Name, const String& Value) {
    if (Value.empty()) return;
    const RawByteString name = TextBytes(Name), value = TextBytes(Value);
    Put(Out, name.size(), 2);
    Out += name;
    Put(Out, 0, 2);
    Put(Out, value.size(), 2);
    Out += value;
    ++Count;
  }

  RawByteString ExtendedContent() {
    RawByteString out(GuidExtendedContent);
    Put(out, 0, 8);
    Put(out, 0, 2);
    Word count = 0;
    static const struct {
      const char16_t* Name;
      TZBLFileInfoText Text;
    } texts[] = {
        {u"WM/AlbumTitle", fitAlbum},       {u"WM/Conductor", fitConductor}, {u"WM/Writer", fitLyricist},
        {u"WM/AlbumArtist", fitAlbumArtist}, {u"WM/URL", fitLink},           {u"WM/Genre", fitGenre},
        {u"WM/Track", fitTrack},            {u"WM/TrackNumber", fitTrack},   {u"WM/Composer", fitComposer},
        {u"WM/Lyrics", fitLyrics},          {u"WM/Title", fitTitle},         {u"WM/Author", fitArtist},
        {u"WM/Year", fitDate},              {u"WM/Copyright", fitCopyright}, {u"WM/CatalogNumber", fitCatalog},
        {u"WM/ISRC", fitISRC},              {u"WM/InitialKey", fitKey},      {u"WM/EncodedBy", fitEncodedBy},
        {u"WM/PartOfSet", fitDisk},         {u"WM/Publisher", fitPublisher}, {u"WM/Mood", fitMood},
        {u"replaygain_track_gain", fitTrackGain}, {u"replaygain_track_peak", fitTrackPeak},
        {u"replaygain_album_gain", fitAlbumGain}, {u"replaygain_album_peak", fitAlbumPeak},
    };
    for (const auto& t : texts) Attribute(out, count, t.Name, FTag->GetValue(t.Text));
    if (FTag->GetPartOfCompilation()) Attribute(out, count, u"WM/PartOfACompilation", u"1");
    if (FTag->GetBPM() > 0) Attribute(out, count, u"WM/BeatsPerMinute", IntToStr(FTag->GetBPM()));
    if (FTag->GetRating() > 0) Attribute(out, count, u"WM/SharedUserRating", IntToStr(RatingToWMRating(FTag->GetRating())));
    Integer genre = 0;
    if (TryGetGenreIndex(FTag->GetValue(fitGenre), genre)) Attribute(out, count, u"WM/GenreID", u"(" + IntToStr(genre) + u")");
    const TZBLFileInfoCustomFields* fields = FTag->GetCustomFields();
    for (Integer i = 0; i < fields->GetCount(); ++i)
      Attribute(out, count, zcAnsiToUnicode(fields->GetItem(i)->Name), UTF8ToString(fields->GetItem(i)->Value));
    for (const RawByteString& raw : FContainer->FKeptAttributes) {
      out += raw;
      ++count;
    }
    const IPtr<IZCLDataContainer>& art = FTag->GetAlbumArt();
    if (art && art->GetDataSize() > 0 && art->GetDataSize() < TZTLTagsContainerWMA::MaxInlinePicture) {
      const RawByteString value = PictureValue(art);
      const RawByteString name = TextBytes(u"WM/Picture");
      Put(out, name.size(), 2);
      out += name;
      Put(out, 1, 2);
      Put(out, value.size(), 2);
      out += value;
      ++count;
      FPictureInline = true;
    }
    PatchLE(out, 16, out.size(), 8);
    PatchLE(out, 24, count, 2);
    return out;
  }

  // The Header Extension Object anew: its objects without Metadata Library and Padding Objects,
  // then one Metadata Library Object with the records kept and a large album art.
  void RewriteHeaderExtension(RawByteString& Out, Cardinal& Count, bool Deleting) {
    size_t at = HeadSize;
    for (Cardinal i = 0; i < Count && Out.size() - at >= ObjectHeadSize; ++i) {
      TCursor c{Out, at};
      const TGuid guid = c.Bytes(16);
      const UInt64 size = c.U64();
      if (size < ObjectHeadSize || size > Out.size() - at) return;
      if (guid != GuidHeaderExtension || size < 46) {
        at += size;
        continue;
      }
      RawByteString ext(Out.substr(at, 46));
      const size_t end = at + size;
      size_t nested = at + 46;
      while (end - nested >= ObjectHeadSize) {
        TCursor n{Out, nested};
        const TGuid g = n.Bytes(16);
        const UInt64 s = n.U64();
        if (s < ObjectHeadSize || s > end - nested) break;
        if (g != GuidMetadataLibrary && g != GuidPadding) ext.append(Out.substr(nested, s));
        nested += s;
      }
      if (!Deleting) ext += MetadataLibrary();
      PatchLE(ext, 16, ext.size(), 8);
      PatchLE(ext, 42, ext.size() - 46, 4);
      Out.replace(at, size, ext);
      return;
    }
    // A large album art needs a Header Extension Object; a file without one gets one.
    if (Deleting) return;
    const RawByteString library = MetadataLibrary();
    if (library.empty()) return;
    RawByteString ext(GuidHeaderExtension);
    Put(ext, 46 + library.size(), 8);
    ext += GuidHeaderExtensionReserved;
    Put(ext, 6, 2);
    Put(ext, library.size(), 4);
    ext += library;
    Out += ext;
    ++Count;
  }

  RawByteString MetadataLibrary() {
    std::vector<RawByteString> records = FContainer->FKeptLibraryRecords;
    const IPtr<IZCLDataContainer>& art = FTag->GetAlbumArt();
    if (art && art->GetDataSize() > 0 && !FPictureInline) {
      const RawByteString value = PictureValue(art);
      RawByteString r;
      Put(r, 0, 2);
      Put(r, 0, 2);
      Put(r, 22, 2);
      Put(r, 1, 2);
      Put(r, value.size(), 4);
      r += TextBytes(u"WM/Picture");
      r += value;
      records.push_back(r);
    }
    if (records.empty()) return RawByteString();
    RawByteString out(GuidMetadataLibrary);
    Put(out, 0, 8);
    Put(out, std::min<size_t>(records.size(), 0xFFFF), 2);
    for (size_t i = 0; i < records.size() && i < 0xFFFF; ++i) out += records[i];
    PatchLE(out, 16, out.size(), 8);
    return out;
  }

  TZTLTagsContainerWMA* FContainer;
  std::string_view FHeader;
  bool FPictureInline = false;
};

// ---- container -------------------------------------------------------------------------------------

namespace {

// The Header Object's bytes; empty when the stream does not start with one that fits.
RawByteString ReadHeaderObject(TStream* Stream) {
  Stream->SetPosition(0);
  char head[HeadSize];
  if (Stream->Read(head, HeadSize) != static_cast<Int64>(HeadSize)) return RawByteString();
  TCursor c{std::string_view(head, HeadSize), 16};
  const UInt64 size = c.U64();
  if (std::string_view(head, 16) != GuidHeader || size < HeadSize || size > static_cast<UInt64>(Stream->GetSize()))
    return RawByteString();
  RawByteString header(static_cast<size_t>(size), '\0');
  Stream->SetPosition(0);
  Stream->ReadBuffer(header.data(), static_cast<Int64>(size));
  return header;
}

}  // namespace

TZTLTagsContainerWMA::TZTLTagsContainerWMA() { FTag = AddTag<TZTLTagWMA>(); }

bool TZTLTagsContainerWMA::DoLoad(TStream* Stream) {
  const RawByteString header = ReadHeaderObject(Stream);
  if (header.empty()) return false;
  FAvgBytesPerSec = FMaxBitrate = 0;
  FSDKVersion.clear();
  FKeptAttributes.clear();
  FKeptLibraryRecords.clear();
  FStreamInfo.Clear();
  TZTLTagWMAReader reader(this, Stream, header);
  reader.Execute();
  CorrectDuration();
  return true;
}

void TZTLTagsContainerWMA::CorrectDuration() {
  const size_t dot = FSDKVersion.find(u'.');
  const Integer version = dot == String::npos ? 0 : StrToIntDef(FSDKVersion.substr(0, dot), 0);
  const Double size = static_cast<Double>(FStreamInfo.StreamSize);
  Double seconds = -1;
  // A correction that cannot be computed keeps the header's duration.
  if (version < 9 && FMaxBitrate < 320000) {
    if (FMaxBitrate > 0) seconds = size * 8 / FMaxBitrate;
  } else if (version == 9 && FMaxBitrate < 256000) {
    if (FAvgBytesPerSec > 0) seconds = (size - FMaxBitrate / 8.0) / FAvgBytesPerSec - 2;
  }
  if (seconds >= 0 && std::isfinite(seconds))
    FStreamInfo.Duration = static_cast<Cardinal>(std::min(static_cast<Double>(static_cast<Single>(seconds)) * 1000, 4294967295.0));
  FStreamInfo.Bitrate = static_cast<Integer>(FMaxBitrate / 1000);
}

bool TZTLTagsContainerWMA::DoSave(TStream* Stream) {
  const RawByteString header = ReadHeaderObject(Stream);
  if (header.empty()) return false;
  TZTLTagWMAWriter writer(this, Stream, header);
  writer.Execute();
  return true;
}

void detail::ZTLWMAInitialization() {
  GetTagsManager()->Register(TZTLTagsContainerWMA::StaticClass());
  GetTagsManager()->RegisterTagName(u"WMA");
}
