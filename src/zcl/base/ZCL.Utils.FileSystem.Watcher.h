#pragma once
// Watching folders and files for changes, and the list of mounted drives.
//
// TZCLFileSystemWatcher keeps a process-wide set of watch tasks. Background threads (one per 64
// watched folders) wait for change notifications; each change restarts the task's settle timer
// on the main thread, and the task's OnChange runs there once no change came for 2000 ms.
//
// TZCLDriveManager keeps the sorted list of mounted drives (mount points) and tells registered
// callbacks, on the main thread, when one is mounted or unmounted.

#include <atomic>
#include <vector>

#include "rtl/RTL.DateTime.h"
#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Interfaces.h"
#include "rtl/RTL.Threads.h"
#include "zcl/base/ZCL.Classes.h"

class TZCLSearchPaths;
class TZCLTimer;
class TZCLCriticalSection;
class TMountMonitor;
struct TVolumeInfo;

// Flags of a watch task.
using TZCLFileSystemWatcherFlags = Byte;
constexpr TZCLFileSystemWatcherFlags zcfwContent = 1;     // size and last write
constexpr TZCLFileSystemWatcherFlags zcfwAttributes = 2;  // attributes
constexpr TZCLFileSystemWatcherFlags zcfwNames = 4;       // file and folder names

struct IZCLFileSystemWatcherTask : virtual IInterface {
  RTL_INTERFACE(IZCLFileSystemWatcherTask, IInterface, "{06030675-6000-49BA-9435-55FD5326ADE5}")
  // A change was seen in one of the task's folders (called on a monitor thread).
  virtual void Changed() = 0;
  virtual TZCLFileSystemWatcherFlags GetFlags() = 0;
  virtual TZCLSearchPaths* GetPaths() = 0;
  // While the lock count is above 0, changes are dropped.
  virtual void Lock() = 0;
  virtual void Unlock() = 0;
};

using TZCLFileSystemWatcherEvent = TDelegate<void(IZCLFileSystemWatcherTask* Task)>;

namespace detail {
struct TWatcherTimerRelay;
}

class TZCLFileSystemWatcherCustomTask : public TInterfacedObject, public IZCLFileSystemWatcherTask {
  ZCL_CLASS(TZCLFileSystemWatcherCustomTask, TInterfacedObject)
  RTL_INTERFACES(TInterfacedObject, IZCLFileSystemWatcherTask)
 public:
  TZCLFileSystemWatcherCustomTask(TZCLFileSystemWatcherFlags AFlags, TZCLFileSystemWatcherEvent AOnChange);
  ~TZCLFileSystemWatcherCustomTask() override;

  // Unless locked: restarts the settle timer on the main thread and waits for that.
  void Changed() override;
  TZCLFileSystemWatcherFlags GetFlags() override { return FFlags; }
  TZCLSearchPaths* GetPaths() override { return FPaths; }
  void Lock() override { FLockCount.fetch_add(1, std::memory_order_acq_rel); }
  void Unlock() override { FLockCount.fetch_sub(1, std::memory_order_acq_rel); }
  Integer GetLockCount() const { return FLockCount.load(std::memory_order_acquire); }
  // Null until the first change.
  TZCLTimer* GetTimer() const { return FTimer; }

  // Set by the watcher when the task is unregistered: its timer no longer raises OnChange.
  void Detach() { FDetached.store(true, std::memory_order_release); }

  TZCLFileSystemWatcherEvent OnChange;

 protected:
  // Calls OnChange with the task.
  virtual void DoChanged();

 private:
  void RestartTimer();
  void TimerFired();

  TZCLFileSystemWatcherFlags FFlags;
  TZCLTimer* FTimer = nullptr;  // created on the main thread at the first change
  detail::TWatcherTimerRelay* FRelay = nullptr;
  std::atomic<Integer> FLockCount{0};
  std::atomic<bool> FDetached{false};
  TZCLSearchPaths* FPaths;
};

class TZCLFileSystemWatcherTask : public TZCLFileSystemWatcherCustomTask {
  ZCL_CLASS(TZCLFileSystemWatcherTask, TZCLFileSystemWatcherCustomTask)
 public:
  // Copies every folder of APaths (with a trailing delimiter) and its recursive flag.
  TZCLFileSystemWatcherTask(TZCLSearchPaths* APaths, TZCLFileSystemWatcherEvent AOnChange,
                            TZCLFileSystemWatcherFlags AFlags);
};

// Watches one file: its folder, without subfolders; OnChange only when the file's size or last
// write time differs from what was seen last (a file that cannot be read counts as 0 and 0).
class TZCLFileSystemWatcherFileTask : public TZCLFileSystemWatcherCustomTask {
  ZCL_CLASS(TZCLFileSystemWatcherFileTask, TZCLFileSystemWatcherCustomTask)
 public:
  TZCLFileSystemWatcherFileTask(const String& AFileName, TZCLFileSystemWatcherEvent AOnChange);
  const String& GetFileName() const { return FFileName; }

 protected:
  void DoChanged() override;

 private:
  void ReadState(TDateTime& Time, Int64& Size) const;
  TDateTime FLastWriteTime;
  String FFileName;
  Int64 FSize = 0;
};

class TZCLFileSystemWatcher {
 public:
  static IPtr<IZCLFileSystemWatcherTask> AddTask(TZCLSearchPaths* Paths, TZCLFileSystemWatcherEvent OnChange,
                                                 TZCLFileSystemWatcherFlags Flags);
  static IPtr<IZCLFileSystemWatcherTask> AddFileTask(const String& FileName, TZCLFileSystemWatcherEvent OnChange);
  // Registers a task made by the caller (AddTask and AddFileTask end here).
  static void Add(const IPtr<IZCLFileSystemWatcherTask>& Task);
  // Unregisters the task if it is registered; always clears Task. Never waits for a monitor
  // thread: monitors of the old set end on their own and are freed later.
  static void Remove(IPtr<IZCLFileSystemWatcherTask>& Task);

  // Running monitor threads of the current set.
  static Integer GetMonitorCount();
  // Folders being watched (open change notifications).
  static Integer GetHandleCount();

  static void Initialize();
  static void Finalize();
};

struct TZCLDriveInfo {
  Cardinal SerialNumber = static_cast<Cardinal>(-1);
  String DisplayName;
  Integer DriveType = 0;  // 0 unknown or not computed, 1 fixed, 2 removable, 3 other
  String Root;

  void Initialize(const String& Path);
  Integer GetDriveType();
  // The volume's label; without one, Label of [Autorun] in the root's "autorun.inf".
  String GetVolumeLabel();
  // "<label, DefaultName or Drive> (<root>)", cached.
  String GetDisplayName(const String& DefaultName = String());
};

class TZCLDriveManager {
 public:
  using TCallback = TDelegate<void(const TZCLDriveInfo& Info, bool Mounted)>;

  // A path below a mount point gives that mount point (with a trailing "/"); a drive-letter
  // path gives its root ("C" and "C:" give "C:\", "C:\Music" gives "C:\").
  static String NormalizeRoot(const String& Path);
  static TZCLDriveInfo GetInfo(const String& Root);
  static void AddCallback(TCallback Callback);
  static void RemoveCallback(TCallback Callback);
  // Info may be null.
  static void Changed(const String& Root, bool Mounted, const TZCLDriveInfo* Info);
  // A copy of the drive list, sorted by root.
  static std::vector<TZCLDriveInfo> GetDrives();

  static void Initialize();
  static void Finalize();

 private:
  static void EnsureMonitor();
};
