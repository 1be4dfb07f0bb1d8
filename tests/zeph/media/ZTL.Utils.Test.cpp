#include <gtest/gtest.h>

#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zeph/media/ZTL.Core.h"
#include "zeph/media/ZTL.Genres.h"
#include "zeph/media/ZTL.Tags.h"
#include "zeph/media/ZTL.Utils.h"

namespace {

// Sets the library's default code page for one test.
class TDefaultCodePage {
 public:
  explicit TDefaultCodePage(Integer Page) : FOld(zcDefaultCodePage.exchange(Page)) {}
  ~TDefaultCodePage() { zcDefaultCodePage.store(FOld); }

 private:
  Integer FOld;
};

}  // namespace

TEST(TagsEncoding, DecodesUtf8DoubleUtf8AndAscii) {
  EXPECT_EQ(TZTLTagsEncoding::Decode("plain text"), u"plain text");
  EXPECT_EQ(TZTLTagsEncoding::Decode("Caf\xC3\xA9"), u"Café");
  // "Café" encoded to UTF-8 twice.
  EXPECT_EQ(TZTLTagsEncoding::Decode("Caf\xC3\x83\xC2\xA9"), u"Café");
  EXPECT_EQ(TZTLTagsEncoding::Decode(""), u"");
}

TEST(TagsEncoding, GuessesCyrillicWordsUnderCodePage1251) {
  TDefaultCodePage cp(1251);
  // "Привет" in Windows-1251 next to "café" in Windows-1252: the French word keeps its Latin letter.
  EXPECT_EQ(TZTLTagsEncoding::Decode("\xCF\xF0\xE8\xE2\xE5\xF2 caf\xE9"), u"Привет café");
  EXPECT_EQ(TZTLTagsEncoding::Decode("\xB8\xEB\xEA\xE0"), u"ёлка");
  // The only high word has two characters: too little to guess, the bytes stay widened.
  EXPECT_EQ(TZTLTagsEncoding::DecodeAnsi("ab \xE0\xE1"), u"ab \u00E0\u00E1");
}

TEST(TagsEncoding, SingleByteAndMultiByteCodePages) {
  {
    TDefaultCodePage cp(1252);
    // 0x80 is the euro sign in the system code page (1252); words that are not high stay.
    EXPECT_EQ(TZTLTagsEncoding::Decode("\x80\xE9t\xE9 x"), u"€été x");
  }
  {
    TDefaultCodePage cp(932);
    EXPECT_EQ(TZTLTagsEncoding::DecodeAnsi("\x93\xFA\x96\x7B"), u"日本");
  }
}

TEST(MetaDataResolver, Featuring) {
  struct {
    const char16_t *Title, *Artists, *ExpectedTitle, *ExpectedArtists;
  } cases[] = {
      {u"Song (feat. B & C)", u"A", u"Song", u"A;B;C"},
      {u"Song", u"A feat. B", u"Song", u"A;B"},
      {u"Song", u"A, B & C", u"Song", u"A;B & C"},
      {u"Song [BONUS Track]", u"A", u"Song", u"A"},
      {u"Song ft. B", u"A; a", u"Song", u"A;B"},
      {u"Песня (при участии Б)", u"А", u"Песня", u"А;Б"},
      {u"Plain", u"", u"Plain", u""},
      {u"T", u"Groß, Klein", u"T", u"Groß;Klein"},  // upper-casing "ß" changes the length
  };
  for (const auto& c : cases) {
    String title = c.Title, artists = c.Artists;
    TZTLMetaDataResolver::Process(title, artists);
    EXPECT_EQ(title, c.ExpectedTitle) << "case " << (&c - cases);
    EXPECT_EQ(artists, c.ExpectedArtists) << "case " << (&c - cases);
  }
}

TEST(TagText, CleanValueAndNormalizeLines) {
  EXPECT_EQ(CleanValue(String(u"Title\0\0\0", 8)), u"Title");
  EXPECT_EQ(CleanValue(u"  a\tb  "), u"a\tb");
  EXPECT_EQ(CleanValue(String(u"ab \x01"
                              u"cd",
                              6)),
            u"ab");
  EXPECT_EQ(NormalizeLines(u" one \r two\rthree", true), u"one\r\ntwo\r\nthree\r\n");
  EXPECT_EQ(NormalizeLines(u" one \n", false), u" one \r\n");
}

TEST(TagText, MultiValueRoutines) {
  EXPECT_EQ(TagsAppendValue(u"a;b", u"b"), u"a;b");
  EXPECT_EQ(TagsAppendValue(u"ab;c", u"b"), u"ab;c;b");
  EXPECT_EQ(TagsAppendValue(u"", u"x"), u"x");
  EXPECT_EQ(TagsAppendValue(u"x", u""), u"x");
  EXPECT_EQ(TagsDecodeValues(String(u"a\0 b \0\0c", 8), u'\0'), u"a;b;c");
  EXPECT_EQ(TagsDecodeValues(u"a/b", u';'), u"a/b");
  std::vector<String> parts;
  EXPECT_EQ(TagsEnumValues(u"a; b;;\tc ;", true, [&](const String& s) { parts.push_back(s); }), 3);
  EXPECT_EQ(parts, (std::vector<String>{u"a", u"b", u"c"}));
  EXPECT_EQ(TagsEnumValues(u"", false, [](const String&) {}), 0);
  EXPECT_EQ(TagsFirstValue(u"a;b"), u"a");
}

TEST(Genres, NamesAndIndexes) {
  EXPECT_EQ(GetGenreName(60), u"Top ");
  EXPECT_EQ(GetGenreName(17), u"Rock");
  EXPECT_EQ(GetGenreName(147), u"Synthpop");
  EXPECT_EQ(GetGenreName(148), u"");
  EXPECT_EQ(GetGenreName(-1), u"");
  EXPECT_EQ(IndexOfGenre(u"hip-hop"), 7);
  EXPECT_EQ(IndexOfGenre(u"Chillout"), -1);
  EXPECT_EQ(IndexOfGenre(u"Top"), -1);
  Integer index = -5;
  EXPECT_FALSE(TryGetGenreIndex(u"Blues", index));
  EXPECT_EQ(index, 0);
  EXPECT_TRUE(TryGetGenreIndex(u"Rock", index));
  EXPECT_EQ(index, 17);
  TZCLStringList list;
  GetPredefinedGenres()->PopulateValues(&list);
  ASSERT_EQ(list.GetCount(), 33);
  EXPECT_EQ(list.GetStrings(0), u"Atmospheric");
  EXPECT_EQ(list.GetStrings(32), u"World Music");
  EXPECT_TRUE(GetPredefinedGenres()->IsPredefinedValue(u"jazz"));
  EXPECT_FALSE(GetPredefinedGenres()->IsPredefinedValue(u"Chillout"));
}
