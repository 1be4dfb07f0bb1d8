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
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/media/ZEPH.FileManager.h"
#include "zeph/playlists/ZEPH.Playlists.Controller.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Folders.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Playlist.h"
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
