#include <gtest/gtest.h>

#include <fstream>

#include "os/OS.Environment.h"
#include "os/OS.Files.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zeph/core/ZEPH.Core.Config.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"
#include "zeph/core/ZEPH.Core.TestUtil.h"
#include "zeph/core/ZEPH.Core.h"

namespace {
String ReadText(const String& FileName) {
  std::ifstream in(StringToUTF8(FileName), std::ios::binary);
  return UTF8ToString(std::string(std::istreambuf_iterator<char>(in), {}));
}

// Opens an INI file as the program does and writes it back when it goes.
struct TIni {
  explicit TIni(const String& FileName) : Ini(Create<TZCLIniFile>(FileName)) {}
  ~TIni() {
    Ini->UpdateFile();
    Free(Ini);
  }
  TZCLIniFile* operator->() const { return Ini; }
  TZCLIniFile* Ini;
};

void WriteGlobal(const String& Program, StringView Key, const String& Value) {
  TIni(Program + u"ZEPH.ini")->WriteString(u"System", String(Key), Value);
}

void Touch(const String& FileName) { std::ofstream(StringToUTF8(FileName)) << "[File]\n"; }

// Each test starts the core afresh in a program folder of its own and leaves a running core.
class ZephCoreConfig : public ::testing::Test {
 protected:
  void SetUp() override { FProgram = NewTestFolder("program"); }
  void TearDown() override {
    SetEnvironmentVariable(u"XDG_CONFIG_HOME", FSavedConfigHome);
    detail::SetShellLauncher(nullptr);
    RestartCore(NewTestFolder("program"));
  }
  String FProgram;
  String FSavedConfigHome = GetEnvironmentVariable(u"XDG_CONFIG_HOME");
};
}  // namespace

TEST_F(ZephCoreConfig, FreshStartBesideTheProgramWithTheEditorsFolders) {
  RestartCore(FProgram);
  const String profile = FProgram + u"Profile/";
  EXPECT_EQ(CoreConfigGetPath(0), profile);
  for (Integer kind : {7, 8, 100}) EXPECT_EQ(CoreConfigGetPath(kind), profile);
  EXPECT_EQ(CoreConfigGetPath(ZEPH_PATH_LANGS), FProgram + u"Langs/");
  EXPECT_EQ(CoreConfigGetPath(ZEPH_PATH_PLAYLISTS), profile + u"PLS/");
  for (const char16_t* made : {u"Profile", u"Langs", u"Help"}) EXPECT_TRUE(DirectoryExists(FProgram + made));
  for (const char16_t* absent : {u"Profile/PLS", u"Profile/Skins", u"Plugins"})
    EXPECT_FALSE(DirectoryExists(FProgram + absent));

  String id;
  {
    TIni global(FProgram + u"ZEPH.ini");
    EXPECT_EQ(global->ReadInteger(u"System", u"Build", 0), 1430);
    EXPECT_EQ(global->ReadInteger(u"System", u"Version", 0), 5400);
    id = global->ReadString(u"System", u"ID", u"");
  }
  EXPECT_EQ(id.size(), 38u);

  // The configuration file is named by the executable and written when the core stops.
  EXPECT_EQ(CoreConfigGetIniFile()->GetFileName(), profile + CoreExecutableBaseName() + u".ini");
  CoreConfigGetIniFile()->WriteString(u"SkinEditor", u"Zoom", u"150");
  RestartCore(FProgram);
  EXPECT_EQ(CoreConfigGetIniFile()->ReadString(u"SkinEditor", u"Zoom", u""), u"150");
  EXPECT_EQ(TIni(FProgram + u"ZEPH.ini")->ReadString(u"System", u"ID", u""), id);
}

TEST_F(ZephCoreConfig, UserModePutsTheProfileInTheRoamingFolder) {
  const String roaming = NewTestFolder("roaming");
  SetEnvironmentVariable(u"XDG_CONFIG_HOME", roaming);
  WriteGlobal(FProgram, u"UserMode", u"1");
  RestartCore(FProgram);
  EXPECT_TRUE(CoreIsUserMode());
  EXPECT_EQ(CoreConfigGetPath(0), roaming + u"ZEPH/");
  EXPECT_TRUE(DirectoryExists(roaming + u"ZEPH"));
}

TEST_F(ZephCoreConfig, PathsRaiseBeforeStartUp) {
  CoreFinalize();
  EXPECT_THROW(CoreConfigGetPath(0), Exception);
  EXPECT_THROW(CoreConfigGetIniFile(), Exception);
  IPtr<IZEPHString> path;
  EXPECT_THROW(TZEPHCore::Instance()->GetPath(0, path), Exception);
}

TEST_F(ZephCoreConfig, LanguageFileFallsBackStepByStep) {
  ForceDirectories(FProgram + u"Langs");
  Touch(FProgram + u"Langs/English.lng");
  Touch(FProgram + u"Langs/Deutsch.lng");
  WriteGlobal(FProgram, u"DefaultLang", u"Deutsch.lng");
  RestartCore(FProgram);
  EXPECT_EQ(LangFile()->GetShortFileName(), u"Deutsch.lng");
  // The chosen file is remembered in both places.
  EXPECT_EQ(CoreConfigGetIniFile()->ReadString(u"System", u"LangFile", u""), u"Deutsch.lng");

  // A remembered file that is gone falls back to DefaultLang, a missing DefaultLang to English.
  CoreConfigGetIniFile()->WriteString(u"System", u"LangFile", u"Gone.lng");
  RestartCore(FProgram);
  EXPECT_EQ(LangFile()->GetShortFileName(), u"Deutsch.lng");
  DeleteFile(FProgram + u"Langs/Deutsch.lng");
  RestartCore(FProgram);
  EXPECT_EQ(LangFile()->GetShortFileName(), u"English.lng");
}

TEST_F(ZephCoreConfig, DebugLogKeepsItsFirstLines) {
  WriteGlobal(FProgram, u"Debug", u"1");
  RestartCore(FProgram);
  EXPECT_TRUE(CoreIsDebugMode());
  const String log = ReadText(CoreLogFileName());
  EXPECT_NE(log.find(u"Initializing"), String::npos);
  EXPECT_NE(log.find(u"Initialized"), String::npos);
  EXPECT_NE(log.find(u"v5.40.1430"), String::npos);
}

TEST_F(ZephCoreConfig, ResetOfTheProfileWritesItThenTrashesItAndStartsAgain) {
  const String data = NewTestFolder("data");
  const String savedData = GetEnvironmentVariable(u"XDG_DATA_HOME");
  SetEnvironmentVariable(u"XDG_DATA_HOME", data);
  String launched, parameters;
  detail::SetShellLauncher([&](const String& FileName, const String& Params) {
    launched = FileName;
    parameters = Params;
    return true;
  });
  RestartCore(FProgram);
  CoreRestart(u"/SKIN_APPLY=x");
  RestartCore(FProgram);
  EXPECT_EQ(parameters, u"/SKIN_APPLY=x");
  EXPECT_FALSE(launched.empty());

  launched.clear();
  CoreResetAndRestart(true);
  CoreFinalize();
  EXPECT_FALSE(DirectoryExists(FProgram + u"Profile"));
  EXPECT_FALSE(launched.empty());
  EXPECT_TRUE(DirectoryExists(data + u"Trash/files"));
  SetEnvironmentVariable(u"XDG_DATA_HOME", savedData);
}

namespace {
// Records the configuration file a settings reset was given.
class TResetHook : public TInterfacedObject, public IZEPHCoreSettingsResetHook {
  ZCL_CLASS(TResetHook, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHCoreSettingsResetHook)
 public:
  void Reset(TZCLSyncSafeIniFile* Config) override { FileName = Config->GetFileName(); }
  String FileName;
};
}  // namespace

TEST_F(ZephCoreConfig, SettingsResetCallsTheHookWithTheConfigurationAndKeepsTheProfile) {
  detail::SetShellLauncher([](const String&, const String&) { return true; });
  RestartCore(FProgram);
  EXPECT_EQ(CoreGetHelpFileName(), FProgram + u"Help/ZEPH-en.chm");
  IPtr<TResetHook> hook(Create<TResetHook>());
  CoreSetSettingsResetHook(IPtr<IZEPHCoreSettingsResetHook>(hook.get()));
  CoreResetAndRestart(false);
  CoreFinalize();
  CoreSetSettingsResetHook(nullptr);
  EXPECT_EQ(hook->FileName, FProgram + u"Profile/" + CoreExecutableBaseName() + u".ini");
  EXPECT_TRUE(DirectoryExists(FProgram + u"Profile"));
}

TEST(ZephCoreAtom, SecondHolderOfANameGetsNoHandle) {
  TZEPHCoreAtom first(u"TZEPHCoreAtom:ZEPHTESTATOM");
  TZEPHCoreAtom second(u"TZEPHCoreAtom:ZEPHTESTATOM");
  EXPECT_TRUE(first.HasHandle());
  EXPECT_FALSE(second.HasHandle());
}
