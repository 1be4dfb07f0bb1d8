#pragma once
// A loupe: about 30 times a second it copies the screen pixels around the mouse cursor into its
// bitmap enlarged by Zoom, draws a pixel grid and a crosshair over the centre pixel, and keeps
// that pixel's colour for its host.

#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/ui/ZCL.UI.Controls.Base.h"

class TZCLStyleMagnifierGlass : public TZCLStyleBackground {
  ZCL_CLASS(TZCLStyleMagnifierGlass, TZCLStyleBackground)
 public:
  using TZCLStyleBackground::TZCLStyleBackground;
  static void DeclareProperties(TClassDeclaration<TZCLStyleMagnifierGlass>& D);
  TZCLResourceColor* GetColorGridLine() { return GetColor(4); }

 protected:
  void InitializeResources() override;
};

class TZCLMagnifierGlass : public TZCLContainer {
  ZCL_CLASS(TZCLMagnifierGlass, TZCLContainer)
 public:
  static constexpr UINT_PTR TimerID = 1;
  static constexpr UINT TimerInterval = 33;

  explicit TZCLMagnifierGlass(TComponent* AOwner);
  ~TZCLMagnifierGlass() override;
  void AfterConstruction() override;
  void Loaded() override;
  static void DeclareProperties(TClassDeclaration<TZCLMagnifierGlass>& D);

  // Composes the bitmap for the cursor at the screen point (nothing when it has no pixels).
  void Compose(const TPoint& Cursor);

  TColor GetCursorColor() const { return FCursorColor; }
  Integer GetCellsX() const { return FCellsX; }
  Integer GetCellsY() const { return FCellsY; }
  TZCLDib* GetImage() const { return FImage; }
  bool GetShowGridLines() const { return FShowGridLines; }
  void SetShowGridLines(bool Value);
  TZCLStyleMagnifierGlass* GetMagnifierStyle() const { return static_cast<TZCLStyleMagnifierGlass*>(GetStyle()); }
  void SetMagnifierStyle(TZCLStyleMagnifierGlass* Value) { SetStyle(Value); }
  Integer GetZoom() const { return FZoom; }
  // Kept within 2..50.
  void SetZoom(Integer Value);

  TNotifyEvent OnUpdate;

 protected:
  TZCLStyleBackground* CreateStyle() override;
  void BoundsChanged() override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Paint() override;
  void SetTargetDPI(Integer DPI) override;
  void WndProc(TMessage& Message) override;

 private:
  void Recalculate();
  Integer CellSize() const;
  TColor FCursorColor = clBlack;
  Integer FCellsX = 0;
  Integer FCellsY = 0;
  TZCLDib* FImage = nullptr;
  bool FShowGridLines = true;
  Integer FZoom = 2;
};

// Hue turned half way round, at full saturation and middle lightness.
TColor ContrastingColor(TColor Color);

void RegisterMagnifierGlassClasses();
