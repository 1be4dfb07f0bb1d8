#pragma once
// Ogg Vorbis files: the three Vorbis header packets found on the pages of the file's first
// logical stream, the comments read from and written into the comment packet.

#include "zeph/media/ZTL.Core.h"
#include "zeph/media/ZTL.Ogg.Pages.h"

class TZTLTagVorbisComments;

// Where a header packet stands; a page position of 0 is unknown.
struct TZTLOggPacketLocation {
  Cardinal Sequence = 0;
  Int64 PagePosition = 0;
  Int64 DataStart = 0;
  Cardinal PageLength = 0;
  Int64 PacketPosition = 0;
  bool Known() const { return PagePosition != 0; }
};

class TZTLOggVorbisTrack : public TZBLOggTrack {
 public:
  // Writes Info's comments into the file whose headers the track has just loaded; false when
  // the pages needed cannot be read (nothing is written then).
  bool SaveTags(TStream* Stream, TZTLTagVorbisComments* Info);
  const TZTLOggPacketLocation& GetCommentLocation() const { return FComment; }
  const TZTLOggPacketLocation& GetSetupLocation() const { return FSetup; }

 protected:
  bool ProcessPage(TZBLOggStream& Ogg) override;
  TZBLFileInfo* CreateFileInfo() override;
  Int64 GetAudioSize() override;
  bool ReadHeader(TZBLOggStream& Ogg) override;
  void Finish(TZBLOggStream& Ogg) override;
  void Reset() override;

 private:
  TZTLOggPacketLocation FIdentification, FComment, FSetup;
};

class TZTLTagsContainerOggVorbis : public TZTLTagsContainer {
  ZCL_CLASS(TZTLTagsContainerOggVorbis, TZTLTagsContainer)
 public:
  TZTLTagsContainerOggVorbis();
  static TZTLTagsContainerCapabilities ClassCapabilities() { return {tccProbeByContent, tccWritable}; }
  static String ClassSupportedExts() { return u"*.ogg;*.oga;"; }
  static Cardinal ClassFeatures() { return 31; }
  TZTLTagVorbisComments* GetTag() const { return FTag; }

 protected:
  bool DoLoad(TStream* Stream) override;
  bool DoSave(TStream* Stream) override;

 private:
  TZTLTagVorbisComments* FTag;
};

namespace detail {
// Registers the container with the tags manager.
void ZTLOggVorbisInitialization();
}  // namespace detail
