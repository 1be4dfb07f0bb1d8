#pragma once
// The texture resource: a skin image set (one image per DPI) of its own, or a reference to
// another texture; it picks the image for the target DPI and colouring and reports its metrics
// at the target DPI. A glyph is a texture with a frame index.

#include "zcl/ui/ZCL.UI.Resources.h"
#include "zcl/ui/ZCL.UI.SkinImageSet.h"

class TCanvas;

class TZCLResourceTexture : public TZCLResource, public IZCLResourceProvider, public IZCLColorSchema {
  ZCL_CLASS(TZCLResourceTexture, TZCLResource)
  RTL_INTERFACES(TZCLResource, IZCLResourceProvider, IZCLColorSchema)
 public:
  using TZCLResource::TZCLResource;
  ~TZCLResourceTexture() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLResourceTexture>& D);

  // Glyphs and textures are one kind of resource.
  TZCLResourceClass GetResourceClass() const override { return TZCLResourceTexture::StaticClass(); }
  String GetValueText() const override;
  bool IsValueStored() const override;
  void ApplyColorSchema(const TZCLColorSchema& Schema) override;
  TZCLResource* GetResource(const String& ID, TZCLResourceClass ResourceClass, TObject* Sender) override;

  // The image for a DPI; Default colouring follows the texture's own choice, then its set's.
  virtual TZCLSkinImage* GetImage(Integer ATargetDPI, TZCLBoolean AAllowColoration);
  TZCLSkinImage* GetCurrentImage() const { return FCurrentImage; }
  TZCLSkinImageSet* GetImageSet() const;
  void Draw(TCanvas* Canvas, const TRect& R, Integer FrameIndex, bool Enabled = true, Byte Alpha = 255);
  // Borders: the sides whose border part is shown (1 left, 2 top, 4 right, 8 bottom).
  void DrawClipped(TCanvas* Canvas, const TRect& R, Integer FrameIndex, Byte Borders);

  Integer GetFrameWidth() const;
  Integer GetFrameHeight() const;
  TSize GetFrameSize() const { return TSize(GetFrameWidth(), GetFrameHeight()); }
  TRect GetContentOffsets() const;
  TRect GetMargins() const;
  Integer GetFrameCount() const;
  bool IsEmpty() const;

  bool GetOverriden() const { return FReference == nullptr; }
  void SetOverriden(bool Value);
  // Holds a private copy of the images it showed.
  void MakeUnique();
  TZCLBoolean GetAllowColoration() const { return FAllowColoration; }
  void SetAllowColoration(TZCLBoolean Value);
  TZCLBoolean GetScalable() const { return FScalable; }
  void SetScalable(TZCLBoolean Value);
  bool IsColorationAllowed() const;
  bool IsImageColorationAllowed() const;
  bool IsScalable() const;
  TZCLColorSchema GetActualColorSchema() const;

 protected:
  void DoAssign(TPersistent* Source) override;
  void DoAssignValue(TZCLResource* Source, bool AssignValue) override;
  void Initialize() override;
  void ReferenceChanged() override;
  void DoResourceChanged(TObject* Sender, TZCLResource* Resource) override;
  void DoTargetDPIChanged() override;
  bool IsValueEqual(TZCLResource* Resource) override;
  void DefineProperties(TFiler* Filer) override;
  void UpdateImage();

 private:
  TZCLResourceTexture* RefTexture() const { return static_cast<TZCLResourceTexture*>(FReference); }
  void SetImage(TZCLSkinImage* Image);
  void UpdateScaleDPI();
  void ImageSetChanged(TObject* Sender, TZCLPersistentChanges Changes);

  TZCLBoolean FAllowColoration = TZCLBoolean::Default;
  TZCLColorSchema FColorSchema = TZCLColorSchema::Default();
  TZCLSkinImageSetItem* FCurrentImage = nullptr;
  Integer FScaleDPI = 96;
  TZCLSkinImageSet* FImageSet = nullptr;
  TZCLBoolean FScalable = TZCLBoolean::Default;
};

class TZCLGlyph : public TZCLResourceTexture {
  ZCL_CLASS(TZCLGlyph, TZCLResourceTexture)
 public:
  using TZCLResourceTexture::TZCLResourceTexture;
  static void DeclareProperties(TClassDeclaration<TZCLGlyph>& D);
  Integer GetFrameIndex() const { return FFrameIndex; }
  // Kept within the current image's frames.
  void SetFrameIndex(Integer Value);

 protected:
  void DoChanged(TZCLPersistentChanges Changes) override;

 private:
  Integer FFrameIndex = 0;
};

// A control that shows a glyph.
struct IZCLGlyph : virtual IInterface {
  RTL_INTERFACE(IZCLGlyph, IInterface, "{0D4B7A61-2E93-4C58-B1F7-6A2C9E3D5B15}")
  virtual TZCLGlyph* GetGlyph() = 0;
};
