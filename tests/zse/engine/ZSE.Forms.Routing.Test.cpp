#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "os/OS.Input.h"
#include "os/OS.Windows.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Menus.h"
#include "vcl/VCL.Messages.h"
#include "zse/engine/ZSE.Forms.Utils.h"
#include "zse/engine/ZSE.Forms.h"
#include "zse/engine/ZSE.Layout.Containers.h"
#include "zse/engine/ZSE.Manager.h"
#include "zse/engine/ZSE.RenderBuffer.h"
#include "zse/engine/ZSE.Scene.h"

namespace {

std::vector<std::string> GLog;

// A stand-in element that takes every kind of input and writes what reaches it to GLog.
class TProbe : public TZSELayoutItem,
               public IZSEHandlerMouse,
               public IZSEHandlerMouseWheel,
               public IZSEHandlerMouseHover,
               public IZSEHandlerFocus,
               public IZSEHandlerKeyboard,
               public IZSEHandlerHint,
               public IZSEHandlerContextMenu,
               public IZSEDropTarget {
  ZCL_CLASS(TProbe, TZSELayoutItem)
  RTL_INTERFACES(TZSELayoutItem, IZSEHandlerMouse, IZSEHandlerMouseWheel, IZSEHandlerMouseHover, IZSEHandlerFocus,
                 IZSEHandlerKeyboard, IZSEHandlerHint, IZSEHandlerContextMenu, IZSEDropTarget)
 public:
  using TZSELayoutItem::TZSELayoutItem;
  Integer HitCode = 1;
  bool HasMenu = false;
  String HintText;

  void Log(const std::string& What, const TPoint& P) {
    GLog.push_back(Tag + " " + What + " " + std::to_string(P.X) + "," + std::to_string(P.Y));
  }
  void Log(const std::string& What) { GLog.push_back(Tag + " " + What); }
  std::string Tag;

  TPoint LocalToScreen(const TPoint& P) override { return ClientToScreen(P); }
  TPoint ScreenToLocal(const TPoint& P) override { return ScreenToClient(P); }
  Byte GetAcceptedButtons() override { return 0x07; }
  Integer MouseHitTest(const TPoint&) override { return HitCode; }
  void MouseDown(TMouseButton B, TShiftState, const TPoint& P) override { Log("down" + std::to_string(int(B)), P); }
  void MouseMove(TShiftState, const TPoint&) override {}
  void MouseUp(TMouseButton B, TShiftState, const TPoint& P) override { Log("up" + std::to_string(int(B)), P); }
  void MouseWheel(TShiftState Shift, bool Up) override {
    Log(std::string(Up ? "wheel-up" : "wheel-down") + (Shift.Contains(ssShift) ? "+shift" : ""));
  }
  void MouseHover(bool Entered) override { Log(Entered ? "enter" : "leave"); }
  void FocusChanged(bool Focused) override { Log(Focused ? "focus" : "blur"); }
  void KeyChar(Char&) override { Log("char"); }
  void KeyDown(Word& Key, TShiftState) override { Log("key" + std::to_string(Key)); }
  void KeyDownPreview(Word, TShiftState, bool&) override {}
  void KeyUp(Word&, TShiftState) override {}
  void GetHint(const TPoint&, TZSEHintData& Data) override { Data.Text = HintText; }
  bool HasContextMenu(Integer) override { return HasMenu; }
  void ShowContextMenu(Integer Button, const TPoint& P) override { Log("menu" + std::to_string(Button), P); }
  void DragDrop(TObject*, const TPoint& P) override { Log("drop", P); }
  void DragEnter(TObject*) override { Log("drag-enter"); }
  void DragLeave(TObject*) override { Log("drag-leave"); }
  void DragOver(TObject*, TShiftState, const TPoint&, bool& Accept) override { Accept = true; }
};

// Opaque everywhere, so that the window takes the pointer input at every pixel.
class TOpaqueForm : public TZSEForm {
  ZCL_CLASS(TOpaqueForm, TZSEForm)
 public:
  using TZSEForm::TZSEForm;

 protected:
  void PaintLayout(TZSERenderBuffer* Buffer) override {
    Buffer->FillRect(TRect(0, 0, Buffer->GetWidth(), Buffer->GetHeight()), 0xFF202020);
  }
};

// A form at (100, 100), 200 by 100: probe A fills the left 60 pixels, probe B the rest.
struct FormRouting : ::testing::Test {
  TZSEForm* Form = nullptr;
  TProbe* A = nullptr;
  TProbe* B = nullptr;

  void SetUp() override {
    GLog.clear();
    Form = TCustomForm::CreateNew<TOpaqueForm>(nullptr);
    Form->SetBounds(100, 100, 200, 100);
    A = AddProbe("A", laLeft, 60);
    B = AddProbe("B", laClient, 0);
    Form->SetVisible(true);
    Form->FitLayout();
    Form->UpdateContent(true);
    Headless::RunUntilIdle();
    GLog.clear();
  }
  void TearDown() override {
    Free(Form);
    Headless::RunUntilIdle();
  }
  TProbe* AddProbe(const std::string& Tag, TZSELayoutAlignment Alignment, Integer Width) {
    auto* p = Create<TProbe>();
    p->Tag = Tag;
    p->SetParent(Form->GetLayout());
    p->SetAlignment(Alignment);
    p->GetSizeMinimal()->SetValue(TSize(Width, 0));
    return p;
  }
  static TPoint Screen(Integer X, Integer Y) { return TPoint(100 + X, 100 + Y); }
  std::vector<std::string> Take() {
    std::vector<std::string> r;
    r.swap(GLog);
    return r;
  }
  void Wheel(Integer Delta, TPoint Client, bool Horizontal = false) {
    const TPoint s = Form->ClientToScreen(Client);
    Form->Perform(Horizontal ? WM_MOUSEHWHEEL : WM_MOUSEWHEEL, static_cast<WPARAM>(MAKELPARAM(0, Delta)),
                  MAKELPARAM(s.X, s.Y));
  }
};

TEST_F(FormRouting, PressAndReleaseReachTheElementInItsCoordinates) {
  Headless::Click(Screen(20, 30));
  Headless::Click(Screen(80, 40), TMouseButton::Middle);
  Headless::RunUntilIdle();
  const std::vector<std::string> expected = {"A down0 20,30", "A up0 20,30", "B down2 20,40", "B up2 20,40"};
  std::vector<std::string> got;
  for (const std::string& s : Take())
    if (s.find("down") != std::string::npos || s.find("up") != std::string::npos) got.push_back(s);
  EXPECT_EQ(got, expected);
  EXPECT_EQ(GlobalStateController()->GetCapturedElement(), nullptr);
}

TEST_F(FormRouting, AMoveAreaClicksWithoutMovementAndMovesTheFormBeyondTheThreshold) {
  A->HitCode = ZSEMouseHitMovesForm;
  Headless::Click(Screen(20, 30));
  Headless::RunUntilIdle();
  std::vector<std::string> got;
  for (const std::string& s : Take())
    if (s.find("down") != std::string::npos || s.find("up") != std::string::npos) got.push_back(s);
  EXPECT_EQ(got, (std::vector<std::string>{"A down0 20,30", "A up0 20,30"}));
  EXPECT_EQ(Form->GetLeft(), 100);

  // Away from the first click, so that it is no double click.
  Headless::MouseDown(Screen(40, 70));
  Headless::MouseMove(Screen(80, 90));
  Headless::MouseUp(Screen(80, 90));
  Headless::RunUntilIdle();
  for (const std::string& s : Take()) EXPECT_EQ(s.find("down"), std::string::npos) << s;
  EXPECT_EQ(Form->GetLeft(), 140);
  EXPECT_EQ(Form->GetTop(), 120);
  EXPECT_FALSE(Form->IsDragging());
}

TEST_F(FormRouting, EscapeCancelsAResizeButEndsAMoveWhereItIs) {
  // The bottom-right corner starts a resize.
  Headless::MouseDown(Screen(198, 98));
  Headless::MouseMove(Screen(230, 130));
  Headless::RunUntilIdle();
  ASSERT_TRUE(Form->IsDragging());
  Form->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(Form->IsDragging());
  Headless::MouseUp(Screen(230, 130));
  Headless::RunUntilIdle();
  EXPECT_EQ(Form->GetBoundsRect(), TRect(100, 100, 300, 200));

  B->HitCode = ZSEMouseHitMovesForm;
  Headless::MouseDown(Screen(100, 50));
  Headless::MouseMove(Screen(130, 60));
  Headless::RunUntilIdle();
  ASSERT_TRUE(Form->IsDragging());
  Form->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
  EXPECT_FALSE(Form->IsDragging());
  EXPECT_EQ(Form->GetLeft(), 130);
  Headless::MouseUp(Screen(130, 60));
  Headless::RunUntilIdle();
}

TEST_F(FormRouting, AZoomedFormHandsContentPointsToItsElements) {
  Form->SetZoom(2, 1);
  EXPECT_EQ(A->GetBounds(), TRect(0, 0, 60, 50)) << "the layout fills the content area";
  Form->Perform(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(100, 60));
  Form->Perform(WM_MBUTTONUP, 0, MAKELPARAM(100, 60));
  std::vector<std::string> got;
  for (const std::string& s : Take())
    if (s.find("down") != std::string::npos || s.find("up") != std::string::npos) got.push_back(s);
  EXPECT_EQ(got, (std::vector<std::string>{"A down2 50,30", "A up2 50,30"}));
}

TEST_F(FormRouting, WheelDeltasGatherPerElementIntoNotches) {
  struct TCase {
    const char* Name;
    std::vector<std::pair<Integer, TPoint>> Deltas;
    bool Horizontal;
    std::vector<std::string> Expected;
  };
  const std::vector<TCase> cases = {
      {"60 + 60 on one element", {{60, {20, 20}}, {60, {20, 20}}}, false, {"A wheel-up"}},
      {"split between two elements", {{60, {20, 20}}, {60, {120, 20}}}, false, {}},
      {"two notches down at once", {{-240, {120, 20}}}, false, {"B wheel-down", "B wheel-down"}},
      {"horizontal +120 is a down notch with Shift", {{120, {20, 20}}}, true, {"A wheel-down+shift"}},
  };
  for (const TCase& c : cases) {
    Wheel(-Form->GetWheelRemainder(), {150, 50});  // another element: starts afresh
    Take();
    for (const auto& [delta, point] : c.Deltas) Wheel(delta, point, c.Horizontal);
    EXPECT_EQ(Take(), c.Expected) << c.Name;
  }
}

TEST_F(FormRouting, TabCyclesTheFocusAndWraps) {
  TZSEGlobalStateController* g = GlobalStateController();
  g->SetFocusedElement(nullptr);
  Form->DialogKey(VK_TAB, {});
  EXPECT_EQ(g->GetFocusedElement(), A);
  Form->DialogKey(VK_TAB, {});
  EXPECT_EQ(g->GetFocusedElement(), B);
  Form->DialogKey(VK_TAB, {});
  EXPECT_EQ(g->GetFocusedElement(), A) << "wraps to the first";
  Form->DialogKey(VK_TAB, {ssShift});
  EXPECT_EQ(g->GetFocusedElement(), B) << "Shift+Tab goes back";
  EXPECT_FALSE(Form->DialogKey(VK_RETURN, {}));

  // Keys go to the focused element; a hidden element loses the focus.
  Take();
  Form->Perform(WM_KEYDOWN, 'X', 0);
  EXPECT_EQ(Take(), (std::vector<std::string>{"B key88"}));
  B->SetVisible(false);
  g->Reapply();
  EXPECT_EQ(g->GetFocusedElement(), nullptr);
}

TEST_F(FormRouting, HoverTellsTheElementsLeftAndEntered) {
  Form->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
  Form->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(25, 20));
  Form->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(120, 20));
  EXPECT_EQ(Take(), (std::vector<std::string>{"A enter", "A leave", "B enter"}));
  EXPECT_EQ(GlobalStateController()->GetHoveredElement(), B);
  // While an element holds the capture no other becomes hovered.
  GlobalStateController()->SetCapturedElement(A);
  Form->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
  EXPECT_EQ(GlobalStateController()->GetHoveredElement(), B);
  GlobalStateController()->SetCapturedElement(nullptr);
}

TEST_F(FormRouting, DisabledOrHiddenElementsDropOutOfTheInputState) {
  TZSEGlobalStateController* g = GlobalStateController();
  struct TCase {
    const char* Name;
    void (*Apply)(TProbe*, bool);
  };
  const TCase cases[] = {
      {"disabled", [](TProbe* P, bool On) { P->SetEnabled(On); }},
      {"hidden", [](TProbe* P, bool On) { P->SetVisible(On); }},
  };
  for (const TCase& c : cases) {
    Form->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(20, 20));
    g->SetCapturedElement(A);
    ASSERT_EQ(g->GetHoveredElement(), A) << c.Name;
    ASSERT_EQ(g->GetFocusedElement(), A) << c.Name;
    c.Apply(A, false);
    EXPECT_EQ(g->GetCapturedElement(), nullptr) << c.Name;
    EXPECT_EQ(g->GetHoveredElement(), nullptr) << c.Name;
    EXPECT_EQ(g->GetFocusedElement(), nullptr) << c.Name;
    EXPECT_NE(GetCaptureControl(), Form) << c.Name;
    // Enabling or showing another element leaves B's focus alone.
    g->SetFocusedElement(B);
    c.Apply(A, true);
    EXPECT_EQ(g->GetFocusedElement(), B) << c.Name;
    Form->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(120, 20));
  }
}

TEST_F(FormRouting, FreedElementsDropOutOfTheInputState) {
  TZSEGlobalStateController* g = GlobalStateController();
  g->SetCapturedElement(A);
  EXPECT_EQ(g->GetCapturedElement(), A);
  EXPECT_EQ(g->GetFocusedElement(), A) << "a focusable captured element takes the focus";
  EXPECT_EQ(GetCaptureControl(), Form);
  Free(A);
  EXPECT_EQ(g->GetCapturedElement(), nullptr);
  EXPECT_EQ(g->GetFocusedElement(), nullptr);
  EXPECT_NE(GetCaptureControl(), Form);
}

TEST_F(FormRouting, ContextMenusOpenAtTheRightPlace) {
  B->HasMenu = true;
  Headless::Click(Screen(120, 40), TMouseButton::Right);
  Headless::RunUntilIdle();
  std::vector<std::string> menus;
  for (const std::string& s : Take())
    if (s.find("menu") != std::string::npos) menus.push_back(s);
  EXPECT_EQ(menus, (std::vector<std::string>{"B menu1 220,140"}));

  // The menu key opens the focused element's menu 64 pixels into it when the mouse is elsewhere.
  SetCursorPos(0, 0);
  GlobalStateController()->SetFocusedElement(B);
  Take();
  Form->Perform(WM_CONTEXTMENU, 0, MAKELPARAM(-1, -1));
  EXPECT_EQ(Take(), (std::vector<std::string>{"B menu1 224,164"}));
  EXPECT_EQ(GlobalStateController()->GetContextMenuElement(), nullptr);
}

TEST_F(FormRouting, HintsComeFromTheElementUnderThePointer) {
  B->HintText = u"Volume";
  THintInfo info;
  info.HintControl = Form;
  info.CursorPos = TPoint(120, 20);
  Form->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_EQ(info.HintStr, u"Volume");
  EXPECT_EQ(Form->GetHintData().Owner, B);
  info = THintInfo();
  info.CursorPos = TPoint(20, 20);
  Form->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
  EXPECT_TRUE(info.HintStr.empty());
}

TEST_F(FormRouting, DropNotificationsFollowTheElementUnderTheDrag) {
  Form->SetDropElement(A);
  Form->SetDropElement(A);
  Form->SetDropElement(B);
  Form->SetDropElement(nullptr);
  EXPECT_EQ(Take(), (std::vector<std::string>{"A drag-enter", "A drag-leave", "B drag-enter", "B drag-leave"}));
  EXPECT_EQ(Form->GetDropElement(), nullptr);
}

// A stand-in skin control: a rectangle of its container that takes presses and the focus.
class TStandInControl : public TZSECustomVisualItem,
                        public IZSEContainedControl,
                        public IZSEHandlerMouse,
                        public IZSEHandlerFocus {
  ZCL_CLASS(TStandInControl, TZSECustomVisualItem)
  RTL_INTERFACES(TZSECustomVisualItem, IZSEContainedControl, IZSEHandlerMouse, IZSEHandlerFocus)
 public:
  TStandInControl(TZSELayoutContainer* AContainer, const std::string& ATag, const TRect& R)
      : TZSECustomVisualItem(nullptr), Container(AContainer), Tag(ATag) {
    FBounds = R;
    FVisible = true;
    AContainer->AddControl(this);
  }
  TZSELayoutContainer* Container;
  std::string Tag;
  Integer Draws = 0;

  TZSESizeLimits GetSizeLimits() override { return {}; }
  TComponent* GetForm() override { return Container->GetForm(); }
  TZSECustomVisualItem* GetParent() const override { return Container; }
  bool IsActuallyEnabled() override { return FEnabled && Container->IsActuallyEnabled(); }
  bool IsActuallyVisible() override { return FVisible && Container->IsActuallyVisible(); }
  void SetEnabled(bool Value) override { FEnabled = Value; }
  void SetVisible(bool Value) override { FVisible = Value; }
  void DpiChanged() override {}
  void BeginUpdate() override {}
  void EndUpdate() override {}
  void DrawControl(TZSERenderBuffer*) override { ++Draws; }
  bool HitTestControl(const TPoint& P) override { return FBounds.Contains(P); }
  TPoint LocalToScreen(const TPoint& P) override { return ClientToScreen(P); }
  TPoint ScreenToLocal(const TPoint& P) override { return ScreenToClient(P); }
  Byte GetAcceptedButtons() override { return 1; }
  Integer MouseHitTest(const TPoint&) override { return 1; }
  void MouseDown(TMouseButton, TShiftState, const TPoint& P) override {
    GLog.push_back(Tag + " down " + std::to_string(P.X) + "," + std::to_string(P.Y));
  }
  void MouseMove(TShiftState, const TPoint&) override {}
  void MouseUp(TMouseButton, TShiftState, const TPoint&) override {}
  void FocusChanged(bool) override {}
};

TEST_F(FormRouting, ControlsInAContainerAreHitDrawnAndTabbedFirst) {
  auto* box = Create<TZSELayoutContainer>();
  box->SetParent(Form->GetLayout());
  box->SetAlignment(laBottom);
  box->GetSizeMinimal()->SetValue(TSize(0, 40));
  Form->FitLayout();
  const TRect r = box->GetBounds();
  auto* one = new TStandInControl(box, "C1", TRect(r.Left + 10, r.Top + 5, r.Left + 30, r.Top + 25));
  auto* two = new TStandInControl(box, "C2", TRect(r.Left + 40, r.Top + 5, r.Left + 60, r.Top + 25));
  Take();
  Form->Perform(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(r.Left + 45, r.Top + 10));
  Form->Perform(WM_MBUTTONUP, 0, MAKELPARAM(r.Left + 45, r.Top + 10));
  // Hover notices depend on where earlier tests left the pointer; presses are what counts here.
  auto presses = [&] {
    std::vector<std::string> got;
    for (const std::string& s : Take())
      if (s.find("down") != std::string::npos) got.push_back(s);
    return got;
  };
  EXPECT_EQ(presses(), (std::vector<std::string>{}));  // the middle button is not taken by the control
  Form->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(r.Left + 45, r.Top + 10));
  EXPECT_EQ(presses(), (std::vector<std::string>{"C2 down 5,5"}));
  Form->Perform(WM_LBUTTONUP, 0, MAKELPARAM(r.Left + 45, r.Top + 10));
  Form->GetLayout()->DrawLayers(Form->GetRenderBuffer());
  EXPECT_EQ(one->Draws, 1) << "drawn once, in layer 1";
  // Tab order: A, B (the items), then the controls of the container.
  TZSEGlobalStateController* g = GlobalStateController();
  g->SetFocusedElement(B);
  Form->DialogKey(VK_TAB, {});
  EXPECT_EQ(g->GetFocusedElement(), one);
  Form->DialogKey(VK_TAB, {});
  EXPECT_EQ(g->GetFocusedElement(), two);
  // A control freed elsewhere leaves its container.
  Free(one);
  EXPECT_EQ(box->GetControls(), (std::vector<TZSECustomVisualItem*>{two}));
}

// A shown opaque form at (100, 100), 200 by 100, and items added to a layout.
TZSEForm* NewShownForm(const std::function<void(TZSELayout*)>& Populate) {
  auto* form = TCustomForm::CreateNew<TOpaqueForm>(nullptr);
  form->SetBounds(100, 100, 200, 100);
  Populate(form->GetLayout());
  form->SetVisible(true);
  form->FitLayout();
  Headless::RunUntilIdle();
  return form;
}

template <class T>
T* AddItem(TZSELayoutCustomItem* Parent, TZSELayoutAlignment Alignment, TSize Minimal) {
  auto* item = Create<T>();
  item->SetParent(Parent);
  item->SetAlignment(Alignment);
  item->GetSizeMinimal()->SetValue(Minimal);
  return item;
}

// A scroll view whose content exceeds it scrolls by wheel and by dragging the content; one whose
// content fits leaves both to what holds it.
TEST(FormScrollView, WheelAndContentDragScrollOnlyWhatExceedsTheView) {
  TZSELayoutScrollView* view = nullptr;
  TZSELayoutItem* content = nullptr;
  TZSEForm* form = NewShownForm([&](TZSELayout* Layout) {
    view = AddItem<TZSELayoutScrollView>(Layout, laClient, TSize());
    content = AddItem<TZSELayoutItem>(view, laTop, TSize(0, 1000));
  });

  const TPoint s = form->ClientToScreen(TPoint(50, 50));
  form->Perform(WM_MOUSEWHEEL, static_cast<WPARAM>(MAKELPARAM(0, -120)), MAKELPARAM(s.X, s.Y));
  EXPECT_EQ(view->GetScrollPosition(), TPoint(0, 14)) << "one notch down";

  Headless::MouseDown(TPoint(150, 180));
  Headless::MouseMove(TPoint(150, 150));
  Headless::MouseMove(TPoint(150, 130));
  Headless::MouseUp(TPoint(150, 130));
  Headless::RunUntilIdle();
  EXPECT_EQ(view->GetScrollPosition(), TPoint(0, 64)) << "the content follows the pointer 50 up";
  EXPECT_FALSE(view->GetPanning());
  EXPECT_EQ(form->GetLeft(), 100) << "the form stays";

  view->SetScrollByContentDragging(false);
  EXPECT_FALSE(Supports<IZSEHandlerMouse>(static_cast<TObject*>(view)));
  EXPECT_TRUE(Supports<IZSEHandlerMouseWheel>(static_cast<TObject*>(view)));
  content->GetSizeMinimal()->SetValue(TSize(0, 50));
  form->FitLayout();
  EXPECT_FALSE(Supports<IZSEHandlerMouseWheel>(static_cast<TObject*>(view))) << "nothing to scroll";
  Free(form);
  Headless::RunUntilIdle();
}

// A container is active while the pointer is over it, and offers its popup menu as the form's
// context menu.
TEST(FormContainer, ActiveUnderThePointerWithItsOwnContextMenu) {
  TZSELayoutContainer* box = nullptr;
  TZSEForm* form =
      NewShownForm([&](TZSELayout* Layout) { box = AddItem<TZSELayoutContainer>(Layout, laLeft, TSize(60, 0)); });
  Headless::MouseMove(TPoint(120, 150));
  Headless::RunUntilIdle();
  EXPECT_TRUE(box->GetIsActive());
  Headless::MouseMove(TPoint(250, 150));
  Headless::RunUntilIdle();
  EXPECT_FALSE(box->GetIsActive());

  {
    IPtr<IZSEHandlerContextMenu> menu;
    ASSERT_TRUE(Supports(static_cast<TObject*>(box), menu));
    EXPECT_FALSE(menu->HasContextMenu(1)) << "no menu set";
    auto* popup = TZSEPopupMenus::CreateMenu();
    box->SetPopupMenu(popup);
    EXPECT_TRUE(menu->HasContextMenu(1));
    EXPECT_FALSE(menu->HasContextMenu(2)) << "only the ordinary context menu";
    Free(popup);
    EXPECT_EQ(box->GetPopupMenu(), nullptr) << "a freed menu is forgotten";
  }
  Free(form);
  Headless::RunUntilIdle();
}

class TMiddleForm : public TOpaqueForm {
  ZCL_CLASS(TMiddleForm, TOpaqueForm)
 public:
  using TOpaqueForm::TOpaqueForm;
  Integer Middles = 0;

 protected:
  void MiddleButtonPressed() override {
    ++Middles;
    TOpaqueForm::MiddleButtonPressed();
  }
};

// An attached form passes a middle press on to its master; closing it hides it for good.
TEST(FormMaster, MiddlePressGoesToTheMasterAndCloseHidesTheAttachedForm) {
  auto* master = TCustomForm::CreateNew<TMiddleForm>(nullptr);
  auto* child = TCustomForm::CreateNew<TMiddleForm>(nullptr);
  child->SetBounds(100, 100, 200, 100);
  child->SetMasterForm(master);
  child->Perform(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(50, 50));
  child->Perform(WM_MBUTTONUP, 0, MAKELPARAM(50, 50));
  EXPECT_EQ(child->Middles, 1);
  EXPECT_EQ(master->Middles, 1);

  child->SetFormVisible(true);
  master->SetFormVisible(true);
  child->Close();
  EXPECT_FALSE(child->GetFormVisible()) << "it stays closed when the master shows again";
  master->Close();
  EXPECT_TRUE(master->GetFormVisible()) << "a form of its own only hides its window";
  Free(child);
  Free(master);
  Headless::RunUntilIdle();
}

// The main form attached to another form: the press goes round once and stops.
TEST(FormMaster, AMiddlePressThatComesBackToTheMainFormStops) {
  if (!Application || Application->GetMainForm()) GTEST_SKIP() << "the program has a main form already";
  auto* main = static_cast<TMiddleForm*>(Application->CreateForm(TMiddleForm::StaticClass()));
  auto* other = TCustomForm::CreateNew<TMiddleForm>(nullptr);
  main->SetMasterForm(other);
  main->Perform(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(5, 5));
  main->Perform(WM_MBUTTONUP, 0, MAKELPARAM(5, 5));
  EXPECT_EQ(other->Middles, 1);
  EXPECT_EQ(main->Middles, 2) << "back at the main form, where it ends";
  Free(main);
  Free(other);
  Headless::RunUntilIdle();
}

// A double-click in the caption band where no element takes it maximizes and restores the form.
TEST(FormCaptionArea, DoubleClickInTheBandTogglesMaximized) {
  auto* form = TCustomForm::CreateNew<TOpaqueForm>(nullptr);
  form->SetBounds(100, 100, 200, 100);
  form->SetCaptionAreaHeight(30);
  auto dblClick = [&](Integer Y) {
    form->Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(50, Y));
    form->Perform(WM_LBUTTONUP, 0, MAKELPARAM(50, Y));
  };
  dblClick(60);
  EXPECT_EQ(form->GetPlacementKind(), fpkNormal) << "below the band";
  dblClick(20);
  EXPECT_EQ(form->GetPlacementKind(), fpkMaximized);
  dblClick(20);
  EXPECT_EQ(form->GetPlacementKind(), fpkNormal);
  form->SetCaptionAreaHeight(0);
  dblClick(0);
  EXPECT_EQ(form->GetPlacementKind(), fpkNormal) << "no band";
  Free(form);
}

// A free form dragged over another form highlights the dock sites there that take it and docks
// into the one under the pointer; dragged out again it leaves the site under the pointer.
TEST(FormDockDrag, DockSitesLightUpDockAndReleaseTheForm) {
  const auto savedHook = TZSELayoutDockSite::IsSkinManagerForm;
  TZSELayoutDockSite::IsSkinManagerForm = [](TZSEBaseForm*) { return true; };
  auto* holder = TCustomForm::CreateNew<TOpaqueForm>(nullptr);
  auto* dragged = TCustomForm::CreateNew<TOpaqueForm>(nullptr);
  holder->SetBounds(400, 100, 200, 100);
  dragged->SetBounds(100, 100, 80, 40);
  auto* site = Create<TZSELayoutDockSite>();
  site->SetParent(holder->GetLayout());
  site->SetAlignment(laClient);
  site->GetAllowedForms()->Add(dragged);
  holder->SetVisible(true);
  dragged->SetFormVisible(true);
  holder->FitLayout();

  auto* mover = new TZSEFormDragger(dragged, TPoint(10, 10));
  mover->Move(TPoint(300, 300));
  EXPECT_EQ(mover->GetTargeting().GetTargetForm(), nullptr);
  EXPECT_FALSE(site->GetHighlighted());
  mover->Move(TPoint(450, 150));
  EXPECT_EQ(mover->GetTargeting().GetTargetForm(), holder);
  EXPECT_TRUE(site->GetHighlighted());
  EXPECT_EQ(mover->GetTargeting().GetDockSite(), site);
  EXPECT_EQ(holder->GetBoundsRect(), TRect(400, 100, 600, 200)) << "the holder keeps its bounds";
  mover->Finish();
  delete mover;
  EXPECT_FALSE(site->GetHighlighted()) << "the highlight ends with the drag";
  EXPECT_TRUE(dragged->GetDocked());
  EXPECT_EQ(site->GetDockedForm(), dragged);

  // Pressing on the docked form drags it out of its site.
  holder->FitLayout();
  const TPoint press = site->GetBounds().TopLeft() + TPoint(20, 20);
  TZSECustomFormDragger* out = holder->CreateDragger(press);
  ASSERT_NE(dynamic_cast<TZSEFormDraggerDocked*>(out), nullptr);
  out->Move(TPoint(250, 350));
  out->Finish();
  delete out;
  EXPECT_FALSE(dragged->GetDocked());
  EXPECT_EQ(site->GetDockedForm(), nullptr);
  EXPECT_EQ(dragged->GetBoundsRect().TopLeft(), TPoint(230, 330));

  Free(dragged);
  Free(holder);
  TZSELayoutDockSite::IsSkinManagerForm = savedHook;
}

TEST(SkinManagerForms, MenuAndToolbarFormListsAndTheFloatArrow) {
  TZSEManager* m = SkinManager();
  auto* scene = TCustomForm::CreateNew<TZSEScene>(nullptr);
  scene->SetRegisterInMenu(true);
  EXPECT_EQ(m->GetMenuForms(), (std::vector<TZSEBaseForm*>{scene}));
  scene->SetRegisterInMenu(false);
  EXPECT_TRUE(m->GetMenuForms().empty());

  // The arrow's timer runs exactly while some form is a toolbar.
  auto* bar = TCustomForm::CreateNew<TOpaqueForm>(nullptr);
  bar->SetBounds(300, 300, 40, 200);
  EXPECT_EQ(m->GetFloatArrowTimer(), nullptr);
  bar->DockToEdge(0);
  EXPECT_EQ(m->GetToolbarForms(), (std::vector<TZSEBaseForm*>{bar}));
  ASSERT_NE(m->GetFloatArrowTimer(), nullptr);
  // Hidden at the left edge: the pointer at that edge brings the arrow for it.
  bar->SetBounds(0, 300, 40, 200);
  bar->SetVisible(false);
  const TRect work = Screen->MonitorFromRect(bar->GetBoundsRect())->GetWorkareaRect();
  SetCursorPos(work.Left, 400);
  m->FloatArrowTick(nullptr);
  ASSERT_NE(m->GetFloatArrow(), nullptr);
  EXPECT_EQ(m->GetFloatArrow()->GetTarget(), bar);
  SetCursorPos(work.Left + 300, 400);
  m->FloatArrowTick(nullptr);
  EXPECT_EQ(m->GetFloatArrow()->GetTarget(), nullptr) << "away from the edge the arrow goes";
  bar->Undock();
  EXPECT_TRUE(m->GetToolbarForms().empty());
  EXPECT_EQ(m->GetFloatArrowTimer(), nullptr);
  Free(bar);
  Free(scene);
}

// Writes the engine's activation notices it receives to GLog.
class TActivationForm : public TZSEForm {
  ZCL_CLASS(TActivationForm, TZSEForm)
 public:
  using TZSEForm::TZSEForm;

 protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == ZSEMessageAppActivate) GLog.push_back("activate " + std::to_string(Message.WParam));
    TZSEForm::WndProc(Message);
  }
};

TEST(FormActivation, EveryFormHearsEachActivationChangeOnce) {
  GLog.clear();
  auto* one = TCustomForm::CreateNew<TActivationForm>(nullptr);
  auto* two = TCustomForm::CreateNew<TActivationForm>(nullptr);
  for (auto* f : {one, two}) f->Perform(WM_ACTIVATEAPP, 0, 0);
  GLog.clear();
  // Every top-level form hears the platform's message; the engine tells each form once.
  for (auto* f : {one, two}) f->Perform(WM_ACTIVATEAPP, 1, 0);
  EXPECT_EQ(GLog, (std::vector<std::string>{"activate 1", "activate 1"}));
  GLog.clear();
  PostMessage(one->GetHandle(), ZSEMessageAppActivate, 1, 0);
  for (auto* f : {one, two}) f->Perform(WM_ACTIVATEAPP, 0, 0);
  Headless::RunUntilIdle();
  EXPECT_EQ(GLog, (std::vector<std::string>{"activate 0", "activate 0"})) << "a stale notice is dropped";
  Free(two);
  Free(one);
}

// A registered skin control that counts its loading state.
class TLoadingProbe : public TZSELayoutItem {
  ZCL_CLASS(TLoadingProbe, TZSELayoutItem)
 public:
  using TZSELayoutItem::TZSELayoutItem;
  Integer Loading = 0;
  void BeginSkinLoad() override { ++Loading; }
  void EndSkinLoad() override { --Loading; }
};

TEST(SkinManagerNotices, ControlsAreLoadingBetweenTheUnloadAndTheLoadedNotice) {
  TZSEManager* m = SkinManager();
  auto* before = Create<TLoadingProbe>();
  m->RegisterControl(before);
  m->NotifyUnloading();
  EXPECT_EQ(before->Loading, 1);
  m->NotifyUnloading();
  EXPECT_EQ(before->Loading, 1) << "entered once";
  auto* during = Create<TLoadingProbe>();
  m->RegisterControl(during);
  m->NotifyLoaded();
  EXPECT_EQ(before->Loading, 0);
  EXPECT_EQ(during->Loading, 0) << "one created during the load never entered the state";
  for (auto* c : {before, during}) {
    m->UnregisterControl(c);
    Free(c);
  }
}

}  // namespace
