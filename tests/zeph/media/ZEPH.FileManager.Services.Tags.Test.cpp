#include <gtest/gtest.h>

#include <fstream>

#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zeph/media/ZEPH.FileManager.Services.Adapters.h"
#include "zeph/media/ZEPH.FileManager.Services.Tags.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/media/ZTL.FileFormats.MP4.TestFiles.h"

using namespace mp4test;

namespace {

// An M4A file with a title and two chapters.
std::string Tagged() {
  const std::string chpl = Atom("chpl", std::string("\x01\0\0\0\0\0\0\0\x02", 9) + BE(0, 8) + "\x03One" +
                                            BE(40000000, 8) + "\x03Two");
  return File(Ilst(Text("\xA9nam", "Through the manager"), chpl));
}

std::string WriteTemp(const std::string& Name, const std::string& Bytes) {
  const std::string path = TempDir() + "/" + Name;
  std::ofstream(path, std::ios::binary | std::ios::trunc) << Bytes;
  return path;
}

}  // namespace

TEST(TagServices, FileExtensions) {
  EXPECT_EQ(FileExtension(u"/a/b/song.flac"), u".flac");
  EXPECT_EQ(FileExtension(u"song"), u"");
  EXPECT_EQ(FileExtension(u"/a/b/archive.tar.gz"), u".tar.gz");
}

TEST(TagServices, TheFileManagerReadsTagsThroughTheLibrary) {
  const std::string path = WriteTemp("managed.m4a", Tagged());
  TZBLFileInfo info;
  ASSERT_EQ(GetFileManager()->GetFileInfo(UTF8ToString(path), &info, zfiTagLibrary), S_OK);
  EXPECT_EQ(info.GetTitle(), u"Through the manager");
  EXPECT_EQ(info.GetStreamInfo().Duration, 10000u);
  // A name without extension is found by content.
  const std::string bare = WriteTemp("managed-without-extension", Tagged());
  TZBLFileInfo other;
  ASSERT_EQ(GetFileManager()->GetFileInfo(UTF8ToString(bare), &other, zfiTagLibrary), S_OK);
  EXPECT_EQ(other.GetTitle(), u"Through the manager");
  const std::string junk = WriteTemp("junk.m4a", "not a media file at all");
  EXPECT_NE(GetFileManager()->GetFileInfo(UTF8ToString(junk), &other, zfiTagLibrary), S_OK);
}

TEST(TagServices, PluginObjectsGetRecordAndChapters) {
  const std::string bytes = Tagged();
  TZBLFileInfo record;
  TZBLChapters chapters;
  IPtr<IZEPHFileInfo> info(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>(&record, false, &chapters)));
  TCustomMemoryStream stream(bytes.data(), static_cast<NativeInt>(bytes.size()));
  EXPECT_EQ(FillFileInfo(&stream, u"", info.get()), S_OK);
  EXPECT_EQ(record.GetTitle(), u"Through the manager");
  ASSERT_EQ(chapters.GetCount(), 2);
  EXPECT_EQ(chapters[1]->Title, u"Two");
  EXPECT_DOUBLE_EQ(chapters[1]->Finish, 10);

  TCustomMemoryStream junk("junk", 4);
  EXPECT_EQ(FillFileInfo(&junk, u".m4a", info.get()), E_FAIL);
  EXPECT_EQ(FillFileInfo(nullptr, u"", info.get()), E_INVALIDARG);
  EXPECT_EQ(FillFileInfo(&stream, u"", nullptr), E_INVALIDARG);
  EXPECT_EQ(ReadFileInfoFromStream(nullptr, info.get()), E_INVALIDARG);
}
