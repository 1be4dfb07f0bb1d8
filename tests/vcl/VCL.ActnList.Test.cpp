#include <gtest/gtest.h>

#include "os/OS.Input.h"
#include "vcl/VCL.ActnList.h"
#include "vcl/VCL.Controls.h"
#include "vcl/VCL.Forms.h"
#include "vcl/VCL.Menus.h"

namespace {

class ActionListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FList = Create<TActionList>(FOwner);
    FSave = NewAction(u"Save", TShortCut(scCtrl | 'S'));
    FCopy = NewAction(u"Copy", TShortCut(scCtrl | 'C'));
    FCopy->GetSecondaryShortCuts()->Add(u"Ctrl+Ins");
  }
  void TearDown() override { Free(FOwner); }

  TAction* NewAction(const String& Caption, TShortCut ShortCut) {
    auto* action = Create<TAction>(FOwner);
    action->SetCaption(Caption);
    action->SetShortCut(ShortCut);
    action->SetOnExecute({this, &ActionListTest::Executed});
    action->SetActionList(FList);
    return action;
  }
  void Executed(TObject* Sender) { FRuns.push_back(static_cast<TAction*>(Sender)); }

  TComponent* FOwner = Create<TComponent>(nullptr);
  TActionList* FList = nullptr;
  TAction* FSave = nullptr;
  TAction* FCopy = nullptr;
  std::vector<TAction*> FRuns;
};

TEST_F(ActionListTest, ShortCutsExecuteEnabledActions) {
  EXPECT_TRUE(FList->IsShortCut(TShortCut(scCtrl | 'S')));
  EXPECT_TRUE(FList->IsShortCut(TShortCut(scCtrl | VK_INSERT)));
  EXPECT_FALSE(FList->IsShortCut(TShortCut(scCtrl | 'X')));
  FSave->SetEnabled(false);
  EXPECT_FALSE(FList->IsShortCut(TShortCut(scCtrl | 'S')));
  FList->SetState(asSuspended);
  EXPECT_FALSE(FList->IsShortCut(TShortCut(scCtrl | 'C')));
  EXPECT_EQ(FRuns, (std::vector<TAction*>{FSave, FCopy}));
}

TEST_F(ActionListTest, SuspendedWithEverythingEnabledRestoresTheStates) {
  FSave->SetEnabled(false);
  FList->SetState(asSuspendedEnabled);
  EXPECT_TRUE(FSave->GetEnabled());
  FCopy->SetEnabled(false);  // remembered for later
  EXPECT_TRUE(FCopy->GetEnabled());
  FList->SetState(asNormal);
  EXPECT_FALSE(FSave->GetEnabled());
  EXPECT_FALSE(FCopy->GetEnabled());
}

TEST_F(ActionListTest, ListHandlersComeFirst) {
  struct TSink {
    int Updates = 0;
    void Execute(TBasicAction* Action, bool& Handled) { Handled = Action->GetName() == u"Handled"; }
    void Update(TBasicAction*, bool& Handled) {
      ++Updates;
      Handled = true;
    }
  } sink;
  FSave->SetName(u"Handled");
  FList->OnExecute = {&sink, &TSink::Execute};
  FList->OnUpdate = {&sink, &TSink::Update};
  EXPECT_TRUE(FSave->Execute());
  EXPECT_TRUE(FCopy->Execute());
  EXPECT_EQ(FRuns, (std::vector<TAction*>{FCopy}));
  EXPECT_EQ(sink.Updates, 2);  // Execute updates first
}

TEST_F(ActionListTest, AutoCheckGroupsAndMembership) {
  for (TAction* action : {FSave, FCopy}) {
    action->SetAutoCheck(true);
    action->SetGroupIndex(3);
  }
  FSave->Execute();
  FCopy->Execute();
  FCopy->Execute();  // a checked grouped action stays checked
  EXPECT_FALSE(FSave->GetChecked());
  EXPECT_TRUE(FCopy->GetChecked());
  // Freeing an action takes it out of its list; freeing the list leaves the actions alive.
  Free(FSave);
  EXPECT_EQ(FList->GetActionCount(), 1);
  Free(FList);
  EXPECT_EQ(FCopy->GetActionList(), nullptr);
  EXPECT_TRUE(FCopy->Execute());
}

// A link class of its own for one control class, as a control library registers it.
class TTestControlLink : public TControlActionLink {
  ZCL_CLASS(TTestControlLink, TControlActionLink)
 public:
  using TControlActionLink::TControlActionLink;
};

TEST_F(ActionListTest, ControlsFollowTheirAction) {
  auto* control = Create<TControl>(FOwner);
  control->SetAction(FSave);
  EXPECT_EQ(control->GetAction(), FSave);
  EXPECT_EQ(control->GetCaption(), u"Save");
  // Disabling the action disables the control; a hint set apart stays.
  control->SetHint(u"Store the skin");
  FSave->SetHint(u"Save");
  FSave->SetEnabled(false);
  EXPECT_FALSE(control->GetEnabled());
  EXPECT_EQ(control->GetHint(), u"Store the skin");
  control->Click();  // a disabled action does not run
  FSave->SetEnabled(true);
  EXPECT_TRUE(control->GetEnabled());
  control->Click();
  EXPECT_EQ(FRuns, (std::vector<TAction*>{FSave}));
  String hint = control->GetHint();
  EXPECT_TRUE(ControlHooks().ActionLinkShowHint(control->GetActionLink(), hint));
  EXPECT_EQ(hint, u"Store the skin (Ctrl+S)");
  Application->SetHintShortCuts(false);  // the application does not want shortcuts in hints
  hint = control->GetHint();
  EXPECT_TRUE(ControlHooks().ActionLinkShowHint(control->GetActionLink(), hint));
  Application->SetHintShortCuts(true);
  EXPECT_EQ(hint, u"Store the skin");

  RegisterActionLinkClass(TGraphicControl::StaticClass(), TTestControlLink::StaticClass());
  auto* graphic = Create<TGraphicControl>(FOwner);
  graphic->SetAction(FCopy);
  EXPECT_EQ(graphic->GetActionLink()->ClassType(), TTestControlLink::StaticClass());
  EXPECT_THROW(RegisterActionLinkClass(TControl::StaticClass(), TActionLink::StaticClass()), EInvalidArgument);

  // Freeing the action leaves the controls without one.
  Free(FSave);
  EXPECT_EQ(control->GetAction(), nullptr);
  control->Click();
  EXPECT_EQ(FRuns.size(), 1u);
}

}  // namespace
