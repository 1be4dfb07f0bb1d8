#include "zse/engine/ZSE.Menus.h"

#include "zcl/graphics/ZCL.Graphics.Dib.h"
#include "zcl/ui/ZCL.UI.ImageList.h"
#include "zse/engine/ZSE.Skins.Theme.h"

namespace {
// Shared by every skin menu: glyphs are drawn one at a time on the UI thread.
TZCLDib* GGlyphDib = nullptr;

TZSEImageListDrawOptions* GlyphDrawOptions() {
  TZSESkinTheme* theme = TZSESkinTheme::GetCurrent();
  return theme ? theme->GetStyleMenu()->GetGlyphsDrawOptions() : nullptr;
}
}  // namespace

// ---- TZSEPopupMenuStyle ---------------------------------------------------------------------------

void TZSEPopupMenuStyle::DrawItemImageFromList(TCanvas* Canvas, const TRect& R, TCustomImageList* Images,
                                               Integer ImageIndex, bool Enabled, bool Selected) {
  TZSEImageListDrawOptions* options = GlyphDrawOptions();
  if (!options || !options->GetAutoColoration() || R.Width() <= 0 || R.Height() <= 0) {
    inherited::DrawItemImageFromList(Canvas, R, Images, ImageIndex, Enabled, Selected);
    return;
  }
  if (!GGlyphDib) GGlyphDib = new TZCLDib();
  GGlyphDib->Resize(R.Width(), R.Height());
  GGlyphDib->Reset();
  inherited::DrawItemImageFromList(GGlyphDib->GetCanvas(), TRect(0, 0, R.Width(), R.Height()), Images, ImageIndex,
                                   true, Selected);
  AssignFontParams(GGlyphDib->GetCanvas(), Selected, false, Enabled);
  GGlyphDib->Fill(GGlyphDib->GetCanvas()->GetFont()->GetColor());
  GGlyphDib->DrawBlend(Canvas, R, 255, false);
}

void TZSEPopupMenuStyle::Finalize() {
  delete GGlyphDib;
  GGlyphDib = nullptr;
}

// ---- TZSEPopupMenu --------------------------------------------------------------------------------

TZSEPopupMenu::TZSEPopupMenu(TComponent* AOwner) : TZCLPopupMenu(AOwner) {}

void TZSEPopupMenu::AfterConstruction() {
  inherited::AfterConstruction();
  if (TZSESkinTheme* theme = TZSESkinTheme::GetCurrent())
    GetStyle()->SetCollection(theme->GetStyleMenu()->GetPrivateCollection());
}

TZCLPopupMenuStyle* TZSEPopupMenu::CreateStyle() { return Create<TZSEPopupMenuStyle>(static_cast<TObject*>(this)); }

Integer TZSEPopupMenu::CalculateTargetDpi() {
  const Integer dpi = inherited::CalculateTargetDpi();
  TZSESkinManifest* manifest = TZSESkinManifest::GetCurrent();
  if (!manifest || dpi <= 0) return dpi;
  Integer skinDpi = dpi, numerator = 1, denominator = 1;
  manifest->GetScaling(dpi, skinDpi, numerator, denominator);
  return skinDpi;
}

void TZSEPopupMenu::DoBeforePopup() {
  UpdateImages();
  inherited::DoBeforePopup();
}

void TZSEPopupMenu::DoDpiChanged(Integer Dpi) {
  inherited::DoDpiChanged(Dpi);
  UpdateImages();
}

void TZSEPopupMenu::UpdateImages() {
  TZSESkinTheme* theme = TZSESkinTheme::GetCurrent();
  SetImages(theme ? theme->GetMenuImages(GetCurrentDpi()) : nullptr);
}

// ---- unit -----------------------------------------------------------------------------------------

void RegisterSkinMenuClasses() {
  RegisterClass(TZSEPopupMenu::StaticClass());
  TZSEPopupMenus::SetMenuClass(TZSEPopupMenu::StaticClass());
}

void FinalizeSkinMenus() {
  TZSEPopupMenus::SetMenuClass(nullptr);
  TZSEPopupMenuStyle::Finalize();
}
