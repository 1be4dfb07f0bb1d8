#pragma once
// File-system utilities.

#include <functional>

#include "os/OS.Files.h"
#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Utils.Stream.h"

class TStringList;
class TZCLStringList;

// Linux conventions of the path and file routines:
// - Paths split on "\" and "/" alike (stored paths come from Windows); a trailing delimiter that
//   is added is "/". ":" still ends a component when splitting, as in stored "C:\x" paths.
// - There are no drive letters: zcExtractFileDrive gives "" for plain paths but still recognises
//   stored "X:" and "\\server" forms. A path starting with "/" is absolute.
// - The long-path prefix is never added (Linux has no such limit); zcRemoveLongPathPrefix still
//   strips it from stored text. Share modes and the file attributes other than read-only have
//   no effect on opening.
// - Positions are 1-based; Integer handles are file descriptors, -1 when invalid.

// Path text

String zcIncludeTrailingPathDelimiter(const String& Path);
String zcExcludeTrailingPathDelimiter(const String& Path);
Integer zcLastDelimiter(StringView Delimiters, StringView Text);
String zcExtractFilePath(const String& Path);
String zcExtractFileName(const String& Path);
String zcExtractFileDir(const String& Path);
String zcExtractFileDirName(const String& Path);
// The last Count components, without delimiters at either end.
String zcExtractLastPathParts(const String& Path, Integer Count);
String zcExtractFileDrive(const String& Path);
// While Path (ignoring case) is not a prefix of FileName, Path becomes its parent folder (trailing
// delimiter removed, then the folder part taken; "C:\" becomes "C:"). False, with Path cleared,
// when Path empties or stops getting shorter.
bool zcShortenToCommonPath(String& Path, const String& FileName);
// The same walk, for callers that collect a common folder over many names.
bool zcReduceToCommonPath(String& Path, const String& FileName);
// Start is the extension's dot, End its last character (a URL's query is not part of it); with
// DoubleExtension "name.tar.gz" gives ".tar.gz".
bool zcGetFileExtRange(const String& Path, Integer& Start, Integer& End, bool DoubleExtension = false);
String zcExtractFileExt(const String& Path, bool DoubleExtension = false);
// The extension without its dot, upper-cased.
String zcExtractFileFormat(const String& Path);
String zcExtractFileNameWithoutExt(const String& Path);
// Replaces the extension, or appends NewExt when there is none.
String zcChangeFileExt(const String& Path, const String& NewExt, bool DoubleExtension = false);
bool zcHasDoubleFileExt(const String& Path);
// ExtFilter is a list of masks each ended by ";" ("*.mp3;*.ogg;"); compared ignoring case.
bool zcIsFileExtInList(const String& ExtFilter, const String& Ext);
// Quotes become apostrophes, characters not allowed in names become Replacement (dropped when it
// is NUL), controls are dropped, outer spaces trimmed, at most 260 characters; "." and ".."
// give "".
String zcValidateFileName(const String& Name, Char Replacement = u'_');
String zcToWindowsPath(const String& Path);
String zcToUnixPath(const String& Path);
// Letters and digits, ":", then two equal characters of "/" and "\".
bool zcIsURL(const String& Text);
String zcExtractURLScheme(const String& Text);
bool zcIsNetworkPath(const String& Path);
bool zcIsPathWithSlashes(const String& Path);
bool zcIsRelativePath(const String& Path);
// Path relative to BaseFolder ("..\b\f.txt"), unchanged when they share no folder.
String zcExtractRelativePath(const String& Path, const String& BaseFolder);
// Resolves "." and ".." components to an absolute path; other paths are returned as given.
String zcExpandFileName(const String& Path);
String zcRemoveLongPathPrefix(const String& Path);
// Path when nothing exists there, else the first free "name (2).ext", "name (3).ext", ...
String zcGetUniqueFileName(const String& Path);

// Files and folders

// Classic dates are local time with two-second precision; Attributes is INVALID_FILE_ATTRIBUTES
// when the file was not found.
struct TZCLFileData {
  Cardinal Attributes = INVALID_FILE_ATTRIBUTES;
  TDateTime CreationTime;
  TDateTime LastAccessTime;
  TDateTime LastWriteTime;
  Int64 Size = 0;
  // False and a cleared record when the file is not found.
  bool Load(const String& Path);
  void Clear() { *this = TZCLFileData(); }
};

// Mode: fmCreate (create or truncate, read and write) or an access mode with a share mode; with
// OpenAlways a missing file is created. -1 on failure (errno tells why).
Integer zcFileOpen(const String& FileName, Word Mode, Cardinal Attributes, bool OpenAlways = false);
Cardinal zcFileGetAttr(const String& Path);
bool zcFileGetAttr(const String& Path, Cardinal& Attributes);
bool zcFileExists(const String& Path);
bool zcDirectoryExists(const String& Path);
bool zcFileSetAttr(const String& Path, Cardinal Attributes);
// The last write time as a packed classic date-time (local time), -1 when it cannot be read.
Integer zcFileGetDosAge(const String& Path);
// Age 0 means now.
bool zcFileSetAge(const String& Path, Integer Age);
Int64 zcFileSize(const String& Path);  // 0 when it cannot be read
bool zcFileGetData(const String& Path, TZCLFileData& Data);
bool zcCopyFile(const String& Source, const String& Target, bool FailIfExists);
bool zcMoveFile(const String& Source, const String& Target);
bool zcDeleteFile(const String& Path);
// NewFile takes Target's place; the old Target is kept as Backup when given. A missing Target is
// a plain move with no backup.
bool zcReplaceFile(const String& NewFile, const String& Target, const String& Backup);
bool zcReplaceFile(const String& NewFile, const String& Target);
bool zcMakePath(const String& Folder);
bool zcMakePathForFile(const String& FileName);
String zcGetCurrentDir();
bool zcSetCurrentDir(const String& Folder);
// Raises the last system error when there is none.
String zcGetTempPath();
String zcModuleFileName();
String zcModulePath();

// Enumeration

// File kinds and kind sets.
constexpr Byte zcfkFile = 0;
constexpr Byte zcfkFolder = 1;
constexpr Byte zcfkFiles = 1;
constexpr Byte zcfkFolders = 2;
constexpr Byte zcfkAll = 3;

// The state of one enumeration; owned by the variable handed to zcFindFirst.
class TZCLFindFileInfo : public TObject {
  ZCL_CLASS(TZCLFindFileInfo, TObject)
 public:
  ~TZCLFindFileInfo() override;
  String GetFullFileName() const { return FilePath + FileName; }
  Int64 GetFileSize() const { return FindData.Size; }

  String FileName;
  Byte FileKind = zcfkFile;
  String FilePath;  // the folder searched, with its trailing delimiter
  TSearchRec FindData;
  bool Active = false;  // the search handle is open
  TZCLFileData Data;
  String ExtFilter;  // empty: all files
  Byte Kinds = 0;
};

// Entries "." and "..", system entries, kinds not in Kinds and files whose extension is not in
// ExtFilter are skipped. Info is null whenever the result is False.
bool zcFindFirst(const String& Folder, const String& ExtFilter, const String& Mask, Byte Kinds,
                 TZCLFindFileInfo*& Info);
bool zcFindFirst(const String& Folder, const String& ExtFilter, Byte Kinds, TZCLFindFileInfo*& Info);
bool zcFindFirst(const String& Folder, Byte Kinds, TZCLFindFileInfo*& Info);
// False after freeing Info and setting it to null.
bool zcFindNext(TZCLFindFileInfo*& Info);
void zcFindClose(TZCLFindFileInfo*& Info);
// A file of that name in its folder, ignoring case: its name as stored and its size.
bool zcFindFile(const String& Path, String* FullName = nullptr, Int64* Size = nullptr);

using TZCLEnumFilesProc = std::function<void(TZCLFindFileInfo* Info)>;
// With Recursive, the entries of all subfolders (depth first) come before the folder's own.
void zcEnumFiles(const String& Folder, const String& ExtFilter, Byte Kinds, const TZCLEnumFilesProc& Proc,
                 bool Recursive);
// Adds the full names of the folder's own files.
void zcEnumFiles(const String& Folder, const String& ExtFilter, TStringList* List);

// Streams

class TZCLFileStream : public THandleStream {
  ZCL_CLASS(TZCLFileStream, THandleStream)
 public:
  // Raises EFOpenError "Cannot open file "%s". %s" when the file cannot be opened.
  TZCLFileStream(const String& AFileName, Word Mode);
  ~TZCLFileStream() override;
  Int64 GetSize() override;
  const String& GetFileName() const { return FFileName; }
  // True when Stream, unwrapped, is a file stream of either kind.
  static bool GetFileName(TStream* Stream, String& FileName);

 private:
  String FFileName;
};

class TZCLBufferedFileStream : public TZCLBufferedStream {
  ZCL_CLASS(TZCLBufferedFileStream, TZCLBufferedStream)
 public:
  TZCLBufferedFileStream(const String& AFileName, Word Mode, Integer BufferSize);
};

// Readers share with everyone; writers create or truncate. 262,144-byte buffers.
TZCLBufferedFileStream* StreamCreateFileReader(const String& FileName);
TZCLBufferedFileStream* StreamCreateFileWriter(const String& FileName);
// False instead of raising; Stream is null then.
bool StreamCreateFileReader(const String& FileName, TStream*& Stream);
bool StreamCreateFileWriter(const String& FileName, TStream*& Stream);
// Copies the whole stream from position 0 into the file.
bool StreamSaveToFile(TStream* Stream, const String& FileName);
bool StreamContainerSaveToFile(IZCLStreamContainer* Container, const String& FileName);

// Search paths

// A list of folders, each with a recursive flag, with a one-line text form for settings:
// "1/music/;0/other/" (1 recursive, 0 not, parts joined by ";").
class TZCLSearchPaths : public TZCLLockablePersistent {
  ZCL_CLASS(TZCLSearchPaths, TZCLLockablePersistent)
 public:
  using TChangeEvent = TDelegate<void(TZCLSearchPaths* Sender)>;

  TZCLSearchPaths();
  explicit TZCLSearchPaths(TChangeEvent OnChange);
  ~TZCLSearchPaths() override;

  // Empty parts and parts without a folder are skipped; the folder of a part is recursive unless
  // its flag character is "0". The change arrives once.
  virtual void FromString(const String& Text);
  String ToString() const override;
  virtual void Clear();
  // A new list of the folders, owned by the caller.
  virtual TZCLStringList* CreatePathList() const;

  // Appends Path with a trailing delimiter.
  void Add(const String& Path, bool Recursive);
  // Out-of-range indexes are ignored.
  void Delete(Integer Index);
  // True when Path lies inside one of the folders or one of the folders lies inside Path, ignoring
  // case; the recursive flags are not consulted.
  bool Overlaps(const String& Path) const;

  Integer GetCount() const;
  // Empty and false for an index out of range.
  String GetPath(Integer Index) const;
  bool GetRecursive(Integer Index) const;

  TChangeEvent OnChange;

 protected:
  // Copies the folders of another TZCLSearchPaths.
  void DoAssign(TPersistent* Source) override;
  void DoChanged(TZCLPersistentChanges Changes) override;

 private:
  // Folders with their trailing delimiter; the item object is the recursive flag (null: false).
  TZCLStringList* FPaths;
};
