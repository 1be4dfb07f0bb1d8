#pragma once
// Templates formatted for playlist entries, and the automatic name of a playlist.

#include <atomic>
#include <vector>

#include "zcl/base/ZCL.Threading.Pool.h"
#include "zeph/media/ZEPH.FileManager.Extensions.h"
#include "zeph/playlists/ZEPH.FilesScanner.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.h"

class TZBLFileInfo;
class TZCLFormatString;
class TZCLStringList;
class TZCLStringSet;
class TZCLTimer;
class TZEPHPlaylistItems;
struct IZEPHMusicLibrary;

class TZEPHPlaylistItem;
class TZEPHPlaylistStorage;

// The player's templates with the entry's own values: "%Custom" is the entry's text, and the
// macros of values playlists do not keep are gone.
class TZEPHPlaylistItemFormatStringFactory : public TZEPHFileInfoFormatStringFactory {
  ZCL_CLASS(TZEPHPlaylistItemFormatStringFactory, TZEPHFileInfoFormatStringFactory)
 public:
  void RegisterFunctions() override;
  // On one line.
  String GetComment(TZBLFileInfoFormatStringContext* Context) override;

  // Safe on several threads at once. ContextFlags: zfcf* bits.
  static String Format(const String& Template, TZEPHPlaylistItem* Entry, Byte ContextFlags);
  static TZEPHPlaylistItemFormatStringFactory* Instance();
  static void FinalizeInstance();
  // Rewrites a sorting template for the opposite order: every macro or function element toggles
  // its reverse marker. False (Template unchanged) when it holds no macro or function.
  static bool InvertTemplate(String& Template);

 private:
  void MacroCustom(String& Value, TZCLExpressionContext Context);
};

class TZEPHPlaylistItemFormatStringContext : public TZEPHFileInfoFormatStringContext {
  ZCL_CLASS(TZEPHPlaylistItemFormatStringContext, TZEPHFileInfoFormatStringContext)
 public:
  String GetFileFormat() override;
  Integer GetIndex() override;
  Integer GetTotal() override;
  TZEPHPlaylistItem* Entry = nullptr;
};

class TZEPHPlaylistStorageAutoNameHelper {
 public:
  // The shared album or artist, else the common folder's name, else the default name.
  static String GetName(TZEPHPlaylistStorage* Storage);
  // The display name of a common path.
  static String NameFromPath(const String& Path);
};

// Reads the file information of a playlist's entries on a worker. The entries to scan and their
// names are taken on the main thread at creation; the worker reads each file into its scratch
// record and the entry takes it on the main thread, only while it is still in the playlist. The
// worker neither writes an entry nor walks a list the main thread may rebuild.
class TZEPHPlaylistStorageTagsScanTask : public TZCLTask {
  ZCL_CLASS(TZEPHPlaylistStorageTagsScanTask, TZCLTask)
 public:
  // Main thread.
  TZEPHPlaylistStorageTagsScanTask(Integer AMode, TZEPHPlaylistStorage* AStorage);
  ~TZEPHPlaylistStorageTagsScanTask() override;
  void Execute() override;
  Integer GetMode() const { return FMode; }
  // The entries looked at so far; read by the progress timer.
  Integer GetIndex() const { return FIndex.load(std::memory_order_relaxed); }
  Integer GetCount() const { return static_cast<Integer>(FJobs.size()); }
  // Main thread: an entry freed meanwhile is not touched.
  void EntryGone(TZEPHPlaylistItem* Entry);

 private:
  struct TJob {
    TZEPHPlaylistItem* Entry;  // main thread only; nil once freed
    String FileName;           // fixed at creation
  };
  void Apply(TJob& Job, bool Read, bool CheckExists, bool Exists);
  void ProgressTick(TObject* Sender);

  Integer FMode;
  TZEPHPlaylistStorage* FStorage;
  std::vector<TJob> FJobs;
  TZBLFileInfo* FScratchInfo;
  IPtr<IZEPHMusicLibrary> FMusicLibrary;
  std::atomic<Integer> FIndex{0};
  bool FChanged = false;  // main thread
  TZCLTimer* FProgressTimer = nullptr;
};

// Compares entries by a sorting template; several sorting threads may use one helper at once.
class TZEPHPlaylistStorageSortByTemplateHelper : public TObject {
  ZCL_CLASS(TZEPHPlaylistStorageSortByTemplateHelper, TObject)
 public:
  explicit TZEPHPlaylistStorageSortByTemplateHelper(const String& Template);
  ~TZEPHPlaylistStorageSortByTemplateHelper() override;
  Integer Compare(TZEPHPlaylistItem* A, TZEPHPlaylistItem* B);
  // Sorts Items by the template, stable: every entry's keys are formatted once and the entries
  // move with their keys, so a comparison touches no entry.
  void SortItems(TZEPHPlaylistItems* Items);

 private:
  static constexpr int PoolSize = 12;
  TZEPHPlaylistItemFormatStringContext* TakeContext(TZEPHPlaylistItem* Entry);
  void ReturnContext(TZEPHPlaylistItemFormatStringContext* Context);
  TZCLFormatString* FTemplate;
  std::atomic<TZEPHPlaylistItemFormatStringContext*> FPool[PoolSize];
};

// Answers whether an entry is selected, or whether its file is missing from a list (ignoring case).
class TZEPHPlaylistItemsFilter : public TObject {
  ZCL_CLASS(TZEPHPlaylistItemsFilter, TObject)
 public:
  TZEPHPlaylistItemsFilter();
  ~TZEPHPlaylistItemsFilter() override;
  void AddFiles(const TZCLStringList* Files);
  static bool IsSelected(TZEPHPlaylistItem* Entry);
  bool IsNotListed(TZEPHPlaylistItem* Entry) const;

 private:
  TZCLStringSet* FFileNames;
};

// Collects the files of a synchronous expansion: each name with its information in the
// interface slot.
class TZEPHPlaylistStorageFileAddingHelper : public TInterfacedObject, public IZEPHFileManagerFilesReceiver {
  ZCL_CLASS(TZEPHPlaylistStorageFileAddingHelper, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHFileManagerFilesReceiver)
 public:
  explicit TZEPHPlaylistStorageFileAddingHelper(TZCLStringList* AList);
  void ReceiveFile(const String& FileName, IZBLFileInfo* Info, bool& Stop) override;

 private:
  TZCLStringList* FList;
};

// Adds files in the background: the scanner expands them on a worker, then the playlist inserts
// them on the main thread, focusing the first accepted file of the focused item. A playlist
// freed meanwhile cancels the task and gets nothing.
class TZEPHPlaylistStorageAsyncFileAddingTask : public TZEPHFilesScanner {
  ZCL_CLASS(TZEPHPlaylistStorageAsyncFileAddingTask, TZEPHFilesScanner)
 public:
  // Main thread.
  TZEPHPlaylistStorageAsyncFileAddingTask(TZEPHPlaylistStorage* AStorage, const TZCLStringList* Files,
                                          Integer AInsertIndex, Integer AFocusIndex,
                                          TZEPHFileManagerExpandAttributes* Attributes, Byte AFlags);
  ~TZEPHPlaylistStorageAsyncFileAddingTask() override;
  void Complete() override;
  TZCLStringList* GetResults() const { return FResults; }
  Integer GetFocusIndex() const { return FFocusIndex; }

 protected:
  void CollectFiles() override;
  void ProcessFiles() override;
  bool CanAddFile(const String& FileName, IZBLFileInfo* FileInfo) override;
  void DoFileFound(const String& FileName, IZBLFileInfo* FileInfo) override;
  // From the information cache only.
  IPtr<IZBLFileInfo> GetFileInfo(const String& FileName) override;

 private:
  class TRemoveListener;
  void StorageRemoving(TZEPHPlaylistStorage* Storage);
  TZCLStringList* FResults;
  Integer FFocusIndex;
  bool FFocusFound = false;
  Integer FInsertIndex;
  Byte FFlags;
  TZEPHPlaylistStorage* FStorage;  // main thread only
  TZBLCustomFileInfo* FScratchInfo;
  IPtr<IInterface> FListener;
};
