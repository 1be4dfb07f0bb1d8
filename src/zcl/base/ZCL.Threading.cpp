#include "zcl/base/ZCL.Threading.h"

#include "rtl/RTL.Threads.h"

TZCLCriticalSection::TZCLCriticalSection(TObject*, StringView) {}

void TZCLCriticalSection::Enter() {
  const Cardinal self = GetCurrentThreadId();
  if (FOwnerThreadId.load(std::memory_order_acquire) != self) {
    bool yieldNext = true;
    for (;;) {
      Integer expected = 0;
      if (FLock.compare_exchange_strong(expected, 1, std::memory_order_acquire)) break;
      Sleep(yieldNext ? 0 : 1);
      yieldNext = !yieldNext;
    }
    const Cardinal owner = FOwnerThreadId.load(std::memory_order_acquire);
    if (owner != 0) {
      FLock.store(0, std::memory_order_release);
      throw EInvalidOperation(u"Section is locked by %d", {static_cast<Int64>(owner)});
    }
    FOwnerThreadId.store(self, std::memory_order_release);
  }
  ++FRecursionCount;
}

void TZCLCriticalSection::Leave() {
  const Cardinal owner = FOwnerThreadId.load(std::memory_order_acquire);
  if (owner != GetCurrentThreadId()) throw EInvalidOperation(u"Section is not owned (%d)", {static_cast<Int64>(owner)});
  if (--FRecursionCount < 0) throw EInvalidOperation(u"Section.RecursionCount < 0");
  if (FRecursionCount == 0) {
    FOwnerThreadId.store(0, std::memory_order_release);
    FLock.store(0, std::memory_order_release);
  }
}
