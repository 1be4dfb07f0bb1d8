#pragma once
// The colour picker: a compound control whose cells edit one colour held as hue, saturation,
// lightness and alpha: a hue-saturation gamut, lightness and alpha sliders, a preview swatch,
// spin edits for A, R, G, B, H, S, L and a hexadecimal code edit.

#include "zcl/base/ZCL.Colors.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Spin.h"
#include "zcl/ui/controls/ZCL.UI.Edit.Text.h"
#include "zcl/ui/treelist/ZCL.UI.CompoundControl.DragAndDrop.h"
#include "zcl/ui/treelist/ZCL.UI.CompoundControl.h"

class TZCLBitmap;
class TZCLColorPickerSubClass;

// The colour as the picker holds it; RGB and the code are derived.
class TZCLColorPickerColorInfo : public TObject {
  ZCL_CLASS(TZCLColorPickerColorInfo, TObject)
 public:
  Byte GetAlpha() const { return FAlpha; }
  void SetAlpha(Byte Value);
  Single GetHue() const { return FHue; }
  void SetHue(Single Value);
  Single GetLightness() const { return FLightness; }
  void SetLightness(Single Value);
  Single GetSaturation() const { return FSaturation; }
  void SetSaturation(Single Value);
  TColor GetColor() const;
  TAlphaColor GetAlphaColor() const;
  void SetAlphaColor(TAlphaColor Value);
  Byte GetRed() const;
  Byte GetGreen() const;
  Byte GetBlue() const;
  void SetRed(Byte Value);
  void SetGreen(Byte Value);
  void SetBlue(Byte Value);

  TNotifyEvent OnChange;

 private:
  void Changed();
  Byte FAlpha = 255;
  Single FHue = 0;
  Single FLightness = 0;
  Single FSaturation = 0;
};

class TZCLColorPickerOptions : public TZCLCustomOptionsPersistent {
  ZCL_CLASS(TZCLColorPickerOptions, TZCLCustomOptionsPersistent)
 public:
  explicit TZCLColorPickerOptions(TZCLColorPickerSubClass* AOwner) : FOwner(AOwner) {}
  static void DeclareProperties(TClassDeclaration<TZCLColorPickerOptions>& D);
  bool GetAllowEditAlpha() const { return FAllowEditAlpha; }
  void SetAllowEditAlpha(bool Value) { SetBooleanField(FAllowEditAlpha, Value, 1); }

 protected:
  void DoAssign(TPersistent* Source) override;
  void DoChanged(TZCLPersistentChanges Changes) override;

 private:
  bool FAllowEditAlpha = true;
  TZCLColorPickerSubClass* FOwner;
};

// Change flag of the colour, above the compound-control layer's.
inline constexpr Cardinal ChangeColor = 16;

// ---- cells --------------------------------------------------------------------------------------

class TZCLColorPickerColorModifierCell : public TZCLCompoundControlCustomViewInfo, public IZCLDraggableObject {
  ZCL_CLASS(TZCLColorPickerColorModifierCell, TZCLCompoundControlCustomViewInfo)
  RTL_INTERFACES(TZCLCompoundControlCustomViewInfo, IZCLDraggableObject)
 public:
  using TZCLCompoundControlCustomViewInfo::TZCLCompoundControlCustomViewInfo;
  // The user works with this cell: it is pressed, or its edit has the focus.
  virtual bool IsActive();
  virtual void UpdateValue() = 0;
  // Sets the colour from a point in control coordinates.
  virtual void ApplyPoint(Integer, Integer) {}
  virtual TSize MeasureSize() = 0;
  TZCLCompoundControlDragObject* CreateDragObject(TZCLHitTestInfo* HitTest) override;

 protected:
  TZCLColorPickerSubClass* PickerSubClass() const;
  TZCLColorPickerColorInfo* ColorInfo() const;
  Integer S(Integer Value) const;
  void DoCalculate(TZCLCompoundControlChanges Changes) override;
  bool FLocked = false;
};

class TZCLColorPickerVisualColorModifierCell : public TZCLColorPickerColorModifierCell {
  ZCL_CLASS(TZCLColorPickerVisualColorModifierCell, TZCLColorPickerColorModifierCell)
 public:
  using TZCLColorPickerColorModifierCell::TZCLColorPickerColorModifierCell;
  ~TZCLColorPickerVisualColorModifierCell() override;
  void UpdateValue() override;
  virtual TPoint GetCursorPosition() = 0;
  virtual void DrawContent(TCanvas* Canvas);
  void FreeCache();
  virtual TRect GetContentRect();
  TRect GetFrameRect();
  virtual TColor GetMarkerColor() { return clBlack; }
  // Paints the content into the cache, Width x Height.
  virtual void DrawCache(TCanvas* Canvas, Integer Width, Integer Height) = 0;
  TZCLBitmap* GetCache() const { return FCache; }
  const TPoint& GetCursor() const { return FCursor; }

 protected:
  void DoCalculate(TZCLCompoundControlChanges Changes) override;
  void DoDraw(TCanvas* Canvas) override;
  TPoint ClampToContent(Integer X, Integer Y);
  TZCLBitmap* FCache = nullptr;
  TPoint FCursor;
};

class TZCLColorPickerGamutCell : public TZCLColorPickerVisualColorModifierCell {
  ZCL_CLASS(TZCLColorPickerGamutCell, TZCLColorPickerVisualColorModifierCell)
 public:
  using TZCLColorPickerVisualColorModifierCell::TZCLColorPickerVisualColorModifierCell;
  void ApplyPoint(Integer X, Integer Y) override;
  TSize MeasureSize() override;
  TPoint GetCursorPosition() override;
  void DrawContent(TCanvas* Canvas) override;
  void DrawCache(TCanvas* Canvas, Integer Width, Integer Height) override;
  virtual void DrawMarker(TCanvas* Canvas);
};

class TZCLColorPickerSliderCell : public TZCLColorPickerVisualColorModifierCell {
  ZCL_CLASS(TZCLColorPickerSliderCell, TZCLColorPickerVisualColorModifierCell)
 public:
  using TZCLColorPickerVisualColorModifierCell::TZCLColorPickerVisualColorModifierCell;
  TSize MeasureSize() override;
  void DrawContent(TCanvas* Canvas) override;
  TRect GetContentRect() override;
  virtual void DrawMarker(TCanvas* Canvas);
  virtual TRect GetArrowRect();
};

class TZCLColorPickerLightnessSliderCell : public TZCLColorPickerSliderCell {
  ZCL_CLASS(TZCLColorPickerLightnessSliderCell, TZCLColorPickerSliderCell)
 public:
  using TZCLColorPickerSliderCell::TZCLColorPickerSliderCell;
  void ApplyPoint(Integer X, Integer Y) override;
  TPoint GetCursorPosition() override;
  void DrawCache(TCanvas* Canvas, Integer Width, Integer Height) override;
};

class TZCLColorPickerAlphaSliderCell : public TZCLColorPickerSliderCell {
  ZCL_CLASS(TZCLColorPickerAlphaSliderCell, TZCLColorPickerSliderCell)
 public:
  using TZCLColorPickerSliderCell::TZCLColorPickerSliderCell;
  void ApplyPoint(Integer X, Integer Y) override;
  TPoint GetCursorPosition() override;
  void DrawCache(TCanvas* Canvas, Integer Width, Integer Height) override;
};

class TZCLColorPickerPreviewCell : public TZCLColorPickerColorModifierCell {
  ZCL_CLASS(TZCLColorPickerPreviewCell, TZCLColorPickerColorModifierCell)
 public:
  using TZCLColorPickerColorModifierCell::TZCLColorPickerColorModifierCell;
  void UpdateValue() override { Invalidate(); }
  TSize MeasureSize() override;

 protected:
  void DoDraw(TCanvas* Canvas) override;
};

class TZCLColorPickerCustomEditCell : public TZCLColorPickerColorModifierCell {
  ZCL_CLASS(TZCLColorPickerCustomEditCell, TZCLColorPickerColorModifierCell)
 public:
  using TZCLColorPickerColorModifierCell::TZCLColorPickerColorModifierCell;
  ~TZCLColorPickerCustomEditCell() override;
  // Creates the edit control; called by the view info right after construction.
  void Initialize();
  bool IsActive() override;
  TSize MeasureSize() override;
  TZCLCustomEdit* GetEdit() const { return FEdit; }
  virtual String GetCaption() = 0;

 protected:
  virtual TZCLCustomEdit* CreateEditControl() = 0;
  virtual Integer GetEditWidth() = 0;
  void DoCalculate(TZCLCompoundControlChanges Changes) override;
  void DoDraw(TCanvas* Canvas) override;
  TZCLCustomEdit* FEdit = nullptr;
};

class TZCLColorPickerSpinEditCell : public TZCLColorPickerCustomEditCell {
  ZCL_CLASS(TZCLColorPickerSpinEditCell, TZCLColorPickerCustomEditCell)
 public:
  TZCLColorPickerSpinEditCell(TZCLCompoundControlSubClass* ASubClass, Integer AKind)
      : TZCLColorPickerCustomEditCell(ASubClass), FKind(AKind) {}
  String GetCaption() override;
  Integer GetKind() const { return FKind; }
  TZCLSpinEdit* GetSpinEdit() const { return static_cast<TZCLSpinEdit*>(FEdit); }
  void UpdateValue() override;
  Integer GetValue();
  void SetValue(Integer Value);

 protected:
  TZCLCustomEdit* CreateEditControl() override;
  Integer GetEditWidth() override;

 private:
  void EditChanged(TObject* Sender);
  Integer FKind;
};

class TZCLColorPickerHexCodeEditCell : public TZCLColorPickerCustomEditCell {
  ZCL_CLASS(TZCLColorPickerHexCodeEditCell, TZCLColorPickerCustomEditCell)
 public:
  using TZCLColorPickerCustomEditCell::TZCLColorPickerCustomEditCell;
  String GetCaption() override { return u"#"; }
  TZCLEdit* GetCodeEdit() const { return static_cast<TZCLEdit*>(FEdit); }
  void UpdateValue() override;

 protected:
  TZCLCustomEdit* CreateEditControl() override;
  Integer GetEditWidth() override;

 private:
  void EditChanged(TObject* Sender);
  void EditKeyPress(TObject* Sender, Char& Key);
};

// Keeps control characters, decimal and hexadecimal digits; anything else becomes no key.
Char ColorPickerFilterCodeKey(Char Key);

class TZCLColorPickerViewInfo : public TZCLCompoundControlContainerViewInfo {
  ZCL_CLASS(TZCLColorPickerViewInfo, TZCLCompoundControlContainerViewInfo)
 public:
  using TZCLCompoundControlContainerViewInfo::TZCLCompoundControlContainerViewInfo;
  virtual void MeasureSize(Integer& Width, Integer& Height);
  TZCLColorPickerSpinEditCell* GetSpinCell(Integer Kind) const { return FSpinCells[size_t(Kind)]; }
  TZCLColorPickerGamutCell* GetGamut() const { return FGamut; }
  TZCLColorPickerHexCodeEditCell* GetHexCode() const { return FHexCode; }
  TZCLColorPickerPreviewCell* GetPreview() const { return FPreview; }
  TZCLColorPickerLightnessSliderCell* GetLightnessSlider() const { return FLightnessSlider; }
  TZCLColorPickerAlphaSliderCell* GetAlphaSlider() const { return FAlphaSlider; }

 protected:
  void CalculateSubCells(TZCLCompoundControlChanges Changes) override;
  void RecreateSubCells() override;
  void DoCalculate(TZCLCompoundControlChanges Changes) override;

 private:
  TSize MeasureColumn();
  Integer FIndent = 6;
  bool FRecreating = false;
  TZCLColorPickerSpinEditCell* FSpinCells[7] = {};
  TZCLColorPickerGamutCell* FGamut = nullptr;
  TZCLColorPickerHexCodeEditCell* FHexCode = nullptr;
  TZCLColorPickerPreviewCell* FPreview = nullptr;
  TZCLColorPickerLightnessSliderCell* FLightnessSlider = nullptr;
  TZCLColorPickerAlphaSliderCell* FAlphaSlider = nullptr;
};

class TZCLColorPickerSubClass : public TZCLCompoundControlSubClass {
  ZCL_CLASS(TZCLColorPickerSubClass, TZCLCompoundControlSubClass)
 public:
  explicit TZCLColorPickerSubClass(TComponent* AOwner);
  ~TZCLColorPickerSubClass() override;
  TZCLColorPickerColorInfo* GetColorInfo() const { return FColorInfo; }
  TZCLColorPickerOptions* GetOptions() const { return FOptions; }
  TZCLStyleContent* GetStyle() const { return FStyle; }
  TZCLStyleEdit* GetStyleEdit() const { return FStyleEdit; }
  TZCLStyleSpinButton* GetStyleEditButton() const { return FStyleEditButton; }
  TZCLStyleHatch* GetStyleHatch() const { return FStyleHatch; }
  TZCLColorPickerViewInfo* GetPickerViewInfo() const { return static_cast<TZCLColorPickerViewInfo*>(FViewInfo); }
  Integer GetTargetDPI() const { return FTargetDPI; }
  void SetTargetDPI(Integer DPI) override;
  bool CalculateAutoSize(Integer& Width, Integer& Height) override;
  TZCLCompoundControlChanges GetFullRefreshChanges() override { return 31; }
  // The widest hexadecimal digit in the host's font; measured once per full refresh.
  Integer GetHexCharWidth();
  // The painter's frame (not scaled) around R, in the style's two border colours.
  void DrawBorder(TCanvas* Canvas, const TRect& R);
  static constexpr Integer BorderWidth = 2;

  TNotifyEvent OnColorChanged;

 protected:
  friend class TZCLColorPickerOptions;
  TZCLCompoundControlCustomViewInfo* CreateViewInfo() override;
  void ProcessChanges(TZCLCompoundControlChanges Flags) override;
  void ProcessMouseDown(TMouseButton Button, TShiftState Shift) override;
  void OptionsChanged();

 private:
  void ColorInfoChanged(TObject* Sender);
  TZCLColorPickerColorInfo* FColorInfo;
  TZCLColorPickerOptions* FOptions;
  TZCLStyleContent* FStyle;
  TZCLStyleEdit* FStyleEdit;
  TZCLStyleSpinButton* FStyleEditButton;
  TZCLStyleHatch* FStyleHatch;
  Integer FTargetDPI = 96;
  Integer FHexCharWidth = 0;
};

class TZCLCustomColorPicker : public TZCLCompoundControl {
  ZCL_CLASS(TZCLCustomColorPicker, TZCLCompoundControl)
 public:
  explicit TZCLCustomColorPicker(TComponent* AOwner);
  TZCLColorPickerSubClass* GetPickerSubClass() const { return static_cast<TZCLColorPickerSubClass*>(FSubClass); }
  // Opaque unless alpha editing is on (0 stays 0).
  TAlphaColor GetColor() const;
  void SetColor(TAlphaColor Value) { GetPickerSubClass()->GetColorInfo()->SetAlphaColor(Value); }
  TZCLBorders GetBorders() const { return FBorders; }
  void SetBorders(TZCLBorders Value);
  TZCLColorPickerOptions* GetOptions() const { return GetPickerSubClass()->GetOptions(); }
  void SetOptions(TZCLColorPickerOptions* Value) { GetOptions()->Assign(Value); }
  TZCLStyleContent* GetStyle() const { return GetPickerSubClass()->GetStyle(); }
  void SetStyle(TZCLStyleContent* Value) { GetStyle()->Assign(Value); }
  TZCLStyleEdit* GetStyleEdit() const { return GetPickerSubClass()->GetStyleEdit(); }
  void SetStyleEdit(TZCLStyleEdit* Value) { GetStyleEdit()->Assign(Value); }
  TZCLStyleSpinButton* GetStyleEditButton() const { return GetPickerSubClass()->GetStyleEditButton(); }
  void SetStyleEditButton(TZCLStyleSpinButton* Value) { GetStyleEditButton()->Assign(Value); }
  TZCLStyleHatch* GetStyleHatch() const { return GetPickerSubClass()->GetStyleHatch(); }
  void SetStyleHatch(TZCLStyleHatch* Value) { GetStyleHatch()->Assign(Value); }
  TNotifyEvent GetOnColorChanged() const { return GetPickerSubClass()->OnColorChanged; }
  void SetOnColorChanged(TNotifyEvent Value) { GetPickerSubClass()->OnColorChanged = Value; }

 protected:
  TZCLCompoundControlSubClass* CreateSubClass() override;
  TRect GetContentOffset() override;
  void Paint() override;
  void AlignControls(TControl*, TRect&) override {}

 private:
  TZCLBorders FBorders{mLeft, mTop, mRight, mBottom};
};

class TZCLColorPicker : public TZCLCustomColorPicker {
  ZCL_CLASS(TZCLColorPicker, TZCLCustomColorPicker)
 public:
  using TZCLCustomColorPicker::TZCLCustomColorPicker;
  static void DeclareProperties(TClassDeclaration<TZCLColorPicker>& D);
};

void RegisterColorPickerClasses();
