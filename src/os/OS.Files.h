#pragma once
// Files, folders and paths on Linux, for the system's file routines.
//
// Path conventions:
// - "/" is the path delimiter. Routines that split stored paths accept "\" too.
// - MapStoredPath turns a path from stored data (skins and projects made on Windows) into a
//   plain path: "\" becomes "/", a "\\?\" or "\\?\UNC\" prefix is dropped, a drive letter
//   ("C:\Skins") is dropped ("/Skins"), and a network name ("\\server\share\a") becomes
//   "/server/share/a". The long-path rule of the system is a no-op here.
// - ":" is an ordinary file-name character. A "<container file>:<part name>" name is recognised
//   by SplitContainerPath only when the text before the last ":" names an existing file.
// - The file system is case-sensitive: look-ups go to the real name. Only the masks of
//   FindFirst ("*.PNG") compare ignoring case, since skins made on Windows name files loosely.
// - Share modes do not exist on Linux; the attribute "hidden" means a name starting with ".".

#include <functional>

#include "os/OS.Types.h"

constexpr Char PathDelim = u'/';
constexpr Char DriveDelim = u'\0';  // there are no drives
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

// File attributes with the system's values.
constexpr DWORD faReadOnly = 0x01;
constexpr DWORD faHidden = 0x02;
constexpr DWORD faSysFile = 0x04;
constexpr DWORD faDirectory = 0x10;
constexpr DWORD faArchive = 0x20;
constexpr DWORD faNormal = 0x80;
constexpr DWORD faSymLink = 0x400;
constexpr DWORD faAnyFile = 0x1FF;

// 100-nanosecond intervals since 1601-01-01 UTC, as the system's file times.
using TFileTime = Int64;

String MapStoredPath(StringView Path);
bool SplitContainerPath(StringView Path, String& Container, String& Part);

bool IsPathDelimiter(Char C);  // "/" or "\"
String IncludeTrailingPathDelimiter(StringView Path);
String ExcludeTrailingPathDelimiter(StringView Path);
String ExtractFilePath(StringView Path);  // up to and including the last delimiter
String ExtractFileDir(StringView Path);   // the same without the delimiter ("/" stays)
String ExtractFileName(StringView Path);
String ExtractFileExt(StringView Path);  // with its dot; empty when none
String ChangeFileExt(StringView Path, StringView Extension);
// Absolute path with "." and ".." resolved textually (symbolic links are not followed).
String ExpandFileName(StringView Path);
// Absolute path with symbolic links resolved; empty when the path does not exist.
String GetCanonicalPath(StringView Path);
// The device and inode that a path leads to (symbolic links followed): equal for two paths of
// one file or folder. False when the path cannot be asked.
bool GetFileIdentity(StringView Path, UInt64& Device, UInt64& Inode);
bool IsRelativePath(StringView Path);

DWORD FileGetAttr(StringView Path);  // INVALID_FILE_ATTRIBUTES when it cannot be read
bool FileSetAttr(StringView Path, DWORD Attributes);  // only faReadOnly can change
bool FileExists(StringView Path);                      // exists and is not a folder
bool DirectoryExists(StringView Path);
Int64 FileSize(StringView Path);  // -1 when it cannot be read

bool GetFileTimes(StringView Path, TFileTime* Creation, TFileTime* LastAccess, TFileTime* LastWrite);
bool SetFileTimes(StringView Path, const TFileTime* LastAccess, const TFileTime* LastWrite);
TFileTime UnixTimeToFileTime(Int64 Seconds, Int64 Nanoseconds = 0);
Int64 FileTimeToUnixTime(TFileTime Time);  // seconds

// The operations report failure by result; errno tells why.
bool CopyFile(StringView Source, StringView Target, bool FailIfExists);
// Renames, or copies and deletes across file systems. Fails when Target exists.
bool MoveFile(StringView Source, StringView Target, bool ReplaceExisting = false);
bool DeleteFile(StringView Path);
// Puts Replacement in the place of Replaced, which must exist; when Backup is given the old
// Replaced is kept there. On failure Replaced is left as it was.
bool ReplaceFile(StringView Replaced, StringView Replacement, StringView Backup);
bool CreateDir(StringView Path);
bool RemoveDir(StringView Path);
bool ForceDirectories(StringView Path);

// Directory search with a mask of "*" and "?" (FindFirst semantics: Path is "<folder>/<mask>").
struct TSearchRec {
  String Name;
  Int64 Size = 0;
  DWORD Attr = 0;
  TFileTime CreationTime = 0, LastAccessTime = 0, LastWriteTime = 0;
  void* FindHandle = nullptr;
  DWORD ExcludeAttr = 0;
};
// 0 on success, otherwise an errno value (ENOENT when nothing matches).
int FindFirst(StringView Path, DWORD Attr, TSearchRec& F);
int FindNext(TSearchRec& F);
void FindClose(TSearchRec& F);
bool MatchesMask(StringView Name, StringView Mask);  // ignoring case

String GetTempPath();  // with a trailing "/"
// Creates a new empty file "<Prefix>XXXXXX" in Folder and returns its name; empty on failure.
String GetTempFileName(StringView Folder, StringView Prefix);
bool GetDiskFreeSpace(StringView Path, UInt64* FreeBytes, UInt64* TotalBytes);
String GetCurrentDir();
bool SetCurrentDir(StringView Path);

// Shared libraries: the program folder is searched first, then the system's paths.
HMODULE LoadLibrary(StringView Name);
void* GetProcAddress(HMODULE Module, const char* Name);
bool FreeLibrary(HMODULE Module);
