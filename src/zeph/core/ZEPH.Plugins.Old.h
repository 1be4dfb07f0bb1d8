#pragma once
// The core object of the older plugin interface generation: maps its operations onto the
// message dispatcher and answers interface queries from a list of legacy services.

#include "rtl/RTL.Lists.h"
#include "zeph/core/ZEPH.Core.Interfaces.h"

#pragma pack(push, 1)
struct TZEPHCoreUnitVersion {
  Cardinal Version;
  Cardinal Build;
  Integer BuildDate;  // DOS date-time
  const Char* Extra;
};
#pragma pack(pop)
static_assert(sizeof(TZEPHCoreUnitVersion) == 20);

struct IZEPHCoreUnit : virtual IInterface {
  RTL_INTERFACE(IZEPHCoreUnit, IInterface, "{5B0C7E21-3A94-4D6F-8E12-C0A1B2D3E4F5}")
  virtual HRESULT GetVersion(TZEPHCoreUnitVersion& Version) = 0;
  virtual HRESULT HookMessages(IZEPHMessageHook* Hook) = 0;
  virtual Cardinal RegisterMessage(const Char* Name) = 0;
  virtual HRESULT SendMessage(Cardinal Message, Integer Param1, void* Param2) = 0;
  virtual HRESULT UnhookMessages(IZEPHMessageHook* Hook) = 0;
};

class TZEPHOldCoreUnit : public TInterfacedObject, public IZEPHMessageHook, public IZEPHCoreUnit {
  ZCL_CLASS(TZEPHOldCoreUnit, TInterfacedObject)
 public:
  TZEPHOldCoreUnit();
  ~TZEPHOldCoreUnit() override;

  // Own interfaces first, then the first listed service that supports IID.
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;

  HRESULT GetVersion(TZEPHCoreUnitVersion& Version) override;
  HRESULT HookMessages(IZEPHMessageHook* Hook) override;
  Cardinal RegisterMessage(const Char* Name) override;
  HRESULT SendMessage(Cardinal Message, Integer Param1, void* Param2) override;
  HRESULT UnhookMessages(IZEPHMessageHook* Hook) override;
  // Command 10 is available; command 10 toggles property 4121.
  void CoreMessage(Cardinal Message, Integer Param1, void* Param2, HRESULT& Result) override;

  IInterfaceList* GetServices() const { return FServices.get(); }

  // The process-wide instance, null when none.
  static TZEPHOldCoreUnit* Instance();
  // Makes Unit the process-wide instance (a host's step).
  static void SetInstance(TZEPHOldCoreUnit* Unit);
  // Releases the process-wide reference.
  static void Unregister();

 private:
  IPtr<IInterfaceList> FServices;
};
