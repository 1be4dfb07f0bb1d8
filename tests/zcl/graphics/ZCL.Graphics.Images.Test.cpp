#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "os/OS.Codecs.h"
#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/graphics/ZCL.Graphics.Images.h"

namespace fs = std::filesystem;

namespace {

TBytes ReadFileBytes(const fs::path& Path) {
  std::ifstream in(Path, std::ios::binary);
  return TBytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(ZclImages, RepositoryLookups) {
  const bool webp = IsImageFormatAvailable(TImageFormat::WebP);
  EXPECT_EQ(TZCLImageFormatRepository::GetExtList(),
            webp ? u"*.png;*.bmp;*.gif;*.jpg;*.jpeg;*.jpg;*.webp;" : u"*.png;*.bmp;*.gif;*.jpg;*.jpeg;*.jpg;");
  const Byte jpeg[] = {0xFF, 0xD8, 0xFF, 0xE0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(TZCLImageFormatRepository::FindByHeader(jpeg, 16), TZCLImageFormatJPEG::Class());
  EXPECT_EQ(TZCLImageFormatRepository::FindByExtension(u".JPEG"), TZCLImageFormatJPEG2::Class());
  EXPECT_EQ(TZCLImageFormatRepository::FindByExtension(u".jpg"), TZCLImageFormatJPEG::Class());
  EXPECT_EQ(TZCLImageFormatRepository::FindByMimeType(u"image/jpg"), TZCLImageFormatJPG::Class());
  EXPECT_EQ(TZCLImageFormatRepository::FindByMimeType(u"image/tiff"), nullptr);
  String filter, ext;
  EXPECT_TRUE(TZCLImageFormatRepository::GetFilterByMimeType(u"image/gif", filter, ext));
  EXPECT_EQ(filter, u"GIF Image (*.gif;)|*.gif;");
  EXPECT_EQ(ext, u".gif");
  EXPECT_FALSE(TZCLImageFormatRepository::GetFilterByMimeType(u"image/x-none", filter, ext));
  EXPECT_TRUE(filter.empty() && ext.empty());
}

TEST(ZclImages, ShortStreamIsNotRecognisedAndFailsAsBmp) {
  if (TZCLImageFormatRepository::GetMaxHeaderSize() < 16) GTEST_SKIP() << "WebP is not available";
  const Byte data[10] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0};
  TBytesStream stream(TBytes(data, data + 10));
  EXPECT_EQ(TZCLImageFormatRepository::FindByStream(stream), nullptr);
  EXPECT_EQ(stream.GetPosition(), 0);
  TZCLImage image;
  EXPECT_THROW(image.LoadFromStream(stream), EInvalidGraphic);
}

TEST(ZclImages, SizeProbes) {
  struct {
    TZCLImageFormatClass Format;
    std::vector<Byte> Data;
    bool Ok;
    TSize Size;
  } cases[] = {
      // JPEG: a quantisation table is skipped, then the frame header gives height 3, width 5.
      {TZCLImageFormatJPEG::Class(),
       [] {
         std::vector<Byte> d = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43};
         d.resize(d.size() + 65, 0);
         for (Byte b : {0xFF, 0xC0, 0x00, 0x11, 0x08, 0x00, 0x03, 0x00, 0x05}) d.push_back(b);
         return d;
       }(),
       true,
       {5, 3}},
      {TZCLImageFormatJPEG::Class(), {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x04, 0, 0}, false, {}},
      // BMP: bottom-up and top-down both measure.
      {TZCLImageFormatBMP::Class(),
       {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0, 7, 0, 0, 0, 9, 0, 0, 0},
       true,
       {7, 9}},
      {TZCLImageFormatBMP::Class(),
       {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 40, 0, 0, 0, 7, 0, 0, 0, 0xF7, 0xFF, 0xFF, 0xFF},
       true,
       {7, 9}},
      {TZCLImageFormatBMP::Class(), {'B', 'M', 0, 0}, false, {}},
      {TZCLImageFormatGIF::Class(), {'G', 'I', 'F', '8', '9', 'a', 4, 0, 2, 0}, true, {4, 2}},
      {TZCLImageFormatPNG::Class(),
       {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13, 'I', 'H', 'D', 'R', 0, 0, 1, 0, 0, 0, 0, 2},
       true,
       {256, 2}},
  };
  for (const auto& c : cases) {
    TBytesStream stream(TBytes(c.Data.begin(), c.Data.end()));
    TSize size;
    EXPECT_EQ(c.Format->GetSize(stream, size), c.Ok) << StringToUTF8(c.Format->Description());
    if (c.Ok) {
      EXPECT_EQ(size, c.Size);
    }
  }
}

TEST(ZclImages, BitsRoundTripThroughPng) {
  const TZCLPixel32 pixels[] = {{0, 0, 255, 255}, {0, 255, 0, 128}, {255, 0, 0, 0}, {10, 20, 30, 40}};
  TZCLImage image;
  image.LoadFromBits(pixels, 2, 2, afIgnored);
  for (const TZCLPixel32& p : image.GetPixels()) EXPECT_EQ(p.A, 255);
  image.LoadFromBits(pixels, 2, 2, afDefined);
  TBytesStream stream;
  image.SaveToStreamAs(stream, TZCLImageFormatPNG::Class());
  stream.SetPosition(0);
  TZCLImage back;
  back.LoadFromStream(stream);
  EXPECT_EQ(back.GetFormat(), TZCLImageFormatPNG::Class());
  EXPECT_EQ(back.GetPixelFormat(), TZCLImagePixelFormat::Argb32);
  EXPECT_TRUE(back.Equals(&image));
  TZCLImage empty;
  EXPECT_THROW(empty.SaveToStreamAs(stream, TZCLImageFormatPNG::Class()), EInvalidOperation);
  try {
    image.Resize(0, 10);
    FAIL();
  } catch (const EInvalidArgument& e) {
    EXPECT_EQ(e.GetMessage(), u"The 0x10 is not valid resolution for an image");
  }
  image.Resize(4, 4);
  EXPECT_EQ(image.GetWidth(), 4);
  EXPECT_EQ(image.GetPixelFormat(), TZCLImagePixelFormat::PArgb32);
}

TEST(ZclImages, JpegLoadsPremultipliedWithItsOwnFormatClass) {
  TZCLPixel32 pixels[64];
  for (auto& p : pixels) p = {50, 100, 150, 255};
  TZCLImage image;
  image.LoadFromBits(pixels, 8, 8, afIgnored);
  TBytesStream stream;
  image.SaveToStreamAs(stream, TZCLImageFormatJPEG::Class());
  stream.SetPosition(0);
  TZCLImage back;
  back.LoadFromStream(stream);
  EXPECT_EQ(back.GetFormat(), TZCLImageFormatJPG::Class());
  EXPECT_EQ(back.GetPixelFormat(), TZCLImagePixelFormat::PArgb32);
  EXPECT_NEAR(back.GetPixels()[9].R, 150, 4);
}

TEST(ZclImages, BrokenWebPRaises) {
  if (!IsImageFormatAvailable(TImageFormat::WebP)) GTEST_SKIP() << "WebP is not available";
  const Byte data[] = {'R', 'I', 'F', 'F', 40, 0, 0, 0, 'W', 'E', 'B', 'P', 'V', 'P', '8', ' ', 1, 2, 3, 4};
  TBytesStream stream(TBytes(data, data + sizeof data));
  TZCLImage image;
  EXPECT_THROW(image.LoadFromStream(stream), EInvalidGraphic);
  EXPECT_TRUE(image.Empty());
}

TEST(ZclImages, PngSuiteDecodesAsItsReferences) {
  ZEPHSE_REQUIRE_TESTDATA("pngsuite");
  const fs::path dir = fs::path(TestDataDir()) / "pngsuite";
  int decoded = 0, rejected = 0;
  for (const auto& entry : fs::directory_iterator(dir / "png")) {
    if (entry.path().extension() != ".png") continue;
    const std::string name = entry.path().stem().string();
    TBytesStream stream(ReadFileBytes(entry.path()));
    TZCLImage image;
    if (name[0] == 'x') {
      EXPECT_ANY_THROW(image.LoadFromStream(stream)) << name;
      ++rejected;
      continue;
    }
    ASSERT_NO_THROW(image.LoadFromStream(stream)) << name;
    ++decoded;
    stream.SetPosition(0);
    TSize size;
    EXPECT_TRUE(TZCLImageFormatPNG::Class()->GetSize(stream, size)) << name;
    EXPECT_EQ(size, TSize(image.GetWidth(), image.GetHeight())) << name;
    const fs::path json = dir / "json" / (name + ".json");
    if (!fs::exists(json)) continue;
    std::ifstream in(json);
    std::vector<int> rgba;
    for (std::string token; std::getline(in, token, ',');) {
      token.erase(std::remove_if(token.begin(), token.end(), [](char c) { return !isdigit(c); }), token.end());
      if (!token.empty()) rgba.push_back(std::stoi(token));
    }
    // 16-bit references hold 16-bit samples.
    if (name.find("16") != std::string::npos)
      for (int& v : rgba) v = (v + 128) / 257;
    const TZCLPixel32DynArray pixels = image.GetPixelsAs(false);
    ASSERT_EQ(rgba.size(), pixels.size() * 4) << name;
    int mismatches = 0;
    for (size_t i = 0; i < pixels.size(); ++i) {
      const TZCLPixel32& p = pixels[i];
      if (rgba[4 * i + 3] == 0 && p.A == 0) continue;  // colour of invisible pixels is free
      if (std::abs(p.R - rgba[4 * i]) > 1 || std::abs(p.G - rgba[4 * i + 1]) > 1 ||
          std::abs(p.B - rgba[4 * i + 2]) > 1 || std::abs(p.A - rgba[4 * i + 3]) > 1)
        ++mismatches;
    }
    EXPECT_EQ(mismatches, 0) << name;
  }
  EXPECT_GT(decoded, 100);
  EXPECT_GT(rejected, 5);
}

TEST(ZclImages, BmpSuite) {
  ZEPHSE_REQUIRE_TESTDATA("bmpsuite");
  const fs::path dir = fs::path(TestDataDir()) / "bmpsuite";
  for (const auto& entry : fs::directory_iterator(dir / "g")) {
    if (entry.path().extension() != ".bmp") continue;
    const std::string name = entry.path().filename().string();
    TBytesStream stream(ReadFileBytes(entry.path()));
    TSize size;
    EXPECT_TRUE(TZCLImageFormatBMP::Class()->GetSize(stream, size)) << name;
    stream.SetPosition(0);
    TZCLImage image;
    ASSERT_NO_THROW(image.LoadFromStream(stream)) << name;
    EXPECT_EQ(size, TSize(image.GetWidth(), image.GetHeight())) << name;
  }
  // Bad files either decode (the damage is recoverable) or raise the format error and leave
  // the image empty; the unrecoverable ones must be refused.
  for (const auto& entry : fs::directory_iterator(dir / "b")) {
    const std::string name = entry.path().filename().string();
    TBytesStream stream(ReadFileBytes(entry.path()));
    TZCLImage image;
    bool failed = false;
    try {
      image.LoadFromStream(stream);
    } catch (const EInvalidGraphic&) {
      failed = true;
      EXPECT_TRUE(image.Empty()) << name;
    }
    if (name == "shortfile.bmp" || name == "badbitcount.bmp" || name == "reallybig.bmp") {
      EXPECT_TRUE(failed) << name;
    }
  }
}

TEST(ZclImages, OtherSuitesDecode) {
  ZEPHSE_REQUIRE_TESTDATA("libwebp-test-data");
  int count = 0;
  for (const char* sub : {"libwebp-test-data", "libjpeg-turbo/testimages", "gif-test-suite/gifs", "pillow-images"}) {
    const fs::path dir = fs::path(TestDataDir()) / sub;
    if (!fs::exists(dir)) continue;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
      const std::string ext = entry.path().extension().string();
      if (ext != ".webp" && ext != ".jpg" && ext != ".gif") continue;
      if (ext == ".webp" && !IsImageFormatAvailable(TImageFormat::WebP)) continue;
      TBytesStream stream(ReadFileBytes(entry.path()));
      TZCLImage image;
      try {
        image.LoadFromStream(stream);
        EXPECT_FALSE(image.Empty()) << entry.path();
        ++count;
      } catch (const EInvalidGraphic&) {
        // Damaged samples must fail with the format error, never crash or half-decode.
        EXPECT_TRUE(image.Empty()) << entry.path();
      }
    }
  }
  EXPECT_GT(count, 10);
}

}  // namespace

namespace {
TEST(ZclImages, ClipboardCarriesPngBytes) {
  const TZCLPixel32 pixels[] = {{0, 0, 255, 255}, {0, 255, 0, 128}};
  TZCLImage image;
  image.LoadFromBits(pixels, 2, 1, afDefined);
  TZCLImageTools::CopyToClipboard(&image);
  ASSERT_TRUE(TZCLImageTools::HasImage());
  IPtr<IZCLDataContainer> data = TZCLImageTools::Paste();
  ASSERT_TRUE(data);
  EXPECT_EQ(TZCLImageFormatRepository::GetMimeTypeOf(data.get()), u"image/png");
  TZCLImageFormatClass format;
  TSize size;
  EXPECT_TRUE(TZCLImageFormatRepository::GetSize(data.get(), format, size));
  EXPECT_EQ(size, TSize(2, 1));
  TMemoryStream* stream = data->LockData();
  stream->SetPosition(0);
  TZCLImage back;
  back.LoadFromStream(*stream);
  data->UnlockData();
  EXPECT_TRUE(back.Equals(&image));
}
}  // namespace
