#pragma once
// Templates formatted for playlist entries, and the automatic name of a playlist.

#include <atomic>
#include <vector>

#include "zcl/base/ZCL.Threading.Pool.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.h"

class TZBLFileInfo;
class TZCLTimer;
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
