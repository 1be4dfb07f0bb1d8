#include "zeph/core/ZEPH.Plugins.Presenter.h"

#include <algorithm>
#include <atomic>

#include "os/OS.Files.h"
#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.h"
#include "zeph/core/ZEPH.Plugins.h"

namespace {
TZEPHPluginFileManagerHooks GFileManagerHooks;

bool Same(const ZEPHPluginGUID& A, const TGUID& B) {
  return A.D1 == B.D1 && A.D2 == B.D2 && A.D3 == B.D3 && std::equal(A.D4, A.D4 + 8, B.D4);
}
const TGUID& ProgramIID(const ZEPHPluginGUID& IID) { return *reinterpret_cast<const TGUID*>(&IID); }
const ZEPHPluginGUID& PluginIID(const TGUID& IID) { return *reinterpret_cast<const ZEPHPluginGUID*>(&IID); }

// A program text handed to a plugin library, in the plain layout of the plugin API.
class TZEPHPluginStringBridge final : public IZEPHPluginString {
 public:
  explicit TZEPHPluginStringBridge(IPtr<IZEPHString> AText) : FText(std::move(AText)) {}
  static IZEPHPluginString* Make(IPtr<IZEPHString> Text) {
    if (!Text) return nullptr;
    return new TZEPHPluginStringBridge(std::move(Text));
  }

  int32_t QueryInterface(const ZEPHPluginGUID& IID, void** Obj) override {
    if (Same(IID, IInterface::IID) || Same(IID, IZEPHString::IID)) {
      if (Obj) {
        AddRef();
        *Obj = static_cast<IZEPHPluginString*>(this);
      }
      return S_OK;
    }
    if (Obj) *Obj = nullptr;
    return E_NOINTERFACE;
  }
  int32_t AddRef() override { return ++FRefs; }
  int32_t Release() override {
    const int32_t refs = --FRefs;
    if (refs == 0) delete this;
    return refs;
  }
  int32_t GetChar(int32_t Index, char16_t& C) override { return FText->GetChar(Index, C); }
  const char16_t* GetData() override { return FText->GetData(); }
  int32_t GetLength() override { return FText->GetLength(); }
  int32_t GetHashCode() override { return FText->GetHashCode(); }
  int32_t SetChar(int32_t Index, char16_t C) override { return FText->SetChar(Index, C); }
  int32_t SetData(const char16_t* Chars, int32_t Count) override { return FText->SetData(Chars, Count); }
  int32_t Append(IZEPHPluginString* S) override { return S ? AppendChars(S->GetData(), S->GetLength()) : E_POINTER; }
  int32_t AppendChars(const char16_t* Chars, int32_t Count) override { return FText->AppendChars(Chars, Count); }
  int32_t ChangeCase(int32_t Mode) override { return FText->ChangeCase(Mode); }
  int32_t Clone(IZEPHPluginString*& S) override {
    S = nullptr;
    IPtr<IZEPHString> copy;
    const HRESULT result = FText->Clone(copy);
    if (result == S_OK) S = Make(copy);
    return result;
  }
  int32_t Compare(IZEPHPluginString* S, int32_t& Result, int32_t IgnoreCase) override {
    return S ? CompareChars(S->GetData(), S->GetLength(), Result, IgnoreCase) : E_POINTER;
  }
  int32_t CompareChars(const char16_t* Chars, int32_t Count, int32_t& Result, int32_t IgnoreCase) override {
    return FText->CompareChars(Chars, Count, Result, IgnoreCase);
  }
  int32_t Delete(int32_t Index, int32_t Count) override { return FText->Delete(Index, Count); }
  int32_t Find(IZEPHPluginString* S, int32_t& Index, int32_t Flags, int32_t StartFromIndex) override {
    return S ? FindChars(S->GetData(), S->GetLength(), Index, Flags, StartFromIndex) : E_POINTER;
  }
  int32_t FindChars(const char16_t* Chars, int32_t Count, int32_t& Index, int32_t Flags,
                    int32_t StartFromIndex) override {
    return FText->FindChars(Chars, Count, Index, Flags, StartFromIndex);
  }
  int32_t Insert(int32_t Index, IZEPHPluginString* S) override {
    return S ? InsertChars(Index, S->GetData(), S->GetLength()) : E_POINTER;
  }
  int32_t InsertChars(int32_t Index, const char16_t* Chars, int32_t Count) override {
    return FText->InsertChars(Index, Chars, Count);
  }
  int32_t Replace(IZEPHPluginString* OldPattern, IZEPHPluginString* NewPattern, int32_t Flags) override {
    if (!OldPattern || !NewPattern) return E_POINTER;
    return ReplaceChars(OldPattern->GetData(), OldPattern->GetLength(), NewPattern->GetData(), NewPattern->GetLength(),
                        Flags);
  }
  int32_t ReplaceChars(const char16_t* OldChars, int32_t OldCount, const char16_t* NewChars, int32_t NewCount,
                       int32_t Flags) override {
    return FText->ReplaceChars(OldChars, OldCount, NewChars, NewCount, Flags);
  }
  int32_t SubString(int32_t Index, int32_t Count, IZEPHPluginString*& S) override {
    S = nullptr;
    IPtr<IZEPHString> part;
    const HRESULT result = FText->SubString(Index, Count, part);
    if (result == S_OK) S = Make(part);
    return result;
  }

 private:
  ~TZEPHPluginStringBridge() = default;
  std::atomic<int32_t> FRefs{1};
  IPtr<IZEPHString> FText;
};
}  // namespace

// The presenter as a plugin library calls it: plain layout, not counted (the presenter owns it).
// What the library hands in is wrapped in proxies before it reaches the core.
class TZEPHPluginCoreBridge final : public IZEPHPluginCore {
 public:
  explicit TZEPHPluginCoreBridge(TZEPHPluginPresenter* APresenter) : FPresenter(APresenter) {}
  virtual ~TZEPHPluginCoreBridge() = default;
  TZEPHPluginPresenter* GetPresenter() const { return FPresenter; }

  int32_t QueryInterface(const ZEPHPluginGUID& IID, void** Obj) override {
    if (Obj) *Obj = nullptr;
    try {
      if (Same(IID, IInterface::IID) || Same(IID, IZEPHCore::IID)) {
        if (Obj) *Obj = static_cast<IZEPHPluginCore*>(this);
        return S_OK;
      }
      // A service a plugin library registered answers in its own form; the program's services
      // have no plain form.
      IPtr<IInterface> service = TZEPHCore::Instance()->FindService(ProgramIID(IID));
      IZEPHPluginUnknown* object = TZEPHPluginObjectProxy::PluginObjectOf(service.get());
      return object ? object->QueryInterface(IID, Obj) : E_NOINTERFACE;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }
  int32_t AddRef() override { return 1; }
  int32_t Release() override { return 1; }
  // Text objects; the program's other objects have no plain form yet.
  int32_t CreateObject(const ZEPHPluginGUID& IID, void** Obj) override {
    if (!Obj) return E_POINTER;
    *Obj = nullptr;
    if (!Same(IID, IZEPHString::IID)) return E_NOINTERFACE;
    try {
      *Obj =
          TZEPHPluginStringBridge::Make(IPtr<IZEPHString>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(u""))));
      return S_OK;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }
  int32_t GetPath(int32_t Kind, IZEPHPluginString*& S) override {
    S = nullptr;
    try {
      IPtr<IZEPHString> path;
      const HRESULT result = FPresenter->GetPath(Kind, path);
      if (result >= 0) S = TZEPHPluginStringBridge::Make(path);
      return result;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }
  int32_t RegisterExtension(const ZEPHPluginGUID& ServiceIID, IZEPHPluginUnknown* Extension) override {
    if (!Extension) return E_POINTER;
    try {
      IPtr<IInterface> proxy(static_cast<IZEPHServiceAttrExtendable*>(Create<TZEPHPluginObjectProxy>(Extension)));
      return FPresenter->RegisterExtension(ProgramIID(ServiceIID), proxy.get());
    } catch (...) {
      return E_UNEXPECTED;
    }
  }
  int32_t RegisterService(IZEPHPluginUnknown* Service) override {
    if (!Service) return E_POINTER;
    try {
      IPtr<IInterface> proxy(static_cast<IZEPHServiceAttrExtendable*>(Create<TZEPHPluginObjectProxy>(Service)));
      return FPresenter->RegisterService(proxy.get());
    } catch (...) {
      return E_UNEXPECTED;
    }
  }
  int32_t UnregisterExtension(IZEPHPluginUnknown* Extension) override {
    try {
      for (const auto& info : FPresenter->GetExtensions())
        if (TZEPHPluginObjectProxy::PluginObjectOf(info.Extension.get()) == Extension)
          return FPresenter->UnregisterExtension(info.Extension.get());
      return E_HANDLE;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }

 private:
  TZEPHPluginPresenter* FPresenter;
};

// ---- TZEPHPluginObjectProxy ------------------------------------------------------------------

TZEPHPluginObjectProxy::TZEPHPluginObjectProxy(IZEPHPluginUnknown* AObject) : FObject(AObject) { FObject->AddRef(); }

TZEPHPluginObjectProxy::~TZEPHPluginObjectProxy() {
  if (FEmbedded) FEmbedded->Release();
  if (FCustom) FCustom->Release();
  if (FExtendable) FExtendable->Release();
  if (FNotification) FNotification->Release();
  FObject->Release();
}

void TZEPHPluginObjectProxy::AskObject() {
  if (FAsked) return;
  FAsked = true;
  void* obj = nullptr;
  if (FObject->QueryInterface(ZEPH_IID_SERVICE_ATTR_EXTENDABLE, &obj) >= 0)
    FExtendable = static_cast<IZEPHPluginServiceAttrExtendable*>(obj);
  obj = nullptr;
  if (FObject->QueryInterface(ZEPH_IID_CORE_SYSTEM_NOTIFICATION, &obj) >= 0)
    FNotification = static_cast<IZEPHPluginCoreSystemNotification*>(obj);
  obj = nullptr;
  if (FObject->QueryInterface(ZEPH_IID_EMBEDDED_VISUALIZATION, &obj) >= 0)
    FEmbedded = static_cast<IZEPHPluginEmbeddedVisualization*>(obj);
  obj = nullptr;
  if (FObject->QueryInterface(ZEPH_IID_CUSTOM_VISUALIZATION, &obj) >= 0)
    FCustom = static_cast<IZEPHPluginCustomVisualization*>(obj);
}

HRESULT TZEPHPluginObjectProxy::QueryInterface(const TGUID& IID, void** Obj) {
  if (IID == IInterface::IID) return TInterfacedObject::QueryInterface(IID, Obj);
  AskObject();
  if (IID == IZEPHServiceAttrExtendable::IID) {
    if (!FExtendable) return Obj ? (*Obj = nullptr, E_NOINTERFACE) : E_NOINTERFACE;
    return InterfaceTableQuery<IZEPHServiceAttrExtendable>(this, IID, Obj) ? S_OK : E_NOINTERFACE;
  }
  if (IID == IZEPHCoreSystemNotification::IID) {
    if (!FNotification) return Obj ? (*Obj = nullptr, E_NOINTERFACE) : E_NOINTERFACE;
    return InterfaceTableQuery<IZEPHCoreSystemNotification>(this, IID, Obj) ? S_OK : E_NOINTERFACE;
  }
  if (IID == IZEPHExtensionEmbeddedVisualization::IID) {
    if (!FEmbedded) return Obj ? (*Obj = nullptr, E_NOINTERFACE) : E_NOINTERFACE;
    return InterfaceTableQuery<IZEPHExtensionEmbeddedVisualization>(this, IID, Obj) ? S_OK : E_NOINTERFACE;
  }
  if (IID == IZEPHExtensionCustomVisualization::IID) {
    if (!FCustom) return Obj ? (*Obj = nullptr, E_NOINTERFACE) : E_NOINTERFACE;
    return InterfaceTableQuery<IZEPHExtensionCustomVisualization>(this, IID, Obj) ? S_OK : E_NOINTERFACE;
  }
  if (Obj) {
    *Obj = nullptr;
    return E_NOINTERFACE;
  }
  void* probe = nullptr;
  if (FObject->QueryInterface(PluginIID(IID), &probe) < 0 || !probe) return E_NOINTERFACE;
  static_cast<IZEPHPluginUnknown*>(probe)->Release();
  return S_OK;
}

IZEPHPluginUnknown* TZEPHPluginObjectProxy::PluginObjectOf(IInterface* Interface) {
  auto* proxy = Interface ? dynamic_cast<TZEPHPluginObjectProxy*>(Interface) : nullptr;
  return proxy ? proxy->FObject : nullptr;
}

void TZEPHPluginObjectProxy::RegisterExtension(IInterface* Extension) {
  // Only a plugin library's own objects can be handed to a library.
  if (IZEPHPluginUnknown* object = PluginObjectOf(Extension); object && FExtendable)
    FExtendable->RegisterExtension(object);
}

void TZEPHPluginObjectProxy::UnregisterExtension(IInterface* Extension) {
  if (IZEPHPluginUnknown* object = PluginObjectOf(Extension); object && FExtendable)
    FExtendable->UnregisterExtension(object);
}

void TZEPHPluginObjectProxy::Notify(Integer Code, IInterface* Object) {
  if (FNotification) FNotification->Notify(Code, PluginObjectOf(Object));
}

// The visualization calls come only after the query found the kind, so the object is there.
Cardinal TZEPHPluginObjectProxy::GetFlags() {
  AskObject();
  return FEmbedded ? FEmbedded->GetFlags() : FCustom ? FCustom->GetFlags() : 0;
}

HRESULT TZEPHPluginObjectProxy::GetMaxDisplaySize(Integer& Width, Integer& Height) {
  return FEmbedded ? FEmbedded->GetMaxDisplaySize(Width, Height) : E_NOINTERFACE;
}

HRESULT TZEPHPluginObjectProxy::GetName(IPtr<IZEPHString>& Name) {
  Name = nullptr;
  if (!FEmbedded) return E_NOINTERFACE;
  IZEPHPluginString* text = nullptr;
  const HRESULT result = FEmbedded->GetName(text);
  if (text) {
    const char16_t* data = text->GetData();
    const int32_t length = text->GetLength();
    const String value = data && length > 0 ? String(data, static_cast<size_t>(length)) : String();
    text->Release();
    if (result >= 0) Name = IPtr<IZEPHString>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(value)));
  }
  return result;
}

HRESULT TZEPHPluginObjectProxy::Initialize(Integer Width, Integer Height) {
  return FEmbedded ? FEmbedded->Initialize(Width, Height) : E_NOINTERFACE;
}

void TZEPHPluginObjectProxy::Finalize() {
  if (FEmbedded) FEmbedded->Finalize();
}

void TZEPHPluginObjectProxy::Click(Integer X, Integer Y, Integer Button) {
  if (FEmbedded) FEmbedded->Click(X, Y, Button);
}

void TZEPHPluginObjectProxy::Draw(HDC DC, const TZEPHVisualData* Data) {
  if (FEmbedded) FEmbedded->Draw(DC, reinterpret_cast<const ZEPHPluginVisualData*>(Data));
}

void TZEPHPluginObjectProxy::Resize(Integer Width, Integer Height) {
  if (FEmbedded) FEmbedded->Resize(Width, Height);
}

void TZEPHPluginObjectProxy::Draw(const TZEPHVisualData* Data) {
  if (FCustom) FCustom->Draw(reinterpret_cast<const ZEPHPluginVisualData*>(Data));
}

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
  delete FBridge;
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

IZEPHPluginCore* TZEPHPluginPresenter::GetPluginCore() {
  if (!FBridge) FBridge = new TZEPHPluginCoreBridge(this);
  return FBridge;
}

TZEPHPluginPresenter* TZEPHPluginPresenter::FromPluginCore(IZEPHPluginCore* Core) {
  auto* bridge = Core ? dynamic_cast<TZEPHPluginCoreBridge*>(Core) : nullptr;
  return bridge ? bridge->GetPresenter() : nullptr;
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
