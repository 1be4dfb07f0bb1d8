#include "zcl/base/ZCL.Threading.Pool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>

#include <sched.h>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "zcl/base/ZCL.Threading.h"

namespace {

// A task that records its start and blocks until released.
struct TProbeTask : TZCLTask {
  TZCLTaskPriority Priority;
  int Id;
  std::vector<int>* Started;
  std::mutex* Lock;
  TZCLEvent* Gate;
  std::atomic<int>* Executed;
  std::atomic<int>* Completed;
  std::atomic<int>* CanceledCompletions;
  bool Throw = false;
  TProbeTask(TZCLTaskPriority P, int I, std::vector<int>* S, std::mutex* L, TZCLEvent* G, std::atomic<int>* E,
             std::atomic<int>* C, std::atomic<int>* CC)
      : Priority(P), Id(I), Started(S), Lock(L), Gate(G), Executed(E), Completed(C), CanceledCompletions(CC) {}
  TZCLTaskPriority GetPriority() override { return Priority; }
  void Execute() override {
    {
      std::lock_guard guard(*Lock);
      Started->push_back(Id);
    }
    ++*Executed;
    if (Gate) Gate->WaitForNoSynchronize();
    if (Throw) throw EConvertError(u"task");
  }
  void Complete() override {
    ++*Completed;
    if (IsCanceled()) ++*CanceledCompletions;
  }
};

struct PoolFixture : ::testing::Test {
  TZCLTaskDispatcher* Pool = nullptr;
  std::vector<int> Started;
  std::mutex Lock;
  TZCLEvent Gate;
  std::atomic<int> Executed{0}, Completed{0}, CanceledCompletions{0};
  void SetUp() override { Pool = new TZCLTaskDispatcher(); }
  void TearDown() override {
    Gate.Signal();
    delete Pool;
  }
  TProbeTask* Make(int Id, TZCLTaskPriority P = TZCLTaskPriority::Normal, bool Gated = true) {
    return Create<TProbeTask>(P, Id, &Started, &Lock, Gated ? &Gate : nullptr, &Executed, &Completed,
                              &CanceledCompletions);
  }
};

}  // namespace

TEST_F(PoolFixture, LimitBelowOneBecomesOneAndTheTextCountsTasks) {
  Pool->SetMaxActiveTasks(0);
  EXPECT_EQ(Pool->GetMaxActiveTasks(), 1);
  const TObjHandle first = Pool->Run(Make(1));
  for (int i = 2; i <= 4; ++i) Pool->Run(Make(i));
  EXPECT_EQ(Pool->ToString(), u"Active: 1 (Pending: 3)");
  Gate.Signal();
  EXPECT_TRUE(Pool->WaitFor(first));
  Pool->CancelAll(true);
  EXPECT_EQ(Pool->ToString(), u"Active: 0");
  EXPECT_EQ(Completed, 4);
}

TEST_F(PoolFixture, HighTaskStartsBeforeQueuedNormalOnes) {
  Pool->SetMaxActiveTasks(1);
  const TObjHandle blocker = Pool->Run(Make(1));
  const TObjHandle normal = Pool->Run(Make(2, TZCLTaskPriority::Normal, false));
  const TObjHandle low = Pool->Run(Make(3, TZCLTaskPriority::Low, false));
  const TObjHandle high = Pool->Run(Make(4, TZCLTaskPriority::High, false));
  const TObjHandle last = Pool->Run(Make(5, TZCLTaskPriority::Normal, false));
  Gate.Signal();
  // Each finished task starts the next before its waiters are released, so waiting in the
  // expected order never starts a task early.
  for (TObjHandle handle : {blocker, high, normal, last, low}) EXPECT_TRUE(Pool->WaitFor(handle));
  EXPECT_EQ(Started, (std::vector<int>{1, 4, 2, 5, 3}));
}

TEST_F(PoolFixture, QueuedTasksStartByPriorityThenArrivalWithoutWaiters) {
  Pool->SetMaxActiveTasks(1);
  Pool->Run(Make(0));
  const TZCLTaskPriority order[] = {TZCLTaskPriority::Low, TZCLTaskPriority::Normal, TZCLTaskPriority::High};
  for (int i = 1; i <= 9; ++i) Pool->Run(Make(i, order[i % 3], false));
  Gate.Signal();
  while (Pool->GetQueuedCount() + Pool->GetActiveCount() > 0) std::this_thread::yield();
  EXPECT_EQ(Started, (std::vector<int>{0, 2, 5, 8, 1, 4, 7, 3, 6, 9}));
  EXPECT_EQ(Completed, 10);
}

TEST_F(PoolFixture, RaisingTheLimitStartsQueuedTasksUpToIt) {
  Pool->SetMaxActiveTasks(1);
  for (int i = 1; i <= 4; ++i) Pool->Run(Make(i));
  EXPECT_EQ(Pool->ToString(), u"Active: 1 (Pending: 3)");
  Pool->SetMaxActiveTasks(3);
  EXPECT_EQ(Pool->ToString(), u"Active: 3 (Pending: 1)");
  Gate.Signal();
  Pool->CancelAll(true);
  EXPECT_EQ(Completed, 4);
}

TEST_F(PoolFixture, CancelledQueuedTaskCompletesAsCanceledAndNeverExecutes) {
  Pool->SetMaxActiveTasks(1);
  const TObjHandle running = Pool->Run(Make(1));
  const TObjHandle queued = Pool->Run(Make(2));
  EXPECT_TRUE(Pool->Cancel(queued, false));
  EXPECT_EQ(Completed, 1);
  EXPECT_EQ(CanceledCompletions, 1);
  // A running task without waiting: only flagged.
  EXPECT_TRUE(Pool->Cancel(running, false));
  Gate.Signal();
  EXPECT_TRUE(Pool->WaitFor(running));
  EXPECT_EQ(Executed, 1);
  EXPECT_EQ(CanceledCompletions, 2);
  // Stale handles are answered at once and touch no other task.
  const TObjHandle later = Pool->Run(Make(3));
  EXPECT_TRUE(Pool->Cancel(queued, true));
  EXPECT_TRUE(Pool->WaitFor(running));
  EXPECT_TRUE(Pool->WaitFor(later));
  EXPECT_EQ(CanceledCompletions, 2);
}

TEST_F(PoolFixture, WaitForStartsAQueuedTaskBeyondTheLimitAndErrorsStillComplete) {
  Pool->SetMaxActiveTasks(1);
  Pool->Run(Make(1));
  auto* failing = Make(2, TZCLTaskPriority::Normal, false);
  failing->Throw = true;
  const TObjHandle handle = Pool->Run(failing);
  EXPECT_EQ(Pool->GetQueuedCount(), 1);
  EXPECT_TRUE(Pool->WaitFor(handle));  // would hang if it waited for the limit
  EXPECT_EQ(Completed, 1);
  Gate.Signal();
}

TEST_F(PoolFixture, CancelAllCompletesQueuedTasksWaitingForTheMainThread) {
  Pool->SetMaxActiveTasks(1);
  Pool->Run(Make(1));
  std::atomic<int> mainThreadCompletions{0};
  struct Counter {
    std::atomic<int>* N;
    void Hit() {
      if (IsMainThread()) ++*N;
    }
  } counter{&mainThreadCompletions};
  Pool->Run([](const TZCLTaskCancelCallback&) {}, TThreadMethod(&counter, &Counter::Hit),
            TZCLThreadCallMode::MainThreadWait);
  Gate.Signal();
  Pool->CancelAll(true);
  EXPECT_EQ(mainThreadCompletions, 1);
}

TEST_F(PoolFixture, LoadSamplesAdaptTheLimitWhileTasksAreQueued) {
  Pool->SetMaxActiveTasks(1);
  Pool->Run(Make(1));
  const TObjHandle queued = Pool->Run(Make(2));
  for (int i = 0; i < 9; ++i) Pool->AddCpuUsageSample(50);
  EXPECT_EQ(Pool->GetMaxActiveTasks(), 1);  // fewer than ten samples change nothing
  Pool->AddCpuUsageSample(50);
  EXPECT_EQ(Pool->GetMaxActiveTasks(), 2);  // the second task may start now
  Gate.Signal();
  Pool->WaitFor(queued);
  Pool->CancelAll(true);
  for (int i = 0; i < 10; ++i) Pool->AddCpuUsageSample(50);
  EXPECT_EQ(Pool->GetMaxActiveTasks(), 1);  // nothing queued: back to the base

  Pool->SetUseCpuUsageMonitor(true);
  EXPECT_TRUE(Pool->UseCpuUsageMonitor());
  bool refused = false;
  std::thread([&] {
    try {
      Pool->SetUseCpuUsageMonitor(false);
    } catch (const EInvalidOperation&) {
      refused = true;
    }
  }).join();
  EXPECT_TRUE(refused);
  Pool->SetUseCpuUsageMonitor(false);
  EXPECT_FALSE(Pool->UseCpuUsageMonitor());
}

TEST(ZclTaskPool, LowTasksRunAtIdlePriority) {
  std::atomic<int> lowPolicy{-1}, normalPolicy{-1};
  auto* pool = new TZCLTaskDispatcher();
  struct TPolicyTask : TZCLTask {
    TZCLTaskPriority P;
    std::atomic<int>* Out;
    TPolicyTask(TZCLTaskPriority AP, std::atomic<int>* AOut) : P(AP), Out(AOut) {}
    TZCLTaskPriority GetPriority() override { return P; }
    void Execute() override { *Out = sched_getscheduler(0); }
  };
  pool->WaitFor(pool->Run(Create<TPolicyTask>(TZCLTaskPriority::Low, &lowPolicy)));
  pool->WaitFor(pool->Run(Create<TPolicyTask>(TZCLTaskPriority::Normal, &normalPolicy)));
  delete pool;
  EXPECT_EQ(lowPolicy, SCHED_IDLE);
  EXPECT_NE(normalPolicy, -1);
}

TEST(ZclTaskGroup, RunFiresOnCompleteOnceWhenEveryTaskFinishedBefore) {
  int fired = 0;
  struct Hit {
    int* N;
    void On(TObject*) { ++*N; }
  } hit{&fired};
  auto* group = Create<TZCLTaskGroup>();
  group->OnComplete = TNotifyEvent(&hit, &Hit::On);
  group->Initialize();
  std::atomic<int> ran{0};
  for (int i = 0; i < 3; ++i) group->AddTask(Create<TZCLSimpleTask>([&](const TZCLTaskCancelCallback&) { ++ran; }));
  EXPECT_EQ(fired, 0);
  group->Run(true);
  EXPECT_EQ(ran, 3);
  EXPECT_EQ(fired, 1);
  Free(group);
}

TEST(ZclTaskPool, RunInCurrentThreadCompletesAndRaises) {
  struct T : TZCLTask {
    int* Completed;
    explicit T(int* C) : Completed(C) {}
    void Execute() override { throw EConvertError(u"now"); }
    void Complete() override { ++*Completed; }
  };
  int completed = 0;
  EXPECT_THROW(TZCLTaskDispatcher::RunInCurrentThread(Create<T>(&completed)), EConvertError);
  EXPECT_EQ(completed, 1);
}
