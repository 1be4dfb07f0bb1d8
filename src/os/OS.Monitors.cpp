#include "os/OS.Monitors.h"

#include <algorithm>
#include <climits>
#include <mutex>

#include "os/OS.Messages.h"
#include "os/OS.Windows.Internal.h"
#include "os/OS.Windows.h"

namespace {

std::mutex GLock;
std::vector<TMonitorDesc> GMonitors;

// Registered application bars and the strips they hold (empty until ABM_SETPOS).
struct TAppBar {
  HWND Window = nullptr;
  UINT Edge = 0;
  TRect Held;
};
std::vector<TAppBar> GAppBars;

// The work area less the strips the bars hold on this monitor.
TRect WorkAreaLessBars(const TMonitorDesc& M) {
  TRect w = M.WorkArea;
  for (const TAppBar& bar : GAppBars) {
    if (bar.Held.IsEmpty() || IntersectRect(bar.Held, M.Bounds).IsEmpty()) continue;
    switch (bar.Edge) {
      case ABE_LEFT:
        w.Left = std::max(w.Left, bar.Held.Right);
        break;
      case ABE_RIGHT:
        w.Right = std::min(w.Right, bar.Held.Left);
        break;
      case ABE_TOP:
        w.Top = std::max(w.Top, bar.Held.Bottom);
        break;
      default:
        w.Bottom = std::min(w.Bottom, bar.Held.Top);
        break;
    }
  }
  return w;
}

// Without a backend: one 1920 x 1080 monitor at 96 DPI.
std::vector<TMonitorDesc> DefaultMonitors() {
  TMonitorDesc m;
  m.Bounds = TRect(0, 0, 1920, 1080);
  m.WorkArea = TRect(0, 0, 1920, 1040);
  m.Dpi = USER_DEFAULT_SCREEN_DPI;
  m.Primary = true;
  m.Name = u"\\\\.\\DISPLAY1";
  return {m};
}

HMONITOR HandleOf(size_t Index) { return reinterpret_cast<HMONITOR>(Index + 1); }

// Index of a monitor handle, or -1.
int IndexOf(HMONITOR Monitor) {
  const auto value = reinterpret_cast<uintptr_t>(Monitor);
  if (value == 0 || value > GMonitors.size()) return -1;
  return static_cast<int>(value - 1);
}

size_t PrimaryIndex() {
  for (size_t i = 0; i < GMonitors.size(); ++i)
    if (GMonitors[i].Primary) return i;
  return 0;
}

Int64 DistanceSquared(const TRect& R, TPoint P) {
  const Int64 dx = P.X < R.Left ? R.Left - P.X : (P.X >= R.Right ? P.X - R.Right + 1 : 0);
  const Int64 dy = P.Y < R.Top ? R.Top - P.Y : (P.Y >= R.Bottom ? P.Y - R.Bottom + 1 : 0);
  return dx * dx + dy * dy;
}

HMONITOR Fallback(DWORD Flags, size_t Nearest) {
  switch (Flags) {
    case MONITOR_DEFAULTTOPRIMARY:
      return HandleOf(PrimaryIndex());
    case MONITOR_DEFAULTTONEAREST:
      return HandleOf(Nearest);
    default:
      return nullptr;
  }
}

int ScaleMetric(int Value, UINT Dpi) { return static_cast<int>((static_cast<Int64>(Value) * Dpi + 48) / 96); }

}  // namespace

namespace detail {
void InitializeMonitors() {
  std::lock_guard<std::mutex> lock(GLock);
  GMonitors = DefaultMonitors();
}
void FinalizeMonitors() {
  std::lock_guard<std::mutex> lock(GLock);
  GMonitors.clear();
}
}  // namespace detail

HMONITOR MonitorFromPoint(TPoint Point, DWORD Flags) {
  std::lock_guard<std::mutex> lock(GLock);
  if (GMonitors.empty()) return nullptr;
  size_t nearest = 0;
  Int64 best = INT64_MAX;
  for (size_t i = 0; i < GMonitors.size(); ++i) {
    if (GMonitors[i].Bounds.Contains(Point)) return HandleOf(i);
    const Int64 d = DistanceSquared(GMonitors[i].Bounds, Point);
    if (d < best) best = d, nearest = i;
  }
  return Fallback(Flags, nearest);
}

HMONITOR MonitorFromRect(const TRect& Rect, DWORD Flags) {
  {
    std::lock_guard<std::mutex> lock(GLock);
    if (GMonitors.empty()) return nullptr;
    Int64 bestArea = 0;
    int bestIndex = -1;
    for (size_t i = 0; i < GMonitors.size(); ++i) {
      TRect common;
      if (!IntersectRect(common, GMonitors[i].Bounds, Rect)) continue;
      const Int64 area = static_cast<Int64>(common.Width()) * common.Height();
      if (area > bestArea) bestArea = area, bestIndex = static_cast<int>(i);
    }
    if (bestIndex >= 0) return HandleOf(static_cast<size_t>(bestIndex));
  }
  // No shared area: the monitor nearest to the rectangle's centre.
  if (Flags == MONITOR_DEFAULTTONULL) return nullptr;
  return MonitorFromPoint(Rect.CenterPoint(), Flags);
}

HMONITOR MonitorFromWindow(HWND Window, DWORD Flags) {
  TRect r;
  if (!GetWindowRect(Window, r)) {
    std::lock_guard<std::mutex> lock(GLock);
    return GMonitors.empty() || Flags == MONITOR_DEFAULTTONULL ? nullptr : HandleOf(PrimaryIndex());
  }
  return MonitorFromRect(r, Flags);
}

BOOL GetMonitorInfo(HMONITOR Monitor, MONITORINFO& Info) {
  std::lock_guard<std::mutex> lock(GLock);
  const int index = IndexOf(Monitor);
  if (index < 0) return 0;
  const TMonitorDesc& m = GMonitors[static_cast<size_t>(index)];
  Info.rcMonitor = m.Bounds;
  Info.rcWork = WorkAreaLessBars(m);
  Info.dwFlags = m.Primary ? MONITORINFOF_PRIMARY : 0;
  Info.szDevice = m.Name;
  return 1;
}

BOOL EnumDisplayMonitors(const std::function<BOOL(HMONITOR, const TRect&)>& Func) {
  std::vector<TMonitorDesc> copy;
  {
    std::lock_guard<std::mutex> lock(GLock);
    copy = GMonitors;
  }
  for (size_t i = 0; i < copy.size(); ++i)
    if (!Func(HandleOf(i), copy[i].Bounds)) return 0;
  return 1;
}

UINT GetDpiForMonitor(HMONITOR Monitor) {
  std::lock_guard<std::mutex> lock(GLock);
  const int index = IndexOf(Monitor);
  if (index < 0) return GMonitors.empty() ? USER_DEFAULT_SCREEN_DPI : GMonitors[PrimaryIndex()].Dpi;
  return GMonitors[static_cast<size_t>(index)].Dpi;
}

UINT GetDpiForSystem() {
  std::lock_guard<std::mutex> lock(GLock);
  return GMonitors.empty() ? USER_DEFAULT_SCREEN_DPI : GMonitors[PrimaryIndex()].Dpi;
}

std::vector<TMonitorDesc> GetMonitors() {
  std::lock_guard<std::mutex> lock(GLock);
  return GMonitors;
}

int GetMonitorCount() {
  std::lock_guard<std::mutex> lock(GLock);
  return static_cast<int>(GMonitors.size());
}

void SetMonitors(const std::vector<TMonitorDesc>& Monitors) {
  std::vector<std::pair<HWND, UINT>> oldDpi;
  if (detail::HasWindowManager())
    for (detail::TWindow* top : detail::WM().TopLevels) oldDpi.emplace_back(top->Handle, top->Dpi);
  {
    std::lock_guard<std::mutex> lock(GLock);
    GMonitors = Monitors.empty() ? DefaultMonitors() : Monitors;
    if (std::none_of(GMonitors.begin(), GMonitors.end(), [](const TMonitorDesc& m) { return m.Primary; }))
      GMonitors.front().Primary = true;
  }
  if (!detail::HasWindowManager()) return;
  const TRect primary = [] {
    MONITORINFO info;
    GetMonitorInfo(MonitorFromPoint(TPoint(0, 0), MONITOR_DEFAULTTOPRIMARY), info);
    return info.rcMonitor;
  }();
  for (auto [window, before] : oldDpi) {
    detail::TWindow* w = detail::Find(window);
    if (!w) continue;
    const UINT now = GetDpiForMonitor(MonitorFromRect(w->Rect, MONITOR_DEFAULTTONEAREST));
    w->Dpi = now;
    // Children follow their top-level window.
    EnumChildWindows(window, [&](HWND c) {
      if (detail::TWindow* cw = detail::Find(c)) cw->Dpi = now;
      return 1;
    });
    if (now != before) {
      TRect suggested = w->Rect;
      suggested.SetWidth(static_cast<int>(static_cast<Int64>(w->Rect.Width()) * now / before));
      suggested.SetHeight(static_cast<int>(static_cast<Int64>(w->Rect.Height()) * now / before));
      SendMessage(window, WM_DPICHANGED, MAKELPARAM(static_cast<int>(now), static_cast<int>(now)),
                  reinterpret_cast<LPARAM>(&suggested));
    }
    if (IsWindow(window)) SendMessage(window, WM_DISPLAYCHANGE, 32, MAKELPARAM(primary.Width(), primary.Height()));
  }
}

namespace {
bool GTaskBarSet = false;
TTaskBarDesc GTaskBar;
}  // namespace

bool GetTaskBar(TTaskBarDesc& TaskBar) {
  std::lock_guard<std::mutex> lock(GLock);
  if (GTaskBarSet) {
    TaskBar = GTaskBar;
    return true;
  }
  if (GMonitors.empty()) return false;
  const TMonitorDesc& m = GMonitors[PrimaryIndex()];
  const TRect& b = m.Bounds;
  const TRect& w = m.WorkArea;
  TaskBar = TTaskBarDesc();
  if (w.Bottom < b.Bottom) {
    TaskBar.Bounds = TRect(b.Left, w.Bottom, b.Right, b.Bottom);
    TaskBar.Edge = ABE_BOTTOM;
  } else if (w.Top > b.Top) {
    TaskBar.Bounds = TRect(b.Left, b.Top, b.Right, w.Top);
    TaskBar.Edge = ABE_TOP;
  } else if (w.Left > b.Left) {
    TaskBar.Bounds = TRect(b.Left, b.Top, w.Left, b.Bottom);
    TaskBar.Edge = ABE_LEFT;
  } else if (w.Right < b.Right) {
    TaskBar.Bounds = TRect(w.Right, b.Top, b.Right, b.Bottom);
    TaskBar.Edge = ABE_RIGHT;
  } else {
    return false;
  }
  return true;
}

void SetTaskBar(const TTaskBarDesc* TaskBar) {
  std::lock_guard<std::mutex> lock(GLock);
  GTaskBarSet = TaskBar != nullptr;
  GTaskBar = TaskBar ? *TaskBar : TTaskBarDesc();
}

UINT_PTR SHAppBarMessage(DWORD Message, APPBARDATA& Data) {
  if (Message <= ABM_SETPOS) {
    std::lock_guard<std::mutex> lock(GLock);
    const auto it =
        std::find_if(GAppBars.begin(), GAppBars.end(), [&](const TAppBar& B) { return B.Window == Data.hWnd; });
    switch (Message) {
      case ABM_NEW:
        if (it != GAppBars.end() || !Data.hWnd) return 0;
        GAppBars.push_back({Data.hWnd, Data.uEdge, TRect()});
        return 1;
      case ABM_REMOVE:
        if (it == GAppBars.end()) return 0;
        GAppBars.erase(it);
        return 1;
      default: {
        if (it == GAppBars.end()) return 0;
        // Off the strips the other bars hold at the same edge, the thickness kept.
        TRect& r = Data.rc;
        for (const TAppBar& other : GAppBars) {
          if (other.Window == Data.hWnd || other.Edge != Data.uEdge || IntersectRect(other.Held, r).IsEmpty()) continue;
          switch (Data.uEdge) {
            case ABE_LEFT:
              r.Offset(other.Held.Right - r.Left, 0);
              break;
            case ABE_RIGHT:
              r.Offset(other.Held.Left - r.Right, 0);
              break;
            case ABE_TOP:
              r.Offset(0, other.Held.Bottom - r.Top);
              break;
            default:
              r.Offset(0, other.Held.Top - r.Bottom);
              break;
          }
        }
        if (Message == ABM_SETPOS) {
          it->Edge = Data.uEdge;
          it->Held = r;
        }
        return 1;
      }
    }
  }
  TTaskBarDesc bar;
  const bool present = GetTaskBar(bar);
  switch (Message) {
    case ABM_GETTASKBARPOS:
      if (!present) return 0;
      Data.rc = bar.Bounds;
      Data.uEdge = bar.Edge;
      return 1;
    case ABM_GETSTATE:
      return present ? (ABS_ALWAYSONTOP | (bar.AutoHide ? ABS_AUTOHIDE : 0)) : 0;
    default:
      return 0;
  }
}

int GetSystemMetricsForDpi(int Index, UINT Dpi) {
  switch (Index) {
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
      MONITORINFO info;
      if (!GetMonitorInfo(MonitorFromPoint(TPoint(0, 0), MONITOR_DEFAULTTOPRIMARY), info)) return 0;
      return Index == SM_CXSCREEN ? info.rcMonitor.Width() : info.rcMonitor.Height();
    }
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN:
    case SM_CXVIRTUALSCREEN:
    case SM_CYVIRTUALSCREEN: {
      std::lock_guard<std::mutex> lock(GLock);
      if (GMonitors.empty()) return 0;
      TRect all = GMonitors.front().Bounds;
      for (const TMonitorDesc& m : GMonitors)
        all = TRect(std::min(all.Left, m.Bounds.Left), std::min(all.Top, m.Bounds.Top),
                    std::max(all.Right, m.Bounds.Right), std::max(all.Bottom, m.Bounds.Bottom));
      return Index == SM_XVIRTUALSCREEN   ? all.Left
             : Index == SM_YVIRTUALSCREEN ? all.Top
             : Index == SM_CXVIRTUALSCREEN ? all.Width()
                                           : all.Height();
    }
    case SM_CMONITORS:
      return GetMonitorCount();
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
    case SM_CYVSCROLL:
    case SM_CXHSCROLL:
    case SM_CYVTHUMB:
    case SM_CXHTHUMB:
      return ScaleMetric(17, Dpi);
    case SM_CYCAPTION:
      return ScaleMetric(23, Dpi);
    case SM_CXBORDER:
    case SM_CYBORDER:
      return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
      return ScaleMetric(3, Dpi);
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
      return ScaleMetric(32, Dpi);
    case SM_CXSMICON:
    case SM_CYSMICON:
      return ScaleMetric(16, Dpi);
    case SM_CYMENU:
      return ScaleMetric(20, Dpi);
    case SM_CXMIN:
      return ScaleMetric(136, Dpi);
    case SM_CYMIN:
      return ScaleMetric(39, Dpi);
    case SM_CXSIZE:
      return ScaleMetric(36, Dpi);
    case SM_CYSIZE:
      return ScaleMetric(22, Dpi);
    case SM_CXFRAME:
    case SM_CYFRAME:
    case SM_CXPADDEDBORDER:
      return ScaleMetric(4, Dpi);
    case SM_CXMENUCHECK:
    case SM_CYMENUCHECK:
      return ScaleMetric(15, Dpi);
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG:
      return 4;
    case SM_SWAPBUTTON:
      return 0;
    case SM_MOUSEWHEELPRESENT:
      return 1;
  }
  return 0;
}

int GetSystemMetrics(int Index) { return GetSystemMetricsForDpi(Index, GetDpiForSystem()); }

BOOL SystemParametersInfo(UINT Action, UINT, void* PvParam, UINT) {
  if (!PvParam) return 0;
  auto setUint = [&](UINT v) {
    *static_cast<UINT*>(PvParam) = v;
    return 1;
  };
  auto setBool = [&](BOOL v) {
    *static_cast<BOOL*>(PvParam) = v;
    return 1;
  };
  switch (Action) {
    case SPI_GETWORKAREA: {
      MONITORINFO info;
      if (!GetMonitorInfo(MonitorFromPoint(TPoint(0, 0), MONITOR_DEFAULTTOPRIMARY), info)) return 0;
      *static_cast<TRect*>(PvParam) = info.rcWork;
      return 1;
    }
    case SPI_GETMENUSHOWDELAY:
      return setUint(400);
    case SPI_GETWHEELSCROLLLINES:
    case SPI_GETWHEELSCROLLCHARS:
      return setUint(3);
    case SPI_GETKEYBOARDDELAY:
      return setUint(1);
    case SPI_GETKEYBOARDSPEED:
      return setUint(31);
    case SPI_GETMOUSEHOVERTIME:
      return setUint(400);
    case SPI_GETMOUSEHOVERWIDTH:
    case SPI_GETMOUSEHOVERHEIGHT:
      return setUint(4);
    case SPI_GETCARETWIDTH:
      return setUint(1);
    case SPI_GETDROPSHADOW:
    case SPI_GETDRAGFULLWINDOWS:
      return setBool(1);
    case SPI_GETMENUANIMATION:
    case SPI_GETTOOLTIPANIMATION:
      return setBool(0);
  }
  return 0;
}

UINT GetDoubleClickTime() { return 500; }
UINT GetCaretBlinkTime() { return 530; }
