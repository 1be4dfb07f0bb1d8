#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

#include "os/OS.Codecs.h"
#include "support/HeadlessFixture.h"
#include "support/TestSupport.h"
#include "vcl/VCL.Controls.h"
#include "vcl/VCL.Forms.h"

namespace {

// Frees a control at the end of the scope (before the fixture clears the windows).
template <class T>
struct TOwned {
  T* Ptr;
  explicit TOwned(T* P) : Ptr(P) {}
  ~TOwned() { Free(Ptr); }
  T* operator->() const { return Ptr; }
  operator T*() const { return Ptr; }
};

template <class T>
TOwned<T> Make(TWinControl* Parent = nullptr) {
  T* control = Create<T>(nullptr);
  if (Parent) control->SetParent(Parent);
  return TOwned<T>(control);
}

template <class T>
T* Child(TWinControl* Parent, TRect Bounds, TAlign Align = alNone) {
  T* control = Create<T>(nullptr);
  control->SetBoundsRect(Bounds);
  control->SetAlign(Align);
  control->SetParent(Parent);
  return control;
}

// A windowed control that fills itself with its colour, and a windowless one.
class TSolid : public TCustomControl {
  ZCL_CLASS(TSolid, TCustomControl)
 public:
  using TCustomControl::TCustomControl;
  std::vector<String> Events;

 protected:
  void Paint() override {
    GetCanvas()->GetBrush()->SetColor(GetColor());
    GetCanvas()->FillRect(GetClientRect());
  }
};

class TSolidGraphic : public TGraphicControl {
  ZCL_CLASS(TSolidGraphic, TGraphicControl)
 public:
  using TGraphicControl::TGraphicControl;
  std::vector<String> Events;
  Integer AutoWidth = -1;  // >= 0: the size CanAutoSize asks for
  Integer AutoHeight = -1;
  bool CanAutoSize(Integer& NewWidth, Integer& NewHeight) override {
    if (AutoWidth >= 0) NewWidth = AutoWidth;
    if (AutoHeight >= 0) NewHeight = AutoHeight;
    return true;
  }

 protected:
  void Paint() override {
    GetCanvas()->GetBrush()->SetColor(GetColor());
    GetCanvas()->FillRect(GetClientRect());
  }
  void MouseDown(TMouseButton, TShiftState Shift, Integer X, Integer Y) override {
    Events.push_back(Format(u"down %d,%d%s", {X, Y, String(Shift.Contains(ssDouble) ? u" double" : u"")}));
  }
  void MouseMove(TShiftState, Integer X, Integer Y) override { Events.push_back(Format(u"move %d,%d", {X, Y})); }
  void MouseUp(TMouseButton, TShiftState, Integer X, Integer Y) override {
    Events.push_back(Format(u"up %d,%d", {X, Y}));
  }
  void Click() override { Events.push_back(u"click"); }
};

// A root that records the dialog keys and child keys it is offered and takes the dialog keys.
class TKeyRoot : public TSolid {
  ZCL_CLASS(TKeyRoot, TSolid)
  VCL_MESSAGES()
 public:
  using TSolid::TSolid;
  std::vector<WPARAM> DialogKeys;
  std::vector<WPARAM> ChildKeys;

 protected:
  void CMDialogKey(TMessage& Message) {
    DialogKeys.push_back(Message.WParam);
    Message.Result = 1;
  }
  void CMChildKey(TMessage& Message) {
    ChildKeys.push_back(Message.WParam);
    InheritedMessage(inherited::MessageTable(), Message);
  }
};

const TMessageTable& TKeyRoot::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(), {VCL_MESSAGE(CM_DIALOGKEY, &TKeyRoot::CMDialogKey),
                                                                VCL_MESSAGE(CM_CHILDKEY, &TKeyRoot::CMChildKey)});
  return table;
}

// A focusable control that may claim the arrow keys.
class TKeyControl : public TSolid {
  ZCL_CLASS(TKeyControl, TSolid)
  VCL_MESSAGES()
 public:
  using TSolid::TSolid;
  bool WantArrows = false;
  std::vector<Word> Keys;

 protected:
  void KeyDown(Word& Key, TShiftState Shift) override {
    Keys.push_back(Key);
    inherited::KeyDown(Key, Shift);
  }
  void WMGetDlgCode(TMessage& Message) { Message.Result = WantArrows ? DLGC_WANTARROWS : 0; }
};

const TMessageTable& TKeyControl::MessageTable() {
  static const TMessageTable table(&inherited::MessageTable(),
                                   {VCL_MESSAGE(WM_GETDLGCODE, &TKeyControl::WMGetDlgCode)});
  return table;
}

class ControlsTest : public THeadlessTest {};

// ---- layout -----------------------------------------------------------------------------------

TEST_F(ControlsTest, AlignFillsTheClientAreaInsidePaddingAndMargins) {
  auto parent = Make<TWinControl>();
  parent->SetBounds(0, 0, 200, 150);
  parent->GetPadding()->SetBounds(5, 5, 5, 5);
  TControl* top = Child<TSolidGraphic>(parent, TRect(0, 0, 10, 20), alTop);
  top->SetAlignWithMargins(true);
  top->GetMargins()->SetBounds(1, 2, 3, 4);
  TControl* bottom = Child<TSolidGraphic>(parent, TRect(0, 0, 10, 10), alBottom);
  TControl* left = Child<TSolidGraphic>(parent, TRect(0, 0, 30, 10), alLeft);
  TControl* right = Child<TSolidGraphic>(parent, TRect(0, 0, 40, 10), alRight);
  TControl* client = Child<TSolidGraphic>(parent, TRect(0, 0, 10, 10), alClient);

  // Top takes its margins: 5 + 2 down, 5 + 1 in; the rest starts below its bottom margin.
  EXPECT_EQ(top->GetBoundsRect(), TRect(6, 7, 192, 27));
  EXPECT_EQ(bottom->GetBoundsRect(), TRect(5, 135, 195, 145));
  EXPECT_EQ(left->GetBoundsRect(), TRect(5, 31, 35, 135));
  EXPECT_EQ(right->GetBoundsRect(), TRect(155, 31, 195, 135));
  EXPECT_EQ(client->GetBoundsRect(), TRect(35, 31, 155, 135));

  // The parent grows: everything follows; an alNone child set back keeps its own size.
  parent->SetBounds(0, 0, 300, 200);
  EXPECT_EQ(bottom->GetBoundsRect(), TRect(5, 185, 295, 195));
  EXPECT_EQ(client->GetBoundsRect(), TRect(35, 31, 255, 185));
  client->SetAlign(alNone);
  EXPECT_EQ(client->GetWidth(), 10);
  EXPECT_EQ(client->GetHeight(), 10);
}

TEST_F(ControlsTest, AWindowSizedFromOutsideTakesTheNewBoundsAndRealigns) {
  auto root = Make<TSolid>();
  root->SetBounds(100, 100, 200, 100);
  int resized = 0;
  root->OnResize = TNotifyEvent(
      &resized, +[](int* Count, TObject*) { ++*Count; });
  auto* panel = Child<TSolid>(root, TRect(0, 0, 10, 30), alBottom);
  root->Show();
  EXPECT_EQ(panel->GetBoundsRect(), TRect(0, 70, 200, 100));
  resized = 0;
  SetWindowPos(root->GetHandle(), nullptr, 120, 90, 300, 150, SWP_NOZORDER | SWP_NOACTIVATE);
  EXPECT_EQ(root->GetBoundsRect(), TRect(120, 90, 420, 240));
  EXPECT_EQ(panel->GetBoundsRect(), TRect(0, 120, 300, 150));
  EXPECT_EQ(resized, 1);
  TRect r;
  GetWindowRect(panel->GetHandle(), r);
  EXPECT_EQ(r, TRect(120, 210, 420, 240));  // the child's window followed (screen coordinates)
}

TEST_F(ControlsTest, AlignedControlsStackByPositionAndRealignOnceWhenEnabled) {
  auto parent = Make<TWinControl>();
  parent->SetBounds(0, 0, 100, 100);
  parent->DisableAlign();
  TControl* second = Child<TSolidGraphic>(parent, TRect(0, 50, 10, 60), alTop);
  TControl* first = Child<TSolidGraphic>(parent, TRect(0, 5, 10, 25), alTop);
  TControl* lowest = Child<TSolidGraphic>(parent, TRect(0, 90, 10, 95), alBottom);
  TControl* upper = Child<TSolidGraphic>(parent, TRect(0, 60, 10, 70), alBottom);
  EXPECT_EQ(first->GetTop(), 5);  // nothing moves while alignment is disabled
  parent->EnableAlign();
  EXPECT_EQ(first->GetBoundsRect(), TRect(0, 0, 100, 20));
  EXPECT_EQ(second->GetBoundsRect(), TRect(0, 20, 100, 30));
  EXPECT_EQ(lowest->GetBoundsRect(), TRect(0, 95, 100, 100));
  EXPECT_EQ(upper->GetBoundsRect(), TRect(0, 85, 100, 95));
  // Moving a control above the other re-orders the stack.
  second->SetTop(0);
  EXPECT_EQ(second->GetTop(), 0);
  EXPECT_EQ(first->GetTop(), 10);
}

TEST_F(ControlsTest, AnchorsKeepTheirDistancesWhenTheParentResizes) {
  struct TCase {
    TAnchors Anchors;
    TRect Expected;  // after the parent grows from 200 x 100 to 300 x 160
  };
  const TCase cases[] = {
      {{akLeft, akTop}, TRect(10, 10, 60, 30)},
      {{akRight, akBottom}, TRect(110, 70, 160, 90)},
      {{akLeft, akTop, akRight}, TRect(10, 10, 160, 30)},
      {{akLeft, akTop, akRight, akBottom}, TRect(10, 10, 160, 90)},
      {{akTop}, TRect(28, 10, 78, 30)},  // no horizontal anchor: the centre keeps its proportion
  };
  for (const TCase& c : cases) {
    auto parent = Make<TWinControl>();
    parent->SetBounds(0, 0, 200, 100);
    TControl* child = Child<TSolidGraphic>(parent, TRect(10, 10, 60, 30));
    child->SetAnchors(c.Anchors);
    parent->SetBounds(0, 0, 300, 160);
    EXPECT_EQ(child->GetBoundsRect(), c.Expected) << c.Anchors.ToInteger();
    // Back to the old size: the same place as at the start.
    parent->SetBounds(0, 0, 200, 100);
    EXPECT_EQ(child->GetBoundsRect(), TRect(10, 10, 60, 30)) << c.Anchors.ToInteger();
  }
}

TEST_F(ControlsTest, ConstraintsLimitSetBoundsAndAlignment) {
  auto parent = Make<TWinControl>();
  parent->SetBounds(0, 0, 200, 100);
  TControl* child = Child<TSolidGraphic>(parent, TRect(0, 0, 50, 50));
  child->GetConstraints()->SetMinWidth(20);
  child->GetConstraints()->SetMaxHeight(40);
  EXPECT_EQ(child->GetHeight(), 40);  // a new limit applies at once
  child->SetBounds(0, 0, 5, 90);
  EXPECT_EQ(child->GetWidth(), 20);
  EXPECT_EQ(child->GetHeight(), 40);
  // A maximum below the minimum pulls the minimum down with it.
  child->GetConstraints()->SetMaxWidth(10);
  EXPECT_EQ(child->GetConstraints()->GetMinWidth(), 10);
  EXPECT_EQ(child->GetWidth(), 10);
  // Aligned left, the next control starts where the constrained one really ends.
  child->SetAlign(alLeft);
  TControl* rest = Child<TSolidGraphic>(parent, TRect(0, 0, 1, 1), alClient);
  EXPECT_EQ(child->GetBoundsRect(), TRect(0, 0, 10, 40));
  EXPECT_EQ(rest->GetBoundsRect(), TRect(10, 0, 200, 100));
}

TEST_F(ControlsTest, AutoSizeFollowsTheContent) {
  auto parent = Make<TWinControl>();
  parent->SetBounds(0, 0, 200, 100);
  auto* label = Child<TSolidGraphic>(parent, TRect(5, 5, 105, 105));
  label->AutoWidth = 50;
  label->AutoHeight = 20;
  label->SetAutoSize(true);
  EXPECT_EQ(label->GetBoundsRect(), TRect(5, 5, 55, 25));
  label->SetBounds(5, 5, 300, 300);
  EXPECT_EQ(label->GetBoundsRect(), TRect(5, 5, 55, 25));
  // Aligned to the top, only the height follows the content.
  label->SetAlign(alTop);
  EXPECT_EQ(label->GetBoundsRect(), TRect(0, 0, 200, 20));

  // A windowed container fits its children and its padding.
  auto box = Make<TWinControl>(parent);
  box->GetPadding()->SetBounds(0, 0, 4, 6);
  Child<TSolidGraphic>(box, TRect(10, 10, 40, 30));
  Child<TSolidGraphic>(box, TRect(0, 20, 20, 50));
  box->SetAutoSize(true);
  EXPECT_EQ(box->GetWidth(), 44);
  EXPECT_EQ(box->GetHeight(), 56);
}

TEST_F(ControlsTest, ScalingTo144DpiResizesBoundsFontsAndMarginsOnce) {
  auto parent = Make<TWinControl>();
  parent->SetBounds(10, 20, 200, 100);
  parent->GetFont()->SetHeight(-12);
  TControl* inherits = Child<TSolidGraphic>(parent, TRect(10, 10, 50, 30));
  auto* own = Child<TSolid>(parent, TRect(20, 40, 60, 60));
  own->GetFont()->SetHeight(-20);
  own->GetMargins()->SetBounds(2, 2, 2, 2);
  TControl* anchored = Child<TSolidGraphic>(parent, TRect(150, 80, 190, 90));
  anchored->SetAnchors({akRight, akBottom});
  ASSERT_TRUE(inherits->GetParentFont());

  parent->ScaleForPPI(144);
  EXPECT_EQ(parent->GetCurrentPPI(), 144);
  EXPECT_EQ(inherits->GetCurrentPPI(), 144);
  EXPECT_EQ(own->GetCurrentPPI(), 144);
  EXPECT_EQ(parent->GetBoundsRect(), TRect(15, 30, 315, 180));
  EXPECT_EQ(inherits->GetBoundsRect(), TRect(15, 15, 75, 45));
  EXPECT_EQ(own->GetBoundsRect(), TRect(30, 60, 90, 90));
  EXPECT_EQ(anchored->GetBoundsRect(), TRect(225, 120, 285, 135));
  EXPECT_EQ(parent->GetFont()->GetHeight(), -18);
  EXPECT_EQ(inherits->GetFont()->GetHeight(), -18);
  EXPECT_TRUE(inherits->GetParentFont());
  EXPECT_EQ(own->GetFont()->GetHeight(), -30);
  EXPECT_EQ(own->GetMargins()->GetLeft(), 3);
  EXPECT_EQ(own->ScaleValue(10), 15);
  // The anchors refer to the new bounds: a later resize keeps the scaled distances.
  parent->SetBounds(15, 30, 400, 150);
  EXPECT_EQ(anchored->GetLeft(), 325);
  // The same PPI again changes nothing.
  parent->ScaleForPPI(144);
  EXPECT_EQ(own->GetFont()->GetHeight(), -30);
}

TEST_F(ControlsTest, AParentInsideTheControlIsRefused) {
  auto outer = Make<TWinControl>();
  auto* inner = ::Create<TWinControl>(nullptr);
  inner->SetParent(outer);
  EXPECT_THROW(outer->SetParent(inner), EInvalidOperation);
  EXPECT_THROW(outer->SetParent(outer), EInvalidOperation);
  EXPECT_EQ(outer->GetParent(), nullptr);
  EXPECT_EQ(inner->GetParent(), outer.Ptr);
}

TEST_F(ControlsTest, ZOrderDecidesWhichOverlappingChildIsHit) {
  auto parent = Make<TWinControl>();
  parent->SetBounds(0, 0, 100, 100);
  TControl* below = Child<TSolidGraphic>(parent, TRect(0, 0, 50, 50));
  TControl* above = Child<TSolidGraphic>(parent, TRect(25, 25, 75, 75));
  EXPECT_EQ(parent->ControlAtPos(TPoint(30, 30), false), above);
  above->SendToBack();
  EXPECT_EQ(parent->ControlAtPos(TPoint(30, 30), false), below);
  EXPECT_EQ(parent->GetControl(0), above);
  above->BringToFront();
  EXPECT_EQ(parent->ControlAtPos(TPoint(30, 30), false), above);
  above->SetVisible(false);
  EXPECT_EQ(parent->ControlAtPos(TPoint(30, 30), false), below);
  EXPECT_EQ(parent->ControlAtPos(TPoint(60, 60), false), nullptr);
}

TEST_F(ControlsTest, TabOrderAndFindNextControl) {
  auto root = Make<TKeyRoot>();
  root->SetBounds(0, 0, 100, 100);
  auto* a = Child<TKeyControl>(root, TRect(0, 0, 10, 10));
  auto* b = Child<TKeyControl>(root, TRect(0, 20, 10, 30));
  auto* c = Child<TKeyControl>(root, TRect(0, 40, 10, 50));
  for (TWinControl* w : {(TWinControl*)a, (TWinControl*)b, (TWinControl*)c}) w->SetTabStop(true);
  c->SetTabOrder(0);
  EXPECT_EQ(c->GetTabOrder(), 0);
  EXPECT_EQ(a->GetTabOrder(), 1);
  EXPECT_EQ(root->FindNextControl(a, true, true, false), b);
  EXPECT_EQ(root->FindNextControl(b, true, true, false), c);  // wraps
  EXPECT_EQ(root->FindNextControl(c, false, true, false), b);
  b->SetEnabled(false);
  EXPECT_EQ(root->FindNextControl(a, true, true, false), c);
  a->SetTabStop(false);
  EXPECT_EQ(root->FindNextControl(c, true, true, false), nullptr);
}

// ---- input ------------------------------------------------------------------------------------

TEST_F(ControlsTest, OnlyAControlThatWantsArrowsGetsThem) {
  auto root = Make<TKeyRoot>();
  root->SetBounds(100, 100, 200, 100);
  auto* wants = Child<TKeyControl>(root, TRect(10, 10, 60, 40));
  wants->WantArrows = true;
  auto* plain = Child<TKeyControl>(root, TRect(70, 10, 120, 40));
  root->Show();
  Headless::RunUntilIdle();

  wants->SetFocus();
  Headless::KeyPress(VK_LEFT);
  Headless::KeyPress(u'A');
  Headless::RunUntilIdle();
  EXPECT_EQ(wants->Keys, (std::vector<Word>{VK_LEFT, u'A'}));
  EXPECT_TRUE(root->DialogKeys.empty());
  EXPECT_EQ(root->ChildKeys, (std::vector<WPARAM>{VK_LEFT, u'A'}));  // CM_CHILDKEY climbs the parents

  plain->SetFocus();
  EXPECT_TRUE(plain->Focused());
  EXPECT_EQ(root->GetFocusedControl(), plain);
  Headless::KeyPress(VK_LEFT);
  Headless::KeyPress(u'B');
  Headless::RunUntilIdle();
  EXPECT_EQ(plain->Keys, (std::vector<Word>{u'B'}));  // the arrow went to the dialog navigation
  EXPECT_EQ(root->DialogKeys, (std::vector<WPARAM>{VK_LEFT}));
}

TEST_F(ControlsTest, FocusChangesRunExitThenEnter) {
  auto root = Make<TKeyRoot>();
  root->SetBounds(100, 100, 200, 100);
  auto* group = Child<TSolid>(root, TRect(0, 0, 100, 100));
  auto* a = Child<TKeyControl>(group, TRect(0, 0, 10, 10));
  auto* b = Child<TKeyControl>(root, TRect(150, 0, 160, 10));
  std::vector<String> log;
  struct TLogger {
    std::vector<String>* Log;
    void Enter(TObject* S) { Log->push_back(u"enter " + static_cast<TComponent*>(S)->GetName()); }
    void Exit(TObject* S) { Log->push_back(u"exit " + static_cast<TComponent*>(S)->GetName()); }
  } logger{&log};
  group->SetName(u"group");
  a->SetName(u"a");
  b->SetName(u"b");
  for (TWinControl* w : {(TWinControl*)group, (TWinControl*)a, (TWinControl*)b}) {
    w->OnEnter = TNotifyEvent(&logger, &TLogger::Enter);
    w->OnExit = TNotifyEvent(&logger, &TLogger::Exit);
  }
  root->Show();
  a->SetFocus();
  b->SetFocus();
  EXPECT_EQ(log, (std::vector<String>{u"enter group", u"enter a", u"exit a", u"exit group", u"enter b"}));
  // Hiding the focused control's parent drops the record.
  a->SetFocus();
  group->Hide();
  EXPECT_EQ(root->GetFocusedControl(), nullptr);
}

TEST_F(ControlsTest, CaptureKeepsADragOnTheWindowlessControl) {
  auto root = Make<TSolid>();
  root->SetBounds(100, 100, 200, 100);
  auto* knob = Child<TSolidGraphic>(root, TRect(10, 10, 30, 30));
  root->Show();
  Headless::RunUntilIdle();

  Headless::MouseDown(TPoint(115, 115));
  Headless::RunUntilIdle();
  EXPECT_EQ(GetCaptureControl(), knob);
  Headless::MouseMove(TPoint(250, 118));  // off the knob, still on the parent
  Headless::RunUntilIdle();
  Headless::MouseMove(TPoint(400, 50));  // off the parent's window
  Headless::RunUntilIdle();
  Headless::MouseUp(TPoint(400, 50));
  Headless::RunUntilIdle();
  EXPECT_EQ(GetCaptureControl(), nullptr);
  // Coordinates stay the knob's; released outside, no click.
  EXPECT_EQ(knob->Events,
            (std::vector<String>{u"move 5,5", u"down 5,5", u"move 140,8", u"move 290,-60", u"up 290,-60"}));

  knob->Events.clear();
  Headless::Advance(2000);  // the next press starts a new click
  Headless::DoubleClick(TPoint(115, 115));
  Headless::RunUntilIdle();
  EXPECT_EQ(knob->Events,
            (std::vector<String>{u"move 5,5", u"down 5,5", u"click", u"up 5,5", u"down 5,5 double", u"up 5,5"}));
}

TEST_F(ControlsTest, MouseEnterAndLeaveForWindowlessChildren) {
  auto root = Make<TSolid>();
  root->SetBounds(100, 100, 200, 100);
  root->SetName(u"root");
  auto* a = Child<TSolidGraphic>(root, TRect(10, 10, 30, 30));
  auto* b = Child<TSolidGraphic>(root, TRect(40, 10, 60, 30));
  a->SetName(u"a");
  b->SetName(u"b");
  std::vector<String> log;
  struct TLogger {
    std::vector<String>* Log;
    void Enter(TObject* S) { Log->push_back(u"enter " + static_cast<TComponent*>(S)->GetName()); }
    void Leave(TObject* S) { Log->push_back(u"leave " + static_cast<TComponent*>(S)->GetName()); }
  } logger{&log};
  for (TControl* c : {(TControl*)root, (TControl*)a, (TControl*)b}) {
    c->OnMouseEnter = TNotifyEvent(&logger, &TLogger::Enter);
    c->OnMouseLeave = TNotifyEvent(&logger, &TLogger::Leave);
  }
  root->Show();
  Headless::RunUntilIdle();

  for (TPoint p :
       {TPoint(105, 105), TPoint(115, 115), TPoint(118, 118), TPoint(145, 115), TPoint(180, 150), TPoint(500, 500)}) {
    Headless::MouseMove(p);
    // A move off every window posts the leave while the input is taken: run once more for it.
    Headless::RunUntilIdle();
    Headless::RunUntilIdle();
  }
  EXPECT_EQ(log, (std::vector<String>{u"enter root", u"leave root", u"enter a", u"leave a", u"enter b", u"leave b",
                                      u"enter root", u"leave root"}));
  EXPECT_FALSE(a->MouseInClient());
  EXPECT_EQ(GetMouseControl(), nullptr);
}

TEST_F(ControlsTest, TheCursorIsTheWindowlessChildsThenTheControls) {
  auto root = Make<TSolid>();
  root->SetBounds(100, 100, 200, 100);
  root->SetCursor(crIBeam);
  auto* link = Child<TSolidGraphic>(root, TRect(10, 10, 30, 30));
  link->SetCursor(crHandPoint);
  Child<TSolidGraphic>(root, TRect(40, 10, 60, 30));  // crDefault: the parent's
  root->Show();
  const std::pair<TPoint, uintptr_t> cases[] = {
      {TPoint(115, 115), IDC_HAND}, {TPoint(145, 115), IDC_IBEAM}, {TPoint(250, 150), IDC_IBEAM}};
  for (const auto& [point, expected] : cases) {
    Headless::MouseMove(point);
    Headless::RunUntilIdle();
    EXPECT_EQ(GetCursorId(GetCursor()), expected) << point.X;
  }
}

TEST_F(ControlsTest, WheelGoesToTheFocusedControlThenItsParents) {
  auto root = Make<TKeyRoot>();
  root->SetBounds(100, 100, 200, 100);
  auto* inner = Child<TKeyControl>(root, TRect(10, 10, 60, 40));
  std::vector<String> log;
  struct TLogger {
    std::vector<String>* Log;
    bool Take = false;
    void Up(TObject* S, TShiftState, TPoint, bool& Handled) {
      Log->push_back(u"up " + static_cast<TComponent*>(S)->ClassName());
      Handled = Take;
    }
    void Down(TObject* S, TShiftState, TPoint, bool& Handled) {
      Log->push_back(u"down " + static_cast<TComponent*>(S)->ClassName());
      Handled = true;
    }
  } logger{&log};
  inner->OnMouseWheelUp = TMouseWheelUpDownEvent(&logger, &TLogger::Up);
  root->OnMouseWheelDown = TMouseWheelUpDownEvent(&logger, &TLogger::Down);
  root->Show();
  inner->SetFocus();
  Headless::Wheel(TPoint(120, 120), 1);
  Headless::Wheel(TPoint(120, 120), -1);
  Headless::RunUntilIdle();
  EXPECT_EQ(log, (std::vector<String>{u"up TKeyControl", u"down TKeyRoot"}));
}

// ---- painting ---------------------------------------------------------------------------------

// Builds a 60 x 40 parent with windowed and windowless children, one of them clipped by the
// parent's edge and one overlapping a windowed sibling below it.
void FillScene(TWinControl* Root, bool DoubleBuffered) {
  Root->SetBounds(300, 300, 60, 40);
  Root->SetColor(clBlue);
  Root->SetDoubleBuffered(DoubleBuffered);
  auto* panel = Child<TSolid>(Root, TRect(30, 5, 55, 35));
  panel->SetColor(clLime);
  Child<TSolidGraphic>(panel, TRect(5, 5, 15, 15))->SetColor(clYellow);
  Child<TSolidGraphic>(Root, TRect(5, 5, 25, 20))->SetColor(clRed);
  Child<TSolidGraphic>(Root, TRect(50, 30, 80, 60))->SetColor(clFuchsia);  // cut by the edge
}

TSolid* PaintScene(bool DoubleBuffered) {
  auto* root = Create<TSolid>(nullptr);
  FillScene(root, DoubleBuffered);
  return root;
}

// The same scene on a borderless form, which paints its background with its colour.
TForm* PaintSceneOnForm(bool DoubleBuffered) {
  TForm* form = TCustomForm::CreateNew<TForm>(nullptr);
  form->SetBorderStyle(bsNone);
  FillScene(form, DoubleBuffered);
  return form;
}

TEST_F(ControlsTest, PaintedChildrenMatchTheReferenceImage) {
  const std::string reference = FixturePath("vcl/data/controls_paint.png");
  for (int variant = 0; variant < 3; ++variant) {
    const bool doubleBuffered = variant == 1;
    TOwned<TWinControl> root(variant == 2 ? static_cast<TWinControl*>(PaintSceneOnForm(false))
                                          : PaintScene(doubleBuffered));
    root->Show();
    Headless::RunUntilIdle();
    HWND window = root->GetHandle();
    if (std::getenv("ZEPHSE_UPDATE_REFERENCE") && variant == 0) {
      ASSERT_TRUE(Headless::SavePng(window, reference));
    }
    std::ifstream in(reference, std::ios::binary);
    ASSERT_TRUE(in) << reference;
    const std::vector<Byte> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const TDecodedImage image = DecodePng(data);
    ASSERT_EQ(image.Width, 60);
    ASSERT_EQ(image.Height, 40);
    Integer differing = 0;
    for (Integer y = 0; y < 40; ++y)
      for (Integer x = 0; x < 60; ++x)
        if (Headless::WindowPixel(window, TPoint(x, y)) != image.Pixels[size_t(y * 60 + x)]) ++differing;
    EXPECT_EQ(differing, 0) << (variant == 2 ? "form" : doubleBuffered ? "double-buffered" : "direct");
    // Spot checks that say what the picture holds.
    EXPECT_EQ(Headless::WindowPixel(window, TPoint(1, 1)), 0xFF0000FFu);    // the parent's blue
    EXPECT_EQ(Headless::WindowPixel(window, TPoint(10, 10)), 0xFFFF0000u);  // windowless red
    EXPECT_EQ(Headless::WindowPixel(window, TPoint(37, 12)), 0xFFFFFF00u);  // grandchild yellow
    EXPECT_EQ(Headless::WindowPixel(window, TPoint(52, 32)), 0xFF00FF00u);  // the window covers fuchsia
    EXPECT_EQ(Headless::WindowPixel(window, TPoint(57, 37)), 0xFFFF00FFu);  // fuchsia, clipped at the edge
  }
}

TEST_F(ControlsTest, PaintToDrawsTheControlAndItsChildrenIntoACanvas) {
  TOwned<TSolid> root(PaintScene(false));
  TBitmap bitmap(70, 50);
  bitmap.GetCanvas()->GetBrush()->SetColor(clBlack);
  bitmap.GetCanvas()->FillRect(TRect(0, 0, 70, 50));
  root->PaintTo(bitmap.GetCanvas(), 10, 10);
  EXPECT_EQ(bitmap.GetCanvas()->GetPixel(5, 5), clBlack);
  EXPECT_EQ(bitmap.GetCanvas()->GetPixel(11, 11), clBlue);
  EXPECT_EQ(bitmap.GetCanvas()->GetPixel(20, 20), clRed);
  EXPECT_EQ(bitmap.GetCanvas()->GetPixel(47, 22), clYellow);
  EXPECT_EQ(bitmap.GetCanvas()->GetPixel(67, 47), clFuchsia);
}

// ---- dispatch ---------------------------------------------------------------------------------

TEST_F(ControlsTest, HandlersAreFoundThroughTheClassChainAndInheritedHandlingRuns) {
  auto root = Make<TKeyRoot>();
  auto child = Make<TKeyControl>(root);
  // TKeyRoot's own handler, then TWinControl's (which passes CM_CHILDKEY to the parent: none).
  EXPECT_EQ(root->Perform(CM_CHILDKEY, 7, 0), 0);
  EXPECT_EQ(root->ChildKeys, (std::vector<WPARAM>{7}));
  // From the child: its parent's handler is reached by the inherited handling.
  child->Perform(CM_CHILDKEY, 8, 0);
  EXPECT_EQ(root->ChildKeys, (std::vector<WPARAM>{7, 8}));
  EXPECT_EQ(root->Perform(CM_DIALOGKEY, VK_TAB, 0), 1);
  // WindowProc can be replaced and chained.
  static TWndMethod saved;
  static int seen = 0;
  saved = child->WindowProc;
  child->WindowProc = TWndMethod(+[](TMessage& M) {
    if (M.Msg == CM_TEXTCHANGED) ++seen;
    saved(M);
  });
  child->SetText(u"x");
  child->WindowProc = saved;
  EXPECT_EQ(seen, 1);
  // Text goes through the window when there is one, and back.
  root->Show();
  child->SetText(u"Caption");
  EXPECT_EQ(GetWindowText(child->GetHandle()), u"Caption");
  SetWindowText(child->GetHandle(), u"From the window");
  EXPECT_EQ(child->GetText(), u"From the window");
  EXPECT_EQ(child->Perform(WM_GETTEXTLENGTH), 15);
  EXPECT_EQ(GetShortHint(u"Short|Long"), u"Short");
  EXPECT_EQ(GetLongHint(u"Short|Long"), u"Long");
  EXPECT_EQ(GetLongHint(u"Only"), u"Only");
  EXPECT_TRUE(IsAccel(u'f', u"&File"));
  EXPECT_FALSE(IsAccel(u'f', u"A&&File"));
}

}  // namespace

namespace {

// A windowless control reports its moves to itself the way a window does.
class TMoveWatch : public TGraphicControl {
  ZCL_CLASS(TMoveWatch, TGraphicControl)
 public:
  using TGraphicControl::TGraphicControl;
  std::vector<TRect> Moves;

 protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_WINDOWPOSCHANGED) {
      const auto* pos = reinterpret_cast<const WINDOWPOS*>(Message.LParam);
      Moves.emplace_back(pos->x, pos->y, pos->x + pos->cx, pos->y + pos->cy);
    }
    inherited::WndProc(Message);
  }
};

TEST_F(ControlsTest, WindowlessControlsReportTheirMoves) {
  auto parent = Make<TWinControl>();
  TMoveWatch* watch = Child<TMoveWatch>(parent, TRect(0, 0, 10, 10));
  watch->Moves.clear();
  watch->SetBounds(5, 6, 20, 30);
  watch->SetBounds(5, 6, 20, 30);  // unchanged: no notice
  ASSERT_EQ(watch->Moves.size(), 1u);
  EXPECT_EQ(watch->Moves[0], TRect(5, 6, 25, 36));
}

}  // namespace
