#pragma once
// The plugin host: one object per plugin library, the manager that owns them, the plugin classes
// and categories, the disabled list, the information cache, the handling of a plugin that fails
// and the forwarding of the core's system notifications to every plugin.
//
// No folder is scanned and no library loaded here: a loader would use IsPluginLibrary, CreatePlugin,
// the disabled list, IZEPHPlugin::Initialize with the presenter and SetInitialized.

#include <atomic>
#include <vector>

#include "os/OS.Files.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Threading.h"
#include "zeph/core/ZEPH.Core.Interfaces.h"
#include "zeph/core/ZEPH.Plugins.API.h"

class TZEPHPluginPresenter;
class TZEPHPluginManager;

RTL_EXCEPTION(EZEPHPluginError, Exception);

// Categories 0..4 as bits of one byte; category n has the flag 1 shl n.
using TZEPHPluginCategories = Byte;
constexpr TZEPHPluginCategories ZEPH_PLUGIN_CATEGORY_BASE = 1;  // {0}
// The flags turned into a set: a category is in when all bits of its flag are; none gives {0}.
TZEPHPluginCategories PluginCategoriesFromFlags(Cardinal Flags);
Cardinal PluginCategoriesToFlags(TZEPHPluginCategories Categories);

class TZEPHPlugin : public TZCLUnknownObject {
  ZCL_CLASS(TZEPHPlugin, TZCLUnknownObject)
 public:
  // Takes over the handle; AfterConstruction fetches the header.
  TZEPHPlugin(HMODULE AHandle, const String& AFileName);
  ~TZEPHPlugin() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;

  // True when the library exports the header function.
  static bool IsPluginLibrary(HMODULE Handle);

  // The header as the export answers it; raises EZEPHPluginError "Cannot load plugin "%s"".
  virtual IZEPHPlugin* GetHeader();

  // Takes back what the plugin registered and finalizes it when initialized, then releases the
  // header. Safe to call more than once.
  void Finalize();
  // Call from inside a catch block of a call into the plugin.
  void HandleException(const String& Operation);
  void SystemNotify(Integer Code, IInterface* Object);

  TZEPHPluginCategories GetCategories();
  // Empty for a null answer or a raising plugin.
  String GetInfo(Integer Index);
  bool GetEnabled();
  void SetEnabled(bool Value);
  // Created on first use, owned.
  TZEPHPluginPresenter* GetPresenter();
  // The folder of FileName with its trailing delimiter.
  String GetFolder() const;

  const String& GetFileName() const { return FFileName; }
  IZEPHPlugin* GetHeaderRef() const { return FHeader; }
  bool GetInitialized() const { return FInitialized.load(); }
  // Set by a loader once IZEPHPlugin::Initialize has succeeded.
  void SetInitialized(bool Value) { FInitialized.store(Value); }
  HMODULE GetHandle() const { return FHandle; }
  Integer GetFinalizingCount() const { return FFinalizingCount.load(); }

 protected:
  // Hands a notification to the header: a library gets the object only when it is a library's
  // own (null otherwise).
  virtual void NotifyHeader(Integer Code, IInterface* Object);

 private:
  String FFileName;
  IZEPHPlugin* FHeader = nullptr;
  std::atomic<bool> FInitialized{false};
  HMODULE FHandle;
  std::atomic<Integer> FFinalizingCount{0};
  TZEPHPluginPresenter* FPresenter = nullptr;
  TZCLCriticalSection FPresenterLock;
};

using TZEPHPluginClass = TClass;

// Creates a plugin of class T (TZEPHPlugin or a descendant) on Handle; a failure frees the handle.
template <class T = TZEPHPlugin>
T* CreatePlugin(HMODULE Handle, const String& FileName) {
  return Create<T>(Handle, FileName);
}

// File name (without folder) -> "flags|info1|name|info2|info3|dosage".
class TZEPHPluginManagerInfoCache : public TObject {
  ZCL_CLASS(TZEPHPluginManagerInfoCache, TObject)
 public:
  TZEPHPluginManagerInfoCache();
  ~TZEPHPluginManagerInfoCache() override;
  void Update(const String& FileName, TZEPHPlugin* Plugin);
  static String BuildValue(const String& FileName, TZEPHPlugin* Plugin);
  TZCLStringList* GetItems() const { return FItems; }

 private:
  TZCLStringList* FItems;
};

// The part of a folder scan's entry the plugin-folder hook reads.
struct TZEPHPluginFolderEntry {
  Byte Flag = 0;
  Byte Attributes = 0;
};

// Lifetime by the singleton holder. The plugin list is guarded by a lock: failures arrive from
// any thread while the main thread walks the list.
class TZEPHPluginManager : public TZCLUnknownObject, public IZEPHCoreSystemNotification {
  ZCL_CLASS(TZEPHPluginManager, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZEPHCoreSystemNotification)
 public:
  TZEPHPluginManager();
  ~TZEPHPluginManager() override;

  void RegisterPluginClass(TZEPHPluginClass Class, TZEPHPluginCategories Categories);
  Integer Count();
  // Raises EListError out of range.
  TZEPHPlugin* Plugins(Integer Index);
  // Takes ownership; what a loader does last.
  void AddPlugin(TZEPHPlugin* Plugin);
  // Takes the plugin out without freeing it; false when it is not in the list.
  bool ExtractPlugin(TZEPHPlugin* Plugin);
  bool FindPluginByInterface(IInterface* Interface, TZEPHPlugin*& Plugin);
  void HandlePluginFailure(const String& FileName, TZEPHPlugin* Plugin);
  void Notify(Integer Code, IInterface* Object) override;
  bool PluginFolderFound(const String& Path, const TZEPHPluginFolderEntry& Entry);
  void LogException(const Exception* E, IInterface* Sender, const String& Text);

  TZEPHPluginCategories GetCategories() const { return FCategories; }
  TZCLStringList* GetDisabledList() const { return FDisabledList; }
  TZCLStringList* GetPluginFolders() const { return FPluginFolders; }
  TZEPHPluginManagerInfoCache* GetInfoCache() const { return FInfoCache; }
  TZEPHPluginClass GetSpecialClass() const { return FSpecialClass; }
  const std::vector<TZEPHPluginClass>& GetPluginClasses() const { return FPluginClasses; }
  bool GetHandlingFailure() const { return FHandlingFailure.load(); }

 private:
  std::vector<TZEPHPlugin*> SnapshotPlugins();

  TZEPHPluginCategories FCategories = 0;
  TZCLStringList* FDisabledList;
  std::atomic<bool> FHandlingFailure{false};
  TZCLStringList* FPluginFolders;
  TZEPHPluginManagerInfoCache* FInfoCache;
  std::vector<TZEPHPlugin*> FPlugins;
  TZCLCriticalSection FPluginsLock;
  TZEPHPluginClass FSpecialClass = nullptr;
  std::vector<TZEPHPluginClass> FPluginClasses;
};

// The singleton, created on first call.
TZEPHPluginManager* PluginManager();
// Null while there is none.
TZEPHPluginManager* PluginManagerIfExists();
void FreePluginManager();

// The program's own module: its failures are logged, never handled.
String PluginHostModuleFileName();
namespace detail {
// Tests stand in for the program's module file; empty restores it.
void SetPluginHostModuleFileName(const String& FileName);
}  // namespace detail
