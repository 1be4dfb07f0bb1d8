#pragma once
// What the program's command line asks of the editor at start, and where the debug log goes.

#include "rtl/RTL.Types.h"

struct TEditorStartOptions {
  // The file to open at start (once the editor opens files); empty for none.
  String FileName;
  // The switch DEBUG ("/debug", "-DEBUG=..."): the debug log is written.
  bool Debug = false;
};

// Reads Params, the command line's text after the program path: the file is the first parameter
// that belongs to no switch, with one pair of enclosing quotes removed.
TEditorStartOptions ParseStartOptions(const String& Params);

// The debug log of the program ModuleFileName: "<program folder>Profile/<base name>.log".
String DebugLogFileName(const String& ModuleFileName);

// Size above which the debug log is deleted at start, in bytes.
inline constexpr Int64 DebugLogMaxSize = 1048576;

// Turns the debug log on: creates its folder and makes it the default log file (a log larger
// than DebugLogMaxSize is deleted first). False, with the log left off, when the folder cannot
// be created.
bool StartDebugLog(const String& LogFileName);
