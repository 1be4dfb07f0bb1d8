#include "zcl/base/ZCL.Threading.Pool.h"

#include <algorithm>
#include <deque>
#include <mutex>
#include <thread>

#include <sched.h>

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

}  // namespace

// ---- tasks -----------------------------------------------------------------------------------------

void TZCLTask::Complete() { FCallback.Call(FCallMode); }

void TZCLSimpleTask::Execute() {
  if (FProc) FProc([this] { return IsCanceled(); });
}

// ---- dispatcher ------------------------------------------------------------------------------------

struct TZCLTaskDispatcher::TState {
  std::recursive_mutex Lock;  // "TaskLock"
  std::deque<TZCLTask*> Queue;  // owned; higher priorities first, equal ones in arrival order
  std::vector<TZCLTask*> Active;
  Integer Limit = 1;
  Integer BaseLimit = 1;
  // Work items handed to the system pool that have not returned; the dispatcher outlives them.
  std::atomic<Integer> InFlight{0};
  Integer History[10] = {};  // newest first
  Integer SampleCount = 0;
  TZCLTimer* Monitor = nullptr;
  TSystemTimes PrevTimes{};
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
  TObjHandle handle;
  {
    std::lock_guard guard(F->Lock);
    Task->FCallback = Callback;
    Task->FCallMode = Mode;
    Task->FHandle = handle = ++GNextHandle;
    const TZCLTaskPriority priority = Task->GetPriority();
    // From the back: after the last task of the same or a higher priority (usually the end).
    auto at = F->Queue.end();
    while (at != F->Queue.begin() && (*std::prev(at))->GetPriority() < priority) --at;
    F->Queue.insert(at, Task);
  }
  ProcessQueue();
  return handle;
}

void TZCLTaskDispatcher::ProcessQueue() {
  std::lock_guard guard(F->Lock);
  if (static_cast<Integer>(F->Active.size()) < F->Limit && !F->Queue.empty()) StartTask(F->Queue.front());
}

void TZCLTaskDispatcher::StartTask(TZCLTask* Task) {
  std::lock_guard guard(F->Lock);
  Task->FEvent = std::make_shared<TZCLEvent>(true, false);
  F->Queue.erase(std::find(F->Queue.begin(), F->Queue.end(), Task));
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
    F->Queue.push_front(Task);
    RaiseLastOSError();
  }
}

void TZCLTaskDispatcher::ExecuteTask(TZCLTask* Task) {
  Task->FWorkerThreadId = GetCurrentThreadId();
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
  std::shared_ptr<TZCLEvent> event = Task->FEvent;
  {
    std::lock_guard guard(F->Lock);
    F->Active.erase(std::find(F->Active.begin(), F->Active.end(), Task));
    try {
      ProcessQueue();
    } catch (...) {
      ReportTaskException(std::current_exception());
    }
  }
  Free(Task);
  event->Signal();
}

TWaitResult TZCLTaskDispatcher::CancelCore(TObjHandle Handle, Cardinal Timeout) {
  if (Handle == 0) return wrAbandoned;
  TZCLTask* canceled = nullptr;
  std::shared_ptr<TZCLEvent> event;
  {
    std::lock_guard guard(F->Lock);
    auto queued = std::find_if(F->Queue.begin(), F->Queue.end(), [&](TZCLTask* t) { return t->FHandle == Handle; });
    if (queued != F->Queue.end()) {
      canceled = *queued;
      F->Queue.erase(queued);
    } else {
      for (TZCLTask* task : F->Active)
        if (task->FHandle == Handle) {
          task->FCanceled.store(true, std::memory_order_release);
          event = task->FEvent;
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
  TWaitResult result = wrAbandoned;
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
    for (auto it = F->Queue.rbegin(); it != F->Queue.rend(); ++it) handles.push_back((*it)->FHandle);
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
    auto queued = std::find_if(F->Queue.begin(), F->Queue.end(), [&](TZCLTask* t) { return t->FHandle == Handle; });
    if (queued != F->Queue.end()) StartTask(*queued);  // a waiter never waits for a task that cannot start
    for (TZCLTask* task : F->Active)
      if (task->FHandle == Handle) event = task->FEvent;
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
    if (!F->Queue.empty()) {
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
  return static_cast<Integer>(F->Queue.size());
}

String TZCLTaskDispatcher::ToString() {
  std::lock_guard guard(F->Lock);
  String text = Format(u"Active: %d", {static_cast<Integer>(F->Active.size())});
  if (!F->Queue.empty()) text += Format(u" (Pending: %d)", {static_cast<Integer>(F->Queue.size())});
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
