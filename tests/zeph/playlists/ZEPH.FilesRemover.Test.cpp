#include "zeph/playlists/ZEPH.FilesRemover.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "rtl/RTL.Strings.h"
#include "rtl/RTL.SyncObjs.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zeph/playlists/ZEPH.Playlists.Settings.h"
#include "zeph/playlists/ZEPH.Playlists.Storage.h"

namespace {

struct Remover : ::testing::Test {
  void SetUp() override {
    char pattern[] = "/tmp/zeph-remover-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Folder = pattern;
    std::filesystem::create_directories(Folder + "/data");
    OldDataHome = getenv("XDG_DATA_HOME") != nullptr ? getenv("XDG_DATA_HOME") : "";
    setenv("XDG_DATA_HOME", (Folder + "/data").c_str(), 1);
    SavedAsk = TZEPHFilesRemoverTool::Ask;
    SavedReport = TZEPHFilesRemoverTool::Report;
    TZEPHFilesRemoverTool::Report = [this](const String&, const String& Text) { Reports.push_back(Text); };
  }
  void TearDown() override {
    TZEPHFilesRemoverTool::Ask = SavedAsk;
    TZEPHFilesRemoverTool::Report = SavedReport;
    if (OldDataHome.empty())
      unsetenv("XDG_DATA_HOME");
    else
      setenv("XDG_DATA_HOME", OldDataHome.c_str(), 1);
    std::filesystem::remove_all(Folder);
  }
  String Write(const std::string& Name) const {
    std::ofstream(Folder + "/" + Name) << "x";
    return UTF8ToString(Folder + "/" + Name);
  }
  bool InTrash(const std::string& Name) const { return std::filesystem::exists(Folder + "/data/Trash/files/" + Name); }
  // Waits for the task, then runs the queued report.
  void Finish(TObjHandle Handle) {
    TaskDispatcher()->WaitFor(Handle);
    TEvent never;
    for (int i = 0; i < 20; ++i) WaitForMainThreadServing({&never}, false, 5);
    TZCLMainThread::CheckSynchronize();
  }
  std::string Folder;
  std::string OldDataHome;
  TZEPHFilesRemoverTool::TAskProc SavedAsk;
  TZEPHFilesRemoverTool::TReportProc SavedReport;
  std::vector<String> Reports;
};

}  // namespace

TEST_F(Remover, ConfirmationListsTheFirstThreeAndTheLast) {
  std::unique_ptr<TZCLStringList> files(Create<TZCLStringList>());
  for (const char16_t* n : {u"/a.mp3", u"/b.mp3", u"/c.mp3", u"/d.mp3"}) files->Add(n);
  const String four = TZEPHFilesRemoverTool::ConfirmationText(files.get());
  EXPECT_NE(four.find(u"\r\n\r\n1. /a.mp3\r\n2. /b.mp3\r\n3. /c.mp3\r\n4. /d.mp3"), String::npos);
  files->Add(u"/e.mp3");
  const String five = TZEPHFilesRemoverTool::ConfirmationText(files.get());
  EXPECT_NE(five.find(u"3. /c.mp3\r\n...\r\n5. /e.mp3"), String::npos);
  EXPECT_EQ(five.find(u"4. "), String::npos);

  String asked;
  TZEPHFilesRemoverTool::Ask = [&](const String& Caption, const String& Text) {
    asked = Caption;
    return false;
  };
  EXPECT_FALSE(TZEPHFilesRemoverTool::Confirm(files.get()));
  EXPECT_EQ(asked, u"ZEPH");
  files->Clear();
  asked.clear();
  EXPECT_FALSE(TZEPHFilesRemoverTool::Confirm(files.get()));
  EXPECT_EQ(asked, u"");
}

TEST_F(Remover, FilesGoToTheTrashAndVirtualNamesDeleteNothing) {
  std::unique_ptr<TZCLStringList> files(Create<TZCLStringList>());
  files->Add(Write("a.mp3"));
  files->Add(Write("b.mp3"));
  Finish(TZEPHFilesRemoverTool::DeleteEx(files.get(), zfrReportFailures));
  EXPECT_TRUE(InTrash("a.mp3"));
  EXPECT_TRUE(InTrash("b.mp3"));
  EXPECT_TRUE(Reports.empty());

  const String container = Write("album.cue");
  files->Clear();
  files->Add(container + u":Track 01");
  Finish(TZEPHFilesRemoverTool::DeleteEx(files.get(), zfrReportFailures));
  EXPECT_TRUE(std::filesystem::exists(Folder + "/album.cue"));
  EXPECT_TRUE(Reports.empty());
}

TEST_F(Remover, RemainingFilesAreReportedOnlyWhenAsked) {
  // A trash that cannot be made (its place is a plain file) keeps every file where it is.
  std::ofstream(Folder + "/blocked") << "x";
  setenv("XDG_DATA_HOME", (Folder + "/blocked").c_str(), 1);
  std::unique_ptr<TZCLStringList> files(Create<TZCLStringList>());
  files->Add(Write("x.mp3"));
  Finish(TZEPHFilesRemoverTool::DeleteEx(files.get(), 0));
  ASSERT_TRUE(std::filesystem::exists(Folder + "/x.mp3"));
  EXPECT_TRUE(Reports.empty());
  Finish(TZEPHFilesRemoverTool::DeleteEx(files.get(), zfrReportFailures));
  ASSERT_EQ(Reports.size(), 1u);
  EXPECT_NE(Reports[0].find(UTF8ToString(Folder + "/x.mp3")), String::npos);
  EXPECT_TRUE(std::filesystem::exists(Folder + "/x.mp3"));
}

TEST_F(Remover, PlaylistDeletionWithFilesAsksFirst) {
  PlaylistCommonSettings()->SetOption(zpoAllowUndo, false);
  TZEPHPlaylistStorage playlist;
  playlist.AddEntry(Write("p.mp3"));
  bool answer = false;
  TZEPHFilesRemoverTool::Ask = [&](const String&, const String&) { return answer; };
  playlist.DeleteEntry(playlist.GetItems()->Get(0), true);
  EXPECT_EQ(playlist.GetItems()->GetCount(), 1);
  EXPECT_TRUE(std::filesystem::exists(Folder + "/p.mp3"));
  answer = true;
  playlist.DeleteEntry(playlist.GetItems()->Get(0), true);
  EXPECT_EQ(playlist.GetItems()->GetCount(), 0);
  TEvent never;
  for (int i = 0; i < 200 && !InTrash("p.mp3"); ++i) WaitForMainThreadServing({&never}, false, 5);
  EXPECT_TRUE(InTrash("p.mp3"));
  EXPECT_FALSE(TZEPHElevator::Execute(u"assoc"));
  EXPECT_THROW(TZEPHElevator::Execute(u""), EInvalidOperation);
  PlaylistCommonSettings()->SetOption(zpoAllowUndo, true);
}
