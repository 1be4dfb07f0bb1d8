#pragma once
// The display backend: where top-level windows appear and where input comes from.
//
// Requests go down through TDisplayBackend and TNativeWindow; events come up through the
// input functions of OS.Input.h (InputMouseMove, InputKey...) and SetMonitors of OS.Monitors.h,
// which the backend calls on the UI thread. The window layer keeps every window's state and
// the pixels of each top-level window; a backend only shows them.
//
// Nothing above the operating-system layer includes a backend header: the program and the tests
// install a backend with the function its own header declares (InstallHeadlessBackend...).

#include <memory>
#include <vector>

#include "os/OS.Monitors.h"
#include "os/OS.Types.h"
#include "rtl/RTL.Geometry.h"

class TSurface;

// The native side of one visible-capable top-level window.
class TNativeWindow {
 public:
  virtual ~TNativeWindow() = default;
  // Screen rectangle of the whole window.
  virtual void SetBounds(const TRect& ScreenRect) = 0;
  virtual void SetVisible(bool Visible) = 0;
  // The window's place among the top-level windows changed (the layer keeps the order).
  virtual void ZOrderChanged() {}
  // Pixels of Dirty (window coordinates) changed in the window's surface. Alpha is the
  // constant alpha of a layered window (255 otherwise); PerPixelAlpha whether the surface's
  // alpha channel shapes the window.
  virtual void Present(const TSurface& Pixels, const TRect& Dirty, Byte Alpha, bool PerPixelAlpha) = 0;
  virtual void SetTitle(StringView) {}
  virtual void SetCursor(HCURSOR) {}
  // The window's big icon (WM_SETICON); null for none. The window keeps the icon alive.
  virtual void SetIcon(HICON) {}
};

class TDisplayBackend {
 public:
  virtual ~TDisplayBackend() = default;
  virtual std::vector<TMonitorDesc> GetMonitors() = 0;
  // A native window for a top-level window (UI thread). The layer owns the result.
  virtual std::unique_ptr<TNativeWindow> CreateNativeWindow(HWND Window) = 0;
  // Turns pending native events into input calls (UI thread). Called before the queue is read.
  virtual void PumpEvents() {}
  // Blocks the UI thread until Wake is called or TimeoutMs (real milliseconds; -1 without limit)
  // has passed. Native events must also end the wait.
  virtual void Wait(Int64 TimeoutMs) = 0;
  // Any thread: ends a Wait in progress, or the next one at once.
  virtual void Wake() = 0;
  // The cursor moved by the program (SetCursorPos).
  virtual void CursorMoved(TPoint) {}
};

// Installs the backend (UI thread, once the OS units are initialized); the layer owns it and
// frees it when the units are finalized or another backend is installed. Null installs none:
// windows then have no native side and waits use a plain condition variable.
void InstallDisplayBackend(std::unique_ptr<TDisplayBackend> Backend);
TDisplayBackend* GetDisplayBackend();
