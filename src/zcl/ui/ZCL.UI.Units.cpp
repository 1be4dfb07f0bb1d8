#include "zcl/ui/ZCL.UI.Units.h"

#include "zcl/ui/ZCL.UI.Application.h"

namespace {
const TUnit GZclUiUnits[] = {
    {"ZCL.UI.Units", nullptr, nullptr},
    {"ZCL.UI.Application", TZCLApplication::Initialize, TZCLApplication::Finalize},
};
}  // namespace

TUnitList ZclUiUnits() { return GZclUiUnits; }
