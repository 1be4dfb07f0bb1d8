#include "zeph/media/ZEPH.FileManager.Cache.h"

#include <atomic>

#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.VirtualFiles.h"

namespace {
std::atomic<TZEPHFileInfoCache::TClock> GClock{nullptr};

TDateTime ClockNow() {
  const TZEPHFileInfoCache::TClock clock = GClock.load();
  return clock ? clock() : Now();
}

class TCacheItem : public TObject {
 public:
  TCacheItem(TDateTime AAdded, const TZEPHFileInfoCacheAttributes& AAttributes, TZBLCustomFileInfo* AInfo,
             const String& AFileName)
      : Added(AAdded), Attributes(AAttributes), Info(AInfo), FileName(AFileName) {}
  ~TCacheItem() override { Free(Info); }
  TDateTime Added;
  TZEPHFileInfoCacheAttributes Attributes;
  TZBLCustomFileInfo* Info;  // owned
  String FileName;
};
}  // namespace

void TZEPHFileInfoCacheAttributes::Fill(const String& FileName) {
  if (Flags & 2) return;
  if (zcFileGetData(FileName, Data)) {
    Flags = 3;
  } else {
    Data.Clear();
    Flags = 2;
  }
}

bool operator==(const TZEPHFileInfoCacheAttributes& A, const TZEPHFileInfoCacheAttributes& B) {
  return A.Flags == B.Flags && A.Data.Attributes == B.Data.Attributes &&
         A.Data.CreationTime.Value == B.Data.CreationTime.Value &&
         A.Data.LastAccessTime.Value == B.Data.LastAccessTime.Value &&
         A.Data.LastWriteTime.Value == B.Data.LastWriteTime.Value && A.Data.Size == B.Data.Size;
}

void TZEPHFileInfoCache::SetClock(TClock Clock) { GClock.store(Clock); }

TZEPHFileInfoCache::TZEPHFileInfoCache()
    : FTimer(new TZCLTimer(TNotifyEvent(this, &TZEPHFileInfoCache::PurgeTimer), 60000, false, false)),
      FEntries(new TZCLObjectList(true)),
      FLock(new TZCLCriticalSection(this)),
      FLifeTime(10.0 / MinsPerDay) {}

TZEPHFileInfoCache::~TZEPHFileInfoCache() {
  {
    TZCLLockGuard guard(*FLock);
    TZCLMainThread::RemoveQueuedMethod(TThreadMethod(this, &TZEPHFileInfoCache::RestartTimer));
    FreeAndNil(FTimer);
  }
  Free(FEntries);
  Free(FLock);
}

Integer TZEPHFileInfoCache::GetCount() const {
  TZCLLockGuard guard(*FLock);
  return FEntries->GetCount();
}

void TZEPHFileInfoCache::SetCapacity(Integer Value) {
  TZCLLockGuard guard(*FLock);
  FCapacity = Value < 1 ? 1 : Value;
  TrimToCapacity();
}

void TZEPHFileInfoCache::TrimToCapacity() {
  while (FEntries->GetCount() > FCapacity) FEntries->Delete(0);
}

void TZEPHFileInfoCache::Add(const String& FileName, const TZBLCustomFileInfo* Info,
                             TZEPHFileInfoCacheAttributes& Attributes) {
  if (!Info || TZEPHFileURI::IsVirtual(FileName)) return;
  Attributes.Fill(FileName);
  if (!Attributes.Found()) return;
  TZBLCustomFileInfo* copy = Info->Clone();
  {
    TZCLLockGuard guard(*FLock);
    FEntries->Add(new TCacheItem(ClockNow(), Attributes, copy, FileName));
    TrimToCapacity();
  }
  TZCLMainThread::Queue(TThreadMethod(this, &TZEPHFileInfoCache::RestartTimer));
}

bool TZEPHFileInfoCache::Find(const String& FileName, TZBLCustomFileInfo* Target,
                              TZEPHFileInfoCacheAttributes& Attributes) {
  if (!Target) return false;
  TZCLLockGuard guard(*FLock);
  for (Integer i = 0; i < FEntries->GetCount(); ++i) {
    auto* item = static_cast<TCacheItem*>(FEntries->GetItems(i));
    if (!zcSameText(item->FileName, FileName)) continue;
    Attributes.Fill(FileName);
    if (Attributes == item->Attributes && item->Info->InheritsFrom(Target->ClassType())) {
      Target->Assign(item->Info);
      return true;
    }
    FEntries->Delete(i);
    return false;
  }
  return false;
}

void TZEPHFileInfoCache::Purge() {
  TZCLLockGuard guard(*FLock);
  const TDateTime limit = ClockNow() - FLifeTime;
  for (Integer i = FEntries->GetCount() - 1; i >= 0; --i) {
    if (static_cast<TCacheItem*>(FEntries->GetItems(i))->Added < limit) {
      for (Integer k = i; k >= 0; --k) FEntries->Delete(k);
      break;
    }
  }
  if (FTimer) FTimer->SetEnabled(FEntries->GetCount() > 0);
}

void TZEPHFileInfoCache::PurgeTimer(TObject*) { Purge(); }

void TZEPHFileInfoCache::RestartTimer() {
  TZCLLockGuard guard(*FLock);
  if (FTimer) FTimer->Restart();
}
