#pragma once
// The converter of INI-era skins (3.05 and, through its descendants, every older version) into
// a 3.50 skin: a skin document "Schema" with the forms, the menu and the hint, and one layout
// document per form whose containers hold the converted skin controls.

#include <cstdint>
#include <vector>

#include "rtl/RTL.Geometry.h"
#include "zcl/base/ZCL.FileFormats.XML.h"
#include "zse/engine/ZSE.Skins.h"

class TZCLIniFile;
class TZCLSkinImage;

// What a legacy object becomes: the control class (without prefix), the object that drives it,
// its pins and its context menu. Empty when nothing is known about the object.
struct TZSEControlInfo {
  String ClassName;
  String Source;
  String SourcePin;
  String TargetPin;
  String PopupMenu;
};

// Sums and differences of values from an old INI, kept within 32 bits rather than wrapping.
inline Integer LegacySaturate(Int64 Value) {
  return Value < INT32_MIN ? INT32_MIN : Value > INT32_MAX ? INT32_MAX : Integer(Value);
}

// The XML of the loose layout files of old skins: several top-level elements are accepted.
class TZSELegacyXML : public TZCLXMLDocument {
  ZCL_CLASS(TZSELegacyXML, TZCLXMLDocument)
 public:
  TZSELegacyXML() { SetAllowMultipleRoots(true); }
};

// 3.05 skins to 3.50.
class TZSESkinFormatZCS3v2Converter : public TZSESkinConverter {
  ZCL_CLASS(TZSESkinFormatZCS3v2Converter, TZSESkinConverter)
 public:
  explicit TZSESkinFormatZCS3v2Converter(TZSESkin* ASkin);
  ~TZSESkinFormatZCS3v2Converter() override;

  // Rewrites the skin's files in place; a failure leaves no "Schema".
  void Convert() override;
  static TZSESkinVersion GetSourceVersion() { return 305; }
  static TZSESkinVersion GetTargetVersion() { return 350; }

  // The legacy control table and its look-up through "Clones" and "CustomObjects".
  bool FindControlInfo(const String& Name, TZSEControlInfo& Info);
  bool AdjustControlInfo(const String& Name, TZSEControlInfo& Info);
  // Letters, digits and "_" only; a text that cannot be made one becomes a fresh identifier.
  static String MakeIdent(const String& Text);

  // The old INI, alive during Convert.
  TZCLIniFile* GetIni() const { return FIni; }

 protected:
  // The version's own repairs, run before the common conversion.
  virtual void Prepare();
  virtual void ConvertControl(TZCLXMLNode* Controls, const String& Name);
  // Every object of that parent, in "ZOrder".
  virtual void ConvertControls(TZCLXMLNode* Controls, const String& Parent);
  virtual void ConvertForms();
  virtual void ConvertHint(TZCLXMLNode* Hint);
  virtual void ConvertMenu(TZCLXMLNode* Menu);

  bool IsAllInOneMode();
  bool CopyIniValue(TZCLXMLNode* Node, const String& Section, const String& Name, const String& Key);
  bool CopyIniValue(TZCLXMLNode* Node, const String& Section, const String& Name) {
    return CopyIniValue(Node, Section, Name, Name);
  }
  void CopyIniAlignment(TZCLXMLNode* Node, const String& Section, const String& Name, const String& Key,
                        Integer Default);
  void CopyTexture(TZCLXMLNode* Node, const String& Name, const String& NewName, const String& OldName);
  TSize GetImageFrameSize(const String& Name);
  void AddLink(TZCLXMLNode* Node, const String& Source, const String& SourcePin, const String& TargetPin,
               const String& Expression = String());
  void AddPlaceInfo(TZCLXMLNode* Node, const String& Name);
  void EnsureRatingImage(const String& Name);
  // The XML file of that name read (code page 1251 unless it says otherwise) and removed; null
  // when missing. The caller owns the result.
  TZCLXMLDocument* TakeLayoutFile(const String& Name);

  TZCLIniFile* FIni = nullptr;
  TZCLXMLDocument* FDocument = nullptr;

 private:
  void ConvertLayouts();
  void ConvertLayout(const String& OldName, const String& FormName);
  void ConvertLayoutItem(TZCLXMLNode* Old, TZCLXMLNode* Item);
  void WrapItems(TZCLXMLNode* Root, bool Tray);
  void BuildPlaylistSite(TZCLXMLNode* Item);
  void BuildPlaylistResources(TZCLXMLNode* Properties);
  void BuildPlaylistTabs(TZCLXMLNode* Old, TZCLXMLNode* Item);
  void AddClassProperties(TZCLXMLNode* Properties, const String& Name, const TZSEControlInfo& Info);
  bool FindControlInfo(const String& Name, TZSEControlInfo& Info, Integer Depth);
  TRect EqualizerMargins(Integer& Placement);

  // The keys of "Parents" not converted yet; built on first use.
  std::vector<String>* FParentKeys = nullptr;
};

// 3.04 skins: bitmaps become skin images after the 3.05 step.
class TZSESkinFormatZCS3v1Converter : public TZSESkinFormatZCS3v2Converter {
  ZCL_CLASS(TZSESkinFormatZCS3v1Converter, TZSESkinFormatZCS3v2Converter)
 public:
  using TZSESkinFormatZCS3v2Converter::TZSESkinFormatZCS3v2Converter;
  static TZSESkinVersion GetSourceVersion() { return 304; }

  // False, leaving the image as it was, when there is no such bitmap file.
  bool LoadSkinImageFromIni(TZCLSkinImage* Image, const String& Name, Integer DefaultFrameCount);
  Integer DefaultFrameCount(const String& Name);

 protected:
  void Prepare() override;
  virtual void ConvertBitmaps();

 private:
  bool LoadBitmapImage(TZCLSkinImage* Image, const String& FileName, const String& Section, Integer DefaultFrameCount);
};

// The converters, in their registration order.
void LegacyConverterInitialize();
