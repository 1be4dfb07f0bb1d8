#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "ControlsTestSupport.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/base/ZCL.Timers.h"
#include "zcl/base/ZCL.Utils.Messaging.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/ui/ZCL.UI.DragDrop.Source.h"
#include "zcl/ui/treelist/ZCL.UI.CompoundControl.ScrollBars.h"
#include "zcl/ui/treelist/ZCL.UI.CompoundControl.h"

namespace {

using namespace testskin;

class TRow : public TObject {
  ZCL_CLASS(TRow, TObject)
};

class TTestDragObject : public TZCLCompoundControlDragObject {
  ZCL_CLASS(TTestDragObject, TZCLCompoundControlDragObject)
 public:
  static inline Integer Finished = 0, Canceled = 0, Moves = 0;
  bool DragStart() override {
    InitializeAutoScroll();
    return true;
  }
  void DragMove(const TPoint&, Integer&, Integer&) override { ++Moves; }
  void DragFinished(bool C) override { ++(C ? Canceled : Finished); }
};

class TRowViewInfo : public TZCLCompoundControlBaseCheckableContentCellViewInfo, public IZCLDraggableObject {
  ZCL_CLASS(TRowViewInfo, TZCLCompoundControlBaseCheckableContentCellViewInfo)
  RTL_INTERFACES(TZCLCompoundControlBaseCheckableContentCellViewInfo, IZCLDraggableObject)
 public:
  using TZCLCompoundControlBaseCheckableContentCellViewInfo::TZCLCompoundControlBaseCheckableContentCellViewInfo;
  TZCLCompoundControlDragObject* CreateDragObject(TZCLHitTestInfo*) override { return new TTestDragObject(); }
  void Initialize(TObject* AData) override {
    inherited::Initialize(AData);
    CheckBoxRect = TRect(2, 2, 12, 12);
  }

 protected:
  void DoDraw(TCanvas* Canvas) override { FillRectColor(Canvas, GetBounds(), clRed); }
};

// A scrolling list of rows 20 pixels high.
class TListContent : public TZCLCompoundControlScrollContainerViewInfo, public IZCLCompoundControlSubClassContent {
  ZCL_CLASS(TListContent, TZCLCompoundControlScrollContainerViewInfo)
  RTL_INTERFACES(TZCLCompoundControlScrollContainerViewInfo, IZCLCompoundControlSubClassContent)
 public:
  TListContent(TZCLCompoundControlSubClass* ASubClass, std::vector<TRow*>* ARows)
      : TZCLCompoundControlScrollContainerViewInfo(ASubClass), Rows(ARows), Cells(this), RowViewInfo(this) {}
  Integer GetContentWidth() override { return FClientBounds.Width(); }
  TRect GetViewItemsArea() override { return FClientBounds; }
  TPoint GetViewItemsOrigin() override { return TPoint(FClientBounds.Left - FViewport.X, FClientBounds.Top - FViewport.Y); }

  std::vector<TRow*>* Rows;
  TZCLCompoundControlContentCellList Cells;
  TRowViewInfo RowViewInfo;

 protected:
  void RecreateSubCells() override {
    inherited::RecreateSubCells();
    Cells.Clear();
    for (TRow* row : *Rows) Cells.Add(row, &RowViewInfo);
  }
  void CalculateContentLayout() override {
    Integer top = 0;
    for (Integer i = 0; i < Cells.GetCount(); ++i) {
      Cells[i]->Top = top;
      Cells[i]->Height = 20;
      top += 20;
    }
    FContentSize = TSize(0, top);
    RowViewInfo.Calculate(FClientBounds.Width(), 20);
  }
  void UpdateScrollBars() override {
    inherited::UpdateScrollBars();
    Cells.UpdateVisibleBounds();
  }
  void DoCalculate(TZCLCompoundControlChanges Changes) override {
    inherited::DoCalculate(Changes);
    if (Changes & ChangeLayout) Cells.UpdateVisibleBounds();
  }
  void DoCalculateHitTest(TZCLHitTestInfo* HitTest) override {
    inherited::DoCalculateHitTest(HitTest);
    Cells.CalculateHitTest(HitTest);
  }
  void DrawContent(TCanvas* Canvas) override { Cells.Draw(Canvas); }
};

class TTestSubClass : public TZCLCompoundControlSubClass {
  ZCL_CLASS(TTestSubClass, TZCLCompoundControlSubClass)
 public:
  using TZCLCompoundControlSubClass::TZCLCompoundControlSubClass;
  std::vector<TRow*> Rows;
  std::vector<TZCLCompoundControlChanges> Processed;
  Integer WheelDowns = 0, WheelUps = 0;
  bool FreeOnMouseDown = false;
  TListContent* Content() const { return static_cast<TListContent*>(GetViewInfo()); }

 protected:
  TZCLCompoundControlCustomViewInfo* CreateViewInfo() override { return new TListContent(this, &Rows); }
  void ProcessChanges(TZCLCompoundControlChanges Flags) override {
    Processed.push_back(Flags);
    inherited::ProcessChanges(Flags);
  }
  void ProcessMouseDown(TMouseButton Button, TShiftState Shift) override {
    if (FreeOnMouseDown) Free(this);
    inherited::ProcessMouseDown(Button, Shift);
  }
  void ProcessMouseWheel(TMouseWheelDirection Direction, TShiftState Shift) override {
    ++(Direction == mwdDown ? WheelDowns : WheelUps);
    Content()->ScrollByMouseWheel(Direction, Shift);
  }
};

class TTestCompoundControl : public TZCLCompoundControl {
  ZCL_CLASS(TTestCompoundControl, TZCLCompoundControl)
 public:
  using TZCLCompoundControl::TZCLCompoundControl;
  TTestSubClass* Sub() const { return static_cast<TTestSubClass*>(GetSubClass()); }

 protected:
  TZCLCompoundControlSubClass* CreateSubClass() override { return Create<TTestSubClass>(this); }
};

struct TCounter {
  Integer Count = 0;
  void Inc(TObject*) { ++Count; }
};

class CompoundControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UIAnimationsEnabled = false;
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 400, 300);
    Form->SetBorderStyle(bsNone);
    Control = Create<TTestCompoundControl>(Form.get());
    Control->SetResourceCollection(Skin.Get());
    Control->GetSubClass()->GetStyleScrollBox()->SetCollection(Skin.Get());
    Control->SetParent(Form.get());
  }
  void TearDown() override {
    Form.reset();
    for (TRow* row : Rows) delete row;
    UIAnimationsEnabled = true;
  }
  void SetRows(Integer Count, const TRect& Bounds) {
    TTestSubClass* sub = Control->Sub();
    while (Integer(Rows.size()) < Count) Rows.push_back(new TRow);
    sub->Rows.assign(Rows.begin(), Rows.begin() + Count);
    Control->SetBounds(Bounds.Left, Bounds.Top, Bounds.Width(), Bounds.Height());
    sub->FullRefresh();
  }

  TTestSkin Skin;
  TOwned<TForm> Form;
  TTestCompoundControl* Control = nullptr;
  std::vector<TRow*> Rows;
};

TEST_F(CompoundControlTest, ChangesUnderALockRunOnePass) {
  TTestSubClass* sub = Control->Sub();
  TCounter calculated, updateState;
  sub->OnCalculated = TNotifyEvent(&calculated, &TCounter::Inc);
  sub->OnUpdateState = TNotifyEvent(&updateState, &TCounter::Inc);
  sub->Processed.clear();
  sub->BeginUpdate();
  sub->Changed(ChangeSize);
  sub->Changed(ChangeContent);
  EXPECT_TRUE(sub->Processed.empty());
  sub->EndUpdate();
  EXPECT_EQ(sub->Processed, (std::vector<TZCLCompoundControlChanges>{ChangeSize | ChangeContent}));
  EXPECT_EQ(calculated.Count, 1);
  EXPECT_EQ(updateState.Count, 2);
  // A content change alone recalculates nothing and raises no OnCalculated.
  sub->Changed(ChangeContent);
  EXPECT_EQ(calculated.Count, 1);
}

TEST_F(CompoundControlTest, OwnerWithoutContainerAndFreeingInsideAMouseAction) {
  TOwned<TComponent> plain(Create<TComponent>(static_cast<TComponent*>(nullptr)));
  try {
    TOwned<TTestSubClass> bad(Create<TTestSubClass>(plain.get()));
    FAIL() << "created without a container";
  } catch (const Exception& e) {
    EXPECT_EQ(e.GetMessage(), u"IZCLCompoundControlSubClassContainer is not supported by specified owner");
  }
  SetRows(3, TRect(0, 0, 200, 100));
  Control->Sub()->FreeOnMouseDown = true;
  try {
    Control->Sub()->MouseDown(TMouseButton::Left, TShiftState{ssLeft}, 50, 5);
    FAIL() << "freed inside a mouse action";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.GetMessage(), u"TTestSubClass cannot be destroyed inside mouse action");
  }
  Control->Sub()->FreeOnMouseDown = false;
  EXPECT_EQ(Control->Sub()->GetCurrentAction(), 0);
}

TEST_F(CompoundControlTest, ScrollBarsAppearOnlyForContentLargerThanThePage) {
  SetRows(5, TRect(0, 0, 200, 100));  // exactly one page
  TListContent* content = Control->Sub()->Content();
  EXPECT_EQ(content->VisibleScrollBars(), 0);
  EXPECT_EQ(content->GetClientBounds().Width(), 200);
  SetRows(10, TRect(0, 0, 200, 100));
  EXPECT_EQ(content->VisibleScrollBars(), 2);
  EXPECT_EQ(content->GetClientBounds().Width(), 185);
  EXPECT_EQ(content->Cells.FirstVisible, 0);
  EXPECT_EQ(content->Cells.LastVisible, 4);
  content->SetViewportY(1000);  // clamped to content - page
  EXPECT_EQ(content->GetViewport().Y, 100);
  EXPECT_EQ(content->Cells.FirstVisible, 5);
  EXPECT_EQ(content->Cells.LastVisible, 9);
  SetRows(6, TRect(0, 0, 200, 100));  // the content shrinks: so does the viewport
  EXPECT_EQ(content->GetViewport().Y, 20);
  content->SetViewportY(-5);
  EXPECT_EQ(content->GetViewport().Y, 0);
}

TEST_F(CompoundControlTest, HitTestsCellsCheckBoxesAndScrollBars) {
  SetRows(10, TRect(0, 0, 200, 100));
  TTestSubClass* sub = Control->Sub();
  sub->UpdateHitTest(50, 45);
  EXPECT_EQ(sub->GetHitTest()->HitObject, Rows[2]);
  EXPECT_EQ(sub->GetHitTest()->GetHitObjectData(u"viewinfo"), &sub->Content()->RowViewInfo);
  EXPECT_FALSE(sub->GetHitTest()->GetHitObjectFlag(HitFlagCheckBox));
  sub->UpdateHitTest(5, 45);
  EXPECT_TRUE(sub->GetHitTest()->GetHitObjectFlag(HitFlagCheckBox));
  EXPECT_EQ(sub->GetHitTest()->Cursor, crHandPoint);
  sub->UpdateHitTest(192, 50);
  EXPECT_TRUE(sub->GetHitTest()->GetHitObjectFlag(HitFlagScrollBar));
  bool handled = false;
  sub->ContextPopup(TPoint(192, 50), handled);
  EXPECT_TRUE(handled);
  // A structure change forgets the hovered and pressed objects.
  sub->SetHoveredObject(Rows[1], nullptr);
  sub->SetPressedObject(Rows[1]);
  sub->Changed(ChangeStruct);
  EXPECT_EQ(sub->GetHoveredObject(), nullptr);
  EXPECT_EQ(sub->GetPressedObject(), nullptr);
}

TEST_F(CompoundControlTest, PaintsVisibleRowsAndTheBarFromTheSkin) {
  SetRows(10, TRect(0, 0, 200, 100));
  Form->Show();
  Headless::RunUntilIdle();
  const HWND window = Form->GetHandle();
  EXPECT_EQ(Headless::WindowPixel(window, TPoint(50, 50)) & 0xFFFFFF, 0xFF0000u);
  // The vertical bar: arrows at both ends, thumb below the back arrow.
  auto rgb = [](TColor c) { return uint32_t(((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF)); };
  EXPECT_EQ(Headless::WindowPixel(window, TPoint(192, 5)) & 0xFFFFFF, rgb(FrameColor(kScrollVertButtons, 0)));
  EXPECT_EQ(Headless::WindowPixel(window, TPoint(192, 95)) & 0xFFFFFF, rgb(FrameColor(kScrollVertButtons, 4)));
  EXPECT_EQ(Headless::WindowPixel(window, TPoint(192, 20)) & 0xFFFFFF, rgb(FrameColor(kScrollVertThumb, 0)));
  Control->SetEnabled(false);
  Headless::RunUntilIdle();
  EXPECT_EQ(Headless::WindowPixel(window, TPoint(192, 5)) & 0xFFFFFF, rgb(FrameColor(kScrollVertButtons, 3)));
}

TEST_F(CompoundControlTest, DragStartsPastTheThresholdAndAutoScrolls) {
  SetRows(20, TRect(0, 0, 200, 100));
  Form->Show();
  Headless::RunUntilIdle();
  TTestSubClass* sub = Control->Sub();
  Control->SetFocus();
  Headless::RunUntilIdle();
  TTestDragObject::Finished = TTestDragObject::Canceled = 0;
  // Below the threshold: a click, no drag.
  Headless::MouseDown(TPoint(150, 130));
  Headless::MouseMove(TPoint(151, 131));
  Headless::MouseUp(TPoint(151, 131));
  Headless::RunUntilIdle();
  EXPECT_EQ(TTestDragObject::Finished + TTestDragObject::Canceled, 0);

  Headless::MouseDown(TPoint(150, 130));
  Headless::MouseMove(TPoint(150, 150));
  Headless::RunUntilIdle();
  auto* controller = sub->GetDragAndDropController();
  ASSERT_TRUE(controller->GetIsActive());
  controller->GetDragObject()->UpdateAutoScroll(-2);
  const Integer downs = sub->WheelDowns;
  Headless::Advance(300);
  Headless::RunUntilIdle();
  EXPECT_EQ(sub->WheelDowns, downs + 2);
  controller->GetDragObject()->UpdateAutoScroll(0);
  EXPECT_FALSE(controller->GetAutoScrollTimer()->GetEnabled());
  // Escape cancels; the release afterwards finishes nothing more.
  Headless::KeyPress(VK_ESCAPE);
  Headless::MouseUp(TPoint(150, 150));
  Headless::RunUntilIdle();
  EXPECT_EQ(TTestDragObject::Canceled, 1);
  EXPECT_EQ(TTestDragObject::Finished, 0);
}

TEST_F(CompoundControlTest, WheelScrollsByLinesAndShiftScrollsHorizontally) {
  SetRows(20, TRect(0, 0, 200, 100));
  TListContent* content = Control->Sub()->Content();
  Control->Sub()->MouseWheel(mwdDown, TShiftState());
  EXPECT_EQ(content->GetViewport().Y, 5 * TZCLMouseWheel::GetScrollLines(TShiftState()));
  // Disabled: the wheel still works; locked: it does not.
  Control->SetEnabled(false);
  Control->Sub()->MouseWheel(mwdUp, TShiftState());
  EXPECT_EQ(content->GetViewport().Y, 0);
  Control->Sub()->BeginUpdate();
  Control->Sub()->MouseWheel(mwdDown, TShiftState());
  Control->Sub()->EndUpdate();
  EXPECT_EQ(content->GetViewport().Y, 0);
}

TEST_F(CompoundControlTest, ScrollBarThumbDragsSnapsBackAndTrackClicksJump) {
  SetRows(20, TRect(0, 0, 200, 100));  // 400 of content over a page of 100
  TListContent* content = Control->Sub()->Content();
  TZCLCompoundControlScrollBarViewInfo* bar = content->GetVertScrollBar();
  ASSERT_TRUE(bar->GetVisible());
  // 70 of track less a thumb of 70 x 100 / 400 = 18 pixels.
  EXPECT_EQ(bar->GetTrackArea(), TRect(185, 15, 200, 85 - 18));
  TZCLCompoundControlScrollBarThumbnailDragObject drag(bar->GetThumb());
  ASSERT_TRUE(drag.DragStart());
  Integer dx = 0, dy = 20;
  drag.DragMove(TPoint(192, 40), dx, dy);
  EXPECT_EQ(dy, 20);
  EXPECT_EQ(content->GetViewport().Y, MulDiv(300, 20, 52));
  dx = 0, dy = 500;  // far away: back to the start
  drag.DragMove(TPoint(500, 40), dx, dy);
  EXPECT_EQ(content->GetViewport().Y, 0);
  EXPECT_EQ(bar->GetThumb()->GetBounds().Top, 15);
  dx = 0, dy = 500;  // clamped to the end of the track
  drag.DragMove(TPoint(192, 80), dx, dy);
  EXPECT_EQ(dy, 52);
  EXPECT_EQ(content->GetViewport().Y, 300);
  drag.DragFinished(true);  // cancelled: the position it started from
  EXPECT_EQ(content->GetViewport().Y, 0);

  TZCLHitTestInfo hit;
  hit.HitPoint = TPoint(192, 60);
  bar->MouseDown(TMouseButton::Left, TShiftState{ssShift}, &hit);
  EXPECT_EQ(bar->GetThumb()->GetBounds().CenterPoint().Y, 60);
  EXPECT_GT(content->GetViewport().Y, 0);
}

TEST_F(CompoundControlTest, DoubleClickCursorAndDefaultSize) {
  TOwned<TTestCompoundControl> plain(Create<TTestCompoundControl>(static_cast<TComponent*>(nullptr)));
  EXPECT_EQ(plain->GetWidth(), 320);
  EXPECT_EQ(plain->GetHeight(), 240);
  SetRows(10, TRect(0, 0, 200, 100));
  TTestSubClass* sub = Control->Sub();
  EXPECT_EQ(sub->GetCursor(TPoint(5, 5)), crHandPoint);  // on a row's check box
  sub->BeginLongOperation();
  EXPECT_EQ(sub->GetCursor(TPoint(5, 5)), crHourGlass);
  sub->EndLongOperation();
  EXPECT_EQ(sub->GetCursor(TPoint(50, 5)), crDefault);
  // A double click on a check box toggles it through the double-click path, and its release
  // makes no click.
  sub->MouseDown(TMouseButton::Left, TShiftState{ssLeft, ssDouble}, 50, 5);
  EXPECT_TRUE(sub->GetMouseDownConsumed());
  sub->MouseUp(TMouseButton::Left, TShiftState(), 50, 5);
  EXPECT_EQ(sub->GetPressedObject(), nullptr);
}

TEST(CompoundViewInfos, ContainerHitTestPrefersLaterChildren) {
  TTestSkin skin;
  TOwned<TForm> form(TCustomForm::CreateNew<TForm>(nullptr));
  auto* control = Create<TTestCompoundControl>(form.get());
  TZCLCompoundControlSubClass* sub = control->GetSubClass();
  struct TContainer : TZCLCompoundControlContainerViewInfo {
    using TZCLCompoundControlContainerViewInfo::TZCLCompoundControlContainerViewInfo;
    void Build() { RecreateSubCells(); }
  } container(sub);
  auto* first = new TZCLCompoundControlCustomViewInfo(sub);
  auto* second = new TZCLCompoundControlCustomViewInfo(sub);
  container.AddCell(first);
  container.AddCell(second);
  container.Calculate(TRect(0, 0, 100, 100), ChangeSize);
  first->Calculate(TRect(0, 0, 60, 60), ChangeSize);
  second->Calculate(TRect(40, 40, 100, 100), ChangeSize);
  TZCLHitTestInfo hit;
  struct Case {
    TPoint P;
    TObject* Expected;
  } cases[] = {{TPoint(50, 50), second}, {TPoint(10, 10), first}, {TPoint(90, 5), &container}, {TPoint(200, 5), nullptr}};
  for (const Case& c : cases) {
    hit.Reset();
    hit.HitPoint = c.P;
    container.CalculateHitTest(&hit);
    EXPECT_EQ(hit.HitObject, c.Expected) << c.P.X << "," << c.P.Y;
  }
}

// Tells when the drop source is gone (it frees itself through the main-thread queue).
class TFreeWatch : public TComponent {
  ZCL_CLASS(TFreeWatch, TComponent)
 public:
  TFreeWatch() : TComponent(nullptr) {}
  bool Freed = false;

 protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove) Freed = true;
  }
};

// What the controller tells the drag object's operation, and what the sub-class reports.
class TDropSourceProbe : public TZCLUnknownObject, public IZCLDropSourceOperation {
  ZCL_CLASS(TDropSourceProbe, TZCLUnknownObject)
  RTL_INTERFACES(TZCLUnknownObject, IZCLDropSourceOperation)
 public:
  std::vector<std::string> Log;
  bool Handle = false;
  TZCLDropSourceActions Allow{dsaCopy};
  bool WriteConfig = false;
  Integer Providers = -1;
  TZCLCompoundControlDragAndDropController* Controller = nullptr;

  void DropSourceBegin() override { Log.push_back("begin"); }
  void DropSourceDrop(bool&) override { Log.push_back("drop"); }
  void DropSourceEnd(TZCLDropSourceActions Actions, TShiftState) override {
    Log.push_back(Actions.Empty() ? "end none" : "end");
  }
  void Start(TObject*, bool& Handled, TZCLDropSourceActions& Actions) {
    Log.push_back("start");
    Handled = Handle;
    Actions = Allow;
    if (WriteConfig) Controller->GetDropSourceConfig()->WriteString(u"row", u"index", u"3");
  }
  void Data(TObject*, TZCLDropSource* Source) {
    Providers = Source->GetDataProviders().GetCount();
    Source->FreeNotification(&Watch);
  }
  // Serves the drag's worker until its source is freed.
  void WaitForTheSource() {
    for (int i = 0; i < 200000 && !Watch.Freed; ++i) {
      TZCLMainThread::CheckSynchronize();
      Headless::RunUntilIdle();
      std::this_thread::yield();
    }
  }
  TFreeWatch Watch;
  void Finish(TObject*, bool Canceled, TShiftState) { Log.push_back(Canceled ? "finish canceled" : "finish"); }
};

TEST_F(CompoundControlTest, DropSourceStartsOnlyWhenAllowedAndEndsTheDragWhenCanceled) {
  SetRows(20, TRect(0, 0, 200, 100));
  Form->Show();
  Headless::RunUntilIdle();
  TTestSubClass* sub = Control->Sub();
  auto* controller = sub->GetDragAndDropController();
  TDropSourceProbe probe;
  probe.Controller = controller;
  sub->OnDropSourceStart = TZCLDropSourceStartEvent(&probe, &TDropSourceProbe::Start);
  sub->OnDropSourceData = TZCLDropSourceDataEvent(&probe, &TDropSourceProbe::Data);
  sub->OnDropSourceFinish = TZCLDropSourceFinishEvent(&probe, &TDropSourceProbe::Finish);
  TTestDragObject::Finished = TTestDragObject::Canceled = 0;
  Headless::MouseDown(TPoint(150, 130));
  Headless::MouseMove(TPoint(150, 150));
  Headless::RunUntilIdle();
  ASSERT_TRUE(controller->GetIsActive());

  // Refused by the start event or left without actions: the drag stays inside the control.
  struct Case {
    bool Handle;
    TZCLDropSourceActions Allow;
  } refused[] = {{true, {dsaCopy}}, {false, {}}};
  for (const Case& c : refused) {
    probe.Handle = c.Handle;
    probe.Allow = c.Allow;
    controller->GetDropSourceConfig()->WriteString(u"old", u"key", u"1");
    controller->GetDragObject()->StartDropSource({dsaCopy, dsaMove}, &probe, Rows[1]);
    EXPECT_FALSE(controller->IsDropSourceActive()) << c.Handle;
    EXPECT_TRUE(controller->GetDropSourceConfig()->IsEmpty()) << c.Handle;
    EXPECT_TRUE(controller->GetIsActive());
    EXPECT_NE(controller->GetDragObject(), nullptr);
  }

  // Allowed: the configuration written at the start travels with the data.
  probe.Handle = false;
  probe.Allow = {dsaCopy};
  probe.WriteConfig = true;
  probe.Log.clear();
  controller->GetDragObject()->StartDropSource({dsaCopy, dsaMove}, &probe, Rows[1]);
  ASSERT_TRUE(controller->IsDropSourceActive());
  EXPECT_EQ(controller->GetDropSourceObject(), Rows[1]);
  EXPECT_EQ(probe.Providers, 1);
  // Cancelling ends the drag as a drop without actions.
  controller->Cancel();
  EXPECT_FALSE(controller->IsDropSourceActive());
  EXPECT_FALSE(controller->GetIsActive());
  EXPECT_EQ(controller->GetDropSourceObject(), nullptr);
  EXPECT_EQ(TTestDragObject::Canceled, 1);
  ASSERT_GE(probe.Log.size(), 3u);
  EXPECT_EQ(probe.Log.back(), "finish canceled");
  EXPECT_EQ(probe.Log[probe.Log.size() - 2], "end none");
  // The detached drag winds down on its own and tells nobody.
  const size_t told = probe.Log.size();
  Headless::MouseUp(TPoint(150, 150));
  probe.WaitForTheSource();
  EXPECT_TRUE(probe.Watch.Freed);
  EXPECT_FALSE(IsDragging());
  EXPECT_EQ(probe.Log.size(), told);
}

TEST_F(CompoundControlTest, DropSourceReleasedOverNothingReportsEveryStepThenACanceledFinish) {
  SetRows(20, TRect(0, 0, 200, 100));
  Form->Show();
  Headless::RunUntilIdle();
  TTestSubClass* sub = Control->Sub();
  auto* controller = sub->GetDragAndDropController();
  TDropSourceProbe probe;
  probe.Controller = controller;
  sub->OnDropSourceStart = TZCLDropSourceStartEvent(&probe, &TDropSourceProbe::Start);
  sub->OnDropSourceData = TZCLDropSourceDataEvent(&probe, &TDropSourceProbe::Data);
  sub->OnDropSourceFinish = TZCLDropSourceFinishEvent(&probe, &TDropSourceProbe::Finish);
  TTestDragObject::Finished = TTestDragObject::Canceled = 0;
  Headless::MouseDown(TPoint(150, 130));
  Headless::MouseMove(TPoint(150, 150));
  Headless::RunUntilIdle();
  ASSERT_TRUE(controller->GetIsActive());
  controller->GetDragObject()->StartDropSource({dsaCopy}, &probe, Rows[1]);
  ASSERT_TRUE(controller->IsDropSourceActive());
  // While the drag runs, releases and moves inside the control are not the controller's.
  Headless::MouseUp(TPoint(150, 150));
  for (int i = 0; i < 200000 && controller->GetIsActive(); ++i) {
    TZCLMainThread::CheckSynchronize();
    Headless::RunUntilIdle();
    std::this_thread::yield();
  }
  EXPECT_FALSE(controller->GetIsActive());
  EXPECT_EQ(probe.Log, (std::vector<std::string>{"start", "begin", "drop", "end none", "finish canceled"}));
  EXPECT_EQ(TTestDragObject::Canceled, 1);
  EXPECT_EQ(TTestDragObject::Finished, 0);
  // The control goes before the source has freed itself: nothing calls back into it.
  Form.reset();
  probe.WaitForTheSource();
  EXPECT_TRUE(probe.Watch.Freed);
}

}  // namespace
