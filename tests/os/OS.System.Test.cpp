#include "os/OS.System.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <thread>

#include "rtl/RTL.Exceptions.h"
#include "support/TestSupport.h"

namespace {

class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : FName(name) {
    if (const char* old = std::getenv(name)) FOld = old, FHad = true;
    setenv(name, value, 1);
  }
  ~ScopedEnv() {
    if (FHad) setenv(FName, FOld.c_str(), 1);
    else unsetenv(FName);
  }

 private:
  const char* FName;
  std::string FOld;
  bool FHad = false;
};

TEST(Locale, LanguageIdentifiersComeFromThePosixLocale) {
  struct {
    const char* lang;
    String name;
    LANGID id;
  } cases[] = {
      {"de_DE.UTF-8", u"de_DE", 0x0407},
      {"ru_RU.UTF-8@cyrillic", u"ru_RU", 0x0419},
      {"pt_BR", u"pt_BR", 0x0416},
      {"C", u"en_US", 0x0409},
  };
  for (const auto& c : cases) {
    ScopedEnv all("LC_ALL", c.lang);
    EXPECT_EQ(GetUserLocaleName(), c.name) << c.lang;
    EXPECT_EQ(GetUserDefaultUILanguage(), c.id) << c.lang;
  }
  EXPECT_EQ(LocaleNameToLCID(u"fr-FR"), 0x040Cu);
  EXPECT_EQ(LocaleNameToLCID(u"xx_YY"), 0u);
}

TEST(System, DescribesItself) {
  EXPECT_FALSE(GetOSName().empty());
  EXPECT_FALSE(GetKernelVersion().empty());
  UInt64 total = 0, available = 0;
  ASSERT_TRUE(GetMemoryStatus(&total, &available));
  EXPECT_GT(total, 0u);
  EXPECT_LE(available, total);
}

TEST(System, ReadsTheNameAndTheFreeMemoryFromTheSystemFiles) {
  std::istringstream release("NAME=x\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
  EXPECT_EQ(detail::ReadOSName(release), u"Debian GNU/Linux 12 (bookworm)");
  std::istringstream none("NAME=x\n");
  EXPECT_EQ(detail::ReadOSName(none), u"");

  // Lines without a unit (the huge-page counts) before MemAvailable must not shift the reading.
  std::istringstream memory("MemTotal: 2048 kB\nHugePages_Total:       0\nHugePages_Free: 0\nMemAvailable:    1000 kB\n");
  UInt64 bytes = 0;
  EXPECT_TRUE(detail::ReadMemAvailable(memory, bytes));
  EXPECT_EQ(bytes, 1024000u);
  for (const char* damaged : {"MemAvailable: 99999999999999999999 kB\n", "MemAvailable: kB\n", "MemFree: 1 kB\n"}) {
    std::istringstream in(damaged);
    bytes = 7;
    EXPECT_FALSE(detail::ReadMemAvailable(in, bytes)) << damaged;
    EXPECT_EQ(bytes, 7u) << damaged;
  }
}

TEST(NamedAtom, OneHolderAtATimeIgnoringCase) {
  ScopedEnv runtime("XDG_RUNTIME_DIR", TempDir().c_str());
  HANDLE first = CreateNamedAtom(u"ZEPHSE_Instance/editor");
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(CreateNamedAtom(u"zephse_instance/EDITOR"), nullptr);
  HANDLE other = CreateNamedAtom(u"ZEPHSE_Instance_editor");  // "/" and "_" stay different names
  EXPECT_NE(other, nullptr);
  CloseNamedAtom(first);
  HANDLE again = CreateNamedAtom(u"ZEPHSE_INSTANCE/EDITOR");
  EXPECT_NE(again, nullptr);
  CloseNamedAtom(again);
  CloseNamedAtom(other);
  CloseNamedAtom(nullptr);
}

TEST(CrashHandlerDeathTest, UncaughtExceptionsAreReportedWithTheirStack) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        InstallCrashHandler();
        Exception::SetStackTraceCapture(true);
        // An exception that leaves a thread's function ends the process through terminate.
        std::thread([] { throw EConvertError(u"bad skin value"); }).join();
      },
      "\\[EConvertError\\] bad skin value");
}

}  // namespace
