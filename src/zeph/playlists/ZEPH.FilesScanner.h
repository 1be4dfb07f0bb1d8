#pragma once
// Turns chosen or dropped items (files, folders, playlists, containers) into the media files to
// add, on a pool worker: a first pass collects what the items stand for, a second expands each
// file once more (containers yield their parts), reads missing information and hands every
// accepted file on. Duration, size, extension and folder filters may refuse files.

#include "zcl/base/ZCL.Threading.Pool.h"
#include "zeph/media/ZEPH.FileManager.Extensions.h"

class TZCLSortedStrings;
class TZCLStringList;
struct IZBLFileInfo;

// A lower limit a file must exceed while enabled.
class TZEPHFilesScannerFilter : public TObject {
  ZCL_CLASS(TZEPHFilesScannerFilter, TObject)
 public:
  explicit TZEPHFilesScannerFilter(Cardinal ADefaultValue = 0) : DefaultValue(ADefaultValue), Value(ADefaultValue) {}
  bool Accept(Cardinal X) const { return !Enabled || X > Value; }
  // Takes Enabled and Value, not DefaultValue.
  void Assign(const TZEPHFilesScannerFilter& Source) {
    Enabled = Source.Enabled;
    Value = Source.Value;
  }
  Cardinal DefaultValue;
  bool Enabled = false;
  Cardinal Value;
};

// Reports of a scan, all made on the worker thread.
struct IZEPHFilesScannerReceiver : virtual IInterface {
  RTL_INTERFACE(IZEPHFilesScannerReceiver, IInterface, "{0B8E2F47-5C13-4A96-8D72-E3F19A6C4B05}")
  virtual void Finished(bool Canceled) = 0;
  virtual void FileFound(const String& FileName, IZBLFileInfo* FileInfo) = 0;
  virtual void Progress(const String& FileName, Integer Index, Integer Count) = 0;
  virtual void Started(TZCLTask* Task) = 0;
};

class TZEPHFilesScanner : public TZCLTask {
  ZCL_CLASS(TZEPHFilesScanner, TZCLTask)
 public:
  // Items: names with their IZBLFileInfo in the interface slot; both lists are copied.
  TZEPHFilesScanner(IZEPHFilesScannerReceiver* AReceiver, const TZCLStringList* AItems,
                    TZEPHFileManagerExpandAttributes* AAttributes);
  ~TZEPHFilesScanner() override;
  void Execute() override;

  TZEPHFilesScannerFilter* GetDurationFilter() const { return FDurationFilter; }  // seconds
  TZEPHFilesScannerFilter* GetSizeFilter() const { return FSizeFilter; }          // KiB
  // Masks "*.ext;".
  String IgnoredExts;
  TZCLSortedStrings* GetSkipPaths() const { return FSkipPaths; }
  TZCLStringList* GetFiles() const { return FFiles; }
  TZCLStringList* GetItems() const { return FItems; }
  Integer GetIndex() const { return FIndex; }
  Byte GetPhase() const { return FPhase; }

  // Folders, and files, that hold "/__MACOSX", "/.AppleDouble" or "/._" are never taken.
  static bool IsSkippedPath(const String& Path);

 protected:
  virtual void CollectFiles();
  virtual void ProcessFiles();
  virtual bool CanAddFile(const String& FileName, IZBLFileInfo* FileInfo);
  virtual void DoFinished(bool Canceled);
  virtual void DoFileFound(const String& FileName, IZBLFileInfo* FileInfo);
  virtual void DoProgress(const String& FileName, Integer Index, Integer Count);
  virtual void DoStarted(TZCLTask* Task);
  // Read through every source; nil when nothing could be read.
  virtual IPtr<IZBLFileInfo> GetFileInfo(const String& FileName);

 private:
  class TSink;
  friend class TSink;
  bool ExpandEntry(TZCLStringList* List, Integer Index, TZEPHFileManagerExpandAttributes* Attributes);
  void ReceiveFile(const String& FileName, IZBLFileInfo* FileInfo, bool& Stop);
  void ReceivePath(const String& Path, bool& Skip, bool& Stop);

  TZEPHFileManagerExpandAttributes* FAttributes;
  Integer FIndex = 0;
  TZCLSortedStrings* FSkipPaths;
  TZEPHFilesScannerFilter* FDurationFilter;
  TZEPHFilesScannerFilter* FSizeFilter;
  TZCLStringList* FFiles;
  IPtr<IZEPHFilesScannerReceiver> FReceiver;
  TZCLStringList* FItems;
  Byte FPhase = 0;
  IPtr<IZEPHFileManagerFilesReceiver> FSink;
};
