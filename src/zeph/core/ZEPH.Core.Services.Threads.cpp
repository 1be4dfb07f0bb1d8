#include "zeph/core/ZEPH.Core.Services.Threads.h"

#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Utils.Messaging.h"

LongBool TZEPHCoreAsyncTaskOwner::IsCanceled() { return FTask->IsCanceled() ? LongTrue : LongFalse; }

namespace {
// Runs one plugin task on a pool thread.
class TAsyncTask : public TZEPHCoreAsyncTask {
  ZCL_CLASS(TAsyncTask, TZEPHCoreAsyncTask)
 public:
  explicit TAsyncTask(IZEPHTask* ATask) : FTask(ATask), FPriority(TZEPHCoreServiceThreads::PriorityOf(ATask)) {}
  void Execute() override { FTask->Execute(GetOwner()); }
  TZCLTaskPriority GetPriority() override { return FPriority; }

 private:
  IPtr<IZEPHTask> FTask;
  TZCLTaskPriority FPriority;
};

// The owner of one main-thread call: never cancelled.
class TSyncTask : public TZCLUnknownObject, public IZEPHTaskOwner {
  ZCL_CLASS(TSyncTask, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZEPHTaskOwner)
 public:
  LongBool IsCanceled() override { return LongFalse; }
};

class TDeprecatedTaskOwnerAdapter : public TInterfacedObject, public IZEPHDeprecatedTaskOwner {
  ZCL_CLASS(TDeprecatedTaskOwnerAdapter, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHDeprecatedTaskOwner)
 public:
  explicit TDeprecatedTaskOwnerAdapter(IZEPHTaskOwner* AOwner) : FOwner(AOwner) {}
  LongBool IsCanceled() override { return FOwner && FOwner->IsCanceled() ? LongTrue : LongFalse; }

 private:
  IPtr<IZEPHTaskOwner> FOwner;
};

// An older task seen as a task; its priority interface, when it has one, is handed out as is.
class TDeprecatedTaskAdapter : public TInterfacedObject, public IZEPHTask {
  ZCL_CLASS(TDeprecatedTaskAdapter, TInterfacedObject)
 public:
  explicit TDeprecatedTaskAdapter(IZEPHDeprecatedTask* ATask) : FTask(ATask) {}
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override {
    if (InterfaceTableQuery<IZEPHTask>(this, IID, Obj)) return S_OK;
    if (IID == IIDOf<IZEPHTaskPriority>()) return FTask->QueryInterface(IID, Obj);
    return TInterfacedObject::QueryInterface(IID, Obj);
  }
  void Execute(IZEPHTaskOwner* Owner) override {
    IPtr<IZEPHDeprecatedTaskOwner> owner(Create<TDeprecatedTaskOwnerAdapter>(Owner));
    FTask->Execute(owner.get());
  }

 private:
  IPtr<IZEPHDeprecatedTask> FTask;
};
}  // namespace

TZCLTaskPriority TZEPHCoreServiceThreads::PriorityOf(IZEPHTask* Task) {
  IPtr<IZEPHTaskPriority> priority;
  if (!Supports(Task, priority)) return TZCLTaskPriority::Normal;
  switch (priority->GetPriority()) {
    case 1: return TZCLTaskPriority::Low;
    case 2: return TZCLTaskPriority::High;
    default: return TZCLTaskPriority::Normal;
  }
}

HRESULT TZEPHCoreServiceThreads::ExecuteInMainThread(IZEPHTask* Task, Integer Flags) {
  if (!Task) return E_INVALIDARG;
  try {
    IPtr<IZEPHTask> task(Task);
    TZCLMainThread::RunProc(
        [task] {
          TSyncTask owner;
          task->Execute(&owner);
        },
        (Flags & ZEPH_THREADS_WAIT) != 0);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCoreServiceThreads::ExecuteInThread(IZEPHTask* Task, TZEPHTaskHandle& TaskHandle) {
  if (!Task) return E_INVALIDARG;
  try {
    TaskHandle = TaskDispatcher()->Run(Create<TAsyncTask>(Task));
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCoreServiceThreads::Cancel(TZEPHTaskHandle TaskHandle, Integer Flags) {
  try {
    return TaskDispatcher()->Cancel(TaskHandle, (Flags & ZEPH_THREADS_WAIT) != 0) ? S_OK : E_INVALIDARG;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCoreServiceThreads::WaitFor(TZEPHTaskHandle TaskHandle) {
  try {
    return TaskDispatcher()->WaitFor(TaskHandle) ? S_OK : E_INVALIDARG;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCoreServiceThreads::Execute(IZEPHDeprecatedTask* Task, TZEPHTaskHandle& TaskHandle) {
  if (!Task) return E_INVALIDARG;
  try {
    IPtr<IZEPHTask> adapter(Create<TDeprecatedTaskAdapter>(Task));
    return ExecuteInThread(adapter.get(), TaskHandle);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCoreServiceThreads::ExecuteInMainThread(IZEPHDeprecatedTask* Task, LongBool ExecuteNow) {
  if (!Task) return E_INVALIDARG;
  try {
    IPtr<IZEPHTask> adapter(Create<TDeprecatedTaskAdapter>(Task));
    return ExecuteInMainThread(adapter.get(), ExecuteNow ? ZEPH_THREADS_WAIT : 0);
  } catch (...) {
    return E_UNEXPECTED;
  }
}
