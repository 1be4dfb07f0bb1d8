#pragma once
// A plugin implemented inside the program: it is its own header, so it needs no library and no
// export. Visualizations implemented in the program derive from it.

#include "zeph/core/ZEPH.Plugins.Presenter.h"
#include "zeph/core/ZEPH.Plugins.h"

class TZEPHCustomWrappedPlugin : public TZEPHPlugin, public IZEPHPlugin {
  ZCL_CLASS(TZEPHCustomWrappedPlugin, TZEPHPlugin)
 public:
  // A zero handle and an empty file name: destruction frees no library.
  TZEPHCustomWrappedPlugin() : TZEPHPlugin(nullptr, String()) {}
  TZEPHCustomWrappedPlugin(HMODULE AHandle, const String& AFileName) : TZEPHPlugin(AHandle, AFileName) {}

  IZEPHPlugin* GetHeader() override { return this; }

  using TZEPHPlugin::QueryInterface;
  // IZEPHPlugin; not counted, the owner keeps the object.
  int32_t QueryInterface(const ZEPHPluginGUID& IID, void** Obj) override;
  int32_t AddRef() override { return -1; }
  int32_t Release() override { return -1; }
  // 0 the name, 1..3 the texts, else null. Points into the object's own text.
  const char16_t* GetInfo(int32_t Index) override;
  uint32_t GetCategories() override { return DoGetCategories(); }
  // Core is a presenter's plugin core (TZEPHPluginPresenter::GetPluginCore) or null.
  int32_t Initialize(IZEPHPluginCore* Core) override {
    return DoInitialize(TZEPHPluginPresenter::FromPluginCore(Core));
  }
  void Finalize() override { DoFinalize(); }
  // The host notifies through NotifyHeader, with the program's object.
  void SystemNotify(int32_t Code, IZEPHPluginUnknown*) override { DoSystemNotify(Code, nullptr); }

  // The host's GetInfo and GetCategories are reached through a TZEPHPlugin pointer.

  String InfoText1;
  String InfoText2;
  String InfoText3;
  String InfoName;

 protected:
  void NotifyHeader(Integer Code, IInterface* Object) override { DoSystemNotify(Code, Object); }
  virtual Cardinal DoGetCategories() = 0;
  virtual HRESULT DoInitialize(IZEPHCore*) { return S_OK; }
  virtual void DoFinalize() {}
  virtual void DoSystemNotify(Integer, IInterface*) {}
};
