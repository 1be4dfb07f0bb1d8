#pragma once
// The core object of one plugin: forwards every IZEPHCore operation to the core and records what
// the plugin registers there, so that finalizing the plugin takes all of it back and a failing
// interface can be traced to its plugin. It also merges the plugin's "Langs" files into the
// application's language texts whenever a language is loaded.

#include <vector>

#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Threading.h"
#include "zeph/core/ZEPH.Core.Interfaces.h"
#include "zeph/core/ZEPH.Plugins.API.h"
#include "zeph/core/ZEPH.Plugins.Visuals.h"

class TZEPHPlugin;
class TZEPHPluginCoreBridge;

// A plugin library's object as the program sees it. The library's objects have the plain layout
// of the plugin API, which the program's interfaces (derived virtually from IInterface) do not
// share, so the program never calls them through its own declarations: this proxy forwards what
// the core asks of a service or an extension (extensions, system notifications, visualizations).
class TZEPHPluginObjectProxy : public TInterfacedObject,
                               public IZEPHServiceAttrExtendable,
                               public IZEPHCoreSystemNotification,
                               public IZEPHExtensionEmbeddedVisualization,
                               public IZEPHExtensionCustomVisualization {
  ZCL_CLASS(TZEPHPluginObjectProxy, TInterfacedObject)
 public:
  // Holds a reference to the object.
  explicit TZEPHPluginObjectProxy(IZEPHPluginUnknown* AObject);
  ~TZEPHPluginObjectProxy() override;
  // The program's interfaces the object answers in its own form; any other identifier only as a
  // test (a null Obj), so the core finds the service by it.
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;
  void RegisterExtension(IInterface* Extension) override;
  void UnregisterExtension(IInterface* Extension) override;
  void Notify(Integer Code, IInterface* Object) override;
  // Both visualization kinds; the embedded one's flags when the object is both.
  Cardinal GetFlags() override;
  HRESULT GetMaxDisplaySize(Integer& Width, Integer& Height) override;
  HRESULT GetName(IPtr<IZEPHString>& Name) override;
  HRESULT Initialize(Integer Width, Integer Height) override;
  void Finalize() override;
  void Click(Integer X, Integer Y, Integer Button) override;
  void Draw(HDC DC, const TZEPHVisualData* Data) override;
  void Resize(Integer Width, Integer Height) override;
  void Draw(const TZEPHVisualData* Data) override;
  IZEPHPluginUnknown* GetObject() const { return FObject; }
  // The plugin's own object behind a program interface; null for the program's objects.
  static IZEPHPluginUnknown* PluginObjectOf(IInterface* Interface);

 private:
  IZEPHPluginUnknown* FObject;
  IZEPHPluginServiceAttrExtendable* FExtendable = nullptr;
  IZEPHPluginCoreSystemNotification* FNotification = nullptr;
  IZEPHPluginEmbeddedVisualization* FEmbedded = nullptr;
  IZEPHPluginCustomVisualization* FCustom = nullptr;
  bool FAsked = false;
  void AskObject();
};

struct TZEPHPluginExtensionInfo {
  IPtr<IInterface> Extension;
  TGUID ServiceIID;
};

class TZEPHPluginExtensionInfoList : public std::vector<TZEPHPluginExtensionInfo> {
 public:
  bool ContainsInterface(IInterface* Interface) const;
};

// The file manager's part in taking a plugin back, installed by the media layer; unset, both
// steps are skipped.
struct TZEPHPluginFileManagerHooks {
  void (*ClearContainerCache)() = nullptr;
  void (*UnregisterFormat)(void* Handle) = nullptr;
};
void SetPluginFileManagerHooks(const TZEPHPluginFileManagerHooks& Hooks);

// Owned by its plugin; interface queries are not counted.
class TZEPHPluginPresenter : public TZCLUnknownObject, public IZCLLocalizationListener2, public IZEPHCore {
  ZCL_CLASS(TZEPHPluginPresenter, TZCLUnknownObject)
 public:
  explicit TZEPHPluginPresenter(TZEPHPlugin* APlugin);
  ~TZEPHPluginPresenter() override;
  void AfterConstruction() override;

  // Own interfaces, then whatever the core answers (its own and every registered service).
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override;

  // IZEPHCore. Registrations answer E_ACCESSDENIED off the main thread.
  HRESULT CreateObject(const TGUID& IID, void** Obj) override;
  HRESULT GetPath(Integer Kind, IPtr<IZEPHString>& S) override;
  HRESULT RegisterExtension(const TGUID& ServiceIID, IInterface* Extension) override;
  HRESULT RegisterService(IInterface* Service) override;
  HRESULT UnregisterExtension(IInterface* Extension) override;

  // IZCLLocalizationListener2
  void LanguageChanged() override {}
  void LanguageLoaded() override { LoadLanguageFiles(); }

  // The plugin library's face of this core object (plain plugin API layout); lives as long as
  // the presenter.
  IZEPHPluginCore* GetPluginCore();
  // The presenter behind a core object from GetPluginCore; null for another object.
  static TZEPHPluginPresenter* FromPluginCore(IZEPHPluginCore* Core);

  // Takes back formats, extensions (newest first) and services (newest first).
  void UnregisterAll();
  bool OwnsInterface(IInterface* Interface);
  // Code 2: a service unregistered by someone else is forgotten.
  void SystemNotify(Integer Code, IInterface* Object);
  void LoadLanguageFiles();
  bool HasLangsFolder();

  const TZEPHPluginExtensionInfoList& GetExtensions() const { return FExtensions; }
  const std::vector<IPtr<IInterface>>& GetServices() const { return FServices; }
  std::vector<void*>& GetFormatHandles() { return FFormatHandles; }

 private:
  TZEPHPluginExtensionInfoList FExtensions;
  std::vector<void*> FFormatHandles;
  Byte FLangsFolderState = 0;
  TZEPHPlugin* FPlugin;
  std::vector<IPtr<IInterface>> FServices;
  TZCLCriticalSection* FLock = nullptr;
  TZEPHPluginCoreBridge* FBridge = nullptr;
};
