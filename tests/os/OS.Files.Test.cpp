#include "os/OS.Files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "support/TestSupport.h"

namespace {

String Dir() { return UTF8ToString(TempDir()) + u"/"; }

void Write(const String& path, const std::string& text) { std::ofstream(StringToUTF8(path), std::ios::binary) << text; }

std::string Read(const String& path) {
  std::ifstream in(StringToUTF8(path), std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(Paths, StoredWindowsPathsMapToPlainPaths) {
  struct {
    String stored, mapped;
  } cases[] = {
      {u"C:\\Skins\\Dark\\skin.xml", u"/Skins/Dark/skin.xml"},
      {u"c:\\", u"/"},
      {u"\\\\?\\D:\\very\\long", u"/very/long"},
      {u"\\\\?\\UNC\\server\\share\\a.png", u"/server/share/a.png"},
      {u"\\\\server\\share\\a.png", u"/server/share/a.png"},
      {u"images\\button.png", u"images/button.png"},
      {u"/already/plain", u"/already/plain"},
  };
  for (const auto& c : cases) EXPECT_EQ(MapStoredPath(c.stored), c.mapped) << StringToUTF8(c.stored);
}

TEST(Paths, SplittingAcceptsBothDelimiters) {
  EXPECT_EQ(ExtractFilePath(u"skins\\dark/skin.xml"), u"skins\\dark/");
  EXPECT_EQ(ExtractFileName(u"skins\\dark\\skin.xml"), u"skin.xml");
  EXPECT_EQ(ExtractFileDir(u"/a/b.txt"), u"/a");
  EXPECT_EQ(ExtractFileDir(u"/b.txt"), u"/");
  EXPECT_EQ(ExtractFileExt(u"/a.dir/name"), u"");
  EXPECT_EQ(ExtractFileExt(u"archive.tar.gz"), u".gz");
  EXPECT_EQ(ChangeFileExt(u"/x/skin.zephse", u".bak"), u"/x/skin.bak");
  EXPECT_EQ(ChangeFileExt(u"/x/README", u".txt"), u"/x/README.txt");
  EXPECT_EQ(IncludeTrailingPathDelimiter(u"/x"), u"/x/");
  EXPECT_EQ(ExcludeTrailingPathDelimiter(u"/x//"), u"/x");
  EXPECT_EQ(ExpandFileName(u"/a/./b/../c/"), u"/a/c/");
  EXPECT_EQ(ExpandFileName(u"/../.."), u"/");
}

TEST(Paths, ContainerNamesNeedAnExistingContainer) {
  String archive = Dir() + u"pack.zip";
  Write(archive, "zip");
  String container, part;
  ASSERT_TRUE(SplitContainerPath(archive + u":images/a.png", container, part));
  EXPECT_EQ(container, archive);
  EXPECT_EQ(part, u"images/a.png");
  // ":" is an ordinary character when the text before it is not a file.
  EXPECT_FALSE(SplitContainerPath(Dir() + u"notes:draft.txt", container, part));
}

TEST(Files, CopyMoveDeleteReportByResult) {
  String a = Dir() + u"a.txt", b = Dir() + u"b.txt", c = Dir() + u"sub/c.txt";
  Write(a, "alpha");
  EXPECT_TRUE(CopyFile(a, b, true));
  EXPECT_FALSE(CopyFile(a, b, true));  // exists
  Write(a, "alpha2");
  EXPECT_TRUE(CopyFile(a, b, false));
  EXPECT_EQ(Read(b), "alpha2");
  EXPECT_FALSE(MoveFile(b, c));  // no such folder
  ASSERT_TRUE(ForceDirectories(Dir() + u"sub"));
  EXPECT_TRUE(MoveFile(b, c));
  EXPECT_FALSE(FileExists(b));
  EXPECT_EQ(Read(c), "alpha2");
  EXPECT_FALSE(MoveFile(a, c));  // target exists
  EXPECT_TRUE(MoveFile(a, c, true));
  EXPECT_TRUE(DeleteFile(c));
  EXPECT_FALSE(DeleteFile(c));
  EXPECT_FALSE(DeleteFile(Dir() + u"sub"));  // a folder is no file
  EXPECT_TRUE(DirectoryExists(Dir() + u"sub/"));
  EXPECT_EQ(FileSize(Dir() + u"sub"), -1);
}

TEST(Files, ReplaceKeepsABackupAndLeavesTheTargetOnFailure) {
  String target = Dir() + u"settings.ini", fresh = Dir() + u"settings.new", backup = Dir() + u"settings.bak";
  Write(target, "old");
  Write(fresh, "new");
  ASSERT_TRUE(ReplaceFile(target, fresh, backup));
  EXPECT_EQ(Read(target), "new");
  EXPECT_EQ(Read(backup), "old");
  EXPECT_FALSE(FileExists(fresh));
  EXPECT_FALSE(ReplaceFile(target, Dir() + u"missing.new", u""));
  EXPECT_EQ(Read(target), "new");
}

TEST(Files, AttributesFollowPermissionsAndDotNames) {
  String hidden = Dir() + u".hidden", plain = Dir() + u"plain";
  Write(hidden, "");
  Write(plain, "");
  EXPECT_TRUE(FileGetAttr(hidden) & faHidden);
  EXPECT_FALSE(FileGetAttr(plain) & (faHidden | faReadOnly | faDirectory));
  ASSERT_TRUE(FileSetAttr(plain, faReadOnly));
  EXPECT_TRUE(FileGetAttr(plain) & faReadOnly);
  ASSERT_TRUE(FileSetAttr(plain, 0));
  EXPECT_FALSE(FileGetAttr(plain) & faReadOnly);
  EXPECT_EQ(FileGetAttr(Dir() + u"none"), INVALID_FILE_ATTRIBUTES);
  EXPECT_EQ(FileGetAttr(u""), INVALID_FILE_ATTRIBUTES);
}

TEST(Files, FileTimesRoundTripThroughTheSystemEpoch) {
  String file = Dir() + u"t.txt";
  Write(file, "x");
  TFileTime when = UnixTimeToFileTime(1700000000, 500000000);
  ASSERT_TRUE(SetFileTimes(file, nullptr, &when));
  TFileTime write = 0;
  ASSERT_TRUE(GetFileTimes(file, nullptr, nullptr, &write));
  EXPECT_EQ(write, when);
  EXPECT_EQ(FileTimeToUnixTime(when), 1700000000);
  EXPECT_EQ(UnixTimeToFileTime(0), 116444736000000000LL);
}

TEST(Search, MasksMatchIgnoringCaseAndFilterByAttributes) {
  String dir = Dir();
  for (const char16_t* name : {u"a.PNG", u"b.png", u"c.jpg", u".secret.png", u"noext"}) Write(dir + name, "");
  ForceDirectories(dir + u"folder.png");
  auto find = [&](StringView mask, DWORD attr) {
    std::vector<String> names;
    TSearchRec rec;
    for (int r = FindFirst(dir + String(mask), attr, rec); r == 0; r = FindNext(rec)) names.push_back(rec.Name);
    FindClose(rec);
    std::sort(names.begin(), names.end());
    return names;
  };
  EXPECT_EQ(find(u"*.png", 0), (std::vector<String>{u"a.PNG", u"b.png"}));
  EXPECT_EQ(find(u"*.png", faHidden | faDirectory), (std::vector<String>{u".secret.png", u"a.PNG", u"b.png", u"folder.png"}));
  EXPECT_EQ(find(u"?.jpg", 0), (std::vector<String>{u"c.jpg"}));
  EXPECT_EQ(find(u"*.*", 0), (std::vector<String>{u"a.PNG", u"b.png", u"c.jpg", u"noext"}));
  TSearchRec rec;
  EXPECT_NE(FindFirst(dir + u"*.gif", 0, rec), 0);
  EXPECT_NE(FindFirst(dir + u"missing/*", 0, rec), 0);
  EXPECT_EQ(rec.FindHandle, nullptr);
}

TEST(Search, MaskTable) {
  struct {
    const char16_t *name, *mask;
    bool match;
  } cases[] = {
      {u"skin.xml", u"*", true},     {u"skin.xml", u"*.XML", true}, {u"skin.xml", u"s*n.x?l", true},
      {u"skin.xml", u"*.xm", false}, {u"aaa", u"*a*a*a*", true},    {u"aa", u"*a*a*a*", false},
      {u"", u"*", true},             {u"x", u"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(MatchesMask(c.name, c.mask), c.match) << StringToUTF8(c.name) << " " << StringToUTF8(c.mask);
}

TEST(Files, TempFilesAndFreeSpace) {
  String temp = GetTempFileName(Dir(), u"zt");
  ASSERT_FALSE(temp.empty());
  EXPECT_TRUE(FileExists(temp));
  EXPECT_EQ(GetTempPath().back(), u'/');
  UInt64 freeBytes = 0, total = 0;
  ASSERT_TRUE(GetDiskFreeSpace(Dir(), &freeBytes, &total));
  EXPECT_GT(total, 0u);
}

TEST(Modules, LoadsSystemLibrariesAndReportsMissingOnes) {
  HMODULE z = LoadLibrary(u"libz.so.1");
  ASSERT_NE(z, nullptr);
  EXPECT_NE(GetProcAddress(z, "zlibVersion"), nullptr);
  EXPECT_EQ(GetProcAddress(z, "no_such_symbol"), nullptr);
  EXPECT_TRUE(FreeLibrary(z));
  EXPECT_EQ(LoadLibrary(u"libzephse-missing.so"), nullptr);
}

}  // namespace
