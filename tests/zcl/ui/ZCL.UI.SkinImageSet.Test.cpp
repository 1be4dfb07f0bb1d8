#include <gtest/gtest.h>

#include <cstring>

#include "rtl/RTL.Streams.h"
#include "zcl/ui/ZCL.UI.SkinImageSet.h"

namespace {

void Fill(TZCLSkinImage* Image, Integer W, Integer H, TZCLPixel32 Colour) {
  std::vector<TZCLPixel32> pixels(size_t(W) * H, Colour);
  Image->LoadFromBits(pixels.data(), W, H);
}

std::vector<Integer> Dpis(const TZCLSkinImageSet& Set) {
  std::vector<Integer> result;
  for (Integer i = 0; i < Set.GetCount(); ++i) result.push_back(Set.GetItem(i)->GetDPI());
  return result;
}

TEST(ZclSkinImageSet, NewSetAndDpiRules) {
  TZCLSkinImageSet set;
  EXPECT_EQ(set.GetCount(), 1);
  EXPECT_EQ(set.GetItem(0)->GetDPI(), 96);
  EXPECT_TRUE(set.IsEmpty());
  try {
    set.Add(96);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.GetMessage(), u"Image for 96 dpi is already exists.");
  }
  try {
    set.Add(500);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.GetMessage(), u"The 500 dpi is not valid.");
  }
  EXPECT_THROW(set.GetItem(3), EArgumentOutOfRangeException);
  EXPECT_THROW(set.Delete(0), EInvalidOperation);
  set.Add(192);
  set.Add(144);
  EXPECT_EQ(Dpis(set), (std::vector<Integer>{96, 144, 192}));
  Fill(set.GetItem(1), 48, 48, {});
  EXPECT_EQ(set.GetItem(1)->ToString(), u"150% / 144 dpi - 48x48");
}

TEST(ZclSkinImageSet, BestFit) {
  TZCLSkinImageSet set;
  set.Add(144);
  set.Add(192);
  struct {
    Integer Target, Expected;
  } cases[] = {{120, 96}, {144, 144}, {190, 144}, {240, 192}, {96, 96}};
  for (const auto& c : cases) EXPECT_EQ(set.GetBestFit(c.Target)->GetDPI(), c.Expected) << c.Target;
  set.Delete(0);
  EXPECT_EQ(set.GetBestFit(96)->GetDPI(), 144);
}

TEST(ZclSkinImageSet, ClearKeepsTheBaseItemsParameters) {
  TZCLSkinImageSet set;
  Fill(set.GetItem(0), 4, 4, {1, 1, 1, 255});
  set.GetItem(0)->SetMargins({1, 1, 1, 1});
  set.GetItem(0)->SetFrameCount(2);
  set.Add(144);
  set.Add(192);
  set.Clear();
  EXPECT_EQ(set.GetCount(), 1);
  EXPECT_TRUE(set.GetItem(0)->Empty());
  EXPECT_EQ(set.GetItem(0)->GetMargins(), TRect(1, 1, 1, 1));
  EXPECT_EQ(set.GetItem(0)->GetFrameCount(), 2);
}

TEST(ZclSkinImageSet, StreamRoundTrip) {
  TZCLSkinImageSet set;
  Fill(set.GetItem(0), 2, 2, {1, 2, 3, 255});
  Fill(set.Add(144), 3, 3, {4, 5, 6, 255});
  TBytesStream stream;
  set.SaveToStream(stream);
  const Int64 end = stream.GetSize();
  for (int b : {1, 2, 3}) stream.WriteBufferData(Byte(b));  // trailing bytes stay unread
  stream.SetPosition(0);
  TZCLSkinImageSet back;
  back.LoadFromStream(stream);
  EXPECT_EQ(Dpis(back), (std::vector<Integer>{96, 144}));
  EXPECT_EQ(stream.GetPosition(), end);
  EXPECT_EQ(back.GetItem(1)->GetWidth(), 3);
  EXPECT_TRUE(back.Equals(&set));
}

TEST(ZclSkinImageSet, StoredDpiOutsideTheRangeIsClamped) {
  TZCLSkinImageSet set;
  Fill(set.GetItem(0), 2, 2, {});
  TBytesStream stream;
  set.SaveToStream(stream);
  // The "XDPI" chunk is last: its payload is the final two bytes.
  Byte* data = static_cast<Byte*>(stream.GetMemory());
  const Int64 size = stream.GetSize();
  for (auto [value, expected] : {std::pair<Word, Integer>{0, 96}, {9999, 480}, {120, 120}}) {
    std::memcpy(data + size - 2, &value, 2);
    stream.SetPosition(0);
    TZCLSkinImageSet back;
    back.LoadFromStream(stream);
    EXPECT_EQ(back.GetItem(0)->GetDPI(), expected);
  }
}

TEST(ZclSkinImageSet, PlainPngBecomesThe96DpiItem) {
  TZCLImage png;
  const TZCLPixel32 pixels[4] = {{0, 0, 255, 255}, {0, 0, 255, 255}, {0, 0, 255, 255}, {0, 0, 255, 255}};
  png.LoadFromBits(pixels, 2, 2, afDefined);
  TBytesStream stream;
  png.SaveToStreamAs(stream, TZCLImageFormatPNG::Class());
  stream.SetPosition(0);
  TZCLSkinImageSet set;
  set.LoadFromStream(stream);
  EXPECT_EQ(set.GetCount(), 1);
  EXPECT_EQ(set.GetItem(0)->GetDPI(), 96);
  EXPECT_EQ(set.GetItem(0)->GetWidth(), 2);
}

TEST(ZclSkinImageSet, SharingAndMakeUnique) {
  TZCLSkinImageSet a, b;
  std::vector<TZCLPixel32> pixels(16 * 16, {1, 2, 3, 255});
  a.GetItem(0)->LoadFromBits(pixels.data(), 16, 16);
  b.Assign(&a);
  TZCLSkinImageSetItem* shared = a.GetItem(0);
  EXPECT_EQ(b.GetItem(0), shared);
  EXPECT_EQ(shared->GetRefCount(), 2);
  b.MakeUnique();
  EXPECT_NE(b.GetItem(0), shared);
  EXPECT_EQ(shared->GetRefCount(), 1);
  EXPECT_TRUE(shared->IsDormant());  // only its set holds it now
  EXPECT_EQ(b.GetItem(0)->GetRefCount(), 1);
}

TEST(ZclSkinImageSet, TintedItemsAreCachedUntilAnItemChanges) {
  TZCLSkinImageSet set;
  Fill(set.GetItem(0), 2, 2, {200, 200, 200, 255});
  TZCLSkinImageSetItem* first = set.Get(96, 0xFFFF0000, cmTint);
  first->AddRef();
  EXPECT_EQ(set.Get(96, 0xFFFF0000, cmTint), first);
  EXPECT_EQ(set.Get(120, 0xFFFF0000, cmTint), first);  // best fit is the 96 item
  TZCLPixel32 p{};
  first->GetPixel(0, 0, p);
  EXPECT_EQ(p.R, 255);
  EXPECT_EQ(p.B, 0);
  EXPECT_EQ(set.Get(96, claNone), set.GetItem(0));
  set.GetItem(0)->SetMargins({1, 0, 0, 0});
  TZCLSkinImageSetItem* second = set.Get(96, 0xFFFF0000, cmTint);
  EXPECT_NE(second, first);
  EXPECT_TRUE(first->GetDetached());
  first->Release();  // frees the detached copy
  // Hue mode keeps lightness and the magenta key.
  TZCLSkinImageSet keyed;
  const TZCLPixel32 px[2] = {{255, 0, 255, 255}, {128, 128, 128, 255}};
  keyed.GetItem(0)->LoadFromBits(px, 2, 1);
  TZCLSkinImageSetItem* hue = keyed.GetForSchema(96, TZCLColorSchema::Create(170, 100));
  hue->GetPixel(0, 0, p);
  EXPECT_EQ(p.R, 255);
  EXPECT_EQ(p.B, 255);
}

}  // namespace
