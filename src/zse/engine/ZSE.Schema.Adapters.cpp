#include "zse/engine/ZSE.Schema.Adapters.h"

#include <span>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Set.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/base/ZCL.Utils.Strings.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"
#include "zcl/ui/ZCL.UI.Resources.Font.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"
#include "zcl/ui/ZCL.Utils.RTTI.h"
#include "zse/engine/ZSE.Skins.h"

namespace {
const String SValue = u"value";
const String SLink = u"link";
const String SAllowColoration = u"AllowColoration";
const String SScalable = u"Scalable";

TZCLXMLAttributes* Attrs(TZCLXMLNode* Node) { return Node->GetAttributes(); }

// In registration order.
std::span<const TZSESchemaClassAdapterClass> Adapters() {
  static const TZSESchemaClassAdapterClass adapters[] = {TZSESchemaRectAdapter::StaticClass(),
                                                         TZSESchemaResourceAdapter::StaticClass(),
                                                         TZSESchemaResourceCollectionAdapter::StaticClass(),
                                                         TZSESchemaResourceColorAdapter::StaticClass(),
                                                         TZSESchemaResourceFontAdapter::StaticClass(),
                                                         TZSESchemaResourceTextureAdapter::StaticClass(),
                                                         TZSESchemaSizeAdapter::StaticClass()};
  return adapters;
}
}  // namespace

// ---- rectangles and sizes ----------------------------------------------------------------------

TClass TZSESchemaRectAdapter::AdaptedClass() { return TZCLRect::StaticClass(); }

bool TZSESchemaRectAdapter::IsStored(Self, TObject* Object) {
  auto* rect = static_cast<TZCLRect*>(Object);
  return rect->GetValue() != rect->GetDefaultValue();
}

void TZSESchemaRectAdapter::Load(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema*) {
  static_cast<TZCLRect*>(Object)->SetValue(Attrs(Node)->GetValueAsRect(SValue));
}

void TZSESchemaRectAdapter::Save(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema*, const String&) {
  Attrs(Node)->SetValueAsRect(SValue, static_cast<TZCLRect*>(Object)->GetValue());
}

TClass TZSESchemaSizeAdapter::AdaptedClass() { return TZCLSize::StaticClass(); }

bool TZSESchemaSizeAdapter::IsStored(Self, TObject* Object) {
  auto* size = static_cast<TZCLSize*>(Object);
  return size->GetValue() != size->GetDefaultValue();
}

void TZSESchemaSizeAdapter::Load(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema*) {
  static_cast<TZCLSize*>(Object)->SetValue(Attrs(Node)->GetValueAsSize(SValue));
}

void TZSESchemaSizeAdapter::Save(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema*, const String&) {
  Attrs(Node)->SetValueAsSize(SValue, static_cast<TZCLSize*>(Object)->GetValue());
}

// ---- resources ---------------------------------------------------------------------------------

TClass TZSESchemaResourceAdapter::AdaptedClass() { return TZCLResource::StaticClass(); }

void TZSESchemaResourceAdapter::Load(Self Class, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema) {
  if (Attrs(Node)->Exists(SValue))
    Class->LoadValue(Object, Node, Schema);
  else
    Schema->LoadProperties(Object, Node);
}

void TZSESchemaResourceAdapter::Save(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema, const String&) {
  Schema->SaveProperties(Object, Node, String());
}

void TZSESchemaResourceAdapter::LoadValue(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema) {
  if (Node->GetCount() > 0) Schema->LoadProperties(Object, Node);
}

TClass TZSESchemaResourceCollectionAdapter::AdaptedClass() { return TZCLResourceCollection::StaticClass(); }

TClass TZSESchemaResourceColorAdapter::AdaptedClass() { return TZCLResourceColor::StaticClass(); }

void TZSESchemaResourceColorAdapter::LoadValue(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema*) {
  auto* color = static_cast<TZCLResourceColor*>(Object);
  Integer value = 0;
  if (!TryStrToInt(Attrs(Node)->GetValue(SValue), value)) value = 0;
  if (color->GetAllowAlpha())
    color->SetValue(static_cast<TAlphaColor>(value));
  else
    color->SetAsColor(value);
}

TClass TZSESchemaResourceFontAdapter::AdaptedClass() { return TZCLResourceFont::StaticClass(); }

void TZSESchemaResourceFontAdapter::LoadValue(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema) {
  auto* font = Create<TFont>();
  try {
    if (Node->GetCount() == 0) {
      String name;
      Integer color = 0, height = 0, style = 0;
      zcStringToFont(Attrs(Node)->GetValue(SValue), name, color, height, style);
      font->SetName(name);
      font->SetColor(color);
      font->SetHeight(height);
      const Byte styleBits = static_cast<Byte>(style);
      font->SetStyle(TFontStyles::FromBits(&styleBits, 1));
      const Integer quality = GetEnumValue(ZclEnumTypeInfo(static_cast<const TFontQuality*>(nullptr)),
                                           Attrs(Node)->GetValueDef(u"Quality", u"fqDefault"));
      if (quality >= 0) font->SetQuality(static_cast<TFontQuality>(quality));
    } else {
      // The platform font publishes nothing: the children go through a font resource, which
      // publishes the same names.
      auto* source = Create<TZCLResourceFont>(nullptr);
      try {
        Schema->LoadProperties(source, Node);
        font->SetName(source->GetName());
        font->SetColor(TAlphaColorHelper::ToColor(source->GetColor()));
        font->SetHeight(source->GetHeight());
        font->SetStyle(source->GetStyle());
        font->SetQuality(source->GetQuality());
      } catch (...) {
        Free(source);
        throw;
      }
      Free(source);
    }
    static_cast<TZCLResourceFont*>(Object)->Assign(font);
  } catch (...) {
    Free(font);
    throw;
  }
  Free(font);
}

TClass TZSESchemaResourceTextureAdapter::AdaptedClass() { return TZCLResourceTexture::StaticClass(); }

void TZSESchemaResourceTextureAdapter::Load(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema) {
  auto* texture = static_cast<TZCLResourceTexture*>(Object);
  const String value = Attrs(Node)->GetValue(SValue);
  if (!value.empty()) {
    texture->SetOverriden(true);
    if (TZSESkinResources* resources = Schema->GetResources()) resources->LoadImage(value, texture->GetImageSet());
  }
  texture->SetID(Attrs(Node)->GetValue(SLink));
  LoadOptions(texture, Node);
  if (texture->GetOverriden() && texture->GetAllowColoration() == TZCLBoolean::Default)
    texture->SetAllowColoration(TZCLBooleanHelper::From(texture->IsImageColorationAllowed()));
}

void TZSESchemaResourceTextureAdapter::Save(Self, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema,
                                            const String& Path) {
  auto* texture = static_cast<TZCLResourceTexture*>(Object);
  if (!texture->GetOverriden()) Attrs(Node)->SetValue(SLink, texture->GetID());
  if (texture->GetOverriden() || Schema->GetStoreAll()) {
    if (TZSESkinResources* resources = Schema->GetResources()) {
      resources->SaveImage(Path, texture->GetImageSet());
      Attrs(Node)->SetValue(SValue, Path);
    }
  }
  SaveOptions(texture, Node);
}

void TZSESchemaResourceTextureAdapter::LoadOptions(TObject* Object, TZCLXMLNode* Node) {
  auto* texture = static_cast<TZCLResourceTexture*>(Object);
  texture->SetAllowColoration(Attrs(Node)->GetValueAsDefaultBoolean(SAllowColoration));
  texture->SetScalable(Attrs(Node)->GetValueAsDefaultBoolean(SScalable));
}

void TZSESchemaResourceTextureAdapter::SaveOptions(TObject* Object, TZCLXMLNode* Node) {
  auto* texture = static_cast<TZCLResourceTexture*>(Object);
  Attrs(Node)->SetValueAsDefaultBoolean(SAllowColoration, texture->GetAllowColoration());
  Attrs(Node)->SetValueAsDefaultBoolean(SScalable, texture->GetScalable());
}

void SchemaAdaptersInitialize() {
  for (TZSESchemaClassAdapterClass adapter : Adapters()) SchemaRegisterClassAdapter(adapter);
}

void SchemaAdaptersFinalize() {
  for (TZSESchemaClassAdapterClass adapter : Adapters()) SchemaUnregisterClassAdapter(adapter);
}
