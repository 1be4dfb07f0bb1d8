#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <vector>

#include "os/OS.Files.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.ZLib.h"
#include "zse/engine/ZSE.Skins.Utils.h"

namespace {

using TStreamPtr = std::unique_ptr<TMemoryStream, void (*)(TObject*)>;

TStreamPtr MemoryOf(const std::vector<Byte>& Bytes) {
  TStreamPtr stream(Create<TMemoryStream>(), &Free);
  if (!Bytes.empty()) stream->WriteBuffer(Bytes.data(), static_cast<Integer>(Bytes.size()));
  stream->SetPosition(0);
  return stream;
}

std::vector<Byte> BytesOf(TMemoryStream* Stream) {
  const auto* data = static_cast<const Byte*>(Stream->GetMemory());
  return std::vector<Byte>(data, data + Stream->GetSize());
}

// Mixed data: compressible runs and noise, so compressed sizes vary.
std::vector<Byte> Sample(size_t Size, uint32_t Seed) {
  std::vector<Byte> bytes(Size);
  for (size_t i = 0; i < Size; ++i) {
    Seed = Seed * 1103515245 + 12345;
    bytes[i] = (i / 64) % 2 ? Byte(i) : Byte(Seed >> 16);
  }
  return bytes;
}

std::vector<Byte> Pack(const std::vector<Byte>& Input, std::optional<Cardinal> Key) {
  TStreamPtr source = MemoryOf(Input), dest = MemoryOf({});
  SkinPackagePack(source.get(), dest.get(), nullptr, Key);
  return BytesOf(dest.get());
}

TEST(SkinPackageCodec, XorWholeWordsOnly) {
  std::vector<Byte> buffer = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  SkinPackageXor(buffer.data(), 10, 0);
  // Key 0 scrambles with the constant 0x51574658 alone, little-endian.
  EXPECT_EQ(buffer[0], 1 ^ 0x58);
  EXPECT_EQ(buffer[7], 8 ^ 0x51);
  EXPECT_EQ(buffer[8], 9);
  EXPECT_EQ(buffer[9], 10);
  SkinPackageXor(buffer.data(), 10, 0);
  EXPECT_EQ(buffer, (std::vector<Byte>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
  std::vector<Byte> tiny = {7, 7, 7};
  SkinPackageXor(tiny.data(), 3, 0x1234);
  EXPECT_EQ(tiny, (std::vector<Byte>{7, 7, 7}));
}

TEST(SkinPackageCodec, RoundTripsWithAndWithoutKey) {
  const size_t sizes[] = {0, 1, 3, 4, 5, 1000, 32767, 32768, 32769, 100000, 300001};
  for (size_t size : sizes) {
    const std::vector<Byte> input = Sample(size, static_cast<uint32_t>(size));
    for (std::optional<Cardinal> key : {std::optional<Cardinal>(), std::optional<Cardinal>(0xDEADBEEF)}) {
      const std::vector<Byte> packed = Pack(input, key);
      if (key) {
        // The scrambling covers the compressed stream's whole words, as one XOR over it would.
        std::vector<Byte> plain = packed;
        SkinPackageXor(plain.data(), static_cast<Integer>(plain.size()), *key);
        EXPECT_EQ(ZDecompress(plain.data(), plain.size()), input) << size;
      } else {
        EXPECT_EQ(ZDecompress(packed.data(), packed.size()), input) << size;
      }
      for (Int64 expected : {Int64(0), Int64(size)}) {
        TStreamPtr source = MemoryOf(packed);
        TStreamPtr result(SkinPackageUnpack(source.get(), nullptr, key, expected), &Free);
        EXPECT_EQ(BytesOf(result.get()), input) << size << " key " << key.has_value();
        EXPECT_EQ(result->GetPosition(), 0);
      }
      TStreamPtr source = MemoryOf(packed);
      source->SetPosition(0);
      EXPECT_EQ(SkinPackageGetUnpackedSize(source.get(), key), Int64(size));
      EXPECT_EQ(source->GetPosition(), 0);
    }
  }
}

TEST(SkinPackageCodec, Errors) {
  const std::vector<Byte> input = Sample(5000, 7);
  const std::vector<Byte> keyed = Pack(input, 42u);
  // Scrambled data read without its key is no zlib stream.
  {
    TStreamPtr source = MemoryOf(keyed);
    try {
      TStreamPtr result(SkinPackageUnpack(source.get(), nullptr, std::nullopt, 0), &Free);
      FAIL() << "no error";
    } catch (const EZDecompressionError& e) {
      EXPECT_NE(e.GetMessage().find(u"data error"), String::npos) << e.what();
    }
  }
  // Truncated data fails, whether the size is counted or given.
  const std::vector<Byte> plain = Pack(input, std::nullopt);
  const std::vector<Byte> cut(plain.begin(), plain.begin() + plain.size() / 2);
  for (Int64 size : {Int64(0), Int64(input.size())}) {
    TStreamPtr source = MemoryOf(cut);
    EXPECT_THROW(TStreamPtr(SkinPackageUnpack(source.get(), nullptr, std::nullopt, size), &Free), EZDecompressionError);
  }
  // A stream that needs a preset dictionary fails instead of looping.
  for (Int64 size : {Int64(0), Int64(10)}) {
    TStreamPtr source = MemoryOf({0x78, 0xBB, 0, 0, 0, 1, 0x4B, 0x4C, 0x4A, 0x06, 0x00});
    EXPECT_THROW(TStreamPtr(SkinPackageUnpack(source.get(), nullptr, std::nullopt, size), &Free), EZDecompressionError);
  }
  // A stated size smaller than the data runs out of room.
  TStreamPtr source = MemoryOf(plain);
  EXPECT_THROW(TStreamPtr(SkinPackageUnpack(source.get(), nullptr, std::nullopt, 100), &Free), EZDecompressionError);
}

TEST(SkinPackageCodec, ProgressReportsUpToHundred) {
  const std::vector<Byte> input = Sample(200000, 3);
  TStreamPtr source = MemoryOf(input), dest = MemoryOf({});
  static std::vector<Single> reports;
  reports.clear();
  SkinPackagePack(
      source.get(), dest.get(), [](TObject*, Single P) { reports.push_back(P); }, std::nullopt);
  ASSERT_FALSE(reports.empty());
  EXPECT_FLOAT_EQ(reports.back(), 100.0f);
  EXPECT_TRUE(std::is_sorted(reports.begin(), reports.end()));
}

// ---- font names ----------------------------------------------------------------------------

struct TFontRecord {
  Word Platform, Encoding, Language, NameId;
  std::u16string Text;
};

void PutBE(std::vector<Byte>& Out, size_t Pos, uint32_t Value, int Size) {
  for (int i = Size - 1; i >= 0; --i, Value >>= 8) Out[Pos + i] = Byte(Value);
}

// A font file with only a table directory and a "name" table; StorageGap puts the strings that
// far behind the records.
std::vector<Byte> MakeFont(const std::vector<TFontRecord>& Records, size_t StorageGap = 0) {
  const size_t tableOffset = 12 + 16;
  const size_t storage = 6 + 12 * Records.size() + StorageGap;
  std::vector<Byte> font(tableOffset + storage);
  PutBE(font, 4, 1, 2);  // one table
  std::memcpy(&font[12], "name", 4);
  PutBE(font, 20, tableOffset, 4);
  PutBE(font, tableOffset + 2, Records.size(), 2);
  PutBE(font, tableOffset + 4, storage, 2);
  size_t stringOffset = 0;
  for (size_t i = 0; i < Records.size(); ++i) {
    const TFontRecord& r = Records[i];
    const size_t at = tableOffset + 6 + 12 * i;
    PutBE(font, at, r.Platform, 2);
    PutBE(font, at + 2, r.Encoding, 2);
    PutBE(font, at + 4, r.Language, 2);
    PutBE(font, at + 6, r.NameId, 2);
    PutBE(font, at + 8, r.Text.size() * 2, 2);
    PutBE(font, at + 10, stringOffset, 2);
    for (Char c : r.Text) {
      font.push_back(Byte(c >> 8));
      font.push_back(Byte(c));
    }
    stringOffset += r.Text.size() * 2;
  }
  return font;
}

TEST(SkinPackageCodec, FontFamilyNames) {
  struct Case {
    std::vector<TFontRecord> Records;
    const char16_t* Expected;  // null: no name
  } cases[] = {
      {{{1, 0, 0, 1, u"Mac"}, {3, 1, 1031, 1, u"Deutsch"}}, u"Deutsch"},
      {{{3, 1, 1031, 1, u"Deutsch"}, {3, 1, 1033, 1, u"English"}, {3, 1, 1036, 1, u"Francais"}}, u"English"},
      {{{3, 1, 1031, 1, u"A"}, {3, 1, 1036, 1, u"B"}}, u"B"},
      {{{3, 1, 1033, 2, u"Regular"}}, nullptr},
      {{{1, 0, 0, 1, u"Mac only"}}, nullptr},
      {{{3, 10, 1033, 1, u"Other encoding"}}, nullptr},
  };
  for (const Case& c : cases) {
    TStreamPtr stream = MemoryOf(MakeFont(c.Records));
    String name = u"unchanged";
    EXPECT_EQ(TrueTypeGetFontName(stream.get(), name), c.Expected != nullptr);
    EXPECT_EQ(name, c.Expected ? c.Expected : u"unchanged");
    EXPECT_EQ(stream->GetPosition(), 0);
  }
  // Not a font, or one cut short: False, no exception.
  for (size_t size : {size_t(0), size_t(5), size_t(30)}) {
    std::vector<Byte> font = MakeFont({{3, 1, 1033, 1, u"Cut"}});
    font.resize(size);
    TStreamPtr stream = MemoryOf(font);
    String name;
    EXPECT_FALSE(TrueTypeGetFontName(stream.get(), name)) << size;
  }
}

TEST(SkinPackageCodec, FontNameBeyondSixteenBitOffsets) {
  // Storage offset plus string offset passes 65,535: the sum must not wrap.
  std::vector<Byte> font = MakeFont({{3, 1, 1033, 1, u"Far"}}, 0);
  const size_t tableOffset = 28;
  const size_t storage = 0xFFF0;
  font.resize(tableOffset + storage + 0x20, 0);
  PutBE(font, tableOffset + 4, storage, 2);
  PutBE(font, tableOffset + 6 + 10, 0x20, 2);
  const std::u16string text = u"Far";
  for (Char c : text) {
    font.push_back(Byte(c >> 8));
    font.push_back(Byte(c));
  }
  TStreamPtr stream = MemoryOf(font);
  String name;
  ASSERT_TRUE(TrueTypeGetFontName(stream.get(), name));
  EXPECT_EQ(name, u"Far");
}

TEST(SkinPackageCodec, InstalledFontFamilyName) {
  const String path = u"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
  if (!FileExists(path)) GTEST_SKIP() << "DejaVuSans.ttf is not installed";
  TFileStream file(path, fmOpenRead | fmShareDenyNone);
  String name;
  ASSERT_TRUE(TrueTypeGetFontName(&file, name));
  EXPECT_EQ(name, u"DejaVu Sans");
}

}  // namespace
