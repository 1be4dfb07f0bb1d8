#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "rtl/RTL.Numbers.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Timers.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.Cache.h"
#include "zeph/media/ZEPH.FileManager.h"

namespace {
TDateTime GNow = 45000;
TDateTime FakeNow() { return GNow; }

class FileInfoCache : public ::testing::Test {
 protected:
  void SetUp() override {
    TZEPHFileInfoCache::SetClock(FakeNow);
    Cache = Create<TZEPHFileInfoCache>();
    Dir = UTF8ToString(TempDir()) + u"/";
    Info = Create<TZBLFileInfo>();
    Info->SetTitle(u"Cached");
  }
  void TearDown() override {
    Free(Info);
    Free(Cache);
    TZEPHFileInfoCache::SetClock(nullptr);
  }
  String MakeFile(const String& Name, const std::string& Text = "x") {
    std::ofstream(StringToUTF8(Dir + Name)) << Text;
    return Dir + Name;
  }
  void Add(const String& Name) {
    TZEPHFileInfoCacheAttributes attributes;
    Cache->Add(Name, Info, attributes);
  }
  bool Find(const String& Name, TZBLCustomFileInfo* Target) {
    TZEPHFileInfoCacheAttributes attributes;
    return Cache->Find(Name, Target, attributes);
  }
  TZEPHFileInfoCache* Cache = nullptr;
  TZBLFileInfo* Info = nullptr;
  String Dir;
};
}  // namespace

TEST_F(FileInfoCache, FindsUnchangedFilesOnly) {
  const String a = MakeFile(u"a.mp3");
  Add(a);
  TZBLFileInfo* target = Create<TZBLFileInfo>();
  EXPECT_TRUE(Find(a, target));
  EXPECT_EQ(target->GetTitle(), u"Cached");
  // A plain record takes a full one; a full record does not take a plain one.
  TZBLCustomFileInfo* plain = Create<TZBLCustomFileInfo>();
  EXPECT_TRUE(Find(a, plain));
  EXPECT_EQ(Cache->GetCount(), 1);
  // A changed file drops its entry.
  std::ofstream(StringToUTF8(a), std::ios::app) << "more";
  EXPECT_FALSE(Find(a, target));
  EXPECT_EQ(Cache->GetCount(), 0);

  TZBLCustomFileInfo* source = Create<TZBLCustomFileInfo>();
  TZEPHFileInfoCacheAttributes attributes;
  Cache->Add(a, source, attributes);
  EXPECT_FALSE(Find(a, target));
  Free(source);
  Free(plain);
  Free(target);
}

TEST_F(FileInfoCache, NeverKeepsPartsOrMissingFiles) {
  const String cue = MakeFile(u"b.cue");
  Add(cue + u":Track 1");
  Add(Dir + u"missing.mp3");
  EXPECT_EQ(Cache->GetCount(), 0);
}

TEST_F(FileInfoCache, CapacityAndLifeTime) {
  std::vector<String> names;
  for (Integer i = 0; i < 11; ++i) {
    names.push_back(MakeFile(u"f" + IntToStr(i) + u".mp3"));
    Add(names.back());
  }
  EXPECT_EQ(Cache->GetCount(), 10);
  TZBLFileInfo* target = Create<TZBLFileInfo>();
  EXPECT_FALSE(Find(names[0], target));
  EXPECT_TRUE(Find(names[1], target));

  GNow = GNow + 5.0 / MinsPerDay;
  Add(names[0]);
  GNow = GNow + 6.0 / MinsPerDay;  // the first ten are now eleven minutes old
  Cache->Purge();
  EXPECT_EQ(Cache->GetCount(), 1);
  EXPECT_TRUE(Cache->GetTimer()->GetEnabled());
  GNow = GNow + 10.0 / MinsPerDay;
  Cache->Purge();
  EXPECT_EQ(Cache->GetCount(), 0);
  EXPECT_FALSE(Cache->GetTimer()->GetEnabled());

  Add(names[1]);
  Add(names[2]);
  Cache->SetCapacity(0);
  EXPECT_EQ(Cache->GetCapacity(), 1);
  EXPECT_EQ(Cache->GetCount(), 1);
  EXPECT_TRUE(Find(names[2], target));
  Free(target);
}

namespace {
Integer GReads = 0;
bool FakeTagReader(TStream* Stream, const String&, TZBLCustomFileInfo* Info) {
  ++GReads;
  Info->SetTitle(u"From tags");
  Info->SetFileSize(Stream->GetSize());
  return true;
}
}  // namespace

TEST(FileInfoRetrieval, Pipeline) {
  TZEPHFileManager* m = GetFileManager();
  m->GetInfoCache()->SetCapacity(10);
  const String file = UTF8ToString(TempDir()) + u"/song.mp3";
  std::ofstream(StringToUTF8(file)) << "12345";
  TZBLFileInfo* info = Create<TZBLFileInfo>();

  EXPECT_EQ(m->GetFileInfo(u"", info, zfiAll), E_INVALIDARG);
  EXPECT_EQ(m->GetFileInfo(file, nullptr, zfiAll), E_INVALIDARG);
  // Not cached yet: the name is kept all the same.
  EXPECT_EQ(m->GetFileInfo(file, info, zfiCache), E_FAIL);
  EXPECT_EQ(info->GetFileName(), file);

  const TZEPHTagReaderProc installed = TZEPHFileManager::GetTagReader();
  TZEPHFileManager::SetTagReader(FakeTagReader);
  GReads = 0;
  EXPECT_EQ(m->GetFileInfo(file, info, zfiAll), S_OK);
  EXPECT_EQ(info->GetTitle(), u"From tags");
  EXPECT_EQ(info->GetFileSize(), 5);
  info->Clear();
  EXPECT_EQ(m->GetFileInfo(file, info, zfiAll), S_OK);  // from the cache now
  EXPECT_EQ(info->GetTitle(), u"From tags");
  EXPECT_EQ(GReads, 1);

  // A foreign address asks no file source and is never cached.
  EXPECT_EQ(m->GetFileInfo(u"http://radio/live.mp3", info, zfiAll), E_FAIL);
  EXPECT_EQ(GReads, 1);
  EXPECT_EQ(info->GetFileName(), u"http://radio/live.mp3");

  IPtr<IZBLFileInfo> queried = m->QueryFileInfo(file, zfiCache);
  ASSERT_TRUE(queried);
  EXPECT_EQ(queried->GetFileInfo()->GetTitle(), u"From tags");
  EXPECT_FALSE(m->QueryFileInfo(u"/no/such.mp3", zfiCache));

  TZEPHFileManager::SetTagReader([](TStream*, const String&, TZBLCustomFileInfo*) -> bool { throw Exception(u"x"); });
  EXPECT_EQ(m->GetFileInfo(UTF8ToString(TempDir()) + u"/other.mp3", info, zfiTagLibrary), E_FAIL);  // no file
  std::ofstream(TempDir() + "/other.mp3") << "1";
  EXPECT_EQ(m->GetFileInfo(UTF8ToString(TempDir()) + u"/other.mp3", info, zfiTagLibrary), E_UNEXPECTED);
  TZEPHFileManager::SetTagReader(installed);
  m->GetInfoCache()->SetCapacity(1);
  m->GetInfoCache()->SetCapacity(10);
  Free(info);
}
