#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/OS.Input.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/ui/ZCL.UI.Animation.h"
#include "zcl/ui/controls/ZCL.UI.ColorPalette.h"
#include "zcl/ui/controls/ZCL.UI.ColorPicker.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Panels.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.ColorPicker.h"
#include "zcl/ui/inspector/ZCL.UI.Controls.ObjectInspector.PropertyEditors.h"

namespace {

class ColorPickerDialogTest : public ::testing::Test {
 public:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Headless::RunUntilIdle();
  }
  void TearDown() override { UIAnimationsEnabled = true; }
  // A dialog set up for Color (not shown).
  TOwned<TZCLColorPickerDialog> Prepare(TAlphaColor& Color, bool AllowEditAlpha, TZCLDialogApplyProc OnApply) {
    TOwned<TZCLColorPickerDialog> dialog(TZCLCustomForm::CreateDialog<TZCLColorPickerDialog>(nullptr));
    dialog->Prepare(Color, AllowEditAlpha, String(), std::move(OnApply));
    return dialog;
  }
};

TEST_F(ColorPickerDialogTest, SetsUpThePickerAndThePaletteAndKeepsThemInStep) {
  TAlphaColor color = 0x80336699;
  auto dialog = Prepare(color, true, nullptr);
  dialog->Show();
  Headless::RunUntilIdle();
  EXPECT_EQ(dialog->GetCaption(), u"Color");
  EXPECT_FALSE(dialog->GetButtonApply()->GetVisible());
  EXPECT_EQ(dialog->GetPicker()->GetColor(), 0x80336699u);
  EXPECT_EQ(dialog->GetPalette()->GetColor(), 0x80336699u);
  EXPECT_FALSE(dialog->GetModified());
  // Cell 24, spacing 2, fifteen office colours; the palette sits under the picker.
  EXPECT_EQ(dialog->GetPalette()->GetWidth(), 388);
  EXPECT_EQ(dialog->GetPalette()->GetLeft(), 2 + 8);
  EXPECT_GE(dialog->GetPalette()->GetTop(), dialog->GetPicker()->GetBoundsRect().Bottom);
  EXPECT_GE(dialog->GetPanel()->GetWidth(), dialog->GetPalette()->GetBoundsRect().Right);
  // The buttons end at the panel's right, 8 pixels below it.
  EXPECT_EQ(dialog->GetButtonCancel()->GetBoundsRect().Right, dialog->GetPanel()->GetBoundsRect().Right);
  EXPECT_EQ(dialog->GetButtonOK()->GetTop(), dialog->GetPanel()->GetBoundsRect().Bottom + 8);

  dialog->GetPalette()->SetColor(0xFFC00000);
  EXPECT_EQ(dialog->GetPicker()->GetColor(), 0xFFC00000u);
  EXPECT_TRUE(dialog->GetModified());
  dialog->GetPicker()->SetColor(0xFF00C000);
  EXPECT_EQ(dialog->GetPalette()->GetColor(), 0xFF00C000u);
  // Nothing reaches the caller before OK.
  EXPECT_EQ(color, 0x80336699u);
  dialog->Hide();
}

TEST_F(ColorPickerDialogTest, ApplyPreviewsAndCancelRestoresOnce) {
  TAlphaColor color = 0xFF102030;
  Integer applied = 0;
  auto dialog = Prepare(color, true, [&] { ++applied; });
  EXPECT_TRUE(dialog->GetButtonApply()->GetVisible());
  dialog->GetPicker()->SetColor(0x80405060);
  dialog->GetButtonApply()->Click();
  EXPECT_EQ(color, 0x80405060u);
  EXPECT_EQ(applied, 1);
  EXPECT_FALSE(dialog->GetModified());
  dialog->GetButtonCancel()->Click();
  EXPECT_EQ(color, 0xFF102030u);
  EXPECT_EQ(applied, 2);
  // Escape or closing after the Cancel button: nothing more to undo.
  dialog->DoCancel();
  EXPECT_EQ(applied, 2);
}

TEST_F(ColorPickerDialogTest, WithoutAlphaEditingTheResultIsOpaque) {
  TAlphaColor color = 0xFF000000;
  auto dialog = Prepare(color, false, nullptr);
  dialog->GetPicker()->SetColor(0x20112233);
  dialog->DoApply();
  EXPECT_EQ(color, 0xFF112233u);
}

TEST_F(ColorPickerDialogTest, ExecuteAnswersWithTheKeys) {
  TAlphaColor color = 0xFF445566;
  Headless::KeyPress(VK_RETURN);
  EXPECT_TRUE(TZCLColorPickerDialog::Execute(color));
  EXPECT_EQ(color, 0xFF445566u);
  Headless::KeyPress(VK_ESCAPE);
  EXPECT_EQ(TZCLColorPickerDialog::Select(0x11223344), 0x11223344u);
  // Escape undoes an applied preview as the Cancel button does.
  Integer applied = 0;
  TZCLMainThread::QueueProc([&] {
    auto* dialog = dynamic_cast<TZCLColorPickerDialog*>(Screen->GetActiveForm());
    ASSERT_NE(dialog, nullptr);
    dialog->GetPicker()->SetColor(0xFF000080);
    dialog->GetButtonApply()->Click();
    Headless::KeyPress(VK_ESCAPE);
  });
  EXPECT_FALSE(TZCLColorPickerDialog::Execute(color, true, nullptr, u"Tint", [&] { ++applied; }));
  EXPECT_EQ(color, 0xFF445566u);
  EXPECT_EQ(applied, 2);
}

TEST_F(ColorPickerDialogTest, TheInspectorsColourEditorsOpenTheDialog) {
  ASSERT_TRUE(TZCLPropertyEditorDialogs::ColorPicker);
  TAlphaColor color = 0xFF0000FF;
  Headless::KeyPress(VK_RETURN);
  EXPECT_TRUE(TZCLPropertyEditorDialogs::ColorPicker(color, false));
  EXPECT_EQ(color, 0xFF0000FFu);
}

}  // namespace
