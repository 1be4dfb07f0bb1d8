#include <gtest/gtest.h>

#include <vector>

#include "ControlsTestSupport.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.StdCtrls.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/ui/controls/ZCL.UI.Labels.h"

namespace {

using namespace testskin;

// Records what the label draws and opens instead of doing it.
class TProbeLabel : public TZCLLabel {
  ZCL_CLASS(TProbeLabel, TZCLLabel)
 public:
  using TZCLLabel::TZCLLabel;
  struct TDrawn {
    TRect R;
    TColor Color;
  };
  std::vector<TDrawn> Drawn;
  Integer Opened = 0;
  void RunEffects(TRect& R) {
    TZCLBitmap bitmap(100, 40);
    DrawEffects(bitmap.GetCanvas(), R);
  }

 protected:
  void DrawText(TCanvas*, const TRect& R, TColor Color) override { Drawn.push_back({R, Color}); }
  void OpenURL() override { ++Opened; }
};

struct TClickCounter {
  Integer Clicks = 0;
  void Click(TObject*) { ++Clicks; }
};

class LabelTest : public ::testing::Test {
 public:
  void SetUp() override {
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 300, 200);
    Form->SetBorderStyle(bsNone);
    Label = Create<TProbeLabel>(Form.get());
    Label->SetParent(Form.get());
    Label->SetBounds(10, 10, 100, 40);
    Label->SetCaption(u"Caption");
  }
  TOwned<TForm> Form;
  TProbeLabel* Label = nullptr;
};

TEST(LabelStyle, EffectSizeIsClampedAndLineExcludesWordWrap) {
  TOwned<TZCLStyleLabel> style(Create<TZCLStyleLabel>(static_cast<TObject*>(nullptr)));
  struct Case {
    Integer Set, Stored;
  } cases[] = {{25, 10}, {-25, -10}, {10, 10}, {-3, -3}, {0, 0}};
  for (const Case& c : cases) {
    style->SetEffectSize(c.Set);
    EXPECT_EQ(style->GetEffectSize(), c.Stored) << c.Set;
  }
  style->SetShowLine(true);
  style->SetWordWrap(true);
  EXPECT_FALSE(style->GetShowLine());
  style->SetShowLine(true);
  EXPECT_FALSE(style->GetWordWrap());

  TOwned<TZCLStyleLabel> copy(Create<TZCLStyleLabel>(static_cast<TObject*>(nullptr)));
  style->SetEffect(sleShadow);
  style->SetEffectSize(-4);
  copy->Assign(style.get());
  EXPECT_EQ(copy->GetEffect(), sleShadow);
  EXPECT_EQ(copy->GetEffectSize(), -4);
  EXPECT_TRUE(copy->GetShowLine());
}

TEST_F(LabelTest, EffectsDrawTheShadowColourAroundOrBesideTheText) {
  Label->GetStyle()->GetColorShadow()->SetAsColor(TColor(0x123456));
  struct Case {
    TZCLLabelEffect Effect;
    Integer Size;
    size_t Draws;
    TRect Narrowed;
    TRect First;
  } cases[] = {
      // Contour: four corners per step, the text rectangle deflated by the size.
      {sleContour, 2, 8, TRect(12, 12, 48, 28), TRect(13, 13, 49, 29)},
      {sleShadow, 3, 1, TRect(10, 10, 47, 27), TRect(13, 13, 50, 30)},
      {sleShadow, -3, 1, TRect(13, 13, 50, 30), TRect(10, 10, 47, 27)},
      {sleContour, 0, 0, TRect(10, 10, 50, 30), TRect()},
      {sleNone, 4, 0, TRect(10, 10, 50, 30), TRect()},
  };
  for (const Case& c : cases) {
    Label->GetStyle()->SetEffect(c.Effect);
    Label->GetStyle()->SetEffectSize(c.Size);
    Label->Drawn.clear();
    TRect r(10, 10, 50, 30);
    Label->RunEffects(r);
    EXPECT_EQ(r, c.Narrowed) << int(c.Effect) << " " << c.Size;
    ASSERT_EQ(Label->Drawn.size(), c.Draws);
    for (const auto& d : Label->Drawn) EXPECT_EQ(d.Color, TColor(0x123456));
    if (c.Draws) EXPECT_EQ(Label->Drawn[0].R, c.First);
  }
}

TEST_F(LabelTest, UrlOpensOnlyWithoutAClickHandlerAndHitsOnlyOverTheText) {
  EXPECT_EQ(Label->GetCursor(), crDefault);
  Label->SetURL(u"https://example.org");
  EXPECT_EQ(Label->GetCursor(), crHandPoint);
  EXPECT_FALSE(Label->IsCursorStored());
  Label->Click();
  EXPECT_EQ(Label->Opened, 1);
  TClickCounter counter;
  Label->OnClick = TNotifyEvent(&counter, &TClickCounter::Click);
  Label->Click();
  EXPECT_EQ(Label->Opened, 1);
  EXPECT_EQ(counter.Clicks, 1);

  const TRect text = Label->GetTextRect();
  ASSERT_FALSE(text.IsEmpty());
  EXPECT_NE(Label->Perform(CM_HITTEST, 0, MAKELPARAM(text.Left + 1, text.Top + 1)), 0);
  EXPECT_EQ(Label->Perform(CM_HITTEST, 0, MAKELPARAM(Label->GetWidth() - 1, 0)), 0);

  // A cursor chosen on purpose survives URL changes.
  Label->SetCursor(crIBeam);
  Label->SetURL(u"");
  EXPECT_EQ(Label->GetCursor(), crIBeam);
  EXPECT_TRUE(Label->IsCursorStored());
}

TEST_F(LabelTest, ClickWithoutUrlFocusesTheSubControl) {
  auto* edit = Create<TEdit>(Form.get());
  edit->SetParent(Form.get());
  edit->SetWidth(40);
  Label->GetSubControl()->SetControl(edit);
  Form->Show();
  Headless::RunUntilIdle();
  Label->Click();
  EXPECT_TRUE(edit->Focused());
  EXPECT_EQ(Label->Opened, 0);
  // The sub-control sits at the right, the text keeps clear of it.
  EXPECT_EQ(edit->GetLeft(), Label->GetLeft() + Label->GetWidth() - 40);
  EXPECT_LE(Label->GetLeft() + Label->GetTextRect().Right, edit->GetLeft() - 5);
}

TEST_F(LabelTest, AutoSizeFollowsWrapAndLineRules) {
  const TSize one = MeasureTextSize(Label->GetFont(), u"Caption");
  Label->SetAutoSize(true);
  EXPECT_EQ(Label->GetWidth(), one.cx);
  EXPECT_EQ(Label->GetHeight(), one.cy);
  // ShowLine keeps the width.
  Label->SetAutoSize(false);
  Label->SetWidth(200);
  Label->GetStyle()->SetShowLine(true);
  Label->SetAutoSize(true);
  EXPECT_EQ(Label->GetWidth(), 200);
  EXPECT_EQ(Label->GetHeight(), one.cy);
  EXPECT_EQ(Label->GetLineRect().Height(), 2);
  EXPECT_EQ(Label->GetLineRect().Width(), 200);
  // WordWrap wraps at the current width.
  Label->GetStyle()->SetWordWrap(true);
  EXPECT_FALSE(Label->GetStyle()->GetShowLine());
  Label->SetAutoSize(false);
  Label->SetWidth(one.cx + 5);
  Label->SetCaption(u"Caption Caption Caption");
  Label->SetAutoSize(true);
  EXPECT_LE(Label->GetWidth(), one.cx + 5);
  EXPECT_EQ(Label->GetHeight(), 3 * one.cy);
}

TEST(ValidationLabel, EmptyCaptionIsAsLargeAsTheIconArea) {
  TTestSkin skin;
  skin.Add(u"Labels.Textures.Icons", kButton, 16, 16, 5);
  TOwned<TForm> form(TCustomForm::CreateNew<TForm>(nullptr));
  auto* label = Create<TZCLValidationLabel>(form.get());
  label->SetResourceCollection(skin.Get());
  label->SetParent(form.get());
  label->SetCaption(u"");
  label->AdjustSize();
  EXPECT_EQ(label->GetIcon(), vliWarning);
  EXPECT_EQ(label->GetWidth(), 16 + 5);
  EXPECT_EQ(label->GetHeight(), 16);
  label->SetCaption(u"Invalid");
  EXPECT_EQ(label->GetWidth(), 21 + MeasureTextSize(label->GetFont(), u"Invalid").cx);
  EXPECT_EQ(label->GetTextRect().Left, 21);
}

}  // namespace
