#pragma once
// Reading screen pixels. What a program may read of the desktop differs by display: here the
// screen is what this program's own visible top-level windows show, composed back to front
// (layered windows blended) over an opaque black desktop; other programs' windows are not seen.

#include <cstdint>
#include <vector>

#include "os/OS.Types.h"

// The pixels of Rect (screen coordinates), row by row, opaque premultiplied BGRA
// (0xAARRGGBB as a number). UI thread.
std::vector<uint32_t> ReadScreenPixels(const TRect& Rect);
