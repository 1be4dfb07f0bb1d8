#pragma once
// The version converters from 3.50 on: a framework that walks a skin's schema document, its
// form layouts and its scripts and lets each step rewrite what changed between two engine
// versions, and the last step, 4.50 to 5.00. The default content that steps insert comes from
// program resources of type "ZCSP" (a zlib stream of named, typed files).

#include <functional>
#include <map>
#include <set>

#include "zse/engine/ZSE.Skins.h"

class TZCLXMLDocument;
class TZCLXMLNode;
class TZSESkinManifest;
class TzsXMLItem;

// ASCII case-insensitive ordering of names.
struct TZSENameLess {
  bool operator()(const String& A, const String& B) const;
};

class TZSESkinConverter450 : public TZSESkinConverter {
  ZCL_CLASS(TZSESkinConverter450, TZSESkinConverter)
 public:
  using TClassProc = std::function<void(TZCLXMLNode* Object)>;
  explicit TZSESkinConverter450(TZSESkin* ASkin);
  ~TZSESkinConverter450() override;

  // Loads "Schema", converts the scripts, walks the schema and stores it back.
  void Convert() override;

  virtual void ConvertBinding(TZCLXMLNode* Link) {}
  virtual void ConvertMenu(TZCLXMLNode* Menu) {}
  // The class procedure, then each property, then each child object.
  virtual void ConvertObject(TZCLXMLNode* Object);
  // "Bindings": each link; any other: each child property.
  virtual void ConvertProperty(TZCLXMLNode* Object, TZCLXMLNode* Property);
  // The form as an object, then its layout document.
  virtual void ConvertForm(TZCLXMLNode* Form);
  virtual void ConvertLayoutItem(TZCLXMLNode* Item);
  virtual void ConvertLayoutItemProperties(TZCLXMLNode* Item, TZCLXMLNode* Properties);
  virtual void ConvertLayoutItemProperty(TZCLXMLNode* Item, TZCLXMLNode* Property);
  virtual void ConvertLocalizations(TZCLXMLNode* Localizations) {}
  virtual void ConvertManifest(TZSESkinManifest* Manifest) {}
  virtual void ConvertProvider(TZCLXMLNode* Provider);
  virtual void ConvertProviderProperty(TZCLXMLNode* Property);
  virtual void ConvertProviders(TZCLXMLNode* Providers);
  virtual void ConvertResource(TZCLXMLNode* Node);
  virtual void ConvertResourceProperty(TZCLXMLNode* Node);
  virtual void ConvertResources(TZCLXMLNode* Resources);
  virtual void ConvertSchema();
  // Children first; a "string" item's text through ConvertScriptText. True when anything changed.
  virtual bool ConvertScriptItem(TzsXMLItem* Item);
  virtual bool ConvertScriptText(String& Text) { return false; }

  // The smallest key n from 1 free in the section "SkinCustoms" of every named language file
  // (kind 6; created when missing) gets Texts[i] in file i; returns n. One key serves all files.
  Integer AddSkinCustom(const std::vector<String>& LanguageFiles, const std::vector<String>& Texts);
  Integer AddSkinCustom(const String& LanguageFile, const String& Text) {
    return AddSkinCustom(std::vector<String>{LanguageFile}, std::vector<String>{Text});
  }
  // Adds (or replaces) every file of the "ZCSP" resource of that name.
  void AddResourcePackage(const String& ResourceName);
  // Reads a default content package (after inflating) into the file set.
  static void ReadResourcePackage(TStream* Stream, TZSESkinFiles* Files);
  // The property's value as a colour with alpha 255, as unsigned decimal.
  static void ToAlpha(TZCLXMLNode* Property);
  void RegisterClassProc(const String& ClassName, const TClassProc& Proc) { FClassProcs[ClassName] = Proc; }

  TZCLXMLDocument* GetSchema() const { return FSchema; }
  const std::set<String, TZSENameLess>& GetScriptLiterals() const { return FScriptLiterals; }

 protected:
  TZCLXMLDocument* FSchema = nullptr;
  std::set<String, TZSENameLess> FScriptLiterals;

 private:
  void ConvertScripts();
  std::map<String, TClassProc, TZSENameLess> FClassProcs;
};

class TZSESkinConverter450to500 : public TZSESkinConverter450 {
  ZCL_CLASS(TZSESkinConverter450to500, TZSESkinConverter450)
 public:
  explicit TZSESkinConverter450to500(TZSESkin* ASkin);
  static TZSESkinVersion GetSourceVersion() { return 450; }
  static TZSESkinVersion GetTargetVersion() { return 500; }

  void Convert() override;
  void ConvertBinding(TZCLXMLNode* Link) override;
  void ConvertMenu(TZCLXMLNode* Menu) override;
  void ConvertProperty(TZCLXMLNode* Object, TZCLXMLNode* Property) override;
  void ConvertResourceProperty(TZCLXMLNode* Node) override;
  void ConvertLayoutItemProperties(TZCLXMLNode* Item, TZCLXMLNode* Properties) override;
  void ConvertLayoutItemProperty(TZCLXMLNode* Item, TZCLXMLNode* Property) override;
  void ConvertLocalizations(TZCLXMLNode* Localizations) override;
  void ConvertManifest(TZSESkinManifest* Manifest) override;
  void ConvertSchema() override;
  bool ConvertScriptText(String& Text) override;

  // A slider is a seek bar when a compiled script names it or its bindings read the player.
  bool IsSeekBar(TZCLXMLNode* Object) const;

 private:
  void ConvertOrientation(TZCLXMLNode* Object, const String& NewClass, bool Horizontal);
};

// Node helpers of the converters.
// The node's "properties" child (created when asked).
TZCLXMLNode* ConverterProperties(TZCLXMLNode* Object, bool MayCreate);
// The property of that name in the object's "properties", or null.
TZCLXMLNode* ConverterFindProperty(TZCLXMLNode* Object, StringView Name);
// The "Shadow" rule: "Color" becomes an alpha colour; "ColorAlpha" gives its alpha and goes.
void ConverterShadowColor(TZCLXMLNode* Shadow);

// Unit hooks: the converters join the registry.
void FormatConvertersInitialize();
