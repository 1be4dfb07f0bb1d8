#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/controls/ZCL.UI.ColorPicker.h"

namespace {

using H = TAlphaColorHelper;

struct TColorEvents {
  Integer Count = 0;
  void Changed(TObject*) { ++Count; }
};

class ColorPickerTest : public ::testing::Test {
 public:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(50, 50, 600, 500);
    Form->SetBorderStyle(bsNone);
    Picker = Create<TZCLColorPicker>(Form.get());
    Picker->SetParent(Form.get());
    Picker->SetOnColorChanged(TNotifyEvent(&Events, &TColorEvents::Changed));
    Form->Show();
    Headless::RunUntilIdle();
  }
  void TearDown() override {
    Form.reset();
    UIAnimationsEnabled = true;
  }
  TZCLColorPickerViewInfo* View() { return Picker->GetPickerSubClass()->GetPickerViewInfo(); }
  TZCLColorPickerColorInfo* Model() { return Picker->GetPickerSubClass()->GetColorInfo(); }
  String Code() { return View()->GetHexCode()->GetCodeEdit()->GetText(); }
  Integer Spin(Integer Kind) { return View()->GetSpinCell(Kind)->GetSpinEdit()->GetValue().AsInteger(); }
  TPoint Screen(const TPoint& P) { return Picker->ClientToScreen(P); }

  TOwned<TForm> Form;
  TZCLColorPicker* Picker = nullptr;
  TColorEvents Events;
};

TEST_F(ColorPickerTest, TheCodeShowsNoneAndDefaultAndEveryTypedPrefixSetsTheColour) {
  Picker->SetColor(H::FromARGB(255, 10, 20, 30));
  EXPECT_EQ(Code(), u"FF0A141E");
  EXPECT_EQ(Spin(1), 10);
  EXPECT_EQ(Spin(0), 255);
  Picker->SetColor(claNone);
  EXPECT_EQ(Code(), u"None");
  // Transparent 1, 2, 3 is the default colour; typed as a code, the default colour is opaque black.
  Picker->SetColor(H::FromARGB(255, 1, 2, 3));
  Model()->SetAlpha(0);
  EXPECT_EQ(Code(), u"Default");
  EXPECT_EQ(Picker->GetColor(), claDefault);

  struct TCase {
    const char16_t* Typed;
    TAlphaColor Expected;
  } cases[] = {
      {u"FF8", 0xFFFF8000},        // padded with zeros, then opaque
      {u"12", 0xFF120000},         //
      {u"1234567", 0x01234567},    // a leading zero: the first digit is the alpha's low digit
      {u"80FFFFFF", 0x80FFFFFF},   //
      {u"", 0xFF000000},           // empty: the default colour, shown opaque black
  };
  TZCLEdit* edit = View()->GetHexCode()->GetCodeEdit();
  edit->SetFocus();
  Headless::RunUntilIdle();
  for (const TCase& c : cases) {
    edit->SetText(c.Typed);
    EXPECT_EQ(H::ToARGB(Picker->GetColor()), c.Expected) << String(c.Typed).size();
    EXPECT_EQ(edit->GetText(), String(c.Typed));  // the focused edit is not rewritten
  }
  EXPECT_EQ(ColorPickerFilterCodeKey(u'g'), 0);
  EXPECT_EQ(ColorPickerFilterCodeKey(u'a'), u'a');
  EXPECT_EQ(ColorPickerFilterCodeKey(8), 8);
}

TEST_F(ColorPickerTest, RgbEditsRecomputeHslAndLoseTheHueOfAGrey) {
  Picker->SetColor(H::FromARGB(255, 255, 0, 0));
  Model()->SetHue(0.5f);  // cyan
  EXPECT_EQ(Spin(2), 255);
  EXPECT_EQ(Spin(4), 128);  // H on the byte scale
  // The S edit keeps the hue; making the colour grey through R, G, B loses it.
  View()->GetSpinCell(5)->GetSpinEdit()->SetValue(0);
  EXPECT_FLOAT_EQ(Model()->GetHue(), 0.5f);
  Picker->SetColor(H::FromARGB(255, 0, 255, 255));
  View()->GetSpinCell(1)->GetSpinEdit()->SetValue(255);
  EXPECT_EQ(Model()->GetHue(), 0);
  EXPECT_EQ(Model()->GetSaturation(), 0);
  View()->GetSpinCell(1)->GetSpinEdit()->SetValue(300);  // the edit's range clamps
  EXPECT_EQ(Spin(1), 255);
}

TEST_F(ColorPickerTest, DraggingInTheGamutClampsAndTheDraggedCellKeepsItsCache) {
  TZCLColorPickerGamutCell* gamut = View()->GetGamut();
  const TRect c = gamut->GetContentRect();
  Picker->SetColor(H::FromARGB(255, 128, 128, 128));
  Picker->Repaint();
  Headless::RunUntilIdle();
  Headless::MouseDown(Screen(TPoint(c.Left + c.Width() / 2, c.Top)));
  Headless::RunUntilIdle();
  EXPECT_NEAR(Model()->GetHue(), 0.5, 0.01);
  EXPECT_FLOAT_EQ(Model()->GetSaturation(), 1);
  Picker->Repaint();
  Headless::RunUntilIdle();
  TZCLBitmap* cache = gamut->GetCache();
  ASSERT_NE(cache, nullptr);
  // The first move past the drag threshold starts the drag; every later move applies its point.
  Headless::MouseMove(Screen(TPoint(c.Left + c.Width() / 2 + 10, c.Top + 10)));
  Headless::RunUntilIdle();
  EXPECT_TRUE(Picker->GetSubClass()->GetMouseCapture());
  EXPECT_TRUE(Picker->GetSubClass()->GetDragAndDropController()->GetIsActive());
  Headless::MouseMove(Screen(TPoint(c.Right + 50, c.Bottom + 50)));
  Headless::RunUntilIdle();
  EXPECT_FLOAT_EQ(Model()->GetHue(), 1);  // a full turn: red again
  EXPECT_FLOAT_EQ(Model()->GetSaturation(), 0);
  EXPECT_EQ(gamut->GetCache(), cache);
  EXPECT_EQ(gamut->GetCursor(), TPoint(c.Width(), c.Height()));
  Headless::MouseUp(Screen(TPoint(c.Right + 50, c.Bottom + 50)));
  Headless::RunUntilIdle();
  EXPECT_GT(Events.Count, 0);

  // The lightness slider: the top is white.
  TZCLColorPickerLightnessSliderCell* slider = View()->GetLightnessSlider();
  const TRect s = slider->GetContentRect();
  Headless::Click(Screen(TPoint(s.Left + 2, s.Top - 2)));
  Headless::RunUntilIdle();
  EXPECT_FLOAT_EQ(Model()->GetLightness(), 1);
  EXPECT_EQ(Spin(6), 255);
}

TEST_F(ColorPickerTest, WithoutAlphaEditingTheColourIsOpaqueAndTheAlphaCellsGo) {
  ASSERT_NE(View()->GetAlphaSlider(), nullptr);
  const Integer wideWidth = Picker->GetWidth();
  Picker->GetOptions()->SetAllowEditAlpha(false);
  EXPECT_EQ(View()->GetAlphaSlider(), nullptr);
  EXPECT_EQ(View()->GetSpinCell(0), nullptr);
  EXPECT_EQ(View()->GetHexCode()->GetCodeEdit()->GetMaxLength(), 6);
  EXPECT_LT(Picker->GetWidth(), wideWidth);
  Picker->SetColor(H::FromARGB(40, 1, 2, 200));
  EXPECT_EQ(Picker->GetColor(), H::FromARGB(255, 1, 2, 200));
  EXPECT_EQ(Code(), u"0102C8");
  Picker->SetColor(claNone);
  EXPECT_EQ(Picker->GetColor(), claNone);
}

TEST(ColorPickerModel, SetAlphaColorAndChannels) {
  TOwned<TZCLColorPickerColorInfo> m(new TZCLColorPickerColorInfo);
  TColorEvents events;
  m->OnChange = TNotifyEvent(&events, &TColorEvents::Changed);
  m->SetAlphaColor(claDefault);
  EXPECT_EQ(m->GetAlpha(), 255);
  EXPECT_EQ(m->GetLightness(), 0);
  m->SetAlphaColor(H::FromARGB(255, 0, 0, 0));  // the same colour: no change
  EXPECT_EQ(events.Count, 1);
  m->SetBlue(255);
  EXPECT_EQ(m->GetAlphaColor(), H::FromARGB(255, 0, 0, 255));
  EXPECT_FLOAT_EQ(m->GetHue(), 2.0f / 3);
  m->SetHue(1);
  EXPECT_EQ(m->GetAlphaColor(), H::FromARGB(255, 255, 0, 0));
}

}  // namespace
