#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Clipbrd.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/ui/ZCL.UI.DragDrop.Source.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"
#include "zeph/media/ZEPH.FileManager.FileSystems.h"
#include "zeph/media/ZEPH.FileManager.h"

namespace {
class TOtherContent : public TZEPHPropertyList, public IZEPHExtensionFileSystem, public IZEPHFileSystemCommandFileInfo {
  RTL_INTERFACES(TZEPHPropertyList, IZEPHExtensionFileSystem, IZEPHFileSystemCommandFileInfo)
 public:
  explicit TOtherContent(const String& AScheme) : Scheme(AScheme) {}
  HRESULT GetFileAttributes(IZEPHString*, TZEPHFileSystemAttributes&) override { return E_FAIL; }
  HRESULT GetFileSize(IZEPHString*, Int64& Size) override {
    Size = 77;
    return S_OK;
  }
  HRESULT FileExists(IZEPHString*) override { return S_OK; }
  String Scheme;

 protected:
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override {
    if (PropertyID == 1) return IPtr<IInterface>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(Scheme)));
    return nullptr;
  }
};
}  // namespace

TEST(FileSystems, SchemesPickTheirFileSystem) {
  TZEPHFileManager* m = GetFileManager();
  TZEPHServiceFileSystems* systems = m->GetFileSystems();
  EXPECT_TRUE(systems->IsSchemeRegistered(u"content"));
  EXPECT_TRUE(systems->IsSchemeRegistered(u"CONTENT"));
  EXPECT_FALSE(systems->IsSchemeRegistered(u"http"));
  EXPECT_FALSE(m->FileExists(u"CONTENT://x"));
  EXPECT_EQ(m->GetFileSize(u"content://x"), 0);
  EXPECT_FALSE(m->IsForeignURL(u"content://x"));
  EXPECT_TRUE(m->IsForeignURL(u"http://x"));
  TStream* stream = nullptr;
  EXPECT_EQ(m->CreateStream(u"content://x", 0, -1, -1, stream), E_NOTIMPL);

  // The first registration of a scheme stays; a new scheme serves its names until it goes.
  IPtr<IZEPHExtensionFileSystem> second(Create<TOtherContent>(u"content"));
  systems->RegisterExtension(second.get());
  EXPECT_FALSE(m->FileExists(u"content://x"));
  IPtr<IZEPHExtensionFileSystem> zip(Create<TOtherContent>(u"zip"));
  systems->RegisterExtension(zip.get());
  EXPECT_TRUE(m->FileExists(u"zip://archive/a.mp3"));
  EXPECT_EQ(m->GetFileSize(u"Zip://archive/a.mp3"), 77);
  EXPECT_TRUE(TZEPHFileURI::IsVirtual(u"zip://archive.zip:a.mp3"));
  systems->UnregisterExtension(zip.get());
  systems->UnregisterExtension(second.get());
  EXPECT_FALSE(systems->IsSchemeRegistered(u"zip"));
  EXPECT_TRUE(systems->IsSchemeRegistered(u"content"));
  EXPECT_TRUE(m->FileExists(u"zip://archive/a.mp3"));  // a foreign address exists without asking
}

namespace {
template <class I>
IPtr<I> DefaultCommand(TZEPHServiceFileSystems* Systems) {
  void* obj = nullptr;
  EXPECT_EQ(Systems->GetDefault(IIDOf<I>(), &obj), S_OK);
  return IPtr<I>::Adopt(static_cast<I*>(obj));
}

IPtr<IZEPHString> Text(const String& Value) {
  return IPtr<IZEPHString>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(Value)));
}
}  // namespace

TEST(FileSystems, LocalDiskCommands) {
  TZEPHServiceFileSystems* systems = GetFileManager()->GetFileSystems();
  const std::string dir = TempDir() + "/fs-local";
  std::filesystem::create_directories(dir);
  std::ofstream(dir + "/a.bin", std::ios::binary) << std::string(100, 'x');
  const String file = UTF8ToString(dir) + u"/a.bin";

  // Streaming: a range is for reading only; flags 4 buffer, 5 create and buffer.
  auto streaming = DefaultCommand<IZEPHFileSystemCommandStreaming>(systems);
  IPtr<IZEPHStream> stream;
  EXPECT_EQ(streaming->CreateStream(Text(file).get(), 0, 10, 1, stream), E_INVALIDARG);
  EXPECT_FALSE(stream);
  ASSERT_EQ(streaming->CreateStream(Text(file).get(), 0, 10, 0, stream), S_OK);
  EXPECT_EQ(stream->GetSize(), 10);
  ASSERT_EQ(streaming->CreateStream(Text(file).get(), -1, -1, 4, stream), S_OK);
  EXPECT_EQ(stream->GetSize(), 100);
  ASSERT_EQ(streaming->CreateStream(Text(file + u".new").get(), -1, -1, 5, stream), S_OK);
  EXPECT_EQ(stream->GetSize(), 0);
  stream = nullptr;
  EXPECT_NE(streaming->CreateStream(Text(file + u".missing").get(), -1, -1, 0, stream), S_OK);

  auto info = DefaultCommand<IZEPHFileSystemCommandFileInfo>(systems);
  Int64 size = 0;
  EXPECT_EQ(info->GetFileSize(Text(file).get(), size), S_OK);
  EXPECT_EQ(size, 100);
  EXPECT_EQ(info->FileExists(Text(u"http://nowhere.invalid/x").get()), S_OK);
  EXPECT_EQ(info->FileExists(Text(file + u":part").get()), S_OK);
  EXPECT_EQ(info->FileExists(Text(file + u".missing").get()), E_FAIL);
  TZEPHFileSystemAttributes attributes;
  EXPECT_EQ(info->GetFileAttributes(Text(file).get(), attributes), S_OK);
  EXPECT_EQ(attributes.Attributes & 0x10, 0u);
  // Whole seconds of an even count: the times went through the DOS form.
  const Double seconds = attributes.LastWriteTime * 86400;
  EXPECT_NEAR(std::fmod(std::round(seconds), 2), 0, 1e-9);
  EXPECT_EQ(info->GetFileAttributes(Text(file + u".missing").get(), attributes), E_FAIL);

  // Deleting refuses parts of containers and URLs at both steps.
  auto deleting = DefaultCommand<IZEPHFileSystemCommandDelete>(systems);
  EXPECT_EQ(deleting->CanProcess(Text(file + u":part").get()), E_FAIL);
  EXPECT_EQ(deleting->Process(Text(file + u":part").get()), E_FAIL);
  EXPECT_EQ(deleting->CanProcess(Text(file).get()), S_OK);
  EXPECT_FALSE(systems->RunCommand(IIDOf<IZEPHFileSystemCommandDelete>(), u"http://x/a.mp3"));

  // The clipboard: nothing for an empty list; text when the first name is a URL.
  auto clipboard = DefaultCommand<IZEPHFileSystemCommandCopyToClipboard>(systems);
  TZCLStringList* names = Create<TZCLStringList>();
  IPtr<IZEPHObjectList> list(static_cast<IZEPHObjectList*>(Create<TZEPHStringListAdapter>(names)));
  EXPECT_EQ(clipboard->CopyToClipboard(list.get()), E_FAIL);
  names->Add(u"http://radio/a");
  names->Add(file);
  EXPECT_EQ(clipboard->CopyToClipboard(list.get()), S_OK);
  EXPECT_EQ(Clipboard()->GetAsText().substr(0, 16), u"http://radio/a\r\n");

  // Names of unregistered schemes are the local disk's; only a registered one can stream drags.
  void* obj = nullptr;
  EXPECT_EQ(systems->Get(u"zip://a", IIDOf<IZEPHFileSystemCommandStreaming>(), &obj), S_OK);
  { auto held = IPtr<IZEPHFileSystemCommandStreaming>::Adopt(static_cast<IZEPHFileSystemCommandStreaming*>(obj)); }
  EXPECT_EQ(systems->Get(u"content://a", IIDOf<IZEPHFileSystemCommandStreaming>(), &obj), E_NOINTERFACE);
  EXPECT_FALSE(systems->SupportsDropSource(u"content"));
  EXPECT_FALSE(systems->SupportsDropSource(u""));
  std::filesystem::remove_all(dir);
}

namespace {
// An archive file system whose files exist and stream their name's bytes when dragged.
class TArchiveFileSystem : public TOtherContent, public IZEPHFileSystemCommandDropSource {
  RTL_INTERFACES(TOtherContent, IZEPHFileSystemCommandDropSource)
 public:
  using TOtherContent::TOtherContent;
  HRESULT CreateStream(IZEPHString* Name, IPtr<IZEPHStream>& Stream) override {
    auto* data = new TStringStream(PluginStringToStr(Name));
    Stream = IPtr<IZEPHStream>(static_cast<IZEPHStream*>(Create<TZEPHStreamAdapter>(data, soOwned)));
    return S_OK;
  }
};
}  // namespace

TEST(FileSystems, DragOfAnArchivesFilesOffersTheirStreams) {
  TZEPHFileManager* m = GetFileManager();
  IPtr<IZEPHExtensionFileSystem> archive(Create<TArchiveFileSystem>(u"arc"));
  m->GetFileSystems()->RegisterExtension(archive.get());
  EXPECT_TRUE(m->GetFileSystems()->SupportsDropSource(u"ARC"));
  TZCLStringList* names = Create<TZCLStringList>();
  names->Add(u"arc://box/a.mp3");
  names->Add(u"content://b.mp3");  // exists nowhere
  TZCLDropSource* source = Create<TZCLDropSource>(nullptr, nullptr);
  IPtr<IZCLDropSourceDataFiles> data = m->CreateDropSourceData(names, source);
  // The URI list, the descriptors and one stream.
  EXPECT_EQ(source->GetDataProviders().GetCount(), 3);
  ASSERT_EQ(data->GetCount(), 1);
  TStream* stream = data->GetStream(0);
  ASSERT_NE(stream, nullptr);
  EXPECT_GT(stream->GetSize(), 0);
  Free(source);
  data = nullptr;
  Free(names);
  m->GetFileSystems()->UnregisterExtension(archive.get());
}
