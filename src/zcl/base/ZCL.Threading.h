#pragma once
// Threading: the library's recursive lock.

#include <atomic>

#include "rtl/RTL.Objects.h"
#include "rtl/RTL.SyncObjs.h"
#include "rtl/RTL.Threads.h"

// A recursive lock that records its owner thread and lives entirely in user mode: a lock word
// taken by compare-and-swap, no system object. Waiters yield and sleep 1 ms in turn (no spin
// count, not fair). Misuse raises EInvalidOperation and leaves the lock as it was.
class TZCLCriticalSection : public TObject {
  ZCL_CLASS(TZCLCriticalSection, TObject)
 public:
  // Owner and name only describe the lock's user; neither is stored.
  explicit TZCLCriticalSection(TObject* AOwner = nullptr, StringView AName = u"");

  // Nested calls of the owner thread only count.
  void Enter();
  // Raises "Section is not owned (%d)" (the owner's thread id, 0 when free) on another thread.
  void Leave();

  // The owner's thread id, 0 while free.
  Cardinal GetOwnerThreadId() const { return FOwnerThreadId.load(std::memory_order_acquire); }
  Integer GetRecursionCount() const { return FRecursionCount; }
  bool IsLocked() const { return FLock.load(std::memory_order_acquire) != 0; }

 private:
  // Tests reach the states that only a corrupted lock shows through it.
  friend struct TZCLCriticalSectionProbe;
  std::atomic<Integer> FLock{0};
  std::atomic<Cardinal> FOwnerThreadId{0};
  Integer FRecursionCount = 0;
};

// Holds a TZCLCriticalSection for a scope.
class TZCLLockGuard {
 public:
  explicit TZCLLockGuard(TZCLCriticalSection& Lock) : FLock(Lock) { FLock.Enter(); }
  ~TZCLLockGuard() { FLock.Leave(); }
  TZCLLockGuard(const TZCLLockGuard&) = delete;
  TZCLLockGuard& operator=(const TZCLLockGuard&) = delete;

 private:
  TZCLCriticalSection& FLock;
};

// ---- events, waits and threads ---------------------------------------------------------------------

// Waits for Object; Timeout in ms, INFINITE without limit. On the main thread the wait keeps
// running queued calls and delivering messages sent by other threads, in slices of at most
// 100 ms, so a worker waiting for the main thread cannot deadlock it. Elsewhere a plain wait.
TWaitResult WaitForSyncObject(TWaitableObject* Object, Cardinal Timeout);

// Whether Interval ms passed since StartTick (TThread::GetTickCount). Interval 0 and INFINITE
// never elapse. Across the 32-bit wrap the distance counts one less.
bool IsTimeIntervalElapsed(Cardinal StartTick, Cardinal Interval);
// The same; when it answers True, StartTick moves to the current tick.
bool IsTimeIntervalElapsedAndRestart(Cardinal& StartTick, Cardinal Interval);
// The same with the current tick given.
bool IsTimeIntervalElapsedAt(Cardinal StartTick, Cardinal Interval, Cardinal Now);

// Hands Proc(Context) to the system thread pool as a long-running item; raises EOSError when the
// pool refuses it.
void QueueWorkItem(void (*Proc)(void* Context), void* Context);

// A system event; by default manual-reset and unsignalled.
class TZCLEvent : public TObject {
  ZCL_CLASS(TZCLEvent, TObject)
 public:
  TZCLEvent() : TZCLEvent(true, false) {}
  TZCLEvent(bool ManualReset, bool InitialState) : FEvent(ManualReset, InitialState) {}

  // WaitForSyncObject: the main thread keeps serving calls. True only when signalled.
  bool WaitFor(Cardinal Timeout = INFINITE) { return WaitForSyncObject(&FEvent, Timeout) == wrSignaled; }
  // A plain wait that serves nothing.
  bool WaitForNoSynchronize(Cardinal Timeout = INFINITE) { return FEvent.WaitFor(Timeout) == wrSignaled; }
  void Reset() { FEvent.ResetEvent(); }
  void Signal() { FEvent.SetEvent(); }
  TWaitableObject* GetHandle() { return &FEvent; }

 private:
  TEvent FEvent;
};

// A thread whose destruction never waits for a thread that was not told to stop or never started.
class TZCLThread : public TThread {
  ZCL_CLASS(TZCLThread, TThread)
 public:
  using TThread::TThread;
  void BeforeDestruction() override;
  // Sets the terminated flag and starts a thread that was created suspended (so that it can end);
  // nothing when it is terminated already.
  virtual void Terminate();
};

// A thread whose body sleeps in WaitForUnpause while paused. It starts running.
class TZCLPauseableThread : public TZCLThread {
  ZCL_CLASS(TZCLPauseableThread, TZCLThread)
 public:
  explicit TZCLPauseableThread(bool CreateSuspended = false) : TZCLThread(CreateSuspended) {}
  ~TZCLPauseableThread() override;
  virtual void SetPaused(bool Value);
  bool GetPaused() { return !FPauseEvent.WaitForNoSynchronize(0); }
  // False at once when terminated; otherwise waits while paused (up to Timeout) and answers
  // whether the thread runs.
  bool WaitForUnpause(Cardinal Timeout = INFINITE);

 protected:
  // Wakes a paused body so that it sees the flag (also when the base class terminates the thread).
  void TerminatedSet() override;

 private:
  TZCLEvent FPauseEvent{true, true};
};

// A one-shot parallel loop over an array of items on the system thread pool; operations of the
// whole process run one at a time. An item's exception does not stop the others; after every item
// ran, the first exception raised is raised again in the caller. Items must not start another
// operation.
class TZCLMultithreadedOperation {
 public:
  static void Run(void* const* Items, Integer Count, void (*Proc)(void* Item));

  static void Initialize();
  static void Finalize();
};
