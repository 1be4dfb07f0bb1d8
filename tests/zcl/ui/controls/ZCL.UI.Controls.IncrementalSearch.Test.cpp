#include <gtest/gtest.h>

#include "os/OS.Input.h"
#include "zcl/ui/controls/ZCL.UI.Controls.IncrementalSearch.h"

namespace {

struct TProbe {
  Integer Changes = 0;
  Integer Lookups = 0;
  bool Find = true;
  void Change(TObject*) { ++Changes; }
  void Lookup(TObject*, bool& Found) {
    ++Lookups;
    Found = Find;
  }
};

TEST(IncrementalSearch, HighlightBoundsBySearchAndFilter) {
  struct Case {
    TZCLIncrementalSearchMode Mode;
    const char16_t* Search;
    const char16_t* Row;
    bool Found;
    Integer Start, Finish;
  } cases[] = {
      {ismSearch, u"ab", u"ABC", true, 0, 2},
      {ismSearch, u"ab", u"cab", false, 0, 0},
      {ismFilter, u"ab", u"cab", true, 1, 3},
      {ismFilter, u"xy", u"cab", false, 0, 0},
  };
  for (const Case& c : cases) {
    TZCLIncrementalSearch search;
    search.SetMode(c.Mode);
    search.SetText(c.Search);
    Integer start = 0, finish = 0;
    EXPECT_EQ(search.GetHighlightBounds(c.Row, start, finish), c.Found) << int(c.Mode);
    EXPECT_EQ(search.Contains(c.Row), c.Found);
    if (c.Found) EXPECT_EQ(std::make_pair(start, finish), std::make_pair(c.Start, c.Finish));
  }
  TZCLIncrementalSearch idle;
  EXPECT_TRUE(idle.Contains(u"anything"));
}

TEST(IncrementalSearch, TypingRefusalBackspaceEscapeAndMode) {
  TZCLIncrementalSearch search;
  TProbe probe;
  search.OnChange = TNotifyEvent(&probe, &TProbe::Change);
  search.OnLookup = TZCLIncrementalSearchLookupEvent(&probe, &TProbe::Lookup);
  EXPECT_FALSE(search.ProcessChar(u' '));  // a space does not start a search
  EXPECT_TRUE(search.ProcessChar(u'a'));
  EXPECT_TRUE(search.ProcessChar(u' '));
  EXPECT_EQ(search.GetText(), u"a ");
  probe.Find = false;
  EXPECT_TRUE(search.ProcessChar(u'q'));  // refused by the lookup, still taken
  EXPECT_EQ(search.GetText(), u"a ");
  EXPECT_EQ(probe.Changes, 3);
  probe.Find = true;
  EXPECT_TRUE(search.ProcessKey(VK_BACK, TShiftState()));
  const Integer lookups = probe.Lookups;
  EXPECT_TRUE(search.ProcessKey(VK_BACK, TShiftState()));  // empties without a lookup
  EXPECT_EQ(probe.Lookups, lookups);
  EXPECT_FALSE(search.Active());
  const Integer changes = probe.Changes;
  search.SetMode(ismFilter);  // idle: nothing fired
  EXPECT_EQ(probe.Changes, changes);
  search.SetText(u"x");
  search.SetMode(ismSearch);
  EXPECT_EQ(probe.Changes, changes + 2);
  EXPECT_TRUE(search.ProcessKey(VK_ESCAPE, TShiftState()));
  EXPECT_FALSE(search.Active());
  EXPECT_FALSE(search.ProcessChar(u'\b'));
}

TEST(IncrementalSearch, KeysThatNeverReachTheSearch) {
  TZCLIncrementalSearch search;
  for (Word key : {VK_F1, Word(VK_F1 + 4), VK_DELETE, VK_INSERT, VK_RETURN, VK_LWIN})
    EXPECT_FALSE(search.CanProcessKey(key, TShiftState())) << key;
  EXPECT_FALSE(search.CanProcessKey('A', TShiftState{ssCtrl}));
  EXPECT_FALSE(search.CanProcessKey('A', TShiftState{ssAlt}));
  EXPECT_FALSE(search.CanProcessKey('A', TShiftState{ssShift}));
  EXPECT_FALSE(search.CanProcessKey(VK_SPACE, TShiftState()));
  EXPECT_TRUE(search.CanProcessKey('A', TShiftState()));
  EXPECT_FALSE(search.CanProcessKey('A', TShiftState(), [](Word, TShiftState, bool& Allow) { Allow = false; }));
  search.SetText(u"a");
  EXPECT_TRUE(search.CanProcessKey('A', TShiftState{ssShift}));
  EXPECT_TRUE(search.CanProcessKey(VK_SPACE, TShiftState()));
  EXPECT_TRUE(search.ProcessKey(VK_SPACE, TShiftState()));
  EXPECT_FALSE(search.ProcessKey(VK_SPACE, TShiftState{ssCtrl}));
}

}  // namespace
