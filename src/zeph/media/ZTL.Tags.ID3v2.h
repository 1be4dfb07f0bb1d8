#pragma once
// The ID3v2 tag at the start of a file: versions 2.2 to 2.4 are read, 2.3 is written. This unit
// holds the byte level: text decoding, the header, the frame walk and the frame writer.

#include <vector>

#include "rtl/RTL.Types.h"
#include "zcl/base/ZCL.Classes.h"
#include "zeph/media/ZTL.Core.h"

class TStream;

// Text of ID3v2 frames: the first byte names the encoding, but writers disagree, so byte-order
// marks found in the data decide where they stand.
class TID3v2Encoding {
 public:
  TID3v2Encoding() = delete;
  static String Decode(std::string_view Data);
  // Decode, then CleanValue.
  static String DecodeAndCut(std::string_view Data);
  // Flags bit 0: the encoding byte 01 first; bit 1: the mark FF FE; then the text as UTF-16 LE.
  static RawByteString Encode(StringView Text, Integer Flags);
};

// A frame of a tag, its data as the frame's reader wants it: grouping and data-length bytes
// removed and unsynchronisation undone.
struct TZTLID3v2Frame {
  AnsiString ID;  // 3 characters in version 2.2, else 4
  RawByteString Data;
};

struct TZTLID3v2Chapter {
  String Title;
  Double Start = 0, Finish = 0;  // seconds
};

// A picture frame's type and where its image bytes start.
struct TZTLID3v2Picture {
  Byte PictureType = 0;
  RawByteString Data;
};

class TZTLID3v2Codec {
 public:
  TZTLID3v2Codec() = delete;

  // The bytes of a tag at Position (header, frames, padding and a version-4 footer), 0 without
  // one; the stream's position is kept.
  static Int64 GetTagSize(TStream* Stream, Int64 Position);
  // Position + GetTagSize.
  static void SkipTag(TStream* Stream, Int64 Position);

  // Reads the tag at Position into its frames, in file order. Compressed and encrypted frames are
  // left out; a frame of a version-4 tag is made valid for version 3 (text re-encoded from UTF-8
  // to UTF-16). Returns the tag's size, 0 without a readable tag; Major gets the version.
  static Cardinal Read(TStream* Stream, Int64 Position, std::vector<TZTLID3v2Frame>& Frames, Byte& Major);

  // The frame's identifier as a 32-bit number, the first character in the lowest byte.
  static Integer FrameCode(std::string_view ID);
  static bool IsKnownFrame(std::string_view ID);

  // Field decoders of the frame kinds with a layout of their own.
  static String DecodeComment(std::string_view Data);  // description, NUL, text
  static String DecodeGenre(std::string_view Data);    // "(17)" is "Rock"
  static String DecodeLink(std::string_view Data);
  // 1 to 5 from the popularimeter's byte; 0 for none and for byte 0 ("unknown").
  static Integer DecodeRating(std::string_view Data);
  static String DecodeOwner(std::string_view Data);  // owner NUL text
  // False for a damaged frame. Major is the tag's version.
  static bool DecodePicture(std::string_view ID, std::string_view Data, Byte Major, TZTLID3v2Picture& Picture);
  static bool DecodeChapter(std::string_view Data, Byte Major, TZTLID3v2Chapter& Chapter);

  // Appends a version-3 frame; nothing when SkipEmpty and the payload is empty, or when the
  // identifier is not 4 characters.
  static void WriteFrame(RawByteString& Out, std::string_view ID, std::string_view Payload, bool SkipEmpty = true);
  // A chapter table and one chapter frame per chapter (at most 255).
  static void WriteChapters(RawByteString& Out, const std::vector<TZTLID3v2Chapter>& Chapters);
  // The tag around Frames: the header, the frames and padding. With Pad the tag takes at least
  // 4096 bytes; an existing tag of at least that size and below 102,400 bytes is filled exactly,
  // so the audio data need not move. Returns the padding written.
  static Integer Build(const RawByteString& Frames, RawByteString& Out, Int64 ExistingSize, bool Pad);
  // Replaces the tag at the start of the stream by Tag (no tag when empty), moving the rest only
  // when the size changes.
  static void Replace(TStream* Stream, const RawByteString& Tag, const TZCLProgressEvent& OnProgress = nullptr,
                      TObject* Sender = nullptr);
};

// ---- the tag -----------------------------------------------------------------------------------

// The ID3v2 tag of a file with its chapters. Frames it does not map are kept as custom fields
// named by their identifier and written back as they were read.
class TZTLTagID3v2 : public TZTLTag {
  ZCL_CLASS(TZTLTagID3v2, TZTLTag)
 public:
  TZTLTagID3v2();
  explicit TZTLTagID3v2(TStream* Stream);
  ~TZTLTagID3v2() override;
  bool IsEmpty() const override;
  void ClearTags() override;
  TZBLChapters* GetChapters() const { return FChapters; }

  static void Load(TZTLTag* Tag, TStream* Stream, Int64 Position = 0);
  // Writes, replaces or removes the tag at the start of the stream (the whole file).
  static void Save(TZTLTag* Tag, TStream* Stream, const TZCLProgressEvent& OnProgress = nullptr,
                   TObject* Sender = nullptr);
  static Int64 GetTagSize(TStream* Stream, Int64 Position) { return TZTLID3v2Codec::GetTagSize(Stream, Position); }
  static void SkipTag(TStream* Stream, Int64 Position) { TZTLID3v2Codec::SkipTag(Stream, Position); }

 protected:
  void DoAssign(const TZBLCustomFileInfo* Source) override;

 private:
  TZBLChapters* FChapters;
};

// Builds the bytes of a version-3 tag from a tag's values.
class TZTLTagID3v2Builder {
 public:
  TZTLTagID3v2Builder() = delete;
  // Appends the tag to Output and returns the padding written (see TZTLID3v2Codec::Build).
  static Integer Build(const TZTLTag* Tag, RawByteString& Output, Int64 ExistingSize, bool Pad);
};
