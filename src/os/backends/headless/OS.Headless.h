#pragma once
// The headless display backend: every top-level window is a pixel buffer, input is injected,
// time is a manual clock. Tests and CI run on it. Only the program and the tests include this
// header; everything else talks to the window layer.

#include <string>
#include <vector>

#include "os/OS.Dialogs.h"
#include "os/OS.Input.h"
#include "os/OS.Monitors.h"
#include "os/OS.Timers.h"
#include "os/OS.Tray.h"

struct THeadlessConfig {
  // Empty: one 1920 x 1080 monitor at 96 DPI with a 40-pixel task bar at the bottom.
  std::vector<TMonitorDesc> Monitors;
  // A manual clock (tests advance it); false keeps the system clock.
  bool ManualClock = true;

  // One monitor of the given DPI, 1920 x 1080.
  static THeadlessConfig Single(UINT Dpi = 96);
  // Two 1920 x 1080 monitors side by side: the primary at (0, 0) with DpiLeft, the second to its right.
  static THeadlessConfig Dual(UINT DpiLeft = 96, UINT DpiRight = 144);
};

// Installs the headless backend (UI thread, after the OS units are initialized), with the
// inspectable notification area below as the tray host.
void InstallHeadlessBackend(const THeadlessConfig& Config = THeadlessConfig());

// The test API of the headless backend (UI thread).
namespace Headless {

// The manual clock; null when the backend runs on the system clock.
TManualClock* Clock();

// Mouse and keyboard input at screen coordinates, as the user would give it. Input is queued;
// RunUntilIdle (or a message loop) delivers it.
void MouseMove(TPoint ScreenPoint);
void MouseDown(TPoint ScreenPoint, TMouseButton Button = TMouseButton::Left);
void MouseUp(TPoint ScreenPoint, TMouseButton Button = TMouseButton::Left);
void Click(TPoint ScreenPoint, TMouseButton Button = TMouseButton::Left);
// Two clicks within the double-click time (the clock does not move between them).
void DoubleClick(TPoint ScreenPoint, TMouseButton Button = TMouseButton::Left);
// Notches of WHEEL_DELTA; positive is away from the user (vertical) or to the right (horizontal).
void Wheel(TPoint ScreenPoint, int Notches, bool Horizontal = false);
// Character: what the key gives (0: derived for letters, digits, space, Enter, Tab, Backspace
// and Escape from the Shift state).
void KeyDown(WORD VirtKey, Char Character = 0);
void KeyUp(WORD VirtKey);
void KeyPress(WORD VirtKey, Char Character = 0);
void TypeText(StringView Text);

// Takes and dispatches (with TranslateMessage) every message until none is waiting: posted,
// input, paint and due timers. Leaves WM_QUIT in the queue. Returns the number dispatched.
int RunUntilIdle(int MaxMessages = 100000);
// Moves the manual clock forward by Ms in steps, running until idle at each timer due time in
// between, so that periodic timers fire as often as they would in real time.
void Advance(UInt64 Ms);

// Pixels: premultiplied BGRA (0xAARRGGBB as a number). Window coordinates of the window's
// top-level window; for a child window its client coordinates. 0 outside.
uint32_t WindowPixel(HWND Window, TPoint Point);
// The screen as composed: top-level windows from back to front, layered ones blended with their
// constant and per-pixel alpha, over an opaque black desktop.
uint32_t ScreenPixel(TPoint Point);
// Saves the top-level window's pixels as a PNG (straight alpha); false on failure.
bool SavePng(HWND Window, const std::string& FileName);
// Number of times the window layer presented the top-level window's pixels.
int PresentCount(HWND Window);

// The notification area: the icons as shown (hidden ones included, in the order added) and
// the balloons shown since the backend was installed, oldest first.
std::vector<TTrayIconState> TrayIcons();
std::vector<TTrayBalloon> TrayBalloons();
// What the user does with the icon (Window, ID) at a screen point; false when there is none.
bool TrayClick(HWND Window, UINT ID, TPoint ScreenPoint = TPoint());
bool TrayMenu(HWND Window, UINT ID, TPoint ScreenPoint);
// A click on the icon's latest balloon; false when it showed none.
bool TrayBalloonClick(HWND Window, UINT ID);

// Message sounds played since the backend was installed (MessageBeep types), oldest first.
std::vector<UINT> Beeps();
void ClearBeeps();

// The file chooser answers from a script: each chooser shown takes the oldest queued answer;
// with none queued it is unavailable (as on a desktop without a chooser). The requests it was
// shown are kept, oldest first. ClearFileChooser forgets both.
void ScriptFileChooser(const TFileChooserAnswer& Answer);
std::vector<TFileChooserRequest> FileChooserRequests();
void ClearFileChooser();

}  // namespace Headless
