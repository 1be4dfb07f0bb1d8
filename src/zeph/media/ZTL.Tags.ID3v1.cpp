#include "zeph/media/ZTL.Tags.ID3v1.h"

#include <algorithm>
#include <cstring>

#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/media/ZTL.Core.h"
#include "zeph/media/ZTL.Genres.h"

namespace {

constexpr Integer BlockSize = 128;
constexpr Integer Lyrics3TrailerSize = 15;  // 6-digit size + "LYRICS200"
constexpr Integer Lyrics3BeginSize = 11;    // "LYRICSBEGIN"

// Reads Count bytes at Position; false when they are not all there.
bool ReadAt(TStream* Stream, Int64 Position, void* Buffer, Integer Count) {
  if (Position < 0) return false;
  Stream->SetPosition(Position);
  return Stream->Read(Buffer, Count) == Count;
}

// A run of decimal digits as a number; -1 when any byte is not a digit.
Int64 Digits(const char* P, Integer Count) {
  Int64 value = 0;
  for (Integer i = 0; i < Count; ++i) {
    if (P[i] < '0' || P[i] > '9') return -1;
    value = value * 10 + (P[i] - '0');
  }
  return value;
}

String Field(const char* P, Integer Count) {
  return CleanValue(zcAnsiToUnicode(std::string_view(P, static_cast<size_t>(Count)), CP_ACP));
}

// The size of a well-formed Lyrics3 v2 block ending End bytes before the end of the stream
// (trailer included), 0 when there is none.
Int64 Lyrics3Size(TStream* Stream, Int64 StreamSize, Int64 End) {
  char trailer[Lyrics3TrailerSize];
  if (!ReadAt(Stream, StreamSize - End - Lyrics3TrailerSize, trailer, Lyrics3TrailerSize)) return 0;
  if (std::memcmp(trailer + 6, "LYRICS200", 9) != 0) return 0;
  const Int64 size = Digits(trailer, 6);
  const Int64 begin = StreamSize - End - Lyrics3TrailerSize - size;
  if (size < Lyrics3BeginSize || begin < 0) return 0;
  char mark[Lyrics3BeginSize];
  if (!ReadAt(Stream, begin, mark, Lyrics3BeginSize)) return 0;
  for (char& c : mark) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
  if (std::memcmp(mark, "LYRICSBEGIN", Lyrics3BeginSize) != 0) return 0;
  return size + Lyrics3TrailerSize;
}

String Lyrics3Text(const std::string& Bytes) { return zcTrim(zcAnsiToUnicode(Bytes, -1)); }

void ParseLyrics3(TStream* Stream, Int64 Begin, Int64 End, TZTLID3v1Values& Values) {
  Int64 pos = Begin + Lyrics3BeginSize;
  while (pos + 8 <= End) {
    char head[8];
    if (!ReadAt(Stream, pos, head, 8)) return;
    const Int64 size = Digits(head + 3, 5);
    if (size < 0 || pos + 8 + size > End) return;
    std::string data(static_cast<size_t>(size), '\0');
    if (size > 0 && !ReadAt(Stream, pos + 8, data.data(), static_cast<Integer>(size))) return;
    pos += 8 + size;
    const std::string_view id(head, 3);
    if (id == "IND") continue;
    if (id == "INF")
      Values.Comment = Lyrics3Text(data);
    else if (id == "EAL")
      Values.Album = Lyrics3Text(data);
    else if (id == "EAR")
      Values.Artist = Lyrics3Text(data);
    else if (id == "ETT")
      Values.Title = Lyrics3Text(data);
    else if (id == "LYR") {
      String text = zcStringReplace(Lyrics3Text(data), u"\r", u"\r\n");
      Values.Lyrics = zcStringReplace(text, u"\r\n\n", u"\r\n");
    } else {
      return;
    }
  }
}

void PutField(Byte* Block, Integer Offset, Integer Width, const String& Text) {
  const RawByteString bytes = zcUnicodeToAnsiCP(Text, -1);
  std::memcpy(Block + Offset, bytes.data(), std::min<size_t>(bytes.size(), static_cast<size_t>(Width)));
}

}  // namespace

bool TZTLID3v1Values::IsEmpty() const {
  return Album.empty() && Artist.empty() && Comment.empty() && Title.empty() && Year.empty() && Genre.empty() &&
         TrackNumber.empty();
}

Int64 TZTLID3v1Codec::GetTagSize(TStream* Stream) {
  const Int64 streamSize = Stream->GetSize();
  Int64 result = 0;
  char tag[3];
  if (ReadAt(Stream, streamSize - BlockSize, tag, 3) && std::memcmp(tag, "TAG", 3) == 0) result = BlockSize;
  return result + Lyrics3Size(Stream, streamSize, result);
}

bool TZTLID3v1Codec::Read(TStream* Stream, TZTLID3v1Values& Values) {
  Values = TZTLID3v1Values();
  const Int64 streamSize = Stream->GetSize();
  char b[BlockSize];
  if (ReadAt(Stream, streamSize - BlockSize, b, BlockSize) && std::memcmp(b, "TAG", 3) == 0) {
    Values.Size = BlockSize;
    Values.Title = Field(b + 3, 30);
    Values.Artist = Field(b + 33, 30);
    Values.Album = Field(b + 63, 30);
    Values.Year = Field(b + 93, 4);
    Values.Genre = GetGenreName(static_cast<Byte>(b[127]));
    Integer commentLength = 30;
    if (b[125] == 0 && b[126] != 0) {
      const Integer track = static_cast<Byte>(b[126]);
      Values.TrackNumber = (track < 10 ? u"0" : u"") + IntToStr(track);
      commentLength = 28;
    }
    // The zero padding ends the comment.
    std::string_view comment(b + 97, static_cast<size_t>(commentLength));
    comment = comment.substr(0, comment.find('\0'));
    while (!comment.empty() && static_cast<Byte>(comment.back()) < 33) comment.remove_suffix(1);
    Values.Comment = zcTrim(zcAnsiToUnicode(comment, -1));
  }
  const Int64 lyrics = Lyrics3Size(Stream, streamSize, Values.Size);
  if (lyrics > 0) {
    const Int64 end = streamSize - Values.Size - Lyrics3TrailerSize;
    Values.Size += static_cast<Cardinal>(lyrics);
    ParseLyrics3(Stream, streamSize - Values.Size, end, Values);
  }
  return Values.Size > 0;
}

void TZTLID3v1Codec::Write(TStream* Stream, const TZTLID3v1Values& Values, bool Delete) {
  const Int64 old = GetTagSize(Stream);
  if (old > 0) Stream->SetSize(Stream->GetSize() - old);
  if (Delete || Values.IsEmpty()) return;
  Byte block[BlockSize] = {};
  std::memcpy(block, "TAG", 3);
  PutField(block, 3, 30, Values.Title);
  PutField(block, 33, 30, Values.Artist);
  PutField(block, 63, 30, Values.Album);
  PutField(block, 93, 4, Values.Year);
  PutField(block, 97, 30, Values.Comment);
  block[127] = GenreIndex(Values.Genre);
  const String track = zcTrim(Values.TrackNumber);
  if (!track.empty()) {
    Integer number = 0;
    if (!TryStrToInt(track, number)) number = 0;
    if (number >= 0 && number <= 255) {
      block[125] = 0;
      block[126] = static_cast<Byte>(number);
    }
  }
  Stream->Seek(0, soEnd);
  Stream->WriteBuffer(block, BlockSize);
}

Byte TZTLID3v1Codec::GenreIndex(StringView Name) {
  const Integer index = IndexOfGenre(Name);
  return index < 0 ? 255 : static_cast<Byte>(index);
}

// ---- TZTLTagID3v1 ----------------------------------------------------------------------------------

TZTLTagID3v1::TZTLTagID3v1(TStream* Stream) : TZTLTagID3v1() { Load(this, Stream); }

bool TZTLTagID3v1::IsEmpty() const {
  return GetValue(fitAlbum).empty() && GetValue(fitArtist).empty() && GetValue(fitComment).empty() &&
         GetValue(fitTitle).empty() && GetValue(fitDate).empty() && GetValue(fitGenre).empty() &&
         GetTrackNumber().empty();
}

void TZTLTagID3v1::Load(TZTLTag* Tag, TStream* Stream) {
  TZTLID3v1Values v;
  TZTLID3v1Codec::Read(Stream, v);
  Tag->BeginUpdate();
  Tag->SetSize(v.Size);
  if (v.Size > 0) {
    Tag->SetValue(fitTitle, v.Title);
    Tag->SetValue(fitArtist, v.Artist);
    Tag->SetValue(fitAlbum, v.Album);
    Tag->SetValue(fitDate, v.Year);
    Tag->SetValue(fitComment, v.Comment);
    Tag->SetValue(fitGenre, v.Genre);
    Tag->SetTrackNumber(v.TrackNumber);
    if (!v.Lyrics.empty()) Tag->SetValue(fitLyrics, v.Lyrics);
  }
  Tag->EndUpdate();
}

void TZTLTagID3v1::Save(TZTLTag* Tag, TStream* Stream) {
  TZTLID3v1Values v;
  v.Title = Tag->GetValue(fitTitle);
  v.Artist = Tag->GetValue(fitArtist);
  v.Album = Tag->GetValue(fitAlbum);
  v.Year = Tag->GetValue(fitDate);
  v.Comment = Tag->GetValue(fitComment);
  v.Genre = Tag->GetValue(fitGenre);
  v.TrackNumber = Tag->GetTrackNumber();
  TZTLID3v1Codec::Write(Stream, v, Tag->GetDeleteTagOnSave());
}
