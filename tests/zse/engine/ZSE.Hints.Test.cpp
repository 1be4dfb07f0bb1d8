#include <gtest/gtest.h>

#include "zcl/graphics/ZCL.Graphics.TextLayout.h"
#include "zse/engine/ZSE.Hints.h"
#include "zse/engine/ZSE.Resources.h"
#include "zse/engine/ZSE.Types.h"

namespace {

struct AdvancedHint : ::testing::Test {
  void SetUp() override { Window = Create<TZSEAdvancedHintWindow>(static_cast<TComponent*>(nullptr)); }
  void TearDown() override { Free(Window); }
  TZSEAdvancedHintWindow* Window = nullptr;
};

TEST_F(AdvancedHint, GlyphsComeFromTheBuiltInImageAtEveryDPI) {
  TZSETexture* glyphs = Window->GetGlyphTexture();
  for (Integer dpi : {96, 144, 192}) {
    Window->SetTargetDPI(dpi);
    glyphs->GetImage(dpi, TZCLBoolean::Default);
    ASSERT_NE(glyphs->GetCurrentImage(), nullptr);
    EXPECT_EQ(glyphs->GetFrameCount(), 3);
    EXPECT_EQ(glyphs->GetFrameSize(), TSize(8 * dpi / 96, 8 * dpi / 96)) << dpi;
  }
}

TEST_F(AdvancedHint, FurtherLinesWidenAndHeightenTheHint) {
  auto* plain = Create<TZSEHintWindow>(static_cast<TComponent*>(nullptr));
  const TRect base = plain->CalcHintRect(300, u"Play", nullptr);
  Free(plain);
  struct Case {
    bool WithData;
    const char16_t* Hold;
    const char16_t* Context;
    bool Extra;
    Integer Lines;
  };
  const Case cases[] = {{false, u"", u"", false, 0},
                        {true, u"", u"", false, 0},
                        {true, u"", u"Menu", true, 1},
                        {true, u"Hold: stop", u"", true, 1},
                        {true, u"Hold: stop", u"Menu", true, 2}};
  for (const Case& c : cases) {
    TZSEHintData data;
    data.Text = u"Play";
    data.HoldActionText = c.Hold;
    data.ContextActionText = c.Context;
    const TRect r = Window->CalcHintRect(300, u"Play", c.WithData ? &data : nullptr);
    SCOPED_TRACE(&c - cases);
    EXPECT_EQ(Window->GetHasExtraLines(), c.Extra);
    if (!c.Extra) {
      // No glyph indent and no extra height without further lines.
      EXPECT_EQ(r, base);
      continue;
    }
    EXPECT_GE(r.Width(), base.Width() + 8 + 5);
    EXPECT_GT(r.Height(), base.Height() + (c.Lines - 1) * 10);
    if (c.Lines == 2) EXPECT_GT(r.Height(), Window->CalcHintRect(300, u"Play", nullptr).Height() * 2);
  }
}

TEST_F(AdvancedHint, FurtherTextsAreLocalized) {
  TZSEHintData data;
  data.Text = u"Volume";
  data.ContextActionText = u"first\\nsecond";
  Window->SetHintText(data.Text, &data);
  EXPECT_TRUE(Window->GetLine1()->GetText().empty());
  EXPECT_EQ(Window->GetLine2()->GetText(), u"first\r\nsecond");
  Window->SetHintText(u"Volume", nullptr);
  EXPECT_FALSE(Window->GetHasExtraLines());
  EXPECT_TRUE(Window->GetLine2()->GetText().empty());
}

}  // namespace
