#pragma once
// The core service through which plugins create user interface: controls of
// every kind, forms, image lists, popup menus, tray icons and progress dialogs.
// The shared dialog objects and the look's objects are answered by its
// interface query.

#include <functional>
#include <unordered_map>
#include <vector>

#include "zcl/base/ZCL.Classes.h"
#include "zeph/core/ZEPH.Core.UI.h"

struct IZEPHUIForm;

struct IZEPHServiceUI : virtual IInterface {
  RTL_INTERFACE(IZEPHServiceUI, IInterface, "{7E2A1C40-5D11-4B8E-9F60-1A2B3C4D018C}")
  // Owner: a wrapper whose component owns the control, or null; Parent: a
  // windowed wrapper, or null; Name: the component name, or null.
  virtual HRESULT CreateControl(IInterface* Owner, IInterface* Parent, IZEPHString* Name, IInterface* EventsHandler,
                                const TGUID& IID, void** Obj) = 0;
  // Flags bit 0 embeds the form in OwnerWindow; Name is its section for
  // localization.
  virtual HRESULT CreateForm(HWND OwnerWindow, Integer Flags, IZEPHString* Name, IInterface* EventsHandler,
                             IPtr<IZEPHUIForm>& Form) = 0;
  // Owner: a form wrapper that keeps the new wrapper, or null.
  virtual HRESULT CreateObject(IInterface* Owner, IInterface* EventsHandler, const TGUID& IID, void** Obj) = 0;
};

class TZEPHCoreServiceUI : public TZCLInterfacedObject, public IZEPHServiceUI {
  ZCL_CLASS(TZEPHCoreServiceUI, TZCLInterfacedObject)
 public:
  using TControlFactory = std::function<TZEPHUIControl*(IInterface* EventsHandler, TComponent* Owner)>;
  using TComponentFactory = std::function<TZEPHUIComponent*(IInterface* EventsHandler, TComponent* Owner)>;

  TZEPHCoreServiceUI();
  ~TZEPHCoreServiceUI() override;
  // Own interfaces first, then the shared dialog and look objects in order.
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;

  HRESULT CreateControl(IInterface* Owner, IInterface* Parent, IZEPHString* Name, IInterface* EventsHandler,
                        const TGUID& IID, void** Obj) override;
  HRESULT CreateForm(HWND OwnerWindow, Integer Flags, IZEPHString* Name, IInterface* EventsHandler,
                     IPtr<IZEPHUIForm>& Form) override;
  HRESULT CreateObject(IInterface* Owner, IInterface* EventsHandler, const TGUID& IID, void** Obj) override;

  // Owns what is created without an owner.
  TComponent* GetDefaultOwner() const { return FDefaultOwner; }
  size_t GetControlClassCount() const { return FControlClasses.size(); }

 private:
  TComponent* OwnerComponent(IInterface* Owner) const;
  std::unordered_map<TGUID, TControlFactory> FControlClasses;
  std::unordered_map<TGUID, TComponentFactory> FComponentClasses;
  std::vector<IPtr<IInterface>> FExtraInterfaces;
  TComponent* FDefaultOwner;
};
