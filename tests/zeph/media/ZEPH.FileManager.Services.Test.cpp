#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "rtl/RTL.Streams.h"
#include "support/TestSupport.h"
#include "zcl/base/ZCL.Threading.Pool.h"
#include "zeph/core/ZEPH.Core.Adapters.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"
#include "zeph/core/ZEPH.Core.h"
#include "zeph/media/ZBL.FileInfo.h"
#include "zeph/media/ZEPH.FileManager.FileSystems.h"
#include "zeph/media/ZEPH.FileManager.Services.Adapters.h"
#include "zeph/media/ZEPH.FileManager.Services.FileURI.h"
#include "zeph/media/ZEPH.FileManager.h"

namespace {
IPtr<IZEPHString> Text(const String& S) {
  return IPtr<IZEPHString>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(S)));
}

class TFakeFormat : public TInterfacedObject, public IZEPHExtensionFileFormat {
  RTL_INTERFACES(TInterfacedObject, IZEPHExtensionFileFormat)
 public:
  TFakeFormat(const String& AList, Cardinal AFlags, bool AReadable)
      : FList(AList), FFlags(AFlags), FReadable(AReadable) {}
  HRESULT GetDescription(IPtr<IZEPHString>& Value) override {
    Value = Text(u"Demo");
    return FReadable ? S_OK : E_FAIL;
  }
  HRESULT GetExtList(IPtr<IZEPHString>& Value) override {
    Value = Text(FList);
    return S_OK;
  }
  HRESULT GetFlags(Cardinal& Value) override {
    Value = FFlags;
    return S_OK;
  }

 private:
  String FList;
  Cardinal FFlags;
  bool FReadable;
};

class TDemoFileSystem : public TZEPHContentFileSystem {
 protected:
  IPtr<IInterface> DoGetValueAsObject(Integer PropertyID) override {
    if (PropertyID == 1) return IPtr<IInterface>(static_cast<IZEPHString*>(Create<TZEPHStringAdapter>(u"demo")));
    return TZEPHContentFileSystem::DoGetValueAsObject(PropertyID);
  }
};

// Refuses every file but counts the questions.
class TCountingExpander : public TInterfacedObject, public IZEPHExtensionFileExpander {
  RTL_INTERFACES(TInterfacedObject, IZEPHExtensionFileExpander)
 public:
  HRESULT Expand(const String&, TZEPHVirtualFileList&) override {
    ++Calls;
    return E_FAIL;
  }
  Integer Calls = 0;
};

// A plugin reader: by name it answers only names ending in its suffix; from a stream it reads the
// first byte, so it shows where the stream stood.
class TFakeInfoReader : public TInterfacedObject,
                        public IZEPHExtensionFileInfo,
                        public IZEPHExtensionFileInfoFromStream {
  RTL_INTERFACES(TInterfacedObject, IZEPHExtensionFileInfo, IZEPHExtensionFileInfoFromStream)
 public:
  explicit TFakeInfoReader(const String& ASuffix) : FSuffix(ASuffix) {}
  HRESULT FillFileInfo(IZEPHString* FileName, IZEPHFileInfo* Info) override {
    const String name = PluginStringToStr(FileName);
    if (name.size() < FSuffix.size() || name.compare(name.size() - FSuffix.size(), FSuffix.size(), FSuffix) != 0)
      return E_NOTIMPL;
    return Info->SetValueAsObject(25, Text(u"by " + FSuffix).get());
  }
  HRESULT FillFileInfoFromStream(IZEPHStream* Stream, IZEPHFileInfo* Info) override {
    char c = 0;
    if (Stream->Read(&c, 1) != 1) return E_FAIL;
    return Info->SetValueAsObject(25, Text(String(1, static_cast<Char>(c)) + FSuffix).get());
  }

 private:
  String FSuffix;
};

// The title is the stream's text.
bool ReadTitle(TStream* Stream, const String&, TZBLCustomFileInfo* Info) {
  std::string bytes(static_cast<size_t>(Stream->GetSize()), '\0');
  Stream->SetPosition(0);
  Stream->ReadBuffer(bytes.data(), static_cast<Integer>(bytes.size()));
  Info->SetTitle(UTF8ToString(bytes));
  return !bytes.empty();
}

// A core started for the test with a file manager of its own registered into it.
class FileManagerServices : public ::testing::Test {
 protected:
  void SetUp() override {
    OwnCore = TZEPHCore::InstanceIfExists() == nullptr;
    Core = TZEPHCore::Instance();
    Manager = Create<TZEPHFileManager>();
    Dir = TempDir();
    std::ofstream(Dir + "/a.bin") << "hello";
    File = UTF8ToString(Dir) + u"/a.bin";
  }
  void TearDown() override {
    Free(Manager);
    if (OwnCore) TZEPHCore::FreeInstance();
  }
  template <class I>
  IPtr<I> Service() {
    void* obj = nullptr;
    if (Core->QueryInterface(IIDOf<I>(), &obj) != S_OK) return nullptr;
    return IPtr<I>::Adopt(static_cast<I*>(obj));
  }

  bool OwnCore = false;
  TZEPHCore* Core = nullptr;
  TZEPHFileManager* Manager = nullptr;
  std::string Dir;
  String File;
};
}  // namespace

TEST_F(FileManagerServices, FoundThroughTheCoreUntilFreed) {
  const Integer before = Core->GetServiceCount();
  EXPECT_TRUE(Service<IZEPHServiceFileManager>());
  EXPECT_TRUE(Service<IZEPHServiceFileStreaming>());
  EXPECT_TRUE(Service<IZEPHServiceFileInfo>());
  EXPECT_TRUE(Service<IZEPHServiceFileURI>());
  EXPECT_TRUE(Service<IZEPHServiceFileURI2>());
  EXPECT_TRUE(Service<IZEPHServiceFileSystems>());
  {
    // The services live with the file manager: no reference may outlive it.
    IPtr<IZEPHServiceFileFormats> formats = Service<IZEPHServiceFileFormats>();
    ASSERT_TRUE(formats);
    Manager->GetKnownFormats()->Register(u"Audio", u"*.mp3", zfkAudio);
    EXPECT_EQ(formats->IsSupported(Text(u"/m/a.MP3").get(), 1), S_OK);
  }

  Free(Manager);
  Manager = nullptr;
  EXPECT_EQ(Core->GetServiceCount(), before - 3);
  EXPECT_FALSE(Service<IZEPHServiceFileManager>());
  EXPECT_FALSE(Service<IZEPHServiceFileFormats>());
  EXPECT_FALSE(Service<IZEPHServiceFileSystems>());
}

TEST_F(FileManagerServices, PluginFormatsRegisteredThroughTheCore) {
  struct Case {
    const char16_t* List;
    Cardinal Flags;
    bool Readable;
    Byte Mask;  // where it shows, 0 when it stays out
  } cases[] = {
      {u" *.dmo ", 1, true, zfkmAudio}, {u"*.dls;", 2, true, zfkmPlaylists},
      {u"*.both", 3, true, 0},          {u"*.none", 0, true, 0},
      {u"*.bad", 1, false, 0},
  };
  TZEPHFileManagerKnownFormats* known = Manager->GetKnownFormats();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Flags);
    const Integer count = known->GetCount();
    IPtr<IInterface> format(static_cast<IZEPHExtensionFileFormat*>(Create<TFakeFormat>(c.List, c.Flags, c.Readable)));
    EXPECT_EQ(Core->RegisterExtension(IIDOf<IZEPHServiceFileFormats>(), format.get()), S_OK);
    ASSERT_EQ(known->GetCount(), count + (c.Mask ? 1 : 0));
    if (!c.Mask) continue;
    const String list = known->GetItem(count)->ExtList;
    EXPECT_EQ(list.back(), u';');
    EXPECT_EQ(list.front(), u'*');
    EXPECT_EQ(known->GetExtList(c.Mask), list);
    // Entries of plugins outlive the plugin's unregistration.
    EXPECT_EQ(Core->UnregisterServiceExtension(IIDOf<IZEPHServiceFileFormats>(), format.get()), S_OK);
    EXPECT_EQ(known->GetCount(), count + 1);
  }
  EXPECT_TRUE(known->IsSupported(u"/m/x.DMO", zfkmAudio));
  EXPECT_FALSE(known->IsSupported(u"/m/x.dmo", zfkmPlaylists));
}

TEST_F(FileManagerServices, FileSystemsAndExpandersRegisteredThroughTheCore) {
  IPtr<IInterface> fileSystem(static_cast<IZEPHExtensionFileSystem*>(Create<TDemoFileSystem>()));
  EXPECT_TRUE(Manager->IsForeignURL(u"demo://x"));
  EXPECT_EQ(Core->RegisterExtension(IIDOf<IZEPHServiceFileSystems>(), fileSystem.get()), S_OK);
  EXPECT_FALSE(Manager->IsForeignURL(u"demo://x"));
  void* obj = nullptr;
  ASSERT_EQ(
      Service<IZEPHServiceFileSystems>()->Get(Text(u"demo://x").get(), IIDOf<IZEPHFileSystemCommandFileInfo>(), &obj),
      S_OK);
  IPtr<IZEPHFileSystemCommandFileInfo>::Adopt(static_cast<IZEPHFileSystemCommandFileInfo*>(obj));
  EXPECT_EQ(Core->UnregisterExtension(fileSystem.get()), S_OK);
  EXPECT_TRUE(Manager->IsForeignURL(u"demo://x"));

  auto* expander = Create<TCountingExpander>();
  IPtr<IInterface> keep(static_cast<IZEPHExtensionFileExpander*>(expander));
  IPtr<IZEPHFileContainer> container;
  EXPECT_EQ(Core->RegisterExtension(IIDOf<IZEPHServiceFileManager>(), keep.get()), S_OK);
  EXPECT_FALSE(Manager->OpenContainer(File, container, false));
  EXPECT_EQ(expander->Calls, 1);
  EXPECT_EQ(Core->UnregisterServiceExtension(IIDOf<IZEPHServiceFileManager>(), keep.get()), S_OK);
  EXPECT_FALSE(Manager->OpenContainer(File, container, false));
  EXPECT_EQ(expander->Calls, 1);
}

TEST_F(FileManagerServices, PluginStreams) {
  IPtr<IZEPHServiceFileStreaming> streaming = Service<IZEPHServiceFileStreaming>();
  ASSERT_TRUE(streaming);
  char buffer[8] = {};
  IPtr<IZEPHStream> stream;
  ASSERT_EQ(streaming->CreateStreamForFile(Text(File).get(), 0, 1, 3, stream), S_OK);
  ASSERT_TRUE(stream);
  EXPECT_EQ(stream->GetSize(), 3);
  EXPECT_EQ(stream->Read(buffer, 8), 3);
  EXPECT_EQ(std::string(buffer, 3), "ell");
  Integer written = 0;
  EXPECT_LT(stream->Write("x", 1, &written), 0);

  IPtr<IZEPHVirtualFile> part;
  ASSERT_EQ(streaming->CreateStreamForFileURI(Text(File).get(), part, stream), S_OK);
  EXPECT_FALSE(part);
  EXPECT_EQ(stream->GetSize(), 5);

  EXPECT_LT(streaming->CreateStreamForFile(Text(File + u".missing").get(), 0, 0, -1, stream), 0);
  EXPECT_FALSE(stream);
}

TEST_F(FileManagerServices, PluginFileInfo) {
  IPtr<IZEPHServiceFileInfo> service = Service<IZEPHServiceFileInfo>();
  ASSERT_TRUE(service);
  IPtr<IZEPHVirtualFile> part;
  EXPECT_EQ(service->GetVirtualFile(Text(File).get(), 0, part), E_FAIL);

  IPtr<IZEPHFileInfo> info(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>()));
  TZBLCustomFileInfo* record = QueryIntf<IZEPHFileInfoInternal>(info.get())->GetRecord();
  const TZEPHTagReaderProc saved = TZEPHFileManager::GetTagReader();
  TZEPHFileManager::SetTagReader(ReadTitle);

  IPtr<IZEPHStream> memory(static_cast<IZEPHStream*>(Create<TZEPHMemoryStreamAdapter>()));
  memory->Write("Song", 4, nullptr);
  EXPECT_EQ(service->GetFileInfoFromStream(nullptr, 0, info.get()), E_INVALIDARG);
  EXPECT_EQ(service->GetFileInfoFromStream(memory.get(), 0, nullptr), E_INVALIDARG);
  EXPECT_EQ(service->GetFileInfoFromStream(memory.get(), 1, info.get()), S_OK);
  EXPECT_EQ(record->GetTitle(), u"Song");

  // Not in the cache, so the tag reader answers; then the cache alone knows it.
  EXPECT_EQ(service->GetFileInfoFromFileURI(Text(File).get(), 1, info.get()), S_OK);
  EXPECT_EQ(record->GetTitle(), u"hello");
  EXPECT_EQ(record->GetFileName(), File);
  TZEPHFileManager::SetTagReader(saved);
  EXPECT_EQ(Manager->GetFileInfo(File, record, zfiCache), S_OK);
  EXPECT_EQ(record->GetTitle(), u"hello");
  EXPECT_EQ(service->GetFileInfoFromFileURI(Text(File).get(), 0, nullptr), E_INVALIDARG);
}

TEST_F(FileManagerServices, PluginInfoReadersFromTheLastRegistered) {
  IPtr<IZEPHServiceFileInfo> service = Service<IZEPHServiceFileInfo>();
  ASSERT_TRUE(service);
  IPtr<IInterface> first(static_cast<IZEPHExtensionFileInfo*>(Create<TFakeInfoReader>(u".bin")));
  IPtr<IInterface> second(static_cast<IZEPHExtensionFileInfo*>(Create<TFakeInfoReader>(u"a.bin")));
  ASSERT_EQ(Core->RegisterExtension(IIDOf<IZEPHServiceFileManager>(), first.get()), S_OK);
  ASSERT_EQ(Core->RegisterExtension(IIDOf<IZEPHServiceFileManager>(), second.get()), S_OK);
  IPtr<IZEPHFileInfo> info(static_cast<IZEPHFileInfo*>(Create<TZEPHFileInfoAdapter>()));
  TZBLCustomFileInfo* record = QueryIntf<IZEPHFileInfoInternal>(info.get())->GetRecord();

  struct Case {
    String Name;
    Byte Sources;
    HRESULT Result;
    const char16_t* Title;
  } cases[] = {
      {File, zfiExtensions, S_OK, u"by a.bin"},                          // the last registered answers first
      {UTF8ToString(Dir) + u"/b.bin", zfiExtensions, S_OK, u"by .bin"},  // it declines, the first answers
      {UTF8ToString(Dir) + u"/c.dat", zfiExtensions, E_FAIL, u""},
      {File, zfiVirtualFile | zfiDecoders, E_FAIL, u""},  // without the bit the extensions are not asked
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(StringToUTF8(c.Name));
    EXPECT_EQ(Manager->GetFileInfo(c.Name, record, c.Sources), c.Result);
    EXPECT_EQ(record->GetTitle(), c.Title);
  }

  // From a stream the walk starts at the caller's position, for each reader again.
  IPtr<IZEPHStream> memory(static_cast<IZEPHStream*>(Create<TZEPHMemoryStreamAdapter>()));
  memory->Write("xy", 2, nullptr);
  memory->Seek(1, 0);
  EXPECT_EQ(service->GetFileInfoFromStream(memory.get(), 1, info.get()), S_OK);
  EXPECT_EQ(record->GetTitle(), u"ya.bin");
  EXPECT_EQ(Core->UnregisterExtension(first.get()), S_OK);
  EXPECT_EQ(Core->UnregisterExtension(second.get()), S_OK);
  EXPECT_EQ(Manager->GetFileInfo(File, record, zfiExtensions), E_FAIL);
}

TEST(FileManagerFinalization, CancelsRunningTasksBeforeFreeing) {
  std::atomic<bool> started{false}, sawManager{false}, ended{false};
  TaskDispatcher()->Run([&](const TZCLTaskCancelCallback& IsCanceled) {
    started = true;
    for (int i = 0; i < 5000 && !IsCanceled(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    // Still reachable: finalization waits for the task before freeing the file manager.
    sawManager = GetFileManager()->GetKnownFormats() != nullptr;
    ended = true;
  });
  while (!started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  detail::FileManagerFinalization();
  EXPECT_TRUE(ended);
  EXPECT_TRUE(sawManager);
  try {
    GetFileManager();
    ADD_FAILURE() << "no file manager expected";
  } catch (const Exception& E) {
    EXPECT_EQ(E.GetMessage(), u"File Manager is nil");
  }
  detail::FileManagerInitialization();
  EXPECT_NE(GetFileManager(), nullptr);
}
