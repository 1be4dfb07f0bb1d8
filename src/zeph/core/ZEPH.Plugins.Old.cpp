#include "zeph/core/ZEPH.Plugins.Old.h"

#include "zeph/core/ZEPH.Core.Messages.h"
#include "zeph/core/ZEPH.Core.Version.h"
#include "zeph/core/ZEPH.Core.h"

namespace {
TZEPHOldCoreUnit* GInstance = nullptr;
IPtr<IZEPHCoreUnit> GInstanceRef;
const Char GEmptyText[1] = {0};
}  // namespace

TZEPHOldCoreUnit::TZEPHOldCoreUnit() : FServices(Create<TInterfaceList>()) {}

TZEPHOldCoreUnit::~TZEPHOldCoreUnit() {
  if (GInstance == this) GInstance = nullptr;
  FServices = nullptr;
}

HRESULT TZEPHOldCoreUnit::QueryInterface(const TGUID& IID, void** Obj) {
  if (InterfaceTableQuery<IZEPHMessageHook, IZEPHCoreUnit>(this, IID, Obj)) return S_OK;
  if (TInterfacedObject::QueryInterface(IID, Obj) == S_OK) return S_OK;
  FServices->Lock();
  HRESULT result = E_NOINTERFACE;
  try {
    for (Integer i = 0; i < FServices->GetCount(); ++i)
      if (FServices->Get(i)->QueryInterface(IID, Obj) == S_OK) {
        result = S_OK;
        break;
      }
  } catch (...) {
    FServices->Unlock();
    throw;
  }
  FServices->Unlock();
  if (result != S_OK && Obj) *Obj = nullptr;
  return result;
}

HRESULT TZEPHOldCoreUnit::GetVersion(TZEPHCoreUnitVersion& Version) {
  try {
    Version.Version = static_cast<Cardinal>(CoreVersionID());
    Version.Build = static_cast<Cardinal>(CoreBuildNumber());
    Version.BuildDate = CoreBuildDate();
    Version.Extra = GEmptyText;
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHOldCoreUnit::HookMessages(IZEPHMessageHook* Hook) {
  return TZEPHCore::Instance()->GetDispatcher()->Hook(Hook);
}

Cardinal TZEPHOldCoreUnit::RegisterMessage(const Char* Name) {
  return TZEPHCore::Instance()->GetDispatcher()->RegisterMessage(Name ? String(Name) : String());
}

HRESULT TZEPHOldCoreUnit::SendMessage(Cardinal Message, Integer Param1, void* Param2) {
  return CoreSendMessage(Message, Param1, Param2);
}

HRESULT TZEPHOldCoreUnit::UnhookMessages(IZEPHMessageHook* Hook) {
  return TZEPHCore::Instance()->GetDispatcher()->Unhook(Hook);
}

void TZEPHOldCoreUnit::CoreMessage(Cardinal Message, Integer Param1, void*, HRESULT& Result) {
  if (Message == ZEPH_CMD_IS_ENABLED) {
    if (Param1 == static_cast<Integer>(ZEPH_CMD_TOGGLE_4121)) Result = S_OK;
  } else if (Message == ZEPH_CMD_TOGGLE_4121) {
    Result = CorePropertyToggle(ZEPH_PROP_4121) ? S_OK : E_NOTIMPL;
  }
}

TZEPHOldCoreUnit* TZEPHOldCoreUnit::Instance() { return GInstance; }

void TZEPHOldCoreUnit::SetInstance(TZEPHOldCoreUnit* Unit) {
  GInstance = Unit;
  GInstanceRef = IPtr<IZEPHCoreUnit>(Unit);
}

void TZEPHOldCoreUnit::Unregister() { GInstanceRef = nullptr; }
