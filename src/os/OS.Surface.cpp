#include "os/OS.Surface.h"

#include <cairo.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "rtl/RTL.Exceptions.h"

// Negative sizes count as 0; beyond MaxSurfaceDimension raises before anything is allocated.
void TSurface::SetCheckedSize(Integer Width, Integer Height) {
  if (Width < 0) Width = 0;
  if (Height < 0) Height = 0;
  if (Width > MaxSurfaceDimension || Height > MaxSurfaceDimension)
    throw EOutOfMemory(u"Surface size %dx%d is too large", {Width, Height});
  FWidth = Width;
  FHeight = Height;
}

TSurface::TSurface(Integer Width, Integer Height) {
  SetCheckedSize(Width, Height);
  FOwnsBits = true;
  if (FWidth > 0 && FHeight > 0) {
    FBits = static_cast<uint32_t*>(std::calloc(static_cast<size_t>(FWidth) * FHeight, 4));
    if (!FBits) throw EOutOfMemory(u"Not enough memory for a %dx%d surface", {FWidth, FHeight});
  }
  CreateCairo();
}

TSurface::TSurface(uint32_t* Bits, Integer Width, Integer Height) {
  SetCheckedSize(Width, Height);
  FBits = (FWidth > 0 && FHeight > 0) ? Bits : nullptr;
  FOwnsBits = false;
  CreateCairo();
}

void TSurface::CreateCairo() {
  if (FBits)
    FCairo = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(FBits), CAIRO_FORMAT_ARGB32, FWidth,
                                                 FHeight, FWidth * 4);
  else
    FCairo = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 0, 0);
  if (cairo_surface_status(FCairo) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(FCairo);
    FCairo = nullptr;
    if (FOwnsBits) std::free(FBits);
    FBits = nullptr;
    throw EOutOfMemory(u"Cannot create a %dx%d surface", {FWidth, FHeight});
  }
}

TSurface::~TSurface() {
  if (FCairo) {
    cairo_surface_finish(FCairo);
    cairo_surface_destroy(FCairo);
  }
  if (FOwnsBits) std::free(FBits);
}

void TSurface::BeginAccess() {
  if (FCairo) cairo_surface_flush(FCairo);
}

void TSurface::EndAccess() {
  if (FCairo) cairo_surface_mark_dirty(FCairo);
}
