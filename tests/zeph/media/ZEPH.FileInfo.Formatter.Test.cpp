#include <gtest/gtest.h>

#include <fstream>

#include "rtl/RTL.DateTime.h"
#include "support/TestSupport.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.h"

namespace {
class TStatsLibrary : public TInterfacedObject, public IZEPHMusicLibrary {
  RTL_INTERFACES(TInterfacedObject, IZEPHMusicLibrary)
 public:
  bool FillFileInfo(const String&, TZBLCustomFileInfo*) override { return false; }
  bool GetLibraryText(const String&, String&) override { return false; }
  bool GetFileMark(const String&, TZEPHFileMark& Mark) override {
    ++MarkCalls;
    Mark = FileMarkFromFloat(3.5f, false);
    return true;
  }
  bool GetFileStatistics(const String& FileName, TZEPHFileStatistics& S) override {
    ++StatisticsCalls;
    if (FileName != u"/known.mp3") return false;
    S.AddedDate = EncodeDateTime(2020, 1, 1, 0, 0, 0, 0);
    S.LastPlayDate = EncodeDateTime(2021, 12, 31, 8, 26, 13, 0);
    S.PlayCount = 4;
    S.Rating = 0.5;
    return true;
  }
  bool SetLibraryText(const String&, const String&) override { return false; }
  bool SetFileMark(const String&, TZEPHFileMark) override { return false; }
  void UpdateFileInfo(TZBLCustomFileInfo*) override {}
  Integer MarkCalls = 0, StatisticsCalls = 0;
};

class PlayerTemplates : public ::testing::Test {
 protected:
  void SetUp() override {
    Library = Create<TStatsLibrary>();
    GetFileManager()->SetMusicLibrary(IPtr<IZEPHMusicLibrary>(Library.get()));
    Info = Create<TZBLFileInfo>();
  }
  void TearDown() override {
    Free(Info);
    GetFileManager()->SetMusicLibrary(nullptr);
  }
  String Eval(const String& Text, const String& FileName, bool Display = true) {
    Info->SetFileName(FileName);
    TZEPHFileInfoFormatStringContext context;
    context.Setup(Info);
    context.Flags = Display ? zfcfDisplayForms : 0;
    return VarToStr(TZEPHFileInfoFormatStringFactory::Instance()->Evaluate(Text, &context));
  }
  IPtr<TStatsLibrary> Library;
  TZBLFileInfo* Info = nullptr;
};
}  // namespace

TEST_F(PlayerTemplates, MarksAndStatistics) {
  EXPECT_EQ(Eval(u"%Mark|%M", u"/known.mp3"), u"***|***");
  EXPECT_EQ(Library->MarkCalls, 1);
  const String text = Eval(u"%Mark", u"/known.mp3", false);
  EXPECT_TRUE(text == u"3.50" || text == u"3,50") << StringToUTF8(text);
  const String stats = Eval(u"%PlayCount|%LastPlayDate|%LastPlayTime|%Rating", u"/known.mp3");
  EXPECT_TRUE(stats == u"4|2021.12.31|08:26:13|2.50" || stats == u"4|2021.12.31|08:26:13|2,50") << StringToUTF8(stats);
  Library->StatisticsCalls = 0;
  EXPECT_EQ(Eval(u"%PlayCount|%Rating|%LastPlayDate|%LastPlayTime|%rt", u"/other.mp3"), u"-|-|-|-|-");
  EXPECT_EQ(Library->StatisticsCalls, 1);
}

TEST_F(PlayerTemplates, FilesAndAddresses) {
  const std::string dir = TempDir();
  std::ofstream(dir + "/Album.cue") << "x";
  const String part = UTF8ToString(dir) + u"/Album.cue:Track 01";
  EXPECT_EQ(Eval(u"%FileDir", u"http://radio.example.com/live"), u"Radio");
  EXPECT_EQ(Eval(u"%FileParentDir(1)", part), u"Album.cue");
  EXPECT_EQ(Eval(u"%FileDir", part), UTF8ToString(dir) + u"/Album.cue");
  EXPECT_EQ(Eval(u"%ExtractFileExt(%FileName(0))", part), u".cue");
  EXPECT_EQ(Eval(u"%RemoveFileExt(/a/b.tar.gz)", u"/x.mp3"), u"/a/b.tar");
  EXPECT_EQ(Eval(u"%FileFormat", u"http://radio.example.com/live.mp3"), u"");
  EXPECT_EQ(Eval(u"%FileFormat", u"/m/a.flac"), u"FLAC");
  EXPECT_EQ(DisplayTitleFromFileName(u"/m/Some Song.flac"), u"Some Song");
  EXPECT_EQ(DisplayTitleFromFileName(u"http://radio/live"), u"http://radio/live");
}

TEST_F(PlayerTemplates, HelpersAndFactoryTable) {
  Info->SetArtist(u"A");
  Info->SetTitle(u"T");
  EXPECT_EQ(FormatFileInfo(u"%Index. %Artist - %Title [%E]", Info, 3, 12, u"MP3"), u"03. A - T [MP3]");
  EXPECT_EQ(FormatPreview(u"%Index/%Total %Title %PlayCount %Mark"), u"05/10 Title 3 *****");
  const std::pair<const char16_t*, bool> uses[] = {{u"%Title", false}, {u"%m", true},  {u"%MARK", true},
                                                   {u"%rating", true}, {u"%Rt", true}, {u"%Artist", false}};
  for (const auto& [text, expected] : uses) EXPECT_EQ(TemplateUsesMark(text), expected) << StringToUTF8(text);

  TZBLFileInfoFormatStringFactory* found = nullptr;
  EXPECT_TRUE(FindFormatterFactory(0, false, found));
  EXPECT_EQ(found, TZEPHFileInfoFormatStringFactory::Instance());
  EXPECT_FALSE(FindFormatterFactory(7, false, found));
  TZBLFileInfoFormatStringFactory* own = Create<TZBLFileInfoFormatStringFactory>();
  RegisterFormatterFactory(3, own, nullptr);
  EXPECT_TRUE(FindFormatterFactory(3, false, found));
  EXPECT_EQ(found, own);
  EXPECT_FALSE(FindFormatterFactory(3, true, found));
  UnregisterFormatterFactory(3);
  EXPECT_FALSE(FindFormatterFactory(3, false, found));
  Free(own);
}
