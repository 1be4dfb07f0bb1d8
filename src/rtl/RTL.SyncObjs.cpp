#include "rtl/RTL.SyncObjs.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <thread>
#include <unordered_map>

#include "rtl/RTL.Threads.h"
#include "rtl/RTL.Units.h"

namespace detail {
namespace {
// Guards every TWaitable and every TWaiter.
std::mutex GWaitLock;
}  // namespace

struct TWaiter {
  std::condition_variable Cond;
  // The objects waited for; an entry becomes null when its object is destroyed.
  std::vector<TWaitable*> Objects;
  int Abandoned = -1;
};

struct TWaitAccess {
  static bool Signaled(const TWaitable& W) { return W.FSignaled; }
  static void Consume(TWaitable& W) {
    if (!W.FManualReset) W.FSignaled = false;
  }
  static void Register(TWaitable& W, TWaiter* Waiter) { W.FWaiters.push_back(Waiter); }
  static void Unregister(TWaitable& W, TWaiter* Waiter) { std::erase(W.FWaiters, Waiter); }
};

TWaitable::~TWaitable() {
  std::lock_guard lock(GWaitLock);
  for (TWaiter* waiter : FWaiters) {
    for (size_t i = 0; i < waiter->Objects.size(); ++i)
      if (waiter->Objects[i] == this) {
        waiter->Objects[i] = nullptr;
        if (waiter->Abandoned < 0) waiter->Abandoned = static_cast<int>(i);
      }
    waiter->Cond.notify_one();
  }
}

void TWaitable::Set() {
  std::lock_guard lock(GWaitLock);
  FSignaled = true;
  for (TWaiter* waiter : FWaiters) waiter->Cond.notify_one();
}

void TWaitable::Reset() {
  std::lock_guard lock(GWaitLock);
  FSignaled = false;
}

bool TWaitable::IsSet() const {
  std::lock_guard lock(GWaitLock);
  return FSignaled;
}

size_t TWaitable::WaiterCount() const {
  std::lock_guard lock(GWaitLock);
  return FWaiters.size();
}

namespace {
// Under GWaitLock: consumes and answers the index that satisfies the wait, or -1.
int TryAcquire(const std::vector<TWaitable*>& Objects, size_t Count, bool WaitAll, TWaitable* Wake) {
  if (WaitAll) {
    bool all = true;
    for (size_t i = 0; i < Count && all; ++i) all = TWaitAccess::Signaled(*Objects[i]);
    if (all) {
      for (size_t i = 0; i < Count; ++i) TWaitAccess::Consume(*Objects[i]);
      return 0;
    }
  } else {
    for (size_t i = 0; i < Count; ++i)
      if (TWaitAccess::Signaled(*Objects[i])) {
        TWaitAccess::Consume(*Objects[i]);
        return static_cast<int>(i);
      }
  }
  if (Wake && TWaitAccess::Signaled(*Wake)) {
    TWaitAccess::Consume(*Wake);
    return static_cast<int>(Count);
  }
  return -1;
}
}  // namespace

TWaitResult WaitForWaitables(const TWaitable* const* Objects, size_t Count, bool WaitAll, Cardinal Timeout,
                             int* SignaledIndex, TWaitable* Wake) {
  if (SignaledIndex) *SignaledIndex = -1;
  if (Count == 0 || !Objects) return wrError;
  TWaiter waiter;
  waiter.Objects.reserve(Count + 1);
  for (size_t i = 0; i < Count; ++i) {
    if (!Objects[i]) return wrError;
    // The wait changes the state of auto-reset objects; constness only reflects the callers'.
    waiter.Objects.push_back(const_cast<TWaitable*>(Objects[i]));
  }
  if (Wake) waiter.Objects.push_back(Wake);

  std::unique_lock lock(GWaitLock);
  int index = TryAcquire(waiter.Objects, Count, WaitAll, Wake);
  if (index >= 0 || Timeout == 0) {
    if (SignaledIndex) *SignaledIndex = index;
    return index >= 0 ? wrSignaled : wrTimeout;
  }
  for (TWaitable* object : waiter.Objects) TWaitAccess::Register(*object, &waiter);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(Timeout);
  TWaitResult result = wrTimeout;
  for (;;) {
    bool timedOut = false;
    if (Timeout == INFINITE)
      waiter.Cond.wait(lock);
    else
      timedOut = waiter.Cond.wait_until(lock, deadline) == std::cv_status::timeout;
    if (waiter.Abandoned >= 0) {
      index = waiter.Abandoned;
      result = wrAbandoned;
      break;
    }
    index = TryAcquire(waiter.Objects, Count, WaitAll, Wake);
    if (index >= 0) {
      result = wrSignaled;
      break;
    }
    if (timedOut) break;
  }
  for (TWaitable* object : waiter.Objects)
    if (object) TWaitAccess::Unregister(*object, &waiter);
  if (SignaledIndex) *SignaledIndex = index;
  return result;
}
}  // namespace detail

// --- TSynchroObject, TWaitableObject ---------------------------------------------------------

TWaitResult TSynchroObject::WaitFor(Cardinal) { return wrError; }

TWaitResult TWaitableObject::WaitFor(Cardinal Timeout) { return WaitFor(Timeout, false); }

TWaitResult TWaitableObject::WaitFor(Cardinal Timeout, bool ServeMainThread) {
  TWaitableObject* self = this;
  if (ServeMainThread) return WaitForMainThreadServing(&self, 1, false, Timeout);
  return WaitForMultipleObjects(&self, 1, false, Timeout);
}

TWaitResult WaitForMultipleObjects(std::initializer_list<TWaitableObject*> Objects, bool WaitAll, Cardinal Timeout,
                                   TWaitableObject** SignaledObj) {
  return WaitForMultipleObjects(Objects.begin(), Objects.size(), WaitAll, Timeout, SignaledObj);
}

TWaitResult WaitForMultipleObjects(TWaitableObject* const* Objects, size_t Count, bool WaitAll, Cardinal Timeout,
                                   TWaitableObject** SignaledObj) {
  if (SignaledObj) *SignaledObj = nullptr;
  std::vector<const detail::TWaitable*> waitables(Count);
  for (size_t i = 0; i < Count; ++i) {
    if (!Objects[i]) return wrError;
    waitables[i] = &Objects[i]->GetWaitable();
  }
  int index = -1;
  TWaitResult result = detail::WaitForWaitables(waitables.data(), Count, WaitAll, Timeout, &index);
  if (SignaledObj && index >= 0 && static_cast<size_t>(index) < Count) *SignaledObj = Objects[index];
  return result;
}

// --- TMultiReadExclusiveWriteSynchronizer ----------------------------------------------------

struct TMultiReadExclusiveWriteSynchronizer::TState {
  std::mutex Lock;
  std::condition_variable Changed;
  std::unordered_map<TThreadID, int> Reads;  // read depth of each reading thread
  int TotalReads = 0;                        // read depths summed, of threads not waiting to write
  TThreadID Writer = 0;
  int WriteDepth = 0;
  int WaitingWriters = 0;
  Cardinal Revision = 0;
};

TMultiReadExclusiveWriteSynchronizer::TMultiReadExclusiveWriteSynchronizer() : FState(new TState) {}

TMultiReadExclusiveWriteSynchronizer::~TMultiReadExclusiveWriteSynchronizer() { delete FState; }

void TMultiReadExclusiveWriteSynchronizer::BeginRead() {
  const TThreadID self = GetCurrentThreadId();
  std::unique_lock lock(FState->Lock);
  auto it = FState->Reads.find(self);
  // A thread that writes or already reads goes on at once: making it wait for a waiting writer
  // would deadlock.
  if (FState->Writer != self && it == FState->Reads.end())
    FState->Changed.wait(lock, [&] { return FState->Writer == 0 && FState->WaitingWriters == 0; });
  ++FState->Reads[self];
  ++FState->TotalReads;
}

void TMultiReadExclusiveWriteSynchronizer::EndRead() {
  const TThreadID self = GetCurrentThreadId();
  std::lock_guard lock(FState->Lock);
  auto it = FState->Reads.find(self);
  if (it == FState->Reads.end()) return;  // unbalanced EndRead: nothing is held
  --FState->TotalReads;
  if (--it->second == 0) FState->Reads.erase(it);
  FState->Changed.notify_all();
}

bool TMultiReadExclusiveWriteSynchronizer::BeginWrite() {
  const TThreadID self = GetCurrentThreadId();
  std::unique_lock lock(FState->Lock);
  if (FState->Writer == self) {
    ++FState->WriteDepth;
    return true;
  }
  const Cardinal revision = FState->Revision;
  auto it = FState->Reads.find(self);
  const int ownReads = it == FState->Reads.end() ? 0 : it->second;
  // Let our own reads go while we wait, so that two readers asking to write cannot block each other.
  FState->TotalReads -= ownReads;
  ++FState->WaitingWriters;
  FState->Changed.notify_all();
  FState->Changed.wait(lock, [&] { return FState->Writer == 0 && FState->TotalReads == 0; });
  --FState->WaitingWriters;
  FState->TotalReads += ownReads;
  FState->Writer = self;
  FState->WriteDepth = 1;
  return FState->Revision == revision;
}

void TMultiReadExclusiveWriteSynchronizer::EndWrite() {
  const TThreadID self = GetCurrentThreadId();
  std::lock_guard lock(FState->Lock);
  if (FState->Writer != self) return;  // unbalanced EndWrite: nothing is held
  if (--FState->WriteDepth > 0) return;
  FState->Writer = 0;
  ++FState->Revision;
  FState->Changed.notify_all();
}

Cardinal TMultiReadExclusiveWriteSynchronizer::GetRevisionLevel() const {
  std::lock_guard lock(FState->Lock);
  return FState->Revision;
}

// --- QueueWorkItem ---------------------------------------------------------------------------

namespace {
struct TWorkItem {
  std::function<void()> Proc;
  bool LongFunction;
};

// Threads are made on demand and leave after a while without work. Short items use at most
// about one thread per processor; each long item may get a thread of its own.
struct TWorkPool {
  std::mutex Lock;
  std::condition_variable HasWork;
  std::deque<TWorkItem> Items;
  int Threads = 0;
  int Idle = 0;
  int BusyLong = 0;
  bool ShuttingDown = false;
  TEvent AllGone{true, true};  // set while no thread exists
};

constexpr int MaxPoolThreads = 512;
constexpr auto IdleLifetime = std::chrono::seconds(20);

std::mutex GPoolLock;  // guards GPool itself
TWorkPool* GPool = nullptr;

void RunItem(TWorkItem& Item) {
  try {
    Item.Proc();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "QueueWorkItem: unhandled exception: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "QueueWorkItem: unhandled exception\n");
  }
}

void WorkerLoop(TWorkPool* Pool) {
  std::unique_lock lock(Pool->Lock);
  for (;;) {
    if (Pool->Items.empty()) {
      if (Pool->ShuttingDown) break;
      ++Pool->Idle;
      const bool woken = Pool->HasWork.wait_for(lock, IdleLifetime,
                                                [&] { return !Pool->Items.empty() || Pool->ShuttingDown; });
      --Pool->Idle;
      if (!woken) break;  // idle too long
      continue;
    }
    TWorkItem item = std::move(Pool->Items.front());
    Pool->Items.pop_front();
    if (item.LongFunction) ++Pool->BusyLong;
    lock.unlock();
    RunItem(item);
    item.Proc = nullptr;  // release what the item holds before taking the lock again
    lock.lock();
    if (item.LongFunction) --Pool->BusyLong;
  }
  if (--Pool->Threads == 0) Pool->AllGone.SetEvent();
}

// Under Pool->Lock: starts a thread when the queue needs one. False with errno when none could start.
bool EnsureWorker(TWorkPool* Pool, bool LongFunction) {
  if (Pool->Idle > static_cast<int>(Pool->Items.size()) - 1) return true;
  const int shortThreads = Pool->Threads - Pool->BusyLong;
  if (!LongFunction && shortThreads >= std::max(CPUCount(), 2)) return true;  // the item waits its turn
  if (Pool->Threads >= MaxPoolThreads) return Pool->Threads > 0 ? true : (errno = EAGAIN, false);
  try {
    std::thread(WorkerLoop, Pool).detach();
  } catch (const std::system_error& e) {
    errno = e.code().value();
    return Pool->Threads > 0;  // the queued item still runs on an existing thread
  }
  if (Pool->Threads++ == 0) Pool->AllGone.ResetEvent();
  return true;
}
}  // namespace

bool QueueWorkItem(std::function<void()> Proc, bool LongFunction) {
  std::lock_guard poolLock(GPoolLock);
  if (!GPool) {
    if (!IsUnitInitialized("RTL.SyncObjs")) {
      errno = ESHUTDOWN;
      return false;
    }
    GPool = new TWorkPool;
    IsMultiThread = true;
  }
  std::lock_guard lock(GPool->Lock);
  if (GPool->ShuttingDown) {
    errno = ESHUTDOWN;
    return false;
  }
  GPool->Items.push_back({std::move(Proc), LongFunction});
  if (!EnsureWorker(GPool, LongFunction)) {
    GPool->Items.pop_back();
    return false;
  }
  GPool->HasWork.notify_one();
  return true;
}

namespace detail {
void SyncObjsInitialization() {}

// Items not started yet are dropped; running ones are waited for (serving the main thread,
// since they may Synchronize).
void SyncObjsFinalization() {
  TWorkPool* pool;
  {
    std::lock_guard poolLock(GPoolLock);
    pool = GPool;
    GPool = nullptr;
  }
  if (!pool) return;
  std::deque<TWorkItem> dropped;
  {
    std::lock_guard lock(pool->Lock);
    pool->ShuttingDown = true;
    dropped.swap(pool->Items);
    pool->HasWork.notify_all();
  }
  dropped.clear();
  WaitForMainThreadServing({&pool->AllGone}, false, INFINITE);
  // The last thread signals AllGone under the pool lock; taking it once more makes sure it let go.
  { std::lock_guard lock(pool->Lock); }
  delete pool;
}

int WorkPoolThreadCount() {
  std::lock_guard poolLock(GPoolLock);
  if (!GPool) return 0;
  std::lock_guard lock(GPool->Lock);
  return GPool->Threads;
}
}  // namespace detail
