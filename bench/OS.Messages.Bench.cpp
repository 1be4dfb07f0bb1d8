// Message queue throughput: posting and dispatching on the UI thread, and the round trip of a
// SendMessage from a worker thread served by the UI thread's message loop.

#include <benchmark/benchmark.h>

#include <atomic>
#include <thread>

#include "os/OS.Messages.h"
#include "os/OS.Units.h"
#include "os/OS.Windows.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Units.h"

namespace {

constexpr UINT WM_PING = WM_USER + 1;
constexpr UINT WM_STOP = WM_USER + 2;

LRESULT CountingProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  if (Msg == WM_PING) return static_cast<LRESULT>(WParam + 1);
  return DefWindowProc(Window, Msg, WParam, LParam);
}

HWND BenchWindow() {
  static HWND window = [] {
    WNDCLASS c;
    c.lpfnWndProc = CountingProc;
    c.lpszClassName = u"ZBenchWindow";
    RegisterClass(c);
    return CreateWindowEx(0, u"ZBenchWindow", u"", WS_POPUP, 0, 0, 0, 0, HWND_MESSAGE);
  }();
  return window;
}

// Posts a batch of messages, then takes and dispatches them all.
void BM_PostAndDispatch(benchmark::State& State) {
  HWND h = BenchWindow();
  const int batch = static_cast<int>(State.range(0));
  MSG msg;
  for (auto _ : State) {
    for (int i = 0; i < batch; ++i) PostMessage(h, WM_PING, static_cast<WPARAM>(i), 0);
    while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(msg);
  }
  State.SetItemsProcessed(State.iterations() * batch);
}
BENCHMARK(BM_PostAndDispatch)->Arg(1)->Arg(1000);

// A worker sends one message after another; the UI thread runs its message loop. Each
// iteration is one send's round trip as the worker sees it.
void BM_CrossThreadSend(benchmark::State& State) {
  HWND h = BenchWindow();
  std::atomic<bool> stop{false};
  // The benchmark body runs on the UI thread; the worker measures.
  std::atomic<int64_t> sends{0};
  std::thread worker([&] {
    while (!stop) {
      SendMessage(h, WM_PING, 1, 0);
      ++sends;
    }
    PostMessage(h, WM_STOP, 0, 0);
  });
  for (auto _ : State) {
    const int64_t before = sends.load();
    MSG msg;
    while (sends.load() == before)
      if (MsgWaitForReady([&] { return sends.load() != before; }, 1000, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
        while (PeekMessage(msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(msg);
  }
  stop = true;
  MSG msg;
  while (GetMessage(msg, nullptr, 0, 0) > 0 && msg.message != WM_STOP) DispatchMessage(msg);
  worker.join();
}
BENCHMARK(BM_CrossThreadSend)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  InitializeUnits(RtlUnits());
  InitializeUnits(OsUnits());
  THeadlessConfig config;
  config.ManualClock = false;
  InstallHeadlessBackend(config);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  FinalizeUnits();
  return 0;
}
