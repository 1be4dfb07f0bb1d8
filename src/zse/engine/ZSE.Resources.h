#pragma once
// Looks of skin elements beyond the UI styles: a font resource with a drop shadow, an indexed
// set of such fonts that a control fills on demand, a texture resource with cover, mask and
// hit-test frames, a mask mode, a hit-test mode and a tint, and the base of option sets that
// report their changes to their owner. Each group of values is set locally or inherited from
// the resource referred to.

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Set.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.h"
#include "zcl/graphics/ZCL.Graphics.Font.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"
#include "zcl/ui/ZCL.UI.Resources.Font.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"
#include "zse/engine/ZSE.Schema.Adapters.h"

class TZSEFont;
class TZSETexture;

enum TZSEFontAssignedValue : Byte { afavName, afavColor, afavSize, afavQuality, afavStyle, afavShadow };
ZCL_ENUM(TZSEFontAssignedValue, afavName, afavColor, afavSize, afavQuality, afavStyle, afavShadow);
using TZSEFontAssignedValues = TSet<TZSEFontAssignedValue>;

enum TZSETextureAssignedValue : Byte { atavHitTest, atavCover, atavMask, atavColor };
ZCL_ENUM(TZSETextureAssignedValue, atavHitTest, atavCover, atavMask, atavColor);
using TZSETextureAssignedValues = TSet<TZSETextureAssignedValue>;

enum TZSETextureMaskMode : Byte { tmmApplyToAll, tmmApplyToContent };
ZCL_ENUM(TZSETextureMaskMode, tmmApplyToAll, tmmApplyToContent);
enum TZSESkinFillMode : Byte { pfmOverlay, pfmReplace };
ZCL_ENUM(TZSESkinFillMode, pfmOverlay, pfmReplace);

// The shadow of a skin font: its own values while Assigned, else the referred font's shadow.
class TZSEFontShadow : public TZCLFontShadow {
  ZCL_CLASS(TZSEFontShadow, TZCLFontShadow)
 public:
  explicit TZSEFontShadow(TZSEFont* AFont);

  Integer GetBlur() const override;
  TAlphaColor GetColor() const override;
  TZCLMarginPart GetDirection() const override;
  Integer GetSize() const override;
  void SetBlur(Integer Value) override;
  void SetColor(TAlphaColor Value) override;
  void SetDirection(TZCLMarginPart Value) override;
  void SetSize(Integer Value) override;
  void Reset() override;
  void Changed() override;

  bool GetAssigned() const { return FAssigned; }
  void SetAssigned(bool Value);
  void FlushCache() { FCachedColor = claDefault; }
  // Streaming: only own values that differ from the neutral ones.
  bool IsBlurStored() const { return FAssigned && TZCLFontShadow::GetBlur() != 0; }
  bool IsColorStored() const;
  bool IsDirectionStored() const { return FAssigned && TZCLFontShadow::GetDirection() != mzRightBottom; }
  bool IsSizeStored() const { return FAssigned && TZCLFontShadow::GetSize() != 1; }

 private:
  // The referred font's shadow while this one follows it; null when it has its own values.
  TZSEFontShadow* Inherited() const;
  mutable TAlphaColor FCachedColor = claDefault;
  bool FAssigned = false;
  TZSEFont* FFont;
};

using TZSEFontChangeEvent = TDelegate<void(TObject* Owner, TZSEFont* Font)>;

class TZSEFont : public TZCLResourceFont {
  ZCL_CLASS(TZSEFont, TZCLResourceFont)
 public:
  explicit TZSEFont(TObject* AOwner);
  ~TZSEFont() override;
  static void DeclareProperties(TClassDeclaration<TZSEFont>& D);

  void AssignTo(TPersistent* Dest) override;
  void FlushCache() override;
  TZSEFontShadow* GetShadow() const { return FShadow; }
  void SetShadow(TZCLFontShadow* Value);
  TZSEFontAssignedValues GetAssignedValuesEx() const;
  void SetAssignedValuesEx(TZSEFontAssignedValues Value);
  // The shadow's margins at TargetDPI.
  TRect GetShadowMargins() const;
  // The referred font when it is a skin font.
  TZSEFont* GetRefFont() const { return dynamic_cast<TZSEFont*>(FReference); }

  TZSEFontChangeEvent OnChange;

 protected:
  void DoChanged(TZCLPersistentChanges Changes) override;
  void DoAssignValue(TZCLResource* Source, bool AssignValue) override;
  void DoReset() override;
  void Initialize() override;
  bool IsValueEqual(TZCLResource* Resource) override;

 private:
  TZSEFontShadow* FShadow = nullptr;
};

class TZSEOptionsPersistent;
using TZSEOptionsChangeEvent = TDelegate<void(TZSEOptionsPersistent* Sender)>;

// Option sets of skin elements: every change reaches the owner through OnChange.
class TZSEOptionsPersistent : public TZCLUnknownPersistent, public IZCLResourceChangeListener {
  ZCL_CLASS(TZSEOptionsPersistent, TZCLUnknownPersistent)
  RTL_INTERFACES(TZCLUnknownPersistent, IZCLResourceChangeListener)
 public:
  using TCreateSignature = void(TObject* AOwner, TZSEOptionsChangeEvent AOnChange);
  TZSEOptionsPersistent(TObject* AOwner, TZSEOptionsChangeEvent AOnChange);

  virtual void Changed();
  void ResourceChanged(TObject* Sender, TZCLResource* Resource) override { Changed(); }
  TObject* GetOptionsOwner() const { return FOwner; }

  TZSEOptionsChangeEvent OnChange;

 protected:
  TObject* FOwner;
};

// Fonts by an index of the owner's choosing (button states, tab fonts, labels), made on demand.
class TZSEFonts : public TZSEOptionsPersistent {
  ZCL_CLASS(TZSEFonts, TZSEOptionsPersistent)
 public:
  TZSEFonts(TObject* AOwner, TZSEOptionsChangeEvent AOnChange);
  ~TZSEFonts() override;
  void Assign(TPersistent* Source) override;
  void Changed() override;

  virtual TZSEFont* CreateFont();
  TZSEFont* GetFont(Integer Index);
  void SetFont(Integer Index, TZSEFont* Font);
  Integer GetCount() const { return FFonts->GetCount(); }
  // Whether the fonts differ in boldness or size; false for an empty set. Cached until a change.
  bool HasVaryingMetrics();

 private:
  void FontChanged(TObject* Owner, TZSEFont* Font) { Changed(); }
  TZCLDictionary<Integer, TZSEFont*>* FFonts;
  Byte FMetricsState = 0;  // 0 not computed, 1 uniform, 2 varying
};

using TZSETextureChangeEvent = TDelegate<void(TObject* Owner, TZSETexture* Texture)>;

class TZSETexture : public TZCLResourceTexture {
  ZCL_CLASS(TZSETexture, TZCLResourceTexture)
 public:
  explicit TZSETexture(TObject* AOwner, TZSETextureChangeEvent AOnChange = {});
  ~TZSETexture() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZSETexture>& D);

  void FlushCache() override;
  void RefreshReference() override;
  bool IsValueStored() const override;
  TZCLSkinImage* GetImage(Integer ATargetDPI, TZCLBoolean AAllowColoration) override;

  // The tint: own colour (with the colour schema when coloration applies), else the referred
  // texture's, else 0. Coloration Default means "the texture's own choice".
  TAlphaColor GetTintColor(TZCLBoolean Coloration = TZCLBoolean::Default);
  bool HasMask();
  bool HitTest(const TRect& R, Integer X, Integer Y);

  TZSETextureAssignedValues GetAssignedValues() const { return FAssignedValues; }
  void SetAssignedValues(TZSETextureAssignedValues Value);
  TZSETextureAssignedValues GetSupportedValues() const { return FSupportedValues; }
  void SetSupportedValues(TZSETextureAssignedValues Value) { FSupportedValues = Value; }
  TAlphaColor GetColor() const;
  void SetColor(TAlphaColor Value);
  String GetColorID() const;
  void SetColorID(const String& Value);
  TZCLSkinImageColorationMode GetColorMode() const;
  void SetColorMode(TZCLSkinImageColorationMode Value);
  Integer GetCoverFrameIndex() const;
  void SetCoverFrameIndex(Integer Value);
  Integer GetHitTestMaskFrameIndex() const;
  void SetHitTestMaskFrameIndex(Integer Value);
  TZCLSkinImageHitTestMode GetHitTestMode() const;
  void SetHitTestMode(TZCLSkinImageHitTestMode Value);
  Integer GetMaskFrameIndex() const;
  void SetMaskFrameIndex(Integer Value);
  TZSETextureMaskMode GetMaskMode() const;
  void SetMaskMode(TZSETextureMaskMode Value);
  TZCLResourceColor* GetColorResource() const { return FColorResource; }
  TZSETexture* GetRefTexture() const { return dynamic_cast<TZSETexture*>(FReference); }

  TZSETextureChangeEvent OnChange;

 protected:
  void DoChanged(TZCLPersistentChanges Changes) override;
  void DoAssignValue(TZCLResource* Source, bool AssignValue) override;
  void DoReset() override;
  void DoResourceChanged(TObject* Sender, TZCLResource* Resource) override;
  void Initialize() override;
  bool IsValueEqual(TZCLResource* Resource) override;

 private:
  bool IsGroupAssigned(TZSETextureAssignedValue Group) const { return FAssignedValues.Contains(Group); }
  // Marks the group assigned; true when the value must be stored (it differs or was inherited).
  bool AssignGroup(TZSETextureAssignedValue Group, bool Same);
  void ChooseImage();
  bool GetDestroying() const { return FDestroying; }

  TZSETextureAssignedValues FAssignedValues;
  TZSETextureAssignedValues FSupportedValues;
  TZCLSkinImageColorationMode FColorMode = cmTint;
  Integer FCoverFrameIndex = -1;
  Integer FHitTestMaskFrameIndex = -1;
  TZCLSkinImageHitTestMode FHitTestMode = ihtmOpaque;
  Integer FMaskFrameIndex = -1;
  TZSETextureMaskMode FMaskMode = tmmApplyToAll;
  TZCLResourceColor* FColorResource = nullptr;
  bool FDestroying = false;
};

// Skin fonts in the skin XML: after the font itself, "ColorAlpha" and the shadow attributes
// ("ShadowColor", "ShadowColorAlpha", "ShadowBlur", "ShadowSize", "ShadowDirection").
class TZSEFontSchemaAdapter : public TZSESchemaResourceFontAdapter {
  ZCL_CLASS(TZSEFontSchemaAdapter, TZSESchemaResourceFontAdapter)
 public:
  static TClass AdaptedClass() { return TZSEFont::StaticClass(); }
  static void Load(Self Class, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema);
};

// Skin textures in the skin XML: after the texture itself, one attribute pair per assigned group
// ("CoverFrame"; "MaskFrame", "MaskMode"; "HitTestMask", "HitTestMode"; "ColorMode" with
// "ColorID" or "Color").
class TZSETextureSchemaAdapter : public TZSESchemaResourceTextureAdapter {
  ZCL_CLASS(TZSETextureSchemaAdapter, TZSESchemaResourceTextureAdapter)
 public:
  static TClass AdaptedClass() { return TZSETexture::StaticClass(); }
  static void Load(Self Class, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema);
  static void Save(Self Class, TObject* Object, TZCLXMLNode* Node, TZSESchema* Schema, const String& Path);
};

// A colour resource of ResourceClass whose default is DefaultColor (controls' colour slots).
TZCLResourceColor* CreateColorResource(TClass ResourceClass, TObject* Owner, TAlphaColor DefaultColor);
// One shared font assigned from Source (and given Color); callers must not keep it.
TZCLFont* GetTempFont(TZSEFont* Source);
TZCLFont* GetTempFont(TZSEFont* Source, TAlphaColor Color);
// The extent of Text in Font, plus the shadow margins of Sides (1 left, 2 top, 4 right, 8 bottom).
TSize MeasureText(TZSEFont* Font, const String& Text, Byte Sides = 15);

// Unit hooks: register and unregister the two resource classes.
void ZSEResourcesInitialize();
void ZSEResourcesFinalize();
