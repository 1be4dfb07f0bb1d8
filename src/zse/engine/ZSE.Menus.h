#pragma once
// The popup menus a skin shows: the program's popup menu looked after by the loaded skin's theme
// (its menu style's slots, its glyphs at the skin's DPI), optionally drawing monochrome glyphs in
// the colour of the item text.

#include "zcl/ui/controls/ZCL.UI.Menus.h"
#include "zse/engine/ZSE.Bindings.h"

class TZSEPopupMenuStyle : public TZCLPopupMenuStyle {
  ZCL_CLASS(TZSEPopupMenuStyle, TZCLPopupMenuStyle)
 public:
  using TZCLPopupMenuStyle::TZCLPopupMenuStyle;
  // With the theme's AutoColoration the glyph takes the colour of the item's text.
  void DrawItemImageFromList(TCanvas* Canvas, const TRect& R, TCustomImageList* Images, Integer ImageIndex,
                             bool Enabled, bool Selected) override;
  static void Finalize();
};

class TZSEPopupMenu : public TZCLPopupMenu, public IZSEPopupMenu {
  ZCL_CLASS(TZSEPopupMenu, TZCLPopupMenu)
  RTL_INTERFACES(TZCLPopupMenu, IZSEPopupMenu)
 public:
  explicit TZSEPopupMenu(TComponent* AOwner);
  void AfterConstruction() override;
  // The menu's image list := the theme's menu glyphs nearest to the menu's DPI.
  void UpdateImages();

  // IZSEPopupMenu
  bool GetAutoScale() override { return TZCLPopupMenu::GetAutoScale(); }
  void SetAutoScale(bool Value) override { TZCLPopupMenu::SetAutoScale(Value); }
  void SetCurrentDpi(Integer Dpi) override { TZCLPopupMenu::SetCurrentDpi(Dpi); }
  void SetHint(const String& Value) override { TZCLPopupMenu::SetHint(Value); }
  void PopupAt(const TRect& R) override { TZCLPopupMenu::PopupAt(R); }
  Integer GetCurrentDpi() override { return TZCLPopupMenu::GetCurrentDpi(); }
  void MenuShow() override { TZCLPopupMenu::MenuShow(); }

 protected:
  // The base DPI passed through the loaded skin's scale-factor rules.
  Integer CalculateTargetDpi() override;
  TZCLPopupMenuStyle* CreateStyle() override;
  void DoBeforePopup() override;
  void DoDpiChanged(Integer Dpi) override;
};

void RegisterSkinMenuClasses();
void FinalizeSkinMenus();
