#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Folders.Dialog.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Folders.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Playlist.Dialog.h"
#include "zeph/playlists/ZEPH.Playlists.Preimages.Playlist.h"
#include "zeph/playlists/ZEPH.UI.SearchPathList.h"

namespace {

struct TFree {
  void operator()(TObject* Obj) const { Free(Obj); }
};
template <class T>
using TOwned = std::unique_ptr<T, TFree>;

template <class T>
std::unique_ptr<T> NewPreimage(const char16_t* ID) {
  TZEPHPlaylistPreimageFactory* factory = nullptr;
  EXPECT_TRUE(TZEPHPlaylistPreimageRepository::FindFactory(ID, factory));
  return std::unique_ptr<T>(static_cast<T*>(factory->CreatePreimage()));
}

std::string Xml(TZEPHPlaylistCustomPreimage* Preimage) {
  TBytesStream stream;
  Preimage->SaveToStream(&stream);
  return std::string(reinterpret_cast<const char*>(stream.GetBytes().data()), static_cast<size_t>(stream.GetSize()));
}

// Runs Script once on the modal dialog of class T at the first idle moment of its loop, as a
// user would act on the shown form.
template <class T>
struct TModalDriver {
  explicit TModalDriver(std::function<void(T*)> AScript) : Script(std::move(AScript)) {
    Application->OnIdle = TIdleEvent(
        this, +[](TModalDriver* D, TObject*, bool& Done) {
          Done = false;
          if (D->Ran) return;
          for (Integer i = 0; i < Screen->GetCustomFormCount(); ++i)
            if (T* form = dynamic_cast<T*>(Screen->GetCustomForms(i)); form && form->GetVisible()) {
              D->Ran = true;
              D->Script(form);
              return;
            }
        });
  }
  ~TModalDriver() { Application->OnIdle = nullptr; }
  std::function<void(T*)> Script;
  bool Ran = false;
};

struct FoldersDialog : ::testing::Test {
  void SetUp() override {
    Preimage = NewPreimage<TZEPHPlaylistFoldersPreimage>(u"TZEPHPlaylistFoldersPreimage");
    Preimage->GetPaths()->Add(u"/music/a", true);
    Preimage->SetIgnoredExts(u"*.WAV;");
    Preimage->SetSortingTemplate(u"%Artist");
  }
  // The user's edits: a second folder, the first one flat, both options on, other exclusions,
  // sorting off.
  static void Edit(TZEPHPlaylistFoldersPreimageDialog* D) {
    EXPECT_EQ(D->tlPaths->GetCount(), 1);
    EXPECT_EQ(D->edSortTemplate->GetText(), u"%Artist");
    EXPECT_TRUE(D->cbSortTemplate->GetChecked());
    D->tlPaths->AddPath(u"/music/b/", false);
    D->tlPaths->ToggleRecursive(0);
    D->cbSyncOnChanges->Click();
    D->cbSyncOnStartup->Click();
    D->edIgnoredExts->SetText(u"*.OGG;");
    D->cbSortTemplate->Click();
    EXPECT_FALSE(D->edSortTemplate->GetEnabled());
  }
  std::unique_ptr<TZEPHPlaylistFoldersPreimage> Preimage;
};

TEST_F(FoldersDialog, ConfirmedEditsReachThePreimage) {
  TModalDriver<TZEPHPlaylistFoldersPreimageDialog> driver([](TZEPHPlaylistFoldersPreimageDialog* D) {
    Edit(D);
    D->btnOk->Click();
  });
  EXPECT_TRUE(Preimage->ExecuteDialog(nullptr));
  EXPECT_TRUE(driver.Ran);
  TZCLSearchPaths* paths = Preimage->GetPaths();
  ASSERT_EQ(paths->GetCount(), 2);
  EXPECT_EQ(paths->GetPath(0), u"/music/a/");
  EXPECT_FALSE(paths->GetRecursive(0));
  EXPECT_EQ(paths->GetPath(1), u"/music/b/");
  EXPECT_FALSE(paths->GetRecursive(1));
  EXPECT_TRUE(Preimage->GetAutoSyncOnChanges());
  EXPECT_TRUE(Preimage->GetAutoSyncOnStartup());
  EXPECT_EQ(Preimage->GetIgnoredExts(), u"*.OGG;");
  EXPECT_EQ(Preimage->GetSortingTemplate(), u"");
}

TEST_F(FoldersDialog, EscapeAfterEditingChangesNothing) {
  const std::string before = Xml(Preimage.get());
  TModalDriver<TZEPHPlaylistFoldersPreimageDialog> driver([](TZEPHPlaylistFoldersPreimageDialog* D) {
    Edit(D);
    Headless::KeyPress(VK_ESCAPE);
  });
  EXPECT_FALSE(Preimage->ExecuteDialog(nullptr));
  EXPECT_TRUE(driver.Ran);
  EXPECT_EQ(Xml(Preimage.get()), before);
}

TEST_F(FoldersDialog, OkNeedsAFolderAndEnterDoesNothingWhileItIsOff) {
  Preimage->GetPaths()->Clear();
  std::vector<bool> enabled;
  TModalDriver<TZEPHPlaylistFoldersPreimageDialog> driver([&](TZEPHPlaylistFoldersPreimageDialog* D) {
    enabled.push_back(D->btnOk->GetEnabled());
    Headless::KeyPress(VK_RETURN);  // the disabled default button ignores it
    Headless::RunUntilIdle();
    enabled.push_back(D->GetModalResult() == mrNone);
    D->tlPaths->AddPath(u"/music/c/", true);
    enabled.push_back(D->btnOk->GetEnabled());
    D->tlPaths->DeleteAll();
    enabled.push_back(D->btnOk->GetEnabled());
    D->btnCancel->Click();
  });
  EXPECT_FALSE(Preimage->ExecuteDialog(nullptr));
  EXPECT_EQ(enabled, (std::vector<bool>{false, true, true, false}));
  EXPECT_EQ(Preimage->GetPaths()->GetCount(), 0);
}

TEST(SearchPathList, KeepsEachFolderOnceAndReportsChanges) {
  TOwned<TZEPHSearchPathList> list(Create<TZEPHSearchPathList>(nullptr));
  Integer modified = 0;
  list->OnModified = TNotifyEvent(&modified, +[](Integer* M, TObject*) { ++*M; });
  list->AddPath(u"/m/a/", true);
  list->AddPath(u"/m/a/", false);  // already listed
  list->AddPath(u"/m/b/", false);
  list->DropFiles({u"/proc", u"/no/such/folder", u"/m/a/"});
  ASSERT_EQ(list->GetCount(), 3);
  EXPECT_TRUE(list->GetRecursive(0));
  EXPECT_EQ(list->GetPath(2), u"/proc");
  EXPECT_TRUE(list->GetRecursive(2));
  EXPECT_EQ(modified, 3);
  list->SetSelected(0, true);
  list->SetSelected(2, true);
  list->DeleteSelected();
  ASSERT_EQ(list->GetCount(), 1);
  EXPECT_EQ(list->GetPath(0), u"/m/b/");
  EXPECT_EQ(modified, 4);
}

struct PlaylistDialog : ::testing::Test {
  void SetUp() override {
    Preimage = NewPreimage<TZEPHPlaylistBasedPreimage>(u"TZEPHPlaylistBasedPreimage");
    Preimage->SetURI(u"/music/list.m3u");
  }
  std::unique_ptr<TZEPHPlaylistBasedPreimage> Preimage;
};

TEST_F(PlaylistDialog, TheSourceDecidesWhatMayBeConfirmedAndWatched) {
  struct TCase {
    const char16_t* Text;
    bool CanConfirm, CanWatch;
  };
  const TCase cases[] = {
      {u"", false, true},
      {u"http://example.org/list.m3u", true, false},
      {u"/music/other.pls", true, true},
  };
  TOwned<TZEPHPlaylistPreimageDialog> dialog(TCustomForm::CreateNew<TZEPHPlaylistPreimageDialog>(nullptr));
  dialog->LoadFrom(Preimage.get());
  EXPECT_EQ(dialog->edFileURI->GetText(), u"/music/list.m3u");
  for (const TCase& c : cases) {
    SCOPED_TRACE(&c - cases);
    dialog->edFileURI->SetText(c.Text);
    EXPECT_EQ(dialog->B1->GetEnabled(), c.CanConfirm);
    EXPECT_EQ(dialog->CB2->GetEnabled(), c.CanWatch);
  }
}

TEST_F(PlaylistDialog, ConfirmedEditsReachThePreimageAndCancelKeepsThem) {
  for (const bool confirm : {false, true}) {
    SCOPED_TRACE(confirm);
    const std::string before = Xml(Preimage.get());
    TModalDriver<TZEPHPlaylistPreimageDialog> driver([confirm](TZEPHPlaylistPreimageDialog* D) {
      D->edFileURI->SetText(u"/music/other.m3u");
      D->CB1->Click();
      D->CB2->Click();
      D->cbSortTemplate->Click();
      D->edSortTemplate->SetText(u"%Title");
      if (confirm)
        D->B1->Click();
      else
        Headless::KeyPress(VK_ESCAPE);
    });
    EXPECT_EQ(Preimage->ExecuteDialog(nullptr), confirm);
    EXPECT_TRUE(driver.Ran);
    if (!confirm) {
      EXPECT_EQ(Xml(Preimage.get()), before);
      continue;
    }
    EXPECT_EQ(Preimage->GetURI(), u"/music/other.m3u");
    EXPECT_TRUE(Preimage->GetAutoSyncOnStartup());
    EXPECT_TRUE(Preimage->GetAutoSyncOnChanges());
    EXPECT_EQ(Preimage->GetSortingTemplate(), u"%Title");
  }
}

TEST_F(PlaylistDialog, OnlyADroppedPlaylistFileIsTaken) {
  TOwned<TZEPHPlaylistPreimageDialog> dialog(TCustomForm::CreateNew<TZEPHPlaylistPreimageDialog>(nullptr));
  dialog->LoadFrom(Preimage.get());
  dialog->FilesDropped({u"/music/song.txt", u"/music/dropped.m3u"});
  EXPECT_EQ(dialog->edFileURI->GetText(), u"/music/list.m3u");
  dialog->FilesDropped({u"/music/dropped.pls", u"/music/song.txt"});
  EXPECT_EQ(dialog->edFileURI->GetText(), u"/music/dropped.pls");
}

}  // namespace
