#pragma once
// 32-bit pixel surfaces: the memory every device context draws into.
//
// Layout: top-down rows, stride Width * 4 bytes, premultiplied BGRA (each colour byte <= alpha);
// as a little-endian 32-bit number a pixel reads 0xAARRGGBB. This is cairo's ARGB32 layout, so
// cairo draws on the same memory. A surface either owns its pixels (zeroed: transparent black)
// or wraps memory the caller keeps alive for the surface's lifetime. A 0 x 0 surface is valid;
// every drawing on it does nothing.
//
// Raw access: cairo may cache; call BeginAccess() before reading or writing pixels directly
// and EndAccess() afterwards (TSurfaceAccess does both).

#include <cstdint>

#include "rtl/RTL.Types.h"

typedef struct _cairo_surface cairo_surface_t;

class TSurface {
 public:
  // Owning surface; negative sizes count as 0. Raises EOutOfMemory when the size is beyond
  // MaxSurfaceDimension or the memory cannot be had.
  TSurface(Integer Width, Integer Height);
  // Wraps caller memory (Width * Height pixels, stride Width * 4); nothing is copied or freed.
  TSurface(uint32_t* Bits, Integer Width, Integer Height);
  ~TSurface();
  TSurface(const TSurface&) = delete;
  TSurface& operator=(const TSurface&) = delete;

  // Largest width or height accepted (also the codecs' limit before they allocate).
  static constexpr Integer MaxSurfaceDimension = 32768;

  Integer GetWidth() const { return FWidth; }
  Integer GetHeight() const { return FHeight; }
  Integer GetStride() const { return FWidth * 4; }
  bool IsEmpty() const { return FWidth == 0 || FHeight == 0; }
  bool OwnsBits() const { return FOwnsBits; }

  // First pixel; null for an empty surface. Bracket direct access with BeginAccess/EndAccess.
  uint32_t* GetBits() const { return FBits; }
  uint32_t* GetScanLine(Integer Y) const { return FBits + static_cast<size_t>(Y) * FWidth; }
  uint32_t GetPixel(Integer X, Integer Y) const { return FBits[static_cast<size_t>(Y) * FWidth + X]; }

  // Flushes pending cairo drawing so that the memory is current.
  void BeginAccess();
  // Tells cairo the memory changed behind its back.
  void EndAccess();

  // The cairo image surface over the pixels (never null; a 0 x 0 surface has one too).
  cairo_surface_t* GetCairoSurface() const { return FCairo; }

 private:
  void SetCheckedSize(Integer Width, Integer Height);
  void CreateCairo();
  uint32_t* FBits = nullptr;
  Integer FWidth = 0;
  Integer FHeight = 0;
  bool FOwnsBits = false;
  cairo_surface_t* FCairo = nullptr;
};

// Scoped raw access: flushes on entry, marks dirty on exit.
class TSurfaceAccess {
 public:
  explicit TSurfaceAccess(TSurface& Surface) : FSurface(Surface) { FSurface.BeginAccess(); }
  ~TSurfaceAccess() { FSurface.EndAccess(); }
  TSurfaceAccess(const TSurfaceAccess&) = delete;
  TSurfaceAccess& operator=(const TSurfaceAccess&) = delete;

 private:
  TSurface& FSurface;
};
