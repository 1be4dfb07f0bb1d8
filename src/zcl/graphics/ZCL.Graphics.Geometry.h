#pragma once
// Rectangles, sizes, margins and fitting: persistent size and rectangle objects, helpers on
// TRect/TSize, fit modes, the nine-part split of a rectangle by margins and the auto-size
// calculator that shares a length between items with minimum and maximum sizes.

#include "rtl/RTL.Delegates.h"
#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Set.h"
#include "rtl/RTL.TypInfo.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zcl/base/ZCL.Classes.h"

enum TZCLBorder : Byte { mLeft, mTop, mRight, mBottom };
ZCL_ENUM(TZCLBorder, mLeft, mTop, mRight, mBottom);
using TZCLBorders = TSet<TZCLBorder>;
enum TZCLFitMode : Byte { afmNormal, afmStretch, afmProportionalStretch, afmFit, afmFill };
ZCL_ENUM(TZCLFitMode, afmNormal, afmStretch, afmProportionalStretch, afmFit, afmFill);
enum TZCLStretchMode : Byte { isStretch, isTile, isCenter };
enum TZCLMarginPart : Byte {
  mzLeftTop,
  mzLeft,
  mzLeftBottom,
  mzTop,
  mzBottom,
  mzRight,
  mzRightTop,
  mzRightBottom,
  mzClient
};
using TZCLMarginParts = TRect[9];

class TZCLSize;
class TZCLRect;
using TZCLSizeValidateEvent = TDelegate<void(TZCLSize* Sender, TSize& Value)>;
using TZCLRectValidateEvent = TDelegate<void(TZCLRect* Sender, TRect& Value)>;

// A size as two streamable properties; negative components are stored as 0.
class TZCLSize : public TZCLUnknownPersistent {
  ZCL_CLASS(TZCLSize, TZCLUnknownPersistent)
 public:
  explicit TZCLSize(TNotifyEvent AOnChange = {});
  static void DeclareProperties(TClassDeclaration<TZCLSize>& D);
  void Assign(TPersistent* Source) override;
  String ToString() const override;

  TSize GetValue() const { return FValue; }
  void SetValue(const TSize& AValue);
  TSize GetDefaultValue() const { return FDefaultValue; }
  void SetDefaultValue(const TSize& AValue) { FDefaultValue = AValue; }
  // Value := default, through SetValue.
  void Reset() { SetValue(FDefaultValue); }
  virtual Integer GetWidth() const { return FValue.cx; }
  void SetWidth(Integer AValue);
  virtual Integer GetHeight() const { return FValue.cy; }
  void SetHeight(Integer AValue);
  // The width when width = height, else 0; writing sets both.
  Integer GetAll() const { return FValue.cx == FValue.cy ? FValue.cx : 0; }
  void SetAll(Integer AValue) { SetValue(TSize(AValue, AValue)); }
  bool IsEmpty() const { return FValue.cx == 0 || FValue.cy == 0; }

  TNotifyEvent OnChange;
  TZCLSizeValidateEvent OnValidate;

 protected:
  virtual void Changed();
  virtual void DoValidate(TSize& AValue);

 private:
  bool IsWidthStored() const { return FValue.cx != FDefaultValue.cx; }
  bool IsHeightStored() const { return FValue.cy != FDefaultValue.cy; }
  TSize FDefaultValue;
  TSize FValue;
};

// A rectangle (margins, paddings) as streamable properties.
class TZCLRect : public TZCLUnknownPersistent {
  ZCL_CLASS(TZCLRect, TZCLUnknownPersistent)
 public:
  explicit TZCLRect(TNotifyEvent AOnChange = {});
  TZCLRect(TNotifyEvent AOnChange, const TRect& ADefault);
  static void DeclareProperties(TClassDeclaration<TZCLRect>& D);
  void Assign(TPersistent* Source) override;
  String ToString() const override;

  TRect GetValue() const { return FValue; }
  void SetValue(const TRect& AValue);
  TRect GetDefaultValue() const { return FDefaultValue; }
  void Reset() { SetValue(FDefaultValue); }
  // Index 0..3: left, top, right, bottom.
  Integer GetSide(Integer Index) const;
  void SetSide(Integer Index, Integer AValue);
  Integer GetLeft() const { return FValue.Left; }
  void SetLeft(Integer AValue) { SetSide(0, AValue); }
  Integer GetTop() const { return FValue.Top; }
  void SetTop(Integer AValue) { SetSide(1, AValue); }
  Integer GetRight() const { return FValue.Right; }
  void SetRight(Integer AValue) { SetSide(2, AValue); }
  Integer GetBottom() const { return FValue.Bottom; }
  void SetBottom(Integer AValue) { SetSide(3, AValue); }
  // The common value when all four sides are equal, else 0; writing sets all four.
  Integer GetAll() const;
  void SetAll(Integer AValue) { SetValue(TRect(AValue, AValue, AValue, AValue)); }

  TNotifyEvent OnChange;
  TZCLRectValidateEvent OnValidate;

 protected:
  virtual void Changed();
  virtual void DoValidate(TRect& AValue);

 private:
  bool IsLeftStored() const { return FValue.Left != FDefaultValue.Left; }
  bool IsTopStored() const { return FValue.Top != FDefaultValue.Top; }
  bool IsRightStored() const { return FValue.Right != FDefaultValue.Right; }
  bool IsBottomStored() const { return FValue.Bottom != FDefaultValue.Bottom; }
  TRect FDefaultValue;
  TRect FValue;
};

// Helpers on TRect; "in place" ones change their first argument.
void RectInclude(TRect& R, const TRect& Other);
void RectCenter(TRect& R, const TSize& Size);
// Left := the floor of (Left + Right - W) / 2, Right := Left + W.
void RectCenterHorz(TRect& R, Integer W);
void RectCenterVert(TRect& R, Integer H);
void RectContent(TRect& R, const TRect& Margins);
void RectContentByBorders(TRect& R, const TRect& Margins, TZCLBorders Borders);
void RectDeflateByBorders(TRect& R, Integer Value, TZCLBorders Borders);
TRect RectContentRect(const TRect& R, const TRect& Margins);
bool RectEqualSizes(const TRect& A, const TRect& B);
// Mirrors R inside Area (right-to-left layouts); the width stays.
void RectMirrorHorz(TRect& R, const TRect& Area);
void RectScale(TRect& R, Integer Num, Integer Den);
// Side 0 a strip at the left, 1 at the right, 2 at the top, 3 at the bottom.
TRect RectSplit(const TRect& R, Integer Side, Integer Size);
TRect RectSplitAt(const TRect& R, Integer Kind, Integer Pos, Integer Size);
TRect RectFromSize(const TSize& S);
TRect RectFromPoint(const TPoint& P);
TRect RectFromPointSize(const TPoint& P, const TSize& S);
TRect RectAllSides(Integer Value);
TRect RectMarginsBetween(const TRect& Outer, const TRect& Inner);
TRect RectOffset(const TRect& R, const TPoint& P);
TRect RectOffsetNegative(const TRect& R, const TPoint& P);
TRect RectFilterBorders(const TRect& Margins, TZCLBorders Borders);
TSize SquareSize(Integer Value);
TSize MakeSize(Integer A, Integer B);
// 0 when A <= 0 or B = 0; else A / B rounded up.
Integer DivCeil(Integer A, Integer B);
void ReduceRatio(Integer& A, Integer& B);

// W and H hold the area on entry and the shown size on exit.
void CalculateFitSize(Integer& W, Integer& H, Integer ContentW, Integer ContentH, TZCLFitMode Mode);
TSize FitSize(const TSize& Content, const TSize& Area, TZCLFitMode Mode);
TRect FitRect(const TRect& Area, const TSize& Content, TZCLFitMode Mode, bool Centre);
// Nine rectangles in TZCLMarginPart order; with isCenter the middle keeps Source's middle size.
void CalculateMarginParts(TZCLMarginParts& Parts, const TRect& Margins, const TRect& Dest, const TRect& Source,
                          TZCLStretchMode Mode);

// A 2-D transform {eM11, eM12, eM21, eM22, eDx, eDy}.
struct TXForm {
  float eM11 = 1, eM12 = 0, eM21 = 0, eM22 = 1, eDx = 0, eDy = 0;
  static TXForm Create(float M11, float M12, float M21, float M22, float Dx, float Dy) {
    return {M11, M12, M21, M22, Dx, Dy};
  }
  static TXForm CreateScale(float Sx, float Sy) { return {Sx, 0, 0, Sy, 0, 0}; }
  static TXForm CreateTranslate(float Dx, float Dy) { return {1, 0, 0, 1, Dx, Dy}; }
};

class TZCLAutoSizeItem : public TObject {
  ZCL_CLASS(TZCLAutoSizeItem, TObject)
 public:
  Integer Size = 0;
  Integer MinSize = 0;
  Integer MaxSize = 0;
};

// Shares AvailableSize between its items in proportion to their sizes, within their limits.
class TZCLAutoSizeCalculator : public TZCLObjectListOf<TZCLAutoSizeItem> {
  ZCL_CLASS(TZCLAutoSizeCalculator, TZCLObjectListOf<TZCLAutoSizeItem>)
 public:
  TZCLAutoSizeCalculator() : TZCLObjectListOf<TZCLAutoSizeItem>(true) {}
  using TZCLObjectListOf<TZCLAutoSizeItem>::Add;
  // MaxSize 0 means no maximum; a fixed item keeps its minimum.
  TZCLAutoSizeItem* Add(Integer ASize, Integer AMinSize, Integer AMaxSize, bool Resizable);
  TZCLAutoSizeItem* AddGrowable(Integer ASize, Integer AMaxSize, bool Resizable) {
    return Add(ASize, ASize, AMaxSize, Resizable);
  }
  void Calculate();
  Integer AvailableSize = 0;
};
