#pragma once
// Ogg Opus files: the "OpusHead" and "OpusTags" headers on the pages of the first logical stream.
// Loudness is kept as R128 comments on saving, with the header's output gain set to 0.

#include "zeph/media/ZTL.Ogg.Pages.h"
#include "zeph/media/ZTL.Tags.VorbisComments.h"

class TZTLTagOpus : public TZTLTagVorbisComments {
  ZCL_CLASS(TZTLTagOpus, TZTLTagVorbisComments)
 public:
  RawByteString GetDefaultVendor() const override { return "libopus 1.3.1"; }
  void ReadCommentBlock(TStream* Stream) override;
  void WriteCommentBlock(TStream* Stream) override;
};

// The Vorbis comments map without the two ReplayGain gain names: gains live in R128 comments.
class TZTLTagOpusFieldMap : public TZTLTagVorbisCommentsFieldMap {
  ZCL_CLASS(TZTLTagOpusFieldMap, TZTLTagVorbisCommentsFieldMap)
 public:
  using TZTLTagVorbisCommentsFieldMap::TZTLTagVorbisCommentsFieldMap;
  void Populate() override;
  static const TZTLTagFieldMap* Instance();
};

// Where a header page stands; a page position of 0 is unknown.
struct TZTLOpusPageLocation {
  Cardinal Sequence = 0;
  Int64 PagePosition = 0;
  Int64 DataStart = 0;
  Cardinal PageLength = 0;
  bool Known() const { return PagePosition != 0; }
};

class TZTLOpusTrack : public TZBLOggTrack {
 public:
  static constexpr Cardinal SampleRate = 48000;

  // R128 value (Q7.8 dB, relative to a reference 5 dB below ReplayGain's) and ReplayGain dB.
  static Single R128ToDecibels(Integer Value);
  static Integer DecibelsToR128(Double Decibels);

  // Gains into R128 comments, the output gain to 0.
  void StoreGainsAsR128(TZBLFileInfo* Info);
  // Writes the output gain into the "OpusHead" page in place (untouched when it is unchanged).
  void SaveChangesToHeader(TStream* Stream);
  // False when the loaded track had no complete comment header (nothing is written then).
  bool SaveTags(TStream* Stream, TZTLTagOpus* Info);
  SmallInt GetOutputGain() const { return FOutputGain; }
  Integer GetPreSkip() const { return FPreSkip; }

 protected:
  bool ProcessPage(TZBLOggStream& Ogg) override;
  TZBLFileInfo* CreateFileInfo() override;
  Int64 GetAudioSize() override;
  bool ReadHeader(TZBLOggStream& Ogg) override;
  void Finish(TZBLOggStream& Ogg) override;
  void Reset() override;

 private:
  SmallInt FOutputGain = 0;
  Integer FPreSkip = 0;
  TZTLOpusPageLocation FHead, FTags, FAudio;
};

class TZTLTagsContainerOpus : public TZTLTagsContainer {
  ZCL_CLASS(TZTLTagsContainerOpus, TZTLTagsContainer)
 public:
  TZTLTagsContainerOpus();
  static TZTLTagsContainerCapabilities ClassCapabilities() { return {tccProbeByContent}; }
  static String ClassSupportedExts() { return u"*.opus;"; }
  static Cardinal ClassFeatures() { return 23; }
  TZTLTagOpus* GetTag() const { return FTag; }

 protected:
  bool DoLoad(TStream* Stream) override;
  bool DoSave(TStream* Stream) override;

 private:
  TZTLTagOpus* FTag;
};

namespace detail {
void ZTLOpusInitialization();
}  // namespace detail
