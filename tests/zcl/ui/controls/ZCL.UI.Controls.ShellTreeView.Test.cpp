#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "ControlsTestSupport.h"
#include "os/OS.Input.h"
#include "os/backends/headless/OS.Headless.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Utils.FileSystem.Watcher.h"
#include "zcl/base/ZCL.Utils.Shell.h"
#include "zcl/ui/ZCL.UI.Animation.h"
#include "zcl/ui/controls/ZCL.UI.Controls.ShellTreeView.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.h"

namespace fs = std::filesystem;

namespace {

String S(const std::string& Text) { return UTF8ToString(Text); }

std::vector<String> Captions(TZCLTreeListNode* Node) {
  std::vector<String> result;
  for (Integer i = 0; i < Node->GetChildrenCount(); ++i) result.push_back(Node->GetChild(i)->GetValue(0));
  return result;
}

// A form with a shell folder tree over a temporary folder tree:
//   a/b/c, a/d, e, .hidden, and a file f.txt beside them.
class ShellTreeViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Dir = TempDir() + "/shell";
    for (const char* sub : {"a/b/c", "a/d", "e", ".hidden"}) fs::create_directories(Dir + "/" + sub);
    std::ofstream(Dir + "/f.txt") << "x";
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 400, 300);
    Form->SetBorderStyle(bsNone);
    Tree = Create<TZCLShellTreeView>(Form.get());
    Tree->SetResourceCollection(Skin.Get());
    Tree->SetParent(Form.get());
    Tree->SetBounds(0, 0, 300, 250);
    Form->Show();
    Headless::RunUntilIdle();
  }
  void TearDown() override {
    Form.reset();
    UIAnimationsEnabled = true;
  }
  TZCLTreeListNode* Focused() { return Tree->GetFocusedNode(); }

  testskin::TTestSkin Skin;
  TOwned<TForm> Form;
  TZCLShellTreeView* Tree = nullptr;
  std::string Dir;
};

TEST_F(ShellTreeViewTest, SelectingAPathLoadsTheLevelsOnTheWayWithFoldersOnly) {
  // The root holds the "/" node, opened.
  TZCLTreeListNode* root = Tree->GetRootNode();
  ASSERT_EQ(root->GetChildrenCount(), 1);
  EXPECT_EQ(root->GetChild(0)->GetValue(0), u"/");
  EXPECT_TRUE(root->GetChild(0)->GetExpanded());

  Tree->SetSelectedPath(S(Dir + "/a/b/"));
  ASSERT_NE(Focused(), nullptr);
  EXPECT_EQ(Focused()->GetValue(0), u"b");
  EXPECT_EQ(Tree->GetSelectedPath(), S(Dir + "/a/b"));
  EXPECT_EQ(Tree->GetPath(Focused()), S(Dir + "/a/b/"));
  EXPECT_TRUE(Focused()->HasChildren());  // c below, not loaded yet
  EXPECT_EQ(Focused()->GetChildrenList(), nullptr);
  EXPECT_GE(Focused()->GetImageIndex(), 0);  // our folder icon

  // Files are left out; hidden folders follow ShowHidden.
  Tree->SetSelectedPath(S(Dir));
  EXPECT_EQ(Captions(Focused()), (std::vector<String>{u"a", u"e"}));
  Tree->GetOptionsView()->SetShowHidden(TZCLBoolean::True);  // reloads, keeps the selection
  ASSERT_NE(Focused(), nullptr);
  EXPECT_EQ(Tree->GetSelectedPath(), S(Dir));
  EXPECT_EQ(Captions(Focused()), (std::vector<String>{u".hidden", u"a", u"e"}));
}

TEST_F(ShellTreeViewTest, AMissingPathFocusesItsDeepestExistingFolderAndPathsKeepTheirCase) {
  struct {
    std::string Path;
    std::optional<std::string> Expected;  // the selected path afterwards, relative to Dir
  } cases[] = {
      {"/a/missing/deeper", "/a"},
      {"/a/b/c/gone", "/a/b/c"},
      {"/A/b", ""},  // "A" is not "a": only the temporary folder exists
  };
  for (const auto& c : cases) {
    Tree->SetSelectedPath(S(Dir + "/e"));
    Tree->SetSelectedPath(S(Dir + c.Path));
    EXPECT_EQ(Tree->GetSelectedPath(), S(Dir + *c.Expected)) << c.Path;
    EXPECT_EQ(Tree->GetPath(Focused()), S(Dir + *c.Expected + "/")) << c.Path;
  }
  // The root keeps its "/": it is no trailing delimiter.
  Tree->SetSelectedPath(u"/");
  EXPECT_EQ(Tree->GetSelectedPath(), u"/");
  EXPECT_EQ(Focused(), Tree->GetRootNode()->GetChild(0));
  // Not a path at all: logged, the focus stays where it was.
  Tree->SetSelectedPath(S(Dir + "/e"));
  Tree->SetSelectedPath(u"relative/folder");
  EXPECT_EQ(Focused()->GetValue(0), u"e");
}

TEST_F(ShellTreeViewTest, NewFoldersTakeTheNextFreeNumberAndBecomeSelected) {
  // Through the prompt: Enter takes the offered name.
  Tree->SetSelectedPath(S(Dir + "/e"));
  Headless::KeyPress(VK_RETURN);
  ASSERT_TRUE(Tree->CreateFolder(TZCLDialogsStrs::NewFolderCaption));
  EXPECT_TRUE(fs::is_directory(Dir + "/e/New folder"));
  EXPECT_EQ(Tree->GetSelectedPath(), S(Dir + "/e/New folder"));

  for (const char* expected : {"New folder (2)", "New folder (3)"}) {
    Tree->SetSelectedPath(S(Dir + "/e"));
    Tree->GetShellSubClass()->CreateFolder(u"New folder");
    EXPECT_TRUE(fs::is_directory(Dir + "/e/" + expected)) << expected;
    EXPECT_EQ(Tree->GetSelectedPath(), S(Dir + "/e/" + expected));
  }
  Tree->SetSelectedPath(S(Dir + "/e"));
  EXPECT_EQ(Captions(Focused()), (std::vector<String>{u"New folder", u"New folder (2)", u"New folder (3)"}));

  // Cancelled prompt: nothing is made.
  Headless::KeyPress(VK_ESCAPE);
  EXPECT_FALSE(Tree->CreateFolder(u"Other"));
  EXPECT_FALSE(fs::exists(Dir + "/e/Other"));
}

TEST_F(ShellTreeViewTest, F5ReloadsTheTreeAndKeepsTheFocusedFolder) {
  Tree->SetSelectedPath(S(Dir + "/a"));
  EXPECT_EQ(Captions(Focused()), (std::vector<String>{u"b", u"d"}));
  fs::create_directories(Dir + "/a/added");
  EXPECT_EQ(Captions(Focused()).size(), 2u);  // loaded once, not watched
  Tree->SetFocus();
  Headless::KeyPress(VK_F5);
  Headless::RunUntilIdle();
  ASSERT_NE(Focused(), nullptr);
  EXPECT_EQ(Tree->GetSelectedPath(), S(Dir + "/a"));
  EXPECT_EQ(Captions(Focused()), (std::vector<String>{u"added", u"b", u"d"}));

  // A drive that comes or goes reloads the tree as well.
  fs::create_directories(Dir + "/a/mounted");
  TZCLDriveInfo drive;
  drive.Root = S(Dir + "/a/mounted/");
  TZCLDriveManager::Changed(drive.Root, true, &drive);
  TZCLDriveManager::Changed(drive.Root, false, &drive);
  ASSERT_NE(Focused(), nullptr);
  EXPECT_EQ(Captions(Focused()), (std::vector<String>{u"added", u"b", u"d", u"mounted"}));
}

TEST_F(ShellTreeViewTest, FavouritesListTheHomeAndUserFoldersAndRememberTheirState) {
  const std::string home = Dir + "/home";
  for (const char* sub : {"Music", "Documents", "Projects"}) fs::create_directories(home + "/" + sub);
  const char* oldHome = std::getenv("HOME");
  const std::string savedHome = oldHome ? oldHome : "";
  setenv("HOME", home.c_str(), 1);
  unsetenv("XDG_CONFIG_HOME");
  struct TRestore {
    std::string Home;
    ~TRestore() { setenv("HOME", Home.c_str(), 1); }
  } restore{savedHome};

  Tree->GetOptionsView()->SetShowFavorites(true);
  TZCLTreeListNode* root = Tree->GetRootNode();
  ASSERT_EQ(root->GetChildrenCount(), 2);
  TZCLTreeListNode* favourites = root->GetChild(0);
  EXPECT_EQ(favourites, Tree->GetShellSubClass()->GetQuickAccessNode());
  EXPECT_TRUE(favourites->GetExpanded());
  // Missing user folders (Desktop, Downloads, Pictures) are left out; others are not favourites.
  EXPECT_EQ(Captions(favourites), (std::vector<String>{u"home", u"Documents", u"Music"}));
  EXPECT_EQ(Tree->GetPath(favourites), u"");
  // The favourites node is no folder: a new folder has nowhere to go (not the working folder).
  Tree->SetFocusedNode(favourites);
  Tree->GetShellSubClass()->CreateFolder(u"New folder");
  EXPECT_FALSE(fs::exists(fs::current_path() / "New folder"));
  EXPECT_EQ(Captions(favourites).size(), 3u);

  // A favourite is the shorter way to a folder below it.
  Tree->SetSelectedPath(S(home + "/Music"));
  ASSERT_NE(Focused(), nullptr);
  EXPECT_EQ(Focused()->GetParent(), favourites);
  Tree->SetSelectedPath(S(home + "/Projects"));
  EXPECT_EQ(Focused()->GetParent(), favourites->GetChild(0));

  // Collapsed is stored; expanded (the default) deletes the key.
  TOwned<TZCLIniFile> ini(TZCLIniFile::CreateInMemory());
  favourites->SetExpanded(false);
  Tree->GetShellSubClass()->ConfigSave(ini.get(), u"Form", u"Tree");
  EXPECT_EQ(ini->ReadString(u"Form", u"Tree.QuickAccessExpanded", u"?"), u"0");
  Tree->GetOptionsView()->SetShowFavorites(false);
  Tree->GetOptionsView()->SetShowFavorites(true);  // rebuilt: the remembered state holds
  EXPECT_FALSE(Tree->GetShellSubClass()->GetQuickAccessNode()->GetExpanded());
  ini->WriteBool(u"Form", u"Tree.QuickAccessExpanded", true);
  Tree->GetShellSubClass()->ConfigLoad(ini.get(), u"Form", u"Tree");
  EXPECT_TRUE(Tree->GetShellSubClass()->GetQuickAccessNode()->GetExpanded());
  Tree->GetShellSubClass()->ConfigSave(ini.get(), u"Form", u"Tree");
  EXPECT_FALSE(ini->ExistsKey(u"Form", u"Tree.QuickAccessExpanded"));
}

}  // namespace
