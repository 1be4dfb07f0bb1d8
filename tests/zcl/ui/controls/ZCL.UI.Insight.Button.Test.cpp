#include <gtest/gtest.h>

#include <vector>

#include "../UiTestSupport.h"
#include "os/OS.Monitors.h"
#include "os/backends/headless/OS.Headless.h"
#include "rtl/RTL.Exceptions.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/controls/ZCL.UI.CheckBoxes.h"
#include "zcl/ui/controls/ZCL.UI.Controls.ScrollBar.h"
#include "zcl/ui/controls/ZCL.UI.Insight.Button.h"
#include "zcl/ui/controls/ZCL.UI.Menus.h"
#include "zcl/ui/treelist/ZCL.UI.TreeList.h"

namespace {

// A plain windowed container standing for a page or a group: its caption names what lies inside.
class TTestGroup : public TCustomControl {
  ZCL_CLASS(TTestGroup, TCustomControl)
 public:
  using TCustomControl::TCustomControl;
  static inline bool RefuseToShow = false;
};

// Pages: every page is searched, shown or not.
class TTestPages : public TCustomControl {
  ZCL_CLASS(TTestPages, TCustomControl)
 public:
  using TCustomControl::TCustomControl;
};

class TTestGroupAdapter : public TZCLUIInsightAdapterWinControl {
  ZCL_CLASS(TTestGroupAdapter, TZCLUIInsightAdapterWinControl)
 public:
  bool GetCaption(TObject*, String& Text) const override {
    Text.clear();
    return false;
  }
  bool GetGroupCaption(TObject* Object, String& Text) const override {
    Text = static_cast<TControl*>(Object)->GetCaption();
    return true;
  }
  bool MakeVisible(TObject* Object) const override {
    if (TTestGroup::RefuseToShow) return false;
    static_cast<TControl*>(Object)->SetVisible(true);
    return true;
  }
};

class TTestPagesAdapter : public TZCLUIInsightAdapterWinControl {
  ZCL_CLASS(TTestPagesAdapter, TZCLUIInsightAdapterWinControl)
 public:
  void EnumChildren(TObject* Object, TZCLUIInsightSearchQueueBuilder* Builder) const override {
    auto* pages = static_cast<TWinControl*>(Object);
    for (Integer i = 0; i < pages->GetControlCount(); ++i) Builder->Add(pages->GetControl(i));
  }
};

class InsightButtonTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    TZCLUIInsight::Register<TTestGroupAdapter>(TTestGroup::StaticClass());
    TZCLUIInsight::Register<TTestPagesAdapter>(TTestPages::StaticClass());
  }
  template <class T>
  T* Add(TWinControl* Parent, const String& Caption, const TRect& R) {
    T* c = Create<T>(Form.get());
    c->SetCaption(Caption);
    c->SetBounds(R.Left, R.Top, R.Width(), R.Height());
    c->SetParent(Parent);
    return c;
  }
  void SetUp() override {
    TTestGroup::RefuseToShow = false;
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(100, 100, 500, 300);
    Button = Add<TZCLUIInsightButton>(Form.get(), u"Search", TRect(10, 10, 40, 35));
    auto* pages = Add<TTestPages>(Form.get(), u"", TRect(0, 50, 500, 250));
    General = Add<TTestGroup>(pages, u"General", TRect(0, 0, 500, 200));
    Other = Add<TTestGroup>(pages, u"Other", TRect(0, 0, 500, 200));
    auto* group = Add<TTestGroup>(General, u"Interface", TRect(10, 10, 300, 150));
    Hints = Add<TZCLCheckBox>(group, u"Show hints", TRect(10, 20, 200, 40));
    Add<TZCLCheckBox>(group, u"Show toolbar", TRect(10, 50, 200, 70))->SetHint(u"Hint texts appear below");
    Add<TZCLCheckBox>(Other, u"Sounds", TRect(10, 20, 200, 40));
    General->SetVisible(false);  // a page not shown now
    Form->Show();
    Headless::RunUntilIdle();
  }
  void TearDown() override {
    // Popups go before their form, as they would have closed by then.
    Button->SetDroppedDown(false);
    Free(Button->GetHighlight());
    Headless::RunUntilIdle();
    Form.reset();
  }
  TZCLUIInsightSearchPopupWindow* Open() {
    Button->SetDroppedDown(true);
    return static_cast<TZCLUIInsightSearchPopupWindow*>(Button->GetDropDown());
  }
  static std::vector<String> Rows(TZCLUIInsightSearchPopupWindow* Popup, const String& Query) {
    Popup->GetSearchBox()->SetText(Query);
    Popup->UpdateResults();
    std::vector<String> rows;
    TZCLTreeListNode* root = Popup->GetResults()->GetRootNode();
    for (Integer i = 0; i < root->GetChildrenCount(); ++i)
      rows.push_back(root->GetChild(i)->GetValue(0) + u" | " + root->GetChild(i)->GetValue(1));
    return rows;
  }

  TOwned<TForm> Form;
  TZCLUIInsightButton* Button = nullptr;
  TTestGroup* General = nullptr;
  TTestGroup* Other = nullptr;
  TZCLCheckBox* Hints = nullptr;
};

TEST_F(InsightButtonTest, FindsControlsByCaptionAndHintWithTheirGroupPath) {
  TZCLUIInsightSearchPopupWindow* popup = Open();
  ASSERT_NE(popup, nullptr);
  const std::vector<String> expected{u"Show hints | General \u00BB Interface",
                                     u"Hint texts appear below | General \u00BB Interface"};
  EXPECT_EQ(Rows(popup, u"hint"), expected);
  EXPECT_EQ(Rows(popup, u"show hint"), (std::vector<String>{u"Show hints | General \u00BB Interface"}));
  EXPECT_EQ(Rows(popup, u"hint show"), Rows(popup, u"show hint"));
  EXPECT_EQ(Rows(popup, u"sound"), (std::vector<String>{u"Sounds | Other"}));
  EXPECT_TRUE(Rows(popup, u"").empty());
  // Reopened, the popup shows the last query and its results again.
  Rows(popup, u"hint");
  Headless::RunUntilIdle();  // the rows are painted: text above, path below
  EXPECT_GT(popup->GetResults()->GetOptionsView()->GetNodes()->GetHeight(), 20);
  Button->SetDroppedDown(false);
  Headless::RunUntilIdle();
  popup = Open();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->GetSearchBox()->GetText(), u"hint");
  EXPECT_EQ(popup->GetResults()->GetRootNode()->GetChildrenCount(), 2);
}

TEST_F(InsightButtonTest, ChoosingAResultShowsItsPageAndMarksTheControl) {
  TZCLUIInsightSearchPopupWindow* popup = Open();
  ASSERT_NE(popup, nullptr);
  Rows(popup, u"show hints");
  TZCLTreeListNode* row = popup->GetResults()->GetRootNode()->GetChild(0);
  popup->SelectResult(row);
  popup->ClosePopup();
  Headless::RunUntilIdle();
  EXPECT_TRUE(General->GetVisible());
  ASSERT_NE(Button->GetHighlight(), nullptr);
  const TPoint origin = Hints->ClientToScreen(TPoint(0, 0));
  EXPECT_EQ(Button->GetHighlight()->GetBoundsRect(),
            TRect(origin.X, origin.Y, origin.X + Hints->GetWidth(), origin.Y + Hints->GetHeight()));
  // It blinks at the caret rate between two strengths of red.
  TZCLUIInsightHighlightWindow* marker = Button->GetHighlight();
  std::vector<Integer> strengths{marker->GetAlphaBlendValue()};
  for (int tick = 0; tick < 3; ++tick) {
    Headless::Advance(GetCaretBlinkTime() + 1);
    strengths.push_back(marker->GetAlphaBlendValue());
  }
  EXPECT_EQ(strengths, (std::vector<Integer>{40, 40, 20, 40}));
}

TEST_F(InsightButtonTest, UnknownObjectsAndTargetsOffScreenRaise) {
  auto select = [&](std::vector<TObject*> Controls) {
    auto* candidate = Create<TZCLUIInsightCandidate>();
    candidate->Controls = std::move(Controls);
    Button->SelectCandidate(candidate);
  };
  TOwned<TComponent> plain(Create<TComponent>(static_cast<TComponent*>(nullptr)));
  try {
    select({plain.get()});
    FAIL() << "no adapter";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.GetMessage(), u"Adapter was not found for \"TComponent\"");
  }
  // A page that cannot be shown is marked itself; one that is hidden cannot be found on screen.
  TTestGroup::RefuseToShow = true;
  try {
    select({General, Hints});
    FAIL() << "hidden page";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.GetMessage(), u"Cannot find the \"TTestGroup\" object on screen");
  }
  select({Other});
  EXPECT_NE(Button->GetHighlight(), nullptr);
}

class TTestInsightButton : public TZCLUIInsightButton {
  ZCL_CLASS(TTestInsightButton, TZCLUIInsightButton)
 public:
  using TZCLUIInsightButton::TZCLUIInsightButton;
  String HintAt() {
    String hint = GetHint();
    DoGetHint(TPoint(), hint);
    return hint;
  }
};

TEST_F(InsightButtonTest, TheShortCutOpensTheSearchAndShowsInTheHint) {
  auto* button = Add<TTestInsightButton>(Form.get(), u"", TRect(50, 10, 80, 35));
  button->SetHint(u"Search");
  EXPECT_EQ(button->HintAt(), u"Search");
  button->SetShortCut(scCtrl | TShortCut('F'));
  ASSERT_NE(button->GetShortCutAction(), nullptr);
  EXPECT_EQ(button->HintAt(), MenuTextWithShortCut(u"Search", scCtrl | TShortCut('F')));
  button->GetShortCutAction()->Execute();
  EXPECT_TRUE(button->GetDroppedDown());
  button->SetDroppedDown(false);
  button->SetShortCut(0);
  EXPECT_EQ(button->GetShortCutAction(), nullptr);
  Headless::RunUntilIdle();
}

TEST_F(InsightButtonTest, ThePopupTakesTheButtonsStylesAndPaintsItsOutline) {
  Button->GetStyleSearchEdit()->GetColorContent()->SetValue(0xFF123456);
  Button->GetStyleSearchResults()->GetColor(1)->SetValue(0xFF654321);
  Button->GetStyleSearchEditButton()->GetColorText()->SetValue(0xFF00AA00);
  Button->GetStyleSearchResultsScrollBox()->GetTextureSizeGripArea()->SetScalable(TZCLBoolean::False);
  TZCLUIInsightSearchPopupWindow* popup = Open();
  ASSERT_NE(popup, nullptr);
  EXPECT_EQ(popup->GetSearchBox()->GetStyle()->GetColorContent()->GetValue(), 0xFF123456u);
  EXPECT_EQ(popup->GetSearchBox()->GetStyleButton()->GetColorText()->GetValue(), 0xFF00AA00u);
  EXPECT_EQ(popup->GetResults()->GetStyle()->GetColor(1)->GetValue(), 0xFF654321u);
  EXPECT_EQ(popup->GetResults()->GetStyleScrollBox()->GetTextureSizeGripArea()->GetScalable(), TZCLBoolean::False);
  Headless::RunUntilIdle();
  // The button is above: the pointer is at the top, the left edge is the outline, then the fill.
  const Integer y = popup->GetClientHeight() / 2;
  auto rgb = [](TColor C) { return TAlphaColorHelper::FromColor(C) & 0xFFFFFF; };
  ASSERT_NE(rgb(popup->GetColor()), rgb(popup->GetBorderColor()));
  EXPECT_EQ(Headless::WindowPixel(popup->GetHandle(), TPoint(0, y)) & 0xFFFFFF, rgb(popup->GetBorderColor()));
  EXPECT_EQ(Headless::WindowPixel(popup->GetHandle(), TPoint(3, y)) & 0xFFFFFF, rgb(popup->GetColor()));
}

TEST(InsightButton, TheOutlinePointsAtTheButton) {
  const TRect r(0, 0, 600, 400);
  struct Case {
    TPoint Centre;
    std::vector<TPoint> Outline;
    TRect Padding;
  } cases[] = {
      // Above the popup: the pointer on top.
      {{300, -10}, {{0, 8}, {292, 8}, {300, 0}, {308, 8}, {600, 8}, {600, 400}, {0, 400}, {0, 8}}, {5, 13, 5, 5}},
      // Below it: the pointer at the bottom.
      {{100, 410}, {{0, 0}, {600, 0}, {600, 392}, {108, 392}, {100, 400}, {92, 392}, {0, 392}, {0, 0}}, {5, 5, 5, 13}},
      // Beside it: a plain rectangle.
      {{4, -10}, {{0, 0}, {600, 0}, {600, 400}, {0, 400}, {0, 0}}, {5, 5, 5, 5}},
  };
  for (const Case& c : cases) {
    TRect padding(5, 5, 5, 5);
    EXPECT_EQ(InsightPopupOutline(r, c.Centre, 8, padding), c.Outline);
    EXPECT_EQ(padding, c.Padding);
  }
}

TEST(InsightButton, PopupAlignmentFollowsTheButtonsPlace) {
  struct Case {
    Integer Left, Expected;
  } cases[] = {{0, 0}, {99, 0}, {100, 2}, {200, 2}, {300, 2}, {301, 1}, {390, 1}};
  for (const Case& c : cases) EXPECT_EQ(InsightPopupAlignment(c.Left, 400), c.Expected) << c.Left;
}

}  // namespace
