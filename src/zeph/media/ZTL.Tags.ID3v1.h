#pragma once
// The 128-byte ID3v1 (and v1.1) block at the end of a file and the Lyrics3 v2 block that may stand
// in front of it. Fixed-width 8-bit fields: values may come back truncated.

#include "rtl/RTL.Types.h"
#include "zeph/media/ZTL.Core.h"

class TStream;

// The values an ID3v1 block and a Lyrics3 v2 block carry.
struct TZTLID3v1Values {
  String Title, Artist, Album, Year, Comment, Genre, TrackNumber;
  String Lyrics;  // from Lyrics3 only; never written
  // The bytes both blocks occupied at the end of the stream when read.
  Cardinal Size = 0;

  // The fields the block stores are all empty (Lyrics does not count).
  bool IsEmpty() const;
};

class TZTLID3v1Codec {
 public:
  TZTLID3v1Codec() = delete;
  // Bytes of the ID3v1 block and of a Lyrics3 v2 block in front of it at the end of the stream.
  // A Lyrics3 block counts only when "LYRICSBEGIN" stands where its size says it starts, inside
  // the stream, so that a damaged size never makes a save cut audio data.
  static Int64 GetTagSize(TStream* Stream);
  // Reads both blocks; false (and empty values) when the stream has neither.
  static bool Read(TStream* Stream, TZTLID3v1Values& Values);
  // Cuts both blocks from the end, then appends a new ID3v1 block unless Delete is set or the
  // values are empty. No Lyrics3 block is written.
  static void Write(TStream* Stream, const TZTLID3v1Values& Values, bool Delete);
  // The ID3v1 genre byte of a name (ignoring case), 255 when it is not a standard genre.
  static Byte GenreIndex(StringView Name);
};

// ---- the tag -----------------------------------------------------------------------------------

// The ID3v1 tag of a file. Its values may be truncated, so merging lets them fill only what other
// tags left empty. Size covers the ID3v1 block and a Lyrics3 v2 block in front of it.
class TZTLTagID3v1 : public TZTLTag {
  ZCL_CLASS(TZTLTagID3v1, TZTLTag)
 public:
  TZTLTagID3v1() : TZTLTag(u"ID3v1") {}
  // Empty, then Load.
  explicit TZTLTagID3v1(TStream* Stream);
  bool HasLimitedValues() const override { return true; }
  // Album, Artist, Comment, Title, Date, Genre and TrackNumber are all empty.
  bool IsEmpty() const override;

  static void Load(TZTLTag* Tag, TStream* Stream);
  // Replaces the blocks at the end of the stream (the whole file); an empty tag or DeleteTagOnSave
  // leaves none.
  static void Save(TZTLTag* Tag, TStream* Stream);
  static Int64 GetTagSize(TStream* Stream) { return TZTLID3v1Codec::GetTagSize(Stream); }
  static Byte GenreIndex(StringView Name) { return TZTLID3v1Codec::GenreIndex(Name); }
};
