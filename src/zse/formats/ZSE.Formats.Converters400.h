#pragma once
// The converter steps from 3.50 to 4.50: 3.50 to 3.51 (the context menu texture cut into three
// images, playlist header and layout textures), 3.51 to 4.00 (controls renamed and restructured,
// playlist resources regrouped, the music-library window added) and 4.00 to 4.50 (the lyrics
// window, scroll-bar and spectrum rules, tray and menu images).

#include "zse/formats/ZSE.Formats.Converters.h"

class TZCLSkinImage;

class TZSESkinConverter400 : public TZSESkinConverter450 {
  ZCL_CLASS(TZSESkinConverter400, TZSESkinConverter450)
 public:
  using TZSESkinConverter450::TZSESkinConverter450;
  // Appends a link and moves it before the existing ones.
  static TZCLXMLNode* InsertLink(TZCLXMLNode* Bindings, const String& Source, const String& SourcePin,
                                 const String& TargetPin);

 protected:
  // The image a property names (kind 1, else kind 5); the caller owns it.
  TZCLSkinImage* LoadImage(const String& Name);
  void SaveImage(const String& Name, TZCLSkinImage* Image);
};

class TZSESkinConverter350to351 : public TZSESkinConverter400 {
  ZCL_CLASS(TZSESkinConverter350to351, TZSESkinConverter400)
 public:
  using TZSESkinConverter400::TZSESkinConverter400;
  static TZSESkinVersion GetSourceVersion() { return 350; }
  static TZSESkinVersion GetTargetVersion() { return 351; }
  void ConvertMenu(TZCLXMLNode* Menu) override;
  void ConvertObject(TZCLXMLNode* Object) override;
  void ConvertLayoutItemProperty(TZCLXMLNode* Item, TZCLXMLNode* Property) override;
};

class TZSESkinConverter351to400 : public TZSESkinConverter400 {
  ZCL_CLASS(TZSESkinConverter351to400, TZSESkinConverter400)
 public:
  explicit TZSESkinConverter351to400(TZSESkin* ASkin);
  static TZSESkinVersion GetSourceVersion() { return 351; }
  static TZSESkinVersion GetTargetVersion() { return 400; }
  void ConvertBinding(TZCLXMLNode* Link) override;
  void ConvertObject(TZCLXMLNode* Object) override;
  void ConvertProperty(TZCLXMLNode* Object, TZCLXMLNode* Property) override;
  void ConvertLayoutItemProperty(TZCLXMLNode* Item, TZCLXMLNode* Property) override;
  void ConvertSchema() override;

 private:
  void CoverFrame(TZCLXMLNode* Object);
  void PlaylistResources(TZCLXMLNode* Resources);
  void CoverArtDisplay(TZCLXMLNode* Object);
  void SpectrumDisplay(TZCLXMLNode* Object);
};

class TZSESkinConverter400To450 : public TZSESkinConverter400 {
  ZCL_CLASS(TZSESkinConverter400To450, TZSESkinConverter400)
 public:
  explicit TZSESkinConverter400To450(TZSESkin* ASkin);
  static TZSESkinVersion GetSourceVersion() { return 400; }
  static TZSESkinVersion GetTargetVersion() { return 450; }
  void Convert() override;
  void ConvertForm(TZCLXMLNode* Form) override;
  void ConvertObject(TZCLXMLNode* Object) override;
  void ConvertSchema() override;

 private:
  bool FHasLinkedObjects = false;
};

// Unit hooks: the steps join the registry.
void FormatConverters400Initialize();
