#include "zcl/base/ZCL.Utils.Shell.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "os/OS.Environment.h"
#include "os/OS.Registry.h"
#include "os/OS.Shell.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Common.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zcl/base/ZCL.Utils.Logger.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/base/ZCL.Utils.Registry.h"
#include "zcl/base/ZCL.Utils.Strings.h"

namespace fs = std::filesystem;

namespace {
constexpr DWORD ErrorFileNotFound = 2;
constexpr DWORD ErrorAccessDenied = 5;
constexpr DWORD ErrorNotSameDevice = 17;
constexpr DWORD ErrorGenFailure = 31;
constexpr DWORD ErrorSharingViolation = 32;
constexpr DWORD ErrorInvalidParameter = 87;
constexpr DWORD ErrorDiskFull = 112;
constexpr DWORD ErrorAlreadyExists = 183;

std::mutex GLauncherLock;
detail::TShellLauncher GLauncher;
TZCLShellFolder* GRoot = nullptr;

HRESULT Win32Result(DWORD Error) { return Error == 0 ? 0 : static_cast<HRESULT>(0x80070000u | (Error & 0xFFFF)); }

DWORD ErrnoToWin32(int Error) {
  switch (Error) {
    case 0:
      return 0;
    case ENOENT:
    case ENOTDIR:
      return ErrorFileNotFound;
    case EACCES:
    case EPERM:
    case EROFS:
      return ErrorAccessDenied;
    case EEXIST:
    case ENOTEMPTY:
      return ErrorAlreadyExists;
    case ENOSPC:
      return ErrorDiskFull;
    case EXDEV:
      return ErrorNotSameDevice;
    case EBUSY:
      return ErrorSharingViolation;
    default:
      return ErrorGenFailure;
  }
}

fs::path ToPath(const String& Name) { return fs::path(StringToUTF8(Name)); }

bool FindInPath(const std::string& Name) {
  const char* path = std::getenv("PATH");
  if (!path) return false;
  std::string_view rest(path);
  while (!rest.empty()) {
    const size_t colon = rest.find(':');
    std::string dir(rest.substr(0, colon));
    rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    if (dir.empty()) continue;
    const std::string candidate = dir + "/" + Name;
    struct stat st;
    if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
      return true;
  }
  return false;
}

bool IsMailTo(const String& Text) { return StartsText(u"mailto:", Text); }

// The real shell: documents, folders and addresses open with the user's program, executable
// files and commands on the search path start with the parameters.
bool LaunchReal(const String& FileName, const String& Parameters) {
  if (FileName.empty()) return false;
  if (zcIsURL(FileName) || IsMailTo(FileName)) return ShellOpen(FileName);
  const std::string path = StringToUTF8(FileName);
  struct stat st;
  if (::stat(path.c_str(), &st) == 0) {
    if (S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0)
      return RunProgram(FileName, SplitCommandLine(Parameters), u"", false);
    return ShellOpen(FileName);
  }
  if (FileName.find(u'/') == String::npos && FindInPath(path))
    return RunProgram(FileName, SplitCommandLine(Parameters), u"", false);
  return false;
}

// Splits a list of names each ended by a zero character; an empty name ends it.
std::vector<String> SplitNameList(const String& List) {
  std::vector<String> names;
  size_t pos = 0;
  while (pos < List.size()) {
    const size_t end = std::min(List.find(u'\0', pos), List.size());
    if (end == pos) break;
    names.push_back(List.substr(pos, end - pos));
    pos = end + 1;
  }
  return names;
}

DWORD MoveOrCopy(const fs::path& Source, const fs::path& Target, bool Move) {
  std::error_code ec;
  if (Move) {
    fs::rename(Source, Target, ec);
    if (ec.value() != EXDEV) return ErrnoToWin32(ec.value());
    ec.clear();  // another file system: copy, then remove the source
  }
  fs::copy(Source, Target,
           fs::copy_options::recursive | fs::copy_options::copy_symlinks | fs::copy_options::overwrite_existing, ec);
  if (ec) return ErrnoToWin32(ec.value());
  if (Move) {
    fs::remove_all(Source, ec);
    if (ec) return ErrnoToWin32(ec.value());
  }
  return 0;
}

DWORD FileOperation(const std::vector<String>& from, const std::vector<String>& to, TZCLShellFileOperation Kind,
                    Cardinal Options) {
  for (size_t i = 0; i < from.size(); ++i) {
    const fs::path source = ToPath(from[i]);
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(source, ec))) return ErrorFileNotFound;
    // A file system's root is never deleted, moved or renamed.
    if (Kind != TZCLShellFileOperation::Copy && !source.has_relative_path()) return ErrorAccessDenied;
    switch (Kind) {
      case TZCLShellFileOperation::Delete:
        if (Options & ZCL_SHELL_ALLOW_UNDO) {
          errno = 0;
          if (!MoveToTrash(from[i])) return errno ? ErrnoToWin32(errno) : ErrorGenFailure;
        } else {
          fs::remove_all(source, ec);
          if (ec) return ErrnoToWin32(ec.value());
        }
        break;
      case TZCLShellFileOperation::Rename: {
        if (i >= to.size()) return ErrorInvalidParameter;
        const fs::path target = ToPath(to[i]);
        if (fs::exists(fs::symlink_status(target, ec))) return ErrorAlreadyExists;
        fs::rename(source, target, ec);
        if (ec) return ErrnoToWin32(ec.value());
        break;
      }
      case TZCLShellFileOperation::Move:
      case TZCLShellFileOperation::Copy: {
        if (to.empty()) return ErrorInvalidParameter;
        fs::path target;
        if (to.size() == from.size() && from.size() > 1) {
          target = ToPath(to[i]);
        } else {
          target = ToPath(to[0]);
          if (fs::is_directory(target, ec)) {
            target /= source.filename();
          } else if (from.size() > 1) {
            // Several sources into a folder that does not exist yet.
            fs::create_directories(target, ec);
            if (ec) return ErrnoToWin32(ec.value());
            target /= source.filename();
          }
        }
        if (fs::equivalent(source, target, ec)) return ErrorAlreadyExists;
        if (DWORD error = MoveOrCopy(source, target, Kind == TZCLShellFileOperation::Move)) return error;
        break;
      }
    }
  }
  return 0;
}

String JoinComponents(const std::vector<String>& Components) {
  String path = u"/";
  for (size_t i = 0; i < Components.size(); ++i) {
    if (i) path += u"/";
    path += Components[i];
  }
  return path;
}

uint16_t ReadU16(const Byte* Data) {
  uint16_t value = 0;
  std::memcpy(&value, Data, sizeof value);
  return value;
}

bool IsPlainName(const String& Name) {
  return !Name.empty() && Name != u"." && Name != u".." && Name.find(u'/') == String::npos &&
         Name.find(u'\0') == String::npos;
}

// The components of an ID list that this process built (trusted, unbounded).
std::vector<String> Components(PCItemIDList ID) {
  std::vector<String> result;
  if (ID) TPIDLHelper::PIDLToComponents(ID, TPIDLHelper::GetPIDLSize(ID), result);
  return result;
}
}  // namespace

namespace detail {
TShellLauncher SetShellLauncher(TShellLauncher Launcher) {
  std::lock_guard<std::mutex> guard(GLauncherLock);
  std::swap(GLauncher, Launcher);
  return Launcher;
}

bool ParseShellIDList(const Byte* Data, size_t Size, std::vector<String>& Parent,
                      std::vector<std::vector<String>>& Items) {
  Parent.clear();
  Items.clear();
  if (!Data || Size < 4) return false;
  int32_t count = 0;
  std::memcpy(&count, Data, sizeof count);
  // The count and its Count + 1 offsets must fit in the block.
  if (count <= 0 || static_cast<uint64_t>(count) + 2 > Size / 4) return false;
  auto offsetAt = [Data](size_t index) {
    uint32_t value = 0;
    std::memcpy(&value, Data + 4 + 4 * index, sizeof value);
    return static_cast<size_t>(value);
  };
  const size_t parentOffset = offsetAt(0);
  if (parentOffset >= Size || !TPIDLHelper::PIDLToComponents(Data + parentOffset, Size - parentOffset, Parent))
    return false;
  for (size_t i = 1; i <= static_cast<size_t>(count); ++i) {
    const size_t offset = offsetAt(i);
    std::vector<String> item;
    // A damaged item, or one naming the folder itself, is left out.
    if (offset >= Size || !TPIDLHelper::PIDLToComponents(Data + offset, Size - offset, item) || item.empty()) continue;
    Items.push_back(std::move(item));
  }
  return true;
}
}  // namespace detail

// Starting and opening --------------------------------------------------------------------------

bool ShellRun(const String& FileName, const String& Parameters) {
  detail::TShellLauncher launcher;
  {
    std::lock_guard<std::mutex> guard(GLauncherLock);
    launcher = GLauncher;
  }
  if (launcher) return launcher(FileName, Parameters);
  return LaunchReal(FileName, Parameters);
}

bool ShellOpenLink(const String& Address) {
  if (IsWine()) return ShellRun(u"winebrowser", Address);
  return ShellRun(Address, u"");
}

bool ShellOpenFileOrURL(const String& Text, const String& Parameters) {
  if (Text.empty()) return false;
  if (zcIsURL(Text) || IsMailTo(Text)) return ShellOpenLink(Text);
  return ShellRun(Text, Parameters);
}

void ShellOpenURL(const String& Text) {
  if (Text.empty()) return;
  if (Text.find(u"//") != String::npos)
    ShellOpenLink(Text);
  else if (zcDirectoryExists(Text))
    ShellRun(Text, u"");
  else
    ShellOpenLink(u"https://" + Text);
}

void ShellExecute(const String& Text) {
  TZCLMainThread::QueueProc([Text] { ShellOpenFileOrURL(Text, u""); });
}

bool ShellShowInFolder(const String& Path) {
  if (zcIsURL(Path)) return ShellOpenLink(Path);
  try {
    if (::ShellShowInFolder(StringView(Path))) return true;
  } catch (...) {
  }
  return ShellOpenFileOrURL(zcExtractFileDir(Path), u"");
}

// Files -----------------------------------------------------------------------------------------

HRESULT ShellFileOperation(const String& From, const String& To, TZCLShellFileOperation Kind, Cardinal Options) {
  return Win32Result(FileOperation(SplitNameList(From), SplitNameList(To), Kind, Options));
}

HRESULT ShellFileOperation(const String& From, const String& To, Integer Kind, Cardinal Options) {
  if (Kind < 0 || Kind > 3) return Win32Result(ErrorInvalidParameter);
  return ShellFileOperation(From, To, static_cast<TZCLShellFileOperation>(Kind), Options);
}

String ShellFileListToText(const TZCLStringList* List) {
  String text;
  if (!List) return text;
  for (Integer i = 0; i < List->GetCount(); ++i) {
    const String name = zcExcludeTrailingPathDelimiter(List->GetStrings(i));
    // An empty name would end the list early and drop the names after it.
    if (name.empty()) continue;
    text += name;
    text.push_back(u'\0');
  }
  return text;
}

HRESULT TZCLRecycleBin::Delete(const String& FileNames) {
  TZCLStringList list(FileNames, true);
  return Delete(&list);
}

HRESULT TZCLRecycleBin::Delete(const TZCLStringList* FileNames) {
  return ShellFileOperation(ShellFileListToText(FileNames), u"", TZCLShellFileOperation::Delete,
                            ZCL_SHELL_ALLOW_UNDO | ZCL_SHELL_SILENT | ZCL_SHELL_NO_CONFIRMATION);
}

bool ShellResolveLink(const String& FileName, String& Target) {
  Target.clear();
  if (!EndsText(u".lnk", FileName)) return false;
  return false;  // no shell links on this system
}

void ShellNotifyAssociationsChanged() {
  // File managers here watch the association files themselves; nothing to tell or wait for.
  SHChangeNotify(0x08000000, 0, nullptr, nullptr);
}

bool ShellShowHiddenFiles() {
  HKEY key =
      RegistryOpenKeyForReading(HKEY_CURRENT_USER, u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced");
  const bool result = RegistryReadInteger(key, u"Hidden", 0) == 1;
  RegistryCloseKey(key);
  return result;
}

// Special folders -------------------------------------------------------------------------------

String ShellGetSpecialFolderPath(Integer CSIDL) {
  String path;
  switch (CSIDL) {
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY:
      path = GetUserFolder(TUserFolder::Desktop);
      break;
    case CSIDL_PERSONAL:
      path = GetUserFolder(TUserFolder::Documents);
      break;
    case CSIDL_MYMUSIC:
      path = GetUserFolder(TUserFolder::Music);
      break;
    case CSIDL_APPDATA:
      path = GetUserFolder(TUserFolder::RoamingAppData);
      break;
    case CSIDL_LOCAL_APPDATA:
      path = GetUserFolder(TUserFolder::LocalAppData);
      break;
    case CSIDL_MYPICTURES:
      path = GetUserFolder(TUserFolder::Pictures);
      break;
    case CSIDL_PROFILE:
      path = GetUserFolder(TUserFolder::Home);
      break;
    default:
      break;
  }
  if (path.empty()) return zcGetTempPath();
  return zcIncludeTrailingPathDelimiter(path);
}

String ShellGetAppDataPath() { return ShellGetSpecialFolderPath(CSIDL_APPDATA); }
String ShellGetMusicPath() { return ShellGetSpecialFolderPath(CSIDL_MYMUSIC); }

// Libraries -------------------------------------------------------------------------------------

bool ShellIsLibraryPath(const String& Path) { return Path.find(u"::") != String::npos; }

bool ShellGetLibraryFolders(const String&, TZCLStringList*) { return false; }

void ShellExpandPath(const String& Path, TZCLStringList* Target) {
  if (Path.empty() || !Target) return;
  if (ShellIsLibraryPath(Path))
    ShellGetLibraryFolders(Path, Target);
  else
    Target->Add(Path);
}

TZCLStringList* TZCLShellSearchPaths::CreatePathList() const {
  auto* result = new TZCLStringList();
  result->SetCapacity(GetCount());
  for (Integer i = 0; i < GetCount(); ++i) ShellExpandPath(GetPath(i), result);
  return result;
}

bool ShellEnableShutdownPrivilege() { return false; }

bool ShellShutdown(Integer) { return false; }

// TPIDLHelper -----------------------------------------------------------------------------------

Cardinal TPIDLHelper::GetPIDLSize(PCItemIDList ID) {
  if (!ID) return 0;
  Cardinal size = 0;
  for (uint16_t cb; (cb = ReadU16(ID + size)) != 0;) size += cb;
  return size + 2;
}

PItemIDList TPIDLHelper::GetNextItem(PCItemIDList Item) {
  if (!Item) return nullptr;
  return const_cast<PItemIDList>(Item + ReadU16(Item));
}

PItemIDList TPIDLHelper::AllocPIDL(Cardinal Size) {
  auto* result = static_cast<PItemIDList>(std::calloc(std::max<Cardinal>(Size, 1), 1));
  if (!result) throw EOutOfMemory(u"Out of memory");
  return result;
}

void TPIDLHelper::DisposePIDL(PItemIDList& ID) {
  std::free(ID);
  ID = nullptr;
}

PItemIDList TPIDLHelper::CopyPIDL(PCItemIDList ID) {
  if (!ID) return nullptr;
  const Cardinal size = GetPIDLSize(ID);
  PItemIDList result = AllocPIDL(size);
  std::memcpy(result, ID, size);
  return result;
}

PItemIDList TPIDLHelper::ConcatPIDLs(PCItemIDList ID1, PCItemIDList ID2) {
  const Cardinal size1 = ID1 ? GetPIDLSize(ID1) - 2 : 0;
  const Cardinal size2 = ID2 ? GetPIDLSize(ID2) : 2;
  PItemIDList result = AllocPIDL(size1 + size2);
  if (size1) std::memcpy(result, ID1, size1);
  if (ID2) std::memcpy(result + size1, ID2, size2);
  return result;
}

PItemIDList TPIDLHelper::GetParentPIDL(PCItemIDList ID) {
  if (!ID || ReadU16(ID) == 0) return nullptr;
  Cardinal last = 0, pos = 0;
  for (uint16_t cb; (cb = ReadU16(ID + pos)) != 0; pos += cb) last = pos;
  PItemIDList result = AllocPIDL(last + 2);
  std::memcpy(result, ID, last);
  return result;
}

PItemIDList TPIDLHelper::GetDesktopPIDL() { return AllocPIDL(2); }

PItemIDList TPIDLHelper::PIDLFromComponents(const std::vector<String>& Components) {
  size_t size = 2;
  for (const String& c : Components) size += 2 + c.size() * sizeof(Char);
  PItemIDList result = AllocPIDL(static_cast<Cardinal>(size));
  size_t pos = 0;
  for (const String& c : Components) {
    const uint16_t cb = static_cast<uint16_t>(2 + c.size() * sizeof(Char));
    std::memcpy(result + pos, &cb, sizeof cb);
    std::memcpy(result + pos + 2, c.data(), c.size() * sizeof(Char));
    pos += cb;
  }
  return result;
}

bool TPIDLHelper::PIDLToComponents(PCItemIDList ID, size_t Size, std::vector<String>& Components) {
  Components.clear();
  if (!ID) return false;
  size_t pos = 0;
  while (Size - pos >= 2) {
    const uint16_t cb = ReadU16(ID + pos);
    if (cb == 0) return true;
    if (cb < 2 || cb % 2 != 0 || cb > Size - pos) break;
    String name((cb - 2) / sizeof(Char), u'\0');
    if (!name.empty()) std::memcpy(name.data(), ID + pos + 2, cb - 2);
    if (!IsPlainName(name)) break;
    Components.push_back(std::move(name));
    pos += cb;
  }
  Components.clear();
  return false;
}

PItemIDList TPIDLHelper::GetPIDLFromPath(HWND, const String& Path) {
  String path = ShellIsLibraryPath(Path) ? Path : zcIncludeTrailingPathDelimiter(Path);
  std::vector<String> components;
  bool valid = !path.empty() && path[0] == u'/' && !ShellIsLibraryPath(path);
  if (valid) {
    size_t pos = 1;
    while (pos < path.size()) {
      const size_t end = std::min(path.find(u'/', pos), path.size());
      if (end > pos) {
        String name = path.substr(pos, end - pos);
        if (!IsPlainName(name)) valid = false;
        components.push_back(std::move(name));
      }
      pos = end + 1;
    }
  }
  struct stat st;
  if (!valid || ::stat(StringToUTF8(path).c_str(), &st) != 0) {
    LogWriteFormat(DefaultLogFile(), u"Shell", u"ParseDisplayName(%s) failed", {Path});
    return nullptr;
  }
  return PIDLFromComponents(components);
}

String TPIDLHelper::GetDisplayName(const TZCLShellFolder* Folder, PCItemIDList ID, DWORD Flags) {
  const std::vector<String> parts = Components(ID);
  if (Flags & SHGDN_FORPARSING) {
    String base = Folder ? Folder->ParsingName() : String(u"/");
    if (parts.empty()) return base;
    base = zcIncludeTrailingPathDelimiter(base);
    for (size_t i = 0; i < parts.size(); ++i) base += (i ? u"/" : u"") + parts[i];
    return base;
  }
  if (parts.empty()) return Folder && Folder->GetParent() ? String() : String(u"/");
  return parts.back();
}

String TPIDLHelper::StrRetToString(PCItemIDList ID, const STRRET& StrRet) {
  String result;
  switch (StrRet.uType) {
    case STRRET_WSTR:
      if (StrRet.pOleStr) result = StrRet.pOleStr;
      break;
    case STRRET_OFFSET:
      if (ID) {
        // Bounded by the first item.
        const size_t end = ReadU16(ID);
        size_t pos = StrRet.uOffset, stop = pos;
        while (stop < end && ID[stop] != 0) ++stop;
        if (pos < stop) result = zcAnsiToUnicode(ID + pos, static_cast<Integer>(stop - pos), 0);
      }
      break;
    case STRRET_CSTR:
      result = zcAnsiToUnicode(reinterpret_cast<const Byte*>(StrRet.cStr),
                               static_cast<Integer>(strnlen(StrRet.cStr, sizeof StrRet.cStr)), 0);
      break;
    default:
      break;
  }
  if (result.size() > 1 && result[0] == u'?' && result[1] >= u'0' && result[1] <= u'9')
    result.erase(std::remove(result.begin(), result.end(), u'?'), result.end());
  return result;
}

bool TPIDLHelper::ShellIDListToFiles(TCustomMemoryStream* Stream, TZCLStringList*& Files) {
  Files = nullptr;
  if (!Stream) return false;
  std::vector<String> parent;
  std::vector<std::vector<String>> items;
  if (!detail::ParseShellIDList(static_cast<const Byte*>(Stream->GetMemory()), static_cast<size_t>(Stream->GetSize()),
                                parent, items))
    return false;
  const String folder = JoinComponents(parent);
  if (!zcDirectoryExists(folder)) return false;
  const String base = zcIncludeTrailingPathDelimiter(folder);
  for (size_t i = 0; i < items.size(); ++i) {
    String name = base + JoinComponents(items[i]).substr(1);
    name = zcRemoveLongPathPrefix(name);
    if (name.empty()) continue;
    if (!Files) {
      Files = new TZCLStringList();
      Files->SetCapacity(static_cast<Integer>(items.size() - i));
    }
    Files->Add(name);
  }
  return Files != nullptr;
}

// TZCLShellFolder -------------------------------------------------------------------------------

TZCLShellFolder::TZCLShellFolder()
    : FAbsoluteID(TPIDLHelper::GetDesktopPIDL()), FRelativeID(TPIDLHelper::GetDesktopPIDL()), FFolder(u"/") {}

TZCLShellFolder::TZCLShellFolder(TZCLShellFolder* Parent, PCItemIDList ItemID) : FParent(Parent) {
  FRelativeID = TPIDLHelper::CopyPIDL(ItemID);
  FAbsoluteID = TPIDLHelper::ConcatPIDLs(Parent ? Parent->FAbsoluteID : nullptr, ItemID);
  FFolder = Parent ? Parent->BindFolder(ItemID) : Root()->BindFolder(ItemID);
}

TZCLShellFolder::TZCLShellFolder(PCItemIDList AbsoluteID) {
  std::vector<String> parts;
  if (!AbsoluteID || !TPIDLHelper::PIDLToComponents(AbsoluteID, TPIDLHelper::GetPIDLSize(AbsoluteID), parts))
    throw EArgumentException(u"Invalid item ID list");
  FAbsoluteID = TPIDLHelper::CopyPIDL(AbsoluteID);
  FRelativeID = TPIDLHelper::CopyPIDL(AbsoluteID);
  FFolder = zcIncludeTrailingPathDelimiter(JoinComponents(parts));
}

TZCLShellFolder::~TZCLShellFolder() {
  TPIDLHelper::DisposePIDL(FAbsoluteID);
  TPIDLHelper::DisposePIDL(FRelativeID);
  Free(FLibraryFolders);
}

TZCLShellFolder* TZCLShellFolder::Root() {
  if (!GRoot) GRoot = new TZCLShellFolder();
  return GRoot;
}

void TZCLShellFolder::FinalizeRoot() {
  Free(GRoot);
  GRoot = nullptr;
}

String TZCLShellFolder::BindFolder(PCItemIDList ItemID) const {
  std::vector<String> parts = Components(ItemID);
  if (ItemID && parts.empty() && ReadU16(ItemID) != 0) return {};
  String folder = FFolder;
  for (const String& part : parts) folder += part + u"/";
  return folder;
}

DWORD TZCLShellFolder::Attributes() const {
  const std::string path = StringToUTF8(ParsingName());
  struct stat st, lst;
  if (::stat(path.c_str(), &st) != 0) return 0;
  DWORD result = SFGAO_FILESYSTEM;
  if (S_ISDIR(st.st_mode))
    result |= SFGAO_FOLDER | SFGAO_FILESYSANCESTOR | SFGAO_STORAGEANCESTOR;
  else
    result |= SFGAO_STREAM | SFGAO_STORAGE;
  if (::lstat(path.c_str(), &lst) == 0 && S_ISLNK(lst.st_mode)) result |= SFGAO_LINK;
  if (::access(path.c_str(), W_OK) != 0) result |= SFGAO_READONLY;
  return result;
}

bool TZCLShellFolder::HasSubFolders() const {
  std::error_code ec;
  for (fs::directory_iterator it(ToPath(FFolder), ec), end; !ec && it != end; it.increment(ec))
    if (it->is_directory(ec)) return true;
  return false;
}

bool TZCLShellFolder::IsFileSystem() const {
  const DWORD attributes = Attributes();
  return (attributes & (SFGAO_FILESYSTEM | SFGAO_FILESYSANCESTOR)) != 0 &&
         (attributes & (SFGAO_FOLDER | SFGAO_STREAM)) != (SFGAO_FOLDER | SFGAO_STREAM);
}

bool TZCLShellFolder::IsLibrary() const { return const_cast<TZCLShellFolder*>(this)->LibraryFolders()->GetCount() > 0; }

TZCLStringList* TZCLShellFolder::LibraryFolders() {
  if (!FLibraryFolders) {
    FLibraryFolders = new TZCLStringList();
    const DWORD attributes = Attributes();
    if (FParent && (attributes & SFGAO_FILESYSANCESTOR) && !(attributes & SFGAO_FILESYSTEM))
      ShellGetLibraryFolders(ParsingName(), FLibraryFolders);
  }
  return FLibraryFolders;
}

String TZCLShellFolder::DisplayName() const {
  return TPIDLHelper::GetDisplayName(FParent, FRelativeID, SHGDN_INFOLDER);
}

String TZCLShellFolder::ParsingName() const { return JoinComponents(Components(FAbsoluteID)); }

String TZCLShellFolder::Path() const { return (Attributes() & SFGAO_FILESYSTEM) ? ParsingName() : String(); }

Integer TZCLShellFolder::CompareIDs(PCItemIDList ID1, PCItemIDList ID2) const {
  const std::vector<String> a = Components(ID1), b = Components(ID2);
  const String nameA = a.empty() ? String() : a.front(), nameB = b.empty() ? String() : b.front();
  const Integer result = zcLogicalCompare(nameA, nameB, true);
  return result < 0 ? -1 : result > 0 ? 1 : 0;
}

void TZCLShellFolder::Enum(HWND, bool IncludeHidden, TEnumCallback Callback) const {
  try {
    std::vector<String> names;
    std::error_code ec;
    for (fs::directory_iterator it(ToPath(FFolder), ec), end; !ec && it != end; it.increment(ec)) {
      if (!it->is_directory(ec)) continue;
      String name = UTF8ToString(it->path().filename().string());
      if (!IncludeHidden && !name.empty() && name[0] == u'.') continue;
      names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end(),
              [](const String& x, const String& y) { return zcLogicalCompare(x, y, true) < 0; });
    for (const String& name : names) Callback(TPIDLHelper::PIDLFromComponents({name}));
  } catch (...) {
    LogWriteFormat(DefaultLogFile(), u"Shell", u"TZCLShellFolder.Enum(%s) failed", {ParsingName()});
  }
}
