#include "zcl/ui/controls/ZCL.UI.Controls.Slider.h"

#include <algorithm>
#include <cmath>

#include "os/OS.Text.h"
#include "rtl/RTL.Format.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.UI.HintWindow.h"
#include "zcl/ui/ZCL.Utils.Desktop.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

// ---- options ------------------------------------------------------------------------------------

void TZCLSliderOptions::DeclareProperties(TClassDeclaration<TZCLSliderOptions>& D) {
  using C = TZCLSliderOptions;
  D.Property(u"ImmediateUpdate", &C::GetImmediateUpdate, &C::SetImmediateUpdate).Default(true);
  D.Property(u"MagnetToDefaultValue", &C::GetMagnetToDefaultValue, &C::SetMagnetToDefaultValue).Default(false);
  D.Property(u"MarkSize", &C::GetMarkSize, &C::SetMarkSize).Default(3);
  D.Property(u"MarkVisible", &C::GetMarkVisible, &C::SetMarkVisible).Default(true);
  D.Property(u"TrackAreaOffset", &C::GetTrackAreaOffset, &C::SetTrackAreaOffset).Default(5);
}

void TZCLSliderOptions::SetMarkSize(Integer Value) {
  Value = EnsureRange(Value, 1, 5);
  if (FMarkSize == Value) return;
  FMarkSize = Value;
  if (FMarkVisible) Changed(SliderChangeLayout);
}

void TZCLSliderOptions::DoAssign(TPersistent* Source) {
  auto* s = dynamic_cast<TZCLSliderOptions*>(Source);
  if (!s) return inherited::DoAssign(Source);
  SetImmediateUpdate(s->FImmediateUpdate);
  SetMagnetToDefaultValue(s->FMagnetToDefaultValue);
  SetMarkVisible(s->FMarkVisible);
  SetMarkSize(s->FMarkSize);
  SetTrackAreaOffset(s->FTrackAreaOffset);
}

void TZCLSliderOptions::DoChanged(TZCLPersistentChanges Changes) {
  if (FOwner) FOwner->OptionsChanged(Changes);
}

void TZCLSliderOptionsLabels::DeclareProperties(TClassDeclaration<TZCLSliderOptionsLabels>& D) {
  using C = TZCLSliderOptionsLabels;
  D.Property(u"CurrentValue", CurrentValueIndex, &C::GetText, &C::SetText).Default(u"");
  D.Property(u"CurrentValueWidth", CurrentValueIndex, &C::GetWidth, &C::SetWidth).Default(0);
  D.Property(u"Layout", &C::GetLayout, &C::SetLayout).Default(sllAroundEdges);
  D.Property(u"MaxValue", MaxValueIndex, &C::GetText, &C::SetText).Default(u"");
  D.Property(u"MaxValueWidth", MaxValueIndex, &C::GetWidth, &C::SetWidth).Default(0);
  D.Property(u"MinValue", MinValueIndex, &C::GetText, &C::SetText).Default(u"");
  D.Property(u"MinValueWidth", MinValueIndex, &C::GetWidth, &C::SetWidth).Default(0);
}

void TZCLSliderOptionsLabels::SetText(Integer Index, const String& Value) {
  if (FTexts[size_t(Index)] == Value) return;
  FTexts[size_t(Index)] = Value;
  if (Index == CurrentValueIndex) FCurrentValueIsFormat = Value.find(u'%') != String::npos;
  Changed(SliderChangeLabels);
}

void TZCLSliderOptionsLabels::SetWidth(Integer Index, Integer Value) {
  SetIntegerField(FWidths[size_t(Index)], std::max(Value, 0), SliderChangeLabels);
}

void TZCLSliderOptionsLabels::SetLayout(TZCLSliderLabelsLayout Value) {
  if (FLayout == Value) return;
  FLayout = Value;
  Changed(SliderChangeLabels);
}

void TZCLSliderOptionsLabels::DoAssign(TPersistent* Source) {
  auto* s = dynamic_cast<TZCLSliderOptionsLabels*>(Source);
  if (!s) return inherited::DoAssign(Source);
  for (Integer i = 0; i < 3; ++i) {
    SetText(i, s->FTexts[size_t(i)]);
    SetWidth(i, s->FWidths[size_t(i)]);
  }
  SetLayout(s->FLayout);
}

void TZCLSliderOptionsLabels::DoChanged(TZCLPersistentChanges Changes) {
  if (FOwner) FOwner->OptionsChanged(Changes);
}

void TZCLSliderOptionsValue::DeclareProperties(TClassDeclaration<TZCLSliderOptionsValue>& D) {
  using C = TZCLSliderOptionsValue;
  // Stored by value, so that a default of exactly 0 in range is written too.
  D.Property(u"Default", &C::GetDefault, &C::SetDefault).Stored(&C::IsDefaultStored);
  D.Property(u"Max", &C::GetMax, &C::SetMax).Stored(&C::IsMaxStored);
  D.Property(u"Min", &C::GetMin, &C::SetMin).Stored(&C::IsMinStored);
  D.Property(u"Page", &C::GetPage, &C::SetPage).Stored(&C::IsPageStored);
  D.Property(u"Paginate", &C::GetPaginate, &C::SetPaginate).Default(false);
  D.Property(u"Reverse", &C::GetReverse, &C::SetReverse).Default(false);
  D.Property(u"SmallChange", &C::GetSmallChange, &C::SetSmallChange).Stored(&C::IsSmallChangeStored);
}

void TZCLSliderOptionsValue::SetMax(Single Value) {
  Value = std::max(Value, FMin + 1);
  if (FMax == Value) return;
  FMax = Value;
  if (FOwner) FOwner->ValueRangeChanged();
  Changed(SliderChangeLayout);
}

void TZCLSliderOptionsValue::SetMin(Single Value) {
  Value = std::min(Value, FMax - 1);
  if (FMin == Value) return;
  FMin = Value;
  if (FOwner) FOwner->ValueRangeChanged();
  Changed(SliderChangeLayout);
}

Single TZCLSliderOptionsValue::Validate(Single Value) const {
  if (FPaginate) Value = Single(std::nearbyint((Value - FMin) / FPage)) * FPage + FMin;
  return std::min(std::max(Value, FMin), FMax);
}

void TZCLSliderOptionsValue::DoAssign(TPersistent* Source) {
  auto* s = dynamic_cast<TZCLSliderOptionsValue*>(Source);
  if (!s) return inherited::DoAssign(Source);
  SetDefault(s->FDefault);
  // Widen first so that neither limit is clamped by the other's old value.
  FMin = std::min(FMin, s->FMin);
  FMax = std::max(FMax, s->FMax);
  SetMin(s->FMin);
  SetMax(s->FMax);
  SetPage(s->FPage);
  SetPaginate(s->FPaginate);
  SetReverse(s->FReverse);
  SetSmallChange(s->FSmallChange);
  Changed(SliderChangeLayout);
}

void TZCLSliderOptionsValue::DoChanged(TZCLPersistentChanges Changes) {
  if (FOwner) FOwner->OptionsChanged(Changes);
}

// ---- style --------------------------------------------------------------------------------------

void TZCLStyleSlider::DeclareProperties(TClassDeclaration<TZCLStyleSlider>& D) {
  D.Property(u"ColorMark", 6, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorMarkDisabled", 7, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorRangeLabel", 8, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"ColorDefaultValue", 9, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
  D.Property(u"Texture", 0, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
  D.Property(u"TextureThumb", 1, &TZCLStyle::GetTexture, &TZCLStyle::SetTexture);
}

void TZCLStyleSlider::InitializeResources() {
  inherited::InitializeResources();
  GetColor(6)->InitializeAsRef(u"Slider.Colors.Mark", true);
  GetColor(7)->InitializeAsRef(u"Slider.Colors.MarkDisabled", true);
  GetColor(8)->InitializeAsRef(u"Common.Colors.TextDisabled", false);
  GetColor(9)->InitializeAsRef(u"Slider.Colors.DefaultValue", true);
  TZCLStyle::GetTexture(0)->InitializeDefault(u"Slider.Textures.Background");
  TZCLStyle::GetTexture(1)->InitializeDefault(u"Slider.Textures.Thumb");
}

// ---- view info ----------------------------------------------------------------------------------

Integer TZCLSliderViewInfo::Scale(Integer Value) { return ScaleByDPI(Value, FSlider->GetCurrentPPI()); }

Integer TZCLSliderViewInfo::MarkExtent() {
  return FSlider->GetOptions()->GetMarkVisible() ? Scale(FSlider->GetOptions()->GetMarkSize()) : 0;
}

void TZCLSliderViewInfo::CalculateLabelSizes() {
  TZCLSliderOptionsLabels* o = FSlider->GetOptionsLabels();
  TZCLSliderOptionsValue* v = FSlider->GetOptionsValue();
  TFont* font = FSlider->GetFont();
  const Integer lineHeight = MeasureTextSize(font, u"Qq").cy;
  CurrentValueLabel = LabelA = LabelB = TZCLSliderLabel();
  if (o->HasRangeLabels()) {
    TZCLStyleSlider* style = FSlider->GetSliderStyle();
    const bool reverse = v->GetReverse();
    auto range = [&](TZCLSliderLabel& L, Integer Index) {
      L.Text = o->GetText(Index);
      L.Color = style->GetColorRangeLabel()->GetAsColor();
      L.Size = o->GetWidth(Index) > 0 ? TSize(Scale(o->GetWidth(Index)), lineHeight) : MeasureTextSize(font, L.Text);
    };
    range(LabelA, reverse ? TZCLSliderOptionsLabels::MinValueIndex : TZCLSliderOptionsLabels::MaxValueIndex);
    range(LabelB, reverse ? TZCLSliderOptionsLabels::MaxValueIndex : TZCLSliderOptionsLabels::MinValueIndex);
  }
  const String current = o->GetText(TZCLSliderOptionsLabels::CurrentValueIndex);
  if (!current.empty()) {
    auto text = [&](Single Value) { return o->IsCurrentValueFormat() ? Format(current, {double(Value)}) : current; };
    TZCLStyleSlider* style = FSlider->GetSliderStyle();
    CurrentValueLabel.Text = text(FSlider->GetShownValue());
    CurrentValueLabel.Color = (FSlider->GetEnabled() ? style->GetColorText() : style->GetColorTextDisabled())->GetAsColor();
    if (o->GetWidth(TZCLSliderOptionsLabels::CurrentValueIndex) >= 1) {
      CurrentValueLabel.Size = TSize(Scale(o->GetWidth(TZCLSliderOptionsLabels::CurrentValueIndex)), lineHeight);
    } else {
      // The widest of the extremes, so that the label does not jump while the value moves.
      const TSize a = MeasureTextSize(font, text(v->GetMax())), b = MeasureTextSize(font, text(v->GetMin()));
      CurrentValueLabel.Size = TSize(std::max(a.cx, b.cx), std::max(a.cy, b.cy));
    }
  }
}

void TZCLSliderViewInfo::Calculate() {
  TRect r = FSlider->GetClientRect();
  if (FSlider->GetOptionsLabels()->HasLabels()) {
    CalculateLabelSizes();
    PlaceLabels(r);
  } else {
    CurrentValueLabel = LabelA = LabelB = TZCLSliderLabel();
  }
  const Integer dpi = FSlider->GetCurrentPPI();
  TZCLPadding* p = FSlider->GetPadding();
  r.Left += ScaleByDPI(p->GetLeft(), dpi);
  r.Top += ScaleByDPI(p->GetTop(), dpi);
  r.Right -= ScaleByDPI(p->GetRight(), dpi);
  r.Bottom -= ScaleByDPI(p->GetBottom(), dpi);
  SetThumbArea(r);
  CalculateTrack();
  TZCLSliderOptionsValue* v = FSlider->GetOptionsValue();
  const Single range = v->GetRange();
  if (range > 0) {
    Single relative = (FSlider->GetShownValue() - v->GetMin()) / range;
    if (v->GetReverse()) relative = 1 - relative;
    CalculateThumb(relative);
  } else {
    ThumbRect = TRect();
  }
  Ticks.clear();
  if (FSlider->GetOptions()->GetMarkVisible() && range > 0) {
    const Single step = v->GetPage() * GetFreeLength() / range;
    if (step > 0) CalculateTicks(step);
  }
}

void TZCLSliderViewInfo::CalculateDefaultValueMark(bool Horizontal) {
  DefaultValueMark = TRect();
  TZCLSliderOptionsValue* v = FSlider->GetOptionsValue();
  if (!v->HasDefault() || v->GetRange() <= 0) return;
  const Single r = v->GetReverse() ? (v->GetMax() - v->GetDefault()) / v->GetRange()
                                   : (v->GetDefault() - v->GetMin()) / v->GetRange();
  const Integer at = GetThumbSize() / 2 + Integer(std::trunc(GetFreeLength() * r));
  const Integer thick = Scale(1);
  if (Horizontal)
    DefaultValueMark = TRect(TrackRect.Left + at, TrackRect.Top + 1, TrackRect.Left + at + thick, TrackRect.Bottom - 1);
  else
    DefaultValueMark = TRect(TrackRect.Left + 1, TrackRect.Top + at, TrackRect.Right - 1, TrackRect.Top + at + thick);
}

TSize TZCLSliderViewInfo::MeasureSize() {
  TZCLSliderOptions* o = FSlider->GetOptions();
  return TSize(3 * GetThumbSize(), 2 * Scale(o->GetTrackAreaOffset()) + 2 * MarkExtent() + Scale(6) + 3);
}

namespace {
TRect CenteredIn(const TRect& R, const TSize& S, bool Horz, bool Vert) {
  TRect r = R;
  if (Horz) {
    r.Left = R.Left + (R.Width() - S.cx) / 2;
    r.Right = r.Left + S.cx;
  }
  if (Vert) {
    r.Top = R.Top + (R.Height() - S.cy) / 2;
    r.Bottom = r.Top + S.cy;
  }
  return r;
}
}  // namespace

void TZCLSliderHorizontalViewInfo::PlaceLabels(TRect& R) {
  const Integer g = Scale(5);
  const TZCLSliderLabelsLayout layout = FSlider->GetOptionsLabels()->GetLayout();
  TZCLSliderLabel& c = CurrentValueLabel;
  if (layout != sllAroundEdges) {
    const Integer h = std::max({c.Size.cy, LabelA.Size.cy, LabelB.Size.cy});
    TRect row = R;
    if (layout == sllAfterTrackBar) {
      row.Top = R.Bottom - h;
      R.Bottom = row.Top - g;
    } else {
      row.Bottom = R.Top + h;
      R.Top = row.Bottom + g;
    }
    LabelB.Rect = TRect(row.Left, row.Top, row.Left + LabelB.Size.cx, row.Bottom);
    LabelB.Alignment = 0;
    LabelA.Rect = TRect(row.Right - LabelA.Size.cx, row.Top, row.Right, row.Bottom);
    LabelA.Alignment = 1;
    c.Rect = CenteredIn(row, c.Size, true, false);
    c.Alignment = 2;
  } else if (FSlider->GetOptionsLabels()->HasRangeLabels()) {
    if (c.Size.cx > 0) {
      c.Rect = TRect(R.Left, R.Bottom - c.Size.cy, R.Right, R.Bottom);
      c.Alignment = 2;
      R.Bottom = c.Rect.Top - g;
    }
    const TRect row = CenteredIn(R, TSize(0, std::max(LabelA.Size.cy, LabelB.Size.cy)), false, true);
    LabelB.Rect = TRect(R.Left, row.Top, R.Left + LabelB.Size.cx, row.Bottom);
    LabelA.Rect = TRect(R.Right - LabelA.Size.cx, row.Top, R.Right, row.Bottom);
    R.Left = LabelB.Rect.Right + g;
    R.Right = LabelA.Rect.Left - g;
    LabelB.Alignment = 1;  // towards the track
    LabelA.Alignment = 0;
  } else if (c.Size.cx > 0) {
    c.Rect = CenteredIn(TRect(R.Right - c.Size.cx, R.Top, R.Right, R.Bottom), c.Size, false, true);
    c.Alignment = 0;
    R.Right = c.Rect.Left - g;
  }
}

void TZCLSliderVerticalViewInfo::PlaceLabels(TRect& R) {
  const Integer g = Scale(5);
  const TZCLSliderLabelsLayout layout = FSlider->GetOptionsLabels()->GetLayout();
  TZCLSliderLabel& c = CurrentValueLabel;
  if (layout != sllAroundEdges) {
    const Integer w = std::max({c.Size.cx, LabelA.Size.cx, LabelB.Size.cx});
    TRect column = R;
    if (layout == sllAfterTrackBar) {
      column.Left = R.Right - w;
      R.Right = column.Left - g;
    } else {
      column.Right = R.Left + w;
      R.Left = column.Right + g;
    }
    const Integer align = layout == sllAfterTrackBar ? 0 : 1;
    LabelB.Rect = TRect(column.Left, column.Top, column.Right, column.Top + LabelB.Size.cy);
    LabelA.Rect = TRect(column.Left, column.Bottom - LabelA.Size.cy, column.Right, column.Bottom);
    c.Rect = CenteredIn(column, TSize(w, c.Size.cy), false, true);
    LabelA.Alignment = LabelB.Alignment = c.Alignment = align;
  } else if (FSlider->GetOptionsLabels()->HasRangeLabels()) {
    if (c.Size.cx > 0) {
      c.Rect = CenteredIn(TRect(R.Right - c.Size.cx, R.Top, R.Right, R.Bottom), c.Size, false, true);
      c.Alignment = 0;
      R.Right = c.Rect.Left - g;
    }
    const TRect column = CenteredIn(R, TSize(std::max(LabelA.Size.cx, LabelB.Size.cx), 0), true, false);
    LabelB.Rect = TRect(column.Left, R.Top, column.Right, R.Top + LabelB.Size.cy);
    LabelA.Rect = TRect(column.Left, R.Bottom - LabelA.Size.cy, column.Right, R.Bottom);
    LabelA.Alignment = LabelB.Alignment = 2;
    R.Top = LabelB.Rect.Bottom + g;
    R.Bottom = LabelA.Rect.Top - g;
  } else if (c.Size.cx > 0) {
    c.Rect = TRect(R.Left, R.Top, R.Right, R.Top + c.Size.cy);
    c.Alignment = 2;
    R.Top = c.Rect.Bottom + g;
  }
}

void TZCLSliderHorizontalViewInfo::SetThumbArea(const TRect& Rect) {
  ThumbArea = Rect;
  const Integer m = MarkExtent() + 1;
  ThumbArea.Top += m;
  ThumbArea.Bottom -= m;
}

void TZCLSliderVerticalViewInfo::SetThumbArea(const TRect& Rect) {
  ThumbArea = Rect;
  const Integer m = MarkExtent() + 1;
  ThumbArea.Left += m;
  ThumbArea.Right -= m;
}

void TZCLSliderHorizontalViewInfo::CalculateTrack() {
  TrackRect = ThumbArea;
  const Integer d = Scale(FSlider->GetOptions()->GetTrackAreaOffset());
  TrackRect.Top += d;
  TrackRect.Bottom -= d;
  CalculateDefaultValueMark(true);
}

void TZCLSliderVerticalViewInfo::CalculateTrack() {
  TrackRect = ThumbArea;
  const Integer d = Scale(FSlider->GetOptions()->GetTrackAreaOffset());
  TrackRect.Left += d;
  TrackRect.Right -= d;
  CalculateDefaultValueMark(false);
}

Integer TZCLSliderHorizontalViewInfo::GetThumbSize() {
  return FSlider->GetSliderStyle()->GetTextureThumb()->GetFrameWidth();
}
Integer TZCLSliderVerticalViewInfo::GetThumbSize() {
  return FSlider->GetSliderStyle()->GetTextureThumb()->GetFrameHeight();
}

void TZCLSliderHorizontalViewInfo::CalculateThumb(Single Relative) {
  const Integer left = ThumbArea.Left + Integer(std::trunc(GetFreeLength() * Relative));
  ThumbRect = TRect(left, ThumbArea.Top, left + GetThumbSize(), ThumbArea.Bottom);
}

void TZCLSliderVerticalViewInfo::CalculateThumb(Single Relative) {
  const Integer top = ThumbArea.Top + Integer(std::trunc(GetFreeLength() * Relative));
  ThumbRect = TRect(ThumbArea.Left, top, ThumbArea.Right, top + GetThumbSize());
}

void TZCLSliderHorizontalViewInfo::CalculateTicks(Single Step) {
  const Integer thick = Scale(1), len = Scale(FSlider->GetOptions()->GetMarkSize());
  const Integer half = GetThumbSize() / 2;
  for (Single p = Single(half); p <= ThumbArea.Width() - half + 1; p += Step) {
    const Integer x = ThumbArea.Left + Integer(std::trunc(p)) - thick / 2;
    Ticks.push_back(TRect(x, ThumbArea.Top - 1 - len, x + thick, ThumbArea.Top - 1));
    Ticks.push_back(TRect(x, ThumbArea.Bottom + 1, x + thick, ThumbArea.Bottom + 1 + len));
  }
}

void TZCLSliderVerticalViewInfo::CalculateTicks(Single Step) {
  const Integer thick = Scale(1), len = Scale(FSlider->GetOptions()->GetMarkSize());
  const Integer half = GetThumbSize() / 2;
  for (Single p = Single(half); p <= ThumbArea.Height() - half + 1; p += Step) {
    const Integer y = ThumbArea.Top + Integer(std::trunc(p)) - thick / 2;
    Ticks.push_back(TRect(ThumbArea.Left - 1 - len, y, ThumbArea.Left - 1, y + thick));
    Ticks.push_back(TRect(ThumbArea.Right + 1, y, ThumbArea.Right + 1 + len, y + thick));
  }
}

Single TZCLSliderHorizontalViewInfo::RelativeFromPoint(Integer X, Integer) {
  const Integer free = GetFreeLength();
  return free > 0 ? Single(X - ThumbArea.Left - GetThumbSize() / 2.0) / Single(free) : 0;
}

Single TZCLSliderVerticalViewInfo::RelativeFromPoint(Integer, Integer Y) {
  const Integer free = GetFreeLength();
  return free > 0 ? Single(Y - ThumbArea.Top - GetThumbSize() / 2.0) / Single(free) : 0;
}

TSize TZCLSliderHorizontalViewInfo::MeasureSize() {
  const TSize base = inherited::MeasureSize();
  TZCLPadding* p = FSlider->GetPadding();
  const Integer dpi = FSlider->GetCurrentPPI();
  Integer w = base.cx + ScaleByDPI(p->GetLeft() + p->GetRight(), dpi);
  Integer h = base.cy + ScaleByDPI(p->GetTop() + p->GetBottom(), dpi);
  TZCLSliderOptionsLabels* o = FSlider->GetOptionsLabels();
  if (!o->HasLabels()) return TSize(w, h);
  // Measuring must not disturb the placed labels of the last calculation.
  const TZCLSliderLabel savedC = CurrentValueLabel, savedA = LabelA, savedB = LabelB;
  CalculateLabelSizes();
  const TSize c = CurrentValueLabel.Size, a = LabelA.Size, b = LabelB.Size;
  CurrentValueLabel = savedC;
  LabelA = savedA;
  LabelB = savedB;
  const Integer g = Scale(5);
  if (o->GetLayout() != sllAroundEdges) {
    h += g + std::max({c.cy, a.cy, b.cy});
    w = std::max(w, c.cx + a.cx + b.cx + 2 * g);
  } else if (o->HasRangeLabels()) {
    w += a.cx + b.cx + 2 * g;
    h = std::max(h, std::max(a.cy, b.cy));
    if (c.cx > 0) h += g + c.cy;
  } else if (c.cx > 0) {
    w += g + c.cx;
    h = std::max(h, c.cy);
  }
  return TSize(w, h);
}

TSize TZCLSliderVerticalViewInfo::MeasureSize() {
  const TSize base = inherited::MeasureSize();
  TZCLPadding* p = FSlider->GetPadding();
  const Integer dpi = FSlider->GetCurrentPPI();
  Integer w = base.cy + ScaleByDPI(p->GetLeft() + p->GetRight(), dpi);
  Integer h = base.cx + ScaleByDPI(p->GetTop() + p->GetBottom(), dpi);
  TZCLSliderOptionsLabels* o = FSlider->GetOptionsLabels();
  if (!o->HasLabels()) return TSize(w, h);
  // Measuring must not disturb the placed labels of the last calculation.
  const TZCLSliderLabel savedC = CurrentValueLabel, savedA = LabelA, savedB = LabelB;
  CalculateLabelSizes();
  const TSize c = CurrentValueLabel.Size, a = LabelA.Size, b = LabelB.Size;
  CurrentValueLabel = savedC;
  LabelA = savedA;
  LabelB = savedB;
  const Integer g = Scale(5);
  if (o->GetLayout() != sllAroundEdges) {
    w += g + std::max({c.cx, a.cx, b.cx});
    h = std::max(h, c.cy + a.cy + b.cy + 2 * g);
  } else if (o->HasRangeLabels()) {
    for (const TSize* l : {&a, &b})
      if (l->cx > 0) {
        h += g + l->cy;
        w = std::max(w, l->cx);
      }
    if (c.cx > 0) w += g + c.cx;
  } else if (c.cx > 0) {
    h += c.cy + g;
    w = std::max(w, c.cx);
  }
  return TSize(w, h);
}

void TZCLSliderHorizontalViewInfo::CalculateAutoSize(Integer& Width, Integer& Height) {
  const TSize s = MeasureSize();
  Width = std::max(Width, s.cx);
  Height = FSlider->GetAutoSize() ? s.cy : std::max(Height, s.cy);
}

void TZCLSliderVerticalViewInfo::CalculateAutoSize(Integer& Width, Integer& Height) {
  const TSize s = MeasureSize();
  Height = std::max(Height, s.cy);
  Width = FSlider->GetAutoSize() ? s.cx : std::max(Width, s.cx);
}

// ---- the control --------------------------------------------------------------------------------

const TMessageTable& TZCLSlider::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(CM_ENABLEDCHANGED, &TZCLSlider::CMEnabledChanged),
                                    VCL_MESSAGE(WM_GETDLGCODE, &TZCLSlider::WMGetDlgCode)});
  return table;
}

TZCLSlider::TZCLSlider(TComponent* AOwner) : TZCLContainer(AOwner) {
  FOptions = CreateOptions();
  FOptionsValue = CreateOptionsValue();
  FOptionsLabels = CreateOptionsLabels();
  FViewInfo = CreateViewInfo();
  SetBounds(GetLeft(), GetTop(), 20, 100);
  SetFocusOnClick(true);
  SetParentDoubleBuffered(false);
  SetDoubleBuffered(true);
  SetBorders({});
  SetTabStop(true);
}

TZCLSlider::~TZCLSlider() {
  Free(FHintTimer);
  Free(FHintWindow);
  Free(FViewInfo);
  FViewInfo = nullptr;
  Free(FOptionsLabels);
  Free(FOptionsValue);
  Free(FOptions);
}

void TZCLSlider::AfterConstruction() {
  inherited::AfterConstruction();  // creates the style, which the geometry needs
  SetBounds(GetLeft(), GetTop(), GetWidth(), GetHeight());
  Calculate();
}

void TZCLSlider::BeforeDestruction() {
  HideValueHint();
  inherited::BeforeDestruction();
}

void TZCLSlider::DeclareProperties(TClassDeclaration<TZCLSlider>& D) {
  using C = TZCLSlider;
  D.Property(u"AutoSize", &C::GetAutoSize, &C::SetAutoSize).Default(false);
  D.Property(u"DoubleBuffered", &C::GetDoubleBuffered, &C::SetDoubleBuffered).Default(true);
  D.Property(u"Orientation", &C::GetOrientation, &C::SetOrientation).Default(oVertical);
  D.Property(u"Options", &C::GetOptions, &C::SetOptions);
  D.Property(u"OptionsLabels", &C::GetOptionsLabels, &C::SetOptionsLabels);
  D.Property(u"OptionsValue", &C::GetOptionsValue, &C::SetOptionsValue);
  D.Property(u"Position", &C::GetPosition, &C::SetPosition).Stored(&C::IsPositionStored);
  D.Property(u"Style", &C::GetSliderStyle, &C::SetSliderStyle);
  D.Event(u"OnChange", &C::OnChange);
  D.Event(u"OnDrawBackground", &C::OnDrawBackground);
  D.Event(u"OnDrawThumb", &C::OnDrawThumb);
  D.Event(u"OnGetHint", &C::OnGetHint);
}

TZCLStyleBackground* TZCLSlider::CreateStyle() { return Create<TZCLStyleSlider>(static_cast<TObject*>(this)); }

TZCLSliderViewInfo* TZCLSlider::CreateViewInfo() {
  if (FOrientation == oVertical) return new TZCLSliderVerticalViewInfo(this);
  return new TZCLSliderHorizontalViewInfo(this);
}

void TZCLSlider::Calculate() {
  if (!FViewInfo || !GetStyle() || GetComponentState().Contains(csDestroying)) return;
  FViewInfo->Calculate();
}

void TZCLSlider::OptionsChanged(TZCLPersistentChanges Changes) {
  if (!FViewInfo || !GetStyle()) return;
  if (Changes & (SliderChangeLabels | SliderChangeLayout)) {
    Calculate();
    AdjustSize();
    FullRefresh();
  }
  Invalidate();
}

void TZCLSlider::SetOrientation(TZCLOrientation Value) {
  if (FOrientation == Value) return;
  FOrientation = Value;
  const TComponentState state = GetComponentState();
  if (state.Contains(csDesigning) && !state.Contains(csLoading))
    SetBounds(GetLeft(), GetTop(), GetHeight(), GetWidth());
  Free(FViewInfo);
  FViewInfo = CreateViewInfo();
  Calculate();
  AdjustSize();
  FullRefresh();
}

Integer TZCLSlider::GetPositionAsInteger() const { return Integer(std::nearbyint(FPosition)); }

Single TZCLSlider::GetShownValue() const {
  return FDragging && !FOptions->GetImmediateUpdate() ? FDragValue : FPosition;
}

void TZCLSlider::SetPosition(Single Value) { SetPositionCore(Value, FOptions->GetImmediateUpdate()); }

void TZCLSlider::SetPositionCore(Single Value, bool Notify) {
  Value = FOptionsValue->Validate(Value);
  if (Value == FPosition) return;
  FPosition = Value;
  if (Notify && OnChange) OnChange(this);
  Calculate();
  Invalidate();
}

Single TZCLSlider::ValueFromPoint(Integer X, Integer Y) {
  Single t = FViewInfo->RelativeFromPoint(X, Y);
  if (!(t > 0)) t = 0;
  if (!(t < 1)) t = 1;
  if (FOptionsValue->GetReverse()) t = 1 - t;
  const Single range = FOptionsValue->GetRange();
  Single v = FOptionsValue->Validate(range * t + FOptionsValue->GetMin());
  const Integer free = FViewInfo->GetFreeLength();
  if (FOptions->GetMagnetToDefaultValue() && FOptionsValue->HasDefault() && free > 0 &&
      range * range / 200 / free > std::fabs(FOptionsValue->GetDefault() - v))
    v = FOptionsValue->GetDefault();
  return v;
}

void TZCLSlider::ApplyMouseValue(Single Value) {
  Value = FOptionsValue->Validate(Value);
  if (FOptions->GetImmediateUpdate() || !FDragging)
    SetPosition(Value);
  else
    FDragValue = Value;
  Calculate();
  Invalidate();
}

void TZCLSlider::Step(Integer Direction, Single Amount) {
  const bool vertical = FOrientation == oVertical, reverse = FOptionsValue->GetReverse();
  const bool plus = (vertical == reverse && Direction == 1) || (vertical != reverse && Direction == 0);
  SetPositionCore(FPosition + (plus ? Amount : -Amount), true);
}

bool TZCLSlider::CanAutoSize(Integer& NewWidth, Integer& NewHeight) {
  if (FViewInfo && GetStyle()) FViewInfo->CalculateAutoSize(NewWidth, NewHeight);
  return true;
}

void TZCLSlider::SetBounds(Integer ALeft, Integer ATop, Integer AWidth, Integer AHeight) {
  if (FViewInfo && GetStyle() && !GetComponentState().Contains(csLoading) && !IsScaleChanging())
    FViewInfo->CalculateAutoSize(AWidth, AHeight);
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TZCLSlider::BoundsChanged() {
  inherited::BoundsChanged();
  Calculate();
}

void TZCLSlider::DrawBackground(TCanvas* Canvas, const TRect& R) {
  bool handled = false;
  if (OnDrawBackground) OnDrawBackground(this, Canvas, R, handled);
  if (!handled) GetSliderStyle()->GetTexture()->Draw(Canvas, R, GetEnabled() ? 1 : 0);
}

void TZCLSlider::DrawThumb(TCanvas* Canvas, const TRect& R) {
  bool handled = false;
  if (OnDrawThumb) OnDrawThumb(this, Canvas, R, handled);
  if (!handled) GetSliderStyle()->GetTextureThumb()->Draw(Canvas, R, FThumbState);
}

void TZCLSlider::Paint() {
  inherited::Paint();
  TCanvas* canvas = GetCanvas();
  TZCLStyleSlider* style = GetSliderStyle();
  DrawBackground(canvas, FViewInfo->TrackRect);
  if (!FViewInfo->DefaultValueMark.IsEmpty())
    FillRectAlpha(canvas, FViewInfo->DefaultValueMark, TAlphaColorHelper::FromColor(style->GetColorDefaultValue()->GetAsColor()));
  if (!FViewInfo->ThumbRect.IsEmpty()) DrawThumb(canvas, FViewInfo->ThumbRect);
  const TColor mark = (GetEnabled() ? style->GetColorMark() : style->GetColorMarkDisabled())->GetAsColor();
  if (mark != clNone && mark != clDefault)
    for (const TRect& tick : FViewInfo->Ticks) FillRectColor(canvas, tick, mark);
  canvas->GetFont()->Assign(GetFont());
  canvas->GetBrush()->SetStyle(TBrushStyle::bsClear);
  for (const TZCLSliderLabel* label : {&FViewInfo->CurrentValueLabel, &FViewInfo->LabelB, &FViewInfo->LabelA}) {
    if (label->Rect.IsEmpty()) continue;
    canvas->GetFont()->SetColor(label->Color);
    TRect r = label->Rect;
    const UINT align = label->Alignment == 1 ? DT_RIGHT : label->Alignment == 2 ? DT_CENTER : DT_LEFT;
    CanvasDrawText(canvas, r, label->Text, align | DT_TOP | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
}

void TZCLSlider::UpdateThumbState(const TPoint& P) {
  Integer state = 0;
  if (!GetEnabled())
    state = 3;
  else if (FViewInfo->ThumbRect.Contains(P) || (Focused() && !GetComponentState().Contains(csDesigning)))
    state = FDragging ? 2 : 1;
  if (state == FThumbState) return;
  FThumbState = state;
  InvalidateRect(FViewInfo->ThumbRect);
}

void TZCLSlider::FocusChanged() {
  inherited::FocusChanged();
  UpdateThumbState(ScreenToClient(GetMouseCursorPos()));
  Invalidate();
}

void TZCLSlider::CMEnabledChanged(TMessage& Message) {
  DispatchFrom(&inherited::MessageTable(), Message);
  UpdateThumbState(ScreenToClient(GetMouseCursorPos()));
  Calculate();
  Invalidate();
}

void TZCLSlider::WMGetDlgCode(TMessage& Message) { Message.Result = DLGC_WANTARROWS; }

void TZCLSlider::DoGetHint(const TPoint& Point, String& Hint) {
  if (FDragging) {
    Hint.clear();
    return;
  }
  if (OnGetHint) OnGetHint(this, FPosition, Hint);
  if (Hint.empty()) inherited::DoGetHint(Point, Hint);
}

void TZCLSlider::MouseLeave() {
  inherited::MouseLeave();
  if (!FDragging) UpdateThumbState(TPoint(-1, -1));
}

bool TZCLSlider::MouseWheel(TMouseWheelDirection Direction, TShiftState Shift, const TPoint& MousePos) {
  if (inherited::MouseWheel(Direction, Shift, MousePos) || FDragging) return true;
  Single amount = FOptionsValue->GetPaginate() ? FOptionsValue->GetPage() : FOptionsValue->GetSmallChange();
  if (!FOptionsValue->GetPaginate() && !(amount > 0)) {
    const Integer free = FViewInfo->GetFreeLength();
    amount = free > 0 ? FOptionsValue->GetRange() / free : 0;
  }
  Step(Direction == mwdUp ? 1 : 0, amount);
  ShowValueHint(FPosition, true);
  return true;
}

void TZCLSlider::KeyDown(Word& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  const bool vertical = FOrientation == oVertical, reverse = FOptionsValue->GetReverse();
  const Single small = FOptionsValue->GetPaginate() ? FOptionsValue->GetPage() : FOptionsValue->GetSmallChange();
  bool handled = true;
  switch (Key) {
    case VK_PRIOR: Step(vertical ? 1 : 0, FOptionsValue->GetPage()); break;
    case VK_NEXT: Step(vertical ? 0 : 1, FOptionsValue->GetPage()); break;
    case VK_HOME: SetPositionCore(reverse ? FOptionsValue->GetMax() : FOptionsValue->GetMin(), true); break;
    case VK_END: SetPositionCore(reverse ? FOptionsValue->GetMin() : FOptionsValue->GetMax(), true); break;
    case VK_LEFT:
    case VK_DOWN: Step(0, small); break;
    case VK_UP:
    case VK_RIGHT: Step(1, small); break;
    case VK_DELETE:
      if (FOptionsValue->HasDefault()) SetPositionCore(FOptionsValue->GetDefault(), true);
      break;
    default: handled = false;
  }
  if (!handled) return;
  Key = 0;
  ShowValueHint(FPosition, true);
}

void TZCLSlider::MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button != TMouseButton::Left || Shift.Contains(ssDouble) || !FViewInfo->ThumbArea.Contains(TPoint(X, Y))) return;
  FDragging = true;
  FDragValue = FPosition;
  ApplyMouseValue(ValueFromPoint(X, Y));
  UpdateThumbState(TPoint(X, Y));
  ShowValueHint(GetShownValue(), false);
}

void TZCLSlider::MouseMove(TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseMove(Shift, X, Y);
  if (FDragging) {
    ApplyMouseValue(ValueFromPoint(X, Y));
    ShowValueHint(GetShownValue(), false);
  } else {
    UpdateThumbState(TPoint(X, Y));
  }
}

void TZCLSlider::MouseUp(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  if (FDragging) {
    FDragging = false;
    if (!FOptions->GetImmediateUpdate()) SetPositionCore(FDragValue, true);
    HideValueHint();
    Calculate();
    Invalidate();
  }
  UpdateThumbState(TPoint(X, Y));
  if (Button == TMouseButton::Right && FOptionsValue->HasDefault()) SetPositionCore(FOptionsValue->GetDefault(), true);
}

void TZCLSlider::ShowValueHint(Single Value, bool Timed) {
  String text;
  if (OnGetHint) OnGetHint(this, Value, text);
  if (text.empty()) return;
  if (Application) Application->CancelHint();
  if (!FHintWindow) FHintWindow = Create<TZCLHintWindow>(static_cast<TComponent*>(nullptr));
  FHintWindow->ShowForControl(text, this, 1, 0);
  if (Timed && !FDragging) {
    if (!FHintTimer) FHintTimer = new TZCLTimer(TNotifyEvent(this, &TZCLSlider::HintTimerTick), 1000, false);
    FHintTimer->SetEnabled(true);
    FHintTimer->Restart();
  }
}

void TZCLSlider::HideValueHint() {
  Free(FHintTimer);
  FHintTimer = nullptr;
  if (FHintWindow) FHintWindow->HideHint();
  Free(FHintWindow);
  FHintWindow = nullptr;
}

void TZCLSlider::HintTimerTick(TObject*) {
  if (FDragging) return;
  // Inside the timer's own tick: stop it and hide the window; both go with the next hint or the slider.
  FHintTimer->SetEnabled(false);
  if (FHintWindow) FHintWindow->HideHint();
}

void RegisterSliderClasses() {
  RegisterProperties<TZCLSliderOptions>();
  RegisterProperties<TZCLSliderOptionsLabels>();
  RegisterProperties<TZCLSliderOptionsValue>();
  RegisterProperties<TZCLStyleSlider>();
  RegisterProperties<TZCLSlider>();
  RegisterClasses({TZCLSlider::StaticClass(), TZCLStyleSlider::StaticClass()});
}
