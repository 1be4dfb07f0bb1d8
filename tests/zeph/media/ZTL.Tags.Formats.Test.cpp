// The tag classes over their byte levels: fields mapped into the record, written back, and the
// frames and items they do not know kept byte for byte.

#include <gtest/gtest.h>

#include <cstring>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.Classes.ByteBuffer.h"
#include "zeph/media/ZTL.Tags.APEv2.h"
#include "zeph/media/ZTL.Tags.ID3v1.h"
#include "zeph/media/ZTL.Tags.ID3v2.h"
#include "zeph/media/ZTL.Tags.h"

using namespace std::string_literals;

namespace {

std::string LE16(StringView S) {
  std::string out;
  for (Char c : S) out += static_cast<char>(c & 0xFF), out += static_cast<char>(c >> 8);
  return out;
}

std::string Size4(Cardinal V, bool Syncsafe) {
  std::string s(4, '\0');
  for (int i = 0; i < 4; ++i)
    s[i] = static_cast<char>(Syncsafe ? (V >> (21 - 7 * i)) & 0x7F : (V >> (24 - 8 * i)) & 0xFF);
  return s;
}

std::string Frame(int Major, const std::string& ID, const std::string& Data) {
  return ID + Size4(static_cast<Cardinal>(Data.size()), Major == 4) + "\0\0"s + Data;
}

std::string Tag(int Major, const std::string& Frames) {
  return "ID3"s + static_cast<char>(Major) + "\0\0"s + Size4(static_cast<Cardinal>(Frames.size()), true) + Frames;
}

std::string T(StringView Text) { return "\x01\xFF\xFE" + LE16(Text); }

const std::string Audio = "\xFF\xFB\x90\x00" + std::string(500, 'u');
const std::string Jpeg = "\xFF\xD8\xFF\xE0" + std::string(40, 'j');
const std::string Png = "\x89PNG\r\n\x1A\n" + std::string(40, 'p');

struct TMem {
  TMemoryStream Stream;
  explicit TMem(const std::string& Bytes) { Stream.WriteBuffer(Bytes.data(), static_cast<Int64>(Bytes.size())); }
  std::string Bytes() {
    return std::string(static_cast<const char*>(Stream.GetMemory()), static_cast<size_t>(Stream.GetSize()));
  }
};

std::unique_ptr<TZTLTagID3v2> LoadID3v2(const std::string& Bytes) {
  TMem f(Bytes);
  return std::make_unique<TZTLTagID3v2>(&f.Stream);
}

std::string ArtBytes(const TZBLFileInfo& Info) {
  const IPtr<IZCLDataContainer>& art = Info.GetAlbumArt();
  return art ? std::string(static_cast<const char*>(art->GetData()), static_cast<size_t>(art->GetDataSize())) : "";
}

}  // namespace

TEST(ID3v2Tag, MultiValuesByVersion) {
  struct {
    int Major;
    std::string Frame;
    const char16_t* Property;
    String Expected;
  } cases[] = {
      {3, "TCOM", u"Composer", u"a;b"}, {4, "TCOM", u"Composer", u"a/b"}, {3, "TPE1", u"Artist", u"AC/DC"},
      {4, "TPE1", u"Artist", u"AC/DC"}, {3, "TCON", u"Genre", u"Rock"},   {4, "TCON", u"Genre", u"Indie"},
      {2, "TCM", u"Composer", u"a;b"},
  };
  const std::string values[] = {"a/b", "a/b", "AC/DC", "AC/DC", "(17)", "(17)Indie", "a/b"};
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    std::string frame = c.Major == 2 ? c.Frame + "\0\0"s + static_cast<char>(values[i].size() + 1) + "\0"s + values[i]
                                     : Frame(c.Major, c.Frame, "\0"s + values[i]);
    auto tag = LoadID3v2(Tag(c.Major, frame) + Audio);
    EXPECT_EQ(GetStrProp(tag.get(), c.Property), c.Expected) << "case " << i;
  }
  // NUL-separated values in any version; two TIT2 frames keep the second.
  auto tag = LoadID3v2(Tag(3, Frame(3, "TPE1", T(u"A") + "\0\0"s + "\xFF\xFE" + LE16(u"B")) +
                                  Frame(3, "TIT2", "\0First"s) + Frame(3, "TIT2", "\0Second"s)) +
                       Audio);
  EXPECT_EQ(tag->GetArtist(), u"A;B");
  EXPECT_EQ(tag->GetTitle(), u"Second");
}

TEST(ID3v2Tag, DescribedFramesRatingAndLyrics) {
  const std::string comm =
      "\x01"
      "eng\xFF\xFE" +
      LE16(u"Catalog Number") + "\0\0"s + "\xFF\xFE" + LE16(u"CAT-1");
  const std::string otherComm =
      "\x01"
      "eng\xFF\xFE" +
      LE16(u"Other") + "\0\0"s + "\xFF\xFE" + LE16(u"x");
  const std::string txxxGain = "\0replaygain_track_gain\0-6.5 dB"s;
  const std::string txxxOther = "\0MY_KEY\0value"s;
  const std::string uslt =
      "\x01"
      "eng\xFF\xFE" +
      LE16(u"Writer") + "\0\0"s + "\xFF\xFE" + LE16(u" one \rtwo ");
  const std::string frames = Frame(3, "COMM", comm) + Frame(3, "COMM", otherComm) + Frame(3, "TXXX", txxxGain) +
                             Frame(3, "TXXX", txxxOther) + Frame(3, "USLT", uslt) + Frame(3, "POPM", "x@y\0\x80"s) +
                             Frame(3, "ETCO", "\x02\x01"s);
  auto tag = LoadID3v2(Tag(3, frames) + Audio);
  EXPECT_EQ(tag->GetValue(fitCatalog), u"CAT-1");
  EXPECT_EQ(tag->GetValue(fitTrackGain), u"-6.50 dB");
  EXPECT_EQ(tag->GetValue(fitLyricist), u"Writer");
  EXPECT_EQ(tag->GetValue(fitLyrics), u"one\r\ntwo");
  EXPECT_EQ(tag->GetRating(), 3);
  ASSERT_EQ(tag->GetCustomFields()->GetCount(), 3);
  EXPECT_EQ(tag->GetCustomFields()->GetItem(0)->Name, "COMM");
  EXPECT_EQ(tag->GetCustomFields()->GetItem(0)->Value, otherComm);
  EXPECT_EQ(tag->GetCustomFields()->GetItem(1)->Value, txxxOther);
  EXPECT_EQ(tag->GetCustomFields()->GetItem(2)->Name, "ETCO");
  // A lyricist already set is not replaced by the lyrics' descriptor.
  auto second = LoadID3v2(Tag(3, Frame(3, "TEXT", "\0Poet"s) + Frame(3, "USLT", uslt)) + Audio);
  EXPECT_EQ(second->GetValue(fitLyricist), u"Poet");
  // POPM byte 0 is "unknown": the file stays unrated.
  EXPECT_EQ(LoadID3v2(Tag(3, Frame(3, "POPM", "x@y\0\0"s)) + Audio)->GetRating(), 0);
}

TEST(ID3v2Tag, PicturesChaptersAndDamagedFrames) {
  const std::string back = "\0image/png\0\x04\0"s + Png;
  const std::string front = "\0image/jpeg\0\x03\0"s + Jpeg;
  const std::string damagedChap = "c0\0\0\0"s;
  auto tag = LoadID3v2(Tag(3, Frame(3, "APIC", back) + Frame(3, "CHAP", damagedChap) + Frame(3, "APIC", "\0x"s) +
                                  Frame(3, "APIC", front) + Frame(3, "TIT2", "\0Still read"s)) +
                       Audio);
  EXPECT_EQ(ArtBytes(*tag), Jpeg);
  EXPECT_EQ(tag->GetTitle(), u"Still read");
  // The back cover is written back as it was; the damaged picture too.
  ASSERT_EQ(tag->GetCustomFields()->GetCount(), 2);
  EXPECT_EQ(tag->GetCustomFields()->GetItem(0)->Value, back);

  TMem f(Tag(3, Frame(3, "TIT2", "\0T"s)) + Audio);
  tag->GetChapters()->Add(u"One", 0);
  tag->GetChapters()->Add(u"Two", 1.5, 3);
  TZTLTagID3v2::Save(tag.get(), &f.Stream);
  TZTLTagID3v2 again(&f.Stream);
  EXPECT_EQ(ArtBytes(again), Jpeg);
  ASSERT_EQ(again.GetChapters()->GetCount(), 2);
  EXPECT_EQ(again.GetChapters()->GetItem(1)->Title, u"Two");
  EXPECT_DOUBLE_EQ(again.GetChapters()->GetItem(0)->Finish, 1.5);
  ASSERT_EQ(again.GetCustomFields()->GetCount(), 2);
  EXPECT_EQ(again.GetCustomFields()->GetItem(0)->Value, back);
}

TEST(ID3v2Tag, SaveRoundTripAndFrames) {
  TZTLTagID3v2 tag;
  tag.SetTitle(u"Tïtle");
  tag.SetArtist(u"A;B");
  tag.SetValue(fitComposer, u"C1;C2");
  tag.SetValue(fitGenre, u"Rock");
  tag.SetValue(fitComment, u"Comment");
  tag.SetValue(fitCatalog, u"CAT");
  tag.SetValue(fitMood, u"Calm");
  tag.SetValue(fitTrackGain, u"-3 dB");
  tag.SetValue(fitLink, u"http://bücher.example/");
  tag.SetValue(fitDisk, u"1/2");
  tag.SetRating(3);
  tag.SetBPM(120);
  tag.SetPartOfCompilation(true);
  tag.GetCustomFields()->Add("TXXX", "\0KEEP\0me"s);
  tag.GetCustomFields()->Add("XX", "dropped: not 4 characters");
  TMem f(Audio);
  TZTLTagID3v2::Save(&tag, &f.Stream);
  const std::string bytes = f.Bytes();
  ASSERT_EQ(bytes.size(), 4096 + Audio.size());
  EXPECT_EQ(bytes.substr(4096), Audio);
  EXPECT_NE(bytes.find("POPM"s + Size4(31, false) + "\0\0"s + "Windows Media Player 9 Series\0\x80"s),
            std::string::npos);
  EXPECT_NE(bytes.find("TCON"s + Size4(5, false) + "\0\0\0(17)"s), std::string::npos);
  TZTLTagID3v2 back(&f.Stream);
  for (Integer i :
       {fitTitle, fitArtist, fitComposer, fitGenre, fitComment, fitCatalog, fitMood, fitTrackGain, fitLink, fitDisk})
    EXPECT_EQ(back.GetValue(i), tag.GetValue(i)) << "text " << i;
  EXPECT_EQ(back.GetRating(), 3);
  EXPECT_EQ(back.GetBPM(), 120);
  EXPECT_TRUE(back.GetPartOfCompilation());
  ASSERT_EQ(back.GetCustomFields()->GetCount(), 1);
  EXPECT_EQ(back.GetCustomFields()->GetItem(0)->Value, "\0KEEP\0me"s);
  // An empty tag over a file without one writes nothing; DeleteTagOnSave removes the tag.
  TMem plain(Audio);
  TZTLTagID3v2 empty;
  TZTLTagID3v2::Save(&empty, &plain.Stream);
  EXPECT_EQ(plain.Bytes(), Audio);
  back.SetDeleteTagOnSave(true);
  TZTLTagID3v2::Save(&back, &f.Stream);
  EXPECT_EQ(f.Bytes(), Audio);
}

TEST(ID3v2Tag, Version4FramesKeptAreWrittenValidForVersion3) {
  const std::string txxx =
      "\x03"
      "desc\0val\xC3\xBC"s;
  auto tag = LoadID3v2(Tag(4, Frame(4, "TXXX", txxx) + Frame(4, "TOPE",
                                                             "\x03"
                                                             "Zo\xC3\xAB"s)) +
                       Audio);
  ASSERT_EQ(tag->GetCustomFields()->GetCount(), 2);
  TMem f(Audio);
  TZTLTagID3v2::Save(tag.get(), &f.Stream);
  TZTLTagID3v2 back(&f.Stream);
  ASSERT_EQ(back.GetCustomFields()->GetCount(), 2);
  EXPECT_EQ(TID3v2Encoding::Decode(back.GetCustomFields()->GetItem(0)->Value), String(u"desc\0valü", 9));
  EXPECT_EQ(back.GetCustomFields()->GetItem(1)->Value, "\x01\xFF\xFE" + LE16(u"Zoë"));
}

TEST(APEv2Tag, ItemsValuesAndPicture) {
  auto item = [](const std::string& Key, const std::string& Value, Cardinal Flags = 0) {
    std::string s(8, '\0');
    const auto n = static_cast<Cardinal>(Value.size());
    std::memcpy(s.data(), &n, 4);
    std::memcpy(s.data() + 4, &Flags, 4);
    return s + Key + '\0' + Value;
  };
  const std::string items = item("ARTIST", "a") + item("artist", "b") + item("GENRE", "x\0y"s) +
                            item("REPLAYGAIN_TRACK_GAIN_X", "1") + item("cover art (front)", "f.jpg\0"s + Jpeg, 2) +
                            item("Cover Art (Back)", "b.png\0"s + Png, 2) + item("BPM", "99.9");
  std::string footer = "APETAGEX"s + std::string(24, '\0');
  const Cardinal version = 2000, size = static_cast<Cardinal>(items.size() + 32), count = 7;
  std::memcpy(footer.data() + 8, &version, 4);
  std::memcpy(footer.data() + 12, &size, 4);
  std::memcpy(footer.data() + 16, &count, 4);
  TMem f(Audio + items + footer);
  TZTLTagAPEv2 tag(&f.Stream);
  EXPECT_EQ(tag.GetSize(), size);
  EXPECT_EQ(tag.GetArtist(), u"a;b");
  EXPECT_EQ(tag.GetValue(fitGenre), u"x;y");
  EXPECT_EQ(tag.GetBPM(), 99);
  EXPECT_EQ(ArtBytes(tag), Jpeg);
  ASSERT_EQ(tag.GetCustomFields()->GetCount(), 1);
  EXPECT_EQ(tag.GetCustomFields()->GetItem(0)->Name, "REPLAYGAIN_TRACK_GAIN_X");
  ASSERT_EQ(tag.GetRawItems().size(), 1u);  // the back cover, kept
  TZTLTagAPEv2::Save(&tag, &f.Stream);
  std::vector<TZTLAPEv2Item> written;
  TZTLAPEv2Codec::Read(&f.Stream, written);
  auto find = [&written](std::string_view Key) -> const TZTLAPEv2Item* {
    for (const auto& i : written)
      if (i.Key == Key) return &i;
    return nullptr;
  };
  ASSERT_NE(find("ARTIST"), nullptr);
  EXPECT_EQ(find("ARTIST")->Value, "a\0b"s);
  ASSERT_NE(find("REPLAYGAIN_TRACK_GAIN_X"), nullptr);
  ASSERT_NE(find("Cover Art (Back)"), nullptr);
  EXPECT_EQ(find("Cover Art (Back)")->Value, "b.png\0"s + Png);
  ASSERT_NE(find("Cover Art (Front)"), nullptr);
  EXPECT_EQ(find("Cover Art (Front)")->Value, "Cover Art (Front).jpg\0"s + Jpeg);
  EXPECT_EQ(f.Bytes().substr(0, Audio.size()), Audio);
  // An empty tag is a footer alone.
  TMem g(Audio);
  TZTLTagAPEv2 empty;
  TZTLTagAPEv2::Save(&empty, &g.Stream);
  EXPECT_EQ(g.Bytes().size(), Audio.size() + 32);
}

TEST(ID3v1Tag, LimitedValuesRoundTrip) {
  TZTLTagID3v1 tag;
  EXPECT_TRUE(tag.HasLimitedValues());
  EXPECT_TRUE(tag.IsEmpty());
  tag.SetTitle(u"Title");
  tag.SetTrackNumber(u"7");
  tag.SetValue(fitGenre, u"Jazz");
  tag.SetValue(fitLyrics, u"not stored in the block");
  TMem f(Audio);
  TZTLTagID3v1::Save(&tag, &f.Stream);
  TZTLTagID3v1 back(&f.Stream);
  EXPECT_EQ(back.GetTitle(), u"Title");
  EXPECT_EQ(back.GetTrackNumber(), u"07");
  EXPECT_EQ(back.GetValue(fitGenre), u"Jazz");
  EXPECT_EQ(back.GetSize(), 128u);
  EXPECT_EQ(back.GetTagType(), u"ID3v1");
}
