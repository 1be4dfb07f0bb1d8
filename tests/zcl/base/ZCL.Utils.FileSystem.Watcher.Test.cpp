#include "zcl/base/ZCL.Utils.FileSystem.Watcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "os/OS.FileNotify.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Strings.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"

namespace fs = std::filesystem;

namespace {

using TTaskPtr = IPtr<IZCLFileSystemWatcherTask>;

struct Counter {
  int Count = 0;
  void OnChange(IZCLFileSystemWatcherTask*) { ++Count; }
  TZCLFileSystemWatcherEvent Event() { return TZCLFileSystemWatcherEvent(this, &Counter::OnChange); }
};

// Serves the main thread's calls and, with Step, moves the virtual clock until Done answers true
// or five seconds of real time passed (file notifications arrive on their own threads).
template <class F>
bool PumpUntil(F Done, UInt64 Step = 0) {
  TSimpleEvent never;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!Done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Headless::RunUntilIdle();
    if (Step) Headless::Advance(Step);
    WaitForMainThreadServing({&never}, false, 5);
  }
  return true;
}

// Reports a change the way a monitor thread does: from another thread, waiting for the main one.
void ChangeFromWorker(const TTaskPtr& Task) {
  std::atomic<bool> done{false};
  std::thread worker([&] {
    Task->Changed();
    done = true;
  });
  EXPECT_TRUE(PumpUntil([&] { return done.load(); }));
  worker.join();
}

String Str(const fs::path& Path) { return UTF8ToString(Path.string()); }

void WriteFile(const fs::path& Path, const std::string& Text) {
  std::ofstream out(Path, std::ios::binary | std::ios::app);
  out << Text;
}

class ZclFileSystemWatcher : public ::testing::Test {
 protected:
  void SetUp() override {
    FDir = fs::path(TempDir()) / ("watcher-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(FDir);
    fs::create_directories(FDir);
  }
  void TearDown() override {
    for (TTaskPtr& task : FTasks) TZCLFileSystemWatcher::Remove(task);
    Headless::RunUntilIdle();
    fs::remove_all(FDir);
  }
  TTaskPtr& Watch(const std::vector<fs::path>& Folders, Counter& Counter, bool Recursive = false) {
    auto* paths = Create<TZCLSearchPaths>();
    for (const auto& folder : Folders) paths->Add(Str(folder), Recursive);
    FTasks.push_back(TZCLFileSystemWatcher::AddTask(paths, Counter.Event(), zcfwContent | zcfwNames));
    Free(paths);
    return FTasks.back();
  }

  fs::path FDir;
  std::vector<TTaskPtr> FTasks;
};

}  // namespace

TEST_F(ZclFileSystemWatcher, ChangesSettleIntoOneEventTwoSecondsAfterTheLast) {
  Counter counter;
  TTaskPtr task = Watch({FDir}, counter);
  for (int i = 0; i < 3; ++i) {
    ChangeFromWorker(task);
    if (i < 2) Headless::Advance(500);
  }
  Headless::Advance(1990);
  EXPECT_EQ(counter.Count, 0);
  Headless::Advance(20);
  EXPECT_EQ(counter.Count, 1);
  Headless::Advance(5000);
  EXPECT_EQ(counter.Count, 1);

  // A change seen while the task is locked is dropped, not postponed.
  task->Lock();
  ChangeFromWorker(task);
  task->Unlock();
  Headless::Advance(3000);
  EXPECT_EQ(counter.Count, 1);
}

TEST_F(ZclFileSystemWatcher, TaskMayRemoveItselfInItsEvent) {
  struct SelfRemover {
    TTaskPtr Task;
    int Count = 0;
    void OnChange(IZCLFileSystemWatcherTask*) {
      ++Count;
      TZCLFileSystemWatcher::Remove(Task);  // drops the last reference but the event's own
    }
  } remover;
  auto* paths = Create<TZCLSearchPaths>();
  paths->Add(Str(FDir), false);
  remover.Task = TZCLFileSystemWatcher::AddTask(paths, {&remover, &SelfRemover::OnChange}, zcfwContent);
  Free(paths);
  ChangeFromWorker(remover.Task);
  Headless::Advance(2000);
  EXPECT_EQ(remover.Count, 1);
  EXPECT_FALSE(remover.Task);
  Headless::Advance(3000);
  EXPECT_EQ(remover.Count, 1);
}

TEST_F(ZclFileSystemWatcher, LockCountSurvivesConcurrentLocking) {
  Counter counter;
  TTaskPtr task = Watch({FDir}, counter);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        task->Lock();
        task->Unlock();
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(dynamic_cast<TZCLFileSystemWatcherCustomTask*>(task.get())->GetLockCount(), 0);
}

TEST_F(ZclFileSystemWatcher, FileTaskIgnoresOtherFilesOfItsFolder) {
  const fs::path file = FDir / "list.m3u";
  WriteFile(file, "one\n");
  Counter fileCounter, folderCounter;
  FTasks.push_back(TZCLFileSystemWatcher::AddFileTask(Str(file), fileCounter.Event()));
  Watch({FDir}, folderCounter);

  WriteFile(FDir / "other.txt", "x");
  ASSERT_TRUE(PumpUntil([&] { return folderCounter.Count > 0; }, 100));
  Headless::Advance(3000);
  EXPECT_EQ(fileCounter.Count, 0);

  WriteFile(file, "two\n");
  ASSERT_TRUE(PumpUntil([&] { return fileCounter.Count > 0; }, 100));
  EXPECT_EQ(fileCounter.Count, 1);
}

TEST_F(ZclFileSystemWatcher, ChangeInThe65thFolderReachesItsTask) {
  std::vector<fs::path> first;
  for (int i = 0; i < 64; ++i) {
    first.push_back(FDir / ("f" + std::to_string(i)));
    fs::create_directories(first.back());
  }
  const fs::path last = FDir / "f64";
  fs::create_directories(last);
  Counter firstCounter, lastCounter;
  Watch(first, firstCounter);
  Watch({last}, lastCounter);
  EXPECT_EQ(TZCLFileSystemWatcher::GetMonitorCount(), 2);
  EXPECT_EQ(TZCLFileSystemWatcher::GetHandleCount(), 65);

  WriteFile(last / "new.txt", "x");
  ASSERT_TRUE(PumpUntil([&] { return lastCounter.Count > 0; }, 100));
  Headless::Advance(3000);
  EXPECT_EQ(firstCounter.Count, 0);
}

TEST_F(ZclFileSystemWatcher, MissingFolderIsRegisteredWithoutMonitorAndRemoveClearsReferences) {
  Counter counter;
  TTaskPtr& task = Watch({FDir / "missing"}, counter);
  EXPECT_TRUE(task);
  EXPECT_EQ(TZCLFileSystemWatcher::GetMonitorCount(), 0);

  TTaskPtr copy = task;
  TZCLFileSystemWatcher::Remove(task);
  EXPECT_FALSE(task);
  TZCLFileSystemWatcher::Remove(copy);  // no longer registered: only the reference goes
  EXPECT_FALSE(copy);
}

namespace {
// Tells when its monitor thread is inside Changed (then waiting for the main thread).
class TBusyTask : public TZCLFileSystemWatcherTask {
 public:
  using TZCLFileSystemWatcherTask::TZCLFileSystemWatcherTask;
  void Changed() override {
    Entered.Signal();
    TZCLFileSystemWatcherTask::Changed();
    Left = true;
  }
  TZCLEvent Entered;
  std::atomic<bool> Left{false};
};
}  // namespace

TEST_F(ZclFileSystemWatcher, RemovingATaskWhileItsMonitorIsBusyDoesNotDeadlock) {
  Counter counter;
  auto* paths = Create<TZCLSearchPaths>();
  paths->Add(Str(FDir), false);
  auto* busy = Create<TBusyTask>(paths, counter.Event(), zcfwContent | zcfwNames);
  Free(paths);
  TTaskPtr task(busy);
  TTaskPtr keep(task);  // the test looks at the task after its removal
  TZCLFileSystemWatcher::Add(task);

  WriteFile(FDir / "new.txt", "x");
  // The main thread serves nothing here, so the monitor stays inside Changed.
  ASSERT_TRUE(busy->Entered.WaitForNoSynchronize(5000));

  TZCLEvent removed;
  std::thread remover([&] {
    TZCLFileSystemWatcher::Remove(task);
    removed.Signal();
  });
  const bool finished = removed.WaitForNoSynchronize(5000);
  if (!finished) PumpUntil([] { return false; });  // frees the remover before failing
  remover.join();
  ASSERT_TRUE(finished);
  EXPECT_FALSE(task);

  // The monitor's pending call runs; the removed task raises no event.
  ASSERT_TRUE(PumpUntil([&] { return busy->Left.load(); }));
  Headless::Advance(3000);
  EXPECT_EQ(counter.Count, 0);
  EXPECT_EQ(TZCLFileSystemWatcher::GetMonitorCount(), 0);
}

// ---- drives ------------------------------------------------------------------------------------

TEST(ZclDriveManager, NormalizeRootKeepsTheRootOfAPath) {
  const std::pair<String, String> cases[] = {{u"C", u"C:\\"},         {u"C:", u"C:\\"}, {u"C:\\", u"C:\\"},
                                             {u"C:\\Music", u"C:\\"}, {u"", u""},       {u"/", u"/"}};
  for (const auto& [path, root] : cases) EXPECT_EQ(TZCLDriveManager::NormalizeRoot(path), root) << StringToUTF8(path);
  TVolumeInfo volume;
  ASSERT_TRUE(GetVolumeInfo(UTF8ToString(TempDir()), volume));
  EXPECT_EQ(TZCLDriveManager::NormalizeRoot(UTF8ToString(TempDir())), volume.Root);
}

TEST(ZclDriveManager, DisplayNameFallsBackToAutorunLabelDefaultAndDrive) {
  const fs::path root = fs::path(TempDir()) / "drive-root";
  fs::remove_all(root);
  fs::create_directories(root);
  TZCLDriveInfo info;
  info.Root = Str(root) + u"/";  // a folder, not a mount point: the system has no label for it
  EXPECT_EQ(info.GetDisplayName(), u"Drive (" + info.Root + u")");
  info.DisplayName.clear();
  EXPECT_EQ(info.GetDisplayName(u"Data"), u"Data (" + info.Root + u")");

  WriteFile(root / "autorun.inf", "[autorun]\r\nopen=setup.exe\r\nlabel=Music\r\n");
  info.DisplayName.clear();
  EXPECT_EQ(info.GetVolumeLabel(), u"Music");
  EXPECT_EQ(info.GetDisplayName(u"Data"), u"Music (" + info.Root + u")");
  EXPECT_EQ(info.GetDisplayName(u"Other"), u"Music (" + info.Root + u")");  // cached
  fs::remove_all(root);
}

namespace {
struct DriveLog {
  std::vector<std::pair<std::string, bool>> Calls;
  std::string Name;
  std::vector<std::string>* Order = nullptr;
  void OnDrive(const TZCLDriveInfo& Info, bool Mounted) {
    Calls.emplace_back(StringToUTF8(Info.Root), Mounted);
    if (Order) Order->push_back(Name);
  }
  TZCLDriveManager::TCallback Callback() { return TZCLDriveManager::TCallback(this, &DriveLog::OnDrive); }
};

bool Listed(const String& Root) {
  for (const auto& drive : TZCLDriveManager::GetDrives())
    if (drive.Root == Root) return true;
  return false;
}
}  // namespace

TEST(ZclDriveManager, MountAndRemovalReachCallbacksLastRegisteredFirst) {
  std::vector<std::string> order;
  DriveLog first{{}, "first", &order}, second{{}, "second", &order};
  TZCLDriveManager::AddCallback(first.Callback());
  TZCLDriveManager::AddCallback(second.Callback());

  TZCLDriveInfo info;
  info.Root = u"/zz-test-media/";
  TZCLDriveManager::Changed(info.Root, true, &info);
  EXPECT_TRUE(Listed(info.Root));
  EXPECT_EQ(order, (std::vector<std::string>{"second", "first"}));
  ASSERT_EQ(first.Calls.size(), 1u);
  EXPECT_EQ(first.Calls[0], (std::pair<std::string, bool>{"/zz-test-media/", true}));

  const auto drives = TZCLDriveManager::GetDrives();
  for (size_t i = 1; i < drives.size(); ++i) EXPECT_LE(AnsiCompareText(drives[i - 1].Root, drives[i].Root), 0);
  EXPECT_EQ(TZCLDriveManager::GetInfo(u"/ZZ-TEST-MEDIA/").Root, info.Root);

  TZCLDriveManager::RemoveCallback(second.Callback());
  TZCLDriveManager::Changed(info.Root, false, nullptr);
  EXPECT_FALSE(Listed(info.Root));
  ASSERT_EQ(first.Calls.size(), 2u);
  EXPECT_EQ(first.Calls[1], (std::pair<std::string, bool>{"/zz-test-media/", false}));
  EXPECT_EQ(second.Calls.size(), 1u);
  TZCLDriveManager::RemoveCallback(first.Callback());
}
