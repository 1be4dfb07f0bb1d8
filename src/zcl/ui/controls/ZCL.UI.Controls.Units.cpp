#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"

#include "zcl/ui/controls/ZCL.UI.Menus.h"

namespace {
const TUnit GZclControlsUnits[] = {
    {"ZCL.UI.Controls.Units", nullptr, nullptr},
    {"ZCL.UI.Menus", RegisterMenuClasses, FinalizeMenus},
};
}  // namespace

TUnitList ZclControlsUnits() { return GZclControlsUnits; }
