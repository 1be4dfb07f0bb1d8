#include <gtest/gtest.h>

#include "../UiTestSupport.h"
#include "vcl/VCL.Forms.h"
#include "rtl/RTL.StringList.h"
#include "zcl/ui/controls/ZCL.UI.CheckBoxes.h"
#include "zcl/ui/controls/ZCL.UI.Controls.GroupBox.h"
#include "zcl/ui/controls/ZCL.UI.Controls.TabControl.h"
#include "zcl/ui/controls/ZCL.UI.Insight.h"
#include "zcl/ui/controls/ZCL.UI.Labels.h"

namespace {

// A page and a group that name what lies inside them; the page hides its hint.
class TTestWindow : public TWinControl {
  ZCL_CLASS(TTestWindow, TWinControl)
 public:
  using TWinControl::TWinControl;
  static void DeclareProperties(TClassDeclaration<TTestWindow>& D) { D.Publish(u"Caption"); }
};
class TTestPage : public TTestWindow {
  ZCL_CLASS(TTestPage, TTestWindow)
 public:
  using TTestWindow::TTestWindow;
};
class TTestGroup : public TTestWindow {
  ZCL_CLASS(TTestGroup, TTestWindow)
 public:
  using TTestWindow::TTestWindow;
};
class TTestPageGroup : public TTestGroup {
  ZCL_CLASS(TTestPageGroup, TTestGroup)
 public:
  using TTestGroup::TTestGroup;
};
class TUnregisteredWindow : public TWinControl {
  ZCL_CLASS(TUnregisteredWindow, TWinControl)
 public:
  using TWinControl::TWinControl;
};

class TTestPageAdapter : public TZCLUIInsightAdapterWinControl {
  ZCL_CLASS(TTestPageAdapter, TZCLUIInsightAdapterWinControl)
 public:
  bool GetKeywords(TObject*, String& Text) const override {
    Text.clear();
    return false;
  }
};
class TTestGroupAdapter : public TZCLUIInsightAdapterWinControl {
  ZCL_CLASS(TTestGroupAdapter, TZCLUIInsightAdapterWinControl)
 public:
  // Found only by what lies inside.
  bool GetCaption(TObject*, String& Text) const override {
    Text.clear();
    return false;
  }
  bool GetGroupCaption(TObject* Object, String& Text) const override {
    Text = static_cast<TControl*>(Object)->GetCaption();
    return !Text.empty();
  }
};

struct Registrations {
  Registrations() {
    RegisterProperties<TTestPageGroup>();
    RegisterProperties<TTestPage>();
    RegisterProperties<TUnregisteredWindow>();
    TZCLUIInsight::Register<TTestPageAdapter>(TTestPage::StaticClass());
    TZCLUIInsight::Register<TTestGroupAdapter>(TTestGroup::StaticClass());
  }
};

class InsightTest : public ::testing::Test {
 public:
  void SetUp() override {
    static Registrations once;
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
  }
  template <class T>
  T* Add(TWinControl* Parent, const String& Caption, const String& Hint = String()) {
    auto* control = Create<T>(Form.get());
    control->SetParent(Parent);
    control->SetCaption(Caption);
    control->SetHint(Hint);
    return control;
  }
  TOwned<TForm> Form;
  TZCLUIInsightCandidates Candidates;
};

TEST_F(InsightTest, WalksCaptionsHintsAndGroupPaths) {
  auto* page = Add<TTestPage>(Form.get(), u"Page", u"not indexed");
  auto* group = Add<TTestGroup>(page, u"Group");
  auto* check = Add<TTestWindow>(group, u"Check", u"Hint text");
  auto* hidden = Add<TTestWindow>(group, u"Hidden");
  hidden->SetVisible(false);
  auto* top = Add<TZCLLabel>(Form.get(), u"Top");

  TZCLUIInsightSearchQueueBuilder builder(&Candidates);
  builder.AddChildren(Form.get());
  struct Expected {
    String Text;
    String Path;
    std::vector<TObject*> Controls;
  } expected[] = {
      {u"Page", u"", {page}},
      {u"Check", u"Page \u00BB Group", {page, group, check}},
      {u"Hint text", u"Page \u00BB Group", {page, group, check}},
      {u"Top", u"", {top}},
  };
  ASSERT_EQ(Candidates.GetCount(), Integer(std::size(expected)));
  for (Integer i = 0; i < Candidates.GetCount(); ++i) {
    TZCLUIInsightCandidate* c = Candidates[i];
    EXPECT_EQ(c->Text, expected[i].Text);
    EXPECT_EQ(c->Path, expected[i].Path);
    EXPECT_EQ(c->Controls, expected[i].Controls) << i;
  }
  TOwned<TZCLUIInsightCandidate> copy(Candidates[1]->Clone());
  EXPECT_EQ(copy->Path, Candidates[1]->Path);
  EXPECT_EQ(copy->Controls, Candidates[1]->Controls);
}

TEST_F(InsightTest, NearestRegisteredAncestorAnswersAndTwiceIsAnError) {
  struct Case {
    TObject* Object;
    TClass Adapter;
  } cases[] = {
      {Add<TUnregisteredWindow>(Form.get(), u"W"), TZCLUIInsightAdapterWinControl::StaticClass()},
      {Add<TTestPageGroup>(Form.get(), u"G"), TTestGroupAdapter::StaticClass()},
      {Add<TZCLLabel>(Form.get(), u"L"), TZCLUIInsightAdapterControl::StaticClass()},
  };
  for (const Case& c : cases) {
    const TZCLUIInsightAdapter* adapter;
    ASSERT_TRUE(TZCLUIInsight::GetAdapter(c.Object, adapter));
    EXPECT_EQ(adapter->ClassType(), c.Adapter);
  }
  const TZCLUIInsightAdapter* adapter;
  EXPECT_FALSE(TZCLUIInsight::GetAdapter(nullptr, adapter));
  TOwned<TStringList> plain(Create<TStringList>());
  EXPECT_FALSE(TZCLUIInsight::GetAdapter(plain.get(), adapter));
  TZCLUIInsightSearchQueueBuilder builder(&Candidates);
  builder.Add(plain.get());
  EXPECT_EQ(Candidates.GetCount(), 0);
  EXPECT_THROW(TZCLUIInsight::Register<TZCLUIInsightAdapterControl>(TControl::StaticClass()), EListError);
}

TEST_F(InsightTest, BoundsOnlyWhileShown) {
  Form->SetBounds(100, 100, 300, 200);
  Form->SetBorderStyle(bsNone);
  auto* button = Add<TTestWindow>(Form.get(), u"B");
  button->SetBounds(10, 20, 50, 25);
  const TZCLUIInsightAdapter* adapter;
  ASSERT_TRUE(TZCLUIInsight::GetAdapter(button, adapter));
  TRect r;
  EXPECT_FALSE(adapter->GetBounds(button, r));
  Form->Show();
  ASSERT_TRUE(adapter->GetBounds(button, r));
  EXPECT_EQ(r, TRect(110, 120, 160, 145));
  EXPECT_TRUE(adapter->MakeVisible(button));
}

TEST_F(InsightTest, GroupOnAPageNamesThePathAndPagesComeIntoView) {
  Form->SetBounds(100, 100, 400, 300);
  Form->SetBorderStyle(bsNone);
  auto* pages = Create<TZCLPageControl>(Form.get());
  pages->SetParent(Form.get());
  pages->SetBounds(0, 0, 400, 300);
  TZCLPageControlPage* first = pages->AddPage(u"First");
  TZCLPageControlPage* general = pages->AddPage(u"General");
  TZCLPageControlPage* tabless = pages->AddPage(u"Tabless");
  tabless->SetPageVisible(false);
  Add<TTestWindow>(tabless, u"Never found");
  auto* group = Create<TZCLGroupBox>(Form.get());
  group->SetParent(general);
  group->SetBounds(10, 10, 300, 200);
  group->SetCaption(u"Interface");
  auto* check = Add<TZCLCheckBox>(group, u"Show hints");
  check->SetBounds(10, 40, 120, 20);
  pages->SetActivePage(first);
  Form->Show();

  TZCLUIInsightSearchQueueBuilder builder(&Candidates);
  builder.AddChildren(Form.get());
  TZCLUIInsightCandidate* hit = nullptr;
  for (Integer i = 0; i < Candidates.GetCount(); ++i) {
    EXPECT_NE(Candidates[i]->Text, u"Never found");
    if (Candidates[i]->Text == u"Show hints") hit = Candidates[i];
  }
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(hit->Path, u"General \u00BB Interface");
  EXPECT_EQ(hit->Controls, (std::vector<TObject*>{pages, general, group, check}));

  // Bringing the chain into view activates the page; a collapsed group stays shut.
  const TZCLUIInsightAdapter* adapter;
  ASSERT_TRUE(TZCLUIInsight::GetAdapter(general, adapter));
  EXPECT_TRUE(adapter->MakeVisible(general));
  EXPECT_EQ(pages->GetActivePage(), general);
  EXPECT_FALSE(adapter->MakeVisible(tabless));
  ASSERT_TRUE(TZCLUIInsight::GetAdapter(group, adapter));
  EXPECT_TRUE(adapter->MakeVisible(group));
  group->GetCheckBox()->SetVisible(true);
  group->GetCheckBox()->SetAction(cbaToggleMinimizeState);
  group->GetCheckBox()->SetChecked(false);
  EXPECT_FALSE(adapter->MakeVisible(group));
}

}  // namespace
