#include <gtest/gtest.h>

#include <functional>

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Variant.h"
#include "zeph/media/ZBL.FileInfo.Formatter.h"

namespace {
class FileInfoTemplates : public ::testing::Test {
 protected:
  void SetUp() override {
    F = Create<TZBLFileInfoFormatStringFactory>();
    Info = Create<TZBLFileInfo>();
    Context = Create<TZBLFileInfoFormatStringContext>();
  }
  void TearDown() override {
    Free(Context);
    Free(Info);
    Free(F);
  }
  String Eval(const String& Text, Integer Index = 0, Integer Total = 0) {
    TZCLFormatString* t = F->CompileTemplate(Text);
    Context->Setup(Info, Index, Total);
    String result;
    try {
      result = VarToStr(t->Evaluate(Context));
    } catch (...) {
      Free(t);
      throw;
    }
    Free(t);
    return result;
  }
  TZBLFileInfoFormatStringFactory* F = nullptr;
  TZBLFileInfo* Info = nullptr;
  TZBLFileInfoFormatStringContext* Context = nullptr;
};
}  // namespace

TEST_F(FileInfoTemplates, StreamMacros) {
  struct Case {
    std::function<void(TZBLStreamInfo&)> Set;
    bool Display;
    const char16_t* Template;
    const char16_t* Expected;
  };
  const Case cases[] = {
      {[](TZBLStreamInfo& s) { s.Duration = 3725000; }, true, u"%Duration", u"1:02:05"},
      {[](TZBLStreamInfo& s) { s.Duration = 65000; }, true, u"%Duration", u"1:05"},
      {[](TZBLStreamInfo& s) { s.Duration = 65400; }, true, u"%L", u"1:06"},
      {[](TZBLStreamInfo& s) { s.Duration = 9000; }, true, u"%Duration", u"0:09"},
      {[](TZBLStreamInfo& s) { s.Duration = 65400; }, false, u"%Duration", u"65400"},
      {[](TZBLStreamInfo& s) { s.Channels = 6; }, true, u"%Channels", u"5.1 Surround"},
      {[](TZBLStreamInfo& s) { s.Channels = 6; }, false, u"%Channels", u"6"},
      {[](TZBLStreamInfo& s) { s.Channels = 0x1002; }, true, u"%C", u"Joint Stereo"},
      {[](TZBLStreamInfo& s) { s.SampleRate = 44100; }, true, u"%SampleRate", u"44 kHz"},
      {[](TZBLStreamInfo& s) { s.Bitrate = 320; }, true, u"%Bitrate", u"320 kbps"},
      {[](TZBLStreamInfo& s) { s.BitDepth = -32; }, true, u"%BitDepth", u"32 bit float"},
  };
  for (const Case& c : cases) {
    TZBLStreamInfo s;
    c.Set(s);
    Info->SetStreamInfo(s);
    Context->Flags = c.Display ? zfcfDisplayForms : 0;
    EXPECT_EQ(Eval(c.Template), c.Expected) << StringToUTF8(c.Template);
  }
}

TEST_F(FileInfoTemplates, RecordMacrosAndFunctions) {
  Info->SetArtist(u"the Band");
  Info->SetTitle(u"Song");
  Info->SetTrack(u"3/12");
  Info->SetValue(fitDate, u"1999");
  Info->SetValue(fitComment, u"note");
  Info->SetBPM(120);
  Info->SetFileSize(2048);
  const std::pair<const char16_t*, const char16_t*> cases[] = {
      {u"%Artist - %Title", u"the Band - Song"},
      {u"%R - %T (%Y)", u"the Band - Song (1999)"},
      {u"%TrackNumber/%TrackTotal %tn", u"3/12 3"},
      {u"%Comment %BPM", u"note 120"},
      {u"%FileSize", u"2.00 KB"},
      {u"%PrefixToTail(%Artist)", u"Band, The"},
      {u"%PrefixTrim(%Artist)", u"Band"},
      {u"%PrefixToTail(Theatre)", u"Theatre"},
      {u"%PrefixToTail(A Tribe)", u"Tribe, A"},
      {u"%Random(1)%Random(0)", u"00"},
      // A syntax error keeps what was compiled before it instead of raising.
      {u"%Title %PrefixTrim(", u"Song "},
  };
  for (const auto& [text, expected] : cases) EXPECT_EQ(Eval(text), expected) << StringToUTF8(text);
  const Integer r = StrToInt(Eval(u"%Random"));
  EXPECT_TRUE(r >= 0 && r < 100);
  EXPECT_EQ(Eval(u"%Index/%Total", 3, 12), u"03/12");
  EXPECT_EQ(Eval(u"%Index", 0, 0), u"");
}

TEST_F(FileInfoTemplates, IndexAskedOfTheContextOnce) {
  struct TCounting : TZBLFileInfoFormatStringContext {
    Integer Calls = 0;
    Integer GetIndex() override { return ++Calls, 7; }
  } context;
  TZCLFormatString* t = F->CompileTemplate(u"%Index %in");
  context.Setup(Info);
  EXPECT_EQ(VarToStr(t->Evaluate(&context)), u"07 07");
  EXPECT_EQ(context.Calls, 1);
  Free(t);
}

TEST_F(FileInfoTemplates, FileMacros) {
  struct Case {
    const char16_t* FileName;
    const char16_t* Template;
    const char16_t* Expected;
  };
  const Case cases[] = {
      {u"/Music/Album/CD2/01.mp3", u"%FileParentDir(1)", u"Album/CD2"},
      {u"/Music/Album/CD2/01.mp3", u"%FileParentDir(2)", u"Album/CD2"},
      {u"/Music/Album/CD2/01.mp3", u"%pd", u"Album/CD2"},
      {u"/Music/Album/cd2/01.mp3", u"%FileParentDir(1)", u"cd2"},
      {u"/Music/Album/Disc 2/01.mp3", u"%FileParentDir(1)", u"Album/Disc 2"},
      {u"/Music/Album/DISK2/01.mp3", u"%FileParentDir(1)", u"Album/DISK2"},
      {u"/Music/Album/CD2/01.mp3", u"%FileDir", u"/Music/Album/CD2"},
      {u"/a/b.mp3", u"%FileName(1)", u"b.mp3"},
      {u"/a/b.mp3", u"%FileName", u"b"},
      {u"/a/b.mp3", u"%F(x)", u"b"},
      {u"/a/b.mp3", u"%FileName(0)", u"/a/b.mp3"},
      {u"/a/b.mp3", u"%FileFormat %E", u"MP3 MP3"},
      {u"http://radio.example.com/live", u"%FileName", u"http://radio.example.com/live"},
      {u"http://radio.example.com/live", u"%FileFormat", u""},
      // Dates that cannot be read give nothing.
      {u"/no/such/file.mp3", u"%FileCreatedDate|%tm", u"|"},
  };
  for (const Case& c : cases) {
    Info->SetFileName(c.FileName);
    EXPECT_EQ(Eval(c.Template), c.Expected) << StringToUTF8(c.Template) << " " << StringToUTF8(c.FileName);
  }
  // With the flag, FileDir behaves as FileParentDir.
  Info->SetFileName(u"/Music/Album/CD2/01.mp3");
  Context->Flags |= zfcfFileDirAsParentDir;
  EXPECT_EQ(Eval(u"%FileDir"), u"Album/CD2");
  // A file in the root of a mount point shows the drive's display name.
  Info->SetFileName(u"/01.mp3");
  const String root = Eval(u"%FileParentDir(1)");
  EXPECT_FALSE(root.empty());
  EXPECT_EQ(Eval(u"%FileDir"), root);
}

TEST_F(FileInfoTemplates, PreviewRecord) {
  TZBLFileInfoPreview* preview = TZBLFileInfoPreview::Instance();
  EXPECT_EQ(preview, TZBLFileInfoPreview::Instance());
  TZCLFormatString* t = F->CompileTemplate(u"%Artist - %Title [%Duration, %Bitrate, %FileName(1)] %FileCreatedDate");
  Context->Setup(preview);
  EXPECT_EQ(VarToStr(t->Evaluate(Context)), u"Artist - Title [5:20, 256 kbps, DemoTrack.mp3] 2006.08.08");
  Free(t);
  EXPECT_EQ(preview->GetFileSize(), 256 * 320000 / 8 + 4096);
}

TEST(FileInfoFormatter, DiscFolderNames) {
  const std::pair<const char16_t*, bool> cases[] = {
      {u"CD1", true},   {u"CD\uff12", true}, {u"cd2", false},  {u"CD", false},    {u"CDX", false},    {u"Disc 2", true},
      {u"disk2", true}, {u"DISC  9", true},  {u"Disc", false}, {u"Disco", false}, {u"Dist 2", false},
  };
  for (const auto& [name, disc] : cases)
    EXPECT_EQ(TZBLFileInfoFormatStringFactory::IsDiscFolderName(name), disc) << StringToUTF8(name);
}

TEST(FileInfoFormatter, FileDates) {
  EXPECT_EQ(ZBLFormatFileDate(u"yyyy.MM.dd", 0), u"");
  EXPECT_EQ(ZBLFormatFileDate(u"yyyy.MM.dd", -5), u"");
  EXPECT_EQ(ZBLFormatFileDate(u"yyyy.MM.dd", EncodeDateTime(2021, 12, 31, 8, 26, 13, 0)), u"2021.12.31");
}
