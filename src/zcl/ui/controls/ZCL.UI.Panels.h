#pragma once
// Small controls of dialogs and option pages: the image box (a picture whose kind is picked by
// class name), the bevel, the category (a container under a gradient header with its caption),
// the panel (a plain container with handle and paint events) and the progress bar (a fraction
// of a range, or a chunk running across the bar while waiting).

#include "zcl/graphics/ZCL.Graphics.Render.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/ZCL.UI.Resources.Texture.h"

class TCustomImageList;
class TChangeLink;
class TZCLImageBox;

// ---- image box --------------------------------------------------------------------------------

// What an image box shows; its changes make the box re-fit and repaint.
class TZCLImagePicture : public TZCLLockablePersistent {
  ZCL_CLASS(TZCLImagePicture, TZCLLockablePersistent)
 public:
  using TCreateSignature = void(TZCLImageBox* AOwner);
  explicit TZCLImagePicture(TZCLImageBox* AOwner) : FOwner(AOwner) {}
  TPersistent* GetOwner() const override;
  TZCLImageBox* GetImageBox() const { return FOwner; }

  virtual void Notification(TComponent*, TOperation) {}
  virtual void SetTargetDPI(Integer) {}
  virtual void Draw(TCanvas* Canvas, const TRect& R, bool Enabled) = 0;
  virtual String GetDescription() const = 0;
  virtual bool IsEmpty() const = 0;
  virtual TSize GetSize() const = 0;

 protected:
  void DoChanged(TZCLPersistentChanges Changes) override;

 private:
  TZCLImageBox* FOwner;
};

using TZCLImagePictureClass = const TClassRecord*;

class TZCLImagePictureGlyph : public TZCLImagePicture, public IZCLResourceChangeListener {
  ZCL_CLASS(TZCLImagePictureGlyph, TZCLImagePicture)
  RTL_INTERFACES(TZCLImagePicture, IZCLResourceChangeListener)
 public:
  explicit TZCLImagePictureGlyph(TZCLImageBox* AOwner);
  ~TZCLImagePictureGlyph() override;
  static void DeclareProperties(TClassDeclaration<TZCLImagePictureGlyph>& D);
  TZCLGlyph* GetGlyph() const { return FGlyph; }
  void SetGlyph(TZCLGlyph* Value) { FGlyph->Assign(Value); }

  void SetTargetDPI(Integer Value) override;
  void Draw(TCanvas* Canvas, const TRect& R, bool Enabled) override;
  String GetDescription() const override { return u"Glyph"; }
  bool IsEmpty() const override;
  TSize GetSize() const override;
  // The glyph changed.
  void ResourceChanged(TObject* Sender, TZCLResource* Resource) override;

 protected:
  void DoAssign(TPersistent* Source) override;

 private:
  TZCLGlyph* FGlyph;
};

class TZCLImagePictureImageList : public TZCLImagePicture {
  ZCL_CLASS(TZCLImagePictureImageList, TZCLImagePicture)
 public:
  explicit TZCLImagePictureImageList(TZCLImageBox* AOwner);
  ~TZCLImagePictureImageList() override;
  static void DeclareProperties(TClassDeclaration<TZCLImagePictureImageList>& D);
  Integer GetImageIndex() const { return FImageIndex; }
  void SetImageIndex(Integer Value);
  TCustomImageList* GetImages() const { return FImages; }
  void SetImages(TCustomImageList* Value);

  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Draw(TCanvas* Canvas, const TRect& R, bool Enabled) override;
  String GetDescription() const override { return u"ImageList"; }
  bool IsEmpty() const override { return !FImages || FImageIndex < 0; }
  TSize GetSize() const override;

 protected:
  void DoAssign(TPersistent* Source) override;

 private:
  void ImagesChanged(TObject* Sender);
  Integer FImageIndex = -1;
  TCustomImageList* FImages = nullptr;
  TChangeLink* FLink;
};

// The picture classes an image box may switch to (each also known to the streaming registry).
void RegisterImagePictureClass(TZCLImagePictureClass Class);
const std::vector<TZCLImagePictureClass>& ImagePictureClasses();

class TZCLImageBox : public TZCLGraphicControl {
  ZCL_CLASS(TZCLImageBox, TZCLGraphicControl)
 public:
  explicit TZCLImageBox(TComponent* AOwner);
  ~TZCLImageBox() override;
  static void DeclareProperties(TClassDeclaration<TZCLImageBox>& D);

  TZCLFitMode GetFitMode() const { return FFitMode; }
  void SetFitMode(TZCLFitMode Value);
  TZCLImagePicture* GetPicture() const { return FPicture; }
  // Switches to the given picture's class and copies it; null leaves no picture.
  void SetPicture(TZCLImagePicture* Value);
  TZCLImagePictureClass GetPictureClass() const { return FPicture ? FPicture->ClassType() : nullptr; }
  void SetPictureClass(TZCLImagePictureClass Value);
  String GetPictureClassName() const { return FPicture ? FPicture->ClassName() : String(); }
  // Raises EClassNotFound for a name the streaming registry does not know.
  void SetPictureClassName(const String& Value);
  // The picture fitted into the client area and centred; empty without a picture.
  TRect GetImageRect() const;
  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override;
  void PictureChanged();

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void SetTargetDPI(Integer Value) override;

 private:
  TZCLFitMode FFitMode = afmProportionalStretch;
  TZCLImagePicture* FPicture = nullptr;
};

// ---- bevel ------------------------------------------------------------------------------------

enum TZCLBevelBorderStyle : Byte { bbsNone, bbsSimple, bbs3D, bbsRounded };
ZCL_ENUM(TZCLBevelBorderStyle, bbsNone, bbsSimple, bbs3D, bbsRounded);

class TZCLStyleBevel : public TZCLStyle {
  ZCL_CLASS(TZCLStyleBevel, TZCLStyle)
 public:
  using TZCLStyle::TZCLStyle;
  static void DeclareProperties(TClassDeclaration<TZCLStyleBevel>& D);
  TZCLResourceColor* GetColorBorder1() { return GetColor(0); }
  TZCLResourceColor* GetColorBorder2() { return GetColor(1); }
  TZCLBorders GetBorders() const { return FBorders; }
  void SetBorders(TZCLBorders Value);
  TZCLBevelBorderStyle GetBorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TZCLBevelBorderStyle Value);
  void Draw(TCanvas* Canvas, const TRect& R);

 protected:
  void InitializeResources() override;
  void DoAssign(TPersistent* Source) override;

 private:
  TZCLBorders FBorders{mLeft, mTop, mRight, mBottom};
  TZCLBevelBorderStyle FBorderStyle = bbs3D;
};

class TZCLBevel : public TZCLGraphicControl {
  ZCL_CLASS(TZCLBevel, TZCLGraphicControl)
 public:
  explicit TZCLBevel(TComponent* AOwner);
  ~TZCLBevel() override;
  void AfterConstruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLBevel>& D);
  TZCLStyleBevel* GetStyle() const { return FStyle; }
  void SetStyle(TZCLStyleBevel* Value) { FStyle->Assign(Value); }

 protected:
  virtual TZCLStyleBevel* CreateStyle();
  void Paint() override;
  void SetTargetDPI(Integer Value) override;

 private:
  TZCLStyleBevel* FStyle = nullptr;
};

// ---- category ---------------------------------------------------------------------------------

class TZCLStyleCategory : public TZCLStyleBackground {
  ZCL_CLASS(TZCLStyleCategory, TZCLStyleBackground)
 public:
  using TZCLStyleBackground::TZCLStyleBackground;
  static void DeclareProperties(TClassDeclaration<TZCLStyleCategory>& D);
  TZCLResourceColor* GetHeaderColorContent1() { return GetColor(4); }
  TZCLResourceColor* GetHeaderColorContent2() { return GetColor(5); }
  TZCLResourceFont* GetHeaderTextFont() { return GetFont(0); }
  TAlignment GetHeaderTextAlignment() const { return FHeaderTextAlignment; }
  void SetHeaderTextAlignment(TAlignment Value);

  // The header font's line height + 8, at least 22 (neither scaled).
  Integer GetHeaderHeight();
  void DrawHeader(TCanvas* Canvas, const TRect& R);
  void DrawHeaderText(TCanvas* Canvas, const TRect& R, const String& Text);

 protected:
  void InitializeResources() override;
  void DoAssign(TPersistent* Source) override;

 private:
  TAlignment FHeaderTextAlignment = taCenter;
};

class TZCLCategory : public TZCLContainer {
  ZCL_CLASS(TZCLCategory, TZCLContainer)
  VCL_MESSAGES()
 public:
  explicit TZCLCategory(TComponent* AOwner);
  static void DeclareProperties(TClassDeclaration<TZCLCategory>& D);
  TZCLStyleCategory* GetStyle() const { return static_cast<TZCLStyleCategory*>(TZCLContainer::GetStyle()); }
  void SetStyle(TZCLStyleCategory* Value) { TZCLContainer::SetStyle(Value); }
  const TRect& GetHeaderRect() const { return FHeaderRect; }

 protected:
  TZCLStyleBackground* CreateStyle() override;
  TZCLPadding* CreatePadding() override { return new TZCLPadding(5); }
  TRect GetContentOffset() override;
  void BoundsChanged() override;
  void Paint() override;
  void CMTextChanged(TMessage& Message);

 private:
  void UpdateHeaderRect();
  TRect FHeaderRect;
};

// ---- panel ------------------------------------------------------------------------------------

class TZCLPanel : public TZCLContainer {
  ZCL_CLASS(TZCLPanel, TZCLContainer)
 public:
  explicit TZCLPanel(TComponent* AOwner);
  static void DeclareProperties(TClassDeclaration<TZCLPanel>& D);

  TNotifyEvent OnHandleCreate;
  TNotifyEvent OnHandleDestroy;
  TNotifyEvent OnPaint;

 protected:
  void CreateWnd() override;
  void DestroyWnd() override;
  void Paint() override;
};

// ---- progress bar -----------------------------------------------------------------------------

class TZCLStyleProgress : public TZCLStyle {
  ZCL_CLASS(TZCLStyleProgress, TZCLStyle)
 public:
  using TZCLStyle::TZCLStyle;
  static void DeclareProperties(TClassDeclaration<TZCLStyleProgress>& D);
  // Frames: 0 background, 1 bar, 2 disabled background.
  TZCLResourceTexture* GetTexture() { return TZCLStyle::GetTexture(0); }

 protected:
  void InitializeResources() override;
};

class TZCLProgressBar : public TZCLGraphicControl {
  ZCL_CLASS(TZCLProgressBar, TZCLGraphicControl)
 public:
  explicit TZCLProgressBar(TComponent* AOwner);
  ~TZCLProgressBar() override;
  void AfterConstruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLProgressBar>& D);

  // Values are taken only while the control is enabled.
  Single GetMax() const { return FMax; }
  void SetMax(Single Value);
  Single GetMin() const { return FMin; }
  void SetMin(Single Value);
  Single GetProgress() const { return FProgress; }
  // Not clamped; a positive value ends waiting mode.
  void SetProgress(Single Value);
  bool GetWaitingMode() const { return FWaitingMode; }
  void SetWaitingMode(bool Value);
  Integer GetWaitingPos() const { return FWaitingPos; }
  TZCLStyleProgress* GetStyle() const { return FStyle; }
  void SetStyle(TZCLStyleProgress* Value) { FStyle->Assign(Value); }
  TZCLTimer* GetTimer() const { return FTimer; }
  // 100 when Min and Max are both 0, else Max - Min.
  Single GetRange() const;
  // The bar rectangles of the current state (client coordinates); Wrap is empty unless the
  // waiting chunk re-enters at the other side.
  void GetBarRects(TRect& Main, TRect& Wrap) const;

  // Every height becomes 18 at 96 DPI.
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;

 protected:
  void Paint() override;
  void SetTargetDPI(Integer Value) override;
  void UpdateTransparency();

 private:
  void TimerTick(TObject* Sender);
  bool IsMaxStored() const { return FMax != 0; }
  bool IsMinStored() const { return FMin != 0; }
  bool IsProgressStored() const { return FProgress != 0; }
  Single FMax = 0;
  Single FMin = 0;
  Single FProgress = 0;
  TZCLStyleProgress* FStyle = nullptr;
  TZCLTimer* FTimer = nullptr;
  bool FWaitingMode = false;
  Integer FWaitingPos = 0;
};

void RegisterPanelClasses();
