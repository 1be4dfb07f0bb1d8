#pragma once
// Software blending of one DIB into another with eleven blend modes (table-driven, split over
// worker threads for large pictures), the stack blur with cores shared per radius, and
// TZCLDibEx, a DIB that keeps the alpha of a skin-image frame to cut later drawing to its shape.

#include <functional>

#include "rtl/RTL.Interfaces.h"
#include "zcl/graphics/ZCL.Graphics.Dib.h"

enum TZCLBlendMode : Byte {
  bmNormal,
  bmMultiply,
  bmScreen,
  bmOverlay,
  bmAddition,
  bmSubstract,
  bmDifference,
  bmDivide,
  bmLighten,
  bmDarken,
  bmGrayscale,
};
constexpr Integer BlendModeCount = bmGrayscale + 1;

using TZCLBlendFunction = void (*)(TZCLDib* Dest, TZCLDib* Source, Byte Alpha);
// Indexed by mode; every entry combines Source into Dest (same size) at constant Alpha.
extern const TZCLBlendFunction BlendFunctions[BlendModeCount];

class TZCLSoftwareImplBlendMode {
 public:
  struct TChunk {
    Integer Count = 0;
    const TZCLPixel32* Source = nullptr;
    TZCLPixel32* Dest = nullptr;
  };
  using TChunkProc = void (*)(TChunk& Chunk);

  // Raises EInvalidOperation "Cannot blend DIBs with different sizes". Pictures from 640000
  // pixels on run split over every processor.
  static void Blend(TZCLDib* Dest, TZCLDib* Source, TChunkProc Proc, Byte Alpha);
  static constexpr Integer MultithreadThreshold = 640000;
  // How many chunks the last blend was split into (1: it ran in the calling thread).
  static Integer LastChunkCount();
  static void Finalize();
};

struct IZCLBlurFilterCore : virtual IInterface {
  RTL_INTERFACE(IZCLBlurFilterCore, IInterface, "{6E0C7B21-93A4-4F0D-B7E2-1D58A4C3F920}")
  // Width * Height premultiplied pixels, blurred in place.
  virtual void Apply(TZCLPixel32* Pixels, Integer Width, Integer Height) = 0;
  virtual Integer GetRadius() = 0;
};

using TZCLBlurFilterCoreFactory = std::function<IPtr<IZCLBlurFilterCore>(Integer Radius)>;

// The stack blur: weights r + 1 - |i| over -r..r, edges repeated, all four bytes alike.
class TZCLSoftwareImplStackBlur : public TInterfacedObject, public IZCLBlurFilterCore {
  RTL_INTERFACES(TInterfacedObject, IZCLBlurFilterCore)
 public:
  explicit TZCLSoftwareImplStackBlur(Integer ARadius);
  void Apply(TZCLPixel32* Pixels, Integer Width, Integer Height) override;
  Integer GetRadius() override { return FRadius; }
  static void Register();

 private:
  Integer FRadius;
  Integer FDiv;
  std::vector<Integer> FDivTable;
};

class TZCLBlurFilter : public TObject {
  ZCL_CLASS(TZCLBlurFilter, TObject)
 public:
  TZCLBlurFilter() { SetRadius(20); }
  Integer GetRadius() const { return FRadius; }
  // Clamped to 0..32.
  void SetRadius(Integer Value);
  Integer GetCoreRadius() const { return FCoreRadius; }
  void Apply(TZCLDib* Dib);
  void ApplyPixels(TZCLPixel32* Pixels, Integer Width, Integer Height);

  static void SetCoreFactory(TZCLBlurFilterCoreFactory Factory);
  static void Finalize();

 private:
  Integer FRadius = -1;
  IPtr<IZCLBlurFilterCore> FCore;
  Integer FCoreRadius = 0;
};

// A DIB that remembers the alpha of one skin-image frame: content drawn into it afterwards is
// cut to the frame's shape with ApplyMask.
class TZCLSkinImage;

class TZCLDibEx : public TZCLDib {
  ZCL_CLASS(TZCLDibEx, TZCLDib)
 public:
  // Frame states as the skin image reports them: 0 transparent, 1 mixed, 2 opaque, else a
  // solid colour (0xAARRGGBB).
  static constexpr Cardinal StateTransparent = 0;
  static constexpr Cardinal StateOpaque = 2;
  using TDrawFrame = std::function<void(TCanvas* Canvas, const TRect& R)>;

  TZCLDibEx() = default;
  ~TZCLDibEx() override { FreeMask(); }

  // Resizes to R's size (true, dirty) or clears a dirty DIB of that size; returns Dirty.
  bool UpdateSize(const TRect& R);
  // Builds the mask of a frame whose state the caller has looked up; DrawFrame paints the frame
  // over the whole client rectangle at alpha 255. Nothing when the frame's mask is kept already.
  void PrepareMask(Integer FrameIndex, Cardinal FrameState, const TDrawFrame& DrawFrame);
  // The mask of the image's frame.
  void PrepareMask(TZCLSkinImage* Image, Integer FrameIndex);
  // Forgets the prepared frame, so the next PrepareMask builds the mask again (after a resize
  // the kept mask no longer matches the pixels).
  void ResetMask();
  // Multiplies the pixels (all, or those between R's corners) by the mask.
  void ApplyMask(const TRect* R = nullptr);

  Integer GetFrameIndex() const { return FFrameIndex; }
  Cardinal GetFrameState() const { return FFrameState; }
  bool GetFrameIsUniform() const { return FFrameIsUniform; }
  bool GetDirty() const { return FDirty; }
  void SetDirty(bool Value) { FDirty = Value; }
  const Byte* GetMask() const { return FMask; }
  // Pixel index just before, and last index of, the kept run of opaque mask bytes.
  TPoint GetOpaqueRun() const { return FOpaqueRun; }

 private:
  void FreeMask();
  bool IsOpaqueState() const;
  Byte* FMask = nullptr;
  Integer FMaskCapacity = 0;
  Integer FFrameIndex = -1;
  Cardinal FFrameState = 0;
  bool FFrameIsUniform = false;
  TPoint FOpaqueRun;
  bool FDirty = true;
};
