#pragma once
// Monitors, DPI and system metrics. The display backend describes the monitors; the window
// layer answers the questions the system asks about them.

#include <functional>
#include <vector>

#include "os/OS.Types.h"
#include "rtl/RTL.Geometry.h"

inline constexpr UINT USER_DEFAULT_SCREEN_DPI = 96;

// One monitor as the backend reports it. Bounds and WorkArea are in screen pixels.
struct TMonitorDesc {
  TRect Bounds;
  TRect WorkArea;
  UINT Dpi = USER_DEFAULT_SCREEN_DPI;
  bool Primary = false;
  String Name;
};

inline constexpr DWORD MONITOR_DEFAULTTONULL = 0;
inline constexpr DWORD MONITOR_DEFAULTTOPRIMARY = 1;
inline constexpr DWORD MONITOR_DEFAULTTONEAREST = 2;
inline constexpr DWORD MONITORINFOF_PRIMARY = 1;

struct MONITORINFO {
  TRect rcMonitor;
  TRect rcWork;
  DWORD dwFlags = 0;
  String szDevice;
};

HMONITOR MonitorFromPoint(TPoint Point, DWORD Flags);
// Nearest by the largest shared area, then by distance.
HMONITOR MonitorFromRect(const TRect& Rect, DWORD Flags);
HMONITOR MonitorFromWindow(HWND Window, DWORD Flags);
BOOL GetMonitorInfo(HMONITOR Monitor, MONITORINFO& Info);
// Monitors in the backend's order; the callback returns FALSE to stop.
BOOL EnumDisplayMonitors(const std::function<BOOL(HMONITOR, const TRect&)>& Func);
UINT GetDpiForMonitor(HMONITOR Monitor);
// The primary monitor's DPI.
UINT GetDpiForSystem();
int GetMonitorCount();

// Replaces the monitor set (backend, UI thread). Top-level windows receive WM_DISPLAYCHANGE;
// those whose monitor's DPI changed also WM_DPICHANGED (wParam: the new DPI in both words,
// lParam: a TRect* suggestion of the window rectangle scaled about its top-left).
void SetMonitors(const std::vector<TMonitorDesc>& Monitors);
// The monitors as last set.
std::vector<TMonitorDesc> GetMonitors();

// The desktop's task bar. A backend may describe it; otherwise it is the strip of the primary
// monitor that lies outside the monitor's work area (none when the work area is the whole monitor).
inline constexpr UINT ABE_LEFT = 0;
inline constexpr UINT ABE_TOP = 1;
inline constexpr UINT ABE_RIGHT = 2;
inline constexpr UINT ABE_BOTTOM = 3;
struct TTaskBarDesc {
  TRect Bounds;
  UINT Edge = ABE_BOTTOM;
  bool AutoHide = false;
};
// False when there is no task bar.
bool GetTaskBar(TTaskBarDesc& TaskBar);
// Null goes back to the task bar derived from the primary monitor.
void SetTaskBar(const TTaskBarDesc* TaskBar);

// The shell's application-bar questions about the task bar: ABM_GETTASKBARPOS fills rc and
// uEdge (FALSE without a task bar), ABM_GETSTATE answers ABS_AUTOHIDE and ABS_ALWAYSONTOP bits.
// A window registered with ABM_NEW (FALSE when it already is) asks for a strip at an edge:
// ABM_QUERYPOS moves rc off the strips other bars hold at that edge, ABM_SETPOS does the same and
// holds the result (the monitor's work area no longer includes it), ABM_REMOVE gives it back.
inline constexpr DWORD ABM_NEW = 0x00000000;
inline constexpr DWORD ABM_REMOVE = 0x00000001;
inline constexpr DWORD ABM_QUERYPOS = 0x00000002;
inline constexpr DWORD ABM_SETPOS = 0x00000003;
inline constexpr DWORD ABM_GETSTATE = 0x00000004;
inline constexpr DWORD ABM_GETTASKBARPOS = 0x00000005;
inline constexpr UINT_PTR ABS_AUTOHIDE = 0x0000001;
inline constexpr UINT_PTR ABS_ALWAYSONTOP = 0x0000002;
struct APPBARDATA {
  HWND hWnd = nullptr;
  UINT uCallbackMessage = 0;
  UINT uEdge = 0;
  TRect rc;
  LPARAM lParam = 0;
};
UINT_PTR SHAppBarMessage(DWORD Message, APPBARDATA& Data);

// System metrics.
inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
inline constexpr int SM_CXVSCROLL = 2;
inline constexpr int SM_CYHSCROLL = 3;
inline constexpr int SM_CYCAPTION = 4;
inline constexpr int SM_CXBORDER = 5;
inline constexpr int SM_CYBORDER = 6;
inline constexpr int SM_CXDLGFRAME = 7;
inline constexpr int SM_CYDLGFRAME = 8;
inline constexpr int SM_CYVTHUMB = 9;
inline constexpr int SM_CXHTHUMB = 10;
inline constexpr int SM_CXICON = 11;
inline constexpr int SM_CYICON = 12;
inline constexpr int SM_CXCURSOR = 13;
inline constexpr int SM_CYCURSOR = 14;
inline constexpr int SM_CYMENU = 15;
inline constexpr int SM_CYVSCROLL = 20;
inline constexpr int SM_CXHSCROLL = 21;
inline constexpr int SM_CXMIN = 28;
inline constexpr int SM_CYMIN = 29;
inline constexpr int SM_CXSIZE = 30;
inline constexpr int SM_CYSIZE = 31;
inline constexpr int SM_CXFRAME = 32;
inline constexpr int SM_CYFRAME = 33;
inline constexpr int SM_CXSIZEFRAME = 32;
inline constexpr int SM_CYSIZEFRAME = 33;
inline constexpr int SM_CXDOUBLECLK = 36;
inline constexpr int SM_CYDOUBLECLK = 37;
inline constexpr int SM_CXSMICON = 49;
inline constexpr int SM_CYSMICON = 50;
inline constexpr int SM_CXDRAG = 68;
inline constexpr int SM_CYDRAG = 69;
inline constexpr int SM_CXMENUCHECK = 71;
inline constexpr int SM_CYMENUCHECK = 72;
inline constexpr int SM_XVIRTUALSCREEN = 76;
inline constexpr int SM_YVIRTUALSCREEN = 77;
inline constexpr int SM_CXVIRTUALSCREEN = 78;
inline constexpr int SM_CYVIRTUALSCREEN = 79;
inline constexpr int SM_CMONITORS = 80;
inline constexpr int SM_SWAPBUTTON = 23;
inline constexpr int SM_MOUSEWHEELPRESENT = 75;
inline constexpr int SM_CXPADDEDBORDER = 92;

// Metrics at the system DPI (the primary monitor's); ForDpi scales the sizes to another DPI.
int GetSystemMetrics(int Index);
int GetSystemMetricsForDpi(int Index, UINT Dpi);

// SystemParametersInfo actions the system reads (UI thread).
inline constexpr UINT SPI_GETWORKAREA = 0x0030;
inline constexpr UINT SPI_GETKEYBOARDDELAY = 0x0016;
inline constexpr UINT SPI_GETKEYBOARDSPEED = 0x000A;
inline constexpr UINT SPI_GETMENUSHOWDELAY = 0x006A;
inline constexpr UINT SPI_GETWHEELSCROLLLINES = 0x0068;
inline constexpr UINT SPI_GETWHEELSCROLLCHARS = 0x006C;
inline constexpr UINT SPI_GETDROPSHADOW = 0x1024;
inline constexpr UINT SPI_GETMENUANIMATION = 0x1002;
inline constexpr UINT SPI_GETTOOLTIPANIMATION = 0x1016;
inline constexpr UINT SPI_GETHIGHCONTRAST = 0x0042;
inline constexpr UINT SPI_GETMOUSEHOVERTIME = 0x0066;
inline constexpr UINT SPI_GETMOUSEHOVERWIDTH = 0x0062;
inline constexpr UINT SPI_GETMOUSEHOVERHEIGHT = 0x0064;
inline constexpr UINT SPI_GETDRAGFULLWINDOWS = 0x0026;
inline constexpr UINT SPI_GETCARETWIDTH = 0x2006;
// PvParam points at: TRect (work area), UINT (delays, lines, chars, hover), BOOL (flags).
// Unknown actions fail (FALSE).
BOOL SystemParametersInfo(UINT Action, UINT UiParam, void* PvParam, UINT WinIni);

UINT GetDoubleClickTime();
UINT GetCaretBlinkTime();

namespace detail {
void InitializeMonitors();
void FinalizeMonitors();
}  // namespace detail
