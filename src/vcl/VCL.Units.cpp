#include "vcl/VCL.Units.h"

namespace {
const TUnit GVclUnits[] = {
    {"VCL.Units", nullptr, nullptr},
};
}

TUnitList VclUnits() { return GVclUnits; }
