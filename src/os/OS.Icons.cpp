#include "os/OS.Icons.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "os/OS.Gdi.h"
#include "os/OS.Surface.h"

namespace {

struct TIconData {
  std::vector<uint32_t> Pixels;
  int Width = 0;
  int Height = 0;
};

// Icons are made and read from plugin threads too.
std::mutex GIconLock;
std::unordered_map<HICON, std::unique_ptr<TIconData>>& Icons() {
  static auto* icons = new std::unordered_map<HICON, std::unique_ptr<TIconData>>;  // outlives every unit
  return *icons;
}

HICON Register(std::unique_ptr<TIconData> Data) {
  HICON handle = reinterpret_cast<HICON>(Data.get());
  std::lock_guard lock(GIconLock);
  Icons().emplace(handle, std::move(Data));
  return handle;
}

// Bitmap pixels copied out of a bitmap's surface; false for a bad handle.
bool BitmapPixels(HBITMAP Bitmap, std::vector<uint32_t>& Pixels, int& Width, int& Height) {
  TSurface* surface = GetBitmapSurface(Bitmap);
  if (!surface) return false;
  TSurfaceAccess access(*surface);
  Width = surface->GetWidth();
  Height = surface->GetHeight();
  if (surface->IsEmpty()) return true;
  Pixels.assign(surface->GetBits(), surface->GetBits() + size_t(Width) * Height);
  return true;
}

HBITMAP BitmapOf(const std::vector<uint32_t>& Pixels, int Width, int Height) {
  return CreateBitmap(Width, Height, 1, 32, Pixels.data());
}

}  // namespace

HICON CreateIconFromPixels(const uint32_t* Pixels, int Width, int Height) {
  if (!Pixels || Width < 1 || Height < 1 || Width > MaxIconSize || Height > MaxIconSize) return nullptr;
  auto data = std::make_unique<TIconData>();
  data->Pixels.assign(Pixels, Pixels + size_t(Width) * Height);
  data->Width = Width;
  data->Height = Height;
  return Register(std::move(data));
}

HICON CreateIconIndirect(const ICONINFO* Info) {
  if (!Info || !Info->hbmColor) return nullptr;
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  if (!BitmapPixels(Info->hbmColor, pixels, width, height) || pixels.empty()) return nullptr;
  const bool hasAlpha = std::any_of(pixels.begin(), pixels.end(), [](uint32_t p) { return (p >> 24) != 0; });
  if (!hasAlpha) {
    std::vector<uint32_t> mask;
    int maskWidth = 0, maskHeight = 0;
    if (Info->hbmMask && !BitmapPixels(Info->hbmMask, mask, maskWidth, maskHeight)) return nullptr;
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) {
        uint32_t& p = pixels[size_t(y) * width + x];
        const bool transparent =
            x < maskWidth && y < maskHeight && (mask[size_t(y) * maskWidth + x] & 0x00FFFFFF) != 0;
        p = transparent ? 0 : (p | 0xFF000000u);
      }
  }
  return CreateIconFromPixels(pixels.data(), width, height);
}

HICON CopyIcon(HICON Icon) {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  if (!GetIconPixels(Icon, pixels, width, height)) return nullptr;
  return CreateIconFromPixels(pixels.data(), width, height);
}

BOOL DestroyIcon(HICON Icon) {
  std::lock_guard lock(GIconLock);
  return Icons().erase(Icon) ? 1 : 0;
}

bool GetIconPixels(HICON Icon, std::vector<uint32_t>& Pixels, int& Width, int& Height) {
  std::lock_guard lock(GIconLock);
  auto it = Icons().find(Icon);
  if (it == Icons().end()) return false;
  Pixels = it->second->Pixels;
  Width = it->second->Width;
  Height = it->second->Height;
  return true;
}

bool GetIconSize(HICON Icon, int& Width, int& Height) {
  std::lock_guard lock(GIconLock);
  auto it = Icons().find(Icon);
  if (it == Icons().end()) return false;
  Width = it->second->Width;
  Height = it->second->Height;
  return true;
}

BOOL GetIconInfo(HICON Icon, ICONINFO* Info) {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  if (!Info || !GetIconPixels(Icon, pixels, width, height)) return 0;
  std::vector<uint32_t> mask(pixels.size());
  for (size_t i = 0; i < pixels.size(); ++i) mask[i] = (pixels[i] >> 24) == 0 ? 0xFFFFFFFFu : 0xFF000000u;
  Info->fIcon = 1;
  Info->xHotspot = DWORD(width / 2);
  Info->yHotspot = DWORD(height / 2);
  Info->hbmColor = BitmapOf(pixels, width, height);
  Info->hbmMask = BitmapOf(mask, width, height);
  return 1;
}

BOOL DrawIconEx(HDC DC, int X, int Y, HICON Icon, int Width, int Height, UINT, HBRUSH, UINT Flags) {
  std::vector<uint32_t> pixels;
  int width = 0, height = 0;
  if (!GetDCSurface(DC) || !GetIconPixels(Icon, pixels, width, height)) return 0;
  if ((Flags & DI_NORMAL) == 0) Flags = DI_NORMAL;
  if ((Flags & DI_IMAGE) == 0)
    for (uint32_t& p : pixels) p = p & 0xFF000000u ? 0xFF000000u : 0;
  TSurface source(pixels.data(), width, height);
  HBITMAP bitmap = CreateBitmapOnSurface(&source);
  HDC memory = CreateCompatibleDC(DC);
  HBITMAP old = SelectObject(memory, bitmap);
  const BOOL done = AlphaBlend(DC, X, Y, Width > 0 ? Width : width, Height > 0 ? Height : height, memory, 0, 0,
                               width, height, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(bitmap);
  return done;
}

BOOL DrawIcon(HDC DC, int X, int Y, HICON Icon) { return DrawIconEx(DC, X, Y, Icon, 0, 0, 0, nullptr, DI_NORMAL); }
