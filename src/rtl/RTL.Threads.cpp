#include "rtl/RTL.Threads.h"

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

TThreadID MainThreadID = 0;
std::atomic<bool> IsMultiThread{false};

TThreadID GetCurrentThreadId() {
  thread_local const TThreadID id = static_cast<TThreadID>(::syscall(SYS_gettid));
  return id;
}

bool IsMainThread() { return MainThreadID != 0 && GetCurrentThreadId() == MainThreadID; }

namespace {
// Signalled whenever the main thread has new work; consumed by the main thread's waits.
constinit detail::TWaitable GSyncEvent(false, false);

void DefaultWakeMainThread() { GSyncEvent.Set(); }

void DefaultQueuedCallExceptionHandler(std::exception_ptr Error) {
  try {
    std::rethrow_exception(Error);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "Exception in a queued call: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "Exception in a queued call\n");
  }
}

// One Synchronize or Queue call.
struct TSyncRecord {
  TSyncRecord(TThread* AThread, TThreadProcedure AProc, bool ASynchronous)
      : Thread(AThread), Proc(std::move(AProc)), Synchronous(ASynchronous) {}
  TThread* Thread;  // not owned; for RemoveQueuedEvents
  TThreadProcedure Proc;
  TThreadMethod Method;  // the method Proc calls, when made from one; for RemoveQueuedEvents
  bool Synchronous;
  // Synchronous calls: set by the main thread once the call ran, under GSyncLock.
  bool Done = false;
  std::exception_ptr Error;
};

std::mutex GSyncLock;
std::condition_variable GSyncDone;
std::deque<TSyncRecord*>* GSyncQueue = nullptr;  // exists between the unit's initialization and finalization

void Enqueue(TSyncRecord* Record) {
  {
    std::lock_guard lock(GSyncLock);
    if (!GSyncQueue) {
      if (!Record->Synchronous) delete Record;
      throw EThread(u"The main thread does not take calls: the run-time library is not initialized");
    }
    GSyncQueue->push_back(Record);
  }
  WakeMainThread();
}

void RunRecord(TSyncRecord* Record) {
  std::exception_ptr error;
  try {
    Record->Proc();
  } catch (...) {
    error = std::current_exception();
  }
  if (Record->Synchronous) {
    std::lock_guard lock(GSyncLock);
    Record->Error = std::move(error);  // the caller holds the only reference from here
    Record->Done = true;
    GSyncDone.notify_all();
    return;  // the waiting caller owns the record
  }
  delete Record;
  if (error) QueuedCallExceptionHandler(error);
}

// Objects standing for threads TThread did not create.
class TExternalThread : public TThread {
 public:
  TExternalThread() : TThread(TExternalTag{}) {}

 protected:
  void Execute() override {}
};

thread_local TThread* GCurrentThread = nullptr;
thread_local std::unique_ptr<TExternalThread> GExternalThread;
}  // namespace

void (*WakeMainThread)() = DefaultWakeMainThread;
void (*ServeMainThreadWait)() = nullptr;
void (*QueuedCallExceptionHandler)(std::exception_ptr Error) = DefaultQueuedCallExceptionHandler;

bool CheckSynchronize(int TimeoutMs) {
  if (!IsMainThread())
    throw EThread(u"CheckSynchronize called from thread %d, which is not the main thread", {GetCurrentThreadId()});
  {
    std::lock_guard lock(GSyncLock);
    if (!GSyncQueue) return false;
    if (!GSyncQueue->empty()) TimeoutMs = 0;
  }
  if (TimeoutMs > 0) {
    const detail::TWaitable* event = &GSyncEvent;
    detail::WaitForWaitables(&event, 1, false, static_cast<Cardinal>(TimeoutMs), nullptr);
  }
  GSyncEvent.Reset();
  bool ran = false;
  // Calls queued while the queue runs run in the same pass.
  for (;;) {
    TSyncRecord* record;
    {
      std::lock_guard lock(GSyncLock);
      if (!GSyncQueue || GSyncQueue->empty()) break;
      record = GSyncQueue->front();
      GSyncQueue->pop_front();
    }
    ran = true;
    RunRecord(record);
  }
  return ran;
}

TWaitResult WaitForMainThreadServing(std::initializer_list<TWaitableObject*> Objects, bool WaitAll, Cardinal Timeout,
                                     TWaitableObject** SignaledObj) {
  return WaitForMainThreadServing(Objects.begin(), Objects.size(), WaitAll, Timeout, SignaledObj);
}

TWaitResult WaitForMainThreadServing(TWaitableObject* const* Objects, size_t Count, bool WaitAll, Cardinal Timeout,
                                     TWaitableObject** SignaledObj) {
  if (!IsMainThread()) return WaitForMultipleObjects(Objects, Count, WaitAll, Timeout, SignaledObj);
  if (SignaledObj) *SignaledObj = nullptr;
  std::vector<const detail::TWaitable*> waitables(Count);
  for (size_t i = 0; i < Count; ++i) {
    if (!Objects[i]) return wrError;
    waitables[i] = &Objects[i]->GetWaitable();
  }
  // Served at least every ServeIntervalMs even when no wake-up arrives (a wake hook that does
  // not chain to ours, a send that did not wake us).
  constexpr Cardinal ServeIntervalMs = 100;
  const auto start = std::chrono::steady_clock::now();
  for (;;) {
    Cardinal remaining = Timeout;
    if (Timeout != INFINITE) {
      const auto elapsed =
          std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
      remaining = elapsed >= Timeout ? 0 : Timeout - static_cast<Cardinal>(elapsed);
    }
    const Cardinal slice = std::min(remaining, ServeIntervalMs);
    int index = -1;
    const TWaitResult result = detail::WaitForWaitables(waitables.data(), Count, WaitAll, slice, &index, &GSyncEvent);
    const bool woken = result == wrSignaled && index == static_cast<int>(Count);
    if (woken || (result == wrTimeout && slice < remaining)) {
      // Woken for the main thread's work, or a slice passed: serve, then wait again.
      CheckSynchronize(0);
      if (ServeMainThreadWait) ServeMainThreadWait();
      continue;
    }
    if (SignaledObj && index >= 0 && static_cast<size_t>(index) < Count) *SignaledObj = Objects[index];
    return result;
  }
}

void Sleep(Cardinal Milliseconds) {
  if (Milliseconds == 0)
    std::this_thread::yield();
  else
    std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

Integer CPUCount() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof(set), &set) == 0) {
    const int count = CPU_COUNT(&set);
    if (count > 0) return count;
  }
  return static_cast<Integer>(std::max(1u, std::thread::hardware_concurrency()));
}

// --- TThread ---------------------------------------------------------------------------------

namespace detail {
struct TThreadJoin {
  std::mutex Lock;
  std::thread Thread;
};

struct TThreadStart {
  static void Run(TThread* Thread) { Thread->Run(); }
};
}  // namespace detail

TThread::TThread(bool CreateSuspended) : FCreateSuspended(CreateSuspended), FJoin(new detail::TThreadJoin) {}

TThread::TThread(TExternalTag) : FCreateSuspended(false), FStarted(true), FExternalThread(true) {
  FThreadID = GetCurrentThreadId();
}

TThread::~TThread() {
  if (!FExternalThread) {
    if (FStarted && FJoin->Thread.joinable()) {
      if (GCurrentThread == this) {
        FJoin->Thread.detach();  // a thread freeing itself (FreeOnTerminate)
      } else {
        Terminate();
        try {
          WaitFor();
        } catch (...) {
        }
        Join();
      }
    }
    RemoveQueuedEvents(this);
    delete FJoin;
  }
  if (GCurrentThread == this) GCurrentThread = nullptr;
}

void TThread::AfterConstruction() {
  inherited::AfterConstruction();
  if (!FCreateSuspended && !FExternalThread) Start();
}

// Stops the thread before the destructors of derived classes run, since Execute may use them.
void TThread::BeforeDestruction() {
  FDestroying = true;
  if (!FExternalThread && FStarted && GCurrentThread != this && FJoin->Thread.joinable()) {
    Terminate();
    try {
      WaitFor();
    } catch (...) {
    }
    Join();
  }
  inherited::BeforeDestruction();
}

void TThread::Start() {
  if (FDestroying) return;
  if (FStarted || FExternalThread) throw EThread(u"Cannot call Start on a running or suspended thread");
  FStarted = true;
  IsMultiThread = true;
  try {
    FJoin->Thread = std::thread(detail::TThreadStart::Run, this);
  } catch (const std::system_error& e) {
    FStarted = false;
    throw EThread(u"Thread creation error: %s", {SysErrorMessage(e.code().value())});
  }
  // ThreadID is the new thread's own kernel id, so wait until it is known.
  while (FThreadID.load(std::memory_order_acquire) == 0) std::this_thread::yield();
}

void TThread::Run() {
  GCurrentThread = this;
  FThreadID.store(GetCurrentThreadId(), std::memory_order_release);
  ApplyPriority();
  if (!GetTerminated()) {
    try {
      Execute();
    } catch (...) {
      FFatalException = std::current_exception();
    }
  }
  const bool freeThread = FFreeOnTerminate;
  FFinished.store(true, std::memory_order_release);
  try {
    DoTerminate();
  } catch (...) {
    if (!FFatalException) FFatalException = std::current_exception();
  }
  if (freeThread) {
    Free(this);
    return;
  }
  FDone.SetEvent();
}

void TThread::Join() {
  std::lock_guard lock(FJoin->Lock);
  if (FJoin->Thread.joinable()) FJoin->Thread.join();
}

void TThread::DoTerminate() {
  if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

void TThread::Terminate() {
  FTerminated.store(true, std::memory_order_release);
  TerminatedSet();
}

Cardinal TThread::WaitFor() {
  if (FExternalThread) throw EThread(u"Cannot call WaitFor on an external thread");
  if (GCurrentThread == this) throw EThread(u"A thread cannot wait for itself");
  if (!FStarted) throw EThread(u"Cannot call WaitFor on a thread that was never started");
  if (FFreeOnTerminate) throw EThread(u"Cannot call WaitFor on a thread that frees itself");
  FDone.WaitFor(INFINITE, true);
  Join();
  return FReturnValue;
}

void TThread::SetPriority(TThreadPriority Value) {
  FPriority = Value;
  if (FExternalThread || (FStarted && !GetFinished())) ApplyPriority();
}

void TThread::ApplyPriority() {
  const TThreadID tid = GetThreadID();
  if (tid == 0) return;
  static constexpr int niceLevels[] = {19, 10, 5, 0, -5, -10, -15};
  // Failures are ignored: raising the priority needs a privilege most processes lack.
  sched_param param{};
  const TThreadPriority priority = FPriority.load();
  if (priority == tpIdle) {
    if (tid == GetCurrentThreadId()) pthread_setschedparam(pthread_self(), SCHED_IDLE, &param);
    else sched_setscheduler(static_cast<pid_t>(tid), SCHED_IDLE, &param);
  } else {
    if (sched_getscheduler(static_cast<pid_t>(tid)) == SCHED_IDLE)
      sched_setscheduler(static_cast<pid_t>(tid), SCHED_OTHER, &param);
    setpriority(PRIO_PROCESS, static_cast<id_t>(tid), niceLevels[priority]);
  }
}

TThread* TThread::GetCurrentThread() {
  if (GCurrentThread) return GCurrentThread;
  GExternalThread = std::make_unique<TExternalThread>();
  GCurrentThread = GExternalThread.get();
  return GCurrentThread;
}

void TThread::Synchronize(TThread* AThread, TThreadProcedure Proc) {
  if (!Proc) return;
  if (IsMainThread()) {
    Proc();
    return;
  }
  TSyncRecord record{AThread, std::move(Proc), true};
  Enqueue(&record);
  std::unique_lock lock(GSyncLock);
  GSyncDone.wait(lock, [&] { return record.Done; });
  if (record.Error) std::rethrow_exception(record.Error);
}

void TThread::Queue(TThread* AThread, TThreadProcedure Proc) {
  if (!Proc) return;
  if (IsMainThread()) {
    Proc();
    return;
  }
  ForceQueue(AThread, std::move(Proc));
}

void TThread::ForceQueue(TThread* AThread, TThreadProcedure Proc) {
  if (!Proc) return;
  Enqueue(new TSyncRecord{AThread, std::move(Proc), false});
}

namespace {
void RemoveQueued(const std::function<bool(const TSyncRecord&)>& Matches) {
  std::vector<TSyncRecord*> dropped;
  {
    std::lock_guard lock(GSyncLock);
    if (!GSyncQueue) return;
    // Synchronous calls stay: their callers are blocked until they ran.
    std::erase_if(*GSyncQueue, [&](TSyncRecord* record) {
      if (record->Synchronous || !Matches(*record)) return false;
      dropped.push_back(record);
      return true;
    });
  }
  for (TSyncRecord* record : dropped) delete record;  // outside the lock: Proc may hold anything
}

TThreadProcedure CallMethod(TThreadMethod Method) {
  if (!Method) return nullptr;
  return [Method] { Method(); };
}
}  // namespace

void TThread::RemoveQueuedEvents(TThread* AThread) {
  RemoveQueued([&](const TSyncRecord& record) { return record.Thread == AThread; });
}

void TThread::RemoveQueuedEvents(TThreadMethod Method) {
  if (!Method) return;
  RemoveQueued([&](const TSyncRecord& record) { return record.Method == Method; });
}

void TThread::RemoveQueuedEvents(TThread* AThread, TThreadMethod Method) {
  RemoveQueued([&](const TSyncRecord& record) { return record.Thread == AThread && record.Method == Method; });
}

void TThread::Synchronize(TThread* AThread, TThreadMethod Method) { Synchronize(AThread, CallMethod(Method)); }

void TThread::Queue(TThread* AThread, TThreadMethod Method) {
  if (!Method) return;
  if (IsMainThread()) {
    Method();
    return;
  }
  ForceQueue(AThread, Method);
}

void TThread::ForceQueue(TThread* AThread, TThreadMethod Method) {
  if (!Method) return;
  auto* record = new TSyncRecord(AThread, CallMethod(Method), false);
  record->Method = Method;
  Enqueue(record);
}

void TThread::NameThreadForDebugging(const String& ThreadName, TThreadID ThreadID) {
  std::string name = StringToUTF8(ThreadName);
  if (name.size() > 15) {
    name.resize(15);
    // Do not leave half a UTF-8 sequence behind.
    while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80) name.pop_back();
    if (!name.empty() && (static_cast<unsigned char>(name.back()) & 0x80)) name.pop_back();
  }
  if (ThreadID == 0 || ThreadID == GetCurrentThreadId()) {
    pthread_setname_np(pthread_self(), name.c_str());
    return;
  }
  std::ofstream comm("/proc/self/task/" + std::to_string(ThreadID) + "/comm");
  if (comm) comm << name;
}

UInt64 TThread::GetTickCount64() {
  return static_cast<UInt64>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
}

Cardinal TThread::GetTickCount() { return static_cast<Cardinal>(GetTickCount64()); }

namespace detail {
bool ParseProcStat(std::string_view Text, TSystemTimes& Times) {
  if (Text.substr(0, 4) != "cpu ") return false;
  Text.remove_prefix(4);
  // user nice system idle iowait irq softirq steal ...
  UInt64 fields[8] = {};
  int count = 0;
  size_t pos = 0;
  while (count < 8) {
    while (pos < Text.size() && Text[pos] == ' ') ++pos;
    if (pos >= Text.size() || Text[pos] < '0' || Text[pos] > '9') break;
    UInt64 value = 0;
    while (pos < Text.size() && Text[pos] >= '0' && Text[pos] <= '9') {
      const UInt64 digit = static_cast<UInt64>(Text[pos] - '0');
      if (value > (UINT64_MAX - digit) / 10) return false;
      value = value * 10 + digit;
      ++pos;
    }
    fields[count++] = value;
  }
  if (count < 4) return false;
  // iowait counts as idle; irq, softirq and steal as kernel time.
  Times.UserTime = fields[0];
  Times.NiceTime = fields[1];
  Times.KernelTime = fields[2] + fields[5] + fields[6] + fields[7];
  Times.IdleTime = fields[3] + fields[4];
  return true;
}
}  // namespace detail

bool TThread::GetSystemTimes(TSystemTimes& SystemTimes) {
  std::ifstream stat("/proc/stat");
  std::string line;
  if (!stat || !std::getline(stat, line)) return false;
  return detail::ParseProcStat(line, SystemTimes);
}

Integer TThread::GetCPUUsage(TSystemTimes& PrevSystemTimes) {
  TSystemTimes now;
  if (!GetSystemTimes(now)) return 0;
  const auto busy = [](const TSystemTimes& t) { return t.UserTime + t.NiceTime + t.KernelTime; };
  const TSystemTimes prev = PrevSystemTimes;
  PrevSystemTimes = now;
  // Counters only grow; anything else means the previous sample was not from this machine.
  if (busy(now) < busy(prev) || now.IdleTime < prev.IdleTime) return 0;
  const UInt64 busyDelta = busy(now) - busy(prev);
  const UInt64 totalDelta = busyDelta + (now.IdleTime - prev.IdleTime);
  if (totalDelta == 0) return 0;
  return static_cast<Integer>(std::min<UInt64>(100, busyDelta * 100 / totalDelta));
}

namespace detail {
void ThreadsInitialization() {
  MainThreadID = GetCurrentThreadId();
  std::lock_guard lock(GSyncLock);
  if (!GSyncQueue) GSyncQueue = new std::deque<TSyncRecord*>;
}

// Queued calls not run yet are dropped; callers still blocked in Synchronize get EThread.
void ThreadsFinalization() {
  std::vector<TSyncRecord*> dropped;
  {
    std::lock_guard lock(GSyncLock);
    if (!GSyncQueue) return;
    // Synchronous records live on their callers' stacks: answer them here, under the lock,
    // and never touch them again once a caller may have returned.
    for (TSyncRecord* record : *GSyncQueue) {
      if (record->Synchronous) {
        record->Error = std::make_exception_ptr(EThread(u"The main thread stopped taking calls"));
        record->Done = true;
      } else {
        dropped.push_back(record);
      }
    }
    delete GSyncQueue;
    GSyncQueue = nullptr;
    GSyncDone.notify_all();
  }
  for (TSyncRecord* record : dropped) delete record;
}
}  // namespace detail
