#include "vcl/VCL.Units.h"

#include "vcl/VCL.Graphics.h"
#include "vcl/VCL.Imaging.h"

namespace {
const TUnit GVclUnits[] = {
    {"VCL.Units", nullptr, nullptr},
    {"VCL.Graphics", detail::GraphicsInit, detail::GraphicsFin},
    {"VCL.Imaging", detail::ImagingInit, nullptr},
};
}

TUnitList VclUnits() { return GVclUnits; }
