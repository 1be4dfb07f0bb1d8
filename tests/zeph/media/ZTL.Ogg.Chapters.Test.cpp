#include <gtest/gtest.h>

#include "zeph/media/ZTL.Ogg.Chapters.h"

namespace {

std::vector<std::pair<std::string, std::string>> Fields(const TZBLFileInfo& Info) {
  std::vector<std::pair<std::string, std::string>> out;
  for (Integer i = 0; i < Info.GetCustomFields()->GetCount(); ++i)
    out.emplace_back(Info.GetCustomFields()->GetItem(i)->Name, Info.GetCustomFields()->GetItem(i)->Value);
  return out;
}

}  // namespace

TEST(OggChapters, LoadsAndSavesChapterComments) {
  TZBLFileInfo info;
  info.GetStreamInfo().Duration = 200000;
  info.GetCustomFields()->Add("chapter001", "00:00:00.000");
  info.GetCustomFields()->Add("CHAPTER001NAME", "Intro \xC3\xA9");
  info.GetCustomFields()->Add("CHAPTER002", "00:01:30.500");
  info.GetCustomFields()->Add("CHAPTER002NAME", "Main");
  info.GetCustomFields()->Add("ChapterInfo", "x");
  info.GetCustomFields()->Add("Other", "y");
  TZBLChapters chapters;
  TZBLOggChapters::LoadChapters(&chapters, &info);
  ASSERT_EQ(chapters.GetCount(), 2);
  EXPECT_EQ(chapters[0]->Title, u"Intro \u00E9");
  EXPECT_DOUBLE_EQ(chapters[0]->Start, 0);
  EXPECT_DOUBLE_EQ(chapters[0]->Finish, 90.5);
  EXPECT_DOUBLE_EQ(chapters[1]->Start, 90.5);
  EXPECT_DOUBLE_EQ(chapters[1]->Finish, 200);

  TZBLOggChapters::SaveChapters(&info, &chapters);
  using F = std::pair<std::string, std::string>;
  EXPECT_EQ(Fields(info), (std::vector<F>{{"Other", "y"},
                                          {"CHAPTER000", "00:00:00.000-->00:01:30.500"},
                                          {"CHAPTER000NAME", "Intro \xC3\xA9"},
                                          {"CHAPTER001", "00:01:30.500-->00:03:20.000"},
                                          {"CHAPTER001NAME", "Main"}}));
  TZBLChapters again;
  TZBLOggChapters::LoadChapters(&again, &info);
  EXPECT_TRUE(again.Equals(&chapters));
}

TEST(OggChapters, SkipsTimesThatDoNotParse) {
  TZBLFileInfo info;
  info.GetStreamInfo().Duration = 10000000;
  info.GetCustomFields()->Add("CHAPTER000", "1:02:03");
  info.GetCustomFields()->Add("CHAPTER001", "abc");
  info.GetCustomFields()->Add("CHAPTER002", "1:10:00-->1:20:00.25");
  info.GetCustomFields()->Add("CHAPTER004", "2:00:00");  // after a gap: not read
  TZBLChapters chapters;
  TZBLOggChapters::LoadChapters(&chapters, &info);
  ASSERT_EQ(chapters.GetCount(), 2);
  EXPECT_DOUBLE_EQ(chapters[0]->Start, 3723);
  EXPECT_DOUBLE_EQ(chapters[0]->Finish, 4200);
  EXPECT_DOUBLE_EQ(chapters[1]->Finish, 4800.25);
}

TEST(OggChapters, FormatsTimes) {
  const struct {
    Double Seconds;
    const char16_t* Text;
  } cases[] = {{0, u"00:00:00.000"},
               {59.9996, u"00:01:00.000"},
               {3723.004, u"01:02:03.004"},
               {360000, u"100:00:00.000"},
               {-1.5, u"-00:00:01.500"}};
  for (const auto& c : cases) EXPECT_EQ(TZBLOggChapters::FormatTime(c.Seconds), c.Text) << c.Seconds;
}
