#include <gtest/gtest.h>

#include <cmath>

#include "ControlsTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/controls/ZCL.UI.ColorPalette.h"

namespace {

using H = TAlphaColorHelper;

struct TColorEvents {
  Integer Count = 0;
  void Changed(TObject*) { ++Count; }
};

class ColorPaletteTest : public ::testing::Test {
 public:
  void SetUp() override {
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 500, 300);
    Form->SetBorderStyle(bsNone);
    Palette = Create<TZCLColorPalette>(Form.get());
    Palette->SetParent(Form.get());
    Palette->SetBounds(0, 0, 100, 100);
    Palette->OnColorChanged = TNotifyEvent(&Events, &TColorEvents::Changed);
  }
  void Options(Integer CellSize, Integer Spacing, Integer Tints) {
    TZCLColorPaletteOptionsView* o = Palette->GetOptionsView();
    o->BeginUpdate();
    o->SetCellSize(CellSize);
    o->SetCellSpacing(Spacing);
    o->SetStyleOfficeTintCount(Tints);
    o->EndUpdate();
  }
  TOwned<TForm> Form;
  TZCLColorPalette* Palette = nullptr;
  TColorEvents Events;
};

TEST_F(ColorPaletteTest, OptionsAreClamped) {
  TZCLColorPaletteOptionsView* o = Palette->GetOptionsView();
  o->SetCellSize(0);
  EXPECT_EQ(o->GetCellSize(), 1);
  o->SetCellSpacing(-5);
  EXPECT_EQ(o->GetCellSpacing(), -1);
  o->SetStyleOfficeTintCount(0);
  EXPECT_EQ(o->GetStyleOfficeTintCount(), 1);
  o->SetStyleOfficeTintCount(12);
  EXPECT_EQ(o->GetStyleOfficeTintCount(), 10);
}

TEST_F(ColorPaletteTest, TheControlTakesTheSizeOfItsGrid) {
  EXPECT_EQ(Palette->GetItems()->GetCount(), 15);
  // The colour dialog's palette: 15 columns of 24 px with 2 px between, four tints.
  Options(24, 2, 4);
  EXPECT_EQ(Palette->GetWidth(), 24 * 15 + 2 * 14);
  EXPECT_EQ(Palette->GetHeight(), 24 + 2 + 4 * 22 + 2);
  EXPECT_EQ(Palette->GetViewInfo()->GetCells().size(), 15u * 5);

  // A none colour has no tints, but the grid keeps its height.
  Palette->GetItems()->GetItem(3)->SetColor(claNone);
  EXPECT_EQ(Palette->GetViewInfo()->GetCells().size(), 14u * 5 + 1);
  EXPECT_EQ(Palette->GetHeight(), 24 + 2 + 4 * 22 + 2);

  // Automatic spacing spreads the columns over a wider container.
  Options(16, -1, 5);
  Palette->SetBounds(0, 0, 400, 10);
  EXPECT_EQ(Palette->GetWidth(), 16 * 15 + 14 * ((400 - 16 * 15) / 14));

  // Classic rows wrap at the width; switching the style keeps the items.
  Options(16, 4, 5);
  Palette->GetOptionsView()->SetStyle(cpsClassic);
  EXPECT_EQ(Palette->GetItems()->GetCount(), 15);
  Palette->SetBounds(0, 0, 100, 10);
  EXPECT_EQ(Palette->GetWidth(), 5 * 16 + 4 * 4);  // five cells to a row
  EXPECT_EQ(Palette->GetHeight(), 3 * 16 + 2 * 4);

  Palette->GetItems()->Clear();
  EXPECT_EQ(Palette->GetWidth(), 0);
  EXPECT_EQ(Palette->GetHeight(), 0);
  Palette->GetItems()->Populate(cpsClassic);
  EXPECT_EQ(Palette->GetItems()->GetCount(), 20);
  EXPECT_EQ(Palette->GetItems()->GetItem(8)->GetColor(), H::FromARGB(255, 192, 220, 192));
}

TEST_F(ColorPaletteTest, TintsApproachTheirBandFromTheLightestDown) {
  struct TCase {
    TAlphaColor Color;
    Integer Index;
    Byte Lightness;  // of the tint, as a byte
  } cases[] = {
      {H::FromARGB(255, 255, 255, 255), 0, Byte(std::lround((0.8 + 0.2 * (1 - 1.0 / 6)) * 255))},
      {H::FromARGB(255, 255, 255, 255), 4, Byte(std::lround((0.8 + 0.2 * (1 - 5.0 / 6)) * 255))},
      {H::FromARGB(255, 0, 0, 0), 0, Byte(std::lround(0.49 * (1 - 1.0 / 6) * 255))},
  };
  for (const TCase& c : cases) {
    const TAlphaColor tint = ColorPaletteTint(c.Color, c.Index, 5);
    EXPECT_NEAR(H::GetComponent(tint, 0), c.Lightness, 1) << c.Index;
  }
  // Hue, saturation and alpha stay: a half-transparent red gives half-transparent reds.
  const TAlphaColor red = ColorPaletteTint(H::FromARGB(128, 255, 0, 0), 0, 5);
  EXPECT_EQ(H::GetComponent(red, 3), 128);
  EXPECT_EQ(H::GetComponent(red, 2), 255);
  EXPECT_EQ(H::GetComponent(red, 1), H::GetComponent(red, 0));
}

TEST_F(ColorPaletteTest, AnyButtonPicksTheCellAndHoverShowsItsCode) {
  Options(16, 4, 5);
  Form->Show();
  Headless::RunUntilIdle();
  const TRect cell = Palette->GetViewInfo()->GetCells()[0].Bounds;
  const TPoint p = Palette->ClientToScreen(cell.CenterPoint());
  Headless::Click(p, TMouseButton::Right);
  Headless::RunUntilIdle();
  EXPECT_EQ(Palette->GetColor(), H::FromARGB(255, 0, 0, 255));
  EXPECT_EQ(Events.Count, 1);
  Palette->SetColor(H::FromARGB(255, 0, 0, 255));
  EXPECT_EQ(Events.Count, 1);
  EXPECT_EQ(Palette->GetHint(), u"FF0000FF");
  Headless::MouseMove(Palette->ClientToScreen(TPoint(cell.Right + 1, cell.Top + 2)));  // between two cells
  Headless::RunUntilIdle();
  EXPECT_EQ(Palette->GetHint(), u"");
}

}  // namespace
