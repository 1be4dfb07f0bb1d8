#include <gtest/gtest.h>

#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/media/ZEPH.FileManager.Services.Adapters.h"

namespace {
class TCountingLibrary : public TInterfacedObject, public IZEPHMusicLibrary {
  RTL_INTERFACES(TInterfacedObject, IZEPHMusicLibrary)
 public:
  bool FillFileInfo(const String&, TZBLCustomFileInfo*) override { return false; }
  bool GetLibraryText(const String&, String&) override { return false; }
  bool GetFileMark(const String&, TZEPHFileMark&) override { return false; }
  bool GetFileStatistics(const String&, TZEPHFileStatistics&) override { return ++Calls, false; }
  bool SetLibraryText(const String&, const String&) override { return false; }
  bool SetFileMark(const String&, TZEPHFileMark) override { return false; }
  void UpdateFileInfo(TZBLCustomFileInfo*) override {}
  Integer Calls = 0;
};
}  // namespace

TEST(PluginFileInfo, PropertiesByIdentifier) {
  IPtr<IZEPHFileInfo> info(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>()));
  IPtr<IZEPHFileInfoInternal> internal = QueryIntf<IZEPHFileInfoInternal>(info);
  TZBLCustomFileInfo* record = internal->GetRecord();
  TZBLStreamInfo s;
  s.Duration = 1500;
  s.Channels = 0x1002;
  record->SetStreamInfo(s);
  Double seconds = 0;
  EXPECT_EQ(info->GetValueAsFloat(17, seconds), S_OK);
  EXPECT_DOUBLE_EQ(seconds, 1.5);
  EXPECT_EQ(info->SetValueAsFloat(17, 2.25), S_OK);
  EXPECT_EQ(record->GetStreamInfo().Duration, 2250u);
  Integer channels = 0;
  EXPECT_EQ(info->GetValueAsInt32(9, channels), S_OK);
  EXPECT_EQ(channels, 2);
  EXPECT_EQ(info->SetValueAsInt64(19, 1000), S_OK);
  EXPECT_EQ(record->GetFileSize(), 1000);
  EXPECT_EQ(record->GetStreamInfo().StreamSize, 1000);

  IPtr<IZEPHString> title(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(u"  Song\t1 ")));
  EXPECT_EQ(info->SetValueAsObject(25, title.get()), S_OK);
  EXPECT_EQ(record->GetTitle(), u"Song 1");  // through the record's setter
  void* obj = nullptr;
  ASSERT_EQ(info->GetValueAsObject(25, IIDOf<IZEPHString>(), &obj), S_OK);
  IPtr<IZEPHString> back = IPtr<IZEPHString>::Adopt(static_cast<IZEPHString*>(obj));
  EXPECT_EQ(PluginStringToStr(back.get()), u"Song 1");
  Integer value = 0;
  EXPECT_EQ(info->GetValueAsInt32(99, value), E_INVALIDARG);
  EXPECT_EQ(info->SetValueAsInt32(43, 1), E_INVALIDARG);
}

TEST(PluginFileInfo, StatisticsAskedOncePerName) {
  IPtr<TCountingLibrary> library(Create<TCountingLibrary>());
  GetFileManager()->SetMusicLibrary(IPtr<IZEPHMusicLibrary>(library.get()));
  IPtr<IZEPHFileInfo> info(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>()));
  Integer count = 0;
  EXPECT_EQ(info->GetValueAsInt32(43, count), E_FAIL);
  EXPECT_EQ(info->GetValueAsInt32(43, count), E_FAIL);
  EXPECT_EQ(library->Calls, 1);
  IPtr<IZEPHString> name(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(u"/other.mp3")));
  info->SetValueAsObject(18, name.get());
  EXPECT_EQ(info->GetValueAsInt32(43, count), E_FAIL);
  EXPECT_EQ(library->Calls, 2);
  GetFileManager()->SetMusicLibrary(nullptr);
}

TEST(PluginFileInfo, AssignCloneAndRetrieval) {
  auto* record = Create<TZBLFileInfo>();
  record->SetTitle(u"T");
  IPtr<IZEPHFileInfo> source(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>(record, true, nullptr, 5, 9)));
  IPtr<IZEPHFileInfo> clone;
  ASSERT_EQ(source->Clone(clone), S_OK);
  IPtr<IZEPHFileInfoInternal> internal = QueryIntf<IZEPHFileInfoInternal>(clone);
  EXPECT_EQ(internal->GetIndex(), 0);
  EXPECT_EQ(internal->GetRecord()->GetTitle(), u"T");
  IPtr<IZEPHFileInfo> other(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>()));
  EXPECT_EQ(other->Assign(source.get()), S_OK);
  EXPECT_EQ(QueryIntf<IZEPHFileInfoInternal>(other)->GetRecord()->GetTitle(), u"T");
  EXPECT_EQ(other->Assign(nullptr), E_INVALIDARG);

  // Not in the cache: the answer fails and the name is kept.
  EXPECT_EQ(GetFileInfoForObject(u"/not/cached.mp3", other.get(), zfiCache), E_FAIL);
  void* obj = nullptr;
  ASSERT_EQ(other->GetValueAsObject(18, IIDOf<IZEPHString>(), &obj), S_OK);
  IPtr<IZEPHString> name = IPtr<IZEPHString>::Adopt(static_cast<IZEPHString*>(obj));
  EXPECT_EQ(PluginStringToStr(name.get()), u"/not/cached.mp3");
}

TEST(PluginFileInfo, FileNameMask) {
  TZBLFileInfo* record = Create<TZBLFileInfo>();
  record->SetArtist(u"AC;DC");
  record->SetFileName(u"/m/Back in Black.mp3");
  EXPECT_EQ(FormatFileNameMask(u"%artist% - %album%.jpg", record), u"AC,DC - Unknown.jpg");
  EXPECT_EQ(FormatFileNameMask(u"%filename%/%title%/%Artist%", record), u"Back in Black/Unknown/%Artist%");
  Free(record);
}
