#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "zcl/base/ZCL.Threading.h"
#include "zcl/base/ZCL.Threading.Pool.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"
#include "zeph/core/ZEPH.Core.Services.Threads.h"

namespace {
// A plugin task: runs a function with its owner; answers a priority when given one.
class TTestTask : public TInterfacedObject, public IZEPHTask, public IZEPHTaskPriority {
  ZCL_CLASS(TTestTask, TInterfacedObject)
 public:
  using TBody = std::function<void(IZEPHTaskOwner*)>;
  TTestTask(TBody ABody, Integer APriority = 0) : FBody(std::move(ABody)), FPriority(APriority) {}
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override {
    if (InterfaceTableQuery<IZEPHTask>(this, IID, Obj)) return S_OK;
    if (FPriority && InterfaceTableQuery<IZEPHTaskPriority>(this, IID, Obj)) return S_OK;
    return TInterfacedObject::QueryInterface(IID, Obj);
  }
  void Execute(IZEPHTaskOwner* Owner) override { FBody(Owner); }
  Integer GetPriority() override { return FPriority; }

 private:
  TBody FBody;
  Integer FPriority;
};

class TOlderTask : public TInterfacedObject, public IZEPHDeprecatedTask {
  ZCL_CLASS(TOlderTask, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHDeprecatedTask)
 public:
  explicit TOlderTask(std::function<void(IZEPHDeprecatedTaskOwner*)> ABody) : FBody(std::move(ABody)) {}
  void Execute(IZEPHDeprecatedTaskOwner* Owner) override { FBody(Owner); }

 private:
  std::function<void(IZEPHDeprecatedTaskOwner*)> FBody;
};

IPtr<IZEPHTask> Task(TTestTask::TBody Body, Integer Priority = 0) {
  return IPtr<IZEPHTask>(Create<TTestTask>(std::move(Body), Priority));
}

class ZephThreadsService : public ::testing::Test {
 protected:
  IPtr<IZEPHServiceThreads> FService{Create<TZEPHCoreServiceThreads>()};
};
}  // namespace

TEST_F(ZephThreadsService, MainThreadTasksWaitedOrQueued) {
  EXPECT_EQ(FService->ExecuteInMainThread(nullptr, ZEPH_THREADS_WAIT), E_INVALIDARG);
  std::vector<int> ran;
  LongBool canceled = LongTrue;
  EXPECT_EQ(FService->ExecuteInMainThread(Task([&](IZEPHTaskOwner* Owner) {
                                            canceled = Owner->IsCanceled();
                                            ran.push_back(1);
                                          }).get(),
                                          ZEPH_THREADS_WAIT),
            S_OK);
  EXPECT_EQ(ran, (std::vector<int>{1}));
  EXPECT_EQ(canceled, LongFalse);
  EXPECT_EQ(FService->ExecuteInMainThread(Task([&](IZEPHTaskOwner*) { ran.push_back(2); }).get(), 0), S_OK);
  EXPECT_EQ(ran, (std::vector<int>{1}));
  TZCLMainThread::CheckSynchronize();
  EXPECT_EQ(ran, (std::vector<int>{1, 2}));

  // A worker's waited call runs on the main thread.
  bool onMain = false;
  TZCLEvent done;
  std::thread worker([&] {
    FService->ExecuteInMainThread(Task([&](IZEPHTaskOwner*) { onMain = IsMainThread(); }).get(), ZEPH_THREADS_WAIT);
    done.Signal();
  });
  EXPECT_TRUE(done.WaitFor(10000));
  worker.join();
  EXPECT_TRUE(onMain);
}

TEST_F(ZephThreadsService, CancelWaitsForATaskThatPollsItsOwner) {
  TZEPHTaskHandle handle = 0;
  EXPECT_EQ(FService->ExecuteInThread(nullptr, handle), E_INVALIDARG);
  std::atomic<bool> started{false}, ended{false};
  ASSERT_EQ(FService->ExecuteInThread(Task([&](IZEPHTaskOwner* Owner) {
                                        started = true;
                                        while (!Owner->IsCanceled()) std::this_thread::yield();
                                        ended = true;
                                      }).get(),
                                      handle),
            S_OK);
  while (!started) std::this_thread::yield();
  EXPECT_EQ(FService->Cancel(handle, ZEPH_THREADS_WAIT), S_OK);
  EXPECT_TRUE(ended);
  // The task is gone: cancelling or waiting for its handle again is harmless, as is a handle the
  // pool never gave.
  EXPECT_EQ(FService->Cancel(handle, ZEPH_THREADS_WAIT), S_OK);
  EXPECT_EQ(FService->WaitFor(handle), S_OK);
  EXPECT_EQ(FService->Cancel(0xFFFFFFFF, 0), S_OK);
}

TEST_F(ZephThreadsService, HighPriorityTasksGoFirst) {
  TZCLTaskDispatcher* pool = TaskDispatcher();
  const Integer limit = pool->GetMaxActiveTasks();
  pool->SetMaxActiveTasks(1);
  TZCLEvent release;
  std::mutex lock;
  std::vector<int> order;
  auto record = [&](int Id) {
    return [&, Id](IZEPHTaskOwner*) {
      std::lock_guard guard(lock);
      order.push_back(Id);
    };
  };
  TZEPHTaskHandle blocker = 0, a = 0, b = 0, c = 0;
  FService->ExecuteInThread(Task([&](IZEPHTaskOwner*) { release.WaitForNoSynchronize(10000); }).get(), blocker);
  FService->ExecuteInThread(Task(record(1)).get(), a);
  FService->ExecuteInThread(Task(record(2), 1).get(), b);
  FService->ExecuteInThread(Task(record(3), 2).get(), c);
  release.Signal();
  // Waiting for a queued task starts it at once, so the tasks are waited for in the order expected.
  for (TZEPHTaskHandle h : {c, a, b, blocker}) EXPECT_EQ(FService->WaitFor(h), S_OK);
  pool->SetMaxActiveTasks(limit);
  EXPECT_EQ(order, (std::vector<int>{3, 1, 2}));
}

TEST_F(ZephThreadsService, OlderTasksSeeTheCancelFlagThroughAnOlderOwner) {
  IPtr<IZEPHDeprecatedServiceThreadPool> pool = QueryIntf<IZEPHDeprecatedServiceThreadPool>(FService);
  TZEPHTaskHandle handle = 0;
  EXPECT_EQ(pool->Execute(nullptr, handle), E_INVALIDARG);
  std::atomic<bool> started{false}, sawCancel{false};
  ASSERT_EQ(pool->Execute(IPtr<IZEPHDeprecatedTask>(Create<TOlderTask>([&](IZEPHDeprecatedTaskOwner* Owner) {
                            started = true;
                            while (!Owner->IsCanceled()) std::this_thread::yield();
                            sawCancel = true;
                          })).get(),
                          handle),
            S_OK);
  while (!started) std::this_thread::yield();
  EXPECT_EQ(pool->Cancel(handle, ZEPH_THREADS_WAIT), S_OK);
  EXPECT_TRUE(sawCancel);

  IPtr<IZEPHDeprecatedServiceSynchronizer> sync = QueryIntf<IZEPHDeprecatedServiceSynchronizer>(FService);
  bool ran = false;
  EXPECT_EQ(sync->ExecuteInMainThread(
                IPtr<IZEPHDeprecatedTask>(Create<TOlderTask>([&](IZEPHDeprecatedTaskOwner*) { ran = true; })).get(),
                LongTrue),
            S_OK);
  EXPECT_TRUE(ran);
  EXPECT_EQ(sync->ExecuteInMainThread(nullptr, LongTrue), E_INVALIDARG);
}
