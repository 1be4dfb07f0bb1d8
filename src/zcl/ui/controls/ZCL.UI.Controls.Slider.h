#pragma once
// The slider: an owner-drawn track bar for a floating-point value with a textured track and
// thumb, tick marks, a default-value mark the user can snap or reset to, and optional labels
// for the minimum, the maximum and the current value; horizontal or vertical, optionally
// reversed and paginated.

#include <vector>

#include "zcl/ui/ZCL.UI.Controls.Base.h"

class TZCLHintWindow;
class TZCLTimer;
class TZCLSlider;

enum TZCLOrientation : Byte { oHorizontal, oVertical };
ZCL_ENUM(TZCLOrientation, oHorizontal, oVertical);
enum TZCLSliderLabelsLayout : Byte { sllAroundEdges, sllAfterTrackBar, sllBeforeTrackBar };
ZCL_ENUM(TZCLSliderLabelsLayout, sllAroundEdges, sllAfterTrackBar, sllBeforeTrackBar);

// Change kinds of the option objects: 1 and 2 recalculate the slider, others only repaint.
inline constexpr TZCLPersistentChanges SliderChangeLabels = 1;
inline constexpr TZCLPersistentChanges SliderChangeLayout = 2;

class TZCLSliderOptions : public TZCLCustomOptionsPersistent {
  ZCL_CLASS(TZCLSliderOptions, TZCLCustomOptionsPersistent)
 public:
  explicit TZCLSliderOptions(TZCLSlider* AOwner) : FOwner(AOwner) {}
  static void DeclareProperties(TClassDeclaration<TZCLSliderOptions>& D);
  bool GetImmediateUpdate() const { return FImmediateUpdate; }
  void SetImmediateUpdate(bool Value) { FImmediateUpdate = Value; }
  bool GetMagnetToDefaultValue() const { return FMagnetToDefaultValue; }
  void SetMagnetToDefaultValue(bool Value) { FMagnetToDefaultValue = Value; }
  // 1..5, in 96-DPI pixels.
  Integer GetMarkSize() const { return FMarkSize; }
  void SetMarkSize(Integer Value);
  bool GetMarkVisible() const { return FMarkVisible; }
  void SetMarkVisible(bool Value) { SetBooleanField(FMarkVisible, Value, SliderChangeLayout); }
  // The inset of the track inside the thumb's area, in 96-DPI pixels.
  Integer GetTrackAreaOffset() const { return FTrackAreaOffset; }
  void SetTrackAreaOffset(Integer Value) { SetIntegerField(FTrackAreaOffset, Value, SliderChangeLayout); }

 protected:
  void DoAssign(TPersistent* Source) override;
  void DoChanged(TZCLPersistentChanges Changes) override;

 private:
  bool FImmediateUpdate = true;
  bool FMagnetToDefaultValue = false;
  Integer FMarkSize = 3;
  bool FMarkVisible = true;
  Integer FTrackAreaOffset = 5;
  TZCLSlider* FOwner;
};

class TZCLSliderOptionsLabels : public TZCLCustomOptionsPersistent {
  ZCL_CLASS(TZCLSliderOptionsLabels, TZCLCustomOptionsPersistent)
 public:
  enum : Integer { CurrentValueIndex = 0, MaxValueIndex = 1, MinValueIndex = 2 };
  explicit TZCLSliderOptionsLabels(TZCLSlider* AOwner) : FOwner(AOwner) {}
  static void DeclareProperties(TClassDeclaration<TZCLSliderOptionsLabels>& D);
  String GetText(Integer Index) const { return FTexts[size_t(Index)]; }
  void SetText(Integer Index, const String& Value);
  Integer GetWidth(Integer Index) const { return FWidths[size_t(Index)]; }
  void SetWidth(Integer Index, Integer Value);
  TZCLSliderLabelsLayout GetLayout() const { return FLayout; }
  void SetLayout(TZCLSliderLabelsLayout Value);
  // CurrentValue holds "%": a format of one floating-point argument.
  bool IsCurrentValueFormat() const { return FCurrentValueIsFormat; }
  bool HasRangeLabels() const { return !FTexts[MaxValueIndex].empty() || !FTexts[MinValueIndex].empty(); }
  bool HasLabels() const { return HasRangeLabels() || !FTexts[CurrentValueIndex].empty(); }

 protected:
  void DoAssign(TPersistent* Source) override;
  void DoChanged(TZCLPersistentChanges Changes) override;

 private:
  String FTexts[3];
  Integer FWidths[3] = {0, 0, 0};
  TZCLSliderLabelsLayout FLayout = sllAroundEdges;
  bool FCurrentValueIsFormat = false;
  TZCLSlider* FOwner;
};

class TZCLSliderOptionsValue : public TZCLCustomOptionsPersistent {
  ZCL_CLASS(TZCLSliderOptionsValue, TZCLCustomOptionsPersistent)
 public:
  explicit TZCLSliderOptionsValue(TZCLSlider* AOwner) : FOwner(AOwner) {}
  static void DeclareProperties(TClassDeclaration<TZCLSliderOptionsValue>& D);
  Single GetDefault() const { return FDefault; }
  void SetDefault(Single Value) { FDefault = Value; }
  Single GetMax() const { return FMax; }
  void SetMax(Single Value);
  Single GetMin() const { return FMin; }
  void SetMin(Single Value);
  Single GetPage() const { return FPage; }
  void SetPage(Single Value) { SetSingleField(FPage, std::max(Value, 0.01f), SliderChangeLayout); }
  bool GetPaginate() const { return FPaginate; }
  void SetPaginate(bool Value) { SetBooleanField(FPaginate, Value, SliderChangeLayout); }
  bool GetReverse() const { return FReverse; }
  void SetReverse(bool Value) { SetBooleanField(FReverse, Value, SliderChangeLayout); }
  Single GetSmallChange() const { return FSmallChange; }
  void SetSmallChange(Single Value) { FSmallChange = Value; }
  bool HasDefault() const { return FMin <= FDefault && FDefault <= FMax; }
  bool IsDefaultStored() const { return FDefault != -1; }
  bool IsMaxStored() const { return FMax != 100; }
  bool IsMinStored() const { return FMin != 0; }
  bool IsPageStored() const { return FPage != 10; }
  bool IsSmallChangeStored() const { return FSmallChange != 1; }
  Single GetRange() const { return FMax - FMin; }
  // Paginated, then clamped to Min..Max.
  Single Validate(Single Value) const;

 protected:
  void DoAssign(TPersistent* Source) override;
  void DoChanged(TZCLPersistentChanges Changes) override;

 private:
  Single FDefault = -1;
  Single FMax = 100;
  Single FMin = 0;
  Single FPage = 10;
  bool FPaginate = false;
  bool FReverse = false;
  Single FSmallChange = 1;
  TZCLSlider* FOwner;
};

class TZCLStyleSlider : public TZCLStyleContent {
  ZCL_CLASS(TZCLStyleSlider, TZCLStyleContent)
 public:
  using TZCLStyleContent::TZCLStyleContent;
  static void DeclareProperties(TClassDeclaration<TZCLStyleSlider>& D);
  TZCLResourceColor* GetColorMark() { return GetColor(6); }
  TZCLResourceColor* GetColorMarkDisabled() { return GetColor(7); }
  TZCLResourceColor* GetColorRangeLabel() { return GetColor(8); }
  TZCLResourceColor* GetColorDefaultValue() { return GetColor(9); }
  TZCLResourceTexture* GetTexture() { return TZCLStyle::GetTexture(0); }
  TZCLResourceTexture* GetTextureThumb() { return TZCLStyle::GetTexture(1); }

 protected:
  void InitializeResources() override;
};

struct TZCLSliderLabel {
  TRect Rect;
  Integer Alignment = 0;  // 0 left, 1 right, 2 centre
  String Text;
  TColor Color = clWindowText;
  TSize Size;
};

// The geometry of the last calculation, in client coordinates.
class TZCLSliderViewInfo : public TObject {
  ZCL_CLASS(TZCLSliderViewInfo, TObject)
 public:
  explicit TZCLSliderViewInfo(TZCLSlider* ASlider) : FSlider(ASlider) {}

  virtual void PlaceLabels(TRect& Rect) = 0;
  virtual void SetThumbArea(const TRect& Rect) = 0;
  virtual void CalculateThumb(Single Relative) = 0;
  virtual void CalculateTicks(Single Step) = 0;
  virtual void CalculateTrack() = 0;
  virtual Integer GetThumbSize() = 0;
  // The thumb area's length less the thumb.
  virtual Integer GetFreeLength() = 0;
  virtual void CalculateAutoSize(Integer& Width, Integer& Height) = 0;
  virtual void Calculate();
  virtual Single RelativeFromPoint(Integer X, Integer Y) = 0;
  // The wanted (length, thickness) as a width and height of this orientation.
  virtual TSize MeasureSize();

  TRect DefaultValueMark;
  TZCLSliderLabel CurrentValueLabel, LabelA, LabelB;
  TRect ThumbArea, ThumbRect, TrackRect;
  std::vector<TRect> Ticks;

 protected:
  void CalculateDefaultValueMark(bool Horizontal);
  void CalculateLabelSizes();
  Integer MarkExtent();
  Integer Scale(Integer Value);
  TZCLSlider* FSlider;
};

class TZCLSliderHorizontalViewInfo : public TZCLSliderViewInfo {
  ZCL_CLASS(TZCLSliderHorizontalViewInfo, TZCLSliderViewInfo)
 public:
  using TZCLSliderViewInfo::TZCLSliderViewInfo;
  void PlaceLabels(TRect& Rect) override;
  void SetThumbArea(const TRect& Rect) override;
  void CalculateThumb(Single Relative) override;
  void CalculateTicks(Single Step) override;
  void CalculateTrack() override;
  Integer GetThumbSize() override;
  Integer GetFreeLength() override { return ThumbArea.Width() - GetThumbSize(); }
  void CalculateAutoSize(Integer& Width, Integer& Height) override;
  Single RelativeFromPoint(Integer X, Integer Y) override;
  TSize MeasureSize() override;
};

class TZCLSliderVerticalViewInfo : public TZCLSliderViewInfo {
  ZCL_CLASS(TZCLSliderVerticalViewInfo, TZCLSliderViewInfo)
 public:
  using TZCLSliderViewInfo::TZCLSliderViewInfo;
  void PlaceLabels(TRect& Rect) override;
  void SetThumbArea(const TRect& Rect) override;
  void CalculateThumb(Single Relative) override;
  void CalculateTicks(Single Step) override;
  void CalculateTrack() override;
  Integer GetThumbSize() override;
  Integer GetFreeLength() override { return ThumbArea.Height() - GetThumbSize(); }
  void CalculateAutoSize(Integer& Width, Integer& Height) override;
  Single RelativeFromPoint(Integer X, Integer Y) override;
  TSize MeasureSize() override;
};

using TZCLSliderGetHintEvent = TDelegate<void(TObject* Sender, Single Value, String& Hint)>;

class TZCLSlider : public TZCLContainer {
  ZCL_CLASS(TZCLSlider, TZCLContainer)
  VCL_MESSAGES()
 public:
  explicit TZCLSlider(TComponent* AOwner);
  ~TZCLSlider() override;
  void AfterConstruction() override;
  void BeforeDestruction() override;
  static void DeclareProperties(TClassDeclaration<TZCLSlider>& D);

  TZCLOrientation GetOrientation() const { return FOrientation; }
  void SetOrientation(TZCLOrientation Value);
  Single GetPosition() const { return FPosition; }
  // Fires OnChange only with ImmediateUpdate.
  void SetPosition(Single Value);
  Integer GetPositionAsInteger() const;
  bool IsPositionStored() const { return FPosition != 0; }
  TZCLSliderOptions* GetOptions() const { return FOptions; }
  void SetOptions(TZCLSliderOptions* Value) { FOptions->Assign(Value); }
  TZCLSliderOptionsLabels* GetOptionsLabels() const { return FOptionsLabels; }
  void SetOptionsLabels(TZCLSliderOptionsLabels* Value) { FOptionsLabels->Assign(Value); }
  TZCLSliderOptionsValue* GetOptionsValue() const { return FOptionsValue; }
  void SetOptionsValue(TZCLSliderOptionsValue* Value) { FOptionsValue->Assign(Value); }
  TZCLStyleSlider* GetSliderStyle() const { return static_cast<TZCLStyleSlider*>(GetStyle()); }
  void SetSliderStyle(TZCLStyleSlider* Value) { GetStyle()->Assign(Value); }
  TZCLSliderViewInfo* GetViewInfo() const { return FViewInfo; }
  bool GetDragging() const { return FDragging; }
  Integer GetThumbState() const { return FThumbState; }
  // The value the thumb shows: the drag value while dragging without ImmediateUpdate.
  Single GetShownValue() const;
  // The value at a client point, validated and snapped to the default when magnetic.
  Single ValueFromPoint(Integer X, Integer Y);
  TZCLHintWindow* GetHintWindow() const { return FHintWindow; }
  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override;
  void SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) override;

  // Recalculates the view info (not while being destroyed).
  virtual void Calculate();
  void OptionsChanged(TZCLPersistentChanges Changes);
  void ValueRangeChanged() { SetPositionCore(FPosition, false); }

  TNotifyEvent OnChange;
  TZCLCustomDrawEvent OnDrawBackground;
  TZCLCustomDrawEvent OnDrawThumb;
  TZCLSliderGetHintEvent OnGetHint;

 protected:
  virtual TZCLSliderOptions* CreateOptions() { return new TZCLSliderOptions(this); }
  virtual TZCLSliderOptionsLabels* CreateOptionsLabels() { return new TZCLSliderOptionsLabels(this); }
  virtual TZCLSliderOptionsValue* CreateOptionsValue() { return new TZCLSliderOptionsValue(this); }
  virtual TZCLSliderViewInfo* CreateViewInfo();
  virtual void DrawThumb(TCanvas* Canvas, const TRect& R);
  virtual void DrawBackground(TCanvas* Canvas, const TRect& R);
  TZCLStyleBackground* CreateStyle() override;

  void BoundsChanged() override;
  void Paint() override;
  void FocusChanged() override;
  void DoGetHint(const TPoint& Point, String& Hint) override;
  void MouseLeave() override;
  bool MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint& MousePos) override;
  void KeyDown(Word& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void CMEnabledChanged(TMessage& Message);
  void WMGetDlgCode(TMessage& Message);

 private:
  void SetPositionCore(Single Value, bool Notify);
  void ApplyMouseValue(Single Value);
  void Step(Integer Direction, Single Amount);
  void ShowValueHint(Single Value, bool Timed);
  void HideValueHint();
  void HintTimerTick(TObject* Sender);
  void UpdateThumbState(const TPoint& P);

  TZCLOrientation FOrientation = oVertical;
  Single FPosition = 0;
  Single FDragValue = 0;
  Integer FThumbState = 0;
  bool FDragging = false;
  TZCLHintWindow* FHintWindow = nullptr;  // owned, made on first use
  TZCLTimer* FHintTimer = nullptr;        // owned, made on first use
  TZCLSliderOptions* FOptions = nullptr;
  TZCLSliderOptionsValue* FOptionsValue = nullptr;
  TZCLSliderOptionsLabels* FOptionsLabels = nullptr;
  TZCLSliderViewInfo* FViewInfo = nullptr;
};

void RegisterSliderClasses();
