#include "zse/engine/ZSE.Layout.Calculator.h"

#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

namespace {
// Plain global: layout runs on the UI thread only.
Integer GCalculating = 0;

struct TCalculatingScope {
  TCalculatingScope() { SetCalculating(true); }
  ~TCalculatingScope() { SetCalculating(false); }
};
}  // namespace

bool IsAnyCalculating() { return GCalculating > 0; }

void SetCalculating(bool Value) { GCalculating += Value ? 1 : -1; }

TZSELayoutDirection GetEffectiveLayoutDirection(const TZSELayoutCustomItem* Item) {
  // A chain of client items inherits upwards; walk it rather than recurse.
  while (Item) {
    if (Item->GetLayoutDirection() != ldDefault) return Item->GetLayoutDirection();
    switch (Item->GetAlignment()) {
      case laLeft:
      case laRight:
        return ldVertical;
      case laTop:
      case laBottom:
        return ldHorizontal;
      default:
        Item = Item->GetParentItem();
    }
  }
  return ldDefault;
}

const TZSELayoutCalculator& TZSELayoutCalculator::Default() {
  static const TZSELayoutCalculator calculator;
  return calculator;
}

void TZSELayoutCalculator::Execute(TZSELayoutCustomItem* Container, const TRect& Area) const {
  if (Container->GetCount() == 0) return;
  TCalculatingScope scope;
  AutoHidePass(Container);
  Calculate(Container, Area);
}

void TZSELayoutCalculator::AutoHidePass(TZSELayoutCustomItem* Container) {
  const Integer dpi = Container->GetCurrentDpi();
  const TRect bounds = Container->GetBounds();
  for (Integer i = 0; i < Container->GetCount(); ++i) {
    TZSELayoutCustomItem* child = Container->GetItem(i);
    if (!child->GetAutoHide() || !child->CanAutoHide()) continue;
    Integer measured;
    switch (child->GetAlignment()) {
      case laTop:
      case laBottom:
        measured = bounds.Height();
        break;
      case laLeft:
      case laRight:
        measured = bounds.Width();
        break;
      default:
        measured = GetEffectiveLayoutDirection(child) == ldVertical ? bounds.Height() : bounds.Width();
    }
    child->SetVisible(ScaleByDPI(child->GetAutoHideParentSizeThreshold(), dpi) <= measured);
  }
}

void TZSELayoutCalculator::Calculate(TZSELayoutCustomItem* Container, TRect Area) const {
  TZCLListOf<TZSELayoutCustomItem*> list;
  list.SetCapacity(Container->GetCount());
  for (TZSELayoutAlignment alignment : {laTop, laBottom, laLeft, laRight})
    TZSELayoutAlignHelper::CollectItems(list, Container, alignment, true);
  for (TZSELayoutCustomItem* item : list) {
    const TZSESizeLimits limits = item->GetSizeLimits();
    DockItem(item, limits.MinWidth, limits.MinHeight, Area);
  }
  list.Clear();
  list.SetCapacity(Container->GetCount());
  TZSELayoutAlignHelper::CollectItems(list, Container, laClient, true);
  if (list.GetCount() >= 2)
    CalculateClientItems(Container, list, Area);
  else if (list.GetCount() == 1)
    list[0]->SetBounds(Area);
}

void TZSELayoutCalculator::CalculateClientItems(TZSELayoutCustomItem* Container,
                                                TZCLListOf<TZSELayoutCustomItem*>& Items, TRect Area) const {
  TZCLAutoSizeCalculator calculator;
  const bool vertical = GetEffectiveLayoutDirection(Container) == ldVertical;
  for (TZSELayoutCustomItem* item : Items) {
    const TZSESizeLimits limits = item->GetSizeLimits();
    if (vertical)
      calculator.AddGrowable(limits.MinHeight, limits.MaxHeight, item->GetAllowResizeByHeight());
    else
      calculator.AddGrowable(limits.MinWidth, limits.MaxWidth, item->GetAllowResizeByWidth());
  }
  calculator.AvailableSize = vertical ? Area.Height() : Area.Width();
  calculator.Calculate();
  for (Integer i = 0; i < Items.GetCount(); ++i) {
    const Integer size = calculator[i]->Size;
    if (vertical) {
      Items[i]->SetBounds(RectSplit(Area, 2, size));
      Area.Top += size;
    } else {
      Items[i]->SetBounds(RectSplit(Area, 0, size));
      Area.Left += size;
    }
  }
}

void TZSELayoutCalculator::DockItem(TZSELayoutCustomItem* Item, Integer Width, Integer Height, TRect& Area) const {
  TRect r = Area;
  const TRect margins = Item->GetScaledMargins();
  switch (Item->GetAlignment()) {
    case laTop:
      r.Bottom = r.Top + Height;
      Item->SetBounds(r);
      Area.Top = Item->GetBounds().Bottom + margins.Bottom;
      break;
    case laBottom:
      r.Top = r.Bottom - Height;
      Item->SetBounds(r);
      Area.Bottom = Item->GetBounds().Top - margins.Top;
      break;
    case laLeft:
      r.Right = r.Left + Width;
      Item->SetBounds(r);
      Area.Left = Item->GetBounds().Right + margins.Right;
      break;
    case laRight:
      r.Left = r.Right - Width;
      Item->SetBounds(r);
      Area.Right = Item->GetBounds().Left - margins.Left;
      break;
    default:
      break;
  }
}
