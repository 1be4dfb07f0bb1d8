#include "zeph/core/ZEPH.Core.Config.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "os/OS.Environment.h"
#include "os/OS.Files.h"
#include "os/OS.Messages.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Strings.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Utils.CommandLine.h"
#include "zcl/base/ZCL.Utils.Common.h"
#include "zcl/base/ZCL.Utils.Logger.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/base/ZCL.Web.h"
#include "zeph/core/ZEPH.Core.h"
#include "zeph/core/ZEPH.Core.Version.h"

namespace {
struct TCoreConfigState {
  String ProgramFolder;
  String ExecutableBaseName;
  bool Debug = false;
  bool UserModeDefault = false;
  bool UserMode = false;
  String ProfileFolder;
  TZCLSyncSafeIniFile* IniFile = nullptr;
  Cardinal FolderMask = ZEPH_FOLDERS_DEFAULT;
  TZEPHCoreAtom* Atom = nullptr;
  bool RestartRequested = false;
  String RestartParameters;
  Integer ResetMode = 0;
  IPtr<IZEPHCoreSettingsResetHook> ResetHook;
  IPtr<IInterface> LanguageListener;
  TZEPHCoreLogHandler LogHandler = nullptr;
};

TCoreConfigState& State() {
  static TCoreConfigState state;
  return state;
}

const Char* const KSystem = u"System";

// "ZEPH.ini", opened for one use and written back when it changed.
class TGlobalSettings {
 public:
  TGlobalSettings() : FIni(Create<TZCLIniFile>(CoreGlobalSettingsFileName())) {}
  ~TGlobalSettings() {
    FIni->UpdateFile();
    Free(FIni);
  }
  TZCLIniFile* operator->() const { return FIni; }

 private:
  TZCLIniFile* FIni;
};

String ProgramFolder() {
  const String& folder = State().ProgramFolder;
  return folder.empty() ? GetProgramFolder() : IncludeTrailingPathDelimiter(folder);
}

void Log(StringView Text) { LogWrite(DefaultLogFile(), u"Core", Text); }

[[noreturn]] void RaiseNotInitialized() { throw Exception(u"CoreConfig is not initalized"); }

String ProfileFolderFor(bool UserMode) {
  if (UserMode) return IncludeTrailingPathDelimiter(GetUserFolder(TUserFolder::RoamingAppData)) + u"ZEPH/";
  return ProgramFolder() + u"Profile/";
}

String PathOf(Integer Kind, const String& Profile) {
  switch (Kind) {
    case ZEPH_PATH_PLAYLISTS: return Profile + u"PLS/";
    case ZEPH_PATH_LANGS: return ProgramFolder() + u"Langs/";
    case ZEPH_PATH_SKINS: return Profile + u"Skins/";
    case ZEPH_PATH_PLUGINS: return ProgramFolder() + u"Plugins/";
    case ZEPH_PATH_ICONS: return ProgramFolder() + u"Icons/";
    case ZEPH_PATH_AUDIO_LIBRARY: return Profile + u"AudioLibrary/";
    case ZEPH_PATH_HELP: return ProgramFolder() + u"Help/";
    case ZEPH_PATH_PROGRAM_SKINS: return ProgramFolder() + u"Skins/";
    case ZEPH_PATH_SYSTEM: return ProgramFolder() + u"System/";
    case ZEPH_PATH_ASSETS: return ProgramFolder() + u"Assets/";
    default: return Profile;
  }
}

// Merges the default language links in the early phase and remembers the chosen file at the end.
class TZEPHCoreLanguageListener : public TInterfacedObject, public IZCLLocalizationListener2 {
  ZCL_CLASS(TZEPHCoreLanguageListener, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZCLLocalizationListener2)
 public:
  void LanguageLoaded() override {
    try {
      LangFile()->MergeDefaultsFromResource(nullptr, u"DEFAULT_LANGLINKS", u"RCDATA");
    } catch (const EResNotFound&) {
      // The program carries no default links: the file stays as loaded.
    }
  }
  void LanguageChanged() override {
    const String name = LangFile()->GetShortFileName();
    if (!State().ProfileFolder.empty()) CoreConfigGetIniFile()->WriteString(KSystem, u"LangFile", name);
    TGlobalSettings global;
    global->WriteString(KSystem, u"DefaultLang", name);
  }
};

bool LangCandidate(const String& Name) { return !Name.empty() && FileExists(GetLangsFolder() + Name); }

String ChooseLanguageFile() {
  String name = CoreConfigGetIniFile()->ReadString(KSystem, u"LangFile", u"");
  if (LangCandidate(name)) return name;
  {
    TGlobalSettings global;
    name = global->ReadString(KSystem, u"DefaultLang", u"");
  }
  if (LangCandidate(name)) return name;
  name = LangGetDefaultFile();
  if (LangCandidate(name)) return name;
  return u"English.lng";
}

void ReadGlobalSettings() {
  TGlobalSettings global;
  State().Debug = global->ReadBool(KSystem, u"Debug", false);
  State().UserMode = global->ReadBool(KSystem, u"UserMode", State().UserModeDefault);
  if (!global->ExistsKey(KSystem, u"ID")) global->WriteString(KSystem, u"ID", TGUID::NewGuid().ToString());
  global->WriteInteger(KSystem, u"Build", CoreBuildNumber());
  global->WriteInteger(KSystem, u"Version", CoreVersionID());
}
}  // namespace

// ---- paths ---------------------------------------------------------------------------------------

String CoreExecutableBaseName() {
  const String& name = State().ExecutableBaseName;
  return name.empty() ? ChangeFileExt(ExtractFileName(GetModuleFileName()), u"") : name;
}

String CoreGlobalSettingsFileName() { return ProgramFolder() + u"ZEPH.ini"; }

String CoreLogFileName() { return ProfileFolderFor(State().UserMode) + CoreExecutableBaseName() + u".log"; }

String CoreConfigGetPath(Integer Kind) {
  if (State().ProfileFolder.empty()) RaiseNotInitialized();
  return PathOf(Kind, State().ProfileFolder);
}

TZCLSyncSafeIniFile* CoreConfigGetIniFile() {
  TCoreConfigState& state = State();
  if (state.ProfileFolder.empty()) RaiseNotInitialized();
  if (!state.IniFile) {
    state.IniFile = Create<TZCLSyncSafeIniFile>(state.ProfileFolder + CoreExecutableBaseName() + u".ini", true);
    state.IniFile->SetEncoding(nullptr);
  }
  return state.IniFile;
}

void CoreConfigSetPath(const String& Folder) {
  TCoreConfigState& state = State();
  state.ProfileFolder = IncludeTrailingPathDelimiter(Folder);
  static const Integer order[] = {9, 5, 2, 6, 1, 4, 0, 3, 11, 20};
  for (Integer kind : order)
    if (state.FolderMask & (1u << kind)) ForceDirectories(PathOf(kind, state.ProfileFolder));
}

void CoreSetUserModeDefault(bool Value) { State().UserModeDefault = Value; }
void CoreSetFolderCreationMask(Cardinal Mask) { State().FolderMask = Mask; }
Cardinal CoreGetFolderCreationMask() { return State().FolderMask; }
void CoreSetSettingsResetHook(const IPtr<IZEPHCoreSettingsResetHook>& Hook) { State().ResetHook = Hook; }
void CoreSetLogHandler(TZEPHCoreLogHandler Handler) { State().LogHandler = Handler; }

bool CoreIsDebugMode() {
  return State().Debug ||
         TZCLCommandLineProcessor::HasCommand(TZCLCommandLineProcessor::GetCommandLine(), u"DEBUG");
}

bool CoreIsUserMode() { return State().UserMode; }

String CoreGetHelpFileName() {
  return CoreConfigGetPath(ZEPH_PATH_HELP) + LangGet(u"File", u"Help", u"ZEPH-en.chm");
}

void CoreLogException(TObject* Sender, const Exception* E, const String& Text) {
  if (!E) return;
  if (State().LogHandler)
    State().LogHandler(Sender, *E, Text);
  else
    LogWriteException(DefaultLogFile(), u"Core", *E, Text);
}

void CoreCloseApplication() {
  TCustomForm* mainForm = Application ? Application->GetMainForm() : nullptr;
  if (mainForm)
    PostMessage(mainForm->GetHandle(), WM_CLOSE, 0, 0);
  else
    PostQuitMessage(0);
}

void CoreRestart(const String& Parameters) {
  if (!TZEPHCore::InstanceIfExists()) return;
  State().RestartParameters = Parameters;
  State().RestartRequested = true;
  CoreCloseApplication();
}

void CoreResetAndRestart(bool Profile) {
  if (!TZEPHCore::InstanceIfExists()) return;
  State().ResetMode = Profile ? 2 : 1;
  CoreRestart(u"");
}

// ---- atom ----------------------------------------------------------------------------------------

TZEPHCoreAtom::TZEPHCoreAtom(const String& Name) {
  // An abstract local socket name is the machine-wide name; the system drops it with the process.
  const std::string name = StringToUTF8(Name);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const size_t length = std::min(name.size(), sizeof(address.sun_path) - 1);
  std::memcpy(address.sun_path + 1, name.data(), length);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length)) != 0) {
    close(fd);
    return;
  }
  FHandle = fd;
}

TZEPHCoreAtom::~TZEPHCoreAtom() {
  if (FHandle >= 0) close(FHandle);
}

// ---- start-up and shut-down ----------------------------------------------------------------------

void CoreInitialize() {
  if (TZEPHCore::IsRunning()) return;
  TCoreConfigState& state = State();
  ReadGlobalSettings();
  if (CoreIsDebugMode()) {
    // The profile folder is made now, so that the first lines of the log are not lost.
    ForceDirectories(ProfileFolderFor(state.UserMode));
    SetDefaultLogFile(CoreLogFileName(), 1048576);
    Log(CoreVersionText());
    Log(GetOSVersionText());
    Log(u"Initializing");
  }
  delete state.Atom;
  state.Atom = new TZEPHCoreAtom(u"TZEPHCoreAtom:" + UpperCase(CoreExecutableBaseName()));
  TZCLWebSettings::SetUserAgentProduct(CoreUserAgentPrefix());
  CoreConfigSetPath(ProfileFolderFor(state.UserMode));
  SetLangsFolder(CoreConfigGetPath(ZEPH_PATH_LANGS));
  if (!state.LanguageListener) {
    state.LanguageListener = IPtr<IInterface>(static_cast<IZCLLocalizationListener2*>(Create<TZEPHCoreLanguageListener>()));
    LangAddListener(state.LanguageListener);
  }
  LangFile()->LoadFromFile(ChooseLanguageFile());
  // FIXME: the default interface font ("Segoe UI", height -11) belongs to the UI foundation's
  // application settings, which are not built yet; the fonts of "Assets" are only for Wine.
  TZEPHCore* core = TZEPHCore::Instance();
  core->CreateServices();
  core->RunStartProcs();
  TZEPHCore::SetRunning(true);
  Log(u"Initialized");
}

void CoreFinalize() {
  TCoreConfigState& state = State();
  if (TZEPHCore::IsRunning()) {
    Log(u"Finalizing");
    TZEPHCore::SetRunning(false);
    TZEPHCore::Instance()->RunStopProcs();
    if (state.RestartRequested && state.ResetMode == 1 && state.ResetHook) state.ResetHook->Reset(CoreConfigGetIniFile());
    const String profile = state.ProfileFolder;
    state.ProfileFolder.clear();
    TZCLSyncSafeIniFile* ini = state.IniFile;
    state.IniFile = nullptr;
    Free(ini);
    if (state.RestartRequested && state.ResetMode == 2) TZCLRecycleBin::Delete(ExcludeTrailingPathDelimiter(profile));
    delete state.Atom;
    state.Atom = nullptr;
    if (state.LanguageListener) {
      LangRemoveListener(state.LanguageListener);
      state.LanguageListener = nullptr;
    }
    Log(u"Finalized");
    if (state.RestartRequested) ShellRun(GetModuleFileName(), state.RestartParameters);
    state.RestartRequested = false;
    state.RestartParameters.clear();
    state.ResetMode = 0;
  }
  TZEPHCore::FreeInstance();
}

namespace detail {
void CoreSetProgramFolder(const String& Folder) { State().ProgramFolder = Folder; }
void CoreSetExecutableBaseName(const String& Name) { State().ExecutableBaseName = Name; }
void CoreConfigFinalize() {
  State().ProfileFolder.clear();
  State().ResetHook = nullptr;
  Free(State().IniFile);
  State().IniFile = nullptr;
}
}  // namespace detail
