#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "os/OS.Input.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zse/engine/ZSE.Forms.Input.h"
#include "zse/engine/ZSE.Forms.h"
#include "zse/engine/ZSE.Forms.Placement.h"

namespace {

TMonitorDesc Monitor(const TRect& Bounds, const TRect& Work, bool Primary = true) {
  TMonitorDesc m;
  m.Bounds = Bounds;
  m.WorkArea = Work;
  m.Primary = Primary;
  return m;
}

const TRect Screen1(0, 0, 1000, 800);

TEST(ZsePlaceAnchors, RightAnchorKeepsItsOffsetAfterTheWorkAreaChanged) {
  TZSEFormPlaceAnchors anchors(nullptr);
  const TRect margins(3, 3, 3, 3);
  // The body ends 10 pixels from the right of the work area.
  anchors.Capture(TRect(597, 97, 993, 303), margins, {Monitor(Screen1, Screen1)});
  EXPECT_EQ(anchors.GetMagnets(), ZSEAnchorRight);
  EXPECT_EQ(anchors.GetOffsets().Right, 10);
  // The work area shrinks by 100 on the right: the offset is scaled by 900 / 1000.
  const TRect placed = anchors.Apply(TRect(597, 97, 993, 303), margins, {}, {Monitor(Screen1, TRect(0, 0, 900, 800))});
  EXPECT_EQ(placed.Right - margins.Right, 900 - 9);
  EXPECT_EQ(placed.Width(), 396);
  EXPECT_EQ(placed.Top, 97);
}

TEST(ZsePlaceAnchors, UnanchoredFormOnlyFitsOntoTheWorkArea) {
  TZSEFormPlaceAnchors anchors(nullptr);
  anchors.Capture(TRect(300, 300, 400, 400), TRect(), {Monitor(Screen1, Screen1)});
  EXPECT_EQ(anchors.GetMagnets(), 0);
  EXPECT_EQ(anchors.Apply(TRect(300, 300, 400, 400), TRect(), {}, {Monitor(Screen1, Screen1)}), TRect(300, 300, 400, 400));
  EXPECT_EQ(anchors.Apply(TRect(950, 300, 1050, 400), TRect(), {}, {Monitor(Screen1, Screen1)}), TRect(900, 300, 1000, 400));
}

TEST(ZsePlaceAnchors, MissingMonitorMeansThePrimaryAndSettingsRoundTrip) {
  const std::vector<TMonitorDesc> monitors = {Monitor(TRect(1000, 0, 2000, 800), TRect(1000, 0, 2000, 800), false),
                                              Monitor(Screen1, Screen1, true)};
  TZCLIniFileSection section(u"Main");
  section.WriteRect(u"PositionMagnets", TRect(1, 1, 0, 0));
  section.WriteRect(u"PositionMagnetOffsets", TRect(5, 6, 0, 0));
  section.WriteInteger(u"ScreenIndex", 7);
  TZSEFormPlaceAnchors anchors(nullptr);
  anchors.LoadSettings(&section, monitors);
  EXPECT_EQ(anchors.GetScreenSize(), TSize(1000, 800));  // the primary monitor's bounds by default
  EXPECT_EQ(anchors.Apply(TRect(1500, 500, 1600, 600), TRect(), {}, monitors), TRect(5, 6, 105, 106));

  TZCLIniFileSection saved(u"Main");
  anchors.SaveSettings(&saved);
  EXPECT_EQ(saved.ReadRect(u"PositionMagnets"), TRect(1, 1, 0, 0));
  EXPECT_EQ(saved.ReadInteger(u"ScreenIndex", 0), 7);
}

TEST(ZsePin, SidesAndScreenEdges) {
  TZSEPinGeometry g;
  g.Master = TRect(700, 100, 1000, 300);
  g.Limits.MinWidth = 100;
  g.Limits.MinHeight = 50;
  g.Available = Screen1;
  // Right of the master, stretched to its height.
  EXPECT_EQ(ZSEPinBoundsAtSide(g, 2), TRect(1000, 100, 1100, 300));
  EXPECT_EQ(ZSEPinBoundsAtSide(g, 3), TRect(700, 300, 1000, 350));
  // Off the right edge: stays there unless told to prevent it, then moves left.
  Integer side = -1;
  EXPECT_EQ(ZSEPinCalculateBounds(g, 2, &side).Left, 1000);
  EXPECT_EQ(side, 2);
  g.PreventExceedScreenEdges = true;
  EXPECT_EQ(ZSEPinCalculateBounds(g, 2, &side), TRect(600, 100, 700, 300));
  EXPECT_EQ(side, 0);
  // Without stretching (old skins) the form is centred below the master.
  g.Stretch = false;
  EXPECT_EQ(ZSEPinBoundsAtSide(g, 3), TRect(800, 300, 900, 350));
}

TEST(ZseToolbarRect, StripsAreAtLeastTwentyPixels) {
  const TRect area(0, 0, 1000, 800);
  EXPECT_EQ(ZSEToolbarCalculateRect(area, 0, TSize(5, 5), {}), TRect(0, 0, 20, 800));
  EXPECT_EQ(ZSEToolbarCalculateRect(area, 1, TSize(60, 5), {}), TRect(940, 0, 1000, 800));
  EXPECT_EQ(ZSEToolbarCalculateRect(area, 3, TSize(5, 5), {0, 30, 0, 0}), TRect(0, 770, 1000, 800));
}

TEST(ZseStoredPosition, ScaledFromTheStoredDpiAndZeroMeansMissing) {
  const TRect stored(10, 20, 210, 120);
  EXPECT_EQ(ZSEStoredPositionToDpi(stored, 96, 144), TRect(10, 20, 310, 170));
  for (Integer bad : {0, -96}) EXPECT_EQ(ZSEStoredPositionToDpi(stored, bad, 144), stored) << bad;
}

// ---- pointer geometry ----

TEST(ZseSizingCode, BorderPoints) {
  TZSESizingBorder b;
  b.Client = TRect(0, 0, 100, 80);
  b.MagnetMargins = TRect(2, 2, 2, 2);
  struct TCase {
    TPoint P;
    Byte Code;
  };
  const TCase cases[] = {{{50, 40}, 0}, {{1, 40}, 0},  {{3, 40}, 2},  {{97, 40}, 3}, {{50, 3}, 4},  {{50, 76}, 1},
                         {{3, 3}, 5},   {{96, 3}, 6},  {{3, 76}, 7},  {{96, 76}, 8}, {{8, 40}, 0}};
  for (const TCase& c : cases) EXPECT_EQ(ZSEGetSizingCode(b, c.P), c.Code) << c.P.X << "," << c.P.Y;
  EXPECT_EQ(ZSESizingCursor(5), crSizeNWSE);
  EXPECT_EQ(ZSESizingCursor(6), crSizeNESW);

  // No border width, no sizing.
  TZSESizingBorder none = b;
  none.Width = 0;
  EXPECT_EQ(ZSEGetSizingCode(none, TPoint(3, 40)), 0);
  // Min = max width: no horizontal sizing.
  TZSESizingBorder fixed = b;
  fixed.Horizontal = false;
  EXPECT_EQ(ZSEGetSizingCode(fixed, TPoint(3, 40)), 0);
  EXPECT_EQ(ZSEGetSizingCode(fixed, TPoint(3, 3)), 4);
  // Toolbar at the left edge: only the right border; at the top: only the bottom.
  TZSESizingBorder left = b;
  left.ToolbarEdge = 0;
  EXPECT_EQ(ZSEGetSizingCode(left, TPoint(3, 40)), 0);
  EXPECT_EQ(ZSEGetSizingCode(left, TPoint(97, 40)), 3);
  EXPECT_EQ(ZSEGetSizingCode(left, TPoint(50, 3)), 0);
  TZSESizingBorder top = b;
  top.ToolbarEdge = 2;
  EXPECT_EQ(ZSEGetSizingCode(top, TPoint(50, 76)), 1);
  EXPECT_EQ(ZSEGetSizingCode(top, TPoint(50, 3)), 0);
}

TEST(ZseWheel, DeltasBecomeNotchesPerElement) {
  TZSEWheelAccumulator wheel;
  int a = 0, b = 0;
  std::vector<bool> notches;
  auto record = [&](bool up) { notches.push_back(up); };
  wheel.Feed(&a, 60, record);
  wheel.Feed(&a, 60, record);
  EXPECT_EQ(notches, std::vector<bool>{true});
  notches.clear();
  wheel.Feed(&a, 60, record);
  wheel.Feed(&b, 60, record);  // another element starts afresh
  EXPECT_TRUE(notches.empty());
  wheel.Feed(&b, -300, record);
  EXPECT_EQ(notches, (std::vector<bool>{false, false}));
  EXPECT_EQ(wheel.GetRemainder(), -0);
}

TEST(ZseResize, ClampsToLimitsAndSnapsVisibleEdges) {
  // Right edge towards a line at 506 with a right margin of 4: the visible edge lands on it.
  TZSEResizeTracker right(TRect(100, 100, 400, 300), 3, TRect(0, 0, 4, 0), TSize(50, 100), TSize(), 7);
  right.VerticalLines = {506};
  right.Move(TPoint(105, 0));  // visible edge at 501, 5 from the line
  EXPECT_EQ(right.GetRect().Right, 510);
  // Bottom edge with a minimum height of 100: stops there.
  TZSEResizeTracker bottom(TRect(100, 100, 400, 300), 1, TRect(), TSize(50, 100), TSize(), 7);
  const TPoint applied = bottom.Move(TPoint(0, -250));
  EXPECT_EQ(bottom.GetRect().Height(), 100);
  EXPECT_EQ(applied, TPoint(0, -100));
  // Top-left corner within a maximum of 320 x 220.
  TZSEResizeTracker corner(TRect(100, 100, 400, 300), 5, TRect(), TSize(), TSize(320, 220), 7);
  corner.Move(TPoint(-50, -50));
  EXPECT_EQ(corner.GetRect(), TRect(80, 80, 400, 300));
}

}  // namespace

namespace {

TEST(ZseFormSizing, TheFormsBorderFollowsItsSettings) {
  auto* form = TCustomForm::CreateNew<TZSEForm>(nullptr);
  form->SetBounds(0, 0, 100, 80);
  form->SetMagnetRectOffsets(TRect(2, 2, 2, 2));
  const TRect client = form->GetClientRect();
  const TPoint left(3, client.Height() / 2), corner(client.Width() - 4, client.Height() - 4);
  EXPECT_EQ(form->GetSizingCode(left), 2);
  EXPECT_EQ(form->GetSizingCode(corner), 8);
  form->SetSizingHitTestAreaWidth(-3);
  EXPECT_EQ(form->GetSizingHitTestAreaWidth(), 0);
  EXPECT_EQ(form->GetSizingCode(left), 0);
  form->SetSizingHitTestAreaWidth(5);
  // Min = max width: no horizontal sizing, the corner sizes vertically only.
  form->GetConstraints()->SetMinWidth(100);
  form->GetConstraints()->SetMaxWidth(100);
  EXPECT_EQ(form->GetSizingCode(left), 0);
  EXPECT_EQ(form->GetSizingCode(corner), 1);
  form->SetLocked(true);
  EXPECT_EQ(form->GetSizingCode(corner), 0);
  Free(form);
}

}  // namespace

namespace {

// A stored DPI of 0 or less is as good as none: the position is taken as it is.
TEST(ZseFormSettings, PositionComesBackAtTheStoredDpi) {
  auto* form = TCustomForm::CreateNew<TZSEForm>(nullptr);
  form->SetName(u"Library");
  TZCLIniFile* ini = TZCLIniFile::CreateInMemory();
  struct TCase {
    const Char* Dpi;
    TRect Expected;
  };
  // The test screen is 96 DPI; 48 stored means the size doubles.
  const TCase cases[] = {{u"48", TRect(100, 100, 300, 180)}, {u"0", TRect(100, 100, 200, 140)},
                         {u"-5", TRect(100, 100, 200, 140)}, {nullptr, TRect(100, 100, 200, 140)}};
  for (const TCase& c : cases) {
    ini->DeleteSection(u"Library");
    ini->WriteRect(u"Library", u"Position", TRect(100, 100, 200, 140));
    if (c.Dpi) ini->WriteString(u"Library", u"DPI", c.Dpi);
    form->LoadSettings(ini);
    EXPECT_EQ(form->GetBoundsRect(), c.Expected) << (c.Dpi ? StringToUTF8(c.Dpi) : "missing");
  }
  form->SetLocked(true);
  form->SaveSettings(ini);
  EXPECT_TRUE(ini->ReadBool(u"Library", u"Locked", false));
  EXPECT_EQ(ini->ReadInteger(u"Library", u"DPI", 0), 96);
  EXPECT_EQ(ini->ReadRect(u"Library", u"Position"), TRect(100, 100, 200, 140));
  Free(ini);
  Free(form);
}

// Without a stored position the body of the initial size is centred on the main window's monitor.
TEST(ZseFormSettings, NoStoredPositionCentresTheInitialSize) {
  auto* form = TCustomForm::CreateNew<TZSEForm>(nullptr);
  form->SetName(u"Library");
  form->GetInitialSize()->SetValue(TSize(100, 50));
  form->SetMagnetRectOffsets(TRect(4, 2, 6, 8));
  TZCLIniFile* ini = TZCLIniFile::CreateInMemory();
  ini->WriteBool(u"Library", u"Locked", false);
  const TRect area = Screen->GetPrimaryMonitor()->GetBoundsRect();
  const Integer cx = area.Left + area.Width() / 2, cy = area.Top + area.Height() / 2;
  form->LoadSettings(ini);
  // The body (90 by 40) sits in the middle; the margins lie around it.
  EXPECT_EQ(form->GetBoundsRect(), TRect(cx - 45 - 4, cy - 20 - 2, cx + 45 + 6, cy + 20 + 8));
  form->GetConstraints()->SetMinWidth(150);
  form->LoadSettings(ini);
  EXPECT_EQ(form->GetWidth(), 150) << "never below the minimum size";
  Free(ini);
  Free(form);
}

}  // namespace

namespace {

struct UserGestures : ::testing::Test {
  TZSEForm* Form = nullptr;
  TZSEForm* Other = nullptr;
  void SetUp() override {
    Form = TCustomForm::CreateNew<TZSEForm>(nullptr);
    Form->SetBounds(200, 200, 200, 100);
    Form->SetVisible(true);
    Other = TCustomForm::CreateNew<TZSEForm>(nullptr);
    Other->SetBounds(600, 150, 100, 300);
    Other->SetVisible(true);
  }
  void TearDown() override {
    Free(Other);
    Free(Form);
    EngineSnapEnabled = true;
  }
};

TEST_F(UserGestures, ResizeAppliesOnlyAtFinish) {
  const TRect before = Form->GetBoundsRect();
  {
    TZSEFormResizer resizer(Form, TPoint(400, 250), 3);
    EXPECT_EQ(resizer.GetCursor(), crSizeWE);
    resizer.Move(TPoint(500, 260));
    EXPECT_EQ(resizer.GetRect().Right, 500);
    EXPECT_EQ(Form->GetBoundsRect(), before);
  }  // cancelled: freed without finishing
  EXPECT_EQ(Form->GetBoundsRect(), before);

  // Within 7 pixels of the other form's left edge the right edge snaps onto it.
  TZSEFormResizer resizer(Form, TPoint(400, 250), 3);
  resizer.Move(TPoint(595, 250));
  EXPECT_EQ(resizer.GetRect().Right, 600);
  resizer.Finish();
  EXPECT_EQ(Form->GetBoundsRect(), TRect(200, 200, 600, 300));
  // Without snapping it goes where the pointer goes.
  EngineSnapEnabled = false;
  TZSEFormResizer free(Form, TPoint(600, 250), 3);
  free.Move(TPoint(595, 250));
  EXPECT_EQ(free.GetRect().Right, 595);
}

TEST_F(UserGestures, MoveFollowsThePointerAndDocksAtTheEdge) {
  EngineSnapEnabled = false;
  TZSEFormDragger dragger(Form, TPoint(20, 10));
  dragger.Move(TPoint(250, 230));
  EXPECT_EQ(Form->GetBoundsRect().TopLeft(), TPoint(230, 220));
  dragger.Move(TPoint(260, 240));
  EXPECT_EQ(Form->GetBoundsRect().TopLeft(), TPoint(240, 230));
  dragger.Finish();
  EXPECT_EQ(Form->GetPlacementKind(), fpkNormal);

  TZSEFormDragger toEdge(Form, TPoint(20, 10));
  const TRect area = Screen->GetWorkAreaRect();
  toEdge.Move(TPoint(area.Left + 2, 300));
  toEdge.Finish();
  EXPECT_EQ(Form->GetPlacementKind(), fpkToolBar);
  EXPECT_EQ(Form->GetToolBar()->GetEdge(), 0);
}

}  // namespace

namespace {

TEST(ZseMasterForm, CyclesAreIgnored) {
  auto* a = TCustomForm::CreateNew<TZSEForm>(nullptr);
  auto* b = TCustomForm::CreateNew<TZSEForm>(nullptr);
  auto* c = TCustomForm::CreateNew<TZSEForm>(nullptr);
  b->SetMasterForm(a);
  c->SetMasterForm(b);
  a->SetMasterForm(c);  // c depends on a
  EXPECT_EQ(a->GetMasterForm(), nullptr);
  a->SetMasterForm(a);
  EXPECT_EQ(a->GetMasterForm(), nullptr);
  Free(a);
  EXPECT_EQ(b->GetMasterForm(), nullptr);  // freed masters are forgotten
  Free(c);
  Free(b);
}

}  // namespace

namespace {

TEST(ZseFormVisibility, AFormShowsOnlyWithItsMaster) {
  auto* master = TCustomForm::CreateNew<TZSEForm>(nullptr);
  auto* child = TCustomForm::CreateNew<TZSEForm>(nullptr);
  child->SetMasterForm(master);
  child->SetFormVisible(true);
  EXPECT_TRUE(child->GetFormVisible());
  EXPECT_FALSE(child->GetVisible());  // the master is hidden
  master->SetFormVisible(true);
  EXPECT_TRUE(child->GetVisible());
  master->SetVisible(false);  // the master's window hidden by other means
  EXPECT_FALSE(child->GetVisible());
  master->SetVisible(true);
  EXPECT_TRUE(child->GetVisible());
  // Docked: drawn by its host, no window of its own.
  child->SetDocked(true);
  EXPECT_FALSE(child->GetVisible());
  child->SetDocked(false);
  EXPECT_TRUE(child->GetVisible());
  Free(child);
  Free(master);
}

}  // namespace

#include "zse/engine/ZSE.Layout.Containers.h"

namespace {

// Forms of the skin manager store their visibility; the hook stands in for the manager.
struct FormState : ::testing::Test {
  TZSEForm* Form = nullptr;
  TZCLIniFile* Ini = nullptr;
  std::function<bool(TZSEBaseForm*)> SavedHook;
  void SetUp() override {
    SavedHook = TZSELayoutDockSite::IsSkinManagerForm;
    TZSELayoutDockSite::IsSkinManagerForm = [](TZSEBaseForm*) { return true; };
    Form = TCustomForm::CreateNew<TZSEForm>(nullptr);
    Form->SetName(u"Library");
    Form->SetBounds(100, 100, 200, 80);
    Ini = TZCLIniFile::CreateInMemory();
  }
  void TearDown() override {
    Free(Ini);
    Free(Form);
    TZSELayoutDockSite::IsSkinManagerForm = SavedHook;
  }
  TZSEForm* Reload() {
    auto* other = TCustomForm::CreateNew<TZSEForm>(nullptr);
    other->SetName(u"Library");
    other->LoadSettings(Ini);
    return other;
  }
};

TEST_F(FormState, MaximizedAndRestoredKeepTheNormalBounds) {
  const TRect normal = Form->GetBoundsRect();
  Form->Maximize();
  ASSERT_EQ(Form->GetPlacementKind(), fpkMaximized);
  EXPECT_EQ(Form->GetRestoredBounds(), normal);
  Form->SaveSettings(Ini);
  EXPECT_EQ(Ini->ReadRect(u"Library", u"Position"), normal);
  EXPECT_EQ(Ini->ReadInteger(u"Library", u"WindowState", -1), 3);

  TZSEForm* back = Reload();
  EXPECT_EQ(back->GetPlacementKind(), fpkMaximized);
  EXPECT_EQ(back->GetRestoredBounds(), normal);
  back->ToggleMaximize();
  EXPECT_EQ(back->GetPlacementKind(), fpkNormal);
  EXPECT_EQ(back->GetBoundsRect(), normal);
  EXPECT_TRUE(back->GetFormVisible());
  Free(back);

  // A form that may not maximize ignores the request and a stored maximized state.
  Form->Restore();
  Form->GetConstraints()->SetMaxWidth(500);
  Form->Maximize();
  EXPECT_EQ(Form->GetPlacementKind(), fpkNormal);
  Form->SetBounds(10, 10, 50, 50);
  Form->SetFormVisible(false);
  Form->LoadSettings(Ini);
  EXPECT_EQ(Form->GetBoundsRect(), TRect(10, 10, 60, 60));
  EXPECT_FALSE(Form->GetFormVisible());
}

TEST_F(FormState, RestoreFitsOntoTheWorkAreaAndAStateNoLongerAllowedIsLeft) {
  Form->SetBounds(100, 100, 200, 80);
  Form->SetMagnetRectOffsets(TRect(5, 5, 5, 5));
  Form->Maximize();
  ASSERT_EQ(Form->GetPlacementKind(), fpkMaximized);
  const TRect work = Screen->MonitorFromRect(TRect(100, 100, 300, 180))->GetWorkareaRect();
  Form->Restore(TPoint(work.Left - 500, work.Bottom - 10), nullptr);
  // Only the transparent margins may stand out of the work area.
  EXPECT_EQ(Form->GetBoundsRect(), TRect(work.Left - 5, work.Bottom + 5 - 80, work.Left - 5 + 200, work.Bottom + 5));

  // Moving a toolbar brings back its normal size under the pointer, held at the same relative point.
  Form->SetMagnetRectOffsets(TRect());
  Form->SetBounds(300, 300, 200, 80);
  Form->DockToEdge(2);
  const TRect strip = Form->GetBoundsRect();
  const TPoint press(strip.Width() / 2, strip.Height() / 2);
  delete new TZSEFormDragger(Form, press);
  EXPECT_EQ(Form->GetPlacementKind(), fpkNormal);
  EXPECT_EQ(Form->GetWidth(), 200);
  EXPECT_EQ(Form->GetLeft(), strip.Left + strip.Width() / 2 - 100);

  Form->DockToEdge(2);
  ASSERT_EQ(Form->GetPlacementKind(), fpkToolBar);
  Form->Notify(ZSEFormNotifyLayoutReset);
  EXPECT_EQ(Form->GetPlacementKind(), fpkToolBar) << "an allowed edge stays";
  Form->GetToolBar()->SetAllowedEdges(1);
  Form->Notify(ZSEFormNotifyLayoutReset);
  EXPECT_EQ(Form->GetPlacementKind(), fpkNormal);
}

// A shown toolbar in the fixed pin mode holds its strip: the work area of its monitor shrinks by
// it until the form leaves that mode, hides or goes away.
TEST(ZseFormAppBar, AFixedToolbarHoldsItsStripOfTheWorkArea) {
  auto* bar = TCustomForm::CreateNew<TZSEForm>(nullptr);
  bar->SetBounds(100, 100, 300, 30);
  bar->SetVisible(true);
  TMonitor* monitor = Screen->MonitorFromRect(bar->GetBoundsRect());
  const TRect work = monitor->GetWorkareaRect();
  bar->DockToEdge(2);
  ASSERT_EQ(bar->GetToolBar()->GetPinMode(), 1);
  EXPECT_TRUE(bar->GetAppBarRegistered());
  EXPECT_EQ(bar->GetBoundsRect(), TRect(monitor->GetBoundsRect().Left, monitor->GetBoundsRect().Top,
                                        monitor->GetBoundsRect().Right, monitor->GetBoundsRect().Top + 30));
  EXPECT_EQ(monitor->GetWorkareaRect().Top, std::max(work.Top, monitor->GetBoundsRect().Top + 30));
  bar->GetToolBar()->SetPinMode(2);
  EXPECT_FALSE(bar->GetAppBarRegistered());
  EXPECT_EQ(monitor->GetWorkareaRect(), work);
  bar->GetToolBar()->SetPinMode(1);
  EXPECT_TRUE(bar->GetAppBarRegistered());
  bar->SetVisible(false);
  EXPECT_EQ(monitor->GetWorkareaRect(), work) << "a hidden bar holds nothing";
  bar->SetVisible(true);
  EXPECT_NE(monitor->GetWorkareaRect(), work);
  Free(bar);
  EXPECT_EQ(monitor->GetWorkareaRect(), work) << "nor one that went away";
}

TEST_F(FormState, ToolbarModeIsStoredAndComesBack) {
  const TRect normal = Form->GetBoundsRect();
  Form->DockToEdge(0);
  Form->GetToolBar()->SetPinMode(2);
  ASSERT_EQ(Form->GetPlacementKind(), fpkToolBar);
  // The form takes the strip at the left of its monitor's work area, keeping its width.
  TMonitor* monitor = Screen->MonitorFromRect(normal);
  const TRect work = monitor->GetWorkareaRect();
  EXPECT_EQ(Form->GetToolBar()->GetMonitor(), monitor->GetMonitorNum());
  EXPECT_EQ(Form->GetBoundsRect(), TRect(work.Left, work.Top, work.Left + normal.Width(), work.Bottom));
  Form->SaveSettings(Ini);
  const TRect stored = Ini->ReadRect(u"Library", u"ToolbarMode");
  EXPECT_EQ(stored.Left, monitor->GetMonitorNum());  // the toolbar's monitor
  EXPECT_EQ(stored.Top, 0);    // the edge
  EXPECT_EQ(stored.Right, 2);  // the mode
  EXPECT_EQ(stored.Bottom, Form->GetWidth());
  EXPECT_EQ(Ini->ReadRect(u"Library", u"Position"), normal);

  TZSEForm* back = Reload();
  EXPECT_EQ(back->GetPlacementKind(), fpkToolBar);
  EXPECT_EQ(back->GetToolBar()->GetEdge(), 0);
  EXPECT_EQ(back->GetToolBar()->GetPinMode(), 2);
  EXPECT_EQ(back->GetRestoredBounds(), normal);
  back->Undock();
  EXPECT_EQ(back->GetBoundsRect(), normal);
  Free(back);

  // An edge the form no longer allows leaves it as it is.
  auto* other = TCustomForm::CreateNew<TZSEForm>(nullptr);
  other->SetName(u"Library");
  other->GetToolBar()->SetAllowedEdges(0b1110);
  other->LoadSettings(Ini);
  EXPECT_EQ(other->GetPlacementKind(), fpkNormal);
  Free(other);
}

TEST_F(FormState, VisibleOnlyForSkinManagerFormsAndTheDefaultPort) {
  Form->SetFormVisible(false);
  Form->GetMasterFormPin()->SetDefaultHorzPort(dhpLeft);
  Form->SaveSettings(Ini);
  EXPECT_FALSE(Ini->ReadBool(u"Library", u"Visible", true));
  EXPECT_EQ(Ini->ReadInteger(u"Library", u"DefaultPort", -1), 2);
  Form->GetMasterFormPin()->SetDefaultHorzPort(dhpUndefined);
  Form->SaveSettings(Ini);
  EXPECT_FALSE(Ini->ExistsKey(u"Library", u"DefaultPort"));

  // An out-of-range port is clamped; the port overrides a horizontal side only.
  Ini->WriteInteger(u"Library", u"DefaultPort", 7);
  Ini->WriteBool(u"Library", u"Visible", true);
  TZSEForm* back = Reload();
  EXPECT_EQ(back->GetMasterFormPin()->GetDefaultHorzPort(), dhpLeft);
  EXPECT_EQ(back->GetMasterFormPin()->GetActualSide(), 0);
  back->GetMasterFormPin()->SetSide(3);
  EXPECT_EQ(back->GetMasterFormPin()->GetActualSide(), 3);
  EXPECT_TRUE(back->GetFormVisible());
  Free(back);

  // A form of the program neither writes nor reads "Visible" and always starts visible.
  TZSELayoutDockSite::IsSkinManagerForm = [](TZSEBaseForm*) { return false; };
  Form->SetInitialVisible(false);
  EXPECT_TRUE(Form->GetInitialVisible());
  Form->SaveSettings(Ini);
  EXPECT_FALSE(Ini->ExistsKey(u"Library", u"Visible"));
  Ini->WriteBool(u"Library", u"Visible", true);
  Form->LoadSettings(Ini);
  EXPECT_FALSE(Form->GetFormVisible());
}

// Win+Left or Win+Right on the active skin form: the desktop snaps it to that half of the work
// area, which docks it there as a floating toolbar when that edge is allowed; the strip is taken
// when the key goes up. A held key's auto-repeat keeps the move going.
TEST_F(FormState, KeyboardSnappingDocksAtTheEdgeWhenAllowed) {
  struct TCase {
    Byte AllowedEdges;
    bool RepeatWin;
    WORD Arrow;
    bool Docked;
    Integer Edge;
  };
  const TCase cases[] = {
      {15, false, VK_LEFT, true, 0},
      {15, true, VK_RIGHT, true, 1},
      {12, false, VK_LEFT, false, -1},
  };
  Form->SetFormVisible(true);
  Headless::RunUntilIdle();
  ASSERT_EQ(GetActiveWindow(), Form->GetHandle());
  const TRect work = Screen->GetMonitors(0)->GetWorkareaRect();
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Arrow == VK_LEFT ? "left" : "right");
    Form->Restore();
    Form->SetBounds(100, 100, 200, 80);
    Form->GetToolBar()->SetAllowedEdges(c.AllowedEdges);
    Form->GetToolBar()->SetPinMode(1);
    InputKey(VK_LWIN, true);
    if (c.RepeatWin) InputKey(VK_LWIN, true, 0, true);
    Headless::RunUntilIdle();
    EXPECT_TRUE(Form->GetSystemMove());
    EXPECT_EQ(TZSEKeyboardSnapHelper::GetForm(), Form);
    InputKey(c.Arrow, true);
    InputKey(c.Arrow, false);
    Headless::RunUntilIdle();
    EXPECT_EQ(Form->GetPlacementKind(), c.Docked ? fpkToolBar : fpkNormal);
    InputKey(VK_LWIN, false);
    Headless::RunUntilIdle();
    EXPECT_FALSE(Form->GetSystemMove());
    EXPECT_EQ(TZSEKeyboardSnapHelper::GetForm(), nullptr);
    if (c.Docked) {
      EXPECT_EQ(Form->GetToolBar()->GetEdge(), c.Edge);
      EXPECT_EQ(Form->GetToolBar()->GetPinMode(), 2);
      EXPECT_EQ(Form->GetBoundsRect(), Form->GetToolBar()->CalculateRect(TSize(200, 80)));
      EXPECT_EQ(Form->GetRestoredBounds(), TRect(100, 100, 300, 180));
    } else {
      // Left to the desktop: the left half of the work area.
      EXPECT_EQ(Form->GetBoundsRect(), TRect(work.Left, work.Top, work.Left + work.Width() / 2, work.Bottom));
    }
  }
}

// A window system that leaves an 8-pixel sizing frame of a maximized window outside the monitor.
class TFramedForm : public TZSEForm {
  ZCL_CLASS(TFramedForm, TZSEForm)
 public:
  using TZSEForm::TZSEForm;
  void UpdateMaximizedFrame() override {
    if (GetWindowState() == wsMaximized) SetMaximizedFrame(8);
  }
};

// Maximized, the transparent margins lie outside the window (the body fills it), less the frame
// the window system hides; the layout follows the content rectangle.
TEST_F(FormState, MaximizedContentHidesTheMarginsAndTheFrame) {
  struct TCase {
    bool Framed;
    Integer Border;
    Integer Outside;  // how far the content reaches beyond each side of the window
  };
  for (const TCase& c : {TCase{false, 0, 5}, TCase{true, 0, 5 - 8}, TCase{false, 3, 5 + 3}}) {
    SCOPED_TRACE(c.Framed ? "framed" : "plain");
    TZSEForm* form = c.Framed ? TCustomForm::CreateNew<TFramedForm>(nullptr) : TCustomForm::CreateNew<TZSEForm>(nullptr);
    form->SetBounds(100, 100, 200, 80);
    form->SetMagnetRectOffsets(TRect(5, 5, 5, 5));
    form->SetBorderWidth(c.Border);
    form->SetFormVisible(true);
    form->FitLayout();
    EXPECT_EQ(form->GetContentRect(), TRect(0, 0, 200, 80));
    form->Maximize();
    ASSERT_EQ(form->GetPlacementKind(), fpkMaximized);
    EXPECT_EQ(form->GetMaximizedFrame(), c.Framed ? 8 : 0);
    const Integer w = form->GetClientWidth(), h = form->GetClientHeight();
    const TRect content(-c.Outside, -c.Outside, w + c.Outside, h + c.Outside);
    EXPECT_EQ(form->GetContentFrame(), TRect(c.Outside, c.Outside, c.Outside, c.Outside));
    EXPECT_EQ(form->GetContentRect(), content);
    EXPECT_EQ(form->GetLayout()->GetBounds(), content);
    form->Restore();
    EXPECT_EQ(form->GetContentRect(), TRect(0, 0, 200, 80));
    EXPECT_EQ(form->GetLayout()->GetBounds(), TRect(0, 0, 200, 80));
    Free(form);
  }
}

// At a screen edge a toolbar hides its margins and its border beyond that edge and both sides
// along it; the content keeps its size, so the side facing away gets the margins pulled in.
TEST_F(FormState, AToolbarPushesItsContentAcrossTheEdge) {
  struct TCase {
    Integer Edge, Dpi;
    TRect Margins, Frame;
  };
  const TCase cases[] = {
      {0, 96, TRect(0, 0, 12, 0), TRect(7, 7, -7, 7)},    {1, 96, TRect(12, 0, 0, 0), TRect(-7, 7, 7, 7)},
      {2, 96, TRect(0, 0, 0, 12), TRect(7, 7, 7, -7)},    {3, 96, TRect(0, 12, 0, 0), TRect(7, -7, 7, 7)},
      {0, 192, TRect(0, 0, 24, 0), TRect(14, 14, -14, 14)},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE("edge " + std::to_string(c.Edge) + " at " + std::to_string(c.Dpi));
    auto* form = TCustomForm::CreateNew<TZSEForm>(nullptr);
    form->SetCurrentDpi(c.Dpi);
    form->SetBounds(300, 300, 200, 80);
    form->SetMagnetRectOffsets(TRect(5, 5, 5, 5));
    form->SetBorderWidth(2);
    form->FitLayout();
    EXPECT_EQ(form->GetMagnetMargins(), form->GetBodyOffsets()) << "the border counts only at an edge";
    EXPECT_EQ(form->GetContentFrame(), TRect());
    form->DockToEdge(c.Edge);
    ASSERT_EQ(form->GetPlacementKind(), fpkToolBar);
    EXPECT_EQ(form->GetMagnetMargins(), c.Margins);
    EXPECT_EQ(form->GetContentFrame(), c.Frame);
    const Integer w = form->GetClientWidth(), h = form->GetClientHeight();
    const TRect content(-c.Frame.Left, -c.Frame.Top, w + c.Frame.Right, h + c.Frame.Bottom);
    EXPECT_EQ(c.Edge <= 1 ? content.Width() : content.Height(), c.Edge <= 1 ? w : h) << "across the edge";
    EXPECT_EQ(form->GetLayout()->GetBounds(), content) << "the layout follows the content";
    form->Restore();
    EXPECT_EQ(form->GetContentFrame(), TRect());
    EXPECT_EQ(form->GetLayout()->GetBounds(), TRect(0, 0, 200, 80));
    Free(form);
  }
}

// A strip spans the screen along its edge: a form with a maximum height takes no side edge, one
// with a maximum width no top or bottom edge, a pinned form none; a skin that brings such limits
// ends the toolbar state.
TEST_F(FormState, AllowedEdgesFollowTheSizeLimitsAndThePin) {
  Form->GetConstraints()->SetMaxHeight(120);
  EXPECT_EQ(Form->GetToolBar()->GetAllowedEdges(), 4 | 8);
  Form->DockToEdge(0);
  EXPECT_EQ(Form->GetPlacementKind(), fpkNormal) << "no side edge";
  Form->DockToEdge(2);
  ASSERT_EQ(Form->GetPlacementKind(), fpkToolBar);
  Form->GetConstraints()->SetMaxWidth(300);
  EXPECT_EQ(Form->GetToolBar()->GetAllowedEdges(), 0);
  Form->Notify(ZSEFormNotifyLayoutReset);
  EXPECT_EQ(Form->GetPlacementKind(), fpkNormal);

  Form->GetConstraints()->SetMaxWidth(0);
  Form->GetConstraints()->SetMaxHeight(0);
  EXPECT_EQ(Form->GetToolBar()->GetAllowedEdges(), 15);
  auto* master = TCustomForm::CreateNew<TZSEForm>(nullptr);
  Form->SetMasterForm(master);
  Form->GetMasterFormPin()->SetPinned(true);
  EXPECT_EQ(Form->GetToolBar()->GetAllowedEdges(), 0) << "pinned beside its master";
  Form->SetMasterForm(nullptr);
  Free(master);
}

TEST(ZseFormBorder, NegativeWidthsAndOffsetsAreZero) {
  auto* form = TCustomForm::CreateNew<TZSEForm>(nullptr);
  form->SetBorderWidth(-3);
  EXPECT_EQ(form->GetBorderWidth(), 0);
  form->SetMagnetRectOffsets(TRect(-1, 4, -2, 3));
  EXPECT_EQ(form->GetMagnetRectOffsets(), TRect(0, 4, 0, 3));
  Free(form);
}

}  // namespace
