#include <gtest/gtest.h>

#include <cstring>

#include "os/OS.Codecs.h"
#include "os/OS.Icons.h"
#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Imaging.h"

namespace {

uint32_t& Px(TPngImage& Image, Integer X, Integer Y) { return static_cast<uint32_t*>(Image.ScanLine(Y))[X]; }
uint32_t Px(TBitmap& B, Integer X, Integer Y) { return static_cast<uint32_t*>(B.ScanLine(Y))[X]; }

// A PNG image of the given size whose pixel (0, 0) is Corner.
std::unique_ptr<TPngImage> MakePng(Integer W, Integer H, uint32_t Corner) {
  auto png = std::make_unique<TPngImage>();
  png->SetSize(W, H);
  Px(*png, 0, 0) = Corner;
  png->Modified();
  return png;
}

TEST(PngImageTest, RoundTripKeepsStraightAlpha) {
  auto png = MakePng(3, 2, 0x40FF8000u);
  TMemoryStream stream;
  png->SaveToStream(stream);
  stream.SetPosition(0);
  TPngImage loaded;
  loaded.LoadFromStream(stream);
  EXPECT_EQ(loaded.GetWidth(), 3);
  EXPECT_EQ(Px(loaded, 0, 0), 0x40FF8000u);
  EXPECT_EQ(Px(loaded, 2, 1), 0u);

  // To a bitmap and back: straight pixels survive both ways.
  TBitmap bitmap;
  bitmap.Assign(&loaded);
  EXPECT_EQ(bitmap.GetAlphaFormat(), afDefined);
  EXPECT_EQ(Px(bitmap, 0, 0), 0x40FF8000u);
  bitmap.SetAlphaFormat(afPremultiplied);
  TPngImage back;
  back.Assign(&bitmap);
  EXPECT_NEAR(int(Px(back, 0, 0) >> 16 & 0xFF), 0xFF, 4);
  EXPECT_EQ(Px(back, 0, 0) >> 24, 0x40u);

  const Byte junk[] = {0x89, 'P', 'N', 'G', 0, 0};
  TCustomMemoryStream bad(junk, sizeof(junk));
  EXPECT_THROW(loaded.LoadFromStream(bad), EInvalidGraphic);
  EXPECT_EQ(loaded.GetWidth(), 3);  // unchanged
}

TEST(PngImageTest, PictureLoadsSuiteFileByExtensionAndDrawsBlended) {
  ZEPHSE_REQUIRE_TESTDATA("pngsuite");
  TPicture picture;
  picture.LoadFromFile(UTF8ToString(TestDataDir() + "/pngsuite/png/basn6a08.png"));
  auto* png = dynamic_cast<TPngImage*>(picture.GetGraphic());
  ASSERT_NE(png, nullptr);
  EXPECT_EQ(png->GetWidth(), 32);
  // The file's top-left pixel is fully transparent: drawing on white keeps white there.
  TBitmap canvasBitmap(32, 32);
  canvasBitmap.GetCanvas()->GetBrush()->SetColor(clWhite);
  canvasBitmap.GetCanvas()->FillRect(TRect(0, 0, 32, 32));
  canvasBitmap.GetCanvas()->Draw(0, 0, png);
  EXPECT_EQ(Px(*png, 0, 0) >> 24, 0u);
  EXPECT_EQ(Px(canvasBitmap, 0, 0), 0xFFFFFFFFu);
}

class IconTest : public ::testing::Test {
 protected:
  std::vector<Byte> SavedIcon() {
    TIcon icon;
    icon.AddImage(MakePng(16, 16, 0xFF0000FFu).get());
    icon.AddImage(MakePng(32, 32, 0xFFFF0000u).get());
    TMemoryStream stream;
    icon.SaveToStream(stream);
    const auto* p = static_cast<const Byte*>(stream.GetMemory());
    return std::vector<Byte>(p, p + stream.GetSize());
  }
};

TEST_F(IconTest, RoundTripAndBestSize) {
  const std::vector<Byte> data = SavedIcon();
  TCustomMemoryStream stream(data.data(), NativeInt(data.size()));
  TPicture picture;
  picture.LoadFromStream(stream);  // found by its own signature
  auto* icon = dynamic_cast<TIcon*>(picture.GetGraphic());
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(icon->GetImageCount(), 2);
  EXPECT_EQ(icon->GetWidth(), 32);
  EXPECT_EQ(icon->BestImage(16, 16)->GetWidth(), 16);
  EXPECT_EQ(icon->BestImage(20, 20)->GetWidth(), 32);
  EXPECT_EQ(icon->BestImage(64, 64)->GetWidth(), 32);
  EXPECT_THROW(icon->SetWidth(8), EInvalidGraphic);

  TBitmap target(16, 16);
  target.GetCanvas()->StretchDraw(TRect(0, 0, 16, 16), icon);  // picks the 16 x 16 image
  EXPECT_EQ(Px(target, 0, 0), 0xFF0000FFu);

  // A bitmap copy of an icon is drawn from its largest image.
  TBitmap copy;
  copy.Assign(icon);
  EXPECT_EQ(copy.GetWidth(), 32);
  EXPECT_EQ(copy.GetAlphaFormat(), afPremultiplied);
  EXPECT_EQ(Px(copy, 0, 0), 0xFFFF0000u);
}

TEST_F(IconTest, DamagedContainersAreRefusedWithoutChange) {
  const std::vector<Byte> good = SavedIcon();
  struct TCase {
    const char* Name;
    size_t Offset;  // byte to change, or SIZE_MAX to truncate to Value bytes
    uint32_t Value;
  };
  const TCase cases[] = {
      {"magic", 0, 'X'},
      {"version", 4, 2},
      {"zero count", 6, 0},
      {"count beyond directory", 6, 60},
      {"zero width", 8, 0},
      {"width not matching the image", 8, 17},
      {"offset beyond the end", 15, 0x7F},
      {"truncated header", SIZE_MAX, 5},
      {"truncated directory", SIZE_MAX, 20},
      {"truncated image", SIZE_MAX, 60},
  };
  TIcon icon;
  TMemoryStream unwritable;
  EXPECT_THROW(icon.SaveToStream(unwritable), EInvalidGraphic);  // empty: would not load back
  EXPECT_EQ(unwritable.GetSize(), 0);
  icon.AddImage(MakePng(8, 8, 0xFFFFFFFFu).get());
  for (const TCase& c : cases) {
    std::vector<Byte> data = good;
    if (c.Offset == SIZE_MAX)
      data.resize(c.Value);
    else
      data[c.Offset] = Byte(c.Value);
    TCustomMemoryStream stream(data.data(), NativeInt(data.size()));
    EXPECT_THROW(icon.LoadFromStream(stream), EInvalidGraphic) << c.Name;
    EXPECT_EQ(icon.GetImageCount(), 1) << c.Name;
  }
}

TEST(IconHandleTest, CarriesTheLargestImageAndChangesOwners) {
  TIcon icon;
  EXPECT_EQ(icon.GetHandle(), nullptr);  // empty: nothing to hand out
  auto small = MakePng(2, 2, 0x80FF0000u);
  auto large = MakePng(4, 3, 0x80FF0000u);
  icon.AddImage(small.get());
  icon.AddImage(large.get());
  HICON handle = icon.GetHandle();
  ASSERT_NE(handle, nullptr);
  EXPECT_EQ(icon.GetHandle(), handle);  // made once
  std::vector<uint32_t> pixels;
  int w = 0, h = 0;
  ASSERT_TRUE(GetIconPixels(handle, pixels, w, h));
  EXPECT_EQ(w, 4);
  EXPECT_EQ(h, 3);
  EXPECT_EQ(pixels[0], 0x80800000u);  // premultiplied

  icon.AddImage(small.get());  // a change retires the old handle
  EXPECT_FALSE(GetIconSize(handle, w, h));

  HICON released = icon.ReleaseHandle();  // the caller's now: the icon forgets it
  EXPECT_FALSE(icon.HandleAllocated());
  EXPECT_EQ(icon.GetImageCount(), 3);

  TIcon other;
  other.SetHandle(released);  // taken over: one image of its pixels, freed with the icon
  EXPECT_EQ(other.GetHandle(), released);
  ASSERT_EQ(other.GetImageCount(), 1);
  EXPECT_EQ(other.GetWidth(), 4);
  EXPECT_EQ(Px(*other.GetImage(0), 0, 0), 0x80FF0000u);  // straight again

  TIcon copy;
  copy.Assign(&other);
  EXPECT_NE(copy.GetHandle(), released);  // a copy gets its own handle
  other.SetHandle(nullptr);
  EXPECT_TRUE(other.GetEmpty());
  EXPECT_FALSE(GetIconSize(released, w, h));
}

}  // namespace
