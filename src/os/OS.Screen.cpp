#include "os/OS.Screen.h"

#include <algorithm>

#include "os/OS.Surface.h"
#include "os/OS.Windows.h"

namespace {

uint32_t Scale(uint32_t Pixel, Byte Alpha) {
  if (Alpha == 255) return Pixel;
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) out |= (((Pixel >> shift) & 0xFF) * Alpha / 255) << shift;
  return out;
}

// Premultiplied source over destination.
uint32_t Over(uint32_t Src, uint32_t Dst) {
  const uint32_t inverse = 255 - (Src >> 24);
  uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const uint32_t c = ((Src >> shift) & 0xFF) + ((Dst >> shift) & 0xFF) * inverse / 255;
    out |= std::min<uint32_t>(c, 255) << shift;
  }
  return out;
}

}  // namespace

std::vector<uint32_t> ReadScreenPixels(const TRect& Rect) {
  const Integer width = std::max(0, Rect.Width()), height = std::max(0, Rect.Height());
  std::vector<uint32_t> pixels(size_t(width) * size_t(height), 0xFF000000u);
  if (pixels.empty()) return pixels;
  std::vector<HWND> tops;
  EnumWindows([&](HWND h) {
    tops.push_back(h);
    return 1;
  });
  for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
    const HWND h = *it;
    if (!IsWindowVisible(h) || IsIconic(h)) continue;
    const TSurface* surface = GetWindowSurface(h);
    TRect r;
    GetWindowRect(h, r);
    if (!surface || surface->IsEmpty()) continue;
    Byte alpha = 255;
    bool perPixel = false;
    if (GetWindowLong(h, GWL_EXSTYLE) & WS_EX_LAYERED) {
      DWORD flags = 0;
      // Windows shown with UpdateLayeredWindow answer no attributes: their pixels carry alpha.
      if (GetLayeredWindowAttributes(h, nullptr, &alpha, &flags)) {
        if (!(flags & LWA_ALPHA)) alpha = 255;
      } else {
        perPixel = true;
      }
    }
    const Integer left = std::max(Rect.Left, r.Left),
                  right = std::min({Rect.Right, r.Right, r.Left + surface->GetWidth()});
    const Integer top = std::max(Rect.Top, r.Top),
                  bottom = std::min({Rect.Bottom, r.Bottom, r.Top + surface->GetHeight()});
    for (Integer y = top; y < bottom; ++y)
      for (Integer x = left; x < right; ++x) {
        uint32_t src = surface->GetPixel(x - r.Left, y - r.Top);
        if (!perPixel) src |= 0xFF000000u;
        uint32_t& dst = pixels[size_t(y - Rect.Top) * size_t(width) + size_t(x - Rect.Left)];
        dst = Over(Scale(src, alpha), dst);
      }
  }
  return pixels;
}
