#include <gtest/gtest.h>

#include "rtl/RTL.TypInfo.h"
#include "zeph/media/ZTL.Tags.h"

namespace {

// A tag-like object with one property of each kind the maps use.
class TMapTarget : public TObject {
  ZCL_CLASS(TMapTarget, TObject)
 public:
  String FTitle, FArtist, FAlbumGain, FTrackGain, FAlbumPeak, FTrackPeak, FCueSheet;
  SmallInt FBPM = 0;
  bool FCompilation = false;
  static void DeclareProperties(TClassDeclaration<TMapTarget>& D) {
    D.Property(u"Title", &TMapTarget::FTitle, &TMapTarget::FTitle);
    D.Property(u"Artist", &TMapTarget::FArtist, &TMapTarget::FArtist);
    D.Property(u"CueSheet", &TMapTarget::FCueSheet, &TMapTarget::FCueSheet);
    D.Property(u"AlbumGain", &TMapTarget::FAlbumGain, &TMapTarget::FAlbumGain);
    D.Property(u"AlbumPeak", &TMapTarget::FAlbumPeak, &TMapTarget::FAlbumPeak);
    D.Property(u"TrackGain", &TMapTarget::FTrackGain, &TMapTarget::FTrackGain);
    D.Property(u"TrackPeak", &TMapTarget::FTrackPeak, &TMapTarget::FTrackPeak);
    D.Property(u"BPM", &TMapTarget::FBPM, &TMapTarget::FBPM);
    D.Property(u"PartOfCompilation", &TMapTarget::FCompilation, &TMapTarget::FCompilation);
  }
};

class TTestMap : public TZTLTagFieldMap {
 public:
  using TZTLTagFieldMap::TZTLTagFieldMap;
  void Populate() override {
    TZTLTagFieldMap::Populate();
    Add("TITLE", u"Title", false);
    Add("ARTIST", u"Artist", true);
    Add("PERFORMER", u"Artist", true);  // second name of the same property: read, never written
    Add("BPM", u"BPM", false);
    Add("COMPILATION", u"PartOfCompilation", false);
    Add(0x32544954, u"Title", false);  // "TIT2"
  }
};

std::unique_ptr<TTestMap> MakeMap() {
  RegisterProperties<TMapTarget>();
  return TZTLTagFieldMap::CreatePopulated<TTestMap>(TMapTarget::StaticClass());
}

}  // namespace

TEST(TagFieldMap, LooksUpByNameIgnoringCaseAndByID) {
  auto map = MakeMap();
  ASSERT_NE(map->FindName("title"), nullptr);
  EXPECT_EQ(map->FindName("title")->Name, "TITLE");
  EXPECT_NE(map->FindName("Replaygain_Track_Gain"), nullptr);
  EXPECT_EQ(map->FindName("UNKNOWN"), nullptr);
  ASSERT_NE(map->FindID(0x32544954), nullptr);
  EXPECT_EQ(map->FindID(0x32544954)->PropInfo, map->FindName("TITLE")->PropInfo);
  // The first registration of a property is the one written.
  EXPECT_EQ(map->FindProperty(map->FindName("performer")->PropInfo)->Name, "ARTIST");
  map->Remove("artist");
  EXPECT_EQ(map->FindName("ARTIST"), nullptr);
  EXPECT_EQ(map->FindProperty(map->FindName("performer")->PropInfo), nullptr);
  EXPECT_THROW(map->Add("X", u"NoSuchProperty", false), EPropertyError);
}

TEST(TagFieldMap, DefaultReaderAndWriterByKind) {
  auto map = MakeMap();
  TMapTarget t;
  const TZTLTagFieldMapItem& bpm = *map->FindName("BPM");
  const TZTLTagFieldMapItem& comp = *map->FindName("COMPILATION");
  struct {
    const char16_t* Text;
    SmallInt Expected;
  } numbers[] = {{u"12.7", 12}, {u"abc", 0}, {u"-3.9", -3}, {u" 120 ", 120}, {u"99999999", 32767}, {u"", 0}};
  for (const auto& c : numbers) {
    bpm.Setter(&t, bpm, c.Text);
    EXPECT_EQ(t.FBPM, c.Expected) << "text " << (&c - numbers);
  }
  t.FBPM = 0;
  EXPECT_EQ(bpm.Getter(&t, bpm), u"");
  t.FBPM = 128;
  EXPECT_EQ(bpm.Getter(&t, bpm), u"128");
  comp.Setter(&t, comp, u"1");
  EXPECT_TRUE(t.FCompilation);
  comp.Setter(&t, comp, u"yes");
  EXPECT_TRUE(t.FCompilation);
  comp.Setter(&t, comp, u"false");
  EXPECT_FALSE(t.FCompilation);
  comp.Setter(&t, comp, u"2");  // outside the type's range: unchanged
  EXPECT_FALSE(t.FCompilation);
  EXPECT_EQ(comp.Getter(&t, comp), u"");
  const TZTLTagFieldMapItem& title = *map->FindName("TITLE");
  title.Setter(&t, title, u"Name");
  EXPECT_EQ(title.Getter(&t, title), u"Name");
}
