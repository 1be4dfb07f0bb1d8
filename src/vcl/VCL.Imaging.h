#pragma once
// PNG images and icons. Both keep straight-alpha pixels in a TBitmap (afDefined) and draw by
// blending it.
//
// Icon container (little-endian): "ZICO", version (uint16, 1), image count (uint16, 1 .. 64),
// then per image width and height (uint16 each, 1 .. 1024), offset and size (uint32 each) of a
// PNG or BMP file inside the container.

#include <memory>
#include <vector>

#include "vcl/VCL.Graphics.h"

class TPngImage : public TGraphic {
  ZCL_CLASS(TPngImage, TGraphic)
 public:
  TPngImage();
  ~TPngImage() override;
  // From another PNG or from a bitmap (its pixels made straight; ignored alpha becomes opaque).
  void Assign(TPersistent* Source) override;

  bool GetEmpty() const override { return FBitmap->GetEmpty(); }
  Integer GetWidth() const override { return FBitmap->GetWidth(); }
  Integer GetHeight() const override { return FBitmap->GetHeight(); }
  void SetWidth(Integer Value) override { SetSize(Value, GetHeight()); }
  void SetHeight(Integer Value) override { SetSize(GetWidth(), Value); }
  void SetSize(Integer AWidth, Integer AHeight) override;
  bool GetSupportsPartialTransparency() const override { return true; }
  void LoadFromStream(TStream& Stream) override;
  void SaveToStream(TStream& Stream) override;
  // Straight BGRA rows, top-down; call Changed-style Modified() after writing.
  void* ScanLine(Integer Row) { return FBitmap->ScanLine(Row); }
  void Modified();

 protected:
  void AssignTo(TPersistent* Dest) override;
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;

 private:
  std::unique_ptr<TBitmap> FBitmap;
};

class TIcon : public TGraphic {
  ZCL_CLASS(TIcon, TGraphic)
 public:
  static constexpr Integer MaxIconImages = 64;
  static constexpr Integer MaxIconDimension = 1024;

  TIcon();
  ~TIcon() override;
  void Assign(TPersistent* Source) override;

  bool GetEmpty() const override { return FImages.empty(); }
  // The largest image's size.
  Integer GetWidth() const override;
  Integer GetHeight() const override;
  // Icons are not resized: raises EInvalidGraphic "Cannot change the size of an icon".
  void SetWidth(Integer Value) override;
  void SetHeight(Integer Value) override;
  bool GetSupportsPartialTransparency() const override { return true; }
  // Bad data raises EInvalidGraphic naming the problem; the icon is unchanged then.
  void LoadFromStream(TStream& Stream) override;
  // Writes the container with PNG images.
  void SaveToStream(TStream& Stream) override;

  Integer GetImageCount() const { return Integer(FImages.size()); }
  TBitmap* GetImage(Integer Index) const;
  // Appends a copy of the graphic as one more size.
  void AddImage(TGraphic* Graphic);
  // The smallest image at least Width x Height, else the largest.
  TBitmap* BestImage(Integer Width, Integer Height) const;

  // An icon handle of the largest image, made on first use and owned by the icon until it
  // changes or ReleaseHandle; null for an empty icon.
  HICON GetHandle();
  // Takes over Value (destroyed with the icon) and holds its pixels as the only image; null or a
  // dead handle empties the icon.
  void SetHandle(HICON Value);
  // The handle, now the caller's to destroy (DestroyIcon); the icon keeps its images.
  HICON ReleaseHandle();
  bool HandleAllocated() const { return FHandle != nullptr; }

 protected:
  void Draw(TCanvas* ACanvas, const TRect& Rect) override;
  void Changed() override;

 private:
  void FreeHandle();
  std::vector<std::unique_ptr<TBitmap>> FImages;
  HICON FHandle = nullptr;
  bool FSettingHandle = false;
};

namespace detail {
void ImagingInit();
}  // namespace detail
