#include <gtest/gtest.h>

#include <fstream>

#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zeph/media/ZTL.FileFormats.WMA.h"
#include "zeph/media/ZTL.Genres.h"

namespace {

std::string LE(unsigned long long V, int Bytes) {
  std::string s;
  for (int i = 0; i < Bytes; ++i) s += static_cast<char>((V >> (8 * i)) & 0xFF);
  return s;
}

const std::string GuidHeader("\x30\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
const std::string GuidFile("\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65", 16);
const std::string GuidStream("\x91\x07\xDC\xB7\xB7\xA9\xCF\x11\x8E\xE6\x00\xC0\x0C\x20\x53\x65", 16);
const std::string GuidContent("\x33\x26\xB2\x75\x8E\x66\xCF\x11\xA6\xD9\x00\xAA\x00\x62\xCE\x6C", 16);
const std::string GuidExtended("\x40\xA4\xD0\xD2\x07\xE3\xD2\x11\x97\xF0\x00\xA0\xC9\x5E\xA8\x50", 16);
const std::string GuidExtension("\xB5\x03\xBF\x5F\x2E\xA9\xCF\x11\x8E\xE3\x00\xC0\x0C\x20\x53\x65", 16);
const std::string GuidLibrary("\x94\x1C\x23\x44\x98\x94\xD1\x49\xA1\x41\x1D\x13\x4E\x45\x70\x54", 16);
const std::string GuidPadding("\x74\xD4\x06\x18\xDF\xCA\x09\x45\xA4\xBA\x9A\xAB\xCB\x96\xAA\xE8", 16);
const std::string GuidAudio("\x40\x9E\x69\xF8\x4D\x5B\xCF\x11\xA8\xFD\x00\x80\x5F\x5C\x44\x2B", 16);

std::string Object(const std::string& Guid, const std::string& Body) { return Guid + LE(24 + Body.size(), 8) + Body; }

std::string W(const std::string& Ascii) {
  std::string s;
  for (char c : Ascii) s += std::string(1, c) + '\0';
  return s + std::string(2, '\0');
}

std::string Attribute(const std::string& Name, int Type, const std::string& Value) {
  return LE(W(Name).size(), 2) + W(Name) + LE(Type, 2) + LE(Value.size(), 2) + Value;
}

std::string FileProperties(unsigned MaxBitrate) {
  return Object(GuidFile, std::string(16, '\0') + LE(0, 8) + std::string(16, '\0') + LE(123450000 + 30000000, 8) +
                              LE(0, 8) + LE(3000, 8) + std::string(12, '\0') + LE(MaxBitrate, 4));
}

std::string StreamProperties() {
  const std::string wave = LE(0x161, 2) + LE(2, 2) + LE(44100, 4) + LE(16000, 4) + LE(4, 2) + LE(16, 2) + LE(0, 2);
  return Object(GuidStream, GuidAudio + std::string(16, '\0') + LE(0, 8) + LE(wave.size(), 4) + LE(0, 4) + LE(1, 2) +
                                LE(0, 4) + wave);
}

std::string Content(const std::string& Title, const std::string& Author) {
  return Object(GuidContent, LE(W(Title).size(), 2) + LE(W(Author).size(), 2) + LE(0, 2) + LE(0, 2) + LE(0, 2) +
                                 W(Title) + W(Author));
}

std::string ExtendedContent(const std::vector<std::string>& Attributes) {
  std::string body = LE(Attributes.size(), 2);
  for (const std::string& a : Attributes) body += a;
  return Object(GuidExtended, body);
}

std::string LibraryRecord(const std::string& Name, int Type, const std::string& Data) {
  return LE(0, 2) + LE(1, 2) + LE(W(Name).size(), 2) + LE(Type, 2) + LE(Data.size(), 4) + W(Name) + Data;
}

std::string Extension(const std::string& Nested) {
  return Object(GuidExtension, std::string(16, '\x11') + LE(6, 2) + LE(Nested.size(), 4) + Nested);
}

const std::string Audio(16000, 'a');

std::string AsfFile(const std::vector<std::string>& Objects, unsigned MaxBitrate = 12800) {
  std::string body;
  for (const std::string& o : Objects) body += o;
  body = FileProperties(MaxBitrate) + StreamProperties() + body;
  const unsigned count = static_cast<unsigned>(Objects.size() + 2);
  return GuidHeader + LE(30 + body.size(), 8) + LE(count, 4) + "\x01\x02" + body + Audio;
}

std::string Standard() {
  return AsfFile({Content("CD Title", "Author"),
                  ExtendedContent({Attribute("WM/AlbumTitle", 0, W("Album")), Attribute("WM/Title", 0, W("Later Title")),
                            Attribute("WM/GenreID", 0, W("(17)")), Attribute("WM/SharedUserRating", 3, LE(50, 4)),
                            Attribute("MyField", 0, W("mine")), Attribute("WM/Unknown", 3, LE(7, 4)),
                            Attribute("IsVBR", 2, LE(1, 4))}),
                  Extension(Object(GuidLibrary, LE(1, 2) + LibraryRecord("WM/Other", 4, LE(9, 8))) +
                            Object(GuidPadding, std::string(100, '\0')))});
}

struct TFile {
  std::string Path = TempDir() + "/wma-test.wma";
  explicit TFile(const std::string& Bytes) { std::ofstream(Path, std::ios::binary | std::ios::trunc) << Bytes; }
  std::string Bytes() const {
    std::ifstream in(Path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::unique_ptr<TZTLTagsContainerWMA> Load() {
    return std::unique_ptr<TZTLTagsContainerWMA>(static_cast<TZTLTagsContainerWMA*>(
        TZTLTagsContainer::Create(TZTLTagsContainerWMA::StaticClass(), UTF8ToString(Path), nullptr)));
  }
};

AnsiString Custom(const TZBLFileInfo* Info, std::string_view Name) {
  TZBLFileInfoCustomField* f = nullptr;
  return Info->GetCustomFields()->Find(Name, f) ? f->Value : AnsiString("<none>");
}

IPtr<IZCLDataContainer> Art(Integer Size) {
  IPtr<IZCLDataContainer> art(Create<TZCLDataContainer>());
  art->SetDataSize(Size);
  auto* b = static_cast<Byte*>(art->GetData());
  for (Integer i = 0; i < Size; ++i) b[i] = static_cast<Byte>(i * 7);
  b[0] = 0xFF, b[1] = 0xD8, b[2] = 0xFF;
  return art;
}

std::string ArtOf(const TZTLTag* Tag) {
  const IPtr<IZCLDataContainer>& art = Tag->GetAlbumArt();
  return art ? std::string(static_cast<const char*>(art->GetData()), static_cast<size_t>(art->GetDataSize())) : "";
}

size_t Count(const std::string& Bytes, const std::string& What) {
  size_t n = 0;
  for (size_t at = 0; (at = Bytes.find(What, at)) != std::string::npos; at += What.size()) ++n;
  return n;
}

}  // namespace

TEST(WMAContainer, ReadsAttributesAndStreamProperties) {
  TFile file(Standard());
  auto wma = file.Load();
  ASSERT_TRUE(wma->GetLoaded());
  const TZTLTagWMA* tag = wma->GetTag();
  EXPECT_EQ(tag->GetTitle(), u"Later Title");  // the value read last
  EXPECT_EQ(tag->GetArtist(), u"Author");
  EXPECT_EQ(tag->GetAlbum(), u"Album");
  EXPECT_EQ(tag->GetValue(fitGenre), GetGenreName(17));
  EXPECT_EQ(tag->GetRating(), 3);
  EXPECT_EQ(Custom(tag, "MyField"), "mine");
  EXPECT_EQ(Custom(tag, "WM/Unknown"), "<none>");  // numbers not mapped are not custom texts
  const TZBLStreamInfo& info = wma->GetStreamInfo();
  EXPECT_EQ(info.Channels, 2);
  EXPECT_EQ(info.SampleRate, 44100u);
  EXPECT_EQ(info.BitDepth, 16);
  EXPECT_EQ(info.StreamSize, static_cast<Int64>(Audio.size()));
  EXPECT_EQ(info.Duration, 10000u);  // 16,000 bytes at 12,800 bit/s
  EXPECT_EQ(info.Bitrate, 12);
}

TEST(WMAContainer, DurationCorrection) {
  const struct {
    const char* Sdk;
    unsigned MaxBitrate;
    Cardinal Expected;
  } cases[] = {
      {nullptr, 12800, 10000},     // older SDK: from the size and the bitrate
      {nullptr, 0, 12345},         // nothing to divide by: the header's duration stays
      {"9.00.00.2980", 0, 0},      // (16,000 - 0) / 16,000 - 2 is negative: the header's stays
      {"9.00.00.2980", 8000, 12345},
      {"12.0.1", 12800, 12345},
  };
  for (const auto& c : cases) {
    std::vector<std::string> attributes;
    if (c.Sdk) attributes.push_back(Attribute("WMFSDKVersion", 0, W(c.Sdk)));
    TFile file(AsfFile({ExtendedContent(attributes)}, c.MaxBitrate));
    auto wma = file.Load();
    const Cardinal expected = c.Sdk && c.MaxBitrate == 0 ? 12345 : c.Expected;
    EXPECT_EQ(wma->GetStreamInfo().Duration, expected) << (c.Sdk ? c.Sdk : "none") << " " << c.MaxBitrate;
  }
}

TEST(WMAContainer, SaveKeepsWhatTheTagDoesNotHold) {
  TFile file(Standard());
  auto wma = file.Load();
  wma->GetTag()->SetTitle(u"New \u00e9");
  wma->GetTag()->SetBPM(120);
  wma->GetTag()->SetRating(5);
  wma->Save();
  const std::string bytes = file.Bytes();
  EXPECT_EQ(bytes.substr(bytes.size() - Audio.size()), Audio);
  EXPECT_EQ(Count(bytes, GuidContent), 1u);
  EXPECT_EQ(Count(bytes, GuidExtended), 1u);
  EXPECT_EQ(Count(bytes, GuidPadding), 0u);
  EXPECT_EQ(Count(bytes, W("WM/Unknown")), 1u);
  EXPECT_EQ(Count(bytes, W("IsVBR")), 1u);
  EXPECT_EQ(Count(bytes, W("WM/Other")), 1u);
  EXPECT_NE(bytes.find(W("WM/SharedUserRating") + LE(0, 2) + LE(8, 2) + W("100")), std::string::npos);

  auto again = file.Load();
  ASSERT_TRUE(again->GetLoaded());
  const TZTLTagWMA* tag = again->GetTag();
  EXPECT_EQ(tag->GetTitle(), u"New \u00e9");
  EXPECT_EQ(tag->GetAlbum(), u"Album");
  EXPECT_EQ(tag->GetBPM(), 120);
  EXPECT_EQ(tag->GetRating(), 5);
  EXPECT_EQ(tag->GetValue(fitGenre), GetGenreName(17));
  EXPECT_EQ(Custom(tag, "MyField"), "mine");
  EXPECT_EQ(again->GetStreamInfo().SampleRate, 44100u);
}

TEST(WMAContainer, AlbumArtGoesWhereItFits) {
  const struct {
    Integer Size;
    bool WithExtension;
    size_t InExtended, InLibrary;
  } cases[] = {
      {61438, true, 1, 0},
      {61439, true, 0, 1},
      {61439, false, 0, 1},  // a Header Extension Object is made for it
  };
  for (const auto& c : cases) {
    TFile file(AsfFile(c.WithExtension ? std::vector<std::string>{Extension("")} : std::vector<std::string>{}));
    auto wma = file.Load();
    wma->GetTag()->SetAlbumArt(Art(c.Size));
    wma->Save();
    const std::string bytes = file.Bytes();
    const size_t library = bytes.find(GuidLibrary);
    EXPECT_EQ(library != std::string::npos, c.InLibrary == 1) << c.Size;
    auto again = file.Load();
    ASSERT_TRUE(again->GetLoaded());
    EXPECT_EQ(ArtOf(again->GetTag()), ArtOf(wma->GetTag())) << c.Size;
    EXPECT_EQ(bytes.substr(bytes.size() - Audio.size()), Audio);
  }
}

TEST(WMAContainer, DeleteTagOnSaveAndLongTexts) {
  TFile file(Standard());
  auto wma = file.Load();
  wma->GetTag()->SetValue(fitComment, String(40000, u'x'));
  wma->Save();
  auto again = file.Load();
  EXPECT_EQ(again->GetTag()->GetValue(fitComment).size(), 32766u);  // cut to fit its 16-bit length
  again->GetTag()->SetValue(fitComment, String(32765, u'y') + u"\U0001F600");
  again->Save();
  const String comment = file.Load()->GetTag()->GetValue(fitComment);
  EXPECT_EQ(comment.size(), 32765u);  // never half a pair
  EXPECT_TRUE(comment == String(32765, u'y'));

  auto deleting = file.Load();
  deleting->GetTag()->SetDeleteTagOnSave(true);
  deleting->Save();
  const std::string bytes = file.Bytes();
  EXPECT_EQ(Count(bytes, GuidContent), 0u);
  EXPECT_EQ(Count(bytes, GuidExtended), 0u);
  EXPECT_EQ(Count(bytes, GuidLibrary), 0u);
  auto empty = file.Load();
  ASSERT_TRUE(empty->GetLoaded());
  EXPECT_TRUE(empty->GetTag()->IsEmpty());
  EXPECT_EQ(empty->GetStreamInfo().SampleRate, 44100u);
}

TEST(WMAContainer, DamagedFiles) {
  const std::string good = Standard();
  std::string hugeObject = good;
  hugeObject.replace(30 + 16, 8, LE(1ull << 40, 8));  // the File Properties Object claims too much
  std::string zeroNested = AsfFile({Extension(GuidPadding + LE(0, 8) + std::string(10, '\0'))});
  for (const std::string& bytes : {hugeObject, zeroNested}) {
    TFile file(bytes);
    EXPECT_TRUE(file.Load()->GetLoaded());
  }
  std::string tooLarge = good;
  tooLarge.replace(16, 8, LE(good.size() + 1, 8));
  for (const std::string& bytes : {std::string(), good.substr(1), tooLarge}) {
    TFile file(bytes);
    EXPECT_FALSE(file.Load()->GetLoaded());
  }
}
