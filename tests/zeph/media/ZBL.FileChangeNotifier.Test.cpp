#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "rtl/RTL.SyncObjs.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.SimpleIPC.h"
#include "zeph/media/ZBL.FileChangeNotifier.h"

namespace {
class TChangeListener : public TInterfacedObject, public IZBLFileChangeNotification {
  RTL_INTERFACES(TInterfacedObject, IZBLFileChangeNotification)
 public:
  void FileChanging(const String& FileName) override { Log.push_back(u"changing " + FileName); }
  void FileChanged(const String& FileName, Byte Kind, const String& NewName) override {
    Log.push_back(u"changed " + FileName + u" " + String(1, static_cast<Char>(u'0' + Kind)) + u" " + NewName);
  }
  std::vector<String> Log;
};

class TBatchListener : public TChangeListener, public IZBLFileBatchOperationNotification {
  RTL_INTERFACES(TChangeListener, IZBLFileBatchOperationNotification)
 public:
  void BatchBegins() override { Log.push_back(u"begins"); }
  void BatchEnds() override { Log.push_back(u"ends"); }
};

class FileChangeNotifier : public ::testing::Test {
 protected:
  void SetUp() override {
    Change = Create<TChangeListener>();
    Batch = Create<TBatchListener>();
    N()->GetListeners()->Add(IPtr<IInterface>(static_cast<IZBLFileChangeNotification*>(Change.get())));
    N()->GetListeners()->Add(IPtr<IInterface>(static_cast<IZBLFileChangeNotification*>(Batch.get())));
  }
  void TearDown() override { N()->GetListeners()->Clear(); }
  static TZBLFileChangeNotifier* N() { return TZBLFileChangeNotifier::Instance(); }
  static void Raw(const char16_t* Name, const String& Text) { TZCLIPCHub::Send(TZCLIPCHub::GetMessageID(Name), Text); }
  IPtr<TChangeListener> Change;
  IPtr<TBatchListener> Batch;
};
}  // namespace

TEST_F(FileChangeNotifier, SendsToEveryListener) {
  N()->NotifyFileChanged(u"/a.mp3", true);
  N()->NotifyFileChanged(u"/b.mp3");
  N()->NotifyFileChanging(u"/c.mp3");
  const std::vector<String> expected = {u"changed /a.mp3 2 ", u"changed /b.mp3 0 ", u"changing /c.mp3"};
  EXPECT_EQ(Change->Log, expected);
  EXPECT_EQ(Batch->Log, expected);
}

TEST_F(FileChangeNotifier, ReceivedTexts) {
  Raw(u"zeph:filechanged", u"/x.mp3|1|/y.mp3");  // the identifier ignores case
  Raw(u"ZEPH:FileChanged", u"a|b");
  Raw(u"ZEPH:FileChanged", u"a|1|b|c");
  Raw(u"ZEPH:FileChanged", u"a|x|");
  Raw(u"ZEPH:FileChanged", u"a|258|");  // kept in 8 bits
  EXPECT_EQ(Change->Log, (std::vector<String>{u"changed /x.mp3 1 /y.mp3", u"changed a 0 ", u"changed a 2 "}));
  Raw(u"ZEPH:BatchFileRename", u"5");
  Raw(u"ZEPH:BatchFileRename", u"");
  N()->BeginBatchOperation();
  N()->EndBatchOperation();
  EXPECT_EQ(Change->Log.size(), 3u);  // no batch messages for a plain change listener
  EXPECT_EQ(std::vector<String>(Batch->Log.end() - 4, Batch->Log.end()),
            (std::vector<String>{u"begins", u"ends", u"begins", u"ends"}));
}

TEST_F(FileChangeNotifier, WorkerSendsReachTheMainThread) {
  TEvent done;
  std::thread worker([&] {
    N()->NotifyFileChanged(u"/w.mp3", true);
    done.SetEvent();
  });
  // The worker waits until the main thread has delivered its message.
  EXPECT_EQ(done.WaitFor(10000, true), wrSignaled);
  worker.join();
  EXPECT_EQ(Change->Log, (std::vector<String>{u"changed /w.mp3 2 "}));
}
