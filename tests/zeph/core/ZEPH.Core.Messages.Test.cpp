#include <gtest/gtest.h>
#include <sys/mman.h>

#include <thread>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "zcl/base/ZCL.Threading.h"
#include "zeph/core/ZEPH.Core.Messages.h"
#include "zeph/core/ZEPH.Core.TestUtil.h"
#include "zeph/core/ZEPH.Core.h"

namespace {
// A dispatcher of its own per test; the core's hook is not on it.
class ZephDispatcher : public ::testing::Test {
 protected:
  IPtr<IZEPHServiceMessageDispatcher> FDispatcher{Create<TZEPHCoreMessageDispatcher>()};
  std::vector<char> FCalls;
  IPtr<IZEPHMessageHook> Hook(char Name, HRESULT Answer) {
    IPtr<IZEPHMessageHook> hook = MakeHook([this, Name, Answer](Cardinal, Integer, void*, HRESULT& Result) {
      FCalls.push_back(Name);
      if (Answer != E_NOTIMPL) Result = Answer;
    });
    FDispatcher->Hook(hook.get());
    return hook;
  }
};

// A page that cannot be read or written.
struct TNoAccessPage {
  TNoAccessPage() { Address = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0); }
  ~TNoAccessPage() { munmap(Address, 4096); }
  void* Address;
};
}  // namespace

TEST_F(ZephDispatcher, NewestHookAnswersFirstAndEventsReachEveryHook) {
  auto a = Hook('A', S_OK), b = Hook('B', S_OK);
  Integer value = 0;
  EXPECT_EQ(FDispatcher->Send(ZEPH_PROP_VOLUME, 0, &value), S_OK);
  EXPECT_EQ(FCalls, (std::vector<char>{'B'}));
  FCalls.clear();
  EXPECT_EQ(FDispatcher->Send(ZEPH_EVENT_STATE_CHANGED, 2, nullptr), S_OK);
  EXPECT_EQ(FCalls, (std::vector<char>{'B', 'A'}));
}

TEST_F(ZephDispatcher, StartingResultsAndHooksThatPass) {
  struct Case {
    Cardinal Message;
    HRESULT Expected;
  } cases[] = {{ZEPH_CMD_VIS_NEXT, E_NOTIMPL}, {ZEPH_PROP_STATE, E_NOTIMPL}, {ZEPH_EVENT_SKIN_LOADED, S_OK},
               {ZEPH_MSG_FIRST_REGISTERED + 3, E_NOTIMPL}};
  for (const Case& c : cases) EXPECT_EQ(FDispatcher->Send(c.Message, 0, nullptr), c.Expected) << c.Message;
  // A hook that leaves E_NOTIMPL lets the next older one answer.
  auto older = Hook('A', E_FAIL), newer = Hook('B', E_NOTIMPL);
  EXPECT_EQ(FDispatcher->Send(ZEPH_CMD_VIS_NEXT, 0, nullptr), E_FAIL);
  EXPECT_EQ(FCalls, (std::vector<char>{'B', 'A'}));
}

TEST_F(ZephDispatcher, HookThatRaisesIsDroppedAndDeliveryGoesOn) {
  auto a = Hook('A', S_OK);
  IPtr<IZEPHMessageHook> bad = MakeHook([this](Cardinal, Integer, void*, HRESULT&) {
    FCalls.push_back('X');
    throw Exception(u"broken hook");
  });
  FDispatcher->Hook(bad.get());
  auto c = Hook('C', S_OK);
  EXPECT_EQ(FDispatcher->Send(ZEPH_EVENT_RESET, 0, nullptr), S_OK);
  EXPECT_EQ(FCalls, (std::vector<char>{'C', 'X', 'A'}));
  FCalls.clear();
  FDispatcher->Send(ZEPH_EVENT_RESET, 0, nullptr);
  EXPECT_EQ(FCalls, (std::vector<char>{'C', 'A'}));
  EXPECT_EQ(FDispatcher->Unhook(bad.get()), E_INVALIDARG);
  EXPECT_EQ(FDispatcher->Unhook(a.get()), S_OK);
}

TEST_F(ZephDispatcher, NamedMessagesKeepTheirNumberWhateverTheCase) {
  const Cardinal id = FDispatcher->RegisterMessage(u"prvPlayingFileInfo.ReloadAlbumArt");
  EXPECT_GE(id, ZEPH_MSG_FIRST_REGISTERED);
  EXPECT_EQ(FDispatcher->RegisterMessage(u"PRVPLAYINGFILEINFO.RELOADALBUMART"), id);
  EXPECT_EQ(FDispatcher->RegisterMessage(u"prvPlayingFileInfo.UpdateChapter"), id + 1);
}

TEST_F(ZephDispatcher, MessageFromAWorkerRunsOnTheUIThreadAndReturnsItsResult) {
  bool onMain = false;
  auto hook = MakeHook([&](Cardinal Message, Integer, void* Param2, HRESULT& Result) {
    if (Message != ZEPH_PROP_DURATION) return;
    onMain = IsMainThread();
    Result = WriteFloatParam(Param2, 320.0f);
  });
  FDispatcher->Hook(hook.get());
  TZCLEvent done;
  HRESULT result = E_FAIL;
  Single value = 0;
  std::thread worker([&] {
    result = FDispatcher->Send(ZEPH_PROP_DURATION, 0, &value);
    done.Signal();
  });
  EXPECT_TRUE(done.WaitFor(10000));
  worker.join();
  EXPECT_EQ(result, S_OK);
  EXPECT_EQ(value, 320.0f);
  EXPECT_TRUE(onMain);
}

TEST(ZephMessages, MessageFunctionsShapeTheirMessages) {
  std::vector<std::pair<Cardinal, Integer>> sent;
  Integer written = 0;
  auto hook = MakeHook([&](Cardinal Message, Integer Param1, void* Param2, HRESULT& Result) {
    if (Message == ZEPH_PROP_4126) return;
    sent.emplace_back(Message, Param1);
    if (Message == ZEPH_PROP_SPEED && (Param1 & 0xFFFF) == 1) {
      HRESULT r;
      written = ReadIntParam(Param2, r, 0);
      Result = S_OK;
    }
  });
  IZEPHServiceMessageDispatcher* dispatcher = TZEPHCore::Instance()->GetDispatcher();
  dispatcher->Hook(hook.get());
  // The read of an unanswered property falls back to 0, so the toggle writes -1.
  EXPECT_TRUE(CorePropertyToggle(ZEPH_PROP_SPEED));
  EXPECT_EQ(written, -1);
  EXPECT_EQ(CoreEqualizerGetBand(3), 0.0f);
  EXPECT_EQ(CorePropertyGetInt(ZEPH_PROP_STATE, 5), 5);
  EXPECT_FALSE(CoreIsCommandEnabled(12));
  dispatcher->Unhook(hook.get());
  const std::vector<std::pair<Cardinal, Integer>> expected{
      {ZEPH_PROP_SPEED, 0}, {ZEPH_PROP_SPEED, 1}, {ZEPH_PROP_EQ_BAND, 196608}, {ZEPH_PROP_STATE, 0}, {1, 12}};
  EXPECT_EQ(sent, expected);
  EXPECT_TRUE(IsPropertyMessage(4096));
  EXPECT_TRUE(IsPropertyMessage(8192));
  EXPECT_FALSE(IsPropertyMessage(8193));
}

TEST(ZephMessages, GuardedParametersNeverFault) {
  TNoAccessPage page;
  Integer value = 42;
  HRESULT r = S_OK;
  EXPECT_FALSE(TryReadIntParam(nullptr, value, r));
  EXPECT_EQ(r, E_INVALIDARG);
  EXPECT_FALSE(TryReadIntParam(page.Address, value, r));
  EXPECT_EQ(r, E_POINTER);
  EXPECT_EQ(ReadFloatParam(page.Address, r, 1.5f), 1.5f);
  EXPECT_EQ(WriteIntParam(nullptr, 1), E_INVALIDARG);
  EXPECT_EQ(WriteIntParam(page.Address, 1), E_POINTER);
  // Read-only memory reads but does not take a write.
  static const Integer constant = 9;
  EXPECT_EQ(ReadIntParam(&constant, r, 0), 9);
  EXPECT_EQ(WriteIntParam(const_cast<Integer*>(&constant), 1), E_POINTER);
  EXPECT_EQ(WriteIntParam(&value, 7), S_OK);
  EXPECT_EQ(value, 7);
}
