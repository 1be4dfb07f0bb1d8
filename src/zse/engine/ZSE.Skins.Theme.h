#pragma once
// What a skin carries besides its windows: the manifest (identifier, colouring, supported scale
// factors and how other DPIs are served), the theme (the skin's own resource collection with the
// styles of its hints, popup menus and miscellaneous images), its language files, and the custom
// settings and providers kept in the skin's configuration.

#include <vector>

#include "rtl/RTL.Objects.h"
#include "rtl/RTL.Set.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zcl/ui/ZCL.UI.Resources.Collection.h"
#include "zcl/ui/ZCL.UI.Style.h"
#include "zcl/ui/controls/ZCL.UI.Menus.h"
#include "zse/engine/ZSE.Hints.h"
#include "zse/engine/ZSE.Types.h"

class TBitmap;
class TZCLImageList;
class TZCLIniFile;
class TZCLSkinImage;
class TZCLSkinImageSetItem;
class TZCLXMLNode;
class TZSESchema;

enum TZSEScalingFactor : Byte {
  sfAuto,
  sf100,
  sf125,
  sf150,
  sf175,
  sf200,
  sf225,
  sf250,
  sf300,
  sf350,
  sf400,
  sf450,
  sf500
};
ZCL_ENUM(TZSEScalingFactor, sfAuto, sf100, sf125, sf150, sf175, sf200, sf225, sf250, sf300, sf350, sf400, sf450, sf500);
// Sets hold sf100 .. sf500 only; stored in 16 bits, bit i for ordinal i.
using TZSEScaleFactor = TZSEScalingFactor;
using TZSEScaleFactors = TSet<TZSEScalingFactor>;

// 0 for sfAuto.
Integer ScaleFactorToPercent(TZSEScalingFactor Factor);
Integer ScaleFactorToDPI(TZSEScalingFactor Factor);
// "125% / 120 dpi".
String ScaleFactorToText(TZSEScalingFactor Factor);
// Ascending; sfAuto is never listed.
std::vector<TZSEScalingFactor> ScaleFactorsToList(TZSEScaleFactors Factors);

class TZSESkinManifest : public TPersistent {
  ZCL_CLASS(TZSESkinManifest, TPersistent)
 public:
  ~TZSESkinManifest() override;
  static void DeclareProperties(TClassDeclaration<TZSESkinManifest>& D);
  void Assign(TPersistent* Source) override;
  void Reset();
  // The manifest of the loaded skin (the skin manager's), or null.
  static TZSESkinManifest* GetCurrent() { return FCurrent; }
  static void SetCurrent(TZSESkinManifest* Value) { FCurrent = Value; }
  // From and to the attributes of the root element "skin".
  void LoadFromXML(TZCLXMLNode* Skin);
  void SaveToXML(TZCLXMLNode* Skin) const;
  // The DPI the skin's images are taken at for TargetDPI, and the ratio they are scaled by.
  void GetScaling(Integer TargetDPI, Integer& SkinDPI, Integer& Numerator, Integer& Denominator) const;

  bool GetAllowColoration() const { return FAllowColoration; }
  void SetAllowColoration(bool Value) { FAllowColoration = Value; }
  bool GetAutoAdjustForInBetweenScaleFactors() const { return FAutoAdjustForInBetweenScaleFactors; }
  void SetAutoAdjustForInBetweenScaleFactors(bool Value) { FAutoAdjustForInBetweenScaleFactors = Value; }
  bool GetAutoAdjustForUnsupportedScaleFactors() const { return FAutoAdjustForUnsupportedScaleFactors; }
  void SetAutoAdjustForUnsupportedScaleFactors(bool Value) { FAutoAdjustForUnsupportedScaleFactors = Value; }
  TZSECompatibilityMode GetCompatibilityMode() const { return FCompatibilityMode; }
  void SetCompatibilityMode(TZSECompatibilityMode Value) { FCompatibilityMode = Value; }
  const String& GetID() const { return FID; }
  void SetID(const String& Value) { FID = Value; }
  TZSEScaleFactors GetSupportedScaleFactors() const { return FSupportedScaleFactors; }
  void SetSupportedScaleFactors(TZSEScaleFactors Value);

 private:
  bool FAllowColoration = true;
  bool FAutoAdjustForInBetweenScaleFactors = true;
  bool FAutoAdjustForUnsupportedScaleFactors = true;
  TZSECompatibilityMode FCompatibilityMode = cmvUndefined;
  String FID;
  static inline TZSESkinManifest* FCurrent = nullptr;
  TZSEScaleFactors FSupportedScaleFactors;
};

class TZSESkinTheme;

// The collection a theme style mirrors its slots into: what it lacks it asks of the theme.
class TZSESkinThemeStyleCollection : public TZCLResourceCollection {
  ZCL_CLASS(TZSESkinThemeStyleCollection, TZCLResourceCollection)
 public:
  explicit TZSESkinThemeStyleCollection(TZSESkinTheme* ATheme);
  TZSESkinTheme* GetTheme() const { return FTheme; }

 protected:
  TZCLResource* DoGetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) override;

 private:
  TZSESkinTheme* FTheme;
};

// A theme style that mirrors its slots into a private collection whose master is the theme; the
// skin's windows use that collection, so identifiers resolve to the style's slots first.
class TZSESkinThemeStyleHint : public TZSEStyleHint {
  ZCL_CLASS(TZSESkinThemeStyleHint, TZSEStyleHint)
 public:
  explicit TZSESkinThemeStyleHint(TObject* AOwner);
  ~TZSESkinThemeStyleHint() override;
  TZSESkinThemeStyleCollection* GetPrivateCollection() const { return FPrivate; }

 protected:
  void DoChanged(TZCLPersistentChanges Changes) override;
  void DoReset() override;

 private:
  TZSESkinThemeStyleCollection* FPrivate;
};

// How menu glyphs are drawn.
class TZSEImageListDrawOptions : public TPersistent {
  ZCL_CLASS(TZSEImageListDrawOptions, TPersistent)
 public:
  static void DeclareProperties(TClassDeclaration<TZSEImageListDrawOptions>& D);
  void Assign(TPersistent* Source) override;
  void Reset() { FAutoColoration = false; }
  // Glyphs take the colour of the item text instead of their own.
  bool GetAutoColoration() const { return FAutoColoration; }
  void SetAutoColoration(bool Value) { FAutoColoration = Value; }

 private:
  bool FAutoColoration = false;
};

// The skin's popup-menu style: the program's popup-menu slots plus the menu glyphs.
class TZSESkinThemeStyleMenu : public TZCLStylePopupMenu {
  ZCL_CLASS(TZSESkinThemeStyleMenu, TZCLStylePopupMenu)
 public:
  explicit TZSESkinThemeStyleMenu(TObject* AOwner);
  ~TZSESkinThemeStyleMenu() override;
  static void DeclareProperties(TClassDeclaration<TZSESkinThemeStyleMenu>& D);
  TZSESkinThemeStyleCollection* GetPrivateCollection() const { return FPrivate; }
  // The menu glyph images (texture slot 10).
  TZCLResourceTexture* GetGlyphs() { return GetTexture(10); }
  TZSEImageListDrawOptions* GetGlyphsDrawOptions() const { return FGlyphsDrawOptions; }
  void SetGlyphsDrawOptions(TZSEImageListDrawOptions* Value) { FGlyphsDrawOptions->Assign(Value); }
  TZCLResource* GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) override;
  TNotifyEvent OnChange;

 protected:
  void DoChanged(TZCLPersistentChanges Changes) override;
  void DoReset() override;
  void InitializeResources() override;

 private:
  TZSESkinThemeStyleCollection* FPrivate;
  TZSEImageListDrawOptions* FGlyphsDrawOptions;
};

class TZSESkinThemeStyleMisc : public TZCLStyle {
  ZCL_CLASS(TZSESkinThemeStyleMisc, TZCLStyle)
 public:
  using TZCLStyle::TZCLStyle;
  static void DeclareProperties(TClassDeclaration<TZSESkinThemeStyleMisc>& D);
  TZCLResourceTexture* GetFloatArrow() { return GetTexture(0); }
  TZCLResourceTexture* GetFloatArrowVert() { return GetTexture(1); }
  TZCLResourceTexture* GetTrayIcons() { return GetTexture(2); }
};

// The skin's resource collection and its three styles.
class TZSESkinTheme : public TZCLResourceCollection {
  ZCL_CLASS(TZSESkinTheme, TZCLResourceCollection)
 public:
  explicit TZSESkinTheme(TComponent* AOwner);
  ~TZSESkinTheme() override;
  static void DeclareProperties(TClassDeclaration<TZSESkinTheme>& D);

  // The theme of the loaded skin (the skin manager's), or null.
  static TZSESkinTheme* GetCurrent() { return FCurrent; }
  static void SetCurrent(TZSESkinTheme* Value) { FCurrent = Value; }

  void BeginUpdate() override;
  void EndUpdate() override;
  void DoResourceChanged(TZCLResource* Resource) override;
  void ApplyColorSchema(const TZCLColorSchema& Schema) override;

  // Under the element "properties" of the root "skin".
  void LoadFromXML(TZSESchema* Schema, TZCLXMLNode* Document);
  void SaveToXML(TZSESchema* Schema, TZCLXMLNode* Document);
  // Base, else "Skin.<type>.New", followed by the first number that makes it unused.
  String GenerateResourceID(TZCLResourceClass ResourceClass, const String& Base = String());
  // The menu glyphs must be built again (the menu style changed).
  bool GetImageListsInvalid() const { return FImageListsInvalid; }

  // The float arrow for a side (0 left, 1 top... : 2 and 3 take the vertical arrow) at a DPI.
  TZCLSkinImage* GetFloatArrowImage(Integer Side, Integer DPI);
  // The larger of the horizontal arrow's width and the vertical arrow's height at a DPI.
  Integer GetFloatArrowSize(Integer DPI);
  // The menu glyphs as the image list whose source DPI is nearest to DPI (built again after a
  // change of the menu style); null when the glyphs have no images.
  TZCLImageList* GetMenuImages(Integer DPI);
  Integer GetMenuImageListCount() const { return static_cast<Integer>(FImageLists.size()); }
  // Image Index of the texture's images for the screen's DPI, as a 32-bit bitmap; false when
  // the texture has no pixels or no such image.
  static bool GetTrayIcon(TZCLResourceTexture* Texture, Integer Index, TBitmap* Icon);
  // One image per frame of the item, recoloured with the schema; owned by the caller.
  static TZCLImageList* CreateImageList(TZCLSkinImageSetItem* Item, const TZCLColorSchema& Schema);

  TZSESkinThemeStyleHint* GetStyleHint() const { return FStyleHint; }
  TZSESkinThemeStyleMenu* GetStyleMenu() const { return FStyleMenu; }
  TZSESkinThemeStyleMisc* GetStyleMisc() const { return FStyleMisc; }

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  void MenuChanged(TObject* Sender);
  void ClearImageLists();
  static TZSESkinTheme* FCurrent;
  std::vector<TZCLImageList*> FImageLists;
  Integer FUpdateCount = 0;
  bool FInChange = false;
  bool FImageListsInvalid = true;
  TZSESkinThemeStyleHint* FStyleHint;
  TZSESkinThemeStyleMenu* FStyleMenu;
  TZSESkinThemeStyleMisc* FStyleMisc;
};

// The skin's language files by language name (the file name without extension).
class TZSECustomLocalizations {
 public:
  TZSECustomLocalizations() = default;
  TZSECustomLocalizations(const TZSECustomLocalizations&) = delete;
  ~TZSECustomLocalizations() { Clear(); }
  TZCLIniFile* Add(const String& FileName);
  bool Find(const String& Name, TZCLIniFile*& File) const;
  bool FindDefault(TZCLIniFile*& File) const { return Find(FDefaultName, File); }
  // The program's language, else the default one.
  bool GetCurrent(TZCLIniFile*& File) const;
  void Clear();
  void Assign(const TZSECustomLocalizations& Source);
  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  const String& GetNames(Integer Index) const { return FItems[static_cast<size_t>(Index)].Name; }
  TZCLIniFile* GetFiles(Integer Index) const { return FItems[static_cast<size_t>(Index)].File; }
  const String& GetDefaultName() const { return FDefaultName; }
  void SetDefaultName(const String& Value) { FDefaultName = Value; }

 private:
  struct TItem {
    String Name;
    TZCLIniFile* File;
  };
  std::vector<TItem> FItems;  // sorted by name without case
  String FDefaultName = u"English";
};

// Name/value pairs the skin keeps in its configuration section "custom".
class TZSECustomSettings : public TZCLXMLAttributes {
  ZCL_CLASS(TZSECustomSettings, TZCLXMLAttributes)
 public:
  void ConfigLoad(TZCLIniFile* Ini);
  void ConfigSave(TZCLIniFile* Ini) const;
};

// The skin's custom providers (not owned); those that store settings do so with the skin's.
class TZSECustomProviders {
 public:
  void Add(TComponent* Provider) { FItems.push_back(Provider); }
  void Remove(TComponent* Provider);
  void Clear() { FItems.clear(); }
  Integer GetCount() const { return static_cast<Integer>(FItems.size()); }
  TComponent* GetItems(Integer Index) const { return FItems[static_cast<size_t>(Index)]; }
  void ConfigLoad(TZCLIniFile* Ini);
  void ConfigSave(TZCLIniFile* Ini);

 private:
  std::vector<TComponent*> FItems;
};

void RegisterSkinThemeClasses();
