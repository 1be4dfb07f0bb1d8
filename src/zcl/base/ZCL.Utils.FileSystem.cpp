#include "zcl/base/ZCL.Utils.FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <memory>

#include "os/OS.Environment.h"
#include "os/OS.Files.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.StringList.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Classes.StringList.h"

// Search paths

namespace {
// Any non-null object marks a recursive folder; the address is never dereferenced.
TObject* RecursiveFlag(bool Recursive) { return Recursive ? reinterpret_cast<TObject*>(1) : nullptr; }
}  // namespace

TZCLSearchPaths::TZCLSearchPaths() : FPaths(new TZCLStringList()) {}

TZCLSearchPaths::TZCLSearchPaths(TChangeEvent OnChange) : TZCLSearchPaths() { this->OnChange = OnChange; }

TZCLSearchPaths::~TZCLSearchPaths() { delete FPaths; }

void TZCLSearchPaths::Add(const String& Path, bool Recursive) {
  FPaths->AddObject(IncludeTrailingPathDelimiter(Path), RecursiveFlag(Recursive));
  Changed(1);
}

void TZCLSearchPaths::Delete(Integer Index) {
  if (Index < 0 || Index >= FPaths->GetCount()) return;
  FPaths->Delete(Index);
  Changed(1);
}

void TZCLSearchPaths::Clear() {
  FPaths->Clear();
  Changed(1);
}

void TZCLSearchPaths::FromString(const String& Text) {
  BeginUpdate();
  try {
    Clear();
    size_t start = 0;
    while (start <= Text.size()) {
      size_t end = Text.find(u';', start);
      if (end == String::npos) end = Text.size();
      // A part of the flag alone names no folder; adding it would add the root.
      if (end - start > 1) Add(Text.substr(start + 1, end - start - 1), Text[start] != u'0');
      start = end + 1;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TZCLSearchPaths::ToString() const {
  String result;
  for (Integer i = 0; i < FPaths->GetCount(); ++i) {
    if (i > 0) result += u';';
    result += GetRecursive(i) ? u'1' : u'0';
    result += FPaths->GetStrings(i);
  }
  return result;
}

bool TZCLSearchPaths::Overlaps(const String& Path) const {
  // Compared with trailing delimiters on both sides, so "/mus" does not overlap "/music/".
  const String path = IncludeTrailingPathDelimiter(Path);
  for (Integer i = 0; i < FPaths->GetCount(); ++i) {
    const String folder = FPaths->GetStrings(i);
    if (StartsText(folder, path) || StartsText(path, folder)) return true;
  }
  return false;
}

TZCLStringList* TZCLSearchPaths::CreatePathList() const {
  auto* list = new TZCLStringList();
  for (Integer i = 0; i < FPaths->GetCount(); ++i) list->Add(FPaths->GetStrings(i));
  return list;
}

Integer TZCLSearchPaths::GetCount() const { return FPaths->GetCount(); }

String TZCLSearchPaths::GetPath(Integer Index) const {
  return Index >= 0 && Index < FPaths->GetCount() ? FPaths->GetStrings(Index) : String();
}

bool TZCLSearchPaths::GetRecursive(Integer Index) const {
  return Index >= 0 && Index < FPaths->GetCount() && FPaths->GetObjects(Index) != nullptr;
}

void TZCLSearchPaths::DoAssign(TPersistent* Source) {
  auto* other = dynamic_cast<TZCLSearchPaths*>(Source);
  if (other == nullptr) {
    inherited::DoAssign(Source);
    return;
  }
  if (other == this) return;
  FPaths->Clear();
  for (Integer i = 0; i < other->GetCount(); ++i)
    FPaths->AddObject(other->GetPath(i), RecursiveFlag(other->GetRecursive(i)));
  Changed(1);
}

void TZCLSearchPaths::DoChanged(TZCLPersistentChanges) {
  if (OnChange) OnChange(this);
}

// Path text

namespace {
constexpr StringView kFolderDelims = u":\\/";
constexpr StringView kExtDelims = u" .\\/:";

bool IsSlash(Char C) { return C == u'\\' || C == u'/'; }
bool IsAsciiAlnum(Char C) { return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z') || (C >= u'0' && C <= u'9'); }
bool IsAsciiLetter(Char C) { return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z'); }

// Length of the scheme of a URL ("http" in "http://x"), 0 when Text is not of that form.
size_t UrlSchemeLength(StringView Text) {
  size_t i = 0;
  while (i < Text.size() && IsAsciiAlnum(Text[i])) ++i;
  if (i == 0 || i + 2 >= Text.size() || Text[i] != u':') return 0;
  const Char a = Text[i + 1], b = Text[i + 2];
  return IsSlash(a) && a == b ? i : 0;
}
}  // namespace

String zcIncludeTrailingPathDelimiter(const String& Path) {
  if (Path.empty() || IsSlash(Path.back())) return Path;
  return Path + u'/';
}

String zcExcludeTrailingPathDelimiter(const String& Path) {
  // The root "/" stays: without it the path would name the current folder.
  if (Path.size() > 1 && IsSlash(Path.back())) return Path.substr(0, Path.size() - 1);
  return Path;
}

Integer zcLastDelimiter(StringView Delimiters, StringView Text) {
  for (size_t i = Text.size(); i > 0; --i)
    if (Delimiters.find(Text[i - 1]) != StringView::npos) return static_cast<Integer>(i);
  return 0;
}

String zcExtractFilePath(const String& Path) { return Path.substr(0, zcLastDelimiter(kFolderDelims, Path)); }

bool zcShortenToCommonPath(String& Path, const String& FileName) {
  while (!Path.empty() && !StartsText(Path, FileName)) {
    String parent = zcExtractFilePath(Path.substr(0, Path.size() - 1));
    if (parent.size() >= Path.size()) break;
    Path = std::move(parent);
  }
  if (!Path.empty() && StartsText(Path, FileName)) return true;
  Path.clear();
  return false;
}

bool zcReduceToCommonPath(String& Path, const String& FileName) { return zcShortenToCommonPath(Path, FileName); }

String zcExtractFileName(const String& Path) { return Path.substr(zcLastDelimiter(kFolderDelims, Path)); }

String zcExtractFileDir(const String& Path) {
  const Integer i = zcLastDelimiter(kFolderDelims, Path);
  if (i == 0) return String();
  if (i == 1 || kFolderDelims.find(Path[i - 2]) != StringView::npos) return Path.substr(0, i);
  return Path.substr(0, i - 1);
}

String zcExtractFileDirName(const String& Path) { return zcExtractFileName(zcExtractFileDir(Path)); }

String zcExtractLastPathParts(const String& Path, Integer Count) {
  Integer pos = static_cast<Integer>(Path.size());
  for (Integer k = 0; k < Count && pos > 0; ++k) {
    if (IsSlash(Path[pos - 1])) --pos;
    pos = zcLastDelimiter(kFolderDelims, StringView(Path).substr(0, pos));
  }
  size_t first = pos, last = Path.size();
  while (first < last && IsSlash(Path[first])) ++first;
  while (last > first && IsSlash(Path[last - 1])) --last;
  return Path.substr(first, last - first);
}

String zcRemoveLongPathPrefix(const String& Path) {
  if (StartsText(u"\\\\?\\UNC\\", Path)) return u"\\\\" + Path.substr(8);
  if (StartsText(u"\\\\?\\", Path)) return Path.substr(4);
  return Path;
}

String zcExtractFileDrive(const String& Path) {
  if (Path.size() >= 2 && Path[1] == u':' && IsAsciiLetter(Path[0])) return Path.substr(0, 2);
  if (StartsText(u"\\\\?\\", Path)) return zcExtractFileDrive(zcRemoveLongPathPrefix(Path));
  if (zcIsNetworkPath(Path)) {
    size_t end = 2;
    while (end < Path.size() && !IsSlash(Path[end])) ++end;
    return Path.substr(0, end);
  }
  return String();
}

bool zcGetFileExtRange(const String& Path, Integer& Start, Integer& End, bool DoubleExtension) {
  End = static_cast<Integer>(Path.size());
  if (zcIsURL(Path)) {
    const size_t q = Path.rfind(u'?');
    if (q != String::npos) End = static_cast<Integer>(q);
  }
  Start = zcLastDelimiter(kExtDelims, StringView(Path).substr(0, End));
  if (Start == 0 || Path[Start - 1] != u'.') return false;
  if (DoubleExtension) {
    const Integer prev = zcLastDelimiter(kExtDelims, StringView(Path).substr(0, Start - 1));
    if (prev > 0 && Path[prev - 1] == u'.') Start = prev;
  }
  return true;
}

String zcExtractFileExt(const String& Path, bool DoubleExtension) {
  Integer start, end;
  if (!zcGetFileExtRange(Path, start, end, DoubleExtension)) return String();
  return Path.substr(start - 1, end - start + 1);
}

String zcExtractFileFormat(const String& Path) {
  const String ext = zcExtractFileExt(Path);
  return ext.empty() ? String() : AnsiUpperCase(StringView(ext).substr(1));
}

String zcExtractFileNameWithoutExt(const String& Path) {
  const String name = zcExtractFileName(Path);
  Integer start, end;
  return zcGetFileExtRange(name, start, end) ? name.substr(0, start - 1) : name;
}

String zcChangeFileExt(const String& Path, const String& NewExt, bool DoubleExtension) {
  Integer start, end;
  if (!zcGetFileExtRange(Path, start, end, DoubleExtension)) return Path + NewExt;
  return Path.substr(0, start - 1) + NewExt + Path.substr(end);
}

bool zcHasDoubleFileExt(const String& Path) {
  Integer s1, e1, s2, e2;
  return zcGetFileExtRange(Path, s1, e1, false) && zcGetFileExtRange(Path, s2, e2, true) && s1 != s2;
}

bool zcIsFileExtInList(const String& ExtFilter, const String& Ext) {
  if (ExtFilter.size() < 3 || Ext.empty()) return false;
  // Runs once per enumerated file: an allocation-free scan when both texts are ASCII.
  const auto ascii = [](const String& Text) {
    return std::all_of(Text.begin(), Text.end(), [](Char C) { return C < 128; });
  };
  if (!ascii(ExtFilter) || !ascii(Ext))
    return AnsiUpperCase(ExtFilter).find(AnsiUpperCase(u"*" + Ext + u";")) != String::npos;
  const auto fold = [](Char C) { return C >= u'A' && C <= u'Z' ? static_cast<Char>(C + 32) : C; };
  const size_t n = Ext.size();
  for (size_t star = ExtFilter.find(u'*'); star != String::npos; star = ExtFilter.find(u'*', star + 1)) {
    if (star + n + 1 >= ExtFilter.size() || ExtFilter[star + n + 1] != u';') continue;
    size_t i = 0;
    while (i < n && fold(ExtFilter[star + 1 + i]) == fold(Ext[i])) ++i;
    if (i == n) return true;
  }
  return false;
}

String zcValidateFileName(const String& Name, Char Replacement) {
  String result;
  result.reserve(Name.size());
  for (Char c : Name) {
    if (c == u'"') {
      result += u'\'';
    } else if (StringView(u"\\<>*:?|/").find(c) != StringView::npos) {
      if (Replacement != u'\0') result += Replacement;
    } else if (c >= 32) {
      result += c;
    }
  }
  size_t first = 0, last = result.size();
  while (first < last && result[first] == u' ') ++first;
  while (last > first && result[last - 1] == u' ') --last;
  result = result.substr(first, std::min<size_t>(last - first, 260));
  if (result == u"." || result == u"..") return String();
  return result;
}

String zcToWindowsPath(const String& Path) {
  String result = Path;
  for (Char& c : result)
    if (c == u'/') c = u'\\';
  return result;
}

String zcToUnixPath(const String& Path) {
  String result = Path;
  for (Char& c : result)
    if (c == u'\\') c = u'/';
  return result;
}

bool zcIsURL(const String& Text) { return Text.size() > 3 && UrlSchemeLength(Text) > 0; }

String zcExtractURLScheme(const String& Text) { return Text.substr(0, UrlSchemeLength(Text)); }

bool zcIsNetworkPath(const String& Path) { return Path.size() >= 2 && Path[0] == u'\\' && Path[1] == u'\\'; }

bool zcIsPathWithSlashes(const String& Path) { return Path.find(u'/') != String::npos && !zcIsURL(Path); }

bool zcIsRelativePath(const String& Path) {
  if (Path.size() >= 2 && Path[1] == u':') return false;
  if (!Path.empty() && Path[0] == u'/') return false;
  return !zcIsURL(Path) && !zcIsNetworkPath(Path);
}

String zcExtractRelativePath(const String& Path, const String& BaseFolder) {
  const String base = zcIncludeTrailingPathDelimiter(BaseFolder);
  const String folder = zcExtractFilePath(Path);
  String common = base;
  // "\" and "/" are the same delimiter here: a base given without one gets "/".
  const String folderKey = zcToUnixPath(folder);
  while (!common.empty() && !StartsText(zcToUnixPath(common), folderKey)) {
    String parent = zcExtractFilePath(zcExcludeTrailingPathDelimiter(common));
    if (parent.size() >= common.size()) return Path;
    common = parent;
  }
  if (common.empty()) return Path;
  Integer levels = 0;
  for (size_t i = common.size(); i < base.size(); ++i)
    if (IsSlash(base[i])) ++levels;
  // The steps up take the path's own delimiter.
  const Char delim = Path.find(u'\\') != String::npos && Path.find(u'/') == String::npos ? u'\\' : u'/';
  const String drive = zcExtractFileDrive(Path);
  if (levels > 2 && !drive.empty() && common.size() == drive.size() + 1) return Path.substr(drive.size());
  if (levels > 2 && common == u"/") return Path;
  String result;
  for (Integer i = 0; i < levels; ++i) result += String(u"..") + delim;
  return result + Path.substr(common.size());
}

String zcExpandFileName(const String& Path) {
  // Only paths with "." or ".." components need the system; others are taken as they are.
  const String unix = zcToUnixPath(Path);
  if (unix.find(u"./") == String::npos && unix != u"." && unix != u".." && !unix.ends_with(u"/.") &&
      !unix.ends_with(u"/.."))
    return Path;
  return ExpandFileName(unix);
}

String zcGetUniqueFileName(const String& Path) {
  if (zcFileGetAttr(Path) == INVALID_FILE_ATTRIBUTES) return Path;
  const String ext = zcExtractFileExt(Path);
  const String stem = Path.substr(0, Path.size() - ext.size());
  for (Integer n = 2;; ++n) {
    String candidate = stem + u" (" + IntToStr(n) + u")" + ext;
    if (zcFileGetAttr(candidate) == INVALID_FILE_ATTRIBUTES) return candidate;
  }
}

// Files and folders

namespace {
TDateTime FileTimeToLocalDateTime(TFileTime Time) {
  if (Time == 0) return TDateTime();
  const time_t seconds = static_cast<time_t>(FileTimeToUnixTime(Time));
  struct tm local;
  if (!localtime_r(&seconds, &local)) return TDateTime();
  return EncodeDateTime(static_cast<Word>(local.tm_year + 1900), static_cast<Word>(local.tm_mon + 1),
                        static_cast<Word>(local.tm_mday), static_cast<Word>(local.tm_hour),
                        static_cast<Word>(local.tm_min), static_cast<Word>(local.tm_sec & ~1), 0);
}
}  // namespace

bool TZCLFileData::Load(const String& Path) { return zcFileGetData(Path, *this); }

bool zcFileGetData(const String& Path, TZCLFileData& Data) {
  Data.Clear();
  TFileTime creation = 0, access = 0, write = 0;
  const Cardinal attr = zcFileGetAttr(Path);
  if (attr == INVALID_FILE_ATTRIBUTES || !GetFileTimes(Path, &creation, &access, &write)) return false;
  Data.Attributes = attr;
  Data.CreationTime = FileTimeToLocalDateTime(creation);
  Data.LastAccessTime = FileTimeToLocalDateTime(access);
  Data.LastWriteTime = FileTimeToLocalDateTime(write);
  Data.Size = (attr & faDirectory) ? 0 : FileSize(Path);
  if (Data.Size < 0) Data.Size = 0;
  return true;
}

Integer zcFileOpen(const String& FileName, Word Mode, Cardinal Attributes, bool OpenAlways) {
  const std::string path = StringToUTF8(FileName);
  if (path.empty()) {
    errno = ENOENT;
    return -1;
  }
  int flags = O_CLOEXEC;
  if ((Mode & fmCreate) == fmCreate) {
    flags |= O_RDWR | O_CREAT | O_TRUNC;
  } else {
    flags |= (Mode & 3) == fmOpenRead ? O_RDONLY : (Mode & 3) == fmOpenWrite ? O_WRONLY : O_RDWR;
    if (OpenAlways) flags |= O_CREAT;
  }
  const mode_t rights = (Attributes & faReadOnly) ? 0444 : 0666;
  const int fd = ::open(path.c_str(), flags, rights);
  if (fd < 0) return -1;
  struct stat info;
  if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return -1;
  }
  return fd;
}

Cardinal zcFileGetAttr(const String& Path) { return Path.empty() ? INVALID_FILE_ATTRIBUTES : FileGetAttr(Path); }

bool zcFileGetAttr(const String& Path, Cardinal& Attributes) {
  Attributes = zcFileGetAttr(Path);
  return Attributes != INVALID_FILE_ATTRIBUTES;
}

bool zcFileExists(const String& Path) {
  const Cardinal attr = zcFileGetAttr(Path);
  return attr != INVALID_FILE_ATTRIBUTES && !(attr & faDirectory);
}

bool zcDirectoryExists(const String& Path) {
  const Cardinal attr = zcFileGetAttr(Path);
  return attr != INVALID_FILE_ATTRIBUTES && (attr & faDirectory);
}

bool zcFileSetAttr(const String& Path, Cardinal Attributes) { return !Path.empty() && FileSetAttr(Path, Attributes); }

Integer zcFileGetDosAge(const String& Path) {
  TFileTime write = 0;
  if (Path.empty() || !GetFileTimes(Path, nullptr, nullptr, &write)) return -1;
  const time_t seconds = static_cast<time_t>(FileTimeToUnixTime(write));
  struct tm t;
  if (!localtime_r(&seconds, &t) || t.tm_year < 80) return -1;
  const Cardinal date = static_cast<Cardinal>(((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
  const Cardinal time = static_cast<Cardinal>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
  return static_cast<Integer>((date << 16) | time);
}

bool zcFileSetAge(const String& Path, Integer Age) {
  if (Path.empty()) return false;
  time_t seconds;
  if (Age == 0) {
    seconds = ::time(nullptr);
  } else {
    const Cardinal v = static_cast<Cardinal>(Age);
    struct tm t = {};
    t.tm_year = static_cast<int>((v >> 25) & 0x7F) + 80;
    t.tm_mon = static_cast<int>((v >> 21) & 0x0F) - 1;
    t.tm_mday = static_cast<int>((v >> 16) & 0x1F);
    t.tm_hour = static_cast<int>((v >> 11) & 0x1F);
    t.tm_min = static_cast<int>((v >> 5) & 0x3F);
    t.tm_sec = static_cast<int>((v & 0x1F) * 2);
    t.tm_isdst = -1;
    if (t.tm_mon < 0 || t.tm_mon > 11 || t.tm_mday < 1) return false;
    seconds = ::mktime(&t);
    if (seconds == static_cast<time_t>(-1)) return false;
  }
  const TFileTime write = UnixTimeToFileTime(seconds);
  return SetFileTimes(Path, nullptr, &write);
}

Int64 zcFileSize(const String& Path) {
  const Int64 size = Path.empty() ? -1 : FileSize(Path);
  return size < 0 ? 0 : size;
}

bool zcCopyFile(const String& Source, const String& Target, bool FailIfExists) {
  return CopyFile(Source, Target, FailIfExists);
}

bool zcMoveFile(const String& Source, const String& Target) { return MoveFile(Source, Target); }

bool zcDeleteFile(const String& Path) { return DeleteFile(Path); }

bool zcReplaceFile(const String& NewFile, const String& Target, const String& Backup) {
  if (!zcFileExists(Target)) return zcMoveFile(NewFile, Target);
  return ReplaceFile(Target, NewFile, Backup);
}

bool zcReplaceFile(const String& NewFile, const String& Target) { return zcReplaceFile(NewFile, Target, String()); }

bool zcMakePath(const String& Folder) {
  if (Folder.empty()) return false;
  try {
    return ForceDirectories(Folder);
  } catch (const Exception&) {
    return false;
  }
}

bool zcMakePathForFile(const String& FileName) { return zcMakePath(zcExtractFilePath(FileName)); }

String zcGetCurrentDir() { return zcIncludeTrailingPathDelimiter(GetCurrentDir()); }

bool zcSetCurrentDir(const String& Folder) { return SetCurrentDir(Folder); }

String zcGetTempPath() {
  String path = GetTempPath();
  if (path.empty()) RaiseLastOSError();
  return zcIncludeTrailingPathDelimiter(path);
}

String zcModuleFileName() { return GetModuleFileName(); }

String zcModulePath() { return zcExtractFilePath(zcModuleFileName()); }

// Enumeration

TZCLFindFileInfo::~TZCLFindFileInfo() {
  if (Active) FindClose(FindData);
}

namespace {
bool AcceptEntry(TZCLFindFileInfo* Info) {
  Info->FileName = Info->FindData.Name;
  Info->FileKind = (Info->FindData.Attr & faDirectory) ? zcfkFolder : zcfkFile;
  Info->Data.Clear();
  if (Info->FileName == u"." || Info->FileName == u"..") return false;
  if (Info->FindData.Attr & faSysFile) return false;
  if (!(Info->Kinds & (1 << Info->FileKind))) return false;
  if (Info->FileKind == zcfkFolder || Info->ExtFilter.empty()) return true;
  return zcIsFileExtInList(Info->ExtFilter, zcExtractFileExt(Info->FileName));
}
}  // namespace

bool zcFindFirst(const String& Folder, const String& ExtFilter, const String& Mask, Byte Kinds,
                 TZCLFindFileInfo*& Info) {
  Info = nullptr;
  if (Kinds == 0) return false;
  auto* info = new TZCLFindFileInfo();
  info->ExtFilter = ExtFilter;
  info->FilePath = Folder;
  info->Kinds = Kinds;
  if (FindFirst(Folder + Mask, faAnyFile, info->FindData) != 0) {
    delete info;
    return false;
  }
  info->Active = true;
  Info = info;
  return AcceptEntry(info) || zcFindNext(Info);
}

bool zcFindFirst(const String& Folder, const String& ExtFilter, Byte Kinds, TZCLFindFileInfo*& Info) {
  return zcFindFirst(Folder, ExtFilter, u"*", Kinds, Info);
}

bool zcFindFirst(const String& Folder, Byte Kinds, TZCLFindFileInfo*& Info) {
  return zcFindFirst(Folder, String(), u"*", Kinds, Info);
}

bool zcFindNext(TZCLFindFileInfo*& Info) {
  if (!Info) return false;
  while (FindNext(Info->FindData) == 0)
    if (AcceptEntry(Info)) return true;
  zcFindClose(Info);
  return false;
}

void zcFindClose(TZCLFindFileInfo*& Info) {
  delete Info;
  Info = nullptr;
}

bool zcFindFile(const String& Path, String* FullName, Int64* Size) {
  TSearchRec rec;
  if (Path.empty() || FindFirst(Path, faAnyFile, rec) != 0) return false;
  bool found = false;
  do {
    if (!(rec.Attr & faDirectory)) {
      found = true;
      if (FullName) *FullName = zcExtractFilePath(Path) + rec.Name;
      if (Size) *Size = rec.Size;
    }
  } while (!found && FindNext(rec) == 0);
  FindClose(rec);
  return found;
}

void zcEnumFiles(const String& Folder, const String& ExtFilter, Byte Kinds, const TZCLEnumFilesProc& Proc,
                 bool Recursive) {
  const String folder = zcIncludeTrailingPathDelimiter(Folder);
  TZCLFindFileInfo* info = nullptr;
  if (Recursive && zcFindFirst(folder, zcfkFolders, info)) {
    do {
      zcEnumFiles(info->GetFullFileName(), ExtFilter, Kinds, Proc, true);
    } while (zcFindNext(info));
  }
  if (zcFindFirst(folder, ExtFilter, Kinds, info)) {
    try {
      do {
        Proc(info);
      } while (zcFindNext(info));
    } catch (...) {
      zcFindClose(info);
      throw;
    }
  }
}

void zcEnumFiles(const String& Folder, const String& ExtFilter, TStringList* List) {
  zcEnumFiles(
      Folder, ExtFilter, zcfkFiles, [List](TZCLFindFileInfo* Info) { List->Add(Info->GetFullFileName()); }, false);
}

// Streams

TZCLFileStream::TZCLFileStream(const String& AFileName, Word Mode)
    : THandleStream(zcFileOpen(AFileName, Mode, 0)), FFileName(AFileName) {
  if (FHandle < 0) {
    const int error = errno;
    throw EFOpenError(u"Cannot open file \"%s\". %s", {AFileName, SysErrorMessage(error)});
  }
}

TZCLFileStream::~TZCLFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

Int64 TZCLFileStream::GetSize() {
  struct stat info;
  return ::fstat(FHandle, &info) == 0 ? static_cast<Int64>(info.st_size) : -1;
}

bool TZCLFileStream::GetFileName(TStream* Stream, String& FileName) {
  TStream* inner = TZCLStreamWrapper::Unwrap(Stream);
  if (auto* own = dynamic_cast<TZCLFileStream*>(inner)) {
    FileName = own->GetFileName();
    return true;
  }
  if (auto* platform = dynamic_cast<TFileStream*>(inner)) {
    FileName = platform->GetFileName();
    return true;
  }
  return false;
}

TZCLBufferedFileStream::TZCLBufferedFileStream(const String& AFileName, Word Mode, Integer BufferSize)
    : TZCLBufferedStream(new TZCLFileStream(AFileName, Mode), soOwned, BufferSize) {}

namespace {
constexpr Integer kFileBufferSize = 0x40000;
}

TZCLBufferedFileStream* StreamCreateFileReader(const String& FileName) {
  return new TZCLBufferedFileStream(FileName, fmOpenRead | fmShareDenyNone, kFileBufferSize);
}

TZCLBufferedFileStream* StreamCreateFileWriter(const String& FileName) {
  return new TZCLBufferedFileStream(FileName, fmCreate | fmShareDenyNone, kFileBufferSize);
}

bool StreamCreateFileReader(const String& FileName, TStream*& Stream) {
  try {
    Stream = StreamCreateFileReader(FileName);
    return true;
  } catch (...) {
    Stream = nullptr;
    return false;
  }
}

bool StreamCreateFileWriter(const String& FileName, TStream*& Stream) {
  try {
    Stream = StreamCreateFileWriter(FileName);
    return true;
  } catch (...) {
    Stream = nullptr;
    return false;
  }
}

bool StreamSaveToFile(TStream* Stream, const String& FileName) {
  std::unique_ptr<TZCLBufferedFileStream> file;
  try {
    file.reset(StreamCreateFileWriter(FileName));
  } catch (...) {
    return false;
  }
  Stream->SetPosition(0);
  StreamCopyAll(file.get(), Stream);
  // Written back here so a write error raises instead of being lost in the destructor.
  file->Flush();
  return true;
}

bool StreamContainerSaveToFile(IZCLStreamContainer* Container, const String& FileName) {
  TStream* stream = Container->LockStream();
  try {
    const bool result = StreamSaveToFile(stream, FileName);
    Container->UnlockStream();
    return result;
  } catch (...) {
    Container->UnlockStream();
    throw;
  }
}
