#include <gtest/gtest.h>

#include "../UiTestSupport.h"
#include "os/OS.Input.h"
#include "os/backends/headless/OS.Headless.h"
#include "vcl/VCL.Forms.h"
#include "zcl/ui/controls/ZCL.UI.Controls.TabControl.h"

namespace {

// Captions name their own text width ("60" is 60 pixels wide), so layouts do not hang on fonts.
class TFixedTextTabControl : public TZCLTabControl {
  ZCL_CLASS(TFixedTextTabControl, TZCLTabControl)
 public:
  using TZCLTabControl::TZCLTabControl;

 protected:
  TSize MeasureText(const String& Text) override {
    Integer w = 0;
    for (Char c : Text)
      if (c >= u'0' && c <= u'9') w = w * 10 + (c - u'0');
    return TSize(w, 14);
  }
};

struct TTabFixture {
  // Captions start with their layout width; the words after it make the drawn text long.
  explicit TTabFixture(Integer Width = 400, std::initializer_list<const char16_t*> Captions = {u"60", u"80", u"40"}) {
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBorderStyle(bsNone);
    Form->SetBounds(100, 100, Width + 20, 320);
    Tabs = Create<TFixedTextTabControl>(Form.get());
    Tabs->SetParent(Form.get());
    Tabs->SetBounds(10, 10, Width, 300);
    for (const char16_t* c : Captions) Tabs->GetTabs()->Add(c);
    Form->Show();
    Headless::RunUntilIdle();
  }
  const TZCLTabViewItem& Item(Integer I) const { return Tabs->GetViewItems().at(size_t(I)); }
  TOwned<TForm> Form;
  TFixedTextTabControl* Tabs = nullptr;
};

TEST(TabControl, TabsAreCaptionPlusPaddingWithGapsAndShrinkWhenNarrow) {
  TTabFixture f;
  ASSERT_EQ(f.Tabs->GetViewItems().size(), 3u);
  EXPECT_EQ(f.Tabs->GetActiveIndex(), 0);
  // The active first tab grows by TabIndent + 1 on both sides into its neighbours' room.
  EXPECT_EQ(f.Item(0).Bounds.Width(), 68 + 2 * 4);
  EXPECT_EQ(f.Item(1).Bounds.Width(), 88);
  EXPECT_EQ(f.Item(2).Bounds.Width(), 48);
  EXPECT_EQ(f.Item(2).Bounds.Left - f.Item(1).Bounds.Right, 3);
  EXPECT_EQ(f.Item(1).Bounds.Left - (f.Item(0).Bounds.Right - 4), 3);
  // Inactive tabs keep 2 pixels off the far side.
  EXPECT_EQ(f.Item(1).Bounds.Top, f.Tabs->GetTabAreaRect().Top + 2);

  // Header styles share the width evenly whatever the captions (the last one keeps the gap).
  f.Tabs->GetOptionsView()->SetStyle(tsHeader);
  const Integer w = f.Item(0).Bounds.Width();
  EXPECT_LE(std::abs(f.Item(1).Bounds.Width() - w), 1);
  EXPECT_LE(std::abs(f.Item(2).Bounds.Width() - 3 - w), 1);

  // A strip narrower than the tabs shrinks them and marks cut captions.
  TTabFixture narrow(120, {u"60 Alpha", u"80 Bravo Charlie Delta", u"40 Echo"});
  EXPECT_LT(narrow.Item(1).Bounds.Width(), 88);
  EXPECT_TRUE(narrow.Item(1).TextTruncated);
}

TEST(TabControl, ActiveIndexIsClampedAndSkipsHiddenTabs) {
  TTabFixture f;
  struct Case {
    Integer Set, Expected;
  } cases[] = {{5, 2}, {-4, 0}, {1, 1}};
  for (const Case& c : cases) {
    f.Tabs->SetActiveIndex(c.Set);
    EXPECT_EQ(f.Tabs->GetActiveIndex(), c.Expected) << c.Set;
  }
  // Hiding the active tab activates the next visible one, wrapping to the first.
  f.Tabs->SetActiveIndex(2);
  f.Tabs->GetTabs()->GetTab(2)->SetVisible(false);
  EXPECT_EQ(f.Tabs->GetActiveIndex(), 0);
  // A handler that raises cancels the switch.
  struct TRefuse {
    void Changing(TObject*, Integer) { throw Exception(u"no"); }
  } refuse;
  f.Tabs->OnTabChanging = TZCLTabsActiveChangeEvent(&refuse, &TRefuse::Changing);
  f.Tabs->SetActiveIndex(1);
  EXPECT_EQ(f.Tabs->GetActiveIndex(), 0);
}

TEST(TabControl, MouseWheelAndKeysSwitchTabs) {
  TTabFixture f;
  const TPoint origin = f.Tabs->ClientToScreen(TPoint(0, 0));
  const TRect second = f.Item(1).Bounds;
  Headless::Click(TPoint(origin.X + second.CenterPoint().X, origin.Y + second.CenterPoint().Y));
  Headless::RunUntilIdle();
  EXPECT_EQ(f.Tabs->GetActiveIndex(), 1);
  EXPECT_TRUE(f.Tabs->Focused());
  Headless::Wheel(TPoint(origin.X + 5, origin.Y + 5), -1);
  Headless::RunUntilIdle();
  EXPECT_EQ(f.Tabs->GetActiveIndex(), 2);
  Headless::KeyPress(VK_LEFT);
  Headless::RunUntilIdle();
  EXPECT_EQ(f.Tabs->GetActiveIndex(), 1);
  // Ctrl+Tab on the last tab goes round to the first; Ctrl+Shift+Tab back to the last.
  f.Tabs->SetActiveIndex(2);
  Headless::KeyDown(VK_CONTROL);
  Headless::KeyPress(VK_TAB);
  Headless::RunUntilIdle();
  EXPECT_EQ(f.Tabs->GetActiveIndex(), 0);
  Headless::KeyDown(VK_SHIFT);
  Headless::KeyPress(VK_TAB);
  Headless::KeyUp(VK_SHIFT);
  Headless::KeyUp(VK_CONTROL);
  Headless::RunUntilIdle();
  EXPECT_EQ(f.Tabs->GetActiveIndex(), 2);
}

TEST(TabControl, CutCaptionBecomesTheHintWhileHovered) {
  TTabFixture f(120, {u"60 Alpha", u"80 Bravo Charlie Delta", u"40 Echo"});
  const TPoint origin = f.Tabs->ClientToScreen(TPoint(0, 0));
  Headless::MouseMove(TPoint(origin.X + f.Item(1).Bounds.CenterPoint().X, origin.Y + f.Item(1).Bounds.CenterPoint().Y));
  Headless::RunUntilIdle();
  EXPECT_EQ(f.Tabs->GetHoverTab(), f.Item(1).Tab);
  EXPECT_EQ(f.Tabs->GetHint(), u"80 Bravo Charlie Delta");
  EXPECT_EQ(f.Tabs->GetCursor(), crHandPoint);
  Headless::MouseMove(TPoint(origin.X + 60, origin.Y + 200));
  Headless::RunUntilIdle();
  EXPECT_EQ(f.Tabs->GetHint(), u"");
}

TEST(PageControl, PagesFollowTheirTabsAndRefuseWrongParents) {
  TOwned<TForm> form(TCustomForm::CreateNew<TForm>(nullptr));
  form->SetBorderStyle(bsNone);
  form->SetBounds(100, 100, 400, 300);
  auto* pages = Create<TZCLPageControl>(form.get());
  pages->SetParent(form.get());
  pages->SetAlign(alClient);
  TZCLPageControlPage* a = pages->AddPage(u"First");
  TZCLPageControlPage* b = pages->AddPage(u"Second");
  form->Show();
  Headless::RunUntilIdle();
  EXPECT_EQ(pages->GetPageCount(), 2);
  EXPECT_EQ(pages->GetTabs()->GetTab(1)->GetCaption(), u"Second");
  EXPECT_TRUE(a->IsActive());
  EXPECT_TRUE(a->GetVisible());
  EXPECT_FALSE(b->GetVisible());
  pages->SetActivePage(b);
  EXPECT_TRUE(b->GetVisible());
  EXPECT_FALSE(a->GetVisible());
  b->SetPageVisible(false);
  EXPECT_TRUE(a->IsActive());
  b->SetCaption(u"Renamed");
  EXPECT_EQ(pages->GetTabs()->GetTab(1)->GetCaption(), u"Renamed");
  b->SetPageIndex(0);
  EXPECT_EQ(pages->GetPage(0), b);

  auto* stray = Create<TZCLCustomControl>(form.get());
  EXPECT_THROW(stray->SetParent(pages), Exception);
  auto* lost = Create<TZCLPageControlPage>(form.get());
  EXPECT_THROW(lost->SetParent(form.get()), Exception);
  Free(b);
  EXPECT_EQ(pages->GetPageCount(), 1);
}

}  // namespace
