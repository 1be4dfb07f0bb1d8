#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "UiTestSupport.h"
#include "zcl/ui/ZCL.UI.Application.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"
#include "zcl/ui/ZCL.UI.Resources.Font.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"

namespace {

TOwned<TZCLResourceCollection> LoadSkin(bool Dark) {
  TOwned<TZCLResourceCollection> c(Create<TZCLResourceCollection>(static_cast<TComponent*>(nullptr)));
  c->LoadFromResource(nullptr, ZCLDefaultSkinResourceName(Dark));
  return c;
}

template <class T>
T* Find(TZCLCustomResourceCollection* C, const String& ID) {
  return static_cast<T*>(C->GetItems()->FindResource(ID, T::StaticClass()));
}

struct TSkinCounts {
  bool Dark;
  Integer Items, IDs, Colors, Fonts, Textures, Margins, Integers;
};

class DefaultSkins : public ::testing::TestWithParam<TSkinCounts> {};

TEST_P(DefaultSkins, HoldEveryItemOnce) {
  const TSkinCounts& e = GetParam();
  auto skin = LoadSkin(e.Dark);
  TZCLResourceCollectionItems* items = skin->GetItems();
  ASSERT_EQ(items->GetCount(), e.Items);
  std::set<String> ids;
  Integer colors = 0, fonts = 0, textures = 0, margins = 0, integers = 0;
  for (Integer i = 0; i < items->GetCount(); ++i) {
    TZCLResource* r = items->GetItem(i)->GetItemResource();
    ASSERT_NE(r, nullptr) << i;
    ids.insert(items->GetItem(i)->GetResourceID());
    colors += r->InheritsFrom(TZCLResourceColor::StaticClass());
    fonts += r->InheritsFrom(TZCLResourceFont::StaticClass());
    textures += r->InheritsFrom(TZCLResourceTexture::StaticClass());
    margins += r->InheritsFrom(TZCLResourceMargins::StaticClass());
    integers += r->InheritsFrom(TZCLResourceInteger::StaticClass());
  }
  EXPECT_EQ(Integer(ids.size()), e.IDs);
  EXPECT_EQ(colors, e.Colors);
  EXPECT_EQ(fonts, e.Fonts);
  EXPECT_EQ(textures, e.Textures);
  EXPECT_EQ(margins, e.Margins);
  EXPECT_EQ(integers, e.Integers);

  // The borders occur twice; the later one is found by identifier.
  TZCLResourceCollectionItem* borders = items->FindItem(u"Popup.Margins.Borders");
  ASSERT_NE(borders, nullptr);
  Integer first = -1;
  for (Integer i = 0; i < items->GetCount() && first < 0; ++i)
    if (items->GetItem(i)->GetResourceID() == u"Popup.Margins.Borders") first = i;
  EXPECT_GT(borders->GetIndex(), first);
  EXPECT_EQ(Find<TZCLResourceMargins>(skin.get(), u"Popup.Margins.Borders")->GetValueText(), u"2,2,2,2");
  EXPECT_EQ(Find<TZCLResourceMargins>(skin.get(), u"Popup.Margins.Borders.W11")->GetValueText(), u"6,6,6,6");

  // Items without a value answer the null value; references resolve inside the skin.
  EXPECT_EQ(Find<TZCLResourceColor>(skin.get(), u"TreeList.Colors.RowFocusedText")->GetValue(), claDefault);
  EXPECT_EQ(Find<TZCLResourceInteger>(skin.get(), u"Popup.Margins.CornerRadius")->GetValue(), 0);
  EXPECT_EQ(Find<TZCLResourceInteger>(skin.get(), u"Popup.Margins.CornerRadius.W11")->GetValue(), 7);
  auto* hex = Find<TZCLResourceColor>(skin.get(), u"HexView.Colors.Text1");
  EXPECT_EQ(hex->GetID(), u"Common.Colors.Text");
  auto* bold = Find<TZCLResourceFont>(skin.get(), u"Common.Fonts.Bold");
  EXPECT_EQ(bold->GetID(), u"Common.Fonts.Default");
  EXPECT_TRUE(bold->GetStyle().Contains(fsBold));
  EXPECT_EQ(Find<TZCLResourceTexture>(skin.get(), u"Docking.Textures.SideBar")->GetID(), u"Tabs.Textures.Header");
}

INSTANTIATE_TEST_SUITE_P(Skins, DefaultSkins,
                         ::testing::Values(TSkinCounts{false, 165, 164, 110, 15, 33, 5, 2},
                                           TSkinCounts{true, 177, 176, 122, 15, 33, 5, 2}));

struct TTextureMetrics {
  bool Dark;
  const char16_t* ID;
  TSize Frame;
  Integer Frames;
  TZCLSkinImageLayout Layout;
  TRect Margins;
  TZCLStretchMode Stretch;
  std::vector<Integer> DPIs;
  TZCLSkinImageHitTestMode HitTest;
};

class DefaultSkinTextures : public ::testing::TestWithParam<TTextureMetrics> {};

TEST_P(DefaultSkinTextures, HaveTheirMetrics) {
  const TTextureMetrics& e = GetParam();
  auto skin = LoadSkin(e.Dark);
  auto* t = Find<TZCLResourceTexture>(skin.get(), e.ID);
  ASSERT_NE(t, nullptr);
  TZCLSkinImageSet* set = t->GetImageSet();
  ASSERT_NE(set, nullptr);
  ASSERT_EQ(set->GetCount(), Integer(e.DPIs.size()));
  for (Integer i = 0; i < set->GetCount(); ++i) EXPECT_EQ(set->GetItem(i)->GetDPI(), e.DPIs[size_t(i)]);
  TZCLSkinImageSetItem* image = set->GetItem(0);
  EXPECT_EQ(image->FrameWidth(), e.Frame.cx);
  EXPECT_EQ(image->FrameHeight(), e.Frame.cy);
  EXPECT_EQ(image->GetFrameCount(), e.Frames);
  EXPECT_EQ(image->GetLayout(), e.Layout);
  EXPECT_EQ(image->GetMargins(), e.Margins);
  EXPECT_EQ(image->GetStretchMode(), e.Stretch);
  EXPECT_EQ(image->GetHitTestMask(), e.HitTest);
  EXPECT_TRUE(image->GetAllowColoration());
}

INSTANTIATE_TEST_SUITE_P(
    Skins, DefaultSkinTextures,
    ::testing::Values(
        TTextureMetrics{
            false, u"Buttons.Textures.Button", {20, 21}, 15, ilVertical, {4, 4, 4, 4}, isStretch, {96}, ihtmMask},
        TTextureMetrics{
            false, u"Buttons.Textures.RadioBox", {13, 13}, 10, ilVertical, {}, isCenter, {96, 120, 144, 192}, ihtmMask},
        TTextureMetrics{
            false, u"Popup.Textures.Separator", {84, 5}, 1, ilHorizontal, {3, 0, 3, 0}, isStretch, {96}, ihtmMask},
        TTextureMetrics{false,
                        u"ScrollBox.Textures.Vert.Buttons",
                        {15, 15},
                        8,
                        ilVertical,
                        {},
                        isStretch,
                        {96, 120, 144},
                        ihtmOpaque},
        TTextureMetrics{
            true, u"Buttons.Textures.Button", {20, 21}, 15, ilVertical, {2, 2, 2, 2}, isStretch, {96}, ihtmMask},
        TTextureMetrics{
            true, u"Buttons.Textures.RadioBox", {12, 12}, 10, ilVertical, {}, isCenter, {96, 120, 144, 192}, ihtmMask},
        TTextureMetrics{
            true, u"Slider.Textures.Thumb.W11", {12, 13}, 4, ilVertical, {3, 2, 3, 3}, isStretch, {96}, ihtmMask},
        TTextureMetrics{true, u"ScrollBox.Textures.SizeGrip", {15, 15}, 1, ilVertical, {}, isStretch, {96}, ihtmOpaque},
        TTextureMetrics{true,
                        u"ScrollBox.Textures.Vert.Buttons",
                        {15, 15},
                        8,
                        ilVertical,
                        {1, 1, 1, 1},
                        isCenter,
                        {96, 144},
                        ihtmOpaque},
        TTextureMetrics{true,
                        u"TreeList.Textures.GroupHeaderExpandButton",
                        {9, 10},
                        2,
                        ilVertical,
                        {},
                        isCenter,
                        {96, 144, 192},
                        ihtmMask}));

// The root loads the skin of the current appearance, with the newer system's variants applied.
TEST(DefaultSkinRoot, AnswersTheLightSkinWithVariants) {
  ASSERT_FALSE(TZCLApplication::IsDarkMode());
  auto* text = static_cast<TZCLResourceColor*>(
      TZCLRootResourceCollection::GetResource(u"Common.Colors.Text", TZCLResourceColor::StaticClass(), nullptr));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetValue(), 0xFF000000u);
  TZCLCustomResourceCollection* root = TZCLRootResourceCollection::GetInstance();
  auto* borders = Find<TZCLResourceMargins>(root, u"Popup.Margins.Borders");
  EXPECT_EQ(borders->GetID(), u"Popup.Margins.Borders.W11");
  EXPECT_EQ(borders->GetValueText(), u"6,6,6,6");
  EXPECT_EQ(Find<TZCLResourceInteger>(root, u"Popup.Margins.CornerRadius")->GetValue(), 7);
  auto* thumb = Find<TZCLResourceTexture>(root, u"Slider.Textures.Thumb");
  EXPECT_EQ(thumb->GetImageSet(), Find<TZCLResourceTexture>(root, u"Slider.Textures.Thumb.W11")->GetImageSet());
}

class TRootListener : public TZCLUnknownObject, public IZCLResourceChangeListener {
  ZCL_CLASS(TRootListener, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLResourceChangeListener)
 public:
  Integer Changes = 0;
  void ResourceChanged(TObject*, TZCLResource*) override { ++Changes; }
};

TAlphaColor RootText() {
  auto* r = static_cast<TZCLResourceColor*>(
      TZCLRootResourceCollection::GetResource(u"Common.Colors.Text", TZCLResourceColor::StaticClass(), nullptr));
  return r ? r->GetValue() : claNone;
}

// A dark-mode change replaces the whole content with the other skin in one update.
TEST(DefaultSkinRoot, DarkModeChangeReloadsTheOtherSkin) {
  TZCLCustomResourceCollection* root = TZCLRootResourceCollection::GetInstance();
  TRootListener listener;
  root->ListenerAdd(&listener);
  TZCLApplication::SetDarkMode(TZCLBoolean::True);
  EXPECT_EQ(listener.Changes, 1);
  EXPECT_EQ(RootText(), 0xFFFFFFFFu);
  EXPECT_EQ(root->GetItems()->GetCount(), 177);
  EXPECT_NE(Find<TZCLResourceColor>(root, u"BindingSurface.Colors.ObjectBorder"), nullptr);
  EXPECT_EQ(Find<TZCLResourceMargins>(root, u"Popup.Margins.Borders")->GetValueText(), u"6,6,6,6");
  auto* font = Find<TZCLResourceFont>(root, u"Common.Fonts.Default");
  EXPECT_EQ(font->GetColor(), 0xFFFFFFFFu);

  TZCLApplication::SetDarkMode(TZCLBoolean::Default);
  EXPECT_EQ(listener.Changes, 2);
  EXPECT_EQ(RootText(), 0xFF000000u);
  EXPECT_EQ(root->GetItems()->GetCount(), 165);
  EXPECT_EQ(Find<TZCLResourceColor>(root, u"BindingSurface.Colors.ObjectBorder"), nullptr);
  root->ListenerRemove(&listener);
}

}  // namespace
