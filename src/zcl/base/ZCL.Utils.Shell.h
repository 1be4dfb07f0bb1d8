#pragma once
// What the program asks of the desktop shell: starting programs and opening addresses, file
// operations with the trash standing in for the recycle bin, special folders, the folder
// hierarchy as item-ID lists, and the "Shell IDList Array" clipboard form.
//
// On Linux the shell namespace is the file system: the desktop is "/", and an item ID is one
// path component ([16-bit size including itself][name in UTF-16LE]). An ID list is a run of such
// items ended by an item of size 0. Shell links, libraries, elevation and shutting the system
// down do not exist here and fail by result.

#include <functional>
#include <vector>

#include "os/OS.Types.h"
#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Objects.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"

class TCustomMemoryStream;
class TZCLStringList;

using PItemIDList = Byte*;
using PCItemIDList = const Byte*;

// Attribute bits of shell items.
constexpr DWORD SFGAO_STORAGE = 0x00000008;
constexpr DWORD SFGAO_LINK = 0x00010000;
constexpr DWORD SFGAO_READONLY = 0x00040000;
constexpr DWORD SFGAO_STREAM = 0x00400000;
constexpr DWORD SFGAO_STORAGEANCESTOR = 0x00800000;
constexpr DWORD SFGAO_FILESYSANCESTOR = 0x10000000;
constexpr DWORD SFGAO_FOLDER = 0x20000000;
constexpr DWORD SFGAO_FILESYSTEM = 0x40000000;
constexpr DWORD SFGAO_HASSUBFOLDER = 0x80000000;

// Display-name flags.
constexpr DWORD SHGDN_NORMAL = 0;
constexpr DWORD SHGDN_INFOLDER = 1;
constexpr DWORD SHGDN_FORPARSING = 0x8000;

// Special folders.
constexpr Integer CSIDL_DESKTOP = 0;
constexpr Integer CSIDL_PERSONAL = 5;
constexpr Integer CSIDL_MYMUSIC = 13;
constexpr Integer CSIDL_DESKTOPDIRECTORY = 16;
constexpr Integer CSIDL_APPDATA = 26;
constexpr Integer CSIDL_LOCAL_APPDATA = 28;
constexpr Integer CSIDL_MYPICTURES = 39;
constexpr Integer CSIDL_PROFILE = 40;

// A string handed back by a shell folder: wide, 8-bit at an offset inside an ID, or 8-bit in place.
constexpr UINT STRRET_WSTR = 0;
constexpr UINT STRRET_OFFSET = 1;
constexpr UINT STRRET_CSTR = 2;
struct STRRET {
  UINT uType = STRRET_WSTR;
  const Char* pOleStr = nullptr;  // STRRET_WSTR, not owned
  UINT uOffset = 0;               // STRRET_OFFSET
  char cStr[260] = {};            // STRRET_CSTR
};

// File operations: kinds by index and option bits.
enum class TZCLShellFileOperation { Move = 0, Copy = 1, Delete = 2, Rename = 3 };
constexpr Cardinal ZCL_SHELL_ALLOW_UNDO = 1;  // deleting goes to the trash
constexpr Cardinal ZCL_SHELL_SILENT = 2;      // no progress, no error boxes
constexpr Cardinal ZCL_SHELL_NO_CONFIRMATION = 4;

constexpr HRESULT ZCL_E_ABORT = static_cast<HRESULT>(0x80004004u);

// Starting and opening --------------------------------------------------------------------------

// Opens a document, folder or address with the user's program, or starts a program with the
// parameters. True when it was started; false for a name that is neither.
bool ShellRun(const String& FileName, const String& Parameters);
bool ShellOpenLink(const String& Address);
// Addresses and "mailto:" go to ShellOpenLink, anything else to ShellRun. Empty text: false.
bool ShellOpenFileOrURL(const String& Text, const String& Parameters);
// "//" anywhere: an address; an existing folder: opened; anything else: "https://" + Text.
void ShellOpenURL(const String& Text);
// From any thread: opens Text on the main thread later and returns at once.
void ShellExecute(const String& Text);
bool ShellShowInFolder(const String& Path);
inline bool ShellShowInFolder(const Char* Path) { return ShellShowInFolder(String(Path)); }

// Files -----------------------------------------------------------------------------------------

// From and To are lists of names each ended by a zero character (the list ends at an empty name
// or at the text's end). 0 on success, else 0x8007xxxx with a system error number.
HRESULT ShellFileOperation(const String& From, const String& To, TZCLShellFileOperation Kind, Cardinal Options);
HRESULT ShellFileOperation(const String& From, const String& To, Integer Kind, Cardinal Options);
// Each name without a trailing delimiter, followed by one zero character.
String ShellFileListToText(const TZCLStringList* List);

class TZCLRecycleBin {
 public:
  TZCLRecycleBin() = delete;
  // One name per line.
  static HRESULT Delete(const String& FileNames);
  static HRESULT Delete(const TZCLStringList* FileNames);
};

// Only names ending in ".lnk" are tried; there are no shell links here, so always false.
bool ShellResolveLink(const String& FileName, String& Target);
void ShellNotifyAssociationsChanged();
bool ShellShowHiddenFiles();

// Special folders -------------------------------------------------------------------------------

// With a trailing delimiter; the temporary folder for a folder this system does not have.
String ShellGetSpecialFolderPath(Integer CSIDL);
String ShellGetAppDataPath();
String ShellGetMusicPath();

// Libraries -------------------------------------------------------------------------------------

bool ShellIsLibraryPath(const String& Path);
// No shell libraries here: false, Target unchanged.
bool ShellGetLibraryFolders(const String& Path, TZCLStringList* Target);
void ShellExpandPath(const String& Path, TZCLStringList* Target);

class TZCLShellSearchPaths : public TZCLSearchPaths {
  ZCL_CLASS(TZCLShellSearchPaths, TZCLSearchPaths)
 public:
  using TZCLSearchPaths::TZCLSearchPaths;
  TZCLStringList* CreatePathList() const override;
};

// Shut-down: not available here, always false.
bool ShellEnableShutdownPrivilege();
bool ShellShutdown(Integer Kind);

// Item-ID lists ---------------------------------------------------------------------------------

class TZCLShellFolder;

class TPIDLHelper {
 public:
  TPIDLHelper() = delete;
  // Bytes of the whole list with its 2-byte terminator; 0 for none.
  static Cardinal GetPIDLSize(PCItemIDList ID);
  static PItemIDList GetNextItem(PCItemIDList Item);
  // Zero-filled; freed with DisposePIDL.
  static PItemIDList AllocPIDL(Cardinal Size);
  static void DisposePIDL(PItemIDList& ID);
  static PItemIDList CopyPIDL(PCItemIDList ID);
  // ID1 without its terminator, then ID2; ID1 may be none.
  static PItemIDList ConcatPIDLs(PCItemIDList ID1, PCItemIDList ID2);
  // A copy without the last item; none for an empty list.
  static PItemIDList GetParentPIDL(PCItemIDList ID);
  static PItemIDList GetDesktopPIDL();
  // None (and a log entry) when the path does not name an existing item.
  static PItemIDList GetPIDLFromPath(HWND Owner, const String& Path);
  static String GetDisplayName(const TZCLShellFolder* Folder, PCItemIDList ID, DWORD Flags);
  static String StrRetToString(PCItemIDList ID, const STRRET& StrRet);
  // The names of a "Shell IDList Array" held by the stream's memory; Files is new (the caller's)
  // when the result is true.
  static bool ShellIDListToFiles(TCustomMemoryStream* Stream, TZCLStringList*& Files);

  // Helpers of this system's ID form: one item per path component.
  static PItemIDList PIDLFromComponents(const std::vector<String>& Components);
  // False for a list that is damaged or names a component that is not a plain name.
  static bool PIDLToComponents(PCItemIDList ID, size_t Size, std::vector<String>& Components);
};

namespace detail {
// The parent folder and the item paths (relative to it) of a "Shell IDList Array", read within
// Size bytes. False when the count, an offset or an ID does not fit, or an ID is not a plain path.
bool ParseShellIDList(const Byte* Data, size_t Size, std::vector<String>& Parent,
                      std::vector<std::vector<String>>& Items);
// Launches go through this, so tests can see them without starting anything. Returns the
// previous launcher; an empty one restores the real shell.
using TShellLauncher = std::function<bool(const String& FileName, const String& Parameters)>;
TShellLauncher SetShellLauncher(TShellLauncher Launcher);
}  // namespace detail

// One node of the folder hierarchy. Owns its IDs and its library list; the parent is borrowed.
class TZCLShellFolder : public TObject {
  ZCL_CLASS(TZCLShellFolder, TObject)
 public:
  // Receives each child folder's relative ID and owns it from then on.
  using TEnumCallback = TDelegate<void(PItemIDList ItemID)>;

  // The desktop.
  TZCLShellFolder();
  // A child of Parent; ItemID is copied.
  TZCLShellFolder(TZCLShellFolder* Parent, PCItemIDList ItemID);
  // A node from a full ID (copied).
  explicit TZCLShellFolder(PCItemIDList AbsoluteID);
  ~TZCLShellFolder() override;

  // The process's desktop node, made on first use and freed by FinalizeRoot.
  static TZCLShellFolder* Root();
  static void FinalizeRoot();

  PCItemIDList GetAbsoluteID() const { return FAbsoluteID; }
  PCItemIDList GetRelativeID() const { return FRelativeID; }
  TZCLShellFolder* GetParent() const { return FParent; }
  // The file-system folder of a child ID; empty when it is not a folder.
  String BindFolder(PCItemIDList ItemID) const;
  DWORD Attributes() const;
  bool HasSubFolders() const;
  bool IsFileSystem() const;
  bool IsLibrary() const;
  TZCLStringList* LibraryFolders();
  String DisplayName() const;
  String ParsingName() const;
  String Path() const;
  // Negative, 0 or positive as ID1 sorts before, with or after ID2 in this folder.
  Integer CompareIDs(PCItemIDList ID1, PCItemIDList ID2) const;
  // The child folders (hidden ones, whose names start with ".", when asked), sorted by name.
  void Enum(HWND Owner, bool IncludeHidden, TEnumCallback Callback) const;

 private:
  PItemIDList FAbsoluteID = nullptr;
  TZCLStringList* FLibraryFolders = nullptr;
  TZCLShellFolder* FParent = nullptr;
  PItemIDList FRelativeID = nullptr;
  String FFolder;  // the file-system folder this node stands for, with a trailing "/"
};
