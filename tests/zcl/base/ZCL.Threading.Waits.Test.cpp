#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/base/ZCL.Utils.Messaging.h"

TEST(ZclWaits, ZeroTimeoutAnswersAtOnceOnEveryThread) {
  TZCLEvent event;
  auto check = [&](std::vector<TWaitResult>& out) {
    out.push_back(WaitForSyncObject(event.GetHandle(), 0));
    event.Signal();
    out.push_back(WaitForSyncObject(event.GetHandle(), 0));
    event.Reset();
  };
  std::vector<TWaitResult> onMain, onWorker;
  check(onMain);
  std::thread([&] { check(onWorker); }).join();
  const std::vector<TWaitResult> expected{wrTimeout, wrSignaled};
  EXPECT_EQ(onMain, expected);
  EXPECT_EQ(onWorker, expected);
  EXPECT_EQ(WaitForSyncObject(nullptr, 0), wrError);
}

TEST(ZclWaits, MainThreadWaitServesAWorkersWaitedCall) {
  TZCLEvent done;
  bool ran = false;
  std::thread worker([&] {
    TZCLMainThread::RunProc([&] { ran = IsMainThread(); });
    done.Signal();
  });
  EXPECT_TRUE(done.WaitFor(10000));
  worker.join();
  EXPECT_TRUE(ran);
}

TEST(ZclWaits, TimeIntervals) {
  struct Case {
    Cardinal Start, Interval, Now;
    bool Elapsed;
  } cases[] = {
      {100, 0, 5000, false},          {100, INFINITE, 5000, false}, {100, 50, 149, false},
      {100, 50, 150, true},           {0xFFFFFFF0u, 31, 0x10, true}, {0xFFFFFFF0u, 32, 0x10, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(IsTimeIntervalElapsedAt(c.Start, c.Interval, c.Now), c.Elapsed) << c.Start << " " << c.Interval;

  Cardinal start = TThread::GetTickCount() - 1000;
  EXPECT_TRUE(IsTimeIntervalElapsedAndRestart(start, 500));
  EXPECT_FALSE(IsTimeIntervalElapsedAndRestart(start, 500000));
}

namespace {
std::atomic<int> GItemsRun{0};
std::atomic<bool> GRanOnCaller{false};
std::thread::id GCaller;
void CountItem(void* Item) {
  GItemsRun += *static_cast<int*>(Item);
  if (std::this_thread::get_id() == GCaller) GRanOnCaller = true;
}
void ThrowOnSecond(void* Item) {
  if (*static_cast<int*>(Item) == 2) throw EConvertError(u"item 2");
  ++GItemsRun;
}
}  // namespace

TEST(ZclParallelOperation, RunsEveryItemAndReportsTheFirstErrorAfterAll) {
  GCaller = std::this_thread::get_id();
  int values[64];
  void* items[64];
  for (int i = 0; i < 64; ++i) {
    values[i] = i + 1;
    items[i] = &values[i];
  }
  GItemsRun = 0;
  TZCLMultithreadedOperation::Run(items, 0, &CountItem);
  EXPECT_EQ(GItemsRun, 0);

  GRanOnCaller = false;
  TZCLMultithreadedOperation::Run(items, 1, &CountItem);
  EXPECT_EQ(GItemsRun, 1);
  EXPECT_TRUE(GRanOnCaller);

  GItemsRun = 0;
  TZCLMultithreadedOperation::Run(items, 64, &CountItem);
  EXPECT_EQ(GItemsRun, 64 * 65 / 2);

  GItemsRun = 0;
  EXPECT_THROW(TZCLMultithreadedOperation::Run(items, 64, &ThrowOnSecond), EConvertError);
  EXPECT_EQ(GItemsRun, 63);
  // The next operation starts clean.
  TZCLMultithreadedOperation::Run(items, 3, &CountItem);
}

namespace {
class TPausing : public TZCLPauseableThread {
 public:
  using TZCLPauseableThread::TZCLPauseableThread;
  std::atomic<int> Turns{0};
  TZCLEvent Turned{false, false};

 protected:
  void Execute() override {
    while (WaitForUnpause()) {
      ++Turns;
      Turned.Signal();
    }
  }
};

class TIdle : public TZCLThread {
 public:
  using TZCLThread::TZCLThread;
  std::atomic<bool> Ran{false};

 protected:
  void Execute() override { Ran = true; }
};
}  // namespace

TEST(ZclThreads, PausedAndSuspendedThreadsEndWhenFreed) {
  auto* pausing = Create<TPausing>(false);
  EXPECT_TRUE(pausing->Turned.WaitFor(10000));
  pausing->SetPaused(true);
  EXPECT_TRUE(pausing->GetPaused());
  Free(pausing);  // paused: must wake and end

  auto* suspended = Create<TIdle>(true);
  Free(suspended);  // never started: must not hang

  auto* terminated = Create<TPausing>(true);
  terminated->Terminate();
  EXPECT_FALSE(terminated->WaitForUnpause(0));
  Free(terminated);
}
