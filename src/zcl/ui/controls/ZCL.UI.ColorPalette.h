#pragma once
// The colour palette: a fixed set of colours drawn as a grid of square cells, picked by a click.
// The office style gives every colour a column with its lighter or darker tints below; the
// classic style lets the cells flow in rows. The control always takes the size of its grid.

#include <vector>

#include "zcl/base/ZCL.Classes.h"
#include "zcl/base/ZCL.Colors.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"

class TZCLColorPalette;

enum TZCLColorPaletteStyle : Byte { cpsOffice, cpsClassic };
ZCL_ENUM(TZCLColorPaletteStyle, cpsOffice, cpsClassic);

class TZCLColorPaletteItem : public TZCLCollectionItem {
  ZCL_CLASS(TZCLColorPaletteItem, TZCLCollectionItem)
 public:
  using TZCLCollectionItem::TZCLCollectionItem;
  static void DeclareProperties(TClassDeclaration<TZCLColorPaletteItem>& D);
  void Assign(TPersistent* Source) override;
  TAlphaColor GetColor() const { return FColor; }
  void SetColor(TAlphaColor Value);

 private:
  TAlphaColor FColor = 0;
};

class TZCLColorPaletteItems : public TCollection {
  ZCL_CLASS(TZCLColorPaletteItems, TCollection)
 public:
  explicit TZCLColorPaletteItems(TZCLColorPalette* AOwner);
  TPersistent* GetOwner() const override;
  TZCLColorPaletteItem* Add(TAlphaColor Color);
  TZCLColorPaletteItem* GetItem(Integer Index) const { return TCollection::GetItem<TZCLColorPaletteItem>(Index); }
  // Replaces the items with the colours of a style.
  void Populate(TZCLColorPaletteStyle Style);

 protected:
  void Update(TCollectionItem* Item) override;

 private:
  TZCLColorPalette* FOwner;
};

// The office colours and the classic palette's 20 colours, opaque.
const std::vector<TAlphaColor>& ColorPaletteOfficeColors();
const std::vector<TAlphaColor>& ColorPaletteClassicColors();

class TZCLColorPaletteOptionsView : public TZCLCustomOptionsPersistent {
  ZCL_CLASS(TZCLColorPaletteOptionsView, TZCLCustomOptionsPersistent)
 public:
  explicit TZCLColorPaletteOptionsView(TZCLColorPalette* AOwner) : FOwner(AOwner) {}
  static void DeclareProperties(TClassDeclaration<TZCLColorPaletteOptionsView>& D);

  // 96-DPI pixels, at least 1.
  Integer GetCellSize() const { return FCellSize; }
  void SetCellSize(Integer Value);
  // 96-DPI pixels; -1 (any negative value) spreads the cells over the width.
  Integer GetCellSpacing() const { return FCellSpacing; }
  void SetCellSpacing(Integer Value);
  TZCLColorPaletteStyle GetStyle() const { return FStyle; }
  void SetStyle(TZCLColorPaletteStyle Value);
  // 1..10 tints under each office colour.
  Integer GetStyleOfficeTintCount() const { return FStyleOfficeTintCount; }
  void SetStyleOfficeTintCount(Integer Value);

 protected:
  void DoAssign(TPersistent* Source) override;
  void DoChanged(TZCLPersistentChanges Changes) override;

 private:
  Integer FCellSize = 16;
  Integer FCellSpacing = -1;
  TZCLColorPaletteStyle FStyle = cpsOffice;
  Integer FStyleOfficeTintCount = 5;
  TZCLColorPalette* FOwner;
};

class TZCLStyleColorPalette : public TZCLStyle {
  ZCL_CLASS(TZCLStyleColorPalette, TZCLStyle)
 public:
  using TZCLStyle::TZCLStyle;
  static void DeclareProperties(TClassDeclaration<TZCLStyleColorPalette>& D);
  TZCLResourceColor* GetColorBorder1() { return GetColor(0); }
  TZCLResourceColor* GetColorBorder2() { return GetColor(1); }
  TZCLResourceColor* GetColorHatch1() { return GetColor(2); }
  TZCLResourceColor* GetColorHatch2() { return GetColor(3); }
  TZCLResourceColor* GetColorSelectedBorder1() { return GetColor(4); }
  TZCLResourceColor* GetColorSelectedBorder2() { return GetColor(5); }

 protected:
  void InitializeResources() override;
};

struct TZCLColorPaletteItemViewInfo {
  TAlphaColor Color = 0;
  TRect Bounds;
  TZCLBorders Borders;
};

class TZCLColorPaletteViewInfo {
 public:
  explicit TZCLColorPaletteViewInfo(TZCLColorPalette* APalette) : FPalette(APalette) {}
  // Lays the grid out in R (its width drives automatic spacing).
  void Calculate(const TRect& R);
  void Draw(TCanvas* Canvas);
  // The cell at P, or null.
  const TZCLColorPaletteItemViewInfo* HitTest(const TPoint& P) const;
  const std::vector<TZCLColorPaletteItemViewInfo>& GetCells() const { return FCells; }
  Integer GetWidth() const { return FWidth; }
  Integer GetHeight() const { return FHeight; }

 private:
  void CalculateOffice(const TRect& R, Integer CellSize, Integer Spacing);
  void CalculateClassic(const TRect& R, Integer CellSize, Integer Spacing);
  TZCLColorPalette* FPalette;
  std::vector<TZCLColorPaletteItemViewInfo> FCells;
  Integer FWidth = 0;
  Integer FHeight = 0;
};

// The colour of an office tint: lightness moved towards 0.8, 0.5 or 0 by Index of Count.
TAlphaColor ColorPaletteTint(TAlphaColor Color, Integer Index, Integer Count);

class TZCLColorPalette : public TZCLCustomControl {
  ZCL_CLASS(TZCLColorPalette, TZCLCustomControl)
 public:
  explicit TZCLColorPalette(TComponent* AOwner);
  ~TZCLColorPalette() override;
  static void DeclareProperties(TClassDeclaration<TZCLColorPalette>& D);

  TAlphaColor GetColor() const { return FColor; }
  void SetColor(TAlphaColor Value);
  TZCLColorPaletteItems* GetItems() const { return FItems; }
  void SetItems(TZCLColorPaletteItems* Value) { FItems->Assign(Value); }
  TZCLColorPaletteOptionsView* GetOptionsView() const { return FOptionsView; }
  void SetOptionsView(TZCLColorPaletteOptionsView* Value) { FOptionsView->Assign(Value); }
  TZCLStyleColorPalette* GetStyle() const { return FStyle; }
  void SetStyle(TZCLStyleColorPalette* Value) { FStyle->Assign(Value); }
  TZCLColorPaletteViewInfo* GetViewInfo() const { return FViewInfo; }
  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override;

  TNotifyEvent OnColorChanged;

 protected:
  friend class TZCLColorPaletteItems;
  friend class TZCLColorPaletteOptionsView;
  void ItemsChanged(bool Layout);
  void BoundsChanged() override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, Integer X, Integer Y) override;
  void MouseMove(TShiftState Shift, Integer X, Integer Y) override;
  void MouseLeave() override;
  void SetTargetDPI(Integer Value) override;

 private:
  void UpdateHotCell(const TPoint& P);
  TAlphaColor FColor = 0;
  TZCLColorPaletteItems* FItems = nullptr;
  TZCLColorPaletteOptionsView* FOptionsView = nullptr;
  TZCLStyleColorPalette* FStyle = nullptr;
  TZCLColorPaletteViewInfo* FViewInfo = nullptr;
  Integer FHotCell = -1;
};

void RegisterColorPaletteClasses();
