#pragma once
// The font resource: name, height, quality, style and colour, each assigned here or inherited
// from the referenced font (or the platform's default font). Its colour is a colour resource of
// its own, so that a font colour can itself refer to a colour identifier.

#include "vcl/VCL.Graphics.h"
#include "zcl/ui/ZCL.UI.Resources.h"

inline PTypeInfo ZclEnumTypeInfo(const TFontStyle*) {
  static const PTypeInfo info =
      ::detail::MakeEnumType(u"TFontStyle", otUByte, "fsBold, fsItalic, fsUnderline, fsStrikeOut");
  return info;
}
inline PTypeInfo ZclEnumTypeInfo(const TFontQuality*) {
  static const PTypeInfo info = ::detail::MakeEnumType(
      u"TFontQuality", otUByte,
      "fqDefault, fqDraft, fqProof, fqNonAntialiased, fqAntialiased, fqClearType, fqClearTypeNatural");
  return info;
}
constexpr Integer EnumHigh(TFontQuality) { return 6; }

enum TZCLResourceFontAssignedValue : Byte { rfavName, rfavColor, rfavHeight, rfavQuality, rfavStyle };
ZCL_ENUM(TZCLResourceFontAssignedValue, rfavName, rfavColor, rfavHeight, rfavQuality, rfavStyle);
using TZCLResourceFontAssignedValues = TSet<TZCLResourceFontAssignedValue>;

class TZCLResourceFont : public TZCLResource, public IZCLResourceProvider, public IZCLColorSchema {
  ZCL_CLASS(TZCLResourceFont, TZCLResource)
  RTL_INTERFACES(TZCLResource, IZCLResourceProvider, IZCLColorSchema)
 public:
  using TZCLResource::TZCLResource;
  ~TZCLResourceFont() override;
  static void DeclareProperties(TClassDeclaration<TZCLResourceFont>& D);

  // The cached font of the effective values at TargetDPI; owned by the font cache.
  TFont* GetFont();
  void AssignTo(TPersistent* Dest) override;
  String GetValueText() const override;
  void FlushCache() override;
  void RefreshReference() override;
  bool IsValueStored() const override;
  void ApplyColorSchema(const TZCLColorSchema& Schema) override;
  TZCLResource* GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) override;

  TZCLResourceColor* GetColorResource() const { return FColorResource; }
  bool GetAllowColoration() const { return FColorResource->IsColorationAllowed(); }
  void SetAllowColoration(bool Value);
  TAlphaColor GetColor();
  void SetColor(TAlphaColor Value);
  String GetColorID() const;
  void SetColorID(const String& Value);
  String GetName() const;
  void SetName(const String& Value);
  Integer GetHeight() const;
  void SetHeight(Integer Value);
  Integer GetSize() const;
  void SetSize(Integer Value);
  TFontQuality GetQuality() const;
  void SetQuality(TFontQuality Value);
  TFontStyles GetStyle() const;
  void SetStyle(TFontStyles Value);
  TZCLResourceFontAssignedValues GetAssignedValues() const { return FAssignedValues; }
  void SetAssignedValues(TZCLResourceFontAssignedValues Value);

 protected:
  void DoAssign(TPersistent* Source) override;
  void DoAssignValue(TZCLResource* Source, bool AssignValue) override;
  void DoReset() override;
  void Initialize() override;
  void DoResourceChanged(TObject* Sender, TZCLResource* Resource) override;
  bool IsValueEqual(TZCLResource* Resource) override;
  // The identifier once more after every other value, so it is applied last when read.
  void DefineProperties(TFiler* Filer) override;

 private:
  TZCLResourceFont* RefFont() const { return static_cast<TZCLResourceFont*>(FReference); }
  bool IsColorStored() const;
  bool IsColorIDStored() const;
  bool IsNameStored() const { return FAssignedValues.Contains(rfavName); }
  bool IsHeightStored() const { return FAssignedValues.Contains(rfavHeight); }
  bool IsQualityStored() const { return FAssignedValues.Contains(rfavQuality); }
  bool IsStyleStored() const { return FAssignedValues.Contains(rfavStyle); }
  TAlphaColor GetStoredColor() const { return FColorResource->GetOwnValue(); }
  void Assigned(TZCLResourceFontAssignedValue Value);

  TAlphaColor FCachedColor = claDefault;
  TFont* FCachedFont = nullptr;
  TZCLResourceFontAssignedValues FAssignedValues;
  Integer FHeight = 0;
  String FName;
  TFontQuality FQuality = TFontQuality::fqDefault;
  TFontStyles FStyle;
  TZCLResourceColor* FColorResource = nullptr;
};
