// The task pool's throughput for 100,000 small tasks against a plain std::thread pool.
#include <benchmark/benchmark.h>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "zcl/base/ZCL.Threading.Pool.h"

namespace {

constexpr int TaskCount = 100000;

// A small piece of work, kept from being optimised away.
void SmallWork(std::atomic<long>& Sum, int Seed) {
  long x = Seed;
  for (int i = 0; i < 64; ++i) x = x * 1103515245 + 12345;
  Sum.fetch_add(x & 1, std::memory_order_relaxed);
}

void BM_TaskPool(benchmark::State& state) {
  TZCLTaskDispatcher* pool = TaskDispatcher();
  for (auto _ : state) {
    std::atomic<long> sum{0};
    std::vector<TObjHandle> handles;
    handles.reserve(TaskCount);
    for (int i = 0; i < TaskCount; ++i)
      handles.push_back(pool->Run([&sum, i](const TZCLTaskCancelCallback&) { SmallWork(sum, i); }));
    for (TObjHandle handle : handles) pool->WaitFor(handle);
    benchmark::DoNotOptimize(sum.load());
  }
  state.SetItemsProcessed(state.iterations() * TaskCount);
}
BENCHMARK(BM_TaskPool)->Unit(benchmark::kMillisecond)->UseRealTime();

// A long queue behind one blocked task: waiting for, then cancelling, every queued task by handle.
void BM_TaskPoolLongQueue(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    TZCLTaskDispatcher pool;
    pool.SetMaxActiveTasks(1);
    std::atomic<bool> release{false};
    pool.Run([&release](const TZCLTaskCancelCallback&) {
      while (!release.load()) std::this_thread::yield();
    });
    std::vector<TObjHandle> handles;
    handles.reserve(count);
    for (int i = 0; i < count; ++i) handles.push_back(pool.Run([](const TZCLTaskCancelCallback&) {}));
    // Every other task is started by its waiter ahead of the queue.
    for (int i = 0; i < count; i += 2) pool.WaitFor(handles[i]);
    pool.CancelAll(false);
    release.store(true);
    pool.CancelAll(true);
  }
  state.SetItemsProcessed(state.iterations() * count);
}
BENCHMARK(BM_TaskPoolLongQueue)->Arg(20000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A fixed set of std::threads draining one queue.
class TPlainPool {
 public:
  explicit TPlainPool(unsigned Threads) {
    for (unsigned i = 0; i < Threads; ++i) FThreads.emplace_back([this] { Work(); });
  }
  ~TPlainPool() {
    {
      std::lock_guard guard(FLock);
      FStop = true;
    }
    FWake.notify_all();
    for (auto& t : FThreads) t.join();
  }
  void Submit(std::function<void()> Job) {
    {
      std::lock_guard guard(FLock);
      FJobs.push_back(std::move(Job));
      ++FPending;
    }
    FWake.notify_one();
  }
  void WaitAll() {
    std::unique_lock guard(FLock);
    FIdle.wait(guard, [this] { return FPending == 0; });
  }

 private:
  void Work() {
    for (;;) {
      std::function<void()> job;
      {
        std::unique_lock guard(FLock);
        FWake.wait(guard, [this] { return FStop || !FJobs.empty(); });
        if (FJobs.empty()) return;
        job = std::move(FJobs.front());
        FJobs.pop_front();
      }
      job();
      std::lock_guard guard(FLock);
      if (--FPending == 0) FIdle.notify_all();
    }
  }
  std::mutex FLock;
  std::condition_variable FWake, FIdle;
  std::deque<std::function<void()>> FJobs;
  std::vector<std::thread> FThreads;
  long FPending = 0;
  bool FStop = false;
};

void BM_PlainThreadPool(benchmark::State& state) {
  TPlainPool pool(std::max(1u, std::thread::hardware_concurrency()));
  for (auto _ : state) {
    std::atomic<long> sum{0};
    for (int i = 0; i < TaskCount; ++i) pool.Submit([&sum, i] { SmallWork(sum, i); });
    pool.WaitAll();
    benchmark::DoNotOptimize(sum.load());
  }
  state.SetItemsProcessed(state.iterations() * TaskCount);
}
BENCHMARK(BM_PlainThreadPool)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
