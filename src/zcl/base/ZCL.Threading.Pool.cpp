#include "zcl/base/ZCL.Threading.Pool.h"

#include <sched.h>

#include <algorithm>
#include <deque>
#include <mutex>
#include <thread>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Format.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/base/ZCL.Utils.Logger.h"

namespace {

std::atomic<TObjHandle> GNextHandle{0};

// Exceptions of tasks never leave the worker; they are logged under "ThreadPool". A log that
// cannot be written loses the entry rather than the worker.
void ReportTaskException(std::exception_ptr Error) noexcept {
  try {
    try {
      std::rethrow_exception(Error);
    } catch (const Exception& e) {
      LogWriteException(DefaultLogFile(), u"ThreadPool", e);
    } catch (const std::exception& e) {
      LogWriteEntry(DefaultLogFile(), u"ThreadPool", u"std::exception", UTF8ToString(e.what()), u"");
    } catch (...) {
      LogWriteEntry(DefaultLogFile(), u"ThreadPool", u"unknown", u"unknown exception", u"");
    }
  } catch (...) {
  }
}

// Low tasks run under SCHED_IDLE, the others under the normal policy; the setting stays on the
// pool thread. Refusals (missing rights) leave the thread as it was.
void ApplyTaskPriority(TZCLTaskPriority Priority) {
  sched_param param{};
  if (Priority == TZCLTaskPriority::Low)
    sched_setscheduler(0, SCHED_IDLE, &param);
  else if (sched_getscheduler(0) != SCHED_OTHER)
    sched_setscheduler(0, SCHED_OTHER, &param);
}

// "TaskLock" is held briefly and taken once per task by every worker: a short spin before sleeping
// spares most of the system calls of a contended lock.
class TTaskLockGuard {
 public:
  explicit TTaskLockGuard(std::recursive_mutex& Lock) : FLock(Lock) {
    for (int i = 0; i < 100; ++i) {
      if (Lock.try_lock()) return;
#if defined(__x86_64__) || defined(__i386__)
      __builtin_ia32_pause();
#endif
    }
    Lock.lock();
  }
  ~TTaskLockGuard() { FLock.unlock(); }
  TTaskLockGuard(const TTaskLockGuard&) = delete;
  TTaskLockGuard& operator=(const TTaskLockGuard&) = delete;

 private:
  std::recursive_mutex& FLock;
};

}  // namespace

// ---- tasks -----------------------------------------------------------------------------------------

void TZCLTask::Complete() { FCallback.Call(FCallMode); }

void TZCLSimpleTask::Execute() {
  if (FProc) FProc([this] { return IsCanceled(); });
}

// ---- dispatcher ------------------------------------------------------------------------------------

// A queued task with its handle, so that lookups by handle need not touch the task.
struct TQueuedTask {
  TObjHandle Handle;
  TZCLTask* Task;
};

struct TZCLTaskDispatcher::TState {
  static constexpr int Levels = 3;
  std::recursive_mutex Lock;  // "TaskLock"
  // Owned; one queue per priority, each in arrival order. Handles grow with arrival, so each queue
  // is also sorted by handle and a task is found by binary search.
  std::deque<TQueuedTask> Queues[Levels];
  size_t QueuedCount = 0;
  std::vector<TZCLTask*> Active;
  Integer Limit = 1;
  Integer BaseLimit = 1;
  // Work items handed to the system pool that have not returned; the dispatcher outlives them.
  std::atomic<Integer> InFlight{0};
  Integer History[10] = {};  // newest first
  Integer SampleCount = 0;
  TZCLTimer* Monitor = nullptr;
  TSystemTimes PrevTimes{};

  static int LevelOf(TZCLTaskPriority Priority) { return std::clamp(static_cast<int>(Priority), 0, Levels - 1); }

  // Inserts by handle: at the end for a new task, at its old place for one put back.
  void Enqueue(int Level, TObjHandle Handle, TZCLTask* Task) {
    auto& queue = Queues[Level];
    auto at = queue.end();
    if (!queue.empty() && queue.back().Handle > Handle)
      at = std::lower_bound(queue.begin(), queue.end(), Handle,
                            [](const TQueuedTask& q, TObjHandle h) { return q.Handle < h; });
    queue.insert(at, {Handle, Task});
    ++QueuedCount;
  }

  // The level holding the handle and its position there; Level -1 when not queued.
  struct TFound {
    int Level = -1;
    std::deque<TQueuedTask>::iterator At;
  };
  TFound Find(TObjHandle Handle) {
    for (int level = Levels - 1; level >= 0; --level) {
      auto& queue = Queues[level];
      if (queue.empty() || Handle < queue.front().Handle || Handle > queue.back().Handle) continue;
      auto at = std::lower_bound(queue.begin(), queue.end(), Handle,
                                 [](const TQueuedTask& q, TObjHandle h) { return q.Handle < h; });
      if (at != queue.end() && at->Handle == Handle) return {level, at};
    }
    return {};
  }

  // The task that starts next: the oldest of the highest priority; nullptr when none is queued.
  TFound Front() {
    for (int level = Levels - 1; level >= 0; --level)
      if (!Queues[level].empty()) return {level, Queues[level].begin()};
    return {};
  }

  TZCLTask* Take(const TFound& Found) {
    TZCLTask* task = Found.At->Task;
    Queues[Found.Level].erase(Found.At);
    --QueuedCount;
    return task;
  }

  bool CanStartMore() const { return QueuedCount != 0 && static_cast<Integer>(Active.size()) < Limit; }
};

TZCLTaskDispatcher::TZCLTaskDispatcher() : F(std::make_unique<TState>()) {
  IsMultiThread.store(true);
  SetMaxActiveTasks(CPUCount() * 4);
}

TZCLTaskDispatcher::~TZCLTaskDispatcher() {
  if (F->Monitor) Free(F->Monitor);
  {
    std::lock_guard guard(F->Lock);
    F->Limit = F->BaseLimit = 0;
  }
  CancelAll(true);
  while (F->InFlight.load(std::memory_order_acquire) != 0) std::this_thread::yield();
}

TObjHandle TZCLTaskDispatcher::Run(TZCLTask* Task) { return RunCore(Task, {}, TZCLThreadCallMode::Direct); }

TObjHandle TZCLTaskDispatcher::Run(TZCLTaskProc Proc, TThreadMethod Callback, TZCLThreadCallMode Mode) {
  return RunCore(Create<TZCLSimpleTask>(std::move(Proc)), TZCLThreadCallback{Callback}, Mode);
}

TObjHandle TZCLTaskDispatcher::RunCore(TZCLTask* Task, TZCLThreadCallback Callback, TZCLThreadCallMode Mode) {
  if (!Task) return 0;
  TTaskLockGuard guard(F->Lock);
  Task->FCallback = std::move(Callback);
  Task->FCallMode = Mode;
  const TObjHandle handle = Task->FHandle = ++GNextHandle;
  F->Enqueue(TState::LevelOf(Task->GetPriority()), handle, Task);
  ProcessQueue();
  return handle;
}

// Starts queued tasks up to the limit.
void TZCLTaskDispatcher::ProcessQueue() {
  std::lock_guard guard(F->Lock);
  while (F->CanStartMore()) StartTask(F->Front().At->Task);
}

// Under the lock: moves a queued task to the active ones on a work item of its own.
void TZCLTaskDispatcher::StartTask(TZCLTask* Task) {
  std::lock_guard guard(F->Lock);
  const TState::TFound found = F->Find(Task->FHandle);
  const int level = found.Level;
  F->Take(found);
  F->Active.push_back(Task);
  F->InFlight.fetch_add(1);
  if (!::QueueWorkItem(
          [this, Task] {
            ExecuteTask(Task);
            F->InFlight.fetch_sub(1, std::memory_order_release);
          },
          true)) {
    F->InFlight.fetch_sub(1);
    F->Active.pop_back();
    F->Enqueue(level, Task->FHandle, Task);
    RaiseLastOSError();
  }
}

// Runs the task and then, while the limit allows, the queued ones after it on the same work item:
// one hand-over to the system pool serves many tasks.
void TZCLTaskDispatcher::ExecuteTask(TZCLTask* Task) {
  const TThreadID self = GetCurrentThreadId();
  Task->FWorkerThreadId = self;
  while (Task) {
    try {
      ApplyTaskPriority(Task->GetPriority());
      Task->Execute();
    } catch (...) {
      ReportTaskException(std::current_exception());
    }
    try {
      Task->Complete();
    } catch (...) {
      ReportTaskException(std::current_exception());
    }
    // Waiters make the event under the lock while the task is active; after that nobody does.
    std::shared_ptr<TZCLEvent> event;
    TZCLTask* next = nullptr;
    {
      TTaskLockGuard guard(F->Lock);
      F->Active.erase(std::find(F->Active.begin(), F->Active.end(), Task));
      event = std::move(Task->FEvent);
      // The next task is active before this one's waiters are released.
      if (F->CanStartMore()) {
        next = F->Take(F->Front());
        next->FWorkerThreadId = self;
        F->Active.push_back(next);
      }
    }
    Free(Task);
    if (event) event->Signal();
    Task = next;
  }
}

TWaitResult TZCLTaskDispatcher::CancelCore(TObjHandle Handle, Cardinal Timeout) {
  if (Handle == 0) return wrAbandoned;
  TZCLTask* canceled = nullptr;
  bool running = false;
  std::shared_ptr<TZCLEvent> event;
  {
    std::lock_guard guard(F->Lock);
    const TState::TFound queued = F->Find(Handle);
    if (queued.Level >= 0) {
      canceled = F->Take(queued);
    } else {
      for (TZCLTask* task : F->Active)
        if (task->FHandle == Handle) {
          task->FCanceled.store(true, std::memory_order_release);
          running = true;
          if (Timeout != 0) {
            if (!task->FEvent) task->FEvent = std::make_shared<TZCLEvent>(true, false);
            event = task->FEvent;
          }
          break;
        }
    }
  }
  if (canceled) {
    // Completed outside the lock: a completion that waits for the main thread must not hold it.
    canceled->FCanceled.store(true, std::memory_order_release);
    try {
      canceled->Complete();
    } catch (...) {
      Free(canceled);
      throw;
    }
    Free(canceled);
    return wrSignaled;
  }
  TWaitResult result = running ? wrTimeout : wrAbandoned;
  if (event) result = WaitForSyncObject(event->GetHandle(), Timeout);
  if (IsMainThread()) ::CheckSynchronize(0);
  return result;
}

bool TZCLTaskDispatcher::Cancel(TObjHandle Handle, bool WaitFor) {
  return CancelCore(Handle, WaitFor ? INFINITE : 0) != wrError;
}

void TZCLTaskDispatcher::CancelAll(bool WaitFor) {
  std::vector<TObjHandle> handles;
  {
    std::lock_guard guard(F->Lock);
    handles.reserve(F->QueuedCount + F->Active.size());
    // The last to start first.
    for (const auto& queue : F->Queues)
      for (auto it = queue.rbegin(); it != queue.rend(); ++it) handles.push_back(it->Handle);
    for (auto it = F->Active.rbegin(); it != F->Active.rend(); ++it) handles.push_back((*it)->FHandle);
  }
  for (TObjHandle handle : handles) Cancel(handle, false);
  while (WaitFor) {
    TObjHandle first;
    {
      std::lock_guard guard(F->Lock);
      if (F->Active.empty()) break;
      first = F->Active.front()->FHandle;
    }
    Cancel(first, true);
  }
}

bool TZCLTaskDispatcher::WaitFor(TObjHandle Handle) {
  if (Handle == 0) return true;
  std::shared_ptr<TZCLEvent> event;
  {
    std::lock_guard guard(F->Lock);
    const TState::TFound queued = F->Find(Handle);
    if (queued.Level >= 0) StartTask(queued.At->Task);  // a waiter never waits for a task that cannot start
    for (TZCLTask* task : F->Active)
      if (task->FHandle == Handle) {
        if (!task->FEvent) task->FEvent = std::make_shared<TZCLEvent>(true, false);
        event = task->FEvent;
        break;
      }
  }
  if (!event) return true;
  const TWaitResult result = WaitForSyncObject(event->GetHandle(), INFINITE);
  return result == wrSignaled || result == wrAbandoned;
}

TZCLTask* TZCLTaskDispatcher::GetCurrentTask() {
  const TThreadID self = GetCurrentThreadId();
  std::lock_guard guard(F->Lock);
  for (TZCLTask* task : F->Active)
    if (task->FWorkerThreadId == self) return task;
  return nullptr;
}

void TZCLTaskDispatcher::RunInCurrentThread(TZCLTask* Task) {
  if (!Task) return;
  std::exception_ptr error;
  try {
    Task->Execute();
  } catch (...) {
    error = std::current_exception();
  }
  try {
    Task->Complete();
  } catch (...) {
    if (!error) error = std::current_exception();
  }
  Free(Task);
  if (error) std::rethrow_exception(error);
}

void TZCLTaskDispatcher::SetMaxActiveTasks(Integer N) {
  {
    std::lock_guard guard(F->Lock);
    F->Limit = F->BaseLimit = std::max<Integer>(N, 1);
  }
  ProcessQueue();
}

Integer TZCLTaskDispatcher::GetMaxActiveTasks() {
  std::lock_guard guard(F->Lock);
  return F->Limit;
}

void TZCLTaskDispatcher::SetUseCpuUsageMonitor(bool Value) {
  if (!IsMainThread()) throw EInvalidOperation(u"SetUseCpuUsageMonitor must be called from MainThread");
  if (Value == UseCpuUsageMonitor()) return;
  if (Value) {
    TThread::GetCPUUsage(F->PrevTimes);
    F->Monitor = Create<TZCLTimer>(TNotifyEvent(this, &TZCLTaskDispatcher::CpuUsageMonitorTick), 1000u, true, false);
  } else {
    Free(F->Monitor);
    F->Monitor = nullptr;
  }
}

bool TZCLTaskDispatcher::UseCpuUsageMonitor() const { return F->Monitor != nullptr; }

void TZCLTaskDispatcher::CpuUsageMonitorTick(TObject*) { AddCpuUsageSample(TThread::GetCPUUsage(F->PrevTimes)); }

void TZCLTaskDispatcher::AddCpuUsageSample(Integer Percent) {
  {
    std::lock_guard guard(F->Lock);
    std::copy_backward(F->History, F->History + 9, F->History + 10);
    F->History[0] = Percent;
    F->SampleCount = std::min<Integer>(F->SampleCount + 1, 10);
    if (F->SampleCount < 10) return;
    Integer sum = 0;
    for (Integer sample : F->History) sum += sample;
    const Integer average = sum / 10;
    Integer target = F->BaseLimit;
    if (F->QueuedCount != 0) {
      target = static_cast<Integer>(F->Active.size());
      if (average <= 80)
        ++target;
      else if (average >= 95)
        --target;
    }
    target = std::clamp<Integer>(target, F->BaseLimit, std::max<Integer>(F->BaseLimit, CPUCount() * 8));
    if (target == F->Limit) return;
    F->Limit = target;
    F->SampleCount = 0;
  }
  ProcessQueue();
}

Integer TZCLTaskDispatcher::GetActiveCount() {
  std::lock_guard guard(F->Lock);
  return static_cast<Integer>(F->Active.size());
}

Integer TZCLTaskDispatcher::GetQueuedCount() {
  std::lock_guard guard(F->Lock);
  return static_cast<Integer>(F->QueuedCount);
}

String TZCLTaskDispatcher::ToString() {
  std::lock_guard guard(F->Lock);
  String text = Format(u"Active: %d", {static_cast<Integer>(F->Active.size())});
  if (F->QueuedCount != 0) text += Format(u" (Pending: %d)", {static_cast<Integer>(F->QueuedCount)});
  return text;
}

namespace {
TZCLTaskDispatcher* GDispatcher = nullptr;
std::mutex GDispatcherLock;
}  // namespace

TZCLTaskDispatcher* TaskDispatcher() {
  std::lock_guard guard(GDispatcherLock);
  if (!GDispatcher) {
    // The monitor refuses other threads than the main thread; then no pool is made.
    auto dispatcher = std::make_unique<TZCLTaskDispatcher>();
    dispatcher->SetUseCpuUsageMonitor(true);
    GDispatcher = dispatcher.release();
  }
  return GDispatcher;
}

TZCLTaskDispatcher* TaskDispatcherIfExists() {
  std::lock_guard guard(GDispatcherLock);
  return GDispatcher;
}

void FreeTaskDispatcher() {
  TZCLTaskDispatcher* dispatcher;
  {
    std::lock_guard guard(GDispatcherLock);
    dispatcher = GDispatcher;
    GDispatcher = nullptr;
  }
  delete dispatcher;
}

// ---- groups ----------------------------------------------------------------------------------------

TZCLTaskGroup::TZCLTaskGroup() : FEvent(std::make_unique<TZCLEvent>(true, true)) {}

TZCLTaskGroup::~TZCLTaskGroup() { Cancel(true); }

void TZCLTaskGroup::Initialize() {
  Cancel(true);
  FEvent->Reset();
  FHandles.clear();
  FPendingCount.store(1);
}

void TZCLTaskGroup::AddTask(TZCLTask* Task) {
  FPendingCount.fetch_add(1);
  FHandles.push_back(TaskDispatcher()->RunCore(
      Task, TZCLThreadCallback{TThreadMethod(this, &TZCLTaskGroup::TaskCompleted)}, TZCLThreadCallMode::Direct));
}

void TZCLTaskGroup::TaskCompleted() {
  if (FPendingCount.fetch_sub(1) != 1) return;
  if (OnComplete.Assigned()) OnComplete(this);
  FEvent->Signal();
}

void TZCLTaskGroup::Run(bool WaitFor) {
  TaskCompleted();
  if (WaitFor) this->WaitFor();
}

void TZCLTaskGroup::Cancel(bool WaitFor) {
  for (auto it = FHandles.rbegin(); it != FHandles.rend(); ++it) TaskDispatcher()->Cancel(*it, false);
  if (WaitFor) this->WaitFor();
}

void TZCLTaskGroup::WaitFor() { FEvent->WaitFor(INFINITE); }
