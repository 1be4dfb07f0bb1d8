#pragma once
// MP4 audio files (M4A, M4B, M4R): the metadata items of "ilst", the chapters and the first audio
// track's properties read into one tag; saving rebuilds the "moov" atom and puts it in place.

#include <memory>
#include <vector>

#include "zeph/media/ZBL.FileFormats.MP4.h"
#include "zeph/media/ZTL.Core.h"
#include "zeph/media/ZTL.Tags.h"

class TZTLTagM4A : public TZTLTag {
  ZCL_CLASS(TZTLTagM4A, TZTLTag)
 public:
  TZTLTagM4A() : TZTLTag(u"M4A") {}
};

// Rating scales: 0..99 of the "WM/SharedUserRating" value, 1..5 of the record.
Integer WMRatingToRating(Integer Value);
Integer RatingToWMRating(Integer Rating);

// "Xtra": named items of bytes; only "WM/SharedUserRating" is interpreted.
class TZTLM4AAtomXtra : public TMP4Atom {
 public:
  struct TItem {
    AnsiString Name;
    RawByteString Data;
  };
  using TMP4Atom::TMP4Atom;
  // An item whose size cannot be true ends the list.
  void LoadContent(TStream* Stream, Int64 Size) override;
  void SaveContent(TStream* Stream) override;
  void Clear() override { Items.clear(); }
  Int64 CalculateSize() const override;
  // Names compare ignoring ASCII case.
  TItem* Find(std::string_view Name);
  void DeleteAll(std::string_view Name);
  using TMP4Atom::Find;
  std::vector<TItem> Items;
};

class TZTLM4AContainer : public TMP4Container {
 public:
  std::unique_ptr<TMP4Atom> CreateAtom(TMP4AtomID AtomID, TMP4Atom* AtomParent) override;
};

class TZTLM4AFieldMap : public TZTLTagFieldMap {
  ZCL_CLASS(TZTLM4AFieldMap, TZTLTagFieldMap)
 public:
  using TZTLTagFieldMap::TZTLTagFieldMap;
  void Populate() override;
  static const TZTLTagFieldMap* Instance();
};

class TZTLTagsContainerM4A : public TZTLTagsContainer {
  ZCL_CLASS(TZTLTagsContainerM4A, TZTLTagsContainer)
 public:
  TZTLTagsContainerM4A();
  static TZTLTagsContainerCapabilities ClassCapabilities() { return {tccProbeByContent}; }
  static String ClassSupportedExts() { return u"*.m4a;*.mp4;*.m4b;*.m4r;"; }
  static Cardinal ClassFeatures() { return 13; }
  TZTLTagM4A* GetTag() const { return FTag; }
  // The tree of the stream when it is an MP4 file of a known brand; none otherwise.
  static std::unique_ptr<TZTLM4AContainer> OpenTree(TStream* Stream);

 protected:
  bool DoLoad(TStream* Stream) override;
  bool DoSave(TStream* Stream) override;

 private:
  TZTLTagM4A* FTag;
};

namespace detail {
void ZTLM4AInitialization();
}  // namespace detail
