#pragma once
// The scroll state of a window's own bars (SB_HORZ, SB_VERT), kept per window by the window
// layer; the layer draws no bars: the window's owner shows them. Also the scroll requests of
// WM_HSCROLL/WM_VSCROLL and the edit notifications a multi-line edit sends its parent.

#include "os/OS.Messages.h"
#include "os/OS.Types.h"
#include "rtl/RTL.Geometry.h"

// Scroll requests (low word of WM_HSCROLL's and WM_VSCROLL's wParam).
inline constexpr WPARAM SB_PAGEUP = 2;
inline constexpr WPARAM SB_PAGEDOWN = 3;
inline constexpr WPARAM SB_THUMBPOSITION = 4;
inline constexpr WPARAM SB_THUMBTRACK = 5;
inline constexpr WPARAM SB_TOP = 6;
inline constexpr WPARAM SB_BOTTOM = 7;
inline constexpr WPARAM SB_ENDSCROLL = 8;

// Edit notifications, in the high word of the WM_COMMAND wParam an edit sends its parent.
inline constexpr WORD EN_CHANGE = 0x0300;
inline constexpr WORD EN_HSCROLL = 0x0601;
inline constexpr WORD EN_VSCROLL = 0x0602;

inline constexpr int SB_HORZ = 0;
inline constexpr int SB_VERT = 1;
inline constexpr UINT SIF_RANGE = 0x0001;
inline constexpr UINT SIF_PAGE = 0x0002;
inline constexpr UINT SIF_POS = 0x0004;
inline constexpr UINT SIF_DISABLENOSCROLL = 0x0008;
inline constexpr UINT SIF_TRACKPOS = 0x0010;
inline constexpr UINT SIF_ALL = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;

struct SCROLLINFO {
  UINT cbSize = sizeof(SCROLLINFO);
  UINT fMask = 0;
  int nMin = 0;
  int nMax = 0;
  UINT nPage = 0;
  int nPos = 0;
  int nTrackPos = 0;
};

inline constexpr LONG OBJID_VSCROLL = -5;
inline constexpr LONG OBJID_HSCROLL = -6;
inline constexpr DWORD STATE_SYSTEM_UNAVAILABLE = 0x0001;
inline constexpr DWORD STATE_SYSTEM_INVISIBLE = 0x8000;

// rgstate[0]: the bar's state: invisible without WS_HSCROLL/WS_VSCROLL, unavailable when the page
// covers the range or the bar was disabled.
struct SCROLLBARINFO {
  DWORD cbSize = sizeof(SCROLLBARINFO);
  TRect rcScrollBar;
  DWORD rgstate[6] = {};
};

// Positions are kept within nMin .. nMax - max(nPage - 1, 0); the page within the range.
// Returns the position after the change (0 for an unknown window).
int SetScrollInfo(HWND Window, int Bar, const SCROLLINFO& Info, BOOL Redraw);
BOOL GetScrollInfo(HWND Window, int Bar, SCROLLINFO& Info);
// Returns the previous position.
int SetScrollPos(HWND Window, int Bar, int Pos, BOOL Redraw);
int GetScrollPos(HWND Window, int Bar);
// ObjectId: OBJID_HSCROLL or OBJID_VSCROLL.
BOOL GetScrollBarInfo(HWND Window, LONG ObjectId, SCROLLBARINFO& Info);
inline constexpr UINT ESB_ENABLE_BOTH = 0;
inline constexpr UINT ESB_DISABLE_BOTH = 3;
// Bar: SB_HORZ, SB_VERT or 3 for both.
BOOL EnableScrollBar(HWND Window, UINT Bar, UINT Arrows);
