#include "zeph/playlists/ZBL.History.h"

#include <gtest/gtest.h>

#include <string>

namespace {

Cardinal GNow = 0;
Cardinal FakeTicks() { return GNow; }

// Appends its letter to a log on execute/redo and removes it on undo; merges with its kind.
class TLogCommand : public TZBLHistoryCustomCommand {
 public:
  TLogCommand(std::string& ALog, char ALetter, bool AMerges = false) : Log(ALog), Letter(ALetter), Merges(AMerges) {
    Caption = String(1, static_cast<Char>(ALetter));
  }
  ~TLogCommand() override { ++Freed; }
  void Redo() override { Log += Letter; }
  void Undo() override { Log += '-'; Log += Letter; }
  bool TryMerge(TZBLHistoryCustomCommand* Command) override {
    auto* other = dynamic_cast<TLogCommand*>(Command);
    return Merges && other != nullptr && other->Merges;
  }
  std::string& Log;
  char Letter;
  bool Merges;
  static int Freed;
};
int TLogCommand::Freed = 0;

struct History : ::testing::Test {
  void SetUp() override {
    TZBLCustomHistoryManager::TickCount = FakeTicks;
    GNow = 5000;
  }
  void TearDown() override { TZBLCustomHistoryManager::TickCount = Saved; }
  Cardinal (*Saved)() = TZBLCustomHistoryManager::TickCount;
  std::string Log;
  TZBLCustomHistoryManager Manager{5};
};

}  // namespace

TEST_F(History, KeepsTheNewestActionsAndDropsRedoOnRecording) {
  for (char c : std::string("abcdef")) {
    Manager.AddCommand(new TLogCommand(Log, c));
    GNow += 2000;
  }
  EXPECT_EQ(Log, "abcdef");
  ASSERT_EQ(Manager.GetUndoList()->GetCount(), 5);
  EXPECT_EQ(static_cast<TZBLHistoryAction*>(Manager.GetUndoList()->GetItems(0))->Caption, u"b");
  EXPECT_TRUE(Manager.Undo());
  EXPECT_EQ(Manager.GetRedoList()->GetCount(), 1);
  EXPECT_TRUE(Manager.Redo());
  EXPECT_EQ(Log, "abcdef-ff");
  EXPECT_TRUE(Manager.Undo());
  Manager.AddCommand(new TLogCommand(Log, 'g'));
  EXPECT_EQ(Manager.GetRedoList()->GetCount(), 0);
}

TEST_F(History, MergesWithinOneSecondAlsoAcrossATickWrap) {
  struct Case {
    Cardinal Start, Step;
    bool Merged;
  } cases[] = {{5000, 999, true}, {5000, 1000, false}, {0xFFFFFF00u, 0x200, true}, {0xFFFFFF00u, 1100, false}};
  for (const Case& c : cases) {
    TZBLCustomHistoryManager manager(5);
    GNow = c.Start;
    manager.AddCommand(new TLogCommand(Log, 'm', true));
    GNow += c.Step;
    manager.AddCommand(new TLogCommand(Log, 'n', true));
    EXPECT_EQ(manager.GetUndoList()->GetCount(), c.Merged ? 1 : 2) << c.Start << "+" << c.Step;
  }
  // A command that does not merge always starts its own action.
  Manager.AddCommand(new TLogCommand(Log, 'x'));
  Manager.AddCommand(new TLogCommand(Log, 'y'));
  EXPECT_EQ(Manager.GetUndoList()->GetCount(), 2);
}

TEST_F(History, BracketsCollectIntoTheOutermostActionOrRollBack) {
  Manager.BeginUpdate(new TZBLHistoryAction());
  const int freedBefore = TLogCommand::Freed;
  Manager.BeginUpdate(new TZBLHistoryAction());  // freed at once
  Manager.AddCommand(new TLogCommand(Log, 'a'));
  Manager.EndUpdate(false);
  Manager.AddCommand(new TLogCommand(Log, 'b'));
  Manager.EndUpdate(false);
  ASSERT_EQ(Manager.GetUndoList()->GetCount(), 1);
  EXPECT_EQ(static_cast<TZBLHistoryAction*>(Manager.GetUndoList()->GetItems(0))->GetCommands()->GetCount(), 2);
  EXPECT_EQ(TLogCommand::Freed, freedBefore);

  Log.clear();
  Manager.BeginUpdate(new TZBLHistoryAction());
  Manager.AddCommand(new TLogCommand(Log, 'c'));
  Manager.AddCommand(new TLogCommand(Log, 'd'));
  Manager.EndUpdate(true);
  EXPECT_EQ(Log, "cd-d-c");
  EXPECT_EQ(Manager.GetUndoList()->GetCount(), 1);

  Log.clear();
  Manager.SetSuspended(true);
  Manager.AddCommand(new TLogCommand(Log, 'e'));
  EXPECT_EQ(Log, "");
  Manager.SetSuspended(false);
  Manager.Clear();
  EXPECT_EQ(Manager.GetUndoList()->GetCount(), 0);
}
