#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "os/OS.Environment.h"
#include "os/OS.Registry.h"
#include "os/OS.Files.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"

namespace {
// Every key and value below Key as text, read through the registry functions alone.
void Dump(HKEY Key, const String& Path, String& Out) {
  std::vector<Char> name(16384);
  for (DWORD i = 0;; ++i) {
    DWORD length = DWORD(name.size());
    DWORD type = 0;
    if (RegEnumValue(Key, i, name.data(), &length, &type) != ERROR_SUCCESS) break;
    const String valueName(name.data(), length);
    DWORD size = 0;
    if (RegQueryValueEx(Key, valueName, &type, nullptr, &size) != ERROR_SUCCESS) std::abort();
    std::vector<Byte> data(size + 1);
    DWORD got = size;
    if (RegQueryValueEx(Key, valueName, &type, data.data(), &got) != ERROR_SUCCESS || got != size) std::abort();
    Out += Path + u"|" + valueName + u"|" + IntToStr(Integer(type)) + u"|" + IntToStr(Integer(size)) + u"\n";
  }
  for (DWORD i = 0;; ++i) {
    DWORD length = DWORD(name.size());
    if (RegEnumKeyEx(Key, i, name.data(), &length) != ERROR_SUCCESS) break;
    const String child(name.data(), length);
    HKEY sub = nullptr;
    if (RegOpenKeyEx(Key, child, 0, KEY_READ, &sub) != ERROR_SUCCESS) continue;
    Out += Path + u"\\" + child + u"\n";
    Dump(sub, Path + u"\\" + child, Out);
    RegCloseKey(sub);
  }
}

String DumpAll() {
  String out;
  Dump(HKEY_CURRENT_USER, String(), out);
  return out;
}
}  // namespace

// The registry's store file, damaged or written by hand: any bytes load (unreadable lines are
// skipped), every value reads back with the size it reports, and what was loaded survives a
// save and a new load.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const std::string folder = [] {
    char pattern[] = "/tmp/zephse-fuzz-registry-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made) std::abort();
    setenv("XDG_CONFIG_HOME", made, 1);
    return StringToUTF8(RegistryStoreFolder());
  }();
  const std::string text(reinterpret_cast<const char*>(Data), Size);
  // The key the round trip writes stays out of the input.
  if (text.find("zephse-fuzz") != std::string::npos) return 0;
  ForceDirectories(UTF8ToString(folder));
  std::ofstream(folder + "registry-user.txt", std::ios::binary | std::ios::trunc) << text;
  RegistryResetCache();
  const String loaded = DumpAll();

  HKEY key = nullptr;
  if (RegCreateKeyEx(HKEY_CURRENT_USER, u"zephse-fuzz", 0, KEY_ALL_ACCESS, &key, nullptr) != ERROR_SUCCESS)
    std::abort();
  const Byte one = 1;
  if (RegSetValueEx(key, u"saved", REG_BINARY, &one, 1) != ERROR_SUCCESS) std::abort();
  RegCloseKey(key);
  if (RegDeleteKey(HKEY_CURRENT_USER, u"zephse-fuzz") != ERROR_SUCCESS) std::abort();
  RegistryResetCache();
  if (DumpAll() != loaded) std::abort();
  return 0;
}
