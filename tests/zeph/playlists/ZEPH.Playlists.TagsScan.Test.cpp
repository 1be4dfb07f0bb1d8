#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>
#include <vector>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.SyncObjs.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.h"

namespace {

// Knows the title of every file whose name holds "lib".
class FakeLibrary : public TInterfacedObject, public IZEPHMusicLibrary {
  RTL_INTERFACES(TInterfacedObject, IZEPHMusicLibrary)
 public:
  bool FillFileInfo(const String& FileName, TZBLCustomFileInfo* Info) override {
    if (FileName.find(u"lib") == String::npos) return false;
    Info->SetTitle(u"from library");
    Info->GetStreamInfo().Duration = 1000;
    Info->GetStreamInfo().SampleRate = 44100;
    return true;
  }
  bool GetLibraryText(const String&, String&) override { return false; }
  bool GetFileMark(const String&, TZEPHFileMark& Mark) override {
    Mark = FileMarkFromInt(4);
    return true;
  }
  bool GetFileStatistics(const String&, TZEPHFileStatistics&) override { return false; }
  bool SetLibraryText(const String&, const String&) override { return false; }
  bool SetFileMark(const String&, TZEPHFileMark) override { return true; }
  void UpdateFileInfo(TZBLCustomFileInfo*) override {}
};

class ScanRecorder : public TZCLUnknownObject, public IZEPHPlaylistStorageScanningListener {
  RTL_INTERFACES(TZCLUnknownObject, IZEPHPlaylistStorageScanningListener)
 public:
  void ScanningBegins(TZEPHPlaylistStorage*) override { ++Begins; }
  void ScanningProgress(TZEPHPlaylistStorage*) override {}
  void ScanningEnd(TZEPHPlaylistStorage*, bool HasChanges, bool Canceled) override {
    Ends.push_back({HasChanges, Canceled});
  }
  int Begins = 0;
  std::vector<std::pair<bool, bool>> Ends;
};

struct TagsScan : ::testing::Test {
  void SetUp() override {
    char pattern[] = "/tmp/zeph-scan-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Folder = pattern;
    GetFileManager()->SetMusicLibrary(IPtr<IZEPHMusicLibrary>(Create<FakeLibrary>()));
    Playlist->GetListeners()->Add(IPtr<IInterface>(static_cast<IInterface*>(&Recorder)));
  }
  void TearDown() override {
    Playlist.reset();
    GetFileManager()->SetMusicLibrary(nullptr);
    std::filesystem::remove_all(Folder);
  }
  String File(const std::string& Name) const { return UTF8ToString(Folder + "/" + Name); }
  // Serves the scan's main-thread calls until it has ended.
  void WaitForScan() {
    TEvent never;
    for (int i = 0; i < 2000 && Playlist->IsScanning(); ++i) WaitForMainThreadServing({&never}, false, 5);
    ASSERT_FALSE(Playlist->IsScanning());
  }
  std::string Folder;
  ScanRecorder Recorder;
  std::unique_ptr<TZEPHPlaylistStorage> Playlist = std::make_unique<TZEPHPlaylistStorage>();
};

}  // namespace

TEST_F(TagsScan, TakesLibraryInfoAndMarksMissingFiles) {
  Playlist->AddEntry(File("lib-song.mp3"));
  Playlist->AddEntry(File("gone.mp3"));
  // The first entry starts the automatic scan; the second, added while it runs, is scanned after it.
  Playlist->StartTagsScan(0);
  WaitForScan();
  TZEPHPlaylistItem* known = Playlist->GetItems()->Get(0);
  TZEPHPlaylistItem* gone = Playlist->GetItems()->Get(1);
  EXPECT_EQ(known->GetTitle(), u"from library");
  EXPECT_FALSE(known->NeedsInfo());
  EXPECT_TRUE(gone->HasItemFlag(zpifFileNotFound));
  EXPECT_EQ(gone->GetDisplayText2(), u"< not found >");
  EXPECT_GE(Recorder.Begins, 1);
  ASSERT_EQ(Recorder.Ends.size(), static_cast<size_t>(Recorder.Begins));
  EXPECT_EQ(Recorder.Ends.back(), std::make_pair(true, false));
  EXPECT_EQ(known->GetMark(), FileMarkFromInt(4));

  // The file appears: a rescan that cannot read it as audio still finds it and clears the flag.
  std::ofstream(Folder + "/gone.mp3") << "not audio";
  Playlist->StartTagsScan(2);
  WaitForScan();
  EXPECT_FALSE(gone->HasItemFlag(zpifFileNotFound));
}

TEST_F(TagsScan, EntriesFreedOrClearedDuringTheScanAreLeftAlone) {
  Playlist->BeginUpdate();
  for (int i = 0; i < 300; ++i) Playlist->AddEntry(File("lib-" + std::to_string(i) + ".mp3"));
  Playlist->EndUpdate();
  Playlist->StartTagsScan(1);
  // Changing the list on the main thread while the worker reads is safe.
  Playlist->GetItems()->Delete(0);
  Playlist->GetSettings()->SetFlag(zpsfInheritGrouping, false);
  Playlist->GetSettings()->SetFlag(zpsfGrouping, true);
  Playlist->ClearContent();
  EXPECT_FALSE(Playlist->IsScanning());
  ASSERT_FALSE(Recorder.Ends.empty());
  EXPECT_TRUE(Recorder.Ends.back().second || Recorder.Ends.back().first);
  EXPECT_EQ(Playlist->GetItems()->GetCount(), 0);

  // Freeing the playlist while a scan runs waits for it.
  Playlist->BeginUpdate();
  for (int i = 0; i < 50; ++i) Playlist->AddEntry(File("x" + std::to_string(i) + ".mp3"));
  Playlist->EndUpdate();
  Playlist->StartTagsScan(1);
  Playlist.reset();
}
