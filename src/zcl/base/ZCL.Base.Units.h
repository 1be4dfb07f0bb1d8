#pragma once
#include "rtl/RTL.Units.h"

// The component library foundation's units, in dependency order.
TUnitList ZclBaseUnits();
