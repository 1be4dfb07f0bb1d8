#include "zcl/base/ZCL.Utils.Messaging.h"

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "os/OS.Windows.h"
#include "rtl/RTL.Exceptions.h"
#include "zcl/base/ZCL.Utils.Strings.h"

// ---- window routines -------------------------------------------------------------------------------

namespace {

// The window procedure of windows made with a method: the method lives in GWLP_USERDATA.
LRESULT MethodWndProc(HWND Window, UINT Msg, WPARAM WParam, LPARAM LParam) {
  auto* method = reinterpret_cast<TZCLWndMethod*>(GetWindowLongPtr(Window, GWLP_USERDATA));
  if (!method) return DefWindowProc(Window, Msg, WParam, LParam);
  TMessage message{Msg, WParam, LParam, 0};
  (*method)(message);
  return message.Result;
}

const WNDPROC DefaultProc = &DefWindowProc;

}  // namespace

HWND zcWndCreate(TZCLWndMethod Method, StringView ClassName, bool MessageOnly, StringView WindowName) {
  if (!IsMainThread()) throw EInvalidOperation(u"Cannot create window in non-main thread");
  WNDCLASS existing;
  const bool known = GetClassInfo(nullptr, ClassName, existing);
  if (!known || existing.lpfnWndProc != DefaultProc) {
    if (known) UnregisterClass(ClassName);
    WNDCLASS cls;
    cls.lpfnWndProc = DefaultProc;
    cls.lpszClassName = String(ClassName);
    RegisterClass(cls);
  }
  HWND window = CreateWindowEx(WS_EX_TOOLWINDOW, ClassName, WindowName, WS_POPUP, 0, 0, 0, 0,
                               MessageOnly ? HWND_MESSAGE : nullptr);
  if (window && Method.Assigned()) {
    SetWindowLongPtr(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new TZCLWndMethod(Method)));
    SetWindowLongPtr(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MethodWndProc));
  }
  return window;
}

void zcWndFree(HWND Window) {
  if (!Window) return;
  const auto proc = reinterpret_cast<WNDPROC>(GetWindowLongPtr(Window, GWLP_WNDPROC));
  auto* method = reinterpret_cast<TZCLWndMethod*>(GetWindowLongPtr(Window, GWLP_USERDATA));
  // The method stays reachable through WM_DESTROY and goes afterwards.
  DestroyWindow(Window);
  if (proc == &MethodWndProc) delete method;
}

void zcWndDefaultProc(HWND Window, TMessage& Message) {
  Message.Result = DefWindowProc(Window, Message.Msg, Message.WParam, Message.LParam);
}

void zcProcessMessages(HWND Window, UINT FirstMessage, UINT LastMessage) {
  MSG msg;
  while (PeekMessage(msg, Window, FirstMessage, LastMessage, PM_REMOVE)) {
    TranslateMessage(msg);
    DispatchMessage(msg);
  }
}

void zcProcessMessages(HWND Window, UINT Message) { zcProcessMessages(Window, Message, Message); }

void zcRemoveMessages(HWND Window, UINT Message) {
  MSG msg;
  while (PeekMessage(msg, Window, Message, Message, PM_REMOVE)) {
  }
}

LRESULT SendWindowMessage(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  return ::SendMessage(Window, Message, WParam, LParam);
}

bool PostWindowMessage(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  return ::PostMessage(Window, Message, WParam, LParam) != 0;
}

// ---- TZCLMessaging ---------------------------------------------------------------------------------

namespace {

struct TMessagingState {
  // Guards names and handlers; held while handlers run, so handlers may change the list on the
  // main thread while other threads wait for the dispatch to end.
  std::recursive_mutex Lock;
  std::vector<String> Names;
  std::vector<TZCLMessageHandler> Handlers;
  HWND Window = nullptr;
};

TMessagingState* GMessaging = nullptr;

TMessagingState& Messaging() {
  if (!GMessaging) throw EInvalidOperation(u"The messaging window does not exist");
  return *GMessaging;
}

void MessagingWndProc(TMessage& Message) {
  TMessagingState& state = *GMessaging;
  std::lock_guard guard(state.Lock);
  bool handled = false;
  // Index-based: a handler may remove handlers (itself included) while the dispatch runs.
  for (size_t i = state.Handlers.size(); i-- > 0;) {
    if (i >= state.Handlers.size()) continue;
    handled = false;
    try {
      TZCLMessageHandler handler = state.Handlers[i];
      handler(Message, handled);
    } catch (...) {
      QueuedCallExceptionHandler(std::current_exception());
      return;
    }
    if (handled) return;
  }
  zcWndDefaultProc(state.Window, Message);
}

}  // namespace

void TZCLMessaging::Initialize() {
  if (GMessaging) return;
  GMessaging = new TMessagingState();
  GMessaging->Window = zcWndCreate(TZCLWndMethod(&MessagingWndProc), u"TZCLMessaging");
}

void TZCLMessaging::Finalize() {
  if (!GMessaging) return;
  zcWndFree(GMessaging->Window);
  delete GMessaging;
  GMessaging = nullptr;
}

UINT TZCLMessaging::RegisterMessage(StringView Name) {
  TMessagingState& state = Messaging();
  std::lock_guard guard(state.Lock);
  for (size_t i = 0; i < state.Names.size(); ++i)
    if (zcSameText(state.Names[i], Name)) return static_cast<UINT>(1025 + i);
  state.Names.emplace_back(Name);
  return static_cast<UINT>(1025 + state.Names.size() - 1);
}

void TZCLMessaging::HandlerAdd(TZCLMessageHandler Handler) {
  TMessagingState& state = Messaging();
  std::lock_guard guard(state.Lock);
  state.Handlers.push_back(Handler);
}

void TZCLMessaging::HandlerRemove(TZCLMessageHandler Handler) {
  if (!GMessaging) return;
  std::lock_guard guard(GMessaging->Lock);
  auto& handlers = GMessaging->Handlers;
  for (size_t i = handlers.size(); i-- > 0;)
    if (handlers[i] == Handler) {
      handlers.erase(handlers.begin() + static_cast<std::ptrdiff_t>(i));
      return;
    }
}

bool TZCLMessaging::PostMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
  return PostWindowMessage(Messaging().Window, Message, WParam, LParam);
}

LRESULT TZCLMessaging::SendMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
  return SendWindowMessage(Messaging().Window, Message, WParam, LParam);
}

HWND TZCLMessaging::GetWindow() { return GMessaging ? GMessaging->Window : nullptr; }

// ---- TZCLMainThread --------------------------------------------------------------------------------

struct TZCLMainThread::TSynchronizeRecord {
  TThreadMethod Method;
  TThreadProcedure Proc;
  TObject* Sender = nullptr;
  // Waited calls: whether it ran, and what it raised, for the waiting thread.
  bool Ran = false;
  bool Waited = false;
  std::exception_ptr Error;
};

namespace {

struct TQueueState {
  std::mutex Lock;
  std::deque<void*> Records;
  UINT MessageNumber = 0;
};

TQueueState* GQueue = nullptr;

}  // namespace

void TZCLMainThread::Initialize() {
  if (GQueue) return;
  TZCLMessaging::Initialize();
  GQueue = new TQueueState();
  GQueue->MessageNumber = TZCLMessaging::RegisterMessage(u"TZCLMainThread");
  TZCLMessaging::HandlerAdd(TZCLMessageHandler(&TZCLMainThread::HandleMessage));
}

void TZCLMainThread::Finalize() {
  if (!GQueue) return;
  TZCLMessaging::HandlerRemove(TZCLMessageHandler(&TZCLMainThread::HandleMessage));
  for (void* record : GQueue->Records) delete static_cast<TSynchronizeRecord*>(record);
  delete GQueue;
  GQueue = nullptr;
}

UINT TZCLMainThread::GetMessageNumber() { return GQueue ? GQueue->MessageNumber : 0; }

Integer TZCLMainThread::GetQueuedCount() {
  if (!GQueue) return 0;
  std::lock_guard guard(GQueue->Lock);
  return static_cast<Integer>(GQueue->Records.size());
}

void TZCLMainThread::Run(TThreadMethod Method, bool WaitFor, TObject* Sender) {
  auto* record = new TSynchronizeRecord();
  record->Method = Method;
  record->Sender = Sender;
  RunCore(record, WaitFor);
}

void TZCLMainThread::RunProc(TThreadProcedure Proc, bool WaitFor, TObject* Sender) {
  auto* record = new TSynchronizeRecord();
  record->Proc = std::move(Proc);
  record->Sender = Sender;
  RunCore(record, WaitFor);
}

void TZCLMainThread::RunCore(TSynchronizeRecord* Record, bool WaitFor) {
  if (!Record) return;
  if (!GQueue) {
    delete Record;
    throw EInvalidOperation(u"The main-thread call queue does not exist");
  }
  if (!WaitFor) {
    {
      std::lock_guard guard(GQueue->Lock);
      GQueue->Records.push_back(Record);
    }
    TZCLMessaging::PostMessage(GQueue->MessageNumber, 0, 0);
    return;
  }
  std::unique_ptr<TSynchronizeRecord> owned(Record);
  Record->Waited = true;
  if (IsMainThread())
    ExecuteRecord(Record);
  else
    TZCLMessaging::SendMessage(GQueue->MessageNumber, 0, reinterpret_cast<LPARAM>(Record));
  if (Record->Error) std::rethrow_exception(Record->Error);
  if (!Record->Ran) throw EInvalidOperation(u"The main thread did not run the call");
}

void TZCLMainThread::ExecuteRecord(TSynchronizeRecord* Record) {
  if (!Record) return;
  try {
    if (Record->Method.Assigned()) Record->Method();
    if (Record->Proc) Record->Proc();
  } catch (...) {
    if (Record->Waited)
      Record->Error = std::current_exception();
    else
      QueuedCallExceptionHandler(std::current_exception());
  }
  Record->Ran = true;
  // Waited records belong to the waiting thread.
  if (!Record->Waited) delete Record;
}

void TZCLMainThread::ProcessQueue() {
  while (GQueue) {
    TSynchronizeRecord* record;
    {
      std::lock_guard guard(GQueue->Lock);
      if (GQueue->Records.empty()) return;
      record = static_cast<TSynchronizeRecord*>(GQueue->Records.front());
      GQueue->Records.pop_front();
    }
    ExecuteRecord(record);
  }
}

void TZCLMainThread::HandleMessage(TMessage& Message, bool& Handled) {
  if (!GQueue || Message.Msg != GQueue->MessageNumber) return;
  Handled = true;
  if (Message.LParam != 0)
    ExecuteRecord(reinterpret_cast<TSynchronizeRecord*>(Message.LParam));
  else
    ProcessQueue();
}

namespace {

// Drops the queued calls that Match selects. They are freed outside the lock: a procedure's
// captures may queue or drop calls when destroyed.
template <class TRecord, class TMatch>
void RemoveQueued(TMatch Match) {
  std::vector<TRecord*> dropped;
  {
    std::lock_guard guard(GQueue->Lock);
    auto& records = GQueue->Records;
    for (auto it = records.begin(); it != records.end();) {
      auto* record = static_cast<TRecord*>(*it);
      if (Match(*record)) {
        dropped.push_back(record);
        it = records.erase(it);
      } else {
        ++it;
      }
    }
  }
  for (auto* record : dropped) delete record;
}

}  // namespace

void TZCLMainThread::RemoveQueuedMethod(TThreadMethod Method) {
  if (!Method.Assigned() || !GQueue) return;
  RemoveQueued<TSynchronizeRecord>([&](const TSynchronizeRecord& R) { return R.Method == Method; });
}

void TZCLMainThread::RemoveQueuedFor(TObject* Sender) {
  if (!Sender || !GQueue) return;
  RemoveQueued<TSynchronizeRecord>([&](const TSynchronizeRecord& R) { return R.Sender == Sender; });
}

void TZCLMainThread::CheckSynchronize() {
  if (!IsMainThread()) throw EArgumentException(u"TZCLMainThread");
  ::CheckSynchronize(0);
  ProcessQueue();
}

// ---- TZCLThreadCallback ----------------------------------------------------------------------------

void TZCLThreadCallback::Call(TZCLThreadCallMode Mode) const {
  if (!Method.Assigned()) return;
  switch (Mode) {
    case TZCLThreadCallMode::Direct:
      Method();
      break;
    case TZCLThreadCallMode::MainThreadWait:
      TZCLMainThread::Run(Method, true, nullptr);
      break;
    default:
      TZCLMainThread::Run(Method, false, nullptr);
      break;
  }
}
