#include "os/OS.Shell.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "os/OS.Environment.h"
#include "os/OS.Files.h"
#include "support/TestSupport.h"

namespace {

TEST(Shell, TrashKeepsTheFileAndRecordsWhereItCameFrom) {
  std::string home = TempDir();
  std::string old = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
  setenv("XDG_DATA_HOME", (home + "/data").c_str(), 1);
  String file = UTF8ToString(home) + u"/my skin #1.xml";
  std::ofstream(StringToUTF8(file)) << "content";
  ASSERT_TRUE(MoveToTrash(file));
  EXPECT_FALSE(FileExists(file));
  String trash = GetUserFolder(TUserFolder::LocalAppData) + u"Trash/";
  EXPECT_TRUE(FileExists(trash + u"files/my skin #1.xml"));
  std::ifstream info(StringToUTF8(trash + u"info/my skin #1.xml.trashinfo"));
  std::stringstream text;
  text << info.rdbuf();
  EXPECT_NE(text.str().find("[Trash Info]\nPath="), std::string::npos);
  EXPECT_NE(text.str().find("my%20skin%20%231.xml\nDeletionDate="), std::string::npos);
  // A second file of the same name gets a name of its own.
  std::ofstream(StringToUTF8(file)) << "second";
  ASSERT_TRUE(MoveToTrash(file));
  EXPECT_TRUE(FileExists(trash + u"files/my skin #1.xml.2"));
  EXPECT_FALSE(MoveToTrash(file));  // gone
  if (old.empty()) unsetenv("XDG_DATA_HOME");
  else setenv("XDG_DATA_HOME", old.c_str(), 1);
}

TEST(Shell, ProgramsRunWithArgumentsAndExitCodes) {
  int code = 0;
  ASSERT_TRUE(RunProgram(u"/bin/sh", {u"-c", u"exit 3"}, u"", true, &code));
  EXPECT_EQ(code, 3);
  String dir = UTF8ToString(TempDir());
  ASSERT_TRUE(RunProgram(u"sh", {u"-c", u"pwd > out.txt"}, dir, true, &code));
  EXPECT_EQ(code, 0);
  EXPECT_TRUE(FileExists(dir + u"/out.txt"));
  EXPECT_FALSE(RunProgram(u"/no/such/program", {}, u"", true, &code));
}

TEST(Shell, CommandLineSplitting) {
  struct {
    const char16_t* text;
    std::vector<String> args;
  } cases[] = {
      {u"a b  c", {u"a", u"b", u"c"}},
      {u"\"C:\\Program Files\\x.exe\" /DEBUG", {u"C:\\Program Files\\x.exe", u"/DEBUG"}},
      {u"\"\" x", {u"", u"x"}},
      {u"say \"he said \\\"hi\\\"\"", {u"say", u"he said \"hi\""}},
      {u"   ", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.text), c.args) << StringToUTF8(c.text);
}

TEST(Shell, UnavailableServicesReportFailure) {
  EXPECT_FALSE(CreateShellLink(u"/tmp/x.lnk", u"/bin/sh", u"", u""));
  EXPECT_FALSE(ExitSystem(false));
}

}  // namespace
