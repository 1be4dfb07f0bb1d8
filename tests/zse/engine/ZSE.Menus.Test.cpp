#include "zse/engine/ZSE.Menus.h"

#include <gtest/gtest.h>

#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Graphics.h"
#include "zcl/ui/ZCL.UI.ImageList.h"
#include "zcl/ui/ZCL.UI.SkinImageSet.h"
#include "zse/engine/ZSE.Forms.Utils.h"
#include "zse/engine/ZSE.Skins.Theme.h"

namespace {

void AddGlyphs(TZCLSkinImageSet* Set, Integer DPI, Integer Size) {
  std::vector<TZCLPixel32> px(size_t(Size * Size), TZCLPixel32{0, 0, 255, 255});
  TZCLSkinImageSetItem* item = Set->Add(DPI);
  item->LoadFromBits(px.data(), Size, Size);
  item->SetFrameCount(1);
}

class SkinMenus : public ::testing::Test {
 protected:
  void SetUp() override {
    FTheme = Create<TZSESkinTheme>(static_cast<TComponent*>(nullptr));
    TZCLSkinImageSet* set = FTheme->GetStyleMenu()->GetGlyphs()->GetImageSet();
    set->ClearItems();
    AddGlyphs(set, 96, 8);
    AddGlyphs(set, 192, 16);
    TZSESkinTheme::SetCurrent(FTheme);
  }
  void TearDown() override {
    TZSESkinTheme::SetCurrent(nullptr);
    TZSESkinManifest::SetCurrent(nullptr);
    Free(FTheme);
  }
  TZSESkinTheme* FTheme = nullptr;
};

// Exposes the DPI the menu would take before popping up.
class TProbeMenu : public TZSEPopupMenu {
  ZCL_CLASS(TProbeMenu, TZSEPopupMenu)
 public:
  using TZSEPopupMenu::TZSEPopupMenu;
  Integer TargetDpi() { return CalculateTargetDpi(); }
};

TEST_F(SkinMenus, TheMenuTakesTheThemeStyleAndTheGlyphsNearestToItsDpi) {
  auto* menu = Create<TZSEPopupMenu>(static_cast<TComponent*>(nullptr));
  EXPECT_EQ(menu->GetStyle()->GetStyleCollection(), FTheme->GetStyleMenu()->GetPrivateCollection());
  EXPECT_TRUE(dynamic_cast<TZSEPopupMenuStyle*>(menu->GetStyle()) != nullptr);
  {
    IPtr<IZSEPopupMenu> asEngineMenu;
    EXPECT_TRUE(Supports(menu, asEngineMenu));
  }
  for (auto [dpi, source] : {std::pair{192, 192}, std::pair{96, 96}, std::pair{144, 96}, std::pair{168, 192}}) {
    menu->SetCurrentDpi(dpi);
    auto* images = dynamic_cast<TZCLImageList*>(menu->GetImages());
    ASSERT_NE(images, nullptr) << dpi;
    EXPECT_EQ(images->GetSourceDPI(), source) << dpi;
  }
  Free(menu);
}

TEST_F(SkinMenus, TheMenuDpiFollowsTheSkinScaleFactors) {
  TZSESkinManifest manifest;
  manifest.SetSupportedScaleFactors(TZSEScaleFactors{sf100, sf200});
  manifest.SetAutoAdjustForInBetweenScaleFactors(false);
  TZSESkinManifest::SetCurrent(&manifest);
  TForm* form = TCustomForm::CreateNew<TForm>(nullptr);
  form->ScaleForPPI(144);
  auto* menu = Create<TProbeMenu>(form);
  EXPECT_EQ(menu->TargetDpi(), 96);  // 96 and 192 are as far from 144: the first wins
  manifest.SetAutoAdjustForInBetweenScaleFactors(true);
  EXPECT_EQ(menu->TargetDpi(), 144);
  TZSESkinManifest::SetCurrent(nullptr);
  Free(form);
}

TEST_F(SkinMenus, WithAutoColorationAGlyphTakesTheTextColourOfItsState) {
  auto* menu = Create<TZSEPopupMenu>(static_cast<TComponent*>(nullptr));
  menu->UpdateImages();
  TZSEPopupMenuStyle* style = static_cast<TZSEPopupMenuStyle*>(menu->GetStyle());
  auto* images = dynamic_cast<TZCLImageList*>(menu->GetImages());
  ASSERT_NE(images, nullptr);
  TBitmap target;
  target.SetPixelFormat(TPixelFormat::pf32bit);
  target.SetSize(8, 8);
  TBitmap probe;
  style->AssignFontParams(probe.GetCanvas(), false, false, false);
  const TColor disabled = ColorToRGB(probe.GetCanvas()->GetFont()->GetColor());

  FTheme->GetStyleMenu()->GetGlyphsDrawOptions()->SetAutoColoration(false);
  style->DrawItemImageFromList(target.GetCanvas(), TRect(0, 0, 8, 8), images, 0, true, false);
  EXPECT_EQ(ColorToRGB(target.GetCanvas()->GetPixel(4, 4)), TColor(0x0000FF));  // its own red

  FTheme->GetStyleMenu()->GetGlyphsDrawOptions()->SetAutoColoration(true);
  style->DrawItemImageFromList(target.GetCanvas(), TRect(0, 0, 8, 8), images, 0, false, false);
  EXPECT_EQ(ColorToRGB(target.GetCanvas()->GetPixel(4, 4)), disabled);
  Free(menu);
}

// A form that docks at screen edges, for the toolbar menu.
class TEdgeForm : public TForm, public IZSEToolbarForm {
  ZCL_CLASS(TEdgeForm, TForm)
  RTL_INTERFACES(TForm, IZSEToolbarForm)
 public:
  using TForm::TForm;
  Byte Edges = 0b0101;
  Integer DockedEdge = 2;
  Byte PinMode = 1;
  bool OnTop = false;
  Byte GetToolbarEdges() override { return Edges; }
  Byte GetToolbarPinModes() override { return 0b111; }
  Byte GetToolbarPinMode() override { return PinMode; }
  void SetToolbarPinMode(Byte Mode) override { PinMode = Mode; }
  bool IsDockedAsToolbar(Byte& Edge) override {
    Edge = Byte(DockedEdge);
    return DockedEdge >= 0;
  }
  void DockAsToolbar(const TZSEScreenEdgePlacement& Placement) override { DockedEdge = Placement.Edge; }
  void Undock() override { DockedEdge = -1; }
  bool CanMaximize() override { return false; }
  bool IsMaximized() override { return false; }
  void SetMaximized(bool) override {}
  bool IsNormalPlacement() override { return DockedEdge < 0; }
  bool AllowsExtraMenuItems() override { return true; }
  bool GetStayOnTop() override { return OnTop; }
  void SetStayOnTop(bool Value) override { OnTop = Value; }
  bool GetPlacementLocked() override { return false; }
  void SetPlacementLocked(bool) override {}
};

std::vector<NativeInt> Tags(TMenuItem* Parent) {
  std::vector<NativeInt> out;
  for (Integer i = 0; i < Parent->GetCount(); ++i)
    out.push_back(Parent->GetItem(i)->IsLine() ? 99 : Parent->GetItem(i)->GetTag());
  return out;
}

TEST_F(SkinMenus, TheToolbarMenuListsTheAllowedEdgesAndPinModesAndRunsThem) {
  TForm* plain = TCustomForm::CreateNew<TForm>(nullptr);
  TZSEPopupMenu* menu = ToolbarPopup(plain);
  EXPECT_EQ(Tags(menu->GetItems()), (std::vector<NativeInt>{99, 7, 5}));
  menu->GetItems()->GetItem(1)->Click();
  EXPECT_EQ(plain->GetFormStyle(), fsStayOnTop);

  TEdgeForm* form = TCustomForm::CreateNew<TEdgeForm>(nullptr);
  menu = ToolbarPopup(form);
  EXPECT_EQ(ToolbarPopupForm(), form);
  EXPECT_EQ(Tags(menu->GetItems()), (std::vector<NativeInt>{-1, 13, 99, 7, 5}));
  TMenuItem* dockTo = menu->GetItems()->GetItem(0);
  EXPECT_EQ(Tags(dockTo), (std::vector<NativeInt>{0, 2, 99, 12, 10, 11}));
  EXPECT_TRUE(dockTo->GetItem(1)->GetChecked());
  EXPECT_TRUE(dockTo->GetItem(5)->GetChecked());
  EXPECT_TRUE(dockTo->GetItem(3)->GetEnabled());
  dockTo->GetItem(0)->Click();
  EXPECT_EQ(form->DockedEdge, 0);
  dockTo->GetItem(3)->Click();
  EXPECT_EQ(form->PinMode, 2);
  menu->GetItems()->GetItem(1)->Click();
  EXPECT_EQ(form->DockedEdge, -1);
  // Undocked, the pin modes are disabled.
  EXPECT_FALSE(ToolbarPopup(form)->GetItems()->GetItem(0)->GetItem(3)->GetEnabled());
  Free(form);
  EXPECT_EQ(ToolbarPopupForm(), nullptr);
  Free(plain);
}

TEST(DragImage, AFrameImageIsHollowAndATranslucentOneCoversItsRectangle) {
  TForm* owner = TCustomForm::CreateNew<TForm>(nullptr);
  owner->SetBorderStyle(bsNone);
  owner->SetBoundsRect(TRect(10, 10, 60, 60));
  owner->Show();
  TZSEDragImage* frame = TZSEDragImage::CreateImage(false, owner);
  frame->SetBounds(300, 300, 100, 80);
  frame->ShowImage();
  Headless::RunUntilIdle();
  EXPECT_EQ(frame->GetScaledFrameWidth(), 4);
  const uint32_t colour = 0xFF29298Fu;  // red 41, green 41, blue 143
  EXPECT_EQ(Headless::ScreenPixel(TPoint(301, 301)), colour);
  EXPECT_EQ(Headless::ScreenPixel(TPoint(303, 340)), colour);
  EXPECT_NE(Headless::ScreenPixel(TPoint(304, 340)), colour);
  EXPECT_NE(Headless::ScreenPixel(TPoint(350, 340)), colour);
  // The mouse passes through to what lies below.
  EXPECT_NE(WindowFromPoint(TPoint(301, 301)), frame->GetHandle());
  frame->HideImage();
  Free(frame);

  TZSEDragImage* solid = TZSEDragImage::CreateImage(true, owner);
  solid->SetBounds(300, 300, 100, 80);
  solid->ShowImage();
  Headless::RunUntilIdle();
  EXPECT_NE(Headless::ScreenPixel(TPoint(350, 340)), 0xFF000000u);  // blended over the desktop
  EXPECT_EQ(solid->GetAlphaBlendValue(), 150);
  Free(solid);
  Free(owner);
}

}  // namespace
