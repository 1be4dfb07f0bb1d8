#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/OS.Input.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/ui/ZCL.UI.Animation.h"
#include "zcl/ui/controls/ZCL.UI.CheckBoxes.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.FontPicker.h"
#include "zcl/ui/inspector/ZCL.UI.Controls.ObjectInspector.PropertyEditors.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.h"

namespace {

String FocusedText(TZCLTreeList* List) {
  TZCLTreeListNode* node = List->GetFocusedNode();
  return node ? node->GetValue(0) : String(u"<none>");
}

class FontPickerDialogTest : public ::testing::Test {
 public:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Font.reset(Create<TFont>());
    Font->SetName(u"DejaVu Sans");
    Font->SetSize(10);
    Font->SetStyle(TFontStyles{fsBold, fsUnderline});
    Font->SetColor(clRed);
    Headless::RunUntilIdle();
  }
  void TearDown() override { UIAnimationsEnabled = true; }
  TOwned<TZCLFontPickerDialog> Prepare(TZCLDialogApplyProc OnApply = nullptr) {
    TOwned<TZCLFontPickerDialog> dialog(TZCLCustomForm::CreateDialog<TZCLFontPickerDialog>(nullptr));
    dialog->Prepare(Font.get(), std::move(OnApply));
    return dialog;
  }
  TOwned<TFont> Font;
};

TEST_F(FontPickerDialogTest, TakesTheFontsValuesAndFollowsTheTypedOnes) {
  auto dialog = Prepare();
  EXPECT_EQ(dialog->GetCaption(), u"Font");
  EXPECT_FALSE(dialog->GetButtonApply()->GetVisible());
  EXPECT_EQ(dialog->GetFontNameEdit()->GetText(), u"DejaVu Sans");
  EXPECT_EQ(dialog->GetFontSizeEdit()->GetText(), u"10");
  EXPECT_EQ(dialog->GetFontColor(), 0xFFFF0000u);
  const bool checked[4] = {true, false, true, false};
  for (Integer i = 0; i < 4; ++i) EXPECT_EQ(dialog->GetStyleCheckBox(i)->GetChecked(), checked[i]) << i;
  EXPECT_EQ(FocusedText(dialog->GetFontList()), u"DejaVu Sans");
  EXPECT_EQ(FocusedText(dialog->GetSizeList()), u"10");
  EXPECT_FALSE(dialog->GetModified());
  // The sizes in their numeric order.
  TZCLTreeListNode* root = dialog->GetSizeList()->GetRootNode();
  ASSERT_EQ(root->GetChildrenCount(), 16);
  EXPECT_EQ(root->GetChild(0)->GetValue(0), u"8");
  EXPECT_EQ(root->GetChild(15)->GetValue(0), u"72");

  dialog->GetFontSizeEdit()->SetText(u"13");
  EXPECT_EQ(FocusedText(dialog->GetSizeList()), u"<none>");
  EXPECT_TRUE(dialog->GetModified());
  dialog->GetFontNameEdit()->SetText(u"DejaVu Serif");
  EXPECT_EQ(FocusedText(dialog->GetFontList()), u"DejaVu Serif");
  dialog->GetFontNameEdit()->SetText(u"No Such Family");
  EXPECT_EQ(FocusedText(dialog->GetFontList()), u"<none>");
  // A chosen row goes into its edit.
  dialog->GetSizeList()->SetFocusedNode(root->GetChild(4));
  EXPECT_EQ(dialog->GetFontSizeEdit()->GetText(), u"12");
}

TEST_F(FontPickerDialogTest, TheWrittenSizeKeepsTheSignOfTheFontsSize) {
  struct TCase {
    Integer Size;
    String Typed;
    Integer Expected;
  } cases[] = {
      {10, u"14", 14},
      {-13, u"20", -20},  // a pixel height stays one
      {0, u"12", 12},     // no size yet: the typed one is kept
      {10, u"big", 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Size);
    Font->SetSize(c.Size);
    auto dialog = Prepare();
    dialog->GetFontSizeEdit()->SetText(c.Typed);
    dialog->GetStyleCheckBox(1)->SetChecked(true);
    dialog->DoApply();
    EXPECT_EQ(Font->GetSize(), c.Expected);
    EXPECT_EQ(Font->GetStyle(), (TFontStyles{fsBold, fsItalic, fsUnderline}));
    EXPECT_EQ(Font->GetName(), u"DejaVu Sans");
    EXPECT_EQ(Font->GetColor(), clRed);
    Font->SetStyle(TFontStyles{fsBold, fsUnderline});
  }
}

TEST_F(FontPickerDialogTest, ApplyPreviewsAndCancelRestoresOnce) {
  Integer applied = 0;
  auto dialog = Prepare([&] { ++applied; });
  EXPECT_TRUE(dialog->GetButtonApply()->GetVisible());
  dialog->GetFontNameEdit()->SetText(u"DejaVu Serif");
  dialog->SetFontColor(0xFF0000FF);
  dialog->GetButtonApply()->Click();
  EXPECT_EQ(Font->GetName(), u"DejaVu Serif");
  EXPECT_EQ(Font->GetColor(), TColor(0xFF0000));
  EXPECT_EQ(applied, 1);
  dialog->GetButtonCancel()->Click();
  EXPECT_EQ(Font->GetName(), u"DejaVu Sans");
  EXPECT_EQ(Font->GetColor(), clRed);
  EXPECT_EQ(applied, 2);
  dialog->DoCancel();
  EXPECT_EQ(applied, 2);
}

TEST_F(FontPickerDialogTest, TheSampleStaysReadable) {
  auto dialog = Prepare();
  TZCLStyleEdit* style = dialog->GetFontNameEdit()->GetStyle();
  const TColor content = style->GetContentColor(true), text = style->GetTextColor(true);
  ASSERT_NE(TZCLColors::IsDark(content), TZCLColors::IsDark(text));
  const TColor light = TZCLColors::IsDark(content) ? text : content;
  const TColor dark = TZCLColors::IsDark(content) ? content : text;
  for (TAlphaColor fontColor : {TAlphaColor(0xFFFFFFFF), TAlphaColor(0xFF000000)}) {
    SCOPED_TRACE(fontColor);
    dialog->SetFontColor(fontColor);
    TZCLBitmap bitmap(120, 40);
    dialog->DrawSample(bitmap.GetCanvas(), TRect(0, 0, 120, 40));
    EXPECT_EQ(bitmap.GetCanvas()->GetPixel(0, 0), style->GetBorderColor(false));
    EXPECT_EQ(bitmap.GetCanvas()->GetPixel(2, 2), fontColor == 0xFF000000 ? light : dark);
  }
}

TEST_F(FontPickerDialogTest, ExecuteConfirmsWithEnterAndTheInspectorOpensIt) {
  Headless::KeyPress(VK_RETURN);
  EXPECT_TRUE(TZCLFontPickerDialog::Execute(Font.get()));
  EXPECT_EQ(Font->GetSize(), 10);
  Headless::KeyPress(VK_ESCAPE);
  ASSERT_TRUE(TZCLPropertyEditorDialogs::FontPicker);
  EXPECT_FALSE(TZCLPropertyEditorDialogs::FontPicker(Font.get()));
}

}  // namespace
