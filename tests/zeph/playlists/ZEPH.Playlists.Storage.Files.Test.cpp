#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "rtl/RTL.Strings.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.h"

namespace {

struct StorageFolder : ::testing::Test {
  void SetUp() override {
    char pattern[] = "/tmp/zeph-playlists-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Folder = pattern;
    Path = UTF8ToString(Folder + "/");
  }
  void TearDown() override { std::filesystem::remove_all(Folder); }
  std::unique_ptr<TZEPHPlaylistStorage> NewPlaylist(const String& Name) {
    auto p = std::make_unique<TZEPHPlaylistStorage>();
    p->SetStoragePath(Path);
    p->Init(Name, String());
    return p;
  }
  bool Exists(const std::string& Name) const { return std::filesystem::exists(Folder + "/" + Name); }
  std::string Folder;
  String Path;
};

}  // namespace

TEST_F(StorageFolder, SavesUniqueFilesThroughATemporaryAndLoadsLazily) {
  auto a = NewPlaylist(u"Mix");
  auto b = NewPlaylist(u"Mix");
  for (auto* p : {a.get(), b.get()}) {
    p->AddEntry(u"/m/one.mp3")->SetTitle(u"One");
    p->GetGroups()->FindOrAdd(u"G");
    p->GetItems()->Get(0)->SetGroup(p->GetGroups()->Get(0));
    p->GetGroups()->Get(0)->SetExpanded(false);
    p->AddEntry(u"/m/two.mp3");
    p->Save();
  }
  EXPECT_EQ(a->GetFileName(), Path + u"Mix.zephpl4");
  EXPECT_EQ(b->GetFileName(), Path + u"Mix (2).zephpl4");
  EXPECT_FALSE(Exists(".~Mix.zephpl4"));
  EXPECT_FALSE(a->IsModified());

  TZEPHPlaylistStorage opened;
  opened.SetStoragePath(Path);
  opened.Init(String(), a->GetFileName());
  EXPECT_FALSE(opened.IsLoaded());
  EXPECT_EQ(opened.GetName(), u"Mix");
  ASSERT_TRUE(opened.EnsureLoaded());
  ASSERT_EQ(opened.GetItems()->GetCount(), 2);
  EXPECT_EQ(opened.GetItems()->Get(0)->GetTitle(), u"One");
  ASSERT_NE(opened.GetItems()->Get(0)->GetGroup(), nullptr);
  EXPECT_FALSE(opened.GetItems()->Get(0)->GetGroup()->GetExpanded());
  EXPECT_EQ(opened.GetItems()->Get(1)->GetFileName(), u"/m/two.mp3");
  EXPECT_FALSE(opened.IsModified());
}

TEST_F(StorageFolder, EmptyStoragePathKeepsNoFile) {
  auto p = std::make_unique<TZEPHPlaylistStorage>();
  p->Init(u"Editor", String());
  p->AddEntry(u"/m/one.mp3");
  p->Save();
  EXPECT_EQ(p->GetFileName(), u"");
  EXPECT_TRUE(std::filesystem::is_empty(Folder));
}

TEST_F(StorageFolder, FailedLoadLeavesTheFileAlone) {
  auto a = NewPlaylist(u"Keep");
  a->AddEntry(u"/m/one.mp3");
  a->Save();
  const std::string file = Folder + "/Keep.zephpl4";
  const std::string hidden = Folder + "/hidden";
  std::filesystem::rename(file, hidden);

  TZEPHPlaylistStorage opened;
  opened.SetStoragePath(Path);
  opened.Init(u"Keep", a->GetFileName());
  EXPECT_FALSE(opened.EnsureLoaded());
  EXPECT_FALSE(opened.IsLoaded());
  opened.Save();
  EXPECT_FALSE(Exists("Keep.zephpl4"));  // not written over as an empty playlist

  std::filesystem::rename(hidden, file);
  ASSERT_TRUE(opened.EnsureLoaded());  // the next access tries again
  EXPECT_EQ(opened.GetItems()->GetCount(), 1);
}
