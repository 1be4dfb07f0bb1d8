#include "zcl/ui/controls/ZCL.UI.Menus.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>

#include "ControlsTestSupport.h"
#include "os/OS.Input.h"
#include "rtl/RTL.StringList.h"
#include "support/HeadlessFixture.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/ZCL.UI.Forms.h"
#include "zcl/ui/ZCL.Utils.Desktop.h"

namespace {

struct TClicks {
  std::vector<String> Order;
  void Click(TObject* Sender) { Order.push_back(static_cast<TMenuItem*>(Sender)->GetCaption()); }
};

// A form that records the menu-loop messages it receives, in order with the clicks.
class TLoopForm : public TForm {
  ZCL_CLASS(TLoopForm, TForm)
 public:
  using TForm::TForm;
  std::vector<String>* Journal = nullptr;

 protected:
  void WndProc(TMessage& Message) override {
    if (Journal && Message.Msg == WM_ENTERMENULOOP) Journal->push_back(u"enter");
    if (Journal && Message.Msg == WM_EXITMENULOOP) Journal->push_back(u"exit");
    inherited::WndProc(Message);
  }
};

class MenusTest : public THeadlessTest {
 protected:
  void SetUp() override {
    THeadlessTest::SetUp();
    FForm = TCustomForm::CreateNew<TLoopForm>(nullptr);
    FForm->SetBorderStyle(bsNone);
    FForm->SetBoundsRect(TRect(100, 100, 500, 400));
    FForm->Show();
    Headless::RunUntilIdle();
    FMenu = ::Create<TZCLPopupMenu>(FForm);
  }
  void TearDown() override {
    Application->OnIdle = nullptr;
    Free(FForm);
    THeadlessTest::TearDown();
  }

  TMenuItem* Add(const String& Caption, TMenuItem* Parent = nullptr) {
    return MenuItemAdd(Parent ? Parent : FMenu->GetItems(), Caption, TNotifyEvent(&FClicks, &TClicks::Click));
  }

  // Runs the steps one per idle turn of the menu loop; a loop still open afterwards is closed and
  // the test fails.
  void Script(std::vector<std::function<void()>> Steps) {
    FSteps.assign(Steps.begin(), Steps.end());
    FStuck = false;
    Application->OnIdle = TIdleEvent(
        this, +[](MenusTest* T, TObject*, bool& Done) {
          Done = false;
          if (!T->FSteps.empty()) {
            auto step = T->FSteps.front();
            T->FSteps.pop_front();
            step();
          } else if (TZCLMenuPopupWindow* w = T->FMenu->GetMenuWindow(); w && w->GetLooper()) {
            T->FStuck = true;
            w->GetLooper()->CloseMenu(nullptr);
          }
        });
  }
  // The captions the root window lists.
  std::vector<String> Listed() {
    std::vector<String> out;
    TZCLMenuPopupWindow* w = FMenu->GetMenuWindow();
    for (Integer i = 0; w && i < w->GetCount(); ++i) out.push_back(w->GetItem(i)->Item->GetCaption());
    return out;
  }
  TZCLMenuPopupLooper* Looper() { return FMenu->GetMenuWindow() ? FMenu->GetMenuWindow()->GetLooper() : nullptr; }
  static void Key(WORD Vk) { Headless::KeyPress(Vk); }
  // The screen centre of the root window's item.
  TPoint ItemCentre(TZCLMenuWindow* W, Integer Index) {
    const TRect b = W->GetItem(Index)->Bounds;
    return W->ClientToScreen(TPoint((b.Left + b.Right) / 2, (b.Top + b.Bottom) / 2));
  }

  TLoopForm* FForm = nullptr;
  TZCLPopupMenu* FMenu = nullptr;
  TClicks FClicks;
  std::deque<std::function<void()>> FSteps;
  bool FStuck = false;
};

TEST(MenuTexts, ShortCutTextsFollowTheirTable) {
  const std::pair<TShortCut, const char16_t*> cases[] = {
      {TShortCut(scAlt | scCtrl | VK_F5), u"Ctrl+Alt+F5"},
      {0xB3, u"Media Play/Pause"},
      {0, u""},
      {TShortCut(scCtrl | scShift | 'S'), u"Shift+Ctrl+S"},
      {0x63, u"Num 3"},
      {0x13, u"Break"},
  };
  for (auto [shortCut, text] : cases) EXPECT_EQ(TZCLShortCut::ToText(shortCut), text) << shortCut;
  EXPECT_EQ(MenuTextWithShortCut(u"", TShortCut(scCtrl | 'O')), u"Ctrl+O");
  EXPECT_EQ(MenuTextWithShortCut(u"Open", 0), u"Open");
  EXPECT_EQ(MenuTextWithShortCut(u"Open", TShortCut(scCtrl | 'O')), u"Open (Ctrl+O)");
  EXPECT_EQ(MenuEscapeText(u"A & B&&"), u"A && B&&&&");
}

TEST(MenuTexts, CheckMarksComeFromTheGutterFrames) {
  // Gutter of 10 frames: unchecked hot check item 7, checked radio 4; 6 frames: no unchecked radio.
  EXPECT_EQ(TZCLStylePopupMenu::CheckMarkFrame(10, false, false, true), 7);
  EXPECT_EQ(TZCLStylePopupMenu::CheckMarkFrame(10, true, true, false), 4);
  EXPECT_EQ(TZCLStylePopupMenu::CheckMarkFrame(6, false, true, false), -1);
  EXPECT_EQ(TZCLStylePopupMenu::CheckMarkFrame(10, true, false, true), 3);
}

TEST(MenuTexts, AShowDelayOfZeroOrOneBecomesOneMillisecond) {
  EXPECT_EQ(TZCLMenuPopupLooper::MenuShowDelay(0), 1u);
  EXPECT_EQ(TZCLMenuPopupLooper::MenuShowDelay(1), 1u);
  EXPECT_EQ(TZCLMenuPopupLooper::MenuShowDelay(400), 400u);
}

TEST_F(MenusTest, SeparatorsAreNeverLeadingDoubledOrTrailingAndHiddenItemsAreLeftOut) {
  struct TCase {
    std::vector<String> Captions;
    std::vector<String> Expected;
  };
  const TCase cases[] = {
      {{u"A", u"-", u"-", u"B", u"-"}, {u"A", u"-", u"B"}},
      {{u"-", u"A"}, {u"A"}},
      {{u"A", u"-", u"hidden", u"-", u"B"}, {u"A", u"-", u"B"}},
  };
  for (const TCase& c : cases) {
    FMenu->GetItems()->Clear();
    for (const String& caption : c.Captions) Add(caption)->SetVisible(caption != u"hidden");
    std::vector<String> listed;
    Script({[&] { listed = Listed(); }});
    FMenu->Popup(150, 150);
    EXPECT_EQ(listed, c.Expected);
  }
}

TEST_F(MenusTest, TheChosenItemRunsAfterTheFormHeardTheLoopEnd) {
  std::vector<String> journal;
  FForm->Journal = &journal;
  Add(u"One");
  Add(u"Two");
  FMenu->OnClose = TNotifyEvent(&journal, +[](std::vector<String>* J, TObject*) { J->push_back(u"close"); });
  Script({[] { Key(VK_DOWN); }, [] {}, [] { Key(VK_DOWN); }, [] {}, [] { Key(VK_RETURN); }});
  EXPECT_FALSE(IsMenuLoopActive());
  FMenu->Popup(150, 150);
  EXPECT_FALSE(FStuck);
  EXPECT_FALSE(IsMenuLoopActive());
  EXPECT_TRUE(FClicks.Order.empty());  // posted, not run yet
  Headless::RunUntilIdle();
  ASSERT_EQ(FClicks.Order.size(), 1u);
  EXPECT_EQ(FClicks.Order[0], u"Two");
  EXPECT_EQ(journal, (std::vector<String>{u"enter", u"exit", u"close"}));
}

TEST_F(MenusTest, KeysWrapOverSeparatorsAndEscapeClosesWithoutCommand) {
  Add(u"A");
  Add(u"-");
  Add(u"B");
  Add(u"-");
  std::vector<Integer> hot;
  auto index = [&] { hot.push_back(FMenu->GetMenuWindow()->GetItemIndex()); };
  Script({[] { Key(VK_UP); }, index, [] { Key(VK_DOWN); }, index, [] { Key(VK_UP); }, index,
          [] { Key(VK_ESCAPE); }});
  FMenu->Popup(150, 150);
  EXPECT_FALSE(FStuck);
  EXPECT_EQ(hot, (std::vector<Integer>{2, 0, 2}));
  Headless::RunUntilIdle();
  EXPECT_TRUE(FClicks.Order.empty());
}

TEST_F(MenusTest, AClickOutsideEveryMenuWindowClosesTheMenuWithoutCommand) {
  Add(u"A");
  Script({[] { Headless::Click(TPoint(900, 900)); }});
  FMenu->Popup(150, 150);
  EXPECT_FALSE(FStuck);
  Headless::RunUntilIdle();
  EXPECT_TRUE(FClicks.Order.empty());
}

TEST_F(MenusTest, AMouseClickOnAnItemRunsIt) {
  Add(u"A");
  Add(u"B");
  Script({[this] { Headless::Click(ItemCentre(FMenu->GetMenuWindow(), 1)); }});
  FMenu->Popup(150, 150);
  EXPECT_FALSE(FStuck);
  Headless::RunUntilIdle();
  EXPECT_EQ(FClicks.Order, std::vector<String>{u"B"});
}

TEST_F(MenusTest, ASubmenuOpensAfterTheShowDelayAndItsItemRuns) {
  Add(u"A");
  TMenuItem* sub = Add(u"Sub");
  Add(u"Inner", sub);
  Integer opened = 0;
  Script({[this] { Headless::MouseMove(ItemCentre(FMenu->GetMenuWindow(), 1)); }, [] {},
          [] { Headless::Clock()->Advance(399); }, [&] { opened = Looper()->GetWindowCount(); },
          [] { Headless::Clock()->Advance(2); }, [] {}, [&] { opened = opened * 10 + Looper()->GetWindowCount(); },
          [this] { Headless::Click(ItemCentre(Looper()->GetTopWindow(), 0)); }});
  FMenu->Popup(150, 150);
  EXPECT_FALSE(FStuck);
  EXPECT_EQ(opened, 12);  // one window before the delay, two after it
  Headless::RunUntilIdle();
  // Opening a submenu clicks its parent item first (where code may fill the sub-items).
  EXPECT_EQ(FClicks.Order, (std::vector<String>{u"Sub", u"Inner"}));
}

TEST_F(MenusTest, AQuitTakenByTheMenuLoopClosesTheMenuAndStillEndsTheApplication) {
  Add(u"A");
  Script({[] { PostQuitMessage(3); }});
  FMenu->Popup(150, 150);
  EXPECT_FALSE(FStuck);
  MSG msg;
  ASSERT_TRUE(PeekMessage(msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(MenusTest, NearTheScreenBottomTheMenuOpensAboveTheControl) {
  for (const char16_t* c : {u"A", u"B", u"C", u"D"}) Add(c);
  const TRect work = GetWorkAreaAtPoint(TPoint(10, 10));
  const TRect control(200, work.Bottom - 30, 300, work.Bottom - 5);
  TRect bounds;
  Script({[&] { bounds = FMenu->GetMenuWindow()->GetBoundsRect(); }});
  FMenu->PopupAt(control);
  EXPECT_EQ(bounds.Bottom, control.Top - 4);
  EXPECT_EQ(bounds.Left, control.Left);
}

TEST_F(MenusTest, ATallMenuScrollsWithButtonsWhileTheCursorRestsOnOne) {
  // With no scroll bar texture the automatic mode scrolls with buttons.
  FMenu->GetStyle()->GetTextureScrollBar()->SetOverriden(true);
  ASSERT_TRUE(FMenu->GetStyle()->GetTextureScrollBar()->IsEmpty());
  for (Integer i = 0; i < 80; ++i) Add(u"Item " + String(1, Char(u'A' + i % 26)) + String(1, Char(u'0' + i / 26)));
  Integer before = -1, after = -1;
  bool upEnabledAtTop = true;
  Script({[&] {
            TZCLMenuPopupWindow* w = FMenu->GetMenuWindow();
            upEnabledAtTop = w->GetTopIndex() > 0;
            const TRect down = w->GetDownButtonRect();
            ASSERT_FALSE(down.IsEmpty());
            before = w->GetTopIndex();
            Headless::MouseMove(w->ClientToScreen(TPoint(down.Left + 5, down.Top + 2)));
          },
          [] {}, [] { Headless::Clock()->Advance(125); }, [] {}, [] { Headless::Clock()->Advance(125); }, [] {},
          [] { Headless::Clock()->Advance(125); }, [] {},
          [&] { after = FMenu->GetMenuWindow()->GetTopIndex(); }});
  FMenu->Popup(150, 150);
  EXPECT_FALSE(upEnabledAtTop);
  EXPECT_EQ(before, 0);
  EXPECT_EQ(after, 3);
}

TEST_F(MenusTest, ATallMenuScrollsWithABarWhenItsModeOrItsStyleAsksForOne) {
  testskin::TTestSkin skin;
  skin.Add(u"Popup.Textures.ScrollBar", 20, 12, 12, 1);
  skin.Add(u"Popup.Textures.ScrollBarButtons", 21, 12, 12, 10);
  skin.Add(u"Popup.Textures.ScrollBarThumb", 22, 12, 12, 5);
  FMenu->GetStyle()->SetCollection(skin.Get());
  for (Integer i = 0; i < 80; ++i) Add(u"Item " + String(1, Char(u'A' + i % 26)) + String(1, Char(u'0' + i / 26)));
  const std::pair<TZCLPopupMenuScrollMode, bool> cases[] = {
      {smAuto, true}, {smScrollButtons, false}, {smScrollBars, true}};
  for (auto [mode, withBar] : cases) {
    FMenu->GetOptions()->SetScrollMode(mode);
    bool hasBar = false, hasButtons = false;
    TRect bar, client;
    Integer max = -1, page = -1, visible = -2, topAfterClick = -1, positionAfterClick = -1;
    Script({[&] {
      TZCLMenuPopupWindow* w = FMenu->GetMenuWindow();
      hasButtons = !w->GetDownButtonRect().IsEmpty();
      TZCLScrollBarSubClass* sb = w->GetScrollBar();
      hasBar = sb != nullptr;
      if (!sb) return;
      bar = sb->GetBounds();
      client = w->GetClientRect();
      max = sb->GetMax();
      page = sb->GetPage();
      visible = w->GetVisibleCount();
      // One press on the lower arrow scrolls one item.
      const TPoint arrow = sb->GetButtonForward()->Bounds.CenterPoint();
      w->MouseDown(mbLeft, TShiftState(), arrow.X, arrow.Y);
      w->MouseUp(mbLeft, TShiftState(), arrow.X, arrow.Y);
      topAfterClick = w->GetTopIndex();
      positionAfterClick = sb->GetPosition();
    }});
    FMenu->Popup(150, 150);
    EXPECT_EQ(hasBar, withBar) << Integer(mode);
    EXPECT_EQ(hasButtons, !withBar) << Integer(mode);
    if (!withBar) continue;
    EXPECT_EQ(bar.Width(), 12);
    EXPECT_LE(bar.Right, client.Right);
    EXPECT_GE(bar.Right, client.Right - 8);
    EXPECT_EQ(max, 79);
    EXPECT_EQ(page, visible);
    EXPECT_EQ(topAfterClick, 1);
    EXPECT_EQ(positionAfterClick, 1);
  }
  FMenu->GetStyle()->SetCollection(nullptr);
}

TEST_F(MenusTest, AListItemShowsRadioLinesAndTakesTheClickedIndex) {
  auto* list = ::Create<TZCLMenuListItem>(FMenu);
  list->SetAutoCheck(true);
  for (const char16_t* line : {u"a", u"b", u"c", u"d", u"e"}) list->GetItems()->Add(line);
  list->SetItemIndex(2);
  Integer clicks = 0;
  list->OnClick = TNotifyEvent(&clicks, +[](Integer* C, TObject*) { ++*C; });
  FMenu->GetItems()->Add(list);
  std::vector<bool> checked;
  Script({[&] {
            TZCLMenuPopupWindow* w = FMenu->GetMenuWindow();
            for (Integer i = 0; i < w->GetCount(); ++i) {
              EXPECT_TRUE(w->GetItem(i)->Item->GetRadioItem());
              checked.push_back(w->GetItem(i)->Item->GetChecked());
            }
          },
          [] { Key(VK_END); }, [] { Key(VK_RETURN); }});
  FMenu->Popup(150, 150);
  EXPECT_EQ(checked, (std::vector<bool>{false, false, true, false, false}));
  Headless::RunUntilIdle();
  EXPECT_EQ(list->GetItemIndex(), 4);
  EXPECT_EQ(clicks, 1);
}

TEST_F(MenusTest, ALinkShowsTheLinkedMenuInPlaceOrAsASubmenuAndNothingOnceItIsGone) {
  auto* other = ::Create<TZCLPopupMenu>(FForm);
  for (const char16_t* c : {u"x", u"y", u"z"}) MenuItemAdd(other->GetItems(), c, TNotifyEvent());
  auto* link = ::Create<TZCLMenuItemLink>(FMenu);
  link->SetCaption(u"More");
  link->SetLink(other);
  FMenu->GetItems()->Add(link);
  std::vector<String> listed;
  Script({[&] { listed = Listed(); }});
  FMenu->Popup(150, 150);
  EXPECT_EQ(listed, (std::vector<String>{u"x", u"y", u"z"}));

  link->SetExpandMode(lemExpandInSubMenu);
  Script({[&] {
    listed = Listed();
    EXPECT_TRUE(TZCLMenuWindow::HasSubMenu(FMenu->GetMenuWindow()->GetItem(0)->Item));
  }});
  FMenu->Popup(150, 150);
  EXPECT_EQ(listed, std::vector<String>{u"More"});

  link->SetEnabled(false);
  std::vector<TMenuItem*> produced;
  link->ExpandItems([&](TMenuItem* I) { produced.push_back(I); });
  EXPECT_TRUE(produced.empty());
  Free(other);
  EXPECT_EQ(link->GetLink(), nullptr);
  EXPECT_EQ(link->ToString(), u"[unassigned]");
  EXPECT_FALSE(link->HasSubItems());
}

TEST_F(MenusTest, WithoutClosingOnCheckAnAutoCheckItemTogglesAndTheMenuStaysOpen) {
  FMenu->GetOptions()->SetCloseMenuOnItemCheck(false);
  TMenuItem* item = Add(u"Toggle");
  item->SetAutoCheck(true);
  bool openAfterClick = false;
  Script({[] { Key(VK_DOWN); }, [] { Key(VK_RETURN); }, [] {}, [&] { openAfterClick = Looper()->GetActive(); },
          [] { Key(VK_ESCAPE); }});
  FMenu->Popup(150, 150);
  EXPECT_FALSE(FStuck);
  EXPECT_TRUE(openAfterClick);
  EXPECT_TRUE(item->GetChecked());
}

TEST_F(MenusTest, ChangingAStyleResourceRecomputesTheItemHeight) {
  TZCLPopupMenuStyle* style = FMenu->GetStyle();
  const Integer before = style->ItemHeight();
  style->GetFontSelected()->SetHeight(-40);
  style->GetFontNormal()->SetHeight(-40);
  EXPECT_GT(style->ItemHeight(), before);
}

TEST_F(MenusTest, AMenuWithNothingToShowDoesNotOpenButStillFiresItsEvents) {
  Add(u"A")->SetVisible(false);
  Integer popups = 0, closes = 0;
  FMenu->OnPopup = TNotifyEvent(&popups, +[](Integer* C, TObject*) { ++*C; });
  FMenu->OnClose = TNotifyEvent(&closes, +[](Integer* C, TObject*) { ++*C; });
  FMenu->Popup(150, 150);
  EXPECT_EQ(popups, 1);
  EXPECT_EQ(closes, 1);
}

TEST_F(MenusTest, LosingTheCaptureClosesTheMenu) {
  Add(u"A");
  Script({[] {}, [] { ReleaseCapture(); }});
  FMenu->Popup(150, 150);
  EXPECT_FALSE(FStuck);
}

TEST_F(MenusTest, TheBarOpensItsMenusByF10AndMovesAlongWithTheArrowKeys) {
  TMenuItem* file = Add(u"&File");
  Add(u"Open", file);
  TMenuItem* edit = Add(u"&Edit");
  Add(u"Copy", edit);
  auto* bar = ::Create<TZCLMainMenu>(FForm);
  bar->SetParent(FForm);
  bar->SetMenu(FMenu);
  Headless::RunUntilIdle();
  ASSERT_EQ(bar->GetCount(), 2);
  EXPECT_EQ(bar->GetItem(1)->Bounds.Left, bar->GetItem(0)->Bounds.Right);
  EXPECT_GT(bar->GetHeight(), 0);
  std::vector<String> opened;
  auto record = [&, bar] {
    if (TZCLMenuPopupWindow* w = bar->GetPopupWindow()) opened.push_back(w->GetParentItemInfo()->Item->GetCaption());
  };
  std::deque<std::function<void()>> steps{record, [] { Key(VK_RIGHT); }, [] {}, [] {}, record,
                                          [] { Key(VK_ESCAPE); }};
  Application->OnIdle = TIdleEvent(
      &steps, +[](std::deque<std::function<void()>>* S, TObject*, bool& Done) {
        Done = false;
        if (S->empty()) return;
        auto step = S->front();
        S->pop_front();
        step();
      });
  TMessage f10{WM_KEYDOWN, VK_F10, 0, 0};
  EXPECT_TRUE(bar->IsShortCut(f10));
  for (Integer i = 0; i < 5 && (bar->GetPopupWindow() == nullptr || !steps.empty()); ++i) Headless::RunUntilIdle();
  EXPECT_EQ(opened, (std::vector<String>{u"&File", u"&Edit"}));
  EXPECT_EQ(bar->GetPopupWindow(), nullptr);
  EXPECT_FALSE(IsMenuLoopActive());
  // A drop-down near the right edge is moved left to end at the work area's right.
  TRect r;
  bar->CalculatePopupBounds(r, TSize(5000, 10), nullptr);
  EXPECT_EQ(r.Right, GetWorkAreaAtPoint(TPoint(10, 10)).Right);
}

}  // namespace
