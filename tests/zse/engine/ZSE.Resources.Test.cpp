#include <gtest/gtest.h>

#include "rtl/RTL.Objects.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
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

namespace {

TEST(SkinTextures, SchemaAttributesPerAssignedGroup) {
  TZSESchema schema;
  TZSETexture* texture = Create<TZSETexture>(nullptr);
  texture->SetCoverFrameIndex(3);
  texture->SetColor(0xFF112233);
  TZSESchemaClassAdapterClass adapter = SchemaFindClassAdapter(texture);
  ASSERT_EQ(adapter, TZSETextureSchemaAdapter::StaticClass());
  TZCLXMLNode node;
  adapter->Save(texture, &node, &schema, u"Face.Texture");
  TZCLXMLAttributes* a = node.GetAttributes();
  EXPECT_EQ(a->GetValue(u"CoverFrame"), u"3");
  EXPECT_EQ(a->GetValue(u"Color"), u"-15654349");  // the ARGB bits as a signed integer
  EXPECT_FALSE(a->Exists(u"MaskFrame"));
  EXPECT_FALSE(a->Exists(u"HitTestMode"));

  TZSETexture* back = Create<TZSETexture>(nullptr);
  adapter->Load(back, &node, &schema);
  EXPECT_EQ(back->GetCoverFrameIndex(), 3);
  EXPECT_EQ(back->GetColor(), 0xFF112233u);
  EXPECT_EQ(back->GetAssignedValues(), (TZSETextureAssignedValues{atavCover, atavColor}));
  Free(back);

  // Only a hit-test mode: that group is assigned, its mask frame stays -1.
  TZCLXMLNode only;
  only.GetAttributes()->SetValueAsInteger(u"HitTestMode", 1);
  back = Create<TZSETexture>(nullptr);
  adapter->Load(back, &only, &schema);
  EXPECT_EQ(back->GetAssignedValues(), TZSETextureAssignedValues{atavHitTest});
  EXPECT_EQ(back->GetHitTestMode(), ihtmMask);
  EXPECT_EQ(back->GetHitTestMaskFrameIndex(), -1);
  Free(back);
  Free(texture);
}

TEST(SkinFonts, SchemaShadowAttributes) {
  TZSESchema schema;
  TZSEFont* font = Create<TZSEFont>(nullptr);
  TZSESchemaClassAdapterClass adapter = SchemaFindClassAdapter(font);
  ASSERT_EQ(adapter, TZSEFontSchemaAdapter::StaticClass());
  TZCLXMLNode plain;
  plain.GetAttributes()->SetValue(u"value", u"DejaVu Sans,0,-12,0");
  adapter->Load(font, &plain, &schema);
  EXPECT_FALSE(font->GetShadow()->GetAssigned());

  TZCLXMLNode shadowed;
  shadowed.GetAttributes()->SetValue(u"value", u"DejaVu Sans,0,-12,0");
  shadowed.GetAttributes()->SetValueAsInteger(u"ShadowBlur", 4);
  shadowed.GetAttributes()->SetValueAsInteger(u"ShadowColor", 0x0000FF);
  shadowed.GetAttributes()->SetValueAsInteger(u"ShadowColorAlpha", 128);
  shadowed.GetAttributes()->SetValueAsInteger(u"ColorAlpha", 200);
  adapter->Load(font, &shadowed, &schema);
  EXPECT_TRUE(font->GetShadow()->GetAssigned());
  EXPECT_EQ(font->GetShadow()->GetBlur(), 4);
  EXPECT_EQ(font->GetShadow()->GetSize(), 1);
  EXPECT_EQ(font->GetShadow()->GetColor() >> 24, 128u);
  EXPECT_EQ(font->GetColor() >> 24, 200u);
  Free(font);
}

}  // namespace
