#include "zcl/ui/ZCL.Utils.DPIAware.h"

#include <atomic>

#include "os/OS.Gdi.h"
#include "os/OS.Monitors.h"
#include "os/OS.Windows.h"
#include "rtl/RTL.Numbers.h"
#include "vcl/VCL.Controls.h"
#include "zcl/graphics/ZCL.Graphics.Geometry.h"

namespace {
std::atomic<Integer> GSystemDPI{0};
}  // namespace

Integer ScaleByDPI(Integer Value, Integer DPI) {
  return DPI == ZCLDefaultDPI ? Value : MulDiv(Value, DPI, ZCLDefaultDPI);
}

TPoint ScalePointByDPI(const TPoint& Value, Integer DPI) {
  return TPoint(ScaleByDPI(Value.X, DPI), ScaleByDPI(Value.Y, DPI));
}

TSize ScaleSizeByDPI(const TSize& Value, Integer DPI) {
  return TSize(ScaleByDPI(Value.cx, DPI), ScaleByDPI(Value.cy, DPI));
}

TRect ScaleRectByDPI(const TRect& Value, Integer DPI) {
  TRect result = Value;
  if (DPI != ZCLDefaultDPI) RectScale(result, DPI, ZCLDefaultDPI);
  return result;
}

Integer UnscaleByDPI(Integer Value, Integer SourceDPI) {
  return SourceDPI == ZCLDefaultDPI ? Value : MulDiv(Value, ZCLDefaultDPI, SourceDPI);
}

TPoint UnscalePointByDPI(const TPoint& Value, Integer SourceDPI) {
  return TPoint(UnscaleByDPI(Value.X, SourceDPI), UnscaleByDPI(Value.Y, SourceDPI));
}

TSize UnscaleSizeByDPI(const TSize& Value, Integer SourceDPI) {
  return TSize(UnscaleByDPI(Value.cx, SourceDPI), UnscaleByDPI(Value.cy, SourceDPI));
}

TRect UnscaleRectByDPI(const TRect& Value, Integer SourceDPI) {
  return TRect(UnscaleByDPI(Value.Left, SourceDPI), UnscaleByDPI(Value.Top, SourceDPI),
               UnscaleByDPI(Value.Right, SourceDPI), UnscaleByDPI(Value.Bottom, SourceDPI));
}

Integer FontSizeToHeight(Integer DPI, Integer Size) { return -MulDiv(DPI, Size, 72); }

Integer GetSystemDPI() {
  Integer dpi = GSystemDPI.load(std::memory_order_relaxed);
  if (dpi == 0) {
    HDC dc = GetDC(nullptr);
    dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    if (dpi <= 0) dpi = ZCLDefaultDPI;
    GSystemDPI.store(dpi, std::memory_order_relaxed);
  }
  return dpi;
}

void ResetSystemDPI() { GSystemDPI.store(0, std::memory_order_relaxed); }

Integer GetMonitorDPIAtPoint(const TPoint& Point) {
  HMONITOR monitor = MonitorFromPoint(Point, MONITOR_DEFAULTTOPRIMARY);
  const Integer dpi = monitor ? static_cast<Integer>(GetDpiForMonitor(monitor)) : 0;
  return dpi > 0 ? dpi : GetSystemDPI();
}

Integer GetWindowMonitorDPI(TWinControl* Control) {
  TPoint center;
  WINDOWPLACEMENT placement;
  if (Control->HandleAllocated() && GetWindowPlacement(Control->GetHandle(), placement)) {
    const TRect& r = placement.rcNormalPosition;
    center = TPoint(r.Left + r.Width() / 2, r.Top + r.Height() / 2);
  } else {
    const TRect r = Control->GetClientRect();
    center = TPoint(r.Left + r.Width() / 2, r.Top + r.Height() / 2);
    center = Control->ClientToScreen(center);
  }
  return GetMonitorDPIAtPoint(center);
}

Integer GetComponentDPI(TObject* Obj) {
  while (Obj) {
    IPtr<IZCLCurrentDpi> current;
    if (Supports(Obj, current)) return current->GetCurrentDpi();
    if (auto* control = dynamic_cast<TControl*>(Obj)) return control->GetCurrentPPI();
    auto* component = dynamic_cast<TComponent*>(Obj);
    if (!component) return 0;
    Obj = component->GetOwner();
  }
  return 0;
}
