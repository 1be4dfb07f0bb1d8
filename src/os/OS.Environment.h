#pragma once
// Where things are on this machine: environment variables, the user's folders (XDG), the
// program's own file, the temporary folder. Folders are returned with a trailing "/".

#include "os/OS.Types.h"

String GetEnvironmentVariable(StringView Name);
bool SetEnvironmentVariable(StringView Name, StringView Value);
// Expands $NAME, ${NAME} and %NAME% references; unknown names are left as they stand.
String ExpandEnvironmentStrings(StringView Text);

enum class TUserFolder {
  Home,
  RoamingAppData,  // $XDG_CONFIG_HOME, default ~/.config
  LocalAppData,    // $XDG_DATA_HOME, default ~/.local/share
  Cache,           // $XDG_CACHE_HOME, default ~/.cache
  Documents,       // XDG user dirs (user-dirs.dirs), else ~/Documents
  Music,
  Pictures,
  Desktop,
  Downloads,
  Temp,            // $TMPDIR, default /tmp
};
String GetUserFolder(TUserFolder Folder);

// The running program's executable file and its folder ("program folder").
String GetModuleFileName();
String GetProgramFolder();

String GetUserName();
String GetComputerName();
