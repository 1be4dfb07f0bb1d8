#pragma once
// The desktop shell on Linux: opening documents and links with the user's programs
// (xdg-open), starting programs, showing a file in the file manager, and the freedesktop trash
// standing in for the recycle bin. What Linux has no equivalent for (shell links, shutting the
// system down) reports failure by result.

#include <vector>

#include "os/OS.Types.h"

// Opens a document, folder or URL with the user's preferred program, without waiting.
bool ShellOpen(StringView FileOrUrl);
// Starts a program with arguments in a working folder (empty: the current one). With Wait set
// it waits for the end and gives the exit code (-1 when it ended by a signal).
bool RunProgram(StringView Program, const std::vector<String>& Arguments, StringView WorkingDir, bool Wait,
                int* ExitCode = nullptr);
// Splits a parameter text the way the system's command line does: blanks separate arguments,
// double quotes group them, "\"" is a literal quote inside quotes.
std::vector<String> SplitCommandLine(StringView Parameters);
// Opens the folder of the file in the file manager with the file selected where the file
// manager supports it (freedesktop FileManager1), else just the folder.
bool ShellShowInFolder(StringView FileName);

// Moves a file or folder to the user's trash ($XDG_DATA_HOME/Trash) with its .trashinfo record.
bool MoveToTrash(StringView Path);
// Deletes a file or a whole folder tree for good.
bool DeletePermanently(StringView Path);

// Not available on Linux: always false.
bool CreateShellLink(StringView LinkFile, StringView Target, StringView Arguments, StringView Description);
bool ExitSystem(bool Reboot);
// The shell's change notification is not needed on Linux (file managers watch for themselves).
inline void SHChangeNotify(Integer, UINT, const void*, const void*) {}
