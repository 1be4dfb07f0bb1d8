#include "zeph/playlists/ZEPH.FilesScanner.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <algorithm>
#include <memory>
#include <vector>

#include "rtl/RTL.Strings.h"
#include "rtl/RTL.SyncObjs.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/ui/ZCL.UI.DragDrop.Source.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/playlists/ZEPH.FilesScanner.Dialog.h"
#include "zeph/playlists/ZEPH.Playlists.Controller.h"
#include "zeph/playlists/ZEPH.Playlists.Settings.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.h"

namespace {

class FoundFiles : public TInterfacedObject, public IZEPHFilesScannerReceiver {
  RTL_INTERFACES(TInterfacedObject, IZEPHFilesScannerReceiver)
 public:
  void Finished(bool Canceled) override { Ends.push_back(Canceled); }
  void FileFound(const String& FileName, IZBLFileInfo*) override { Files.push_back(zcExtractFileName(FileName)); }
  void Progress(const String&, Integer, Integer) override { ++Progresses; }
  void Started(TZCLTask*) override {}
  std::vector<String> Files;
  std::vector<bool> Ends;
  int Progresses = 0;
};

struct ScanTree : ::testing::Test {
  void SetUp() override {
    char pattern[] = "/tmp/zeph-fscan-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Folder = pattern;
    Mp3 = GetFileManager()->GetKnownFormats()->Register(u"MP3 test", u"*.mp3;*.gz;", 0);
    PlaylistCommonSettings()->SetOption(zpoAllowUndo, false);
    PlaylistCommonSettings()->SetOption(zpoAutoScanPlaylists, false);
    PlaylistCommonSettings()->SetOption(zpoAutoSortAddingFiles, false);
  }
  void TearDown() override {
    GetFileManager()->GetKnownFormats()->Unregister(Mp3);
    PlaylistCommonSettings()->SetOption(zpoAutoScanPlaylists, true);
    PlaylistCommonSettings()->SetOption(zpoAutoSortAddingFiles, true);
    PlaylistCommonSettings()->SetOption(zpoAllowUndo, true);
    std::filesystem::remove_all(Folder);
  }
  void Write(const std::string& Name) const {
    std::filesystem::create_directories(std::filesystem::path(Folder + "/" + Name).parent_path());
    std::ofstream(Folder + "/" + Name) << "x";
  }
  String Path(const std::string& Name) const { return UTF8ToString(Folder + "/" + Name); }
  std::unique_ptr<TZEPHFileManagerExpandAttributes> Recursive() const {
    std::unique_ptr<TZEPHFileManagerExpandAttributes> a(Create<TZEPHFileManagerExpandAttributes>());
    a->Add(String(zfeaRecursive), true);
    a->Add(String(zfeaSortChildren), true);
    return a;
  }
  // Serves main-thread calls until Done holds or about ten seconds passed.
  template <class F>
  static void ServeUntil(F&& Done) {
    TEvent never;
    for (int i = 0; i < 2000 && !Done(); ++i) WaitForMainThreadServing({&never}, false, 5);
  }
  static bool PoolIdle() { return TaskDispatcher()->GetActiveCount() == 0 && TaskDispatcher()->GetQueuedCount() == 0; }
  std::string Folder;
  TZEPHFileManagerKnownFormatInfo* Mp3 = nullptr;
};

IZBLFileInfo* InfoOf(Cardinal Duration, Int64 Size) {
  auto* info = Create<TZBLFileInfo>();
  info->GetStreamInfo().Duration = Duration;
  info->SetFileSize(Size);
  return Create<TZBLFileInfoKeeper>(info);
}

}  // namespace

TEST_F(ScanTree, SkipsFolderMarkersAndFiltersDurationSizeAndExtensions) {
  for (const char* name : {"a.mp3", "__MACOSX/b.mp3", "sub/.AppleDouble/c.mp3", "sub/._d.mp3", "sub/e.mp3",
                           "x.tar.gz", "y.gz"})
    Write(name);
  std::unique_ptr<TZCLStringList> items(Create<TZCLStringList>());
  items->Add(UTF8ToString(Folder));
  IPtr<FoundFiles> found(Create<FoundFiles>());
  auto* scanner = new TZEPHFilesScanner(found.get(), items.get(), Recursive().get());
  scanner->IgnoredExts = u"*.tar.gz;";
  TZCLTaskDispatcher::RunInCurrentThread(scanner);
  std::sort(found->Files.begin(), found->Files.end());
  EXPECT_EQ(found->Files, (std::vector<String>{u"a.mp3", u"e.mp3", u"y.gz"}));
  EXPECT_EQ(found->Ends, std::vector<bool>{false});
  EXPECT_EQ(found->Progresses, 3);

  // Filters: more than 30 s and more than 100 KiB; a single extension refuses ".tar.gz" too.
  struct Case {
    const char* Name;
    Cardinal Duration;
    Int64 Size;
  } cases[] = {{"t30.mp3", 30000, 200000}, {"t31.mp3", 31999, 200000}, {"s100.mp3", 60000, 102400},
               {"s101.mp3", 60000, 103424}, {"x.tar.gz", 60000, 200000}};
  items->Clear();
  for (const Case& c : cases) {
    Write(c.Name);
    items->Add(Path(c.Name), nullptr, InfoOf(c.Duration, c.Size));
  }
  found = IPtr<FoundFiles>(Create<FoundFiles>());
  scanner = new TZEPHFilesScanner(found.get(), items.get(), nullptr);
  scanner->GetDurationFilter()->Enabled = true;
  scanner->GetDurationFilter()->Value = 30;
  scanner->GetSizeFilter()->Enabled = true;
  scanner->GetSizeFilter()->Value = 100;
  scanner->IgnoredExts = u"*.gz;";
  TZCLTaskDispatcher::RunInCurrentThread(scanner);
  EXPECT_EQ(found->Files, (std::vector<String>{u"t31.mp3", u"s101.mp3"}));

  // Nothing collected: no progress, and the end at once.
  items->Clear();
  items->Add(Path("missing-folder/"));
  found = IPtr<FoundFiles>(Create<FoundFiles>());
  TZCLTaskDispatcher::RunInCurrentThread(new TZEPHFilesScanner(found.get(), items.get(), nullptr));
  EXPECT_EQ(found->Progresses, 0);
  EXPECT_EQ(found->Ends, std::vector<bool>{false});
}

namespace {
class OpenDialogHelper : public TfrmFilesScannerDialogHelper {
 public:
  using TfrmFilesScannerDialogHelper::HandleFinished;
  using TfrmFilesScannerDialogHelper::HandleProgress;
  using TfrmFilesScannerDialogHelper::HandleStarted;
  using TfrmFilesScannerDialogHelper::TfrmFilesScannerDialogHelper;
};
}  // namespace

TEST(FilesScannerDialog, OpensOnlyAfterASecondAndShowsTheProgressCaption) {
  IPtr<OpenDialogHelper> helper(Create<OpenDialogHelper>(u"Mix - Adding"));
  TZCLSimpleTask task({});
  helper->HandleStarted(&task);
  EXPECT_TRUE(helper->IsTimerArmed());
  helper->HandleFinished(false);  // ended within the second: no window
  EXPECT_FALSE(helper->IsTimerArmed());
  EXPECT_EQ(helper->GetForm(), nullptr);

  helper->HandleStarted(&task);
  helper->TimerTick(nullptr);
  ASSERT_NE(helper->GetForm(), nullptr);
  helper->HandleProgress(u"/m/a.mp3", 2, 5);
  EXPECT_EQ(helper->GetForm()->GetCaption(), u"[2/5] Mix - Adding");
  EXPECT_EQ(helper->GetForm()->GetPercent(), 40);
  EXPECT_EQ(TfrmFilesScannerDialog::ProgressCaption(0, 0, u"c"), u"[0/0] c");
  helper->HandleFinished(false);
  EXPECT_EQ(helper->GetForm(), nullptr);
}

TEST_F(ScanTree, AddingAFolderFocusesItsFirstFileThatPasses) {
  for (const char* name : {"a/._hidden.mp3", "a/one.mp3", "a/two.mp3", "b.mp3"}) Write(name);
  TZEPHPlaylistStorage playlist;
  std::unique_ptr<TZCLStringList> items(Create<TZCLStringList>());
  items->Add(Path("b.mp3"));
  items->Add(Path("a"));
  // Sorted: the folder comes first and its children in order; the focus follows the folder.
  ASSERT_TRUE(playlist.AddFiles(items.get(), zpafRecursive | zpafFocus | zpafSort, -1, 1));
  ServeUntil([&] { return playlist.GetItems()->GetCount() == 3; });
  ASSERT_EQ(playlist.GetItems()->GetCount(), 3);
  EXPECT_EQ(playlist.GetItems()->Get(2)->GetFileName(), Path("b.mp3"));
  auto* focused = dynamic_cast<TZEPHPlaylistItem*>(playlist.GetFocusedObject());
  ASSERT_NE(focused, nullptr);
  EXPECT_EQ(focused->GetFileName(), Path("a/one.mp3"));
  ServeUntil(PoolIdle);
}

TEST_F(ScanTree, ClosingThePlaylistWhileAddingInsertsNothing) {
  for (int i = 0; i < 200; ++i) Write("many/" + std::to_string(i) + ".mp3");
  TZEPHPlaylistController controller;
  TZEPHPlaylistStorage* playlist = controller.NewPlaylist(u"P", true);
  std::unique_ptr<TZCLStringList> items(Create<TZCLStringList>());
  items->Add(Path("many"));
  ASSERT_TRUE(playlist->AddFiles(items.get(), zpafRecursive));
  controller.ClosePlaylist(playlist, 2);
  ServeUntil(PoolIdle);
  ASSERT_EQ(controller.Count(), 1);
  EXPECT_EQ(controller.Storages(0)->GetName(), u"Default");
  EXPECT_EQ(controller.Storages(0)->GetItems()->GetCount(), 0);
}

namespace {
// Adds the files through the controller while the program's own drag runs.
class TAddWhileDragging : public TInterfacedObject, public IZCLDropSourceOperation {
  RTL_INTERFACES(TInterfacedObject, IZCLDropSourceOperation)
 public:
  TAddWhileDragging(TZEPHPlaylistController* AController, TZCLStringList* AFiles)
      : Controller(AController), Files(AFiles) {}
  void DropSourceBegin() override {
    Dragging = IsDragging();
    Controller->AddFiles(Files, false);
  }
  void DropSourceDrop(bool& AllowDrop) override { AllowDrop = false; }
  void DropSourceEnd(TZCLDropSourceActions, TShiftState) override {}
  TZEPHPlaylistController* Controller;
  TZCLStringList* Files;
  bool Dragging = false;
};
}  // namespace

TEST_F(ScanTree, AutoSortingOfAddedFilesWaitsForNoDragOfTheProgram) {
  Write("d/b.mp3");
  Write("d/a.mp3");
  PlaylistCommonSettings()->SetOption(zpoAutoSortAddingFiles, true);
  TZEPHPlaylistController controller;
  std::unique_ptr<TZCLStringList> items(Create<TZCLStringList>());
  items->Add(Path("d/b.mp3"));
  items->Add(Path("d/a.mp3"));
  auto order = [](TZEPHPlaylistStorage* P) {
    String r;
    for (Integer i = 0; i < P->GetItems()->GetCount(); ++i) r += zcExtractFileName(P->GetItems()->Get(i)->GetFileName());
    return r;
  };
  TZEPHPlaylistStorage* plain = controller.NewPlaylist(u"Plain", true);
  ASSERT_TRUE(controller.AddFiles(items.get(), false));
  ServeUntil([&] { return plain->GetItems()->GetCount() == 2; });
  EXPECT_EQ(order(plain), u"a.mp3b.mp3");

  TZEPHPlaylistStorage* dragged = controller.NewPlaylist(u"Dragged", true);
  IPtr<TAddWhileDragging> operation(Create<TAddWhileDragging>(&controller, items.get()));
  TZCLDropSource* source = CreateDropSource(operation.get(), nullptr);
  source->Execute();
  Free(source);
  EXPECT_TRUE(operation->Dragging);
  ServeUntil([&] { return dragged->GetItems()->GetCount() == 2; });
  EXPECT_EQ(order(dragged), u"b.mp3a.mp3");
  ServeUntil(PoolIdle);
  PlaylistCommonSettings()->SetOption(zpoAutoSortAddingFiles, false);
}

TEST_F(ScanTree, TheControllerAddsToTheActivePlaylistAndAsksToPlay) {
  Write("c/b.mp3");
  Write("c/a.mp3");
  TZEPHPlaylistController controller;
  struct Host {
    TZEPHPlaylistStorage* Played = nullptr;
    void Play(TZEPHPlaylistStorage* Storage, Integer) { Played = Storage; }
  } host;
  controller.OnPlay = TZEPHPlaylistPlayEvent(&host, &Host::Play);
  std::unique_ptr<TZCLStringList> items(Create<TZCLStringList>());
  items->Add(Path("c"));
  EXPECT_FALSE(controller.AddFiles(items.get(), true));  // no playlist yet
  TZEPHPlaylistStorage* playlist = controller.NewPlaylist(u"P", true);
  ASSERT_TRUE(controller.AddFiles(items.get(), true));
  ServeUntil([&] { return playlist->GetItems()->GetCount() == 2; });
  ASSERT_EQ(playlist->GetItems()->GetCount(), 2);
  EXPECT_EQ(host.Played, playlist);
  ServeUntil(PoolIdle);
}
