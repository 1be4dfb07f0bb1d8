#include <gtest/gtest.h>

#include <vector>

#include "os/OS.Dialogs.h"
#include "os/OS.Input.h"
#include "os/OS.Messages.h"
#include "os/OS.System.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.h"
#include "zse/engine/ZSE.ErrorDialog.h"

namespace {

TEST(ErrorDialog, LongReportScrollsAndEscapeCloses) {
  auto* dialog = TCustomForm::CreateNew<TZEPHErrorDialog>(nullptr);
  String text;
  for (Integer i = 0; i < 300; ++i) text += u"at frame " + IntToStr(i) + u"\r\n";
  dialog->GetReport()->SetText(text);
  EXPECT_EQ(dialog->GetReport()->GetText(), text) << "kept unchanged";
  EXPECT_EQ(dialog->GetReport()->GetLineCount(), 301);
  EXPECT_EQ(dialog->GetOkButton()->GetCaptionText(), TZCLDialogsStrs::ButtonCaptions[dbOK]);
  EXPECT_EQ(dialog->GetCaption(), u"Error");
  Headless::ClearBeeps();
  dialog->Show();
  EXPECT_EQ(Headless::Beeps(), std::vector<UINT>{MB_SOUNDEXCLAMATION}) << "the warning sound plays as it shows";

  TZEPHErrorReport* report = dialog->GetReport();
  EXPECT_GT(report->GetClientHeight(), 0);
  report->Perform(WM_KEYDOWN, VK_END, 0);
  const Integer last = report->GetTopLine();
  EXPECT_EQ(last, report->GetLineCount() - report->GetVisibleLineCount());
  report->Perform(WM_KEYDOWN, VK_PRIOR, 0);
  EXPECT_LT(report->GetTopLine(), last);
  report->Perform(WM_KEYDOWN, VK_HOME, 0);
  EXPECT_EQ(report->GetTopLine(), 0);
  report->Perform(WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(report->GetTopLine(), 0) << "never above the first line";

  // It grows, but not below its minimum size.
  dialog->SetBounds(dialog->GetLeft(), dialog->GetTop(), 100, 100);
  EXPECT_GE(dialog->GetWidth(), 300);
  EXPECT_GE(dialog->GetHeight(), 180);
  dialog->SetBounds(dialog->GetLeft(), dialog->GetTop(), 900, 700);
  EXPECT_EQ(dialog->GetWidth(), 900);

  // Escape in the report closes the dialog though the report has the focus.
  report->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(dialog->GetVisible());
  Free(dialog);
}

TEST(ErrorDialog, OkButtonFollowsTheLanguage) {
  TZCLIniFile* lang = TZCLIniFile::CreateInMemory();
  lang->WriteString(u"CommonDialogs", u"BS", u"&Ja|&Nein|Gut");
  TZCLDialogsStrs::Localize(lang);
  Free(lang);
  auto* dialog = TCustomForm::CreateNew<TZEPHErrorDialog>(nullptr);
  EXPECT_EQ(dialog->GetOkButton()->GetCaptionText(), u"Gut");
  Free(dialog);

  // Back to English for the other tests.
  TZCLDialogsStrs::Localize(static_cast<TZCLIniFile*>(nullptr));
  dialog = TCustomForm::CreateNew<TZEPHErrorDialog>(nullptr);
  EXPECT_EQ(dialog->GetOkButton()->GetCaptionText(), u"OK");
  Free(dialog);
}

}  // namespace
