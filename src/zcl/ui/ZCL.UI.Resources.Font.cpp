#include "zcl/ui/ZCL.UI.Resources.Font.h"

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"
#include "rtl/RTL.Streaming.h"
#include "zcl/graphics/ZCL.Graphics.FontCache.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

namespace {

// The platform's default font description.
struct TDefaultFont {
  String Name;
  TFontStyles Style;
  TFontQuality Quality;
};

const TDefaultFont& DefaultFont() {
  static const TDefaultFont result = [] {
    TFont font;
    return TDefaultFont{font.GetName(), font.GetStyle(), font.GetQuality()};
  }();
  return result;
}

// The application's default font height, at 96 DPI.
Integer DefaultHeight() {
  const Integer dpi = GetSystemDPI();
  return MulDiv(FontSizeToHeight(dpi, TFont::DefaultSize), 96, dpi);
}

}  // namespace

TZCLResourceFont::~TZCLResourceFont() {
  if (!GetIsDestroying()) TZCLResource::BeforeDestruction();
  Free(FColorResource);
  FColorResource = nullptr;
}

void TZCLResourceFont::DeclareProperties(TClassDeclaration<TZCLResourceFont>& D) {
  D.Property(u"ID", &TZCLResourceFont::GetID, &TZCLResourceFont::SetID).Stored(&TZCLResourceFont::IsIDStored);
  D.Property(u"AllowColoration", &TZCLResourceFont::GetAllowColoration, &TZCLResourceFont::SetAllowColoration)
      .Default(true);
  D.Property(u"Color", &TZCLResourceFont::GetStoredColor, &TZCLResourceFont::SetColor)
      .Type(TypeInfoTAlphaColor())
      .Stored(&TZCLResourceFont::IsColorStored);
  D.Property(u"ColorID", &TZCLResourceFont::GetColorID, &TZCLResourceFont::SetColorID)
      .Stored(&TZCLResourceFont::IsColorIDStored);
  D.Property(u"Size", &TZCLResourceFont::GetSize, &TZCLResourceFont::SetSize).Stored(false);
  D.Property(u"Height", &TZCLResourceFont::GetHeight, &TZCLResourceFont::SetHeight)
      .Stored(&TZCLResourceFont::IsHeightStored);
  D.Property(u"Name", &TZCLResourceFont::GetName, &TZCLResourceFont::SetName).Stored(&TZCLResourceFont::IsNameStored);
  D.Property(u"Quality", &TZCLResourceFont::GetQuality, &TZCLResourceFont::SetQuality)
      .Stored(&TZCLResourceFont::IsQualityStored);
  D.Property(u"Style", &TZCLResourceFont::GetStyle, &TZCLResourceFont::SetStyle)
      .Stored(&TZCLResourceFont::IsStyleStored);
  D.Property(u"AssignedValues", &TZCLResourceFont::GetAssignedValues, &TZCLResourceFont::SetAssignedValues).NoDefault();
}

TFont* TZCLResourceFont::GetFont() {
  if (!FCachedFont)
    FCachedFont = TZCLFontCache::GetFont(GetName(), GetStyle(), GetHeight(), FTargetDPI, GetQuality());
  return FCachedFont;
}

void TZCLResourceFont::AssignTo(TPersistent* Dest) {
  if (auto* font = dynamic_cast<TFont*>(Dest)) {
    font->Assign(GetFont());
    font->SetColor(TAlphaColorHelper::ToColor(GetColor()));
    return;
  }
  inherited::AssignTo(Dest);
}

String TZCLResourceFont::GetValueText() const { return Format(u"%s, %dpt", {GetName(), std::abs(GetSize())}); }

void TZCLResourceFont::FlushCache() {
  if (FColorResource) FColorResource->FlushCache();
  FCachedColor = claDefault;
  FCachedFont = nullptr;
}

void TZCLResourceFont::RefreshReference() {
  TZCLResource::RefreshReference();
  if (FColorResource) FColorResource->RefreshReference();
}

bool TZCLResourceFont::IsValueStored() const {
  return (FAssignedValues * TZCLResourceFontAssignedValues{rfavName, rfavHeight, rfavQuality, rfavStyle}).Empty() ==
             false ||
         IsColorStored() || IsColorIDStored();
}

void TZCLResourceFont::ApplyColorSchema(const TZCLColorSchema& Schema) { FColorResource->ApplyColorSchema(Schema); }

TZCLResource* TZCLResourceFont::GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) {
  IPtr<IZCLResourceProvider> provider;
  if (FOwner && Supports(FOwner, provider)) return provider->GetResource(ID, ResourceClass, Sender);
  return nullptr;
}

void TZCLResourceFont::SetAllowColoration(bool Value) {
  FColorResource->SetAllowColoration(Value ? TZCLBoolean::True : TZCLBoolean::False);
}

TAlphaColor TZCLResourceFont::GetColor() {
  if (FCachedColor == claDefault) {
    if (FAssignedValues.Contains(rfavColor))
      FCachedColor = FColorResource->GetValue();
    else if (RefFont())
      FCachedColor = RefFont()->GetColor();
  }
  return FCachedColor;
}

void TZCLResourceFont::SetColor(TAlphaColor Value) {
  BeginUpdate();
  Assigned(rfavColor);
  FColorResource->SetValue(Value);
  EndUpdate();
}

String TZCLResourceFont::GetColorID() const {
  if (FAssignedValues.Contains(rfavColor)) return FColorResource->GetID();
  return RefFont() ? RefFont()->GetColorID() : String();
}

void TZCLResourceFont::SetColorID(const String& Value) {
  BeginUpdate();
  Assigned(rfavColor);
  FColorResource->SetID(Value);
  EndUpdate();
}

String TZCLResourceFont::GetName() const {
  if (FAssignedValues.Contains(rfavName)) return FName;
  return RefFont() ? RefFont()->GetName() : DefaultFont().Name;
}

Integer TZCLResourceFont::GetHeight() const {
  if (FAssignedValues.Contains(rfavHeight)) return FHeight;
  return RefFont() ? RefFont()->GetHeight() : DefaultHeight();
}

TFontQuality TZCLResourceFont::GetQuality() const {
  if (FAssignedValues.Contains(rfavQuality)) return FQuality;
  return RefFont() ? RefFont()->GetQuality() : DefaultFont().Quality;
}

TFontStyles TZCLResourceFont::GetStyle() const {
  if (FAssignedValues.Contains(rfavStyle)) return FStyle;
  return RefFont() ? RefFont()->GetStyle() : DefaultFont().Style;
}

Integer TZCLResourceFont::GetSize() const { return -MulDiv(GetHeight(), 72, 96); }

void TZCLResourceFont::SetSize(Integer Value) { SetHeight(-MulDiv(Value, 96, 72)); }

void TZCLResourceFont::Assigned(TZCLResourceFontAssignedValue Value) {
  if (!FAssignedValues.Contains(Value)) SetAssignedValues(FAssignedValues + TZCLResourceFontAssignedValues{Value});
}

#define ZCL_FONT_SETTER(Field, Bit)              \
  BeginUpdate();                                 \
  Assigned(Bit);                                 \
  if (!(Value == Field)) {                       \
    Field = Value;                               \
    Changed(ZCLResourceChangeContent);           \
  }                                              \
  EndUpdate();

void TZCLResourceFont::SetName(const String& Value) { ZCL_FONT_SETTER(FName, rfavName) }
void TZCLResourceFont::SetHeight(Integer Value) { ZCL_FONT_SETTER(FHeight, rfavHeight) }
void TZCLResourceFont::SetQuality(TFontQuality Value) { ZCL_FONT_SETTER(FQuality, rfavQuality) }
void TZCLResourceFont::SetStyle(TFontStyles Value) { ZCL_FONT_SETTER(FStyle, rfavStyle) }
#undef ZCL_FONT_SETTER

void TZCLResourceFont::SetAssignedValues(TZCLResourceFontAssignedValues Value) {
  if (Value == FAssignedValues) return;
  BeginUpdate();
  if (FAssignedValues.Contains(rfavColor) && !Value.Contains(rfavColor)) FColorResource->Reset();
  FAssignedValues = Value;
  Changed(ZCLResourceChangeContent);
  EndUpdate();
}

void TZCLResourceFont::DoAssign(TPersistent* Source) {
  if (auto* font = dynamic_cast<TFont*>(Source)) {
    SetColor(TAlphaColorHelper::FromColor(font->GetColor(), 255));
    SetHeight(font->GetHeight());
    SetStyle(font->GetStyle());
    SetQuality(font->GetQuality());
    SetName(font->GetName());
    return;
  }
  TZCLResource::DoAssign(Source);
}

void TZCLResourceFont::DoAssignValue(TZCLResource* Source, bool /*AssignValue*/) {
  auto* source = static_cast<TZCLResourceFont*>(Source);
  FHeight = source->GetHeight();
  FName = source->GetName();
  FStyle = source->GetStyle();
  FQuality = source->GetQuality();
  SetColor(source->GetColor());
  FAssignedValues = source->FAssignedValues;
  Changed(ZCLResourceChangeContent);
}

void TZCLResourceFont::DoReset() {
  TZCLResource::DoReset();
  SetAssignedValues({});
}

void TZCLResourceFont::Initialize() {
  FColorResource = Create<TZCLResourceColor>(static_cast<TObject*>(this));
  TZCLResource::Initialize();
}

void TZCLResourceFont::DoResourceChanged(TObject* Sender, TZCLResource* Resource) {
  TZCLResource::DoResourceChanged(Sender, Resource);
  if (!Resource) {
    FColorResource->RefreshReference();
  } else if (Resource == FColorResource) {
    if (FColorResource->IsDefault()) FAssignedValues = FAssignedValues - TZCLResourceFontAssignedValues{rfavColor};
    Changed(ZCLResourceChangeContent);
  }
}

bool TZCLResourceFont::IsValueEqual(TZCLResource* Resource) {
  auto* other = static_cast<TZCLResourceFont*>(Resource);
  return GetHeight() == other->GetHeight() && GetName() == other->GetName() && GetStyle() == other->GetStyle() &&
         GetQuality() == other->GetQuality() && FColorResource->IsEqual(other->FColorResource);
}

bool TZCLResourceFont::IsColorStored() const {
  return FAssignedValues.Contains(rfavColor) && !FColorResource->IsIDStored() && !FColorResource->IsDefault();
}

bool TZCLResourceFont::IsColorIDStored() const {
  return FAssignedValues.Contains(rfavColor) && FColorResource->IsIDStored();
}

void TZCLResourceFont::DefineProperties(TFiler* Filer) {
  inherited::DefineProperties(Filer);
  Filer->DefineProperty(
      u"ID", [this](TReader* Reader) { SetID(Reader->ReadString()); },
      [this](TWriter* Writer) { Writer->WriteString(FID); }, IsIDStored());
}
