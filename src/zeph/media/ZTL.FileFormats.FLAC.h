#pragma once
// FLAC files: stream properties from STREAMINFO, comments from VORBIS_COMMENT, album art from
// PICTURE blocks. Saving rebuilds the whole metadata area in memory and puts it in place.

#include <memory>
#include <vector>

#include "zeph/media/ZTL.Tags.VorbisComments.h"

class TZTLTagFLAC : public TZTLTagVorbisComments {
  ZCL_CLASS(TZTLTagFLAC, TZTLTagVorbisComments)
 public:
  RawByteString GetDefaultVendor() const override { return "reference libFLAC 1.1.0 20030126"; }
  void ReadCommentBlock(TStream* Stream) override;
  void WriteCommentBlock(TStream* Stream) override;
};

// The Vorbis comments map with DISCTOTAL and TRACKTOTAL registered first, so they are written.
class TZTLTagFlacFieldMap : public TZTLTagVorbisCommentsFieldMap {
  ZCL_CLASS(TZTLTagFlacFieldMap, TZTLTagVorbisCommentsFieldMap)
 public:
  using TZTLTagVorbisCommentsFieldMap::TZTLTagVorbisCommentsFieldMap;
  void Populate() override;
  static const TZTLTagFieldMap* Instance();
};

// Also writes the Comment as "Description", even when it is empty.
class TZTLTagFlacWriter : public TZTLTagVorbisCommentsWriter {
  ZCL_CLASS(TZTLTagFlacWriter, TZTLTagVorbisCommentsWriter)
 public:
  TZTLTagFlacWriter(TZTLTagFLAC* Tag, TStream* Stream);
  void WriteFields() override;
};

class TZTLTagsContainerFLAC : public TZTLTagsContainer {
  ZCL_CLASS(TZTLTagsContainerFLAC, TZTLTagsContainer)
 public:
  enum : Byte {
    BlockStreamInfo = 0,
    BlockPadding = 1,
    BlockVorbisComment = 4,
    BlockCueSheet = 5,
    BlockPicture = 6,
  };
  static constexpr Integer MaxBlockSize = 0xFFFFFF;

  TZTLTagsContainerFLAC();
  ~TZTLTagsContainerFLAC() override;
  static TZTLTagsContainerCapabilities ClassCapabilities() { return {tccProbeByContent}; }
  static String ClassSupportedExts() { return u"*.flac;*.fla;"; }
  static Cardinal ClassFeatures() { return 23; }
  TZTLTagFLAC* GetTag() const { return FTag; }
  // File position of the first audio byte.
  Int64 GetAudioStart() const { return FAudioStart; }

 protected:
  bool DoLoad(TStream* Stream) override;
  bool DoSave(TStream* Stream) override;

 private:
  struct TBlock {
    Byte Header[4];
    RawByteString Body;
  };
  static void WriteBlockHeader(TStream* Stream, Byte Type, Int64 Length, bool Last);
  bool ReadBlocks(TStream* Stream);

  TZTLTagFLAC* FTag;
  // STREAMINFO as read (header and body), then the blocks written back, in file order.
  TBlock FStreamInfoBlock{};
  std::vector<TBlock> FBlocks;
  // Index in FBlocks of the PICTURE block that gave the album art; it is rewritten from the
  // album art on saving, every other PICTURE block is kept as it was. -1 for none.
  Integer FArtBlock = -1;
  Int64 FAudioStart = 0;
};

namespace detail {
void ZTLFlacInitialization();
}  // namespace detail
