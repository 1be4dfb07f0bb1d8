#include "zeph/media/ZTL.FileFormats.Common.h"

#include "rtl/RTL.Streams.h"
#include "zeph/media/ZTL.Tags.APEv2.h"
#include "zeph/media/ZTL.Tags.ID3v1.h"
#include "zeph/media/ZTL.Tags.ID3v2.h"

TZTLTagsContainerCommon::TZTLTagsContainerCommon() {
  FID3v1 = AddTag<TZTLTagID3v1>();
  FID3v2 = AddTag<TZTLTagID3v2>();
  FAPEv2 = AddTag<TZTLTagAPEv2>();
}

bool TZTLTagsContainerCommon::DoLoad(TStream* Stream) {
  TZTLTagAPEv2::Load(FAPEv2, Stream);
  TZTLTagID3v1::Load(FID3v1, Stream);
  TZTLTagID3v2::Load(FID3v2, Stream, 0);
  Stream->SetPosition(FID3v2->GetSize());
  return LoadStreamInfo(Stream);
}

bool TZTLTagsContainerCommon::DoSave(TStream* Stream) {
  TZTLTagAPEv2::Save(FAPEv2, Stream);
  TZTLTagID3v1::Save(FID3v1, Stream);
  TZTLTagID3v2::Save(FID3v2, Stream, OnProgress, this);
  return true;
}
