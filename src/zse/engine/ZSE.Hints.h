#pragma once
// Hints of skin elements: the hint style with a hyperlink colour, and the hint window whose style
// resolves through the loaded skin's theme instead of the editor's own skin.

#include "zcl/ui/ZCL.UI.HintWindow.h"

class TZSEStyleHint : public TZCLStyleHint {
  ZCL_CLASS(TZSEStyleHint, TZCLStyleHint)
 public:
  using TZCLStyleHint::TZCLStyleHint;
  static void DeclareProperties(TClassDeclaration<TZSEStyleHint>& D);
  TZCLResourceColor* GetColorTextHyperlink() { return GetColor(4); }

 protected:
  void InitializeResources() override;
};

class TZSEHintWindow : public TZCLHintWindow {
  ZCL_CLASS(TZSEHintWindow, TZCLHintWindow)
 public:
  using TZCLHintWindow::TZCLHintWindow;
  // The style resolves through the current skin theme's hint style.
  void AfterConstruction() override;
};

class TZSETexture;

// Below the main text, up to two further lines from the element's hint data (the hold and the
// context action), each line led by a small glyph drawn in the text colour.
class TZSEAdvancedHintWindow : public TZSEHintWindow {
  ZCL_CLASS(TZSEAdvancedHintWindow, TZSEHintWindow)
 public:
  explicit TZSEAdvancedHintWindow(TComponent* AOwner);
  ~TZSEAdvancedHintWindow() override;

  void SetTargetDPI(Integer DPI) override;
  // Data: a TZSEHintData or null.
  void SetHintText(const String& Text, void* Data) override;
  TRect CalcHintRect(Integer MaxWidth, const String& AHint, void* AData) override;

  bool GetHasExtraLines() const { return FHasExtraLines; }
  TZCLTextLayout* GetLine1() const { return FLine1; }
  TZCLTextLayout* GetLine2() const { return FLine2; }
  TZSETexture* GetGlyphTexture() const { return FGlyphTexture; }

 protected:
  void Paint() override;

 private:
  Integer GlyphWidth() const;
  void DrawLine(TZCLTextLayout* Layout, Integer GlyphIndex, TRect& R);
  TZSETexture* FGlyphTexture;
  bool FHasExtraLines = false;
  TZCLTextLayout* FLine1;
  TZCLTextLayout* FLine2;
};

void RegisterHintStyleClasses();
