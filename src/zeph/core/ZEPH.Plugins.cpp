#include "zeph/core/ZEPH.Plugins.h"

#include <algorithm>
#include <cstddef>

#include "os/OS.Environment.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.Strings.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Logger.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zeph/core/ZEPH.Core.Config.h"
#include "zeph/core/ZEPH.Core.h"
#include "zeph/core/ZEPH.Plugins.Presenter.h"
#include "zeph/core/ZEPH.Plugins.Visuals.h"

namespace {
constexpr bool SameIID(const ZEPHPluginGUID& A, const TGUID& B) {
  if (A.D1 != B.D1 || A.D2 != B.D2 || A.D3 != B.D3) return false;
  for (int i = 0; i < 8; ++i)
    if (A.D4[i] != B.D4[i]) return false;
  return true;
}
static_assert(SameIID(ZEPH_IID_UNKNOWN, IInterface::IID));
static_assert(SameIID(ZEPH_IID_STRING, IZEPHString::IID));
static_assert(SameIID(ZEPH_IID_CORE, IZEPHCore::IID));
static_assert(SameIID(ZEPH_IID_SERVICE_ATTR_EXTENDABLE, IZEPHServiceAttrExtendable::IID));
static_assert(SameIID(ZEPH_IID_CORE_SYSTEM_NOTIFICATION, IZEPHCoreSystemNotification::IID));
static_assert(SameIID(ZEPH_IID_SERVICE_VISUALIZATIONS, IZEPHServiceVisualizations::IID));
static_assert(SameIID(ZEPH_IID_EMBEDDED_VISUALIZATION, IZEPHExtensionEmbeddedVisualization::IID));
static_assert(SameIID(ZEPH_IID_CUSTOM_VISUALIZATION, IZEPHExtensionCustomVisualization::IID));
static_assert(sizeof(ZEPHPluginVisualData) == sizeof(TZEPHVisualData) &&
              offsetof(ZEPHPluginVisualData, LogarithmicSpectrum) == offsetof(TZEPHVisualData, LogarithmicSpectrum));
static_assert(sizeof(ZEPHPluginGUID) == sizeof(TGUID) && alignof(ZEPHPluginGUID) == alignof(TGUID));

TZEPHPluginManager* GManager = nullptr;
String GModuleFileName;

constexpr Cardinal GCategoryFlags[5] = {1, 2, 4, 8, 16};

// Log entry of the exception being handled (from a catch block); nothing without a debug log.
void LogCurrentException(StringView Context) {
  const String log = DefaultLogFile();
  if (log.empty()) return;
  try {
    throw;
  } catch (const Exception& e) {
    LogWriteException(log, u"Plugins", e, Context);
  } catch (const std::exception& e) {
    LogWriteEntry(log, u"Plugins", u"std::exception", UTF8ToString(e.what()), u"", Context);
  } catch (...) {
    LogWriteEntry(log, u"Plugins", u"", u"", u"", Context);
  }
}

String RemoveLineBreaks(const String& S) {
  String result;
  for (Char c : S)
    if (c != u'\r' && c != u'\n') result += c;
  return result;
}

// CR LF, CR and LF each become the two characters "\n".
String EscapeLineBreaks(const String& S) {
  String result;
  for (size_t i = 0; i < S.size(); ++i) {
    if (S[i] == u'\r') {
      if (i + 1 < S.size() && S[i + 1] == u'\n') ++i;
      result += u"\\n";
    } else if (S[i] == u'\n') {
      result += u"\\n";
    } else {
      result += S[i];
    }
  }
  return result;
}

void ManagerLogHandler(TObject* Sender, const Exception& E, const String& Text) {
  if (!GManager) return;
  GManager->LogException(&E, dynamic_cast<IInterface*>(Sender), Text);
}
}  // namespace

TZEPHPluginCategories PluginCategoriesFromFlags(Cardinal Flags) {
  TZEPHPluginCategories result = 0;
  for (Integer n = 0; n < 5; ++n)
    if ((Flags & GCategoryFlags[n]) == GCategoryFlags[n]) result |= static_cast<Byte>(1u << n);
  return result ? result : ZEPH_PLUGIN_CATEGORY_BASE;
}

Cardinal PluginCategoriesToFlags(TZEPHPluginCategories Categories) {
  Cardinal result = 0;
  for (Integer n = 0; n < 5; ++n)
    if (Categories & (1u << n)) result += GCategoryFlags[n];
  return result;
}

String PluginHostModuleFileName() { return GModuleFileName.empty() ? GetModuleFileName() : GModuleFileName; }

void detail::SetPluginHostModuleFileName(const String& FileName) { GModuleFileName = FileName; }

// ---- TZEPHPlugin ---------------------------------------------------------------------------------

TZEPHPlugin::TZEPHPlugin(HMODULE AHandle, const String& AFileName)
    : FFileName(AFileName), FHandle(AHandle), FPresenterLock(this, u"Plugin.Presenter") {}

void TZEPHPlugin::AfterConstruction() {
  TZCLUnknownObject::AfterConstruction();
  FHeader = GetHeader();
}

bool TZEPHPlugin::IsPluginLibrary(HMODULE Handle) {
  return Handle && GetProcAddress(Handle, ZEPH_PLUGIN_EXPORT_NAME) != nullptr;
}

IZEPHPlugin* TZEPHPlugin::GetHeader() {
  auto proc =
      FHandle ? reinterpret_cast<TZEPHPluginGetHeaderProc>(GetProcAddress(FHandle, ZEPH_PLUGIN_EXPORT_NAME)) : nullptr;
  if (proc) {
    IZEPHPlugin* header = nullptr;
    if (proc(&header) >= 0 && header) return header;
    if (header) header->Release();
  }
  throw EZEPHPluginError(Format(u"Cannot load plugin \"%s\"", {FFileName}));
}

void TZEPHPlugin::BeforeDestruction() {
  Finalize();
  TZCLUnknownObject::BeforeDestruction();
}

TZEPHPlugin::~TZEPHPlugin() {
  try {
    if (FHandle) {
      HMODULE handle = FHandle;
      FHandle = 0;
      FreeLibrary(handle);
    }
  } catch (...) {
    HandleException(u"Destroy");
  }
  Free(FPresenter);
}

void TZEPHPlugin::Finalize() {
  if (FInitialized.exchange(false)) {
    ++FFinalizingCount;
    try {
      if (FPresenter) FPresenter->UnregisterAll();
      if (FHeader) FHeader->Finalize();
    } catch (...) {
      HandleException(u"Finalize");
    }
    --FFinalizingCount;
  }
  IZEPHPlugin* header = FHeader;
  FHeader = nullptr;
  if (header) {
    try {
      header->Release();
    } catch (...) {
    }
  }
}

void TZEPHPlugin::HandleException(const String& Operation) {
  LogCurrentException(ExtractFileName(FFileName) + u": " + Operation);
  if (GManager && FInitialized.load()) GManager->HandlePluginFailure(FFileName, this);
}

void TZEPHPlugin::SystemNotify(Integer Code, IInterface* Object) {
  if (FFinalizingCount.load() != 0) return;
  try {
    GetPresenter()->SystemNotify(Code, Object);
    if (FInitialized.load() && FHeader) NotifyHeader(Code, Object);
  } catch (...) {
    HandleException(u"SystemNotify");
  }
}

void TZEPHPlugin::NotifyHeader(Integer Code, IInterface* Object) {
  FHeader->SystemNotify(Code, TZEPHPluginObjectProxy::PluginObjectOf(Object));
}

TZEPHPluginCategories TZEPHPlugin::GetCategories() {
  Cardinal flags = 0;
  try {
    if (FHeader) flags = FHeader->GetCategories();
  } catch (...) {
    flags = 0;
  }
  return PluginCategoriesFromFlags(flags);
}

String TZEPHPlugin::GetInfo(Integer Index) {
  try {
    const char16_t* text = FHeader ? FHeader->GetInfo(Index) : nullptr;
    return text ? String(text) : String();
  } catch (...) {
    return String();
  }
}

bool TZEPHPlugin::GetEnabled() { return PluginManager()->GetDisabledList()->IndexOf(ExtractFileName(FFileName)) < 0; }

void TZEPHPlugin::SetEnabled(bool Value) {
  if (Value == GetEnabled()) return;
  TZEPHPluginManager* manager = PluginManager();
  const String name = ExtractFileName(FFileName);
  if (Value) {
    const Integer index = manager->GetDisabledList()->IndexOf(name);
    if (index >= 0) manager->GetDisabledList()->Delete(index);
  } else {
    manager->GetInfoCache()->Update(FFileName, this);
    manager->GetDisabledList()->Add(name);
  }
}

TZEPHPluginPresenter* TZEPHPlugin::GetPresenter() {
  TZCLLockGuard guard(FPresenterLock);
  if (!FPresenter) FPresenter = Create<TZEPHPluginPresenter>(this);
  return FPresenter;
}

String TZEPHPlugin::GetFolder() const { return ExtractFilePath(FFileName); }

// ---- TZEPHPluginManagerInfoCache -----------------------------------------------------------------

TZEPHPluginManagerInfoCache::TZEPHPluginManagerInfoCache() : FItems(Create<TZCLStringList>()) {}

TZEPHPluginManagerInfoCache::~TZEPHPluginManagerInfoCache() { Free(FItems); }

String TZEPHPluginManagerInfoCache::BuildValue(const String& FileName, TZEPHPlugin* Plugin) {
  const Integer flags = Plugin ? static_cast<Integer>(PluginCategoriesToFlags(Plugin->GetCategories())) : 0;
  const String info1 = Plugin ? RemoveLineBreaks(Plugin->GetInfo(1)) : String();
  const String name = Plugin ? RemoveLineBreaks(Plugin->GetInfo(0)) : String();
  const String info2 = Plugin ? EscapeLineBreaks(Plugin->GetInfo(2)) : String();
  const String info3 = Plugin ? EscapeLineBreaks(Plugin->GetInfo(3)) : String();
  return Format(u"%d|%s|%s|%s|%s|%d", {flags, info1, name, info2, info3, zcFileGetDosAge(FileName)});
}

void TZEPHPluginManagerInfoCache::Update(const String& FileName, TZEPHPlugin* Plugin) {
  FItems->SetValues(ExtractFileName(FileName), BuildValue(FileName, Plugin));
}

// ---- TZEPHPluginManager --------------------------------------------------------------------------

TZEPHPluginManager::TZEPHPluginManager()
    : FDisabledList(Create<TZCLStringList>()),
      FPluginFolders(Create<TZCLStringList>()),
      FInfoCache(Create<TZEPHPluginManagerInfoCache>()),
      FPluginsLock(this, u"PluginManager.Plugins") {
  GManager = this;
  CoreSetLogHandler(ManagerLogHandler);
  TZEPHCore::Instance()->RegisterService(static_cast<IZEPHCoreSystemNotification*>(this));
  RegisterPluginClass(TZEPHPlugin::StaticClass(), ZEPH_PLUGIN_CATEGORY_BASE);
}

TZEPHPluginManager::~TZEPHPluginManager() {
  CoreSetLogHandler(nullptr);
  TZCLMainThread::RemoveQueuedFor(this);
  const std::vector<TZEPHPlugin*> plugins = SnapshotPlugins();
  for (auto it = plugins.rbegin(); it != plugins.rend(); ++it) (*it)->Finalize();
  if (TZEPHCore* core = TZEPHCore::InstanceIfExists())
    core->UnregisterService(static_cast<IZEPHCoreSystemNotification*>(this));
  {
    TZCLLockGuard guard(FPluginsLock);
    for (auto* plugin : FPlugins) Free(plugin);
    FPlugins.clear();
  }
  Free(FDisabledList);
  Free(FPluginFolders);
  FPluginClasses.clear();
  Free(FInfoCache);
  if (GManager == this) GManager = nullptr;
}

void TZEPHPluginManager::RegisterPluginClass(TZEPHPluginClass Class, TZEPHPluginCategories Categories) {
  FCategories |= Categories;
  if (Categories == 16) FSpecialClass = Class;
  if (Class) FPluginClasses.push_back(Class);
}

Integer TZEPHPluginManager::Count() {
  TZCLLockGuard guard(FPluginsLock);
  return static_cast<Integer>(FPlugins.size());
}

TZEPHPlugin* TZEPHPluginManager::Plugins(Integer Index) {
  TZCLLockGuard guard(FPluginsLock);
  if (Index < 0 || Index >= static_cast<Integer>(FPlugins.size()))
    throw EListError(Format(u"List index out of bounds (%d)", {Index}));
  return FPlugins[Index];
}

void TZEPHPluginManager::AddPlugin(TZEPHPlugin* Plugin) {
  TZCLLockGuard guard(FPluginsLock);
  FPlugins.push_back(Plugin);
}

bool TZEPHPluginManager::ExtractPlugin(TZEPHPlugin* Plugin) {
  TZCLLockGuard guard(FPluginsLock);
  auto pos = std::find(FPlugins.begin(), FPlugins.end(), Plugin);
  if (pos == FPlugins.end()) return false;
  FPlugins.erase(pos);
  return true;
}

std::vector<TZEPHPlugin*> TZEPHPluginManager::SnapshotPlugins() {
  // A plugin taken out by a failure stays allocated, so a copy is safe to walk.
  TZCLLockGuard guard(FPluginsLock);
  return FPlugins;
}

bool TZEPHPluginManager::FindPluginByInterface(IInterface* Interface, TZEPHPlugin*& Plugin) {
  Plugin = nullptr;
  if (!Interface) return false;
  try {
    const std::vector<TZEPHPlugin*> plugins = SnapshotPlugins();
    for (auto* plugin : plugins)
      if (plugin->GetPresenter()->OwnsInterface(Interface)) {
        Plugin = plugin;
        return true;
      }
    IPtr<IInterface> identity;
    if (Interface->QueryInterface(IInterface::IID, reinterpret_cast<void**>(&identity)) < 0 || !identity) return false;
    for (auto* plugin : plugins)
      if (plugin->GetPresenter()->OwnsInterface(identity.get())) {
        Plugin = plugin;
        return true;
      }
  } catch (...) {
  }
  Plugin = nullptr;
  return false;
}

void TZEPHPluginManager::LogException(const Exception* E, IInterface* Sender, const String& Text) {
  try {
    const String log = DefaultLogFile();
    if (E && !log.empty()) LogWriteException(log, u"Plugins", *E, Text);
    TZEPHPlugin* plugin = nullptr;
    if (FindPluginByInterface(Sender, plugin)) HandlePluginFailure(plugin->GetFileName(), plugin);
  } catch (...) {
  }
}

void TZEPHPluginManager::HandlePluginFailure(const String& FileName, TZEPHPlugin* Plugin) {
  if (!Plugin || SameText(FileName, PluginHostModuleFileName())) return;
  // Atomic: failures arrive from any thread; the first one wins, the others are only logged.
  bool expected = false;
  if (!FHandlingFailure.compare_exchange_strong(expected, true)) return;
  struct TClearFlag {
    std::atomic<bool>& Flag;
    ~TClearFlag() { Flag.store(false); }
  } clearFlag{FHandlingFailure};

  const String message = u"Plugin \"" + ExtractFileName(FileName) + u"\" crashed and will be unload! " +
                         u"We do not recommend you using this version of the plugin for stability reasons! " +
                         u"Do you want to restart the app now?";
  TZCLMainThread::QueueProc(
      [Plugin, message] {
        try {
          Plugin->SetEnabled(false);
          Plugin->Finalize();
        } catch (...) {
        }
        if (Application && Application->MessageBox(message, u"", MB_YESNO | MB_ICONSTOP) == IDYES) CoreRestart(u"");
      },
      this);
  ExtractPlugin(Plugin);
  MoveFile(FileName, FileName + u"_unstable");
}

void TZEPHPluginManager::Notify(Integer Code, IInterface* Object) {
  if (Code <= 0) return;
  for (auto* plugin : SnapshotPlugins()) plugin->SystemNotify(Code, Object);
}

bool TZEPHPluginManager::PluginFolderFound(const String& Path, const TZEPHPluginFolderEntry& Entry) {
  if (Entry.Flag != 0 || (Entry.Attributes & 16) == 0) return false;
  auto lastComponent = [](const String& S) {
    String p = S;
    while (!p.empty() && (p.back() == u'/' || p.back() == u'\\')) p.pop_back();
    const size_t pos = p.find_last_of(u"/\\");
    return pos == String::npos ? p : p.substr(pos + 1);
  };
  const String name = lastComponent(Path);
  for (Integer i = FPluginFolders->GetCount() - 1; i >= 0; --i)
    if (SameText(lastComponent(FPluginFolders->GetStrings(i)), name)) FPluginFolders->Delete(i);
  FPluginFolders->Add(Path);
  return true;
}

TZEPHPluginManager* PluginManager() {
  if (!GManager) Create<TZEPHPluginManager>();
  return GManager;
}

TZEPHPluginManager* PluginManagerIfExists() { return GManager; }

void FreePluginManager() {
  TZEPHPluginManager* manager = GManager;
  Free(manager);
  GManager = nullptr;
}
