#include "rtl/RTL.SyncObjs.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "rtl/RTL.Threads.h"

namespace {
TEST(Events, StateTable) {
  struct TCase {
    bool ManualReset, Initial;
    TWaitResult First, Second;  // two zero-time waits in a row
  };
  const TCase cases[] = {
      {true, false, wrTimeout, wrTimeout},
      {true, true, wrSignaled, wrSignaled},
      {false, false, wrTimeout, wrTimeout},
      {false, true, wrSignaled, wrTimeout},  // the first wait consumes an auto-reset event
  };
  for (const TCase& c : cases) {
    TEvent event(c.ManualReset, c.Initial);
    EXPECT_EQ(event.WaitFor(0), c.First) << c.ManualReset << c.Initial;
    EXPECT_EQ(event.WaitFor(0), c.Second) << c.ManualReset << c.Initial;
    event.SetEvent();
    EXPECT_EQ(event.WaitFor(0), wrSignaled);
    event.ResetEvent();
    EXPECT_EQ(event.WaitFor(0), wrTimeout);
  }
  TSimpleEvent simple;
  EXPECT_EQ(simple.WaitFor(10), wrTimeout);
}

TEST(Events, SetFromAnotherThreadEndsAnUnlimitedWait) {
  TEvent event;
  std::thread setter([&] { event.SetEvent(); });
  EXPECT_EQ(event.WaitFor(INFINITE), wrSignaled);
  setter.join();
}

// Each SetEvent of an auto-reset event lets exactly one of the waiters go.
TEST(Events, AutoResetReleasesOneWaiterPerSet) {
  TEvent event(false, false);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] {
      if (event.WaitFor(INFINITE) == wrSignaled) ++released;
    });
  for (int i = 1; i <= 3; ++i) {
    event.SetEvent();
    while (released.load() < i) std::this_thread::yield();
    EXPECT_EQ(released.load(), i);
  }
  for (auto& t : waiters) t.join();
}

TEST(WaitForMultipleObjects, AnyAndAll) {
  TEvent a(true, false), b(false, false), c(true, false);
  TWaitableObject* signaled = nullptr;
  EXPECT_EQ(WaitForMultipleObjects({&a, &b, &c}, false, 0, &signaled), wrTimeout);
  EXPECT_EQ(signaled, nullptr);
  b.SetEvent();
  EXPECT_EQ(WaitForMultipleObjects({&a, &b, &c}, false, 0, &signaled), wrSignaled);
  EXPECT_EQ(signaled, &b);
  EXPECT_EQ(b.WaitFor(0), wrTimeout) << "the wait consumed the auto-reset event";

  // WaitAll: nothing is consumed until every object is signalled.
  a.SetEvent();
  b.SetEvent();
  EXPECT_EQ(WaitForMultipleObjects({&a, &b, &c}, true, 0), wrTimeout);
  EXPECT_EQ(b.WaitFor(0), wrSignaled);
  b.SetEvent();
  std::thread setter([&] { c.SetEvent(); });
  EXPECT_EQ(WaitForMultipleObjects({&a, &b, &c}, true, INFINITE), wrSignaled);
  setter.join();
  EXPECT_EQ(b.WaitFor(0), wrTimeout);
  EXPECT_EQ(a.WaitFor(0), wrSignaled);

  EXPECT_EQ(WaitForMultipleObjects({}, false, 0), wrError);
  EXPECT_EQ(WaitForMultipleObjects({&a, nullptr}, false, 0), wrError);
}

TEST(WaitForMultipleObjects, ObjectDestroyedDuringTheWaitIsAbandoned) {
  TEvent keep;
  auto gone = std::make_unique<TEvent>();
  TEvent* goneRaw = gone.get();
  TWaitResult result = wrSignaled;
  std::thread waiter([&] {
    result = WaitForMultipleObjects({&keep, goneRaw}, false, INFINITE);
  });
  while (goneRaw->GetWaitable().WaiterCount() == 0) std::this_thread::yield();
  gone.reset();
  waiter.join();
  EXPECT_EQ(result, wrAbandoned);
  EXPECT_EQ(keep.GetWaitable().WaiterCount(), 0u);
}

// The main thread waits for an event that a worker sets only after its Synchronize ran.
TEST(WaitForMainThreadServing, RunsSynchronizeCallsWhileWaiting) {
  TEvent done;
  bool ran = false;
  std::thread worker([&] {
    TThread::Synchronize(nullptr, [&] { ran = IsMainThread(); });
    done.SetEvent();
  });
  EXPECT_EQ(WaitForMainThreadServing({&done}, false, INFINITE), wrSignaled);
  worker.join();
  EXPECT_TRUE(ran);
  TEvent never;
  EXPECT_EQ(never.WaitFor(5, true), wrTimeout);
}

TEST(CriticalSection, RecursiveAndExclusive) {
  TCriticalSection lock;
  lock.Enter();
  lock.Enter();
  bool otherGot = true;
  std::thread([&] { otherGot = lock.TryEnter(); }).join();
  EXPECT_FALSE(otherGot);
  lock.Leave();
  lock.Leave();
  std::thread([&] {
    otherGot = lock.TryEnter();
    if (otherGot) lock.Leave();
  }).join();
  EXPECT_TRUE(otherGot);

  int counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 10000; ++i) {
        TLockGuard guard(lock);
        ++counter;
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 40000);
}

template <class TSync>
void CheckExclusiveWrites() {
  TSync sync;
  IReadWriteSync& rw = sync;
  // Nested reads and writes on one thread.
  rw.BeginRead();
  rw.BeginRead();
  rw.EndRead();
  rw.EndRead();
  EXPECT_TRUE(rw.BeginWrite());
  rw.BeginRead();
  rw.EndRead();
  EXPECT_TRUE(rw.BeginWrite());
  rw.EndWrite();
  rw.EndWrite();

  // Readers never see a half-done write.
  int a = 0, b = 0;
  std::atomic<bool> torn{false};
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        rw.BeginWrite();
        ++a;
        ++b;
        rw.EndWrite();
      }
    });
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        rw.BeginRead();
        if (a != b) torn = true;
        rw.EndRead();
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_FALSE(torn.load());
  EXPECT_EQ(a, 4000);
}

TEST(ReadWriteSync, SimpleAndMultiReadAreExclusiveForWriters) {
  CheckExclusiveWrites<TSimpleRWSync>();
  CheckExclusiveWrites<TMultiReadExclusiveWriteSynchronizer>();
}

TEST(ReadWriteSync, MultiReadLetsReadersShareAndPromote) {
  TMultiReadExclusiveWriteSynchronizer sync;
  // Two threads read at the same time.
  std::atomic<int> inside{0};
  std::atomic<int> maxInside{0};
  std::vector<std::thread> readers;
  for (int t = 0; t < 2; ++t)
    readers.emplace_back([&] {
      sync.BeginRead();
      maxInside = std::max(maxInside.load(), ++inside);
      while (maxInside.load() < 2) std::this_thread::yield();
      --inside;
      sync.EndRead();
    });
  for (auto& t : readers) t.join();
  EXPECT_EQ(maxInside.load(), 2);

  // Two readers that both ask to write: both get it, one after the other, and the second
  // learns that someone wrote meanwhile.
  std::atomic<int> reading{0};
  std::atomic<int> unchanged{0};
  std::vector<std::thread> writers;
  for (int t = 0; t < 2; ++t)
    writers.emplace_back([&] {
      sync.BeginRead();
      ++reading;
      while (reading.load() < 2) std::this_thread::yield();
      if (sync.BeginWrite()) ++unchanged;
      sync.EndWrite();
      sync.EndRead();
    });
  for (auto& t : writers) t.join();
  EXPECT_EQ(unchanged.load(), 1);
  EXPECT_EQ(sync.GetRevisionLevel(), 2u);
}

TEST(Interlocked, Operations) {
  Integer i = 5;
  EXPECT_EQ(TInterlocked::Increment(i), 6);
  EXPECT_EQ(TInterlocked::Decrement(i), 5);
  EXPECT_EQ(TInterlocked::Add(i, 10), 15);
  EXPECT_EQ(TInterlocked::Exchange(i, 3), 15);
  EXPECT_EQ(i, 3);
  EXPECT_EQ(TInterlocked::CompareExchange(i, 9, 4), 3) << "no match: unchanged";
  EXPECT_EQ(i, 3);
  bool ok = false;
  EXPECT_EQ(TInterlocked::CompareExchange(i, 9, 3, ok), 3);
  EXPECT_TRUE(ok);
  EXPECT_EQ(i, 9);
  Int64 big = INT64_C(0x100000000);
  EXPECT_EQ(TInterlocked::Increment(big), INT64_C(0x100000001));
  int x = 0, y = 0;
  int* p = &x;
  EXPECT_EQ(TInterlocked::Exchange(p, &y), &x);
  EXPECT_EQ(p, &y);

  Integer counter = 0;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int n = 0; n < 10000; ++n) TInterlocked::Increment(counter);
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 40000);
}

TEST(QueueWorkItem, RunsEveryItemAndSurvivesExceptions) {
  constexpr int Items = 200;
  std::atomic<int> ran{0};
  TEvent allDone;
  for (int i = 0; i < Items; ++i)
    ASSERT_TRUE(QueueWorkItem([&, i] {
      if (i % 50 == 0) {
        if (++ran == Items) allDone.SetEvent();
        throw Exception(u"item failed");
      }
      if (++ran == Items) allDone.SetEvent();
    }));
  EXPECT_EQ(allDone.WaitFor(INFINITE), wrSignaled);
  EXPECT_GE(detail::WorkPoolThreadCount(), 1);
}

// Long items that block must not keep the others from starting: the pool grows past the
// processor count for them.
TEST(QueueWorkItem, LongFunctionsGetThreadsOfTheirOwn) {
  const int items = CPUCount() + 3;
  std::atomic<int> started{0}, finished{0};
  TEvent allStarted, release, allFinished;
  for (int i = 0; i < items; ++i)
    ASSERT_TRUE(QueueWorkItem(
        [&, items] {  // items by value: the test may end right after the last item counted
          if (++started == items) allStarted.SetEvent();
          release.WaitFor(INFINITE);
          if (++finished == items) allFinished.SetEvent();
        },
        true));
  EXPECT_EQ(allStarted.WaitFor(INFINITE), wrSignaled);
  EXPECT_GE(detail::WorkPoolThreadCount(), items);
  release.SetEvent();
  EXPECT_EQ(allFinished.WaitFor(INFINITE), wrSignaled);
}
}  // namespace
