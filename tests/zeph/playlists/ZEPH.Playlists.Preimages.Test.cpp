#include "zeph/playlists/ZEPH.Playlists.Preimages.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "rtl/RTL.SyncObjs.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/playlists/ZEPH.Playlists.Controller.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Folders.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Playlist.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Plugins.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"
#include "support/LocalHttpServer.h"
#include "zeph/playlists/ZEPH.Playlists.Settings.h"

namespace {

TZEPHPlaylistFoldersPreimage* NewFolders() {
  TZEPHPlaylistPreimageFactory* factory = nullptr;
  EXPECT_TRUE(TZEPHPlaylistPreimageRepository::FindFactory(u"TZEPHPlaylistFoldersPreimage", factory));
  return static_cast<TZEPHPlaylistFoldersPreimage*>(factory->CreatePreimage());
}

std::string Xml(TZEPHPlaylistCustomPreimage* Preimage) {
  TBytesStream stream;
  Preimage->SaveToStream(&stream);
  return std::string(reinterpret_cast<const char*>(stream.GetBytes().data()), static_cast<size_t>(stream.GetSize()));
}

struct FolderPlaylist : ::testing::Test {
  void SetUp() override {
    char pattern[] = "/tmp/zeph-preimage-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    Folder = pattern;
    Mp3 = GetFileManager()->GetKnownFormats()->Register(u"MP3 test", u"*.mp3;", 0);
    PlaylistCommonSettings()->SetOption(zpoAllowUndo, false);
    PlaylistCommonSettings()->SetOption(zpoAutoScanPlaylists, false);
    Playlist = Controller.NewPlaylist(u"Folder", true);
  }
  void TearDown() override {
    Controller.ClosePlaylist(Playlist, 2);
    GetFileManager()->GetKnownFormats()->Unregister(Mp3);
    PlaylistCommonSettings()->SetOption(zpoAutoScanPlaylists, true);
    PlaylistCommonSettings()->SetOption(zpoAllowUndo, true);
    std::filesystem::remove_all(Folder);
  }
  void Write(const std::string& Name) const {
    std::filesystem::create_directories(std::filesystem::path(Folder + "/" + Name).parent_path());
    std::ofstream(Folder + "/" + Name) << "x";
  }
  // Serves main-thread calls; with Step the manual clock runs on so that the watcher's timer fires.
  template <class F>
  static void ServeUntil(F&& Done, int Slices = 1000, UInt64 Step = 0) {
    TEvent never;
    for (int i = 0; i < Slices && !Done(); ++i) {
      Headless::RunUntilIdle();
      if (Step) Headless::Advance(Step);
      WaitForMainThreadServing({&never}, false, 5);
    }
  }
  String Names() const {
    String r;
    for (Integer i = 0; i < Playlist->GetItems()->GetCount(); ++i)
      r += zcExtractFileName(Playlist->GetItems()->Get(i)->GetFileName()) + u" ";
    return r;
  }
  std::string Folder;
  TZEPHFileManagerKnownFormatInfo* Mp3 = nullptr;
  TZEPHPlaylistController Controller;
  TZEPHPlaylistStorage* Playlist = nullptr;
};

}  // namespace

TEST(PlaylistPreimages, FoldersXmlRoundTripsAndEqualityFollowsTheSettings) {
  std::unique_ptr<TZEPHPlaylistFoldersPreimage> a(NewFolders());
  a->GetPaths()->Add(u"/music/rock", true);
  a->GetPaths()->Add(u"/music/jazz", false);
  a->SetIgnoredExts(u"*.CUE;*.M3U;");
  a->SetAutoSyncOnStartup(true);
  a->SetSortingTemplate(u"%Artist");
  const std::string xml = Xml(a.get());
  for (const char* part : {"<preimage", "class=\"TZEPHPlaylistFoldersPreimage\"", "SortingTemplate=\"%Artist\"",
                           "<paths", "ignoredExts=\"*.CUE;*.M3U;\"", "autoSyncOnChanges=\"0\"",
                           "autoSyncOnStartup=\"1\"", "recursive=\"1\"", "/music/rock/"})
    EXPECT_NE(xml.find(part), std::string::npos) << part << "\n" << xml;

  std::unique_ptr<TZEPHPlaylistFoldersPreimage> b(NewFolders());
  TBytesStream stream(TBytes(xml.begin(), xml.end()));
  b->LoadFromStream(&stream);
  EXPECT_EQ(b->GetPaths()->GetCount(), 2);
  EXPECT_FALSE(b->GetPaths()->GetRecursive(1));
  EXPECT_EQ(b->GetIgnoredExts(), u"*.CUE;*.M3U;");
  EXPECT_TRUE(b->GetAutoSyncOnStartup());
  EXPECT_TRUE(a->Equals(b.get()));
  b->SetSortingTemplate(u"%Title");
  EXPECT_FALSE(a->Equals(b.get()));
  std::unique_ptr<TZEPHPlaylistCustomPreimage> copy(a->Clone());
  EXPECT_TRUE(a->Equals(copy.get()));

  // An unknown class gives no preimage and no error.
  TZCLXMLDocument document;
  document.Add(u"preimage")->GetAttributes()->AddString(u"class", u"TSomethingElse");
  EXPECT_EQ(TZEPHPlaylistPreimageRepository::CreatePreimage(nullptr, &document, nullptr), nullptr);
  TZCLXMLDocument none;
  EXPECT_EQ(TZEPHPlaylistPreimageRepository::CreatePreimage(nullptr, &none, nullptr), nullptr);
}

TEST_F(FolderPlaylist, SynchronisesFromTheFoldersAndSurvivesSaving) {
  Write("music/b.mp3");
  Write("music/a.mp3");
  Write("music/sub/c.mp3");
  Write("music/notes.txt");
  TZEPHPlaylistFoldersPreimage* preimage = NewFolders();
  preimage->GetPaths()->Add(UTF8ToString(Folder + "/music"), true);
  Playlist->SetPreimage(preimage);
  ServeUntil([&] { return !preimage->IsBusy(); });
  EXPECT_EQ(Names(), u"a.mp3 b.mp3 c.mp3 ");
  EXPECT_EQ(Playlist->GetPreimageFolder(), UTF8ToString(Folder + "/music/"));

  // The playlist file keeps the preimage; a file without a known class loads none.
  Controller.SetStoragePath(UTF8ToString(Folder + "/lists"));
  std::filesystem::create_directories(Folder + "/lists");
  Playlist->SetModified(true);
  Playlist->Save();
  TZEPHPlaylistStorage* reopened = Controller.OpenPlaylist(Playlist->GetFileName(), false);
  auto* loaded = dynamic_cast<TZEPHPlaylistFoldersPreimage*>(reopened->GetPreimage());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetPaths()->GetPath(0), UTF8ToString(Folder + "/music/"));
  EXPECT_EQ(reopened->GetItems()->GetCount(), 3);
  Controller.ClosePlaylist(reopened, 2);
}

TEST_F(FolderPlaylist, FreeingThePreimageDuringARunKeepsTheContent) {
  for (int i = 0; i < 300; ++i) Write("many/" + std::to_string(i) + ".mp3");
  Playlist->AddEntry(u"/kept.mp3");
  TZEPHPlaylistFoldersPreimage* preimage = NewFolders();
  preimage->GetPaths()->Add(UTF8ToString(Folder + "/many"), true);
  Playlist->SetPreimage(preimage);
  Playlist->SetPreimage(nullptr);  // waits for the running task
  EXPECT_EQ(Names(), u"kept.mp3 ");
  Playlist->SetPreimageFolder(UTF8ToString(Folder + "/many"));
  ASSERT_NE(dynamic_cast<TZEPHPlaylistFoldersPreimage*>(Playlist->GetPreimage()), nullptr);
  Playlist->SetPreimageFolder(String());
  EXPECT_EQ(Playlist->GetPreimage(), nullptr);

  TZEPHPlaylistFoldersPreimage* broken = NewFolders();
  broken->GetPaths()->Add(UTF8ToString(Folder + "/missing"), true);
  Playlist->SetPreimage(broken);
  ServeUntil([&] { return !broken->IsBusy(); });
  EXPECT_EQ(Playlist->GetItems()->GetCount(), 0);  // a folder that does not exist holds no files
}

TEST_F(FolderPlaylist, AWatchedFolderResynchronisesOnANewFile) {
  Write("watched/a.mp3");
  TZEPHPlaylistFoldersPreimage* preimage = NewFolders();
  preimage->GetPaths()->Add(UTF8ToString(Folder + "/watched"), true);
  preimage->SetAutoSyncOnChanges(true);
  Playlist->SetPreimage(preimage);
  EXPECT_TRUE(preimage->IsAutoSync());
  EXPECT_FALSE(Playlist->CanEdit());
  ServeUntil([&] { return Playlist->GetItems()->GetCount() == 1 && !preimage->IsBusy(); });
  ASSERT_EQ(Playlist->GetItems()->GetCount(), 1);
  Write("watched/b.mp3");
  ServeUntil([&] { return Playlist->GetItems()->GetCount() == 2; }, 1000, 100);
  EXPECT_EQ(Names(), u"a.mp3 b.mp3 ");
}

namespace {
TZEPHPlaylistBasedPreimage* NewPlaylistBased(const std::string& URI) {
  TZEPHPlaylistPreimageFactory* factory = nullptr;
  EXPECT_TRUE(TZEPHPlaylistPreimageRepository::FindFactory(u"TZEPHPlaylistBasedPreimage", factory));
  auto* preimage = static_cast<TZEPHPlaylistBasedPreimage*>(factory->CreatePreimage());
  preimage->SetURI(UTF8ToString(URI));
  return preimage;
}
}  // namespace

TEST_F(FolderPlaylist, APlaylistFileIsMirroredInItsOwnOrder) {
  Write("src/a.mp3");
  Write("src/b.mp3");
  std::ofstream(Folder + "/src/list.m3u") << "#EXTM3U\n#EXTINF:7,Bee\nb.mp3\na.mp3\n";
  TZEPHPlaylistBasedPreimage* preimage = NewPlaylistBased(Folder + "/src/list.m3u");
  Playlist->SetPreimage(preimage);
  ServeUntil([&] { return Playlist->GetItems()->GetCount() == 2 && !preimage->IsBusy(); });
  EXPECT_EQ(Names(), u"b.mp3 a.mp3 ");
  EXPECT_EQ(Playlist->GetItems()->Get(0)->GetTitle(), u"Bee");

  // Stored with the playlist and read back; without "URI" it is empty and never synchronises.
  const std::string xml = Xml(preimage);
  EXPECT_NE(xml.find("<URI>"), std::string::npos) << xml;
  std::unique_ptr<TZEPHPlaylistCustomPreimage> copy(preimage->Clone());
  EXPECT_TRUE(copy->IsEqual(preimage));
  TZCLXMLDocument document;
  document.Add(u"root")->Add(u"preimage")->GetAttributes()->AddString(u"class", u"TZEPHPlaylistBasedPreimage");
  std::unique_ptr<TZEPHPlaylistCustomPreimage> bare(
      TZEPHPlaylistPreimageRepository::CreatePreimage(nullptr, document.GetNode(0), nullptr));
  ASSERT_NE(bare, nullptr);
  EXPECT_TRUE(bare->IsEmpty());
}

TEST_F(FolderPlaylist, AnAddressIsDownloadedAndAFailedDownloadChangesNothing) {
  std::atomic<int> status{200};
  TLocalHttpServer server([&](const THttpTestRequest&) {
    THttpTestResponse r;
    r.Status = status;
    if (r.Status != 200) r.Reason = "Not Found";
    r.Body = r.Status == 200 ? "#EXTM3U\r\nsong.mp3\r\nhttp://other/x.mp3\r\n" : "missing";
    return r;
  });
  const std::string address = server.Url("/lists/radio.m3u");
  TZEPHPlaylistBasedPreimage* preimage = NewPlaylistBased(address);
  preimage->SetAutoSyncOnChanges(true);
  // Addresses are never watched.
  EXPECT_FALSE(preimage->IsAutoSync());
  Playlist->SetPreimage(preimage);
  ServeUntil([&] { return Playlist->GetItems()->GetCount() == 2 && !preimage->IsBusy(); });
  ASSERT_EQ(Playlist->GetItems()->GetCount(), 2);
  EXPECT_EQ(Playlist->GetItems()->Get(0)->GetFileName(), UTF8ToString(server.Url("/lists/song.mp3")));

  status = 404;
  Playlist->SynchronizePreimage();
  ServeUntil([&] { return !preimage->IsBusy() && server.Requests().size() == 2; });
  ServeUntil([&] { return !preimage->IsBusy(); });
  EXPECT_EQ(Playlist->GetItems()->GetCount(), 2);
}

namespace {
// A plugin's preimage as the plugin interface sees it.
class TTestPluginPreimage : public TInterfacedObject,
                            public IZEPHPlaylistPreimage,
                            public IZEPHPlaylistPreimageFilesSource {
  RTL_INTERFACES(TInterfacedObject, IZEPHPlaylistPreimage, IZEPHPlaylistPreimageFilesSource)
 public:
  void BeginUpdate() override {}
  void EndUpdate() override {}
  HRESULT Reset() override { return S_OK; }
  HRESULT GetValueAsFloat(Integer, Double&) override { return E_NOTIMPL; }
  HRESULT GetValueAsInt32(Integer ID, Integer& Value) override {
    Value = ID == 2 ? AutoSync : ID == 3 ? 1 : 0;
    return ID == 2 || ID == 3 ? S_OK : E_INVALIDARG;
  }
  HRESULT GetValueAsInt64(Integer, Int64&) override { return E_NOTIMPL; }
  HRESULT GetValueAsObject(Integer ID, const TGUID& IID, void** Value) override {
    if (ID != 1 && ID != 4) return E_INVALIDARG;
    IPtr<IZEPHString> text(Create<TZEPHStringAdapter>(ID == 1 ? FactoryID : String(u"%Title")));
    return text->QueryInterface(IID, Value);
  }
  HRESULT SetValueAsFloat(Integer, Double) override { return E_NOTIMPL; }
  HRESULT SetValueAsInt32(Integer, Integer) override { return E_NOTIMPL; }
  HRESULT SetValueAsInt64(Integer, Int64) override { return E_NOTIMPL; }
  HRESULT SetValueAsObject(Integer, IInterface*) override { return E_NOTIMPL; }

  HRESULT Done() override {
    ++DoneCalls;
    return S_OK;
  }
  HRESULT Attach(IZEPHPlaylistPreimageListener* AListener) override {
    Listener = AListener;
    return S_OK;
  }
  HRESULT LoadConfig(IZEPHStream* Stream) override {
    Config.assign(static_cast<size_t>(Stream->GetSize() - Stream->GetPosition()), 0);
    if (!Config.empty()) Stream->Read(Config.data(), static_cast<Integer>(Config.size()));
    ++Loads;
    return S_OK;
  }
  HRESULT SaveConfig(IZEPHStream* Stream) override {
    return Config.empty() ? S_OK : Stream->Write(Config.data(), static_cast<Integer>(Config.size()), nullptr);
  }
  HRESULT ShowDialog(void*) override { return E_FAIL; }
  HRESULT ListFiles(IZEPHTaskOwner*, Cardinal& AFlags, IPtr<IZEPHObjectList>& List) override {
    AFlags = Flags;
    IPtr<TZEPHObjectListAdapter> list(Create<TZEPHObjectListAdapter>());
    for (const String& name : Names) list->Add(IPtr<IZEPHString>(Create<TZEPHStringAdapter>(name)).get());
    List = list;
    return S_OK;
  }

  String FactoryID = u"test.plugin";
  Integer AutoSync = 0;
  Cardinal Flags = 0;
  std::vector<String> Names;
  std::vector<Byte> Config;
  int DoneCalls = 0, Loads = 0;
  IZEPHPlaylistPreimageListener* Listener = nullptr;
};

class TTestPluginFactory : public TZEPHPlaylistPreimageFactory {
 public:
  TZEPHPlaylistCustomPreimage* CreatePreimage() override {
    return new TZEPHPlaylistPluginBasedPreimage(Create<TTestPluginPreimage>());
  }
  String GetID() override { return u"test.plugin"; }
  String GetName() override { return u"Test"; }
};

struct PluginPlaylist : FolderPlaylist {
  void SetUp() override {
    FolderPlaylist::SetUp();
    Factory = new TTestPluginFactory();
    TZEPHPlaylistPreimageRepository::Register(Factory);
  }
  void TearDown() override {
    FolderPlaylist::TearDown();
    TZEPHPlaylistPreimageRepository::Unregister(Factory);
  }
  TZEPHPlaylistPreimageFactory* Factory = nullptr;
};

TTestPluginPreimage* PluginOf(TZEPHPlaylistCustomPreimage* Preimage) {
  return dynamic_cast<TTestPluginPreimage*>(
      static_cast<TZEPHPlaylistPluginBasedPreimage*>(Preimage)->GetPlugin());
}
}  // namespace

TEST_F(PluginPlaylist, ThePluginsSettingsAreStoredAsHexadecimalText) {
  IPtr<TTestPluginPreimage> plugin(Create<TTestPluginPreimage>());
  plugin->Config = {0x0A, 0xFF, 0x00};
  std::unique_ptr<TZEPHPlaylistPluginBasedPreimage> preimage(new TZEPHPlaylistPluginBasedPreimage(plugin.get()));
  EXPECT_EQ(plugin->Listener, static_cast<IZEPHPlaylistPreimageListener*>(preimage.get()));
  EXPECT_TRUE(preimage->HasDialog());
  EXPECT_FALSE(preimage->ExecuteDialog(nullptr));  // a failing dialog counts as cancelled
  const std::string xml = Xml(preimage.get());
  EXPECT_NE(xml.find(">0aff00</preimage>"), std::string::npos) << xml;
  EXPECT_EQ(xml.find("SortingTemplate"), std::string::npos) << xml;

  // A copy of the same factory takes the settings through the plugin's own save and load.
  std::unique_ptr<TZEPHPlaylistCustomPreimage> copy(preimage->Clone());
  EXPECT_EQ(PluginOf(copy.get())->Config, plugin->Config);

  // Odd digits give the plugin an empty stream.
  TZCLXMLDocument document;
  TZCLXMLNode* node = document.Add(u"root")->Add(u"preimage");
  node->GetAttributes()->AddString(u"class", u"test.plugin");
  node->SetNodeValue(u"0af");
  preimage->LoadFromXML(document.GetNode(0), nullptr);
  EXPECT_TRUE(plugin->Config.empty());

  preimage.reset();
  EXPECT_EQ(plugin->DoneCalls, 1);

  IPtr<TTestPluginPreimage> stranger(Create<TTestPluginPreimage>());
  stranger->FactoryID = u"nobody";
  try {
    TZEPHPlaylistPluginBasedPreimage never(stranger.get());
    ADD_FAILURE() << "made without a factory";
  } catch (const Exception& E) {
    EXPECT_EQ(E.GetMessage(), u"Factory with \"nobody\" ID was not found");
  }
}

TEST_F(PluginPlaylist, ListedFilesAndFoldersFillThePlaylist) {
  Write("plugin/a.mp3");
  Write("plugin/sub/b.mp3");
  Write("plugin/c.txt");
  IPtr<TTestPluginPreimage> plugin(Create<TTestPluginPreimage>());
  plugin->Names = {UTF8ToString(Folder + "/plugin")};
  auto* preimage = new TZEPHPlaylistPluginBasedPreimage(plugin.get());
  Playlist->SetPreimage(preimage);
  Playlist->SynchronizePreimage();
  ServeUntil([&] { return Playlist->GetItems()->GetCount() == 2 && !preimage->IsBusy(); });
  EXPECT_EQ(Names(), u"a.mp3 b.mp3 ");
  EXPECT_EQ(preimage->GetSortingTemplate(), u"%Title");

  // Flags bit 3 with plugin strings: none of them is file information, so nothing is gathered.
  plugin->Flags = zppfFileInfos;
  preimage->Invalidate();
  ServeUntil([&] { return Playlist->GetItems()->GetCount() == 0 && !preimage->IsBusy(); });
  EXPECT_EQ(Playlist->GetItems()->GetCount(), 0);

  // The plugin goes with its factory: the preimage is empty from then on.
  TZEPHPlaylistPreimageRepository::Unregister(Factory);
  EXPECT_TRUE(preimage->IsEmpty());
  EXPECT_EQ(preimage->GetPlugin(), nullptr);
}

TEST_F(FolderPlaylist, AnXspfFileStandsInForThePlaylistsOwnFormat) {
  Write("music/a.mp3");
  Write("music/sub/b.mp3");
  TZEPHPlaylistFoldersPreimage* preimage = NewFolders();
  preimage->GetPaths()->Add(UTF8ToString(Folder + "/music"), true);
  Playlist->SetPreimage(preimage);
  ServeUntil([&] { return Playlist->GetItems()->GetCount() == 2 && !preimage->IsBusy(); });
  Playlist->SetName(u"Exported");
  std::filesystem::create_directories(Folder + "/lists");
  const String file = UTF8ToString(Folder + "/lists/exported.xspf");
  Playlist->SaveTo(file, false);
  std::ifstream in(StringToUTF8(file), std::ios::binary);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // Names relative to the playlist's folder, and the folder itself as the base.
  EXPECT_NE(text.find("<location>../music/a.mp3</location>"), std::string::npos) << text;
  EXPECT_NE(text.find("xml:base=\"file://" + Folder + "/lists/\""), std::string::npos);

  TZEPHPlaylistStorage* reopened = Controller.OpenPlaylist(file, false);
  ASSERT_NE(reopened, nullptr);
  ASSERT_TRUE(reopened->EnsureLoaded());
  EXPECT_EQ(reopened->GetName(), u"Exported");
  ASSERT_EQ(reopened->GetItems()->GetCount(), 2);
  EXPECT_EQ(reopened->GetItems()->Get(0)->GetFileName(), UTF8ToString(Folder + "/music/a.mp3"));
  auto* loaded = dynamic_cast<TZEPHPlaylistFoldersPreimage*>(reopened->GetPreimage());
  ASSERT_NE(loaded, nullptr);
  EXPECT_EQ(loaded->GetPaths()->GetPath(0), UTF8ToString(Folder + "/music/"));
  Controller.ClosePlaylist(reopened, 2);
}

namespace {
// A kind whose gathering finds one file and then, when told to, fails.
class TFailingPreimage : public TZEPHPlaylistCustomPreimage {
 public:
  using TZEPHPlaylistCustomPreimage::TZEPHPlaylistCustomPreimage;
  bool IsEmpty() override { return false; }
  TZEPHPlaylistCustomPreimageTask* CreateTask() override { return new TTask(this); }
  std::atomic<bool> Fail{false};

 private:
  class TTask : public TZEPHPlaylistCustomPreimageTask {
   public:
    using TZEPHPlaylistCustomPreimageTask::TZEPHPlaylistCustomPreimageTask;

   protected:
    void Gather() override {
      FFiles->Add(u"/gathered.mp3");
      if (static_cast<TFailingPreimage*>(FPreimage)->Fail) throw Exception(u"source unreadable");
    }
  };
};
}  // namespace

TEST_F(FolderPlaylist, AFailedGatheringLeavesThePlaylistAsItWas) {
  auto* preimage = new TFailingPreimage(nullptr);
  Playlist->SetPreimage(preimage);
  ServeUntil([&] { return !preimage->IsBusy(); });
  EXPECT_EQ(Names(), u"gathered.mp3 ");

  preimage->Fail = true;
  Playlist->SynchronizePreimage();
  ServeUntil([&] { return !preimage->IsBusy(); });
  EXPECT_EQ(Names(), u"gathered.mp3 ");
  EXPECT_EQ(preimage->GetUpdateCount(), 0);
  // The next good run is taken again.
  preimage->Fail = false;
  Playlist->AddEntry(u"/extra.mp3");
  Playlist->SynchronizePreimage();
  ServeUntil([&] { return !preimage->IsBusy(); });
  EXPECT_EQ(Names(), u"gathered.mp3 ");
}

TEST_F(FolderPlaylist, TheRootFolderStaysTheRootAcrossSavingAndScanning) {
  TZEPHPlaylistFoldersPreimage* preimage = NewFolders();
  preimage->GetPaths()->Add(u"/", false);
  EXPECT_EQ(preimage->GetPaths()->GetPath(0), u"/");
  const std::string xml = Xml(preimage);
  EXPECT_NE(xml.find(">/</path>"), std::string::npos) << xml;
  Playlist->SetPreimage(preimage);
  ServeUntil([&] { return !preimage->IsBusy(); });  // a flat scan of the root ends

  // Written relative to the playlist file and resolved back.
  Controller.SetStoragePath(UTF8ToString(Folder + "/lists"));
  std::filesystem::create_directories(Folder + "/lists");
  Playlist->SetModified(true);
  Playlist->Save();
  TZEPHPlaylistStorage* reopened = Controller.OpenPlaylist(Playlist->GetFileName(), false);
  auto* loaded = dynamic_cast<TZEPHPlaylistFoldersPreimage*>(reopened->GetPreimage());
  ASSERT_NE(loaded, nullptr);
  ASSERT_EQ(loaded->GetPaths()->GetCount(), 1);
  EXPECT_EQ(loaded->GetPaths()->GetPath(0), u"/");
  EXPECT_FALSE(loaded->GetPaths()->GetRecursive(0));
  Controller.ClosePlaylist(reopened, 2);
}
