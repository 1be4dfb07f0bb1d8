#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.SyncObjs.h"
#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.SimpleIPC.h"

namespace {

TEST(ZclAppAtom, OneHolderPerNameIgnoringCase) {
  auto* first = new TZCLAppAtom(u"ZephTest.Atom");
  EXPECT_EQ(first->GetName(), u"ZEPHTEST.ATOM");
  EXPECT_NE(first->GetHandle(), nullptr);
  auto* second = new TZCLAppAtom(u"zephtest.atom");
  EXPECT_EQ(second->GetHandle(), nullptr);
  Free(second);
  Free(first);
  auto* again = new TZCLAppAtom(u"ZEPHTEST.atom");
  EXPECT_NE(again->GetHandle(), nullptr);
  Free(again);
}

struct TRecorder {
  struct TCall {
    Cardinal Message;
    String Text;
    bool OnMain;
    int Receiver;
  };
  std::vector<TCall> Calls;
  void First(Cardinal Message, const String& Text) { Calls.push_back({Message, Text, IsMainThread(), 1}); }
  void Second(Cardinal Message, const String& Text) { Calls.push_back({Message, Text, IsMainThread(), 2}); }
};

class ZclIPCHub : public ::testing::Test {
 protected:
  void SetUp() override {
    TZCLIPCHub::Register({&FRec, &TRecorder::First});
    TZCLIPCHub::Register({&FRec, &TRecorder::Second});
  }
  void TearDown() override {
    TZCLIPCHub::Unregister({&FRec, &TRecorder::First});
    TZCLIPCHub::Unregister({&FRec, &TRecorder::Second});
  }
  TRecorder FRec;
};

TEST_F(ZclIPCHub, MessageNumbersComeFromTheNameIgnoringCase) {
  EXPECT_EQ(TZCLIPCHub::GetMessageID(u"FileRenamed"), TZCLIPCHub::GetMessageID(u"FILERENAMED"));
  EXPECT_NE(TZCLIPCHub::GetMessageID(u"FileRenamed"), TZCLIPCHub::GetMessageID(u"FileChanged"));
}

TEST_F(ZclIPCHub, ReceiveCallsReceiversInOrderUnlessThereIsNothingToSay) {
  TZCLIPCHub::Receive(0, u"");
  EXPECT_TRUE(FRec.Calls.empty());
  TZCLIPCHub::Receive(0, u"text");
  TZCLIPCHub::Unregister({&FRec, &TRecorder::First});
  TZCLIPCHub::Receive(9, u"");
  ASSERT_EQ(FRec.Calls.size(), 3u);
  EXPECT_EQ(FRec.Calls[0].Receiver, 1);
  EXPECT_EQ(FRec.Calls[1].Receiver, 2);
  EXPECT_EQ(FRec.Calls[1].Text, u"text");
  EXPECT_EQ(FRec.Calls[2].Receiver, 2);
  EXPECT_EQ(FRec.Calls[2].Message, 9u);
}

TEST_F(ZclIPCHub, SendDeliversOnTheMainThreadAndDoesNotRaise) {
  EXPECT_NO_THROW(TZCLIPCHub::Send(5, u"main"));
  TEvent done;
  bool raised = false;
  std::thread worker([&] {
    try {
      TZCLIPCHub::Send(6, u"worker");
    } catch (...) {
      raised = true;
    }
    done.SetEvent();
  });
  EXPECT_EQ(done.WaitFor(10000, true), wrSignaled);
  worker.join();
  EXPECT_FALSE(raised);
  ASSERT_EQ(FRec.Calls.size(), 4u);
  for (const TRecorder::TCall& call : FRec.Calls) EXPECT_TRUE(call.OnMain);
  EXPECT_EQ(FRec.Calls[2].Text, u"worker");
  EXPECT_EQ(FRec.Calls[3].Message, 6u);
}

class TTestClient : public TInterfacedObject, public IZCLIPCClient {
  RTL_INTERFACES(TInterfacedObject, IZCLIPCClient)
 public:
  explicit TTestClient(bool Accept) : FAccept(Accept) {}
  bool Send(Cardinal, const String& Text) override {
    Received.push_back(Text);
    return FAccept;
  }
  std::vector<String> Received;

 private:
  bool FAccept;
};

TEST_F(ZclIPCHub, ClientsGetMessagesAfterTheReceiversAndARefusingOneIsDropped) {
  auto* keeps = Create<TTestClient>(true);
  auto* refuses = Create<TTestClient>(false);
  IPtr<IZCLIPCClient> keepsRef(keeps), refusesRef(refuses);
  TZCLIPCHub::AddClient(keeps);
  TZCLIPCHub::AddClient(refuses);
  TZCLIPCHub::Send(1, u"one");
  TZCLIPCHub::Send(2, u"two");
  EXPECT_EQ(keeps->Received, (std::vector<String>{u"one", u"two"}));
  EXPECT_EQ(refuses->Received, (std::vector<String>{u"one"}));
  EXPECT_EQ(FRec.Calls.size(), 4u);
  TZCLIPCHub::RemoveClient(keeps);
  TZCLIPCHub::Send(3, u"three");
  EXPECT_EQ(keeps->Received.size(), 2u);
}

}  // namespace
