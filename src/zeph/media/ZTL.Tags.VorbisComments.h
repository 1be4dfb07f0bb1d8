#pragma once
// The Vorbis comment block (vendor string and NAME=value comments), shared by FLAC, Ogg Vorbis
// and Opus, with the picture block carried in its "METADATA_BLOCK_PICTURE" comment.

#include <memory>

#include "rtl/RTL.Types.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zeph/media/ZTL.Core.h"
#include "zeph/media/ZTL.Tags.h"

class TStream;
class TMemoryStream;

class TZTLTagVorbisComments : public TZTLTag {
  ZCL_CLASS(TZTLTagVorbisComments, TZTLTag)
 public:
  TZTLTagVorbisComments() : TZTLTag(u"Vorbis") {}

  // The vendor bytes as stored; they are never decoded.
  const RawByteString& GetVendor() const { return FVendor; }
  void SetVendor(const RawByteString& Value) { FVendor = Value; }

  // Written when the tag has no vendor of its own.
  virtual RawByteString GetDefaultVendor() const { return RawByteString(); }
  // One comment block at the stream's position; every length is checked against the bytes left
  // in the stream, so a damaged block reads what it can and allocates nothing it cannot fill.
  virtual void ReadCommentBlock(TStream* Stream);
  virtual void WriteCommentBlock(TStream* Stream);

 protected:
  void DoAssign(const TZBLCustomFileInfo* Source) override;

 private:
  RawByteString FVendor;
};

class TZTLTagVorbisCommentsFieldMap : public TZTLTagFieldMap {
  ZCL_CLASS(TZTLTagVorbisCommentsFieldMap, TZTLTagFieldMap)
 public:
  using TZTLTagFieldMap::TZTLTagFieldMap;
  void Populate() override;
  // The shared map, built on first use.
  static const TZTLTagFieldMap* Instance();
};

// Reads comments into the tag: mapped names into properties (Rating 0..100 into 1..5), picture
// comments into the album art, everything else into custom fields.
class TZTLTagVorbisCommentsReader : public TZTLTagMappedFiler {
  ZCL_CLASS(TZTLTagVorbisCommentsReader, TZTLTagMappedFiler)
 public:
  TZTLTagVorbisCommentsReader(TZTLTagVorbisComments* Tag, TStream* Stream,
                              const TZTLTagFieldMap* FieldMap = TZTLTagVorbisCommentsFieldMap::Instance());
  void Execute();
  using TZTLTagMappedFiler::ReadField;
  void ReadField(std::string_view Name, std::string_view Data) override;

 private:
  // The comment that gave the current album art; a later picture taking its place sends it to
  // the custom fields, so no picture of the file is lost on saving.
  AnsiString FArtName, FArtValue;
};

class TZTLTagVorbisCommentsWriter : public TZTLTagMappedFiler {
  ZCL_CLASS(TZTLTagVorbisCommentsWriter, TZTLTagMappedFiler)
 public:
  TZTLTagVorbisCommentsWriter(TZTLTagVorbisComments* Tag, TStream* Stream,
                              const TZTLTagFieldMap* FieldMap = TZTLTagVorbisCommentsFieldMap::Instance());
  void Execute();
  virtual void WritePicture();
  virtual void WriteFields();

 protected:
  void WriteComment(std::string_view Name, std::string_view Value);
  Cardinal FFieldCount = 0;
};

// The picture block (big-endian), also the body of a FLAC PICTURE block.
class TZTLTagVorbisPicture {
 public:
  TZTLTagVorbisPicture() = delete;
  // The image of the block of BlockSize bytes at the stream's position, or none; PictureType is
  // set from the block (a type 0 guessed from the description) even when the image is not taken.
  static IPtr<IZCLDataContainer> ReadPictureBlock(TStream* Stream, Int64 BlockSize, Cardinal& PictureType);
  static IPtr<IZCLDataContainer> DecodePicture(std::string_view Base64, Cardinal& PictureType);
  // A front cover block with the MIME type; nothing for an empty image.
  static void WritePictureBlock(TStream* Stream, const void* Data, Integer DataSize, const AnsiString& MimeType);
  // The block of the image, Base64 text in a new stream positioned at 0.
  static std::unique_ptr<TMemoryStream> EncodePicture(const IPtr<IZCLDataContainer>& AlbumArt);
};

// Signature, comment block and the framing byte 1, in a new stream positioned at 0.
std::unique_ptr<TMemoryStream> BuildCommentPacket(TZTLTagVorbisComments* Tag, std::string_view Signature);
