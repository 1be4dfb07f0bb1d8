#pragma once
// The library's hidden message window, private message numbers and the main-thread call queue.

#include <exception>

#include "os/OS.Messages.h"
#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Threads.h"

// Handlers set Handled to stop the dispatch (and the default processing).
using TZCLMessageHandler = TDelegate<void(TMessage& Message, bool& Handled)>;
using TZCLWndMethod = TDelegate<void(TMessage& Message)>;

// Main thread only (EInvalidOperation elsewhere). The class is (re)registered with the default
// window procedure; a non-empty Method then receives every message of the window.
HWND zcWndCreate(TZCLWndMethod Method, StringView ClassName, bool MessageOnly = true, StringView WindowName = u"");
// Nil-safe.
void zcWndFree(HWND Window);
// A hidden WS_POPUP tool window of the class whose messages go to Method; MessageOnly false keeps
// it among the top-level windows, so that broadcasts reach it. Main thread only.
inline HWND AllocateMessageWindow(TZCLWndMethod Method, StringView ClassName, bool MessageOnly = true,
                                  StringView WindowName = u"") {
  return zcWndCreate(Method, ClassName, MessageOnly, WindowName);
}
// Destroys such a window with its method. Nil-safe.
inline void DestroyMessageWindow(HWND Window) { zcWndFree(Window); }
void zcWndDefaultProc(HWND Window, TMessage& Message);
// Dispatches the window's queued messages within the range until none is left.
void zcProcessMessages(HWND Window, UINT FirstMessage, UINT LastMessage);
void zcProcessMessages(HWND Window, UINT Message);
// Drops the window's queued messages of that number without dispatching them.
void zcRemoveMessages(HWND Window, UINT Message);
LRESULT SendWindowMessage(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);
bool PostWindowMessage(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam);

class TZCLMessaging {
 public:
  // 1025 plus the name's index in registration order; names compare ignoring case.
  static UINT RegisterMessage(StringView Name);
  // The handler added last is asked first.
  static void HandlerAdd(TZCLMessageHandler Handler);
  static void HandlerRemove(TZCLMessageHandler Handler);
  static bool PostMessage(UINT Message, WPARAM WParam, LPARAM LParam);
  static LRESULT SendMessage(UINT Message, WPARAM WParam, LPARAM LParam);
  static HWND GetWindow();

  static void Initialize();
  static void Finalize();
};

// Calls that run on the main thread. Queued calls run first in, first out, each time the main
// thread dispatches the messaging window's messages; waited calls from workers are sent and block
// the worker until the main thread serves sent messages.
//
// An exception of a queued call goes to QueuedCallExceptionHandler and the queue goes on; an
// exception of a waited call is raised again in the waiting thread.
class TZCLMainThread {
 public:
  static void Run(TThreadMethod Method, bool WaitFor = true, TObject* Sender = nullptr);
  static void RunProc(TThreadProcedure Proc, bool WaitFor = true, TObject* Sender = nullptr);
  static void Queue(TThreadMethod Method, TObject* Sender = nullptr) { Run(Method, false, Sender); }
  static void QueueProc(TThreadProcedure Proc, TObject* Sender = nullptr) { RunProc(std::move(Proc), false, Sender); }
  // Drops the queued calls of exactly this method (code and object) without running them.
  static void RemoveQueuedMethod(TThreadMethod Method);
  // Drops the calls queued for Sender without running them.
  static void RemoveQueuedFor(TObject* Sender);
  // Main thread only (EArgumentException elsewhere): runs pending Synchronize calls, then the queue.
  static void CheckSynchronize();
  static UINT GetMessageNumber();
  static Integer GetQueuedCount();

  static void Initialize();
  static void Finalize();

 private:
  struct TSynchronizeRecord;
  static void RunCore(TSynchronizeRecord* Record, bool WaitFor);
  static void ExecuteRecord(TSynchronizeRecord* Record);
  static void ProcessQueue();
  static void HandleMessage(TMessage& Message, bool& Handled);
};

enum class TZCLThreadCallMode { Direct = 0, MainThreadWait = 1, MainThreadQueue = 2 };

// A completion notice that chooses its thread when called.
struct TZCLThreadCallback {
  TThreadMethod Method;
  // Nothing when Method is empty.
  void Call(TZCLThreadCallMode Mode) const;
  // True: MainThreadWait; False: Direct.
  void Call(bool InMainThread) const {
    Call(InMainThread ? TZCLThreadCallMode::MainThreadWait : TZCLThreadCallMode::Direct);
  }
};
