#include "zeph/playlists/ZEPH.Playlists.Service.Adapters.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "rtl/RTL.Strings.h"
#include "zeph/core/ZEPH.Core.Objects.h"
#include "zeph/core/ZEPH.Core.PluginAPI.h"
#include "zeph/media/ZEPH.FileManager.Services.Adapters.h"
#include "zeph/playlists/ZEPH.Playlists.Controller.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Playlist.h"
#include "zeph/playlists/ZEPH.Playlists.Settings.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"

namespace {
class TPluginListener : public TInterfacedObject, public IZEPHPlaylistListener {
  RTL_INTERFACES(TInterfacedObject, IZEPHPlaylistListener)
 public:
  void Activated(IZEPHPlaylist*) override {}
  void Changed(IZEPHPlaylist*, Cardinal Flags) override { Flags_.push_back(Flags); }
  void Removed(IZEPHPlaylist*) override {}
  std::vector<Cardinal> Flags_;
};

struct PlaylistAdapters : ::testing::Test {
  void SetUp() override {
    PlaylistCommonSettings()->SetOption(zpoAllowUndo, false);
    PlaylistCommonSettings()->SetOption(zpoAutoScanPlaylists, false);
    Playlist = Controller.NewPlaylist(u"Adapters", true);
    TZEPHPlaylistSettings* settings = Playlist->GetSettings();
    settings->SetFlag(zpsfInheritGrouping, false);
    settings->SetGroupFormatLine(u"%Album");
    settings->SetFlag(zpsfGrouping, true);
    Playlist->BeginUpdate();
    for (const char16_t* name : {u"b", u"a", u"c"}) {
      TZEPHPlaylistItem* entry = Playlist->AddEntry(String(u"/m/") + name + u".mp3");
      entry->SetAlbum(String(name) == u"c" ? u"Two" : u"One");
      entry->SetValue(fitArtist, String(u"Artist ") + name);
    }
    Playlist->EndUpdate();
  }
  String Order() const {
    String r;
    for (Integer i = 0; i < Playlist->GetItems()->GetCount(); ++i)
      r += zcExtractFileName(Playlist->GetItems()->Get(i)->GetFileName());
    return r;
  }
  void TearDown() override {
    Controller.ClosePlaylist(Playlist, 2);
    PlaylistCommonSettings()->SetOption(zpoAutoScanPlaylists, true);
    PlaylistCommonSettings()->SetOption(zpoAllowUndo, true);
  }
  TZEPHPlaylistController Controller;
  TZEPHPlaylistStorage* Playlist = nullptr;
};
}  // namespace

TEST_F(PlaylistAdapters, PlaylistMethodsAndChangeFlags) {
  IPtr<IZEPHPlaylist> playlist = TZEPHPlaylistAdapters::GetPlaylistAdapter(Playlist);
  ASSERT_NE(playlist, nullptr);
  EXPECT_EQ(playlist->GetItemCount(), 3);
  EXPECT_EQ(playlist->SortBy(1), S_OK);
  const String byOne = Order();
  EXPECT_EQ(playlist->SortBy(5), S_OK);
  EXPECT_NE(Order(), byOne);
  EXPECT_EQ(playlist->SortBy(4), S_OK);
  EXPECT_EQ(Order(), byOne);
  EXPECT_EQ(playlist->SortBy(10), E_INVALIDARG);
  EXPECT_EQ(playlist->DeleteAt(3), E_INVALIDARG);

  // Flags map one by one; 0x0400 reaches plugins as 520, and flags outside the table send nothing.
  struct Case {
    Word Storage;
    Cardinal Plugin;
  } cases[] = {{0x0001, 1}, {0x0008, 32}, {0x0020, 8}, {0x0400, 520}, {0x8001, 32769}, {0, 0}};
  for (const Case& c : cases) EXPECT_EQ(TZEPHPlaylistStorageAdapter::MapChangeFlags(c.Storage), c.Plugin);
  IPtr<TPluginListener> listener(Create<TPluginListener>());
  EXPECT_EQ(playlist->AddListener(listener.get()), S_OK);
  Playlist->BeginUpdate();
  Playlist->Changed(0x0400);
  Playlist->EndUpdate();
  EXPECT_EQ(listener->Flags_, std::vector<Cardinal>{520});
  EXPECT_EQ(playlist->RemoveListener(listener.get()), S_OK);

  // Property 2 reads 1 for a read-only playlist; 50 is the focused entry's index.
  IPtr<IZEPHPlaylistProperties> properties;
  ASSERT_TRUE(Supports(playlist, properties));
  Integer value = 0;
  Playlist->SetReadOnly(true);
  EXPECT_EQ(properties->GetValueAsInt32(2, value), S_OK);
  EXPECT_EQ(value, 1);
  Playlist->SetReadOnly(false);
  EXPECT_EQ(properties->GetValueAsInt32(99, value), E_INVALIDARG);
  IPtr<IZEPHString> text;
  EXPECT_EQ(properties->GetCustomValue(IPtr<IZEPHString>(Create<TZEPHStringAdapter>(u"never")).get(), text), E_FAIL);
}

TEST_F(PlaylistAdapters, EntriesAndGroupsThroughTheirAdapters) {
  IPtr<IZEPHPlaylist> playlist = TZEPHPlaylistAdapters::GetPlaylistAdapter(Playlist);
  ASSERT_EQ(playlist->GetGroupCount(), 2);
  IPtr<IZEPHPlaylistGroup> group;
  ASSERT_EQ(playlist->GetGroup(0, IZEPHPlaylistGroup::IID, reinterpret_cast<void**>(&group)), S_OK);
  group = IPtr<IZEPHPlaylistGroup>::Adopt(group.detach());
  const Integer count = group->GetItemCount();
  EXPECT_EQ(count, 2);
  void* none = nullptr;
  EXPECT_EQ(group->GetItem(count, IZEPHPlaylistItem::IID, &none), E_INVALIDARG);

  TZEPHPlaylistItem* second = Playlist->GetItems()->Get(1);
  IPtr<IZEPHPlaylistItem> item = TZEPHPlaylistAdapters::GetItemAdapter(second);
  ASSERT_NE(item, nullptr);
  // The same adapter comes back for the same entry.
  EXPECT_EQ(TZEPHPlaylistAdapters::GetItemAdapter(second), item);
  void* raw = nullptr;
  ASSERT_EQ(item->GetValueAsObject(2, IZEPHFileInfoInternal::IID, &raw), S_OK);
  auto info = IPtr<IZEPHFileInfoInternal>::Adopt(static_cast<IZEPHFileInfoInternal*>(raw));
  EXPECT_EQ(info->GetIndex(), 2);
  EXPECT_EQ(info->GetTotal(), 3);
  Integer value = 0;
  EXPECT_EQ(item->GetValueAsInt32(5, value), S_OK);
  EXPECT_EQ(value, 1);
  EXPECT_EQ(item->GetValueAsInt32(99, value), E_INVALIDARG);
  EXPECT_EQ(item->SetValueAsInt32(7, 0), S_OK);
  EXPECT_FALSE(second->GetSwitch());

  // Off the main thread the call is refused; after the entry is gone the adapter answers E_HANDLE.
  HRESULT fromWorker = S_OK;
  std::thread([&] { fromWorker = item->GetValueAsInt32(5, value); }).join();
  EXPECT_EQ(fromWorker, E_ACCESSDENIED);
  Playlist->DeleteEntry(second, false);
  EXPECT_EQ(item->GetValueAsInt32(5, value), E_HANDLE);
}

TEST_F(PlaylistAdapters, QueueItemOffsetAndEntry) {
  IPtr<TZEPHPlaybackQueueItem> item(Create<TZEPHPlaybackQueueItem>());
  Double offset = 0;
  Single seconds = 0;
  EXPECT_EQ(item->GetValueAsFloat(2, offset), S_OK);
  EXPECT_EQ(offset, -1);
  EXPECT_EQ(item->SetValueAsFloat(2, 2.5), S_OK);
  EXPECT_EQ(item->GetValueAsFloat(2, offset), S_OK);
  EXPECT_EQ(offset, 2.5);
  EXPECT_EQ(item->GetOffset(seconds), S_OK);
  item->SetOffset(-1, S_OK);
  EXPECT_EQ(item->GetOffset(seconds), E_NOTIMPL);

  TZEPHPlaylistItem* entry = Playlist->GetItems()->Get(0);
  item->SetEntry(entry, Playlist);
  EXPECT_EQ(item->GetEntry(), entry);
  EXPECT_EQ(item->SetValueAsObject(1, IPtr<IZEPHString>(Create<TZEPHStringAdapter>(u"x")).get()), E_NOINTERFACE);
  EXPECT_EQ(item->GetEntry(), entry);
  // A freed entry reads as none.
  Playlist->DeleteEntry(entry, false);
  EXPECT_EQ(item->GetEntry(), nullptr);
}

TEST_F(PlaylistAdapters, PreimagesThroughTheirAdapters) {
  TZEPHPlaylistPreimageFactory* factory = nullptr;
  ASSERT_TRUE(TZEPHPlaylistPreimageRepository::FindFactory(u"TZEPHPlaylistBasedPreimage", factory));
  auto* based = static_cast<TZEPHPlaylistBasedPreimage*>(factory->CreatePreimage());
  based->SetURI(u"http://host/list.m3u");
  Playlist->SetPreimage(based);
  IPtr<IZEPHPlaylist> playlist = TZEPHPlaylistAdapters::GetPlaylistAdapter(Playlist);
  IPtr<IZEPHPlaylistProperties> properties;
  ASSERT_TRUE(Supports(playlist, properties));
  void* raw = nullptr;
  ASSERT_EQ(properties->GetValueAsObject(60, IZEPHPlaylistPreimage::IID, &raw), S_OK);
  auto preimage = IPtr<IZEPHPlaylistPreimage>::Adopt(static_cast<IZEPHPlaylistPreimage*>(raw));
  ASSERT_EQ(preimage->GetValueAsObject(100, IZEPHString::IID, &raw), S_OK);
  EXPECT_EQ(PluginStringText(IPtr<IZEPHString>::Adopt(static_cast<IZEPHString*>(raw)).get()), u"http://host/list.m3u");
  Integer value = 0;
  EXPECT_EQ(preimage->SetValueAsInt32(2, 1), S_OK);
  EXPECT_EQ(preimage->GetValueAsInt32(2, value), S_OK);
  EXPECT_EQ(value, 1);  // AutoSyncOnChanges, although an address is never watched
  // Reset leaves AutoSyncOnChanges as it was.
  EXPECT_EQ(preimage->Reset(), S_OK);
  EXPECT_EQ(based->GetURI(), u"");
  EXPECT_TRUE(based->GetAutoSyncOnChanges());
  EXPECT_EQ(preimage->GetValueAsInt32(3, value), S_OK);
  EXPECT_EQ(value, 1);

  // A folders preimage: its folders through the plugin interface, refused off the main thread.
  properties->SetValueAsObject(60, IPtr<IZEPHString>(Create<TZEPHStringAdapter>(u"/music")).get());
  ASSERT_EQ(properties->GetValueAsObject(60, IZEPHPlaylistPreimageFolders::IID, &raw), S_OK);
  auto folders = IPtr<IZEPHPlaylistPreimageFolders>::Adopt(static_cast<IZEPHPlaylistPreimageFolders*>(raw));
  EXPECT_EQ(folders->GetFolderCount(), 1);
  EXPECT_EQ(folders->DeleteFolder(5), E_UNEXPECTED);
  Integer fromWorker = 0;
  std::thread([&] { fromWorker = folders->GetFolderCount(); }).join();
  EXPECT_EQ(fromWorker, -1);
  // After the preimage is gone its adapter answers E_HANDLE.
  Playlist->SetPreimage(nullptr);
  EXPECT_EQ(folders->GetValueAsInt32(2, value), E_HANDLE);
}
