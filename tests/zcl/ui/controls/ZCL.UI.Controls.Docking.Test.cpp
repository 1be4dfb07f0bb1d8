#include <gtest/gtest.h>

#include "DockingTestSupport.h"

namespace {

using namespace docktest;

TEST(DockGroup, LinearLayoutSharesTheExtentByCustomSizes) {
  struct Case {
    TZCLDockGroupLayout Layout;
    Integer Width, Height;
    std::vector<std::tuple<TAlign, Integer>> Children;  // alignment, custom size along the axis
    std::vector<Integer> Sizes;
  } cases[] = {
      {Horizontal, 600, 300, {{alLeft, 200}, {alRight, 150}, {alClient, 100}}, {200, 150, 250}},
      {Horizontal, 400, 300, {{alLeft, 200}, {alRight, 150}, {alClient, 100}}, {160, 120, 120}},
      {Vertical, 300, 600, {{alClient, 200}}, {597}},
  };
  for (const Case& c : cases) {
    TDockFixture f(c.Width, c.Height);
    f.Site->SetLayout(c.Layout);
    for (size_t i = 0; i < c.Children.size(); ++i) {
      const auto [align, size] = c.Children[i];
      f.Place(Integer(i), f.Site, align, size, size);
    }
    f.Show();
    for (size_t i = 0; i < c.Sizes.size(); ++i) {
      const Integer size = c.Layout == Horizontal ? f.Panels[i]->GetWidth() : f.Panels[i]->GetHeight();
      EXPECT_EQ(size, c.Sizes[i]) << c.Width << " " << i;
    }
    if (c.Layout == Horizontal) {
      // Neighbours across the edges: left | fill | right.
      EXPECT_EQ(f.Panels[0]->GetNeighbour(2), f.Panels[2]);
      EXPECT_EQ(f.Panels[2]->GetNeighbour(2), f.Panels[1]);
      EXPECT_EQ(f.Panels[1]->GetNeighbour(0), f.Panels[2]);
      EXPECT_EQ(f.Panels[0]->GetNeighbour(0), nullptr);
      // The children are normalised: leading, fill, trailing.
      EXPECT_EQ(f.Site->GetControl(1), f.Panels[2]);
    } else {
      EXPECT_EQ(f.Site->GetContentRect().Height(), 3);
    }
  }
}

TEST(DockGroup, HostingTheWrongControlIsRefused) {
  TDockFixture f;
  auto* stranger = Create<TZCLCustomControl>(f.Form.get());
  auto* group = Create<TZCLDockGroup>(f.Form.get());
  struct Case {
    std::function<void()> Act;
    const char16_t* Message;
  } cases[] = {
      {[&] { f.Panels[0]->SetParent(f.Form.get()); }, u"DockPanel can be hosted on DockGroup only"},
      {[&] { stranger->SetParent(f.Site); }, u"Only DockPanel and DockGroup are allowed here"},
      {[&] { group->SetParent(f.Panels[1]); }, u"DockControls are not allowed here"},
  };
  f.Site->InsertDockControl(f.Panels[1], -1, alClient);
  for (const Case& c : cases) {
    try {
      c.Act();
      ADD_FAILURE() << "no error";
    } catch (const EInvalidInsert& e) {
      EXPECT_EQ(e.GetMessage(), c.Message);
    }
  }
}

TEST(DockGroup, TabbedGroupShowsTabsOnlyForTwoVisibleChildrenAndSkipsHiddenOnes) {
  TDockFixture f;
  TZCLDockGroup* tabs = f.NewGroup(f.Site, Tabbed, alClient);
  for (Integer i = 0; i < 3; ++i) f.Place(i, tabs, alClient);
  f.Show();
  EXPECT_EQ(tabs->GetActiveControlIndex(), 0);
  EXPECT_EQ(tabs->GetTabs().size(), 3u);
  EXPECT_FALSE(tabs->GetTabAreaRect().IsEmpty());
  EXPECT_LT(f.Panels[1]->GetTop(), -30000);  // parked off screen
  // Hidden children: the next visible one, else the previous one, else none.
  f.Panels[1]->Hide();
  tabs->SetActiveControlIndex(1);
  EXPECT_EQ(tabs->GetActiveControlIndex(), 2);
  f.Panels[2]->Hide();
  tabs->SetActiveControlIndex(2);
  EXPECT_EQ(tabs->GetActiveControlIndex(), 0);
  Headless::RunUntilIdle();
  EXPECT_TRUE(tabs->GetTabAreaRect().IsEmpty());  // one visible child fills the group
  EXPECT_EQ(f.Panels[0]->GetBoundsRect(), tabs->GetLayoutRect());
  f.Panels[0]->Hide();
  tabs->SetActiveControlIndex(0);
  EXPECT_EQ(tabs->GetActiveControlIndex(), -1);
  // Clicking a tab activates its panel.
  f.Panels[1]->Show();
  f.Panels[2]->Show();
  Headless::RunUntilIdle();
  const TRect tab = tabs->GetTabs().at(1).Bounds;
  Headless::Click(tabs->ClientToScreen(tab.CenterPoint()));
  Headless::RunUntilIdle();
  EXPECT_EQ(tabs->GetActiveControl(), tabs->GetTabs().at(1).Control);
}

TEST(DockGroup, EdgeDragStopsAtTheMinimumSizeAndWaitsForTheMouse) {
  TDockFixture f;
  f.Place(0, f.Site, alLeft, 300);
  f.Place(1, f.Site, alClient);
  f.Show();
  TZCLDockPanel* left = f.Panels[0];
  const Integer minimum = left->GetMinSize();
  // The edge between the two: the right margin of the left panel.
  const TPoint edge = left->ClientToScreen(TPoint(left->GetWidth() - 1, 200));
  Headless::MouseMove(edge);
  Headless::MouseDown(edge);
  Headless::RunUntilIdle();
  EXPECT_EQ(left->GetDragMode(), TZCLDockDragMode::Resize);
  Headless::MouseMove(TPoint(edge.X - 50, edge.Y));
  Headless::RunUntilIdle();
  EXPECT_EQ(left->GetWidth(), 250);
  EXPECT_EQ(left->GetCustomWidth(), 250);
  Headless::MouseMove(TPoint(edge.X - 400, edge.Y));
  Headless::RunUntilIdle();
  EXPECT_EQ(left->GetWidth(), minimum);
  // Coming back: the edge follows only once the mouse passes it again.
  Headless::MouseMove(TPoint(edge.X - 300 + minimum - 10 + 5, edge.Y));
  Headless::RunUntilIdle();
  EXPECT_EQ(left->GetWidth(), minimum);
  Headless::MouseUp(TPoint(edge.X - 300, edge.Y));
  Headless::RunUntilIdle();
  EXPECT_EQ(left->GetDragMode(), TZCLDockDragMode::None);
  // Setting CustomWidth outside a group changes nothing.
  f.Panels[2]->SetCustomWidth(321);
  EXPECT_EQ(f.Panels[2]->GetCustomWidth(), 100);
}

TEST(DockEngine, CentreZoneOfAPanelMakesATabbedGroupWithTheDroppedOneActive) {
  TDockFixture f;
  f.Place(0, f.Site, alLeft, 250);
  f.Place(1, f.Site, alClient);
  f.Place(2, f.Site, alRight, 200);
  f.Show();
  TZCLDockPanel* dragged = f.Panels[2];
  TZCLDockPanel* target = f.Panels[1];
  const TPoint start = f.CaptionPoint(dragged);
  Headless::MouseMove(start);
  Headless::MouseDown(start);
  Headless::RunUntilIdle();
  Headless::MouseMove(TPoint(start.X - 12, start.Y + 12));
  Headless::RunUntilIdle();
  ASSERT_NE(dragged->GetEngine(), nullptr);
  // Over the dragged panel itself only the site's edge zones are shown.
  EXPECT_EQ(dragged->GetEngine()->GetZones().size(), 4u);  // the site has a client-aligned child: no centre
  EXPECT_EQ(FindZone<TZCLDockZoneClient>(dragged->GetEngine(), dragged, -1), nullptr);
  Headless::MouseMove(f.Centre(target));
  Headless::RunUntilIdle();
  ASSERT_NE(dragged->GetEngine(), nullptr);
  auto* centre = FindZone<TZCLDockZoneClient>(dragged->GetEngine(), target, -1);
  ASSERT_NE(centre, nullptr);
  const TPoint onZone = centre->GetBoundsRect().CenterPoint();
  Headless::MouseMove(onZone);
  Headless::RunUntilIdle();
  EXPECT_EQ(dragged->GetEngine()->GetHotZone(), centre);
  EXPECT_TRUE(centre->GetHighlighted());
  f.Release(onZone);
  EXPECT_EQ(dragged->GetEngine(), nullptr);
  auto* group = dynamic_cast<TZCLDockGroup*>(target->GetParent());
  ASSERT_NE(group, nullptr);
  EXPECT_NE(group, f.Site);
  EXPECT_EQ(group->GetLayout(), Tabbed);
  EXPECT_EQ(dragged->GetParent(), group);
  EXPECT_EQ(group->GetActiveControl(), dragged);
  EXPECT_EQ(group->GetAlign(), alClient);  // the target's place and alignment
}

TEST(DockEngine, TopEdgeOfAHorizontalSiteMakesItVerticalWithTheDroppedPanelFirst) {
  TDockFixture f;
  f.Place(0, f.Site, alLeft, 250);
  f.Place(1, f.Site, alClient);
  f.Place(2, f.Site, alRight, 200);
  f.Show();
  TZCLDockPanel* dragged = f.Panels[0];
  const TPoint start = f.CaptionPoint(dragged);
  f.DragTo(start, {f.Centre(f.Panels[1])});
  auto* top = FindZone<TZCLDockZoneSide>(dragged->GetEngine(), f.Site, 1);
  ASSERT_NE(top, nullptr);
  const TPoint onZone = top->GetBoundsRect().CenterPoint();
  Headless::MouseMove(onZone);
  Headless::RunUntilIdle();
  f.Release(onZone);
  EXPECT_EQ(f.Site->GetLayout(), Vertical);
  EXPECT_EQ(f.Site->GetControl(0), dragged);
  auto* rest = dynamic_cast<TZCLDockGroup*>(f.Site->GetControl(1));
  ASSERT_NE(rest, nullptr);
  EXPECT_EQ(rest->GetLayout(), Horizontal);
  EXPECT_EQ(rest->GetControlCount(), 2);
}

TEST(DockEngine, RefusesTheSideZoneWhereThePanelAlreadyIs) {
  TDockFixture f;
  f.Place(0, f.Site, alClient);
  f.Place(1, f.Site, alClient);
  f.Show();
  auto* centre = new TZCLDockZoneClient(f.Panels[0]);
  auto* right = new TZCLDockZoneClientSide(f.Panels[0], 2, centre);
  auto* left = new TZCLDockZoneClientSide(f.Panels[0], 0, centre);
  EXPECT_FALSE(right->CanDock(f.Panels[1]));
  EXPECT_TRUE(left->CanDock(f.Panels[1]));
  Free(left);
  Free(right);
  Free(centre);
}

TEST(DockEngine, ReleaseOutsideZonesFloatsWhereThePreviewWasAndAnEmptiedWindowGoes) {
  TDockFixture f;
  f.Place(0, f.Site, alLeft, 250);
  f.Place(1, f.Site, alClient);
  f.Show();
  TZCLDockPanel* dragged = f.Panels[0];
  TRect content(0, 0, 0, 0);
  dragged->AdjustClientRect(content);
  const TPoint start = f.CaptionPoint(dragged);
  // Below the host form: no dock control, no zone.
  const TPoint away(start.X + 300, start.Y + 700);
  f.DragTo(start, {away});
  const TRect preview = dragged->GetEngine()->GetSelectionRect();
  f.Release(away);
  ASSERT_EQ(f.Site->GetFloatFormCount(), 1);
  TZCLFloatDockForm* window = f.Site->GetFloatForm(0);
  EXPECT_EQ(dragged->GetParent(), window->GetGroup());
  EXPECT_TRUE(window->GetVisible());
  // The content lands where the preview showed the panel's content.
  const TPoint origin = dragged->ClientToScreen(TPoint(0, 0));
  EXPECT_NEAR(origin.X, preview.Left + content.Left, 1);
  EXPECT_NEAR(origin.Y, preview.Top + content.Top, 1);
  // Docked elsewhere, its only panel leaves the window empty: it releases itself.
  auto* zone = new TZCLDockZoneSide(f.Site, 0);
  zone->Dock(dragged);
  Free(zone);
  Headless::RunUntilIdle();
  EXPECT_EQ(f.Site->GetFloatFormCount(), 0);
  EXPECT_EQ(dragged->GetParent(), f.Site);
}

}  // namespace

namespace {

using namespace docktest;

TEST(DockSideBars, PinningRulesAndThePinButtonReturnsThePanel) {
  TDockFixture f;
  TZCLDockGroup* column = f.NewGroup(f.Site, Vertical, alLeft, u"Column");
  column->SetCustomWidthValue(250);
  f.Place(0, column, alTop, 100, 150);
  f.Place(1, column, alClient);
  f.Place(2, f.Site, alClient);
  f.Show();
  TZCLDockSiteSideBars* bars = f.Site->GetSideBars();
  struct Case {
    std::function<void()> Act;
    const char16_t* Message;
  } cases[] = {
      {[&] { bars->GetBar(0)->Pin(f.Site); }, u"Unable to pin DockSite to side bar"},
      {[&] {
         f.Panels[2]->SetSideBar(bars->GetBar(3));
         bars->GetBar(3)->Pin(f.Panels[2]);
       },
       u"The controls is already pinned"},
  };
  for (const Case& c : cases) {
    try {
      c.Act();
      ADD_FAILURE() << "no error";
    } catch (const EInvalidArgument& e) {
      EXPECT_EQ(e.GetMessage(), c.Message);
    }
  }
  f.Panels[2]->SetSideBar(nullptr);
  EXPECT_EQ(f.Panels[2]->GetParent(), f.Site);
  EXPECT_EQ(f.Panels[2]->GetAlign(), alClient);

  // No tabs: no bars. The top panel of the Vertical column goes to the top bar.
  EXPECT_EQ(f.Site->GetLayoutRect(), f.Site->GetClientRect());
  TZCLDockPanel* p = f.Panels[0];
  p->ClickButton(2);
  EXPECT_EQ(p->GetSideBar(), bars->GetBar(1));
  EXPECT_EQ(p->GetParent(), f.Site);
  EXPECT_EQ(p->GetAlign(), alCustom);
  EXPECT_FALSE(p->GetVisible());
  EXPECT_EQ(bars->GetBar(1)->GetBounds().Height(), f.Site->GetStyle()->GetTabHeight());
  EXPECT_EQ(f.Site->GetLayoutRect().Top, bars->GetBar(1)->GetBounds().Bottom);
  // The group it left is kept for its return.
  Headless::RunUntilIdle();
  EXPECT_EQ(column->GetPinReferenceCount(), 1);
  p->ClickButton(2);
  EXPECT_EQ(p->GetSideBar(), nullptr);
  EXPECT_EQ(p->GetParent(), column);
  EXPECT_EQ(column->GetControl(0), p);
  EXPECT_EQ(p->GetAlign(), alTop);
  EXPECT_TRUE(p->GetVisible());
  EXPECT_EQ(bars->GetBar(1)->GetBounds().Height(), 0);
}

TEST(DockSideBars, HoverSlidesOutAndLeavingHidesWithinHalfASecond) {
  TDockFixture f(800, 600);
  UIAnimationsEnabled = true;
  f.Place(0, f.Site, alLeft, 700);
  f.Place(1, f.Site, alClient);
  f.Show();
  TZCLDockPanel* p = f.Panels[0];
  p->StoreCustomSize();
  p->SetCustomWidthValue(700);
  p->SetSideBar(f.Site->GetSideBars()->GetBar(0));
  Headless::RunUntilIdle();
  TZCLDockSiteSideBarTab* tab = f.Site->GetSideBars()->GetBar(0)->GetTab(0);
  const TPoint onTab = f.Site->ClientToScreen(tab->Bounds.CenterPoint());
  Headless::MouseMove(onTab);
  Headless::RunUntilIdle();
  Headless::Advance(290);
  EXPECT_EQ(f.Site->GetSideBars()->GetShownTab(), nullptr);
  Headless::Advance(20);
  EXPECT_EQ(f.Site->GetSideBars()->GetShownTab(), tab);
  EXPECT_TRUE(f.Site->GetSideBars()->IsAnimating());
  Headless::Advance(100);
  const Integer halfway = p->GetWidth();
  Headless::Advance(150);
  EXPECT_FALSE(f.Site->GetSideBars()->IsAnimating());
  // Never more than 80 % of the inner width, however large the custom width.
  const Integer limit = MulDiv(80, f.Site->GetLayoutRect().Width(), 100);
  EXPECT_EQ(p->GetWidth(), limit);
  EXPECT_GT(halfway, 0);
  EXPECT_LT(halfway, limit);
  // Off the panel and the bar, with the focus elsewhere: hidden within 500 ms.
  f.Panels[1]->SetFocus();
  Headless::MouseMove(f.Site->ClientToScreen(TPoint(f.Site->GetWidth() - 10, 300)));
  Headless::RunUntilIdle();
  Headless::Advance(500);
  Headless::Advance(250);
  EXPECT_EQ(f.Site->GetSideBars()->GetShownTab(), nullptr);
  EXPECT_FALSE(p->GetVisible());
  // Shown in code: no animation, and the focus goes to it.
  p->SetVisible(true);
  EXPECT_EQ(f.Site->GetSideBars()->GetShownTab(), tab);
  EXPECT_FALSE(f.Site->GetSideBars()->IsAnimating());
  // Destroying a pinned panel removes its tab.
  Free(p);
  EXPECT_EQ(f.Site->GetSideBars()->GetBar(0)->GetTabCount(), 0);
  EXPECT_EQ(f.Site->GetSideBars()->GetShownTab(), nullptr);
}

}  // namespace
