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

void RegisterHintStyleClasses();
