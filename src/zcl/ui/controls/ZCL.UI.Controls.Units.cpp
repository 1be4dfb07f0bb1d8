#include "zcl/ui/controls/ZCL.UI.Controls.Units.h"

#include "zcl/ui/controls/ZCL.UI.Controls.Buttons.h"
#include "zcl/ui/controls/ZCL.UI.Controls.ScrollBar.h"

namespace {
const TUnit GZclControlsUnits[] = {
    {"ZCL.UI.Controls.Units", nullptr, nullptr},
    {"ZCL.UI.Controls.Buttons", RegisterButtonClasses, nullptr},
    {"ZCL.UI.Controls.ScrollBar", RegisterScrollBarClasses, nullptr},
};
}  // namespace

TUnitList ZclControlsUnits() { return GZclControlsUnits; }
