#pragma once
// File-change notification and mounted volumes.
//
// A change notification watches one folder (and, with WatchSubtree, every folder below it) for
// the kinds of change in its filter. It is an event that becomes signalled at the first such
// change and stays so until FindNextChangeNotification re-arms it, so a thread can wait for
// many of them at once with WaitForMultipleObjects. Linux backs it with inotify (one process-
// wide descriptor read by one thread); folders created later inside a watched subtree are
// watched too.
//
// Mounted volumes stand in for drives: their root is the mount point.

#include <functional>
#include <iosfwd>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "os/OS.Types.h"
#include "rtl/RTL.SyncObjs.h"

constexpr DWORD FILE_NOTIFY_CHANGE_FILE_NAME = 0x01;
constexpr DWORD FILE_NOTIFY_CHANGE_DIR_NAME = 0x02;
constexpr DWORD FILE_NOTIFY_CHANGE_ATTRIBUTES = 0x04;
constexpr DWORD FILE_NOTIFY_CHANGE_SIZE = 0x08;
constexpr DWORD FILE_NOTIFY_CHANGE_LAST_WRITE = 0x10;

namespace detail {
class TFileNotifier;
void FileNotifyFinalization();
}  // namespace detail

class TChangeNotification : public TEvent {
  ZCL_CLASS(TChangeNotification, TEvent)
 public:
  TChangeNotification() : TEvent(true, false) {}
  ~TChangeNotification() override;

 private:
  friend class detail::TFileNotifier;
  friend TChangeNotification* FindFirstChangeNotification(StringView Folder, bool WatchSubtree, DWORD Filter);
  std::vector<int> FWatches;  // inotify watch descriptors of the folder and its subfolders
  String FFolder;
  bool FSubtree = false;
  DWORD FFilter = 0;
};

// A new notification, or null (errno set) when the folder cannot be watched.
TChangeNotification* FindFirstChangeNotification(StringView Folder, bool WatchSubtree, DWORD Filter);
// Re-arms the notification after a change was seen.
bool FindNextChangeNotification(TChangeNotification* Notification);
// Stops watching and frees the notification.
bool FindCloseChangeNotification(TChangeNotification* Notification);

// Kinds of volume, with the drive-type numbers of the system.
constexpr UINT DRIVE_UNKNOWN = 0;
constexpr UINT DRIVE_REMOVABLE = 2;
constexpr UINT DRIVE_FIXED = 3;
constexpr UINT DRIVE_REMOTE = 4;
constexpr UINT DRIVE_CDROM = 5;
constexpr UINT DRIVE_RAMDISK = 6;

struct TVolumeInfo {
  String Root;        // the mount point, with a trailing "/"
  String Device;      // "/dev/sda1", "server:/share", ...
  String FileSystem;  // "ext4", "vfat", "nfs", ...
  String Label;       // from /dev/disk/by-label, empty when the volume has none
  UINT DriveType = DRIVE_UNKNOWN;
  Cardinal SerialNumber = 0;  // a stable hash of the device and file system
};

// The user-visible volumes (pseudo file systems such as proc, sysfs and cgroups are left out),
// sorted by root.
std::vector<TVolumeInfo> GetVolumes();
// The volumes of a mount table in the form of /proc/self/mountinfo. The root file system is always
// one of them, listed or not.
std::vector<TVolumeInfo> VolumesOfMountTable(std::string_view Table);
// The volume whose mount point holds Path (the longest matching root).
bool GetVolumeInfo(StringView Path, TVolumeInfo& Info);
UINT GetDriveType(StringView Root);

namespace detail {
// What GetVolumes reads: a "/dev/disk/by-label" name without its "\xHH" escapes, and the volumes
// of a mountinfo text, given the labels of the devices.
std::string UnescapeVolumeLabel(const std::string& Name);
std::vector<TVolumeInfo> ParseMountTable(std::istream& In, const std::map<std::string, std::string>& Labels);
}  // namespace detail

// Calls OnChange (on a thread of its own) whenever a volume is mounted or unmounted, with the
// volume and Mounted true or false. Stops when destroyed.
class TMountMonitor {
 public:
  using TCallback = std::function<void(const TVolumeInfo& Volume, bool Mounted)>;
  explicit TMountMonitor(TCallback OnChange);
  ~TMountMonitor();
  TMountMonitor(const TMountMonitor&) = delete;
  TMountMonitor& operator=(const TMountMonitor&) = delete;
  // For tests: compares the current volumes with the last seen ones and reports differences
  // now, on the calling thread.
  void Rescan();

 private:
  struct TState;
  TState* FState;
};
