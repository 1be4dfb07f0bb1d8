#include <gtest/gtest.h>

#include <fstream>
#include <vector>

#include "rtl/RTL.Streams.h"
#include "rtl/RTL.StringList.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.Imaging.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Utils.Encodings.h"

namespace {

class TMUIPhaseListener : public TInterfacedObject, public IZCLLocalizationListener2, public IZCLLocalizationListener3 {
  RTL_INTERFACES(TInterfacedObject, IZCLLocalizationListener2, IZCLLocalizationListener3)
 public:
  explicit TMUIPhaseListener(std::vector<String>& ALog) : Log(ALog) {}
  void LanguageLoaded() override {
    Log.push_back(u"loaded");
    LangFile()->MergeDefaultsFromResource(nullptr, u"DEFAULT_LANGLINKS", u"RCDATA");
  }
  void LanguageChanging() override { Log.push_back(u"changing"); }
  void LanguageChanged() override { Log.push_back(u"changed"); }
  std::vector<String>& Log;
};

// Hears only the final phase, and leaves the list while it is told.
class TMUIFinalListener : public TInterfacedObject, public IZCLLocalizationListener {
  RTL_INTERFACES(TInterfacedObject, IZCLLocalizationListener)
 public:
  explicit TMUIFinalListener(std::vector<String>& ALog) : Log(ALog) {}
  void LanguageChanged() override {
    Log.push_back(u"final");
    LangRemoveListener(IPtr<IInterface>(static_cast<IZCLLocalizationListener*>(this)));
  }
  std::vector<String>& Log;
};

class MUITest : public ::testing::Test {
 protected:
  void SetUp() override {
    FSavedFolder = GetLangsFolder();
    FSavedCodePage = zcDefaultCodePage;
    Folder = UTF8ToString(TempDir()) + u"/";
    SetLangsFolder(Folder);
    Reset();
  }
  void TearDown() override {
    Reset();
    SetLangsFolder(FSavedFolder);
    zcDefaultCodePage = FSavedCodePage;
  }
  static void Reset() {
    LangFile()->Clear();
    LangFile()->SetFileName(String());
  }
  void Write(const String& Name, const std::string& Text) const {
    std::ofstream(StringToUTF8(Folder + Name), std::ios::binary) << Text;
  }
  void WriteEnglish() const { Write(u"English.lng", "[MSG]\n1=One\n3=Three\n69=Apply\n[Extra]\nK=V\n"); }

  String Folder;

 private:
  String FSavedFolder;
  Integer FSavedCodePage = 0;
};

TEST_F(MUITest, PartsAndSubSections) {
  struct TCase {
    String Text;
    Integer Index;
    String Expected;
  };
  for (const TCase& c : {TCase{u"a|b|c", 1, u"b"}, TCase{u"a|b|c", 2, u"c"}, TCase{u"abc", 0, u"abc"},
                         TCase{u"a|b|c", 3, u""}, TCase{u"a||c", 1, u""}, TCase{u"", 0, u""}}) {
    SCOPED_TRACE(StringToUTF8(c.Text));
    EXPECT_EQ(LangExtractPart(c.Text, c.Index), c.Expected);
  }
  EXPECT_EQ(LangSubSection(u"Options", u"RG3"), u"Options.RG3");
  EXPECT_EQ(LangSubSection(u"Options", u""), u"Options");
}

TEST_F(MUITest, LoadedFileIsCompletedFromEnglishAndDecodesLineBreaks) {
  WriteEnglish();
  Write(u"German.lng",
        "[File]\nName=Deutsch\nLangId=1031\nANSICP=1251\n[MSG]\n1=Eins|Zwei\n2=Zeile\\nUmbruch\n[Main]\nTitle=Hallo\n");
  LangFile()->LoadFromFile(u"German.lng");

  EXPECT_EQ(LangFile()->GetFileName(), Folder + u"German.lng");
  EXPECT_EQ(LangFile()->GetShortFileName(), u"German.lng");
  EXPECT_EQ(LangFile()->GetLangId(), 1031);
  EXPECT_EQ(LangGetMsg(1), u"Eins|Zwei");  // its own key is kept
  EXPECT_EQ(LangGetMsgPart(1, 1), u"Zwei");
  EXPECT_EQ(LangGetMsg(2), u"Zeile\r\nUmbruch");
  EXPECT_EQ(LangGetMsg(3), u"Three");  // the English key it lacked
  EXPECT_EQ(LangGetMsg(4), u"");
  EXPECT_EQ(LangGet(u"Extra", u"K", u"-"), u"V");
  EXPECT_EQ(LangGet(u"Main", u"None", u"-"), u"-");
  EXPECT_EQ(zcDefaultCodePage.load(), 1251);
}

TEST_F(MUITest, CompleteFilesAreNotMerged) {
  WriteEnglish();
  Write(u"russian.LNG", "[MSG]\n1=Odin\n");
  LangFile()->LoadFromFile(u"russian.LNG");
  EXPECT_EQ(LangGetMsg(1), u"Odin");
  EXPECT_FALSE(LangFile()->ExistsKey(u"MSG", u"3"));
  EXPECT_FALSE(LangFile()->ExistsSection(u"Extra"));
}

// A code page the converters do not know would empty every 8-bit text: it counts as the system's.
TEST_F(MUITest, AnsiCodePageOnlyFromUsableValues) {
  struct TCase {
    const char* Header;
    Integer Expected;
  };
  for (const TCase& c : {TCase{"ANSICP=1250\n", 1250}, TCase{"ANSICP=0\n", 0}, TCase{"", 0}, TCase{"ANSICP=99999\n", 0},
                         TCase{"ANSICP=-3\n", 0}, TCase{"ANSICP=abc\n", 0}}) {
    SCOPED_TRACE(c.Header);
    zcDefaultCodePage = 1252;
    Write(u"X.lng", std::string("[File]\n") + c.Header);
    LangFile()->LoadFromFile(u"X.lng");
    EXPECT_EQ(zcDefaultCodePage.load(), c.Expected);
  }
}

TEST_F(MUITest, ListenersHearThreePhasesAndDefaultLinksAreMerged) {
  WriteEnglish();
  Write(u"French.lng", "[MSG]\n69=Appliquer\n[CommonDialogs]\nL1=Dossier\n");
  std::vector<String> log;
  IPtr<IInterface> phases(static_cast<IZCLLocalizationListener2*>(Create<TMUIPhaseListener>(log)));
  IPtr<IInterface> last(static_cast<IZCLLocalizationListener*>(Create<TMUIFinalListener>(log)));
  LangAddListener(phases);
  LangAddListener(last);

  LangFile()->LoadFromFile(u"French.lng");
  EXPECT_EQ(log, (std::vector<String>{u"loaded", u"changing", u"changed", u"final"}));
  EXPECT_EQ(LangGet(u"CommonDialogs", u"B4", u""), u"Appliquer");

  // A file that cannot be opened empties the language under its name and tells nobody.
  log.clear();
  LangFile()->LoadFromFile(u"Missing.lng");
  EXPECT_TRUE(LangFile()->IsEmpty());
  EXPECT_EQ(LangFile()->GetShortFileName(), u"Missing.lng");
  EXPECT_TRUE(log.empty());

  // The final listener left during the first load.
  LangFile()->LoadFromFile(u"French.lng");
  EXPECT_EQ(log, (std::vector<String>{u"loaded", u"changing", u"changed"}));
  LangRemoveListener(phases);
  EXPECT_EQ(LangFile()->GetListeners()->Count(), 0);
}

TEST_F(MUITest, MergeDefaultsFillsOnlyMissingKeys) {
  LangFile()->LoadFromText(u"[MSG]\n69=Apply\n[CommonDialogs]\nL1=Folder\nB3=Own\nM=a\\nb\n");
  TZCLIniFile* defaults = TZCLIniFile::CreateInMemory();
  defaults->LoadFromText(
      u"[CommonDialogs]\nB3=$MSG>69\nB4=$MSG>69\nC1=$L1\nC2=$Nothing\nC3=$\nC4=$>L1\nC5=$M\n"
      u"[New]\nN=$CommonDialogs>L1\n");
  LangFile()->MergeDefaults(defaults);
  Free(defaults);

  struct TCase {
    String Section, Key, Expected;
  };
  for (const TCase& c : {TCase{u"CommonDialogs", u"B3", u"Own"}, TCase{u"CommonDialogs", u"B4", u"Apply"},
                         TCase{u"CommonDialogs", u"C1", u"Folder"}, TCase{u"CommonDialogs", u"C2", u""},
                         TCase{u"CommonDialogs", u"C3", u""}, TCase{u"CommonDialogs", u"C4", u""},
                         TCase{u"CommonDialogs", u"C5", u"a\r\nb"}, TCase{u"New", u"N", u"Folder"}}) {
    SCOPED_TRACE(StringToUTF8(c.Key));
    EXPECT_TRUE(LangFile()->ExistsKey(c.Section, c.Key));
    EXPECT_EQ(LangGet(c.Section, c.Key, u"-"), c.Expected);
  }
}

TEST_F(MUITest, ExpandLinks) {
  LangFile()->LoadFromText(u"[MSG]\n5=Five\n[Dlg]\nTitle=Head\n=Nameless\n");
  struct TCase {
    String Text, Expected;
  };
  for (const TCase& c : {TCase{u"plain", u"plain"}, TCase{u"<@Lng:MSG\\5;>", u"<Five>"},
                         TCase{u"@Lng:Title; and @Lng:MSG\\5;", u"Head and Five"},
                         TCase{u"x @Lng:Title", u"x @Lng:Title"}, TCase{u"@Lng:Title;@Lng:Open", u"Head@Lng:Open"},
                         TCase{u"[@Lng:Missing;]", u"[]"}, TCase{u"[@Lng:;]", u"[]"}}) {
    SCOPED_TRACE(StringToUTF8(c.Text));
    EXPECT_EQ(LangExpandLinks(c.Text, u"Dlg"), c.Expected);
  }
}

TEST_F(MUITest, ApplyToItemsChangesOnlyLinesWithKeys) {
  LangFile()->LoadFromText(u"[Options.RG3]\ni[0]=Null\ni[2]=Zwei\ni[9]=Neun\n");
  TStringList lines;
  for (const Char* s : {u"zero", u"one", u"two", u"three"}) lines.Add(s);
  LangApplyToItems(LangSubSection(u"Options", u"RG3"), &lines);
  EXPECT_EQ(lines.GetCount(), 4);
  EXPECT_EQ(lines.GetStrings(0), u"Null");
  EXPECT_EQ(lines.GetStrings(1), u"one");
  EXPECT_EQ(lines.GetStrings(2), u"Zwei");
  EXPECT_EQ(lines.GetStrings(3), u"three");
}

TEST_F(MUITest, FilesAndTheUsersLanguage) {
  Write(u"b.lng", "[File]\nLangId=1031\n");
  Write(u"a.lng", "[File]\nLangId=1031\n");
  Write(u"c.lng", "[File]\nLangId=2055\n");  // same primary language, another sub-language
  Write(u"nohead.lng", "[MSG]\n1=x\n");
  Write(u"readme.txt", "[File]\nLangId=1031\n");

  TZCLStringList files;
  LangGetFiles(&files);
  ASSERT_EQ(files.GetCount(), 4);
  EXPECT_EQ(files.GetStrings(0), Folder + u"a.lng");
  EXPECT_EQ(files.GetStrings(3), Folder + u"nohead.lng");

  EXPECT_EQ(detail::LangFindDefaultFile(1031), u"b.lng");  // the later exact match
  EXPECT_EQ(detail::LangFindDefaultFile(2055), u"c.lng");
  EXPECT_EQ(detail::LangFindDefaultFile(3079), u"c.lng");  // primary match only
  EXPECT_EQ(detail::LangFindDefaultFile(1049), u"");
  EXPECT_EQ(detail::LangFindDefaultFile(0), u"");  // unknown: a file without a header fits nothing
}

TEST_F(MUITest, InfoReadsTheHeaderAndIcon) {
  TIcon source;
  TBitmap image;
  image.SetSize(16, 16);
  source.AddImage(&image);
  TMemoryStream iconBytes;
  source.SaveToStream(iconBytes);
  iconBytes.SetPosition(0);
  TZCLIniFile* ini = TZCLIniFile::CreateInMemory();
  ini->LoadFromText(u"[File]\nAuthor=Ann\nLangId=1036\nName=Francais\nVersionId=7\n");
  ini->WriteStream(u"File", u"Icon", &iconBytes);
  ini->SaveToFile(Folder + u"French.lng");
  ini->WriteString(u"File", u"Icon", u"zz12");
  ini->SaveToFile(Folder + u"Broken.lng");
  Free(ini);

  TZCLLocalizationInfo info;
  TIcon icon;
  EXPECT_TRUE(LangGetInfo(Folder + u"French.lng", info, &icon));
  EXPECT_EQ(info.Author, u"Ann");
  EXPECT_EQ(info.LangId, 1036);
  EXPECT_EQ(info.Name, u"Francais");
  EXPECT_EQ(info.VersionId, 7);
  EXPECT_EQ(icon.GetWidth(), 16);

  EXPECT_TRUE(LangGetInfo(Folder + u"Broken.lng", info, &icon));
  EXPECT_TRUE(icon.GetEmpty());

  info = TZCLLocalizationInfo{u"x", 5, u"y", 6};
  EXPECT_TRUE(LangGetInfo(Folder + u"Absent.lng", info));
  EXPECT_EQ(info.Author, u"");
  EXPECT_EQ(info.LangId, 0);
}

}  // namespace
