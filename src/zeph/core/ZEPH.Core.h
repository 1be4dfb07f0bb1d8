#pragma once
// The player-side core object: object factories by interface identifier, the service registry,
// extensions of services, start and stop procedures and the message dispatcher. Every
// player-side unit registers into it while the program initializes and looks things up in it.

#include <unordered_map>
#include <vector>

#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Threading.h"
#include "zeph/core/ZEPH.Core.Interfaces.h"

class TZEPHCoreMessageDispatcher;

// Creates a new object and hands it out as a plain interface (with one reference for the caller).
using TZEPHCoreCreateObjectProc = void (*)(IPtr<IInterface>& Obj);

// Lifetime by the singleton holder: interface references never free it.
class TZEPHCore : public TZCLUnknownObject, public IZEPHMessageHook, public IZEPHCore {
  ZCL_CLASS(TZEPHCore, TZCLUnknownObject)
 public:
  TZEPHCore();
  ~TZEPHCore() override;

  // The singleton, created on first use.
  static TZEPHCore* Instance();
  // Null while there is none.
  static TZEPHCore* InstanceIfExists();
  static void FreeInstance();
  // True from the end of start-up to the start of shut-down.
  static bool IsRunning();
  static void SetRunning(bool Value);

  // Own interfaces first; then the registered services in registration order.
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;

  // IZEPHCore
  HRESULT CreateObject(const TGUID& IID, void** Obj) override;
  HRESULT GetPath(Integer Kind, IPtr<IZEPHString>& S) override;
  HRESULT RegisterExtension(const TGUID& ServiceIID, IInterface* Extension) override;
  HRESULT RegisterService(IInterface* Service) override;
  HRESULT UnregisterExtension(IInterface* Extension) override;
  // IZEPHMessageHook: reading property 4126 answers 0.
  void CoreMessage(Cardinal Message, Integer Param1, void* Param2, HRESULT& Result) override;

  // A second registration of an identifier replaces the first.
  void RegisterCreateObjectProc(const TGUID& IID, TZEPHCoreCreateObjectProc Proc);
  HRESULT UnregisterService(IInterface* Service);
  HRESULT UnregisterServiceExtension(const TGUID& ServiceIID, IInterface* Extension);
  // Start procedures run at once while the core runs, else at start-up in registration order;
  // stop procedures run at shut-down in reverse order.
  void RegisterStartStopProcs(TThreadMethod StartProc, TThreadMethod StopProc);
  // Removes the first occurrence; runs it at once when it was registered and the core runs.
  void UnregisterStopProc(TThreadMethod StopProc);

  // Start-up and shut-down (ZEPH.Core.Config) call these once each.
  void CreateServices();
  void RunStartProcs();
  void RunStopProcs();

  IZEPHServiceMessageDispatcher* GetDispatcher() const { return FDispatcher.get(); }
  Integer GetServiceCount();
  // The first registered service that answers IID (asked without taking a reference).
  IPtr<IInterface> FindService(const TGUID& IID);

 private:
  bool QueryService(const TGUID& IID, void** Obj);
  HRESULT RemoveExtension(IInterface* Service, IInterface* Extension);
  void SystemNotify(Integer Code, IInterface* Object);

  std::vector<TThreadMethod> FStopProcs;
  std::vector<TThreadMethod> FStartProcs;
  IPtr<IZEPHServiceMessageDispatcher> FDispatcher;
  std::unordered_map<TGUID, TZEPHCoreCreateObjectProc> FFactories;
  TZCLCriticalSection FServicesLock;
  std::vector<IPtr<IInterface>> FServices;
};

// Creates the services of the core; set by the services unit so that the core does not depend
// on it. Each registers itself with RegisterService.
using TZEPHCoreServicesFactory = void (*)(TZEPHCore* Core);
void SetCoreServicesFactory(TZEPHCoreServicesFactory Factory);
