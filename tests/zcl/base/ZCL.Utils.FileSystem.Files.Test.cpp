#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.StringList.h"
#include "rtl/RTL.Types.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"

namespace {

String S(const std::string& Text) { return UTF8ToString(Text); }
std::string U(const String& Text) { return StringToUTF8(Text); }

String FreshDir(const char* Name) {
  String dir = zcIncludeTrailingPathDelimiter(S(TempDir()) + u"/" + S(Name));
  EXPECT_TRUE(zcMakePath(dir));
  return dir;
}

void WriteFile(const String& Path, const std::string& Content) {
  std::unique_ptr<TStream> s(StreamCreateFileWriter(Path));
  s->WriteBuffer(Content.data(), static_cast<Integer>(Content.size()));
}

std::string ReadFile(const String& Path) {
  std::unique_ptr<TStream> s(StreamCreateFileReader(Path));
  std::string text(static_cast<size_t>(s->GetSize()), '\0');
  s->ReadBuffer(text.data(), static_cast<Integer>(text.size()));
  return text;
}

TEST(FileSystemPaths, ExtensionsOfPathsAndUrls) {
  struct Case {
    const char16_t* Path;
    bool Double;
    const char16_t* Ext;
  } cases[] = {
      {u"a.b\\c", false, u""},          {u"a.b/c", false, u""},
      {u"x.tar.gz", false, u".gz"},     {u"x.tar.gz", true, u".tar.gz"},
      {u"dir.v2/x.gz", true, u".gz"},   {u"http://host/x.mp3?v=1", false, u".mp3"},
      {u"my song.mp3", false, u".mp3"}, {u"name.", false, u"."},
      {u"noext", false, u""},           {u"C:x", false, u""},
  };
  for (const Case& c : cases) EXPECT_EQ(U(zcExtractFileExt(c.Path, c.Double)), U(c.Ext)) << U(c.Path);

  EXPECT_EQ(U(zcChangeFileExt(u"a", u".txt")), "a.txt");
  EXPECT_EQ(U(zcChangeFileExt(u"x.tar.gz", u".zip", true)), "x.zip");
  EXPECT_EQ(U(zcChangeFileExt(u"http://h/x.mp3?v=1", u".ogg")), "http://h/x.ogg?v=1");
  EXPECT_TRUE(zcHasDoubleFileExt(u"x.tar.gz"));
  EXPECT_FALSE(zcHasDoubleFileExt(u"x.gz"));
  EXPECT_EQ(U(zcExtractFileFormat(u"/m/Song.Mp3")), "MP3");
  EXPECT_EQ(U(zcExtractFileNameWithoutExt(u"C:\\m\\song.mp3")), "song");
}

TEST(FileSystemPaths, Components) {
  EXPECT_EQ(U(zcExtractFilePath(u"C:\\a\\b.txt")), "C:\\a\\");
  EXPECT_EQ(U(zcExtractFileName(u"/a/b.txt")), "b.txt");
  EXPECT_EQ(U(zcExtractFileDir(u"C:\\a\\b")), "C:\\a");
  EXPECT_EQ(U(zcExtractFileDir(u"C:\\b")), "C:\\");
  EXPECT_EQ(U(zcExtractFileDir(u"/b")), "/");
  EXPECT_EQ(U(zcExtractFileDirName(u"/music/rock/x.mp3")), "rock");
  EXPECT_EQ(U(zcExtractLastPathParts(u"C:\\a\\b\\c.txt", 2)), "b\\c.txt");
  EXPECT_EQ(U(zcExtractLastPathParts(u"/a/b/c/", 2)), "b/c");
  EXPECT_EQ(U(zcExtractLastPathParts(u"", 2)), "");
  EXPECT_EQ(U(zcIncludeTrailingPathDelimiter(u"/a")), "/a/");
  EXPECT_EQ(U(zcIncludeTrailingPathDelimiter(u"C:\\a\\")), "C:\\a\\");
  EXPECT_EQ(U(zcIncludeTrailingPathDelimiter(u"")), "");
  EXPECT_EQ(U(zcExcludeTrailingPathDelimiter(u"/a/")), "/a");
  EXPECT_EQ(U(zcExcludeTrailingPathDelimiter(u"/")), "/");
  EXPECT_EQ(zcLastDelimiter(u"\\/", u"a/b\\c"), 4);
  EXPECT_EQ(zcLastDelimiter(u"\\/", u"abc"), 0);
  EXPECT_EQ(U(zcExpandFileName(u"/a/b/../c/./d")), "/a/c/d");
  EXPECT_EQ(U(zcExpandFileName(u"/a\\b\\..\\c")), "/a/c");
  EXPECT_EQ(U(zcExpandFileName(u"plain.txt")), "plain.txt");
  EXPECT_EQ(U(zcExpandFileName(u"./x")), U(zcGetCurrentDir() + u"x"));
}

TEST(FileSystemPaths, DrivesUrlsAndLongPathPrefixes) {
  EXPECT_EQ(U(zcExtractFileDrive(u"C:\\x")), "C:");
  EXPECT_EQ(U(zcExtractFileDrive(u"\\\\server\\share\\f")), "\\\\server");
  EXPECT_EQ(U(zcExtractFileDrive(u"\\\\?\\D:\\x")), "D:");
  EXPECT_EQ(U(zcExtractFileDrive(u"\\\\?\\UNC\\srv\\s")), "\\\\srv");
  EXPECT_EQ(U(zcExtractFileDrive(u"/home/x")), "");
  EXPECT_EQ(U(zcRemoveLongPathPrefix(u"\\\\?\\UNC\\srv\\s\\f")), "\\\\srv\\s\\f");
  EXPECT_EQ(U(zcRemoveLongPathPrefix(u"\\\\?\\C:\\x")), "C:\\x");
  EXPECT_EQ(U(zcRemoveLongPathPrefix(u"/x")), "/x");

  EXPECT_TRUE(zcIsURL(u"https://host/x"));
  EXPECT_TRUE(zcIsURL(u"C:\\\\x"));
  EXPECT_FALSE(zcIsURL(u"C:\\x"));
  EXPECT_FALSE(zcIsURL(u"a:/\\"));
  EXPECT_FALSE(zcIsURL(u"://x"));
  EXPECT_EQ(U(zcExtractURLScheme(u"ftp2://h")), "ftp2");
  EXPECT_EQ(U(zcExtractURLScheme(u"/tmp/x")), "");
  EXPECT_TRUE(zcIsPathWithSlashes(u"a/b"));
  EXPECT_FALSE(zcIsPathWithSlashes(u"http://h"));
  EXPECT_EQ(U(zcToUnixPath(u"a\\b/c")), "a/b/c");
  EXPECT_EQ(U(zcToWindowsPath(u"a\\b/c")), "a\\b\\c");

  for (const char16_t* p : {u"C:\\x", u"/abs", u"\\\\srv\\s", u"http://h/x"}) EXPECT_FALSE(zcIsRelativePath(p)) << U(p);
  for (const char16_t* p : {u"x", u"a/b", u"..\\up"}) EXPECT_TRUE(zcIsRelativePath(p)) << U(p);
}

TEST(FileSystemPaths, RelativePaths) {
  struct Case {
    const char16_t *Path, *Base, *Result;
  } cases[] = {
      {u"C:\\a\\b\\f.txt", u"C:\\a\\c\\", u"..\\b\\f.txt"},
      {u"C:\\a\\f.txt", u"C:\\a", u"f.txt"},
      {u"C:\\A\\f.txt", u"c:\\a\\", u"f.txt"},
      {u"C:\\x\\y", u"C:\\p\\q\\r\\", u"\\x\\y"},
      {u"/m/a/f.mp3", u"/m/b/", u"../a/f.mp3"},
      {u"/x/y", u"/p/q/r/", u"/x/y"},
      {u"D:\\f", u"C:\\a\\", u"D:\\f"},
      {u"a\\f", u"b\\", u"a\\f"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(U(zcExtractRelativePath(c.Path, c.Base)), U(c.Result)) << U(c.Path) << " from " << U(c.Base);
}

TEST(FileSystemPaths, ValidateFileNameAndFilters) {
  struct Case {
    const char16_t* Name;
    Char Replacement;
    const char16_t* Result;
  } cases[] = {
      {u" a:b? ", u'_', u"a_b_"}, {u"a/b\\c", u'\0', u"abc"}, {u"say \"hi\"", u'_', u"say 'hi'"},
      {u"a\tb\x01", u'_', u"ab"}, {u"..", u'_', u""},         {u".", u'_', u""},
      {u"   ", u'_', u""},        {u" ? ", u'\0', u""},
  };
  for (const Case& c : cases) EXPECT_EQ(U(zcValidateFileName(c.Name, c.Replacement)), U(c.Result)) << U(c.Name);
  EXPECT_EQ(zcValidateFileName(String(300, u'x')).size(), 260u);

  EXPECT_TRUE(zcIsFileExtInList(u"*.mp3;*.ogg;", u".OGG"));
  EXPECT_FALSE(zcIsFileExtInList(u"*.mp3", u".mp3"));
  EXPECT_FALSE(zcIsFileExtInList(u"*.mp3;", u""));
  EXPECT_FALSE(zcIsFileExtInList(u"*.mp3;", u".mp"));
  EXPECT_FALSE(zcIsFileExtInList(u"*.mp3;", u".p3"));
  EXPECT_TRUE(zcIsFileExtInList(u"*.ogg;*.Mp3;", u".mP3"));
  EXPECT_TRUE(zcIsFileExtInList(u"*.\u00C4b;", u".\u00E4B"));
  EXPECT_FALSE(zcIsFileExtInList(u"*.mp3;*", u".mp3;*"));
}

TEST(FileSystemFiles, AttributesCopyMoveReplaceAndUniqueNames) {
  const String dir = FreshDir("ops");
  const String a = dir + u"x.txt";
  WriteFile(a, "one");
  EXPECT_TRUE(zcFileExists(a));
  EXPECT_FALSE(zcDirectoryExists(a));
  EXPECT_TRUE(zcDirectoryExists(dir));
  EXPECT_EQ(zcFileSize(a), 3);
  EXPECT_EQ(zcFileSize(dir + u"missing"), 0);
  EXPECT_EQ(zcFileGetAttr(u""), INVALID_FILE_ATTRIBUTES);

  EXPECT_EQ(U(zcGetUniqueFileName(dir + u"free.txt")), U(dir + u"free.txt"));
  EXPECT_EQ(U(zcGetUniqueFileName(a)), U(dir + u"x (2).txt"));
  WriteFile(dir + u"x (2).txt", "");
  EXPECT_EQ(U(zcGetUniqueFileName(a)), U(dir + u"x (3).txt"));

  EXPECT_TRUE(zcCopyFile(a, dir + u"copy.txt", true));
  EXPECT_FALSE(zcCopyFile(a, dir + u"copy.txt", true));
  EXPECT_EQ(ReadFile(dir + u"copy.txt"), "one");
  EXPECT_TRUE(zcMoveFile(dir + u"copy.txt", dir + u"moved.txt"));
  EXPECT_FALSE(zcFileExists(dir + u"copy.txt"));

  // A missing target: a plain move, no backup.
  WriteFile(dir + u"new.txt", "two");
  EXPECT_TRUE(zcReplaceFile(dir + u"new.txt", dir + u"target.txt", dir + u"target.bak"));
  EXPECT_EQ(ReadFile(dir + u"target.txt"), "two");
  EXPECT_FALSE(zcFileExists(dir + u"target.bak"));
  // An existing target is kept as the backup.
  WriteFile(dir + u"new.txt", "three");
  EXPECT_TRUE(zcReplaceFile(dir + u"new.txt", dir + u"target.txt", dir + u"target.bak"));
  EXPECT_EQ(ReadFile(dir + u"target.txt"), "three");
  EXPECT_EQ(ReadFile(dir + u"target.bak"), "two");
  EXPECT_FALSE(zcFileExists(dir + u"new.txt"));

  // Read-only is cleared so the file can be written again.
  EXPECT_TRUE(zcFileSetAttr(a, faReadOnly));
  EXPECT_TRUE(zcFileGetAttr(a) & faReadOnly);
  EXPECT_TRUE(zcFileSetAttr(a, 0));
  EXPECT_FALSE(zcFileGetAttr(a) & faReadOnly);

  EXPECT_TRUE(zcDeleteFile(a));
  EXPECT_FALSE(zcDeleteFile(a));
  EXPECT_FALSE(zcMakePath(u""));
  EXPECT_TRUE(zcMakePathForFile(dir + u"p/q/f.txt"));
  EXPECT_TRUE(zcDirectoryExists(dir + u"p/q"));
}

TEST(FileSystemFiles, AgesDataAndFindFile) {
  const String dir = FreshDir("ages");
  const String f = dir + u"Song.MP3";
  WriteFile(f, "12345");
  // 2021-06-15 10:20:30 packed.
  const Integer age = static_cast<Integer>((41u << 25) | (6u << 21) | (15u << 16) | (10u << 11) | (20u << 5) | 15u);
  EXPECT_TRUE(zcFileSetAge(f, age));
  EXPECT_EQ(zcFileGetDosAge(f), age);
  EXPECT_EQ(zcFileGetDosAge(dir + u"missing"), -1);

  TZCLFileData data;
  ASSERT_TRUE(data.Load(f));
  EXPECT_EQ(data.Size, 5);
  EXPECT_EQ(U(FormatDateTime(u"yyyy-mm-dd hh:nn:ss", data.LastWriteTime)), "2021-06-15 10:20:30");
  EXPECT_FALSE(data.Load(dir + u"missing"));
  EXPECT_EQ(data.Attributes, INVALID_FILE_ATTRIBUTES);

  String name;
  Int64 size = 0;
  ASSERT_TRUE(zcFindFile(dir + u"song.mp3", &name, &size));
  EXPECT_EQ(U(name), U(f));
  EXPECT_EQ(size, 5);
  EXPECT_FALSE(zcFindFile(dir + u"nothing.mp3"));
  EXPECT_FALSE(zcFindFile(zcExcludeTrailingPathDelimiter(dir)));  // a folder is not a file
}

TEST(FileSystemEnum, FiltersKindsAndRecursionOrder) {
  const String dir = FreshDir("enum");
  ASSERT_TRUE(zcMakePath(dir + u"sub/deep"));
  WriteFile(dir + u"a.mp3", "");
  WriteFile(dir + u"b.OGG", "");
  WriteFile(dir + u"c.txt", "");
  WriteFile(dir + u"sub/d.mp3", "");
  WriteFile(dir + u"sub/deep/e.mp3", "");

  auto collect = [&](const String& filter, Byte kinds, bool recursive) {
    std::vector<std::string> names;
    zcEnumFiles(
        dir, filter, kinds,
        [&](TZCLFindFileInfo* info) { names.push_back(U(info->GetFullFileName().substr(dir.size()))); }, recursive);
    return names;
  };
  auto sorted = [](std::vector<std::string> v) {
    std::sort(v.begin(), v.end());
    return v;
  };
  EXPECT_EQ(sorted(collect(u"*.mp3;*.ogg;", zcfkFiles, false)), (std::vector<std::string>{"a.mp3", "b.OGG"}));
  EXPECT_EQ(sorted(collect(u"", zcfkFolders, false)), (std::vector<std::string>{"sub"}));
  EXPECT_EQ(sorted(collect(u"*.txt;", zcfkAll, false)), (std::vector<std::string>{"c.txt", "sub"}));

  // Subfolders' entries come first, deepest first.
  const std::vector<std::string> all = collect(u"*.mp3;", zcfkFiles, true);
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0], "sub/deep/e.mp3");
  EXPECT_EQ(all[1], "sub/d.mp3");
  EXPECT_EQ(all[2], "a.mp3");

  TStringList list;
  zcEnumFiles(dir, u"", &list);
  EXPECT_EQ(list.GetCount(), 3);
  for (Integer i = 0; i < list.GetCount(); ++i) EXPECT_TRUE(zcFileExists(list.GetStrings(i))) << U(list.GetStrings(i));

  TZCLFindFileInfo* info = reinterpret_cast<TZCLFindFileInfo*>(1);
  EXPECT_FALSE(zcFindFirst(dir, 0, info));
  EXPECT_EQ(info, nullptr);
  EXPECT_FALSE(zcFindFirst(dir + u"nowhere/", zcfkAll, info));
  EXPECT_EQ(info, nullptr);
  ASSERT_TRUE(zcFindFirst(dir, u"*.txt;", zcfkFiles, info));
  EXPECT_EQ(U(info->FileName), "c.txt");
  EXPECT_EQ(U(info->FilePath), U(dir));
  EXPECT_FALSE(zcFindNext(info));
  EXPECT_EQ(info, nullptr);
}

TEST(FileSystemStreams, BufferedReadersAndWriters) {
  const String dir = FreshDir("streams");
  const String f = dir + u"data.bin";
  std::string big(300000, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
  WriteFile(f, big);  // larger than one buffer
  EXPECT_EQ(zcFileSize(f), static_cast<Int64>(big.size()));
  EXPECT_EQ(ReadFile(f), big);

  std::unique_ptr<TStream> reader(StreamCreateFileReader(f));
  String name;
  ASSERT_TRUE(TZCLFileStream::GetFileName(reader.get(), name));
  EXPECT_EQ(U(name), U(f));
  TBytesStream memory;
  EXPECT_FALSE(TZCLFileStream::GetFileName(&memory, name));
  reader.reset();

  TStream* stream = reinterpret_cast<TStream*>(1);
  EXPECT_FALSE(StreamCreateFileReader(dir + u"missing.bin", stream));
  EXPECT_EQ(stream, nullptr);
  EXPECT_FALSE(StreamCreateFileWriter(dir + u"no/such/folder/x.bin", stream));
  EXPECT_EQ(stream, nullptr);
  EXPECT_FALSE(StreamCreateFileReader(dir, stream));  // a folder
  ASSERT_TRUE(StreamCreateFileReader(f, stream));
  delete stream;

  try {
    TZCLFileStream missing(dir + u"missing.bin", fmOpenRead);
    FAIL() << "no error";
  } catch (const EFOpenError& e) {
    EXPECT_NE(U(e.GetMessage()).find("Cannot open file \"" + U(dir) + "missing.bin\". "), std::string::npos);
  }

  memory.WriteBuffer("hello", 5);  // position at the end: the whole stream is saved
  EXPECT_TRUE(StreamSaveToFile(&memory, dir + u"saved.txt"));
  EXPECT_EQ(ReadFile(dir + u"saved.txt"), "hello");
  EXPECT_FALSE(StreamSaveToFile(&memory, dir + u"no/such/x.txt"));

  // Opening an existing file with OpenAlways keeps its content; fmCreate truncates it.
  Integer h = zcFileOpen(dir + u"saved.txt", fmOpenReadWrite, 0, true);
  ASSERT_GE(h, 0);
  {
    THandleStream hs(h);
    EXPECT_EQ(hs.GetSize(), 5);
  }
  ::close(h);
  EXPECT_LT(zcFileOpen(dir + u"absent.txt", fmOpenRead, 0), 0);
  h = zcFileOpen(dir + u"absent.txt", fmOpenWrite, 0, true);
  EXPECT_GE(h, 0);
  ::close(h);
  EXPECT_TRUE(zcFileExists(dir + u"absent.txt"));
}

}  // namespace
