#pragma once
// Icon handles: 32-bit premultiplied BGRA images (the layout of OS.Surface.h) that live until
// DestroyIcon. Every call copies pixels in or out, so a caller never shares memory with an icon.
// Any thread may make, read and destroy icons.

#include <cstdint>
#include <vector>

#include "os/OS.Types.h"

class TSurface;

struct ICONINFO {
  BOOL fIcon;  // TRUE: an icon (hot spot ignored)
  DWORD xHotspot;
  DWORD yHotspot;
  HBITMAP hbmMask;   // optional: non-black pixels are transparent where the colour has no alpha
  HBITMAP hbmColor;  // 32-bit colour
};

// DrawIconEx flags.
inline constexpr UINT DI_MASK = 0x0001;
inline constexpr UINT DI_IMAGE = 0x0002;
inline constexpr UINT DI_NORMAL = 0x0003;

// WM_SETICON / WM_GETICON kinds.
inline constexpr WPARAM ICON_SMALL = 0;
inline constexpr WPARAM ICON_BIG = 1;

// Largest width or height of an icon.
inline constexpr int MaxIconSize = 1024;

// An icon of Width x Height premultiplied pixels (top-down); null for no pixels or a size
// outside 1 .. MaxIconSize.
HICON CreateIconFromPixels(const uint32_t* Pixels, int Width, int Height);
// An icon from a 32-bit colour bitmap. A colour bitmap whose alpha is 0 everywhere carries no
// alpha: it is opaque except where the mask is not black. Null without a colour bitmap.
HICON CreateIconIndirect(const ICONINFO* Info);
HICON CopyIcon(HICON Icon);
// FALSE for null and for handles that are not live icons.
BOOL DestroyIcon(HICON Icon);
// New bitmaps (32-bit colour, and a mask that is white where the icon is fully transparent)
// that the caller deletes with DeleteObject.
BOOL GetIconInfo(HICON Icon, ICONINFO* Info);
// The icon's pixels (premultiplied, top-down); false for a handle that is no live icon.
bool GetIconPixels(HICON Icon, std::vector<uint32_t>& Pixels, int& Width, int& Height);
bool GetIconSize(HICON Icon, int& Width, int& Height);
// Blends the icon over the DC at (X, Y); Width or Height 0 take the icon's own. DI_MASK alone
// draws nothing but the shape: opaque black where the icon covers.
BOOL DrawIconEx(HDC DC, int X, int Y, HICON Icon, int Width, int Height, UINT StepIfAniCur, HBRUSH FlickerFreeDraw,
                UINT Flags);
BOOL DrawIcon(HDC DC, int X, int Y, HICON Icon);
