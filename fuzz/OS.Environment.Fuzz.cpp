#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

#include <unistd.h>

#include "os/OS.Environment.h"
#include "rtl/RTL.Strings.h"

// The first byte picks the reader. 0: a user-dirs.dirs file; every user folder is then an absolute
// path ending in "/". 1: text with environment references ($NAME, ${NAME}, %NAME%) expands, and
// text without "$" or "%" stays as it is.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const std::string config = [] {
    char pattern[] = "/tmp/zephse-fuzz-environment-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) std::abort();
    setenv("XDG_CONFIG_HOME", made, 1);
    setenv("ZEPHSE_FUZZ_A", "alpha", 1);
    setenv("ZEPHSE_FUZZ_EMPTY", "", 1);
    setenv("ZEPHSE_FUZZ_NESTED", "$ZEPHSE_FUZZ_A%ZEPHSE_FUZZ_A%", 1);
    return std::string(made);
  }();
  if (Size < 1) return 0;
  const std::string text(reinterpret_cast<const char*>(Data + 1), Size - 1);
  if (Data[0] & 1) {
    const String wide = UTF8ToString(text);
    const String expanded = ExpandEnvironmentStrings(wide);
    if (wide.find_first_of(u"$%") == String::npos && expanded != wide) std::abort();
    return 0;
  }
  std::ofstream(config + "/user-dirs.dirs", std::ios::binary | std::ios::trunc) << text;
  for (TUserFolder folder : {TUserFolder::Documents, TUserFolder::Music, TUserFolder::Pictures,
                             TUserFolder::Desktop, TUserFolder::Downloads}) {
    const String path = GetUserFolder(folder);
    if (path.empty() || path.front() != u'/' || path.back() != u'/') std::abort();
  }
  return 0;
}
