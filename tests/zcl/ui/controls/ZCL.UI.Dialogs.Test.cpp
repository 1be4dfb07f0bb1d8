#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>

#include "ControlsTestSupport.h"
#include "os/OS.Files.h"
#include "os/OS.Input.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Exceptions.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Imaging.h"
#include "zcl/base/ZCL.Classes.StringList.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.MUI.h"
#include "zcl/ui/ZCL.UI.Animation.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.Check.h"
#include "zcl/ui/controls/ZCL.UI.ComboBox.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/controls/ZCL.UI.Labels.h"
#include "zcl/ui/controls/ZCL.UI.Memo.h"
#include "zcl/ui/controls/ZCL.UI.Panels.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.Impl.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.h"

namespace {

class DialogsTest : public ::testing::Test {
 public:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Headless::ClearBeeps();
    Headless::ClearFileChooser();
    Headless::RunUntilIdle();
  }
  void TearDown() override {
    Headless::ClearFileChooser();
    TZCLDialogsStrs::SetDefaults();
    UIAnimationsEnabled = true;
  }
};

std::vector<String> Captions(const std::vector<TZCLButton*>& Buttons) {
  std::vector<String> result;
  for (TZCLButton* b : Buttons) result.push_back(b->GetCaption());
  return result;
}

// ---- message box -------------------------------------------------------------------------------

TEST_F(DialogsTest, MessageBoxFlagsChooseCaptionButtonsDefaultAndIcon) {
  struct TCase {
    Cardinal Flags;
    String Caption;
    String ExpectedCaption;
    std::vector<String> Buttons;  // left to right
    size_t Default;
    TZCLDialogIconKind Icon;
  } cases[] = {
      {0x24, u"", u"Confirm", {u"&Yes", u"&No"}, 0, dikConfirmation},
      {0x103, u"Save", u"Save", {u"&Yes", u"&No", u"Cancel"}, 1, dikNone},
      {0x30 | 0x10, u"", u"Warning", {u"OK"}, 0, dikWarning},
      {0x40 | 0x30 | 0x10, u"", u"Information", {u"OK"}, 0, dikInformation},
      {0x10 | 0x201, u"", u"Error", {u"OK", u"Cancel"}, 0, dikError},  // no third row: OK stays default
      {0x02, u"Disk", u"Disk", {u"&Abort", u"&Retry", u"&Ignore"}, 0, dikNone},
      {0x05 | 0x100, u"", u"", {u"&Retry", u"Cancel"}, 1, dikNone},
      {0x0E, u"", u"", {u"OK"}, 0, dikNone},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Flags);
    TOwned<TZCLMessageDialog> dialog(TZCLMessageDialog::Prepare(nullptr, u"Text", c.Caption, c.Flags));
    dialog->Show();
    Headless::RunUntilIdle();
    EXPECT_EQ(dialog->GetCaption(), c.ExpectedCaption);
    EXPECT_EQ(dialog->GetIconKind(), c.Icon);
    EXPECT_EQ(dialog->GetIcon() != nullptr, c.Icon != dikNone);
    const std::vector<TZCLButton*> buttons = dialog->VisibleButtons();
    EXPECT_EQ(Captions(buttons), c.Buttons);
    for (size_t i = 0; i < buttons.size(); ++i) {
      EXPECT_EQ(buttons[i]->GetDefault(), i == (c.Default < buttons.size() ? c.Default : 0)) << i;
      EXPECT_TRUE(buttons[i]->GetEnabled()) << i;
    }
    // The text starts right of the icon, or at the left edge without one.
    const Integer textLeft = dialog->GetTextLabel()->GetLeft();
    if (c.Icon == dikNone)
      EXPECT_EQ(textLeft, 7);
    else
      EXPECT_EQ(textLeft, dialog->GetIconRect().Right + 7);
    dialog->Hide();
  }
}

TEST_F(DialogsTest, MessageBoxAnswersWithTheKeysAndPlaysTheIconsSound) {
  struct TCase {
    Cardinal Flags;
    WORD Key;
    Integer Expected;
    UINT Sound;
  } cases[] = {
      {0x24, VK_RETURN, mrYes, 0x20},        // the default Yes is focused
      {0x24, VK_ESCAPE, mrCancel, 0x20},     // Escape without a Cancel button still answers 2
      {0x103, VK_RETURN, mrNo, 0xFFFFFFFF},  // No is the default
      {0x103, VK_ESCAPE, mrCancel, 0xFFFFFFFF}, {0x31, VK_RETURN, mrOk, 0x30},
      {0x11, VK_ESCAPE, mrCancel, 0x10},        {0x40, VK_RETURN, mrOk, 0x40},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Flags);
    Headless::ClearBeeps();
    Headless::KeyPress(c.Key);
    EXPECT_EQ(ShowMessageBox(nullptr, u"Question?", u"", c.Flags), c.Expected);
    EXPECT_EQ(Headless::Beeps(), std::vector<UINT>{c.Sound});
  }
  // Tab moves the focus to No: Enter then clicks No.
  Headless::KeyPress(VK_TAB);
  Headless::KeyPress(VK_RETURN);
  EXPECT_EQ(ShowMessageBox(nullptr, u"Question?", u"", 0x24), mrNo);
}

TEST_F(DialogsTest, AMessageWiderThanHalfTheScreenWraps) {
  String text;
  for (int i = 0; i < 60; ++i) text += u"wrapping words ";
  TOwned<TZCLMessageDialog> dialog(TZCLMessageDialog::Prepare(nullptr, text, u"", 0x40));
  dialog->Show();
  Headless::RunUntilIdle();
  TZCLLabel* label = dialog->GetTextLabel();
  TOwned<TZCLLabel> line(Create<TZCLLabel>(static_cast<TComponent*>(nullptr)));
  line->GetFont()->Assign(label->GetFont());
  line->SetAutoSize(true);
  line->SetCaption(u"wrapping words");
  EXPECT_LE(label->GetWidth(), Screen->GetWidth() / 2);
  EXPECT_GT(label->GetHeight(), 3 * line->GetHeight());
  // The buttons sit below the text, inside the client area.
  TZCLButton* ok = dialog->VisibleButtons().front();
  EXPECT_GE(ok->GetTop(), label->GetBoundsRect().Bottom + 14);
  EXPECT_LE(ok->GetBoundsRect().Bottom, dialog->GetClientHeight());
  EXPECT_LE(ok->GetBoundsRect().Right, dialog->GetClientWidth());
}

TEST_F(DialogsTest, LocalizeReplacesOnlyTheGivenParts) {
  TOwned<TZCLIniFile> lang(TZCLIniFile::CreateInMemory());
  lang->WriteString(u"CommonDialogs", u"BS", u"&Ja|&Nein||Abbrechen");
  lang->WriteString(u"CommonDialogs", u"B4", u"Anwenden");
  lang->WriteString(u"CommonDialogs", u"MsgBoxCaptions", u"Warnung");
  lang->WriteString(u"CommonDialogs", u"SizePrefixes", u"|KiB");
  TZCLDialogsStrs::ApplyCaption = u"stale";
  TZCLDialogsStrs::Localize(lang.get());
  EXPECT_EQ(TZCLDialogsStrs::ButtonCaptions[0], u"&Ja");
  EXPECT_EQ(TZCLDialogsStrs::ButtonCaptions[1], u"&Nein");
  EXPECT_EQ(TZCLDialogsStrs::ButtonCaptions[2], u"OK");  // an empty part keeps the default
  EXPECT_EQ(TZCLDialogsStrs::ButtonCaptions[3], u"Abbrechen");
  EXPECT_EQ(TZCLDialogsStrs::ButtonCaptions[11], u"&Close");
  EXPECT_EQ(TZCLDialogsStrs::ApplyCaption, u"Anwenden");
  EXPECT_EQ(TZCLDialogsStrs::BrowseFolderCaption, u"Browse Folder");
  EXPECT_EQ(TZCLDialogsStrs::MessageCaptions[0], u"Warnung");
  EXPECT_EQ(TZCLDialogsStrs::MessageCaptions[3], u"Confirm");
  // A second language starts again from the English texts.
  TOwned<TZCLIniFile> empty(TZCLIniFile::CreateInMemory());
  TZCLDialogsStrs::Localize(empty.get());
  EXPECT_EQ(TZCLDialogsStrs::ButtonCaptions[0], u"&Yes");
  EXPECT_EQ(TZCLDialogsStrs::ApplyCaption, u"Apply");
}

// ---- input query -------------------------------------------------------------------------------

TEST_F(DialogsTest, InputQueryReturnsTheEditedValues) {
  String value = u"old";
  Headless::TypeText(u"new name");
  Headless::KeyPress(VK_RETURN);
  EXPECT_TRUE(TZCLInputQueryDialog::Execute(u"Rename", u"Name:", value));
  EXPECT_EQ(value, u"new name");  // the old text was selected and replaced

  Headless::TypeText(u"other");
  Headless::KeyPress(VK_ESCAPE);
  EXPECT_FALSE(TZCLInputQueryDialog::Execute(u"Rename", u"Name:", value));
  EXPECT_EQ(value, u"new name");

  // An integer value takes only integer input.
  std::vector<Variant> values{Variant(Integer(5)), Variant(String(u"text"))};
  Headless::TypeText(u"4x2");
  Headless::KeyPress(VK_TAB);
  Headless::TypeText(u"a1");
  Headless::KeyPress(VK_RETURN);
  EXPECT_TRUE(TZCLInputQueryDialog::ExecuteMultiple(u"Values", {u"Count", u"Name"}, values));
  EXPECT_EQ(VarToStr(values[0]), u"42");
  EXPECT_EQ(VarToStr(values[1]), u"a1");

  EXPECT_THROW(TZCLInputQueryDialog::ExecuteMultiple(u"Values", {u"One"}, values), EInvalidArgument);
}

TEST_F(DialogsTest, ARefusedValueBlocksOkAndEnter) {
  auto* dialog = TZCLCustomForm::CreateDialog<TZCLInputQueryDialog>(nullptr);
  TOwned<TZCLInputQueryDialog> owned(dialog);
  std::vector<Integer> asked;
  dialog->Validation = [&](TObject*, Integer Index, const String& Value, bool& Accept) {
    asked.push_back(Index);
    Accept = Value != u"bad";
  };
  dialog->Prepare(u"Check", {u"A", u"B"}, {Variant(String(u"bad")), Variant(String(u"x"))});
  asked.clear();
  dialog->UpdateButtonsState();
  EXPECT_FALSE(dialog->GetButtonOK()->GetEnabled());
  EXPECT_EQ(asked, std::vector<Integer>{0});  // stops at the first refusal
  Headless::KeyPress(VK_RETURN);              // refused: stays open
  Headless::KeyPress(VK_ESCAPE);
  EXPECT_EQ(dialog->ShowModal(), mrCancel);
  dialog->GetEditor(0)->SetText(u"good");
  EXPECT_TRUE(dialog->GetButtonOK()->GetEnabled());
  EXPECT_TRUE(dialog->GetModified());
}

TEST_F(DialogsTest, SelectQueryReturnsTheChosenLine) {
  TOwned<TZCLStringList> items(new TZCLStringList());
  items->AddStrings({u"Red", u"Green", u"Blue"});
  Integer index = 0;
  Headless::KeyPress(VK_DOWN);
  Headless::KeyPress(VK_DOWN);
  Headless::KeyPress(VK_RETURN);
  EXPECT_TRUE(TZCLSelectQueryDialog::Execute(u"Colour", u"Pick one:", items.get(), index));
  EXPECT_EQ(index, 2);
  Headless::KeyPress(VK_ESCAPE);
  EXPECT_FALSE(TZCLSelectQueryDialog::Execute(u"Colour", u"Pick one:", items.get(), index));
  EXPECT_EQ(index, 2);

  // Nothing to choose: the list is disabled and OK too.
  TOwned<TZCLStringList> none(new TZCLStringList());
  auto* dialog = TZCLCustomForm::CreateDialog<TZCLSelectQueryDialog>(nullptr);
  TOwned<TZCLSelectQueryDialog> owned(dialog);
  dialog->Prepare(u"Colour", u"Pick one:", none.get(), 0);
  EXPECT_FALSE(dialog->GetComboBox()->GetEnabled());
  EXPECT_FALSE(dialog->GetButtonOK()->GetEnabled());
}

TEST_F(DialogsTest, MemoQueryKeepsLineBreaksAndItsSize) {
  TZCLMemoQueryDialog::RememberedSize() = TSize();
  String text = u"first";
  Headless::KeyPress(VK_END);
  Headless::KeyPress(VK_RETURN);  // a line break
  Headless::TypeText(u"second");
  Headless::KeyDown(VK_CONTROL);
  Headless::KeyPress(VK_RETURN);  // Ctrl+Enter confirms
  Headless::KeyUp(VK_CONTROL);
  EXPECT_TRUE(TZCLMemoQueryDialog::Execute(u"Notes", text));
  EXPECT_EQ(text, u"first\r\nsecond");
  // 360 x 230 unless the minimum window size (320 x 240, frame included) asks for more.
  EXPECT_EQ(TZCLMemoQueryDialog::RememberedSize().cx, 360);
  EXPECT_GE(TZCLMemoQueryDialog::RememberedSize().cy, 230);
  EXPECT_LE(TZCLMemoQueryDialog::RememberedSize().cy, 240);

  // Escape in the memo cancels: the text stays as it was.
  Headless::TypeText(u"lost");
  Headless::KeyPress(VK_ESCAPE);
  EXPECT_FALSE(TZCLMemoQueryDialog::Execute(u"Notes", text));
  EXPECT_EQ(text, u"first\r\nsecond");

  // The next one opens at the remembered size; the memo leaves room for the buttons.
  TZCLMemoQueryDialog::RememberedSize() = TSize(400, 300);
  auto* dialog = TZCLCustomForm::CreateDialog<TZCLMemoQueryDialog>(nullptr);
  TOwned<TZCLMemoQueryDialog> owned(dialog);
  dialog->Prepare(u"Notes", u"x", nullptr);
  EXPECT_EQ(dialog->GetClientWidth(), 400);
  EXPECT_EQ(dialog->GetClientHeight(), 300);
  dialog->Show();
  Headless::RunUntilIdle();
  EXPECT_EQ(dialog->GetMemo()->GetBoundsRect().Bottom, dialog->GetClientHeight() - 7 - 36);
}

// ---- file dialog: names ------------------------------------------------------------------------

TEST(FileDialogNames, AutomaticExtension) {
  const String png = u"PNG image|*.png|All files|*.*";
  const String both = u"PNG image|*.png|JPEG image|*.jpg;*.jpeg|All files|*.*";
  struct TCase {
    String Name;
    String Filter;
    Integer Index;
    String Expected;
  } cases[] = {
      {u"x", png, 1, u"x.png"},
      {u"x.jpg", png, 1, u"x.jpg.png"},
      {u"x.jpg", both, 1, u"x.png"},
      {u"x.JPEG", both, 1, u"x.png"},         // the last pattern of a pair, before "|"
      {u"x.png", png, 1, u"x.png"},           // the typed extension stands before "|"
      {u"x.png", u"PNG|*.png", 1, u"x.png"},  // ... or at the end of the filter
      {u"x.pn", png, 1, u"x.pn.png"},         // a part of a pattern is no pattern
      {u"x", png, 2, u"x"},                   // all files
      {u"x", png, 0, u"x"},
      {u"x", png, 3, u"x"},                // no such pair
      {u"/a.b/x", png, 1, u"/a.b/x.png"},  // a dotted folder is no extension
      {u"x", u"Odd|*", 1, u"x"},
      {u"x", u"", 1, u"x"},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(zcFileDialogAutoExtension(c.Name, c.Filter, c.Index), c.Expected) << StringToUTF8(c.Name);
}

TEST(FileDialogNames, DefaultExtensionAndFolder) {
  EXPECT_EQ(zcFileDialogDefaultExt(u"PNG|*.png|JPEG|*.jpg|All files|*.*"), u"png;jpg;*");
  EXPECT_EQ(zcFileDialogDefaultExt(u"Images|*.png;*.gif"), u"png;gif");
  EXPECT_EQ(zcFileDialogDefaultExt(u""), u"");
  EXPECT_EQ(zcFileDialogFolderOf(u"/home/u/a:b.png"), u"/home/u/");
  EXPECT_EQ(zcFileDialogFolderOf(u"name.png"), u"");
}

// ---- file dialog: the chooser ------------------------------------------------------------------

TFileChooserAnswer Chosen(std::vector<String> Files, int FilterIndex = 0) {
  TFileChooserAnswer a;
  a.Outcome = TFileChooserOutcome::Chosen;
  a.Files = std::move(Files);
  a.FilterIndex = FilterIndex;
  return a;
}

TEST_F(DialogsTest, SavingAppliesTheExtensionOfTheChosenType) {
  TOwned<TZCLFileDialog> dialog(Create<TZCLFileDialog>(static_cast<TComponent*>(nullptr)));
  dialog->SetFilter(u"PNG image|*.png|JPEG image|*.jpg|All files|*.*");
  dialog->SetFilterIndex(1);
  dialog->SetTitle(u"Export");
  dialog->SetFileName(u"/work/old/picture.png");
  const String cwd = GetCurrentDir();
  Headless::ScriptFileChooser(Chosen({u"/tmp/out/x.jpg"}, 2));
  ASSERT_TRUE(dialog->Execute(true));
  EXPECT_EQ(dialog->GetFileName(), u"/tmp/out/x.jpg");  // JPEG chosen in the chooser
  EXPECT_EQ(dialog->GetFilterIndex(), 2);
  Headless::ScriptFileChooser(Chosen({u"/tmp/out/x"}, 1));
  ASSERT_TRUE(dialog->Execute(true));
  EXPECT_EQ(dialog->GetFileName(), u"/tmp/out/x.png");
  EXPECT_EQ(dialog->GetFiles()->GetCount(), 1);
  EXPECT_EQ(GetCurrentDir(), cwd);

  const auto requests = Headless::FileChooserRequests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_TRUE(requests[0].Save);
  EXPECT_EQ(requests[0].Title, u"Export");
  EXPECT_EQ(requests[0].FileName, u"picture.png");
  EXPECT_EQ(requests[0].Folder, u"/work/old/");
  EXPECT_EQ(requests[0].DefaultExt, u"png;jpg;*");
  ASSERT_EQ(requests[0].Filters.size(), 3u);
  EXPECT_EQ(requests[0].Filters[1].Name, u"JPEG image");
  EXPECT_EQ(requests[0].Filters[1].Patterns, u"*.jpg");
  EXPECT_EQ(requests[0].FilterIndex, 1);
  EXPECT_TRUE(requests[0].OverwritePrompt);
  EXPECT_EQ(requests[1].FilterIndex, 2);

  // Cancelling keeps the name and the type; Files is empty.
  TFileChooserAnswer cancel;
  cancel.Outcome = TFileChooserOutcome::Cancelled;
  Headless::ScriptFileChooser(cancel);
  EXPECT_FALSE(dialog->Execute(true));
  EXPECT_EQ(dialog->GetFileName(), u"/tmp/out/x.png");
  EXPECT_EQ(dialog->GetFilterIndex(), 1);
  EXPECT_EQ(dialog->GetFiles()->GetCount(), 0);
}

TEST_F(DialogsTest, OpenDialogsShareTheirFolderByMRUId) {
  TOwned<TZCLFileDialog> first(Create<TZCLFileDialog>(static_cast<TComponent*>(nullptr)));
  first->SetMRUId(u"skins");
  first->SetOptions({ofAllowMultiSelect, ofFileMustExist});
  Headless::ScriptFileChooser(Chosen({u"/data/skins/a.zcs", u"/data/skins/b.zcs", u"/data/skins/c.zcs"}));
  ASSERT_TRUE(first->Execute(false));
  EXPECT_EQ(first->GetFiles()->ToArray(),
            (std::vector<String>{u"/data/skins/a.zcs", u"/data/skins/b.zcs", u"/data/skins/c.zcs"}));
  EXPECT_EQ(first->GetFileName(), u"/data/skins/a.zcs");

  TOwned<TZCLFileDialog> second(Create<TZCLFileDialog>(static_cast<TComponent*>(nullptr)));
  second->SetMRUId(u"skins");
  TOwned<TZCLFileDialog> other(Create<TZCLFileDialog>(static_cast<TComponent*>(nullptr)));
  other->SetMRUId(u"skins");
  other->SetInitialDir(u"/elsewhere/");
  TOwned<TZCLFileDialog> named(Create<TZCLFileDialog>(static_cast<TComponent*>(nullptr)));
  named->SetMRUId(u"skins");
  named->SetFileName(u"/named/x.zcs");
  for (TZCLFileDialog* d : {second.get(), other.get(), named.get()}) {
    Headless::ScriptFileChooser(Chosen({u"/data/skins/a.zcs"}));
    d->Execute(false);
  }
  const auto requests = Headless::FileChooserRequests();
  ASSERT_EQ(requests.size(), 4u);
  EXPECT_TRUE(requests[0].MultiSelect);
  EXPECT_TRUE(requests[0].FileMustExist);
  EXPECT_EQ(requests[1].Folder, u"/data/skins/");
  EXPECT_EQ(requests[2].Folder, u"/elsewhere/");
  EXPECT_EQ(requests[3].Folder, u"/named/");
}

// Without a chooser on the desktop our own dialog opens.
TEST_F(DialogsTest, OwnFileDialogListsTheFolderAndSaves) {
  namespace fs = std::filesystem;
  const std::string dir = TempDir() + "/own";
  fs::create_directories(dir + "/sub");
  for (const char* name : {"a.png", "B.PNG", "c.txt", ".hidden.png"}) std::ofstream(dir + "/" + name) << "x";

  TOwned<TZCLFileDialog> dialog(Create<TZCLFileDialog>(static_cast<TComponent*>(nullptr)));
  dialog->SetFilter(u"PNG image|*.png|All files|*.*");
  dialog->SetFilterIndex(1);
  dialog->SetInitialDir(UTF8ToString(dir));
  {
    auto* form = TZCLCustomForm::CreateDialog<TZCLFileDialogForm>(nullptr);
    TOwned<TZCLFileDialogForm> owned(form);
    form->Prepare(dialog.get(), true, dialog->GetStartFolder());
    auto names = [](TZCLTreeList* List) {
      std::vector<String> result;
      for (Integer i = 0; i < List->GetRootNode()->GetChildrenCount(); ++i)
        result.push_back(List->GetRootNode()->GetChild(i)->GetValue(0));
      return result;
    };
    auto enter = [](TZCLTreeList* List, Integer Index) {
      List->SetFocusedNode(List->GetRootNode()->GetChild(Index));
      Word key = VK_RETURN;
      List->OnKeyDown(List, key, {});
    };
    EXPECT_EQ(names(form->GetFileList()), (std::vector<String>{u"a.png", u"B.PNG"}));
    EXPECT_EQ(names(form->GetFolderList()), (std::vector<String>{u"..", u"sub"}));
    form->GetTypeList()->SetItemIndex(1);
    EXPECT_EQ(form->GetFileList()->GetRootNode()->GetChildrenCount(), 3);
    EXPECT_EQ(form->ChosenFilterIndex(), 2);
    EXPECT_FALSE(form->CanApply());  // no name yet
    // Focusing a file names it.
    form->GetFileList()->SetFocusedNode(form->GetFileList()->GetRootNode()->GetChild(1));
    EXPECT_EQ(form->GetNameEdit()->GetText(), u"B.PNG");
    form->GetNameEdit()->SetText(String());
    // Into the subfolder and back up.
    enter(form->GetFolderList(), 1);
    EXPECT_EQ(form->GetFolder(), UTF8ToString(dir) + u"/sub/");
    enter(form->GetFolderList(), 0);
    EXPECT_EQ(form->GetFolder(), UTF8ToString(dir) + u"/");
  }
  Headless::TypeText(u"new");
  Headless::KeyPress(VK_RETURN);
  ASSERT_TRUE(dialog->Execute(true));
  EXPECT_EQ(dialog->GetFileName(), UTF8ToString(dir) + u"/new.png");
  EXPECT_EQ(Headless::FileChooserRequests().size(), 1u);  // the chooser was asked first

  // An existing file is replaced only when the user agrees.
  dialog->SetFileName(u"a.png");
  Headless::KeyPress(VK_RETURN);  // save
  Headless::KeyPress(VK_RETURN);  // "replace?": Yes
  ASSERT_TRUE(dialog->Execute(true));
  EXPECT_EQ(dialog->GetFileName(), UTF8ToString(dir) + u"/a.png");
}

// ---- progress dialog ---------------------------------------------------------------------------

TEST(ProgressDialogPercent, SixtyFourBitsAndClipping) {
  struct TCase {
    Int64 Position, Total;
    Integer Expected;
  } cases[] = {
      {1, 3, 33},
      {2, 3, 67},
      {50, 200, 25},
      {5, 0, 500},
      {0, 0, 0},
      {Int64(3) << 40, Int64(6) << 40, 50},  // byte counts past 2^31
      {INT64_MAX, INT64_MAX, 100},
      {INT64_MAX / 2, INT64_MAX, 50},
      {7, -1, 700},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(TZCLProgressDialog::Percent(c.Position, c.Total), c.Expected) << c.Position << "/" << c.Total;
}

struct TCancelLog {
  Integer Calls = 0;
  void Cancel(TObject*) { ++Calls; }
};

TEST_F(DialogsTest, ProgressDialogShowsStepsAndCancels) {
  TOwned<TZCLProgressDialog> dialog(Create<TZCLProgressDialog>(static_cast<TComponent*>(nullptr)));
  dialog->SetTitle(u"Saving");
  dialog->SetText(u"Please wait");
  dialog->SetShowProgressInCaption(true);
  dialog->Progress(2, 4);  // built before it is shown
  EXPECT_EQ(dialog->GetProgressBar()->GetProgress(), 50);
  dialog->Show();
  Headless::RunUntilIdle();
  EXPECT_EQ(dialog->GetClientWidth(), 502);
  EXPECT_EQ(dialog->GetProgressBar()->GetHeight(), 18);
  EXPECT_FALSE(dialog->GetCancelButton()->GetEnabled());  // no OnCancel

  dialog->Progress(1, 3, u"file.png");
  EXPECT_EQ(dialog->GetCaption(), u"[1/3] Saving");
  EXPECT_EQ(dialog->GetProgressBar()->GetProgress(), 33);
  EXPECT_EQ(dialog->GetTextLabel()->GetCaption(), u"file.png");
  dialog->Progress(2, 3);
  EXPECT_EQ(dialog->GetTextLabel()->GetCaption(), u"Please wait");
  dialog->Progress(5, 0);
  EXPECT_EQ(dialog->GetProgressBar()->GetProgress(), 500);
  TRect bar, wrap;
  dialog->GetProgressBar()->GetBarRects(bar, wrap);
  EXPECT_GE(bar.Width(), dialog->GetProgressBar()->GetWidth() - 2);  // a full bar, clipped when painted

  // Escape cancels each time, also once the button is disabled; closing cancels too.
  TCancelLog log;
  dialog->Hide();
  dialog->OnCancel = TNotifyEvent(&log, &TCancelLog::Cancel);
  dialog->Show();
  Headless::RunUntilIdle();
  EXPECT_TRUE(dialog->GetCancelButton()->GetEnabled());
  dialog->SetFocus();
  Headless::KeyPress(VK_ESCAPE);
  Headless::RunUntilIdle();
  EXPECT_EQ(log.Calls, 1);
  EXPECT_FALSE(dialog->GetCancelButton()->GetEnabled());
  Headless::KeyPress(VK_ESCAPE);
  Headless::RunUntilIdle();
  EXPECT_EQ(log.Calls, 2);
  dialog->GetCancelButton()->SetEnabled(true);
  dialog->Perform(WM_CLOSE, 0, 0);
  EXPECT_EQ(log.Calls, 3);
  EXPECT_TRUE(dialog->GetVisible());
}

// ---- language dialog ---------------------------------------------------------------------------

class LanguageDialogTest : public DialogsTest {
 public:
  void SetUp() override {
    DialogsTest::SetUp();
    FOldFolder = GetLangsFolder();
    FDir = TempDir() + "/langs" + std::to_string(++FCount);
    std::filesystem::create_directories(FDir);
    SetLangsFolder(UTF8ToString(FDir) + u"/");
  }
  void TearDown() override {
    SetLangsFolder(FOldFolder);
    DialogsTest::TearDown();
  }
  void Write(const std::string& File, const std::string& Name, int LangId) {
    std::ofstream(FDir + "/" + File) << "[File]\nName=" << Name << "\nLangId=" << LangId << "\n";
  }
  std::vector<String> Names(TZCLLanguageDialog* D) {
    std::vector<String> names;
    TZCLImageComboBoxItems* items = D->GetLanguageList()->GetItems();
    for (Integer i = 0; i < items->GetCount(); ++i) names.push_back(items->GetItem(i)->GetText());
    return names;
  }

 private:
  String FOldFolder;
  std::string FDir;
  static inline int FCount = 0;
};

TEST_F(LanguageDialogTest, ListsLanguagesByNameAndPreselects) {
  Write("a.lng", "Polski", 1045);
  Write("b.lng", "english", 1033);
  Write("c.lng", "Deutsch", 1031);
  Write("notes.txt", "Nothing", 1);
  TOwned<TZCLLanguageDialog> dialog(Create<TZCLLanguageDialog>(static_cast<TComponent*>(nullptr)));
  dialog->FillList();
  EXPECT_EQ(Names(dialog.get()), (std::vector<String>{u"Deutsch", u"english", u"Polski"}));
  dialog->SelectLanguage(1045);
  EXPECT_EQ(dialog->SelectedFileName(), u"a.lng");
  dialog->SelectLanguage(1049);  // no Russian: English
  EXPECT_EQ(dialog->SelectedFileName(), u"b.lng");
}

TEST_F(LanguageDialogTest, WithoutEnglishTheFirstIsChosenAndExecuteLoadsIt) {
  Write("z.lng", "Zulu", 1077);
  Write("c.lng", "Cesky", 1029);
  TOwned<TZCLLanguageDialog> dialog(Create<TZCLLanguageDialog>(static_cast<TComponent*>(nullptr)));
  dialog->FillList();
  dialog->SelectLanguage(1049);
  EXPECT_EQ(dialog->GetLanguageList()->GetItemIndex(), 0);
  EXPECT_EQ(dialog->SelectedFileName(), u"c.lng");
  dialog.reset();

  Headless::KeyPress(VK_DOWN);
  Headless::KeyPress(VK_RETURN);
  TZCLLanguageDialog::Execute();
  EXPECT_EQ(LangFile()->GetShortFileName(), u"z.lng");
}

TEST_F(LanguageDialogTest, NoLanguagesChangeNothing) {
  const String before = LangFile()->GetShortFileName();
  Headless::KeyPress(VK_RETURN);
  TZCLLanguageDialog::Execute();
  EXPECT_EQ(LangFile()->GetShortFileName(), before);
}

}  // namespace
