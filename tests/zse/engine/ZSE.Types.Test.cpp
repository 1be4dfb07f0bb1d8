#include <gtest/gtest.h>

#include "os/OS.Messages.h"
#include "zse/engine/ZSE.Types.h"

namespace {

TEST(EngineTypes, CompatibilityModes) {
  struct Case {
    Integer Version;
    TZSECompatibilityMode Mode;
  } cases[] = {{0, cmv300},   {211, cmv300}, {300, cmv300}, {351, cmv350},
               {450, cmv450}, {499, cmv450}, {500, cmv500}, {600, cmv500}};
  for (const Case& c : cases) EXPECT_EQ(CompatibilityModeFromVersion(c.Version), c.Mode) << c.Version;

  EXPECT_EQ(CompatibilityModeToString(cmv350), u"v3.50");
  EXPECT_EQ(CompatibilityModeToString(cmv500), u"v5.00");
  EXPECT_EQ(CompatibilityModeToString(cmvUndefined), u"v0.00");
  EXPECT_EQ(CompatibilityModeToVersion(cmv400), 400);
  EXPECT_TRUE(CompatibilityModeIsOutdated(cmv450));
  EXPECT_FALSE(CompatibilityModeIsOutdated(cmv500));
}

TEST(EngineTypes, SizeLimitClamping) {
  struct Case {
    Integer Min, Max, Value, Expected;
  } cases[] = {{0, 0, 120, 120}, {0, 0, -5, 0},  {50, 40, 10, 50}, {50, 40, 100, 50},
               {0, 40, 70, 40},  {10, 0, 5, 10}, {10, 0, 500, 500}};
  for (const Case& c : cases) {
    TZSESizeLimits limits;
    limits.MinWidth = limits.MinHeight = c.Min;
    limits.MaxWidth = limits.MaxHeight = c.Max;
    EXPECT_EQ(ClampWidth(limits, c.Value), c.Expected) << c.Min << " " << c.Max << " " << c.Value;
    EXPECT_EQ(ClampHeight(limits, c.Value), c.Expected);
  }
  TZSESizeLimits limits;
  limits.MinWidth = 10;
  EXPECT_TRUE(CanResizeWidth(limits));
  limits.MinWidth = limits.MaxWidth = 40;
  EXPECT_FALSE(CanResizeWidth(limits));
  EXPECT_TRUE(CanResizeHeight(limits));
  ClearSizeLimits(limits);
  EXPECT_EQ(limits.MaxWidth, 0);
}

TEST(EngineTypes, SidesAndContentSizes) {
  const TZCLBorders sides = RectToSides(TRect(1, 0, 1, 0));
  EXPECT_TRUE(sides == TZCLBorders({mLeft, mRight}));
  EXPECT_EQ(SidesToRect(sides), TRect(1, 0, 1, 0));
  EXPECT_TRUE(ContentSizesChanged(TRect(0, 0, 10, 10), TRect(5, 5, 15, 20)) == TZSEContentSizes({csHeight}));
}

TEST(EngineTypes, HintData) {
  TZSEHintData hint;
  EXPECT_TRUE(hint.IsEmpty());
  hint.Text = u"Play";
  hint.ContextActionText = u"Menu";
  hint.FollowCursor = true;
  EXPECT_TRUE(hint.HasActions());
  hint.Reset();
  EXPECT_TRUE(hint.IsEmpty());
  EXPECT_FALSE(hint.HasActions());
  EXPECT_FALSE(hint.FollowCursor);
}

class TTestDesktop : public TInterfacedObject, public IZSEDesignDesktop, public IZSEDesignDesktopNotifications {
  RTL_INTERFACES(TInterfacedObject, IZSEDesignDesktop, IZSEDesignDesktopNotifications)
  void Invalidate(TControl*, const TRect&, bool) override {}
  bool CanChangeSceneVisibility(TComponent*) override { return false; }
  TWinControl* GetFormsParent() override { return nullptr; }
  void FormLayoutChanged(TComponent*) override {}
  Integer GetDesignDpi() override { return 144; }
  void BoundsChanged(TObject*) override { ++Notifications; }
  void DockSiteChanged(TObject*) override { ++Notifications; }
  void NameChanged(TComponent*) override { ++Notifications; }
  void StructureChanged(TObject*) override { ++Notifications; }
  void ItemChanged(TComponent*) override { ++Notifications; }
  Integer Notifications = 0;
};

TEST(EngineTypes, DesignerDefaultsAndDesktop) {
  TMessage message;
  EXPECT_FALSE(TZSEDesigner::IsDesigning());
  EXPECT_EQ(TZSEDesigner::GetDesignDpi(), 96);
  EXPECT_TRUE(TZSEDesigner::CanChangeSceneVisibility(nullptr));
  EXPECT_FALSE(TZSEDesigner::HookMessage(message, nullptr));
  TZSEDesigner::BoundsChanged(nullptr);  // nothing to tell

  auto* desktop = Create<TTestDesktop>();
  IPtr<IZSEDesignDesktop> ref(desktop);
  ZSESetDesignDesktop(ref);
  EXPECT_TRUE(TZSEDesigner::IsDesigning());
  EXPECT_EQ(TZSEDesigner::GetDesignDpi(), 144);
  EXPECT_FALSE(TZSEDesigner::CanChangeSceneVisibility(nullptr));
  TZSEDesigner::BoundsChanged(nullptr);
  TZSEDesigner::ItemChanged(nullptr);
  EXPECT_EQ(desktop->Notifications, 2);
  // The desktop has no hook interface: the form handles its messages itself.
  EXPECT_FALSE(TZSEDesigner::HookMessage(message, nullptr));
  ZSESetDesignDesktop(nullptr);
  EXPECT_FALSE(TZSEDesigner::IsDesigning());
}

}  // namespace
