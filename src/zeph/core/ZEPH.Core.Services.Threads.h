#pragma once
// The threads service: runs plugin tasks on the main thread or on the task pool, and cancels or
// waits for pool tasks by handle.

#include "zcl/base/ZCL.Threading.Pool.h"
#include "zeph/core/ZEPH.Core.Interfaces.h"

class TZEPHCoreAsyncTask;

// The task owner a pool task hands to the code it runs: cancelled when the pool task is.
class TZEPHCoreAsyncTaskOwner : public TNoRefCountObject, public IZEPHTaskOwner {
  ZCL_CLASS(TZEPHCoreAsyncTaskOwner, TNoRefCountObject)
  RTL_INTERFACES(TNoRefCountObject, IZEPHTaskOwner)
 public:
  explicit TZEPHCoreAsyncTaskOwner(TZEPHCoreAsyncTask* ATask) : FTask(ATask) {}
  LongBool IsCanceled() override;

 private:
  TZEPHCoreAsyncTask* FTask;
};

// A pool task that is its own task owner (through GetOwner, which lives as long as the task). The
// base of the program's background tasks that plugins' code runs in.
class TZEPHCoreAsyncTask : public TZCLTask {
  ZCL_CLASS(TZEPHCoreAsyncTask, TZCLTask)
 public:
  TZEPHCoreAsyncTask() : FOwner(this) {}
  IZEPHTaskOwner* GetOwner() { return &FOwner; }

 private:
  TZEPHCoreAsyncTaskOwner FOwner;
};

class TZEPHCoreServiceThreads : public TInterfacedObject,
                                public IZEPHServiceThreads,
                                public IZEPHDeprecatedServiceThreadPool,
                                public IZEPHDeprecatedServiceSynchronizer {
  ZCL_CLASS(TZEPHCoreServiceThreads, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHServiceThreads, IZEPHDeprecatedServiceThreadPool,
                 IZEPHDeprecatedServiceSynchronizer)
 public:
  HRESULT ExecuteInMainThread(IZEPHTask* Task, Integer Flags) override;
  HRESULT ExecuteInThread(IZEPHTask* Task, TZEPHTaskHandle& TaskHandle) override;
  // Handles of finished tasks, and handles the pool never gave, are harmless.
  HRESULT Cancel(TZEPHTaskHandle TaskHandle, Integer Flags) override;
  HRESULT WaitFor(TZEPHTaskHandle TaskHandle) override;
  HRESULT Execute(IZEPHDeprecatedTask* Task, TZEPHTaskHandle& TaskHandle) override;
  HRESULT ExecuteInMainThread(IZEPHDeprecatedTask* Task, LongBool ExecuteNow) override;

  // The pool priority of a plugin task: 1 low, 2 high, anything else (or none) normal.
  static TZCLTaskPriority PriorityOf(IZEPHTask* Task);
};
