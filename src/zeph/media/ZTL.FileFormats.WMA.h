#pragma once
// ASF files (WMA and the like): the tag fields, the cover picture and the stream properties of the
// objects of the Header Object. Saving rebuilds the Header Object in memory and puts it in place.
// Integers are little-endian, texts UTF-16LE.

#include <vector>

#include "zeph/media/ZTL.Core.h"
#include "zeph/media/ZTL.Tags.h"

class TZTLTagWMA : public TZTLTag {
  ZCL_CLASS(TZTLTagWMA, TZTLTag)
 public:
  TZTLTagWMA() : TZTLTag(u"WMA") {}
};

class TZTLTagWMAFieldMap : public TZTLTagFieldMap {
  ZCL_CLASS(TZTLTagWMAFieldMap, TZTLTagFieldMap)
 public:
  using TZTLTagFieldMap::TZTLTagFieldMap;
  void Populate() override;
  static const TZTLTagFieldMap* Instance();
};

class TZTLTagsContainerWMA : public TZTLTagsContainer {
  ZCL_CLASS(TZTLTagsContainerWMA, TZTLTagsContainer)
 public:
  // Album art below this many bytes goes into the Extended Content Description Object; larger
  // art into a Metadata Library Object, whose values have 32-bit lengths.
  static constexpr Integer MaxInlinePicture = 0xEFFF;

  TZTLTagsContainerWMA();
  static TZTLTagsContainerCapabilities ClassCapabilities() { return {tccProbeByContent}; }
  static String ClassSupportedExts() { return u"*.wma;"; }
  static Cardinal ClassFeatures() { return 23; }
  TZTLTagWMA* GetTag() const { return FTag; }
  Cardinal GetAvgBytesPerSec() const { return FAvgBytesPerSec; }
  Cardinal GetMaxBitrate() const { return FMaxBitrate; }
  const String& GetSDKVersion() const { return FSDKVersion; }

 protected:
  bool DoLoad(TStream* Stream) override;
  bool DoSave(TStream* Stream) override;

 private:
  friend class TZTLTagWMAReader;
  friend class TZTLTagWMAWriter;
  void CorrectDuration();

  TZTLTagWMA* FTag;
  Cardinal FAvgBytesPerSec = 0;
  Cardinal FMaxBitrate = 0;
  String FSDKVersion;
  // Attributes the tag does not hold (numbers, Booleans, GUIDs, bytes, pictures not taken as
  // album art) and Metadata Library records other than the album art, each as stored; a save
  // writes them back unchanged.
  std::vector<RawByteString> FKeptAttributes;
  std::vector<RawByteString> FKeptLibraryRecords;
};

namespace detail {
void ZTLWMAInitialization();
}  // namespace detail
