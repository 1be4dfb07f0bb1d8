#include "support/TestSupport.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

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

int LoopbackConnect(uint16_t Port) {
  const int s = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(Port);
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (s >= 0 && connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0) return s;
  if (s >= 0) close(s);
  return -1;
}

std::string LoopbackExchange(uint16_t Port, const std::string& Request) {
  const int s = LoopbackConnect(Port);
  if (s < 0) return "<no connection>";
  send(s, Request.data(), Request.size(), MSG_NOSIGNAL);
  std::string answer;
  char buffer[1024];
  for (ssize_t n; (n = recv(s, buffer, sizeof buffer, 0)) > 0;) answer.append(buffer, size_t(n));
  close(s);
  return answer;
}
