#include <gtest/gtest.h>

#include "rtl/RTL.Objects.h"
#include "zcl/graphics/ZCL.Graphics.Font.h"
#include "zse/engine/ZSE.Resources.h"

namespace {

// An owner that hands out one resource for every identifier, as a collection would.
class TProvider : public TZCLUnknownObject, public IZCLResourceProvider {
  ZCL_CLASS(TProvider, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLResourceProvider)
  TZCLResource* Target = nullptr;
  TZCLResource* GetResource(const String&, TZCLResourceClass Class, TObject*) override {
    return Target && Target->InheritsFrom(Class) ? Target : nullptr;
  }
};

TEST(SkinFonts, ShadowIsInheritedUntilOneValueIsSet) {
  TProvider provider;
  TZSEFont* base = Create<TZSEFont>(nullptr);
  base->GetShadow()->SetBlur(6);
  base->GetShadow()->SetColor(0xFF102030);
  base->GetShadow()->SetSize(3);
  provider.Target = base;
  TZSEFont* font = Create<TZSEFont>(&provider);
  font->SetID(u"Base");
  ASSERT_EQ(font->GetReference(), base);
  EXPECT_FALSE(font->GetAssignedValuesEx().Contains(afavShadow));
  EXPECT_EQ(font->GetShadow()->GetBlur(), 6);
  EXPECT_EQ(font->GetShadow()->GetColor(), 0xFF102030u);
  EXPECT_EQ(font->GetShadow()->GetSize(), 3);

  // Any shadow value of its own makes all four its own.
  font->GetShadow()->SetBlur(2);
  EXPECT_TRUE(font->GetAssignedValuesEx().Contains(afavShadow));
  EXPECT_EQ(font->GetShadow()->GetBlur(), 2);
  EXPECT_EQ(font->GetShadow()->GetSize(), 1);
  EXPECT_EQ(font->GetShadow()->GetColor(), 0u);
  Free(font);
  Free(base);
}

TEST(SkinFonts, AssignToScalesTheShadowForTheTargetDpi) {
  TZSEFont* font = Create<TZSEFont>(nullptr);
  font->GetShadow()->SetBlur(4);
  font->GetShadow()->SetSize(2);
  font->GetShadow()->SetColor(0x80000000);
  font->SetTargetDPI(192);
  TZCLFont* out = new TZCLFont();
  font->AssignTo(out);
  EXPECT_EQ(out->GetShadow()->GetBlur(), 8);
  EXPECT_EQ(out->GetShadow()->GetSize(), 3);  // clamped by the shadow itself
  delete out;
  Free(font);
}

TEST(SkinFonts, FontSetMakesFontsOnDemandAndTracksMetrics) {
  Integer changes = 0;
  struct TCounter {
    Integer* Count;
    void Changed(TZSEOptionsPersistent*) { ++*Count; }
  } counter{&changes};
  TZSEFonts fonts(nullptr, {&counter, &TCounter::Changed});
  EXPECT_FALSE(fonts.HasVaryingMetrics());
  TZSEFont* normal = fonts.GetFont(0);
  EXPECT_EQ(fonts.GetFont(0), normal);
  fonts.GetFont(3)->SetSize(normal->GetSize());
  EXPECT_FALSE(fonts.HasVaryingMetrics());
  const Integer before = changes;
  fonts.GetFont(3)->SetStyle(TFontStyles{TFontStyle::fsBold});
  EXPECT_GT(changes, before);
  EXPECT_TRUE(fonts.HasVaryingMetrics());

  TZSEFonts copy(nullptr, {});
  copy.Assign(&fonts);
  EXPECT_EQ(copy.GetCount(), 2);
  EXPECT_TRUE(copy.GetFont(3)->GetStyle().Contains(TFontStyle::fsBold));
}

TEST(SkinTextures, GroupsAreOwnOrInherited) {
  TProvider provider;
  TZSETexture* base = Create<TZSETexture>(nullptr);
  base->SetCoverFrameIndex(2);
  base->SetMaskMode(tmmApplyToContent);
  provider.Target = base;
  TZSETexture* texture = Create<TZSETexture>(&provider);
  EXPECT_EQ(texture->GetCoverFrameIndex(), -1);
  EXPECT_EQ(texture->GetMaskFrameIndex(), -1);
  EXPECT_EQ(texture->GetHitTestMode(), ihtmOpaque);
  texture->SetID(u"Base");
  EXPECT_EQ(texture->GetCoverFrameIndex(), 2);
  EXPECT_EQ(texture->GetMaskMode(), tmmApplyToContent);
  EXPECT_TRUE(texture->GetAssignedValues().Empty());

  // Setting one value of a group makes the group its own.
  texture->SetHitTestMode(ihtmMask);
  EXPECT_EQ(texture->GetAssignedValues(), TZSETextureAssignedValues{atavHitTest});
  EXPECT_EQ(texture->GetHitTestMaskFrameIndex(), -1);
  texture->SetCoverFrameIndex(2);  // same value as inherited: now its own
  EXPECT_TRUE(texture->GetAssignedValues().Contains(atavCover));
  base->SetCoverFrameIndex(5);
  EXPECT_EQ(texture->GetCoverFrameIndex(), 2);

  // No mask frame: no mask.
  EXPECT_FALSE(texture->HasMask());
  EXPECT_EQ(texture->GetHitTestMode(), ihtmMask);
  texture->SetHitTestMode(ihtmOpaque);
  EXPECT_TRUE(texture->HitTest(TRect(0, 0, 10, 10), 1, 1));
  texture->SetHitTestMode(ihtmTransparent);
  EXPECT_FALSE(texture->HitTest(TRect(0, 0, 10, 10), 1, 1));

  // Reset drops every group.
  texture->Reset();
  EXPECT_TRUE(texture->GetAssignedValues().Empty());
  Free(texture);
  Free(base);
}

TEST(SkinTextures, TintComesFromTheOwnColourOrTheReference) {
  TProvider provider;
  TZSETexture* base = Create<TZSETexture>(nullptr);
  EXPECT_EQ(base->GetTintColor(), 0u);
  base->SetColor(0xFF336699);
  EXPECT_TRUE(base->GetAssignedValues().Contains(atavColor));
  EXPECT_EQ(base->GetTintColor(TZCLBoolean::False), 0xFF336699u);
  provider.Target = base;
  TZSETexture* texture = Create<TZSETexture>(&provider);
  texture->SetID(u"Base");
  EXPECT_EQ(texture->GetTintColor(TZCLBoolean::False), 0xFF336699u);
  EXPECT_EQ(texture->GetColorMode(), cmTint);
  texture->SetColorMode(cmHue);
  EXPECT_EQ(texture->GetColorMode(), cmHue);
  Free(texture);
  Free(base);
}

TEST(SkinTextures, MeasureTextAddsTheShadowSides) {
  TZSEFont* font = Create<TZSEFont>(nullptr);
  font->GetShadow()->SetColor(0xFF000000);
  font->GetShadow()->SetSize(2);
  const TSize plain = MeasureText(font, u"Skin", 0);
  const TSize shadowed = MeasureText(font, u"Skin");
  const TRect m = font->GetShadowMargins();
  EXPECT_GT(plain.cx, 0);
  EXPECT_EQ(shadowed.cx, plain.cx + m.Left + m.Right);
  EXPECT_EQ(shadowed.cy, plain.cy + m.Top + m.Bottom);
  Free(font);
}

}  // namespace
