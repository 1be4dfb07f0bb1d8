#pragma once
// The SDL backend's translations that need no display: keys to virtual keys, cursor ids to the
// desktop's cursor shapes, window styles to native window kinds, monitor DPI, and the merging of
// dirty rectangles before they are pushed to the screen. Key and cursor values are SDL's own
// numbers (SDL_Keycode, SDL_Scancode, SDL_SystemCursor) passed as plain integers, so that this
// header stays free of SDL.

#include <vector>

#include "os/OS.Types.h"
#include "rtl/RTL.Geometry.h"

namespace SdlMapping {

// The virtual key of a key event. Letter and digit keys follow the layout when it gives a Latin
// letter or a digit, the key's position otherwise (as the platform's keyboard layouts do); the
// keypad gives its navigation keys while NumLock is off. 0 for keys without a virtual key.
WORD VirtualKey(int Keycode, int Scancode, bool NumLock);

// The character a key press gives that no text-input event brings: control characters (Enter,
// Tab, Backspace, Escape, Ctrl+letter) and the character of an Alt combination (which the window
// layer turns into WM_SYSCHAR). 0 otherwise.
Char KeyCharacter(WORD VirtKey, int Keycode, bool Shift, bool Ctrl, bool Alt, bool CapsLock);

// Whether text from the input method is typed: not while exactly one of Ctrl and Alt is held
// (those combinations are commands; Ctrl+Alt stands for AltGr on some keyboards).
bool AcceptsText(bool Ctrl, bool Alt);

// The SDL system cursor for a standard cursor id (IDC_*); the arrow for unknown ids.
int SystemCursor(uintptr_t CursorId);

// How a top-level window appears on the desktop.
struct TWindowTraits {
  bool PopupMenu = false;    // unmanaged, never activated (menus, drop-downs)
  bool Tooltip = false;      // unmanaged, never activated (hints)
  bool Utility = false;      // tool window: no task-bar entry
  bool SkipTaskbar = false;  // owned windows stay off the task bar unless they ask for it
  bool Topmost = false;
};
// Owned: the window has an owner that is visible (a hidden owner gives no task-bar entry of its own).
TWindowTraits WindowTraits(DWORD Style, DWORD ExStyle, DWORD ClassStyle, bool Owned);

// Display DPI as reported (often a physical measure such as 93.7) snapped to the steps the
// layout scales to: multiples of 24 from 96 up to 480. Unusable values give 96.
UINT SnapDpi(float Dpi);

// Dirty rectangles of one window collected between two pushes to the screen. Overlapping and
// nearby rectangles are merged when the merged one wastes little area; the list never grows
// beyond MaxRects (the closest pair is merged instead).
class TDirtyRects {
 public:
  static constexpr size_t MaxRects = 8;
  void Add(const TRect& Rect);
  void Clear() { FRects.clear(); }
  bool IsEmpty() const { return FRects.empty(); }
  const std::vector<TRect>& Rects() const { return FRects; }

 private:
  std::vector<TRect> FRects;
};

// Updates a one-byte-per-pixel visibility mask (Width x Height, 1: shown) from premultiplied
// pixels within Area: a pixel is shown when its alpha is at least Cutoff and Clip (same layout,
// may be null) does not hide it. A mask of another size is rebuilt whole (every pixel shown
// outside Area). Returns whether any mask byte changed. Pixels has Width x Height pixels, top-down.
bool UpdateAlphaMask(std::vector<Byte>& Mask, const uint32_t* Pixels, int Width, int Height, const TRect& Area,
                     Byte Cutoff, const Byte* Clip = nullptr);

// Clipboard text: the process keeps CR LF line ends, the desktop LF.
String TextToDesktop(StringView Text);
String TextFromDesktop(StringView Text);
// A file list as the desktop's text clipboard carries it: one name per line.
String FileListText(const std::vector<String>& Files);

}  // namespace SdlMapping
