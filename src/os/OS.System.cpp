#include "os/OS.System.h"

#include <execinfo.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unicode/uloc.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <mutex>
#include <string>

#include "os/OS.Environment.h"
#include "rtl/RTL.Exceptions.h"

namespace {
std::string N(StringView s) { return StringToUTF8(s); }

std::string LocaleSetting() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value && *value) return value;
  }
  return {};
}
}  // namespace

String GetUserLocaleName() {
  std::string value = LocaleSetting();
  // "de_DE.UTF-8@euro" -> "de_DE"
  value = value.substr(0, value.find_first_of(".@"));
  if (value.empty() || value == "C" || value == "POSIX") return u"en_US";
  return UTF8ToString(value);
}

LCID LocaleNameToLCID(StringView LocaleName) {
  std::string name = N(LocaleName);
  for (char& c : name)
    if (c == '-') c = '_';
  return uloc_getLCID(name.c_str());
}

LCID GetUserDefaultLCID() {
  LCID id = LocaleNameToLCID(GetUserLocaleName());
  return id ? id : 0x0409;
}

LANGID GetUserDefaultUILanguage() { return LANGID(GetUserDefaultLCID() & 0xFFFF); }

String detail::ReadOSName(std::istream& In) {
  std::string line;
  while (std::getline(In, line)) {
    if (line.rfind("PRETTY_NAME=", 0) != 0) continue;
    std::string value = line.substr(12);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
      value = value.substr(1, value.size() - 2);
    if (!value.empty()) return UTF8ToString(value);
  }
  return {};
}

String GetOSName() {
  for (const char* file : {"/etc/os-release", "/usr/lib/os-release"}) {
    std::ifstream in(file);
    const String name = detail::ReadOSName(in);
    if (!name.empty()) return name;
  }
  return u"Linux";
}

String GetKernelVersion() {
  utsname name;
  if (uname(&name) != 0) return {};
  return UTF8ToString(name.release);
}

bool GetMemoryStatus(UInt64* Total, UInt64* Available) {
  struct sysinfo info;
  if (sysinfo(&info) != 0) return false;
  if (Total) *Total = UInt64(info.totalram) * info.mem_unit;
  if (Available) {
    // MemAvailable counts reclaimable caches, which "free" does not.
    *Available = UInt64(info.freeram) * info.mem_unit;
    std::ifstream in("/proc/meminfo");
    detail::ReadMemAvailable(in, *Available);
  }
  return true;
}

bool detail::ReadMemAvailable(std::istream& In, UInt64& Bytes) {
  // Line by line: some lines (the huge-page counts) have no unit.
  std::string line;
  while (std::getline(In, line)) {
    if (line.rfind("MemAvailable:", 0) != 0) continue;
    const char* digits = line.c_str() + 13;
    while (*digits == ' ' || *digits == '\t') ++digits;
    if (*digits < '0' || *digits > '9') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long kb = std::strtoull(digits, &end, 10);
    if (errno == ERANGE || kb > UINT64_MAX / 1024) return false;
    Bytes = UInt64(kb) * 1024;
    return true;
  }
  return false;
}

HANDLE CreateNamedAtom(StringView Name) {
  // Upper-case, and keep the file name safe: anything but letters and digits becomes "_" plus
  // the code in hex, so different names stay different.
  std::string file;
  for (Char c : Name) {
    Char u = (c >= u'a' && c <= u'z') ? Char(c - 32) : c;
    if ((u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9')) {
      file.push_back(char(u));
    } else {
      char buf[8];
      std::snprintf(buf, sizeof buf, "_%04X", unsigned(u));
      file += buf;
    }
  }
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string folder = runtime && runtime[0] == '/' ? std::string(runtime) + "/zephse"
                                                     : N(GetUserFolder(TUserFolder::Temp)) + "zephse-" +
                                                           std::to_string(getuid());
  mkdir(folder.c_str(), 0700);
  std::string path = folder + "/" + file + ".lock";
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    close(fd);
    return nullptr;
  }
  // The handle is the descriptor plus one, so that descriptor 0 is not a null handle.
  return reinterpret_cast<HANDLE>(intptr_t(fd) + 1);
}

void CloseNamedAtom(HANDLE Atom) {
  if (!Atom) return;
  int fd = int(reinterpret_cast<intptr_t>(Atom) - 1);
  flock(fd, LOCK_UN);
  close(fd);
}

// Crash handler ---------------------------------------------------------------------------------

namespace {
TCrashReport GReport;
TCrashReport GShow;
std::once_flag GInstalled;
std::terminate_handler GPreviousTerminate = nullptr;

void Report(const String& text) {
  std::string utf8 = StringToUTF8(text);
  [[maybe_unused]] ssize_t n = write(2, utf8.data(), utf8.size());
  try {
    if (GReport) GReport(text);
    if (GShow) GShow(text);
  } catch (...) {
  }
}

void OnTerminate() {
  String text = u"ZEPHSE stopped because of an error nobody handled.\n";
  if (std::exception_ptr error = std::current_exception()) {
    try {
      std::rethrow_exception(error);
    } catch (const Exception& e) {
      text += u"[" + e.ClassName() + u"] " + e.GetMessage() + u"\n";
      String trace = e.GetStackTrace();
      if (!trace.empty()) text += String(74, u'-') + u"\n" + trace + String(74, u'-') + u"\n";
    } catch (const std::exception& e) {
      text += u"[std::exception] " + UTF8ToString(e.what()) + u"\n";
    } catch (...) {
      text += u"[unknown exception]\n";
    }
  }
  Report(text);
  std::signal(SIGABRT, SIG_DFL);
  std::abort();
}

[[maybe_unused]] void OnSignal(int signal) {  // unused under AddressSanitizer
  // Only async-signal-safe calls here: write and backtrace_symbols_fd.
  static const char head[] = "ZEPHSE stopped: fatal signal ";
  [[maybe_unused]] ssize_t n = write(2, head, sizeof head - 1);
  const char* name = strsignal(signal);
  n = write(2, name, std::strlen(name));
  n = write(2, "\n", 1);
  void* frames[64];
  int count = backtrace(frames, 64);
  backtrace_symbols_fd(frames, count, 2);
  std::signal(signal, SIG_DFL);
  raise(signal);
}
}  // namespace

void InstallCrashHandler() {
  std::call_once(GInstalled, [] {
    GPreviousTerminate = std::set_terminate(OnTerminate);
    // Load libgcc's unwinder now: backtrace() may allocate on its first call, which a signal
    // handler must not do.
    void* frames[2];
    backtrace(frames, 2);
#ifndef __SANITIZE_ADDRESS__
    // AddressSanitizer reports these signals better itself.
    for (int s : {SIGSEGV, SIGBUS, SIGILL, SIGFPE}) std::signal(s, OnSignal);
#endif
  });
}

void SetCrashReportCallback(TCrashReport Report) { GReport = std::move(Report); }
void SetCrashMessageCallback(TCrashReport Show) { GShow = std::move(Show); }
