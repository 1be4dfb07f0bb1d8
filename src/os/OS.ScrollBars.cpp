#include "os/OS.ScrollBars.h"

#include <algorithm>

#include "os/OS.Windows.Internal.h"

using namespace detail;

namespace {
TWindow::TScrollState* ScrollStateOf(HWND Window, int Bar) {
  TWindow* w = Find(Window);
  if (!w || (Bar != SB_HORZ && Bar != SB_VERT)) return nullptr;
  return &w->Scroll[Bar];
}

int ClampScrollPos(const TWindow::TScrollState& S, int Pos) {
  const int last = S.Max - std::max(static_cast<int>(S.Page) - 1, 0);
  return std::max(S.Min, std::min(Pos, std::max(S.Min, last)));
}
}  // namespace

int SetScrollInfo(HWND Window, int Bar, const SCROLLINFO& Info, BOOL /*Redraw*/) {
  TWindow::TScrollState* s = ScrollStateOf(Window, Bar);
  if (!s) return 0;
  if (Info.fMask & SIF_RANGE) {
    s->Min = Info.nMin;
    s->Max = std::max(Info.nMin, Info.nMax);
  }
  if (Info.fMask & SIF_PAGE) s->Page = Info.nPage;
  s->Page = std::min<UINT>(s->Page, static_cast<UINT>(s->Max - s->Min + 1));
  if (Info.fMask & SIF_POS) s->Pos = Info.nPos;
  s->Pos = s->TrackPos = ClampScrollPos(*s, s->Pos);
  return s->Pos;
}

BOOL GetScrollInfo(HWND Window, int Bar, SCROLLINFO& Info) {
  const TWindow::TScrollState* s = ScrollStateOf(Window, Bar);
  if (!s) return 0;
  if (Info.fMask & SIF_RANGE) {
    Info.nMin = s->Min;
    Info.nMax = s->Max;
  }
  if (Info.fMask & SIF_PAGE) Info.nPage = s->Page;
  if (Info.fMask & SIF_POS) Info.nPos = s->Pos;
  if (Info.fMask & SIF_TRACKPOS) Info.nTrackPos = s->TrackPos;
  return 1;
}

int SetScrollPos(HWND Window, int Bar, int Pos, BOOL /*Redraw*/) {
  TWindow::TScrollState* s = ScrollStateOf(Window, Bar);
  if (!s) return 0;
  const int previous = s->Pos;
  s->Pos = s->TrackPos = ClampScrollPos(*s, Pos);
  return previous;
}

int GetScrollPos(HWND Window, int Bar) {
  const TWindow::TScrollState* s = ScrollStateOf(Window, Bar);
  return s ? s->Pos : 0;
}

BOOL GetScrollBarInfo(HWND Window, LONG ObjectId, SCROLLBARINFO& Info) {
  TWindow* w = Find(Window);
  if (!w || (ObjectId != OBJID_HSCROLL && ObjectId != OBJID_VSCROLL)) return 0;
  const bool vertical = ObjectId == OBJID_VSCROLL;
  const TWindow::TScrollState& s = w->Scroll[vertical ? SB_VERT : SB_HORZ];
  Info.rgstate[0] = 0;
  if (!(w->Style & (vertical ? WS_VSCROLL : WS_HSCROLL))) Info.rgstate[0] |= STATE_SYSTEM_INVISIBLE;
  if (s.Disabled || s.Max <= s.Min || s.Max - s.Min + 1 <= static_cast<int>(s.Page))
    Info.rgstate[0] |= STATE_SYSTEM_UNAVAILABLE;
  Info.rcScrollBar = TRect();
  return 1;
}

BOOL EnableScrollBar(HWND Window, UINT Bar, UINT Arrows) {
  TWindow* w = Find(Window);
  if (!w) return 0;
  for (int b = SB_HORZ; b <= SB_VERT; ++b)
    if (Bar == static_cast<UINT>(b) || Bar == 3) w->Scroll[b].Disabled = Arrows == ESB_DISABLE_BOTH;
  return 1;
}
