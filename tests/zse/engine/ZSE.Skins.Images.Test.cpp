#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "os/OS.Files.h"
#include "rtl/RTL.Streams.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zcl/ui/ZCL.UI.SkinImageSet.h"
#include "zse/engine/ZSE.Skins.h"

namespace {

template <class T>
using TOwned = std::unique_ptr<T, void (*)(TObject*)>;

void FillImage(TZCLSkinImage* Image, Integer Size) {
  std::vector<TZCLPixel32> pixels(static_cast<size_t>(Size * Size));
  for (TZCLPixel32& p : pixels) p.R = p.G = p.B = p.A = 255;
  Image->LoadFromBits(pixels.data(), Size, Size);
}

TOwned<TZCLSkinImageSet> ThreeDpiSet() {
  TOwned<TZCLSkinImageSet> set(Create<TZCLSkinImageSet>(), &Free);
  FillImage(set->GetItem(0), 8);
  FillImage(set->Add(144), 12);
  FillImage(set->Add(192), 16);
  return set;
}

TEST(SkinImages, ImageSetsAsFiles) {
  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  TZSESkinResources* res = skin->GetResources();
  TOwned<TZCLSkinImageSet> set = ThreeDpiSet();
  res->SaveImage(u"T", set.get());
  TZSESkinFile* file;
  EXPECT_TRUE(skin->GetFiles()->Find(u"T", sfkImageSet, file));
  for (const char16_t* name : {u"T", u"T-144", u"T-192"}) EXPECT_TRUE(skin->GetFiles()->Find(name, sfkImage, file));
  EXPECT_EQ(skin->GetFiles()->GetCount(), 4);
  TZCLXMLDocument doc;
  ASSERT_TRUE(res->Load(u"T", sfkImageSet, [&](TStream* S) { doc.LoadFromStream(S); }));
  TZCLXMLNode* root = doc.FindNode(u"imageSet");
  ASSERT_TRUE(root);
  ASSERT_EQ(root->GetCount(), 3);
  EXPECT_EQ(root->GetNode(1)->GetAttributes()->GetValue(u"dpi"), u"144");
  EXPECT_EQ(root->GetNode(1)->GetNodeValue(), u"T-144");

  TOwned<TZCLSkinImageSet> back(Create<TZCLSkinImageSet>(), &Free);
  res->LoadImage(u"T", back.get());
  ASSERT_EQ(back->GetCount(), 3);
  EXPECT_EQ(back->FindByDPI(192)->GetWidth(), 16);
  EXPECT_EQ(back->FindByDPI(96)->GetWidth(), 8);

  // A missing name leaves the one empty 96-DPI item.
  res->LoadImage(u"Missing", back.get());
  ASSERT_EQ(back->GetCount(), 1);
  EXPECT_EQ(back->GetItem(0)->GetDPI(), 96);
  EXPECT_EQ(back->GetItem(0)->GetWidth(), 0);

  // One item: the image alone, no document; it loads back for 96 DPI.
  TOwned<TZCLSkinImageSet> single(Create<TZCLSkinImageSet>(), &Free);
  FillImage(single->GetItem(0), 5);
  res->SaveImage(u"S", single.get());
  EXPECT_FALSE(skin->GetFiles()->Find(u"S", sfkImageSet, file));
  res->LoadImage(u"S", back.get());
  EXPECT_EQ(back->GetItem(0)->GetWidth(), 5);
  // An empty name stores nothing.
  res->SaveImage(u"", set.get());
  EXPECT_EQ(skin->GetFiles()->GetCount(), 5);
}

class TNoHighDpi : public TZSESkinResources {
  ZCL_CLASS(TNoHighDpi, TZSESkinResources)
 public:
  TNoHighDpi() { FOptimized = true; }
  bool CanSaveImageSetItem(TZCLSkinImageSetItem* Item) override { return Item->GetDPI() < 192; }
};

TEST(SkinImages, OptimizedSetsDropVariantsAndRestoreTheLevel) {
  TOwned<TZSESkin> skin(Create<TZSESkin>(Create<TNoHighDpi>(), true), &Free);
  TOwned<TZCLSkinImageSet> set = ThreeDpiSet();
  const TZCLSkinImageCompression level = ZCLSkinImageCompression;
  ZCLSkinImageCompression = sicFastest;
  skin->GetResources()->SaveImage(u"T", set.get());
  EXPECT_EQ(ZCLSkinImageCompression, sicFastest);
  ZCLSkinImageCompression = level;
  TZSESkinFile* file;
  EXPECT_FALSE(skin->GetFiles()->Find(u"T-192", sfkImage, file));
  TOwned<TZCLSkinImageSet> back(Create<TZCLSkinImageSet>(), &Free);
  skin->GetResources()->LoadImage(u"T", back.get());
  EXPECT_EQ(back->GetCount(), 2);
}

const String DejaVu = u"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

TEST(SkinFonts, EmbeddedFonts) {
  if (!FileExists(DejaVu)) GTEST_SKIP() << "DejaVuSans.ttf is not installed";
  TOwned<TZSESkinFonts> fonts(Create<TZSESkinFonts>(), &Free);
  IZSESkinFont* font = fonts->Add(DejaVu);
  EXPECT_EQ(font->GetName(), u"DejaVu Sans");
  EXPECT_EQ(font->GetFileName(), u"DejaVuSans");
  // Without KeepData the bytes go once the font is installed, and such fonts cannot be copied.
  EXPECT_EQ(font->GetData(), nullptr);
  TOwned<TZSESkinFonts> copy(Create<TZSESkinFonts>(), &Free);
  try {
    copy->Assign(fonts.get());
    FAIL() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.GetMessage(), u"Cannot assign font, TZSESkinFont.Data is nil");
  }

  // Kept data goes back into a skin, and a skin's fonts come back from it.
  fonts->Clear();
  fonts->SetKeepData(true);
  fonts->Add(DejaVu);
  TFileStream junk(DejaVu, fmOpenRead | fmShareDenyNone);
  TOwned<TMemoryStream> notAFont(Create<TMemoryStream>(), &Free);
  notAFont->WriteBuffer("not a font", 10);
  IZSESkinFont* odd = fonts->Add(notAFont.get(), u"Odd.ttf");
  EXPECT_EQ(odd->GetName(), u"Odd");
  copy->Assign(fonts.get());
  EXPECT_EQ(copy->GetItem(0), fonts->GetItem(0));

  TOwned<TZSESkin> skin(Create<TZSESkin>(), &Free);
  fonts->SaveToSkin(skin.get());
  TZSESkinFile* file;
  ASSERT_TRUE(skin->GetFiles()->Find(u"DejaVuSans", sfkFont, file));
  EXPECT_EQ(file->GetSize(), junk.GetSize());
  TOwned<TZSESkinFonts> loaded(Create<TZSESkinFonts>(), &Free);
  loaded->LoadFromSkin(skin.get());
  ASSERT_EQ(loaded->GetCount(), 2);
  EXPECT_EQ(loaded->GetItem(0)->GetName(), u"DejaVu Sans");
}

}  // namespace
