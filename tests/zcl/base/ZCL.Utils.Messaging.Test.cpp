#include "zcl/base/ZCL.Utils.Messaging.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.SyncObjs.h"

namespace {

void PumpMainThreadQueue() { zcProcessMessages(TZCLMessaging::GetWindow(), TZCLMainThread::GetMessageNumber()); }

// Collects what the queue hands to the application's exception handler.
struct ErrorCapture {
  static inline std::vector<std::exception_ptr> Errors;
  decltype(QueuedCallExceptionHandler) Previous = QueuedCallExceptionHandler;
  ErrorCapture() {
    Errors.clear();
    QueuedCallExceptionHandler = [](std::exception_ptr E) { Errors.push_back(E); };
  }
  ~ErrorCapture() { QueuedCallExceptionHandler = Previous; }
};

struct Recorder : TObject {
  std::vector<int>* Log = nullptr;
  int Id = 0;
  void Note() { Log->push_back(Id); }
};

}  // namespace

TEST(ZclMainThread, QueuedCallsRunLaterAndWaitedCallsAtOnceOnTheMainThread) {
  int queued = 0, waited = 0;
  TZCLMainThread::QueueProc([&] { ++queued; });
  TZCLMainThread::RunProc([&] { ++waited; });
  EXPECT_EQ(waited, 1);
  EXPECT_EQ(queued, 0);
  PumpMainThreadQueue();
  EXPECT_EQ(queued, 1);
}

TEST(ZclMainThread, WorkerCallsRunInOrderAndAnExceptionDoesNotStopTheQueue) {
  ErrorCapture capture;
  std::vector<int> log;
  std::thread worker([&] {
    TZCLMainThread::QueueProc([&] { log.push_back(1); });
    TZCLMainThread::QueueProc([&] {
      log.push_back(2);
      throw EConvertError(u"second");
    });
    TZCLMainThread::QueueProc([&] { log.push_back(3); });
  });
  worker.join();
  PumpMainThreadQueue();
  EXPECT_EQ(log, (std::vector<int>{1, 2, 3}));
  ASSERT_EQ(ErrorCapture::Errors.size(), 1u);
  EXPECT_THROW(std::rethrow_exception(ErrorCapture::Errors[0]), EConvertError);
}

TEST(ZclMainThread, RemovingQueuedCallsDropsOnlyTheGivenObjectsCalls) {
  std::vector<int> log;
  Recorder x, y;
  x.Log = y.Log = &log;
  x.Id = 1;
  y.Id = 2;
  TZCLMainThread::Queue(TThreadMethod(&x, &Recorder::Note), &x);
  TZCLMainThread::Queue(TThreadMethod(&y, &Recorder::Note), &y);
  TZCLMainThread::QueueProc([&] { log.push_back(10); }, &x);
  TZCLMainThread::RemoveQueuedFor(&x);
  PumpMainThreadQueue();
  EXPECT_EQ(log, (std::vector<int>{2}));

  // The same method of another object stays queued.
  log.clear();
  TZCLMainThread::Queue(TThreadMethod(&x, &Recorder::Note));
  TZCLMainThread::Queue(TThreadMethod(&y, &Recorder::Note));
  TZCLMainThread::RemoveQueuedMethod(TThreadMethod(&x, &Recorder::Note));
  EXPECT_EQ(TZCLMainThread::GetQueuedCount(), 1);
  PumpMainThreadQueue();
  EXPECT_EQ(log, (std::vector<int>{2}));
}

TEST(ZclMainThread, WorkerWaitsForTheMainThreadWhileTheMainThreadWaitsForIt) {
  TEvent done;
  int ranOn = 0;
  bool errorReachedWorker = false;
  std::thread worker([&] {
    TZCLMainThread::RunProc([&] { ranOn = IsMainThread() ? 1 : 2; });
    try {
      TZCLMainThread::RunProc([] { throw EConvertError(u"waited"); });
    } catch (const EConvertError&) {
      errorReachedWorker = true;
    }
    done.SetEvent();
  });
  EXPECT_EQ(done.WaitFor(10000, true), wrSignaled);
  worker.join();
  EXPECT_EQ(ranOn, 1);
  EXPECT_TRUE(errorReachedWorker);
}

TEST(ZclMainThread, CheckSynchronizeRunsTheQueueAndRefusesOtherThreads) {
  int ran = 0;
  TZCLMainThread::QueueProc([&] { ++ran; });
  TZCLMainThread::CheckSynchronize();
  EXPECT_EQ(ran, 1);
  zcRemoveMessages(TZCLMessaging::GetWindow(), TZCLMainThread::GetMessageNumber());
  bool refused = false;
  std::thread([&] {
    try {
      TZCLMainThread::CheckSynchronize();
    } catch (const EArgumentException&) {
      refused = true;
    }
  }).join();
  EXPECT_TRUE(refused);
}

TEST(ZclMainThread, CallbackModesChooseTheThread) {
  int calls = 0;
  struct Counter {
    int* Calls;
    void Hit() { ++*Calls; }
  } counter{&calls};
  TZCLThreadCallback callback{TThreadMethod(&counter, &Counter::Hit)};
  callback.Call(TZCLThreadCallMode::Direct);
  callback.Call(true);
  EXPECT_EQ(calls, 2);
  callback.Call(TZCLThreadCallMode::MainThreadQueue);
  EXPECT_EQ(calls, 2);
  PumpMainThreadQueue();
  EXPECT_EQ(calls, 3);
  TZCLThreadCallback{}.Call(TZCLThreadCallMode::Direct);  // empty: nothing
}

TEST(ZclMessaging, NamesGetStableNumbersIgnoringCase) {
  EXPECT_EQ(TZCLMessaging::RegisterMessage(u"TZCLMainThread"), 1025u);
  const UINT first = TZCLMessaging::RegisterMessage(u"ZclTest.Alpha");
  const UINT second = TZCLMessaging::RegisterMessage(u"ZclTest.Beta");
  EXPECT_GT(first, 1025u);
  EXPECT_EQ(second, first + 1);
  EXPECT_EQ(TZCLMessaging::RegisterMessage(u"zcltest.ALPHA"), first);
}

namespace {
std::vector<int> GHandlerLog;
bool GSecondHandles = true;
void FirstHandler(TMessage& M, bool& Handled) {
  if (M.Msg != TZCLMessaging::RegisterMessage(u"ZclTest.Handlers")) return;
  GHandlerLog.push_back(1);
  Handled = true;
  M.Result = 11;
}
void SecondHandler(TMessage& M, bool& Handled) {
  if (M.Msg != TZCLMessaging::RegisterMessage(u"ZclTest.Handlers")) return;
  GHandlerLog.push_back(2);
  Handled = GSecondHandles;
  M.Result = 22;
}
void ThrowingHandler(TMessage& M, bool&) {
  if (M.Msg == TZCLMessaging::RegisterMessage(u"ZclTest.Handlers")) throw EConvertError(u"handler");
}
}  // namespace

TEST(ZclMessaging, HandlersAddedLastAreAskedFirstAndErrorsGoToTheHandler) {
  const UINT msg = TZCLMessaging::RegisterMessage(u"ZclTest.Handlers");
  TZCLMessaging::HandlerAdd(&FirstHandler);
  TZCLMessaging::HandlerAdd(&SecondHandler);
  GHandlerLog.clear();
  GSecondHandles = true;
  EXPECT_EQ(TZCLMessaging::SendMessage(msg, 0, 0), 22);
  EXPECT_EQ(GHandlerLog, (std::vector<int>{2}));
  GHandlerLog.clear();
  GSecondHandles = false;
  EXPECT_EQ(TZCLMessaging::SendMessage(msg, 0, 0), 11);
  EXPECT_EQ(GHandlerLog, (std::vector<int>{2, 1}));

  // Posted messages arrive through the window's message queue.
  GHandlerLog.clear();
  EXPECT_TRUE(TZCLMessaging::PostMessage(msg, 0, 0));
  zcProcessMessages(TZCLMessaging::GetWindow(), msg);
  EXPECT_EQ(GHandlerLog, (std::vector<int>{2, 1}));

  ErrorCapture capture;
  TZCLMessaging::HandlerAdd(&ThrowingHandler);
  TZCLMessaging::SendMessage(msg, 0, 0);
  EXPECT_EQ(ErrorCapture::Errors.size(), 1u);
  TZCLMessaging::HandlerRemove(&ThrowingHandler);
  TZCLMessaging::HandlerRemove(&SecondHandler);
  TZCLMessaging::HandlerRemove(&FirstHandler);
}

TEST(ZclMessaging, WindowsAreMadeOnTheMainThreadOnly) {
  bool refused = false;
  std::thread([&] {
    try {
      zcWndCreate({}, u"ZclTestWindow");
    } catch (const EInvalidOperation&) {
      refused = true;
    }
  }).join();
  EXPECT_TRUE(refused);

  static int seen = 0;
  HWND window = zcWndCreate(TZCLWndMethod([](TMessage& M) { seen = static_cast<int>(M.WParam); }), u"ZclTestWindow");
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(PostWindowMessage(window, WM_USER + 5, 7, 0));
  EXPECT_TRUE(PostWindowMessage(window, WM_USER + 6, 8, 0));
  zcRemoveMessages(window, WM_USER + 6);
  zcProcessMessages(window, WM_USER, WM_USER + 10);
  EXPECT_EQ(seen, 7);
  EXPECT_EQ(SendWindowMessage(window, WM_USER + 5, 9, 0), 0);
  EXPECT_EQ(seen, 9);
  zcWndFree(window);
  zcWndFree(nullptr);
}
