#include "zcl/base/ZCL.Base.Units.h"

#include "zcl/base/ZCL.ObjectLinks.h"

namespace {
const TUnit GZclBaseUnits[] = {
    {"ZCL.Base.Units", nullptr, nullptr},
    {"ZCL.ObjectLinks", TZCLObjectLinks::Initialize, TZCLObjectLinks::Finalize},
};
}

TUnitList ZclBaseUnits() { return GZclBaseUnits; }
