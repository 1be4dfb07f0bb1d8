#include <gtest/gtest.h>

#include <vector>

#include "UiTestSupport.h"
#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "os/backends/headless/OS.Headless.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/ui/ZCL.UI.Forms.h"

namespace {

std::vector<std::pair<TObject*, UINT>> GBrackets;

// Records the scale-change bracket as it reaches it.
class TBracketProbe : public TZCLCustomControl {
  ZCL_CLASS(TBracketProbe, TZCLCustomControl)
 public:
  using TZCLCustomControl::TZCLCustomControl;

 protected:
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_ZCL_SCALECHANGING || Message.Msg == WM_ZCL_SCALECHANGED)
      GBrackets.emplace_back(this, Message.Msg);
    inherited::WndProc(Message);
  }
};

class TEscapeForm : public TZCLForm {
  ZCL_CLASS(TEscapeForm, TZCLForm)
 public:
  using TZCLForm::TZCLForm;
  bool AllowEscape = false;
  bool CanCloseByEscape() override { return AllowEscape; }
};

template <class T = TZCLForm>
TOwned<T> NewForm(const String& Name = u"TestForm") {
  TOwned<T> form(TCustomForm::CreateNew<T>(nullptr));
  form->SetName(Name);
  return form;
}

TEST(ZclForms, PositionIsStoredAt96Dpi) {
  std::unique_ptr<TZCLIniFile> ini(TZCLIniFile::CreateInMemory());
  {
    auto form = NewForm();
    form->ScaleForPPI(144);
    form->SetBounds(100, 50, 500, 400);
    form->HandleNeeded();
    form->SavePosition(ini.get());
  }
  EXPECT_EQ(ini->ReadString(u"TestForm", u"WindowRect", u""), u"100,50,433,317");
  EXPECT_FALSE(ini->ReadBool(u"TestForm", u"WindowMaximized", true));

  auto form = NewForm();
  form->LoadPosition(ini.get());
  EXPECT_EQ(form->GetBoundsRect(), TRect(100, 50, 433, 317));
  EXPECT_EQ(form->GetPosition(), poDesigned);

  // A fixed border keeps its designed size; only the place is restored.
  auto dialog = NewForm();
  dialog->SetBorderStyle(bsDialog);
  dialog->SetBounds(0, 0, 320, 200);
  dialog->LoadPosition(ini.get());
  EXPECT_EQ(dialog->GetBoundsRect(), TRect(100, 50, 420, 250));

  // Off its monitor: made fully visible.
  ini->WriteString(u"TestForm", u"WindowRect", u"1800,900,2100,1100");
  auto off = NewForm();
  off->LoadPosition(ini.get());
  EXPECT_LE(off->GetBoundsRect().Right, 1920);
  EXPECT_LE(off->GetBoundsRect().Bottom, 1080);
}

TEST(ZclForms, ScalingBracketsEveryControlOnceAndTakesTheSuggestedRect) {
  auto form = NewForm();
  form->SetBounds(10, 10, 300, 200);
  auto* outer = Create<TBracketProbe>(static_cast<TComponent*>(form.get()));
  outer->SetParent(form.get());
  auto* inner = Create<TBracketProbe>(static_cast<TComponent*>(form.get()));
  inner->SetParent(outer);
  GBrackets.clear();
  form->ScaleForPPI(144);
  // Each control sees nested brackets (its own scaling inside the form's); the form's opens first.
  ASSERT_GE(GBrackets.size(), 4u);
  EXPECT_EQ(GBrackets.front(), std::make_pair(static_cast<TObject*>(outer), WM_ZCL_SCALECHANGING));
  EXPECT_EQ(GBrackets[1], std::make_pair(static_cast<TObject*>(inner), WM_ZCL_SCALECHANGING));
  EXPECT_EQ(GBrackets[GBrackets.size() - 2], std::make_pair(static_cast<TObject*>(inner), WM_ZCL_SCALECHANGED));
  EXPECT_EQ(GBrackets.back(), std::make_pair(static_cast<TObject*>(outer), WM_ZCL_SCALECHANGED));
  EXPECT_EQ(form->GetCurrentPPI(), 144);
  EXPECT_EQ(inner->GetCurrentPPI(), 144);

  TRect suggested(50, 60, 450, 360);
  form->HandleNeeded();
  form->Perform(WM_DPICHANGED, MAKELPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(form->GetCurrentPPI(), 192);
  EXPECT_EQ(form->GetBoundsRect(), suggested);
}

TEST(ZclForms, FixedTargetDpiIgnoresMonitorChanges) {
  auto form = NewForm();
  TZCLApplication::SetTargetDPI(120);  // the listeners rescale at once
  EXPECT_EQ(form->GetCurrentPPI(), 120);
  form->HandleNeeded();
  TRect suggested(0, 0, 600, 400);
  form->Perform(WM_DPICHANGED, MAKELPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(form->GetCurrentPPI(), 120);
  TZCLApplication::SetTargetDPI(0);
  EXPECT_EQ(form->GetCurrentPPI(), 96);  // back to its monitor's
}

TEST(ZclForms, PaddingScalesWithTheForm) {
  auto form = NewForm();
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 300, 200);
  form->GetPadding()->SetAll(3);
  auto* child = Create<TZCLCustomControl>(static_cast<TComponent*>(form.get()));
  child->SetParent(form.get());
  child->SetAlign(alClient);
  form->Realign();
  EXPECT_EQ(child->GetLeft(), 3);
  form->ScaleForPPI(144);
  EXPECT_EQ(child->GetLeft(), 4);
}

TEST(ZclForms, EscapeClosesOnlyWhereAllowed) {
  auto form = NewForm<TEscapeForm>();
  form->Show();
  Headless::RunUntilIdle();
  EXPECT_EQ(form->Perform(CM_DIALOGKEY, VK_ESCAPE, 0), 0);
  EXPECT_TRUE(form->GetVisible());
  form->AllowEscape = true;
  EXPECT_EQ(form->Perform(CM_DIALOGKEY, VK_ESCAPE, 0), 1);
  EXPECT_FALSE(form->GetVisible());

  // In a modal loop Escape cancels.
  auto modal = NewForm<TEscapeForm>(u"ModalForm");
  struct TPressEscape {
    TEscapeForm* Form;
    void Shown(TObject*) { Form->Perform(CM_DIALOGKEY, VK_ESCAPE, 0); }
  } press{modal.get()};
  modal->OnShow = TNotifyEvent(&press, &TPressEscape::Shown);
  EXPECT_EQ(modal->ShowModal(), mrCancel);
}

TEST(ZclForms, StayOnTopGivesWayToModalLoops) {
  auto form = NewForm();
  form->SetBorderStyle(bsNone);
  form->Show();
  Headless::RunUntilIdle();
  auto topmost = [&] { return (GetWindowLong(form->GetHandle(), GWL_EXSTYLE) & LONG(WS_EX_TOPMOST)) != 0; };
  EXPECT_FALSE(topmost());
  form->SetStayOnTop(true);
  EXPECT_TRUE(topmost());
  Application->ModalStarted();
  EXPECT_FALSE(topmost());
  Application->ModalFinished();
  EXPECT_TRUE(topmost());
  form->SetStayOnTop(false);
  EXPECT_FALSE(topmost());
}

TEST(ZclForms, DialogOverAForeignOwnerWindow) {
  auto owner = NewForm(u"OwnerForm");
  owner->HandleNeeded();
  auto* panel = Create<TZCLCustomControl>(static_cast<TComponent*>(owner.get()));
  panel->SetParent(owner.get());
  TOwned<TZCLForm> dialog(TZCLCustomForm::CreateDialog<TZCLForm>(panel->GetHandle()));
  EXPECT_EQ(dialog->GetOwner(), panel);
  EXPECT_EQ(dialog->GetPopupParent(), owner.get());
  EXPECT_EQ(dialog->GetDialogOwnerWindow(), panel->GetHandle());
  dialog->HandleNeeded();
  EXPECT_EQ(GetWindow(dialog->GetHandle(), GW_OWNER), owner->GetHandle());  // the window's top level
  dialog.reset();
}

}  // namespace
