#include "zcl/base/ZCL.Base.Units.h"

namespace {
const TUnit GZclBaseUnits[] = {
    {"ZCL.Base.Units", nullptr, nullptr},
};
}

TUnitList ZclBaseUnits() { return GZclBaseUnits; }
