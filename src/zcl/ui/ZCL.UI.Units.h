#pragma once
#include "rtl/RTL.Units.h"

// The UI foundation's units, in dependency order.
TUnitList ZclUiUnits();
