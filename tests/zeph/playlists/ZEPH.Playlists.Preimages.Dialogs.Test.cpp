#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.Strings.h"
#include "support/TestSupport.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Menus.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/base/ZCL.Utils.FileSystem.h"
#include "zcl/ui/ZCL.UI.Animation.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.Check.h"
#include "zcl/ui/controls/ZCL.UI.Controls.TabControl.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/controls/ZCL.UI.Labels.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Columns.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Nodes.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.Options.h"
#include "zeph/media/ZEPH.FileInfo.Formatter.Legend.h"
#include "zeph/media/ZEPH.FileManager.h"
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
    // Audio formats as players register them: mixed case and repeated masks.
    Formats = GetFileManager()->GetKnownFormats()->Register(u"Test audio", u"*.ogg;*.Mp3;*.wav;*.mp3;", zfkAudio);
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
    D->edIgnoredExts->GetItems()->GetItem(2)->SetChecked(false);  // *.WAV
    D->edIgnoredExts->GetItems()->GetItem(1)->SetChecked(true);   // *.OGG
    D->cbSortTemplate->Click();
    EXPECT_FALSE(D->edSortTemplate->GetEnabled());
  }
  void TearDown() override { GetFileManager()->GetKnownFormats()->Unregister(Formats); }
  std::unique_ptr<TZEPHPlaylistFoldersPreimage> Preimage;
  TZEPHFileManagerKnownFormatInfo* Formats = nullptr;
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

std::vector<String> ItemTexts(TZCLCheckComboBox* Box) {
  std::vector<String> texts;
  for (Integer i = 0; i < Box->GetItems()->GetCount(); ++i) texts.push_back(Box->GetItems()->GetItem(i)->GetText());
  return texts;
}

TEST_F(FoldersDialog, AddBrowsesFromTheLastFolderAndTheButtonsFollowTheList) {
  UIAnimationsEnabled = false;
  const std::string dir = TempDir() + "/preimage-add";
  std::filesystem::create_directories(dir + "/a/b");
  const String a = UTF8ToString(dir + "/a/");
  TOwned<TZEPHPlaylistFoldersPreimageDialog> dialog(
      TCustomForm::CreateNew<TZEPHPlaylistFoldersPreimageDialog>(nullptr));
  dialog->LoadFrom(Preimage.get());
  EXPECT_TRUE(dialog->btnAdd->GetEnabled());
  EXPECT_FALSE(dialog->btnDeleteSelected->GetEnabled());
  EXPECT_TRUE(dialog->btnDeleteAll->GetEnabled());
  dialog->tlPaths->LastPath = UTF8ToString(dir + "/a");
  Headless::KeyPress(VK_RETURN);  // OK in the folder browser: the focused folder, recursive
  dialog->btnAdd->Click();
  ASSERT_EQ(dialog->tlPaths->GetCount(), 2);
  EXPECT_EQ(dialog->tlPaths->GetPath(1), a);
  EXPECT_TRUE(dialog->tlPaths->GetRecursive(1));
  EXPECT_EQ(dialog->tlPaths->LastPath, a);
  dialog->tlPaths->SetSelected(0, true);
  EXPECT_TRUE(dialog->btnDeleteSelected->GetEnabled());
  dialog->btnDeleteSelected->Click();
  ASSERT_EQ(dialog->tlPaths->GetCount(), 1);
  dialog->btnDeleteAll->Click();
  EXPECT_FALSE(dialog->btnDeleteAll->GetEnabled());
  EXPECT_FALSE(dialog->btnOk->GetEnabled());
  // Insert on the list browses as well.
  Headless::KeyPress(VK_RETURN);
  SendMessage(dialog->tlPaths->GetHandle(), WM_KEYDOWN, VK_INSERT, 0);
  ASSERT_EQ(dialog->tlPaths->GetCount(), 1);
  EXPECT_EQ(dialog->tlPaths->GetPath(0), a);
  // The next dialog starts browsing where this one ended.
  dialog.reset();
  dialog.reset(TCustomForm::CreateNew<TZEPHPlaylistFoldersPreimageDialog>(nullptr));
  EXPECT_EQ(dialog->tlPaths->LastPath, a);
  UIAnimationsEnabled = true;
}

TEST_F(FoldersDialog, ExcludedTypesOfferTheKnownMasksAndKeepStoredOnesItDoesNotKnow) {
  TOwned<TZEPHPlaylistFoldersPreimageDialog> dialog(
      TCustomForm::CreateNew<TZEPHPlaylistFoldersPreimageDialog>(nullptr));
  const std::vector<String> offered = ItemTexts(dialog->edIgnoredExts);
  EXPECT_EQ(offered, (std::vector<String>{u"*.MP3", u"*.OGG", u"*.WAV"}));  // playlists are not offered

  // A lower-case known mask and a mask of a format no longer known both survive OK.
  Preimage->SetIgnoredExts(u"*.xyz;*.mp3;");
  dialog->LoadFrom(Preimage.get());
  EXPECT_EQ(dialog->edIgnoredExts->GetText(), u"*.MP3;*.xyz;");
  dialog->SaveTo(Preimage.get());
  EXPECT_EQ(Preimage->GetIgnoredExts(), u"*.MP3;*.xyz;");
}

TEST_F(FoldersDialog, TheTemplateButtonOpensTheLegendThatTypesIntoTheEdit) {
  TOwned<TZEPHPlaylistFoldersPreimageDialog> dialog(
      TCustomForm::CreateNew<TZEPHPlaylistFoldersPreimageDialog>(nullptr));
  dialog->LoadFrom(Preimage.get());
  dialog->edSortTemplate->SetText(u"");
  TZCLEditButton* button = dialog->edSortTemplate->GetButtons()->GetItem(0);
  ASSERT_TRUE(button->OnClick);
  button->OnClick(button);
  TZEPHFileInfoFormatterLegend* legend = TZEPHFileInfoFormatterLegend::Instance();
  EXPECT_EQ(legend->GetTarget(), dialog->edSortTemplate);
  std::function<TMenuItem*(TMenuItem*)> find = [&](TMenuItem* Parent) -> TMenuItem* {
    for (Integer i = 0; i < Parent->GetCount(); ++i) {
      if (Parent->GetItem(i)->GetHint() == u"%Title") return Parent->GetItem(i);
      if (TMenuItem* found = find(Parent->GetItem(i))) return found;
    }
    return nullptr;
  };
  TMenuItem* title = find(legend->GetItems());
  ASSERT_NE(title, nullptr);
  title->Click();
  EXPECT_EQ(dialog->edSortTemplate->GetText(), u"%Title");
  dialog.reset();
  EXPECT_EQ(legend->GetTarget(), nullptr);
}

TEST_F(FoldersDialog, TextsComeFromTheLanguageFile) {
  TZCLLocalization* lang = LangFile();
  lang->WriteString(u"ZEPHPlaylistFoldersPreimageDialog", u"pcpSettings", u"Einstellungen");
  lang->WriteString(u"ZEPHPlaylistFoldersPreimageDialog", u"cbSyncOnStartup", u"Beim Start");
  lang->WriteString(u"ZEPHSearchPathList", u"acAdd", u"Hinzu...");
  lang->WriteString(u"ZEPHSearchPathList", u"colRecursive", u"Rekursiv");
  lang->WriteString(u"OptionsFrameSort", u"L1", u"Sortierhinweis");
  TOwned<TZEPHPlaylistFoldersPreimageDialog> dialog(
      TCustomForm::CreateNew<TZEPHPlaylistFoldersPreimageDialog>(nullptr));
  for (const char16_t* section : {u"ZEPHPlaylistFoldersPreimageDialog", u"ZEPHSearchPathList", u"OptionsFrameSort"})
    lang->DeleteSection(section);
  EXPECT_EQ(dialog->pcpSettings->GetCaption(), u"Einstellungen");
  EXPECT_EQ(dialog->cbSyncOnStartup->GetCaption(), u"Beim Start");
  EXPECT_EQ(dialog->btnAdd->GetCaption(), u"Hinzu...");
  EXPECT_EQ(dialog->tlPaths->GetColumnCaption(1), u"Rekursiv");
  EXPECT_EQ(dialog->tlPaths->GetAction(1)->GetCaption(), u"Delete");  // absent key: own text
  EXPECT_EQ(dialog->L1->GetCaption(), u"Sortierhinweis");
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

TEST(SearchPathList, TheFlagColumnIsNarrowWithoutHeadersAndAClickOnItToggles) {
  UIAnimationsEnabled = false;
  TOwned<TForm> form(TCustomForm::CreateNew<TForm>(nullptr));
  form->SetBounds(100, 100, 400, 300);
  auto* list = Create<TZEPHSearchPathList>(form.get());
  list->SetParent(form.get());
  list->SetBounds(0, 0, 300, 200);
  ASSERT_EQ(list->GetColumns()->GetCount(), 2);
  TZCLTreeListColumn* flag = (*list->GetColumns())[1];
  EXPECT_FALSE(flag->GetCanResize());
  EXPECT_EQ(flag->GetTextAlign(), taCenter);
  EXPECT_TRUE(list->GetOptionsBehavior()->GetDropTarget());
  EXPECT_TRUE(list->GetOptionsSelection()->GetMultiSelect());
  for (const bool show : {false, true}) {
    list->SetShowColumns(show);
    EXPECT_EQ(list->GetOptionsView()->GetColumns()->GetVisible(), show);
    EXPECT_EQ(flag->GetWidth(), show ? 75 : 24);
  }

  Integer modified = 0;
  list->OnModified = TNotifyEvent(&modified, +[](Integer* M, TObject*) { ++*M; });
  list->AddPath(u"/m/a/", false);
  form->Show();
  Headless::RunUntilIdle();
  // The first point of the flag column that hits the row.
  const Integer x = list->GetClientWidth() - 12;
  Integer y = 0;
  while (y < 100 && list->ObjectAtPos(x, y) != list->GetRootNode()->GetChild(0)) ++y;
  ASSERT_LT(y, 100);
  Headless::Click(list->ClientToScreen(TPoint(x, y + 2)));
  Headless::RunUntilIdle();
  EXPECT_TRUE(list->GetRecursive(0));
  EXPECT_EQ(modified, 2);
  UIAnimationsEnabled = true;
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
