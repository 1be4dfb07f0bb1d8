#include "zeph/media/ZTL.Tags.VorbisComments.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/graphics/ZCL.Graphics.Images.h"

namespace {

constexpr std::string_view PictureName = "METADATA_BLOCK_PICTURE";


Int64 Remaining(TStream* Stream) { return Stream->GetSize() - Stream->GetPosition(); }

bool ReadLE32(TStream* Stream, Cardinal& Value) {
  Byte b[4];
  if (Stream->Read(b, 4) != 4) return false;
  Value = static_cast<Cardinal>(b[0]) | static_cast<Cardinal>(b[1]) << 8 | static_cast<Cardinal>(b[2]) << 16 |
          static_cast<Cardinal>(b[3]) << 24;
  return true;
}

bool ReadBE32(TStream* Stream, Cardinal& Value) {
  Byte b[4];
  if (Stream->Read(b, 4) != 4) return false;
  Value = static_cast<Cardinal>(b[3]) | static_cast<Cardinal>(b[2]) << 8 | static_cast<Cardinal>(b[1]) << 16 |
          static_cast<Cardinal>(b[0]) << 24;
  return true;
}

void WriteLE32(TStream* Stream, Cardinal V) {
  const Byte b[4] = {static_cast<Byte>(V), static_cast<Byte>(V >> 8), static_cast<Byte>(V >> 16),
                     static_cast<Byte>(V >> 24)};
  Stream->WriteBuffer(b, 4);
}

void WriteBE32(TStream* Stream, Cardinal V) {
  const Byte b[4] = {static_cast<Byte>(V >> 24), static_cast<Byte>(V >> 16), static_cast<Byte>(V >> 8),
                     static_cast<Byte>(V)};
  Stream->WriteBuffer(b, 4);
}

// A length-prefixed string; a length that does not fit into the rest of the stream gives an
// empty string and leaves the stream at its end, so every later read fails as well.
AnsiString ReadString(TStream* Stream) {
  Cardinal length = 0;
  if (!ReadLE32(Stream, length) || static_cast<Integer>(length) <= 0) return AnsiString();
  if (static_cast<Int64>(length) > Remaining(Stream)) {
    Stream->Seek(0, soEnd);
    return AnsiString();
  }
  AnsiString s(length, '\0');
  Stream->ReadBuffer(s.data(), length);
  return s;
}

// Rating 0..100 in the comment, 1..5 in the record; 1..5 in the comment are taken as they are.
String GetRating(const TObject* Tag, const TZTLTagFieldMapItem&) {
  const SmallInt rating = static_cast<const TZTLTag*>(Tag)->GetRating();
  return rating <= 0 ? String() : IntToStr(rating * 20);
}

void SetRating(TObject* Tag, const TZTLTagFieldMapItem&, const String& Text) {
  Integer value = StrToIntDef(zcTrim(Text), 0);
  if (value < 1 || value > 5) value = static_cast<Integer>(std::nearbyint(value / 20.0));  // halves to even
  static_cast<TZTLTag*>(Tag)->SetRating(static_cast<SmallInt>(std::clamp(value, -32768, 32767)));
}

}  // namespace

// ---- tag -------------------------------------------------------------------------------------------

void TZTLTagVorbisComments::DoAssign(const TZBLCustomFileInfo* Source) {
  inherited::DoAssign(Source);
  if (const auto* vc = dynamic_cast<const TZTLTagVorbisComments*>(Source)) FVendor = vc->FVendor;
}

void TZTLTagVorbisComments::ReadCommentBlock(TStream* Stream) {
  TZTLTagVorbisCommentsReader reader(this, Stream);
  reader.Execute();
}

void TZTLTagVorbisComments::WriteCommentBlock(TStream* Stream) {
  TZTLTagVorbisCommentsWriter writer(this, Stream);
  writer.Execute();
}

// ---- field map -------------------------------------------------------------------------------------

void TZTLTagVorbisCommentsFieldMap::Populate() {
  TZTLTagFieldMap::Populate();
  static const struct {
    const char* Name;
    const char16_t* Property;
    bool Multi;
  } fields[] = {
      {"Album", u"Album", true},
      {"AlbumArtist", u"AlbumArtist", true},
      {"Album Artist", u"AlbumArtist", true},
      {"Artist", u"Artist", true},
      {"BPM", u"BPM", false},
      {"LABELNO", u"Catalog", false},
      {"Comment", u"Comment", false},
      {"Compilation", u"PartOfCompilation", false},
      {"Composer", u"Composer", true},
      {"CONDUCTOR", u"Conductor", false},
      {"Copyright", u"Copyright", true},
      {"Date", u"Date", false},
      {"Year", u"Date", false},
      {"Description", u"Comment", false},
      {"DiscNumber", u"DiskNumber", false},
      {"TotalDiscs", u"DiskTotal", false},
      {"DISCTOTAL", u"DiskTotal", false},
      {"EncodedBy", u"EncodedBy", true},
      {"Genre", u"Genre", true},
      {"ISRC", u"ISRC", false},
      {"Lyricist", u"Lyricist", true},
      {"Lyrics", u"Lyrics", false},
      {"Mood", u"Mood", true},
      {"Organization", u"Publisher", true},
      {"Title", u"Title", false},
      {"TrackNumber", u"TrackNumber", false},
      {"TotalTracks", u"TrackTotal", false},
      {"TRACKTOTAL", u"TrackTotal", false},
      {"Url", u"Link", true},
      {"UNSYNCEDLYRICS", u"Lyrics", false},
  };
  for (const auto& f : fields) Add(f.Name, f.Property, f.Multi);
  AddEx("Rating", u"Rating", false, GetRating, SetRating);
  Add("INITIALKEY", u"Key", false);
  Add("KEY", u"Key", false);
}

const TZTLTagFieldMap* TZTLTagVorbisCommentsFieldMap::Instance() {
  static const std::unique_ptr<TZTLTagVorbisCommentsFieldMap> map = [] {
    RegisterTagProperties();
    return TZTLTagFieldMap::CreatePopulated<TZTLTagVorbisCommentsFieldMap>(TZTLTag::StaticClass());
  }();
  return map.get();
}

// ---- reader ----------------------------------------------------------------------------------------

TZTLTagVorbisCommentsReader::TZTLTagVorbisCommentsReader(TZTLTagVorbisComments* Tag, TStream* Stream,
                                                         const TZTLTagFieldMap* FieldMap)
    : TZTLTagMappedFiler(Tag, Stream, FieldMap) {}

void TZTLTagVorbisCommentsReader::Execute() {
  auto* tag = static_cast<TZTLTagVorbisComments*>(FTag);
  const Int64 start = FStream->GetPosition();
  tag->SetVendor(ReadString(FStream));
  Cardinal count = 0;
  if (ReadLE32(FStream, count) && static_cast<Integer>(count) > 0) {
    // Each comment takes at least its 4-byte length: a larger count cannot be true.
    for (Cardinal i = 0; i < count && Remaining(FStream) >= 4; ++i) {
      const AnsiString comment = ReadString(FStream);
      const size_t eq = comment.find('=');
      if (eq == AnsiString::npos) continue;
      ReadField(std::string_view(comment).substr(0, eq), std::string_view(comment).substr(eq + 1));
    }
  }
  SetTagSize(static_cast<Cardinal>(std::min<Int64>(FStream->GetPosition() - start, 0xFFFFFFFFll)));
}

void TZTLTagVorbisCommentsReader::ReadField(std::string_view Name, std::string_view Data) {
  if (!Name.empty()) {
    if (const TZTLTagFieldMapItem* item = FFieldMap->FindName(Name)) {
      ReadMappedField(*item, Data);
      return;
    }
  }
  auto keepReplaced = [this](std::string_view NewName, std::string_view NewValue) {
    if (!FArtName.empty()) FTag->GetCustomFields()->Add(FArtName, FArtValue);
    FArtName = AnsiString(NewName);
    FArtValue = AnsiString(NewValue);
  };
  if (TagsSameName(Name, PictureName)) {
    Cardinal type = 0;
    IPtr<IZCLDataContainer> art = TZTLTagVorbisPicture::DecodePicture(Data, type);
    if (art && !FTag->GetAlbumArt()) {
      keepReplaced(Name, Data);
      FTag->SetAlbumArt(art);
    } else if (art && type == 3) {
      keepReplaced(Name, Data);
      FTag->SetAlbumArt(art);
    } else {
      // A picture not taken is kept as it was and written back unchanged.
      FTag->GetCustomFields()->Add(AnsiString(Name), AnsiString(Data));
    }
    return;
  }
  if (TagsSameName(Name, "COVERART")) {
    TMemoryStream data;
    if (TZCLMimecode::Decode(Data, &data) && data.GetSize() > 0) {
      keepReplaced(Name, Data);
      IPtr<IZCLDataContainer> art(Create<TZCLDataContainer>(&data));
      FTag->SetAlbumArt(art);
    } else {
      FTag->GetCustomFields()->Add(AnsiString(Name), AnsiString(Data));
    }
    return;
  }
  FTag->GetCustomFields()->Add(AnsiString(Name), AnsiString(Data));
}

// ---- writer ----------------------------------------------------------------------------------------

TZTLTagVorbisCommentsWriter::TZTLTagVorbisCommentsWriter(TZTLTagVorbisComments* Tag, TStream* Stream,
                                                         const TZTLTagFieldMap* FieldMap)
    : TZTLTagMappedFiler(Tag, Stream, FieldMap) {}

void TZTLTagVorbisCommentsWriter::Execute() {
  auto* tag = static_cast<TZTLTagVorbisComments*>(FTag);
  const RawByteString vendor = tag->GetVendor().empty() ? tag->GetDefaultVendor() : tag->GetVendor();
  WriteLE32(FStream, static_cast<Cardinal>(vendor.size()));
  if (!vendor.empty()) FStream->WriteBuffer(vendor.data(), static_cast<Int64>(vendor.size()));
  FFieldCount = 0;
  const Int64 countAt = FStream->GetPosition();
  WriteLE32(FStream, 0);
  if (tag->GetDeleteTagOnSave()) return;
  WriteFields();
  const Int64 end = FStream->GetPosition();
  FStream->SetPosition(countAt);
  WriteLE32(FStream, FFieldCount);
  FStream->SetPosition(end);
}

void TZTLTagVorbisCommentsWriter::WriteComment(std::string_view Name, std::string_view Value) {
  WriteLE32(FStream, static_cast<Cardinal>(Name.size() + Value.size() + 1));
  std::string text;
  text.reserve(Name.size() + Value.size() + 1);
  text.append(Name).append(1, '=').append(Value);
  FStream->WriteBuffer(text.data(), static_cast<Int64>(text.size()));
  ++FFieldCount;
}

void TZTLTagVorbisCommentsWriter::WriteFields() {
  EnumValues([this](const AnsiString& Name, const RawByteString& Value) { WriteComment(Name, Value); }, true);
  WritePicture();
}

void TZTLTagVorbisCommentsWriter::WritePicture() {
  const IPtr<IZCLDataContainer>& art = FTag->GetAlbumArt();
  if (!art || art->GetDataSize() <= 0) return;
  std::unique_ptr<TMemoryStream> text = TZTLTagVorbisPicture::EncodePicture(art);
  if (!text || text->GetSize() == 0) return;
  WriteComment(PictureName,
               std::string_view(static_cast<const char*>(text->GetMemory()), static_cast<size_t>(text->GetSize())));
}

// ---- picture block ---------------------------------------------------------------------------------

IPtr<IZCLDataContainer> TZTLTagVorbisPicture::ReadPictureBlock(TStream* Stream, Int64 BlockSize,
                                                               Cardinal& PictureType) {
  PictureType = 0;
  const Int64 start = Stream->GetPosition();
  const Int64 end = start + std::min(BlockSize, Remaining(Stream));
  if (!ReadBE32(Stream, PictureType)) return nullptr;
  AnsiString texts[2];
  for (AnsiString& text : texts) {
    Cardinal length = 0;
    if (!ReadBE32(Stream, length)) return nullptr;
    if (static_cast<Integer>(length) < 0 || length > 512 || length > end - Stream->GetPosition()) return nullptr;
    text.resize(length);
    if (length > 0) Stream->ReadBuffer(text.data(), length);
  }
  if (PictureType == 0) {
    const String description = UTF8ToString(texts[1]);
    if (zcSameText(description, u"Front"))
      PictureType = 3;
    else if (zcSameText(description, u"Back"))
      PictureType = 4;
    else if (zcSameText(description, u"Leaflet"))
      PictureType = 5;
  }
  Stream->Seek(16, soCurrent);
  Cardinal length = 0;
  if (!ReadBE32(Stream, length)) return nullptr;
  if (static_cast<Integer>(length) <= 0 || static_cast<Int64>(length) > end - Stream->GetPosition()) return nullptr;
  IPtr<IZCLDataContainer> art(Create<TZCLDataContainer>());
  art->SetDataSize(static_cast<Integer>(length));
  Stream->ReadBuffer(art->GetData(), length);
  return art;
}

IPtr<IZCLDataContainer> TZTLTagVorbisPicture::DecodePicture(std::string_view Base64, Cardinal& PictureType) {
  PictureType = 0;
  TMemoryStream block;
  if (!TZCLMimecode::Decode(Base64, &block)) return nullptr;
  block.SetPosition(0);
  return ReadPictureBlock(&block, block.GetSize(), PictureType);
}

void TZTLTagVorbisPicture::WritePictureBlock(TStream* Stream, const void* Data, Integer DataSize,
                                             const AnsiString& MimeType) {
  if (DataSize <= 0) return;
  WriteBE32(Stream, 3);
  WriteBE32(Stream, static_cast<Cardinal>(MimeType.size()));
  if (!MimeType.empty()) Stream->WriteBuffer(MimeType.data(), static_cast<Int64>(MimeType.size()));
  for (int i = 0; i < 5; ++i) WriteBE32(Stream, 0);  // description, width, height, depth, colours
  WriteBE32(Stream, static_cast<Cardinal>(DataSize));
  Stream->WriteBuffer(Data, DataSize);
}

std::unique_ptr<TMemoryStream> TZTLTagVorbisPicture::EncodePicture(const IPtr<IZCLDataContainer>& AlbumArt) {
  auto result = std::make_unique<TMemoryStream>();
  if (!AlbumArt || AlbumArt->GetDataSize() <= 0) return result;
  const auto* data = static_cast<const Byte*>(AlbumArt->GetData());
  const Integer size = AlbumArt->GetDataSize();
  String mime;
  if (TZCLImageFormatClass format = TZCLImageFormatRepository::FindByHeader(data, size))
    mime = TZCLImageFormatRepository::GetMimeType(format);
  if (zcSameText(mime, u"image/jpg")) mime = u"image/jpeg";
  TMemoryStream block;
  WritePictureBlock(&block, data, size, zcUnicodeToAnsi(mime));
  TZCLMimecode::EncodeBuffer(block.GetMemory(), static_cast<Integer>(block.GetSize()), result.get());
  result->SetPosition(0);
  return result;
}

std::unique_ptr<TMemoryStream> BuildCommentPacket(TZTLTagVorbisComments* Tag, std::string_view Signature) {
  auto packet = std::make_unique<TMemoryStream>();
  packet->WriteBuffer(Signature.data(), static_cast<Int64>(Signature.size()));
  Tag->WriteCommentBlock(packet.get());
  const Byte framing = 1;
  packet->WriteBuffer(&framing, 1);
  packet->SetPosition(0);
  return packet;
}
