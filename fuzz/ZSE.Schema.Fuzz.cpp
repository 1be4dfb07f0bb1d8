#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "os/OS.Units.h"
#include "rtl/RTL.Exceptions.h"
#include "rtl/RTL.Streams.h"
#include "rtl/RTL.TypInfo.h"
#include "rtl/RTL.Units.h"
#include "vcl/VCL.Units.h"
#include "zcl/base/ZCL.Base.Units.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/graphics/ZCL.Graphics.Units.h"
#include "zcl/ui/ZCL.UI.Resources.Font.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"
#include "zcl/ui/ZCL.UI.Units.h"
#include "zse/engine/ZSE.Engine.Units.h"
#include "zse/engine/ZSE.Schema.h"
#include "zse/engine/ZSE.Skins.h"

enum TFuzzKind : Byte { fkOne, fkTwo, fkThree };
ZCL_ENUM(TFuzzKind, fkOne, fkTwo, fkThree);
using TFuzzKinds = TSet<TFuzzKind>;

namespace {
struct TFreeObject {
  void operator()(TObject* Obj) const { Free(Obj); }
};
template <class T>
using TOwned = std::unique_ptr<T, TFreeObject>;

class TFuzzStyle : public TPersistent {
  ZCL_CLASS(TFuzzStyle, TPersistent)
 public:
  static void DeclareProperties(TClassDeclaration<TFuzzStyle>& D) {
    D.Property(u"Color", &TFuzzStyle::FColor, &TFuzzStyle::FColor).Default(0);
    D.Property(u"Ratio", &TFuzzStyle::FRatio, &TFuzzStyle::FRatio);
  }
  Integer FColor = 0;
  Double FRatio = 0;
};

// Every kind of property the schema reads: texts, numbers, enumerations, sets, Booleans,
// adapters, nested objects, theme resources and references to other components.
class TFuzzItem : public TComponent {
  ZCL_CLASS(TFuzzItem, TComponent)
 public:
  explicit TFuzzItem(TComponent* AOwner) : TComponent(AOwner) {}
  void AfterConstruction() override {
    inherited::AfterConstruction();
    FTexture = Create<TZCLResourceTexture>(this);
    FFont = Create<TZCLResourceFont>(this);
    FColor = Create<TZCLResourceColor>(this);
  }
  ~TFuzzItem() override {
    Free(FMargins);
    Free(FSize);
    Free(FStyle);
    Free(FTexture);
    Free(FFont);
    Free(FColor);
    Free(FAnnotations);
  }
  HRESULT QueryInterface(const TGUID& IID, void** Obj) override {
    if (DelegateQuery<IZSEAnnotations>(static_cast<IZSEAnnotations*>(FAnnotations), IID, Obj)) return S_OK;
    return TComponent::QueryInterface(IID, Obj);
  }
  static void DeclareProperties(TClassDeclaration<TFuzzItem>& D) {
    D.Property(u"Caption", &TFuzzItem::FCaption, &TFuzzItem::FCaption);
    D.Property(u"Width", &TFuzzItem::FWidth, &TFuzzItem::FWidth).Default(0);
    D.Property(u"Big", &TFuzzItem::FBig, &TFuzzItem::FBig);
    D.Property(u"Unsigned", &TFuzzItem::FUnsigned, &TFuzzItem::FUnsigned).Default(0u);
    D.Property(u"Visible", &TFuzzItem::FVisible, &TFuzzItem::FVisible).Default(true);
    D.Property(u"Kind", &TFuzzItem::FKind, &TFuzzItem::FKind).Default(fkOne);
    D.Property(u"Kinds", &TFuzzItem::FKinds, &TFuzzItem::FKinds);
    D.Property(u"Scale", &TFuzzItem::FScale, &TFuzzItem::FScale);
    D.Property(u"Letter", &TFuzzItem::FLetter, &TFuzzItem::FLetter);
    D.Property(u"Margins", &TFuzzItem::FMargins);
    D.Property(u"Size", &TFuzzItem::FSize);
    D.Property(u"Style", &TFuzzItem::FStyle);
    D.Property(u"Texture", &TFuzzItem::FTexture);
    D.Property(u"Font", &TFuzzItem::FFont);
    D.Property(u"Color", &TFuzzItem::FColor);
    D.Property(u"Link", &TFuzzItem::FLink, &TFuzzItem::FLink);
    D.Event(u"OnClick", &TFuzzItem::OnClick);
  }

  String FCaption;
  Integer FWidth = 0;
  Int64 FBig = 0;
  Cardinal FUnsigned = 0;
  bool FVisible = true;
  TFuzzKind FKind = fkOne;
  TFuzzKinds FKinds;
  Double FScale = 0;
  Char FLetter = u'a';
  TZCLRect* FMargins = Create<TZCLRect>();
  TZCLSize* FSize = Create<TZCLSize>();
  TFuzzStyle* FStyle = Create<TFuzzStyle>();
  TZCLResourceTexture* FTexture = nullptr;
  TZCLResourceFont* FFont = nullptr;
  TZCLResourceColor* FColor = nullptr;
  TComponent* FLink = nullptr;
  TZSEAnnotations* FAnnotations = Create<TZSEAnnotations>();
  TNotifyEvent OnClick;
};

String SaveText(TZCLXMLDocument* Document) {
  TOwned<TMemoryStream> stream(Create<TMemoryStream>());
  Document->SaveToStream(stream.get(), TZCLXMLDocumentFormat::Default());
  const auto* bytes = static_cast<const char16_t*>(stream->GetMemory());
  return String(bytes, bytes + stream->GetSize() / 2);
}

// Loads every root child of the document into an item named by its "name" attribute, resolves
// references among them and saves them into a new document.
TZCLXMLDocument* LoadAndSave(TZCLXMLDocument* Input, TZSESkin* Skin, TComponent* Root) {
  TZSESchema schema(Skin->GetResources());
  std::vector<TFuzzItem*> items;
  TZCLXMLNode* top = Input->GetCount() > 0 ? Input->GetNode(0) : nullptr;
  for (Integer i = 0; top && i < top->GetCount() && i < 16; ++i) {
    auto* item = Create<TFuzzItem>(Root);
    items.push_back(item);
    try {
      item->SetName(schema.GetName(top->GetNode(i)));
    } catch (const Exception&) {
    }
    try {
      schema.Load(item, top->GetNode(i));
    } catch (const Exception&) {
    }
  }
  schema.ResolveReferences([&](const String& Name) { return FindComponentRecursive(Root, Name, false); });
  auto* output = Create<TZCLXMLDocument>();
  TZCLXMLNode* out = output->Add(u"skin");
  for (TFuzzItem* item : items) {
    TZCLXMLNode* node = out->Add(u"item");
    node->GetAttributes()->SetValue(u"name", item->GetName());
    schema.Save(item, node);
  }
  return output;
}
}  // namespace

// Skin XML from outside, read by the schema into objects of every property kind: any document
// loads or fails with an exception, and what it saves loads and saves again to the same text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  static const bool initialized =
      (InitializeUnits(RtlUnits()), InitializeUnits(OsUnits()), InitializeUnits(VclUnits()),
       InitializeUnits(ZclBaseUnits()), InitializeUnits(ZclGraphicsUnits()), InitializeUnits(ZclUiUnits()),
       InitializeUnits(ZseEngineUnits()), RegisterProperties<TFuzzStyle>(), RegisterProperties<TFuzzItem>(), true);
  (void)initialized;
  TOwned<TMemoryStream> input(Create<TMemoryStream>());
  if (Size > 0) input->WriteBuffer(Data, static_cast<Integer>(Size));
  input->SetPosition(0);
  TOwned<TZCLXMLDocument> document(Create<TZCLXMLDocument>());
  try {
    document->LoadFromStream(input.get());
  } catch (const Exception&) {
    return 0;
  }
  // The same bytes as an image-set document of the skin, for textures that name it.
  TOwned<TZSESkin> skin(Create<TZSESkin>());
  input->SetPosition(0);
  skin->GetFiles()->Add(u"Fuzz", sfkImageSet, input.get(), -1);

  TOwned<TComponent> root(Create<TComponent>(nullptr));
  TOwned<TZCLXMLDocument> first(LoadAndSave(document.get(), skin.get(), root.get()));
  TOwned<TComponent> root2(Create<TComponent>(nullptr));
  TOwned<TZCLXMLDocument> second(LoadAndSave(first.get(), skin.get(), root2.get()));
  TOwned<TComponent> root3(Create<TComponent>(nullptr));
  TOwned<TZCLXMLDocument> third(LoadAndSave(second.get(), skin.get(), root3.get()));
  if (SaveText(second.get()) != SaveText(third.get())) std::abort();
  return 0;
}
