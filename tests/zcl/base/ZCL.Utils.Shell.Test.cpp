#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "os/OS.Registry.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/base/ZCL.Utils.Registry.h"
#include "zcl/base/ZCL.Utils.Shell.h"

namespace fs = std::filesystem;

namespace {

String U(const std::string& Text) { return UTF8ToString(Text); }

void Touch(const std::string& Path) { std::ofstream(Path) << "x"; }

std::vector<String> Names(TZCLStringList* List) {
  std::unique_ptr<TZCLStringList> owned(List);
  return owned ? owned->ToArray() : std::vector<String>{};
}

// Records launches instead of starting anything.
class ShellLaunches : public ::testing::Test {
 protected:
  void SetUp() override {
    FPrevious = detail::SetShellLauncher([this](const String& File, const String& Params) {
      Launched.push_back(File + u"|" + Params);
      return true;
    });
  }
  void TearDown() override { detail::SetShellLauncher(FPrevious); }
  std::vector<String> Launched;
  detail::TShellLauncher FPrevious;
};

TEST_F(ShellLaunches, TextsGoToTheRightOpener) {
  const String folder = U(TempDir());
  EXPECT_FALSE(ShellOpenFileOrURL(u"", u"-x"));
  EXPECT_TRUE(ShellOpenFileOrURL(u"mailto:someone@example.org", u"ignored"));
  EXPECT_TRUE(ShellOpenFileOrURL(u"MAILTO:x@example.org", u""));
  EXPECT_TRUE(ShellOpenFileOrURL(u"/usr/bin/prog", u"-a \"b c\""));
  ShellOpenURL(u"");
  ShellOpenURL(u"example.org/page");
  ShellOpenURL(u"see //host/share");
  ShellOpenURL(folder);
  EXPECT_EQ(Launched,
            (std::vector<String>{u"mailto:someone@example.org|", u"MAILTO:x@example.org|", u"/usr/bin/prog|-a \"b c\"",
                                 u"https://example.org/page|", u"see //host/share|", folder + u"|"}));
}

TEST_F(ShellLaunches, ExecuteOpensOnTheMainThreadLater) {
  ShellExecute(u"https://example.org");
  EXPECT_TRUE(Launched.empty());
  zcProcessMessages(TZCLMessaging::GetWindow(), TZCLMainThread::GetMessageNumber());
  EXPECT_EQ(Launched, (std::vector<String>{u"https://example.org|"}));
}

TEST(ZclShell, RunStartsProgramsAndRefusesMissingNames) {
  EXPECT_TRUE(ShellRun(u"/bin/true", u""));
  EXPECT_TRUE(ShellRun(u"true", u"--ignored"));
  EXPECT_FALSE(ShellRun(u"/nonexistent/zeph-program", u""));
  EXPECT_FALSE(ShellRun(u"", u""));
}

TEST(ZclShell, FileListTextEndsEachNameWithAZero) {
  TZCLStringList list;
  list.AddStrings({u"/a/", u"/b", u"", u"/c"});
  EXPECT_EQ(ShellFileListToText(&list), String(u"/a\0/b\0/c\0", 9));
  EXPECT_EQ(ShellFileListToText(nullptr), u"");
}

// The trash lives under a private XDG data home.
class ShellFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    FOld = std::getenv("XDG_DATA_HOME") ? std::getenv("XDG_DATA_HOME") : "";
    Dir = TempDir();
    setenv("XDG_DATA_HOME", (Dir + "/data").c_str(), 1);
  }
  void TearDown() override {
    if (FOld.empty())
      unsetenv("XDG_DATA_HOME");
    else
      setenv("XDG_DATA_HOME", FOld.c_str(), 1);
  }
  std::string Dir, FOld;
};

TEST_F(ShellFiles, RecycleBinMovesToTheTrashAndReportsMissingFiles) {
  Touch(Dir + "/one.txt");
  Touch(Dir + "/two.txt");
  EXPECT_EQ(TZCLRecycleBin::Delete(U(Dir + "/one.txt\r\n" + Dir + "/two.txt")), 0);
  EXPECT_FALSE(fs::exists(Dir + "/one.txt"));
  EXPECT_TRUE(fs::exists(Dir + "/data/Trash/files/one.txt"));
  EXPECT_TRUE(fs::exists(Dir + "/data/Trash/info/two.txt.trashinfo"));
  const HRESULT missing = TZCLRecycleBin::Delete(U(Dir + "/absent.txt"));
  EXPECT_EQ(static_cast<uint32_t>(missing) >> 16, 0x8007u);
  EXPECT_EQ(static_cast<uint32_t>(missing), 0x80070002u);
}

TEST_F(ShellFiles, OperationsCopyMoveRenameAndDelete) {
  const String src = U(Dir + "/src.txt"), folder = U(Dir + "/folder");
  Touch(Dir + "/src.txt");
  fs::create_directory(Dir + "/folder");
  const String z(1, u'\0');
  EXPECT_EQ(ShellFileOperation(src + z, folder + z, 1, 7), 0);  // copy into the folder
  EXPECT_TRUE(fs::exists(Dir + "/folder/src.txt"));
  EXPECT_EQ(ShellFileOperation(src + z, U(Dir + "/renamed.txt") + z, 3, 7), 0);
  EXPECT_TRUE(fs::exists(Dir + "/renamed.txt"));
  EXPECT_FALSE(fs::exists(Dir + "/src.txt"));
  Touch(Dir + "/other.txt");
  EXPECT_EQ(static_cast<uint32_t>(ShellFileOperation(U(Dir + "/other.txt") + z, U(Dir + "/renamed.txt") + z, 3, 7)),
            0x800700B7u);  // the target exists: nothing is overwritten
  EXPECT_EQ(ShellFileOperation(U(Dir + "/renamed.txt") + z + U(Dir + "/other.txt") + z, U(Dir + "/moved") + z, 0, 7),
            0);
  EXPECT_TRUE(fs::exists(Dir + "/moved/renamed.txt"));
  EXPECT_TRUE(fs::exists(Dir + "/moved/other.txt"));
  EXPECT_EQ(ShellFileOperation(U(Dir + "/moved") + z, u"", 2, 6), 0);  // no undo: gone for good
  EXPECT_FALSE(fs::exists(Dir + "/moved"));
  EXPECT_FALSE(fs::exists(Dir + "/data/Trash/files/moved"));
  EXPECT_EQ(static_cast<uint32_t>(ShellFileOperation(folder + z, u"", 9, 0)), 0x80070057u);
  EXPECT_EQ(static_cast<uint32_t>(ShellFileOperation(folder + z, u"", 1, 0)), 0x80070057u);
}

TEST(ZclShell, WhatThisSystemLacksFailsByResult) {
  String target = u"x";
  EXPECT_FALSE(ShellResolveLink(u"/tmp/Player.LNK", target));
  EXPECT_EQ(target, u"");
  EXPECT_FALSE(ShellResolveLink(u"/tmp/player.txt", target));
  EXPECT_FALSE(ShellShutdown(5));
  EXPECT_FALSE(ShellShutdown(0));
  EXPECT_FALSE(ShellEnableShutdownPrivilege());
  EXPECT_FALSE(ShellIsLibraryPath(U(TempDir())));
  EXPECT_TRUE(ShellIsLibraryPath(u"::{031E4825}\\Music.library-ms"));
  TZCLStringList paths;
  ShellExpandPath(u"::{031E4825}\\Music.library-ms", &paths);
  ShellExpandPath(u"", &paths);
  ShellExpandPath(u"/music/", &paths);
  EXPECT_EQ(paths.ToArray(), (std::vector<String>{u"/music/"}));
  TZCLShellSearchPaths search;
  search.Add(u"::{031E4825}\\Music.library-ms", true);
  search.Add(u"/music", false);
  EXPECT_EQ(Names(search.CreatePathList()), (std::vector<String>{u"/music/"}));
  EXPECT_EQ(ShellGetSpecialFolderPath(9999), zcGetTempPath());
  const String music = ShellGetMusicPath();
  ASSERT_FALSE(music.empty());
  EXPECT_EQ(music.back(), u'/');
  EXPECT_EQ(ShellGetAppDataPath().back(), u'/');
}

TEST(ZclShell, HiddenFilesFollowTheExplorerSetting) {
  const std::string old = std::getenv("XDG_CONFIG_HOME") ? std::getenv("XDG_CONFIG_HOME") : "";
  setenv("XDG_CONFIG_HOME", TempDir().c_str(), 1);
  RegistryResetCache();
  const String key = u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
  HKEY advanced = RegistryCreateKey(HKEY_CURRENT_USER, key);
  ASSERT_NE(advanced, nullptr);
  bool seen[2] = {};
  for (int32_t value : {1, 2}) {
    RegSetValueEx(advanced, u"Hidden", REG_DWORD, reinterpret_cast<const Byte*>(&value), 4);
    seen[value - 1] = ShellShowHiddenFiles();
  }
  RegistryCloseKey(advanced);
  if (old.empty())
    unsetenv("XDG_CONFIG_HOME");
  else
    setenv("XDG_CONFIG_HOME", old.c_str(), 1);
  RegistryResetCache();
  EXPECT_TRUE(seen[0]);
  EXPECT_FALSE(seen[1]);
}

TEST(ZclShell, ReturnedStringsReadFromEachFormAndDropQuestionMarksBeforeDigits) {
  struct TCase {
    String Wide;
    String Expected;
  };
  const TCase cases[] = {{u"?1 GB", u"1 GB"}, {u"?A", u"?A"}, {u"?", u"?"}, {u"?12?3", u"123"}, {u"a?1", u"a?1"}};
  for (const TCase& c : cases) {
    STRRET ret;
    ret.pOleStr = c.Wide.c_str();
    EXPECT_EQ(TPIDLHelper::StrRetToString(nullptr, ret), c.Expected);
  }
  STRRET cstr;
  cstr.uType = STRRET_CSTR;
  std::memset(cstr.cStr, 'z', sizeof cstr.cStr);  // no terminator: bounded by the record
  EXPECT_EQ(TPIDLHelper::StrRetToString(nullptr, cstr).size(), sizeof cstr.cStr);
  // The offset form stops at the end of the first item.
  const Byte id[] = {6, 0, 'a', 'b', 'c', 'd', 0, 0};
  STRRET offset;
  offset.uType = STRRET_OFFSET;
  offset.uOffset = 3;
  EXPECT_EQ(TPIDLHelper::StrRetToString(id, offset), u"bcd");
  offset.uOffset = 40;
  EXPECT_EQ(TPIDLHelper::StrRetToString(id, offset), u"");
}

TEST(ZclShell, ItemIDListsJoinSplitAndResolvePaths) {
  PItemIDList a = TPIDLHelper::PIDLFromComponents({u"home", u"user"});
  PItemIDList b = TPIDLHelper::PIDLFromComponents({u"\u4E00"});
  EXPECT_EQ(TPIDLHelper::GetPIDLSize(a), 2u + 10 + 10);
  EXPECT_EQ(TPIDLHelper::GetPIDLSize(nullptr), 0u);
  PItemIDList joined = TPIDLHelper::ConcatPIDLs(a, b);
  PItemIDList parent = TPIDLHelper::GetParentPIDL(joined);
  EXPECT_EQ(TPIDLHelper::GetPIDLSize(parent), TPIDLHelper::GetPIDLSize(a));
  EXPECT_EQ(std::memcmp(parent, a, TPIDLHelper::GetPIDLSize(a)), 0);
  PItemIDList alone = TPIDLHelper::ConcatPIDLs(nullptr, b);
  EXPECT_EQ(std::memcmp(alone, b, TPIDLHelper::GetPIDLSize(b)), 0);
  PItemIDList desktop = TPIDLHelper::GetDesktopPIDL();
  EXPECT_EQ(TPIDLHelper::GetParentPIDL(desktop), nullptr);
  TZCLShellFolder node(joined);
  EXPECT_EQ(node.ParsingName(), u"/home/user/\u4E00");
  for (PItemIDList* id : {&a, &b, &joined, &parent, &alone, &desktop}) TPIDLHelper::DisposePIDL(*id);
  EXPECT_EQ(a, nullptr);

  const String dir = U(TempDir());
  PItemIDList fromPath = TPIDLHelper::GetPIDLFromPath(nullptr, dir);
  ASSERT_NE(fromPath, nullptr);
  TZCLShellFolder folder(fromPath);
  EXPECT_EQ(folder.Path(), zcExcludeTrailingPathDelimiter(dir));
  EXPECT_TRUE(folder.IsFileSystem());
  EXPECT_FALSE(folder.IsLibrary());
  TPIDLHelper::DisposePIDL(fromPath);
  EXPECT_EQ(TPIDLHelper::GetPIDLFromPath(nullptr, dir + u"/absent"), nullptr);
  EXPECT_EQ(TPIDLHelper::GetPIDLFromPath(nullptr, u"relative/path"), nullptr);
  const Byte damaged[] = {3, 0, 'a', 0, 0};
  EXPECT_THROW(TZCLShellFolder{damaged}, EArgumentException);
}

TEST(ZclShell, FoldersEnumerateTheirSubfolders) {
  const std::string dir = TempDir();
  for (const char* sub : {"/b", "/a", "/.hidden", "/a/deeper"}) fs::create_directory(dir + sub);
  Touch(dir + "/file.txt");
  PItemIDList id = TPIDLHelper::GetPIDLFromPath(nullptr, U(dir));
  ASSERT_NE(id, nullptr);
  TZCLShellFolder folder(id);
  TPIDLHelper::DisposePIDL(id);
  struct TCollect {
    TZCLShellFolder* Parent;
    std::vector<std::unique_ptr<TZCLShellFolder>> Children;
    void Add(PItemIDList Item) {
      Children.emplace_back(new TZCLShellFolder(Parent, Item));
      TPIDLHelper::DisposePIDL(Item);
    }
  } visible{&folder, {}}, all{&folder, {}};
  folder.Enum(nullptr, false, {&visible, &TCollect::Add});
  folder.Enum(nullptr, true, {&all, &TCollect::Add});
  ASSERT_EQ(visible.Children.size(), 2u);
  EXPECT_EQ(all.Children.size(), 3u);
  TZCLShellFolder& a = *visible.Children[0];
  EXPECT_EQ(a.DisplayName(), u"a");
  EXPECT_EQ(a.Path(), U(dir + "/a"));
  EXPECT_TRUE(a.HasSubFolders());
  EXPECT_FALSE(visible.Children[1]->HasSubFolders());
  EXPECT_TRUE(a.Attributes() & SFGAO_FOLDER);
  EXPECT_LT(folder.CompareIDs(a.GetRelativeID(), visible.Children[1]->GetRelativeID()), 0);
  EXPECT_EQ(TZCLShellFolder::Root()->ParsingName(), u"/");
}

// A "Shell IDList Array": count, count + 1 offsets, then the ID lists.
std::vector<Byte> IDListArray(const std::vector<String>& Parent, const std::vector<std::vector<String>>& Items) {
  std::vector<std::vector<Byte>> ids;
  for (const std::vector<String>* parts : {&Parent}) {
    PItemIDList id = TPIDLHelper::PIDLFromComponents(*parts);
    ids.emplace_back(id, id + TPIDLHelper::GetPIDLSize(id));
    TPIDLHelper::DisposePIDL(id);
  }
  for (const std::vector<String>& item : Items) {
    PItemIDList id = TPIDLHelper::PIDLFromComponents(item);
    ids.emplace_back(id, id + TPIDLHelper::GetPIDLSize(id));
    TPIDLHelper::DisposePIDL(id);
  }
  std::vector<Byte> block(4 + 4 * ids.size());
  const int32_t count = static_cast<int32_t>(Items.size());
  std::memcpy(block.data(), &count, 4);
  for (size_t i = 0; i < ids.size(); ++i) {
    const uint32_t offset = static_cast<uint32_t>(block.size());
    std::memcpy(block.data() + 4 + 4 * i, &offset, 4);
    block.insert(block.end(), ids[i].begin(), ids[i].end());
  }
  return block;
}

TEST(ZclShell, IDListArraysGiveFileNamesAndRejectDamage) {
  const std::string dir = TempDir();
  std::vector<String> parent;
  for (const fs::path& part : fs::path(dir).relative_path()) parent.push_back(U(part.string()));
  const std::vector<Byte> good = IDListArray(parent, {{u"one.txt"}, {u"sub", u"two.txt"}});
  TCustomMemoryStream stream(good.data(), static_cast<NativeInt>(good.size()));
  TZCLStringList* files = nullptr;
  ASSERT_TRUE(TPIDLHelper::ShellIDListToFiles(&stream, files));
  EXPECT_EQ(Names(files), (std::vector<String>{U(dir + "/one.txt"), U(dir + "/sub/two.txt")}));

  auto withInt = [&](size_t at, uint32_t value) {
    std::vector<Byte> block = good;
    std::memcpy(block.data() + at, &value, 4);
    return block;
  };
  struct TCase {
    const char* What;
    std::vector<Byte> Block;
    bool Result;
    size_t Names;
  };
  const TCase cases[] = {
      {"empty", {}, false, 0},
      {"count 0", withInt(0, 0), false, 0},
      {"negative count", withInt(0, 0x80000000u), false, 0},
      {"count past the offsets", withInt(0, 0x3FFFFFFFu), false, 0},
      {"parent offset past the end", withInt(4, 100000), false, 0},
      {"item offset past the end", withInt(8, 0xFFFFFFF0u), true, 1},
      {"item naming the parent", IDListArray(parent, {{}, {u"ok"}}), true, 1},
      {"escaping item", IDListArray(parent, {{u".."}, {u"ok"}}), true, 1},
      {"item with a separator", IDListArray(parent, {{u"a/b"}}), false, 0},
      {"cut off", std::vector<Byte>(good.begin(), good.end() - 3), true, 1},
      {"missing parent folder", IDListArray({u"zeph-absent-folder"}, {{u"x"}}), false, 0},
  };
  for (const TCase& c : cases) {
    std::unique_ptr<Byte[]> copy(new Byte[c.Block.size() + 1]);
    if (!c.Block.empty()) std::memcpy(copy.get(), c.Block.data(), c.Block.size());
    TCustomMemoryStream in(copy.get(), static_cast<NativeInt>(c.Block.size()));
    files = nullptr;
    EXPECT_EQ(TPIDLHelper::ShellIDListToFiles(&in, files), c.Result) << c.What;
    EXPECT_EQ(Names(files).size(), c.Names) << c.What;
  }
}

}  // namespace
