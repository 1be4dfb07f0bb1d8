#include <gtest/gtest.h>

#include <map>

#include "rtl/RTL.Streaming.Text.h"
#include "rtl/RTL.Streaming.h"
#include "rtl/RTL.Streams.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"
#include "UiTestSupport.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"

namespace {

class TTextureProvider : public TZCLUnknownObject, public IZCLResourceProvider {
  ZCL_CLASS(TTextureProvider, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLResourceProvider)
 public:
  std::map<String, TZCLResource*> Items;
  TZCLResource* GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) override {
    auto it = Items.find(ID);
    if (it == Items.end() || it->second == Sender || !it->second->InheritsFrom(ResourceClass)) return nullptr;
    return it->second;
  }
};

// Frames side by side, each W x H, in a set holding only a 96-DPI image.
void Fill(TZCLResourceTexture* T, Integer W, Integer H, Integer Frames, TZCLPixel32 Colour) {
  TZCLSkinImageSet* set = T->GetImageSet();
  ASSERT_NE(set, nullptr);
  set->BeginUpdate();
  TZCLSkinImageSetItem* item = set->FindByDPI(96) ? set->FindByDPI(96) : set->Add(96);
  std::vector<TZCLPixel32> pixels(size_t(W * Frames) * H, Colour);
  item->LoadFromBits(pixels.data(), W * Frames, H);
  item->SetLayout(ilHorizontal);
  item->SetFrameCount(Frames);
  set->EndUpdate();
}

template <class T>
std::unique_ptr<T> Make(TObject* Owner = nullptr) {
  return std::unique_ptr<T>(Create<T>(Owner));
}

TEST(TextureResource, MetricsFollowTargetDpiAndScalable) {
  auto t = Make<TZCLResourceTexture>();
  EXPECT_EQ(t->GetValueText(), u"No Image");
  Fill(t.get(), 8, 6, 2, TZCLPixel32{10, 20, 30, 255});
  EXPECT_EQ(t->GetFrameSize(), TSize(8, 6));
  EXPECT_EQ(t->GetValueText(), u"8x6");
  t->SetTargetDPI(144);
  EXPECT_EQ(t->GetFrameSize(), TSize(12, 9));
  t->SetScalable(TZCLBoolean::False);
  EXPECT_EQ(t->GetFrameSize(), TSize(8, 6));
  EXPECT_TRUE(t->IsValueStored());

  auto g = Make<TZCLGlyph>();
  Fill(g.get(), 4, 4, 4, TZCLPixel32{0, 0, 0, 255});
  g->SetFrameIndex(10);
  EXPECT_EQ(g->GetFrameIndex(), 3);
  Fill(g.get(), 4, 4, 2, TZCLPixel32{0, 0, 0, 255});
  EXPECT_EQ(g->GetFrameIndex(), 1);
  EXPECT_EQ(g->GetResourceClass(), TZCLResourceTexture::StaticClass());
}

TEST(TextureResource, ReferencesColouringAndOverride) {
  TTextureProvider provider;
  auto base = Make<TZCLResourceTexture>();
  Fill(base.get(), 4, 4, 1, TZCLPixel32{40, 80, 120, 255});
  provider.Items[u"Buttons.Textures.Button"] = base.get();
  const TZCLColorSchema schema = TZCLColorSchema::Create(100, 100);
  base->ApplyColorSchema(schema);
  TZCLSkinImage* tinted = base->GetCurrentImage();
  TZCLSkinImage* plain = base->GetImageSet()->GetBestFit(96);
  EXPECT_NE(tinted, plain);

  auto ref = Make<TZCLResourceTexture>(&provider);
  ref->InitializeDefault(u"Buttons.Textures.Button");
  EXPECT_FALSE(ref->GetOverriden());
  EXPECT_EQ(ref->GetImageSet(), base->GetImageSet());
  EXPECT_EQ(ref->GetCurrentImage(), tinted);
  ref->SetAllowColoration(TZCLBoolean::False);  // the referring texture's choice wins
  EXPECT_EQ(ref->GetCurrentImage(), plain);

  ref->MakeUnique();  // its own copy of the images it showed
  EXPECT_TRUE(ref->GetOverriden());
  EXPECT_NE(ref->GetImageSet(), base->GetImageSet());
  EXPECT_EQ(ref->GetFrameSize(), TSize(4, 4));
  ref->SetOverriden(false);
  EXPECT_EQ(ref->GetReference(), base.get());
}

TEST(TextureResource, StreamsItsImagesAsData) {
  TOwned<TZCLResourceCollection> c(Create<TZCLResourceCollection>(static_cast<TComponent*>(nullptr)));
  auto* t = static_cast<TZCLResourceTexture*>(
      c->GetItems()->Add(u"Test.Textures.Box", TZCLResourceTexture::StaticClass()));
  Fill(t, 5, 3, 1, TZCLPixel32{1, 2, 3, 255});
  TMemoryStream binary;
  WriteComponent(&binary, c.get());
  binary.SetPosition(0);
  TMemoryStream text;
  ObjectBinaryToText(&binary, &text);
  text.SetPosition(0);
  TOwned<TZCLResourceCollection> back(Create<TZCLResourceCollection>(static_cast<TComponent*>(nullptr)));
  back->LoadFromStream(&text);
  auto* r = static_cast<TZCLResourceTexture*>(
      back->GetItems()->FindResource(u"Test.Textures.Box", TZCLResourceTexture::StaticClass()));
  ASSERT_NE(r, nullptr);
  EXPECT_TRUE(r->GetOverriden());
  EXPECT_EQ(r->GetFrameSize(), TSize(5, 3));
}

}  // namespace
