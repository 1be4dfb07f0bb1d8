#pragma once
// The container of plain audio files whose only metadata are tags glued to the data: an ID3v2 tag
// at the start, an APEv2 tag and an ID3v1 tag (with a Lyrics3 v2 block) at the end.

#include "zeph/media/ZTL.Core.h"

class TZTLTagAPEv2;
class TZTLTagID3v1;
class TZTLTagID3v2;

// Abstract: a concrete format reads its stream information in LoadStreamInfo. Tags holds ID3v1,
// ID3v2 and APEv2 in this order, so merging takes ID3v2 before APEv2 and ID3v1 last.
class TZTLTagsContainerCommon : public TZTLTagsContainer {
  ZCL_CLASS(TZTLTagsContainerCommon, TZTLTagsContainer)
 public:
  TZTLTagsContainerCommon();
  static Cardinal ClassFeatures() { return 23; }

  TZTLTagAPEv2* GetAPEv2() const { return FAPEv2; }
  TZTLTagID3v1* GetID3v1() const { return FID3v1; }
  TZTLTagID3v2* GetID3v2() const { return FID3v2; }

 protected:
  bool DoLoad(TStream* Stream) override;
  // APEv2, then ID3v1, then ID3v2 (which may move all data behind the start of the file).
  bool DoSave(TStream* Stream) override;
  // Reads the audio stream's information from the first byte after the ID3v2 tag; answers
  // whether the data is of the format.
  virtual bool LoadStreamInfo(TStream* Stream) = 0;

 private:
  TZTLTagAPEv2* FAPEv2;
  TZTLTagID3v1* FID3v1;
  TZTLTagID3v2* FID3v2;
};
