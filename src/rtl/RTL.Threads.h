#pragma once
// Threads and the main-thread contract.
//
// The main thread is the thread that initialized the run-time library's units (MainThreadID).
// Other threads reach it in two ways:
//   - TThread::Synchronize(proc): runs proc on the main thread and blocks the caller until it
//     ran; an exception it raises is raised again in the caller.
//   - TThread::Queue(proc): appends proc to the main thread's queue and returns at once; an
//     exception it raises goes to QueuedCallExceptionHandler.
// Both call WakeMainThread after adding work. The main thread runs pending calls in
// CheckSynchronize, which its message loop calls when woken.
//
// Hooks for the window layer:
//   - WakeMainThread is called from any thread whenever the main thread has new work
//     (Synchronize, Queue; the window layer also calls it for cross-thread sends and posts).
//     The default signals the run-time library's own main-thread waiter. The window layer
//     replaces it to wake its message loop and calls the previous value from its own.
//   - ServeMainThreadWait is installed by the window layer (null by default): it delivers
//     pending cross-thread SendMessage calls.
// While the main thread waits (TThread::WaitFor, the TThread destructor, waits through
// WaitForMainThreadServing or TWaitableObject::WaitFor with ServeMainThread), each time it
// is woken, and at least every 100 ms, it runs CheckSynchronize() and then ServeMainThreadWait()
// (the 100 ms turns keep it serving even when a wake-up went elsewhere). So a worker that waits
// for the main thread can never deadlock a main thread that waits for the worker. A main
// thread blocked any other way (a plain lock, a plain wait) serves nothing.

#include <atomic>
#include <exception>
#include <functional>
#include <initializer_list>
#include <type_traits>

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.SyncObjs.h"

// The kernel's id of a thread (gettid); never 0 for a live thread.
using TThreadID = Cardinal;

extern TThreadID MainThreadID;
// True once a second thread may run: set by TThread::Start and the work-item pool; code that
// starts threads of its own may set it too.
extern std::atomic<bool> IsMultiThread;
TThreadID GetCurrentThreadId();
bool IsMainThread();

extern void (*WakeMainThread)();
extern void (*ServeMainThreadWait)();
// Receives an exception raised by a queued call (main thread). The default writes it to stderr
// and the queue goes on with the next call.
extern void (*QueuedCallExceptionHandler)(std::exception_ptr Error);

// Runs the pending Synchronize and Queue calls, in the order they were made. When none is
// pending it first waits up to TimeoutMs for one. Answers True when a call ran. Main thread
// only: elsewhere it raises EThread.
bool CheckSynchronize(int TimeoutMs = 0);

// Waits for any (or all) of the objects like WaitForMultipleObjects; on the main thread it keeps
// running CheckSynchronize and ServeMainThreadWait whenever woken meanwhile. On other threads
// it is a plain wait.
TWaitResult WaitForMainThreadServing(std::initializer_list<TWaitableObject*> Objects, bool WaitAll, Cardinal Timeout,
                                     TWaitableObject** SignaledObj = nullptr);
TWaitResult WaitForMainThreadServing(TWaitableObject* const* Objects, size_t Count, bool WaitAll, Cardinal Timeout,
                                     TWaitableObject** SignaledObj = nullptr);

// Milliseconds; 0 gives up the rest of the time slice.
void Sleep(Cardinal Milliseconds);
// Processors this process may run on.
Integer CPUCount();

using TThreadProcedure = std::function<void()>;
// A method without arguments; queued ones can be removed by identity.
using TThreadMethod = TDelegate<void()>;

namespace detail {
// Lambdas and other callables go to the TThreadProcedure overloads (a lambda without captures
// would otherwise convert to both kinds).
template <class F>
concept ThreadProcLike = std::is_invocable_v<F&> && !std::is_same_v<std::decay_t<F>, TThreadMethod> &&
                         !std::is_same_v<std::decay_t<F>, TThreadProcedure>;
}  // namespace detail

enum TThreadPriority : Byte { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// Cumulative processor times of the whole system, in clock ticks (from /proc/stat).
struct TSystemTimes {
  UInt64 IdleTime = 0;
  UInt64 UserTime = 0;
  UInt64 KernelTime = 0;
  UInt64 NiceTime = 0;
};

namespace detail {
struct TThreadStart;
struct TThreadJoin;
}  // namespace detail

// A thread running Execute. Create it with Create<TMyThread>(...): the thread starts after the
// whole constructor chain (AfterConstruction) unless created suspended, then Start starts it.
// Free terminates it and waits for it to end (serving the main thread's calls meanwhile);
// with FreeOnTerminate the thread frees itself once Execute and OnTerminate have run.
class TThread : public TObject {
  ZCL_CLASS(TThread, TObject)
 public:
  explicit TThread(bool CreateSuspended = false);
  ~TThread() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  // Starts a thread created suspended. Raises EThread when it was started already.
  void Start();
  // Asks Execute to stop: sets Terminated, then calls TerminatedSet.
  void Terminate();
  // Waits for the end of the thread and answers ReturnValue. On the main thread it serves
  // Synchronize/Queue calls meanwhile. Raises EThread for a thread that waits for itself, one
  // that never started, one that frees itself, and a thread it did not create.
  Cardinal WaitFor();

  bool GetTerminated() const { return FTerminated.load(std::memory_order_acquire); }
  // True until the thread was started.
  bool GetSuspended() const { return !FStarted; }
  bool GetStarted() const { return FStarted; }
  // True once Execute returned (or the thread was terminated before it started Execute).
  bool GetFinished() const { return FFinished.load(std::memory_order_acquire); }
  // 0 until the thread was started.
  TThreadID GetThreadID() const { return FThreadID.load(std::memory_order_acquire); }
  bool GetFreeOnTerminate() const { return FFreeOnTerminate; }
  void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
  TThreadPriority GetPriority() const { return FPriority; }
  // tpIdle runs the thread under SCHED_IDLE; the others map to nice levels (10, 5, 0, -5, -10,
  // -15). Levels the process may not take are ignored.
  void SetPriority(TThreadPriority Value);
  // The exception that ended Execute; null when Execute returned normally.
  std::exception_ptr GetFatalException() const { return FFatalException; }
  // Runs on the main thread (through Synchronize) after Execute; Sender is the thread.
  TNotifyEvent OnTerminate;
  // A thread created by TThread (False for the objects that stand for foreign threads).
  bool GetExternalThread() const { return FExternalThread; }

  // The TThread object of the calling thread. For a thread not created by TThread (the main
  // thread, a pool thread) an object standing for it is made on first use and freed when that
  // thread ends; it cannot be started or waited for.
  static TThread* GetCurrentThread();
  static void Synchronize(TThread* AThread, TThreadProcedure Proc);
  static void Synchronize(TThread* AThread, TThreadMethod Method);
  template <detail::ThreadProcLike F>
  static void Synchronize(TThread* AThread, F&& Proc) {
    Synchronize(AThread, TThreadProcedure(std::forward<F>(Proc)));
  }
  // On the main thread Queue runs Proc at once; ForceQueue always defers it to CheckSynchronize.
  static void Queue(TThread* AThread, TThreadProcedure Proc);
  static void Queue(TThread* AThread, TThreadMethod Method);
  template <detail::ThreadProcLike F>
  static void Queue(TThread* AThread, F&& Proc) {
    Queue(AThread, TThreadProcedure(std::forward<F>(Proc)));
  }
  static void ForceQueue(TThread* AThread, TThreadProcedure Proc);
  static void ForceQueue(TThread* AThread, TThreadMethod Method);
  template <detail::ThreadProcLike F>
  static void ForceQueue(TThread* AThread, F&& Proc) {
    ForceQueue(AThread, TThreadProcedure(std::forward<F>(Proc)));
  }
  // Drop queued calls without running them: those made for AThread, those of Method (same
  // method of the same object), or those of Method made for AThread.
  static void RemoveQueuedEvents(TThread* AThread);
  static void RemoveQueuedEvents(TThreadMethod Method);
  static void RemoveQueuedEvents(TThread* AThread, TThreadMethod Method);
  // Names the thread in debuggers and /proc (15 bytes at most). ThreadID 0: the calling thread.
  static void NameThreadForDebugging(const String& ThreadName, TThreadID ThreadID = 0);
  static Integer GetProcessorCount() { return CPUCount(); }
  // Milliseconds of a monotonic clock.
  static Cardinal GetTickCount();
  static UInt64 GetTickCount64();
  static bool GetSystemTimes(TSystemTimes& SystemTimes);
  // Percent of the time all processors were busy since PrevSystemTimes, which it then updates.
  static Integer GetCPUUsage(TSystemTimes& PrevSystemTimes);

 protected:
  virtual void Execute() = 0;
  // Calls OnTerminate through Synchronize when it is set.
  virtual void DoTerminate();
  // Called by Terminate after the flag is set (on the terminating thread).
  virtual void TerminatedSet() {}
  void Synchronize(TThreadProcedure Proc) { Synchronize(this, std::move(Proc)); }
  void Synchronize(TThreadMethod Method) { Synchronize(this, Method); }
  void Queue(TThreadProcedure Proc) { Queue(this, std::move(Proc)); }
  void Queue(TThreadMethod Method) { Queue(this, Method); }
  template <detail::ThreadProcLike F>
  void Synchronize(F&& Proc) {
    Synchronize(this, TThreadProcedure(std::forward<F>(Proc)));
  }
  template <detail::ThreadProcLike F>
  void Queue(F&& Proc) {
    Queue(this, TThreadProcedure(std::forward<F>(Proc)));
  }
  Cardinal GetReturnValue() const { return FReturnValue; }
  void SetReturnValue(Cardinal Value) { FReturnValue = Value; }
  // For the objects that stand for foreign threads.
  struct TExternalTag {};
  explicit TThread(TExternalTag);

 private:
  friend struct detail::TThreadStart;
  void Run();
  void Join();
  void ApplyPriority();

  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::atomic<TThreadID> FThreadID{0};
  bool FCreateSuspended;
  bool FStarted = false;
  bool FDestroying = false;
  bool FExternalThread = false;
  std::atomic<bool> FFreeOnTerminate{false};
  std::atomic<TThreadPriority> FPriority{tpNormal};
  Cardinal FReturnValue = 0;
  std::exception_ptr FFatalException;
  TEvent FDone{true, false};  // set when the thread's work (Execute, OnTerminate) is over
  detail::TThreadJoin* FJoin = nullptr;
};

namespace detail {
void ThreadsInitialization();
void ThreadsFinalization();
// Parses the first ("cpu ") line of /proc/stat; False when it is missing or malformed.
bool ParseProcStat(std::string_view Text, TSystemTimes& Times);
}  // namespace detail
