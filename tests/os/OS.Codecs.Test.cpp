#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <vector>

#include "os/OS.Codecs.h"
#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

std::vector<Byte> ReadFile(const std::string& Path) {
  std::ifstream file(Path, std::ios::binary);
  return std::vector<Byte>((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

// A small picture with every kind of alpha: opaque, half and fully transparent.
std::vector<uint32_t> SamplePixels(int W, int H) {
  std::vector<uint32_t> p(size_t(W) * H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      uint32_t a = (x % 3 == 0) ? 255 : (x % 3 == 1 ? 128 : 0);
      uint32_t r = uint32_t(x * 37) & 0xFF, g = uint32_t(y * 53) & 0xFF, b = uint32_t(x * y) & 0xFF;
      p[size_t(y) * W + x] = a == 0 ? 0 : (a << 24) | (r << 16) | (g << 8) | b;
    }
  return p;
}

// Straight RGBA with alpha-0 pixels as zero, hashed like the reference file.
uint64_t Fnv(const TDecodedImage& Image) {
  uint64_t h = 0xcbf29ce484222325ull;
  for (uint32_t p : Image.Pixels) {
    if ((p >> 24) == 0) p = 0;
    const Byte bytes[4] = {Byte(p >> 16), Byte(p >> 8), Byte(p), Byte(p >> 24)};
    for (Byte b : bytes) h = (h ^ b) * 0x100000001b3ull;
  }
  return h;
}

int MaxChannelDifference(uint32_t A, uint32_t B) {
  int d = 0;
  for (int s = 0; s < 32; s += 8) d = std::max(d, std::abs(int((A >> s) & 0xFF) - int((B >> s) & 0xFF)));
  return d;
}

TEST(Codecs, DetectionByHeaderExtensionAndMimeType) {
  struct TCase {
    std::vector<Byte> Header;
    TImageFormat Format;
  } headers[] = {
      {{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}, TImageFormat::Png},
      {{0xFF, 0xD8, 0xFF, 0xE0}, TImageFormat::Jpeg},
      {{'G', 'I', 'F', '8', '9', 'a'}, TImageFormat::Gif},
      {{'B', 'M', 0, 0}, TImageFormat::Bmp},
      {{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'E', 'B', 'P'}, TImageFormat::WebP},
      {{0x89, 'P', 'N', 'G'}, TImageFormat::Unknown},  // too short to be sure
      {{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, TImageFormat::Unknown},
      {{}, TImageFormat::Unknown},
  };
  for (const auto& c : headers) EXPECT_EQ(DetectImageFormat(c.Header), c.Format);
  EXPECT_EQ(ImageFormatFromExtension(u".JPEG"), TImageFormat::Jpeg);
  EXPECT_EQ(ImageFormatFromExtension(u"png"), TImageFormat::Png);
  EXPECT_EQ(ImageFormatFromExtension(u".tiff"), TImageFormat::Unknown);
  EXPECT_EQ(ImageFormatFromMimeType(u"image/jpg"), TImageFormat::Jpeg);
  EXPECT_EQ(ImageFormatFromMimeType(u"IMAGE/GIF"), TImageFormat::Gif);
  EXPECT_EQ(ImageFormatFromMimeType(u"image/x-unknown"), TImageFormat::Unknown);
  EXPECT_EQ(ImageFormatMimeType(TImageFormat::WebP), u"image/webp");
  EXPECT_EQ(ImageFormatExtension(TImageFormat::Jpeg), u".jpg");
}

TEST(Codecs, LosslessRoundTripsKeepStraightAlpha) {
  const int w = 7, h = 5;
  const std::vector<uint32_t> pixels = SamplePixels(w, h);
  for (TImageFormat format : {TImageFormat::Png, TImageFormat::Bmp}) {
    SCOPED_TRACE(StringToUTF8(ImageFormatMimeType(format)));
    std::vector<Byte> data = EncodeImage(format, pixels.data(), w, h, false);
    EXPECT_EQ(DetectImageFormat(data), format);
    TDecodedImage image = DecodeImage(data);
    ASSERT_EQ(image.Width, w);
    ASSERT_EQ(image.Height, h);
    EXPECT_TRUE(image.HasAlpha);
    EXPECT_EQ(image.Pixels, pixels);
  }
  // Premultiplied input is stored straight.
  std::vector<uint32_t> premultiplied = {0x80400000u};
  TDecodedImage image = DecodePng(EncodePng(premultiplied.data(), 1, 1, true));
  EXPECT_EQ(image.Pixels[0], 0x80800000u);
  PremultiplyPixels(image.Pixels.data(), 1);
  EXPECT_EQ(image.Pixels[0], 0x80400000u);
}

TEST(Codecs, StreamsDecodeFromTheirPositionAndEncodeAtIt) {
  const std::vector<uint32_t> pixels = SamplePixels(4, 3);
  TMemoryStream stream;
  stream.WriteBuffer("prefix", 6);
  EncodeImage(stream, TImageFormat::Png, pixels.data(), 4, 3, false);
  stream.SetPosition(6);
  TDecodedImage image = DecodeImage(stream);
  EXPECT_EQ(image.Format, TImageFormat::Png);
  EXPECT_EQ(image.Pixels, pixels);
  stream.SetPosition(0);
  EXPECT_THROW(DecodeImage(stream), EInvalidGraphic);  // "prefix" is no image
}

TEST(Codecs, LossyRoundTripsStayClose) {
  const int w = 16, h = 16;
  std::vector<uint32_t> pixels(size_t(w) * h);
  for (int i = 0; i < w * h; ++i) pixels[size_t(i)] = 0xFF000000u | (uint32_t(i % 16 * 8) << 16) | 0x4080u;
  TDecodedImage jpeg = DecodeJpeg(EncodeJpeg(pixels.data(), w, h, false));
  ASSERT_EQ(jpeg.Pixels.size(), pixels.size());
  for (size_t i = 0; i < pixels.size(); ++i) ASSERT_LE(MaxChannelDifference(jpeg.Pixels[i], pixels[i]), 12) << i;
  std::vector<Byte> low = EncodeJpeg(pixels.data(), w, h, false, 10), high = EncodeJpeg(pixels.data(), w, h, false);
  EXPECT_LT(low.size(), high.size());  // quality 90 by default
  if (!IsImageFormatAvailable(TImageFormat::WebP)) GTEST_SKIP() << "libwebp.so.7 is not installed";
  TDecodedImage webp = DecodeWebP(EncodeWebP(pixels.data(), w, h, false));
  ASSERT_EQ(webp.Pixels.size(), pixels.size());
  for (size_t i = 0; i < pixels.size(); ++i) ASSERT_LE(MaxChannelDifference(webp.Pixels[i], pixels[i]), 12) << i;
}

TEST(Codecs, DamagedAndTruncatedFilesRaise) {
  const std::vector<uint32_t> pixels = SamplePixels(9, 9);
  std::vector<std::vector<Byte>> files = {EncodePng(pixels.data(), 9, 9, false), EncodeBmp(pixels.data(), 9, 9, false),
                                          EncodeJpeg(pixels.data(), 9, 9, false)};
  for (const auto& file : files) {
    for (size_t keep : {file.size() / 2, size_t(20), size_t(4)}) {
      std::vector<Byte> cut(file.begin(), file.begin() + std::min(keep, file.size()));
      EXPECT_THROW(DecodeImage(cut, DetectImageFormat(file)), EInvalidGraphic) << keep;
    }
  }
  EXPECT_THROW(DecodeImage(std::vector<Byte>{1, 2, 3}), EInvalidGraphic);
  EXPECT_THROW(EncodeImage(TImageFormat::Gif, pixels.data(), 9, 9, false), EInvalidGraphic);
  EXPECT_THROW(EncodePng(pixels.data(), 0, 9, false), EInvalidGraphic);
}

TEST(Codecs, SizesAreCheckedBeforeAllocating) {
  // Headers claiming huge images, with no pixel data behind them.
  std::vector<Byte> bmp = EncodeBmp(SamplePixels(1, 1).data(), 1, 1, false);
  bmp[18] = 0xFF, bmp[19] = 0xFF, bmp[20] = 0xFF, bmp[21] = 0x7F;  // width 2^31 - 1
  EXPECT_THROW(DecodeBmp(bmp), EInvalidGraphic);
  std::vector<Byte> gif = {'G', 'I', 'F', '8', '9', 'a', 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, ';'};
  EXPECT_THROW(DecodeGif(gif), EInvalidGraphic);
  std::vector<Byte> png = EncodePng(SamplePixels(1, 1).data(), 1, 1, false);
  png[16] = 0x00, png[17] = 0x10;  // width 2^20, CRC now wrong too
  EXPECT_THROW(DecodePng(png), EInvalidGraphic);
}

// A GIF of Width x Height with one 1 x 1 frame of colour 1 (white), padded with a comment to 54 bytes.
std::vector<Byte> TinyGif(int Width, int Height) {
  std::vector<Byte> gif = {'G', 'I', 'F', '8', '9', 'a', Byte(Width), Byte(Width >> 8), Byte(Height), Byte(Height >> 8),
                           0x80, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF};
  const Byte comment[] = {0x21, 0xFE, 15, 'p', 'a', 'd', 'p', 'a', 'd', 'p', 'a', 'd', 'p', 'a', 'd', 'p', 'a', 'd', 0};
  gif.insert(gif.end(), std::begin(comment), std::end(comment));
  const Byte frame[] = {0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 0x01, 0, ';'};
  gif.insert(gif.end(), std::begin(frame), std::end(frame));
  return gif;
}

// The screen of a GIF costs memory whatever its frames paint: a huge one is refused unless the
// file holds data on a like scale.
TEST(Codecs, GifScreenIsBoundByTheDataPresent) {
  std::vector<Byte> huge = TinyGif(11265, 11308);
  ASSERT_EQ(huge.size(), 54u);
  EXPECT_THROW(DecodeGif(huge), EInvalidGraphic);
  TDecodedImage image = DecodeGif(TinyGif(1000, 800));
  EXPECT_EQ(image.Width, 1000);
  EXPECT_EQ(image.Height, 800);
  EXPECT_EQ(image.Pixels[0], 0xFFFFFFFFu);
  EXPECT_EQ(image.Pixels[1], 0u);
}

// PngSuite: every good file decodes to the RGBA of the suite's own second opinion, and every
// corrupt ("x") file is refused.
TEST(CodecsConformance, PngSuite) {
  ZEPHSE_REQUIRE_TESTDATA("pngsuite");
  const fs::path dir = fs::path(TestDataDir()) / "pngsuite";
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(dir / "png")) {
    const std::string name = entry.path().stem().string();
    SCOPED_TRACE(name);
    std::vector<Byte> data = ReadFile(entry.path().string());
    if (name[0] == 'x') {
      EXPECT_THROW(DecodePng(data), EInvalidGraphic);
      continue;
    }
    std::ifstream json(dir / "json" / (name + ".json"));
    if (!json) continue;
    std::vector<int> expected;
    std::string token;
    for (char c; json.get(c);) {
      if (isdigit(static_cast<unsigned char>(c))) {
        token += c;
      } else if (!token.empty()) {
        expected.push_back(std::stoi(token));
        token.clear();
      }
    }
    TDecodedImage image = DecodePng(data);
    ASSERT_EQ(expected.size(), image.Pixels.size() * 4);
    // 16-bit files are given with 16-bit samples; we keep the high byte.
    const bool wide = std::any_of(expected.begin(), expected.end(), [](int v) { return v > 255; });
    if (wide)
      for (int& v : expected) v >>= 8;
    const int tolerance = wide ? 1 : 0;
    for (size_t i = 0; i < image.Pixels.size(); ++i) {
      const uint32_t p = image.Pixels[i];
      const int rgba[4] = {int((p >> 16) & 0xFF), int((p >> 8) & 0xFF), int(p & 0xFF), int(p >> 24)};
      for (int k = 0; k < 4; ++k)
        ASSERT_LE(std::abs(rgba[k] - expected[i * 4 + size_t(k)]), tolerance) << i << ":" << k;
    }
    ++checked;
  }
  EXPECT_GT(checked, 100);
}

// bmpsuite: good files decode to the pixels of the reference PNG beside them; bad files
// either decode or raise EInvalidGraphic, never crash.
TEST(CodecsConformance, BmpSuite) {
  ZEPHSE_REQUIRE_TESTDATA("bmpsuite");
  const fs::path dir = fs::path(TestDataDir()) / "bmpsuite";
  int checked = 0;
  for (const auto& entry : fs::directory_iterator(dir / "g")) {
    const std::string name = entry.path().stem().string();
    SCOPED_TRACE(name);
    const fs::path reference = dir / "html" / (name + ".png");
    if (!fs::exists(reference)) continue;
    TDecodedImage image = DecodeBmp(ReadFile(entry.path().string()));
    TDecodedImage expected = DecodePng(ReadFile(reference.string()));
    ASSERT_EQ(image.Width, expected.Width);
    ASSERT_EQ(image.Height, expected.Height);
    for (size_t i = 0; i < image.Pixels.size(); ++i)
      ASSERT_LE(MaxChannelDifference(image.Pixels[i], expected.Pixels[i]), 1) << i;
    ++checked;
  }
  EXPECT_GE(checked, 10);
  for (const char* sub : {"b", "q"})
    for (const auto& entry : fs::directory_iterator(dir / sub)) {
      try {
        DecodeBmp(ReadFile(entry.path().string()));
      } catch (const EInvalidGraphic&) {
      }
    }
}

// JPEG, GIF and WebP samples decode to the pixels a second decoder gives (hashes made once
// with Pillow, tests/os/fixtures/codecs/make-reference-hashes.py).
TEST(CodecsConformance, SamplesMatchReferenceDecoder) {
  ZEPHSE_REQUIRE_TESTDATA("libjpeg-turbo");
  std::ifstream list(FixturePath("os/fixtures/codecs/reference-hashes.txt"));
  ASSERT_TRUE(list) << "reference-hashes.txt is missing";
  std::string line;
  int checked = 0;
  const bool webp = IsImageFormatAvailable(TImageFormat::WebP);
  // Where the reference decoder is lenient or its answer is not the file's own.
  const std::set<std::string> differ = {
      "gif-test-suite/gifs/animated_transparent_loop_frames_out_of_bounds.gif",  // we keep the file's screen size
      "pillow-images/Tests/images/issue_2811.gif",                 // LZW code size 11: beyond the format, refused
      "pillow-images/Tests/images/test_extents_transparency.gif",  // junk after the only valid frame
      "pillow-images/Tests/images/iss634.webp",                    // animated WebP: refused like the platform
      "libwebp-test-data/bad_palette_index.webp",                  // pixels undefined by the format
  };
  while (std::getline(list, line)) {
    std::istringstream in(line);
    std::string path, hash;
    int w = 0, h = 0, frames = 0;
    in >> path >> w >> h >> frames >> hash;
    if (differ.count(path)) continue;
    const fs::path file = fs::path(TestDataDir()) / path;
    if (!fs::exists(file) || (!webp && file.extension() == ".webp")) continue;
    SCOPED_TRACE(path);
    TDecodedImage image;
    try {
      image = DecodeImage(ReadFile(file.string()));
    } catch (const EInvalidGraphic& e) {
      ADD_FAILURE() << StringToUTF8(e.GetMessage());
      continue;
    }
    EXPECT_EQ(image.Width, w);
    EXPECT_EQ(image.Height, h);
    if (image.Format == TImageFormat::Gif) {
      EXPECT_EQ(image.FrameCount, frames);
    }
    char ours[17];
    std::snprintf(ours, sizeof ours, "%016llx", static_cast<unsigned long long>(Fnv(image)));
    EXPECT_EQ(ours, hash);
    ++checked;
  }
  EXPECT_GT(checked, 50);
}

}  // namespace
