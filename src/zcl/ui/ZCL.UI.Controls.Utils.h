#pragma once
// Plain routines the controls of the library share: keyboard and mouse state, drag detection,
// focus, coordinate mapping, page navigation, scrolling an item into view, painting what lies
// behind a transparent control, creating controls in code, and three-state conversions.

#include "os/OS.Types.h"
#include "rtl/RTL.Geometry.h"
#include "vcl/VCL.Controls.h"

// Gives the control the focus when it can take it; never raises (false on any failure).
bool SafeSetFocus(TWinControl* Control);
// Paints what lies behind Control into DC within Rect (Control's client coordinates): its
// parent, then the windowed siblings below it in z-order.
void DrawParentBackground(TControl* Control, HDC DC, const TRect& Rect);
