#include "zeph/core/ZEPH.Plugins.Presenter.h"

#include <algorithm>

#include "os/OS.Files.h"
#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zeph/core/ZEPH.Core.h"
#include "zeph/core/ZEPH.Plugins.h"

namespace {
TZEPHPluginFileManagerHooks GFileManagerHooks;
}  // namespace

void SetPluginFileManagerHooks(const TZEPHPluginFileManagerHooks& Hooks) { GFileManagerHooks = Hooks; }

bool TZEPHPluginExtensionInfoList::ContainsInterface(IInterface* Interface) const {
  return std::any_of(begin(), end(), [Interface](const auto& info) { return info.Extension.get() == Interface; });
}

TZEPHPluginPresenter::TZEPHPluginPresenter(TZEPHPlugin* APlugin) : FPlugin(APlugin) {}

void TZEPHPluginPresenter::AfterConstruction() {
  TZCLUnknownObject::AfterConstruction();
  FLock = Create<TZCLCriticalSection>(this, FPlugin->GetInfo(0));
  LangAddListener(IPtr<IInterface>(static_cast<IZCLLocalizationListener2*>(this)));
}

TZEPHPluginPresenter::~TZEPHPluginPresenter() {
  LangRemoveListener(IPtr<IInterface>(static_cast<IZCLLocalizationListener2*>(this)));
  Free(FLock);
  FFormatHandles.clear();
  FExtensions.clear();
  FServices.clear();
}

HRESULT TZEPHPluginPresenter::QueryInterface(const TGUID& IID, void** Obj) {
  try {
    if (InterfaceTableQuery<IZCLLocalizationListener2, IZCLLocalizationListener, IZEPHCore>(this, IID, Obj))
      return S_OK;
    if (TZCLUnknownObject::QueryInterface(IID, Obj) == S_OK) return S_OK;
    return TZEPHCore::Instance()->QueryInterface(IID, Obj) == S_OK ? S_OK : E_NOINTERFACE;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHPluginPresenter::CreateObject(const TGUID& IID, void** Obj) {
  try {
    return TZEPHCore::Instance()->CreateObject(IID, Obj);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHPluginPresenter::GetPath(Integer Kind, IPtr<IZEPHString>& S) {
  S = nullptr;
  try {
    return TZEPHCore::Instance()->GetPath(Kind, S);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHPluginPresenter::RegisterExtension(const TGUID& ServiceIID, IInterface* Extension) {
  if (!IsMainThread()) return E_ACCESSDENIED;
  TZCLLockGuard guard(*FLock);
  const HRESULT result = TZEPHCore::Instance()->RegisterExtension(ServiceIID, Extension);
  if (result >= 0) FExtensions.push_back({IPtr<IInterface>(Extension), ServiceIID});
  return result;
}

HRESULT TZEPHPluginPresenter::RegisterService(IInterface* Service) {
  if (!IsMainThread()) return E_ACCESSDENIED;
  TZCLLockGuard guard(*FLock);
  try {
    FServices.emplace_back(Service);
    return TZEPHCore::Instance()->RegisterService(Service);
  } catch (...) {
    return E_UNEXPECTED;
  }
}

HRESULT TZEPHPluginPresenter::UnregisterExtension(IInterface* Extension) {
  if (!IsMainThread()) return E_ACCESSDENIED;
  TZCLLockGuard guard(*FLock);
  HRESULT result = E_HANDLE;
  for (Integer i = static_cast<Integer>(FExtensions.size()) - 1; i >= 0; --i) {
    if (FExtensions[i].Extension.get() != Extension) continue;
    const TGUID iid = FExtensions[i].ServiceIID;
    // Keeps the extension alive while the service lets go of it.
    const IPtr<IInterface> keep = FExtensions[i].Extension;
    FExtensions.erase(FExtensions.begin() + i);
    TZEPHCore::Instance()->UnregisterServiceExtension(iid, Extension);
    result = S_OK;
  }
  return result;
}

void TZEPHPluginPresenter::UnregisterAll() {
  TZCLLockGuard guard(*FLock);
  if (GFileManagerHooks.ClearContainerCache) GFileManagerHooks.ClearContainerCache();
  for (void* handle : FFormatHandles) {
    try {
      if (GFileManagerHooks.UnregisterFormat) GFileManagerHooks.UnregisterFormat(handle);
    } catch (...) {
      FPlugin->HandleException(u"Unregister");
    }
  }
  TZEPHCore* core = TZEPHCore::Instance();
  for (auto it = FExtensions.rbegin(); it != FExtensions.rend(); ++it) {
    try {
      core->UnregisterServiceExtension(it->ServiceIID, it->Extension.get());
    } catch (...) {
      FPlugin->HandleException(u"Unregister " + GUIDToString(it->ServiceIID));
    }
  }
  // Walked on a copy: each unregistration notifies, and code 2 edits FServices.
  const std::vector<IPtr<IInterface>> services = FServices;
  for (auto it = services.rbegin(); it != services.rend(); ++it) {
    try {
      core->UnregisterService(it->get());
    } catch (...) {
      FPlugin->HandleException(u"UnregisterService");
    }
  }
  FFormatHandles.clear();
  FExtensions.clear();
  FServices.clear();
}

bool TZEPHPluginPresenter::OwnsInterface(IInterface* Interface) {
  if (std::any_of(FServices.begin(), FServices.end(), [Interface](const auto& s) { return s.get() == Interface; }))
    return true;
  return FExtensions.ContainsInterface(Interface);
}

void TZEPHPluginPresenter::SystemNotify(Integer Code, IInterface* Object) {
  if (Code != CORE_NOTIFY_SERVICE_UNREGISTERED) return;
  auto pos = std::find_if(FServices.begin(), FServices.end(), [Object](const auto& s) { return s.get() == Object; });
  if (pos != FServices.end()) FServices.erase(pos);
}

bool TZEPHPluginPresenter::HasLangsFolder() {
  if (FLangsFolderState == 0) FLangsFolderState = DirectoryExists(FPlugin->GetFolder() + u"Langs/") ? 2 : 1;
  return FLangsFolderState == 2;
}

void TZEPHPluginPresenter::LoadLanguageFiles() {
  if (!HasLangsFolder()) return;
  const String folder = FPlugin->GetFolder() + u"Langs/";
  TZCLIniFile* ini = Create<TZCLIniFile>(folder + u"English.lng", false);
  try {
    TZCLLocalization* lang = LangFile();
    const String current = folder + lang->GetShortFileName();
    if (FileExists(current)) ini->MergeFile(current, true);
    lang->Merge(ini, false);
  } catch (...) {
    Free(ini);
    throw;
  }
  Free(ini);
}
