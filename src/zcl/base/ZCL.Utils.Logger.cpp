#include "zcl/base/ZCL.Utils.Logger.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <mutex>

#include "os/OS.System.h"
#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"

namespace {

constexpr char kLineBreak[] = "\r\n";
constexpr char kSeparator[] = "--------------------------------------------------------------------------\r\n";
static_assert(sizeof(kSeparator) == 74 + 3);

TZCLCriticalSection* GLoggerLock = nullptr;

struct TDefaultLog {
  std::mutex Lock;
  String FileName;
};
TDefaultLog& DefaultLog() {
  static TDefaultLog log;
  return log;
}

// The crash report: its first line as the entry, the rest (what happened, the stack) below it.
void LogCrashReport(const String& Text) {
  const String fileName = DefaultLogFile();
  if (fileName.empty()) return;
  const size_t lineEnd = Text.find_first_of(u"\r\n");
  const StringView first = StringView(Text).substr(0, lineEnd);
  StringView rest = lineEnd == String::npos ? StringView() : StringView(Text).substr(lineEnd);
  while (!rest.empty() && (rest.front() == u'\r' || rest.front() == u'\n')) rest.remove_prefix(1);
  while (!rest.empty() && (rest.back() == u'\r' || rest.back() == u'\n')) rest.remove_suffix(1);
  // Another thread may hold the lock while this one crashes: waiting would hang the crash.
  TZCLCriticalSection* lock = GLoggerLock;
  if (lock != nullptr && lock->IsLocked() && lock->GetOwnerThreadId() != GetCurrentThreadId()) lock = nullptr;
  try {
    TZCLLogFile log(fileName, lock);
    log.WriteLine(u"App", first, TZCLLogLevel::Error);
    if (!rest.empty()) {
      log.WriteSeparator();
      log.WriteString(rest);
      log.WriteLineBreak();
      log.WriteSeparator();
    }
  } catch (...) {
  }
}

}  // namespace

String DefaultLogFile() {
  TDefaultLog& log = DefaultLog();
  std::lock_guard<std::mutex> guard(log.Lock);
  return log.FileName;
}

void SetDefaultLogFile(const String& FileName, Int64 MaxSize) {
  {
    TDefaultLog& log = DefaultLog();
    std::lock_guard<std::mutex> guard(log.Lock);
    log.FileName = FileName;
  }
  if (MaxSize > 0 && !FileName.empty() && zcFileExists(FileName) && zcFileSize(FileName) > MaxSize)
    zcDeleteFile(FileName);
}

// ---- TZCLLogFile ----------------------------------------------------------------------------------------

TZCLLogFile::TZCLLogFile(const String& FileName, TZCLCriticalSection* Lock) : FLock(Lock) {
  if (FLock != nullptr) FLock->Enter();
  // Appending moves every write to the end, also when another process appends meanwhile.
  FHandle = ::open(StringToUTF8(FileName).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
}

TZCLLogFile::~TZCLLogFile() {
  if (FHandle >= 0) ::close(FHandle);
  if (FLock != nullptr) {
    try {
      FLock->Leave();
    } catch (...) {
    }
  }
}

bool TZCLLogFile::TryCreate(const String& FileName, TZCLLogFile*& LogFile, TZCLCriticalSection* Lock) {
  LogFile = FileName.empty() ? nullptr : new TZCLLogFile(FileName, Lock);
  return LogFile != nullptr;
}

void TZCLLogFile::WriteBytes(const void* Data, size_t Size) {
  if (FHandle < 0 || Size == 0) return;
  const auto* p = static_cast<const char*>(Data);
  while (Size > 0) {
    const ssize_t n = ::write(FHandle, p, Size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw EWriteError(u"Stream write error");
    p += n;
    Size -= static_cast<size_t>(n);
  }
}

void TZCLLogFile::WriteString(StringView S) {
  if (FHandle < 0 || S.empty()) return;
  const std::string bytes = StringToUTF8(S);
  WriteBytes(bytes.data(), bytes.size());
}

void TZCLLogFile::WriteLineBreak() { WriteBytes(kLineBreak, 2); }

void TZCLLogFile::WriteSeparator() { WriteBytes(kSeparator, sizeof(kSeparator) - 1); }

String TZCLLogFile::ThreadLabel(Cardinal ThreadId, bool IsMain) {
  return IsMain ? String(u"Main") : Format(u"thread-%4d", {static_cast<Int64>(ThreadId)});
}

void TZCLLogFile::WriteThreadLabel() {
  if (FHandle < 0) return;
  WriteString(ThreadLabel(GetCurrentThreadId(), IsMainThread()) + u'\t');
}

void TZCLLogFile::WriteTime() {
  if (FHandle < 0) return;
  // ":" is the locale's time separator; the dots are literal.
  WriteString(FormatDateTime(u"yyyy.mm.dd hh:nn:ss.zzz", Now()) + u'\t');
}

void TZCLLogFile::WriteLine(StringView Tag, StringView Text, TZCLLogLevel Level) {
  if (FHandle < 0) return;
  String line = ThreadLabel(GetCurrentThreadId(), IsMainThread());
  line += u'\t';
  line += FormatDateTime(u"yyyy.mm.dd hh:nn:ss.zzz", Now());
  line += u'\t';
  line += Level == TZCLLogLevel::Error ? u"E/" : u"D/";
  line += Tag;
  line += u":\t";
  line += Text;
  line += u"\r\n";
  // One write per line, so a line is never split by another process's append.
  WriteString(line);
}

// ---- writers ----------------------------------------------------------------------------------------------

void LogWrite(const String& FileName, StringView Tag, StringView Text, TZCLLogLevel Level) {
  TZCLLogFile* log = nullptr;
  if (!TZCLLogFile::TryCreate(FileName, log, GLoggerLock)) return;
  std::unique_ptr<TZCLLogFile> owner(log);
  log->WriteLine(Tag, Text, Level);
}

void LogWriteFormat(const String& FileName, StringView Tag, StringView Fmt, TVarRecList Args,
                    TZCLLogLevel Level) noexcept {
  if (FileName.empty()) return;
  try {
    LogWrite(FileName, Tag, Format(Fmt, Args), Level);
  } catch (...) {
  }
}

void LogWriteException(const String& FileName, StringView Tag, const Exception& E, StringView Context,
                       StringView Location) {
  if (FileName.empty()) return;
  LogWriteEntry(FileName, Tag, E.ClassName(), E.GetMessage(), E.GetStackTrace(), Context, Location);
}

void LogWriteEntry(const String& FileName, StringView Tag, StringView ClassName, StringView Message,
                   StringView StackTrace, StringView Context, StringView Location) {
  String text = u"[" + String(ClassName) + u"] " + String(Message);
  if (!Context.empty()) text = String(Context) + u": " + text;
  if (!Location.empty()) text += u" at " + String(Location);
  TZCLLogFile* log = nullptr;
  if (!TZCLLogFile::TryCreate(FileName, log, GLoggerLock)) return;
  std::unique_ptr<TZCLLogFile> owner(log);
  log->WriteLine(Tag, text, TZCLLogLevel::Error);
  if (!StackTrace.empty()) {
    log->WriteSeparator();
    log->WriteString(StackTrace);
    log->WriteLineBreak();
    log->WriteSeparator();
  }
}

// ---- unit ---------------------------------------------------------------------------------------------------

void TZCLLogger::Initialize() {
  if (GLoggerLock == nullptr) GLoggerLock = new TZCLCriticalSection(nullptr, u"Logger");
  SetCrashReportCallback(LogCrashReport);
}

void TZCLLogger::Finalize() {
  SetCrashReportCallback(nullptr);
  SetDefaultLogFile(String());
  delete GLoggerLock;
  GLoggerLock = nullptr;
}

TZCLCriticalSection* TZCLLogger::Lock() { return GLoggerLock; }
