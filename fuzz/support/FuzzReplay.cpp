// Replays fuzz inputs through a target's LLVMFuzzerTestOneInput without libFuzzer, so that every
// target runs as an ordinary test (under the sanitizers of the build) on its seed corpus and the
// inputs that once failed. Arguments are files or folders (read recursively, in name order).
// A folder that is not there is an error, except under the shared test data, which is optional;
// with nothing to replay the test is skipped.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size);
extern "C" __attribute__((weak)) int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {
namespace fs = std::filesystem;

// The largest input fed; libFuzzer's default maximum is far below it.
constexpr std::uintmax_t MaxInputSize = 1 << 20;
// CTest counts this exit code as a skipped test (SKIP_RETURN_CODE).
constexpr int SkipExitCode = 77;

bool IsOptional(const std::string& path) { return path.find("/shared/testdata/") != std::string::npos; }

bool Collect(const std::string& arg, std::vector<fs::path>& files) {
  std::error_code ec;
  const fs::path path(arg);
  if (fs::is_regular_file(path, ec)) {
    files.push_back(path);
    return true;
  }
  if (!fs::is_directory(path, ec)) {
    if (IsOptional(arg)) {
      std::printf("skipped (not there): %s\n", arg.c_str());
      return true;
    }
    std::fprintf(stderr, "no such file or folder: %s\n", arg.c_str());
    return false;
  }
  std::vector<fs::path> found;
  for (auto it = fs::recursive_directory_iterator(path, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec))
    if (it->is_regular_file(ec) && it->file_size(ec) <= MaxInputSize) found.push_back(it->path());
  std::sort(found.begin(), found.end());
  files.insert(files.end(), found.begin(), found.end());
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  std::vector<fs::path> files;
  for (int i = 1; i < argc; ++i)
    if (!Collect(argv[i], files)) return 2;
  if (files.empty()) {
    // Only optional folders were named and none is there: nothing to replay.
    std::printf("no inputs: skipped\n");
    return SkipExitCode;
  }
  for (const fs::path& file : files) {
    // Named before it runs, so a crash report says which input it was.
    std::fprintf(stderr, "input %s\n", file.c_str());
    std::ifstream in(file, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // An empty input gets a valid pointer, as libFuzzer gives it.
    static const uint8_t none = 0;
    LLVMFuzzerTestOneInput(bytes.empty() ? &none : reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  std::printf("%zu inputs passed\n", files.size());
  return 0;
}
