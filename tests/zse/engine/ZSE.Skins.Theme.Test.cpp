#include <gtest/gtest.h>

#include "zcl/base/ZCL.FileFormats.INI.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zcl/ui/ZCL.UI.ImageList.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"
#include "zcl/ui/ZCL.UI.SkinImageSet.h"
#include "zse/engine/ZSE.Hints.h"
#include "zse/engine/ZSE.Schema.h"
#include "zse/engine/ZSE.Skins.Theme.h"

namespace {

TEST(ScaleFactors, PercentDpiTextAndOrder) {
  struct {
    TZSEScalingFactor Factor;
    Integer Percent;
    Integer Dpi;
  } cases[] = {{sfAuto, 0, 0},    {sf100, 100, 96},  {sf125, 125, 120}, {sf175, 175, 168},
               {sf250, 250, 240}, {sf300, 300, 288}, {sf500, 500, 480}};
  for (const auto& c : cases) {
    EXPECT_EQ(ScaleFactorToPercent(c.Factor), c.Percent);
    EXPECT_EQ(ScaleFactorToDPI(c.Factor), c.Dpi);
  }
  EXPECT_EQ(ScaleFactorToText(sf125), u"125% / 120 dpi");
  EXPECT_EQ(ScaleFactorsToList({sf200, sfAuto, sf100, sf150}), (std::vector<TZSEScalingFactor>{sf100, sf150, sf200}));
}

TEST(SkinManifest, ScalingPicksTheFactorAndTheRatio) {
  struct {
    TZSEScaleFactors Factors;
    bool InBetween;
    bool Unsupported;
    Integer Target;
    Integer SkinDpi, Numerator, Denominator;
  } cases[] = {
      {{}, true, true, 144, 144, 3, 2},               // no factors: 100% images scaled
      {{sf100, sf200}, true, true, 144, 144, 3, 2},   // in-between: the 100% ones scaled up
      {{sf100, sf200}, false, true, 144, 96, 1, 1},   // nearest, the tie to the earlier one
      {{sf100, sf200}, false, true, 180, 192, 1, 1},  // nearest
      {{sf100, sf150}, true, true, 192, 192, 4, 3},   // beyond the largest: scaled
      {{sf100, sf150}, true, false, 192, 144, 1, 1},  // beyond the largest: as it is
      {{sf125, sf200}, true, true, 96, 96, 4, 5},     // below the smallest: scaled down
      {{sf100, sf200}, true, true, 192, 192, 1, 1},   // exactly supported
  };
  for (const auto& c : cases) {
    TZSESkinManifest m;
    m.SetSupportedScaleFactors(c.Factors);
    m.SetAutoAdjustForInBetweenScaleFactors(c.InBetween);
    m.SetAutoAdjustForUnsupportedScaleFactors(c.Unsupported);
    Integer skin = 0, num = 0, den = 0;
    m.GetScaling(c.Target, skin, num, den);
    EXPECT_EQ(skin, c.SkinDpi) << c.Target;
    EXPECT_EQ(num, c.Numerator) << c.Target;
    EXPECT_EQ(den, c.Denominator) << c.Target;
  }
}

TEST(SkinManifest, AttributesOfTheSkinElement) {
  TZCLXMLNode skin;
  TZCLXMLAttributes* a = skin.GetAttributes();
  a->SetValue(u"ID", u"Night");
  a->SetValue(u"AllowColoration", u"TRUE");
  a->SetValue(u"ScaleFactors", u"[sf100,sf200]");
  a->SetValue(u"AutoAdjustForInBetweenScaleFactors", u"0");
  a->SetValue(u"CompatibilityMode", u"2");
  TZSESkinManifest m;
  m.LoadFromXML(&skin);
  EXPECT_EQ(m.GetID(), u"Night");
  EXPECT_TRUE(m.GetAllowColoration());
  EXPECT_EQ(m.GetSupportedScaleFactors(), (TZSEScaleFactors{sf100, sf200}));
  EXPECT_FALSE(m.GetAutoAdjustForInBetweenScaleFactors());
  EXPECT_TRUE(m.GetAutoAdjustForUnsupportedScaleFactors());
  EXPECT_EQ(m.GetCompatibilityMode(), cmv350);

  TZCLXMLNode out;
  m.SaveToXML(&out);
  TZSESkinManifest back;
  back.LoadFromXML(&out);
  EXPECT_EQ(back.GetSupportedScaleFactors(), m.GetSupportedScaleFactors());
  EXPECT_FALSE(back.GetAutoAdjustForInBetweenScaleFactors());
  EXPECT_EQ(out.GetAttributes()->GetValue(u"AllowColoration"), u"1");

  // No factors: no factor attributes; undefined mode: no mode attribute. Damaged values read as
  // their defaults.
  m.SetSupportedScaleFactors({});
  m.SetCompatibilityMode(cmvUndefined);
  m.SaveToXML(&out);
  for (const Char* name : {u"ScaleFactors", u"AutoAdjustForInBetweenScaleFactors",
                           u"AutoAdjustForUnsupportedScaleFactors", u"CompatibilityMode"})
    EXPECT_FALSE(out.GetAttributes()->Exists(name)) << StringToUTF8(name);
  a->SetValue(u"ScaleFactors", u"[sf100,sf999]");
  a->SetValue(u"CompatibilityMode", u"77");
  a->SetValue(u"AllowColoration", u"yes");
  m.LoadFromXML(&skin);
  EXPECT_TRUE(m.GetSupportedScaleFactors().Empty());
  EXPECT_EQ(m.GetCompatibilityMode(), cmvUndefined);
  EXPECT_FALSE(m.GetAllowColoration());
}

TZCLResourceColor* AddColor(TZCLCustomResourceCollection* C, const String& ID, TAlphaColor Value) {
  auto* r = static_cast<TZCLResourceColor*>(C->GetItems()->Add(ID, TZCLResourceColor::StaticClass()));
  r->SetValue(Value);
  return r;
}

TEST(SkinTheme, XmlRoundTripOfItemsAndStyles) {
  TZSESkinTheme* theme = Create<TZSESkinTheme>(static_cast<TComponent*>(nullptr));
  AddColor(theme, u"Hint.Colors.Text", 0xFFFF0000);
  AddColor(theme, u"Skin.Colors.Accent", 0xFF102030)->SetOpacity(128);
  theme->GetStyleMenu()->GetGlyphsDrawOptions()->SetAutoColoration(true);
  theme->GetStyleHint()->GetColorTextHyperlink()->SetValue(0xFF0000FF);

  TZCLXMLDocument doc;
  {
    TZSESchema schema;
    theme->SaveToXML(&schema, &doc);
  }
  TZSESkinTheme* back = Create<TZSESkinTheme>(static_cast<TComponent*>(nullptr));
  {
    TZSESchema schema;
    back->LoadFromXML(&schema, &doc);
  }
  ASSERT_EQ(back->GetItems()->GetCount(), 2);
  auto* accent = static_cast<TZCLResourceColor*>(
      back->GetItems()->FindResource(u"Skin.Colors.Accent", TZCLResourceColor::StaticClass()));
  ASSERT_NE(accent, nullptr);
  EXPECT_EQ(accent->GetValue(), 0x80102030u);
  EXPECT_TRUE(back->GetStyleMenu()->GetGlyphsDrawOptions()->GetAutoColoration());
  EXPECT_EQ(back->GetStyleHint()->GetColorTextHyperlink()->GetValue(), 0xFF0000FFu);
  // The hint style resolves its slots through the theme.
  EXPECT_EQ(back->GetStyleHint()->GetColorText()->GetValue(), 0xFFFF0000u);

  // A document without properties empties the theme and resets the styles.
  TZCLXMLDocument empty;
  {
    TZSESchema schema;
    back->LoadFromXML(&schema, &empty);
  }
  EXPECT_EQ(back->GetItems()->GetCount(), 0);
  EXPECT_FALSE(back->GetStyleMenu()->GetGlyphsDrawOptions()->GetAutoColoration());
  Free(back);
  Free(theme);
}

TEST(SkinTheme, SkinHintWindowsResolveThroughTheCurrentTheme) {
  TZSESkinTheme* theme = Create<TZSESkinTheme>(static_cast<TComponent*>(nullptr));
  AddColor(theme, u"Hint.Colors.Text", 0xFF00FF00);
  TZSESkinTheme::SetCurrent(theme);
  auto* window = Create<TZSEHintWindow>(static_cast<TComponent*>(nullptr));
  EXPECT_EQ(window->GetStyle()->GetColorText()->GetValue(), 0xFF00FF00u);
  // A change of the theme reaches the window's style.
  static_cast<TZCLResourceColor*>(
      theme->GetItems()->FindResource(u"Hint.Colors.Text", TZCLResourceColor::StaticClass()))
      ->SetValue(0xFF0000FF);
  EXPECT_EQ(window->GetStyle()->GetColorText()->GetValue(), 0xFF0000FFu);
  Free(window);
  Free(theme);
  EXPECT_EQ(TZSESkinTheme::GetCurrent(), nullptr);
}

TEST(SkinTheme, GeneratedIdentifiersAreUnused) {
  TZSESkinTheme* theme = Create<TZSESkinTheme>(static_cast<TComponent*>(nullptr));
  EXPECT_EQ(theme->GenerateResourceID(TZCLResourceTexture::StaticClass()), u"Skin.Texture.New");
  theme->GetItems()->Add(u"Skin.Texture.New", TZCLResourceTexture::StaticClass());
  EXPECT_EQ(theme->GenerateResourceID(TZCLResourceTexture::StaticClass()), u"Skin.Texture.New1");
  theme->GetItems()->Add(u"Skin.Texture.New1", TZCLResourceTexture::StaticClass());
  EXPECT_EQ(theme->GenerateResourceID(TZCLResourceTexture::StaticClass()), u"Skin.Texture.New2");
  EXPECT_EQ(theme->GenerateResourceID(TZCLResourceColor::StaticClass(), u"Mine"), u"Mine");
  // A menu style change marks the glyph lists for rebuilding.
  theme->GetStyleMenu()->GetGlyphsDrawOptions()->SetAutoColoration(true);
  theme->GetStyleMenu()->Reset();
  EXPECT_TRUE(theme->GetImageListsInvalid());
  Free(theme);
}

TEST(SkinLocalizations, LookupIgnoresCaseAndFallsBackToTheDefault) {
  TZSECustomLocalizations l;
  l.Add(u"Deutsch.lng")->WriteString(u"s", u"k", u"Hallo");
  TZCLIniFile* file = nullptr;
  EXPECT_TRUE(l.Find(u"DEUTSCH", file));
  EXPECT_EQ(file->ReadString(u"s", u"k", u""), u"Hallo");
  EXPECT_FALSE(l.Find(u"Francais", file));
  EXPECT_EQ(file, nullptr);
  EXPECT_FALSE(l.FindDefault(file));  // no English file: failure
  l.Add(u"English.lng")->WriteString(u"s", u"k", u"Hello");
  ASSERT_TRUE(l.FindDefault(file));
  EXPECT_EQ(file->ReadString(u"s", u"k", u""), u"Hello");
  EXPECT_EQ(l.GetNames(0), u"Deutsch");
  EXPECT_EQ(l.GetNames(1), u"English");

  TZSECustomLocalizations copy;
  copy.Assign(l);
  ASSERT_EQ(copy.GetCount(), 2);
  ASSERT_TRUE(copy.Find(u"deutsch", file));
  EXPECT_NE(file, l.GetFiles(0));
  EXPECT_EQ(file->ReadString(u"s", u"k", u""), u"Hallo");
}

TEST(SkinSettings, CustomSectionLoadsAndSavesThePairs) {
  TZCLIniFile* ini = TZCLIniFile::CreateInMemory();
  ini->WriteString(u"custom", u"Mode", u"compact");
  ini->WriteString(u"custom", u"Opacity", u"80");
  ini->WriteString(u"other", u"Keep", u"1");
  TZSECustomSettings settings;
  settings.AddString(u"Stale", u"x");
  settings.ConfigLoad(ini);
  EXPECT_EQ(settings.GetCount(), 2);
  EXPECT_EQ(settings.GetValue(u"Mode"), u"compact");
  settings.SetValue(u"Mode", u"full");
  settings.Remove(u"Opacity");
  settings.ConfigSave(ini);
  EXPECT_EQ(ini->ReadString(u"custom", u"Mode", u""), u"full");
  EXPECT_EQ(ini->ReadString(u"custom", u"Opacity", u"gone"), u"gone");
  EXPECT_EQ(ini->ReadString(u"other", u"Keep", u""), u"1");
  Free(ini);
}

}  // namespace

namespace {
// An item whose frames (stacked vertically) are filled with the colours given, one per frame.
void AddFrames(TZCLSkinImageSet* Set, Integer DPI, Integer Size, std::vector<TZCLPixel32> Colors) {
  const Integer n = Integer(Colors.size());
  std::vector<TZCLPixel32> px(size_t(Size * Size * n));
  for (Integer f = 0; f < n; ++f)
    std::fill(px.begin() + f * Size * Size, px.begin() + (f + 1) * Size * Size, Colors[size_t(f)]);
  TZCLSkinImageSetItem* item = Set->Add(DPI);
  item->LoadFromBits(px.data(), Size, Size * n);
  item->SetLayout(ilVertical);
  item->SetFrameCount(n);
}
}  // namespace

TEST(SkinTheme, MenuImagesAreBuiltPerDPIFromTheGlyphFrames) {
  TZSESkinTheme* theme = Create<TZSESkinTheme>(static_cast<TComponent*>(nullptr));
  TZSESkinTheme* empty = Create<TZSESkinTheme>(static_cast<TComponent*>(nullptr));
  EXPECT_EQ(empty->GetMenuImages(96), nullptr);
  Free(empty);
  TZCLSkinImageSet* set = theme->GetStyleMenu()->GetGlyphs()->GetImageSet();
  set->ClearItems();
  const TZCLPixel32 red{0, 0, 255, 255}, blue{255, 0, 0, 255};
  AddFrames(set, 96, 4, {red, blue});
  AddFrames(set, 192, 8, {red, blue});
  struct Case { Integer DPI, SourceDPI, Size; };
  for (const Case& c : {Case{96, 96, 4}, Case{144, 96, 4}, Case{150, 192, 8}, Case{480, 192, 8}}) {
    TZCLImageList* list = theme->GetMenuImages(c.DPI);
    ASSERT_NE(list, nullptr) << c.DPI;
    EXPECT_EQ(list->GetSourceDPI(), c.SourceDPI) << c.DPI;
    EXPECT_EQ(list->GetWidth(), c.Size);
    EXPECT_EQ(list->GetHeight(), c.Size);
    ASSERT_EQ(list->GetCount(), 2);
    // Frames stacked vertically become the images in order.
    EXPECT_EQ(list->GetImagePixels(0)[0], 0xFFFF0000u);
    EXPECT_EQ(list->GetImagePixels(1)[0], 0xFF0000FFu);
  }
  EXPECT_EQ(theme->GetMenuImageListCount(), 2);

  TBitmap icon;
  EXPECT_TRUE(TZSESkinTheme::GetTrayIcon(theme->GetStyleMenu()->GetGlyphs(), 1, &icon));
  EXPECT_FALSE(TZSESkinTheme::GetTrayIcon(theme->GetStyleMenu()->GetGlyphs(), 5, &icon));
  EXPECT_FALSE(TZSESkinTheme::GetTrayIcon(theme->GetStyleMisc()->GetTrayIcons(), 0, &icon));
  Free(theme);
}

TEST(SkinTheme, ResettingTheMenuStyleDropsTheGlyphImageListsAndRefreshesItsMirror) {
  TZSESkinTheme* theme = Create<TZSESkinTheme>(static_cast<TComponent*>(nullptr));
  TZSESkinThemeStyleMenu* menu = theme->GetStyleMenu();
  menu->GetGlyphs()->GetImageSet()->ClearItems();
  AddFrames(menu->GetGlyphs()->GetImageSet(), 96, 4, {TZCLPixel32{0, 0, 255, 255}});
  ASSERT_NE(theme->GetMenuImages(96), nullptr);
  ASSERT_FALSE(theme->GetImageListsInvalid());
  TZCLResourceCollectionItems* mirror = menu->GetPrivateCollection()->GetItems();
  ASSERT_GT(mirror->GetCount(), 0);
  // The reset frees the glyph texture with its images; nothing may still stand on them.
  menu->Reset();
  EXPECT_TRUE(theme->GetImageListsInvalid());
  EXPECT_EQ(theme->GetMenuImages(96), nullptr);
  for (Integer i = 0; i < mirror->GetCount(); ++i) {
    TZCLResource* r = mirror->GetItem(i)->GetItemResource();
    ASSERT_NE(r, nullptr);
    if (r->GetDefaultID() == u"Menu.Textures.Glyphs") EXPECT_TRUE(static_cast<TZCLResourceTexture*>(r)->IsEmpty());
  }
  theme->GetStyleHint()->Reset();
  EXPECT_GT(theme->GetStyleHint()->GetPrivateCollection()->GetItems()->GetCount(), 0);
  Free(theme);
}

TEST(SkinTheme, FloatArrowSizeIsTheLargerOfBothArrowsAtTheDPI) {
  TZSESkinTheme* theme = Create<TZSESkinTheme>(static_cast<TComponent*>(nullptr));
  EXPECT_EQ(theme->GetFloatArrowSize(96), 0);
  const TZCLPixel32 px{0, 0, 0, 255};
  TZCLSkinImageSet* horz = theme->GetStyleMisc()->GetFloatArrow()->GetImageSet();
  horz->ClearItems();
  AddFrames(horz, 96, 6, {px});
  TZCLSkinImageSet* vert = theme->GetStyleMisc()->GetFloatArrowVert()->GetImageSet();
  vert->ClearItems();
  AddFrames(vert, 96, 10, {px});
  EXPECT_EQ(theme->GetFloatArrowSize(96), 10);
  EXPECT_EQ(theme->GetFloatArrowSize(192), 20);
  EXPECT_NE(theme->GetFloatArrowImage(0, 96), nullptr);
  EXPECT_EQ(theme->GetFloatArrowImage(2, 96)->GetWidth(), 10);
  EXPECT_EQ(theme->GetFloatArrowImage(1, 96)->GetWidth(), 6);
  Free(theme);
}
