#include "zcl/graphics/ZCL.Graphics.Geometry.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"

// ---- TZCLSize ---------------------------------------------------------------------------------

TZCLSize::TZCLSize(TNotifyEvent AOnChange) : OnChange(AOnChange) {}

void TZCLSize::DeclareProperties(TClassDeclaration<TZCLSize>& D) {
  D.Property(u"Width", &TZCLSize::GetWidth, &TZCLSize::SetWidth).Stored(&TZCLSize::IsWidthStored);
  D.Property(u"Height", &TZCLSize::GetHeight, &TZCLSize::SetHeight).Stored(&TZCLSize::IsHeightStored);
  D.Property(u"All", &TZCLSize::GetAll, &TZCLSize::SetAll).Stored(false);
}

void TZCLSize::Assign(TPersistent* Source) {
  if (auto* other = dynamic_cast<TZCLSize*>(Source)) SetValue(other->FValue);
}

String TZCLSize::ToString() const { return Format(u"%d,%d", {FValue.cx, FValue.cy}); }

void TZCLSize::SetValue(const TSize& AValue) {
  TSize candidate = AValue;
  DoValidate(candidate);
  if (candidate == FValue) return;
  FValue = candidate;
  Changed();
}

void TZCLSize::SetWidth(Integer AValue) {
  if (AValue == FValue.cx) return;
  SetValue(TSize(AValue, FValue.cy));
}

void TZCLSize::SetHeight(Integer AValue) {
  if (AValue == FValue.cy) return;
  SetValue(TSize(FValue.cx, AValue));
}

void TZCLSize::Changed() {
  if (OnChange) OnChange(this);
}

void TZCLSize::DoValidate(TSize& AValue) {
  AValue.cx = std::max(AValue.cx, 0);
  AValue.cy = std::max(AValue.cy, 0);
  if (OnValidate) OnValidate(this, AValue);
}

// ---- TZCLRect ---------------------------------------------------------------------------------

TZCLRect::TZCLRect(TNotifyEvent AOnChange) : OnChange(AOnChange) {}
TZCLRect::TZCLRect(TNotifyEvent AOnChange, const TRect& ADefault) : OnChange(AOnChange), FDefaultValue(ADefault) {}

void TZCLRect::DeclareProperties(TClassDeclaration<TZCLRect>& D) {
  D.Property(u"Left", &TZCLRect::GetLeft, &TZCLRect::SetLeft).Stored(&TZCLRect::IsLeftStored);
  D.Property(u"Top", &TZCLRect::GetTop, &TZCLRect::SetTop).Stored(&TZCLRect::IsTopStored);
  D.Property(u"Right", &TZCLRect::GetRight, &TZCLRect::SetRight).Stored(&TZCLRect::IsRightStored);
  D.Property(u"Bottom", &TZCLRect::GetBottom, &TZCLRect::SetBottom).Stored(&TZCLRect::IsBottomStored);
  D.Property(u"All", &TZCLRect::GetAll, &TZCLRect::SetAll).Stored(false);
}

void TZCLRect::Assign(TPersistent* Source) {
  if (auto* other = dynamic_cast<TZCLRect*>(Source)) SetValue(other->FValue);
}

String TZCLRect::ToString() const {
  return Format(u"%d,%d,%d,%d", {FValue.Left, FValue.Top, FValue.Right, FValue.Bottom});
}

void TZCLRect::SetValue(const TRect& AValue) {
  TRect candidate = AValue;
  DoValidate(candidate);
  if (candidate == FValue) return;
  FValue = candidate;
  Changed();
}

Integer TZCLRect::GetSide(Integer Index) const {
  switch (Index) {
    case 0:
      return FValue.Left;
    case 1:
      return FValue.Top;
    case 2:
      return FValue.Right;
    default:
      return FValue.Bottom;
  }
}

void TZCLRect::SetSide(Integer Index, Integer AValue) {
  if (GetSide(Index) == AValue) return;
  TRect r = FValue;
  switch (Index) {
    case 0:
      r.Left = AValue;
      break;
    case 1:
      r.Top = AValue;
      break;
    case 2:
      r.Right = AValue;
      break;
    default:
      r.Bottom = AValue;
      break;
  }
  SetValue(r);
}

Integer TZCLRect::GetAll() const {
  const TRect& v = FValue;
  return v.Left == v.Top && v.Top == v.Right && v.Right == v.Bottom ? v.Left : 0;
}

void TZCLRect::Changed() {
  if (OnChange) OnChange(this);
}

void TZCLRect::DoValidate(TRect& AValue) {
  if (OnValidate) OnValidate(this, AValue);
}

// ---- rectangle helpers ------------------------------------------------------------------------

void RectInclude(TRect& R, const TRect& Other) {
  R.Left = std::min(R.Left, Other.Left);
  R.Top = std::min(R.Top, Other.Top);
  R.Right = std::max(R.Right, Other.Right);
  R.Bottom = std::max(R.Bottom, Other.Bottom);
}

void RectCenter(TRect& R, const TSize& Size) {
  RectCenterHorz(R, Size.cx);
  RectCenterVert(R, Size.cy);
}

namespace {
// The half rounded down, also for negative values.
Integer HalfFloor(Integer S) { return (S - (S & 1)) / 2; }
}  // namespace

void RectCenterHorz(TRect& R, Integer W) {
  R.Left = HalfFloor(R.Left + R.Right - W);
  R.Right = R.Left + W;
}

void RectCenterVert(TRect& R, Integer H) {
  R.Top = HalfFloor(R.Top + R.Bottom - H);
  R.Bottom = R.Top + H;
}

void RectContent(TRect& R, const TRect& Margins) {
  R.Left += Margins.Left;
  R.Top += Margins.Top;
  R.Right -= Margins.Right;
  R.Bottom -= Margins.Bottom;
}

void RectContentByBorders(TRect& R, const TRect& Margins, TZCLBorders Borders) {
  RectContent(R, RectFilterBorders(Margins, Borders));
}

void RectDeflateByBorders(TRect& R, Integer Value, TZCLBorders Borders) {
  RectContentByBorders(R, RectAllSides(Value), Borders);
}

TRect RectContentRect(const TRect& R, const TRect& Margins) {
  TRect result = R;
  RectContent(result, Margins);
  return result;
}

bool RectEqualSizes(const TRect& A, const TRect& B) { return A.Width() == B.Width() && A.Height() == B.Height(); }

void RectMirrorHorz(TRect& R, const TRect& Area) {
  const Integer w = R.Width();
  R.Left = Area.Left + Area.Right - R.Right;
  R.Right = R.Left + w;
}

void RectScale(TRect& R, Integer Num, Integer Den) {
  R.Left = MulDiv(R.Left, Num, Den);
  R.Top = MulDiv(R.Top, Num, Den);
  R.Right = MulDiv(R.Right, Num, Den);
  R.Bottom = MulDiv(R.Bottom, Num, Den);
}

TRect RectSplit(const TRect& R, Integer Side, Integer Size) {
  TRect result = R;
  switch (Side) {
    case 0:
      result.Right = R.Left + Size;
      break;
    case 1:
      result.Left = R.Right - Size;
      break;
    case 2:
      result.Bottom = R.Top + Size;
      break;
    case 3:
      result.Top = R.Bottom - Size;
      break;
    default:
      break;
  }
  return result;
}

TRect RectSplitAt(const TRect& R, Integer Kind, Integer Pos, Integer Size) {
  switch (Kind) {
    case 0:
      return TRect(Pos, R.Top, Pos + Size, R.Bottom);
    case 1:
      return TRect(Pos - Size, R.Top, Pos, R.Bottom);
    case 2:
      return TRect(R.Left, Pos, R.Right, Pos + Size);
    case 3:
      return TRect(R.Left, Pos - Size, R.Right, Pos);
    default:
      return R;
  }
}

TRect RectFromSize(const TSize& S) { return TRect(0, 0, S.cx, S.cy); }
TRect RectFromPoint(const TPoint& P) { return TRect(0, 0, P.X, P.Y); }
TRect RectFromPointSize(const TPoint& P, const TSize& S) { return TRect(P.X, P.Y, P.X + S.cx, P.Y + S.cy); }
TRect RectAllSides(Integer Value) { return TRect(Value, Value, Value, Value); }

TRect RectMarginsBetween(const TRect& Outer, const TRect& Inner) {
  return TRect(Inner.Left - Outer.Left, Inner.Top - Outer.Top, Outer.Right - Inner.Right, Outer.Bottom - Inner.Bottom);
}

TRect RectOffset(const TRect& R, const TPoint& P) {
  TRect result = R;
  result.Offset(P.X, P.Y);
  return result;
}

TRect RectOffsetNegative(const TRect& R, const TPoint& P) {
  TRect result = R;
  result.Offset(-P.X, -P.Y);
  return result;
}

TRect RectFilterBorders(const TRect& Margins, TZCLBorders Borders) {
  return TRect(Borders.Contains(mLeft) ? Margins.Left : 0, Borders.Contains(mTop) ? Margins.Top : 0,
               Borders.Contains(mRight) ? Margins.Right : 0, Borders.Contains(mBottom) ? Margins.Bottom : 0);
}

TSize SquareSize(Integer Value) { return TSize(Value, Value); }
TSize MakeSize(Integer A, Integer B) { return TSize(A, B); }

Integer DivCeil(Integer A, Integer B) {
  if (A <= 0 || B == 0) return 0;
  return A / B + (A % B != 0 ? 1 : 0);
}

void ReduceRatio(Integer& A, Integer& B) {
  bool found = true;
  while (found) {
    found = false;
    for (Integer i = 2; A >= i && B >= i; ++i) {
      if (A % i == 0 && B % i == 0) {
        A /= i;
        B /= i;
        found = true;
        break;
      }
    }
  }
}

// ---- fitting ----------------------------------------------------------------------------------

namespace {
// Nearest, ties to even (the default floating-point rounding mode).
Integer RoundEven(double Value) { return static_cast<Integer>(std::nearbyint(Value)); }
}  // namespace

void CalculateFitSize(Integer& W, Integer& H, Integer ContentW, Integer ContentH, TZCLFitMode Mode) {
  if (ContentW < 1 || ContentH < 1) {
    W = 0;
    H = 0;
    return;
  }
  const Integer areaW = W, areaH = H;
  const double fx = static_cast<double>(areaW) / ContentW;
  const double fy = static_cast<double>(areaH) / ContentH;
  switch (Mode) {
    case afmNormal:
      W = ContentW;
      H = ContentH;
      break;
    case afmStretch:
      break;
    case afmProportionalStretch:
      if (fy < fx) {
        W = RoundEven(ContentW * fy);
        H = areaH;
      } else {
        W = areaW;
        H = RoundEven(ContentH * fx);
      }
      break;
    case afmFill:
      if (fy < fx) {
        W = areaW;
        H = RoundEven(ContentH * fx);
      } else {
        W = RoundEven(ContentW * fy);
        H = areaH;
      }
      break;
    case afmFit:
      if (std::min(fx, fy) < 1) {
        if (fx < fy) {
          W = areaW;
          H = RoundEven(ContentH * fx);
        } else {
          W = RoundEven(ContentW * fy);
          H = areaH;
        }
      } else {
        W = ContentW;
        H = ContentH;
      }
      break;
  }
}

TSize FitSize(const TSize& Content, const TSize& Area, TZCLFitMode Mode) {
  TSize result = Area;
  CalculateFitSize(result.cx, result.cy, Content.cx, Content.cy, Mode);
  return result;
}

TRect FitRect(const TRect& Area, const TSize& Content, TZCLFitMode Mode, bool Centre) {
  const TSize size = FitSize(Content, Area.Size(), Mode);
  TRect result = Area;
  if (Centre) {
    RectCenter(result, size);
  } else {
    result.Right = result.Left + size.cx;
    result.Bottom = result.Top + size.cy;
  }
  return result;
}

void CalculateMarginParts(TZCLMarginParts& Parts, const TRect& Margins, const TRect& Dest, const TRect& Source,
                          TZCLStretchMode Mode) {
  TRect m = Margins;
  if (Mode == isCenter) {
    const TRect sourceInner = RectContentRect(Source, Margins);
    if (m.Left != 0 || m.Right != 0) {
      const Integer extra = Dest.Width() - sourceInner.Width();
      m.Left = MulDiv(m.Left, extra, m.Left + m.Right);
      m.Right = extra - m.Left;
    }
    if (m.Top != 0 || m.Bottom != 0) {
      const Integer extra = Dest.Height() - sourceInner.Height();
      m.Top = MulDiv(m.Top, extra, m.Top + m.Bottom);
      m.Bottom = extra - m.Top;
    }
  }
  const TRect inner = RectContentRect(Dest, m);
  const Integer x[3][2] = {{Dest.Left, inner.Left}, {inner.Left, inner.Right}, {inner.Right, Dest.Right}};
  const Integer y[3][2] = {{Dest.Top, inner.Top}, {inner.Top, inner.Bottom}, {inner.Bottom, Dest.Bottom}};
  // Column and row of each part, in TZCLMarginPart order.
  static const Integer kCol[8] = {0, 0, 0, 1, 1, 2, 2, 2};
  static const Integer kRow[8] = {0, 1, 2, 0, 2, 1, 0, 2};
  for (Integer i = 0; i < 8; ++i) Parts[i] = TRect(x[kCol[i]][0], y[kRow[i]][0], x[kCol[i]][1], y[kRow[i]][1]);
  Parts[mzClient] = inner;
}

// ---- TZCLAutoSizeCalculator -------------------------------------------------------------------

TZCLAutoSizeItem* TZCLAutoSizeCalculator::Add(Integer ASize, Integer AMinSize, Integer AMaxSize, bool Resizable) {
  auto* item = new TZCLAutoSizeItem();
  item->MinSize = AMinSize;
  item->MaxSize = !Resizable ? AMinSize : (AMaxSize == 0 ? INT_MAX : AMaxSize);
  item->Size = std::max(ASize, AMinSize);
  Add(item);
  return item;
}

void TZCLAutoSizeCalculator::Calculate() {
  const Integer count = GetCount();
  auto freeSpace = [&] {
    Int64 sum = 0;
    for (Integer i = 0; i < count; ++i) sum += GetItem(i)->Size;
    return static_cast<Integer>(std::clamp<Int64>(AvailableSize - sum, INT_MIN, INT_MAX));
  };
  // Growth in proportion to the current sizes.
  Integer prev = 0;
  for (;;) {
    const Integer free = freeSpace();
    if (free < count) break;
    for (Integer i = 0; i < count; ++i) {
      TZCLAutoSizeItem* item = GetItem(i);
      const Int64 grown = Int64(item->Size) + MulDiv(item->Size, free, AvailableSize);
      item->Size = static_cast<Integer>(std::min<Int64>(grown, item->MaxSize));
    }
    if (free == 0 || free == prev) break;
    prev = free;
  }
  // Whatever is left, one unit at a time from the last item backwards.
  prev = 0;
  for (;;) {
    Integer free = freeSpace();
    const Integer step = free > 0 ? 1 : (free < 0 ? -1 : 0);
    if (step != 0) {
      for (Integer i = count - 1; i >= 0 && free != 0; --i) {
        TZCLAutoSizeItem* item = GetItem(i);
        const Integer size = item->Size + step;
        if (size < item->MinSize || size > item->MaxSize) continue;
        item->Size = size;
        free -= step;
      }
    }
    if (free == 0 || free == prev) break;
    prev = free;
  }
}
