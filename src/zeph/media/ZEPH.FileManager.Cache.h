#pragma once
// The last few file-information results of plain files on disk, each kept with the file's
// attributes of the time: dropped after ten minutes, and on a look-up when the file changed.

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.Objects.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"

class TZBLCustomFileInfo;
class TZCLCriticalSection;
class TZCLObjectList;
class TZCLTimer;

// A file's attributes, asked of the file system at most once per request.
struct TZEPHFileInfoCacheAttributes {
  TZCLFileData Data;
  // Bit 1: the file system was asked; bit 0: the file was found.
  Byte Flags = 0;
  // Fills the record unless it was asked already.
  void Fill(const String& FileName);
  bool Found() const { return (Flags & 1) != 0; }
  // Every field, the last-access time included.
  friend bool operator==(const TZEPHFileInfoCacheAttributes& A, const TZEPHFileInfoCacheAttributes& B);
};

class TZEPHFileInfoCache : public TObject {
  ZCL_CLASS(TZEPHFileInfoCache, TObject)
 public:
  using TClock = TDateTime (*)();

  TZEPHFileInfoCache();
  ~TZEPHFileInfoCache() override;

  // At least 1; the oldest entries beyond it go.
  void SetCapacity(Integer Value);
  Integer GetCapacity() const { return FCapacity; }
  Integer GetCount() const;

  // Keeps a copy of the record of an existing plain file (never a part of a container).
  void Add(const String& FileName, const TZBLCustomFileInfo* Info, TZEPHFileInfoCacheAttributes& Attributes);
  // Fills Target from the oldest entry of the name (ignoring case) when the file is unchanged and
  // the entry's record is of Target's class or a descendant; a stale entry is deleted.
  bool Find(const String& FileName, TZBLCustomFileInfo* Target, TZEPHFileInfoCacheAttributes& Attributes);
  // Deletes the entries older than the life time; the timer runs only while entries remain.
  void Purge();

  TZCLTimer* GetTimer() const { return FTimer; }
  // The clock of the entries' ages (Now by default); for tests.
  static void SetClock(TClock Clock);

 private:
  void PurgeTimer(TObject* Sender);
  void RestartTimer();
  void TrimToCapacity();

  Integer FCapacity = 10;
  TZCLTimer* FTimer;
  TZCLObjectList* FEntries;
  TZCLCriticalSection* FLock;
  TDateTime FLifeTime;
};
