#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <vector>

#include "os/OS.Files.h"
#include "rtl/RTL.Encoding.h"
#include "rtl/RTL.Streams.h"
#include "zeph/core/ZEPH.Core.TestUtil.h"
#include "zeph/core/ZEPH.Core.h"
#include "zeph/core/ZEPH.Plugins.Presenter.h"
#include "zeph/core/ZEPH.Plugins.Wrapped.h"
#include "zeph/core/ZEPH.Plugins.h"

namespace {
struct IRecorderA : virtual IInterface {
  RTL_INTERFACE(IRecorderA, IInterface, "{7A1D33E0-6C5B-4B8E-9F10-2C3D4E5F6071}")
};
struct IRecorderB : virtual IInterface {
  RTL_INTERFACE(IRecorderB, IInterface, "{7A1D33E0-6C5B-4B8E-9F10-2C3D4E5F6072}")
};

using TNames = std::map<IInterface*, std::string>;

// An extendable service that logs what leaves it, by the names the test gave the objects.
class TRecorder : public TInterfacedObject,
                  public IRecorderA,
                  public IZEPHServiceAttrExtendable,
                  public IZEPHCoreSystemNotification {
  ZCL_CLASS(TRecorder, TInterfacedObject)
 public:
  TRecorder(const TGUID& AIID, TNames& ANames, std::vector<std::string>& ALog)
      : FIID(AIID), FNames(ANames), FLog(ALog) {}
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override {
    if (IID == FIID) return TInterfacedObject::QueryInterface(IInterface::IID, Obj);
    if (InterfaceTableQuery<IZEPHServiceAttrExtendable, IZEPHCoreSystemNotification>(this, IID, Obj)) return S_OK;
    return TInterfacedObject::QueryInterface(IID, Obj);
  }
  void RegisterExtension(IInterface*) override {}
  void UnregisterExtension(IInterface* Extension) override { FLog.push_back("-" + FNames[Extension]); }
  void Notify(Integer Code, IInterface* Object) override {
    if (Code == CORE_NOTIFY_SERVICE_UNREGISTERED && FNames.count(Object)) FLog.push_back("-" + FNames[Object]);
  }

 private:
  TGUID FIID;
  TNames& FNames;
  std::vector<std::string>& FLog;
};

class TItem : public TInterfacedObject {
  ZCL_CLASS(TItem, TInterfacedObject)
};

IPtr<IInterface> NewItem(TNames& Names, const std::string& Name) {
  IPtr<IInterface> item(static_cast<IInterface*>(Create<TItem>()));
  Names[item.get()] = Name;
  return item;
}

class TTestWrapped : public TZEPHCustomWrappedPlugin {
  ZCL_CLASS(TTestWrapped, TZEPHCustomWrappedPlugin)
 public:
  using TZEPHCustomWrappedPlugin::TZEPHCustomWrappedPlugin;

 protected:
  Cardinal DoGetCategories() override { return 1; }
};

class PluginPresenter : public testing::Test {
 protected:
  void SetUp() override {
    FPlugin = CreatePlugin<TTestWrapped>(nullptr, u"");
    FPlugin->SetInitialized(true);
  }
  void TearDown() override {
    Free(FPlugin);
    for (auto* r : {FRecorderA, FRecorderB})
      if (r) TZEPHCore::Instance()->UnregisterService(static_cast<IZEPHServiceAttrExtendable*>(r));
  }
  TRecorder* AddRecorder(const TGUID& IID) {
    auto* r = Create<TRecorder>(IID, FNames, FLog);
    FKeep.emplace_back(static_cast<IZEPHServiceAttrExtendable*>(r));
    TZEPHCore::Instance()->RegisterService(static_cast<IZEPHServiceAttrExtendable*>(r));
    return r;
  }
  TZEPHPlugin* FPlugin = nullptr;
  TRecorder* FRecorderA = nullptr;
  TRecorder* FRecorderB = nullptr;
  TNames FNames;
  std::vector<std::string> FLog;
  std::vector<IPtr<IInterface>> FKeep;
};

TEST_F(PluginPresenter, FinalizingTakesRegistrationsBackNewestFirst) {
  FRecorderA = AddRecorder(IRecorderA::IID);
  FRecorderB = AddRecorder(IRecorderB::IID);
  TZEPHPluginPresenter* presenter = FPlugin->GetPresenter();
  const IPtr<IInterface> s1 = NewItem(FNames, "S1"), s2 = NewItem(FNames, "S2");
  const IPtr<IInterface> e1 = NewItem(FNames, "E1"), e2 = NewItem(FNames, "E2"), e3 = NewItem(FNames, "E3");
  TZEPHPluginManager* manager = PluginManager();  // a core service itself
  const Integer services = TZEPHCore::Instance()->GetServiceCount();
  EXPECT_EQ(presenter->RegisterService(s1.get()), S_OK);
  EXPECT_EQ(presenter->RegisterService(s2.get()), S_OK);
  EXPECT_EQ(presenter->RegisterExtension(IRecorderA::IID, e1.get()), S_OK);
  EXPECT_EQ(presenter->RegisterExtension(IRecorderB::IID, e2.get()), S_OK);
  const TGUID unknown = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
  EXPECT_EQ(presenter->RegisterExtension(unknown, e3.get()), E_NOINTERFACE);
  EXPECT_FALSE(presenter->OwnsInterface(e3.get()));
  EXPECT_TRUE(presenter->OwnsInterface(e2.get()));
  EXPECT_TRUE(presenter->OwnsInterface(s1.get()));

  // The plugin is found through what it registered; a foreign object finds nothing.
  manager->AddPlugin(FPlugin);
  TZEPHPlugin* owner = nullptr;
  EXPECT_TRUE(manager->FindPluginByInterface(e1.get(), owner));
  EXPECT_EQ(owner, FPlugin);
  EXPECT_FALSE(manager->FindPluginByInterface(e3.get(), owner));
  EXPECT_FALSE(manager->FindPluginByInterface(nullptr, owner));
  manager->ExtractPlugin(FPlugin);

  // Registration off the main thread is refused and changes nothing.
  HRESULT fromWorker = S_OK, extFromWorker = S_OK;
  std::thread([&] {
    fromWorker = presenter->RegisterService(e3.get());
    extFromWorker = presenter->RegisterExtension(IRecorderA::IID, e3.get());
  }).join();
  EXPECT_EQ(fromWorker, E_ACCESSDENIED);
  EXPECT_EQ(extFromWorker, E_ACCESSDENIED);
  EXPECT_EQ(TZEPHCore::Instance()->GetServiceCount(), services + 2);

  FLog.clear();
  FPlugin->Finalize();
  // Each service hears the unregistrations; the first recorder's log is the order of events.
  const std::vector<std::string> expected = {"-E2", "-E1", "-S2", "-S2", "-S1", "-S1"};
  EXPECT_EQ(FLog, expected);
  EXPECT_EQ(TZEPHCore::Instance()->GetServiceCount(), services);
  EXPECT_TRUE(presenter->GetServices().empty());
  EXPECT_TRUE(presenter->GetExtensions().empty());
}

TEST_F(PluginPresenter, ForeignUnregistrationsAndRepeatedExtensionRemoval) {
  FRecorderA = AddRecorder(IRecorderA::IID);
  FRecorderB = AddRecorder(IRecorderB::IID);
  TZEPHPluginPresenter* presenter = FPlugin->GetPresenter();
  const IPtr<IInterface> s1 = NewItem(FNames, "S1"), e1 = NewItem(FNames, "E1");
  presenter->RegisterService(s1.get());
  presenter->RegisterExtension(IRecorderA::IID, e1.get());
  presenter->RegisterExtension(IRecorderB::IID, e1.get());

  FLog.clear();
  EXPECT_EQ(presenter->UnregisterExtension(e1.get()), S_OK);
  EXPECT_EQ(FLog, (std::vector<std::string>{"-E1", "-E1"}));
  EXPECT_EQ(presenter->UnregisterExtension(e1.get()), E_HANDLE);

  // Someone else unregisters S1: the plugin forgets it and does not unregister it again.
  PluginManager()->AddPlugin(FPlugin);
  TZEPHCore::Instance()->UnregisterService(s1.get());
  PluginManager()->ExtractPlugin(FPlugin);
  EXPECT_FALSE(presenter->OwnsInterface(s1.get()));
  FLog.clear();
  FPlugin->Finalize();
  EXPECT_TRUE(FLog.empty());
}

TEST_F(PluginPresenter, LanguageFilesFillOnlyMissingKeys) {
  const String folder = NewTestFolder("plugin-langs");
  ForceDirectories(folder + u"plugin/Langs");
  auto write = [](const String& File, const std::string& Text) {
    TFileStream* stream = Create<TFileStream>(File, fmCreate);
    stream->WriteBuffer(Text.data(), static_cast<Integer>(Text.size()));
    Free(stream);
  };
  write(folder + u"plugin/Langs/English.lng", "[P]\nK=a\nJ=a\nE=en\n");
  write(folder + u"plugin/Langs/Test.lng", "[P]\nK=b\nJ=b\n");
  write(folder + u"Test.lng", "[P]\nJ=app\n");
  Free(FPlugin);
  FPlugin = CreatePlugin<TTestWrapped>(nullptr, folder + u"plugin/p.so");
  TZEPHPluginPresenter* presenter = FPlugin->GetPresenter();
  EXPECT_TRUE(presenter->HasLangsFolder());
  LangFile()->LoadFromFile(folder + u"Test.lng");
  EXPECT_EQ(LangFile()->ReadString(u"P", u"K", u"?"), u"b");
  EXPECT_EQ(LangFile()->ReadString(u"P", u"J", u"?"), u"app");
  EXPECT_EQ(LangFile()->ReadString(u"P", u"E", u"?"), u"en");

  // Without a "Langs" folder nothing is read, now or later.
  auto* bare = CreatePlugin<TTestWrapped>(nullptr, folder + u"p2.so");
  EXPECT_FALSE(bare->GetPresenter()->HasLangsFolder());
  ForceDirectories(folder + u"Langs");
  EXPECT_FALSE(bare->GetPresenter()->HasLangsFolder());
  Free(bare);
}
}  // namespace
