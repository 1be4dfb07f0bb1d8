#include "os/OS.Environment.h"

#include <climits>
#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace {
std::string Narrow(StringView s) { return StringToUTF8(s); }

String WithSlash(String path) {
  if (!path.empty() && path.back() != u'/') path.push_back(u'/');
  return path;
}

std::string HomeDir() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir) return pw->pw_dir;
  return "/tmp";
}

std::string XdgDir(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  // The base-directory rules ignore relative paths.
  if (value && value[0] == '/') return value;
  return HomeDir() + "/" + fallback;
}

// Reads XDG_<NAME>_DIR from user-dirs.dirs: lines like XDG_MUSIC_DIR="$HOME/Music".
std::string UserDir(const char* key, const char* fallback) {
  std::ifstream in(XdgDir("XDG_CONFIG_HOME", ".config") + "/user-dirs.dirs");
  std::string line, prefix = std::string(key) + "=";
  while (std::getline(in, line)) {
    if (line.rfind(prefix, 0) != 0) continue;
    std::string value = line.substr(prefix.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) value = HomeDir() + value.substr(5);
    if (!value.empty() && value[0] == '/') return value;
  }
  return HomeDir() + "/" + fallback;
}
}  // namespace

String GetEnvironmentVariable(StringView Name) {
  const char* value = std::getenv(Narrow(Name).c_str());
  return value ? UTF8ToString(value) : String();
}

bool SetEnvironmentVariable(StringView Name, StringView Value) {
  return setenv(Narrow(Name).c_str(), Narrow(Value).c_str(), 1) == 0;
}

String ExpandEnvironmentStrings(StringView Text) {
  String result;
  auto isNameChar = [](Char c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'_'; };
  size_t i = 0;
  while (i < Text.size()) {
    Char c = Text[i];
    if (c == u'%') {
      size_t close = Text.find(u'%', i + 1);
      if (close != StringView::npos && close > i + 1) {
        StringView name = Text.substr(i + 1, close - i - 1);
        if (const char* value = std::getenv(Narrow(name).c_str())) {
          result += UTF8ToString(value);
          i = close + 1;
          continue;
        }
      }
    } else if (c == u'$' && i + 1 < Text.size()) {
      size_t start = i + 1, end;
      bool braced = Text[start] == u'{';
      if (braced) {
        end = Text.find(u'}', start + 1);
        if (end != StringView::npos) {
          if (const char* value = std::getenv(Narrow(Text.substr(start + 1, end - start - 1)).c_str())) {
            result += UTF8ToString(value);
            i = end + 1;
            continue;
          }
        }
      } else {
        end = start;
        while (end < Text.size() && isNameChar(Text[end])) ++end;
        if (end > start) {
          if (const char* value = std::getenv(Narrow(Text.substr(start, end - start)).c_str())) {
            result += UTF8ToString(value);
            i = end;
            continue;
          }
        }
      }
    }
    result.push_back(c);
    ++i;
  }
  return result;
}

String GetUserFolder(TUserFolder Folder) {
  std::string path;
  switch (Folder) {
    case TUserFolder::Home: path = HomeDir(); break;
    case TUserFolder::RoamingAppData: path = XdgDir("XDG_CONFIG_HOME", ".config"); break;
    case TUserFolder::LocalAppData: path = XdgDir("XDG_DATA_HOME", ".local/share"); break;
    case TUserFolder::Cache: path = XdgDir("XDG_CACHE_HOME", ".cache"); break;
    case TUserFolder::Documents: path = UserDir("XDG_DOCUMENTS_DIR", "Documents"); break;
    case TUserFolder::Music: path = UserDir("XDG_MUSIC_DIR", "Music"); break;
    case TUserFolder::Pictures: path = UserDir("XDG_PICTURES_DIR", "Pictures"); break;
    case TUserFolder::Desktop: path = UserDir("XDG_DESKTOP_DIR", "Desktop"); break;
    case TUserFolder::Downloads: path = UserDir("XDG_DOWNLOAD_DIR", "Downloads"); break;
    case TUserFolder::Temp: {
      const char* tmp = std::getenv("TMPDIR");
      path = (tmp && tmp[0] == '/') ? tmp : "/tmp";
      break;
    }
  }
  return WithSlash(UTF8ToString(path));
}

String GetModuleFileName() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return UTF8ToString(std::string(buffer, size_t(n)));
}

String GetProgramFolder() {
  String file = GetModuleFileName();
  size_t slash = file.rfind(u'/');
  return slash == String::npos ? String(u"./") : file.substr(0, slash + 1);
}

String GetUserName() {
  if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_name) return UTF8ToString(pw->pw_name);
  if (const char* user = std::getenv("USER")) return UTF8ToString(user);
  return {};
}

String GetComputerName() {
  char buffer[256] = {};
  if (gethostname(buffer, sizeof buffer - 1) != 0) return {};
  return UTF8ToString(buffer);
}
