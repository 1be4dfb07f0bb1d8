#include <gtest/gtest.h>

#include <fstream>

#include "rtl/RTL.Exceptions.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/media/ZEPH.FileManager.VirtualFiles.h"

namespace {
class VirtualFileNames : public ::testing::Test {
 protected:
  void SetUp() override {
    Dir = UTF8ToString(TempDir()) + u"/";
    for (const char* name : {"Album.cue", "a.cue", "a.cue:b", "a.mp3"}) std::ofstream(TempDir() + "/" + name) << "x";
  }
  void TearDown() override { TZEPHFileURI::SetSchemeRegisteredProc(nullptr); }
  String Dir;
};
}  // namespace

TEST_F(VirtualFileNames, TestAndParse) {
  struct Case {
    String Name;
    bool Virtual;
    String Container, Part;
  };
  const Case cases[] = {
      {Dir + u"Album.cue:Track 01", true, Dir + u"Album.cue", u"Track 01"},
      {Dir + u"a.mp3", false, u"", u""},
      {Dir + u"a.mp3:", false, u"", u""},
      {u":" + Dir + u"a.mp3", false, u"", u""},
      {Dir + u"Album.cue:_01", false, u"", u""},
      {Dir + u"Album.cue: 01", false, u"", u""},
      // The last colon separates, so a container may hold one.
      {Dir + u"a.cue:b:c", true, Dir + u"a.cue:b", u"c"},
      // ":" is an ordinary character: without an existing container there is no part.
      {Dir + u"missing.cue:Track 01", false, u"", u""},
      {u"D:song.mp3", false, u"", u""},
      {u"http://host/a:b", false, u"", u""},
  };
  for (const Case& c : cases) {
    String container = u"stale", part = u"stale";
    EXPECT_EQ(TZEPHFileURI::IsVirtual(c.Name), c.Virtual) << StringToUTF8(c.Name);
    EXPECT_EQ(TZEPHFileURI::Parse(c.Name, container, part), c.Virtual) << StringToUTF8(c.Name);
    EXPECT_EQ(container, c.Container);
    EXPECT_EQ(part, c.Part);
    EXPECT_EQ(TZEPHFileURI::ExtractContainer(c.Name), c.Virtual ? c.Container : c.Name);
  }
  // A name with a registered scheme has parts whatever the disk holds.
  TZEPHFileURI::SetSchemeRegisteredProc([](const String& Scheme) { return Scheme == u"zip"; });
  EXPECT_TRUE(TZEPHFileURI::IsVirtual(u"zip://archive.zip:track.mp3"));
  EXPECT_FALSE(TZEPHFileURI::IsVirtual(u"http://host/a:b"));
  EXPECT_EQ(TZEPHFileURI::Delimiters().size(), 39u);
}

TEST_F(VirtualFileNames, Build) {
  EXPECT_EQ(TZEPHFileURI::Build(u"/a.cue", u""), u"/a.cue");
  EXPECT_EQ(TZEPHFileURI::Build(u"/a.cue", u"Track 1"), u"/a.cue:Track 1");
  const std::pair<String, const char*> failures[] = {
      {u"x:y", "PartName is invalid"},
      {u".hidden", "TZEPHFileURI.Build: something goes wrong"},
      {u"_01", "TZEPHFileURI.Build: something goes wrong"},
  };
  for (const auto& [part, message] : failures) {
    try {
      TZEPHFileURI::Build(u"/a.cue", part);
      ADD_FAILURE() << "no error for " << StringToUTF8(part);
    } catch (const Exception& e) {
      EXPECT_EQ(e.ClassName(), u"Exception");
      EXPECT_EQ(StringToUTF8(e.GetMessage()), message);
    }
  }
  EXPECT_THROW(TZEPHFileURI::Build(u"/folder/", u"x"), Exception);
}

TEST_F(VirtualFileNames, EditsThroughParts) {
  using F = TZEPHFileURI;
  const String track = Dir + u"a.cue:Track.wav";
  const String album = Dir + u"Album.cue:Track 01";
  struct Case {
    const char* What;
    std::function<bool(String&)> Edit;
    String Expected;
  };
  const Case cases[] = {
      {"part's extension", [&](String& r) { return F::ChangeFileExt(track, u".flac", 2, r); },
       Dir + u"a.cue:Track.flac"},
      {"container's extension", [&](String& r) { return F::ChangeFileExt(track, u".flac", 0, r); },
       Dir + u"a.flac:Track.wav"},
      {"plain name", [&](String& r) { return F::ChangeFileExt(u"/m/x.mp3", u".ogg", 2, r); }, u"/m/x.ogg"},
      {"double extension", [&](String& r) { return F::ExtractFileExt(u"/x.tar.gz", 1, r); }, u".tar.gz"},
      {"single extension", [&](String& r) { return F::ExtractFileExt(u"/x.tar.gz", 0, r); }, u".gz"},
      {"part's extension read", [&](String& r) { return F::ExtractFileExt(track, 2, r); }, u".wav"},
      {"file name", [&](String& r) { return F::ExtractFileName(album, r); }, u"Album.cue:Track 01"},
      {"parent name of a part", [&](String& r) { return F::ExtractFileParentName(album, r); }, u"Album.cue"},
      {"parent name of a file", [&](String& r) { return F::ExtractFileParentName(u"/m/x/y.mp3", r); }, u"x"},
      {"parent folder", [&](String& r) { return F::ExtractFileParentDirName(u"/m/x/y.mp3", r); }, u"x"},
      {"path", [&](String& r) { return F::ExtractFilePath(album, r); }, Dir},
  };
  for (const Case& c : cases) {
    String result;
    EXPECT_TRUE(c.Edit(result)) << c.What;
    EXPECT_EQ(result, c.Expected) << c.What;
  }
  // An edit whose parts no longer build a name fails.
  String result;
  EXPECT_FALSE(F::ChangeFileExt(track, u".a:b", 2, result));
}
