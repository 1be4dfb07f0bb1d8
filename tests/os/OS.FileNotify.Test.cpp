#include "os/OS.FileNotify.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "support/TestSupport.h"

namespace {

struct Closer {
  void operator()(TChangeNotification* n) const { FindCloseChangeNotification(n); }
};
using TNotificationPtr = std::unique_ptr<TChangeNotification, Closer>;

TNotificationPtr Watch(const std::string& folder, bool subtree, DWORD filter) {
  return TNotificationPtr(FindFirstChangeNotification(UTF8ToString(folder), subtree, filter));
}

constexpr Cardinal Patience = 10000;

// The kernel reports every change of the process in one order, handled by one thread: once a
// change made after the others has been seen, the others have been handled too.
class Changes {
 public:
  explicit Changes(const std::string& root) : FBarrierDir(root + "/.barrier") {
    std::filesystem::create_directories(FBarrierDir);
    FBarrier = Watch(FBarrierDir, false, FILE_NOTIFY_CHANGE_FILE_NAME);
  }
  void Settle() {
    std::string file = FBarrierDir + "/" + std::to_string(FCount++);
    std::ofstream(file) << "";
    ASSERT_EQ(FBarrier->WaitFor(Patience), wrSignaled);
    FindNextChangeNotification(FBarrier.get());
  }

 private:
  std::string FBarrierDir;
  TNotificationPtr FBarrier;
  static inline int FCount = 0;
};

bool Fired(TChangeNotification* n) {
  bool fired = n->WaitFor(0) == wrSignaled;
  FindNextChangeNotification(n);
  return fired;
}

TEST(ChangeNotification, FiltersAndSubtreesDecideWhoIsTold) {
  std::string root = TempDir() + "/watched";
  std::filesystem::create_directories(root + "/sub");
  std::ofstream(root + "/a.txt") << "x";
  Changes changes(TempDir());
  auto names = Watch(root, false, FILE_NOTIFY_CHANGE_FILE_NAME);
  auto content = Watch(root, false, FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE);
  auto attributes = Watch(root, false, FILE_NOTIFY_CHANGE_ATTRIBUTES);
  auto tree = Watch(root, true, FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE);
  ASSERT_TRUE(names && content && attributes && tree);
  struct Expect {
    bool names, content, attributes, tree;
  };
  auto check = [&](const char* what, Expect e) {
    changes.Settle();
    EXPECT_EQ(Fired(names.get()), e.names) << what;
    EXPECT_EQ(Fired(content.get()), e.content) << what;
    EXPECT_EQ(Fired(attributes.get()), e.attributes) << what;
    EXPECT_EQ(Fired(tree.get()), e.tree) << what;
  };

  std::rename((root + "/a.txt").c_str(), (root + "/b.txt").c_str());
  check("rename", {true, false, false, true});
  std::ofstream(root + "/b.txt", std::ios::app) << "more";
  check("write", {false, true, false, true});
  chmod((root + "/b.txt").c_str(), 0600);
  check("chmod", {false, false, true, false});
  std::ofstream(root + "/sub/c.txt") << "below";
  check("below", {false, false, false, true});
  // A folder made later inside the subtree is watched as well, even when filled at once.
  std::filesystem::create_directories(root + "/sub/new");
  std::ofstream(root + "/sub/new/d.txt") << "z";
  changes.Settle();
  EXPECT_TRUE(Fired(tree.get()));
  std::ofstream(root + "/sub/new/d.txt", std::ios::app) << "z";
  check("deep write", {false, false, false, true});
}

TEST(ChangeNotification, MissingFolderFailsAndSharedFoldersStayWatched) {
  EXPECT_EQ(FindFirstChangeNotification(u"/no/such/folder", false, FILE_NOTIFY_CHANGE_FILE_NAME), nullptr);
  EXPECT_FALSE(FindCloseChangeNotification(nullptr));
  // Two notifications on one folder share the kernel's watch; closing one keeps the other.
  std::string root = TempDir();
  auto first = Watch(root, false, FILE_NOTIFY_CHANGE_FILE_NAME);
  auto second = Watch(root, false, FILE_NOTIFY_CHANGE_FILE_NAME);
  first.reset();
  std::ofstream(root + "/x") << "";
  EXPECT_EQ(second->WaitFor(Patience), wrSignaled);
}

// In a chroot whose root is no mount point the table lists nothing at or above "/"; the root file
// system is still a drive.
TEST(Volumes, TheRootIsAVolumeEvenWhenTheMountTableOmitsIt) {
  const std::string chroot =
      "36 35 0:30 / /proc rw,nosuid - proc proc rw\n"
      "37 35 0:5 / /dev rw - devtmpfs udev rw\n"
      "38 35 8:1 /home /home rw,relatime shared:1 - ext4 /dev/sda1 rw\n";
  std::vector<TVolumeInfo> volumes = VolumesOfMountTable(chroot);
  ASSERT_EQ(volumes.size(), 2u);
  EXPECT_EQ(volumes[0].Root, u"/");
  EXPECT_EQ(volumes[0].DriveType, DRIVE_FIXED);
  EXPECT_EQ(volumes[1].Root, u"/home/");
  EXPECT_EQ(volumes[1].FileSystem, u"ext4");
  // An empty table still has the root; a listed root is not doubled.
  EXPECT_EQ(VolumesOfMountTable("").size(), 1u);
  std::vector<TVolumeInfo> full = VolumesOfMountTable("1 0 8:2 / / rw - ext4 /dev/sda2 rw\n" + chroot);
  ASSERT_EQ(full.size(), 2u);
  EXPECT_EQ(full[0].Device, u"/dev/sda2");
}

TEST(Volumes, TheRootFileSystemIsListed) {
  std::vector<TVolumeInfo> volumes = GetVolumes();
  ASSERT_FALSE(volumes.empty());
  TVolumeInfo info;
  ASSERT_TRUE(GetVolumeInfo(UTF8ToString(TempDir()), info));
  EXPECT_EQ(info.Root.back(), u'/');
  EXPECT_NE(info.DriveType, DRIVE_UNKNOWN);
  for (const TVolumeInfo& v : volumes) EXPECT_NE(v.FileSystem, u"proc");
  // Nothing changed between two scans: no callback.
  int calls = 0;
  TMountMonitor monitor([&](const TVolumeInfo&, bool) { ++calls; });
  monitor.Rescan();
  EXPECT_EQ(calls, 0);
}

TEST(Volumes, LabelsAndMountPointsAreDecodedSafely) {
  // A "\x" without two hex digits is kept as it stands (it used to make the decoder throw).
  const std::pair<const char*, const char*> labels[] = {
      {"USB\\x20STICK", "USB STICK"}, {"\\x41\\x42", "AB"}, {"bad\\xZZ", "bad\\xZZ"},
      {"end\\x4", "end\\x4"},      {"end\\x", "end\\x"},   {"\\x4g", "\\x4g"}};
  for (const auto& [name, label] : labels) EXPECT_EQ(detail::UnescapeVolumeLabel(name), label) << name;

  std::istringstream table(
      "22 1 8:1 / / rw - ext4 /dev/zephse-test-none rw\n"
      "23 22 0:21 / /proc rw - proc proc rw\n"
      "40 22 8:17 / /media/u/My\\040Disk rw shared:5 - vfat /dev/zephse-test-usb rw\n"
      "damaged line\n");
  const std::vector<TVolumeInfo> volumes =
      detail::ParseMountTable(table, {{"/dev/zephse-test-usb", "My Disk"}});
  ASSERT_EQ(volumes.size(), 2u);
  EXPECT_EQ(volumes[0].Root, u"/");
  EXPECT_EQ(volumes[1].Root, u"/media/u/My Disk/");
  EXPECT_EQ(volumes[1].Label, u"My Disk");
  EXPECT_EQ(volumes[1].DriveType, DRIVE_REMOVABLE);
}

}  // namespace
