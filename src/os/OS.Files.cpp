#include "os/OS.Files.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "os/OS.Environment.h"

namespace {
std::string N(StringView s) { return StringToUTF8(s); }

// Seconds between 1601-01-01 and 1970-01-01.
constexpr Int64 EpochDelta = 11644473600LL;

Char FoldCase(Char c) { return (c >= u'a' && c <= u'z') ? Char(c - 32) : c; }

size_t LastDelimiter(StringView path) {
  for (size_t i = path.size(); i > 0; --i)
    if (IsPathDelimiter(path[i - 1])) return i - 1;
  return StringView::npos;
}

DWORD AttributesOf(const struct stat& st, StringView name, bool isLink) {
  DWORD attr = 0;
  if (S_ISDIR(st.st_mode)) attr |= faDirectory;
  if (!(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) attr |= faReadOnly;
  if (!name.empty() && name[0] == u'.' && name != u"." && name != u"..") attr |= faHidden;
  if (isLink) attr |= faSymLink;
  if (!S_ISDIR(st.st_mode) && !S_ISREG(st.st_mode)) attr |= faSysFile;
  if (attr == 0) attr = faArchive;
  return attr;
}

TFileTime FromTimespec(const timespec& ts) { return UnixTimeToFileTime(ts.tv_sec, ts.tv_nsec); }

struct TFindState {
  DIR* Dir = nullptr;
  std::string Folder;
  String Mask;
  DWORD Attr = 0;
};

// The entries of a search: files always; folders, hidden and system entries only when asked.
int NextMatch(TSearchRec& F) {
  auto* state = static_cast<TFindState*>(F.FindHandle);
  while (dirent* entry = readdir(state->Dir)) {
    String name = UTF8ToString(entry->d_name);
    if (!MatchesMask(name, state->Mask)) continue;
    std::string full = state->Folder + entry->d_name;
    struct stat st;
    bool isLink = false;
    if (lstat(full.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
      isLink = true;
      if (stat(full.c_str(), &st) != 0) continue;  // dangling link
    } else if (lstat(full.c_str(), &st) != 0) {
      continue;
    }
    DWORD attr = AttributesOf(st, name, isLink);
    if (attr & ~state->Attr & (faDirectory | faHidden | faSysFile)) continue;
    F.Name = std::move(name);
    F.Attr = attr;
    F.Size = S_ISDIR(st.st_mode) ? 0 : Int64(st.st_size);
    F.LastWriteTime = FromTimespec(st.st_mtim);
    F.LastAccessTime = FromTimespec(st.st_atim);
    F.CreationTime = FromTimespec(st.st_ctim);  // Linux keeps no creation time here
    return 0;
  }
  return ENOENT;
}

bool CopyContents(const std::string& source, const std::string& target, bool failIfExists) {
  int in = ::open(source.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  if (fstat(in, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(in);
    if (errno == 0) errno = EISDIR;
    return false;
  }
  // Write beside the target and rename, so that a failed copy never leaves a truncated target.
  std::string temp = target + ".zephse-copy";
  int out = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777);
  if (out < 0) {
    ::close(in);
    return false;
  }
  std::vector<char> buffer(1 << 16);
  bool ok = true;
  for (;;) {
    ssize_t n = ::read(in, buffer.data(), buffer.size());
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    for (ssize_t done = 0; done < n;) {
      ssize_t w = ::write(out, buffer.data() + done, size_t(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0) {
        ok = false;
        break;
      }
      done += w;
    }
    if (!ok) break;
  }
  int saved = errno;
  ::close(in);
  if (::close(out) != 0) ok = false;
  if (ok) {
    timespec times[2] = {st.st_atim, st.st_mtim};
    utimensat(AT_FDCWD, temp.c_str(), times, 0);
    if (failIfExists) {
      // link() fails when the target exists, which makes the check and the move one step.
      ok = ::link(temp.c_str(), target.c_str()) == 0;
      saved = errno;
      ::unlink(temp.c_str());
    } else {
      ok = ::rename(temp.c_str(), target.c_str()) == 0;
      saved = errno;
    }
  }
  if (!ok) ::unlink(temp.c_str());
  errno = saved;
  return ok;
}
}  // namespace

bool IsPathDelimiter(Char C) { return C == u'/' || C == u'\\'; }

String MapStoredPath(StringView Path) {
  String p(Path);
  auto starts = [&](StringView prefix) {
    if (p.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
      if (FoldCase(p[i]) != FoldCase(prefix[i])) return false;
    return true;
  };
  if (starts(u"\\\\?\\UNC\\")) p = u"\\\\" + p.substr(8);
  else if (starts(u"\\\\?\\")) p = p.substr(4);
  for (Char& c : p)
    if (c == u'\\') c = u'/';
  if (p.size() >= 2 && p[1] == u':' && ((p[0] >= u'A' && p[0] <= u'Z') || (p[0] >= u'a' && p[0] <= u'z')))
    p = p.size() == 2 ? String(u"/") : p.substr(2);
  if (p.size() >= 2 && p[0] == u'/' && p[1] == u'/') p = p.substr(1);
  return p;
}

bool SplitContainerPath(StringView Path, String& Container, String& Part) {
  size_t colon = Path.rfind(u':');
  if (colon == StringView::npos || colon == 0 || colon + 1 >= Path.size()) return false;
  StringView container = Path.substr(0, colon);
  if (!FileExists(container)) return false;
  Container = String(container);
  Part = String(Path.substr(colon + 1));
  return true;
}

String IncludeTrailingPathDelimiter(StringView Path) {
  String result(Path);
  if (result.empty() || !IsPathDelimiter(result.back())) result.push_back(PathDelim);
  return result;
}

String ExcludeTrailingPathDelimiter(StringView Path) {
  String result(Path);
  while (result.size() > 1 && IsPathDelimiter(result.back())) result.pop_back();
  return result;
}

String ExtractFilePath(StringView Path) {
  size_t i = LastDelimiter(Path);
  return i == StringView::npos ? String() : String(Path.substr(0, i + 1));
}

String ExtractFileDir(StringView Path) {
  size_t i = LastDelimiter(Path);
  if (i == StringView::npos) return {};
  if (i == 0) return String(Path.substr(0, 1));
  return String(Path.substr(0, i));
}

String ExtractFileName(StringView Path) {
  size_t i = LastDelimiter(Path);
  return String(i == StringView::npos ? Path : Path.substr(i + 1));
}

String ExtractFileExt(StringView Path) {
  for (size_t i = Path.size(); i > 0; --i) {
    Char c = Path[i - 1];
    if (c == u'.') return String(Path.substr(i - 1));
    if (IsPathDelimiter(c)) break;
  }
  return {};
}

String ChangeFileExt(StringView Path, StringView Extension) {
  String ext = ExtractFileExt(Path);
  return String(Path.substr(0, Path.size() - ext.size())) + String(Extension);
}

bool IsRelativePath(StringView Path) { return Path.empty() || !IsPathDelimiter(Path[0]); }

String ExpandFileName(StringView Path) {
  String full = IsRelativePath(Path) ? IncludeTrailingPathDelimiter(GetCurrentDir()) + String(Path) : String(Path);
  std::vector<String> parts;
  String part;
  auto push = [&] {
    if (part == u"..") {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty() && part != u".") {
      parts.push_back(part);
    }
    part.clear();
  };
  for (Char c : full) {
    if (IsPathDelimiter(c)) push();
    else part.push_back(c);
  }
  push();
  String result;
  for (const String& p : parts) result += u"/" + p;
  if (result.empty()) result = u"/";
  if (!full.empty() && IsPathDelimiter(full.back()) && result != u"/") result += u"/";
  return result;
}

String GetCanonicalPath(StringView Path) {
  char buffer[PATH_MAX];
  if (!realpath(N(Path).c_str(), buffer)) return {};
  return UTF8ToString(buffer);
}

bool GetFileIdentity(StringView Path, UInt64& Device, UInt64& Inode) {
  struct stat st;
  if (Path.empty() || stat(N(ExcludeTrailingPathDelimiter(Path)).c_str(), &st) != 0) return false;
  Device = static_cast<UInt64>(st.st_dev);
  Inode = static_cast<UInt64>(st.st_ino);
  return true;
}

DWORD FileGetAttr(StringView Path) {
  if (Path.empty()) return INVALID_FILE_ATTRIBUTES;
  std::string p = N(ExcludeTrailingPathDelimiter(Path));
  struct stat st;
  bool isLink = lstat(p.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
  if (stat(p.c_str(), &st) != 0) return INVALID_FILE_ATTRIBUTES;
  return AttributesOf(st, ExtractFileName(ExcludeTrailingPathDelimiter(Path)), isLink);
}

bool FileSetAttr(StringView Path, DWORD Attributes) {
  std::string p = N(Path);
  struct stat st;
  if (stat(p.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  if (Attributes & faReadOnly) mode &= ~mode_t(S_IWUSR | S_IWGRP | S_IWOTH);
  else mode |= S_IWUSR;
  return chmod(p.c_str(), mode) == 0;
}

bool FileExists(StringView Path) {
  DWORD attr = FileGetAttr(Path);
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & faDirectory);
}

bool DirectoryExists(StringView Path) {
  DWORD attr = FileGetAttr(Path);
  return attr != INVALID_FILE_ATTRIBUTES && (attr & faDirectory);
}

Int64 FileSize(StringView Path) {
  struct stat st;
  if (stat(N(Path).c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return -1;
  return Int64(st.st_size);
}

TFileTime UnixTimeToFileTime(Int64 Seconds, Int64 Nanoseconds) {
  return (Seconds + EpochDelta) * 10000000LL + Nanoseconds / 100;
}

Int64 FileTimeToUnixTime(TFileTime Time) {
  Int64 seconds = Time / 10000000LL;
  if (Time % 10000000LL < 0) --seconds;  // floor for times before 1601
  return seconds - EpochDelta;
}

bool GetFileTimes(StringView Path, TFileTime* Creation, TFileTime* LastAccess, TFileTime* LastWrite) {
  struct stat st;
  if (stat(N(Path).c_str(), &st) != 0) return false;
  if (Creation) *Creation = FromTimespec(st.st_ctim);
  if (LastAccess) *LastAccess = FromTimespec(st.st_atim);
  if (LastWrite) *LastWrite = FromTimespec(st.st_mtim);
  return true;
}

bool SetFileTimes(StringView Path, const TFileTime* LastAccess, const TFileTime* LastWrite) {
  timespec times[2];
  auto fill = [](timespec& ts, const TFileTime* t) {
    if (!t) {
      ts.tv_sec = 0;
      ts.tv_nsec = UTIME_OMIT;
      return;
    }
    Int64 ticks = *t - EpochDelta * 10000000LL;
    Int64 seconds = ticks / 10000000LL, rest = ticks % 10000000LL;
    if (rest < 0) {
      rest += 10000000LL;
      --seconds;
    }
    ts.tv_sec = time_t(seconds);
    ts.tv_nsec = long(rest * 100);
  };
  fill(times[0], LastAccess);
  fill(times[1], LastWrite);
  return utimensat(AT_FDCWD, N(Path).c_str(), times, 0) == 0;
}

bool CopyFile(StringView Source, StringView Target, bool FailIfExists) {
  std::string target = N(Target);
  if (FailIfExists && access(target.c_str(), F_OK) == 0) {
    errno = EEXIST;
    return false;
  }
  return CopyContents(N(Source), target, FailIfExists);
}

bool MoveFile(StringView Source, StringView Target, bool ReplaceExisting) {
  std::string source = N(Source), target = N(Target);
  if (!ReplaceExisting && access(target.c_str(), F_OK) == 0) {
    errno = EEXIST;
    return false;
  }
  if (::rename(source.c_str(), target.c_str()) == 0) return true;
  if (errno != EXDEV) return false;
  if (!CopyContents(source, target, !ReplaceExisting)) return false;
  return ::unlink(source.c_str()) == 0;
}

bool DeleteFile(StringView Path) {
  std::string p = N(Path);
  struct stat st;
  if (lstat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    errno = EISDIR;
    return false;
  }
  return ::unlink(p.c_str()) == 0;
}

bool ReplaceFile(StringView Replaced, StringView Replacement, StringView Backup) {
  std::string replaced = N(Replaced), replacement = N(Replacement);
  if (access(replaced.c_str(), F_OK) != 0 || access(replacement.c_str(), F_OK) != 0) return false;
  if (!Backup.empty()) {
    // The backup is a second name of the old file: the rename below then swaps atomically.
    std::string backup = N(Backup);
    ::unlink(backup.c_str());
    if (::link(replaced.c_str(), backup.c_str()) != 0 && !CopyContents(replaced, backup, false)) return false;
  }
  return ::rename(replacement.c_str(), replaced.c_str()) == 0;
}

bool CreateDir(StringView Path) { return ::mkdir(N(Path).c_str(), 0777) == 0; }

bool RemoveDir(StringView Path) { return ::rmdir(N(Path).c_str()) == 0; }

bool ForceDirectories(StringView Path) {
  if (Path.empty()) return false;
  String full = ExcludeTrailingPathDelimiter(ExpandFileName(Path));
  if (DirectoryExists(full)) return true;
  String parent = ExtractFileDir(full);
  if (!parent.empty() && parent != full && !ForceDirectories(parent)) return false;
  return CreateDir(full) || DirectoryExists(full);
}

bool MatchesMask(StringView Name, StringView Mask) {
  // Iterative wildcard match with backtracking to the last "*".
  size_t n = 0, m = 0, starM = StringView::npos, starN = 0;
  while (n < Name.size()) {
    if (m < Mask.size() && (Mask[m] == u'?' || FoldCase(Mask[m]) == FoldCase(Name[n]))) {
      ++n;
      ++m;
    } else if (m < Mask.size() && Mask[m] == u'*') {
      starM = m++;
      starN = n;
    } else if (starM != StringView::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < Mask.size() && Mask[m] == u'*') ++m;
  // "*.*" matches names without a dot too, as on the system.
  if (m + 1 == Mask.size() && Mask[m] == u'.' && m > 0 && Mask[m - 1] == u'*') return true;
  if (m + 2 == Mask.size() && Mask[m] == u'.' && Mask[m + 1] == u'*') return true;
  return m == Mask.size();
}

int FindFirst(StringView Path, DWORD Attr, TSearchRec& F) {
  FindClose(F);
  String folder = ExtractFilePath(Path);
  String mask = ExtractFileName(Path);
  if (mask.empty()) mask = u"*";
  auto* state = new TFindState;
  state->Folder = N(folder.empty() ? String(u"./") : IncludeTrailingPathDelimiter(folder));
  state->Mask = mask;
  state->Attr = Attr;
  state->Dir = opendir(state->Folder.c_str());
  if (!state->Dir) {
    int error = errno;
    delete state;
    return error;
  }
  F.FindHandle = state;
  F.ExcludeAttr = ~Attr & (faDirectory | faHidden | faSysFile);
  int result = NextMatch(F);
  if (result != 0) FindClose(F);
  return result;
}

int FindNext(TSearchRec& F) {
  if (!F.FindHandle) return EBADF;
  return NextMatch(F);
}

void FindClose(TSearchRec& F) {
  if (auto* state = static_cast<TFindState*>(F.FindHandle)) {
    closedir(state->Dir);
    delete state;
    F.FindHandle = nullptr;
  }
}

String GetTempPath() { return GetUserFolder(TUserFolder::Temp); }

String GetTempFileName(StringView Folder, StringView Prefix) {
  std::string pattern = N(IncludeTrailingPathDelimiter(Folder)) + N(Prefix) + "XXXXXX";
  int fd = mkstemp(pattern.data());
  if (fd < 0) return {};
  ::close(fd);
  return UTF8ToString(pattern);
}

bool GetDiskFreeSpace(StringView Path, UInt64* FreeBytes, UInt64* TotalBytes) {
  struct statvfs st;
  if (statvfs(N(Path).c_str(), &st) != 0) return false;
  if (FreeBytes) *FreeBytes = UInt64(st.f_bavail) * st.f_frsize;
  if (TotalBytes) *TotalBytes = UInt64(st.f_blocks) * st.f_frsize;
  return true;
}

String GetCurrentDir() {
  char buffer[PATH_MAX];
  if (!getcwd(buffer, sizeof buffer)) return {};
  return UTF8ToString(buffer);
}

bool SetCurrentDir(StringView Path) { return chdir(N(Path).c_str()) == 0; }

HMODULE LoadLibrary(StringView Name) {
  if (Name.empty()) return nullptr;
  std::string name = N(Name);
  void* handle = nullptr;
  if (name.find('/') == std::string::npos) {
    std::string local = N(GetProgramFolder()) + name;
    if (access(local.c_str(), F_OK) == 0) handle = dlopen(local.c_str(), RTLD_NOW | RTLD_LOCAL);
  }
  if (!handle) handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  return static_cast<HMODULE>(handle);
}

void* GetProcAddress(HMODULE Module, const char* Name) { return Module ? dlsym(Module, Name) : nullptr; }

bool FreeLibrary(HMODULE Module) { return Module && dlclose(Module) == 0; }
