#include <gtest/gtest.h>

#include "ControlsTestSupport.h"
#include "os/OS.Messages.h"
#include "vcl/VCL.Forms.h"
#include "zcl/base/ZCL.FileFormats.INI.h"
#include "zcl/ui/controls/ZCL.UI.AeroPeek.h"
#include "zcl/ui/dialogs/ZCL.UI.Dialogs.h"

namespace {

// The taskbar as the component sees it: every call recorded.
struct TTaskbarLog {
  std::vector<Integer> States;
  std::vector<std::pair<UInt64, UInt64>> Values;
  std::vector<std::vector<TZCLThumbButton>> Added, Updated;
};

class TStandInTaskbar : public TZCLTaskbarList {
 public:
  explicit TStandInTaskbar(TTaskbarLog* Log) : FLog(Log) {}
  void SetProgressState(HWND, Integer State) override { FLog->States.push_back(State); }
  void SetProgressValue(HWND, UInt64 Completed, UInt64 Total) override { FLog->Values.emplace_back(Completed, Total); }
  void ThumbBarSetImageList(HWND, TZCLImageList*) override {}
  void ThumbBarAddButtons(HWND, Integer Count, const TZCLThumbButton* B) override {
    FLog->Added.emplace_back(B, B + Count);
  }
  void ThumbBarUpdateButtons(HWND, Integer Count, const TZCLThumbButton* B) override {
    FLog->Updated.emplace_back(B, B + Count);
  }

 private:
  TTaskbarLog* FLog;
};

class AeroPeekTest : public ::testing::Test {
 public:
  void SetUp() override {
    Form.reset(TCustomForm::CreateNew<TForm>(nullptr));
    Form->SetBounds(100, 100, 300, 200);
    Form->HandleNeeded();
    SetTaskbarListFactory([this] { return std::make_unique<TStandInTaskbar>(&Log); });
  }
  void TearDown() override {
    SetTaskbarListFactory(nullptr);
    Form.reset();
  }
  TOwned<TForm> Form;
  TTaskbarLog Log;
};

struct TClickLog {
  std::vector<Integer> Indexes;
  void Click(TObject*, Integer Index) { Indexes.push_back(Index); }
};

TEST_F(AeroPeekTest, ProgressDecisions) {
  struct TCase {
    bool ShowPlaying, StatusAsColor;
    Byte State;
    Int64 Position, Total;
    Integer ExpectedState;
    std::vector<std::pair<UInt64, UInt64>> ExpectedValues;
  } cases[] = {
      {true, true, 0, 50, 200, TBPF_NORMAL, {{50, 200}}},
      {true, true, 0, 5, 0, TBPF_INDETERMINATE, {}},
      {true, true, 0, 0, 0, TBPF_NOPROGRESS, {}},
      {true, true, 1, 3, 4, TBPF_PAUSED, {{3, 4}}},
      {true, false, 2, 3, 4, TBPF_NORMAL, {{3, 4}}},
      {false, true, 2, 3, 4, TBPF_ERROR, {{100, 100}}},  // a full bar in the state's colour
      {false, false, 0, 3, 4, TBPF_NOPROGRESS, {}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Position);
    TOwned<TZCLAeroPeek> peek(Create<TZCLAeroPeek>(static_cast<TWinControl*>(Form.get())));
    ASSERT_TRUE(peek->GetAvailable());
    peek->SetShowPlayingProgress(c.ShowPlaying);
    peek->SetShowStatusAsColor(c.StatusAsColor);
    peek->SetState(c.State);
    Log = TTaskbarLog();
    peek->SetProgress(c.Position, c.Total);
    if (c.Position == 0 && c.Total == 0) peek->UpdateProgress();  // unchanged pair: asked directly
    ASSERT_FALSE(Log.States.empty());
    EXPECT_EQ(Log.States.back(), c.ExpectedState);
    EXPECT_EQ(Log.Values, c.ExpectedValues);
  }
}

TEST_F(AeroPeekTest, ToolbarButtonsAndClicks) {
  TOwned<TZCLAeroPeek> peek(Create<TZCLAeroPeek>(static_cast<TWinControl*>(Form.get())));
  TClickLog clicks;
  peek->OnButtonClick = TDelegate<void(TObject*, Integer)>(&clicks, &TClickLog::Click);
  peek->GetButtons()->BeginUpdate();
  for (int i = 0; i < 10; ++i) {
    auto* button = peek->GetButtons()->Add<TZCLAeroPeekButton>();
    button->SetHint(u"Button " + String(1, Char(u'0' + i)));
    button->SetImageIndex(i);
  }
  peek->GetButtons()->EndUpdate();
  ASSERT_EQ(Log.Added.size(), 1u);
  ASSERT_EQ(Log.Added[0].size(), 7u);  // the toolbar holds seven
  EXPECT_EQ(Log.Added[0][6].Tip, u"Button 6");
  EXPECT_EQ(Log.Added[0][6].Mask, 13u);
  peek->GetButtons()->GetItem<TZCLAeroPeekButton>(1)->SetEnabled(false);
  ASSERT_FALSE(Log.Updated.empty());
  EXPECT_EQ(Log.Updated.back()[1].Flags, THBF_DISABLED);
  EXPECT_EQ(Log.Updated.back()[0].Flags, THBF_ENABLED);

  Form->Perform(WM_COMMAND, WPARAM(2) | (WPARAM(THBN_CLICKED) << 16), 0);
  EXPECT_EQ(clicks.Indexes, std::vector<Integer>{2});
}

TEST_F(AeroPeekTest, WithoutATaskbarNothingHappens) {
  SetTaskbarListFactory(nullptr);
  TOwned<TZCLAeroPeek> peek(Create<TZCLAeroPeek>(static_cast<TWinControl*>(Form.get())));
  EXPECT_FALSE(peek->IsAvailable());
  EXPECT_FALSE(peek->GetAvailable());
  peek->SetProgress(50, 200);
  peek->GetButtons()->Add<TZCLAeroPeekButton>();
  EXPECT_TRUE(Log.States.empty());
  EXPECT_TRUE(Log.Added.empty());
  // Settings still load and save.
  TOwned<TZCLIniFile> ini(TZCLIniFile::CreateInMemory());
  ini->WriteBool(u"Peek", u"ShowPlayingProgress", false);
  peek->ConfigLoad(ini.get(), u"Peek");
  EXPECT_FALSE(peek->GetShowPlayingProgress());
  EXPECT_TRUE(peek->GetShowStatusAsColor());
  peek.reset();
  // The form's window procedure is its own again.
  Form->Perform(WM_COMMAND, WPARAM(2) | (WPARAM(THBN_CLICKED) << 16), 0);
}

TEST_F(AeroPeekTest, TheProgressDialogShowsItsStepsOnTheTaskbar) {
  TOwned<TZCLProgressDialog> dialog(Create<TZCLProgressDialog>(static_cast<TComponent*>(nullptr)));
  dialog->SetShowInTaskBar(stAlways);
  dialog->Show();
  ASSERT_NE(dialog->GetAeroPeek(), nullptr);
  Log = TTaskbarLog();
  dialog->Progress(Int64(3) << 32, Int64(4) << 32);
  ASSERT_FALSE(Log.States.empty());
  EXPECT_EQ(Log.States.back(), TBPF_NORMAL);
  EXPECT_EQ(Log.Values.back(), std::make_pair(UInt64(3) << 32, UInt64(4) << 32));
  dialog->Progress(5, 0);
  EXPECT_EQ(Log.States.back(), TBPF_INDETERMINATE);
}

}  // namespace
