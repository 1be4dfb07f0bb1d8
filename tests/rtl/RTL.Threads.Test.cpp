#include "rtl/RTL.Threads.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {
// A thread whose Execute is a lambda, so each test states its body in place.
class TLambdaThread : public TThread {
 public:
  explicit TLambdaThread(std::function<void(TLambdaThread&)> Body, bool CreateSuspended = false)
      : TThread(CreateSuspended), FBody(std::move(Body)) {}
  using TThread::Queue;
  using TThread::SetReturnValue;
  using TThread::Synchronize;

 protected:
  void Execute() override { FBody(*this); }

 private:
  std::function<void(TLambdaThread&)> FBody;
};

TEST(Threads, MainThreadIsTheOneThatInitializedTheUnits) {
  EXPECT_TRUE(IsMainThread());
  EXPECT_EQ(MainThreadID, GetCurrentThreadId());
  bool otherIsMain = true;
  std::thread([&] { otherIsMain = IsMainThread(); }).join();
  EXPECT_FALSE(otherIsMain);
}

TEST(Threads, CheckSynchronizeOffTheMainThreadRaises) {
  bool raised = false;
  std::thread([&] {
    try {
      CheckSynchronize();
    } catch (const EThread&) {
      raised = true;
    }
  }).join();
  EXPECT_TRUE(raised);
}

// The worker needs the main thread several times while the main thread waits for it.
TEST(Threads, SynchronizeWhileTheMainThreadWaitsDoesNotDeadlock) {
  std::vector<TThreadID> ranOn;
  auto* thread = Create<TLambdaThread>([&](TLambdaThread& self) {
    for (int i = 0; i < 3; ++i) self.Synchronize([&] { ranOn.push_back(GetCurrentThreadId()); });
    self.SetReturnValue(42);
  });
  EXPECT_EQ(thread->WaitFor(), 42u);
  EXPECT_EQ(ranOn, std::vector<TThreadID>(3, MainThreadID));
  EXPECT_TRUE(thread->GetFinished());
  Free(thread);
}

// Free terminates a thread that loops until told to stop, while it keeps synchronizing.
TEST(Threads, FreeTerminatesAndWaitsWhileServing) {
  std::atomic<int> calls{0};
  TSimpleEvent running;
  auto* thread = Create<TLambdaThread>([&](TLambdaThread& self) {
    while (!self.GetTerminated()) {
      self.Synchronize([&] { ++calls; });
      running.SetEvent();
    }
  });
  ASSERT_EQ(running.WaitFor(INFINITE, true), wrSignaled);
  Free(thread);
  EXPECT_GE(calls.load(), 1);
}

TEST(Threads, SynchronizedExceptionIsRaisedInTheWorker) {
  String caught;
  auto* thread = Create<TLambdaThread>([&](TLambdaThread& self) {
    try {
      self.Synchronize([] { throw EConvertError(u"bad value"); });
    } catch (const EConvertError& e) {
      caught = e.GetMessage();
    }
  });
  thread->WaitFor();
  EXPECT_EQ(caught, u"bad value");
  Free(thread);
}

TEST(Threads, ExceptionThatEndsExecuteIsKept) {
  auto* thread = Create<TLambdaThread>([](TLambdaThread&) { throw EListError(u"List index out of bounds (%d)", {7}); });
  thread->WaitFor();
  ASSERT_TRUE(thread->GetFatalException());
  try {
    std::rethrow_exception(thread->GetFatalException());
  } catch (const EListError& e) {
    EXPECT_EQ(e.GetMessage(), u"List index out of bounds (7)");
  }
  Free(thread);
}

class QueuedCalls : public ::testing::Test {
 protected:
  void SetUp() override {
    FSavedHandler = QueuedCallExceptionHandler;
    QueuedCallExceptionHandler = [](std::exception_ptr) { ++GHandled; };
    GHandled = 0;
  }
  void TearDown() override { QueuedCallExceptionHandler = FSavedHandler; }
  static inline int GHandled = 0;
  void (*FSavedHandler)(std::exception_ptr) = nullptr;
};

// Calls run in the order queued; one that raises goes to the handler and the next still runs.
TEST_F(QueuedCalls, RunInOrderAndSurviveAnException) {
  std::vector<int> order;
  auto* thread = Create<TLambdaThread>([&](TLambdaThread& self) {
    self.Queue([&] { order.push_back(1); });
    self.Queue([&] {
      order.push_back(2);
      throw Exception(u"second");
    });
    self.Queue([&] { order.push_back(3); });
  });
  thread->WaitFor();
  CheckSynchronize();
  EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(GHandled, 1);
  Free(thread);
}

TEST_F(QueuedCalls, QueueOnTheMainThreadRunsAtOnceForceQueueDefers) {
  std::vector<int> order;
  TThread::Queue(nullptr, [&] { order.push_back(1); });
  TThread::ForceQueue(nullptr, [&] { order.push_back(2); });
  order.push_back(3);
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_EQ(order, (std::vector<int>{1, 3, 2}));
  EXPECT_FALSE(CheckSynchronize());
}

TEST_F(QueuedCalls, RemoveQueuedEventsDropsOnlyThatThreadsCalls) {
  auto* a = Create<TLambdaThread>([](TLambdaThread&) {}, true);
  auto* b = Create<TLambdaThread>([](TLambdaThread&) {}, true);
  std::vector<String> ran;
  TThread::ForceQueue(a, [&] { ran.push_back(u"a1"); });
  TThread::ForceQueue(b, [&] { ran.push_back(u"b"); });
  TThread::ForceQueue(a, [&] { ran.push_back(u"a2"); });
  TThread::RemoveQueuedEvents(a);
  CheckSynchronize();
  EXPECT_EQ(ran, std::vector<String>{u"b"});
  // Freeing a thread drops what was queued for it too.
  TThread::ForceQueue(b, [&] { ran.push_back(u"b2"); });
  Free(b);
  Free(a);
  CheckSynchronize();
  EXPECT_EQ(ran, std::vector<String>{u"b"});
}

struct TCounter {
  int Count = 0;
  void Bump() { ++Count; }
  void Other() { Count += 100; }
};

// Methods are removed by identity: the same method of the same object.
TEST_F(QueuedCalls, RemoveQueuedEventsByMethod) {
  TCounter x, y;
  TThread::ForceQueue(nullptr, TThreadMethod(&x, &TCounter::Bump));
  TThread::ForceQueue(nullptr, TThreadMethod(&y, &TCounter::Bump));
  TThread::ForceQueue(nullptr, TThreadMethod(&x, &TCounter::Other));
  TThread::RemoveQueuedEvents(TThreadMethod(&x, &TCounter::Bump));
  CheckSynchronize();
  EXPECT_EQ(x.Count, 100);
  EXPECT_EQ(y.Count, 1);
}

TEST_F(QueuedCalls, CheckSynchronizeWaitsForWorkUpToTheTimeout) {
  EXPECT_FALSE(CheckSynchronize(5));
  bool ran = false;
  std::thread worker([&] { TThread::Queue(nullptr, [&] { ran = true; }); });
  while (!CheckSynchronize(INT32_MAX)) {
  }
  worker.join();
  EXPECT_TRUE(ran);
}

TEST(Threads, SuspendedThreadStartsOnlyWhenToldAndNeverStartedOneFreesCleanly) {
  std::atomic<int> runs{0};
  auto* idle = Create<TLambdaThread>([&](TLambdaThread&) { ++runs; }, true);
  EXPECT_TRUE(idle->GetSuspended());
  EXPECT_EQ(idle->GetThreadID(), 0u);
  EXPECT_THROW(idle->WaitFor(), EThread);
  Free(idle);  // never started: no hang, Execute never ran
  EXPECT_EQ(runs.load(), 0);

  auto* thread = Create<TLambdaThread>([&](TLambdaThread&) { ++runs; }, true);
  thread->Start();
  EXPECT_NE(thread->GetThreadID(), 0u);
  EXPECT_THROW(thread->Start(), EThread);
  thread->WaitFor();
  EXPECT_EQ(runs.load(), 1);
  EXPECT_TRUE(IsMultiThread);
  Free(thread);
}

struct TTerminateRecorder {
  TThreadID RanOn = 0;
  TObject* Sender = nullptr;
  void Handle(TObject* ASender) {
    RanOn = GetCurrentThreadId();
    Sender = ASender;
  }
};

TEST(Threads, OnTerminateRunsOnTheMainThreadBeforeWaitForReturns) {
  TTerminateRecorder recorder;
  auto* thread = Create<TLambdaThread>([](TLambdaThread&) {}, true);
  thread->OnTerminate = {&recorder, &TTerminateRecorder::Handle};
  thread->Start();
  thread->WaitFor();
  EXPECT_EQ(recorder.RanOn, MainThreadID);
  EXPECT_EQ(recorder.Sender, thread);
  Free(thread);
}

class TFlaggingThread : public TThread {
 public:
  explicit TFlaggingThread(TEvent& Freed) : TThread(true), FFreed(Freed) {}
  ~TFlaggingThread() override { FFreed.SetEvent(); }

 protected:
  void Execute() override {}

 private:
  TEvent& FFreed;
};

TEST(Threads, FreeOnTerminateThreadFreesItself) {
  TSimpleEvent freed;
  auto* thread = Create<TFlaggingThread>(freed);
  thread->SetFreeOnTerminate(true);
  EXPECT_THROW(thread->WaitFor(), EThread);
  TTerminateRecorder recorder;
  thread->OnTerminate = {&recorder, &TTerminateRecorder::Handle};
  thread->Start();
  EXPECT_EQ(freed.WaitFor(INFINITE, true), wrSignaled);
  EXPECT_EQ(recorder.RanOn, MainThreadID);
}

TEST(Threads, CurrentThreadStandsForEveryThread) {
  TThread* seen = nullptr;
  TThreadID seenId = 0;
  auto* thread = Create<TLambdaThread>([&](TLambdaThread& self) {
    seen = TThread::GetCurrentThread();
    seenId = self.GetThreadID();
  });
  thread->WaitFor();
  EXPECT_EQ(seen, thread);
  EXPECT_EQ(seenId, thread->GetThreadID());
  Free(thread);

  TThread* main = TThread::GetCurrentThread();
  EXPECT_EQ(main, TThread::GetCurrentThread());
  EXPECT_TRUE(main->GetExternalThread());
  EXPECT_EQ(main->GetThreadID(), MainThreadID);
  EXPECT_THROW(main->WaitFor(), EThread);
  EXPECT_THROW(main->Start(), EThread);

  TThreadID foreignId = 0, foreignObjectId = 0;
  TThread* foreign = nullptr;
  std::thread([&] {
    foreign = TThread::GetCurrentThread();
    foreignObjectId = foreign->GetThreadID();
    foreignId = GetCurrentThreadId();
  }).join();
  EXPECT_NE(foreign, main);
  EXPECT_EQ(foreignObjectId, foreignId);
}

// A hook installed the way the window layer does it: it chains to the previous wake-up.
void (*GPreviousWake)() = nullptr;
std::atomic<int> GWakes{0};
void CountingWake() {
  ++GWakes;
  GPreviousWake();
}
TSimpleEvent* GSentReply = nullptr;
std::atomic<bool> GSendPending{false};
void ServeSends() {
  if (GSendPending.exchange(false)) GSentReply->SetEvent();
}

// A worker that waits for a cross-thread send (served by ServeMainThreadWait) while the main
// thread waits for the worker: both finish.
TEST(Threads, WaitsServeTheWindowLayersSends) {
  GPreviousWake = WakeMainThread;
  WakeMainThread = CountingWake;
  ServeMainThreadWait = ServeSends;
  TSimpleEvent reply;
  GSentReply = &reply;
  GWakes = 0;
  auto* thread = Create<TLambdaThread>([&](TLambdaThread&) {
    GSendPending = true;
    WakeMainThread();
    reply.WaitFor();
  });
  thread->WaitFor();
  Free(thread);
  WakeMainThread = GPreviousWake;
  ServeMainThreadWait = nullptr;
  EXPECT_GE(GWakes.load(), 1);
  EXPECT_EQ(reply.WaitFor(0), wrSignaled);
}

void SwallowWake() {}

// A wake hook that forgets to chain: the wait still serves the send on its next turn.
TEST(Threads, WaitsServeEvenWhenTheWakeHookDoesNotChain) {
  void (*previous)() = WakeMainThread;
  WakeMainThread = SwallowWake;
  ServeMainThreadWait = ServeSends;
  TSimpleEvent reply;
  GSentReply = &reply;
  auto* thread = Create<TLambdaThread>([&](TLambdaThread&) {
    GSendPending = true;
    WakeMainThread();
    reply.WaitFor();
  });
  thread->WaitFor();
  Free(thread);
  WakeMainThread = previous;
  ServeMainThreadWait = nullptr;
  EXPECT_EQ(reply.WaitFor(0), wrSignaled);
}

TEST(Threads, PriorityMapsToTheScheduler) {
  int policy = -1, nice = -100;
  auto* thread = Create<TLambdaThread>(
      [&](TLambdaThread& self) {
        policy = sched_getscheduler(0);
        self.SetPriority(tpLower);
        nice = getpriority(PRIO_PROCESS, static_cast<id_t>(self.GetThreadID()));
      },
      true);
  thread->SetPriority(tpIdle);
  thread->Start();
  thread->WaitFor();
  EXPECT_EQ(policy, SCHED_IDLE);
  EXPECT_EQ(nice, 5);
  EXPECT_EQ(thread->GetPriority(), tpLower);
  Free(thread);
}

TEST(Threads, NameThreadForDebuggingKeepsFifteenBytesOfWholeCharacters) {
  struct TCase {
    String Name;
    std::string Expected;
  };
  const TCase cases[] = {
      {u"Loader", "Loader"},
      {u"AVeryLongThreadNameIndeed", "AVeryLongThread"},
      {u"Abcdefghijklmn\u00e9", "Abcdefghijklmn"},  // 14 bytes + a 2-byte character
  };
  for (const TCase& c : cases) {
    char name[32] = {};
    std::thread([&] {
      TThread::NameThreadForDebugging(c.Name);
      pthread_getname_np(pthread_self(), name, sizeof(name));
    }).join();
    EXPECT_EQ(std::string(name), c.Expected);
  }
}

TEST(Threads, ParseProcStat) {
  struct TCase {
    const char* Text;
    bool Ok;
    UInt64 User, Nice, Kernel, Idle;
  };
  const TCase cases[] = {
      {"cpu  100 20 30 400 5 6 7 8 9 10\ncpu0 1 2 3 4", true, 100, 20, 30 + 6 + 7 + 8, 405},
      {"cpu 1 2 3 4", true, 1, 2, 3, 4},
      {"cpu 1 2 3", false, 0, 0, 0, 0},
      {"cpu0 1 2 3 4", false, 0, 0, 0, 0},
      {"", false, 0, 0, 0, 0},
      {"cpu 99999999999999999999999 1 1 1", false, 0, 0, 0, 0},
  };
  for (const TCase& c : cases) {
    TSystemTimes times;
    EXPECT_EQ(detail::ParseProcStat(c.Text, times), c.Ok) << c.Text;
    if (!c.Ok) continue;
    EXPECT_EQ(times.UserTime, c.User) << c.Text;
    EXPECT_EQ(times.NiceTime, c.Nice) << c.Text;
    EXPECT_EQ(times.KernelTime, c.Kernel) << c.Text;
    EXPECT_EQ(times.IdleTime, c.Idle) << c.Text;
  }
  TSystemTimes prev;
  ASSERT_TRUE(TThread::GetSystemTimes(prev));
  const Integer usage = TThread::GetCPUUsage(prev);
  EXPECT_GE(usage, 0);
  EXPECT_LE(usage, 100);
  EXPECT_GE(CPUCount(), 1);
}
}  // namespace
