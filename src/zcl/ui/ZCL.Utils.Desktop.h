#pragma once
// Questions windows ask about the desktop: the monitor of a point, rectangle or window (always
// an answer while any monitor exists), bounds and work areas, the task bar and the part of a
// monitor it leaves free, full-screen applications, the shell's desktop windows and the cursor.

#include "os/OS.Types.h"
#include "rtl/RTL.Geometry.h"

class TMonitor;

TMonitor* GetPrimaryMonitor();
TMonitor* MonitorFromPointSafe(const TPoint& Point);
TMonitor* MonitorFromWindowSafe(HWND Window);
// The monitor nearest to the rectangle's centre.
TMonitor* MonitorFromRectSafe(const TRect& Rect);
// Out-of-range indexes give the primary monitor.
TMonitor* MonitorFromIndexSafe(Integer Index);

// Bounds of the monitor found as above; (0, 0, 0, 0) when there is none.
TRect GetPrimaryMonitorBounds();
TRect GetMonitorBoundsByIndex(Integer Index);
TRect GetMonitorBoundsByWindow(HWND Window);
TRect GetMonitorBoundsAtPoint(const TPoint& Point);
TRect GetWorkAreaAtPoint(const TPoint& Point);

struct TZCLTaskBarInfo {
  bool AutoHide = false;
  TRect Bounds;
  Cardinal Edge = 0;  // 0 left, 1 top, 2 right, 3 bottom
};
// All zero when there is no task bar.
TZCLTaskBarInfo GetTaskBarInfo();
// The largest strip of the monitor at Point that a visible task bar leaves free; the monitor's
// bounds when the task bar hides itself or lies elsewhere.
TRect GetMonitorFreeArea(const TPoint& Point);

// Moves (never sizes) the rectangle into the monitor at its centre; a rectangle larger than the
// monitor ends aligned with its right and bottom edges.
TRect MoveRectIntoMonitor(const TRect& Rect);
// The shell's desktop windows ("progman", "WorkerW").
bool IsDesktopWindow(HWND Window);
// The foreground window covers its whole monitor (and that is Monitor, when given).
bool IsFullScreenAppActive(TMonitor* Monitor = nullptr);

// Screen coordinates; (-1, -1) when the system cannot tell.
TPoint GetMouseCursorPos();
TSize GetCursorSize();
HWND WindowFromCursor();
