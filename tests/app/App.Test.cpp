// The program's start: its command line, its debug log, and whole runs of zephse on the
// headless backend and without a display.
#include <gtest/gtest.h>

#include "app/App.Startup.h"
#include "app/ZephseProcess.h"
#include "os/OS.Files.h"
#include "os/OS.Units.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/base/ZCL.Utils.Logger.h"

void ZephseTestSetup() {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  InstallHeadlessBackend(THeadlessConfig::Single(96));
  InitializeUnits(VclUnits());
  InitializeUnits(ZclBaseUnits());
}

namespace {

// Asks the program to close its main form as soon as its message loop runs (read by main only
// for these tests).
const std::string CloseAtStart = "ZEPHSE_TEST_CLOSE_AT_START=1";

TEST(StartOptions, FileAndDebugSwitch) {
  struct TCase {
    const char16_t* Params;
    const char16_t* FileName;
    bool Debug;
  };
  const TCase cases[] = {
      {u"", u"", false},
      {u"skin.zsk", u"skin.zsk", false},
      {u"\"/home/me/my skins/a.zsk\"", u"/home/me/my skins/a.zsk", false},
      {u"skin.zsk /DEBUG", u"skin.zsk", true},
      {u"/debug=1 skin.zsk", u"skin.zsk", true},
      {u"/debug skin.zsk", u"", true},  // a switch's parameter
      {u"-Debug", u"", true},
      {u"/debug=1", u"", true},
      {u"/debugger", u"", false},
      {u"/other=a.zsk", u"", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(StringToUTF8(c.Params));
    const TEditorStartOptions options = ParseStartOptions(c.Params);
    EXPECT_EQ(StringToUTF8(options.FileName), StringToUTF8(c.FileName));
    EXPECT_EQ(options.Debug, c.Debug);
  }
}

TEST(StartOptions, DebugLogBesideTheProgramInProfile) {
  EXPECT_EQ(DebugLogFileName(u"/opt/zephse/bin/zephse"), u"/opt/zephse/bin/Profile/zephse.log");

  const String log = UTF8ToString(TempDir()) + u"/bin/Profile/zephse.log";
  ASSERT_TRUE(StartDebugLog(log));
  EXPECT_TRUE(DirectoryExists(ExtractFilePath(log)));
  EXPECT_EQ(DefaultLogFile(), log);
  SetDefaultLogFile(u"");

  // A folder that cannot be made leaves the log off.
  EXPECT_FALSE(StartDebugLog(u"/proc/zephse-none/Profile/zephse.log"));
  EXPECT_EQ(DefaultLogFile(), u"");
}

TEST(Program, HeadlessRunClosesItsMainFormAndExitsCleanly) {
  TZephseProcess zephse;
  EXPECT_EQ(zephse.Run({}, {"ZEPHSE_BACKEND=headless", CloseAtStart}), 0) << zephse.Stderr;
  EXPECT_EQ(zephse.Stderr, "");

  // A file to open and the debug switch: the log's folder is made beside the program.
  TZephseProcess debug;
  EXPECT_EQ(debug.Run({TempDir() + "/my skin.zsk", "/DEBUG"}, {"ZEPHSE_BACKEND=headless", CloseAtStart}), 0)
      << debug.Stderr;
  EXPECT_TRUE(DirectoryExists(ExtractFilePath(DebugLogFileName(UTF8ToString(ZEPHSE_PROGRAM)))));
}

TEST(Program, WithoutADisplaySaysSoAndFails) {
  struct TCase {
    std::vector<std::string> Set;
    const char* Says;
  };
  const TCase cases[] = {
      {{}, "zephse: no display available"},
      {{"ZEPHSE_BACKEND=none"}, "zephse: unknown ZEPHSE_BACKEND value \"none\""},
      {{"ZEPHSE_BACKEND=sdl", "DISPLAY=:none"}, "zephse: cannot open the display :none"},
  };
  for (const TCase& c : cases) {
    TZephseProcess zephse;
    EXPECT_EQ(zephse.Run({}, c.Set, {"DISPLAY", "WAYLAND_DISPLAY", "ZEPHSE_BACKEND"}), 1);
    EXPECT_NE(zephse.Stderr.find(c.Says), std::string::npos) << zephse.Stderr;
  }
}

}  // namespace
