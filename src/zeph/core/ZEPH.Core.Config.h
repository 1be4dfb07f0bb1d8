#pragma once
// Start-up and shut-down of the player-side core, and the places where the program keeps its
// files: the global settings "ZEPH.ini" beside the program, the profile folder, the folders of the
// path kinds and the configuration file in the profile folder.

#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Types.h"

class Exception;
class TObject;
class TZCLSyncSafeIniFile;

// Path kinds of CoreConfigGetPath.
constexpr Integer ZEPH_PATH_PROFILE = 0;
constexpr Integer ZEPH_PATH_PLAYLISTS = 1;
constexpr Integer ZEPH_PATH_LANGS = 2;
constexpr Integer ZEPH_PATH_SKINS = 3;
constexpr Integer ZEPH_PATH_PLUGINS = 4;
constexpr Integer ZEPH_PATH_ICONS = 5;
constexpr Integer ZEPH_PATH_AUDIO_LIBRARY = 6;
constexpr Integer ZEPH_PATH_HELP = 9;
constexpr Integer ZEPH_PATH_PROGRAM_SKINS = 11;
constexpr Integer ZEPH_PATH_SYSTEM = 20;
constexpr Integer ZEPH_PATH_ASSETS = 22;

// The built-in folder creation mask (kinds 0 to 6, 9 and 11) and the editor's (0, 2 and 9).
constexpr Cardinal ZEPH_FOLDERS_DEFAULT = 2687;
constexpr Cardinal ZEPH_FOLDERS_EDITOR = 517;

// Called at shut-down in reset mode 1 with the configuration file.
struct IZEPHCoreSettingsResetHook : virtual IInterface {
  RTL_INTERFACE(IZEPHCoreSettingsResetHook, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D0060}")
  virtual void Reset(TZCLSyncSafeIniFile* Config) = 0;
};

// The folder of the path kind, with a trailing delimiter. Raises "CoreConfig is not initalized"
// while the profile folder is not set.
String CoreConfigGetPath(Integer Kind);
// The configuration file, created on first use; callers never free it. Raises like CoreConfigGetPath.
TZCLSyncSafeIniFile* CoreConfigGetIniFile();
// Stores the profile folder (with a trailing delimiter) and creates the folders of the mask.
void CoreConfigSetPath(const String& Folder);

void CoreInitialize();
void CoreFinalize();
bool CoreIsDebugMode();
bool CoreIsUserMode();
void CoreRestart(const String& Parameters);
void CoreResetAndRestart(bool Profile);
String CoreGetHelpFileName();
// Logs E with Text through the log handler when one is installed, else under "Core".
void CoreLogException(TObject* Sender, const Exception* E, const String& Text);
using TZEPHCoreLogHandler = void (*)(TObject* Sender, const Exception& E, const String& Text);
void CoreSetLogHandler(TZEPHCoreLogHandler Handler);

// Defaults the host sets before start-up.
void CoreSetUserModeDefault(bool Value);
void CoreSetFolderCreationMask(Cardinal Mask);
Cardinal CoreGetFolderCreationMask();
void CoreSetSettingsResetHook(const IPtr<IZEPHCoreSettingsResetHook>& Hook);

// Asks the application to close: a close request to the main window, or a quit message when
// there is none.
void CoreCloseApplication();

// The executable's base name, "ZEPH.ini"'s full name and the log file's full name.
String CoreExecutableBaseName();
String CoreGlobalSettingsFileName();
String CoreLogFileName();

// A one-byte named lock held while the core runs; a second holder of the same name gets none.
class TZEPHCoreAtom {
 public:
  explicit TZEPHCoreAtom(const String& Name);
  ~TZEPHCoreAtom();
  TZEPHCoreAtom(const TZEPHCoreAtom&) = delete;
  TZEPHCoreAtom& operator=(const TZEPHCoreAtom&) = delete;
  bool HasHandle() const { return FHandle >= 0; }

 private:
  int FHandle = -1;
};

namespace detail {
// Where the program lives and how its file is named; tests point them elsewhere. Empty restores
// the real values.
void CoreSetProgramFolder(const String& Folder);
void CoreSetExecutableBaseName(const String& Name);
// Unit finalization: clears the profile folder and the reset hook once more.
void CoreConfigFinalize();
}  // namespace detail
