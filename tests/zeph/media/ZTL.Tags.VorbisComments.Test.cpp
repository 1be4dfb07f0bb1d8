#include <gtest/gtest.h>

#include <cstring>

#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/media/ZTL.Tags.VorbisComments.h"

namespace {

void LE32(std::string& s, Cardinal v) {
  for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void BE32(std::string& s, Cardinal v) {
  for (int i = 3; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::string Block(const std::string& Vendor, const std::vector<std::string>& Comments) {
  std::string s;
  LE32(s, static_cast<Cardinal>(Vendor.size()));
  s += Vendor;
  LE32(s, static_cast<Cardinal>(Comments.size()));
  for (const std::string& c : Comments) {
    LE32(s, static_cast<Cardinal>(c.size()));
    s += c;
  }
  return s;
}

std::string Bytes(TMemoryStream& M) { return std::string(static_cast<const char*>(M.GetMemory()), M.GetSize()); }

void Read(TZTLTagVorbisComments& Tag, const std::string& Data) {
  TMemoryStream m;
  m.WriteBuffer(Data.data(), static_cast<Int64>(Data.size()));
  m.SetPosition(0);
  Tag.ReadCommentBlock(&m);
}

// Comments of a written block, in order.
std::vector<std::string> Written(TZTLTagVorbisComments& Tag, std::string* Vendor = nullptr) {
  TMemoryStream m;
  Tag.WriteCommentBlock(&m);
  TZTLTagVorbisComments back;
  std::vector<std::string> out;
  const std::string b = Bytes(m);
  size_t p = 0;
  auto le = [&] {
    Cardinal v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<Cardinal>(static_cast<Byte>(b[p + i])) << (8 * i);
    p += 4;
    return v;
  };
  const Cardinal vl = le();
  if (Vendor) *Vendor = b.substr(p, vl);
  p += vl;
  const Cardinal n = le();
  for (Cardinal i = 0; i < n; ++i) {
    const Cardinal l = le();
    out.push_back(b.substr(p, l));
    p += l;
  }
  EXPECT_EQ(p, b.size());
  return out;
}

const std::string Png = std::string("\x89PNG\r\n\x1a\n", 8) + std::string(40, '\x01');
const std::string Jpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(40, '\x02');

std::string PictureComment(Cardinal Type, const std::string& Description, const std::string& Data) {
  std::string s;
  BE32(s, Type);
  BE32(s, 9);
  s += "image/png";
  BE32(s, static_cast<Cardinal>(Description.size()));
  s += Description;
  s += std::string(16, '\0');
  BE32(s, static_cast<Cardinal>(Data.size()));
  s += Data;
  return "METADATA_BLOCK_PICTURE=" + TZCLMimecode::EncodeToString(s.data(), static_cast<Integer>(s.size()));
}

std::string Art(const TZTLTag& Tag) {
  const IPtr<IZCLDataContainer>& art = Tag.GetAlbumArt();
  return art ? std::string(static_cast<const char*>(art->GetData()), art->GetDataSize()) : std::string();
}

}  // namespace

TEST(VorbisComments, ReadsMappedMultiAndCustomComments) {
  TZTLTagVorbisComments tag;
  Read(tag, Block("vendor x", {"album artist=AA", "ARTIST=A", "artist=B", "Artist=A", "TITLE=T=1", "noequals", "=empty",
                               "X=a=b", "TRACKNUMBER=3", "TOTALTRACKS=9"}));
  EXPECT_EQ(tag.GetVendor(), "vendor x");
  EXPECT_EQ(tag.GetValue(fitAlbumArtist), u"AA");
  EXPECT_EQ(tag.GetValue(fitArtist), u"A;B");
  EXPECT_EQ(tag.GetValue(fitTitle), u"T=1");
  EXPECT_EQ(tag.GetTrackNumber(), u"3");
  EXPECT_EQ(tag.GetTrackTotal(), u"9");
  ASSERT_EQ(tag.GetCustomFields()->GetCount(), 2);
  EXPECT_EQ(tag.GetCustomFields()->GetItem(0)->Name, "");
  EXPECT_EQ(tag.GetCustomFields()->GetItem(0)->Value, "empty");
  EXPECT_EQ(tag.GetCustomFields()->GetItem(1)->Name, "X");
  EXPECT_EQ(tag.GetCustomFields()->GetItem(1)->Value, "a=b");

  std::string vendor;
  const std::vector<std::string> out = Written(tag, &vendor);
  EXPECT_EQ(vendor, "vendor x");
  auto has = [&](const std::string& c) { return std::find(out.begin(), out.end(), c) != out.end(); };
  EXPECT_TRUE(has("AlbumArtist=AA"));
  EXPECT_TRUE(has("Artist=A"));
  EXPECT_TRUE(has("Artist=B"));
  EXPECT_TRUE(has("=empty"));
  EXPECT_TRUE(has("X=a=b"));
  EXPECT_TRUE(has("TrackNumber=3"));
  EXPECT_TRUE(has("TotalTracks=9"));
}

TEST(VorbisComments, SplitsMultiValuesOnWriting) {
  TZTLTagVorbisComments tag;
  tag.SetValue(fitArtist, u"A; B");
  EXPECT_EQ(Written(tag), (std::vector<std::string>{"Artist=A", "Artist=B"}));
}

TEST(VorbisComments, RatingScale) {
  const struct {
    const char* Text;
    SmallInt Rating;
  } cases[] = {{"3", 3}, {"60", 3}, {"50", 2}, {"30", 2}, {"10", 0}, {"100", 5}, {"x", 0}};
  for (const auto& c : cases) {
    TZTLTagVorbisComments tag;
    Read(tag, Block("", {std::string("RATING=") + c.Text}));
    EXPECT_EQ(tag.GetRating(), c.Rating) << c.Text;
  }
  TZTLTagVorbisComments tag;
  tag.SetRating(4);
  EXPECT_EQ(Written(tag), (std::vector<std::string>{"Rating=80"}));
}

TEST(VorbisComments, DeleteOnSaveAndDefaultVendor) {
  TZTLTagVorbisComments tag;
  tag.SetValue(fitTitle, u"T");
  tag.SetDeleteTagOnSave(true);
  TMemoryStream m;
  tag.WriteCommentBlock(&m);
  EXPECT_EQ(Bytes(m), std::string(8, '\0'));
  std::unique_ptr<TMemoryStream> packet = BuildCommentPacket(&tag, "OpusTags");
  EXPECT_EQ(Bytes(*packet), "OpusTags" + std::string(8, '\0') + "\x01");
}

TEST(VorbisComments, DamagedBlocksReadWhatFits) {
  // A vendor longer than the stream, a count far beyond the bytes, a comment running past the end.
  std::string huge;
  LE32(huge, 0x7FFFFFF0);
  huge += "abc";
  std::string manyCount = Block("v", {});
  manyCount.resize(manyCount.size() - 4);
  LE32(manyCount, 0x7FFFFFFF);
  LE32(manyCount, 7);
  manyCount += "TITLE=T";
  std::string pastEnd = Block("v", {"TITLE=T"});
  LE32(pastEnd, 1000);
  pastEnd += "ARTIST=x";
  pastEnd.replace(9, 4, std::string("\x02\0\0\0", 4));
  for (const std::string& data : {huge, manyCount, pastEnd, std::string("\x01")}) {
    TZTLTagVorbisComments tag;
    Read(tag, data);
    EXPECT_EQ(tag.GetValue(fitArtist), u"");
    EXPECT_LE(tag.GetSize(), data.size());
  }
  TZTLTagVorbisComments tag;
  Read(tag, manyCount);
  EXPECT_EQ(tag.GetValue(fitTitle), u"T");
}

TEST(VorbisComments, PicturesChooseFrontAndKeepTheOthers) {
  TZTLTagVorbisComments tag;
  // First picture taken; a "Back" one of type 0 is kept aside; a front cover replaces the first,
  // which is kept aside as well.
  const std::string first = PictureComment(6, "", Png), back = PictureComment(0, "Back", Jpeg),
                    front = PictureComment(3, "", Png + "F");
  Read(tag, Block("", {first, back, front}));
  EXPECT_EQ(Art(tag), Png + "F");
  ASSERT_EQ(tag.GetCustomFields()->GetCount(), 2);
  EXPECT_EQ("METADATA_BLOCK_PICTURE=" + tag.GetCustomFields()->GetItem(0)->Value, back);
  EXPECT_EQ("METADATA_BLOCK_PICTURE=" + tag.GetCustomFields()->GetItem(1)->Value, first);

  // The written block holds the kept pictures unchanged and the album art as the last comment.
  const std::vector<std::string> out = Written(tag);
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0], back);
  EXPECT_EQ(out[1], first);
  TZTLTagVorbisComments again;
  Read(again, Block("", {out[2]}));
  EXPECT_EQ(Art(again), Png + "F");
}

TEST(VorbisComments, DamagedPictureBlocksGiveNoPicture) {
  std::string block;
  BE32(block, 3);
  BE32(block, 0);
  BE32(block, 0);
  block += std::string(16, '\0');
  for (Cardinal length : {0u, 5u, 0xFFFFFFFFu, 0x7FFFFFFFu}) {
    std::string b = block;
    BE32(b, length);
    b += "abcd";
    TMemoryStream m;
    m.WriteBuffer(b.data(), static_cast<Int64>(b.size()));
    m.SetPosition(0);
    Cardinal type = 99;
    EXPECT_FALSE(TZTLTagVorbisPicture::ReadPictureBlock(&m, m.GetSize(), type)) << length;
    EXPECT_EQ(type, 3u);
  }
  std::string badMime;
  BE32(badMime, 0);
  BE32(badMime, 513);
  Cardinal type = 0;
  TMemoryStream m;
  m.WriteBuffer(badMime.data(), static_cast<Int64>(badMime.size()));
  m.SetPosition(0);
  EXPECT_FALSE(TZTLTagVorbisPicture::ReadPictureBlock(&m, m.GetSize(), type));
}

TEST(VorbisComments, EncodedPictureCarriesJpegMimeType) {
  IPtr<IZCLDataContainer> art(Create<TZCLDataContainer>());
  art->SetDataSize(static_cast<Integer>(Jpeg.size()));
  std::memcpy(art->GetData(), Jpeg.data(), Jpeg.size());
  std::unique_ptr<TMemoryStream> text = TZTLTagVorbisPicture::EncodePicture(art);
  TMemoryStream block;
  ASSERT_TRUE(TZCLMimecode::Decode(Bytes(*text), &block));
  const std::string b = Bytes(block);
  EXPECT_EQ(b.substr(0, 4), std::string("\0\0\0\3", 4));
  EXPECT_EQ(b.substr(8, 10), "image/jpeg");
  EXPECT_EQ(b.substr(b.size() - Jpeg.size()), Jpeg);
}
