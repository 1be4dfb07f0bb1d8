#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "os/OS.System.h"
#include "rtl/RTL.Exceptions.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Threading.Pool.h"
#include "zcl/base/ZCL.Utils.CommandLine.h"
#include "zcl/base/ZCL.Utils.Logger.h"

namespace {

namespace fs = std::filesystem;

class LoggerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::path(TempDir()) / ("zcl-logger-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(FDir);
    fs::create_directories(FDir);
    FLog = UTF8ToString((FDir / "debug.log").string());
  }
  void TearDown() override {
    SetDefaultLogFile(String());
    fs::remove_all(FDir);
  }
  std::string Contents() const {
    std::ifstream in(StringToUTF8(FLog), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines;
    const std::string text = Contents();
    size_t start = 0, end;
    while ((end = text.find("\r\n", start)) != std::string::npos) {
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "the log ends with CR LF";
    return lines;
  }
  fs::path FDir;
  String FLog;
};

// "<thread>\t<yyyy.MM.dd hh:mm:ss.zzz>\t<level><tag>:\t<text>", with any time separator.
const std::regex kLine(R"(([^\t]+)\t\d{4}\.\d\d\.\d\d \d\d\D\d\d\D\d\d\.\d{3}\t([DE])/([^:\t]*):\t(.*))");

TEST_F(LoggerTest, WritesOneUtf8LinePerEntry) {
  LogWrite(FLog, u"Core", u"started \u00E9");
  LogWriteFormat(FLog, u"Core", u"%d files", {3}, TZCLLogLevel::Error);
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 2u);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[0], m, kLine)) << lines[0];
  EXPECT_EQ(m[1], "Main");
  EXPECT_EQ(m[2], "D");
  EXPECT_EQ(m[3], "Core");
  EXPECT_EQ(m[4], "started \xC3\xA9");
  ASSERT_TRUE(std::regex_match(lines[1], m, kLine)) << lines[1];
  EXPECT_EQ(m[2], "E");
  EXPECT_EQ(m[4], "3 files");
}

TEST_F(LoggerTest, NothingHappensWithoutAFileOrWithABadFormat) {
  EXPECT_NO_THROW(LogWrite(String(), u"Core", u"x"));
  EXPECT_NO_THROW(LogWriteFormat(String(), u"Core", u"%d", {1}));
  EXPECT_NO_THROW(LogWriteException(String(), u"Core", EConvertError(u"x")));
  EXPECT_NO_THROW(LogWriteFormat(FLog, u"Core", u"%d %s", {u"not a number"}));
  EXPECT_FALSE(fs::exists(StringToUTF8(FLog)) && !Contents().empty());
  // A log that cannot be opened loses the entry silently.
  EXPECT_NO_THROW(LogWrite(UTF8ToString((FDir / "missing" / "x.log").string()), u"Core", u"x"));
}

TEST_F(LoggerTest, ThreadLabels) {
  EXPECT_EQ(TZCLLogFile::ThreadLabel(12, false), u"thread-  12");
  EXPECT_EQ(TZCLLogFile::ThreadLabel(123456, false), u"thread-123456");
  EXPECT_EQ(TZCLLogFile::ThreadLabel(5, true), u"Main");
  std::thread([&] { LogWrite(FLog, u"Worker", u"w"); }).join();
  std::smatch m;
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 1u);
  ASSERT_TRUE(std::regex_match(lines[0], m, kLine));
  EXPECT_TRUE(std::regex_match(m[1].str(), std::regex(R"(thread-[ \d]{4,})"))) << m[1];
}

TEST_F(LoggerTest, ExceptionEntries) {
  LogWriteEntry(FLog, u"Core", u"EFoo", u"went wrong", u"");
  LogWriteEntry(FLog, u"Core", u"EFoo", u"went wrong", u"#0 main\n#1 start", u"Loading", u"skin.xml");
  const std::string dashes(74, '-');
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 5u);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[0], m, kLine));
  EXPECT_EQ(m[2], "E");
  EXPECT_EQ(m[4], "[EFoo] went wrong");
  ASSERT_TRUE(std::regex_match(lines[1], m, kLine));
  EXPECT_EQ(m[4], "Loading: [EFoo] went wrong at skin.xml");
  EXPECT_EQ(lines[2], dashes);
  EXPECT_EQ(lines[3], "#0 main\n#1 start");
  EXPECT_EQ(lines[4], dashes);

  LogWriteException(FLog, u"Core", EConvertError(u"bad"), u"ctx");
  EXPECT_NE(Contents().find("ctx: [EConvertError] bad"), std::string::npos);
}

TEST_F(LoggerTest, OversizedLogIsDeletedAtStart) {
  struct Case {
    std::uintmax_t Size;
    bool Survives;
  } cases[] = {{1048576, true}, {1048577, false}};
  for (const Case& c : cases) {
    { std::ofstream(StringToUTF8(FLog), std::ios::binary) << std::string(c.Size, 'x'); }
    SetDefaultLogFile(FLog, 1048576);
    EXPECT_EQ(DefaultLogFile(), FLog);
    EXPECT_EQ(fs::exists(StringToUTF8(FLog)), c.Survives) << c.Size;
    fs::remove(StringToUTF8(FLog));
  }
}

TEST_F(LoggerTest, ConcurrentEntriesNeverInterleave) {
  std::vector<std::thread> threads;
  const std::string payload(300, 'p');
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i) LogWriteEntry(FLog, u"T", u"E", UTF8ToString(std::to_string(t) + payload), u"trace");
    });
  for (auto& thread : threads) thread.join();
  const auto lines = Lines();
  ASSERT_EQ(lines.size(), 4u * 50u * 4u);
  for (size_t i = 0; i < lines.size(); i += 4) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[i], m, kLine)) << i;
    EXPECT_EQ(m[4].str().size(), 4 + 1 + payload.size());
    EXPECT_EQ(lines[i + 2], "trace");
  }
}

TEST_F(LoggerTest, TaskPoolAndCommandLineLogUnderTheirTags) {
  SetDefaultLogFile(FLog);
  const TObjHandle handle =
      TaskDispatcher()->Run([](const TZCLTaskCancelCallback&) { throw EConvertError(u"task failed"); });
  TaskDispatcher()->WaitFor(handle);
  const std::string afterTask = Contents();
  EXPECT_NE(afterTask.find("E/ThreadPool:\t[EConvertError] task failed\r\n"), std::string::npos) << afterTask;

  EXPECT_EQ(TZCLCommandLineProcessor::GetParams(u"\"/usr/bin/zephse\" /debug"), u"/debug");
  EXPECT_TRUE(TZCLCommandLineProcessor::HasCommand(u"a.zsk", u"x") == false);
  const std::string text = Contents();
  EXPECT_NE(text.find("D/CmdLine:\tGetParams(\"\"/usr/bin/zephse\" /debug\")->\"/debug\"\r\n"), std::string::npos)
      << text;
  EXPECT_NE(text.find("D/CmdLine:\tPutParam: \"a.zsk\"\r\n"), std::string::npos) << text;
}

TEST_F(LoggerTest, CrashReportIsLoggedUnderApp) {
  SetDefaultLogFile(FLog);
  EXPECT_DEATH(
      {
        InstallCrashHandler();
        std::thread([] { throw EConvertError(u"fatal error"); }).join();
      },
      "stopped");
  const auto lines = Lines();
  ASSERT_GE(lines.size(), 4u);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[0], m, kLine)) << lines[0];
  EXPECT_EQ(m[2], "E");
  EXPECT_EQ(m[3], "App");
  EXPECT_EQ(lines[1], std::string(74, '-'));
  EXPECT_NE(Contents().find("[EConvertError] fatal error"), std::string::npos);
}

}  // namespace
