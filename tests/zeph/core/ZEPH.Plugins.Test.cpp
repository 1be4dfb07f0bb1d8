#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "os/OS.Environment.h"
#include "os/OS.Files.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Logger.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zeph/core/ZEPH.Core.Config.h"
#include "zeph/core/ZEPH.Core.TestUtil.h"
#include "zeph/core/ZEPH.Core.h"
#include "zeph/core/ZEPH.Plugins.Presenter.h"
#include "zeph/core/ZEPH.Plugins.h"

namespace {
// A copy of a test plugin library in a folder of its own: a failure renames the file.
String CopyPlugin(const char* Source, const char* Folder, const String& Name) {
  const String target = NewTestFolder(Folder) + Name;
  EXPECT_TRUE(CopyFile(UTF8ToString(Source), target, false));
  return target;
}

using TCallLogProc = const char* (*)();
std::string CallLog(HMODULE Handle) {
  auto proc = reinterpret_cast<TCallLogProc>(GetProcAddress(Handle, "TestPluginCallLog"));
  return proc ? proc() : "";
}

// A header implemented in the test, with texts and categories to choose.
class TFakeHeader final : public IZEPHPlugin {
 public:
  int32_t QueryInterface(const ZEPHPluginGUID&, void** Obj) override {
    if (Obj) *Obj = nullptr;
    return E_NOINTERFACE;
  }
  int32_t AddRef() override { return 1; }
  int32_t Release() override { return 1; }
  const char16_t* GetInfo(int32_t Index) override {
    return Index >= 0 && Index < 4 && !Texts[Index].empty() ? Texts[Index].c_str() : nullptr;
  }
  uint32_t GetCategories() override { return Categories; }
  int32_t Initialize(IZEPHPluginCore*) override { return 0; }
  void Finalize() override {}
  void SystemNotify(int32_t, IZEPHPluginUnknown*) override {}
  String Texts[4];
  uint32_t Categories = 0;
};

class TFakePlugin : public TZEPHPlugin {
  ZCL_CLASS(TFakePlugin, TZEPHPlugin)
 public:
  TFakePlugin(HMODULE Handle, const String& FileName) : TZEPHPlugin(Handle, FileName) {}
  IZEPHPlugin* GetHeader() override { return &Header; }
  TFakeHeader Header;
};

// Answers the message boxes shown while it lives.
struct TMessageBoxProbe {
  TMessageBoxProbe(Integer AAnswer) : Answer(AAnswer) {
    Application->OnMessageBox = TMessageBoxEvent(this, &TMessageBoxProbe::Show);
  }
  ~TMessageBoxProbe() { Application->OnMessageBox = nullptr; }
  void Show(const String& Text, const String&, Cardinal AFlags, Integer& Result) {
    Texts.push_back(Text);
    Flags = AFlags;
    Result = Answer;
  }
  Integer Answer;
  std::vector<String> Texts;
  Cardinal Flags = 0;
};

TEST(PluginHost, LibraryWithoutTheExportIsRefusedWithItsFullPath) {
  for (const char* source : {ZEPH_TEST_PLUGIN_NOEXPORT, ZEPH_TEST_PLUGIN_FAIL}) {
    const String file = CopyPlugin(source, "plugin-refused", u"p.so");
    HMODULE handle = LoadLibrary(file);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(TZEPHPlugin::IsPluginLibrary(handle), source == std::string(ZEPH_TEST_PLUGIN_FAIL));
    try {
      CreatePlugin(handle, file);
      FAIL() << "no error";
    } catch (const EZEPHPluginError& e) {
      EXPECT_EQ(e.GetMessage(), u"Cannot load plugin \"" + file + u"\"");
    }
  }
}

TEST(PluginHost, LoadedPluginAnswersThroughItsHeader) {
  const String file = CopyPlugin(ZEPH_TEST_PLUGIN_FULL, "plugin-full", u"full.so");
  HMODULE handle = LoadLibrary(file);
  ASSERT_TRUE(TZEPHPlugin::IsPluginLibrary(handle));
  HMODULE probe = LoadLibrary(file);  // keeps the call log readable after the plugin is freed
  TZEPHPlugin* plugin = CreatePlugin(handle, file);
  EXPECT_EQ(plugin->GetCategories(), 0b101);
  EXPECT_EQ(plugin->GetInfo(0), u"A\r\nB");
  EXPECT_EQ(plugin->GetInfo(7), u"");
  EXPECT_EQ(plugin->GetFolder(), ExtractFilePath(file));
  EXPECT_EQ(TZEPHPluginManagerInfoCache::BuildValue(file, plugin),
            u"5|InfoOne|AB|A\\nB|x\\ny|" + IntToStr(zcFileGetDosAge(file)));
  // Not initialized: no notification reaches the header, and destruction only releases it.
  plugin->SystemNotify(1, nullptr);
  Free(plugin);
  EXPECT_EQ(CallLog(probe), "Release;");
  FreeLibrary(probe);
}

TEST(PluginHost, InitializedPluginRegistersThroughItsCoreObjectAndFinalizingTakesItBack) {
  const String file = CopyPlugin(ZEPH_TEST_PLUGIN_FULL, "plugin-init", u"init.so");
  HMODULE handle = LoadLibrary(file);
  HMODULE probe = LoadLibrary(file);
  auto held = reinterpret_cast<int32_t (*)()>(GetProcAddress(probe, "TestPluginHeldReferences"));
  ASSERT_NE(held, nullptr);
  TZEPHCore* core = TZEPHCore::Instance();
  const Integer services = core->GetServiceCount();
  TZEPHPlugin* plugin = CreatePlugin(handle, file);
  TZEPHPluginPresenter* presenter = plugin->GetPresenter();

  // What a loader does: initialize the header with the plugin's own core object.
  ASSERT_EQ(plugin->GetHeaderRef()->Initialize(presenter->GetPluginCore()), 0);
  plugin->SetInitialized(true);
  const std::string path = CoreConfigGetPath(4).empty() ? "" : "Path;";
  EXPECT_EQ(CallLog(probe), "Initialize;" + path + "Service+Extension;Found;");
  EXPECT_EQ(core->GetServiceCount(), services + 1);
  ASSERT_EQ(presenter->GetServices().size(), 1u);
  ASSERT_EQ(presenter->GetExtensions().size(), 1u);
  EXPECT_TRUE(presenter->OwnsInterface(presenter->GetExtensions()[0].Extension.get()));
  EXPECT_GT(held(), 0);
  // Notifications name the library's own object in its own form, and the program's objects not.
  plugin->SystemNotify(CORE_NOTIFY_SERVICE_REGISTERED, presenter->GetServices()[0].get());
  plugin->SystemNotify(CORE_NOTIFY_SERVICE_REGISTERED, static_cast<IZEPHCore*>(core));
  const std::string notes = "SystemNotify 1 own;SystemNotify 1;";

  Free(plugin);
  EXPECT_EQ(CallLog(probe),
            "Initialize;" + path + "Service+Extension;Found;" + notes + "Service-Extension;Finalize;Release;");
  EXPECT_EQ(core->GetServiceCount(), services);
  EXPECT_EQ(held(), 0);
  FreeLibrary(probe);
}

TEST(PluginHost, CategoriesAndCacheValues) {
  struct TCase {
    uint32_t Flags;
    TZEPHPluginCategories Set;
    const char16_t* Value;
  };
  const TCase cases[] = {{0, 0b1, u"1|||||"},   {32, 0b1, u"1|||||"},      {5, 0b101, u"5|||||"},
                         {4, 0b100, u"4|||||"}, {31, 0b11111, u"31|||||"}, {3 | 64, 0b11, u"3|||||"}};
  for (const auto& c : cases) {
    auto* plugin = CreatePlugin<TFakePlugin>(nullptr, u"");
    plugin->Header.Categories = c.Flags;
    EXPECT_EQ(plugin->GetCategories(), c.Set) << c.Flags;
    EXPECT_EQ(TZEPHPluginManagerInfoCache::BuildValue(u"/no/such/file.so", plugin), String(c.Value) + u"-1");
    Free(plugin);
  }
  EXPECT_EQ(TZEPHPluginManagerInfoCache::BuildValue(u"/no/such/file.so", nullptr), u"0|||||-1");
}

TEST(PluginHost, EnablingIsIdempotentAndCachesOnDisable) {
  auto* plugin = CreatePlugin<TFakePlugin>(nullptr, u"/p/Vis.so");
  plugin->Header.Texts[0] = u"Name";
  TZEPHPluginManager* manager = PluginManager();
  EXPECT_TRUE(plugin->GetEnabled());
  plugin->SetEnabled(false);
  plugin->Header.Texts[0] = u"Changed";
  plugin->SetEnabled(false);
  EXPECT_EQ(manager->GetDisabledList()->GetCount(), 1);
  EXPECT_EQ(manager->GetInfoCache()->GetItems()->GetValues(u"vis.so"), u"1||Name|||-1");
  EXPECT_FALSE(plugin->GetEnabled());
  plugin->SetEnabled(true);
  plugin->SetEnabled(true);
  EXPECT_EQ(manager->GetDisabledList()->GetCount(), 0);
  Free(plugin);
}

TEST(PluginHost, ClassesAndFolderReports) {
  TZEPHPluginManager* manager = PluginManager();
  EXPECT_EQ(manager->GetPluginClasses().front(), TZEPHPlugin::StaticClass());
  const auto classes = manager->GetPluginClasses().size();
  manager->RegisterPluginClass(nullptr, 0b100);
  EXPECT_EQ(manager->GetPluginClasses().size(), classes);
  EXPECT_EQ(manager->GetCategories() & 0b101, 0b101);
  manager->RegisterPluginClass(TFakePlugin::StaticClass(), 16);
  EXPECT_EQ(manager->GetSpecialClass(), TFakePlugin::StaticClass());

  TZCLStringList* folders = manager->GetPluginFolders();
  folders->Clear();
  EXPECT_TRUE(manager->PluginFolderFound(u"/c/P/Vis", {0, 16}));
  EXPECT_TRUE(manager->PluginFolderFound(u"/d/Q/vis", {0, 16 | 1}));
  EXPECT_FALSE(manager->PluginFolderFound(u"/e/vis", {0, 32}));
  EXPECT_FALSE(manager->PluginFolderFound(u"/e/vis", {1, 16}));
  ASSERT_EQ(folders->GetCount(), 1);
  EXPECT_EQ(folders->GetStrings(0), u"/d/Q/vis");
}

class PluginFailure : public testing::Test {
 protected:
  void TearDown() override { TZCLMainThread::CheckSynchronize(); }
};

TEST_F(PluginFailure, CrashedPluginIsRenamedThenDisabledFinalizedAndReported) {
  const String file = CopyPlugin(ZEPH_TEST_PLUGIN_THROWS, "plugin-crash", u"a.so");
  HMODULE handle = LoadLibrary(file);
  HMODULE probe = LoadLibrary(file);
  TZEPHPluginManager* manager = PluginManager();
  TZEPHPlugin* plugin = CreatePlugin(handle, file);
  plugin->SetInitialized(true);
  manager->AddPlugin(plugin);
  const Integer count = manager->Count();

  manager->Notify(0, nullptr);
  manager->Notify(-3, nullptr);
  EXPECT_EQ(CallLog(probe), "");
  manager->Notify(CORE_NOTIFY_SERVICE_REGISTERED, nullptr);
  EXPECT_EQ(manager->Count(), count - 1);
  EXPECT_FALSE(FileExists(file));
  EXPECT_TRUE(FileExists(file + u"_unstable"));
  EXPECT_FALSE(manager->GetHandlingFailure());

  TMessageBoxProbe box(IDNO);
  TZCLMainThread::CheckSynchronize();
  EXPECT_FALSE(plugin->GetEnabled());
  EXPECT_FALSE(plugin->GetInitialized());
  // Finalize raised again while the plugin was no longer initialized: only logged.
  EXPECT_EQ(CallLog(probe), "SystemNotify 1;Finalize;Release;");
  ASSERT_EQ(box.Texts.size(), 1u);
  EXPECT_EQ(box.Texts[0],
            u"Plugin \"a.so\" crashed and will be unload! We do not recommend you using this version of the plugin "
            u"for stability reasons! Do you want to restart the app now?");
  EXPECT_EQ(box.Flags, 20u);
  plugin->SetEnabled(true);
  Free(plugin);
  FreeLibrary(probe);
}

TEST_F(PluginFailure, YesRestartsTheProgram) {
  String launched;
  const detail::TShellLauncher saved = detail::SetShellLauncher([&](const String& FileName, const String&) {
    launched = FileName;
    return true;
  });
  const String file = CopyPlugin(ZEPH_TEST_PLUGIN_FULL, "plugin-yes", u"y.so");
  auto* plugin = CreatePlugin<TFakePlugin>(nullptr, file);
  plugin->SetInitialized(true);
  PluginManager()->AddPlugin(plugin);
  {
    TMessageBoxProbe box(IDYES);
    PluginManager()->HandlePluginFailure(file, plugin);
    TZCLMainThread::CheckSynchronize();
    EXPECT_EQ(box.Texts.size(), 1u);
  }
  // The restart happens when the core shuts down.
  EXPECT_TRUE(launched.empty());
  RestartCore(UTF8ToString(TempDir()) + u"/program/");
  EXPECT_EQ(launched, GetModuleFileName());
  detail::SetShellLauncher(saved);
  plugin->SetEnabled(true);
  Free(plugin);
}

TEST_F(PluginFailure, UninitializedAndOwnModuleFailuresAreOnlyLogged) {
  TZEPHPluginManager* manager = PluginManager();
  const String folder = NewTestFolder("plugin-nested");
  auto* plugin = CreatePlugin<TFakePlugin>(nullptr, folder + u"b.so");
  ASSERT_TRUE(CopyFile(UTF8ToString(ZEPH_TEST_PLUGIN_FULL), folder + u"b.so", false));
  manager->AddPlugin(plugin);
  const Integer count = manager->Count();
  const Integer queued = TZCLMainThread::GetQueuedCount();
  try {
    throw Exception(u"boom");
  } catch (...) {
    plugin->HandleException(u"Test");  // not initialized
  }
  manager->HandlePluginFailure(PluginHostModuleFileName(), plugin);
  manager->HandlePluginFailure(folder + u"b.so", nullptr);
  EXPECT_EQ(manager->Count(), count);
  EXPECT_EQ(TZCLMainThread::GetQueuedCount(), queued);
  EXPECT_TRUE(FileExists(folder + u"b.so"));

  EXPECT_TRUE(manager->ExtractPlugin(plugin));
  Free(plugin);
}

TEST_F(PluginFailure, FailuresFromManyThreadsKeepTheListConsistent) {
  TZEPHPluginManager* manager = PluginManager();
  const String folder = NewTestFolder("plugin-threads");
  std::vector<TFakePlugin*> plugins;
  for (int i = 0; i < 8; ++i) {
    const String file = folder + IntToStr(i) + u".so";
    ASSERT_TRUE(CopyFile(UTF8ToString(ZEPH_TEST_PLUGIN_FULL), file, false));
    plugins.push_back(CreatePlugin<TFakePlugin>(nullptr, file));
    plugins.back()->SetInitialized(true);
    manager->AddPlugin(plugins.back());
  }
  const Integer count = manager->Count();
  TMessageBoxProbe box(IDNO);
  std::vector<std::thread> threads;
  for (auto* plugin : plugins)
    threads.emplace_back([manager, plugin] { manager->HandlePluginFailure(plugin->GetFileName(), plugin); });
  for (int i = 0; i < 200; ++i) manager->Notify(CORE_NOTIFY_EXTENSION_REMOVED, nullptr);
  for (auto& t : threads) t.join();
  TZCLMainThread::CheckSynchronize();
  // Overlapping failures are only logged; each handled one left the list and was renamed once.
  Integer handled = 0;
  for (auto* plugin : plugins) {
    const bool renamed = FileExists(plugin->GetFileName() + u"_unstable");
    handled += renamed;
    EXPECT_NE(renamed, FileExists(plugin->GetFileName()));
    EXPECT_EQ(renamed, !plugin->GetInitialized());
  }
  EXPECT_GE(handled, 1);
  EXPECT_EQ(manager->Count(), count - handled);
  EXPECT_EQ(static_cast<Integer>(box.Texts.size()), handled);
  for (auto* plugin : plugins) {
    plugin->SetEnabled(true);
    manager->ExtractPlugin(plugin);
    Free(plugin);
  }
}
}  // namespace
