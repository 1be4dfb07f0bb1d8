#include "support/TestSupport.h"

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace fs = std::filesystem;

std::string TestDataDir() {
  if (const char* env = std::getenv("ZEPHSE_TESTDATA"); env && *env) return env;
  fs::path dir = ZEPHSE_TESTDATA_DIR;
  std::error_code ec;
  return fs::is_directory(dir, ec) ? fs::weakly_canonical(dir).string() : std::string();
}

bool TestDataExists(const std::string& Sub) {
  std::error_code ec;
  return fs::exists(fs::path(TestDataDir()) / Sub, ec);
}

std::string FixturePath(const std::string& Relative) {
  return (fs::path(ZEPHSE_SOURCE_DIR) / "tests" / Relative).string();
}

std::string TempDir() {
  static std::string root;
  if (root.empty()) {
    std::string pattern = (fs::temp_directory_path() / "zephse-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    root = pattern;
    std::atexit([] {
      std::error_code ec;
      fs::remove_all(root, ec);
    });
  }
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  fs::path dir = fs::path(root) / (info ? std::string(info->test_suite_name()) + "." + info->name() : "global");
  fs::create_directories(dir);
  return dir.string();
}
