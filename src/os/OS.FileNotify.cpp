#include "os/OS.FileNotify.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

namespace {
std::string N(StringView s) { return StringToUTF8(s); }

constexpr uint32_t WatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_MODIFY |
                               IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

bool IsFolder(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool SubEntriesEmpty(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (!dir) return true;
  bool empty = true;
  while (dirent* entry = readdir(dir))
    if (std::strcmp(entry->d_name, ".") && std::strcmp(entry->d_name, "..")) {
      empty = false;
      break;
    }
  closedir(dir);
  return empty;
}

std::vector<std::string> SubFolders(const std::string& folder) {
  std::vector<std::string> result;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return result;
  while (dirent* entry = readdir(dir)) {
    if (!std::strcmp(entry->d_name, ".") || !std::strcmp(entry->d_name, "..")) continue;
    std::string child = folder + entry->d_name + "/";
    if (IsFolder(child.substr(0, child.size() - 1))) result.push_back(child);
  }
  closedir(dir);
  return result;
}
}  // namespace

// One inotify descriptor for the process, read by one thread. Several notifications may watch
// the same folder: the kernel gives one watch descriptor per folder, shared by its users.
class detail::TFileNotifier {
 public:
  static TFileNotifier& Instance() {
    static TFileNotifier* notifier = new TFileNotifier;  // stopped by the unit's finalization
    return *notifier;
  }

  bool Watch(TChangeNotification* user, std::string folder) {
    if (folder.back() != '/') folder += '/';
    std::lock_guard guard(FLock);
    if (!Start()) return false;
    if (!AddLocked(user, folder)) return false;
    if (user->FSubtree)
      for (const std::string& child : SubFolders(folder)) WatchTreeLocked(user, child);
    return true;
  }

  void Unwatch(TChangeNotification* user) {
    std::lock_guard guard(FLock);
    for (int wd : user->FWatches) {
      auto it = FWatches.find(wd);
      if (it == FWatches.end()) continue;
      auto& users = it->second.Users;
      users.erase(std::remove(users.begin(), users.end(), user), users.end());
      if (users.empty()) {
        inotify_rm_watch(FFd, wd);
        FWatches.erase(it);
      }
    }
    user->FWatches.clear();
  }

  void Stop() {
    std::thread reader;
    {
      std::lock_guard guard(FLock);
      if (!FThread.joinable()) return;
      uint64_t one = 1;
      [[maybe_unused]] ssize_t n = write(FStopFd, &one, sizeof one);
      reader = std::move(FThread);
    }
    reader.join();
    std::lock_guard guard(FLock);
    close(FFd);
    close(FStopFd);
    FFd = FStopFd = -1;
    FWatches.clear();
  }

 private:
  struct TWatch {
    std::string Path;  // with a trailing "/"
    std::vector<TChangeNotification*> Users;
  };

  bool Start() {
    if (FFd >= 0) return true;
    FFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (FFd < 0) return false;
    FStopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (FStopFd < 0) {
      close(FFd);
      FFd = -1;
      return false;
    }
    FThread = std::thread([this] { Run(); });
    return true;
  }

  bool AddLocked(TChangeNotification* user, std::string folder) {
    if (folder.back() != '/') folder += '/';
    int wd = inotify_add_watch(FFd, folder.c_str(), WatchMask);
    if (wd < 0) return false;
    TWatch& watch = FWatches[wd];
    watch.Path = folder;
    if (std::find(watch.Users.begin(), watch.Users.end(), user) == watch.Users.end()) {
      watch.Users.push_back(user);
      user->FWatches.push_back(wd);
    }
    return true;
  }

  void WatchTreeLocked(TChangeNotification* user, const std::string& folder) {
    std::vector<std::string> stack{folder};
    while (!stack.empty()) {
      std::string path = stack.back();
      stack.pop_back();
      if (!AddLocked(user, path)) continue;
      for (const std::string& child : SubFolders(path)) stack.push_back(child);
    }
  }

  void Run() {
    alignas(inotify_event) char buffer[64 * 1024];
    for (;;) {
      pollfd fds[2] = {{FFd, POLLIN, 0}, {FStopFd, POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[1].revents) return;
      ssize_t n = read(FFd, buffer, sizeof buffer);
      if (n <= 0) continue;
      std::lock_guard guard(FLock);
      for (char* p = buffer; p < buffer + n;) {
        auto* event = reinterpret_cast<inotify_event*>(p);
        p += sizeof(inotify_event) + event->len;
        Dispatch(*event);
      }
    }
  }

  void Dispatch(const inotify_event& event) {
    auto it = FWatches.find(event.wd);
    if (it == FWatches.end()) return;
    if (event.mask & IN_IGNORED) {
      // The folder is gone; its users forget the descriptor.
      for (TChangeNotification* user : it->second.Users)
        user->FWatches.erase(std::remove(user->FWatches.begin(), user->FWatches.end(), event.wd), user->FWatches.end());
      FWatches.erase(it);
      return;
    }
    bool isDir = event.mask & IN_ISDIR;
    DWORD kinds = 0;
    if (event.mask & (IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO))
      kinds |= isDir ? FILE_NOTIFY_CHANGE_DIR_NAME : FILE_NOTIFY_CHANGE_FILE_NAME;
    if (event.mask & IN_ATTRIB) kinds |= FILE_NOTIFY_CHANGE_ATTRIBUTES;
    if ((event.mask & (IN_MODIFY | IN_CLOSE_WRITE)) && !isDir)
      kinds |= FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE;
    if (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF)) kinds |= FILE_NOTIFY_CHANGE_DIR_NAME;
    std::string newFolder;
    if (isDir && (event.mask & (IN_CREATE | IN_MOVED_TO)) && event.len > 0) newFolder = it->second.Path + event.name;
    // Copy: adding watches below may rehash nothing, but users may share this watch.
    std::vector<TChangeNotification*> users = it->second.Users;
    // A folder that appears inside a watched subtree is watched from now on. Whatever was put
    // into it before its watch existed counts as a change.
    DWORD inside = 0;
    if (!newFolder.empty() && !SubEntriesEmpty(newFolder))
      inside = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME | FILE_NOTIFY_CHANGE_SIZE |
               FILE_NOTIFY_CHANGE_LAST_WRITE;
    for (TChangeNotification* user : users) {
      DWORD seen = kinds;
      if (!newFolder.empty() && user->FSubtree) {
        WatchTreeLocked(user, newFolder + "/");
        seen |= inside;
      }
      if (user->FFilter & seen) user->SetEvent();
    }
  }

  std::mutex FLock;
  std::map<int, TWatch> FWatches;
  int FFd = -1;
  int FStopFd = -1;
  std::thread FThread;
};

void detail::FileNotifyFinalization() { detail::TFileNotifier::Instance().Stop(); }

TChangeNotification::~TChangeNotification() {
  if (!FWatches.empty()) detail::TFileNotifier::Instance().Unwatch(this);
}

TChangeNotification* FindFirstChangeNotification(StringView Folder, bool WatchSubtree, DWORD Filter) {
  std::string folder = N(Folder);
  if (folder.empty() || !IsFolder(folder.back() == '/' && folder.size() > 1 ? folder.substr(0, folder.size() - 1) : folder)) {
    errno = ENOTDIR;
    return nullptr;
  }
  auto* n = new TChangeNotification;
  n->FFolder = String(Folder);
  n->FSubtree = WatchSubtree;
  n->FFilter = Filter;
  if (!detail::TFileNotifier::Instance().Watch(n, folder)) {
    int error = errno;
    delete n;
    errno = error;
    return nullptr;
  }
  return n;
}

bool FindNextChangeNotification(TChangeNotification* Notification) {
  if (!Notification) return false;
  Notification->ResetEvent();
  return true;
}

bool FindCloseChangeNotification(TChangeNotification* Notification) {
  if (!Notification) return false;
  delete Notification;
  return true;
}

// Volumes ---------------------------------------------------------------------------------------

namespace {

// Mount points in mountinfo escape blanks and a few others as "\ooo".
std::string Unescape(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 3 < s.size() + 0 && i + 3 <= s.size() - 0 && isdigit(s[i + 1]) && isdigit(s[i + 2]) &&
        isdigit(s[i + 3])) {
      out.push_back(char((s[i + 1] - '0') * 64 + (s[i + 2] - '0') * 8 + (s[i + 3] - '0')));
      i += 3;
    } else {
      out.push_back(s[i]);
    }
  }
  return out;
}

}  // namespace

// by-label names escape characters as "\xHH"; a "\x" without two hex digits stands for itself.
std::string detail::UnescapeVolumeLabel(const std::string& Name) {
  auto hex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
  std::string out;
  for (size_t i = 0; i < Name.size(); ++i) {
    if (Name[i] == '\\' && i + 3 < Name.size() && Name[i + 1] == 'x' && hex(Name[i + 2]) && hex(Name[i + 3])) {
      out.push_back(char(std::stoi(Name.substr(i + 2, 2), nullptr, 16)));
      i += 3;
    } else {
      out.push_back(Name[i]);
    }
  }
  return out;
}

namespace {

bool IsPseudo(const std::string& fs, const std::string& root) {
  static const char* const pseudo[] = {"proc",     "sysfs",      "cgroup",   "cgroup2",   "devpts",    "mqueue",
                                       "debugfs",  "tracefs",    "securityfs", "pstore",  "bpf",       "configfs",
                                       "fusectl",  "hugetlbfs",  "autofs",   "binfmt_misc", "nsfs",    "devtmpfs",
                                       "efivarfs", "rpc_pipefs", "selinuxfs", "fuse.gvfsd-fuse", "fuse.portal"};
  for (const char* p : pseudo)
    if (fs == p) return true;
  for (const char* prefix : {"/proc/", "/sys/", "/dev/", "/run/"})
    if (root.rfind(prefix, 0) == 0 && root.rfind("/run/media/", 0) != 0) return true;
  return root == "/proc/" || root == "/sys/" || root == "/dev/" || root == "/run/";
}

UINT TypeOf(const std::string& fs, const std::string& device, const std::string& root) {
  static const char* const remote[] = {"nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs", "9p", "afs"};
  for (const char* r : remote)
    if (fs == r) return DRIVE_REMOTE;
  if (fs == "iso9660" || fs == "udf") return DRIVE_CDROM;
  if (fs == "tmpfs" || fs == "ramfs") return DRIVE_RAMDISK;
  if (root.rfind("/media/", 0) == 0 || root.rfind("/run/media/", 0) == 0) return DRIVE_REMOVABLE;
  if (device.rfind("/dev/", 0) == 0) {
    // /sys/class/block/<name>/removable, or that of the whole disk for a partition.
    std::string name = device.substr(5);
    for (int up = 0; up < 2; ++up) {
      std::ifstream in(up ? "/sys/class/block/" + name + "/../removable" : "/sys/class/block/" + name + "/removable");
      int removable = 0;
      if (in >> removable) return removable ? DRIVE_REMOVABLE : DRIVE_FIXED;
    }
  }
  return DRIVE_FIXED;
}

std::map<std::string, std::string> Labels() {
  std::map<std::string, std::string> labels;  // device -> label
  DIR* dir = opendir("/dev/disk/by-label");
  if (!dir) return labels;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::string link = std::string("/dev/disk/by-label/") + entry->d_name;
    char target[PATH_MAX];
    if (realpath(link.c_str(), target)) labels[target] = detail::UnescapeVolumeLabel(entry->d_name);
  }
  closedir(dir);
  return labels;
}

Cardinal Hash(const std::string& s) {
  Cardinal h = 2166136261u;
  for (unsigned char c : s) h = (h ^ c) * 16777619u;
  return h;
}

}  // namespace

std::vector<TVolumeInfo> detail::ParseMountTable(std::istream& In, const std::map<std::string, std::string>& Labels) {
  std::vector<TVolumeInfo> volumes;
  std::string line;
  while (std::getline(In, line)) {
    std::istringstream fields(line);
    std::string id, parent, devno, root, mountPoint, options, field;
    fields >> id >> parent >> devno >> root >> mountPoint >> options;
    while (fields >> field && field != "-") {
    }
    std::string fs, source;
    fields >> fs >> source;
    std::string point = Unescape(mountPoint);
    if (point.empty()) continue;
    if (point.back() != '/') point += '/';
    if (IsPseudo(fs, point)) continue;
    TVolumeInfo info;
    info.Root = UTF8ToString(point);
    info.Device = UTF8ToString(Unescape(source));
    info.FileSystem = UTF8ToString(fs);
    char real[PATH_MAX];
    std::string device = Unescape(source);
    if (device.rfind("/dev/", 0) == 0 && realpath(device.c_str(), real)) device = real;
    if (auto it = Labels.find(device); it != Labels.end()) info.Label = UTF8ToString(it->second);
    info.DriveType = TypeOf(fs, device, point);
    info.SerialNumber = Hash(device + "|" + fs);
    // A later mount on the same point hides the earlier one.
    auto same = std::find_if(volumes.begin(), volumes.end(), [&](const TVolumeInfo& v) { return v.Root == info.Root; });
    if (same != volumes.end()) *same = info;
    else volumes.push_back(info);
  }
  std::sort(volumes.begin(), volumes.end(), [](const TVolumeInfo& a, const TVolumeInfo& b) { return a.Root < b.Root; });
  return volumes;
}

std::vector<TVolumeInfo> GetVolumes() {
  std::ifstream in("/proc/self/mountinfo");
  std::stringstream table;
  table << in.rdbuf();
  return VolumesOfMountTable(table.str());
}

std::vector<TVolumeInfo> VolumesOfMountTable(std::string_view Table) {
  std::istringstream in{std::string(Table)};
  std::vector<TVolumeInfo> volumes = detail::ParseMountTable(in, Labels());
  // A chroot whose root is no mount point sees no mount at or above "/"; its root file system is
  // a drive all the same.
  if (std::none_of(volumes.begin(), volumes.end(), [](const TVolumeInfo& v) { return v.Root == u"/"; })) {
    TVolumeInfo root;
    root.Root = u"/";
    root.DriveType = DRIVE_FIXED;
    struct stat st {};
    if (stat("/", &st) == 0) root.SerialNumber = Hash("/|" + std::to_string(st.st_dev));
    volumes.push_back(root);
    std::sort(volumes.begin(), volumes.end(), [](const TVolumeInfo& a, const TVolumeInfo& b) { return a.Root < b.Root; });
  }
  return volumes;
}

bool GetVolumeInfo(StringView Path, TVolumeInfo& Info) {
  String path(Path);
  if (path.empty() || path.back() != u'/') path.push_back(u'/');
  size_t best = 0;
  bool found = false;
  for (const TVolumeInfo& v : GetVolumes()) {
    if (path.compare(0, v.Root.size(), v.Root) == 0 && v.Root.size() >= best) {
      best = v.Root.size();
      Info = v;
      found = true;
    }
  }
  return found;
}

UINT GetDriveType(StringView Root) {
  TVolumeInfo info;
  return GetVolumeInfo(Root, info) ? info.DriveType : DRIVE_UNKNOWN;
}

struct TMountMonitor::TState {
  TCallback OnChange;
  std::mutex Lock;
  std::vector<TVolumeInfo> Known;
  int StopFd = -1;
  std::thread Thread;
};

TMountMonitor::TMountMonitor(TCallback OnChange) : FState(new TState) {
  FState->OnChange = std::move(OnChange);
  FState->Known = GetVolumes();
  FState->StopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  FState->Thread = std::thread([this] {
    int fd = open("/proc/self/mountinfo", O_RDONLY | O_CLOEXEC);
    for (;;) {
      // The kernel marks the mount table with POLLPRI when it changes.
      pollfd fds[2] = {{fd, POLLPRI, 0}, {FState->StopFd, POLLIN, 0}};
      int n = poll(fds, fd >= 0 ? 2 : 1, -1);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0 || fds[fd >= 0 ? 1 : 0].revents) break;
      Rescan();
    }
    if (fd >= 0) close(fd);
  });
}

TMountMonitor::~TMountMonitor() {
  uint64_t one = 1;
  [[maybe_unused]] ssize_t n = write(FState->StopFd, &one, sizeof one);
  FState->Thread.join();
  close(FState->StopFd);
  delete FState;
}

void TMountMonitor::Rescan() {
  std::vector<TVolumeInfo> now = GetVolumes();
  std::vector<std::pair<TVolumeInfo, bool>> changes;
  {
    std::lock_guard guard(FState->Lock);
    auto has = [](const std::vector<TVolumeInfo>& list, const TVolumeInfo& v) {
      return std::any_of(list.begin(), list.end(), [&](const TVolumeInfo& x) { return x.Root == v.Root && x.Device == v.Device; });
    };
    for (const TVolumeInfo& v : FState->Known)
      if (!has(now, v)) changes.push_back({v, false});
    for (const TVolumeInfo& v : now)
      if (!has(FState->Known, v)) changes.push_back({v, true});
    FState->Known = std::move(now);
  }
  if (FState->OnChange)
    for (const auto& [volume, mounted] : changes) FState->OnChange(volume, mounted);
}
