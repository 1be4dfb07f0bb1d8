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

// ---- events, waits and threads ---------------------------------------------------------------------

#include <mutex>

#include "rtl/RTL.Exceptions.h"

TWaitResult WaitForSyncObject(TWaitableObject* Object, Cardinal Timeout) {
  if (!Object) return wrError;
  if (!IsMainThread()) return Object->WaitFor(Timeout);
  if (Object->WaitFor(0) == wrSignaled) return wrSignaled;
  if (Timeout == 0) return wrTimeout;
  // Serves the run-time library's calls and cross-thread sends in slices of at most 100 ms.
  return WaitForMainThreadServing({Object}, false, Timeout);
}

bool IsTimeIntervalElapsedAt(Cardinal StartTick, Cardinal Interval, Cardinal Now) {
  if (Interval == 0 || Interval == INFINITE) return false;
  const Cardinal elapsed = Now >= StartTick ? Now - StartTick : 0xFFFFFFFFu - (StartTick - Now);
  return elapsed >= Interval;
}

bool IsTimeIntervalElapsed(Cardinal StartTick, Cardinal Interval) {
  return IsTimeIntervalElapsedAt(StartTick, Interval, TThread::GetTickCount());
}

bool IsTimeIntervalElapsedAndRestart(Cardinal& StartTick, Cardinal Interval) {
  const Cardinal now = TThread::GetTickCount();
  if (!IsTimeIntervalElapsedAt(StartTick, Interval, now)) return false;
  StartTick = now;
  return true;
}

void QueueWorkItem(void (*Proc)(void* Context), void* Context) {
  if (!::QueueWorkItem([Proc, Context] { Proc(Context); }, true)) RaiseLastOSError();
}

void TZCLThread::BeforeDestruction() {
  TThread::BeforeDestruction();
  Terminate();
}

void TZCLThread::Terminate() {
  if (GetTerminated()) return;
  // The flag first: a thread started only to end sees it at once.
  TThread::Terminate();
  if (!GetStarted() && !GetExternalThread()) Start();
}

TZCLPauseableThread::~TZCLPauseableThread() {
  // A paused body wakes, sees the terminated flag and ends before the base destructor waits.
  SetPaused(false);
}

void TZCLPauseableThread::SetPaused(bool Value) {
  if (Value)
    FPauseEvent.Reset();
  else
    FPauseEvent.Signal();
}

bool TZCLPauseableThread::WaitForUnpause(Cardinal Timeout) {
  if (GetTerminated()) return false;
  return FPauseEvent.WaitFor(Timeout) && !GetTerminated();
}

void TZCLPauseableThread::TerminatedSet() {
  TZCLThread::TerminatedSet();
  FPauseEvent.Signal();
}

namespace {

struct TOperationState {
  std::mutex Lock;  // one operation at a time in the process
  TZCLEvent Done{true, false};
  void (*Proc)(void*) = nullptr;
  std::atomic<Integer> Pending{0};
  std::mutex ErrorLock;
  std::exception_ptr FirstError;
};

TOperationState* GOperation = nullptr;

void RunOperationItem(void* Item) {
  TOperationState& state = *GOperation;
  try {
    state.Proc(Item);
  } catch (...) {
    std::lock_guard guard(state.ErrorLock);
    if (!state.FirstError) state.FirstError = std::current_exception();
  }
  if (state.Pending.fetch_sub(1, std::memory_order_acq_rel) == 1) state.Done.Signal();
}

}  // namespace

void TZCLMultithreadedOperation::Initialize() {
  IsMultiThread.store(true);
  if (!GOperation) GOperation = new TOperationState();
}

void TZCLMultithreadedOperation::Finalize() {
  delete GOperation;
  GOperation = nullptr;
}

void TZCLMultithreadedOperation::Run(void* const* Items, Integer Count, void (*Proc)(void* Item)) {
  if (Count < 1 || !Proc) return;
  if (!GOperation) throw EInvalidOperation(u"The parallel operation state does not exist");
  TOperationState& state = *GOperation;
  std::lock_guard guard(state.Lock);
  state.Proc = Proc;
  state.FirstError = nullptr;
  state.Pending.store(Count);
  if (Count == 1) {
    RunOperationItem(Items[0]);
  } else {
    state.Done.Reset();
    std::exception_ptr queueError;
    Integer queued = 0;
    for (; queued < Count; ++queued) {
      try {
        QueueWorkItem(&RunOperationItem, Items[queued]);
      } catch (...) {
        queueError = std::current_exception();
        break;
      }
    }
    // Items never queued count as done, so the wait ends once the queued ones finished.
    if (queued < Count && state.Pending.fetch_sub(Count - queued, std::memory_order_acq_rel) == Count - queued)
      state.Done.Signal();
    state.Done.WaitForNoSynchronize();
    if (queueError) std::rethrow_exception(queueError);
  }
  if (state.FirstError) {
    std::exception_ptr error = state.FirstError;
    state.FirstError = nullptr;
    std::rethrow_exception(error);
  }
}
