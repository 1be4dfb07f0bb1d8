#pragma once
// Facts about the system and the user, a per-user named lock that tells the first running
// instance, and the top-level crash handler.

#include <functional>
#include <iosfwd>

#include "os/OS.Types.h"

using LANGID = uint16_t;
using LCID = uint32_t;

// The user's locale from LC_ALL, LC_MESSAGES or LANG ("de_DE", "pt_BR"; "en_US" when none is
// set or the setting is "C"/"POSIX").
String GetUserLocaleName();
// The system's numeric language identifier of a locale name ("de_DE" is 0x0407), through ICU's
// mapping; 0 when unknown.
LCID LocaleNameToLCID(StringView LocaleName);
LANGID GetUserDefaultUILanguage();
LCID GetUserDefaultLCID();

// "Debian GNU/Linux 12 (bookworm)" from os-release, else "Linux".
String GetOSName();
// The kernel's release ("6.1.0-18-amd64").
String GetKernelVersion();
// Physical memory in bytes.
bool GetMemoryStatus(UInt64* Total, UInt64* Available);

namespace detail {
// What GetOSName and GetMemoryStatus read: PRETTY_NAME of an os-release text (empty when it has
// none), and MemAvailable of a meminfo text in bytes (false when it has none).
String ReadOSName(std::istream& In);
bool ReadMemAvailable(std::istream& In, UInt64& Bytes);
}  // namespace detail

// A name held by at most one process of the user at a time (and by one holder inside a process).
// Backed by a lock file under $XDG_RUNTIME_DIR (or the temporary folder); the lock goes with the
// process, so a crashed instance never blocks the next. Names compare ignoring case.
// Null when another holder has the name.
HANDLE CreateNamedAtom(StringView Name);
void CloseNamedAtom(HANDLE Atom);

// The crash handler: for an exception nobody caught or a fatal signal it writes what happened
// and the stack to standard error, hands the text to the report callback (the log, once one
// exists), shows it through the message callback when one is set, and ends the process.
using TCrashReport = std::function<void(const String& Text)>;
void InstallCrashHandler();
// Both run on the crashing thread with the process in an unknown state: keep them simple.
void SetCrashReportCallback(TCrashReport Report);
void SetCrashMessageCallback(TCrashReport Show);
