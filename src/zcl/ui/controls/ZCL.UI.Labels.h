#pragma once
// Labels: a window-less text label with alignment, a contour or shadow effect, an etched line
// beside the text (section captions), a URL opened on click and a control glued to one side;
// the validation label adds a state icon before the text. The etched line painter is shared
// with the check boxes.

#include "zcl/graphics/ZCL.Graphics.Render.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"
#include "zcl/ui/ZCL.UI.Controls.Utils.h"

enum TZCLLabelEffect : Byte { sleNone, sleContour, sleShadow };
ZCL_ENUM(TZCLLabelEffect, sleNone, sleContour, sleShadow);

enum TZCLValidationLabelIcon : Byte { vliSuccess, vliWarning, vliError, vliCriticalWarning, vliInformation };
ZCL_ENUM(TZCLValidationLabelIcon, vliSuccess, vliWarning, vliError, vliCriticalWarning, vliInformation);

class TZCLStyleLabel : public TZCLStyle {
  ZCL_CLASS(TZCLStyleLabel, TZCLStyle)
 public:
  using TZCLStyle::TZCLStyle;
  static void DeclareProperties(TClassDeclaration<TZCLStyleLabel>& D);
  TZCLResourceColor* GetColorContent() { return GetColor(0); }
  TZCLResourceColor* GetColorLine1() { return GetColor(1); }
  TZCLResourceColor* GetColorLine2() { return GetColor(2); }
  TZCLResourceColor* GetColorShadow() { return GetColor(3); }
  TZCLResourceColor* GetColorText() { return GetColor(4); }
  TZCLResourceColor* GetColorTextDisabled() { return GetColor(5); }
  TZCLResourceColor* GetColorTextHyperlink() { return GetColor(6); }

  TZCLLabelEffect GetEffect() const { return FEffect; }
  void SetEffect(TZCLLabelEffect Value);
  Integer GetEffectSize() const { return FEffectSize; }
  // Kept within -10..10.
  void SetEffectSize(Integer Value);
  bool GetShowLine() const { return FShowLine; }
  // Excludes WordWrap.
  void SetShowLine(bool Value);
  bool GetWordWrap() const { return FWordWrap; }
  // Excludes ShowLine.
  void SetWordWrap(bool Value);

 protected:
  void InitializeResources() override;
  void DoAssign(TPersistent* Source) override;

 private:
  TZCLLabelEffect FEffect = sleNone;
  Integer FEffectSize = 1;
  bool FShowLine = false;
  bool FWordWrap = false;
};

class TZCLStyleValidationLabel : public TZCLStyleLabel {
  ZCL_CLASS(TZCLStyleValidationLabel, TZCLStyleLabel)
 public:
  using TZCLStyleLabel::TZCLStyleLabel;
  static void DeclareProperties(TClassDeclaration<TZCLStyleValidationLabel>& D);
  TZCLResourceTexture* GetIcons() { return GetTexture(0); }

 protected:
  void InitializeResources() override;
};

class TZCLLabelSubControlOptions : public TZCLSubControlOptions {
  ZCL_CLASS(TZCLLabelSubControlOptions, TZCLSubControlOptions)
 public:
  using TZCLSubControlOptions::TZCLSubControlOptions;
};

// The etched line: two one-pixel lines along the top of LineRect, interrupted around TextRect
// (widened by 4 pixels on each side).
void DrawEtchedLine(TCanvas* Canvas, const TRect& LineRect, const TRect& TextRect, TZCLResourceColor* Color1,
                    TZCLResourceColor* Color2);
// R made even in height, then the 2-pixel strip centred in it.
TRect CalculateEtchedLineRect(const TRect& R);

class TZCLLabel : public TZCLGraphicControl {
  ZCL_CLASS(TZCLLabel, TZCLGraphicControl)
  VCL_MESSAGES()
 public:
  explicit TZCLLabel(TComponent* AOwner);
  ~TZCLLabel() override;
  void AfterConstruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLLabel>& D);
  void Loaded() override;
  void Click() override;

  TAlignment GetAlignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  TVerticalAlignment GetAlignmentVert() const { return FAlignmentVert; }
  void SetAlignmentVert(TVerticalAlignment Value);
  TZCLStyleLabel* GetStyle() const { return FStyle; }
  void SetStyle(TZCLStyleLabel* Value) { FStyle->Assign(Value); }
  TZCLLabelSubControlOptions* GetSubControl() const { return FSubControl; }
  void SetSubControl(TZCLLabelSubControlOptions* Value) { FSubControl->Assign(Value); }
  bool GetTransparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  const String& GetURL() const { return FURL; }
  void SetURL(const String& Value);
  bool IsCursorStored() const;
  const TRect& GetTextRect() const { return FTextRect; }
  const TRect& GetLineRect() const { return FLineRect; }
  // The colour the text is drawn in now.
  TColor GetTextColor();
  bool IsOpaque();

 protected:
  virtual TZCLStyleLabel* CreateStyle();
  virtual TZCLLabelSubControlOptions* CreateSubControlOptions();
  virtual void Calculate(const TRect& R);
  virtual void DrawBackground(TCanvas* Canvas);
  virtual void DrawLine(TCanvas* Canvas);
  virtual void DrawText(TCanvas* Canvas, const TRect& R, TColor Color);
  virtual void DrawEffects(TCanvas* Canvas, TRect& R);
  virtual TSize MeasureSize(Integer Width);
  // Asynchronously, on the main thread.
  virtual void OpenURL();

  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override;
  void BoundsChanged() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void ResourceChanged() override;
  void SetTargetDPI(Integer Value) override;
  void MouseEnter() override;
  void MouseLeave() override;
  void CMTextChanged(TMessage& Message);
  void CMFontChanged(TMessage& Message);
  void CMVisibleChanged(TMessage& Message);
  bool HitTest(TPoint P) override;
  Integer S(Integer Value) { return ScaleByDPI(Value, GetCurrentPPI()); }
  TCursor ImpliedCursor() const { return FURL.empty() ? crDefault : crHandPoint; }

  TAlignment FAlignment = taLeftJustify;
  TVerticalAlignment FAlignmentVert = taVerticalCenter;
  TRect FLineRect;
  TRect FTextRect;
  TZCLStyleLabel* FStyle = nullptr;
  TZCLLabelSubControlOptions* FSubControl = nullptr;
  bool FTransparent = true;
  String FURL;
};

class TZCLValidationLabel : public TZCLLabel {
  ZCL_CLASS(TZCLValidationLabel, TZCLLabel)
 public:
  explicit TZCLValidationLabel(TComponent* AOwner);
  static void DeclareProperties(TClassDeclaration<TZCLValidationLabel>& D);
  TZCLValidationLabelIcon GetIcon() const { return FIcon; }
  void SetIcon(TZCLValidationLabelIcon Value);
  TZCLStyleValidationLabel* GetValidationStyle() const { return static_cast<TZCLStyleValidationLabel*>(FStyle); }
  void SetValidationStyle(TZCLStyleValidationLabel* Value) { FStyle->Assign(Value); }
  // The icon frame width plus the gap before the text.
  Integer GetIconAreaWidth();

 protected:
  TZCLStyleLabel* CreateStyle() override;
  void Calculate(const TRect& R) override;
  void DrawBackground(TCanvas* Canvas) override;
  TSize MeasureSize(Integer Width) override;

 private:
  TZCLValidationLabelIcon FIcon = vliWarning;
};

void RegisterLabelClasses();
