#include "os/OS.Shell.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "os/OS.Environment.h"
#include "os/OS.Files.h"

extern char** environ;

namespace {
std::string N(StringView s) { return StringToUTF8(s); }

bool Spawn(const std::vector<std::string>& argv, const std::string& dir, bool wait, int* exitCode, bool quiet) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (quiet) {
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  }
  if (!dir.empty()) posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
  pid_t pid = 0;
  int rc = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    errno = rc;
    return false;
  }
  if (!wait) {
    // Reap the child from a detached thread so that it does not linger as a zombie.
    std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
    return true;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return false;
  if (exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return true;
}

// Percent-encodes a path for the trash record (RFC 2396 path characters stay).
std::string EncodePath(const std::string& path) {
  std::string out;
  static const char digits[] = "0123456789ABCDEF";
  for (unsigned char c : path) {
    if (isalnum(c) || std::string_view("/-_.!~*'()").find(char(c)) != std::string_view::npos) {
      out.push_back(char(c));
    } else {
      out.push_back('%');
      out.push_back(digits[c >> 4]);
      out.push_back(digits[c & 15]);
    }
  }
  return out;
}
}  // namespace

bool ShellOpen(StringView FileOrUrl) {
  if (FileOrUrl.empty()) return false;
  return Spawn({"xdg-open", N(FileOrUrl)}, {}, false, nullptr, true);
}

bool RunProgram(StringView Program, const std::vector<String>& Arguments, StringView WorkingDir, bool Wait,
                int* ExitCode) {
  if (Program.empty()) return false;
  std::vector<std::string> argv{N(Program)};
  for (const String& a : Arguments) argv.push_back(N(a));
  return Spawn(argv, N(WorkingDir), Wait, ExitCode, false);
}

std::vector<String> SplitCommandLine(StringView Parameters) {
  std::vector<String> result;
  String current;
  bool inQuotes = false, any = false;
  for (size_t i = 0; i < Parameters.size(); ++i) {
    Char c = Parameters[i];
    if (c == u'\\' && i + 1 < Parameters.size() && Parameters[i + 1] == u'"') {
      current.push_back(u'"');
      ++i;
      any = true;
    } else if (c == u'"') {
      inQuotes = !inQuotes;
      any = true;
    } else if ((c == u' ' || c == u'\t') && !inQuotes) {
      if (any) result.push_back(std::move(current));
      current.clear();
      any = false;
    } else {
      current.push_back(c);
      any = true;
    }
  }
  if (any) result.push_back(std::move(current));
  return result;
}

bool ShellShowInFolder(StringView FileName) {
  std::string uri = "file://" + EncodePath(N(ExpandFileName(FileName)));
  int code = -1;
  if (Spawn({"dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.FileManager1",
             "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1.ShowItems", "array:string:" + uri,
             "string:"},
            {}, true, &code, true) &&
      code == 0)
    return true;
  return ShellOpen(ExtractFilePath(ExpandFileName(FileName)));
}

bool MoveToTrash(StringView Path) {
  String full = ExcludeTrailingPathDelimiter(ExpandFileName(Path));
  if (FileGetAttr(full) == INVALID_FILE_ATTRIBUTES) return false;
  String trash = GetUserFolder(TUserFolder::LocalAppData) + u"Trash/";
  if (!ForceDirectories(trash + u"files") || !ForceDirectories(trash + u"info")) return false;
  // Find a free name: "name", "name.2", "name.3"... The .trashinfo is created exclusively
  // first, which reserves the name against another process doing the same.
  String name = ExtractFileName(full);
  std::string info;
  String target;
  for (int n = 1; n < 10000; ++n) {
    String candidate = n == 1 ? name : name + u"." + AsciiToString(std::to_string(n));
    info = N(trash + u"info/" + candidate + u".trashinfo");
    int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    if (FileGetAttr(trash + u"files/" + candidate) != INVALID_FILE_ATTRIBUTES) {
      ::close(fd);
      ::unlink(info.c_str());
      continue;
    }
    char when[32];
    std::time_t now = std::time(nullptr);
    std::tm local;
    localtime_r(&now, &local);
    std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%S", &local);
    std::string record = "[Trash Info]\nPath=" + EncodePath(N(full)) + "\nDeletionDate=" + when + "\n";
    bool ok = ::write(fd, record.data(), record.size()) == ssize_t(record.size());
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
      ::unlink(info.c_str());
      return false;
    }
    target = trash + u"files/" + candidate;
    break;
  }
  if (target.empty()) return false;
  std::error_code ec;
  std::filesystem::rename(N(full), N(target), ec);
  if (ec == std::errc::cross_device_link) {
    std::filesystem::copy(N(full), N(target), std::filesystem::copy_options::recursive, ec);
    if (!ec) std::filesystem::remove_all(N(full), ec);
  }
  if (ec) {
    ::unlink(info.c_str());
    return false;
  }
  return true;
}

bool DeletePermanently(StringView Path) {
  std::error_code ec;
  std::uintmax_t removed = std::filesystem::remove_all(N(Path), ec);
  return !ec && removed > 0;
}

bool CreateShellLink(StringView, StringView, StringView, StringView) { return false; }

bool ExitSystem(bool) { return false; }
