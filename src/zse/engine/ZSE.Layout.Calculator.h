#pragma once
// The layout pass: docked children take strips from the edges of the free area (top, bottom,
// left, right, each group by alignment level), then the client children share what is left
// along one direction through the auto-size calculator. One call on the root lays out the whole
// tree top-down, since each child's SetBounds realigns its own children.
//
// The calculator keeps no state; a container may answer its own calculator (a stateless object
// whose operations it overrides) from GetCalculatorClass.

#include "rtl/RTL.Geometry.h"
#include "zcl/base/ZCL.Classes.Collections.h"
#include "zse/engine/ZSE.Layout.h"

class TZSELayoutCalculator {
 public:
  virtual ~TZSELayoutCalculator() = default;
  // The calculator every layout item uses unless it answers another.
  static const TZSELayoutCalculator& Default();

  // Auto-hide pass, then Calculate, with the running-pass counter raised; nothing without children.
  void Execute(TZSELayoutCustomItem* Container, const TRect& Area) const;

  // The dock pass, then the client pass.
  virtual void Calculate(TZSELayoutCustomItem* Container, TRect Area) const;
  // Shares Area among two or more client items along the container's direction.
  virtual void CalculateClientItems(TZSELayoutCustomItem* Container, TZCLListOf<TZSELayoutCustomItem*>& Items,
                                    TRect Area) const;
  // Places one docked item at its minimum thickness and shrinks the free area past it.
  virtual void DockItem(TZSELayoutCustomItem* Item, Integer Width, Integer Height, TRect& Area) const;

 private:
  static void AutoHidePass(TZSELayoutCustomItem* Container);
};

// The item's own direction, else (client items) the parent's, else by its docking side;
// ldDefault for null.
TZSELayoutDirection GetEffectiveLayoutDirection(const TZSELayoutCustomItem* Item);
// True while any layout pass runs; the form raises it around its own reaction to changes.
bool IsAnyCalculating();
void SetCalculating(bool Value);
