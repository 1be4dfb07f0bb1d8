#include "zcl/ui/ZCL.Utils.Desktop.h"

#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Strings.h"
#include "vcl/VCL.Forms.h"

namespace {
TRect BoundsOf(TMonitor* Monitor) { return Monitor ? Monitor->GetBoundsRect() : TRect(); }
}  // namespace

TMonitor* GetPrimaryMonitor() {
  if (!Screen || Screen->GetMonitorCount() == 0) return nullptr;
  if (TMonitor* primary = Screen->GetPrimaryMonitor()) return primary;
  return Screen->GetMonitors(0);
}

TMonitor* MonitorFromPointSafe(const TPoint& Point) {
  TMonitor* monitor = Screen ? Screen->MonitorFromPoint(Point, mdNearest) : nullptr;
  return monitor ? monitor : GetPrimaryMonitor();
}

TMonitor* MonitorFromWindowSafe(HWND Window) {
  TMonitor* monitor = Screen ? Screen->MonitorFromWindow(Window, mdNearest) : nullptr;
  return monitor ? monitor : GetPrimaryMonitor();
}

TMonitor* MonitorFromRectSafe(const TRect& Rect) {
  return MonitorFromPointSafe(TPoint((Rect.Left + Rect.Right) / 2, (Rect.Top + Rect.Bottom) / 2));
}

TMonitor* MonitorFromIndexSafe(Integer Index) {
  if (Screen && Index >= 0 && Index < Screen->GetMonitorCount())
    if (TMonitor* monitor = Screen->GetMonitors(Index)) return monitor;
  return GetPrimaryMonitor();
}

TRect GetPrimaryMonitorBounds() { return BoundsOf(GetPrimaryMonitor()); }
TRect GetMonitorBoundsByIndex(Integer Index) { return BoundsOf(MonitorFromIndexSafe(Index)); }
TRect GetMonitorBoundsByWindow(HWND Window) { return BoundsOf(MonitorFromWindowSafe(Window)); }
TRect GetMonitorBoundsAtPoint(const TPoint& Point) { return BoundsOf(MonitorFromPointSafe(Point)); }

TRect GetWorkAreaAtPoint(const TPoint& Point) {
  TMonitor* monitor = MonitorFromPointSafe(Point);
  return monitor ? monitor->GetWorkareaRect() : TRect();
}

TZCLTaskBarInfo GetTaskBarInfo() {
  TZCLTaskBarInfo info;
  APPBARDATA data;
  if (!SHAppBarMessage(ABM_GETTASKBARPOS, data)) return info;
  info.Bounds = data.rc;
  info.Edge = data.uEdge;
  info.AutoHide = (SHAppBarMessage(ABM_GETSTATE, data) & ABS_AUTOHIDE) != 0;
  return info;
}

TRect GetMonitorFreeArea(const TPoint& Point) {
  const TRect monitor = GetMonitorBoundsAtPoint(Point);
  const TZCLTaskBarInfo bar = GetTaskBarInfo();
  const TRect& t = bar.Bounds;
  if (bar.AutoHide || t.IsEmpty() || !t.IntersectsWith(monitor)) return monitor;
  const TRect strips[] = {
      TRect(monitor.Left, monitor.Top, monitor.Right, t.Top),
      TRect(monitor.Left, t.Top, t.Left, t.Bottom),
      TRect(t.Right, t.Top, monitor.Right, t.Bottom),
      TRect(monitor.Left, t.Bottom, monitor.Right, monitor.Bottom),
  };
  auto area = [](const TRect& R) {
    return R.Width() > 0 && R.Height() > 0 ? static_cast<Int64>(R.Width()) * R.Height() : Int64(0);
  };
  TRect result = strips[0];
  for (const TRect& strip : strips)
    if (area(strip) > area(result)) result = strip;
  return result;
}

TRect MoveRectIntoMonitor(const TRect& Rect) {
  TRect r = Rect;
  const TRect m = BoundsOf(MonitorFromRectSafe(Rect));
  if (r.Top < m.Top) r.Offset(0, m.Top - r.Top);
  if (r.Left < m.Left) r.Offset(m.Left - r.Left, 0);
  if (r.Right > m.Right) r.Offset(m.Right - r.Right, 0);
  if (r.Bottom > m.Bottom) r.Offset(0, m.Bottom - r.Bottom);
  return r;
}

bool IsDesktopWindow(HWND Window) {
  if (!Window) return false;
  const String name = GetClassName(Window);
  return SameText(name, u"progman") || SameText(name, u"WorkerW");
}

bool IsFullScreenAppActive(TMonitor* Monitor) {
  HWND foreground = GetForegroundWindow();
  if (!foreground || IsDesktopWindow(foreground)) return false;
  TMonitor* monitor = Screen ? Screen->MonitorFromWindow(foreground, mdNull) : nullptr;
  if (!monitor || (Monitor && monitor->GetHandle() != Monitor->GetHandle())) return false;
  TRect window;
  if (!GetWindowRect(foreground, window)) return false;
  const TRect bounds = monitor->GetBoundsRect();
  return window.Width() >= bounds.Width() && window.Height() >= bounds.Height();
}

TPoint GetMouseCursorPos() {
  TPoint p;
  if (!GetCursorPos(p)) return TPoint(-1, -1);
  return p;
}

TSize GetCursorSize() { return TSize(GetSystemMetrics(SM_CXCURSOR), GetSystemMetrics(SM_CYCURSOR)); }

HWND WindowFromCursor() {
  const TPoint p = GetMouseCursorPos();
  return WindowFromPoint(p);
}
