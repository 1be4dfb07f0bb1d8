#include "zeph/core/ZEPH.Core.h"

#include <algorithm>
#include <atomic>

#include "zeph/core/ZEPH.Core.Config.h"
#include "zeph/core/ZEPH.Core.Messages.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"

namespace {
TZEPHCore* GCore = nullptr;
std::atomic<bool> GRunning{false};
TZEPHCoreServicesFactory GServicesFactory = nullptr;
}  // namespace

void SetCoreServicesFactory(TZEPHCoreServicesFactory Factory) { GServicesFactory = Factory; }

TZEPHCore::TZEPHCore() : FServicesLock(this, u"Core.Services") {
  FDispatcher = IPtr<IZEPHServiceMessageDispatcher>(Create<TZEPHCoreMessageDispatcher>());
  FDispatcher->Hook(this);
}

TZEPHCore::~TZEPHCore() {
  FDispatcher->Unhook(this);
  FStopProcs.clear();
  FStartProcs.clear();
  {
    std::vector<IPtr<IInterface>> services;
    {
      TZCLLockGuard guard(FServicesLock);
      services.swap(FServices);
    }
    // Released newest first, outside the lock: a service may call back into the core.
    while (!services.empty()) services.pop_back();
  }
  FFactories.clear();
  FDispatcher = nullptr;
}

TZEPHCore* TZEPHCore::Instance() {
  if (!GCore) GCore = Create<TZEPHCore>();
  return GCore;
}

TZEPHCore* TZEPHCore::InstanceIfExists() { return GCore; }

void TZEPHCore::FreeInstance() {
  TZEPHCore* core = GCore;
  GCore = nullptr;
  Free(core);
}

bool TZEPHCore::IsRunning() { return GRunning.load(); }
void TZEPHCore::SetRunning(bool Value) { GRunning.store(Value); }

HRESULT TZEPHCore::QueryInterface(const TGUID& IID, void** Obj) {
  if (InterfaceTableQuery<IZEPHMessageHook, IZEPHCore>(this, IID, Obj)) return S_OK;
  if (TZCLUnknownObject::QueryInterface(IID, Obj) == S_OK) return S_OK;
  return QueryService(IID, Obj) ? S_OK : E_NOINTERFACE;
}

bool TZEPHCore::QueryService(const TGUID& IID, void** Obj) {
  TZCLLockGuard guard(FServicesLock);
  for (const auto& service : FServices)
    if (service->QueryInterface(IID, Obj) >= 0) return true;
  if (Obj) *Obj = nullptr;
  return false;
}

IPtr<IInterface> TZEPHCore::FindService(const TGUID& IID) {
  // The service that answers IID first, as the core's own query finds it.
  TZCLLockGuard guard(FServicesLock);
  for (const auto& service : FServices)
    if (service->QueryInterface(IID, nullptr) >= 0) return service;
  return nullptr;
}

HRESULT TZEPHCore::CreateObject(const TGUID& IID, void** Obj) {
  auto factory = FFactories.find(IID);
  if (factory != FFactories.end()) {
    IPtr<IInterface> object;
    factory->second(object);
    if (!object) return E_NOINTERFACE;
    return object->QueryInterface(IID, Obj);
  }
  HRESULT result = E_NOINTERFACE;
  TZCLLockGuard guard(FServicesLock);
  for (const auto& service : FServices) {
    IPtr<IZEPHServiceAttrObjects> objects;
    if (!Supports(service, objects)) continue;
    result = objects->CreateObject(IID, Obj);
    if (result >= 0) break;
  }
  return result;
}

HRESULT TZEPHCore::GetPath(Integer Kind, IPtr<IZEPHString>& S) {
  S = nullptr;
  const String path = CoreConfigGetPath(Kind);
  if (path.empty()) return E_INVALIDARG;
  S = IPtr<IZEPHString>(Create<TZEPHStringAdapter>(path));
  return S_OK;
}

HRESULT TZEPHCore::RegisterExtension(const TGUID& ServiceIID, IInterface* Extension) {
  IPtr<IInterface> service = FindService(ServiceIID);
  if (!service) return E_NOINTERFACE;
  IPtr<IZEPHServiceAttrExtendable> extendable;
  if (!Supports(service, extendable)) return E_NOINTERFACE;
  try {
    extendable->RegisterExtension(Extension);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHCore::RemoveExtension(IInterface* Service, IInterface* Extension) {
  IPtr<IZEPHServiceAttrExtendable> extendable;
  if (!Supports(Service, extendable)) return E_HANDLE;
  extendable->UnregisterExtension(Extension);
  SystemNotify(CORE_NOTIFY_EXTENSION_REMOVED, Extension);
  return S_OK;
}

HRESULT TZEPHCore::UnregisterExtension(IInterface* Extension) {
  TZCLLockGuard guard(FServicesLock);
  const std::vector<IPtr<IInterface>> services = FServices;
  for (const auto& service : services) RemoveExtension(service.get(), Extension);
  return S_OK;
}

HRESULT TZEPHCore::UnregisterServiceExtension(const TGUID& ServiceIID, IInterface* Extension) {
  IPtr<IInterface> service = FindService(ServiceIID);
  if (!service) return E_NOINTERFACE;
  return RemoveExtension(service.get(), Extension);
}

HRESULT TZEPHCore::RegisterService(IInterface* Service) {
  {
    TZCLLockGuard guard(FServicesLock);
    FServices.emplace_back(Service);
  }
  SystemNotify(CORE_NOTIFY_SERVICE_REGISTERED, Service);
  return S_OK;
}

HRESULT TZEPHCore::UnregisterService(IInterface* Service) {
  IPtr<IInterface> keep(Service);
  {
    TZCLLockGuard guard(FServicesLock);
    auto pos = std::find(FServices.begin(), FServices.end(), Service);
    if (pos == FServices.end()) return E_HANDLE;
    FServices.erase(pos);
  }
  SystemNotify(CORE_NOTIFY_SERVICE_UNREGISTERED, Service);
  return S_OK;
}

void TZEPHCore::SystemNotify(Integer Code, IInterface* Object) {
  TZCLLockGuard guard(FServicesLock);
  const std::vector<IPtr<IInterface>> services = FServices;
  for (const auto& service : services) {
    IPtr<IZEPHCoreSystemNotification> listener;
    if (Supports(service, listener)) listener->Notify(Code, Object);
  }
}

Integer TZEPHCore::GetServiceCount() {
  TZCLLockGuard guard(FServicesLock);
  return static_cast<Integer>(FServices.size());
}

void TZEPHCore::CoreMessage(Cardinal Message, Integer Param1, void* Param2, HRESULT& Result) {
  // A read through a missing or unusable pointer answers the writer's error, not success.
  if (Message == ZEPH_PROP_4126 && Param1 == 0) Result = WriteIntParam(Param2, 0);
}

void TZEPHCore::RegisterCreateObjectProc(const TGUID& IID, TZEPHCoreCreateObjectProc Proc) { FFactories[IID] = Proc; }

void TZEPHCore::RegisterStartStopProcs(TThreadMethod StartProc, TThreadMethod StopProc) {
  if (StartProc) {
    if (IsRunning())
      StartProc();
    else
      FStartProcs.push_back(StartProc);
  }
  if (StopProc) FStopProcs.push_back(StopProc);
}

void TZEPHCore::UnregisterStopProc(TThreadMethod StopProc) {
  auto pos = std::find(FStopProcs.begin(), FStopProcs.end(), StopProc);
  if (pos == FStopProcs.end()) return;
  FStopProcs.erase(pos);
  if (IsRunning()) StopProc();
}

void TZEPHCore::CreateServices() {
  if (GServicesFactory) GServicesFactory(this);
  RegisterService(FDispatcher.get());
}

void TZEPHCore::RunStartProcs() {
  TZEPHAPIWrappers::Initialize(this);
  // Copied: a start procedure may register further procedures.
  const std::vector<TThreadMethod> procs = FStartProcs;
  for (const auto& proc : procs) proc();
  FStartProcs.clear();
}

void TZEPHCore::RunStopProcs() {
  TZEPHAPIWrappers::Finalize();
  const std::vector<TThreadMethod> procs = FStopProcs;
  for (auto it = procs.rbegin(); it != procs.rend(); ++it) (*it)();
  FStopProcs.clear();
}
