#include <gtest/gtest.h>

#include "rtl/RTL.Classes.h"
#include "vcl/VCL.Controls.h"
#include "zcl/ui/ZCL.Utils.DPIAware.h"

namespace {

TEST(DPIAware, ScaleAndUnscaleRoundHalfAwayFromZero) {
  struct Case {
    Integer Value, DPI, Scaled, Unscaled;
  } cases[] = {
      {3, 144, 5, 2},   {-3, 144, -5, -2}, {7, 96, 7, 7},
      {150, 144, 225, 100}, {10, 120, 13, 8}, {0, 480, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScaleByDPI(c.Value, c.DPI), c.Scaled) << c.Value << "@" << c.DPI;
    EXPECT_EQ(UnscaleByDPI(c.Value, c.DPI), c.Unscaled) << c.Value << "@" << c.DPI;
  }
  EXPECT_EQ(ScaleRectByDPI(TRect(1, 2, 3, -3), 144), TRect(2, 3, 5, -5));
  EXPECT_EQ(UnscaleRectByDPI(TRect(3, 6, 150, -3), 144), TRect(2, 4, 100, -2));
  EXPECT_EQ(ScalePointByDPI(TPoint(3, 4), 144), TPoint(5, 6));
  EXPECT_EQ(UnscaleSizeByDPI(TSize(150, 3), 144), TSize(100, 2));
  EXPECT_EQ(FontSizeToHeight(96, 9), -12);
  EXPECT_EQ(FontSizeToHeight(144, 9), -18);
}

class TDpiObject : public TComponent, public IZCLCurrentDpi {
  ZCL_CLASS(TDpiObject, TComponent)
  RTL_INTERFACES(TComponent, IZCLCurrentDpi)
 public:
  using TComponent::TComponent;
  Integer GetCurrentDpi() override { return 120; }
};

TEST(DPIAware, ComponentDpiFollowsInterfaceControlAndOwner) {
  TDpiObject owner(nullptr);
  TComponent* child = new TComponent(&owner);
  EXPECT_EQ(GetComponentDPI(&owner), 120);
  EXPECT_EQ(GetComponentDPI(child), 120);  // an owned non-visual component takes its owner's DPI
  TComponent lone(nullptr);
  EXPECT_EQ(GetComponentDPI(&lone), 0);
  TObject plain;
  EXPECT_EQ(GetComponentDPI(&plain), 0);
  EXPECT_EQ(GetComponentDPI(nullptr), 0);
  TControl control(nullptr);
  EXPECT_EQ(GetComponentDPI(&control), 96);
}

TEST(DPIAware, SystemAndMonitorDpi) {
  ResetSystemDPI();
  EXPECT_EQ(GetSystemDPI(), 96);  // the headless screen of the test set-up
  EXPECT_EQ(GetMonitorDPIAtPoint(TPoint(-100000, -100000)), 96);
}

}  // namespace
