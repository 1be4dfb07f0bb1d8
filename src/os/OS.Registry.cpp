#include "os/OS.Registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "os/OS.Environment.h"

namespace {

using Bytes = std::vector<Byte>;

struct TValue {
  String Name;
  DWORD Type = REG_NONE;
  Bytes Data;
};

struct TKeyNode {
  String Name;
  std::vector<std::unique_ptr<TKeyNode>> Children;  // creation order
  std::vector<TValue> Values;
};

Char FoldCase(Char c) { return (c >= u'a' && c <= u'z') ? Char(c - 32) : c; }

bool SameName(StringView a, StringView b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

TKeyNode* FindChild(TKeyNode* node, StringView name) {
  for (auto& child : node->Children)
    if (SameName(child->Name, name)) return child.get();
  return nullptr;
}

TValue* FindValue(TKeyNode* node, StringView name) {
  for (auto& value : node->Values)
    if (SameName(value.Name, name)) return &value;
  return nullptr;
}

std::vector<String> SplitPath(StringView path) {
  std::vector<String> parts;
  String part;
  for (Char c : path) {
    if (c == u'\\' || c == u'/') {
      if (!part.empty()) parts.push_back(std::move(part));
      part.clear();
    } else {
      part.push_back(c);
    }
  }
  if (!part.empty()) parts.push_back(std::move(part));
  return parts;
}

// Text form of names and string data: printable characters as they are (UTF-8), the rest escaped.
std::string Escape(StringView text) {
  std::string out;
  for (Char c : text) {
    switch (c) {
      case u'\\': out += "\\\\"; break;
      case u'"': out += "\\\""; break;
      case u'\n': out += "\\n"; break;
      case u'\r': out += "\\r"; break;
      case u'\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x2028 || c == 0x2029 || (c >= 0xD800 && c <= 0xDFFF)) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04X", unsigned(c));
          out += buf;
        } else {
          out += StringToUTF8(StringView(&c, 1));
        }
    }
  }
  return out;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a quoted, escaped text starting at s[pos] == '"'; pos ends after the closing quote.
bool Unquote(const std::string& s, size_t& pos, String& out) {
  if (pos >= s.size() || s[pos] != '"') return false;
  ++pos;
  std::string run;
  auto flush = [&] {
    out += UTF8ToString(run);
    run.clear();
  };
  while (pos < s.size()) {
    char c = s[pos++];
    if (c == '"') {
      flush();
      return true;
    }
    if (c != '\\') {
      run.push_back(c);
      continue;
    }
    if (pos >= s.size()) return false;
    char e = s[pos++];
    switch (e) {
      case 'n': run.push_back('\n'); break;
      case 'r': run.push_back('\r'); break;
      case 't': run.push_back('\t'); break;
      case '\\': run.push_back('\\'); break;
      case '"': run.push_back('"'); break;
      case 'u': {
        if (pos + 4 > s.size()) return false;
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
          int d = HexDigit(s[pos + i]);
          if (d < 0) return false;
          v = v * 16 + unsigned(d);
        }
        pos += 4;
        flush();
        out.push_back(Char(v));
        break;
      }
      default: return false;
    }
  }
  return false;
}

// A key path as the writer escapes it (names holding quotes or control characters survive a
// save); a hand-written path that is not escaped reads as it stands.
String KeyPath(const std::string& text) {
  const std::string quoted = "\"" + text + "\"";
  size_t pos = 0;
  String path;
  if (Unquote(quoted, pos, path) && pos == quoted.size()) return path;
  return UTF8ToString(text);
}

bool IsStringType(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ; }

// String data is UTF-16LE with a terminating NUL; anything else is stored as hex.
bool AsStoredText(const TValue& v, String& text) {
  if (!IsStringType(v.Type) || v.Data.size() < 2 || v.Data.size() % 2 != 0) return false;
  size_t n = v.Data.size() / 2;
  if (v.Data[2 * (n - 1)] != 0 || v.Data[2 * (n - 1) + 1] != 0) return false;
  text.clear();
  for (size_t i = 0; i + 1 < n; ++i) {
    Char c = Char(v.Data[2 * i] | (v.Data[2 * i + 1] << 8));
    if (c == 0) return false;
    text.push_back(c);
  }
  return true;
}

void WriteNode(std::ostringstream& out, const TKeyNode& node, const String& path) {
  if (!path.empty()) {
    out << "[" << Escape(path) << "]\n";
    for (const TValue& v : node.Values) {
      out << "\"" << Escape(v.Name) << "\"=" << v.Type << ":";
      String text;
      if (AsStoredText(v, text)) {
        out << "\"" << Escape(text) << "\"\n";
      } else {
        out << "hex:";
        static const char digits[] = "0123456789abcdef";
        for (Byte b : v.Data) out << digits[b >> 4] << digits[b & 15];
        out << "\n";
      }
    }
  }
  for (const auto& child : node.Children)
    WriteNode(out, *child, path.empty() ? child->Name : path + u"\\" + child->Name);
}

class TRegistryFile {
 public:
  explicit TRegistryFile(const char* fileName) : FFileName(fileName) {}

  TKeyNode& Root() {
    Load();
    return FRoot;
  }

  void Reset() {
    FLoaded = false;
    FRoot = TKeyNode();
  }

  bool Save() {
    std::ostringstream out;
    out << "ZEPHSE registry 1\n";
    WriteNode(out, FRoot, String());
    std::string folder = StringToUTF8(RegistryStoreFolder());
    std::string path = folder + FFileName;
    std::string temp = path + ".tmp";
    ::mkdir(StringToUTF8(GetUserFolder(TUserFolder::RoamingAppData)).c_str(), 0700);
    ::mkdir(folder.c_str(), 0700);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    std::string text = out.str();
    size_t done = 0;
    while (done < text.size()) {
      ssize_t n = ::write(fd, text.data() + done, text.size() - done);
      if (n <= 0) {
        ::close(fd);
        ::unlink(temp.c_str());
        return false;
      }
      done += size_t(n);
    }
    bool ok = ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), path.c_str()) != 0) {
      ::unlink(temp.c_str());
      return false;
    }
    return true;
  }

 private:
  void Load() {
    std::string folder = StringToUTF8(RegistryStoreFolder());
    if (FLoaded && folder == FFolder) return;
    FRoot = TKeyNode();
    FLoaded = true;
    FFolder = folder;
    std::ifstream in(folder + FFileName, std::ios::binary);
    std::string line;
    TKeyNode* current = nullptr;
    // A line that cannot be read is skipped: one damaged value must not lose the others.
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.empty()) continue;
      if (line[0] == '[' && line.back() == ']') {
        current = &FRoot;
        for (const String& part : SplitPath(KeyPath(line.substr(1, line.size() - 2)))) {
          TKeyNode* child = FindChild(current, part);
          if (!child) {
            current->Children.push_back(std::make_unique<TKeyNode>());
            child = current->Children.back().get();
            child->Name = part;
          }
          current = child;
        }
        if (current == &FRoot) current = nullptr;
        continue;
      }
      if (!current || line[0] != '"') continue;
      size_t pos = 0;
      TValue value;
      if (!Unquote(line, pos, value.Name) || pos >= line.size() || line[pos] != '=') continue;
      size_t colon = line.find(':', pos + 1);
      if (colon == std::string::npos) continue;
      value.Type = DWORD(std::strtoul(line.c_str() + pos + 1, nullptr, 10));
      pos = colon + 1;
      if (line.compare(pos, 4, "hex:") == 0) {
        pos += 4;
        bool ok = (line.size() - pos) % 2 == 0;
        for (; ok && pos + 1 < line.size(); pos += 2) {
          int hi = HexDigit(line[pos]), lo = HexDigit(line[pos + 1]);
          if (hi < 0 || lo < 0) ok = false;
          else value.Data.push_back(Byte(hi * 16 + lo));
        }
        if (!ok) continue;
      } else {
        String text;
        if (!Unquote(line, pos, text)) continue;
        for (Char c : text) {
          value.Data.push_back(Byte(c & 0xFF));
          value.Data.push_back(Byte(c >> 8));
        }
        value.Data.push_back(0);
        value.Data.push_back(0);
      }
      if (TValue* existing = FindValue(current, value.Name)) *existing = std::move(value);
      else current->Values.push_back(std::move(value));
    }
  }

  const char* FFileName;
  std::string FFolder;
  bool FLoaded = false;
  TKeyNode FRoot;
};

std::mutex& StoreLock() {
  static std::mutex lock;
  return lock;
}

TRegistryFile& UserFile() {
  static TRegistryFile file("registry-user.txt");
  return file;
}

TRegistryFile& MachineFile() {
  static TRegistryFile file("registry-machine.txt");
  return file;
}

// An opened key: its root file and its path below it. Nodes are found again by path on every
// call, so a key deleted meanwhile simply reads as missing.
struct TOpenKey {
  TRegistryFile* File;
  std::vector<String> Path;
  REGSAM Access;
};

bool ResolveRoot(HKEY key, TRegistryFile*& file, std::vector<String>& path) {
  if (key == HKEY_CURRENT_USER || key == HKEY_CLASSES_ROOT) {
    file = &UserFile();
    path.clear();
    // Class registrations of the user live under Software\Classes, as on the system.
    if (key == HKEY_CLASSES_ROOT) path = {u"Software", u"Classes"};
    return true;
  }
  if (key == HKEY_LOCAL_MACHINE) {
    file = &MachineFile();
    path.clear();
    return true;
  }
  if (!key) return false;
  auto* open = reinterpret_cast<TOpenKey*>(key);
  file = open->File;
  path = open->Path;
  return true;
}

TKeyNode* Walk(TRegistryFile* file, const std::vector<String>& path, bool create, bool* created = nullptr) {
  TKeyNode* node = &file->Root();
  for (const String& part : path) {
    TKeyNode* child = FindChild(node, part);
    if (!child) {
      if (!create) return nullptr;
      node->Children.push_back(std::make_unique<TKeyNode>());
      child = node->Children.back().get();
      child->Name = part;
      if (created) *created = true;
    }
    node = child;
  }
  return node;
}

// Desktop settings that the system answers for itself when the store has no value.
bool SystemValue(const std::vector<String>& path, StringView name, TValue& value) {
  String joined;
  for (const String& part : path) {
    if (!joined.empty()) joined += u'\\';
    for (Char c : part) joined.push_back(FoldCase(c));
  }
  auto dword = [&](DWORD v) {
    value.Type = REG_DWORD;
    value.Data = {Byte(v), Byte(v >> 8), Byte(v >> 16), Byte(v >> 24)};
    return true;
  };
  if (joined == u"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\THEMES\\PERSONALIZE" &&
      (SameName(name, u"AppsUseLightTheme") || SameName(name, u"SystemUsesLightTheme"))) {
    // GTK_THEME names a variant after ":" ("Adwaita:dark"); without it the desktop is light.
    String theme = GetEnvironmentVariable(u"GTK_THEME");
    for (Char& c : theme) c = FoldCase(c);
    return dword(theme.find(u"DARK") == String::npos ? 1 : 0);
  }
  if (joined == u"SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\EXPLORER\\ADVANCED" && SameName(name, u"Hidden"))
    return dword(2);  // hidden files are not shown
  return false;
}

}  // namespace

String RegistryStoreFolder() { return GetUserFolder(TUserFolder::RoamingAppData) + u"zephse/"; }

void RegistryResetCache() {
  std::lock_guard guard(StoreLock());
  UserFile().Reset();
  MachineFile().Reset();
}

namespace {

// The first steps of opening a key, under the store lock: Result cleared, then the store file and
// the full path of SubKey below Root.
LSTATUS StartOpening(HKEY Root, StringView SubKey, HKEY* Result, TRegistryFile*& File, std::vector<String>& Path) {
  if (!Result) return ERROR_INVALID_PARAMETER;
  *Result = nullptr;
  if (!ResolveRoot(Root, File, Path)) return ERROR_INVALID_HANDLE;
  for (String& part : SplitPath(SubKey)) Path.push_back(std::move(part));
  return ERROR_SUCCESS;
}

}  // namespace

LSTATUS RegOpenKeyEx(HKEY Root, StringView SubKey, DWORD, REGSAM Access, HKEY* Result) {
  std::lock_guard guard(StoreLock());
  TRegistryFile* file;
  std::vector<String> path;
  if (LSTATUS status = StartOpening(Root, SubKey, Result, file, path); status != ERROR_SUCCESS) return status;
  // The desktop-settings keys exist even when the store has never written them.
  TValue probe;
  bool systemKey = SystemValue(path, u"AppsUseLightTheme", probe) || SystemValue(path, u"Hidden", probe);
  if (!Walk(file, path, false) && !systemKey) return ERROR_FILE_NOT_FOUND;
  *Result = reinterpret_cast<HKEY>(new TOpenKey{file, std::move(path), Access});
  return ERROR_SUCCESS;
}

LSTATUS RegCreateKeyEx(HKEY Root, StringView SubKey, DWORD, REGSAM Access, HKEY* Result, DWORD* Disposition) {
  std::lock_guard guard(StoreLock());
  TRegistryFile* file;
  std::vector<String> path;
  if (LSTATUS status = StartOpening(Root, SubKey, Result, file, path); status != ERROR_SUCCESS) return status;
  bool created = false;
  Walk(file, path, true, &created);
  if (created && !file->Save()) return ERROR_CANTWRITE;
  if (Disposition) *Disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *Result = reinterpret_cast<HKEY>(new TOpenKey{file, std::move(path), Access});
  return ERROR_SUCCESS;
}

LSTATUS RegCloseKey(HKEY Key) {
  if (Key == HKEY_CURRENT_USER || Key == HKEY_LOCAL_MACHINE || Key == HKEY_CLASSES_ROOT) return ERROR_SUCCESS;
  if (!Key) return ERROR_INVALID_HANDLE;
  delete reinterpret_cast<TOpenKey*>(Key);
  return ERROR_SUCCESS;
}

LSTATUS RegQueryValueEx(HKEY Key, StringView Name, DWORD* Type, Byte* Data, DWORD* Size) {
  std::lock_guard guard(StoreLock());
  TRegistryFile* file;
  std::vector<String> path;
  if (!ResolveRoot(Key, file, path)) return ERROR_INVALID_HANDLE;
  TKeyNode* node = Walk(file, path, false);
  TValue system;
  const TValue* value = node ? FindValue(node, Name) : nullptr;
  if (!value && SystemValue(path, Name, system)) value = &system;
  if (!value) return ERROR_FILE_NOT_FOUND;
  if (Type) *Type = value->Type;
  DWORD needed = DWORD(value->Data.size());
  if (Data) {
    if (!Size) return ERROR_INVALID_PARAMETER;
    if (*Size < needed) {
      *Size = needed;
      return ERROR_MORE_DATA;
    }
    if (needed) std::memcpy(Data, value->Data.data(), needed);
  }
  if (Size) *Size = needed;
  return ERROR_SUCCESS;
}

LSTATUS RegSetValueEx(HKEY Key, StringView Name, DWORD Type, const Byte* Data, DWORD Size) {
  if (Size && !Data) return ERROR_INVALID_PARAMETER;
  std::lock_guard guard(StoreLock());
  TRegistryFile* file;
  std::vector<String> path;
  if (!ResolveRoot(Key, file, path)) return ERROR_INVALID_HANDLE;
  if (path.empty()) return ERROR_ACCESS_DENIED;  // roots hold no values of their own
  TKeyNode* node = Walk(file, path, false);
  if (!node) return ERROR_FILE_NOT_FOUND;
  TValue* value = FindValue(node, Name);
  if (!value) {
    node->Values.push_back(TValue{String(Name), Type, {}});
    value = &node->Values.back();
  }
  value->Type = Type;
  value->Data.assign(Data, Data + Size);
  return file->Save() ? ERROR_SUCCESS : ERROR_CANTWRITE;
}

LSTATUS RegDeleteValue(HKEY Key, StringView Name) {
  std::lock_guard guard(StoreLock());
  TRegistryFile* file;
  std::vector<String> path;
  if (!ResolveRoot(Key, file, path)) return ERROR_INVALID_HANDLE;
  TKeyNode* node = Walk(file, path, false);
  if (!node) return ERROR_FILE_NOT_FOUND;
  for (auto it = node->Values.begin(); it != node->Values.end(); ++it)
    if (SameName(it->Name, Name)) {
      node->Values.erase(it);
      return file->Save() ? ERROR_SUCCESS : ERROR_CANTWRITE;
    }
  return ERROR_FILE_NOT_FOUND;
}

LSTATUS RegDeleteKey(HKEY Root, StringView SubKey) {
  std::lock_guard guard(StoreLock());
  TRegistryFile* file;
  std::vector<String> path;
  if (!ResolveRoot(Root, file, path)) return ERROR_INVALID_HANDLE;
  std::vector<String> sub = SplitPath(SubKey);
  if (sub.empty()) return ERROR_INVALID_PARAMETER;
  for (String& part : sub) path.push_back(std::move(part));
  String name = path.back();
  path.pop_back();
  TKeyNode* parent = Walk(file, path, false);
  if (!parent) return ERROR_FILE_NOT_FOUND;
  for (auto it = parent->Children.begin(); it != parent->Children.end(); ++it) {
    if (!SameName((*it)->Name, name)) continue;
    if (!(*it)->Children.empty()) return ERROR_ACCESS_DENIED;
    parent->Children.erase(it);
    return file->Save() ? ERROR_SUCCESS : ERROR_CANTWRITE;
  }
  return ERROR_FILE_NOT_FOUND;
}

LSTATUS RegQueryInfoKey(HKEY Key, DWORD* SubKeys, DWORD* MaxSubKeyLen, DWORD* Values) {
  std::lock_guard guard(StoreLock());
  TRegistryFile* file;
  std::vector<String> path;
  if (!ResolveRoot(Key, file, path)) return ERROR_INVALID_HANDLE;
  TKeyNode* node = Walk(file, path, false);
  if (!node) node = &file->Root();
  if (!Walk(file, path, false) && !path.empty()) {
    if (SubKeys) *SubKeys = 0;
    if (MaxSubKeyLen) *MaxSubKeyLen = 0;
    if (Values) *Values = 0;
    return ERROR_SUCCESS;
  }
  size_t longest = 0;
  for (const auto& child : node->Children) longest = std::max(longest, child->Name.size());
  if (SubKeys) *SubKeys = DWORD(node->Children.size());
  if (MaxSubKeyLen) *MaxSubKeyLen = DWORD(longest);
  if (Values) *Values = DWORD(node->Values.size());
  return ERROR_SUCCESS;
}

LSTATUS RegEnumKeyEx(HKEY Key, DWORD Index, Char* Name, DWORD* NameLen) {
  if (!Name || !NameLen) return ERROR_INVALID_PARAMETER;
  std::lock_guard guard(StoreLock());
  TRegistryFile* file;
  std::vector<String> path;
  if (!ResolveRoot(Key, file, path)) return ERROR_INVALID_HANDLE;
  TKeyNode* node = Walk(file, path, false);
  if (!node || Index >= node->Children.size()) return ERROR_NO_MORE_ITEMS;
  const String& name = node->Children[Index]->Name;
  if (name.size() + 1 > *NameLen) return ERROR_MORE_DATA;
  std::memcpy(Name, name.data(), name.size() * sizeof(Char));
  Name[name.size()] = 0;
  *NameLen = DWORD(name.size());
  return ERROR_SUCCESS;
}

LSTATUS RegEnumValue(HKEY Key, DWORD Index, Char* Name, DWORD* NameLen, DWORD* Type) {
  if (!Name || !NameLen) return ERROR_INVALID_PARAMETER;
  std::lock_guard guard(StoreLock());
  TRegistryFile* file;
  std::vector<String> path;
  if (!ResolveRoot(Key, file, path)) return ERROR_INVALID_HANDLE;
  TKeyNode* node = Walk(file, path, false);
  if (!node || Index >= node->Values.size()) return ERROR_NO_MORE_ITEMS;
  const TValue& value = node->Values[Index];
  if (value.Name.size() + 1 > *NameLen) return ERROR_MORE_DATA;
  std::memcpy(Name, value.Name.data(), value.Name.size() * sizeof(Char));
  Name[value.Name.size()] = 0;
  *NameLen = DWORD(value.Name.size());
  if (Type) *Type = value.Type;
  return ERROR_SUCCESS;
}
