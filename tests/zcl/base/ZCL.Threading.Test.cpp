#include <gtest/gtest.h>

#include <thread>

#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.Base.TestUtil.h"
#include "zcl/base/ZCL.Threading.h"

// Puts a lock into the inconsistent states that only corruption produces.
struct TZCLCriticalSectionProbe {
  static void SetOwner(TZCLCriticalSection& Lock, Cardinal Owner) { Lock.FOwnerThreadId = Owner; }
  static void SetRecursion(TZCLCriticalSection& Lock, Integer Count) { Lock.FRecursionCount = Count; }
};

namespace {

TEST(ZclCriticalSection, NestsForItsOwnerAndIsFreeAfterBalancedLeaves) {
  TZCLCriticalSection lock(nullptr, u"Test");
  lock.Enter();
  lock.Enter();
  EXPECT_EQ(lock.GetOwnerThreadId(), GetCurrentThreadId());
  EXPECT_EQ(lock.GetRecursionCount(), 2);
  lock.Leave();
  EXPECT_TRUE(lock.IsLocked());
  lock.Leave();
  EXPECT_FALSE(lock.IsLocked());
  EXPECT_EQ(lock.GetOwnerThreadId(), 0u);
  EXPECT_EQ(RaisedMessage<EInvalidOperation>([&] { lock.Leave(); }), "Section is not owned (0)");
}

TEST(ZclCriticalSection, LeaveFromAnotherThreadRaisesAndKeepsTheOwner) {
  TZCLCriticalSection lock;
  lock.Enter();
  std::string message;
  std::thread other([&] { message = RaisedMessage<EInvalidOperation>([&] { lock.Leave(); }); });
  other.join();
  EXPECT_EQ(message, "Section is not owned (" + std::to_string(GetCurrentThreadId()) + ")");
  EXPECT_EQ(lock.GetOwnerThreadId(), GetCurrentThreadId());
  EXPECT_EQ(lock.GetRecursionCount(), 1);
  lock.Leave();
}

TEST(ZclCriticalSection, ExcludesOtherThreadsUntilFullyLeft) {
  TZCLCriticalSection lock;
  Integer counter = 0;  // guarded by the lock only
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 2000; ++i) {
        lock.Enter();
        lock.Enter();
        const Integer seen = counter;
        lock.Leave();
        counter = seen + 1;  // still held once: no other thread may run in between
        lock.Leave();
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 8000);
  EXPECT_FALSE(lock.IsLocked());
}

TEST(ZclCriticalSection, ReportsCorruptedStates) {
  TZCLCriticalSection lock;
  // A free lock word with an owner recorded.
  TZCLCriticalSectionProbe::SetOwner(lock, 4242);
  EXPECT_EQ(RaisedMessage<EInvalidOperation>([&] { lock.Enter(); }), "Section is locked by 4242");
  EXPECT_FALSE(lock.IsLocked());

  TZCLCriticalSection owned;
  owned.Enter();
  TZCLCriticalSectionProbe::SetRecursion(owned, 0);
  EXPECT_EQ(RaisedMessage<EInvalidOperation>([&] { owned.Leave(); }), "Section.RecursionCount < 0");
  EXPECT_EQ(owned.GetRecursionCount(), -1);
}

}  // namespace
