#pragma once
// The diagnostic log: every entry opens the file, appends its lines under one process-wide lock
// and closes it again, so the log is complete up to the last entry even when the program dies.
// Lines are UTF-8: "<thread>\t<yyyy.MM.dd hh:mm:ss.zzz>\t<D/|E/><tag>:\t<text>\r\n". An empty
// file name writes nothing.

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Types.h"

class Exception;
class TZCLCriticalSection;

enum class TZCLLogLevel : Byte { Debug = 0, Error = 1 };

// The default log's full name; empty (no logging) unless the program turns debug logging on.
String DefaultLogFile();
// Sets the default log; when MaxSize is above 0 and the file is larger than MaxSize bytes it is
// deleted. The program calls it once at start with 1,048,576.
void SetDefaultLogFile(const String& FileName, Int64 MaxSize = 0);

// One open log file. Holds Lock (when given) from construction to destruction. A file that
// cannot be opened leaves the object without a handle; its writers then do nothing.
class TZCLLogFile : public TObject {
  ZCL_CLASS(TZCLLogFile, TObject)
 public:
  TZCLLogFile(const String& FileName, TZCLCriticalSection* Lock);
  ~TZCLLogFile() override;

  // Creates the object when FileName is not empty.
  static bool TryCreate(const String& FileName, TZCLLogFile*& LogFile, TZCLCriticalSection* Lock);

  bool IsOpen() const { return FHandle >= 0; }
  // The writers raise EWriteError when the file takes fewer bytes than given.
  void WriteString(StringView S);
  void WriteLineBreak();
  // 74 dashes and CR LF.
  void WriteSeparator();
  void WriteThreadLabel();
  void WriteTime();
  // One whole entry line.
  void WriteLine(StringView Tag, StringView Text, TZCLLogLevel Level);

  // "Main" on the main thread, else "thread-" and the id right-aligned in four characters.
  static String ThreadLabel(Cardinal ThreadId, bool IsMain);

 private:
  void WriteBytes(const void* Data, size_t Size);
  int FHandle = -1;
  TZCLCriticalSection* FLock;
};

// One entry line under the logger lock.
void LogWrite(const String& FileName, StringView Tag, StringView Text, TZCLLogLevel Level = TZCLLogLevel::Debug);
// Formats with Format; never raises (a bad format writes nothing).
void LogWriteFormat(const String& FileName, StringView Tag, StringView Fmt, TVarRecList Args,
                    TZCLLogLevel Level = TZCLLogLevel::Debug) noexcept;
// An Error entry "[class] message" with E's stack trace, if it has one, between separator lines.
void LogWriteException(const String& FileName, StringView Tag, const Exception& E, StringView Context = u"",
                       StringView Location = u"");
// The same from its parts: "<Context>: [<ClassName>] <Message> at <Location>".
void LogWriteEntry(const String& FileName, StringView Tag, StringView ClassName, StringView Message,
                   StringView StackTrace, StringView Context = u"", StringView Location = u"");

// Unit initialisation: the logger lock and the crash report under "App". Finalisation frees
// the lock and clears the default log.
class TZCLLogger {
 public:
  TZCLLogger() = delete;
  static void Initialize();
  static void Finalize();
  // The logger lock; null outside the unit's lifetime.
  static TZCLCriticalSection* Lock();
};
