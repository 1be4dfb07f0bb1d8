#include <gtest/gtest.h>

#include <filesystem>

#include "ControlsTestSupport.h"
#include "os/OS.Input.h"
#include "os/backends/headless/OS.Headless.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/ui/ZCL.UI.Animation.h"
#include "zcl/ui/controls/ZCL.UI.CheckBoxes.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Controls.ShellTreeView.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.FolderBrowser.h"

namespace fs = std::filesystem;

namespace {

String S(const std::string& Text) { return UTF8ToString(Text); }

std::vector<std::pair<String, bool>> Entries(const TZCLShellTreePaths& Paths) {
  std::vector<std::pair<String, bool>> result;
  for (Integer i = 0; i < Paths.GetCount(); ++i) result.emplace_back(Paths.GetPath(i), Paths.GetRecursive(i));
  return result;
}

// A temporary folder tree: a/b/c, a/d, e.
class FolderBrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Dir = TempDir() + "/browse";
    for (const char* sub : {"a/b/c", "a/d", "e"}) fs::create_directories(Dir + "/" + sub);
    TZCLFolderBrowser::Settings()->Clear();
    Headless::RunUntilIdle();
  }
  void TearDown() override { UIAnimationsEnabled = true; }
  TOwned<TZCLFolderBrowserDialog> Dialog(TZCLFolderBrowserOptions Options) {
    return TOwned<TZCLFolderBrowserDialog>(TZCLFolderBrowserDialog::CreateFor(nullptr, Options));
  }
  std::string Dir;
};

TEST_F(FolderBrowserTest, WithCheckBoxesAndNothingCheckedOkReturnsTheFocusedFolderRecursive) {
  TZCLShellTreePaths paths;
  bool recursive = true;
  Headless::KeyPress(VK_RETURN);
  ASSERT_TRUE(TZCLFolderBrowser::Execute(S(Dir + "/a"), &paths, recursive, {fboCheckBoxes}, nullptr, u"Pick"));
  EXPECT_EQ(Entries(paths), (std::vector<std::pair<String, bool>>{{S(Dir + "/a/"), true}}));
  EXPECT_FALSE(recursive);  // no check box: false

  // Escape: nothing chosen.
  Headless::KeyPress(VK_ESCAPE);
  EXPECT_FALSE(TZCLFolderBrowser::Execute(S(Dir + "/a"), &paths, recursive, {fboCheckBoxes}, nullptr, u""));
}

TEST_F(FolderBrowserTest, CheckedFoldersAreRecursiveUnlessTheirChildrenWereOpened) {
  auto dialog = Dialog({fboCheckBoxes, fboRecursiveCheckBox});
  TZCLShellTreeView* tree = dialog->GetTreeView();
  EXPECT_FALSE(dialog->GetButtonNewFolder()->GetVisible());
  EXPECT_TRUE(dialog->GetButtonOK()->GetEnabled());  // check boxes: always

  tree->SetSelectedPath(S(Dir + "/e"));  // never opened
  tree->GetFocusedNode()->SetChecked(true);
  tree->SetSelectedPath(S(Dir + "/a/b"));  // opens a
  tree->GetFocusedNode()->SetChecked(true);
  TZCLTreeListNode* a = tree->GetFocusedNode()->GetParent();
  a->SetChecked(true);  // its children are loaded
  dialog->GetCheckBox()->SetChecked(true);

  TZCLShellTreePaths paths;
  bool recursive = false;
  dialog->CollectPaths(&paths, recursive);
  EXPECT_EQ(Entries(paths), (std::vector<std::pair<String, bool>>{
                                {S(Dir + "/a/"), false}, {S(Dir + "/a/b/"), true}, {S(Dir + "/e/"), true}}));
  EXPECT_TRUE(recursive);

  // Pre-checking: a folder stored as not recursive is checked alone although children follow.
  auto second = TOwned<TZCLFolderBrowserDialog>();
  dialog.reset();
  second = Dialog({fboCheckBoxes});
  second->GetTreeView()->GetOptionsBehavior()->SetAutoCheckChildren(true);
  TZCLShellTreePaths given;
  given.Add(S(Dir + "/a"), false);
  given.Add(S(Dir + "/e"), true);
  given.ApplyToTree(second->GetTreeView());
  TZCLShellTreePaths back;
  second->CollectPaths(&back, recursive);
  EXPECT_EQ(Entries(back), (std::vector<std::pair<String, bool>>{{S(Dir + "/a/"), false}, {S(Dir + "/e/"), true}}));
  EXPECT_TRUE(second->GetTreeView()->GetOptionsBehavior()->GetAutoCheckChildren());
}

TEST_F(FolderBrowserTest, ThePathEditAndTheTreeFollowEachOther) {
  auto dialog = Dialog({fboPathEdit});
  TZCLShellTreeView* tree = dialog->GetTreeView();
  TZCLEdit* edit = dialog->GetPathEdit();
  ASSERT_NE(edit, nullptr);
  EXPECT_TRUE(dialog->GetButtonNewFolder()->GetVisible());

  tree->SetSelectedPath(S(Dir + "/a"));
  EXPECT_EQ(edit->GetText(), S(Dir + "/a"));
  EXPECT_TRUE(dialog->GetButtonNewFolder()->GetEnabled());

  // Typing unfocuses the tree; the typed folder is returned as typed, without its quotes.
  edit->SetText(S("  \"" + Dir + "/typed/new\" "));
  EXPECT_EQ(tree->GetFocusedNode(), nullptr);
  EXPECT_TRUE(dialog->GetButtonOK()->GetEnabled());
  TZCLShellTreePaths paths;
  bool recursive = true;
  dialog->CollectPaths(&paths, recursive);
  EXPECT_EQ(Entries(paths), (std::vector<std::pair<String, bool>>{{S(Dir + "/typed/new/"), false}}));
  EXPECT_FALSE(fs::exists(Dir + "/typed"));

  edit->SetText(String());
  EXPECT_FALSE(dialog->GetButtonOK()->GetEnabled());
  tree->SetSelectedPath(S(Dir + "/e"));
  EXPECT_EQ(edit->GetText(), S(Dir + "/e"));
}

TEST_F(FolderBrowserTest, TheLastFolderIsRememberedPerKeyAndTheDialogIsSingle) {
  String path = S(Dir + "/a/b");
  Headless::KeyPress(VK_RETURN);
  ASSERT_TRUE(TZCLFolderBrowser::ExecuteSingle(path, u"Output", nullptr, u""));
  EXPECT_EQ(path, S(Dir + "/a/b/"));

  path.clear();
  Headless::KeyPress(VK_RETURN);
  ASSERT_TRUE(TZCLFolderBrowser::ExecuteSingle(path, u"Output", nullptr, u""));
  EXPECT_EQ(path, S(Dir + "/a/b/"));  // started at the remembered folder

  TOwned<TZCLIniFile> ini(TZCLIniFile::CreateInMemory());
  TZCLFolderBrowser::ConfigSave(ini.get(), u"Paths");
  EXPECT_EQ(ini->ReadString(u"Paths.MRU", u"Output", u""), S(Dir + "/a/b/"));

  // Only one dialog at a time.
  {
    auto open = Dialog({});
    TZCLShellTreePaths paths;
    bool recursive = false;
    EXPECT_FALSE(TZCLFolderBrowser::Execute(S(Dir), &paths, recursive, {}, nullptr, u""));
  }
  EXPECT_FALSE(TZCLFolderBrowserDialog::IsOpen());
}

TEST_F(FolderBrowserTest, AnUnmovedWindowKeepsNoPlacementAndAMovedOneIsSaved) {
  TZCLIniFile* settings = TZCLFolderBrowser::Settings();
  settings->WriteString(u"Dialog", u"Stale", u"1");
  {
    auto dialog = Dialog({});
    Headless::KeyPress(VK_ESCAPE);
    EXPECT_FALSE(dialog->Run());
  }
  EXPECT_FALSE(settings->ExistsSection(u"Dialog"));

  {
    auto dialog = Dialog({});
    dialog->SetTop(dialog->GetTop() + 1);  // moved before the window shows: the placement counts
    dialog->SetPosition(poDesigned);
    Headless::KeyPress(VK_ESCAPE);
    dialog->Run();
  }
  ASSERT_TRUE(settings->ExistsKey(u"Dialog", u"WindowRect"));
  const TRect saved = settings->ReadRect(u"Dialog", u"WindowRect");
  {
    auto dialog = Dialog({});  // placed where it was left
    EXPECT_EQ(dialog->GetBoundsRect().TopLeft(), saved.TopLeft());
    Headless::KeyPress(VK_ESCAPE);
    dialog->Run();
  }
  EXPECT_TRUE(settings->ExistsKey(u"Dialog", u"WindowRect"));
}

}  // namespace
