#pragma once
// Sizes of the user interface are designed at 96 DPI and converted to the DPI a window is shown
// at. Conversions use MulDiv (rounded half away from zero); 96 is passed through untouched.

#include "rtl/RTL.Geometry.h"
#include "rtl/RTL.Interfaces.h"

class TObject;
class TWinControl;

// Anything that knows the DPI it is drawn for.
struct IZCLCurrentDpi : virtual IInterface {
  RTL_INTERFACE(IZCLCurrentDpi, IInterface, "{5C1B7E20-8F4A-4A63-9D0E-2B7A6C3E9F15}")
  virtual Integer GetCurrentDpi() = 0;
};

constexpr Integer ZCLDefaultDPI = 96;

Integer ScaleByDPI(Integer Value, Integer DPI);
TPoint ScalePointByDPI(const TPoint& Value, Integer DPI);
TSize ScaleSizeByDPI(const TSize& Value, Integer DPI);
TRect ScaleRectByDPI(const TRect& Value, Integer DPI);
Integer UnscaleByDPI(Integer Value, Integer SourceDPI);
TPoint UnscalePointByDPI(const TPoint& Value, Integer SourceDPI);
TSize UnscaleSizeByDPI(const TSize& Value, Integer SourceDPI);
TRect UnscaleRectByDPI(const TRect& Value, Integer SourceDPI);
// The platform's negative character height in pixels of a font of Size points.
Integer FontSizeToHeight(Integer DPI, Integer Size);

// The screen's DPI, read once and kept until ResetSystemDPI (forms call it on a settings change).
Integer GetSystemDPI();
void ResetSystemDPI();
// The DPI of the monitor under the point (the primary one when none contains it).
Integer GetMonitorDPIAtPoint(const TPoint& Point);
// The DPI of the monitor that shows the control's window (by its restored position).
Integer GetWindowMonitorDPI(TWinControl* Control);
// The DPI an object is drawn for: IZCLCurrentDpi, else a control's CurrentPPI, else its owner's;
// 0 when unknown (callers fall back to GetSystemDPI).
Integer GetComponentDPI(TObject* Obj);
