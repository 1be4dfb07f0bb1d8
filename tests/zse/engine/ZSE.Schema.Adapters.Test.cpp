#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "rtl/RTL.TypInfo.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"
#include "zcl/ui/ZCL.UI.Resources.Font.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"
#include "zse/engine/ZSE.Schema.Adapters.h"
#include "zse/engine/ZSE.Skins.h"

namespace {

template <class T>
using TOwned = std::unique_ptr<T, void (*)(TObject*)>;

// A skin element with theme resources; it answers the theme texture its own may refer to.
class TAdapterHost : public TComponent, public IZCLResourceProvider {
  ZCL_CLASS(TAdapterHost, TComponent)
 public:
  explicit TAdapterHost(TComponent* AOwner) : TComponent(AOwner) {}
  void AfterConstruction() override {
    inherited::AfterConstruction();
    FTexture = Create<TZCLResourceTexture>(this);
    FTheme = Create<TZCLResourceTexture>(this);
    FColor = Create<TZCLResourceColor>(this);
    FFont = Create<TZCLResourceFont>(this);
    FCollection = Create<TZCLResourceCollection>(this);
  }
  ~TAdapterHost() override {
    Free(FFont);
    Free(FColor);
    Free(FTexture);
    Free(FTheme);
  }
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override {
    if (InterfaceTableQuery<IZCLResourceProvider>(this, IID, Obj)) return S_OK;
    return TComponent::QueryInterface(IID, Obj);
  }
  TZCLResource* GetResource(const String& ID, TZCLResourceClass, TObject* Sender) override {
    return ID == u"Theme.Textures.Button" && Sender != FTheme ? FTheme : nullptr;
  }
  static void DeclareProperties(TClassDeclaration<TAdapterHost>& D) {
    D.Property(u"Texture", &TAdapterHost::FTexture);
    D.Property(u"Color", &TAdapterHost::FColor);
    D.Property(u"Font", &TAdapterHost::FFont);
    D.Property(u"Collection", &TAdapterHost::FCollection);
  }
  TZCLResourceTexture* FTexture = nullptr;
  TZCLResourceTexture* FTheme = nullptr;
  TZCLResourceColor* FColor = nullptr;
  TZCLResourceFont* FFont = nullptr;
  TZCLResourceCollection* FCollection = nullptr;  // a component this host owns
};

void FillImage(TZCLSkinImage* Image, Integer Size, Byte Value) {
  std::vector<TZCLPixel32> pixels(static_cast<size_t>(Size * Size));
  for (TZCLPixel32& p : pixels) p.R = p.G = p.B = p.A = Value;
  Image->LoadFromBits(pixels.data(), Size, Size);
}

class TAdaptersTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RegisterProperties<TAdapterHost>(); }
  TAdapterHost* NewHost(const String& Name) {
    auto* host = Create<TAdapterHost>(FRoot.get());
    host->SetName(Name);
    return host;
  }
  TOwned<TComponent> FRoot{Create<TComponent>(nullptr), &Free};
  TOwned<TZSESkin> FSkin{Create<TZSESkin>(), &Free};
};

TEST_F(TAdaptersTest, LookupTakesTheMostSpecificAdapter) {
  TAdapterHost* host = NewHost(u"h");
  EXPECT_EQ(SchemaFindClassAdapter(host->FTexture), TZSESchemaResourceTextureAdapter::StaticClass());
  EXPECT_EQ(SchemaFindClassAdapter(host->FCollection), TZSESchemaResourceCollectionAdapter::StaticClass());
  TOwned<TZCLResourceInteger> integer(Create<TZCLResourceInteger>(nullptr), &Free);
  EXPECT_EQ(SchemaFindClassAdapter(integer.get()), TZSESchemaResourceAdapter::StaticClass());
  EXPECT_EQ(SchemaFindClassAdapter(host), nullptr);
}

TEST_F(TAdaptersTest, OwnTextureStoresItsImageSetUnderThePath) {
  TAdapterHost* host = NewHost(u"btnPlay");
  TZCLSkinImageSet* set = host->FTexture->GetImageSet();
  FillImage(set->GetItem(0), 4, 200);
  FillImage(set->Add(144), 6, 200);
  host->FTexture->SetScalable(TZCLBoolean::True);

  auto node = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  TZSESchema schema(FSkin->GetResources());
  schema.Save(host, node.get());
  TZCLXMLNode* texture = nullptr;
  ASSERT_TRUE(XMLNodeFindByName(node->FindNode(u"properties"), u"Texture", texture));
  EXPECT_EQ(texture->GetAttributes()->GetValue(u"value"), u"btnPlay.Texture");
  EXPECT_EQ(texture->GetAttributes()->GetValue(u"Scalable"), u"1");
  EXPECT_FALSE(texture->GetAttributes()->Exists(u"link"));
  EXPECT_FALSE(texture->GetAttributes()->Exists(u"AllowColoration"));
  TZSESkinFile* file;
  EXPECT_TRUE(FSkin->GetFiles()->Find(u"btnPlay.Texture", sfkImageSet, file));
  EXPECT_TRUE(FSkin->GetFiles()->Find(u"btnPlay.Texture-144", sfkImage, file));
  // The default-state colour, the font and the never-stored collection write nothing.
  TZCLXMLNode* other;
  EXPECT_FALSE(XMLNodeFindByName(node->FindNode(u"properties"), u"Collection", other));

  TAdapterHost* copy = NewHost(u"copy");
  TZSESchema(FSkin->GetResources()).Load(copy, node.get());
  ASSERT_EQ(copy->FTexture->GetImageSet()->GetCount(), 2);
  EXPECT_EQ(copy->FTexture->GetImageSet()->FindByDPI(144)->GetWidth(), 6);
  EXPECT_EQ(copy->FTexture->GetScalable(), TZCLBoolean::True);
  // Its own image decides the colouring that was left in the default state.
  EXPECT_NE(copy->FTexture->GetAllowColoration(), TZCLBoolean::Default);
}

TEST_F(TAdaptersTest, ReferringTextureCarriesOnlyItsLink) {
  TAdapterHost* host = NewHost(u"btnStop");
  host->FTexture->SetID(u"Theme.Textures.Button");
  ASSERT_FALSE(host->FTexture->GetOverriden());
  auto node = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  TZSESchema(FSkin->GetResources()).Save(host, node.get());
  TZCLXMLNode* texture = nullptr;
  ASSERT_TRUE(XMLNodeFindByName(node->FindNode(u"properties"), u"Texture", texture));
  EXPECT_EQ(texture->GetAttributes()->GetValue(u"link"), u"Theme.Textures.Button");
  EXPECT_FALSE(texture->GetAttributes()->Exists(u"value"));
  EXPECT_EQ(FSkin->GetFiles()->GetCount(), 0);

  TAdapterHost* copy = NewHost(u"copy");
  TZSESchema(FSkin->GetResources()).Load(copy, node.get());
  EXPECT_FALSE(copy->FTexture->GetOverriden());
  EXPECT_EQ(copy->FTexture->GetAllowColoration(), TZCLBoolean::Default);

  // With StoreAll both the link and the image set are written.
  class TStoreAll : public TZSESchema {
   public:
    using TZSESchema::TZSESchema;
    void Enable() { FStoreAll = true; }
  } all(FSkin->GetResources());
  all.Enable();
  auto full = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  all.Save(host, full.get());
  ASSERT_TRUE(XMLNodeFindByName(full->FindNode(u"properties"), u"Texture", texture));
  EXPECT_TRUE(texture->GetAttributes()->Exists(u"link"));
  EXPECT_EQ(texture->GetAttributes()->GetValue(u"value"), u"btnStop.Texture");
}

TEST_F(TAdaptersTest, UnnamedObjectsGetStableDistinctPaths) {
  auto save = [&](TZSESchema& Schema, TAdapterHost* Host) {
    auto node = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
    Schema.Save(Host, node.get());
    TZCLXMLNode* texture = nullptr;
    XMLNodeFindByName(node->FindNode(u"properties"), u"Texture", texture);
    return texture ? texture->GetAttributes()->GetValue(u"value") : String();
  };
  TAdapterHost* a = NewHost(u"");
  TAdapterHost* b = NewHost(u"");
  FillImage(a->FTexture->GetImageSet()->GetItem(0), 2, 10);
  FillImage(b->FTexture->GetImageSet()->GetItem(0), 2, 20);
  TZSESchema first(FSkin->GetResources());
  const String pathA = save(first, a), pathB = save(first, b);
  EXPECT_NE(pathA, pathB);
  EXPECT_EQ(pathA.find(u"0x"), String::npos);
  // Another pass over the same objects gives the same names.
  TZSESchema second(FSkin->GetResources());
  EXPECT_EQ(save(second, a), pathA);
  EXPECT_EQ(save(second, b), pathB);
}

TEST_F(TAdaptersTest, ColourAndFontValues) {
  TAdapterHost* host = NewHost(u"h");
  auto node = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  TZCLXMLNode* props = node->Add(u"properties");
  XMLNodeAddValue(props, u"Color", u"255");  // alpha allowed: the integer's bits
  XMLNodeAddValue(props, u"Font", u"DejaVu Sans,255,-12,1")->GetAttributes()->SetValue(u"Quality", u"fqAntialiased");
  TZSESchema(nullptr).Load(host, node.get());
  ASSERT_TRUE(host->FColor->GetAllowAlpha());
  EXPECT_EQ(host->FColor->GetValue(), 255u);
  EXPECT_EQ(host->FFont->GetName(), u"DejaVu Sans");
  EXPECT_EQ(host->FFont->GetHeight(), -12);
  EXPECT_TRUE(host->FFont->GetStyle().Contains(fsBold));
  EXPECT_EQ(host->FFont->GetQuality(), TFontQuality::fqAntialiased);

  // Not a number: 0.
  props->GetNode(0)->GetAttributes()->SetValue(u"value", u"red");
  TZSESchema(nullptr).Load(host, node.get());
  EXPECT_EQ(host->FColor->GetValue(), 0u);

  // A font written as properties.
  auto nested = TOwned<TZCLXMLNode>(Create<TZCLXMLNode>(), &Free);
  TZCLXMLNode* font = XMLNodeAddProperty(nested->Add(u"properties"), u"Font");
  XMLNodeAddValue(font, u"Name", u"DejaVu Serif");
  XMLNodeAddValue(font, u"Height", -20);
  XMLNodeAddValue(font, u"Quality", u"fqDraft");
  TZSESchema(nullptr).Load(host, nested.get());
  EXPECT_EQ(host->FFont->GetName(), u"DejaVu Serif");
  EXPECT_EQ(host->FFont->GetHeight(), -20);
  EXPECT_EQ(host->FFont->GetQuality(), TFontQuality::fqDraft);
}

}  // namespace
