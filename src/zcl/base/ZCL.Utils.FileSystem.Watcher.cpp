#include "zcl/base/ZCL.Utils.FileSystem.Watcher.h"

#include <algorithm>
#include <mutex>

#include "os/OS.FileNotify.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Threading.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/base/ZCL.Utils.Messaging.h"

namespace {

constexpr Cardinal SettleInterval = 2000;
constexpr size_t MaxHandlesPerMonitor = 64;

DWORD NotifyFilter(TZCLFileSystemWatcherFlags Flags, bool Recursive) {
  DWORD filter = 0;
  if (Flags & zcfwContent) filter |= FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
  if (Flags & zcfwAttributes) filter |= FILE_NOTIFY_CHANGE_ATTRIBUTES;
  if (Flags & zcfwNames) filter |= FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME;
  if (!Recursive) filter &= ~(FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE);
  return filter;
}

}  // namespace

// ---- tasks -------------------------------------------------------------------------------------

namespace detail {
// The settle timer calls the task through this relay, so a task released on a monitor thread
// can cut the link before its timer (which lives on the main thread) is freed there.
struct TWatcherTimerRelay {
  std::recursive_mutex Lock;
  TZCLFileSystemWatcherCustomTask* Task = nullptr;
  void (*Fire)(TZCLFileSystemWatcherCustomTask* Task) = nullptr;
  bool Firing = false;  // main thread only
  void OnTimer(TObject*) {
    std::lock_guard guard(Lock);
    if (!Task) return;
    Firing = true;
    try {
      Fire(Task);
    } catch (...) {
      Firing = false;
      throw;
    }
    Firing = false;
  }
};
}  // namespace detail

TZCLFileSystemWatcherCustomTask::TZCLFileSystemWatcherCustomTask(TZCLFileSystemWatcherFlags AFlags,
                                                                 TZCLFileSystemWatcherEvent AOnChange)
    : OnChange(AOnChange), FFlags(AFlags), FPaths(Create<TZCLSearchPaths>()) {}

TZCLFileSystemWatcherCustomTask::~TZCLFileSystemWatcherCustomTask() {
  if (FRelay) {
    bool firing;
    {
      std::lock_guard guard(FRelay->Lock);
      FRelay->Task = nullptr;
      firing = FRelay->Firing;
    }
    TZCLTimer* timer = FTimer;
    detail::TWatcherTimerRelay* relay = FRelay;
    auto freeTimer = [timer, relay] {
      Free(timer);
      delete relay;
    };
    // Released inside its own event (OnChange dropped the last reference): the timer is still
    // in its call, so it goes once that returned.
    if (IsMainThread() && !firing) {
      freeTimer();
    } else {
      try {
        TZCLMainThread::QueueProc(freeTimer);
      } catch (...) {
        // No main-thread queue any more: the process is ending, leave the timer to it.
      }
    }
  }
  Free(FPaths);
}

void TZCLFileSystemWatcherCustomTask::Changed() {
  if (FLockCount.load(std::memory_order_acquire) > 0 || FDetached.load(std::memory_order_acquire)) return;
  TZCLMainThread::RunProc([this] { RestartTimer(); });
}

void TZCLFileSystemWatcherCustomTask::RestartTimer() {
  if (!FTimer) {
    FRelay = new detail::TWatcherTimerRelay;
    FRelay->Task = this;
    FRelay->Fire = [](TZCLFileSystemWatcherCustomTask* Task) { Task->TimerFired(); };
    FTimer =
        Create<TZCLTimer>(TNotifyEvent(FRelay, &detail::TWatcherTimerRelay::OnTimer), SettleInterval, false, false);
  }
  FTimer->Restart();
}

void TZCLFileSystemWatcherCustomTask::TimerFired() {
  FTimer->SetEnabled(false);
  if (FDetached.load(std::memory_order_acquire)) return;
  IPtr<IZCLFileSystemWatcherTask> self(this);  // OnChange may remove the task
  DoChanged();
}

void TZCLFileSystemWatcherCustomTask::DoChanged() {
  if (OnChange) OnChange(this);
}

TZCLFileSystemWatcherTask::TZCLFileSystemWatcherTask(TZCLSearchPaths* APaths, TZCLFileSystemWatcherEvent AOnChange,
                                                     TZCLFileSystemWatcherFlags AFlags)
    : TZCLFileSystemWatcherCustomTask(AFlags, AOnChange) {
  if (!APaths) return;
  for (Integer i = 0; i < APaths->GetCount(); ++i)
    GetPaths()->Add(zcIncludeTrailingPathDelimiter(APaths->GetPath(i)), APaths->GetRecursive(i));
}

TZCLFileSystemWatcherFileTask::TZCLFileSystemWatcherFileTask(const String& AFileName,
                                                             TZCLFileSystemWatcherEvent AOnChange)
    : TZCLFileSystemWatcherCustomTask(zcfwContent | zcfwNames, AOnChange), FFileName(AFileName) {
  ReadState(FLastWriteTime, FSize);
  const size_t last = FFileName.find_last_of(u":\\/");
  if (last != String::npos) GetPaths()->Add(FFileName.substr(0, last + 1), false);
}

void TZCLFileSystemWatcherFileTask::ReadState(TDateTime& Time, Int64& Size) const {
  TZCLFileData data;
  if (data.Load(FFileName)) {
    Time = data.LastWriteTime;
    Size = data.Size;
  } else {
    Time = 0;
    Size = 0;
  }
}

void TZCLFileSystemWatcherFileTask::DoChanged() {
  TDateTime time;
  Int64 size;
  ReadState(time, size);
  if (size == FSize && time == FLastWriteTime) return;
  FSize = size;
  FLastWriteTime = time;
  TZCLFileSystemWatcherCustomTask::DoChanged();
}

// ---- the watcher -------------------------------------------------------------------------------

namespace detail {

struct TWatchPair {
  Integer PathIndex;
  IZCLFileSystemWatcherTask* Task;
};

class TZCLFileSystemWatcherMonitor;

struct TWatcherState {
  TZCLCriticalSection* Lock = nullptr;
  std::vector<IPtr<IZCLFileSystemWatcherTask>> Tasks;
  // The task of each open handle, in the order of the monitors and of their handles.
  std::vector<IZCLFileSystemWatcherTask*> ActiveTasks;
  std::vector<TZCLFileSystemWatcherMonitor*> Monitors;
  // Monitors of an earlier set, told to stop; freed once their thread ended.
  std::vector<TZCLFileSystemWatcherMonitor*> Retired;
};

TWatcherState* GWatcher = nullptr;

void SweepRetired();

// One thread waiting for up to 64 change notifications and for its stop event.
class TZCLFileSystemWatcherMonitor : public TZCLThread {
  ZCL_CLASS(TZCLFileSystemWatcherMonitor, TZCLThread)
 public:
  TZCLFileSystemWatcherMonitor(std::vector<TChangeNotification*> AHandles,
                               std::vector<IZCLFileSystemWatcherTask*> ATasks)
      : TZCLThread(false), FHandles(std::move(AHandles)), FTasks(std::move(ATasks)) {}

  ~TZCLFileSystemWatcherMonitor() override {
    Terminate();
    if (GetStarted() && !GetFinished()) WaitFor();
    for (TChangeNotification* handle : FHandles) FindCloseChangeNotification(handle);
  }

  Integer GetHandleCount() const { return static_cast<Integer>(FHandles.size()); }
  // Execute has returned (the thread may still be finishing).
  bool GetDone() const { return FDone.load(std::memory_order_acquire); }

 protected:
  // Only wakes the thread: the handles stay open until the thread ended, so its wait never sees
  // an object vanish under it.
  void TerminatedSet() override { FStop.SetEvent(); }

  void Execute() override {
    std::vector<TWaitableObject*> objects(FHandles.begin(), FHandles.end());
    objects.push_back(&FStop);
    while (!GetTerminated()) {
      TWaitableObject* signaled = nullptr;
      const TWaitResult result = WaitForMultipleObjects(objects.data(), objects.size(), false, INFINITE, &signaled);
      if (GetTerminated()) break;
      if (result != wrSignaled || !signaled || signaled == &FStop) {
        // A failed wait pauses briefly instead of spinning.
        if (result != wrSignaled) FStop.WaitFor(100);
        continue;
      }
      const size_t index = static_cast<size_t>(
          std::find(FHandles.begin(), FHandles.end(), static_cast<TChangeNotification*>(signaled)) - FHandles.begin());
      if (index >= FHandles.size()) continue;
      IPtr<IZCLFileSystemWatcherTask> task;
      if (GWatcher) {
        TZCLLockGuard guard(*GWatcher->Lock);
        for (const auto& registered : GWatcher->Tasks)
          if (registered.get() == FTasks[index]) {
            task = registered;
            break;
          }
      }
      // Outside the lock: the task waits for the main thread, which may be adding a task.
      if (task) {
        try {
          task->Changed();
        } catch (...) {
          // The main thread could not take the call (shutting down): the change is dropped.
        }
        task = nullptr;
      }
      FindNextChangeNotification(FHandles[index]);
    }
    // A retired monitor is freed (its folders unwatched) soon after its thread ended, not only
    // at the next change of the task list.
    FDone.store(true, std::memory_order_release);
    try {
      TZCLMainThread::QueueProc([] { SweepRetired(); });
    } catch (...) {
      // No main-thread queue: the process is ending and finalization frees the monitor.
    }
  }

 private:
  std::vector<TChangeNotification*> FHandles;
  std::vector<IZCLFileSystemWatcherTask*> FTasks;
  TSimpleEvent FStop;
  std::atomic<bool> FDone{false};
};

// Under the lock: a new set of monitors over every folder of every task.
void StartMonitors() {
  TWatcherState& state = *GWatcher;
  state.ActiveTasks.clear();
  std::vector<TWatchPair> pairs;
  for (const auto& task : state.Tasks) {
    TZCLSearchPaths* paths = task->GetPaths();
    for (Integer i = 0; i < paths->GetCount(); ++i) pairs.push_back({i, task.get()});
  }
  size_t next = 0;
  while (next < pairs.size()) {
    std::vector<TChangeNotification*> handles;
    std::vector<IZCLFileSystemWatcherTask*> tasks;
    try {
      while (next < pairs.size() && handles.size() < MaxHandlesPerMonitor) {
        const TWatchPair pair = pairs[next++];
        TZCLSearchPaths* paths = pair.Task->GetPaths();
        const bool recursive = paths->GetRecursive(pair.PathIndex);
        TChangeNotification* handle = FindFirstChangeNotification(paths->GetPath(pair.PathIndex), recursive,
                                                                  NotifyFilter(pair.Task->GetFlags(), recursive));
        if (!handle) continue;
        handles.push_back(handle);
        tasks.push_back(pair.Task);
      }
      if (handles.empty()) continue;
      auto* monitor = Create<TZCLFileSystemWatcherMonitor>(handles, tasks);
      state.Monitors.push_back(monitor);
      state.ActiveTasks.insert(state.ActiveTasks.end(), tasks.begin(), tasks.end());
    } catch (...) {
      for (TChangeNotification* handle : handles) FindCloseChangeNotification(handle);
    }
  }
}

// Under the lock: tells the current monitors to stop and moves them to the retired list.
void RetireMonitors() {
  TWatcherState& state = *GWatcher;
  for (TZCLFileSystemWatcherMonitor* monitor : state.Monitors) {
    monitor->Terminate();
    state.Retired.push_back(monitor);
  }
  state.Monitors.clear();
  state.ActiveTasks.clear();
}

// Under the lock: takes the retired monitors whose thread has ended.
std::vector<TZCLFileSystemWatcherMonitor*> TakeFinishedMonitors() {
  std::vector<TZCLFileSystemWatcherMonitor*> finished;
  auto& retired = GWatcher->Retired;
  for (auto it = retired.begin(); it != retired.end();) {
    if ((*it)->GetFinished() || (*it)->GetDone()) {
      finished.push_back(*it);
      it = retired.erase(it);
    } else {
      ++it;
    }
  }
  return finished;
}

void SweepRetired() {
  if (!GWatcher) return;
  std::vector<TZCLFileSystemWatcherMonitor*> finished;
  {
    TZCLLockGuard guard(*GWatcher->Lock);
    finished = TakeFinishedMonitors();
  }
  for (TZCLFileSystemWatcherMonitor* monitor : finished) Free(monitor);
}

// Rebuilds the monitors around Change (which edits the task list under the lock). The old
// monitors are only told to stop: waiting for them here could deadlock with a monitor thread
// that waits for the main thread or for the lock. Those that already ended are freed, outside
// the lock.
template <class F>
void Rebuild(F Change) {
  std::vector<TZCLFileSystemWatcherMonitor*> finished;
  IPtr<IZCLFileSystemWatcherTask> released;
  {
    TZCLLockGuard guard(*GWatcher->Lock);
    RetireMonitors();
    released = Change();
    StartMonitors();
    finished = TakeFinishedMonitors();
  }
  for (TZCLFileSystemWatcherMonitor* monitor : finished) Free(monitor);
}

}  // namespace detail

IPtr<IZCLFileSystemWatcherTask> TZCLFileSystemWatcher::AddTask(TZCLSearchPaths* Paths,
                                                               TZCLFileSystemWatcherEvent OnChange,
                                                               TZCLFileSystemWatcherFlags Flags) {
  IPtr<IZCLFileSystemWatcherTask> task(Create<TZCLFileSystemWatcherTask>(Paths, OnChange, Flags));
  Add(task);
  return task;
}

IPtr<IZCLFileSystemWatcherTask> TZCLFileSystemWatcher::AddFileTask(const String& FileName,
                                                                   TZCLFileSystemWatcherEvent OnChange) {
  IPtr<IZCLFileSystemWatcherTask> task(Create<TZCLFileSystemWatcherFileTask>(FileName, OnChange));
  Add(task);
  return task;
}

void TZCLFileSystemWatcher::Add(const IPtr<IZCLFileSystemWatcherTask>& Task) {
  if (!Task) return;
  if (!detail::GWatcher) throw EInvalidOperation(u"The file-system watcher is not initialized");
  detail::Rebuild([&Task]() -> IPtr<IZCLFileSystemWatcherTask> {
    detail::GWatcher->Tasks.push_back(Task);
    return nullptr;
  });
}

void TZCLFileSystemWatcher::Remove(IPtr<IZCLFileSystemWatcherTask>& Task) {
  IPtr<IZCLFileSystemWatcherTask> task = std::move(Task);
  Task = nullptr;
  if (!task || !detail::GWatcher) return;
  {
    TZCLLockGuard guard(*detail::GWatcher->Lock);
    auto& tasks = detail::GWatcher->Tasks;
    if (std::find(tasks.begin(), tasks.end(), task) == tasks.end()) return;
  }
  if (auto* custom = dynamic_cast<TZCLFileSystemWatcherCustomTask*>(task.get())) custom->Detach();
  // The list's reference is released outside the lock, with the caller's.
  detail::Rebuild([&task]() -> IPtr<IZCLFileSystemWatcherTask> {
    auto& tasks = detail::GWatcher->Tasks;
    auto it = std::find(tasks.begin(), tasks.end(), task);
    if (it == tasks.end()) return nullptr;
    IPtr<IZCLFileSystemWatcherTask> removed = std::move(*it);
    tasks.erase(it);
    return removed;
  });
}

Integer TZCLFileSystemWatcher::GetMonitorCount() {
  if (!detail::GWatcher) return 0;
  TZCLLockGuard guard(*detail::GWatcher->Lock);
  return static_cast<Integer>(detail::GWatcher->Monitors.size());
}

Integer TZCLFileSystemWatcher::GetHandleCount() {
  if (!detail::GWatcher) return 0;
  TZCLLockGuard guard(*detail::GWatcher->Lock);
  return static_cast<Integer>(detail::GWatcher->ActiveTasks.size());
}

void TZCLFileSystemWatcher::Initialize() {
  if (detail::GWatcher) return;
  detail::GWatcher = new detail::TWatcherState;
  detail::GWatcher->Lock = Create<TZCLCriticalSection>(nullptr, u"FileSystemWatcher");
}

void TZCLFileSystemWatcher::Finalize() {
  detail::TWatcherState* state = detail::GWatcher;
  if (!state) return;
  std::vector<detail::TZCLFileSystemWatcherMonitor*> monitors;
  std::vector<IPtr<IZCLFileSystemWatcherTask>> tasks;
  {
    TZCLLockGuard guard(*state->Lock);
    detail::RetireMonitors();
    monitors.swap(state->Retired);
    tasks.swap(state->Tasks);
  }
  // Outside the lock: a monitor ending now may still look a task up.
  for (auto* monitor : monitors) Free(monitor);
  for (auto& task : tasks)
    if (auto* custom = dynamic_cast<TZCLFileSystemWatcherCustomTask*>(task.get())) custom->Detach();
  tasks.clear();
  detail::GWatcher = nullptr;
  Free(state->Lock);
  delete state;
}

// ---- drives ------------------------------------------------------------------------------------

void TZCLDriveInfo::Initialize(const String& Path) {
  Root = TZCLDriveManager::NormalizeRoot(Path);
  SerialNumber = static_cast<Cardinal>(-1);
  DisplayName.clear();
  DriveType = 0;
}

Integer TZCLDriveInfo::GetDriveType() {
  if (DriveType == 0) {
    switch (::GetDriveType(Root)) {
      case DRIVE_REMOVABLE:
        DriveType = 2;
        break;
      case DRIVE_FIXED:
        DriveType = 1;
        break;
      case DRIVE_REMOTE:
      case DRIVE_CDROM:
      case DRIVE_RAMDISK:
        DriveType = 3;
        break;
      default:
        break;
    }
  }
  return DriveType;
}

String TZCLDriveInfo::GetVolumeLabel() {
  String result;
  try {
    TVolumeInfo info;
    if (!Root.empty() && ::GetVolumeInfo(Root, info) && info.Root == zcIncludeTrailingPathDelimiter(Root)) {
      SerialNumber = info.SerialNumber;
      result = info.Label;
    }
    if (result.empty() && !Root.empty()) {
      const String autorun = zcIncludeTrailingPathDelimiter(Root) + u"autorun.inf";
      if (zcFileExists(autorun)) {
        auto* ini = Create<TZCLIniFile>(autorun);
        try {
          result = ini->ReadString(u"Autorun", u"Label", String());
        } catch (...) {
          Free(ini);
          throw;
        }
        Free(ini);
      }
    }
  } catch (...) {
    // The label found so far.
  }
  return result;
}

String TZCLDriveInfo::GetDisplayName(const String& DefaultName) {
  if (DisplayName.empty()) {
    String name = GetVolumeLabel();
    if (name.empty()) name = DefaultName;
    if (name.empty()) name = u"Drive";
    DisplayName = Format(u"%s (%s)", {name, Root});
  }
  return DisplayName;
}

namespace detail {

struct TDriveState {
  TZCLCriticalSection* Lock = nullptr;
  std::vector<TZCLDriveInfo> Drives;
  std::vector<TZCLDriveManager::TCallback> Callbacks;
  TMountMonitor* Monitor = nullptr;
  bool MonitorReady = false;
};

TDriveState* GDrives = nullptr;

// Under the lock: the listed drive that holds Path (the longest root that starts it, ignoring
// case), or null. A drive that was unmounted is still found by its own root here, where the
// system would answer with the volume below it.
const TZCLDriveInfo* FindListed(const String& Path) {
  const TZCLDriveInfo* found = nullptr;
  const String path = Path.empty() || Path.back() == u'/' || Path.back() == u'\\' ? Path : Path + u"/";
  for (const TZCLDriveInfo& drive : GDrives->Drives)
    if (!drive.Root.empty() && drive.Root.size() <= path.size() &&
        SameText(StringView(path).substr(0, drive.Root.size()), drive.Root) &&
        (!found || drive.Root.size() > found->Root.size()))
      found = &drive;
  return found;
}

TZCLDriveInfo InfoOfVolume(const TVolumeInfo& Volume) {
  TZCLDriveInfo info;
  info.Root = Volume.Root;
  return info;
}

}  // namespace detail

String TZCLDriveManager::NormalizeRoot(const String& Path) {
  if (!Path.empty() && Path[0] == u'/') {
    TVolumeInfo info;
    return ::GetVolumeInfo(Path, info) ? info.Root : String(u"/");
  }
  switch (Path.size()) {
    case 0:
    case 3:
      return Path;
    case 1:
      return Path + u":\\";
    case 2:
      return Path + u"\\";
    default:
      return Path.substr(0, 3);
  }
}

void TZCLDriveManager::EnsureMonitor() {
  detail::TDriveState& state = *detail::GDrives;
  if (state.Monitor) return;
  // Mounted volumes have their media: all are listed at once. Later changes arrive on the
  // monitor's thread and are handed to the main thread.
  state.Monitor = new TMountMonitor([](const TVolumeInfo& Volume, bool Mounted) {
    const TZCLDriveInfo info = detail::InfoOfVolume(Volume);
    try {
      TZCLMainThread::QueueProc([info, Mounted] { TZCLDriveManager::Changed(info.Root, Mounted, &info); });
    } catch (...) {
      // Shutting down.
    }
  });
  for (const TVolumeInfo& volume : GetVolumes()) {
    const TZCLDriveInfo info = detail::InfoOfVolume(volume);
    Changed(info.Root, true, &info);
  }
  state.MonitorReady = true;
}

TZCLDriveInfo TZCLDriveManager::GetInfo(const String& Root) {
  if (!detail::GDrives) throw EInvalidOperation(u"The drive manager is not initialized");
  TZCLLockGuard guard(*detail::GDrives->Lock);
  EnsureMonitor();
  if (const TZCLDriveInfo* listed = detail::FindListed(Root)) return *listed;
  TZCLDriveInfo info;
  info.Initialize(Root);
  return info;
}

void TZCLDriveManager::AddCallback(TCallback Callback) {
  if (!detail::GDrives) throw EInvalidOperation(u"The drive manager is not initialized");
  TZCLLockGuard guard(*detail::GDrives->Lock);
  EnsureMonitor();
  detail::GDrives->Callbacks.push_back(Callback);
}

void TZCLDriveManager::RemoveCallback(TCallback Callback) {
  if (!detail::GDrives) return;
  TZCLLockGuard guard(*detail::GDrives->Lock);
  auto& callbacks = detail::GDrives->Callbacks;
  auto it = std::find(callbacks.begin(), callbacks.end(), Callback);
  if (it != callbacks.end()) callbacks.erase(it);
}

void TZCLDriveManager::Changed(const String& Root, bool Mounted, const TZCLDriveInfo* Info) {
  if (!detail::GDrives) return;
  detail::TDriveState& state = *detail::GDrives;
  TZCLLockGuard guard(*state.Lock);
  TZCLDriveInfo info;
  if (Info) {
    info = *Info;
  } else {
    if (const TZCLDriveInfo* listed = detail::FindListed(Root))
      info = *listed;
    else
      info.Initialize(Root);
  }
  auto& drives = state.Drives;
  drives.erase(std::remove_if(drives.begin(), drives.end(),
                              [&info](const TZCLDriveInfo& Drive) { return SameText(Drive.Root, info.Root); }),
               drives.end());
  if (Mounted) {
    drives.push_back(info);
    std::stable_sort(drives.begin(), drives.end(), [](const TZCLDriveInfo& A, const TZCLDriveInfo& B) {
      return AnsiCompareText(A.Root, B.Root) < 0;
    });
  }
  if (!state.MonitorReady) return;
  // A callback may remove itself: work on a copy.
  const std::vector<TCallback> callbacks = state.Callbacks;
  for (auto it = callbacks.rbegin(); it != callbacks.rend(); ++it) (*it)(info, Mounted);
}

std::vector<TZCLDriveInfo> TZCLDriveManager::GetDrives() {
  if (!detail::GDrives) return {};
  TZCLLockGuard guard(*detail::GDrives->Lock);
  return detail::GDrives->Drives;
}

void TZCLDriveManager::Initialize() {
  if (detail::GDrives) return;
  detail::GDrives = new detail::TDriveState;
  detail::GDrives->Lock = Create<TZCLCriticalSection>();
}

void TZCLDriveManager::Finalize() {
  detail::TDriveState* state = detail::GDrives;
  if (!state) return;
  delete state->Monitor;  // stops its thread; calls it queued find no manager any more
  detail::GDrives = nullptr;
  Free(state->Lock);
  delete state;
}
