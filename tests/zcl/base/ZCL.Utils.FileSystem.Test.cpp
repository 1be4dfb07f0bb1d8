#include <gtest/gtest.h>

#include <memory>

#include "rtl/RTL.StringList.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"

namespace {

struct ChangeCounter {
  int Count = 0;
  TZCLSearchPaths* Last = nullptr;
  void Changed(TZCLSearchPaths* Sender) {
    ++Count;
    Last = Sender;
  }
};

TEST(SearchPaths, FromStringSkipsEmptyPartsAndRoundTrips) {
  struct Case {
    const char16_t* Text;
    const char16_t* Expected;
  } cases[] = {
      {u";1/music;0/other", u"1/music/;0/other/"},
      {u";1C:\\a;0D:\\b", u"1C:\\a/;0D:\\b/"},  // the delimiter added is "/"
      {u"1/a/;;0/b/;", u"1/a/;0/b/"},
      {u"x/any/", u"1/any/"},  // any flag other than "0" is recursive
      {u"1;0;;", u""},         // flags without a folder add nothing (not the root)
      {u"", u""},
  };
  for (const Case& c : cases) {
    TZCLSearchPaths paths;
    paths.FromString(c.Text);
    EXPECT_EQ(paths.ToString(), c.Expected) << StringToUTF8(c.Text);
    TZCLSearchPaths again;
    again.FromString(paths.ToString());
    EXPECT_EQ(again.ToString(), paths.ToString());
  }

  TZCLSearchPaths paths;
  paths.FromString(u";1/music;0/other");
  ASSERT_EQ(paths.GetCount(), 2);
  EXPECT_EQ(paths.GetPath(0), u"/music/");
  EXPECT_TRUE(paths.GetRecursive(0));
  EXPECT_EQ(paths.GetPath(1), u"/other/");
  EXPECT_FALSE(paths.GetRecursive(1));
  EXPECT_EQ(paths.GetPath(2), u"");
  EXPECT_FALSE(paths.GetRecursive(-1));
}

TEST(SearchPaths, ChangesAreReportedOncePerOperation) {
  ChangeCounter counter;
  TZCLSearchPaths paths({&counter, &ChangeCounter::Changed});
  paths.FromString(u"1/a;1/b;0/c");
  EXPECT_EQ(counter.Count, 1);
  EXPECT_EQ(counter.Last, &paths);
  paths.Add(u"/d", false);
  paths.Delete(0);
  paths.Delete(17);  // out of range: nothing, no change
  EXPECT_EQ(counter.Count, 3);
  EXPECT_EQ(paths.ToString(), u"1/b/;0/c/;0/d/");

  TZCLSearchPaths copy;
  copy.Add(u"/old", true);
  ChangeCounter copyCounter;
  copy.OnChange = {&copyCounter, &ChangeCounter::Changed};
  copy.Assign(&paths);
  EXPECT_EQ(copy.ToString(), paths.ToString());
  EXPECT_EQ(copyCounter.Count, 1);
  paths.Clear();
  EXPECT_EQ(counter.Count, 4);
  EXPECT_EQ(copy.GetCount(), 3);
}

TEST(SearchPaths, OverlapsInBothDirectionsOnWholeFolders) {
  TZCLSearchPaths paths;
  paths.FromString(u"0/home/user/Music;1/srv/share");
  struct Case {
    const char16_t* Path;
    bool Expected;
  } cases[] = {
      {u"/home/user/Music", true},
      {u"/home/user/music/rock", true},
      {u"/home/user", true},
      {u"/home/", true},
      {u"/srv/share/x/y", true},
      {u"/home/user/Mus", false},
      {u"/home/user/Music2", false},
      {u"/srv/shared", false},
      {u"/var", false},
  };
  for (const Case& c : cases) EXPECT_EQ(paths.Overlaps(c.Path), c.Expected) << StringToUTF8(c.Path);
}

TEST(SearchPaths, PathListIsACopyOwnedByTheCaller) {
  TZCLSearchPaths paths;
  paths.FromString(u"1/a;0/b");
  std::unique_ptr<TZCLStringList> list(paths.CreatePathList());
  paths.Clear();
  ASSERT_EQ(list->GetCount(), 2);
  EXPECT_EQ(list->GetStrings(0), u"/a/");
  EXPECT_EQ(list->GetStrings(1), u"/b/");
}

}  // namespace

TEST(CommonPath, ShortensToTheSharedFolder) {
  struct Case {
    const char16_t* Path;
    const char16_t* FileName;
    bool Ok;
    const char16_t* Result;
  };
  const Case cases[] = {
      {u"/music/a/", u"/music/a/x.mp3", true, u"/music/a/"},
      {u"/music/a/", u"/Music/B/y.mp3", true, u"/music/"},
      {u"/music/a/", u"/other/y.mp3", true, u"/"},
      {u"C:\\A\\B\\", u"c:\\a\\c\\z.mp3", true, u"C:\\A\\"},
      {u"C:\\A\\", u"D:\\z.mp3", false, u""},
      {u"", u"/x", false, u""},
  };
  for (const Case& c : cases) {
    String p = c.Path;
    EXPECT_EQ(zcShortenToCommonPath(p, c.FileName), c.Ok) << StringToUTF8(c.Path);
    EXPECT_EQ(p, String(c.Result)) << StringToUTF8(c.Path);
    String q = c.Path;
    EXPECT_EQ(zcReduceToCommonPath(q, c.FileName), c.Ok);
  }
}
