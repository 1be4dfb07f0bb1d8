#include "zse/engine/ZSE.Hints.h"

#include "rtl/RTL.TypInfo.h"
#include "zse/engine/ZSE.Skins.Theme.h"

void TZSEStyleHint::DeclareProperties(TClassDeclaration<TZSEStyleHint>& D) {
  D.Property(u"ColorTextHyperlink", 4, &TZCLStyle::GetColor, &TZCLStyle::SetColor);
}

void TZSEStyleHint::InitializeResources() {
  inherited::InitializeResources();
  GetColor(4)->InitializeDefault(u"Hint.Colors.TextHyperlink", TAlphaColor(0));
}

void TZSEHintWindow::AfterConstruction() {
  inherited::AfterConstruction();
  if (TZSESkinTheme* theme = TZSESkinTheme::GetCurrent())
    GetStyle()->SetCollection(theme->GetStyleHint()->GetPrivateCollection());
}

void RegisterHintStyleClasses() { RegisterProperties<TZSEStyleHint>(); }
