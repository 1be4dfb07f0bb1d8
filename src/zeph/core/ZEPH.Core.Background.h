#pragma once
// The panel that branded dialogs lay their content on: a header with the brand image, a caption,
// a description and an optional search button above a thin accent line, an optional menu area
// on the left, the content, and a footer band that lines up the dialog's buttons. Colours, fonts
// and images come from built-in resources for the light and the dark appearance, shared by every
// panel and loaded while one exists.

#include "zcl/base/ZCL.Colors.h"
#include "zcl/ui/ZCL.UI.Application.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Insight.Button.h"

class TFont;
class TZCLSkinImage;
class TZCLSkinImageSet;
class TZEPHBackground;

// The sides a footer control can take.
using TLeftRight = TAlignment;

class TZEPHDialogResources : public TZCLUnknownObject, public IZCLApplicationListener {
  ZCL_CLASS(TZEPHDialogResources, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLApplicationListener)
 public:
  TZEPHDialogResources();
  ~TZEPHDialogResources() override;
  // The shared instance, made on first use.
  static TZEPHDialogResources* Instance();
  static void FreeInstance();

  // The data is loaded while the count is above 0.
  void AddRef();
  void Release();
  // A dark-mode or colour-schema change reloads loaded data.
  void Changed(Byte Changes) override;

  TColor Accent = TColor(0xC0C0C0);
  TColor Content = TColor(0xE3E3E3);
  TColor MenuArea = TColor(0xFFFFFF);
  TColor MenuAreaSeparator = TColor(0xC0C0C0);
  TFont* GetCaptionFont() const { return FCaptionFont; }
  TFont* GetDescriptionFont() const { return FDescriptionFont; }
  TZCLSkinImageSet* GetBrandImages() const { return FBrandImages; }
  TZCLSkinImageSet* GetSearchImages() const { return FSearchImages; }
  const TZCLColorSchema& GetColorSchema() const { return FColorSchema; }
  bool GetLoaded() const { return FLoaded; }
  // Counts the loads, so that holders of images see a reload.
  Integer GetGeneration() const { return FGeneration; }

 private:
  void Load();
  void Unload();
  TFont* FCaptionFont;                        // owned
  TFont* FDescriptionFont;                    // owned
  TZCLSkinImageSet* FBrandImages = nullptr;   // owned while loaded
  TZCLSkinImageSet* FSearchImages = nullptr;  // owned while loaded
  TZCLColorSchema FColorSchema;
  Integer FLoadCount = 0;
  bool FLoaded = false;
  bool FDark = false;  // the appearance loaded
  Integer FGeneration = 0;
};

// A footer control and the side it sits on.
class TZEPHBackgroundControl : public TCollectionItem {
  ZCL_CLASS(TZEPHBackgroundControl, TCollectionItem)
 public:
  using TCreateSignature = void(TCollection*);
  explicit TZEPHBackgroundControl(TCollection* ACollection) : TCollectionItem(ACollection) {}
  ~TZEPHBackgroundControl() override;
  static void DeclareProperties(TClassDeclaration<TZEPHBackgroundControl>& D);
  void Assign(TPersistent* Source) override;

  TLeftRight GetAlignment() const { return FAlignment; }
  void SetAlignment(TLeftRight Value);
  TControl* GetControl() const { return FControl; }
  // Raises "The %s must be placed on %s" for a control of another parent and "The %s is already
  // linked to the %s" for a control another item holds; null frees the item.
  void SetControl(TControl* Value);

 private:
  friend class TZEPHBackground;
  TZEPHBackground* Panel() const;
  TLeftRight FAlignment = taRightJustify;
  TControl* FControl = nullptr;
  bool FDestroying = false;
};

class TZEPHBackgroundControls : public TCollection {
  ZCL_CLASS(TZEPHBackgroundControls, TCollection)
 public:
  explicit TZEPHBackgroundControls(TZEPHBackground* APanel);
  TPersistent* GetOwner() const override;
  TZEPHBackgroundControl* GetItem(Integer Index) const { return TCollection::GetItem<TZEPHBackgroundControl>(Index); }
  // The item of Control, else a new one.
  TZEPHBackgroundControl* Add(TControl* Control);
  TZEPHBackgroundControl* FindByControl(TControl* Control) const;

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TZEPHBackground* FPanel;
};

// The search button's painter: the panel's search image, one frame per state, in place of the
// button face; no caption, no focus frame, and the header shows through around the image.
class TZEPHBackgroundSearchButtonViewInfo : public TZCLCustomDropDownEditButtonSubClass {
  ZCL_CLASS(TZEPHBackgroundSearchButtonViewInfo, TZCLCustomDropDownEditButtonSubClass)
 public:
  TZEPHBackgroundSearchButtonViewInfo(IZCLButtonOwner* AOwner, TZEPHBackground* APanel);
  bool IsTransparent() override { return true; }

 protected:
  void DrawBackground(TCanvas* Canvas, const TRect& R) override;
  void DrawContent(TCanvas* Canvas) override {}
  void DrawFocusRect(TCanvas* Canvas) override {}

 private:
  TZEPHBackground* FPanel;
};

// The header's search button: opens the search over the form's controls.
class TZEPHBackgroundSearchButton : public TZCLUIInsightButton {
  ZCL_CLASS(TZEPHBackgroundSearchButton, TZCLUIInsightButton)
 public:
  using TCreateSignature = void(TZEPHBackground*);
  explicit TZEPHBackgroundSearchButton(TZEPHBackground* APanel);

 protected:
  TZCLButtonSubClass* CreateDropDownButton() override;
  void UpdateTransparency() override;

 private:
  TZEPHBackground* FPanel;
};

// Geometry and images of the panel at one DPI.
struct TZEPHBackgroundViewInfo {
  TRect Bounds, Header, Accent, Brand, CaptionText, Search, Footer, FooterContent, MenuArea, Content;
  Integer CaptionHeight = 0;
  Integer DescriptionHeight = 0;
  TZCLSkinImage* BrandImage = nullptr;   // of the shared sets
  TZCLSkinImage* SearchImage = nullptr;  // of the shared sets
  Integer DPI = 96;
  Integer Scale(Integer Value) const;
  Integer HeaderHeight() const { return Scale(50); }
  Integer FooterHeight() const { return Scale(42); }
};

class TZEPHBackground : public TZCLContainer, public IZCLApplicationListener {
  ZCL_CLASS(TZEPHBackground, TZCLContainer)
  RTL_INTERFACES(TZCLContainer, IZCLApplicationListener)
  VCL_MESSAGES()
 public:
  explicit TZEPHBackground(TComponent* AOwner);
  ~TZEPHBackground() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZEPHBackground>& D);

  const String& GetCaption() const { return FCaption; }
  // An explicit caption ends the automatic one.
  void SetCaption(const String& Value);
  const String& GetDescription() const { return FDescription; }
  void SetDescription(const String& Value);
  Integer GetMenuAreaWidth() const { return FMenuAreaWidth; }
  void SetMenuAreaWidth(Integer Value);
  bool GetShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool Value);
  bool GetShowFooter() const { return FShowFooter; }
  void SetShowFooter(bool Value);
  bool GetShowSearchBox() const { return FShowSearchBox; }
  void SetShowSearchBox(bool Value);
  TZEPHBackgroundControls* GetFooterControls() const { return FFooterControls; }
  void SetFooterControls(TZEPHBackgroundControls* Value) { FFooterControls->Assign(Value); }
  TZEPHBackgroundSearchButton* GetSearchButton() const { return FSearchButton; }
  const TZEPHBackgroundViewInfo& GetViewInfo() const { return FViewInfo; }

  // IZCLApplicationListener: on a change of appearance the panel takes the new images, refreshes
  // and calls OnResourceChanged.
  void Changed(Byte Changes) override;
  void Localize(const String& Section, const String& Name) override;
  void GetTabOrderList(std::vector<TWinControl*>& List) override;

  TNotifyEvent OnResourceChanged;

 protected:
  void AdjustClientRect(TRect& Rect) override;
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void Paint() override;
  void BoundsChanged() override;
  void UpdateState() override;
  void DoLoaded() override;
  void SetTargetDPI(Integer DPI) override;
  void ResourceChanged() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  friend class TZEPHBackgroundControl;
  void CMControlChange(TMessage& Message);
  void WMNCHitTest(TMessage& Message);
  void Calculate();
  void TakeImages();
  void SyncImages();
  void UpdateAutoCaption();
  void PlaceFooterControl(TZEPHBackgroundControl* Item, TRect& Area);
  TZEPHBackgroundViewInfo FViewInfo;
  TZEPHBackgroundControls* FFooterControls;              // owned
  TZEPHBackgroundSearchButton* FSearchButton = nullptr;  // owned
  String FCaption;
  String FDescription;
  Integer FMenuAreaWidth = 0;
  bool FShowCaption = true;
  bool FShowFooter = true;
  bool FShowSearchBox = false;
  bool FAutoCaption = true;
  Integer FImagesGeneration = -1;
};

// "Options: Interface" gives "Interface", "Player - PLAYLIST" gives "Playlist".
String BackgroundCaptionFromForm(const String& FormCaption);

void BackgroundInitialize();
void BackgroundFinalize();
