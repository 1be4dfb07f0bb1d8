#include <gtest/gtest.h>

#include <vector>

#include "zeph/core/ZEPH.Core.Messages.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"
#include "zeph/core/ZEPH.Core.TestUtil.h"
#include "zeph/core/ZEPH.Core.h"

namespace {
struct IProbeA : virtual IInterface {
  RTL_INTERFACE(IProbeA, IInterface, "{11111111-2222-3333-4444-000000000001}")
  virtual Integer Id() = 0;
};

// A service that answers IProbeA, optionally creates objects, takes extensions and hears system
// notifications.
class TProbeService : public TInterfacedObject,
                      public IProbeA,
                      public IZEPHServiceAttrObjects,
                      public IZEPHServiceAttrExtendable,
                      public IZEPHCoreSystemNotification {
  ZCL_CLASS(TProbeService, TInterfacedObject)
 public:
  explicit TProbeService(Integer AId, bool AExtendable = true) : FId(AId), FExtendable(AExtendable) {}
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override {
    if (!FExtendable && IID == IIDOf<IZEPHServiceAttrExtendable>()) {
      if (Obj) *Obj = nullptr;
      return E_NOINTERFACE;
    }
    if (InterfaceTableQuery<IProbeA, IZEPHServiceAttrObjects, IZEPHServiceAttrExtendable, IZEPHCoreSystemNotification>(
            this, IID, Obj))
      return S_OK;
    return TInterfacedObject::QueryInterface(IID, Obj);
  }
  Integer Id() override { return FId; }
  HRESULT CreateObject(const TGUID& IID, void** Obj) override {
    ++CreateCalls;
    return QueryInterface(IID, Obj);
  }
  void RegisterExtension(IInterface*) override { ++Extensions; }
  void UnregisterExtension(IInterface*) override { --Extensions; }
  void Notify(Integer Code, IInterface*) override { Codes.push_back(Code); }

  Integer CreateCalls = 0;
  Integer Extensions = 0;
  std::vector<Integer> Codes;

 private:
  Integer FId;
  bool FExtendable;
};

class TProbeObject : public TInterfacedObject, public IProbeA {
  ZCL_CLASS(TProbeObject, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IProbeA)
 public:
  Integer Id() override { return 99; }
};

class ZephCore : public ::testing::Test {
 protected:
  void SetUp() override { FCore = Create<TZEPHCore>(); }
  void TearDown() override {
    Free(FCore);
    // Running the procedures of a test core repointed the plugin routines at it.
    TZEPHAPIWrappers::Initialize(TZEPHCore::Instance());
  }
  IPtr<IProbeA> QueryProbe() {
    void* obj = nullptr;
    if (FCore->QueryInterface(IIDOf<IProbeA>(), &obj) != S_OK) return nullptr;
    return IPtr<IProbeA>::Adopt(static_cast<IProbeA*>(obj));
  }
  TZEPHCore* FCore = nullptr;
};

// Records the order in which procedures run.
struct TProcLog : TObject {
  std::vector<int> Ran;
  void A() { Ran.push_back(1); }
  void B() { Ran.push_back(2); }
  void C() { Ran.push_back(3); }
};
}  // namespace

TEST_F(ZephCore, FactoryWinsOverServicesAndUnknownIdentifiersLeaveTheOutParameter) {
  IPtr<TProbeService> service(Create<TProbeService>(1));
  FCore->RegisterService(static_cast<IProbeA*>(service.get()));
  void* obj = nullptr;
  ASSERT_EQ(FCore->CreateObject(IIDOf<IProbeA>(), &obj), S_OK);
  IPtr<IProbeA> made = IPtr<IProbeA>::Adopt(static_cast<IProbeA*>(obj));
  EXPECT_EQ(made->Id(), 1);
  EXPECT_EQ(service->CreateCalls, 1);

  FCore->RegisterCreateObjectProc(IIDOf<IProbeA>(), [](IPtr<IInterface>& Obj) {
    Obj = IPtr<IInterface>(static_cast<IProbeA*>(Create<TProbeObject>()));
  });
  ASSERT_EQ(FCore->CreateObject(IIDOf<IProbeA>(), &obj), S_OK);
  made = IPtr<IProbeA>::Adopt(static_cast<IProbeA*>(obj));
  EXPECT_EQ(made->Id(), 99);
  EXPECT_EQ(service->CreateCalls, 1);

  Free(FCore);
  FCore = Create<TZEPHCore>();
  void* untouched = reinterpret_cast<void*>(0x1234);
  EXPECT_EQ(FCore->CreateObject(IIDOf<IProbeA>(), &untouched), E_NOINTERFACE);
  EXPECT_EQ(untouched, reinterpret_cast<void*>(0x1234));
}

TEST_F(ZephCore, ServicesAreFoundInRegistrationOrderAndUnregisteredOneAtATime) {
  IPtr<TProbeService> first(Create<TProbeService>(1)), second(Create<TProbeService>(2));
  EXPECT_EQ(QueryProbe(), nullptr);
  FCore->RegisterService(static_cast<IProbeA*>(first.get()));
  FCore->RegisterService(static_cast<IProbeA*>(second.get()));
  FCore->RegisterService(static_cast<IProbeA*>(first.get()));
  EXPECT_EQ(QueryProbe()->Id(), 1);
  // Both the service and the other one hear of registrations, in registration order.
  EXPECT_EQ(first->Codes, (std::vector<Integer>{1, 1, 1, 1}));
  EXPECT_EQ(second->Codes, (std::vector<Integer>{1, 1}));

  EXPECT_EQ(FCore->UnregisterService(static_cast<IProbeA*>(first.get())), S_OK);
  EXPECT_EQ(QueryProbe()->Id(), 2);
  EXPECT_EQ(FCore->UnregisterService(static_cast<IProbeA*>(first.get())), S_OK);
  EXPECT_EQ(FCore->UnregisterService(static_cast<IProbeA*>(first.get())), E_HANDLE);
  EXPECT_EQ(second->Codes.back(), CORE_NOTIFY_SERVICE_UNREGISTERED);
  EXPECT_EQ(FCore->GetServiceCount(), 1);
}

TEST_F(ZephCore, ExtensionsGoToExtendableServicesOnly) {
  IPtr<TProbeService> plain(Create<TProbeService>(1, false));
  FCore->RegisterService(static_cast<IProbeA*>(plain.get()));
  IPtr<TProbeObject> extension(Create<TProbeObject>());
  IInterface* ext = static_cast<IProbeA*>(extension.get());
  EXPECT_EQ(FCore->RegisterExtension(IIDOf<IZEPHServiceAttrExtendable>(), ext), E_NOINTERFACE);
  EXPECT_EQ(FCore->RegisterExtension(IIDOf<IProbeA>(), ext), E_NOINTERFACE);
  EXPECT_EQ(FCore->UnregisterServiceExtension(IIDOf<IProbeA>(), ext), E_HANDLE);

  IPtr<TProbeService> extendable(Create<TProbeService>(2));
  FCore->RegisterService(static_cast<IProbeA*>(extendable.get()));
  EXPECT_EQ(FCore->RegisterExtension(IIDOf<IZEPHServiceAttrExtendable>(), ext), S_OK);
  EXPECT_EQ(extendable->Extensions, 1);
  EXPECT_EQ(FCore->UnregisterExtension(ext), S_OK);
  EXPECT_EQ(extendable->Extensions, 0);
  EXPECT_EQ(extendable->Codes.back(), CORE_NOTIFY_EXTENSION_REMOVED);
}

TEST_F(ZephCore, StartProceduresRunInOrderAndStopProceduresInReverse) {
  TProcLog log;
  // The program's own core runs; this one starts from the registration phase.
  TZEPHCore::SetRunning(false);
  FCore->RegisterStartStopProcs({&log, &TProcLog::A}, {&log, &TProcLog::A});
  FCore->RegisterStartStopProcs({&log, &TProcLog::B}, {&log, &TProcLog::B});
  FCore->RegisterStartStopProcs(nullptr, {&log, &TProcLog::C});
  EXPECT_TRUE(log.Ran.empty());
  FCore->RunStartProcs();
  EXPECT_EQ(log.Ran, (std::vector<int>{1, 2}));

  log.Ran.clear();
  TZEPHCore::SetRunning(true);
  // While running a start procedure runs at once; a stop procedure is kept for shut-down.
  FCore->RegisterStartStopProcs({&log, &TProcLog::C}, {&log, &TProcLog::C});
  EXPECT_EQ(log.Ran, (std::vector<int>{3}));
  // Unregistering a registered stop procedure runs it once now and not again; an unknown one
  // does nothing.
  FCore->UnregisterStopProc({&log, &TProcLog::B});
  FCore->UnregisterStopProc({&log, &TProcLog::B});
  EXPECT_EQ(log.Ran, (std::vector<int>{3, 2}));
  TZEPHCore::SetRunning(false);

  log.Ran.clear();
  FCore->RunStopProcs();
  EXPECT_EQ(log.Ran, (std::vector<int>{3, 3, 1}));
  TZEPHCore::SetRunning(true);
}

TEST_F(ZephCore, AnswersProperty4126ReadWithZero) {
  Integer value = 7;
  EXPECT_EQ(FCore->GetDispatcher()->Send(ZEPH_PROP_4126, 0, &value), S_OK);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(FCore->GetDispatcher()->Send(ZEPH_PROP_4126, 1, &value), E_NOTIMPL);
  EXPECT_EQ(FCore->GetDispatcher()->Send(ZEPH_PROP_4126, 0, nullptr), E_INVALIDARG);
  // The dispatcher is a service once the services are made.
  FCore->CreateServices();
  void* obj = nullptr;
  ASSERT_EQ(FCore->QueryInterface(IIDOf<IZEPHServiceMessageDispatcher>(), &obj), S_OK);
  IPtr<IZEPHServiceMessageDispatcher>::Adopt(static_cast<IZEPHServiceMessageDispatcher*>(obj));
}
