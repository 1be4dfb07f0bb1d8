#pragma once
// The task pool: a priority-ordered queue of tasks run on the system thread pool, at most a limited
// number at once, with cancel and wait by handle and completion notices.

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.Utils.Messaging.h"

// A task's handle: unique for the life of the process (a finished task's handle never names a
// later task); 0 means none.
using TObjHandle = UInt64;

enum class TZCLTaskPriority { Low = 0, Normal = 1, High = 2 };

class TZCLTaskDispatcher;

class TZCLTask : public TObject {
  ZCL_CLASS(TZCLTask, TObject)
 public:
  // Calls the completion callback in its mode; runs exactly once for every task given to the pool.
  virtual void Complete();
  virtual void Execute() = 0;
  virtual String GetDescription() { return u""; }
  virtual TZCLTaskPriority GetPriority() { return TZCLTaskPriority::Normal; }
  // Execute polls it to stop early.
  virtual bool IsCanceled() { return FCanceled.load(std::memory_order_acquire); }
  TObjHandle GetHandle() const { return FHandle; }
  TThreadID GetWorkerThreadId() const { return FWorkerThreadId; }

 private:
  friend class TZCLTaskDispatcher;
  std::atomic<bool> FCanceled{false};
  TObjHandle FHandle = 0;
  TThreadID FWorkerThreadId = 0;
  TZCLThreadCallback FCallback;
  TZCLThreadCallMode FCallMode = TZCLThreadCallMode::Direct;
  std::shared_ptr<class TZCLEvent> FEvent;
};

using TZCLTaskCancelCallback = std::function<bool()>;
using TZCLTaskProc = std::function<void(const TZCLTaskCancelCallback& IsCanceled)>;

class TZCLSimpleTask : public TZCLTask {
  ZCL_CLASS(TZCLSimpleTask, TZCLTask)
 public:
  explicit TZCLSimpleTask(TZCLTaskProc AProc) : FProc(std::move(AProc)) {}
  void Execute() override;

 private:
  TZCLTaskProc FProc;
};

class TZCLTaskDispatcher {
 public:
  TZCLTaskDispatcher();
  // Stops starting tasks and cancels every task, waiting for the running ones.
  ~TZCLTaskDispatcher();

  // The pool takes the task.
  TObjHandle Run(TZCLTask* Task);
  TObjHandle Run(TZCLTaskProc Proc, TThreadMethod Callback = {}, TZCLThreadCallMode Mode = TZCLThreadCallMode::Direct);
  // A queued task is completed as canceled at once and never executes; a running one is flagged
  // (and waited for). False only when the wait failed.
  bool Cancel(TObjHandle Handle, bool WaitFor);
  void CancelAll(bool WaitFor);
  // True when the task ended or the pool does not hold it; a queued task is started at once.
  bool WaitFor(TObjHandle Handle);
  // The running task of the calling worker thread, nil when none.
  TZCLTask* GetCurrentTask();
  // Execute, then Complete, then free the task, on the calling thread; exceptions reach the caller.
  static void RunInCurrentThread(TZCLTask* Task);
  // Values below 1 become 1.
  void SetMaxActiveTasks(Integer N);
  Integer GetMaxActiveTasks();
  // Main thread only: a timer that adapts the limit to the processor load every second.
  void SetUseCpuUsageMonitor(bool Value);
  bool UseCpuUsageMonitor() const;
  // One processor-load sample (percent); after ten, while tasks are queued, the limit grows by one
  // at 80 or less and shrinks by one at 95 or more, within the base limit and 8 per processor;
  // with nothing queued it returns to the base limit.
  void AddCpuUsageSample(Integer Percent);
  Integer GetActiveCount();
  Integer GetQueuedCount();
  // "Active: N" and, with tasks queued, " (Pending: M)".
  String ToString();

  // Used by task groups.
  TObjHandle RunCore(TZCLTask* Task, TZCLThreadCallback Callback, TZCLThreadCallMode Mode);

 private:
  struct TState;
  void ProcessQueue();
  void StartTask(TZCLTask* Task);
  void ExecuteTask(TZCLTask* Task);
  TWaitResult CancelCore(TObjHandle Handle, Cardinal Timeout);
  void CpuUsageMonitorTick(TObject* Sender);
  std::unique_ptr<TState> F;
};

// The process's task pool, created on first call (from the main thread).
TZCLTaskDispatcher* TaskDispatcher();
// Null while none was made: finalization cancels tasks without making a pool.
TZCLTaskDispatcher* TaskDispatcherIfExists();
// Frees the pool at exit; unit finalization.
void FreeTaskDispatcher();

// Several tasks under one completion notice. Protocol: Initialize, AddTask for each, then Run.
class TZCLTaskGroup : public TObject {
  ZCL_CLASS(TZCLTaskGroup, TObject)
 public:
  TZCLTaskGroup();
  ~TZCLTaskGroup() override;
  void Initialize();
  void AddTask(TZCLTask* Task);
  void Run(bool WaitFor);
  void Cancel(bool WaitFor);
  void WaitFor();
  TNotifyEvent OnComplete;

 private:
  void TaskCompleted();
  std::atomic<Integer> FPendingCount{0};
  std::unique_ptr<class TZCLEvent> FEvent;
  std::vector<TObjHandle> FHandles;
};
