#include <gtest/gtest.h>

#include "zeph/core/ZEPH.Core.Messages.h"
#include "zeph/core/ZEPH.Core.h"
#include "zeph/core/ZEPH.Plugins.Old.h"
#include "zeph/core/ZEPH.Plugins.Wrapped.h"

namespace {
class TSampleWrapped : public TZEPHCustomWrappedPlugin {
  ZCL_CLASS(TSampleWrapped, TZEPHCustomWrappedPlugin)
 public:
  using TZEPHCustomWrappedPlugin::TZEPHCustomWrappedPlugin;

 protected:
  Cardinal DoGetCategories() override { return 4; }
};

TEST(WrappedPlugin, IsItsOwnHeader) {
  auto* plugin = CreatePlugin<TSampleWrapped>(nullptr, u"");
  IZEPHPlugin* header = plugin->GetHeaderRef();
  ASSERT_EQ(header, static_cast<IZEPHPlugin*>(plugin));
  EXPECT_EQ(header->GetInfo(4), nullptr);
  EXPECT_EQ(header->GetInfo(-1), nullptr);
  ASSERT_NE(header->GetInfo(0), nullptr);
  EXPECT_EQ(header->GetInfo(0)[0], u'\0');
  plugin->InfoName = u"Preview";
  plugin->InfoText2 = u"two";
  EXPECT_EQ(String(header->GetInfo(0)), u"Preview");
  TZEPHPlugin* host = plugin;
  EXPECT_EQ(host->GetInfo(2), u"two");
  EXPECT_EQ(host->GetInfo(4), u"");
  EXPECT_EQ(host->GetCategories(), 0b100);
  EXPECT_EQ(header->Initialize(nullptr), S_OK);
  EXPECT_EQ(plugin->GetFolder(), u"");
  EXPECT_EQ(plugin->GetHandle(), nullptr);
  Free(plugin);
}

class TQueryService : public TInterfacedObject, public IZEPHCoreSystemNotification {
  ZCL_CLASS(TQueryService, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZEPHCoreSystemNotification)
 public:
  void Notify(Integer, IInterface*) override {}
};

TEST(LegacyCoreUnit, HookVersionAndServiceQueries) {
  TZEPHOldCoreUnit* unit = Create<TZEPHOldCoreUnit>();
  IPtr<IZEPHCoreUnit> keep(unit);
  struct TCase {
    Cardinal Message;
    Integer Param1;
    HRESULT Expected;
  };
  for (const TCase& c : {TCase{1, 10, S_OK}, TCase{1, 11, 123}, TCase{99, 10, 123}}) {
    HRESULT result = 123;
    unit->CoreMessage(c.Message, c.Param1, nullptr, result);
    EXPECT_EQ(result, c.Expected) << c.Message << "/" << c.Param1;
  }

  TZEPHCoreUnitVersion version{};
  ASSERT_EQ(unit->GetVersion(version), S_OK);
  EXPECT_EQ(version.Version, 5400u);
  EXPECT_EQ(version.Build, 1430u);
  EXPECT_EQ(static_cast<Cardinal>(version.BuildDate), 0x5C6153F9u);
  const Char* extra = version.Extra;  // the record is packed: read the pointer by value
  ASSERT_NE(extra, nullptr);
  EXPECT_EQ(extra[0], u'\0');

  IPtr<IZEPHCoreSystemNotification> none;
  EXPECT_EQ(unit->QueryInterface(IZEPHCoreSystemNotification::IID, reinterpret_cast<void**>(&none)), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
  IPtr<IInterface> first(static_cast<IZEPHCoreSystemNotification*>(Create<TQueryService>()));
  IPtr<IInterface> second(static_cast<IZEPHCoreSystemNotification*>(Create<TQueryService>()));
  unit->GetServices()->Add(first);
  unit->GetServices()->Add(second);
  IPtr<IZEPHCoreSystemNotification> found;
  ASSERT_EQ(unit->QueryInterface(IZEPHCoreSystemNotification::IID, reinterpret_cast<void**>(&found)), S_OK);
  IPtr<IInterface> identity;
  found->QueryInterface(IInterface::IID, reinterpret_cast<void**>(&identity));
  EXPECT_EQ(identity.get(), first.get());
}
}  // namespace
