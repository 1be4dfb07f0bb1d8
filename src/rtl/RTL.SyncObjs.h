#pragma once
// Synchronisation objects: locks, events, waits on several objects, read-write synchronizers,
// atomic operations and the process-wide pool of worker threads.
//
// Every waitable object (TEvent, the end of a TThread) shares one wait mechanism, so a thread
// can wait for any mix of them at once (WaitForMultipleObjects). Waits on the main thread that
// must keep serving Synchronize/Queue calls and cross-thread sends go through
// WaitForMainThreadServing (RTL.Threads.h).

#include <atomic>
#include <functional>
#include <initializer_list>
#include <mutex>
#include <vector>

#include "rtl/RTL.Objects.h"

// Milliseconds meaning "no time limit" for every wait.
inline constexpr Cardinal INFINITE = 0xFFFFFFFF;

enum TWaitResult : Byte { wrSignaled, wrTimeout, wrAbandoned, wrError };

RTL_EXCEPTION(ESyncObjectException, Exception);
RTL_EXCEPTION(ELockException, ESyncObjectException);

namespace detail {
struct TWaiter;

// The signalled state of one waitable object and the threads waiting for it. Guarded by one
// process-wide lock (waits are not hot paths; one lock makes waits on several objects atomic).
// Destroying it while threads wait for it ends their waits with wrAbandoned.
class TWaitable {
 public:
  constexpr TWaitable(bool ManualReset, bool InitialState) : FManualReset(ManualReset), FSignaled(InitialState) {}
  TWaitable(const TWaitable&) = delete;
  TWaitable& operator=(const TWaitable&) = delete;
  ~TWaitable();

  void Set();
  void Reset();
  bool IsSet() const;
  // Threads waiting for it now; for diagnostics and tests.
  size_t WaiterCount() const;

 private:
  friend struct TWaitAccess;
  bool FManualReset;
  bool FSignaled;
  std::vector<TWaiter*> FWaiters;
};

// Waits until one (or, with WaitAll, every one) of Objects is signalled, or until Wake (optional)
// is signalled, or until Timeout ms pass. Auto-reset objects are consumed by a successful wait;
// with WaitAll they are consumed together. SignaledIndex receives the index of the object that
// ended the wait (Count for Wake, 0 for WaitAll), or of the abandoned one.
TWaitResult WaitForWaitables(const TWaitable* const* Objects, size_t Count, bool WaitAll, Cardinal Timeout,
                             int* SignaledIndex, TWaitable* Wake = nullptr);
}  // namespace detail

// Base of the synchronisation objects.
class TSynchroObject : public TObject {
  ZCL_CLASS(TSynchroObject, TObject)
 public:
  virtual void Acquire() {}
  virtual void Release() {}
  virtual TWaitResult WaitFor(Cardinal Timeout = INFINITE);
};

// An object that other threads can wait for: events, and (through GetWaitable) threads.
class TWaitableObject : public TSynchroObject {
  ZCL_CLASS(TWaitableObject, TSynchroObject)
 public:
  TWaitResult WaitFor(Cardinal Timeout = INFINITE) override;
  // On the main thread with ServeMainThread, pending Synchronize/Queue calls and cross-thread
  // sends keep running while it waits (see WaitForMainThreadServing); elsewhere a plain wait.
  TWaitResult WaitFor(Cardinal Timeout, bool ServeMainThread);
  detail::TWaitable& GetWaitable() const { return FWaitable; }

 protected:
  TWaitableObject(bool ManualReset, bool InitialState) : FWaitable(ManualReset, InitialState) {}

 private:
  mutable detail::TWaitable FWaitable;
};

// A manual-reset or auto-reset event. An auto-reset event releases one waiter per SetEvent.
class TEvent : public TWaitableObject {
  ZCL_CLASS(TEvent, TWaitableObject)
 public:
  // Manual reset, not signalled.
  TEvent() : TEvent(true, false) {}
  TEvent(bool ManualReset, bool InitialState) : TWaitableObject(ManualReset, InitialState) {}
  void SetEvent() { GetWaitable().Set(); }
  void ResetEvent() { GetWaitable().Reset(); }
};

// A manual-reset event, not signalled at first.
class TSimpleEvent : public TEvent {
  ZCL_CLASS(TSimpleEvent, TEvent)
 public:
  TSimpleEvent() : TEvent(true, false) {}
  TSimpleEvent(bool ManualReset, bool InitialState) : TEvent(ManualReset, InitialState) {}
};

// Waits for any (or all) of the objects: wrSignaled with SignaledObj set to the object that
// ended the wait (the first one with WaitAll), wrTimeout, wrAbandoned when an object was
// destroyed during the wait, wrError for an empty list or a null object. A plain wait: on the
// main thread use WaitForMainThreadServing when workers may need the main thread meanwhile.
TWaitResult WaitForMultipleObjects(std::initializer_list<TWaitableObject*> Objects, bool WaitAll, Cardinal Timeout,
                                   TWaitableObject** SignaledObj = nullptr);
TWaitResult WaitForMultipleObjects(TWaitableObject* const* Objects, size_t Count, bool WaitAll, Cardinal Timeout,
                                   TWaitableObject** SignaledObj = nullptr);

// A recursive lock: the owner may enter again; each Enter needs its Leave.
class TCriticalSection : public TSynchroObject {
  ZCL_CLASS(TCriticalSection, TSynchroObject)
 public:
  void Acquire() override { FLock.lock(); }
  void Release() override { FLock.unlock(); }
  void Enter() { FLock.lock(); }
  void Leave() { FLock.unlock(); }
  bool TryEnter() { return FLock.try_lock(); }

 private:
  std::recursive_mutex FLock;
};

// Holds a TCriticalSection (or any TSynchroObject) for a scope.
class TLockGuard {
 public:
  explicit TLockGuard(TSynchroObject& Lock) : FLock(Lock) { FLock.Acquire(); }
  ~TLockGuard() { FLock.Release(); }
  TLockGuard(const TLockGuard&) = delete;
  TLockGuard& operator=(const TLockGuard&) = delete;

 private:
  TSynchroObject& FLock;
};

// The read-write synchronizer contract. Both sides may be entered again by the thread that
// holds them. BeginWrite answers False when another thread wrote between the call and the
// moment the write side was granted (possible when the caller held the read side).
class IReadWriteSync {
 public:
  virtual ~IReadWriteSync() = default;
  virtual void BeginRead() = 0;
  virtual void EndRead() = 0;
  virtual bool BeginWrite() = 0;
  virtual void EndWrite() = 0;
};

// Readers and writers exclude each other (one recursive lock).
class TSimpleRWSync : public TObject, public IReadWriteSync {
  ZCL_CLASS(TSimpleRWSync, TObject)
 public:
  void BeginRead() override { FLock.lock(); }
  void EndRead() override { FLock.unlock(); }
  bool BeginWrite() override {
    FLock.lock();
    return true;
  }
  void EndWrite() override { FLock.unlock(); }

 private:
  std::recursive_mutex FLock;
};

// Many readers or one writer. Writers take precedence over new readers; a thread that already
// reads may read again and may ask for the write side (it lets its reads go while it waits,
// so two such threads cannot deadlock: the second then gets False from BeginWrite).
class TMultiReadExclusiveWriteSynchronizer : public TObject, public IReadWriteSync {
  ZCL_CLASS(TMultiReadExclusiveWriteSynchronizer, TObject)
 public:
  TMultiReadExclusiveWriteSynchronizer();
  ~TMultiReadExclusiveWriteSynchronizer() override;
  void BeginRead() override;
  void EndRead() override;
  bool BeginWrite() override;
  void EndWrite() override;
  // Incremented each time a writer leaves the write side.
  Cardinal GetRevisionLevel() const;

 private:
  struct TState;
  TState* FState;
};
using TMREWSync = TMultiReadExclusiveWriteSynchronizer;

// Atomic operations on plain variables (naturally aligned). Increment, Decrement and Add
// answer the new value; Exchange and CompareExchange the previous one.
class TInterlocked {
 public:
  template <class T>
  static T Increment(T& Target) {
    return std::atomic_ref<T>(Target).fetch_add(1) + 1;
  }
  template <class T>
  static T Decrement(T& Target) {
    return std::atomic_ref<T>(Target).fetch_sub(1) - 1;
  }
  template <class T>
  static T Add(T& Target, T Increment) {
    return std::atomic_ref<T>(Target).fetch_add(Increment) + Increment;
  }
  template <class T>
  static T Exchange(T& Target, T Value) {
    return std::atomic_ref<T>(Target).exchange(Value);
  }
  // Stores Value when Target equals Comparand; answers Target's previous value.
  template <class T>
  static T CompareExchange(T& Target, T Value, T Comparand) {
    std::atomic_ref<T>(Target).compare_exchange_strong(Comparand, Value);
    return Comparand;
  }
  template <class T>
  static T CompareExchange(T& Target, T Value, T Comparand, bool& Succeeded) {
    Succeeded = std::atomic_ref<T>(Target).compare_exchange_strong(Comparand, Value);
    return Comparand;
  }
  template <class T>
  static T Read(T& Target) {
    return std::atomic_ref<T>(Target).load();
  }
};

// Runs Proc on the process-wide pool of worker threads, created on first use. The pool keeps
// about one thread per processor for short items; LongFunction tells it that the item may run
// for long, so it starts another thread rather than let short items queue behind it. Answers
// False (errno set) when the pool cannot take the item: after shutdown or when no thread can
// be created. An exception that escapes Proc is written to stderr; the pool goes on.
bool QueueWorkItem(std::function<void()> Proc, bool LongFunction = false);

namespace detail {
void SyncObjsInitialization();
void SyncObjsFinalization();
// Threads of the pool now (idle or busy); for tests.
int WorkPoolThreadCount();
}  // namespace detail
