#include "zcl/graphics/ZCL.Graphics.Units.h"

#include "zcl/graphics/ZCL.Graphics.Blend.h"
#include "zcl/graphics/ZCL.Graphics.Canvas.h"
#include "zcl/graphics/ZCL.Graphics.Font.h"
#include "zcl/graphics/ZCL.Graphics.FontCache.h"
#include "zcl/graphics/ZCL.Graphics.Images.h"
#include "zcl/graphics/ZCL.Graphics.Render.Cairo.h"
#include "zcl/graphics/ZCL.Graphics.SkinImage.h"

namespace {
void FinalizeBlend() {
  TZCLBlurFilter::Finalize();
  TZCLSoftwareImplBlendMode::Finalize();
}

const TUnit GZclGraphicsUnits[] = {
    {"ZCL.Graphics.Units", nullptr, nullptr},
    {"ZCL.Graphics.FontCache", TZCLFontCache::Initialize, TZCLFontCache::Finalize},
    {"ZCL.Graphics.Render.Cairo", nullptr, FinalizeSharedPaintRender},
    {"ZCL.Graphics.Canvas", nullptr, TZCLRegionManager::Finalize},
    {"ZCL.Graphics.Images", TZCLImageFormatRepository::Initialize, TZCLImageFormatRepository::Finalize},
    {"ZCL.Graphics.SkinImage", nullptr, SkinImageFinalize},
    {"ZCL.Graphics.Blend", TZCLSoftwareImplStackBlur::Register, FinalizeBlend},
    {"ZCL.Graphics.Font", nullptr, FinalizeText32},
};
}  // namespace

TUnitList ZclGraphicsUnits() { return GZclGraphicsUnits; }
