#include "zse/engine/ZSE.Resources.h"

#include <algorithm>
#include <iterator>

#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.UI.SkinImageSet.h"

// ---- TZSEFontShadow ----------------------------------------------------------------------------------

TZSEFontShadow::TZSEFontShadow(TZSEFont* AFont) : FFont(AFont) {}

TZSEFontShadow* TZSEFontShadow::Inherited() const {
  if (FAssigned) return nullptr;
  TZSEFont* ref = FFont->GetRefFont();
  return ref ? ref->GetShadow() : nullptr;
}

Integer TZSEFontShadow::GetBlur() const {
  TZSEFontShadow* from = Inherited();
  return from ? from->GetBlur() : TZCLFontShadow::GetBlur();
}

TZCLMarginPart TZSEFontShadow::GetDirection() const {
  TZSEFontShadow* from = Inherited();
  return from ? from->GetDirection() : TZCLFontShadow::GetDirection();
}

Integer TZSEFontShadow::GetSize() const {
  TZSEFontShadow* from = Inherited();
  return from ? from->GetSize() : TZCLFontShadow::GetSize();
}

TAlphaColor TZSEFontShadow::GetColor() const {
  if (FCachedColor != claDefault) return FCachedColor;
  TAlphaColor color;
  if (TZSEFontShadow* from = Inherited()) {
    color = from->GetColor();
  } else {
    color = TZCLFontShadow::GetColor();
    if (FFont->GetAllowColoration()) {
      const TZCLColorSchema schema = FFont->GetColorResource()->GetColorSchema();
      if (schema.IsAssigned()) color = TAlphaColorHelper::ApplyColorSchema(color, schema);
    }
  }
  FCachedColor = color;
  return color;
}

void TZSEFontShadow::SetAssigned(bool Value) {
  if (Value == FAssigned) return;
  FAssigned = Value;
  Changed();
}

#define ZSE_SHADOW_SETTER(Name, Type)          \
  void TZSEFontShadow::Set##Name(Type Value) { \
    SetAssigned(true);                         \
    TZCLFontShadow::Set##Name(Value);          \
  }
ZSE_SHADOW_SETTER(Blur, Integer)
ZSE_SHADOW_SETTER(Color, TAlphaColor)
ZSE_SHADOW_SETTER(Direction, TZCLMarginPart)
ZSE_SHADOW_SETTER(Size, Integer)
#undef ZSE_SHADOW_SETTER

void TZSEFontShadow::Reset() {
  FCachedColor = claDefault;
  TZCLFontShadow::Reset();
  FAssigned = false;
}

void TZSEFontShadow::Changed() {
  FCachedColor = claDefault;
  TZCLFontShadow::Changed();
  FFont->Changed(ZCLResourceChangeContent);
}

bool TZSEFontShadow::IsColorStored() const {
  const TAlphaColor color = TZCLFontShadow::GetColor();
  return FAssigned && color != 0 && color != claDefault;
}

// ---- TZSEFont ------------------------------------------------------------------------------------------

TZSEFont::TZSEFont(TObject* AOwner) : TZCLResourceFont(AOwner) {}

TZSEFont::~TZSEFont() { Free(FShadow); }

void TZSEFont::DeclareProperties(TClassDeclaration<TZSEFont>& D) {
  D.Property(u"AssignedValues", &TZSEFont::GetAssignedValuesEx, &TZSEFont::SetAssignedValuesEx);
  D.Property(u"Shadow", &TZSEFont::GetShadow, &TZSEFont::SetShadow);
}

void TZSEFont::Initialize() {
  if (!FShadow) FShadow = new TZSEFontShadow(this);
  TZCLResourceFont::Initialize();
}

void TZSEFont::SetShadow(TZCLFontShadow* Value) {
  FShadow->Assign(Value);
  Changed(ZCLResourceChangeContent);
}

TZSEFontAssignedValues TZSEFont::GetAssignedValuesEx() const {
  TZSEFontAssignedValues result;
  const TZCLResourceFontAssignedValues base = GetAssignedValues();
  for (Integer i = rfavName; i <= rfavStyle; ++i)
    if (base.Contains(TZCLResourceFontAssignedValue(i))) result.Include(TZSEFontAssignedValue(i));
  if (FShadow && FShadow->GetAssigned()) result.Include(afavShadow);
  return result;
}

void TZSEFont::SetAssignedValuesEx(TZSEFontAssignedValues Value) {
  BeginUpdate();
  try {
    FShadow->SetAssigned(Value.Contains(afavShadow));
    TZCLResourceFontAssignedValues base;
    for (Integer i = rfavName; i <= rfavStyle; ++i)
      if (Value.Contains(TZSEFontAssignedValue(i))) base.Include(TZCLResourceFontAssignedValue(i));
    SetAssignedValues(base);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TZSEFont::AssignTo(TPersistent* Dest) {
  TZCLResourceFont::AssignTo(Dest);
  auto* font = dynamic_cast<TZCLFont*>(Dest);
  if (!font) return;
  const TAlphaColor color = GetColor();
  font->SetColor(TAlphaColorHelper::ToColor(color));
  font->SetColorAlpha(Byte(color >> 24));
  font->GetShadow()->Assign(FShadow);
  if (FTargetDPI != 96) {
    font->GetShadow()->SetBlur(MulDiv(FShadow->GetBlur(), FTargetDPI, 96));
    font->GetShadow()->SetSize(MulDiv(FShadow->GetSize(), FTargetDPI, 96));
  }
}

void TZSEFont::FlushCache() {
  TZCLResourceFont::FlushCache();
  if (FShadow) FShadow->FlushCache();
}

TRect TZSEFont::GetShadowMargins() const {
  TRect m = FShadow->GetShadowMargins();
  if (FTargetDPI == 96) return m;
  return TRect(MulDiv(m.Left, FTargetDPI, 96), MulDiv(m.Top, FTargetDPI, 96), MulDiv(m.Right, FTargetDPI, 96),
               MulDiv(m.Bottom, FTargetDPI, 96));
}

void TZSEFont::DoChanged(TZCLPersistentChanges Changes) {
  TZCLResourceFont::DoChanged(Changes);
  if (OnChange) OnChange(FOwner, this);
}

void TZSEFont::DoAssignValue(TZCLResource* Source, bool AssignValue) {
  TZCLResourceFont::DoAssignValue(Source, AssignValue);
  if (auto* font = dynamic_cast<TZSEFont*>(Source)) {
    FShadow->Assign(font->FShadow);
    FShadow->SetAssigned(font->FShadow->GetAssigned());
  }
}

void TZSEFont::DoReset() {
  TZCLResourceFont::DoReset();
  if (FShadow) FShadow->Reset();
}

bool TZSEFont::IsValueEqual(TZCLResource* Resource) {
  if (!TZCLResourceFont::IsValueEqual(Resource)) return false;
  auto* other = dynamic_cast<TZSEFont*>(Resource);
  if (!other) return true;
  const TZSEFontShadow *a = FShadow, *b = other->FShadow;
  return a->GetColor() == b->GetColor() && a->GetBlur() == b->GetBlur() && a->GetDirection() == b->GetDirection() &&
         a->GetSize() == b->GetSize();
}

// ---- TZSEOptionsPersistent / TZSEFonts -------------------------------------------------------------------

TZSEOptionsPersistent::TZSEOptionsPersistent(TObject* AOwner, TZSEOptionsChangeEvent AOnChange)
    : OnChange(AOnChange), FOwner(AOwner) {}

void TZSEOptionsPersistent::Changed() {
  if (OnChange) OnChange(this);
}

TZSEFonts::TZSEFonts(TObject* AOwner, TZSEOptionsChangeEvent AOnChange) : TZSEOptionsPersistent(AOwner, AOnChange) {
  FFonts = new TZCLDictionary<Integer, TZSEFont*>(TDictionaryOwnerships{doOwnsValues});
}

TZSEFonts::~TZSEFonts() { Free(FFonts); }

TZSEFont* TZSEFonts::CreateFont() { return Create<TZSEFont>(FOwner); }

TZSEFont* TZSEFonts::GetFont(Integer Index) {
  TZSEFont* font = nullptr;
  if (FFonts->TryGetValue(Index, font)) return font;
  font = CreateFont();
  font->OnChange = {this, &TZSEFonts::FontChanged};
  FFonts->Add(Index, font);
  return font;
}

void TZSEFonts::SetFont(Integer Index, TZSEFont* Font) { GetFont(Index)->Assign(Font); }

void TZSEFonts::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TZSEFonts*>(Source);
  if (!source) return;
  FFonts->Clear();
  source->FFonts->Enum([this](const Integer& Key, TZSEFont* const& Font) { SetFont(Key, Font); });
  Changed();
}

void TZSEFonts::Changed() {
  FMetricsState = 0;
  TZSEOptionsPersistent::Changed();
}

bool TZSEFonts::HasVaryingMetrics() {
  if (FMetricsState == 0) {
    FMetricsState = 1;
    TZSEFont* first = nullptr;
    FFonts->Enum([&](const Integer&, TZSEFont* const& Font) {
      if (!first)
        first = Font;
      else if (Font->GetStyle().Contains(TFontStyle::fsBold) != first->GetStyle().Contains(TFontStyle::fsBold) ||
               Font->GetSize() != first->GetSize())
        FMetricsState = 2;
    });
  }
  return FMetricsState == 2;
}

// ---- TZSETexture ----------------------------------------------------------------------------------------

TZSETexture::TZSETexture(TObject* AOwner, TZSETextureChangeEvent AOnChange)
    : TZCLResourceTexture(AOwner), OnChange(AOnChange) {}

TZSETexture::~TZSETexture() { Free(FColorResource); }

void TZSETexture::AfterConstruction() {
  TZCLResourceTexture::AfterConstruction();
  // Items of a resource collection use every group; elements say which ones they use.
  if (FOwner && FOwner->ClassNameIs(u"TZCLResourceCollectionItem"))
    FSupportedValues = TZSETextureAssignedValues{atavHitTest, atavCover, atavMask, atavColor};
}

void TZSETexture::BeforeDestruction() {
  OnChange = nullptr;
  FDestroying = true;
  TZCLResourceTexture::BeforeDestruction();
}

void TZSETexture::DeclareProperties(TClassDeclaration<TZSETexture>& D) {
  using T = TZSETexture;
  D.Property(u"AssignedValues", &T::GetAssignedValues, &T::SetAssignedValues);
  D.Property(u"Color", &T::GetColor, &T::SetColor).Stored(false);
  D.Property(u"ColorID", &T::GetColorID, &T::SetColorID).Stored(false);
  D.Property(u"ColorMode", &T::GetColorMode, &T::SetColorMode).Stored(false);
  D.Property(u"CoverFrameIndex", &T::GetCoverFrameIndex, &T::SetCoverFrameIndex).Stored(false);
  D.Property(u"HitTestMaskFrameIndex", &T::GetHitTestMaskFrameIndex, &T::SetHitTestMaskFrameIndex).Stored(false);
  D.Property(u"HitTestMode", &T::GetHitTestMode, &T::SetHitTestMode).Stored(false);
  D.Property(u"MaskFrameIndex", &T::GetMaskFrameIndex, &T::SetMaskFrameIndex).Stored(false);
  D.Property(u"MaskMode", &T::GetMaskMode, &T::SetMaskMode).Stored(false);
}

void TZSETexture::Initialize() {
  if (!FColorResource) FColorResource = Create<TZCLResourceColor>(this);
  TZCLResourceTexture::Initialize();
}

void TZSETexture::FlushCache() {
  TZCLResourceTexture::FlushCache();
  if (FColorResource) FColorResource->FlushCache();
}

void TZSETexture::RefreshReference() {
  TZCLResourceTexture::RefreshReference();
  if (FColorResource) FColorResource->RefreshReference();
}

bool TZSETexture::IsValueStored() const { return TZCLResourceTexture::IsValueStored() || !FAssignedValues.Empty(); }

void TZSETexture::DoChanged(TZCLPersistentChanges Changes) {
  TZCLResourceTexture::DoChanged(Changes);
  if (OnChange) OnChange(FOwner, this);
}

void TZSETexture::DoAssignValue(TZCLResource* Source, bool AssignValue) {
  if (auto* texture = dynamic_cast<TZSETexture*>(Source)) {
    SetCoverFrameIndex(texture->GetCoverFrameIndex());
    SetMaskFrameIndex(texture->GetMaskFrameIndex());
    SetMaskMode(texture->GetMaskMode());
    SetHitTestMaskFrameIndex(texture->GetHitTestMaskFrameIndex());
    SetHitTestMode(texture->GetHitTestMode());
    SetColor(texture->GetColor());
    SetColorID(texture->GetColorID());
    SetAssignedValues(texture->GetAssignedValues());
  }
  TZCLResourceTexture::DoAssignValue(Source, AssignValue);
}

void TZSETexture::DoReset() {
  TZCLResourceTexture::DoReset();
  FAssignedValues = {};
  FCoverFrameIndex = -1;
  FHitTestMaskFrameIndex = -1;
  FHitTestMode = ihtmOpaque;
  FMaskFrameIndex = -1;
  FMaskMode = tmmApplyToAll;
  if (FColorResource) FColorResource->Reset();
  if (!FDestroying && !GetIsDestroying()) ChooseImage();
}

void TZSETexture::DoResourceChanged(TObject* Sender, TZCLResource* Resource) {
  if (!Resource && FColorResource) FColorResource->ResourceChanged(Sender, nullptr);
  TZCLResourceTexture::DoResourceChanged(Sender, Resource);
}

bool TZSETexture::IsValueEqual(TZCLResource* Resource) {
  if (!TZCLResourceTexture::IsValueEqual(Resource)) return false;
  auto* other = dynamic_cast<TZSETexture*>(Resource);
  if (!other) return true;
  return FColorResource->IsEqual(other->FColorResource) && GetHitTestMode() == other->GetHitTestMode() &&
         GetHitTestMaskFrameIndex() == other->GetHitTestMaskFrameIndex() &&
         GetCoverFrameIndex() == other->GetCoverFrameIndex() && GetMaskFrameIndex() == other->GetMaskFrameIndex() &&
         GetMaskMode() == other->GetMaskMode();
}

void TZSETexture::ChooseImage() {
  if (!FDestroying && !GetIsDestroying()) UpdateImage();
}

TAlphaColor TZSETexture::GetTintColor(TZCLBoolean Coloration) {
  if (IsGroupAssigned(atavColor)) {
    TAlphaColor color = FColorResource->GetValue();
    const bool coloration =
        Coloration != TZCLBoolean::Default ? Coloration == TZCLBoolean::True : IsColorationAllowed();
    if (FColorResource->IsValueStored() && coloration) {
      const TZCLColorSchema schema = GetActualColorSchema();
      if (schema.IsAssigned()) color = TAlphaColorHelper::ApplyColorSchema(color, schema);
    }
    return color;
  }
  if (TZSETexture* ref = GetRefTexture())
    return ref->GetTintColor(Coloration != TZCLBoolean::Default ? Coloration : GetAllowColoration());
  return 0;
}

TZCLSkinImage* TZSETexture::GetImage(Integer ATargetDPI, TZCLBoolean AAllowColoration) {
  const TAlphaColor color = GetTintColor(AAllowColoration);
  if (color == 0 || color == claDefault) return TZCLResourceTexture::GetImage(ATargetDPI, AAllowColoration);
  TZCLSkinImageSet* set = GetImageSet();
  return set ? set->Get(ATargetDPI, color, GetColorMode()) : nullptr;
}

bool TZSETexture::HasMask() {
  TZCLSkinImage* image = GetCurrentImage();
  const Integer index = GetMaskFrameIndex();
  if (!image || index < 0 || index >= image->GetFrameCount()) return false;
  return !FrameStateIsOpaque(image->GetFrameInfo(index));
}

bool TZSETexture::HitTest(const TRect& R, Integer X, Integer Y) {
  switch (GetHitTestMode()) {
    case ihtmOpaque:
      return true;
    case ihtmMask: {
      TZCLSkinImage* image = GetCurrentImage();
      return image && image->HitTestFrame(R, GetHitTestMaskFrameIndex(), X, Y);
    }
    default:
      return false;
  }
}

bool TZSETexture::AssignGroup(TZSETextureAssignedValue Group, bool Same) {
  if (Same && IsGroupAssigned(Group)) return false;
  FAssignedValues.Include(Group);
  return true;
}

void TZSETexture::SetAssignedValues(TZSETextureAssignedValues Value) {
  if (Value == FAssignedValues) return;
  BeginUpdate();
  try {
    const bool colorChanged = Value.Contains(atavColor) != FAssignedValues.Contains(atavColor);
    FAssignedValues = Value;
    if (colorChanged) ChooseImage();
    Changed(ZCLResourceChangeContent);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TAlphaColor TZSETexture::GetColor() const { return FColorResource->GetValue(); }

void TZSETexture::SetColor(TAlphaColor Value) {
  if (!AssignGroup(atavColor, Value == FColorResource->GetOwnValue() && FColorResource->GetID().empty())) return;
  FColorResource->SetValue(Value);
  ChooseImage();
  Changed(ZCLResourceChangeContent);
}

String TZSETexture::GetColorID() const { return FColorResource->GetID(); }

void TZSETexture::SetColorID(const String& Value) {
  if (!AssignGroup(atavColor, Value == FColorResource->GetID())) return;
  FColorResource->SetID(Value);
  ChooseImage();
  Changed(ZCLResourceChangeContent);
}

TZCLSkinImageColorationMode TZSETexture::GetColorMode() const {
  if (IsGroupAssigned(atavColor)) return FColorMode;
  if (TZSETexture* ref = GetRefTexture()) return ref->GetColorMode();
  return cmTint;
}

void TZSETexture::SetColorMode(TZCLSkinImageColorationMode Value) {
  if (!AssignGroup(atavColor, Value == GetColorMode())) return;
  FColorMode = Value;
  ChooseImage();
  Changed(ZCLResourceChangeContent);
}

Integer TZSETexture::GetCoverFrameIndex() const {
  if (IsGroupAssigned(atavCover)) return FCoverFrameIndex;
  if (TZSETexture* ref = GetRefTexture()) return ref->GetCoverFrameIndex();
  return -1;
}

void TZSETexture::SetCoverFrameIndex(Integer Value) {
  if (!AssignGroup(atavCover, Value == GetCoverFrameIndex())) return;
  FCoverFrameIndex = Value;
  Changed(4);
}

Integer TZSETexture::GetHitTestMaskFrameIndex() const {
  if (IsGroupAssigned(atavHitTest)) return FHitTestMaskFrameIndex;
  if (TZSETexture* ref = GetRefTexture()) return ref->GetHitTestMaskFrameIndex();
  TZCLSkinImage* image = GetCurrentImage();
  return image ? image->GetHitTestMaskFrameIndex() : -1;
}

void TZSETexture::SetHitTestMaskFrameIndex(Integer Value) {
  if (!AssignGroup(atavHitTest, Value == GetHitTestMaskFrameIndex())) return;
  FHitTestMaskFrameIndex = Value;
  Changed(4);
}

TZCLSkinImageHitTestMode TZSETexture::GetHitTestMode() const {
  if (IsGroupAssigned(atavHitTest)) return FHitTestMode;
  if (TZSETexture* ref = GetRefTexture()) return ref->GetHitTestMode();
  TZCLSkinImage* image = GetCurrentImage();
  return image ? image->GetHitTestMask() : ihtmOpaque;
}

void TZSETexture::SetHitTestMode(TZCLSkinImageHitTestMode Value) {
  if (!AssignGroup(atavHitTest, Value == GetHitTestMode())) return;
  FHitTestMode = Value;
  Changed(4);
}

Integer TZSETexture::GetMaskFrameIndex() const {
  if (IsGroupAssigned(atavMask)) return FMaskFrameIndex;
  if (TZSETexture* ref = GetRefTexture()) return ref->GetMaskFrameIndex();
  return -1;
}

void TZSETexture::SetMaskFrameIndex(Integer Value) {
  if (!AssignGroup(atavMask, Value == GetMaskFrameIndex())) return;
  FMaskFrameIndex = Value;
  Changed(ZCLResourceChangeContent);
}

TZSETextureMaskMode TZSETexture::GetMaskMode() const {
  if (IsGroupAssigned(atavMask)) return FMaskMode;
  if (TZSETexture* ref = GetRefTexture()) return ref->GetMaskMode();
  return tmmApplyToAll;
}

void TZSETexture::SetMaskMode(TZSETextureMaskMode Value) {
  if (!AssignGroup(atavMask, Value == GetMaskMode())) return;
  FMaskMode = Value;
  Changed(ZCLResourceChangeContent);
}

// ---- schema adapters ------------------------------------------------------------------------------------

void TZSEFontSchemaAdapter::Load(Self Class, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema) {
  TZSESchemaResourceFontAdapter::Load(Class, Object, Node, Schema);
  auto* font = dynamic_cast<TZSEFont*>(Object);
  if (!font || !Node) return;
  TZCLXMLAttributes* a = Node->GetAttributes();
  if (a->Exists(u"ColorAlpha")) {
    const Byte alpha = Byte(std::clamp(a->GetValueAsInteger(u"ColorAlpha", 255), 0, 255));
    font->SetColor((font->GetColor() & 0x00FFFFFF) | (TAlphaColor(alpha) << 24));
  }
  // Only a shadow the node describes becomes the font's own: without one it stays inherited.
  static const char16_t* const shadowKeys[] = {u"ShadowColor", u"ShadowColorAlpha", u"ShadowBlur", u"ShadowSize",
                                               u"ShadowDirection"};
  if (std::none_of(std::begin(shadowKeys), std::end(shadowKeys), [&](const char16_t* K) { return a->Exists(K); }))
    return;
  TZSEFontShadow* shadow = font->GetShadow();
  const Integer color = a->GetValueAsInteger(u"ShadowColor", 0x1FFFFFFF);
  const Byte alpha = Byte(std::clamp(a->GetValueAsInteger(u"ShadowColorAlpha", 255), 0, 255));
  shadow->SetColor(color == 0x1FFFFFFF ? claNone : TAlphaColorHelper::FromColor(TColor(color), alpha));
  shadow->SetBlur(a->GetValueAsInteger(u"ShadowBlur", 0));
  shadow->SetSize(a->GetValueAsInteger(u"ShadowSize", 1));
  const Integer direction = a->GetValueAsInteger(u"ShadowDirection", mzRightBottom);
  if (direction >= mzLeftTop && direction <= mzClient) shadow->SetDirection(TZCLMarginPart(direction));
}

void TZSETextureSchemaAdapter::Load(Self Class, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema) {
  TZSESchemaResourceTextureAdapter::Load(Class, Object, Node, Schema);
  auto* texture = dynamic_cast<TZSETexture*>(Object);
  if (!texture || !Node) return;
  TZCLXMLAttributes* a = Node->GetAttributes();
  auto ordinal = [&](const char16_t* Name, Integer High) { return std::clamp(a->GetValueAsInteger(Name, 0), 0, High); };
  if (a->Exists(u"CoverFrame")) texture->SetCoverFrameIndex(a->GetValueAsInteger(u"CoverFrame", -1));
  if (a->Exists(u"MaskFrame")) texture->SetMaskFrameIndex(a->GetValueAsInteger(u"MaskFrame", -1));
  if (a->Exists(u"MaskMode")) texture->SetMaskMode(TZSETextureMaskMode(ordinal(u"MaskMode", tmmApplyToContent)));
  if (a->Exists(u"HitTestMode"))
    texture->SetHitTestMode(TZCLSkinImageHitTestMode(ordinal(u"HitTestMode", ihtmTransparent)));
  if (a->Exists(u"HitTestMask")) texture->SetHitTestMaskFrameIndex(a->GetValueAsInteger(u"HitTestMask", -1));
  if (a->Exists(u"Color")) texture->SetColor(TAlphaColor(a->GetValueAsInteger(u"Color", 0)));
  if (a->Exists(u"ColorID")) texture->SetColorID(a->GetValue(u"ColorID"));
  if (a->Exists(u"ColorMode")) texture->SetColorMode(TZCLSkinImageColorationMode(ordinal(u"ColorMode", cmColor)));
}

void TZSETextureSchemaAdapter::Save(Self Class, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema,
                                    const String& Path) {
  TZSESchemaResourceTextureAdapter::Save(Class, Object, Node, Schema, Path);
  auto* texture = dynamic_cast<TZSETexture*>(Object);
  if (!texture) return;
  TZCLXMLAttributes* a = Node->GetAttributes();
  const TZSETextureAssignedValues groups = texture->GetAssignedValues();
  if (groups.Contains(atavCover)) a->SetValueAsInteger(u"CoverFrame", texture->GetCoverFrameIndex());
  if (groups.Contains(atavMask)) {
    a->SetValueAsInteger(u"MaskFrame", texture->GetMaskFrameIndex());
    a->SetValueAsInteger(u"MaskMode", texture->GetMaskMode());
  }
  if (groups.Contains(atavHitTest)) {
    a->SetValueAsInteger(u"HitTestMask", texture->GetHitTestMaskFrameIndex());
    a->SetValueAsInteger(u"HitTestMode", texture->GetHitTestMode());
  }
  if (groups.Contains(atavColor)) {
    a->SetValueAsInteger(u"ColorMode", texture->GetColorMode());
    if (!texture->GetColorID().empty())
      a->SetValue(u"ColorID", texture->GetColorID());
    else
      a->SetValueAsInteger(u"Color", Integer(texture->GetColorResource()->GetOwnValue()));
  }
}

// ---- routines -------------------------------------------------------------------------------------------

namespace {
TZCLFont* GTempFont = nullptr;
}

TZCLResourceColor* CreateColorResource(TClass ResourceClass, TObject* Owner, TAlphaColor DefaultColor) {
  auto* color = ResourceClass->Create<TZCLResourceColor>(Owner);
  color->InitializeDefault(String(), DefaultColor);
  return color;
}

TZCLFont* GetTempFont(TZSEFont* Source) {
  if (!GTempFont) GTempFont = new TZCLFont();
  GTempFont->Assign(Source);
  return GTempFont;
}

TZCLFont* GetTempFont(TZSEFont* Source, TAlphaColor Color) {
  TZCLFont* font = GetTempFont(Source);
  font->SetColor(TAlphaColorHelper::ToColor(Color));
  font->SetColorAlpha(Byte(Color >> 24));
  return font;
}

TSize MeasureText(TZSEFont* Font, const String& Text, Byte Sides) {
  TSize size = MeasureTextSize(GetTempFont(Font), Text);
  if (Sides != 0) {
    const TRect m = Font->GetShadowMargins();
    size.cx += ((Sides & 1) ? m.Left : 0) + ((Sides & 4) ? m.Right : 0);
    size.cy += ((Sides & 2) ? m.Top : 0) + ((Sides & 8) ? m.Bottom : 0);
  }
  return size;
}

void ZSEResourcesInitialize() {
  RegisterProperties<TZCLFontShadow>();
  RegisterProperties<TZSEFont>();
  RegisterProperties<TZSETexture>();
  SchemaRegisterClassAdapter(TZSEFontSchemaAdapter::StaticClass());
  SchemaRegisterClassAdapter(TZSETextureSchemaAdapter::StaticClass());
  TZCLResourceClassRepository::Register(TZSEFont::StaticClass());
  TZCLResourceClassRepository::Register(TZSETexture::StaticClass());
}

void ZSEResourcesFinalize() {
  TZCLResourceClassRepository::Unregister(TZSETexture::StaticClass());
  TZCLResourceClassRepository::Unregister(TZSEFont::StaticClass());
  SchemaUnregisterClassAdapter(TZSETextureSchemaAdapter::StaticClass());
  SchemaUnregisterClassAdapter(TZSEFontSchemaAdapter::StaticClass());
  Free(GTempFont);
  GTempFont = nullptr;
}
