#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Utils.Encodings.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.h"
#include "zeph/media/ZEPH.FileManager.Services.Adapters.h"
#include "zeph/media/ZEPH.FileManager.Services.Tags.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/media/ZTL.FileFormats.MP4.TestFiles.h"

using namespace mp4test;

namespace {

// An M4A file with a title and two chapters.
std::string Tagged() {
  const std::string chpl =
      Atom("chpl", std::string("\x01\0\0\0\0\0\0\0\x02", 9) + BE(0, 8) + "\x03One" + BE(40000000, 8) + "\x03Two");
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

// ---- tag editing for plugins ------------------------------------------------------------------

namespace {

IPtr<IInterface> PluginText(const String& S) {
  return IPtr<IInterface>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(S)));
}

// A plugin stream over a copy of the bytes; not a file stream.
IPtr<IInterface> PluginStream(const std::string& Bytes) {
  auto* memory = new TMemoryStream();
  memory->WriteBuffer(Bytes.data(), static_cast<Integer>(Bytes.size()));
  return IPtr<IInterface>(static_cast<IZEPHStream*>(Create<TZEPHStreamAdapter>(memory, soOwned)));
}

template <class I>
HRESULT Open(IZEPHServiceFileTagEditor* Service, IInterface* Source, IPtr<I>& Result, Integer TagID = -1) {
  void* obj = nullptr;
  const HRESULT r = TagID < 0 ? Service->OpenFileTags(Source, IIDOf<I>(), &obj)
                              : Service->OpenSingleTag(Source, TagID, IIDOf<I>(), &obj);
  Result = obj ? IPtr<I>::Adopt(static_cast<I*>(obj)) : nullptr;
  return r;
}

String TitleOf(const std::string& Path) {
  TZBLFileInfo record;
  IPtr<IZEPHFileInfo> info(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>(&record, false)));
  IPtr<IZEPHString> name(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(UTF8ToString(Path))));
  EXPECT_EQ(ReadFileInfoFromFile(name.get(), info.get()), S_OK);
  return record.GetTitle();
}

// An ID3v1 tag behind some audio bytes.
std::string WithID3v1(const std::string& Title) {
  std::string tag = "TAG" + Title;
  tag.resize(127, '\0');
  tag += '\xFF';
  return std::string(300, 'a') + tag;
}

// A FLAC stream: STREAMINFO (44,100 Hz, 2 channels, 16 bits) and Vorbis comments, then frames.
std::string FlacWithTitle(const std::string& Title) {
  std::string info(34, '\0');
  info[10] = static_cast<char>(44100 >> 12);
  info[11] = static_cast<char>((44100 >> 4) & 0xFF);
  info[12] = static_cast<char>(((44100 & 15) << 4) | (1 << 1));
  info[13] = static_cast<char>(0xF0);
  auto le32 = [](size_t V) {
    return std::string{static_cast<char>(V), static_cast<char>(V >> 8), static_cast<char>(V >> 16),
                       static_cast<char>(V >> 24)};
  };
  const std::string comment = "TITLE=" + Title;
  const std::string comments = le32(1) + "v" + le32(1) + le32(comment.size()) + comment;
  auto header = [](int Type, size_t Length) {
    return std::string{static_cast<char>(Type), static_cast<char>(Length >> 16), static_cast<char>(Length >> 8),
                       static_cast<char>(Length)};
  };
  return "fLaC" + header(0, info.size()) + info + header(0x84, comments.size()) + comments + "\xFF\xF8 frames";
}

}  // namespace

TEST(TagServices, TagFormatNumbers) {
  const std::pair<String, Integer> cases[] = {{u"", 0},    {u"APE", 1},    {u"id3V1", 2}, {u"ID3v2", 3},
                                              {u"M4A", 4}, {u"vorbis", 5}, {u"WMA", 6},   {u"FLAC", 0}};
  for (const auto& [type, number] : cases) EXPECT_EQ(TagFormatNumber(type), number) << StringToUTF8(type);
}

TEST(TagServices, ServiceIsFoundThroughTheCore) {
  const bool ownCore = TZEPHCore::InstanceIfExists() == nullptr;
  TZEPHCore* core = TZEPHCore::Instance();
  RegisterTagServicesWithCore();
  void* obj = nullptr;
  ASSERT_EQ(core->QueryInterface(IIDOf<IZEPHServiceFileTagEditor>(), &obj), S_OK);
  auto service = IPtr<IZEPHServiceFileTagEditor>::Adopt(static_cast<IZEPHServiceFileTagEditor*>(obj));
  EXPECT_TRUE(service);
  if (ownCore) {
    service = nullptr;
    TZEPHCore::FreeInstance();
  } else {
    core->UnregisterService(service.get());
  }
}

TEST(TagServices, EditorChangesAndRemovesTagsOfAFile) {
  const std::string path = WriteTemp("edited.m4a", Tagged());
  IPtr<IZEPHServiceFileTagEditor> service(Create<TZEPHServiceTagsLibrary>());
  IPtr<IZEPHFileTagEditor> editor;
  ASSERT_EQ(Open(service.get(), PluginText(UTF8ToString(path)).get(), editor), S_OK);
  ASSERT_EQ(editor->GetTagCount(), 1);
  IPtr<IZEPHFileInfo> merged;
  ASSERT_EQ(editor->GetMergedInfo(merged), S_OK);
  IPtr<IZEPHFileInfoInternal> internal;
  ASSERT_TRUE(Supports(merged.get(), internal));
  EXPECT_EQ(internal->GetRecord()->GetTitle(), u"Through the manager");

  void* obj = nullptr;
  EXPECT_EQ(editor->GetTagObject(1, IIDOf<IZEPHFileTag>(), &obj), E_INVALIDARG);
  EXPECT_EQ(editor->GetTagObject(-1, IIDOf<IZEPHFileTag>(), &obj), E_INVALIDARG);
  ASSERT_EQ(editor->GetTagObject(0, IIDOf<IZEPHFileTag>(), &obj), S_OK);
  auto tag = IPtr<IZEPHFileTag>::Adopt(static_cast<IZEPHFileTag*>(obj));
  Integer value = -1;
  EXPECT_EQ(tag->GetValueAsInt32(101, value), S_OK);
  EXPECT_EQ(value, 4);
  EXPECT_EQ(tag->SetValueAsInt32(101, 2), E_ACCESSDENIED);
  EXPECT_EQ(tag->GetValueAsInt32(102, value), S_OK);
  EXPECT_EQ(value, 0);

  EXPECT_EQ(editor->AssignToAllTags(nullptr), E_HANDLE);
  auto* record = Create<TZBLFileInfo>();
  record->SetTitle(u"Edited by a plugin");
  IPtr<IZEPHFileInfo> source(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>(record, true)));
  ASSERT_EQ(editor->AssignToAllTags(source.get()), S_OK);
  ASSERT_EQ(editor->SaveTags(), S_OK);
  EXPECT_EQ(TitleOf(path), u"Edited by a plugin");

  ASSERT_EQ(tag->SetValueAsInt32(102, 1), S_OK);
  ASSERT_EQ(editor->SaveTags(), S_OK);
  EXPECT_EQ(TitleOf(path), u"");
}

TEST(TagServices, EditorWorksOnTheMainThreadOnly) {
  IPtr<IZEPHServiceFileTagEditor> service(Create<TZEPHServiceTagsLibrary>());
  IPtr<IZEPHFileTagEditor> editor;
  // A plugin stream that is not a file is recognised by its content.
  ASSERT_EQ(Open(service.get(), PluginStream(Tagged()).get(), editor), S_OK);
  void* obj = nullptr;
  ASSERT_EQ(editor->GetTagObject(0, IIDOf<IZEPHFileTag>(), &obj), S_OK);
  auto tag = IPtr<IZEPHFileTag>::Adopt(static_cast<IZEPHFileTag*>(obj));
  HRESULT tagObject = S_OK, merged = S_OK, assign = S_OK, save = S_OK, property = S_OK;
  Integer count = 0;
  std::thread([&] {
    void* other = nullptr;
    IPtr<IZEPHFileInfo> info;
    Integer value = 0;
    tagObject = editor->GetTagObject(0, IIDOf<IZEPHFileTag>(), &other);
    merged = editor->GetMergedInfo(info);
    assign = editor->AssignToAllTags(tag.get());
    save = editor->SaveTags();
    property = tag->GetValueAsInt32(101, value);
    count = editor->GetTagCount();
  }).join();
  for (HRESULT r : {tagObject, merged, assign, save, property}) EXPECT_EQ(r, E_ACCESSDENIED);
  EXPECT_EQ(count, 1);
}

TEST(TagServices, SingleTags) {
  IPtr<IZEPHServiceFileTagEditor> service(Create<TZEPHServiceTagsLibrary>());
  const std::string m4a = WriteTemp("single.m4a", Tagged());
  IPtr<IZEPHFileInfo> info;
  ASSERT_EQ(Open(service.get(), PluginText(UTF8ToString(m4a)).get(), info, 4), S_OK);
  IPtr<IZEPHFileInfoInternal> internal;
  ASSERT_TRUE(Supports(info.get(), internal));
  EXPECT_EQ(internal->GetRecord()->GetTitle(), u"Through the manager");
  // A copy independent of the file, without the tag properties.
  Integer value = 0;
  EXPECT_NE(info->GetValueAsInt32(101, value), S_OK);
  IPtr<IZEPHFileTag> tag;
  EXPECT_EQ(Open(service.get(), PluginText(UTF8ToString(m4a)).get(), tag, 4), E_NOINTERFACE);

  ASSERT_EQ(Open(service.get(), PluginStream(WithID3v1("Old tag")).get(), info, 2), S_OK);
  ASSERT_TRUE(Supports(info.get(), internal));
  EXPECT_EQ(internal->GetRecord()->GetTitle(), u"Old tag");

  // Not Ogg: the FLAC reader gives the Vorbis comments.
  ASSERT_EQ(Open(service.get(), PluginStream(FlacWithTitle("Flac title")).get(), info, 5), S_OK);
  ASSERT_TRUE(Supports(info.get(), internal));
  EXPECT_EQ(internal->GetRecord()->GetTitle(), u"Flac title");
}

TEST(TagServices, OpeningFailures) {
  IPtr<IZEPHServiceFileTagEditor> service(Create<TZEPHServiceTagsLibrary>());
  const std::string m4a = WriteTemp("failures.m4a", Tagged());
  const std::string junk = WriteTemp("failures.bin", "no media here");
  IPtr<IInterface> notASource(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>()));
  struct TCase {
    IPtr<IInterface> Source;
    Integer TagID;  // -1: all tags
    HRESULT Expected;
  } cases[] = {
      {PluginText(UTF8ToString(TempDir() + "/missing.m4a")), -1, static_cast<HRESULT>(0x80070002u)},
      {PluginText(UTF8ToString(TempDir() + "/missing.m4a")), 4, static_cast<HRESULT>(0x80070002u)},
      {notASource, -1, E_INVALIDARG},
      {nullptr, -1, E_INVALIDARG},
      {PluginText(UTF8ToString(junk)), -1, E_FAIL},
      {PluginText(UTF8ToString(m4a)), 3, E_FAIL},
      {PluginText(UTF8ToString(m4a)), 5, E_FAIL},
      {PluginText(UTF8ToString(m4a)), 7, E_INVALIDARG},
      {PluginText(UTF8ToString(m4a)), 0, E_INVALIDARG},
  };
  for (const TCase& c : cases) {
    IPtr<IInterface> result;
    EXPECT_EQ(Open(service.get(), c.Source.get(), result, c.TagID), c.Expected) << c.TagID;
    EXPECT_FALSE(result);
  }
}
