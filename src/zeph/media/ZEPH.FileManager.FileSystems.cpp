#include "zeph/media/ZEPH.FileManager.FileSystems.h"

#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"

IPtr<IInterface> TZEPHContentFileSystem::DoGetValueAsObject(Integer PropertyID) {
  if (PropertyID == 1) return IPtr<IInterface>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(u"content")));
  return inherited::DoGetValueAsObject(PropertyID);
}

TZEPHServiceFileSystems::TZEPHServiceFileSystems() {
  IPtr<IZEPHExtensionFileSystem> content(Create<TZEPHContentFileSystem>());
  RegisterExtension(content.get());
}

void TZEPHServiceFileSystems::RegisterExtension(IInterface* Extension) {
  try {
    IPtr<IZEPHExtensionFileSystem> fileSystem;
    if (!Supports(Extension, fileSystem)) return;
    void* value = nullptr;
    if (Failed(fileSystem->GetValueAsObject(1, IIDOf<IZEPHString>(), &value)) || !value) return;
    IPtr<IZEPHString> scheme = IPtr<IZEPHString>::Adopt(static_cast<IZEPHString*>(value));
    const String text = PluginStringToStr(scheme.get());
    if (!text.empty()) FSchemes.try_emplace(text, IPtr<IInterface>(Extension));
  } catch (const Exception&) {
    // A file system whose scheme cannot be read stays out.
  }
}

void TZEPHServiceFileSystems::UnregisterExtension(IInterface* Extension) {
  for (auto it = FSchemes.begin(); it != FSchemes.end();) {
    if (it->second.get() == Extension)
      it = FSchemes.erase(it);
    else
      ++it;
  }
}

bool TZEPHServiceFileSystems::IsSchemeRegistered(const String& Scheme) const {
  return !Scheme.empty() && FSchemes.count(Scheme) != 0;
}

HRESULT TZEPHServiceFileSystems::Get(const String& Name, const TGUID& IID, void** Obj) const {
  if (Obj) *Obj = nullptr;
  const String scheme = zcExtractURLScheme(Name);
  const auto it = scheme.empty() ? FSchemes.end() : FSchemes.find(scheme);
  if (it == FSchemes.end()) return E_FAIL;
  return it->second->QueryInterface(IID, Obj) == S_OK ? S_OK : E_NOINTERFACE;
}

HRESULT TZEPHServiceFileSystems::Get(IZEPHString* Name, const TGUID& IID, void** Obj) {
  try {
    return Get(PluginStringToStr(Name), IID, Obj);
  } catch (...) {
    if (Obj) *Obj = nullptr;
    return E_UNEXPECTED;
  }
}
