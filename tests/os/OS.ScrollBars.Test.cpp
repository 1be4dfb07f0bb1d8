#include "os/OS.ScrollBars.h"
#include "os/OS.Windows.h"
#include "support/HeadlessFixture.h"

namespace {

class ScrollBarsTest : public THeadlessTest {};

TEST_F(ScrollBarsTest, ScrollStateIsKeptPerWindowAndClampedToTheLastPage) {
  HWND a = Create(Bounds(0, 0, 100, 100), WS_POPUP | WS_VSCROLL);
  HWND b = Create(Bounds(0, 0, 100, 100), WS_POPUP);
  SCROLLINFO info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMax = 99;
  info.nPage = 10;
  info.nPos = 500;
  EXPECT_EQ(SetScrollInfo(a, SB_VERT, info, true), 90);  // the last page starts at 90
  EXPECT_EQ(GetScrollPos(b, SB_VERT), 0);
  EXPECT_EQ(SetScrollPos(a, SB_VERT, -5, true), 90);
  EXPECT_EQ(GetScrollPos(a, SB_VERT), 0);
  SCROLLINFO read;
  read.fMask = SIF_ALL;
  ASSERT_TRUE(GetScrollInfo(a, SB_VERT, read));
  EXPECT_EQ(read.nMax, 99);
  EXPECT_EQ(read.nPage, 10u);
  // A page larger than the range is cut to it.
  info.fMask = SIF_PAGE;
  info.nPage = 1000;
  SetScrollInfo(a, SB_VERT, info, true);
  GetScrollInfo(a, SB_VERT, read);
  EXPECT_EQ(read.nPage, 100u);

  SCROLLBARINFO bar;
  ASSERT_TRUE(GetScrollBarInfo(a, OBJID_VSCROLL, bar));
  EXPECT_EQ(bar.rgstate[0], STATE_SYSTEM_UNAVAILABLE);  // the page covers the range
  info.nPage = 10;
  SetScrollInfo(a, SB_VERT, info, true);
  GetScrollBarInfo(a, OBJID_VSCROLL, bar);
  EXPECT_EQ(bar.rgstate[0], 0u);
  EnableScrollBar(a, SB_VERT, ESB_DISABLE_BOTH);
  GetScrollBarInfo(a, OBJID_VSCROLL, bar);
  EXPECT_EQ(bar.rgstate[0], STATE_SYSTEM_UNAVAILABLE);
  GetScrollBarInfo(a, OBJID_HSCROLL, bar);
  EXPECT_TRUE(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE);  // no WS_HSCROLL
  EXPECT_FALSE(GetScrollInfo(nullptr, SB_VERT, read));
}

}  // namespace
